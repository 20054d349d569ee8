/*
 * readahead.h - the layer's read-ahead of directory listings for a walk
 * (readahead.cpp), as FindFirstFileA and FindClose use it.
 */
#ifndef TARVEL_PLATFORM_READAHEAD_H
#define TARVEL_PLATFORM_READAHEAD_H

#include <windows.h>

#include "listing.h"

namespace k32::readahead {

/* The listing of every entry of `dir`: the one read ahead (waited for while
 * it is being read), or one read here and now, whose sub-directories are then
 * read ahead in the order a depth-first walk will ask for them. NULL with
 * the Win32 error in *error, as read_listing; `parent` as read_listing's, and
 * a directory read ahead is checked against its parent's mount likewise. */
Find *list(const char *dir, DWORD *error, const MountId *parent = nullptr);

/* A listing that list() gave is being released: when it began the walk, the
 * walk is over, and what was read ahead and not taken is dropped. */
void closed(const Find *f);

} // namespace k32::readahead

#endif
