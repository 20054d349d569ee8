/*
 * paths.h - the path separator, the search pattern tail, and the disk
 * checker's file name in the system directory.
 */
#ifndef TARVEL_PATHS_H
#define TARVEL_PATHS_H

#include <windows.h>

#ifdef _WIN32
#define PATHSEP '\\'
#define PATHSEPSTR "\\"
#define CHECKERNAME "chkdsk.exe"
#else
#define PATHSEP '/'
#define PATHSEPSTR "/"
#define CHECKERNAME "chkdsk"
#endif

/* A search pattern is a directory, the separator and this tail. */
#define PATTERNTAIL "*.*"

#endif
