/*
 * The draw engine's masks: drawing a device mask, sizing and rendering masks for mask
 * filters and rasterizers.
 */
#include "graphics/canvas/SkDraw.h"
#include "graphics/canvas/SkDrawPriv.h"
#include "graphics/effects/SkMaskFilter.h"
#include "graphics/paint/SkPaintEffects.h"
#include "graphics/raster/SkScan.h"

size_t SkMaskComputeImageSize (const SkMask &mask)
{
    int64_t size = (int64_t)mask.fBounds.height () * (int64_t)mask.fRowBytes;
    return size < 0 || size > 0x7FFFFFFF ? 0 : (size_t)size;
}

namespace {

void blit_mask_through_clip (const SkMask &mask, const SkRegion &clip, SkBlitter *blitter)
{
    for (SkRegion::Cliperator iter (clip, mask.fBounds); !iter.done (); iter.next ()) {
        blitter->blitMask (mask, iter.rect ());
    }
}

const int kMaxMarginGrowth = 128;      // pixels a filter's margin may grow the clip by

} // namespace

void SkDraw::drawDevMask (const SkMask &srcMask, const SkPaint &paint) const
{
    if (srcMask.fBounds.isEmpty ()) {
        return;
    }
    const SkMask *mask = &srcMask;
    SkMask filtered;
    filtered.fImage = nullptr;
    SkMaskFilter *filter = paint.getMaskFilter ();
    if (filter != nullptr && filter->filterMask (&filtered, srcMask, *fMatrix, nullptr)) {
        mask = &filtered;
    }
    SkAutoMaskImage freeFiltered (filtered.fImage);
    if (fBounder != nullptr && !fBounder->doIRect (mask->fBounds)) {
        return;
    }
    SkAutoBlitterChoose blitter (*fBitmap, *fMatrix, paint);
    if (blitter.get () != nullptr) {
        blit_mask_through_clip (*mask, *fClip, blitter.get ());
    }
}

bool SkDraw::ComputeMaskBounds (const SkPath &devPath, const SkIRect *clipBounds, SkMaskFilter *filter,
                                const SkMatrix *filterMatrix, SkIRect *bounds)
{
    if (devPath.isEmpty ()) {
        return false;
    }
    const SkRect &pathBounds = devPath.getBounds ();
    SkRect grown = SkRect::MakeLTRB (pathBounds.fLeft - 0.5f, pathBounds.fTop - 0.5f, pathBounds.fRight + 0.5f,
                                     pathBounds.fBottom + 0.5f);
    if (!SkDrawRoundOut (grown, bounds)) {
        return false;
    }
    SkIPoint margin = SkIPoint::Make (0, 0);
    if (filter != nullptr) {
        SkMask src, dst;
        src.fImage = nullptr;
        src.fBounds = *bounds;
        src.fFormat = SkMask::kA8_Format;
        src.fRowBytes = (uint32_t)src.fBounds.width ();
        dst.fImage = nullptr;
        if (!filter->filterMask (&dst, src, filterMatrix != nullptr ? *filterMatrix : SkMatrix::I (), &margin)) {
            return false;
        }
        sk_free (dst.fImage);     // a bounds-only request makes none; free what a filter made anyway
        *bounds = dst.fBounds;
    }
    if (clipBounds != nullptr) {
        SkIRect clip = *clipBounds;
        clip.inset (-SkMin32 (margin.fX, kMaxMarginGrowth), -SkMin32 (margin.fY, kMaxMarginGrowth));
        if (!bounds->intersect (clip)) {
            return false;
        }
    }
    return true;
}

SkMaskDraw::SkMaskDraw (const SkMask &mask) : fClip (SkIRect::MakeWH (mask.fBounds.width (), mask.fBounds.height ()))
{
    fBitmap.setConfig (SkBitmap::kA8_Config, mask.fBounds.width (), mask.fBounds.height (), (int)mask.fRowBytes);
    fBitmap.setPixels (mask.fImage);
    fMatrix.setTranslate (-(SkScalar)mask.fBounds.fLeft, -(SkScalar)mask.fBounds.fTop);
    fDraw.fBitmap = &fBitmap;
    fDraw.fClip = &fClip;
    fDraw.fMatrix = &fMatrix;
}

void SkDraw::DrawToMask (const SkPath &devPath, const SkMask &mask)
{
    SkPaint paint;
    paint.setAntiAlias (true);
    SkMaskDraw (mask).draw ().drawPath (devPath, paint);
}

bool SkMaskFilter::filterPath (const SkPath &devPath, const SkMatrix &matrix, const SkRegion &clip,
                               SkBounder *bounder, SkBlitter *blitter)
{
    SkMask srcM, dstM;
    srcM.fFormat = SkMask::kA8_Format;
    if (!SkDraw::ComputeMaskBounds (devPath, &clip.getBounds (), this, &matrix, &srcM.fBounds)) {
        return false;
    }
    srcM.fRowBytes = (uint32_t)srcM.fBounds.width ();
    size_t size = SkMaskComputeImageSize (srcM);
    if (size == 0) {
        return false;
    }
    srcM.fImage = (uint8_t *)sk_calloc ((size + 3) & ~(size_t)3);
    if (srcM.fImage == nullptr) {
        return false;
    }
    SkAutoMaskImage freeSrc (srcM.fImage);
    SkDraw::DrawToMask (devPath, srcM);
    dstM.fImage = nullptr;
    if (!filterMask (&dstM, srcM, matrix, nullptr)) {
        return false;
    }
    SkAutoMaskImage freeDst (dstM.fImage);
    if (bounder == nullptr || bounder->doIRect (dstM.fBounds)) {
        blit_mask_through_clip (dstM, clip, blitter);
    }
    return true;
}

void SkDraw::drawRasterizedPath (const SkPath &path, const SkMatrix &matrix, const SkPaint &paint) const
{
    SkIRect clipBounds = fClip->getBounds ();
    SkMaskFilter *filter = paint.getMaskFilter ();
    if (filter != nullptr) {
        SkMask src, dst;
        src.fImage = dst.fImage = nullptr;
        src.fBounds.setEmpty ();
        src.fFormat = SkMask::kA8_Format;
        src.fRowBytes = 0;
        SkIPoint margin = SkIPoint::Make (0, 0);
        if (filter->filterMask (&dst, src, matrix, &margin)) {
            clipBounds.inset (-SkMin32 (margin.fX, kMaxMarginGrowth), -SkMin32 (margin.fY, kMaxMarginGrowth));
        }
        sk_free (dst.fImage);
    }
    SkMask mask;
    mask.fImage = nullptr;
    if (paint.getRasterizer ()->rasterize (path, matrix, &clipBounds, filter, &mask)) {
        SkAutoMaskImage freeMask (mask.fImage);
        drawDevMask (mask, paint);
    }
}
