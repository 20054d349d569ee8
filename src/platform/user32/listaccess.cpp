/*
 * listaccess.cpp - a dialog's list box for assistive technology.
 *
 * Qt's own items of a list offer only to toggle their selection; a list box
 * entry's default action, as a double-click's, is what the dialog makes of
 * LBN_DBLCLK (the chooser enters the entry). Here each entry is a list item
 * named by its text, selectable, whose first action ("Press") is that
 * double-click; the second selects it.
 */
#include "user32/dlgcontrols.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QListWidget>
#include <QPointer>
#include <QWindow>

#include <map>

namespace {

class ItemAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    ItemAccessible(QListWidget *list, int row) : list_(list), row_(row) {}

    bool isValid() const override { return list_ && row_ < list_->count(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return list_ ? list_->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(list_.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }

    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name && isValid() ? list_->item(row_)->text() : QString();
    }
    void setText(QAccessible::Text, const QString &) override {}

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect r = list_->visualItemRect(list_->item(row_));
        return QRect(list_->viewport()->mapToGlobal(r.topLeft()), r.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.selectable = s.focusable = true;
        if (isValid()) {
            s.selected = list_->item(row_)->isSelected();
            s.focused = list_->hasFocus() && list_->currentRow() == row_;
        }
        return s;
    }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }

    QStringList actionNames() const override { return {pressAction(), toggleAction()}; }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }
    void doAction(const QString &name) override
    {
        if (!isValid())
            return;
        list_->setCurrentRow(row_);
        if (name == pressAction())
            emit list_->itemDoubleClicked(list_->item(row_)); /* the dialog's LBN_DBLCLK */
    }

private:
    QPointer<QListWidget> list_;
    int row_;
};

class ListAccessible : public QAccessibleWidget {
public:
    explicit ListAccessible(QListWidget *list) : QAccessibleWidget(list, QAccessible::List) {}
    ~ListAccessible() override
    {
        for (auto &[row, id] : items_)
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return list()->count(); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= list()->count())
            return nullptr;
        auto it = items_.find(index);
        if (it == items_.end())
            it = items_.emplace(index, QAccessible::registerAccessibleInterface(new ItemAccessible(list(), index)))
                     .first;
        return QAccessible::accessibleInterface(it->second);
    }
    int indexOfChild(const QAccessibleInterface *c) const override
    {
        for (const auto &[row, id] : items_)
            if (QAccessible::accessibleInterface(id) == c)
                return row;
        return -1;
    }

private:
    QListWidget *list() const { return static_cast<QListWidget *>(widget()); }
    mutable std::map<int, QAccessible::Id> items_;
};

} // namespace

QAccessibleInterface *list_accessible(const QString &, QObject *object)
{
    /* Every QListWidget of the layer is a dialog's list box. */
    auto *list = qobject_cast<QListWidget *>(object);
    return list ? new ListAccessible(list) : nullptr;
}
