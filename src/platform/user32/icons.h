/*
 * icons.h - what an HICON or HCURSOR names inside the layer.
 */
#ifndef TARVEL_PLATFORM_ICONS_H
#define TARVEL_PLATFORM_ICONS_H

#include <windows.h>

#include <QByteArray>
#include <QIcon>

struct HICON__ {
    bool cursor = false; /* LoadCursorA's, else LoadIconA's */
    int shape = 0;       /* Qt::CursorShape of a cursor */
    QByteArray ico;      /* an icon's .ico file; empty for the stock icon */
};

/* The QIcon of an icon handle (needs a QGuiApplication). */
QIcon icon_image(HICON icon);

#endif
