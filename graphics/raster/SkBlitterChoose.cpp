/*
 * Choosing the blitter for a device and a paint. The choice strips a transfer mode that acts
 * as source-over, skips draws that cannot change the device, and folds a colour filter into a
 * solid colour, so that the fast solid blitters serve as many paints as possible.
 */
#include "graphics/bitmap/SkBitmap.h"
#include "graphics/core/SkColorPriv.h"
#include "graphics/effects/SkColorFilter.h"
#include "graphics/effects/SkShader.h"
#include "graphics/paint/SkPaint.h"
#include "graphics/raster/SkBlitRow.h"
#include "graphics/raster/SkCoreBlitters.h"

namespace {

enum XferInterp { kNormal_XferInterp, kSrcOver_XferInterp, kSkipDrawing_XferInterp };

bool paint_is_opaque (const SkPaint &paint)
{
    if (paint.getAlpha () != 255 || paint.getColorFilter () != nullptr) return false;
    SkShader *shader = paint.getShader ();
    return shader == nullptr || (shader->getFlags () & SkShader::kOpaqueAlpha_Flag) != 0;
}

XferInterp interpret_xfermode (const SkPaint &paint, SkXfermode *xfer, SkBitmap::Config config)
{
    SkXfermode::Mode mode = SkXfermode::kSrcOver_Mode;
    if (xfer != nullptr && !xfer->asMode (&mode)) return kNormal_XferInterp;
    bool is565 = config == SkBitmap::kRGB_565_Config;
    switch (mode) {
    case SkXfermode::kSrc_Mode: return paint_is_opaque (paint) ? kSrcOver_XferInterp : kNormal_XferInterp;
    case SkXfermode::kDst_Mode: return kSkipDrawing_XferInterp;
    case SkXfermode::kSrcOver_Mode: return kSrcOver_XferInterp;
    case SkXfermode::kDstOver_Mode: return is565 ? kSkipDrawing_XferInterp : kNormal_XferInterp;
    case SkXfermode::kSrcIn_Mode: return is565 && paint_is_opaque (paint) ? kSrcOver_XferInterp : kNormal_XferInterp;
    case SkXfermode::kDstIn_Mode: return paint_is_opaque (paint) ? kSkipDrawing_XferInterp : kNormal_XferInterp;
    default: return kNormal_XferInterp;
    }
}

// Un-premultiplies through the reciprocal table: (c × T[a] + 2^23) >> 24 with
// T[a] = (255 × 2^24 + a/2) / a. Done in 64 bits and clamped, because a filter may return a
// colour channel above its alpha.
SkColor unpremultiply (SkPMColor c)
{
    unsigned a = SkGetPackedA32 (c);
    if (a == 0) return 0;
    uint64_t t = ((uint64_t)255 << 24) + a / 2;
    t /= a;
    auto channel = [t] (unsigned v) {
        uint64_t r = ((uint64_t)v * t + (1u << 23)) >> 24;
        return (unsigned)(r > 255 ? 255 : r);
    };
    return SkColorSetARGB (a, channel (SkGetPackedR32 (c)), channel (SkGetPackedG32 (c)), channel (SkGetPackedB32 (c)));
}

// Reduces the private paint to what the blitters handle: a transfer mode that acts as
// plain source-over is dropped, a transfer mode without a shader gets a colour shader,
// a colour filter without a shader is folded into the colour, and a shader with a
// colour filter becomes one filter shader. False when nothing would be drawn.
bool simplify_paint (SkPaint &paint, SkBitmap::Config config)
{
    if (paint.getXfermode () != nullptr) {
        XferInterp interp = interpret_xfermode (paint, paint.getXfermode (), config);
        if (interp == kSkipDrawing_XferInterp) return false;
        if (interp == kSrcOver_XferInterp) paint.setXfermode (nullptr);
    }
    if (paint.getShader () == nullptr) {
        if (paint.getXfermode () != nullptr) {
            SkColorShader *shader = new SkColorShader;      // follows the paint's colour
            if (shader == nullptr) return false;
            paint.setShader (shader);
            shader->unref ();
        } else if (paint.getColorFilter () != nullptr) {
            SkPMColor c = SkPreMultiplyColor (paint.getColor ());
            paint.getColorFilter ()->filterSpan (&c, 1, &c);
            paint.setColor (unpremultiply (c));
            paint.setColorFilter (nullptr);
        }
    }
    if (paint.getShader () != nullptr && paint.getColorFilter () != nullptr) {
        SkFilterShader *shader = new SkFilterShader (paint.getShader (), paint.getColorFilter ());
        if (shader == nullptr) return false;
        paint.setShader (shader);
        shader->unref ();
    }
    return true;
}

} // namespace

SkBlitter *SkBlitter::Choose (const SkBitmap &device, const SkMatrix &matrix, const SkPaint &origPaint, void *, size_t)
{
    SkBitmap::Config config = device.config ();
    if (config == SkBitmap::kNo_Config) return new SkNullBlitter;
    SkPaint paint (origPaint);          // the caller's paint is not changed
    if (!simplify_paint (paint, config)) return new SkNullBlitter;
    SkShader *shader = paint.getShader ();
    if (shader != nullptr && !shader->setContext (device, paint, matrix)) return new SkNullBlitter;

    switch (config) {
    case SkBitmap::kA8_Config:
        if (shader != nullptr) return new SkA8ShaderBlitter (device, paint);
        return new SkA8SolidBlitter (device, paint);
    case SkBitmap::kARGB_8888_Config:
        if (shader != nullptr) return new SkARGB32ShaderBlitter (device, paint);
        if (paint.getColor () == SK_ColorBLACK) return new SkARGB32BlackBlitter (device, paint);
        if (paint.getAlpha () == 255) return new SkARGB32OpaqueBlitter (device, paint);
        return new SkARGB32SolidBlitter (device, paint);
    default:
        return new SkNullBlitter;
    }
}
