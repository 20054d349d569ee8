/*
 * module.cpp - GetModuleHandleA.
 *
 * Differences from Win32: there is one module, the program's own; its
 * handle is a fixed value, Win32's classic image base, and any other name
 * fails with ERROR_FILE_NOT_FOUND.
 */
#include <windows.h>

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName)
{
    if (lpModuleName) {
        SetLastError(ERROR_FILE_NOT_FOUND); /* no other modules here */
        return NULL;
    }
    return reinterpret_cast<HMODULE>(0x400000);
}
