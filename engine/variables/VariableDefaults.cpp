/** @file
  The default caches: each variable's standard and manufacturing defaults, first its
  stored value, then what the defaults images in NVRAM hold for it. The questions'
  own defaults go between the two (BuildDefaultCaches, in the forms, which know where
  each question's value lies).
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

static CONST EFI_GUID  mDefaultsGuid     = SETUP_DEFAULTS_VARIABLE_GUID;

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
    for (UINTN Index = 0; Index < gDefaultCacheCount; Index++) {
      ReadDefaultFromNvram (Index, &Store, &Cache[Index]);
    }
  }

  FreePool (Image);
}

VOID
WriteDefaultBytes (
  IN UINTN       Index,
  IN UINTN       Offset,
  IN UINTN       Size,
  IN CONST VOID  *Manufacturing OPTIONAL,
  IN CONST VOID  *Standard OPTIONAL
  )
{
  // A default cache that cannot take the value keeps the one it had (zero when new).
  if (Manufacturing != NULL) {
    (VOID)AccessCacheBytes (TRUE, gVariableCacheMfgDefaults, Index, Offset, Size, (VOID *)Manufacturing);
  }

  if (Standard != NULL) {
    (VOID)AccessCacheBytes (TRUE, gVariableCacheStdDefaults, Index, Offset, Size, (VOID *)Standard);
  }
}

EFI_STATUS
TakeStoredDefaults (
  VOID
  )
{
  UINTN  Count = GetVariableCount ();
  UINTN  Size;

  FreeCacheArray (&gVariableCacheStdDefaults, gDefaultCacheCount);
  FreeCacheArray (&gVariableCacheMfgDefaults, gDefaultCacheCount);
  gDefaultCacheCount            = 0;
  gVariableCacheStdDefaults = (VARIABLE_CACHE_ENTRY *)AllocateZeroPool (Count * sizeof (VARIABLE_CACHE_ENTRY));
  gVariableCacheMfgDefaults = (VARIABLE_CACHE_ENTRY *)AllocateZeroPool (Count * sizeof (VARIABLE_CACHE_ENTRY));
  if ((gVariableCacheStdDefaults == NULL) || (gVariableCacheMfgDefaults == NULL)) {
    FreeAndNull (gVariableCacheStdDefaults);
    FreeAndNull (gVariableCacheMfgDefaults);
    return EFI_OUT_OF_RESOURCES;
  }

  gDefaultCacheCount = Count;
  for (UINTN Index = 0; Index < Count; Index++) {
    gVariableCacheStdDefaults[Index].Data = GetVariableByIndex (Index, &Size);
    gVariableCacheStdDefaults[Index].Size = (gVariableCacheStdDefaults[Index].Data == NULL) ? 0 : Size;
    if (gVariableCacheStdDefaults[Index].Size != 0) {
      gVariableCacheMfgDefaults[Index].Data = AllocateCopyPool (Size, gVariableCacheStdDefaults[Index].Data);
      gVariableCacheMfgDefaults[Index].Size = (gVariableCacheMfgDefaults[Index].Data == NULL) ? 0 : Size;
    }
  }

  return EFI_SUCCESS;
}

VOID
ApplyDefaultsImages (
  VOID
  )
{
  ApplyDefaultsImage (u"StdDefaults", gVariableCacheStdDefaults);
  ApplyDefaultsImage (u"MfgDefaults", gVariableCacheMfgDefaults);
}
