// The action requests drivers return from their callbacks, as setup acts on them
// while it runs: the form-level requests submit or discard the page shown and open
// its parent, exit leaves setup, and every request empties the page visit list.
#include "support/TuiAppTestSupport.h"

#include <engine/core/SetupData.h>

#include <gtest/gtest.h>

namespace {

using namespace TuiAppTestData;

struct AFTER {
  UINT32  Page      = 0;
  UINT8   Discarded = 0;
  UINTN   Visited   = 99;
  UINT8   Exit      = 0;
};

class ActionRequestTest : public TuiAppTest {
protected:
  void TearDown () override
  {
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    gDiscardRequested = 0;
    TuiAppTest::TearDown ();
  }

  // Opens the details page, then hands Request to setup at the next key wait.
  AFTER Run (UINTN Request)
  {
    AFTER  After;
    bool   Done = false;

    Boot ("Down,Down,Enter,Down");
    Devices.TextIn->Script ().SetWaitHook ([&] () {
      if (Done || (gTuiApp == nullptr) || (gTuiApp->CurrentPage != kDetailsPage)) {
        return;
      }
      Done = true;
      MarkPageVisited (kDetailsPage);
      EXPECT_EQ (ProcessActionRequest (Request), EFI_SUCCESS);
      After.Page      = gTuiApp->CurrentPage;
      After.Discarded = gDiscardRequested;
      After.Visited   = gVisitedPageCount;
      After.Exit      = gTuiApp->Exit;
    });
    (VOID)RunUntilKeysEnd ();
    EXPECT_TRUE (Done);
    return After;
  }
};

TEST_F (ActionRequestTest, SubmitAndExitFormOpensTheParentPage)
{
  AFTER  After = Run (EFI_BROWSER_ACTION_REQUEST_FORM_SUBMIT_EXIT);

  EXPECT_EQ (After.Page, kMainPage);
  EXPECT_EQ (After.Discarded, 0);
  EXPECT_EQ (After.Visited, 0u);
}

TEST_F (ActionRequestTest, DiscardAndExitFormMarksTheDiscardAndOpensTheParentPage)
{
  AFTER  After = Run (EFI_BROWSER_ACTION_REQUEST_FORM_DISCARD_EXIT);

  EXPECT_EQ (After.Page, kMainPage);
  EXPECT_EQ (After.Discarded, 1);
  EXPECT_EQ (After.Visited, 0u);
}

TEST_F (ActionRequestTest, ApplyAndDiscardStayOnThePage)
{
  EXPECT_EQ (Run (EFI_BROWSER_ACTION_REQUEST_FORM_APPLY).Page, kDetailsPage);

  AFTER  After = Run (EFI_BROWSER_ACTION_REQUEST_FORM_DISCARD);
  EXPECT_EQ (After.Page, kDetailsPage);
  EXPECT_EQ (After.Discarded, 1);
}

TEST_F (ActionRequestTest, ExitLeavesSetupAndUnknownRequestsOnlyEmptyTheVisitList)
{
  EXPECT_EQ (Run (EFI_BROWSER_ACTION_REQUEST_EXIT).Exit, 1);

  AFTER  After = Run (42);
  EXPECT_EQ (After.Page, kDetailsPage);
  EXPECT_EQ (After.Exit, 0);
  EXPECT_EQ (After.Visited, 0u);
}

}  // namespace
