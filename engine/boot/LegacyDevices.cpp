/** @file
  Legacy devices: their display names, the match of a stored group to a boot
  option, "DisabledDevs", and the group names and disabled states the boot lists
  show.

  Description strings live in the compatibility module's low memory and
  "DisabledDevs" in NVRAM: both are read only up to their known ends.
**/
#include <engine/boot/LegacyDevOrder.h>
#include <engine/boot/OptionLists.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <engine/variables/VariableCache.h>

#include <Guid/GlobalVariable.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/DevicePathLib.h>
#include <Library/IoLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>
#include <Library/UefiLib.h>
#include <Protocol/BlockIo.h>

#define LEGACY_DRIVE_SUBTYPE    9
#define LEGACY_DRIVE_NODE_SIZE  15
#define SIZE_SUFFIX_CHARS       32
#define MAX_PATH_NODES          64

static CONST EFI_GUID  mDisabledDevsGuid = DISABLED_DEVS_VARIABLE_GUID;

// Engine strings that name the BBS device types.
static CONST struct {
  UINT16  DeviceType;
  UINT16  StringId;
} mTypeNames[] = { { 1, 8 }, { 2, 9 }, { 3, 10 }, { 5, 84 }, { 6, 11 }, { 0x80, 12 } };

// The whole device path of a handle, with its size; null when it has none that is whole.
static EFI_DEVICE_PATH_PROTOCOL *
WholePathOf (
  IN  EFI_HANDLE  Handle,
  OUT UINTN       *Size
  )
{
  EFI_DEVICE_PATH_PROTOCOL  *Path = (Handle == NULL) ? NULL : DevicePathFromHandle (Handle);

  if ((Path == NULL) || !IsDevicePathValid (Path, 0)) {
    return NULL;
  }

  *Size = GetDevicePathSize (Path);
  return Path;
}

// The size of the device path at Path up to and including its end node, within Limit; 0 when it has none there.
static UINTN
PathSizeWithin (
  IN CONST UINT8  *Path,
  IN UINTN        Limit
  )
{
  for (UINTN At = 0; At + sizeof (EFI_DEVICE_PATH_PROTOCOL) <= Limit; ) {
    UINT16  Length = ReadUnaligned16 (Path + At + 2);
    if ((Length < sizeof (EFI_DEVICE_PATH_PROTOCOL)) || (Length > Limit - At)) {
      return 0;
    }

    At += Length;
    if ((Path[At - Length] == END_DEVICE_PATH_TYPE) && (Path[At - Length + 1] == END_ENTIRE_DEVICE_PATH_SUBTYPE)) {
      return At;
    }
  }

  return 0;
}

BOOLEAN
LegacyGroupMatchesOption (
  IN CONST BOOT_OPTION_INFO  *Record,
  IN CONST LEGACY_GROUP      *Group,
  IN EFI_HANDLE              Handle
  )
{
  CONST UINT8  *List   = (CONST UINT8 *)Record->DevicePath;
  UINTN        First   = PathSizeWithin (List, Record->DevicePathSize);
  UINTN        Second;
  UINTN        DeviceSize = 0;
  CONST UINT8  *Device;

  (VOID)Group;
  if ((First == 0) || (First == Record->DevicePathSize)) {
    return TRUE;                      // the option holds its BBS path alone
  }

  Second = PathSizeWithin (List + First, Record->DevicePathSize - First);
  Device = (CONST UINT8 *)WholePathOf (Handle, &DeviceSize);
  if (Device == NULL) {
    return TRUE;
  }

  if (Second == 0) {
    return FALSE;                     // no whole second path
  }

  if (Second == DeviceSize) {
    return (BOOLEAN)(CompareMem (Device, List + First, DeviceSize) == 0);
  }

  // A device below the controller the option names: the option's path without its
  // end node begins the device's path.
  Second -= sizeof (EFI_DEVICE_PATH_PROTOCOL);
  return (BOOLEAN)((Second < DeviceSize) && (CompareMem (Device, List + First, Second) == 0));
}

BOOLEAN
IsLegacyDeviceInDisabledDevs (
  IN CONST BBS_TABLE  *Entry
  )
{
  UINTN        DeviceSize = 0;
  CONST UINT8  *Device    = (CONST UINT8 *)WholePathOf (BbsEntryHandle (Entry), &DeviceSize);
  UINT8        *Listed    = NULL;
  UINTN        ListedSize = 0;
  BOOLEAN      Found      = FALSE;
  UINTN        Size;

  if (Device == NULL) {
    return TRUE;
  }

  if (EFI_ERROR (GetVariableBuffer (u"DisabledDevs", &mDisabledDevsGuid, (VOID **)&Listed, &ListedSize, NULL))) {
    return FALSE;
  }

  for (UINTN At = 0; !Found && (At < ListedSize); At += Size) {
    Size = PathSizeWithin (Listed + At, ListedSize - At);
    if (Size == 0) {
      break;                          // a broken entry ends the list
    }

    Found = (BOOLEAN)((Size == DeviceSize) && (CompareMem (Listed + At, Device, Size) == 0));
  }

  FreePool (Listed);
  return Found;
}

// The ASCII description at the entry's real-mode address, widened; FALSE when it has none.
static BOOLEAN
CopyBbsDescription (
  IN  CONST BBS_TABLE  *Entry,
  OUT CHAR16           *Name
  )
{
  UINT32       Address = ((UINT32)Entry->DescStringSegment << 4) + Entry->DescStringOffset;
  UINTN        Available = 0;
  CONST UINT8  *Text;
  UINTN        Length  = 0;

  if (Address == 0) {
    return FALSE;
  }

  Text = MapLegacyMemory (Address, &Available);
  while ((Text != NULL) && (Length < Available) && (Length < LEGACY_DEVICE_NAME_CHARS) && (Text[Length] != 0)) {
    Name[Length] = Text[Length];
    Length++;
  }

  Name[Length] = 0;
  return TRUE;
}

// "<device name> <type name>", either "Unknown" when it has none.
static VOID
ComposeDeviceName (
  IN  CONST BBS_VIEW   *Bbs,
  IN  UINT16           BbsIndex,
  IN  CONST BBS_TABLE  *Entry OPTIONAL,
  OUT CHAR16           *Name
  )
{
  CHAR16  *Device = (Entry == NULL) ? NULL : GetDeviceName (BbsEntryHandle (Entry), BbsIndex, Bbs->HddInfo);
  CHAR16  *Type   = NULL;

  for (UINTN Index = 0; (Entry != NULL) && (Index < ARRAY_SIZE (mTypeNames)); Index++) {
    if (mTypeNames[Index].DeviceType == Entry->DeviceType) {
      Type = HiiGetString (gHiiHandle, mTypeNames[Index].StringId, NULL);
    }
  }

  UnicodeSPrint (Name, LEGACY_DEVICE_NAME_LENGTH * sizeof (CHAR16), u"%s %s", (Device != NULL) ? Device : u"Unknown",
    (Type != NULL) ? Type : u"Unknown");
  FreePool (Device);
  FreePool (Type);
}

// Whether a legacy-drive node names the entry's PCI location and drive.
static BOOLEAN
NamesLegacyDrive (
  IN CONST UINT8      *Node,
  IN CONST BBS_TABLE  *Entry
  )
{
  return (BOOLEAN)((DevicePathType (Node) == BBS_DEVICE_PATH) && (DevicePathSubType (Node) == LEGACY_DRIVE_SUBTYPE) &&
                   (DevicePathNodeLength (Node) >= LEGACY_DRIVE_NODE_SIZE) && (Node[4] == (UINT8)Entry->Bus) &&
                   (Node[5] == (UINT8)Entry->Device) && (Node[6] == (UINT8)Entry->Function) &&
                   (ReadUnaligned64 (Node + 7) == Entry->AssignedDriveNumber));
}

// The path of the first block device whose path holds a legacy-drive node for the entry.
static EFI_DEVICE_PATH_PROTOCOL *
FindLegacyDrivePath (
  IN CONST BBS_TABLE  *Entry
  )
{
  EFI_HANDLE                *Handles = NULL;
  UINTN                     Count    = 0;
  EFI_DEVICE_PATH_PROTOCOL  *Found   = NULL;
  UINTN                     Size;

  if (EFI_ERROR (gBS->LocateHandleBuffer (ByProtocol, &gEfiBlockIoProtocolGuid, NULL, &Count, &Handles))) {
    return NULL;
  }

  for (UINTN Index = 0; (Found == NULL) && (Index < Count); Index++) {
    CONST UINT8  *Node = (CONST UINT8 *)WholePathOf (Handles[Index], &Size);
    for (UINTN Nodes = 0; (Node != NULL) && !IsDevicePathEnd (Node) && (Nodes < MAX_PATH_NODES); Nodes++) {
      if (NamesLegacyDrive (Node, Entry)) {
        Found = DevicePathFromHandle (Handles[Index]);
        break;
      }

      Node = (CONST UINT8 *)NextDevicePathNode (Node);
    }
  }

  FreePool (Handles);
  return Found;
}

// The disk size after the name, for a device whose disk has known media.
static VOID
AppendLegacySizeSuffix (
  IN     CONST BBS_TABLE  *Entry,
  IN OUT CHAR16           *Name
  )
{
  UINTN                     Size = 0;
  EFI_DEVICE_PATH_PROTOCOL  *Path = WholePathOf (BbsEntryHandle (Entry), &Size);
  CHAR16                    Suffix[SIZE_SUFFIX_CHARS];
  UINTN                     Length;

  if ((Path == NULL) && (Entry->DeviceType != BBS_TYPE_CDROM)) {
    Path = FindLegacyDrivePath (Entry);
  }

  if ((Path == NULL) || !FormatDiskSizeSuffix (Path, Suffix, sizeof (Suffix))) {
    return;
  }

  Length = TrimmedLength (Name);
  if (Length > LEGACY_DEVICE_NAME_CHARS - 1) {
    Length = LEGACY_DEVICE_NAME_CHARS - 1;
  }

  Name[Length] = 0;
  // Cut to one character less than a name may hold, as the size must show.
  (VOID)StrnCatS (Name, LEGACY_DEVICE_NAME_CHARS, Suffix, LEGACY_DEVICE_NAME_CHARS - 1 - Length);
}

VOID
GetLegacyDeviceName (
  IN  CONST BBS_VIEW  *Bbs,
  IN  UINT16          BbsIndex,
  OUT CHAR16          *Name
  )
{
  CONST BBS_TABLE  *Entry = (BbsIndex < Bbs->Count) ? &Bbs->Table[BbsIndex] : NULL;

  Name[0] = 0;
  if ((Entry != NULL) && CopyBbsDescription (Entry, Name)) {
    AppendLegacySizeSuffix (Entry, Name);
    return;
  }

  ComposeDeviceName (Bbs, BbsIndex, Entry, Name);
  if (Entry != NULL) {
    AppendLegacySizeSuffix (Entry, Name);
  }
}
