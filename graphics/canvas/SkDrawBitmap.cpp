/*
 * The draw engine's bitmaps: under a matrix (drawBitmap) and at device positions
 * (drawSprite). Unscaled pictures go through sprite blitters, clip rectangle by clip
 * rectangle; everything else fills the bitmap's rectangle with a clamping bitmap shader of
 * it, so scaled, rotated, skewed and perspective pictures take the path and shader
 * machinery (anti-aliased edges and bilinear sampling by the paint's flags). An 8-bit alpha
 * bitmap is a mask coloured by the paint.
 */
#include "graphics/canvas/SkDraw.h"
#include "graphics/canvas/SkDrawPriv.h"
#include "graphics/effects/SkShader.h"

namespace {

const int kMaxBitmapSide = 32767;

bool bitmap_drawable (const SkBitmap &bitmap)
{
    return bitmap.width () > 0 && bitmap.height () > 0 && bitmap.width () <= kMaxBitmapSide &&
           bitmap.height () <= kMaxBitmapSide && bitmap.config () != SkBitmap::kNo_Config;
}

// After locking: pixels present, and the colour table an indexed format needs.
bool pixels_ready (const SkBitmap &bitmap)
{
    if (bitmap.getPixels () == nullptr) {
        return false;
    }
    bool indexed = bitmap.config () == SkBitmap::kIndex8_Config || bitmap.config () == SkBitmap::kRLE_Index8_Config;
    return !indexed || bitmap.getColorTable () != nullptr;
}

// Whether matrix moves the bitmap's pixels onto whole device pixels unscaled: a translation,
// or a scale that keeps the rounded size. The rounded translation goes to (x, y).
bool sprite_position (const SkMatrix &matrix, int width, int height, int *x, int *y)
{
    uint8_t type = matrix.getType ();
    if ((type & ~(SkMatrix::kTranslate_Mask | SkMatrix::kScale_Mask)) != 0) {
        return false;
    }
    SkScalar tx = matrix.getTranslateX (), ty = matrix.getTranslateY ();
    if (!(SkScalarAbs (tx) < 1e9f && SkScalarAbs (ty) < 1e9f)) {
        return false;
    }
    if (type & SkMatrix::kScale_Mask) {
        SkScalar w = width * matrix.getScaleX (), h = height * matrix.getScaleY ();
        if (!(w > 0 && h > 0 && w < 1e9f && h < 1e9f) || SkScalarRoundToInt (w) != width ||
            SkScalarRoundToInt (h) != height) {
            return false;
        }
    }
    *x = SkScalarRoundToInt (tx);
    *y = SkScalarRoundToInt (ty);
    return true;
}

// Copies the locked bitmap's pixels at (x, y) with a sprite blitter, when one fits the
// destination and paint. False when none does: the caller samples the bitmap instead.
bool blit_sprite (const SkBitmap &device, const SkRegion &clip, const SkBitmap &bitmap, int x, int y,
                  const SkPaint &paint)
{
    uint64_t storage[57];
    SkBlitter *blitter = SkBlitter::ChooseSprite (device, paint, bitmap, x, y, storage);
    if (blitter == nullptr) {
        return false;
    }
    SkIRect bounds = SkIRect::MakeXYWH (x, y, bitmap.width (), bitmap.height ());
    for (SkRegion::Cliperator iter (clip, bounds); !iter.done (); iter.next ()) {
        const SkIRect &r = iter.rect ();
        blitter->blitRect (r.fLeft, r.fTop, r.width (), r.height ());
    }
    delete blitter;
    return true;
}

} // namespace

void SkDraw::drawBitmapAsRect (const SkBitmap &bitmap, const SkMatrix *localMatrix, const SkRect &rect,
                               const SkPaint &origPaint) const
{
    SkShader *shader = SkShader::CreateBitmapShader (bitmap);
    if (shader == nullptr) {
        return;
    }
    SkAutoTUnref<SkShader> release (shader);
    if (localMatrix != nullptr && !shader->setLocalMatrix (*localMatrix)) {
        return;
    }
    SkPaint paint (origPaint);
    paint.setShader (shader);       // the paint's own shader is set aside for this draw
    drawRect (rect, paint);
}

void SkDraw::drawSprite (const SkBitmap &bitmap, int x, int y, const SkPaint &origPaint) const
{
    if (fClip->isEmpty () || !bitmap_drawable (bitmap)) {
        return;
    }
    if ((int64_t)x + bitmap.width () > 0x7FFFFFFF || (int64_t)y + bitmap.height () > 0x7FFFFFFF) {
        return;
    }
    SkIRect bounds = SkIRect::MakeXYWH (x, y, bitmap.width (), bitmap.height ());
    if (!SkIRect::Intersects (bounds, fClip->getBounds ())) {
        return;
    }
    SkPaint paint (origPaint);
    paint.setStyle (SkPaint::kFill_Style);
    SkDraw draw (*this);
    SkAutoLockPixels lock (bitmap);
    if (!pixels_ready (bitmap)) {
        return;
    }
    if (paint.getColorFilter () == nullptr) {
        if (fBounder != nullptr && !fBounder->doIRect (bounds)) {
            return;
        }
        if (blit_sprite (*fBitmap, *fClip, bitmap, x, y, paint)) {
            return;
        }
        draw.fBounder = nullptr;    // it has accepted this rectangle already
    }
    SkMatrix identity, translate;
    identity.reset ();
    translate.setTranslate ((SkScalar)x, (SkScalar)y);
    draw.fMatrix = &identity;
    draw.drawBitmapAsRect (bitmap, &translate, SkRect::Make (bounds), paint);
}

// An 8-bit alpha bitmap under a matrix that scales or turns it: its coverage is rendered,
// through the bitmap shader, into a mask over its device bounds, which the paint colours.
void SkDraw::drawBitmapAsMask (const SkBitmap &bitmap, const SkMatrix &matrix, const SkPaint &paint) const
{
    SkRect devRect;
    matrix.mapRect (&devRect, SkRect::MakeWH ((SkScalar)bitmap.width (), (SkScalar)bitmap.height ()));
    SkMask mask;
    if (!SkDrawRoundOut (devRect, &mask.fBounds) || !mask.fBounds.intersect (0, 0, fBitmap->width (), fBitmap->height ())) {
        return;
    }
    mask.fFormat = SkMask::kA8_Format;
    mask.fRowBytes = (uint32_t)SkAlign4 ((size_t)mask.fBounds.width ());
    size_t size = SkMaskComputeImageSize (mask);
    if (size == 0) {
        return;
    }
    mask.fImage = (uint8_t *)sk_calloc (size);
    if (mask.fImage == nullptr) {
        return;
    }
    SkAutoMaskImage freeMask (mask.fImage);
    // The sampler reads 32-bit pixels: the alpha bytes become the alpha of black pixels.
    SkBitmap wide;
    if (!bitmap.copyTo (&wide)) {
        return;
    }
    SkPaint plain;
    plain.setFlags (paint.getFlags ());     // anti-aliased edges and filtering as asked
    SkMaskDraw (mask).draw ().drawBitmap (wide, matrix, plain);
    drawDevMask (mask, paint);
}

void SkDraw::drawBitmap (const SkBitmap &bitmap, const SkMatrix &prematrix, const SkPaint &origPaint) const
{
    if (fClip->isEmpty () || !bitmap_drawable (bitmap)) {
        return;
    }
    SkMatrix matrix;
    if (!matrix.setConcat (*fMatrix, prematrix)) {
        return;
    }
    SkPaint paint (origPaint);
    paint.setStyle (SkPaint::kFill_Style);
    SkRect bounds = SkRect::MakeWH ((SkScalar)bitmap.width (), (SkScalar)bitmap.height ());
    SkRect devRect;
    matrix.mapRect (&devRect, bounds);
    SkIRect devBounds;
    if (!SkDrawRoundOut (devRect, &devBounds) || !SkIRect::Intersects (devBounds, fClip->getBounds ())) {
        return;
    }
    SkDraw draw (*this);
    int x = 0, y = 0;
    bool sprite = sprite_position (matrix, bitmap.width (), bitmap.height (), &x, &y);
    if (sprite && fBounder != nullptr) {
        if (!fBounder->doIRect (SkIRect::MakeXYWH (x, y, bitmap.width (), bitmap.height ()))) {
            return;
        }
        draw.fBounder = nullptr;    // asked once for the whole bitmap
    }
    SkAutoLockPixels lock (bitmap);
    if (!pixels_ready (bitmap)) {
        return;
    }
    if (bitmap.config () == SkBitmap::kA8_Config) {
        if (!sprite) {
            draw.drawBitmapAsMask (bitmap, matrix, paint);
            return;
        }
        SkMask mask;
        mask.fImage = (uint8_t *)bitmap.getPixels ();
        mask.fBounds = SkIRect::MakeXYWH (x, y, bitmap.width (), bitmap.height ());
        mask.fRowBytes = bitmap.rowBytes ();
        mask.fFormat = SkMask::kA8_Format;
        draw.drawDevMask (mask, paint);
        return;
    }
    if (sprite && blit_sprite (*fBitmap, *fClip, bitmap, x, y, paint)) {
        return;
    }
    // The rectangle and the bitmap shader's inverse both come from the combined matrix.
    draw.fMatrix = &matrix;
    draw.drawBitmapAsRect (bitmap, nullptr, bounds, paint);
}
