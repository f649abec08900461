/** @file
  Text helpers of the text screen: cell widths, colour escapes, wrapping, number
  parsing and the small string copies the pop-ups use.

  Widths come from the HII font through GetStringDisplayWidth (19 units per cell).
  Colour escapes and the glyph marks take no cell: they are never shown.
**/
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <engine/variables/ConfigString.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>

// At most this many characters from the ESC to the "m" of a colour escape.
#define ESCAPE_MAX_CHARS      10
#define NO_LENGTH_LIMIT       (~(UINT64)0)

UINT64
GetCharCellCount (
  IN CHAR16  Character
  )
{
  CHAR16  One[2] = { Character, 0 };

  return GetStringDisplayWidth (One) / WIDTH_UNITS_PER_CELL;
}

BOOLEAN
IsWideChar (
  IN CHAR16  Character
  )
{
  return (BOOLEAN)(GetCharCellCount (Character) == 2);
}

static BOOLEAN
IsGlyphMark (
  IN CHAR16  Character
  )
{
  return (BOOLEAN)((Character == TEXT_NARROW_GLYPH_MARK) || (Character == TEXT_WIDE_GLYPH_MARK));
}

// Characters to step over at String when it opens a colour escape (the "m" included); 0 otherwise.
static UINT64
EscapeLength (
  IN CONST CHAR16  *String
  )
{
  UINT8   Unused[3];
  UINT64  Before = ParseAnsiEscape (String, &Unused[0], &Unused[1], &Unused[2]);

  return (Before == 0) ? 0 : Before + 1;
}

UINT64
GetTextCellCount (
  IN CONST CHAR16  *String
  )
{
  UINT64  Cells = 0;
  UINT64  Skip;

  while ((String != NULL) && (*String != 0)) {
    Skip = EscapeLength (String);
    if (Skip != 0) {
      String += Skip;
      continue;
    }

    Cells += IsGlyphMark (*String) ? 0 : GetCharCellCount (*String);
    String++;
  }

  return Cells;
}

// How many of the first Length characters fit in Columns cells; escapes and marks take none.
static UINT64
CountFitting (
  IN CONST CHAR16  *String,
  IN UINT64        Length,
  IN UINT64        Columns
  )
{
  UINT64  Count = 0;
  UINT64  Used  = 0;
  UINT64  Cells;
  UINT64  Skip;

  while ((String != NULL) && (Count < Length) && (String[Count] != 0)) {
    Skip = EscapeLength (String + Count);
    if ((Skip != 0) && (Count + Skip <= Length)) {
      Count += Skip;
      continue;
    }

    Cells = IsGlyphMark (String[Count]) ? 0 : GetCharCellCount (String[Count]);
    if (Used + Cells > Columns) {
      break;
    }

    Used += Cells;
    Count++;
  }

  return Count;
}

UINT64
CountCharsThatFit (
  IN CONST CHAR16  *String,
  IN UINT64        Columns
  )
{
  return CountFitting (String, NO_LENGTH_LIMIT, Columns);
}

static UINT8
TableIndex (
  IN UINT8        Value,
  IN CONST UINT8  *Table
  )
{
  for (UINT8 Index = 0; Index < 8; Index++) {
    if (Table[Index] == Value) {
      return Index;
    }
  }

  return 0;       // a number not in the table gives colour 0
}

UINT8
ApplyAnsiEscape (
  IN UINT8  Attribute,
  IN UINT8  Brightness,
  IN UINT8  Foreground,
  IN UINT8  Background
  )
{
  static CONST UINT8  ForegroundTable[8] = { 30, 34, 32, 36, 31, 35, 33, 37 };
  static CONST UINT8  BackgroundTable[8] = { 40, 44, 42, 46, 41, 45, 43, 47 };

  if (Brightness != TEXT_ESCAPE_NO_VALUE) {
    Attribute = (UINT8)((Attribute & ~0x08) | ((Brightness & 1) << 3));
  }

  if (Foreground != TEXT_ESCAPE_NO_VALUE) {
    Attribute = (UINT8)((Attribute & ~0x07) | TableIndex (Foreground, ForegroundTable));
  }

  if (Background != TEXT_ESCAPE_NO_VALUE) {
    Attribute = (UINT8)((Attribute & ~0x70) | (TableIndex (Background, BackgroundTable) << 4));
  }

  return Attribute;
}

UINT64
ParseAnsiEscape (
  IN  CONST CHAR16  *String,
  OUT UINT8         *Brightness,
  OUT UINT8         *Foreground,
  OUT UINT8         *Background
  )
{
  UINT8   *Fields[3] = { Brightness, Foreground, Background };
  UINT64  Field      = 0;
  UINT64  Index;
  UINT32  Value      = 0;
  BOOLEAN HasValue   = FALSE;

  *Brightness = *Foreground = *Background = TEXT_ESCAPE_NO_VALUE;
  if ((String == NULL) || (String[0] != TEXT_ESCAPE_CHAR) || (String[1] != u'[')) {
    return 0;
  }

  for (Index = 2; (Index < ESCAPE_MAX_CHARS) && (String[Index] != 0); Index++) {
    CHAR16  Char = String[Index];
    if ((Char == u'm') || (Char == u';')) {
      if (HasValue && (Field < 3)) {
        *Fields[Field] = (UINT8)((Value > 254) ? 254 : Value);   // 255 stays "omitted"
      }

      if (Char == u'm') {
        return Index;
      }

      Field++;
      Value    = 0;
      HasValue = FALSE;
    } else if ((Char >= u'0') && (Char <= u'9')) {
      Value    = (Value < 1000) ? Value * 10 + (Char - u'0') : Value;
      HasValue = TRUE;
    }
  }

  *Brightness = *Foreground = *Background = TEXT_ESCAPE_NO_VALUE;
  return 0;
}

// Length of the literal form backslash "x1b[" ... "m" at String, the "m" included; 0 when absent.
static UINTN
LiteralEscapeLength (
  IN CONST CHAR16  *String
  )
{
  static CONST CHAR16  Opener[] = u"\\x1b[";
  UINTN                Index;

  for (Index = 0; Opener[Index] != 0; Index++) {
    if (String[Index] != Opener[Index]) {
      return 0;
    }
  }

  for (; String[Index] != 0; Index++) {
    if (String[Index] == u'm') {
      return Index + 1;
    }
  }

  return 0;
}

CHAR16 *
StripAnsiEscapes (
  IN CONST CHAR16  *String
  )
{
  CHAR16  *Copy;
  UINTN   Out = 0;
  UINTN   Skip;

  if (String == NULL) {
    return NULL;
  }

  Copy = (CHAR16 *)AllocateZeroPool (StrSize (String));
  while ((Copy != NULL) && (*String != 0)) {
    Skip = (UINTN)EscapeLength (String);
    if (Skip == 0) {
      Skip = LiteralEscapeLength (String);
    }

    if (Skip != 0) {
      String += Skip;
      continue;
    }

    Copy[Out++] = *String++;
  }

  return Copy;
}

VOID
ExtractLastEscape (
  IN  CONST CHAR16  *String,
  OUT CHAR16        *Escape
  )
{
  CONST CHAR16  *Last = NULL;
  UINT64        Length = 0;
  UINT64        Skip;

  ZeroMem (Escape, TEXT_ESCAPE_BUFFER_CHARS * sizeof (CHAR16));
  while ((String != NULL) && (*String != 0)) {
    Skip = EscapeLength (String);
    if (Skip != 0) {
      Last   = String;
      Length = Skip;
      String += Skip;
    } else {
      String++;
    }
  }

  if (Last != NULL) {
    CopyMem (Escape, Last, (UINTN)Length * sizeof (CHAR16));     // at most 10 characters
  }
}

INT64
StrToIntBase (
  IN CONST CHAR16  *String,
  IN UINT32        Base
  )
{
  INT64    Value    = 0;
  BOOLEAN  Negative = FALSE;
  UINT8    Digit;

  if ((String == NULL) || ((Base != 10) && (Base != 16) && (Base != 32))) {
    return 0;
  }

  if ((Base == 32) && (*String == u'-')) {
    Negative = TRUE;
    String++;
  }

  for (; *String != 0; String++) {
    if (Base == 16) {
      if (!IsHexDigit (&Digit, *String)) {
        break;
      }

      Value = (INT64)((UINT64)Value * 16 + Digit);
    } else {
      if ((*String < u'0') || (*String > u'9')) {
        break;
      }

      Value = (INT64)((UINT64)Value * 10 + (UINT64)(*String - u'0'));
    }
  }

  return Negative ? (INT64)(0 - (UINT64)Value) : Value;
}

VOID
FormatTwoDigits (
  IN  UINT64  Value,
  OUT CHAR16  *Buffer
  )
{
  UnicodeSPrint (Buffer, 10 * sizeof (CHAR16), (Value < 10) ? u"0%d" : u"%d", (INT32)Value);
}

CHAR16 *
StrDupUtf16 (
  IN CONST CHAR16  *String
  )
{
  return (String == NULL) ? NULL : (CHAR16 *)AllocateCopyPool (StrSize (String), String);
}

CHAR8 *
AsciiStrDup (
  IN CONST CHAR8  *String
  )
{
  return (String == NULL) ? NULL : (CHAR8 *)AllocateCopyPool (AsciiStrSize (String), String);
}

// A new copy of Length code units of String, each converted to TO; null when out of memory.
template <typename TO, typename FROM>
static TO *
ConvertedCopy (
  IN CONST FROM  *String,
  IN UINTN       Length
  )
{
  TO  *Copy = (TO *)AllocateZeroPool ((Length + 1) * sizeof (TO));

  for (UINTN Index = 0; (Copy != NULL) && (Index < Length); Index++) {
    Copy[Index] = (TO)String[Index];
  }

  return Copy;
}

CHAR16 *
AsciiToUnicodeDup (
  IN CONST CHAR8  *String
  )
{
  // Each byte is widened as it stands (Latin-1).
  return (String == NULL) ? NULL : ConvertedCopy<CHAR16, UINT8> ((CONST UINT8 *)String, AsciiStrLen (String));
}

CHAR8 *
UnicodeToAsciiDup (
  IN CONST CHAR16  *String
  )
{
  // Each code unit keeps its low byte.
  return (String == NULL) ? NULL : ConvertedCopy<CHAR8, CHAR16> (String, StrLen (String));
}

// A copy in which CR LF and a lone CR become LF.
static CHAR16 *
NormalizeLineEnds (
  IN CONST CHAR16  *String
  )
{
  CHAR16  *Copy = (CHAR16 *)AllocateZeroPool (StrSize (String));
  UINTN   Out   = 0;

  for (UINTN In = 0; (Copy != NULL) && (String[In] != 0); In++) {
    if (String[In] == CHAR_CARRIAGE_RETURN) {
      Copy[Out++] = CHAR_LINEFEED;
      In += (String[In + 1] == CHAR_LINEFEED) ? 1 : 0;
    } else {
      Copy[Out++] = String[In];
    }
  }

  return Copy;
}

typedef struct {
  CHAR16        *Out;
  UINT64        Used;
  UINT64        Lines;
  CONST CHAR16  *Escape;        // the last colour escape emitted, for the next line
  UINT64        EscapeLength;
} WRAP_OUTPUT;

// Emits one output line: the carried colour escape, the piece and LF.
static VOID
EmitLine (
  IN OUT WRAP_OUTPUT   *Wrap,
  IN     CONST CHAR16  *Piece,
  IN     UINT64        Length
  )
{
  UINT64  Skip;

  if ((Wrap->Escape != NULL) && ((Length == 0) || (EscapeLength (Piece) == 0))) {
    CopyMem (Wrap->Out + Wrap->Used, Wrap->Escape, (UINTN)Wrap->EscapeLength * sizeof (CHAR16));
    Wrap->Used += Wrap->EscapeLength;
  }

  CopyMem (Wrap->Out + Wrap->Used, Piece, (UINTN)Length * sizeof (CHAR16));
  Wrap->Used += Length;
  Wrap->Out[Wrap->Used++] = CHAR_LINEFEED;
  Wrap->Lines++;

  for (UINT64 Index = 0; Index < Length; Index += (Skip != 0) ? Skip : 1) {
    Skip = EscapeLength (Piece + Index);
    if ((Skip != 0) && (Index + Skip <= Length)) {
      Wrap->Escape       = Piece + Index;
      Wrap->EscapeLength = Skip;
    }
  }
}

//
// The head of a too-long line: back to its last space (a space right after what
// fits counts too, and is dropped), else what fits, and always one character at
// least, so that a zero width or a wide character in one cell still moves on.
//
static UINT64
BreakLine (
  IN  CONST CHAR16  *Line,
  IN  UINT64        Length,
  IN  UINT64        Width,
  OUT UINT64        *Next
  )
{
  UINT64  Fit = CountFitting (Line, Length, Width);

  if (Fit > Length) {
    Fit = Length;
  }

  for (UINT64 Index = (Fit < Length) ? Fit : Fit - 1; Index > 0; Index--) {
    if (Line[Index] == u' ') {
      *Next = Index + 1;
      return Index;
    }
  }

  Fit   = (Fit == 0) ? 1 : Fit;
  *Next = Fit;
  return Fit;
}

CHAR16 *
WrapText (
  IN  CONST CHAR16  *String,
  IN  UINT64        Width,
  OUT UINT64        *LineCount
  )
{
  WRAP_OUTPUT  Wrap = { NULL, 0, 0, NULL, 0 };
  CHAR16       *Text;
  UINT64       Length;
  UINT64       Pos = 0;
  UINT64       End;
  UINT64       Next;
  UINT64       Piece;

  *LineCount = 0;
  Text = (String == NULL) ? NULL : NormalizeLineEnds (String);
  if (Text == NULL) {
    return NULL;
  }

  // Every output line holds at least one character or ends an input line.
  Length   = StrLen (Text);
  Wrap.Out = (CHAR16 *)AllocateZeroPool ((UINTN)(Length + (Length + 1) * (ESCAPE_MAX_CHARS + 1) + 1) * sizeof (CHAR16));
  while ((Wrap.Out != NULL) && (Pos < Length)) {
    for (End = Pos; (End < Length) && (Text[End] != CHAR_LINEFEED); End++) {
    }

    do {
      if (CountFitting (Text + Pos, End - Pos, Width) >= End - Pos) {
        Piece = End - Pos;
        Next  = Piece;
      } else {
        Piece = BreakLine (Text + Pos, End - Pos, Width, &Next);
      }

      EmitLine (&Wrap, Text + Pos, Piece);
      Pos += Next;
    } while (Pos < End);

    Pos = End + 1;
  }

  FreePool (Text);
  *LineCount = (Wrap.Out == NULL) ? 0 : Wrap.Lines;
  return Wrap.Out;
}

// The language code of entry Index; "en-US" alone while the language list is empty.
static CONST CHAR16 *
LanguageAt (
  IN UINTN  Index
  )
{
  if ((gLanguageList == NULL) || (gLanguageCount == 0)) {
    return (Index == 0) ? u"en-US" : NULL;
  }

  return (Index < gLanguageCount) ? gLanguageList[Index].UnicodeCode : NULL;
}

static UINTN
LanguageSlots (
  VOID
  )
{
  return ((gLanguageList == NULL) || (gLanguageCount == 0)) ? 1 : gLanguageCount;
}

//
// A language that refuses the id gets the string as new; its id is then set in
// every language from the first on. Each restart takes a new id, so the walk gives
// up after as many restarts as there are languages. A language that takes the
// string neither way (the package list lacks it) is passed over: the string still
// serves every other language under one id.
//
UINT16
HiiAddStringAllLanguages (
  IN EFI_HII_HANDLE  HiiHandle,
  IN CONST CHAR16    *String
  )
{
  UINTN   Slots    = LanguageSlots ();
  UINTN   Restarts = 0;
  UINTN   Index    = 1;
  UINT16  Id;
  UINT16  NewId;

  Id = NewStringInLanguage (HiiHandle, 0, LanguageAt (0), String);
  // A platform language the package list lacks ("en" against "en-US"): the strings are
  // read with "en-US" as the fallback, so the string goes there.
  if (Id == 0xFFFF) {
    Id = NewStringInLanguage (HiiHandle, 0, u"en-US", String);
  }

  while ((Id != 0xFFFF) && (Index < Slots)) {
    if ((LanguageAt (Index) == NULL) ||
        (NewStringInLanguage (HiiHandle, Id, LanguageAt (Index), String) != 0xFFFF))
    {
      Index++;
      continue;
    }

    NewId = NewStringInLanguage (HiiHandle, 0, LanguageAt (Index), String);
    if (NewId == 0xFFFF) {
      Index++;
      continue;
    }

    if (++Restarts > Slots) {
      return 0xFFFF;
    }

    Id    = NewId;
    Index = 0;
  }

  return Id;
}

UINT16
SetStringAllLanguagesNew (
  IN EFI_HII_HANDLE  HiiHandle,
  IN UINT16          StringId,
  IN CONST CHAR16    *Text
  )
{
  if (StringId == 0) {
    return HiiAddStringAllLanguages (HiiHandle, Text);
  }

  // Before the language list is built the strings still need a language to live in.
  if ((gLanguageList == NULL) || (gLanguageCount == 0)) {
    return NewStringInLanguage (HiiHandle, StringId, u"en-US", Text);
  }

  return EFI_ERROR (SetStringAllLanguages (HiiHandle, StringId, Text)) ? (UINT16)NO_STRING : StringId;
}
