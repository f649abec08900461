// A driver's form set of several forms that the driver fills from its callbacks, as a boot
// maintenance manager does: the main form's content comes with its form-open callback, each
// subform's when the goto into it is taken (the goto's changing callback rewrites the
// content between the form's labels and updates the package). A goto opens its own form
// with its content, Esc goes back once to the page the user came from, and the values
// shown are the driver's store's.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/browser/DynamicPages.h>
#include <engine/browser/FormBrowser.h>
#include <engine/core/SetupData.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/core/VariableGuids.h>
#include <engine/forms/FormTables.h>
#include <engine/textui/TuiApp.h>
#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>
#include <EmulatorHii/FakeDriver.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

constexpr EFI_GUID  kFrontSet   = { 0x5EED0003, 0x0001, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x01 } };
constexpr EFI_GUID  kMaintSet   = { 0x5EED0003, 0x0002, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x02 } };
constexpr EFI_GUID  kFrontList  = { 0x5EED0003, 0x0003, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x03 } };
constexpr EFI_GUID  kMaintList  = { 0x5EED0003, 0x0004, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x04 } };
constexpr EFI_GUID  kFrontPath  = { 0x5EED0003, 0x0005, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x05 } };
constexpr EFI_GUID  kMaintPath  = { 0x5EED0003, 0x0006, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x06 } };
constexpr EFI_GUID  kMaintStore = { 0x5EED0003, 0x0007, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x07 } };

constexpr EFI_FORM_ID  kMainForm    = 1;
constexpr EFI_FORM_ID  kOptionsForm = 2;
constexpr EFI_FORM_ID  kOrderForm   = 3;

constexpr EFI_QUESTION_ID  kOpenTrigger   = 0x300;
constexpr EFI_QUESTION_ID  kOptionsGoto   = 0x302;
constexpr EFI_QUESTION_ID  kOrderGoto     = 0x303;
constexpr EFI_QUESTION_ID  kTimeOut       = 0x304;
constexpr EFI_QUESTION_ID  kFrontGoto     = 0x100;

// Strings of the maintenance list.
enum : EFI_STRING_ID {
  kStrTitle = 1, kStrEmpty, kStrMain, kStrOptions, kStrOrder, kStrTimeOut, kStrRefresh, kStrBack, kStrOptionsBody,
  kStrOrderBody
};

// Which page is on screen: its form set's list and its form.
struct SHOWN {
  EFI_HII_HANDLE  List;
  UINT16          Form;
  bool operator== (const SHOWN &) const = default;
};

void
PrintTo (const SHOWN &Shown, std::ostream *Out)
{
  *Out << "{list " << Shown.List << ", form " << Shown.Form << "}";
}

class SendFormUpdatedFormsTest : public TextUiMachineTest {
protected:
  void SetUp () override
  {
    TextUiMachineTest::SetUp ();
    StartEngine (BoardWithEngineVariables ());
    Front = &M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (kFrontPath)));
    Maint = &M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (kMaintPath)));

    // The front form: one goto naming the maintenance form set and form 0, its first form.
    Builders::IfrBuilder  FrontForms;
    FrontForms.FormSet (kFrontSet, 1, 2, { EFI_HII_PLATFORM_SETUP_FORMSET_GUID });
    FrontForms.Form (1, 1);
    FrontForms.Ref3 ({ .Prompt = 3, .Help = 2, .QuestionId = kFrontGoto }, 0, 0, kMaintSet);
    FrontForms.End ();
    FrontForms.End ();
    FrontHandle = Front->Publish (*Hii, Builders::PackageListBuilder (kFrontList).Add (FrontForms.Package ())
                                          .Add (Builders::BuildStringPackage ("en-US", 1, {
                                            { 1, u"Front" }, { 2, u"" }, { 3, u"Maintenance" } }))
                                          .Build ());

    Maint->SetStore (kMaintStore, u"Maint", { 4, 0 });
    MaintHandle = Maint->Publish (*Hii, Builders::PackageListBuilder (kMaintList).Add (MaintForms ())
                                          .Add (Builders::BuildStringPackage ("en-US", 1, {
                                            { kStrTitle, u"Maint" }, { kStrEmpty, u"" }, { kStrMain, u"Main" },
                                            { kStrOptions, u"Options" }, { kStrOrder, u"Order" },
                                            { kStrTimeOut, u"Time-out" }, { kStrRefresh, u"Refresh" },
                                            { kStrBack, u"Back to main" }, { kStrOptionsBody, u"Options' own row" },
                                            { kStrOrderBody, u"Order's own row" } }))
                                          .Build ());
    ASSERT_NE (FrontHandle, nullptr);
    ASSERT_NE (MaintHandle, nullptr);

    // The main form is filled on its first opening; each subform when its goto is taken.
    Maint->OnCallback = [this] (Emu::FakeDriver &, EFI_BROWSER_ACTION Action, EFI_QUESTION_ID Question, UINT8,
                          EFI_IFR_TYPE_VALUE *, EFI_BROWSER_ACTION_REQUEST *) {
      if ((Action == EFI_BROWSER_ACTION_FORM_OPEN) && (Question == kOpenTrigger) && !MainFilled) {
        MainFilled = true;
        if (StoreAtOpen) {
          Maint->SetStore (kMaintStore, u"Maint", { 4, 0 });
        }
        UpdateForms ();
      } else if ((Action == EFI_BROWSER_ACTION_CHANGING) && (Question == kOptionsGoto)) {
        OptionsFilled = true;
        UpdateForms ();
      } else if ((Action == EFI_BROWSER_ACTION_CHANGING) && (Question == kOrderGoto)) {
        OrderFilled = true;
        UpdateForms ();
      }
      return (Action == EFI_BROWSER_ACTION_CHANGING) || (Action == EFI_BROWSER_ACTION_FORM_OPEN) ? EFI_SUCCESS : EFI_UNSUPPORTED;
    };
  }

  void TearDown () override
  {
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    TextUiMachineTest::TearDown ();
  }

  // The three forms with what the driver has filled in so far between each form's labels.
  std::vector<UINT8> MaintForms () const
  {
    Builders::IfrBuilder  F;

    F.FormSet (kMaintSet, kStrTitle, kStrEmpty, { EFI_HII_PLATFORM_SETUP_FORMSET_GUID });
    F.VarStore (kMaintStore, 1, 2, "Maint");
    F.Form (kMainForm, kStrMain);
    F.GuidLabel (0x1000);
    if (MainFilled) {
      F.Ref ({ .Prompt = kStrOptions, .Help = kStrEmpty, .QuestionId = kOptionsGoto, .Flags = EFI_IFR_FLAG_CALLBACK }, kOptionsForm);
      F.Ref ({ .Prompt = kStrOrder, .Help = kStrEmpty, .QuestionId = kOrderGoto, .Flags = EFI_IFR_FLAG_CALLBACK }, kOrderForm);
      F.Numeric ({ .Prompt = kStrTimeOut, .Help = kStrEmpty, .QuestionId = kTimeOut, .VarStoreId = 1, .VarOffset = 0 },
        EFI_IFR_NUMERIC_SIZE_2 | EFI_IFR_DISPLAY_UINT_DEC, 0, 65535, 0);
      F.End ();
    }

    F.GuidLabel (0xFFFF);
    F.Action1 ({ .Prompt = kStrRefresh, .Help = kStrEmpty, .QuestionId = kOpenTrigger, .Flags = EFI_IFR_FLAG_CALLBACK });
    F.End ();
    F.Form (kOptionsForm, kStrOptions);
    F.Ref ({ .Prompt = kStrBack, .Help = kStrEmpty, .QuestionId = 0x310 }, kMainForm);
    F.GuidLabel (0x2000);
    if (OptionsFilled) {
      F.Text (kStrOptionsBody, kStrEmpty, kStrEmpty);
    }

    F.GuidLabel (0xFFFF);
    F.End ();
    F.Form (kOrderForm, kStrOrder);
    F.GuidLabel (0x3000);
    if (OrderFilled) {
      F.Text (kStrOrderBody, kStrEmpty, kStrEmpty);
    }

    F.GuidLabel (0xFFFF);
    F.End ();
    F.End ();
    return F.Package ();
  }

  // What a driver's form update does: the list's forms package replaced in the database.
  void UpdateForms ()
  {
    std::vector<UINT8>  List = Builders::PackageListBuilder (kMaintList).Add (MaintForms ()).Build ();

    EXPECT_EQ (gHiiDatabase->UpdatePackageList (gHiiDatabase, MaintHandle, (EFI_HII_PACKAGE_LIST_HEADER *)List.data ()),
               EFI_SUCCESS);
  }

  // Runs SendForm over the front list with Keys, noting the page shown and the screen at
  // every key wait; the browser is told to exit once the keys are used up.
  void Walk (const char *Keys)
  {
    Devices.TextIn->Script ().Append (Keys);
    Devices.TextIn->Script ().Append ("F11");     // does nothing: wakes the wait the last page is read at
    size_t  Total = Devices.TextIn->Script ().Remaining ();
    Devices.TextIn->Script ().SetWaitHook ([this, Total] () {
      PAGE_RECORD  *Record = nullptr;
      UINT32       Page    = 0;
      if ((gTuiApp == nullptr) || !GetTuiAppCurrentPage (&Page) || EFI_ERROR (GetPageData (Page, &Record))) {
        return;
      }
      // The main loop may wait more than once between two keys (a rebuild wakes it): the
      // last wait before a key is what the user saw when pressing it.
      size_t  Used = Total - Devices.TextIn->Script ().Remaining ();
      Shown.resize (Used + 1);
      Screens.resize (Used + 1);
      Shown[Used]   = { Record->HiiHandle, Record->FormId };
      Screens[Used] = ScreenText ();
      if (Devices.TextIn->Script ().Remaining () == 0) {
        (VOID)ProcessActionRequest (EFI_BROWSER_ACTION_REQUEST_EXIT);
      }
    });
    EXPECT_EQ (SendForm (nullptr, &FrontHandle, 1, nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
    if (!Shown.empty ()) {
      Shown.pop_back ();     // after the waking key: nothing to see
      Screens.pop_back ();
    }
  }

  std::u16string ScreenText () const
  {
    std::u16string  Text;
    for (UINTN Row = 0; Row < Devices.TextOut->Rows (); Row++) {
      Text += Devices.TextOut->RowText (Row) + u"\n";
    }
    return Text;
  }

  // The text right of Prompt on its row, blanks trimmed; empty when no row shows Prompt.
  static std::u16string ValueBeside (const std::u16string &Screen, const std::u16string &Prompt)
  {
    size_t  At = Screen.find (Prompt);
    if (At == std::u16string::npos) {
      return u"";
    }
    std::u16string  Rest = Screen.substr (At + Prompt.size (), Screen.find (u'\n', At) - At - Prompt.size ());
    size_t          From = Rest.find_first_not_of (u' ');
    return (From == std::u16string::npos) ? u"" : Rest.substr (From, Rest.find (u"  ", From) - From);
  }

  Emu::FakeDriver           *Front        = nullptr;
  Emu::FakeDriver           *Maint        = nullptr;
  EFI_HII_HANDLE            FrontHandle   = nullptr;
  EFI_HII_HANDLE            MaintHandle   = nullptr;
  bool                      MainFilled    = false;
  bool                      OptionsFilled = false;
  bool                      OrderFilled   = false;
  bool                      StoreAtOpen   = false;
  std::vector<SHOWN>        Shown;
  std::vector<std::u16string>  Screens;
};

// Into the form set, each subform and back, twice into the form set: every goto opens its
// own form, filled; each Esc goes back one page, to the page the user came from. The second
// time the form set is entered its main form opens again, though the driver's first update
// made that form's page anew behind the others.
TEST_F (SendFormUpdatedFormsTest, EachGotoOpensItsOwnFormAndEscGoesBackOnce)
{
  Walk ("Enter,Enter,Esc,Down,Enter,Esc,Esc,Enter");
  const SHOWN  Front { FrontHandle, 1 }, Main { MaintHandle, kMainForm }, Options { MaintHandle, kOptionsForm },
  Order { MaintHandle, kOrderForm };
  EXPECT_EQ (Shown, (std::vector<SHOWN> { Front, Main, Options, Main, Main, Order, Main, Front, Main }));
  ASSERT_EQ (Screens.size (), 9u);
  EXPECT_NE (Screens[1].find (u"Options"), std::u16string::npos);
  EXPECT_NE (Screens[1].find (u"Order"), std::u16string::npos);
  EXPECT_NE (Screens[2].find (u"Options' own row"), std::u16string::npos);
  EXPECT_NE (Screens[5].find (u"Order's own row"), std::u16string::npos);
  EXPECT_EQ (Screens[5].find (u"Options' own row"), std::u16string::npos);
}

// A subform's goto back to the main form returns to it as to a page already on the way
// back: Esc on the main form then leaves the form set, not for the subform.
TEST_F (SendFormUpdatedFormsTest, AGotoBackToTheMainFormLeavesNoWayBackToTheSubform)
{
  Walk ("Enter,Enter,Enter,Esc");
  const SHOWN  Front { FrontHandle, 1 }, Main { MaintHandle, kMainForm }, Options { MaintHandle, kOptionsForm };
  EXPECT_EQ (Shown, (std::vector<SHOWN> { Front, Main, Options, Main, Front }));
}

// The main form shows the store's values, whether the driver had them before the form
// opened or set them in its form-open callback, which also filled the form.
TEST_F (SendFormUpdatedFormsTest, TheMainFormShowsTheStoresValues)
{
  for (bool AtOpen : { false, true }) {
    MainFilled = OptionsFilled = OrderFilled = false;
    StoreAtOpen = AtOpen;
    Maint->SetStore (kMaintStore, u"Maint", { (UINT8)(AtOpen ? 0 : 4), 0 });
    UpdateForms ();
    Shown.clear ();
    Screens.clear ();
    Walk ("Enter");
    ASSERT_EQ (Screens.size (), 2u) << "set at open " << AtOpen;
    EXPECT_EQ (ValueBeside (Screens[1], u"Time-out"), u"4") << "set at open " << AtOpen;
  }
}

}  // namespace
