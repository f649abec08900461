/** @file
  The HII protocols the engine uses, strings added in a package list's language, the
  Unicode collation protocol, and the display width of strings.
**/
#include <engine/core/EngineStrings.h>
#include <engine/core/EngineGlobals.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>

static EFI_GUID  mCollationGuid         = EFI_UNICODE_COLLATION_PROTOCOL_GUID;
static EFI_GUID  mCollation2Guid        = EFI_UNICODE_COLLATION_PROTOCOL2_GUID;
static EFI_GUID  mHiiConfigRoutingGuid  = EFI_HII_CONFIG_ROUTING_PROTOCOL_GUID;
static EFI_GUID  mHiiStringGuid         = EFI_HII_STRING_PROTOCOL_GUID;
static EFI_GUID  mHiiDatabaseGuid       = EFI_HII_DATABASE_PROTOCOL_GUID;
static EFI_GUID  mHiiFontGuid           = EFI_HII_FONT_PROTOCOL_GUID;

UINT8  *gGlyphWidthTable = NULL;
#define CELL_PIXELS             8
#define INVALID_STRING_ID       0xFFFF
#define LANGUAGES_BUFFER_SIZE   4096

EFI_STATUS
LocateHiiProtocols (
  VOID
  )
{
  EFI_STATUS  Status;

  Status = gBS->LocateProtocol (&mHiiFontGuid, NULL, (VOID **)&gHiiFont);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Status = gBS->LocateProtocol (&mHiiDatabaseGuid, NULL, (VOID **)&gHiiDatabase);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Status = gBS->LocateProtocol (&mHiiStringGuid, NULL, (VOID **)&gHiiString);
  if (EFI_ERROR (Status) || gHiiConfigRoutingLocated) {
    return Status;
  }

  Status = gBS->LocateProtocol (&mHiiConfigRoutingGuid, NULL, (VOID **)&gHiiConfigRouting);
  if (!EFI_ERROR (Status)) {
    gHiiConfigRoutingLocated = 1;
  }

  return Status;
}

// The 8-bit copy of a language code; other characters than ASCII cannot match.
static CHAR8 *
ToAsciiLanguage (
  IN CONST CHAR16  *Language
  )
{
  UINTN  Length = StrLen (Language);
  CHAR8  *Ascii = (CHAR8 *)AllocateZeroPool (Length + 1);

  for (UINTN Index = 0; (Ascii != NULL) && (Index < Length); Index++) {
    Ascii[Index] = (Language[Index] < 0x80) ? (CHAR8)Language[Index] : '?';
  }

  return Ascii;
}

// The package list's languages, read with one retry at the size the first call asks for.
static CHAR8 *
GetPackageLanguages (
  IN EFI_HII_HANDLE  HiiHandle
  )
{
  UINTN       Size      = LANGUAGES_BUFFER_SIZE;
  CHAR8       *Languages = (CHAR8 *)AllocateZeroPool (Size + 1);
  EFI_STATUS  Status;

  if (Languages == NULL) {
    return NULL;
  }

  Status = gHiiString->GetLanguages (gHiiString, HiiHandle, Languages, &Size);
  if (Status == EFI_BUFFER_TOO_SMALL) {
    FreePool (Languages);
    Languages = (CHAR8 *)AllocateZeroPool (Size + 1);
    Status    = (Languages == NULL) ? EFI_OUT_OF_RESOURCES : gHiiString->GetLanguages (gHiiString, HiiHandle, Languages, &Size);
  }

  if (EFI_ERROR (Status) || (Languages[0] == 0)) {
    FreeAndNull (Languages);
  }

  return Languages;
}

UINT16
NewStringInLanguage (
  IN EFI_HII_HANDLE  HiiHandle,
  IN UINT16          StringId,
  IN CONST CHAR16    *Language,
  IN CONST CHAR16    *String
  )
{
  CHAR8          *Ascii;
  CHAR8          *Languages;
  CHAR8          *Best      = NULL;
  EFI_STRING_ID  Result     = INVALID_STRING_ID;
  EFI_STATUS     Status;

  if ((String == NULL) || (Language == NULL) || EFI_ERROR (LocateHiiProtocols ())) {
    return INVALID_STRING_ID;
  }

  Ascii     = ToAsciiLanguage (Language);
  Languages = GetPackageLanguages (HiiHandle);
  if ((Ascii != NULL) && (Languages != NULL)) {
    Best = GetBestLanguage (Languages, FALSE, Ascii, (CONST CHAR8 *)NULL);
  }

  if (Best != NULL) {
    if (StringId != 0) {
      Status = gHiiString->SetString (gHiiString, HiiHandle, StringId, Best, (EFI_STRING)String, NULL);
      Result = EFI_ERROR (Status) ? INVALID_STRING_ID : StringId;
    } else {
      Status = gHiiString->NewString (gHiiString, HiiHandle, &Result, Best, NULL, (EFI_STRING)String, NULL);
      Result = EFI_ERROR (Status) ? INVALID_STRING_ID : Result;
    }
  }

  FreePool (Ascii);
  FreePool (Languages);
  FreePool (Best);
  return Result;
}

EFI_STATUS
LocateUnicodeCollation (
  OUT EFI_UNICODE_COLLATION_PROTOCOL  **Collation
  )
{
  if (!EFI_ERROR (gBS->LocateProtocol (&mCollation2Guid, NULL, (VOID **)Collation))) {
    return EFI_SUCCESS;
  }

  return gBS->LocateProtocol (&mCollationGuid, NULL, (VOID **)Collation);
}

// Asks the font for one glyph and stores the low byte of its width at Slot.
static EFI_STATUS
AskGlyphWidth (
  IN  CHAR16   Char,
  IN  UINTN    Slot,
  OUT BOOLEAN  *HasImage
  )
{
  EFI_IMAGE_OUTPUT  *Image = NULL;
  EFI_STATUS        Status;

  Status    = gHiiFont->GetGlyph (gHiiFont, Char, NULL, &Image, NULL);
  *HasImage = (!EFI_ERROR (Status) && (Image != NULL));
  if (!*HasImage) {
    return Status;
  }

  gGlyphWidthTable[Slot] = (UINT8)Image->Width;
  FreePool (Image->Image.Bitmap);
  FreePool (Image);
  return EFI_SUCCESS;
}

//
// A character without a glyph counts as a space: the font is asked for the space
// each time, its width lands at the space's slot, and the character's slot stays 0
// so that it is asked for again at its next use.
//
static EFI_STATUS
LearnGlyphWidth (
  IN  CHAR16  Char,
  OUT UINT8   *Width
  )
{
  BOOLEAN     HasImage;
  EFI_STATUS  Status;

  Status = AskGlyphWidth (Char, Char, &HasImage);
  if (!EFI_ERROR (Status) && !HasImage) {
    Status = AskGlyphWidth (u' ', u' ', &HasImage);
    *Width = gGlyphWidthTable[u' '];
    return Status;
  }

  *Width = gGlyphWidthTable[Char];
  return Status;
}

UINT64
GetStringDisplayWidth (
  IN CONST CHAR16  *String
  )
{
  UINT64  Pixels = 0;
  UINT8   Width;

  if ((String == NULL) || (*String == 0)) {
    return 0;
  }

  if (gGlyphWidthTable == NULL) {
    gGlyphWidthTable = (UINT8 *)AllocateZeroPool (GLYPH_WIDTH_TABLE_SIZE);
    if (gGlyphWidthTable == NULL) {
      return 0;
    }
  }

  if ((gHiiFont == NULL) && EFI_ERROR (LocateHiiProtocols ())) {
    return 0;
  }

  // A glyph error ends the sum, which is still given in width units.
  for (; *String != 0; String++) {
    Width = gGlyphWidthTable[*String];
    if ((Width == 0) && EFI_ERROR (LearnGlyphWidth (*String, &Width))) {
      break;
    }

    Pixels += Width;
  }

  return (Pixels / CELL_PIXELS) * WIDTH_UNITS_PER_CELL;
}
