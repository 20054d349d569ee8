/*
 * chkdsk - Tarvel's disk checker for Linux, in Tarvel's system directory
 * (GetSystemDirectoryA).
 *
 * Reports on the filesystem that holds the current directory (the dialog
 * makes that the chosen directory) in the words the cluster size probe reads:
 *
 *     Volume /home (ext4)
 *             4,096 bytes in each allocation unit.
 *        61,049,856 total allocation units on disk.
 *        12,345,678 available allocation units on disk.
 *
 * The figures are statvfs's: the fragment size, and the total fragments and
 * those available to the user, each limited to 4294967295 as
 * GetDiskFreeSpaceA limits them. Its argument (the drive, "/:") is not
 * needed: the current directory says which filesystem is meant. Exit status
 * 0, or 1 with a message on standard error when the volume cannot be examined.
 * Nothing but the report goes to standard output.
 */
#include <errno.h>
#include <limits.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <string>

#include "mounts/mounts.h"

namespace {

/* 1234567 -> "1,234,567". */
std::string grouped(unsigned long long v)
{
    std::string digits = std::to_string(v), out;
    for (size_t i = 0; i < digits.size(); i++) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

unsigned long long limited(unsigned long long v)
{
    return v > 4294967295ULL ? 4294967295ULL : v;
}

/* The type of the filesystem mounted last at `point`; "" if unknown. */
std::string filesystem_type(const std::string &point)
{
    std::string type;
    for (const mounts::Mount &m : mounts::mount_table())
        if (m.point == point) /* a later mount hides an earlier one */
            type = m.type;
    return type;
}

} // namespace

int main()
{
    char cwd[PATH_MAX];
    struct statvfs vfs;
    if (!getcwd(cwd, sizeof cwd) || statvfs(".", &vfs) != 0) {
        fprintf(stderr, "chkdsk: cannot examine the volume: %s\n", strerror(errno));
        return 1;
    }
    if (vfs.f_frsize == 0) {
        fprintf(stderr, "chkdsk: the volume gives no allocation unit size\n");
        return 1;
    }
    std::string point;
    if (!mounts::mount_point(cwd, &point))
        point = cwd;
    std::string type = filesystem_type(point);
    printf("Volume %s%s%s%s\n", point.c_str(), type.empty() ? "" : " (", type.c_str(), type.empty() ? "" : ")");
    printf("%16s bytes in each allocation unit.\n", grouped(limited(vfs.f_frsize)).c_str());
    printf("%16s total allocation units on disk.\n", grouped(limited(vfs.f_blocks)).c_str());
    printf("%16s available allocation units on disk.\n", grouped(limited(vfs.f_bavail)).c_str());
    if (fflush(stdout) != 0 || ferror(stdout)) {
        fprintf(stderr, "chkdsk: cannot write the report: %s\n", strerror(errno));
        return 1;
    }
    return 0;
}
