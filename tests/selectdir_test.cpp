// The "SelectDir" dialog with its real procedure on real temporary trees, driven through its widgets.
#include <gtest/gtest.h>

#include <windows.h>

#include "childrun.h"
#include "dialogdriver.h"
#include "temptree.h"
#include "tarvel/report.h"
#include "tarvel/select.h"

#include <QCoreApplication>
#include <QScrollBar>

#include <cstring>
#include <sys/mount.h>
#include <unistd.h>

namespace {

LRESULT CALLBACK plainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

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

class SelectDirTest : public ::testing::Test {
protected:
    TempTree tree;
    std::string root = real_path(tree.root());

    void SetUp() override
    {
        gl.hwnd = main_window();
        ASSERT_NE(gl.hwnd, (HWND)NULL);
        SetWindowTextA(gl.hwnd, "Directory Sizes");
        ASSERT_EQ(chdir(root.c_str()), 0);
    }
    void TearDown() override { EXPECT_EQ(chdir("/"), 0); }

    /* Opens the dialog: the directory chosen (szTmp, which must be the result), or why there is none. */
    std::string choose()
    {
        HINSTANCE hinst = (HINSTANCE)(LONG_PTR)GetWindowLongA(gl.hwnd, GWL_HINSTANCE);
        INT_PTR r = DialogBoxParamA(hinst, "SelectDir", gl.hwnd, selectdirDlgProc, 0);
        if (r == 0) return "(cancelled)";
        return r == (INT_PTR)szTmp ? std::string(szTmp) : "(result " + std::to_string(r) + ")";
    }
    std::string title() { return window_text(gl.hwnd); }
};

} // namespace

// Initial listing of the current directory; "[dir]" and "[..]" entered by double-click; Select returns the listed one.
TEST_F(SelectDirTest, ListingEnteringAndSelect)
{
    for (const char *d : {"alpha/deep", "alpha/Zed", "Beta", ".hidden", "gamma/inner"}) tree.dir(d);
    tree.file("file.txt", 10);
    tree.symlink("tolink", "alpha");
    when_dialog_up([&](QDialog *dlg) {
        EXPECT_EQ(field_bytes(dlg), root);
        EXPECT_EQ(listing(list_box(dlg), false), "[..] [.hidden] [alpha] [Beta] [gamma] [tolink]");
        EXPECT_NE(find_item(list_box(dlg), "[-/-]"), nullptr) << "no root drive in " << listing(list_box(dlg));
        ASSERT_TRUE(enter(dlg, "[alpha]")) << listing(list_box(dlg));
        EXPECT_EQ(field_bytes(dlg), root + "/alpha");
        EXPECT_EQ(cwd(), root + "/alpha");
        EXPECT_EQ(listing(list_box(dlg), false), "[..] [deep] [Zed]");
        ASSERT_TRUE(enter(dlg, "[..]")) << listing(list_box(dlg));
        EXPECT_EQ(field_bytes(dlg), root);
        EXPECT_EQ(cwd(), root);
        ASSERT_TRUE(enter(dlg, "[alpha]"));
        click_item(list_box(dlg), find_item(list_box(dlg), "[deep]")); /* highlighted, not entered */
        button(dlg, "Select")->click();
    });
    EXPECT_EQ(choose(), root + "/alpha");
    EXPECT_EQ(title(), "Directory Sizes of " + root + "/alpha");
    EXPECT_EQ(cwd(), root + "/alpha");
}

// Select without navigation; Enter does nothing and Escape cancels; the next
// dialog opens where the last ended; the root drive is chosen as "/".
TEST_F(SelectDirTest, SelectWithoutNavigationReopenAndRootDrive)
{
    tree.dir("one");
    when_dialog_up([](QDialog *dlg) { button(dlg, "Select")->click(); });
    EXPECT_EQ(choose(), root);
    when_dialog_up([&](QDialog *dlg) {
        ASSERT_TRUE(enter(dlg, "[one]"));
        press_key(dlg, Qt::Key_Return, list_box(dlg)); /* IDOK: enters and selects nothing, closes nothing */
        ASSERT_TRUE(dlg->isVisible());
        EXPECT_EQ(field_bytes(dlg), root + "/one");
        press_key(dlg, Qt::Key_Escape);
    });
    EXPECT_EQ(choose(), "(cancelled)");
    EXPECT_EQ(title(), "Directory Sizes of " + root) << "Escape keeps the title of the last Select";
    when_dialog_up([&](QDialog *dlg) {
        EXPECT_EQ(field_bytes(dlg), root + "/one") << "the directory listed last stays current after Escape";
        ASSERT_TRUE(enter(dlg, "[-/-]")) << listing(list_box(dlg));
        EXPECT_EQ(field_bytes(dlg), "/");
        EXPECT_EQ(find_item(list_box(dlg), "[..]"), nullptr) << listing(list_box(dlg));
        button(dlg, "Select")->click();
    });
    EXPECT_EQ(choose(), "/");
    EXPECT_EQ(title(), "Directory Sizes of /");
    EXPECT_EQ(cwd(), "/");
}

// A directory removed while listed: entering it changes nothing; removed under the dialog, "[..]" still leads up.
TEST_F(SelectDirTest, DirectoryRemovedWhileListed)
{
    tree.dir("gone");
    tree.dir("victim");
    when_dialog_up([&](QDialog *dlg) {
        const std::string before = listing(list_box(dlg));
        ASSERT_EQ(rmdir(tree.path("gone").c_str()), 0);
        ASSERT_TRUE(enter(dlg, "[gone]"));
        ASSERT_TRUE(dlg->isVisible());
        EXPECT_EQ(field_bytes(dlg), root);
        EXPECT_EQ(listing(list_box(dlg)), before);
        EXPECT_EQ(cwd(), root);

        ASSERT_TRUE(enter(dlg, "[victim]"));
        ASSERT_EQ(rmdir(tree.path("victim").c_str()), 0);
        ASSERT_TRUE(enter(dlg, "[..]")) << listing(list_box(dlg));
        EXPECT_EQ(field_bytes(dlg), root);
        button(dlg, "Cancel")->click();
    });
    EXPECT_EQ(choose(), "(cancelled)");
}

// Non-UTF-8, '%' and markup names: shown as text, entered and chosen with their bytes intact, titled as they are.
TEST_F(SelectDirTest, StrangeNamesKeepTheirBytes)
{
    const struct {
        std::string name;
        const char *shown; /* UTF-8 */
    } cases[] = {{"caf\xe9-\xff", "caf\xef\xbf\xbd-\xef\xbf\xbd"},
                 {"100% <b>bold<i> %s&amp;", "100% <b>bold<i> %s&amp;"}};
    for (const auto &c : cases) {
        ASSERT_EQ(chdir(root.c_str()), 0);
        tree.dir(c.name + "/inner");
        const std::string path = root + "/" + c.name;
        when_dialog_up([&](QDialog *dlg) {
            QListWidgetItem *it = find_item(list_box(dlg), QByteArray::fromStdString("[" + c.name + "]"));
            ASSERT_NE(it, nullptr) << listing(list_box(dlg));
            EXPECT_EQ(it->text().toStdString(), "[" + std::string(c.shown) + "]");
            double_click(list_box(dlg), it);
            EXPECT_EQ(field_bytes(dlg), path);
            EXPECT_EQ(path_field(dlg)->text().toStdString(), root + "/" + c.shown);
            button(dlg, "Select")->click();
        });
        EXPECT_EQ(choose(), path);
        EXPECT_EQ(title(), "Directory Sizes of " + path);
        EXPECT_EQ(cwd(), path);
    }
}

// A list box shows what a Win32 one shows: a refilled list from its first
// entry, whatever was scrolled before; a name with control bytes in one row,
// its bytes as marks; a long name whole, clipped at the edge, never elided.
TEST_F(SelectDirTest, ListRowsAsWin32DrawsThem)
{
    for (int i = 0; i < 60; ++i) {
        tree.dir("many/d" + std::to_string(100 + i));
        tree.dir("many/d159/e" + std::to_string(100 + i));
    }
    tree.dir("new\nline\ttab");
    const std::string longname(200, 'x');
    tree.dir(longname);
    when_dialog_up([&](QDialog *dlg) {
        QListWidget *list = list_box(dlg);
        QListWidgetItem *odd = find_item(list, "[new\nline\ttab]");
        ASSERT_NE(odd, nullptr) << listing(list);
        EXPECT_EQ(odd->text(), QString::fromUtf8("[new\u240Aline\u2409tab]"));
        EXPECT_EQ(list->visualItemRect(odd).height(), list->visualItemRect(list->item(0)).height())
            << "one row, like any other";
        QListWidgetItem *wide = find_item(list, QByteArray::fromStdString("[" + longname + "]"));
        ASSERT_NE(wide, nullptr);
        EXPECT_EQ(list->textElideMode(), Qt::ElideNone);
        EXPECT_EQ(wide->text().toStdString(), "[" + longname + "]");

        auto settle = [] { for (int i = 0; i < 3; ++i) QCoreApplication::processEvents(); };
        ASSERT_TRUE(enter(dlg, "[many]"));
        settle();
        list->scrollToBottom();
        settle();
        ASSERT_GT(list->verticalScrollBar()->value(), 0) << "the list must scroll for this test";
        ASSERT_TRUE(enter(dlg, "[d159]"));
        settle();
        EXPECT_EQ(list->verticalScrollBar()->value(), 0);
        EXPECT_EQ(list->itemAt(2, 2), list->item(0)) << "the first entry in the top row";
        button(dlg, "Cancel")->click();
    });
    EXPECT_EQ(choose(), "(cancelled)");
}

// A directory the user may not read cannot be entered: the list, the field and the current directory stay.
TEST_F(SelectDirTest, UnreadableDirectoryChangesNothing)
{
    tree.dir("locked/secret");
    tree.chmod("locked", 0700); /* root's own; the unprivileged child may not enter */
    std::string out = child_output([&]() -> std::string {
        if (std::string why = drop_to_nobody(); !why.empty()) return "SKIP " + why;
        std::string report;
        when_dialog_up([&](QDialog *dlg) {
            const std::string before = listing(list_box(dlg));
            if (!enter(dlg, "[locked]")) report += "no [locked] entry; ";
            if (field_bytes(dlg) != root) report += "field changed to " + field_bytes(dlg) + "; ";
            if (listing(list_box(dlg)) != before) report += "list changed: " + listing(list_box(dlg)) + "; ";
            if (cwd() != root) report += "cwd changed to " + cwd() + "; ";
            if (!dlg->isVisible()) report += "dialog closed; ";
            button(dlg, "Select")->click();
        });
        if (std::string got = choose(); got != root) report += "chose " + got;
        return report.empty() ? "OK" : report;
    });
    if (!IsSkipped()) EXPECT_EQ(out, "OK");
}

// A mount point with a blank in its name is a drive "[-/...-]": double-clicking it lists the mount point.
TEST_F(SelectDirTest, DriveEntryListsItsMountPoint)
{
    tree.dir("source/on-the-drive");
    tree.dir("my drive");
    const std::string point = root + "/my drive";
    std::string out = child_output([&]() -> std::string {
        if (std::string why = private_mounts(); !why.empty()) return "SKIP " + why;
        if (mount(tree.path("source").c_str(), point.c_str(), nullptr, MS_BIND, nullptr) != 0)
            return "SKIP bind mount: " + std::string(strerror(errno));
        std::string report;
        when_dialog_up([&](QDialog *dlg) {
            if (!enter(dlg, QByteArray::fromStdString("[-" + point + "-]")))
                return void(report += "no drive entry in: " + listing(list_box(dlg)) + "; "); /* the driver ends it */
            if (field_bytes(dlg) != point) report += "field " + field_bytes(dlg) + "; ";
            if (!find_item(list_box(dlg), "[on-the-drive]")) report += "listing " + listing(list_box(dlg)) + "; ";
            button(dlg, "Select")->click();
        });
        if (std::string got = choose(); got != point) report += "chose " + got;
        return report.empty() ? "OK" : report;
    });
    if (!IsSkipped()) EXPECT_EQ(out, "OK");
}
