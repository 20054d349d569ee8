/*
 * text.h - how the layer shows the program's bytes: decoded as UTF-8, an
 * invalid byte as the replacement mark U+FFFD, and each control byte (below
 * 32, and 127) as a visible mark of one cell, its Unicode control picture
 * (U+2400 + byte, U+2421 for 127), as Windows draws a glyph its font lacks.
 * A name holding a newline is then one line, told apart from one without.
 */
#ifndef TARVEL_PLATFORM_TEXT_H
#define TARVEL_PLATFORM_TEXT_H

#include <QByteArray>
#include <QString>

QString shown_text(const char *bytes, qsizetype len);

inline QString shown_text(const QByteArray &bytes)
{
    return shown_text(bytes.constData(), bytes.size());
}

#endif
