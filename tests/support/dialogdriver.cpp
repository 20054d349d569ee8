#include "dialogdriver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>

#include <climits>
#include <cstdlib>
#include <unistd.h>

#include "../../src/platform/user32/dlgcontrols.h"
#include "../../src/platform/user32/hwnd.h"

void when_dialog_up(std::function<void(QDialog *)> body)
{
    auto *poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, body] {
        auto *dlg = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dlg || !dlg->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        QPointer<QDialog> guard(dlg);
        body(dlg);
        if (guard && guard->isVisible()) {
            ADD_FAILURE() << "the dialog is still open after the test's actions; ending it";
            EndDialog(hwnd_of(guard), 0);
        }
    });
    poll->start();
}

QLineEdit *path_field(QDialog *dlg)
{
    return dlg->findChild<QLineEdit *>();
}
QListWidget *list_box(QDialog *dlg)
{
    return dlg->findChild<QListWidget *>();
}

std::string field_bytes(QDialog *dlg)
{
    return path_field(dlg)->property("win32_text").toByteArray().toStdString();
}

QPushButton *button(QDialog *dlg, const QString &text)
{
    for (QPushButton *b : dlg->findChildren<QPushButton *>())
        if (QString(b->text()).remove('&') == text)
            return b;
    return nullptr;
}

void press_key(QDialog *dlg, int key, QWidget *w)
{
    if (!w)
        w = dlg->focusWidget() ? dlg->focusWidget() : dlg;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    /* The press may have closed the dialog and destroyed `w` with it. */
    if (QApplication::activeModalWidget() == dlg && dlg->isVisible()) {
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(w, &release);
    }
}

static void clicks(QListWidget *list, QListWidgetItem *item, bool twice)
{
    list->scrollToItem(item);
    QPointer<QWidget> vp = list->viewport();
    const QPoint p = list->visualItemRect(item).center();
    auto send = [&](QEvent::Type type, Qt::MouseButtons held) {
        QMouseEvent e(type, QPointF(p), QPointF(vp->mapToGlobal(p)), Qt::LeftButton, held, Qt::NoModifier);
        QApplication::sendEvent(vp, &e);
    };
    send(QEvent::MouseButtonPress, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, Qt::NoButton);
    if (!twice)
        return;
    send(QEvent::MouseButtonDblClick, Qt::LeftButton);
    if (vp)
        send(QEvent::MouseButtonRelease, Qt::NoButton); /* the double-click may have ended the dialog */
}

void click_item(QListWidget *list, QListWidgetItem *item)
{
    clicks(list, item, false);
}
void double_click(QListWidget *list, QListWidgetItem *item)
{
    clicks(list, item, true);
}

QListWidgetItem *find_item(QListWidget *list, const QByteArray &bytes)
{
    for (int i = 0; i < list->count(); ++i)
        if (listbox_item_bytes(list->item(i)) == bytes)
            return list->item(i);
    return nullptr;
}

bool enter(QDialog *dlg, const QByteArray &bytes)
{
    QListWidgetItem *item = list_box(dlg) ? find_item(list_box(dlg), bytes) : nullptr;
    if (item)
        double_click(list_box(dlg), item);
    return item != nullptr;
}

std::string listing(QListWidget *list, bool drives)
{
    std::string s;
    for (int i = 0; list && i < list->count(); ++i) {
        QByteArray b = listbox_item_bytes(list->item(i));
        if (!drives && b.startsWith("[-"))
            continue;
        s += (s.empty() ? "" : " ") + b.toStdString();
    }
    return s;
}

std::string real_path(const std::string &p)
{
    char buf[PATH_MAX];
    return realpath(p.c_str(), buf) ? std::string(buf) : p;
}

std::string cwd()
{
    char buf[PATH_MAX];
    return getcwd(buf, sizeof buf) ? std::string(buf) : std::string("(getcwd failed)");
}

std::string window_text(HWND hwnd)
{
    QWidget *w = hwnd_widget(hwnd);
    return w ? control_text(w).toStdString() : "";
}
