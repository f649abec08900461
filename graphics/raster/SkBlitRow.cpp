/*
 * Plain forms of the row procedures, the tables that hand out the form SkGetProcForm names,
 * and the premultiply functions. The plain forms are the reference: each pixel is exactly the
 * one-pixel formula, and the SSE2 forms in SkBlitRow_sse2.cpp must give the same bits.
 */
#include "graphics/raster/SkBlitRow.h"

#include <string.h>

#include "graphics/raster/SkBlitRowPriv.h"
#include "graphics/core/SkColorPriv.h"
#include "graphics/core/SkMath.h"
#include "graphics/core/SkUtils.h"

namespace SkBlitRowPlain {

void blitRowOpaque32 (uint32_t *dst, const uint32_t *src, int count, unsigned)
{
    if (count > 0) memmove (dst, src, (size_t)count * 4);
}

void blitRowBlend32 (uint32_t *dst, const uint32_t *src, int count, unsigned alpha)
{
    unsigned srcScale = alpha + 1, dstScale = 255 - alpha;
    for (int i = 0; i < count; i++) dst[i] = SkAlphaMulQ (src[i], srcScale) + SkAlphaMulQ (dst[i], dstScale);
}

void blitRowSrcAlpha32 (uint32_t *dst, const uint32_t *src, int count, unsigned)
{
    for (int i = 0; i < count; i++) dst[i] = src[i] + SkAlphaMulQ (dst[i], 256 - SkGetPackedA32 (src[i]));
}

void blitRowSrcAlphaBlend32 (uint32_t *dst, const uint32_t *src, int count, unsigned alpha)
{
    unsigned s = alpha + 1;
    for (int i = 0; i < count; i++) {
        uint32_t sc = SkAlphaMulQ (src[i], s);      // its alpha is (src.a * s) >> 8
        dst[i] = sc + SkAlphaMulQ (dst[i], 256 - SkGetPackedA32 (sc));
    }
}

void color32 (uint32_t *dst, const uint32_t *src, int count, uint32_t color)
{
    // The destination keeps 255 - alpha of itself (not 256 - alpha): an opaque pixel under a
    // translucent fill ends with alpha 254. Stored images depend on these bits.
    unsigned scale = 255 - SkGetPackedA32 (color);
    for (int i = 0; i < count; i++) dst[i] = color + SkAlphaMulQ (src[i], scale);
}

void colorA8MaskRow (uint32_t *dst, const uint8_t *mask, int count, uint32_t pmColor)
{
    for (int i = 0; i < count; i++) {
        uint32_t sc = SkAlphaMulQ (pmColor, (unsigned)mask[i] + 1);
        dst[i] = sc + SkAlphaMulQ (dst[i], 256 - SkGetPackedA32 (sc));
    }
}

void colorA8MaskBlackRow (uint32_t *dst, const uint8_t *mask, int count)
{
    for (int i = 0; i < count; i++) {
        unsigned m = mask[i];
        dst[i] = SkAlphaMulQ (dst[i], 256 - m) + (m << 24);
    }
}

} // namespace SkBlitRowPlain

namespace {

// The procedures of one form; the copy has no vector form, being a memory copy already.
struct RowForm {
    SkBlitRow::Proc procs[4];
    void (*color32) (uint32_t *dst, const uint32_t *src, int count, uint32_t color);
    void (*maskRow) (uint32_t *dst, const uint8_t *mask, int count, uint32_t pmColor);
    void (*maskBlackRow) (uint32_t *dst, const uint8_t *mask, int count);
};

const RowForm kPlainForm = {
    { SkBlitRowPlain::blitRowOpaque32, SkBlitRowPlain::blitRowBlend32, SkBlitRowPlain::blitRowSrcAlpha32,
      SkBlitRowPlain::blitRowSrcAlphaBlend32 },
    SkBlitRowPlain::color32,
    SkBlitRowPlain::colorA8MaskRow,
    SkBlitRowPlain::colorA8MaskBlackRow,
};

#if SK_PROCS_HAVE_VECTOR
const RowForm kVectorForm = {
    { SkBlitRowPlain::blitRowOpaque32, SkBlitRowSSE2::blitRowBlend32, SkBlitRowSSE2::blitRowSrcAlpha32,
      SkBlitRowSSE2::blitRowSrcAlphaBlend32 },
    SkBlitRowSSE2::color32,
    SkBlitRowSSE2::colorA8MaskRow,
    SkBlitRowSSE2::colorA8MaskBlackRow,
};
#endif

const RowForm &row_form ()
{
#if SK_PROCS_HAVE_VECTOR
    if (SkGetProcForm () == kVector_SkProcForm) return kVectorForm;
#endif
    return kPlainForm;
}

} // namespace

SkBlitRow::Proc SkBlitRow::Factory32 (unsigned flags)
{
    return row_form ().procs[flags & 3];
}

void SkBlitRow::Color32 (uint32_t *dst, const uint32_t *src, int count, uint32_t color)
{
    if (count <= 0) return;
    if (color == 0) {
        if (src != dst) memmove (dst, src, (size_t)count * 4);
        return;
    }
    if (SkGetPackedA32 (color) == 255) {
        sk_memset32 (dst, color, count);       // the blend would give color exactly
        return;
    }
    row_form ().color32 (dst, src, count, color);
}

void SkBlitColorA8Mask (void *dst, size_t dstRB, int, const uint8_t *mask, size_t maskRB,
                        uint32_t color, int width, int height)
{
    uint32_t pmColor = SkPreMultiplyColor (color);
    uint8_t *row = (uint8_t *)dst;
    auto proc = row_form ().maskRow;
    for (int y = 0; y < height; y++, row += dstRB, mask += maskRB) proc ((uint32_t *)row, mask, width, pmColor);
}

void SkBlitColorA8MaskBlack (void *dst, size_t dstRB, int, const uint8_t *mask, size_t maskRB,
                             uint32_t, int width, int height)
{
    uint8_t *row = (uint8_t *)dst;
    auto proc = row_form ().maskBlackRow;
    for (int y = 0; y < height; y++, row += dstRB, mask += maskRB) proc ((uint32_t *)row, mask, width);
}

uint32_t SkPreMultiplyARGB (unsigned a, unsigned r, unsigned g, unsigned b)
{
    if (a != 255) {
        r = SkMulDiv255Round (a, r);
        g = SkMulDiv255Round (a, g);
        b = SkMulDiv255Round (a, b);
    }
    return SkPackARGB32 (a, r, g, b);
}

uint32_t SkPreMultiplyColor (uint32_t c)
{
    return SkPreMultiplyARGB (c >> 24, (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
}
