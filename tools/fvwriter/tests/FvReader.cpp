#include "FvReader.h"

#include <cstring>

namespace fvtest {
namespace {

uint32_t Get16(const uint8_t* p) { return uint32_t(p[0] | p[1] << 8); }
uint32_t Get24(const uint8_t* p) { return uint32_t(p[0] | p[1] << 8 | p[2] << 16); }
uint32_t Get32(const uint8_t* p) { return Get16(p) | Get16(p + 2) << 16; }
uint64_t Get64(const uint8_t* p) { return Get32(p) | uint64_t(Get32(p + 4)) << 32; }

uint8_t Sum8(const uint8_t* p, size_t n) {
  uint8_t s = 0;
  while (n--) s = uint8_t(s + *p++);
  return s;
}

const uint32_t kAlignments[8] = {8, 16, 128, 512, 1024, 4096, 32768, 65536};
const uint8_t kFfs2[16] = {0x78, 0xE5, 0x8C, 0x8C, 0x3D, 0x8A, 0x1C, 0x4F,
                           0x99, 0x35, 0x89, 0x61, 0x85, 0xC3, 0x2D, 0xD3};

std::string At(size_t offset, const std::string& what) {
  return what + " at offset " + std::to_string(offset);
}

std::string ReadHeader(const std::vector<uint8_t>& fv, VolumeInfo& info) {
  if (fv.size() < 72) return "volume shorter than its header";
  const uint8_t* h = fv.data();
  for (int i = 0; i < 16; ++i)
    if (h[i] != 0) return "zero vector not zero";
  if (std::memcmp(h + 16, kFfs2, 16) != 0) return "file system GUID is not FFS2";
  info.length = Get64(h + 32);
  if (info.length != fv.size()) return "FvLength differs from the volume size";
  if (Get32(h + 40) != 0x4856465F) return "signature is not _FVH";
  info.attributes = Get32(h + 44);
  info.headerLength = uint16_t(Get16(h + 48));
  if (info.headerLength < 72 || info.headerLength > fv.size()) return "bad header length";
  uint32_t sum = 0;
  for (size_t i = 0; i < info.headerLength; i += 2) sum += Get16(h + i);
  if ((sum & 0xFFFF) != 0) return "header checksum does not sum to zero";
  if (h[55] != 2) return "revision is not 2";
  info.extHeaderOffset = uint16_t(Get16(h + 52));
  uint64_t covered = 0;
  size_t at = 56;
  for (; at + 8 <= info.headerLength; at += 8) {
    const uint32_t n = Get32(h + at), len = Get32(h + at + 4);
    if (n == 0 && len == 0) break;
    if (info.numBlocks == 0) info.numBlocks = n, info.blockSize = len;
    covered += uint64_t(n) * len;
  }
  if (at + 8 != info.headerLength) return "block map not terminated at the header's end";
  if (covered != info.length) return "block map does not cover the volume";
  return {};
}

std::string ReadSections(const std::vector<uint8_t>& fv, FileInfo& file) {
  size_t at = file.offset + 24;
  const size_t end = file.offset + file.size;
  while (at < end) {
    at = (at + 3) & ~size_t(3);
    if (at >= end) break;
    if (end - at < 4) return At(at, "section header past the file's end");
    SectionInfo s;
    s.size = Get24(&fv[at]);
    s.type = fv[at + 3];
    s.offset = at;
    if (s.size < 4 || s.size > end - at) return At(at, "section length outside its file");
    file.sections.push_back(s);
    at += s.size;
  }
  return {};
}

std::string ReadFile(const std::vector<uint8_t>& fv, size_t at, bool erasedOnes, FileInfo& f) {
  const uint8_t* h = &fv[at];
  std::memcpy(f.name, h, 16);
  f.type = h[18];
  f.attributes = h[19];
  f.size = Get24(h + 20);
  f.offset = at;
  const uint8_t state = erasedOnes ? uint8_t(~h[23]) : h[23];
  if ((state & 0x07) != 0x07 || (state & 0x38) != 0) return At(at, "file state not valid");
  if (f.size < 24 || f.size > fv.size() - at) return At(at, "file size outside the volume");
  // The header sum treats State and the data checksum as zero.
  if (uint8_t(Sum8(h, 24) - h[17] - h[23]) != 0) return At(at, "file header checksum");
  if (f.attributes & 0x40) {
    if (uint8_t(Sum8(h + 24, f.size - 24) + h[17]) != 0) return At(at, "file data checksum");
  } else if (h[17] != 0xAA) {
    return At(at, "unsummed file without the fixed checksum");
  }
  if ((at + 24) % kAlignments[(f.attributes >> 3) & 7] != 0) return At(at, "file data alignment");
  return f.type == 0xF0 ? std::string() : ReadSections(fv, f);
}

bool Erased(const std::vector<uint8_t>& fv, size_t from, size_t to, uint8_t value) {
  for (size_t i = from; i < to; ++i)
    if (fv[i] != value) return false;
  return true;
}

}  // namespace

// The extended header must sit inside the data of a pad file, the volume's first file, so
// that every way of finding the first file skips it.
std::string ReadExtHeader(const std::vector<uint8_t>& fv, VolumeInfo& info) {
  if (info.extHeaderOffset == 0) return {};
  if (info.files.empty() || info.files[0].type != 0xF0) return "extended header outside a pad file";
  const FileInfo& pad = info.files[0];
  const size_t at = info.extHeaderOffset;
  if (at < pad.offset + 24 || at + 20 > pad.offset + pad.size)
    return "extended header outside its pad file's data";
  const uint32_t size = Get32(&fv[at + 16]);
  if (size < 20 || at + size > pad.offset + pad.size) return "bad extended header size";
  std::memcpy(info.name, &fv[at], 16);
  return {};
}

std::string ReadVolume(const std::vector<uint8_t>& fv, VolumeInfo& info) {
  info = VolumeInfo{};
  if (std::string e = ReadHeader(fv, info); !e.empty()) return e;
  const bool ones = (info.attributes & 0x800) != 0;
  const uint8_t erased = ones ? 0xFF : 0x00;
  size_t at = (info.headerLength + 7u) & ~size_t(7);
  while (at + 24 <= fv.size()) {
    if (Erased(fv, at, at + 24, erased)) {
      if (!Erased(fv, at, fv.size(), erased)) return At(at, "data after the free space");
      return ReadExtHeader(fv, info);
    }
    FileInfo f;
    if (std::string e = ReadFile(fv, at, ones, f); !e.empty()) return e;
    const size_t next = (at + f.size + 7) & ~size_t(7);
    if (!Erased(fv, at + f.size, std::min(next, fv.size()), erased))
      return At(at + f.size, "gap between files not erased");
    info.files.push_back(f);
    at = next;
  }
  if (!Erased(fv, std::min(at, fv.size()), fv.size(), erased)) return "trailing bytes not erased";
  return ReadExtHeader(fv, info);
}

}  // namespace fvtest
