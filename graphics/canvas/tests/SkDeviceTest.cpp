// The device: reading and writing pixels in bulk, layer devices, text flags it cannot render.
#include "graphics/canvas/tests/SkCanvasTestSupport.h"
#include "graphics/effects/SkShader.h"

using namespace canvas_test;

TEST (SkDeviceTest, ReadPixelsCopiesThePartOnTheDeviceAs32Bit)
{
    SkBitmap bitmap;
    make_bitmap (&bitmap, 100, 100, 0xFF102030);
    *bitmap.getAddr32 (4, 4) = 0xFF0000FF;
    SkDevice *device = new SkDevice (bitmap);
    SkBitmap out;
    ASSERT_TRUE (device->readPixels (SkIRect::MakeLTRB (-10, -10, 5, 5), &out));
    EXPECT_EQ (out.width (), 5);
    EXPECT_EQ (out.height (), 5);
    EXPECT_EQ (out.config (), SkBitmap::kARGB_8888_Config);
    SkAutoLockPixels lock (out);
    EXPECT_EQ (*out.getAddr32 (4, 4), 0xFF0000FFu);
    EXPECT_EQ (*out.getAddr32 (0, 0), 0xFF102030u);
    device->unref ();
}

TEST (SkDeviceTest, ReadPixelsRefusesEmptyAndDisjointRectanglesLeavingTheDestination)
{
    SkBitmap bitmap;
    make_bitmap (&bitmap, 100, 100);
    SkDevice *device = new SkDevice (bitmap);
    SkBitmap out;
    out.setConfig (SkBitmap::kA8_Config, 3, 3);
    EXPECT_FALSE (device->readPixels (SkIRect::MakeLTRB (-10, -10, 5, 0), &out));     // bottom 0
    EXPECT_FALSE (device->readPixels (SkIRect::MakeLTRB (100, 0, 110, 10), &out));
    EXPECT_FALSE (device->readPixels (SkIRect::MakeLTRB (5, 5, 5, 10), &out));
    EXPECT_EQ (out.config (), SkBitmap::kA8_Config);
    EXPECT_EQ (out.width (), 3);
    device->unref ();
}

TEST (SkDeviceTest, WritePixelsReplacesThePixelsUnderTheBitmapWithinTheDevice)
{
    SkBitmap bitmap;
    make_bitmap (&bitmap, 10, 10, 0xFFFFFFFF);
    SkDevice *device = new SkDevice (bitmap);
    SkBitmap src;
    make_bitmap (&src, 3, 3, 0x40102030);     // translucent: replaces, does not blend
    device->writePixels (src, 8, 8);
    EXPECT_EQ (pixel (bitmap, 8, 8), 0x40102030u);
    EXPECT_EQ (pixel (bitmap, 9, 9), 0x40102030u);
    EXPECT_EQ (count_color (bitmap, 0x40102030u), 4);
    device->writePixels (src, 20, -5);
    device->writePixels (src, -3, 0);
    EXPECT_EQ (count_color (bitmap, 0xFFFFFFFFu), 96);
    device->unref ();
}

TEST (SkDeviceTest, LayerDevicesAreZeroedAndSizedAndMarkTheirOpacity)
{
    SkBitmap bitmap;
    make_bitmap (&bitmap, 4, 4);
    SkDevice *root = new SkDevice (bitmap);
    for (bool opaque : { false, true }) {
        SkDevice *layer = root->createCompatibleDevice (SkBitmap::kARGB_8888_Config, 7, 5, opaque);
        ASSERT_NE (layer, nullptr);
        const SkBitmap &b = layer->accessBitmap (false);
        EXPECT_EQ (layer->width (), 7);
        EXPECT_EQ (layer->height (), 5);
        EXPECT_EQ (b.isOpaque (), opaque);
        EXPECT_EQ (*b.getAddr32 (6, 4), 0u);
        layer->unref ();
    }
    root->unref ();
}

TEST (SkDeviceTest, AccessBitmapForChangeMarksThePixelsChanged)
{
    SkBitmap bitmap;
    make_bitmap (&bitmap, 4, 4);
    SkDevice *device = new SkDevice (bitmap);
    uint32_t before = device->accessBitmap (false).getGenerationID ();
    EXPECT_EQ (device->accessBitmap (false).getGenerationID (), before);
    EXPECT_NE (device->accessBitmap (true).getGenerationID (), before);
    device->unref ();
}

TEST (SkDeviceTest, LcdTextStaysForPlainFillsOn32BitDevicesOnly)
{
    SkBitmap bitmap;
    make_bitmap (&bitmap, 4, 4);
    SkDevice *device = new SkDevice (bitmap);
    SkPaint paint;
    paint.setFlags (SkPaint::kLCDRenderText_Flag | SkPaint::kAntiAlias_Flag | SkPaint::kDither_Flag);
    paint.setHinting (SkPaint::kFull_Hinting);
    uint32_t flags = 0;
    SkPaint::Hinting hinting = SkPaint::kNo_Hinting;
    EXPECT_FALSE (device->filterTextFlags (paint, &flags, &hinting));
    SkShader *shader = new SkColorShader (0xFF00FF00);
    paint.setShader (shader);
    shader->unref ();
    ASSERT_TRUE (device->filterTextFlags (paint, &flags, &hinting));
    EXPECT_EQ (flags, (uint32_t)(SkPaint::kAntiAlias_Flag | SkPaint::kDither_Flag));
    EXPECT_EQ (hinting, SkPaint::kFull_Hinting);
    paint.setFlags (SkPaint::kLCDRenderText_Flag);      // LCD without anti-alias: left alone
    EXPECT_FALSE (device->filterTextFlags (paint, &flags, &hinting));
    device->unref ();
}
