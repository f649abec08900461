/*
 * Basic types, memory routines and small helpers that every file of the graphics library
 * includes. The library builds both for the host and for the freestanding UEFI target, so
 * only C headers are used here.
 */
#ifndef GRAPHICS_CORE_SKTYPES_H_
#define GRAPHICS_CORE_SKTYPES_H_

#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <Runtime/New.h>

// ---------------------------------------------------------------------------------------------
// Memory. Implemented once in graphics/port/SkMemoryPort.cpp (C library on the host, firmware
// pool on the UEFI target). Every routine returns null when memory runs out.

void *sk_malloc (size_t size) noexcept;
void *sk_calloc (size_t size) noexcept;                 // zero-filled
void *sk_realloc (void *ptr, size_t size) noexcept;     // null ptr allocates; on failure the old block stays
void sk_free (void *ptr) noexcept;                      // null does nothing

// Base of every object that the library creates with `new`: the memory comes zero-filled from
// sk_calloc, and a failed allocation yields a null object instead of an exception.
class SkPoolObject {
public:
    static void *operator new (size_t size) noexcept { return sk_calloc (size); }
    static void operator delete (void *ptr) noexcept { sk_free (ptr); }
    static void *operator new (size_t, void *where) noexcept { return where; }
    static void operator delete (void *, void *) noexcept {}
};

// ---------------------------------------------------------------------------------------------
// Invariant checks of the library itself (never input validation). Active in host debug builds.

#if !defined(NDEBUG) && !defined(SETUP_UEFI_TARGET)
#define SkASSERT(cond) do { if (!(cond)) __builtin_trap (); } while (0)
#else
#define SkASSERT(cond) do { } while (0)
#endif

// ---------------------------------------------------------------------------------------------
// Integer helpers.

typedef int32_t SkUnichar;
typedef uint16_t SkGlyphID;
typedef uint32_t SkMSec;

static inline int32_t SkAbs32 (int32_t v) { return v < 0 ? -v : v; }
static inline int32_t SkMin32 (int32_t a, int32_t b) { return a < b ? a : b; }
static inline int32_t SkMax32 (int32_t a, int32_t b) { return a > b ? a : b; }
static inline int32_t SkPin32 (int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }
static inline int32_t SkSign32 (int32_t v) { return (v >> 31) | (int32_t)((uint32_t)-v >> 31); }
static inline bool SkIsAlign4 (size_t v) { return (v & 3) == 0; }
static inline size_t SkAlign4 (size_t v) { return (v + 3) & ~(size_t)3; }
static inline int32_t SkLeftShift (int32_t v, int shift) { return (int32_t)((uint32_t)v << shift); }

template <typename T> static inline T SkTMin (T a, T b) { return a < b ? a : b; }
template <typename T> static inline T SkTMax (T a, T b) { return a > b ? a : b; }
template <typename T> static inline T SkTAbs (T v) { return v < 0 ? -v : v; }
template <typename T> static inline void SkTSwap (T &a, T &b) { T t = a; a = b; b = t; }

// The one growth rule of every growable array of the library: when count + n exceeds the
// reserve, the new reserve is (count + n + 4) + (count + n + 4) / 4.
static inline size_t SkGrowReserve (size_t needed) { return (needed + 4) + (needed + 4) / 4; }

// Objects that must not be copied.
class SkNoncopyable {
public:
    SkNoncopyable () = default;
    SkNoncopyable (const SkNoncopyable &) = delete;
    SkNoncopyable &operator= (const SkNoncopyable &) = delete;
};

// Heap block freed when the holder goes out of scope.
class SkAutoFree : SkNoncopyable {
public:
    explicit SkAutoFree (void *ptr = nullptr) : fPtr (ptr) {}
    ~SkAutoFree () { sk_free (fPtr); }
    void *get () const { return fPtr; }
    void *detach () { void *p = fPtr; fPtr = nullptr; return p; }
    void set (void *ptr) { sk_free (fPtr); fPtr = ptr; }
private:
    void *fPtr;
};

// Block chains (chunk allocator, writer) keep each block's link inside the block itself, so the
// link must be read before the block is freed.
template <typename T> static inline void SkFreeChain (T *block)
{
    while (block != nullptr) {
        T *next = block->fNext;
        sk_free (block);
        block = next;
    }
}

// Storage of N elements on the stack, or on the heap when more are needed.
template <typename T, size_t N> class SkAutoSTMalloc : SkNoncopyable {
public:
    explicit SkAutoSTMalloc (size_t count)
    {
        fPtr = count <= N ? fStorage : (T *)sk_malloc (count * sizeof (T));
    }
    ~SkAutoSTMalloc () { if (fPtr != fStorage) sk_free (fPtr); }
    T *get () const { return fPtr; }          // null when the heap failed
private:
    T *fPtr;
    T fStorage[N];
};

#endif
