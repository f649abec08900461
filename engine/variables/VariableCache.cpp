/** @file
  The variable cache: reads and writes by variable index, the three caches, the
  defaults and the snapshot.

  Each cache array remembers how many entries it was built with, so an index that
  the variable list knows but a cache does not (the list grew) is refused instead of
  read past the array. Variable names in records come from storage; they are copied
  into terminated buffers before any string routine sees them.
**/
#include <engine/variables/VariableCache.h>
#include <engine/variables/ConfigString.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineNeighbours.h>
#include <engine/core/HookTable.h>
#include <engine/variables/NvramStore.h>
#include <engine/forms/QuestionAccess.h>
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
UINT32                gDefaultBuildPage          = 0;

static UINTN  mCurrentCount  = 0;
static UINTN  mDefaultsCount = 0;

static CONST EFI_GUID  mDefaultsGuid     = SETUP_DEFAULTS_VARIABLE_GUID;
static CONST EFI_GUID  mDefaultOrderGuid = SETUP_DEFAULT_ORDER_GUID;
static CONST EFI_GUID  mDefaultLegacyGuid = SETUP_DEFAULT_LEGACY_ORDER_GUID;
static CONST EFI_GUID  mLegacyOrderGuid   = LEGACY_DEV_ORDER_VARIABLE_GUID;

#define LEGACY_GROUP_HEADER_SIZE  6     // u32 device type, u16 length
#define BBS_TYPE_HARD_DISK        2
#define NO_LEGACY_GROUP           ((UINT64)~(UINT64)0)
#define OPTION_ACTIVE             0x00000001
#define OPTION_HIDDEN             0x00000008
#define SNAPSHOT_MAX_DATA         0xFFFF

static UINTN
CacheCount (
  IN CONST VARIABLE_CACHE_ENTRY  *Cache
  )
{
  if (Cache == NULL) {
    return 0;
  }

  if (Cache == gVariableCache) {
    return mCurrentCount;
  }

  if ((Cache == gVariableCacheStdDefaults) || (Cache == gVariableCacheMfgDefaults)) {
    return mDefaultsCount;
  }

  return GetVariableCount ();
}

static VOID
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

static VOID
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
  if ((Record != NULL) && ((Record->StoreFlags & VARIABLE_STORE_EFI) != 0)) {
    return TRUE;
  }

  return ((Index >= 1) && (Index <= 15)) || ((Index >= 22) && (Index <= 25)) || ((Index >= 47) && (Index <= 54));
}

//
// Two-call read into a new pool buffer; the variable may change size between the
// calls, so the size query is repeated a few times. NoMemory (optional) tells a
// variable that could not be read for want of memory from one that is absent.
//
static VOID *
ReadVariableAlloc (
  IN  CONST CHAR16    *Name,
  IN  CONST EFI_GUID  *Guid,
  OUT UINT32          *Attributes,
  OUT UINTN           *Size,
  OUT BOOLEAN         *NoMemory = NULL
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

static VOID *
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
    if ((Index >= mCurrentCount) || (gVariableCache[Index].Size == 0)) {
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

  Status = ExtractVariableConfig (Record, &Buffer, 0, Record->Size);
  if (!EFI_ERROR (Status) && (Buffer != NULL)) {
    *Size = Record->Size;
  }

  *NoMemory = (Status == EFI_OUT_OF_RESOURCES);
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

  if (!EFI_ERROR (Status) && (Index < mCurrentCount)) {
    RefreshCacheEntry (&gVariableCache[Index], Index);
  }

  return Status;
}

static EFI_STATUS
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

//
// The cached language is an ASCII code that may lack its terminator; it matches a
// list entry only when the whole code up to the first zero is equal.
//
static VOID
MapLanguageToIndex (
  IN     UINTN  Size,
  IN OUT VOID   *Buffer
  )
{
  CONST CHAR8  *Cached;
  UINTN        CachedLength;

  if ((gVariableCache == NULL) || (mCurrentCount <= SETUP_VARIABLE_INDEX_LANGUAGE) || (gLanguageList == NULL)) {
    return;
  }

  Cached = (CONST CHAR8 *)gVariableCache[SETUP_VARIABLE_INDEX_LANGUAGE].Data;
  if (Cached == NULL) {
    return;
  }

  CachedLength = AsciiStrnLenS (Cached, (UINTN)gVariableCache[SETUP_VARIABLE_INDEX_LANGUAGE].Size);
  for (UINTN Position = 0; Position < gLanguageCount; Position++) {
    CONST CHAR8  *Code = gLanguageList[Position].Code;

    if ((Code != NULL) && (AsciiStrLen (Code) == CachedLength) && (CompareMem (Code, Cached, CachedLength) == 0)) {
      ZeroMem (Buffer, Size);
      if (Size >= sizeof (UINT16)) {
        WriteUnaligned16 (Buffer, (UINT16)Position);
      } else {
        *(UINT8 *)Buffer = (UINT8)Position;
      }

      return;
    }
  }
}

EFI_STATUS
ReadVariableBytes (
  IN  UINTN    Index,
  IN  UINTN    Offset,
  IN  UINTN    Size,
  OUT VOID     *Buffer,
  IN  BOOLEAN  UseDefaults
  )
{
  VARIABLE_CACHE_ENTRY  *Cache = (UseDefaults || (gVariableCache == NULL)) ? gVariableCacheStdDefaults : gVariableCache;
  EFI_STATUS            Status;

  if (Cache == NULL) {
    if ((Buffer != NULL) && (Size != 0)) {
      ZeroMem (Buffer, Size);
    }

    return EFI_NOT_READY;
  }

  Status = AccessCacheBytes (FALSE, Cache, Index, Offset, Size, Buffer);
  if (!EFI_ERROR (Status) && (Index == SETUP_VARIABLE_INDEX_LANGUAGE)) {
    MapLanguageToIndex (Size, Buffer);
  }

  return Status;
}

static UINT16
FirstValue (
  IN CONST VOID  *Data,
  IN UINTN       Size
  )
{
  return (Size >= sizeof (UINT16)) ? ReadUnaligned16 (Data) : *(CONST UINT8 *)Data;
}

//
// Questions see some engine variables in another form than the cache holds them.
// On success *Data is a new buffer, and Offset and Size describe it.
//
static EFI_STATUS
TranslateSpecialVariable (
  IN     UINTN  Index,
  IN OUT UINTN  *Offset,
  IN OUT UINTN  *Size,
  IN OUT VOID   **Data
  )
{
  UINT16      Value = FirstValue (*Data, *Size);
  UINT32      Offset32 = (UINT32)*Offset;
  UINT64      Size64   = 0;
  VOID        *Buffer  = NULL;
  EFI_STATUS  Status;

  switch (Index) {
    case SETUP_VARIABLE_INDEX_SETUP:
      return EFI_UNSUPPORTED;
    case SETUP_VARIABLE_INDEX_LANGUAGE:
      if ((Value >= gLanguageCount) || (gLanguageList == NULL) || (gLanguageList[Value].Code == NULL)) {
        return EFI_INVALID_PARAMETER;
      }

      Size64   = AsciiStrSize (gLanguageList[Value].Code);
      Buffer   = AllocateCopyPool ((UINTN)Size64, gLanguageList[Value].Code);
      Offset32 = 0;
      Status   = (Buffer == NULL) ? EFI_OUT_OF_RESOURCES : EFI_SUCCESS;
      break;
    case SETUP_VARIABLE_INDEX_BOOT_ORDER:
      Status = ReorderBootOrderCache (Value, &Offset32, &Size64, &Buffer);
      break;
    case SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER:
      Status = ReorderLegacyDevOrderCache (Value, &Offset32, &Size64, &Buffer);
      break;
    case SETUP_VARIABLE_INDEX_DRIVER_ORDER:
      Status = ReorderDriverOrderCache (Value, &Offset32, &Size64, &Buffer);
      break;
    default:
      return EFI_INVALID_PARAMETER;
  }

  if (EFI_ERROR (Status) || (Buffer == NULL) || (Size64 == 0)) {
    FreePool (Buffer);
    return EFI_ERROR (Status) ? Status : EFI_NOT_FOUND;
  }

  *Offset = Offset32;
  *Size   = (UINTN)Size64;
  *Data   = Buffer;
  return EFI_SUCCESS;
}

static BOOLEAN
IsNoHookIndex (
  IN UINTN  Index
  )
{
  return (Index == 4) || ((Index >= 9) && (Index <= 15)) || ((Index >= 17) && (Index <= 20)) ||
         (Index == 22) || ((Index >= 24) && (Index <= 30));
}

//
// Translation and cache write shared by both writers. A language index that names
// no language is refused: writing its raw bytes would corrupt the language code that
// goes to NVRAM at once. Other indexes whose translation fails keep the caller's bytes.
//
static EFI_STATUS
TranslateAndWrite (
  IN  UINTN    Index,
  IN  UINTN    Offset,
  IN  UINTN    Size,
  IN  VOID     *Data,
  OUT VOID     **Written,
  OUT UINTN    *WrittenSize
  )
{
  VOID        *Translated = Data;
  EFI_STATUS  Status;

  *Written = NULL;
  if ((Data == NULL) || (Size == 0)) {
    return EFI_INVALID_PARAMETER;
  }

  if (gVariableCache == NULL) {
    return EFI_NOT_READY;
  }

  Status = TranslateSpecialVariable (Index, &Offset, &Size, &Translated);
  if (EFI_ERROR (Status) && (Index == SETUP_VARIABLE_INDEX_LANGUAGE)) {
    return Status;
  }

  Status = AccessCacheBytes (TRUE, gVariableCache, Index, Offset, Size, Translated);
  if (Translated != Data) {
    *Written = Translated;
  }

  *WrittenSize = Size;
  return Status;
}

EFI_STATUS
WriteVariableBytes (
  IN UINTN  Index,
  IN UINTN  Offset,
  IN UINTN  Size,
  IN VOID   *Data
  )
{
  VOID        *Translated;
  UINTN       TranslatedSize;
  EFI_STATUS  Status;

  Status = TranslateAndWrite (Index, Offset, Size, Data, &Translated, &TranslatedSize);
  if (EFI_ERROR (Status)) {
    FreePool (Translated);
    return Status;
  }

  if ((Index == SETUP_VARIABLE_INDEX_LANGUAGE) && (Translated != NULL)) {
    gLanguageChanged = 1;
    MarkTuiAppLanguageChanged ();
    Status           = SetVariableByIndex (Index, Translated, TranslatedSize);
  }

  FreePool (Translated);
  if (!IsNoHookIndex (Index)) {
    HookVariableWritten ();
    gSetupVariableChanged = 1;
  }

  return Status;
}

EFI_STATUS
WriteVariableBytesNoTranslate (
  IN UINTN  Index,
  IN UINTN  Offset,
  IN UINTN  Size,
  IN VOID   *Data
  )
{
  VOID        *Translated;
  UINTN       TranslatedSize;
  EFI_STATUS  Status;

  Status = TranslateAndWrite (Index, Offset, Size, Data, &Translated, &TranslatedSize);
  FreePool (Translated);
  return Status;
}

//
// A whole value a driver hands back through the form browser: the bytes are the
// variable as it is stored, so no per-question translation applies to them (an
// order would otherwise be read as one moved entry). The language still goes to
// NVRAM at once, and the hook and the changed flag follow as for any write.
//
EFI_STATUS
WriteWholeVariable (
  IN UINTN  Index,
  IN UINTN  Size,
  IN VOID   *Data
  )
{
  EFI_STATUS  Status;

  if ((Data == NULL) || (Size == 0)) {
    return EFI_INVALID_PARAMETER;
  }

  if (gVariableCache == NULL) {
    return EFI_NOT_READY;
  }

  Status = AccessCacheBytes (TRUE, gVariableCache, Index, 0, Size, Data);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  if (Index == SETUP_VARIABLE_INDEX_LANGUAGE) {
    gLanguageChanged = 1;
    MarkTuiAppLanguageChanged ();
    Status           = SetVariableByIndex (Index, Data, Size);
  }

  if (!IsNoHookIndex (Index)) {
    HookVariableWritten ();
    gSetupVariableChanged = 1;
  }

  return Status;
}

VOID *
GetCachedVariable (
  IN     UINTN  Index,
  IN OUT UINTN  *Size
  )
{
  VARIABLE_CACHE_ENTRY  *Entry;

  if ((Index >= mCurrentCount) || (gVariableCache[Index].Data == NULL) || (gVariableCache[Index].Size == 0)) {
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

static VOID  NormaliseCachedOrder (IN VARIABLE_CACHE_ENTRY *Entry, IN UINTN Index);

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

  if (Index < mCurrentCount) {
    RefreshCacheEntry (&gVariableCache[Index], Index);
    NormaliseCachedOrder (&gVariableCache[Index], Index);
  }
}

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

  if ((gVariableStoreCopies == NULL) || (gVariableStoreCopyCount != Count) || (gBootScreenState <= 4)) {
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
  FreeCacheArray (Cache, (*Cache == gVariableCache) ? mCurrentCount : Count);
  *Cache = NewCache;
  if (Cache == &gVariableCache) {
    mCurrentCount = Count;
  }

  return Status;
}

static VOID
NormaliseOptionOrder (
  IN VARIABLE_CACHE_ENTRY  *Entry,
  IN BOOLEAN               DriverOptions,
  IN UINT16                Marker
  )
{
  UINT32  Attributes;
  UINT8   *Data = (UINT8 *)Entry->Data;

  if ((Data == NULL) || ((DriverOptions ? gDriverOptionCount : gBootOptionCount) == 0)) {
    return;
  }

  for (UINTN At = 0; At + 2 <= Entry->Size; At += 2) {
    if (FindLoadOptionAttributes (DriverOptions, ReadUnaligned16 (Data + At), &Attributes) &&
        ((Attributes & (OPTION_ACTIVE | OPTION_HIDDEN)) == 0))
    {
      WriteUnaligned16 (Data + At, Marker);
    }
  }
}

//
// Groups {u32 type, u16 length, u16 indexes}; the length counts itself. The group
// at Group, when its length is non-zero, below the order's size and inside it.
//
static BOOLEAN
LegacyGroupAt (
  IN  CONST UINT8  *Data,
  IN  UINT64       Size,
  IN  UINT64       Group,
  OUT UINT16       *Length
  )
{
  if ((Data == NULL) || (Group + LEGACY_GROUP_HEADER_SIZE > Size)) {
    return FALSE;
  }

  *Length = ReadUnaligned16 (Data + Group + 4);
  return (*Length != 0) && (*Length < Size) && (Group + 4 + *Length <= Size);
}

static VOID
NormaliseLegacyOrder (
  IN VARIABLE_CACHE_ENTRY  *Entry
  )
{
  UINT8   *Data = (UINT8 *)Entry->Data;
  UINT64  Group = 0;
  UINT16  Length;

  for ( ; LegacyGroupAt (Data, Entry->Size, Group, &Length); Group += 4 + Length) {
    for (UINT64 At = Group + LEGACY_GROUP_HEADER_SIZE; At + 2 <= Group + 4 + Length; At += 2) {
      if (ReadUnaligned16 (Data + At) > 255) {
        WriteUnaligned16 (Data + At, gBootOrderDisabledMarker);
      }
    }
  }
}

// A refreshed order takes the cache's form (disabled options and devices as the markers), as a whole load gives it.
static VOID
NormaliseCachedOrder (
  IN VARIABLE_CACHE_ENTRY  *Entry,
  IN UINTN                 Index
  )
{
  if (Index == SETUP_VARIABLE_INDEX_BOOT_ORDER) {
    NormaliseOptionOrder (Entry, FALSE, gBootOrderDisabledMarker);
  } else if (Index == SETUP_VARIABLE_INDEX_DRIVER_ORDER) {
    NormaliseOptionOrder (Entry, TRUE, gDriverOrderDisabledMarker);
  } else if (Index == SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER) {
    NormaliseLegacyOrder (Entry);
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

  if (Count > SETUP_VARIABLE_INDEX_DRIVER_ORDER) {
    NormaliseOptionOrder (&(*Cache)[SETUP_VARIABLE_INDEX_BOOT_ORDER], FALSE, gBootOrderDisabledMarker);
    NormaliseOptionOrder (&(*Cache)[SETUP_VARIABLE_INDEX_DRIVER_ORDER], TRUE, gDriverOrderDisabledMarker);
  } else if (Count > SETUP_VARIABLE_INDEX_BOOT_ORDER) {
    NormaliseOptionOrder (&(*Cache)[SETUP_VARIABLE_INDEX_BOOT_ORDER], FALSE, gBootOrderDisabledMarker);
  }

  if (Count > SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER) {
    NormaliseLegacyOrder (&(*Cache)[SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER]);
  }

  return Status;
}

VOID
MergeDefaultValue (
  IN     UINTN                 Index,
  IN OUT VARIABLE_CACHE_ENTRY  *Entry,
  IN     VOID                  *Found,
  IN     UINTN                 FoundSize
  )
{
  UINTN  PasswordBytes;

  if ((Found == NULL) || (FoundSize == 0)) {
    FreePool (Found);
    return;
  }

  if (Index == SETUP_VARIABLE_INDEX_PASSWORD) {
    // The passwords in force stay; an image never installs one of its own, nor
    // overwrites part of them with a value shorter than the record.
    PasswordBytes = (FoundSize < 2 * SETUP_PASSWORD_FIELD_SIZE) ? FoundSize : 2 * SETUP_PASSWORD_FIELD_SIZE;
    if ((Entry->Data != NULL) && (Entry->Size >= SETUP_PASSWORD_RECORD_SIZE)) {
      CopyMem (Found, Entry->Data, PasswordBytes);
    } else {
      ZeroMem (Found, PasswordBytes);
    }
  }

  if (Entry->Size < FoundSize) {
    SetEntry (Entry, Found, FoundSize);
    return;
  }

  CopyMem (Entry->Data, Found, FoundSize);
  FreePool (Found);
}

static VOID
ReadDefaultFromNvram (
  IN UINTN                 Index,
  IN NVAR_STORE            *Store,
  IN VARIABLE_CACHE_ENTRY  *Entry
  )
{
  VARIABLE_RECORD  *Record = GetVariableRecord (Index);
  RECORD_NAME      Name;
  UINT32           Attributes;
  UINTN            Size = Record->Size;
  VOID             *Found = AllocatePool (Size == 0 ? 1 : Size);
  EFI_STATUS       Status;

  if (Found == NULL) {
    return;
  }

  GetRecordName (Record, &Name);
  Status = NvarGetVariable (Name.Text, &Record->VendorGuid, &Attributes, &Size, Found, Store, NULL);
  if (Status == EFI_BUFFER_TOO_SMALL) {
    FreePool (Found);
    Found  = AllocatePool (Size);
    Status = (Found == NULL) ? EFI_OUT_OF_RESOURCES
                             : NvarGetVariable (Name.Text, &Record->VendorGuid, &Attributes, &Size, Found, Store, NULL);
  }

  if (EFI_ERROR (Status)) {
    FreePool (Found);
    return;
  }

  MergeDefaultValue (Index, Entry, Found, Size);
}

// A defaults image ("StdDefaults" or "MfgDefaults") is a whole NVRAM store: each
// variable of the list that it holds replaces or overlays the cache entry.
static VOID
ApplyDefaultsImage (
  IN CONST CHAR16          *ImageName,
  IN VARIABLE_CACHE_ENTRY  *Cache
  )
{
  UINTN       Size;
  UINT32      Attributes;
  NVAR_STORE  Store;
  VOID        *Image = ReadVariableAlloc (ImageName, &mDefaultsGuid, &Attributes, &Size);

  ZeroMem (&Store, sizeof (Store));
  Store.Base = (UINT8 *)Image;
  Store.Size = (Image == NULL) ? 0 : Size;
  if (!EFI_ERROR (InitNvarStore (&Store, 0, TRUE, NULL))) {
    for (UINTN Index = 0; Index < mDefaultsCount; Index++) {
      ReadDefaultFromNvram (Index, &Store, &Cache[Index]);
    }
  }

  FreePool (Image);
}

static VOID
ApplyControlDefaults (
  VOID
  )
{
  PAGE_RECORD     *Page;
  CONTROL_RECORD  *Control;
  CONST UINT8     *Defaults;
  UINT16          Offset;

  for (UINTN PageIndex = 0; !EFI_ERROR (GetPageData (PageIndex, &Page)); PageIndex++) {
    if (Page->HiiHandle == NULL) {
      continue;
    }

    gDefaultBuildPage = Page->PageNumber;
    for (UINTN N = 0; !EFI_ERROR (GetPageControl (PageIndex, N, &Control)); N++) {
      if ((Control->VariableIndex == SETUP_VARIABLE_INDEX_LANGUAGE) || (Control->VariableIndex == SETUP_VARIABLE_INDEX_BOOT_ORDER) ||
          (Control->VariableIndex == SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER) || (Control->ValueWidth == 0) ||
          (Control->QuestionOpcode == 0))
      {
        continue;
      }

      Defaults = (CONST UINT8 *)Control + CONTROL_RECORD_DEFAULTS;
      Offset   = GetQuestionOffset ((CONST UINT8 *)(UINTN)Control->QuestionOpcode);
      (VOID)AccessCacheBytes (TRUE, gVariableCacheMfgDefaults, Control->VariableIndex, Offset, Control->ValueWidth, (VOID *)Defaults);
      (VOID)AccessCacheBytes (TRUE, gVariableCacheStdDefaults, Control->VariableIndex, Offset, Control->ValueWidth,
              (VOID *)(Defaults + Control->ValueWidth));
    }
  }
}

EFI_STATUS
BuildDefaultCaches (
  VOID
  )
{
  UINTN  Count = GetVariableCount ();
  UINTN  Size;

  FreeCacheArray (&gVariableCacheStdDefaults, mDefaultsCount);
  FreeCacheArray (&gVariableCacheMfgDefaults, mDefaultsCount);
  mDefaultsCount            = 0;
  gVariableCacheStdDefaults = (VARIABLE_CACHE_ENTRY *)AllocateZeroPool (Count * sizeof (VARIABLE_CACHE_ENTRY));
  gVariableCacheMfgDefaults = (VARIABLE_CACHE_ENTRY *)AllocateZeroPool (Count * sizeof (VARIABLE_CACHE_ENTRY));
  if ((gVariableCacheStdDefaults == NULL) || (gVariableCacheMfgDefaults == NULL)) {
    FreeAndNull (gVariableCacheStdDefaults);
    FreeAndNull (gVariableCacheMfgDefaults);
    return EFI_OUT_OF_RESOURCES;
  }

  mDefaultsCount = Count;
  for (UINTN Index = 0; Index < Count; Index++) {
    gVariableCacheStdDefaults[Index].Data = GetVariableByIndex (Index, &Size);
    gVariableCacheStdDefaults[Index].Size = (gVariableCacheStdDefaults[Index].Data == NULL) ? 0 : Size;
    if (gVariableCacheStdDefaults[Index].Size != 0) {
      gVariableCacheMfgDefaults[Index].Data = AllocateCopyPool (Size, gVariableCacheStdDefaults[Index].Data);
      gVariableCacheMfgDefaults[Index].Size = (gVariableCacheMfgDefaults[Index].Data == NULL) ? 0 : Size;
    }
  }

  ApplyControlDefaults ();
  ApplyDefaultsImage (u"StdDefaults", gVariableCacheStdDefaults);
  ApplyDefaultsImage (u"MfgDefaults", gVariableCacheMfgDefaults);
  return EFI_SUCCESS;
}

static VOID
EmptyEntry (
  IN VARIABLE_CACHE_ENTRY  *Cache,
  IN UINTN                 Index
  )
{
  if (Index < CacheCount (Cache)) {
    SetEntry (&Cache[Index], NULL, 0);
  }
}

static VOID
TakeDefaultOrder (
  IN CONST CHAR16  *Name,
  IN UINTN         Index
  )
{
  UINTN   Size;
  UINT32  Attributes;
  VOID    *Data;

  if (Index >= mDefaultsCount) {
    return;
  }

  Data = ReadVariableAlloc (Name, &mDefaultOrderGuid, &Attributes, &Size);
  if (Data != NULL) {
    SetEntry (&gVariableCacheStdDefaults[Index], Data, Size);
  }
}

// Whether the first device of a legacy group is a USB device, by its BBS entry's handle.
static BOOLEAN
IsUsbLegacyGroup (
  IN CONST UINT8      *Group,
  IN UINT16           Length,
  IN CONST BBS_TABLE  *Bbs,
  IN UINT16           BbsCount
  )
{
  UINT16  Index;
  UINT64  Handle;

  if (Length < 4) {
    return FALSE;                 // a group without devices
  }

  // A disabled device keeps its BBS index in the low byte.
  Index = ReadUnaligned16 (Group + LEGACY_GROUP_HEADER_SIZE) & 0x00FF;
  if (Index >= BbsCount) {
    return FALSE;
  }

  Handle = (UINT64)Bbs[Index].IBV1 | ((UINT64)Bbs[Index].IBV2 << 32);
  return (Handle != 0) && IsUsbDevicePath ((EFI_HANDLE)(UINTN)Handle);
}

// The first default group that stands in for the current group, or NO_LEGACY_GROUP.
static UINT64
FindDefaultLegacyGroup (
  IN CONST UINT8      *Current,
  IN UINT16           CurrentLength,
  IN CONST UINT8      *Default,
  IN UINT64           Size,
  IN CONST BBS_TABLE  *Bbs,
  IN UINT16           BbsCount
  )
{
  UINT32  Type = ReadUnaligned32 (Current);
  UINT64  Group;
  UINT16  Length;

  for (Group = 0; LegacyGroupAt (Default, Size, Group, &Length); Group += 4 + Length) {
    if ((ReadUnaligned32 (Default + Group) == Type) &&
        ((Type != BBS_TYPE_HARD_DISK) ||
         (IsUsbLegacyGroup (Current, CurrentLength, Bbs, BbsCount) == IsUsbLegacyGroup (Default + Group, Length, Bbs, BbsCount))))
    {
      return Group;
    }
  }

  return NO_LEGACY_GROUP;
}

//
// The default groups in the current variable's group order; null when a current
// group has no default counterpart, and then there is no default legacy order.
//
static VOID *
MatchDefaultLegacyOrder (
  IN  CONST UINT8      *Current,
  IN  CONST UINT8      *Default,
  IN  UINT64           Size,
  IN  CONST BBS_TABLE  *Bbs,
  IN  UINT16           BbsCount,
  OUT UINTN            *ResultSize
  )
{
  UINT8   *Result = (UINT8 *)AllocateZeroPool ((UINTN)Size);
  UINT64  Out     = 0;
  UINT64  Group;
  UINT64  Match;
  UINT16  Length;
  UINT16  MatchLength;

  for (Group = 0; (Result != NULL) && LegacyGroupAt (Current, Size, Group, &Length); Group += 4 + Length) {
    Match = FindDefaultLegacyGroup (Current + Group, Length, Default, Size, Bbs, BbsCount);
    if ((Match == NO_LEGACY_GROUP) || !LegacyGroupAt (Default, Size, Match, &MatchLength) || (Out + 4 + MatchLength > Size)) {
      FreeAndNull (Result);
      break;
    }

    CopyMem (Result + Out, Default + Match, 4 + MatchLength);
    Out += 4 + MatchLength;
  }

  if ((Result != NULL) && (Out == 0)) {
    FreeAndNull (Result);
  }

  *ResultSize = (UINTN)Out;
  return Result;
}

static VOID
TakeDefaultLegacyOrder (
  VOID
  )
{
  UINT32                    Attributes;
  UINTN                     DefaultSize;
  UINTN                     CurrentSize;
  UINTN                     ResultSize;
  EFI_LEGACY_BIOS_PROTOCOL  *LegacyBios;
  UINT16                    HddCount;
  HDD_INFO                  *HddInfo;
  UINT16                    BbsCount = 0;
  BBS_TABLE                 *Bbs     = NULL;
  VOID                      *Result  = NULL;
  UINT8                     *Default;
  UINT8                     *Current;

  if (mDefaultsCount <= SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER) {
    return;
  }

  Default = (UINT8 *)ReadVariableAlloc (u"DefaultLegacyDevOrder", &mDefaultLegacyGuid, &Attributes, &DefaultSize);
  Current = (UINT8 *)ReadVariableAlloc (u"LegacyDevOrder", &mLegacyOrderGuid, &Attributes, &CurrentSize);
  if ((Default != NULL) && (Current != NULL) && (DefaultSize == CurrentSize) &&
      !EFI_ERROR (gBS->LocateProtocol (&gEfiLegacyBiosProtocolGuid, NULL, (VOID **)&LegacyBios)) && (LegacyBios != NULL) &&
      !EFI_ERROR (LegacyBios->GetBbsInfo (LegacyBios, &HddCount, &HddInfo, &BbsCount, &Bbs)) && (Bbs != NULL))
  {
    Result = MatchDefaultLegacyOrder (Current, Default, CurrentSize, Bbs, BbsCount, &ResultSize);
  }

  if (Result != NULL) {
    SetEntry (&gVariableCacheStdDefaults[SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER], Result, ResultSize);
  }

  FreePool (Default);
  FreePool (Current);
}

EFI_STATUS
LoadDefaultOrders (
  VOID
  )
{
  // The orders and the hook follow even when the caches could not be built: the
  // emptying and the order reads then find no cache to touch.
  EFI_STATUS  Status = BuildDefaultCaches ();

  static CONST UINTN  OrderIndexes[] = { SETUP_VARIABLE_INDEX_BOOT_ORDER, SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER, SETUP_VARIABLE_INDEX_DRIVER_ORDER };

  for (UINTN Index : OrderIndexes) {
    EmptyEntry (gVariableCacheStdDefaults, Index);
    EmptyEntry (gVariableCacheMfgDefaults, Index);
  }

  TakeDefaultOrder (u"DefaultBootOrder", SETUP_VARIABLE_INDEX_BOOT_ORDER);
  TakeDefaultOrder (u"DefaultDriverOrder", SETUP_VARIABLE_INDEX_DRIVER_ORDER);
  TakeDefaultLegacyOrder ();
  HookDefaultOrdersLoaded ();
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
  UINTN                     Count = mCurrentCount;
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

  if ((Index < mCurrentCount) && (Index != SETUP_VARIABLE_INDEX_SNAPSHOT) && (gVariableCache[Index].Size == Header->DataSize) &&
      SameVariable (Header, GetVariableRecord (Index)))
  {
    return Index;
  }

  for (Index = 0; Index < mCurrentCount; Index++) {
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

  if ((gVariableCache == NULL) || (mCurrentCount <= SETUP_VARIABLE_INDEX_SNAPSHOT) ||
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

BOOLEAN
IsUsbDevicePath (
  IN EFI_HANDLE  Handle
  )
{
  CONST UINT8  *Node;
  UINTN        Walked = 0;
  UINT16       Length;

  if (EFI_ERROR (gBS->HandleProtocol (Handle, &gEfiDevicePathProtocolGuid, (VOID **)&Node)) || (Node == NULL)) {
    return FALSE;
  }

  // A node shorter than its header, or a path longer than any real one, ends the walk.
  while ((Node[0] & 0x7F) != END_DEVICE_PATH_TYPE) {
    if ((Node[0] == MESSAGING_DEVICE_PATH) &&
        ((Node[1] == MSG_USB_DP) || (Node[1] == MSG_USB_CLASS_DP) || (Node[1] == MSG_USB_WWID_DP)))
    {
      return TRUE;
    }

    Length = ReadUnaligned16 (Node + 2);
    Walked += Length;
    if ((Length < sizeof (EFI_DEVICE_PATH_PROTOCOL)) || (Walked > 0x10000)) {
      return FALSE;
    }

    Node += Length;
  }

  return FALSE;
}

VOID
FreeCurrentVariableCache (
  VOID
  )
{
  FreeCacheArray (&gVariableCache, mCurrentCount);
  mCurrentCount = 0;
}

VOID
FreeVariableCaches (
  VOID
  )
{
  FreeCacheArray (&gVariableCache, mCurrentCount);
  FreeCacheArray (&gVariableCacheStdDefaults, mDefaultsCount);
  FreeCacheArray (&gVariableCacheMfgDefaults, mDefaultsCount);
  FreeVariableSnapshotCopies ();
  mCurrentCount         = 0;
  mDefaultsCount        = 0;
  gSetupVariableChanged = 0;
  gResetNeeded          = 0;
  gLanguageChanged      = 0;
  gDefaultBuildPage     = 0;
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
  UINTN       OldCount = mCurrentCount;
  EFI_STATUS  Status;

  Status = GrowCacheArray (&gVariableCache, mCurrentCount, Count);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  if ((gVariableCache != NULL) && (Count > mCurrentCount)) {
    mCurrentCount = Count;
    // Variables that a parsed form set added are read in now, as a full load would.
    for (UINTN Index = OldCount; Index < Count; Index++) {
      RefreshCacheEntry (&gVariableCache[Index], Index);
    }
  }

  Status = GrowCacheArray (&gVariableCacheMfgDefaults, mDefaultsCount, Count);
  if (!EFI_ERROR (Status)) {
    Status = GrowCacheArray (&gVariableCacheStdDefaults, mDefaultsCount, Count);
    if (EFI_ERROR (Status)) {
      return Status;     // both default caches keep the old count: the manufacturing one is only longer
    }

    mDefaultsCount = ((gVariableCacheMfgDefaults != NULL) && (Count > mDefaultsCount)) ? Count : mDefaultsCount;
  }

  return Status;
}
