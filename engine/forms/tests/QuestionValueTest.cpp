// Question values: dates and times in each storage kind (variable, real-time clock,
// wake-up time), refreshing a control from its store, an ACTION's configuration
// string and the drivers' question callbacks, on the emulator with a fake driver.
#include <engine/testing/DriverStoreTest.h>

#include <engine/browser/DriverCallbacks.h>
#include <engine/core/EngineStrings.h>
#include <engine/variables/ConfigString.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>
#include <Library/MemoryAllocationLib.h>

#include <Builders/HiiPackageBuilder.h>
#include <EmulatorHii/ConfigString.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Builders::BYTES;
using Builders::IFR_QUESTION;

IFR_QUESTION
Q (UINT16 Id, UINT16 Offset, UINT8 Flags = 0)
{
  return { .Prompt = 1, .Help = 2, .QuestionId = Id, .VarStoreId = 1, .VarOffset = Offset, .Flags = Flags };
}

EFI_TIME
Time (UINT16 Year, UINT8 Month, UINT8 Day, UINT8 Hour, UINT8 Minute, UINT8 Second)
{
  EFI_TIME  T {};

  T.Year   = Year;
  T.Month  = Month;
  T.Day    = Day;
  T.Hour   = Hour;
  T.Minute = Minute;
  T.Second = Second;
  return T;
}

class QuestionValueTest : public DriverStoreTest {};

TEST_F (QuestionValueTest, DateAndTimeInAVariable) {
  Builders::IfrBuilder  Forms;
  size_t                Date = Forms.Date (Q (1, 0), QF_DATE_STORAGE_NORMAL, false);
  size_t                Hour = Forms.Time (Q (2, 4), QF_TIME_STORAGE_NORMAL, false);
  UsePackage (Forms);
  CONTROL_RECORD        DateControl = VariableControl (Date, CONTROL_TYPE_DATE);
  CONTROL_RECORD        TimeControl = VariableControl (Hour, CONTROL_TYPE_TIME);
  EFI_TIME              Written     = Time (2026, 12, 6, 21, 40, 59);

  ASSERT_EQ (WriteDateTimeValue (&DateControl, &Written), EFI_SUCCESS);
  ASSERT_EQ (WriteDateTimeValue (&TimeControl, &Written), EFI_SUCCESS);
  EXPECT_EQ (Cached (0), (std::vector<UINT8> { 0xEA, 0x07, 12, 6, 21, 40, 59, 8 }));   // the time: 3 bytes at 4

  EFI_TIME  Read = Time (1, 1, 1, 1, 1, 1);
  ASSERT_EQ (ReadDateTimeValue (&DateControl, &Read), EFI_SUCCESS);
  EXPECT_EQ (Read.Year, 2026);
  EXPECT_EQ (Read.Month, 12);
  EXPECT_EQ (Read.Day, 6);
  EXPECT_EQ (Read.Hour, 1);                 // a date leaves the time fields alone
  ASSERT_EQ (ReadDateTimeValue (&TimeControl, &Read), EFI_SUCCESS);
  EXPECT_EQ (Read.Hour, 21);
  EXPECT_EQ (Read.Minute, 40);
  EXPECT_EQ (Read.Second, 59);
  EXPECT_TRUE (M.Clock ().WakeupEnabled () == false);
}

TEST_F (QuestionValueTest, DateInTheRealTimeClock) {
  Builders::IfrBuilder  Forms;
  size_t                Date = Forms.Date (Q (1, 2), QF_DATE_STORAGE_TIME, false);
  UsePackage (Forms);
  CONTROL_RECORD        C       = VariableControl (Date, CONTROL_TYPE_DATE);
  EFI_TIME              Written = Time (2031, 3, 4, 5, 6, 7);
  EFI_TIME              Read {};

  ASSERT_EQ (WriteDateTimeValue (&C, &Written), EFI_SUCCESS);
  ASSERT_EQ (ReadDateTimeValue (&C, &Read), EFI_SUCCESS);
  EXPECT_EQ (Read.Year, 2031);
  EXPECT_EQ (Read.Day, 4);
  EXPECT_EQ (Read.Minute, 6);
  EXPECT_EQ (Cached (0), (std::vector<UINT8> { 1, 2, 3, 4, 5, 6, 7, 8 }));           // the variable is untouched
}

TEST_F (QuestionValueTest, TimeInTheWakeUpAlarm) {
  Builders::IfrBuilder  Forms;
  size_t                Hour = Forms.Time (Q (1, 5), QF_TIME_STORAGE_WAKEUP, false);
  UsePackage (Forms);
  CONTROL_RECORD        C       = VariableControl (Hour, CONTROL_TYPE_TIME);
  EFI_TIME              Written = Time (2027, 1, 2, 6, 30, 0);
  EFI_TIME              Read {};

  ASSERT_EQ (WriteDateTimeValue (&C, &Written), EFI_SUCCESS);
  EXPECT_TRUE (M.Clock ().WakeupEnabled ());
  EXPECT_EQ (M.Clock ().WakeupTime ().Hour, 6);
  ASSERT_EQ (ReadDateTimeValue (&C, &Read), EFI_SUCCESS);
  EXPECT_EQ (Read.Minute, 30);
}

TEST_F (QuestionValueTest, StorageBits30AndOtherQuestionsAreUnsupported) {
  Builders::IfrBuilder  Forms;
  size_t                Date  = Forms.Date (Q (1, 2), QF_DATE_STORAGE, false);
  size_t                OneOf = Forms.OneOf (Q (2, 0), 0, 0, 0, 0, false);
  UsePackage (Forms);
  CONTROL_RECORD        Both  = VariableControl (Date, CONTROL_TYPE_DATE);
  CONTROL_RECORD        Plain = VariableControl (OneOf, CONTROL_TYPE_ONE_OF);
  EFI_TIME              T     = Time (2026, 1, 1, 0, 0, 0);

  EXPECT_EQ (ReadDateTimeValue (&Both, &T), EFI_UNSUPPORTED);
  EXPECT_EQ (WriteDateTimeValue (&Both, &T), EFI_UNSUPPORTED);
  EXPECT_EQ (ReadDateTimeValue (&Plain, &T), EFI_UNSUPPORTED);
}

// Storage comes from the DATE's own flags; the question-header flag 0x10 (a change
// needs a reset) once sent a date meant for the variable to the clock.
TEST_F (QuestionValueTest, ResetRequiredDateStaysInItsVariable) {
  Builders::IfrBuilder  Forms;
  size_t                Date = Forms.Date (Q (1, 0, EFI_IFR_FLAG_RESET_REQUIRED), QF_DATE_STORAGE_NORMAL, false);
  UsePackage (Forms);
  CONTROL_RECORD        C        = VariableControl (Date, CONTROL_TYPE_DATE);
  EFI_TIME              Written  = Time (2040, 2, 29, 0, 0, 0);
  EFI_TIME              ClockNow {};

  ASSERT_EQ (gRT->GetTime (&ClockNow, nullptr), EFI_SUCCESS);
  ASSERT_EQ (WriteDateTimeValue (&C, &Written), EFI_SUCCESS);
  EXPECT_EQ (Cached (0), (std::vector<UINT8> { 0xF8, 0x07, 2, 29, 5, 6, 7, 8 }));
  EFI_TIME  After {};
  ASSERT_EQ (gRT->GetTime (&After, nullptr), EFI_SUCCESS);
  EXPECT_EQ (After.Year, ClockNow.Year);
}

TEST_F (QuestionValueTest, RefreshPutsAChangedStoredValueIntoTheCache) {
  Builders::IfrBuilder  Forms;
  size_t                OneOf = Forms.OneOf (Q (1, 3), EFI_IFR_NUMERIC_SIZE_2, 0, 0, 0, false);
  UsePackage (Forms);
  CONTROL_RECORD        C = VariableControl (OneOf, CONTROL_TYPE_ONE_OF);

  M.Variables ().Put (u"Setup", kBoardGuid, 7, { 1, 2, 3, 0xA4, 0xA5, 6, 7, 8 });
  ASSERT_EQ (RefreshControlValue (&C), EFI_SUCCESS);
  EXPECT_EQ (Cached (0), (std::vector<UINT8> { 1, 2, 3, 0xA4, 0xA5, 6, 7, 8 }));
  // Outside the variable: nothing read, nothing changed.
  M.Variables ().Put (u"Setup", kBoardGuid, 7, { 9, 9, 9 });
  ASSERT_EQ (RefreshControlValue (&C), EFI_SUCCESS);
  EXPECT_EQ (Cached (0)[3], 0xA4);
}

TEST_F (QuestionValueTest, RefreshReadsADriversStoreThroughRouting) {
  Builders::IfrBuilder  Forms;
  size_t                Numeric = Forms.Numeric (Q (1, 6), EFI_IFR_NUMERIC_SIZE_2, 0, 0xFFFF, 1, false);
  UsePackage (Forms);
  CONTROL_RECORD        C = VariableControl (Numeric, CONTROL_TYPE_NUMERIC, kBoardIndex);

  Driver->SetStore (kStoreGuid, u"Board", { 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0xB6, 0xB7 });
  Driver->ClearCalls ();
  ASSERT_EQ (RefreshControlValue (&C), EFI_SUCCESS);
  EXPECT_EQ (Cached (kBoardIndex), (std::vector<UINT8> { 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0xB6, 0xB7 }));
  ASSERT_EQ (Driver->Calls ().size (), 1u);
  EXPECT_NE (Driver->Calls ()[0].Text.find (u"&OFFSET=6&WIDTH=2"), std::u16string::npos);
}

TEST_F (QuestionValueTest, OrderedListRefreshesOneValuePerOption) {
  Builders::IfrBuilder  Forms;
  size_t                List = Forms.OrderedList (Q (1, 2), 3, 0);
  Forms.OneOfOption (1, 0, EFI_IFR_TYPE_NUM_SIZE_16, 1);
  Forms.OneOfOption (2, 0, EFI_IFR_TYPE_NUM_SIZE_16, 2);
  Forms.OneOfOption (3, 0, EFI_IFR_TYPE_NUM_SIZE_16, 3);
  Forms.End ();
  UsePackage (Forms);
  CONTROL_RECORD        C = VariableControl (List, CONTROL_TYPE_ORDERED_LIST);

  M.Variables ().Put (u"Setup", kBoardGuid, 7, { 1, 2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8 });
  ASSERT_EQ (RefreshControlValue (&C), EFI_SUCCESS);
  EXPECT_EQ (Cached (0), (std::vector<UINT8> { 1, 2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8 }));
}

TEST_F (QuestionValueTest, RefreshNeverCopiesAClockDateIntoTheCache) {
  Builders::IfrBuilder  Forms;
  size_t                Date = Forms.Date (Q (1, 0), QF_DATE_STORAGE_TIME, false);
  size_t                Text = Forms.Text (1, 2);
  UsePackage (Forms);
  CONTROL_RECORD        C       = VariableControl (Date, CONTROL_TYPE_DATE);
  CONTROL_RECORD        Comment = VariableControl (Text, CONTROL_TYPE_TEXT);

  M.Variables ().Put (u"Setup", kBoardGuid, 7, { 0xD1, 0xD2, 0xD3, 0xD4, 5, 6, 7, 8 });
  EXPECT_EQ (RefreshControlValue (&C), EFI_SUCCESS);
  EXPECT_EQ (Cached (0), (std::vector<UINT8> { 1, 2, 3, 4, 5, 6, 7, 8 }));
  EXPECT_EQ (RefreshControlValue (&Comment), EFI_UNSUPPORTED);
  EXPECT_EQ (RefreshControlValue (nullptr), EFI_UNSUPPORTED);
}

TEST_F (QuestionValueTest, ActionSendsItsConfigurationWhileInCallback) {
  Builders::IfrBuilder  Forms;
  size_t                Action = Forms.Action (Q (1, 0), 2);
  size_t                Plain  = Forms.Action (Q (2, 0), 9);
  size_t                Short  = Forms.Action1 (Q (3, 0));
  UsePackage (Forms);
  CONTROL_RECORD        C     = VariableControl (Action, CONTROL_TYPE_ACTION);
  CONTROL_RECORD        Empty = VariableControl (Plain, CONTROL_TYPE_ACTION);
  CONTROL_RECORD        Bare  = VariableControl (Short, CONTROL_TYPE_ACTION);
  UINT8                 Seen  = 0;

  Driver->OnRoute = [&] (Emu::FakeDriver &D, CONST CHAR16 *Configuration, CHAR16 **Progress) {
    Seen = gInBrowserCallback;
    return D.DefaultRoute (Configuration, Progress);
  };
  ASSERT_EQ (RouteActionConfig (&C), EFI_SUCCESS);
  EXPECT_EQ (Seen, 1);
  EXPECT_EQ (gInBrowserCallback, 0);
  EXPECT_EQ ((*Driver->Store (kStoreGuid, u"Board"))[7], 0x7F);
  EXPECT_EQ (Driver->Calls ().back ().Text, ActionConfig ());

  size_t  Before = Driver->Calls ().size ();
  EXPECT_EQ (RouteActionConfig (&Empty), EFI_SUCCESS);      // no such string: nothing sent
  EXPECT_EQ (RouteActionConfig (&Bare), EFI_SUCCESS);       // an ACTION without a configuration string
  EXPECT_EQ (Driver->Calls ().size (), Before);
  EXPECT_EQ (RouteActionConfig (nullptr), EFI_UNSUPPORTED);
}

TEST_F (QuestionValueTest, ControlCallbacksPassTheCachedValueAndWriteBackTheDriversAnswer) {
  Builders::IfrBuilder  Forms;
  size_t                OneOf = Forms.OneOf (Q (5, 2), EFI_IFR_NUMERIC_SIZE_2, 0, 0, 0, false);
  UsePackage (Forms);
  CONTROL_RECORD        C = VariableControl (OneOf, CONTROL_TYPE_ONE_OF, kBoardIndex);

  Driver->AddCallbackRule ({ .Action = EFI_BROWSER_ACTION_CHANGING, .QuestionId = 5, .NewValue = BYTES { 0x34, 0x12 } });
  Driver->ClearCalls ();
  ASSERT_EQ (InvokeControlCallback (&C, 5, 0, EFI_BROWSER_ACTION_CHANGING), EFI_SUCCESS);

  ASSERT_EQ (Driver->Calls ().size (), 2u);     // CHANGING, then CHANGED with the driver's value
  EXPECT_EQ (Driver->Calls ()[0].Action, (EFI_BROWSER_ACTION)EFI_BROWSER_ACTION_CHANGING);
  EXPECT_EQ (Driver->Calls ()[0].QuestionId, 5);
  EXPECT_EQ (Driver->Calls ()[0].Type, EFI_IFR_TYPE_NUM_SIZE_16);
  EXPECT_EQ (Driver->Calls ()[0].Value, (BYTES { 0x12, 0x13 }));
  EXPECT_EQ (Driver->Calls ()[1].Action, (EFI_BROWSER_ACTION)EFI_BROWSER_ACTION_CHANGED);
  EXPECT_EQ (Driver->Calls ()[1].Value, (BYTES { 0x34, 0x12 }));
  EXPECT_EQ (Cached (kBoardIndex), (BYTES { 0x10, 0x11, 0x34, 0x12, 0x14, 0x15, 0x16, 0x17 }));
  EXPECT_EQ (gInBrowserCallback, 0);
}

// Drivers refuse a callback without a value (OVMF's Secure Boot page fills its state string
// only when FORM_OPEN passes one): the question's value goes with it, and whatever the
// driver leaves there does not come back.
TEST_F (QuestionValueTest, FormOpenPassesTheValueAndWritesNothingBack) {
  Builders::IfrBuilder  Forms;
  size_t                OneOf = Forms.OneOf (Q (6, 0), EFI_IFR_NUMERIC_SIZE_1, 0, 0, 0, false);
  UsePackage (Forms);
  CONTROL_RECORD        C = VariableControl (OneOf, CONTROL_TYPE_ONE_OF, kBoardIndex);

  Driver->AddCallbackRule ({ .Action = EFI_BROWSER_ACTION_FORM_OPEN, .QuestionId = 6, .NewValue = BYTES { 0x99 } });
  Driver->ClearCalls ();
  ASSERT_EQ (InvokeControlCallback (&C, 6, 0, EFI_BROWSER_ACTION_FORM_OPEN), EFI_SUCCESS);
  ASSERT_EQ (Driver->Calls ().size (), 1u);
  EXPECT_EQ (Driver->Calls ()[0].Type, EFI_IFR_TYPE_NUM_SIZE_8);
  EXPECT_EQ (Driver->Calls ()[0].Value, (BYTES { 0x10 }));
  EXPECT_EQ (Cached (kBoardIndex), (BYTES { 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17 }));

  EXPECT_EQ (InvokeControlCallback (&C, 6, 0, EFI_BROWSER_ACTION_SUBMITTED), EFI_UNSUPPORTED);
  EXPECT_EQ (Driver->Calls ().size (), 1u);
}

}  // namespace

namespace {

// A STRING question passes its text as a new string of its package list, takes back the
// text the driver leaves there, runs CHANGED after CHANGING, and empties the string.
TEST_F (QuestionValueTest, StringCallbacksPassTheTextAsANewStringAndTakeTheDriversTextBack) {
  Builders::IfrBuilder         Forms;
  size_t                       At = Forms.String (Q (7, 0), 0, 3, 0, false);
  std::vector<std::u16string>  Seen;
  const UINT8                  Ab[6] = { 'a', 0, 'b', 0, 0, 0 };

  UsePackage (Forms);
  CONTROL_RECORD  C = VariableControl (At, CONTROL_TYPE_TEXT, kBoardIndex);
  ASSERT_EQ (WriteVariableBytesNoTranslate (kBoardIndex, 0, sizeof (Ab), (VOID *)Ab), EFI_SUCCESS);
  Driver->OnCallback = [&] (Emu::FakeDriver &, EFI_BROWSER_ACTION Action, EFI_QUESTION_ID, UINT8, EFI_IFR_TYPE_VALUE *Value,
                         EFI_BROWSER_ACTION_REQUEST *) {
    CHAR16  *Text = HiiGetString (Handle, Value->string, nullptr);
    Seen.push_back ((Text == nullptr) ? u"<none>" : Text);
    FreePool (Text);
    if (Action == EFI_BROWSER_ACTION_CHANGING) {
      (VOID)gHiiString->SetString (gHiiString, Handle, Value->string, "en-US", (EFI_STRING)u"xyz", nullptr);
    }
    return EFI_SUCCESS;
  };
  Driver->ClearCalls ();

  ASSERT_EQ (InvokeControlCallback (&C, 7, 0, EFI_BROWSER_ACTION_CHANGING), EFI_SUCCESS);
  EXPECT_EQ (Seen, (std::vector<std::u16string> { u"ab", u"xyz" }));
  ASSERT_EQ (Driver->Calls ().size (), 2u);
  EXPECT_EQ (Driver->Calls ()[0].Action, (EFI_BROWSER_ACTION)EFI_BROWSER_ACTION_CHANGING);
  EXPECT_EQ (Driver->Calls ()[0].QuestionId, 7);
  EXPECT_EQ (Driver->Calls ()[0].Type, EFI_IFR_TYPE_STRING);
  EXPECT_EQ (Driver->Calls ()[1].Action, (EFI_BROWSER_ACTION)EFI_BROWSER_ACTION_CHANGED);
  EXPECT_EQ (Driver->Calls ()[1].Type, EFI_IFR_TYPE_STRING);
  EXPECT_EQ (Cached (kBoardIndex), (BYTES { 'x', 0, 'y', 0, 'z', 0, 0x16, 0x17 }));

  // Nothing the driver saw stays readable in its package list.
  EFI_STRING_ID  Passed = (EFI_STRING_ID)(Driver->Calls ()[0].Value[0] | (Driver->Calls ()[0].Value[1] << 8));
  CHAR16         *Left  = HiiGetString (Handle, Passed, nullptr);
  ASSERT_NE (Left, nullptr);
  EXPECT_EQ (std::u16string (Left), u"");
  FreePool (Left);
}

// Every call of a STRING question carries its text in the same string of the package
// list: each call used to add a string, and the driver's string package grew with every
// setup entry for as long as the machine ran.
TEST_F (QuestionValueTest, RepeatedStringCallbacksUseOneStringOfThePackageList) {
  Builders::IfrBuilder         Forms;
  size_t                       At = Forms.String (Q (9, 0), 0, 3, 0, false);
  std::vector<std::u16string>  Seen;
  const UINT8                  Ab[6] = { 'a', 0, 'b', 0, 0, 0 };

  UsePackage (Forms);
  CONTROL_RECORD  C = VariableControl (At, CONTROL_TYPE_TEXT, kBoardIndex);
  ASSERT_EQ (WriteVariableBytesNoTranslate (kBoardIndex, 0, sizeof (Ab), (VOID *)Ab), EFI_SUCCESS);
  Driver->OnCallback = [&] (Emu::FakeDriver &, EFI_BROWSER_ACTION, EFI_QUESTION_ID, UINT8, EFI_IFR_TYPE_VALUE *Value,
                         EFI_BROWSER_ACTION_REQUEST *) {
    CHAR16  *Text = HiiGetString (Handle, Value->string, nullptr);
    Seen.push_back ((Text == nullptr) ? u"<none>" : Text);
    FreePool (Text);
    return EFI_SUCCESS;
  };
  Driver->ClearCalls ();

  for (int Call = 0; Call < 3; Call++) {
    ASSERT_EQ (InvokeControlCallback (&C, 9, 0, EFI_BROWSER_ACTION_RETRIEVE), EFI_SUCCESS);
  }

  EXPECT_EQ (Seen, (std::vector<std::u16string> { u"ab", u"ab", u"ab" }));
  ASSERT_EQ (Driver->Calls ().size (), 3u);
  EFI_STRING_ID  First = (EFI_STRING_ID)(Driver->Calls ()[0].Value[0] | (Driver->Calls ()[0].Value[1] << 8));
  for (const auto &Call : Driver->Calls ()) {
    EXPECT_EQ ((EFI_STRING_ID)(Call.Value[0] | (Call.Value[1] << 8)), First);
  }

  CHAR16  *Left = HiiGetString (Handle, First, nullptr);
  ASSERT_NE (Left, nullptr);
  EXPECT_EQ (std::u16string (Left), u"");
  FreePool (Left);
}

// A driver that refuses the change leaves the text the user typed out of the cache.
TEST_F (QuestionValueTest, ARefusedStringChangeKeepsTheOldText) {
  Builders::IfrBuilder  Forms;
  size_t                At = Forms.String (Q (8, 0), 0, 3, 0, false);
  const UINT8           Old[6] = { 'o', 0, 'l', 0, 'd', 0 };
  const UINT8           New[6] = { 'n', 0, 'e', 0, 'w', 0 };

  UsePackage (Forms);
  CONTROL_RECORD  C = VariableControl (At, CONTROL_TYPE_TEXT, kBoardIndex);
  ASSERT_EQ (WriteVariableBytesNoTranslate (kBoardIndex, 0, sizeof (Old), (VOID *)Old), EFI_SUCCESS);
  SaveControlOldValue (&C);
  ASSERT_EQ (WriteVariableBytesNoTranslate (kBoardIndex, 0, sizeof (New), (VOID *)New), EFI_SUCCESS);
  Driver->AddCallbackRule ({ .Action = EFI_BROWSER_ACTION_CHANGING, .QuestionId = 8, .Status = EFI_ACCESS_DENIED, .NewValue = std::nullopt });
  Driver->ClearCalls ();

  EXPECT_EQ (InvokeControlCallback (&C, 8, 0, EFI_BROWSER_ACTION_CHANGING), EFI_ACCESS_DENIED);
  EXPECT_EQ (Driver->Calls ().size (), 1u);     // no CHANGED after a refusal
  EXPECT_EQ (Cached (kBoardIndex), (BYTES { 'o', 0, 'l', 0, 'd', 0, 0x16, 0x17 }));
}

}  // namespace
