/** @file
  HII strings in the platform language, the HII protocols, strings added in a
  package list's language, and the size and display width of text.
**/
#ifndef ENGINE_STRINGS_H_
#define ENGINE_STRINGS_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>
#include <Protocol/GraphicsOutput.h>
#include <Protocol/UnicodeCollation.h>

#define PLATFORM_LANGUAGE_CACHE_SIZE  40

// The 8-bit "PlatformLang" once read: at most 39 characters and a terminator.
extern CHAR8  gPlatformLanguage[PLATFORM_LANGUAGE_CACHE_SIZE];

// A package-list handle of all ones stands for the engine's own list.
#define ENGINE_OWN_HII_HANDLE  ((EFI_HII_HANDLE)(UINTN)~(UINTN)0)

// A string id of all ones names no string: a title or item left out, or a string not added.
#define NO_STRING  0xFFFF

/**
  Reads "PlatformLang" again into the cache: a driver's callback (OVMF's front page)
  or the engine's own language question may have changed it since it was read.

  @return TRUE when the language differs from the one cached before.
**/
BOOLEAN
RefreshPlatformLanguage (
  VOID
  );

/**
  String StringId of a package list as a new pool string (the caller frees it).

  @param[in] Language  Optional; null means the platform language. When the string
                       cannot be read in the language, "en-US" is tried.

  @return The string, or null when the HII protocols are missing or every try fails.
**/
CHAR16 *
HiiGetString (
  IN EFI_HII_HANDLE  HiiHandle,
  IN EFI_STRING_ID   StringId,
  IN CONST CHAR16    *Language OPTIONAL
  );

/**
  Renders String with the HII font into a new bitmap of Width x Height pixels and
  reports the size of what was drawn.

  @param[out] Bitmap  The new bitmap, the caller's to free.

  @retval EFI_INVALID_PARAMETER  A null argument, or Width or Height 0 or too large.
  @retval EFI_OUT_OF_RESOURCES   The bitmap could not be allocated.
  @return Other                  The HII font's failure; nothing is handed out.
**/
EFI_STATUS
GetStringPixelWidth (
  IN  CONST CHAR16                   *String,
  IN  UINTN                          Width,
  IN  UINTN                          Height,
  OUT UINTN                          *OutWidth,
  OUT EFI_GRAPHICS_OUTPUT_BLT_PIXEL  **Bitmap,
  OUT UINTN                          *OutHeight
  );

/** Locates the HII font, database and string protocols and, once, the configuration routing. */
EFI_STATUS
LocateHiiProtocols (
  VOID
  );

/**
  Adds (StringId 0) or replaces one string in the package list's language that best
  matches Language.

  @return The string's id; 0xFFFF when String is null, the package list has no
          language that matches, or the HII string protocol fails.
**/
UINT16
NewStringInLanguage (
  IN EFI_HII_HANDLE  HiiHandle,
  IN UINT16          StringId,
  IN CONST CHAR16    *Language,
  IN CONST CHAR16    *String
  );

EFI_STATUS
LocateUnicodeCollation (
  OUT EFI_UNICODE_COLLATION_PROTOCOL  **Collation
  );

//
// Pixel width of each UTF-16 code unit (0 = not yet asked), allocated on first use.
//
#define GLYPH_WIDTH_TABLE_SIZE  65536
extern UINT8  *gGlyphWidthTable;

// GetStringDisplayWidth's unit: a text cell (8 pixels) is this many units wide.
#define WIDTH_UNITS_PER_CELL  19

/** The width of a string in units of WIDTH_UNITS_PER_CELL per 8-pixel cell; 0 for a null or empty string. */
UINT64
GetStringDisplayWidth (
  IN CONST CHAR16  *String
  );

#endif
