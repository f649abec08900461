/** @file
  What the dynamic-page build's files share: package and slot lookups and the steps
  of binding the compiled pages.
**/
#ifndef DYNAMIC_PAGES_INTERNAL_H_
#define DYNAMIC_PAGES_INTERNAL_H_

#include <engine/browser/DynamicPages.h>

#define FORM_SET_AT             4     // the first opcode, after the package header

UINT32
PackageLength (
  IN CONST UINT8  *Package
  );

BOOLEAN
SlotHasFormSet (
  IN CONST DYNAMIC_PAGE_RECORD  *Slot,
  IN CONST EFI_GUID             *Guid
  );

/** The id of the first form of the form set that package list HiiHandle holds; 0 when none is known. */
UINT16
FirstFormOfList (
  IN EFI_HII_HANDLE  HiiHandle
  );

EFI_STATUS
ListCandidates (
  OUT EFI_HII_HANDLE  **Candidates,
  OUT UINTN           *Count
  );

UINT32
CompiledPageCount (
  VOID
  );

EFI_STATUS
AllocateLinkBlocks (
  VOID
  );

VOID
BindFirstPageLinks (
  VOID
  );

VOID
CopyCompiledTables (
  VOID
  );

EFI_STATUS
BindCompiledPage (
  IN UINTN  Page
  );

#endif
