// Firmware-volume writer: lays out a volume (header with block map), its firmware files
// (header checksums, data alignment through pad files) and their leaf sections, so that a
// real DXE core can dispatch a driver of ours exactly as it dispatches its own.
#pragma once

#include <Uefi.h>
#include <Pi/PiFirmwareFile.h>

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fvwriter {

using Bytes = std::vector<uint8_t>;

// A GUID in the in-memory (mixed-endian) byte order that firmware compares.
struct Guid {
  uint8_t Bytes[16] = {};

  // "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", hex digits of either case.
  static std::optional<Guid> Parse (std::string_view Text);
  std::string                ToString () const;
  bool                       operator== (const Guid &) const = default;
};

// Malformed input (sizes the format cannot express, bad alignment, a volume too small).
struct FormatError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Section and file types are the EFI_SECTION_* and EFI_FV_FILETYPE_* values of
// <Pi/PiFirmwareFile.h>; the sizes below follow from its records.
inline constexpr uint32_t kFileHeaderSize    = sizeof (EFI_FFS_FILE_HEADER);

inline constexpr uint32_t kSectionHeaderSize = sizeof (EFI_COMMON_SECTION_HEADER);

// The fixed header, one block-map run and the map's terminating entry.
inline constexpr uint32_t kVolumeHeaderSize = sizeof (EFI_FIRMWARE_VOLUME_HEADER) + 2 * sizeof (EFI_FV_BLOCK_MAP_ENTRY);

inline constexpr uint32_t kMaxSize24        = 0xFFFFFF;  // larger items need the extended headers

// The file-system GUID of the second firmware-file-system revision.
Guid FileSystem2Guid ();

// Sub-type GUID that leads the section carrying the compiled setup data.
Guid SetupDataSectionGuid ();

// A leaf section: common header (24-bit size including the header, type) and the body.
Bytes
MakeSection (
  IN uint8_t      Type,
  IN const Bytes  &Body
  );

// Freeform section whose body begins with its sub-type GUID.
Bytes
MakeFreeformSection (
  IN const Guid   &Subtype,
  IN const Bytes  &Body
  );

// User-interface name: NUL-terminated UTF-16LE.
Bytes
MakeUserInterfaceSection (
  IN std::u16string_view  Name
  );

// Dependency expression that is always satisfied (TRUE, END), so dispatch does not wait for
// anything beyond what the dispatcher already requires.
Bytes MakeDepexTrueSection ();

struct FileSpec {
  Guid Name;
  uint8_t Type = EFI_FV_FILETYPE_DRIVER;
  // Alignment of the file data (first section) from the start of the volume: 8 (the default
  // of every file) or one of 16, 128, 512, 1K, 4K, 32K, 64K.
  uint32_t DataAlignment = 8;
  std::vector<Bytes> Sections;
};

// One firmware file with its header; `Sections` are placed 4-byte aligned.
// The data checksum covers everything after the header.
Bytes
MakeFile (
  IN const FileSpec  &Layout
  );

// A pad file of exactly `TotalSize` bytes (at least the header size), erased contents.
Bytes
MakePadFile (
  IN uint32_t  TotalSize
  );

struct VolumeSpec {
  uint32_t BlockSize = 4096;
  // 0: the smallest whole number of blocks that holds the files.
  uint64_t Size = 0;
  // The volume's own name, in an extended header; the firmware then names the volume's
  // handle with a firmware-volume device-path node instead of a memory range.
  std::optional<Guid> Name;
  std::vector<FileSpec> Files;
};

inline constexpr uint32_t kExtHeaderSize = sizeof (EFI_FIRMWARE_VOLUME_EXT_HEADER);

// The whole volume, erase polarity 1 (free space is 0xFF), memory-mapped, read-only.
// An extended header goes into the data of a pad file ahead of every other file, so
// that readers which start at the header's end and readers which start after the
// extended header both find the same files.
Bytes
MakeVolume (
  IN const VolumeSpec  &Layout
  );

// 8- and 16-bit two's-complement checksums as the format defines them (sum is zero).
uint8_t
Checksum8 (
  IN const uint8_t  *Data,
  IN size_t         Size
  );

uint16_t
Checksum16 (
  IN const uint8_t  *Data,
  IN size_t         Size
  );

}  // namespace fvwriter
