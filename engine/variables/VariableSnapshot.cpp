/** @file
  The store copies (the variables as NVRAM last held them) and the snapshot of the
  variables that survives a reset into setup.
**/
#include <engine/variables/VariableCache.h>
#include <engine/variables/VariableCacheInternal.h>
#include <engine/variables/ConfigString.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/HookTable.h>
#include <engine/variables/NvramStore.h>
#include <engine/core/SetupData.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/DevicePath.h>
#include <Protocol/LegacyBios.h>

#define SNAPSHOT_MAX_DATA         0xFFFF

VOID
FreeVariableSnapshotCopies (
  VOID
  )
{
  FreeCacheArray (&gVariableStoreCopies, gVariableStoreCopyCount);
  gVariableStoreCopyCount = 0;
}

static EFI_STATUS
ReadStoreCopies (
  IN UINTN  Count
  )
{
  VARIABLE_CACHE_ENTRY  *Copy;

  FreeVariableSnapshotCopies ();
  gVariableStoreCopies = (VARIABLE_CACHE_ENTRY *)AllocateZeroPool (Count * sizeof (VARIABLE_CACHE_ENTRY));
  if (gVariableStoreCopies == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  gVariableStoreCopyCount = Count;
  for (UINTN Index = 0; Index < Count; Index++) {
    Copy = &gVariableStoreCopies[Index];
    UINTN    Size;
    BOOLEAN  NoMemory = FALSE;
    Copy->Data = ReadVariableOfIndex (Index, &Size, &NoMemory);
    Copy->Size = Size;
    // A stored variable that could not be read is not an absent one: taking it as
    // absent would put defaults in place of the stored settings.
    if (NoMemory) {
      return EFI_OUT_OF_RESOURCES;
    }

    if ((Copy->Data == NULL) && (Copy->Size != 0)) {
      Copy->Data = AllocateZeroPool (Size);
      if (Copy->Data == NULL) {
        return EFI_OUT_OF_RESOURCES;
      }
    }
  }

  return EFI_SUCCESS;
}

//
// The dynamic-page count in the copies comes from the cache being replaced, which
// holds the count that the engine keeps up to date; at the first load there is no
// such cache and the copy stays as read. Only a copy that can hold the two bytes
// takes them.
//
static VOID
KeepDynamicPageCount (
  VOID
  )
{
  VARIABLE_CACHE_ENTRY  *Copy;
  UINT8                 Count[2];

  if ((gVariableCache == NULL) || (gVariableStoreCopyCount <= SETUP_VARIABLE_INDEX_DYNAMIC_PAGE_COUNT)) {
    return;
  }

  Copy = &gVariableStoreCopies[SETUP_VARIABLE_INDEX_DYNAMIC_PAGE_COUNT];
  if ((Copy->Data == NULL) || (Copy->Size < sizeof (Count))) {
    return;
  }

  if (!EFI_ERROR (ReadVariableBytes (SETUP_VARIABLE_INDEX_DYNAMIC_PAGE_COUNT, 0, sizeof (Count), Count, FALSE))) {
    CopyMem (Copy->Data, Count, sizeof (Count));
  }
}

EFI_STATUS
BuildVariableCopies (
  IN OUT VARIABLE_CACHE_ENTRY  **Cache
  )
{
  UINTN                 Count = GetVariableCount ();
  VARIABLE_CACHE_ENTRY  *NewCache;
  EFI_STATUS            Status;

  if ((gVariableStoreCopies == NULL) || (gVariableStoreCopyCount != Count) || (CurrentBootScreenState () <= BOOT_SCREEN_STATE_SETUP)) {
    Status = ReadStoreCopies (Count);
    if (EFI_ERROR (Status)) {
      return Status;
    }
  }

  KeepDynamicPageCount ();
  NewCache = (VARIABLE_CACHE_ENTRY *)AllocateZeroPool (Count * sizeof (VARIABLE_CACHE_ENTRY));
  if (NewCache == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  Status = EFI_SUCCESS;
  for (UINTN Index = 0; Index < Count; Index++) {
    if (gVariableStoreCopies[Index].Size != 0) {
      NewCache[Index].Data = AllocateCopyPool ((UINTN)gVariableStoreCopies[Index].Size, gVariableStoreCopies[Index].Data);
      NewCache[Index].Size = (NewCache[Index].Data == NULL) ? 0 : gVariableStoreCopies[Index].Size;
      Status               = (NewCache[Index].Data == NULL) ? EFI_OUT_OF_RESOURCES : Status;
    }
  }

  // The old cache is released only now: cache-only variables and the dynamic-page
  // count were read from it while the copies were built.
  FreeCacheArray (Cache, (*Cache == gVariableCache) ? gCurrentCacheCount : Count);
  *Cache = NewCache;
  if (Cache == &gVariableCache) {
    gCurrentCacheCount = Count;
  }

  return Status;
}

static BOOLEAN
IsSnapshotIndex (
  IN UINTN  Index
  )
{
  return (Index != 3) && (Index != 4) && (Index != 7) && (Index != 8) && (Index != 11) && (Index != 12);
}

static UINT16
SnapshotDataSize (
  IN UINTN  Index
  )
{
  UINT64  Size = gVariableCache[Index].Size;

  return (gVariableCache[Index].Data == NULL) ? 0 : (UINT16)((Size > SNAPSHOT_MAX_DATA) ? SNAPSHOT_MAX_DATA : Size);
}

VOID
SaveVariableSnapshot (
  VOID
  )
{
  UINTN                     Count = gCurrentCacheCount;
  UINTN                     Total = sizeof (UINT32);
  UINT8                     *Snapshot;
  UINT8                     *At;
  UINT32                    Records = 0;
  VARIABLE_SNAPSHOT_RECORD  Header;

  if ((gVariableCache == NULL) || (Count <= SETUP_VARIABLE_INDEX_SNAPSHOT)) {
    return;
  }

  SetEntry (&gVariableCache[SETUP_VARIABLE_INDEX_SNAPSHOT], NULL, 0);
  for (UINTN Index = 0; Index < Count; Index++) {
    Total += IsSnapshotIndex (Index) ? VARIABLE_SNAPSHOT_RECORD_SIZE + SnapshotDataSize (Index) : 0;
  }

  Snapshot = (UINT8 *)AllocateZeroPool (Total);
  if (Snapshot == NULL) {
    return;
  }

  At = Snapshot + sizeof (UINT32);
  for (UINTN Index = 0; Index < Count; Index++) {
    if (!IsSnapshotIndex (Index)) {
      continue;
    }

    ZeroMem (&Header, sizeof (Header));
    Header.VariableIndex = (UINT32)Index;
    Header.DataSize      = SnapshotDataSize (Index);
    CopyGuid (&Header.VendorGuid, &GetVariableRecord (Index)->VendorGuid);
    CopyMem (Header.Name, GetVariableRecord (Index)->Name, sizeof (Header.Name));
    CopyMem (At, &Header, sizeof (Header));
    CopyMem (At + sizeof (Header), gVariableCache[Index].Data, Header.DataSize);
    At += sizeof (Header) + Header.DataSize;
    Records++;
  }

  WriteUnaligned32 (Snapshot, Records);
  // The cache holds the snapshot even when the variable is kept in the cache only.
  SetEntry (&gVariableCache[SETUP_VARIABLE_INDEX_SNAPSHOT], Snapshot, Total);
  // The cache holds it anyway; the variable only carries it past a reset.
  (VOID)SetVariableByIndex (SETUP_VARIABLE_INDEX_SNAPSHOT, Snapshot, Total);
}

static BOOLEAN
SameVariable (
  IN CONST VARIABLE_SNAPSHOT_RECORD  *Header,
  IN CONST VARIABLE_RECORD           *Record
  )
{
  RECORD_NAME  Theirs;
  RECORD_NAME  Ours;

  CopyMem (Theirs.Text, Header->Name, sizeof (Theirs.Text));
  Theirs.Text[VARIABLE_NAME_LENGTH - 1] = 0;
  GetRecordName (Record, &Ours);
  return CompareGuid (&Header->VendorGuid, &Record->VendorGuid) && (StrCmp (Theirs.Text, Ours.Text) == 0);
}

//
// The index a record restores into, or MAX_UINTN when no variable matches. The
// snapshot never restores into itself: the copy would overwrite the records still
// to be walked.
//
static UINTN
FindSnapshotTarget (
  IN CONST VARIABLE_SNAPSHOT_RECORD  *Header
  )
{
  UINTN  Index = Header->VariableIndex;

  if ((Index < gCurrentCacheCount) && (Index != SETUP_VARIABLE_INDEX_SNAPSHOT) && (gVariableCache[Index].Size == Header->DataSize) &&
      SameVariable (Header, GetVariableRecord (Index)))
  {
    return Index;
  }

  for (Index = 0; Index < gCurrentCacheCount; Index++) {
    if ((Index != SETUP_VARIABLE_INDEX_SNAPSHOT) && (GetVariableRecord (Index)->Size == Header->DataSize) &&
        SameVariable (Header, GetVariableRecord (Index)))
    {
      return Index;
    }
  }

  return MAX_UINTN;
}

//
// The snapshot comes from NVRAM: the walk stops at the first record that passes its
// end, and a record is copied only into an entry that holds its size (the entry
// grows when it is shorter).
//
VOID
RestoreVariableSnapshot (
  VOID
  )
{
  VARIABLE_CACHE_ENTRY      *Entry;
  CONST UINT8               *At;
  CONST UINT8               *End;
  VARIABLE_SNAPSHOT_RECORD  Header;
  UINT32                    Records;
  UINTN                     Target;

  if ((gVariableCache == NULL) || (gCurrentCacheCount <= SETUP_VARIABLE_INDEX_SNAPSHOT) ||
      (gVariableCache[SETUP_VARIABLE_INDEX_SNAPSHOT].Data == NULL) ||
      (gVariableCache[SETUP_VARIABLE_INDEX_SNAPSHOT].Size < sizeof (UINT32)))
  {
    return;
  }

  Entry   = &gVariableCache[SETUP_VARIABLE_INDEX_SNAPSHOT];
  At      = (CONST UINT8 *)Entry->Data;
  End     = At + Entry->Size;
  Records = ReadUnaligned32 (At);
  At     += sizeof (UINT32);
  for (UINT32 Record = 0; (Record < Records) && ((UINTN)(End - At) >= sizeof (Header)); Record++) {
    CopyMem (&Header, At, sizeof (Header));
    if ((UINTN)(End - At - sizeof (Header)) < Header.DataSize) {
      break;
    }

    Target = FindSnapshotTarget (&Header);
    if ((Target != MAX_UINTN) && (Header.DataSize != 0) &&
        ((gVariableCache[Target].Size >= Header.DataSize) || (GrowEntry (&gVariableCache[Target], Header.DataSize) == EFI_SUCCESS)))
    {
      CopyMem (gVariableCache[Target].Data, At + sizeof (Header), Header.DataSize);
    }

    At += sizeof (Header) + Header.DataSize;
  }

  HookSnapshotRestored ();
  gResetNeeded = 1;
}
