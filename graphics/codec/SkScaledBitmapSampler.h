/*
 * The scaled-bitmap sampler: decoders hand it decoded source rows; it keeps every n-th
 * row and column, converts each kept pixel to the bitmap's config (optionally with
 * ordered dithering) and writes the bitmap row by row, reporting alpha below 255.
 */
#ifndef GRAPHICS_CODEC_SK_SCALED_BITMAP_SAMPLER_H_
#define GRAPHICS_CODEC_SK_SCALED_BITMAP_SAMPLER_H_

#include <graphics/bitmap/SkBitmap.h>
#include <graphics/core/SkColor.h>

class SkScaledBitmapSampler {
public:
    enum SrcConfig {
        kGray,    // 1 byte a pixel
        kIndex,   // 1 byte a pixel, through the colour table
        kRGB,     // 3 bytes
        kRGBX,    // 4 bytes, the fourth ignored
        kRGBA,    // 4 bytes, not premultiplied
        kRGB_565  // 2 bytes
    };

    // (destination row, first source pixel, count, source step in bytes, output row, table).
    typedef bool (*RowProc) (void *dst, const uint8_t *src, int width, int deltaSrc, int y, const SkPMColor ctable[]);

    SkScaledBitmapSampler ();

    // Sets the source size and the sample size: with a sample size above 1 every n-th
    // column and row is kept, starting at n / 2.
    void begin (int srcWidth, int srcHeight, int sampleSize);

    int scaledWidth () const { return fScaledWidth; }
    int scaledHeight () const { return fScaledHeight; }
    int srcY0 () const { return fY0; }
    int srcDY () const { return fDY; }

    // Picks the row procedure for the source layout and the bitmap's config; false when
    // the pair has none or the bitmap has no pixels.
    bool setup (SkBitmap *dst, SrcConfig sc, bool doDither, const SkPMColor *ctable = nullptr);
    // Writes the next output row from a source row; true when a written pixel had alpha < 255.
    bool next (const uint8_t *srcRow);

private:
    int fScaledWidth, fScaledHeight;
    int fX0, fY0, fDX, fDY;
    uint8_t *fDstRow;
    uint32_t fDstRowBytes;
    int fSrcPixelSize;
    int fCurrY;
    RowProc fRowProc;
    const SkPMColor *fCTable;
};

#endif
