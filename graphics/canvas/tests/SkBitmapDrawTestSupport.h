// Bitmaps drawn through a canvas under a matrix: the source pictures, the drawing, and where
// each device pixel lies against the drawn rectangle, so that checks can leave out the edge
// pixels whose coverage depends on the scan converter's tie rules.
#ifndef GRAPHICS_CANVAS_TESTS_SKBITMAPDRAWTESTSUPPORT_H_
#define GRAPHICS_CANVAS_TESTS_SKBITMAPDRAWTESTSUPPORT_H_

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <vector>

#include "graphics/canvas/SkCanvas.h"
#include "graphics/core/SkProcForm.h"

namespace bitmap_draw_test {

// Runs each case with the plain and with the vector row procedures.
class ProcFormTest : public testing::TestWithParam<SkProcForm> {
protected:
    void SetUp () override { fWas = SkSetProcForm (GetParam ()); }
    void TearDown () override { SkSetProcForm (fWas); }

private:
    SkProcForm fWas = kPortable_SkProcForm;
};

inline std::string form_name (const testing::TestParamInfo<SkProcForm> &info)
{
    return info.param == kPortable_SkProcForm ? "Plain" : "Vector";
}

// An 8888 bitmap over pixels it owns, filled by pixel (x, y).
inline SkBitmap make_picture (int w, int h, const std::function<uint32_t (int, int)> &pixel)
{
    SkBitmap bitmap;
    bitmap.setConfig (SkBitmap::kARGB_8888_Config, w, h);
    EXPECT_TRUE (bitmap.allocPixels ());
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) *bitmap.getAddr32 (x, y) = pixel (x, y);
    return bitmap;
}

// Opaque random pixels: neighbours differ by up to 255 in every channel.
inline SkBitmap noise_picture (int w, int h, unsigned seed)
{
    std::mt19937 rng (seed);
    return make_picture (w, h, [&] (int, int) { return 0xFF000000u | (rng () & 0xFFFFFF); });
}

// Opaque and smooth: neighbours differ by at most 17 levels per channel.
inline SkBitmap smooth_picture (int w, int h)
{
    const double kTwoPi = 6.283185307179586;
    return make_picture (w, h, [=] (int x, int y) {
        double u = kTwoPi * x / w, v = kTwoPi * y / h;
        uint32_t r = (uint32_t)(128 + 60 * std::sin (u)), g = (uint32_t)(128 + 60 * std::cos (v));
        uint32_t b = (uint32_t)(128 + 60 * std::sin (u + v));
        return 0xFF000000u | r << 16 | g << 8 | b;
    });
}

// An A8 bitmap filled by alpha (x, y).
inline SkBitmap make_alpha (int w, int h, const std::function<uint8_t (int, int)> &alpha)
{
    SkBitmap bitmap;
    bitmap.setConfig (SkBitmap::kA8_Config, w, h);
    EXPECT_TRUE (bitmap.allocPixels ());
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) *bitmap.getAddr8 (x, y) = alpha (x, y);
    return bitmap;
}

// A w × h device filled with background, drawn into through a canvas by draw.
inline SkBitmap draw_into (int w, int h, uint32_t background, const std::function<void (SkCanvas &)> &draw)
{
    SkBitmap device = make_picture (w, h, [=] (int, int) { return background; });
    SkCanvas canvas (device);
    draw (canvas);
    return device;
}

enum Place { kInside, kEdge, kOutside };

// Where the device pixel (x, y) lies against the bitmap rectangle (0, 0, w, h) mapped by an
// affine matrix: inside or outside when its centre is more than 0.75 pixels (beyond half the
// pixel's diagonal) from every edge line of the mapped rectangle, else on its edge.
inline Place place_of (const SkMatrix &matrix, int w, int h, int x, int y)
{
    SkPoint c[4] = { { 0, 0 }, { (SkScalar)w, 0 }, { (SkScalar)w, (SkScalar)h }, { 0, (SkScalar)h } };
    matrix.mapPoints (c, 4);
    double px = x + 0.5, py = y + 0.5, nearest = 1e9;
    double turn = (double)(c[1].fX - c[0].fX) * (c[2].fY - c[1].fY) - (double)(c[1].fY - c[0].fY) * (c[2].fX - c[1].fX);
    for (int i = 0; i < 4; i++) {
        const SkPoint &a = c[i], &b = c[(i + 1) % 4];
        double ex = b.fX - a.fX, ey = b.fY - a.fY;
        double side = (ex * (py - a.fY) - ey * (px - a.fX)) / std::sqrt (ex * ex + ey * ey);
        nearest = std::fmin (nearest, turn > 0 ? side : -side);
    }
    return nearest > 0.75 ? kInside : (nearest < -0.75 ? kOutside : kEdge);
}

// Where the centre of device pixel (x, y) samples the bitmap.
inline SkPoint sample_point (const SkMatrix &matrix, int x, int y)
{
    SkMatrix inverse;
    EXPECT_TRUE (matrix.invert (&inverse));
    SkPoint p;
    inverse.mapXY (x + 0.5f, y + 0.5f, &p);
    return p;
}

// Whether a sample point lies so near a line between bitmap pixels that two renderers
// rounding positions differently may each pick a different one of the two.
inline bool near_pixel_boundary (SkPoint p)
{
    const double kTie = 1.0 / 256;
    return std::fabs (p.fX - std::round (p.fX)) < kTie || std::fabs (p.fY - std::round (p.fY)) < kTie;
}

// The largest difference of one channel between two pixels.
inline int channel_difference (uint32_t a, uint32_t b)
{
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        int d = std::abs ((int)((a >> shift) & 0xFF) - (int)((b >> shift) & 0xFF));
        worst = d > worst ? d : worst;
    }
    return worst;
}

} // namespace bitmap_draw_test

#endif
