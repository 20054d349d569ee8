/*
 * dialogdriver.h - driving a real modal dialog from inside its own loop, as
 * a person would: keys, clicks and double-clicks sent to its widgets.
 *
 * Usage: when_dialog_up(body) before the call that opens the dialog; body
 * runs once the dialog is the active modal widget. Should the dialog still
 * be open when body returns, the test fails and the dialog is ended, so a
 * failed check never leaves a test hanging.
 */
#ifndef TARVEL_TEST_DIALOGDRIVER_H
#define TARVEL_TEST_DIALOGDRIVER_H

#include <QByteArray>
#include <QString>

#include <functional>
#include <string>
#include <vector>

class QDialog;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QWidget;

void when_dialog_up(std::function<void(QDialog *)> body);

/* The dialog's widgets. */
QLineEdit *path_field(QDialog *dlg);
QListWidget *list_box(QDialog *dlg);
QPushButton *button(QDialog *dlg, const QString &text); /* by its text, "&" ignored */

/* A key pressed and released on `w` (the focus widget when null). */
void press_key(QDialog *dlg, int key, QWidget *w = nullptr);

/* A real double-click with the left button on the item's centre. */
void double_click(QListWidget *list, QListWidgetItem *item);

/* A single click on the item (selects it). */
void click_item(QListWidget *list, QListWidgetItem *item);

/* The items' bytes, in list order, and the item holding `bytes` (or null). */
std::vector<QByteArray> item_bytes(QListWidget *list);
QListWidgetItem *find_item(QListWidget *list, const QByteArray &bytes);

/* Double-clicks the entry `bytes` ("[name]", "[..]", "[-/-]"); false if absent. */
bool enter(QDialog *dlg, const QByteArray &bytes);

/* The list's entries joined with blanks, for failure messages. */
std::string describe_items(QListWidget *list);

#endif
