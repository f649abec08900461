// Changing the demo board's questions from the keyboard: each change reaches the
// variable cache at the question's offset and width, nothing else moves, and the
// console shows the new value.
#include <DemoBoard.h>
#include <engine/core/tests/support/EngineMachineTest.h>

#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineNeighbours.h>
#include <engine/core/VariableCache.h>
#include <engine/textui/TuiApp.h>
#include <frontend/FrontEndServices.h>
#include <Emulator/RunEnded.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr UINTN  kSetupIndex  = 0;
constexpr UINTN  kSetupSize   = 64;
constexpr UINTN  kValueColumn = 40;

// Rows of the Advanced page's questions and of the Boot page's ordered list.
constexpr UINTN  kBootModeRow   = 3;
constexpr UINTN  kNetworkRow    = 4;
constexpr UINTN  kFanRow        = 5;
constexpr UINTN  kTemperatureRow = 6;
constexpr UINTN  kLatencyRow    = 7;
constexpr UINTN  kDevicesRow    = 4;

// The keys that open the Advanced page (the first link) and the Boot page (the third).
const std::string  kAdvanced = "Enter";
const std::string  kBoot     = "Down,Down,Enter";

class DemoSetupEditTest : public EngineMachineTest {
protected:
  void TearDown () override
  {
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    EngineMachineTest::TearDown ();
  }

  // Boots the board, enters setup and types Keys; the run ends when they run out.
  void Type (const std::string &Keys)
  {
    Emu::MACHINE_OPTIONS  Options;
    Options.Keys = Keys;
    DestroyTuiApp ();                 // what an earlier run of the test left
    FreeDynamicPageTable ();
    ForgetEngine ();
    M.~Machine ();
    new (&M) Emu::Machine ();
    Devices = Emu::BuildStandardMachine (M, Options);
    ForgetLibraryTables ();
    Demo::BOARD  Board = Demo::BuildBoard ();
    Demo::SeedVariables (M.Variables (), Board);
    ASSERT_EQ (Demo::StartSetupDriver (M, Devices, Board).Status, EFI_SUCCESS);
    Before = CachedSetup ();
    EXPECT_THROW ((VOID)EnterGraphicalSetup (), Emu::KeyScriptExhausted);
  }

  std::vector<UINT8> CachedSetup ()
  {
    std::vector<UINT8>  Bytes (kSetupSize, 0xEE);
    EXPECT_EQ (ReadVariableBytes (kSetupIndex, 0, kSetupSize, Bytes.data (), FALSE), EFI_SUCCESS);
    return Bytes;
  }

  // The cached "Setup" equals what it was before the keys but for Changed.
  void ExpectSetupChangedTo (const std::vector<std::pair<UINTN, UINT8>> &Changed)
  {
    std::vector<UINT8>  Expected = Before;
    for (const auto &[Offset, Value] : Changed) {
      Expected[Offset] = Value;
    }

    EXPECT_EQ (CachedSetup (), Expected);
  }

  std::u16string Shown (UINTN Column, UINTN Row, UINTN Count) { return Devices.TextOut->RowText (Row).substr (Column, Count); }
  UINT8 ShownAttribute (UINTN Column, UINTN Row) { return Devices.TextOut->RowAttributes (Row)[Column]; }

  std::vector<UINT8>  Before;
};

TEST_F (DemoSetupEditTest, PlusAndMinusChangeAOneOfACheckboxAndANumberAtOnce) {
  Type (kAdvanced + ",+,Down,-,Down,+");
  ExpectSetupChangedTo ({ { 0, 1 }, { 1, 0 }, { 2, 65 }, { 3, 0 } });
  EXPECT_EQ (Shown (kValueColumn, kBootModeRow, 9), u"[Legacy] ");
  EXPECT_EQ (Shown (kValueColumn, kNetworkRow, 11), u"[Disabled] ");
  EXPECT_EQ (Shown (kValueColumn, kFanRow, 3), u"65 ");
  EXPECT_EQ (ShownAttribute (kValueColumn, kNetworkRow), 0x71);     // no longer focused
  EXPECT_EQ (ShownAttribute (kValueColumn, kFanRow), 0x1F);         // the focused field
}

TEST_F (DemoSetupEditTest, EnterPicksAnOptionFromTheListBox) {
  Type (kAdvanced + ",Enter,Down,Down,Enter");
  ExpectSetupChangedTo ({ { 0, 2 } });
  EXPECT_EQ (Shown (kValueColumn, kBootModeRow, 17), u"[UEFI and Legacy]");
}

TEST_F (DemoSetupEditTest, EscClosesTheListBoxWithoutAChange) {
  Type (kAdvanced + ",Enter,Down,Esc");
  ExpectSetupChangedTo ({});
  EXPECT_EQ (Shown (kValueColumn, kBootModeRow, 7), u"[UEFI] ");
}

TEST_F (DemoSetupEditTest, ATypedDecimalIsStoredAtTheQuestionsTwoBytes) {
  Type (kAdvanced + ",Down,Down,8,5,Enter");
  ExpectSetupChangedTo ({ { 2, 85 }, { 3, 0 } });
  EXPECT_EQ (Shown (kValueColumn, kFanRow, 3), u"85 ");
}

TEST_F (DemoSetupEditTest, ASignedNumberStepsBelowZeroAndTakesATypedNegativeValue) {
  Type (kAdvanced + ",Down,Down,Down,-,-,-");
  ExpectSetupChangedTo ({ { 4, 0xFD } });
  EXPECT_EQ (Shown (kValueColumn, kTemperatureRow, 3), u"-3 ");

  Type (kAdvanced + ",Down,Down,Down,Backspace,-,7,Enter");
  ExpectSetupChangedTo ({ { 4, 0xF9 } });
  EXPECT_EQ (Shown (kValueColumn, kTemperatureRow, 3), u"-7 ");
}

TEST_F (DemoSetupEditTest, AHexadecimalNumberTakesHexDigitsAndRefusesOthers) {
  Type (kAdvanced + ",Down,Down,Down,Down,G,F,8,Enter");
  ExpectSetupChangedTo ({ { 5, 0xF8 } });
  EXPECT_EQ (Shown (kValueColumn, kLatencyRow, 3), u"f8 ");

  Type (kAdvanced + ",Down,Down,Down,Down,+");     // 0x40 + 8
  ExpectSetupChangedTo ({ { 5, 0x48 } });
  EXPECT_EQ (Shown (kValueColumn, kLatencyRow, 3), u"48 ");
}

TEST_F (DemoSetupEditTest, AValueOutOfRangeIsRefusedWithTheMessageAndNothingChanges) {
  Type (kAdvanced + ",Down,Down,Down,Down,1,0,Enter");
  EXPECT_EQ (Shown (40, 14, 19), u"Invalid Input Range");          // the box waits for its key
  EXPECT_NE (Devices.TextOut->RowText (12).find (u" ERROR "), std::u16string::npos);
  EXPECT_EQ (Shown (kValueColumn, kLatencyRow, 3), u"10 ");          // the typed text behind it
  ExpectSetupChangedTo ({});

  Type (kAdvanced + ",Down,Down,Down,Down,1,0,Enter,Enter");
  ExpectSetupChangedTo ({});
  EXPECT_EQ (Shown (kValueColumn, kLatencyRow, 3), u"40 ");
}

TEST_F (DemoSetupEditTest, AnOrderedListMovesTheSelectedOptionAndStoresTheWholeOrder) {
  Type (kBoot + ",Down,Enter,Down,+,Enter");
  ExpectSetupChangedTo ({ { 48, 2 }, { 49, 1 }, { 50, 3 }, { 51, 4 } });
  EXPECT_EQ (Shown (kValueColumn, kDevicesRow, 11), u"[USB Drive]");
  EXPECT_EQ (Shown (kValueColumn, kDevicesRow + 1, 11), u"[Hard Disk]");
}

TEST_F (DemoSetupEditTest, AnOrderedListsEndsStayPut) {
  Type (kBoot + ",Down,Enter,+,Up,-,Enter");      // + on the first, - on the last
  ExpectSetupChangedTo ({});
  EXPECT_EQ (Shown (kValueColumn, kDevicesRow + 3, 15), u"[Optical Drive]");
}

}  // namespace
