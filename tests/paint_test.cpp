// Painting the report, checked on pixels read back from the real window: bars, text, the
// horizontal shift, background, metrics from the font; and the GDI calls on bad input.
#include "window_fixture.h"

#include <QFontMetrics>

#include <limits>

class PaintTest : public MainWindowTest {
protected:
    int cy = 0; /* height of a text cell: the font's line height */

    void SetUp() override
    {
        MainWindowTest::SetUp();
        set_client_size(600, 300);
        cy = QFontMetrics(view->font()).height();
    }
    int rpl() const { return gl.rowsperline; }

    /* Where row j's bar ends: the first x from `from` on that is not bar. */
    int bar_end(const QImage &img, int j, int from = 10)
    {
        int x = std::max(from, 0);
        while (x < img.width() && img.pixelColor(x, j * rpl() + cy / 2) == highlight())
            ++x;
        return x;
    }
    /* The leftmost pixel of row j that is neither background nor bar: text. */
    int text_start(const QImage &img, int j)
    {
        for (int x = 0; x < img.width(); ++x)
            for (int y = j * rpl(); y < j * rpl() + cy && y < img.height(); ++y) {
                QColor c = img.pixelColor(x, y);
                if (c != base() && c != highlight() && qGray(c.rgb()) < 160)
                    return x;
            }
        return -1;
    }
};

// Row height and column step are 8/7 of the font's "A", measured again at every paint;
// rows shown are the client height / row height + 1.
TEST_F(PaintTest, RowHeightAndColumnStepFromTheFont)
{
    for (int px : {0, 30}) {
        if (px) {
            QFont big = view->font();
            big.setPixelSize(px);
            view->setFont(big);
            view->update();
            run_events();
        }
        QFontMetrics fm(view->font());
        EXPECT_EQ(gl.rowsperline, fm.height() * 8 / 7) << "font size " << px;
        EXPECT_EQ(gl.colsperchar, fm.horizontalAdvance("A") * 8 / 7) << "font size " << px;
        EXPECT_EQ(gl.nDspLines, 300 / gl.rowsperline + 1) << "font size " << px;
    }
    view->setFont(QFont());
    for (int height : {0, -5}) { /* a row height below 1 counts as 1 */
        gl.rowsperline = height;
        resize();
        EXPECT_EQ(gl.nDspLines, 301) << height;
    }
}

// Bar 10..10 + 120 * value / total + 1 (1 pixel with no total) under the text at 140; no bar: text at 10.
TEST_F(PaintTest, BarsAndTextForEachTotalAndValue)
{
    EXPECT_EQ(pixels(grab(), 0, 300, base(), false), 0) << "an empty report is background";
    llprintf(0, "HHH");
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    const int none = 0, border = -1;
    const struct {
        double total, value;
        int end;
    } cases[] = {
        {1000, 0, 11},     {1000, 500, 71},   {1000, 1000, 131},  {7, 1, 28} /* 28.14 */,
        {1000, -1, none},  {1000, nan, none}, {1000, -0.5, none}, {0, 0, 11},
        {0, 500, 11},      {0, 1e12, 11},     {0, -1, none},      {inf, inf, 11} /* no size: 1 pixel */,
        {1, 1e15, border}, {1, inf, border},  {1, 4e9, border},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("total " + std::to_string(c.total) + ", value " + std::to_string(c.value));
        gl.totalbytesused = c.total;
        gl.head->bytesused = c.value;
        const QImage img = grab();
        const int t = text_start(img, 0);
        EXPECT_EQ(pixels(img, rpl(), 300, base(), false), 0) << "below the last line";
        if (c.end == none) {
            EXPECT_EQ(pixels(img, 0, cy + 1, highlight()), 0) << "no bar";
            EXPECT_TRUE(t >= 10 && t <= 13) << "text at " << t;
            continue;
        }
        EXPECT_TRUE(t >= 140 && t <= 143) << "text at " << t;
        EXPECT_NE(img.pixelColor(9, 1), highlight());
        EXPECT_EQ(img.pixelColor(10, 0), highlight()) << "bar top";
        EXPECT_EQ(img.pixelColor(10, cy), highlight()) << "bar bottom";
        EXPECT_TRUE(rpl() <= cy + 1 || img.pixelColor(10, cy + 1) == base()) << "gap below";
        EXPECT_EQ(bar_end(img, 0), c.end == border ? 140 : c.end);
        if (c.end != border)
            continue;
        const int cx = QFontMetrics(view->font()).horizontalAdvance("HHH"); /* the text's cell */
        EXPECT_EQ(img.pixelColor(img.width() - 1, 1), highlight()) << "to the border";
        EXPECT_EQ(img.pixelColor(140 + cx, 1), highlight()) << "right of the cell";
        EXPECT_EQ(img.pixelColor(141, cy), highlight()) << "below the cell";
        for (int x = 140; x < 140 + cx; ++x)
            for (int y = 0; y < cy; ++y)
                ASSERT_NE(img.pixelColor(x, y), highlight()) << "the opaque cell covers the bar at " << x << "," << y;
    }
}

// The horizontal position shifts everything left by hcurpos * colsperchar.
TEST_F(PaintTest, HorizontalShiftMovesBarsAndText)
{
    gl.totalbytesused = 1000;
    llprintf(1000, "HHH");
    llprintf(-1.0, "HHHHHHHHHHHH");
    SendMessageA(hwnd, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 5), 0);
    ASSERT_EQ(gl.hcurpos, 5);
    const int shift = 5 * gl.colsperchar;
    QImage img = grab();
    EXPECT_EQ(bar_end(img, 0, 0), 10 - shift + 121);
    EXPECT_EQ(img.pixelColor(0, 1), highlight()) << "the bar starts left of the client area";
    const int t = text_start(img, 0);
    EXPECT_TRUE(t >= 140 - shift && t <= 143 - shift) << "text at " << t << ", shift " << shift;
    EXPECT_LE(text_start(img, 1), 3) << "the unbarred text starts left of the area";
}
