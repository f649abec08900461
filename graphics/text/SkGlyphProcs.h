/*
 * The per-character glyph procedures of text drawing and measuring: each reads one
 * character (or glyph id) at *text, never past stop, moves *text past it and returns the
 * glyph from the cache.
 */
#ifndef GRAPHICS_TEXT_SKGLYPHPROCS_H_
#define GRAPHICS_TEXT_SKGLYPHPROCS_H_

#include "graphics/paint/SkPaint.h"
#include "graphics/text/SkGlyphCache.h"

typedef const SkGlyph &(*SkMeasureCacheProc) (SkGlyphCache *cache, const char **text, const char *stop);
typedef const SkGlyph &(*SkDrawCacheProc) (SkGlyphCache *cache, const char **text, const char *stop, SkFixed x,
                                           SkFixed y);

// By encoding: full metrics (needFullMetrics) or advance only.
SkMeasureCacheProc SkGetMeasureCacheProc (SkPaint::TextEncoding encoding, bool needFullMetrics);
// By encoding, with the sub-pixel position for subpixel text.
SkDrawCacheProc SkGetDrawCacheProc (SkPaint::TextEncoding encoding, bool subpixel);

#endif
