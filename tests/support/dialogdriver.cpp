#include "dialogdriver.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "../../src/platform/user32/dlgcontrols.h"

void when_dialog_up(std::function<void(QDialog *)> body)
{
    auto *poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, body] {
        auto *dlg = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dlg || !dlg->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        QPointer<QDialog> guard(dlg);
        body(dlg);
        if (guard && guard->isVisible()) {
            ADD_FAILURE() << "the dialog is still open after the test's actions; ending it";
            end_dialogs();
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

QPushButton *button(QDialog *dlg, const QString &text)
{
    for (QPushButton *b : dlg->findChildren<QPushButton *>())
        if (QString(b->text()).remove('&') == text) return b;
    return nullptr;
}

void press_key(QDialog *dlg, int key, QWidget *w)
{
    if (!w) w = dlg->focusWidget() ? dlg->focusWidget() : dlg;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    /* The press may have closed the dialog and destroyed `w` with it. */
    if (QApplication::activeModalWidget() == dlg && dlg->isVisible()) {
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(w, &release);
    }
}

static void mouse(QWidget *vp, QEvent::Type type, QPoint p, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(p), QPointF(vp->mapToGlobal(p)), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(vp, &e);
}

void click_item(QListWidget *list, QListWidgetItem *item)
{
    list->scrollToItem(item);
    QWidget *vp = list->viewport();
    QPoint p = list->visualItemRect(item).center();
    mouse(vp, QEvent::MouseButtonPress, p, Qt::LeftButton);
    mouse(vp, QEvent::MouseButtonRelease, p, Qt::NoButton);
}

void double_click(QListWidget *list, QListWidgetItem *item)
{
    list->scrollToItem(item);
    QPointer<QWidget> vp = list->viewport();
    QPoint p = list->visualItemRect(item).center();
    mouse(vp, QEvent::MouseButtonPress, p, Qt::LeftButton);
    mouse(vp, QEvent::MouseButtonRelease, p, Qt::NoButton);
    mouse(vp, QEvent::MouseButtonDblClick, p, Qt::LeftButton);
    if (vp) mouse(vp, QEvent::MouseButtonRelease, p, Qt::NoButton);
}

std::vector<QByteArray> item_bytes(QListWidget *list)
{
    std::vector<QByteArray> out;
    for (int i = 0; i < list->count(); ++i)
        out.push_back(list->item(i)->data(Qt::UserRole).toByteArray());
    return out;
}

QListWidgetItem *find_item(QListWidget *list, const QByteArray &bytes)
{
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->data(Qt::UserRole).toByteArray() == bytes) return list->item(i);
    return nullptr;
}

bool enter(QDialog *dlg, const QByteArray &bytes)
{
    QListWidget *list = list_box(dlg);
    QListWidgetItem *item = list ? find_item(list, bytes) : nullptr;
    if (!item) return false;
    double_click(list, item);
    return true;
}

std::string describe_items(QListWidget *list)
{
    std::string s;
    for (const QByteArray &b : item_bytes(list)) {
        if (!s.empty()) s += ' ';
        s += b.toStdString();
    }
    return s;
}
