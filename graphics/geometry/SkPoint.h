/*
 * SkPoint (two floats) and SkIPoint (two 32-bit integers).
 */
#ifndef GRAPHICS_GEOMETRY_SKPOINT_H_
#define GRAPHICS_GEOMETRY_SKPOINT_H_

#include "graphics/core/SkScalar.h"

struct SkIPoint {
    int32_t fX, fY;

    static SkIPoint Make (int32_t x, int32_t y) { SkIPoint p = { x, y }; return p; }
    void set (int32_t x, int32_t y) { fX = x; fY = y; }
    bool operator== (const SkIPoint &o) const { return fX == o.fX && fY == o.fY; }
    bool operator!= (const SkIPoint &o) const { return !(*this == o); }
};

struct SkPoint {
    SkScalar fX, fY;

    static SkPoint Make (SkScalar x, SkScalar y) { SkPoint p = { x, y }; return p; }
    void set (SkScalar x, SkScalar y) { fX = x; fY = y; }
    void iset (int32_t x, int32_t y) { fX = (SkScalar)x; fY = (SkScalar)y; }
    SkScalar x () const { return fX; }
    SkScalar y () const { return fY; }
    void offset (SkScalar dx, SkScalar dy) { fX += dx; fY += dy; }
    void negate () { fX = -fX; fY = -fY; }
    void scale (SkScalar s) { fX *= s; fY *= s; }
    SkScalar length () const { return Length (fX, fY); }
    bool equals (SkScalar x, SkScalar y) const { return fX == x && fY == y; }

    // Scales (x, y) to the given length; false (point unchanged) when x^2 + y^2 <= 2^-24.
    bool setLength (SkScalar x, SkScalar y, SkScalar length);
    bool setLength (SkScalar length) { return setLength (fX, fY, length); }
    bool normalize () { return setLength (fX, fY, 1.0f); }
    // Rotations by a quarter turn in a y-down coordinate system.
    void rotateCW (SkPoint *dst) const { SkScalar t = fX; dst->fX = -fY; dst->fY = t; }
    void rotateCCW (SkPoint *dst) const { SkScalar t = fX; dst->fX = fY; dst->fY = -t; }

    static SkScalar Length (SkScalar dx, SkScalar dy) { return sqrtf (dx * dx + dy * dy); }
    static SkScalar Distance (const SkPoint &a, const SkPoint &b) { return Length (a.fX - b.fX, a.fY - b.fY); }
    static SkScalar DotProduct (const SkPoint &a, const SkPoint &b) { return a.fX * b.fX + a.fY * b.fY; }
    static SkScalar CrossProduct (const SkPoint &a, const SkPoint &b) { return a.fX * b.fY - a.fY * b.fX; }

    bool operator== (const SkPoint &o) const { return fX == o.fX && fY == o.fY; }
    bool operator!= (const SkPoint &o) const { return !(*this == o); }
    SkPoint operator- () const { return Make (-fX, -fY); }
    SkPoint operator+ (const SkPoint &o) const { return Make (fX + o.fX, fY + o.fY); }
    SkPoint operator- (const SkPoint &o) const { return Make (fX - o.fX, fY - o.fY); }
    SkPoint &operator+= (const SkPoint &o) { fX += o.fX; fY += o.fY; return *this; }
    SkPoint &operator-= (const SkPoint &o) { fX -= o.fX; fY -= o.fY; return *this; }
};

typedef SkPoint SkVector;

#endif
