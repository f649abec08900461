/*
 * SkGlyph: what the glyph cache knows of one glyph at one sub-pixel position: its advance,
 * its image rectangle and format, and once asked, its image and outline.
 */
#ifndef GRAPHICS_TEXT_SKGLYPH_H_
#define GRAPHICS_TEXT_SKGLYPH_H_

#include "graphics/core/SkFixed.h"
#include "graphics/raster/SkMask.h"

class SkPath;

struct SkGlyph {
    enum { kAdvanceOnly_Format = 255 };
    // Packed id: glyph id (or character code) in bits 0-23, sub-pixel y in bits 24-25 and
    // sub-pixel x in bits 26-27, in quarter pixels.
    enum { kSubBits = 2, kSubShiftY = 24, kSubShiftX = 26, kCodeMask = 0xFFFFFF };

    void *fImage;
    SkPath *fPath;
    SkFixed fAdvanceX;
    SkFixed fAdvanceY;
    uint32_t fID;
    uint16_t fWidth;
    uint16_t fHeight;
    int16_t fTop;
    int16_t fLeft;
    uint8_t fMaskFormat;
    int8_t fRsbDelta;
    int8_t fLsbDelta;

    static uint32_t MakeID (uint32_t code) { return code; }
    // The top two fraction bits of x and y (16.16) above the code.
    static uint32_t MakeID (uint32_t code, SkFixed x, SkFixed y)
    {
        return code | ((((uint32_t)x & 0xC000) << 2 | ((uint32_t)y & 0xC000)) << 10);
    }
    static unsigned IDToCode (uint32_t id) { return id & kCodeMask; }
    static unsigned SubX (uint32_t id) { return (id >> kSubShiftX) & 3; }
    static unsigned SubY (uint32_t id) { return (id >> kSubShiftY) & 3; }
    uint16_t getGlyphID () const { return (uint16_t)(fID & 0xFFFF); }
    unsigned getSubX () const { return SubX (fID); }
    unsigned getSubY () const { return SubY (fID); }

    void initWithID (uint32_t id)
    {
        memset (this, 0, sizeof (*this));
        fID = id;
        fMaskFormat = kAdvanceOnly_Format;
    }
    bool isJustAdvance () const { return fMaskFormat == kAdvanceOnly_Format; }
    void zeroMetrics ()
    {
        fAdvanceX = fAdvanceY = 0;
        fWidth = fHeight = 0;
        fTop = fLeft = 0;
        fRsbDelta = fLsbDelta = 0;
    }

    // Row bytes of the image by format.
    size_t rowBytes () const
    {
        size_t w = fWidth;
        switch (fMaskFormat) {
        case SkMask::kBW_Format: return (w + 7) >> 3;
        case SkMask::kARGB32_Format:
        case SkMask::kLCD32_Format: return w * 4;
        case SkMask::kLCD16_Format: return SkAlign4 (w * 2);
        default: return (w + 3) & ~(size_t)3;
        }
    }
    // Bytes of the image: three planes for the 3D format.
    size_t computeImageSize () const
    {
        size_t size = rowBytes () * fHeight;
        return fMaskFormat == SkMask::k3D_Format ? size * 3 : size;
    }
    void toMask (SkMask *mask) const
    {
        mask->fImage = (uint8_t *)fImage;
        mask->fBounds.set (fLeft, fTop, fLeft + fWidth, fTop + fHeight);
        mask->fRowBytes = (uint32_t)rowBytes ();
        mask->fFormat = fMaskFormat;
    }
};

#endif
