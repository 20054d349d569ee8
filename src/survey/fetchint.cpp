/*
 * fetchint.cpp - reads the count at the start of a line of the checker's report.
 */
#include "tarvel/survey.h"

/* Only the number ahead of the first word counts. Separators inside it are
 * skipped, so "4,096" reads as 4096 (and "1.5" as 15); the value wraps
 * modulo 2^32 like the 32-bit figure it fills. */
ULONG fetchint(char *cp)
{
    ULONG rval = 0;
    for (; *cp; cp++) {
        char c = *cp;
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
            break;
        if (c >= '0' && c <= '9')
            rval = rval * 10 + (ULONG)(c - '0');
    }
    return rval;
}
