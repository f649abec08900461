/*
 * Sprite blitters for 32-bit devices and their choice.
 */
#include "graphics/raster/SkSpriteBlitter.h"

#include "graphics/effects/SkColorFilter.h"
#include "graphics/effects/SkXfermode.h"
#include "graphics/paint/SkPaint.h"

SkSpriteBlitter::SkSpriteBlitter (const SkBitmap &source) : fSource (source), fLeft (0), fTop (0), fPaint (nullptr)
{
    fSource.lockPixels ();
}

SkSpriteBlitter::~SkSpriteBlitter () { fSource.unlockPixels (); }

void SkSpriteBlitter::setup (const SkBitmap &device, int left, int top, const SkPaint &paint)
{
    fDevice = device;
    fDevice.lockPixels ();      // the copy gets the pixels only at its own lock
    fLeft = left;
    fTop = top;
    fPaint = &paint;
}

void SkSprite32Blitter::blitRect (int x, int y, int width, int height)
{
    for (int i = 0; i < height; i++)
        fProc (fDevice.getAddr32 (x, y + i), fSource.getAddr32 (x - fLeft, y + i - fTop), width, fAlpha);
}

SkSprite32XferBlitter::SkSprite32XferBlitter (const SkBitmap &source, SkColorFilter *filter, SkXfermode *mode,
                                              SkBlitRow::Proc proc, unsigned alpha)
    : SkSpriteBlitter (source), fColorFilter (filter), fXfermode (mode), fBufferSize (0), fBuffer (nullptr),
      fProc (proc), fAlpha (alpha)
{
    SkSafeRef (fColorFilter);
    SkSafeRef (fXfermode);
}

SkSprite32XferBlitter::~SkSprite32XferBlitter ()
{
    sk_free (fBuffer);
    SkSafeUnref (fXfermode);
    SkSafeUnref (fColorFilter);
}

void SkSprite32XferBlitter::setup (const SkBitmap &device, int left, int top, const SkPaint &paint)
{
    SkSpriteBlitter::setup (device, left, top, paint);
    if (device.width () > fBufferSize) {
        sk_free (fBuffer);
        fBuffer = (SkPMColor *)sk_malloc ((size_t)device.width () * sizeof (SkPMColor));
        fBufferSize = fBuffer != nullptr ? device.width () : 0;
    }
}

void SkSprite32XferBlitter::blitRect (int x, int y, int width, int height)
{
    // Without the filter's row buffer nothing can be drawn correctly: draw nothing.
    if (fColorFilter != nullptr && (fBuffer == nullptr || width > fBufferSize)) return;
    for (int i = 0; i < height; i++) {
        const SkPMColor *src = fSource.getAddr32 (x - fLeft, y + i - fTop);
        uint32_t *dst = fDevice.getAddr32 (x, y + i);
        if (fColorFilter != nullptr) {
            fColorFilter->filterSpan (src, width, fBuffer);
            src = fBuffer;
        }
        if (fXfermode != nullptr) fXfermode->xfer32 (dst, src, width, nullptr);
        else fProc (dst, src, width, fAlpha);
    }
}

SkSpriteBlitter *SkSpriteBlitter::ChooseD32 (const SkBitmap &source, const SkPaint &paint, void *, size_t)
{
    if (paint.getMaskFilter () != nullptr || source.config () != SkBitmap::kARGB_8888_Config) return nullptr;
    unsigned alpha = paint.getAlpha ();
    unsigned flags = (alpha < 255 ? SkBlitRow::kGlobalAlpha_Flag : 0) | (source.isOpaque () ? 0 : SkBlitRow::kSrcPixelAlpha_Flag);
    SkBlitRow::Proc proc = SkBlitRow::Factory32 (flags);
    if (paint.getColorFilter () != nullptr || paint.getXfermode () != nullptr) {
        if (alpha < 255) return nullptr;
        return new SkSprite32XferBlitter (source, paint.getColorFilter (), paint.getXfermode (), proc, alpha);
    }
    return new SkSprite32Blitter (source, proc, alpha);
}

SkBlitter *SkBlitter::ChooseSprite (const SkBitmap &device, const SkPaint &paint, const SkBitmap &source,
                                     int left, int top, void *storage)
{
    if (device.config () != SkBitmap::kARGB_8888_Config) return nullptr;
    SkSpriteBlitter *blitter = SkSpriteBlitter::ChooseD32 (source, paint, storage, 456);
    if (blitter != nullptr) blitter->setup (device, left, top, paint);
    return blitter;
}
