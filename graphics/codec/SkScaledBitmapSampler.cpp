/*
 * Row procedures of the scaled-bitmap sampler, one per destination config, source layout
 * and dither choice, and the sampling steps.
 */
#include <graphics/codec/SkScaledBitmapSampler.h>

#include <graphics/core/SkColorPriv.h>
#include <graphics/raster/SkBlitRow.h>

namespace {

// Ordered-dither matrices: row y & 3, the value for x is (row >> ((x & 3) * 4)) & 15.
const uint16_t kDither565[4]  = { 0x5140, 0x3726, 0x4051, 0x2637 };
const uint16_t kDither4444[4] = { 0xA280, 0x6E4C, 0x91B3, 0x5D7F };

inline unsigned Dither (const uint16_t matrix[4], int x, int y)
{
    return (matrix[y & 3] >> ((x & 3) * 4)) & 15;
}

struct Rgba { unsigned a, r, g, b; };

// The source pixel as unpremultiplied channels; table colours come premultiplied.
template <int Kind> inline Rgba Fetch (const uint8_t *s, const SkPMColor *ctable)
{
    if (Kind == SkScaledBitmapSampler::kGray) return { 0xFF, s[0], s[0], s[0] };
    if (Kind == SkScaledBitmapSampler::kRGB) return { 0xFF, s[0], s[1], s[2] };
    if (Kind == SkScaledBitmapSampler::kRGBA) return { s[3], s[0], s[1], s[2] };
    SkPMColor c = ctable[s[0]];
    return { SkGetPackedA32 (c), SkGetPackedR32 (c), SkGetPackedG32 (c), SkGetPackedB32 (c) };
}

template <int Kind> bool To8888 (void *dst, const uint8_t *src, int width, int deltaSrc, int, const SkPMColor ctable[])
{
    SkPMColor *d = (SkPMColor *)dst;
    unsigned alphaMask = 0xFF;
    for (int x = 0; x < width; x++, src += deltaSrc) {
        Rgba p = Fetch<Kind> (src, ctable);
        alphaMask &= p.a;
        d[x] = (Kind == SkScaledBitmapSampler::kIndex) ? ctable[src[0]] : SkPreMultiplyARGB (p.a, p.r, p.g, p.b);
    }
    return alphaMask != 0xFF;
}

template <int Kind, bool Dithered> bool To565 (void *dst, const uint8_t *src, int width, int deltaSrc, int y, const SkPMColor ctable[])
{
    uint16_t *d = (uint16_t *)dst;
    for (int x = 0; x < width; x++, src += deltaSrc) {
        if (Kind == SkScaledBitmapSampler::kRGB_565) {
            d[x] = (uint16_t)(src[0] | src[1] << 8);
            continue;
        }
        Rgba p = Fetch<Kind> (src, ctable);
        if (Dithered) {
            unsigned dv = Dither (kDither565, x, y);
            d[x] = SkPackRGB16 ((p.r - (p.r >> 5) + dv) >> 3, (p.g - (p.g >> 6) + (dv >> 1)) >> 2, (p.b - (p.b >> 5) + dv) >> 3);
        } else {
            d[x] = SkPack888ToRGB16 (p.r, p.g, p.b);
        }
    }
    return false;
}

template <int Kind, bool Dithered> bool To4444 (void *dst, const uint8_t *src, int width, int deltaSrc, int y, const SkPMColor ctable[])
{
    uint16_t *d = (uint16_t *)dst;
    unsigned alphaMask = 0xFF;
    for (int x = 0; x < width; x++, src += deltaSrc) {
        Rgba p = Fetch<Kind> (src, ctable);
        if (Kind == SkScaledBitmapSampler::kRGBA) {
            SkPMColor c = SkPreMultiplyARGB (p.a, p.r, p.g, p.b);
            p = { p.a, SkGetPackedR32 (c), SkGetPackedG32 (c), SkGetPackedB32 (c) };
        }
        alphaMask &= p.a;
        unsigned a4 = p.a >> 4, r4 = p.r >> 4, g4 = p.g >> 4, b4 = p.b >> 4;
        if (Dithered) {
            unsigned dv = Dither (kDither4444, x, y);
            if (p.a != 0xFF) {
                dv = dv * (p.a + 1) >> 8;
                a4 = (p.a - (p.a >> 4) + 15) >> 4;
            }
            r4 = (p.r - (p.r >> 4) + dv) >> 4;
            g4 = (p.g - (p.g >> 4) + dv) >> 4;
            b4 = (p.b - (p.b >> 4) + dv) >> 4;
        }
        d[x] = (uint16_t)(r4 << 12 | g4 << 8 | b4 << 4 | a4);
    }
    return alphaMask != 0xFF;
}

bool IndexToIndex (void *dst, const uint8_t *src, int width, int deltaSrc, int, const SkPMColor *)
{
    uint8_t *d = (uint8_t *)dst;
    for (int x = 0; x < width; x++, src += deltaSrc) {
        d[x] = src[0];
    }
    return false;
}

using K = SkScaledBitmapSampler;

// Destination group (8888, 565, 4444, index8) x 10 + source (grey, RGB/RGBX, RGBA,
// index, 565) x 2 + dither.
const K::RowProc kProcs[40] = {
    To8888<K::kGray>, To8888<K::kGray>, To8888<K::kRGB>, To8888<K::kRGB>, To8888<K::kRGBA>, To8888<K::kRGBA>,
    To8888<K::kIndex>, To8888<K::kIndex>, nullptr, nullptr,
    To565<K::kGray, false>, To565<K::kGray, true>, To565<K::kRGB, false>, To565<K::kRGB, true>, nullptr, nullptr,
    To565<K::kIndex, false>, To565<K::kIndex, true>, To565<K::kRGB_565, false>, To565<K::kRGB_565, false>,
    To4444<K::kGray, false>, To4444<K::kGray, true>, To4444<K::kRGB, false>, To4444<K::kRGB, true>,
    To4444<K::kRGBA, false>, To4444<K::kRGBA, true>, To4444<K::kIndex, false>, To4444<K::kIndex, true>, nullptr, nullptr,
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, IndexToIndex, IndexToIndex, nullptr, nullptr,
};

}  // namespace

SkScaledBitmapSampler::SkScaledBitmapSampler ()
    : fScaledWidth (0), fScaledHeight (0), fX0 (0), fY0 (0), fDX (1), fDY (1), fDstRow (nullptr),
      fDstRowBytes (0), fSrcPixelSize (0), fCurrY (0), fRowProc (nullptr), fCTable (nullptr)
{
}

void SkScaledBitmapSampler::begin (int srcWidth, int srcHeight, int sampleSize)
{
    fScaledWidth = srcWidth;
    fScaledHeight = srcHeight;
    fX0 = fY0 = 0;
    fDX = fDY = 1;
    if (sampleSize > 1 && srcWidth > 0 && srcHeight > 0) {
        fDX = sampleSize < srcWidth ? sampleSize : srcWidth;
        fDY = sampleSize < srcHeight ? sampleSize : srcHeight;
        fScaledWidth = srcWidth / fDX;
        fScaledHeight = srcHeight / fDY;
        fX0 = fDX >> 1;
        fY0 = fDY >> 1;
    }
}

bool SkScaledBitmapSampler::setup (SkBitmap *dst, SrcConfig sc, bool doDither, const SkPMColor *ctable)
{
    static const uint8_t kSourceIndex[] = { 0, 6, 2, 2, 4, 8 };
    static const uint8_t kPixelSize[] = { 1, 1, 3, 4, 4, 2 };
    int group;
    switch (dst->config ()) {
        case SkBitmap::kARGB_8888_Config: group = 0; break;
        case SkBitmap::kRGB_565_Config: group = 10; break;
        case SkBitmap::kARGB_4444_Config: group = 20; break;
        case SkBitmap::kIndex8_Config: group = 30; break;
        default: return false;
    }
    fRowProc = kProcs[group + kSourceIndex[sc] + (doDither ? 1 : 0)];
    fSrcPixelSize = kPixelSize[sc];
    fCTable = ctable;
    fDstRow = (uint8_t *)dst->getPixels ();
    fDstRowBytes = dst->rowBytes ();
    fCurrY = 0;
    if (sc == kIndex && ctable == nullptr && group != 30) {
        return false;
    }
    return fRowProc != nullptr && fDstRow != nullptr;
}

bool SkScaledBitmapSampler::next (const uint8_t *srcRow)
{
    if (fCurrY >= fScaledHeight) {
        return false;
    }
    bool hadAlpha = fRowProc (fDstRow, srcRow + fX0 * fSrcPixelSize, fScaledWidth, fDX * fSrcPixelSize, fCurrY, fCTable);
    fDstRow += fDstRowBytes;
    fCurrY++;
    return hadAlpha;
}
