// The same drawing through the plain and the SSE2 per-pixel procedures gives the same pixels:
// every scan converter into 32-bit bitmaps through the real blitters, in both forms.
#include <memory>
#include <vector>

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/core/SkUtils.h"
#include "graphics/paint/SkPaint.h"
#include "graphics/raster/tests/ScanTestSupport.h"

namespace {

const int kW = 301, kH = 157;

std::vector<uint32_t> draw_scene (SkProcForm form)
{
    SkSetProcForm (form);
    std::vector<uint32_t> pixels ((size_t)kW * kH, 0xFF336699);
    SkBitmap bitmap;
    bitmap.setConfig (SkBitmap::kARGB_8888_Config, kW, kH);
    bitmap.setPixels (pixels.data ());
    SkRegion clip (SkIRect::MakeWH (kW, kH));
    const SkColor colors[] = { 0xFF000000, 0xFF20C040, 0x80FF0000, 0x3310A0F0 };
    for (SkColor color : colors) {
        SkPaint paint;
        paint.setColor (color);
        std::unique_ptr<SkBlitter> blitter (SkBlitter::Choose (bitmap, SkMatrix::I (), paint, nullptr, 0));
        SkPath circle;
        circle.addCircle (60.3f + (color & 0xFF) * 0.3f, 70.6f, 50);
        SkScan::AntiFillPath (circle, clip, blitter.get ());
        SkScan::FillPath (circle, clip, blitter.get ());
        SkScan::AntiFillRect (SkRect::MakeLTRB (150.5f, 10.25f, 290.75f, 140.5f), &clip, blitter.get ());
        SkScan::AntiHairLine (SkPoint::Make (3, 150), SkPoint::Make (298, 7.5f), &clip, blitter.get ());
        SkScan::FillIRect (SkIRect::MakeLTRB (5, 5, 296, 20), &clip, blitter.get ());
    }
    SkSetProcForm (kVector_SkProcForm);
    return pixels;
}

TEST (ProcForm, BothFormsDrawTheSamePixels)
{
    std::vector<uint32_t> plain = draw_scene (kPortable_SkProcForm);
    std::vector<uint32_t> vector = draw_scene (kVector_SkProcForm);
    for (size_t i = 0; i < plain.size (); i++)
        ASSERT_EQ (plain[i], vector[i]) << "pixel " << i % kW << "," << i / kW;
}

TEST (ProcForm, WholeFrameFillEqualsRowByRowFill)
{
    // A rectangle of whole rows is filled in one go; a narrower one row by row.
    std::vector<uint32_t> frame ((size_t)kW * kH, 0), rows ((size_t)(kW + 1) * kH, 0);
    SkBitmap a, b;
    a.setConfig (SkBitmap::kARGB_8888_Config, kW, kH);
    a.setPixels (frame.data ());
    b.setConfig (SkBitmap::kARGB_8888_Config, kW, kH, (kW + 1) * 4);
    b.setPixels (rows.data ());
    SkPaint paint;
    paint.setColor (0xFF123456);
    std::unique_ptr<SkBlitter> fa (SkBlitter::Choose (a, SkMatrix::I (), paint, nullptr, 0));
    std::unique_ptr<SkBlitter> fb (SkBlitter::Choose (b, SkMatrix::I (), paint, nullptr, 0));
    fa->blitRect (0, 3, kW, kH - 5);
    fb->blitRect (0, 3, kW, kH - 5);
    for (int y = 0; y < kH; y++)
        for (int x = 0; x < kW; x++) {
            uint32_t want = (y >= 3 && y < kH - 2) ? 0xFF123456 : 0;
            ASSERT_EQ (frame[(size_t)y * kW + x], want) << x << "," << y;
            ASSERT_EQ (rows[(size_t)y * (kW + 1) + x], want) << x << "," << y;
        }
    for (int y = 0; y < kH; y++) ASSERT_EQ (rows[(size_t)y * (kW + 1) + kW], 0u);
}

} // namespace
