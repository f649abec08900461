/*
 * Integer math helpers: leading-zero count, integer square root, and a few exact products.
 */
#ifndef GRAPHICS_CORE_SKMATH_H_
#define GRAPHICS_CORE_SKMATH_H_

#include "graphics/core/SkTypes.h"

// Number of leading zero bits of a 32-bit value; 32 for 0.
static inline int SkCLZ (uint32_t x) { return x == 0 ? 32 : __builtin_clz (x); }

// Integer square root of a non-negative value by the two-bits-per-round method, count + 1
// rounds; SkSqrtBits (x, 15) is the 32-bit integer square root.
int32_t SkSqrtBits (int32_t x, int count);
static inline int32_t SkSqrt32 (int32_t x) { return SkSqrtBits (x, 15); }

// Whether a signed 64-bit value fits in 32 bits.
static inline bool SkFitsIn32 (int64_t v) { return v == (int64_t)(int32_t)v; }

// a * b / c in 64 bits, truncated toward zero; c must not be 0.
static inline int32_t SkMulDiv (int32_t a, int32_t b, int32_t c) { return (int32_t)((int64_t)a * b / c); }

// Rounded a * b / 255 for a, b in 0..255.
static inline unsigned SkMulDiv255Round (unsigned a, unsigned b)
{
    unsigned prod = a * b + 128;
    return (prod + (prod >> 8)) >> 8;
}

// Next power of two at least x (x > 0; 1 for 0).
static inline int SkNextPow2 (int x) { return x <= 1 ? 1 : 1 << (32 - SkCLZ ((uint32_t)(x - 1))); }

#endif
