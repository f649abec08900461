// Gradient shaders: the colour cache and its rebuilding, the flags, values worked by hand for
// each kind (the centre and the rim of a radial, the dithered ends of a linear, the quarter
// turns of a sweep), what the readers accept, and the descriptions asAGradient and asABitmap
// give.
#include <gtest/gtest.h>

#include "graphics/effects/SkBitmapProcShader.h"
#include "graphics/effects/SkBlurMaskFilter.h"
#include "graphics/effects/SkColorMatrixFilter.h"
#include "graphics/effects/SkGradientShaderPriv.h"
#include "graphics/effects/tests/ShaderTestSupport.h"
#include "graphics/flatten/tests/SkFlattenTestSupport.h"

namespace {

const SkColor kRedBlue[2] = { SK_ColorRED, SK_ColorBLUE };
const SkColor kBlackWhite[2] = { SK_ColorBLACK, SK_ColorWHITE };

SkGradientColors two (const SkColor colors[2], SkShader::TileMode mode = SkShader::kClamp_TileMode)
{
    return SkGradientColors { colors, nullptr, 2, mode };
}

uint32_t grey (unsigned level) { return 0xFF000000u | level * 0x010101u; }

template <typename T> T *round_trip (T &shader)
{
    SkFlattenableWriteBuffer writer;
    shader.flatten (writer);
    std::vector<uint32_t> words = words_of (writer);
    SkFlattenableReadBuffer reader (words.data (), words.size () * 4);
    return (T *)T::CreateProc (reader);
}

} // namespace

TEST (SkGradientShader, RadialFlagsFollowColourAndPaintAlpha)
{
    SkAutoTUnref<SkShader> radial (SkGradientShader::CreateRadial (SkPoint::Make (10, 10), 8, kRedBlue));
    ASSERT_NE (nullptr, radial.get ());
    SkPaint paint;
    ASSERT_TRUE (radial->setContext (shader_device (), paint, SkMatrix::I ()));
    EXPECT_EQ (0x03u, radial->getFlags ());
    paint.setAlpha (128);
    ASSERT_TRUE (radial->setContext (shader_device (), paint, SkMatrix::I ()));
    EXPECT_EQ (0x02u, radial->getFlags ());
    EXPECT_EQ (nullptr, SkGradientShader::CreateRadial (SkPoint::Make (0, 0), 8, nullptr));
}

// A radius of 0 used to scale unit space by infinity: it is accepted and draws nothing.
TEST (SkGradientShader, ZeroRadiusAndZeroLengthDrawNothing)
{
    SkAutoTUnref<SkShader> radial (SkGradientShader::CreateRadial (SkPoint::Make (10, 10), 0, kRedBlue));
    ASSERT_NE (nullptr, radial.get ());
    EXPECT_FALSE (radial->setContext (shader_device (), SkPaint (), SkMatrix::I ()));
    SkPoint same[2] = { SkPoint::Make (3, 3), SkPoint::Make (3, 3) };
    SkLinearGradient linear (same, two (kRedBlue));
    EXPECT_FALSE (linear.setContext (shader_device (), SkPaint (), SkMatrix::I ()));
}

TEST (SkGradientShader, RadialIsTheFirstColourAtTheCentreAndTheLastFromTheRimOn)
{
    SkAutoTUnref<SkShader> radial (SkGradientShader::CreateRadial (SkPoint::Make (10.5f, 10.5f), 8, kRedBlue));
    std::vector<uint32_t> row = shade_row (*radial.get (), SkMatrix::I (), SkPaint (), 0, 10, 21);
    EXPECT_EQ (SK_ColorRED, row[10]);
    EXPECT_EQ (SK_ColorBLUE, row[18]);      // exactly at the radius
    EXPECT_EQ (SK_ColorBLUE, row[20]);
    EXPECT_EQ (SK_ColorBLUE, row[0]);
    // Half way: the ramp's entry 128 of 255 steps from red to blue.
    EXPECT_EQ (0xFF7F0080u, row[14]);
}

TEST (SkGradientShader, CacheIsRebuiltWhenThePaintAlphaChanges)
{
    SkAutoTUnref<SkShader> radial (SkGradientShader::CreateRadial (SkPoint::Make (0.5f, 0.5f), 8, kBlackWhite));
    SkPaint paint;
    std::vector<uint32_t> row = shade_row (*radial.get (), SkMatrix::I (), paint, 0, 0, 1);
    EXPECT_EQ (0xFF000000u, row[0]);
    paint.setAlpha (128);
    row = shade_row (*radial.get (), SkMatrix::I (), paint, 0, 0, 1);
    EXPECT_EQ (0x80000000u, row[0]);
    row = shade_row (*radial.get (), SkMatrix::I (), paint, 20, 0, 1);
    EXPECT_EQ (0x80808080u, row[0]);
}

TEST (SkGradientShader, LinearAcrossTheRunDithersItsEndsAndRamps)
{
    // From x = 4 to x = 259.5: one cache entry per pixel.
    SkPoint pts[2] = { SkPoint::Make (4, 0), SkPoint::Make (259.5f, 0) };
    SkLinearGradient linear (pts, two (kBlackWhite));
    std::vector<uint32_t> row = shade_row (linear, SkMatrix::I (), SkPaint (), 0, 0, 264);
    // Before the first point: entry 0 and its dithered twin in turn (even x on an even row
    // takes the plain entry).
    EXPECT_EQ (grey (0), row[0]);
    EXPECT_EQ (grey (1), row[1]);
    EXPECT_EQ (grey (0), row[2]);
    EXPECT_EQ (grey (1), row[3]);
    EXPECT_EQ (grey (100), row[104]);       // plain entries equal their level
    EXPECT_EQ (grey (255), row[262]);
    EXPECT_EQ (grey (255), row[263]);
    // The next row starts on the other half.
    row = shade_row (linear, SkMatrix::I (), SkPaint (), 0, 1, 2);
    EXPECT_EQ (grey (1), row[0]);
    EXPECT_EQ (grey (0), row[1]);
}

TEST (SkGradientShader, LinearWithoutChangeAlongTheRunFillsOneColour)
{
    SkPoint pts[2] = { SkPoint::Make (0, 0), SkPoint::Make (0, 255) };
    SkLinearGradient vertical (pts, two (kBlackWhite));
    std::vector<uint32_t> row = shade_row (vertical, SkMatrix::I (), SkPaint (), 0, 100, 8);
    for (uint32_t c : row) EXPECT_EQ (grey (100), c);
}

TEST (SkGradientShader, LinearRepeatAndMirrorPeriods)
{
    SkPoint pts[2] = { SkPoint::Make (0, 0), SkPoint::Make (256, 0) };
    SkLinearGradient repeat (pts, two (kBlackWhite, SkShader::kRepeat_TileMode));
    SkLinearGradient mirror (pts, two (kBlackWhite, SkShader::kMirror_TileMode));
    std::vector<uint32_t> r = shade_row (repeat, SkMatrix::I (), SkPaint (), 256 + 10, 0, 1);
    std::vector<uint32_t> m = shade_row (mirror, SkMatrix::I (), SkPaint (), 256 + 10, 0, 1);
    EXPECT_EQ (grey (10), r[0]);
    EXPECT_EQ (grey (255 - 10), m[0]);
}

TEST (SkGradientShader, SweepQuarterTurns)
{
    SkSweepGradient sweep (SkPoint::Make (10.5f, 10.5f), two (kBlackWhite));
    // Angles 0, pi/2, pi and 3 pi/2 (y grows downwards) at 255 / 2 pi entries per radian.
    EXPECT_EQ (grey (0), shade_row (sweep, SkMatrix::I (), SkPaint (), 15, 10, 1)[0]);
    EXPECT_EQ (grey (63), shade_row (sweep, SkMatrix::I (), SkPaint (), 10, 15, 1)[0]);
    EXPECT_EQ (grey (127), shade_row (sweep, SkMatrix::I (), SkPaint (), 5, 10, 1)[0]);
    EXPECT_EQ (grey (191), shade_row (sweep, SkMatrix::I (), SkPaint (), 10, 5, 1)[0]);
    // Just above the positive x axis the angle is nearly 2 pi: 2 pi - 1/190 gives entry 254.
    EXPECT_EQ (grey (254), shade_row (sweep, SkMatrix::I (), SkPaint (), 200, 9, 1)[0]);
}

TEST (SkGradientShader, TwoPointWithEqualRadiiIsTransparent)
{
    SkTwoPointRadialGradient equal (SkPoint::Make (5, 5), 4, SkPoint::Make (9, 5), 4, two (kRedBlue));
    std::vector<uint32_t> row = shade_row (equal, SkMatrix::I (), SkPaint (), 0, 5, 12);
    ASSERT_EQ (12u, row.size ());
    for (uint32_t c : row) EXPECT_EQ (0u, c);
}

TEST (SkGradientShader, ConcentricTwoPointEqualsRadial)
{
    SkTwoPointRadialGradient twoPoint (SkPoint::Make (20, 20), 0, SkPoint::Make (20, 20), 16, two (kBlackWhite));
    SkRadialGradient radial (SkPoint::Make (20, 20), 16, two (kBlackWhite));
    std::vector<uint32_t> a = shade_row (twoPoint, SkMatrix::I (), SkPaint (), 0, 23, 40);
    std::vector<uint32_t> b = shade_row (radial, SkMatrix::I (), SkPaint (), 0, 23, 40);
    for (size_t i = 0; i < a.size (); i++) EXPECT_NEAR ((int)(a[i] & 0xFF), (int)(b[i] & 0xFF), 2) << i;
    ASSERT_TRUE (twoPoint.setContext (shader_device (), SkPaint (), SkMatrix::I ()));
    EXPECT_EQ (0x01u, twoPoint.getFlags ());     // no 16-bit span
}

TEST (SkGradientShader, ThreeColoursMeetAtTheirPositions)
{
    const SkColor colors[3] = { SK_ColorRED, SK_ColorGREEN, SK_ColorBLUE };
    const SkFixed positions[3] = { 0, 0x8000, 0x10000 };
    SkRadialGradient radial (SkPoint::Make (0, 0), 1, SkGradientColors { colors, positions, 3, SkShader::kClamp_TileMode });
    SkPaint paint;
    ASSERT_TRUE (radial.setContext (shader_device (), paint, SkMatrix::I ()));
    const SkPMColor *cache = radial.getCache32 ();
    ASSERT_NE (nullptr, cache);
    EXPECT_EQ (SK_ColorRED, cache[0]);
    EXPECT_EQ (SK_ColorGREEN, cache[128]);
    EXPECT_EQ (SK_ColorBLUE, cache[255]);
}

// Positions out of order used to leave cache entries unwritten; they are made to climb.
TEST (SkGradientShader, PositionsOutOfOrderAreMadeToClimb)
{
    const SkColor colors[4] = { SK_ColorRED, SK_ColorGREEN, SK_ColorBLUE, SK_ColorWHITE };
    const SkFixed positions[4] = { 0x4000, 0xC000, 0x3000, 0x8000 };
    SkSweepGradient sweep (SkPoint::Make (0, 0), SkGradientColors { colors, positions, 4, SkShader::kClamp_TileMode });
    SkScalar offsets[4];
    SkShader::GradientInfo info = {};
    info.fColorCount = 4;
    info.fColorOffsets = offsets;
    EXPECT_EQ (SkShader::kSweep_GradientType, sweep.asAGradient (&info));
    EXPECT_EQ (0.0f, offsets[0]);
    EXPECT_EQ (0.75f, offsets[1]);
    EXPECT_EQ (0.75f, offsets[2]);
    EXPECT_EQ (1.0f, offsets[3]);
}

TEST (SkGradientShader, AsAGradientFillsWhatTheRoomAllows)
{
    SkPoint pts[2] = { SkPoint::Make (1, 2), SkPoint::Make (3, 4) };
    SkLinearGradient linear (pts, two (kRedBlue, SkShader::kMirror_TileMode));
    SkColor colors[2] = { 0, 0 };
    SkScalar offsets[2] = { -1, -1 };
    SkShader::GradientInfo info = {};
    info.fColorCount = 1;                   // too little room: only the count and mode
    info.fColors = colors;
    info.fColorOffsets = offsets;
    EXPECT_EQ (SkShader::kLinear_GradientType, linear.asAGradient (&info));
    EXPECT_EQ (2, info.fColorCount);
    EXPECT_EQ (0u, colors[0]);
    EXPECT_EQ ((int32_t)SkShader::kMirror_TileMode, info.fTileMode);
    EXPECT_EQ (3.0f, info.fPoint[1].fX);
    EXPECT_EQ (SkShader::kLinear_GradientType, linear.asAGradient (&info));
    EXPECT_EQ (SK_ColorBLUE, colors[1]);
    EXPECT_EQ (1.0f, offsets[1]);
    SkTwoPointRadialGradient twoPoint (pts[0], 1, pts[1], 5, two (kRedBlue));
    EXPECT_EQ (SkShader::kRadial2_GradientType, twoPoint.asAGradient (&info));
    EXPECT_EQ (5.0f, info.fRadius[1]);
}

TEST (SkGradientShader, AsABitmapRendersTheCacheAtFullAlpha)
{
    SkRadialGradient radial (SkPoint::Make (10, 20), 4, two (kRedBlue));
    SkBitmap bm;
    SkMatrix m;
    SkShader::TileMode modes[2];
    ASSERT_EQ (SkShader::kRadial_BitmapType, radial.asABitmap (&bm, &m, modes, nullptr));
    ASSERT_EQ (256, bm.width ());
    ASSERT_EQ (1, bm.height ());
    SkAutoLockPixels lock (bm);
    EXPECT_EQ (SK_ColorRED, *bm.getAddr32 (0, 0));
    EXPECT_EQ (SK_ColorBLUE, *bm.getAddr32 (255, 0));
    SkPoint p;
    m.mapXY (14, 20, &p);
    EXPECT_FLOAT_EQ (256, p.fX);
    SkScalar params[3];
    SkTwoPointRadialGradient twoPoint (SkPoint::Make (0, 0), 1, SkPoint::Make (3, 4), 6, two (kRedBlue));
    EXPECT_EQ (SkShader::kTwoPointRadial_BitmapType, twoPoint.asABitmap (nullptr, nullptr, nullptr, params));
    EXPECT_FLOAT_EQ (1, params[0]);         // |(0 - 3, 0 - 4)| / 5
    EXPECT_FLOAT_EQ (0.2f, params[1]);
    EXPECT_FLOAT_EQ (5, params[2]);
}

TEST (SkGradientShader, EachKindReadsBackAndDrawsTheSame)
{
    const SkColor colors[3] = { 0xFF102030, 0x80FF0000, 0xFF00FF00 };
    const SkFixed positions[3] = { 0, 0x6000, 0x10000 };
    SkGradientColors desc { colors, positions, 3, SkShader::kMirror_TileMode };
    SkPoint pts[2] = { SkPoint::Make (3, 4), SkPoint::Make (40, 9) };
    SkLinearGradient linear (pts, desc);
    SkRadialGradient radial (pts[0], 20, desc);
    SkSweepGradient sweep (pts[1], desc);
    SkTwoPointRadialGradient twoPoint (pts[0], 3, pts[1], 30, desc);
    SkShader *originals[] = { &linear, &radial, &sweep, &twoPoint };
    SkAutoTUnref<SkShader> copies[] = { SkAutoTUnref<SkShader> (round_trip (linear)), SkAutoTUnref<SkShader> (round_trip (radial)),
                                        SkAutoTUnref<SkShader> (round_trip (sweep)), SkAutoTUnref<SkShader> (round_trip (twoPoint)) };
    SkMatrix m;
    m.setRotate (20);
    for (int k = 0; k < 4; k++) {
        ASSERT_NE (nullptr, copies[k].get ()) << k;
        EXPECT_EQ (shade_row (*originals[k], m, SkPaint (), -10, 7, 60), shade_row (*copies[k].get (), m, SkPaint (), -10, 7, 60)) << k;
    }
}

TEST (SkGradientShader, ReadersRefuseBadData)
{
    SkRadialGradient radial (SkPoint::Make (1, 1), 5, two (kRedBlue));
    SkFlattenableWriteBuffer writer;
    radial.flatten (writer);
    std::vector<uint32_t> words = words_of (writer);
    // Layout: no local matrix, no mapper (an empty 8-byte factory), count, two colours, tile
    // mode, nine floats, three floats.
    ASSERT_EQ (1u + 2u + 1u + 2u + 1u + 9u + 3u, words.size ());
    EXPECT_EQ (2u, words[3]);
    auto read = [] (std::vector<uint32_t> w) {
        SkFlattenableReadBuffer reader (w.data (), w.size () * 4);
        SkFlattenable *obj = SkRadialGradient::CreateProc (reader);
        bool ok = obj != nullptr;
        SkSafeUnref (obj);
        return ok;
    };
    EXPECT_TRUE (read (words));
    std::vector<uint32_t> bad = words;
    bad[3] = 1;                             // one colour
    EXPECT_FALSE (read (bad));
    bad = words;
    bad[3] = 0x7FFFFFFF;                    // more colours than the data holds
    EXPECT_FALSE (read (bad));
    bad = words;
    bad[6] = 3;                             // no such tile mode
    EXPECT_FALSE (read (bad));
    bad.assign (words.begin (), words.end () - 1);
    EXPECT_FALSE (read (bad));
}

TEST (SkGradientShader, LinearIsNotConstantInYSinceItsDitherAlternatesByRow)
{
    SkPoint pts[2] = { SkPoint::Make (0, 0), SkPoint::Make (100, 0) };
    SkLinearGradient linear (pts, two (kRedBlue));
    ASSERT_TRUE (linear.setContext (shader_device (), SkPaint (), SkMatrix::I ()));
    EXPECT_EQ (0x03u, linear.getFlags ());
    EXPECT_NE (shade_row (linear, SkMatrix::I (), SkPaint (), 0, 0, 8), shade_row (linear, SkMatrix::I (), SkPaint (), 0, 1, 8));
}

