// The action requests drivers return from their callbacks, as setup acts on them
// while it runs: the form-level requests submit or discard the page shown and open
// its parent, exit leaves setup, and every request empties the page visit list.
#include <engine/testing/TuiAppTestSupport.h>

#include <engine/core/SetupData.h>
#include <engine/browser/FormBrowser.h>

#include <gtest/gtest.h>

#include <ostream>

namespace {

using namespace TuiAppTestData;

struct AFTER {
  UINT32  Page      = 0;
  UINT8   Discarded = 0;
  UINTN   Visited   = 99;
  UINT8   Exit      = 0;

  bool operator== (const AFTER &) const = default;
};

std::ostream &
operator<< (std::ostream &Out, const AFTER &A)
{
  return Out << "page " << A.Page << ", discarded " << (int)A.Discarded << ", visited " << A.Visited << ", exit " << (int)A.Exit;
}

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

    gDiscardRequested = 0;
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

// The form-level exits open the parent page (a discard marked), apply and discard stay,
// exit leaves setup, and an unknown request only empties the visit list.
TEST_F (ActionRequestTest, EachRequestActsOnThePageShown)
{
  const struct { UINTN Request; AFTER After; } Cases[] = {
    { EFI_BROWSER_ACTION_REQUEST_FORM_SUBMIT_EXIT, { kMainPage, 0, 0, 0 } },
    { EFI_BROWSER_ACTION_REQUEST_FORM_DISCARD_EXIT, { kMainPage, 1, 0, 0 } },
    { EFI_BROWSER_ACTION_REQUEST_FORM_APPLY, { kDetailsPage, 0, 0, 0 } },
    { EFI_BROWSER_ACTION_REQUEST_FORM_DISCARD, { kDetailsPage, 1, 0, 0 } },
    { EFI_BROWSER_ACTION_REQUEST_EXIT, { kDetailsPage, 0, 0, 1 } },
    { 42, { kDetailsPage, 0, 0, 0 } },
  };

  for (const auto &Case : Cases) {
    EXPECT_EQ (Run (Case.Request), Case.After) << "request " << Case.Request;
  }
}

}  // namespace
