// The installer as a Windows user meets it: a silent install, the Start-menu
// shortcut that starts the installed program, the uninstall entry in the
// registry view of the edition's own width, one product whichever edition is
// installed over which, and an uninstall that leaves nothing of ours.
#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <functional>
#include <string>
#include <vector>

#include "wintree.h"

namespace {

const char uninstkey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tarvel";

bool wait_until(const std::function<bool()> &ready)
{
    for (int i = 0; i < 600 && !ready(); i++)
        Sleep(50);
    return ready();
}

std::string folder(int csidl)
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(NULL, csidl, NULL, SHGFP_TYPE_CURRENT, path);
    return path;
}

bool exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

/* A value of the uninstall entry in one registry view, or "" without it. */
std::string entry(REGSAM view, const char *value = "InstallLocation")
{
    HKEY k;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, uninstkey, 0, KEY_READ | view, &k) != ERROR_SUCCESS)
        return "";
    char data[MAX_PATH] = "";
    DWORD size = sizeof data;
    RegQueryValueExA(k, value, NULL, NULL, (BYTE *)data, &size);
    RegCloseKey(k);
    return data[0] ? data : "(empty)";
}

#ifdef _WIN64
const REGSAM ownview = KEY_WOW64_64KEY, otherview = KEY_WOW64_32KEY;
#else
const REGSAM ownview = KEY_WOW64_32KEY, otherview = KEY_WOW64_64KEY;
#endif

/* The file the shortcut points at. */
std::string target(const std::string &lnk)
{
    std::string path;
    IShellLinkW *link = NULL;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkW, (void **)&link))) {
        IPersistFile *file = NULL;
        std::wstring wlnk(lnk.begin(), lnk.end());
        WCHAR buf[MAX_PATH] = L"";
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&file)) &&
            SUCCEEDED(file->Load(wlnk.c_str(), STGM_READ)) &&
            SUCCEEDED(link->GetPath(buf, MAX_PATH, NULL, SLGP_RAWPATH))) {
            char narrow[MAX_PATH * 3];
            WideCharToMultiByte(CP_UTF8, 0, buf, -1, narrow, sizeof narrow, NULL, NULL);
            path = narrow;
        }
        if (file)
            file->Release();
        link->Release();
    }
    return path;
}

/* A version resource's string, as Explorer's Details show it. */
std::string version_string(const std::string &exe, const char *name)
{
    DWORD ignored, size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
    std::vector<char> info(size);
    char *value = NULL;
    UINT len = 0;
    if (!size || !GetFileVersionInfoA(exe.c_str(), 0, size, info.data()) ||
        !VerQueryValueA(info.data(), ("\\StringFileInfo\\040904B0\\" + std::string(name)).c_str(), (void **)&value,
                        &len))
        return "";
    return std::string(value, len && !value[len - 1] ? len - 1 : len);
}

/* The sizes of the program's icon "Tarv", in pixels, as Explorer finds them. */
std::vector<int> icon_sizes(const std::string &exe)
{
    std::vector<int> sizes;
    HMODULE m = LoadLibraryExA(exe.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC group = m ? FindResourceA(m, "TARV", RT_GROUP_ICON) : NULL;
    /* GRPICONDIR: a count at byte 4, then 14-byte entries starting with the width (0: 256). */
    const BYTE *dir = group ? (const BYTE *)LockResource(LoadResource(m, group)) : NULL;
    for (int i = 0; dir && i < *(const WORD *)(dir + 4); i++)
        sizes.push_back(dir[6 + 14 * i] ? dir[6 + 14 * i] : 256);
    if (m)
        FreeLibrary(m);
    return sizes;
}

struct Install : ::testing::Test {
    const std::string dir = folder(CSIDL_PROGRAM_FILES) + "\\Tarvel";
    const std::string lnk = folder(CSIDL_COMMON_PROGRAMS) + "\\Tarvel\\Tarvel.lnk";

    static void SetUpTestSuite() { CoInitialize(NULL); }

    /* Runs an installer silently; its exit code, or the error of its start. */
    DWORD install(const std::string &installer, DWORD *starterror = nullptr)
    {
        std::string out, err;
        DWORD code = run_program("\"" + installer + "\" /S", &out, &err);
        if (starterror)
            *starterror = code == (DWORD)-1 ? 1 : 0;
        return code;
    }

    /* Uninstalls as Windows' settings do without asking: the entry's quiet
     * command, which copies itself away and returns at once; then waits
     * for its work. */
    void uninstall(REGSAM view)
    {
        const std::string quiet = entry(view, "QuietUninstallString"), where = entry(view);
        ASSERT_NE(quiet, "");
        std::string out, err;
        EXPECT_EQ(run_program(quiet, &out, &err), 0u) << err;
        EXPECT_TRUE(wait_until([&] { return !exists(where) && entry(view) == ""; })) << where << " stays";
    }

    void expect_nothing_of_ours()
    {
        EXPECT_FALSE(exists(dir)) << dir;
        EXPECT_FALSE(exists(lnk.substr(0, lnk.rfind('\\')))) << "the Start-menu folder";
        EXPECT_EQ(entry(KEY_WOW64_64KEY) + entry(KEY_WOW64_32KEY), "");
        HKEY k;
        EXPECT_NE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tarvel", 0, KEY_READ, &k), ERROR_SUCCESS);
    }
};

// The silent install puts both programs, with their version, in the
// edition's Program Files; the Start-menu shortcut starts the installed
// program; the uninstall entry is in the edition's own registry view only.
// Installing again keeps one of everything; the uninstall leaves nothing.
TEST_F(Install, ShortcutStartsTheProgramAndUninstallLeavesNothing)
{
    for (int round = 0; round < 2; round++) {
        SCOPED_TRACE(round ? "installed again" : "installed");
        ASSERT_EQ(install(TARVEL_INSTALLER), 0u);
        for (const char *exe : {"tarvel.exe", "tarvel-scan.exe"}) {
            EXPECT_EQ(version_string(dir + "\\" + exe, "ProductName"), "Tarvel") << exe;
            EXPECT_EQ(version_string(dir + "\\" + exe, "ProductVersion"), TARVEL_VERSION) << exe;
        }
        EXPECT_EQ(icon_sizes(dir + "\\tarvel.exe"), std::vector<int>({16, 32, 48, 256}));
        EXPECT_EQ(lstrcmpiA(target(lnk).c_str(), (dir + "\\tarvel.exe").c_str()), 0) << target(lnk);
        EXPECT_EQ(lstrcmpiA(entry(ownview).c_str(), dir.c_str()), 0) << entry(ownview);
        BOOL wow64 = FALSE;
        IsWow64Process(GetCurrentProcess(), &wow64);
#ifdef _WIN64
        wow64 = TRUE; /* a 64-bit Windows */
#endif
        if (wow64) {
            EXPECT_EQ(entry(otherview), "") << "an entry in the other width's registry view";
        }
    }

    /* What the shortcut points at runs as the program. */
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::string cmd = "\"" + target(lnk) + "\"";
    ASSERT_TRUE(CreateProcessA(NULL, &cmd[0], NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) << cmd;
    HWND main = NULL;
    EXPECT_TRUE(wait_until([&] { return (main = FindWindowA("Tarv", "Directory Sizes")) != NULL; }))
        << "no window of the program";
    if (main)
        PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);

    uninstall(ownview);
    expect_nothing_of_ours();
}

// One product: the other edition installed over this one replaces it, and
// this one over the other likewise; one entry, one folder each time.
TEST_F(Install, EitherEditionReplacesTheOther)
{
    const std::string other = TARVEL_OTHER_INSTALLER;
    if (other.empty() || !exists(other))
        GTEST_SKIP() << "the other edition's installer is not built here: " << (other.empty() ? "(none)" : other);
    ASSERT_EQ(install(TARVEL_INSTALLER), 0u);
    DWORD starterror = 0;
    DWORD code = install(other, &starterror);
    if (starterror) {
        uninstall(ownview);
        GTEST_SKIP() << "the other edition's installer does not start here (a host that runs no 32-bit code)";
    }
    ASSERT_EQ(code, 0u);
    EXPECT_EQ(entry(ownview), "") << "this edition's entry stays";
    EXPECT_NE(entry(otherview), "");
    EXPECT_NE(lstrcmpiA(entry(otherview).c_str(), dir.c_str()), 0) << "the other edition has its own folder";
    EXPECT_FALSE(exists(dir)) << "this edition's folder stays";
    EXPECT_EQ(lstrcmpiA(target(lnk).c_str(), (entry(otherview) + "\\tarvel.exe").c_str()), 0) << target(lnk);

    ASSERT_EQ(install(TARVEL_INSTALLER), 0u);
    EXPECT_EQ(entry(otherview), "");
    EXPECT_EQ(lstrcmpiA(entry(ownview).c_str(), dir.c_str()), 0);
    uninstall(ownview);
    expect_nothing_of_ours();
}

} // namespace
