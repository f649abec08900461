// The reset button on a started engine: drawn as a label, Enter hands a copy of its
// record and its default store to the page defaults and passes their answer on,
// other events pass it by.
#include <engine/testing/HeldForms.h>
#include <engine/testing/TextUiMachineTest.h>

#include <engine/variables/VariableCache.h>
#include <engine/textui/TuiStatements.h>
#include <Uefi/UefiIfr.h>

#include <Emulator/KeyScript.h>

#include <vector>

namespace {

constexpr UINT16  kBootMenuString = 23;     // "Entering Boot Menu..." in the engine's strings

class TuiResetButtonTest : public StartedEngineTest {
protected:
  // The board's "Setup" as the cache holds it.
  static std::vector<UINT8> SetupBytes ()
  {
    UINT8  Bytes[8] = {};
    EXPECT_EQ (ReadVariableBytes (0, 0, sizeof (Bytes), Bytes, FALSE), EFI_SUCCESS);
    return std::vector<UINT8> (Bytes, Bytes + sizeof (Bytes));
  }

  void TearDown () override
  {
    TuiDestroy (Button, TRUE);
    StartedEngineTest::TearDown ();
  }

  void Make (UINT16 DefaultId, UINT8 Op = EFI_IFR_RESET_BUTTON_OP, UINT16 Help = 0)
  {
    std::vector<UINT8>  Bytes = { Op, 8, (UINT8)kBootMenuString, 0, 75, 0, (UINT8)DefaultId, (UINT8)(DefaultId >> 8) };
    CONTROL_RECORD      Record = OwnRecord (CONTROL_TYPE_RESET_BUTTON, Forms.Hold (Bytes));
    Record.HelpStringId   = Help;
    TuiDestroy (Button, TRUE);
    Button = nullptr;
    const TUI_CONTROL_TYPE_ENTRY  *Type = FindControlType (CONTROL_TYPE_RESET_BUTTON);
    ASSERT_NE (Type, nullptr);
    ASSERT_EQ (Type->Ops, (VOID *)&gTuiResetButtonOps);
    ASSERT_EQ (TuiCreate (Type->Ops, (VOID **)&Button), EFI_SUCCESS);
    ASSERT_EQ (gTuiResetButtonOps.Initialize (Button, &Record, nullptr), EFI_SUCCESS);
    gTuiResetButtonOps.SetPosition (Button, 3, 5);
    gTuiResetButtonOps.SetDimensions (Button, 60, 1);
  }

  EFI_STATUS Press (const char *Key)
  {
    TUI_INPUT  Event {};
    Event.Kind = TUI_EVENT_KEY;
    Event.Key  = Emu::ParseKeyScript (Key).at (0).Record;
    return gTuiResetButtonOps.HandleAction (Button, &Event);
  }

  HeldForms         Forms;
  TUI_RESET_BUTTON  *Button = nullptr;
};

TEST_F (TuiResetButtonTest, EnterLoadsTheButtonsDefaultStoreForItsPage) {
  Make (1);
  EXPECT_EQ (Button->Label.Control.Record.HelpStringId, 75);
  ASSERT_EQ (gTuiResetButtonOps.Draw (Button), EFI_SUCCESS);
  EXPECT_EQ (Drawn (3, 5, 21), u"Entering Boot Menu...");
  EXPECT_EQ (DrawnAttribute (3, 5), 0x71);

  // The button's page (the board's first) has no package list: the page defaults
  // refuse it, write nothing, and the button passes their answer on.
  std::vector<UINT8>  Before = SetupBytes ();
  EXPECT_EQ (Press ("Enter"), EFI_UNSUPPORTED);
  EXPECT_EQ (SetupBytes (), Before);

  Make (0x1234, EFI_IFR_RESET_BUTTON_OP, 99);
  EXPECT_EQ (Button->Label.Control.Record.HelpStringId, 99);     // the record's own help stays
}

TEST_F (TuiResetButtonTest, OtherKeysTicksAndButtonsWithoutAStoreLoadNothing) {
  Make (0);
  EXPECT_EQ (Press ("Down"), EFI_UNSUPPORTED);
  EXPECT_EQ (Press ("a"), EFI_UNSUPPORTED);
  TUI_INPUT  Tick {};
  Tick.Kind  = TUI_EVENT_TICK;
  Tick.Ticks = 1;
  EXPECT_EQ (gTuiResetButtonOps.HandleAction (Button, &Tick), EFI_UNSUPPORTED);

  Make (0xFFFF);
  EXPECT_EQ (Press ("Enter"), EFI_UNSUPPORTED);
  Make (1, EFI_IFR_TEXT_OP);
  EXPECT_EQ (Press ("Enter"), EFI_UNSUPPORTED);
}

}  // namespace
