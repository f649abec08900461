// The demo board: its compiled data is sound, the driver starts on it, and the NVRAM
// it starts from persists between runs.
#include <DemoBoard.h>
#include <engine/testing/EngineMachineTest.h>

#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupData.h>
#include <engine/startup/SetupEngine.h>
#include <engine/variables/VariableCache.h>
#include <engine/post/BootScreen.h>
#include <Library/PlatformLib.h>
#include <Protocol/FormBrowser2.h>

#include <gtest/gtest.h>

#include <set>
#include <sstream>

namespace {

const EFI_GUID  kFormBrowserGuid = EFI_FORM_BROWSER2_PROTOCOL_GUID;
const EFI_GUID  kGlobalGuid      = { 0x8BE4DF61, 0x93CA, 0x11D2, { 0xAA, 0x0D, 0x00, 0xE0, 0x98, 0x03, 0x2B, 0x8C } };

class DemoBoardTest : public EngineMachineTest {
protected:
  std::vector<UINT8> Entry (UINTN Index)
  {
    const UINT8  *Data = (const UINT8 *)gVariableCache[Index].Data;
    return Data == nullptr ? std::vector<UINT8> {} : std::vector<UINT8> (Data, Data + gVariableCache[Index].Size);
  }
};

TEST (DemoBoardLayoutTest, CompiledDataHoldsEveryQuestionKindAndTheSpecialVariables) {
  Demo::BOARD  Board = Demo::BuildBoard ();
  EFI_GUID     Leading;

  std::memcpy (&Leading, Board.SetupDataSection.data (), sizeof (Leading));
  EFI_GUID  Expected = SETUP_DATA_SECTION_GUID;
  EXPECT_EQ (memcmp (&Leading, &Expected, sizeof (Expected)), 0);
  const UINT8  *Block = Board.SetupDataSection.data () + 16;
  UINTN        Size   = Board.SetupDataSection.size () - 16;
  ASSERT_EQ (ValidateSetupData (Block, Size), EFI_SUCCESS);
  EXPECT_EQ (Demo::BuildBoard ().SetupDataSection, Board.SetupDataSection);   // the same bytes every run
}

TEST_F (DemoBoardTest, DriverStartsWithTheBoardAndHoldsItsVariables) {
  Demo::BOARD  Board = Demo::BuildBoard ();

  Demo::SeedVariables (M.Variables (), Board);
  Demo::STARTED_DRIVER  Started = Demo::StartSetupDriver (M, Devices, Board);
  ASSERT_EQ (Started.Status, EFI_SUCCESS);
  EXPECT_EQ (Started.BrowsersBefore.size (), 1u);
  EXPECT_EQ (M.Protocols ().HandlesWith (kFormBrowserGuid), std::vector<EFI_HANDLE> { gEngineHandle });
  EXPECT_EQ (M.Protocols ().InterfacesOn (gEngineHandle).size (), 3u);

  std::set<UINT16>  Kinds;
  ASSERT_EQ (GetPageCount (), 5u);
  for (UINT32 Page = 0; Page < GetPageCount (); Page++) {
    UINT32  Count = 0;
    ASSERT_EQ (GetPageControlCount (Page, &Count), EFI_SUCCESS);
    for (UINT32 N = 0; N < Count; N++) {
      CONTROL_RECORD  *Control;
      ASSERT_EQ (GetCompiledPageControl (Page, N, &Control), EFI_SUCCESS);
      Kinds.insert (Control->ControlType);
    }
  }

  EXPECT_EQ (Kinds, (std::set<UINT16> { CONTROL_TYPE_DATE, CONTROL_TYPE_TIME, CONTROL_TYPE_STRING, CONTROL_TYPE_ONE_OF,
                                        CONTROL_TYPE_CHECKBOX, CONTROL_TYPE_NUMERIC, CONTROL_TYPE_PASSWORD,
                                        CONTROL_TYPE_ORDERED_LIST }));
  EXPECT_EQ (std::u16string (GetVariableRecord (0)->Name), u"Setup");
  EXPECT_EQ (std::u16string (GetVariableRecord (5)->Name), u"OKURWZSetup");
  EXPECT_EQ (std::u16string (GetVariableRecord (6)->Name), u"HddSecurity");
  EXPECT_EQ (std::u16string (GetVariableRecord (7)->Name), u"BootOrder");
  EXPECT_EQ (std::u16string (GetVariableRecord (18)->Name), u"DynamicPageCount");
  EXPECT_EQ (std::u16string (GetVariableRecord (23)->Name), u"DriverOrder");

  EXPECT_EQ (Entry (0), M.Variables ().Lookup (u"Setup", Demo::kBoardSetupGuid)->Data);
  EXPECT_EQ (Entry (5).size (), 81u);
  EXPECT_EQ (Entry (5)[80], 1);
  EXPECT_EQ (Entry (7), (std::vector<UINT8> { 0, 0, 1, 0, 2, 0 }));
  EXPECT_NE (M.Variables ().Lookup (u"Boot0001", kGlobalGuid), nullptr);

  std::ostringstream  Report;
  Demo::ReportSetupDriver (Report, M, Started, Board);
  EXPECT_NE (Report.str ().find ("SetupEngineDriverEntry: EFI_SUCCESS"), std::string::npos);
  EXPECT_NE (Report.str ().find ("no other form browser remains"), std::string::npos);
  EXPECT_NE (Report.str ().find ("password \"Administrator Password\" (variable 5, 40 bytes)"), std::string::npos);
}

TEST_F (DemoBoardTest, StoredSettingsSurviveIntoTheNextRun) {
  Demo::BOARD  Board = Demo::BuildBoard ();

  Demo::SeedVariables (M.Variables (), Board);
  auto  Setup = M.Variables ().Lookup (u"Setup", Demo::kBoardSetupGuid)->Data;
  Setup[0] = 2;                                   // "UEFI and Legacy", as a saved change would leave it
  M.Variables ().Put (u"Setup", Demo::kBoardSetupGuid, 7, Setup);
  std::vector<UINT8>  Nvram = M.Variables ().SaveBytes ();

  Emu::VariableStore  Next;
  std::string         Error;
  ASSERT_TRUE (Next.LoadBytes (Nvram, &Error)) << Error;
  Demo::SeedVariables (Next, Board);
  EXPECT_EQ (Next.Lookup (u"Setup", Demo::kBoardSetupGuid)->Data[0], 2);
  EXPECT_EQ (Next.Lookup (u"BootOrder", kGlobalGuid)->Data, (std::vector<UINT8> { 0, 0, 1, 0, 2, 0 }));
}

}  // namespace
