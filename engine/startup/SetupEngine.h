/** @file
  The setup engine's main routine and its counterpart.
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

/** Removes one form browser instance from the system. The argument is not used. */
VOID
UninstallFormBrowser2 (
  IN EFI_HANDLE  Handle
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

/**
  Connects the calls that run against the direction of the engine's parts: fills the
  tables of function pointers that the lower parts keep (the variable cache's, the
  forms', the choice control's legacy step, the boot-screen interface and the front
  end's services). The driver's main routine calls it first; so does a host run that
  drives the engine's parts without it.
**/
VOID
ConnectEngineParts (
  VOID
  );

#endif
