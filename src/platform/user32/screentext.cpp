/*
 * screentext.cpp - the text a client area shows (screentext.h), and how
 * assistive technology reads it.
 *
 * The client area is one block of text for assistive technology, named
 * "Report": its rows in order, one line each, as they are on screen after
 * every paint and scroll. USER32 tells the model what each paint draws
 * (TextOutA through the device context, FillRect) and how ScrollWindowEx
 * moves the picture.
 */
#include "user32/screentext.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>

#include <algorithm>
#include <iterator>

void ScreenText::drawn(int, int y, const QString &text)
{
    rows_[y] = text;
}

void ScreenText::filled(const QRect &r)
{
    for (auto it = rows_.lower_bound(r.top()); it != rows_.end() && it->first <= r.bottom();)
        it = rows_.erase(it);
}

void ScreenText::scrolled(int, int dy, const QRect &area)
{
    if (dy == 0)
        return;
    std::map<int, QString> moved;
    for (auto &[y, text] : rows_) {
        if (y < area.top() || y > area.bottom()) {
            moved[y] = std::move(text);
        } else if (y + dy >= area.top() && y + dy <= area.bottom()) {
            moved[y + dy] = std::move(text); /* moved out of the area: gone */
        }
    }
    rows_ = std::move(moved);
}

QString ScreenText::text() const
{
    QStringList lines;
    for (const auto &[y, text] : rows_)
        if (y + 1 > 0 && y < area_->height())
            lines << text;
    return lines.join('\n');
}

void ScreenText::tell()
{
    const QString now = text();
    if (now == told_)
        return;
    told_ = now;
    if (QAccessible::isActive()) {
        QAccessibleTextUpdateEvent event(area_, 0, QString(), now);
        QAccessible::updateAccessibility(&event);
    }
}

namespace {

/* The client area for assistive technology: a block of static text. */
class ReportAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    ReportAccessible(QWidget *area, const ScreenText *screen)
        : QAccessibleWidget(area, QAccessible::StaticText), screen_(screen)
    {
    }

    void *interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return QStringLiteral("Report");
        if (t == QAccessible::Value)
            return screen_->text();
        return QAccessibleWidget::text(t);
    }

    /* Read only: no caret, no selection. */
    void selection(int, int *start, int *end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int start, int end) const override
    {
        const QString all = screen_->text();
        start = std::clamp(start, 0, (int)all.size());
        end = end < 0 ? (int)all.size() : std::clamp(end, start, (int)all.size());
        return all.mid(start, end - start);
    }
    int characterCount() const override { return (int)screen_->text().size(); }
    QRect characterRect(int) const override { return QRect(); }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int *start, int *end) const override
    {
        *start = *end = offset;
        return QString();
    }

private:
    const ScreenText *screen_;
};

} // namespace

QAccessibleInterface *screen_text_accessible(QWidget *area, const ScreenText *screen)
{
    return new ReportAccessible(area, screen);
}
