// File/Open from end to end on the real main window: the menu command, the dialog driven to a
// temporary tree, Select, the survey with its wait cursor and its own disk checker, the report and its bars.
#include <gtest/gtest.h>

#include "dialogdriver.h"
#include "temptree.h"
#include "window_fixture.h"

#include <QAction>
#include <QCursor>
#include <QGuiApplication>
#include <QMenuBar>

#include <cstdlib>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

struct BoxSeen {
    std::string caption, text;
};

std::string all(const std::vector<std::string> &lines)
{
    std::string s;
    for (const std::string &l : lines) s += "  " + l + "\n";
    return s;
}

int line_index(const std::vector<std::string> &lines, const std::string &prefix)
{
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i].rfind(prefix, 0) == 0) return (int)i;
    return -1;
}

class OpenTest : public MainWindowTest {
protected:
    TempTree tree;
    std::string root = real_path(tree.root());

    std::vector<BoxSeen> boxesSeen;

    void SetUp() override
    {
        setenv("TARVEL_SYSTEM_DIR", TARVEL_CHECKER_DIR, 1); /* Tarvel's own disk checker */
        MainWindowTest::SetUp();
        testhooks::answer_message_boxes([this](const testhooks::MessageBoxRecord &r) {
            boxesSeen.push_back({r.caption, r.text});
            return IDOK;
        });
        tree.file("big/data", 100 * 1024);
        tree.file("small/data", 10 * 1024);
        tree.file("own", 1024);
        tree.dir("start");
        ASSERT_EQ(chdir((root + "/start").c_str()), 0);
    }
    void TearDown() override
    {
        EXPECT_EQ(chdir("/"), 0);
        MainWindowTest::TearDown();
        unsetenv("TARVEL_SYSTEM_DIR");
    }

    /* Chooses File/Open in the menu bar and dispatches the command it posts. */
    void choose_open()
    {
        QAction *open = nullptr;
        for (QAction *menu : top->menuBar()->actions())
            for (QAction *item : menu->menu() ? menu->menu()->actions() : QList<QAction *>())
                if (item->text() == "&Open") open = item;
        ASSERT_NE(open, nullptr) << "no File/Open item";
        open->trigger();
        MSG m;
        ASSERT_TRUE(GetMessageA(&m, NULL, 0, 0));
        ASSERT_EQ(m.message, (UINT)WM_COMMAND);
        ASSERT_EQ(LOWORD(m.wParam), 101);
        DispatchMessageA(&m);
    }

    std::string title() { return window_text(hwnd); }

    /* The length of the highlight run that starts at x = 10 in the row of line `i`. */
    int bar_length(const QImage &img, int i)
    {
        int y = i * gl.rowsperline + 2, n = 0;
        for (int x = 10; x < img.width() && QColor(img.pixel(x, y)) == highlight(); ++x) ++n;
        return n;
    }
};

} // namespace

// File/Open, browse, Select: title, cursors, report and bars; then Cancel changes nothing; a second survey replaces.
TEST_F(OpenTest, SurveyCancelAndASecondSurvey)
{
    bool arrowInDialog = false;
    when_dialog_up([&](QDialog *dlg) {
        arrowInDialog = GetCursor() == LoadCursorA(NULL, IDC_ARROW);
        ASSERT_TRUE(enter(dlg, "[..]")) << listing(list_box(dlg));
        button(dlg, "Select")->click();
    });
    choose_open();

    EXPECT_TRUE(arrowInDialog) << "no wait cursor while the user chooses";
    EXPECT_EQ(title(), "Directory Sizes of " + root);
    EXPECT_EQ(GetCursor(), LoadCursorA(NULL, IDC_ARROW)) << "the arrow is back after the survey";
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    EXPECT_TRUE(boxesSeen.empty()) << boxesSeen[0].caption << ": " << boxesSeen[0].text;

    const std::vector<std::string> lines = report_lines();
    const std::vector<double> bars = report_bars();
    char volume[MAX_PATH] = "(no volume)";
    GetVolumePathNameA(root.c_str(), volume, sizeof volume);
    struct statvfs vfs;
    ASSERT_EQ(statvfs(root.c_str(), &vfs), 0);
    const int first = line_index(lines, "Drive " + std::string(volume) + " has a cluster size of " +
                                            std::to_string(vfs.f_frsize) + " bytes"),
              big = line_index(lines, root + "/big/*.* 100K used, "),
              small = line_index(lines, root + "/small/*.* 10K used, "),
              start = line_index(lines, root + "/start/*.* 0K used, "),
              top = line_index(lines, root + "/*.* 111K used (1K here, 110K sub dir), ");
    ASSERT_GE(first, 0) << all(lines);
    for (int i : {big, small, start}) ASSERT_GT(i, first) << all(lines);
    ASSERT_EQ(top, (int)lines.size() - 2) << "the chosen directory's line comes last\n" << all(lines);
    EXPECT_EQ(lines.back(), "");
    ASSERT_EQ(lines.size(), (size_t)first + 6) << all(lines);
    EXPECT_EQ(gl.totalbytesused, 111 * 1024.0);
    EXPECT_EQ(bars[top], 111 * 1024.0);
    EXPECT_EQ(bars[big], 100 * 1024.0);
    EXPECT_LT(bars[first], 0.0) << "the heading has no bar";
    EXPECT_EQ(std::string(gl.prevdir), root);

    // Painted: the chosen directory's bar is full (120 + 1 pixels), big's 100/111 of the
    // 120 (the right edge truncated) plus 1, start's 1 pixel.
    QImage img = grab();
    EXPECT_EQ(bar_length(img, top), 121);
    EXPECT_EQ(bar_length(img, big), (int)(120.0 * 100 / 111 + 11) - 10);
    EXPECT_EQ(bar_length(img, start), 1);
    EXPECT_EQ(bar_length(img, first), 0) << "no bar on the heading";

    // Cancel changes nothing: report, title, scroll position, cursor; no survey.
    vScroll(SB_LINEDOWN, 0);
    ASSERT_EQ(gl.nCurPos, 1);
    boxesSeen.clear();
    when_dialog_up([](QDialog *dlg) {
        ASSERT_TRUE(enter(dlg, "[small]")) << listing(list_box(dlg));
        button(dlg, "Cancel")->click();
    });
    choose_open();
    EXPECT_EQ(report_lines(), lines);
    EXPECT_EQ(title(), "Directory Sizes of " + root);
    EXPECT_EQ(gl.nCurPos, 1);
    EXPECT_TRUE(boxesSeen.empty()) << boxesSeen.size() << " boxes";
    EXPECT_EQ(GetCursor(), LoadCursorA(NULL, IDC_ARROW));

    // A second survey replaces the first report, from the top, under the new title.
    when_dialog_up([](QDialog *dlg) {
        /* The dialog opens where the last one ended: small, left by Cancel. */
        ASSERT_TRUE(enter(dlg, "[..]")) << listing(list_box(dlg));
        ASSERT_TRUE(enter(dlg, "[big]")) << listing(list_box(dlg));
        button(dlg, "Select")->click();
    });
    choose_open();
    const std::vector<std::string> again = report_lines();
    EXPECT_EQ(title(), "Directory Sizes of " + root + "/big");
    EXPECT_EQ(gl.nCurPos, 0);
    EXPECT_EQ(gl.nNumItems, (int)again.size());
    ASSERT_GE(again.size(), 3u) << all(again);
    EXPECT_EQ(again[again.size() - 2].rfind(root + "/big/*.* 100K used, ", 0), 0u) << all(again);
    EXPECT_EQ(line_index(again, root + "/small/"), -1) << "nothing of the first survey\n" << all(again);
    EXPECT_EQ(gl.totalbytesused, 100 * 1024.0);
    EXPECT_TRUE(boxesSeen.empty()) << boxesSeen.size() << " boxes in the second survey";
    expect_chain_consistent();
}
