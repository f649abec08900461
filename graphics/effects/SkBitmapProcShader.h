/*
 * SkBitmapProcShader: shades with a bitmap seen through the inverse of the draw matrix, each
 * direction tiled (clamp, repeat, mirror), sampled with or without bilinear filtering.
 */
#ifndef GRAPHICS_EFFECTS_SKBITMAPPROCSHADER_H_
#define GRAPHICS_EFFECTS_SKBITMAPPROCSHADER_H_

#include "graphics/effects/SkBitmapProcState.h"
#include "graphics/effects/SkShader.h"

class SkBitmapProcShader : public SkShader {
public:
    // Holds a counted copy of src. Tile modes outside clamp, repeat and mirror make every
    // setContext fail.
    SkBitmapProcShader (const SkBitmap &src, TileMode tmx, TileMode tmy);
    explicit SkBitmapProcShader (SkFlattenableReadBuffer &buffer);

    // Written as the base, the bitmap and the two tile modes.
    Factory getFactory () override { return CreateProc; }
    void flatten (SkFlattenableWriteBuffer &buffer) override;
    // Null for short data or a tile mode that does not exist.
    static SkFlattenable *CreateProc (SkFlattenableReadBuffer &buffer);

    uint32_t getFlags () override { return fFlags; }
    // False when the bitmap has no pixels (or needs a colour table it lacks), is not 8888,
    // or the matrix is singular. The source pixels stay locked until the next setContext.
    bool setContext (const SkBitmap &device, const SkPaint &paint, const SkMatrix &matrix) override;
    void shadeSpan (int x, int y, SkPMColor dst[], int count) override;
    void beginSession () override;
    void endSession () override;
    BitmapType asABitmap (SkBitmap *outTexture, SkMatrix *outMatrix, TileMode xy[2],
                          SkScalar *twoPointRadialParams) const override;
    // Appends the pixel ref's URI and the tile modes to the SkString str points to.
    bool toDumpString (void *str) const override;

    // The sampling state of the last setContext, for tests.
    const SkBitmapProcState &state () const { return fState; }

private:
    SkBitmap fRawBitmap;
    SkBitmapProcState fState;
    uint32_t fFlags;
};

#endif
