/*
 * The base device: a bitmap, its origin among the layers, and draw calls passed on to the
 * draw engine.
 */
#include "graphics/canvas/SkDevice.h"

#include "graphics/canvas/SkCanvas.h"
#include "graphics/paint/SkPaintEffects.h"

SkDevice::SkDevice (const SkBitmap &bitmap) : fBitmap (bitmap) { fOrigin.set (0, 0); }

SkDevice::SkDevice (SkBitmap::Config config, int width, int height, bool isOpaque)
{
    fOrigin.set (0, 0);
    fBitmap.setConfig (config, width, height);
    // The heap allocator zero-fills, so a layer shows nothing where nobody drew, opaque or not.
    if (!fBitmap.allocPixels ()) {
        return;
    }
    fBitmap.setIsOpaque (isOpaque);
    if (!isOpaque) {
        fBitmap.eraseTransparent ();
    }
}

SkDevice::~SkDevice () { fBitmap.freePixels (); }

const SkBitmap &SkDevice::accessBitmap (bool changePixels)
{
    onAccessBitmap (&fBitmap);
    if (changePixels) {
        fBitmap.notifyPixelsChanged ();
    }
    return fBitmap;
}

bool SkDevice::readPixels (const SkIRect &srcRect, SkBitmap *dst)
{
    onAccessBitmap (&fBitmap);
    int w = fBitmap.width (), h = fBitmap.height ();
    if (srcRect.isEmpty () || w <= 0 || h <= 0 || srcRect.fRight <= 0 || srcRect.fLeft >= w ||
        srcRect.fBottom < 1 || srcRect.fTop >= h) {
        return false;
    }
    SkIRect r = srcRect;
    (void)r.intersect (SkIRect::MakeWH (w, h));      // they overlap: tested above
    SkBitmap subset, copy;
    if (!fBitmap.extractSubset (&subset, r) || !subset.copyTo (&copy)) {
        return false;
    }
    dst->swap (copy);
    return true;
}

void SkDevice::writePixels (const SkBitmap &bitmap, int x, int y)
{
    SkPaint paint;
    paint.setXfermodeMode (SkXfermode::kSrc_Mode);
    SkCanvas canvas (this);
    canvas.drawSprite (bitmap, x, y, &paint);
}

bool SkDevice::filterTextFlags (const SkPaint &paint, uint32_t *flags, SkPaint::Hinting *hinting)
{
    const uint32_t kLCDAndAA = SkPaint::kLCDRenderText_Flag | SkPaint::kAntiAlias_Flag;
    if ((paint.getFlags () & kLCDAndAA) != kLCDAndAA) {
        return false;
    }
    // A plain solid fill on a 32-bit device can take LCD text as it is.
    if (fBitmap.config () == SkBitmap::kARGB_8888_Config && paint.getPathEffect () == nullptr &&
        paint.getShader () == nullptr && paint.getXfermode () == nullptr && paint.getMaskFilter () == nullptr &&
        paint.getColorFilter () == nullptr && paint.getRasterizer () == nullptr &&
        (paint.getFlags () & SkPaint::kFakeBoldText_Flag) == 0 && paint.getStyle () == SkPaint::kFill_Style) {
        return false;
    }
    *flags = paint.getFlags () & 0x1DFF;
    *hinting = paint.getHinting ();
    return true;
}

void SkDevice::drawPaint (const SkDraw &draw, const SkPaint &paint) { draw.drawPaint (paint); }

void SkDevice::drawPoints (const SkDraw &draw, SkDraw::PointMode mode, size_t count, const SkPoint pts[],
                           const SkPaint &paint)
{
    draw.drawPoints (mode, count, pts, paint);
}

void SkDevice::drawRect (const SkDraw &draw, const SkRect &rect, const SkPaint &paint) { draw.drawRect (rect, paint); }

void SkDevice::drawText (const SkDraw &draw, const void *text, size_t byteLength, SkScalar x, SkScalar y,
                         const SkPaint &paint)
{
    draw.drawText ((const char *)text, byteLength, x, y, paint);
}

void SkDevice::drawPath (const SkDraw &draw, const SkPath &path, const SkPaint &paint, const SkMatrix *prePathMatrix,
                         bool pathIsMutable)
{
    draw.drawPath (path, paint, prePathMatrix, pathIsMutable);
}

void SkDevice::drawBitmap (const SkDraw &draw, const SkBitmap &bitmap, const SkIRect *srcRect, const SkMatrix &matrix,
                           const SkPaint &paint)
{
    if (srcRect == nullptr) {
        draw.drawBitmap (bitmap, matrix, paint);
        return;
    }
    SkBitmap subset;
    if (bitmap.extractSubset (&subset, *srcRect)) {
        draw.drawBitmap (subset, matrix, paint);
    }
}

void SkDevice::drawSprite (const SkDraw &draw, const SkBitmap &bitmap, int x, int y, const SkPaint &paint)
{
    draw.drawSprite (bitmap, x, y, paint);
}

void SkDevice::drawDevice (const SkDraw &draw, SkDevice *source, int x, int y, const SkPaint &paint)
{
    source->onAccessBitmap (&source->fBitmap);
    draw.drawSprite (source->fBitmap, x, y, paint);
}

void SkDevice::lockPixels ()
{
    SkPixelRef *ref = fBitmap.pixelRef ();
    if (ref != nullptr ? ref->lockPixelsAreWritable () : fBitmap.getPixels () != nullptr) {
        fBitmap.lockPixels ();
    }
}

void SkDevice::unlockPixels ()
{
    SkPixelRef *ref = fBitmap.pixelRef ();
    if (ref != nullptr ? ref->lockPixelsAreWritable () : fBitmap.getPixels () != nullptr) {
        fBitmap.unlockPixels ();
    }
}

SkDevice *SkDevice::createCompatibleDevice (SkBitmap::Config config, int width, int height, bool isOpaque)
{
    SkDevice *device = new SkDevice (config, width, height, isOpaque);
    if (device != nullptr && device->fBitmap.getPixels () == nullptr) {
        device->unref ();      // a layer without pixels could draw nothing; open none
        return nullptr;
    }
    return device;
}
