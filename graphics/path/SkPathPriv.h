/*
 * Array helpers shared by the path's files.
 */
#ifndef GRAPHICS_PATH_SKPATHPRIV_H_
#define GRAPHICS_PATH_SKPATHPRIV_H_

#include "graphics/path/SkPath.h"

namespace SkPathPriv {

// Copies srcCount elements into the array, reusing it when they fit its reserve, else into
// a new array of exactly srcCount. False (array unchanged) when memory runs out.
inline bool copy_array (void **array, uint64_t *reserve, uint64_t *count, const void *src,
                 uint64_t srcCount, size_t elemSize)
{
    if (srcCount > *reserve) {
        void *fresh = sk_malloc ((size_t)srcCount * elemSize);
        if (fresh == nullptr) {
            return false;
        }
        sk_free (*array);
        *array = fresh;
        *reserve = srcCount;
    }
    if (srcCount != 0) {
        memcpy (*array, src, (size_t)srcCount * elemSize);
    }
    *count = srcCount;
    return true;
}

// Grows the reserve by the growth rule for n more elements.
inline bool grow_array (void **array, uint64_t *reserve, uint64_t count, size_t n, size_t elemSize)
{
    if (count + n <= *reserve) {
        return true;
    }
    size_t grown = SkGrowReserve ((size_t)count + n);
    if (grown > (size_t)INT32_MAX) {
        return false;
    }
    void *fresh = sk_realloc (*array, grown * elemSize);
    if (fresh == nullptr) {
        return false;
    }
    *array = fresh;
    *reserve = grown;
    return true;
}

} // namespace SkPathPriv

#endif
