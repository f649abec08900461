/*
 * SkBlurMaskFilter: blurs the coverage mask of a shape before it is blitted (shadows and
 * glows). The styles keep the blur, fill the shape solid inside it, or keep only the part
 * outside or inside the shape.
 */
#ifndef GRAPHICS_EFFECTS_SKBLURMASKFILTER_H_
#define GRAPHICS_EFFECTS_SKBLURMASKFILTER_H_

#include "graphics/effects/SkMaskFilter.h"

class SkBlurMaskFilter : public SkMaskFilter {
public:
    enum BlurStyle { kNormal_BlurStyle, kSolid_BlurStyle, kOuter_BlurStyle, kInner_BlurStyle, kBlurStyleCount };
    enum BlurFlags {
        kIgnoreTransform_BlurFlag = 0x1,    // the radius is in device pixels whatever the matrix
        kHighQuality_BlurFlag = 0x2,        // three box passes instead of one
        kAll_BlurFlag = 0x3,
    };

    // Null when radius is not above 0 (or not finite), style is not one of the four, or
    // memory runs out. Flags 0.
    static SkMaskFilter *Create (SkScalar radius, BlurStyle style);

    SkMask::Format getFormat () override { return SkMask::kA8_Format; }
    // The radius under matrix (the geometric mean of how it stretches x and y), at most 128.
    bool filterMask (SkMask *dst, const SkMask &src, const SkMatrix &matrix, SkIPoint *margin) override;
    BlurType asABlur (BlurInfo *info) override;

    // Written as the radius, the style and the flags.
    Factory getFactory () override { return CreateProc; }
    void flatten (SkFlattenableWriteBuffer &buffer) override;
    // Null for short data, a radius not above 0, or a style that does not exist.
    static SkFlattenable *CreateProc (SkFlattenableReadBuffer &buffer);

private:
    SkBlurMaskFilter (SkScalar radius, BlurStyle style, uint32_t flags);

    SkScalar fRadius;
    uint32_t fBlurStyle;
    uint32_t fBlurFlags;
};

// The summed-area box blur behind the filter.
class SkBlurMask {
public:
    // Blurs the A8 mask src by radius (in device pixels) into dst, whose image is allocated
    // with sk_malloc (the caller frees it). margin, when given, receives how far dst reaches
    // beyond src. Without a source image only dst's bounds are computed. False for a source
    // that is not A8, a radius under one pixel after the passes are shared out, a mask too
    // large, or no memory.
    static bool Blur (SkMask *dst, const SkMask &src, SkScalar radius, SkBlurMaskFilter::BlurStyle style,
                      bool highQuality, SkIPoint *margin);
};

#endif
