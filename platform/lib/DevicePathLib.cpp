/** @file
  Device-path walking and building over pool buffers.
**/
#include <Library/DevicePathLib.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PlatformLib.h>

UINT8 DevicePathType (IN CONST VOID *Node) { return ((CONST EFI_DEVICE_PATH_PROTOCOL *)Node)->Type; }
UINT8 DevicePathSubType (IN CONST VOID *Node) { return ((CONST EFI_DEVICE_PATH_PROTOCOL *)Node)->SubType; }
UINTN DevicePathNodeLength (IN CONST VOID *Node) { return ReadUnaligned16 (((CONST EFI_DEVICE_PATH_PROTOCOL *)Node)->Length); }

EFI_DEVICE_PATH_PROTOCOL *
NextDevicePathNode (IN CONST VOID *Node)
{
  return (EFI_DEVICE_PATH_PROTOCOL *)((CONST UINT8 *)Node + DevicePathNodeLength (Node));
}

BOOLEAN IsDevicePathEndType (IN CONST VOID *Node) { return DevicePathType (Node) == END_DEVICE_PATH_TYPE; }

BOOLEAN
IsDevicePathEnd (IN CONST VOID *Node)
{
  return IsDevicePathEndType (Node) && (DevicePathSubType (Node) == END_ENTIRE_DEVICE_PATH_SUBTYPE);
}

UINT16
SetDevicePathNodeLength (IN OUT VOID *Node, IN UINTN Length)
{
  return WriteUnaligned16 (((EFI_DEVICE_PATH_PROTOCOL *)Node)->Length, (UINT16)Length);
}

VOID
SetDevicePathEndNode (OUT VOID *Node)
{
  EFI_DEVICE_PATH_PROTOCOL  *End = (EFI_DEVICE_PATH_PROTOCOL *)Node;

  End->Type    = END_DEVICE_PATH_TYPE;
  End->SubType = END_ENTIRE_DEVICE_PATH_SUBTYPE;
  SetDevicePathNodeLength (End, END_DEVICE_PATH_LENGTH);
}

// Size of the path up to and including its end node, or 0 when a node is malformed,
// the end is not reached within MaxSize, or the end node is not exactly 4 bytes (every
// builder replaces an end node by counting 4 bytes for it).
static UINTN
MeasureDevicePath (CONST EFI_DEVICE_PATH_PROTOCOL *DevicePath, UINTN MaxSize)
{
  CONST UINT8  *Start = (CONST UINT8 *)DevicePath;
  UINTN        Offset = 0;

  if (DevicePath == nullptr) {
    return 0;
  }

  while (MaxSize - Offset >= sizeof (EFI_DEVICE_PATH_PROTOCOL)) {
    UINTN  Length = DevicePathNodeLength (Start + Offset);

    if ((Length < sizeof (EFI_DEVICE_PATH_PROTOCOL)) || (Length > MaxSize - Offset)) {
      return 0;
    }

    Offset += Length;
    if (IsDevicePathEnd (Start + Offset - Length)) {
      return (Length == END_DEVICE_PATH_LENGTH) ? Offset : 0;
    }
  }

  return 0;
}

BOOLEAN
IsDevicePathValid (IN CONST EFI_DEVICE_PATH_PROTOCOL *DevicePath, IN UINTN MaxSize)
{
  return MeasureDevicePath (DevicePath, (MaxSize == 0) ? DEVICE_PATH_MAX_SIZE : MaxSize) != 0;
}

UINTN
GetDevicePathSize (IN CONST EFI_DEVICE_PATH_PROTOCOL *DevicePath)
{
  return MeasureDevicePath (DevicePath, DEVICE_PATH_MAX_SIZE);
}

EFI_DEVICE_PATH_PROTOCOL *
DuplicateDevicePath (IN CONST EFI_DEVICE_PATH_PROTOCOL *DevicePath)
{
  UINTN  Size = GetDevicePathSize (DevicePath);

  return (Size == 0) ? nullptr : (EFI_DEVICE_PATH_PROTOCOL *)AllocateCopyPool (Size, DevicePath);
}

EFI_DEVICE_PATH_PROTOCOL *
AppendDevicePath (IN CONST EFI_DEVICE_PATH_PROTOCOL *First OPTIONAL, IN CONST EFI_DEVICE_PATH_PROTOCOL *Second OPTIONAL)
{
  UINTN                     FirstSize;
  UINTN                     SecondSize;
  EFI_DEVICE_PATH_PROTOCOL  *Result;

  if ((First == nullptr) && (Second == nullptr)) {
    Result = (EFI_DEVICE_PATH_PROTOCOL *)AllocatePool (END_DEVICE_PATH_LENGTH);
    if (Result != nullptr) {
      SetDevicePathEndNode (Result);
    }

    return Result;
  }

  if ((First == nullptr) || (Second == nullptr)) {
    return DuplicateDevicePath ((First == nullptr) ? Second : First);
  }

  FirstSize  = GetDevicePathSize (First);
  SecondSize = GetDevicePathSize (Second);
  if ((FirstSize == 0) || (SecondSize == 0)) {
    return nullptr;
  }

  // The first path's end node gives way to the second path.
  Result = (EFI_DEVICE_PATH_PROTOCOL *)AllocatePool (FirstSize - END_DEVICE_PATH_LENGTH + SecondSize);
  if (Result != nullptr) {
    CopyMem (Result, First, FirstSize - END_DEVICE_PATH_LENGTH);
    CopyMem ((UINT8 *)Result + FirstSize - END_DEVICE_PATH_LENGTH, Second, SecondSize);
  }

  return Result;
}

EFI_DEVICE_PATH_PROTOCOL *
AppendDevicePathNode (IN CONST EFI_DEVICE_PATH_PROTOCOL *DevicePath OPTIONAL, IN CONST EFI_DEVICE_PATH_PROTOCOL *Node)
{
  UINTN                     NodeLength;
  UINT8                     *Single;
  EFI_DEVICE_PATH_PROTOCOL  *Result;

  if (Node == nullptr) {
    return AppendDevicePath (DevicePath, nullptr);   // an end node alone when both are absent
  }

  NodeLength = DevicePathNodeLength (Node);
  if (NodeLength < sizeof (EFI_DEVICE_PATH_PROTOCOL)) {
    return nullptr;
  }

  // The node as a path of its own, then the general append.
  Single = (UINT8 *)AllocatePool (NodeLength + END_DEVICE_PATH_LENGTH);
  if (Single == nullptr) {
    return nullptr;
  }

  CopyMem (Single, Node, NodeLength);
  SetDevicePathEndNode (Single + NodeLength);
  Result = AppendDevicePath (DevicePath, (EFI_DEVICE_PATH_PROTOCOL *)Single);
  FreePool (Single);
  return Result;
}

EFI_DEVICE_PATH_PROTOCOL *
CreateDeviceNode (IN UINT8 NodeType, IN UINT8 NodeSubType, IN UINT16 NodeLength)
{
  EFI_DEVICE_PATH_PROTOCOL  *Node;

  if (NodeLength < sizeof (EFI_DEVICE_PATH_PROTOCOL)) {
    return nullptr;
  }

  Node = (EFI_DEVICE_PATH_PROTOCOL *)AllocateZeroPool (NodeLength);
  if (Node != nullptr) {
    Node->Type    = NodeType;
    Node->SubType = NodeSubType;
    SetDevicePathNodeLength (Node, NodeLength);
  }

  return Node;
}

EFI_DEVICE_PATH_PROTOCOL *
DevicePathFromHandle (IN EFI_HANDLE Handle)
{
  EFI_DEVICE_PATH_PROTOCOL  *DevicePath = nullptr;

  if ((Handle == nullptr) || (gLibBS == nullptr) ||
      EFI_ERROR (gLibBS->HandleProtocol (Handle, &gEfiDevicePathProtocolGuid, (VOID **)&DevicePath))) {
    return nullptr;
  }

  return DevicePath;
}

EFI_DEVICE_PATH_PROTOCOL *
FileDevicePath (IN EFI_HANDLE Device OPTIONAL, IN CONST CHAR16 *FileName)
{
  UINTN                     NameSize;
  FILEPATH_DEVICE_PATH      *FileNode;
  EFI_DEVICE_PATH_PROTOCOL  *Result;

  if (FileName == nullptr) {
    return nullptr;
  }

  NameSize = StrSize (FileName);
  if (SIZE_OF_FILEPATH_DEVICE_PATH + NameSize > 0xFFFF) {
    return nullptr;     // a node length is 16 bits
  }

  FileNode = (FILEPATH_DEVICE_PATH *)CreateDeviceNode (MEDIA_DEVICE_PATH, MEDIA_FILEPATH_DP,
               (UINT16)(SIZE_OF_FILEPATH_DEVICE_PATH + NameSize));
  if (FileNode == nullptr) {
    return nullptr;
  }

  CopyMem ((UINT8 *)FileNode + SIZE_OF_FILEPATH_DEVICE_PATH, FileName, NameSize);
  Result = AppendDevicePathNode (DevicePathFromHandle (Device), &FileNode->Header);
  FreePool (FileNode);
  return Result;
}
