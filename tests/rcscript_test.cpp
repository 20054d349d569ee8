// The resource script compiled into the layer: menu, dialog template and icon
// as the window and dialog code read them.
#include <gtest/gtest.h>

#include "../src/platform/resources/rcscript.h"

#include <QByteArray>
#include <QIcon>
#include <QImage>

#include <fstream>
#include <sstream>

namespace {

std::string describe(const rc::MenuItem &m)
{
    std::ostringstream o;
    o << (m.separator ? "SEPARATOR" : "\"" + m.text + "\"") << " id " << m.id
      << " popup " << m.popup.size();
    return o.str();
}

} // namespace

// The menu "Tarv": two pull-downs with the command texts and ids in order.
TEST(RcMenu, TarvHasFileAndHelpWithTheirCommands)
{
    const rc::Menu *m = rc::find_menu("Tarv");
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->items.size(), 2u);

    const rc::MenuItem &file = m->items[0];
    EXPECT_EQ(file.text, "&File");
    ASSERT_EQ(file.popup.size(), 3u);
    EXPECT_EQ(file.popup[0].text, "&Open") << describe(file.popup[0]);
    EXPECT_EQ(file.popup[0].id, 101) << describe(file.popup[0]);
    EXPECT_FALSE(file.popup[0].separator);
    EXPECT_TRUE(file.popup[1].separator) << describe(file.popup[1]);
    EXPECT_EQ(file.popup[1].id, 0) << describe(file.popup[1]);
    EXPECT_EQ(file.popup[2].text, "E&xit") << describe(file.popup[2]);
    EXPECT_EQ(file.popup[2].id, 100) << describe(file.popup[2]);

    const rc::MenuItem &help = m->items[1];
    EXPECT_EQ(help.text, "&Help");
    ASSERT_EQ(help.popup.size(), 1u);
    EXPECT_EQ(help.popup[0].text, "&About Tarvel") << describe(help.popup[0]);
    EXPECT_EQ(help.popup[0].id, 301) << describe(help.popup[0]);
}

// Names match without regard to case; unknown names and numeric ids find nothing.
TEST(RcMenu, NamesIgnoreCaseAndUnknownNamesAreMissing)
{
    EXPECT_EQ(rc::find_menu("TARV"), rc::find_menu("Tarv"));
    EXPECT_EQ(rc::find_menu("tarv"), rc::find_menu("Tarv"));
    EXPECT_EQ(rc::find_menu("Tarvel"), nullptr);
    EXPECT_EQ(rc::find_menu(""), nullptr);
    EXPECT_EQ(rc::find_menu(nullptr), nullptr);
    EXPECT_EQ(rc::find_menu(MAKEINTRESOURCE(101)), nullptr);
    EXPECT_EQ(rc::find_dialog("Tarv"), nullptr) << "a menu is not a dialog";
}

// The "SelectDir" template: found in any case, with its geometry, styles, caption and font.
TEST(RcDialog, SelectDirTemplateHeader)
{
    const rc::Dialog *d = rc::find_dialog("SelectDir");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(rc::find_dialog("selectdir"), d);
    EXPECT_EQ(rc::find_dialog("SELECTDIR"), d);
    EXPECT_EQ(rc::find_dialog("SelectDi"), nullptr);

    EXPECT_EQ(d->x, 20);
    EXPECT_EQ(d->y, 20);
    EXPECT_EQ(d->cx, 150);
    EXPECT_EQ(d->cy, 110);
    EXPECT_EQ(d->style, (DWORD)(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT))
        << std::hex << d->style;
    EXPECT_EQ(d->exstyle, (DWORD)WS_EX_DLGMODALFRAME) << std::hex << d->exstyle;
    EXPECT_EQ(d->caption, "Select Directory");
    EXPECT_EQ(d->fontsize, 8);
    EXPECT_EQ(d->fontname, "MS Sans Serif");
}

// The four controls in template order, with ids (from resource.h and IDCANCEL), classes and styles.
TEST(RcDialog, SelectDirControlsInOrder)
{
    const rc::Dialog *d = rc::find_dialog("SelectDir");
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->controls.size(), 4u);
    const DWORD cv = WS_CHILD | WS_VISIBLE;

    const rc::Control &path = d->controls[0];
    EXPECT_EQ(path.id, 401);
    EXPECT_EQ(path.cls, "EDIT");
    EXPECT_EQ(path.text, "");
    EXPECT_EQ(path.style, (DWORD)(cv | WS_BORDER | ES_AUTOHSCROLL | ES_READONLY)) << std::hex << path.style;
    EXPECT_EQ(path.style & WS_TABSTOP, 0u) << "the path field is no tab stop";
    EXPECT_EQ((std::vector<int>{path.x, path.y, path.cx, path.cy}), (std::vector<int>{6, 5, 136, 13}));

    const rc::Control &list = d->controls[1];
    EXPECT_EQ(list.id, 402);
    EXPECT_EQ(list.cls, "LISTBOX");
    EXPECT_EQ(list.style, (DWORD)(cv | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_SORT |
                                  LBS_NOINTEGRALHEIGHT | LBS_DISABLENOSCROLL))
        << std::hex << list.style;
    EXPECT_EQ((std::vector<int>{list.x, list.y, list.cx, list.cy}), (std::vector<int>{6, 20, 136, 59}));

    const rc::Control &cancel = d->controls[2];
    EXPECT_EQ(cancel.id, IDCANCEL);
    EXPECT_EQ(cancel.cls, "BUTTON");
    EXPECT_EQ(cancel.text, "Cancel");
    EXPECT_EQ(cancel.style, (DWORD)(cv | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON)) << std::hex << cancel.style;
    EXPECT_EQ(cancel.style & BS_DEFPUSHBUTTON, 0u) << "no default push button";
    EXPECT_EQ((std::vector<int>{cancel.x, cancel.y, cancel.cx, cancel.cy}), (std::vector<int>{16, 86, 50, 14}));

    const rc::Control &select = d->controls[3];
    EXPECT_EQ(select.id, 403);
    EXPECT_EQ(select.cls, "BUTTON");
    EXPECT_EQ(select.text, "Select");
    EXPECT_EQ(select.style, (DWORD)(cv | WS_TABSTOP | BS_PUSHBUTTON | BS_CENTER)) << std::hex << select.style;
    EXPECT_EQ((std::vector<int>{select.x, select.y, select.cx, select.cy}), (std::vector<int>{80, 86, 50, 14}));
}

// The icon "Tarv" is the bytes of resources/tarvel.ico, found in any case.
TEST(RcIcon, TarvIsTheIcoFile)
{
    const std::string *icon = rc::find_icon("Tarv");
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(rc::find_icon("TARV"), icon);
    EXPECT_EQ(rc::find_icon("Other"), nullptr);

    std::ifstream f(std::string(TARVEL_SOURCE_DIR) + "/resources/tarvel.ico", std::ios::binary);
    ASSERT_TRUE(f) << "cannot read resources/tarvel.ico";
    std::string onDisk((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    EXPECT_EQ(icon->size(), onDisk.size());
    EXPECT_TRUE(*icon == onDisk) << "embedded icon differs from resources/tarvel.ico";
}

// Qt reads the icon as one 32x32 image: transparent corners, the folder and a bar in their colours.
TEST(RcIcon, QtLoadsThe32x32Image)
{
    const std::string *icon = rc::find_icon("Tarv");
    ASSERT_NE(icon, nullptr);
    QByteArray bytes(icon->data(), (qsizetype)icon->size());
    ASSERT_GE(bytes.size(), 22) << "icon too small: " << bytes.size() << " bytes";
    EXPECT_EQ((unsigned char)bytes[6], 32u) << "width";
    EXPECT_EQ((unsigned char)bytes[7], 32u) << "height";
    EXPECT_EQ((unsigned char)bytes[12], 8u) << "bits per pixel";

    QImage img = QImage::fromData(bytes, "ICO").convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(img.isNull()) << "Qt could not decode the icon";
    EXPECT_EQ(img.width(), 32);
    EXPECT_EQ(img.height(), 32);
    EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << "top-left corner should be transparent";
    EXPECT_EQ(qAlpha(img.pixel(31, 31)), 0) << "bottom-right corner should be transparent";
    QRgb folder = img.pixel(26, 26);
    EXPECT_EQ(qAlpha(folder), 255);
    EXPECT_GT(qRed(folder), qBlue(folder)) << std::hex << folder << ": folder should be yellow";
    QRgb bar = img.pixel(10, 14);
    EXPECT_EQ(qAlpha(bar), 255);
    EXPECT_GT(qBlue(bar), qRed(bar)) << std::hex << bar << ": bar should be blue";

    QIcon qicon(QPixmap::fromImage(img));
    EXPECT_FALSE(qicon.isNull());
}

// The desktop entry's PNG shows the same picture as the icon.
TEST(RcIcon, PngMatchesIcon)
{
    QImage png(QString::fromUtf8(TARVEL_SOURCE_DIR "/resources/tarvel.png"));
    ASSERT_FALSE(png.isNull()) << "cannot load resources/tarvel.png";
    const std::string *icon = rc::find_icon("Tarv");
    ASSERT_NE(icon, nullptr);
    QImage ico = QImage::fromData(QByteArray(icon->data(), (qsizetype)icon->size()), "ICO");
    ASSERT_FALSE(ico.isNull());
    png = png.convertToFormat(QImage::Format_ARGB32);
    ico = ico.convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(png.size(), ico.size());
    int differing = 0;
    for (int y = 0; y < png.height(); ++y)
        for (int x = 0; x < png.width(); ++x) {
            QRgb a = png.pixel(x, y), b = ico.pixel(x, y);
            if (qAlpha(a) != qAlpha(b) || (qAlpha(a) != 0 && a != b)) ++differing;
        }
    EXPECT_EQ(differing, 0) << "pixels differing between tarvel.png and tarvel.ico";
}
