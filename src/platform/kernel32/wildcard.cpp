/*
 * wildcard.cpp - the one wildcard rule of the layer (wildcard.h).
 */
#include "wildcard.h"

#include <cctype>

namespace k32 {

bool wildcard(const char *p, const char *n)
{
    if (*p == '\0')
        return *n == '\0';
    if (p[0] == '.' && p[1] == '*' && p[2] == '\0' && *n == '\0')
        return true;
    if (*p == '*') {
        for (const char *k = n;; ++k) {
            if (wildcard(p + 1, k))
                return true;
            if (*k == '\0')
                return false;
        }
    }
    if (*n == '\0')
        return false;
    if (*p == '?' || std::tolower((unsigned char)*p) == std::tolower((unsigned char)*n))
        return wildcard(p + 1, n + 1);
    return false;
}

} // namespace k32
