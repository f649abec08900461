// Text speeds: a cached 64-character line at 12 and 16 px drawn into a 1024 x 768 32-bit
// frame, beside cairo interleaved in one run (PeerBenchmark.h; cairo with its FreeType back
// end and its own glyph cache, glyphs placed by cairo_show_glyphs from the positions cairo
// itself computed once); ours alone: the per-glyph cost of a cache hit without any blit
// (measureText over cached glyphs), and the cost of a miss (every cache purged before each
// line, so each glyph is loaded and rendered by FreeType again).
#include <PeerBenchmark.h>
#include <cairo-ft.h>
#include <cairo.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "graphics/canvas/SkCanvas.h"
#include "graphics/text/SkGlyphCache.h"

namespace {

const int kW = 1024, kH = 768;
const char16_t kLine[] = u"The quick brown fox jumps over the lazy dog; 0123456789 ABCDEFGH";
const char kLine8[] = "The quick brown fox jumps over the lazy dog; 0123456789 ABCDEFGH";
static_assert (sizeof (kLine8) == 65, "64 characters");

SkPaint text_paint (float size)
{
    SkPaint paint;
    paint.setAntiAlias (true);
    paint.setTextEncoding (SkPaint::kUTF16_TextEncoding);
    paint.setTextSize (size);
    return paint;
}

// Our 1024 x 768 frame and its canvas.
struct Frame {
    SkBitmap bitmap;
    SkCanvas *canvas;
    Frame ()
    {
        bitmap.setConfig (SkBitmap::kARGB_8888_Config, kW, kH);
        bitmap.allocPixels ();
        canvas = new SkCanvas (bitmap);
    }
    ~Frame () { canvas->unref (); }
};

std::vector<uint8_t> font_bytes ()
{
    std::ifstream in (std::string (SETUP_FONT_DIR) + "/DejaVuSans.ttf", std::ios::binary);
    return std::vector<uint8_t> (std::istreambuf_iterator<char> (in), {});
}

// The line at one size, each side with its glyphs cached before the timing starts.
void CachedLine (benchmark::State &state, float size)
{
    Frame frame;
    SkCanvas *canvas = frame.canvas;
    SkPaint paint = text_paint (size);
    canvas->drawText (kLine, 128, 10, 100, paint);     // fills the cache

    std::vector<uint8_t> font = font_bytes ();
    FT_Library library;
    FT_Face face;
    FT_Init_FreeType (&library);
    FT_New_Memory_Face (library, font.data (), (FT_Long)font.size (), 0, &face);
    cairo_font_face_t *cairoFace = cairo_ft_font_face_create_for_ft_face (face, FT_LOAD_NO_AUTOHINT);
    cairo_surface_t *surface = cairo_image_surface_create (CAIRO_FORMAT_ARGB32, kW, kH);
    cairo_t *cr = cairo_create (surface);
    cairo_set_font_face (cr, cairoFace);
    cairo_set_font_size (cr, size);
    cairo_set_source_rgba (cr, 0, 0, 0, 1);
    cairo_glyph_t *glyphs = nullptr;
    int count = 0;
    cairo_scaled_font_text_to_glyphs (cairo_get_scaled_font (cr), 10, 100, kLine8, 64, &glyphs, &count, nullptr,
                                      nullptr, nullptr);
    cairo_show_glyphs (cr, glyphs, count);      // fills cairo's glyph cache

    PeerBenchmark::Compare (
        state, [&] { canvas->drawText (kLine, 128, 10, 100, paint); },
        [&] {
            cairo_show_glyphs (cr, glyphs, count);
            cairo_surface_flush (surface);
        });
    cairo_glyph_free (glyphs);
    cairo_destroy (cr);
    cairo_surface_destroy (surface);
    cairo_font_face_destroy (cairoFace);
    FT_Done_Face (face);
    FT_Done_FreeType (library);
}

const bool kRegistered = [] {
    PeerBenchmark::Register ("Text/Line64_12px_vs_cairo", [] (benchmark::State &s) { CachedLine (s, 12); });
    PeerBenchmark::Register ("Text/Line64_16px_vs_cairo", [] (benchmark::State &s) { CachedLine (s, 16); });
    return true;
} ();

// Look-ups of cached glyphs and the sum of their advances: the per-glyph hit cost.
void BM_GlyphCacheHit (benchmark::State &state)
{
    SkPaint paint = text_paint ((float)state.range (0));
    benchmark::DoNotOptimize (paint.measureText (kLine, 128));
    for (auto _ : state) {
        benchmark::DoNotOptimize (paint.measureText (kLine, 128));
    }
    state.SetItemsProcessed (state.iterations () * 64);
}
BENCHMARK (BM_GlyphCacheHit)->Arg (12)->Arg (16);

// The same look-ups on a cache held by the caller: the look-up alone, per glyph.
void BM_GlyphCacheHitDetached (benchmark::State &state)
{
    SkPaint paint = text_paint ((float)state.range (0));
    SkAutoGlyphCache cache (paint.detachCache (nullptr));
    for (char16_t ch : kLine) {
        cache.get ()->getUnicharMetrics (ch);
    }
    for (auto _ : state) {
        SkFixed sum = 0;
        for (int i = 0; i < 64; i++) {
            sum += cache.get ()->getUnicharMetrics (kLine[i]).fAdvanceX;
        }
        benchmark::DoNotOptimize (sum);
    }
    state.SetItemsProcessed (state.iterations () * 64);
}
BENCHMARK (BM_GlyphCacheHitDetached)->Arg (12)->Arg (16);

// Every glyph missed: metrics, image and the cache's memory made again for each line.
void BM_GlyphCacheMiss (benchmark::State &state)
{
    Frame frame;
    SkCanvas *canvas = frame.canvas;
    SkPaint paint = text_paint ((float)state.range (0));
    for (auto _ : state) {
        SkGlyphCache::PurgeAll ();
        canvas->drawText (kLine, 128, 10, 100, paint);
    }
    state.SetItemsProcessed (state.iterations () * 64);
}
BENCHMARK (BM_GlyphCacheMiss)->Arg (12)->Arg (16);

} // namespace

BENCHMARK_MAIN ();
