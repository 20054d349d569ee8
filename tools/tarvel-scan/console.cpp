/*
 * console.cpp - the tool's message boxes: what the window would show in a
 * box is written to standard error as "Caption: text".
 */
#include <windows.h>

#include <stdio.h>

#include "scan.h"
#include "tarvel/shell.h"

void mbprintf(const char *caption, const char *szFmt, ...)
{
    char buff[1024];
    va_list args;
    va_start(args, szFmt);
    wvsprintfA(buff, szFmt, args); /* cut at 1023 characters, as the box's text */
    va_end(args);
    fprintf(stderr, "%s: %s\n", caption, buff);
    fflush(stderr);
}

const char *errortext(DWORD code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return "No such file or directory";
    case ERROR_ACCESS_DENIED: return "Permission denied";
    case ERROR_NOT_ENOUGH_MEMORY: return "Cannot allocate memory";
    case ERROR_FILENAME_EXCED_RANGE: return "File name too long";
    case ERROR_DIRECTORY: return "Not a directory";
    case 4 /* ERROR_TOO_MANY_OPEN_FILES */: return "Too many open files";
    default: break;
    }
    static char other[32];
    snprintf(other, sizeof other, "error %lu", (unsigned long)code);
    return other;
}

void complain(const char *what, DWORD code)
{
    fprintf(stderr, "tarvel-scan: %s: %s\n", what, errortext(code));
    fflush(stderr);
}
