/*
 * paths.cpp - joining a directory and a name, and making a path absolute:
 * what the listing, the read-ahead, the disk and process calls share.
 */
#include "k32.h"

#include <string.h>
#include <unistd.h>

namespace k32 {

std::string child_path(const std::string &dir, const char *name)
{
    std::string p = dir;
    if (p.empty() || p.back() != '/')
        p += '/';
    return p + name;
}

bool is_child_path(const char *path, const char *dir, const char *name)
{
    const size_t dirlen = strlen(dir);
    if (strncmp(path, dir, dirlen) != 0)
        return false;
    path += dirlen;
    if (dirlen == 0 || dir[dirlen - 1] != '/') {
        if (*path != '/')
            return false;
        path++;
    }
    return strcmp(path, name) == 0;
}

std::string absolute_path(const char *path)
{
    if (path[0] == '/')
        return path;
    char cwd[MAX_PATH];
    if (!getcwd(cwd, sizeof cwd))
        return "";
    return child_path(cwd, path);
}

} // namespace k32
