/*
 * The draw engine's shapes: the whole clip, rectangles and paths; the bounder's checks.
 */
#include "graphics/canvas/SkDraw.h"

#include "graphics/canvas/SkDevice.h"
#include "graphics/canvas/SkDrawPriv.h"
#include "graphics/core/SkColorPriv.h"
#include "graphics/core/SkUtils.h"
#include "graphics/effects/SkMaskFilter.h"
#include "graphics/effects/SkShader.h"
#include "graphics/paint/SkPaintEffects.h"
#include "graphics/raster/SkBlitRow.h"
#include "graphics/raster/SkScan.h"

bool SkBounder::doIRect (const SkIRect &r)
{
    SkIRect clipped;
    return fClip != nullptr && clipped.intersect (r, fClip->getBounds ()) && onIRect (clipped, r);
}

bool SkBounder::doIRectGlyph (const SkIRect &r, const GlyphRec &rec)
{
    SkIRect clipped;
    return fClip != nullptr && clipped.intersect (r, fClip->getBounds ()) && onIRectGlyph (clipped, rec);
}

namespace {

SkScalar pin (SkScalar v)
{
    const SkScalar kLimit = (SkScalar)(1 << 29);
    return v < -kLimit ? -kLimit : (v > kLimit ? kLimit : v);
}

// Limits r to where every clip is left behind and integer conversion stays defined; false
// for a non-finite rectangle.
bool pin_rect (const SkRect &r, SkRect *out)
{
    if (!r.isFinite ()) {
        return false;
    }
    out->set (pin (r.fLeft), pin (r.fTop), pin (r.fRight), pin (r.fBottom));
    return true;
}

bool round_pinned (const SkRect &r, SkIRect *out, bool roundOut)
{
    SkRect pinned;
    if (!pin_rect (r, &pinned)) {
        return false;
    }
    roundOut ? pinned.roundOut (out) : pinned.round (out);
    return true;
}

} // namespace

bool SkDrawRoundOut (const SkRect &r, SkIRect *out) { return round_pinned (r, out, true); }

bool SkDrawRound (const SkRect &r, SkIRect *out) { return round_pinned (r, out, false); }

namespace {

// The paint's transfer mode as a number, source-over when it has none. False for a mode that
// reports no number.
bool paint_mode (const SkPaint &paint, SkXfermode::Mode *mode)
{
    SkXfermode *xfer = paint.getXfermode ();
    if (xfer == nullptr) {
        *mode = SkXfermode::kSrcOver_Mode;
        return true;
    }
    return xfer->asMode (mode);
}

// The value a direct fill writes for paint on config, and its shift (log2 of the pixel
// size); false when no direct fill applies.
bool direct_fill_value (const SkPaint &paint, SkBitmap::Config config, SkXfermode::Mode mode, uint32_t *value,
                        int *shift)
{
    SkPMColor c = SkPreMultiplyColor (paint.getColor ());
    unsigned a = SkGetPackedA32 (c), r = SkGetPackedR32 (c), g = SkGetPackedG32 (c), b = SkGetPackedB32 (c);
    switch (config) {
    case SkBitmap::kA8_Config: *shift = 0; *value = a; break;
    case SkBitmap::kRGB_565_Config: *shift = 1; *value = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3); break;
    case SkBitmap::kARGB_4444_Config:
        *shift = 1;
        *value = ((r >> 4) << 12) | ((g >> 4) << 8) | ((b >> 4) << 4) | (a >> 4);
        break;
    case SkBitmap::kARGB_8888_Config: *shift = 2; *value = c; break;
    default: return false;     // other formats have no byte layout a row fill could use
    }
    if (mode == SkXfermode::kClear_Mode) {
        *value = 0;
    }
    return true;
}

void fill_rows (const SkBitmap &bitmap, const SkIRect &r, uint32_t value, int shift)
{
    uint8_t *row = (uint8_t *)bitmap.getPixels () + (size_t)r.fTop * bitmap.rowBytes () + ((size_t)r.fLeft << shift);
    int width = r.width ();
    for (int y = r.fTop; y < r.fBottom; y++, row += bitmap.rowBytes ()) {
        if (shift == 0) {
            memset (row, (int)value, (size_t)width);
        } else if (shift == 1) {
            sk_memset16 ((uint16_t *)row, (uint16_t)value, width);
        } else {
            sk_memset32 ((uint32_t *)row, value, width);
        }
    }
}

} // namespace

// Clear, source and destination fills of a solid paint write rows without a blitter. True
// when done that way.
bool SkDraw::drawPaintDirect (const SkPaint &paint) const
{
    SkXfermode::Mode mode;
    if (paint.getShader () != nullptr || paint.getColorFilter () != nullptr || !paint_mode (paint, &mode)) {
        return false;
    }
    if (mode == SkXfermode::kSrcOver_Mode) {
        if (paint.getAlpha () == 0) mode = SkXfermode::kDst_Mode;
        else if (paint.getAlpha () == 0xFF) mode = SkXfermode::kSrc_Mode;
    }
    uint32_t value;
    int shift;
    if (mode > SkXfermode::kDst_Mode || !direct_fill_value (paint, fBitmap->config (), mode, &value, &shift)) {
        return false;
    }
    if (mode == SkXfermode::kDst_Mode || fBitmap->getPixels () == nullptr) {
        return true;
    }
    for (SkRegion::Iterator iter (*fClip); !iter.done (); iter.next ()) {
        fill_rows (*fBitmap, iter.rect (), value, shift);
    }
    return true;
}

void SkDraw::drawPaint (const SkPaint &paint) const
{
    if (fClip->isEmpty ()) {
        return;
    }
    SkIRect devRect = SkIRect::MakeWH (fBitmap->width (), fBitmap->height ());
    if (fBounder != nullptr && !fBounder->doIRect (devRect)) {
        return;
    }
    if (drawPaintDirect (paint)) {
        return;
    }
    SkAutoBlitterChoose blitter (*fBitmap, *fMatrix, paint);
    if (blitter.get () != nullptr) {
        SkScan::FillIRect (devRect, fClip, blitter.get ());
    }
}

namespace {

enum RectType { kHair_RectType, kFill_RectType, kStroke_RectType, kPath_RectType };

RectType compute_rect_type (const SkPaint &paint, const SkMatrix &matrix, SkPoint *strokeSize)
{
    SkPaint::Style style = paint.getStyle ();
    SkScalar width = paint.getStrokeWidth ();
    if (style == SkPaint::kStrokeAndFill_Style && width == 0) {
        style = SkPaint::kFill_Style;
    }
    if (paint.getPathEffect () != nullptr || paint.getMaskFilter () != nullptr || paint.getRasterizer () != nullptr ||
        !matrix.rectStaysRect () || style == SkPaint::kStrokeAndFill_Style) {
        return kPath_RectType;
    }
    if (style == SkPaint::kFill_Style) {
        return kFill_RectType;
    }
    if (width == 0) {
        return kHair_RectType;
    }
    // Only a miter long enough for right angles keeps the corners square.
    if (paint.getStrokeJoin () != SkPaint::kMiter_Join || paint.getStrokeMiter () < 1.41421356f) {
        return kPath_RectType;
    }
    SkVector size = SkPoint::Make (width, width);
    matrix.mapVectors (&size, &size, 1);
    strokeSize->set (SkScalarAbs (size.fX), SkScalarAbs (size.fY));
    return kStroke_RectType;
}

} // namespace

// Asks the bounder and tests the clip for a device rectangle of one kind; false skips the draw.
bool SkDraw::rectCanDraw (const SkRect &devRect, const SkPaint &paint, int kind) const
{
    SkIRect ir;
    if (!SkDrawRoundOut (devRect, &ir)) {
        return false;
    }
    if (kind != kFill_RectType) {
        ir.inset (-1, -1);
    }
    if (fBounder != nullptr) {
        SkIRect asked = ir;
        if (kind == kFill_RectType) {
            SkDrawRound (devRect, &asked);
        } else if (paint.isAntiAlias ()) {
            asked.inset (-1, -1);
        }
        if (!fBounder->doIRect (asked)) {
            return false;
        }
    }
    return SkIRect::Intersects (ir, fClip->getBounds ());
}

void SkDraw::drawRect (const SkRect &rect, const SkPaint &paint) const
{
    if (fClip->isEmpty ()) {
        return;
    }
    SkPoint strokeSize = SkPoint::Make (0, 0);
    RectType type = compute_rect_type (paint, *fMatrix, &strokeSize);
    if (type == kPath_RectType) {
        SkPath tmp;
        tmp.addRect (rect);
        tmp.setFillType (SkPath::kWinding_FillType);
        drawPath (tmp, paint, nullptr, true);
        return;
    }
    SkPoint corners[2] = { { rect.fLeft, rect.fTop }, { rect.fRight, rect.fBottom } };
    fMatrix->mapPoints (corners, 2);
    SkRect devRect;
    devRect.set (corners[0], corners[1]);
    devRect.sort ();
    if (!rectCanDraw (devRect, paint, type)) {
        return;
    }
    SkAutoBlitterChoose autoBlitter (*fBitmap, *fMatrix, paint);
    SkBlitter *blitter = autoBlitter.get ();
    if (blitter == nullptr) {
        return;
    }
    bool aa = paint.isAntiAlias ();
    if (type == kFill_RectType) {
        aa ? SkScan::AntiFillRect (devRect, fClip, blitter) : SkScan::FillRect (devRect, fClip, blitter);
    } else if (type == kStroke_RectType) {
        aa ? SkScan::AntiFrameRect (devRect, strokeSize, fClip, blitter)
           : SkScan::FrameRect (devRect, strokeSize, fClip, blitter);
    } else {
        aa ? SkScan::AntiHairRect (devRect, fClip, blitter) : SkScan::HairRect (devRect, fClip, blitter);
    }
}

namespace {

// Whether a transfer mode lets coverage stand in for alpha: its destination term keeps the
// destination where the source is transparent.
bool mode_takes_coverage_as_alpha (SkXfermode *xfer)
{
    if (xfer == nullptr) {
        return true;
    }
    SkXfermode::Coeff src, dst;
    if (!xfer->asCoeff (&src, &dst)) {
        return false;
    }
    return dst == SkXfermode::kOne_Coeff || dst == SkXfermode::kISC_Coeff || dst == SkXfermode::kISA_Coeff;
}

SkScalar fast_length (const SkVector &v)
{
    SkScalar x = SkScalarAbs (v.fX), y = SkScalarAbs (v.fY);
    return x > y ? x + y * 0.5f : y + x * 0.5f;
}

} // namespace

bool SkDrawTreatAsHairline (const SkPaint &paint, const SkMatrix &matrix, unsigned *alpha)
{
    if (paint.getStyle () != SkPaint::kStroke_Style) {
        return false;
    }
    SkScalar width = paint.getStrokeWidth ();
    if (width == 0) {
        *alpha = paint.getAlpha ();
        return true;
    }
    if (!paint.isAntiAlias () || !mode_takes_coverage_as_alpha (paint.getXfermode ()) || matrix.hasPerspective ()) {
        return false;
    }
    SkVector src[2] = { { width, 0 }, { 0, width } }, dst[2];
    matrix.mapVectors (dst, src, 2);
    SkScalar len0 = fast_length (dst[0]), len1 = fast_length (dst[1]);
    if (!(len0 <= 1 && len1 <= 1)) {
        return false;
    }
    unsigned coverage = (unsigned)((len0 + len1) * 0.5f * 256);
    *alpha = coverage * paint.getAlpha () >> 8;
    return true;
}

void SkDraw::drawPath (const SkPath &origPath, const SkPaint &origPaint, const SkMatrix *prePathMatrix,
                       bool pathIsMutable) const
{
    if (fClip->isEmpty ()) {
        return;
    }
    const SkPath *path = &origPath;
    SkPath tmpPath;
    SkMatrix tmpMatrix;
    const SkMatrix *matrix = fMatrix;
    if (prePathMatrix != nullptr) {
        if (origPaint.getPathEffect () == nullptr && origPaint.getStyle () == SkPaint::kFill_Style &&
            origPaint.getRasterizer () == nullptr) {
            if (!tmpMatrix.setConcat (*fMatrix, *prePathMatrix)) return;
            matrix = &tmpMatrix;
        } else {
            path->transform (*prePathMatrix, &tmpPath);
            path = &tmpPath;
            pathIsMutable = true;
        }
    }
    SkPaint paint (origPaint);
    unsigned hairAlpha;
    if (SkDrawTreatAsHairline (origPaint, *matrix, &hairAlpha)) {
        paint.setStrokeWidth (0);
        paint.setAlpha (hairAlpha);
    }
    bool doFill = true;
    if (paint.getPathEffect () != nullptr || paint.getStyle () != SkPaint::kFill_Style) {
        doFill = paint.getFillPath (*path, &tmpPath);
        path = &tmpPath;
        pathIsMutable = true;
    }
    if (paint.getRasterizer () != nullptr) {
        drawRasterizedPath (*path, *matrix, paint);
        return;
    }
    SkPath devPath;
    SkPath *devPathPtr = pathIsMutable ? const_cast<SkPath *> (path) : &devPath;
    path->transform (*matrix, devPathPtr);
    drawDevicePath (*devPathPtr, paint, doFill);
}

void SkDraw::drawDevicePath (const SkPath &devPath, const SkPaint &paint, bool doFill) const
{
    SkAutoBlitterChoose autoBlitter (*fBitmap, *fMatrix, paint);
    SkBlitter *blitter = autoBlitter.get ();
    if (blitter == nullptr) {
        return;
    }
    SkMaskFilter *filter = paint.getMaskFilter ();
    if (filter != nullptr && filter->filterPath (devPath, *fMatrix, *fClip, fBounder, blitter)) {
        return;
    }
    if (fBounder != nullptr) {
        SkIRect ir;
        bool ok = doFill ? SkDrawRound (devPath.getBounds (), &ir) : SkDrawRoundOut (devPath.getBounds (), &ir);
        if (paint.isAntiAlias ()) {
            ir.inset (-1, -1);
        }
        if (!ok || !fBounder->doIRect (ir)) {
            return;
        }
    }
    if (!doFill) {
        SkScan::HairPath (devPath, fClip, blitter, paint.isAntiAlias () ? SkScan::AntiHairLine : SkScan::HairLine);
    } else if (paint.isAntiAlias ()) {
        SkScan::AntiFillPath (devPath, *fClip, blitter);
    } else {
        SkScan::FillPath (devPath, *fClip, blitter);
    }
}
