/*
 * Gradient shaders: colours by position relative to geometry given at creation. Radial
 * gradients are made here; linear, sweep and two-point radial gradients come back from
 * flattened data through their readers (SkGradientShaderPriv.h).
 */
#ifndef GRAPHICS_EFFECTS_SKGRADIENTSHADER_H_
#define GRAPHICS_EFFECTS_SKGRADIENTSHADER_H_

#include "graphics/effects/SkShader.h"

class SkGradientShader {
public:
    // From colors[0] at center to colors[1] at radius and beyond (clamp). Null when colors is
    // null or memory runs out. A radius of 0 makes a gradient that draws nothing.
    static SkShader *CreateRadial (const SkPoint &center, SkScalar radius, const SkColor colors[2]);
};

#endif
