/*
 * Glyph-cache keys.
 */
#include "graphics/text/SkDescriptor.h"

void *SkDescriptor::addEntry (uint32_t tag, size_t length, const void *data)
{
    uint32_t *entry = (uint32_t *)((uint8_t *)this + fLength);
    size_t padded = SkAlign4 (length);
    entry[0] = tag;
    entry[1] = (uint32_t)padded;
    uint8_t *bytes = (uint8_t *)(entry + 2);
    if (data != nullptr && length != 0) {
        memcpy (bytes, data, length);
    }
    memset (bytes + length, 0, padded - length);
    fCount++;
    fLength += (uint32_t)(kEntryHeaderSize + padded);
    return bytes;
}

const void *SkDescriptor::findEntry (uint32_t tag, uint32_t *length) const
{
    const uint8_t *p = (const uint8_t *)this + kHeaderSize;
    const uint8_t *end = (const uint8_t *)this + fLength;
    for (uint32_t i = 0; i < fCount && (size_t)(end - p) >= kEntryHeaderSize; i++) {
        const uint32_t *entry = (const uint32_t *)p;
        if ((size_t)(end - p) - kEntryHeaderSize < entry[1]) {
            return nullptr;
        }
        if (entry[0] == tag) {
            if (length != nullptr) {
                *length = entry[1];
            }
            return entry + 2;
        }
        p += kEntryHeaderSize + entry[1];
    }
    return nullptr;
}

bool SkDescriptor::equals (const SkDescriptor &other) const
{
    const uint32_t *a = (const uint32_t *)this;
    const uint32_t *b = (const uint32_t *)&other;
    if (a[0] != b[0] || a[1] != b[1]) {
        return false;
    }
    size_t words = fLength >> 2;
    for (size_t i = 2; i < words; i++) {
        if (a[i] != b[i]) {
            return false;
        }
    }
    return true;
}

SkDescriptor *SkDescriptor::copy () const
{
    SkDescriptor *desc = (SkDescriptor *)sk_malloc (fLength);
    if (desc != nullptr) {
        memcpy ((void *)desc, this, fLength);
    }
    return desc;
}

bool SkDescriptor::isValid (size_t size) const
{
    if (size < kHeaderSize || fLength != size || (fLength & 3) != 0) {
        return false;
    }
    size_t at = kHeaderSize;
    for (uint32_t i = 0; i < fCount; i++) {
        if (size - at < kEntryHeaderSize) {
            return false;
        }
        uint32_t length = ((const uint32_t *)((const uint8_t *)this + at))[1];
        if (size - at - kEntryHeaderSize < length) {
            return false;
        }
        at += kEntryHeaderSize + length;
    }
    return at == size;
}

uint32_t SkDescriptor::Checksum (const SkDescriptor *desc)
{
    const uint32_t *words = (const uint32_t *)desc;
    size_t count = desc->fLength >> 2;
    uint32_t sum = 0;
    for (size_t i = 1; i < count; i++) {
        sum = ((sum << 1) | (sum >> 31)) ^ words[i];
    }
    return sum;
}
