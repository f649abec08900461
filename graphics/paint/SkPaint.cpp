/*
 * The paint as a value: defaults, reference-counted effects, copy and assignment.
 */
#include "graphics/paint/SkPaint.h"

#include "graphics/effects/SkColorFilter.h"
#include "graphics/effects/SkMaskFilter.h"
#include "graphics/effects/SkShader.h"
#include "graphics/paint/SkPaintEffects.h"
#include "graphics/path/SkPath.h"
#include "graphics/stroke/SkStroke.h"

SkPaint::SkPaint ()
    : fTypeface (nullptr), fTextSize (12), fTextScaleX (1), fTextSkewX (0), fPathEffect (nullptr),
      fShader (nullptr), fXfermode (nullptr), fMaskFilter (nullptr), fColorFilter (nullptr),
      fRasterizer (nullptr), fLooper (nullptr), fColor (SK_ColorBLACK), fWidth (0), fMiterLimit (4),
      fBits ((uint32_t)kNormal_Hinting << kHintingShift)
{
}

// Effects are referenced and released in field order.
void SkPaint::refAll () const
{
    SkSafeRef (fTypeface);
    SkSafeRef (fPathEffect);
    SkSafeRef (fShader);
    SkSafeRef (fXfermode);
    SkSafeRef (fMaskFilter);
    SkSafeRef (fColorFilter);
    SkSafeRef (fRasterizer);
    SkSafeRef (fLooper);
}

void SkPaint::unrefAll () const
{
    SkSafeUnref (fTypeface);
    SkSafeUnref (fPathEffect);
    SkSafeUnref (fShader);
    SkSafeUnref (fXfermode);
    SkSafeUnref (fMaskFilter);
    SkSafeUnref (fColorFilter);
    SkSafeUnref (fRasterizer);
    SkSafeUnref (fLooper);
}

SkPaint::SkPaint (const SkPaint &src)
{
    memcpy ((void *)this, (const void *)&src, sizeof (SkPaint));
    refAll ();
}

SkPaint::~SkPaint () { unrefAll (); }

SkPaint &SkPaint::operator= (const SkPaint &src)
{
    // The source's effects are referenced before ours are released: self-assignment and
    // paints sharing effects stay alive.
    src.refAll ();
    unrefAll ();
    memcpy ((void *)this, (const void *)&src, sizeof (SkPaint));
    return *this;
}

SkTypeface *SkPaint::setTypeface (SkTypeface *t) { return SkRefCntAssign (fTypeface, t); }
SkPathEffect *SkPaint::setPathEffect (SkPathEffect *e) { return SkRefCntAssign (fPathEffect, e); }
SkShader *SkPaint::setShader (SkShader *s) { return SkRefCntAssign (fShader, s); }
SkXfermode *SkPaint::setXfermode (SkXfermode *m) { return SkRefCntAssign (fXfermode, m); }
SkMaskFilter *SkPaint::setMaskFilter (SkMaskFilter *f) { return SkRefCntAssign (fMaskFilter, f); }
SkColorFilter *SkPaint::setColorFilter (SkColorFilter *f) { return SkRefCntAssign (fColorFilter, f); }
SkRasterizer *SkPaint::setRasterizer (SkRasterizer *r) { return SkRefCntAssign (fRasterizer, r); }
SkDrawLooper *SkPaint::setLooper (SkDrawLooper *l) { return SkRefCntAssign (fLooper, l); }

SkXfermode *SkPaint::setXfermodeMode (SkXfermode::Mode mode)
{
    SkSafeUnref (fXfermode);
    fXfermode = SkXfermode::Create (mode);      // its one reference is ours
    return fXfermode;
}

SkXfermode *SkPaint::clearXfermode ()
{
    SkSafeUnref (fXfermode);
    fXfermode = nullptr;
    return nullptr;
}

bool SkPaint::getFillPath (const SkPath &src, SkPath *dst) const
{
    Style style = getStyle ();
    SkScalar width = fWidth;
    if (style == kFill_Style || (style == kStrokeAndFill_Style && width == 0)) {
        width = -1;      // no stroke
    }
    const SkPath *path = &src;
    SkPath effectPath, strokePath;
    if (fPathEffect != nullptr) {
        if (style == kStrokeAndFill_Style) {
            width = -1;      // the effect sees a fill
        }
        if (fPathEffect->filterPath (&effectPath, src, &width)) {
            path = &effectPath;
        }
        if (style == kStrokeAndFill_Style && width < 0) {
            width = fWidth == 0 ? -1 : fWidth;
        }
    }
    if (width > 0 && !path->isEmpty ()) {
        SkStroke stroke (*this, width);
        stroke.strokePath (*path, &strokePath);
        path = &strokePath;
    }
    if (path == &src) {
        if (dst != &src) *dst = src;
    } else {
        dst->swap (*const_cast<SkPath *> (path));
    }
    return width != 0;
}

const SkRect &SkPaint::computeFastBounds (const SkRect &orig, SkRect *storage) const
{
    if (getStyle () == kFill_Style) {
        return orig;
    }
    SkScalar radius = fWidth * 0.5f;
    if (fWidth == 0) {
        radius = 1;      // a hairline touches the pixels its centre line crosses
    } else if (getStrokeJoin () == kMiter_Join && fMiterLimit > 1) {
        radius *= fMiterLimit;
    }
    if (getStrokeCap () == kSquare_Cap) {
        // A square cap's corners reach sqrt(2) radii beyond the end point.
        SkScalar capReach = fWidth * 0.5f * 1.4142136f;
        if (capReach > radius) radius = capReach;
    }
    storage->set (orig.fLeft - radius, orig.fTop - radius, orig.fRight + radius, orig.fBottom + radius);
    return *storage;
}
