// The devices of the standard machine where later tests read their state: the
// text grid, graphics, the firmware image, time, ports and boot mode, and the pool.
#include <Emulator/RunEnded.h>
#include <Emulator/StandardMachine.h>

#include <Guid/HobList.h>
#include <Library/IoLib.h>
#include <Library/PlatformLib.h>
#include <Protocol/DevicePath.h>
#include <Protocol/HiiPackageList.h>

#include <Fixtures.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

class DevicesTest : public ::testing::Test {
protected:
  Emu::Machine           Machine;
  Emu::STANDARD_DEVICES  Devices = Emu::BuildStandardMachine (Machine, {});
  EFI_BOOT_SERVICES      *BS     = Machine.BootServices ();
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *ConOut = Machine.SystemTable ()->ConOut;

  // The platform library finds the board's port interface through the tables it was given.
  void SetUp () override { ASSERT_EQ (PlatformLibConstructor (nullptr, Machine.SystemTable ()), EFI_SUCCESS); }
  void TearDown () override { gLibBS = nullptr; gLibST = nullptr; gLibRT = nullptr; }
};

// Text lands in the grid with the attribute in force; writing the last cell of the
// screen does not scroll, a line feed on the last row does.
TEST_F (DevicesTest, TextOutputRecordsCellsWithoutScrollingAtTheLastCell)
{
  ASSERT_EQ (ConOut->SetMode (ConOut, 2), EFI_SUCCESS);
  EXPECT_EQ (Devices.TextOut->Columns (), 100u);
  EXPECT_EQ (Devices.TextOut->Rows (), 31u);
  ASSERT_EQ (ConOut->SetAttribute (ConOut, 0x71), EFI_SUCCESS);
  ASSERT_EQ (ConOut->SetCursorPosition (ConOut, 98, 30), EFI_SUCCESS);
  ASSERT_EQ (ConOut->OutputString (ConOut, (CHAR16 *)u"XY"), EFI_SUCCESS);
  EXPECT_EQ (Devices.TextOut->Cell (98, 30).Char, u'X');
  EXPECT_EQ (Devices.TextOut->Cell (99, 30).Char, u'Y');
  EXPECT_EQ (Devices.TextOut->Cell (99, 30).Attribute, 0x71);
  ASSERT_EQ (ConOut->OutputString (ConOut, (CHAR16 *)u"\r\n"), EFI_SUCCESS);
  EXPECT_EQ (Devices.TextOut->Cell (99, 29).Char, u'Y');
  EXPECT_EQ (ConOut->SetCursorPosition (ConOut, 100, 0), EFI_UNSUPPORTED);
  EXPECT_EQ (ConOut->SetMode (ConOut, 3), EFI_UNSUPPORTED);
  EXPECT_EQ (Devices.TextOut->CountCalls (Emu::TextOp::OutputString), 2u);
  EXPECT_EQ (Devices.TextOut->Calls ()[3].Text, u"XY");
}

// Text that runs on past the last cell wraps as on any other row: the screen
// scrolls for the next character (not for the last cell itself), and a wide
// character that no longer fits on the bottom row moves to a new one.
TEST_F (DevicesTest, TextRunningPastTheLastCellScrolls)
{
  ASSERT_EQ (ConOut->SetCursorPosition (ConOut, 78, 24), EFI_SUCCESS);
  ASSERT_EQ (ConOut->OutputString (ConOut, (CHAR16 *)u"XY"), EFI_SUCCESS);
  EXPECT_EQ (Devices.TextOut->Cell (79, 24).Char, u'Y');
  ASSERT_EQ (ConOut->OutputString (ConOut, (CHAR16 *)u"Z"), EFI_SUCCESS);
  EXPECT_EQ (Devices.TextOut->Cell (78, 23).Char, u'X');
  EXPECT_EQ (Devices.TextOut->Cell (79, 23).Char, u'Y');
  EXPECT_EQ (Devices.TextOut->Cell (0, 24).Char, u'Z');
  EXPECT_EQ (Devices.TextOut->Cell (79, 24).Char, u' ');
  EXPECT_EQ (ConOut->Mode->CursorColumn, 1);
  EXPECT_EQ (ConOut->Mode->CursorRow, 24);
  ASSERT_EQ (ConOut->SetCursorPosition (ConOut, 79, 24), EFI_SUCCESS);
  ASSERT_EQ (ConOut->OutputString (ConOut, (CHAR16 *)u"\u4E2D"), EFI_SUCCESS);
  EXPECT_EQ (Devices.TextOut->Cell (0, 23).Char, u'Z');
  EXPECT_EQ (Devices.TextOut->Cell (0, 24).Char, u'\u4E2D');
  EXPECT_EQ (ConOut->Mode->CursorColumn, 2);
  // A carriage return drops the owed wrap: the next character stays on the row.
  ASSERT_EQ (ConOut->SetCursorPosition (ConOut, 79, 24), EFI_SUCCESS);
  ASSERT_EQ (ConOut->OutputString (ConOut, (CHAR16 *)u"Q\rR"), EFI_SUCCESS);
  EXPECT_EQ (Devices.TextOut->Cell (0, 24).Char, u'R');
  EXPECT_EQ (Devices.TextOut->Cell (79, 24).Char, u'Q');
}

// A wide character takes two cells; row text leaves the right half out.
TEST_F (DevicesTest, WideCharactersTakeTwoCells)
{
  ASSERT_EQ (ConOut->OutputString (ConOut, (CHAR16 *)u"a\u4E2Db"), EFI_SUCCESS);
  EXPECT_EQ (Devices.TextOut->Cell (1, 0).Char, u'\u4E2D');
  EXPECT_EQ (Devices.TextOut->Cell (2, 0).Char, 0);
  EXPECT_EQ (Devices.TextOut->Cell (3, 0).Char, u'b');
  EXPECT_EQ (Devices.TextOut->RowText (0).substr (0, 3), u"a\u4E2Db");
}

// Blt fills, copies out and copies in with a Delta; bad rectangles are refused.
TEST_F (DevicesTest, BltMovesPixelsAndChecksBounds)
{
  EFI_GRAPHICS_OUTPUT_PROTOCOL   *Gop = Devices.Graphics->Protocol ();
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  Red { 0, 0, 255, 0 };
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  Buffer[4 * 3] = {};

  EXPECT_EQ (Gop->Mode->Info->HorizontalResolution, 1024u);
  ASSERT_EQ (Gop->Blt (Gop, &Red, EfiBltVideoFill, 0, 0, 10, 20, 2, 2, 0), EFI_SUCCESS);
  ASSERT_EQ (Gop->Blt (Gop, Buffer, EfiBltVideoToBltBuffer, 9, 20, 1, 1, 3, 2, 4 * sizeof (Buffer[0])), EFI_SUCCESS);
  EXPECT_EQ (Buffer[4 + 1].Red, 0);
  EXPECT_EQ (Buffer[4 + 2].Red, 255);
  EXPECT_EQ (Buffer[8 + 3].Red, 255);
  EXPECT_EQ (Gop->Blt (Gop, &Red, EfiBltVideoFill, 0, 0, 1020, 0, 5, 1, 0), EFI_INVALID_PARAMETER);
  ASSERT_EQ (Gop->SetMode (Gop, 3), EFI_SUCCESS);
  EXPECT_EQ (Devices.Graphics->Width (), 1920u);
  EXPECT_EQ (Devices.Graphics->Pixel (10, 20).Red, 0);  // a mode set clears the screen
  EXPECT_EQ (Gop->SetMode (Gop, 4), EFI_UNSUPPORTED);
}

// The framebuffer saves as a PNG file with the PNG signature.
TEST_F (DevicesTest, FramebufferSavesAsPng)
{
  std::string  Path = ::testing::TempDir () + "emulator_frame.png";

  ASSERT_TRUE (Devices.Graphics->SavePng (Path));
  auto  Bytes = Emu::ReadFileBytes (Path);
  ASSERT_TRUE (Bytes.has_value ());
  ASSERT_GT (Bytes->size (), 8u);
  EXPECT_EQ (std::memcmp (Bytes->data (), "\x89PNG\r\n\x1A\n", 8), 0);
  std::remove (Path.c_str ());
}

// The driver finds its sections: LoadedImage -> FV2 on DeviceHandle -> the file
// named by the FV-file node -> ReadSection by type and instance from 0.
TEST_F (DevicesTest, DriverFindsItsSectionsThroughTheLoadedImage)
{
  static const EFI_GUID  LoadedImageGuid = EFI_LOADED_IMAGE_PROTOCOL_GUID;
  static const EFI_GUID  Fv2Guid         = EFI_FIRMWARE_VOLUME2_PROTOCOL_GUID;

  Devices.Image->AddSection (Emu::kDefaultDriverFileGuid, EFI_SECTION_RAW, { 1, 2 });
  Devices.Image->AddSection (Emu::kDefaultDriverFileGuid, EFI_SECTION_FREEFORM_SUBTYPE_GUID, { 0xA });
  Devices.Image->AddSection (Emu::kDefaultDriverFileGuid, EFI_SECTION_FREEFORM_SUBTYPE_GUID, { 0xB, 0xC });

  EFI_LOADED_IMAGE_PROTOCOL  *Image = nullptr;
  ASSERT_EQ (BS->HandleProtocol (Devices.Image->ImageHandle (), (EFI_GUID *)&LoadedImageGuid, (VOID **)&Image),
    EFI_SUCCESS);
  ASSERT_EQ (Image->FilePath->Type, MEDIA_DEVICE_PATH);
  ASSERT_EQ (Image->FilePath->SubType, MEDIA_PIWG_FW_FILE_DP);
  EFI_GUID  File;
  std::memcpy (&File, reinterpret_cast<UINT8 *>(Image->FilePath) + 4, sizeof (File));
  EFI_FIRMWARE_VOLUME2_PROTOCOL  *Fv = nullptr;
  ASSERT_EQ (BS->HandleProtocol (Image->DeviceHandle, (EFI_GUID *)&Fv2Guid, (VOID **)&Fv), EFI_SUCCESS);

  VOID    *Buffer = nullptr;
  UINTN   Size    = 0;
  UINT32  Auth    = 0;
  ASSERT_EQ (Fv->ReadSection (Fv, &File, EFI_SECTION_FREEFORM_SUBTYPE_GUID, 1, &Buffer, &Size, &Auth), EFI_SUCCESS);
  EXPECT_EQ (Size, 2u);
  EXPECT_EQ (static_cast<UINT8 *>(Buffer)[0], 0xB);
  ASSERT_EQ (BS->FreePool (Buffer), EFI_SUCCESS);
  Buffer = nullptr;
  EXPECT_EQ (Fv->ReadSection (Fv, &File, EFI_SECTION_FREEFORM_SUBTYPE_GUID, 2, &Buffer, &Size, &Auth), EFI_NOT_FOUND);
}

// An empty raw section is a section of 0 bytes, whether the volume allocates or the caller gives a buffer.
TEST_F (DevicesTest, AnEmptySectionReadsAsZeroBytes)
{
  static const EFI_GUID  Name = { 0x5EC7104E, 0x0000, 0x4E00, { 1, 2, 3, 4, 5, 6, 7, 8 } };
  Devices.Image->AddSection (Name, EFI_SECTION_RAW, {});

  VOID   *Buffer = nullptr;
  UINTN  Size    = 99;
  ASSERT_EQ (Devices.Image->ReadSection (&Name, EFI_SECTION_RAW, 0, &Buffer, &Size), EFI_SUCCESS);
  EXPECT_EQ (Size, 0u);
  ASSERT_NE (Buffer, nullptr);
  ASSERT_EQ (BS->FreePool (Buffer), EFI_SUCCESS);

  UINT8  Out[2] = { 7, 7 };
  Buffer = Out;
  Size   = sizeof (Out);
  EXPECT_EQ (Devices.Image->ReadSection (&Name, EFI_SECTION_RAW, 0, &Buffer, &Size), EFI_SUCCESS);
  EXPECT_EQ (Size, 0u);
  EXPECT_EQ (Out[0], 7);
}

// An FFS file as the volume writer lays it out: header, then 4-byte aligned sections.
TEST_F (DevicesTest, FfsFileSectionsAreParsed)
{
  static const EFI_GUID  Name       = { 0x11111111, 0x2222, 0x3333, { 4, 4, 4, 4, 4, 4, 4, 4 } };
  static const UINT8     Sections[] = {
    5, 0, 0, EFI_SECTION_RAW, 7, 0, 0, 0,  // 5 bytes, padded to 8
    6, 0, 0, EFI_SECTION_RAW, 8, 9
  };
  // Sized once: GCC 12 at -O2 and above takes a ranged insert behind the fresh header for a
  // write out of bounds.
  std::vector<UINT8>  File (sizeof (EFI_FFS_FILE_HEADER) + sizeof (Sections), 0);
  std::memcpy (File.data (), &Name, sizeof (Name));
  std::memcpy (File.data () + sizeof (EFI_FFS_FILE_HEADER), Sections, sizeof (Sections));
  File[20] = (UINT8)File.size ();

  std::string  Error;
  ASSERT_TRUE (Devices.Image->AddFfsFile (File, &Error)) << Error;
  UINT8  Out[4] = {};
  VOID   *Buffer = Out;
  UINTN  Size    = 1;
  EXPECT_EQ (Devices.Image->ReadSection (&Name, EFI_SECTION_RAW, 1, &Buffer, &Size), EFI_WARN_BUFFER_TOO_SMALL);
  EXPECT_EQ (Size, 2u);
  EXPECT_EQ (Out[0], 8);
  File[24] = 0xF0;  // a section longer than the file
  EXPECT_FALSE (Devices.Image->AddFfsFile (File, &Error));
}

// The real-time clock runs with the virtual clock and applies the UEFI ranges.
TEST_F (DevicesTest, RealTimeClockChecksRangesAndRuns)
{
  EFI_RUNTIME_SERVICES  *RT   = Machine.RuntimeServices ();
  EFI_TIME              Time { 2024, 2, 29, 23, 59, 59, 0, 0, EFI_UNSPECIFIED_TIMEZONE, 0, 0 };

  ASSERT_EQ (RT->SetTime (&Time), EFI_SUCCESS);
  Machine.Events ().Advance (Emu::kTicksPerSecond);
  ASSERT_EQ (RT->GetTime (&Time, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Time.Month, 3);
  EXPECT_EQ (Time.Day, 1);
  EXPECT_EQ (Time.Hour, 0);
  EFI_TIME  Bad { 2023, 2, 29, 0, 0, 0, 0, 0, 0, 0, 0 };
  EXPECT_EQ (RT->SetTime (&Bad), EFI_INVALID_PARAMETER);
  Bad = EFI_TIME { 1899, 12, 31, 0, 0, 0, 0, 0, 0, 0, 0 };
  EXPECT_EQ (RT->SetWakeupTime (TRUE, &Bad), EFI_INVALID_PARAMETER);
  EXPECT_FALSE (Machine.Clock ().WakeupEnabled ());
  ASSERT_EQ (RT->SetWakeupTime (TRUE, &Time), EFI_SUCCESS);
  EXPECT_TRUE (Machine.Clock ().WakeupEnabled ());
  ASSERT_EQ (RT->SetWakeupTime (FALSE, nullptr), EFI_SUCCESS);
  EXPECT_FALSE (Machine.Clock ().WakeupEnabled ());
}

// The edges of each range: century leap years, the last year, the time-zone span
// with its "unspecified" value, and the two daylight bits.
TEST_F (DevicesTest, RealTimeClockRangeEdges)
{
  EFI_RUNTIME_SERVICES  *RT = Machine.RuntimeServices ();
  struct {
    EFI_TIME    Time;
    EFI_STATUS  Status;
  } const Cases[] = {
    { { 2000, 2, 29, 0, 0, 0, 0, 0, 0, 0, 0 }, EFI_SUCCESS },
    { { 1900, 2, 29, 0, 0, 0, 0, 0, 0, 0, 0 }, EFI_INVALID_PARAMETER },
    { { 9999, 12, 31, 23, 59, 59, 0, 999999999, 0, 0, 0 }, EFI_SUCCESS },
    { { 10000, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0 }, EFI_INVALID_PARAMETER },
    { { 2024, 4, 31, 0, 0, 0, 0, 0, 0, 0, 0 }, EFI_INVALID_PARAMETER },
    { { 2024, 1, 1, 24, 0, 0, 0, 0, 0, 0, 0 }, EFI_INVALID_PARAMETER },
    { { 2024, 1, 1, 0, 0, 0, 0, 1000000000, 0, 0, 0 }, EFI_INVALID_PARAMETER },
    { { 2024, 1, 1, 0, 0, 0, 0, 0, -1440, 0, 0 }, EFI_SUCCESS },
    { { 2024, 1, 1, 0, 0, 0, 0, 0, 1441, 0, 0 }, EFI_INVALID_PARAMETER },
    { { 2024, 1, 1, 0, 0, 0, 0, 0, EFI_UNSPECIFIED_TIMEZONE, 0, 0 }, EFI_SUCCESS },
    { { 2024, 1, 1, 0, 0, 0, 0, 0, 0, EFI_TIME_ADJUST_DAYLIGHT | EFI_TIME_IN_DAYLIGHT, 0 }, EFI_SUCCESS },
    { { 2024, 1, 1, 0, 0, 0, 0, 0, 0, 4, 0 }, EFI_INVALID_PARAMETER },
  };

  for (const auto &Case : Cases) {
    EFI_TIME  Time = Case.Time;
    EXPECT_EQ (RT->SetTime (&Time), Case.Status) << Time.Year << "-" << (int)Time.Month << "-" << (int)Time.Day;
    EXPECT_EQ (RT->SetWakeupTime (TRUE, &Time), Case.Status) << Time.Year;
  }
}

// CMOS through 0x70/0x71, the keyboard status script on 0x64, POST codes on 0x80
// and MSRs, through the platform library's functions and the board's port interface.
TEST_F (DevicesTest, PortsAndMsrsReachTheBoard)
{
  Devices.Hardware->SetCmos (0x6D, 0x5A);
  (VOID)IoWrite8 (0x70, 0x6D);
  EXPECT_EQ (IoRead8 (0x71), 0x5A);
  (VOID)IoWrite8 (0x70, 0x6E);
  (VOID)IoWrite8 (0x71, 0x33);
  EXPECT_EQ (Devices.Hardware->Cmos (0x6E), 0x33);
  Devices.Hardware->QueueKeyboardStatus (0x01);
  EXPECT_EQ (IoRead8 (0x64), 0x01);
  EXPECT_EQ (IoRead8 (0x64), 0x1C);
  (VOID)IoWrite8 (0x80, 0xA5);
  EXPECT_EQ (Devices.Hardware->PostCodes (), (std::vector<UINT8> { 0xA5 }));
  Devices.Hardware->SetMsr (0xCE, 0x1234);
  EXPECT_EQ (AsmReadMsr64 (0xCE), 0x1234u);
  EXPECT_EQ (AsmReadMsr64 (0x199), 0u);
  EXPECT_EQ (Devices.Hardware->UnknownMsrReads (), (std::vector<UINT32> { 0x199 }));
}

// A machine without a board installs no port interface: ports float high, MSRs read
// 0, and writes go nowhere.
TEST (HostPortIoTest, WithoutABoardReadsFloatHighAndWritesGoNowhere)
{
  Emu::Machine  Bare;

  ASSERT_EQ (PlatformLibConstructor (nullptr, Bare.SystemTable ()), EFI_SUCCESS);
  EXPECT_EQ (IoRead8 (0x71), 0xFF);
  EXPECT_EQ (IoWrite8 (0x80, 0x12), 0x12);
  EXPECT_EQ (AsmReadMsr64 (0xCE), 0u);
  EXPECT_EQ (AsmWriteMsr64 (0xCE, 7), 7u);
  gLibBS = nullptr;
  gLibST = nullptr;
  gLibRT = nullptr;
}

// The boot mode sits in the handoff HOB of the HOB-list configuration table.
TEST_F (DevicesTest, BootModeIsInTheHobList)
{
  static const EFI_GUID  HobGuid = HOB_LIST_GUID;

  Devices.Hobs->SetBootMode (BOOT_ON_FLASH_UPDATE);
  EFI_SYSTEM_TABLE  *System = Machine.SystemTable ();
  VOID              *List   = nullptr;
  for (UINTN Index = 0; Index < System->NumberOfTableEntries; Index++) {
    if (std::memcmp (&System->ConfigurationTable[Index].VendorGuid, &HobGuid, sizeof (HobGuid)) == 0) {
      List = System->ConfigurationTable[Index].VendorTable;
    }
  }
  ASSERT_NE (List, nullptr);
  auto  *Phit = static_cast<EFI_HOB_HANDOFF_INFO_TABLE *>(List);
  EXPECT_EQ (Phit->Header.HobType, EFI_HOB_TYPE_HANDOFF);
  EXPECT_EQ (Phit->BootMode, (EFI_BOOT_MODE)BOOT_ON_FLASH_UPDATE);
  auto  *End = reinterpret_cast<EFI_HOB_GENERIC_HEADER *>(static_cast<UINT8 *>(List) + Phit->Header.HobLength);
  EXPECT_EQ (End->HobType, EFI_HOB_TYPE_END_OF_HOB_LIST);
}

// Pool failure injection hits exactly the n-th allocation, and leaks since a mark
// are reported.
TEST_F (DevicesTest, PoolFailsTheNthAllocationAndCountsLeaks)
{
  VOID    *Blocks[3] = {};
  UINT64  Mark       = Machine.Memory ().AllocationCount ();

  Machine.Memory ().FailAllocation (2);
  EXPECT_EQ (BS->AllocatePool (EfiBootServicesData, 8, &Blocks[0]), EFI_SUCCESS);
  EXPECT_EQ (BS->AllocatePool (EfiBootServicesData, 8, &Blocks[1]), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ (BS->AllocatePool (EfiBootServicesData, 16, &Blocks[2]), EFI_SUCCESS);
  ASSERT_EQ (BS->FreePool (Blocks[0]), EFI_SUCCESS);
  auto  Leaks = Machine.Memory ().LeaksSince (Mark);
  ASSERT_EQ (Leaks.size (), 1u);
  EXPECT_EQ (Leaks[0].Size, 16u);
  EXPECT_EQ (BS->FreePool (Blocks[0]), EFI_INVALID_PARAMETER);
  EXPECT_EQ (Machine.Memory ().Violations ().size (), 1u);
  // A size from corrupt data fails like a full pool instead of aborting the host.
  EXPECT_EQ (BS->AllocatePool (EfiBootServicesData, (UINTN)-16, &Blocks[1]), EFI_OUT_OF_RESOURCES);
}

// ResetSystem is recorded and ends the run.
TEST_F (DevicesTest, ResetSystemEndsTheRun)
{
  EXPECT_THROW (Machine.RuntimeServices ()->ResetSystem (EfiResetWarm, EFI_SUCCESS, 0, nullptr),
    Emu::ResetSystemCalled);
  ASSERT_EQ (Machine.Resets ().size (), 1u);
  EXPECT_EQ (Machine.Resets ()[0].Type, EfiResetWarm);
}

// Collation: case-insensitive compare and MetaiMatch with *, ? and [sets].
TEST_F (DevicesTest, CollationMatchesPatternsWithoutCase)
{
  EFI_UNICODE_COLLATION_PROTOCOL  *Coll = Devices.Collation->Protocol ();
  CHAR16                          Text[] = u"Boot0001";

  EXPECT_EQ (Coll->StriColl (Coll, (CHAR16 *)u"abc", (CHAR16 *)u"ABC"), 0);
  EXPECT_LT (Coll->StriColl (Coll, (CHAR16 *)u"abc", (CHAR16 *)u"abd"), 0);
  EXPECT_TRUE (Coll->MetaiMatch (Coll, Text, (CHAR16 *)u"boot[0-9][0-9]?*"));
  EXPECT_TRUE (Coll->MetaiMatch (Coll, Text, (CHAR16 *)u"*1"));
  EXPECT_FALSE (Coll->MetaiMatch (Coll, Text, (CHAR16 *)u"boot[a-f]*"));
  EXPECT_FALSE (Coll->MetaiMatch (Coll, Text, (CHAR16 *)u"Boot000"));
  Coll->StrUpr (Coll, Text);
  EXPECT_EQ (std::u16string (Text), u"BOOT0001");
}

// The display's EDID sits on the graphics handle as EDID active: OVMF's, or an empty
// one; consoles that a test leaves out are null in the system table.
TEST (StandardMachineOptions, TheEdidIsPublishedAndAbsentConsolesAreNull)
{
  static const EFI_GUID  EdidGuid  = EFI_EDID_ACTIVE_PROTOCOL_GUID;
  static const UINT8     Header[8] = { 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00 };

  for (bool Real : { true, false }) {
    Emu::Machine          Machine;
    Emu::MACHINE_OPTIONS  Options;
    Options.Edid           = Real ? Fixtures::Read ("ovmf/EDIDMMIO.BIN") : std::vector<UINT8> ();
    Options.ConOut         = Real;
    Options.ConsoleControl = Real;
    Emu::STANDARD_DEVICES  Devices = Emu::BuildStandardMachine (Machine, Options);
    VOID                   *Found  = nullptr;
    ASSERT_EQ (Machine.BootServices ()->HandleProtocol (Devices.Graphics->Handle (), (EFI_GUID *)&EdidGuid, &Found),
      EFI_SUCCESS);
    auto  *Active = static_cast<EFI_EDID_ACTIVE_PROTOCOL *>(Found);
    ASSERT_EQ (Active->SizeOfEdid, Real ? 256u : 0u);
    EXPECT_TRUE (!Real || (std::memcmp (Active->Edid, Header, sizeof (Header)) == 0));
    EXPECT_EQ (Machine.SystemTable ()->ConOut == nullptr, !Real);
    EXPECT_EQ (Devices.Control == nullptr, !Real);
  }
}

}  // namespace
