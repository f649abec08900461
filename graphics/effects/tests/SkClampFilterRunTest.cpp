// The one-pass filtered scale of a clamped bitmap: which draws take it, and its colours,
// plain and SSE2, against the matrix procedure and sample procedure it stands in for, over
// random scales, offsets, sizes, alphas and runs.
#include <gtest/gtest.h>

#include "graphics/core/SkProcForm.h"
#include "graphics/effects/SkBitmapProcShader.h"
#include "graphics/effects/SkBitmapProcStatePriv.h"
#include "graphics/effects/tests/ShaderTestSupport.h"

namespace {

SkMatrix scale_translate (SkScalar sx, SkScalar sy, SkScalar tx, SkScalar ty)
{
    SkMatrix m;
    m.setScale (sx, sy);
    m.postTranslate (tx, ty);
    return m;
}

SkPaint filter_paint (unsigned alpha = 255)
{
    SkPaint paint;
    paint.setFilterBitmap (true);
    paint.setAlpha (alpha);
    return paint;
}

// The run through the coordinate buffer, chunk by chunk, in the plain form.
std::vector<uint32_t> split_run (const SkBitmapProcState &state, int x, int y, int count)
{
    SkProcForm was = SkSetProcForm (kPortable_SkProcForm);
    SkBitmapProcState::SampleProc32 sample = SkGetSampleProc32 ((state.fAlphaScale < 256 ? 1 : 0) | 2 | 4);
    SkSetProcForm (was);
    std::vector<uint32_t> colors ((size_t)count), xy (SkBitmapProcState::kCoordinateWords);
    for (int done = 0; done < count;) {
        int n = count - done < state.maxCountPerCall () ? count - done : state.maxCountPerCall ();
        state.fMatrixProc (state, xy.data (), n, x + done, y);
        sample (state, xy.data (), n, colors.data () + done);
        done += n;
    }
    return colors;
}

struct Draw {
    SkMatrix matrix;
    unsigned alpha;
    int x, y, count;
};

// The run through the whole-run procedure of form, which must have been chosen, against the
// split procedures.
void expect_same_run (const SkBitmap &bm, const Draw &d, SkProcForm form, const char *what)
{
    SkBitmapProcShader shader (bm, SkShader::kClamp_TileMode, SkShader::kClamp_TileMode);
    SkProcForm was = SkSetProcForm (form);
    ASSERT_TRUE (shader.setContext (shader_device (), filter_paint (d.alpha), d.matrix)) << what;
    SkSetProcForm (was);
    ASSERT_NE (nullptr, shader.state ().fShaderProc32) << what;
    std::vector<uint32_t> fused ((size_t)d.count + 1, 0xDEADBEEF);
    shader.shadeSpan (d.x, d.y, fused.data (), d.count);
    ASSERT_EQ (0xDEADBEEF, fused[(size_t)d.count]) << what << ": wrote past the run";
    fused.pop_back ();
    std::vector<uint32_t> split = split_run (shader.state (), d.x, d.y, d.count);
    for (int i = 0; i < d.count; i++) ASSERT_EQ (split[(size_t)i], fused[(size_t)i]) << what << " pixel " << i;
}

void expect_same_run_both_forms (const SkBitmap &bm, const Draw &d, const std::string &what)
{
    expect_same_run (bm, d, kPortable_SkProcForm, (what + " plain").c_str ());
    expect_same_run (bm, d, kVector_SkProcForm, (what + " vector").c_str ());
}

std::string describe (int w, int h, SkScalar sx, SkScalar sy, SkScalar tx, SkScalar ty, const Draw &d)
{
    char text[200];
    snprintf (text, sizeof text, "%dx%d scale %.9g %.9g at %.9g %.9g alpha %u run %d,%d x%d", w, h, (double)sx,
              (double)sy, (double)tx, (double)ty, d.alpha, d.x, d.y, d.count);
    return text;
}

} // namespace

TEST (SkClampFilterRun, TakenOnlyByFilteredForwardScalesOfClampedBitmaps)
{
    TestBitmap src (8, 8, coded_pixel);
    auto takes_run_proc = [&] (SkShader::TileMode tx, SkShader::TileMode ty, const SkMatrix &m, const SkPaint &paint) {
        SkBitmapProcShader shader (src.bitmap, tx, ty);
        EXPECT_TRUE (shader.setContext (shader_device (), paint, m));
        return shader.state ().fShaderProc32 != nullptr;
    };
    const SkShader::TileMode clamp = SkShader::kClamp_TileMode, repeat = SkShader::kRepeat_TileMode;
    EXPECT_TRUE (takes_run_proc (clamp, clamp, scale_translate (2, 2, 0.5f, 3), filter_paint ()));
    EXPECT_TRUE (takes_run_proc (clamp, clamp, scale_translate (0.3f, 5, 0, 0), filter_paint (17)));
    EXPECT_FALSE (takes_run_proc (clamp, clamp, scale_translate (2, 2, 0, 0), SkPaint ()));
    EXPECT_FALSE (takes_run_proc (repeat, clamp, scale_translate (2, 2, 0, 0), filter_paint ()));
    EXPECT_FALSE (takes_run_proc (clamp, repeat, scale_translate (2, 2, 0, 0), filter_paint ()));
    EXPECT_FALSE (takes_run_proc (clamp, clamp, scale_translate (-2, 2, 40, 0), filter_paint ()));
    SkMatrix rotate;
    rotate.setRotate (10);
    EXPECT_FALSE (takes_run_proc (clamp, clamp, rotate, filter_paint ()));
    // Another context without filtering drops it again.
    SkBitmapProcShader shader (src.bitmap, clamp, clamp);
    ASSERT_TRUE (shader.setContext (shader_device (), filter_paint (), scale_translate (2, 2, 0, 0)));
    ASSERT_TRUE (shader.setContext (shader_device (), SkPaint (), scale_translate (2, 2, 0, 0)));
    EXPECT_EQ (nullptr, shader.state ().fShaderProc32);
}

TEST (SkClampFilterRun, TwiceUpscaleBlendsAQuarterAndThreeQuarters)
{
    // Black then white: the sample points fall a quarter of a pixel either side of the
    // source centres, 4/16 and 12/16 of white, and the ends take the edge columns whole.
    TestBitmap src (2, 1, [] (int x, int) { return x == 0 ? 0xFF000000u : 0xFFFFFFFFu; });
    for (SkProcForm form : { kPortable_SkProcForm, kVector_SkProcForm }) {
        SkSetProcForm (form);
        SkBitmapProcShader shader (src.bitmap, SkShader::kClamp_TileMode, SkShader::kClamp_TileMode);
        std::vector<uint32_t> row = shade_row (shader, scale_translate (2, 2, 0, 0), filter_paint (), -1, 0, 6);
        const uint32_t grey[] = { 0, 0, 63, 191, 255, 255 };
        for (int i = 0; i < 6; i++) EXPECT_EQ (0xFF000000u | grey[i] * 0x010101u, row[(size_t)i]) << "form " << form << " pixel " << i;
    }
    SkSetProcForm (kVector_SkProcForm);
}

TEST (SkClampFilterRun, RunsEndingAtTheBitmapEdgesEqualTheSplitProcedures)
{
    std::mt19937 rng (5);
    TestBitmap src (9, 4, [&] (int, int) { return random_pm_pixel (rng); });
    // Scales near 1 put the sample points right at the first and last centres; runs start
    // and end on the pixels around those points.
    for (SkScalar sx : { 1.0001f, 0.9999f, 1.5f, 2.0f, 0.5f }) {
        for (SkScalar tx : { 0.0f, 0.5f, -0.5f, 1.0f }) {
            int edge = (int)(9 * sx + tx);
            for (int x0 : { -2, -1, 0, 1, edge - 2, edge - 1, edge, edge + 1 }) {
                for (int count : { 1, 2, 3, edge + 3 - x0 }) {
                    if (count < 1) continue;
                    Draw d { scale_translate (sx, 1.25f, tx, 0.3f), 255, x0, 2, count };
                    expect_same_run_both_forms (src.bitmap, d, describe (9, 4, sx, 1.25f, tx, 0.3f, d));
                }
            }
        }
    }
}

TEST (SkClampFilterRun, RandomDrawsEqualTheSplitProcedures)
{
    std::mt19937 rng (29);
    std::uniform_real_distribution<float> unit (0, 1);
    for (int trial = 0; trial < 600; trial++) {
        // A quarter of the bitmaps are one pixel wide or high.
        int kind = trial % 8;
        int w = kind == 0 ? 1 : 1 + (int)(rng () % 40), h = kind == 1 ? 1 : 1 + (int)(rng () % 12);
        TestBitmap src (w, h, [&] (int, int) { return random_pm_pixel (rng); });
        SkScalar sx = trial % 3 == 0 ? 1 + (unit (rng) - 0.5f) / 500 : 0.05f + unit (rng) * 8;
        SkScalar sy = 0.1f + unit (rng) * 6;
        SkScalar tx = (unit (rng) - 0.5f) * 60, ty = (unit (rng) - 0.5f) * 30;
        unsigned alpha = rng () % 2 ? 255 : rng () % 256;
        int span = (int)(w * sx) + 40;
        Draw d { scale_translate (sx, sy, tx, ty), alpha, (int)(rng () % (unsigned)span) - 30,
                 (int)(rng () % (unsigned)(h * sy + 10)) - 5, 1 + (int)(rng () % 600) };
        expect_same_run_both_forms (src.bitmap, d, describe (w, h, sx, sy, tx, ty, d));
        if (HasFatalFailure ()) return;
    }
}

TEST (SkClampFilterRun, WideRunsAndFarPositionsEqualTheSplitProcedures)
{
    std::mt19937 rng (41);
    TestBitmap src (1500, 3, [&] (int, int) { return random_pm_pixel (rng); });
    // Very small scales put the run far past both ends.
    const struct { SkScalar sx, tx; int x, count; } cases[] = {
        { 0.999f, 0, 0, 1500 }, { 1.001f, -3.3f, -7, 1600 }, { 0.51f, 0.7f, 1, 770 },
        { 3.0f, 0, -100, 4600 }, { 1e-3f, 0, -5000, 9000 }, { 1e-3f, 1e6f, -5000, 3000 },
        { 250.0f, -1e5f, -300, 2000 }, { 0.75f, 1e-3f, 1100, 200 },
    };
    for (const auto &c : cases) {
        for (unsigned alpha : { 255u, 200u }) {
            Draw d { scale_translate (c.sx, 1.5f, c.tx, 0), alpha, c.x, 1, c.count };
            expect_same_run_both_forms (src.bitmap, d, describe (1500, 3, c.sx, 1.5f, c.tx, 0, d));
        }
    }
}
