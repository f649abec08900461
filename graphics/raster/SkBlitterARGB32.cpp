/*
 * Solid-colour and shader blitters for 32-bit premultiplied devices.
 */
#include "graphics/core/SkColorPriv.h"
#include "graphics/core/SkUtils.h"
#include "graphics/effects/SkShader.h"
#include "graphics/effects/SkXfermode.h"
#include "graphics/paint/SkPaint.h"
#include "graphics/raster/SkCoreBlitters.h"

namespace {

// The partly covered pixels of a shape's edge are read before they are blended, and the next
// row's edge pixels lie about where this row's did, but a row apart: usually another page, where
// the processor's own prefetching does not follow. Asking for them a row ahead hides most of
// that wait. below is the row bytes, or 0 on the last row.
inline void prefetch_below (const uint32_t *device, size_t below)
{
    __builtin_prefetch ((const uint8_t *)device + below, 1);
}

} // namespace

SkARGB32SolidBlitter::SkARGB32SolidBlitter (const SkBitmap &device, const SkPaint &paint)
    : fDevice (device), fColor (paint.getColor ()), fMaskProc (SkBlitColorA8Mask)
{
    fDevice.lockPixels ();      // the copy gets the pixels only at its own lock; its destructor unlocks
    // Scaled by alpha + 1 and truncated, unlike the rounded premultiply of colour masks.
    fSrcA = SkColorGetA (fColor);
    unsigned scale = SkAlpha255To256 (fSrcA);
    fSrcR = SkAlphaMul (SkColorGetR (fColor), scale);
    fSrcG = SkAlphaMul (SkColorGetG (fColor), scale);
    fSrcB = SkAlphaMul (SkColorGetB (fColor), scale);
    fPMColor = SkPackARGB32 (fSrcA, fSrcR, fSrcG, fSrcB);
}

const SkBitmap *SkARGB32SolidBlitter::justAnOpaqueColor (uint32_t *value)
{
    if (fSrcA != 255) return nullptr;
    *value = fPMColor;
    return &fDevice;
}

void SkARGB32SolidBlitter::blitH (int x, int y, int width)
{
    uint32_t *row = fDevice.getAddr32 (x, y);
    SkBlitRow::Color32 (row, row, width, fPMColor);
}

void SkARGB32SolidBlitter::blitAntiH (int x, int y, SkAlpha antialias[], int16_t runs[])
{
    if (fSrcA == 0) return;
    uint32_t *device = fDevice.getAddr32 (x, y);
    size_t below = y + 1 < fDevice.height () ? fDevice.rowBytes () : 0;
    for (int count; (count = runs[0]) > 0; runs += count, antialias += count, device += count) {
        unsigned aa = antialias[0];
        if (aa == 0) continue;
        if ((aa & fSrcA) == 255) {
            sk_memset32 (device, fPMColor, count);
            continue;
        }
        uint32_t color = SkAlphaMulQ (fPMColor, SkAlpha255To256 (aa));
        if (count >= 4) {
            SkBlitRow::Color32 (device, device, count, color);
        } else if (color != 0) {
            // The edge pixels of anti-aliased shapes come one or two to a run: the row
            // procedure's formula in place, without its call and set-up.
            unsigned scale = 255 - SkGetPackedA32 (color);
            for (int i = 0; i < count; i++) device[i] = color + SkAlphaMulQ (device[i], scale);
        }
        prefetch_below (device, below);
    }
}

void SkARGB32SolidBlitter::blitV (int x, int y, int height, SkAlpha alpha)
{
    if (alpha == 0 || fSrcA == 0) return;
    SkPMColor color = alpha == 255 ? fPMColor : SkAlphaMulQ (fPMColor, SkAlpha255To256 (alpha));
    unsigned dstScale = 255 - SkGetPackedA32 (color);
    uint32_t *device = fDevice.getAddr32 (x, y);
    uint32_t rowWords = fDevice.rowBytes () >> 2;
    uint32_t prevSrc = 0, prevDst = color;      // a run of equal pixels reuses one result
    for (int i = 0; i < height; i++, device += rowWords) {
        uint32_t d = *device;
        if (i == 0 || d != prevSrc) {
            prevSrc = d;
            prevDst = color + SkAlphaMulQ (d, dstScale);
        }
        *device = prevDst;
    }
}

void SkARGB32SolidBlitter::blitRect (int x, int y, int width, int height)
{
    if (fSrcA == 0 || width <= 0 || height <= 0) return;
    if (SkGetPackedA32 (fPMColor) == 255 && (size_t)width * 4 == fDevice.rowBytes () &&
        (int64_t)width * height <= 0x7FFFFFFF) {
        // Whole rows of an opaque colour lie back to back: one fill, which can pick the
        // store that suits its total size.
        sk_memset32 (fDevice.getAddr32 (x, y), fPMColor, width * height);
        return;
    }
    for (int i = 0; i < height; i++) {
        uint32_t *row = fDevice.getAddr32 (x, y + i);
        SkBlitRow::Color32 (row, row, width, fPMColor);
    }
}

void SkARGB32SolidBlitter::blitMask (const SkMask &mask, const SkIRect &clip)
{
    if (fSrcA == 0 || clip.isEmpty ()) return;
    switch (mask.fFormat) {
    case SkMask::kBW_Format: blitBWMask (mask, clip); break;
    case SkMask::kARGB32_Format: blitARGB32Mask (mask, clip); break;
    case SkMask::kLCD16_Format: blitLCD16Mask (mask, clip); break;
    case SkMask::kLCD32_Format: blitLCD32Mask (mask, clip); break;
    default:
        fMaskProc (fDevice.getAddr32 (clip.fLeft, clip.fTop), fDevice.rowBytes (), fDevice.config (),
                   mask.getAddr8 (clip.fLeft, clip.fTop), mask.fRowBytes, fColor, clip.width (), clip.height ());
        break;
    }
}

void SkARGB32SolidBlitter::blitBWMask (const SkMask &mask, const SkIRect &clip)
{
    unsigned dstScale = 256 - fSrcA;
    SkForEachMaskBit (mask, clip, [this, dstScale] (int x, int y) {
        uint32_t *p = fDevice.getAddr32 (x, y);
        *p = SkAlphaMulQ (*p, dstScale) + fPMColor;
    });
}

void SkARGB32OpaqueBlitter::blitBWMask (const SkMask &mask, const SkIRect &clip)
{
    SkForEachMaskBit (mask, clip, [this] (int x, int y) { *fDevice.getAddr32 (x, y) = fPMColor; });
}

void SkARGB32SolidBlitter::blitARGB32Mask (const SkMask &mask, const SkIRect &clip)
{
    SkBlitRow::Proc proc = SkBlitRow::Factory32 (fSrcA == 255 ? SkBlitRow::kSrcPixelAlpha_Flag
                                                              : SkBlitRow::kSrcPixelAlpha_Flag | SkBlitRow::kGlobalAlpha_Flag);
    for (int y = clip.fTop; y < clip.fBottom; y++)
        proc (fDevice.getAddr32 (clip.fLeft, y), mask.getAddr32 (clip.fLeft, y), clip.width (), fSrcA);
}

namespace {

// dst + (m × (src − dst)) >> shift, with a signed difference and an arithmetic shift.
inline unsigned blend_channel (unsigned src, unsigned dst, int m, int shift)
{
    return (unsigned)((int)dst + ((m * ((int)src - (int)dst)) >> shift));
}

inline int upscale31to32 (int m) { return m + (m >> 4); }

} // namespace

void SkARGB32SolidBlitter::blitLCD16Mask (const SkMask &mask, const SkIRect &clip)
{
    unsigned srcR = SkColorGetR (fColor), srcG = SkColorGetG (fColor), srcB = SkColorGetB (fColor);
    int scale = (int)SkAlpha255To256 (fSrcA);
    for (int y = clip.fTop; y < clip.fBottom; y++) {
        const uint16_t *m = mask.getAddr16 (clip.fLeft, y);
        uint32_t *d = fDevice.getAddr32 (clip.fLeft, y);
        for (int i = 0; i < clip.width (); i++) {
            unsigned v = m[i];
            if (v == 0) continue;
            if (fSrcA == 255 && v == 0xFFFF) {
                d[i] = fPMColor;
                continue;
            }
            int mr = upscale31to32 ((int)(v >> 11) & 0x1F), mg = upscale31to32 ((int)(v >> 6) & 0x1F),
                mb = upscale31to32 ((int)v & 0x1F);
            if (fSrcA != 255) {
                mr = (mr * scale) >> 8;
                mg = (mg * scale) >> 8;
                mb = (mb * scale) >> 8;
            }
            uint32_t p = d[i];
            d[i] = SkPackARGB32 (0xFF, blend_channel (srcR, SkGetPackedR32 (p), mr, 5),
                                 blend_channel (srcG, SkGetPackedG32 (p), mg, 5), blend_channel (srcB, SkGetPackedB32 (p), mb, 5));
        }
    }
}

void SkARGB32SolidBlitter::blitLCD32Mask (const SkMask &mask, const SkIRect &clip)
{
    unsigned srcR = SkColorGetR (fColor), srcG = SkColorGetG (fColor), srcB = SkColorGetB (fColor);
    int scale = (int)SkAlpha255To256 (fSrcA);
    for (int y = clip.fTop; y < clip.fBottom; y++) {
        const uint32_t *m = mask.getAddr32 (clip.fLeft, y);
        uint32_t *d = fDevice.getAddr32 (clip.fLeft, y);
        for (int i = 0; i < clip.width (); i++) {
            uint32_t v = m[i];
            if (v == 0) continue;
            int mr = (((int)(v >> 16 & 0xFF) + 1) * scale) >> 8, mg = (((int)(v >> 8 & 0xFF) + 1) * scale) >> 8,
                mb = (((int)(v & 0xFF) + 1) * scale) >> 8;
            uint32_t p = d[i];
            d[i] = SkPackARGB32 (0xFF, blend_channel (srcR, SkGetPackedR32 (p), mr, 8),
                                 blend_channel (srcG, SkGetPackedG32 (p), mg, 8), blend_channel (srcB, SkGetPackedB32 (p), mb, 8));
        }
    }
}

// ---------------------------------------------------------------------------------------------

SkARGB32BlackBlitter::SkARGB32BlackBlitter (const SkBitmap &device, const SkPaint &paint)
    : SkARGB32OpaqueBlitter (device, paint)
{
    fMaskProc = SkBlitColorA8MaskBlack;
}

void SkARGB32BlackBlitter::blitAntiH (int x, int y, SkAlpha antialias[], int16_t runs[])
{
    uint32_t *device = fDevice.getAddr32 (x, y);
    size_t below = y + 1 < fDevice.height () ? fDevice.rowBytes () : 0;
    for (int count; (count = runs[0]) > 0; runs += count, antialias += count, device += count) {
        unsigned aa = antialias[0];
        if (aa == 255) {
            sk_memset32 (device, 0xFF000000, count);
        } else if (aa != 0) {
            for (int i = 0; i < count; i++) device[i] = SkAlphaMulQ (device[i], 256 - aa) + (aa << 24);
            prefetch_below (device, below);
        }
    }
}

// ---------------------------------------------------------------------------------------------

SkShaderBlitter::SkShaderBlitter (const SkBitmap &device, const SkPaint &paint, size_t bytesPerPixel)
    : fDevice (device), fShader (paint.getShader ()), fXfermode (paint.getXfermode ())
{
    fDevice.lockPixels ();
    fShader->ref ();
    fShader->beginSession ();
    fShaderFlags = fShader->getFlags ();
    SkSafeRef (fXfermode);
    fBuffer = (SkPMColor *)sk_malloc ((size_t)device.width () * bytesPerPixel);
}

SkShaderBlitter::~SkShaderBlitter ()
{
    SkSafeUnref (fXfermode);
    sk_free (fBuffer);
    fShader->endSession ();
    fShader->unref ();
}

SkARGB32ShaderBlitter::SkARGB32ShaderBlitter (const SkBitmap &device, const SkPaint &paint)
    : SkShaderBlitter (device, paint, sizeof (SkPMColor))
{
    bool opaque = (fShaderFlags & SkShader::kOpaqueAlpha_Flag) != 0;
    fProc255 = SkBlitRow::Factory32 (opaque ? 0 : SkBlitRow::kSrcPixelAlpha_Flag);
    fProcAlpha = SkBlitRow::Factory32 (SkBlitRow::kGlobalAlpha_Flag | (opaque ? 0 : SkBlitRow::kSrcPixelAlpha_Flag));
}

void SkARGB32ShaderBlitter::blitH (int x, int y, int width)
{
    if (fBuffer == nullptr) return;
    uint32_t *device = fDevice.getAddr32 (x, y);
    if (fXfermode == nullptr && (fShader->getFlags () & SkShader::kOpaqueAlpha_Flag)) {
        fShader->shadeSpan (x, y, device, width);
        return;
    }
    fShader->shadeSpan (x, y, fBuffer, width);
    if (fXfermode != nullptr) fXfermode->xfer32 (device, fBuffer, width, nullptr);
    else fProc255 (device, fBuffer, width, 255);
}

void SkARGB32ShaderBlitter::blitAntiH (int x, int y, SkAlpha antialias[], int16_t runs[])
{
    if (fBuffer == nullptr) return;
    uint32_t *device = fDevice.getAddr32 (x, y);
    bool opaque = (fShaderFlags & SkShader::kOpaqueAlpha_Flag) != 0;
    for (int count; (count = runs[0]) > 0; runs += count, antialias += count, device += count, x += count) {
        unsigned aa = antialias[0];
        if (aa == 0) continue;
        if (fXfermode != nullptr) {
            fShader->shadeSpan (x, y, fBuffer, count);
            if (aa == 255) {
                fXfermode->xfer32 (device, fBuffer, count, nullptr);
            } else {
                for (int i = count - 1; i >= 0; i--) fXfermode->xfer32 (&device[i], &fBuffer[i], 1, antialias);
            }
        } else if (opaque && aa == 255) {
            fShader->shadeSpan (x, y, device, count);
        } else {
            fShader->shadeSpan (x, y, fBuffer, count);
            if (aa == 255) fProc255 (device, fBuffer, count, 255);
            else fProcAlpha (device, fBuffer, count, aa);
        }
    }
}
