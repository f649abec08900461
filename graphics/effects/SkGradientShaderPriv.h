/*
 * The gradient classes. The base holds the colours and their positions, the points-to-unit
 * matrix that maps the gradient's own coordinates onto unit space (0 the first colour, 1 the
 * last), the tile mode, and a 256-entry colour cache (with 256 dithered twins) built for the
 * paint alpha of the last context. Each kind turns a device position into a cache index.
 * The linear, radial and sweep kinds also shade 5-6-5 rows, from a second cache that holds the
 * opaque colours only (a 16-bit row has no alpha to carry).
 */
#ifndef GRAPHICS_EFFECTS_SKGRADIENTSHADERPRIV_H_
#define GRAPHICS_EFFECTS_SKGRADIENTSHADERPRIV_H_

#include "graphics/effects/SkGradientShader.h"
#include "graphics/effects/SkTileProcs.h"

// The description of a gradient's colours, as constructors and readers take it.
struct SkGradientColors {
    const SkColor *fColors;
    const SkFixed *fPositions;  // null: evenly placed; else one 16.16 position per colour
    int fCount;
    SkShader::TileMode fMode;
};

class SkGradientBase : public SkShader {
public:
    enum {
        kCacheCount = 256,
        kMaxColorCount = 256,   // more colours than cache entries gain nothing
    };
    struct Rec {
        SkFixed fPos;           // 0 .. 0x10000, never decreasing
        uint32_t fScale;        // 2^24 / the distance from the previous position (0 when none)
    };

    ~SkGradientBase () override;

    // False when construction or reading failed (too few colours, no memory, bad data).
    bool valid () const { return fOrigColors != nullptr; }

    uint32_t getFlags () override { return fFlags; }
    bool setContext (const SkBitmap &device, const SkPaint &paint, const SkMatrix &matrix) override;
    void flatten (SkFlattenableWriteBuffer &buffer) override;

    // The 256 plain entries, then the 256 dithered ones, for the alpha of the last context;
    // null when memory runs out.
    const SkPMColor *getCache32 ();
    // The 256 plain 5-6-5 entries, then the 256 dithered ones; the colours' alpha and the
    // paint's are not in them. Null when memory runs out.
    const uint16_t *getCache16 ();
    int colorCount () const { return fColorCount; }
    const SkMatrix &ptsToUnit () const { return fPtsToUnit; }

protected:
    SkGradientBase (const SkGradientColors &desc);

    explicit SkGradientBase (SkFlattenableReadBuffer &buffer);

    // Fills info's colours, positions, count and tile mode.
    void commonAsAGradient (GradientInfo *info) const;
    // The 256 × 1 rendering of the cache at alpha 255, for asABitmap.
    bool commonAsABitmap (SkBitmap *bitmap) const;

    // Where a span takes the dithered twin of an entry: on the checkerboard's odd pixels
    // everywhere, only where the colour changes along the run, or never.
    enum Dither { kDitherAll, kDitherRamp, kDitherNone };

    SkMatrix fPtsToUnit;
    SkMatrix fDstToIndex;
    SkMatrix::MapXYProc fDstToIndexProc = nullptr;
    SkFixedTileProc fTileProc = nullptr;
    uint8_t fTileMode = 0;
    uint8_t fDstToIndexClass = 0;
    uint8_t fFlags = 0;
    // Geometry that spreads no gradient over the plane (a radius of 0, a line of length 0):
    // there is no colour to give, so nothing is drawn.
    bool fDegenerate = false;

private:
    bool initColors (const SkColor colors[], const SkFixed positions[], int count);
    void buildCache32 (SkPMColor cache[], unsigned alpha) const;
    void buildCache16 (uint16_t cache[]) const;

    int fColorCount = 0;
    SkColor *fOrigColors = nullptr;     // the colours, then fColorCount Recs, in one block
    Rec *fRecs = nullptr;
    SkPMColor *fCache32 = nullptr;      // 2 × kCacheCount entries once built
    uint16_t *fCache16 = nullptr;       // 2 × kCacheCount entries once built; no alpha, so built once
    uint32_t fCacheAlpha = 256;         // the paint alpha fCache32 holds; 256: none built
    uint32_t fPendingAlpha = 255;       // the paint alpha of the last context
};

class SkLinearGradient : public SkGradientBase {
public:
    SkLinearGradient (const SkPoint pts[2], const SkGradientColors &desc);
    explicit SkLinearGradient (SkFlattenableReadBuffer &buffer);
    static SkFlattenable *CreateProc (SkFlattenableReadBuffer &buffer);
    Factory getFactory () override { return CreateProc; }
    void flatten (SkFlattenableWriteBuffer &buffer) override;
    void shadeSpan (int x, int y, SkPMColor dst[], int count) override;
    // The row in 5-6-5, every other pixel from the dithered half of the 16-bit cache.
    void shadeSpan16 (int x, int y, uint16_t dst[], int count);
    BitmapType asABitmap (SkBitmap *, SkMatrix *, TileMode xy[2], SkScalar *) const override;
    GradientType asAGradient (GradientInfo *info) const override;

private:
    template <typename T> void shade (int x, int y, T dst[], int count, const T *cache, Dither dither);
    SkPoint fStart, fEnd;
};

class SkRadialGradient : public SkGradientBase {
public:
    SkRadialGradient (const SkPoint &center, SkScalar radius, const SkGradientColors &desc);
    explicit SkRadialGradient (SkFlattenableReadBuffer &buffer);
    static SkFlattenable *CreateProc (SkFlattenableReadBuffer &buffer);
    Factory getFactory () override { return CreateProc; }
    void flatten (SkFlattenableWriteBuffer &buffer) override;
    void shadeSpan (int x, int y, SkPMColor dst[], int count) override;
    // The row in 5-6-5, every other pixel from the dithered half of the 16-bit cache.
    void shadeSpan16 (int x, int y, uint16_t dst[], int count);
    BitmapType asABitmap (SkBitmap *, SkMatrix *, TileMode xy[2], SkScalar *) const override;
    GradientType asAGradient (GradientInfo *info) const override;

private:
    template <typename T> void shade (int x, int y, T dst[], int count, const T *cache, Dither dither);
    SkPoint fCenter;
    SkScalar fRadius;
};

class SkSweepGradient : public SkGradientBase {
public:
    SkSweepGradient (const SkPoint &center, const SkGradientColors &desc);
    explicit SkSweepGradient (SkFlattenableReadBuffer &buffer);
    static SkFlattenable *CreateProc (SkFlattenableReadBuffer &buffer);
    Factory getFactory () override { return CreateProc; }
    void flatten (SkFlattenableWriteBuffer &buffer) override;
    void shadeSpan (int x, int y, SkPMColor dst[], int count) override;
    // The row in 5-6-5, every other pixel from the dithered half of the 16-bit cache.
    void shadeSpan16 (int x, int y, uint16_t dst[], int count);
    BitmapType asABitmap (SkBitmap *, SkMatrix *, TileMode xy[2], SkScalar *) const override;
    GradientType asAGradient (GradientInfo *info) const override;

private:
    template <typename T> void shade (int x, int y, T dst[], int count, const T *cache, Dither dither);
    SkPoint fCenter;
};

class SkTwoPointRadialGradient : public SkGradientBase {
public:
    SkTwoPointRadialGradient (const SkPoint &start, SkScalar startRadius, const SkPoint &end, SkScalar endRadius,
                              const SkGradientColors &desc);
    explicit SkTwoPointRadialGradient (SkFlattenableReadBuffer &buffer);
    static SkFlattenable *CreateProc (SkFlattenableReadBuffer &buffer);
    Factory getFactory () override { return CreateProc; }
    void flatten (SkFlattenableWriteBuffer &buffer) override;
    bool setContext (const SkBitmap &device, const SkPaint &paint, const SkMatrix &matrix) override;
    void shadeSpan (int x, int y, SkPMColor dst[], int count) override;
    BitmapType asABitmap (SkBitmap *, SkMatrix *, TileMode xy[2], SkScalar *) const override;
    GradientType asAGradient (GradientInfo *info) const override;

private:
    void init ();
    SkPoint fCenter1, fCenter2;
    SkScalar fRadius1, fRadius2;
    SkPoint fDiff;
    SkScalar fStartRadius, fDiffRadius, fSr2d2, fA, fOneOverTwoA;
};

#endif
