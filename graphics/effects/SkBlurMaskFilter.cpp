/*
 * The blur mask filter: its radius under the draw matrix, its description and flattening.
 */
#include "graphics/effects/SkBlurMaskFilter.h"

#include <math.h>

namespace {

const SkScalar kMaxRadius = 128;

bool valid_radius (SkScalar radius) { return radius > 0 && radius * 0 == 0; }

} // namespace

SkBlurMaskFilter::SkBlurMaskFilter (SkScalar radius, BlurStyle style, uint32_t flags)
    : fRadius (radius), fBlurStyle ((uint32_t)style), fBlurFlags (flags & kAll_BlurFlag)
{
}

SkMaskFilter *SkBlurMaskFilter::Create (SkScalar radius, BlurStyle style)
{
    if (!valid_radius (radius) || (unsigned)style >= kBlurStyleCount) return nullptr;
    return new SkBlurMaskFilter (radius, style, 0);
}

bool SkBlurMaskFilter::filterMask (SkMask *dst, const SkMask &src, const SkMatrix &matrix, SkIPoint *margin)
{
    SkScalar radius = fRadius;
    if (!(fBlurFlags & kIgnoreTransform_BlurFlag)) {
        SkVector v[2] = { SkPoint::Make (fRadius, 0), SkPoint::Make (0, fRadius) };
        matrix.mapVectors (v, v, 2);
        radius = sqrtf (sqrtf (v[0].fX * v[0].fX + v[0].fY * v[0].fY) * sqrtf (v[1].fX * v[1].fX + v[1].fY * v[1].fY));
    }
    if (!(radius <= kMaxRadius)) radius = kMaxRadius;      // also a radius that is not a number
    return SkBlurMask::Blur (dst, src, radius, (BlurStyle)fBlurStyle, (fBlurFlags & kHighQuality_BlurFlag) != 0, margin);
}

SkMaskFilter::BlurType SkBlurMaskFilter::asABlur (BlurInfo *info)
{
    if (info != nullptr) {
        info->fRadius = fRadius;
        info->fIgnoreTransform = (fBlurFlags & kIgnoreTransform_BlurFlag) != 0;
        info->fHighQuality = (fBlurFlags & kHighQuality_BlurFlag) != 0;
    }
    return (BlurType)(fBlurStyle + 1);
}

void SkBlurMaskFilter::flatten (SkFlattenableWriteBuffer &buffer)
{
    buffer.writeScalar (fRadius);
    buffer.write32 (fBlurStyle);
    buffer.write32 (fBlurFlags);
}

SkFlattenable *SkBlurMaskFilter::CreateProc (SkFlattenableReadBuffer &buffer)
{
    SkScalar radius = buffer.readScalar ();
    uint32_t style = buffer.readU32 (), flags = buffer.readU32 ();
    if (buffer.failed () || !valid_radius (radius) || style >= kBlurStyleCount) return nullptr;
    return new SkBlurMaskFilter (radius, (BlurStyle)style, flags);
}

