/*
 * The paint as a value: defaults, reference-counted effects, copy and assignment.
 */
#include "graphics/paint/SkPaint.h"

#include "graphics/effects/SkColorFilter.h"
#include "graphics/effects/SkMaskFilter.h"
#include "graphics/effects/SkShader.h"
#include "graphics/paint/SkPaintEffects.h"

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
