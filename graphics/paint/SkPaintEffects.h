/*
 * Shared effects a paint holds whose own operations arrive with the topics that use them (the
 * font host, the stroker's path effects, the rasterizers and the canvas draw loop). Until then
 * they are reference-counted handles, so the paint can hold and copy them; each topic adds its
 * virtual operations here or moves the class into its own header and includes it from here.
 */
#ifndef GRAPHICS_PAINT_SKPAINTEFFECTS_H_
#define GRAPHICS_PAINT_SKPAINTEFFECTS_H_

#include "graphics/core/SkRefCnt.h"

class SkTypeface : public SkRefCnt {};
class SkPathEffect : public SkRefCnt {};
class SkRasterizer : public SkRefCnt {};
class SkDrawLooper : public SkRefCnt {};

#endif
