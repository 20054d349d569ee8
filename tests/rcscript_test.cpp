// The resource script compiled into the layer: menu, dialog template and icon as the layer reads them.
#include <gtest/gtest.h>

#include "../src/platform/resources/rcscript.h"

#include <QByteArray>
#include <QImage>

#include <fstream>
#include <sstream>

// Each resource in one line per item: the menu's texts and ids, the dialog's
// geometry, styles and controls in order; names ignore case, and another
// name or kind finds nothing.
TEST(RcScript, MenuAndDialogAsWritten)
{
    auto hex = [](DWORD v) { std::ostringstream s; s << std::hex << v; return s.str(); };
    std::ostringstream o;
    std::function<void(const std::vector<rc::MenuItem> &, const char *)> menu = [&](auto &items, const char *in) {
        for (const rc::MenuItem &m : items) {
            o << in << (m.separator ? "-" : m.text) << " " << m.id << "\n";
            menu(m.popup, "  ");
        }
    };
    const rc::Menu *m = rc::find_menu("TARV");
    ASSERT_NE(m, nullptr);
    menu(m->items, "");
    const rc::Dialog *d = rc::find_dialog("selectdir");
    ASSERT_NE(d, nullptr);
    o << d->caption << " " << d->x << "," << d->y << " " << d->cx << "x" << d->cy << " " << hex(d->style) << " "
      << hex(d->exstyle) << " " << d->fontname << " " << d->fontsize << "\n";
    for (const rc::Control &c : d->controls)
        o << c.id << " " << c.cls << " '" << c.text << "' " << hex(c.style) << " " << c.x << "," << c.y << " " << c.cx
          << "x" << c.cy << "\n";
    const DWORD cv = WS_CHILD | WS_VISIBLE;
    std::ostringstream want;
    want << "&File 0\n  &Open 101\n  - 0\n  E&xit 100\n&Help 0\n  &About Tarvel 301\n"
         << "Select Directory 20,20 150x110 "
         << hex(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT) << " "
         << hex(WS_EX_DLGMODALFRAME) << " MS Sans Serif 8\n"
         /* the path field is no tab stop; no push button is the default */
         << "401 EDIT '' " << hex(cv | WS_BORDER | ES_AUTOHSCROLL | ES_READONLY) << " 6,5 136x13\n"
         << "402 LISTBOX '' "
         << hex(cv | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT |
                LBS_DISABLENOSCROLL)
         << " 6,20 136x59\n"
         << IDCANCEL << " BUTTON 'Cancel' " << hex(cv | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON) << " 16,86 50x14\n"
         << "403 BUTTON 'Select' " << hex(cv | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER) << " 80,86 50x14\n";
    EXPECT_EQ(o.str(), want.str());

    for (const char *n : {"Tarvel", "", (const char *)nullptr, (const char *)MAKEINTRESOURCE(101)})
        EXPECT_EQ(rc::find_menu(n), nullptr) << (IS_INTRESOURCE(n) ? "(an id)" : n);
    EXPECT_EQ(rc::find_dialog("SelectDi"), nullptr);
    EXPECT_EQ(rc::find_dialog("Tarv"), nullptr) << "a menu is not a dialog";
    EXPECT_EQ(rc::find_icon("Other"), nullptr);
}

// The icon "Tarv" is the bytes of tarvel.ico, an 8-bit 32x32 image that Qt
// decodes to the pixels of tarvel.png, the desktop's icon.
TEST(RcScript, IconIsTheIcoFileAsThePngShowsIt)
{
    const std::string *icon = rc::find_icon("tarv");
    ASSERT_NE(icon, nullptr);
    std::ifstream f(std::string(TARVEL_SOURCE_DIR) + "/resources/tarvel.ico", std::ios::binary);
    EXPECT_TRUE(*icon == std::string(std::istreambuf_iterator<char>(f), {})) << "not resources/tarvel.ico";
    ASSERT_GE(icon->size(), 22u);
    EXPECT_EQ((unsigned char)(*icon)[12], 8u) << "bits per pixel";
    QImage img = QImage::fromData(QByteArray(icon->data(), (qsizetype)icon->size()), "ICO")
                     .convertToFormat(QImage::Format_ARGB32);
    QImage png = QImage(TARVEL_SOURCE_DIR "/resources/tarvel.png").convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(img.size(), QSize(32, 32));
    ASSERT_EQ(png.size(), img.size());
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << "a transparent corner";
    int differing = 0;
    for (int y = 0; y < png.height(); ++y)
        for (int x = 0; x < png.width(); ++x) {
            QRgb a = png.pixel(x, y), b = img.pixel(x, y);
            differing += qAlpha(a) != qAlpha(b) || (qAlpha(a) != 0 && a != b);
        }
    EXPECT_EQ(differing, 0) << "pixels differing between tarvel.png and tarvel.ico";
}
