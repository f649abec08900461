/** @file
  Freestanding <math.h> for the UEFI image: the functions the graphics library uses,
  in single and double precision. On the host the C library's header is used.
**/
#ifndef RUNTIME_MATH_H_
#define RUNTIME_MATH_H_

#ifdef __cplusplus
extern "C" {
#endif

#define HUGE_VALF  __builtin_huge_valf ()
#define HUGE_VAL   __builtin_huge_val ()
#define INFINITY   __builtin_inff ()
#define NAN        __builtin_nanf ("")
#define M_PI       3.14159265358979323846
#define M_SQRT2    1.41421356237309504880

#define isnan(X)     __builtin_isnan (X)
#define isinf(X)     __builtin_isinf (X)
#define isfinite(X)  __builtin_isfinite (X)
#define signbit(X)   __builtin_signbit (X)

float sqrtf (float X);
double sqrt (double X);
float floorf (float X);
double floor (double X);
float ceilf (float X);
double ceil (double X);
float fabsf (float X);
double fabs (double X);
float roundf (float X);
double round (double X);
float truncf (float X);
float fmodf (float X, float Y);
double fmod (double X, double Y);
float sinf (float X);
double sin (double X);
float cosf (float X);
double cos (double X);
float tanf (float X);
double tan (double X);
float atanf (float X);
double atan (double X);
float asinf (float X);
double asin (double X);
float acosf (float X);
double acos (double X);
float atan2f (float Y, float X);
double atan2 (double Y, double X);
float expf (float X);
double exp (double X);
float logf (float X);
double log (double X);
float powf (float X, float Y);
double pow (double X, double Y);
float ldexpf (float X, int Exponent);
float frexpf (float X, int *Exponent);

#ifdef __cplusplus
}
#endif

#endif
