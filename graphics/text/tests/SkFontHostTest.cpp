// The font host: the registry, stream typefaces, and the FreeType scaler context measured
// against FreeType itself in the same process.
#include <gtest/gtest.h>

#include <string>

#include "TextTestSupport.h"
#include "graphics/path/SkPath.h"
#include "graphics/port/SkStream.h"
#include "graphics/text/SkFontHost.h"
#include "graphics/text/host/SkScalerContext_FreeType.h"

namespace {

using TextTest::MakePaint;
using TextTest::TypefaceFromFile;
using TextTest::Reference;
using TextTest::Rendered;

SkScalerContext::Rec RecOf (const SkPaint &paint)
{
    SkScalerContext::Rec rec;
    SkScalerContext::MakeRec (paint, nullptr, &rec);
    return rec;
}

// The built-in font was made first, so it has id 1; the next typeface gets the next id.
TEST (SkFontHostTest, TypefaceIdsCountFromOne)
{
    EXPECT_EQ (SkTypeface::UniqueID (nullptr), 1u);
    SkTypeface *a = TypefaceFromFile ("DejaVuSansMono.ttf");
    SkTypeface *b = TypefaceFromFile ("DejaVuSansMono.ttf");
    ASSERT_TRUE (a != nullptr && b != nullptr);
    EXPECT_EQ (b->uniqueID (), a->uniqueID () + 1);
    EXPECT_TRUE (a->isFixedWidth ());
    a->unref ();
    b->unref ();
}

TEST (SkFontHostTest, NameTableHoldsLowerCaseNamesOfTheFontsThatOpened)
{
    int count = SkFontHost::CountNames ();
    ASSERT_EQ (count, 5);       // only the sans-serif row's file is built in
    for (int i = 0; i < count; i++) {
        const char *name = nullptr;
        ASSERT_EQ (SkFontHost::NameAt (i, &name), i);
        for (const char *p = name; *p != 0; p++) {
            EXPECT_FALSE (*p >= 'A' && *p <= 'Z') << name;
        }
    }
    SkTypeface *sans = SkFontHost::CreateTypefaceFromName ("Sans-Serif", SkTypeface::kBold);
    ASSERT_NE (sans, nullptr);
    EXPECT_EQ (sans->uniqueID (), SkTypeface::UniqueID (nullptr));
    EXPECT_STREQ (sans->getUniqueString (), nullptr);       // the built-in name has no '/'
    sans->unref ();
    EXPECT_EQ (SkFontHost::CreateTypefaceFromName ("serif", SkTypeface::kNormal), nullptr);
    EXPECT_EQ (SkFontHost::CreateTypefaceFromName ("monospace", SkTypeface::kNormal), nullptr);
}

// Style bits come from FreeType's style flags.
TEST (SkFontHostTest, StreamTypefacesTakeTheirStyleFromTheFont)
{
    SkTypeface *bold = TypefaceFromFile ("DejaVuSans-Bold.ttf");
    SkTypeface *italic = TypefaceFromFile ("DejaVuSerif-Italic.ttf");
    ASSERT_TRUE (bold != nullptr && italic != nullptr);
    EXPECT_EQ (bold->style (), SkTypeface::kBold);
    EXPECT_EQ (italic->style (), SkTypeface::kItalic);
    EXPECT_FALSE (bold->isFixedWidth ());
    SkStream *stream = bold->openStream ();
    ASSERT_NE (stream, nullptr);
    EXPECT_EQ (stream->getLength (), TextTest::ReadFont ("DejaVuSans-Bold.ttf").size ());
    stream->unref ();
    bold->unref ();
    italic->unref ();
}

// A new stream typeface makes a family of its own and joins the end of the custom list.
TEST (SkFontHostTest, StreamTypefaceJoinsTheEndOfTheCustomList)
{
    int families = SkFontHost::CountFamilies ();
    SkTypeface *face = TypefaceFromFile ("DejaVuSansMono.ttf");
    ASSERT_NE (face, nullptr);
    EXPECT_EQ (SkFontHost::CountFamilies (), families + 1);
    EXPECT_EQ (SkFontHost::NextLogicalFont (face->uniqueID ()), 0u);
    uint32_t id = SkFontHost::NextLogicalFont (SkTypeface::UniqueID (nullptr));
    while (id != 0 && id != face->uniqueID ()) {
        id = SkFontHost::NextLogicalFont (id);
    }
    EXPECT_EQ (id, face->uniqueID ());
    face->unref ();
    EXPECT_EQ (SkFontHost::CountFamilies (), families);
}

// Streams that hold no font make no typeface.
TEST (SkFontHostTest, EmptyOrForeignStreamsMakeNoTypeface)
{
    EXPECT_EQ (SkFontHost::CreateTypefaceFromStream (nullptr), nullptr);
    SkMemoryStream empty (nullptr, 0);
    EXPECT_EQ (SkFontHost::CreateTypefaceFromStream (&empty), nullptr);
    const char text[] = "not a font at all";
    SkMemoryStream junk (text, sizeof text);
    EXPECT_EQ (SkFontHost::CreateTypefaceFromStream (&junk), nullptr);
    std::vector<uint8_t> font = TextTest::ReadFont ("DejaVuSans.ttf");
    SkMemoryStream cut (font.data (), 4096);
    EXPECT_EQ (SkFontHost::CreateTypefaceFromStream (&cut), nullptr);
}

// Unloading frees the names with their families; the next use loads the table again.
TEST (SkFontHostTest, UnloadRemovesTheFamiliesNames)
{
    ASSERT_GT (SkFontHost::CountNames (), 0);
    SkFontHost::Unload ();
    EXPECT_EQ (SkFontHost::CountNames (), 0);
    EXPECT_EQ (SkGlyphCache::CountCaches (), 0);
    uint32_t id = SkTypeface::UniqueID (nullptr);
    EXPECT_NE (id, 0u);
    EXPECT_EQ (SkFontHost::CountNames (), 5);
}

TEST (SkScalerContextFreeTypeTest, LoadFlagsFollowFormatHintingAndFlags)
{
    SkScalerContext::Rec rec = {};
    rec.fMaskFormat = SkMask::kBW_Format;
    EXPECT_EQ (SkScalerContext_FreeType::ComputeLoadFlags (rec),
               (uint32_t)(FT_LOAD_NO_HINTING | FT_LOAD_NO_BITMAP | FT_LOAD_IGNORE_GLOBAL_ADVANCE_WIDTH));
    rec.setHinting (2);
    EXPECT_EQ (SkScalerContext_FreeType::ComputeLoadFlags (rec),
               (uint32_t)(FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP | FT_LOAD_IGNORE_GLOBAL_ADVANCE_WIDTH));
    rec.fMaskFormat = SkMask::kA8_Format;
    rec.setHinting (1);
    rec.fFlags |= SkScalerContext::kEmbeddedBitmapText_Flag;
    EXPECT_EQ (SkScalerContext_FreeType::ComputeLoadFlags (rec),
               (uint32_t)(FT_LOAD_TARGET_LIGHT | FT_LOAD_IGNORE_GLOBAL_ADVANCE_WIDTH));
    rec.setHinting (2);
    EXPECT_EQ (SkScalerContext_FreeType::ComputeLoadFlags (rec) & ~FT_LOAD_IGNORE_GLOBAL_ADVANCE_WIDTH,
               (uint32_t)FT_LOAD_NO_AUTOHINT);
    rec.fFlags |= SkScalerContext::kAutohinting_Flag;
    EXPECT_EQ (SkScalerContext_FreeType::ComputeLoadFlags (rec) & ~FT_LOAD_IGNORE_GLOBAL_ADVANCE_WIDTH,
               (uint32_t)FT_LOAD_FORCE_AUTOHINT);
    rec.setHinting (0);
    EXPECT_EQ (SkScalerContext_FreeType::ComputeLoadFlags (rec) & ~FT_LOAD_IGNORE_GLOBAL_ADVANCE_WIDTH,
               (uint32_t)FT_LOAD_NO_HINTING);
}

// Gray glyphs of a mid-grey paint (no gamma) equal FreeType's own rendering, pixel for pixel
// and placed the same; the advance is FreeType's in 16.16.
TEST (SkScalerContextFreeTypeTest, GrayGlyphsEqualFreeTypesRendering)
{
    std::vector<uint8_t> font = TextTest::ReadFont ("DejaVuSans.ttf");
    for (float size : { 9.0f, 12.0f, 16.0f, 33.0f }) {
        SkPaint paint = MakePaint (size, 0xFF808080);
        uint32_t flags = SkScalerContext_FreeType::ComputeLoadFlags (RecOf (paint));
        Reference reference (font, size);
        SkAutoGlyphCache cache (paint.detachCache (nullptr));
        ASSERT_NE (cache.get (), nullptr);
        for (SkUnichar code : { 0x41, 0x67, 0x40, 0x57, 0xE9 }) {
            const SkGlyph &glyph = cache.get ()->getUnicharMetrics (code);
            Rendered expected = reference.render (FT_Get_Char_Index (reference.face (), code), flags, FT_RENDER_MODE_NORMAL);
            ASSERT_NE (cache.get ()->findImage (glyph), nullptr);
            EXPECT_EQ (glyph.fLeft, expected.left) << size << " " << code;
            EXPECT_EQ (glyph.fTop, expected.top) << size << " " << code;
            EXPECT_EQ (glyph.fWidth, expected.width);
            EXPECT_EQ (glyph.fHeight, expected.height);
            EXPECT_EQ (glyph.fMaskFormat, SkMask::kA8_Format);
            EXPECT_EQ (glyph.fAdvanceX, (SkFixed)(expected.advanceX << 10));
            EXPECT_EQ (TextTest::GlyphPixels (glyph), expected.pixels) << size << " " << code;
        }
    }
}

// Black text goes through the 1.4 gamma table, white text through 1/1.4.
TEST (SkScalerContextFreeTypeTest, DarkAndLightTextTakeTheirGamma)
{
    std::vector<uint8_t> font = TextTest::ReadFont ("DejaVuSans.ttf");
    for (SkColor color : { 0xFF000000u, 0xFFFFFFFFu }) {
        SkPaint paint = MakePaint (16, color);
        uint32_t flags = SkScalerContext_FreeType::ComputeLoadFlags (RecOf (paint));
        Reference reference (font, 16);
        Rendered expected = reference.render (FT_Get_Char_Index (reference.face (), 'S'), flags, FT_RENDER_MODE_NORMAL);
        const uint8_t *table = SkScalerContext::GammaTable (color == 0xFF000000u);
        for (uint8_t &p : expected.pixels) {
            p = table[p];
        }
        SkAutoGlyphCache cache (paint.detachCache (nullptr));
        const SkGlyph &glyph = cache.get ()->getUnicharMetrics ('S');
        ASSERT_NE (cache.get ()->findImage (glyph), nullptr);
        EXPECT_EQ (TextTest::GlyphPixels (glyph), expected.pixels);
    }
}

TEST (SkScalerContextFreeTypeTest, GammaTablesFollowTheirFormula)
{
    const uint8_t *black = SkScalerContext::GammaTable (true);
    const uint8_t *white = SkScalerContext::GammaTable (false);
    for (int i : { 0, 1, 64, 128, 200, 255 }) {
        EXPECT_EQ (black[i], (uint8_t)floor (pow (i / 255.0, 1.4) * 255 + 0.5)) << i;
        EXPECT_EQ (white[i], (uint8_t)floor (pow (i / 255.0, 0.71428573) * 255 + 0.5)) << i;
    }
    EXPECT_EQ (black[128], 97);
}

// Without anti-aliasing glyphs are 1-bit: FreeType's mono rendering, only 0 and 255.
TEST (SkScalerContextFreeTypeTest, MonoGlyphsEqualFreeTypesMonoRendering)
{
    std::vector<uint8_t> font = TextTest::ReadFont ("DejaVuSans.ttf");
    SkPaint paint = MakePaint (14);
    paint.setAntiAlias (false);
    uint32_t flags = SkScalerContext_FreeType::ComputeLoadFlags (RecOf (paint));
    Reference reference (font, 14);
    SkAutoGlyphCache cache (paint.detachCache (nullptr));
    for (SkUnichar code : { 0x61, 0x51, 0x25 }) {
        const SkGlyph &glyph = cache.get ()->getUnicharMetrics (code);
        ASSERT_NE (cache.get ()->findImage (glyph), nullptr);
        EXPECT_EQ (glyph.fMaskFormat, SkMask::kBW_Format);
        Rendered expected = reference.render (FT_Get_Char_Index (reference.face (), code), flags, FT_RENDER_MODE_MONO);
        EXPECT_EQ (glyph.fWidth, expected.width);
        std::vector<uint8_t> pixels = TextTest::GlyphPixels (glyph);
        EXPECT_EQ (pixels, expected.pixels);
        for (uint8_t p : pixels) {
            EXPECT_TRUE (p == 0 || p == 255);
        }
    }
}

// A bitmap font's mono glyphs drawn into 8-bit images become 0 and 255 only.
TEST (SkScalerContextFreeTypeTest, MonoBitmapGlyphsExpandToFullCoverage)
{
    static const char kBdf[] =
        "STARTFONT 2.1\nFONT -test-tiny-medium-r-normal--8-80-75-75-c-80-iso10646-1\nSIZE 8 75 75\n"
        "FONTBOUNDINGBOX 8 8 0 -1\nSTARTPROPERTIES 3\nFAMILY_NAME \"Tiny\"\nFONT_ASCENT 7\nFONT_DESCENT 1\n"
        "ENDPROPERTIES\nCHARS 1\nSTARTCHAR A\nENCODING 65\nSWIDTH 500 0\nDWIDTH 8 0\nBBX 8 8 0 -1\nBITMAP\n"
        "18\n24\n42\n42\n7E\n42\n42\n00\nENDCHAR\nENDFONT\n";
    SkMemoryStream *stream = new SkMemoryStream (kBdf, sizeof kBdf - 1);
    SkTypeface *face = SkFontHost::CreateTypefaceFromStream (stream);
    stream->unref ();
    ASSERT_NE (face, nullptr);
    SkPaint paint = MakePaint (8, 0xFF808080);
    paint.setTypeface (face);
    paint.setFlag (SkPaint::kEmbeddedBitmapText_Flag, true);
    SkAutoGlyphCache cache (paint.detachCache (nullptr));
    const SkGlyph &glyph = cache.get ()->getUnicharMetrics ('A');
    ASSERT_NE (cache.get ()->findImage (glyph), nullptr);
    EXPECT_EQ (glyph.fMaskFormat, SkMask::kA8_Format);
    EXPECT_EQ (glyph.fWidth, 8);
    EXPECT_EQ (glyph.fHeight, 8);
    std::vector<uint8_t> pixels = TextTest::GlyphPixels (glyph);
    EXPECT_EQ (pixels[3], 255);     // row 0x18: bits 3 and 4
    EXPECT_EQ (pixels[2], 0);
    int full = 0;
    for (uint8_t p : pixels) {
        EXPECT_TRUE (p == 0 || p == 255);
        full += p == 255;
    }
    EXPECT_EQ (full, 2 + 2 + 2 + 2 + 6 + 2 + 2);
    paint.setTypeface (nullptr);
    face->unref ();
}

// Font metrics are FreeType's font-unit values scaled by the size over units per em.
TEST (SkScalerContextFreeTypeTest, FontMetricsAreFreeTypesValuesScaled)
{
    std::vector<uint8_t> font = TextTest::ReadFont ("DejaVuSans.ttf");
    Reference reference (font, 20);
    FT_Face face = reference.face ();
    SkPaint paint = MakePaint (20);
    SkPaint::FontMetrics m;
    SkScalar spacing = paint.getFontMetrics (&m);
    auto scaled = [&] (FT_Long units) {
        int64_t s = ((int64_t)units * (20 << 16)) / face->units_per_EM;
        return (float)((s * 0x10000) >> 16) / 65536.0f;
    };
    EXPECT_FLOAT_EQ (m.fAscent, scaled (-face->ascender));
    EXPECT_FLOAT_EQ (m.fDescent, scaled (-face->descender));
    EXPECT_FLOAT_EQ (m.fTop, scaled (-face->bbox.yMax));
    EXPECT_FLOAT_EQ (m.fBottom, scaled (-face->bbox.yMin));
    EXPECT_FLOAT_EQ (m.fLeading, scaled (std::max<FT_Long> (0, face->height - face->ascender + face->descender)));
    EXPECT_FLOAT_EQ (m.fXMin, (float)face->bbox.xMin / face->units_per_EM);
    EXPECT_FLOAT_EQ (m.fXMax, (float)face->bbox.xMax / face->units_per_EM);
    EXPECT_GT (m.fAvgCharWidth, 0);
    EXPECT_GT (m.fXHeight, 0);
    EXPECT_FLOAT_EQ (spacing, m.fDescent - m.fAscent + m.fLeading);
}

// A character the first font lacks comes from the next font of the chain, its glyph id after
// the built-in font's glyphs, and its image is that font's.
TEST (SkScalerContextFreeTypeTest, FallbackChainServesWhatTheFirstFontLacks)
{
    std::vector<uint8_t> first = TextTest::ReadFont ("DejaVuSans.ttf");
    std::vector<uint8_t> second = TextTest::ReadFont ("DejaVuMathTeXGyre.ttf");
    Reference a (first, 16), b (second, 16);
    FT_UInt index = 0;
    FT_ULong code = FT_Get_First_Char (b.face (), &index);
    while (index != 0 && FT_Get_Char_Index (a.face (), code) != 0) {
        code = FT_Get_Next_Char (b.face (), code, &index);
    }
    ASSERT_NE (index, 0u) << "no character of the second font is missing from the first";
    // Both fonts join the custom list one after the other, so the second follows the first
    // in the chain of a paint whose typeface is the first.
    SkTypeface *primary = TypefaceFromFile ("DejaVuSans.ttf");
    SkTypeface *face = TypefaceFromFile ("DejaVuMathTeXGyre.ttf");
    ASSERT_TRUE (primary != nullptr && face != nullptr);
    ASSERT_EQ (SkFontHost::NextLogicalFont (primary->uniqueID ()), face->uniqueID ());
    SkPaint paint = MakePaint (16, 0xFF808080);
    paint.setTypeface (primary);
    SkAutoGlyphCache cache (paint.detachCache (nullptr));
    const SkGlyph &glyph = cache.get ()->getUnicharMetrics ((SkUnichar)code);
    EXPECT_EQ (glyph.getGlyphID (), index + a.face ()->num_glyphs);
    uint32_t flags = SkScalerContext_FreeType::ComputeLoadFlags (RecOf (paint));
    Rendered expected = b.render (index, flags, FT_RENDER_MODE_NORMAL);
    ASSERT_GT (expected.width, 0);
    ASSERT_NE (cache.get ()->findImage (glyph), nullptr);
    EXPECT_EQ (TextTest::GlyphPixels (glyph), expected.pixels);
    SkScalerContext *context = cache.get ()->getScalerContext ();
    EXPECT_EQ (context->getGlyphContext (glyph), context->getNextContext ());
    EXPECT_EQ (context->getNextContext ()->getBaseGlyphCount (), (unsigned)a.face ()->num_glyphs);
    paint.setTypeface (nullptr);
    primary->unref ();
    face->unref ();
}

// Outlines are FreeType's, y flipped and in pixels.
TEST (SkScalerContextFreeTypeTest, OutlinesCoverTheGlyphBox)
{
    SkPaint paint = MakePaint (32, 0xFF808080);
    paint.setHinting (SkPaint::kNo_Hinting);
    SkAutoGlyphCache cache (paint.detachCache (nullptr));
    const SkGlyph &glyph = cache.get ()->getUnicharMetrics ('O');
    const SkPath *path = cache.get ()->findPath (glyph);
    ASSERT_NE (path, nullptr);
    ASSERT_FALSE (path->isEmpty ());
    SkRect bounds = path->getBounds ();
    EXPECT_GE (bounds.fLeft, glyph.fLeft);
    EXPECT_GE (bounds.fTop, glyph.fTop);
    EXPECT_LE (bounds.fRight, glyph.fLeft + glyph.fWidth);
    EXPECT_LE (bounds.fBottom, glyph.fTop + glyph.fHeight);
    EXPECT_GT (bounds.width (), glyph.fWidth - 2);
    EXPECT_EQ (cache.get ()->findPath (glyph), path);
}

} // namespace
