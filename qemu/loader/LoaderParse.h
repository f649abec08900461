/** @file
  The loader's readers of outside data (our firmware volume, device paths from the
  firmware, exported package lists), kept free of firmware calls so that the host tests
  run them on the bytes our own tools write. Every walk is bounded by the data's end.
**/
#ifndef QEMU_LOADER_PARSE_H_
#define QEMU_LOADER_PARSE_H_

#include <Uefi.h>
#include <Protocol/DevicePath.h>

namespace loader {

// The name and offset of the first file of a volume that is not a pad file.
bool
FindDriverFile (
  IN  const UINT8  *Fv,
  IN  UINTN        Size,
  OUT EFI_GUID     *Name,
  OUT UINTN        *Offset
  );

// The name an extended header gives the volume; false when it has none.
bool
FindVolumeName (
  IN  const UINT8  *Fv,
  IN  UINTN        Size,
  OUT EFI_GUID     *Name
  );

// The firmware-file node that ends a device path, or null; `MaxNodes` bounds the walk
// and a node shorter than its header ends it.
const MEDIA_FW_VOL_FILEPATH_DEVICE_PATH *
LastFvFileNode (
  IN const EFI_DEVICE_PATH_PROTOCOL  *Path,
  IN UINTN                           MaxNodes
  );

// True when the path is exactly one firmware-file node and the end node: what the
// firmware gives a driver it dispatched from a volume, and what the driver reads its
// own file name from.
bool
IsLoneFvFileNode (
  IN const EFI_DEVICE_PATH_PROTOCOL  *Path
  );

// The language of the first string package of an exported package list, as a
// NUL-terminated ASCII string of at most `Capacity` - 1 characters.
bool
FirstStringLanguage (
  IN  const UINT8  *List,
  IN  UINTN        Size,
  OUT CHAR8        *Language,
  IN  UINTN        Capacity
  );

// One record of a variable file (the layout of OVMF's VARS.BIN export): GUID, u32
// attributes, u32 name size in bytes (UTF-16LE, no terminator), name, u32 data size, data.
struct VARIABLE_RECORD {
  EFI_GUID     Guid;
  UINT32       Attributes;
  CHAR16       Name[64];  // NUL-terminated copy
  const UINT8 *Data;
  UINTN        DataSize;
};

// Reads the record at *offset and moves past it; false at the end and at a record that
// does not fit the data or whose name is empty, odd-sized or too long for `Name`.
bool
NextVariableRecord (
  IN     const UINT8      *Bytes,
  IN     UINTN            Size,
  IN OUT UINTN            *Offset,
  OUT    VARIABLE_RECORD  *Record
  );

bool
SameBytes (
  IN const VOID  *A,
  IN const VOID  *B,
  IN UINTN       Size
  );

}  // namespace loader

#endif
