/** @file
  The undo record of a save: before a save of several variables writes anything, it
  stores the values they hold ("SetupSaveUndo"), and it deletes the record once every
  write is done or every write is put back. A record found at start-up means a save
  was cut short (a power loss, or a store that went on refusing and could not be put
  back): its values are written back before anything reads the settings, so the
  settings are always the old ones or the new ones, never a mix.

  Layout: u32 signature, u32 record count, then per record: EFI_GUID, u32 attributes
  (0: the variable did not exist and is deleted), u32 name size in bytes with its
  terminator, u32 data size, the UTF-16 name, the data. Only boot-service code can
  write the record, but it comes from NVRAM all the same: it is read whole and
  checked, and it may only name the variables a save writes.
**/
#include <frontend/SavePlan.h>
#include <frontend/SetupSave.h>
#include <engine/boot/LegacyDevOrder.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupData.h>
#include <engine/core/VariableGuids.h>
#include <engine/variables/VariableCache.h>

#include <Guid/GlobalVariable.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>

#define SAVE_UNDO_ATTRIBUTES_NEEDED   EFI_VARIABLE_BOOTSERVICE_ACCESS
#define SAVE_UNDO_ATTRIBUTES_ALLOWED  (EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS)

#define SAVE_UNDO_SIGNATURE    0x444E5553u       // "SUND"
#define SAVE_UNDO_HEADER_SIZE  8
#define SAVE_UNDO_RECORD_HEAD  (sizeof (EFI_GUID) + 3 * sizeof (UINT32))
#define SAVE_UNDO_ATTRIBUTES   (EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS)

static CONST EFI_GUID  mUndoGuid         = ENGINE_SETTINGS_VARIABLE_GUID;
static CONST CHAR16    mUndoName[]       = u"SetupSaveUndo";
static CONST EFI_GUID  mLegacyOrderGuid  = LEGACY_DEV_ORDER_VARIABLE_GUID;
static CONST EFI_GUID  mDisabledDevsGuid = DISABLED_DEVS_VARIABLE_GUID;

/** Where a write goes by name: its own name, or a listed variable's when the store is a UEFI variable. */
static BOOLEAN
UndoTarget (
  IN  CONST PENDING_WRITE  *Write,
  OUT RECORD_NAME          *Name,
  OUT EFI_GUID             *Guid,
  OUT UINT32               *Attributes
  )
{
  VARIABLE_RECORD  *Record;

  if (Write->Index == NOT_LISTED) {
    ZeroMem (Name, sizeof (*Name));
    StrCpyS (Name->Text, ARRAY_SIZE (Name->Text), Write->Name);
    CopyGuid (Guid, &Write->Guid);
    *Attributes = Write->OldExists ? Write->OldAttributes : 0;
    return TRUE;
  }

  Record = GetVariableRecord (Write->Index);
  if ((Record == NULL) || !IsDirectEfiVariable (Write->Index, Record)) {
    return FALSE;       // a driver's store: only the driver can take a value back
  }

  GetRecordName (Record, Name);
  CopyGuid (Guid, &Record->VendorGuid);
  *Attributes = !Write->OldExists ? 0 : ((Record->Attributes != 0) ? Record->Attributes : VARIABLE_DEFAULT_ATTRIBUTES);
  return TRUE;
}

/** Appends one record at *At of Buffer (null: only counts), returning its size. */
static UINTN
PutRecord (
  OUT    UINT8           *Buffer OPTIONAL,
  IN     UINTN           At,
  IN     CONST RECORD_NAME  *Name,
  IN     CONST EFI_GUID  *Guid,
  IN     UINT32          Attributes,
  IN     CONST VOID      *Data,
  IN     UINTN           DataSize
  )
{
  UINTN  NameSize = StrSize (Name->Text);

  if (Attributes == 0) {
    DataSize = 0;
  }

  if (Buffer != NULL) {
    CopyMem (Buffer + At, Guid, sizeof (*Guid));
    WriteUnaligned32 ((UINT32 *)(Buffer + At + 16), Attributes);
    WriteUnaligned32 ((UINT32 *)(Buffer + At + 20), (UINT32)NameSize);
    WriteUnaligned32 ((UINT32 *)(Buffer + At + 24), (UINT32)DataSize);
    CopyMem (Buffer + At + SAVE_UNDO_RECORD_HEAD, Name->Text, NameSize);
    if (DataSize != 0) {
      CopyMem (Buffer + At + SAVE_UNDO_RECORD_HEAD + NameSize, Data, DataSize);
    }
  }

  return SAVE_UNDO_RECORD_HEAD + NameSize + DataSize;
}

/** Builds the record of what the plan's writes replace into Buffer (null: only counts); its size. */
static UINTN
BuildUndoRecord (
  IN  CONST SAVE_PLAN  *Plan,
  OUT UINT8            *Buffer OPTIONAL,
  OUT BOOLEAN          *CoversAll
  )
{
  UINTN        Size  = SAVE_UNDO_HEADER_SIZE;
  UINT32       Count = 0;
  RECORD_NAME  Name;
  EFI_GUID     Guid;
  UINT32       Attributes;

  *CoversAll = TRUE;
  for (UINTN At = 0; At < Plan->Count; At++) {
    CONST PENDING_WRITE  *Write = &Plan->Writes[At];

    if (!UndoTarget (Write, &Name, &Guid, &Attributes)) {
      *CoversAll = FALSE;
      continue;
    }

    Size += PutRecord (Buffer, Size, &Name, &Guid, Attributes, Write->OldData, Write->OldSize);
    Count++;
  }

  if (Buffer != NULL) {
    WriteUnaligned32 ((UINT32 *)Buffer, SAVE_UNDO_SIGNATURE);
    WriteUnaligned32 ((UINT32 *)(Buffer + 4), Count);
  }

  return Size;
}

EFI_STATUS
WriteSaveUndoRecord (
  IN  CONST SAVE_PLAN  *Plan,
  OUT BOOLEAN          *CoversAll
  )
{
  UINTN       Size   = BuildUndoRecord (Plan, NULL, CoversAll);
  UINT8       *Undo;
  EFI_STATUS  Status;
  UINT64      Storage;
  UINT64      Remaining;
  UINT64      Largest;

  // A store that says it takes no variable this large could never hold the record.
  if ((gRT->QueryVariableInfo != NULL) &&
      !EFI_ERROR (gRT->QueryVariableInfo (SAVE_UNDO_ATTRIBUTES, &Storage, &Remaining, &Largest)) && (Size > Largest))
  {
    *CoversAll = FALSE;
    return EFI_BAD_BUFFER_SIZE;
  }

  Undo = (UINT8 *)AllocateZeroPool (Size);
  if (Undo == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  (VOID)BuildUndoRecord (Plan, Undo, CoversAll);
  Status = gRT->SetVariable ((CHAR16 *)mUndoName, (EFI_GUID *)&mUndoGuid, SAVE_UNDO_ATTRIBUTES, Size, Undo);
  FreePool (Undo);
  return Status;
}

EFI_STATUS
DeleteSaveUndoRecord (
  VOID
  )
{
  EFI_STATUS  Status = gRT->SetVariable ((CHAR16 *)mUndoName, (EFI_GUID *)&mUndoGuid, 0, 0, NULL);

  return (Status == EFI_NOT_FOUND) ? EFI_SUCCESS : Status;
}

/** "Boot####" or "Driver####" with four hexadecimal digits. */
static BOOLEAN
IsOptionName (
  IN CONST CHAR16  *Name,
  IN CONST CHAR16  *Prefix
  )
{
  UINTN  Length = StrLen (Prefix);

  if ((StrnCmp (Name, Prefix, Length) != 0) || (StrLen (Name) != Length + 4)) {
    return FALSE;
  }

  for (UINTN At = Length; At < Length + 4; At++) {
    CHAR16  C = Name[At];
    if (!(((C >= u'0') && (C <= u'9')) || ((C >= u'A') && (C <= u'F')) || ((C >= u'a') && (C <= u'f')))) {
      return FALSE;
    }
  }

  return TRUE;
}

/** Whether a save ever writes this variable: the undo record names nothing else. */
static BOOLEAN
SaveWrites (
  IN CONST CHAR16    *Name,
  IN CONST EFI_GUID  *Guid
  )
{
  RECORD_NAME  Listed;

  if (CompareGuid (Guid, &gEfiGlobalVariableGuid) &&
      ((StrCmp (Name, u"BootOrder") == 0) || (StrCmp (Name, u"DriverOrder") == 0) ||
       IsOptionName (Name, u"Boot") || IsOptionName (Name, u"Driver")))
  {
    return TRUE;
  }

  if ((CompareGuid (Guid, &mLegacyOrderGuid) && (StrCmp (Name, u"LegacyDevOrder") == 0)) ||
      (CompareGuid (Guid, &mDisabledDevsGuid) && (StrCmp (Name, u"DisabledDevs") == 0)))
  {
    return TRUE;
  }

  for (UINTN Index = 0; Index < GetVariableCount (); Index++) {
    VARIABLE_RECORD  *Record = GetVariableRecord (Index);
    if ((Record != NULL) && IsDirectEfiVariable (Index, Record) && CompareGuid (Guid, &Record->VendorGuid)) {
      GetRecordName (Record, &Listed);
      if (StrCmp (Name, Listed.Text) == 0) {
        return TRUE;
      }
    }
  }

  return FALSE;
}

BOOLEAN
ReadSaveUndoEntry (
  IN     CONST UINT8        *Undo,
  IN     UINTN              Size,
  IN OUT UINTN              *At,
  OUT    SAVE_UNDO_ENTRY    *Entry
  )
{
  UINTN  NameSize;
  UINTN  DataSize;

  if ((*At > Size) || (Size - *At < SAVE_UNDO_RECORD_HEAD)) {
    return FALSE;
  }

  CopyMem (&Entry->Guid, Undo + *At, sizeof (EFI_GUID));
  Entry->Attributes = ReadUnaligned32 ((CONST UINT32 *)(Undo + *At + 16));
  NameSize          = ReadUnaligned32 ((CONST UINT32 *)(Undo + *At + 20));
  DataSize          = ReadUnaligned32 ((CONST UINT32 *)(Undo + *At + 24));
  *At              += SAVE_UNDO_RECORD_HEAD;
  // A name of at least one character, ending in its terminator and nowhere before.
  if ((NameSize < 2 * sizeof (CHAR16)) || (NameSize > sizeof (Entry->Name.Text)) || ((NameSize % sizeof (CHAR16)) != 0) ||
      (NameSize > Size - *At) || (DataSize > Size - *At - NameSize) || ((Entry->Attributes == 0) != (DataSize == 0)))
  {
    return FALSE;
  }

  // The old values a save keeps carry the plain attributes of a variable it writes (boot-
  // service access, perhaps non-volatile and runtime), or none for a variable to delete: an
  // entry with others is none of ours, and the firmware would refuse it at every start,
  // keeping the record for ever.
  if ((Entry->Attributes != 0) &&
      (((Entry->Attributes & ~(UINT32)SAVE_UNDO_ATTRIBUTES_ALLOWED) != 0) ||
       ((Entry->Attributes & SAVE_UNDO_ATTRIBUTES_NEEDED) != SAVE_UNDO_ATTRIBUTES_NEEDED)))
  {
    return FALSE;
  }

  ZeroMem (&Entry->Name, sizeof (Entry->Name));
  CopyMem (Entry->Name.Text, Undo + *At, NameSize);
  if ((Entry->Name.Text[NameSize / sizeof (CHAR16) - 1] != 0) || (StrLen (Entry->Name.Text) + 1 != NameSize / sizeof (CHAR16))) {
    return FALSE;
  }

  Entry->Data     = Undo + *At + NameSize;
  Entry->DataSize = DataSize;
  *At            += NameSize + DataSize;
  return SaveWrites (Entry->Name.Text, &Entry->Guid);
}

BOOLEAN
CheckSaveUndoRecord (
  IN CONST UINT8  *Undo,
  IN UINTN        Size
  )
{
  UINTN            At = SAVE_UNDO_HEADER_SIZE;
  SAVE_UNDO_ENTRY  Entry;
  UINT32           Count;

  if ((Undo == NULL) || (Size < SAVE_UNDO_HEADER_SIZE) || (ReadUnaligned32 ((CONST UINT32 *)Undo) != SAVE_UNDO_SIGNATURE)) {
    return FALSE;
  }

  Count = ReadUnaligned32 ((CONST UINT32 *)(Undo + 4));
  for (UINT32 Index = 0; Index < Count; Index++) {
    if (!ReadSaveUndoEntry (Undo, Size, &At, &Entry)) {
      return FALSE;
    }
  }

  return (BOOLEAN)(At == Size);
}

VOID
RestoreUnfinishedSave (
  VOID
  )
{
  UINT8            *Undo = NULL;
  UINTN            Size  = 0;
  UINT32           Attributes = 0;
  UINTN            At    = SAVE_UNDO_HEADER_SIZE;
  SAVE_UNDO_ENTRY  Entry;
  BOOLEAN          Done  = TRUE;

  if (EFI_ERROR (GetVariableBuffer (mUndoName, &mUndoGuid, (VOID **)&Undo, &Size, &Attributes))) {
    return;     // no save was cut short (or it cannot be told now: the next start tries again)
  }

  // Only boot-service code could have written it, and only a whole record of ours is acted on.
  if (((Attributes & EFI_VARIABLE_RUNTIME_ACCESS) != 0) || !CheckSaveUndoRecord (Undo, Size)) {
    FreePool (Undo);
    (VOID)DeleteSaveUndoRecord ();      // nothing to put back; a failed delete is met again next start
    return;
  }

  while (ReadSaveUndoEntry (Undo, Size, &At, &Entry)) {
    EFI_STATUS  Status = gRT->SetVariable (Entry.Name.Text, &Entry.Guid, Entry.Attributes, Entry.DataSize,
                           (VOID *)Entry.Data);
    // A store that is full or failing may take the value at the next start: the record
    // stays for it. A value the firmware refuses as such (attributes an architectural
    // variable may not have, a locked variable) is refused at every start: keeping the
    // record would only try it again for ever.
    if ((Status == EFI_DEVICE_ERROR) || (Status == EFI_OUT_OF_RESOURCES)) {
      Done = FALSE;
    }
  }

  FreePool (Undo);
  if (Done) {
    (VOID)DeleteSaveUndoRecord ();      // a record left behind only puts the same values back again
  }
}
