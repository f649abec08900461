#include "LoaderParse.h"

#include <Pi/PiFirmwareFile.h>
#include <Uefi/UefiHii.h>

namespace loader {
namespace {

// The fixed header, one run of blocks and the block map's terminating entry.
constexpr UINTN  kVolumeHeaderMin = sizeof (EFI_FIRMWARE_VOLUME_HEADER) + 2 * sizeof (EFI_FV_BLOCK_MAP_ENTRY);
constexpr UINTN  kFileHeaderSize  = sizeof (EFI_FFS_FILE_HEADER);
constexpr UINTN  kFileAlignment   = 8;
constexpr UINT32 kErasedSize      = 0xFFFFFF;  // a size field of erased flash

UINT32
Get16 (
  IN const UINT8  *P
  )
{
  return UINT32 (P[0] | P[1] << 8);
}

UINT32
Get24 (
  IN const UINT8  *P
  )
{
  return UINT32 (P[0] | P[1] << 8 | P[2] << 16);
}

UINT32
Get32 (
  IN const UINT8  *P
  )
{
  return Get24 (P) | UINT32 (P[3]) << 24;
}

UINTN
AlignFile (
  IN UINTN  At
  )
{
  return (At + kFileAlignment - 1) & ~(kFileAlignment - 1);
}

}  // namespace

bool
SameBytes (
  IN const VOID  *A,
  IN const VOID  *B,
  IN UINTN       Size
  )
{
  const UINT8 *X = static_cast<const UINT8 *> (A);
  const UINT8 *Y = static_cast<const UINT8 *> (B);
  for (UINTN I = 0; I < Size; ++I) {
    if (X[I] != Y[I]) {
      return false;
    }
  }
  return true;
}

bool
FindDriverFile (
  IN  const UINT8  *Fv,
  IN  UINTN        Size,
  OUT EFI_GUID     *Name,
  OUT UINTN        *Offset
  )
{
  if (Size < kVolumeHeaderMin) {
    return false;
  }
  const UINTN HeaderLength = Get16 (Fv + offsetof (EFI_FIRMWARE_VOLUME_HEADER, HeaderLength));
  if (HeaderLength < kVolumeHeaderMin || HeaderLength > Size) {
    return false;
  }
  UINTN At = AlignFile (HeaderLength);
  while (At <= Size && Size - At >= kFileHeaderSize) {
    const UINT32 FileSize = Get24 (Fv + At + offsetof (EFI_FFS_FILE_HEADER, Size));
    // Erased space (all ones) or a size that cannot be: no more files.
    if (FileSize == kErasedSize || FileSize < kFileHeaderSize || FileSize > Size - At) {
      return false;
    }
    if (Fv[At + offsetof (EFI_FFS_FILE_HEADER, Type)] != EFI_FV_FILETYPE_FFS_PAD) {
      UINT8 *Out = reinterpret_cast<UINT8 *> (Name);
      for (UINTN I = 0; I < sizeof *Name; ++I) {
        Out[I] = Fv[At + I];
      }
      *Offset = At;
      return true;
    }
    At = AlignFile (At + FileSize);
  }
  return false;
}

bool
NextVariableRecord (
  IN     const UINT8      *Bytes,
  IN     UINTN            Size,
  IN OUT UINTN            *Offset,
  OUT    VARIABLE_RECORD  *Record
  )
{
  UINTN At = *Offset;
  if (At > Size || Size - At < sizeof (EFI_GUID) + 8) {
    return false;
  }
  UINT8 *Guid = reinterpret_cast<UINT8 *> (&Record->Guid);
  for (UINTN I = 0; I < sizeof (EFI_GUID); ++I) {
    Guid[I] = Bytes[At + I];
  }
  Record->Attributes    = Get32 (Bytes + At + 16);
  const UINT32 NameSize = Get32 (Bytes + At + 20);
  At += sizeof (EFI_GUID) + 8;
  const UINTN Capacity = sizeof Record->Name / sizeof Record->Name[0];
  if (NameSize == 0 || NameSize % 2 != 0 || NameSize / 2 >= Capacity || Size - At < NameSize) {
    return false;
  }
  for (UINTN I = 0; I < NameSize / 2; ++I) {
    Record->Name[I] = CHAR16 (Bytes[At + 2 * I] | Bytes[At + 2 * I + 1] << 8);
  }
  Record->Name[NameSize / 2] = 0;
  At += NameSize;
  if (Size - At < 4) {
    return false;
  }
  Record->DataSize = Get32 (Bytes + At);
  At += 4;
  if (Size - At < Record->DataSize) {
    return false;
  }
  Record->Data = Bytes + At;
  *Offset = At + Record->DataSize;
  return true;
}

bool
FindVolumeName (
  IN  const UINT8  *Fv,
  IN  UINTN        Size,
  OUT EFI_GUID     *Name
  )
{
  if (Size < kVolumeHeaderMin) {
    return false;
  }
  const UINTN At = Get16 (Fv + offsetof (EFI_FIRMWARE_VOLUME_HEADER, ExtHeaderOffset));
  if (At == 0 || At > Size || Size - At < sizeof (EFI_FIRMWARE_VOLUME_EXT_HEADER)) {
    return false;
  }
  UINT8 *Out = reinterpret_cast<UINT8 *> (Name);
  for (UINTN I = 0; I < sizeof *Name; ++I) {
    Out[I] = Fv[At + offsetof (EFI_FIRMWARE_VOLUME_EXT_HEADER, FvName) + I];
  }
  return true;
}

const MEDIA_FW_VOL_FILEPATH_DEVICE_PATH *
LastFvFileNode (
  IN const EFI_DEVICE_PATH_PROTOCOL  *Path,
  IN UINTN                           MaxNodes
  )
{
  const MEDIA_FW_VOL_FILEPATH_DEVICE_PATH *Found = nullptr;
  for (UINTN N = 0; Path != nullptr && N < MaxNodes; ++N) {
    if (Path->Type == END_DEVICE_PATH_TYPE) {
      return Found;
    }
    const UINTN Length = UINTN (Path->Length[0] | Path->Length[1] << 8);
    if (Length < sizeof (EFI_DEVICE_PATH_PROTOCOL)) {
      return nullptr;
    }
    Found = nullptr;
    if (Path->Type == MEDIA_DEVICE_PATH && Path->SubType == MEDIA_PIWG_FW_FILE_DP && Length >= sizeof (MEDIA_FW_VOL_FILEPATH_DEVICE_PATH)) {
      Found = reinterpret_cast<const MEDIA_FW_VOL_FILEPATH_DEVICE_PATH *> (Path);
    }
    Path = reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *> (reinterpret_cast<const UINT8 *> (Path) + Length);
  }
  return nullptr;
}

bool
IsLoneFvFileNode (
  IN const EFI_DEVICE_PATH_PROTOCOL  *Path
  )
{
  if (Path == nullptr || Path->Type != MEDIA_DEVICE_PATH || Path->SubType != MEDIA_PIWG_FW_FILE_DP) {
    return false;
  }
  const UINTN Length = UINTN (Path->Length[0] | Path->Length[1] << 8);
  if (Length != sizeof (MEDIA_FW_VOL_FILEPATH_DEVICE_PATH)) {
    return false;
  }
  const EFI_DEVICE_PATH_PROTOCOL *Next =
    reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *> (reinterpret_cast<const UINT8 *> (Path) + Length);
  return Next->Type == END_DEVICE_PATH_TYPE && Next->SubType == END_ENTIRE_DEVICE_PATH_SUBTYPE;
}

bool
FirstStringLanguage (
  IN  const UINT8  *List,
  IN  UINTN        Size,
  OUT CHAR8        *Language,
  IN  UINTN        Capacity
  )
{
  if (Capacity == 0) {
    return false;
  }
  Language[0]                    = 0;
  constexpr UINTN KLanguage      = offsetof (EFI_HII_STRING_PACKAGE_HDR, Language);
  constexpr UINTN KPackageHeader = sizeof (EFI_HII_PACKAGE_HEADER);
  UINTN           At             = sizeof (EFI_HII_PACKAGE_LIST_HEADER);
  while (At <= Size && Size - At >= KPackageHeader) {
    // The package header's first word: 24-bit length, then the type in the top byte.
    const UINT32 Length = Get24 (List + At);
    const UINT8  Type   = List[At + 3];
    if (Type == EFI_HII_PACKAGE_END || Length < KPackageHeader || Length > Size - At) {
      return false;
    }
    if (Type == EFI_HII_PACKAGE_STRINGS && Length > KLanguage) {
      const UINT8 *Name = List + At + KLanguage;
      const UINTN  Room = Length - KLanguage;
      UINTN        I    = 0;
      for (; I + 1 < Capacity && I < Room && Name[I] != 0; ++I) {
        Language[I] = CHAR8 (Name[I]);
      }
      Language[I] = 0;
      return I > 0;
    }
    At += Length;
  }
  return false;
}

}  // namespace loader
