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
constexpr size_t kFileName       = offsetof (EFI_FFS_FILE_HEADER, Name);
constexpr size_t kFileHeaderSum  = offsetof (EFI_FFS_FILE_HEADER, HeaderChecksum);
constexpr size_t kFileDataSum    = offsetof (EFI_FFS_FILE_HEADER, FileChecksum);
constexpr size_t kFileType       = offsetof (EFI_FFS_FILE_HEADER, Type);
constexpr size_t kFileAttributes = offsetof (EFI_FFS_FILE_HEADER, Attributes);
constexpr size_t kFileSize       = offsetof (EFI_FFS_FILE_HEADER, Size);
constexpr size_t kFileState      = offsetof (EFI_FFS_FILE_HEADER, State);
constexpr size_t kSectionSize    = offsetof (EFI_COMMON_SECTION_HEADER, Size);
constexpr size_t kSectionType    = offsetof (EFI_COMMON_SECTION_HEADER, Type);

// Data alignments a file header can express, indexed by its 3-bit attribute field.
constexpr uint32_t kDataAlignments[8] = { 8, 16, 128, 512, 1024, 4096, 32768, 65536 };

void
Put16 (
  IN OUT Bytes     &Out,
  IN     size_t    At,
  IN     uint16_t  V
  )
{
  Out[At]     = uint8_t (V);
  Out[At + 1] = uint8_t (V >> 8);
}

void
Put24 (
  IN OUT Bytes     &Out,
  IN     size_t    At,
  IN     uint32_t  V
  )
{
  Out[At]     = uint8_t (V);
  Out[At + 1] = uint8_t (V >> 8);
  Out[At + 2] = uint8_t (V >> 16);
}

void
Put32 (
  IN OUT Bytes     &Out,
  IN     size_t    At,
  IN     uint32_t  V
  )
{
  Put16 (Out, At, uint16_t (V));
  Put16 (Out, At + 2, uint16_t (V >> 16));
}

void
Put64 (
  IN OUT Bytes     &Out,
  IN     size_t    At,
  IN     uint64_t  V
  )
{
  Put32 (Out, At, uint32_t (V));
  Put32 (Out, At + 4, uint32_t (V >> 32));
}

uint64_t
AlignUp (
  IN uint64_t  V,
  IN uint64_t  A
  )
{
  return (V + A - 1) / A * A;
}

int
HexValue (
  IN char  C
  )
{
  if (C >= '0' && C <= '9') {
    return C - '0';
  }
  if (C >= 'a' && C <= 'f') {
    return C - 'a' + 10;
  }
  if (C >= 'A' && C <= 'F') {
    return C - 'A' + 10;
  }
  return -1;
}

uint8_t
AlignmentField (
  IN uint32_t  Alignment
  )
{
  for (uint8_t I = 0; I < 8; ++I) {
    if (kDataAlignments[I] == Alignment) {
      return I;
    }
  }
  throw FormatError ("unsupported file data alignment " + std::to_string (Alignment));
}

// Header of a file of `TotalSize` bytes, checksummed; State last, as flash would be written.
Bytes
MakeFileHeader (
  IN const Guid  &Name,
  IN uint8_t     Type,
  IN uint8_t     Attributes,
  IN uint32_t    TotalSize
  )
{
  if (TotalSize > kMaxSize24) {
    throw FormatError ("file larger than 16 MiB");
  }
  Bytes H (kFileHeaderSize, 0);
  std::copy (Name.Bytes, Name.Bytes + 16, H.begin () + kFileName);
  H[kFileType]       = Type;
  H[kFileAttributes] = Attributes;
  Put24 (H, kFileSize, TotalSize);
  // The header sum excludes State and the data checksum: both are treated as zero.
  H[kFileHeaderSum] = Checksum8 (H.data (), H.size ());
  // With erase polarity 1 the state bits are stored inverted.
  H[kFileState] = uint8_t (~(EFI_FILE_HEADER_CONSTRUCTION | EFI_FILE_HEADER_VALID | EFI_FILE_DATA_VALID));
  return H;
}

// Offset of the next file that starts at or after `Offset` and whose data is aligned.
uint64_t
FileStart (
  IN uint64_t  Offset,
  IN uint32_t  DataAlignment
  )
{
  uint64_t Start = AlignUp (Offset, 8);
  while ((Start + kFileHeaderSize) % DataAlignment != 0) {
    Start += 8;
  }
  return Start;
}

}  // namespace

std::optional<Guid>
Guid::Parse (
  IN std::string_view  Text
  )
{
  // Group lengths and whether the group is stored little-endian in memory.
  static constexpr struct {
    int  Digits;
    bool Swap;
  } KGroups[] = { { 8, true }, { 4, true }, { 4, true }, { 4, false }, { 12, false } };
  if (Text.size () != 36) {
    return std::nullopt;
  }
  Guid   G;
  size_t Pos = 0;
  int    Out = 0;
  for (const auto &Group : KGroups) {
    if (Pos != 0 && Text[Pos++] != '-') {
      return std::nullopt;
    }
    const int Count = Group.Digits / 2;
    for (int I = 0; I < Count; ++I) {
      const int Hi = HexValue (Text[Pos + 2 * I]), Lo = HexValue (Text[Pos + 2 * I + 1]);
      if (Hi < 0 || Lo < 0) {
        return std::nullopt;
      }
      G.Bytes[Out + (Group.Swap ? Count - 1 - I : I)] = uint8_t (Hi << 4 | Lo);
    }
    Pos += size_t (Group.Digits);
    Out += Count;
  }
  return G;
}

std::string
Guid::ToString () const
{
  char           Text[40];
  const uint8_t *B = Bytes;
  std::snprintf (
    Text, sizeof Text, "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", B[3], B[2], B[1], B[0], B[5], B[4], B[7],
    B[6], B[8], B[9], B[10], B[11], B[12], B[13], B[14], B[15]);
  return Text;
}

namespace {

Guid
FromEfiGuid (
  IN const EFI_GUID  &Efi
  )
{
  Guid G;
  std::memcpy (G.Bytes, &Efi, sizeof G.Bytes);
  return G;
}

}  // namespace

Guid
FileSystem2Guid ()
{
  return FromEfiGuid (EFI_GUID EFI_FIRMWARE_FILE_SYSTEM2_GUID);
}

Guid
SetupDataSectionGuid ()
{
  return FromEfiGuid (EFI_GUID SETUP_DATA_SECTION_GUID);
}

uint8_t
Checksum8 (
  IN const uint8_t  *Data,
  IN size_t         Size
  )
{
  uint8_t Sum = 0;
  for (size_t I = 0; I < Size; ++I) {
    Sum = uint8_t (Sum + Data[I]);
  }
  return uint8_t (-Sum);
}

uint16_t
Checksum16 (
  IN const uint8_t  *Data,
  IN size_t         Size
  )
{
  uint16_t Sum = 0;
  for (size_t I = 0; I + 1 < Size; I += 2) {
    Sum = uint16_t (Sum + (Data[I] | Data[I + 1] << 8));
  }
  return uint16_t (-Sum);
}

Bytes
MakeSection (
  IN uint8_t      Type,
  IN const Bytes  &Body
  )
{
  const uint64_t Size = uint64_t (kSectionHeaderSize) + Body.size ();
  if (Size > kMaxSize24) {
    throw FormatError ("section larger than 16 MiB");
  }
  // Sized once and filled in place: GCC 12 at -O2 and above takes a ranged insert behind the
  // fresh header for a write out of bounds.
  Bytes S (Size, 0);
  Put24 (S, kSectionSize, uint32_t (Size));
  S[kSectionType] = Type;
  std::copy (Body.begin (), Body.end (), S.begin () + kSectionHeaderSize);
  return S;
}

Bytes
MakeFreeformSection (
  IN const Guid   &Subtype,
  IN const Bytes  &Body
  )
{
  Bytes WithGuid (Subtype.Bytes, Subtype.Bytes + 16);
  WithGuid.insert (WithGuid.end (), Body.begin (), Body.end ());
  return MakeSection (EFI_SECTION_FREEFORM_SUBTYPE_GUID, WithGuid);
}

Bytes
MakeUserInterfaceSection (
  IN std::u16string_view  Name
  )
{
  Bytes Body;
  for (char16_t C : Name) {
    Body.push_back (uint8_t (C));
    Body.push_back (uint8_t (C >> 8));
  }
  Body.push_back (0);
  Body.push_back (0);
  return MakeSection (EFI_SECTION_USER_INTERFACE, Body);
}

Bytes
MakeDepexTrueSection ()
{
  return MakeSection (EFI_SECTION_DXE_DEPEX, Bytes { EFI_DEP_TRUE, EFI_DEP_END });
}

Bytes
MakeFile (
  IN const FileSpec  &Layout
  )
{
  const uint8_t AlignField = AlignmentField (Layout.DataAlignment);
  Bytes         Data;
  for (const Bytes &Section : Layout.Sections) {
    // Sections start 4-byte aligned; the filler belongs to no section and is zero.
    Data.resize (AlignUp (Data.size (), 4), 0);
    Data.insert (Data.end (), Section.begin (), Section.end ());
  }
  const uint64_t Total = uint64_t (kFileHeaderSize) + Data.size ();
  if (Total > kMaxSize24) {
    throw FormatError ("file larger than 16 MiB");
  }
  const uint8_t Attributes = uint8_t (FFS_ATTRIB_CHECKSUM | AlignField << 3);
  Bytes         File       = MakeFileHeader (Layout.Name, Layout.Type, Attributes, uint32_t (Total));
  File[kFileDataSum]       = Checksum8 (Data.data (), Data.size ());
  File.insert (File.end (), Data.begin (), Data.end ());
  return File;
}

Bytes
MakePadFile (
  IN uint32_t  TotalSize
  )
{
  if (TotalSize < kFileHeaderSize) {
    throw FormatError ("pad file smaller than its header");
  }
  // A pad file has no name of its own: its GUID is all ones like erased flash.
  Guid Name;
  std::fill (std::begin (Name.Bytes), std::end (Name.Bytes), kErased);
  Bytes File         = MakeFileHeader (Name, EFI_FV_FILETYPE_FFS_PAD, 0, TotalSize);
  File[kFileDataSum] = FFS_FIXED_CHECKSUM;  // the data of a pad file is not summed
  File.resize (TotalSize, kErased);
  return File;
}

namespace {

// Appends a file at its next properly aligned place, a pad file filling any gap.
void
AppendFile (
  IN OUT Bytes        &Body,
  IN     const Bytes  &File,
  IN     uint32_t     DataAlignment
  )
{
  const uint64_t Free  = AlignUp (Body.size (), 8);
  uint64_t       Start = FileStart (Free, DataAlignment);
  if (Start != Free) {
    // A gap must be a pad file, so the header of one must fit before the aligned file.
    Start = FileStart (Free + kFileHeaderSize, DataAlignment);
    Body.resize (Free, kErased);
    const Bytes Pad = MakePadFile (uint32_t (Start - Free));
    Body.insert (Body.end (), Pad.begin (), Pad.end ());
  }
  Body.resize (Start, kErased);
  Body.insert (Body.end (), File.begin (), File.end ());
}

// A pad file whose data is the extended header naming the volume.
Bytes
MakeExtHeaderPadFile (
  IN const Guid  &Name
  )
{
  Bytes Pad = MakePadFile (kFileHeaderSize + kExtHeaderSize);
  std::copy (Name.Bytes, Name.Bytes + 16, Pad.begin () + kFileHeaderSize + offsetof (EFI_FIRMWARE_VOLUME_EXT_HEADER, FvName));
  Put32 (Pad, kFileHeaderSize + offsetof (EFI_FIRMWARE_VOLUME_EXT_HEADER, ExtHeaderSize), kExtHeaderSize);
  return Pad;
}

void
WriteVolumeHeader (
  IN OUT Bytes             &Body,
  IN     const VolumeSpec  &Layout,
  IN     uint32_t          MaxAlignment,
  IN     uint16_t          ExtHeaderOffset
  )
{
  using Header = EFI_FIRMWARE_VOLUME_HEADER;
  std::fill (Body.begin (), Body.begin () + kVolumeHeaderSize, 0);
  const Guid Fs = FileSystem2Guid ();
  std::copy (Fs.Bytes, Fs.Bytes + 16, Body.begin () + offsetof (Header, FileSystemGuid));
  Put64 (Body, offsetof (Header, FvLength), Body.size ());
  Put32 (Body, offsetof (Header, Signature), EFI_FVH_SIGNATURE);
  uint32_t Log2Alignment = 0;
  while ((1u << Log2Alignment) < MaxAlignment) {
    ++Log2Alignment;
  }
  Put32 (
    Body, offsetof (Header, Attributes),
    EFI_FVB2_READ_ENABLED_CAP | EFI_FVB2_READ_STATUS | EFI_FVB2_MEMORY_MAPPED | EFI_FVB2_ERASE_POLARITY |
      Log2Alignment << EFI_FVB2_ALIGNMENT_SHIFT);
  Put16 (Body, offsetof (Header, HeaderLength), uint16_t (kVolumeHeaderSize));
  Put16 (Body, offsetof (Header, ExtHeaderOffset), ExtHeaderOffset);
  Body[offsetof (Header, Revision)] = EFI_FVH_REVISION;
  // One run of equal blocks; the map's terminating entry after it stays zero.
  const size_t Run = sizeof (Header);
  Put32 (Body, Run + offsetof (EFI_FV_BLOCK_MAP_ENTRY, NumBlocks), uint32_t (Body.size () / Layout.BlockSize));
  Put32 (Body, Run + offsetof (EFI_FV_BLOCK_MAP_ENTRY, Length), Layout.BlockSize);
  Put16 (Body, offsetof (Header, Checksum), Checksum16 (Body.data (), kVolumeHeaderSize));
}

}  // namespace

Bytes
MakeVolume (
  IN const VolumeSpec  &Layout
  )
{
  if (Layout.BlockSize == 0 || Layout.BlockSize % 8 != 0) {
    throw FormatError ("bad block size");
  }
  Bytes    Body (kVolumeHeaderSize, 0);
  uint16_t ExtHeaderOffset = 0;
  if (Layout.Name) {
    ExtHeaderOffset = uint16_t (kVolumeHeaderSize + kFileHeaderSize);
    AppendFile (Body, MakeExtHeaderPadFile (*Layout.Name), 8);
  }
  uint32_t MaxAlignment = 16;
  for (const FileSpec &FileSpec : Layout.Files) {
    AppendFile (Body, MakeFile (FileSpec), FileSpec.DataAlignment);
    MaxAlignment = std::max (MaxAlignment, FileSpec.DataAlignment);
  }
  const uint64_t Size = Layout.Size ? Layout.Size : AlignUp (Body.size (), Layout.BlockSize);
  if (Size < Body.size ()) {
    throw FormatError ("files do not fit into the volume");
  }
  if (Size % Layout.BlockSize != 0) {
    throw FormatError ("volume size is not a whole number of blocks");
  }
  if (Size / Layout.BlockSize > 0xFFFFFFFFu) {
    throw FormatError ("too many blocks");
  }
  Body.resize (Size, kErased);
  WriteVolumeHeader (Body, Layout, MaxAlignment, ExtHeaderOffset);
  return Body;
}

}  // namespace fvwriter
