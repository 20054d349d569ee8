// The disk checker's report, as any bytes a checker may write: lines longer
// than the read buffer, NULs, no final newline, read back in pieces of any
// size. The figures must come out as the rules say, and nothing may be read
// or written out of bounds.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "tarvel/survey.h"

namespace {

/* The report file: the input after its first byte, handed out by ReadFile
 * in pieces of at most that byte plus one. */
struct Report {
    const uint8_t *data;
    size_t size, pos, piece;
};

} // namespace

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED)
{
    Report *r = static_cast<Report *>(hFile);
    size_t n = r->size - r->pos;
    if (n > nNumberOfBytesToRead)
        n = nNumberOfBytesToRead;
    if (n > r->piece)
        n = r->piece;
    memcpy(lpBuffer, r->data + r->pos, n);
    r->pos += n;
    *lpNumberOfBytesRead = (DWORD)n;
    return TRUE;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    Report report{data + 1, size - 1, 0, (size_t)data[0] * 37 + 1};
    ULONG spc = 1, bps = 1, fc = 1, tc = 1;
    int ok = chkdskreport(&report, &spc, &bps, &fc, &tc);
    if (bps != 512 || ok != (spc != 0 && fc != 0 && tc != 0) || report.pos != report.size)
        abort();
    return 0;
}
