#include "TextTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "graphics/paint/SkTypeface.h"
#include "graphics/port/SkStream.h"
#include "graphics/text/SkFontHost.h"

namespace TextTest {

namespace {

// The built-in font table is loaded before any test makes typefaces, so the built-in font
// always takes the first id, as on a machine that starts its graphical setup.
class LoadSystemFonts : public ::testing::Environment {
public:
    void SetUp () override { (void)SkTypeface::UniqueID (nullptr); }
};
const auto *const kEnvironment = ::testing::AddGlobalTestEnvironment (new LoadSystemFonts);

// Rows of bytes, or of bits (first pixel in the top bit) expanded to 0 and 255.
std::vector<uint8_t> Expand (const uint8_t *image, int rowBytes, int width, int height, bool bits)
{
    std::vector<uint8_t> pixels;
    for (int y = 0; y < height; y++) {
        const uint8_t *row = image + (ptrdiff_t)y * rowBytes;
        for (int x = 0; x < width; x++) pixels.push_back (bits ? ((row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0) : row[x]);
    }
    return pixels;
}

} // namespace

std::vector<uint8_t> ReadFont (const std::string &fileName)
{
    std::string path = std::string (SETUP_FONT_DIR) + "/" + fileName;
    std::ifstream in (path, std::ios::binary);
    if (!in) {
        throw std::runtime_error ("missing font file " + path);
    }
    return std::vector<uint8_t> (std::istreambuf_iterator<char> (in), {});
}

Reference::Reference (const std::vector<uint8_t> &font, float size)
{
    if (FT_Init_FreeType (&fLibrary) != 0
        || FT_New_Memory_Face (fLibrary, font.data (), (FT_Long)font.size (), 0, &fFace) != 0
        || FT_Set_Char_Size (fFace, (FT_F26Dot6)(size * 64), (FT_F26Dot6)(size * 64), 72, 72) != 0) {
        throw std::runtime_error ("FreeType cannot open the reference font");
    }
}

Reference::~Reference ()
{
    FT_Done_Face (fFace);
    FT_Done_FreeType (fLibrary);
}

Rendered Reference::render (FT_UInt glyphIndex, uint32_t loadFlags, FT_Render_Mode mode)
{
    Rendered out;
    if (FT_Load_Glyph (fFace, glyphIndex, (FT_Int32)loadFlags) != 0) {
        throw std::runtime_error ("FreeType cannot load the reference glyph");
    }
    out.advanceX = fFace->glyph->advance.x;
    if (FT_Render_Glyph (fFace->glyph, mode) != 0) {
        throw std::runtime_error ("FreeType cannot render the reference glyph");
    }
    const FT_Bitmap &bitmap = fFace->glyph->bitmap;
    out.left = fFace->glyph->bitmap_left;
    out.top = -fFace->glyph->bitmap_top;
    out.width = (int)bitmap.width;
    out.height = (int)bitmap.rows;
    out.pixels = Expand (bitmap.buffer, bitmap.pitch, out.width, out.height, bitmap.pixel_mode == FT_PIXEL_MODE_MONO);
    return out;
}

SkTypeface *TypefaceFromFile (const std::string &fileName)
{
    std::vector<uint8_t> bytes = ReadFont (fileName);
    SkMemoryStream *stream = new SkMemoryStream (nullptr, 0);
    EXPECT_TRUE (stream->setMemory (bytes.data (), bytes.size (), true));
    SkTypeface *face = SkFontHost::CreateTypefaceFromStream (stream);
    stream->unref ();
    return face;
}

SkPaint MakePaint (float size, SkColor color)
{
    SkPaint paint;
    paint.setAntiAlias (true);
    paint.setTextEncoding (SkPaint::kUTF16_TextEncoding);
    paint.setTextSize (size);
    paint.setColor (color);
    return paint;
}

std::vector<uint8_t> GlyphPixels (const SkGlyph &glyph)
{
    return Expand ((const uint8_t *)glyph.fImage, (int)glyph.rowBytes (), glyph.fWidth, glyph.fHeight,
                   glyph.fMaskFormat == SkMask::kBW_Format);
}

} // namespace TextTest
