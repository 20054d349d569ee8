/*
 * disk.cpp - GetDiskFreeSpaceA, GetVolumePathNameA.
 *
 * Differences from Win32:
 *  - GetDiskFreeSpaceA takes any path on the filesystem, not only a root
 *    (NULL is the current directory), and answers from statvfs: bytes per
 *    sector 512 and sectors per cluster the fragment size / 512; a fragment
 *    size that is not a multiple of 512 gives bytes per sector = that size
 *    and 1 sector per cluster. Free clusters are those available to the
 *    caller (f_bavail), total clusters f_blocks, both in fragments and
 *    limited to 0xFFFFFFFF. A fragment size of 0 is a failure. Any output
 *    pointer may be NULL.
 *  - GetVolumePathNameA gives the mount point that holds the path, with a
 *    trailing '/'. The path is made absolute against the current directory
 *    and normalised by its text ("." and ".." removed); then the walk goes up
 *    until a directory that is a mount root (STATX_ATTR_MOUNT_ROOT, or on
 *    another device than its parent), "/" at the top. The path must exist:
 *    otherwise, and when the buffer is too small, the result is FALSE.
 */
#include <windows.h>

#include "seams.h"

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "k32.h"
#include "mounts/mounts.h"

namespace {

DWORD saturate(unsigned long long v)
{
    return v > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(v);
}

void put(LPDWORD out, DWORD v)
{
    if (out)
        *out = v;
}

/* "/a/./b/../c" -> "/a/c"; the path must be absolute. ".." at the root stays there. */
std::string normalise(const std::string &path)
{
    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos < path.size()) {
        size_t end = path.find('/', pos);
        if (end == std::string::npos)
            end = path.size();
        std::string part = path.substr(pos, end - pos);
        pos = end + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string out;
    for (const auto &p : parts)
        out += "/" + p;
    return out.empty() ? "/" : out;
}

DWORD path_error(int e)
{
    return e == ENOTDIR ? ERROR_PATH_NOT_FOUND : k32::error_from_errno(e);
}

} // namespace

BOOL WINAPI GetDiskFreeSpaceA(LPCSTR lpRootPathName, LPDWORD lpSectorsPerCluster, LPDWORD lpBytesPerSector,
                              LPDWORD lpNumberOfFreeClusters, LPDWORD lpTotalNumberOfClusters)
{
    if (seams::disk_query_fails && seams::disk_query_fails()) {
        SetLastError(k32::error_gen_failure);
        return FALSE;
    }
    struct statvfs vfs;
    if (statvfs(lpRootPathName ? lpRootPathName : ".", &vfs) != 0) {
        SetLastError(path_error(errno));
        return FALSE;
    }
    /* The block counts are in fragments; without a fragment size they mean nothing. */
    unsigned long frag = vfs.f_frsize;
    if (frag == 0) {
        SetLastError(k32::error_gen_failure);
        return FALSE;
    }
    if (frag % 512 == 0) {
        put(lpBytesPerSector, 512);
        put(lpSectorsPerCluster, saturate(frag / 512));
    } else {
        put(lpBytesPerSector, saturate(frag));
        put(lpSectorsPerCluster, 1);
    }
    put(lpNumberOfFreeClusters, saturate(vfs.f_bavail));
    put(lpTotalNumberOfClusters, saturate(vfs.f_blocks));
    return TRUE;
}

BOOL WINAPI GetVolumePathNameA(LPCSTR lpszFileName, LPSTR lpszVolumePathName, DWORD cchBufferLength)
{
    if (lpszFileName == NULL || lpszVolumePathName == NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (*lpszFileName == '\0') {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    try {
        std::string path = k32::absolute_path(lpszFileName);
        if (path.empty()) {
            k32::set_error_from_errno(errno);
            return FALSE;
        }
        std::string cur;
        if (!mounts::mount_point(normalise(path), &cur)) {
            SetLastError(path_error(errno));
            return FALSE;
        }

        if (cur != "/")
            cur += '/';
        if (cur.size() + 1 > cchBufferLength) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return FALSE;
        }
        memcpy(lpszVolumePathName, cur.c_str(), cur.size() + 1);
        return TRUE;
    } catch (const std::bad_alloc &) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}
