// What a console shows: runs a command line in a console of its own, as a
// user runs a program in a console window, then writes the console's text,
// line by line without the blanks that fill each line, as UTF-8 to a file.
//
//   consoleshot OUTFILE COMMAND-LINE...
#include <windows.h>

#include <stdio.h>

#include <string>

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    std::string cmd;
    for (int i = 2; i < argc; i++)
        cmd += std::string(i > 2 ? " " : "") + "\"" + argv[i] + "\"";
    FreeConsole();
    if (!AllocConsole())
        return 3;
    /* The command's standard output and error are the console itself, as
     * in a console window, whatever this program's own were. */
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, NULL, TRUE};
    HANDLE screen = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                OPEN_EXISTING, 0, NULL);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, NULL);
    si.hStdOutput = si.hStdError = screen;
    PROCESS_INFORMATION pi;
    if (screen == INVALID_HANDLE_VALUE || !CreateProcessA(NULL, &cmd[0], NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi))
        return 4;
    WaitForSingleObject(pi.hProcess, INFINITE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    GetConsoleScreenBufferInfo(screen, &info);
    FILE *out = fopen(argv[1], "wb");
    if (!out)
        return 5;
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; y++) {
        std::wstring line(info.dwSize.X, L' ');
        DWORD n = 0;
        ReadConsoleOutputCharacterW(screen, &line[0], (DWORD)line.size(), COORD{0, y}, &n);
        line.resize(n);
        line.erase(line.find_last_not_of(L' ') + 1);
        std::string utf8(line.size() * 3 + 1, '\0');
        utf8.resize(WideCharToMultiByte(CP_UTF8, 0, line.data(), (int)line.size(), &utf8[0], (int)utf8.size(), 0, 0));
        fprintf(out, "%s\n", utf8.c_str());
    }
    fclose(out);
    return 0;
}
