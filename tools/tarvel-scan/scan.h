/*
 * scan.h - what the parts of tarvel-scan share.
 */
#ifndef TARVEL_SCAN_SCAN_H
#define TARVEL_SCAN_SCAN_H

#include <windows.h>

/* Set when the report lacks something: a directory that could not be read,
 * a line or sub-directory left out, a message of failure; the exit status
 * is then 1. The probe's notice that it fell back on the volume's own
 * figures is no such message: the report is whole. */
extern BOOL incomplete;

/* Set when a write to standard error failed: its messages are lost, and the
 * exit status is 1. */
extern BOOL stderrlost;

/* The words for a Win32 error code, as the tool prints them ("Permission denied"). */
const char *errortext(DWORD code);

/* "tarvel-scan: <what>: <errortext>" on standard error. */
void complain(const char *what, DWORD code);

/* Tells of each directory the scan could not read (the scan's watch). */
void watchscan(void);

/* Writes every report line to standard output, one line each, control
 * characters as \ooo escapes. FALSE (after saying so) when a write failed. */
BOOL writereport(void);

#endif
