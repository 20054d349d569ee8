// The "SelectDir" dialog with its real procedure on real temporary trees, driven through its widgets.
#include "dialogdriver.h"
#include "temptree.h"
#include "window_fixture.h"

#include <unistd.h>

namespace {

/* The real main window: the dialog's owner, whose title a Select sets. */
class SelectDirTest : public MainWindowTest {
protected:
    TempTree tree;
    std::string root = real_path(tree.root());

    void SetUp() override
    {
        MainWindowTest::SetUp();
        ASSERT_EQ(chdir(root.c_str()), 0);
    }
    void TearDown() override
    {
        EXPECT_EQ(chdir("/"), 0);
        MainWindowTest::TearDown();
    }

    /* Opens the dialog: the directory chosen (szTmp, which must be the result), or why there is none. */
    std::string choose()
    {
        HINSTANCE hinst = (HINSTANCE)(LONG_PTR)GetWindowLongA(gl.hwnd, GWL_HINSTANCE);
        INT_PTR r = DialogBoxParamA(hinst, "SelectDir", gl.hwnd, selectdirDlgProc, 0);
        if (r == 0) return "(cancelled)";
        return r == (INT_PTR)szTmp ? std::string(szTmp) : "(result " + std::to_string(r) + ")";
    }
    std::string title() { return window_text(hwnd); }
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

// A name that is not UTF-8, with '%' and markup: shown as text, entered and
// chosen with its bytes intact, titled as it is.
TEST_F(SelectDirTest, StrangeNamesKeepTheirBytes)
{
    const std::string name = "caf\xe9-\xff 100% <b>%s&amp;", shown = "caf\xef\xbf\xbd-\xef\xbf\xbd 100% <b>%s&amp;";
    tree.dir(name + "/inner");
    const std::string path = root + "/" + name;
    when_dialog_up([&](QDialog *dlg) {
        QListWidgetItem *it = find_item(list_box(dlg), QByteArray::fromStdString("[" + name + "]"));
        ASSERT_NE(it, nullptr) << listing(list_box(dlg));
        EXPECT_EQ(it->text().toStdString(), "[" + shown + "]");
        double_click(list_box(dlg), it);
        EXPECT_EQ(field_bytes(dlg), path);
        EXPECT_EQ(path_field(dlg)->text().toStdString(), root + "/" + shown);
        button(dlg, "Select")->click();
    });
    EXPECT_EQ(choose(), path);
    EXPECT_EQ(title(), "Directory Sizes of " + path);
    EXPECT_EQ(cwd(), path);
}
