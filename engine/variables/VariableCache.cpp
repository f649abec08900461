/** @file
  The variable cache: reads and writes by variable index, the three caches (current,
  standard and manufacturing defaults), their loading, refreshing and growth.

  Each cache array remembers how many entries it was built with, so an index that
  the variable list knows but a cache does not (the list grew) is refused instead of
  read past the array. Variable names in records come from storage; they are copied
  into terminated buffers before any string routine sees them.
**/
#include <engine/variables/VariableCache.h>
#include <engine/variables/VariableCacheInternal.h>
#include <engine/variables/ConfigString.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/HookTable.h>
#include <engine/variables/NvramStore.h>
#include <engine/core/SetupData.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/DevicePath.h>
#include <Protocol/LegacyBios.h>

VARIABLE_CACHE_ENTRY  *gVariableCache            = NULL;
VARIABLE_CACHE_ENTRY  *gVariableCacheMfgDefaults = NULL;
VARIABLE_CACHE_ENTRY  *gVariableCacheStdDefaults = NULL;
VARIABLE_CACHE_ENTRY  *gVariableStoreCopies      = NULL;
UINTN                 gVariableStoreCopyCount    = 0;
UINT8                 gSetupVariableChanged      = 0;
UINT8                 gResetNeeded               = 0;
UINT8                 gLanguageChanged           = 0;

VARIABLE_CACHE_NEIGHBOURS  gVariableCacheNeighbours = { NULL, NULL };

UINTN  gCurrentCacheCount = 0;
UINTN  gDefaultCacheCount = 0;

UINTN
CacheCount (
  IN CONST VARIABLE_CACHE_ENTRY  *Cache
  )
{
  if (Cache == NULL) {
    return 0;
  }

  if (Cache == gVariableCache) {
    return gCurrentCacheCount;
  }

  if ((Cache == gVariableCacheStdDefaults) || (Cache == gVariableCacheMfgDefaults)) {
    return gDefaultCacheCount;
  }

  return GetVariableCount ();
}

VOID
FreeCacheArray (
  IN OUT VARIABLE_CACHE_ENTRY  **Cache,
  IN     UINTN                 Count
  )
{
  if (*Cache == NULL) {
    return;
  }

  for (UINTN Index = 0; Index < Count; Index++) {
    FreePool ((*Cache)[Index].Data);
  }

  FreeAndNull (*Cache);
}

VOID
SetEntry (
  IN OUT VARIABLE_CACHE_ENTRY  *Entry,
  IN     VOID                  *Data,
  IN     UINTN                 Size
  )
{
  FreePool (Entry->Data);
  Entry->Data = Data;
  Entry->Size = Size;
}

BOOLEAN
IsDirectEfiVariable (
  IN UINTN                  Index,
  IN CONST VARIABLE_RECORD  *Record
  )
{
  static CONST SETUP_VARIABLE_INDEX_RANGE  Direct[] = SETUP_DIRECT_VARIABLE_RANGES;

  if ((Record != NULL) && ((Record->StoreFlags & VARIABLE_STORE_EFI) != 0)) {
    return TRUE;
  }

  // A fixed index is the engine's own only where the compiled list puts a variable of
  // its own; a form set's store appended after a short list keeps its driver's road.
  if (Index >= GetCompiledVariableCount ()) {
    return FALSE;
  }

  for (UINTN Range = 0; Range < ARRAY_SIZE (Direct); Range++) {
    if ((Index >= Direct[Range].First) && (Index <= Direct[Range].Last)) {
      return TRUE;
    }
  }

  return FALSE;
}

//
// Two-call read into a new pool buffer; the variable may change size between the
// calls, so the size query is repeated a few times. NoMemory (optional) tells a
// variable that could not be read for want of memory from one that is absent.
//
VOID *
ReadVariableAlloc (
  IN  CONST CHAR16    *Name,
  IN  CONST EFI_GUID  *Guid,
  OUT UINT32          *Attributes,
  OUT UINTN           *Size,
  OUT BOOLEAN         *NoMemory
  )
{
  VOID        *Buffer = NULL;
  UINTN       Needed  = 0;
  EFI_STATUS  Status  = gRT->GetVariable ((CHAR16 *)Name, (EFI_GUID *)Guid, Attributes, &Needed, NULL);

  for (UINTN Try = 0; (Status == EFI_BUFFER_TOO_SMALL) && (Try < 3); Try++) {
    FreePool (Buffer);
    Buffer = AllocatePool (Needed);
    if (Buffer == NULL) {
      if (NoMemory != NULL) {
        *NoMemory = TRUE;
      }

      break;
    }

    Status = gRT->GetVariable ((CHAR16 *)Name, (EFI_GUID *)Guid, Attributes, &Needed, Buffer);
  }

  if (EFI_ERROR (Status) || (Needed == 0)) {
    FreeAndNull (Buffer);
    Needed = 0;
  }

  *Size = Needed;
  return Buffer;
}

VOID *
ReadVariableOfIndex (
  IN  UINTN    Index,
  OUT UINTN    *Size,
  OUT BOOLEAN  *NoMemory
  )
{
  VARIABLE_RECORD  *Record = GetVariableRecord (Index);
  RECORD_NAME      Name;
  VOID             *Buffer = NULL;
  EFI_STATUS       Status;

  *Size = 0;
  if (Record == NULL) {
    return NULL;
  }

  if ((Record->StoreFlags & VARIABLE_STORE_CACHE_ONLY) != 0) {
    if ((Index >= gCurrentCacheCount) || (gVariableCache[Index].Size == 0)) {
      return NULL;
    }

    *Size  = (UINTN)gVariableCache[Index].Size;
    Buffer = (gVariableCache[Index].Data != NULL) ? AllocateCopyPool (*Size, gVariableCache[Index].Data)
                                                  : AllocateZeroPool (*Size);
    *NoMemory = (Buffer == NULL);
    return Buffer;
  }

  if (IsDirectEfiVariable (Index, Record)) {
    if (Record->Attributes == 0) {
      Record->Attributes = VARIABLE_DEFAULT_ATTRIBUTES;
    }

    GetRecordName (Record, &Name);
    return ReadVariableAlloc (Name.Text, &Record->VendorGuid, &Record->Attributes, Size, NoMemory);
  }

  if (RecallStoreAnswer (Index, Record, &Buffer, Size, NoMemory)) {
    return Buffer;
  }

  Status = ExtractVariableConfig (Record, &Buffer, 0, Record->Size);
  if (!EFI_ERROR (Status) && (Buffer != NULL)) {
    *Size = Record->Size;
  }

  *NoMemory = (Status == EFI_OUT_OF_RESOURCES);
  // Running out of pool says nothing about the store.
  if (!*NoMemory) {
    KeepStoreAnswer (Index, Record, Buffer, *Size);
  }

  return Buffer;
}

VOID *
GetVariableByIndex (
  IN  UINTN  Index,
  OUT UINTN  *Size
  )
{
  BOOLEAN  NoMemory = FALSE;

  return ReadVariableOfIndex (Index, Size, &NoMemory);
}

EFI_STATUS
SetVariableByIndex (
  IN UINTN  Index,
  IN VOID   *Data,
  IN UINTN  Size
  )
{
  VARIABLE_RECORD  *Record = GetVariableRecord (Index);
  RECORD_NAME      Name;
  EFI_STATUS       Status;

  if ((Data == NULL) || (Record == NULL)) {
    return EFI_INVALID_PARAMETER;
  }

  if ((Record->StoreFlags & VARIABLE_STORE_NO_WRITE) != 0) {
    return EFI_SUCCESS;
  }

  if (IsDirectEfiVariable (Index, Record)) {
    // Attributes 0 would delete the variable; an unread record still has them at 0.
    if (Record->Attributes == 0) {
      Record->Attributes = VARIABLE_DEFAULT_ATTRIBUTES;
    }

    GetRecordName (Record, &Name);
    Status = gRT->SetVariable (Name.Text, &Record->VendorGuid, Record->Attributes, Size, Data);
  } else {
    Status = RouteVariableConfig (Record, Data, 0, Size);
  }

  ForgetStoreAnswer (Index);     // what was written is read back

  if (!EFI_ERROR (Status) && (Index < gCurrentCacheCount)) {
    RefreshCacheEntry (&gVariableCache[Index], Index);
  }

  return Status;
}

EFI_STATUS
GrowEntry (
  IN OUT VARIABLE_CACHE_ENTRY  *Entry,
  IN     UINTN                 NewSize
  )
{
  VOID  *Grown = AllocateZeroPool (NewSize);

  if (Grown == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  if (Entry->Data != NULL) {
    CopyMem (Grown, Entry->Data, (UINTN)Entry->Size);
  }

  SetEntry (Entry, Grown, NewSize);
  return EFI_SUCCESS;
}

EFI_STATUS
AccessCacheBytes (
  IN     BOOLEAN               Write,
  IN     VARIABLE_CACHE_ENTRY  *Cache,
  IN     UINTN                 Index,
  IN     UINTN                 Offset,
  IN     UINTN                 Size,
  IN OUT VOID                  *Buffer
  )
{
  VARIABLE_CACHE_ENTRY  *Entry;
  VOID                  *Data;
  UINTN                 DataSize;

  if ((Buffer == NULL) || (Size == 0)) {
    return EFI_INVALID_PARAMETER;
  }

  // A failed read gives zeros, whatever the reason.
  if (!Write) {
    ZeroMem (Buffer, Size);
  }

  if ((Index >= CacheCount (Cache)) || (Offset > MAX_UINTN - Size)) {
    return EFI_INVALID_PARAMETER;
  }

  Entry = &Cache[Index];
  if (Write && (Entry->Data == NULL) && (GrowEntry (Entry, Offset + Size) != EFI_SUCCESS)) {
    return EFI_OUT_OF_RESOURCES;
  }

  if (Entry->Size == 0) {
    Data = GetVariableByIndex (Index, &DataSize);
    if (Data == NULL) {
      return EFI_INVALID_PARAMETER;
    }

    SetEntry (Entry, Data, DataSize);
    if (Cache == gVariableCache) {
      NoteStoreRead (Index);
    }
  }

  if (Write) {
    if ((Offset + Size > Entry->Size) && (GrowEntry (Entry, Offset + Size) != EFI_SUCCESS)) {
      return EFI_OUT_OF_RESOURCES;
    }

    CopyMem ((UINT8 *)Entry->Data + Offset, Buffer, Size);
    return EFI_SUCCESS;
  }

  if ((Entry->Data == NULL) || (Entry->Size <= Offset)) {
    return EFI_SUCCESS;
  }

  CopyMem (Buffer, (UINT8 *)Entry->Data + Offset, (UINTN)((Entry->Size < Offset + Size) ? Entry->Size - Offset : Size));
  return EFI_SUCCESS;
}

VOID *
GetCachedVariable (
  IN     UINTN  Index,
  IN OUT UINTN  *Size
  )
{
  VARIABLE_CACHE_ENTRY  *Entry;

  if ((Index >= gCurrentCacheCount) || (gVariableCache[Index].Data == NULL) || (gVariableCache[Index].Size == 0)) {
    return NULL;
  }

  Entry = &gVariableCache[Index];
  if ((*Size == 0) || (*Size > Entry->Size)) {
    *Size = (UINTN)Entry->Size;
  }

  return AllocateCopyPool (*Size, Entry->Data);
}

VOID *
GetVariableCachedOrRead (
  IN     UINTN  Index,
  IN OUT UINTN  *Size
  )
{
  VOID  *Data = GetCachedVariable (Index, Size);

  return (Data != NULL) ? Data : GetVariableByIndex (Index, Size);
}

VOID
RefreshCacheEntry (
  IN OUT VARIABLE_CACHE_ENTRY  *Entry,
  IN     UINTN                 Index
  )
{
  UINTN  Size;
  VOID   *Data = GetVariableByIndex (Index, &Size);

  if (Data != NULL) {
    SetEntry (Entry, Data, Size);
  }
}

static CONST UINTN  mOrderIndexes[] = {
  SETUP_VARIABLE_INDEX_BOOT_ORDER, SETUP_VARIABLE_INDEX_DRIVER_ORDER, SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER
};

// An order read from its store takes the cache's form, which the orders' owner keeps.
static VOID
OrderReadIn (
  IN     UINTN                 Index,
  IN OUT VARIABLE_CACHE_ENTRY  *Entry
  )
{
  if (gVariableCacheNeighbours.Orders == NULL) {
    return;
  }

  for (UINTN Order = 0; Order < ARRAY_SIZE (mOrderIndexes); Order++) {
    if (mOrderIndexes[Order] == Index) {
      gVariableCacheNeighbours.Orders->ReadIn (Index, Entry);
    }
  }
}

VOID
RefreshVariableCache (
  IN UINTN  Index
  )
{
  if (gVariableCache == NULL) {
    // Without a cache the whole load reads every variable, this one included.
    (VOID)LoadVariableCache (&gVariableCache, NULL);
    return;
  }

  if (Index < gCurrentCacheCount) {
    RefreshCacheEntry (&gVariableCache[Index], Index);
    OrderReadIn (Index, &gVariableCache[Index]);
  }
}

EFI_STATUS
LoadVariableCache (
  IN OUT VARIABLE_CACHE_ENTRY  **Cache,
  IN     VARIABLE_CACHE_ENTRY  *FallbackCache OPTIONAL
  )
{
  EFI_STATUS            Status;
  UINTN                 Count = GetVariableCount ();
  VARIABLE_CACHE_ENTRY  *Entry;

  if (Count == 0) {
    return EFI_NOT_FOUND;       // the engine does not run without a variable list
  }

  if (*Cache != NULL) {
    FreeVariableSnapshotCopies ();
  }

  Status = BuildVariableCopies (Cache);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  for (UINTN Index = 0; (FallbackCache != NULL) && (Index < Count) && (Index < CacheCount (FallbackCache)); Index++) {
    Entry = &(*Cache)[Index];
    if ((Entry->Data == NULL) && (FallbackCache[Index].Size != 0) && (FallbackCache[Index].Data != NULL)) {
      Entry->Data = AllocateCopyPool ((UINTN)FallbackCache[Index].Size, FallbackCache[Index].Data);
      Entry->Size = (Entry->Data == NULL) ? 0 : FallbackCache[Index].Size;
      Status      = (Entry->Data == NULL) ? EFI_OUT_OF_RESOURCES : Status;
    }
  }

  for (UINTN Order = 0; Order < ARRAY_SIZE (mOrderIndexes); Order++) {
    if (mOrderIndexes[Order] < Count) {
      OrderReadIn (mOrderIndexes[Order], &(*Cache)[mOrderIndexes[Order]]);
    }
  }

  return Status;
}

VARIABLE_RECORD *
FindVariableById (
  IN  UINT32  Id,
  OUT UINTN   *Index
  )
{
  VARIABLE_RECORD  *Record;

  // Every caller asks for the reset marker variable; the argument is not looked at.
  (VOID)Id;
  for (UINTN Position = 0; (Record = GetVariableRecord (Position)) != NULL; Position++) {
    if (Record->VariableId == SETUP_RESET_MARKER_VARIABLE_ID) {
      if (Index != NULL) {
        *Index = Position;
      }

      return Record;
    }
  }

  return NULL;
}

VOID
FreeCurrentVariableCache (
  VOID
  )
{
  FreeCacheArray (&gVariableCache, gCurrentCacheCount);
  gCurrentCacheCount = 0;
}

VOID
FreeVariableCaches (
  VOID
  )
{
  FreeCacheArray (&gVariableCache, gCurrentCacheCount);
  FreeCacheArray (&gVariableCacheStdDefaults, gDefaultCacheCount);
  FreeCacheArray (&gVariableCacheMfgDefaults, gDefaultCacheCount);
  FreeVariableSnapshotCopies ();
  FreeCacheBaseline ();
  gCurrentCacheCount         = 0;
  gDefaultCacheCount        = 0;
  gSetupVariableChanged = 0;
  gResetNeeded          = 0;
  gLanguageChanged      = 0;
}

/** Grows one cache array to Count zero entries at its end; the array stays as it was on failure. */
static EFI_STATUS
GrowCacheArray (
  IN OUT VARIABLE_CACHE_ENTRY  **Cache,
  IN     UINTN                 OldCount,
  IN     UINTN                 Count
  )
{
  VARIABLE_CACHE_ENTRY  *Grown;

  if ((*Cache == NULL) || (Count <= OldCount)) {
    return EFI_SUCCESS;
  }

  Grown = (VARIABLE_CACHE_ENTRY *)ReallocatePool (OldCount * sizeof (**Cache), Count * sizeof (**Cache), *Cache);
  if (Grown == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  ZeroMem (Grown + OldCount, (Count - OldCount) * sizeof (**Cache));
  *Cache = Grown;
  return EFI_SUCCESS;
}

EFI_STATUS
GrowVariableCaches (
  IN UINTN  Count
  )
{
  UINTN       OldCount = gCurrentCacheCount;
  EFI_STATUS  Status;

  Status = GrowCacheArray (&gVariableCache, gCurrentCacheCount, Count);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  if ((gVariableCache != NULL) && (Count > gCurrentCacheCount)) {
    gCurrentCacheCount = Count;
    // Variables that a parsed form set added are read in now, as a full load would.
    for (UINTN Index = OldCount; Index < Count; Index++) {
      RefreshCacheEntry (&gVariableCache[Index], Index);
    }

    ExtendCacheBaseline ();
  }

  Status = GrowCacheArray (&gVariableCacheMfgDefaults, gDefaultCacheCount, Count);
  if (!EFI_ERROR (Status)) {
    Status = GrowCacheArray (&gVariableCacheStdDefaults, gDefaultCacheCount, Count);
    if (EFI_ERROR (Status)) {
      return Status;     // both default caches keep the old count: the manufacturing one is only longer
    }

    gDefaultCacheCount = ((gVariableCacheMfgDefaults != NULL) && (Count > gDefaultCacheCount)) ? Count : gDefaultCacheCount;
  }

  return Status;
}
