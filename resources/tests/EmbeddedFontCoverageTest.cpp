// The built-in font is cut down to the characters the engine draws: every character of
// every engine string in every language, and the text console's drawing characters, has
// a glyph there, drawn exactly as the full font draws it.
#include <Builders/HiiDecode.h>
#include <Protocol/SimpleTextOut.h>
#include <Resources/EngineStringPackage.h>

#include <ft2build.h>
#include FT_FREETYPE_H

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <vector>

#include "graphics/port/SkPortFile.h"

using namespace Builders;

namespace {

// Characters of the engine's package list, read back from the packages themselves.
std::set<char16_t>
EngineCharacters ()
{
  std::set<char16_t>  Out;
  HII_EXPORT_VIEW     View = SplitPackageLists ({ gSetupEngineStringPackageList, gSetupEngineStringPackageListSize });
  size_t              Languages = 0;

  EXPECT_EQ (View.Error, "");
  for (const HII_PACKAGE_VIEW &Package : View.Lists.at (0).Packages) {
    if (Package.Type != EFI_HII_PACKAGE_STRINGS) {
      continue;
    }

    DECODED_STRING_PACKAGE  Decoded = DecodeStringPackage (Package.Bytes);
    EXPECT_EQ (Decoded.Error, "");
    Languages++;
    for (const auto &[Id, Text] : Decoded.Strings) {
      for (char16_t Character : Text) {
        // Line breaks and tabs lay text out; they are not drawn.
        if (Character >= 0x20) {
          Out.insert (Character);
        }
      }
    }
  }

  EXPECT_EQ (Languages, 3u);
  return Out;
}

std::vector<uint8_t>
BuiltInFont ()
{
  SkPortFile  *File = SkFileOpenForRead (kSkEmbeddedFontName);

  EXPECT_NE (File, nullptr);
  if (File == nullptr) {
    return {};
  }

  std::vector<uint8_t>  Bytes (SkFileSize (File));
  EXPECT_EQ (SkFileRead (File, Bytes.data (), Bytes.size ()), Bytes.size ());
  SkFileClose (File);
  return Bytes;
}

std::vector<uint8_t>
FullFont ()
{
  std::ifstream  In (SETUP_EMBEDDED_FONT_SOURCE, std::ios::binary);

  EXPECT_TRUE (In.good ()) << SETUP_EMBEDDED_FONT_SOURCE;
  return std::vector<uint8_t> (std::istreambuf_iterator<char> (In), {});
}

// A glyph as FreeType draws it, hinted, at one size.
struct DRAWN_GLYPH {
  FT_Pos                Advance = 0;
  int                   Left    = 0;
  int                   Top     = 0;
  unsigned              Width   = 0;
  unsigned              Rows    = 0;
  std::vector<uint8_t>  Pixels;

  bool operator== (const DRAWN_GLYPH &) const = default;
};

class EmbeddedFont : public ::testing::Test {
protected:
  void SetUp () override
  {
    Subset = BuiltInFont ();
    Full   = FullFont ();
    ASSERT_FALSE (Subset.empty ());
    ASSERT_FALSE (Full.empty ());
    ASSERT_EQ (FT_Init_FreeType (&Library), 0);
    ASSERT_EQ (FT_New_Memory_Face (Library, Subset.data (), (FT_Long)Subset.size (), 0, &SubsetFace), 0);
    ASSERT_EQ (FT_New_Memory_Face (Library, Full.data (), (FT_Long)Full.size (), 0, &FullFace), 0);
  }

  void TearDown () override
  {
    if (SubsetFace != nullptr) {
      FT_Done_Face (SubsetFace);
    }

    if (FullFace != nullptr) {
      FT_Done_Face (FullFace);
    }

    if (Library != nullptr) {
      FT_Done_FreeType (Library);
    }
  }

  // Draws Character of Face at Pixels per em; fails the test when it cannot.
  static DRAWN_GLYPH
  Draw (FT_Face Face, char16_t Character, FT_UInt Pixels)
  {
    DRAWN_GLYPH  Out;

    EXPECT_EQ (FT_Set_Pixel_Sizes (Face, 0, Pixels), 0);
    if (FT_Load_Char (Face, Character, FT_LOAD_RENDER | FT_LOAD_NO_AUTOHINT) != 0) {
      ADD_FAILURE () << "U+" << std::hex << (unsigned)Character << " does not load";
      return Out;
    }

    const FT_Bitmap  &Bitmap = Face->glyph->bitmap;
    Out.Advance = Face->glyph->advance.x;
    Out.Left    = Face->glyph->bitmap_left;
    Out.Top     = Face->glyph->bitmap_top;
    Out.Width   = Bitmap.width;
    Out.Rows    = Bitmap.rows;
    for (unsigned Row = 0; Row < Bitmap.rows; Row++) {
      const uint8_t  *Line = Bitmap.buffer + (ptrdiff_t)Row * Bitmap.pitch;
      Out.Pixels.insert (Out.Pixels.end (), Line, Line + Bitmap.width);
    }

    return Out;
  }

  // Every character of Characters has a glyph of its own in the subset, with an outline
  // unless it is a space, drawn as the full font draws it at a small and a large size.
  void
  ExpectDrawnAsTheFullFont (const std::set<char16_t> &Characters)
  {
    for (char16_t Character : Characters) {
      SCOPED_TRACE (testing::Message () << "U+" << std::hex << (unsigned)Character);
      ASSERT_NE (FT_Get_Char_Index (FullFace, Character), 0u) << "the full font lacks it too";
      FT_UInt  Glyph = FT_Get_Char_Index (SubsetFace, Character);
      ASSERT_NE (Glyph, 0u);
      ASSERT_EQ (FT_Load_Glyph (SubsetFace, Glyph, FT_LOAD_NO_SCALE), 0);
      if ((Character != u' ') && (Character != u'\u00A0')) {
        EXPECT_GT (SubsetFace->glyph->outline.n_contours, 0);
      }

      for (FT_UInt Pixels : { 13u, 40u }) {
        EXPECT_EQ (Draw (SubsetFace, Character, Pixels), Draw (FullFace, Character, Pixels)) << Pixels << " px";
      }
    }
  }

  FT_Library            Library    = nullptr;
  FT_Face               SubsetFace = nullptr;
  FT_Face               FullFace   = nullptr;
  std::vector<uint8_t>  Subset;
  std::vector<uint8_t>  Full;
};

TEST_F (EmbeddedFont, DrawsEveryCharacterOfEveryEngineString)
{
  std::set<char16_t>  Characters = EngineCharacters ();

  // The languages' own names need letters beyond ASCII.
  EXPECT_TRUE (Characters.count (u'\u00E7'));
  ExpectDrawnAsTheFullFont (Characters);
}

TEST_F (EmbeddedFont, DrawsTheTextConsolesDrawingCharactersAndLatin1)
{
  std::set<char16_t>  Characters = {
    BOXDRAW_HORIZONTAL,            BOXDRAW_VERTICAL,             BOXDRAW_DOWN_RIGHT,
    BOXDRAW_DOWN_LEFT,             BOXDRAW_UP_RIGHT,             BOXDRAW_UP_LEFT,
    BOXDRAW_VERTICAL_RIGHT,        BOXDRAW_VERTICAL_LEFT,        BOXDRAW_DOWN_HORIZONTAL,
    BOXDRAW_UP_HORIZONTAL,         BOXDRAW_VERTICAL_HORIZONTAL,  BOXDRAW_DOUBLE_HORIZONTAL,
    BOXDRAW_DOUBLE_VERTICAL,       BOXDRAW_DOUBLE_DOWN_RIGHT,    BOXDRAW_DOUBLE_DOWN_LEFT,
    BOXDRAW_DOUBLE_UP_RIGHT,       BOXDRAW_DOUBLE_UP_LEFT,       BLOCKELEMENT_FULL_BLOCK,
    BLOCKELEMENT_LIGHT_SHADE,      GEOMETRICSHAPE_UP_TRIANGLE,   GEOMETRICSHAPE_RIGHT_TRIANGLE,
    GEOMETRICSHAPE_DOWN_TRIANGLE,  GEOMETRICSHAPE_LEFT_TRIANGLE, ARROW_UP,
    ARROW_DOWN,                    u'\u2190',                    u'\u2192',
  };

  for (char16_t Character = 0x20; Character <= 0xFF; Character++) {
    if ((Character < 0x7F) || (Character >= 0xA0)) {
      Characters.insert (Character);
    }
  }

  ExpectDrawnAsTheFullFont (Characters);
}

// What the subset leaves out is not drawn: such a character falls to the missing-glyph
// box, which the subset keeps with its outline.
TEST_F (EmbeddedFont, LeavesOtherScriptsOutButKeepsTheMissingGlyphBox)
{
  for (char16_t Character : { u'\u0416', u'\u03A9', u'\u20AC' }) {
    EXPECT_NE (FT_Get_Char_Index (FullFace, Character), 0u) << std::hex << (unsigned)Character;
    EXPECT_EQ (FT_Get_Char_Index (SubsetFace, Character), 0u) << std::hex << (unsigned)Character;
  }

  ASSERT_EQ (FT_Load_Glyph (SubsetFace, 0, FT_LOAD_NO_SCALE), 0);
  EXPECT_GT (SubsetFace->glyph->outline.n_contours, 0);
}

}  // namespace
