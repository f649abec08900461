/** @file
  Option lists of setup questions whose options are not fixed (boot priority,
  driver priority, the devices of a legacy group, the language): the question's IFR
  is rewritten with one ONE_OF_OPTION per current entry. Also readable device names
  from device paths.
**/
#ifndef ENGINE_BOOT_OPTION_LISTS_H_
#define ENGINE_BOOT_OPTION_LISTS_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>
#include <Protocol/DevicePath.h>
#include <Protocol/LegacyBios.h>

/**
  The text of the last messaging node of Path (a new pool string), or null when it
  has none or is not a whole device path.
**/
CHAR16      *GetDeviceNameOfPath (IN CONST EFI_DEVICE_PATH_PROTOCOL *Path);
/** GetDeviceNameOfPath of the device's path; null for a handle without one. */
CHAR16      *GetDeviceName (IN EFI_HANDLE Device, IN UINT16 BbsIndex, IN HDD_INFO *HddInfo OPTIONAL);

/**
  Rewrite a ONE_OF question with the visible boot (driver) options in table order,
  each named by its description and valued by its option number, then "Disabled"
  valued by the disabled marker; the option at table index Current is the default.

  @retval EFI_OUT_OF_RESOURCES  The question keeps its old options.
**/
EFI_STATUS  BuildBootOptionList (IN OUT CONTROL_RECORD *Control, IN UINT16 Current);
EFI_STATUS  BuildDriverOptionList (IN OUT CONTROL_RECORD *Control, IN UINT16 Current);
/**
  The same for the devices of the current legacy group (valued by BBS index); a
  ONE_OF question's storage offset moves into the group's indexes.

  @retval EFI_NOT_FOUND  No current group, or its group is not in the order.
**/
EFI_STATUS  BuildLegacyDeviceOptionList (IN OUT CONTROL_RECORD *Control, IN UINT16 Current);
/** One option per language of the list, valued by its index; the question moves to the engine's package list. */
EFI_STATUS  BuildLanguageOptions (IN OUT CONTROL_RECORD *Control);
/** Frees the question copies and string caches, once the controls that point into the copies are gone. */
VOID        ForgetRewrittenQuestions (VOID);

/** A new copy of the control's current value (Size bytes); null (Size 0) when it has none or it cannot be read. */
VOID        *GetQuestionValueCopy (IN CONST CONTROL_RECORD *Control, OUT UINTN *Size);

/**
  The language list from "PlatformLangCodes", else "PlatformLang", else "en-US",
  each language with its own name (engine string 1 in that language) added to the
  engine's package list in every language.

  @retval EFI_OUT_OF_RESOURCES  No entry could be made; the list is empty.
**/
EFI_STATUS  BuildLanguageList (VOID);
VOID        FreeLanguageList (VOID);

#endif
