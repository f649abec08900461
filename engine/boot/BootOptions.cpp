/** @file
  The boot and driver option tables, read from the "Boot####" and "Driver####"
  variables at every POST.

  Load options come from NVRAM, which any boot-time code or an operating system may
  have written: each one is checked whole before any field is taken, and a malformed
  one is passed over as an unreadable one is.
**/
#include <engine/boot/BootFlowCodes.h>
#include <engine/boot/BootOptions.h>
#include <engine/boot/LegacyDevOrder.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>

#include <Guid/GlobalVariable.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>
#include <Library/UefiLib.h>

#define VARIABLE_NAME_START_SIZE  80
#define VARIABLE_NAME_MAX_SIZE    0x10000
#define MAX_VARIABLE_WALK         0x10000          // no store holds more; a looping one must end
#define BOOT_NAME_SIZE            (9 * sizeof (CHAR16))     // "Boot####" and its terminator
#define DRIVER_NAME_SIZE          (11 * sizeof (CHAR16))    // "Driver####" and its terminator
#define DEVICE_PATH_NODE_SIZE     4
#define BBS_DEVICE_PATH_TYPE      0x05
#define BBS_BBS_DP_SUBTYPE        0x01

BOOT_OPTION_INFO  *gBootOptionTable    = NULL;
BOOT_OPTION_INFO  *gDriverOptionTable  = NULL;
BOOT_OPTION_INFO  *gCurrentLegacyGroup = NULL;
UINT16            gBootOrderDisabledMarker   = 0xFFFF;
UINT16            gDriverOrderDisabledMarker = 0xFFFF;

static UINTN  mBootOptionCapacity   = 0;
static UINTN  mDriverOptionCapacity = 0;

static CONST EFI_GUID  mBootFlowGuid = BOOT_FLOW_VARIABLE_GUID;

// The nodes of a device-path list reach an end-of-path node inside the list.
static BOOLEAN
DevicePathListIsWhole (
  IN CONST UINT8  *Path,
  IN UINTN        Size
  )
{
  UINTN  At = 0;

  while (At + DEVICE_PATH_NODE_SIZE <= Size) {
    UINT16  Length = ReadUnaligned16 (Path + At + 2);
    if ((Length < DEVICE_PATH_NODE_SIZE) || (Length > Size - At)) {
      return FALSE;
    }

    if ((Path[At] == END_DEVICE_PATH_TYPE) && (Path[At + 1] == END_ENTIRE_DEVICE_PATH_SUBTYPE)) {
      return TRUE;
    }

    At += Length;
  }

  return FALSE;
}

EFI_STATUS
ParseLoadOption (
  IN  CONST UINT8       *Data,
  IN  UINTN             Size,
  OUT LOAD_OPTION_VIEW  *View
  )
{
  UINTN  At = sizeof (EFI_LOAD_OPTION);
  UINTN  PathEnd;

  ZeroMem (View, sizeof (*View));
  if ((Data == NULL) || (Size < sizeof (EFI_LOAD_OPTION))) {
    return EFI_INVALID_PARAMETER;
  }

  while ((At + sizeof (CHAR16) <= Size) && (ReadUnaligned16 (Data + At) != 0)) {
    At += sizeof (CHAR16);
  }

  if (At + sizeof (CHAR16) > Size) {
    return EFI_INVALID_PARAMETER;           // the description is not terminated
  }

  At                  += sizeof (CHAR16);
  View->DevicePathSize = ReadUnaligned16 (Data + offsetof (EFI_LOAD_OPTION, FilePathListLength));
  PathEnd              = At + View->DevicePathSize;
  if ((PathEnd > Size) || !DevicePathListIsWhole (Data + At, View->DevicePathSize)) {
    return EFI_INVALID_PARAMETER;
  }

  View->Attributes       = ReadUnaligned32 (Data + offsetof (EFI_LOAD_OPTION, Attributes));
  View->Description      = (CONST CHAR16 *)(Data + sizeof (EFI_LOAD_OPTION));
  View->DescriptionSize  = At - sizeof (EFI_LOAD_OPTION);
  View->DevicePath       = (CONST EFI_DEVICE_PATH_PROTOCOL *)(Data + At);
  View->OptionalDataSize = Size - PathEnd;
  View->OptionalData     = (View->OptionalDataSize == 0) ? NULL : Data + PathEnd;
  return EFI_SUCCESS;
}

static VOID
FreeRecord (
  IN BOOT_OPTION_INFO  *Record
  )
{
  FreeAndNull (Record->Description);
  FreeAndNull (Record->DevicePath);
  FreeAndNull (Record->OptionalData);
  FreeAndNull (Record->LegacyDevices);
}

static VOID
FreeTable (
  IN OUT BOOT_OPTION_INFO  **Table,
  IN OUT UINTN             *Count,
  IN OUT UINTN             *Capacity
  )
{
  for (UINTN Index = 0; (*Table != NULL) && (Index < *Count); Index++) {
    FreeRecord (&(*Table)[Index]);
  }

  FreeAndNull (*Table);
  *Count    = 0;
  *Capacity = 0;
}

VOID
FreeBootOptionTables (
  VOID
  )
{
  FreeTable (&gBootOptionTable, &gBootOptionCount, &mBootOptionCapacity);
  FreeTable (&gDriverOptionTable, &gDriverOptionCount, &mDriverOptionCapacity);
  gCurrentLegacyGroup = NULL;
}

// Copies of the option's parts into Record; FALSE (nothing kept) when memory runs out.
static BOOLEAN
FillRecord (
  OUT BOOT_OPTION_INFO        *Record,
  IN  UINT16                  OptionNumber,
  IN  CONST LOAD_OPTION_VIEW  *View
  )
{
  ZeroMem (Record, sizeof (*Record));
  Record->OptionNumber     = OptionNumber;
  Record->Attributes       = View->Attributes;
  Record->DevicePathSize   = View->DevicePathSize;
  Record->OptionalDataSize = View->OptionalDataSize;
  Record->Description      = (CHAR16 *)AllocateCopyPool (View->DescriptionSize, View->Description);
  Record->DevicePath       = (EFI_DEVICE_PATH_PROTOCOL *)AllocateCopyPool (View->DevicePathSize, View->DevicePath);
  if (View->OptionalData != NULL) {
    Record->OptionalData = AllocateCopyPool (View->OptionalDataSize, View->OptionalData);
  }

  if ((Record->Description == NULL) || (Record->DevicePath == NULL) ||
      ((View->OptionalData != NULL) && (Record->OptionalData == NULL)))
  {
    FreeRecord (Record);
    return FALSE;
  }

  return TRUE;
}

// Appends the option in variable Name to its table: EFI_UNSUPPORTED when the table
// cannot grow; an option that cannot be read or is malformed is passed over.
static EFI_STATUS
AddLoadOption (
  IN BOOLEAN       Driver,
  IN CONST CHAR16  *Name,
  IN UINT16        OptionNumber
  )
{
  BOOT_OPTION_INFO  **Table    = Driver ? &gDriverOptionTable : &gBootOptionTable;
  UINTN             *Count     = Driver ? &gDriverOptionCount : &gBootOptionCount;
  UINTN             *Capacity  = Driver ? &mDriverOptionCapacity : &mBootOptionCapacity;
  VOID              *Data      = NULL;
  UINTN             Size       = 0;
  LOAD_OPTION_VIEW  View;

  if (!GrowPoolArray (*Table, *Count, *Capacity, BOOT_OPTION_TABLE_GROWTH)) {
    return EFI_UNSUPPORTED;
  }

  if (!EFI_ERROR (GetVariableBuffer (Name, &gEfiGlobalVariableGuid, &Data, &Size, NULL)) &&
      !EFI_ERROR (ParseLoadOption ((CONST UINT8 *)Data, Size, &View)) &&
      FillRecord (&(*Table)[*Count], OptionNumber, &View))
  {
    if (!Driver) {
      AppendDiskSizeSuffix (&(*Table)[*Count]);
    }

    (*Count)++;
  }

  FreePool (Data);
  return EFI_SUCCESS;
}

// The option number in the last four characters of a matched name.
static UINT16
OptionNumberOf (
  IN CONST CHAR16  *Name,
  IN UINTN         NameSize
  )
{
  UINT16  Number = 0;
  UINT8   Digit  = 0;

  for (UINTN Index = NameSize / sizeof (CHAR16) - 5; Index < NameSize / sizeof (CHAR16) - 1; Index++) {
    (VOID)IsHexDigit (&Digit, Name[Index]);       // the name matched the pattern
    Number = (UINT16)((Number << 4) | Digit);
  }

  return Number;
}

// Reads the option that variable Name holds when it is a "Boot####" or "Driver####"; Context is the collation.
static EFI_STATUS
ConsiderVariable (
  IN VOID            *Context,
  IN CHAR16          *Name,
  IN UINTN           NameSize,
  IN CONST EFI_GUID  *Guid
  )
{
  EFI_UNICODE_COLLATION_PROTOCOL  *Collation = (EFI_UNICODE_COLLATION_PROTOCOL *)Context;

  // Another vendor's "Boot0001" is not a load option: reading it under the global
  // GUID would give the same option a second record.
  if (((NameSize != BOOT_NAME_SIZE) && (NameSize != DRIVER_NAME_SIZE)) || !CompareGuid (Guid, &gEfiGlobalVariableGuid) ||
      (Name[NameSize / sizeof (CHAR16) - 1] != 0))
  {
    return EFI_SUCCESS;
  }

  if (Collation->MetaiMatch (Collation, Name, (CHAR16 *)u"boot[0-9a-f][0-9a-f][0-9a-f][0-9a-f]")) {
    return AddLoadOption (FALSE, Name, OptionNumberOf (Name, NameSize));
  }

  if (Collation->MetaiMatch (Collation, Name, (CHAR16 *)u"Driver[0-9a-f][0-9a-f][0-9a-f][0-9a-f]")) {
    return AddLoadOption (TRUE, Name, OptionNumberOf (Name, NameSize));
  }

  return EFI_SUCCESS;
}

// GetNextVariableName with the name buffer enlarged, keeping the current name, when it is too small.
static EFI_STATUS
NextVariableNameGrowing (
  IN OUT CHAR16    **Name,
  IN OUT UINTN     *BufferSize,
  OUT    UINTN     *NameSize,
  IN OUT EFI_GUID  *Guid
  )
{
  EFI_STATUS  Status;
  CHAR16      *Larger;

  *NameSize = *BufferSize;
  Status    = gRT->GetNextVariableName (NameSize, *Name, Guid);
  if ((Status != EFI_BUFFER_TOO_SMALL) || (*NameSize <= *BufferSize) || (*NameSize > VARIABLE_NAME_MAX_SIZE)) {
    return (Status == EFI_BUFFER_TOO_SMALL) ? EFI_NOT_FOUND : Status;
  }

  Larger = (CHAR16 *)ReallocatePool (*BufferSize, *NameSize, *Name);
  if (Larger == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  *Name       = Larger;
  *BufferSize = *NameSize;
  *NameSize   = *BufferSize;
  return gRT->GetNextVariableName (NameSize, *Name, Guid);
}

EFI_STATUS
ForEachVariableName (
  IN VARIABLE_NAME_VISIT  Visit,
  IN VOID                 *Context
  )
{
  EFI_STATUS  Status     = EFI_SUCCESS;
  UINTN       BufferSize = VARIABLE_NAME_START_SIZE;
  UINTN       NameSize;
  EFI_GUID    Guid;
  CHAR16      *Name      = (CHAR16 *)AllocateZeroPool (BufferSize);

  ZeroMem (&Guid, sizeof (Guid));
  for (UINTN Walk = 0; (Name != NULL) && !EFI_ERROR (Status) && (Walk < MAX_VARIABLE_WALK); Walk++) {
    if (EFI_ERROR (NextVariableNameGrowing (&Name, &BufferSize, &NameSize, &Guid))) {
      break;                                // EFI_NOT_FOUND ends the walk; so does a broken store
    }

    Status = Visit (Context, Name, NameSize, &Guid);
  }

  FreePool (Name);
  return Status;
}

// Under boot flow 7 the one option that boots is the first of "BootOrder".
static BOOLEAN
ReadFirstBootOrderOptionOnly (
  VOID
  )
{
  UINT32  Flow = BOOT_FLOW_NONE;
  UINTN   Size = sizeof (Flow);
  UINT16  *Order = NULL;
  UINTN   OrderSize = 0;
  CHAR16  Name[16];

  if (EFI_ERROR (gRT->GetVariable ((CHAR16 *)u"BootFlow", (EFI_GUID *)&mBootFlowGuid, NULL, &Size, &Flow)) ||
      (Flow != BOOT_FLOW_FIRMWARE_BOOTS))
  {
    return FALSE;
  }

  if (!EFI_ERROR (GetVariableBuffer (u"BootOrder", &gEfiGlobalVariableGuid, (VOID **)&Order, &OrderSize, NULL)) &&
      (OrderSize >= sizeof (UINT16)))
  {
    UINT16  First = ReadUnaligned16 (Order);
    UnicodeSPrint (Name, sizeof (Name), u"Boot%04X", First);
    (VOID)AddLoadOption (FALSE, Name, First);     // one option fits the first step of growth
  }

  FreePool (Order);
  return TRUE;
}

static VOID
TrimTable (
  IN OUT BOOT_OPTION_INFO  **Table,
  IN     UINTN             Count,
  IN OUT UINTN             *Capacity
  )
{
  BOOT_OPTION_INFO  *Trimmed;

  if (Count == 0) {
    FreeAndNull (*Table);
    *Capacity = 0;
  } else if (Count < *Capacity) {
    Trimmed = (BOOT_OPTION_INFO *)ReallocatePool (*Capacity * sizeof (BOOT_OPTION_INFO), Count * sizeof (BOOT_OPTION_INFO),
                *Table);
    if (Trimmed != NULL) {            // otherwise the larger table serves as well
      *Table    = Trimmed;
      *Capacity = Count;
    }
  }
}

UINT16
FindDisabledMarker (
  IN CONST BOOT_OPTION_INFO  *Table,
  IN UINTN                   Count
  )
{
  UINT16  Marker = 0xFFFF;

  // Each pass either ends or lowers the marker, and a table of at most 0x10000
  // distinct numbers leaves one free.
  for (UINTN Index = 0; Index < Count; ) {
    if (Table[Index].OptionNumber == Marker) {
      Marker--;
      Index = 0;
    } else {
      Index++;
    }
  }

  return Marker;
}

EFI_STATUS
BuildBootOptionTables (
  VOID
  )
{
  EFI_UNICODE_COLLATION_PROTOCOL  *Collation = NULL;
  EFI_STATUS                      Status;

  gBootOrderDisabledMarker   = 0xFFFF;
  gDriverOrderDisabledMarker = 0xFFFF;
  FreeBootOptionTables ();
  Status = LocateUnicodeCollation (&Collation);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  if (ReadFirstBootOrderOptionOnly ()) {
    TrimTable (&gBootOptionTable, gBootOptionCount, &mBootOptionCapacity);
    return EFI_SUCCESS;
  }

  Status = ForEachVariableName (ConsiderVariable, Collation);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  gBootOrderDisabledMarker   = FindDisabledMarker (gBootOptionTable, gBootOptionCount);
  gDriverOrderDisabledMarker = FindDisabledMarker (gDriverOptionTable, gDriverOptionCount);
  TrimTable (&gBootOptionTable, gBootOptionCount, &mBootOptionCapacity);
  TrimTable (&gDriverOptionTable, gDriverOptionCount, &mDriverOptionCapacity);
  SyncBootOrder ();
  SyncDriverOrder ();
  return EFI_SUCCESS;
}

static BOOT_OPTION_INFO *
FindOption (
  IN BOOT_OPTION_INFO  *Table,
  IN UINTN             Count,
  IN UINT16            OptionNumber
  )
{
  for (UINTN Index = 0; (Table != NULL) && (Index < Count); Index++) {
    if (Table[Index].OptionNumber == OptionNumber) {
      return &Table[Index];
    }
  }

  return NULL;
}

BOOT_OPTION_INFO *
FindBootOption (
  IN UINT16  OptionNumber
  )
{
  return FindOption (gBootOptionTable, gBootOptionCount, OptionNumber);
}

BOOT_OPTION_INFO *
FindDriverOption (
  IN UINT16  OptionNumber
  )
{
  return FindOption (gDriverOptionTable, gDriverOptionCount, OptionNumber);
}

BOOLEAN
IsLegacyGroup (
  IN CONST BOOT_OPTION_INFO  *Record
  )
{
  CONST UINT8  *Node = (CONST UINT8 *)Record->DevicePath;

  return (BOOLEAN)((Node != NULL) && (Record->DevicePathSize >= DEVICE_PATH_NODE_SIZE) &&
                   ((Node[0] & 0x7F) == BBS_DEVICE_PATH_TYPE) && (Node[1] == BBS_BBS_DP_SUBTYPE));
}

CONST CHAR16 *
GetBootOptionName (
  IN CONST BOOT_OPTION_INFO  *Record
  )
{
  return IsLegacyGroup (Record) ? GetLegacyGroupName (Record) : Record->Description;
}
