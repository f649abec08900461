/*
 * SkRegion: an integer device-space area, kept as empty, as one rectangle, or as run-length
 * horizontal bands of sorted half-open x intervals. Band lists are shared copy-on-write
 * between copies, so copying a clip costs one reference.
 *
 * Run format: top, then per band: bottom, left0, right0, left1, right1, ..., S; then a final S,
 * with S = kRunTypeSentinel. A band covers the rows from the previous band's bottom (or top) up
 * to its own bottom; it may hold no interval.
 */
#ifndef GRAPHICS_REGION_SKREGION_H_
#define GRAPHICS_REGION_SKREGION_H_

#include "graphics/geometry/SkRect.h"

class SkPath;

class SkRegion {
public:
    typedef int32_t RunType;
    static const RunType kRunTypeSentinel = 0x7FFFFFFF;

    enum Op {
        kDifference_Op,             // a - b
        kIntersect_Op,
        kUnion_Op,
        kXOR_Op,
        kReverseDifference_Op,      // b - a
        kReplace_Op,                // b
    };

    SkRegion ();
    SkRegion (const SkRegion &src);
    explicit SkRegion (const SkIRect &rect);
    ~SkRegion ();
    SkRegion &operator= (const SkRegion &src);

    bool operator== (const SkRegion &other) const;
    bool operator!= (const SkRegion &other) const { return !(*this == other); }

    bool isEmpty () const { return fRunHead == emptyRunHead (); }
    bool isRect () const { return fRunHead == nullptr; }
    bool isComplex () const { return !isEmpty () && !isRect (); }
    const SkIRect &getBounds () const { return fBounds; }

    // Each returns whether the result is not empty.
    bool setEmpty ();
    bool setRect (const SkIRect &rect);
    bool setRect (int32_t left, int32_t top, int32_t right, int32_t bottom);
    bool setRegion (const SkRegion &src);
    bool setRuns (RunType runs[], int count);       // may change runs (drops empty end bands)
    // The pixels path covers (sampled at their centres, under its fill type) within clip.
    // An empty path gives clip when its fill type is inverse; failed allocations give empty.
    bool setPath (const SkPath &path, const SkRegion &clip);

    bool op (const SkRegion &a, const SkRegion &b, Op op);
    bool op (const SkRegion &a, const SkIRect &b, Op op);
    bool op (const SkIRect &rect, Op op) { return this->op (*this, rect, op); }
    bool op (const SkRegion &rgn, Op op) { return this->op (*this, rgn, op); }

    bool contains (int32_t x, int32_t y) const;
    bool contains (const SkRegion &other) const;

    // dst = this moved by (dx, dy); dst may be this region.
    void translate (int32_t dx, int32_t dy, SkRegion *dst) const;
    void translate (int32_t dx, int32_t dy) { translate (dx, dy, this); }

    // The runs of the region; a rectangle is expanded into tmp (6 values). Count out.
    const RunType *getRuns (RunType tmp[6], int *count) const;

    // The rectangles of the region, band by band, left to right.
    class Iterator {
    public:
        Iterator () : fRuns (nullptr), fRect (SkIRect::MakeEmpty ()), fDone (true), fRgn (nullptr) {}
        explicit Iterator (const SkRegion &rgn) { reset (rgn); }
        void reset (const SkRegion &rgn);
        bool done () const { return fDone; }
        void next ();
        const SkIRect &rect () const { return fRect; }

    private:
        void enterBand (const RunType *p);

        const RunType *fRuns;
        SkIRect fRect;
        bool fDone;
        SkRegion const *fRgn;
    };

    // The rectangles intersected with a clip, empty ones skipped.
    class Cliperator {
    public:
        Cliperator (const SkRegion &rgn, const SkIRect &clip);
        bool done () const { return fDone; }
        void next ();
        const SkIRect &rect () const { return fRect; }

    private:
        Iterator fIter;
        SkIRect fClip, fRect;
        bool fDone;
    };

    // The x spans of row y inside [left, right).
    class Spanerator {
    public:
        Spanerator (const SkRegion &rgn, int32_t y, int32_t left, int32_t right);
        bool next (int32_t *left, int32_t *right);

    private:
        const RunType *fRuns;       // next interval; null when done
        int32_t fLeft, fRight;
        bool fDone;
    };

    struct RunHead;

private:
    static RunHead *emptyRunHead () { return (RunHead *)-1; }
    void freeRuns ();
    bool allocateRuns (int count);
    bool setComplexRuns (const RunType runs[], int count);

    SkIRect fBounds;
    RunHead *fRunHead;          // emptyRunHead () = empty, null = rectangle, else shared runs
};

#endif
