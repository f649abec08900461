/** @file
  The math routines of the UEFI image, as inline functions in their own namespace so
  the host tests can compare them with the C library without a symbol clash.
  Everything is computed in double; the float forms round the double result.
**/
#ifndef RUNTIME_MATH_IMPL_H_
#define RUNTIME_MATH_IMPL_H_

#include <stdint.h>

namespace RuntimeMath {

constexpr double kPi       = 3.14159265358979323846;
constexpr double kHalfPi   = 1.57079632679489661923;
constexpr double kLn2      = 0.69314718055994530942;
// pi/2 split in three parts whose products with small integers are exact, so the
// argument reduction keeps its precision (Cody and Waite).
constexpr double kPio2Hi   = 1.57079632673412561417e+00;
constexpr double kPio2Mid  = 6.07710050630396597660e-11;
constexpr double kPio2Lo   = 2.02226624879595063154e-21;

inline uint64_t Bits (double X) { return __builtin_bit_cast (uint64_t, X); }
inline double FromBits (uint64_t B) { return __builtin_bit_cast (double, B); }
inline bool IsNan (double X) { return (Bits (X) & 0x7FFFFFFFFFFFFFFFULL) > 0x7FF0000000000000ULL; }
inline bool IsInf (double X) { return (Bits (X) & 0x7FFFFFFFFFFFFFFFULL) == 0x7FF0000000000000ULL; }
inline double Infinity () { return FromBits (0x7FF0000000000000ULL); }
inline double QuietNan () { return FromBits (0x7FF8000000000000ULL); }

inline double Fabs (double X) { return FromBits (Bits (X) & 0x7FFFFFFFFFFFFFFFULL); }

inline double Sqrt (double X)
{
  if (X < 0) {
    return QuietNan ();
  }

  __asm__ ("sqrtsd %1, %0" : "=x"(X) : "x"(X));
  return X;
}

// Integral values and values too large to carry a fraction are returned as they are.
inline double Trunc (double X)
{
  if (IsNan (X) || (Fabs (X) >= 4503599627370496.0)) {
    return X;
  }

  double  T = (double)(int64_t)X;
  return (T == 0) ? FromBits (Bits (X) & 0x8000000000000000ULL) : T;   // keep -0
}

inline double Floor (double X)
{
  double  T = Trunc (X);
  return (T > X) ? T - 1 : T;
}

inline double Ceil (double X)
{
  double  T = Trunc (X);
  return (T < X) ? T + 1 : T;
}

// Halfway cases round away from zero.
inline double Round (double X)
{
  double  T = Trunc (X);
  double  F = X - T;

  if (F >= 0.5) {
    return T + 1;
  }

  return (F <= -0.5) ? T - 1 : T;
}

// 2^Exponent times X, with overflow to infinity and gradual underflow.
inline double Ldexp (double X, int Exponent)
{
  while (Exponent > 1023) {
    X *= FromBits ((uint64_t)(1023 + 1023) << 52);
    Exponent -= 1023;
    if (IsInf (X) || (X == 0)) {
      return X;
    }
  }

  while (Exponent < -1022) {
    X *= FromBits ((uint64_t)1 << 52);            // 2^-1022
    Exponent += 1022;
    if (X == 0) {
      return X;
    }
  }

  return X * FromBits ((uint64_t)(1023 + Exponent) << 52);
}

// X = Mantissa * 2^Exponent with |Mantissa| in [0.5, 1).
inline double Frexp (double X, int *Exponent)
{
  *Exponent = 0;
  if ((X == 0) || IsNan (X) || IsInf (X)) {
    return X;
  }

  if ((Bits (X) & 0x7FF0000000000000ULL) == 0) {   // subnormal: normalise first
    X *= 18014398509481984.0;                      // 2^54
    *Exponent = -54;
  }

  uint64_t  B = Bits (X);
  *Exponent += (int)((B >> 52) & 0x7FF) - 1022;
  return FromBits ((B & 0x800FFFFFFFFFFFFFULL) | 0x3FE0000000000000ULL);
}

// Exact remainder with the sign of X: subtracts Y scaled by powers of two, each step
// exact, at most one step per binary exponent between X and Y.
inline double Fmod (double X, double Y)
{
  if (IsNan (X) || IsNan (Y) || IsInf (X) || (Y == 0)) {
    return QuietNan ();
  }

  double  R = Fabs (X);
  double  D = Fabs (Y);

  if (IsInf (Y) || (R < D)) {
    return X;
  }

  int  ExpR;
  int  ExpD;
  Frexp (R, &ExpR);
  Frexp (D, &ExpD);
  for (int Shift = ExpR - ExpD; Shift >= 0; Shift--) {
    double  Scaled = Ldexp (D, Shift);
    if (R >= Scaled) {
      R -= Scaled;
    }
  }

  return (X < 0) ? -R : R;
}

// Polynomials on [-pi/4, pi/4].
inline double SinKernel (double X)
{
  double  X2 = X * X;
  return X * (1 + X2 * (-1.0 / 6 + X2 * (1.0 / 120 + X2 * (-1.0 / 5040 + X2 * (1.0 / 362880
    + X2 * (-1.0 / 39916800 + X2 * (1.0 / 6227020800.0 + X2 * (-1.0 / 1307674368000.0))))))));
}

inline double CosKernel (double X)
{
  double  X2 = X * X;
  return 1 + X2 * (-0.5 + X2 * (1.0 / 24 + X2 * (-1.0 / 720 + X2 * (1.0 / 40320 + X2 * (-1.0 / 3628800
    + X2 * (1.0 / 479001600 + X2 * (-1.0 / 87178291200.0 + X2 * (1.0 / 20922789888000.0))))))));
}

// Reduces X to R in [-pi/4, pi/4] and the quadrant X lies in.
inline double ReduceQuadrant (double X, int *Quadrant)
{
  // Past 2^30 the three-part reduction loses its digits; an exact remainder by the
  // double nearest 2*pi keeps the result bounded (such arguments carry no useful
  // phase in single or double precision anyway).
  if (Fabs (X) > 1073741824.0) {
    X = Fmod (X, 2 * kPi);
  }

  double  K = Round (X / kHalfPi);

  *Quadrant = (int)((int64_t)Fmod (K, 4.0) & 3);
  return ((X - K * kPio2Hi) - K * kPio2Mid) - K * kPio2Lo;
}

inline double Sin (double X)
{
  int  Quadrant;

  if (IsNan (X) || IsInf (X)) {
    return QuietNan ();
  }

  double  R = ReduceQuadrant (X, &Quadrant);
  switch (Quadrant) {
    case 0:  return SinKernel (R);
    case 1:  return CosKernel (R);
    case 2:  return -SinKernel (R);
    default: return -CosKernel (R);
  }
}

inline double Cos (double X)
{
  int  Quadrant;

  if (IsNan (X) || IsInf (X)) {
    return QuietNan ();
  }

  double  R = ReduceQuadrant (X, &Quadrant);
  switch (Quadrant) {
    case 0:  return CosKernel (R);
    case 1:  return -SinKernel (R);
    case 2:  return -CosKernel (R);
    default: return SinKernel (R);
  }
}

inline double Tan (double X)
{
  return Sin (X) / Cos (X);
}

// atan on [0, 1]: above tan(pi/12) the argument is moved down by pi/6.
inline double AtanUnit (double X)
{
  constexpr double kTanPi12 = 0.26794919243112270647;
  constexpr double kSqrt3   = 1.73205080756887729353;
  double           Offset   = 0;

  if (X > kTanPi12) {
    X      = (X * kSqrt3 - 1) / (kSqrt3 + X);
    Offset = kPi / 6;
  }

  double  X2  = X * X;
  double  Sum = 0;
  for (int Term = 31; Term >= 3; Term -= 2) {
    Sum = X2 * (((Term & 2) != 0 ? -1.0 : 1.0) / Term + Sum);
  }

  return Offset + X * (1 + Sum);
}

inline double Atan (double X)
{
  if (IsNan (X)) {
    return X;
  }

  double  A = Fabs (X);
  double  R = (A > 1) ? kHalfPi - AtanUnit (1 / A) : AtanUnit (A);
  return (X < 0) ? -R : R;
}

inline double Atan2 (double Y, double X)
{
  if (IsNan (X) || IsNan (Y)) {
    return QuietNan ();
  }

  bool  YNegative = (Bits (Y) >> 63) != 0;
  bool  XNegative = (Bits (X) >> 63) != 0;

  if (X == 0 && Y == 0) {
    double  R = XNegative ? kPi : 0;
    return YNegative ? -R : R;
  }

  if (IsInf (X) && IsInf (Y)) {
    double  R = XNegative ? 3 * kPi / 4 : kPi / 4;
    return YNegative ? -R : R;
  }

  double  R;
  if (Fabs (X) >= Fabs (Y)) {
    R = Atan (Fabs (Y) / Fabs (X));
    R = XNegative ? kPi - R : R;
  } else {
    R = kHalfPi - Atan (Fabs (X) / Fabs (Y));
    R = XNegative ? kPi - R : R;
  }

  return YNegative ? -R : R;
}

// Outside [-1, 1] there is no angle: NaN.
inline double Asin (double X)
{
  if (IsNan (X) || (Fabs (X) > 1)) {
    return QuietNan ();
  }

  return Atan2 (X, Sqrt ((1 - X) * (1 + X)));
}

inline double Acos (double X)
{
  if (IsNan (X) || (Fabs (X) > 1)) {
    return QuietNan ();
  }

  return Atan2 (Sqrt ((1 - X) * (1 + X)), X);
}

inline double Exp (double X)
{
  if (IsNan (X)) {
    return X;
  }

  if (X > 709.8) {
    return Infinity ();
  }

  if (X < -745.2) {
    return 0;
  }

  double  K = Round (X / kLn2);
  double  R = (X - K * 0.693147180369123816490) - K * 1.90821492927058770002e-10;
  double  Sum = 1;
  for (int Term = 13; Term >= 1; Term--) {
    Sum = 1 + Sum * R / Term;
  }

  return Ldexp (Sum, (int)K);
}

inline double Log (double X)
{
  if (IsNan (X) || (X < 0)) {
    return QuietNan ();
  }

  if (X == 0) {
    return -Infinity ();
  }

  if (IsInf (X)) {
    return X;
  }

  int     E;
  double  M = Frexp (X, &E) * 2;   // [1, 2)
  E--;
  if (M > 1.41421356237309504880) {
    M /= 2;
    E++;
  }

  double  S   = (M - 1) / (M + 1);
  double  S2  = S * S;
  double  Sum = 0;
  for (int Term = 21; Term >= 3; Term -= 2) {
    Sum = S2 * (1.0 / Term + Sum);
  }

  return E * kLn2 + 2 * S * (1 + Sum);
}

inline bool IsInteger (double X) { return !IsInf (X) && (Trunc (X) == X); }
inline bool IsOddInteger (double X) { return IsInteger (X) && (Fabs (X) < 9007199254740992.0) && (Fmod (X, 2) != 0); }

// Small integer powers by squaring, so 2^3 is exactly 8.
inline double IntegerPow (double X, int64_t N)
{
  double    Result = 1;
  uint64_t  Count  = (N < 0) ? (uint64_t)-N : (uint64_t)N;

  for (double Base = X; Count != 0; Count >>= 1, Base *= Base) {
    if ((Count & 1) != 0) {
      Result *= Base;
    }
  }

  return (N < 0) ? 1 / Result : Result;
}

inline double Pow (double X, double Y)
{
  if ((Y == 0) || (X == 1)) {
    return 1;
  }

  if (IsNan (X) || IsNan (Y)) {
    return QuietNan ();
  }

  if (X == 0) {
    double  R = (Y > 0) ? 0 : Infinity ();
    return (IsOddInteger (Y) && ((Bits (X) >> 63) != 0)) ? -R : R;
  }

  if (IsInteger (Y) && (Fabs (Y) <= 64)) {
    return IntegerPow (X, (int64_t)Y);
  }

  if (X < 0) {
    if (!IsInteger (Y)) {
      return QuietNan ();
    }

    double  R = Exp (Y * Log (-X));
    return IsOddInteger (Y) ? -R : R;
  }

  return Exp (Y * Log (X));
}

}  // namespace RuntimeMath

#endif
