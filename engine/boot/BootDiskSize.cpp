/** @file
  The whole disk behind a block device, and the size suffix that boot options on
  ATAPI, USB, SATA and legacy drives carry in their description.
**/
#include <engine/boot/BootOptions.h>
#include <engine/core/EngineGlobals.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/DevicePathLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>
#include <Library/UefiLib.h>
#include <Protocol/BlockIo.h>

#define MAX_DEVICE_PATH_NODES   64         // deeper paths than any bus nesting
#define UNKNOWN_BLOCK_SIZE      0xFFFF
#define SIZE_SUFFIX_MAX_CHARS   32

static EFI_BLOCK_IO_PROTOCOL *
BlockIoOf (
  IN EFI_HANDLE  Handle
  )
{
  EFI_BLOCK_IO_PROTOCOL  *BlockIo = NULL;

  if (EFI_ERROR (gBS->HandleProtocol (Handle, &gEfiBlockIoProtocolGuid, (VOID **)&BlockIo)) || (BlockIo == NULL) ||
      (BlockIo->Media == NULL))
  {
    return NULL;
  }

  return BlockIo;
}

// The block device whose path is exactly Path's first Keep nodes; null when none.
static EFI_HANDLE
BlockDeviceOfPrefix (
  IN EFI_DEVICE_PATH_PROTOCOL  *Copy,
  IN UINTN                     Keep
  )
{
  EFI_DEVICE_PATH_PROTOCOL  *Node = Copy;
  EFI_DEVICE_PATH_PROTOCOL  *Remaining;
  EFI_HANDLE                Found = NULL;

  for (UINTN Index = 0; Index < Keep; Index++) {
    Node = NextDevicePathNode (Node);
  }

  SetDevicePathEndNode (Node);
  Remaining = Copy;
  if (EFI_ERROR (gBS->LocateDevicePath (&gEfiBlockIoProtocolGuid, &Remaining, &Found)) || !IsDevicePathEnd (Remaining)) {
    return NULL;
  }

  return Found;
}

EFI_HANDLE
GetParentDiskHandle (
  IN EFI_HANDLE  Handle
  )
{
  EFI_BLOCK_IO_PROTOCOL     *BlockIo = BlockIoOf (Handle);
  EFI_DEVICE_PATH_PROTOCOL  *Path    = DevicePathFromHandle (Handle);
  EFI_DEVICE_PATH_PROTOCOL  *Copy;
  EFI_HANDLE                Parent   = Handle;
  EFI_HANDLE                Found;
  UINTN                     Nodes    = 0;

  if ((BlockIo == NULL) || !BlockIo->Media->LogicalPartition || (Path == NULL) ||
      !IsDevicePathValid (Path, 0) || ((Copy = DuplicateDevicePath (Path)) == NULL))
  {
    return Handle;
  }

  for (EFI_DEVICE_PATH_PROTOCOL *Node = Copy; !IsDevicePathEnd (Node) && (Nodes < MAX_DEVICE_PATH_NODES);
       Node = NextDevicePathNode (Node))
  {
    Nodes++;
  }

  // Trimming only shortens the copy, so each shorter prefix is still inside it.
  for (UINTN Keep = Nodes; Keep-- > 1; ) {
    Found   = BlockDeviceOfPrefix (Copy, Keep);
    BlockIo = (Found == NULL) ? NULL : BlockIoOf (Found);
    if ((BlockIo != NULL) && !BlockIo->Media->LogicalPartition) {
      Parent = Found;
      break;
    }
  }

  FreePool (Copy);
  return Parent;
}

// A path that names an ATAPI, USB or SATA device, or a legacy drive.
static BOOLEAN
NamesSizedDisk (
  IN CONST EFI_DEVICE_PATH_PROTOCOL  *Path
  )
{
  for (UINTN Nodes = 0; !IsDevicePathEnd (Path) && (Nodes < MAX_DEVICE_PATH_NODES); Nodes++, Path = NextDevicePathNode (Path)) {
    UINT8  Type    = DevicePathType (Path);
    UINT8  SubType = DevicePathSubType (Path);
    if (((Type == MESSAGING_DEVICE_PATH) && ((SubType == 1) || (SubType == 5) || (SubType == 18))) ||
        ((Type == BBS_DEVICE_PATH) && (SubType == 9)))
    {
      return TRUE;
    }
  }

  return FALSE;
}

BOOLEAN
FormatDiskSizeSuffix (
  IN  EFI_DEVICE_PATH_PROTOCOL  *Path,
  OUT CHAR16                    *Suffix,
  IN  UINTN                     SuffixSize
  )
{
  EFI_DEVICE_PATH_PROTOCOL  *Remaining = Path;
  EFI_HANDLE                Handle     = NULL;
  EFI_BLOCK_IO_PROTOCOL     *BlockIo;

  if ((Path == NULL) || !NamesSizedDisk (Path) ||
      EFI_ERROR (gBS->LocateDevicePath (&gEfiBlockIoProtocolGuid, &Remaining, &Handle)) ||
      ((BlockIo = BlockIoOf (GetParentDiskHandle (Handle))) == NULL) || !BlockIo->Media->MediaPresent ||
      (BlockIo->Media->BlockSize == UNKNOWN_BLOCK_SIZE))
  {
    return FALSE;
  }

  UnicodeSPrint (Suffix, SuffixSize, u" (%LuMB) ",
    ((UINT64)(BlockIo->Media->LastBlock + 1) * BlockIo->Media->BlockSize) >> 20);
  return TRUE;
}

UINTN
TrimmedLength (
  IN CONST CHAR16  *Text
  )
{
  UINTN  Length = StrLen (Text);

  while ((Length > 0) && (Text[Length - 1] == u' ')) {
    Length--;
  }

  return Length;
}

VOID
AppendDiskSizeSuffix (
  IN OUT BOOT_OPTION_INFO  *Record
  )
{
  CHAR16  Suffix[SIZE_SUFFIX_MAX_CHARS];
  CHAR16  *Named;
  UINTN   Length;
  UINTN   Size;

  if (!FormatDiskSizeSuffix (Record->DevicePath, Suffix, sizeof (Suffix))) {
    return;
  }

  Length = TrimmedLength (Record->Description);
  Size   = (Length + SIZE_SUFFIX_MAX_CHARS) * sizeof (CHAR16);
  Named  = (CHAR16 *)AllocateZeroPool (Size);
  if (Named == NULL) {
    return;                           // the plain description serves
  }

  CopyMem (Named, Record->Description, Length * sizeof (CHAR16));
  (VOID)StrCpyS (Named + Length, SIZE_SUFFIX_MAX_CHARS, Suffix);     // sized for any suffix
  FreePool (Record->Description);
  Record->Description = Named;
}
