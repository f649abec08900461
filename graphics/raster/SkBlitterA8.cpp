/*
 * Solid and shader blitters for 8-bit alpha devices. The operations scale by 255 - s in some
 * places and 256 - s in others; stored masks depend on these exact bytes.
 */
#include "graphics/core/SkColorPriv.h"
#include "graphics/effects/SkShader.h"
#include "graphics/effects/SkXfermode.h"
#include "graphics/paint/SkPaint.h"
#include "graphics/raster/SkCoreBlitters.h"

SkA8SolidBlitter::SkA8SolidBlitter (const SkBitmap &device, const SkPaint &paint)
    : fDevice (device), fSrcA (paint.getAlpha ())
{
    fDevice.lockPixels ();      // the copy gets the pixels only at its own lock
}

const SkBitmap *SkA8SolidBlitter::justAnOpaqueColor (uint32_t *value)
{
    if (fSrcA != 255) return nullptr;
    *value = 255;
    return &fDevice;
}

void SkA8SolidBlitter::blitH (int x, int y, int width)
{
    if (fSrcA == 0 || width <= 0) return;
    uint8_t *d = fDevice.getAddr8 (x, y);
    if (fSrcA == 255) {
        memset (d, 0xFF, (size_t)width);
        return;
    }
    for (int i = 0; i < width; i++) d[i] = (uint8_t)(fSrcA + ((d[i] * (255 - fSrcA)) >> 8));
}

void SkA8SolidBlitter::blitAntiH (int x, int y, SkAlpha antialias[], int16_t runs[])
{
    if (fSrcA == 0) return;
    uint8_t *d = fDevice.getAddr8 (x, y);
    for (int count; (count = runs[0]) > 0; runs += count, antialias += count, d += count) {
        unsigned aa = antialias[0];
        if (aa == 255 && fSrcA == 255) {
            memset (d, 0xFF, (size_t)count);
            continue;
        }
        unsigned s = ((aa + 1) * fSrcA) >> 8;
        for (int i = 0; i < count; i++) d[i] = (uint8_t)(s + ((d[i] * (256 - s)) >> 8));
    }
}

void SkA8SolidBlitter::blitV (int x, int y, int height, SkAlpha alpha)
{
    if (fSrcA == 0) return;
    unsigned s = ((alpha + 1u) * fSrcA) >> 8;
    uint8_t *d = fDevice.getAddr8 (x, y);
    for (int i = 0; i < height; i++, d += fDevice.rowBytes ())
        *d = s == 255 ? 0xFF : (uint8_t)(s + ((*d * (255 - s)) >> 8));
}

void SkA8SolidBlitter::blitRect (int x, int y, int width, int height)
{
    if (fSrcA == 0 || width <= 0) return;
    for (int j = 0; j < height; j++) {
        uint8_t *d = fDevice.getAddr8 (x, y + j);
        if (fSrcA == 255) memset (d, 0xFF, (size_t)width);
        else for (int i = 0; i < width; i++) d[i] = (uint8_t)(fSrcA + ((d[i] * (255 - fSrcA)) >> 8));
    }
}

void SkA8SolidBlitter::blitMask (const SkMask &mask, const SkIRect &clip)
{
    if (fSrcA == 0) return;
    if (mask.fFormat == SkMask::kBW_Format) {
        unsigned sa = fSrcA;
        SkForEachMaskBit (mask, clip, [this, sa] (int x, int y) {
            uint8_t *d = fDevice.getAddr8 (x, y);
            *d = sa == 255 ? 0xFF : (uint8_t)(sa + ((*d * (256 - sa)) >> 8));
        });
        return;
    }
    for (int y = clip.fTop; y < clip.fBottom; y++) {
        const uint8_t *m = mask.getAddr8 (clip.fLeft, y);
        uint8_t *d = fDevice.getAddr8 (clip.fLeft, y);
        for (int i = 0; i < clip.width (); i++) {
            unsigned cov = m[i];
            if (cov == 0) continue;
            if (cov == 255 && fSrcA == 255) {
                d[i] = 0xFF;
                continue;
            }
            unsigned s = cov == 255 ? fSrcA : ((cov + 1) * fSrcA) >> 8;
            d[i] = (uint8_t)(s + ((d[i] * (255 - s)) >> 8));
        }
    }
}

// ---------------------------------------------------------------------------------------------

SkA8ShaderBlitter::SkA8ShaderBlitter (const SkBitmap &device, const SkPaint &paint)
    : SkShaderBlitter (device, paint, sizeof (SkPMColor) + 1)
{
    fAAExpand = fBuffer ? (uint8_t *)(fBuffer + device.width ()) : nullptr;
}

namespace {
// A span colour's alpha laid over a destination byte with a coverage (0...255).
inline uint8_t blend_a8 (unsigned coverage, SkPMColor c, unsigned d)
{
    unsigned v = (coverage + 1) * SkGetPackedA32 (c);
    return (uint8_t)(((256 - (v >> 8)) * d + v) >> 8);
}
} // namespace

void SkA8ShaderBlitter::blitH (int x, int y, int width)
{
    if (fBuffer == nullptr || width <= 0) return;
    uint8_t *d = fDevice.getAddr8 (x, y);
    if (fXfermode == nullptr && (fShader->getFlags () & SkShader::kOpaqueAlpha_Flag)) {
        memset (d, 0xFF, (size_t)width);
        return;
    }
    fShader->shadeSpan (x, y, fBuffer, width);
    if (fXfermode != nullptr) {
        fXfermode->xferA8 (d, fBuffer, width, nullptr);
        return;
    }
    for (int i = 0; i < width; i++) {
        unsigned sa = SkGetPackedA32 (fBuffer[i]);
        d[i] = (uint8_t)(sa + (((255 - sa) * d[i]) >> 8));
    }
}

void SkA8ShaderBlitter::blitAntiH (int x, int y, SkAlpha antialias[], int16_t runs[])
{
    if (fBuffer == nullptr) return;
    bool opaque = (fShaderFlags & SkShader::kOpaqueAlpha_Flag) != 0;
    uint8_t *d = fDevice.getAddr8 (x, y);
    for (int count; (count = runs[0]) > 0; runs += count, antialias += count, d += count, x += count) {
        unsigned aa = antialias[0];
        if (aa == 0) continue;
        if (opaque && aa == 255 && fXfermode == nullptr) {
            memset (d, 0xFF, (size_t)count);
            continue;
        }
        fShader->shadeSpan (x, y, fBuffer, count);
        if (fXfermode != nullptr) {
            memset (fAAExpand, (int)aa, (size_t)count);
            fXfermode->xferA8 (d, fBuffer, count, fAAExpand);
        } else {
            for (int i = 0; i < count; i++) d[i] = blend_a8 (aa, fBuffer[i], d[i]);
        }
    }
}

void SkA8ShaderBlitter::blitMask (const SkMask &mask, const SkIRect &clip)
{
    if (mask.fFormat == SkMask::kBW_Format) {
        SkBlitter::blitMask (mask, clip);
        return;
    }
    if (fBuffer == nullptr) return;
    int width = clip.width ();
    for (int y = clip.fTop; y < clip.fBottom; y++) {
        uint8_t *d = fDevice.getAddr8 (clip.fLeft, y);
        const uint8_t *m = mask.getAddr8 (clip.fLeft, y);
        fShader->shadeSpan (clip.fLeft, y, fBuffer, width);
        if (fXfermode != nullptr) {
            fXfermode->xferA8 (d, fBuffer, width, m);
        } else {
            for (int i = 0; i < width; i++) d[i] = blend_a8 (m[i], fBuffer[i], d[i]);
        }
    }
}
