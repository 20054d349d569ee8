// DialogBoxParamA, the dialog item calls and DlgDirListA / DlgDirSelectExA on
// the real "SelectDir" template and real trees, driven as a person would,
// with a procedure that records what it is sent.
#include <gtest/gtest.h>

#include <windows.h>

#include "childrun.h"
#include "dialogdriver.h"
#include "temptree.h"
#include "../src/platform/user32/dlgcontrols.h"
#include "../src/platform/user32/hwnd.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QScrollBar>

#include <cstring>
#include <functional>
#include <memory>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::vector<std::pair<UINT, WPARAM>> sent; /* message, wParam */

/* Records what it is sent; ends on Cancel (77) and Select (403, with a value of 64 bits). */
INT_PTR CALLBACK recordingProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM)
{
    sent.emplace_back(msg, wParam);
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL)
        EndDialog(hDlg, 77);
    if (msg == WM_COMMAND && LOWORD(wParam) == 403)
        EndDialog(hDlg, (INT_PTR)0x7edcba9876543210LL);
    return msg == WM_COMMAND || msg == WM_INITDIALOG;
}

INT_PTR run(HWND owner = NULL)
{
    sent.clear();
    return DialogBoxParamA(NULL, "SelectDir", owner, recordingProc, 0);
}

std::vector<WPARAM> commands()
{
    std::vector<WPARAM> out;
    for (auto &[msg, w] : sent)
        if (msg == WM_COMMAND)
            out.push_back(w);
    return out;
}

/* Runs `fn` on a real "SelectDir" dialog, then ends it. */
void in_dialog(const std::function<void(QDialog *)> &fn)
{
    when_dialog_up([&](QDialog *dlg) {
        fn(dlg);
        EndDialog(hwnd_of(dlg), 1);
    });
    EXPECT_EQ(run(), 1);
}

int list(QDialog *dlg, std::string pattern, UINT flags = DDL_EXCLUSIVE | DDL_DRIVES | DDL_DIRECTORY, int idList = 402)
{
    return DlgDirListA(hwnd_of(dlg), pattern.data(), idList, 401, flags);
}

class DlgDirTest : public ::testing::Test {
protected:
    TempTree tree;
    std::string root = real_path(tree.root());
    void SetUp() override { ASSERT_EQ(chdir(root.c_str()), 0); }
    void TearDown() override { EXPECT_EQ(chdir("/"), 0); }
};

} // namespace

// The window, font, controls in dialog units, no default button and the tab
// order follow the template. Enter is IDOK wherever the focus is and closes
// nothing; Escape and the close box are IDCANCEL; Space clicks a button.
TEST(Dialog, TemplateAndKeyboard)
{
    QWidget owner;
    owner.show();
    std::string focus;
    bool stillopen = true;
    when_dialog_up([&](QDialog *dlg) {
        EXPECT_EQ(dlg->parentWidget(), &owner);
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
        for (QWidget *w : {(QWidget *)list_box(dlg), (QWidget *)path_field(dlg), (QWidget *)button(dlg, "Cancel")}) {
            w->setFocus();
            press_key(dlg, Qt::Key_Return, w); /* not a click on Cancel either */
            stillopen = stillopen && dlg->isVisible();
        }
        button(dlg, "Select")->setFocus();
        press_key(dlg, Qt::Key_Space);
    });
    EXPECT_EQ(run(hwnd_register(&owner)), (INT_PTR)0x7edcba9876543210LL) << "Space clicked Select";
    EXPECT_EQ(focus, "list Cancel Select list Select ");
    EXPECT_TRUE(stillopen);
    const WPARAM ok = MAKEWPARAM(IDOK, BN_CLICKED);
    EXPECT_EQ(commands(), (std::vector<WPARAM>{ok, ok, ok, MAKEWPARAM(403, BN_CLICKED)}));
    for (auto end : {+[](QDialog *d) { press_key(d, Qt::Key_Escape); }, +[](QDialog *d) { d->close(); }}) {
        when_dialog_up(end);
        EXPECT_EQ(run(), 77);
        EXPECT_EQ(commands(), std::vector<WPARAM>{MAKEWPARAM(IDCANCEL, BN_CLICKED)});
    }
}

// Item text and a dialog's caption are raw bytes: kept exactly, shown as
// UTF-8 with replacement marks, cut to cchMax - 1. A missing template, a missing procedure or a
// dead owner make no dialog (-1, nothing sent); bad ids and handles that are
// no dialog fail.
TEST(Dialog, ItemTextAndFailures)
{
    const char latin1[] = "/tmp/caf\xe9 <b>%s</b>";
    when_dialog_up([&](QDialog *dlg) {
        HWND h = hwnd_of(dlg);
        char buf[64];
        set_control_text(path_field(dlg), QByteArray(latin1)); /* as DlgDirListA sets it */
        EXPECT_TRUE(GetDlgItemTextA(h, 401, buf, sizeof buf) == std::strlen(latin1) && !strcmp(buf, latin1));
        EXPECT_EQ(path_field(dlg)->text(), QString::fromUtf8("/tmp/caf\xef\xbf\xbd <b>%s</b>"));
        std::memset(buf, 'x', sizeof buf);
        EXPECT_EQ(GetDlgItemTextA(h, 401, buf, 9), 8u);
        EXPECT_EQ(std::string(buf, 10), std::string("/tmp/caf\0x", 10)) << "8 bytes, the terminator, nothing more";
        EXPECT_EQ(GetDlgItemTextA(h, 999, buf, sizeof buf), 0u);
        /* A dialog's caption, set as its template's is, is its window text, kept exactly: not Qt's lossy title. */
        set_control_text(dlg, QByteArray(latin1));
        EXPECT_TRUE(GetWindowTextA(h, buf, sizeof buf) == (int)std::strlen(latin1) && !strcmp(buf, latin1)) << buf;
        button(dlg, "Cancel")->click();
    });
    EXPECT_EQ(run(), 77);

    sent.clear();
    EXPECT_EQ(DialogBoxParamA(NULL, "NoSuchDialog", NULL, recordingProc, 0), -1);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(DialogBoxParamA(NULL, "SelectDir", NULL, nullptr, 0), -1);
    HWND gone = hwnd_register(std::make_unique<QWidget>().get());
    EXPECT_EQ(DialogBoxParamA(NULL, "SelectDir", gone, recordingProc, 0), -1);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_TRUE(sent.empty());
    QWidget plain;
    for (HWND bad : {(HWND)NULL, hwnd_register(&plain)})
        EXPECT_FALSE(EndDialog(bad, 1));
}

// A path naming a file or a missing directory returns 0 and changes neither list, field nor cwd.
TEST_F(DlgDirTest, RefusalsChangeNothing)
{
    tree.dir("sub");
    tree.file("plain", 1);
    in_dialog([&](QDialog *dlg) {
        list(dlg, "*.*");
        const std::string before = listing(list_box(dlg));
        for (const char *pattern : {"plain/*.*", "missing/*.*"}) {
            EXPECT_EQ(list(dlg, pattern), 0) << pattern;
            EXPECT_EQ(listing(list_box(dlg)), before) << pattern;
            EXPECT_EQ(field_bytes(dlg), root) << pattern;
            EXPECT_EQ(cwd(), root) << pattern;
        }
    });
}

// DlgDirSelectExA: "name/", "../", "/" for the root drive, a bare file name (FALSE), none selected; cut to chCount - 1.
TEST_F(DlgDirTest, SelectedEntryAsAPathName)
{
    tree.dir("some dir");
    tree.file("f.txt", 1);
    const struct {
        const char *entry; /* null: nothing selected */
        int size;
        BOOL dir;
        const char *want;
    } cases[] = {{nullptr, 64, FALSE, ""}, {"[some dir]", 64, TRUE, "some dir/"}, {"[..]", 64, TRUE, "../"},
                 {"[-/-]", 64, TRUE, "/"}, {"f.txt", 64, FALSE, "f.txt"},         {"[some dir]", 5, TRUE, "some"}};
    in_dialog([&](QDialog *dlg) {
        list(dlg, "*.*", DDL_DRIVES | DDL_DIRECTORY);
        for (const auto &c : cases) {
            const char *what = c.entry ? c.entry : "(none)";
            QListWidgetItem *item = c.entry ? find_item(list_box(dlg), c.entry) : nullptr;
            ASSERT_TRUE(item || !c.entry) << what << " not in " << listing(list_box(dlg));
            list_box(dlg)->setCurrentItem(item);
            char buf[64] = "junk";
            EXPECT_EQ(DlgDirSelectExA(hwnd_of(dlg), buf, c.size, 402), c.dir) << what;
            EXPECT_STREQ(buf, c.want) << what << " with room for " << c.size;
        }
    });
}

// A directory whose full path would exceed MAX_PATH is refused, and the current directory stays.
TEST_F(DlgDirTest, PathBeyondMaxPathIsRefused)
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
    in_dialog([&](QDialog *dlg) {
        list(dlg, "*.*");
        EXPECT_EQ(field_bytes(dlg), here);
        EXPECT_EQ(list(dlg, part + "/*.*"), 0);
        EXPECT_EQ(field_bytes(dlg), here);
    });
    EXPECT_EQ(cwd(), here);
}

// A list box shows what a Win32 one shows: a refilled list from its first
// entry, whatever was scrolled before; a name with control bytes in one row,
// its bytes as marks; a long name whole, never elided; a mount point as a
// drive "[-<path>-]", a blank in its name and all.
TEST_F(DlgDirTest, ListRowsAsWin32DrawsThem)
{
    for (int i = 0; i < 60; ++i) {
        tree.dir("many/d" + std::to_string(100 + i));
        tree.dir("many/d159/e" + std::to_string(100 + i));
    }
    tree.dir("new\nline\ttab");
    tree.dir(std::string(200, 'x'));
    tree.dir("my drive");
    std::string out = child_output([&]() -> std::string {
        if (std::string why = private_mounts(); !why.empty())
            return "SKIP " + why;
        if (mount(tree.path("many").c_str(), tree.path("my drive").c_str(), nullptr, MS_BIND, nullptr) != 0)
            return "SKIP bind mount: " + std::string(strerror(errno));
        std::string report;
        in_dialog([&](QDialog *dlg) {
            QListWidget *l = list_box(dlg);
            list(dlg, "*.*");
            QListWidgetItem *odd = find_item(l, "[new\nline\ttab]");
            QListWidgetItem *wide = find_item(l, QByteArray(1, '[') + QByteArray(200, 'x') + ']');
            if (!odd || odd->text() != QString::fromUtf8("[new\u240Aline\u2409tab]") ||
                l->visualItemRect(odd).height() != l->visualItemRect(l->item(0)).height())
                report += "control bytes; ";
            if (!wide || l->textElideMode() != Qt::ElideNone)
                report += "long name; ";
            if (!find_item(l, QByteArray::fromStdString("[-" + root + "/my drive-]")))
                report += "no drive; ";
            list(dlg, "my drive/*.*");
            l->scrollToBottom();
            if (l->verticalScrollBar()->value() == 0)
                report += "does not scroll; ";
            list(dlg, "d159/*.*");
            QCoreApplication::processEvents();
            if (l->verticalScrollBar()->value() != 0 || l->itemAt(2, 2) != l->item(0))
                report += "not at the top; ";
        });
        return report.empty() ? "OK" : report;
    });
    EXPECT_TRUE(IsSkipped() || out == "OK") << out;
}
