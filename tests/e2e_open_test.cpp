// File/Open from end to end on the real main window: the menu command, the
// dialog driven to a temporary tree, Select, the survey with its wait cursor
// and message boxes, the report lines and the bars painted; a second survey
// replaces the first.
#include <gtest/gtest.h>

#include "dialogdriver.h"
#include "temptree.h"
#include "window_fixture.h"

#include <QAction>
#include <QCursor>
#include <QDialog>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPushButton>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace {

struct BoxSeen {
    std::string caption, text;
    bool waitCursor;     /* GetCursor() was the wait cursor */
    bool waitOnScreen;   /* Qt's override cursor was the wait cursor */
};

std::string real(const std::string &p)
{
    char buf[PATH_MAX];
    return realpath(p.c_str(), buf) ? std::string(buf) : p;
}

class OpenTest : public MainWindowTest {
protected:
    TempTree tree;
    std::string root;
    std::string savedPath;
    std::vector<BoxSeen> boxesSeen;

    void SetUp() override
    {
        /* No disk checker anywhere on PATH: the survey must fall back. */
        const char *p = getenv("PATH");
        savedPath = p ? p : "";
        setenv("PATH", "/usr/bin:/bin", 1);
        MainWindowTest::SetUp();
        testhooks::answer_message_boxes([this](const testhooks::MessageBoxRecord &r) {
            const QCursor *over = QGuiApplication::overrideCursor();
            boxesSeen.push_back({r.caption, r.text, GetCursor() == LoadCursorA(NULL, IDC_WAIT),
                                 over && over->shape() == Qt::WaitCursor});
            return IDOK;
        });
        tree.file("big/data", 100 * 1024);
        tree.file("small/data", 10 * 1024);
        tree.file("own", 1024);
        tree.dir("start");
        root = real(tree.root());
        ASSERT_EQ(chdir((root + "/start").c_str()), 0);
    }
    void TearDown() override
    {
        if (chdir("/") != 0) ADD_FAILURE() << "chdir /";
        MainWindowTest::TearDown();
        setenv("PATH", savedPath.c_str(), 1);
    }

    /* Chooses File/Open in the menu bar and dispatches the command it posts. */
    void choose_open()
    {
        QAction *open = nullptr;
        for (QAction *menu : top->menuBar()->actions())
            if (menu->menu())
                for (QAction *item : menu->menu()->actions())
                    if (item->text() == "&Open") open = item;
        ASSERT_NE(open, nullptr) << "no File/Open item";
        open->trigger();
        MSG m;
        ASSERT_TRUE(GetMessageA(&m, NULL, 0, 0));
        ASSERT_EQ(m.message, (UINT)WM_COMMAND);
        ASSERT_EQ(LOWORD(m.wParam), 101);
        DispatchMessageA(&m);
    }

    std::string title()
    {
        char buf[MAX_PATH + 64];
        GetWindowTextA(hwnd, buf, sizeof buf);
        return buf;
    }

    std::string drive()
    {
        char buf[MAX_PATH];
        return GetVolumePathNameA(root.c_str(), buf, sizeof buf) ? buf : "(no volume)";
    }

    /* The length of the highlight run that starts at x = 10 in the row of line `i`. */
    int bar_length(const QImage &img, int i)
    {
        int y = i * gl.rowsperline + 2;
        int n = 0;
        for (int x = 10; x < img.width() && QColor(img.pixel(x, y)) == highlight(); ++x) ++n;
        return n;
    }

    int line_index(const std::vector<std::string> &lines, const std::string &prefix)
    {
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].rfind(prefix, 0) == 0) return (int)i;
        return -1;
    }
};

} // namespace

// Open, browse up to the tree, Select: the title, the wait cursor during the
// survey only, the lines in post-order with the chosen directory last, and the bars.
TEST_F(OpenTest, SurveyOfAChosenTree)
{
    bool arrowInDialog = false;
    when_dialog_up([&](QDialog *dlg) {
        arrowInDialog = GetCursor() == LoadCursorA(NULL, IDC_ARROW);
        ASSERT_TRUE(enter(dlg, "[..]")) << describe_items(list_box(dlg));
        button(dlg, "Select")->click();
    });
    choose_open();

    EXPECT_TRUE(arrowInDialog) << "no wait cursor while the user chooses";
    EXPECT_EQ(title(), "Directory Sizes of " + root);
    EXPECT_EQ(GetCursor(), LoadCursorA(NULL, IDC_ARROW)) << "the arrow is back after the survey";
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    ASSERT_EQ(boxesSeen.size(), 1u);
    EXPECT_EQ(boxesSeen[0].caption, "Failure");
    EXPECT_EQ(boxesSeen[0].text, "Using CHKDSK failed, wastage results not valid with FAT32");
    EXPECT_TRUE(boxesSeen[0].waitCursor) << "GetCursor() during the survey";
    EXPECT_TRUE(boxesSeen[0].waitOnScreen) << "the wait cursor on screen during the survey";

    std::vector<std::string> lines = report_lines();
    std::vector<double> bars = report_bars();
    std::string all;
    for (const std::string &l : lines) all += "  " + l + "\n";
    int first = line_index(lines, "Drive " + drive() + " has a cluster size of ");
    ASSERT_GE(first, 0) << all;
    int big = line_index(lines, root + "/big/*.* 100K used, ");
    int small = line_index(lines, root + "/small/*.* 10K used, ");
    int start = line_index(lines, root + "/start/*.* 0K used, ");
    int top = line_index(lines, root + "/*.* 111K used (1K here, 110K sub dir), ");
    EXPECT_GT(big, first) << all;
    EXPECT_GT(small, first) << all;
    EXPECT_GT(start, first) << all;
    EXPECT_EQ(top, (int)lines.size() - 2) << "the chosen directory's line comes last\n" << all;
    EXPECT_EQ(lines.back(), "");
    ASSERT_EQ(lines.size(), (size_t)first + 6) << all;
    EXPECT_EQ(gl.totalbytesused, 111 * 1024.0);
    if (top >= 0 && big >= 0) {
        EXPECT_EQ(bars[top], 111 * 1024.0);
        EXPECT_EQ(bars[big], 100 * 1024.0);
    }
    EXPECT_LT(bars[first], 0.0) << "the heading has no bar";
    EXPECT_EQ(std::string(gl.prevdir), root);

    // Painted: the chosen directory's bar is full (120 + 1 pixels), big's 100/111 of the
    // 120 (the right edge truncated) plus 1, start's 1 pixel.
    QImage img = grab();
    EXPECT_EQ(bar_length(img, top), 121);
    EXPECT_EQ(bar_length(img, big), (int)(120.0 * 100 / 111 + 11) - 10);
    EXPECT_EQ(bar_length(img, start), 1);
    EXPECT_EQ(bar_length(img, first), 0) << "no bar on the heading";
}

// Cancel changes nothing: report, title and cursor stay.
TEST_F(OpenTest, CancelLeavesTheReport)
{
    when_dialog_up([](QDialog *dlg) { button(dlg, "Select")->click(); });
    choose_open();
    std::vector<std::string> before = report_lines();
    std::string titleBefore = title();
    boxesSeen.clear();

    when_dialog_up([](QDialog *dlg) {
        ASSERT_TRUE(enter(dlg, "[..]"));
        button(dlg, "Cancel")->click();
    });
    choose_open();
    EXPECT_EQ(report_lines(), before);
    EXPECT_EQ(title(), titleBefore);
    EXPECT_TRUE(boxesSeen.empty()) << boxesSeen.size() << " boxes";
    EXPECT_EQ(GetCursor(), LoadCursorA(NULL, IDC_ARROW));
}

// A second survey replaces the first report, from the top, under the new title.
TEST_F(OpenTest, SecondSurveyReplacesTheFirst)
{
    when_dialog_up([](QDialog *dlg) {
        ASSERT_TRUE(enter(dlg, "[..]"));
        button(dlg, "Select")->click();
    });
    choose_open();
    ASSERT_GE(gl.nNumItems, 6);
    vScroll(SB_LINEDOWN, 0);
    EXPECT_EQ(gl.nCurPos, 1);

    when_dialog_up([](QDialog *dlg) {
        /* The dialog opens where the last one ended: the tree's root. */
        ASSERT_TRUE(enter(dlg, "[big]")) << describe_items(list_box(dlg));
        button(dlg, "Select")->click();
    });
    choose_open();
    std::vector<std::string> lines = report_lines();
    std::string all;
    for (const std::string &l : lines) all += "  " + l + "\n";
    EXPECT_EQ(title(), "Directory Sizes of " + root + "/big");
    EXPECT_EQ(gl.nCurPos, 0);
    EXPECT_EQ(gl.nNumItems, (int)lines.size());
    ASSERT_GE(lines.size(), 3u) << all;
    EXPECT_EQ(lines[lines.size() - 2].rfind(root + "/big/*.* 100K used, ", 0), 0u) << all;
    EXPECT_EQ(line_index(lines, root + "/small/"), -1) << "nothing of the first survey\n" << all;
    EXPECT_EQ(gl.totalbytesused, 100 * 1024.0);
    EXPECT_EQ(boxesSeen.size(), 2u) << "one fallback box per survey";
    expect_chain_consistent();
}
