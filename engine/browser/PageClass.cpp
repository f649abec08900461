/** @file
  The class and subclass that a package list's form set gave its dynamic-page entry.
**/
#include <engine/browser/DynamicPages.h>

EFI_STATUS
GetDynamicPageClass (
  IN  EFI_HII_HANDLE  HiiHandle,
  OUT UINT16          *Class,
  OUT UINT16          *SubClass
  )
{
  if ((HiiHandle == NULL) || (Class == NULL) || (SubClass == NULL)) {
    return EFI_INVALID_PARAMETER;
  }

  for (UINTN Slot = 0; (gDynamicPageTable != NULL) && (Slot < gDynamicPageSlotCount); Slot++) {
    if (gDynamicPageTable[Slot].HiiHandle == HiiHandle) {
      *Class    = gDynamicPageTable[Slot].Class;
      *SubClass = gDynamicPageTable[Slot].SubClass;
      return EFI_SUCCESS;
    }
  }

  return EFI_INVALID_PARAMETER;
}
