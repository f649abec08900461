// An independent reader for the tests: walks a volume byte by byte as a DXE core would and
// reports the first rule that the bytes break, so the writer is checked against the format
// rather than against itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fvtest {

struct SectionInfo {
  uint8_t Type = 0;
  size_t Offset = 0;  // from the start of the volume
  uint32_t Size = 0;  // including the header
};

struct FileInfo {
  uint8_t Name[16] = {};
  uint8_t Type = 0;
  uint8_t Attributes = 0;
  size_t Offset = 0;
  uint32_t Size = 0;
  std::vector<SectionInfo> Sections;
};

struct VolumeInfo {
  uint64_t Length = 0;
  uint32_t Attributes = 0;
  uint16_t HeaderLength = 0;
  uint16_t ExtHeaderOffset = 0;
  uint8_t Name[16] = {};     // from the extended header, when there is one
  uint32_t NumBlocks = 0;
  uint32_t BlockSize = 0;
  std::vector<FileInfo> Files;
};

// Empty on success, otherwise what is wrong and where.
std::string ReadVolume (const std::vector<uint8_t> &Fv, VolumeInfo &Info);

}  // namespace fvtest
