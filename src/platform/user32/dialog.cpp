/*
 * dialog.cpp - modal dialogs from the dialog templates of the program's resources.
 *
 *   DialogBoxParamA   builds a QDialog from the template (rc::find_dialog),
 *                     sends WM_INITDIALOG and runs a modal loop until
 *                     EndDialog; returns EndDialog's value, -1 if the template
 *                     is missing or the dialog cannot be made, 0 at once when
 *                     the program is quitting (as Win32's loop on WM_QUIT).
 *   EndDialog         sets the result; the dialog closes once the procedure
 *                     has returned, and its owner is activated again.
 *   GetDlgItemTextA   a control's text, byte-exact, cut to cchMax - 1.
 * A dialog up when the program quits ends with 0 (modal.h), as Win32's
 * modal loops end on WM_QUIT.
 *
 * Controls (dlgcontrols.cpp): EDIT, LISTBOX, BUTTON (push buttons only).
 * Positions and sizes are dialog units converted through
 * the template's font as Qt substitutes it: x * baseX / 4, y * baseY / 8,
 * baseX the font's average character width, baseY its height. Keyboard as the
 * Win32 dialog manager: Tab/Shift+Tab move through the tab stops in template
 * order; Escape and the close box send IDCANCEL; Enter on a focused push
 * button clicks it, as Win32's dialog manager makes the focused button the
 * default for the moment; elsewhere Enter sends the id of the
 * BS_DEFPUSHBUTTON, else IDOK - Qt's own default-button handling is switched
 * off, so nothing is clicked behind the procedure's back. Notifications: BN_CLICKED, and for LBS_NOTIFY list boxes
 * LBN_DBLCLK and LBN_SELCHANGE (user actions only).
 */
#include "user32/dlgcontrols.h"
#include "user32/hwnd.h"
#include "user32/modal.h"
#include "resources/resources.h"

#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>

#include <algorithm>
#include <cstring>

namespace {

/* What DialogBoxParamA keeps on its own stack, so that the result survives
 * even a dialog destroyed with its owner. */
struct RunState {
    INT_PTR result = 0;
    bool ended = false;
};

class Win32Dialog : public QDialog {
public:
    Win32Dialog(QWidget *owner, DLGPROC proc, RunState *run) : QDialog(owner), proc_(proc), run_(run) {}

    HWND hwnd = NULL;
    std::vector<QWidget *> controls; /* in template order */

    /* Sends one message to the dialog procedure. */
    INT_PTR send(UINT msg, WPARAM wParam, LPARAM lParam)
    {
        INT_PTR r = proc_(hwnd, msg, wParam, lParam);
        /* A quit posted meanwhile ends the modal loop, as WM_QUIT would. */
        if (quit_pending() && !run_->ended)
            end(0);
        return r;
    }

    void command(int id, int code, QWidget *from)
    {
        send(WM_COMMAND, MAKEWPARAM(id, code), (LPARAM)(UINT_PTR)hwnd_of(from));
    }

    void end(INT_PTR result)
    {
        run_->result = result;
        run_->ended = true;
        done(0); /* leaves exec() once the current handler has returned */
    }

    bool ended() const { return run_->ended; }

protected:
    /* Escape (through QDialog) and the close box arrive here: they are the
     * procedure's IDCANCEL, and only EndDialog closes the dialog. */
    void reject() override
    {
        QWidget *cancel = nullptr;
        for (QWidget *c : controls)
            if (control_id(c) == IDCANCEL)
                cancel = c;
        command(IDCANCEL, BN_CLICKED, cancel);
    }

    void keyPressEvent(QKeyEvent *e) override
    {
        bool enter = e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter;
        if (enter && (e->modifiers() & ~Qt::KeypadModifier) == 0) {
            /* Enter is the focused push button, else the default one, else
             * IDOK. */
            int id = IDOK;
            QWidget *from = nullptr;
            for (QWidget *c : controls)
                if (dynamic_cast<QPushButton *>(c) && focusWidget() == c) {
                    id = control_id(c);
                    from = c;
                }
            for (QWidget *c : controls)
                if (!from && dynamic_cast<QPushButton *>(c) && (control_style(c) & 0xF) == BS_DEFPUSHBUTTON) {
                    id = control_id(c);
                    from = c;
                }
            command(id, BN_CLICKED, from);
            return;
        }
        QDialog::keyPressEvent(e);
    }

private:
    DLGPROC proc_;
    RunState *run_;
};

Win32Dialog *dialog_of(HWND hDlg)
{
    QWidget *w = hwnd_widget(hDlg);
    auto *d = dynamic_cast<Win32Dialog *>(w);
    if (!d && w)
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return d;
}

/* Win32's dialog base units for a font: the average width of the letters
 * A-Z a-z (rounded) and the full character height. */
struct BaseUnits {
    int x, y;
};

BaseUnits base_units(const QFont &font)
{
    QFontMetrics fm(font);
    int letters = fm.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    BaseUnits b{(letters / 26 + 1) / 2, fm.height()};
    if (b.x < 1)
        b.x = 1;
    if (b.y < 1)
        b.y = 1;
    return b;
}

int to_px(int du, int base, int per)
{
    return (du * base + per / 2) / per; /* MulDiv rounding */
}

Win32Dialog *build(const rc::Dialog &t, QWidget *owner, DLGPROC proc, RunState *run)
{
    auto *dlg = new Win32Dialog(owner, proc, run);
    dlg->setWindowFlags(
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
        ((t.style & WS_SYSMENU) ? Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint : Qt::WindowFlags()));
    set_control_text(dlg, QByteArray::fromStdString(t.caption));

    QFont font = dlg->font();
    if ((t.style & DS_SETFONT) && !t.fontname.empty()) {
        font = QFont(QString::fromStdString(t.fontname), t.fontsize);
        dlg->setFont(font);
    }
    BaseUnits bu = base_units(font);

    for (const rc::Control &c : t.controls) {
        QWidget *w = make_control(c, dlg, [dlg](int id, int code, QWidget *from) { dlg->command(id, code, from); });
        if (!w) {
            delete dlg;
            return nullptr;
        }
        w->setGeometry(to_px(c.x, bu.x, 4), to_px(c.y, bu.y, 8), to_px(c.cx, bu.x, 4), to_px(c.cy, bu.y, 8));
        dlg->controls.push_back(w);
    }
    /* The template gives the client area; a modal frame is not resizable. */
    dlg->setFixedSize(to_px(t.cx, bu.x, 4), to_px(t.cy, bu.y, 8));
    QPoint origin = owner ? owner->mapToGlobal(QPoint(0, 0)) : QPoint(0, 0);
    dlg->move(origin + QPoint(to_px(t.x, bu.x, 4), to_px(t.y, bu.y, 8)));

    /* Tab order is template order over the tab stops. */
    QWidget *prev = nullptr;
    for (QWidget *w : dlg->controls) {
        if (w->focusPolicy() != Qt::StrongFocus)
            continue;
        if (prev)
            QWidget::setTabOrder(prev, w);
        prev = w;
    }

    dlg->hwnd = hwnd_register(dlg);
    for (QWidget *w : dlg->controls)
        hwnd_register(w);
    return dlg;
}

QWidget *first_tabstop(Win32Dialog *dlg)
{
    for (QWidget *w : dlg->controls)
        if (w->focusPolicy() == Qt::StrongFocus && w->isEnabled())
            return w;
    return nullptr;
}

} // namespace

/* ---- shared with the other USER32 files ---------------------------------------------- */

QWidget *dlg_control(HWND hDlg, int id)
{
    Win32Dialog *dlg = dialog_of(hDlg);
    if (!dlg)
        return nullptr;
    for (QWidget *c : dlg->controls)
        if (control_id(c) == id)
            return c;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE); /* Win32: ERROR_CONTROL_ID_NOT_FOUND */
    return nullptr;
}

/* ---- the calls ------------------------------------------------------------ */

INT_PTR WINAPI DialogBoxParamA(HINSTANCE, LPCSTR lpTemplateName, HWND hWndParent, DLGPROC lpDialogFunc,
                               LPARAM dwInitParam)
{
    if (quit_pending())
        return 0;
    const rc::Dialog *t = rc::find_dialog(lpTemplateName);
    if (!t) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    if (!lpDialogFunc || !qobject_cast<QApplication *>(QCoreApplication::instance())) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    QWidget *owner = nullptr;
    if (hWndParent) {
        owner = hwnd_widget(hWndParent);
        if (!owner)
            return -1; /* ERROR_INVALID_WINDOW_HANDLE is set */
        owner = owner->window();
    }

    RunState run;
    QPointer<Win32Dialog> dlg = build(*t, owner, lpDialogFunc, &run);
    if (!dlg) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    dlg->setWindowModality(Qt::ApplicationModal);

    /* WM_INITDIALOG names the first tab stop; TRUE asks for it to get the focus. */
    QWidget *first = first_tabstop(dlg);
    INT_PTR r = dlg->send(WM_INITDIALOG, (WPARAM)(UINT_PTR)hwnd_of(first), dwInitParam);
    if (dlg && r && first)
        first->setFocus(Qt::OtherFocusReason);

    /* A modal dialog is always shown, WS_VISIBLE or not. */
    if (dlg && !run.ended) {
        dlg->show();
        /* Showing can move the focus; the dialog manager's choice stands. */
        if (r && first && dlg)
            first->setFocus(Qt::OtherFocusReason);
    }
    if (dlg && !run.ended) {
        ModalLoop loop([dlg] {
            if (dlg && !dlg->ended())
                dlg->end(0);
        });
        ModalArrow arrow;
        dlg->exec();
    }

    /* The dialog and its controls go now, so their handles turn invalid; its
     * owner is the active window again, as Win32's dialog manager makes it. */
    delete dlg.data();
    if (QPointer<QWidget> back = owner; back && back->isVisible())
        back->activateWindow();
    return run.ended ? run.result : 0;
}

BOOL WINAPI EndDialog(HWND hDlg, INT_PTR nResult)
{
    Win32Dialog *dlg = dialog_of(hDlg);
    if (!dlg)
        return FALSE;
    dlg->end(nResult);
    return TRUE;
}

UINT WINAPI GetDlgItemTextA(HWND hDlg, int nIDDlgItem, LPSTR lpString, int cchMax)
{
    if (!lpString || cchMax <= 0)
        return 0;
    lpString[0] = '\0';
    QWidget *c = dlg_control(hDlg, nIDDlgItem);
    if (!c)
        return 0;
    QByteArray bytes = control_text(c);
    size_t n = std::min((size_t)bytes.size(), (size_t)cchMax - 1);
    std::memcpy(lpString, bytes.constData(), n);
    lpString[n] = '\0';
    return (UINT)n;
}
