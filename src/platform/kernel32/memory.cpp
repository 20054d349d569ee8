/*
 * memory.cpp - GlobalAlloc, GlobalFree.
 *
 * Differences from Win32: only fixed blocks (GMEM_FIXED, with or without
 * GMEM_ZEROINIT); the HGLOBAL is the block's address. Every block is zero
 * filled whatever the flags. A block of 0 bytes is still a valid, distinct
 * block. GlobalFree refuses (returns the handle, ERROR_INVALID_HANDLE) any
 * value that is not a live block, so a double release is reported, not fatal.
 */
#include <windows.h>

#include "seams.h"

#include <stdlib.h>

#include <mutex>
#include <new>
#include <unordered_set>

namespace {

std::mutex blocks_lock;
std::unordered_set<void *> &blocks()
{
    static auto *live = new std::unordered_set<void *>; /* never destroyed: usable at exit */
    return *live;
}

} // namespace

HGLOBAL WINAPI GlobalAlloc(UINT uFlags, size_t dwBytes)
{
    (void)uFlags; /* fixed and zero-filled in every case */
    std::lock_guard<std::mutex> hold(blocks_lock);
    if (seams::global_alloc_fails && seams::global_alloc_fails()) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    /* calloc(1, 0) may return NULL; Win32 gives a valid block for 0 bytes. */
    void *p = calloc(1, dwBytes ? dwBytes : 1);
    if (p) {
        try {
            blocks().insert(p);
        } catch (const std::bad_alloc &) {
            free(p);
            p = nullptr;
        }
    }
    if (!p)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return p;
}

HGLOBAL WINAPI GlobalFree(HGLOBAL hMem)
{
    if (hMem == NULL) /* as in Win32: nothing to do, nothing failed */
        return NULL;
    std::lock_guard<std::mutex> hold(blocks_lock);
    bool hooked = seams::global_free_fails && seams::global_free_fails(); /* every non-NULL call counts */
    auto it = blocks().find(hMem);
    if (hooked || it == blocks().end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return hMem; /* nothing released */
    }
    blocks().erase(it);
    free(hMem);
    return NULL;
}
