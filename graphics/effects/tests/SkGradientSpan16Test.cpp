// 5-6-5 rows of the linear, radial and sweep gradients against their 32-bit rows: on the
// checkerboard's plain pixels a 16-bit pixel is the 32-bit pixel packed, on the others a
// rounding of the same colour at most one step away; the 16-bit cache carries no alpha.
#include <gtest/gtest.h>

#include <cmath>

#include "graphics/core/SkColorPriv.h"
#include "graphics/effects/SkGradientShaderPriv.h"
#include "graphics/effects/tests/ShaderTestSupport.h"

namespace {

const SkColor kThree[3] = { 0xFF102030, 0xFFF08040, 0xFF20E0A0 };
const SkFixed kPositions[3] = { 0, 0x5000, 0x10000 };
const SkShader::TileMode kModes[3] = { SkShader::kClamp_TileMode, SkShader::kRepeat_TileMode, SkShader::kMirror_TileMode };

SkGradientColors three (SkShader::TileMode mode) { return SkGradientColors { kThree, kPositions, 3, mode }; }

// The geometries the rows are shaded under: identity, a rotation with scale, and a perspective.
std::vector<SkMatrix> matrices ()
{
    SkMatrix rotated, persp;
    rotated.setRotate (33);
    rotated.postScale (1.5f, 0.75f);
    persp.setAll (1, 0.1f, 3, 0.2f, 1, -4, 0.0004f, 0.0007f, 1);
    return { SkMatrix::I (), rotated, persp };
}

template <typename G> std::vector<uint16_t> shade_row16 (G &shader, const SkMatrix &m, const SkPaint &paint, int x, int y, int count)
{
    if (!shader.setContext (shader_device (), paint, m)) return {};
    std::vector<uint16_t> row ((size_t)count, 0xBEEF);
    shader.shadeSpan16 (x, y, row.data (), count);
    return row;
}

struct Channels {
    int r, g, b;
};

Channels channels16 (uint16_t c) { return { (int)SkGetPackedR16 (c), (int)SkGetPackedG16 (c), (int)SkGetPackedB16 (c) }; }

// A 16-bit pixel on a dithered place stands for the 8-bit colour within one step of each
// channel's exact scaling (31 or 63 steps over 255).
::testing::AssertionResult near_colour (uint16_t c16, SkPMColor c32)
{
    Channels c = channels16 (c16);
    double r = SkGetPackedR32 (c32) * 31.0 / 255, g = SkGetPackedG32 (c32) * 63.0 / 255, b = SkGetPackedB32 (c32) * 31.0 / 255;
    if (std::fabs (c.r - r) < 1 && std::fabs (c.g - g) < 1 && std::fabs (c.b - b) < 1) return ::testing::AssertionSuccess ();
    return ::testing::AssertionFailure () << std::hex << "16-bit " << c16 << " is no rounding of " << c32;
}

// Rows of a shader in 16 and 32 bits, over both parities of the checkerboard.
// PlainOdd is false for shaders whose 32-bit rows dither too: their odd pixels are no plain colour.
template <typename G> void expect_rows_agree (G &shader, bool plainOdd, const char *what)
{
    int m = 0;
    for (const SkMatrix &matrix : matrices ()) {
        for (int y : { -3, 0, 7, 40 }) {
            const int x = -5, count = 90;
            std::vector<uint32_t> row32 = shade_row (shader, matrix, SkPaint (), x, y, count);
            std::vector<uint16_t> row16 = shade_row16 (shader, matrix, SkPaint (), x, y, count);
            ASSERT_EQ (row32.size (), row16.size ()) << what;
            for (int i = 0; i < count; i++) {
                bool plain = ((x + i) ^ y) % 2 == 0;
                if (plain) {
                    ASSERT_EQ (SkPixel32ToPixel16 (row32[i]), row16[i]) << what << " matrix " << m << " y " << y << " i " << i;
                } else if (plainOdd) {
                    ASSERT_TRUE (near_colour (row16[i], row32[i])) << what << " matrix " << m << " y " << y << " i " << i;
                }
            }
        }
        m++;
    }
}

} // namespace

TEST (SkGradientSpan16, EachKindAndTileModeMatchesItsPackedThirtyTwoBitRow)
{
    SkPoint pts[2] = { SkPoint::Make (2, 3), SkPoint::Make (61, 17) };
    for (SkShader::TileMode mode : kModes) {
        SkLinearGradient linear (pts, three (mode));
        SkRadialGradient radial (pts[0], 27, three (mode));
        SkSweepGradient sweep (pts[1], three (mode));
        expect_rows_agree (linear, false, "linear");
        expect_rows_agree (radial, true, "radial");
        expect_rows_agree (sweep, true, "sweep");
    }
}

// A horizontal linear gradient has the same colours on every row, so the row below gives the
// 32-bit plain colours of this row's dithered places.
TEST (SkGradientSpan16, LinearDitheredPlacesRoundTheirPlainColour)
{
    SkPoint pts[2] = { SkPoint::Make (4, 0), SkPoint::Make (259.5f, 0) };
    const SkColor blackWhite[2] = { SK_ColorBLACK, SK_ColorWHITE };
    SkLinearGradient linear (pts, SkGradientColors { blackWhite, nullptr, 2, SkShader::kClamp_TileMode });
    std::vector<uint16_t> row16 = shade_row16 (linear, SkMatrix::I (), SkPaint (), 0, 0, 264);
    std::vector<uint32_t> below = shade_row (linear, SkMatrix::I (), SkPaint (), 0, 1, 264);
    int rounded = 0;
    for (int i = 1; i < 264; i += 2) {
        EXPECT_TRUE (near_colour (row16[i], below[i])) << i;
        rounded += row16[i] != SkPixel32ToPixel16 (below[i]);
    }
    // Plain packing always cuts; the dithered twins round about half of the levels up.
    EXPECT_GT (rounded, 40);
}

// Where the 32-bit row is one colour, the 16-bit row still alternates with its rounding, so a
// flat area between two 5-6-5 levels is not cut to the lower one.
TEST (SkGradientSpan16, AFlatLinearRunStillAlternates)
{
    SkPoint pts[2] = { SkPoint::Make (0, 0), SkPoint::Make (0, 255) };
    const SkColor level[2] = { 0xFF878787, 0xFF878787 };      // 135: 16 in five bits, rounds to 17
    SkLinearGradient vertical (pts, SkGradientColors { level, nullptr, 2, SkShader::kClamp_TileMode });
    std::vector<uint32_t> row32 = shade_row (vertical, SkMatrix::I (), SkPaint (), 0, 100, 8);
    std::vector<uint16_t> row16 = shade_row16 (vertical, SkMatrix::I (), SkPaint (), 0, 100, 8);
    for (int i = 0; i < 8; i++) {
        EXPECT_EQ (0xFF878787u, row32[i]);
        EXPECT_EQ (i % 2 == 0 ? 16 : 17, channels16 (row16[i]).r) << i;
    }
}

// A 5-6-5 row has no alpha: the paint's alpha and a colour's alpha change the 32-bit cache
// only, and the 16-bit row is the same as with an opaque paint.
TEST (SkGradientSpan16, TheSixteenBitCacheIgnoresAlpha)
{
    SkAutoTUnref<SkShader> radial (SkGradientShader::CreateRadial (SkPoint::Make (10, 10), 20, kThree));
    SkRadialGradient *r = (SkRadialGradient *)radial.get ();
    SkPaint half;
    half.setAlpha (128);
    std::vector<uint16_t> opaque = shade_row16 (*r, SkMatrix::I (), SkPaint (), 0, 10, 40);
    EXPECT_EQ (opaque, shade_row16 (*r, SkMatrix::I (), half, 0, 10, 40));
    EXPECT_NE (shade_row (*r, SkMatrix::I (), SkPaint (), 0, 10, 40), shade_row (*r, SkMatrix::I (), half, 0, 10, 40));
}
