/*
 * whatif.cpp - --what-if: what the tree's files would take on other cluster
 * sizes, from one scan.
 *
 * Every entry the report counts as a file passes by once (the scan's file
 * watcher): the count, the bytes, and for each cluster size the unfilled tail
 * of its last cluster, the same (c - size mod c) mod c the report computes,
 * are added up; nothing per file is kept. Beside that theory stands the fact:
 * what the filesystem allocated for the same files (GetCompressedFileSizeA,
 * which is st_blocks x 512 on Linux). Sums are 128 bits wide, so they are
 * exact for any tree.
 *
 *     cluster  files       used     wasted    on disk  waste
 *         512     12  101.2 MiB    2.3 KiB  101.2 MiB   0.0%
 *          4K     12  101.2 MiB   21.6 KiB  101.2 MiB   0.0%  <- this drive
 */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

#include "scan.h"
#include "sum.h"
#include "tarvel/paths.h"
#include "tarvel/survey.h"

namespace {

struct Size {
    ULONGLONG bytes;
    Sum wasted;
};

std::vector<Size> sizes;
ULONGLONG files = 0;
Sum used, allocated;
ULONGLONG unmeasured = 0; /* files whose allocation could not be read */
DWORD unmeasuredcode = 0;

/* The bytes the filesystem gives the file: on Linux its blocks; on Windows
 * its compressed or sparse size rounded up to the drive's clusters (a link
 * keeps its target in the directory entry: nothing). */
ULONGLONG allocation(const char *dir, const WIN32_FIND_DATAA *fd, BOOL *ok)
{
    *ok = TRUE;
#ifdef _WIN32
    if (fd->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return 0;
#endif
    /* Any length: the path is only the key to the entry just listed. */
    const std::string path = childpath(dir, fd->cFileName);
    DWORD high = 0;
    /* A low part of 0xFFFFFFFF is a failure only with an error set; the
     * call need not clear an earlier one. */
    SetLastError(ERROR_SUCCESS);
#ifdef _WIN32
    /* As the scan listed it: a name may end in a dot or a blank. */
    std::vector<WCHAR> wide(path.size() + 8);
    DWORD low = widepath(path.c_str(), wide.data(), (int)wide.size()) ? GetCompressedFileSizeW(wide.data(), &high)
                                                                      : INVALID_FILE_SIZE;
#else
    DWORD low = GetCompressedFileSizeA(path.c_str(), &high);
#endif
    if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) {
        DWORD code = GetLastError();
        /* A file gone since it was listed takes nothing now. */
        *ok = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
        return 0;
    }
    ULONGLONG bytes = ((ULONGLONG)high << 32) | low;
#ifdef _WIN32
    ULONGLONG cluster = dgl.bpc ? dgl.bpc : 1;
    bytes = (bytes + cluster - 1) / cluster * cluster;
#endif
    return bytes;
}

} // namespace

void whatiffile(const char *dir, const WIN32_FIND_DATAA *fd)
{
    ULONGLONG size = entrysize(fd);
    files++;
    used.add(size);
    for (Size &s : sizes)
        s.wasted.add(tailwaste(size, s.bytes));
    BOOL ok;
    ULONGLONG bytes = allocation(dir, fd, &ok);
    if (ok) {
        allocated.add(bytes);
    } else if (unmeasured++ == 0) {
        unmeasuredcode = GetLastError();
    }
}

namespace {

/* A cluster size as a person writes it: 512, 4K, 2M. */
std::string sizename(ULONGLONG bytes)
{
    char buf[32];
    if (bytes % (1024 * 1024) == 0)
        snprintf(buf, sizeof buf, "%lluM", (unsigned long long)(bytes / (1024 * 1024)));
    else if (bytes % 1024 == 0)
        snprintf(buf, sizeof buf, "%lluK", (unsigned long long)(bytes / 1024));
    else
        snprintf(buf, sizeof buf, "%llu", (unsigned long long)bytes);
    return buf;
}

/* Bytes in binary units with one decimal: 512 B, 4.0 KiB, 101.2 MiB. */
std::string readable(double bytes)
{
    static const char *const units[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB", "ZiB", "YiB"};
    char buf[48];
    if (bytes < 1024) {
        snprintf(buf, sizeof buf, "%.0f B", bytes);
        return buf;
    }
    int u = 0;
    for (bytes /= 1024; bytes >= 1024 && u < 7; u++)
        bytes /= 1024;
    snprintf(buf, sizeof buf, "%.1f %s", bytes, units[u]);
    return buf;
}

/* Writes the text rows with every column right-aligned to its widest cell. */
BOOL puttable(const std::vector<std::vector<std::string>> &rows, const std::vector<std::string> &notes)
{
    std::vector<size_t> width(rows[0].size(), 0);
    for (const auto &row : rows)
        for (size_t i = 0; i < row.size(); i++)
            width[i] = std::max(width[i], row[i].size());
    for (size_t r = 0; r < rows.size(); r++) {
        std::string line;
        for (size_t i = 0; i < rows[r].size(); i++)
            line += (i ? "  " : "") + std::string(width[i] - rows[r][i].size(), ' ') + rows[r][i];
        line += notes[r];
        if (fputs(line.c_str(), stdout) == EOF || putc('\n', stdout) == EOF)
            return FALSE;
    }
    return TRUE;
}

BOOL puttext(const char *dir)
{
    const std::string total = readable(used.approx());
    if (fputs("What the files of ", stdout) == EOF || !putescaped(stdout, dir) ||
        printf(" would take on each cluster size:\n%llu files, %s; the directories' own storage is not included.\n\n",
               (unsigned long long)files, total.c_str()) < 0)
        return FALSE;
    std::vector<std::vector<std::string>> rows = {{"cluster", "files", "used", "wasted", "on disk", "waste"}};
    std::vector<std::string> notes = {""};
    BOOL drivelisted = FALSE;
    for (const Size &s : sizes) {
        char pct[32] = "-";
        if (files && used.approx() > 0)
            snprintf(pct, sizeof pct, "%.1f%%", s.wasted.approx() / used.approx() * 100);
        rows.push_back({sizename(s.bytes), std::to_string(files), total, readable(s.wasted.approx()),
                        readable(used.plus(s.wasted).approx()), pct});
        BOOL drive = s.bytes == dgl.bpc;
        drivelisted |= drive;
        notes.push_back(drive ? "  <- this drive" : "");
    }
    if (!puttable(rows, notes))
        return FALSE;
    const std::string fact = readable(allocated.approx());
    if (printf("\nAllocated by the filesystem for the same files: %s\n", fact.c_str()) < 0)
        return FALSE;
    if (!drivelisted && printf("This drive's cluster size, %s, is not in the list.\n", sizename(dgl.bpc).c_str()) < 0)
        return FALSE;
    return fputs("Exact bytes: --what-if with --format=tsv.\n", stdout) != EOF;
}

BOOL puttsv(void)
{
    if (!tsvcomments() || printf("# allocated by the filesystem: %s bytes\n", allocated.decimal().c_str()) < 0 ||
        fputs("cluster_size\tfiles\tused\twasted\ton_disk\n", stdout) == EOF)
        return FALSE;
    for (const Size &s : sizes)
        if (printf("%llu\t%llu\t%s\t%s\t%s\n", (unsigned long long)s.bytes, (unsigned long long)files,
                   used.decimal().c_str(), s.wasted.decimal().c_str(), used.plus(s.wasted).decimal().c_str()) < 0)
            return FALSE;
    return TRUE;
}

} // namespace

BOOL whatifsizes(const char *list, const char **bad)
{
    static std::string item;
    sizes.clear();
    if (list == NULL)
        list = "512,1K,2K,4K,8K,16K,32K,64K,128K,256K,512K,1M,2M";
    for (const char *p = list;; p++) {
        const char *end = strchr(p, ',');
        item.assign(p, end ? (size_t)(end - p) : strlen(p));
        *bad = item.c_str();
        size_t digits = strspn(item.c_str(), "0123456789");
        if (digits == 0 || digits > 10)
            return FALSE;
        ULONGLONG v = strtoull(item.c_str(), NULL, 10);
        const char *suffix = item.c_str() + digits;
        if (*suffix == 'K' || *suffix == 'k')
            v *= 1024, suffix++;
        else if (*suffix == 'M' || *suffix == 'm')
            v *= 1024 * 1024, suffix++;
        if (*suffix != '\0' || v == 0 || v > (1ULL << 31))
            return FALSE;
        sizes.push_back(Size{v, Sum()});
        if (!end)
            break;
        p = end;
    }
    std::sort(sizes.begin(), sizes.end(), [](const Size &a, const Size &b) { return a.bytes < b.bytes; });
    sizes.erase(
        std::unique(sizes.begin(), sizes.end(), [](const Size &a, const Size &b) { return a.bytes == b.bytes; }),
        sizes.end());
    return TRUE;
}

BOOL endwhatif(BOOL tsv, const char *dir)
{
    if (unmeasured) {
        char what[96];
        snprintf(what, sizeof what, "the allocated figure leaves out %llu files", (unsigned long long)unmeasured);
        complain(what, unmeasuredcode);
        incomplete = TRUE;
    }
    bufferoutput();
    return endoutput(tsv ? puttsv() : puttext(dir));
}
