/*
 * embedded.h - the files of resources/ compiled into the layer
 * (cmake/embed.cmake writes the table). Each array ends with an extra 0 byte,
 * not counted in `size`, so text files can be read as C strings.
 */
#ifndef TARVEL_PLATFORM_EMBEDDED_H
#define TARVEL_PLATFORM_EMBEDDED_H

#include <stddef.h>

namespace embedded {

struct File {
    const char *name; /* file name without folder: "tarvel.rc" */
    const unsigned char *data;
    size_t size;
};

extern const File files[];
extern const size_t file_count;

/* The file called `name`, or nullptr. */
inline const File *find(const char *name)
{
    for (size_t i = 0; i < file_count; ++i) {
        const char *a = files[i].name, *b = name;
        while (*a && *a == *b) {
            ++a;
            ++b;
        }
        if (*a == *b)
            return &files[i];
    }
    return nullptr;
}

} // namespace embedded

#endif
