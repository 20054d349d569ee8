#include "wintree.h"

#include <stdexcept>
#include <vector>

namespace {

std::wstring wide(const std::string &s)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, NULL, 0);
    std::wstring w(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, &w[0], n);
    return w;
}

/* "\\?\" lets the wide calls take paths beyond MAX_PATH. */
std::wstring longpath(const std::string &p)
{
    return L"\\\\?\\" + wide(p);
}

void remove_tree(const std::wstring &dir)
{
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring p = dir + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) remove_tree(p);
            else DeleteFileW(p.c_str());
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
}

} // namespace

WinTree::WinTree()
{
    char tmp[MAX_PATH], name[MAX_PATH];
    if (!GetTempPathA(MAX_PATH, tmp) || !GetTempFileNameA(tmp, "tvt", 0, name))
        throw std::runtime_error("no temporary name");
    DeleteFileA(name); /* GetTempFileNameA made a file; a folder takes its name */
    if (!CreateDirectoryA(name, NULL)) throw std::runtime_error("cannot make " + std::string(name));
    root_ = name;
}

WinTree::~WinTree()
{
    remove_tree(longpath(root_));
}

std::string WinTree::path(const std::string &rel) const
{
    std::string p = root_;
    if (!rel.empty()) {
        p += '\\';
        for (char c : rel) p += c == '/' ? '\\' : c;
    }
    return p;
}

void WinTree::dir(const std::string &rel)
{
    std::string full = path(rel);
    for (size_t i = root_.size() + 1; i <= full.size(); i++)
        if (i == full.size() || full[i] == '\\') CreateDirectoryW(longpath(full.substr(0, i)).c_str(), NULL);
    DWORD a = GetFileAttributesW(longpath(full).c_str());
    if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY))
        throw std::runtime_error("cannot make " + full);
}

void WinTree::file(const std::string &rel, ULONGLONG size)
{
    std::string full = path(rel);
    size_t slash = full.rfind('\\');
    if (slash > root_.size()) dir(full.substr(root_.size() + 1, slash - root_.size() - 1));
    HANDLE h = CreateFileW(longpath(full).c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    if (h == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot make " + full);
    DWORD got;
    DeviceIoControl(h, FSCTL_SET_SPARSE, NULL, 0, NULL, 0, &got, NULL); /* where it can */
    LARGE_INTEGER end;
    end.QuadPart = (LONGLONG)size;
    BOOL ok = SetFilePointerEx(h, end, NULL, FILE_BEGIN) && SetEndOfFile(h);
    CloseHandle(h);
    if (!ok) throw std::runtime_error("cannot size " + full);
}

/* An inheritable handle on a new temporary file, for the child's output. */
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
    while (ReadFile(h, buf, sizeof buf, &n, NULL) && n > 0) text.append(buf, n);
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
    std::vector<char> line(cmdline.begin(), cmdline.end());
    line.push_back('\0');
    DWORD code = (DWORD)-1;
    if (CreateProcessA(NULL, line.data(), NULL, NULL, TRUE, 0, NULL, cwd, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, INFINITE);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    std::string o = captured(si.hStdOutput), e = captured(si.hStdError);
    if (out) *out = o;
    if (err) *err = e;
    return code;
}
