// DialogBoxParamA and the dialog item calls on the real "SelectDir" template, with a recording procedure.
#include <gtest/gtest.h>

#include <windows.h>

#include "childrun.h"
#include "dialogdriver.h"
#include "../src/platform/user32/hwnd.h"

#include <QApplication>
#include <QFontMetrics>
#include <QTimer>

#include <cstring>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Sent {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<Sent> sent;
HWND lastDlg = NULL;
/* What the procedure does beyond recording; the default ends on Cancel (77) and Select (403). */
std::function<INT_PTR(HWND, UINT, WPARAM, LPARAM)> react;

INT_PTR CALLBACK recordingProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    lastDlg = hDlg;
    sent.push_back({msg, wParam, lParam});
    if (react) return react(hDlg, msg, wParam, lParam);
    if (msg == WM_INITDIALOG) return TRUE;
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) EndDialog(hDlg, 77);
    if (msg == WM_COMMAND && LOWORD(wParam) == 403) EndDialog(hDlg, 403);
    return msg == WM_COMMAND;
}

/* The WM_COMMANDs received: their wParams, or with `lp` their lParams; show() describes all messages. */
std::vector<WPARAM> commands(bool lp = false)
{
    std::vector<WPARAM> out;
    for (const Sent &s : sent)
        if (s.msg == WM_COMMAND) out.push_back(lp ? (WPARAM)s.lParam : s.wParam);
    return out;
}

std::string show()
{
    std::ostringstream o;
    for (const Sent &s : sent)
        o << "[msg 0x" << std::hex << s.msg << std::dec << " id " << LOWORD(s.wParam) << " code "
          << HIWORD(s.wParam) << "] ";
    return o.str();
}

const WPARAM kOk = MAKEWPARAM(IDOK, BN_CLICKED), kCancel = MAKEWPARAM(IDCANCEL, BN_CLICKED);

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override { sent.clear(), react = nullptr; }
    INT_PTR run(LPARAM init = 0, HWND owner = NULL)
    {
        return DialogBoxParamA(NULL, "SelectDir", owner, recordingProc, init);
    }
};

} // namespace

// A missing template, a missing procedure or a dead owner: -1, nothing shown.
TEST_F(DialogTest, CannotBeMadeReturnsMinusOne)
{
    SetLastError(0);
    EXPECT_EQ(DialogBoxParamA(NULL, "NoSuchDialog", NULL, recordingProc, 0), -1);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(DialogBoxParamA(NULL, "SelectDir", NULL, nullptr, 0), -1);
    HWND gone;
    {
        QWidget w;
        gone = hwnd_register(&w);
    }
    SetLastError(0);
    EXPECT_EQ(DialogBoxParamA(NULL, "SelectDir", gone, recordingProc, 0), -1);
    EXPECT_EQ(GetLastError(), (DWORD)ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_TRUE(sent.empty()) << show();
}

// WM_INITDIALOG first; user actions (not filling the list) are WM_COMMAND with the control's handle; EndDialog's value.
TEST_F(DialogTest, InitDialogCommandsAndEndDialogValue)
{
    const INT_PTR big = (INT_PTR)0x7edcba9876543210LL;
    HWND list = NULL, select = NULL;
    react = [&](HWND h, UINT m, WPARAM w, LPARAM) -> INT_PTR {
        if (m == WM_INITDIALOG) list = GetDlgItem(h, 402), select = GetDlgItem(h, 403);
        if (m == WM_COMMAND && LOWORD(w) == 403) EndDialog(h, big);
        return TRUE;
    };
    when_dialog_up([&](QDialog *dlg) {
        char all[] = "*.*";
        DlgDirListA(hwnd_of(dlg), all, 402, 401, DDL_EXCLUSIVE | DDL_DRIVES | DDL_DIRECTORY);
        QListWidget *l = list_box(dlg);
        ASSERT_GE(l->count(), 1) << "at least the root drive";
        click_item(l, l->item(0));
        double_click(l, l->item(0));
        button(dlg, "Select")->click();
    });
    ASSERT_EQ(chdir("/"), 0);
    EXPECT_EQ(run(0x1234), big);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent[0].msg, (UINT)WM_INITDIALOG) << show();
    EXPECT_EQ(sent[0].lParam, 0x1234);
    EXPECT_NE(list, (HWND)NULL);
    EXPECT_EQ(sent[0].wParam, (WPARAM)list) << "wParam names the first tab stop";
    EXPECT_EQ(commands(), (std::vector<WPARAM>{MAKEWPARAM(402, LBN_SELCHANGE), MAKEWPARAM(402, LBN_DBLCLK),
                                               MAKEWPARAM(403, BN_CLICKED)}))
        << show();
    EXPECT_EQ(commands(true), (std::vector<WPARAM>{(WPARAM)list, (WPARAM)list, (WPARAM)select}));
    EXPECT_EQ(hwnd_widget(lastDlg), nullptr) << "the dialog and its controls are gone";
}

// EndDialog during WM_INITDIALOG ends the dialog before it runs.
TEST_F(DialogTest, EndDialogInInitDialog)
{
    react = [](HWND h, UINT m, WPARAM, LPARAM) -> INT_PTR {
        if (m == WM_INITDIALOG) EndDialog(h, 5);
        return TRUE;
    };
    EXPECT_EQ(run(), 5);
    EXPECT_EQ(sent.size(), 1u) << show();
}

// Window, font, layout in dialog units, no default button, initial focus and tab order follow the template.
TEST_F(DialogTest, WindowLayoutAndTabOrderFollowTheTemplate)
{
    std::vector<std::string> focus;
    QWidget owner;
    owner.resize(400, 300);
    owner.show();
    HWND hOwner = hwnd_register(&owner);
    when_dialog_up([&](QDialog *dlg) {
        EXPECT_EQ(dlg->parentWidget(), &owner);
        EXPECT_EQ(dlg->windowTitle(), QString("Select Directory"));
        EXPECT_EQ(dlg->font().family(), QString("MS Sans Serif"));
        EXPECT_EQ(dlg->font().pointSize(), 8);
        QFontMetrics fm(dlg->font());
        const int bx = (fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
        const int by = fm.height();
        auto du = [&](int x, int y, int cx, int cy) {
            auto px = [](int d, int base, int per) { return (d * base + per / 2) / per; };
            return QRect(px(x, bx, 4), px(y, by, 8), px(cx, bx, 4), px(cy, by, 8));
        };
        EXPECT_EQ(dlg->size(), du(0, 0, 150, 110).size());
        const struct {
            const char *name;
            QWidget *w;
            QRect want;
        } controls[] = {{"path", path_field(dlg), du(6, 5, 136, 13)},
                        {"list", list_box(dlg), du(6, 20, 136, 59)},
                        {"Cancel", button(dlg, "Cancel"), du(16, 86, 50, 14)},
                        {"Select", button(dlg, "Select"), du(80, 86, 50, 14)}};
        auto str = [](QRect r) { return QString("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()); };
        for (const auto &c : controls) {
            ASSERT_NE(c.w, nullptr) << c.name;
            EXPECT_EQ(str(c.w->geometry()).toStdString(), str(c.want).toStdString()) << c.name;
        }
        EXPECT_TRUE(path_field(dlg)->isReadOnly());
        for (const char *b : {"Cancel", "Select"})
            EXPECT_FALSE(button(dlg, b)->isDefault() || button(dlg, b)->autoDefault()) << b << " is a default button";

        auto name = [&](QWidget *w) -> std::string {
            for (const auto &c : controls)
                if (w == c.w) return c.name;
            return w ? "other" : "none";
        };
        focus.push_back(name(dlg->focusWidget()));
        for (int key : {Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Backtab}) {
            press_key(dlg, key);
            focus.push_back(name(dlg->focusWidget()));
        }
        press_key(dlg, Qt::Key_Space);
    });
    EXPECT_EQ(run(0, hOwner), 403) << "Space on the focused Select button clicks it";
    EXPECT_EQ(focus, (std::vector<std::string>{"list", "Cancel", "Select", "list", "Select"}));
}

// Enter is IDOK wherever the focus is and closes nothing; Escape and the close box are IDCANCEL, which may be ignored.
TEST_F(DialogTest, EnterIsIdOkEscapeAndCloseBoxAreCancel)
{
    bool endOnCancel = false;
    react = [&](HWND h, UINT m, WPARAM w, LPARAM) -> INT_PTR {
        if (m == WM_COMMAND && LOWORD(w) == IDCANCEL && endOnCancel) EndDialog(h, 2);
        return TRUE;
    };
    std::vector<bool> open;
    when_dialog_up([&](QDialog *dlg) {
        press_key(dlg, Qt::Key_Return); /* on the list box */
        open.push_back(dlg->isVisible());
        press_key(dlg, Qt::Key_Enter, path_field(dlg));
        open.push_back(dlg->isVisible());
        button(dlg, "Cancel")->setFocus();
        press_key(dlg, Qt::Key_Return, button(dlg, "Cancel")); /* not a click on Cancel */
        open.push_back(dlg->isVisible());
        press_key(dlg, Qt::Key_Escape);
        open.push_back(dlg->isVisible());
        dlg->close();
        open.push_back(dlg->isVisible());
        endOnCancel = true;
        press_key(dlg, Qt::Key_Escape);
    });
    EXPECT_EQ(run(), 2);
    EXPECT_EQ(open, (std::vector<bool>{true, true, true, true, true}));
    EXPECT_EQ(commands(), (std::vector<WPARAM>{kOk, kOk, kOk, kCancel, kCancel, kCancel})) << show();

    when_dialog_up([](QDialog *dlg) { dlg->close(); });
    EXPECT_EQ(run(), 2) << "the close box ends the dialog through IDCANCEL";
}

// Item text is raw bytes: kept exactly, shown as UTF-8 with replacement marks, cut to cchMax - 1; bad ids fail.
TEST_F(DialogTest, ItemTextIsRawBytes)
{
    const char latin1[] = "/tmp/caf\xe9 <b>%s</b>";
    when_dialog_up([&](QDialog *dlg) {
        HWND h = hwnd_of(dlg);
        char buf[64];
        EXPECT_TRUE(SetDlgItemTextA(h, 401, latin1));
        std::memset(buf, 'x', sizeof buf);
        EXPECT_EQ(GetDlgItemTextA(h, 401, buf, sizeof buf), (UINT)std::strlen(latin1));
        EXPECT_STREQ(buf, latin1);
        EXPECT_EQ(path_field(dlg)->text(), QString::fromUtf8("/tmp/caf\xef\xbf\xbd <b>%s</b>"))
            << path_field(dlg)->text().toStdString();
        std::memset(buf, 'x', sizeof buf);
        EXPECT_EQ(GetDlgItemTextA(h, 401, buf, 9), 8u);
        EXPECT_EQ(std::string(buf, 10), std::string("/tmp/caf\0x", 10)) << "8 bytes, the terminator, nothing more";
        EXPECT_EQ(GetDlgItemTextA(h, 401, buf, 1), 0u);
        EXPECT_STREQ(buf, "");
        EXPECT_EQ(GetDlgItemTextA(h, 999, buf, sizeof buf), 0u);
        EXPECT_FALSE(SetDlgItemTextA(h, 999, "x"));
        button(dlg, "Cancel")->click();
    });
    EXPECT_EQ(run(), 77);
}

// While the program is quitting, DialogBoxParamA returns 0 at once without calling the procedure.
TEST_F(DialogTest, ReturnsZeroWhenQuitting)
{
    /* PostQuitMessage cannot be undone, so this runs in a child process. */
    ChildResult res = run_in_child([] {
        PostQuitMessage(0);
        INT_PTR r = DialogBoxParamA(NULL, "SelectDir", NULL, recordingProc, 0);
        return "returned " + std::to_string(r) + ", " + std::to_string(sent.size()) + " messages";
    });
    EXPECT_EQ(res.status, 0);
    EXPECT_EQ(res.output, "returned 0, 0 messages");
}

// A quit posted while the dialog is up (the main window closed under it)
// ends the dialog with 0, as Cancel, instead of leaving it waiting.
TEST_F(DialogTest, QuitEndsARunningDialog)
{
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        alarm(20); /* a dialog that never ends fails the test, not the suite */
        QTimer::singleShot(100, [] { PostQuitMessage(0); });
        INT_PTR r = DialogBoxParamA(NULL, "SelectDir", NULL, recordingProc, 0);
        _exit(r == 0 ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
}

// Calls on handles that are no dialog fail quietly.
TEST_F(DialogTest, BadHandlesFail)
{
    EXPECT_FALSE(EndDialog(NULL, 1));
    EXPECT_EQ(GetDlgItem(NULL, 401), (HWND)NULL);
    char buf[8] = "abc";
    EXPECT_EQ(GetDlgItemTextA(NULL, 401, buf, sizeof buf), 0u);
    EXPECT_STREQ(buf, "");
    QWidget plain;
    HWND h = hwnd_register(&plain);
    EXPECT_FALSE(EndDialog(h, 1)) << "a window that is no dialog";
    EXPECT_EQ(GetDlgItem(h, 401), (HWND)NULL);
}
