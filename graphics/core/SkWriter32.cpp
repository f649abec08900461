/*
 * SkWriter32: block chain of 32-bit words.
 */
#include "graphics/core/SkWriter32.h"

void SkWriter32::reset ()
{
    SkFreeChain (fHead);
    fSize = 0;
    fSingleBlock = nullptr;
    fSingleBlockSize = 0;
    fHead = nullptr;
    fTail = nullptr;
}

void SkWriter32::reset (void *block, size_t size)
{
    reset ();
    fSingleBlock = (uint8_t *)block;
    fSingleBlockSize = size;
}

uint32_t *SkWriter32::reserve (size_t size)
{
    SkASSERT (SkIsAlign4 (size));
    if (size > UINT32_MAX - fSize) {
        return nullptr;
    }
    if (fSingleBlock != nullptr) {
        // The caller sized the block; a write that would pass its end is refused.
        if (fSize + size > fSingleBlockSize) {
            return nullptr;
        }
        uint32_t *slot = (uint32_t *)(fSingleBlock + fSize);
        fSize += (uint32_t)size;
        return slot;
    }
    Block *block = fTail;
    if (block == nullptr || block->fCapacity - block->fUsed < size) {
        size_t capacity = size > fMinSize ? size : fMinSize;
        block = (Block *)sk_malloc (sizeof (Block) + capacity);
        if (block == nullptr) {
            return nullptr;
        }
        block->fNext = nullptr;
        block->fCapacity = capacity;
        block->fUsed = 0;
        if (fTail == nullptr) {
            fHead = block;
        } else {
            fTail->fNext = block;
        }
        fTail = block;
    }
    uint32_t *slot = (uint32_t *)(block->data () + block->fUsed);
    block->fUsed += size;
    fSize += (uint32_t)size;
    return slot;
}

bool SkWriter32::writeMul4 (const void *data, size_t size)
{
    uint32_t *slot = reserve (size);
    if (slot == nullptr) {
        return false;
    }
    if (size != 0) {
        memcpy (slot, data, size);
    }
    return true;
}

bool SkWriter32::writePad (const void *data, size_t size)
{
    size_t padded = SkAlign4 (size);
    uint32_t *slot = reserve (padded);
    if (slot == nullptr) {
        return false;
    }
    if (size != 0) {
        memcpy (slot, data, size);
    }
    memset ((uint8_t *)slot + size, 0, padded - size);
    return true;
}

void SkWriter32::flatten (void *dst) const
{
    if (fSingleBlock != nullptr) {
        memcpy (dst, fSingleBlock, fSize);
        return;
    }
    uint8_t *out = (uint8_t *)dst;
    for (Block *block = fHead; block != nullptr; block = block->fNext) {
        memcpy (out, block->data (), block->fUsed);
        out += block->fUsed;
    }
}

uint32_t *SkWriter32::peek32 (size_t offset) const
{
    SkASSERT (SkIsAlign4 (offset) && offset < fSize);
    if (fSingleBlock != nullptr) {
        return (uint32_t *)(fSingleBlock + offset);
    }
    for (Block *block = fHead; block != nullptr; block = block->fNext) {
        if (offset < block->fUsed) {
            return (uint32_t *)(block->data () + offset);
        }
        offset -= block->fUsed;
    }
    return nullptr;
}
