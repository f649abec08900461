// PackBits decoding with skip and write counts, bounded input, and the encoder.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "graphics/bitmap/SkPackBits.h"

// 02 AA 81 01 02 decodes to AA AA AA 01 02; skip 2, write 2 gives AA 01.
TEST (SkPackBits, UnpackRunsAndLiterals)
{
    const uint8_t src[] = { 0x02, 0xAA, 0x81, 0x01, 0x02 };
    uint8_t dst[8] = { 0 };
    SkPackBits::Unpack8 (dst, 0, 5, src);
    EXPECT_EQ (std::vector<uint8_t> (dst, dst + 5), (std::vector<uint8_t>{ 0xAA, 0xAA, 0xAA, 0x01, 0x02 }));
    uint8_t part[4] = { 0x11, 0x11, 0x11, 0x11 };
    SkPackBits::Unpack8 (part, 2, 2, src);
    EXPECT_EQ (std::vector<uint8_t> (part, part + 4), (std::vector<uint8_t>{ 0xAA, 0x01, 0x11, 0x11 }));
    // A literal cut by the skip boundary continues into the written part.
    SkPackBits::Unpack8 (part, 4, 1, src);
    EXPECT_EQ (part[0], 0x02);
    // Nothing is written for a zero count.
    part[0] = 0x55;
    SkPackBits::Unpack8 (part, 0, 0, src);
    EXPECT_EQ (part[0], 0x55);
}

// Long runs and literals (over 15 bytes) decode like short ones.
TEST (SkPackBits, LongUnitsAndBoundedInput)
{
    const uint8_t src[] = { 0x7F, 0x33, 0x90, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17 };
    std::vector<uint8_t> dst (145, 0);
    EXPECT_EQ (SkPackBits::Unpack8 (dst.data (), 0, 145, src, sizeof (src)), 145u);
    EXPECT_EQ (dst[0], 0x33);
    EXPECT_EQ (dst[127], 0x33);
    EXPECT_EQ (dst[128], 1);
    EXPECT_EQ (dst[144], 17);
    // Input cut inside the literal: only the run is written.
    std::vector<uint8_t> cut (145, 0xEE);
    EXPECT_EQ (SkPackBits::Unpack8 (cut.data (), 0, 145, src, 10), 128u);
    EXPECT_EQ (cut[128], 0xEE);
}

// Encoding then decoding returns the input, for runs, literals and mixtures.
TEST (SkPackBits, PackRoundTrips)
{
    std::mt19937 rng (5);
    for (int trial = 0; trial < 200; trial++) {
        size_t n = rng () % 600;
        std::vector<uint8_t> src (n);
        for (size_t i = 0; i < n; i++) src[i] = (rng () % 4 == 0) ? (uint8_t)rng () : (uint8_t)(i / 50);
        std::vector<uint8_t> packed (SkPackBits::ComputeMaxSize8 (n) + 1);
        size_t size = SkPackBits::Pack8 (src.data (), n, packed.data ());
        ASSERT_LE (size, SkPackBits::ComputeMaxSize8 (n));
        std::vector<uint8_t> back (n + 1, 0);
        ASSERT_EQ (SkPackBits::Unpack8 (back.data (), 0, n, packed.data (), size), n);
        back.resize (n);
        ASSERT_EQ (back, src) << trial;
    }
}
