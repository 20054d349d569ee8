/*
 * dc.h - GDI32's device context (dc.cpp): what it draws with, and how USER32
 * makes one for a paint and ends it.
 */
#ifndef TARVEL_PLATFORM_DC_H
#define TARVEL_PLATFORM_DC_H

#include <windows.h>

#include <QFont>
#include <QPainter>
#include <QPalette>
#include <QString>

#include <functional>

struct HDC__ {
    QPainter *painter; /* owned; null: drawing goes nowhere */
    QFont font;
    QPalette palette;
    QColor colour(QPalette::ColorRole role) const { return palette.color(QPalette::Active, role); }
    /* Told what is drawn: text at x, y, a rectangle filled (USER32's model
     * of what the window shows, for assistive technology); may be empty. */
    std::function<void(int x, int y, const QString &text)> drawn;
    std::function<void(const QRect &r)> filled;
};

/* A new live context drawing with `painter` (taken over; may be null). */
HDC create_dc(QPainter *painter, const QFont &font, const QPalette &palette);

/* The context if it is live, else null. */
HDC__ *live_dc(HDC hdc);

/* Ends the context's drawing and frees it; false for one that is not live. */
bool delete_dc(HDC hdc);

#endif
