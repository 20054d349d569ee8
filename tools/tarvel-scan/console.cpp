/*
 * console.cpp - the tool's messages: what the window would show in a box is
 * written to standard error as "Caption: text", and a directory the scan
 * cannot read is named there with the reason, as du does. Names in messages
 * are escaped as in the report, so each message is one line.
 */
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include "scan.h"
#include "tarvel/paths.h"
#include "tarvel/shell.h"
#include "tarvel/survey.h"

BOOL incomplete = FALSE;
int boxes = 0;
BOOL stderrlost = FALSE;

/* One line on standard error; a failure to write it is remembered. */
static void say(const char *first, const char *separator, const char *second)
{
    if (!putescaped(stderr, first) || fputs(separator, stderr) == EOF || !putescaped(stderr, second) ||
        putc('\n', stderr) == EOF || fflush(stderr) != 0)
        stderrlost = TRUE;
}

void mbprintf(const char *caption, const char *szFmt, ...)
{
    char buff[1024];
    va_list args;
    va_start(args, szFmt);
    wvsprintfA(buff, szFmt, args); /* cut at 1023 characters, as the box's text */
    va_end(args);
    say(caption, ": ", buff);
    boxes++;
}

const char *errortext(DWORD code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND: return "No such file or directory";
    case ERROR_ACCESS_DENIED: return "Permission denied";
    case ERROR_NOT_ENOUGH_MEMORY: return "Cannot allocate memory";
    case ERROR_TOO_MANY_OPEN_FILES: return "Too many open files";
    case ERROR_FILENAME_EXCED_RANGE: return "File name too long";
    case ERROR_DIRECTORY: return "Not a directory";
    case ERROR_CANT_RESOLVE_FILENAME: return "Too many levels of symbolic links";
    case ERROR_READ_FAULT:
    case ERROR_IO_DEVICE: return "Input/output error";
    case ERROR_FILE_CORRUPT: return "Structure needs cleaning";
    case ERROR_UNEXP_NET_ERR: return "The network file system stopped answering";
    case ERROR_ARITHMETIC_OVERFLOW: return "Value too large for defined data type";
    case ERROR_NOT_SUPPORTED: return "Operation not supported";
    case ERROR_INVALID_NAME: return "The file name, directory name, or volume label syntax is incorrect";
    default: break;
    }
    static char other[256];
    /* The system's own words for the rest, without the closing full stop
     * and line end. */
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, NULL, code, 0, other,
                             sizeof other, NULL);
    while (n > 0 && (other[n - 1] == '\n' || other[n - 1] == '\r' || other[n - 1] == ' ' || other[n - 1] == '.'))
        other[--n] = '\0';
    if (n > 0)
        return other;
    snprintf(other, sizeof other, "Unexpected system error %lu", (unsigned long)code);
    return other;
}

void complain(const char *what, DWORD code)
{
    char line[MAX_PATH + 64];
    snprintf(line, sizeof line, "tarvel-scan: %s", what);
    say(line, ": ", errortext(code));
}

static void unreadable(const char *dir, DWORD code)
{
    char what[MAX_PATH + 32];
    snprintf(what, sizeof what, "cannot read directory %s", dir);
    complain(what, code);
    incomplete = TRUE;
}

/* The window's box says only that a path was too long; here it names the
 * directory left out. */
static void toolong(const char *dir, const char *name)
{
    say(fail, ": ", ("Directory Path too long <" + childpath(dir, name) + ">").c_str());
    incomplete = TRUE;
}

void watchscan(BOOL tsv, BOOL whatif)
{
    static const struct scanwatch_ text = {NULL, unreadable, toolong, NULL, NULL},
                                   table = {tsvrow, unreadable, toolong, tsvfile, NULL},
                                   files = {NULL, unreadable, toolong, whatiffile, NULL};
    scanwatch = whatif ? &files : tsv ? &table : &text;
}
