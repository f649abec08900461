/*
 * SkWriter32, an append-only buffer of 32-bit words kept in a chain of blocks (or in one
 * caller-supplied block). What it hands out never moves until reset, so a reserved slot can
 * be filled in later.
 */
#ifndef GRAPHICS_CORE_SKWRITER32_H_
#define GRAPHICS_CORE_SKWRITER32_H_

#include "graphics/core/SkTypes.h"

class SkWriter32 : SkNoncopyable {
public:
    explicit SkWriter32 (uint32_t minSize) :
        fMinSize (minSize), fSize (0), fSingleBlock (nullptr), fSingleBlockSize (0),
        fHead (nullptr), fTail (nullptr) {}
    ~SkWriter32 () { reset (); }

    // All later writes go to the caller's block of `size` bytes.
    void reset (void *block, size_t size);
    // Frees every block; nothing written, no single block.
    void reset ();

    // `size` (a multiple of 4) bytes at the end of what was written, or null when memory
    // runs out or the single block is full (nothing is then written).
    uint32_t *reserve (size_t size);

    bool write32 (uint32_t value)
    {
        uint32_t *slot = reserve (4);
        if (slot == nullptr) return false;
        *slot = value;
        return true;
    }
    bool writeInt (int32_t value) { return write32 ((uint32_t)value); }
    bool writeBool (bool value) { return write32 (value ? 1 : 0); }
    bool writeScalar (float value) { uint32_t bits; memcpy (&bits, &value, 4); return write32 (bits); }
    // A 64-bit value as two words, low word first.
    bool write64 (uint64_t value) { return write32 ((uint32_t)value) && write32 ((uint32_t)(value >> 32)); }
    // size bytes (a multiple of 4).
    bool writeMul4 (const void *data, size_t size);
    // size bytes and 0 to 3 zero bytes of padding up to a multiple of 4.
    bool writePad (const void *data, size_t size);

    uint32_t size () const { return fSize; }   // bytes written
    uint32_t minSize () const { return fMinSize; }
    // Copies everything written into dst (size () bytes).
    void flatten (void *dst) const;
    // The word at byte offset (a multiple of 4, below size ()).
    uint32_t *peek32 (size_t offset) const;

private:
    struct Block {
        Block *fNext;
        size_t fCapacity;   // data bytes
        size_t fUsed;
        uint8_t *data () { return (uint8_t *)(this + 1); }
    };

    uint32_t fMinSize;
    uint32_t fSize;
    uint8_t *fSingleBlock;
    size_t fSingleBlockSize;
    Block *fHead;
    Block *fTail;
};

#endif
