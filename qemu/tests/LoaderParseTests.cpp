// The loader's readers run on what our volume writer writes, on package lists exported
// by OVMF itself, and on malformed input that must stop them inside the data.
#include <Fixtures.h>
#include <gtest/gtest.h>

#include <vector>

#include "FvWriter.h"
#include "LoaderParse.h"

namespace {

const fvwriter::Guid kDriver = *fvwriter::Guid::Parse("5C0E8F3A-9B4D-4E21-A6F0-3D2C1B0A9E87");

fvwriter::Bytes DriverVolume(uint32_t alignment) {
  fvwriter::FileSpec file;
  file.name = kDriver;
  file.dataAlignment = alignment;
  file.sections.push_back(fvwriter::MakeSection(EFI_SECTION_PE32, fvwriter::Bytes(300, 0x90)));
  fvwriter::VolumeSpec volume;
  volume.files.push_back(file);
  return fvwriter::MakeVolume(volume);
}

TEST(LoaderFindDriverFile, FindsTheDriverBehindAPadFile) {
  const fvwriter::Bytes fv = DriverVolume(4096);
  EFI_GUID name;
  UINTN offset = 0;
  ASSERT_TRUE(loader::FindDriverFile(fv.data(), fv.size(), &name, &offset));
  EXPECT_EQ(0, memcmp(&name, kDriver.bytes, 16));
  EXPECT_EQ(4096u - 24, offset);  // its data on the 4 KiB boundary, the pad file before it
}

TEST(LoaderFindDriverFile, StopsAtErasedSpaceAndBadSizes) {
  fvwriter::Bytes fv = DriverVolume(16);
  EFI_GUID name;
  UINTN offset = 0;
  ASSERT_TRUE(loader::FindDriverFile(fv.data(), fv.size(), &name, &offset));
  EXPECT_EQ(72u, offset);
  fv[offset + 20] = 0xFF, fv[offset + 21] = 0xFF, fv[offset + 22] = 0xFF;  // erased size
  EXPECT_FALSE(loader::FindDriverFile(fv.data(), fv.size(), &name, &offset));
  fv[offset + 20] = 0x10, fv[offset + 21] = 0, fv[offset + 22] = 0;  // below a header
  EXPECT_FALSE(loader::FindDriverFile(fv.data(), fv.size(), &name, &offset));
  const fvwriter::Bytes good = DriverVolume(16);
  EXPECT_FALSE(loader::FindDriverFile(good.data(), 100, &name, &offset));  // file past the end
  EXPECT_FALSE(loader::FindDriverFile(good.data(), 40, &name, &offset));   // no whole header
}

TEST(LoaderVolumeName, ReadsTheExtendedHeaderAndSkipsItsPadFile) {
  fvwriter::VolumeSpec layout;
  layout.name = *fvwriter::Guid::Parse("7E3B9A10-4C52-4F8E-B1D6-2A9C0E5F7B34");
  fvwriter::FileSpec file;
  file.name = kDriver;
  file.sections.push_back(fvwriter::MakeSection(EFI_SECTION_RAW, fvwriter::Bytes(8)));
  layout.files.push_back(file);
  fvwriter::Bytes fv = fvwriter::MakeVolume(layout);
  EFI_GUID name;
  ASSERT_TRUE(loader::FindVolumeName(fv.data(), fv.size(), &name));
  EXPECT_EQ(0, memcmp(&name, layout.name->bytes, 16));
  UINTN offset = 0;
  ASSERT_TRUE(loader::FindDriverFile(fv.data(), fv.size(), &name, &offset));
  EXPECT_EQ(0, memcmp(&name, kDriver.bytes, 16));
  fv[52] = 0xF0, fv[53] = 0xFF;  // an offset past the end
  EXPECT_FALSE(loader::FindVolumeName(fv.data(), fv.size(), &name));
  const fvwriter::Bytes unnamed = DriverVolume(16);
  EXPECT_FALSE(loader::FindVolumeName(unnamed.data(), unnamed.size(), &name));
}

std::vector<uint8_t> Node(uint8_t type, uint8_t subType, uint16_t length) {
  std::vector<uint8_t> node(length < 4 ? 4 : length, 0);
  node[0] = type, node[1] = subType, node[2] = uint8_t(length), node[3] = uint8_t(length >> 8);
  return node;
}

TEST(LoaderFvFileNode, TakesTheFileNodeThatEndsThePath) {
  std::vector<uint8_t> path = Node(MEDIA_DEVICE_PATH, MEDIA_PIWG_FW_VOL_DP, 20);
  std::vector<uint8_t> file = Node(MEDIA_DEVICE_PATH, MEDIA_PIWG_FW_FILE_DP, 20);
  memcpy(&file[4], kDriver.bytes, 16);
  path.insert(path.end(), file.begin(), file.end());
  const std::vector<uint8_t> end = Node(END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4);
  path.insert(path.end(), end.begin(), end.end());
  auto* p = reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL*>(path.data());
  const MEDIA_FW_VOL_FILEPATH_DEVICE_PATH* node = loader::LastFvFileNode(p, 8);
  ASSERT_NE(nullptr, node);
  EXPECT_EQ(0, memcmp(&node->FvFileName, kDriver.bytes, 16));
  EXPECT_EQ(nullptr, loader::LastFvFileNode(p, 2));  // the end node is beyond the bound
}

TEST(LoaderFvFileNode, RejectsAFileNodeFollowedByMoreAndAZeroLengthNode) {
  std::vector<uint8_t> path = Node(MEDIA_DEVICE_PATH, MEDIA_PIWG_FW_FILE_DP, 20);
  const std::vector<uint8_t> filePath = Node(MEDIA_DEVICE_PATH, MEDIA_FILEPATH_DP, 8);
  path.insert(path.end(), filePath.begin(), filePath.end());
  const std::vector<uint8_t> end = Node(END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4);
  path.insert(path.end(), end.begin(), end.end());
  EXPECT_EQ(nullptr, loader::LastFvFileNode(reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL*>(path.data()), 8));
  std::vector<uint8_t> zero = Node(MEDIA_DEVICE_PATH, MEDIA_PIWG_FW_FILE_DP, 0);
  zero.insert(zero.end(), end.begin(), end.end());
  EXPECT_EQ(nullptr, loader::LastFvFileNode(reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL*>(zero.data()), 8));
}

TEST(LoaderFvFileNode, LoneNodeMeansExactlyOneFileNodeThenTheEnd) {
  const std::vector<uint8_t> end = Node(END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4);
  std::vector<uint8_t> lone = Node(MEDIA_DEVICE_PATH, MEDIA_PIWG_FW_FILE_DP, 20);
  lone.insert(lone.end(), end.begin(), end.end());
  EXPECT_TRUE(loader::IsLoneFvFileNode(reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL*>(lone.data())));
  // Behind a volume node, as a full path would have it, the driver would read the wrong node.
  std::vector<uint8_t> full = Node(MEDIA_DEVICE_PATH, MEDIA_PIWG_FW_VOL_DP, 20);
  full.insert(full.end(), lone.begin(), lone.end());
  EXPECT_FALSE(loader::IsLoneFvFileNode(reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL*>(full.data())));
  std::vector<uint8_t> instanceEnd = Node(MEDIA_DEVICE_PATH, MEDIA_PIWG_FW_FILE_DP, 20);
  const std::vector<uint8_t> more = Node(END_DEVICE_PATH_TYPE, END_INSTANCE_DEVICE_PATH_SUBTYPE, 4);
  instanceEnd.insert(instanceEnd.end(), more.begin(), more.end());
  EXPECT_FALSE(loader::IsLoneFvFileNode(reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL*>(instanceEnd.data())));
  EXPECT_FALSE(loader::IsLoneFvFileNode(nullptr));
}

TEST(LoaderStringLanguage, ReadsTheFirstLanguageOfAnOvmfPackageList) {
  const std::vector<uint8_t> db = Fixtures::Read("ovmf/HIIDB.BIN");
  ASSERT_GE(db.size(), 20u);
  const uint32_t firstListSize = db[16] | db[17] << 8 | db[18] << 16 | uint32_t(db[19]) << 24;
  ASSERT_LE(firstListSize, db.size());
  CHAR8 language[16];
  ASSERT_TRUE(loader::FirstStringLanguage(db.data(), firstListSize, language, sizeof language));
  EXPECT_STREQ("en-US", language);
  // A buffer of 3 keeps two characters and the terminator.
  ASSERT_TRUE(loader::FirstStringLanguage(db.data(), firstListSize, language, 3));
  EXPECT_STREQ("en", language);
}

TEST(LoaderStringLanguage, StopsAtTheEndPackageAndAtLengthsPastTheData) {
  // List header, a forms package (type 2, 8 bytes), the end package.
  std::vector<uint8_t> list(20, 0);
  const uint8_t forms[] = {8, 0, 0, 0x02, 0, 0, 0, 0};
  const uint8_t endPackage[] = {4, 0, 0, 0xDF};
  list.insert(list.end(), std::begin(forms), std::end(forms));
  list.insert(list.end(), std::begin(endPackage), std::end(endPackage));
  CHAR8 language[16];
  EXPECT_FALSE(loader::FirstStringLanguage(list.data(), list.size(), language, sizeof language));
  EXPECT_EQ(0, language[0]);
  list[20] = 200;  // the forms package claims more than there is
  EXPECT_FALSE(loader::FirstStringLanguage(list.data(), list.size(), language, sizeof language));
}

}  // namespace

namespace {

TEST(LoaderVariableRecords, WalksOvmfsExportedVariables) {
  const std::vector<uint8_t> vars = Fixtures::Read("ovmf/VARS.BIN");
  ASSERT_FALSE(vars.empty());
  UINTN offset = 0, count = 0;
  loader::VARIABLE_RECORD record;
  bool sawTimeout = false;
  while (loader::NextVariableRecord(vars.data(), vars.size(), &offset, &record)) {
    ++count;
    if (std::u16string(record.name) == u"Timeout") {
      sawTimeout = true;
      EXPECT_EQ(7u, record.attributes);
      EXPECT_EQ(2u, record.dataSize);
    }
  }
  EXPECT_EQ(45u, count);
  EXPECT_EQ(vars.size(), offset);  // every record read, none left over
  EXPECT_TRUE(sawTimeout);
}

std::vector<uint8_t> Record(const std::u16string& name, std::vector<uint8_t> data) {
  std::vector<uint8_t> r(16, 0xAB);
  auto put32 = [&r](uint32_t v) { for (int i = 0; i < 4; ++i) r.push_back(uint8_t(v >> (8 * i))); };
  put32(7);
  put32(uint32_t(name.size() * 2));
  for (char16_t c : name) r.push_back(uint8_t(c)), r.push_back(uint8_t(c >> 8));
  put32(uint32_t(data.size()));
  r.insert(r.end(), data.begin(), data.end());
  return r;
}

TEST(LoaderVariableRecords, StopsAtRecordsThatDoNotFit) {
  loader::VARIABLE_RECORD record;
  const std::vector<uint8_t> good = Record(u"Setup", {1, 2, 3});
  UINTN offset = 0;
  ASSERT_TRUE(loader::NextVariableRecord(good.data(), good.size(), &offset, &record));
  EXPECT_EQ(std::u16string(u"Setup"), std::u16string(record.name));
  EXPECT_EQ(3u, record.dataSize);
  EXPECT_EQ(good.size(), offset);
  offset = 0;  // data one byte short
  EXPECT_FALSE(loader::NextVariableRecord(good.data(), good.size() - 1, &offset, &record));
  EXPECT_EQ(0u, offset);
  std::vector<uint8_t> odd = good;
  odd[20] = 9;  // an odd name size
  EXPECT_FALSE(loader::NextVariableRecord(odd.data(), odd.size(), &offset, &record));
  const std::vector<uint8_t> longName = Record(std::u16string(64, u'x'), {});
  EXPECT_FALSE(loader::NextVariableRecord(longName.data(), longName.size(), &offset, &record));
  const std::vector<uint8_t> longest = Record(std::u16string(63, u'x'), {});
  EXPECT_TRUE(loader::NextVariableRecord(longest.data(), longest.size(), &offset, &record));
}

}  // namespace
