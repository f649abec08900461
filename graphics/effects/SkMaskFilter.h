/*
 * SkMaskFilter: turns a coverage mask into another one (a blur, for instance) before it is
 * blitted. The concrete filters live with their own topic.
 */
#ifndef GRAPHICS_EFFECTS_SKMASKFILTER_H_
#define GRAPHICS_EFFECTS_SKMASKFILTER_H_

#include "graphics/flatten/SkFlattenable.h"
#include "graphics/geometry/SkMatrix.h"
#include "graphics/raster/SkMask.h"

class SkBlitter;
class SkBounder;
class SkPath;
class SkRegion;

class SkMaskFilter : public SkFlattenable {
public:
    // Renders devPath into a mask, filters it and blits the result through clip. True when
    // the path is done with (drawn, or refused by the bounder); false when the caller should
    // draw it unfiltered.
    bool filterPath (const SkPath &devPath, const SkMatrix &matrix, const SkRegion &clip, SkBounder *bounder,
                     SkBlitter *blitter);

    // Every subclass answers both; the base filters nothing (the firmware build has no handler
    // for pure virtual calls).
    // The format of the masks filterMask produces.
    virtual SkMask::Format getFormat () { return SkMask::kA8_Format; }
    // Fills dst from src under matrix; margin, when given, receives how far dst extends beyond
    // src on each side. False when nothing can be produced.
    virtual bool filterMask (SkMask *dst, const SkMask &src, const SkMatrix &matrix, SkIPoint *margin)
    {
        (void)dst; (void)src; (void)matrix; (void)margin;
        return false;
    }

    enum BlurType {
        kNone_BlurType, kNormal_BlurType, kSolid_BlurType, kOuter_BlurType, kInner_BlurType,
    };
    struct BlurInfo {
        SkScalar fRadius;
        bool fIgnoreTransform;
        bool fHighQuality;
    };
    // A blur describes itself (info may be null); any other filter answers kNone_BlurType.
    virtual BlurType asABlur (BlurInfo *info)
    {
        (void)info;
        return kNone_BlurType;
    }
};

#endif
