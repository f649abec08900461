/*
 * SkDescriptor: the key of a glyph cache. A header {checksum, total length, entry count}
 * followed by entries {tag, length, data}, all 32-bit words; the checksum runs over every
 * word from the length field to the end: c = rotl(c, 1) xor word, from 0.
 */
#ifndef GRAPHICS_TEXT_SKDESCRIPTOR_H_
#define GRAPHICS_TEXT_SKDESCRIPTOR_H_

#include "graphics/core/SkTypes.h"

#define SkSetFourByteTag(a, b, c, d) (((uint32_t)(a) << 24) | ((uint32_t)(b) << 16) | ((uint32_t)(c) << 8) | (uint32_t)(d))

class SkDescriptor : SkNoncopyable {
public:
    enum { kHeaderSize = 12, kEntryHeaderSize = 8 };

    static size_t ComputeOverhead (int entryCount) { return kHeaderSize + (size_t)entryCount * kEntryHeaderSize; }

    // Starts an empty descriptor in memory of at least the final length.
    void init ()
    {
        fChecksum = 0;
        fLength = kHeaderSize;
        fCount = 0;
    }
    // Appends an entry (length rounded up to 4, zero padded); returns its data.
    void *addEntry (uint32_t tag, size_t length, const void *data);
    void computeChecksum () { fChecksum = Checksum (this); }
    // Finds the entry with tag; its data, and its length in *length when asked.
    const void *findEntry (uint32_t tag, uint32_t *length) const;
    // Equal word by word, checksum first, over this descriptor's length.
    bool equals (const SkDescriptor &other) const;
    uint32_t getLength () const { return fLength; }
    uint32_t getCount () const { return fCount; }
    uint32_t getChecksum () const { return fChecksum; }
    // A heap copy (sk_malloc), or null.
    SkDescriptor *copy () const;
    // Checks the stored length and entries against the given size of the memory.
    bool isValid (size_t size) const;

    static uint32_t Checksum (const SkDescriptor *desc);

private:
    uint32_t fChecksum;
    uint32_t fLength;
    uint32_t fCount;
};

#endif
