/*
 * SkScalar, the single-precision coordinate type of the library, and its helpers.
 */
#ifndef GRAPHICS_CORE_SKSCALAR_H_
#define GRAPHICS_CORE_SKSCALAR_H_

#include <math.h>

#include "graphics/core/SkFixed.h"

typedef float SkScalar;

#define SK_Scalar1          1.0f
#define SK_ScalarHalf       0.5f
#define SK_ScalarPI         3.14159265f
#define SK_ScalarMax        3.402823466e+38f
#define SK_ScalarMin        (-SK_ScalarMax)
#define SK_ScalarInfinity   __builtin_inff ()
#define SK_ScalarNaN        __builtin_nanf ("")
// Below this magnitude a scalar counts as zero (1/4096).
#define SK_ScalarNearlyZero (1.0f / 4096.0f)

static inline SkScalar SkIntToScalar (int32_t n) { return (SkScalar)n; }
static inline SkScalar SkFixedToScalar (SkFixed x) { return SkFixedToFloat (x); }
static inline SkFixed SkScalarToFixed (SkScalar x) { return SkFloatToFixed (x); }
static inline SkScalar SkScalarAbs (SkScalar x) { return fabsf (x); }
static inline SkScalar SkScalarHalf (SkScalar x) { return x * 0.5f; }
static inline SkScalar SkScalarAve (SkScalar a, SkScalar b) { return (a + b) * 0.5f; }
static inline SkScalar SkScalarSquare (SkScalar x) { return x * x; }
static inline SkScalar SkScalarSqrt (SkScalar x) { return sqrtf (x); }
static inline SkScalar SkScalarInvert (SkScalar x) { return 1.0f / x; }
static inline SkScalar SkScalarInterp (SkScalar a, SkScalar b, SkScalar t) { return a + (b - a) * t; }
static inline bool SkScalarIsNaN (SkScalar x) { return x != x; }
static inline bool SkScalarIsFinite (SkScalar x) { return x - x == 0.0f; }
static inline bool SkScalarNearlyZero (SkScalar x, SkScalar tolerance = SK_ScalarNearlyZero)
{
    return fabsf (x) < tolerance;
}
// Rounding to integers: round is floor(x + 0.5), the library's one rounding rule.
static inline int32_t SkScalarFloorToInt (SkScalar x) { return (int32_t)floorf (x); }
static inline int32_t SkScalarCeilToInt (SkScalar x) { return (int32_t)ceilf (x); }
static inline int32_t SkScalarRoundToInt (SkScalar x) { return (int32_t)floorf (x + 0.5f); }
static inline int32_t SkScalarTruncToInt (SkScalar x) { return (int32_t)x; }
static inline SkScalar SkScalarSignAsScalar (SkScalar x) { return x < 0 ? -1.0f : (x > 0 ? 1.0f : 0.0f); }

// Sine (returned) and cosine (stored when cosOut is not null) in single precision; any
// result whose magnitude is below 1/4096 is returned as exactly 0.
SkScalar SkScalarSinCos (SkScalar radians, SkScalar *cosOut);

#endif
