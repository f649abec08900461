/*
 * Undoing premultiplication through a table of reciprocals: T[0] = 0 and
 * T[a] = (255 × 2^24 + a / 2) / a, so a channel c of a colour with alpha a becomes
 * (c × T[a] + 2^23) >> 24. Filters and the colour readers of 1×1 bitmaps share it.
 */
#ifndef GRAPHICS_CORE_SKUNPREMULTIPLY_H_
#define GRAPHICS_CORE_SKUNPREMULTIPLY_H_

#include "graphics/core/SkColor.h"

class SkUnPreMultiply {
public:
    typedef uint32_t Scale;

    static Scale GetScale (U8CPU alpha) { return kTable.fScale[alpha & 0xFF]; }
    // Computed in 64 bits and clamped to 255: an invalid colour (a channel above its alpha)
    // neither overflows nor wraps.
    static U8CPU ApplyScale (Scale scale, U8CPU component)
    {
        uint64_t v = ((uint64_t)component * scale + (1u << 23)) >> 24;
        return (U8CPU)(v > 255 ? 255 : v);
    }
    // The unpremultiplied colour of a premultiplied one; alpha 0 gives 0.
    static SkColor PMColorToColor (SkPMColor c);

private:
    struct Table {
        Scale fScale[256];
        constexpr Table () : fScale {}
        {
            for (uint32_t a = 1; a < 256; a++) fScale[a] = (0xFF000000u + a / 2) / a;
        }
    };
    static constinit const Table kTable;
};

inline constinit const SkUnPreMultiply::Table SkUnPreMultiply::kTable {};

inline SkColor SkUnPreMultiply::PMColorToColor (SkPMColor c)
{
    U8CPU a = (c >> 24) & 0xFF;
    Scale s = GetScale (a);
    return SkColorSetARGB (a, ApplyScale (s, (c >> 16) & 0xFF), ApplyScale (s, (c >> 8) & 0xFF), ApplyScale (s, c & 0xFF));
}

#endif
