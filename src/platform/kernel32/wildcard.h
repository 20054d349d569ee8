/*
 * wildcard.h - how a name matches a pattern, as Win32's FindFirstFileA and
 * DlgDirListA match it (wildcard.cpp).
 */
#ifndef TARVEL_PLATFORM_WILDCARD_H
#define TARVEL_PLATFORM_WILDCARD_H

namespace k32 {

/* '*' any run, '?' one byte, ASCII case ignored; a pattern ending in ".*"
 * also matches a name without any dot there ("*.*" matches "Makefile"). */
bool wildcard(const char *pattern, const char *name);

} // namespace k32

#endif
