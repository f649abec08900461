/** @file
  The PE/COFF reader of the image services. The resource section is walked the way a
  UEFI image loader walks it: among the root directory's named entries the one named
  "HII", down its directories through their first entries, to a data entry whose RVA
  and size give the package list. Here the image is not laid out in memory, so an RVA
  is found through the section that holds it in the file.
**/
#include <Emulator/PeImage.h>

#include <cstring>

namespace Emu {

namespace {

constexpr UINT32  kDirectoryHeader = 16;
constexpr UINT32  kDirectoryEntry  = 8;
constexpr UINT32  kHighBit         = 0x80000000u;
constexpr UINT32  kResourceIndex   = 2;
constexpr UINTN   kMaxLevels       = 3;

class Reader {
public:
  explicit Reader (std::span<const UINT8> File) : mFile (File) {}

  bool Has (UINT64 Offset, UINT64 Size) const { return (Offset <= mFile.size ()) && (Size <= mFile.size () - Offset); }

  UINT16 U16 (UINT64 Offset) const { return (UINT16)(mFile[Offset] | (mFile[Offset + 1] << 8)); }
  UINT32 U32 (UINT64 Offset) const { return U16 (Offset) | ((UINT32)U16 (Offset + 2) << 16); }

  std::span<const UINT8>  mFile;
};

struct SECTION {
  UINT32  VirtualAddress;
  UINT32  VirtualSize;
  UINT32  RawSize;
  UINT32  RawOffset;
};

// The file offset of Size bytes at Rva, when one section's file data holds them all.
std::optional<UINT64>
RvaToOffset (const Reader &File, const std::vector<SECTION> &Sections, UINT64 Rva, UINT64 Size)
{
  for (const SECTION &Section : Sections) {
    UINT64  Span = (Section.VirtualSize < Section.RawSize) ? Section.VirtualSize : Section.RawSize;

    if ((Rva >= Section.VirtualAddress) && (Rva - Section.VirtualAddress <= Span) &&
        (Size <= Span - (Rva - Section.VirtualAddress)))
    {
      UINT64  Offset = Section.RawOffset + (Rva - Section.VirtualAddress);
      return File.Has (Offset, Size) ? std::optional<UINT64> (Offset) : std::nullopt;
    }
  }

  return std::nullopt;
}

bool
NamedHii (const Reader &File, const std::vector<SECTION> &Sections, UINT64 Root, UINT32 NameOffset)
{
  static const char16_t  kName[] = u"HII";
  auto                   Name    = RvaToOffset (File, Sections, Root + NameOffset, 2 + 2 * 3);

  if (!Name || (File.U16 (*Name) != 3)) {
    return false;
  }

  for (UINTN Index = 0; Index < 3; Index++) {
    if (File.U16 (*Name + 2 + 2 * Index) != kName[Index]) {
      return false;
    }
  }

  return true;
}

std::vector<UINT8>
FindHiiResource (const Reader &File, const std::vector<SECTION> &Sections, UINT32 Root, UINT32 RootSize)
{
  auto  Directory = RvaToOffset (File, Sections, Root, kDirectoryHeader);

  if (!Directory || (RootSize < kDirectoryHeader)) {
    return {};
  }

  UINT32  Named = File.U16 (*Directory + 12);
  for (UINT32 Index = 0; Index < Named; Index++) {
    auto  Entry = RvaToOffset (File, Sections, Root + kDirectoryHeader + (UINT64)Index * kDirectoryEntry, kDirectoryEntry);
    if (!Entry) {
      return {};
    }

    UINT32  Name = File.U32 (*Entry);
    UINT32  Data = File.U32 (*Entry + 4);
    if (((Name & kHighBit) == 0) || !NamedHii (File, Sections, Root, Name & ~kHighBit)) {
      continue;
    }

    // Down through the first entry of each directory (name, then language), as the
    // firmware does; a loop of directories ends after the levels a resource tree has.
    for (UINTN Level = 0; (Data & kHighBit) != 0; Level++) {
      auto  Next = RvaToOffset (File, Sections, (UINT64)Root + (Data & ~kHighBit), kDirectoryHeader + kDirectoryEntry);
      if (!Next || (Level == kMaxLevels) || (File.U16 (*Next + 12) + File.U16 (*Next + 14) == 0)) {
        return {};
      }

      Data = File.U32 (*Next + kDirectoryHeader + 4);
    }

    auto  Leaf = RvaToOffset (File, Sections, (UINT64)Root + Data, 16);
    if (!Leaf) {
      return {};
    }

    auto  Bytes = RvaToOffset (File, Sections, File.U32 (*Leaf), File.U32 (*Leaf + 4));
    if (!Bytes) {
      return {};
    }

    return std::vector<UINT8> (File.mFile.begin () + *Bytes, File.mFile.begin () + *Bytes + File.U32 (*Leaf + 4));
  }

  return {};
}

}  // namespace

std::optional<PE_IMAGE_INFO>
ReadPeImage (std::span<const UINT8> Bytes)
{
  Reader  File (Bytes);

  if (!File.Has (0, 0x40) || (Bytes[0] != 'M') || (Bytes[1] != 'Z')) {
    return std::nullopt;
  }

  UINT64  Pe = File.U32 (0x3C);
  if (!File.Has (Pe, 24) || (std::memcmp (&Bytes[Pe], "PE\0\0", 4) != 0)) {
    return std::nullopt;
  }

  UINT16  SectionCount = File.U16 (Pe + 6);
  UINT16  OptionalSize = File.U16 (Pe + 20);
  UINT64  Optional     = Pe + 24;
  if (!File.Has (Optional, OptionalSize) || (OptionalSize < 2)) {
    return std::nullopt;
  }

  UINT16  Magic = File.U16 (Optional);
  UINT64  Count, Directories;
  if ((Magic == 0x20B) && (OptionalSize >= 112)) {
    Count       = File.U32 (Optional + 108);
    Directories = 112;
  } else if ((Magic == 0x10B) && (OptionalSize >= 96)) {
    Count       = File.U32 (Optional + 92);
    Directories = 96;
  } else {
    return std::nullopt;
  }

  PE_IMAGE_INFO  Info;
  Info.Subsystem = File.U16 (Optional + 68);
  Info.ImageSize = File.U32 (Optional + 56);

  UINT64  Table = Optional + OptionalSize;
  if (!File.Has (Table, (UINT64)SectionCount * 40)) {
    return std::nullopt;
  }

  std::vector<SECTION>  Sections;
  for (UINT64 Index = 0; Index < SectionCount; Index++) {
    UINT64  At = Table + Index * 40;
    Sections.push_back ({ File.U32 (At + 12), File.U32 (At + 8), File.U32 (At + 16), File.U32 (At + 20) });
  }

  UINT64  Resource = Directories + kResourceIndex * 8;
  if ((Count > kResourceIndex) && (Resource + 8 <= OptionalSize)) {
    UINT32  Rva  = File.U32 (Optional + Resource);
    UINT32  Size = File.U32 (Optional + Resource + 4);
    if ((Rva != 0) && (Size != 0)) {
      Info.HiiResource = FindHiiResource (File, Sections, Rva, Size);
    }
  }

  return Info;
}

}  // namespace Emu
