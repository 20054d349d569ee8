/*
 * scrollbar.cpp - the two window scroll bars of a top-level window.
 *
 *   ShowScrollBar     shows or hides SB_HORZ, SB_VERT or SB_BOTH.
 *   EnableScrollBar   ESB_ENABLE_BOTH or ESB_DISABLE_BOTH (any other arrow
 *                     flags disable both arrows); range, page and position
 *                     are kept, and a disabled bar stays visible and sends
 *                     nothing. FALSE when the bar was already so, as Win32.
 *   SetScrollInfo     Win32's rules for what the program sets (a range from
 *                     0 up, a page no larger than it): inclusive range
 *                     nMin..nMax, position from nMin to nMax - nPage + 1.
 *                     Returns the position. Unlike Win32 it never hides,
 *                     shows, enables or disables the bar by itself.
 *   GetScrollInfo     the fields named in fMask; SIF_TRACKPOS gives the thumb's
 *                     position while it is dragged and while SB_THUMBPOSITION
 *                     is handled (32 bits, where the message has 16), else
 *                     the position.
 * Calls on a null or invalid window, or on SB_CTL, fail quietly (0/FALSE).
 *
 * The Win32 state (ScrollBarState) is the truth; the QScrollBar only shows it.
 * A Qt scroll bar action never moves the bar by itself: it reaches the window
 * procedure as WM_HSCROLL/WM_VSCROLL, and the bar moves only when the program
 * sets its position. Clicks on the arrows and the page area, and "top" and
 * "bottom", send SB_LINE*, SB_PAGE*, SB_TOP or SB_BOTTOM followed by
 * SB_ENDSCROLL; dragging the thumb sends SB_THUMBTRACK with the drag
 * position, releasing it SB_THUMBPOSITION and SB_ENDSCROLL. The thumb
 * position travels in the message's high word: 16 bits, as in Win32.
 *
 * A wheel over a bar reaches the window procedure as over the client area,
 * as WM_MOUSEWHEEL (Win32Window::wheel); Qt must not move the bar for it.
 */
#include "user32/scrollbar.h"
#include "user32/window.h"
#include "user32/hwnd.h"

#include <QEvent>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWheelEvent>

#include <algorithm>
#include <climits>

namespace {

ScrollBarState *bar_state(HWND hwnd, int nBar, Win32Window **window)
{
    if (nBar != SB_HORZ && nBar != SB_VERT)
        return nullptr; /* SB_CTL: no scroll-bar controls here */
    Win32Window *w = win32_window(hwnd);
    if (!w)
        return nullptr;
    *window = w;
    return &w->bars[nBar];
}

/* Win32's rule for a bar's position, applied after every change. */
void keep_win32_rules(SCROLLINFO &si)
{
    /* The last position shows the last page whole: nMax - nPage + 1; a page
     * of 0 still shows one position. Then never below the range start; this
     * check comes last, so a range smaller than the page yields nMin. */
    const long long top = (long long)si.nMax - std::max<long long>((long long)si.nPage - 1, 0);
    if (si.nPos > top)
        si.nPos = (int)top;
    if (si.nPos < si.nMin)
        si.nPos = si.nMin;
}

} // namespace

/* The one place where Win32 values become Qt values. */
void sync_scroll_bar(Win32Window *window, int nBar)
{
    const ScrollBarState &s = window->bars[nBar];
    QScrollBar *q = window->client->bar(nBar);

    /* The bar only shows the state: nothing done here may come back from
     * Qt as if the user had moved it. */
    const QSignalBlocker quiet(q);

    /* Qt's maximum is the largest position, where Win32 gives the range end
     * and counts the page inside it: positions stop at nMax - nPage + 1. */
    long long top = (long long)s.si.nMax - std::max<long long>((long long)s.si.nPage - 1, 0);
    /* With nothing to scroll (page as large as the range) Qt still needs a
     * maximum no smaller than its minimum. */
    top = std::max<long long>(top, s.si.nMin);
    q->setRange(s.si.nMin, (int)top);
    /* The page sizes the thumb in both systems; Qt takes an int. */
    q->setPageStep((int)std::min<UINT>(s.si.nPage, INT_MAX));
    q->setSingleStep(1);
    /* Already within nMin..top by keep_win32_rules, so Qt keeps it as is. */
    q->setValue(s.si.nPos);
    /* A disabled Win32 bar stays visible, greyed, and takes no input. */
    q->setEnabled(s.enabled);

    const Qt::ScrollBarPolicy policy = s.shown ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    ClientArea *area = window->client;
    /* Setting a policy lays the area out again; only when it changes. */
    if (nBar == SB_VERT && area->verticalScrollBarPolicy() != policy)
        area->setVerticalScrollBarPolicy(policy);
    if (nBar == SB_HORZ && area->horizontalScrollBarPolicy() != policy)
        area->setHorizontalScrollBarPolicy(policy);
}

void send_scroll(Win32Window *window, int nBar, int code, int thumbpos)
{
    window->send(nBar == SB_VERT ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, thumbpos & 0xFFFF), 0);
}

namespace {

/* A wheel over a bar goes to the window procedure, as over the client. */
class BarWheel : public QObject {
public:
    explicit BarWheel(Win32Window *w) : QObject(w), window_(w) {}

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::Wheel)
            return false;
        window_->wheel(static_cast<QWheelEvent *>(event));
        return true;
    }

private:
    Win32Window *window_;
};

/* SB_THUMBPOSITION with the thumb's whole position readable through
 * SIF_TRACKPOS while the program handles it, then SB_ENDSCROLL. */
void end_thumb(Win32Window *window, int nBar, int pos)
{
    ScrollBarState &s = window->bars[nBar];
    s.si.nTrackPos = pos;
    s.tracking = true;
    send_scroll(window, nBar, SB_THUMBPOSITION, pos);
    s.tracking = false;
    send_scroll(window, nBar, SB_ENDSCROLL);
}

} // namespace

void wire_scroll_bar(Win32Window *window, int nBar)
{
    QScrollBar *q = window->client->bar(nBar);
    /* Qt's context menu would move the bar behind the program's back. */
    q->setContextMenuPolicy(Qt::NoContextMenu);
    q->installEventFilter(new BarWheel(window));

    QObject::connect(q, &QAbstractSlider::actionTriggered, window, [window, nBar, q](int action) {
        ScrollBarState &s = window->bars[nBar];
        const int wanted = q->sliderPosition();
        /* Qt has moved the slider already; a Win32 bar stays where it is
         * until the program sets its position. */
        q->setSliderPosition(s.si.nPos);
        int code;
        switch (action) {
        case QAbstractSlider::SliderSingleStepSub: code = SB_LINEUP; break;
        case QAbstractSlider::SliderSingleStepAdd: code = SB_LINEDOWN; break;
        case QAbstractSlider::SliderPageStepSub: code = SB_PAGEUP; break;
        case QAbstractSlider::SliderPageStepAdd: code = SB_PAGEDOWN; break;
        case QAbstractSlider::SliderToMinimum: code = SB_TOP; break;
        case QAbstractSlider::SliderToMaximum: code = SB_BOTTOM; break;
        case QAbstractSlider::SliderMove:
            if (s.tracking) {
                s.si.nTrackPos = wanted;
                send_scroll(window, nBar, SB_THUMBTRACK, wanted);
            } else {
                end_thumb(window, nBar, wanted); /* moved without a drag: ends at once */
            }
            return;
        default: return;
        }
        send_scroll(window, nBar, code);
        send_scroll(window, nBar, SB_ENDSCROLL);
    });
    QObject::connect(q, &QAbstractSlider::sliderPressed, window, [window, nBar] {
        ScrollBarState &s = window->bars[nBar];
        s.tracking = true;
        s.si.nTrackPos = s.si.nPos;
    });
    QObject::connect(q, &QAbstractSlider::sliderReleased, window, [window, nBar] {
        ScrollBarState &s = window->bars[nBar];
        if (s.tracking)
            end_thumb(window, nBar, s.si.nTrackPos);
    });
}

BOOL WINAPI ShowScrollBar(HWND hWnd, int wBar, BOOL bShow)
{
    Win32Window *w = win32_window(hWnd);
    if (!w || wBar < SB_HORZ || wBar > SB_BOTH || wBar == SB_CTL)
        return FALSE;
    for (int nBar : {SB_HORZ, SB_VERT}) {
        if (wBar == nBar || wBar == SB_BOTH) {
            w->bars[nBar].shown = bShow != FALSE;
            sync_scroll_bar(w, nBar);
        }
    }
    return TRUE;
}

BOOL WINAPI EnableScrollBar(HWND hWnd, UINT wSBflags, UINT wArrows)
{
    Win32Window *w = win32_window(hWnd);
    if (!w || wSBflags > SB_BOTH || wSBflags == SB_CTL)
        return FALSE;
    /* Arrows are not told apart: any disabled arrow disables the bar. */
    const bool enable = wArrows == ESB_ENABLE_BOTH;
    BOOL changed = FALSE;
    for (int nBar : {SB_HORZ, SB_VERT}) {
        if ((int)wSBflags != nBar && wSBflags != SB_BOTH)
            continue;
        ScrollBarState &s = w->bars[nBar];
        if (s.enabled != enable) {
            changed = TRUE;
            s.enabled = enable;
            if (!enable)
                s.tracking = false;
            sync_scroll_bar(w, nBar);
        }
    }
    return changed;
}

int WINAPI SetScrollInfo(HWND hwnd, int nBar, LPCSCROLLINFO lpsi, BOOL)
{
    Win32Window *w = nullptr;
    ScrollBarState *s = bar_state(hwnd, nBar, &w);
    if (!s || !lpsi)
        return 0;
    SCROLLINFO &si = s->si;
    if (lpsi->fMask & SIF_PAGE)
        si.nPage = lpsi->nPage;
    if (lpsi->fMask & SIF_POS)
        si.nPos = lpsi->nPos;
    if (lpsi->fMask & SIF_RANGE) {
        si.nMin = lpsi->nMin;
        si.nMax = lpsi->nMax;
    }
    keep_win32_rules(si);
    if (!s->tracking)
        si.nTrackPos = si.nPos;
    sync_scroll_bar(w, nBar);
    return si.nPos;
}

BOOL WINAPI GetScrollInfo(HWND hwnd, int nBar, LPSCROLLINFO lpsi)
{
    Win32Window *w = nullptr;
    ScrollBarState *s = bar_state(hwnd, nBar, &w);
    if (!s || !lpsi || !(lpsi->fMask & SIF_ALL))
        return FALSE;
    const SCROLLINFO &si = s->si;
    if (lpsi->fMask & SIF_RANGE) {
        lpsi->nMin = si.nMin;
        lpsi->nMax = si.nMax;
    }
    if (lpsi->fMask & SIF_PAGE)
        lpsi->nPage = si.nPage;
    if (lpsi->fMask & SIF_POS)
        lpsi->nPos = si.nPos;
    if (lpsi->fMask & SIF_TRACKPOS)
        lpsi->nTrackPos = s->tracking ? si.nTrackPos : si.nPos;
    return TRUE;
}
