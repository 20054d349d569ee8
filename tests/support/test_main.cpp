// Every suite runs inside one QApplication on the offscreen platform, so the
// real window, dialog and message boxes can be made in any test.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdlib>

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
