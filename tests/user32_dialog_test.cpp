// DialogBoxParamA and the dialog item calls on the real "SelectDir" template,
// driven as a person would, with a procedure that records what it is sent.
#include <gtest/gtest.h>

#include <windows.h>

#include "childrun.h"
#include "dialogdriver.h"
#include "../src/platform/user32/hwnd.h"

#include <QFontMetrics>
#include <QTimer>

#include <cstring>
#include <memory>
#include <unistd.h>

namespace {

std::vector<std::pair<UINT, WPARAM>> sent; /* message, wParam */

/* Records what it is sent; ends on Cancel (77) and Select (403, with a value of 64 bits). */
INT_PTR CALLBACK recordingProc(HWND hDlg, UINT msg, WPARAM wParam, LPARAM)
{
    sent.emplace_back(msg, wParam);
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) EndDialog(hDlg, 77);
    if (msg == WM_COMMAND && LOWORD(wParam) == 403) EndDialog(hDlg, (INT_PTR)0x7edcba9876543210LL);
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
        if (msg == WM_COMMAND) out.push_back(w);
    return out;
}

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
        EXPECT_EQ(list_box(dlg)->geometry(), QRect(px(6, bx, 4), px(20, fm.height(), 8), px(136, bx, 4), px(59, fm.height(), 8)));
        EXPECT_TRUE(path_field(dlg)->isReadOnly());
        for (const char *b : {"Cancel", "Select"})
            EXPECT_FALSE(button(dlg, b)->isDefault() || button(dlg, b)->autoDefault()) << b;
        auto name = [&](QWidget *w) {
            return w == list_box(dlg) ? "list " : w == path_field(dlg) ? "path " : (w->property("text").toString() + " ").toStdString();
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

// Item text is raw bytes: kept exactly, shown as UTF-8 with replacement
// marks, cut to cchMax - 1. A missing template, a missing procedure or a
// dead owner make no dialog (-1, nothing sent); bad ids and handles that are
// no dialog fail.
TEST(Dialog, ItemTextAndFailures)
{
    const char latin1[] = "/tmp/caf\xe9 <b>%s</b>";
    when_dialog_up([&](QDialog *dlg) {
        HWND h = hwnd_of(dlg);
        char buf[64];
        EXPECT_TRUE(SetDlgItemTextA(h, 401, latin1));
        EXPECT_TRUE(GetDlgItemTextA(h, 401, buf, sizeof buf) == std::strlen(latin1) && !strcmp(buf, latin1));
        EXPECT_EQ(path_field(dlg)->text(), QString::fromUtf8("/tmp/caf\xef\xbf\xbd <b>%s</b>"));
        std::memset(buf, 'x', sizeof buf);
        EXPECT_EQ(GetDlgItemTextA(h, 401, buf, 9), 8u);
        EXPECT_EQ(std::string(buf, 10), std::string("/tmp/caf\0x", 10)) << "8 bytes, the terminator, nothing more";
        EXPECT_FALSE(GetDlgItemTextA(h, 999, buf, sizeof buf) || SetDlgItemTextA(h, 999, "x"));
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
    for (HWND bad : {(HWND)NULL, hwnd_register(&plain)}) EXPECT_FALSE(EndDialog(bad, 1) || GetDlgItem(bad, 401));
}

// A quit posted while the dialog is up (the main window closed under it) ends
// it with 0, as Cancel; while quitting, a dialog returns 0 at once, unseen.
// (A quit cannot be undone: in a child process.)
TEST(Dialog, QuitEndsDialogs)
{
    ChildResult r = run_in_child([] {
        alarm(20); /* a dialog that never ends fails the test, not the suite */
        QTimer::singleShot(100, [] { PostQuitMessage(0); });
        INT_PTR first = run(), second = run();
        return std::to_string(first) + " " + std::to_string(second) + " " + std::to_string(sent.size());
    });
    EXPECT_EQ(r.output, "0 0 0") << "status " << r.status;
}
