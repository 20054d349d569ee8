/*
 * select.h - the directory selection dialog.
 */
#ifndef TARVEL_SELECT_H
#define TARVEL_SELECT_H

#include <windows.h>

/* The chosen path; the dialog returns its address on Select. */
extern char szTmp[MAX_PATH];

/* Dialog procedure of the "SelectDir" dialog. Ends with 0 (Cancel) or &szTmp. */
INT_PTR CALLBACK selectdirDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);

#endif
