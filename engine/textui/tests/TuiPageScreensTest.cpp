// What a setup page shows a user who walks it with keys: prompts that just miss their
// column wrap instead of losing a letter, the tab strip and the key help say where the
// user is and which keys lead anywhere, the first paint of a page is the one it keeps,
// and a box's shadow leaves the text beside it readable.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/browser/DynamicPages.h>
#include <engine/textui/TuiApp.h>
#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>
#include <Emulator/RunEnded.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

constexpr EFI_GUID  kScreensSet = { 0x5D0C1A10, 0x0036, 0x4A00, { 0x90, 0, 0, 0, 0, 0, 0, 0x36 } };
constexpr EFI_GUID  kOtherSet   = { 0x5D0C1A10, 0x0037, 0x4A00, { 0x90, 0, 0, 0, 0, 0, 0, 0x37 } };

constexpr EFI_QUESTION_ID  kMode = 0x300;

// Strings of the screens form set.
constexpr EFI_STRING_ID  kNoHelp     = 0x11;
constexpr EFI_STRING_ID  kLongText   = 0x12;     // 35 cells: one more than a prompt's column holds
constexpr EFI_STRING_ID  kLongAction = 0x13;     // 61 cells: one more than a control's width
constexpr EFI_STRING_ID  kLocked     = 0x14;
constexpr EFI_STRING_ID  kModePrompt = 0x15;
constexpr EFI_STRING_ID  kSimple     = 0x16;
constexpr EFI_STRING_ID  kCustom     = 0x17;
constexpr EFI_STRING_ID  kExtras     = 0x18;
constexpr EFI_STRING_ID  kNext       = 0x19;
constexpr EFI_STRING_ID  kTarget     = 0x1A;
constexpr EFI_STRING_ID  kDeeper     = 0x1B;
constexpr EFI_STRING_ID  kInside     = 0x1C;
constexpr EFI_STRING_ID  kSupported  = 0x1D;
constexpr EFI_STRING_ID  kLongTitle  = 0x1E;     // 71 cells: the path to it does not fit beside the tab

// Rows of the main frame on 100x31 where the controls of the screens page land.
constexpr UINTN  kLongTextRow   = 3;     // and 4
constexpr UINTN  kLockedRow     = 5;
constexpr UINTN  kLongActionRow = 6;     // and 7
constexpr UINTN  kModeRow       = 8;
constexpr UINTN  kNextRow       = 9;     // right under the mode while its extras are hidden

// The key help of a page whose Left and Right lead nowhere: its first line left blank.
constexpr UINTN  kKeyHelpRow = 16;

// One wait for a key, as the user saw it.
struct SCREEN {
  std::vector<std::u16string>      Text;
  std::vector<std::vector<UINT8>>  Attributes;
};

class TuiPageScreensTest : public TextUiMachineTest {
protected:
  void TearDown () override
  {
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    TextUiMachineTest::TearDown ();
  }

  // A checkbox grayed out and a link hidden while the mode is "Simple", the mode stored
  // as a value none of its options has, so that the page settles it when it first draws.
  static Builders::IfrBuilder ScreensForms ()
  {
    Builders::IfrBuilder  F;

    F.FormSet (kScreensSet, 1, 2, { EFI_HII_PLATFORM_SETUP_FORMSET_GUID });
    F.VarStoreEfi (1, kScreensSet, 7, 2, "ScreensVar");
    F.Form (1, 0x10);
    F.Text (kLongText, kNoHelp, kSupported);
    F.GrayOutIf ();
    F.EqIdVal (kMode, 0);
    F.Checkbox ({ .Prompt = kLocked, .Help = kNoHelp, .QuestionId = 0x302, .VarStoreId = 1, .VarOffset = 1 }, 0);
    F.End ();
    F.End ();
    F.Action1 ({ .Prompt = kLongAction, .Help = kNoHelp, .QuestionId = 0x301 });
    F.OneOf ({ .Prompt = kModePrompt, .Help = kNoHelp, .QuestionId = kMode, .VarStoreId = 1, .VarOffset = 0 },
      EFI_IFR_NUMERIC_SIZE_1, 0, 1, 0);
    F.OneOfOption (kSimple, EFI_IFR_OPTION_DEFAULT, EFI_IFR_TYPE_NUM_SIZE_8, 0);
    F.OneOfOption (kCustom, 0, EFI_IFR_TYPE_NUM_SIZE_8, 1);
    F.End ();
    F.SuppressIf ();
    F.EqIdVal (kMode, 0);
    F.Ref ({ .Prompt = kExtras, .Help = kNoHelp, .QuestionId = 0x303 }, 2);
    F.End ();
    F.Ref ({ .Prompt = kNext, .Help = kNoHelp, .QuestionId = 0x304 }, 2);
    F.End ();
    F.Form (2, kTarget);
    F.Ref ({ .Prompt = kDeeper, .Help = kNoHelp, .QuestionId = 0x305 }, 3);
    F.End ();
    F.Form (3, kDeeper);
    F.Text (kInside, kNoHelp, kSupported);
    F.Ref ({ .Prompt = kLongTitle, .Help = kNoHelp, .QuestionId = 0x306 }, 4);
    F.End ();
    F.Form (4, kLongTitle);
    F.Text (kInside, kNoHelp, kSupported);
    F.End ();
    F.End ();
    return F;
  }

  static Builders::IfrBuilder OtherForms ()
  {
    Builders::IfrBuilder  F;

    F.FormSet (kOtherSet, 1, 0, { EFI_HII_PLATFORM_SETUP_FORMSET_GUID });
    F.Form (1, 1);
    F.Text (1, 0);
    F.End ();
    F.End ();
    return F;
  }

  void Publish (const Builders::IfrBuilder &Forms, const std::map<EFI_STRING_ID, std::u16string> &Strings,
                const EFI_GUID &ListGuid)
  {
    EFI_HII_HANDLE   Handle = nullptr;
    Builders::BYTES  Bytes  = Builders::PackageListBuilder (ListGuid).Add (Forms.Package ())
                                .Add (Builders::BuildStringPackage ("en-US", 1, Strings)).Build ();

    ASSERT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (EFI_HII_PACKAGE_LIST_HEADER *)Bytes.data (), nullptr, &Handle),
               EFI_SUCCESS);
  }

  // Setup on the screens form set (and a second top-level one with OtherTab), walked
  // with Keys; every wait for a key is kept in Screens.
  void Walk (const std::string &Keys, bool OtherTab = false)
  {
    Emu::MACHINE_OPTIONS  Options;

    Options.Keys = Keys;
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    ForgetEngine ();
    Rebuild (Options);
    StartEngine ();
    Publish (ScreensForms (), {
      { 1, u"Screens" }, { 2, u"" }, { 0x10, u"Screens" }, { kNoHelp, u"" },
      { kLongText, u"Processor Virtualization Capability" },
      { kLongAction, u"Restore the factory keys and clear every enrolled certificate" },
      { kLocked, u"Locked Setting" }, { kModePrompt, u"Mode" }, { kSimple, u"Simple" }, { kCustom, u"Custom" },
      { kExtras, u"Extras" }, { kNext, u"Next Page" }, { kTarget, u"Target Page" }, { kDeeper, u"Deeper Page" },
      { kInside, u"Inside" }, { kSupported, u"Yes" },
      { kLongTitle, u"Options Of The Network Interface Controller In The Second Slot Of Bus 2" },
    }, kScreensSet);
    if (OtherTab) {
      Publish (OtherForms (), { { 1, u"Other" } }, kOtherSet);
    }

    M.Variables ().Put (u"ScreensVar", kScreensSet, 7, { 5, 0 });
    ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
    Screens.clear ();
    Devices.TextIn->Script ().SetStarveLimit (Emu::kTicksPerSecond);     // the keys are all there is
    Devices.TextIn->Script ().SetWaitHook ([this] () { Screens.push_back (Snapshot ()); });
    try {
      (VOID)RunTextSetup (0);
    } catch (const Emu::KeyScriptExhausted &) {
    }
  }

  SCREEN Snapshot ()
  {
    SCREEN  Screen;

    for (UINTN Row = 0; Row < gTextScreenRows; Row++) {
      Screen.Text.push_back (Devices.TextOut->RowText (Row));
      Screen.Attributes.push_back (Devices.TextOut->RowAttributes (Row));
    }

    return Screen;
  }

  // Cells [Column, Column + Count) of Row at a wait.
  std::u16string At (UINTN Wait, UINTN Column, UINTN Row, UINTN Count)
  {
    return (Wait < Screens.size ()) ? Screens[Wait].Text[Row].substr (Column, Count) : u"(no such wait)";
  }

  UINT8 AttributeAt (UINTN Wait, UINTN Column, UINTN Row)
  {
    return (Wait < Screens.size ()) ? Screens[Wait].Attributes[Row][Column] : 0xFF;
  }

  std::vector<SCREEN>  Screens;
};

// A prompt one cell wider than its column goes on to a second row, as a long value
// does, and the controls under it move down by a row.
TEST_F (TuiPageScreensTest, PromptsOneCellTooWideWrapToASecondRow)
{
  Walk ("F11");
  ASSERT_GE (Screens.size (), 1u);
  EXPECT_EQ (At (0, 3, kLongTextRow, 36), u"Processor Virtualization            ");
  EXPECT_EQ (At (0, 3, kLongTextRow + 1, 11), u"Capability ");
  EXPECT_EQ (At (0, 3, kLongActionRow, 61), u"Restore the factory keys and clear every enrolled            ");
  EXPECT_EQ (At (0, 3, kLongActionRow + 1, 12), u"certificate ");
  EXPECT_EQ (At (0, 3, kLockedRow, 14), u"Locked Setting");
}

// The page a link leads to names itself after its ancestor's tab, and each page further
// down adds its name; Left and Right lead nowhere there, so the key help leaves out
// "Select Screen" and keeps every other line on its row.
TEST_F (TuiPageScreensTest, SubPagesSayWhereTheUserIs)
{
  std::string  ToNext = "Down,Down";            // from the action past the mode to "Next Page"

  Walk (ToNext + ",Enter,Enter,Esc,Esc", true);
  ASSERT_GE (Screens.size (), 7u);
  EXPECT_EQ (At (3, 43, 0, 13), u"Setup Utility");
  EXPECT_EQ (At (0, 3, 1, 16), u" Screens  Other ");
  EXPECT_EQ (At (0, 67, kKeyHelpRow, 17), u"\u2192\u2190: Select Screen");

  EXPECT_EQ (At (3, 3, 1, 23), u" Screens \u25BA Target Page ");
  EXPECT_EQ (AttributeAt (3, 4, 1), 0x71);                 // the ancestor's tab stays the current one
  EXPECT_EQ (AttributeAt (3, 13, 1), 0x17);
  EXPECT_EQ (At (3, 67, kKeyHelpRow, 32), std::u16string (32, u' '));
  EXPECT_EQ (At (3, 67, kKeyHelpRow + 1, 15), u"\u2191\u2193: Select Item");
  EXPECT_EQ (At (3, 67, kKeyHelpRow + 8, 9), u"ESC: Exit");

  EXPECT_EQ (At (4, 3, 1, 37), u" Screens \u25BA Target Page \u25BA Deeper Page ");
  EXPECT_EQ (At (4, 3, 3, 6), u"Inside");

  EXPECT_EQ (At (5, 3, 1, 23), u" Screens \u25BA Target Page ");
  EXPECT_EQ (At (6, 3, 1, 16), u" Screens  Other ");
  EXPECT_EQ (At (6, 67, kKeyHelpRow, 17), u"\u2192\u2190: Select Screen");
}

// A path too long for the row keeps the names nearest the page shown; "..." stands for the others.
TEST_F (TuiPageScreensTest, APathTooLongForTheStripKeepsItsDeepestNames)
{
  Walk ("Down,Down,Enter,Enter,Enter");
  ASSERT_GE (Screens.size (), 6u);
  EXPECT_EQ (At (5, 3, 1, 89), std::u16string (u" Screens \u25BA ... \u25BA ") +
                                u"Options Of The Network Interface Controller In The Second Slot Of Bus 2 ");
}

// With a single tab Left and Right change nothing: the key help does not offer them.
TEST_F (TuiPageScreensTest, ASingleTabOffersNoOtherScreen)
{
  Walk ("Right");
  ASSERT_GE (Screens.size (), 2u);
  for (UINTN Wait = 0; Wait < 2; Wait++) {
    EXPECT_EQ (At (Wait, 3, 1, 9), u" Screens ");
    EXPECT_EQ (At (Wait, 67, kKeyHelpRow, 32), std::u16string (32, u' ')) << Wait;
    EXPECT_EQ (At (Wait, 67, kKeyHelpRow + 1, 15), u"\u2191\u2193: Select Item") << Wait;
    EXPECT_EQ (At (Wait, 67, kKeyHelpRow + 4, 16), u"F1: General Help") << Wait;
  }
}

// The page settles the mode it found out of range when it first draws; what the
// conditions read then already holds for the first paint: the grayed-out checkbox has
// no focus, the hidden link leaves no blank row, and a key that changes nothing leaves
// every cell as it was.
TEST_F (TuiPageScreensTest, TheFirstPaintIsTheOneAKeyThatChangesNothingLeaves)
{
  Walk ("F11");
  ASSERT_GE (Screens.size (), 2u);
  EXPECT_EQ (At (0, 3, kModeRow, 4), u"Mode");
  EXPECT_EQ (At (0, 40, kModeRow, 8), u"[Simple]");
  EXPECT_EQ (At (0, 1, kNextRow, 11), u"\u25BA Next Page");
  EXPECT_EQ (AttributeAt (0, 3, kLockedRow), 0x78);        // grayed out
  EXPECT_EQ (AttributeAt (0, 3, kLongActionRow), 0x7F);    // the focus, on the first control that takes it
  for (UINTN Row = 0; Row < gTextScreenRows; Row++) {
    EXPECT_EQ (Screens[0].Text[Row], Screens[1].Text[Row]) << "row " << Row;
    EXPECT_EQ (Screens[0].Attributes[Row], Screens[1].Attributes[Row]) << "row " << Row;
  }
}

// While the save question is open, its shadow darkens the key help beside it but every
// line stays there to read.
TEST_F (TuiPageScreensTest, ABoxShadowLeavesTheKeyHelpReadable)
{
  Walk ("F4", true);
  ASSERT_GE (Screens.size (), 2u);
  ASSERT_EQ (At (1, 67, kKeyHelpRow, 17), u"\u2192\u2190: Select Screen");
  EXPECT_EQ (At (1, 67, kKeyHelpRow + 1, 15), u"\u2191\u2193: Select Item");
  EXPECT_EQ (At (1, 67, kKeyHelpRow + 2, 13), u"Enter: Select");
  EXPECT_EQ (At (1, 67, kKeyHelpRow + 3, 16), u"+/-: Change Opt.");
  EXPECT_EQ (AttributeAt (1, 67, kKeyHelpRow), 0x08);      // in the shadow
  EXPECT_EQ (AttributeAt (1, 68, kKeyHelpRow), 0x71);
}

}  // namespace
