/*
 * Sk64, a signed 64-bit integer stored as two 32-bit halves (hi first). The arithmetic runs
 * on the native 64-bit type; the halves keep the layout other code reads.
 */
#ifndef GRAPHICS_CORE_SK64_H_
#define GRAPHICS_CORE_SK64_H_

#include "graphics/core/SkTypes.h"

struct Sk64 {
    int32_t fHi;
    uint32_t fLo;

    int64_t get64 () const { return (int64_t)(((uint64_t)(uint32_t)fHi << 32) | fLo); }
    void set64 (int64_t v) { fHi = (int32_t)((uint64_t)v >> 32); fLo = (uint32_t)v; }
    void set (int32_t v) { set64 (v); }
    void setZero () { fHi = 0; fLo = 0; }

    bool isZero () const { return (fHi | fLo) == 0; }
    bool isNeg () const { return fHi < 0; }
    bool isPos () const { return fHi >= 0 && !isZero (); }
    // True when hi equals the sign extension of lo.
    bool is32 () const { return fHi == ((int32_t)fLo >> 31); }
    int32_t get32 () const { return (int32_t)fLo; }

    // The full signed product of two signed 32-bit values.
    void setMul (int32_t a, int32_t b) { set64 ((int64_t)a * b); }
    // value = value / divisor, truncated toward zero; the divisor must not be 0.
    void div (int32_t divisor);
    void add (const Sk64 &other) { set64 ((int64_t)((uint64_t)get64 () + (uint64_t)other.get64 ())); }
    void add (int32_t v) { set64 ((int64_t)((uint64_t)get64 () + (uint64_t)(int64_t)v)); }
    void sub (const Sk64 &other) { set64 ((int64_t)((uint64_t)get64 () - (uint64_t)other.get64 ())); }
    void shiftLeft (unsigned bits) { set64 ((int64_t)((uint64_t)get64 () << bits)); }
    void shiftRight (unsigned bits) { set64 (get64 () >> bits); }
    int getSign () const { return fHi < 0 ? -1 : (isZero () ? 0 : 1); }
    void negate () { set64 ((int64_t)(0 - (uint64_t)get64 ())); }
};

#endif
