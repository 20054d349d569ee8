/*
 * sysparams.cpp - SystemParametersInfoA: the user's settings the program reads.
 *
 *   SPI_GETWHEELSCROLLLINES   the lines a wheel notch scrolls, the desktop's
 *                             own setting as Qt has it (3 by default).
 * Any other setting fails with ERROR_INVALID_PARAMETER.
 */
#include <windows.h>

#include <QApplication>

BOOL WINAPI SystemParametersInfoA(UINT uiAction, UINT, LPVOID pvParam, UINT)
{
    if (uiAction != SPI_GETWHEELSCROLLLINES || !pvParam) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const int lines = QApplication::wheelScrollLines();
    *static_cast<UINT *>(pvParam) = lines > 0 ? (UINT)lines : 3;
    return TRUE;
}
