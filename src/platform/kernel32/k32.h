/*
 * k32.h - what the KERNEL32 files share among themselves (not for the
 * application): errno translation and the kernel objects behind HANDLEs.
 */
#ifndef TARVEL_PLATFORM_K32_H
#define TARVEL_PLATFORM_K32_H

#include <windows.h>

#include <mutex>
#include <string>
#include <unordered_set>

namespace k32 {

/* Win32 codes that the layer reports but the application never names. */
constexpr DWORD error_write_protect = 19;        /* ERROR_WRITE_PROTECT */
constexpr DWORD error_gen_failure = 31;          /* ERROR_GEN_FAILURE */
constexpr DWORD error_disk_full = 112;           /* ERROR_DISK_FULL */
constexpr DWORD error_insufficient_buffer = 122; /* ERROR_INSUFFICIENT_BUFFER */
constexpr DWORD error_mr_mid_not_found = 317;    /* ERROR_MR_MID_NOT_FOUND */

/* Application-defined Win32 codes (bit 29) that carry an errno in their low
 * bits: what the system said where no Win32 code says the same. */
constexpr DWORD errno_bit = 0x20000000;
DWORD errno_error(int e);

/* The Win32 code that means what an errno value means, else errno_error(e). */
DWORD error_from_errno(int e);

/* SetLastError(error_from_errno(e)). */
void set_error_from_errno(int e);

/* Every HANDLE the layer gives out points at one of these; the kind tag says
 * which API family owns it, and `close` is CloseHandle's work for it, given
 * by that family (null: CloseHandle refuses the handle, as it does a find
 * handle), so that CloseHandle needs to know no family. */
enum class Kind : unsigned { file = 0x6b66696c, process = 0x6b70726f, find = 0x6b66696e };

struct Object {
    Kind kind;
    BOOL (*close)(Object *o) = nullptr; /* frees the object, already out of the table */
};

/* The table of live handles, so that a stale, forged or already closed handle
 * is refused (ERROR_INVALID_HANDLE) instead of being dereferenced. */
bool register_object(Object *o);            /* false when out of memory */
Object *lookup_object(HANDLE h, Kind kind); /* the live object of that kind, or NULL */
void unregister_object(Object *o);
/* The table itself, under its lock (the tests' library counts it). */
std::mutex &objects_lock();
std::unordered_set<Object *> &objects();

/* The path the program was last told its current directory has
 * (GetCurrentDirectoryA, or a chooser's entering), and whether `dir` lies
 * at or below it: then its remainder, "." for the directory itself, goes to
 * `rest`, to be opened from the current directory itself (directory.cpp). */
void remember_current_directory(const char *path);
bool beneath_current_directory(const char *dir, char *rest, size_t size);

/* `dir` and `name` joined by a '/', which the root already ends in. */
std::string child_path(const std::string &dir, const char *name);
/* Whether `path` is child_path(dir, name), without making it. */
bool is_child_path(const char *path, const char *dir, const char *name);

/* `path` made absolute against the current directory ("" when that cannot
 * be read). */
std::string absolute_path(const char *path);

/* A file handle's descriptor, or -1 for anything else. */
int file_descriptor(HANDLE h);

} // namespace k32

#endif
