/*
 * dlgcontrols.h - the controls of a dialog made by DialogBoxParamA, as the
 * dialog-directory calls (dlgdir.cpp) reach them.
 *
 * A control's text is kept as the bytes the program gave it; the widget shows
 * them decoded as UTF-8 (invalid bytes as replacement marks), and
 * GetDlgItemTextA hands the same bytes back. List-box items likewise keep
 * their bytes in Qt::UserRole.
 */
#ifndef TARVEL_PLATFORM_DLGCONTROLS_H
#define TARVEL_PLATFORM_DLGCONTROLS_H

#include <windows.h>

#include <QByteArray>
#include <vector>

class QListWidget;
class QListWidgetItem;
class QWidget;

/* The control `id` of dialog `hDlg`, or nullptr (with the last error set)
 * when the handle is no dialog of ours or it has no such control. */
QWidget *dlg_control(HWND hDlg, int id);

/* The bytes a control holds, and a new text for it. */
QByteArray control_text(const QWidget *control);
void set_control_text(QWidget *control, const QByteArray &bytes);

/* Replaces a list box's items by `items` (their bytes), in the order of a
 * sorted list box (LBS_SORT: case-insensitive) or as given. No selection
 * remains and no notification is sent, as after LB_RESETCONTENT/LB_ADDSTRING. */
void listbox_fill(QListWidget *list, const std::vector<QByteArray> &items);

/* The bytes of a list-box item. */
QByteArray listbox_item_bytes(const QListWidgetItem *item);

/* Ends every dialog whose modal loop runs, with 0 (PostQuitMessage). */
void end_dialogs();

#endif
