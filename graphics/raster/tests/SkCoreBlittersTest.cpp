// The concrete blitters and the blitter choice, pixel-exact on 32-bit and 8-bit bitmaps:
// solid, translucent and shader fills of rows, runs, columns, rectangles and masks.
#include <gtest/gtest.h>

#include <random>

#include "graphics/core/SkColorPriv.h"
#include "graphics/raster/SkCoreBlitters.h"
#include "graphics/raster/tests/BlitterTestSupport.h"

namespace {

struct ConstFilter : SkColorFilter {
    SkPMColor fOut;
    explicit ConstFilter (SkPMColor out) : fOut (out) {}
    void filterSpan (const SkPMColor[], int count, SkPMColor dst[]) override
    {
        for (int i = 0; i < count; i++) dst[i] = fOut;
    }
    uint32_t getFlags () override { return 0; }
};

struct CountingShader : SkShader {
    SkPMColor fColor;
    int fSpans = 0;
    bool fOpaque;
    CountingShader (SkPMColor c, bool opaque) : fColor (c), fOpaque (opaque) {}
    uint32_t getFlags () override { return fOpaque ? kOpaqueAlpha_Flag : 0; }
    void shadeSpan (int, int, SkPMColor dst[], int count) override
    {
        fSpans++;
        for (int i = 0; i < count; i++) dst[i] = fColor;
    }
};

struct RecordingXfermode : SkProcCoeffXfermode {
    std::vector<int> fCounts;
    RecordingXfermode () : SkProcCoeffXfermode (kPlus_Mode) {}
    void xfer32 (SkPMColor dst[], const SkPMColor src[], int count, const SkAlpha aa[]) override
    {
        fCounts.push_back (count);
        SkProcCoeffXfermode::xfer32 (dst, src, count, aa);
    }
};

} // namespace

TEST (SkARGB32Blitters, OpaqueColourFillsRowsRectsAndRuns)
{
    const uint32_t F = 0x11111111, C = 0xFF204060;
    Device d (SkBitmap::kARGB_8888_Config, 8, 4, F);
    SkPaint paint;
    paint.setColor (C);
    auto b = choose (d, paint);
    b->blitH (1, 0, 3);
    b->blitRect (0, 2, 8, 2);
    blit_runs (b.get (), 2, 1, { { 2, 255 }, { 1, 128 }, { 1, 0 } });
    EXPECT_EQ (d.row (0), (Px{ F, C, C, C, F, F, F, F }));
    // Coverage 128: colour scaled by 129 >> 8 (0x80102030), destination by 255 - 0x80.
    EXPECT_EQ (d.row (1), (Px{ F, F, C, C, 0x88182838, F, F, F }));
    EXPECT_EQ (d.row (3), Px (8, C));
    uint32_t value = 0;
    ASSERT_NE (nullptr, b->justAnOpaqueColor (&value));
    EXPECT_EQ (C, value);
}

// Black: each coverage a keeps (256 - a) / 256 of the destination and adds a to its alpha.
TEST (SkARGB32Blitters, BlackTextCoverageOnWhite)
{
    Device d (SkBitmap::kARGB_8888_Config, 4, 1, 0xFFFFFFFF), m (SkBitmap::kARGB_8888_Config, 4, 1, 0xFFFFFFFF);
    SkPaint paint;                                  // opaque black
    blit_runs (choose (d, paint).get (), 0, 0, { { 1, 128 }, { 1, 255 }, { 1, 0 }, { 1, 1 } });
    EXPECT_EQ (d.row (0), (Px{ 0xFF7F7F7F, 0xFF000000, 0xFFFFFFFF, 0xFFFEFEFE }));
    uint8_t mask[4] = { 255, 128, 0, 64 };
    choose (m, paint)->blitMask (SkMask { mask, SkIRect::MakeLTRB (0, 0, 4, 1), 4, SkMask::kA8_Format }, SkIRect::MakeLTRB (0, 0, 4, 1));
    EXPECT_EQ (m.row (0), (Px{ 0xFF000000, 0xFF7F7F7F, 0xFFFFFFFF, 0xFFBFBFBF }));
}

// A translucent fill keeps 255 - alpha of the destination (not 256 - alpha): opaque black
// under 0x80FFFFFF ends with alpha 254. Stored images depend on these bits.
TEST (SkARGB32Blitters, TranslucentFillKeeps255MinusAlpha)
{
    const uint32_t K = 0xFF000000, H = 0xFE808080;
    Device d (SkBitmap::kARGB_8888_Config, 3, 3, K);
    SkPaint paint;
    paint.setColor (0x80FFFFFF);                    // premultiplied by 129 >> 8: 0x80808080
    auto b = choose (d, paint);
    b->blitRect (0, 0, 3, 1);
    b->blitV (1, 1, 2, 255);
    b->blitV (0, 1, 1, 128);                        // 0x40404040 over black kept by 255 - 0x40
    EXPECT_EQ (d.row (0), (Px{ H, H, H }));
    EXPECT_EQ (d.row (1), (Px{ 0xFE404040, H, K }));
    EXPECT_EQ (d.row (2), (Px{ K, H, K }));
    uint32_t value;
    EXPECT_EQ (nullptr, b->justAnOpaqueColor (&value));
    // Alpha 0 draws nothing through any operation.
    Device z (SkBitmap::kARGB_8888_Config, 2, 1, 0x12345678);
    paint.setColor (0x00FFFFFF);
    auto zb = choose (z, paint);
    zb->blitH (0, 0, 2);
    zb->blitRect (0, 0, 2, 1);
    blit_runs (zb.get (), 0, 0, { { 2, 255 } });
    EXPECT_EQ (z.row (0), Px (2, 0x12345678));
}

// Coverage runs of every length a shape's edge gives (one to a few pixels) and longer ones
// under a translucent colour: each pixel is the colour scaled by coverage + 1 plus the
// destination kept by 255 - that alpha, and a coverage that scales the colour to nothing
// leaves the pixel alone, whatever the run's length.
TEST (SkARGB32Blitters, TranslucentRunsOfEveryLengthFollowThePixelFormula)
{
    std::mt19937 rng (7);
    for (uint32_t colour : { 0x80FFFFFFu, 0x33102030u, 0xC0FF8000u, 0x01010101u }) {
        SkPaint paint;
        paint.setColor (colour);
        // The solid colour: its channels scaled by alpha + 1 and truncated, alpha kept.
        uint32_t pm = (colour & 0xFF000000) | (SkAlphaMulQ (colour, (colour >> 24) + 1) & 0x00FFFFFF);
        std::vector<std::pair<int, int>> list;
        int width = 0;
        for (int n = 1; n <= 9; n++) {
            for (int a : { 1, 2, 100, 254, 255 }) {
                list.push_back ({ n, a });
                width += n;
            }
        }
        Device d (SkBitmap::kARGB_8888_Config, width, 1, 0);
        std::vector<uint32_t> before (width);
        for (int i = 0; i < width; i++) before[i] = d.pixels32[i] = SkPackARGB32 (255, rng () % 256, rng () % 256, rng () % 256);
        blit_runs (choose (d, paint).get (), 0, 0, list);
        int x = 0;
        for (auto [n, a] : list) {
            uint32_t c = SkAlphaMulQ (pm, (unsigned)a + 1);
            for (int i = 0; i < n; i++, x++) {
                uint32_t expected = c == 0 ? before[x] : c + SkAlphaMulQ (before[x], 255 - SkGetPackedA32 (c));
                ASSERT_EQ (expected, d.pixels32[x]) << std::hex << "colour " << colour << " run " << n << " coverage " << a;
            }
        }
    }
}

TEST (SkARGB32Blitters, BWAndLCDMasks)
{
    const uint32_t G = 0xFF00FF00, K = 0xFF000000;
    Device d (SkBitmap::kARGB_8888_Config, 8, 1, K), l (SkBitmap::kARGB_8888_Config, 2, 1, 0xFF102030);
    SkPaint paint;
    paint.setColor (G);
    uint8_t bits[1] = { 0xA0 };                     // pixels 0 and 2
    choose (d, paint)->blitMask (SkMask { bits, SkIRect::MakeLTRB (0, 0, 8, 1), 1, SkMask::kBW_Format }, SkIRect::MakeLTRB (0, 0, 8, 1));
    EXPECT_EQ (d.row (0), (Px{ G, K, G, K, K, K, K, K }));
    uint16_t lcd[2] = { 0xFFFF, 0x0000 };
    choose (l, paint)->blitMask (SkMask { (uint8_t *)lcd, SkIRect::MakeLTRB (0, 0, 2, 1), 4, SkMask::kLCD16_Format }, SkIRect::MakeLTRB (0, 0, 2, 1));
    EXPECT_EQ (l.row (0), (Px{ G, 0xFF102030 }));
}

// Alpha 128 on bytes of 100: rows keep 255 - sa (177); runs and masks scale the alpha by
// coverage + 1 and keep 256 - that of 256 (178 at 255), or 255 - it below 255 (119 at 64,
// 102 at 10); coverage 0 leaves the byte.
TEST (SkA8Blitters, SolidFormulasPerOperation)
{
    Device d (SkBitmap::kA8_Config, 4, 5, 100);
    SkPaint paint;
    paint.setAlpha (128);
    auto b = choose (d, paint);
    b->blitH (0, 0, 1);
    blit_runs (b.get (), 0, 1, { { 1, 255 }, { 1, 0 } });
    b->blitV (2, 2, 2, 64);
    uint8_t mask[2] = { 255, 10 };
    b->blitMask (SkMask { mask, SkIRect::MakeLTRB (0, 4, 2, 5), 2, SkMask::kA8_Format }, SkIRect::MakeLTRB (0, 4, 2, 5));
    b->blitRect (3, 0, 1, 2);
    EXPECT_EQ (d.row (0), (Px{ 177, 100, 100, 177 }));
    EXPECT_EQ (d.row (1), (Px{ 178, 100, 100, 177 }));
    EXPECT_EQ (d.row (3), (Px{ 100, 100, 119, 100 }));
    EXPECT_EQ (d.row (4), (Px{ 177, 102, 100, 100 }));

    Device o (SkBitmap::kA8_Config, 3, 1, 7);
    auto ob = choose (o, SkPaint ());
    uint32_t value = 0;
    EXPECT_NE (nullptr, ob->justAnOpaqueColor (&value));
    EXPECT_EQ (255u, value);
    ob->blitRect (0, 0, 2, 1);
    EXPECT_EQ (o.row (0), (Px{ 255, 255, 7 }));
}

TEST (SkA8Blitters, OpaqueShaderFillsFullRunsWithoutShading)
{
    Device d (SkBitmap::kA8_Config, 6, 1, 10);
    SkPaint paint;
    CountingShader *shader = adopt (paint, new CountingShader (0xFF000000, true));
    auto b = choose (d, paint);
    blit_runs (b.get (), 0, 0, { { 3, 255 }, { 2, 128 } });
    EXPECT_EQ (1, shader->fSpans);                  // only the partial run was shaded
    // Coverage 128 scales the shaded 255 by 129 >> 8 to 128, the byte by 256 - 128.
    EXPECT_EQ (d.row (0), (Px{ 255, 255, 255, 133, 133, 10 }));
}

TEST (SkARGB32ShaderBlitter, PartialRunWithModeCallsXferPerPixel)
{
    Device d (SkBitmap::kARGB_8888_Config, 8, 1, 0x10101010);
    SkPaint paint;
    adopt (paint, new CountingShader (0x40404040, false));
    RecordingXfermode *mode = adopt (paint, new RecordingXfermode);
    auto b = choose (d, paint);
    blit_runs (b.get (), 0, 0, { { 3, 128 }, { 2, 255 } });
    EXPECT_EQ ((std::vector<int>{ 1, 1, 1, 2 }), mode->fCounts);
    EXPECT_EQ (0x50505050u, d.at (3, 0));           // plus at full coverage
    // Coverage 128 mixes the plus result halfway (scale 129 >> 8).
    EXPECT_EQ (0x30303030u, d.at (0, 0));
}

TEST (SkARGB32ShaderBlitter, TranslucentShaderBlendsOpaqueShaderCopies)
{
    Device d (SkBitmap::kARGB_8888_Config, 4, 1, 0xFF000000);
    SkPaint paint;
    adopt (paint, new CountingShader (0x80404040, false));
    auto b = choose (d, paint);
    b->blitH (0, 0, 2);
    EXPECT_EQ (0xFF404040u, d.at (0, 0));
    EXPECT_EQ (0xFF000000u, d.at (2, 0));
}

// A colour filter on a solid paint is folded into the colour of a solid blitter.
TEST (SkBlitterChoose, ColourFilterIsFoldedIntoTheSolidColour)
{
    SkPaint paint;
    paint.setColor (0xFF336699);
    adopt (paint, new ConstFilter (0x80402000));
    Device f (SkBitmap::kARGB_8888_Config, 1, 1, 0xFF000000);
    auto fb = choose (f, paint);
    uint32_t value;
    EXPECT_EQ (nullptr, fb->justAnOpaqueColor (&value)) << "the filtered colour is translucent";
    fb->blitH (0, 0, 1);
    // Unpremultiplied to 0x80804000, then premultiplied by 129 >> 8 again: 0x80402000, over
    // black kept by 255 - 0x80.
    EXPECT_EQ (0xFE402000u, f.at (0, 0));
    EXPECT_NE (nullptr, paint.getColorFilter ());   // the caller's paint keeps its filter
}

TEST (SkColorShader, FlagsAndInheritedColour)
{
    Device d (SkBitmap::kARGB_8888_Config, 4, 1, 0);
    SkPaint paint;
    SkColorShader own (0xFF102030);
    ASSERT_TRUE (own.setContext (d.bitmap, paint, SkMatrix::I ()));
    EXPECT_EQ (0x0Bu, own.getFlags ());
    paint.setDither (true);
    own.setContext (d.bitmap, paint, SkMatrix::I ());
    EXPECT_EQ (0x09u, own.getFlags ());
    paint.setAlpha (254);
    own.setContext (d.bitmap, paint, SkMatrix::I ());
    EXPECT_EQ (0x08u, own.getFlags ());
    SkPMColor span[2];
    own.shadeSpan (0, 0, span, 2);
    // Colour alpha 255 scaled by the paint alpha: (255 * 255) >> 8 = 254, rounded premultiply.
    EXPECT_EQ (0xFE102030u, span[0]);

    SkColorShader inherit;
    paint.setColor (0x80FF0000);
    inherit.setContext (d.bitmap, paint, SkMatrix::I ());
    inherit.shadeSpan (0, 0, span, 1);
    EXPECT_EQ (0x80800000u, span[0]);
    paint.setColor (0xFF00FF00);
    inherit.setContext (d.bitmap, paint, SkMatrix::I ());
    inherit.shadeSpan (0, 0, span, 1);
    EXPECT_EQ (0xFF00FF00u, span[0]);
    SkColor colours[1] = { 0 };
    SkShader::GradientInfo info = { 1, colours, nullptr, {}, {}, 0 };
    EXPECT_EQ (SkShader::kColor_GradientType, inherit.asAGradient (&info));
    EXPECT_EQ (0xFF00FF00u, colours[0]);
    EXPECT_EQ (SkShader::kRepeat_TileMode, info.fTileMode);
}

TEST (SkShaderBlitters, MasksThroughShadersOnBothDevices)
{
    uint8_t coverage[3] = { 255, 128, 0 };
    SkMask mask = { coverage, SkIRect::MakeLTRB (1, 0, 4, 1), 3, SkMask::kA8_Format };
    SkPaint paint;
    adopt (paint, new CountingShader (0x80400000, false));

    Device a8 (SkBitmap::kA8_Config, 5, 1, 100);
    choose (a8, paint)->blitMask (mask, mask.fBounds);
    EXPECT_EQ (a8.row (0), (Px{ 100, 178, 139, 100, 100 }));   // alpha 0x80 scaled by 256 and 129

    Device argb (SkBitmap::kARGB_8888_Config, 5, 1, 0xFF0000FF);
    choose (argb, paint)->blitMask (mask, mask.fBounds);
    // Coverage 128 scales the span by 129 (0x40200000) and the device by 256 - 0x40.
    EXPECT_EQ (argb.row (0), (Px{ 0xFF0000FF, 0xFF40007F, 0xFF2000BF, 0xFF0000FF, 0xFF0000FF }));

    // A 1-bit mask through the A8 shader blitter becomes full-coverage rows.
    uint8_t bits[1] = { 0x40 };                     // pixel 1 of the mask's row
    SkMask bw = { bits, SkIRect::MakeLTRB (0, 0, 8, 1), 1, SkMask::kBW_Format };
    Device a8b (SkBitmap::kA8_Config, 8, 1, 0);
    choose (a8b, paint)->blitMask (bw, SkIRect::MakeLTRB (0, 0, 5, 1));
    EXPECT_EQ (0x80, a8b.at8 (1, 0));
    EXPECT_EQ (0, a8b.at8 (0, 0));
}

TEST (SkBlitterChoose, ShaderWithColourFilterIsWrapped)
{
    SkPaint paint;
    CountingShader *shader = adopt (paint, new CountingShader (0xFF102030, true));
    adopt (paint, new ConstFilter (0xFF0000FF));
    Device d (SkBitmap::kARGB_8888_Config, 2, 1, 0);
    choose (d, paint)->blitH (0, 0, 2);
    EXPECT_EQ (0xFF0000FFu, d.at (0, 0));
    EXPECT_EQ (1, shader->fSpans);
    // A solid paint with a transfer mode draws through a colour shader of the paint colour.
    SkPaint modePaint;
    modePaint.setColor (0xFF010203);
    modePaint.setXfermodeMode (SkXfermode::kPlus_Mode);
    Device p (SkBitmap::kARGB_8888_Config, 1, 1, 0xFF101010);
    choose (p, modePaint)->blitH (0, 0, 1);
    EXPECT_EQ (0xFF111213u, p.at (0, 0));
}

// A filter may return a colour channel above its alpha. Folding it into the solid colour
// used to overflow the 32-bit reciprocal product; it is now computed in 64 bits and clamped.
TEST (SkBlitterChoose, FoldedFilterColourAboveAlphaIsClamped)
{
    SkPaint paint;
    adopt (paint, new ConstFilter (0x40FF0000));
    Device d (SkBitmap::kARGB_8888_Config, 1, 1, 0xFF000000);
    choose (d, paint)->blitH (0, 0, 1);
    // Unpremultiplied red clamps to 255; the solid blitter scales it by 65 >> 8 to 0x40.
    EXPECT_EQ (0xFE400000u, d.at (0, 0));
}

// Real blitters on real pixels behind both clip wrappers: every pixel outside the clip keeps
// its value, every pixel inside equals the unclipped draw.
TEST (SkClipWrappers, RealBlittersNeverWriteOutsideTheClip)
{
    std::mt19937 rng (4242);
    std::vector<uint8_t> maskBytes (32 * 32);
    for (auto &m : maskBytes) m = (uint8_t)rng ();
    const SkMask mask = { maskBytes.data (), SkIRect::MakeLTRB (0, 0, 32, 32), 32, SkMask::kA8_Format };
    for (int iter = 0; iter < 60; iter++) {
        SkRegion clip (SkIRect::MakeLTRB (rng () % 12, rng () % 12, 14 + rng () % 18, 14 + rng () % 18));
        if (iter % 2) clip.op (SkIRect::MakeLTRB (rng () % 16, rng () % 16, 8 + rng () % 24, 8 + rng () % 24), SkRegion::kDifference_Op);
        SkPaint paint;
        paint.setColor (iter % 3 == 0 ? 0xFF000000 : (iter % 3 == 1 ? 0x80FF8040 : 0xFF20A0E0));
        for (SkBitmap::Config config : { SkBitmap::kARGB_8888_Config, SkBitmap::kA8_Config }) {
            Device plain (config, 32, 32, 0x55), clipped (config, 32, 32, 0x55);
            auto pb = choose (plain, paint), cb = choose (clipped, paint);
            SkBlitterClipper clipper;
            SkBlitter *blitters[2] = { pb.get (), clipper.apply (cb.get (), &clip) };
            for (int op = 0; op < 8; op++) {
                int x = rng () % 24, y = rng () % 24, w = 1 + rng () % (32 - x), h = 1 + rng () % (32 - y);
                SkAlpha a = (SkAlpha)rng ();
                for (SkBlitter *b : blitters) {
                    if (op % 5 == 0) b->blitH (x, y, w);
                    if (op % 5 == 1) b->blitRect (x, y, w, h);
                    if (op % 5 == 2) b->blitV (x, y, h, a);
                    if (op % 5 == 3) blit_runs (b, x, y, { { w, a } });
                    if (op % 5 == 4) b->blitMask (mask, SkIRect::MakeXYWH (x, y, w, h));
                }
            }
            for (int y = 0; y < 32; y++) {
                std::vector<uint32_t> want = plain.row (y);
                for (int x = 0; x < 32; x++) if (!clip.contains (x, y)) want[x] = 0x55;
                ASSERT_EQ (clipped.row (y), want) << "iteration " << iter << " config " << config << " row " << y;
            }
        }
    }
}

TEST (SkARGB32Blitters, LCDMasksBlendTowardsTheUnpremultipliedColour)
{
    // LCD16 with a translucent colour: each 5-bit coverage 31 widens to 32 and is scaled by
    // 129 >> 8 to 16; red moves 16/32 of the way from 0 to 255.
    uint16_t lcd16[1] = { 0xFFFF };
    Device a (SkBitmap::kARGB_8888_Config, 1, 1, 0xFF000000);
    SkPaint half;
    half.setColor (0x80FF0000);
    choose (a, half)->blitMask (SkMask { (uint8_t *)lcd16, SkIRect::MakeLTRB (0, 0, 1, 1), 2, SkMask::kLCD16_Format },
                                SkIRect::MakeLTRB (0, 0, 1, 1));
    EXPECT_EQ (0xFF7F0000u, a.at (0, 0));
    // LCD32: coverage (m + 1) per channel; blue moves from 255 towards 0 by 129/256, rounding
    // down through the arithmetic shift: 255 - 129 = 126. A zero mask leaves the pixel.
    uint32_t lcd32[2] = { 0x00FF0080, 0 };
    Device b (SkBitmap::kARGB_8888_Config, 2, 1, 0xFF0000FF);
    SkPaint red;
    red.setColor (0xFFFF0000);
    choose (b, red)->blitMask (SkMask { (uint8_t *)lcd32, SkIRect::MakeLTRB (0, 0, 2, 1), 8, SkMask::kLCD32_Format },
                               SkIRect::MakeLTRB (0, 0, 2, 1));
    EXPECT_EQ (0xFFFF007Eu, b.at (0, 0));
    EXPECT_EQ (0xFF0000FFu, b.at (1, 0));
}

namespace {

enum Kind { kNull, kBlack, kOpaque, kSolid, kShader32, kSolidA8, kShaderA8, kOther };

Kind kind_of (SkBlitter *b)
{
    if (b == nullptr) return kOther;
    if (dynamic_cast<SkNullBlitter *> (b)) return kNull;
    if (dynamic_cast<SkARGB32BlackBlitter *> (b)) return kBlack;
    if (dynamic_cast<SkARGB32OpaqueBlitter *> (b)) return kOpaque;
    if (dynamic_cast<SkARGB32SolidBlitter *> (b)) return kSolid;
    if (dynamic_cast<SkARGB32ShaderBlitter *> (b)) return kShader32;
    if (dynamic_cast<SkA8SolidBlitter *> (b)) return kSolidA8;
    if (dynamic_cast<SkA8ShaderBlitter *> (b)) return kShaderA8;
    return kOther;
}

Kind chosen (SkBitmap::Config config, const SkPaint &paint, const SkMatrix &matrix = SkMatrix::I ())
{
    Device d (config, 4, 1, 0);
    std::unique_ptr<SkBlitter> b (SkBlitter::Choose (d.bitmap, matrix, paint, nullptr, 0));
    return kind_of (b.get ());
}

SkPaint mode_paint (SkColor color, SkXfermode::Mode mode)
{
    SkPaint p;
    p.setColor (color);
    p.setXfermodeMode (mode);
    return p;
}

} // namespace

// Which blitter each device and paint get: black, other opaque and translucent colours on
// 32-bit devices, solid and shader blitters on A8 devices, nothing on every other format.
TEST (SkBlitterChoose, BlitterPerDeviceAndPaint)
{
    SkPaint paint;
    EXPECT_EQ (kBlack, chosen (SkBitmap::kARGB_8888_Config, paint));
    paint.setColor (0xFF000001);
    EXPECT_EQ (kOpaque, chosen (SkBitmap::kARGB_8888_Config, paint));
    paint.setColor (0xFE000000);
    EXPECT_EQ (kSolid, chosen (SkBitmap::kARGB_8888_Config, paint));
    paint.setColor (0x00FFFFFF);
    EXPECT_EQ (kSolid, chosen (SkBitmap::kARGB_8888_Config, paint));
    EXPECT_EQ (kSolidA8, chosen (SkBitmap::kA8_Config, paint));
    for (SkBitmap::Config c : { SkBitmap::kNo_Config, SkBitmap::kA1_Config, SkBitmap::kIndex8_Config,
                                SkBitmap::kRGB_565_Config, SkBitmap::kARGB_4444_Config })
        EXPECT_EQ (kNull, chosen (c, paint)) << c;

    adopt (paint, new SkColorShader (0xFF808080));
    EXPECT_EQ (kShader32, chosen (SkBitmap::kARGB_8888_Config, paint));
    EXPECT_EQ (kShaderA8, chosen (SkBitmap::kA8_Config, paint));
    // A shader whose context cannot be set draws nothing.
    SkMatrix singular;
    singular.setScale (0, 0);
    EXPECT_EQ (kNull, chosen (SkBitmap::kARGB_8888_Config, paint, singular));
    EXPECT_EQ (kNull, chosen (SkBitmap::kA8_Config, paint, singular));
}

// The transfer-mode rules: source-over-like modes are dropped (a solid blitter is chosen),
// dst-like ones draw nothing, every other mode is kept (a shader blitter over a colour shader).
TEST (SkBlitterChoose, TransferModeRules)
{
    const SkBitmap::Config k32 = SkBitmap::kARGB_8888_Config;
    // src: dropped only for an opaque paint.
    EXPECT_EQ (kOpaque, chosen (k32, mode_paint (0xFF336699, SkXfermode::kSrc_Mode)));
    EXPECT_EQ (kShader32, chosen (k32, mode_paint (0x80336699, SkXfermode::kSrc_Mode)));
    // dst: nothing on any device.
    EXPECT_EQ (kNull, chosen (k32, mode_paint (0xFF336699, SkXfermode::kDst_Mode)));
    EXPECT_EQ (kNull, chosen (SkBitmap::kA8_Config, mode_paint (0x80336699, SkXfermode::kDst_Mode)));
    // dst-over and src-in are only special on RGB565 devices: kept here.
    EXPECT_EQ (kShader32, chosen (k32, mode_paint (0xFF336699, SkXfermode::kDstOver_Mode)));
    EXPECT_EQ (kShader32, chosen (k32, mode_paint (0xFF336699, SkXfermode::kSrcIn_Mode)));
    // dst-in: an opaque paint leaves the device as it is.
    EXPECT_EQ (kNull, chosen (k32, mode_paint (0xFF336699, SkXfermode::kDstIn_Mode)));
    EXPECT_EQ (kShader32, chosen (k32, mode_paint (0x80336699, SkXfermode::kDstIn_Mode)));
    // Any other mode is kept, also on A8 devices.
    EXPECT_EQ (kShader32, chosen (k32, mode_paint (0xFF336699, SkXfermode::kXor_Mode)));
    EXPECT_EQ (kShaderA8, chosen (SkBitmap::kA8_Config, mode_paint (0xFF336699, SkXfermode::kXor_Mode)));
    // A mode that cannot name its number is kept.
    SkPaint plain;
    adopt (plain, new SkProcXfermode (nullptr));
    EXPECT_EQ (kShader32, chosen (k32, plain));

    // Opaque means alpha 255, no colour filter and no shader or an opaque one.
    SkPaint filtered = mode_paint (0xFF336699, SkXfermode::kDstIn_Mode);
    adopt (filtered, new ConstFilter (0xFF000000));
    EXPECT_EQ (kShader32, chosen (k32, filtered));
    SkPaint shaded = mode_paint (0xFF336699, SkXfermode::kDstIn_Mode);
    adopt (shaded, new CountingShader (0x80000000, false));
    EXPECT_EQ (kShader32, chosen (k32, shaded));
    adopt (shaded, new CountingShader (0xFF000000, true));
    EXPECT_EQ (kNull, chosen (k32, shaded));
}

// 1-bit masks through the solid blitters: a translucent colour keeps 256 − alpha of the
// destination (where the row fills keep 255 − alpha), an opaque one stores its colour.
TEST (SkSolidBlitters, OneBitMasksScaleBy256MinusAlpha)
{
    uint8_t bits[1] = { 0x60 };                     // pixels 1 and 2
    SkMask bw = { bits, SkIRect::MakeLTRB (0, 0, 8, 1), 1, SkMask::kBW_Format };
    SkPaint paint;
    paint.setColor (0x80FFFFFF);                    // premultiplied by 129 >> 8: 0x80808080
    Device d (SkBitmap::kARGB_8888_Config, 4, 1, 0xFF000000);
    choose (d, paint)->blitMask (bw, SkIRect::MakeLTRB (0, 0, 3, 1));
    EXPECT_EQ (d.row (0), (Px{ 0xFF000000, 0xFF808080, 0xFF808080, 0xFF000000 }));   // alpha 0xFF, not 0xFE

    Device a8 (SkBitmap::kA8_Config, 4, 1, 100);
    choose (a8, paint)->blitMask (bw, SkIRect::MakeLTRB (0, 0, 4, 1));
    EXPECT_EQ (100, a8.at8 (0, 0));
    EXPECT_EQ (128 + ((100 * 128) >> 8), a8.at8 (1, 0));                    // 256 − sa
    EXPECT_EQ (100, a8.at8 (3, 0));
    // A8 columns: s = ((alpha + 1) · sa) >> 8 and 255 − s; full coverage of an opaque colour
    // sets 255.
    Device col (SkBitmap::kA8_Config, 2, 2, 100);
    choose (col, SkPaint ())->blitV (0, 0, 2, 255);
    EXPECT_EQ (255, col.at8 (0, 1));
    choose (col, paint)->blitV (1, 0, 1, 255);
    EXPECT_EQ (128 + ((100 * 127) >> 8), col.at8 (1, 0));
    EXPECT_EQ (100, col.at8 (1, 1));
}
