#include "LoaderParse.h"

#include <Pi/PiFirmwareFile.h>
#include <Uefi/UefiHii.h>

namespace loader {
namespace {

// The fixed header, one run of blocks and the block map's terminating entry.
constexpr UINTN kVolumeHeaderMin = sizeof(EFI_FIRMWARE_VOLUME_HEADER) + 2 * sizeof(EFI_FV_BLOCK_MAP_ENTRY);
constexpr UINTN kFileHeaderSize = sizeof(EFI_FFS_FILE_HEADER);
constexpr UINTN kFileAlignment = 8;
constexpr UINT32 kErasedSize = 0xFFFFFF;  // a size field of erased flash

UINT32 Get16(const UINT8* p) { return UINT32(p[0] | p[1] << 8); }
UINT32 Get24(const UINT8* p) { return UINT32(p[0] | p[1] << 8 | p[2] << 16); }
UINT32 Get32(const UINT8* p) { return Get24(p) | UINT32(p[3]) << 24; }
UINTN AlignFile(UINTN at) { return (at + kFileAlignment - 1) & ~(kFileAlignment - 1); }

}  // namespace

bool SameBytes(const VOID* a, const VOID* b, UINTN size) {
  const UINT8* x = static_cast<const UINT8*>(a);
  const UINT8* y = static_cast<const UINT8*>(b);
  for (UINTN i = 0; i < size; ++i)
    if (x[i] != y[i]) return false;
  return true;
}

bool FindDriverFile(const UINT8* fv, UINTN size, EFI_GUID* name, UINTN* offset) {
  if (size < kVolumeHeaderMin) return false;
  const UINTN headerLength = Get16(fv + offsetof(EFI_FIRMWARE_VOLUME_HEADER, HeaderLength));
  if (headerLength < kVolumeHeaderMin || headerLength > size) return false;
  UINTN at = AlignFile(headerLength);
  while (at <= size && size - at >= kFileHeaderSize) {
    const UINT32 fileSize = Get24(fv + at + offsetof(EFI_FFS_FILE_HEADER, Size));
    // Erased space (all ones) or a size that cannot be: no more files.
    if (fileSize == kErasedSize || fileSize < kFileHeaderSize || fileSize > size - at) return false;
    if (fv[at + offsetof(EFI_FFS_FILE_HEADER, Type)] != EFI_FV_FILETYPE_FFS_PAD) {
      UINT8* out = reinterpret_cast<UINT8*>(name);
      for (UINTN i = 0; i < sizeof *name; ++i) out[i] = fv[at + i];
      *offset = at;
      return true;
    }
    at = AlignFile(at + fileSize);
  }
  return false;
}

bool NextVariableRecord(const UINT8* bytes, UINTN size, UINTN* offset, VARIABLE_RECORD* record) {
  UINTN at = *offset;
  if (at > size || size - at < sizeof(EFI_GUID) + 8) return false;
  UINT8* guid = reinterpret_cast<UINT8*>(&record->guid);
  for (UINTN i = 0; i < sizeof(EFI_GUID); ++i) guid[i] = bytes[at + i];
  record->attributes = Get32(bytes + at + 16);
  const UINT32 nameSize = Get32(bytes + at + 20);
  at += sizeof(EFI_GUID) + 8;
  const UINTN capacity = sizeof record->name / sizeof record->name[0];
  if (nameSize == 0 || nameSize % 2 != 0 || nameSize / 2 >= capacity || size - at < nameSize) return false;
  for (UINTN i = 0; i < nameSize / 2; ++i) record->name[i] = CHAR16(bytes[at + 2 * i] | bytes[at + 2 * i + 1] << 8);
  record->name[nameSize / 2] = 0;
  at += nameSize;
  if (size - at < 4) return false;
  record->dataSize = Get32(bytes + at);
  at += 4;
  if (size - at < record->dataSize) return false;
  record->data = bytes + at;
  *offset = at + record->dataSize;
  return true;
}

bool FindVolumeName(const UINT8* fv, UINTN size, EFI_GUID* name) {
  if (size < kVolumeHeaderMin) return false;
  const UINTN at = Get16(fv + offsetof(EFI_FIRMWARE_VOLUME_HEADER, ExtHeaderOffset));
  if (at == 0 || at > size || size - at < sizeof(EFI_FIRMWARE_VOLUME_EXT_HEADER)) return false;
  UINT8* out = reinterpret_cast<UINT8*>(name);
  for (UINTN i = 0; i < sizeof *name; ++i) out[i] = fv[at + offsetof(EFI_FIRMWARE_VOLUME_EXT_HEADER, FvName) + i];
  return true;
}

const MEDIA_FW_VOL_FILEPATH_DEVICE_PATH* LastFvFileNode(const EFI_DEVICE_PATH_PROTOCOL* path,
                                                        UINTN maxNodes) {
  const MEDIA_FW_VOL_FILEPATH_DEVICE_PATH* found = nullptr;
  for (UINTN n = 0; path != nullptr && n < maxNodes; ++n) {
    if (path->Type == END_DEVICE_PATH_TYPE) return found;
    const UINTN length = UINTN(path->Length[0] | path->Length[1] << 8);
    if (length < sizeof(EFI_DEVICE_PATH_PROTOCOL)) return nullptr;
    found = nullptr;
    if (path->Type == MEDIA_DEVICE_PATH && path->SubType == MEDIA_PIWG_FW_FILE_DP &&
        length >= sizeof(MEDIA_FW_VOL_FILEPATH_DEVICE_PATH))
      found = reinterpret_cast<const MEDIA_FW_VOL_FILEPATH_DEVICE_PATH*>(path);
    path = reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL*>(
        reinterpret_cast<const UINT8*>(path) + length);
  }
  return nullptr;
}

bool IsLoneFvFileNode(const EFI_DEVICE_PATH_PROTOCOL* path) {
  if (path == nullptr || path->Type != MEDIA_DEVICE_PATH || path->SubType != MEDIA_PIWG_FW_FILE_DP)
    return false;
  const UINTN length = UINTN(path->Length[0] | path->Length[1] << 8);
  if (length != sizeof(MEDIA_FW_VOL_FILEPATH_DEVICE_PATH)) return false;
  const EFI_DEVICE_PATH_PROTOCOL* next = reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL*>(
      reinterpret_cast<const UINT8*>(path) + length);
  return next->Type == END_DEVICE_PATH_TYPE && next->SubType == END_ENTIRE_DEVICE_PATH_SUBTYPE;
}

bool FirstStringLanguage(const UINT8* list, UINTN size, CHAR8* language, UINTN capacity) {
  if (capacity == 0) return false;
  language[0] = 0;
  constexpr UINTN kLanguage = offsetof(EFI_HII_STRING_PACKAGE_HDR, Language);
  constexpr UINTN kPackageHeader = sizeof(EFI_HII_PACKAGE_HEADER);
  UINTN at = sizeof(EFI_HII_PACKAGE_LIST_HEADER);
  while (at <= size && size - at >= kPackageHeader) {
    // The package header's first word: 24-bit length, then the type in the top byte.
    const UINT32 length = Get24(list + at);
    const UINT8 type = list[at + 3];
    if (type == EFI_HII_PACKAGE_END || length < kPackageHeader || length > size - at) return false;
    if (type == EFI_HII_PACKAGE_STRINGS && length > kLanguage) {
      const UINT8* name = list + at + kLanguage;
      const UINTN room = length - kLanguage;
      UINTN i = 0;
      for (; i + 1 < capacity && i < room && name[i] != 0; ++i) language[i] = CHAR8(name[i]);
      language[i] = 0;
      return i > 0;
    }
    at += length;
  }
  return false;
}

}  // namespace loader
