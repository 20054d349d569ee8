/*
 * paths.h - the path separator and the search pattern tail.
 */
#ifndef TARVEL_PATHS_H
#define TARVEL_PATHS_H

#include <windows.h>

#ifdef _WIN32
#define PATHSEP '\\'
#define PATHSEPSTR "\\"
#else
#define PATHSEP '/'
#define PATHSEPSTR "/"
#endif

/* A search pattern is a directory, the separator and this tail. */
#define PATTERNTAIL "*.*"

#endif
