/** @file
  Option lists of setup questions whose options are not fixed (boot priority,
  driver priority, the devices of a legacy group, the language): the question's IFR
  is rewritten with one ONE_OF_OPTION per current entry. Also readable device names
  from device paths.
**/
#ifndef ENGINE_TEXTUI_OPTION_LISTS_H_
#define ENGINE_TEXTUI_OPTION_LISTS_H_

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

#endif
