/*
 * Vector length setting.
 */
#include "graphics/geometry/SkPoint.h"

bool SkPoint::setLength (SkScalar x, SkScalar y, SkScalar length)
{
    SkScalar mag2 = x * x + y * y;
    // Below 2^-24 the direction is not reliable.
    if (!(mag2 > 5.9604645e-08f)) {
        return false;
    }
    SkScalar scale = length / sqrtf (mag2);
    fX = x * scale;
    fY = y * scale;
    return true;
}
