/*
 * The default blitter operations (everything in terms of blitH and blitAntiH) and the
 * clipping wrappers.
 */
#include "graphics/raster/SkBlitter.h"

#include "graphics/core/SkUtils.h"

// ---------------------------------------------------------------------------------------------
// Defaults

SkBlitter::~SkBlitter () {}

void SkBlitter::blitH (int, int, int) {}

void SkBlitter::blitAntiH (int, int, SkAlpha[], int16_t[]) {}

void SkBlitter::blitV (int x, int y, int height, SkAlpha alpha)
{
    if (alpha == 255) {
        blitRect (x, y, 1, height);
        return;
    }
    for (int i = 0; i < height; i++) {
        int16_t runs[2] = { 1, 0 };         // refilled per row: the callee may change them
        SkAlpha aa[2] = { alpha, 0 };
        blitAntiH (x, y + i, aa, runs);
    }
}

void SkBlitter::blitRect (int x, int y, int width, int height)
{
    for (int i = 0; i < height; i++) blitH (x, y + i, width);
}

const SkBitmap *SkBlitter::justAnOpaqueColor (uint32_t *) { return nullptr; }

namespace {

// Each maximal run of set bits of a 1-bit row becomes one blitH; the first byte is masked by
// leftMask and the last by rightMask (one byte gets both).
void bits_to_runs (SkBlitter *blitter, int x, int y, const uint8_t bits[], unsigned leftMask, int byteCount,
                   unsigned rightMask)
{
    bool inFill = false;
    int pos = 0;
    for (int i = 0; i < byteCount; i++) {
        unsigned b = bits[i] & leftMask;
        if (i == byteCount - 1) b &= rightMask;
        for (unsigned test = 0x80; test != 0; test >>= 1, x++) {
            if ((b & test) != 0) {
                if (!inFill) pos = x;
                inFill = true;
            } else if (inFill) {
                blitter->blitH (pos, y, x - pos);
                inFill = false;
            }
        }
        leftMask = 0xFF;
    }
    if (inFill) blitter->blitH (pos, y, x - pos);
}

// Only the bytes holding clip columns are read, and bits outside the clip are masked off, so
// padding bits past the mask's width never reach the device.
void blit_bw_mask (SkBlitter *blitter, const SkMask &mask, const SkIRect &clip)
{
    int bitOffset = clip.fLeft - mask.fBounds.fLeft, right = clip.fRight - mask.fBounds.fLeft;
    int firstByte = bitOffset >> 3, lastByte = (right - 1) >> 3;
    unsigned leftMask = 0xFFu >> (bitOffset & 7);
    unsigned rightMask = (0xFFu << (7 - ((right - 1) & 7))) & 0xFF;
    int x = clip.fLeft - (bitOffset & 7);
    for (int y = clip.fTop; y < clip.fBottom; y++) {
        const uint8_t *row = mask.fImage + (size_t)(y - mask.fBounds.fTop) * mask.fRowBytes + firstByte;
        bits_to_runs (blitter, x, y, row, leftMask, lastByte - firstByte + 1, rightMask);
    }
}

} // namespace

void SkBlitter::blitMask (const SkMask &mask, const SkIRect &clip)
{
    if (clip.isEmpty ()) return;
    if (mask.fFormat == SkMask::kBW_Format) {
        blit_bw_mask (this, mask, clip);
        return;
    }
    // Every other format is passed on as one coverage byte per pixel.
    int width = clip.width ();
    SkAutoSTMalloc<int16_t, 64> storage ((size_t)width + 1);
    int16_t *runs = storage.get ();
    if (runs == nullptr) return;
    // The row starts at the mask's own address of (clip.left, y), whatever its pixel size.
    const uint8_t *aa;
    switch (mask.fFormat) {
    case SkMask::kARGB32_Format:
    case SkMask::kLCD32_Format: aa = (const uint8_t *)mask.getAddr32 (clip.fLeft, clip.fTop); break;
    case SkMask::kLCD16_Format: aa = (const uint8_t *)mask.getAddr16 (clip.fLeft, clip.fTop); break;
    default: aa = mask.getAddr8 (clip.fLeft, clip.fTop); break;
    }
    for (int y = clip.fTop; y < clip.fBottom; y++, aa += mask.fRowBytes) {
        sk_memset16 ((uint16_t *)runs, 1, width);   // refilled per row: the callee may change it
        runs[width] = 0;
        blitAntiH (clip.fLeft, y, (SkAlpha *)aa, runs);
    }
}

void SkBlitter::blitRegion (const SkRegion &clip)
{
    for (SkRegion::Iterator it (clip); !it.done (); it.next ()) {
        const SkIRect &r = it.rect ();
        blitRect (r.fLeft, r.fTop, r.width (), r.height ());
    }
}

void SkBlitter::blitRectRegion (const SkIRect &rect, const SkRegion &clip)
{
    for (SkRegion::Cliperator it (clip, rect); !it.done (); it.next ()) {
        const SkIRect &r = it.rect ();
        blitRect (r.fLeft, r.fTop, r.width (), r.height ());
    }
}

// ---------------------------------------------------------------------------------------------
// Rectangle clip

namespace {
int run_width (const int16_t runs[])
{
    int width = 0;
    for (int n; (n = runs[0]) > 0; runs += n) width += n;
    return width;
}
} // namespace

void SkRectClipBlitter::blitH (int x, int y, int width)
{
    if (y < fClipRect.fTop || y >= fClipRect.fBottom) return;
    int left = SkMax32 (x, fClipRect.fLeft), right = SkMin32 (x + width, fClipRect.fRight);
    if (left < right) fBlitter->blitH (left, y, right - left);
}

void SkRectClipBlitter::blitAntiH (int x, int y, SkAlpha aa[], int16_t runs[])
{
    if (y < fClipRect.fTop || y >= fClipRect.fBottom || x >= fClipRect.fRight) return;
    int x0 = x, x1 = x + run_width (runs);
    if (x1 <= fClipRect.fLeft) return;
    if (x0 < fClipRect.fLeft) {
        int dx = fClipRect.fLeft - x0;
        SkAlphaRuns::BreakAt (aa, runs, dx);
        runs += dx;
        aa += dx;
        x0 = fClipRect.fLeft;
    }
    if (x1 > fClipRect.fRight) {
        x1 = fClipRect.fRight;
        SkAlphaRuns::BreakAt (aa, runs, x1 - x0);
        runs[x1 - x0] = 0;
    }
    fBlitter->blitAntiH (x0, y, aa, runs);
}

void SkRectClipBlitter::blitV (int x, int y, int height, SkAlpha alpha)
{
    if (x < fClipRect.fLeft || x >= fClipRect.fRight) return;
    int top = SkMax32 (y, fClipRect.fTop), bottom = SkMin32 (y + height, fClipRect.fBottom);
    if (top < bottom) fBlitter->blitV (x, top, bottom - top, alpha);
}

void SkRectClipBlitter::blitRect (int x, int y, int width, int height)
{
    SkIRect r;
    if (r.intersect (SkIRect::MakeXYWH (x, y, width, height), fClipRect))
        fBlitter->blitRect (r.fLeft, r.fTop, r.width (), r.height ());
}

void SkRectClipBlitter::blitMask (const SkMask &mask, const SkIRect &clip)
{
    SkIRect r;
    if (r.intersect (clip, fClipRect)) fBlitter->blitMask (mask, r);
}

// ---------------------------------------------------------------------------------------------
// Region clip

void SkRegionClipBlitter::blitH (int x, int y, int width)
{
    SkRegion::Spanerator span (*fRgn, y, x, x + width);
    int left, right;
    while (span.next (&left, &right)) fBlitter->blitH (left, y, right - left);
}

// The spans of the region on this row become runs of their own, and the gaps between them
// runs of coverage 0, so the inner blitter sees one run list covering all spans.
void SkRegionClipBlitter::blitAntiH (int x, int y, SkAlpha aa[], int16_t runs[])
{
    int width = run_width (runs);
    SkRegion::Spanerator span (*fRgn, y, x, x + width);
    int left, right, prevRight = x;
    while (span.next (&left, &right)) {
        SkAlphaRuns::Break (runs, aa, left - x, right - left);
        if (left > prevRight) {
            runs[prevRight - x] = (int16_t)(left - prevRight);
            aa[prevRight - x] = 0;
        }
        prevRight = right;
    }
    if (prevRight == x) return;
    runs[prevRight - x] = 0;
    if (x < 0) {
        int skip = runs[0];
        aa += skip;
        runs += skip;
        x += skip;
    }
    fBlitter->blitAntiH (x, y, aa, runs);
}

void SkRegionClipBlitter::blitV (int x, int y, int height, SkAlpha alpha)
{
    for (SkRegion::Cliperator it (*fRgn, SkIRect::MakeLTRB (x, y, x + 1, y + height)); !it.done (); it.next ())
        fBlitter->blitV (x, it.rect ().fTop, it.rect ().height (), alpha);
}

void SkRegionClipBlitter::blitRect (int x, int y, int width, int height)
{
    for (SkRegion::Cliperator it (*fRgn, SkIRect::MakeXYWH (x, y, width, height)); !it.done (); it.next ()) {
        const SkIRect &r = it.rect ();
        fBlitter->blitRect (r.fLeft, r.fTop, r.width (), r.height ());
    }
}

void SkRegionClipBlitter::blitMask (const SkMask &mask, const SkIRect &clip)
{
    for (SkRegion::Cliperator it (*fRgn, clip); !it.done (); it.next ()) fBlitter->blitMask (mask, it.rect ());
}

// ---------------------------------------------------------------------------------------------

SkBlitter *SkBlitterClipper::apply (SkBlitter *blitter, const SkRegion *clip, const SkIRect *bounds)
{
    // No clip means nothing may be drawn, like an empty one.
    if (clip == nullptr || clip->isEmpty ()) return &fNullBlitter;
    const SkIRect &clipBounds = clip->getBounds ();
    if (bounds != nullptr && !SkIRect::Intersects (clipBounds, *bounds)) return &fNullBlitter;
    if (!clip->isRect ()) {
        fRgnBlitter.init (blitter, clip);
        return &fRgnBlitter;
    }
    if (bounds != nullptr && clipBounds.contains (*bounds)) return blitter;
    fRectBlitter.init (blitter, clipBounds);
    return &fRectBlitter;
}
