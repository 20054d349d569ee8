/*
 * select.h - the directory selection dialog.
 */
#ifndef TARVEL_SELECT_H
#define TARVEL_SELECT_H

#include <windows.h>

/* The chosen path, valid once the dialog has ended with IDOK. */
extern char szTmp[MAX_PATH];

/* Dialog procedure of the "SelectDir" dialog. Ends with IDOK on Select (the path
 * in szTmp) or 0 on Cancel. */
INT_PTR CALLBACK selectdirDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

#endif
