// An independent reader for the tests: walks a volume byte by byte as a DXE core would and
// reports the first rule that the bytes break, so the writer is checked against the format
// rather than against itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fvtest {

struct SectionInfo {
  uint8_t type = 0;
  size_t offset = 0;  // from the start of the volume
  uint32_t size = 0;  // including the header
};

struct FileInfo {
  uint8_t name[16] = {};
  uint8_t type = 0;
  uint8_t attributes = 0;
  size_t offset = 0;
  uint32_t size = 0;
  std::vector<SectionInfo> sections;
};

struct VolumeInfo {
  uint64_t length = 0;
  uint32_t attributes = 0;
  uint16_t headerLength = 0;
  uint16_t extHeaderOffset = 0;
  uint8_t name[16] = {};     // from the extended header, when there is one
  uint32_t numBlocks = 0;
  uint32_t blockSize = 0;
  std::vector<FileInfo> files;
};

// Empty on success, otherwise what is wrong and where.
std::string ReadVolume(const std::vector<uint8_t>& fv, VolumeInfo& info);

}  // namespace fvtest
