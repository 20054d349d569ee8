// GDI32 text on the real main window, measured inside a real paint.
#include "window_fixture.h"

#include <QFontMetrics>

// A text cell is the font's line height; a byte that is not UTF-8 and each
// control byte are measured as one visible mark, as they are drawn.
TEST_F(MainWindowTest, TextOfOddBytesIsMeasuredAsMarks)
{
    SIZE a{}, mark{}, two{}, controls{};
    intercept = [&](HWND h, UINT msg) {
        if (msg != WM_PAINT)
            return false;
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        GetTextExtentPoint32A(dc, "A", 1, &a);
        GetTextExtentPoint32A(dc, "\xff", 1, &mark);
        GetTextExtentPoint32A(dc, "\xc3\xa9", 2, &two);
        GetTextExtentPoint32A(dc, "\n\t", 2, &controls);
        EndPaint(h, &ps);
        return true;
    };
    set_client_size(600, 300);
    QFontMetrics fm(view->font());
    EXPECT_EQ(a.cy, fm.height());
    EXPECT_EQ(mark.cx, fm.horizontalAdvance(QString(QChar(0xFFFD)))) << "a replacement mark";
    EXPECT_EQ(two.cx, fm.horizontalAdvance(QString::fromUtf8("\xc3\xa9")));
    EXPECT_EQ(controls.cx, fm.horizontalAdvance(QString::fromUtf8("\u240A\u2409"))) << "control bytes as marks";
}
