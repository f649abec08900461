/** @file
  Configuration-string parsing and the block conversions.
**/
#include <EmulatorHii/ConfigString.h>

#include <cstring>

namespace Emu {

namespace {

const char16_t  kDigits[] = u"0123456789abcdef";

int
HexDigit (char16_t C)
{
  if ((C >= u'0') && (C <= u'9')) {
    return C - u'0';
  }
  if ((C >= u'a') && (C <= u'f')) {
    return C - u'a' + 10;
  }
  if ((C >= u'A') && (C <= u'F')) {
    return C - u'A' + 10;
  }
  return -1;
}

bool
StartsWith (std::u16string_view Text, UINTN At, std::u16string_view Word)
{
  return (At <= Text.size ()) && (Text.substr (At, Word.size ()) == Word);
}

// Hex digits from At up to the next "&" or the end; Count is their number.
bool
HexRun (std::u16string_view Text, UINTN At, UINTN *Count)
{
  UINTN  End = At;

  while ((End < Text.size ()) && (Text[End] != u'&')) {
    if (HexDigit (Text[End]) < 0) {
      return false;
    }
    End++;
  }
  *Count = End - At;
  return true;
}

// A number of at most 16 hex digits (OFFSET=, WIDTH=).
bool
HexNumber (std::u16string_view Text, UINTN *At, UINT64 *Value)
{
  UINTN  Count;

  if (!HexRun (Text, *At, &Count) || (Count == 0) || (Count > 16)) {
    return false;
  }
  *Value = 0;
  for (UINTN Index = 0; Index < Count; Index++) {
    *Value = (*Value << 4) | (UINT64)HexDigit (Text[*At + Index]);
  }
  *At += Count;
  return true;
}

struct BLOCK_ELEMENT {
  UINT64  Offset;
  UINT64  Width;
  UINTN   Start;       // the "&" of OFFSET
  UINTN   End;         // past the WIDTH digits
  UINTN   ValueStart;  // first VALUE digit
  UINTN   ValueCount;  // number of VALUE digits
};

// "&OFFSET=<hex>&WIDTH=<hex>" and, when WithValue, "&VALUE=<hex>"; LastAmp follows
// the "&"s consumed so a fault can be placed.
bool
ParseElement (std::u16string_view Text, UINTN *At, bool WithValue, BLOCK_ELEMENT *Element, UINTN *LastAmp)
{
  // Only a response without a header starts with a bare "OFFSET=".
  std::u16string_view  Lead = (*At == 0) ? u"OFFSET=" : u"&OFFSET=";

  Element->Start = *At;
  *LastAmp       = *At;
  if (!StartsWith (Text, *At, Lead)) {
    return false;
  }
  *At += Lead.size ();
  if (!HexNumber (Text, At, &Element->Offset)) {
    return false;
  }
  if (!StartsWith (Text, *At, u"&WIDTH=")) {
    return false;
  }
  *LastAmp = *At;
  *At     += 7;
  if (!HexNumber (Text, At, &Element->Width) || (Element->Width == 0)) {
    return false;
  }
  Element->End = *At;
  if (!WithValue) {
    return true;
  }
  if (!StartsWith (Text, *At, u"&VALUE=")) {
    return false;
  }
  *LastAmp = *At;
  *At     += 7;
  Element->ValueStart = *At;
  if (!HexRun (Text, *At, &Element->ValueCount) || (Element->ValueCount == 0) ||
      (Element->ValueCount > 2 * Element->Width)) {
    return false;
  }
  *At += Element->ValueCount;
  return true;
}

// A response ends its block elements at the first pair that is not one (the
// "&GUID=" of a following configuration, "&ALTCFG=", a name/value pair); a
// request must consist of them.
bool
ParseElements (std::u16string_view Text, UINTN At, bool WithValue, std::vector<BLOCK_ELEMENT> *Elements,
  UINTN *ErrorAt)
{
  while (At < Text.size ()) {
    if (WithValue && (At != 0) && !StartsWith (Text, At, u"&OFFSET=")) {
      return true;
    }
    BLOCK_ELEMENT  Element{};
    UINTN          LastAmp;
    if (!ParseElement (Text, &At, WithValue, &Element, &LastAmp)) {
      *ErrorAt = LastAmp;
      return false;
    }
    Elements->push_back (Element);
  }
  return true;
}

bool
InBlock (const BLOCK_ELEMENT &Element, UINTN BlockSize)
{
  return (Element.Offset <= BlockSize) && (Element.Width <= BlockSize - Element.Offset);
}

}  // namespace

std::u16string
HexBytes (const VOID *Bytes, UINTN Size)
{
  const UINT8     *Byte = (const UINT8 *)Bytes;
  std::u16string  Text;

  for (UINTN Index = 0; Index < Size; Index++) {
    Text.push_back (kDigits[Byte[Index] >> 4]);
    Text.push_back (kDigits[Byte[Index] & 0xF]);
  }
  return Text;
}

std::u16string
HexValue (const VOID *Bytes, UINTN Size)
{
  const UINT8     *Byte = (const UINT8 *)Bytes;
  std::u16string  Text;

  for (UINTN Index = Size; Index > 0; Index--) {
    Text.push_back (kDigits[Byte[Index - 1] >> 4]);
    Text.push_back (kDigits[Byte[Index - 1] & 0xF]);
  }
  return Text;
}

std::u16string
HexNumberText (UINT64 Value)
{
  std::u16string  Text;

  do {
    Text.insert (Text.begin (), kDigits[Value & 0xF]);
    Value >>= 4;
  } while (Value != 0);
  return Text;
}

std::u16string
HexName (std::u16string_view Name)
{
  std::u16string  Text;

  for (char16_t Unit : Name) {
    for (int Shift = 12; Shift >= 0; Shift -= 4) {
      Text.push_back (kDigits[(Unit >> Shift) & 0xF]);
    }
  }
  return Text;
}

bool
ParseConfigHeader (std::u16string_view Text, UINTN Start, CONFIG_HEADER *Header, UINTN *ErrorAt)
{
  UINTN  At = Start;
  UINTN  Count;

  *ErrorAt = Start;
  if (!StartsWith (Text, At, u"GUID=") || !HexRun (Text, At + 5, &Count) || (Count != 32)) {
    return false;
  }
  At += 5;
  for (UINTN Index = 0; Index < 16; Index++, At += 2) {
    ((UINT8 *)&Header->Guid)[Index] = (UINT8)((HexDigit (Text[At]) << 4) | HexDigit (Text[At + 1]));
  }
  *ErrorAt = At;
  if (!StartsWith (Text, At, u"&NAME=") || !HexRun (Text, At + 6, &Count) || (Count % 4 != 0)) {
    return false;
  }
  At += 6;
  Header->Name.clear ();
  for (UINTN Index = 0; Index < Count; Index += 4, At += 4) {
    Header->Name.push_back ((char16_t)((HexDigit (Text[At]) << 12) | (HexDigit (Text[At + 1]) << 8) |
                                       (HexDigit (Text[At + 2]) << 4) | HexDigit (Text[At + 3])));
  }
  *ErrorAt = At;
  if (!StartsWith (Text, At, u"&PATH=") || !HexRun (Text, At + 6, &Count) || (Count % 2 != 0)) {
    return false;
  }
  At += 6;
  Header->Path.clear ();
  for (UINTN Index = 0; Index < Count; Index += 2, At += 2) {
    Header->Path.push_back ((UINT8)((HexDigit (Text[At]) << 4) | HexDigit (Text[At + 1])));
  }
  Header->End = At;
  return true;
}

std::vector<std::pair<UINTN, UINTN>>
SplitConfigs (std::u16string_view Text)
{
  std::vector<std::pair<UINTN, UINTN>>  Ranges;
  UINTN                                 Start = 0;

  if (!StartsWith (Text, 0, u"GUID=")) {
    return Ranges;
  }
  for (;;) {
    UINTN  Next = Text.find (u"&GUID=", Start);
    if (Next == std::u16string_view::npos) {
      Ranges.emplace_back (Start, Text.size ());
      return Ranges;
    }
    Ranges.emplace_back (Start, Next);
    Start = Next + 1;
  }
}

EFI_STATUS
BlockToConfigText (std::u16string_view Request, const UINT8 *Block, UINTN BlockSize, std::u16string *Config,
  UINTN *ErrorAt)
{
  CONFIG_HEADER               Header;
  std::vector<BLOCK_ELEMENT>  Elements;

  if (!ParseConfigHeader (Request, 0, &Header, ErrorAt) ||
      !ParseElements (Request, Header.End, false, &Elements, ErrorAt)) {
    return EFI_INVALID_PARAMETER;
  }
  Config->assign (Request.substr (0, Header.End));
  for (const BLOCK_ELEMENT &Element : Elements) {
    if (!InBlock (Element, BlockSize)) {
      *ErrorAt = Element.Start;
      return EFI_DEVICE_ERROR;
    }
    Config->append (Request.substr (Element.Start, Element.End - Element.Start));
    Config->append (u"&VALUE=");
    Config->append (HexValue (Block + Element.Offset, (UINTN)Element.Width));
  }
  *ErrorAt = Request.size ();
  return EFI_SUCCESS;
}

EFI_STATUS
ConfigToBlockText (std::u16string_view Response, UINT8 *Block, UINTN BlockSize, UINTN *Needed, UINTN *ErrorAt)
{
  CONFIG_HEADER               Header;
  std::vector<BLOCK_ELEMENT>  Elements;

  *Needed    = 0;
  *ErrorAt   = 0;
  Header.End = 0;
  // The header is optional here: a bare list of block elements is a response too.
  if ((StartsWith (Response, 0, u"GUID=") && !ParseConfigHeader (Response, 0, &Header, ErrorAt)) ||
      !ParseElements (Response, Header.End, true, &Elements, ErrorAt)) {
    return EFI_INVALID_PARAMETER;
  }
  for (const BLOCK_ELEMENT &Element : Elements) {
    if ((Element.Offset > (UINT64)SIZE_MAX - Element.Width)) {
      *ErrorAt = Element.Start;
      return EFI_INVALID_PARAMETER;
    }
    if (Element.Offset + Element.Width > *Needed) {
      *Needed = (UINTN)(Element.Offset + Element.Width);
    }
  }
  *ErrorAt = 0;
  if (Block == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  if (*Needed > BlockSize) {
    return EFI_DEVICE_ERROR;
  }
  for (const BLOCK_ELEMENT &Element : Elements) {
    // The digits are a number, most significant first; the block takes it low byte first.
    std::memset (Block + Element.Offset, 0, (size_t)Element.Width);
    for (UINTN Digit = 0; Digit < Element.ValueCount; Digit++) {
      UINTN  FromLow = Element.ValueCount - 1 - Digit;
      UINT8  Nibble  = (UINT8)HexDigit (Response[Element.ValueStart + Digit]);
      Block[Element.Offset + FromLow / 2] |= (UINT8)(Nibble << ((FromLow % 2) * 4));
    }
  }
  *ErrorAt = Response.size ();
  return EFI_SUCCESS;
}

}  // namespace Emu
