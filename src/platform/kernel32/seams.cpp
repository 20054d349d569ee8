/*
 * seams.cpp - the layer's seams (seams.h), all empty in the programs.
 */
#include "seams.h"

namespace seams {

int (*message_box)(HWND, const char *, const char *, UINT) = nullptr;
bool (*global_alloc_fails)() = nullptr;
bool (*global_free_fails)() = nullptr;
bool (*disk_query_fails)() = nullptr;
DWORD (*wait_time)(DWORD) = nullptr;
int (*statx_fault)(const char *) = nullptr;
int (*getdents_fault)(unsigned) = nullptr;
bool (*openat2_missing)() = nullptr;
void (*directory_opening)(const char *) = nullptr;
bool (*windows_9x)() = nullptr;
void (*listings_waiting)(size_t, size_t) = nullptr;

} // namespace seams
