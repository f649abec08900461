/** @file
  The configuration-table GUID under which the firmware publishes the HOB list.
**/
#ifndef GUID_HOB_LIST_H_
#define GUID_HOB_LIST_H_

#include <Uefi.h>
#include <Pi/PiHob.h>

#define HOB_LIST_GUID \
  { 0x7739F24C, 0x93D7, 0x11D4, { 0x9A, 0x3A, 0x00, 0x90, 0x27, 0x3F, 0xC1, 0x4D } }
extern EFI_GUID gEfiHobListGuid;

#endif
