// The "SelectDir" dialog with its real procedure on real temporary trees,
// driven through its widgets as a person would; File/Open from the menu to
// the report.
#include "childrun.h"
#include "dialogdriver.h"
#include "temptree.h"
#include "window_fixture.h"

#include <QFontMetrics>
#include <QGuiApplication>

#include <algorithm>
#include <errno.h>
#include <string.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace {

/* The commands of the dialog's buttons and keys (not its list's
 * notifications), noted on their way to the real procedure. */
std::vector<WPARAM> commands;
INT_PTR CALLBACK noting_proc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_COMMAND && LOWORD(wParam) != 402)
        commands.push_back(wParam);
    return selectdirDlgProc(hDlg, msg, wParam, lParam);
}

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

    /* Opens the dialog: the directory chosen (IDOK, the path in szTmp), or why there is none. */
    std::string choose()
    {
        HINSTANCE hinst = (HINSTANCE)GetWindowLongPtrA(gl.hwnd, GWLP_HINSTANCE);
        commands.clear();
        INT_PTR r = DialogBoxParamA(hinst, "SelectDir", gl.hwnd, noting_proc, 0);
        if (r == 0)
            return "(cancelled)";
        return r == IDOK ? std::string(szTmp) : "(result " + std::to_string(r) + ")";
    }
    std::string title() { return window_text(hwnd); }
};

} // namespace

// Initial listing of the current directory; "[dir]" and "[..]" entered by
// double-click, and by Enter on the list; Select returns the listed one.
TEST_F(SelectDirTest, ListingEnteringAndSelect)
{
    for (const char *d : {"alpha/deep", "alpha/Zed", "Beta", ".hidden", "gamma/inner"})
        tree.dir(d);
    tree.file("file.txt", 10);
    tree.symlink("tolink", "alpha");
    when_dialog_up([&](QDialog *dlg) {
        EXPECT_EQ(field_bytes(dlg), root);
        EXPECT_EQ(listing(list_box(dlg), false), "[..] [.hidden] [alpha] [Beta] [gamma] [tolink]");
        EXPECT_NE(find_item(list_box(dlg), "[-/-]"), nullptr) << "no root drive in " << listing(list_box(dlg));
        ASSERT_TRUE(enter(dlg, "[alpha]")) << listing(list_box(dlg));
        EXPECT_EQ(field_bytes(dlg) + " " + cwd(), root + "/alpha " + root + "/alpha");
        EXPECT_EQ(listing(list_box(dlg), false), "[..] [deep] [Zed]");
        ASSERT_TRUE(enter(dlg, "[..]")) << listing(list_box(dlg));
        EXPECT_EQ(field_bytes(dlg) + " " + cwd(), root + " " + root);
        click_item(list_box(dlg), find_item(list_box(dlg), "[alpha]")); /* Enter enters it, as a double-click */
        press_key(dlg, Qt::Key_Return, list_box(dlg));
        EXPECT_EQ(field_bytes(dlg) + " " + cwd(), root + "/alpha " + root + "/alpha");
        click_item(list_box(dlg), find_item(list_box(dlg), "[deep]")); /* highlighted, not entered */
        button(dlg, "Select")->click();
    });
    EXPECT_EQ(choose(), root + "/alpha");
    EXPECT_EQ(title() + " " + cwd(), "Directory Sizes of " + root + "/alpha " + root + "/alpha");
}

// The window, font, controls in dialog units, no default button and the tab
// order follow the template, owned by the main window. Enter on a focused
// button clicks it, as Win32's dialog manager has it, and elsewhere is IDOK,
// which closes nothing; Space clicks the focused button; Escape and the
// close box cancel.
TEST_F(SelectDirTest, TemplateAndKeyboard)
{
    std::string focus;
    bool stillopen = true;
    when_dialog_up([&](QDialog *dlg) {
        EXPECT_EQ(dlg->parentWidget(), top);
        EXPECT_EQ(dlg->windowTitle() + " " + dlg->font().family(), QString("Select Directory MS Sans Serif"));
        QFontMetrics fm(dlg->font());
        const int bx = (fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
        auto px = [](int d, int base, int per) { return (d * base + per / 2) / per; };
        EXPECT_EQ(dlg->size(), QSize(px(150, bx, 4), px(110, fm.height(), 8)));
        EXPECT_TRUE(path_field(dlg)->isReadOnly());
        for (const char *b : {"Cancel", "Select"})
            EXPECT_FALSE(button(dlg, b)->isDefault() || button(dlg, b)->autoDefault()) << b;
        auto name = [&](QWidget *w) {
            return w == list_box(dlg)     ? "list "
                   : w == path_field(dlg) ? "path "
                                          : (w->property("text").toString() + " ").toStdString();
        };
        focus += name(dlg->focusWidget());
        for (int key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Backtab}) {
            press_key(dlg, key);
            focus += name(dlg->focusWidget());
        }
        for (QWidget *w : {(QWidget *)list_box(dlg), (QWidget *)path_field(dlg)}) {
            w->setFocus();
            press_key(dlg, Qt::Key_Return, w);
            stillopen = stillopen && dlg->isVisible();
        }
        button(dlg, "Select")->setFocus();
        press_key(dlg, Qt::Key_Return);
    });
    EXPECT_EQ(choose(), root) << "Enter clicked the focused Select";
    EXPECT_EQ(focus, "list Cancel Select list Select ");
    EXPECT_TRUE(stillopen);
    const WPARAM ok = MAKEWPARAM(IDOK, BN_CLICKED);
    EXPECT_EQ(commands, (std::vector<WPARAM>{ok, ok, MAKEWPARAM(403, BN_CLICKED)})) << "Enter is IDOK";
    for (auto end : {+[](QDialog *d) { press_key(d, Qt::Key_Escape); }, +[](QDialog *d) { d->close(); },
                     +[](QDialog *d) {
                         button(d, "Cancel")->setFocus();
                         press_key(d, Qt::Key_Return);
                     },
                     +[](QDialog *d) {
                         button(d, "Cancel")->setFocus();
                         press_key(d, Qt::Key_Space);
                     }}) {
        when_dialog_up(end);
        EXPECT_EQ(choose(), "(cancelled)");
        EXPECT_EQ(commands, std::vector<WPARAM>{MAKEWPARAM(IDCANCEL, BN_CLICKED)});
    }
}

// Select without navigation; the next dialog opens where the last ended,
// after Cancel too; the root drive is chosen as "/".
TEST_F(SelectDirTest, SelectWithoutNavigationReopenAndRootDrive)
{
    tree.dir("one");
    when_dialog_up([](QDialog *dlg) { button(dlg, "Select")->click(); });
    EXPECT_EQ(choose(), root);
    when_dialog_up([&](QDialog *dlg) {
        ASSERT_TRUE(enter(dlg, "[one]"));
        button(dlg, "Cancel")->click();
    });
    EXPECT_EQ(choose(), "(cancelled)");
    EXPECT_EQ(title(), "Directory Sizes of " + root) << "Cancel keeps the title of the last Select";
    when_dialog_up([&](QDialog *dlg) {
        EXPECT_EQ(field_bytes(dlg), root + "/one") << "the directory listed last stays current after Cancel";
        ASSERT_TRUE(enter(dlg, "[-/-]")) << listing(list_box(dlg));
        EXPECT_TRUE(field_bytes(dlg) == "/" && !find_item(list_box(dlg), "[..]")) << listing(list_box(dlg));
        button(dlg, "Select")->click();
    });
    EXPECT_EQ(choose(), "/");
    EXPECT_EQ(title() + " " + cwd(), "Directory Sizes of / /");
}

// An entry that cannot be entered, its directory removed since it was
// listed or its full path beyond MAX_PATH, changes neither the list, the
// field nor the current directory.
TEST_F(SelectDirTest, EntriesThatCannotBeEnteredChangeNothing)
{
    /* Built one level at a time: the whole path is too long for one call. */
    const std::string part(250, 'd');
    std::string here = root;
    while (here.size() + 1 + part.size() < MAX_PATH) {
        ASSERT_EQ(mkdir(part.c_str(), 0755), 0) << strerror(errno);
        ASSERT_EQ(chdir(part.c_str()), 0);
        here += "/" + part;
    }
    ASSERT_EQ(mkdir(part.c_str(), 0755), 0);
    ASSERT_EQ(mkdir("gone", 0755), 0);
    when_dialog_up([&](QDialog *dlg) {
        const std::string before = listing(list_box(dlg));
        ASSERT_EQ(rmdir("gone"), 0);
        for (const std::string &entry : {std::string("[gone]"), "[" + part + "]"}) {
            ASSERT_TRUE(enter(dlg, QByteArray::fromStdString(entry))) << before;
            EXPECT_EQ(listing(list_box(dlg)), before);
            EXPECT_EQ(field_bytes(dlg) + " " + cwd(), here + " " + here);
        }
        button(dlg, "Cancel")->click();
    });
    EXPECT_EQ(choose(), "(cancelled)");
}

// The list shows what a Win32 one shows: a refilled list from its first
// entry, whatever was scrolled before; a name with control bytes in one row,
// its bytes as marks; a long name whole, never elided; a mount point as a
// drive "[-<path>-]", a blank in its name and all.
TEST_F(SelectDirTest, ListRowsAsWin32DrawsThem)
{
    for (int i = 0; i < 60; ++i) {
        tree.dir("many/d" + std::to_string(100 + i));
        tree.dir("many/d159/e" + std::to_string(100 + i));
    }
    tree.dir("new\nline\ttab");
    tree.dir(std::string(200, 'x'));
    tree.dir("my drive");
    std::string out = fresh_process_output([&]() -> std::string {
        if (std::string why = private_bind(tree.path("many"), tree.path("my drive")); !why.empty())
            return why;
        std::string report;
        when_dialog_up([&](QDialog *dlg) {
            QListWidget *l = list_box(dlg);
            QListWidgetItem *odd = find_item(l, "[new\nline\ttab]");
            QListWidgetItem *wide = find_item(l, QByteArray(1, '[') + QByteArray(200, 'x') + ']');
            if (!odd || odd->text() != QString::fromUtf8("[new\u240Aline\u2409tab]") ||
                l->visualItemRect(odd).height() != l->visualItemRect(l->item(0)).height())
                report += "control bytes; ";
            if (!wide || l->textElideMode() != Qt::ElideNone)
                report += "long name; ";
            if (!enter(dlg, QByteArray::fromStdString("[-" + root + "/my drive-]")))
                report += "no drive; ";
            l->scrollToBottom();
            if (l->verticalScrollBar()->value() == 0)
                report += "does not scroll; ";
            if (!enter(dlg, "[d159]"))
                report += "no d159; ";
            QCoreApplication::processEvents();
            if (l->verticalScrollBar()->value() != 0 || l->itemAt(2, 2) != l->item(0))
                report += "not at the top; ";
            button(dlg, "Cancel")->click();
        });
        choose();
        return report.empty() ? "OK" : report;
    });
    EXPECT_TRUE(IsSkipped() || out == "OK") << out;
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

// File/Open from end to end: the menu command, the dialog (no wait cursor
// while the user chooses), Select, the survey with Tarvel's own checker (the
// arrow back after it), the report and its scale; then Cancel changes
// nothing: report, title, scroll position.
TEST_F(SelectDirTest, FileOpenSurveysTheChoiceAndCancelDoesNothing)
{
    setenv("TARVEL_SYSTEM_DIR", TARVEL_CHECKER_DIR, 1);
    tree.file("big/data", 100 * 1024);
    tree.file("small/data", 10 * 1024);
    tree.file("own", 1024);
    tree.dir("start");
    ASSERT_EQ(chdir((root + "/start").c_str()), 0);
    auto file_open = [&](std::function<void(QDialog *)> body) {
        when_dialog_up(std::move(body));
        QAction *open = menu_action(top, "&Open");
        ASSERT_NE(open, nullptr) << "no File/Open item";
        open->trigger();
        MSG m;
        ASSERT_TRUE(GetMessageA(&m, NULL, 0, 0));
        ASSERT_EQ(std::make_pair(m.message, LOWORD(m.wParam)), std::make_pair((UINT)WM_COMMAND, (WORD)101));
        DispatchMessageA(&m);
        EXPECT_TRUE(GetCursor() == LoadCursorA(NULL, IDC_ARROW) && !QGuiApplication::overrideCursor());
        EXPECT_TRUE(boxes().empty()) << boxes()[0].caption << ": " << boxes()[0].text;
    };
    bool arrowInDialog = false;
    file_open([&](QDialog *dlg) {
        arrowInDialog = GetCursor() == LoadCursorA(NULL, IDC_ARROW);
        ASSERT_TRUE(enter(dlg, "[..]")) << listing(list_box(dlg));
        button(dlg, "Select")->click();
    });
    unsetenv("TARVEL_SYSTEM_DIR");
    EXPECT_TRUE(arrowInDialog);
    EXPECT_EQ(title(), "Directory Sizes of " + root);
    struct statvfs vfs;
    ASSERT_EQ(statvfs(root.c_str(), &vfs), 0);
    std::vector<std::string> lines = report_lines();
    ASSERT_EQ(lines.size(), 6u) << ::testing::PrintToString(lines);
    EXPECT_EQ(lines[0],
              "Drive " + mount_point(root) + " has a cluster size of " + std::to_string(vfs.f_frsize) + " bytes");
    for (std::string &l : lines)
        l = l.substr(0, l.find(" used"));            /* the waste follows the cluster size */
    std::sort(lines.begin() + 1, lines.begin() + 4); /* the sub-directories in the order listed */
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 1, lines.end()),
              (std::vector<std::string>{root + "/big/*.* 100K", root + "/small/*.* 10K", root + "/start/*.* 0K",
                                        root + "/*.* 111K", ""}));
    EXPECT_EQ(gl.totalbytesused, 111 * 1024.0);

    lines = report_lines();
    vScroll(SB_LINEDOWN, 0);
    file_open([](QDialog *dlg) {
        ASSERT_TRUE(enter(dlg, "[small]")) << listing(list_box(dlg));
        button(dlg, "Cancel")->click();
    });
    EXPECT_EQ(report_lines(), lines);
    EXPECT_EQ(title(), "Directory Sizes of " + root);
    EXPECT_EQ(gl.nCurPos, 1);
}
