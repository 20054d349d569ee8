/* resource.h - ids shared by tarvel.rc and the program. */
#ifndef TARVEL_RESOURCE_H
#define TARVEL_RESOURCE_H

#define IDM_EXIT 100
#define IDM_OPEN 101
#define IDM_ABOUT 301

#define IDI_TARV 1

#define IDD_PATH 401
#define IDD_LIST 402
#define IDD_SELECT 403

#endif
