// Bitmap sampling: which columns and rows each tile mode takes, the choice of filtering and of
// the alpha procedures, bilinear values worked by hand, and the SSE2 bilinear samplers
// against the plain ones.
#include <gtest/gtest.h>

#include "graphics/core/SkProcForm.h"
#include "graphics/effects/SkBitmapProcShader.h"
#include "graphics/effects/SkBitmapProcStatePriv.h"
#include "graphics/effects/tests/ShaderTestSupport.h"

namespace {

std::vector<int> columns_of (const std::vector<uint32_t> &row)
{
    std::vector<int> cols;
    for (uint32_t c : row) cols.push_back (coded_column (c));
    return cols;
}

SkMatrix translate (SkScalar dx, SkScalar dy)
{
    SkMatrix m;
    m.setTranslate (dx, dy);
    return m;
}

SkMatrix scale (SkScalar sx, SkScalar sy)
{
    SkMatrix m;
    m.setScale (sx, sy);
    return m;
}

} // namespace

// Which columns and row each tile mode takes for a run: clamp repeats the edge columns,
// mirror turns at each end, repeat wraps both ways; scaled, the nearest pixel unfiltered.
TEST (SkBitmapProcState, TileModesTakeTheirColumnsAndRow)
{
    const SkShader::TileMode kClamp = SkShader::kClamp_TileMode, kMirror = SkShader::kMirror_TileMode,
                             kRepeat = SkShader::kRepeat_TileMode;
    const struct {
        SkShader::TileMode x, y;
        int width, height;
        SkMatrix matrix;
        int left, top;
        std::vector<int> columns;
        int row;
    } kCases[] = {
        // The bitmap starts 3 pixels right of the run's first pixel.
        { kClamp, kClamp, 5, 3, translate (3, 0), 0, 1, { 0, 0, 0, 0, 1, 2, 3, 4, 4, 4 }, 1 },
        { kMirror, kClamp, 5, 3, SkMatrix::I (), 5, 0, { 4, 3, 2, 1, 0, 0, 1, 2, 3, 4, 4, 3, 2 }, 0 },
        { kMirror, kClamp, 5, 3, SkMatrix::I (), -3, 0, { 2, 1, 0, 0 }, 0 },
        { kRepeat, kRepeat, 5, 4, SkMatrix::I (), -7, -1, { 3, 4, 0, 1, 2, 3, 4, 0, 1 }, 3 },
        { kClamp, kClamp, 4, 2, scale (2, 2), -2, 3, { 0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 3, 3 }, 1 },
    };
    for (const auto &c : kCases) {
        TestBitmap src (c.width, c.height, coded_pixel);
        SkBitmapProcShader shader (src.bitmap, c.x, c.y);
        std::vector<uint32_t> row = shade_row (shader, c.matrix, SkPaint (), c.left, c.top, (int)c.columns.size ());
        EXPECT_EQ (c.columns, columns_of (row)) << c.x << c.y << " at " << c.left << "," << c.top;
        EXPECT_EQ (c.row, coded_row (row[0])) << c.x << c.y << " at " << c.left << "," << c.top;
    }
}

// A row above the bitmap used to pass the clamp unchanged and read before its pixels.
TEST (SkBitmapProcState, RowAboveTheBitmapClampsToRowZero)
{
    TestBitmap src (4, 4, coded_pixel);
    SkBitmapProcShader shader (src.bitmap, SkShader::kClamp_TileMode, SkShader::kClamp_TileMode);
    // Bitmap at y 0.6: the centre of device row 0 falls at bitmap row -0.1.
    std::vector<uint32_t> row = shade_row (shader, translate (0, 0.6f), SkPaint (), 0, 0, 4);
    ASSERT_EQ (4u, row.size ());
    EXPECT_EQ (0, coded_row (row[0]));
    row = shade_row (shader, translate (0, -10), SkPaint (), 0, 0, 4);
    EXPECT_EQ (3, coded_row (row[0]));
}

TEST (SkBitmapProcState, OnePixelWideBitmapFillsTheRun)
{
    TestBitmap src (1, 3, coded_pixel);
    SkBitmapProcShader shader (src.bitmap, SkShader::kRepeat_TileMode, SkShader::kClamp_TileMode);
    std::vector<uint32_t> row = shade_row (shader, scale (3, 1), SkPaint (), -50, 2, 7);
    for (uint32_t c : row) EXPECT_EQ (coded_pixel (0, 2), c);
}

TEST (SkBitmapProcState, PaintAlphaChoosesTheAlphaProcedures)
{
    TestBitmap src (2, 2, [] (int, int) { return 0xFF8040C0u; });
    SkBitmapProcShader shader (src.bitmap, SkShader::kClamp_TileMode, SkShader::kClamp_TileMode);
    SkPaint paint;
    std::vector<uint32_t> row = shade_row (shader, SkMatrix::I (), paint, 0, 0, 1);
    EXPECT_EQ (256, shader.state ().fAlphaScale);
    EXPECT_EQ (0xFF8040C0u, row[0]);
    paint.setAlpha (254);
    row = shade_row (shader, SkMatrix::I (), paint, 0, 0, 1);
    EXPECT_EQ (255, shader.state ().fAlphaScale);
    // Every channel × 255 >> 8.
    EXPECT_EQ (0xFE7F3FBFu, row[0]);
}

TEST (SkBitmapProcState, FilteringNeedsTheFlagAMatrixBeyondTranslateAndASmallBitmap)
{
    SkPaint filtered;
    filtered.setFilterBitmap (true);
    auto chooses_filter = [&] (int width, const SkMatrix &inverse, const SkPaint &paint) {
        SkBitmapProcState state;
        state.fOrigBitmap.setConfig (SkBitmap::kARGB_8888_Config, width, 2);
        EXPECT_TRUE (state.chooseProcs (inverse, paint));
        return state.fDoFilter != 0;
    };
    EXPECT_TRUE (chooses_filter (16383, scale (0.5f, 0.5f), filtered));
    EXPECT_FALSE (chooses_filter (16384, scale (0.5f, 0.5f), filtered));
    EXPECT_FALSE (chooses_filter (100, translate (0.5f, 0.25f), filtered));
    EXPECT_FALSE (chooses_filter (100, scale (0.5f, 0.5f), SkPaint ()));
}

TEST (SkBitmapProcState, OnlyNonEmpty8888BitmapsAreSampled)
{
    SkBitmapProcState state;
    state.fOrigBitmap.setConfig (SkBitmap::kRGB_565_Config, 4, 4);
    EXPECT_FALSE (state.chooseProcs (SkMatrix::I (), SkPaint ()));
    state.fOrigBitmap.setConfig (SkBitmap::kARGB_8888_Config, 0, 4);
    EXPECT_FALSE (state.chooseProcs (SkMatrix::I (), SkPaint ()));
    state.fOrigBitmap.setConfig (SkBitmap::kARGB_8888_Config, 4, 4);
    state.fTileModeX = 3;       // no such tile mode
    EXPECT_FALSE (state.chooseProcs (scale (2, 2), SkPaint ()));
}

TEST (SkBitmapProcState, ChunkSizeFollowsMatrixAndFilter)
{
    SkPaint filtered;
    filtered.setFilterBitmap (true);
    SkBitmapProcState state;
    state.fOrigBitmap.setConfig (SkBitmap::kARGB_8888_Config, 8, 8);
    ASSERT_TRUE (state.chooseProcs (scale (0.5f, 0.5f), SkPaint ()));
    EXPECT_EQ (254, state.maxCountPerCall ());
    ASSERT_TRUE (state.chooseProcs (scale (0.5f, 0.5f), filtered));
    EXPECT_EQ (127, state.maxCountPerCall ());
    SkMatrix rotate;
    rotate.setRotate (30);
    ASSERT_TRUE (state.chooseProcs (rotate, SkPaint ()));
    EXPECT_EQ (128, state.maxCountPerCall ());
    ASSERT_TRUE (state.chooseProcs (rotate, filtered));
    EXPECT_EQ (64, state.maxCountPerCall ());
}

TEST (SkBitmapProcState, BilinearUpscaleBlendsInSixteenths)
{
    // Black then white, four times wider: sample points at 1/8, 3/8 ... of a pixel past the
    // left centre take 2/16, 6/16, 10/16 and 14/16 of white (truncated).
    TestBitmap src (2, 1, [] (int x, int) { return x == 0 ? 0xFF000000u : 0xFFFFFFFFu; });
    SkBitmapProcShader shader (src.bitmap, SkShader::kClamp_TileMode, SkShader::kClamp_TileMode);
    SkPaint paint;
    paint.setFilterBitmap (true);
    std::vector<uint32_t> row = shade_row (shader, scale (4, 1), paint, 0, 0, 8);
    const uint32_t grey[] = { 0, 0, 31, 95, 159, 223, 255, 255 };
    for (int i = 0; i < 8; i++) EXPECT_EQ (0xFF000000u | grey[i] * 0x010101u, row[i]) << "pixel " << i;
}

TEST (SkBitmapProcState, LongRunsReadOnlyTheBitmapInEveryMode)
{
    TestBitmap src (23, 17, coded_pixel);
    SkMatrix rotate;
    rotate.setRotate (17, 5, 5);
    rotate.preScale (1.7f, 1.3f);
    SkMatrix persp;
    persp.setAll (1.2f, 0.1f, 3, 0.05f, 0.9f, 2, 0.001f, 0.0005f, 1);
    for (int mode = 0; mode < 9; mode++) {
        SkBitmapProcShader shader (src.bitmap, (SkShader::TileMode)(mode % 3), (SkShader::TileMode)(mode / 3));
        for (const SkMatrix &m : { scale (0.37f, 0.8f), scale (3.3f, 2), rotate, persp }) {
            for (bool filter : { false, true }) {
                SkPaint paint;
                paint.setFilterBitmap (filter);
                std::vector<uint32_t> run = shade_row (shader, m, paint, -140, 9, 300);
                ASSERT_EQ (300u, run.size ());
                for (size_t i = 0; i < run.size (); i++) {
                    ASSERT_EQ (0xFFu, run[i] >> 24) << "mode " << mode << " filter " << filter << " pixel " << i;
                    ASSERT_LT (coded_column (run[i]), 23);
                    ASSERT_LT (coded_row (run[i]), 17);
                }
            }
        }
    }
}

TEST (SkBitmapProcState, PerspectiveSamplesNearTheMappedCentres)
{
    TestBitmap src (64, 64, coded_pixel);
    SkMatrix persp;
    persp.setAll (0.8f, 0.1f, 2, 0.02f, 0.7f, 1, 0.002f, 0.001f, 1);
    SkBitmapProcShader shader (src.bitmap, SkShader::kClamp_TileMode, SkShader::kClamp_TileMode);
    SkMatrix inverse;
    ASSERT_TRUE (persp.invert (&inverse));
    std::vector<uint32_t> row = shade_row (shader, persp, SkPaint (), 3, 20, 40);
    for (int i = 0; i < 40; i++) {
        SkPoint p;
        inverse.mapXY (3 + i + 0.5f, 20.5f, &p);
        EXPECT_NEAR (SkPin32 ((int)floorf (p.fX), 0, 63), coded_column (row[(size_t)i]), 1) << i;
        EXPECT_NEAR (SkPin32 ((int)floorf (p.fY), 0, 63), coded_row (row[(size_t)i]), 1) << i;
    }
}

// The scale-only clamp fast path used to test its range in 32 bits: a step of 259 pixels
// carries the last of 254 columns past 2^32 back to column 120, so the run looked inside the
// bitmap and was read unclamped.
TEST (SkBitmapProcState, HugeDownscaleStaysInsideTheBitmap)
{
    TestBitmap src (300, 2, coded_pixel);
    SkBitmapProcShader shader (src.bitmap, SkShader::kClamp_TileMode, SkShader::kClamp_TileMode);
    for (bool filter : { false, true }) {
        SkPaint paint;
        paint.setFilterBitmap (filter);
        std::vector<uint32_t> row = shade_row (shader, scale (1.0f / 259.0f, 1), paint, 0, 0, 254);
        ASSERT_EQ (254u, row.size ());
        EXPECT_NEAR (129, coded_column (row[0]), 1);
        for (size_t i = 1; i < row.size (); i++) ASSERT_EQ (coded_pixel (299, 0), row[i]) << i;
    }
}

TEST (SkBitmapProcState, VectorBilinearSamplersEqualThePlainOnes)
{
    std::mt19937 rng (11);
    // Narrow runs are blended column by column, runs across more than 512 columns pixel by pixel.
    TestBitmap src (700, 3, [&] (int, int) { return random_pm_pixel (rng); });
    SkBitmapProcState state;
    state.fBitmap = &src.bitmap;
    std::vector<SkPMColor> plain (68), vector (68);
    for (int count = 0; count <= 67; count++) {
        std::vector<uint32_t> xy (1 + (size_t)count);
        xy[0] = SkPackFilterCoord (rng () % 3, rng () % 16, rng () % 3);
        unsigned columns = count % 2 ? 700 : 61;
        for (int i = 1; i <= count; i++) xy[(size_t)i] = SkPackFilterCoord (rng () % columns, rng () % 16, rng () % columns);
        state.fAlphaScale = (uint16_t)(1 + rng () % 256);
        for (bool alpha : { false, true }) {
            SkSetProcForm (kPortable_SkProcForm);
            SkBitmapProcState::SampleProc32 plainProc = SkGetSampleProc32 (alpha ? 7 : 6);
            SkSetProcForm (kVector_SkProcForm);
            SkBitmapProcState::SampleProc32 vectorProc = SkGetSampleProc32 (alpha ? 7 : 6);
            plainProc (state, xy.data (), count, plain.data ());
            vectorProc (state, xy.data (), count, vector.data ());
            for (int i = 0; i < count; i++)
                ASSERT_EQ (plain[(size_t)i], vector[(size_t)i]) << "count " << count << " pixel " << i << " alpha " << alpha;
        }
    }
}
