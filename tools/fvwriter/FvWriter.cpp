#include "FvWriter.h"

#include <engine/core/SetupDataFormat.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace fvwriter {
namespace {

constexpr uint8_t kErased = 0xFF;  // erase polarity 1: unwritten bytes read as ones

// Offsets of the shared records' fields, for the little-endian writers below.
constexpr size_t kFileName = offsetof(EFI_FFS_FILE_HEADER, Name);
constexpr size_t kFileHeaderSum = offsetof(EFI_FFS_FILE_HEADER, HeaderChecksum);
constexpr size_t kFileDataSum = offsetof(EFI_FFS_FILE_HEADER, FileChecksum);
constexpr size_t kFileType = offsetof(EFI_FFS_FILE_HEADER, Type);
constexpr size_t kFileAttributes = offsetof(EFI_FFS_FILE_HEADER, Attributes);
constexpr size_t kFileSize = offsetof(EFI_FFS_FILE_HEADER, Size);
constexpr size_t kFileState = offsetof(EFI_FFS_FILE_HEADER, State);
constexpr size_t kSectionSize = offsetof(EFI_COMMON_SECTION_HEADER, Size);
constexpr size_t kSectionType = offsetof(EFI_COMMON_SECTION_HEADER, Type);

// Data alignments a file header can express, indexed by its 3-bit attribute field.
constexpr uint32_t kDataAlignments[8] = {8, 16, 128, 512, 1024, 4096, 32768, 65536};

void Put16(Bytes& out, size_t at, uint16_t v) {
  out[at] = uint8_t(v);
  out[at + 1] = uint8_t(v >> 8);
}
void Put24(Bytes& out, size_t at, uint32_t v) {
  out[at] = uint8_t(v);
  out[at + 1] = uint8_t(v >> 8);
  out[at + 2] = uint8_t(v >> 16);
}
void Put32(Bytes& out, size_t at, uint32_t v) {
  Put16(out, at, uint16_t(v));
  Put16(out, at + 2, uint16_t(v >> 16));
}
void Put64(Bytes& out, size_t at, uint64_t v) {
  Put32(out, at, uint32_t(v));
  Put32(out, at + 4, uint32_t(v >> 32));
}

uint64_t AlignUp(uint64_t v, uint64_t a) { return (v + a - 1) / a * a; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

uint8_t AlignmentField(uint32_t alignment) {
  for (uint8_t i = 0; i < 8; ++i)
    if (kDataAlignments[i] == alignment) return i;
  throw FormatError("unsupported file data alignment " + std::to_string(alignment));
}

// Header of a file of `totalSize` bytes, checksummed; State last, as flash would be written.
Bytes MakeFileHeader(const Guid& name, uint8_t type, uint8_t attributes, uint32_t totalSize) {
  if (totalSize > kMaxSize24) throw FormatError("file larger than 16 MiB");
  Bytes h(kFileHeaderSize, 0);
  std::copy(name.bytes, name.bytes + 16, h.begin() + kFileName);
  h[kFileType] = type;
  h[kFileAttributes] = attributes;
  Put24(h, kFileSize, totalSize);
  // The header sum excludes State and the data checksum: both are treated as zero.
  h[kFileHeaderSum] = Checksum8(h.data(), h.size());
  // With erase polarity 1 the state bits are stored inverted.
  h[kFileState] = uint8_t(~(EFI_FILE_HEADER_CONSTRUCTION | EFI_FILE_HEADER_VALID | EFI_FILE_DATA_VALID));
  return h;
}

// Offset of the next file that starts at or after `offset` and whose data is aligned.
uint64_t FileStart(uint64_t offset, uint32_t dataAlignment) {
  uint64_t start = AlignUp(offset, 8);
  while ((start + kFileHeaderSize) % dataAlignment != 0) start += 8;
  return start;
}

}  // namespace

std::optional<Guid> Guid::Parse(std::string_view text) {
  // Group lengths and whether the group is stored little-endian in memory.
  static constexpr struct { int digits; bool swap; } kGroups[] = {
      {8, true}, {4, true}, {4, true}, {4, false}, {12, false}};
  if (text.size() != 36) return std::nullopt;
  Guid g;
  size_t pos = 0;
  int out = 0;
  for (const auto& group : kGroups) {
    if (pos != 0 && text[pos++] != '-') return std::nullopt;
    const int count = group.digits / 2;
    for (int i = 0; i < count; ++i) {
      const int hi = HexValue(text[pos + 2 * i]), lo = HexValue(text[pos + 2 * i + 1]);
      if (hi < 0 || lo < 0) return std::nullopt;
      g.bytes[out + (group.swap ? count - 1 - i : i)] = uint8_t(hi << 4 | lo);
    }
    pos += size_t(group.digits);
    out += count;
  }
  return g;
}

std::string Guid::ToString() const {
  char text[40];
  const uint8_t* b = bytes;
  std::snprintf(text, sizeof text,
                "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[3],
                b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                b[14], b[15]);
  return text;
}

namespace {

Guid FromEfiGuid(const EFI_GUID& efi) {
  Guid g;
  std::memcpy(g.bytes, &efi, sizeof g.bytes);
  return g;
}

}  // namespace

Guid FileSystem2Guid() { return FromEfiGuid(EFI_GUID EFI_FIRMWARE_FILE_SYSTEM2_GUID); }
Guid SetupDataSectionGuid() { return FromEfiGuid(EFI_GUID SETUP_DATA_SECTION_GUID); }

uint8_t Checksum8(const uint8_t* data, size_t size) {
  uint8_t sum = 0;
  for (size_t i = 0; i < size; ++i) sum = uint8_t(sum + data[i]);
  return uint8_t(-sum);
}

uint16_t Checksum16(const uint8_t* data, size_t size) {
  uint16_t sum = 0;
  for (size_t i = 0; i + 1 < size; i += 2) sum = uint16_t(sum + (data[i] | data[i + 1] << 8));
  return uint16_t(-sum);
}

Bytes MakeSection(uint8_t type, const Bytes& body) {
  const uint64_t size = uint64_t(kSectionHeaderSize) + body.size();
  if (size > kMaxSize24) throw FormatError("section larger than 16 MiB");
  // Sized once and filled in place: GCC 12 at -O2 and above takes a ranged insert behind the
  // fresh header for a write out of bounds.
  Bytes s(size, 0);
  Put24(s, kSectionSize, uint32_t(size));
  s[kSectionType] = type;
  std::copy(body.begin(), body.end(), s.begin() + kSectionHeaderSize);
  return s;
}

Bytes MakeFreeformSection(const Guid& subtype, const Bytes& body) {
  Bytes withGuid(subtype.bytes, subtype.bytes + 16);
  withGuid.insert(withGuid.end(), body.begin(), body.end());
  return MakeSection(EFI_SECTION_FREEFORM_SUBTYPE_GUID, withGuid);
}

Bytes MakeUserInterfaceSection(std::u16string_view name) {
  Bytes body;
  for (char16_t c : name) {
    body.push_back(uint8_t(c));
    body.push_back(uint8_t(c >> 8));
  }
  body.push_back(0);
  body.push_back(0);
  return MakeSection(EFI_SECTION_USER_INTERFACE, body);
}

Bytes MakeDepexTrueSection() {
  return MakeSection(EFI_SECTION_DXE_DEPEX, Bytes{EFI_DEP_TRUE, EFI_DEP_END});
}

Bytes MakeFile(const FileSpec& layout) {
  const uint8_t alignField = AlignmentField(layout.dataAlignment);
  Bytes data;
  for (const Bytes& section : layout.sections) {
    // Sections start 4-byte aligned; the filler belongs to no section and is zero.
    data.resize(AlignUp(data.size(), 4), 0);
    data.insert(data.end(), section.begin(), section.end());
  }
  const uint64_t total = uint64_t(kFileHeaderSize) + data.size();
  if (total > kMaxSize24) throw FormatError("file larger than 16 MiB");
  const uint8_t attributes = uint8_t(FFS_ATTRIB_CHECKSUM | alignField << 3);
  Bytes file = MakeFileHeader(layout.name, layout.type, attributes, uint32_t(total));
  file[kFileDataSum] = Checksum8(data.data(), data.size());
  file.insert(file.end(), data.begin(), data.end());
  return file;
}

Bytes MakePadFile(uint32_t totalSize) {
  if (totalSize < kFileHeaderSize) throw FormatError("pad file smaller than its header");
  // A pad file has no name of its own: its GUID is all ones like erased flash.
  Guid name;
  std::fill(std::begin(name.bytes), std::end(name.bytes), kErased);
  Bytes file = MakeFileHeader(name, EFI_FV_FILETYPE_FFS_PAD, 0, totalSize);
  file[kFileDataSum] = FFS_FIXED_CHECKSUM;  // the data of a pad file is not summed
  file.resize(totalSize, kErased);
  return file;
}

namespace {

// Appends a file at its next properly aligned place, a pad file filling any gap.
void AppendFile(Bytes& body, const Bytes& file, uint32_t dataAlignment) {
  const uint64_t free = AlignUp(body.size(), 8);
  uint64_t start = FileStart(free, dataAlignment);
  if (start != free) {
    // A gap must be a pad file, so the header of one must fit before the aligned file.
    start = FileStart(free + kFileHeaderSize, dataAlignment);
    body.resize(free, kErased);
    const Bytes pad = MakePadFile(uint32_t(start - free));
    body.insert(body.end(), pad.begin(), pad.end());
  }
  body.resize(start, kErased);
  body.insert(body.end(), file.begin(), file.end());
}

// A pad file whose data is the extended header naming the volume.
Bytes MakeExtHeaderPadFile(const Guid& name) {
  Bytes pad = MakePadFile(kFileHeaderSize + kExtHeaderSize);
  std::copy(name.bytes, name.bytes + 16, pad.begin() + kFileHeaderSize + offsetof(EFI_FIRMWARE_VOLUME_EXT_HEADER, FvName));
  Put32(pad, kFileHeaderSize + offsetof(EFI_FIRMWARE_VOLUME_EXT_HEADER, ExtHeaderSize), kExtHeaderSize);
  return pad;
}

void WriteVolumeHeader(Bytes& body, const VolumeSpec& layout, uint32_t maxAlignment,
                       uint16_t extHeaderOffset) {
  using Header = EFI_FIRMWARE_VOLUME_HEADER;
  std::fill(body.begin(), body.begin() + kVolumeHeaderSize, 0);
  const Guid fs = FileSystem2Guid();
  std::copy(fs.bytes, fs.bytes + 16, body.begin() + offsetof(Header, FileSystemGuid));
  Put64(body, offsetof(Header, FvLength), body.size());
  Put32(body, offsetof(Header, Signature), EFI_FVH_SIGNATURE);
  uint32_t log2Alignment = 0;
  while ((1u << log2Alignment) < maxAlignment) ++log2Alignment;
  Put32(body, offsetof(Header, Attributes),
        EFI_FVB2_READ_ENABLED_CAP | EFI_FVB2_READ_STATUS | EFI_FVB2_MEMORY_MAPPED |
            EFI_FVB2_ERASE_POLARITY | log2Alignment << EFI_FVB2_ALIGNMENT_SHIFT);
  Put16(body, offsetof(Header, HeaderLength), uint16_t(kVolumeHeaderSize));
  Put16(body, offsetof(Header, ExtHeaderOffset), extHeaderOffset);
  body[offsetof(Header, Revision)] = EFI_FVH_REVISION;
  // One run of equal blocks; the map's terminating entry after it stays zero.
  const size_t run = sizeof(Header);
  Put32(body, run + offsetof(EFI_FV_BLOCK_MAP_ENTRY, NumBlocks), uint32_t(body.size() / layout.blockSize));
  Put32(body, run + offsetof(EFI_FV_BLOCK_MAP_ENTRY, Length), layout.blockSize);
  Put16(body, offsetof(Header, Checksum), Checksum16(body.data(), kVolumeHeaderSize));
}

}  // namespace

Bytes MakeVolume(const VolumeSpec& layout) {
  if (layout.blockSize == 0 || layout.blockSize % 8 != 0) throw FormatError("bad block size");
  Bytes body(kVolumeHeaderSize, 0);
  uint16_t extHeaderOffset = 0;
  if (layout.name) {
    extHeaderOffset = uint16_t(kVolumeHeaderSize + kFileHeaderSize);
    AppendFile(body, MakeExtHeaderPadFile(*layout.name), 8);
  }
  uint32_t maxAlignment = 16;
  for (const FileSpec& fileSpec : layout.files) {
    AppendFile(body, MakeFile(fileSpec), fileSpec.dataAlignment);
    maxAlignment = std::max(maxAlignment, fileSpec.dataAlignment);
  }
  const uint64_t size = layout.size ? layout.size : AlignUp(body.size(), layout.blockSize);
  if (size < body.size()) throw FormatError("files do not fit into the volume");
  if (size % layout.blockSize != 0) throw FormatError("volume size is not a whole number of blocks");
  if (size / layout.blockSize > 0xFFFFFFFFu) throw FormatError("too many blocks");
  body.resize(size, kErased);
  WriteVolumeHeader(body, layout, maxAlignment, extHeaderOffset);
  return body;
}

}  // namespace fvwriter
