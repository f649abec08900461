#include <gtest/gtest.h>

#include "FvReader.h"
#include "FvWriter.h"

using fvwriter::Bytes;

namespace {

const fvwriter::Guid kDriver = *fvwriter::Guid::Parse("6B0C36C2-1D43-4E0E-93E8-0F1B2A3C4D5E");

fvwriter::FileSpec DriverFile(size_t imageSize, uint32_t alignment) {
  fvwriter::FileSpec f;
  f.name = kDriver;
  f.dataAlignment = alignment;
  Bytes image(imageSize);
  for (size_t i = 0; i < imageSize; ++i) image[i] = uint8_t(i * 7 + 1);
  f.sections.push_back(fvwriter::MakeSection(EFI_SECTION_PE32, image));
  f.sections.push_back(fvwriter::MakeDepexTrueSection());
  f.sections.push_back(fvwriter::MakeFreeformSection(fvwriter::SetupDataSectionGuid(), {1, 2, 3}));
  f.sections.push_back(fvwriter::MakeUserInterfaceSection(u"SetupEngine"));
  return f;
}

Bytes Volume(std::vector<fvwriter::FileSpec> files, uint64_t size = 0) {
  fvwriter::VolumeSpec v;
  v.files = std::move(files);
  v.size = size;
  return fvwriter::MakeVolume(v);
}

TEST(FvGuid, ParsesIntoTheInMemoryByteOrder) {
  const auto g = fvwriter::Guid::Parse("8c8ce578-8a3d-4f1c-9935-896185c32dd3");
  ASSERT_TRUE(g);
  const uint8_t expected[16] = {0x78, 0xE5, 0x8C, 0x8C, 0x3D, 0x8A, 0x1C, 0x4F,
                                0x99, 0x35, 0x89, 0x61, 0x85, 0xC3, 0x2D, 0xD3};
  EXPECT_EQ(0, memcmp(g->bytes, expected, 16));
  EXPECT_EQ("8C8CE578-8A3D-4F1C-9935-896185C32DD3", g->ToString());
}

TEST(FvGuid, RejectsMalformedText) {
  EXPECT_FALSE(fvwriter::Guid::Parse("8C8CE578-8A3D-4F1C-9935-896185C32DD"));
  EXPECT_FALSE(fvwriter::Guid::Parse("8C8CE578+8A3D-4F1C-9935-896185C32DD3"));
  EXPECT_FALSE(fvwriter::Guid::Parse("8C8CE578-8A3D-4F1C-9935-896185C32DDG"));
}

TEST(FvChecksum, SumsToZero) {
  const uint8_t bytes[] = {0x10, 0x20, 0x30, 0x40};
  EXPECT_EQ(0x60, fvwriter::Checksum8(bytes, 4));      // 0xA0 + 0x60 = 0x100
  EXPECT_EQ(0x9FC0, fvwriter::Checksum16(bytes, 4));  // 0x2010 + 0x4030 = 0x6040
  EXPECT_EQ(0, uint16_t(0x2010 + 0x4030 + fvwriter::Checksum16(bytes, 4)));
}

TEST(FvSection, LengthIncludesTheHeaderAndFreeformLeadsWithItsGuid) {
  const Bytes s = fvwriter::MakeFreeformSection(fvwriter::SetupDataSectionGuid(), {9, 8, 7});
  ASSERT_EQ(4u + 16u + 3u, s.size());
  EXPECT_EQ(23, s[0]);
  EXPECT_EQ(0, s[1]);
  EXPECT_EQ(0, s[2]);
  EXPECT_EQ(0x18, s[3]);
  // FE612B72-203C-47B1-8560-A66D946EB371 in memory order.
  const uint8_t guid[16] = {0x72, 0x2B, 0x61, 0xFE, 0x3C, 0x20, 0xB1, 0x47,
                            0x85, 0x60, 0xA6, 0x6D, 0x94, 0x6E, 0xB3, 0x71};
  EXPECT_EQ(0, memcmp(&s[4], guid, 16));
  EXPECT_EQ(9, s[20]);
}

TEST(FvSection, UserInterfaceNameIsNulTerminatedUtf16) {
  const Bytes s = fvwriter::MakeUserInterfaceSection(u"Ab");
  EXPECT_EQ(Bytes({10, 0, 0, 0x15, 'A', 0, 'b', 0, 0, 0}), s);
}

TEST(FvSection, TwentyFourBitSizeLimit) {
  EXPECT_NO_THROW(fvwriter::MakeSection(EFI_SECTION_RAW, Bytes(0xFFFFFF - 4)));
  EXPECT_THROW(fvwriter::MakeSection(EFI_SECTION_RAW, Bytes(0xFFFFFF - 3)),
               fvwriter::FormatError);
}

TEST(FvFile, HeaderChecksumIgnoresStateAndDataChecksum) {
  const Bytes f = fvwriter::MakeFile(DriverFile(5, 8));
  uint8_t sum = 0;
  for (int i = 0; i < 24; ++i)
    if (i != 17 && i != 23) sum = uint8_t(sum + f[i]);
  EXPECT_EQ(0, sum);
  EXPECT_EQ(0xF8, f[23]);  // construction + header valid + data valid, inverted
  EXPECT_EQ(0x07, f[18]);
  EXPECT_EQ(0x40, f[19]);
  uint8_t dataSum = f[17];
  for (size_t i = 24; i < f.size(); ++i) dataSum = uint8_t(dataSum + f[i]);
  EXPECT_EQ(0, dataSum);
  EXPECT_EQ(f.size(), size_t(f[20] | f[21] << 8 | f[22] << 16));
}

TEST(FvFile, SectionsStartFourByteAligned) {
  // A 5-byte image gives a 9-byte section, so the depex section needs 3 filler bytes.
  const Bytes f = fvwriter::MakeFile(DriverFile(5, 8));
  EXPECT_EQ(9, f[24]);
  EXPECT_EQ(0x10, f[27]);
  EXPECT_EQ(0, f[24 + 9]);
  EXPECT_EQ(6, f[36]);  // depex section: 4-byte header + TRUE + END
  EXPECT_EQ(0x13, f[39]);
  EXPECT_EQ(0x06, f[40]);
  EXPECT_EQ(0x08, f[41]);
}

TEST(FvFile, RejectsAnAlignmentTheHeaderCannotExpress) {
  EXPECT_THROW(fvwriter::MakeFile(DriverFile(5, 64)), fvwriter::FormatError);
  EXPECT_THROW(fvwriter::MakeFile(DriverFile(5, 0)), fvwriter::FormatError);
}

TEST(FvVolume, HeaderBlockMapAndFilesReadBack) {
  const Bytes fv = Volume({DriverFile(1000, 16)});
  fvtest::VolumeInfo info;
  ASSERT_EQ("", fvtest::ReadVolume(fv, info));
  EXPECT_EQ(4096u, fv.size());
  EXPECT_EQ(72, info.headerLength);
  EXPECT_EQ(1u, info.numBlocks);
  EXPECT_EQ(4096u, info.blockSize);
  EXPECT_EQ(0x40000u, info.attributes & 0x1F0000);  // volume aligned for its 16-byte file
  EXPECT_EQ(0x800u, info.attributes & 0x800);
  ASSERT_EQ(1u, info.files.size());
  const fvtest::FileInfo& f = info.files[0];
  EXPECT_EQ(0, memcmp(f.name, kDriver.bytes, 16));
  EXPECT_EQ(72u, f.offset);  // 72 + 24 = 96 is already 16-aligned: no pad file
  ASSERT_EQ(4u, f.sections.size());
  EXPECT_EQ(0x10, f.sections[0].type);
  EXPECT_EQ(1004u, f.sections[0].size);
  EXPECT_EQ(0x13, f.sections[1].type);
  EXPECT_EQ(0x18, f.sections[2].type);
  EXPECT_EQ(23u, f.sections[2].size);
  EXPECT_EQ(0x15, f.sections[3].type);
  EXPECT_EQ(28u, f.sections[3].size);
  EXPECT_EQ(f.offset + f.size, f.sections[3].offset + f.sections[3].size);
}

TEST(FvVolume, AlignedFileGetsAPadFileBeforeIt) {
  const Bytes fv = Volume({DriverFile(100, 4096)});
  fvtest::VolumeInfo info;
  ASSERT_EQ("", fvtest::ReadVolume(fv, info));
  ASSERT_EQ(2u, info.files.size());
  EXPECT_EQ(0xF0, info.files[0].type);
  EXPECT_EQ(72u, info.files[0].offset);
  EXPECT_EQ(4096u - 24 - 72, info.files[0].size);
  EXPECT_EQ(4096u - 24, info.files[1].offset);
  EXPECT_EQ(0x40 | 5 << 3, info.files[1].attributes);
  EXPECT_EQ(0xC0000u, info.attributes & 0x1F0000);
  EXPECT_EQ(8192u, fv.size());
}

TEST(FvVolume, PadFileNeedsRoomForItsHeader) {
  // The first file's data is at 96 and it ends at 160. Data aligned at 192 would put the
  // second file at 168, leaving 8 bytes: too few for a pad file's header. So a 24-byte pad
  // file fills 160..184 and the data lands at 208.
  fvwriter::FileSpec first = DriverFile(1, 16);
  first.sections = {fvwriter::MakeSection(EFI_SECTION_RAW, Bytes(60))};
  fvwriter::FileSpec second = DriverFile(1, 16);
  second.name.bytes[0] ^= 1;
  second.sections = {fvwriter::MakeSection(EFI_SECTION_RAW, Bytes(4))};
  const Bytes fv = Volume({first, second});
  fvtest::VolumeInfo info;
  ASSERT_EQ("", fvtest::ReadVolume(fv, info));
  ASSERT_EQ(3u, info.files.size());
  EXPECT_EQ(0xF0, info.files[1].type);
  EXPECT_EQ(160u, info.files[1].offset);
  EXPECT_EQ(24u, info.files[1].size);
  EXPECT_EQ(184u, info.files[2].offset);
  EXPECT_EQ(0u, (info.files[2].offset + 24) % 16);
}

TEST(FvVolume, NameGoesIntoAnExtendedHeaderInsideAPadFile) {
  fvwriter::VolumeSpec v;
  v.name = *fvwriter::Guid::Parse("A3C1E2F4-1B2C-4D5E-8F90-0A1B2C3D4E5F");
  v.files = {DriverFile(10, 16)};
  const Bytes fv = fvwriter::MakeVolume(v);
  fvtest::VolumeInfo info;
  ASSERT_EQ("", fvtest::ReadVolume(fv, info));
  EXPECT_EQ(96, info.extHeaderOffset);  // the data of the pad file right after the header
  EXPECT_EQ(0, memcmp(info.name, v.name->bytes, 16));
  ASSERT_EQ(2u, info.files.size());
  EXPECT_EQ(0xF0, info.files[0].type);
  EXPECT_EQ(24u + 20, info.files[0].size);
  EXPECT_EQ(120u, info.files[1].offset);  // 72 + 44 rounded up to 8; its data 16-aligned
  EXPECT_EQ(0, memcmp(info.files[1].name, kDriver.bytes, 16));
  Bytes moved = fv;  // an extended header pointing outside its pad file is refused
  moved[52] = 72;
  moved[50] = moved[51] = 0;
  const uint16_t fix = fvwriter::Checksum16(moved.data(), 72);
  moved[50] = uint8_t(fix), moved[51] = uint8_t(fix >> 8);
  EXPECT_EQ("extended header outside its pad file's data", fvtest::ReadVolume(moved, info));
}

TEST(FvVolume, ExplicitSizeMustHoldTheFilesInWholeBlocks) {
  EXPECT_EQ(3u * 4096, Volume({DriverFile(10, 16)}, 3 * 4096).size());
  EXPECT_THROW(Volume({DriverFile(5000, 16)}, 4096), fvwriter::FormatError);
  EXPECT_THROW(Volume({DriverFile(10, 16)}, 4096 + 8), fvwriter::FormatError);
}

TEST(FvVolume, ReaderCatchesEveryCorruptedChecksum) {
  const Bytes good = Volume({DriverFile(64, 16)});
  fvtest::VolumeInfo info;
  ASSERT_EQ("", fvtest::ReadVolume(good, info));
  const size_t file = info.files[0].offset;
  const size_t firstSection = info.files[0].sections[0].offset;
  const struct { size_t at; const char* error; } cases[] = {
      {50, "header checksum does not sum to zero"},
      {file + 2, "file header checksum at offset 72"},
      {file + 30, "file data checksum at offset 72"},
  };
  for (const auto& c : cases) {
    Bytes bad = good;
    bad[c.at] ^= 0x01;
    EXPECT_EQ(c.error, fvtest::ReadVolume(bad, info)) << "byte " << c.at;
  }
  Bytes badLength = good;
  badLength[firstSection] = 0xF0;  // PE32 section claims 240 bytes
  EXPECT_NE("", fvtest::ReadVolume(badLength, info));
}

}  // namespace
