/*
 * Row procedures: the innermost loops that blend or fill one row of 32-bit premultiplied
 * pixels. The table hands out the form SkGetProcForm names: the SSE2 forms on x86 (every x86-64
 * processor has SSE2, so there is no processor test), else the plain forms, which are the
 * reference the SSE2 ones match bit for bit.
 */
#ifndef GRAPHICS_RASTER_SKBLITROW_H_
#define GRAPHICS_RASTER_SKBLITROW_H_

#include <stddef.h>
#include <stdint.h>

class SkBlitRow {
public:
    enum {
        kGlobalAlpha_Flag = 0x01,       // a global alpha below 255 is applied
        kSrcPixelAlpha_Flag = 0x02,     // the source pixels are not opaque
    };
    typedef void (*Proc) (uint32_t *dst, const uint32_t *src, int count, unsigned alpha);
    typedef void (*ColorProc) (uint32_t *dst, const uint32_t *src, int count, uint32_t color);

    // flags: the two bits above; the procedure is (dst, src, count, alpha 0...255).
    static Proc Factory32 (unsigned flags);

    // dst = color + src scaled by (255 - color alpha); a color of 0 copies src, an opaque one
    // fills. src and dst may be the same row.
    static void Color32 (uint32_t *dst, const uint32_t *src, int count, uint32_t color);
};

// Coverage mask procedures of the solid blitters: an A8 mask (one byte per pixel) laid over a
// 32-bit device with one unpremultiplied colour. The config argument is unused.
typedef void (*SkBlitMaskColorProc) (void *dst, size_t dstRB, int config, const uint8_t *mask,
                                     size_t maskRB, uint32_t color, int width, int height);
void SkBlitColorA8Mask (void *dst, size_t dstRB, int config, const uint8_t *mask, size_t maskRB,
                        uint32_t color, int width, int height);
void SkBlitColorA8MaskBlack (void *dst, size_t dstRB, int config, const uint8_t *mask, size_t maskRB,
                             uint32_t color, int width, int height);

// Premultiplication with rounded division by 255.
uint32_t SkPreMultiplyARGB (unsigned a, unsigned r, unsigned g, unsigned b);
uint32_t SkPreMultiplyColor (uint32_t color);

#endif
