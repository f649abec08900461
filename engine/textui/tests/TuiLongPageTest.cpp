// A page longer than the main frame whose rows a checkbox hides and shows, as a driver's
// configuration page of a real firmware has them, walked with keys: the frame never
// draws on its last row or outside its rectangle, the focused control is always on the
// screen (also when rows appear above it), and paging never leaves an empty pane.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/browser/DynamicPages.h>
#include <engine/textui/TuiApp.h>
#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>
#include <Emulator/RunEnded.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

constexpr EFI_GUID  kLongSet = { 0x5D0C1A10, 0x0035, 0x4A00, { 0x90, 0, 0, 0, 0, 0, 0, 0x35 } };

constexpr EFI_QUESTION_ID  kShowDetails = 0x300;
constexpr UINT16           kLinkPrompt  = 0x20;     // "Link 01" to "Link 30"
constexpr UINT16           kDetail      = 0x60;     // "Detail 1" to "Detail 8", shown with the checkbox
constexpr UINT16           kTail        = 0x70;     // "Tail 1" to "Tail 3", the same
constexpr UINT16           kCheckbox    = 0x7F;

// The main frame on 100x31: rows 3 to 28, of which the last stays free; columns 1 to 64.
constexpr UINTN  kFirstRow = 3;
constexpr UINTN  kLastRow  = 28;

std::string
Repeated (const char *Key, int Times)
{
  std::string  Keys = Key;
  for (int Step = 1; Step < Times; Step++) {
    Keys += std::string (",") + Key;
  }

  return Keys;
}

std::u16string
Numbered (const char16_t *Name, UINT16 Number, bool TwoDigits)
{
  std::u16string  Text = Name;
  if (TwoDigits) {
    Text += (char16_t)(u'0' + Number / 10);
  }

  Text += (char16_t)(u'0' + Number % 10);
  return Text;
}

class TuiLongPageTest : public TextUiMachineTest {
protected:
  void TearDown () override
  {
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    TextUiMachineTest::TearDown ();
  }

  // Links 1 to 10, details 1 to 8, links 11 to 20, the checkbox, links 21 to 30 and
  // tails 1 to 3; with the checkbox clear 31 rows show and 11 are hidden.
  static Builders::IfrBuilder LongForms ()
  {
    Builders::IfrBuilder  F;
    UINT16                Link = 0;
    auto                  Links = [&F, &Link] (UINT16 Count) {
      for (UINT16 Index = 0; Index < Count; Index++, Link++) {
        F.Ref ({ (EFI_STRING_ID)(kLinkPrompt + Link), 0x11, (EFI_QUESTION_ID)(0x100 + Link) }, 2);
      }
    };
    auto                  Hidden = [&F] (UINT16 First, UINT16 Count) {
      F.SuppressIf ();
      F.EqIdVal (kShowDetails, 0);
      for (UINT16 Index = 0; Index < Count; Index++) {
        F.Ref ({ (EFI_STRING_ID)(First + Index), 0x11, (EFI_QUESTION_ID)(First + Index + 0x200) }, 2);
      }
      F.End ();
    };

    F.FormSet (kLongSet, 1, 2, { EFI_HII_PLATFORM_SETUP_FORMSET_GUID });
    F.VarStoreEfi (1, kLongSet, 7, 1, "LongVar");
    F.Form (1, 0x10);
    Links (10);
    Hidden (kDetail, 8);
    Links (10);
    F.Checkbox ({ .Prompt = kCheckbox, .Help = 0x11, .QuestionId = kShowDetails, .VarStoreId = 1, .VarOffset = 0 }, 0);
    F.End ();
    Links (10);
    Hidden (kTail, 3);
    F.End ();
    F.Form (2, 0x12);
    F.Text (0x12, 0x11);
    F.End ();
    F.End ();
    return F;
  }

  void Boot (const std::string &Keys)
  {
    Emu::MACHINE_OPTIONS                     Options;
    std::map<EFI_STRING_ID, std::u16string>  Strings = {
      { 1, u"Long" }, { 2, u"" }, { 0x10, u"Long" }, { 0x11, u"" }, { 0x12, u"Target" }, { kCheckbox, u"Show details" },
    };
    EFI_HII_HANDLE                           Handle = nullptr;

    for (UINT16 Index = 0; Index < 30; Index++) {
      Strings[(EFI_STRING_ID)(kLinkPrompt + Index)] = Numbered (u"Link ", (UINT16)(Index + 1), true);
    }

    for (UINT16 Index = 0; Index < 8; Index++) {
      Strings[(EFI_STRING_ID)(kDetail + Index)] = Numbered (u"Detail ", (UINT16)(Index + 1), false);
    }

    for (UINT16 Index = 0; Index < 3; Index++) {
      Strings[(EFI_STRING_ID)(kTail + Index)] = Numbered (u"Tail ", (UINT16)(Index + 1), false);
    }

    Options.Keys = Keys;
    DestroyTuiApp ();                 // what an earlier walk of the test left
    FreeDynamicPageTable ();
    ForgetEngine ();
    Rebuild (Options);
    StartEngine ();
    Builders::BYTES  Bytes = Builders::PackageListBuilder (kLongSet).Add (LongForms ().Package ())
                               .Add (Builders::BuildStringPackage ("en-US", 1, Strings)).Build ();
    ASSERT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (EFI_HII_PACKAGE_LIST_HEADER *)Bytes.data (), nullptr, &Handle),
               EFI_SUCCESS);
    M.Variables ().Put (u"LongVar", kLongSet, 7, { 0 });
    ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  }

  // Runs the keys, checking the screen at every wait for a key; answers the main frame at the end.
  TUI_FRAME *Walk (const std::string &Keys)
  {
    Boot (Keys);
    Devices.TextIn->Script ().SetStarveLimit (Emu::kTicksPerSecond);     // the keys are all there is
    Devices.TextIn->Script ().SetWaitHook ([this] () { CheckScreen (); });
    try {
      (VOID)RunTextSetup (0);
    } catch (const Emu::KeyScriptExhausted &) {
    }

    return (gTuiApp == nullptr) ? nullptr : FindPageFrame (gTuiApp->Pages[gTuiApp->CurrentPage], TUI_FRAME_MAIN);
  }

  // What the user sees between keys: nothing on the frame's last row, and the focused
  // control, the one row drawn in the focus colours, inside the frame. The first wait
  // that shows otherwise fails the test.
  void CheckScreen ()
  {
    TUI_FRAME  *Main = (gTuiApp == nullptr) ? nullptr : FindPageFrame (gTuiApp->Pages[gTuiApp->CurrentPage], TUI_FRAME_MAIN);
    UINTN      Focused = 0;

    if ((Main == nullptr) || (Main->PageNumber == 0) || Failed) {
      return;
    }

    Checks++;
    for (UINTN Row = kFirstRow; Row <= kLastRow; Row++) {
      if (Devices.TextOut->RowAttributes (Row)[3] == 0x7F) {
        Focused++;
        FocusedText = Shown (3, Row, 12);
      }
    }

    Failed = (Shown (1, kLastRow, 64) != std::u16string (64, u' ')) || (Focused != 1) || (Main->Current == TUI_NO_CONTROL) ||
             (Main->Controls[Main->Current]->Row < kFirstRow) || (Main->Controls[Main->Current]->Row >= kLastRow);
    if (Failed) {
      std::string  Last;
      for (char16_t C : Shown (1, kLastRow, 64)) {
        Last += (char)C;
      }

      ADD_FAILURE () << "wait " << Checks << ": " << Focused << " rows in the focus colours, the frame's last row \""
                     << Last << "\"";
    }
  }

  // The first rows of the frame, as the user reads them.
  std::u16string Top (UINTN Rows = 1)
  {
    std::u16string  Text;
    for (UINTN Row = kFirstRow; Row < kFirstRow + Rows; Row++) {
      Text += Shown (3, Row, 12);
    }

    return Text;
  }

  UINTN           Checks = 0;
  bool            Failed = false;
  std::u16string  FocusedText;
};

// Down from the first link to the last and round again: the window scrolls one row at a
// time, the focus is always on a row of the frame, and the last row stays empty.
TEST_F (TuiLongPageTest, FocusNeverLeavesTheFrameAndItsLastRowStaysEmpty)
{
  TUI_FRAME  *Main = Walk (Repeated ("Down", 33));
  ASSERT_NE (Main, nullptr);
  EXPECT_GE (Checks, 34u);
  EXPECT_EQ (FocusedText, u"Link 03     ");      // 31 focusable rows: the 33rd Down is on the third
}

// With the details hidden, PgDn shows the end of the page and a second PgDn has nowhere
// to go: the hidden tail rows after the last link make no page of their own, and the
// focus goes to the last link.
TEST_F (TuiLongPageTest, PagingDownTwiceKeepsTheLastPageShown)
{
  TUI_FRAME  *Main = Walk ("PgDn,PgDn");
  ASSERT_NE (Main, nullptr);
  EXPECT_EQ (Top (), u"Link 25     ");
  EXPECT_EQ (Shown (3, 3 + 5, 12), u"Link 30     ");
  EXPECT_EQ (FocusedText, u"Link 30     ");

  Main = Walk ("PgDn,PgDn,PgUp");
  EXPECT_EQ (Top (), u"Link 01     ");
  EXPECT_EQ (FocusedText, u"Link 01     ");
}

// The checkbox, on the page's first screen, switches on the details above it: the rows it
// pushed down bring the window with them, so the checkbox stays in sight with the focus.
TEST_F (TuiLongPageTest, RowsShownAboveTheFocusScrollItIntoSight)
{
  std::string  Keys = Repeated ("Down", 20);      // past twenty links to the checkbox

  TUI_FRAME  *Main = Walk (Keys + ",+");
  ASSERT_NE (Main, nullptr);
  EXPECT_EQ (FocusedText, u"Show details");
  EXPECT_EQ (Shown (3, 27, 12), u"Show details");
  EXPECT_EQ (Shown (3, 26, 12), u"Link 20     ");
  EXPECT_EQ (Shown (3, 27 - 11, 12), u"Detail 8    ");

  // End from there: the last page starts after the checkbox and ends with the tail rows, shown now.
  Main = Walk (Keys + ",+,End");
  EXPECT_EQ (Top (), u"Link 21     ");
  EXPECT_EQ (Shown (3, 3 + 12, 12), u"Tail 3      ");
}

}  // namespace
