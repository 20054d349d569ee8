// The "SelectDir" dialog with its real procedure: listing, browsing, Select
// and Cancel, on real temporary trees, driven through the dialog's widgets.
#include <gtest/gtest.h>

#include <windows.h>

#include "childrun.h"
#include "dialogdriver.h"
#include "temptree.h"
#include "tarvel/report.h"
#include "tarvel/select.h"

#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

namespace {

LRESULT CALLBACK plainProc(HWND h, UINT m, WPARAM w, LPARAM l)
{
    return DefWindowProcA(h, m, w, l);
}

/* A real main window, titled as the program's, made once for the suite. */
HWND main_window()
{
    static HWND hwnd = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = plainProc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.lpszClassName = "SelectDirTestMain";
        RegisterClassA(&wc);
        HWND h = CreateWindowExA(0, "SelectDirTestMain", "Directory Sizes", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0,
                                 CW_USEDEFAULT, 0, NULL, NULL, wc.hInstance, NULL);
        ShowWindow(h, SW_SHOW);
        return h;
    }();
    return hwnd;
}

std::string real(const std::string &p)
{
    char buf[PATH_MAX];
    return realpath(p.c_str(), buf) ? std::string(buf) : p;
}

std::string cwd()
{
    char buf[PATH_MAX];
    return getcwd(buf, sizeof buf) ? std::string(buf) : std::string("(getcwd failed)");
}

std::string field_bytes(QDialog *dlg)
{
    return path_field(dlg)->property("win32_text").toByteArray().toStdString();
}

class SelectDirTest : public ::testing::Test {
protected:
    TempTree tree;
    std::string root;

    void SetUp() override
    {
        gl.hwnd = main_window();
        ASSERT_NE(gl.hwnd, (HWND)NULL);
        SetWindowTextA(gl.hwnd, "Directory Sizes");
        root = real(tree.root());
        ASSERT_EQ(chdir(root.c_str()), 0);
    }
    void TearDown() override
    {
        if (chdir("/") != 0) ADD_FAILURE() << "chdir /";
    }

    INT_PTR open()
    {
        HINSTANCE hinst = (HINSTANCE)(LONG_PTR)GetWindowLongA(gl.hwnd, GWL_HINSTANCE);
        return DialogBoxParamA(hinst, "SelectDir", gl.hwnd, selectdirDlgProc, 0);
    }
    std::string title()
    {
        char buf[MAX_PATH + 64];
        GetWindowTextA(gl.hwnd, buf, sizeof buf);
        return buf;
    }
};

} // namespace

// The dialog opens on the current directory: its path, its sub-directories
// (dot-directories too, no files), the parent and the drives, sorted without regard to case.
TEST_F(SelectDirTest, InitialListingOfTheCurrentDirectory)
{
    tree.dir("alpha");
    tree.dir("Beta");
    tree.dir(".hidden");
    tree.dir("gamma/inner");
    tree.file("file.txt", 10);
    tree.symlink("tolink", "alpha");
    std::string shown;
    std::vector<QByteArray> items;
    std::string focus;
    when_dialog_up([&](QDialog *dlg) {
        shown = field_bytes(dlg);
        items = item_bytes(list_box(dlg));
        focus = dlg->focusWidget() == list_box(dlg) ? "list" : "elsewhere";
        button(dlg, "Cancel")->click();
    });
    EXPECT_EQ(open(), 0);
    EXPECT_EQ(shown, root);
    EXPECT_EQ(focus, "list");
    std::vector<QByteArray> ours;
    for (const QByteArray &b : items)
        if (!b.startsWith("[-")) ours.push_back(b);
    EXPECT_EQ(ours, (std::vector<QByteArray>{"[..]", "[.hidden]", "[alpha]", "[Beta]", "[gamma]", "[tolink]"}));
    EXPECT_NE(std::find(items.begin(), items.end(), QByteArray("[-/-]")), items.end()) << "the root drive";
    EXPECT_EQ(title(), "Directory Sizes") << "Cancel leaves the title";
    EXPECT_EQ(cwd(), root);
}

// Double-clicking "[dir]" enters it, "[..]" goes back up; each listing becomes the current directory.
TEST_F(SelectDirTest, EnterDirectoryAndParent)
{
    tree.dir("alpha/deep");
    tree.dir("alpha/Zed");
    std::string inAlpha, backUp, cwdInAlpha;
    std::vector<QByteArray> alphaItems;
    when_dialog_up([&](QDialog *dlg) {
        ASSERT_TRUE(enter(dlg, "[alpha]")) << describe_items(list_box(dlg));
        inAlpha = field_bytes(dlg);
        cwdInAlpha = cwd();
        for (const QByteArray &b : item_bytes(list_box(dlg)))
            if (!b.startsWith("[-")) alphaItems.push_back(b);
        ASSERT_TRUE(enter(dlg, "[..]")) << describe_items(list_box(dlg));
        backUp = field_bytes(dlg);
        button(dlg, "Cancel")->click();
    });
    EXPECT_EQ(open(), 0);
    EXPECT_EQ(inAlpha, root + "/alpha");
    EXPECT_EQ(cwdInAlpha, root + "/alpha");
    EXPECT_EQ(alphaItems, (std::vector<QByteArray>{"[..]", "[deep]", "[Zed]"}));
    EXPECT_EQ(backUp, root);
    EXPECT_EQ(cwd(), root) << "the directory listed last stays current after Cancel";
}

// Select returns the listed directory (not the highlighted entry) in szTmp and renames the main window.
TEST_F(SelectDirTest, SelectReturnsTheListedDirectory)
{
    tree.dir("alpha/deep");
    when_dialog_up([&](QDialog *dlg) {
        ASSERT_TRUE(enter(dlg, "[alpha]"));
        click_item(list_box(dlg), find_item(list_box(dlg), "[deep]")); /* highlighted, not entered */
        button(dlg, "Select")->click();
    });
    INT_PTR r = open();
    ASSERT_EQ(r, (INT_PTR)szTmp);
    EXPECT_STREQ((const char *)r, (root + "/alpha").c_str());
    EXPECT_EQ(title(), "Directory Sizes of " + root + "/alpha");
    EXPECT_EQ(cwd(), root + "/alpha");
}

// Select without any navigation accepts the directory that was current; the next dialog starts there too.
TEST_F(SelectDirTest, SelectWithoutNavigationAndReopen)
{
    tree.dir("one");
    when_dialog_up([](QDialog *dlg) { button(dlg, "Select")->click(); });
    INT_PTR r = open();
    ASSERT_EQ(r, (INT_PTR)szTmp);
    EXPECT_EQ(std::string(szTmp), root);

    when_dialog_up([](QDialog *dlg) {
        ASSERT_TRUE(enter(dlg, "[one]"));
        button(dlg, "Cancel")->click();
    });
    EXPECT_EQ(open(), 0);
    std::string reopened;
    when_dialog_up([&](QDialog *dlg) {
        reopened = field_bytes(dlg);
        button(dlg, "Cancel")->click();
    });
    EXPECT_EQ(open(), 0);
    EXPECT_EQ(reopened, root + "/one");
    EXPECT_EQ(title(), "Directory Sizes of " + root) << "Cancel keeps the title of the last Select";
}

// The root drive "[-/-]" lists "/" with no parent entry; Select returns "/".
TEST_F(SelectDirTest, RootDriveIsListedAndChosenAsSlash)
{
    std::string shown;
    bool hasParent = true;
    when_dialog_up([&](QDialog *dlg) {
        ASSERT_TRUE(enter(dlg, "[-/-]")) << describe_items(list_box(dlg));
        shown = field_bytes(dlg);
        hasParent = find_item(list_box(dlg), "[..]") != nullptr;
        button(dlg, "Select")->click();
    });
    INT_PTR r = open();
    ASSERT_EQ(r, (INT_PTR)szTmp);
    EXPECT_EQ(shown, "/");
    EXPECT_FALSE(hasParent);
    EXPECT_STREQ(szTmp, "/");
    EXPECT_EQ(title(), "Directory Sizes of /");
    EXPECT_EQ(cwd(), "/");
}

// Enter is IDOK, which the dialog ignores; Escape and Cancel return 0 and leave the title.
TEST_F(SelectDirTest, EnterStaysOpenEscapeAndCancelReturnZero)
{
    bool openAfterEnter = false, openAfterFieldEnter = false;
    when_dialog_up([&](QDialog *dlg) {
        press_key(dlg, Qt::Key_Return);
        openAfterEnter = dlg->isVisible();
        press_key(dlg, Qt::Key_Enter, path_field(dlg));
        openAfterFieldEnter = dlg->isVisible();
        press_key(dlg, Qt::Key_Escape);
    });
    EXPECT_EQ(open(), 0);
    EXPECT_TRUE(openAfterEnter);
    EXPECT_TRUE(openAfterFieldEnter);
    EXPECT_EQ(title(), "Directory Sizes");

    when_dialog_up([](QDialog *dlg) { dlg->close(); });
    EXPECT_EQ(open(), 0) << "the close box cancels";
    EXPECT_EQ(title(), "Directory Sizes");
}

// An entry removed while listed cannot be entered: nothing changes. A listed
// directory removed from under the dialog still leads up through "[..]".
TEST_F(SelectDirTest, DirectoryRemovedWhileListed)
{
    tree.dir("gone");
    tree.dir("victim");
    std::string before, after, cwdAfter;
    std::vector<QByteArray> itemsBefore, itemsAfter;
    bool open1 = false;
    when_dialog_up([&](QDialog *dlg) {
        before = field_bytes(dlg);
        itemsBefore = item_bytes(list_box(dlg));
        ASSERT_EQ(rmdir(tree.path("gone").c_str()), 0);
        ASSERT_TRUE(enter(dlg, "[gone]"));
        after = field_bytes(dlg);
        itemsAfter = item_bytes(list_box(dlg));
        cwdAfter = cwd();
        open1 = dlg->isVisible();
        button(dlg, "Cancel")->click();
    });
    EXPECT_EQ(open(), 0);
    EXPECT_TRUE(open1);
    EXPECT_EQ(after, before);
    EXPECT_EQ(itemsAfter, itemsBefore);
    EXPECT_EQ(cwdAfter, root);

    std::string up;
    when_dialog_up([&](QDialog *dlg) {
        ASSERT_TRUE(enter(dlg, "[victim]"));
        ASSERT_EQ(rmdir(tree.path("victim").c_str()), 0);
        ASSERT_TRUE(enter(dlg, "[..]")) << describe_items(list_box(dlg));
        up = field_bytes(dlg);
        button(dlg, "Cancel")->click();
    });
    EXPECT_EQ(open(), 0);
    EXPECT_EQ(up, root);
}

// A name that is not UTF-8 is shown with a replacement mark, entered and chosen with its bytes intact.
TEST_F(SelectDirTest, NonUtf8NameKeepsItsBytes)
{
    const std::string name = "caf\xe9-\xff";
    tree.dir(name + "/inner");
    QString shownItem;
    std::string inside;
    when_dialog_up([&](QDialog *dlg) {
        QListWidgetItem *item = find_item(list_box(dlg), QByteArray::fromStdString("[" + name + "]"));
        ASSERT_NE(item, nullptr) << describe_items(list_box(dlg));
        shownItem = item->text();
        double_click(list_box(dlg), item);
        inside = field_bytes(dlg);
        button(dlg, "Select")->click();
    });
    INT_PTR r = open();
    ASSERT_EQ(r, (INT_PTR)szTmp);
    EXPECT_EQ(shownItem, QString::fromUtf8("[caf\xef\xbf\xbd-\xef\xbf\xbd]")) << shownItem.toStdString();
    EXPECT_EQ(inside, root + "/" + name);
    EXPECT_EQ(std::string(szTmp), root + "/" + name);
    EXPECT_EQ(title(), "Directory Sizes of " + root + "/" + name);
    EXPECT_EQ(cwd(), root + "/" + name);
}

// '%' and markup in a name are text: shown, returned and put in the title as typed.
TEST_F(SelectDirTest, PercentAndMarkupInNames)
{
    const std::string name = "100% <b>bold<i> %s&amp;";
    tree.dir(name);
    QString shownField;
    when_dialog_up([&](QDialog *dlg) {
        ASSERT_TRUE(enter(dlg, QByteArray::fromStdString("[" + name + "]"))) << describe_items(list_box(dlg));
        shownField = path_field(dlg)->text();
        button(dlg, "Select")->click();
    });
    ASSERT_EQ(open(), (INT_PTR)szTmp);
    EXPECT_EQ(shownField.toStdString(), root + "/" + name);
    EXPECT_EQ(std::string(szTmp), root + "/" + name);
    EXPECT_EQ(title(), "Directory Sizes of " + root + "/" + name);
}

// A directory the user may not read cannot be entered: the list, the field and the current directory stay.
TEST_F(SelectDirTest, UnreadableDirectoryChangesNothing)
{
    tree.dir("locked/secret");
    tree.chmod("locked", 0700); /* root's own; the unprivileged child may not enter */
    ChildResult res = run_in_child([&]() -> std::string {
        if (std::string why = drop_to_nobody(); !why.empty()) return "SKIP " + why;
        std::string report;
        when_dialog_up([&](QDialog *dlg) {
            std::string before = field_bytes(dlg);
            auto itemsBefore = item_bytes(list_box(dlg));
            if (!enter(dlg, "[locked]")) report += "no [locked] entry; ";
            if (field_bytes(dlg) != before) report += "field changed to " + field_bytes(dlg) + "; ";
            if (item_bytes(list_box(dlg)) != itemsBefore) report += "list changed: " + describe_items(list_box(dlg)) + "; ";
            if (cwd() != root) report += "cwd changed to " + cwd() + "; ";
            if (!dlg->isVisible()) report += "dialog closed; ";
            button(dlg, "Select")->click();
        });
        INT_PTR r = open();
        if (r != (INT_PTR)szTmp) report += "result not szTmp; ";
        else if (std::string(szTmp) != root) report += std::string("chose ") + szTmp + "; ";
        return report.empty() ? "OK" : report;
    });
    if (res.output.rfind("SKIP ", 0) == 0) GTEST_SKIP() << res.output;
    EXPECT_EQ(res.status, 0);
    EXPECT_EQ(res.output, "OK");
}

// A mount point with a blank in its name is a drive "[-/...-]": double-clicking it lists the mount point.
TEST_F(SelectDirTest, DriveEntryListsItsMountPoint)
{
    tree.dir("source/on-the-drive");
    tree.dir("my drive");
    const std::string point = root + "/my drive";
    ChildResult res = run_in_child([&]() -> std::string {
        if (std::string why = private_mounts(); !why.empty()) return "SKIP " + why;
        if (mount(tree.path("source").c_str(), point.c_str(), nullptr, MS_BIND, nullptr) != 0)
            return "SKIP bind mount: " + std::string(strerror(errno));
        std::string report;
        when_dialog_up([&](QDialog *dlg) {
            QByteArray drive = QByteArray::fromStdString("[-" + point + "-]");
            if (!enter(dlg, drive)) {
                report += "no drive entry in: " + describe_items(list_box(dlg)) + "; ";
                button(dlg, "Cancel")->click();
                return;
            }
            if (field_bytes(dlg) != point) report += "field " + field_bytes(dlg) + "; ";
            if (!find_item(list_box(dlg), "[on-the-drive]")) report += "listing " + describe_items(list_box(dlg)) + "; ";
            button(dlg, "Select")->click();
        });
        INT_PTR r = open();
        if (r != (INT_PTR)szTmp) report += "result not szTmp; ";
        else if (std::string(szTmp) != point) report += std::string("chose ") + szTmp + "; ";
        return report.empty() ? "OK" : report;
    });
    if (res.output.rfind("SKIP ", 0) == 0) GTEST_SKIP() << res.output;
    EXPECT_EQ(res.status, 0);
    EXPECT_EQ(res.output, "OK");
}

// Tab moves list -> Cancel -> Select; Space on the focused Select button accepts.
TEST_F(SelectDirTest, KeyboardOnly)
{
    tree.dir("kbd");
    when_dialog_up([](QDialog *dlg) {
        QListWidget *l = list_box(dlg);
        QListWidgetItem *kbd = find_item(l, "[kbd]");
        ASSERT_NE(kbd, nullptr);
        l->setCurrentItem(kbd);
        /* Enter on the list box is IDOK, not "open": still here. */
        press_key(dlg, Qt::Key_Return);
        EXPECT_TRUE(dlg->isVisible());
        press_key(dlg, Qt::Key_Tab);
        press_key(dlg, Qt::Key_Tab);
        EXPECT_EQ(dlg->focusWidget(), button(dlg, "Select"));
        press_key(dlg, Qt::Key_Space);
    });
    ASSERT_EQ(open(), (INT_PTR)szTmp);
    EXPECT_EQ(std::string(szTmp), root);
}
