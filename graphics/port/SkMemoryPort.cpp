/*
 * The one place where the graphics library gets memory. On the host it is the C library;
 * on the UEFI target (SETUP_UEFI_TARGET) it is the firmware pool (boot-services data), whose
 * allocations are zero-filled. The pool's free routine needs no size, but reallocation
 * does, so every pool block carries a 16-byte header with its size (16 keeps the pool's
 * alignment for what follows).
 */
#include "graphics/core/SkTypes.h"

#if defined(SETUP_UEFI_TARGET)

#include <Library/MemoryAllocationLib.h>

namespace {

const size_t kHeaderSize = 16;

void *pool_alloc (size_t size)
{
    if (size > SIZE_MAX - kHeaderSize) {
        return nullptr;
    }
    uint8_t *block = (uint8_t *)AllocateZeroPool (size + kHeaderSize);
    if (block == nullptr) {
        return nullptr;
    }
    *(size_t *)block = size;
    return block + kHeaderSize;
}

} // namespace

void *sk_malloc (size_t size) noexcept { return pool_alloc (size); }

void *sk_calloc (size_t size) noexcept { return pool_alloc (size); }

void sk_free (void *ptr) noexcept
{
    if (ptr != nullptr) {
        FreePool ((uint8_t *)ptr - kHeaderSize);
    }
}

void *sk_realloc (void *ptr, size_t size) noexcept
{
    if (ptr == nullptr) {
        return pool_alloc (size);
    }
    size_t oldSize = *(size_t *)((uint8_t *)ptr - kHeaderSize);
    void *grown = pool_alloc (size);
    if (grown == nullptr) {
        return nullptr;
    }
    memcpy (grown, ptr, oldSize < size ? oldSize : size);
    sk_free (ptr);
    return grown;
}

#else

#include <stdlib.h>

void *sk_malloc (size_t size) noexcept { return malloc (size != 0 ? size : 1); }

void *sk_calloc (size_t size) noexcept { return calloc (1, size != 0 ? size : 1); }

void sk_free (void *ptr) noexcept { free (ptr); }

void *sk_realloc (void *ptr, size_t size) noexcept { return realloc (ptr, size != 0 ? size : 1); }

#endif
