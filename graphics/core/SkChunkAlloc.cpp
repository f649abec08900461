/*
 * SkChunkAlloc: blocks carved from the front, freed together.
 */
#include "graphics/core/SkChunkAlloc.h"

void *SkChunkAlloc::alloc (size_t bytes)
{
    if (bytes > SIZE_MAX - 3 - sizeof (Block)) {
        return nullptr;
    }
    bytes = SkAlign4 (bytes);
    Block *block = fBlock;
    if (block == nullptr || block->fFreeSize < bytes) {
        size_t size = bytes > fMinSize ? bytes : (size_t)fMinSize;
        if (size > SIZE_MAX - sizeof (Block)) {
            return nullptr;
        }
        block = (Block *)sk_malloc (sizeof (Block) + size);
        if (block == nullptr) {
            return nullptr;
        }
        block->fNext = fBlock;
        block->fFreeSize = size;
        block->fFreePtr = (uint8_t *)(block + 1);
        fTotalCapacity += size;
        fBlock = block;
    }
    void *ptr = block->fFreePtr;
    block->fFreePtr += bytes;
    block->fFreeSize -= bytes;
    return ptr;
}

void SkChunkAlloc::reset ()
{
    SkFreeChain (fBlock);
    fBlock = nullptr;
    fTotalCapacity = 0;
}

int SkChunkAlloc::blockCount () const
{
    int n = 0;
    for (Block *block = fBlock; block != nullptr; block = block->fNext) {
        n++;
    }
    return n;
}
