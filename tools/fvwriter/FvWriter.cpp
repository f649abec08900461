#include "FvWriter.h"

#include <algorithm>
#include <cstdio>

namespace fvwriter {
namespace {

constexpr uint8_t kErased = 0xFF;  // erase polarity 1: unwritten bytes read as ones

// File state bits; with erase polarity 1 they are stored inverted.
constexpr uint8_t kStateHeaderConstruction = 0x01;
constexpr uint8_t kStateHeaderValid = 0x02;
constexpr uint8_t kStateDataValid = 0x04;

constexpr uint8_t kFileAttribChecksum = 0x40;
constexpr uint8_t kFixedFileChecksum = 0xAA;  // stored when the data is not summed

constexpr uint32_t kVolumeSignature = 0x4856465F;  // "_FVH"
constexpr uint8_t kVolumeRevision = 2;
constexpr uint32_t kFvbReadEnabledCap = 0x00000002;
constexpr uint32_t kFvbReadStatus = 0x00000004;
constexpr uint32_t kFvbMemoryMapped = 0x00000400;
constexpr uint32_t kFvbErasePolarity = 0x00000800;

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
  std::copy(name.bytes, name.bytes + 16, h.begin());
  h[18] = type;
  h[19] = attributes;
  Put24(h, 20, totalSize);
  // The header sum excludes State and the data checksum: both are treated as zero.
  h[16] = Checksum8(h.data(), h.size());
  h[23] = uint8_t(~(kStateHeaderConstruction | kStateHeaderValid | kStateDataValid));
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

Guid FileSystem2Guid() { return *Guid::Parse("8C8CE578-8A3D-4F1C-9935-896185C32DD3"); }
Guid SetupDataSectionGuid() { return *Guid::Parse("FE612B72-203C-47B1-8560-A66D946EB371"); }

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
  Put24(s, 0, uint32_t(size));
  s[3] = type;
  std::copy(body.begin(), body.end(), s.begin() + kSectionHeaderSize);
  return s;
}

Bytes MakeFreeformSection(const Guid& subtype, const Bytes& body) {
  Bytes withGuid(subtype.bytes, subtype.bytes + 16);
  withGuid.insert(withGuid.end(), body.begin(), body.end());
  return MakeSection(kSectionFreeformSubtypeGuid, withGuid);
}

Bytes MakeUserInterfaceSection(std::u16string_view name) {
  Bytes body;
  for (char16_t c : name) {
    body.push_back(uint8_t(c));
    body.push_back(uint8_t(c >> 8));
  }
  body.push_back(0);
  body.push_back(0);
  return MakeSection(kSectionUserInterface, body);
}

Bytes MakeDepexTrueSection() {
  constexpr uint8_t kOpTrue = 0x06, kOpEnd = 0x08;
  return MakeSection(kSectionDxeDepex, Bytes{kOpTrue, kOpEnd});
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
  const uint8_t attributes = uint8_t(kFileAttribChecksum | alignField << 3);
  Bytes file = MakeFileHeader(layout.name, layout.type, attributes, uint32_t(total));
  file[17] = Checksum8(data.data(), data.size());
  file.insert(file.end(), data.begin(), data.end());
  return file;
}

Bytes MakePadFile(uint32_t totalSize) {
  if (totalSize < kFileHeaderSize) throw FormatError("pad file smaller than its header");
  // A pad file has no name of its own: its GUID is all ones like erased flash.
  Guid name;
  std::fill(std::begin(name.bytes), std::end(name.bytes), kErased);
  Bytes file = MakeFileHeader(name, kFileTypePad, 0, totalSize);
  file[17] = kFixedFileChecksum;
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
  std::copy(name.bytes, name.bytes + 16, pad.begin() + kFileHeaderSize);
  Put32(pad, kFileHeaderSize + 16, kExtHeaderSize);
  return pad;
}

void WriteVolumeHeader(Bytes& body, const VolumeSpec& layout, uint32_t maxAlignment,
                       uint16_t extHeaderOffset) {
  std::fill(body.begin(), body.begin() + kVolumeHeaderSize, 0);
  const Guid fs = FileSystem2Guid();
  std::copy(fs.bytes, fs.bytes + 16, body.begin() + 16);
  Put64(body, 32, body.size());
  Put32(body, 40, kVolumeSignature);
  uint32_t log2Alignment = 0;
  while ((1u << log2Alignment) < maxAlignment) ++log2Alignment;
  Put32(body, 44, kFvbReadEnabledCap | kFvbReadStatus | kFvbMemoryMapped | kFvbErasePolarity |
                      log2Alignment << 16);
  Put16(body, 48, uint16_t(kVolumeHeaderSize));
  Put16(body, 52, extHeaderOffset);
  body[55] = kVolumeRevision;
  Put32(body, 56, uint32_t(body.size() / layout.blockSize));
  Put32(body, 60, layout.blockSize);
  // Bytes 64..71 stay zero: the block map's terminating entry.
  Put16(body, 50, Checksum16(body.data(), kVolumeHeaderSize));
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
