// The control base, the label and the value callback on a started engine: what a
// label draws in each condition state, which records a control accepts, and what a
// changed value writes into the variable cache.
#include <engine/testing/HeldForms.h>
#include <engine/testing/TextUiMachineTest.h>

#include <engine/variables/VariableCache.h>
#include <engine/textui/TuiControl.h>
#include <Library/MemoryAllocationLib.h>
#include <Uefi/UefiIfr.h>

#include <Emulator/KeyScript.h>

#include <vector>

namespace {

constexpr UINT16  kBootMenuString = 23;     // "Entering Boot Menu..." in the engine's strings

int  mSelected;

EFI_STATUS
Selected (VOID *Context, VOID *Object, VOID *Data)
{
  (VOID)Context;
  (VOID)Object;
  (VOID)Data;
  mSelected++;
  return EFI_SUCCESS;
}

class TuiControlTest : public StartedEngineTest {
protected:
  void SetUp () override
  {
    StartedEngineTest::SetUp ();
    mSelected = 0;
  }

  void TearDown () override
  {
    gResetNeeded                  = 0;
    gTuiValueNotify.VariableIndex = 0;
    gTuiValueNotify.Offset        = 0;
    gTuiValueNotify.Width         = 0;
    gTuiValueNotify.Value         = nullptr;
    StartedEngineTest::TearDown ();
  }

  // A TEXT statement with the given prompt, optionally under a condition whose
  // expression is TRUE, and a valid record for it in the engine's own strings.
  void MakeLabel (UINT16 Prompt, UINT8 ConditionOp = 0)
  {
    auto  [Condition, Statement] = HoldLabel (Forms, Prompt, 75, ConditionOp);
    Record = OwnRecord (2, Statement);
    Record.ConditionOpcode = (ConditionOp != 0) ? (UINT64)(UINTN)Condition : 0;
    Label = nullptr;
    ASSERT_EQ (TuiCreate (&gTuiLabelOps, (VOID **)&Label), EFI_SUCCESS);
    ASSERT_EQ (gTuiLabelOps.Initialize (Label, &Record, nullptr), EFI_SUCCESS);
    gTuiLabelOps.SetPosition (Label, 3, 5);
    gTuiLabelOps.SetDimensions (Label, 60, 1);
  }

  void DropLabel ()
  {
    TuiDestroy (Label, TRUE);
    Label = nullptr;
  }

  HeldForms           Forms;
  CONTROL_RECORD      Record {};
  TUI_LABEL           *Label = nullptr;
};

TEST_F (TuiControlTest, TheBaseTakesOnlyValidRecordsAndKeepsAttributesGivenAsZero) {
  VOID  *Object = nullptr;
  ASSERT_EQ (TuiCreate (&gTuiControlOps, &Object), EFI_SUCCESS);
  TUI_CONTROL     *Control = (TUI_CONTROL *)Object;
  CONTROL_RECORD  NoOpcode {};
  NoOpcode.Flags = CONTROL_FLAG_VALID;
  EXPECT_EQ (gTuiControlOps.Initialize (Control, &NoOpcode, nullptr), EFI_UNSUPPORTED);
  UINT8           Opcode[6] = { EFI_IFR_TEXT_OP, 6 };
  CONTROL_RECORD  NotValid {};
  NotValid.QuestionOpcode = (UINT64)(UINTN)Opcode;
  EXPECT_EQ (gTuiControlOps.Initialize (Control, &NotValid, nullptr), EFI_UNSUPPORTED);
  NotValid.Flags = CONTROL_FLAG_VALID;
  NotValid.QuestionId = 77;
  EXPECT_EQ (gTuiControlOps.Initialize (Control, &NotValid, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Control->Record.QuestionId, 77);

  gTuiControlOps.SetAttributes (Control, 0x70, 0x01);
  gTuiControlOps.SetAttributes (Control, 0, 0x0F);
  EXPECT_EQ (Control->Background, 0x70);
  EXPECT_EQ (Control->Foreground, 0x0F);
  gTuiControlOps.SetAttributes (Control, 0x10, 0);
  EXPECT_EQ (Control->Background, 0x10);
  EXPECT_EQ (Control->Foreground, 0x0F);
  EXPECT_EQ (gTuiControlOps.SetFocus (Control, TRUE), EFI_UNSUPPORTED);
  TuiDestroy (Control, TRUE);
}

TEST_F (TuiControlTest, ALabelDrawsNormallyFocusedAndGrayed) {
  MakeLabel (kBootMenuString);
  EXPECT_EQ (Label->Control.Record.HelpStringId, 75);
  EXPECT_EQ (gTuiLabelOps.Draw (Label), EFI_SUCCESS);
  EXPECT_EQ (Drawn (3, 5, 21), u"Entering Boot Menu...");
  EXPECT_EQ (DrawnAttribute (3, 5), 0x71);            // normal: P6 | P7
  EXPECT_EQ (DrawnAttribute (23, 5), 0x71);
  EXPECT_EQ (DrawnAttribute (24, 5), 0x07);

  ASSERT_EQ (gTuiLabelOps.SetFocus (Label, TRUE), EFI_SUCCESS);
  EXPECT_EQ (gTuiLabelOps.SetFocus (Label, TRUE), EFI_SUCCESS);
  gTuiLabelOps.Draw (Label);
  EXPECT_EQ (DrawnAttribute (3, 5), 0x7F);            // focused: P5 | P4
  gTuiLabelOps.SetFocus (Label, FALSE);
  EXPECT_FALSE (Label->Control.HasFocus);

  // One row: cut to the width. More rows: wrapped into them.
  FillTextRect (0, 5, 100, 3, 0x07);
  gTuiLabelOps.SetDimensions (Label, 8, 1);
  gTuiLabelOps.Draw (Label);
  EXPECT_EQ (Drawn (3, 5, 9), u"Entering ");
  gTuiLabelOps.SetDimensions (Label, 8, 3);
  gTuiLabelOps.Draw (Label);
  EXPECT_EQ (Drawn (3, 6, 6), u"Boot  ");
  EXPECT_EQ (Drawn (3, 7, 6), u"Menu..");
  DropLabel ();

  MakeLabel (kBootMenuString, EFI_IFR_GRAY_OUT_IF_OP);
  EXPECT_EQ (gTuiLabelOps.Draw (Label), (EFI_STATUS)TUI_DRAWN_GRAYED);
  EXPECT_EQ (DrawnAttribute (3, 5), 0x78);
  EXPECT_EQ (gTuiLabelOps.SetFocus (Label, TRUE), EFI_UNSUPPORTED);
  DropLabel ();
}

TEST_F (TuiControlTest, ASuppressedLabelIsNeitherDrawnNorFocused) {
  MakeLabel (kBootMenuString, EFI_IFR_SUPPRESS_IF_OP);
  EXPECT_EQ (gTuiLabelOps.Draw (Label), EFI_UNSUPPORTED);
  EXPECT_EQ (Drawn (3, 5, 8), u"        ");
  EXPECT_EQ (gTuiLabelOps.SetFocus (Label, TRUE), EFI_UNSUPPORTED);
  DropLabel ();

  // Prompt 0xFFFF: nothing to print; a missing string prints as empty.
  MakeLabel (0xFFFF);
  EXPECT_EQ (gTuiLabelOps.Draw (Label), EFI_SUCCESS);
  EXPECT_EQ (Drawn (3, 5, 8), u"        ");
  DropLabel ();
  MakeLabel (0x7777);
  EXPECT_EQ (gTuiLabelOps.Draw (Label), EFI_SUCCESS);
  EXPECT_EQ (Drawn (3, 5, 8), u"        ");
  UINT16  Height = 0;
  EXPECT_EQ (gTuiLabelOps.GetControlHeight (Label, 20, &Height), EFI_SUCCESS);
  EXPECT_EQ (Height, 1);
  DropLabel ();
}

TEST_F (TuiControlTest, ALabelRunsItsCallbackOnEnterOnlyAndNeedsRowsForItsPrompt) {
  MakeLabel (kBootMenuString);
  gTuiLabelOps.SetCallback (Label, nullptr, Selected, nullptr);
  TUI_INPUT  Event {};
  Event.Kind = TUI_EVENT_KEY;
  Event.Key  = Emu::ParseKeyScript ("a").at (0).Record;
  EXPECT_EQ (gTuiLabelOps.HandleAction (Label, &Event), EFI_UNSUPPORTED);
  Event.Key = Emu::ParseKeyScript ("Enter").at (0).Record;
  EXPECT_EQ (gTuiLabelOps.HandleAction (Label, &Event), EFI_SUCCESS);
  EXPECT_EQ (mSelected, 1);
  EXPECT_EQ (Event.Kind, (UINT32)TUI_EVENT_NONE);

  UINT16  Height = 0;
  EXPECT_EQ (gTuiLabelOps.GetControlHeight (Label, 12, &Height), EFI_SUCCESS);
  EXPECT_EQ (Height, 3);                               // "Entering" "Boot" "Menu..." in 10 cells
  EXPECT_EQ (gTuiLabelOps.GetControlHeight (Label, 40, &Height), EFI_SUCCESS);
  EXPECT_EQ (Height, 1);
  DropLabel ();
}

TEST_F (TuiControlTest, TheTypeTableGivesTheLabelAndNothingForTypeZeroOrUnknownTypes) {
  const TUI_CONTROL_TYPE_ENTRY  *Row = FindControlType (2);
  ASSERT_NE (Row, nullptr);
  EXPECT_EQ (Row->Ops, &gTuiLabelOps);
  EXPECT_EQ (Row->CallbackFlag, 1u);
  EXPECT_EQ (FindControlType (0), nullptr);
  EXPECT_EQ (FindControlType (99), nullptr);
  EXPECT_EQ (FindControlType (9), nullptr);            // INCONSISTENT_IF records make no control
}

TEST_F (TuiControlTest, AChangedValueIsWrittenIntoTheCacheAndMayAskForAReset) {
  UINT8             New[2] = { 0xAA, 0xBB };
  TUI_CONTROL       Control {};
  gTuiValueNotify.VariableIndex = 0;
  gTuiValueNotify.Offset        = 0x10002;              // only the low 16 bits count
  gTuiValueNotify.Width         = 2;
  gTuiValueNotify.Value         = New;
  ASSERT_EQ (OnValueChanged (nullptr, &Control, &gTuiValueNotify), EFI_SUCCESS);
  UINT8  Read[8] = {};
  ASSERT_EQ (ReadVariableBytes (0, 0, 8, Read, FALSE), EFI_SUCCESS);
  EXPECT_EQ (std::vector<UINT8> (Read, Read + 8), (std::vector<UINT8> { 1, 2, 0xAA, 0xBB, 5, 6, 7, 8 }));
  EXPECT_EQ (gResetNeeded, 0);

  // An index past the variable list writes nothing; the reset flag still follows bit 3.
  Control.Record.Flags          = CONTROL_FLAG_VALID | CONTROL_FLAG_RESET_REQUIRED;
  gTuiValueNotify.VariableIndex = 40;
  EXPECT_EQ (OnValueChanged (nullptr, &Control, &gTuiValueNotify), EFI_SUCCESS);
  EXPECT_EQ (gResetNeeded, 1);

  // A record of another kind is not this callback's.
  gResetNeeded = 0;
  EXPECT_EQ (OnValueChanged (nullptr, &Control, &gTuiGotoNotify), EFI_SUCCESS);
  EXPECT_EQ (gResetNeeded, 0);
}

TEST_F (TuiControlTest, APasswordIsStoredCutOrZeroPaddedToTheQuestionWidth) {
  TUI_CONTROL            Control {};
  std::vector<CHAR16>    Short = { u'a', u'b', 0 };          // 6 bytes for an 8-byte question
  gTuiPasswordNotify.VariableIndex = 0;
  gTuiPasswordNotify.Offset        = 0;
  gTuiPasswordNotify.Width         = 8;
  gTuiPasswordNotify.Value         = Short.data ();
  ASSERT_EQ (OnPasswordChanged (nullptr, &Control, &gTuiPasswordNotify), EFI_SUCCESS);
  UINT8  Read[8] = {};
  ASSERT_EQ (ReadVariableBytes (0, 0, 8, Read, FALSE), EFI_SUCCESS);
  EXPECT_EQ (std::vector<UINT8> (Read, Read + 8), (std::vector<UINT8> { 'a', 0, 'b', 0, 0, 0, 0, 0 }));

  std::vector<CHAR16>  Long = { u'w', u'x', u'y', u'z', 0 };
  gTuiPasswordNotify.Offset = 4;
  gTuiPasswordNotify.Width  = 4;
  gTuiPasswordNotify.Value  = Long.data ();
  ASSERT_EQ (OnPasswordChanged (nullptr, &Control, &gTuiPasswordNotify), EFI_SUCCESS);
  ASSERT_EQ (ReadVariableBytes (0, 0, 8, Read, FALSE), EFI_SUCCESS);
  EXPECT_EQ (std::vector<UINT8> (Read, Read + 8), (std::vector<UINT8> { 'a', 0, 'b', 0, 'w', 0, 'x', 0 }));

  // Past the variable list nothing is written; a value record is not this callback's.
  Control.Record.Flags             = CONTROL_FLAG_VALID | CONTROL_FLAG_RESET_REQUIRED;
  gTuiPasswordNotify.VariableIndex = 2;
  EXPECT_EQ (OnPasswordChanged (nullptr, &Control, &gTuiPasswordNotify), EFI_SUCCESS);
  EXPECT_EQ (gResetNeeded, 1);
  gResetNeeded = 0;
  EXPECT_EQ (OnPasswordChanged (nullptr, &Control, &gTuiValueNotify), EFI_SUCCESS);
  EXPECT_EQ (gResetNeeded, 0);
  gTuiPasswordNotify.Value = nullptr;
}

}  // namespace
