#include "gdi32/text.h"

QString shown_text(const char *bytes, qsizetype len)
{
    QString s = QString::fromUtf8(bytes, len);
    for (QChar &c : s) {
        const char16_t u = c.unicode();
        if (u < 0x20)
            c = QChar(char16_t(0x2400 + u));
        else if (u == 0x7F)
            c = QChar(char16_t(0x2421));
    }
    return s;
}
