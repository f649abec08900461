/*
 * SkChunkAlloc, a bump allocator that frees only all at once. Allocations never move.
 */
#ifndef GRAPHICS_CORE_SKCHUNKALLOC_H_
#define GRAPHICS_CORE_SKCHUNKALLOC_H_

#include "graphics/core/SkTypes.h"

class SkChunkAlloc : SkNoncopyable {
public:
    explicit SkChunkAlloc (size_t minSize) : fBlock (nullptr), fMinSize (minSize), fTotalCapacity (0) {}
    ~SkChunkAlloc () { reset (); }

    // bytes rounded up to a multiple of 4, from the newest block when it has room, else
    // from a new block of max(bytes, minimum size). Null when memory runs out.
    void *alloc (size_t bytes);
    // Frees every block.
    void reset ();

    size_t totalCapacity () const { return (size_t)fTotalCapacity; }
    size_t minSize () const { return (size_t)fMinSize; }
    int blockCount () const;

private:
    struct Block {
        Block *fNext;
        size_t fFreeSize;
        uint8_t *fFreePtr;
    };

    Block *fBlock;          // newest first
    uint64_t fMinSize;
    uint64_t fTotalCapacity;
};

#endif
