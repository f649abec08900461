/*
 * Sorted-name search, plain and lower-case.
 */
#include "graphics/core/SkTSearch.h"

namespace {

const char *name_at (const void *table, int index, size_t elemSize)
{
    return *(const char *const *)((const uint8_t *)table + (size_t)index * elemSize);
}

// <0: name sorts below target; 0: match; >0: above, or equal in len bytes but longer.
int compare_name (const char *name, const char *target, size_t len)
{
    int c = strncmp (name, target, len);
    if (c != 0) {
        return c;
    }
    return strlen (name) > len ? 1 : 0;
}

} // namespace

int SkStrSearch (const void *table, int count, const char *target, int len, size_t elemSize)
{
    if (count < 1) {
        return -1;
    }
    size_t n = len < 0 ? strlen (target) : (size_t)len;
    int lo = 0;
    int hi = count - 1;
    while (lo < hi) {
        int mid = (lo + hi) >> 1;
        int c = compare_name (name_at (table, mid, elemSize), target, n);
        if (c < 0) {
            lo = mid + 1;
        } else if (c == 0) {
            return mid;
        } else {
            hi = mid;
        }
    }
    int c = compare_name (name_at (table, hi, elemSize), target, n);
    if (c == 0) {
        return hi;
    }
    return c < 0 ? ~(hi + 1) : ~hi;
}

int SkStrSearch (const SkStrSearchEntry table[], int count, const char *target, int len)
{
    return SkStrSearch (table, count, target, len, sizeof (SkStrSearchEntry));
}

int SkStrLCSearch (const void *table, int count, const char *target, int len, size_t elemSize)
{
    size_t n = len < 0 ? strlen (target) : (size_t)len;
    // 64 characters plus the terminator fit the buffer in the call; longer targets go to
    // the heap.
    char local[65];
    char *lower = local;
    if (n > 64) {
        lower = (char *)sk_malloc (n + 1);
        if (lower == nullptr) {
            return -1;
        }
    }
    for (size_t i = 0; i < n; i++) {
        char c = target[i];
        lower[i] = (c >= 'A' && c <= 'Z') ? (char)(c + ('a' - 'A')) : c;
    }
    lower[n] = 0;
    int index = SkStrSearch (table, count, lower, (int)n, elemSize);
    if (lower != local) {
        sk_free (lower);
    }
    return index;
}

int SkStrLCSearch (const SkStrSearchEntry table[], int count, const char *target, int len)
{
    return SkStrLCSearch (table, count, target, len, sizeof (SkStrSearchEntry));
}
