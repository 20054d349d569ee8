// USER32 on the real main window: the scroll bars' messages, the cursors
// (the wait cursor, a modal box's own arrow), message boxes (the icon by the
// caption pointer, plain text, the owner), read and answered as shown.
#include "window_fixture.h"

#include <QKeyEvent>
#include <QWheelEvent>

// The wait cursor overrides the application's at once, without an event loop, until restored.
TEST_F(MainWindowTest, WaitCursorUntilRestored)
{
    HCURSOR arrow = LoadCursorA(NULL, IDC_ARROW), wait = LoadCursorA(NULL, IDC_WAIT);
    ASSERT_TRUE(arrow && wait && arrow != wait);
    EXPECT_EQ(view->cursor().shape(), Qt::ArrowCursor) << "the class cursor";
    auto shape = [] {
        return QGuiApplication::overrideCursor() ? QGuiApplication::overrideCursor()->shape() : Qt::ArrowCursor;
    };
    HCURSOR prev = SetCursor(wait);
    EXPECT_TRUE(prev == arrow && GetCursor() == wait && shape() == Qt::WaitCursor);
    EXPECT_EQ(SetCursor(wait), wait) << "setting it twice stacks nothing";

    /* A box up meanwhile shows its own arrow, as its own loop does in Win32
     * (a dialog's: the File/Open test); the wait cursor is back once it has gone. */
    testhooks::answer_message_boxes(nullptr);
    Qt::CursorShape overbox = Qt::BlankCursor;
    BoxWatcher watcher;
    watcher.answer = [&](QMessageBox *b) {
        overbox = shape();
        if (b)
            b->button(QMessageBox::Ok)->click();
    };
    MessageBoxA(hwnd, "busy", "Failure", MB_ICONEXCLAMATION);
    EXPECT_EQ(std::make_pair(overbox, shape()), std::make_pair(Qt::ArrowCursor, Qt::WaitCursor));

    EXPECT_EQ(SetCursor(prev), wait);
    EXPECT_TRUE(!QGuiApplication::overrideCursor() && GetCursor() == arrow);
    EXPECT_EQ(LoadCursorA(GetModuleHandleA(NULL), IDC_WAIT), (HCURSOR)NULL) << "no cursor resources";
}

// The visible bar, the wheel and the keys speak only in scroll messages, and
// nothing moves but where the program puts it: a drag sends SB_THUMBTRACK
// (its position also as SIF_TRACKPOS), the release SB_THUMBPOSITION, a click
// its code, each action then SB_ENDSCROLL; a wheel notch, over the report or
// a bar, is 3 lines (half a notch waits for the other half, Shift goes
// sideways); keys are lines and pages, Home and End the first line and the
// last page. While the lines fit, nothing is sent.
TEST_F(MainWindowTest, BarWheelAndKeysSendScrollMessages)
{
    using M = std::pair<UINT, WPARAM>;
    auto sent = [] {
        std::vector<M> m;
        for (const SeenMessage &s : seen_msgs)
            if (s.msg == WM_VSCROLL || s.msg == WM_HSCROLL)
                m.emplace_back(s.msg, s.wParam);
        return m;
    };
    auto wheel = [&](int dy, Qt::KeyboardModifiers mods = Qt::NoModifier, QWidget *over = nullptr) {
        QWheelEvent ev(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, dy), Qt::NoButton, mods, Qt::NoScrollPhase,
                       false);
        QCoreApplication::sendEvent(over ? over : view, &ev);
    };
    auto key = [&](int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QKeyEvent ev(QEvent::KeyPress, k, mods);
        QCoreApplication::sendEvent(area, &ev);
    };
    set_client_size(400, 9 * gl.rowsperline); /* 10 rows */
    run_events();
    seen_msgs.clear();
    wheel(-120);
    key(Qt::Key_PageDown);
    EXPECT_TRUE(sent().empty()) << "the vertical bar is disabled while the lines fit";

    for (int i = 0; i < 100; ++i)
        llprintf(0.0, "line %d", i);
    run_events();
    QScrollBar *q = qbar(SB_VERT);
    const M end{WM_VSCROLL, SB_ENDSCROLL}, down{WM_VSCROLL, SB_LINEDOWN};
    const struct {
        std::function<void()> act;
        int pos, hpos;
        std::vector<M> sent;
    } steps[] = {
        {[&] { q->setSliderDown(true), q->setSliderPosition(30); },
         30,
         0,
         {{WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 30)}}},
        {[&] { q->setSliderPosition(33), q->setSliderDown(false); },
         33,
         0,
         {{WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 33)}, {WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 33)}, end}},
        {[&] { q->triggerAction(QAbstractSlider::SliderPageStepAdd); }, 43, 0, {{WM_VSCROLL, SB_PAGEDOWN}, end}},
        {[&] { q->triggerAction(QAbstractSlider::SliderToMaximum); }, 43, 0, {{WM_VSCROLL, SB_BOTTOM}, end}},
        {[&] { wheel(-120); }, 46, 0, {down, down, down}},
        {[&] { wheel(-60); }, 46, 0, {}},
        {[&] { wheel(-60); }, 49, 0, {down, down, down}},
        {[&] { wheel(120); }, 46, 0, std::vector<M>(3, {WM_VSCROLL, SB_LINEUP})},
        {[&] { key(Qt::Key_PageDown); }, 56, 0, {{WM_VSCROLL, SB_PAGEDOWN}}},
        {[&] { key(Qt::Key_PageUp); }, 46, 0, {{WM_VSCROLL, SB_PAGEUP}}},
        {[&] { wheel(-120, Qt::ShiftModifier); }, 46, 3, std::vector<M>(3, {WM_HSCROLL, SB_LINERIGHT})},
        {[&] { key(Qt::Key_Left); }, 46, 2, {{WM_HSCROLL, SB_LINELEFT}}},
        {[&] { key(Qt::Key_End, Qt::ControlModifier); }, 90, 2, {}},
        {[&] { key(Qt::Key_Home); }, 0, 2, {}},
        {[&] { wheel(-120, Qt::NoModifier, qbar(SB_HORZ)); }, 3, 2, {down, down, down}},
    };
    for (const auto &s : steps) {
        SCOPED_TRACE(&s - steps);
        seen_msgs.clear();
        s.act();
        EXPECT_EQ(std::vector<int>({gl.nCurPos, gl.hcurpos, q->value()}), std::vector<int>({s.pos, s.hpos, s.pos}));
        EXPECT_EQ(sent(), s.sent);
        SCROLLINFO si{sizeof si, SIF_TRACKPOS, 0, 0, 0, 0, 0};
        EXPECT_TRUE(&s != steps || (GetScrollInfo(hwnd, SB_VERT, &si) && si.nTrackPos == 30)) << "the drag's position";
    }
}

using MessageBoxTest = MainWindowTest;

// mbprintf's real boxes: icon by caption pointer (another "Error" gets none),
// plain text, owned by the window, one OK; without a window (null, or stale)
// no owner; invalid UTF-8 shown as marks; OK is IDOK.
TEST_F(MessageBoxTest, IconByPointerPlainTextAndOwner)
{
    testhooks::answer_message_boxes(nullptr);
    char other[] = "Error";
    const std::pair<const char *, QMessageBox::Icon> cases[] = {
        {err, QMessageBox::Critical}, {fail, QMessageBox::Warning}, {other, QMessageBox::NoIcon}};
    for (const auto &[caption, icon] : cases) {
        BoxWatcher seen;
        mbprintf(caption, "Drive name screwed up <%s> %d", "<b>/x</b> & <i>", 8);
        ASSERT_TRUE(seen.seen) << "no box appeared";
        EXPECT_TRUE(seen.icon == icon && seen.format == Qt::PlainText && seen.parent == top) << caption;
        EXPECT_EQ(seen.title + ": " + seen.text,
                  QString::fromUtf8(caption) + ": Drive name screwed up <<b>/x</b> & <i>> 8");
        EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
    gl.hwnd = NULL;
    BoxWatcher seen;
    mbprintf(err, "bad name <%s>", "caf\xe9");
    EXPECT_EQ(seen.parent, nullptr);
    EXPECT_EQ(seen.text, QString::fromUtf8("bad name <caf\xef\xbf\xbd>"));
    BoxWatcher stale;
    EXPECT_EQ(MessageBoxA((HWND)0x7777, "t", "c", MB_ICONHAND), IDOK);
    EXPECT_TRUE(stale.seen && stale.parent == nullptr);
}

// What reaches the box: "Error" for a null caption, "" for a null text, a
// text cut at 1023; while a quit is pending a box returns 0 at once, unseen.
TEST_F(MessageBoxTest, RequestAsAskedAndQuit)
{
    std::vector<testhooks::MessageBoxRecord> got;
    testhooks::answer_message_boxes([&](const testhooks::MessageBoxRecord &r) {
        got.push_back(r);
        return IDCANCEL;
    });
    EXPECT_EQ(MessageBoxA(hwnd, NULL, NULL, MB_ICONEXCLAMATION), IDCANCEL);
    mbprintf(err, "Path too long <%s>", std::string(2000, 'p').c_str());
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].caption + "|" + got[0].text, "Error|");
    EXPECT_TRUE(got[0].type == MB_ICONEXCLAMATION && got[0].owner == hwnd);
    EXPECT_EQ(got[1].text.size(), 1023u);

    testhooks::answer_message_boxes(nullptr);
    BoxWatcher seen; /* answers a box should one appear anyway */
    PostQuitMessage(0);
    EXPECT_EQ(MessageBoxA(hwnd, "never shown", "c", MB_OK), 0);
    EXPECT_FALSE(seen.seen);
    drain_queue();
}
