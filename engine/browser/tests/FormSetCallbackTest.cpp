// A form set's own callback: CHANGED with a u64 value, the action request it returns
// acted on, and the answers without a driver or a package list.
#include <engine/testing/DriverStoreTest.h>

#include <engine/browser/DriverCallbacks.h>
#include <engine/core/EngineGlobals.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

class FormSetCallbackTest : public DriverStoreTest {};

TEST_F (FormSetCallbackTest, FormSetCallbackGetsChangedWithAU64Value) {
  UINT8  Seen = 0;

  Driver->OnCallback = [&] (Emu::FakeDriver &, EFI_BROWSER_ACTION, EFI_QUESTION_ID, UINT8, EFI_IFR_TYPE_VALUE *,
                            EFI_BROWSER_ACTION_REQUEST *Request) {
    Seen     = gInBrowserCallback;
    *Request = EFI_BROWSER_ACTION_REQUEST_SUBMIT;
    return EFI_SUCCESS;
  };
  gInBrowserCallback = 0;
  Driver->ClearCalls ();
  ASSERT_EQ (CallFormSetCallback (Handle, 0x1234, 0x0102030405060708ull), EFI_SUCCESS);
  ASSERT_GE (Driver->Calls ().size (), 1u);       // the submit it asked for follows the callback
  const Emu::CONFIG_ACCESS_CALL  &Call = Driver->Calls ()[0];
  EXPECT_EQ (Call.Action, (EFI_BROWSER_ACTION)EFI_BROWSER_ACTION_CHANGED);
  EXPECT_EQ (Call.QuestionId, 0x1234);
  EXPECT_EQ (Call.Type, EFI_IFR_TYPE_NUM_SIZE_64);
  EXPECT_EQ (Call.Value, (std::vector<UINT8> { 8, 7, 6, 5, 4, 3, 2, 1 }));
  EXPECT_EQ (Seen, 1);
  EXPECT_EQ (gInBrowserCallback, 0);

  Driver->OnCallback = nullptr;          // the default answer: not handled
  EXPECT_EQ (CallFormSetCallback (Handle, 1, 0), EFI_UNSUPPORTED);
  EXPECT_EQ (CallFormSetCallback ((EFI_HII_HANDLE)(UINTN)0x4321, 1, 0), EFI_INVALID_PARAMETER);
}

}  // namespace
