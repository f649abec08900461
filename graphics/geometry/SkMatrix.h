/*
 * SkMatrix, the 3x3 single-precision transform, with a type mask computed lazily from the
 * values so that every operation can take the short path for its kind (identity, translate,
 * scale, affine, perspective). SkPerspIter walks a row of pixels through a perspective
 * matrix in 16.16 fixed point.
 */
#ifndef GRAPHICS_GEOMETRY_SKMATRIX_H_
#define GRAPHICS_GEOMETRY_SKMATRIX_H_

#include "graphics/geometry/SkRect.h"

class SkMatrix {
public:
    enum {
        kMScaleX = 0, kMSkewX, kMTransX,
        kMSkewY, kMScaleY, kMTransY,
        kMPersp0, kMPersp1, kMPersp2,
    };

    enum TypeMask : uint8_t {
        kIdentity_Mask = 0,
        kTranslate_Mask = 0x01,
        kScale_Mask = 0x02,
        kAffine_Mask = 0x04,
        kPerspective_Mask = 0x08,
        kRectStaysRect_Mask = 0x10,
        kOnlyPerspectiveValid_Mask = 0x40,
        kUnknown_Mask = 0x80,
        kAllTypes_Mask = 0x0F,
    };

    // The mask states while the values are known but the mask is not.
    static const uint8_t kUnknownNoPerspective = kUnknown_Mask | kOnlyPerspectiveValid_Mask;
    static const uint8_t kUnknownPerspective = kUnknownNoPerspective | kPerspective_Mask;

    constexpr SkMatrix () : fMat { 1, 0, 0, 0, 1, 0, 0, 0, 1 }, fTypeMask (kRectStaysRect_Mask) {}

    // --- type ---------------------------------------------------------------------------
    uint8_t computeTypeMask () const;
    // The four type bits; the mask is recomputed and stored first when unknown.
    uint8_t getType () const
    {
        if (fTypeMask & kUnknown_Mask) {
            fTypeMask = computeTypeMask ();
        }
        return fTypeMask & kAllTypes_Mask;
    }
    // Enough of the mask to test the perspective bit.
    uint8_t getPerspectiveTypeMaskOnly () const;
    bool isIdentity () const { return getType () == 0; }
    bool hasPerspective () const { return (getPerspectiveTypeMaskOnly () & kPerspective_Mask) != 0; }
    bool rectStaysRect () const
    {
        if (fTypeMask & kUnknown_Mask) {
            fTypeMask = computeTypeMask ();
        }
        return (fTypeMask & kRectStaysRect_Mask) != 0;
    }
    uint8_t rawTypeMask () const { return fTypeMask; }   // the stored byte, for tests

    // --- values -------------------------------------------------------------------------
    SkScalar get (int index) const { return fMat[index]; }
    SkScalar operator[] (int index) const { return fMat[index]; }
    SkScalar getScaleX () const { return fMat[kMScaleX]; }
    SkScalar getScaleY () const { return fMat[kMScaleY]; }
    SkScalar getSkewX () const { return fMat[kMSkewX]; }
    SkScalar getSkewY () const { return fMat[kMSkewY]; }
    SkScalar getTranslateX () const { return fMat[kMTransX]; }
    SkScalar getTranslateY () const { return fMat[kMTransY]; }
    SkScalar getPerspX () const { return fMat[kMPersp0]; }
    SkScalar getPerspY () const { return fMat[kMPersp1]; }
    // Writing one value makes the mask unknown.
    void set (int index, SkScalar value) { fMat[index] = value; fTypeMask = kUnknown_Mask; }
    void setAll (SkScalar scaleX, SkScalar skewX, SkScalar transX, SkScalar skewY, SkScalar scaleY,
                 SkScalar transY, SkScalar persp0, SkScalar persp1, SkScalar persp2);
    bool operator== (const SkMatrix &other) const;
    bool operator!= (const SkMatrix &other) const { return !(*this == other); }

    // --- setters ------------------------------------------------------------------------
    void reset ();
    void setIdentity () { reset (); }
    void setTranslate (SkScalar dx, SkScalar dy);
    void setScale (SkScalar sx, SkScalar sy);
    void setScale (SkScalar sx, SkScalar sy, SkScalar px, SkScalar py);
    void setRotate (SkScalar degrees, SkScalar px, SkScalar py);
    void setRotate (SkScalar degrees) { setRotateOrigin (degrees); }
    void setRotateOrigin (SkScalar degrees);
    void setSkew (SkScalar kx, SkScalar ky);
    // Maps src onto dst by scale and translate (fill). False (identity) when src is empty.
    bool setRectToRect (const SkRect &src, const SkRect &dst);

    // --- concatenation (all return true) ------------------------------------------------
    bool setConcat (const SkMatrix &a, const SkMatrix &b);   // this = a * b, b applies first
    bool preConcat (const SkMatrix &m);
    bool postConcat (const SkMatrix &m);
    bool preTranslate (SkScalar dx, SkScalar dy);
    bool preScale (SkScalar sx, SkScalar sy);
    bool preRotate (SkScalar degrees);
    bool preSkew (SkScalar kx, SkScalar ky);
    bool postTranslate (SkScalar dx, SkScalar dy);
    bool postScale (SkScalar sx, SkScalar sy);
    bool postRotate (SkScalar degrees);
    bool postSkew (SkScalar kx, SkScalar ky);

    // False (out untouched) when the determinant is below 2^-36 in magnitude. A null out
    // only asks whether the matrix is invertible. out may be this.
    bool invert (SkMatrix *out) const;

    // --- mapping ------------------------------------------------------------------------
    typedef void (*MapPtsProc) (const SkMatrix &m, SkPoint dst[], const SkPoint src[], int count);
    typedef void (*MapXYProc) (const SkMatrix &m, SkScalar x, SkScalar y, SkPoint *result);

    // dst may equal src.
    void mapPoints (SkPoint dst[], const SkPoint src[], int count) const;
    void mapPoints (SkPoint pts[], int count) const { mapPoints (pts, pts, count); }
    void mapXY (SkScalar x, SkScalar y, SkPoint *result) const;
    void mapVectors (SkVector dst[], const SkVector src[], int count) const;
    // True when the result is exact (the matrix keeps rectangles rectangles); otherwise the
    // bounds of the four mapped corners and false.
    bool mapRect (SkRect *dst, const SkRect &src) const;
    bool mapRect (SkRect *rect) const { return mapRect (rect, *rect); }
    // The 16.16 change of the mapped point per unit step in x along row y.
    bool fixedStepInX (SkScalar y, SkFixed *stepX, SkFixed *stepY) const;

    MapPtsProc getMapPtsProc () const;
    MapXYProc getMapXYProc () const;
    static void Persp_xy (const SkMatrix &m, SkScalar x, SkScalar y, SkPoint *result);

    static const SkMatrix &I ();

private:
    SkScalar fMat[9];
    mutable uint8_t fTypeMask;
};

class SkPerspIter {
public:
    enum { kCount = 16 };

    SkPerspIter (const SkMatrix &m, SkScalar x, SkScalar y, int count);
    // The points of the next batch (up to 16), or 0 when none remain.
    int next ();
    const SkFixed *getXY () const { return &fStorage[0][0]; }

private:
    const SkMatrix *fMatrix;
    SkFixed fStorage[kCount][2];
    SkFixed fX, fY;
    SkScalar fSX, fSY;
    int32_t fCount;
};

#endif
