/*
 * Rectangle bounds, intersection and union.
 */
#include "graphics/geometry/SkRect.h"

void SkRect::set (const SkPoint pts[], int count)
{
    if (count < 1) {
        setEmpty ();
        return;
    }
    SkScalar l = pts[0].fX, r = l;
    SkScalar t = pts[0].fY, b = t;
    for (int i = 1; i < count; i++) {
        SkScalar x = pts[i].fX;
        SkScalar y = pts[i].fY;
        if (x < l) l = x; else if (x > r) r = x;
        if (y < t) t = y; else if (y > b) b = y;
    }
    set (l, t, r, b);
}

bool SkRect::intersect (const SkRect &r)
{
    if (!Intersects (*this, r)) {
        return false;
    }
    set (SkTMax (fLeft, r.fLeft), SkTMax (fTop, r.fTop), SkTMin (fRight, r.fRight),
         SkTMin (fBottom, r.fBottom));
    return true;
}

void SkRect::join (SkScalar l, SkScalar t, SkScalar r, SkScalar b)
{
    if (!(l < r && t < b)) {
        return;
    }
    if (isEmpty ()) {
        set (l, t, r, b);
        return;
    }
    set (SkTMin (fLeft, l), SkTMin (fTop, t), SkTMax (fRight, r), SkTMax (fBottom, b));
}
