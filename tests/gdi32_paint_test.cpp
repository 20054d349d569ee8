// GDI32 on the real main window: the paint calls misused, outside a paint
// and on bad rectangles, brushes and text.
#include "window_fixture.h"

#include <QFontMetrics>

// Paint calls misused: WM_PAINT outside a paint, BeginPaint on no window, bad rectangles, brushes;
// text that is not UTF-8, and control bytes, each measured as one visible mark.
TEST_F(MainWindowTest, PaintCallsOnBadInput)
{
    llprintf(5, "x");
    EXPECT_EQ(SendMessageA(hwnd, WM_PAINT, 0, 0), 0);
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    ASSERT_NE(hdc, (HDC)NULL) << "outside a paint event";
    EXPECT_EQ(ps.rcPaint.right - ps.rcPaint.left, 0);
    SIZE sz{};
    EXPECT_TRUE(GetTextExtentPoint32A(hdc, "A", 1, &sz));
    EXPECT_EQ(sz.cy, QFontMetrics(view->font()).height());
    RECT r{0, 0, 10, 10};
    EXPECT_EQ(FillRect(hdc, &r, (HBRUSH)(COLOR_HIGHLIGHT + 1)), 1);
    EXPECT_TRUE(EndPaint(hwnd, &ps));
    EXPECT_EQ(BeginPaint((HWND)NULL, &ps), (HDC)NULL);

    int results[3] = {};
    SIZE mark{}, two{}, controls{};
    intercept = [&](HWND h, UINT msg) {
        if (msg != WM_PAINT)
            return false;
        HDC dc = BeginPaint(h, &ps);
        RECT all{0, 0, 600, 300}, inverted{60, 60, 50, 70}, empty{80, 80, 80, 90};
        FillRect(dc, &all, (HBRUSH)(COLOR_WINDOW + 1));
        results[0] = FillRect(dc, &inverted, (HBRUSH)(COLOR_HIGHLIGHT + 1));
        results[1] = FillRect(dc, &empty, (HBRUSH)(COLOR_HIGHLIGHT + 1));
        results[2] = FillRect(dc, &r, (HBRUSH)(UINT_PTR)99);
        GetTextExtentPoint32A(dc, "\xff", 1, &mark);
        GetTextExtentPoint32A(dc, "\xc3\xa9", 2, &two);
        GetTextExtentPoint32A(dc, "\n\t", 2, &controls);
        EndPaint(h, &ps);
        return true;
    };
    set_client_size(600, 300);
    EXPECT_EQ(pixels(grab(), 0, 300, base(), false), 0) << "nothing filled";
    EXPECT_EQ((std::vector<int>{results[0], results[1], results[2]}), (std::vector<int>{1, 1, 0}));
    QFontMetrics fm(view->font());
    EXPECT_EQ(mark.cx, fm.horizontalAdvance(QString(QChar(0xFFFD)))) << "a replacement mark";
    EXPECT_EQ(two.cx, fm.horizontalAdvance(QString::fromUtf8("\xc3\xa9")));
    EXPECT_EQ(controls.cx, fm.horizontalAdvance(QString::fromUtf8("\u240A\u2409"))) << "control bytes as marks";
}
