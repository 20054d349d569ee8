// DialogBoxParamA and the dialog item calls, on the real "SelectDir" template
// with a recording dialog procedure, driven through the Qt widgets.
#include <gtest/gtest.h>

#include <windows.h>

#include "dialogdriver.h"
#include "../src/platform/user32/hwnd.h"

#include <QApplication>
#include <QTimer>
#include <QDialog>
#include <QFont>
#include <QFontMetrics>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopedPointer>

#include <cstring>
#include <functional>
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

std::vector<Sent> commands()
{
    std::vector<Sent> out;
    for (const Sent &s : sent)
        if (s.msg == WM_COMMAND) out.push_back(s);
    return out;
}

std::string show(const std::vector<Sent> &v)
{
    std::ostringstream o;
    for (const Sent &s : v)
        o << "[msg 0x" << std::hex << s.msg << std::dec << " id " << LOWORD(s.wParam) << " code "
          << HIWORD(s.wParam) << "] ";
    return o.str();
}

class DialogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sent.clear();
        react = nullptr;
        lastDlg = NULL;
    }
    void TearDown() override { react = nullptr; }

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
    EXPECT_TRUE(sent.empty()) << show(sent);
}

// WM_INITDIALOG comes first with the init parameter and the first tab stop; EndDialog's value comes back.
TEST_F(DialogTest, InitDialogThenEndDialogValue)
{
    const INT_PTR big = (INT_PTR)0x7edcba9876543210LL;
    HWND listAtInit = NULL;
    react = [&](HWND h, UINT m, WPARAM w, LPARAM) -> INT_PTR {
        if (m == WM_INITDIALOG) {
            listAtInit = GetDlgItem(h, 402);
            return TRUE;
        }
        if (m == WM_COMMAND && LOWORD(w) == 403) EndDialog(h, big);
        return TRUE;
    };
    when_dialog_up([](QDialog *dlg) { button(dlg, "Select")->click(); });
    INT_PTR r = run(0x1234);
    EXPECT_EQ(r, big);
    ASSERT_GE(sent.size(), 2u) << show(sent);
    EXPECT_EQ(sent[0].msg, (UINT)WM_INITDIALOG);
    EXPECT_EQ(sent[0].lParam, 0x1234);
    EXPECT_NE(listAtInit, (HWND)NULL);
    EXPECT_EQ(sent[0].wParam, (WPARAM)(UINT_PTR)listAtInit) << "wParam names the first tab stop";
    // Once DialogBoxParamA has returned, the dialog and its controls are gone.
    EXPECT_EQ(hwnd_widget(lastDlg), nullptr);
}

// EndDialog during WM_INITDIALOG ends the dialog before it runs.
TEST_F(DialogTest, EndDialogInInitDialog)
{
    react = [](HWND h, UINT m, WPARAM, LPARAM) -> INT_PTR {
        if (m == WM_INITDIALOG) EndDialog(h, 5);
        return TRUE;
    };
    EXPECT_EQ(run(), 5);
    EXPECT_EQ(sent.size(), 1u) << show(sent);
}

// The window: modal, owned by the owner's window, captioned, sized in dialog units of its font.
TEST_F(DialogTest, WindowAndLayoutFollowTheTemplate)
{
    QWidget owner;
    owner.resize(400, 300);
    owner.show();
    HWND hOwner = hwnd_register(&owner);
    when_dialog_up([&](QDialog *dlg) {
        EXPECT_EQ(QApplication::activeModalWidget(), dlg);
        EXPECT_EQ(dlg->parentWidget(), &owner);
        EXPECT_EQ(dlg->windowTitle(), QString("Select Directory"));
        EXPECT_EQ(dlg->font().family(), QString("MS Sans Serif"));
        EXPECT_EQ(dlg->font().pointSize(), 8);

        QFontMetrics fm(dlg->font());
        int bx = (fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
        int by = fm.height();
        auto px = [](int du, int base, int per) { return (du * base + per / 2) / per; };
        EXPECT_EQ(dlg->size(), QSize(px(150, bx, 4), px(110, by, 8)));
        QRect list = list_box(dlg)->geometry();
        EXPECT_EQ(list, QRect(px(6, bx, 4), px(20, by, 8), px(136, bx, 4), px(59, by, 8)));
        QRect path = path_field(dlg)->geometry();
        EXPECT_EQ(path, QRect(px(6, bx, 4), px(5, by, 8), px(136, bx, 4), px(13, by, 8)));
        QRect cancel = button(dlg, "Cancel")->geometry(), select = button(dlg, "Select")->geometry();
        EXPECT_EQ(cancel, QRect(px(16, bx, 4), px(86, by, 8), px(50, bx, 4), px(14, by, 8)));
        EXPECT_EQ(select.size(), cancel.size());
        EXPECT_LT(cancel.right(), select.left()) << "Cancel left of Select";
        EXPECT_LT(list.bottom(), cancel.top()) << "buttons below the list";
        EXPECT_TRUE(dlg->rect().contains(select)) << "Select inside the dialog";

        EXPECT_TRUE(path_field(dlg)->isReadOnly());
        EXPECT_FALSE(button(dlg, "Cancel")->isDefault());
        EXPECT_FALSE(button(dlg, "Select")->isDefault());
        EXPECT_FALSE(button(dlg, "Cancel")->autoDefault());
        EXPECT_FALSE(button(dlg, "Select")->autoDefault());
        button(dlg, "Cancel")->click();
    });
    EXPECT_EQ(run(0, hOwner), 77);
}

// The list box has the focus at first; Tab goes list -> Cancel -> Select -> list, never to the path field.
TEST_F(DialogTest, TabOrderAndInitialFocus)
{
    std::vector<std::string> seen;
    when_dialog_up([&](QDialog *dlg) {
        auto name = [&](QWidget *w) -> std::string {
            if (w == list_box(dlg)) return "list";
            if (w == path_field(dlg)) return "path";
            if (w == button(dlg, "Cancel")) return "Cancel";
            if (w == button(dlg, "Select")) return "Select";
            return w ? "other" : "none";
        };
        seen.push_back(name(dlg->focusWidget()));
        for (int i = 0; i < 3; ++i) {
            press_key(dlg, Qt::Key_Tab);
            seen.push_back(name(dlg->focusWidget()));
        }
        press_key(dlg, Qt::Key_Backtab);
        seen.push_back(name(dlg->focusWidget()));
        button(dlg, "Cancel")->click();
    });
    run();
    EXPECT_EQ(seen, (std::vector<std::string>{"list", "Cancel", "Select", "list", "Select"}));
}

// Buttons send (id, BN_CLICKED) with their handle; the result is what the procedure passed to EndDialog.
TEST_F(DialogTest, ButtonClicksAreCommands)
{
    HWND selectHwnd = NULL;
    react = [&](HWND h, UINT m, WPARAM w, LPARAM) -> INT_PTR {
        if (m == WM_INITDIALOG) {
            selectHwnd = GetDlgItem(h, 403);
            return TRUE;
        }
        if (m == WM_COMMAND && LOWORD(w) == 403) EndDialog(h, 9);
        return TRUE;
    };
    when_dialog_up([](QDialog *dlg) { button(dlg, "Select")->click(); });
    EXPECT_EQ(run(), 9);
    auto c = commands();
    ASSERT_EQ(c.size(), 1u) << show(c);
    EXPECT_EQ(c[0].wParam, MAKEWPARAM(403, BN_CLICKED));
    EXPECT_EQ(c[0].lParam, (LPARAM)(UINT_PTR)selectHwnd);
}

// Escape and the close box are IDCANCEL; a procedure that ignores them keeps the dialog open.
TEST_F(DialogTest, EscapeAndCloseBoxAreCancel)
{
    bool endOnCancel = false;
    react = [&](HWND h, UINT m, WPARAM w, LPARAM) -> INT_PTR {
        if (m == WM_COMMAND && LOWORD(w) == IDCANCEL && endOnCancel) EndDialog(h, 2);
        return m == WM_INITDIALOG || m == WM_COMMAND;
    };
    bool openAfterEscape = false, openAfterClose = false;
    when_dialog_up([&](QDialog *dlg) {
        press_key(dlg, Qt::Key_Escape);
        openAfterEscape = dlg->isVisible();
        dlg->close();
        openAfterClose = dlg->isVisible();
        endOnCancel = true;
        press_key(dlg, Qt::Key_Escape);
    });
    EXPECT_EQ(run(), 2);
    EXPECT_TRUE(openAfterEscape);
    EXPECT_TRUE(openAfterClose);
    auto c = commands();
    ASSERT_EQ(c.size(), 3u) << show(c);
    for (const Sent &s : c) EXPECT_EQ(s.wParam, MAKEWPARAM(IDCANCEL, BN_CLICKED)) << show(c);

    sent.clear();
    when_dialog_up([](QDialog *dlg) { dlg->close(); });
    EXPECT_EQ(run(), 2) << "the close box ends the dialog through IDCANCEL";
}

// Enter is IDOK wherever the focus is, a focused push button included, and never closes the dialog by itself.
TEST_F(DialogTest, EnterIsIdOkAndNeverClosesByItself)
{
    react = [](HWND h, UINT m, WPARAM w, LPARAM) -> INT_PTR {
        if (m == WM_COMMAND && LOWORD(w) == IDCANCEL) EndDialog(h, 0);
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
        button(dlg, "Cancel")->click();
    });
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(open, (std::vector<bool>{true, true, true}));
    auto c = commands();
    ASSERT_EQ(c.size(), 4u) << show(c);
    EXPECT_EQ(c[0].wParam, MAKEWPARAM(IDOK, BN_CLICKED));
    EXPECT_EQ(c[1].wParam, MAKEWPARAM(IDOK, BN_CLICKED));
    EXPECT_EQ(c[2].wParam, MAKEWPARAM(IDOK, BN_CLICKED));
}

// List box: a user's double-click is (402, LBN_DBLCLK), a user's selection (402, LBN_SELCHANGE);
// filling the list notifies nothing.
TEST_F(DialogTest, ListBoxNotifications)
{
    react = [](HWND h, UINT m, WPARAM w, LPARAM) -> INT_PTR {
        if (m == WM_INITDIALOG) {
            char all[] = "*.*";
            DlgDirListA(h, all, 402, 401, DDL_EXCLUSIVE | DDL_DRIVES | DDL_DIRECTORY);
            return TRUE;
        }
        if (m == WM_COMMAND && LOWORD(w) == IDCANCEL) EndDialog(h, 0);
        return TRUE;
    };
    HWND listHwnd = NULL;
    when_dialog_up([&](QDialog *dlg) {
        listHwnd = hwnd_of(list_box(dlg));
        QListWidget *l = list_box(dlg);
        ASSERT_GE(l->count(), 1) << "at least the root drive";
        click_item(l, l->item(0));
        double_click(l, l->item(0));
        button(dlg, "Cancel")->click();
    });
    ASSERT_EQ(chdir("/"), 0);
    run();
    auto c = commands();
    std::vector<WPARAM> ws;
    for (const Sent &s : c) ws.push_back(s.wParam);
    EXPECT_EQ(ws, (std::vector<WPARAM>{MAKEWPARAM(402, LBN_SELCHANGE), MAKEWPARAM(402, LBN_DBLCLK),
                                       MAKEWPARAM(IDCANCEL, BN_CLICKED)}))
        << show(c);
    if (c.size() >= 2) {
        EXPECT_EQ(c[1].lParam, (LPARAM)(UINT_PTR)listHwnd);
    }
}

// Item text is bytes: kept exactly, shown as UTF-8 with replacement marks, cut to cchMax - 1.
TEST_F(DialogTest, ItemTextIsRawBytes)
{
    const char latin1[] = "/tmp/caf\xe9 <b>%s</b>";
    char buf[64];
    UINT n1 = 0, n2 = 0, n3 = 0, nmissing = 1;
    BOOL setMissing = TRUE;
    std::string got, cut, tiny;
    QString shown;
    react = [&](HWND h, UINT m, WPARAM w, LPARAM) -> INT_PTR {
        if (m == WM_INITDIALOG) {
            SetDlgItemTextA(h, 401, latin1);
            std::memset(buf, 'x', sizeof buf);
            n1 = GetDlgItemTextA(h, 401, buf, sizeof buf);
            got = buf;
            std::memset(buf, 'x', sizeof buf);
            n2 = GetDlgItemTextA(h, 401, buf, 9);
            cut = std::string(buf, 10);
            n3 = GetDlgItemTextA(h, 401, buf, 1);
            tiny = buf;
            nmissing = GetDlgItemTextA(h, 999, buf, sizeof buf);
            setMissing = SetDlgItemTextA(h, 999, "x");
            return TRUE;
        }
        if (m == WM_COMMAND && LOWORD(w) == IDCANCEL) EndDialog(h, 0);
        return TRUE;
    };
    when_dialog_up([&](QDialog *dlg) {
        shown = path_field(dlg)->text();
        button(dlg, "Cancel")->click();
    });
    run();
    EXPECT_EQ(got, latin1);
    EXPECT_EQ(n1, (UINT)std::strlen(latin1));
    EXPECT_EQ(n2, 8u);
    EXPECT_EQ(cut, std::string("/tmp/caf\0x", 10)) << "8 bytes, the terminator, nothing more";
    EXPECT_EQ(n3, 0u);
    EXPECT_EQ(tiny, "");
    EXPECT_EQ(nmissing, 0u);
    EXPECT_FALSE(setMissing);
    EXPECT_EQ(shown, QString::fromUtf8("/tmp/caf\xef\xbf\xbd <b>%s</b>")) << shown.toStdString();
}

// While the program is quitting, DialogBoxParamA returns 0 at once without calling the procedure.
TEST_F(DialogTest, ReturnsZeroWhenQuitting)
{
    /* PostQuitMessage cannot be undone, so this runs in a child process. */
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        PostQuitMessage(0);
        INT_PTR r = DialogBoxParamA(NULL, "SelectDir", NULL, recordingProc, 0);
        _exit(r == 0 && sent.empty() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
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
