/** @file
  The base library's own copies of the image handle and the service tables, and the
  constructor that fills them. The image entry calls PlatformLibConstructor before
  anything else; host tests call it with the emulator's (or a fake) system table.
**/
#ifndef LIBRARY_PLATFORM_LIB_H_
#define LIBRARY_PLATFORM_LIB_H_

#include <Uefi.h>

extern EFI_HANDLE            gLibImageHandle;
extern EFI_SYSTEM_TABLE      *gLibST;
extern EFI_BOOT_SERVICES     *gLibBS;
extern EFI_RUNTIME_SERVICES  *gLibRT;

// Stores the handle and the tables. EFI_INVALID_PARAMETER (and nothing stored) for a
// null system table or one without boot services.
EFI_STATUS PlatformLibConstructor (IN EFI_HANDLE ImageHandle, IN EFI_SYSTEM_TABLE *SystemTable);

#endif
