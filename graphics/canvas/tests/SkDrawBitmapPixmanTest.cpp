// Bitmaps drawn through the canvas under scales, rotations and skews, against pixman
// compositing the same bitmap through the same inverse matrix (edge-padded, so that its
// picture covers the whole destination and only the pixels inside the drawn rectangle are
// compared). Pixels outside the rectangle must keep the background.
//
// Tolerances:
// - nearest: the same source pixel everywhere, except where the sample point lies within
//   1/256 of a line between source pixels: our positions are 16.16 values truncated from
//   floats, pixman's are its own 16.16 transform of the pixel centre with a bias for ties, so
//   there either may pick the other neighbour. The cases are placed so that such ties are rare.
// - bilinear: our weights are sixteenths of a pixel, truncated, pixman's 128ths, so a sample
//   may sit up to 1/16 + 1/128 of a pixel apart in each direction; on a smooth picture, whose
//   neighbours differ by at most 17 levels, a channel moves by at most 3.
// - a translucent paint: our alpha scale (alpha + 1) >> 8 and the source-over blend each
//   round once where pixman's exact division rounds once: at most 2 levels apart.
#include <gtest/gtest.h>

#include <pixman.h>

#include <string>
#include <vector>

#include "graphics/canvas/tests/SkBitmapDrawTestSupport.h"

using namespace bitmap_draw_test;

namespace {

const int kDstW = 72, kDstH = 64;
const uint32_t kBackground = 0xFF406080;

struct Scene {
    std::string name;
    SkMatrix matrix;    // bitmap to device
};

std::vector<Scene> scenes ()
{
    std::vector<Scene> out;
    SkMatrix m;
    m.setScale (2, 2);
    m.postTranslate (3, 2);
    out.push_back ({ "2x", m });
    m.setScale (0.5f, 0.5f);
    m.postTranslate (10.25f, 6.25f);
    out.push_back ({ "half", m });
    m.setScale (1.37f, 0.83f);
    m.postTranslate (4.1f, 7.3f);
    out.push_back ({ "uneven", m });
    m.setRotate (90, 36, 32);
    m.preTranslate (20, 16);
    out.push_back ({ "rotated 90", m });
    m.setRotate (30, 36, 32);
    m.preTranslate (20, 16);
    out.push_back ({ "rotated 30", m });
    m.setSkew (0.23f, 0.37f);
    m.postTranslate (6.3f, 3.1f);
    out.push_back ({ "skewed", m });
    return out;
}

std::vector<uint32_t> pixman_draw (const SkBitmap &src, const SkMatrix &matrix, bool filter, uint8_t alpha)
{
    SkMatrix inverse;
    EXPECT_TRUE (matrix.invert (&inverse));
    pixman_image_t *s = pixman_image_create_bits (PIXMAN_a8r8g8b8, src.width (), src.height (),
                                                  (uint32_t *)src.getPixels (), (int)src.rowBytes ());
    std::vector<uint32_t> out ((size_t)kDstW * kDstH, kBackground);
    pixman_image_t *d = pixman_image_create_bits (PIXMAN_a8r8g8b8, kDstW, kDstH, out.data (), kDstW * 4);
    pixman_f_transform ft;
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++) ft.m[r][c] = inverse[r * 3 + c];
    pixman_transform_t t;
    pixman_transform_from_pixman_f_transform (&t, &ft);
    pixman_image_set_transform (s, &t);
    pixman_image_set_filter (s, filter ? PIXMAN_FILTER_BILINEAR : PIXMAN_FILTER_NEAREST, nullptr, 0);
    pixman_image_set_repeat (s, PIXMAN_REPEAT_PAD);
    pixman_color_t maskColor = { 0, 0, 0, (uint16_t)(alpha * 257) };
    pixman_image_t *mask = pixman_image_create_solid_fill (&maskColor);
    pixman_image_composite32 (PIXMAN_OP_OVER, s, mask, d, 0, 0, 0, 0, 0, 0, kDstW, kDstH);
    pixman_image_unref (mask);
    pixman_image_unref (d);
    pixman_image_unref (s);
    return out;
}

SkBitmap our_draw (const SkBitmap &src, const SkMatrix &matrix, bool filter, uint8_t alpha)
{
    return draw_into (kDstW, kDstH, kBackground, [&] (SkCanvas &canvas) {
        SkPaint paint;
        paint.setFilterBitmap (filter);
        paint.setAlpha (alpha);
        canvas.drawBitmapMatrix (src, matrix, &paint);
    });
}

struct Tally {
    int inside = 0, ties = 0, worst = 0, outsideChanged = 0;
};

// Compares inside pixels (within tolerance; nearest pixels at a tie excepted) and counts
// outside pixels that are not the background.
Tally compare (const SkBitmap &src, const Scene &scene, bool filter, uint8_t alpha, int tolerance)
{
    std::vector<uint32_t> theirs = pixman_draw (src, scene.matrix, filter, alpha);
    SkBitmap ours = our_draw (src, scene.matrix, filter, alpha);
    Tally tally;
    for (int y = 0; y < kDstH; y++)
        for (int x = 0; x < kDstW; x++) {
            uint32_t mine = *ours.getAddr32 (x, y);
            Place place = place_of (scene.matrix, src.width (), src.height (), x, y);
            if (place == kOutside) {
                tally.outsideChanged += mine != kBackground;
                continue;
            }
            if (place == kEdge) continue;
            tally.inside++;
            if (!filter && near_pixel_boundary (sample_point (scene.matrix, x, y))) {
                tally.ties++;
                continue;
            }
            int d = channel_difference (mine, theirs[(size_t)y * kDstW + x]);
            EXPECT_LE (d, tolerance) << scene.name << " at " << x << "," << y << std::hex << ": ours " << mine
                                     << " pixman " << theirs[(size_t)y * kDstW + x];
            tally.worst = d > tally.worst ? d : tally.worst;
        }
    return tally;
}

void compare_scenes (const SkBitmap &src, bool filter, uint8_t alpha, int tolerance)
{
    for (const Scene &scene : scenes ()) {
        Tally tally = compare (src, scene, filter, alpha, tolerance);
        EXPECT_GT (tally.inside, 100) << scene.name;
        EXPECT_LT (tally.ties * 20, tally.inside) << scene.name;   // the comparison is not vacuous
        EXPECT_EQ (tally.outsideChanged, 0) << scene.name;
    }
}

using SkDrawBitmapPixman = ProcFormTest;

} // namespace

TEST_P (SkDrawBitmapPixman, NearestPicksTheSameSourcePixels)
{
    SkBitmap noise = noise_picture (31, 27, 7);
    compare_scenes (noise, false, 255, 0);
}

TEST_P (SkDrawBitmapPixman, BilinearSmoothPictureWithinRounding)
{
    SkBitmap smooth = smooth_picture (29, 23);
    compare_scenes (smooth, true, 255, 3);
}

TEST_P (SkDrawBitmapPixman, TranslucentPaintBlendsOverTheBackground)
{
    SkBitmap noise = noise_picture (31, 27, 11);
    compare_scenes (noise, false, 140, 2);
}

INSTANTIATE_TEST_SUITE_P (Forms, SkDrawBitmapPixman, testing::Values (kPortable_SkProcForm, kVector_SkProcForm),
                          form_name);
