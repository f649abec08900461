/*
 * PackBits run-length rows: each control byte n is a run of n + 1 copies of the next byte
 * (n <= 127) or a literal of n - 127 following bytes (n >= 128).
 */
#ifndef GRAPHICS_BITMAP_SKPACKBITS_H_
#define GRAPHICS_BITMAP_SKPACKBITS_H_

#include "graphics/core/SkTypes.h"

class SkPackBits {
public:
    // Decodes src, discarding the first dstSkip output bytes and writing the next dstWrite
    // bytes to dst. The data must hold at least dstSkip + dstWrite bytes of output.
    static void Unpack8 (uint8_t dst[], size_t dstSkip, size_t dstWrite, const uint8_t src[]);
    // The same bounded by srcSize bytes of input; returns the bytes written (short when the
    // input ends first; the rest of dst is left alone).
    static size_t Unpack8 (uint8_t dst[], size_t dstSkip, size_t dstWrite, const uint8_t src[],
                           size_t srcSize);
    // Encodes count bytes; returns the encoded size. dst needs ComputeMaxSize8 (count) bytes.
    static size_t Pack8 (const uint8_t src[], size_t count, uint8_t dst[]);
    static size_t ComputeMaxSize8 (size_t count) { return count + (count + 127) / 128; }
};

#endif
