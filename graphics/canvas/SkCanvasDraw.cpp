/*
 * The canvas's draw operations: quick rejects, the draw loop over the paint's looper and
 * the draw filter, and the visit of every layer device of the current level.
 */
#include "graphics/canvas/SkBounder.h"
#include "graphics/canvas/SkCanvas.h"
#include "graphics/canvas/SkCanvasPriv.h"
#include "graphics/paint/SkPaintEffects.h"

#include <Runtime/New.h>

void SkCanvas::updateDeviceCMCache ()
{
    if (!fDeviceCMDirty) {
        return;
    }
    const SkMatrix &totalMatrix = *fMCRec->fMatrix;
    const SkRegion &totalClip = *fMCRec->fRegion;
    DeviceCM *layer = fMCRec->fTopLayer;
    if (layer->fNext == nullptr) {
        layer->updateMC (totalMatrix, totalClip, fClipStack, nullptr);
    } else {
        // Each layer takes what is left of the clip; the area it covers is taken away
        // before the layer below takes its part.
        SkRegion clip (totalClip);
        for (; layer != nullptr; layer = layer->fNext) {
            layer->updateMC (totalMatrix, clip, fClipStack, &clip);
        }
    }
    fDeviceCMDirty = false;
}

SkDrawIter::SkDrawIter (SkCanvas *canvas) : fCanvas (canvas), fPaint (nullptr)
{
    canvas->updateDeviceCMCache ();
    fClipStack = &canvas->fClipStack;
    fBounder = canvas->fBounder;
    fCurrLayer = canvas->fMCRec->fTopLayer;
}

bool SkDrawIter::next ()
{
    while (fCurrLayer != nullptr && fCurrLayer->fClip.isEmpty ()) {
        fCurrLayer = fCurrLayer->fNext;
    }
    if (fCurrLayer == nullptr) {
        return false;
    }
    const SkCanvas::DeviceCM *rec = fCurrLayer;
    fMatrix = rec->fMatrix;
    fClip = &rec->fClip;
    fDevice = rec->fDevice;
    fBitmap = &fDevice->accessBitmap (true);
    fPaint = rec->fPaint;
    if (fBounder != nullptr) {
        fBounder->setClip (fClip);
    }
    if (fCanvas->fLastDeviceToGainFocus != fDevice) {
        fDevice->gainFocus (fCanvas, *fMatrix, *fClip, *fClipStack);
        fCanvas->fLastDeviceToGainFocus = fDevice;
    }
    fCurrLayer = rec->fNext;
    return true;
}

namespace {

// Whether a pass of paint can leave every pixel as it was.
bool draws_nothing (const SkPaint &paint)
{
    SkXfermode *xfer = paint.getXfermode ();
    if (xfer == nullptr) {
        return paint.getAlpha () == 0;
    }
    SkXfermode::Mode mode;
    if (!xfer->asMode (&mode)) {
        return false;
    }
    switch (mode) {
    case SkXfermode::kDst_Mode:
        return true;
    case SkXfermode::kSrcOver_Mode:
    case SkXfermode::kDstOver_Mode:
    case SkXfermode::kDstOut_Mode:
    case SkXfermode::kSrcATop_Mode:
    case SkXfermode::kPlus_Mode:
        return paint.getAlpha () == 0;
    default:
        return false;
    }
}

// The passes of one draw: the paint's looper decides how many and changes a copy of the
// paint for each; the draw filter changes it too.
class AutoDrawLooper : SkNoncopyable {
public:
    AutoDrawLooper (SkCanvas *canvas, const SkPaint &paint)
        : fCanvas (canvas), fOrigPaint (paint), fPaint (&paint), fLazy (nullptr), fLooper (paint.getLooper ()),
          fFilter (canvas->getDrawFilter ()), fDone (false)
    {
        if (fLooper != nullptr) {
            fLooper->init (canvas, paint);
        }
    }
    ~AutoDrawLooper ()
    {
        if (fLazy != nullptr) fLazy->~SkPaint ();
    }
    const SkPaint &paint () const { return *fPaint; }
    bool next (SkDrawFilter::Type type);

private:
    SkCanvas *fCanvas;
    const SkPaint &fOrigPaint;
    const SkPaint *fPaint;
    SkPaint *fLazy;
    SkDrawLooper *fLooper;
    SkDrawFilter *fFilter;
    bool fDone;
    alignas (SkPaint) uint8_t fStorage[sizeof (SkPaint)];
};

bool AutoDrawLooper::next (SkDrawFilter::Type type)
{
    if (fDone) {
        return false;
    }
    if (fLooper != nullptr || fFilter != nullptr) {
        if (fLazy == nullptr) {
            fLazy = new (fStorage) SkPaint (fOrigPaint);
        } else {
            *fLazy = fOrigPaint;
        }
        if (fLooper != nullptr && !fLooper->next (fCanvas, fLazy)) {
            fDone = true;
            return false;
        }
        if (fFilter != nullptr) {
            fFilter->filter (fLazy, type);
        }
        fPaint = fLazy;
    }
    if (fLooper == nullptr) {
        fDone = true;
        return !draws_nothing (*fPaint);
    }
    return true;
}

} // namespace

template <typename Fn> void SkCanvas::drawLayers (const SkPaint &paint, SkDrawFilter::Type type, Fn draw)
{
    AutoDrawLooper looper (this, paint);
    while (looper.next (type)) {
        SkDrawIter iter (this);
        while (iter.next ()) {
            draw (iter, looper.paint ());
        }
        if (fBounder != nullptr) {
            fBounder->commit ();
        }
    }
}

// --- primitives ----------------------------------------------------------------------------

void SkCanvas::drawPaint (const SkPaint &paint)
{
    drawLayers (paint, SkDrawFilter::kPaint_Type,
                [] (SkDrawIter &iter, const SkPaint &p) { iter.fDevice->drawPaint (iter, p); });
}

void SkCanvas::drawPoints (PointMode mode, size_t count, const SkPoint pts[], const SkPaint &paint)
{
    if ((ptrdiff_t)count <= 0) {
        return;
    }
    drawLayers (paint, SkDrawFilter::kPoint_Type, [&] (SkDrawIter &iter, const SkPaint &p) {
        iter.fDevice->drawPoints (iter, (SkDraw::PointMode)mode, count, pts, p);
    });
}

void SkCanvas::drawLine (SkScalar x0, SkScalar y0, SkScalar x1, SkScalar y1, const SkPaint &paint)
{
    SkPoint pts[2] = { { x0, y0 }, { x1, y1 } };
    drawPoints (kLines_PointMode, 2, pts, paint);
}

void SkCanvas::drawRect (const SkRect &rect, const SkPaint &paint)
{
    if (paint.canComputeFastBounds ()) {
        SkRect storage;
        if (quickReject (paint.computeFastBounds (rect, &storage), paint.isAntiAlias () ? kAA_EdgeType : kBW_EdgeType)) {
            return;
        }
    }
    drawLayers (paint, SkDrawFilter::kRect_Type,
                [&] (SkDrawIter &iter, const SkPaint &p) { iter.fDevice->drawRect (iter, rect, p); });
}

void SkCanvas::drawPath (const SkPath &path, const SkPaint &paint)
{
    if (!path.isInverseFillType () && paint.canComputeFastBounds ()) {
        SkRect storage;
        const SkRect &bounds = paint.computeFastBounds (path.getBounds (), &storage);
        if (quickReject (bounds, paint.isAntiAlias () ? kAA_EdgeType : kBW_EdgeType)) {
            return;
        }
    }
    if (path.isEmpty ()) {
        if (path.isInverseFillType ()) {
            drawPaint (paint);     // everything is outside an empty path
        }
        return;
    }
    drawLayers (paint, SkDrawFilter::kPath_Type,
                [&] (SkDrawIter &iter, const SkPaint &p) { iter.fDevice->drawPath (iter, path, p, nullptr, false); });
}

void SkCanvas::drawRoundRect (const SkRect &rect, SkScalar rx, SkScalar ry, const SkPaint &paint)
{
    // Negative radii would bulge the corners outwards: only positive ones round them.
    if (!(rx > 0 && ry > 0)) {
        drawRect (rect, paint);
        return;
    }
    if (paint.canComputeFastBounds ()) {
        SkRect storage;
        if (quickReject (paint.computeFastBounds (rect, &storage), paint.isAntiAlias () ? kAA_EdgeType : kBW_EdgeType)) {
            return;
        }
    }
    SkPath path;
    path.addRoundRect (rect, rx, ry);
    drawPath (path, paint);
}

// --- bitmaps, sprites and layers --------------------------------------------------------------

namespace {

const int kMaxBitmapSide = 32767;

bool bitmap_size_ok (const SkBitmap &bitmap)
{
    return bitmap.width () >= 1 && bitmap.height () >= 1 && bitmap.width () <= kMaxBitmapSide &&
           bitmap.height () <= kMaxBitmapSide;
}

} // namespace

void SkCanvas::commonDrawBitmap (const SkBitmap &bitmap, const SkIRect *src, const SkMatrix &matrix,
                                 const SkPaint &paint)
{
    drawLayers (paint, SkDrawFilter::kBitmap_Type, [&] (SkDrawIter &iter, const SkPaint &p) {
        iter.fDevice->drawBitmap (iter, bitmap, src, matrix, p);
    });
}

void SkCanvas::internalDrawBitmap (const SkBitmap &bitmap, const SkIRect *src, const SkMatrix &matrix,
                                   const SkPaint *paint)
{
    if (!bitmap_size_ok (bitmap)) {
        return;
    }
    SkPaint defaultPaint;
    commonDrawBitmap (bitmap, src, matrix, paint != nullptr ? *paint : defaultPaint);
}

void SkCanvas::drawBitmap (const SkBitmap &bitmap, SkScalar x, SkScalar y, const SkPaint *paint)
{
    if (paint == nullptr || paint->getMaskFilter () == nullptr) {
        SkRect bounds = SkRect::MakeXYWH (x, y, (SkScalar)bitmap.width (), (SkScalar)bitmap.height ());
        if (quickReject (bounds, paint != nullptr && paint->isAntiAlias () ? kAA_EdgeType : kBW_EdgeType)) {
            return;
        }
    }
    SkMatrix matrix;
    matrix.setTranslate (x, y);
    internalDrawBitmap (bitmap, nullptr, matrix, paint);
}

void SkCanvas::drawBitmapMatrix (const SkBitmap &bitmap, const SkMatrix &matrix, const SkPaint *paint)
{
    internalDrawBitmap (bitmap, nullptr, matrix, paint);
}

void SkCanvas::drawBitmapRect (const SkBitmap &bitmap, const SkIRect *src, const SkRect &dst, const SkPaint *paint)
{
    if (bitmap.width () == 0 || bitmap.height () == 0 || dst.isEmpty ()) {
        return;
    }
    if (quickReject (dst, paint != nullptr && paint->isAntiAlias () ? kAA_EdgeType : kBW_EdgeType)) {
        return;
    }
    SkIRect bitmapBounds = SkIRect::MakeWH (bitmap.width (), bitmap.height ());
    SkIRect tmpSrc;
    SkRect srcRect;
    if (src != nullptr) {
        tmpSrc = *src;
        // The source's top-left corner becomes the subset's origin.
        if (tmpSrc.fLeft > 0) { tmpSrc.fRight -= tmpSrc.fLeft; tmpSrc.fLeft = 0; }
        if (tmpSrc.fTop > 0) { tmpSrc.fBottom -= tmpSrc.fTop; tmpSrc.fTop = 0; }
        srcRect = SkRect::Make (tmpSrc);
    } else {
        srcRect = SkRect::Make (bitmapBounds);
    }
    SkMatrix matrix;
    matrix.setRectToRect (srcRect, dst);
    if (src == nullptr) {
        internalDrawBitmap (bitmap, nullptr, matrix, paint);
        return;
    }
    SkIRect subset = *src;
    if (!subset.intersect (bitmapBounds)) {
        return;
    }
    internalDrawBitmap (bitmap, &subset, matrix, paint);
}

namespace {

// The two inner division lines between the fixed ends start and end: the fixed parts keep
// their size while they fit, and shrink in proportion when they do not.
void nine_divisions (SkScalar dstStart, SkScalar dstEnd, int lo, int hi, int size, SkScalar out[4])
{
    out[0] = dstStart;
    out[1] = dstStart + lo;
    out[2] = dstEnd - (size - hi);
    out[3] = dstEnd;
    if (out[1] > out[2]) {
        SkScalar denom = (SkScalar)(lo - hi + size);
        out[1] = out[2] = denom > 0 ? dstStart + (dstEnd - dstStart) * lo / denom : dstStart;
    }
}

} // namespace

void SkCanvas::drawBitmapNine (const SkBitmap &bitmap, const SkIRect &center, const SkRect &dst, const SkPaint *paint)
{
    int w = bitmap.width (), h = bitmap.height ();
    int left = SkMax32 (center.fLeft, 0), top = SkMax32 (center.fTop, 0);
    int right = SkMax32 (left, SkMin32 (center.fRight, w)), bottom = SkMax32 (top, SkMin32 (center.fBottom, h));
    int srcX[4] = { 0, left, right, w };
    int srcY[4] = { 0, top, bottom, h };
    SkScalar dstX[4], dstY[4];
    nine_divisions (dst.fLeft, dst.fRight, left, right, w, dstX);
    nine_divisions (dst.fTop, dst.fBottom, top, bottom, h, dstY);
    for (int y = 0; y < 3; y++) {
        for (int x = 0; x < 3; x++) {
            SkIRect s = SkIRect::MakeLTRB (srcX[x], srcY[y], srcX[x + 1], srcY[y + 1]);
            SkRect d = SkRect::MakeLTRB (dstX[x], dstY[y], dstX[x + 1], dstY[y + 1]);
            drawBitmapRect (bitmap, &s, d, paint);
        }
    }
}

void SkCanvas::drawSprite (const SkBitmap &bitmap, int x, int y, const SkPaint *paint)
{
    if (!bitmap_size_ok (bitmap)) {
        return;
    }
    SkPaint defaultPaint;
    drawLayers (paint != nullptr ? *paint : defaultPaint, SkDrawFilter::kBitmap_Type,
                [&] (SkDrawIter &iter, const SkPaint &p) {
                    iter.fDevice->drawSprite (iter, bitmap, x - iter.originX (), y - iter.originY (), p);
                });
}

void SkCanvas::drawDevice (SkDevice *device, int x, int y, const SkPaint *paint)
{
    SkPaint defaultPaint;
    defaultPaint.setDither (true);
    drawLayers (paint != nullptr ? *paint : defaultPaint, SkDrawFilter::kBitmap_Type,
                [&] (SkDrawIter &iter, const SkPaint &p) {
                    iter.fDevice->drawDevice (iter, device, x - iter.originX (), y - iter.originY (), p);
                });
}

// --- text ----------------------------------------------------------------------------------

namespace {

// Calls draw with p, or with a copy whose text flags and hinting the device changed.
template <typename Fn> void with_device_text_flags (SkDevice *device, const SkPaint &p, Fn draw)
{
    uint32_t flags;
    SkPaint::Hinting hinting;
    if (!device->filterTextFlags (p, &flags, &hinting)) {
        draw (p);
        return;
    }
    SkPaint filtered (p);
    filtered.setFlags (flags);
    filtered.setHinting (hinting);
    draw (filtered);
}

} // namespace

void SkCanvas::drawText (const void *text, size_t byteLength, SkScalar x, SkScalar y, const SkPaint &paint)
{
    drawLayers (paint, SkDrawFilter::kText_Type, [&] (SkDrawIter &iter, const SkPaint &p) {
        with_device_text_flags (iter.fDevice, p, [&] (const SkPaint &q) {
            iter.fDevice->drawText (iter, text, byteLength, x, y, q);
        });
    });
    drawTextDecorations (text, byteLength, x, y, paint);
}

void SkCanvas::drawPosText (const void *text, size_t byteLength, const SkPoint pos[], const SkPaint &paint)
{
    drawLayers (paint, SkDrawFilter::kText_Type, [&] (SkDrawIter &iter, const SkPaint &p) {
        with_device_text_flags (iter.fDevice, p, [&] (const SkPaint &q) {
            iter.fDevice->drawPosText (iter, text, byteLength, &pos[0].fX, 0, 2, q);
        });
    });
}

void SkCanvas::drawPosTextH (const void *text, size_t byteLength, const SkScalar xpos[], SkScalar constY,
                             const SkPaint &paint)
{
    drawLayers (paint, SkDrawFilter::kText_Type, [&] (SkDrawIter &iter, const SkPaint &p) {
        with_device_text_flags (iter.fDevice, p, [&] (const SkPaint &q) {
            iter.fDevice->drawPosText (iter, text, byteLength, xpos, constY, 1, q);
        });
    });
}

// Underline and strike-through: bars of a 18th of the text size, under the baseline by a
// ninth of it and above it by two sevenths, as wide as the text measures.
void SkCanvas::drawTextDecorations (const void *text, size_t byteLength, SkScalar x, SkScalar y,
                                    const SkPaint &paint)
{
    uint32_t decorations = paint.getFlags () & (SkPaint::kUnderlineText_Flag | SkPaint::kStrikeThruText_Flag);
    if (text == nullptr || decorations == 0 || getTotalClip ().isEmpty ()
        || (paint.getAlpha () == 0 && paint.getXfermode () == nullptr)) {
        return;
    }
    SkPaint fill (paint);
    fill.setStyle (SkPaint::kFill_Style);
    SkScalar width = fill.measureText (text, byteLength);
    SkScalar size = paint.getTextSize ();
    SkScalar start = x;
    if (paint.getTextAlign () == SkPaint::kCenter_Align) {
        start -= width / 2;
    } else if (paint.getTextAlign () == SkPaint::kRight_Align) {
        start -= width;
    }
    SkScalar thickness = size / 18;
    SkPaint bar (paint);
    if (bar.getStyle () != SkPaint::kFill_Style) {
        bar.setStrokeWidth (bar.getStrokeWidth () * size);
    }
    SkScalar tops[2] = { y + size / 9, y - size * 2 / 7 };
    uint32_t flags[2] = { SkPaint::kUnderlineText_Flag, SkPaint::kStrikeThruText_Flag };
    for (int i = 0; i < 2; i++) {
        if ((decorations & flags[i]) == 0) {
            continue;
        }
        SkRect r = SkRect::MakeLTRB (start, tops[i], start + width, tops[i] + thickness);
        drawLayers (bar, SkDrawFilter::kText_Type,
                    [&] (SkDrawIter &iter, const SkPaint &p) { iter.fDevice->drawRect (iter, r, p); });
    }
}
