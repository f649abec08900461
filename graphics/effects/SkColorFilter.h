/*
 * SkColorFilter: changes the colours a shader or a solid paint produces, one span at a time.
 * The concrete filters (colour matrix) live with their own topic.
 */
#ifndef GRAPHICS_EFFECTS_SKCOLORFILTER_H_
#define GRAPHICS_EFFECTS_SKCOLORFILTER_H_

#include "graphics/core/SkColor.h"
#include "graphics/flatten/SkFlattenable.h"

class SkColorFilter : public SkFlattenable {
public:
    enum Flags {
        kAlphaUnchanged_Flag = 0x01,    // the alpha of every colour passes through unchanged
        kHasFilter16_Flag = 0x02,       // a 16-bit form exists
    };

    // dst may be src. Every subclass filters; the base passes the colours through (the
    // firmware build has no handler for pure virtual calls).
    virtual void filterSpan (const SkPMColor src[], int count, SkPMColor dst[])
    {
        if (count > 0 && dst != src) memmove (dst, src, (size_t)count * sizeof (SkPMColor));
    }
    virtual uint32_t getFlags () { return 0; }
    // The same for 5-6-5 pixels, where kHasFilter16_Flag is set; the base copies them.
    virtual void filterSpan16 (const uint16_t src[], int count, uint16_t dst[])
    {
        if (count > 0 && dst != src) memmove (dst, src, (size_t)count * sizeof (uint16_t));
    }
    Type getFlattenableType () const override { return kColorFilter_Type; }
};

#endif
