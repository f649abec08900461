// The loader's readers run on what our volume writer writes, on package lists exported
// by OVMF itself, and on malformed input that must stop them inside the data.
#include <Fixtures.h>
#include <gtest/gtest.h>

#include <vector>

#include "FvWriter.h"
#include "LoaderParse.h"

namespace {

const fvwriter::Guid kDriver = *fvwriter::Guid::Parse ("5C0E8F3A-9B4D-4E21-A6F0-3D2C1B0A9E87");

fvwriter::Bytes
DriverVolume (uint32_t Alignment)
{
  fvwriter::FileSpec File;
  File.Name          = kDriver;
  File.DataAlignment = Alignment;
  File.Sections.push_back (fvwriter::MakeSection (EFI_SECTION_PE32, fvwriter::Bytes (300, 0x90)));
  fvwriter::VolumeSpec Volume;
  Volume.Files.push_back (File);
  return fvwriter::MakeVolume (Volume);
}

TEST (LoaderFindDriverFile, FindsTheDriverBehindAPadFile)
{
  const fvwriter::Bytes Fv = DriverVolume (4096);
  EFI_GUID              Name;
  UINTN                 Offset = 0;
  ASSERT_TRUE (loader::FindDriverFile (Fv.data (), Fv.size (), &Name, &Offset));
  EXPECT_EQ (0, memcmp (&Name, kDriver.Bytes, 16));
  EXPECT_EQ (4096u - 24, Offset);  // its data on the 4 KiB boundary, the pad file before it
}

TEST (LoaderFindDriverFile, StopsAtErasedSpaceAndBadSizes)
{
  fvwriter::Bytes Fv = DriverVolume (16);
  EFI_GUID        Name;
  UINTN           Offset = 0;
  ASSERT_TRUE (loader::FindDriverFile (Fv.data (), Fv.size (), &Name, &Offset));
  EXPECT_EQ (72u, Offset);
  Fv[Offset + 20] = 0xFF, Fv[Offset + 21] = 0xFF, Fv[Offset + 22] = 0xFF;  // erased size
  EXPECT_FALSE (loader::FindDriverFile (Fv.data (), Fv.size (), &Name, &Offset));
  Fv[Offset + 20] = 0x10, Fv[Offset + 21] = 0, Fv[Offset + 22] = 0;  // below a header
  EXPECT_FALSE (loader::FindDriverFile (Fv.data (), Fv.size (), &Name, &Offset));
  const fvwriter::Bytes Good = DriverVolume (16);
  EXPECT_FALSE (loader::FindDriverFile (Good.data (), 100, &Name, &Offset));  // file past the end
  EXPECT_FALSE (loader::FindDriverFile (Good.data (), 40, &Name, &Offset));   // no whole header
}

TEST (LoaderVolumeName, ReadsTheExtendedHeaderAndSkipsItsPadFile)
{
  fvwriter::VolumeSpec Layout;
  Layout.Name = *fvwriter::Guid::Parse ("7E3B9A10-4C52-4F8E-B1D6-2A9C0E5F7B34");
  fvwriter::FileSpec File;
  File.Name = kDriver;
  File.Sections.push_back (fvwriter::MakeSection (EFI_SECTION_RAW, fvwriter::Bytes (8)));
  Layout.Files.push_back (File);
  fvwriter::Bytes Fv = fvwriter::MakeVolume (Layout);
  EFI_GUID        Name;
  ASSERT_TRUE (loader::FindVolumeName (Fv.data (), Fv.size (), &Name));
  EXPECT_EQ (0, memcmp (&Name, Layout.Name->Bytes, 16));
  UINTN Offset = 0;
  ASSERT_TRUE (loader::FindDriverFile (Fv.data (), Fv.size (), &Name, &Offset));
  EXPECT_EQ (0, memcmp (&Name, kDriver.Bytes, 16));
  Fv[52] = 0xF0, Fv[53] = 0xFF;  // an offset past the end
  EXPECT_FALSE (loader::FindVolumeName (Fv.data (), Fv.size (), &Name));
  const fvwriter::Bytes Unnamed = DriverVolume (16);
  EXPECT_FALSE (loader::FindVolumeName (Unnamed.data (), Unnamed.size (), &Name));
}

std::vector<uint8_t>
Node (uint8_t Type, uint8_t SubType, uint16_t Length)
{
  std::vector<uint8_t> Node (Length < 4 ? 4 : Length, 0);
  Node[0] = Type, Node[1] = SubType, Node[2] = uint8_t (Length), Node[3] = uint8_t (Length >> 8);
  return Node;
}

TEST (LoaderFvFileNode, TakesTheFileNodeThatEndsThePath)
{
  std::vector<uint8_t> Path = Node (MEDIA_DEVICE_PATH, MEDIA_PIWG_FW_VOL_DP, 20);
  std::vector<uint8_t> File = Node (MEDIA_DEVICE_PATH, MEDIA_PIWG_FW_FILE_DP, 20);
  memcpy (&File[4], kDriver.Bytes, 16);
  Path.insert (Path.end (), File.begin (), File.end ());
  const std::vector<uint8_t> End = Node (END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4);
  Path.insert (Path.end (), End.begin (), End.end ());
  auto                                    *P    = reinterpret_cast<const EFI_DEVICE_PATH_PROTOCOL *> (Path.data ());
  const MEDIA_FW_VOL_FILEPATH_DEVICE_PATH *Node = loader::LastFvFileNode (P, 8);
  ASSERT_NE (nullptr, Node);
  EXPECT_EQ (0, memcmp (&Node->FvFileName, kDriver.Bytes, 16));
  EXPECT_EQ (nullptr, loader::LastFvFileNode (P, 2));  // the end node is beyond the bound
}

TEST (LoaderFvFileNode, RejectsAFileNodeFollowedByMoreAndAZeroLengthNode)
{
  std::vector<uint8_t>       Path     = Node (MEDIA_DEVICE_PATH, MEDIA_PIWG_FW_FILE_DP, 20);
  const std::vector<uint8_t> FilePath = Node (MEDIA_DEVICE_PATH, MEDIA_FILEPATH_DP, 8);
  Path.insert (Path.end (), FilePath.begin (), FilePath.end ());
  const std::vector<uint8_t> End = Node (END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4);
  Path.insert (Path.end (), End.begin (), End.end ());
  EXPECT_EQ (nullptr, loader::LastFvFileNode (reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *> (Path.data ()), 8));
  std::vector<uint8_t> Zero = Node (MEDIA_DEVICE_PATH, MEDIA_PIWG_FW_FILE_DP, 0);
  Zero.insert (Zero.end (), End.begin (), End.end ());
  EXPECT_EQ (nullptr, loader::LastFvFileNode (reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *> (Zero.data ()), 8));
}

TEST (LoaderFvFileNode, LoneNodeMeansExactlyOneFileNodeThenTheEnd)
{
  const std::vector<uint8_t> End  = Node (END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4);
  std::vector<uint8_t>       Lone = Node (MEDIA_DEVICE_PATH, MEDIA_PIWG_FW_FILE_DP, 20);
  Lone.insert (Lone.end (), End.begin (), End.end ());
  EXPECT_TRUE (loader::IsLoneFvFileNode (reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *> (Lone.data ())));
  // Behind a volume node, as a full path would have it, the driver would read the wrong node.
  std::vector<uint8_t> Full = Node (MEDIA_DEVICE_PATH, MEDIA_PIWG_FW_VOL_DP, 20);
  Full.insert (Full.end (), Lone.begin (), Lone.end ());
  EXPECT_FALSE (loader::IsLoneFvFileNode (reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *> (Full.data ())));
  std::vector<uint8_t>       InstanceEnd = Node (MEDIA_DEVICE_PATH, MEDIA_PIWG_FW_FILE_DP, 20);
  const std::vector<uint8_t> More        = Node (END_DEVICE_PATH_TYPE, END_INSTANCE_DEVICE_PATH_SUBTYPE, 4);
  InstanceEnd.insert (InstanceEnd.end (), More.begin (), More.end ());
  EXPECT_FALSE (loader::IsLoneFvFileNode (reinterpret_cast<EFI_DEVICE_PATH_PROTOCOL *> (InstanceEnd.data ())));
  EXPECT_FALSE (loader::IsLoneFvFileNode (nullptr));
}

TEST (LoaderStringLanguage, ReadsTheFirstLanguageOfAnOvmfPackageList)
{
  const std::vector<uint8_t> Db = Fixtures::Read ("ovmf/HIIDB.BIN");
  ASSERT_GE (Db.size (), 20u);
  const uint32_t FirstListSize = Db[16] | Db[17] << 8 | Db[18] << 16 | uint32_t (Db[19]) << 24;
  ASSERT_LE (FirstListSize, Db.size ());
  CHAR8 Language[16];
  ASSERT_TRUE (loader::FirstStringLanguage (Db.data (), FirstListSize, Language, sizeof Language));
  EXPECT_STREQ ("en-US", Language);
  // A buffer of 3 keeps two characters and the terminator.
  ASSERT_TRUE (loader::FirstStringLanguage (Db.data (), FirstListSize, Language, 3));
  EXPECT_STREQ ("en", Language);
}

TEST (LoaderStringLanguage, StopsAtTheEndPackageAndAtLengthsPastTheData)
{
  // List header, a forms package (type 2, 8 bytes), the end package.
  std::vector<uint8_t> List (20, 0);
  const uint8_t        Forms[]      = { 8, 0, 0, 0x02, 0, 0, 0, 0 };
  const uint8_t        EndPackage[] = { 4, 0, 0, 0xDF };
  List.insert (List.end (), std::begin (Forms), std::end (Forms));
  List.insert (List.end (), std::begin (EndPackage), std::end (EndPackage));
  CHAR8 Language[16];
  EXPECT_FALSE (loader::FirstStringLanguage (List.data (), List.size (), Language, sizeof Language));
  EXPECT_EQ (0, Language[0]);
  List[20] = 200;  // the forms package claims more than there is
  EXPECT_FALSE (loader::FirstStringLanguage (List.data (), List.size (), Language, sizeof Language));
}

}  // namespace

namespace {

TEST (LoaderVariableRecords, WalksOvmfsExportedVariables)
{
  const std::vector<uint8_t> Vars = Fixtures::Read ("ovmf/VARS.BIN");
  ASSERT_FALSE (Vars.empty ());
  UINTN                   Offset = 0, Count = 0;
  loader::VARIABLE_RECORD Record;
  bool                    SawTimeout = false;
  while (loader::NextVariableRecord (Vars.data (), Vars.size (), &Offset, &Record)) {
    ++Count;
    if (std::u16string (Record.Name) == u"Timeout") {
      SawTimeout = true;
      EXPECT_EQ (7u, Record.Attributes);
      EXPECT_EQ (2u, Record.DataSize);
    }
  }
  EXPECT_EQ (45u, Count);
  EXPECT_EQ (Vars.size (), Offset);  // every record read, none left over
  EXPECT_TRUE (SawTimeout);
}

std::vector<uint8_t>
RecordBytes (const std::u16string &Name, std::vector<uint8_t> Data)
{
  std::vector<uint8_t> R (16, 0xAB);
  auto                 Put32 = [&R] (uint32_t V) {
    for (int I = 0; I < 4; ++I) {
      R.push_back (uint8_t (V >> (8 * I)));
    }
  };
  Put32 (7);
  Put32 (uint32_t (Name.size () * 2));
  for (char16_t C : Name) {
    R.push_back (uint8_t (C)), R.push_back (uint8_t (C >> 8));
  }
  Put32 (uint32_t (Data.size ()));
  R.insert (R.end (), Data.begin (), Data.end ());
  return R;
}

TEST (LoaderVariableRecords, StopsAtRecordsThatDoNotFit)
{
  loader::VARIABLE_RECORD    Record;
  const std::vector<uint8_t> Good   = RecordBytes (u"Setup", { 1, 2, 3 });
  UINTN                      Offset = 0;
  ASSERT_TRUE (loader::NextVariableRecord (Good.data (), Good.size (), &Offset, &Record));
  EXPECT_EQ (std::u16string (u"Setup"), std::u16string (Record.Name));
  EXPECT_EQ (3u, Record.DataSize);
  EXPECT_EQ (Good.size (), Offset);
  Offset = 0;  // data one byte short
  EXPECT_FALSE (loader::NextVariableRecord (Good.data (), Good.size () - 1, &Offset, &Record));
  EXPECT_EQ (0u, Offset);
  std::vector<uint8_t> Odd = Good;
  Odd[20]                  = 9;  // an odd name size
  EXPECT_FALSE (loader::NextVariableRecord (Odd.data (), Odd.size (), &Offset, &Record));
  const std::vector<uint8_t> LongName = RecordBytes (std::u16string (64, u'x'), {});
  EXPECT_FALSE (loader::NextVariableRecord (LongName.data (), LongName.size (), &Offset, &Record));
  const std::vector<uint8_t> Longest = RecordBytes (std::u16string (63, u'x'), {});
  EXPECT_TRUE (loader::NextVariableRecord (Longest.data (), Longest.size (), &Offset, &Record));
}

}  // namespace
