/*
 * message.cpp - the thread's message queue.
 *
 *   GetMessageA       returns the next posted message, running the Qt event
 *                     loop until one is there; once none is left and
 *                     PostQuitMessage has been called, WM_QUIT (result 0).
 *                     The window and range filters are honoured for posted
 *                     messages; WM_QUIT passes every filter, as in Win32.
 *   PeekMessageA      lets Qt deliver what is pending (paints, a close, the
 *                     desktop's questions: sent messages, in Win32's terms)
 *                     without waiting, then gives a posted message as
 *                     GetMessageA would, or FALSE; WM_QUIT once the quit is
 *                     pending and nothing else is there.
 *   PostMessageA      queues a message (a null window: a thread message).
 *   SendMessageA      calls the window procedure at once.
 *   DispatchMessageA  calls the procedure of the message's window.
 *   TranslateMessage  FALSE: keys reach windows as WM_KEYDOWN, sent, never
 *                     as characters, so there is nothing to translate.
 *   PostQuitMessage   marks the quit; message boxes and dialogs that are up
 *                     end at once (a dialog with 0, as Cancel).
 * While a modal loop runs (a message box, a dialog), messages posted to the
 * thread are dispatched from that loop, as Win32's modal loops do.
 * Qt's own events become messages in clientarea.cpp, menu.cpp and
 * scrollbar.cpp.
 */
#include "user32/hwnd.h"
#include "user32/modal.h"
#include "user32/window.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPointer>

#include <deque>

namespace {

std::deque<MSG> &queue()
{
    static auto *q = new std::deque<MSG>;
    return *q;
}

int quitcode = 0;
QEventLoop *waiting = nullptr; /* the loop inside GetMessageA, if one runs */

bool wanted(const MSG &m, HWND hWnd, UINT lo, UINT hi)
{
    if (hWnd && m.hwnd != hWnd)
        return false;
    if (lo == 0 && hi == 0)
        return true;
    return m.message >= lo && m.message <= hi;
}

bool modal_loop_running()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) && QApplication::activeModalWidget() != nullptr;
}

/* Takes the news of a posted message to whichever Qt loop is running. */
class Pump : public QObject {
public:
    static const QEvent::Type kind;
    bool woken = false;

protected:
    bool event(QEvent *e) override
    {
        if (e->type() != kind)
            return QObject::event(e);
        woken = false;
        if (modal_loop_running()) {
            /* A modal loop owns the thread for now: deliver what is queued,
             * as Win32's dialog and message-box loops do. */
            while (!queue().empty() && modal_loop_running()) {
                MSG m = queue().front();
                queue().pop_front();
                DispatchMessageA(&m);
            }
        } else if (waiting) {
            waiting->quit();
        }
        return true;
    }
};

const QEvent::Type Pump::kind = static_cast<QEvent::Type>(QEvent::registerEventType());

Pump &pump()
{
    static Pump *p = new Pump;
    return *p;
}

void wake()
{
    if (!QCoreApplication::instance() || pump().woken)
        return;
    pump().woken = true;
    QCoreApplication::postEvent(&pump(), new QEvent(Pump::kind));
}

} // namespace

BOOL WINAPI GetMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax)
{
    if (!lpMsg)
        return -1;
    for (;;) {
        auto &q = queue();
        for (auto it = q.begin(); it != q.end(); ++it) {
            if (wanted(*it, hWnd, wMsgFilterMin, wMsgFilterMax)) {
                *lpMsg = *it;
                q.erase(it);
                return TRUE;
            }
        }
        if (quit_pending() || !QCoreApplication::instance()) {
            /* Without Qt nothing could ever arrive: end the loop as WM_QUIT does. */
            quit_taken();
            *lpMsg = MSG{NULL, WM_QUIT, (WPARAM)quitcode, 0, 0, {0, 0}};
            return FALSE;
        }
        QEventLoop loop;
        QEventLoop *outer = waiting;
        waiting = &loop;
        loop.exec();
        waiting = outer;
    }
}

BOOL WINAPI PeekMessageA(LPMSG lpMsg, HWND hWnd, UINT wMsgFilterMin, UINT wMsgFilterMax, UINT wRemoveMsg)
{
    if (!lpMsg)
        return FALSE;
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    auto &q = queue();
    for (auto it = q.begin(); it != q.end(); ++it) {
        if (wanted(*it, hWnd, wMsgFilterMin, wMsgFilterMax)) {
            *lpMsg = *it;
            if (wRemoveMsg & PM_REMOVE)
                q.erase(it);
            return TRUE;
        }
    }
    if (!quit_pending())
        return FALSE;
    if (wRemoveMsg & PM_REMOVE)
        quit_taken();
    *lpMsg = MSG{NULL, WM_QUIT, (WPARAM)quitcode, 0, 0, {0, 0}};
    return TRUE;
}

BOOL WINAPI TranslateMessage(const MSG *)
{
    return FALSE;
}

LRESULT WINAPI DispatchMessageA(const MSG *lpMsg)
{
    if (!lpMsg || !lpMsg->hwnd)
        return 0;
    return SendMessageA(lpMsg->hwnd, lpMsg->message, lpMsg->wParam, lpMsg->lParam);
}

BOOL WINAPI PostMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    if (hWnd && !hwnd_widget(hWnd))
        return FALSE;
    queue().push_back(MSG{hWnd, Msg, wParam, lParam, 0, {0, 0}});
    wake();
    return TRUE;
}

LRESULT WINAPI SendMessageA(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    Win32Window *w = win32_window(hWnd);
    return w ? w->send(Msg, wParam, lParam) : 0;
}

void WINAPI PostQuitMessage(int nExitCode)
{
    quitcode = nExitCode;
    post_quit();
    wake();
}
