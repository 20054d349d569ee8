// The resource script compiled into the layer: menu, dialog template and icon as the layer reads them.
#include <gtest/gtest.h>

#include "../src/platform/resources/rcscript.h"

#include <QByteArray>
#include <QImage>

#include <fstream>
#include <sstream>

namespace {

std::string describe(const rc::MenuItem &m)
{
    std::ostringstream o;
    o << (m.separator ? "SEPARATOR" : "\"" + m.text + "\"") << " id " << m.id << " popup " << m.popup.size();
    return o.str();
}

} // namespace

// The menu "Tarv": File (Open, a separator, Exit) and Help (About), texts and ids in order.
TEST(RcMenu, TarvHasFileAndHelpWithTheirCommands)
{
    const rc::Menu *m = rc::find_menu("Tarv");
    ASSERT_NE(m, nullptr);
    std::vector<std::string> got;
    for (const rc::MenuItem &top : m->items) {
        got.push_back(describe(top));
        for (const rc::MenuItem &item : top.popup) got.push_back("  " + describe(item));
    }
    EXPECT_EQ(got, (std::vector<std::string>{"\"&File\" id 0 popup 3", "  \"&Open\" id 101 popup 0",
                                             "  SEPARATOR id 0 popup 0", "  \"E&xit\" id 100 popup 0",
                                             "\"&Help\" id 0 popup 1", "  \"&About Tarvel\" id 301 popup 0"}));
}

// Names match without regard to case; other names, numeric ids and other kinds find nothing.
TEST(RcLookup, NamesIgnoreCaseAndUnknownNamesAreMissing)
{
    const rc::Menu *menu = rc::find_menu("Tarv");
    const rc::Dialog *dlg = rc::find_dialog("SelectDir");
    const std::string *icon = rc::find_icon("Tarv");
    ASSERT_TRUE(menu && dlg && icon);
    for (const char *n : {"TARV", "tarv"}) EXPECT_EQ(rc::find_menu(n), menu) << n;
    for (const char *n : {"selectdir", "SELECTDIR"}) EXPECT_EQ(rc::find_dialog(n), dlg) << n;
    EXPECT_EQ(rc::find_icon("TARV"), icon);
    for (const char *n : {"Tarvel", "", (const char *)nullptr, (const char *)MAKEINTRESOURCE(101)})
        EXPECT_EQ(rc::find_menu(n), nullptr) << (IS_INTRESOURCE(n) ? "(an id)" : n);
    EXPECT_EQ(rc::find_dialog("SelectDi"), nullptr);
    EXPECT_EQ(rc::find_dialog("Tarv"), nullptr) << "a menu is not a dialog";
    EXPECT_EQ(rc::find_icon("Other"), nullptr);
}

// The "SelectDir" template: geometry, styles, caption, font, and the four controls in order.
TEST(RcDialog, SelectDirTemplate)
{
    const rc::Dialog *d = rc::find_dialog("SelectDir");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ((std::vector<int>{d->x, d->y, d->cx, d->cy}), (std::vector<int>{20, 20, 150, 110}));
    EXPECT_EQ(d->style, (DWORD)(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT))
        << std::hex << d->style;
    EXPECT_EQ(d->exstyle, (DWORD)WS_EX_DLGMODALFRAME) << std::hex << d->exstyle;
    EXPECT_EQ(d->caption, "Select Directory");
    EXPECT_EQ(d->fontsize, 8);
    EXPECT_EQ(d->fontname, "MS Sans Serif");

    const DWORD cv = WS_CHILD | WS_VISIBLE;
    const struct {
        int id;
        const char *cls, *text;
        DWORD style;
        std::vector<int> rect;
    } want[] = {
        /* the path field is no tab stop; no push button is the default */
        {401, "EDIT", "", cv | WS_BORDER | ES_AUTOHSCROLL | ES_READONLY, {6, 5, 136, 13}},
        {402, "LISTBOX", "",
         cv | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_SORT | LBS_NOINTEGRALHEIGHT | LBS_DISABLENOSCROLL,
         {6, 20, 136, 59}},
        {IDCANCEL, "BUTTON", "Cancel", cv | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON, {16, 86, 50, 14}},
        {403, "BUTTON", "Select", cv | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER, {80, 86, 50, 14}},
    };
    ASSERT_EQ(d->controls.size(), std::size(want));
    for (size_t i = 0; i < std::size(want); ++i) {
        const rc::Control &c = d->controls[i];
        EXPECT_EQ(c.id, want[i].id) << "control " << i;
        EXPECT_EQ(c.cls, want[i].cls) << "control " << i;
        EXPECT_EQ(c.text, want[i].text) << "control " << i;
        EXPECT_EQ(c.style, want[i].style) << "control " << i << ": " << std::hex << c.style;
        EXPECT_EQ((std::vector<int>{c.x, c.y, c.cx, c.cy}), want[i].rect) << "control " << i;
    }
}

// The icon "Tarv": the bytes of tarvel.ico, an 8-bit 32x32 image Qt decodes in its colours, the same as tarvel.png.
TEST(RcIcon, TarvIsTheIcoFileAndQtDecodesIt)
{
    const std::string *icon = rc::find_icon("Tarv");
    ASSERT_NE(icon, nullptr);
    std::ifstream f(std::string(TARVEL_SOURCE_DIR) + "/resources/tarvel.ico", std::ios::binary);
    ASSERT_TRUE(f) << "cannot read resources/tarvel.ico";
    std::string onDisk((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_EQ(icon->size(), onDisk.size());
    EXPECT_TRUE(*icon == onDisk) << "embedded icon differs from resources/tarvel.ico";
    ASSERT_GE(icon->size(), 22u);
    EXPECT_EQ((unsigned char)(*icon)[12], 8u) << "bits per pixel";

    QImage img = QImage::fromData(QByteArray(icon->data(), (qsizetype)icon->size()), "ICO")
                     .convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(img.isNull()) << "Qt could not decode the icon";
    EXPECT_EQ(img.size(), QSize(32, 32)) << img.width() << "x" << img.height();
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << "top-left corner should be transparent";
    EXPECT_EQ(qAlpha(img.pixel(31, 31)), 0) << "bottom-right corner should be transparent";
    QRgb folder = img.pixel(26, 26), bar = img.pixel(10, 14);
    EXPECT_EQ(qAlpha(folder), 255);
    EXPECT_GT(qRed(folder), qBlue(folder)) << std::hex << folder << ": folder should be yellow";
    EXPECT_EQ(qAlpha(bar), 255);
    EXPECT_GT(qBlue(bar), qRed(bar)) << std::hex << bar << ": bar should be blue";

    QImage png = QImage(TARVEL_SOURCE_DIR "/resources/tarvel.png").convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(png.size(), img.size()) << "resources/tarvel.png missing or of another size";
    int differing = 0;
    for (int y = 0; y < png.height(); ++y)
        for (int x = 0; x < png.width(); ++x) {
            QRgb a = png.pixel(x, y), b = img.pixel(x, y);
            differing += qAlpha(a) != qAlpha(b) || (qAlpha(a) != 0 && a != b);
        }
    EXPECT_EQ(differing, 0) << "pixels differing between tarvel.png and tarvel.ico";
}
