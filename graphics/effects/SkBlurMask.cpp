/*
 * The box blur of A8 masks through summed-area tables: each pass costs the same few table
 * reads per pixel whatever the radius. A fractional radius weighs the outermost ring of the
 * box less, through a second, smaller box. Three passes approach a Gaussian.
 */
#include <math.h>

#include "graphics/core/SkMath.h"
#include "graphics/effects/SkBlurMaskFilter.h"

namespace {

// Masks above this many pixels (or sides above 2^15) are refused.
const int64_t kMaxPixels = 1 << 26;

struct Box {
    int fR;                 // the half size of the outer box
    uint32_t fOuterScale;   // 2^24 / (2R + 1)^2, scaled by the outer weight
    uint32_t fInnerScale;   // the rest for the (2R - 1)^2 box; 0 for a whole radius
};

// The summed-area table of a w × h image: (w + 1) × (h + 1) sums with a zero first row and
// column. Sums are kept modulo 2^32: the box sums taken from them are small and come out right.
uint32_t *summed_area (const uint8_t *image, int w, int h, size_t rowBytes)
{
    size_t stride = (size_t)w + 1;
    uint32_t *sat = (uint32_t *)sk_calloc (stride * ((size_t)h + 1) * sizeof (uint32_t));
    if (sat == nullptr) return nullptr;
    for (int y = 0; y < h; y++) {
        uint32_t rowSum = 0;
        const uint8_t *row = image + (size_t)y * rowBytes;
        uint32_t *above = sat + (size_t)y * stride, *here = above + stride;
        for (int x = 0; x < w; x++) {
            rowSum += row[x];
            here[x + 1] = above[x + 1] + rowSum;
        }
    }
    return sat;
}

// The sum of the image over columns [x0, x1) and rows [y0, y1), each clamped to the image.
uint32_t box_sum (const uint32_t *sat, int w, int h, int x0, int y0, int x1, int y1)
{
    x0 = SkPin32 (x0, 0, w);
    x1 = SkPin32 (x1, 0, w);
    y0 = SkPin32 (y0, 0, h);
    y1 = SkPin32 (y1, 0, h);
    size_t stride = (size_t)w + 1;
    return sat[(size_t)y1 * stride + x1] - sat[(size_t)y0 * stride + x1] - sat[(size_t)y1 * stride + x0] + sat[(size_t)y0 * stride + x0];
}

// One pass: the w × h image into dst of (w + 2R) × (h + 2R), row bytes w + 2R.
bool blur_pass (const uint8_t *src, int w, int h, size_t srcRB, const Box &box, uint8_t *dst)
{
    uint32_t *sat = summed_area (src, w, h, srcRB);
    if (sat == nullptr) return false;
    int R = box.fR, dw = w + 2 * R, dh = h + 2 * R;
    for (int y = 0; y < dh; y++) {
        uint8_t *out = dst + (size_t)y * dw;
        // Output (x, y) centres its box on source (x - R, y - R).
        for (int x = 0; x < dw; x++) {
            uint64_t sum = (uint64_t)box_sum (sat, w, h, x - 2 * R, y - 2 * R, x + 1, y + 1) * box.fOuterScale;
            if (box.fInnerScale != 0) {
                sum += (uint64_t)box_sum (sat, w, h, x - 2 * R + 1, y - 2 * R + 1, x, y) * box.fInnerScale;
            }
            uint64_t v = sum >> 24;
            out[x] = (uint8_t)(v > 255 ? 255 : v);
        }
    }
    sk_free (sat);
    return true;
}

Box make_box (int R, unsigned weight)
{
    uint32_t outer = (uint32_t)(2 * R + 1) * (uint32_t)(2 * R + 1), inner = (uint32_t)(2 * R - 1) * (uint32_t)(2 * R - 1);
    if (weight == 255) return Box { R, (1u << 24) / outer, 0 };
    unsigned rest = 255 - weight;
    return Box { R, ((weight + (weight >> 7)) << 16) / outer, ((rest + (rest >> 7)) << 16) / inner };
}

unsigned mul_div_255_round (unsigned a, unsigned b) { return SkMulDiv255Round (a, b); }

// The style applied to the blurred image b (dst's bounds) with the source s under it.
void apply_style (SkMask *dst, const SkMask &src, SkBlurMaskFilter::BlurStyle style)
{
    int sw = src.fBounds.width (), sh = src.fBounds.height ();
    int dx = src.fBounds.fLeft - dst->fBounds.fLeft, dy = src.fBounds.fTop - dst->fBounds.fTop;
    for (int y = 0; y < sh; y++) {
        const uint8_t *s = src.fImage + (size_t)y * src.fRowBytes;
        uint8_t *b = dst->fImage + (size_t)(y + dy) * dst->fRowBytes + dx;
        for (int x = 0; x < sw; x++) {
            unsigned sv = s[x], bv = b[x];
            if (style == SkBlurMaskFilter::kSolid_BlurStyle) {
                b[x] = (uint8_t)(bv + sv - mul_div_255_round (sv, bv));
            } else if (sv != 0) {
                b[x] = (uint8_t)(((256 - sv) * bv) >> 8);
            }
        }
    }
}

// Inner: only the blur inside the shape, on the source's own bounds and row bytes.
bool apply_inner (SkMask *dst, const SkMask &src)
{
    int sw = src.fBounds.width (), sh = src.fBounds.height ();
    uint8_t *image = (uint8_t *)sk_malloc ((size_t)src.fRowBytes * (size_t)sh + 1);
    if (image == nullptr) return false;
    int dx = src.fBounds.fLeft - dst->fBounds.fLeft, dy = src.fBounds.fTop - dst->fBounds.fTop;
    for (int y = 0; y < sh; y++) {
        const uint8_t *s = src.fImage + (size_t)y * src.fRowBytes;
        const uint8_t *b = dst->fImage + (size_t)(y + dy) * dst->fRowBytes + dx;
        uint8_t *out = image + (size_t)y * src.fRowBytes;
        for (int x = 0; x < sw; x++) out[x] = (uint8_t)(((s[x] + 1) * b[x]) >> 8);
    }
    sk_free (dst->fImage);
    dst->fImage = image;
    dst->fBounds = src.fBounds;
    dst->fRowBytes = src.fRowBytes;
    return true;
}

// The passes, each growing the image by R on every side, into dst's image.
bool run_passes (SkMask *dst, const SkMask &src, const Box &box, int passes)
{
    int w = src.fBounds.width (), h = src.fBounds.height ();
    const uint8_t *in = src.fImage;
    size_t inRB = src.fRowBytes;
    uint8_t *previous = nullptr;
    for (int pass = 0; pass < passes; pass++) {
        int ow = w + 2 * box.fR, oh = h + 2 * box.fR;
        uint8_t *out = pass == passes - 1 ? dst->fImage : (uint8_t *)sk_malloc ((size_t)ow * (size_t)oh);
        bool ok = out != nullptr && blur_pass (in, w, h, inRB, box, out);
        sk_free (previous);
        if (!ok) {
            if (out != dst->fImage) sk_free (out);
            return false;
        }
        previous = out == dst->fImage ? nullptr : out;
        in = out;
        inRB = (size_t)ow;
        w = ow;
        h = oh;
    }
    return true;
}

} // namespace

bool SkBlurMask::Blur (SkMask *dst, const SkMask &src, SkScalar radius, SkBlurMaskFilter::BlurStyle style, bool highQuality,
                       SkIPoint *margin)
{
    if (src.fFormat != SkMask::kA8_Format || !(radius > 0)) return false;
    int passes = highQuality && radius >= 3.0f ? 3 : 1;
    float r = radius / sqrtf ((float)passes);
    int R = (int)ceilf (r);
    if (R < 1) return false;
    unsigned weight = 255 - (unsigned)floorf ((R - r) * 255 + 0.5f);
    int pad = R * passes;
    if (margin != nullptr) *margin = SkIPoint::Make (pad, pad);
    int64_t dw = (int64_t)src.fBounds.width () + 2 * pad, dh = (int64_t)src.fBounds.height () + 2 * pad;
    if (src.fBounds.width () < 0 || src.fBounds.height () < 0 || dw > 32767 || dh > 32767 || dw * dh > kMaxPixels) return false;
    dst->fBounds = SkIRect::MakeLTRB (src.fBounds.fLeft - pad, src.fBounds.fTop - pad, src.fBounds.fRight + pad, src.fBounds.fBottom + pad);
    dst->fRowBytes = (uint32_t)dw;
    dst->fFormat = SkMask::kA8_Format;
    dst->fImage = nullptr;
    if (src.fImage == nullptr) return true;
    dst->fImage = (uint8_t *)sk_malloc ((size_t)(dw * dh) + 1);
    if (dst->fImage == nullptr || !run_passes (dst, src, make_box (R, weight), passes)) {
        sk_free (dst->fImage);
        dst->fImage = nullptr;
        return false;
    }
    if (style == SkBlurMaskFilter::kInner_BlurStyle) {
        if (apply_inner (dst, src)) return true;
        sk_free (dst->fImage);
        dst->fImage = nullptr;
        return false;
    }
    if (style != SkBlurMaskFilter::kNormal_BlurStyle) apply_style (dst, src, style);
    return true;
}
