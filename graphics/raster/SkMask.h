/*
 * SkMask: a coverage or colour image handed to a blitter's blitMask, with the device bounds it
 * covers. Pixel addresses are computed relative to the bounds' top-left corner.
 */
#ifndef GRAPHICS_RASTER_SKMASK_H_
#define GRAPHICS_RASTER_SKMASK_H_

#include "graphics/geometry/SkRect.h"

struct SkMask {
    enum Format {
        kBW_Format = 0,         // 1 bit per pixel, most significant bit first
        k3D_Format = 2,         // treated as A8 by every blitter of this library
        kA8_Format = 1,
        kARGB32_Format = 3,     // premultiplied 32-bit colour
        kLCD16_Format = 4,      // 5-6-5 coverage per channel
        kLCD32_Format = 5,      // coverage per channel in bits 16-23, 8-15, 0-7
    };

    uint8_t *fImage;
    SkIRect fBounds;
    uint32_t fRowBytes;
    uint8_t fFormat;

    // Address of the byte holding pixel (x, y): for BW the byte of its bit.
    uint8_t *getAddr1 (int x, int y) const
    {
        return fImage + (size_t)(y - fBounds.fTop) * fRowBytes + ((x - fBounds.fLeft) >> 3);
    }
    uint8_t *getAddr8 (int x, int y) const
    {
        return fImage + (size_t)(y - fBounds.fTop) * fRowBytes + (x - fBounds.fLeft);
    }
    uint16_t *getAddr16 (int x, int y) const
    {
        return (uint16_t *)(fImage + (size_t)(y - fBounds.fTop) * fRowBytes) + (x - fBounds.fLeft);
    }
    uint32_t *getAddr32 (int x, int y) const
    {
        return (uint32_t *)(fImage + (size_t)(y - fBounds.fTop) * fRowBytes) + (x - fBounds.fLeft);
    }
};

#endif
