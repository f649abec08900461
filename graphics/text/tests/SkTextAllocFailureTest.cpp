// Text when memory runs out: look-ups give an empty glyph instead of failing, and a draw
// with any one of its allocations failing (or every one from some point) draws less but
// leaks nothing and never crashes.
#include <gtest/gtest.h>

#include "TextTestSupport.h"
#include "graphics/canvas/SkCanvas.h"
#include "graphics/raster/tests/SkAllocFailureSupport.h"

namespace {

using TextTest::MakePaint;

// With every allocation failing, a look-up that must carve a record returns the shared
// empty glyph (no size, no image) and stores nothing; afterwards the same look-up works.
TEST (SkTextAllocFailureTest, LookupsGiveAnEmptyGlyphWhenRecordsCannotBeMade)
{
    SkGlyphCache::PurgeAll ();
    SkPaint paint = MakePaint (14);
    SkAutoGlyphCache cache (paint.detachCache (nullptr));
    ASSERT_NE (cache.get (), nullptr);
    {
        FailureScope scope (0, 0, 0);
        const SkGlyph &glyph = cache.get ()->getUnicharMetrics ('A');
        EXPECT_EQ (glyph.fWidth, 0);
        EXPECT_EQ (glyph.fImage, nullptr);
        EXPECT_EQ (cache.get ()->findImage (glyph), nullptr);
        EXPECT_EQ (cache.get ()->findPath (glyph), nullptr);
        EXPECT_EQ (cache.get ()->getGlyphIDAdvance (7).fAdvanceX, 0);
    }
    EXPECT_EQ (cache.get ()->countGlyphs (), 0);
    const SkGlyph &glyph = cache.get ()->getUnicharMetrics ('A');
    EXPECT_GT (glyph.fWidth, 0);
    EXPECT_NE (cache.get ()->findImage (glyph), nullptr);
    EXPECT_EQ (cache.get ()->countGlyphs (), 1);
}

// From each allocation on, every one fails: the draw does what it can, and the sanitizers
// see no leak, no bad read and no bad free.
TEST (SkTextAllocFailureTest, DrawsWithFailingAllocationsLeakNothing)
{
    const char16_t text[] = u"Fail, gently.";
    SkBitmap bitmap;
    bitmap.setConfig (SkBitmap::kARGB_8888_Config, 160, 40);
    ASSERT_TRUE (bitmap.allocPixels ());
    SkCanvas *canvas = new SkCanvas (bitmap);
    ASSERT_NE (canvas, nullptr);
    SkPaint paint = MakePaint (16);
    paint.setFlag (SkPaint::kUnderlineText_Flag, true);
    for (int allowed = 0; allowed < 60; allowed++) {
        SkGlyphCache::PurgeAll ();
        FailureScope scope (0, 0, allowed);
        canvas->drawText (text, sizeof text - 2, 4, 24, paint);
        (void)paint.measureText (text, sizeof text - 2);
    }
    SkGlyphCache::PurgeAll ();
    canvas->unref ();
}

} // namespace
