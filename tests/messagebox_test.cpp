// Message boxes: the icon follows the caption pointer, the text is always plain, the owner is
// the given window; real QMessageBoxes are read and answered as a person would.
#include "window_fixture.h"

using MessageBoxTest = MainWindowTest;

// mbprintf's real boxes: icon by caption pointer (another "Error" gets none), plain text, owner.
TEST_F(MessageBoxTest, IconByPointerPlainTextAndOwner)
{
    testhooks::answer_message_boxes(nullptr);
    char other[] = "Error";
    const struct {
        const char *caption;
        QMessageBox::Icon icon;
    } cases[] = {{err, QMessageBox::Critical}, {fail, QMessageBox::Warning}, {other, QMessageBox::NoIcon}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.caption == err ? "err" : c.caption == fail ? "fail" : "other pointer");
        BoxWatcher seen;
        mbprintf(c.caption, "Drive name screwed up <%s> %d", "<b>/x</b> & <i>", 8);
        ASSERT_TRUE(seen.seen) << "no box appeared";
        EXPECT_EQ(seen.icon, c.icon);
        EXPECT_EQ(seen.format, Qt::PlainText);
        EXPECT_EQ(seen.text, QString("Drive name screwed up <<b>/x</b> & <i>> 8"));
        EXPECT_EQ(seen.title, QString::fromUtf8(c.caption));
        EXPECT_EQ(seen.parent, top);
        EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
}

// Without a window (gl.hwnd null, or stale) a box has no owner; invalid UTF-8 shows as marks; OK is IDOK.
TEST_F(MessageBoxTest, NoOwnerWithoutAWindow)
{
    testhooks::answer_message_boxes(nullptr);
    gl.hwnd = NULL;
    BoxWatcher seen;
    mbprintf(err, "bad name <%s>", "caf\xe9");
    ASSERT_TRUE(seen.seen);
    EXPECT_EQ(seen.parent, nullptr);
    EXPECT_EQ(seen.text, QString::fromUtf8("bad name <caf\xef\xbf\xbd>"));

    BoxWatcher stale;
    EXPECT_EQ(MessageBoxA((HWND)0x7777, "t", "c", MB_ICONHAND), IDOK);
    ASSERT_TRUE(stale.seen);
    EXPECT_EQ(stale.parent, nullptr);
}

// A quit is pending: the box returns at once without being shown.
TEST_F(MessageBoxTest, QuitPendingReturnsAtOnce)
{
    testhooks::answer_message_boxes(nullptr);
    BoxWatcher seen; /* answers a box should one appear anyway */
    PostQuitMessage(0);
    EXPECT_EQ(MessageBoxA(hwnd, "never shown", "c", MB_OK), 0);
    EXPECT_FALSE(seen.seen);
    drain_queue();
}

// What reaches the box: "Error" for a null caption, "" for a null text, a text cut at 1023.
TEST_F(MessageBoxTest, RequestAsAsked)
{
    std::vector<testhooks::MessageBoxRecord> got;
    testhooks::answer_message_boxes([&](const testhooks::MessageBoxRecord &r) {
        got.push_back(r);
        return IDCANCEL;
    });
    EXPECT_EQ(MessageBoxA(hwnd, NULL, NULL, MB_ICONEXCLAMATION), IDCANCEL);
    mbprintf(err, "Path too long <%s>", std::string(2000, 'p').c_str());
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].caption, "Error");
    EXPECT_EQ(got[0].text, "");
    EXPECT_EQ(got[0].type, (UINT)MB_ICONEXCLAMATION);
    EXPECT_EQ(got[0].owner, hwnd);
    EXPECT_EQ(got[1].text.size(), 1023u);
    EXPECT_EQ(got[1].text.substr(0, 15), "Path too long <");
}
