#include "wintree.h"

#include <stdexcept>
#include <string>
#include <vector>

/* "\\?\" lets the wide calls take paths beyond MAX_PATH. */
static std::wstring longpath(const std::string &p)
{
    std::wstring w(p.size(), L'\0');
    w.resize(MultiByteToWideChar(CP_UTF8, 0, p.data(), (int)p.size(), &w[0], (int)w.size()));
    return L"\\\\?\\" + w;
}

static void remove_tree(const std::wstring &dir)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &fd)) {
        const std::wstring name = fd.cFileName, p = dir + L"\\" + name;
        if (name == L"." || name == L"..")
            continue;
        fd.dwFileAttributes &FILE_ATTRIBUTE_DIRECTORY ? remove_tree(p) : (void)DeleteFileW(p.c_str());
    }
    if (h != INVALID_HANDLE_VALUE)
        FindClose(h);
    RemoveDirectoryW(dir.c_str());
}

WinTree::WinTree()
{
    char tmp[MAX_PATH], name[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, tmp) || !GetTempFileNameA(tmp, "tvt", 0, name))
        throw std::runtime_error("no temporary name");
    DeleteFileA(name); /* GetTempFileNameA made a file; a folder takes its name */
    if (!CreateDirectoryA(name, NULL))
        throw std::runtime_error("cannot make " + std::string(name));
    root_ = name;
}

WinTree::~WinTree()
{
    remove_tree(longpath(root_));
}

std::string WinTree::path(const std::string &rel) const
{
    std::string p = root_ + (rel.empty() ? "" : "\\") + rel;
    for (char &c : p)
        c = c == '/' ? '\\' : c;
    return p;
}

void WinTree::dir(const std::string &rel)
{
    std::string full = path(rel);
    for (size_t i = root_.size() + 1; i <= full.size(); i++)
        if (i == full.size() || full[i] == '\\')
            CreateDirectoryW(longpath(full.substr(0, i)).c_str(), NULL);
    const DWORD a = GetFileAttributesW(longpath(full).c_str());
    if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY))
        throw std::runtime_error("cannot make " + full);
}

void WinTree::file(const std::string &rel, DWORD size)
{
    if (rel.find('/') != std::string::npos)
        dir(rel.substr(0, rel.rfind('/')));
    HANDLE h = CreateFileW(longpath(path(rel)).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (h == INVALID_HANDLE_VALUE || SetFilePointer(h, (LONG)size, NULL, FILE_BEGIN) != size || !SetEndOfFile(h))
        throw std::runtime_error("cannot make " + path(rel));
    CloseHandle(h);
}

/* An inheritable handle on a new temporary file, for a child's output; and what it holds. */
static HANDLE capture_file(const std::string &name)
{
    SECURITY_ATTRIBUTES sa = {sizeof sa, NULL, TRUE};
    return CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, NULL);
}

static std::string captured(HANDLE h)
{
    std::string text;
    char buf[4096];
    DWORD n;
    SetFilePointer(h, 0, NULL, FILE_BEGIN);
    while (ReadFile(h, buf, sizeof buf, &n, NULL) && n > 0)
        text.append(buf, n);
    CloseHandle(h);
    return text;
}

DWORD run_program(const std::string &cmdline, std::string *out, std::string *err, const char *cwd)
{
    /* Files, not pipes: nothing to drain while the child runs. */
    WinTree scratch;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = capture_file(scratch.path("out"));
    si.hStdError = capture_file(scratch.path("err"));
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(cmdline.c_str(), cmdline.c_str() + cmdline.size() + 1);
    DWORD code = (DWORD)-1;
    std::string failed; /* what went wrong here, not in the program */
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, TRUE, 0, NULL, cwd, &si, &pi)) {
        failed = "run_program: CreateProcessA failed with error " + std::to_string(GetLastError()) + "\n";
    } else {
        WaitForSingleObject(pi.hProcess, INFINITE);
        if (!GetExitCodeProcess(pi.hProcess, &code))
            failed = "run_program: GetExitCodeProcess failed with error " + std::to_string(GetLastError()) + "\n";
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    *out = captured(si.hStdOutput);
    *err = failed + captured(si.hStdError);
    return code;
}
