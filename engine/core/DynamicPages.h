/** @file
  The dynamic-page table: one record per slot of the HII handle list, each with
  the engine's own copy of its form set's forms package. Every question opcode a
  working control record points at lies in one of these copies.
**/
#ifndef ENGINE_DYNAMIC_PAGES_H_
#define ENGINE_DYNAMIC_PAGES_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>

typedef struct {
  UINT8           *Package;      // the slot's copy of its forms package; null when reading it failed
  EFI_HII_HANDLE  HiiHandle;     // null when reading the package failed
  UINT16          Class;
  UINT64          ExportSize;    // buffer size of the slot's last export; non-zero: the copy is freed with the table
  UINT8           Parsed;
  UINT16          SubClass;
} DYNAMIC_PAGE_RECORD;

extern DYNAMIC_PAGE_RECORD  *gDynamicPageTable;
extern UINTN                gDynamicPageSlotCount;

#endif
