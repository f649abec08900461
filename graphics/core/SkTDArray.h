/*
 * SkTDArray, the growable array of plain (memcpy-able) elements that the library uses
 * instead of standard containers. It grows by the library's one rule (SkGrowReserve) and
 * reports allocation failure by a null or false result, leaving its contents unchanged.
 */
#ifndef GRAPHICS_CORE_SKTDARRAY_H_
#define GRAPHICS_CORE_SKTDARRAY_H_

#include "graphics/core/SkTypes.h"

template <typename T> class SkTDArray {
public:
    SkTDArray () : fArray (nullptr), fReserve (0), fCount (0) {}
    ~SkTDArray () { sk_free (fArray); }
    SkTDArray (const SkTDArray &) = delete;
    SkTDArray &operator= (const SkTDArray &) = delete;

    int count () const { return fCount; }
    int reserved () const { return fReserve; }
    bool isEmpty () const { return fCount == 0; }
    T *begin () const { return fArray; }
    T *end () const { return fArray + fCount; }
    T &operator[] (int index) const { SkASSERT (index >= 0 && index < fCount); return fArray[index]; }
    T &top () const { SkASSERT (fCount > 0); return fArray[fCount - 1]; }

    // Makes room for n more elements by the growth rule. False when memory runs out.
    bool growReserve (int n)
    {
        if (n < 0) {
            return false;
        }
        int64_t needed = (int64_t)fCount + n;
        if (needed <= fReserve) {
            return true;
        }
        size_t reserve = SkGrowReserve ((size_t)needed);
        if (reserve > (size_t)INT32_MAX || reserve > SIZE_MAX / sizeof (T)) {
            return false;
        }
        T *grown = (T *)sk_realloc (fArray, reserve * sizeof (T));
        if (grown == nullptr) {
            return false;
        }
        fArray = grown;
        fReserve = (int)reserve;
        return true;
    }

    // Appends n elements (copied from src when not null, else uninitialised) and returns the
    // first of them; null when memory runs out.
    T *append (int n = 1, const T *src = nullptr)
    {
        if (!growReserve (n)) {
            return nullptr;
        }
        T *dst = fArray + fCount;
        if (src != nullptr && n > 0) {
            memcpy (dst, src, (size_t)n * sizeof (T));
        }
        fCount += n;
        return dst;
    }
    bool push (const T &value) { T *slot = append (1); if (slot == nullptr) return false; *slot = value; return true; }
    void pop () { SkASSERT (fCount > 0); fCount--; }

    // Inserts n elements at index, moving the tail up; null when memory runs out.
    T *insert (int index, int n = 1, const T *src = nullptr)
    {
        SkASSERT (index >= 0 && index <= fCount);
        if (!growReserve (n)) {
            return nullptr;
        }
        T *dst = fArray + index;
        memmove (dst + n, dst, (size_t)(fCount - index) * sizeof (T));
        if (src != nullptr && n > 0) {
            memcpy (dst, src, (size_t)n * sizeof (T));
        }
        fCount += n;
        return dst;
    }

    void remove (int index, int n = 1)
    {
        SkASSERT (index >= 0 && n >= 0 && index + n <= fCount);
        memmove (fArray + index, fArray + index + n, (size_t)(fCount - index - n) * sizeof (T));
        fCount -= n;
    }

    // Sets the count, growing when needed; false when memory runs out.
    bool setCount (int count)
    {
        if (count > fCount && !growReserve (count - fCount)) {
            return false;
        }
        fCount = count;
        return true;
    }

    int find (const T &value) const
    {
        for (int i = 0; i < fCount; i++) {
            if (fArray[i] == value) {
                return i;
            }
        }
        return -1;
    }

    void rewind () { fCount = 0; }
    void reset () { sk_free (fArray); fArray = nullptr; fReserve = 0; fCount = 0; }
    void swap (SkTDArray &other)
    {
        SkTSwap (fArray, other.fArray);
        SkTSwap (fReserve, other.fReserve);
        SkTSwap (fCount, other.fCount);
    }

private:
    T *fArray;
    int fReserve;
    int fCount;
};

#endif
