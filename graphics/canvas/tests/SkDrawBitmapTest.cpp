// Bitmaps through the canvas and the draw engine: what counts as a sprite, what draws
// nothing, 8-bit alpha bitmaps as masks, sprites that need sampling, clips, the bounder,
// and the scaled rectangle and nine-part operations. Every case runs with the plain and with
// the vector row procedures.
#include "graphics/bitmap/SkColorTable.h"
#include "graphics/canvas/SkDraw.h"
#include "graphics/canvas/tests/SkBitmapDrawTestSupport.h"
#include "graphics/canvas/tests/SkCanvasTestSupport.h"
#include "graphics/effects/SkColorMatrixFilter.h"
#include "graphics/effects/SkShader.h"

using namespace bitmap_draw_test;

namespace {

const uint32_t kWhite = 0xFFFFFFFF;
const uint32_t kBlue = 0xFF0000FF;

using SkDrawBitmapTest = ProcFormTest;

int count_not (const SkBitmap &bitmap, uint32_t background)
{
    int n = 0;
    for (int y = 0; y < bitmap.height (); y++)
        for (int x = 0; x < bitmap.width (); x++) n += *bitmap.getAddr32 (x, y) != background;
    return n;
}

// A draw over the whole of a white device, without a canvas.
struct DrawOnly {
    SkBitmap device;
    SkRegion clip;
    SkMatrix identity;
    SkDraw draw;

    DrawOnly (int w, int h) : device (make_picture (w, h, [] (int, int) { return kWhite; }))
    {
        clip.setRect (0, 0, w, h);
        identity.reset ();
        draw.fBitmap = &device;
        draw.fClip = &clip;
        draw.fMatrix = &identity;
    }
};

SkMatrix rotated_about (SkScalar degrees, SkScalar px, SkScalar py, SkScalar x, SkScalar y)
{
    SkMatrix m;
    m.setRotate (degrees, px, py);
    m.preTranslate (x, y);
    return m;
}

} // namespace

TEST_P (SkDrawBitmapTest, ScaleOf1_0001KeepsTheRoundedSizeAndIsAnExactSpriteCopy)
{
    SkBitmap noise = noise_picture (20, 12, 3);
    SkMatrix m;
    m.setScale (1.0001f, 1.0001f);
    m.postTranslate (3.3f, 4.6f);
    SkBitmap out = draw_into (40, 30, kWhite, [&] (SkCanvas &c) { c.drawBitmapMatrix (noise, m); });
    EXPECT_EQ (count_not (out, kWhite), 20 * 12);
    for (int y = 0; y < 12; y++)
        for (int x = 0; x < 20; x++) ASSERT_EQ (*out.getAddr32 (3 + x, 5 + y), *noise.getAddr32 (x, y)) << x << "," << y;
    // 20 × 1.03 rounds to 21: sampled, one column wider.
    SkMatrix wider;
    wider.setScale (1.03f, 1);
    SkBitmap sampled = draw_into (40, 30, kWhite, [&] (SkCanvas &c) { c.drawBitmapMatrix (noise, wider); });
    EXPECT_EQ (count_not (sampled, kWhite), 21 * 12);
}

TEST_P (SkDrawBitmapTest, BitmapsWiderThan32767PixelsDrawNothing)
{
    for (int width : { 32767, 32768 }) {
        SkBitmap wide = make_picture (width, 1, [] (int, int) { return kBlue; });
        SkMatrix squeeze;
        squeeze.setScale (0.001f, 4);
        DrawOnly d (40, 10);
        d.draw.drawBitmap (wide, squeeze, SkPaint ());
        d.draw.drawSprite (wide, 0, 6, SkPaint ());
        EXPECT_EQ (count_not (d.device, kWhite), width == 32767 ? 33 * 4 + 40 : 0) << width;
    }
}

// A 1 × 1 indexed bitmap is drawn in the colour of its entry (16 pixels scaled, one where
// it is placed unscaled, one as a sprite); without a table it has no colour.
TEST_P (SkDrawBitmapTest, IndexedBitmapWithoutColourTableDrawsNothing)
{
    SkMatrix four;
    four.setScale (4, 4);
    SkPMColor green = 0xFF00FF00;
    for (bool withTable : { true, false }) {
        SkColorTable *table = withTable ? SkColorTable::Create (&green, 1) : nullptr;
        SkBitmap indexed;
        indexed.setConfig (SkBitmap::kIndex8_Config, 1, 1);
        ASSERT_TRUE (indexed.allocPixels (table));
        SkSafeUnref (table);
        *indexed.getAddr8 (0, 0) = 0;
        SkBitmap out = draw_into (10, 10, kWhite, [&] (SkCanvas &c) {
            c.drawBitmapMatrix (indexed, four);
            c.drawBitmap (indexed, 6, 6);
            c.drawSprite (indexed, 8, 8);
        });
        EXPECT_EQ (count_not (out, kWhite), withTable ? 18 : 0) << withTable;
    }
}

// Under perspective each pixel takes the source pixel at or within 1/8 of a pixel of its
// exact sample point: positions are exact every 16 pixels of a run and linear in between.
TEST_P (SkDrawBitmapTest, PerspectivePicksTheSourcePixelUnderEachPixel)
{
    SkBitmap coded = make_picture (31, 27, [] (int x, int y) { return 0xFF000000u | x << 16 | y << 8; });
    SkMatrix m;
    m.setAll (1.6f, 0.1f, 5.2f, 0.05f, 1.5f, 4.1f, 0.004f, 0.003f, 1);
    SkBitmap out = draw_into (72, 64, kWhite, [&] (SkCanvas &c) { c.drawBitmapMatrix (coded, m); });
    int inside = 0;
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 72; x++) {
            uint32_t p = *out.getAddr32 (x, y);
            Place place = place_of (m, 31, 27, x, y);
            if (place == kOutside) {
                ASSERT_EQ (p, kWhite) << x << "," << y;
            }
            if (place != kInside) continue;
            inside++;
            SkPoint s = sample_point (m, x, y);
            int column = (int)((p >> 16) & 0xFF), row = (int)((p >> 8) & 0xFF);
            EXPECT_TRUE (s.fX > column - 0.125f && s.fX < column + 1.125f && s.fY > row - 0.125f && s.fY < row + 1.125f)
                << x << "," << y << ": " << s.fX << "," << s.fY << " took " << column << "," << row;
        }
    EXPECT_GT (inside, 400);
}

TEST_P (SkDrawBitmapTest, AlphaBitmapUnderRotationIsAMaskInThePaintColour)
{
    SkBitmap alpha = make_alpha (16, 16, [] (int, int) { return 255; });
    SkMatrix m = rotated_about (30, 20, 20, 12, 12);
    SkPaint paint;
    paint.setColor (kBlue);
    SkBitmap out = draw_into (40, 40, kWhite, [&] (SkCanvas &c) { c.drawBitmapMatrix (alpha, m, &paint); });
    int inside = 0;
    for (int y = 0; y < 40; y++)
        for (int x = 0; x < 40; x++) {
            uint32_t p = *out.getAddr32 (x, y);
            Place place = place_of (m, 16, 16, x, y);
            if (place == kEdge) {
                EXPECT_TRUE (p == kBlue || p == kWhite) << x << "," << y;
                continue;
            }
            inside += place == kInside;
            EXPECT_EQ (p, place == kInside ? kBlue : kWhite) << x << "," << y;
        }
    EXPECT_GT (inside, 150);
}

// Half coverage blends the paint colour half over the white: 0xFF7F7FFF or 0xFF8080FF.
TEST_P (SkDrawBitmapTest, ScaledAlphaBitmapCoversByItsAlpha)
{
    SkBitmap alpha = make_alpha (8, 8, [] (int, int) { return 128; });
    SkPaint paint;
    paint.setColor (kBlue);
    SkBitmap out = draw_into (40, 40, kWhite, [&] (SkCanvas &c) {
        c.drawBitmapRect (alpha, nullptr, SkRect::MakeLTRB (4, 4, 28, 28), &paint);
    });
    EXPECT_EQ (count_not (out, kWhite), 24 * 24);
    EXPECT_LE (channel_difference (*out.getAddr32 (4, 4), 0xFF7F7FFF), 1);
    EXPECT_EQ (*out.getAddr32 (27, 27), *out.getAddr32 (4, 4));
}

// The paint's own shader colours the mask where it lies on the canvas, not scaled with it.
TEST_P (SkDrawBitmapTest, ScaledAlphaBitmapTakesThePaintsShaderInCanvasPlaces)
{
    SkBitmap alpha = make_alpha (8, 8, [] (int, int) { return 255; });
    SkBitmap noise = noise_picture (16, 16, 4);
    SkShader *shader = SkShader::CreateBitmapShader (noise);
    ASSERT_NE (shader, nullptr);
    SkPaint paint;
    paint.setShader (shader);
    shader->unref ();
    SkBitmap out = draw_into (20, 20, kWhite, [&] (SkCanvas &c) {
        c.drawBitmapRect (alpha, nullptr, SkRect::MakeWH (16, 16), &paint);
    });
    for (int y = 0; y < 16; y++)
        for (int x = 0; x < 16; x++) ASSERT_EQ (*out.getAddr32 (x, y), *noise.getAddr32 (x, y)) << x << "," << y;
}

// Anti-aliasing softens the mask's edges; filtering blends a checkerboard's squares.
TEST_P (SkDrawBitmapTest, AlphaMaskKeepsThePaintsAntiAliasAndFilterFlags)
{
    SkBitmap checker = make_alpha (8, 8, [] (int x, int y) { return ((x ^ y) & 1) ? 255 : 0; });
    SkMatrix m = rotated_about (30, 20, 20, 6, 6);
    m.preScale (3, 3);
    auto partial = [&] (bool antiAlias, bool filter, Place where) {
        SkPaint paint;
        paint.setColor (kBlue);
        paint.setAntiAlias (antiAlias);
        paint.setFilterBitmap (filter);
        SkBitmap out = draw_into (40, 40, kWhite, [&] (SkCanvas &c) { c.drawBitmapMatrix (checker, m, &paint); });
        int n = 0;
        for (int y = 0; y < 40; y++)
            for (int x = 0; x < 40; x++) {
                uint32_t p = *out.getAddr32 (x, y);
                n += place_of (m, 8, 8, x, y) == where && p != kBlue && p != kWhite;
            }
        return n;
    };
    EXPECT_EQ (partial (false, false, kEdge), 0);
    EXPECT_GT (partial (true, false, kEdge), 10);
    EXPECT_EQ (partial (false, false, kInside), 0);
    EXPECT_GT (partial (false, true, kInside), 50);
}

TEST_P (SkDrawBitmapTest, SpriteWithAColourFilterIsDrawnFiltered)
{
    SkBitmap red = make_picture (6, 5, [] (int, int) { return 0xFFFF0000; });
    const SkScalar swapRedGreen[20] = { 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0 };
    SkColorMatrixFilter *filter = new SkColorMatrixFilter (swapRedGreen);
    SkPaint paint;
    paint.setColorFilter (filter);
    filter->unref ();
    SkBitmap out = draw_into (20, 20, kWhite, [&] (SkCanvas &c) {
        c.translate (7, 7);     // sprites ignore the matrix
        c.drawSprite (red, 4, 3, &paint);
    });
    EXPECT_EQ (count_not (out, kWhite), 30);
    EXPECT_EQ (*out.getAddr32 (4, 3), 0xFF00FF00u);
    EXPECT_EQ (*out.getAddr32 (9, 7), 0xFF00FF00u);
}

// No sprite blitter writes an 8-bit device: the sprite is sampled into it, once the bounder
// has accepted its rectangle (and it is not asked again).
TEST_P (SkDrawBitmapTest, SpriteWithoutAFittingBlitterIsSampled)
{
    SkBitmap picture = make_picture (6, 5, [] (int x, int) { return x < 3 ? 0xFF000000 : 0x80000000; });
    SkBitmap device;
    device.setConfig (SkBitmap::kA8_Config, 20, 20);
    ASSERT_TRUE (device.allocPixels ());
    memset (device.getPixels (), 0, device.getSafeSize ());
    SkRegion clip (SkIRect::MakeWH (20, 20));
    SkMatrix identity;
    identity.reset ();
    canvas_test::CountingBounder bounder;
    bounder.setClip (&clip);
    SkDraw draw;
    draw.fBitmap = &device;
    draw.fClip = &clip;
    draw.fMatrix = &identity;
    draw.fBounder = &bounder;
    draw.drawSprite (picture, 4, 3, SkPaint ());
    ASSERT_EQ (bounder.fAsked.size (), 1u);
    EXPECT_EQ (bounder.fAsked[0], SkIRect::MakeLTRB (4, 3, 10, 8));
    EXPECT_EQ (*device.getAddr8 (4, 3), 255);
    EXPECT_EQ (*device.getAddr8 (9, 7), 0x80);
    EXPECT_EQ (*device.getAddr8 (10, 7), 0);
    bounder.fAnswer = false;
    memset (device.getPixels (), 0, device.getSafeSize ());
    draw.drawSprite (picture, 4, 3, SkPaint ());
    SkMatrix twice;
    twice.setScale (2, 2);
    draw.drawBitmap (picture, twice, SkPaint ());
    EXPECT_EQ (*device.getAddr8 (4, 3), 0);
    EXPECT_EQ (*device.getAddr8 (1, 1), 0);
}

// A clip limits the sampled picture to its own pixels, which match the unclipped drawing
// within 2 levels: each run steps its sample position from where the run starts, and runs cut
// by the clip start elsewhere, which moves a bilinear weight by at most one sixteenth (at
// most 17 levels × 2/16 on this smooth picture).
TEST_P (SkDrawBitmapTest, ClipsLimitTheSampledPicture)
{
    SkBitmap noise = smooth_picture (24, 20);
    SkMatrix m = rotated_about (30, 24, 24, 6, 8);
    m.preScale (1.4f, 1.4f);
    SkPaint paint;
    paint.setFilterBitmap (true);
    SkBitmap whole = draw_into (48, 48, kWhite, [&] (SkCanvas &c) { c.drawBitmapMatrix (noise, m, &paint); });
    SkRegion complex (SkIRect::MakeLTRB (5, 5, 30, 20));
    complex.op (SkIRect::MakeLTRB (20, 15, 44, 44), SkRegion::kUnion_Op);
    complex.op (SkIRect::MakeLTRB (24, 24, 30, 30), SkRegion::kDifference_Op);
    SkRegion cut (SkIRect::MakeLTRB (0, 0, 48, 21));
    for (const SkRegion &clip : { complex, cut }) {
        SkBitmap out = draw_into (48, 48, kWhite, [&] (SkCanvas &c) {
            c.clipRegion (clip);
            c.drawBitmapMatrix (noise, m, &paint);
        });
        int drawn = 0;
        for (int y = 0; y < 48; y++)
            for (int x = 0; x < 48; x++) {
                uint32_t expect = clip.contains (x, y) ? *whole.getAddr32 (x, y) : kWhite;
                ASSERT_LE (channel_difference (*out.getAddr32 (x, y), expect), expect == kWhite ? 0 : 2) << x << "," << y;
                drawn += expect != kWhite;
            }
        EXPECT_GT (drawn, 200);
    }
    SkBitmap none = draw_into (48, 48, kWhite, [&] (SkCanvas &c) {
        c.clipRect (SkRect::MakeLTRB (10, 10, 10, 30));
        c.drawBitmapMatrix (noise, m, &paint);
    });
    EXPECT_EQ (count_not (none, kWhite), 0);
}

TEST_P (SkDrawBitmapTest, BitmapRectScalesEachSourcePixelToABlock)
{
    SkBitmap noise = noise_picture (10, 10, 9);
    SkBitmap out = draw_into (30, 30, kWhite, [&] (SkCanvas &c) {
        c.drawBitmapRect (noise, nullptr, SkRect::MakeLTRB (5, 5, 25, 25));
    });
    EXPECT_EQ (count_not (out, kWhite), 400);
    for (int y = 0; y < 20; y++)
        for (int x = 0; x < 20; x++) ASSERT_EQ (*out.getAddr32 (5 + x, 5 + y), *noise.getAddr32 (x / 2, y / 2));
}

// L = 10, R = 20, W = 30: a destination of 10 has no room for the 20 fixed columns, which
// shrink to 5 each and leave the centre out; a destination of 50 stretches only the centre.
TEST_P (SkDrawBitmapTest, NinePartBitmapScalesTheFixedColumnsWhenTooNarrow)
{
    SkBitmap bands = make_picture (30, 30, [] (int x, int) {
        return x < 10 ? 0xFFFF0000 : (x < 20 ? 0xFF00FF00 : 0xFF0000FF);
    });
    SkIRect centre = SkIRect::MakeLTRB (10, 10, 20, 20);
    SkBitmap narrow = draw_into (60, 30, kWhite, [&] (SkCanvas &c) {
        c.drawBitmapNine (bands, centre, SkRect::MakeLTRB (0, 0, 10, 30));
    });
    SkBitmap wide = draw_into (60, 30, kWhite, [&] (SkCanvas &c) {
        c.drawBitmapNine (bands, centre, SkRect::MakeLTRB (0, 0, 50, 30));
    });
    for (int y = 0; y < 30; y++)
        for (int x = 0; x < 60; x++) {
            uint32_t n = x < 5 ? 0xFFFF0000 : (x < 10 ? 0xFF0000FF : kWhite);
            uint32_t w = x < 10 ? 0xFFFF0000 : (x < 40 ? 0xFF00FF00 : (x < 50 ? 0xFF0000FF : kWhite));
            ASSERT_EQ (*narrow.getAddr32 (x, y), n) << x << "," << y;
            ASSERT_EQ (*wide.getAddr32 (x, y), w) << x << "," << y;
        }
}

INSTANTIATE_TEST_SUITE_P (Forms, SkDrawBitmapTest, testing::Values (kPortable_SkProcForm, kVector_SkProcForm),
                          form_name);
