/*
 * memory.cpp - GlobalAlloc, GlobalFree.
 *
 * Differences from Win32: only fixed blocks (GMEM_FIXED, with or without
 * GMEM_ZEROINIT); the HGLOBAL is the block's address. Every block is zero
 * filled whatever the flags. A block of 0 bytes is still a valid, distinct
 * block. The program releases only blocks it holds, so GlobalFree does not
 * tell a live block from another address: Win32's own check of the handle
 * is not kept (it cost a lock and a lookup for every report line).
 */
#include <windows.h>

#include "seams.h"

#include <stdlib.h>

HGLOBAL WINAPI GlobalAlloc(UINT uFlags, size_t dwBytes)
{
    (void)uFlags; /* fixed and zero-filled in every case */
    if (seams::global_alloc_fails && seams::global_alloc_fails()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    /* calloc(1, 0) may return NULL; Win32 gives a valid block for 0 bytes. */
    void *p = calloc(1, dwBytes ? dwBytes : 1);
    if (!p)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return p;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL hMem)
{
    if (hMem == NULL) /* as in Win32: nothing to do, nothing failed */
        return NULL;
    if (seams::global_free_fails && seams::global_free_fails()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return hMem; /* nothing released */
    }
    free(hMem);
    return NULL;
}
