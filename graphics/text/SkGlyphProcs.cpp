/*
 * Glyph procedures by encoding.
 */
#include "graphics/text/SkGlyphProcs.h"

#include "graphics/core/SkUtils.h"

namespace {

SkUnichar next_utf8 (const char **text, const char *stop)
{
    return SkUTF8_NextUnichar (text, stop);
}

SkUnichar next_utf16 (const char **text, const char *stop)
{
    const uint16_t *p = (const uint16_t *)*text;
    // A trailing odd byte is not a unit: it ends the text.
    const uint16_t *end = p + (size_t)(stop - *text) / 2;
    SkUnichar code = SkUTF16_NextUnichar (&p, end);
    *text = p == end ? stop : (const char *)p;
    return code;
}

uint16_t next_glyph_id (const char **text, const char *stop)
{
    if (stop - *text < 2) {
        *text = stop;
        return 0;
    }
    uint16_t id;
    memcpy (&id, *text, 2);
    *text += 2;
    return id;
}

const SkGlyph &utf8_metrics (SkGlyphCache *cache, const char **text, const char *stop)
{
    return cache->getUnicharMetrics (next_utf8 (text, stop));
}

const SkGlyph &utf16_metrics (SkGlyphCache *cache, const char **text, const char *stop)
{
    return cache->getUnicharMetrics (next_utf16 (text, stop));
}

const SkGlyph &glyph_id_metrics (SkGlyphCache *cache, const char **text, const char *stop)
{
    return cache->getGlyphIDMetrics (next_glyph_id (text, stop));
}

const SkGlyph &utf8_advance (SkGlyphCache *cache, const char **text, const char *stop)
{
    return cache->getUnicharAdvance (next_utf8 (text, stop));
}

const SkGlyph &utf16_advance (SkGlyphCache *cache, const char **text, const char *stop)
{
    return cache->getUnicharAdvance (next_utf16 (text, stop));
}

const SkGlyph &glyph_id_advance (SkGlyphCache *cache, const char **text, const char *stop)
{
    return cache->getGlyphIDAdvance (next_glyph_id (text, stop));
}

const SkGlyph &utf8_metrics_xy (SkGlyphCache *cache, const char **text, const char *stop, SkFixed, SkFixed)
{
    return utf8_metrics (cache, text, stop);
}

const SkGlyph &utf16_metrics_xy (SkGlyphCache *cache, const char **text, const char *stop, SkFixed, SkFixed)
{
    return utf16_metrics (cache, text, stop);
}

const SkGlyph &glyph_id_metrics_xy (SkGlyphCache *cache, const char **text, const char *stop, SkFixed, SkFixed)
{
    return glyph_id_metrics (cache, text, stop);
}

const SkGlyph &utf8_metrics_at (SkGlyphCache *cache, const char **text, const char *stop, SkFixed x, SkFixed y)
{
    return cache->getUnicharMetrics (next_utf8 (text, stop), x, y);
}

const SkGlyph &utf16_metrics_at (SkGlyphCache *cache, const char **text, const char *stop, SkFixed x, SkFixed y)
{
    return cache->getUnicharMetrics (next_utf16 (text, stop), x, y);
}

const SkGlyph &glyph_id_metrics_at (SkGlyphCache *cache, const char **text, const char *stop, SkFixed x, SkFixed y)
{
    return cache->getGlyphIDMetrics (next_glyph_id (text, stop), x, y);
}

const SkMeasureCacheProc kMeasureProcs[] = {
    utf8_metrics, utf16_metrics, glyph_id_metrics,
    utf8_advance, utf16_advance, glyph_id_advance,
};

const SkDrawCacheProc kDrawProcs[] = {
    utf8_metrics_xy, utf16_metrics_xy, glyph_id_metrics_xy,
    utf8_metrics_at, utf16_metrics_at, glyph_id_metrics_at,
};

} // namespace

SkMeasureCacheProc SkGetMeasureCacheProc (SkPaint::TextEncoding encoding, bool needFullMetrics)
{
    unsigned index = encoding > SkPaint::kGlyphID_TextEncoding ? 0 : (unsigned)encoding;
    return kMeasureProcs[index + (needFullMetrics ? 0 : 3)];
}

SkDrawCacheProc SkGetDrawCacheProc (SkPaint::TextEncoding encoding, bool subpixel)
{
    unsigned index = encoding > SkPaint::kGlyphID_TextEncoding ? 0 : (unsigned)encoding;
    return kDrawProcs[index + (subpixel ? 3 : 0)];
}
