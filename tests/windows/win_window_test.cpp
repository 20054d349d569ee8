// The program's own main window, made in this process as WinMain makes it,
// on Wine's USER32 and GDI32: the report's geometry at the screen's
// resolution, names in any script, and the wheel and the keys.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdlib.h>

#include <string>

#include "pixels.h"
#include "wintree.h"
#include "tarvel/tarvel.h"

namespace {

void pump()
{
    MSG m;
    while (PeekMessageA(&m, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
}

class MainWindow : public ::testing::Test {
protected:
    HWND hwnd = NULL;
    HDC dc = NULL;
    SIZE a = {}; /* the font's "A", which the report measures itself by */

    void SetUp() override
    {
        hwnd = createmainwindow(GetModuleHandleA(NULL), WndProc);
        ASSERT_NE(hwnd, (HWND)NULL);
        ShowWindow(hwnd, SW_SHOWNORMAL);
        UpdateWindow(hwnd);
        pump();
        dc = GetDC(hwnd);
        GetTextExtentPoint32A(dc, "A", 1, &a);
    }

    void TearDown() override
    {
        ReleaseDC(hwnd, dc);
        DestroyWindow(hwnd);
        pump();
        UnregisterClassA(lpszAppName, GetModuleHandleA(NULL));
        for (ll *p = gl.head, *next; p; p = next) {
            next = p->next;
            GlobalFree(p->str);
            GlobalFree(p);
        }
        gl.head = gl.tail = NULL;
        gl.nNumItems = gl.nCurPos = gl.hcurpos = 0;
        gl.totalbytesused = 0;
    }

    /* Sizes the window so that its client area is w x h. */
    void client(int w, int h)
    {
        for (int i = 0; i < 3; i++) {
            RECT c, r;
            GetClientRect(hwnd, &c);
            GetWindowRect(hwnd, &r);
            if (c.right == w && c.bottom == h)
                return;
            SetWindowPos(hwnd, NULL, 0, 0, r.right - r.left + w - c.right, r.bottom - r.top + h - c.bottom,
                         SWP_NOMOVE | SWP_NOZORDER);
            pump();
        }
        RECT c;
        GetClientRect(hwnd, &c);
        ASSERT_EQ(std::make_pair(c.right, c.bottom), std::make_pair((LONG)w, (LONG)h)) << "the client area's size";
    }

    void paint()
    {
        InvalidateRect(hwnd, NULL, FALSE);
        UpdateWindow(hwnd);
    }

    int textwidth(const std::string &utf8)
    {
        std::wstring w(utf8.size(), L'\0');
        w.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), (int)utf8.size(), &w[0], (int)w.size()));
        SIZE s = {};
        GetTextExtentPoint32W(dc, w.data(), (int)w.size(), &s);
        return s.cx;
    }

    /* Whether the text the window shows at x, y is `utf8` as the wide call draws it. */
    void expect_text(int x, int y, const std::string &utf8)
    {
        const int w = textwidth(utf8);
        EXPECT_EQ(grab(dc, x, y, w, a.cy), drawn(utf8, 0, w, a.cy)) << utf8 << " at " << x << "," << y;
    }
};

// The report's pixel figures at the screen's resolution: at 96 dpi exactly
// the original's (a bar from x 10, 120 pixels for the whole tree and one more
// that every bar has, one pixel below the text; text at 140, or at 10 without
// a bar), and at any other resolution each scaled by it over 96, like the
// text, so that the picture keeps its proportions. Run at 96 and at 192 dpi.
TEST_F(MainWindow, GeometryAtTheScreensResolution)
{
    HDC screen = GetDC(NULL);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(NULL, screen);
    if (const char *expected = getenv("TARVEL_EXPECT_DPI")) {
        ASSERT_EQ(dpi, atoi(expected)) << "the prefix's resolution";
    }
    auto px = [dpi](int n) { return (n * dpi + 48) / 96; };

    client(px(600), px(200));
    gl.totalbytesused = 1000;
    llprintf(1000.0, "whole");
    llprintf(250.0, "quarter");
    llprintf(-1.0, "no bar");
    paint();
    const int row = a.cy * 8 / 7;
    ASSERT_EQ(gl.rowsperline, row);

    const COLORREF bar = GetSysColor(COLOR_HIGHLIGHT);
    const Picture shot = grab(dc, 0, 0, px(600), 3 * row);
    const struct {
        int row, right; /* the bar's right edge, exclusive */
    } bars[] = {{0, px(10) + px(120) + px(1)}, {1, px(10) + px(120) / 4 + px(1)}};
    for (const auto &b : bars) {
        const int top = b.row * row, middle = top + a.cy / 2;
        EXPECT_NE(shot.at(px(10) - 1, middle), bar) << "row " << b.row;
        EXPECT_EQ(shot.at(px(10), middle), bar) << "row " << b.row;
        EXPECT_EQ(shot.at(b.right - 1, middle), bar) << "row " << b.row;
        EXPECT_NE(shot.at(b.right, middle), bar) << "row " << b.row;
        EXPECT_EQ(shot.at(px(10) + 1, top), bar) << "row " << b.row;
        EXPECT_EQ(shot.at(px(10) + 1, top + a.cy + px(1) - 1), bar) << "row " << b.row << ": the bar's height";
        EXPECT_NE(shot.at(px(10) + 1, top + a.cy + px(1)), bar) << "row " << b.row << ": the bar's height";
    }
    expect_text(px(140), 0, "whole");
    expect_text(px(140), row, "quarter");
    expect_text(px(10), 2 * row, "no bar");
}

// Names in any script are drawn as Windows draws their UTF-16 form: GDI reads
// an ANSI call's bytes in the system's code page, not in the program's UTF-8.
TEST_F(MainWindow, NamesInAnyScriptAsTheWideCallDrawsThem)
{
    ASSERT_EQ(GetACP(), (UINT)CP_UTF8) << "the manifest's code page";
    const std::string line = "C:\\caf\xc3\xa9\\\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e\\\xce\xa9\xce\xbc\xce\xad\\*.* 5K used";
    llprintf(-1.0, "%s", line.c_str());
    paint();
    expect_text(10, 0, line);
    const int w = textwidth(line);
    EXPECT_NE(drawn(line, 0, w, a.cy), drawn(line, 0, w, a.cy, true)) << "the two calls draw it differently here";
}

int during, disabled; /* what the timer saw while the scan ran */

/* Selects in the dialog once it is up, and notes what it sees while the scan runs. */
void CALLBACK selectandwatch(HWND, UINT, UINT_PTR, DWORD)
{
    if (HWND dlg = FindWindowA("#32770", "Select Directory"))
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(403, BN_CLICKED), 0);
    if (dgl.busy && gl.nNumItems > 1) {
        during++;
        disabled += !IsWindowEnabled(gl.hwnd);
    }
}

// During File/Open's survey the window is kept alive: a timer's message,
// posted by the system, is handled while the scan runs, and the window is
// disabled for input until the survey is over.
TEST_F(MainWindow, AliveDuringASurvey)
{
    WinTree tree;
    for (int i = 0; i < 5; i++)
        for (int j = 0; j < 100; j++)
            tree.dir("d" + std::to_string(i) + "/e" + std::to_string(j));
    char old[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, old);
    ASSERT_TRUE(SetCurrentDirectoryA(tree.root().c_str()));
    during = disabled = 0;
    const UINT_PTR timer = SetTimer(NULL, 0, 10, selectandwatch);
    getdirectory();
    KillTimer(NULL, timer);
    SetCurrentDirectoryA(old);
    EXPECT_GT(during, 0) << "no message was handled during the survey";
    EXPECT_EQ(disabled, during);
    EXPECT_TRUE(IsWindowEnabled(hwnd) && !dgl.busy);
    EXPECT_EQ(gl.nNumItems, 500 + 5 + 1 + 2);
}

// The wheel and the keys move the report as the bars do, with the same steps
// on every platform: a notch is three lines, half a notch waits for the other
// half, Shift or a tilt goes sideways; arrows are lines, PageUp and PageDown
// pages, Home and End the first line and the last page. While every line
// fits, nothing moves.
TEST_F(MainWindow, WheelAndKeysMoveTheReport)
{
    paint();
    client(400, 9 * gl.rowsperline); /* 10 rows */
    auto post = [&](UINT msg, WPARAM wParam) {
        PostMessageA(hwnd, msg, wParam, 0);
        pump();
    };
    auto wheel = [](int delta, WORD keys = 0) { return MAKEWPARAM(keys, (WORD)(short)delta); };
    for (int i = 0; i < 5; i++)
        llprintf(0.0, "line %d", i);
    post(WM_MOUSEWHEEL, wheel(-120));
    post(WM_KEYDOWN, VK_END);
    EXPECT_EQ(gl.nCurPos, 0) << "the lines fit";

    for (int i = 5; i < 100; i++)
        llprintf(0.0, "line %d", i);
    const struct {
        UINT msg;
        WPARAM wParam;
        int pos, hpos;
    } steps[] = {
        {WM_KEYDOWN, VK_DOWN, 1, 0},
        {WM_KEYDOWN, VK_NEXT, 11, 0},
        {WM_KEYDOWN, VK_UP, 10, 0},
        {WM_KEYDOWN, VK_PRIOR, 0, 0},
        {WM_MOUSEWHEEL, wheel(-120), 3, 0},
        {WM_MOUSEWHEEL, wheel(-60), 3, 0},
        {WM_MOUSEWHEEL, wheel(-60), 6, 0},
        {WM_MOUSEWHEEL, wheel(120), 3, 0},
        {WM_KEYDOWN, VK_END, 90, 0},
        {WM_KEYDOWN, VK_HOME, 0, 0},
        {WM_MOUSEWHEEL, wheel(-120, MK_SHIFT), 0, 3},
        {WM_MOUSEHWHEEL, wheel(120), 0, 6},
        {WM_KEYDOWN, VK_LEFT, 0, 5},
        {WM_KEYDOWN, VK_RIGHT, 0, 6},
    };
    for (const auto &s : steps) {
        SCOPED_TRACE(&s - steps);
        post(s.msg, s.wParam);
        SCROLLINFO v = {sizeof v, SIF_POS, 0, 0, 0, 0, 0}, h = v;
        GetScrollInfo(hwnd, SB_VERT, &v);
        GetScrollInfo(hwnd, SB_HORZ, &h);
        EXPECT_EQ(std::vector<int>({gl.nCurPos, gl.hcurpos, v.nPos, h.nPos}),
                  std::vector<int>({s.pos, s.hpos, s.pos, s.hpos}));
    }
}

} // namespace
