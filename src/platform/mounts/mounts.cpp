/*
 * mounts.cpp - which directory is a mount root, and the mount that holds a
 * path (mounts.h), from the kernel's own answers (statx).
 */
#include "mounts/mounts.h"

#include <fcntl.h>

namespace mounts {

namespace {

bool examine(const std::string &path, int flags, struct statx *sx)
{
    return statx(AT_FDCWD, path.c_str(), flags | AT_NO_AUTOMOUNT, STATX_TYPE | STATX_MODE, sx) == 0;
}

} // namespace

bool is_mount_root(const struct statx &self, const struct statx *parent)
{
    if ((self.stx_mode & S_IFMT) != S_IFDIR)
        return false;
    if ((self.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (self.stx_attributes & STATX_ATTR_MOUNT_ROOT))
        return true;
    return parent && (self.stx_dev_major != parent->stx_dev_major || self.stx_dev_minor != parent->stx_dev_minor);
}

bool mount_point(std::string path, std::string *point)
{
    /* The path itself may be a link: it lives where the link is. Its
     * ancestors are the directories the kernel would pass through. */
    struct statx self, parent;
    if (!examine(path, AT_SYMLINK_NOFOLLOW, &self))
        return false;
    while (path != "/") {
        size_t slash = path.rfind('/');
        std::string up = slash == 0 ? "/" : path.substr(0, slash);
        if (!examine(up, 0, &parent))
            return false;
        if (is_mount_root(self, &parent))
            break;
        path = up;
        self = parent;
    }
    *point = path;
    return true;
}

} // namespace mounts
