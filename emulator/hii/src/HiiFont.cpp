/** @file
  The Font protocol over the fake font: GetGlyph hands out one glyph image, and
  StringToImage draws a line of fixed 19-pixel-high cells.
**/
#include <EmulatorHii/HiiServices.h>

#include <Guid/GlobalVariable.h>

#include "Guard.h"
#include "HiiInternal.h"

#include <cstring>
#include <vector>

namespace Emu {

namespace {

const EFI_GRAPHICS_OUTPUT_BLT_PIXEL  kWhite = { 0xFF, 0xFF, 0xFF, 0 };
const EFI_GRAPHICS_OUTPUT_BLT_PIXEL  kBlack = { 0, 0, 0, 0 };
constexpr UINTN                      kBaseline = 15;  // pixel row the glyphs stand on
// The bitmap OVMF's font makes when the caller brings none: this size whatever the text,
// which lies in its top-left corner (the row information says how much of it was drawn).
constexpr UINTN                      kFreshWidth  = 800;
constexpr UINTN                      kFreshHeight = 600;

struct COLOURS {
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  Fore;
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  Back;
};

COLOURS
ColoursOf (CONST EFI_FONT_DISPLAY_INFO *Info)
{
  return (Info != nullptr) ? COLOURS{ Info->ForegroundColor, Info->BackgroundColor } : COLOURS{ kWhite, kBlack };
}

// One cell into a bitmap of Stride pixels per row and Rows rows, clipped to it.
void
DrawCell (const HiiServices &Hii, CHAR16 Char, UINT16 Width, const COLOURS &Colours, bool Transparent,
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL *Bitmap, UINTN Stride, UINTN Rows, UINTN X, UINTN Y)
{
  for (UINTN Row = 0; Row < EFI_GLYPH_HEIGHT; Row++) {
    UINT16  Bits = Hii.GlyphRow (Char, Row);
    for (UINTN Column = 0; Column < Width; Column++) {
      bool  Lit = (Bits & (0x8000u >> Column)) != 0;
      if ((X + Column >= Stride) || (Y + Row >= Rows) || (!Lit && Transparent)) {
        continue;
      }
      Bitmap[(Y + Row) * Stride + X + Column] = Lit ? Colours.Fore : Colours.Back;
    }
  }
}

EFI_STATUS
NewImage (Machine &Owner, UINTN Width, UINTN Height, EFI_IMAGE_OUTPUT **Image)
{
  VOID  *Output = nullptr;
  VOID  *Bitmap = nullptr;

  if ((Width > 0xFFFF) || (Height > 0xFFFF)) {
    return EFI_INVALID_PARAMETER;
  }
  if (Owner.Memory ().Allocate (EfiBootServicesData, sizeof (EFI_IMAGE_OUTPUT), &Output) != EFI_SUCCESS) {
    return EFI_OUT_OF_RESOURCES;
  }
  if ((Width * Height != 0) &&
      (Owner.Memory ().Allocate (EfiBootServicesData, Width * Height * sizeof (EFI_GRAPHICS_OUTPUT_BLT_PIXEL), &Bitmap) !=
       EFI_SUCCESS)) {
    (VOID)Owner.Memory ().Free (Output);  // nothing else can go wrong in freeing our own block
    return EFI_OUT_OF_RESOURCES;
  }
  *Image                = (EFI_IMAGE_OUTPUT *)Output;
  (*Image)->Width       = (UINT16)Width;
  (*Image)->Height      = (UINT16)Height;
  (*Image)->Image.Bitmap = (EFI_GRAPHICS_OUTPUT_BLT_PIXEL *)Bitmap;
  if (Bitmap != nullptr) {
    std::memset (Bitmap, 0, Width * Height * sizeof (EFI_GRAPHICS_OUTPUT_BLT_PIXEL));
  }
  return EFI_SUCCESS;
}

EFI_STATUS
GetGlyphBody (HiiServices &Hii, CHAR16 Char, CONST EFI_FONT_DISPLAY_INFO *Info, EFI_IMAGE_OUTPUT **Blt,
  UINTN *Baseline)
{
  if ((Blt == nullptr) || (*Blt != nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  EFI_STATUS  Status = Hii.GlyphFailure (Char);
  if (Status != EFI_SUCCESS) {
    return Status;
  }
  UINT16  Width = Hii.GlyphWidth (Char);
  if ((Width == 0) || Hii.IsGlyphless (Char)) {
    return EFI_SUCCESS;  // no glyph: success and no image, as the engine expects
  }
  Status = NewImage (Hii.Owner (), Width, EFI_GLYPH_HEIGHT, Blt);
  if (Status != EFI_SUCCESS) {
    return Status;
  }
  DrawCell (Hii, Char, Width, ColoursOf (Info), false, (*Blt)->Image.Bitmap, Width, EFI_GLYPH_HEIGHT, 0, 0);
  if (Baseline != nullptr) {
    *Baseline = kBaseline;
  }
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI
FontGetGlyph (CONST EFI_HII_FONT_PROTOCOL *This, CONST CHAR16 Char, CONST EFI_FONT_DISPLAY_INFO *Info, EFI_IMAGE_OUTPUT **Blt,
  UINTN *Baseline)
{
  return Guarded ([&] {
    HiiServices  &Hii   = *OwnerOf<HiiServices> (This);
    EFI_STATUS   Status = GetGlyphBody (Hii, Char, Info, Blt, Baseline);
    Hii.LogGlyph ({ Char, Status, (Status == EFI_SUCCESS) && (*Blt != nullptr) });
    return Status;
  });
}

struct LINE {
  std::vector<UINTN>   Columns;  // x of each code unit's cell
  std::vector<UINT16>  Widths;
  UINTN                Width = 0;
};

LINE
LayOut (const HiiServices &Hii, const std::u16string &Text, EFI_HII_OUT_FLAGS Flags)
{
  LINE  Line;

  for (CHAR16 Char : Text) {
    UINT16  Width = Hii.IsGlyphless (Char) ? 0 : Hii.GlyphWidth (Char);
    if ((Width == 0) && ((Flags & EFI_HII_IGNORE_IF_NO_GLYPH) == 0)) {
      Width = EFI_GLYPH_WIDTH;  // an unknown code unit keeps its cell, drawn blank
    }
    Line.Columns.push_back (Line.Width);
    Line.Widths.push_back (Width);
    Line.Width += Width;
  }
  return Line;
}

EFI_STATUS
DrawToScreen (const HiiServices &Hii, const std::u16string &Text, const LINE &Line, const COLOURS &Colours,
  EFI_IMAGE_OUTPUT *Blt, UINTN X, UINTN Y)
{
  if ((Blt->Image.Screen == nullptr) || (Line.Width == 0)) {
    return (Blt->Image.Screen == nullptr) ? EFI_INVALID_PARAMETER : EFI_SUCCESS;
  }
  std::vector<EFI_GRAPHICS_OUTPUT_BLT_PIXEL>  Pixels (Line.Width * EFI_GLYPH_HEIGHT, Colours.Back);
  for (UINTN Index = 0; Index < Text.size (); Index++) {
    DrawCell (Hii, Text[Index], Line.Widths[Index], Colours, false, Pixels.data (), Line.Width, EFI_GLYPH_HEIGHT,
      Line.Columns[Index], 0);
  }
  return Blt->Image.Screen->Blt (Blt->Image.Screen, Pixels.data (), EfiBltBufferToVideo, 0, 0, X, Y, Line.Width,
           EFI_GLYPH_HEIGHT, 0);
}

// Combinations a firmware font refuses: transparency, clipping or the screen need a
// target the caller gives (OVMF refuses clipping into a bitmap of its own making), the
// clean-clip flags refine clipping, and wrapping already decides what happens at the
// right edge.
bool
FlagsValid (EFI_HII_OUT_FLAGS Flags, bool HaveTarget)
{
  const EFI_HII_OUT_FLAGS  CleanClip = EFI_HII_OUT_FLAG_CLIP_CLEAN_X | EFI_HII_OUT_FLAG_CLIP_CLEAN_Y;

  if (!HaveTarget && ((Flags & (EFI_HII_OUT_FLAG_TRANSPARENT | EFI_HII_DIRECT_TO_SCREEN | EFI_HII_OUT_FLAG_CLIP)) != 0)) {
    return false;
  }
  if (((Flags & CleanClip) != 0) && ((Flags & EFI_HII_OUT_FLAG_CLIP) == 0)) {
    return false;
  }
  return (Flags & (EFI_HII_OUT_FLAG_WRAP | EFI_HII_OUT_FLAG_CLIP_CLEAN_X)) !=
         (EFI_HII_OUT_FLAG_WRAP | EFI_HII_OUT_FLAG_CLIP_CLEAN_X);
}

// How many leading code units of the line show in a caller's bitmap: a row below
// its bottom shows none; with the clean-clip flags a cell or row that does not fit
// whole is left out, otherwise a cell shows when any of it lies inside.
UINTN
ShownCount (const LINE &Line, EFI_HII_OUT_FLAGS Flags, const EFI_IMAGE_OUTPUT &Target, UINTN X, UINTN Y)
{
  bool   CleanX = (Flags & EFI_HII_OUT_FLAG_CLIP_CLEAN_X) != 0;
  bool   CleanY = (Flags & EFI_HII_OUT_FLAG_CLIP_CLEAN_Y) != 0;
  UINTN  Shown  = 0;

  if ((Y >= Target.Height) || (CleanY && (Y + EFI_GLYPH_HEIGHT > Target.Height))) {
    return 0;
  }
  while ((Shown < Line.Widths.size ()) &&
         (CleanX ? (X + Line.Columns[Shown] + Line.Widths[Shown] <= Target.Width) : (X + Line.Columns[Shown] < Target.Width))) {
    Shown++;
  }
  return Shown;
}

// Row and column information describe only the code units that were drawn.
EFI_STATUS
ReportLayout (HiiServices &Hii, const LINE &Line, UINTN Shown, EFI_HII_ROW_INFO **Rows, UINTN *RowCount,
  UINTN *Columns)
{
  UINTN  Count = ((Shown == 0) && !Line.Widths.empty ()) ? 0 : 1;

  if (Columns != nullptr) {
    for (UINTN Index = 0; Index < Line.Widths.size (); Index++) {
      // A code unit left out, for want of a glyph or of room, has no place on the row.
      Columns[Index] = ((Index >= Shown) || (Line.Widths[Index] == 0)) ? ~(UINTN)0 : Line.Columns[Index];
    }
  }
  if ((Rows != nullptr) && (Count != 0)) {
    VOID  *Row = nullptr;
    if (Hii.Owner ().Memory ().Allocate (EfiBootServicesData, sizeof (EFI_HII_ROW_INFO), &Row) != EFI_SUCCESS) {
      return EFI_OUT_OF_RESOURCES;
    }
    UINTN  Last = (Shown == 0) ? 0 : Shown - 1;
    *Rows       = (EFI_HII_ROW_INFO *)Row;
    **Rows      = { 0, Last, EFI_GLYPH_HEIGHT, (Shown == 0) ? 0 : Line.Columns[Last] + Line.Widths[Last], kBaseline };
  } else if (Rows != nullptr) {
    *Rows = nullptr;
  }
  if (RowCount != nullptr) {
    *RowCount = Count;
  }
  return EFI_SUCCESS;
}

EFI_STATUS
StringToImageBody (HiiServices &Hii, EFI_HII_OUT_FLAGS Flags, CONST CHAR16 *String, CONST EFI_FONT_DISPLAY_INFO *Info,
  EFI_IMAGE_OUTPUT **Blt, UINTN X, UINTN Y, EFI_HII_ROW_INFO **Rows, UINTN *RowCount, UINTN *Columns)
{
  std::u16string  Text;

  if ((String == nullptr) || (Blt == nullptr) || !FlagsValid (Flags, *Blt != nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  for (UINTN Index = 0; String[Index] != 0; Index++) {
    if (Index >= 0x10000) {
      return EFI_INVALID_PARAMETER;  // no line of a setup screen is this long
    }
    Text.push_back (String[Index]);
  }
  LINE        Line    = LayOut (Hii, Text, Flags);
  COLOURS     Colours = ColoursOf (Info);
  EFI_STATUS  Status  = EFI_SUCCESS;
  UINTN       Shown   = Text.size ();
  bool        Fresh   = *Blt == nullptr;
  if ((*Blt != nullptr) && ((Flags & EFI_HII_DIRECT_TO_SCREEN) != 0)) {
    Status = DrawToScreen (Hii, Text, Line, Colours, *Blt, X, Y);
  } else {
    if (Fresh) {
      Status = NewImage (Hii.Owner (), kFreshWidth, kFreshHeight, Blt);
    }
    if (Status == EFI_SUCCESS) {
      Shown = ShownCount (Line, Flags, **Blt, X, Y);
    }
    for (UINTN Index = 0; (Status == EFI_SUCCESS) && ((*Blt)->Image.Bitmap != nullptr) && (Index < Shown); Index++) {
      DrawCell (Hii, Text[Index], Line.Widths[Index], Colours, (Flags & EFI_HII_OUT_FLAG_TRANSPARENT) != 0,
        (*Blt)->Image.Bitmap, (*Blt)->Width, (*Blt)->Height, X + Line.Columns[Index], Y);
    }
  }
  if (Status == EFI_SUCCESS) {
    Status = ReportLayout (Hii, Line, Shown, Rows, RowCount, Columns);
  }
  if ((Status != EFI_SUCCESS) && Fresh && (*Blt != nullptr)) {
    // A failed call hands out nothing: the image made for it goes back to the pool.
    if ((*Blt)->Image.Bitmap != nullptr) {
      (VOID)Hii.Owner ().Memory ().Free ((*Blt)->Image.Bitmap);  // our own blocks: freeing cannot fail
    }
    (VOID)Hii.Owner ().Memory ().Free (*Blt);
    *Blt = nullptr;
  }
  return Status;
}

EFI_STATUS EFIAPI
FontStringToImage (CONST EFI_HII_FONT_PROTOCOL *This, EFI_HII_OUT_FLAGS Flags, CONST EFI_STRING String,
  CONST EFI_FONT_DISPLAY_INFO *Info, EFI_IMAGE_OUTPUT **Blt, UINTN X, UINTN Y, EFI_HII_ROW_INFO **Rows,
  UINTN *RowCount, UINTN *Columns)
{
  return Guarded ([&] {
    return StringToImageBody (*OwnerOf<HiiServices> (This), Flags, String, Info, Blt, X, Y, Rows, RowCount, Columns);
  });
}

// A string id drawn without a language is drawn in the system's current one.
std::string
SystemLanguage (const Machine &Owner)
{
  const VARIABLE  *Current = Owner.Variables ().Lookup (u"PlatformLang", gEfiGlobalVariableGuid);

  if ((Current == nullptr) || Current->Data.empty ()) {
    return "en-US";
  }
  return std::string ((const char *)Current->Data.data (), strnlen ((const char *)Current->Data.data (),
                        Current->Data.size ()));
}

EFI_STATUS EFIAPI
FontStringIdToImage (CONST EFI_HII_FONT_PROTOCOL *This, EFI_HII_OUT_FLAGS Flags, EFI_HII_HANDLE Handle, EFI_STRING_ID Id,
  CONST CHAR8 *Language, CONST EFI_FONT_DISPLAY_INFO *Info, EFI_IMAGE_OUTPUT **Blt, UINTN X, UINTN Y,
  EFI_HII_ROW_INFO **Rows, UINTN *RowCount, UINTN *Columns)
{
  return Guarded ([&] {
    HiiServices  &Hii = *OwnerOf<HiiServices> (This);
    std::string  Tag  = (Language != nullptr) ? std::string (Language, strnlen (Language, 256))
                                              : SystemLanguage (Hii.Owner ());
    UINTN        Size = 0;
    EFI_STATUS   Status = Hii.GetString (Tag.c_str (), Handle, Id, nullptr, &Size);
    if (Status != EFI_BUFFER_TOO_SMALL) {
      return Status;
    }
    std::vector<CHAR16>  Text (Size / sizeof (CHAR16) + 1, 0);
    Status = Hii.GetString (Tag.c_str (), Handle, Id, Text.data (), &Size);
    if (Status != EFI_SUCCESS) {
      return Status;
    }
    return StringToImageBody (Hii, Flags, Text.data (), Info, Blt, X, Y, Rows, RowCount, Columns);
  });
}

// The fake font has no named fonts to report.
EFI_STATUS EFIAPI
FontGetFontInfo (CONST EFI_HII_FONT_PROTOCOL *, EFI_FONT_HANDLE *, CONST EFI_FONT_DISPLAY_INFO *,
  EFI_FONT_DISPLAY_INFO **, CONST EFI_STRING)
{
  return EFI_NOT_FOUND;
}

}  // namespace

void
FillFontProtocol (EFI_HII_FONT_PROTOCOL *Protocol)
{
  Protocol->StringToImage   = FontStringToImage;
  Protocol->StringIdToImage = FontStringIdToImage;
  Protocol->GetGlyph        = FontGetGlyph;
  Protocol->GetFontInfo     = FontGetFontInfo;
}

}  // namespace Emu
