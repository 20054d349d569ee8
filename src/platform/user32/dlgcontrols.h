/*
 * dlgcontrols.h - the controls of a dialog made by DialogBoxParamA
 * (dlgcontrols.cpp), as the dialog (dialog.cpp) and the dialog-directory
 * calls (dlgdir.cpp) reach them.
 *
 * A control's text is kept as the bytes the program gave it; the widget shows
 * them as gdi32/text.h says, and GetDlgItemTextA hands the same bytes back.
 * List-box items likewise keep their bytes in Qt::UserRole.
 */
#ifndef TARVEL_PLATFORM_DLGCONTROLS_H
#define TARVEL_PLATFORM_DLGCONTROLS_H

#include <windows.h>

#include <QByteArray>

#include <functional>
#include <vector>

class QListWidget;
class QListWidgetItem;
class QWidget;

namespace rc {
struct Control;
}

/* A notification for the dialog procedure: WM_COMMAND with id and code, from `control`. */
using ControlNotify = std::function<void(int id, int code, QWidget *control)>;

/* The control of one template line, a child of `dlg`, or nullptr for a class
 * that cannot be made. */
QWidget *make_control(const rc::Control &c, QWidget *dlg, const ControlNotify &notify);

int control_id(const QWidget *control);
DWORD control_style(const QWidget *control);

/* The control `id` of dialog `hDlg`, or nullptr (with the last error set)
 * when the handle is no dialog of ours or it has no such control (dialog.cpp). */
QWidget *dlg_control(HWND hDlg, int id);

/* The raw bytes of a window's text, the one store of it for top-level
 * windows, dialogs and controls alike, and a new text for it (a window's or
 * dialog's: its caption, shown as gdi32/text.h says). */
QByteArray control_text(const QWidget *control);
void set_control_text(QWidget *control, const QByteArray &bytes);

/* Replaces a list box's items by `items` (their bytes), in the order of a
 * sorted list box (LBS_SORT: case-insensitive) or as given. No selection
 * remains, no notification is sent and the first item is at the top, as
 * after LB_RESETCONTENT/LB_ADDSTRING. */
void listbox_fill(QListWidget *list, const std::vector<QByteArray> &items);

/* listaccess.cpp: a list box control for assistive technology (a factory
 * for QAccessible::installFactory), its entries' default action the
 * double-click. */
class QAccessibleInterface;
class QObject;
class QString;
QAccessibleInterface *list_accessible(const QString &classname, QObject *object);

/* The bytes of a list-box item. */
QByteArray listbox_item_bytes(const QListWidgetItem *item);

#endif
