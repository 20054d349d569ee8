// File/Open from end to end on the real main window: the menu command, the dialog driven to a
// temporary tree, Select, the survey with its wait cursor and its own disk checker, the report.
#include <gtest/gtest.h>

#include "dialogdriver.h"
#include "temptree.h"
#include "window_fixture.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenuBar>

#include <algorithm>
#include <cstdlib>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

class OpenTest : public MainWindowTest {
protected:
    TempTree tree;
    std::string root = real_path(tree.root());

    void SetUp() override
    {
        setenv("TARVEL_SYSTEM_DIR", TARVEL_CHECKER_DIR, 1); /* Tarvel's own disk checker */
        MainWindowTest::SetUp();
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

    /* Chooses File/Open in the menu bar, the dialog driven by `body`, and dispatches the command it posts. */
    void choose_open(std::function<void(QDialog *)> body)
    {
        when_dialog_up(std::move(body));
        QAction *open = nullptr;
        for (QAction *menu : top->menuBar()->actions())
            for (QAction *item : menu->menu() ? menu->menu()->actions() : QList<QAction *>())
                if (item->text() == "&Open") open = item;
        ASSERT_NE(open, nullptr) << "no File/Open item";
        open->trigger();
        MSG m;
        ASSERT_TRUE(GetMessageA(&m, NULL, 0, 0));
        ASSERT_EQ(std::make_pair(m.message, LOWORD(m.wParam)), std::make_pair((UINT)WM_COMMAND, (WORD)101));
        DispatchMessageA(&m);
        EXPECT_EQ(GetCursor(), LoadCursorA(NULL, IDC_ARROW)) << "the arrow is back after the survey";
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_TRUE(boxes().empty()) << boxes()[0].caption << ": " << boxes()[0].text;
    }
};

} // namespace

// File/Open, browse, Select: title, cursors, report and scale; then Cancel
// changes nothing.
TEST_F(OpenTest, SurveyThenCancel)
{
    bool arrowInDialog = false;
    choose_open([&](QDialog *dlg) {
        arrowInDialog = GetCursor() == LoadCursorA(NULL, IDC_ARROW);
        ASSERT_TRUE(enter(dlg, "[..]")) << listing(list_box(dlg));
        button(dlg, "Select")->click();
    });
    EXPECT_TRUE(arrowInDialog) << "no wait cursor while the user chooses";
    EXPECT_EQ(window_text(hwnd), "Directory Sizes of " + root);

    /* The heading from Tarvel's own checker, the three sub-directories in
     * the order listed, the chosen directory's line last; its total the scale. */
    struct statvfs vfs;
    ASSERT_EQ(statvfs(root.c_str(), &vfs), 0);
    std::vector<std::string> lines = report_lines();
    ASSERT_EQ(lines.size(), 6u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[0], "Drive " + mount_point(root) + " has a cluster size of " + std::to_string(vfs.f_frsize) + " bytes");
    std::sort(lines.begin() + 1, lines.begin() + 4);
    EXPECT_EQ(lines[1].substr(0, lines[1].find(" used")), root + "/big/*.* 100K");
    EXPECT_EQ(lines[2].substr(0, lines[2].find(" used")), root + "/small/*.* 10K");
    EXPECT_EQ(lines[3].substr(0, lines[3].find(" used")), root + "/start/*.* 0K");
    EXPECT_EQ(lines[4].substr(0, lines[4].find(", ")), root + "/*.* 111K used (1K here");
    EXPECT_EQ(lines[5], "");
    EXPECT_EQ(gl.totalbytesused, 111 * 1024.0);
    lines = report_lines();

    // Cancel changes nothing: report, title, scroll position; no survey.
    vScroll(SB_LINEDOWN, 0);
    choose_open([](QDialog *dlg) {
        ASSERT_TRUE(enter(dlg, "[small]")) << listing(list_box(dlg));
        button(dlg, "Cancel")->click();
    });
    EXPECT_EQ(report_lines(), lines);
    EXPECT_EQ(window_text(hwnd), "Directory Sizes of " + root);
    EXPECT_EQ(gl.nCurPos, 1);
}
