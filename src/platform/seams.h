/*
 * seams.h - where a test may step into the layer: one function pointer per
 * case that cannot be made real in a test (a person answering a message box,
 * memory running out, the disk query failing, a minute passing). Each is
 * NULL in the programs, which then behave as they always do; only the tests'
 * library (testhooks/, platform_testing.h) sets them, and the programs do not
 * link it.
 */
#ifndef TARVEL_PLATFORM_SEAMS_H
#define TARVEL_PLATFORM_SEAMS_H

#include <windows.h>

namespace seams {

/* MessageBoxA: the answer instead of showing the box. */
extern int (*message_box)(HWND owner, const char *text, const char *caption, UINT type);

/* GlobalAlloc, GlobalFree: TRUE makes this call fail. */
extern bool (*global_alloc_fails)();
extern bool (*global_free_fails)();

/* GetDiskFreeSpaceA: TRUE makes it fail. */
extern bool (*disk_query_fails)();

/* WaitForSingleObject: how long a wait of `ms` really waits. */
extern DWORD (*wait_time)(DWORD ms);

/* Reading a directory: an errno to fail the statx of entry `name` with, or
 * the getdents64 read number `read` (0 the first); 0 leaves it be. */
extern int (*statx_fault)(const char *name);
extern int (*getdents_fault)(unsigned read);

/* Opening a directory: TRUE behaves as a kernel without openat2. */
extern bool (*openat2_missing)();

/* Reading a directory: told its path just before it is opened, on whichever
 * thread reads it (where a test mounts something over it). */
extern void (*directory_opening)(const char *dir);

/* GetVersion: TRUE reports the Windows 9x family. */
extern bool (*windows_9x)();

/* The read-ahead: told how many listings, of how many bytes, wait to be
 * taken, each time that changes, and whether the workers have settled (no
 * read under way, and nothing queued or no room for more). */
extern void (*listings_waiting)(size_t count, size_t bytes, bool settled);

/* The read-ahead: how many processors to size its pool for, instead of those
 * the process may use. */
extern int (*processors)();

} // namespace seams

#endif
