/*
 * Binary search of sorted name tables. A table is an array of elements whose first member
 * is a name pointer (const char *), sorted by name in byte order.
 */
#ifndef GRAPHICS_CORE_SKTSEARCH_H_
#define GRAPHICS_CORE_SKTSEARCH_H_

#include "graphics/core/SkTypes.h"

struct SkStrSearchEntry {
    const char *fName;
    const void *fValue;
};

// Index of the entry whose name equals the first len bytes of target (len < 0: strlen), or
// the one's complement of the index at which target would be inserted; -1 for count < 1.
int SkStrSearch (const SkStrSearchEntry table[], int count, const char *target, int len = -1);
// The same over any element type of elemSize bytes that begins with its name pointer.
int SkStrSearch (const void *table, int count, const char *target, int len, size_t elemSize);

// The same with target lower-cased first (ASCII A-Z only); the table's names must be lower
// case. When a target longer than 64 characters cannot be copied to the heap, -1.
int SkStrLCSearch (const SkStrSearchEntry table[], int count, const char *target, int len = -1);
int SkStrLCSearch (const void *table, int count, const char *target, int len, size_t elemSize);

#endif
