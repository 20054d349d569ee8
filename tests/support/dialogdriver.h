/* dialogdriver.h - driving a real modal dialog from inside its own loop, as a person would.
 * when_dialog_up(body) before the call that opens the dialog: body runs once it is the active
 * modal widget; a dialog still open when body returns fails the test and is ended. */
#ifndef TARVEL_TEST_DIALOGDRIVER_H
#define TARVEL_TEST_DIALOGDRIVER_H

#include <windows.h>

#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <functional>
#include <string>

void when_dialog_up(std::function<void(QDialog *)> body);

QLineEdit *path_field(QDialog *dlg);
std::string field_bytes(QDialog *dlg); /* the path field's raw bytes */
QListWidget *list_box(QDialog *dlg);
QPushButton *button(QDialog *dlg, const QString &text); /* by its text, "&" ignored */

/* A key pressed and released on `w` (the focus widget when null). */
void press_key(QDialog *dlg, int key, QWidget *w = nullptr);

/* A real left click, or double-click, on the item's centre. */
void click_item(QListWidget *list, QListWidgetItem *item);
void double_click(QListWidget *list, QListWidgetItem *item);

/* The item holding `bytes`, or null; enter() double-clicks it, false if absent. */
QListWidgetItem *find_item(QListWidget *list, const QByteArray &bytes);
bool enter(QDialog *dlg, const QByteArray &bytes);

/* The entries' bytes joined with blanks; drive entries "[-...-]" left out unless asked for. */
std::string listing(QListWidget *list, bool drives = true);

std::string real_path(const std::string &p);
std::string cwd();
std::string window_text(HWND hwnd);

#endif
