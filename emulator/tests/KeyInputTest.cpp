// Key release per wait, the end of the script, scripted times and the text form
// of key scripts, through the three key-input protocols.
#include <Emulator/RunEnded.h>
#include <Emulator/StandardMachine.h>

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class KeyInputTest : public ::testing::Test {
protected:
  Emu::Machine           Machine;
  Emu::STANDARD_DEVICES  Devices = Emu::BuildStandardMachine (Machine, {});
  EFI_BOOT_SERVICES      *BS     = Machine.BootServices ();
  EFI_SIMPLE_TEXT_INPUT_PROTOCOL *ConIn = Machine.SystemTable ()->ConIn;

  EFI_INPUT_KEY WaitAndRead ()
  {
    UINTN          Index = 0;
    EFI_INPUT_KEY  Key {};
    EXPECT_EQ (BS->WaitForEvent (1, &ConIn->WaitForKey, &Index), EFI_SUCCESS);
    EXPECT_EQ (ConIn->ReadKeyStroke (ConIn, &Key), EFI_SUCCESS);
    return Key;
  }
};

// Draining type-ahead before the first wait finds nothing: keys come one per wait.
TEST_F (KeyInputTest, KeysAreReleasedOnePerWait)
{
  EFI_INPUT_KEY  Key {};

  Devices.TextIn->Script ().Append ("F2,Enter,a");
  EXPECT_EQ (ConIn->ReadKeyStroke (ConIn, &Key), EFI_NOT_READY);
  Key = WaitAndRead ();
  EXPECT_EQ (Key.ScanCode, SCAN_F2);
  EXPECT_EQ (ConIn->ReadKeyStroke (ConIn, &Key), EFI_NOT_READY);
  Key = WaitAndRead ();
  EXPECT_EQ (Key.UnicodeChar, CHAR_CARRIAGE_RETURN);
  // CheckEvent counts as a wait too.
  EXPECT_EQ (BS->CheckEvent (ConIn->WaitForKey), EFI_SUCCESS);
  ASSERT_EQ (ConIn->ReadKeyStroke (ConIn, &Key), EFI_SUCCESS);
  EXPECT_EQ (Key.UnicodeChar, u'a');
  EXPECT_EQ (Devices.TextIn->Script ().Remaining (), 0u);
}

// When the script is used up and the program waits for a key with nothing else
// armed, the run ends with KeyScriptExhausted instead of hanging.
TEST_F (KeyInputTest, WaitingPastTheScriptEndsTheRun)
{
  UINTN  Index = 0;

  Devices.TextIn->Script ().Append ("Esc");
  (VOID)WaitAndRead ();
  EXPECT_THROW (BS->WaitForEvent (1, &ConIn->WaitForKey, &Index), Emu::KeyScriptExhausted);
}

// A wait on a key and a time-out still times out after the script ran out, but a
// program that keeps polling past the starvation limit is stopped.
TEST_F (KeyInputTest, TimeoutStillWorksButEndlessPollingIsStopped)
{
  EFI_EVENT  Events[2] = { ConIn->WaitForKey, nullptr };
  UINTN      Index     = 0;

  ASSERT_EQ (BS->CreateEvent (EVT_TIMER, 0, nullptr, nullptr, &Events[1]), EFI_SUCCESS);
  ASSERT_EQ (BS->SetTimer (Events[1], TimerRelative, 10 * Emu::kTicksPerSecond), EFI_SUCCESS);
  ASSERT_EQ (BS->WaitForEvent (2, Events, &Index), EFI_SUCCESS);
  EXPECT_EQ (Index, 1u);
  EXPECT_EQ (Machine.Events ().Now (), 10 * Emu::kTicksPerSecond);

  Devices.TextIn->Script ().SetStarveLimit (60 * Emu::kTicksPerSecond);
  ASSERT_EQ (BS->SetTimer (Events[1], TimerPeriodic, Emu::kTicksPerSecond), EFI_SUCCESS);
  EXPECT_THROW ({
    for (int Round = 0; Round < 1000; Round++) {
      (VOID)BS->WaitForEvent (2, Events, &Index);
    }
  }, Emu::KeyScriptExhausted);
  // The ending came from inside a notify; the TPL is back where the wait ran.
  EXPECT_EQ (Machine.Events ().CurrentTpl (), (EFI_TPL)TPL_APPLICATION);
}

// A key held until a virtual time makes the wait jump the clock there.
TEST_F (KeyInputTest, TimedKeyMovesTheClock)
{
  Devices.TextIn->Script ().Append ("F8@2.5");
  EFI_INPUT_KEY  Key = WaitAndRead ();
  EXPECT_EQ (Key.ScanCode, SCAN_F8);
  EXPECT_EQ (Machine.Events ().Now (), 25000000u);
}

// A program that only stalls and reads still gets a timed key once its time has
// come, but never an untimed one before it waits.
TEST_F (KeyInputTest, TimedKeyArrivesForPlainReads)
{
  EFI_INPUT_KEY  Key {};

  Devices.TextIn->Script ().Append ("F5@1,F6");
  EXPECT_EQ (ConIn->ReadKeyStroke (ConIn, &Key), EFI_NOT_READY);
  ASSERT_EQ (BS->Stall (1000000), EFI_SUCCESS);
  ASSERT_EQ (ConIn->ReadKeyStroke (ConIn, &Key), EFI_SUCCESS);
  EXPECT_EQ (Key.ScanCode, SCAN_F5);
  EXPECT_EQ (ConIn->ReadKeyStroke (ConIn, &Key), EFI_NOT_READY);
}

// The key-code protocol gives the 20-byte record with shift state, EFI key code
// and modifier-only exposed records; the simple protocol skips the latter.
TEST_F (KeyInputTest, KeyCodeRecordsCarryStateAndKeyCode)
{
  KEY_CODE_PROTOCOL  *KeyCode = Devices.TextIn->KeyCode ();
  KEY_CODE_DATA      Record {};
  UINTN              Index = 0;

  ASSERT_NE (KeyCode, nullptr);
  Devices.TextIn->Script ().Append ("Ctrl+F12,Del#31,Shift,x");
  ASSERT_EQ (BS->WaitForEvent (1, &KeyCode->WaitForKeyCode, &Index), EFI_SUCCESS);
  ASSERT_EQ (KeyCode->ReadKeyCode (KeyCode, &Record), EFI_SUCCESS);
  EXPECT_EQ (Record.Key.ScanCode, SCAN_F12);
  EXPECT_EQ (Record.KeyState.KeyShiftState, EFI_SHIFT_STATE_VALID | EFI_LEFT_CONTROL_PRESSED);
  ASSERT_EQ (BS->WaitForEvent (1, &KeyCode->WaitForKeyCode, &Index), EFI_SUCCESS);
  ASSERT_EQ (KeyCode->ReadKeyCode (KeyCode, &Record), EFI_SUCCESS);
  EXPECT_EQ (Record.EfiKey, 31u);
  EXPECT_EQ (Record.EfiKeyIsValid, 1);
  ASSERT_EQ (BS->WaitForEvent (1, &KeyCode->WaitForKeyCode, &Index), EFI_SUCCESS);
  ASSERT_EQ (KeyCode->ReadKeyCode (KeyCode, &Record), EFI_SUCCESS);
  EXPECT_NE (Record.KeyState.KeyToggleState & EFI_KEY_STATE_EXPOSED, 0);
  EXPECT_EQ (Record.Key.UnicodeChar, 0);
  EFI_INPUT_KEY  Key = WaitAndRead ();
  EXPECT_EQ (Key.UnicodeChar, u'x');
}

// Reset flushes a released but unread key and is counted; the wait hook runs on
// every key wait.
TEST_F (KeyInputTest, ResetFlushesAndWaitHookRuns)
{
  int            Hooks = 0;
  EFI_INPUT_KEY  Key {};

  Devices.TextIn->Script ().SetWaitHook ([&Hooks]() { Hooks++; });
  Devices.TextIn->Script ().Append ("a,b");
  ASSERT_EQ (BS->CheckEvent (ConIn->WaitForKey), EFI_SUCCESS);
  ASSERT_EQ (ConIn->Reset (ConIn, FALSE), EFI_SUCCESS);
  EXPECT_EQ (ConIn->ReadKeyStroke (ConIn, &Key), EFI_NOT_READY);
  Key = WaitAndRead ();
  EXPECT_EQ (Key.UnicodeChar, u'b');
  EXPECT_EQ (Hooks, 2);
  EXPECT_EQ (Devices.TextIn->ResetCount (), 1u);
}

// Script text errors name the entry.
TEST (KeyScriptText, RejectsUnknownNames)
{
  EXPECT_THROW (Emu::ParseKeyScript ("F2,Bogus"), std::invalid_argument);
  EXPECT_THROW (Emu::ParseKeyScript ("Hyper+a"), std::invalid_argument);
  EXPECT_THROW (Emu::ParseKeyScript ("a@x"), std::invalid_argument);
  auto  Keys = Emu::ParseKeyScript (" Comma , U+00E9 ,Shift+Tab ");
  ASSERT_EQ (Keys.size (), 3u);
  EXPECT_EQ (Keys[0].Record.Key.UnicodeChar, u',');
  EXPECT_EQ (Keys[1].Record.Key.UnicodeChar, u'\u00E9');
  EXPECT_EQ (Keys[2].Record.KeyState.KeyShiftState, EFI_SHIFT_STATE_VALID | EFI_LEFT_SHIFT_PRESSED);
}

}  // namespace
