// The font-loading path: a font file from a stream becomes a typeface, then glyph metrics,
// images, outlines and font metrics are asked of it, from memory and through a stream that
// only reads.
#include <stddef.h>
#include <stdint.h>

#include <initializer_list>

#include "graphics/path/SkPath.h"
#include "graphics/port/SkStream.h"
#include "graphics/text/SkFontHost.h"
#include "graphics/text/SkGlyphCache.h"

namespace {

// A stream over the bytes without a memory base, so FreeType reads through the stream.
class ReadOnlyStream : public SkStream {
public:
    ReadOnlyStream (const uint8_t *data, size_t size) : fInner (data, size) {}
    bool rewind () override { return fInner.rewind (); }
    size_t read (void *buffer, size_t size) override { return fInner.read (buffer, size); }

private:
    SkMemoryStream fInner;
};

void Exercise (SkStream *stream)
{
    SkTypeface *face = SkFontHost::CreateTypefaceFromStream (stream);
    if (face == nullptr) {
        return;
    }
    for (bool antiAlias : { true, false }) {
        SkPaint paint;
        paint.setTypeface (face);
        paint.setTextSize (antiAlias ? 13 : 40);
        paint.setAntiAlias (antiAlias);
        paint.setFlag (SkPaint::kEmbeddedBitmapText_Flag | SkPaint::kFakeBoldText_Flag, !antiAlias);
        paint.setTextEncoding (SkPaint::kUTF16_TextEncoding);
        const char16_t text[] = u"Ag\u00e9\u2202";
        (void)paint.measureText (text, sizeof text - 2);
        SkPaint::FontMetrics metrics;
        (void)paint.getFontMetrics (&metrics);
        SkAutoGlyphCache cache (paint.detachCache (nullptr));
        if (cache.get () == nullptr) {
            continue;
        }
        for (uint16_t id = 0; id < 8; id++) {
            const SkGlyph &glyph = cache.get ()->getGlyphIDMetrics (id);
            (void)cache.get ()->findImage (glyph);
            (void)cache.get ()->findPath (glyph);
        }
    }
    SkGlyphCache::PurgeAll ();
    face->unref ();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput (const uint8_t *data, size_t size)
{
    SkMemoryStream *memory = new SkMemoryStream (data, size);
    Exercise (memory);
    memory->unref ();
    ReadOnlyStream *stream = new ReadOnlyStream (data, size);
    Exercise (stream);
    stream->unref ();
    return 0;
}
