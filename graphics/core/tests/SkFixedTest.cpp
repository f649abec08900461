// Fixed point, integer math, sine and cosine, and Sk64.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "graphics/core/Sk64.h"
#include "graphics/core/SkFixed.h"
#include "graphics/core/SkMath.h"
#include "graphics/core/SkScalar.h"

// Quotients truncate toward zero in 16.16; too small for it gives 0, too large saturates, a zero
// denominator saturates by the numerator's sign, and 0/0 is 0.
TEST (SkFixed, DivTruncatesAndSaturates)
{
    const struct {
        int32_t n, d, q;
    } rows[] = {
        { 1, 0, 0x7FFFFFFF },  { -1, 0, -0x7FFFFFFF },   { 0, 0, 0 },
        { 1, 2, 0x8000 },      { 3, 1, 0x30000 },        { -7, 2, -0x38000 },
        { 7, -2, -0x38000 },   { -7, -2, 0x38000 },      { 1, 3, 0x5555 },
        { -1, 3, -0x5555 },    { SK_Fixed1, SK_Fixed1, SK_Fixed1 },
        { 1, 0x20000, 0 },     { -1, 0x20000, 0 },       { 0x8000, 1, 0x7FFFFFFF },
        { -0x8000, 1, -0x7FFFFFFF }, { 0x7FFF, 1, 0x7FFF0000 }, { INT32_MIN, -1, 0x7FFFFFFF },
        { INT32_MIN, INT32_MIN, SK_Fixed1 },
    };
    for (const auto &row : rows) EXPECT_EQ (SkFixedDiv (row.n, row.d), row.q) << row.n << " / " << row.d;
}

// Random quotients agree with exact 64-bit arithmetic.
TEST (SkFixed, DivMatchesWideArithmetic)
{
    std::mt19937 rng (1234);
    for (int i = 0; i < 20000; i++) {
        int32_t n = (int32_t)rng () >> (rng () % 31);
        int32_t d = (int32_t)rng () >> (rng () % 31);
        if (d == 0) continue;
        int64_t q = ((int64_t)n * 65536) / d;
        if (q > 0x7FFFFFFF) q = 0x7FFFFFFF;
        if (q < -0x7FFFFFFF) q = -0x7FFFFFFF;
        ASSERT_EQ (SkFixedDiv (n, d), (int32_t)q) << n << " / " << d;
    }
}

TEST (SkFixed, ConversionsRoundAsNamed)
{
    EXPECT_EQ (SkIntToFixed (3), 0x30000);
    EXPECT_EQ (SkIntToFixed (-1), (SkFixed)0xFFFF0000);
    EXPECT_EQ (SkFixedRound (0x18000), 2);
    EXPECT_EQ (SkFixedRound (0x17FFF), 1);
    EXPECT_EQ (SkFixedFloor (-1), -1);
    EXPECT_EQ (SkFixedCeil (0x10001), 2);
    EXPECT_EQ (SkFixedMul (0x18000, 0x20000), 0x30000);
    EXPECT_EQ (SkFloatToFixed (1.5f), 0x18000);
    EXPECT_EQ (SkFloatToFixed (-1.99999f), -0x1FFFF);   // truncation toward zero
    EXPECT_FLOAT_EQ (SkFixedToFloat (0x8000), 0.5f);
    EXPECT_EQ (SkIntToFDot6 (2), 128);
    EXPECT_EQ (SkFDot6ToFixed (64), SK_Fixed1);
    EXPECT_EQ (SkFixedToFDot6 (SK_Fixed1), 64);
    EXPECT_EQ (SkFDot6Round (32), 1);
    EXPECT_EQ (SkFDot6Round (31), 0);
    EXPECT_EQ (SkFDot6Ceil (1), 1);
    EXPECT_EQ (SkFloatToFDot6 (1.25f), 80);
    EXPECT_EQ (SkIntToFDot8 (1), 256);
    EXPECT_EQ (SkFixedToFDot8 (SK_Fixed1), 256);
    EXPECT_EQ (SkFixedToFDot8 (0x80), 1);
    EXPECT_EQ (SkFloatToFDot8 (0.5f), 128);
}

TEST (SkMath, ClzCountsLeadingZeros)
{
    EXPECT_EQ (SkCLZ (0), 32);
    EXPECT_EQ (SkCLZ (1), 31);
    EXPECT_EQ (SkCLZ (0x80000000u), 0);
    EXPECT_EQ (SkCLZ (0x10000), 15);
}

// SkSqrtBits (x, 15) is the exact integer square root.
TEST (SkMath, SqrtBitsIsIntegerSquareRoot)
{
    EXPECT_EQ (SkSqrt32 (0), 0);
    EXPECT_EQ (SkSqrt32 (1), 1);
    EXPECT_EQ (SkSqrt32 (15), 3);
    EXPECT_EQ (SkSqrt32 (16), 4);
    EXPECT_EQ (SkSqrt32 (0x7FFFFFFF), 46340);
    std::mt19937 rng (99);
    for (int i = 0; i < 10000; i++) {
        int32_t x = (int32_t)(rng () & 0x7FFFFFFF);
        int64_t r = SkSqrt32 (x);
        ASSERT_LE (r * r, x);
        ASSERT_GT ((r + 1) * (r + 1), x);
    }
}

// Results below 1/4096 are flushed to exactly 0.
TEST (SkMath, SinCosFlushesTinyValues)
{
    SkScalar c = 5;
    EXPECT_EQ (SkScalarSinCos (SK_ScalarPI, &c), 0.0f);
    EXPECT_EQ (c, -1.0f);
    EXPECT_EQ (SkScalarSinCos (SK_ScalarPI / 2, &c), 1.0f);
    EXPECT_EQ (c, 0.0f);
    EXPECT_EQ (SkScalarSinCos (0, nullptr), 0.0f);
    EXPECT_EQ (SkScalarSinCos (1.0f / 8192, &c), 0.0f);
    EXPECT_EQ (c, 1.0f);
    EXPECT_FLOAT_EQ (SkScalarSinCos (0.5f, &c), sinf (0.5f));
    EXPECT_FLOAT_EQ (c, cosf (0.5f));
}

TEST (Sk64, MulGivesFullSignedProduct)
{
    Sk64 v;
    v.setMul (-0x7FFFFFFF, 0x7FFFFFFF);
    EXPECT_EQ (v.get64 (), -(int64_t)0x7FFFFFFF * 0x7FFFFFFF);
    EXPECT_FALSE (v.is32 ());
    EXPECT_TRUE (v.isNeg ());
    v.setMul (-3, 5);
    EXPECT_TRUE (v.is32 ());
    EXPECT_EQ (v.get32 (), -15);
    EXPECT_EQ (v.fHi, -1);
    EXPECT_EQ (v.fLo, 0xFFFFFFF1u);
}

// Division truncates toward zero for every sign combination.
TEST (Sk64, DivTruncatesTowardZero)
{
    Sk64 v;
    v.set (-7);
    v.div (2);
    EXPECT_EQ (v.get64 (), -3);
    v.set (7);
    v.div (-2);
    EXPECT_EQ (v.get64 (), -3);
    v.setMul (0x40000000, 16);
    v.div (16);
    EXPECT_EQ (v.get64 (), 0x40000000);
    v.set64 (INT64_MIN);
    v.div (-1);
    EXPECT_EQ (v.get64 (), INT64_MIN);
}
