/*
 * sum.h - exact sums of bytes, for the tool's exact figures (--format=tsv,
 * --what-if).
 */
#ifndef TARVEL_SCAN_SUM_H
#define TARVEL_SCAN_SUM_H

#include <windows.h>

#include <string>

/* A whole number of bytes beyond 64 bits: a tree may hold sparse files of
 * exabytes. */
struct Sum {
    ULONGLONG hi = 0, lo = 0;
    void add(ULONGLONG v)
    {
        lo += v;
        hi += lo < v;
    }
    Sum plus(const Sum &o) const
    {
        Sum s = *this;
        s.add(o.lo);
        s.hi += o.hi;
        return s;
    }
    double approx() const { return (double)hi * 18446744073709551616.0 + (double)lo; }
    std::string decimal() const
    {
        /* Long division by 10 over four 32-bit limbs. */
        unsigned long long limb[4] = {hi >> 32, hi & 0xFFFFFFFFu, lo >> 32, lo & 0xFFFFFFFFu};
        std::string digits;
        do {
            unsigned long long rest = 0;
            for (unsigned long long &l : limb) {
                unsigned long long cur = (rest << 32) | l;
                l = cur / 10;
                rest = cur % 10;
            }
            digits += (char)('0' + rest);
        } while (limb[0] | limb[1] | limb[2] | limb[3]);
        return std::string(digits.rbegin(), digits.rend());
    }
};

#endif
