#include "FvReader.h"

#include <cstring>

namespace fvtest {
namespace {

uint32_t
Get16 (const uint8_t *P)
{
  return uint32_t (P[0] | P[1] << 8);
}
uint32_t
Get24 (const uint8_t *P)
{
  return uint32_t (P[0] | P[1] << 8 | P[2] << 16);
}
uint32_t
Get32 (const uint8_t *P)
{
  return Get16 (P) | Get16 (P + 2) << 16;
}
uint64_t
Get64 (const uint8_t *P)
{
  return Get32 (P) | uint64_t (Get32 (P + 4)) << 32;
}

uint8_t
Sum8 (const uint8_t *P, size_t N)
{
  uint8_t S = 0;
  while (N--) {
    S = uint8_t (S + *P++);
  }
  return S;
}

const uint32_t kAlignments[8] = { 8, 16, 128, 512, 1024, 4096, 32768, 65536 };
const uint8_t  kFfs2[16]      = { 0x78, 0xE5, 0x8C, 0x8C, 0x3D, 0x8A, 0x1C, 0x4F, 0x99, 0x35, 0x89, 0x61, 0x85, 0xC3, 0x2D, 0xD3 };

std::string
ErrorAt (size_t Offset, const std::string &What)
{
  return What + " at offset " + std::to_string (Offset);
}

std::string
ReadHeader (const std::vector<uint8_t> &Fv, VolumeInfo &Info)
{
  if (Fv.size () < 72) {
    return "volume shorter than its header";
  }
  const uint8_t *H = Fv.data ();
  for (int I = 0; I < 16; ++I) {
    if (H[I] != 0) {
      return "zero vector not zero";
    }
  }
  if (std::memcmp (H + 16, kFfs2, 16) != 0) {
    return "file system GUID is not FFS2";
  }
  Info.Length = Get64 (H + 32);
  if (Info.Length != Fv.size ()) {
    return "FvLength differs from the volume size";
  }
  if (Get32 (H + 40) != 0x4856465F) {
    return "signature is not _FVH";
  }
  Info.Attributes   = Get32 (H + 44);
  Info.HeaderLength = uint16_t (Get16 (H + 48));
  if (Info.HeaderLength < 72 || Info.HeaderLength > Fv.size ()) {
    return "bad header length";
  }
  uint32_t Sum = 0;
  for (size_t I = 0; I < Info.HeaderLength; I += 2) {
    Sum += Get16 (H + I);
  }
  if ((Sum & 0xFFFF) != 0) {
    return "header checksum does not sum to zero";
  }
  if (H[55] != 2) {
    return "revision is not 2";
  }
  Info.ExtHeaderOffset = uint16_t (Get16 (H + 52));
  uint64_t Covered     = 0;
  size_t   At          = 56;
  for (; At + 8 <= Info.HeaderLength; At += 8) {
    const uint32_t N = Get32 (H + At), Len = Get32 (H + At + 4);
    if (N == 0 && Len == 0) {
      break;
    }
    if (Info.NumBlocks == 0) {
      Info.NumBlocks = N, Info.BlockSize = Len;
    }
    Covered += uint64_t (N) * Len;
  }
  if (At + 8 != Info.HeaderLength) {
    return "block map not terminated at the header's end";
  }
  if (Covered != Info.Length) {
    return "block map does not cover the volume";
  }
  return {};
}

std::string
ReadSections (const std::vector<uint8_t> &Fv, FileInfo &File)
{
  size_t       At  = File.Offset + 24;
  const size_t End = File.Offset + File.Size;
  while (At < End) {
    At = (At + 3) & ~size_t (3);
    if (At >= End) {
      break;
    }
    if (End - At < 4) {
      return ErrorAt (At, "section header past the file's end");
    }
    SectionInfo S;
    S.Size   = Get24 (&Fv[At]);
    S.Type   = Fv[At + 3];
    S.Offset = At;
    if (S.Size < 4 || S.Size > End - At) {
      return ErrorAt (At, "section length outside its file");
    }
    File.Sections.push_back (S);
    At += S.Size;
  }
  return {};
}

std::string
ReadFile (const std::vector<uint8_t> &Fv, size_t At, bool ErasedOnes, FileInfo &F)
{
  const uint8_t *H = &Fv[At];
  std::memcpy (F.Name, H, 16);
  F.Type              = H[18];
  F.Attributes        = H[19];
  F.Size              = Get24 (H + 20);
  F.Offset            = At;
  const uint8_t State = ErasedOnes ? uint8_t (~H[23]) : H[23];
  if ((State & 0x07) != 0x07 || (State & 0x38) != 0) {
    return ErrorAt (At, "file state not valid");
  }
  if (F.Size < 24 || F.Size > Fv.size () - At) {
    return ErrorAt (At, "file size outside the volume");
  }
  // The header sum treats State and the data checksum as zero.
  if (uint8_t (Sum8 (H, 24) - H[17] - H[23]) != 0) {
    return ErrorAt (At, "file header checksum");
  }
  if (F.Attributes & 0x40) {
    if (uint8_t (Sum8 (H + 24, F.Size - 24) + H[17]) != 0) {
      return ErrorAt (At, "file data checksum");
    }
  } else if (H[17] != 0xAA) {
    return ErrorAt (At, "unsummed file without the fixed checksum");
  }
  if ((At + 24) % kAlignments[(F.Attributes >> 3) & 7] != 0) {
    return ErrorAt (At, "file data alignment");
  }
  return F.Type == 0xF0 ? std::string () : ReadSections (Fv, F);
}

bool
IsErased (const std::vector<uint8_t> &Fv, size_t From, size_t To, uint8_t Value)
{
  for (size_t I = From; I < To; ++I) {
    if (Fv[I] != Value) {
      return false;
    }
  }
  return true;
}

}  // namespace

// The extended header must sit inside the data of a pad file, the volume's first file, so
// that every way of finding the first file skips it.
std::string
ReadExtHeader (const std::vector<uint8_t> &Fv, VolumeInfo &Info)
{
  if (Info.ExtHeaderOffset == 0) {
    return {};
  }
  if (Info.Files.empty () || Info.Files[0].Type != 0xF0) {
    return "extended header outside a pad file";
  }
  const FileInfo &Pad = Info.Files[0];
  const size_t    At  = Info.ExtHeaderOffset;
  if (At < Pad.Offset + 24 || At + 20 > Pad.Offset + Pad.Size) {
    return "extended header outside its pad file's data";
  }
  const uint32_t Size = Get32 (&Fv[At + 16]);
  if (Size < 20 || At + Size > Pad.Offset + Pad.Size) {
    return "bad extended header size";
  }
  std::memcpy (Info.Name, &Fv[At], 16);
  return {};
}

std::string
ReadVolume (const std::vector<uint8_t> &Fv, VolumeInfo &Info)
{
  Info = VolumeInfo {};
  if (std::string E = ReadHeader (Fv, Info); !E.empty ()) {
    return E;
  }
  const bool    Ones   = (Info.Attributes & 0x800) != 0;
  const uint8_t ErasedByte = Ones ? 0xFF : 0x00;
  size_t        At     = (Info.HeaderLength + 7u) & ~size_t (7);
  while (At + 24 <= Fv.size ()) {
    if (IsErased (Fv, At, At + 24, ErasedByte)) {
      if (!IsErased (Fv, At, Fv.size (), ErasedByte)) {
        return ErrorAt (At, "data after the free space");
      }
      return ReadExtHeader (Fv, Info);
    }
    FileInfo F;
    if (std::string E = ReadFile (Fv, At, Ones, F); !E.empty ()) {
      return E;
    }
    const size_t Next = (At + F.Size + 7) & ~size_t (7);
    if (!IsErased (Fv, At + F.Size, std::min (Next, Fv.size ()), ErasedByte)) {
      return ErrorAt (At + F.Size, "gap between files not erased");
    }
    Info.Files.push_back (F);
    At = Next;
  }
  if (!IsErased (Fv, std::min (At, Fv.size ()), Fv.size (), ErasedByte)) {
    return "trailing bytes not erased";
  }
  return ReadExtHeader (Fv, Info);
}

}  // namespace fvtest
