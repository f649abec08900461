/** @file
  The settings as they were last taken from or given to the stores: setup's
  baseline. Leaving setup asks about unsaved changes only when the cache has moved
  away from it, a save writes only what moved, and a discard puts back what no store
  can give again (a variable that was never written, the language written the
  moment it changed).

  A variable first read after the baseline was taken joins it as read, and values
  setup puts in place of stored ones no question can show (while pages are drawn)
  join it too: neither is the user's change, and a store nobody changed is never
  written.
**/
#include <engine/variables/VariableCacheInternal.h>
#include <engine/core/SetupData.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

static VARIABLE_CACHE_ENTRY  *mBaseline      = NULL;
static UINTN                 mBaselineCount = 0;
static UINTN                 mAdoptionDepth = 0;
// One byte per variable index: the user changed a value of it since the baseline was taken.
static UINT8                 *mEdited       = NULL;
static UINTN                 mEditedCount   = 0;

VOID
FreeCacheBaseline (
  VOID
  )
{
  FreeCacheArray (&mBaseline, mBaselineCount);
  mBaselineCount = 0;
  FreeAndNull (mEdited);
  mEditedCount = 0;
}

EFI_STATUS
TakeCacheBaseline (
  VOID
  )
{
  VARIABLE_CACHE_ENTRY  *Copy;

  FreeCacheBaseline ();
  if ((gVariableCache == NULL) || (gCurrentCacheCount == 0)) {
    return EFI_NOT_READY;
  }

  Copy = (VARIABLE_CACHE_ENTRY *)AllocateZeroPool (gCurrentCacheCount * sizeof (VARIABLE_CACHE_ENTRY));
  if (Copy == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  for (UINTN Index = 0; Index < gCurrentCacheCount; Index++) {
    if ((gVariableCache[Index].Data == NULL) || (gVariableCache[Index].Size == 0)) {
      continue;
    }

    Copy[Index].Data = AllocateCopyPool ((UINTN)gVariableCache[Index].Size, gVariableCache[Index].Data);
    if (Copy[Index].Data == NULL) {
      FreeCacheArray (&Copy, gCurrentCacheCount);
      return EFI_OUT_OF_RESOURCES;
    }

    Copy[Index].Size = gVariableCache[Index].Size;
  }

  mBaseline      = Copy;
  mBaselineCount = gCurrentCacheCount;
  return EFI_SUCCESS;
}

BOOLEAN
HasCacheBaseline (
  VOID
  )
{
  return (BOOLEAN)(mBaseline != NULL);
}

BOOLEAN
VariableDiffersFromBaseline (
  IN UINTN  Index
  )
{
  CONST VARIABLE_CACHE_ENTRY  *Now;
  CONST VARIABLE_CACHE_ENTRY  *Then;

  // Without a baseline nothing can be told apart: everything counts as changed.
  if ((mBaseline == NULL) || (gVariableCache == NULL)) {
    return TRUE;
  }

  if ((Index >= gCurrentCacheCount) || (Index >= mBaselineCount)) {
    return (BOOLEAN)((Index < gCurrentCacheCount) && (gVariableCache[Index].Size != 0));   // grown since
  }

  Now  = &gVariableCache[Index];
  Then = &mBaseline[Index];
  if (Now->Size != Then->Size) {
    return TRUE;
  }

  return (BOOLEAN)((Now->Size != 0) && (CompareMem (Now->Data, Then->Data, (UINTN)Now->Size) != 0));
}

EFI_STATUS
RestoreBaselineEntry (
  IN UINTN  Index
  )
{
  VOID  *Data;

  if ((mBaseline == NULL) || (gVariableCache == NULL) || (Index >= gCurrentCacheCount) || (Index >= mBaselineCount) ||
      (mBaseline[Index].Size == 0))
  {
    return EFI_NOT_FOUND;
  }

  Data = AllocateCopyPool ((UINTN)mBaseline[Index].Size, mBaseline[Index].Data);
  if (Data == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  SetEntry (&gVariableCache[Index], Data, (UINTN)mBaseline[Index].Size);
  return EFI_SUCCESS;
}

VOID
ExtendCacheBaseline (
  VOID
  )
{
  VARIABLE_CACHE_ENTRY  *Grown;

  if ((mBaseline == NULL) || (gVariableCache == NULL) || (gCurrentCacheCount <= mBaselineCount)) {
    return;
  }

  Grown = (VARIABLE_CACHE_ENTRY *)ReallocatePool (mBaselineCount * sizeof (VARIABLE_CACHE_ENTRY),
                                    gCurrentCacheCount * sizeof (VARIABLE_CACHE_ENTRY), mBaseline);
  if (Grown == NULL) {
    return;       // the new variables count as changed: leaving asks, nothing is lost
  }

  mBaseline = Grown;
  for (UINTN Index = mBaselineCount; Index < gCurrentCacheCount; Index++) {
    Grown[Index].Size = 0;
    Grown[Index].Data = ((gVariableCache[Index].Data == NULL) || (gVariableCache[Index].Size == 0)) ? NULL
                        : AllocateCopyPool ((UINTN)gVariableCache[Index].Size, gVariableCache[Index].Data);
    Grown[Index].Size = (Grown[Index].Data == NULL) ? 0 : gVariableCache[Index].Size;
  }

  mBaselineCount = gCurrentCacheCount;
}

VOID
BeginBaselineAdoption (
  VOID
  )
{
  mAdoptionDepth++;
}

VOID
EndBaselineAdoption (
  VOID
  )
{
  if (mAdoptionDepth > 0) {
    mAdoptionDepth--;
  }
}

VOID
NoteStoreRead (
  IN UINTN  Index
  )
{
  VARIABLE_CACHE_ENTRY  *Then;

  if ((mBaseline == NULL) || (gVariableCache == NULL) || (Index >= mBaselineCount) || (Index >= gCurrentCacheCount)) {
    return;
  }

  Then = &mBaseline[Index];
  if ((Then->Size != 0) || (gVariableCache[Index].Data == NULL) || (gVariableCache[Index].Size == 0)) {
    return;
  }

  // Without the copy the variable counts as changed: a save compares it with its store.
  Then->Data = AllocateCopyPool ((UINTN)gVariableCache[Index].Size, gVariableCache[Index].Data);
  Then->Size = (Then->Data == NULL) ? 0 : gVariableCache[Index].Size;
}

VOID
AdoptWrittenBytes (
  IN UINTN       Index,
  IN UINTN       Offset,
  IN UINTN       Size,
  IN CONST VOID  *Data
  )
{
  VARIABLE_CACHE_ENTRY  *Then;

  if ((mAdoptionDepth == 0) || (mBaseline == NULL) || (Index >= mBaselineCount) || (Data == NULL) || (Size == 0) ||
      (Offset > MAX_UINTN - Size))
  {
    return;
  }

  Then = &mBaseline[Index];
  // Without room the bytes count as changed, which a save then compares with the store.
  if ((Offset + Size > Then->Size) && (GrowEntry (Then, Offset + Size) != EFI_SUCCESS)) {
    return;
  }

  CopyMem ((UINT8 *)Then->Data + Offset, Data, Size);
}

VOID
MarkVariableEdited (
  IN UINTN  Index
  )
{
  UINT8  *Grown;

  if (mBaseline == NULL) {
    return;
  }

  if (Index >= mEditedCount) {
    Grown = (UINT8 *)ReallocatePool (mEditedCount, Index + 1, mEdited);
    if (Grown == NULL) {
      return;       // unmarked, the change is still in the cache; only the question on leaving is lost
    }

    mEdited      = Grown;
    mEditedCount = Index + 1;
  }

  mEdited[Index] = 1;
}

BOOLEAN
VariableEdited (
  IN UINTN  Index
  )
{
  return (BOOLEAN)((Index < mEditedCount) && (mEdited[Index] != 0));
}

VOID
AcceptBaselineEntry (
  IN UINTN  Index
  )
{
  VOID  *Copy = NULL;

  if ((mBaseline == NULL) || (gVariableCache == NULL) || (Index >= gCurrentCacheCount) || (Index >= mBaselineCount)) {
    return;
  }

  if ((gVariableCache[Index].Data != NULL) && (gVariableCache[Index].Size != 0)) {
    Copy = AllocateCopyPool ((UINTN)gVariableCache[Index].Size, gVariableCache[Index].Data);
    if (Copy == NULL) {
      return;       // the variable still counts as changed: leaving asks once too often, nothing is lost
    }
  }

  FreePool (mBaseline[Index].Data);
  mBaseline[Index].Data = Copy;
  mBaseline[Index].Size = (Copy == NULL) ? 0 : gVariableCache[Index].Size;
  if (Index < mEditedCount) {
    mEdited[Index] = 0;
  }
}
