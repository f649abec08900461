/*
 * Helpers shared by the draw engine's files.
 */
#ifndef GRAPHICS_CANVAS_SKDRAWPRIV_H_
#define GRAPHICS_CANVAS_SKDRAWPRIV_H_

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/canvas/SkDraw.h"
#include "graphics/paint/SkPaint.h"
#include "graphics/raster/SkBlitter.h"

// The blitter of one draw: created on the heap for the destination and paint, deleted when
// the draw ends. get () is null when memory ran out.
class SkAutoBlitterChoose : SkNoncopyable {
public:
    SkAutoBlitterChoose (const SkBitmap &device, const SkMatrix &matrix, const SkPaint &paint)
    {
        fBlitter = SkBlitter::Choose (device, matrix, paint, fStorage, sizeof (fStorage));
    }
    ~SkAutoBlitterChoose () { delete fBlitter; }
    SkBlitter *get () const { return fBlitter; }

private:
    SkBlitter *fBlitter;
    // Offered to the chooser, which creates every blitter on the heap instead.
    uint64_t fStorage[57];
};

// Frees a mask image when the draw ends.
class SkAutoMaskImage : SkNoncopyable {
public:
    explicit SkAutoMaskImage (uint8_t *image) : fImage (image) {}
    ~SkAutoMaskImage () { sk_free (fImage); }

private:
    uint8_t *fImage;
};

// A draw into the 8-bit image of an A8 mask, clipped to it; its matrix moves device
// coordinates onto the mask's pixels.
class SkMaskDraw : SkNoncopyable {
public:
    explicit SkMaskDraw (const SkMask &mask);
    const SkDraw &draw () const { return fDraw; }

private:
    SkBitmap fBitmap;
    SkRegion fClip;
    SkMatrix fMatrix;
    SkDraw fDraw;
};

// Rounded out (or to nearest) after limiting r to where every clip is left behind; false for
// a non-finite rectangle.
bool SkDrawRoundOut (const SkRect &r, SkIRect *out);
bool SkDrawRound (const SkRect &r, SkIRect *out);

// A stroke no wider than a device pixel is drawn as a hairline whose alpha carries the
// coverage. True with the alpha to use.
bool SkDrawTreatAsHairline (const SkPaint &paint, const SkMatrix &matrix, unsigned *alpha);

#endif
