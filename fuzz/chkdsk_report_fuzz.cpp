// The disk checker's report, as any bytes a checker may write: lines longer
// than the read buffer, NULs, no final newline. The figures must come out
// as the rules say, and nothing may be read or written out of bounds.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include "tarvel/survey.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    FILE *fp = fmemopen(const_cast<uint8_t *>(data), size, "r");
    if (!fp)
        return 0;
    ULONG spc = 1, bps = 1, fc = 1, tc = 1;
    int ok = chkdskreport(fp, &spc, &bps, &fc, &tc);
    fclose(fp);
    if (bps != 512 || ok != (spc != 0 && fc != 0 && tc != 0))
        abort();
    return 0;
}
