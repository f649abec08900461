// The UEFI image's math routines against the host C library, over ranges the
// graphics library uses and the edge values (zero signs, infinities, NaN, huge
// arguments) where a hand-written routine usually slips.
#include "../runtime/MathImpl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace RuntimeMath;

void ExpectClose (double Expected, double Actual, double Tolerance, double Input)
{
  double  Scale = std::fabs (Expected) > 1 ? std::fabs (Expected) : 1;
  EXPECT_LE (std::fabs (Expected - Actual), Tolerance * Scale) << "input " << Input;
}

TEST (RuntimeMath, RoundingFunctionsMatchLibc) {
  const double  Inputs[] = { 0.0, -0.0, 0.5, -0.5, 1.5, -1.5, 2.5, 3.7, -3.7, 1e15 + 0.5, -1e300, 4503599627370497.0 };

  for (double X : Inputs) {
    EXPECT_EQ (std::floor (X), Floor (X)) << X;
    EXPECT_EQ (std::ceil (X), Ceil (X)) << X;
    EXPECT_EQ (std::trunc (X), Trunc (X)) << X;
    EXPECT_EQ (std::round (X), Round (X)) << X;
  }

  EXPECT_TRUE (std::signbit (Floor (-0.0)));
  EXPECT_TRUE (std::signbit (Ceil (-0.5)));
  EXPECT_TRUE (IsNan (Floor (std::nan (""))));
}

TEST (RuntimeMath, SqrtFabsFmodAreExact) {
  for (double X = 0; X < 1000; X += 0.37) {
    EXPECT_EQ (std::sqrt (X), Sqrt (X));
    EXPECT_EQ (std::fmod (X, 2.5), Fmod (X, 2.5));
    EXPECT_EQ (std::fmod (-X, 0.3), Fmod (-X, 0.3));
  }

  EXPECT_EQ (std::fmod (1e300, 3.0), Fmod (1e300, 3.0));
  EXPECT_EQ (std::fmod (5e-320, 3e-321), Fmod (5e-320, 3e-321));
  EXPECT_TRUE (IsNan (Fmod (1.0, 0.0)));
  EXPECT_TRUE (IsNan (Sqrt (-1.0)));
  EXPECT_EQ (2.5, Fabs (-2.5));
}

TEST (RuntimeMath, TrigonometryIsAccurate) {
  for (double X = -100; X < 100; X += 0.0137) {
    ExpectClose (std::sin (X), Sin (X), 1e-14, X);
    ExpectClose (std::cos (X), Cos (X), 1e-14, X);
    ExpectClose (std::atan (X), Atan (X), 1e-14, X);
  }

  for (double X = -1.5; X < 1.5; X += 0.01) {
    ExpectClose (std::tan (X), Tan (X), 1e-13, X);
  }

  for (double X = -1; X <= 1; X += 0.003) {
    ExpectClose (std::asin (X), Asin (X), 1e-14, X);
    ExpectClose (std::acos (X), Acos (X), 1e-14, X);
  }

  EXPECT_TRUE (IsNan (Acos (1.0000001)));
  EXPECT_EQ (0.0, Acos (1.0));

  EXPECT_TRUE (IsNan (Sin (std::numeric_limits<double>::infinity ())));
  EXPECT_LE (std::fabs (Sin (1e22)), 1.0);   // huge arguments stay in range
}

TEST (RuntimeMath, Atan2CoversEveryQuadrantAndEdge) {
  const double  Values[] = { 0.0, -0.0, 1.0, -1.0, 3.5, -0.25, std::numeric_limits<double>::infinity (),
                             -std::numeric_limits<double>::infinity () };

  for (double Y : Values) {
    for (double X : Values) {
      double  Expected = std::atan2 (Y, X);
      ExpectClose (Expected, Atan2 (Y, X), 2e-15, Y * 10 + X);
      EXPECT_EQ (std::signbit (Expected), std::signbit (Atan2 (Y, X))) << Y << "," << X;
    }
  }
}

TEST (RuntimeMath, ExpLogPowAreAccurate) {
  for (double X = -700; X < 700; X += 1.37) {
    ExpectClose (std::exp (X), Exp (X), 1e-14, X);
  }

  for (double X = 1e-300; X < 1e300; X *= 7.3) {
    ExpectClose (std::log (X), Log (X), 1e-15, X);
  }

  ExpectClose (std::log (5e-320), Log (5e-320), 1e-15, 5e-320);   // subnormal input
  for (double X = 0.1; X < 50; X += 0.71) {
    ExpectClose (std::pow (X, 2.2), Pow (X, 2.2), 1e-13, X);
    ExpectClose (std::pow (X, -0.5), Pow (X, -0.5), 1e-13, X);
  }

  EXPECT_EQ (-8.0, Pow (-2.0, 3.0));
  EXPECT_EQ (16.0, Pow (-2.0, 4.0));
  EXPECT_TRUE (IsNan (Pow (-2.0, 0.5)));
  EXPECT_EQ (1.0, Pow (std::nan (""), 0.0));
  EXPECT_TRUE (std::isinf (Pow (0.0, -1.0)));
  EXPECT_TRUE (std::isinf (Exp (1000.0)));
  EXPECT_EQ (0.0, Exp (-1000.0));
  EXPECT_TRUE (IsNan (Log (-1.0)));
  EXPECT_TRUE (std::isinf (Log (0.0)));
}

TEST (RuntimeMath, LdexpAndFrexpRoundTrip) {
  int  Exponent;

  EXPECT_EQ (0.75, Frexp (6.0, &Exponent));
  EXPECT_EQ (3, Exponent);
  EXPECT_EQ (std::ldexp (1.0, -1074), Ldexp (1.0, -1074));
  EXPECT_TRUE (std::isinf (Ldexp (1.0, 2000)));
  EXPECT_EQ (std::ldexp (3.0, 1000), Ldexp (3.0, 1000));
  double  M = Frexp (5e-320, &Exponent);
  EXPECT_EQ (5e-320, std::ldexp (M, Exponent));
}

}  // namespace
