/*
 * Shared effects a paint holds whose own operations arrive with the topics that use them (the
 * font host, the stroker's path effects, the rasterizers and the canvas draw loop). Until then
 * they are reference-counted handles, so the paint can hold and copy them; each topic adds its
 * virtual operations here or moves the class into its own header and includes it from here.
 */
#ifndef GRAPHICS_PAINT_SKPAINTEFFECTS_H_
#define GRAPHICS_PAINT_SKPAINTEFFECTS_H_

#include "graphics/core/SkRefCnt.h"
#include "graphics/paint/SkTypeface.h"
#include "graphics/raster/SkMask.h"

class SkCanvas;
class SkMaskFilter;
class SkMatrix;
class SkPaint;
class SkPath;


// Changes a path before it is stroked or filled (dashes, corners...). No effect of this kind
// is built into the library; the base changes nothing.
class SkPathEffect : public SkRefCnt {
public:
    // dst from src; *width is the stroke width (-1 for a fill) and may be changed. False when
    // the effect leaves src alone.
    virtual bool filterPath (SkPath *dst, const SkPath &src, SkScalar *width)
    {
        (void)dst; (void)src; (void)width;
        return false;
    }
};

// Renders a device path into a coverage mask in its own way. None is built into the library;
// the base renders nothing.
class SkRasterizer : public SkRefCnt {
public:
    // mask receives bounds and an 8-bit image (sk_malloc, the caller frees it) for path
    // under matrix, limited to clipBounds when given. False when nothing was rendered.
    virtual bool rasterize (const SkPath &path, const SkMatrix &matrix, const SkIRect *clipBounds,
                            SkMaskFilter *filter, SkMask *mask)
    {
        (void)path; (void)matrix; (void)clipBounds; (void)filter; (void)mask;
        return false;
    }
};

// Runs one draw several times with changed paints (shadows, outlines). None is built into
// the library; the base runs the draw once, unchanged.
class SkDrawLooper : public SkRefCnt {
public:
    virtual void init (SkCanvas *canvas, const SkPaint &paint) { (void)canvas; (void)paint; fDone = false; }
    // Prepares the paint of the next pass; false when there is none.
    virtual bool next (SkCanvas *canvas, SkPaint *paint)
    {
        (void)canvas; (void)paint;
        bool more = !fDone;
        fDone = true;
        return more;
    }

private:
    bool fDone = false;
};

#endif
