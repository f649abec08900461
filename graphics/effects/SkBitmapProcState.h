/*
 * SkBitmapProcState: the sampling engine of the bitmap shader. For each run of device pixels a
 * matrix procedure maps the pixel centres back into the bitmap through the inverse matrix,
 * applies the tile modes and writes packed integer coordinates; a sample procedure turns them
 * into premultiplied colours, with or without bilinear filtering. Both are chosen once per
 * draw by chooseProcs.
 *
 * Coordinate buffer layouts (what a matrix procedure writes and a sample procedure reads):
 *   translate or scale only, unfiltered: word 0 the row, then 16-bit columns, two per word,
 *     the lower half first;
 *   translate or scale only, filtered: word 0 the packed row, then one packed column per pixel;
 *   affine or perspective, unfiltered: one word per pixel, row << 16 | column;
 *   affine or perspective, filtered: two words per pixel, the packed row then the packed column.
 * A packed filter coordinate is (i0 << 18) | (w << 14) | i1: the pixel at or before the sample
 * point, the weight of the next one in sixteenths, and the next pixel after tiling.
 */
#ifndef GRAPHICS_EFFECTS_SKBITMAPPROCSTATE_H_
#define GRAPHICS_EFFECTS_SKBITMAPPROCSTATE_H_

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/core/SkColor.h"
#include "graphics/effects/SkTileProcs.h"
#include "graphics/geometry/SkMatrix.h"

class SkPaint;

class SkBitmapProcState {
public:
    typedef void (*MatrixProc) (const SkBitmapProcState &s, uint32_t xy[], int count, int x, int y);
    typedef void (*SampleProc32) (const SkBitmapProcState &s, const uint32_t xy[], int count, SkPMColor colors[]);
    typedef void (*ShaderProc32) (const SkBitmapProcState &s, int x, int y, SkPMColor colors[], int count);
    typedef SkFixedTileProc FixedTileProc;
    typedef int (*IntTileProc) (int value, int count);

    enum {
        kCoordinateWords = 128,     // the coordinate buffer of one matrix-procedure call
        kMaxFilterSide = 16384,     // a bitmap this wide or high is never filtered
    };

    SkBitmapProcState ();

    // Chooses the procedures for inverse (device to bitmap) and the paint's alpha and filter
    // flag. fOrigBitmap, fTileModeX and fTileModeY must be set first. False when the bitmap
    // is empty or not 8888: nothing is drawn then.
    bool chooseProcs (const SkMatrix &inverse, const SkPaint &paint);

    // The most pixels one matrix-procedure call may cover with kCoordinateWords words.
    int maxCountPerCall () const;

    // When set, shades a whole run by itself, with the colours the matrix and sample
    // procedures would give chunk by chunk: the common filtered scale of a clamped bitmap
    // steps its position and samples in one loop instead of a pass through the coordinate
    // buffer.
    ShaderProc32 fShaderProc32;
    MatrixProc fMatrixProc;
    SampleProc32 fSampleProc32;
    const SkBitmap *fBitmap;        // fOrigBitmap or fMipBitmap
    const SkMatrix *fInvMatrix;     // the caller's inverse or fUnitInverse
    SkMatrix::MapXYProc fInvProc;
    FixedTileProc fTileProcX;
    FixedTileProc fTileProcY;
    IntTileProc fIntTileProcY;
    SkFixed fFilterOneX;
    SkFixed fFilterOneY;
    SkFixed fInvSx;
    SkFixed fInvKy;
    uint16_t fAlphaScale;           // paint alpha + 1
    uint8_t fInvType;
    uint8_t fTileModeX;
    uint8_t fTileModeY;
    uint8_t fDoFilter;
    SkMatrix fUnitInverse;
    SkBitmap fOrigBitmap;
    SkBitmap fMipBitmap;

private:
    MatrixProc chooseMatrixProc (bool trivial);
    ShaderProc32 chooseShaderProc () const;
};

// The bilinear samplers of the scale-only layout (xy[0] the packed row, then one packed
// column per pixel). Each output channel is the four pixels weighted by (16 - fx)(16 - fy),
// fx(16 - fy), (16 - fx)fy and fx·fy, shifted right by 8; the alpha form then scales every
// channel by the state's alpha scale. The table hands out the SSE2 forms where
// SkGetProcForm names them; the plain forms are the reference they match bit for bit.
void SkFilterSample32 (const SkBitmapProcState &s, const uint32_t xy[], int count, SkPMColor colors[]);
void SkFilterSampleAlpha32 (const SkBitmapProcState &s, const uint32_t xy[], int count, SkPMColor colors[]);

#endif
