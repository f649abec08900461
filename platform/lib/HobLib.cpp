/** @file
  Boot mode and GUID-tagged blocks from the hand-off block list.
**/
#include <Library/HobLib.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/UefiLib.h>
#include <Guid/HobList.h>

// The list must open with a hand-off information table; its end-of-list address
// bounds every walk (the end block itself included).
static CONST EFI_HOB_HANDOFF_INFO_TABLE *
HandoffTable (CONST VOID *HobList, CONST UINT8 **End)
{
  CONST EFI_HOB_HANDOFF_INFO_TABLE  *Handoff = (CONST EFI_HOB_HANDOFF_INFO_TABLE *)HobList;
  UINTN                             Start    = (UINTN)HobList;

  if ((HobList == nullptr) || (Handoff->Header.HobType != EFI_HOB_TYPE_HANDOFF) ||
      (Handoff->Header.HobLength < sizeof (EFI_HOB_HANDOFF_INFO_TABLE))) {
    return nullptr;
  }

  UINTN  Last = (UINTN)Handoff->EfiEndOfHobList;
  if ((Last < Start + Handoff->Header.HobLength) || (Last > MAX_UINTN - sizeof (EFI_HOB_GENERIC_HEADER))) {
    return nullptr;
  }

  *End = (CONST UINT8 *)(Last + sizeof (EFI_HOB_GENERIC_HEADER));
  return Handoff;
}

EFI_BOOT_MODE
GetBootModeFromHobList (IN CONST VOID *HobList)
{
  CONST UINT8                       *End;
  CONST EFI_HOB_HANDOFF_INFO_TABLE  *Handoff = HandoffTable (HobList, &End);

  return (Handoff == nullptr) ? BOOT_WITH_FULL_CONFIGURATION : Handoff->BootMode;
}

CONST EFI_HOB_GUID_TYPE *
FindGuidHobInList (IN CONST VOID *HobList, IN CONST EFI_GUID *Guid)
{
  CONST UINT8  *End;
  CONST UINT8  *Current;

  if ((Guid == nullptr) || (HandoffTable (HobList, &End) == nullptr)) {
    return nullptr;
  }

  for (Current = (CONST UINT8 *)HobList; (UINTN)(End - Current) >= sizeof (EFI_HOB_GENERIC_HEADER); ) {
    CONST EFI_HOB_GENERIC_HEADER  *Header = (CONST EFI_HOB_GENERIC_HEADER *)Current;

    if ((Header->HobType == EFI_HOB_TYPE_END_OF_HOB_LIST) || (Header->HobLength < sizeof (*Header)) ||
        (Header->HobLength > (UINTN)(End - Current))) {
      return nullptr;
    }

    if ((Header->HobType == EFI_HOB_TYPE_GUID_EXTENSION) && (Header->HobLength >= sizeof (EFI_HOB_GUID_TYPE)) &&
        CompareGuid (&((CONST EFI_HOB_GUID_TYPE *)Header)->Name, Guid)) {
      return (CONST EFI_HOB_GUID_TYPE *)Header;
    }

    Current += Header->HobLength;
  }

  return nullptr;
}

VOID *
GetHobList (VOID)
{
  VOID  *HobList = nullptr;

  (VOID)GetSystemConfigurationTable (&gEfiHobListGuid, &HobList);   // null when absent
  return HobList;
}

EFI_BOOT_MODE
GetBootModeHob (VOID)
{
  return GetBootModeFromHobList (GetHobList ());
}

CONST EFI_HOB_GUID_TYPE *
GetFirstGuidHob (IN CONST EFI_GUID *Guid)
{
  return FindGuidHobInList (GetHobList (), Guid);
}
