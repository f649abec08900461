// The front end's menu tree while setup runs: every page shown has one entry with an
// item per control, the anchor of drivers' form sets is the page that lists their
// links, a form set published while setup runs gets its entries once, and one removed
// has its entries queued for deletion once, after which they are no longer found.
#include <engine/testing/TuiAppTestSupport.h>

#include <engine/core/FrontEnd.h>
#include <engine/core/SetupData.h>
#include <frontend/FrontEndServices.h>
#include <frontend/MenuTree.h>

#include <gtest/gtest.h>

namespace {

constexpr EFI_GUID  kDriverSet  = { 0x5D0C1A10, 0x0013, 0x4A00, { 0x90, 0, 0, 0, 0, 0, 0, 0x13 } };
constexpr EFI_GUID  kDriverList = { 0x5D0C1A10, 0x0014, 0x4A00, { 0x90, 0, 0, 0, 0, 0, 0, 0x14 } };

// Entries of the tree (queued ones included) that stand for a page.
UINTN
EntriesOf (UINT16 Page)
{
  UINTN  Count = 0;

  for (LAYOUT_ITEM *Entry = GetSetupMenu ()->FirstChild; Entry != nullptr; Entry = Entry->Next) {
    Count += (Entry->Descriptor.PageNumber == Page) ? 1 : 0;
  }
  return Count;
}

std::vector<UINT16>
PagesOf (EFI_HII_HANDLE Handle)
{
  std::vector<UINT16>  Pages;
  PAGE_RECORD          *Record;

  for (UINT32 Page = 1; Page < GetPageCount (); Page++) {
    if (!EFI_ERROR (GetPageData (Page, &Record)) && (Record->HiiHandle == Handle)) {
      Pages.push_back ((UINT16)Page);
    }
  }
  return Pages;
}

class SetupPageItemsTest : public TuiAppTest {
protected:
  void TearDown () override
  {
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    gInSetup = 0;
    TuiAppTest::TearDown ();
  }

  // Form 1 links to form 2, which holds one text.
  EFI_HII_HANDLE PublishDriverForms ()
  {
    return PublishLinkedDriverForms (kDriverList, kDriverSet);
  }

  // Runs Step once for each key the script released, while setup waits for the next.
  void EnterWithSteps (const std::string &Keys, std::function<void(size_t)> Step)
  {
    size_t  Done = 0;

    Boot (Keys);
    FreeDynamicPageTable ();      // setup entry builds its own
    Devices.TextIn->Script ().SetWaitHook ([&] () {
      size_t  Released = Devices.TextIn->Script ().Released ();
      if ((Released < 1) || (Released <= Done) || (gTuiApp == nullptr)) {
        return;
      }
      Done = Released;
      Step (Released);
    });
    EXPECT_THROW ((VOID)EnterGraphicalSetup (), Emu::KeyScriptExhausted);
  }
};

TEST_F (SetupPageItemsTest, EveryPageShownHasOneEntryWithItsControlsAndTheLinkPageIsTheAnchor)
{
  bool  Looked = false;

  gDynamicPageAnchor = 7;         // what an earlier front end left
  EnterWithSteps ("Down", [&] (size_t) {
    LAYOUT_ITEM  *Menu = GetSetupMenu ();
    ASSERT_NE (Menu, nullptr);
    EXPECT_EQ (Menu->Id, (UINT32)LAYOUT_ID_SETUP_MENU);
    for (UINT16 Page : { (UINT16)0, (UINT16)TuiAppTestData::kMainPage, (UINT16)TuiAppTestData::kDetailsPage,
                         (UINT16)TuiAppTestData::kSecondPage })
    {
      LAYOUT_ITEM  *Entry = FindMenuEntryForPage (Page);
      PAGE_RECORD  *Record;
      UINT32       Controls = 0;
      ASSERT_NE (Entry, nullptr) << "page " << Page;
      ASSERT_EQ (GetPageData (Page, &Record), EFI_SUCCESS);
      ASSERT_EQ (GetPageControlCount (Page, &Controls), EFI_SUCCESS);
      EXPECT_EQ (Entry->Id, (UINT32)LAYOUT_ID_MENU_ENTRY);
      EXPECT_EQ (Entry->Parent, Menu);
      EXPECT_EQ (Entry->Descriptor.FormId, Record->FormId);
      EXPECT_EQ (EntriesOf (Page), 1u);
      EXPECT_GT (Entry->ChildCount, 0u);
      EXPECT_LE (Entry->ChildCount, Controls);
    }
    // The main page's items follow its controls: a subtitle, a text, then the links.
    LAYOUT_ITEM  *Item = FindMenuEntryForPage ((UINT16)TuiAppTestData::kMainPage)->FirstChild;
    EXPECT_EQ (Item->Descriptor.ControlType, CONTROL_TYPE_SUBTITLE);
    EXPECT_EQ (Item->Next->Descriptor.ControlType, CONTROL_TYPE_TEXT);
    EXPECT_EQ (Item->Next->Next->Descriptor.TargetPage, TuiAppTestData::kDetailsPage);
    EXPECT_EQ (FindMenuEntryForPage ((UINT16)TuiAppTestData::kMainPage)->ChildCount, TuiAppTestData::kLinks + 2u);
    EXPECT_EQ (gDynamicPageAnchor, 0);     // the link page lists the drivers' form sets
    EXPECT_EQ (FindMenuEntryForPage ((UINT16)GetPageCount ()), nullptr);
    Looked = true;
  });
  EXPECT_TRUE (Looked);
}

TEST_F (SetupPageItemsTest, AFormSetAddedGetsItsEntriesOnceAndOneRemovedIsQueuedOnceAndNoLongerFound)
{
  EFI_HII_HANDLE       First  = nullptr;
  EFI_HII_HANDLE       Second = nullptr;
  std::vector<UINT16>  Removed;
  UINTN                LinksBefore = 0;
  size_t               Steps = 0;

  EnterWithSteps ("Down,Down,Down,Down", [&] (size_t Released) {
    Steps++;
    if (Released == 1) {
      EXPECT_EQ (GetQueuedMenuEntryCount (), 0u);
      LinksBefore = FindMenuEntryForPage (0)->ChildCount;
      First       = PublishDriverForms ();
    } else if (Released == 2) {
      Removed = PagesOf (First);
      ASSERT_EQ (Removed.size (), 2u);
      for (UINT16 Page : Removed) {
        LAYOUT_ITEM  *Entry = FindMenuEntryForPage (Page);
        ASSERT_NE (Entry, nullptr);
        EXPECT_EQ (EntriesOf (Page), 1u);              // built once, though the page list was rebuilt after it
        EXPECT_EQ (Entry->Descriptor.HiiHandle, First);
        EXPECT_EQ (Entry->ChildCount, 1u);
      }
      PAGE_RECORD  *Top;
      ASSERT_EQ (GetPageData (Removed[0], &Top), EFI_SUCCESS);
      EXPECT_EQ (Top->ParentPageNumber, gDynamicPageAnchor);
      EXPECT_EQ (FindMenuEntryForPage (0)->ChildCount, LinksBefore + 1);   // the link page lists the new form set
      EXPECT_EQ (gHiiDatabase->RemovePackageList (gHiiDatabase, First), EFI_SUCCESS);
    } else if (Released == 3) {
      ASSERT_EQ (GetQueuedMenuEntryCount (), 2u);
      for (UINTN Index = 0; Index < 2; Index++) {
        LAYOUT_ITEM  *Queued = GetQueuedMenuEntry (Index);
        EXPECT_EQ (Queued->Descriptor.PageNumber, Removed[Index]);
        EXPECT_NE (Queued->Flags & LAYOUT_ITEM_QUEUED_FOR_DELETION, 0u);
        EXPECT_EQ (FindMenuEntryForPage (Removed[Index]), nullptr);
        EXPECT_EQ (EntriesOf (Removed[Index]), 1u);     // still in the tree for whoever holds it
      }
      // Asked again for the same pages, the engine's request queues nothing more.
      gFrontEnd.PageRemoved (Removed[0]);
      gFrontEnd.PageRemoved (Removed[1]);
      EXPECT_EQ (GetQueuedMenuEntryCount (), 2u);
      Second = PublishDriverForms ();
    } else {
      std::vector<UINT16>  Pages = PagesOf (Second);
      ASSERT_EQ (Pages.size (), 2u);
      for (UINT16 Page : Pages) {
        LAYOUT_ITEM  *Entry = FindMenuEntryForPage (Page);
        ASSERT_NE (Entry, nullptr);
        EXPECT_EQ (Entry->Descriptor.HiiHandle, Second);
        EXPECT_EQ (Entry->Flags & LAYOUT_ITEM_QUEUED_FOR_DELETION, 0u);
      }
      EXPECT_EQ (GetQueuedMenuEntryCount (), 2u);
    }
  });
  EXPECT_EQ (Steps, 4u);
}

}  // namespace
