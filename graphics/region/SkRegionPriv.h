/*
 * The shared run storage of a complex region: a count of sharers, the number of run values,
 * then the values.
 */
#ifndef GRAPHICS_REGION_SKREGIONPRIV_H_
#define GRAPHICS_REGION_SKREGIONPRIV_H_

#include "graphics/region/SkRegion.h"

struct SkRegion::RunHead {
    int32_t fRefCnt;
    int32_t fRunCount;
    RunType *runs () { return (RunType *)(this + 1); }
};

#endif
