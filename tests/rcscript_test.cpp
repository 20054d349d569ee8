// The resource script compiled into the layer: menu, dialog template and icon as the layer reads them.
#include <gtest/gtest.h>

#include "../src/platform/resources/rcscript.h"

#include <QByteArray>
#include <QImage>

#include <fstream>

// Names ignore case; another name, a numeric id or another kind finds nothing.
TEST(RcScript, Lookups)
{
    EXPECT_EQ(rc::find_menu("TARV"), rc::find_menu("Tarv"));
    EXPECT_EQ(rc::find_dialog("selectdir"), rc::find_dialog("SelectDir"));
    EXPECT_NE(rc::find_dialog("SelectDir"), nullptr);
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
