// Message boxes: the icon follows the caption pointer, the text is always plain, the owner is
// the given window; real QMessageBoxes are read and answered as a person would.
#include "window_fixture.h"

using MessageBoxTest = MainWindowTest;

// mbprintf's real boxes: icon by caption pointer (another "Error" gets none),
// plain text, owned by the window, one OK; without a window (null, or stale)
// no owner; invalid UTF-8 shown as marks; OK is IDOK.
TEST_F(MessageBoxTest, IconByPointerPlainTextAndOwner)
{
    testhooks::answer_message_boxes(nullptr);
    char other[] = "Error";
    const std::pair<const char *, QMessageBox::Icon> cases[] = {
        {err, QMessageBox::Critical}, {fail, QMessageBox::Warning}, {other, QMessageBox::NoIcon}};
    for (const auto &[caption, icon] : cases) {
        BoxWatcher seen;
        mbprintf(caption, "Drive name screwed up <%s> %d", "<b>/x</b> & <i>", 8);
        ASSERT_TRUE(seen.seen) << "no box appeared";
        EXPECT_EQ(seen.icon, icon);
        EXPECT_EQ(seen.format, Qt::PlainText);
        EXPECT_EQ(seen.text, QString("Drive name screwed up <<b>/x</b> & <i>> 8"));
        EXPECT_EQ(seen.title, QString::fromUtf8(caption));
        EXPECT_EQ(seen.parent, top);
        EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
    gl.hwnd = NULL;
    BoxWatcher seen;
    mbprintf(err, "bad name <%s>", "caf\xe9");
    EXPECT_EQ(seen.parent, nullptr);
    EXPECT_EQ(seen.text, QString::fromUtf8("bad name <caf\xef\xbf\xbd>"));
    BoxWatcher stale;
    EXPECT_EQ(MessageBoxA((HWND)0x7777, "t", "c", MB_ICONHAND), IDOK);
    EXPECT_TRUE(stale.seen && stale.parent == nullptr);
}

// What reaches the box: "Error" for a null caption, "" for a null text, a
// text cut at 1023; while a quit is pending a box returns 0 at once, unseen.
TEST_F(MessageBoxTest, RequestAsAskedAndQuit)
{
    std::vector<testhooks::MessageBoxRecord> got;
    testhooks::answer_message_boxes([&](const testhooks::MessageBoxRecord &r) {
        got.push_back(r);
        return IDCANCEL;
    });
    EXPECT_EQ(MessageBoxA(hwnd, NULL, NULL, MB_ICONEXCLAMATION), IDCANCEL);
    mbprintf(err, "Path too long <%s>", std::string(2000, 'p').c_str());
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].caption + "|" + got[0].text, "Error|");
    EXPECT_EQ(got[0].type, (UINT)MB_ICONEXCLAMATION);
    EXPECT_EQ(got[0].owner, hwnd);
    EXPECT_EQ(got[1].text.size(), 1023u);

    testhooks::answer_message_boxes(nullptr);
    BoxWatcher seen; /* answers a box should one appear anyway */
    PostQuitMessage(0);
    EXPECT_EQ(MessageBoxA(hwnd, "never shown", "c", MB_OK), 0);
    EXPECT_FALSE(seen.seen);
    drain_queue();
}
