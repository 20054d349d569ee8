// DlgDirListA and DlgDirSelectExA on real trees: patterns, files, refusals
// that change nothing, and the names handed back.
#include <gtest/gtest.h>

#include <windows.h>

#include "temptree.h"
#include "../src/platform/user32/dlgcontrols.h"

#include <QListWidget>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::function<void(HWND)> body;

/* Runs `body` inside WM_INITDIALOG of a real "SelectDir" dialog, then ends it. */
INT_PTR CALLBACK scriptProc(HWND h, UINT m, WPARAM, LPARAM)
{
    if (m == WM_INITDIALOG) {
        body(h);
        EndDialog(h, 1);
    }
    return m == WM_INITDIALOG || m == WM_COMMAND;
}

void in_dialog(std::function<void(HWND)> fn)
{
    body = std::move(fn);
    EXPECT_EQ(DialogBoxParamA(NULL, "SelectDir", NULL, scriptProc, 0), 1);
    body = nullptr;
}

std::vector<std::string> items(HWND h)
{
    std::vector<std::string> out;
    auto *l = dynamic_cast<QListWidget *>(dlg_control(h, 402));
    for (int i = 0; l && i < l->count(); ++i) {
        std::string b = listbox_item_bytes(l->item(i)).toStdString();
        if (b.rfind("[-", 0) != 0) out.push_back(b); /* drives depend on the machine */
    }
    return out;
}

std::string field(HWND h)
{
    char buf[MAX_PATH];
    GetDlgItemTextA(h, 401, buf, sizeof buf);
    return buf;
}

void select(HWND h, const std::string &bytes)
{
    auto *l = dynamic_cast<QListWidget *>(dlg_control(h, 402));
    for (int i = 0; l && i < l->count(); ++i)
        if (listbox_item_bytes(l->item(i)).toStdString() == bytes) l->setCurrentRow(i);
}

std::string cwd()
{
    char buf[PATH_MAX];
    return getcwd(buf, sizeof buf) ? std::string(buf) : std::string("(getcwd failed)");
}

std::string real(const std::string &p)
{
    char buf[PATH_MAX];
    return realpath(p.c_str(), buf) ? std::string(buf) : p;
}

class DlgDirTest : public ::testing::Test {
protected:
    TempTree tree;
    std::string root;
    void SetUp() override
    {
        root = real(tree.root());
        ASSERT_EQ(chdir(root.c_str()), 0);
    }
    void TearDown() override
    {
        if (chdir("/") != 0) ADD_FAILURE() << "chdir /";
    }
};

const UINT kDirs = DDL_EXCLUSIVE | DDL_DRIVES | DDL_DIRECTORY;

} // namespace

// The last component is a pattern (ASCII case ignored, "*.*" matches names without a dot);
// without DDL_EXCLUSIVE files come too, as bare names.
TEST_F(DlgDirTest, PatternsAndFiles)
{
    tree.dir("Alpha");
    tree.dir("apple.d");
    tree.dir("beta");
    tree.file("notes.txt", 1);
    tree.file("Makefile", 1);
    std::vector<std::string> a, all, withFiles, txt;
    in_dialog([&](HWND h) {
        char p1[] = "a*";
        EXPECT_EQ(DlgDirListA(h, p1, 402, 401, kDirs), 1);
        a = items(h);
        char p2[] = "*.*";
        DlgDirListA(h, p2, 402, 401, kDirs);
        all = items(h);
        char p3[] = "*.*";
        DlgDirListA(h, p3, 402, 401, DDL_DIRECTORY);
        withFiles = items(h);
        char p4[] = "*.TXT";
        DlgDirListA(h, p4, 402, 401, DDL_READWRITE);
        txt = items(h);
    });
    EXPECT_EQ(a, (std::vector<std::string>{"[Alpha]", "[apple.d]"}));
    EXPECT_EQ(all, (std::vector<std::string>{"[..]", "[Alpha]", "[apple.d]", "[beta]"}));
    EXPECT_EQ(withFiles,
              (std::vector<std::string>{"[..]", "[Alpha]", "[apple.d]", "[beta]", "Makefile", "notes.txt"}));
    EXPECT_EQ(txt, (std::vector<std::string>{"notes.txt"}));
}

// A spec naming a file, a missing directory or an unlistable one returns 0 and changes nothing.
TEST_F(DlgDirTest, RefusalsChangeNothing)
{
    tree.dir("sub");
    tree.file("plain", 1);
    std::vector<std::string> before, after;
    std::string fieldBefore, fieldAfter;
    int r1 = -1, r2 = -1;
    in_dialog([&](HWND h) {
        char p[] = "*.*";
        DlgDirListA(h, p, 402, 401, kDirs);
        before = items(h);
        fieldBefore = field(h);
        char f[] = "plain/*.*";
        r1 = DlgDirListA(h, f, 402, 401, kDirs);
        char m[] = "missing/*.*";
        r2 = DlgDirListA(h, m, 402, 401, kDirs);
        after = items(h);
        fieldAfter = field(h);
    });
    EXPECT_EQ(r1, 0);
    EXPECT_EQ(r2, 0);
    EXPECT_EQ(after, before);
    EXPECT_EQ(fieldAfter, fieldBefore);
    EXPECT_EQ(fieldAfter, root);
    EXPECT_EQ(cwd(), root);
}

// Without a list box the call only enters the directory and shows its path.
TEST_F(DlgDirTest, NoListBoxOnlyEnters)
{
    tree.dir("sub/deeper");
    std::string shown;
    std::vector<std::string> listed;
    in_dialog([&](HWND h) {
        char p[] = "sub/*.*";
        EXPECT_EQ(DlgDirListA(h, p, 0, 401, kDirs), 1);
        shown = field(h);
        listed = items(h);
    });
    EXPECT_EQ(shown, root + "/sub");
    EXPECT_TRUE(listed.empty()) << listed.size() << " items";
    EXPECT_EQ(cwd(), root + "/sub");
}

// DlgDirSelectExA: "name/" for a directory, "../" for the parent, "/" for the root drive,
// a file's bare name with FALSE, nothing selected: FALSE and an empty string; cut to chCount - 1.
TEST_F(DlgDirTest, SelectedEntryAsAPathName)
{
    tree.dir("some dir");
    tree.file("f.txt", 1);
    struct Got {
        BOOL r;
        std::string s;
    };
    std::vector<Got> got;
    in_dialog([&](HWND h) {
        char p[] = "*.*";
        DlgDirListA(h, p, 402, 401, DDL_DRIVES | DDL_DIRECTORY);
        char buf[64];
        std::strcpy(buf, "junk");
        got.push_back({DlgDirSelectExA(h, buf, sizeof buf, 402), buf});
        for (const char *entry : {"[some dir]", "[..]", "[-/-]", "f.txt"}) {
            select(h, entry);
            got.push_back({DlgDirSelectExA(h, buf, sizeof buf, 402), buf});
        }
        select(h, "[some dir]");
        got.push_back({DlgDirSelectExA(h, buf, 5, 402), buf});
    });
    ASSERT_EQ(got.size(), 6u);
    EXPECT_FALSE(got[0].r);
    EXPECT_EQ(got[0].s, "");
    EXPECT_TRUE(got[1].r);
    EXPECT_EQ(got[1].s, "some dir/");
    EXPECT_TRUE(got[2].r);
    EXPECT_EQ(got[2].s, "../");
    EXPECT_TRUE(got[3].r);
    EXPECT_EQ(got[3].s, "/");
    EXPECT_FALSE(got[4].r);
    EXPECT_EQ(got[4].s, "f.txt");
    EXPECT_EQ(got[5].s, "some");
}

// A directory whose full path would exceed MAX_PATH is refused, and the current directory stays.
TEST_F(DlgDirTest, PathBeyondMaxPathIsRefused)
{
    /* Built one level at a time: the whole path is too long for one call. */
    const std::string part(250, 'd');
    std::string here = root;
    int depth = 0;
    while (here.size() + 1 + part.size() < MAX_PATH) {
        ASSERT_EQ(mkdir(part.c_str(), 0755), 0) << strerror(errno);
        ASSERT_EQ(chdir(part.c_str()), 0);
        here += "/" + part;
        ++depth;
    }
    ASSERT_EQ(mkdir(part.c_str(), 0755), 0);
    std::string shownBefore, shownAfter;
    int r = -1;
    in_dialog([&](HWND h) {
        char p[] = "*.*";
        DlgDirListA(h, p, 402, 401, kDirs);
        shownBefore = field(h);
        std::string spec = part + "/*.*";
        r = DlgDirListA(h, spec.data(), 402, 401, kDirs);
        shownAfter = field(h);
    });
    EXPECT_EQ(r, 0) << "depth " << depth;
    EXPECT_EQ(shownBefore, here);
    EXPECT_EQ(shownAfter, here);
    EXPECT_EQ(cwd(), here);
}
