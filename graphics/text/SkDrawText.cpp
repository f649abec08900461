/*
 * Text drawn by the draw engine: each glyph's image from the glyph cache, blitted as a mask
 * at the glyph's place through the clip.
 */
#include "graphics/canvas/SkDraw.h"
#include "graphics/canvas/SkDrawPriv.h"
#include "graphics/text/SkGlyphCache.h"
#include "graphics/text/SkGlyphProcs.h"

namespace {

// The 16.16 advance of the text with the full-metrics glyphs and device kerning (64-bit:
// long lines pass 16.16's reach).
void measure_advance (SkGlyphCache *cache, SkMeasureCacheProc proc, const char *text, const char *stop,
                      int64_t *x, int64_t *y)
{
    int64_t ax = 0, ay = 0;
    int prevRsb = 0;
    bool first = true;
    while (text < stop) {
        const SkGlyph &glyph = proc (cache, &text, stop);
        if (!first) {
            ax += (int64_t)((glyph.fLsbDelta - prevRsb + 32) >> 6) * 65536;
        }
        first = false;
        prevRsb = glyph.fRsbDelta;
        ax += glyph.fAdvanceX;
        ay += glyph.fAdvanceY;
    }
    *x = ax;
    *y = ay;
}

SkFixed pin_fixed (int64_t v)
{
    return v > INT32_MAX ? INT32_MAX : v < -INT32_MAX ? -INT32_MAX : (SkFixed)v;
}

// Draws one glyph with its origin at (x, y) in 16.16 device coordinates.
struct GlyphDrawer {
    const SkRegion *fClip;
    SkBlitter *fBlitter;
    SkBounder *fBounder;
    SkGlyphCache *fCache;

    void draw (const SkGlyph &glyph, SkFixed x, SkFixed y) const
    {
        int left = (x >> 16) + glyph.fLeft, top = (y >> 16) + glyph.fTop;
        SkIRect bounds = SkIRect::MakeXYWH (left, top, glyph.fWidth, glyph.fHeight);
        const SkIRect &clipBounds = fClip->getBounds ();
        if (!SkIRect::Intersects (bounds, clipBounds)) {
            return;     // outside: its image is never made
        }
        if (fBounder != nullptr) {
            SkBounder::GlyphRec rec = { x, y, pin_fixed ((int64_t)x + glyph.fAdvanceX),
                                        pin_fixed ((int64_t)y + glyph.fAdvanceY), glyph.getGlyphID () };
            if (!fBounder->doIRectGlyph (bounds, rec)) {
                return;
            }
        }
        const void *image = fCache->findImage (glyph);
        if (image == nullptr) {
            return;
        }
        SkMask mask;
        glyph.toMask (&mask);
        mask.fBounds = bounds;
        if (fClip->isRect ()) {
            SkIRect clipped = bounds;
            if (clipped.intersect (clipBounds)) {
                fBlitter->blitMask (mask, clipped);
            }
            return;
        }
        for (SkRegion::Cliperator iter (*fClip, bounds); !iter.done (); iter.next ()) {
            fBlitter->blitMask (mask, iter.rect ());
        }
    }
};

} // namespace

void SkDraw::drawText (const char *text, size_t byteLength, SkScalar x, SkScalar y, const SkPaint &paint) const
{
    if (text == nullptr || byteLength == 0 || fClip->isEmpty ()) {
        return;
    }
    bool subpixel = (paint.getFlags () & SkPaint::kSubpixelText_Flag) != 0;
    SkDrawCacheProc glyphProc = SkGetDrawCacheProc (paint.getTextEncoding (), subpixel);
    SkAutoGlyphCache autoCache (paint.detachCache (fMatrix));
    SkGlyphCache *cache = autoCache.get ();
    if (cache == nullptr) {
        return;
    }
    const char *stop = text + byteLength;
    SkPoint start;
    fMatrix->mapXY (x, y, &start);
    if (paint.getTextAlign () != SkPaint::kLeft_Align) {
        int64_t ax, ay;
        measure_advance (cache, SkGetMeasureCacheProc (paint.getTextEncoding (), true), text, stop, &ax, &ay);
        if (paint.getTextAlign () == SkPaint::kCenter_Align) {
            ax >>= 1;
            ay >>= 1;
        }
        start.fX -= (SkScalar)((double)ax / 65536.0);
        start.fY -= (SkScalar)((double)ay / 65536.0);
    }
    // Pen positions are 16.16: a start beyond its reach is beyond every device too.
    const SkScalar kReach = 32767;
    if (!(start.fX > -kReach && start.fX < kReach && start.fY > -kReach && start.fY < kReach)) {
        return;
    }
    int64_t fx = SkFloatToFixed (start.fX), fy = SkFloatToFixed (start.fY);
    if (subpixel) {
        if (fMatrix->getSkewY () == 0) {
            fy &= ~0xFFFF;
        } else if (fMatrix->getScaleX () == 0) {
            fx &= ~0xFFFF;
        }
    }
    fx += 0x8000;
    fy += 0x8000;
    SkAutoBlitterChoose blitter (*fBitmap, *fMatrix, paint);
    if (blitter.get () == nullptr) {
        return;
    }
    GlyphDrawer drawer = { fClip, blitter.get (), fBounder, cache };
    int prevRsb = 0;
    bool first = true;
    while (text < stop && fx > -INT32_MAX && fx < INT32_MAX && fy > -INT32_MAX && fy < INT32_MAX) {
        const SkGlyph &glyph = glyphProc (cache, &text, stop, (SkFixed)fx, (SkFixed)fy);
        if (!first) {
            fx += (int64_t)((glyph.fLsbDelta - prevRsb + 32) >> 6) * 65536;
        }
        first = false;
        prevRsb = glyph.fRsbDelta;
        if (fx <= -INT32_MAX || fx >= INT32_MAX || fy <= -INT32_MAX || fy >= INT32_MAX) {
            break;      // the pen has left 16.16's reach, and every device with it
        }
        if (glyph.fWidth != 0) {
            drawer.draw (glyph, (SkFixed)fx, (SkFixed)fy);
        }
        fx += glyph.fAdvanceX;
        fy += glyph.fAdvanceY;
    }
}
