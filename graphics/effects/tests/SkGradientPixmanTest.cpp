// Gradients against pixman's gradients of the same geometry, colours and tile mode.
//
// Tolerances: our colours come from a 256-entry cache, so the position is rounded down to
// 1/256 of the gradient (1 level of a 255-level ramp) where pixman interpolates exactly, and
// the cache entries and pixman each round once (1). Linear gradients dither by 1 level. The
// clamped radial gradient finds its entry in a table of square roots of squared distances
// taken to 1/2048 of the radius squared, which near the centre is coarse: within 3 pixels of it
// the entry may fall 6 short; everywhere else 3 covers it.
#include <gtest/gtest.h>

#include <pixman.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "graphics/effects/SkGradientShaderPriv.h"
#include "graphics/effects/tests/ShaderTestSupport.h"

namespace {

const int kW = 96, kH = 80;

pixman_color_t pixman_color (SkColor c)
{
    return pixman_color_t { (uint16_t)(SkColorGetR (c) * 257), (uint16_t)(SkColorGetG (c) * 257),
                            (uint16_t)(SkColorGetB (c) * 257), (uint16_t)(SkColorGetA (c) * 257) };
}

pixman_repeat_t pixman_repeat_of (SkShader::TileMode mode)
{
    switch (mode) {
    case SkShader::kRepeat_TileMode: return PIXMAN_REPEAT_NORMAL;
    case SkShader::kMirror_TileMode: return PIXMAN_REPEAT_REFLECT;
    default: return PIXMAN_REPEAT_PAD;
    }
}

std::vector<uint32_t> pixman_fill (pixman_image_t *gradient, SkShader::TileMode mode)
{
    std::vector<uint32_t> out ((size_t)kW * kH, 0);
    pixman_image_t *d = pixman_image_create_bits (PIXMAN_a8r8g8b8, kW, kH, out.data (), kW * 4);
    pixman_image_set_repeat (gradient, pixman_repeat_of (mode));
    pixman_image_composite32 (PIXMAN_OP_SRC, gradient, nullptr, d, 0, 0, 0, 0, 0, 0, kW, kH);
    pixman_image_unref (d);
    pixman_image_unref (gradient);
    return out;
}

std::vector<uint32_t> our_fill (SkShader &shader)
{
    std::vector<uint32_t> out ((size_t)kW * kH, 0);
    EXPECT_TRUE (shader.setContext (shader_device (kW, kH), SkPaint (), SkMatrix::I ()));
    for (int y = 0; y < kH; y++) shader.shadeSpan (0, y, out.data () + (size_t)y * kW, kW);
    return out;
}

// Every channel of every pixel within tolerance; near (cx, cy), within nearTolerance. Pixels
// skip says are left out.
void expect_close (const std::vector<uint32_t> &ours, const std::vector<uint32_t> &theirs, int tolerance, float cx = -1e9f,
                   float cy = -1e9f, int nearTolerance = 0, const std::function<bool (int, int)> &skip = nullptr)
{
    int failures = 0;
    for (int y = 0; y < kH; y++)
        for (int x = 0; x < kW; x++) {
            size_t i = (size_t)y * kW + x;
            if (skip && skip (x, y)) continue;
            bool near = std::hypot (x + 0.5f - cx, y + 0.5f - cy) < 3;
            int limit = near ? std::max (tolerance, nearTolerance) : tolerance;
            for (int shift = 0; shift < 32; shift += 8) {
                int d = std::abs ((int)((ours[i] >> shift) & 0xFF) - (int)((theirs[i] >> shift) & 0xFF));
                if (d > limit && failures++ < 5)
                    ADD_FAILURE () << "pixel " << x << "," << y << std::hex << ": ours " << ours[i] << " pixman " << theirs[i];
            }
        }
}

const SkColor kColors[2] = { 0xFF2050F0, 0xFFF0C010 };

pixman_gradient_stop_t stops[2] = {
    { 0, pixman_color (kColors[0]) },
    { pixman_int_to_fixed (1), pixman_color (kColors[1]) },
};

} // namespace

TEST (SkGradientPixman, LinearInEveryTileMode)
{
    SkPoint pts[2] = { SkPoint::Make (20.5f, 10), SkPoint::Make (61, 45.25f) };
    for (int mode = 0; mode < 3; mode++) {
        SkLinearGradient ours (pts, SkGradientColors { kColors, nullptr, 2, (SkShader::TileMode)mode });
        pixman_point_fixed_t p1 = { pixman_double_to_fixed (pts[0].fX), pixman_double_to_fixed (pts[0].fY) };
        pixman_point_fixed_t p2 = { pixman_double_to_fixed (pts[1].fX), pixman_double_to_fixed (pts[1].fY) };
        // Where a repeat starts again, the two sides of the jump may fall on either pixel.
        auto atJump = [&] (int x, int y) {
            double vx = pts[1].fX - pts[0].fX, vy = pts[1].fY - pts[0].fY;
            double t = ((x + 0.5 - pts[0].fX) * vx + (y + 0.5 - pts[0].fY) * vy) / (vx * vx + vy * vy);
            double f = t - std::floor (t);
            return mode == SkShader::kRepeat_TileMode && (f < 0.01 || f > 0.99);
        };
        SCOPED_TRACE (mode);
        expect_close (our_fill (ours), pixman_fill (pixman_image_create_linear_gradient (&p1, &p2, stops, 2), (SkShader::TileMode)mode), 3,
                      -1e9f, -1e9f, 0, atJump);
    }
}

TEST (SkGradientPixman, RadialInEveryTileMode)
{
    SkPoint center = SkPoint::Make (40.3f, 35.7f);
    for (int mode = 0; mode < 3; mode++) {
        SkRadialGradient ours (center, 27, SkGradientColors { kColors, nullptr, 2, (SkShader::TileMode)mode });
        pixman_point_fixed_t c = { pixman_double_to_fixed (center.fX), pixman_double_to_fixed (center.fY) };
        SCOPED_TRACE (mode);
        expect_close (our_fill (ours),
                      pixman_fill (pixman_image_create_radial_gradient (&c, &c, 0, pixman_double_to_fixed (27), stops, 2),
                                   (SkShader::TileMode)mode),
                      3, center.fX, center.fY, 6);
    }
}

TEST (SkGradientPixman, TwoPointRadialWithTheStartCircleInsideTheEnd)
{
    SkPoint c1 = SkPoint::Make (38, 30), c2 = SkPoint::Make (45.5f, 40);
    SkTwoPointRadialGradient ours (c1, 6, c2, 33, SkGradientColors { kColors, nullptr, 2, SkShader::kClamp_TileMode });
    pixman_point_fixed_t p1 = { pixman_double_to_fixed (c1.fX), pixman_double_to_fixed (c1.fY) };
    pixman_point_fixed_t p2 = { pixman_double_to_fixed (c2.fX), pixman_double_to_fixed (c2.fY) };
    expect_close (our_fill (ours),
                  pixman_fill (pixman_image_create_radial_gradient (&p1, &p2, pixman_int_to_fixed (6), pixman_int_to_fixed (33), stops, 2),
                               SkShader::kClamp_TileMode),
                  3);
}
