// A colour filter that flattens, for tests and fuzz targets: the library has no concrete
// one yet. It inverts the colour channels and keeps alpha; its flags are its only data.
#ifndef GRAPHICS_EFFECTS_TESTS_SKINVERTFILTER_H_
#define GRAPHICS_EFFECTS_TESTS_SKINVERTFILTER_H_

#include "graphics/effects/SkColorFilter.h"

struct InvertFilter : SkColorFilter {
    uint32_t fFlags;
    explicit InvertFilter (uint32_t flags = 0) : fFlags (flags) {}
    void filterSpan (const SkPMColor src[], int count, SkPMColor dst[]) override
    {
        for (int i = 0; i < count; i++) dst[i] = (src[i] & 0xFF000000) | (~src[i] & 0x00FFFFFF);
    }
    uint32_t getFlags () override { return fFlags; }
    Factory getFactory () override { return CreateProc; }
    void flatten (SkFlattenableWriteBuffer &buffer) override { buffer.write32 (fFlags); }
    static SkFlattenable *CreateProc (SkFlattenableReadBuffer &buffer) { return new InvertFilter (buffer.readU32 ()); }
};

#endif
