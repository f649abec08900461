/*
 * SkPath, the vector outline of the library: contours of lines, quads and cubics with lazy
 * bounds, a segment mask and a convexity hint. A path is a value that owns its point and
 * verb arrays; nothing is allocated until the first point. SkPath::Iter walks it verb by
 * verb, closing contours when asked.
 */
#ifndef GRAPHICS_PATH_SKPATH_H_
#define GRAPHICS_PATH_SKPATH_H_

#include "graphics/geometry/SkMatrix.h"

class SkPath {
public:
    enum Verb : uint8_t {
        kMove_Verb = 0,    // 1 point
        kLine_Verb = 1,    // 1 point
        kQuad_Verb = 2,    // 2 points: control, end
        kCubic_Verb = 3,   // 3 points: two controls, end
        kClose_Verb = 4,   // no point
        kDone_Verb = 5,    // returned by the iterator at the end
    };
    enum FillType : uint8_t {
        kWinding_FillType = 0,
        kEvenOdd_FillType = 1,
        kInverseWinding_FillType = 2,
        kInverseEvenOdd_FillType = 3,
    };
    enum Convexity : uint8_t {
        kUnknown_Convexity = 0,
        kConvex_Convexity = 1,
        kConcave_Convexity = 2,
    };
    enum SegmentMask : uint8_t {
        kLine_SegmentMask = 0x01,
        kQuad_SegmentMask = 0x02,
        kCubic_SegmentMask = 0x04,
    };

    SkPath ();
    SkPath (const SkPath &other);
    ~SkPath ();
    SkPath &operator= (const SkPath &other);
    void swap (SkPath &other);

    // Frees both arrays; keeps the fill type.
    void reset ();
    // Grows both arrays for n more entries by the growth rule.
    void incReserve (int n);

    FillType getFillType () const { return (FillType)fFillType; }
    void setFillType (FillType type) { fFillType = type; }
    bool isInverseFillType () const { return (fFillType & 2) != 0; }
    void toggleInverseFillType () { fFillType ^= 2; }
    Convexity getConvexity () const { return (Convexity)fConvexity; }
    void setConvexity (Convexity c) { fConvexity = c; }
    bool isConvex () const { return fConvexity == kConvex_Convexity; }
    uint8_t getSegmentMasks () const { return fSegmentMask; }

    // No verbs, or a single move.
    bool isEmpty () const { return fVerbCount == 0 || (fVerbCount == 1 && fVerbs[0] == kMove_Verb); }
    int countPoints () const { return (int)fPointCount; }
    int countVerbs () const { return (int)fVerbCount; }
    const SkPoint *getPoints () const { return fPoints; }
    const uint8_t *getVerbs () const { return fVerbs; }
    SkPoint getPoint (int index) const { return fPoints[index]; }
    // The last point, or false (and (0, 0)) when there is none.
    bool getLastPt (SkPoint *pt) const;
    // Replaces the last point; on an empty path, moves there.
    void setLastPt (SkScalar x, SkScalar y);
    void setLastPt (const SkPoint &p) { setLastPt (p.fX, p.fY); }
    int pointReserve () const { return (int)fPointReserve; }
    int verbReserve () const { return (int)fVerbReserve; }
    bool boundsAreDirty () const { return fBoundsDirty != 0; }

    // The bounds of all points when there are more than one, else (0, 0, 0, 0).
    const SkRect &getBounds () const;

    void moveTo (SkScalar x, SkScalar y);
    void moveTo (const SkPoint &p) { moveTo (p.fX, p.fY); }
    void lineTo (SkScalar x, SkScalar y);
    void lineTo (const SkPoint &p) { lineTo (p.fX, p.fY); }
    void quadTo (SkScalar x1, SkScalar y1, SkScalar x2, SkScalar y2);
    void quadTo (const SkPoint &p1, const SkPoint &p2) { quadTo (p1.fX, p1.fY, p2.fX, p2.fY); }
    void cubicTo (SkScalar x1, SkScalar y1, SkScalar x2, SkScalar y2, SkScalar x3, SkScalar y3);
    void cubicTo (const SkPoint &p1, const SkPoint &p2, const SkPoint &p3)
    {
        cubicTo (p1.fX, p1.fY, p2.fX, p2.fY, p3.fX, p3.fY);
    }
    // Appends a close only after a line, quad or cubic.
    void close ();

    void addRect (const SkRect &rect);
    void addRect (SkScalar l, SkScalar t, SkScalar r, SkScalar b) { addRect (SkRect::MakeLTRB (l, t, r, b)); }
    void addOval (const SkRect &oval);
    void addCircle (SkScalar x, SkScalar y, SkScalar radius);
    void addRoundRect (const SkRect &rect, SkScalar rx, SkScalar ry);

    // Appends src mapped by matrix.
    void addPath (const SkPath &src, const SkMatrix &matrix);
    void addPath (const SkPath &src) { addPath (src, SkMatrix::I ()); }
    void addPath (const SkPath &src, SkScalar dx, SkScalar dy);
    // Appends the first contour of src backwards from the current point (no move, no close).
    void reversePathTo (const SkPath &src);
    // Maps the path into dst (null: this path).
    void transform (const SkMatrix &matrix, SkPath *dst) const;
    void transform (const SkMatrix &matrix) { transform (matrix, nullptr); }
    void offset (SkScalar dx, SkScalar dy, SkPath *dst = nullptr) const;

    class Iter {
    public:
        Iter ();
        Iter (const SkPath &path, bool forceClose) { setPath (path, forceClose); }
        void setPath (const SkPath &path, bool forceClose);
        // Fills up to four points and returns the verb (kDone_Verb at the end).
        Verb next (SkPoint pts[4]);
        // Whether the last line returned closed a contour.
        bool isCloseLine () const { return fCloseLine != 0; }

    private:
        Verb autoClose (SkPoint pts[]);
        bool consMoveTo (SkPoint pts[]);

        const SkPoint *fPts;
        const uint8_t *fVerbs;
        const uint8_t *fVerbStop;
        SkPoint fMoveTo;
        SkPoint fLastPt;
        uint8_t fForceClose;
        uint8_t fNeedClose;
        uint8_t fSegmentState;
        uint8_t fCloseLine;
    };

private:
    friend class SkAutoPathBoundsUpdate;

    bool growPoints (size_t n);
    bool growVerbs (size_t n);
    // Room for n points and one verb; false when memory runs out (the edit is dropped).
    SkPoint *appendVerb (Verb verb, int n);
    void injectMoveToIfNeeded ();
    void edited () { fBoundsDirty = 1; fConvexity = kUnknown_Convexity; }

    SkPoint *fPoints;
    uint64_t fPointReserve;
    uint64_t fPointCount;
    uint8_t *fVerbs;
    uint64_t fVerbReserve;
    uint64_t fVerbCount;
    mutable SkRect fBounds;
    uint8_t fFillType;
    uint8_t fSegmentMask;
    mutable uint8_t fBoundsDirty;
    uint8_t fConvexity;
};

#endif
