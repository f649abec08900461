// Bitmap sampling against pixman drawing the same bitmap through the same inverse matrix:
// nearest sampling at whole upscales pixel for pixel, bilinear sampling within rounding, in
// every tile mode.
//
// Tolerance of the bilinear comparison: our weights are sixteenths of a pixel, truncated,
// where pixman's are 128ths, so the sample point may sit up to 1/16 + 1/128 of a pixel apart
// in each direction (repeat and mirror work in the unit square, where a position on a pixel
// centre can truncate to just before it). Between neighbours that differ by a full 255 that
// moves a channel by at most 2 × 255 × 9/128 = 36. Smooth pictures, whose neighbours differ
// by at most 17 levels, stay within 3.
#include <gtest/gtest.h>

#include <pixman.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "graphics/effects/SkBitmapProcShader.h"
#include "graphics/effects/tests/ShaderTestSupport.h"

namespace {

const int kDstW = 64, kDstH = 48;

struct Case {
    std::string name;
    SkMatrix matrix;    // bitmap to device
};

std::vector<Case> cases ()
{
    std::vector<Case> out;
    SkMatrix m;
    m.setScale (2, 2);
    out.push_back ({ "2x", m });
    m.setScale (3, 3);
    m.postTranslate (-5, -4);
    out.push_back ({ "3x", m });
    m.setScale (0.5f, 0.5f);
    out.push_back ({ "half", m });
    m.setScale (1.7f, 0.8f);
    m.postTranslate (3.3f, -2.6f);
    out.push_back ({ "uneven", m });
    m.setRotate (23, 10, 10);
    m.preScale (1.9f, 1.9f);
    out.push_back ({ "rotated", m });
    return out;
}

pixman_repeat_t pixman_repeat_of (SkShader::TileMode mode)
{
    switch (mode) {
    case SkShader::kRepeat_TileMode: return PIXMAN_REPEAT_NORMAL;
    case SkShader::kMirror_TileMode: return PIXMAN_REPEAT_REFLECT;
    default: return PIXMAN_REPEAT_PAD;
    }
}

std::vector<uint32_t> pixman_draw (TestBitmap &src, const SkMatrix &matrix, SkShader::TileMode mode, bool filter)
{
    SkMatrix inverse;
    EXPECT_TRUE (matrix.invert (&inverse));
    pixman_image_t *s = pixman_image_create_bits (PIXMAN_a8r8g8b8, src.bitmap.width (), src.bitmap.height (),
                                                  src.pixels.data (), src.bitmap.width () * 4);
    std::vector<uint32_t> out ((size_t)kDstW * kDstH, 0);
    pixman_image_t *d = pixman_image_create_bits (PIXMAN_a8r8g8b8, kDstW, kDstH, out.data (), kDstW * 4);
    pixman_f_transform ft;
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++) ft.m[r][c] = inverse[r * 3 + c];
    pixman_transform_t t;
    pixman_transform_from_pixman_f_transform (&t, &ft);
    pixman_image_set_transform (s, &t);
    pixman_image_set_filter (s, filter ? PIXMAN_FILTER_BILINEAR : PIXMAN_FILTER_NEAREST, nullptr, 0);
    pixman_image_set_repeat (s, pixman_repeat_of (mode));
    pixman_image_composite32 (PIXMAN_OP_SRC, s, nullptr, d, 0, 0, 0, 0, 0, 0, kDstW, kDstH);
    pixman_image_unref (d);
    pixman_image_unref (s);
    return out;
}

std::vector<uint32_t> our_draw (TestBitmap &src, const SkMatrix &matrix, SkShader::TileMode mode, bool filter)
{
    SkBitmapProcShader shader (src.bitmap, mode, mode);
    SkPaint paint;
    paint.setFilterBitmap (filter);
    std::vector<uint32_t> out ((size_t)kDstW * kDstH, 0);
    EXPECT_TRUE (shader.setContext (shader_device (kDstW, kDstH), paint, matrix));
    for (int y = 0; y < kDstH; y++) shader.shadeSpan (0, y, out.data () + (size_t)y * kDstW, kDstW);
    return out;
}

// The largest channel difference; its place goes to where.
int max_difference (const std::vector<uint32_t> &a, const std::vector<uint32_t> &b, size_t *where)
{
    int worst = 0;
    for (size_t i = 0; i < a.size (); i++)
        for (int shift = 0; shift < 32; shift += 8) {
            int d = std::abs ((int)((a[i] >> shift) & 0xFF) - (int)((b[i] >> shift) & 0xFF));
            if (d > worst) {
                worst = d;
                *where = i;
            }
        }
    return worst;
}

void compare_all (TestBitmap &src, bool filter, int tolerance, bool upscalesOnly)
{
    for (const Case &c : cases ()) {
        if (upscalesOnly && c.name != "2x" && c.name != "3x") continue;
        for (int mode = 0; mode < 3; mode++) {
            std::vector<uint32_t> ours = our_draw (src, c.matrix, (SkShader::TileMode)mode, filter);
            std::vector<uint32_t> theirs = pixman_draw (src, c.matrix, (SkShader::TileMode)mode, filter);
            size_t where = 0;
            int diff = max_difference (ours, theirs, &where);
            EXPECT_LE (diff, tolerance) << c.name << " tile mode " << mode << " at " << where % kDstW << ","
                                        << where / kDstW << std::hex << ": ours " << ours[where] << " pixman "
                                        << theirs[where];
        }
    }
}

TestBitmap noise_bitmap ()
{
    std::mt19937 rng (5);
    return TestBitmap (31, 19, [&] (int, int) { return random_pm_pixel (rng); });
}

// Periodic in both directions, so that repeating it makes no edges either; neighbours differ
// by at most 17 levels.
TestBitmap smooth_bitmap ()
{
    const double kTwoPi = 6.283185307179586;
    return TestBitmap (29, 23, [=] (int x, int y) {
        double u = kTwoPi * x / 29, v = kTwoPi * y / 23;
        uint32_t r = (uint32_t)(128 + 60 * std::sin (u)), g = (uint32_t)(128 + 60 * std::cos (v));
        uint32_t b = (uint32_t)(128 + 60 * std::sin (u + v));
        return 0xFF000000u | r << 16 | g << 8 | b;
    });
}

} // namespace

TEST (SkBitmapShaderPixman, NearestUpscalesMatchPixelForPixel)
{
    TestBitmap noise = noise_bitmap ();
    compare_all (noise, false, 0, true);
}

TEST (SkBitmapShaderPixman, BilinearNoiseWithinTheWeightPrecision)
{
    TestBitmap noise = noise_bitmap ();
    compare_all (noise, true, 36, false);
}

TEST (SkBitmapShaderPixman, BilinearSmoothPictureWithinRounding)
{
    TestBitmap smooth = smooth_bitmap ();
    compare_all (smooth, true, 3, false);
}
