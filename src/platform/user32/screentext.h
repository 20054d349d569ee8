/*
 * screentext.h - the text a window's client area shows, as its program drew
 * it (screentext.cpp): what assistive technology reads of a program that
 * paints its own text, as screen readers on Windows keep a model of the
 * display for such programs.
 */
#ifndef TARVEL_PLATFORM_SCREENTEXT_H
#define TARVEL_PLATFORM_SCREENTEXT_H

#include <QRect>
#include <QString>

#include <map>

class QWidget;

class ScreenText {
public:
    explicit ScreenText(QWidget *area) : area_(area) {}

    /* What a paint does to the picture: text drawn at x, y (a row: it
     * replaces what was drawn at that y); a rectangle filled (the rows whose
     * tops lie in it are gone); the picture moved by dx, dy within `area`. */
    void drawn(int x, int y, const QString &text);
    void filled(const QRect &r);
    void scrolled(int dx, int dy, const QRect &area);

    /* The rows as they stand, top to bottom, one line each. */
    QString text() const;

    /* Tells assistive technology when the text has changed since last told
     * (after each paint and each scroll). */
    void tell();

private:
    QWidget *area_;
    std::map<int, QString> rows_; /* y -> the text of the row there */
    QString told_;
};

class QAccessibleInterface;
/* The accessible interface of a client area `area` showing `screen`. */
QAccessibleInterface *screen_text_accessible(QWidget *area, const ScreenText *screen);

#endif
