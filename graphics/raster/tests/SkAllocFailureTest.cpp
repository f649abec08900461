// Allocation failures: this executable supplies the library's four memory routines itself, so
// that a test can make allocations fail, and checks that every failure draws nothing (or
// gives null or an empty region) instead of writing through a null buffer.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/effects/SkColorFilter.h"
#include "graphics/effects/SkShader.h"
#include "graphics/paint/SkPaint.h"
#include "graphics/raster/SkBlitter.h"
#include "graphics/raster/SkCoreBlitters.h"
#include "graphics/raster/SkSpriteBlitter.h"
#include "graphics/region/SkRegion.h"

#include "graphics/raster/tests/SkAllocFailureSupport.h"

namespace {

struct Device {
    std::vector<uint32_t> pixels32;
    std::vector<uint8_t> pixels8;
    SkBitmap bitmap;
    Device (SkBitmap::Config config, int w, uint32_t fill)
    {
        bitmap.setConfig (config, w, 1);
        if (config == SkBitmap::kA8_Config) {
            pixels8.assign ((size_t)w, (uint8_t)fill);
            bitmap.setPixels (pixels8.data ());
        } else {
            pixels32.assign ((size_t)w, fill);
            bitmap.setPixels (pixels32.data ());
        }
    }
    bool untouched (uint32_t fill) const
    {
        for (uint32_t p : pixels32) if (p != fill) return false;
        for (uint8_t p : pixels8) if (p != (uint8_t)fill) return false;
        return true;
    }
};

struct Invert : SkColorFilter {
    void filterSpan (const SkPMColor src[], int count, SkPMColor dst[]) override
    {
        for (int i = 0; i < count; i++) dst[i] = src[i] ^ 0x00FFFFFF;
    }
};

// Every operation of a blitter over the whole one-row device.
void draw_everything (SkBlitter *b, int width)
{
    b->blitH (0, 0, width);
    std::vector<int16_t> runs ((size_t)width + 1, 0);
    std::vector<uint8_t> aa ((size_t)width + 1, 0);
    runs[0] = (int16_t)(width / 2);
    aa[0] = 255;
    runs[width / 2] = (int16_t)(width - width / 2);
    aa[width / 2] = 100;
    b->blitAntiH (0, 0, aa.data (), runs.data ());
    b->blitV (1, 0, 1, 200);
    b->blitRect (0, 0, width, 1);
    std::vector<uint8_t> coverage ((size_t)width, 180);
    SkMask mask = { coverage.data (), SkIRect::MakeLTRB (0, 0, width, 1), (uint32_t)width, SkMask::kA8_Format };
    b->blitMask (mask, mask.fBounds);
}

} // namespace

// A shader blitter whose span buffer (one device row) cannot be allocated draws nothing.
TEST (SkAllocFailure, ShaderBlittersWithoutSpanBufferDrawNothing)
{
    const int kWidth = 2000;                        // span buffers of 8000 or more bytes
    SkPaint paint;
    SkColorShader *shader = new SkColorShader (0x80FF0000);
    paint.setShader (shader);
    shader->unref ();
    for (SkBitmap::Config config : { SkBitmap::kARGB_8888_Config, SkBitmap::kA8_Config }) {
        Device d (config, kWidth, 0x11);
        std::unique_ptr<SkBlitter> b;
        {
            FailureScope scope (4 * kWidth, 0, -1);
            b.reset (SkBlitter::Choose (d.bitmap, SkMatrix::I (), paint, nullptr, 0));
        }
        ASSERT_NE (nullptr, b.get ());
        ASSERT_TRUE (config == SkBitmap::kA8_Config ? dynamic_cast<SkA8ShaderBlitter *> (b.get ()) != nullptr
                                                    : dynamic_cast<SkARGB32ShaderBlitter *> (b.get ()) != nullptr);
        draw_everything (b.get (), kWidth);
        EXPECT_TRUE (d.untouched (0x11)) << "config " << config;
    }
}

// A sprite blitter with a colour filter needs a row buffer for the filtered colours; without
// it nothing is drawn.
TEST (SkAllocFailure, FilteredSpriteWithoutBufferDrawsNothing)
{
    const int kWidth = 2000;
    Device device (SkBitmap::kARGB_8888_Config, kWidth, 0x22222222);
    Device source (SkBitmap::kARGB_8888_Config, kWidth, 0xFF123456);
    SkPaint paint;
    Invert *filter = new Invert;
    paint.setColorFilter (filter);
    filter->unref ();
    std::unique_ptr<SkBlitter> b;
    {
        FailureScope scope (4 * kWidth, 0, -1);
        b.reset (SkBlitter::ChooseSprite (device.bitmap, paint, source.bitmap, 0, 0, nullptr));
    }
    ASSERT_NE (nullptr, b.get ());
    b->blitRect (0, 0, kWidth, 1);
    EXPECT_TRUE (device.untouched (0x22222222));
}

// The choice: a colour shader for a transfer mode that cannot be made gives a blitter that
// draws nothing; when not even that blitter can be made, null.
TEST (SkAllocFailure, ChoiceDrawsNothingOrGivesNull)
{
    SkPaint paint;
    paint.setColor (0xFF336699);
    paint.setXfermodeMode (SkXfermode::kXor_Mode);
    Device d (SkBitmap::kARGB_8888_Config, 4, 0x33);
    {
        FailureScope scope (0, 0, 0);
        EXPECT_EQ (nullptr, SkBlitter::Choose (d.bitmap, SkMatrix::I (), paint, nullptr, 0));
    }
    std::unique_ptr<SkBlitter> b;
    {
        FailureScope scope (0, 1, -1);              // only the colour shader fails
        b.reset (SkBlitter::Choose (d.bitmap, SkMatrix::I (), paint, nullptr, 0));
    }
    ASSERT_NE (nullptr, b.get ());
    EXPECT_NE (nullptr, dynamic_cast<SkNullBlitter *> (b.get ()));
    draw_everything (b.get (), 4);
    EXPECT_TRUE (d.untouched (0x33));
}

// Region operations whose run storage cannot be allocated give the empty region.
TEST (SkAllocFailure, RegionOperationsGiveEmpty)
{
    SkRegion a (SkIRect::MakeLTRB (0, 0, 10, 10)), b (SkIRect::MakeLTRB (5, 5, 15, 15));
    SkRegion result;
    {
        FailureScope scope (0, 0, 0);
        EXPECT_FALSE (result.op (a, b, SkRegion::kUnion_Op));
    }
    EXPECT_TRUE (result.isEmpty ());
    SkRegion complex;
    ASSERT_TRUE (complex.op (a, b, SkRegion::kXOR_Op));
    SkRegion moved;
    {
        FailureScope scope (0, 0, 0);
        complex.translate (3, 4, &moved);
    }
    EXPECT_TRUE (moved.isEmpty ());
    EXPECT_TRUE (complex.isComplex ());
}
