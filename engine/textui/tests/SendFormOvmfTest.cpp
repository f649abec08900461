// SendForm over the package lists of an OVMF HII export, on the started engine: setup
// runs over exactly the lists that hold a form set, in the caller's order; a call
// from inside refuses with its message; a reset a driver asks for goes back to the
// caller as its action request; and the browser's lists are gone afterwards.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/browser/DynamicPages.h>
#include <engine/browser/FormBrowser.h>
#include <engine/forms/FormParser.h>
#include <engine/core/SetupData.h>
#include <engine/post/BootScreen.h>
#include <engine/textui/TuiApp.h>
#include <Emulator/RunEnded.h>
#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>

#include <Fixtures.h>

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<std::u16string>  gShownMessages;

EFI_STATUS EFIAPI
RecordMessageBox (CHAR16 *Title, CHAR16 *Message, UINT8, UINT8 *)
{
  gShownMessages.push_back (std::u16string (Title) + u"|" + Message);
  return EFI_SUCCESS;
}

// What setup saw from inside, at its first key wait.
struct INSIDE {
  bool                         Reached = false;
  UINT8                        InSetup = 0;
  std::vector<EFI_HII_HANDLE>  Kept;
  std::set<EFI_HII_HANDLE>     PageHandles;
  UINTN                        Slots   = 0;
  EFI_STATUS                   Nested  = EFI_ABORTED;
};

class SendFormOvmfTest : public TextUiMachineTest {
protected:
  void SetUp () override
  {
    TextUiMachineTest::SetUp ();
    StartEngine ();
    std::vector<UINT8>  Bytes = Fixtures::Read ("ovmf/HIIDB.BIN");
    ASSERT_EQ (Hii->LoadExport (Bytes.data (), Bytes.size (), true, &Lists), EFI_SUCCESS);
    for (EFI_HII_HANDLE Handle : Lists) {
      for (const Emu::HII_PACKAGE &Package : Hii->Find (Handle)->Packages) {
        if ((Package.Type == EFI_HII_PACKAGE_FORMS) && (Package.Bytes.size () > 5) && (Package.Bytes[4] == EFI_IFR_FORM_SET_OP)) {
          FormSets.push_back (Handle);
          break;
        }
      }
    }
    mSavedBox = gBootScreenInterface.ShowBootScreenMessageBox;
    gBootScreenInterface.ShowBootScreenMessageBox = RecordMessageBox;
    gShownMessages.clear ();
  }

  void TearDown () override
  {
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    gBootScreenInterface.ShowBootScreenMessageBox = mSavedBox;
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    TextUiMachineTest::TearDown ();
  }

  // Looks inside at the first key wait, then runs Then there.
  void LookInside (std::function<void ()> Then)
  {
    Devices.TextIn->Script ().Append ("Down");
    Devices.TextIn->Script ().SetWaitHook ([this, Then] () {
      if (Seen.Reached || (gTuiApp == nullptr)) {
        return;
      }
      Seen.Reached = true;
      Seen.InSetup = gInSetup;
      Seen.Kept.assign (gSendFormHandles, gSendFormHandles + gSendFormHandleCount);
      Seen.Slots   = gDynamicPageSlotCount;
      for (UINT32 Page = 0; Page < GetPageCount (); Page++) {
        PAGE_RECORD  *Record = nullptr;
        if (!EFI_ERROR (GetPageData (Page, &Record)) && (Record->HiiHandle != nullptr)) {
          Seen.PageHandles.insert (Record->HiiHandle);
        }
      }
      // Setup serves the message box while it runs: the recorder takes its place there too.
      auto  SetupBox = gBootScreenInterface.ShowBootScreenMessageBox;
      gBootScreenInterface.ShowBootScreenMessageBox = RecordMessageBox;
      EFI_BROWSER_ACTION_REQUEST  Inner = 9;
      Seen.Nested = SendForm (nullptr, Lists.data (), Lists.size (), nullptr, 0, nullptr, &Inner);
      gBootScreenInterface.ShowBootScreenMessageBox = SetupBox;
      Then ();
    });
  }

  std::vector<EFI_HII_HANDLE>  Lists;
  std::vector<EFI_HII_HANDLE>  FormSets;
  INSIDE                       Seen;

private:
  decltype (gBootScreenInterface.ShowBootScreenMessageBox)  mSavedBox = nullptr;
};

TEST_F (SendFormOvmfTest, SetupRunsOverTheListsWithFormSetsAndAResetGoesBackToTheCaller)
{
  EFI_BROWSER_ACTION_REQUEST  Request = 9;

  ASSERT_GE (FormSets.size (), 2u);
  ASSERT_LT (FormSets.size (), Lists.size ());     // the export also holds lists without forms
  LookInside ([] { (VOID)ProcessActionRequest (EFI_BROWSER_ACTION_REQUEST_RESET); });

  EXPECT_EQ (SendForm (nullptr, Lists.data (), Lists.size (), nullptr, 0, nullptr, &Request), EFI_SUCCESS);
  ASSERT_TRUE (Seen.Reached);
  EXPECT_EQ (Seen.InSetup, 1);
  EXPECT_EQ (Seen.Kept, FormSets);
  EXPECT_EQ (Seen.Slots, FormSets.size () + 1);
  for (EFI_HII_HANDLE Handle : Seen.PageHandles) {
    EXPECT_NE (std::find (FormSets.begin (), FormSets.end (), Handle), FormSets.end ());
  }
  EXPECT_FALSE (Seen.PageHandles.empty ());

  EXPECT_EQ (Seen.Nested, EFI_UNSUPPORTED);
  ASSERT_EQ (gShownMessages.size (), 1u);
  EXPECT_EQ (gShownMessages[0], u"SendForm Unsupported|SendForm Not suppored Nestedly or from Valid Setup Context!");

  EXPECT_EQ (Request, EFI_BROWSER_ACTION_REQUEST_RESET);
  EXPECT_EQ (gSendFormHandles, nullptr);
  EXPECT_EQ (gSendFormHandleCount, 0u);
  EXPECT_EQ (gInSetup, 0);
  EXPECT_FALSE (gResetRequested);
}

TEST_F (SendFormOvmfTest, OneFormSetOfTheExportIsAllSetupShows)
{
  EFI_HII_HANDLE  One = FormSets.back ();

  LookInside ([] { (VOID)ProcessActionRequest (EFI_BROWSER_ACTION_REQUEST_EXIT); });
  EXPECT_EQ (SendForm (nullptr, &One, 1, nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
  ASSERT_TRUE (Seen.Reached);
  EXPECT_EQ (Seen.Kept, std::vector<EFI_HII_HANDLE> ({ One }));
  EXPECT_EQ (Seen.PageHandles, std::set<EFI_HII_HANDLE> ({ One }));
}

TEST_F (SendFormOvmfTest, ListsWithoutFormSetsShowNothing)
{
  std::vector<EFI_HII_HANDLE>  Without;
  EFI_BROWSER_ACTION_REQUEST   Request = 9;

  for (EFI_HII_HANDLE Handle : Lists) {
    if (std::find (FormSets.begin (), FormSets.end (), Handle) == FormSets.end ()) {
      Without.push_back (Handle);
    }
  }
  UINTN  Before = Devices.TextOut->Calls ().size ();

  EXPECT_EQ (SendForm (nullptr, Without.data (), Without.size (), nullptr, 0, nullptr, &Request), EFI_NOT_FOUND);
  EXPECT_EQ (Request, EFI_BROWSER_ACTION_REQUEST_NONE);
  EXPECT_EQ (Devices.TextOut->Calls ().size (), Before);
  EXPECT_EQ (SendForm (nullptr, Lists.data (), 0, nullptr, 0, nullptr, &Request), EFI_INVALID_PARAMETER);
  EXPECT_FALSE (Seen.Reached);
}

// A front page that links to the last form set of the export, published but not handed to
// SendForm; the link is the front page's only question.
class FrontPageGotoTest : public SendFormOvmfTest {
protected:
  void SetUp () override
  {
    SendFormOvmfTest::SetUp ();
    constexpr EFI_GUID  kFrontList = { 0x5EED0001, 0x0001, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x01 } };
    constexpr EFI_GUID  kFrontSet  = { 0x5EED0001, 0x0002, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x02 } };
    std::vector<UINT8>  Forms;
    EFI_GUID            OtherSet;
    UINT16              OtherForm  = 0;

    Other = FormSets.back ();
    for (const Emu::HII_PACKAGE &Package : Hii->Find (Other)->Packages) {
      if (Package.Type == EFI_HII_PACKAGE_FORMS) {
        Forms = Package.Bytes;
        break;
      }
    }
    ASSERT_GT (Forms.size (), 22u);
    std::memcpy (&OtherSet, &Forms[6], sizeof (OtherSet));
    for (size_t At = 4; (At + 4 <= Forms.size ()) && ((Forms[At + 1] & 0x7F) >= 2); At += Forms[At + 1] & 0x7F) {
      if (Forms[At] == EFI_IFR_FORM_OP) {
        OtherForm = (UINT16)(Forms[At + 2] | (Forms[At + 3] << 8));
        break;
      }
    }
    ASSERT_NE (OtherForm, 0);

    // Prompt 3, help 4, question 0x100, then the form id and the other list's form set.
    std::vector<UINT8>  Ref3 = { 3, 0, 4, 0, 0x00, 0x01, 0, 0, 0, 0, 0, (UINT8)OtherForm, (UINT8)(OtherForm >> 8), 0, 0 };
    Ref3.insert (Ref3.end (), (const UINT8 *)&OtherSet, (const UINT8 *)&OtherSet + sizeof (OtherSet));
    Builders::IfrBuilder  Front;
    Front.FormSet (kFrontSet, 1, 2, { EFI_HII_PLATFORM_SETUP_FORMSET_GUID });
    Front.Form (1, 1);
    Front.Op (EFI_IFR_REF_OP, Ref3);
    Front.End ();
    Front.End ();
    std::vector<UINT8>  List = Builders::PackageListBuilder (kFrontList).Add (Front.Package ())
                                 .Add (Builders::BuildStringPackage ("en-US", 1, { { 1, u"Front" }, { 2, u"" }, { 3, u"Into the other" }, { 4, u"" } }))
                                 .Build ();
    ASSERT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (EFI_HII_PACKAGE_LIST_HEADER *)List.data (), nullptr, &FrontHandle),
               EFI_SUCCESS);
  }

  // A driver publishes a form set while the browser runs, as OVMF's do when their forms
  // open: the pages are made again between two keys.
  void PublishFormSet ()
  {
    constexpr EFI_GUID  kLateList = { 0x5EED0001, 0x0003, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x03 } };
    constexpr EFI_GUID  kLateSet  = { 0x5EED0001, 0x0004, 0x4000, { 0x80, 0, 0, 0, 0, 0, 0, 0x04 } };
    Builders::IfrBuilder  Late;
    EFI_HII_HANDLE        Handle = nullptr;

    Late.FormSet (kLateSet, 1, 2, { EFI_HII_PLATFORM_SETUP_FORMSET_GUID });
    Late.Form (1, 1);
    Late.End ();
    Late.End ();
    std::vector<UINT8>  List = Builders::PackageListBuilder (kLateList).Add (Late.Package ())
                                 .Add (Builders::BuildStringPackage ("en-US", 1, { { 1, u"Late" }, { 2, u"" } }))
                                 .Build ();
    ASSERT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (EFI_HII_PACKAGE_LIST_HEADER *)List.data (), nullptr, &Handle),
               EFI_SUCCESS);
  }

  // The list of the page shown at each key wait of Keys; the browser is left at the last.
  // At wait Publish (1-based; 0 never) a driver publishes a form set.
  std::vector<EFI_HII_HANDLE> Walk (const char *Keys, size_t Waits, size_t Publish = 0)
  {
    std::vector<EFI_HII_HANDLE>  Shown;
    Devices.TextIn->Script ().Append (Keys);
    Devices.TextIn->Script ().SetWaitHook ([this, &Shown, Waits, Publish] () {
      PAGE_RECORD  *Record = nullptr;
      UINT32       Page    = 0;
      if ((gTuiApp == nullptr) || !GetTuiAppCurrentPage (&Page) || EFI_ERROR (GetPageData (Page, &Record))) {
        return;
      }
      Shown.push_back (Record->HiiHandle);
      if (Shown.size () == Publish) {
        PublishFormSet ();
      }
      if (Shown.size () == Waits) {
        (VOID)ProcessActionRequest (EFI_BROWSER_ACTION_REQUEST_EXIT);
      }
    });
    EXPECT_EQ (SendForm (nullptr, &FrontHandle, 1, nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
    return Shown;
  }

  EFI_HII_HANDLE  Other       = nullptr;
  EFI_HII_HANDLE  FrontHandle = nullptr;
};

// A goto into a form set the caller did not give loads its list, shows the form it names,
// and Esc comes back.
TEST_F (FrontPageGotoTest, AGotoIntoAFormSetTheCallerDidNotGiveOpensItAndEscComesBack)
{
  EXPECT_EQ (Walk ("Enter,Esc,Down", 3), std::vector<EFI_HII_HANDLE> ({ FrontHandle, Other, FrontHandle }));
  EXPECT_EQ (gSendFormHandles, nullptr);
}

// Once loaded, the same form set opens again with Enter, as often as it is left.
TEST_F (FrontPageGotoTest, AFormSetOpenedOnceOpensAgainWithEnter)
{
  EXPECT_EQ (Walk ("Enter,Esc,Enter,Esc,Enter,Down", 6),
             std::vector<EFI_HII_HANDLE> ({ FrontHandle, Other, FrontHandle, Other, FrontHandle, Other }));
}

// The pages are made again while the user is in the form set the goto loaded: Esc still
// goes back to the page the goto was on, and SendForm goes on.
TEST_F (FrontPageGotoTest, EscAfterThePagesWereMadeAgainGoesBackToThePageOfTheGoto)
{
  EXPECT_EQ (Walk ("Enter,Down,Esc,Down", 4, 2),
             std::vector<EFI_HII_HANDLE> ({ FrontHandle, Other, Other, FrontHandle }));
}

// With no page to go back to (the tab strip emptied the history), Esc in a form set the
// goto loaded goes to the form set SendForm was given; only Esc there ends SendForm.
TEST_F (FrontPageGotoTest, EscInALoadedFormSetWithoutHistoryGoesToTheGivenFormSet)
{
  std::vector<EFI_HII_HANDLE>  Shown;
  bool                         Ended = false;

  Devices.TextIn->Script ().Append ("Enter,Down,Esc,Down,Esc");
  Devices.TextIn->Script ().SetWaitHook ([&Shown] () {
    UINT32  Page = 0;
    if ((gTuiApp == nullptr) || !GetTuiAppCurrentPage (&Page)) {
      return;
    }
    Shown.push_back (TuiPageRecord (Page)->HiiHandle);
    if (Shown.size () == 2) {
      ClearPageHistory ();
    }
  });
  EXPECT_EQ (SendForm (nullptr, &FrontHandle, 1, nullptr, 0, nullptr, nullptr), EFI_SUCCESS);
  Ended = (Devices.TextIn->Script ().Remaining () == 0);
  EXPECT_EQ (Shown, std::vector<EFI_HII_HANDLE> ({ FrontHandle, Other, Other, FrontHandle, FrontHandle }));
  EXPECT_TRUE (Ended);
}

}  // namespace
