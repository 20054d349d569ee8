/*
 * dlgcontrols.cpp - the controls of a dialog template: EDIT (QLineEdit),
 * LISTBOX (QListWidget) and BUTTON (push buttons only, QPushButton), their
 * text kept as bytes, and a list box's entries.
 *
 * Texts are shown as gdi32/text.h says (UTF-8, control bytes as visible
 * marks), so a name holding a newline takes one row of a list box. A list
 * box clips a long entry at its edge, as Win32's does, instead of eliding it.
 */
#include "user32/dlgcontrols.h"
#include "gdi32/text.h"
#include "resources/resources.h"

#include <QLineEdit>
#include <QListWidget>
#include <QAccessible>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

namespace {

const char *const kId = "win32_id";       /* control id */
const char *const kStyle = "win32_style"; /* control style bits */
const char *const kText = "win32_text";   /* control text, raw bytes */

/* LBS_SORT's order: without regard to case, then by the bytes. */
bool item_less(const std::pair<QString, QByteArray> &a, const std::pair<QString, QByteArray> &b)
{
    int c = a.first.compare(b.first, Qt::CaseInsensitive);
    return c != 0 ? c < 0 : a.second < b.second;
}

} // namespace

int control_id(const QWidget *control)
{
    return control->property(kId).toInt();
}

DWORD control_style(const QWidget *control)
{
    return control->property(kStyle).toUInt();
}

QWidget *make_control(const rc::Control &c, QWidget *dlg, const ControlNotify &notify)
{
    QWidget *w = nullptr;
    if (c.cls == "EDIT") {
        auto *e = new QLineEdit(dlg);
        e->setReadOnly(c.style & ES_READONLY);
        e->setFrame(c.style & WS_BORDER);
        /* Typed text becomes the control's bytes. */
        QObject::connect(e, &QLineEdit::textEdited, e, [e](const QString &t) { e->setProperty(kText, t.toUtf8()); });
        w = e;
    } else if (c.cls == "LISTBOX") {
        static const bool accessible = (QAccessible::installFactory(list_accessible), true);
        (void)accessible;
        auto *l = new QListWidget(dlg);
        l->setSelectionMode(QAbstractItemView::SingleSelection);
        l->setFrameShape((c.style & WS_BORDER) ? QFrame::StyledPanel : QFrame::NoFrame);
        /* A Win32 list box clips a long entry at its edge; it never elides. */
        l->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        l->setTextElideMode(Qt::ElideNone);
        l->setVerticalScrollBarPolicy(!(c.style & WS_VSCROLL)           ? Qt::ScrollBarAlwaysOff
                                      : (c.style & LBS_DISABLENOSCROLL) ? Qt::ScrollBarAlwaysOn
                                                                        : Qt::ScrollBarAsNeeded);
        if (c.style & LBS_NOTIFY) {
            QObject::connect(l, &QListWidget::itemDoubleClicked, dlg,
                             [notify, l, id = c.id](QListWidgetItem *) { notify(id, LBN_DBLCLK, l); });
            QObject::connect(l, &QListWidget::currentRowChanged, dlg, [notify, l, id = c.id](int row) {
                if (row >= 0)
                    notify(id, LBN_SELCHANGE, l);
            });
        }
        w = l;
    } else if (c.cls == "BUTTON") {
        /* Only push buttons: check boxes, radio buttons and group boxes are
         * other BS_ types that no template of ours uses. */
        if ((c.style & 0xF) > BS_DEFPUSHBUTTON)
            return nullptr;
        auto *b = new QPushButton(shown_text(QByteArray::fromStdString(c.text)), dlg);
        b->setAutoDefault(false);
        b->setDefault(false);
        QObject::connect(b, &QPushButton::clicked, dlg, [notify, b, id = c.id] { notify(id, BN_CLICKED, b); });
        w = b;
    } else {
        return nullptr;
    }
    w->setProperty(kId, c.id);
    w->setProperty(kStyle, (uint)c.style);
    w->setProperty(kText, QByteArray::fromStdString(c.text));
    w->setFocusPolicy((c.style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
    w->setEnabled(!(c.style & WS_DISABLED));
    return w;
}

QByteArray control_text(const QWidget *control)
{
    return control->property(kText).toByteArray();
}

void set_control_text(QWidget *control, const QByteArray &bytes)
{
    control->setProperty(kText, bytes);
    QString shown = shown_text(bytes);
    if (auto *e = dynamic_cast<QLineEdit *>(control)) {
        e->setText(shown);
        e->setCursorPosition(0); /* a long path shows its start, as an edit control does */
    } else if (auto *b = dynamic_cast<QPushButton *>(control)) {
        b->setText(shown);
    } else if (control->isWindow()) {
        control->setWindowTitle(shown); /* a dialog's caption */
    }
}

void listbox_fill(QListWidget *list, const std::vector<QByteArray> &items)
{
    std::vector<std::pair<QString, QByteArray>> rows;
    rows.reserve(items.size());
    for (const QByteArray &b : items)
        rows.emplace_back(shown_text(b), b);
    if (control_style(list) & LBS_SORT)
        std::stable_sort(rows.begin(), rows.end(), item_less);

    /* Filling is no user action: no LBN_SELCHANGE. */
    QSignalBlocker quiet(list);
    list->clear();
    for (auto &[shown, bytes] : rows) {
        auto *item = new QListWidgetItem(shown);
        item->setData(Qt::UserRole, bytes);
        list->addItem(item);
    }
    list->setCurrentRow(-1);
    /* As after LB_RESETCONTENT: the first entry at the top, whatever the
     * list showed before. */
    list->scrollToTop();
}

QByteArray listbox_item_bytes(const QListWidgetItem *item)
{
    return item->data(Qt::UserRole).toByteArray();
}
