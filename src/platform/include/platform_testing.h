/*
 * platform_testing.h - hooks into the Win32 layer for tests and benchmarks,
 * in a library of their own (src/platform/testhooks) that the programs do
 * not link.
 *
 * Only for what cannot be made real in a test: a person answering a message
 * box, the allocator running out, the disk query failing, a minute passing;
 * and a look at what the layer holds open.
 */
#ifndef TARVEL_PLATFORM_TESTING_H
#define TARVEL_PLATFORM_TESTING_H

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace testhooks {

/* One message box as the program asked for it. */
struct MessageBoxRecord {
    HWND owner;
    std::string caption;
    std::string text;
    UINT type; /* the uType passed: MB_ICONHAND, MB_ICONEXCLAMATION or 0 */
};

/* When set, MessageBoxA calls this instead of showing a box and returns its
 * result (IDOK in practice). Pass an empty function to show real boxes again. */
using MessageBoxAnswerer = std::function<int(const MessageBoxRecord &)>;
void answer_message_boxes(MessageBoxAnswerer answerer);

/* Convenience: answer every box with IDOK and keep a record of each. */
void record_message_boxes();
const std::vector<MessageBoxRecord> &recorded_message_boxes();
void clear_recorded_message_boxes();

/* The nth GlobalAlloc / GlobalFree call from now on (1 = the next) fails as
 * if memory were exhausted or the block invalid; 0 disarms. */
void fail_global_alloc(int nth);
void fail_global_free(int nth);

/* While true, GetDiskFreeSpaceA fails. */
void fail_disk_free_space(bool fail);

/* Every WaitForSingleObject with a timeout waits `factor` times less (1: as
 * asked), so that a limit of a minute is reached in well under a second. */
void speed_up_waits(DWORD factor);

/* Reading directories, on every thread: the statx of each entry whose name
 * begins with `prefix` fails with `statx_errno`, and the getdents64 read
 * number `read` (0 the first) of every directory fails with
 * `getdents_errno`; 0 leaves each be. */
void fail_directory_reads(const std::string &prefix, int statx_errno, unsigned read, int getdents_errno);

/* While true, directories are opened as on a kernel without openat2. */
void lack_openat2(bool lack);

/* Called with each directory's path just before it is opened to be read,
 * on whichever thread reads it; an empty function disarms. */
void before_directory_read(std::function<void(const char *dir)> call);

/* While true, GetVersion reports the Windows 9x family, whose free-space
 * query the survey does not trust. */
void pretend_windows_9x(bool pretend);

/* The enumerations (FindFirstFileA handles) open now. */
size_t live_find_handles();

/* The listings read ahead that wait to be taken, and their bytes, as the
 * read-ahead last told them since watch_waiting_listings(), and whether its
 * workers had settled then (no read under way; nothing queued, or no room). */
void watch_waiting_listings();
size_t waiting_listings(size_t *bytes, bool *settled = nullptr);

/* The read-ahead sizes its pool, from the next walk on, for `n` processors
 * instead of those the process may use (0: those again). */
void pretend_processors(int n);

/* Every window class registered is gone, as at the end of a process, so
 * that the next test may register its own again. */
void forget_window_classes();

} // namespace testhooks

#endif
