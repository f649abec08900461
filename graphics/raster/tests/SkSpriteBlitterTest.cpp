// Sprite blitters: the choice by source, paint alpha and effects, and pixel-exact copies,
// blends and filtered transfers at an offset.
#include <gtest/gtest.h>

#include "graphics/raster/SkSpriteBlitter.h"
#include "graphics/raster/tests/BlitterTestSupport.h"

namespace {

const SkBitmap::Config k8888 = SkBitmap::kARGB_8888_Config;

struct SwapRB : SkColorFilter {
    void filterSpan (const SkPMColor src[], int count, SkPMColor dst[]) override
    {
        for (int i = 0; i < count; i++)
            dst[i] = (src[i] & 0xFF00FF00) | ((src[i] >> 16) & 0xFF) | ((src[i] & 0xFF) << 16);
    }
};

std::unique_ptr<SkBlitter> sprite (const Device &device, const SkPaint &paint, const Device &source, int left, int top)
{
    return std::unique_ptr<SkBlitter> (SkBlitter::ChooseSprite (device.bitmap, paint, source.bitmap, left, top, nullptr));
}

} // namespace

TEST (SkSpriteBlitter, OpaqueCopyAtAnOffset)
{
    Device device (k8888, 6, 4, 0xFF000000, true), source (k8888, 3, 2, 0xFF00FF00, true);
    source.pixels32[1] = 0xFF0000FF;
    SkPaint paint;
    auto b = sprite (device, paint, source, 2, 1);
    ASSERT_NE (nullptr, b);
    b->blitRect (2, 1, 3, 2);
    b->blitH (0, 0, 6);                             // sprites ignore row fills
    const uint32_t K = 0xFF000000, G = 0xFF00FF00;
    EXPECT_EQ (device.row (0), Px (6, K));
    EXPECT_EQ (device.row (1), (Px{ K, K, G, 0xFF0000FF, G, K }));
    EXPECT_EQ (device.row (2), (Px{ K, K, G, G, G, K }));
}

TEST (SkSpriteBlitter, GlobalAlphaAndSourceAlphaBlend)
{
    Device device (k8888, 2, 1, 0xFFFFFFFF, true), source (k8888, 2, 1, 0x80000000, false);
    SkPaint paint;
    paint.setAlpha (127);
    auto b = sprite (device, paint, source, 0, 0);
    ASSERT_NE (nullptr, b);
    b->blitRect (0, 0, 2, 1);
    // Source scaled by 128: 0x40000000; destination by 256 - 0x40 to 0xBF.
    EXPECT_EQ (device.row (0), (Px{ 0xFFBFBFBF, 0xFFBFBFBF }));
}

TEST (SkSpriteBlitter, FilterWithTranslucentPaintHasNoSpriteBlitter)
{
    Device device (k8888, 2, 1, 0, true), source (k8888, 2, 1, 0xFF112233, true);
    SkPaint paint;
    adopt (paint, new SwapRB);
    paint.setAlpha (128);
    EXPECT_EQ (nullptr, sprite (device, paint, source, 0, 0));
    paint.setAlpha (255);
    auto b = sprite (device, paint, source, 0, 0);
    ASSERT_NE (nullptr, b);
    b->blitRect (0, 0, 2, 1);
    EXPECT_EQ (0xFF332211u, device.at (1, 0));
    // Through a transfer mode as well.
    paint.setXfermodeMode (SkXfermode::kPlus_Mode);
    Device d2 (k8888, 2, 1, 0xFF010101, true);
    auto p = sprite (d2, paint, source, 0, 0);
    ASSERT_NE (nullptr, p);
    p->blitRect (0, 0, 2, 1);
    EXPECT_EQ (0xFF342312u, d2.at (0, 0));
}

TEST (SkSpriteBlitter, OnlyForArgbSourcesAndDevices)
{
    Device device (k8888, 2, 1, 0, true), source (k8888, 2, 1, 0, true);
    std::vector<uint8_t> a8 (2);
    SkBitmap alphaSource;
    alphaSource.setConfig (SkBitmap::kA8_Config, 2, 1);
    alphaSource.setPixels (a8.data ());
    SkPaint paint;
    EXPECT_EQ (nullptr, SkBlitter::ChooseSprite (device.bitmap, paint, alphaSource, 0, 0, nullptr));
    EXPECT_EQ (nullptr, SkBlitter::ChooseSprite (alphaSource, paint, source.bitmap, 0, 0, nullptr));
}
