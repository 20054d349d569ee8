// The real tarvel.exe, driven from outside as a person would: File/Open,
// Select, the boxes answered, the report painted, the window closed.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "pixels.h"
#include "wintree.h"

namespace {

/* Polls `ready` until it holds, for at most 30 seconds. */
bool wait_until(const std::function<bool()> &ready)
{
    for (int i = 0; i < 600 && !ready(); i++)
        Sleep(50);
    return ready();
}

std::string text_of(HWND w)
{
    char buf[1024] = "";
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

/* The temporary files the probe names trv*.tmp. */
int probe_files()
{
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((std::string(dir) + "trv*.tmp").c_str(), &fd);
    int n = 0;
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileA(h, &fd))
        n++;
    if (h != INVALID_HANDLE_VALUE)
        FindClose(h);
    return n;
}

/* The colour of a pixel of the client area, as the screen shows it. */
COLORREF client_pixel(HWND w, int x, int y)
{
    POINT p = {x, y};
    ClientToScreen(w, &p);
    HDC screen = GetDC(NULL);
    COLORREF c = GetPixel(screen, p.x, p.y);
    ReleaseDC(NULL, screen);
    return c;
}

// File/Open, Select, the report, the close. The program has no console, so
// the checker of the system directory gets one of its own: its report, in
// today's words, gives the heading's cluster size; a checker that refuses,
// as an unelevated one does, leaves the volume's own, without a box on this
// NT-family system. No report file stays in the temporary folder.
TEST(Win32Program, OpenSelectSurveyAndClose)
{
    WinTree tree, reports;
    tree.file("f", 6000);
    const std::string report = reports.path("report.txt");
    SetEnvironmentVariableA("TARVEL_FAKE_REPORT", report.c_str());
    char drive[MAX_PATH];
    DWORD spc, bps, fc, tc;
    ASSERT_TRUE(GetVolumePathNameA(tree.root().c_str(), drive, MAX_PATH));
    ASSERT_TRUE(GetDiskFreeSpaceA(drive, &spc, &bps, &fc, &tc));
    const struct {
        const char *text, *status;
        std::string cluster;
    } checkers[] = {
        {"   8,192 bytes in each allocation unit.\r\n   1,000 total allocation units on disk.\r\n"
         "      10 allocation units available on disk.\r\n",
         "0", "8192"},
        {"Access Denied as you do not have sufficient privileges or\r\nthe disk may be locked by another process.\r\n",
         "3", std::to_string(spc * bps)},
    };
    const int files = probe_files();
    for (const auto &c : checkers) {
        SCOPED_TRACE(c.cluster);
        std::ofstream(report, std::ios::binary) << c.text;
        SetEnvironmentVariableA("TARVEL_FAKE_STATUS", c.status);

        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        char cmd[] = "\"" TARVEL_EXE "\"";
        /* Without a console, as Explorer and the Start menu start it. */
        ASSERT_TRUE(
            CreateProcessA(NULL, cmd, NULL, NULL, FALSE, DETACHED_PROCESS, NULL, tree.root().c_str(), &si, &pi));
        /* Windows found by class and caption: Wine keeps hidden dialog-class windows of its own. */
        HWND main = NULL, dlg = NULL;
        ASSERT_TRUE(wait_until([&] { return (main = FindWindowA("Tarv", NULL)) != NULL; }));
        EXPECT_EQ(text_of(main), "Directory Sizes");
        PostMessageA(main, WM_COMMAND, 101 /* File/Open */, 0);
        ASSERT_TRUE(wait_until([&] { return (dlg = FindWindowA("#32770", "Select Directory")) != NULL; }));
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(403, BN_CLICKED), (LPARAM)GetDlgItem(dlg, 403));

        /* The report's row height follows the window's font, as painting measures it. */
        HDC hdc = GetDC(main);
        SIZE a;
        GetTextExtentPoint32A(hdc, "A", 1, &a);
        ReleaseDC(main, hdc);
        const int row = a.cy * 8 / 7;
        const COLORREF bar = GetSysColor(COLOR_HIGHLIGHT);

        /* A box would be a fault: each is recorded and answered, so that the
         * survey still ends, once the one directory's full bar (x 10 to 131)
         * is on screen in its row, below the heading. */
        std::vector<std::string> boxes;
        bool painted = wait_until([&] {
            if (HWND box = FindWindowA("#32770", "Failure"); box && IsWindowVisible(box)) {
                boxes.push_back(text_of(box));
                SendMessageA(box, WM_COMMAND, IDOK, 0);
            }
            return client_pixel(main, 12, row + 2) == bar && client_pixel(main, 128, row + 2) == bar &&
                   client_pixel(main, 135, row + 2) != bar;
        });
        EXPECT_TRUE(painted) << "no full bar painted";
        /* Select without a move takes the directory the dialog opened in, where the program started; the
         * dialog shows paths in lower case, as Windows' list has always done. */
        const std::string title = text_of(main), prefix = "Directory Sizes of ";
        EXPECT_EQ(lstrcmpiA(title.c_str(), (prefix + tree.root()).c_str()), 0) << title;
        EXPECT_EQ(boxes, std::vector<std::string>{});

        /* The heading, read off the screen: the drive as the chosen path names it. */
        const std::string heading =
            "Drive " + title.substr(prefix.size(), 3) + " has a cluster size of " + c.cluster + " bytes";
        HDC screen = GetDC(NULL);
        SelectObject(screen, GetStockObject(SYSTEM_FONT));
        std::wstring wide(heading.begin(), heading.end());
        SIZE extent;
        GetTextExtentPoint32W(screen, wide.c_str(), (int)wide.size(), &extent);
        POINT at = {10, 0};
        ClientToScreen(main, &at);
        EXPECT_EQ(grab(screen, at.x, at.y, extent.cx, a.cy), drawn(heading, 0, extent.cx, a.cy)) << heading;
        ReleaseDC(NULL, screen);

        PostMessageA(main, WM_CLOSE, 0, 0);
        ASSERT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
        DWORD code = 1;
        GetExitCodeProcess(pi.hProcess, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        /* The checker's console may hold its copy a moment longer. */
        EXPECT_TRUE(wait_until([&] { return probe_files() == files; })) << "a report file stays";
    }
    SetEnvironmentVariableA("TARVEL_FAKE_REPORT", NULL);
    SetEnvironmentVariableA("TARVEL_FAKE_STATUS", NULL);
}

} // namespace
