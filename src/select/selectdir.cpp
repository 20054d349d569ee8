/*
 * selectdir.cpp - the "SelectDir" dialog: browse drives and directories,
 * accept the one listed.
 *
 * Every listing makes the listed directory current, so the next dialog opens
 * where this one ended and the survey's relative names resolve there. Select
 * takes the path shown in the field (the directory listed), not the
 * highlighted entry.
 *
 * Enter, which the dialog manager turns into IDOK unless a push button has
 * the focus, enters the highlighted entry as a double-click does and closes
 * nothing: so the keyboard alone can walk to any directory.
 */
#include <windows.h>

#include <string.h>

#include "resource.h"
#include "tarvel/paths.h"
#include "tarvel/report.h"
#include "tarvel/select.h"

/* Drives and directories only, no files. */
#define LISTATTR (DDL_EXCLUSIVE | DDL_DRIVES | DDL_DIRECTORY)

char szTmp[MAX_PATH];

INT_PTR CALLBACK selectdirDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    char nname[MAX_PATH + 20]; /* "Directory Sizes of " and a path */

    switch (uMsg) {
    case WM_INITDIALOG: {
        char all[] = PATTERNTAIL; /* the current directory */
        DlgDirListA(hDlg, all, IDD_LIST, IDD_PATH, LISTATTR);
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDCANCEL: EndDialog(hDlg, 0); break;
        case IDOK:
        case IDD_LIST:
            if (LOWORD(wParam) == IDD_LIST && HIWORD(wParam) != LBN_DBLCLK)
                break;
            /* Enter the entry: "name/", "../" or a mount point, then the
             * pattern tail, which must still fit behind it. */
            if (DlgDirSelectExA(hDlg, szTmp, sizeof szTmp, IDD_LIST) &&
                strlen(szTmp) + sizeof PATTERNTAIL <= sizeof szTmp) {
                strcat(szTmp, PATTERNTAIL);
                DlgDirListA(hDlg, szTmp, IDD_LIST, IDD_PATH, LISTATTR);
            }
            break;
        case IDD_SELECT:
            GetDlgItemTextA(hDlg, IDD_PATH, szTmp, sizeof szTmp);
            /* szTmp holds fewer than MAX_PATH characters: the caption fits nname. */
            wsprintfA(nname, "Directory Sizes of %s", szTmp);
            SetWindowTextA(gl.hwnd, nname);
            EndDialog(hDlg, IDOK);
            break;
        }
        return TRUE;
    }
    return FALSE;
}
