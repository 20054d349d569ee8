/*
 * mounts.h - the mounts of the system (mounts.cpp): which directory is the
 * root of a mount, the mount that holds a path, and the mount table. The one
 * place that knows them, for KERNEL32, the dialog's drives and the checker.
 */
#ifndef TARVEL_PLATFORM_MOUNTS_H
#define TARVEL_PLATFORM_MOUNTS_H

#include <sys/stat.h>

#include <string>
#include <vector>

namespace mounts {

/* Whether the directory `self` is the root of a mount: the kernel marks it
 * (STATX_ATTR_MOUNT_ROOT, so bind mounts too), or it lies on another device
 * than `parent` (NULL: not known, and the mark alone decides). */
bool is_mount_root(const struct statx &self, const struct statx *parent);

/* The mount point that holds the absolute, normalised `path`: the walk up from
 * it (not following a link at its end) stops at the first mount root, "/" at
 * the top. False with errno set when a directory on the way cannot be examined. */
bool mount_point(std::string path, std::string *point);

struct Mount {
    std::string point;  /* where it is mounted */
    std::string type;   /* the filesystem type: ext4, nfs4, ... */
    std::string source; /* "/dev/sda1", a server's share, or "" */
};

/* Every mount of this process's view, in mount order (a later one at the
 * same point hides an earlier), from the kernel's table through libmount;
 * empty when the table cannot be read. */
std::vector<Mount> mount_table();

} // namespace mounts

#endif
