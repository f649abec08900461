// Allocation failures: this executable supplies the library's four memory routines itself, so
// that a test can make allocations fail, and checks that every failure draws nothing (or
// gives null or an empty region) instead of writing through a null buffer.
#include <gtest/gtest.h>

#include "graphics/raster/SkCoreBlitters.h"
#include "graphics/raster/SkSpriteBlitter.h"
#include "graphics/raster/tests/BlitterTestSupport.h"
#include "graphics/region/SkRegion.h"

#include "graphics/raster/tests/SkAllocFailureSupport.h"

namespace {

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
    blit_runs (b, 0, 0, { { width / 2, 255 }, { width - width / 2, 100 } });
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
    adopt (paint, new SkColorShader (0x80FF0000));
    for (SkBitmap::Config config : { SkBitmap::kARGB_8888_Config, SkBitmap::kA8_Config }) {
        Device d (config, kWidth, 1, 0x11);
        std::unique_ptr<SkBlitter> b;
        {
            FailureScope scope (4 * kWidth, 0, -1);
            b.reset (SkBlitter::Choose (d.bitmap, SkMatrix::I (), paint, nullptr, 0));
        }
        ASSERT_NE (nullptr, b.get ());
        ASSERT_TRUE (config == SkBitmap::kA8_Config ? dynamic_cast<SkA8ShaderBlitter *> (b.get ()) != nullptr
                                                    : dynamic_cast<SkARGB32ShaderBlitter *> (b.get ()) != nullptr);
        draw_everything (b.get (), kWidth);
        EXPECT_EQ (d.row (0), Px (kWidth, 0x11)) << "config " << config;
    }
}

// A sprite blitter with a colour filter needs a row buffer for the filtered colours; without
// it nothing is drawn.
TEST (SkAllocFailure, FilteredSpriteWithoutBufferDrawsNothing)
{
    const int kWidth = 2000;
    Device device (SkBitmap::kARGB_8888_Config, kWidth, 1, 0x22222222);
    Device source (SkBitmap::kARGB_8888_Config, kWidth, 1, 0xFF123456);
    SkPaint paint;
    adopt (paint, new Invert);
    std::unique_ptr<SkBlitter> b;
    {
        FailureScope scope (4 * kWidth, 0, -1);
        b.reset (SkBlitter::ChooseSprite (device.bitmap, paint, source.bitmap, 0, 0, nullptr));
    }
    ASSERT_NE (nullptr, b.get ());
    b->blitRect (0, 0, kWidth, 1);
    EXPECT_EQ (device.row (0), Px (kWidth, 0x22222222));
}

// The choice: a colour shader for a transfer mode that cannot be made gives a blitter that
// draws nothing; when not even that blitter can be made, null.
TEST (SkAllocFailure, ChoiceDrawsNothingOrGivesNull)
{
    SkPaint paint;
    paint.setColor (0xFF336699);
    paint.setXfermodeMode (SkXfermode::kXor_Mode);
    Device d (SkBitmap::kARGB_8888_Config, 4, 1, 0x33);
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
    EXPECT_EQ (d.row (0), Px (4, 0x33));
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
