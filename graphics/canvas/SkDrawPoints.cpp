/*
 * The draw engine's points: one-pixel spans, squares, hairline segments and polylines with
 * point procedures, or shapes drawn one by one when the paint needs the general route.
 */
#include "graphics/canvas/SkDevice.h"
#include "graphics/canvas/SkDraw.h"
#include "graphics/canvas/SkDrawPriv.h"
#include "graphics/raster/SkScan.h"

namespace {

const int kMaxDevPoints = 32;       // points mapped at a time, on the stack

// What one batch of device points is drawn with.
struct PointProcRec {
    SkDraw::PointMode fMode;
    bool fAntiAlias;
    bool fHairline;
    SkFixed fRadius;        // half the side of a square point, 16.16
    const SkRegion *fClip;
    SkBlitter *fBlitter;
};

// Beyond this a point lies outside every clip, and 16.16 conversion stays defined.
bool fixed_point (const SkPoint &p, SkFixed *x, SkFixed *y)
{
    const SkScalar kLimit = 32767.0f;
    if (!(p.fX > -kLimit && p.fX < kLimit && p.fY > -kLimit && p.fY < kLimit)) {
        return false;
    }
    *x = SkFloatToFixed (p.fX);
    *y = SkFloatToFixed (p.fY);
    return true;
}

void hair_points (const PointProcRec &rec, const SkPoint devPts[], int count)
{
    for (int i = 0; i < count; i++) {
        SkFixed fx, fy;
        if (!fixed_point (devPts[i], &fx, &fy)) continue;
        int x = SkFixedFloor (fx), y = SkFixedFloor (fy);
        if (rec.fClip->contains (x, y)) {
            rec.fBlitter->blitH (x, y, 1);
        }
    }
}

// A 16.16 value kept within range; beyond it lies outside every clip anyway.
SkFixed pin_fixed (int64_t v)
{
    return (SkFixed)(v > SK_FixedMax ? SK_FixedMax : (v < SK_FixedMin ? SK_FixedMin : v));
}

void square_points (const PointProcRec &rec, const SkPoint devPts[], int count)
{
    int64_t r = rec.fRadius;
    for (int i = 0; i < count; i++) {
        SkFixed fx, fy;
        if (!fixed_point (devPts[i], &fx, &fy)) continue;
        int64_t x = fx, y = fy;
        if (rec.fAntiAlias) {
            SkXRect xr = { pin_fixed (x - r), pin_fixed (y - r), pin_fixed (x + r), pin_fixed (y + r) };
            SkScan::AntiFillXRect (xr, rec.fClip, rec.fBlitter);
        } else {
            SkIRect ir = SkIRect::MakeLTRB ((int32_t)((x - r + SK_FixedHalf) >> 16), (int32_t)((y - r + SK_FixedHalf) >> 16),
                                            (int32_t)((x + r + SK_FixedHalf) >> 16), (int32_t)((y + r + SK_FixedHalf) >> 16));
            SkScan::FillIRect (ir, rec.fClip, rec.fBlitter);
        }
    }
}

void hair_lines (const PointProcRec &rec, const SkPoint devPts[], int count)
{
    SkScan::HairLineProc line = rec.fAntiAlias ? SkScan::AntiHairLine : SkScan::HairLine;
    int step = rec.fMode == SkDraw::kLines_PointMode ? 2 : 1;
    for (int i = 0; i + 1 < count; i += step) {
        line (devPts[i], devPts[i + 1], rec.fClip, rec.fBlitter);
    }
}

void run_point_proc (const PointProcRec &rec, const SkPoint devPts[], int count)
{
    if (rec.fMode != SkDraw::kPoints_PointMode) {
        hair_lines (rec, devPts, count);
    } else if (rec.fHairline && !rec.fAntiAlias) {
        hair_points (rec, devPts, count);
    } else {
        square_points (rec, devPts, count);
    }
}

// Whether a point procedure can draw these points, and with what radius.
bool init_point_proc (PointProcRec *rec, SkDraw::PointMode mode, const SkPaint &paint, const SkMatrix &matrix)
{
    if (paint.getPathEffect () != nullptr) {
        return false;
    }
    rec->fMode = mode;
    rec->fAntiAlias = paint.isAntiAlias ();
    SkScalar width = paint.getStrokeWidth ();
    if (width == 0) {
        rec->fHairline = true;
        rec->fRadius = SK_FixedHalf;
        return true;
    }
    // Squares stay squares only under scales and translations that treat both axes alike.
    if (paint.getStrokeCap () == SkPaint::kRound_Cap || mode != SkDraw::kPoints_PointMode ||
        (matrix.getType () & ~(SkMatrix::kTranslate_Mask | SkMatrix::kScale_Mask)) != 0) {
        return false;
    }
    SkScalar sx = matrix.getScaleX (), sy = matrix.getScaleY ();
    SkScalar radius = SkScalarAbs (sx) * width * 0.5f;
    if (!(SkScalarAbs (sx - sy) < SK_ScalarNearlyZero) || !(radius >= 0 && radius < 16384.0f)) {
        return false;
    }
    rec->fHairline = false;
    rec->fRadius = SkFloatToFixed (radius);
    return true;
}

} // namespace

bool SkDraw::drawPointsFast (PointMode mode, size_t count, const SkPoint pts[], const SkPaint &paint) const
{
    PointProcRec rec;
    if (!init_point_proc (&rec, mode, paint, *fMatrix)) {
        return false;
    }
    SkAutoBlitterChoose blitter (*fBitmap, *fMatrix, paint);
    if (blitter.get () == nullptr) {
        return true;
    }
    rec.fClip = fClip;
    rec.fBlitter = blitter.get ();
    SkPoint devPts[kMaxDevPoints];
    // Polylines carry each batch's last point over as the next one's first.
    size_t backup = mode == kPolygon_PointMode ? 1 : 0;
    while (count > backup) {
        int n = (int)(count < (size_t)kMaxDevPoints ? count : (size_t)kMaxDevPoints);
        if (mode == kLines_PointMode) n &= ~1;
        fMatrix->mapPoints (devPts, pts, n);
        run_point_proc (rec, devPts, n);
        pts += n - (int)backup;
        count -= (size_t)n - backup;
    }
    return true;
}

// Each point or segment becomes a shape of its own, drawn through the device when there is
// one (so that a device may draw shapes its own way).
void SkDraw::drawPointsAsShapes (PointMode mode, size_t count, const SkPoint pts[], const SkPaint &origPaint) const
{
    SkPaint paint (origPaint);
    if (mode == kPoints_PointMode) {
        paint.setStyle (SkPaint::kFill_Style);
        SkScalar radius = paint.getStrokeWidth () * 0.5f;
        if (!(radius >= 0)) {
            return;       // a square of negative side covers nothing
        }
        bool round = paint.getStrokeCap () == SkPaint::kRound_Cap;
        SkPath circle;
        for (size_t i = 0; i < count; i++) {
            if (round) {
                SkMatrix m;
                m.setTranslate (pts[i].fX, pts[i].fY);
                circle.reset ();
                circle.addCircle (0, 0, radius);
                fDevice != nullptr ? fDevice->drawPath (*this, circle, paint, &m, i + 1 == count)
                                   : drawPath (circle, paint, &m, i + 1 == count);
            } else {
                SkRect r = SkRect::MakeLTRB (pts[i].fX - radius, pts[i].fY - radius, pts[i].fX + radius,
                                             pts[i].fY + radius);
                fDevice != nullptr ? fDevice->drawRect (*this, r, paint) : drawRect (r, paint);
            }
        }
        return;
    }
    paint.setStyle (SkPaint::kStroke_Style);
    size_t step = mode == kLines_PointMode ? 2 : 1;
    SkPath segment;
    for (size_t i = 0; i + 1 < count; i += step) {
        segment.reset ();
        segment.moveTo (pts[i]);
        segment.lineTo (pts[i + 1]);
        fDevice != nullptr ? fDevice->drawPath (*this, segment, paint, nullptr, true) : drawPath (segment, paint, nullptr, true);
    }
}

void SkDraw::drawPoints (PointMode mode, size_t count, const SkPoint pts[], const SkPaint &paint,
                         bool forceUseDevice) const
{
    if (mode == kLines_PointMode) {
        count &= ~(size_t)1;
    }
    if (count < 1 || fClip->isEmpty ()) {
        return;
    }
    if (fBounder != nullptr) {
        SkRect bounds;
        bounds.set (pts, (int)SkTMin (count, (size_t)0x7FFFFFFF));
        SkScalar w = paint.getStrokeWidth ();
        bounds.outset (w, w);
        fMatrix->mapRect (&bounds);
        SkIRect ir;
        if (!SkDrawRoundOut (bounds, &ir) || !fBounder->doIRect (ir)) {
            return;
        }
        // Asked once for all points; the drawing itself runs without the bounder.
        SkDraw noBounder (*this);
        noBounder.fBounder = nullptr;
        noBounder.drawPoints (mode, count, pts, paint, forceUseDevice);
        return;
    }
    if (!forceUseDevice && drawPointsFast (mode, count, pts, paint)) {
        return;
    }
    drawPointsAsShapes (mode, count, pts, paint);
}
