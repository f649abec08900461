/*
 * The fixed-point tile procedures shared by the bitmap sampler and the gradients: they fold a
 * 16.16 position into 0 .. 0xFFFF, where 0x10000 is one whole bitmap or gradient.
 */
#ifndef GRAPHICS_EFFECTS_SKTILEPROCS_H_
#define GRAPHICS_EFFECTS_SKTILEPROCS_H_

#include "graphics/core/SkFixed.h"

typedef SkFixed (*SkFixedTileProc) (SkFixed f);

static inline SkFixed SkClampTile (SkFixed f) { return SkPin32 (f, 0, 0xFFFF); }
static inline SkFixed SkRepeatTile (SkFixed f) { return f & 0xFFFF; }
// Every other period runs backwards.
static inline SkFixed SkMirrorTile (SkFixed f) { return (f & 0x10000) ? (f & 0xFFFF) ^ 0xFFFF : f & 0xFFFF; }

// The procedure of tile mode 0 clamp, 1 repeat, 2 mirror; null for any other value.
static inline SkFixedTileProc SkGetFixedTileProc (unsigned mode)
{
    switch (mode) {
    case 0: return SkClampTile;
    case 1: return SkRepeatTile;
    case 2: return SkMirrorTile;
    default: return nullptr;
    }
}

#endif
