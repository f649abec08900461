/*
 * The concrete blitters SkBlitter::Choose hands out: solid colour and shader blitters for
 * 32-bit premultiplied and 8-bit alpha devices.
 */
#ifndef GRAPHICS_RASTER_SKCOREBLITTERS_H_
#define GRAPHICS_RASTER_SKCOREBLITTERS_H_

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/raster/SkBlitRow.h"
#include "graphics/raster/SkBlitter.h"

class SkPaint;
class SkShader;
class SkXfermode;

// A colour with alpha below 255 (also 0, which draws nothing); base of the opaque and black
// variants.
class SkARGB32SolidBlitter : public SkBlitter {
public:
    SkARGB32SolidBlitter (const SkBitmap &device, const SkPaint &paint);
    void blitH (int x, int y, int width) override;
    void blitAntiH (int x, int y, SkAlpha antialias[], int16_t runs[]) override;
    void blitV (int x, int y, int height, SkAlpha alpha) override;
    void blitRect (int x, int y, int width, int height) override;
    void blitMask (const SkMask &mask, const SkIRect &clip) override;
    const SkBitmap *justAnOpaqueColor (uint32_t *value) override;

protected:
    virtual void blitBWMask (const SkMask &mask, const SkIRect &clip);
    void blitARGB32Mask (const SkMask &mask, const SkIRect &clip);
    void blitLCD16Mask (const SkMask &mask, const SkIRect &clip);
    void blitLCD32Mask (const SkMask &mask, const SkIRect &clip);

    SkBitmap fDevice;
    SkColor fColor;
    SkPMColor fPMColor;
    SkBlitMaskColorProc fMaskProc;
    unsigned fSrcA, fSrcR, fSrcG, fSrcB;
};

// An opaque colour other than black: set bits of 1-bit masks store the colour.
class SkARGB32OpaqueBlitter : public SkARGB32SolidBlitter {
public:
    SkARGB32OpaqueBlitter (const SkBitmap &device, const SkPaint &paint) : SkARGB32SolidBlitter (device, paint) {}

protected:
    void blitBWMask (const SkMask &mask, const SkIRect &clip) override;
};

// Opaque black, the colour of most text.
class SkARGB32BlackBlitter : public SkARGB32OpaqueBlitter {
public:
    SkARGB32BlackBlitter (const SkBitmap &device, const SkPaint &paint);
    void blitAntiH (int x, int y, SkAlpha antialias[], int16_t runs[]) override;
};

// Holds the shader (one reference) between its beginSession and endSession, the paint's
// transfer mode (one reference or null) and a row buffer of bytesPerPixel per device pixel,
// which both devices need for shaded spans.
class SkShaderBlitter : public SkBlitter {
public:
    SkShaderBlitter (const SkBitmap &device, const SkPaint &paint, size_t bytesPerPixel);
    ~SkShaderBlitter () override;

protected:
    SkBitmap fDevice;
    uint32_t fShaderFlags;
    SkShader *fShader;
    SkXfermode *fXfermode;
    SkPMColor *fBuffer;         // null (out of memory) disables the blitter
};

// fBuffer holds one device row of shaded colours.
class SkARGB32ShaderBlitter : public SkShaderBlitter {
public:
    SkARGB32ShaderBlitter (const SkBitmap &device, const SkPaint &paint);
    void blitH (int x, int y, int width) override;
    void blitAntiH (int x, int y, SkAlpha antialias[], int16_t runs[]) override;

private:
    SkBlitRow::Proc fProc255, fProcAlpha;
};

class SkA8SolidBlitter : public SkBlitter {
public:
    SkA8SolidBlitter (const SkBitmap &device, const SkPaint &paint);
    void blitH (int x, int y, int width) override;
    void blitAntiH (int x, int y, SkAlpha antialias[], int16_t runs[]) override;
    void blitV (int x, int y, int height, SkAlpha alpha) override;
    void blitRect (int x, int y, int width, int height) override;
    void blitMask (const SkMask &mask, const SkIRect &clip) override;
    const SkBitmap *justAnOpaqueColor (uint32_t *value) override;

private:
    SkBitmap fDevice;
    unsigned fSrcA;
};

class SkA8ShaderBlitter : public SkShaderBlitter {
public:
    SkA8ShaderBlitter (const SkBitmap &device, const SkPaint &paint);
    void blitH (int x, int y, int width) override;
    void blitAntiH (int x, int y, SkAlpha antialias[], int16_t runs[]) override;
    void blitMask (const SkMask &mask, const SkIRect &clip) override;

private:
    uint8_t *fAAExpand;         // the coverage bytes after fBuffer's device width of colours
};

// Calls fn (x, y) for every set bit of a 1-bit mask inside clip.
template <typename Fn> void SkForEachMaskBit (const SkMask &mask, const SkIRect &clip, Fn fn)
{
    for (int y = clip.fTop; y < clip.fBottom; y++) {
        const uint8_t *row = mask.fImage + (size_t)(y - mask.fBounds.fTop) * mask.fRowBytes;
        for (int x = clip.fLeft; x < clip.fRight; x++) {
            int bit = x - mask.fBounds.fLeft;
            if (row[bit >> 3] & (0x80 >> (bit & 7))) fn (x, y);
        }
    }
}

#endif
