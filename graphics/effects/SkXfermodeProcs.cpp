/*
 * Per-pixel formulas of the 24 numbered transfer modes. All inputs are premultiplied; the
 * rounding of every step is part of the contract (stored images and tests depend on the exact
 * bits), so each mode is written out with its own integer arithmetic.
 */
#include "graphics/effects/SkXfermodePriv.h"
#include "graphics/core/SkMath.h"
#include "graphics/core/SkColorPriv.h"

namespace {

int r255 (int x)            // rounded division by 255; x >= 0
{
    x += 128;
    return (x + (x >> 8)) >> 8;
}

int clamp_div255round (int x)
{
    if (x <= 0) return 0;
    if (x >= 255 * 255) return 255;
    return r255 (x);
}

int clamp_byte (int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

int srcover_alpha (int sa, int da) { return sa + da - r255 (sa * da); }

// Channels are clamped when packed: valid premultiplied input never needs it, but a colour
// channel above its alpha must not spill into the neighbouring channel.
uint32_t pack (int a, int r, int g, int b)
{
    return SkPackARGB32 ((uint32_t)clamp_byte (a), (uint32_t)clamp_byte (r), (uint32_t)clamp_byte (g),
                         (uint32_t)clamp_byte (b));
}

struct Channels {
    int a, r, g, b;
    explicit Channels (uint32_t c)
        : a ((int)SkGetPackedA32 (c)), r ((int)SkGetPackedR32 (c)), g ((int)SkGetPackedG32 (c)),
          b ((int)SkGetPackedB32 (c)) {}
};

// Applies a per-channel blend of the separable modes; alpha is always source-over alpha.
template <int (*Blend) (int sc, int dc, int sa, int da)>
uint32_t separable (uint32_t src, uint32_t dst)
{
    Channels s (src), d (dst);
    return pack (srcover_alpha (s.a, d.a), Blend (s.r, d.r, s.a, d.a), Blend (s.g, d.g, s.a, d.a),
                 Blend (s.b, d.b, s.a, d.a));
}

uint32_t clear_proc (uint32_t, uint32_t) { return 0; }
uint32_t src_proc (uint32_t s, uint32_t) { return s; }
uint32_t dst_proc (uint32_t, uint32_t d) { return d; }
uint32_t srcover_proc (uint32_t s, uint32_t d) { return s + SkAlphaMulQ (d, 256 - SkGetPackedA32 (s)); }
uint32_t dstover_proc (uint32_t s, uint32_t d) { return d + SkAlphaMulQ (s, 256 - SkGetPackedA32 (d)); }
uint32_t srcin_proc (uint32_t s, uint32_t d) { return SkAlphaMulQ (s, SkAlpha255To256 (SkGetPackedA32 (d))); }
uint32_t dstin_proc (uint32_t s, uint32_t d) { return SkAlphaMulQ (d, SkAlpha255To256 (SkGetPackedA32 (s))); }
uint32_t srcout_proc (uint32_t s, uint32_t d) { return SkAlphaMulQ (s, 256 - SkGetPackedA32 (d)); }
uint32_t dstout_proc (uint32_t s, uint32_t d) { return SkAlphaMulQ (d, 256 - SkGetPackedA32 (s)); }

uint32_t srcatop_proc (uint32_t src, uint32_t dst)
{
    Channels s (src), d (dst);
    int isa = 255 - s.a;
    return pack (d.a, r255 (s.r * d.a) + r255 (d.r * isa), r255 (s.g * d.a) + r255 (d.g * isa),
                 r255 (s.b * d.a) + r255 (d.b * isa));
}

uint32_t dstatop_proc (uint32_t src, uint32_t dst)
{
    Channels s (src), d (dst);
    int ida = 255 - d.a;
    return pack (s.a, r255 (d.r * s.a) + r255 (s.r * ida), r255 (d.g * s.a) + r255 (s.g * ida),
                 r255 (d.b * s.a) + r255 (s.b * ida));
}

uint32_t xor_proc (uint32_t src, uint32_t dst)
{
    Channels s (src), d (dst);
    int isa = 255 - s.a, ida = 255 - d.a;
    return pack (s.a + d.a - 2 * r255 (s.a * d.a), r255 (s.r * ida) + r255 (d.r * isa),
                 r255 (s.g * ida) + r255 (d.g * isa), r255 (s.b * ida) + r255 (d.b * isa));
}

uint32_t plus_proc (uint32_t src, uint32_t dst)
{
    Channels s (src), d (dst);
    return pack (SkMin32 (s.a + d.a, 255), SkMin32 (s.r + d.r, 255), SkMin32 (s.g + d.g, 255),
                 SkMin32 (s.b + d.b, 255));
}

// The library's multiply is a modulate of all four channels, alpha included.
uint32_t multiply_proc (uint32_t src, uint32_t dst)
{
    Channels s (src), d (dst);
    return pack (r255 (s.a * d.a), r255 (s.r * d.r), r255 (s.g * d.g), r255 (s.b * d.b));
}

int screen_byte (int a, int b) { return a + b - r255 (a * b); }

uint32_t screen_proc (uint32_t src, uint32_t dst)
{
    Channels s (src), d (dst);
    return pack (screen_byte (s.a, d.a), screen_byte (s.r, d.r), screen_byte (s.g, d.g),
                 screen_byte (s.b, d.b));
}

int overlay_byte (int sc, int dc, int sa, int da)
{
    int tmp = sc * (255 - da) + dc * (255 - sa);
    int rc = 2 * dc <= da ? 2 * sc * dc : sa * da - 2 * (da - dc) * (sa - sc);
    return clamp_div255round (rc + tmp);
}

int darken_byte (int sc, int dc, int sa, int da)
{
    return sc + dc - r255 (SkMax32 (sc * da, dc * sa));
}

int lighten_byte (int sc, int dc, int sa, int da)
{
    return sc + dc - r255 (SkMin32 (sc * da, dc * sa));
}

// The library's dodge in 15-bit fixed point: a source channel at its alpha gives the full
// dodge; otherwise the ratio dc·sa / (da·(sa − sc)) scales R(sa·da). On opaque pixels that is
// the whole blend and the results keep their exact bits. Translucent pixels also need the
// parts of each colour the other does not cover (without them a translucent black source
// darkened the destination by its alpha), and once those are added the ratio must stop at 1
// (the cap at the result alpha no longer bounds it).
int colordodge_byte (int sc, int dc, int sa, int da)
{
    int a = srcover_alpha (sa, da);
    if (da == 0) return SkMin32 (sc, a);    // nothing to divide by: the source shows
    int rest = sc * (255 - da) + dc * (255 - sa);
    int c;
    if (sc >= sa) {
        c = r255 (sa * da + rest);
    } else {
        int ratio = ((dc * sa) << 15) / (da * (sa - sc));
        c = ((SkMin32 (ratio, 1 << 15) * r255 (sa * da)) >> 15) + r255 (rest);
    }
    return SkMin32 (c, a);
}

int colorburn_byte (int sc, int dc, int sa, int da)
{
    if (da == 0) return sc;         // no destination colour to burn
    if (sc == 0) return r255 ((255 - sa) * dc + (dc == da ? sa * da : 0));
    int tmp = (da - dc) * sa * 256 / (sc * da);
    int v = (255 - sa) * dc + (255 - da) * sc + sa * da - ((sa * da * SkMin32 (tmp, 256)) >> 8);
    return clamp_div255round (v);
}

int hardlight_byte (int sc, int dc, int sa, int da)
{
    int rc = 2 * sc <= sa ? 2 * sc * dc : sa * da - 2 * (sa - sc) * (da - dc);
    return clamp_div255round (rc + sc * (255 - da) + dc * (255 - sa));
}

int softlight_byte (int sc, int dc, int sa, int da)
{
    int m = da ? (dc << 8) / da : 0;
    int rc;
    if (2 * sc <= sa) {
        rc = dc * (sa + (((2 * sc - sa) * (256 - m)) >> 8));
    } else {
        int t = 4 * dc <= da ? ((16 * m * (m + 64) * (m - 256)) >> 16) + 7 * m : SkSqrtBits (m, 19) - m;
        rc = dc * sa + ((t * (2 * sc - sa) * da) >> 8);
    }
    return clamp_div255round (sc * (255 - da) + dc * (255 - sa) + rc);
}

int difference_byte (int sc, int dc, int sa, int da)
{
    return clamp_byte (sc + dc - 2 * r255 (SkMin32 (sc * da, dc * sa)));
}

int exclusion_byte (int sc, int dc, int sa, int da)
{
    return clamp_div255round (sc * (255 - da) + dc * (255 - sa) - 2 * sc * dc + sc * da + dc * sa);
}

// colorDodge and colorBurn: a destination pixel of 0 shows the source unchanged.
template <int (*Blend) (int, int, int, int)>
uint32_t dodge_burn (uint32_t src, uint32_t dst)
{
    return dst == 0 ? src : separable<Blend> (src, dst);
}

const uint32_t kZero = 0, kOne = 1, kSC = 2, kSA = 6, kISA = 7, kDA = 8, kIDA = 9;
const uint32_t kNone = kSkXfermodeCoeffNone;

const SkXfermodeProcCoeff gModeTable[kSkXfermodeModeCount] = {
    { clear_proc, kZero, kZero },
    { src_proc, kOne, kZero },
    { dst_proc, kZero, kOne },
    { srcover_proc, kOne, kISA },
    { dstover_proc, kIDA, kOne },
    { srcin_proc, kDA, kZero },
    { dstin_proc, kZero, kSA },
    { srcout_proc, kIDA, kZero },
    { dstout_proc, kZero, kISA },
    { srcatop_proc, kDA, kISA },
    { dstatop_proc, kIDA, kSA },
    { xor_proc, kIDA, kISA },
    { plus_proc, kOne, kOne },
    { multiply_proc, kZero, kSC },
    { screen_proc, kNone, kNone },
    { separable<overlay_byte>, kNone, kNone },
    { separable<darken_byte>, kNone, kNone },
    { separable<lighten_byte>, kNone, kNone },
    { dodge_burn<colordodge_byte>, kNone, kNone },
    { dodge_burn<colorburn_byte>, kNone, kNone },
    { separable<hardlight_byte>, kNone, kNone },
    { separable<softlight_byte>, kNone, kNone },
    { separable<difference_byte>, kNone, kNone },
    { separable<exclusion_byte>, kNone, kNone },
};

} // namespace

const SkXfermodeProcCoeff *SkXfermodeRow (int mode)
{
    return mode >= 0 && mode < kSkXfermodeModeCount ? &gModeTable[mode] : nullptr;
}
