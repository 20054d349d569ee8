// The main window: start-up, commands, the message loop's end, closing; the
// window alive during a survey; what assistive technology reads of it.
#include "window_fixture.h"

#include "../src/platform/user32/modal.h"
#include "dialogdriver.h"
#include "temptree.h"

#include <QAccessible>
#include <unistd.h>
#include <QKeyEvent>

#include <QGuiApplication>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>

// Start-up: WM_CREATE then WM_SIZE, both bars set up, title, icon, menus; resizing
// and unknown commands before any survey; gl.hwnd set by every message.
TEST_F(MainWindowTest, StartUp)
{
    ASSERT_GE(seen_msgs.size(), 2u);
    EXPECT_EQ((std::vector<UINT>{seen_msgs[0].msg, seen_msgs[1].msg}), (std::vector<UINT>{WM_CREATE, WM_SIZE}));
    expect_bar(SB_HORZ, 0, 260, 40, 0, true);
    EXPECT_TRUE(!qbar(SB_VERT)->isEnabled() && qbar(SB_VERT)->isVisible()) << "vertical: shown, disabled";
    const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(top->size(), QSize(work.width() * 3 / 4, work.height() * 3 / 4)) << "CW_USEDEFAULT, as Win32 sizes it";
    EXPECT_EQ(top->windowTitle(), QString("Directory Sizes"));
    EXPECT_TRUE(top->windowIcon().availableSizes().contains(QSize(32, 32))) << "the Tarv icon";
    EXPECT_EQ(LoadIconA(GetModuleHandleA(NULL), "NoSuchIcon"), (HICON)NULL);
    std::string menus;
    for (QAction *m : top->menuBar()->actions()) {
        menus += m->text().toStdString() + ":";
        for (QAction *a : m->menu()->actions())
            menus += " " + (a->isSeparator() ? "-" : a->text().toStdString());
        menus += "\n";
    }
    EXPECT_EQ(menus, "&File: &Open - E&xit\n&Help: &About Tarvel\n");

    set_client_size(400, 120); /* resized before any survey: the bar stays disabled */
    EXPECT_FALSE(qbar(SB_VERT)->isEnabled());
    /* A command that is not on the menu does nothing and yields 0. */
    llprintf(-1.0, "kept");
    EXPECT_EQ(SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(999, 0), 0), 0);
    EXPECT_EQ(SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(0, 1), 0), 0);
    EXPECT_TRUE(boxes().empty() && IsWindow(hwnd) && !quit_pending());
    EXPECT_EQ(report_lines(), std::vector<std::string>{"kept"});
    SendMessageA(hwnd, WM_NULL, 0, 0);
    int paints = 0;
    for (const SeenMessage &m : seen_msgs) {
        EXPECT_TRUE(m.glhwndset) << "message " << m.msg;
        paints += m.msg == WM_PAINT;
    }
    EXPECT_GT(paints, 0);
}

/* ---- WinMain with its own message loop ---- */

class WinMainTest : public ReportTest {
protected:
    void TearDown() override
    {
        drain_queue();
        testhooks::forget_window_classes();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        testhooks::answer_message_boxes(nullptr);
        ReportTest::TearDown();
    }
    static QMainWindow *main_window() { return qobject_cast<QMainWindow *>(hwnd_widget(gl.hwnd)); }
    int run_winmain()
    {
        char cmdline[] = "";
        return WinMain(GetModuleHandleA(NULL), NULL, cmdline, SW_SHOWNORMAL);
    }
};

// File/Exit destroys the window and WinMain returns the quit code 0.
TEST_F(WinMainTest, ExitEndsTheLoopWithZero)
{
    QTimer::singleShot(0, [] { menu_action(main_window(), "E&xit")->trigger(); });
    EXPECT_EQ(run_winmain(), 0);
    EXPECT_FALSE(IsWindow(gl.hwnd));
    EXPECT_TRUE(boxes().empty());
}

// WinMain that cannot register its class (here already taken, the name in
// other case) ends at once with 0, silently.
TEST_F(WinMainTest, RegistrationFailureEndsSilently)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = WndProc;
    wc.lpszClassName = "TARV";
    ASSERT_NE(RegisterClassA(&wc), 0);
    EXPECT_EQ(run_winmain(), 0);
    EXPECT_EQ(gl.hwnd, (HWND)NULL) << "no window was made";
    EXPECT_TRUE(boxes().empty());
}

// Help/About shows the About text verbatim, with its caption, no icon, owned
// by the window; closing the main window under it ends the box, the loop,
// and WinMain with 0.
TEST_F(WinMainTest, ClosingTheWindowUnderAMessageBoxEndsCleanly)
{
    testhooks::answer_message_boxes(nullptr);
    QPointer<QMessageBox> shown;
    QWidget *owner = nullptr;
    BoxWatcher box;
    box.answer = [&](QMessageBox *b) {
        shown = b;
        if (QMainWindow *w = main_window())
            (owner = w)->close(); /* the close box */
    };
    QTimer::singleShot(0, [] { menu_action(main_window(), "&About Tarvel")->trigger(); });
    EXPECT_EQ(run_winmain(), 0);
    ASSERT_TRUE(box.seen) << "no message box appeared";
    EXPECT_EQ(box.title, QString("About Tarvel VERS v1.02"));
    EXPECT_EQ(box.text, QString::fromUtf8(abouttext)) << "shown as written, no % processing, not cut";
    EXPECT_TRUE(box.text.startsWith("Display bytes used and wasted in a given directory tree.\nAllows you to see"));
    EXPECT_TRUE(box.text.contains("\nNOTE:- If you are using a disk compression scheme the usage\n"));
    EXPECT_EQ(box.icon, QMessageBox::NoIcon);
    EXPECT_TRUE(owner && box.parent == owner);
    EXPECT_TRUE(shown.isNull() || !shown->isVisible());
    EXPECT_FALSE(IsWindow(gl.hwnd));
}

/* ---- File/Open: the window alive during a survey ---- */

class SurveyWindowTest : public MainWindowTest {
protected:
    TempTree tree;
    std::string old;

    void SetUp() override
    {
        MainWindowTest::SetUp();
        /* Large enough to take a good while: 3000 directories. */
        for (int i = 0; i < 30; i++)
            for (int j = 0; j < 100; j++)
                tree.dir("d" + std::to_string(i) + "/e" + std::to_string(j));
        old = cwd();
        ASSERT_EQ(chdir(tree.root().c_str()), 0);
        /* Each directory takes a moment to read, so that the survey lasts
         * more than half a second however fast the machine. */
        testhooks::before_directory_read([](const char *) { usleep(200); });
    }
    void TearDown() override
    {
        testhooks::before_directory_read(nullptr);
        EXPECT_EQ(chdir(old.c_str()), 0);
        MainWindowTest::TearDown();
    }
    /* File/Open, Select at once. */
    void open_and_select()
    {
        when_dialog_up([](QDialog *dlg) { button(dlg, "Select")->click(); });
        getdirectory();
    }
};

// While the survey runs, the window is disabled, as the owner of a modal box:
// a message posted to it is handled during the scan, as is a paint, and a key
// is not; the report is the one a survey without pauses makes.
TEST_F(SurveyWindowTest, AliveAndDeafDuringASurvey)
{
    int posted = 0, duringscan = 0, keys = 0;
    QTimer poster;
    QObject::connect(&poster, &QTimer::timeout, [&] {
        if (!dgl.busy)
            return;
        PostMessageA(hwnd, WM_USER + 1, 0, 0);
        posted++;
        QKeyEvent key(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
        QCoreApplication::sendEvent(area, &key);
    });
    poster.start(1);
    intercept = [&](HWND, UINT msg) {
        duringscan += msg == WM_USER + 1 && dgl.busy && gl.nNumItems > 0 && !top->isEnabled();
        keys += msg == WM_KEYDOWN;
        return msg == WM_USER + 1;
    };
    open_and_select();
    poster.stop();
    intercept = nullptr;
    EXPECT_GT(posted, 0) << "the scan never let messages through";
    EXPECT_GT(duringscan, 0);
    EXPECT_EQ(keys, 0) << "input during the survey";
    EXPECT_TRUE(top->isEnabled() && !dgl.busy);
    const std::vector<std::string> alive = report_lines();
    survey(tree.root().c_str());
    EXPECT_EQ(alive, report_lines());
    EXPECT_EQ(alive.size(), 3033u + (alive[0].find("larger than") != std::string::npos));
}

// Asked to close during a survey (window managers deliver it to a disabled
// window), the scan stops at the next directory; the lines it appended are
// those of a whole survey, no later one follows, and the window closes.
TEST_F(SurveyWindowTest, CloseEndsTheSurveyAndTheWindow)
{
    survey(tree.root().c_str());
    const std::vector<std::string> whole = report_lines();
    reset_report();
    QTimer closer; /* the close box, once the scan has begun */
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (dgl.busy && gl.nNumItems > 1) {
            closer.stop();
            top->close();
        }
    });
    closer.start(1);
    open_and_select();
    EXPECT_FALSE(IsWindow(hwnd));
    const std::vector<std::string> kept = report_lines();
    EXPECT_GT(kept.size(), 1u);
    EXPECT_LT(kept.size(), whole.size() - 1) << "the survey went on to its end";
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), whole.begin())) << "a line changed";
}

// Assistive technology reads the report as the lines it shows, in order,
// after a paint and after a scroll, under the name "Report".
TEST_F(MainWindowTest, ReportReadAsItsVisibleLines)
{
    set_client_size(400, 4 * gl.rowsperline + gl.rowsperline / 2); /* 4 rows and a half */
    for (int i = 0; i < 20; i++)
        llprintf(-1.0, "line %d", i);
    run_events();
    QAccessibleInterface *report = QAccessible::queryAccessibleInterface(view);
    ASSERT_TRUE(report && report->textInterface());
    EXPECT_EQ(report->text(QAccessible::Name), QString("Report"));
    auto shown = [&] { return report->textInterface()->text(0, report->textInterface()->characterCount()); };
    EXPECT_EQ(shown(), QString("line 0\nline 1\nline 2\nline 3\nline 4"));
    vScroll(SB_LINEDOWN, 0);
    vScroll(SB_PAGEDOWN, 0);
    run_events();
    EXPECT_EQ(shown(), QString("line 6\nline 7\nline 8\nline 9\nline 10"));
}
