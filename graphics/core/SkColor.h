/*
 * SkColor: unpremultiplied 32-bit ARGB (alpha in bits 24-31, then red, green, blue), and
 * SkPMColor, the same layout premultiplied.
 */
#ifndef GRAPHICS_CORE_SKCOLOR_H_
#define GRAPHICS_CORE_SKCOLOR_H_

#include "graphics/core/SkTypes.h"

typedef uint8_t SkAlpha;
typedef uint32_t SkColor;
typedef uint32_t SkPMColor;
typedef unsigned U8CPU;    // a value 0..255 held in a full register
typedef unsigned U16CPU;

#define SK_AlphaTRANSPARENT 0x00
#define SK_AlphaOPAQUE      0xFF

static inline SkColor SkColorSetARGB (U8CPU a, U8CPU r, U8CPU g, U8CPU b)
{
    return ((uint32_t)a << 24) | ((uint32_t)r << 16) | ((uint32_t)g << 8) | (uint32_t)b;
}
static inline SkColor SkColorSetRGB (U8CPU r, U8CPU g, U8CPU b) { return SkColorSetARGB (0xFF, r, g, b); }
static inline U8CPU SkColorGetA (SkColor c) { return (c >> 24) & 0xFF; }
static inline U8CPU SkColorGetR (SkColor c) { return (c >> 16) & 0xFF; }
static inline U8CPU SkColorGetG (SkColor c) { return (c >> 8) & 0xFF; }
static inline U8CPU SkColorGetB (SkColor c) { return c & 0xFF; }
static inline SkColor SkColorSetA (SkColor c, U8CPU a) { return (c & 0x00FFFFFF) | ((uint32_t)a << 24); }

#define SK_ColorTRANSPARENT 0x00000000u
#define SK_ColorBLACK       0xFF000000u
#define SK_ColorDKGRAY      0xFF444444u
#define SK_ColorGRAY        0xFF888888u
#define SK_ColorLTGRAY      0xFFCCCCCCu
#define SK_ColorWHITE       0xFFFFFFFFu
#define SK_ColorRED         0xFFFF0000u
#define SK_ColorGREEN       0xFF00FF00u
#define SK_ColorBLUE        0xFF0000FFu
#define SK_ColorYELLOW      0xFFFFFF00u
#define SK_ColorCYAN        0xFF00FFFFu
#define SK_ColorMAGENTA     0xFFFF00FFu

#endif
