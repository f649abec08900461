// Setup entered through EnterGraphicalSetup follows the HII database while it runs:
// a driver's form set published between two keys becomes pages with page objects,
// its removal takes them away, a second publication links afresh, and
// "DynamicPageCount" counts the drivers' form sets through it all.
#include <engine/testing/TuiAppTestSupport.h>

#include <engine/browser/PackageNotify.h>
#include <engine/core/SetupData.h>
#include <frontend/FrontEndServices.h>

#include <gtest/gtest.h>

namespace {

constexpr EFI_GUID  kDriverSet  = { 0x5D0C1A10, 0x0003, 0x4A00, { 0x90, 0, 0, 0, 0, 0, 0, 0x03 } };
constexpr EFI_GUID  kDriverList = { 0x5D0C1A10, 0x0004, 0x4A00, { 0x90, 0, 0, 0, 0, 0, 0, 0x04 } };
constexpr EFI_GUID  kCountGuid  = DYNAMIC_PAGE_COUNT_VARIABLE_GUID;

// What one look at the tables and the application found.
struct SEEN {
  std::vector<UINT32>  Pages;           // pages of the driver's list, in order
  std::vector<bool>    HaveObjects;     // the application made a page object for each
  UINT16               LinkTarget = 0;  // the target of form 1's link
  UINT64               Count      = 0;  // "DynamicPageCount" as stored
  UINT32               Objects    = 0;  // page objects of the application
};

class SetupEntryFormSetsTest : public TuiAppTest {
protected:
  void TearDown () override
  {
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    gInSetup = 0;
    TuiAppTest::TearDown ();
  }

  // Two forms: form 1 links to form 2.
  EFI_HII_HANDLE PublishDriverForms ()
  {
    return PublishLinkedDriverForms (kDriverList, kDriverSet);
  }

  static UINT64 StoredCount ()
  {
    UINT64    Value = 0xDEAD;
    UINTN     Size  = sizeof (Value);
    EFI_GUID  Guid  = kCountGuid;

    EXPECT_EQ (gRT->GetVariable ((CHAR16 *)u"DynamicPageCount", &Guid, nullptr, &Size, &Value), EFI_SUCCESS);
    return Value;
  }

  static SEEN Look (EFI_HII_HANDLE Handle)
  {
    SEEN  Seen;

    for (UINT32 Page = 1; Page < GetPageCount (); Page++) {
      PAGE_RECORD  *Record = nullptr;
      if (!EFI_ERROR (GetPageData (Page, &Record)) && (Record->HiiHandle == Handle)) {
        Seen.Pages.push_back (Page);
        Seen.HaveObjects.push_back ((Page < gTuiApp->PageCount) && (gTuiApp->Pages[Page] != nullptr));
      }
    }

    if (!Seen.Pages.empty ()) {
      PAGE_RECORD     *First   = TuiPageRecord (Seen.Pages[0]);
      CONTROL_RECORD  *Link    = TuiPageControl (First, 0);
      Seen.LinkTarget = (Link == nullptr) ? 0 : Link->RefTargetPage;
    }

    Seen.Count = StoredCount ();
    for (UINT32 Page = 0; Page < gTuiApp->PageCount; Page++) {
      Seen.Objects += (gTuiApp->Pages[Page] != nullptr) ? 1 : 0;
    }
    return Seen;
  }
};

TEST_F (SetupEntryFormSetsTest, AFormSetPublishedRemovedAndPublishedAgainWhileSetupRunsFollowsTheDatabase)
{
  EFI_HII_HANDLE     First  = nullptr;
  EFI_HII_HANDLE     Second = nullptr;
  std::vector<SEEN>  Seen;
  size_t             Done   = 0;

  Boot ("Down,Down,Down,Down");
  FreeDynamicPageTable ();      // setup entry builds its own
  Devices.TextIn->Script ().SetWaitHook ([&] () {
    // One step per key: the change happens while setup waits, the main loop takes it after the key.
    size_t  Released = Devices.TextIn->Script ().Released ();
    if ((Released < 1) || (Released <= Done) || (gTuiApp == nullptr)) {
      return;
    }
    Done = Released;
    if (Released == 1) {
      Seen.push_back (Look (nullptr));
      First = PublishDriverForms ();
    } else if (Released == 2) {
      Seen.push_back (Look (First));
      EXPECT_EQ (gHiiDatabase->RemovePackageList (gHiiDatabase, First), EFI_SUCCESS);
    } else if (Released == 3) {
      Seen.push_back (Look (First));
      Second = PublishDriverForms ();
    } else {
      Seen.push_back (Look (Second));
    }
  });

  EXPECT_THROW ((VOID)EnterGraphicalSetup (), Emu::KeyScriptExhausted);
  ASSERT_EQ (Seen.size (), 4u);

  // Before: the main and second form sets are the drivers' two.
  EXPECT_EQ (Seen[0].Count, 2u);
  UINT32  Before = Seen[0].Objects;

  ASSERT_EQ (Seen[1].Pages.size (), 2u);
  EXPECT_EQ (Seen[1].HaveObjects, std::vector<bool> ({ true, true }));
  EXPECT_EQ (Seen[1].LinkTarget, Seen[1].Pages[1]);
  EXPECT_EQ (Seen[1].Count, 3u);
  EXPECT_EQ (Seen[1].Objects, Before + 2);

  EXPECT_TRUE (Seen[2].Pages.empty ());
  EXPECT_EQ (Seen[2].Count, 2u);
  EXPECT_EQ (Seen[2].Objects, Before);

  ASSERT_EQ (Seen[3].Pages.size (), 2u);
  EXPECT_NE (Second, First);
  EXPECT_EQ (Seen[3].HaveObjects, std::vector<bool> ({ true, true }));
  EXPECT_EQ (Seen[3].LinkTarget, Seen[3].Pages[1]);
  EXPECT_EQ (Seen[3].Count, 3u);
  EXPECT_EQ (Seen[3].Objects, Before + 2);
}

}  // namespace
