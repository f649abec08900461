/** @file
  The vendor GUID of the UEFI global variables ("BootOrder", "PlatformLang", ...).
**/
#ifndef GUID_GLOBAL_VARIABLE_H_
#define GUID_GLOBAL_VARIABLE_H_

#include <Uefi.h>

#define EFI_GLOBAL_VARIABLE_GUID \
  { 0x8BE4DF61, 0x93CA, 0x11D2, { 0xAA, 0x0D, 0x00, 0xE0, 0x98, 0x03, 0x2B, 0x8C } }
extern EFI_GUID gEfiGlobalVariableGuid;

#endif
