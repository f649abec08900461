/** @file
  The list of a save's pending writes: each write with the value it replaces, read
  before anything is written, so that a want of memory stops a save with NVRAM
  untouched and a refused write can be undone.
**/
#include <engine/boot/SaveWrites.h>
#include <engine/core/EngineGlobals.h>
#include <engine/variables/VariableCache.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>

VOID
FreePlan (
  IN OUT SAVE_PLAN  *Plan
  )
{
  for (UINTN At = 0; At < Plan->Count; At++) {
    FreePool (Plan->Writes[At].Data);
    FreePool (Plan->Writes[At].OldData);
  }

  FreePool (Plan->Writes);
  FreePool (Plan->BootOrder);
  FreePool (Plan->LegacyOrder);
  FreePool (Plan->LegacyOffsets);
  ZeroMem (Plan, sizeof (*Plan));
}

PENDING_WRITE *
AddWrite (
  IN OUT SAVE_PLAN  *Plan,
  IN     UINT8      Phase,
  IN     VOID       *Data,
  IN     UINTN      Size
  )
{
  PENDING_WRITE  *Write;

  // Only a deletion (size 0) comes without data.
  if ((Data == NULL) && (Size != 0)) {
    Plan->NoMemory = TRUE;
    return NULL;
  }

  if (Plan->Count == Plan->Capacity) {
    UINTN          Capacity = Plan->Capacity + 8;
    PENDING_WRITE  *Grown   = (PENDING_WRITE *)ReallocatePool (Plan->Capacity * sizeof (PENDING_WRITE),
                                                 Capacity * sizeof (PENDING_WRITE), Plan->Writes);
    if (Grown == NULL) {
      FreePool (Data);
      Plan->NoMemory = TRUE;
      return NULL;
    }

    Plan->Writes   = Grown;
    Plan->Capacity = Capacity;
  }

  Write = &Plan->Writes[Plan->Count++];
  ZeroMem (Write, sizeof (*Write));
  Write->Index      = NOT_LISTED;
  Write->Data       = Data;
  Write->Size       = Size;
  Write->Phase      = Phase;
  Write->Attributes = (Size == 0) ? 0 : VARIABLE_DEFAULT_ATTRIBUTES;
  return Write;
}

BOOLEAN
ReadOldValue (
  IN OUT SAVE_PLAN     *Plan,
  IN     CONST CHAR16  *Name,
  IN     CONST EFI_GUID  *Guid,
  OUT    VOID          **Data,
  OUT    UINTN         *Size,
  OUT    UINT32        *Attributes,
  OUT    BOOLEAN       *Exists
  )
{
  EFI_STATUS  Status;

  *Attributes = 0;
  Status      = GetVariableBuffer (Name, Guid, Data, Size, Attributes);
  *Exists     = (BOOLEAN)!EFI_ERROR (Status);
  if (Status == EFI_OUT_OF_RESOURCES) {
    Plan->NoMemory = TRUE;
    return FALSE;
  }

  if (EFI_ERROR (Status) && (Status != EFI_NOT_FOUND)) {
    Plan->Unreadable = TRUE;      // what it held could not be put back
    return FALSE;
  }

  return TRUE;
}

/**
  A write of a variable by name, its old value read first; with OnlyWhenChanged, none
  when Data is what NVRAM holds (or nothing is stored and Data is empty). Null, with Data
  freed, when there is no write or the plan cannot take it.
**/
static PENDING_WRITE *
AddVariableWrite (
  IN OUT SAVE_PLAN       *Plan,
  IN     UINT8           Phase,
  IN     CONST CHAR16    *Name,
  IN     CONST EFI_GUID  *Guid,
  IN     UINT32          Attributes,
  IN     VOID            *Data,
  IN     UINTN           Size,
  IN     BOOLEAN         OnlyWhenChanged
  )
{
  VOID           *Old    = NULL;
  UINTN          OldSize = 0;
  UINT32         OldAttributes;
  BOOLEAN        Exists;
  PENDING_WRITE  *Write;

  if (!ReadOldValue (Plan, Name, Guid, &Old, &OldSize, &OldAttributes, &Exists) ||
      (OnlyWhenChanged && (Exists ? SameBytes (Old, OldSize, Data, Size) : (Size == 0))))
  {
    FreePool (Old);
    FreePool (Data);
    return NULL;
  }

  // A deletion carries no data.
  if (Size == 0) {
    FreePool (Data);
    Data = NULL;
  }

  Write = AddWrite (Plan, Phase, Data, Size);
  if (Write == NULL) {
    FreePool (Old);
    return NULL;
  }

  StrCpyS (Write->Name, ARRAY_SIZE (Write->Name), Name);
  CopyGuid (&Write->Guid, Guid);
  Write->Attributes    = (Size == 0) ? 0 : Attributes;
  Write->OldExists     = Exists;
  Write->OldData       = Old;
  Write->OldSize       = OldSize;
  Write->OldAttributes = OldAttributes;
  return Write;
}

PENDING_WRITE *
AddNamedWrite (
  IN OUT SAVE_PLAN       *Plan,
  IN     UINT8           Phase,
  IN     CONST CHAR16    *Name,
  IN     CONST EFI_GUID  *Guid,
  IN     UINT32          Attributes,
  IN     VOID            *Data,
  IN     UINTN           Size
  )
{
  return AddVariableWrite (Plan, Phase, Name, Guid, Attributes, Data, Size, FALSE);
}

PENDING_WRITE *
AddWriteIfChanged (
  IN OUT SAVE_PLAN       *Plan,
  IN     UINT8           Phase,
  IN     CONST CHAR16    *Name,
  IN     CONST EFI_GUID  *Guid,
  IN     UINT32          Attributes,
  IN     VOID            *Data,
  IN     UINTN           Size
  )
{
  if (((Data == NULL) && (Size != 0)) || Plan->NoMemory) {
    Plan->NoMemory = TRUE;
    FreePool (Data);
    return NULL;
  }

  return AddVariableWrite (Plan, Phase, Name, Guid, Attributes, Data, Size, TRUE);
}

BOOLEAN
SameBytes (
  IN CONST VOID  *Stored,
  IN UINTN       StoredSize,
  IN CONST VOID  *Data,
  IN UINTN       Size
  )
{
  return (BOOLEAN)((Stored != NULL) && (StoredSize == Size) && ((Size == 0) || (CompareMem (Stored, Data, Size) == 0)));
}

BOOLEAN
CacheHolds (
  IN UINTN  Index
  )
{
  return (BOOLEAN)((gVariableCache != NULL) && (Index < GetVariableCount ()) && (gVariableCache[Index].Data != NULL) &&
                   (gVariableCache[Index].Size != 0));
}
