/*
 * SkShader: turns device pixel positions into premultiplied colours for the blitters. A draw
 * calls setContext once (which fixes the inverse of draw matrix × local matrix, the paint
 * alpha and the device format), then shadeSpan once per horizontal run.
 */
#ifndef GRAPHICS_EFFECTS_SKSHADER_H_
#define GRAPHICS_EFFECTS_SKSHADER_H_

#include "graphics/core/SkColor.h"
#include "graphics/flatten/SkFlattenable.h"
#include "graphics/geometry/SkMatrix.h"

class SkBitmap;
class SkPaint;

class SkShader : public SkFlattenable {
public:
    SkShader ();
    // Reads the base fields written by flatten (every subclass's reader calls it first).
    explicit SkShader (SkFlattenableReadBuffer &buffer);
    ~SkShader () override;

    enum Flags {
        kOpaqueAlpha_Flag = 0x01,   // every pixel has alpha 255
        kHasSpan16_Flag = 0x02,
        kConstInY32_Flag = 0x08,    // the span does not depend on y
        kConstInY16_Flag = 0x10,
    };
    enum TileMode { kClamp_TileMode, kRepeat_TileMode, kMirror_TileMode, kTileModeCount };
    enum MatrixClass { kLinear_MatrixClass, kFixedStepInX_MatrixClass, kPerspective_MatrixClass };
    enum BitmapType {
        kNone_BitmapType, kDefault_BitmapType, kRadial_BitmapType, kSweep_BitmapType,
        kTwoPointRadial_BitmapType,
    };
    enum GradientType {
        kNone_GradientType, kColor_GradientType, kLinear_GradientType, kRadial_GradientType,
        kRadial2_GradientType, kSweep_GradientType,
    };
    struct GradientInfo {
        int32_t fColorCount;        // in: room in the arrays; out: number of colours
        SkColor *fColors;           // may be null
        SkScalar *fColorOffsets;    // may be null
        SkPoint fPoint[2];
        SkScalar fRadius[2];
        int32_t fTileMode;
    };

    // False and the identity when there is no local matrix.
    bool getLocalMatrix (SkMatrix *localM) const;
    // An identity matrix drops the stored one; false only when storage cannot be allocated.
    bool setLocalMatrix (const SkMatrix &localM);
    void resetLocalMatrix ();

    virtual bool toDumpString (void *) const { return false; }
    virtual uint32_t getFlags () { return 0; }
    virtual uint8_t getSpan16Alpha () const { return fPaintAlpha; }
    // False when the total matrix cannot be inverted: nothing is drawn then.
    virtual bool setContext (const SkBitmap &device, const SkPaint &paint, const SkMatrix &matrix);
    // Every subclass shades; the base gives transparent pixels (the firmware build has no
    // handler for pure virtual calls).
    virtual void shadeSpan (int x, int y, SkPMColor dst[], int count);
    // The alpha bytes of shadeSpan, computed in chunks.
    virtual void shadeSpanAlpha (int x, int y, uint8_t alpha[], int count);
    virtual void beginSession () {}
    virtual void endSession () {}
    virtual BitmapType asABitmap (SkBitmap *outTexture, SkMatrix *outMatrix, TileMode xy[2],
                                  SkScalar *twoPointRadialParams) const;
    virtual GradientType asAGradient (GradientInfo *info) const;
    // The base writes whether there is a local matrix and then its nine values.
    void flatten (SkFlattenableWriteBuffer &buffer) override;
    Type getFlattenableType () const override { return kShader_Type; }

    static MatrixClass ComputeMatrixClass (const SkMatrix &matrix);
    // The shader for drawing src, both tile modes clamp: an empty shader for a bitmap with
    // neither pixels nor a pixel ref, a colour shader for a 1×1 bitmap whose pixel reads as a
    // colour (8888, 565, index8 with its table), else a bitmap shader. Null when memory runs out.
    static SkShader *CreateBitmapShader (const SkBitmap &src);

protected:
    uint8_t getPaintAlpha () const { return fPaintAlpha; }
    uint8_t getDeviceConfig () const { return fDeviceConfig; }
    const SkMatrix &getTotalInverse () const { return fTotalInverse; }
    MatrixClass getInverseClass () const { return (MatrixClass)fTotalInverseClass; }

private:
    SkMatrix *fLocalMatrix;     // null means identity
    SkMatrix fTotalInverse;
    uint8_t fPaintAlpha;
    uint8_t fDeviceConfig;
    uint8_t fTotalInverseClass;
};

// A single colour, either its own or (inherit) the paint's colour at setContext time.
class SkColorShader : public SkShader {
public:
    SkColorShader ();                   // inherits the paint's colour
    explicit SkColorShader (SkColor c);
    explicit SkColorShader (SkFlattenableReadBuffer &buffer);

    Factory getFactory () override { return CreateProc; }
    void flatten (SkFlattenableWriteBuffer &buffer) override;
    static SkFlattenable *CreateProc (SkFlattenableReadBuffer &buffer);

    uint32_t getFlags () override { return fFlags; }
    uint8_t getSpan16Alpha () const override { return SkGetPMColorAlpha (fPMColor); }
    bool setContext (const SkBitmap &device, const SkPaint &paint, const SkMatrix &matrix) override;
    void shadeSpan (int x, int y, SkPMColor dst[], int count) override;
    void shadeSpanAlpha (int x, int y, uint8_t alpha[], int count) override;
    GradientType asAGradient (GradientInfo *info) const override;

private:
    static uint8_t SkGetPMColorAlpha (SkPMColor c) { return (uint8_t)(c >> 24); }

    SkColor fColor;
    SkPMColor fPMColor;
    uint32_t fFlags;
    uint16_t fColor16;
    uint8_t fInheritColor;
};

// Draws nothing: setContext always fails.
class SkEmptyShader : public SkShader {
public:
    SkEmptyShader () {}
    explicit SkEmptyShader (SkFlattenableReadBuffer &buffer) : SkShader (buffer) {}
    Factory getFactory () override { return CreateProc; }
    static SkFlattenable *CreateProc (SkFlattenableReadBuffer &buffer);
    uint32_t getFlags () override { return 0; }
    uint8_t getSpan16Alpha () const override { return 0; }
    bool setContext (const SkBitmap &, const SkPaint &, const SkMatrix &) override { return false; }
    void shadeSpan (int, int, SkPMColor[], int) override {}
    void shadeSpanAlpha (int, int, uint8_t[], int) override {}
};

class SkColorFilter;

// Runs another shader, then a colour filter over its spans. Holds a reference on both.
class SkFilterShader : public SkShader {
public:
    SkFilterShader (SkShader *shader, SkColorFilter *filter);
    ~SkFilterShader () override;

    // Written as the base, the inner shader and the filter; the factory has no registry name.
    Factory getFactory () override { return CreateProc; }
    void flatten (SkFlattenableWriteBuffer &buffer) override;
    static SkFlattenable *CreateProc (SkFlattenableReadBuffer &buffer);

    uint32_t getFlags () override;
    bool setContext (const SkBitmap &device, const SkPaint &paint, const SkMatrix &matrix) override;
    void shadeSpan (int x, int y, SkPMColor dst[], int count) override;
    void beginSession () override;
    void endSession () override;

private:
    SkShader *fShader;
    SkColorFilter *fFilter;
};

#endif
