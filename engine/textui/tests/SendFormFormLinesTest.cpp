// A driver's form set as a boot maintenance manager makes it, shown through SendForm: text
// lines without a second text, subforms whose "commit" gotos lead back to the form above
// them, and a page whose last rows its driver fills when the form opens.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/browser/DynamicPages.h>
#include <engine/browser/FormBrowser.h>
#include <engine/core/SetupData.h>
#include <engine/core/VariableGuids.h>
#include <engine/textui/TuiApp.h>
#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>
#include <EmulatorHii/FakeDriver.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr EFI_GUID  kSet   = { 0x5EED0004, 0x0001, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x01 } };
constexpr EFI_GUID  kList  = { 0x5EED0004, 0x0002, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x02 } };
constexpr EFI_GUID  kPath  = { 0x5EED0004, 0x0003, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x03 } };
constexpr EFI_GUID  kStore = { 0x5EED0004, 0x0004, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x04 } };

constexpr EFI_FORM_ID  kMainForm   = 1;
constexpr EFI_FORM_ID  kDriverForm = 2;
constexpr EFI_FORM_ID  kAddForm    = 3;

constexpr EFI_QUESTION_ID  kOpenTrigger = 0x400;
constexpr EFI_QUESTION_ID  kBootNext    = 0x401;
constexpr EFI_QUESTION_ID  kTimeOut     = 0x402;

enum : EFI_STRING_ID {
  kStrTitle = 1, kStrEmpty, kStrMainTitle, kStrDriver, kStrAdd, kStrBack, kStrCommit, kStrPlain, kStrPlainHelp,
  kStrLabel, kStrSecond, kStrBootNext, kStrNone, kStrTimeOut, kStrRefresh, kStrDvd
};

class SendFormFormLinesTest : public TextUiMachineTest {
protected:
  void SetUp () override
  {
    TextUiMachineTest::SetUp ();
    StartEngine (BoardWithEngineVariables ());
    Driver = &M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (kPath)));
    Driver->SetStore (kStore, u"Maint", { 0, 0, 4, 0 });
    Handle = Driver->Publish (*Hii, Builders::PackageListBuilder (kList).Add (Forms ())
                                      .Add (Builders::BuildStringPackage ("en-US", 1, {
                                        { kStrTitle, u"Maintenance" }, { kStrEmpty, u"" }, { kStrMainTitle, u"Main" },
                                        { kStrDriver, u"Driver Options" }, { kStrAdd, u"Add Driver Option" },
                                        { kStrBack, u"Go Back To Main Page" }, { kStrCommit, u"Commit Changes and Exit" },
                                        { kStrPlain, u"A plain text line" }, { kStrPlainHelp, u"Its help" },
                                        { kStrLabel, u"A labelled line" }, { kStrSecond, u"its second text" },
                                        { kStrBootNext, u"Boot Next Value" }, { kStrNone, u"NONE" },
                                        { kStrTimeOut, u"Auto Boot Time-out" }, { kStrRefresh, u"Refresh" },
                                        { kStrDvd, u"UEFI QEMU DVD-ROM QM00003 on the first controller" } }))
                                      .Build ());
    ASSERT_NE (Handle, nullptr);
    Driver->OnCallback = [this] (Emu::FakeDriver &, EFI_BROWSER_ACTION Action, EFI_QUESTION_ID Question, UINT8,
                           EFI_IFR_TYPE_VALUE *, EFI_BROWSER_ACTION_REQUEST *) {
      if ((Action == EFI_BROWSER_ACTION_FORM_OPEN) && (Question == kOpenTrigger) && FillAtOpen && !Filled) {
        Filled = true;
        std::vector<UINT8>  List = Builders::PackageListBuilder (kList).Add (Forms ()).Build ();
        EXPECT_EQ (gHiiDatabase->UpdatePackageList (gHiiDatabase, Handle, (EFI_HII_PACKAGE_LIST_HEADER *)List.data ()),
                   EFI_SUCCESS);
      }
      return (Action == EFI_BROWSER_ACTION_FORM_OPEN) ? EFI_SUCCESS : EFI_UNSUPPORTED;
    };
  }

  void TearDown () override
  {
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    TextUiMachineTest::TearDown ();
  }

  // The main form leads to Driver Options, which leads to Add Driver Option; both
  // subforms lead back up, Add Driver Option's commit to Driver Options. Boot Next and
  // the time-out sit between labels the driver fills when the form opens (FillAtOpen),
  // else they are there from the start.
  std::vector<UINT8> Forms () const
  {
    Builders::IfrBuilder  F;

    F.FormSet (kSet, kStrTitle, kStrEmpty, { EFI_HII_PLATFORM_SETUP_FORMSET_GUID });
    F.VarStore (kStore, 1, 4, "Maint");
    F.Form (kMainForm, kStrMainTitle);
    F.Ref ({ .Prompt = kStrDriver, .Help = kStrEmpty, .QuestionId = 0x410 }, kDriverForm);
    F.Text (kStrPlain, kStrPlainHelp);
    F.Text (kStrLabel, kStrEmpty, kStrSecond);
    F.Subtitle (kStrEmpty, kStrEmpty);
    F.GuidLabel (0x1000);
    if (!FillAtOpen || Filled) {
      F.OneOf ({ .Prompt = kStrBootNext, .Help = kStrEmpty, .QuestionId = kBootNext, .VarStoreId = 1, .VarOffset = 0 },
        EFI_IFR_NUMERIC_SIZE_2, 0, 0xFFFF, 0);
      F.OneOfOption (kStrDvd, 0, EFI_IFR_TYPE_NUM_SIZE_16, 1);
      F.OneOfOption (kStrNone, 0, EFI_IFR_TYPE_NUM_SIZE_16, 0);
      F.End ();
    }
    F.GuidLabel (0xFFFF);
    F.GuidLabel (0x2000);
    if (!FillAtOpen || Filled) {
      F.Numeric ({ .Prompt = kStrTimeOut, .Help = kStrEmpty, .QuestionId = kTimeOut, .VarStoreId = 1, .VarOffset = 2 },
        EFI_IFR_NUMERIC_SIZE_2 | EFI_IFR_DISPLAY_UINT_DEC, 0, 65535, 0);
      F.End ();
    }
    F.GuidLabel (0xFFFF);
    F.Action1 ({ .Prompt = kStrRefresh, .Help = kStrEmpty, .QuestionId = kOpenTrigger, .Flags = EFI_IFR_FLAG_CALLBACK });
    F.End ();
    F.Form (kDriverForm, kStrDriver);
    F.Ref ({ .Prompt = kStrBack, .Help = kStrEmpty, .QuestionId = 0x411 }, kMainForm);
    F.Ref ({ .Prompt = kStrAdd, .Help = kStrEmpty, .QuestionId = 0x412 }, kAddForm);
    F.End ();
    F.Form (kAddForm, kStrAdd);
    F.Ref ({ .Prompt = kStrCommit, .Help = kStrEmpty, .QuestionId = 0x413 }, kDriverForm);
    F.End ();
    F.End ();
    return F.Package ();
  }

  // Runs SendForm over the form set with Keys, keeping the screen at every key wait; the
  // browser is told to exit once the keys are used up.
  void Walk (const char *Keys)
  {
    Devices.TextIn->Script ().Append (Keys);
    Devices.TextIn->Script ().Append ("F11");     // does nothing: wakes the wait the last page is read at
    size_t  Total = Devices.TextIn->Script ().Remaining ();
    Devices.TextIn->Script ().SetWaitHook ([this, Total] () {
      if (gTuiApp == nullptr) {
        return;
      }
      size_t  Used = Total - Devices.TextIn->Script ().Remaining ();
      Screens.resize (Used + 1);
      Screens[Used] = ScreenRows ();
      if (Devices.TextIn->Script ().Remaining () == 0) {
        (VOID)ProcessActionRequest (EFI_BROWSER_ACTION_REQUEST_EXIT);
      }
    });
    EXPECT_EQ (SendForm (nullptr, &Handle, 1, nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
    if (!Screens.empty ()) {
      Screens.pop_back ();
    }
  }

  std::vector<std::u16string> ScreenRows () const
  {
    std::vector<std::u16string>  Rows;
    for (UINTN Row = 0; Row < Devices.TextOut->Rows (); Row++) {
      Rows.push_back (Devices.TextOut->RowText (Row));
    }
    return Rows;
  }

  // The row that shows Text, or -1.
  static int RowOf (const std::vector<std::u16string> &Screen, const std::u16string &Text)
  {
    for (size_t Row = 0; Row < Screen.size (); Row++) {
      if (Screen[Row].find (Text) != std::u16string::npos) {
        return (int)Row;
      }
    }
    return -1;
  }

  Emu::FakeDriver                           *Driver    = nullptr;
  EFI_HII_HANDLE                            Handle     = nullptr;
  bool                                      FillAtOpen = false;
  bool                                      Filled     = false;
  std::vector<std::vector<std::u16string>>  Screens;
};

// A text statement without a second text is a text line like any other: its prompt shows,
// on its own row, between the rows around it.
TEST_F (SendFormFormLinesTest, ATextLineWithoutASecondTextShowsItsPrompt)
{
  Walk ("Down");
  ASSERT_GE (Screens.size (), 1u);
  const auto  &Screen = Screens[0];
  int         Plain   = RowOf (Screen, u"A plain text line");
  ASSERT_GE (Plain, 0);
  EXPECT_EQ (RowOf (Screen, u"Driver Options"), Plain - 1);
  EXPECT_EQ (RowOf (Screen, u"A labelled line"), Plain + 1);
  EXPECT_NE (Screen[Plain + 1].find (u"its second text"), std::u16string::npos);
}

// Add Driver Option's commit leads back to Driver Options, which the main form leads to:
// each subform keeps the form above it as its parent, and the title line names the path
// down from the form set's tab, as for any goto two deep.
TEST_F (SendFormFormLinesTest, ASubformThatLeadsBackUpKeepsThePathFromTheFormSet)
{
  Walk ("Enter,Down,Enter,Esc,Down");
  ASSERT_GE (Screens.size (), 5u);
  EXPECT_NE (Screens[1][1].find (u"Maintenance \x25BA Driver Options "), std::u16string::npos) << "Driver Options";
  EXPECT_NE (Screens[3][1].find (u"Maintenance \x25BA Driver Options \x25BA Add Driver Option "), std::u16string::npos)
    << "Add Driver Option";
  EXPECT_NE (Screens[4][1].find (u"Maintenance \x25BA Driver Options "), std::u16string::npos) << "back";
  EXPECT_EQ (Screens[4][1].find (u"Add Driver Option"), std::u16string::npos) << "back";
}

// The driver fills Boot Next and the time-out as the form opens; Boot Next's first option
// is wide, its stored value the narrow "NONE": on the first showing as on any other, Boot
// Next takes the one row its value needs and the time-out follows at once.
TEST_F (SendFormFormLinesTest, RowsFilledAsTheFormOpensTakeTheRowsOfTheirStoredValues)
{
  FillAtOpen = true;
  std::vector<UINT8>  List = Builders::PackageListBuilder (kList).Add (Forms ()).Build ();
  ASSERT_EQ (gHiiDatabase->UpdatePackageList (gHiiDatabase, Handle, (EFI_HII_PACKAGE_LIST_HEADER *)List.data ()),
             EFI_SUCCESS);
  Walk ("F11,Down,Up");
  ASSERT_GE (Screens.size (), 4u);
  for (size_t Shown = 1; Shown < 4; Shown++) {
    int  BootNext = RowOf (Screens[Shown], u"Boot Next Value");
    ASSERT_GE (BootNext, 0) << "screen " << Shown;
    EXPECT_NE (Screens[Shown][BootNext].find (u"[NONE]"), std::u16string::npos) << "screen " << Shown;
    EXPECT_EQ (RowOf (Screens[Shown], u"Auto Boot Time-out"), BootNext + 1) << "screen " << Shown;
  }
}

}  // namespace
