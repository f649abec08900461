// Test support of the blitter tests: bitmaps over their own pixels, blitter choice, effects
// handed to a paint, and coverage runs written as (count, alpha) pairs.
#ifndef GRAPHICS_RASTER_TESTS_BLITTERTESTSUPPORT_H_
#define GRAPHICS_RASTER_TESTS_BLITTERTESTSUPPORT_H_

#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/effects/SkColorFilter.h"
#include "graphics/effects/SkShader.h"
#include "graphics/paint/SkPaint.h"
#include "graphics/raster/SkBlitter.h"

namespace {

// A bitmap over its own pixels, filled with one value, opaque or not.
struct Device {
    std::vector<uint32_t> pixels32;
    std::vector<uint8_t> pixels8;
    SkBitmap bitmap;
    Device (SkBitmap::Config config, int w, int h, uint32_t fill, bool opaque = false)
    {
        bitmap.setConfig (config, w, h);
        bitmap.setIsOpaque (opaque);
        if (config == SkBitmap::kA8_Config) {
            pixels8.assign ((size_t)w * h, (uint8_t)fill);
            bitmap.setPixels (pixels8.data ());
        } else {
            pixels32.assign ((size_t)w * h, fill);
            bitmap.setPixels (pixels32.data ());
        }
    }
    uint32_t at (int x, int y) const { return pixels32[(size_t)y * bitmap.width () + x]; }
    uint8_t at8 (int x, int y) const { return pixels8[(size_t)y * bitmap.width () + x]; }
    std::vector<uint32_t> row (int y) const
    {
        std::vector<uint32_t> out;
        for (int x = 0; x < bitmap.width (); x++) out.push_back (pixels8.empty () ? at (x, y) : at8 (x, y));
        return out;
    }
};

typedef std::vector<uint32_t> Px;

inline std::unique_ptr<SkBlitter> choose (const Device &d, const SkPaint &paint)
{
    return std::unique_ptr<SkBlitter> (SkBlitter::Choose (d.bitmap, SkMatrix::I (), paint, nullptr, 0));
}

// The paint takes the only reference, as a caller handing over a new effect would; the pointer
// is returned for tests that look into the effect while the paint keeps it alive.
template <typename T> T *adopt (SkPaint &paint, T *effect)
{
    if constexpr (std::is_base_of_v<SkShader, T>) {
        paint.setShader (effect);
    } else if constexpr (std::is_base_of_v<SkColorFilter, T>) {
        paint.setColorFilter (effect);
    } else {
        paint.setXfermode (effect);
    }
    effect->unref ();
    return effect;
}

inline void blit_runs (SkBlitter *b, int x, int y, std::vector<std::pair<int, int>> list)
{
    std::vector<int16_t> runs;
    std::vector<uint8_t> aa;
    for (auto [n, a] : list) {
        runs.push_back ((int16_t)n);
        aa.push_back ((uint8_t)a);
        for (int i = 1; i < n; i++) { runs.push_back (0); aa.push_back (0); }
    }
    runs.push_back (0);
    aa.push_back (0);
    b->blitAntiH (x, y, aa.data (), runs.data ());
}

} // namespace

#endif
