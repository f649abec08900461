/*
 * Fixed-point division, integer square root, sine and cosine, and Sk64 division.
 */
#include "graphics/core/SkMath.h"

#include "graphics/core/Sk64.h"
#include "graphics/core/SkFixed.h"
#include "graphics/core/SkScalar.h"

SkFixed SkFixedDiv (int32_t numer, int32_t denom)
{
    if (numer == 0) {
        return 0;
    }
    bool negative = (numer < 0) != (denom < 0);
    uint32_t n = numer < 0 ? 0u - (uint32_t)numer : (uint32_t)numer;
    uint32_t d = denom < 0 ? 0u - (uint32_t)denom : (uint32_t)denom;
    // The shift-and-subtract division yields the truncated quotient of the magnitudes; a
    // quotient beyond 31 bits (a zero denominator included) saturates.
    uint64_t q = d == 0 ? UINT64_MAX : ((uint64_t)n << 16) / d;
    if (q > 0x7FFFFFFF) {
        q = 0x7FFFFFFF;
    }
    return negative ? -(SkFixed)q : (SkFixed)q;
}

int32_t SkSqrtBits (int32_t x, int count)
{
    uint32_t root = 0;
    uint32_t remHi = 0;
    uint32_t remLo = (uint32_t)x;
    do {
        root <<= 1;
        remHi = (remHi << 2) | (remLo >> 30);
        remLo <<= 2;
        uint32_t testDiv = (root << 1) + 1;
        if (remHi >= testDiv) {
            remHi -= testDiv;
            root++;
        }
    } while (--count >= 0);
    return (int32_t)root;
}

SkScalar SkScalarSinCos (SkScalar radians, SkScalar *cosOut)
{
    SkScalar sinValue = sinf (radians);
    if (cosOut != nullptr) {
        SkScalar cosValue = cosf (radians);
        *cosOut = fabsf (cosValue) < SK_ScalarNearlyZero ? 0.0f : cosValue;
    }
    return fabsf (sinValue) < SK_ScalarNearlyZero ? 0.0f : sinValue;
}

void Sk64::div (int32_t divisor)
{
    SkASSERT (divisor != 0);
    int64_t v = get64 ();
    // INT64_MIN / -1 does not fit; the halves wrap as two's complement.
    if (divisor == -1) {
        negate ();
        return;
    }
    set64 (v / divisor);
}
