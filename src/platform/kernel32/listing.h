/*
 * listing.h - one read of a directory, as FindFirstFileA and the read-ahead
 * (readahead.cpp) make it: the entries of the directory in one block, small
 * fixed records and one area of names (listing.cpp).
 */
#ifndef TARVEL_PLATFORM_LISTING_H
#define TARVEL_PLATFORM_LISTING_H

#include <windows.h>

#include <stddef.h>
#include <stdint.h>

#include "k32.h"

namespace k32 {

/* One entry: 24 bytes plus its name in the shared name area. */
struct Record {
    uint64_t size;
    uint64_t allocated;  /* bytes the filesystem allocated for it (st_blocks x 512) */
    uint32_t name;       /* offset of the terminated name in the name area */
    uint16_t namelen;    /* without the terminator; names are at most NAME_MAX */
    uint16_t attributes; /* FILE_ATTRIBUTE_* bits, all below 0x10000 */
};

/* Which mount a directory lies on: its device, and the kernel's mount id
 * where it gives one (a bind mount of the same device differs only there). */
struct MountId {
    uint64_t dev = 0, id = 0;
    bool known = false;
    bool same(const MountId &o) const
    {
        return !known || !o.known || (dev == o.dev && (id == 0 || o.id == 0 || id == o.id));
    }
};

/* One listing, and the enumeration over it: this header, then the records,
 * then the names, then the directory's own path, in one block of `bytes`. */
struct Find : Object {
    size_t count;
    size_t next;
    DWORD error; /* why the listing stops short of the directory's end; 0 when whole */
    size_t bytes;
    MountId mount; /* the mount the directory lies on */
    Record *records;
    char *names;
    const char *dir; /* the directory listed, as read_listing was given it */
};

/* Reads directory `dir` ("." is the current one): every entry, each with one
 * statx. NULL with the Win32 error in *error when the
 * directory cannot be opened or read at all (ERROR_PATH_NOT_FOUND when it has
 * gone, even after it was opened: reading it then fails with ENOENT), or memory runs out. A read that fails part
 * way, or an entry that cannot be examined, leaves the entries read and the
 * error in the listing's `error`. Where `parent` is given (the mount of the
 * listing that showed `dir` as a plain sub-directory), a directory found on
 * another mount once opened (one mounted there since) is not read:
 * ERROR_NOT_SAME_DEVICE. Any thread may call it. */
Find *read_listing(const char *dir, DWORD *error, const MountId *parent = nullptr);

void free_listing(Find *f);

/* The entry is a directory the scan enters: no mount point, not "." or "..". */
bool is_subdirectory(const Find *f, const Record &r);

} // namespace k32

#endif
