/*
 * seams.cpp - KERNEL32's seams (seams.h), all empty in the programs; the
 * message box's is USER32's (messagebox.cpp).
 */
#include "seams.h"

namespace seams {

bool (*global_alloc_fails)() = nullptr;
bool (*global_free_fails)() = nullptr;
bool (*disk_query_fails)() = nullptr;
DWORD (*wait_time)(DWORD) = nullptr;
int (*statx_fault)(const char *) = nullptr;
int (*getdents_fault)(unsigned) = nullptr;
bool (*openat2_missing)() = nullptr;
void (*directory_opening)(const char *) = nullptr;
bool (*windows_9x)() = nullptr;
void (*listings_waiting)(size_t, size_t, bool) = nullptr;
int (*processors)() = nullptr;

} // namespace seams
