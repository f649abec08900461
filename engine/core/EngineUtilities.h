/** @file
  Small services of the engine that many parts share: HII strings in the platform
  language, rendered text sizes, the password record and password encoding, raw
  sections of firmware volumes, the boot graphics ACPI table, the shift-state match
  of hotkeys, bitmap scaling, the secure-boot violation dialogs and the callbacks of
  the boot-flow table.
**/
#ifndef ENGINE_UTILITIES_H_
#define ENGINE_UTILITIES_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>
#include <Protocol/GraphicsOutput.h>
#include <engine/core/SetupDataFormat.h>

//
// Strings and text.
//
#define PLATFORM_LANGUAGE_CACHE_SIZE  40

// The 8-bit "PlatformLang" once read: at most 39 characters and a terminator.
extern CHAR8  gPlatformLanguage[PLATFORM_LANGUAGE_CACHE_SIZE];

// A package-list handle of all ones stands for the engine's own list.
#define ENGINE_OWN_HII_HANDLE  ((EFI_HII_HANDLE)(UINTN)~(UINTN)0)

// A string id of all ones names no string: a title or item left out, or a string not added.
#define NO_STRING  0xFFFF

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

//
// A buffer that held a password: zeroed before it goes back to the pool. Null is ignored.
VOID
FreeSecret (
  IN VOID   *Buffer,
  IN UINTN  Size
  );

// A typed text that may hold a password: its characters and terminator zeroed, then
// freed, and the caller's pointer cleared. A null text is ignored.
VOID
FreeSecretText (
  IN OUT CHAR16  **Text
  );

// Whether a 40-byte field of the password record holds a password (any byte not 0).
BOOLEAN
IsPasswordFieldSet (
  IN CONST UINT8  *Field
  );

// Passwords: variable 5 holds two 40-byte password fields and one byte.
//
/**
  The password record: the cached copy of variable 5 when it holds at least 81
  bytes, else the variable read afresh.

  @param[out] Data  A new buffer (it holds passwords: zero it before freeing).

  @retval EFI_NOT_FOUND  Neither the cache nor the store has the variable.
**/
EFI_STATUS
GetPasswordRecord (
  OUT UINT8  **Data,
  OUT UINTN  *Size
  );

// The two password fields as bits: which are set (GetPasswordStatus) and which a
// password prompt accepts.
#define PASSWORD_FIELD_FIRST   0x1
#define PASSWORD_FIELD_SECOND  0x2
#define PASSWORD_FIELD_BOTH    (PASSWORD_FIELD_FIRST | PASSWORD_FIELD_SECOND)

/** The PASSWORD_FIELD_* bits of the fields that are set; 0 without a record of 81 bytes or more. */
UINT32
GetPasswordStatus (
  VOID
  );

/**
  A new copy of Password, encoded through hook 0xFFFF0014 over Size bytes; an empty
  password is copied unencoded. The copy holds Size bytes (zero past the password)
  and a terminator. The caller frees it; null when it cannot be allocated.
**/
CHAR16 *
DuplicateAndEncodePassword (
  IN CONST CHAR16  *Password,
  IN UINTN         Size
  );

/** Whether the stored value of a STRING or PASSWORD control is not empty. */
BOOLEAN
IsStringValueSet (
  IN CONST CONTROL_RECORD  *Control
  );

/** Whether String equals the stored value of a STRING or PASSWORD control (encoded first when the control stores encoded values). */
BOOLEAN
CompareStringValue (
  IN CONST CONTROL_RECORD  *Control,
  IN CONST CHAR16          *String
  );

//
// Keys.
//
/**
  Whether a key's shift state matches a pattern. Bit 31 (state valid) is ignored;
  for each modifier pair (shift 0x3, control 0xC, alt 0x30, logo 0xC0) with both
  bits in the pattern, either key of the pair matches; the other bits must be equal.
**/
BOOLEAN
MatchShiftState (
  IN UINT32  Actual,
  IN UINT32  Pattern
  );

//
// The boot graphics ACPI table that the logo code publishes, and its table key.
//
extern UINT8  *gBootLogoTable;       // a 56-byte copy in pool; null when none is kept
extern UINTN  gBootLogoTableKey;

/**
  Marks the boot-logo table as no longer shown: status byte 0, its old value added to
  the checksum (the byte sum stays 0), and the table published again under a new key.
**/
VOID
InvalidateBootLogoTable (
  VOID
  );

/** Uninstalls the boot-logo table; on success frees its image and the copy. */
VOID
RemoveBootLogoTable (
  VOID
  );

//
// Images.
//
/**
  Scales a bitmap of 32-bit pixels bilinearly (8.8 fixed-point steps); at the right and
  bottom edges the edge pixels stand in for the missing neighbours. The reserved byte
  of the target is not written.

  @retval EFI_INVALID_PARAMETER  A null bitmap or a zero width or height.
**/
EFI_STATUS
ScaleBitmap (
  IN  CONST EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Source,
  IN  UINTN                                SourceWidth,
  IN  UINTN                                SourceHeight,
  OUT EFI_GRAPHICS_OUTPUT_BLT_PIXEL        *Target,
  IN  UINTN                                TargetWidth,
  IN  UINTN                                TargetHeight
  );

//
// Firmware volumes.
//
/**
  Reads the first raw section of a firmware file from the first of the given volume
  handles that has it. Handles is a pool buffer; it is freed in every case.

  @param[in,out] Buffer, Size  As FV2 ReadSection takes them (a null *Buffer: a new one).

  @retval EFI_WARN_BUFFER_TOO_SMALL, EFI_BUFFER_TOO_SMALL
                                A volume has the section and it does not fit, as that
                                volume answered; no further volume is asked.
  @retval EFI_NOT_FOUND         No volume has it.
**/
EFI_STATUS
ReadFvFileSection (
  IN     CONST EFI_GUID  *FileGuid,
  IN OUT VOID            **Buffer,
  IN OUT UINTN           *Size,
  IN     EFI_HANDLE      *Handles,
  IN     UINTN           HandleCount
  );

//
// Boot-time security.
//
// Set once a drive's security freeze has succeeded during this boot.
extern BOOLEAN  gHddSecurityNotified;

/** Calls the fifth operation of each hard-disk security instance until one succeeds, once per boot. */
VOID
NotifyHddSecurityOnce (
  VOID
  );

/** For EFI_SECURITY_VIOLATION: the "Secure Boot Violation" dialog on a cleared text screen. */
VOID
ShowSecureBootViolation (
  IN EFI_STATUS  Status
  );

/**
  The same dialog for EFI_SECURITY_VIOLATION or EFI_ACCESS_DENIED while an image is
  being booted: boot-screen state 5 meanwhile, the boot-logo table invalidated after.
**/
VOID
ShowSecureBootViolationAtBoot (
  IN EFI_STATUS  Status
  );

//
// Callbacks of boot-flow table rows (each takes its row).
//
/** Row 0xA: boots the option a boot hotkey chose; EFI_NOT_FOUND when none was chosen. */
EFI_STATUS
HotkeyBootFlowCallback (
  IN VOID  *Row
  );

/** Leaves the boot loop for boot flow 7. */
EFI_STATUS
LeaveBootFlowCallback (
  IN VOID  *Row
  );

/**
  Row 0xB: draws the boot-time image of the image-resource protocol (a BMP image, at
  placement 9 and the position the protocol gives), then releases it.

  @return The release's status; the locate failure when there is no such protocol.
**/
EFI_STATUS
BoardImageFlowCallback (
  IN VOID  *Row
  );

//
// Pages.
//
/** Class and subclass of the dynamic-page entry of a package list; EFI_INVALID_PARAMETER when it has none. */
EFI_STATUS
GetDynamicPageClass (
  IN  EFI_HII_HANDLE  HiiHandle,
  OUT UINT16          *Class,
  OUT UINT16          *SubClass
  );

#endif
