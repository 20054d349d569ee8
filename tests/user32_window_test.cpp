// USER32 on the real main window: its calls on dead and made-up windows,
// the scroll bars' Win32 rules, titles as bytes, the default size, and the
// cursors (the wait cursor, a modal box's own arrow).
#include "dialogdriver.h"
#include "window_fixture.h"

#include <QScreen>

#include <cstring>

// Calls on a destroyed, a null or a made-up window, or on SB_CTL, fail quietly.
TEST_F(MainWindowTest, CallsOnBadWindowsFailQuietly)
{
    SCROLLINFO si{sizeof si, SIF_ALL, 0, 10, 2, 3, 0};
    EXPECT_FALSE(GetScrollInfo(hwnd, SB_CTL, &si));
    DestroyWindow(hwnd);
    for (HWND bad : {hwnd, (HWND)NULL, (HWND)0x1234, (HWND)0x10001}) {
        RECT r{1, 2, 3, 4};
        EXPECT_FALSE(GetClientRect(bad, &r));
        EXPECT_EQ(SendMessageA(bad, WM_COMMAND, 301, 0), 0);
        EXPECT_FALSE(InvalidateRect(bad, NULL, FALSE));
        EXPECT_EQ(SetScrollInfo(bad, SB_VERT, &si, TRUE), 0);
        EXPECT_FALSE(GetScrollInfo(bad, SB_VERT, &si));
        EXPECT_FALSE(EnableScrollBar(bad, SB_VERT, ESB_ENABLE_BOTH));
        EXPECT_FALSE(ShowScrollBar(bad, SB_VERT, TRUE));
        EXPECT_EQ(ScrollWindowEx(bad, 0, 10, NULL, NULL, NULL, NULL, SW_INVALIDATE), 0);
    }
    EXPECT_FALSE(PostMessageA(hwnd, WM_COMMAND, 301, 0));
    EXPECT_TRUE(boxes().empty());
}

// The layer's bar calls keep Win32's rules: clamped page and position, an inverted range made 0..0.
TEST_F(MainWindowTest, ScrollBarsKeepWin32Rules)
{
    auto set = [&](UINT mask, int nMin, int nMax, UINT nPage, int nPos) {
        SCROLLINFO si{sizeof si, mask, nMin, nMax, nPage, nPos, 0};
        return SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
    };
    expect_bar(SB_VERT, 0, 100, 0, 0, false);
    EXPECT_FALSE(EnableScrollBar(hwnd, SB_VERT, ESB_DISABLE_BOTH)) << "already disabled";
    EXPECT_EQ(set(SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 95), 90);
    EXPECT_EQ(qbar(SB_VERT)->maximum(), 90);
    EXPECT_EQ(set(SIF_PAGE, 0, 0, 500, 0), 0) << "page 100 > range leaves nothing to scroll";
    EXPECT_EQ(info(SB_VERT).nPage, 100u);
    EXPECT_EQ(qbar(SB_VERT)->maximum(), 0);
    EXPECT_EQ(set(SIF_RANGE | SIF_PAGE | SIF_POS, 5, 50, 0, 2), 5) << "not below nMin";
    EXPECT_EQ(set(SIF_POS, 0, 0, 0, 60), 50) << "page 0 still shows the last position";
    EXPECT_EQ(set(SIF_RANGE, 10, 3, 0, 0), 0) << "inverted range";
    expect_bar(SB_VERT, 0, 0, 0, 0, false);
}

// Titles are bytes: kept unchanged, invalid UTF-8 shown as marks, a short buffer cut and ended.
TEST_F(MainWindowTest, TitleKeepsItsBytes)
{
    const char raw[] = "Directory Sizes of /tmp/caf\xe9/\xc3\xa9t\xc3\xa9";
    ASSERT_TRUE(SetWindowTextA(hwnd, raw));
    char back[128], small[8];
    EXPECT_EQ(GetWindowTextA(hwnd, back, sizeof back), (int)std::strlen(raw));
    EXPECT_STREQ(back, raw);
    EXPECT_EQ(top->windowTitle(), QString::fromUtf8("Directory Sizes of /tmp/caf\xef\xbf\xbd/\xc3\xa9t\xc3\xa9"));
    EXPECT_EQ(GetWindowTextA(hwnd, small, sizeof small), 7);
    EXPECT_STREQ(small, "Directo");
}

// The wait cursor overrides the application's at once, without an event loop, until restored.
TEST_F(MainWindowTest, WaitCursorUntilRestored)
{
    HCURSOR arrow = LoadCursorA(NULL, IDC_ARROW), wait = LoadCursorA(NULL, IDC_WAIT);
    ASSERT_TRUE(arrow && wait && arrow != wait);
    EXPECT_EQ(view->cursor().shape(), Qt::ArrowCursor) << "the class cursor";
    EXPECT_EQ(GetCursor(), arrow);

    HCURSOR prev = SetCursor(wait);
    EXPECT_EQ(prev, arrow);
    EXPECT_EQ(GetCursor(), wait);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_EQ(SetCursor(wait), wait) << "setting it twice stacks nothing";

    /* A box or dialog up meanwhile shows its own arrow, as its own loop does in
     * Win32; the wait cursor is back over the window once it has gone. */
    auto shape = [] { return QGuiApplication::overrideCursor() ? QGuiApplication::overrideCursor()->shape() : Qt::ArrowCursor; };
    testhooks::answer_message_boxes(nullptr);
    Qt::CursorShape overbox = Qt::BlankCursor, overdialog = Qt::BlankCursor;
    BoxWatcher watcher;
    watcher.answer = [&](QMessageBox *b) {
        overbox = shape();
        if (b) b->button(QMessageBox::Ok)->click();
    };
    MessageBoxA(hwnd, "busy", "Failure", MB_ICONEXCLAMATION);
    EXPECT_EQ(overbox, Qt::ArrowCursor) << "over the box";
    EXPECT_EQ(shape(), Qt::WaitCursor) << "after the box";
    when_dialog_up([&](QDialog *dlg) {
        overdialog = shape();
        button(dlg, "Cancel")->click();
    });
    DialogBoxParamA(GetModuleHandleA(NULL), "SelectDir", hwnd, selectdirDlgProc, 0);
    EXPECT_EQ(overdialog, Qt::ArrowCursor) << "over the dialog";
    EXPECT_EQ(shape(), Qt::WaitCursor) << "after the dialog";

    EXPECT_EQ(SetCursor(prev), wait);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(GetCursor(), arrow);
    EXPECT_EQ(LoadCursorA(GetModuleHandleA(NULL), IDC_WAIT), (HCURSOR)NULL) << "no cursor resources";
}

// CW_USEDEFAULT makes the window three quarters of the screen's work area, as Win32 does.
TEST_F(MainWindowTest, DefaultSizeFollowsTheScreen)
{
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(top->size(), QSize(work.width() * 3 / 4, work.height() * 3 / 4));
}
