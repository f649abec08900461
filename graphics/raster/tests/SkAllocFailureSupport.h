// Tests of failed allocations: an executable that includes this header (in one file) supplies
// the library's four memory routines itself, so that a test can make allocations fail.
#ifndef GRAPHICS_RASTER_TESTS_SKALLOCFAILURESUPPORT_H_
#define GRAPHICS_RASTER_TESTS_SKALLOCFAILURESUPPORT_H_

#include <stdlib.h>

#include "graphics/core/SkTypes.h"

namespace {

// Allocations of at least gFailFromSize bytes fail (0: none by size); the next gFailNext
// allocations fail; after gAllowed more allocations every further one fails (negative: no
// limit).
size_t gFailFromSize = 0;
int gFailNext = 0;
int gAllowed = -1;

bool should_fail (size_t size)
{
    if (gFailFromSize != 0 && size >= gFailFromSize) return true;
    if (gFailNext > 0) {
        gFailNext--;
        return true;
    }
    if (gAllowed == 0) return true;
    if (gAllowed > 0) gAllowed--;
    return false;
}

// Restores normal allocation when a test ends, also when it fails early.
struct FailureScope {
    FailureScope (size_t fromSize, int failNext, int allowed)
    {
        gFailFromSize = fromSize;
        gFailNext = failNext;
        gAllowed = allowed;
    }
    ~FailureScope ()
    {
        gFailFromSize = 0;
        gFailNext = 0;
        gAllowed = -1;
    }
};

} // namespace

void *sk_malloc (size_t size) noexcept { return should_fail (size) ? nullptr : malloc (size != 0 ? size : 1); }
void *sk_calloc (size_t size) noexcept { return should_fail (size) ? nullptr : calloc (1, size != 0 ? size : 1); }
void *sk_realloc (void *ptr, size_t size) noexcept { return should_fail (size) ? nullptr : realloc (ptr, size != 0 ? size : 1); }
void sk_free (void *ptr) noexcept { free (ptr); }

#endif
