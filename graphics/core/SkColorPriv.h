/*
 * Pixel packing: 32-bit premultiplied pixels (a r g b from the top byte down), 16-bit 5-6-5
 * pixels (red on top) and 4444 pixels (red, green, blue, alpha nibbles from the top), with
 * the per-channel scaling helpers the blitters share.
 */
#ifndef GRAPHICS_CORE_SKCOLORPRIV_H_
#define GRAPHICS_CORE_SKCOLORPRIV_H_

#include "graphics/core/SkColor.h"

// --- 32-bit -------------------------------------------------------------------------------
#define SK_A32_SHIFT 24
#define SK_R32_SHIFT 16
#define SK_G32_SHIFT 8
#define SK_B32_SHIFT 0

static inline SkPMColor SkPackARGB32 (U8CPU a, U8CPU r, U8CPU g, U8CPU b)
{
    return ((uint32_t)a << SK_A32_SHIFT) | ((uint32_t)r << SK_R32_SHIFT) |
           ((uint32_t)g << SK_G32_SHIFT) | ((uint32_t)b << SK_B32_SHIFT);
}
static inline U8CPU SkGetPackedA32 (SkPMColor c) { return (c >> SK_A32_SHIFT) & 0xFF; }
static inline U8CPU SkGetPackedR32 (SkPMColor c) { return (c >> SK_R32_SHIFT) & 0xFF; }
static inline U8CPU SkGetPackedG32 (SkPMColor c) { return (c >> SK_G32_SHIFT) & 0xFF; }
static inline U8CPU SkGetPackedB32 (SkPMColor c) { return (c >> SK_B32_SHIFT) & 0xFF; }

// Alpha 0..255 to a scale 1..256 (x + 1), so that (v * scale) >> 8 keeps 255 as 255.
static inline unsigned SkAlpha255To256 (U8CPU alpha) { return alpha + 1; }
// v * scale >> 8 for one channel (scale 0..256).
static inline unsigned SkAlphaMul (unsigned value, unsigned scale) { return (value * scale) >> 8; }

// Every channel of a 32-bit pixel times scale (0..256), shifted right by 8 (truncating);
// two channels at a time with the masks 0x00FF00FF.
static inline uint32_t SkAlphaMulQ (uint32_t c, unsigned scale)
{
    uint32_t mask = 0x00FF00FF;
    uint32_t rb = ((c & mask) * scale) >> 8;
    uint32_t ag = ((c >> 8) & mask) * scale;
    return (rb & mask) | (ag & ~mask);
}

// --- 16-bit 5-6-5 -------------------------------------------------------------------------
#define SK_R16_SHIFT 11
#define SK_G16_SHIFT 5
#define SK_B16_SHIFT 0
#define SK_R16_MASK 0x1F
#define SK_G16_MASK 0x3F
#define SK_B16_MASK 0x1F

static inline uint16_t SkPackRGB16 (unsigned r5, unsigned g6, unsigned b5)
{
    return (uint16_t)((r5 << SK_R16_SHIFT) | (g6 << SK_G16_SHIFT) | (b5 << SK_B16_SHIFT));
}
static inline unsigned SkGetPackedR16 (uint16_t c) { return (c >> SK_R16_SHIFT) & SK_R16_MASK; }
static inline unsigned SkGetPackedG16 (uint16_t c) { return (c >> SK_G16_SHIFT) & SK_G16_MASK; }
static inline unsigned SkGetPackedB16 (uint16_t c) { return (c >> SK_B16_SHIFT) & SK_B16_MASK; }
// Channel widening by bit replication: r5 -> (r5 << 3) | (r5 >> 2), g6 -> (g6 << 2) | (g6 >> 4).
static inline unsigned SkR16ToR32 (unsigned r5) { return (r5 << 3) | (r5 >> 2); }
static inline unsigned SkG16ToG32 (unsigned g6) { return (g6 << 2) | (g6 >> 4); }
static inline unsigned SkB16ToB32 (unsigned b5) { return (b5 << 3) | (b5 >> 2); }
static inline SkPMColor SkPixel16ToPixel32 (uint16_t c)
{
    return SkPackARGB32 (0xFF, SkR16ToR32 (SkGetPackedR16 (c)), SkG16ToG32 (SkGetPackedG16 (c)),
                         SkB16ToB32 (SkGetPackedB16 (c)));
}
// Narrowing by truncation of the low bits.
static inline uint16_t SkPixel32ToPixel16 (SkPMColor c)
{
    return SkPackRGB16 (SkGetPackedR32 (c) >> 3, SkGetPackedG32 (c) >> 2, SkGetPackedB32 (c) >> 3);
}
static inline uint16_t SkPack888ToRGB16 (U8CPU r, U8CPU g, U8CPU b)
{
    return SkPackRGB16 (r >> 3, g >> 2, b >> 3);
}

// --- 16-bit 4444 --------------------------------------------------------------------------
#define SK_R4444_SHIFT 12
#define SK_G4444_SHIFT 8
#define SK_B4444_SHIFT 4
#define SK_A4444_SHIFT 0

static inline uint16_t SkPackARGB4444 (unsigned a, unsigned r, unsigned g, unsigned b)
{
    return (uint16_t)((r << SK_R4444_SHIFT) | (g << SK_G4444_SHIFT) | (b << SK_B4444_SHIFT) |
                      (a << SK_A4444_SHIFT));
}
static inline unsigned SkGetPackedA4444 (uint16_t c) { return (c >> SK_A4444_SHIFT) & 0xF; }
static inline unsigned SkGetPackedR4444 (uint16_t c) { return (c >> SK_R4444_SHIFT) & 0xF; }
static inline unsigned SkGetPackedG4444 (uint16_t c) { return (c >> SK_G4444_SHIFT) & 0xF; }
static inline unsigned SkGetPackedB4444 (uint16_t c) { return (c >> SK_B4444_SHIFT) & 0xF; }
// Nibble widening by * 17 (0xF -> 0xFF); the stored channels are already premultiplied.
static inline SkPMColor SkPixel4444ToPixel32 (uint16_t c)
{
    return SkPackARGB32 (SkGetPackedA4444 (c) * 17, SkGetPackedR4444 (c) * 17,
                         SkGetPackedG4444 (c) * 17, SkGetPackedB4444 (c) * 17);
}
static inline uint16_t SkPixel32ToPixel4444 (SkPMColor c)
{
    return SkPackARGB4444 (SkGetPackedA32 (c) >> 4, SkGetPackedR32 (c) >> 4,
                           SkGetPackedG32 (c) >> 4, SkGetPackedB32 (c) >> 4);
}

#endif
