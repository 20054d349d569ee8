/*
 * icon.cpp - LoadIconA, and the picture behind an icon handle.
 *
 *   LoadIconA    the icon groups of the program's resources (by name or
 *                MAKEINTRESOURCE, without regard to case), and the system's
 *                IDI_APPLICATION; one handle per icon for the life of the
 *                process, as Win32's shared icons.
 */
#include "user32/icons.h"
#include "resources/resources.h"

#include <QApplication>
#include <QBuffer>
#include <QImageReader>
#include <QPixmap>
#include <QStyle>

#include <cctype>
#include <map>
#include <string>

HICON WINAPI LoadIconA(HINSTANCE hInstance, LPCSTR lpIconName)
{
    /* One handle per icon, for the life of the process, as Win32's shared icons. */
    static auto *loaded = new std::map<std::string, HICON__ *>;
    static HICON__ stock;
    if (!hInstance) {
        if (lpIconName == IDI_APPLICATION)
            return &stock;
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return NULL;
    }
    if (!lpIconName) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return NULL;
    }
    std::string key = "#";
    if (IS_INTRESOURCE(lpIconName))
        key += std::to_string((ULONG_PTR)lpIconName);
    else
        key = lpIconName;
    for (char &c : key)
        c = (char)std::toupper((unsigned char)c);
    if (auto it = loaded->find(key); it != loaded->end())
        return it->second;
    const std::string *bytes = rc::find_icon(lpIconName);
    if (!bytes) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return NULL;
    }
    auto *icon = new HICON__;
    icon->ico = QByteArray(bytes->data(), (qsizetype)bytes->size());
    (*loaded)[key] = icon;
    return icon;
}

QIcon icon_image(HICON icon)
{
    if (!icon || icon->cursor)
        return QIcon();
    if (icon->ico.isEmpty())
        return QApplication::style()->standardIcon(QStyle::SP_DesktopIcon);
    /* Every size the icon file holds, for the window system to choose from. */
    QBuffer file(&icon->ico);
    file.open(QIODevice::ReadOnly);
    QImageReader reader(&file, "ICO");
    QIcon sizes;
    for (int i = 0, n = reader.imageCount(); i < n && reader.jumpToImage(i); i++) {
        const QImage image = reader.read();
        if (!image.isNull())
            sizes.addPixmap(QPixmap::fromImage(image));
    }
    return sizes;
}
