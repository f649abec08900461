// Helpers of the text tests: font files of the Debian font folder, FreeType called directly
// as the reference, and paints.
#ifndef GRAPHICS_TEXT_TESTS_TEXTTESTSUPPORT_H_
#define GRAPHICS_TEXT_TESTS_TEXTTESTSUPPORT_H_

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>
#include <vector>

#include "graphics/paint/SkPaint.h"
#include "graphics/text/SkGlyphCache.h"

namespace TextTest {

// The bytes of a font file of the Debian font folder (the test fails when it is missing).
std::vector<uint8_t> ReadFont (const std::string &fileName);

// A bitmap FreeType rendered itself: coverage bytes, one per pixel, or 0/255 from mono.
struct Rendered {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<uint8_t> pixels;
    FT_Pos advanceX = 0;
};

// FreeType alone: the font bytes at size pixels (72 dpi), glyph of code loaded with
// loadFlags and rendered in mode.
class Reference {
public:
    Reference (const std::vector<uint8_t> &font, float size);
    ~Reference ();
    FT_Face face () const { return fFace; }
    Rendered render (FT_UInt glyphIndex, uint32_t loadFlags, FT_Render_Mode mode);

private:
    FT_Library fLibrary = nullptr;
    FT_Face fFace = nullptr;
};

// A typeface (count 1) of a font file of the Debian font folder, from a memory stream.
SkTypeface *TypefaceFromFile (const std::string &fileName);

// An anti-aliased UTF-16 paint of the given size and colour.
SkPaint MakePaint (float size, SkColor color = 0xFF000000);

// The glyph image as one byte per pixel (bits expanded to 0/255).
std::vector<uint8_t> GlyphPixels (const SkGlyph &glyph);

} // namespace TextTest

#endif
