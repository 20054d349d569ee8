// The main window: start-up, menu and commands, the message loop's end,
// closing, titles and the layer's window calls on bad handles.
#include "window_fixture.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <cstring>

namespace {

const char *const kAboutStart =
    "Display bytes used and wasted in a given directory tree.\n"
    "Allows you to see how much is taken up the subdirectories\n"
    "   and additionally calculates wasted space.  The bar is the\n"
    "   percentage of used space displayed used by this directory\n"
    "   and it's sub-directories.\n"
    "Tarvel knows about OSR2, it cheats and uses CHKDSK's output to\n"
    "   find out the cluster size for wastage calculations.\n"
    "\n"
    "NOTE:- If you are using a disk compression scheme the usage\n"
    "   values can be wildy skewed and the wastage is not valid\n\n";

QAction *menu_action(QMainWindow *w, const QString &text)
{
    for (QAction *a : w->findChildren<QAction *>())
        if (a->text() == text && !a->menu())
            return a;
    return nullptr;
}

std::vector<UINT> messages_only()
{
    std::vector<UINT> m;
    for (const SeenMessage &s : seen_messages())
        m.push_back(s.msg);
    return m;
}

} // namespace

// Start-up: WM_CREATE then WM_SIZE during creation, both bars shown, the
// horizontal one set up, the vertical one disabled while nothing is there.
TEST_F(MainWindowTest, StartUpShowsBothBarsAndSetsUpTheHorizontalOne)
{
    ASSERT_GE(seen_messages().size(), 2u);
    EXPECT_EQ(seen_messages()[0].msg, (UINT)WM_CREATE);
    EXPECT_EQ(seen_messages()[1].msg, (UINT)WM_SIZE);
    expect_bar(SB_HORZ, 0, 260, 40, 0, true);
    EXPECT_FALSE(qbar(SB_VERT)->isEnabled());
    EXPECT_TRUE(qbar(SB_VERT)->isVisible());
    EXPECT_EQ(gl.hwnd, hwnd);
    EXPECT_EQ(gl.nNumItems, 0);

    char title[64];
    EXPECT_EQ(GetWindowTextA(hwnd, title, sizeof title), 15);
    EXPECT_STREQ(title, "Directory Sizes");
    EXPECT_EQ(top->windowTitle(), QString("Directory Sizes"));
    /* The default size leaves a client area of sensible size. */
    EXPECT_GT(view->width(), 300);
    EXPECT_GT(view->height(), 200);
}

// WndProc stores the window in gl.hwnd before handling each message.
TEST_F(MainWindowTest, EveryMessageStoresTheWindowHandle)
{
    set_client_size(300, 200);
    SendMessageA(hwnd, WM_COMMAND, 999, 0);
    SendMessageA(hwnd, WM_NULL, 0, 0);
    ASSERT_GE(seen_messages().size(), 5u);
    for (const SeenMessage &m : seen_messages())
        EXPECT_TRUE(m.glhwndset) << "message " << m.msg;
    /* The paints went through too (the spy clears gl.hwnd before each). */
    EXPECT_NE(std::count_if(seen_messages().begin(), seen_messages().end(),
                            [](const SeenMessage &m) { return m.msg == WM_PAINT; }),
              0);
}

// The menu bar comes from the "Tarv" menu resource: texts, separator, ids.
TEST_F(MainWindowTest, MenuBarFollowsTheResource)
{
    QList<QAction *> bar = top->menuBar()->actions();
    ASSERT_EQ(bar.size(), 2);
    EXPECT_EQ(bar[0]->text(), QString("&File"));
    EXPECT_EQ(bar[1]->text(), QString("&Help"));
    QList<QAction *> file = bar[0]->menu()->actions();
    ASSERT_EQ(file.size(), 3);
    EXPECT_EQ(file[0]->text(), QString("&Open"));
    EXPECT_TRUE(file[1]->isSeparator());
    EXPECT_EQ(file[2]->text(), QString("E&xit"));
    QList<QAction *> help = bar[1]->menu()->actions();
    ASSERT_EQ(help.size(), 1);
    EXPECT_EQ(help[0]->text(), QString("&About Tarvel"));

    /* A chosen item is posted as WM_COMMAND with its id. */
    help[0]->trigger();
    MSG m;
    ASSERT_TRUE(GetMessageA(&m, NULL, 0, 0));
    EXPECT_EQ(m.hwnd, hwnd);
    EXPECT_EQ(m.message, (UINT)WM_COMMAND);
    EXPECT_EQ(LOWORD(m.wParam), 301);
}

// Help/About shows the About text verbatim, with its caption, no icon, owned
// by the main window.
TEST_F(MainWindowTest, AboutShowsItsTextWithoutIcon)
{
    menu_action(top, "&About Tarvel")->trigger();
    MSG m;
    ASSERT_TRUE(GetMessageA(&m, NULL, 0, 0));
    DispatchMessageA(&m);

    ASSERT_EQ(boxes().size(), 1u);
    const auto &box = boxes()[0];
    EXPECT_EQ(box.caption, "About Tarvel VERS v1.02");
    EXPECT_EQ(box.type, (UINT)MB_OK) << "no icon";
    EXPECT_EQ(box.owner, hwnd);
    ASSERT_GT(box.text.size(), std::strlen(kAboutStart));
    EXPECT_EQ(box.text.substr(0, std::strlen(kAboutStart)), kAboutStart);
    const std::string closing = box.text.substr(std::strlen(kAboutStart));
    EXPECT_NE(closing.find("free software"), std::string::npos) << closing;
    EXPECT_NE(closing.find("report problems"), std::string::npos) << closing;
    EXPECT_EQ(std::string(abouttext).find('%'), std::string::npos);
    EXPECT_LT(std::strlen(abouttext), 1024u);
    EXPECT_EQ(box.text, std::string(abouttext));
}

// A command id that is not on the menu does nothing and yields 0.
TEST_F(MainWindowTest, UnknownCommandReturnsZero)
{
    llprintf(-1.0, "kept");
    EXPECT_EQ(SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(999, 0), 0), 0);
    EXPECT_EQ(SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(0, 1), 0), 0);
    EXPECT_TRUE(IsWindow(hwnd));
    EXPECT_TRUE(boxes().empty());
    EXPECT_EQ(report_lines(), std::vector<std::string>{"kept"});
    EXPECT_FALSE(quit_pending());
}

// The close box: WM_CLOSE, whose default destroys the window; WM_DESTROY
// posts the quit, and the handle is invalid from then on.
TEST_F(MainWindowTest, CloseBoxDestroysTheWindowAndQuits)
{
    top->close();
    std::vector<UINT> m = messages_only();
    auto close = std::find(m.begin(), m.end(), (UINT)WM_CLOSE);
    ASSERT_NE(close, m.end());
    ASSERT_NE(close + 1, m.end());
    EXPECT_EQ(*(close + 1), (UINT)WM_DESTROY);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(quit_pending());
    MSG msg;
    EXPECT_FALSE(GetMessageA(&msg, NULL, 0, 0));
    EXPECT_EQ(msg.message, (UINT)WM_QUIT);
    EXPECT_EQ(msg.wParam, 0u);

    /* Calls on the dead handle fail quietly. */
    RECT r{1, 2, 3, 4};
    EXPECT_FALSE(GetClientRect(hwnd, &r));
    EXPECT_EQ(SendMessageA(hwnd, WM_COMMAND, 301, 0), 0);
    EXPECT_FALSE(ShowScrollBar(hwnd, SB_VERT, TRUE));
    EXPECT_FALSE(InvalidateRect(hwnd, NULL, FALSE));
    EXPECT_FALSE(PostMessageA(hwnd, WM_COMMAND, 301, 0));
    EXPECT_TRUE(boxes().empty());
}

// Resizing before any survey keeps the empty report, recomputes the rows
// and leaves the vertical bar disabled.
TEST_F(MainWindowTest, ResizeBeforeAnySurvey)
{
    set_client_size(400, 300);
    const int rows = 300 / gl.rowsperline + 1;
    EXPECT_EQ(gl.nDspLines, rows);
    set_client_size(400, 120);
    EXPECT_EQ(gl.nDspLines, 120 / gl.rowsperline + 1);
    EXPECT_EQ(gl.nNumItems, 0);
    EXPECT_EQ(gl.head, nullptr);
    EXPECT_FALSE(qbar(SB_VERT)->isEnabled());
}

// Titles are bytes: what goes in comes back unchanged, and the window
// shows invalid UTF-8 as replacement marks.
TEST_F(MainWindowTest, TitleKeepsItsBytes)
{
    const char raw[] = "Directory Sizes of /tmp/caf\xe9/\xc3\xa9t\xc3\xa9";
    ASSERT_TRUE(SetWindowTextA(hwnd, raw));
    char back[128];
    EXPECT_EQ(GetWindowTextA(hwnd, back, sizeof back), (int)std::strlen(raw));
    EXPECT_STREQ(back, raw);
    EXPECT_EQ(top->windowTitle(), QString::fromUtf8("Directory Sizes of /tmp/caf\xef\xbf\xbd/\xc3\xa9t\xc3\xa9"));

    /* A short buffer gets as much as fits and its terminator. */
    char small[8];
    EXPECT_EQ(GetWindowTextA(hwnd, small, sizeof small), 7);
    EXPECT_STREQ(small, "Directo");
}

// The window carries the "Tarv" icon from the resource script.
TEST_F(MainWindowTest, WindowShowsTheTarvIcon)
{
    HICON icon = LoadIconA(GetModuleHandleA(NULL), "tarv"); /* names ignore case */
    ASSERT_NE(icon, (HICON)NULL);
    EXPECT_EQ(icon, LoadIconA(GetModuleHandleA(NULL), "Tarv"));
    EXPECT_EQ(LoadIconA(GetModuleHandleA(NULL), "NoSuchIcon"), (HICON)NULL);
    EXPECT_FALSE(top->windowIcon().isNull());
    EXPECT_TRUE(top->windowIcon().availableSizes().contains(QSize(32, 32)))
        << "sizes: " << top->windowIcon().availableSizes().size();
    EXPECT_EQ(GetWindowLongA(hwnd, GWL_HINSTANCE), (LONG)(LONG_PTR)GetModuleHandleA(NULL));
}

// Class registration: a second class of the same name is refused; creation
// with an unknown class fails.
TEST_F(MainWindowTest, ClassRegisteredOnce)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = WndProc;
    wc.lpszClassName = "TARV";
    EXPECT_EQ(RegisterClassA(&wc), 0);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_CLASS_ALREADY_EXISTS);
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                              NULL, NULL, NULL, NULL),
              (HWND)NULL);
}

// The wait cursor overrides the application's cursor at once, without an
// event loop, until the previous cursor is set again.
TEST_F(MainWindowTest, WaitCursorUntilRestored)
{
    HCURSOR arrow = LoadCursorA(NULL, IDC_ARROW), wait = LoadCursorA(NULL, IDC_WAIT);
    ASSERT_NE(arrow, (HCURSOR)NULL);
    ASSERT_NE(wait, (HCURSOR)NULL);
    EXPECT_EQ(view->cursor().shape(), Qt::ArrowCursor) << "the class cursor";
    EXPECT_EQ(GetCursor(), arrow);

    HCURSOR prev = SetCursor(wait);
    EXPECT_EQ(prev, arrow);
    EXPECT_EQ(GetCursor(), wait);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    EXPECT_EQ(SetCursor(wait), wait) << "setting it twice stacks nothing";

    EXPECT_EQ(SetCursor(prev), wait);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(GetCursor(), arrow);
    EXPECT_EQ(LoadCursorA(GetModuleHandleA(NULL), IDC_WAIT), (HCURSOR)NULL) << "no cursor resources";
}

/* ---- WinMain with its own message loop ---- */

class WinMainTest : public ReportTest {
protected:
    void TearDown() override
    {
        drain_queue();
        UnregisterClassA(lpszAppName, NULL);
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
    bool triggered = false;
    QTimer::singleShot(0, [&] {
        QMainWindow *w = main_window();
        ASSERT_NE(w, nullptr);
        QAction *exit = menu_action(w, "E&xit");
        ASSERT_NE(exit, nullptr);
        triggered = true;
        exit->trigger();
    });
    HWND before = NULL;
    const int code = run_winmain();
    before = gl.hwnd;
    EXPECT_TRUE(triggered);
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(IsWindow(before));
    EXPECT_TRUE(boxes().empty());
}

// A second WinMain in the same process cannot register the class again and
// ends at once with 0, silently.
TEST_F(WinMainTest, RegistrationFailureEndsSilently)
{
    WNDCLASSA wc{};
    wc.lpfnWndProc = WndProc;
    wc.lpszClassName = lpszAppName;
    ASSERT_NE(RegisterClassA(&wc), 0);
    EXPECT_EQ(run_winmain(), 0);
    EXPECT_EQ(gl.hwnd, (HWND)NULL) << "no window was made";
    EXPECT_TRUE(boxes().empty());
}

// Closing the main window while a message box is up: the box ends, the loop
// ends, WinMain returns 0.
TEST_F(WinMainTest, ClosingTheWindowUnderAMessageBoxEndsCleanly)
{
    testhooks::answer_message_boxes(nullptr); /* real boxes */
    QPointer<QMessageBox> seenbox;
    QWidget *owner = nullptr;
    QString text;
    QMessageBox::Icon icon = QMessageBox::Critical;

    QTimer::singleShot(0, [] { menu_action(main_window(), "&About Tarvel")->trigger(); });
    QTimer poll;
    int polls = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box && ++polls < 2000)
            return;
        poll.stop();
        if (box) {
            seenbox = box;
            owner = box->parentWidget();
            text = box->text();
            icon = box->icon();
        }
        if (QMainWindow *w = main_window())
            w->close(); /* the close box */
    });
    poll.start(5);

    const int code = run_winmain();
    EXPECT_EQ(code, 0);
    ASSERT_FALSE(text.isEmpty()) << "no message box appeared";
    EXPECT_EQ(text, QString::fromUtf8(abouttext));
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_NE(owner, nullptr);
    EXPECT_TRUE(seenbox.isNull() || !seenbox->isVisible());
    EXPECT_FALSE(IsWindow(gl.hwnd));
}
