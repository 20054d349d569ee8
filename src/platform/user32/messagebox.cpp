/*
 * messagebox.cpp - MessageBoxA, and its seam.
 *
 * MessageBoxA   a modal QMessageBox owned by hWnd's window (none when hWnd is
 *               null or invalid) with one OK button; returns IDOK.
 *               Differences from Win32:
 *               - only MB_ICONHAND (stop) and MB_ICONEXCLAMATION (warning)
 *                 give an icon; every other type is a plain box;
 *               - the text is always plain text, shown decoded as UTF-8
 *                 (invalid bytes as replacement marks), never as markup;
 *               - when a quit is pending it returns 0 at once, as a Win32
 *                 box whose loop meets WM_QUIT ends before it is answered;
 *               - without a QApplication no box can be made: 0, as when
 *                 Win32 cannot make one. (The headless tool has message
 *                 boxes of its own and never links this file.)
 * Tests may answer boxes instead of showing them (seams.h).
 */
#include <windows.h>

#include "seams.h"
#include "user32/hwnd.h"
#include "user32/modal.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace {

QMessageBox::Icon icon_for(UINT uType)
{
    switch (uType & MB_ICONMASK) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    default: return QMessageBox::NoIcon;
    }
}

int show_box(QWidget *owner, const char *text, const char *caption, UINT uType)
{
    /* Created on the heap: an owner destroyed while the box is up takes the
     * box with it, and the QPointer then says so. */
    QPointer<QMessageBox> box = new QMessageBox(owner ? owner->window() : nullptr);
    box->setWindowTitle(QString::fromUtf8(caption));
    box->setTextFormat(Qt::PlainText);
    box->setText(QString::fromUtf8(text));
    box->setIcon(icon_for(uType));
    box->setStandardButtons(QMessageBox::Ok);
    box->setDefaultButton(QMessageBox::Ok);

    {
        ModalLoop loop([box] {
            if (box)
                box->done(QMessageBox::Ok);
        });
        ModalArrow arrow;
        box->exec();
    }
    delete box.data();
    return quit_pending() ? 0 : IDOK;
}

} // namespace

namespace seams {
int (*message_box)(HWND, const char *, const char *, UINT) = nullptr;
}

int WINAPI MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType)
{
    const char *text = lpText ? lpText : "";
    const char *caption = lpCaption ? lpCaption : "Error"; /* Win32's default caption */

    if (seams::message_box)
        return seams::message_box(hWnd, text, caption, uType);
    if (quit_pending())
        return 0;
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    /* A null or stale owner gives a box without an owner, as in Win32. */
    QWidget *owner = hWnd ? hwnd_widget(hWnd) : nullptr;
    return show_box(owner, text, caption, uType);
}
