// Message boxes: the icon follows the caption pointer, the text is always
// plain, the owner is the given window; real QMessageBoxes are read and
// answered as a person would.
#include "window_fixture.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>


namespace {

/* Watches for the next real message box while it lives; records how it
 * looked and answers it with OK, as a person would. */
class BoxWatcher {
public:
    bool seen = false;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::TextFormat format = Qt::AutoText;
    QString text, title;
    QWidget *parent = nullptr;
    QMessageBox::StandardButtons buttons;

    BoxWatcher()
    {
        QObject::connect(&poll_, &QTimer::timeout, [this] { look(); });
        poll_.start(5);
    }

private:
    void look()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll_.stop();
        seen = true;
        icon = box->icon();
        format = box->textFormat();
        text = box->text();
        title = box->windowTitle();
        parent = box->parentWidget();
        buttons = box->standardButtons();
        if (QAbstractButton *ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->reject();
    }
    QTimer poll_;
};

} // namespace

using MessageBoxTest = MainWindowTest;

// mbprintf picks the icon by the caption's pointer: err a stop icon, fail a
// warning icon, another pointer to the same text none.
TEST_F(MessageBoxTest, IconFollowsTheCaptionPointer)
{
    char other[] = "Error";
    mbprintf(err, "Memory allocation failed <%d>", 8);
    mbprintf(fail, "Using CHKDSK failed, wastage results not valid with FAT32");
    mbprintf(other, "same text, other pointer");
    ASSERT_EQ(boxes().size(), 3u);
    EXPECT_EQ(boxes()[0].type, (UINT)MB_ICONHAND);
    EXPECT_EQ(boxes()[0].caption, "Error");
    EXPECT_EQ(boxes()[0].text, "Memory allocation failed <8>");
    EXPECT_EQ(boxes()[0].owner, hwnd);
    EXPECT_EQ(boxes()[1].type, (UINT)MB_ICONEXCLAMATION);
    EXPECT_EQ(boxes()[1].caption, "Failure");
    EXPECT_EQ(boxes()[2].type, (UINT)MB_OK);
    EXPECT_EQ(boxes()[2].caption, "Error");
}

// The real boxes: stop and warning icons, none otherwise, one OK button,
// plain text shown as typed, owned by the main window; IDOK comes back.
TEST_F(MessageBoxTest, RealBoxesShowIconPlainTextAndOwner)
{
    testhooks::answer_message_boxes(nullptr);
    char other[] = "Error";
    const struct {
        const char *caption;
        QMessageBox::Icon icon;
    } cases[] = {{err, QMessageBox::Critical}, {fail, QMessageBox::Warning}, {other, QMessageBox::NoIcon}};
    for (const auto &c : cases) {
        BoxWatcher seen;
        mbprintf(c.caption, "Drive name screwed up <%s>", "<b>/x</b> & <i>");
        ASSERT_TRUE(seen.seen) << "no box appeared";
        EXPECT_EQ(seen.icon, c.icon);
        EXPECT_EQ(seen.format, Qt::PlainText);
        EXPECT_EQ(seen.text, QString("Drive name screwed up <<b>/x</b> & <i>>"));
        EXPECT_EQ(seen.title, QString::fromUtf8(c.caption));
        EXPECT_EQ(seen.parent, top);
        EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }
    BoxWatcher last;
    EXPECT_EQ(MessageBoxA(hwnd, "text", "caption", MB_OK), IDOK);
    EXPECT_TRUE(last.seen);
}

// Without a window (gl.hwnd still null, or a stale handle) the box has no
// owner; invalid UTF-8 shows as replacement marks.
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

// The test hook answers in place of a person and sees what was asked.
TEST_F(MessageBoxTest, AnswererSeesTheRequest)
{
    std::vector<testhooks::MessageBoxRecord> got;
    testhooks::answer_message_boxes([&](const testhooks::MessageBoxRecord &r) {
        got.push_back(r);
        return IDCANCEL;
    });
    EXPECT_EQ(MessageBoxA(hwnd, NULL, NULL, MB_ICONEXCLAMATION), IDCANCEL);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].caption, "Error") << "Win32's caption for a null one";
    EXPECT_EQ(got[0].text, "");
    EXPECT_EQ(got[0].type, (UINT)MB_ICONEXCLAMATION);
    EXPECT_EQ(got[0].owner, hwnd);
}

// A text longer than the formatter's 1024-character buffer is cut at 1023.
TEST_F(MessageBoxTest, LongTextIsCut)
{
    std::string longpath(2000, 'p');
    mbprintf(err, "Path too long <%s>", longpath.c_str());
    ASSERT_EQ(boxes().size(), 1u);
    EXPECT_EQ(boxes()[0].text.size(), 1023u);
    EXPECT_EQ(boxes()[0].text.substr(0, 15), "Path too long <");
}
