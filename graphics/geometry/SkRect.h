/*
 * SkIRect (integer) and SkRect (float) rectangles: left, top, right, bottom. A rectangle is
 * empty when left >= right or top >= bottom.
 */
#ifndef GRAPHICS_GEOMETRY_SKRECT_H_
#define GRAPHICS_GEOMETRY_SKRECT_H_

#include "graphics/geometry/SkPoint.h"

struct SkIRect {
    int32_t fLeft, fTop, fRight, fBottom;

    static SkIRect MakeEmpty () { SkIRect r = { 0, 0, 0, 0 }; return r; }
    static SkIRect MakeWH (int32_t w, int32_t h) { SkIRect r = { 0, 0, w, h }; return r; }
    static SkIRect MakeLTRB (int32_t l, int32_t t, int32_t r, int32_t b) { SkIRect x = { l, t, r, b }; return x; }
    static SkIRect MakeXYWH (int32_t x, int32_t y, int32_t w, int32_t h) { return MakeLTRB (x, y, x + w, y + h); }

    int32_t left () const { return fLeft; }
    int32_t top () const { return fTop; }
    int32_t right () const { return fRight; }
    int32_t bottom () const { return fBottom; }
    int32_t x () const { return fLeft; }
    int32_t y () const { return fTop; }
    int32_t width () const { return fRight - fLeft; }
    int32_t height () const { return fBottom - fTop; }
    bool isEmpty () const { return fLeft >= fRight || fTop >= fBottom; }

    void setEmpty () { fLeft = fTop = fRight = fBottom = 0; }
    void set (int32_t l, int32_t t, int32_t r, int32_t b) { fLeft = l; fTop = t; fRight = r; fBottom = b; }
    void setLTRB (int32_t l, int32_t t, int32_t r, int32_t b) { set (l, t, r, b); }
    void setXYWH (int32_t x, int32_t y, int32_t w, int32_t h) { set (x, y, x + w, y + h); }
    void offset (int32_t dx, int32_t dy) { fLeft += dx; fTop += dy; fRight += dx; fBottom += dy; }
    void inset (int32_t dx, int32_t dy) { fLeft += dx; fTop += dy; fRight -= dx; fBottom -= dy; }
    void sort ()
    {
        if (fLeft > fRight) SkTSwap (fLeft, fRight);
        if (fTop > fBottom) SkTSwap (fTop, fBottom);
    }

    bool operator== (const SkIRect &o) const
    {
        return fLeft == o.fLeft && fTop == o.fTop && fRight == o.fRight && fBottom == o.fBottom;
    }
    bool operator!= (const SkIRect &o) const { return !(*this == o); }

    // The point lies inside (left and top inclusive, right and bottom exclusive).
    bool contains (int32_t x, int32_t y) const
    {
        return x >= fLeft && x < fRight && y >= fTop && y < fBottom;
    }
    // r is not empty and lies inside this (not empty) rectangle.
    bool contains (const SkIRect &r) const
    {
        return !isEmpty () && !r.isEmpty () && fLeft <= r.fLeft && fTop <= r.fTop &&
               fRight >= r.fRight && fBottom >= r.fBottom;
    }
    // Neither is empty and they overlap.
    static bool Intersects (const SkIRect &a, const SkIRect &b)
    {
        return !a.isEmpty () && !b.isEmpty () && a.fLeft < b.fRight && b.fLeft < a.fRight &&
               a.fTop < b.fBottom && b.fTop < a.fBottom;
    }
    // False (this unchanged) when either is empty or they do not overlap; else the overlap.
    bool intersect (const SkIRect &r) { return intersect (*this, r); }
    bool intersect (int32_t l, int32_t t, int32_t r, int32_t b) { return intersect (MakeLTRB (l, t, r, b)); }
    // this = a intersected with b; false (this unchanged) when empty.
    bool intersect (const SkIRect &a, const SkIRect &b)
    {
        if (!Intersects (a, b)) {
            return false;
        }
        set (SkMax32 (a.fLeft, b.fLeft), SkMax32 (a.fTop, b.fTop), SkMin32 (a.fRight, b.fRight),
             SkMin32 (a.fBottom, b.fBottom));
        return true;
    }
    // The union; an empty argument changes nothing, an empty this takes the argument.
    void join (const SkIRect &r)
    {
        if (r.isEmpty ()) return;
        if (isEmpty ()) { *this = r; return; }
        set (SkMin32 (fLeft, r.fLeft), SkMin32 (fTop, r.fTop), SkMax32 (fRight, r.fRight),
             SkMax32 (fBottom, r.fBottom));
    }
    // True when r lies entirely outside this rectangle.
    bool quickReject (int32_t l, int32_t t, int32_t r, int32_t b) const
    {
        return l >= fRight || fLeft >= r || t >= fBottom || fTop >= b;
    }
};

struct SkRect {
    SkScalar fLeft, fTop, fRight, fBottom;

    static SkRect MakeEmpty () { SkRect r = { 0, 0, 0, 0 }; return r; }
    static SkRect MakeWH (SkScalar w, SkScalar h) { SkRect r = { 0, 0, w, h }; return r; }
    static SkRect MakeLTRB (SkScalar l, SkScalar t, SkScalar r, SkScalar b) { SkRect x = { l, t, r, b }; return x; }
    static SkRect MakeXYWH (SkScalar x, SkScalar y, SkScalar w, SkScalar h) { return MakeLTRB (x, y, x + w, y + h); }
    static SkRect Make (const SkIRect &r)
    {
        return MakeLTRB ((SkScalar)r.fLeft, (SkScalar)r.fTop, (SkScalar)r.fRight, (SkScalar)r.fBottom);
    }

    SkScalar left () const { return fLeft; }
    SkScalar top () const { return fTop; }
    SkScalar right () const { return fRight; }
    SkScalar bottom () const { return fBottom; }
    SkScalar x () const { return fLeft; }
    SkScalar y () const { return fTop; }
    SkScalar width () const { return fRight - fLeft; }
    SkScalar height () const { return fBottom - fTop; }
    SkScalar centerX () const { return (fLeft + fRight) * 0.5f; }
    SkScalar centerY () const { return (fTop + fBottom) * 0.5f; }
    // Empty when left >= right or top >= bottom; a NaN edge counts as empty too, so that no
    // NaN reaches bounds through join or intersect.
    bool isEmpty () const { return !(fLeft < fRight && fTop < fBottom); }
    bool isFinite () const
    {
        return SkScalarIsFinite (fLeft) && SkScalarIsFinite (fTop) && SkScalarIsFinite (fRight) &&
               SkScalarIsFinite (fBottom);
    }

    void setEmpty () { fLeft = fTop = fRight = fBottom = 0; }
    void set (SkScalar l, SkScalar t, SkScalar r, SkScalar b) { fLeft = l; fTop = t; fRight = r; fBottom = b; }
    void setLTRB (SkScalar l, SkScalar t, SkScalar r, SkScalar b) { set (l, t, r, b); }
    void setXYWH (SkScalar x, SkScalar y, SkScalar w, SkScalar h) { set (x, y, x + w, y + h); }
    void set (const SkIRect &r) { *this = Make (r); }
    void iset (int32_t l, int32_t t, int32_t r, int32_t b) { set ((SkScalar)l, (SkScalar)t, (SkScalar)r, (SkScalar)b); }
    void set (const SkPoint &a, const SkPoint &b)
    {
        set (SkTMin (a.fX, b.fX), SkTMin (a.fY, b.fY), SkTMax (a.fX, b.fX), SkTMax (a.fY, b.fY));
    }
    // The bounds of count points; count < 1 gives (0, 0, 0, 0).
    void set (const SkPoint pts[], int count);
    void offset (SkScalar dx, SkScalar dy) { fLeft += dx; fTop += dy; fRight += dx; fBottom += dy; }
    void inset (SkScalar dx, SkScalar dy) { fLeft += dx; fTop += dy; fRight -= dx; fBottom -= dy; }
    void outset (SkScalar dx, SkScalar dy) { inset (-dx, -dy); }
    void sort ()
    {
        if (fLeft > fRight) SkTSwap (fLeft, fRight);
        if (fTop > fBottom) SkTSwap (fTop, fBottom);
    }

    bool operator== (const SkRect &o) const
    {
        return fLeft == o.fLeft && fTop == o.fTop && fRight == o.fRight && fBottom == o.fBottom;
    }
    bool operator!= (const SkRect &o) const { return !(*this == o); }

    bool contains (SkScalar x, SkScalar y) const
    {
        return !isEmpty () && x >= fLeft && x < fRight && y >= fTop && y < fBottom;
    }
    bool contains (const SkRect &r) const
    {
        return !isEmpty () && !r.isEmpty () && fLeft <= r.fLeft && fTop <= r.fTop &&
               fRight >= r.fRight && fBottom >= r.fBottom;
    }
    static bool Intersects (const SkRect &a, const SkRect &b)
    {
        return !a.isEmpty () && !b.isEmpty () && a.fLeft < b.fRight && b.fLeft < a.fRight &&
               a.fTop < b.fBottom && b.fTop < a.fBottom;
    }
    // False (this unchanged) when other is empty, this is empty, or they do not overlap
    // (strict comparisons); else this becomes the intersection.
    bool intersect (const SkRect &r);
    bool intersect (SkScalar l, SkScalar t, SkScalar r, SkScalar b) { return intersect (MakeLTRB (l, t, r, b)); }
    // An empty argument changes nothing; an empty this takes the argument; else the union.
    void join (SkScalar l, SkScalar t, SkScalar r, SkScalar b);
    void join (const SkRect &r) { join (r.fLeft, r.fTop, r.fRight, r.fBottom); }
    // Grows to include the point (no empty test).
    void growToInclude (SkScalar x, SkScalar y)
    {
        fLeft = SkTMin (x, fLeft); fRight = SkTMax (x, fRight);
        fTop = SkTMin (y, fTop); fBottom = SkTMax (y, fBottom);
    }

    // Each edge rounded by floor(v + 0.5).
    void round (SkIRect *dst) const
    {
        dst->set (SkScalarRoundToInt (fLeft), SkScalarRoundToInt (fTop), SkScalarRoundToInt (fRight),
                  SkScalarRoundToInt (fBottom));
    }
    // Left and top floored, right and bottom ceiled.
    void roundOut (SkIRect *dst) const
    {
        dst->set (SkScalarFloorToInt (fLeft), SkScalarFloorToInt (fTop), SkScalarCeilToInt (fRight),
                  SkScalarCeilToInt (fBottom));
    }
};

#endif
