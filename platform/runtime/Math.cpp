/** @file
  The C math functions of the freestanding <math.h>. Built only into the UEFI image;
  the routines themselves live in MathImpl.h so the host can test them.
**/
#include <math.h>
#include "MathImpl.h"

using namespace RuntimeMath;

extern "C" {

float sqrtf (float X) { return (float)Sqrt (X); }
double sqrt (double X) { return Sqrt (X); }
float floorf (float X) { return (float)Floor (X); }
double floor (double X) { return Floor (X); }
float ceilf (float X) { return (float)Ceil (X); }
double ceil (double X) { return Ceil (X); }
float fabsf (float X) { return (float)Fabs (X); }
double fabs (double X) { return Fabs (X); }
float roundf (float X) { return (float)Round (X); }
double round (double X) { return Round (X); }
float truncf (float X) { return (float)Trunc (X); }
float fmodf (float X, float Y) { return (float)Fmod (X, Y); }
double fmod (double X, double Y) { return Fmod (X, Y); }
float sinf (float X) { return (float)Sin (X); }
double sin (double X) { return Sin (X); }
float cosf (float X) { return (float)Cos (X); }
double cos (double X) { return Cos (X); }
float tanf (float X) { return (float)Tan (X); }
double tan (double X) { return Tan (X); }
float atanf (float X) { return (float)Atan (X); }
double atan (double X) { return Atan (X); }
float asinf (float X) { return (float)Asin (X); }
double asin (double X) { return Asin (X); }
float acosf (float X) { return (float)Acos (X); }
double acos (double X) { return Acos (X); }
float atan2f (float Y, float X) { return (float)Atan2 (Y, X); }
double atan2 (double Y, double X) { return Atan2 (Y, X); }
float expf (float X) { return (float)Exp (X); }
double exp (double X) { return Exp (X); }
float logf (float X) { return (float)Log (X); }
double log (double X) { return Log (X); }
float powf (float X, float Y) { return (float)Pow (X, Y); }
double pow (double X, double Y) { return Pow (X, Y); }
float ldexpf (float X, int Exponent) { return (float)Ldexp (X, Exponent); }
float frexpf (float X, int *Exponent) { return (float)Frexp (X, Exponent); }

}  // extern "C"
