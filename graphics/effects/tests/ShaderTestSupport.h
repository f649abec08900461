// Helpers of the shader tests: bitmaps over vectors the test owns, and one row shaded
// through a shader's setContext and shadeSpan as a blitter would.
#ifndef GRAPHICS_EFFECTS_TESTS_SHADERTESTSUPPORT_H_
#define GRAPHICS_EFFECTS_TESTS_SHADERTESTSUPPORT_H_

#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/effects/SkShader.h"
#include "graphics/paint/SkPaint.h"

// An 8888 bitmap over caller-owned pixels.
struct TestBitmap {
    std::vector<uint32_t> pixels;
    SkBitmap bitmap;

    TestBitmap (int width, int height, const std::function<uint32_t (int x, int y)> &pixel)
        : pixels ((size_t)width * height)
    {
        for (int y = 0; y < height; y++)
            for (int x = 0; x < width; x++) pixels[(size_t)y * width + x] = pixel (x, y);
        bitmap.setConfig (SkBitmap::kARGB_8888_Config, width, height);
        bitmap.setPixels (pixels.data ());
    }
};

// Opaque pixels that name their own place: red = column, green = row.
inline uint32_t coded_pixel (int x, int y) { return 0xFF000000u | (uint32_t)(x & 0xFF) << 16 | (uint32_t)(y & 0xFF) << 8; }
inline int coded_column (uint32_t c) { return (int)((c >> 16) & 0xFF); }
inline int coded_row (uint32_t c) { return (int)((c >> 8) & 0xFF); }

// A random valid premultiplied pixel; a quarter are opaque.
inline uint32_t random_pm_pixel (std::mt19937 &rng)
{
    uint32_t a = rng () % 4 == 0 ? 255 : rng () % 256;
    return a << 24 | (rng () % (a + 1)) << 16 | (rng () % (a + 1)) << 8 | rng () % (a + 1);
}

// The device a shader is set up for (its pixels are never touched).
inline SkBitmap shader_device (int width = 64, int height = 64)
{
    SkBitmap device;
    device.setConfig (SkBitmap::kARGB_8888_Config, width, height);
    return device;
}

// One run of count pixels at (x, y) after setContext; empty when setContext refuses.
inline std::vector<uint32_t> shade_row (SkShader &shader, const SkMatrix &matrix, const SkPaint &paint, int x, int y, int count)
{
    if (!shader.setContext (shader_device (), paint, matrix)) return {};
    std::vector<uint32_t> row ((size_t)count, 0xDEADBEEF);
    shader.shadeSpan (x, y, row.data (), count);
    return row;
}

#endif
