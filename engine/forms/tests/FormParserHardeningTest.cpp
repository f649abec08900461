// Forms packages from other drivers are outside data: malformed framing is refused
// with nothing appended and nothing leaked, unknown opcodes are stepped over with
// their scopes, every opcode of the IFR table is walked safely, and the limits of
// the tables show their error texts.
#include <engine/testing/FormParserTestSupport.h>

#include <engine/browser/DynamicPages.h>

#include <gtest/gtest.h>

#include <vector>

using namespace ParserTest;
using Builders::IfrBuilder;
using Builders::IFR_QUESTION;

namespace {

// A good form set with one form: a TEXT, then what Body writes.
template <typename BODY>
IfrBuilder
WithBody (BODY Body)
{
  return OneForm ([&] (IfrBuilder &F) {
    F.Text (1, 2);
    Body (F);
  });
}

struct TABLE_SIZES {
  UINT32  Pages, Variables, FormSets, LinkControls;
  UINT64  Links, FormSetsLinked;

  bool operator== (const TABLE_SIZES &) const = default;
};

TABLE_SIZES
Sizes ()
{
  PAGE_RECORD  *Links = GetWorkPage (0);

  return { GetWorkPageCount (), GetWorkVariableCount (), GetWorkFormSetCount (),
           (Links == nullptr) ? 0u : Links->ControlCount, gTopLevelLinkCount, gDynamicFormSetCount };
}

}  // namespace

class ParserHardening : public FormParserTest {
protected:
  // Parses after a good form set; the bad one must leave the tables as they were and leak nothing.
  void ExpectRefused (const IfrBuilder &Bad, EFI_STATUS Expected)
  {
    ASSERT_EQ (Parse (WithBody ([] (IfrBuilder &) {})), EFI_SUCCESS);

    TABLE_SIZES     Before = Sizes ();
    EFI_HII_HANDLE  Handle = Keep (Bad);
    UINT64          Mark   = M.Memory ().AllocationCount ();

    EXPECT_EQ (ParseKept (Handle), Expected);
    EXPECT_EQ (Sizes (), Before);
    EXPECT_EQ (Job.Parsed, 0);
    EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ());
  }
};

// Zero-length and one-byte opcodes, and one running past the package.
TEST_F (ParserHardening, OpcodesOfImpossibleLengthsAreMalformed)
{
  const UINT8  OneByte[] = { EFI_IFR_TEXT_OP, 1 };
  const UINT8  Tail[]    = { 0, 0, 0 };

  ExpectRefused (WithBody ([] (IfrBuilder &F) { F.ZeroLengthOp (EFI_IFR_TEXT_OP); }), EFI_VOLUME_CORRUPTED);
  ExpectRefused (WithBody ([&] (IfrBuilder &F) { F.RawBytes (OneByte); }), EFI_VOLUME_CORRUPTED);
  ExpectRefused (WithBody ([&] (IfrBuilder &F) { F.OpWithLength (EFI_IFR_TEXT_OP, 100, Tail); }), EFI_VOLUME_CORRUPTED);
}

TEST_F (ParserHardening, EndWithoutScopeAndScopeLeftOpenAreMalformed)
{
  IfrBuilder  Open;

  BeginSet (Open);
  Open.Form (1, 10);
  Open.Text (1, 2);
  ExpectRefused (Open, EFI_VOLUME_CORRUPTED);

  IfrBuilder  Extra = WithBody ([] (IfrBuilder &) {});

  Extra.RawBytes (std::vector<UINT8> { EFI_IFR_END_OP, 2 });
  EXPECT_EQ (Parse (Extra), EFI_SUCCESS);       // bytes after the form set are never walked
}

TEST_F (ParserHardening, OpcodePastItsScopeIsMalformed)
{
  // The question's scope takes the form's END: the form set is never closed.
  ExpectRefused (WithBody ([] (IfrBuilder &F) {
    F.Numeric ({ 5, 6, 1, 1, 0, 0 }, 0, 0, 9, 1);
  }), EFI_VOLUME_CORRUPTED);
}

TEST_F (ParserHardening, UnknownOpcodesAreSteppedOverWithTheirScopes)
{
  ASSERT_EQ (Parse (WithBody ([] (IfrBuilder &F) {
    F.Op (0x7A, std::vector<UINT8> { 1, 2, 3 }, true);
    F.Numeric ({ 5, 6, 1, 1, 0, 0 }, 0, 0, 9, 1);       // inside the unknown scope: no control
    F.End ();
    F.End ();
    F.Op (0x00, std::vector<UINT8> {});
    F.Text (3, 4);
  })), EFI_SUCCESS);
  EXPECT_EQ (Types (1), (std::vector<UINT16> { CONTROL_TYPE_TEXT, CONTROL_TYPE_TEXT }));
}

TEST_F (ParserHardening, EveryOpcodeOfTheIfrTableIsWalkedSafely)
{
  const std::vector<UINT8>  Body (24, 0);
  size_t                    Records = 0;

  for (bool Scoped : { false, true }) {
    IfrBuilder  F;
    auto        EveryOpcode = [&] {
      for (UINT8 Op = EFI_IFR_FORM_OP; Op <= EFI_IFR_MATCH2_OP; Op++) {
        bool  Structural = (Op == EFI_IFR_FORM_OP) || (Op == EFI_IFR_FORM_SET_OP) || (Op == EFI_IFR_FORM_MAP_OP) ||
                           (Op == EFI_IFR_END_OP);
        if (!Structural) {
          F.Op (Op, Body, Scoped);
          if (Scoped) {
            F.End ();
          }
        }
      }
    };

    BeginSet (F);
    EveryOpcode ();                                      // at the form-set level
    F.Form (1, 10);
    EveryOpcode ();
    F.End ();
    F.End ();
    ASSERT_EQ (Parse (F), EFI_SUCCESS) << (Scoped ? "scoped" : "plain");
    Records = GetWorkPage (GetWorkPageCount () - 1)->ControlCount;
    // Sixteen opcodes make records; a zeroed checkbox scope holds no variant GUID.
    EXPECT_EQ (Records, 16u) << (Scoped ? "scoped" : "plain");
  }
}

TEST_F (ParserHardening, ThreeHundredthVariableShowsTheLimit)
{
  VARIABLE_RECORD  Record {};

  for (UINT32 Index = 0; Index < MAX_SETUP_VARIABLES - 1; Index++) {
    Record.VariableId = Index;
    ASSERT_EQ (AddVariableEntry (&Record, nullptr), EFI_SUCCESS);
  }

  EXPECT_TRUE (gMessages.empty ());
  ASSERT_EQ (Parse (WithBody ([] (IfrBuilder &) {})), EFI_SUCCESS);    // "Setup" is the 300th, "Store" the 301st
  ASSERT_EQ (gMessages.size (), 1u);
  EXPECT_EQ (gMessages[0].Title, u" Unrecoverable Error");
  EXPECT_EQ (gMessages[0].Text, u"Reached RWZ Maximum supported variables");
  EXPECT_EQ (GetWorkVariableCount (), 301u);                          // parsing goes on

  std::u16string  Console;
  for (const Emu::TEXT_CALL &Call : Devices.TextOut->Calls ()) {
    Console += Call.Text;
  }
  EXPECT_EQ (Console, u"Reached RWZ Maximum supported variables\r\n");
}

TEST_F (ParserHardening, SixtyFiveThousandFiveHundredThirtyFourthControlShowsTheLimit)
{
  ASSERT_EQ (Parse (WithBody ([] (IfrBuilder &F) {
    for (UINT32 Index = 1; Index < MAX_PAGE_CONTROLS; Index++) {
      F.Text (1, 2);
    }
  })), EFI_SUCCESS);
  EXPECT_EQ (GetWorkPage (1)->ControlCount, (UINT32)MAX_PAGE_CONTROLS);
  ASSERT_EQ (gMessages.size (), 1u);
  EXPECT_EQ (gMessages[0].Title, u" Unrecoverable Error");
  EXPECT_EQ (gMessages[0].Text, u"Reached RWZ Maximum supported Controls");
}

TEST_F (ParserHardening, RebuildReusesOnlyReleasedRecords)
{
  CONTROL_RECORD  Record {};
  UINT32          Live;
  UINT32          Released;
  UINT32          Offset;

  ASSERT_EQ (AppendControlRecord (&Record, sizeof (Record), &Live), EFI_SUCCESS);     // handle 0, still live
  ASSERT_EQ (AppendControlRecord (&Record, sizeof (Record), &Released), EFI_SUCCESS);
  ASSERT_EQ (ReleaseControlRecord (Released, sizeof (Record)), EFI_SUCCESS);

  ASSERT_EQ (AppendControlRecord (&Record, sizeof (Record), &Offset), EFI_SUCCESS);   // not rebuilding: appended
  EXPECT_EQ (Offset, 2u * sizeof (Record));

  gRebuildingDynamicPages = TRUE;
  Record.QuestionId       = 0x55;
  ASSERT_EQ (AppendControlRecord (&Record, sizeof (Record), &Offset), EFI_SUCCESS);
  EXPECT_EQ (Offset, Released);
  EXPECT_EQ (((CONTROL_RECORD *)(gControlData + Released))->QuestionId, 0x55);
  ASSERT_EQ (AppendControlRecord (&Record, sizeof (Record), &Offset), EFI_SUCCESS);
  EXPECT_EQ (Offset, 3u * sizeof (Record));                                         // the live one stays
  EXPECT_NE (Offset, Live);
}

// The control data grows under its readers many times over a large export: every
// record keeps its bytes across the moves, and a record copied from the table itself
// is read from where the table went, not from the block it left.
TEST_F (ParserHardening, ControlRecordsSurviveTheTableGrowing)
{
  CONTROL_RECORD       Record {};
  std::vector<UINT32>  Offsets;
  UINT32               Offset;

  Record.QuestionId = 0x4242;
  Record.Flags      = CONTROL_FLAG_VALID;
  ASSERT_EQ (AppendControlRecord (&Record, sizeof (Record), &Offset), EFI_SUCCESS);
  Offsets.push_back (Offset);
  for (UINT16 Id = 1; Id < 3000; Id++) {
    const CONTROL_RECORD  *Source = (Id % 2 == 0) ? (const CONTROL_RECORD *)gControlData : &Record;

    Record.QuestionId = Id;
    ASSERT_EQ (AppendControlRecord (Source, sizeof (Record), &Offset), EFI_SUCCESS);
    ASSERT_EQ ((UINT8 *)gControlData, gWorkControlData.Bytes);
    Offsets.push_back (Offset);
  }

  for (UINT16 Id = 0; Id < Offsets.size (); Id++) {
    const CONTROL_RECORD  *Stored = (const CONTROL_RECORD *)(gControlData + Offsets[Id]);

    ASSERT_EQ (Stored->QuestionId, ((Id == 0) || (Id % 2 == 0)) ? 0x4242 : Id) << "record " << Id;
    ASSERT_EQ (Stored->Flags, CONTROL_FLAG_VALID) << "record " << Id;
  }
}

TEST_F (ParserHardening, ReleasingTheDynamicPagesFreesTheWorkTables)
{
  UINT64  Mark = M.Memory ().AllocationCount ();

  ASSERT_EQ (Parse (WithBody ([] (IfrBuilder &) {})), EFI_SUCCESS);
  ASSERT_NE (gControlData, nullptr);
  FreeDynamicPageTable ();
  EXPECT_EQ (gControlData, nullptr);
  EXPECT_EQ (GetWorkPageCount (), 0u);
  EXPECT_EQ (GetWorkPage (0), nullptr);
  EXPECT_EQ (gDynamicFormSetCount, 0u);
  EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ());
}
