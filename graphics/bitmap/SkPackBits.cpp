/*
 * PackBits decoding (and a small encoder for building run-length rows).
 */
#include "graphics/bitmap/SkPackBits.h"

namespace {

// srcLeft is the number of input bytes, or SIZE_MAX when the caller vouches for the data.
size_t unpack (uint8_t dst[], size_t dstSkip, size_t dstWrite, const uint8_t src[], size_t srcLeft)
{
    size_t written = 0;
    while (dstWrite > 0 && srcLeft > 0) {
        unsigned n = *src++;
        srcLeft--;
        bool run = n <= 127;
        size_t length = run ? n + 1 : n - 127;
        size_t consumed = run ? 1 : length;
        if (srcLeft < consumed) {
            break;   // the input ends inside this unit
        }
        // The part of this unit that falls into the skipped prefix.
        size_t skip = dstSkip < length ? dstSkip : length;
        dstSkip -= skip;
        size_t take = length - skip;
        if (take > dstWrite) {
            take = dstWrite;
        }
        if (take > 0) {
            if (run) {
                memset (dst, *src, take);
            } else {
                memcpy (dst, src + skip, take);
            }
            dst += take;
            written += take;
            dstWrite -= take;
        }
        src += consumed;
        if (srcLeft != SIZE_MAX) {
            srcLeft -= consumed;
        }
    }
    return written;
}

} // namespace

size_t SkPackBits::Unpack8 (uint8_t dst[], size_t dstSkip, size_t dstWrite, const uint8_t src[],
                            size_t srcSize)
{
    return unpack (dst, dstSkip, dstWrite, src, srcSize == SIZE_MAX ? SIZE_MAX - 1 : srcSize);
}

void SkPackBits::Unpack8 (uint8_t dst[], size_t dstSkip, size_t dstWrite, const uint8_t src[])
{
    // The caller guarantees the data covers what is asked for.
    unpack (dst, dstSkip, dstWrite, src, SIZE_MAX);
}

// Runs of three or more equal bytes become runs; everything else goes into literals of up
// to 128 bytes, so the output never exceeds ComputeMaxSize8.
size_t SkPackBits::Pack8 (const uint8_t src[], size_t count, uint8_t dst[])
{
    uint8_t *start = dst;
    size_t i = 0;
    auto runAt = [&] (size_t at) {
        size_t run = 1;
        while (at + run < count && run < 128 && src[at + run] == src[at]) {
            run++;
        }
        return run;
    };
    while (i < count) {
        size_t run = runAt (i);
        if (run >= 3) {
            *dst++ = (uint8_t)(run - 1);
            *dst++ = src[i];
            i += run;
            continue;
        }
        size_t lit = 0;
        while (i + lit < count && lit < 128 && runAt (i + lit) < 3) {
            lit++;
        }
        *dst++ = (uint8_t)(lit + 127);
        memcpy (dst, src + i, lit);
        dst += lit;
        i += lit;
    }
    return (size_t)(dst - start);
}
