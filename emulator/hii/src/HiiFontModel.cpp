/** @file
  The fake font: which code units have glyphs, how wide they are, and a fixed pixel
  pattern per glyph so that drawn text can be compared byte for byte.
**/
#include <EmulatorHii/HiiServices.h>

namespace Emu {

namespace {

bool
InRange (CHAR16 Char, CHAR16 First, CHAR16 Last)
{
  return (Char >= First) && (Char <= Last);
}

}  // namespace

UINT16
HiiServices::GlyphWidth (CHAR16 Char) const
{
  // Narrow: ASCII, Latin-1 (the French strings need it), arrows, box drawing,
  // blocks and geometric shapes. Wide: CJK punctuation and kana, unified ideographs,
  // Hangul syllables and the full-width forms.
  if (InRange (Char, 0x20, 0x7E) || InRange (Char, 0xA0, 0xFF) || InRange (Char, 0x2190, 0x21FF) ||
      InRange (Char, 0x2500, 0x25FF)) {
    return EFI_GLYPH_WIDTH;
  }
  if (InRange (Char, 0x3000, 0x30FF) || InRange (Char, 0x4E00, 0x9FFF) || InRange (Char, 0xAC00, 0xD7A3) ||
      InRange (Char, 0xFF01, 0xFF60)) {
    return 2 * EFI_GLYPH_WIDTH;
  }
  return 0;
}

UINT16
HiiServices::GlyphRow (CHAR16 Char, UINTN Row) const
{
  UINT16  Width = GlyphWidth (Char);

  if ((Width == 0) || (Char == u' ') || (Char == 0xA0) || (Char == 0x3000) || (Row < 2) || (Row > 16)) {
    return 0;
  }
  // Box drawing: a cross through the cell centre, so frames join up when drawn.
  if (InRange (Char, 0x2500, 0x257F)) {
    return (Row == 9) ? (UINT16)0xFF00 : (UINT16)0x1000;
  }
  // Full block and shades.
  if (InRange (Char, 0x2580, 0x259F)) {
    return (Width == 8) ? (UINT16)0xFF00 : (UINT16)0xFFFF;
  }
  UINT32  Mix  = ((UINT32)Char * 2654435761u) ^ ((UINT32)Row * 40503u);
  UINT16  Bits = (UINT16)(Mix >> 13) | 0x8001;  // never empty, so every glyph shows
  return (Width == 8) ? (UINT16)(Bits & 0xFF00) | 0x0100 : Bits;
}

UINTN
HiiServices::GlyphCallsFor (CHAR16 Char) const
{
  UINTN  Count = 0;

  for (const GLYPH_CALL &Call : mGlyphLog) {
    Count += (Call.Char == Char) ? 1 : 0;
  }
  return Count;
}

EFI_STATUS
HiiServices::GlyphFailure (CHAR16 Char) const
{
  auto  Found = mGlyphFailures.find (Char);
  return (Found != mGlyphFailures.end ()) ? Found->second : EFI_SUCCESS;
}

}  // namespace Emu
