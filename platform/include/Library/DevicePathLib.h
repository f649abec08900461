/** @file
  Device-path walking and building. Every walk is bounded: a node whose length is
  below the 4-byte header or runs past the path's limit makes the path invalid, and
  the routines that take a whole path refuse invalid ones (size 0, null result).
**/
#ifndef LIBRARY_DEVICE_PATH_LIB_H_
#define LIBRARY_DEVICE_PATH_LIB_H_

#include <Uefi.h>
#include <Protocol/DevicePath.h>

// The bound of a path whose size is not known from elsewhere.
#define DEVICE_PATH_MAX_SIZE  0x10000

UINT8 DevicePathType (IN CONST VOID *Node);
UINT8 DevicePathSubType (IN CONST VOID *Node);
UINTN DevicePathNodeLength (IN CONST VOID *Node);
// The node after Node, by Node's length; no check (callers walk valid paths).
EFI_DEVICE_PATH_PROTOCOL *NextDevicePathNode (IN CONST VOID *Node);
BOOLEAN IsDevicePathEndType (IN CONST VOID *Node);
BOOLEAN IsDevicePathEnd (IN CONST VOID *Node);
UINT16 SetDevicePathNodeLength (IN OUT VOID *Node, IN UINTN Length);
VOID SetDevicePathEndNode (OUT VOID *Node);

// TRUE when the path ends with an end-of-path node within MaxSize bytes (0 means
// DEVICE_PATH_MAX_SIZE) and every node before it is well formed.
BOOLEAN IsDevicePathValid (IN CONST EFI_DEVICE_PATH_PROTOCOL *DevicePath, IN UINTN MaxSize);

// Bytes of the path including its end node; 0 for a null or invalid path.
UINTN GetDevicePathSize (IN CONST EFI_DEVICE_PATH_PROTOCOL *DevicePath);

// New pool paths; null on failure or invalid input.
EFI_DEVICE_PATH_PROTOCOL *DuplicateDevicePath (IN CONST EFI_DEVICE_PATH_PROTOCOL *DevicePath);
EFI_DEVICE_PATH_PROTOCOL *AppendDevicePath (IN CONST EFI_DEVICE_PATH_PROTOCOL *FirstDevicePath OPTIONAL,
  IN CONST EFI_DEVICE_PATH_PROTOCOL *SecondDevicePath OPTIONAL);
EFI_DEVICE_PATH_PROTOCOL *AppendDevicePathNode (IN CONST EFI_DEVICE_PATH_PROTOCOL *DevicePath OPTIONAL,
  IN CONST EFI_DEVICE_PATH_PROTOCOL *DevicePathNode);
EFI_DEVICE_PATH_PROTOCOL *CreateDeviceNode (IN UINT8 NodeType, IN UINT8 NodeSubType, IN UINT16 NodeLength);

// The device's path (from its handle) followed by a file-path node for FileName; just
// the file-path node and the end node when Device is null or has no path.
EFI_DEVICE_PATH_PROTOCOL *FileDevicePath (IN EFI_HANDLE Device OPTIONAL, IN CONST CHAR16 *FileName);

// The device-path protocol on Handle, or null.
EFI_DEVICE_PATH_PROTOCOL *DevicePathFromHandle (IN EFI_HANDLE Handle);

#endif
