// Firmware-file sections: headers, alignment in a stream, and instance counting by
// type the way FV2 ReadSection counts.
#include <Builders/FirmwareFileBuilder.h>
#include <Builders/SetupDataBuilder.h>

#include <gtest/gtest.h>

using namespace Builders;

namespace {

const EFI_GUID  kForeign = MakeGuid ("DEADBEEF-0000-1111-2222-333344445555");

}  // namespace

TEST (FirmwareFileBuilder, SectionHeadersCarrySizeAndType)
{
  BYTES  Raw = BuildRawSection (std::vector<uint8_t> { 1, 2, 3 });
  BYTES  Ui  = BuildUserInterfaceSection (u"Setup");
  BYTES  Ff  = BuildFreeformSection (kForeign, std::vector<uint8_t> { 9 });

  EXPECT_EQ (Raw, (BYTES { 7, 0, 0, EFI_SECTION_RAW, 1, 2, 3 }));
  EXPECT_EQ (Ui.size (), 4u + 12u);
  EXPECT_EQ (Ui[3], EFI_SECTION_USER_INTERFACE);
  EXPECT_EQ (GetU16 (Ui, 4), u'S');
  EXPECT_EQ (GetU16 (Ui, 14), 0);
  EXPECT_EQ (Ff.size (), 4u + 16u + 1u);
  EXPECT_EQ (Ff[3], EFI_SECTION_FREEFORM_SUBTYPE_GUID);
  EXPECT_TRUE (SameGuid (GetGuid (Ff, 4), kForeign));
}

// Two freeform sections, the first with another GUID: instance 1 is the setup data.
TEST (FirmwareFileBuilder, SecondFreeformSectionIsInstanceOne)
{
  SETUP_DATA_DESC Desc;
  BYTES           Stream = BuildSectionStream ({ BuildFreeformSection (kForeign, std::vector<uint8_t> { 1 }),
                                                 BuildUserInterfaceSection (u"SetupEngine"), BuildSetupDataSection (Desc) });

  auto  First  = FindSectionBody (Stream, EFI_SECTION_FREEFORM_SUBTYPE_GUID, 0);
  auto  Second = FindSectionBody (Stream, EFI_SECTION_FREEFORM_SUBTYPE_GUID, 1);

  ASSERT_TRUE (First.has_value ());
  ASSERT_TRUE (Second.has_value ());
  EXPECT_TRUE (SameGuid (GetGuid (*First, 0), kForeign));
  EXPECT_EQ (BYTES (Second->begin (), Second->end ()), BuildSetupDataSectionBody (Desc));
  EXPECT_FALSE (FindSectionBody (Stream, EFI_SECTION_FREEFORM_SUBTYPE_GUID, 2).has_value ());
  EXPECT_FALSE (FindSectionBody (Stream, EFI_SECTION_RAW, 0).has_value ());
  // The 21-byte first section is padded so the next one starts on a 4-byte boundary.
  SECTION_STREAM_VIEW  View = SplitSectionStream (Stream);
  ASSERT_EQ (View.Sections.size (), 3u);
  EXPECT_EQ (View.Sections[1].Offset, 24u);
  EXPECT_TRUE (View.Complete);
}

TEST (FirmwareFileBuilder, SplitStopsAtABadSectionSize)
{
  BYTES  Stream = BuildSectionStream ({ BuildRawSection (std::vector<uint8_t> { 1 }), BuildRawSection ({}) });

  Stream[8] = 2;                                        // second section claims 2 bytes
  SECTION_STREAM_VIEW  View = SplitSectionStream (Stream);
  EXPECT_EQ (View.Sections.size (), 1u);
  EXPECT_FALSE (View.Complete);

  Stream[8] = 200;                                      // ... or runs past the end
  EXPECT_FALSE (SplitSectionStream (Stream).Complete);
}
