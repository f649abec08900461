// The colour-matrix filter: which procedure each kind of matrix gets, values worked by hand,
// large entries, the 5-6-5 form, and flattening (the stored procedure address is never used).
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "graphics/core/SkColorPriv.h"
#include "graphics/effects/SkColorMatrixFilter.h"
#include "graphics/flatten/tests/SkFlattenTestSupport.h"

namespace {

struct Matrix {
    SkScalar m[20];
};

Matrix identity ()
{
    Matrix x = {};
    x.m[0] = x.m[6] = x.m[12] = x.m[18] = 1;
    return x;
}

Matrix grey ()
{
    Matrix x = identity ();
    for (int row = 0; row < 3; row++) {
        x.m[row * 5 + 0] = 0.3f;
        x.m[row * 5 + 1] = 0.59f;
        x.m[row * 5 + 2] = 0.11f;
    }
    return x;
}

SkPMColor filter_one (SkColorMatrixFilter &f, SkPMColor c)
{
    f.filterSpan (&c, 1, &c);
    return c;
}

// The matrix applied in doubles to unpremultiplied channels, then premultiplied.
SkPMColor reference (const Matrix &x, SkColor c)
{
    double in[4] = { (double)SkColorGetR (c), (double)SkColorGetG (c), (double)SkColorGetB (c), (double)SkColorGetA (c) };
    double out[4];
    for (int j = 0; j < 4; j++) {
        double v = x.m[5 * j + 4];
        for (int k = 0; k < 4; k++) v += x.m[5 * j + k] * in[k];
        out[j] = std::fmin (255, std::fmax (0, v));
    }
    double a = out[3] / 255;
    return SkPackARGB32 ((unsigned)std::lround (out[3]), (unsigned)std::lround (out[0] * a), (unsigned)std::lround (out[1] * a),
                         (unsigned)std::lround (out[2] * a));
}

} // namespace

TEST (SkColorMatrixFilter, IdentityHasNoProcedureAndCopies)
{
    Matrix x = identity ();
    SkColorMatrixFilter f (x.m);
    EXPECT_EQ (nullptr, f.getProc ());
    EXPECT_EQ (0x3u, f.getFlags ());
    SkPMColor src[3] = { 0x80402010, 0, 0xFFFFFFFF }, dst[3] = {};
    f.filterSpan (src, 3, dst);
    EXPECT_EQ (0x80402010u, dst[0]);
    EXPECT_EQ (0xFFFFFFFFu, dst[2]);
    SkColorMatrixFilter none (nullptr);
    EXPECT_EQ (nullptr, none.getProc ());
    EXPECT_EQ (0x3u, none.getFlags ());
}

TEST (SkColorMatrixFilter, GreyTurnsRedIntoItsLuminance)
{
    Matrix x = grey ();
    SkColorMatrixFilter f (x.m);
    EXPECT_EQ (0x3u, f.getFlags ());
    // 0.3 is 19660 in 16.16: (19660 × 255 + 2^15) >> 16 = 76.
    EXPECT_EQ (0xFF4C4C4Cu, filter_one (f, 0xFFFF0000));
    // Half-transparent red: unpremultiplied to 255, greyed, premultiplied by 129 >> 8.
    EXPECT_EQ (0x80262626u, filter_one (f, 0x80800000));
}

TEST (SkColorMatrixFilter, EachKindOfMatrixGetsItsProcedure)
{
    Matrix scale = identity ();
    scale.m[0] = 0.5f;
    scale.m[4] = 10;
    SkColorMatrixFilter s (scale.m);
    // (0.5 × 200 × 65536 + 10 × 65536 + 2^15) >> 16 = 110.
    EXPECT_EQ (0xFF6E6432u, filter_one (s, 0xFFC86432));
    Matrix add = identity ();
    add.m[9] = 20.6f;
    SkColorMatrixFilter a (add.m);
    EXPECT_EQ (0xFFC87932u, filter_one (a, 0xFFC86432));   // green + round (20.6) = 100 + 21
    Matrix alpha = identity ();
    alpha.m[18] = 0.5f;
    SkColorMatrixFilter g (alpha.m);
    EXPECT_EQ (0x0u, g.getFlags ());                         // the alpha changes
    EXPECT_NE (s.getProc (), a.getProc ());
    EXPECT_NE (a.getProc (), g.getProc ());
    EXPECT_NE (g.getProc (), SkColorMatrixFilter (grey ().m).getProc ());
    Matrix usesAlpha = identity ();
    usesAlpha.m[3] = 0.25f;
    EXPECT_EQ (0x1u, SkColorMatrixFilter (usesAlpha.m).getFlags ());
}

TEST (SkColorMatrixFilter, LargeEntriesLowerTheShiftAndStayInRange)
{
    Matrix big = identity ();
    big.m[0] = 200;
    big.m[1] = -150;
    big.m[5] = 150;
    big.m[6] = 150;                         // two large entries in one row
    SkColorMatrixFilter f (big.m);
    EXPECT_LT (f.getState ().fShift, 16);
    std::mt19937 rng (3);
    for (int i = 0; i < 200; i++) {
        uint32_t a = rng () % 256;
        SkPMColor c = a << 24 | (rng () % (a + 1)) << 16 | (rng () % (a + 1)) << 8 | rng () % (a + 1);
        SkPMColor out = filter_one (f, c);
        EXPECT_LE (SkGetPackedR32 (out), SkGetPackedA32 (out));
        EXPECT_LE (SkGetPackedG32 (out), SkGetPackedA32 (out));
    }
    EXPECT_EQ (0xFFFFFF00u, filter_one (f, 0xFF808000));
}

TEST (SkColorMatrixFilter, AgreesWithAReferenceInDoublesWithinOne)
{
    Matrix x = { { 0.9f, 0.1f, 0, 0, 12, 0.2f, 0.7f, 0.1f, 0, -5, 0, 0.3f, 0.6f, 0, 30, 0, 0, 0, 0.8f, 10 } };
    SkColorMatrixFilter f (x.m);
    std::mt19937 rng (9);
    for (int i = 0; i < 500; i++) {
        SkColor c = SkColorSetARGB (255, rng () % 256, rng () % 256, rng () % 256);
        SkPMColor got = filter_one (f, c), want = reference (x, c);
        for (int shift = 0; shift < 32; shift += 8)
            ASSERT_NEAR ((int)((got >> shift) & 0xFF), (int)((want >> shift) & 0xFF), 1) << std::hex << c;
    }
}

TEST (SkColorMatrixFilter, SixteenBitSpansRunTheSameMatrix)
{
    Matrix x = grey ();
    SkColorMatrixFilter f (x.m);
    uint16_t px[2] = { 0xF800, 0x07E0 }, out[2];
    f.filterSpan16 (px, 2, out);
    EXPECT_EQ (SkPack888ToRGB16 (76, 76, 76), out[0]);
    EXPECT_EQ (SkPack888ToRGB16 (150, 150, 150), out[1]);
}

// The flattened form holds a procedure address; reading it back used to trust it.
TEST (SkColorMatrixFilter, ReadBackChoosesItsOwnProcedure)
{
    Matrix x = grey ();
    SkColorMatrixFilter f (x.m);
    SkFlattenableWriteBuffer writer;
    f.flatten (writer);
    std::vector<uint32_t> words = words_of (writer);
    ASSERT_EQ (2u + 25u + 1u, words.size ());
    words[0] = 0xDEADBEEF;                  // an address of some other run
    SkFlattenableReadBuffer reader (words.data (), words.size () * 4);
    SkAutoTUnref<SkColorMatrixFilter> back ((SkColorMatrixFilter *)SkColorMatrixFilter::CreateProc (reader));
    ASSERT_NE (nullptr, back.get ());
    EXPECT_EQ (f.getProc (), back->getProc ());
    EXPECT_EQ (0xFF4C4C4Cu, filter_one (*back.get (), 0xFFFF0000));
    EXPECT_EQ (0, memcmp (&f.getState ().fArray, &back->getState ().fArray, sizeof (f.getState ().fArray)));

    words[2 + 20] = 40;                     // a shift no matrix makes
    SkFlattenableReadBuffer bad (words.data (), words.size () * 4);
    EXPECT_EQ (nullptr, SkColorMatrixFilter::CreateProc (bad));
    words[2 + 20] = 16;
    SkFlattenableReadBuffer shortData (words.data (), (words.size () - 1) * 4);
    EXPECT_EQ (nullptr, SkColorMatrixFilter::CreateProc (shortData));
}
