/*
 * scan.h - what the parts of tarvel-scan share.
 */
#ifndef TARVEL_SCAN_SCAN_H
#define TARVEL_SCAN_SCAN_H

#include <windows.h>

/* The words for a Win32 error code, as the tool prints them ("Permission denied"). */
const char *errortext(DWORD code);

/* "tarvel-scan: <what>: <errortext>" on standard error. */
void complain(const char *what, DWORD code);

/* Writes every report line to standard output, one line each, control
 * characters as \ooo escapes. FALSE (after saying so) when a write failed. */
BOOL writereport(void);

#endif
