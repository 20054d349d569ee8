/*
 * paths.cpp - joining a directory and a name, and making a path absolute:
 * what the listing, the read-ahead, the disk and process calls share.
 */
#include "k32.h"

#include <unistd.h>

namespace k32 {

std::string child_path(const std::string &dir, const char *name)
{
    std::string p = dir;
    if (p.empty() || p.back() != '/')
        p += '/';
    return p + name;
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
