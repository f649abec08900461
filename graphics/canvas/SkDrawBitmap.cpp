/*
 * The draw engine's bitmaps at device positions: sprite blits, clip rectangle by clip
 * rectangle. Scaled and rotated bitmaps need bitmap sampling, which this library does not
 * have yet; they draw nothing.
 */
#include "graphics/canvas/SkDraw.h"
#include "graphics/canvas/SkDrawPriv.h"

namespace {

const int kMaxBitmapSide = 32767;

bool bitmap_drawable (const SkBitmap &bitmap)
{
    return bitmap.width () > 0 && bitmap.height () > 0 && bitmap.width () <= kMaxBitmapSide &&
           bitmap.height () <= kMaxBitmapSide && bitmap.config () != SkBitmap::kNo_Config;
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

} // namespace

void SkDraw::drawSprite (const SkBitmap &bitmap, int x, int y, const SkPaint &paint) const
{
    if (fClip->isEmpty () || !bitmap_drawable (bitmap)) {
        return;
    }
    SkIRect bounds = SkIRect::MakeLTRB (x, y, (int)((int64_t)x + bitmap.width ()), (int)((int64_t)y + bitmap.height ()));
    if ((int64_t)x + bitmap.width () > 0x7FFFFFFF || (int64_t)y + bitmap.height () > 0x7FFFFFFF ||
        !SkIRect::Intersects (bounds, fClip->getBounds ())) {
        return;
    }
    if (paint.getStyle () != SkPaint::kFill_Style || paint.getColorFilter () != nullptr) {
        return;     // these need the bitmap sampled through a shader
    }
    if (fBounder != nullptr && !fBounder->doIRect (bounds)) {
        return;
    }
    SkAutoLockPixels lock (bitmap);
    if (bitmap.getPixels () == nullptr) {
        return;
    }
    uint64_t storage[57];
    SkBlitter *blitter = SkBlitter::ChooseSprite (*fBitmap, paint, bitmap, x, y, storage);
    if (blitter == nullptr) {
        return;
    }
    for (SkRegion::Cliperator iter (*fClip, bounds); !iter.done (); iter.next ()) {
        const SkIRect &r = iter.rect ();
        blitter->blitRect (r.fLeft, r.fTop, r.width (), r.height ());
    }
    delete blitter;
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
    int x, y;
    if (!sprite_position (matrix, bitmap.width (), bitmap.height (), &x, &y)) {
        return;
    }
    if (bitmap.config () == SkBitmap::kA8_Config) {
        SkAutoLockPixels lock (bitmap);
        if (bitmap.getPixels () == nullptr) return;
        SkMask mask;
        mask.fImage = (uint8_t *)bitmap.getPixels ();
        mask.fBounds = SkIRect::MakeXYWH (x, y, bitmap.width (), bitmap.height ());
        mask.fRowBytes = bitmap.rowBytes ();
        mask.fFormat = SkMask::kA8_Format;
        drawDevMask (mask, paint);
        return;
    }
    drawSprite (bitmap, x, y, paint);
}
