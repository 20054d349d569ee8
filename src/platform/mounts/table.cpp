/*
 * table.cpp - the mount table (mounts.h), from libmount, which reads
 * /proc/self/mountinfo and undoes its escapes. A file of its own, so that
 * only the programs that list mounts (the window's dialog, the checker) load
 * libmount, and tarvel-scan starts as quickly as before.
 */
#include "mounts/mounts.h"

#include <libmount/libmount.h>

namespace mounts {

std::vector<Mount> mount_table()
{
    std::vector<Mount> all;
    struct libmnt_table *table = mnt_new_table();
    struct libmnt_iter *it = mnt_new_iter(MNT_ITER_FORWARD);
    if (table && it && mnt_table_parse_file(table, "/proc/self/mountinfo") == 0) {
        struct libmnt_fs *fs;
        while (mnt_table_next_fs(table, it, &fs) == 0) {
            const char *point = mnt_fs_get_target(fs), *type = mnt_fs_get_fstype(fs), *source = mnt_fs_get_source(fs);
            if (point)
                all.push_back(Mount{point, type ? type : "", source ? source : ""});
        }
    }
    mnt_free_iter(it);
    mnt_unref_table(table);
    return all;
}

} // namespace mounts
