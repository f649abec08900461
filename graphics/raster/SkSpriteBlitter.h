/*
 * Sprite blitters: copy a 32-bit bitmap onto a 32-bit device at an integer offset, through a
 * row procedure, or through a colour filter and a transfer mode.
 */
#ifndef GRAPHICS_RASTER_SKSPRITEBLITTER_H_
#define GRAPHICS_RASTER_SKSPRITEBLITTER_H_

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/raster/SkBlitRow.h"
#include "graphics/raster/SkBlitter.h"

class SkColorFilter;
class SkXfermode;

class SkSpriteBlitter : public SkBlitter {
public:
    explicit SkSpriteBlitter (const SkBitmap &source);
    ~SkSpriteBlitter () override;

    // Where the source's origin lands on the device, and the paint of the draw.
    virtual void setup (const SkBitmap &device, int left, int top, const SkPaint &paint);
    void blitH (int, int, int) override {}
    void blitAntiH (int, int, SkAlpha[], int16_t[]) override {}

    // A sprite blitter for a 32-bit device, or null when the source or paint needs the
    // general bitmap path (the blitter always lives on the heap; storage is unused).
    static SkSpriteBlitter *ChooseD32 (const SkBitmap &source, const SkPaint &paint, void *storage, size_t storageSize);

protected:
    SkBitmap fDevice;
    SkBitmap fSource;
    int fLeft, fTop;
    const SkPaint *fPaint;
};

class SkSprite32Blitter : public SkSpriteBlitter {
public:
    SkSprite32Blitter (const SkBitmap &source, SkBlitRow::Proc proc, unsigned alpha)
        : SkSpriteBlitter (source), fProc (proc), fAlpha (alpha) {}
    void blitRect (int x, int y, int width, int height) override;

private:
    SkBlitRow::Proc fProc;
    unsigned fAlpha;
};

class SkSprite32XferBlitter : public SkSpriteBlitter {
public:
    SkSprite32XferBlitter (const SkBitmap &source, SkColorFilter *filter, SkXfermode *mode, SkBlitRow::Proc proc, unsigned alpha);
    ~SkSprite32XferBlitter () override;
    void setup (const SkBitmap &device, int left, int top, const SkPaint &paint) override;
    void blitRect (int x, int y, int width, int height) override;

private:
    SkColorFilter *fColorFilter;
    SkXfermode *fXfermode;
    int fBufferSize;
    SkPMColor *fBuffer;
    SkBlitRow::Proc fProc;
    unsigned fAlpha;
};

#endif
