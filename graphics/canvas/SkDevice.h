/*
 * SkDevice: the drawing target under a canvas. It owns a bitmap (sharing the pixels of the
 * one it was made over) and turns the canvas's draw calls, which arrive with a prepared draw
 * context, into calls of the draw engine. A canvas has one root device and one more per open
 * layer; pixels are also read back and written in bulk here.
 */
#ifndef GRAPHICS_CANVAS_SKDEVICE_H_
#define GRAPHICS_CANVAS_SKDEVICE_H_

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/canvas/SkDraw.h"
#include "graphics/core/SkRefCnt.h"

class SkCanvas;
class SkClipStack;

class SkDevice : public SkRefCnt {
public:
    // Over bitmap's pixels (shared).
    explicit SkDevice (const SkBitmap &bitmap);
    // Over new zeroed pixels of config and size; check accessBitmap (false).getPixels () for
    // null when memory ran out.
    SkDevice (SkBitmap::Config config, int width, int height, bool isOpaque);
    ~SkDevice () override;

    virtual int width () const { return fBitmap.width (); }
    virtual int height () const { return fBitmap.height (); }

    // Copies the part of srcRect on the device into dst as a new 32-bit bitmap; false (dst
    // untouched) when nothing of it is on the device or the copy fails.
    virtual bool readPixels (const SkIRect &srcRect, SkBitmap *dst);
    // Replaces the device's pixels under bitmap placed at (x, y), within the device.
    virtual void writePixels (const SkBitmap &bitmap, int x, int y);
    // Flags and hinting to draw text with when this device cannot render the paint's LCD
    // text; false to draw with the paint as it is.
    virtual bool filterTextFlags (const SkPaint &paint, uint32_t *flags, SkPaint::Hinting *hinting);

    virtual void setMatrixClip (const SkMatrix &, const SkRegion &, const SkClipStack &) {}
    virtual void gainFocus (SkCanvas *, const SkMatrix &, const SkRegion &, const SkClipStack &) {}
    virtual void onBroadcast (uint32_t) {}

    virtual void drawPaint (const SkDraw &draw, const SkPaint &paint);
    virtual void drawPoints (const SkDraw &draw, SkDraw::PointMode mode, size_t count, const SkPoint pts[],
                             const SkPaint &paint);
    virtual void drawRect (const SkDraw &draw, const SkRect &rect, const SkPaint &paint);
    virtual void drawPath (const SkDraw &draw, const SkPath &path, const SkPaint &paint,
                           const SkMatrix *prePathMatrix = nullptr, bool pathIsMutable = false);
    // srcRect, when given, is the part of bitmap to draw.
    virtual void drawBitmap (const SkDraw &draw, const SkBitmap &bitmap, const SkIRect *srcRect,
                             const SkMatrix &matrix, const SkPaint &paint);
    virtual void drawSprite (const SkDraw &draw, const SkBitmap &bitmap, int x, int y, const SkPaint &paint);
    virtual void drawText (const SkDraw &draw, const void *text, size_t byteLength, SkScalar x, SkScalar y,
                           const SkPaint &paint);
    // The base device ignores positioned text, text on paths and vertices.
    virtual void drawPosText (const SkDraw &, const void *, size_t, const SkScalar[], SkScalar, int, const SkPaint &) {}
    virtual void drawTextOnPath (const SkDraw &, const void *, size_t, const SkPath &, const SkMatrix *,
                                 const SkPaint &) {}
    // source's pixels at (x, y) of this device: how a finished layer joins the one below.
    virtual void drawDevice (const SkDraw &draw, SkDevice *source, int x, int y, const SkPaint &paint);

    virtual void lockPixels ();
    virtual void unlockPixels ();
    // A new device for a layer drawn over this one, or null.
    virtual SkDevice *createCompatibleDevice (SkBitmap::Config config, int width, int height, bool isOpaque);

    // The bitmap drawn into; changePixels marks its pixels as changed.
    const SkBitmap &accessBitmap (bool changePixels);

    // Where this device sits in the root device's coordinates (a layer's top-left corner).
    const SkIPoint &getOrigin () const { return fOrigin; }
    void setOrigin (int x, int y) { fOrigin.set (x, y); }

protected:
    // Called before the bitmap is handed out.
    virtual void onAccessBitmap (SkBitmap *bitmap) { (void)bitmap; }

private:
    SkBitmap fBitmap;
    SkIPoint fOrigin;
};

#endif
