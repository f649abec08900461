/*
 * SkDraw: draws one primitive (the whole clip, points, a rectangle, a path, a mask, a bitmap,
 * a sprite) with a paint into one bitmap, through the clip region and under the matrix it
 * carries. The canvas fills one per layer; the device calls it. Fast cases write rows directly;
 * everything else maps to device space, chooses a blitter and runs a scan converter.
 */
#ifndef GRAPHICS_CANVAS_SKDRAW_H_
#define GRAPHICS_CANVAS_SKDRAW_H_

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/canvas/SkBounder.h"
#include "graphics/geometry/SkMatrix.h"
#include "graphics/paint/SkPaint.h"
#include "graphics/path/SkPath.h"
#include "graphics/raster/SkMask.h"
#include "graphics/region/SkRegion.h"

class SkClipStack;
class SkDevice;
class SkMaskFilter;

class SkDraw {
public:
    enum PointMode {
        kPoints_PointMode = 0,      // each point alone
        kLines_PointMode = 1,       // pairs of points are segments
        kPolygon_PointMode = 2,     // consecutive points are joined
    };

    SkDraw () : fBitmap (nullptr), fMatrix (nullptr), fClip (nullptr), fClipStack (nullptr), fDevice (nullptr), fBounder (nullptr) {}

    void drawPaint (const SkPaint &paint) const;
    void drawPoints (PointMode mode, size_t count, const SkPoint pts[], const SkPaint &paint,
                     bool forceUseDevice = false) const;
    void drawRect (const SkRect &rect, const SkPaint &paint) const;
    // prePathMatrix, when given, applies to the path before the draw's matrix.
    void drawPath (const SkPath &path, const SkPaint &paint, const SkMatrix *prePathMatrix = nullptr,
                   bool pathIsMutable = false) const;
    // The bitmap's pixels at device position (x, y), unscaled; the draw's matrix is ignored.
    void drawSprite (const SkBitmap &bitmap, int x, int y, const SkPaint &paint) const;
    // The bitmap under matrix (then the draw's matrix): copied as a sprite where that keeps
    // it unscaled on whole pixels, else sampled through a clamping bitmap shader (bilinear
    // with the paint's filter flag). An 8-bit alpha bitmap is a mask in the paint's colour.
    void drawBitmap (const SkBitmap &bitmap, const SkMatrix &matrix, const SkPaint &paint) const;
    void drawDevMask (const SkMask &mask, const SkPaint &paint) const;
    // byteLength bytes of text in the paint's encoding, its origin at (x, y) before the
    // matrix, aligned by the paint; glyphs come from the paint's glyph cache.
    void drawText (const char *text, size_t byteLength, SkScalar x, SkScalar y, const SkPaint &paint) const;

    // The device bounds of a mask for devPath (grown by the filter's margin), limited to the
    // clip grown by that margin (at most 128 pixels). False when there is nothing to draw.
    static bool ComputeMaskBounds (const SkPath &devPath, const SkIRect *clipBounds, SkMaskFilter *filter,
                                   const SkMatrix *filterMatrix, SkIRect *bounds);
    // Renders devPath into the 8-bit image of mask, anti-aliased.
    static void DrawToMask (const SkPath &devPath, const SkMask &mask);

    const SkBitmap *fBitmap;
    const SkMatrix *fMatrix;
    const SkRegion *fClip;
    const SkClipStack *fClipStack;
    SkDevice *fDevice;
    SkBounder *fBounder;

private:
    bool drawPaintDirect (const SkPaint &paint) const;
    bool drawPointsFast (PointMode mode, size_t count, const SkPoint pts[], const SkPaint &paint) const;
    void drawPointsAsShapes (PointMode mode, size_t count, const SkPoint pts[], const SkPaint &paint) const;
    void drawDevicePath (const SkPath &devPath, const SkPaint &paint, bool doFill) const;
    void drawRasterizedPath (const SkPath &path, const SkMatrix &matrix, const SkPaint &paint) const;
    bool rectCanDraw (const SkRect &devRect, const SkPaint &paint, int kind) const;
    // rect filled with the paint's shader replaced by a clamping shader of bitmap, whose
    // local matrix (when given) places the bitmap.
    void drawBitmapAsRect (const SkBitmap &bitmap, const SkMatrix *localMatrix, const SkRect &rect,
                           const SkPaint &paint) const;
    void drawBitmapAsMask (const SkBitmap &bitmap, const SkMatrix &matrix, const SkPaint &paint) const;
};

// Size of a mask's image (height x row bytes), or 0 when it does not fit 31 bits.
size_t SkMaskComputeImageSize (const SkMask &mask);

#endif
