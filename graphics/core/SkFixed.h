/*
 * Fixed-point formats of the graphics library and the only functions that convert between
 * them: SkFixed (16.16), SkFDot6 (26.6, edge set-up) and SkFDot8 (24.8, anti-aliased
 * rectangles). All three are signed 32-bit values.
 */
#ifndef GRAPHICS_CORE_SKFIXED_H_
#define GRAPHICS_CORE_SKFIXED_H_

#include "graphics/core/SkTypes.h"

typedef int32_t SkFixed;   // 16.16
typedef int32_t SkFDot6;   // 26.6
typedef int32_t SkFDot8;   // 24.8

#define SK_Fixed1       ((SkFixed)0x10000)
#define SK_FixedHalf    ((SkFixed)0x8000)
#define SK_FixedMax     ((SkFixed)0x7FFFFFFF)
#define SK_FixedMin     ((SkFixed)-0x7FFFFFFF)
#define SK_FDot6One     ((SkFDot6)64)
#define SK_FDot8One     ((SkFDot8)256)

// --- SkFixed -------------------------------------------------------------------------------
static inline SkFixed SkIntToFixed (int32_t n) { return (SkFixed)((uint32_t)n << 16); }
static inline int32_t SkFixedFloor (SkFixed x) { return x >> 16; }
static inline int32_t SkFixedCeil (SkFixed x) { return (int32_t)(((int64_t)x + 0xFFFF) >> 16); }
static inline int32_t SkFixedRound (SkFixed x) { return (int32_t)(((int64_t)x + 0x8000) >> 16); }
static inline float SkFixedToFloat (SkFixed x) { return (float)x * (1.0f / 65536.0f); }
// Truncation toward zero, as every float-to-16.16 conversion of the library does.
static inline SkFixed SkFloatToFixed (float x) { return (SkFixed)(x * 65536.0f); }
// The same truncation pinned to the 16.16 range, NaN giving 0: for values that may come from
// outside data or degenerate geometry, where the plain conversion is undefined.
static inline SkFixed SkFloatToFixedPinned (float x)
{
    float v = x * 65536.0f;
    if (!(v == v)) return 0;
    if (v >= 2147483520.0f) return SK_FixedMax;     // the largest float below 2^31
    if (v <= -2147483520.0f) return SK_FixedMin;
    return (SkFixed)v;
}
static inline SkFixed SkFixedMul (SkFixed a, SkFixed b) { return (SkFixed)(((int64_t)a * b) >> 16); }
static inline SkFixed SkFixedAbs (SkFixed x) { return x < 0 ? -x : x; }

// (numer << 16) / denom, truncated toward zero. 0 for a zero numerator; saturates to
// +-0x7FFFFFFF when the quotient does not fit in 31 bits, which includes a zero denominator.
SkFixed SkFixedDiv (int32_t numer, int32_t denom);

// --- SkFDot6 -------------------------------------------------------------------------------
static inline SkFDot6 SkIntToFDot6 (int32_t n) { return (SkFDot6)((uint32_t)n << 6); }
static inline int32_t SkFDot6Floor (SkFDot6 x) { return x >> 6; }
static inline int32_t SkFDot6Ceil (SkFDot6 x) { return (x + 63) >> 6; }
static inline int32_t SkFDot6Round (SkFDot6 x) { return (x + 32) >> 6; }
static inline SkFixed SkFDot6ToFixed (SkFDot6 x) { return (SkFixed)((uint32_t)x << 10); }
static inline SkFDot6 SkFixedToFDot6 (SkFixed x) { return x >> 10; }
static inline SkFDot6 SkFloatToFDot6 (float x) { return (SkFDot6)(x * 64.0f); }
static inline float SkFDot6ToFloat (SkFDot6 x) { return (float)x * (1.0f / 64.0f); }

// --- SkFDot8 -------------------------------------------------------------------------------
static inline SkFDot8 SkIntToFDot8 (int32_t n) { return (SkFDot8)((uint32_t)n << 8); }
static inline int32_t SkFDot8Floor (SkFDot8 x) { return x >> 8; }
static inline int32_t SkFDot8Ceil (SkFDot8 x) { return (x + 0xFF) >> 8; }
static inline int32_t SkFDot8Round (SkFDot8 x) { return (x + 0x80) >> 8; }
static inline SkFDot8 SkFixedToFDot8 (SkFixed x) { return (x + 0x80) >> 8; }
static inline SkFDot8 SkFloatToFDot8 (float x) { return (SkFDot8)(x * 256.0f); }

#endif
