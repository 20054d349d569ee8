// DlgDirListA and DlgDirSelectExA on real trees, as the dialog uses them: refusals, the names handed back.
#include <gtest/gtest.h>

#include <windows.h>

#include "childrun.h"
#include "dialogdriver.h"
#include "temptree.h"
#include "../src/platform/user32/hwnd.h"

#include <QCoreApplication>
#include <QScrollBar>

#include <cstring>
#include <functional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/* Runs `fn` on a real "SelectDir" dialog, then ends it. */
void in_dialog(const std::function<void(QDialog *)> &fn)
{
    when_dialog_up([&](QDialog *dlg) {
        fn(dlg);
        EndDialog(hwnd_of(dlg), 1);
    });
    DLGPROC proc = [](HWND, UINT m, WPARAM, LPARAM) -> INT_PTR { return m == WM_INITDIALOG; };
    EXPECT_EQ(DialogBoxParamA(NULL, "SelectDir", NULL, proc, 0), 1);
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
    } cases[] = {{nullptr, 64, FALSE, ""},     {"[some dir]", 64, TRUE, "some dir/"}, {"[..]", 64, TRUE, "../"},
                 {"[-/-]", 64, TRUE, "/"},     {"f.txt", 64, FALSE, "f.txt"},        {"[some dir]", 5, TRUE, "some"}};
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
        if (std::string why = private_mounts(); !why.empty()) return "SKIP " + why;
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
            if (!wide || l->textElideMode() != Qt::ElideNone) report += "long name; ";
            if (!find_item(l, QByteArray::fromStdString("[-" + root + "/my drive-]"))) report += "no drive: " + listing(l);
            list(dlg, "my drive/*.*");
            l->scrollToBottom();
            if (l->verticalScrollBar()->value() == 0) report += "does not scroll; ";
            list(dlg, "d159/*.*");
            QCoreApplication::processEvents();
            if (l->verticalScrollBar()->value() != 0 || l->itemAt(2, 2) != l->item(0)) report += "not at the top; ";
        });
        return report.empty() ? "OK" : report;
    });
    if (!IsSkipped()) EXPECT_EQ(out, "OK");
}
