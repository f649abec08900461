/*
 * SkStroke: turns a path and a stroke description (width, miter limit, cap, join) into the
 * outline whose fill is the stroke. Each contour is offset by half the width to both sides,
 * segments are joined on the outer side, and open contours get a cap at each end.
 */
#ifndef GRAPHICS_STROKE_SKSTROKE_H_
#define GRAPHICS_STROKE_SKSTROKE_H_

#include "graphics/paint/SkPaint.h"
#include "graphics/path/SkPath.h"

class SkStroke {
public:
    SkStroke () : fWidth (1), fMiterLimit (4), fCap (SkPaint::kButt_Cap), fJoin (SkPaint::kMiter_Join), fDoFill (0) {}
    // The stroke of paint, with its width or the one given.
    explicit SkStroke (const SkPaint &paint) { setFrom (paint, paint.getStrokeWidth ()); }
    SkStroke (const SkPaint &paint, SkScalar width) { setFrom (paint, width); }

    SkScalar getWidth () const { return fWidth; }
    void setWidth (SkScalar width) { fWidth = width; }
    SkScalar getMiterLimit () const { return fMiterLimit; }
    void setMiterLimit (SkScalar limit) { fMiterLimit = limit; }
    SkPaint::Cap getCap () const { return (SkPaint::Cap)fCap; }
    void setCap (SkPaint::Cap cap) { fCap = (uint8_t)cap; }
    SkPaint::Join getJoin () const { return (SkPaint::Join)fJoin; }
    void setJoin (SkPaint::Join join) { fJoin = (uint8_t)join; }
    bool getDoFill () const { return fDoFill != 0; }
    void setDoFill (bool doFill) { fDoFill = doFill ? 1 : 0; }

    // dst is reset and receives the outline (and src itself with do-fill). A width of zero
    // or less gives an empty outline.
    void strokePath (const SkPath &src, SkPath *dst) const;

private:
    void setFrom (const SkPaint &paint, SkScalar width);

    SkScalar fWidth;
    SkScalar fMiterLimit;
    uint8_t fCap;
    uint8_t fJoin;
    uint8_t fDoFill;
};

#endif
