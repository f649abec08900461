/** @file
  Reading the hand-off block list the earlier boot phases leave: the boot mode and
  GUID-tagged blocks. Every walk is bounded by the list's end that the hand-off
  information table records, and a block whose length is below its header or runs
  past that end stops the walk.
**/
#ifndef LIBRARY_HOB_LIB_H_
#define LIBRARY_HOB_LIB_H_

#include <Uefi.h>
#include <Pi/PiHob.h>

// The list from the system configuration table, or null.
VOID *GetHobList (VOID);

// The boot mode of the list's hand-off information table; BOOT_WITH_FULL_CONFIGURATION
// when there is no list or it does not start with a valid table.
EFI_BOOT_MODE GetBootModeHob (VOID);
EFI_BOOT_MODE GetBootModeFromHobList (IN CONST VOID *HobList);

// The first GUID-tagged block with Guid, or null; the data follows the returned header
// up to its HobLength.
CONST EFI_HOB_GUID_TYPE *GetFirstGuidHob (IN CONST EFI_GUID *Guid);
CONST EFI_HOB_GUID_TYPE *FindGuidHobInList (IN CONST VOID *HobList, IN CONST EFI_GUID *Guid);

#endif
