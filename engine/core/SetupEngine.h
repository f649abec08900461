/** @file
  The setup engine's main routine and its counterpart, and the small HII helpers
  that the rest of the engine calls for protocols, strings and text widths.
**/
#ifndef ENGINE_SETUP_ENGINE_H_
#define ENGINE_SETUP_ENGINE_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>
#include <Protocol/UnicodeCollation.h>

/**
  The driver's main routine: registers the engine's package list, locates the HII
  protocols, loads the compiled setup data and the variable cache, runs the start-up
  hook and installs the boot-screen interface, the form browser and the companion
  interface on one new handle.

  @return The first failing status; on failure nothing stays installed or allocated.
**/
EFI_STATUS
EFIAPI
SetupEngineDriverEntry (
  IN EFI_HANDLE        ImageHandle,
  IN EFI_SYSTEM_TABLE  *SystemTable
  );

/** Tears the engine down and returns Status unchanged. */
EFI_STATUS
SetupEngineCleanup (
  IN EFI_STATUS  Status
  );

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

// GetStringDisplayWidth's unit: a text cell (8 pixels) is this many units wide.
#define WIDTH_UNITS_PER_CELL  19

/** The width of a string in units of WIDTH_UNITS_PER_CELL per 8-pixel cell; 0 for a null or empty string. */
UINT64
GetStringDisplayWidth (
  IN CONST CHAR16  *String
  );

/** Removes one form browser instance from the system. The argument is not used. */
VOID
UninstallFormBrowser2 (
  IN EFI_HANDLE  Handle
  );

/** The callback of the boot-menu flow (flow 6) of the boot-flow table. */
EFI_STATUS
BootMenuFlowCallback (
  IN VOID  *Row
  );

/**
  Frees what the clean-up leaves in the pool (the default caches and the store
  copies) and forgets what the start-up recorded (installed interfaces, protocol
  pointers, the engine's handles) without any other call into the firmware. A host
  run that starts the engine on a new machine calls it after tearing the previous
  engine down, while the old machine's pool is still there.
**/
VOID
ResetEngineState (
  VOID
  );

#endif
