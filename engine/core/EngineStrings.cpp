/** @file
  HII strings in the platform language, and the size of rendered text.
**/
#include <engine/core/EngineStrings.h>
#include <engine/core/EngineGlobals.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>
#include <Guid/GlobalVariable.h>

#define ENGLISH_LANGUAGE  "en-US"

CHAR8  gPlatformLanguage[PLATFORM_LANGUAGE_CACHE_SIZE];

//
// "PlatformLang" into the 40-byte cache. A longer value (no RFC 4646 tag a firmware
// offers is that long) is cut to what fits, so it can never run past the cache.
//
static BOOLEAN
CachePlatformLanguage (
  VOID
  )
{
  CHAR8  *Value = NULL;
  UINTN  Size   = 0;
  UINTN  Length;

  if (EFI_ERROR (GetVariableBuffer (u"PlatformLang", &gEfiGlobalVariableGuid, (VOID **)&Value, &Size, NULL))) {
    return FALSE;
  }

  Length = AsciiStrnLenS (Value, Size);
  if (Length >= PLATFORM_LANGUAGE_CACHE_SIZE) {
    Length = PLATFORM_LANGUAGE_CACHE_SIZE - 1;
  }

  ZeroMem (gPlatformLanguage, sizeof (gPlatformLanguage));
  CopyMem (gPlatformLanguage, Value, Length);
  FreePool (Value);
  return Length != 0;
}

BOOLEAN
RefreshPlatformLanguage (
  VOID
  )
{
  CHAR8  Before[PLATFORM_LANGUAGE_CACHE_SIZE];

  CopyMem (Before, gPlatformLanguage, sizeof (Before));
  if (!CachePlatformLanguage ()) {
    ZeroMem (gPlatformLanguage, sizeof (gPlatformLanguage));   // gone: the next look-up reads it again
  }

  return (BOOLEAN)(CompareMem (Before, gPlatformLanguage, sizeof (Before)) != 0);
}

// The language to ask for, into Language (PLATFORM_LANGUAGE_CACHE_SIZE bytes).
static VOID
ChooseLanguage (
  IN  CONST CHAR16  *Given OPTIONAL,
  OUT CHAR8         *Language
  )
{
  UINTN  Index = 0;

  if (Given != NULL) {
    // Language tags are ASCII: each unit keeps its low byte.
    for (; (Index < PLATFORM_LANGUAGE_CACHE_SIZE - 1) && (Given[Index] != 0); Index++) {
      Language[Index] = (CHAR8)Given[Index];
    }

    Language[Index] = 0;
    return;
  }

  if ((gPlatformLanguage[0] != 0) || CachePlatformLanguage ()) {
    CopyMem (Language, gPlatformLanguage, PLATFORM_LANGUAGE_CACHE_SIZE);
    return;
  }

  (VOID)AsciiStrCpyS (Language, PLATFORM_LANGUAGE_CACHE_SIZE, ENGLISH_LANGUAGE);   // fits by construction
}

CHAR16 *
HiiGetString (
  IN EFI_HII_HANDLE  HiiHandle,
  IN EFI_STRING_ID   StringId,
  IN CONST CHAR16    *Language OPTIONAL
  )
{
  CHAR8  Chosen[PLATFORM_LANGUAGE_CACHE_SIZE];

  if (((gHiiString == NULL) && EFI_ERROR (LocateHiiProtocols ())) || (gHiiString == NULL)) {
    return NULL;
  }

  ChooseLanguage (Language, Chosen);
  if (HiiHandle == ENGINE_OWN_HII_HANDLE) {
    HiiHandle = gHiiHandle;
  }

  // The base library asks in the chosen language and then, unless it was that already, in "en-US".
  return LibHiiGetString (HiiHandle, StringId, Chosen);
}

// The drawn size: the widest row and the rows' heights together.
static VOID
MeasureRows (
  IN  CONST EFI_HII_ROW_INFO  *Rows,
  IN  UINTN                   RowCount,
  OUT UINTN                   *Width,
  OUT UINTN                   *Height
  )
{
  *Width  = 0;
  *Height = 0;
  for (UINTN Index = 0; (Rows != NULL) && (Index < RowCount); Index++) {
    *Width   = (Rows[Index].LineWidth > *Width) ? Rows[Index].LineWidth : *Width;
    *Height += Rows[Index].LineHeight;
  }
}

EFI_STATUS
GetStringPixelWidth (
  IN  CONST CHAR16                   *String,
  IN  UINTN                          Width,
  IN  UINTN                          Height,
  OUT UINTN                          *OutWidth,
  OUT EFI_GRAPHICS_OUTPUT_BLT_PIXEL  **Bitmap,
  OUT UINTN                          *OutHeight
  )
{
  EFI_IMAGE_OUTPUT  Image;
  EFI_IMAGE_OUTPUT  *Target = &Image;
  EFI_HII_ROW_INFO  *Rows   = NULL;
  UINTN             RowCount = 0;
  EFI_STATUS        Status;

  if ((String == NULL) || (OutWidth == NULL) || (Bitmap == NULL) || (OutHeight == NULL) || (Width == 0) ||
      (Height == 0) || (Width > 0xFFFF) || (Height > 0xFFFF))
  {
    return EFI_INVALID_PARAMETER;
  }

  if ((gHiiFont == NULL) && EFI_ERROR (LocateHiiProtocols ())) {
    return EFI_NOT_READY;
  }

  ZeroMem (&Image, sizeof (Image));
  Image.Width        = (UINT16)Width;
  Image.Height       = (UINT16)Height;
  Image.Image.Bitmap = (EFI_GRAPHICS_OUTPUT_BLT_PIXEL *)AllocateZeroPool (Width * Height * sizeof (EFI_GRAPHICS_OUTPUT_BLT_PIXEL));
  if (Image.Image.Bitmap == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  Status = gHiiFont->StringToImage (gHiiFont, EFI_HII_OUT_FLAG_CLIP, (EFI_STRING)String, NULL, &Target, 0, 0, &Rows,
                       &RowCount, NULL);
  if (EFI_ERROR (Status)) {
    FreePool (Image.Image.Bitmap);
    return Status;
  }

  MeasureRows (Rows, RowCount, OutWidth, OutHeight);
  FreePool (Rows);
  *Bitmap = Image.Image.Bitmap;
  return EFI_SUCCESS;
}
