// The console side of the text screen on the emulator: the key reader with its
// time-out and type-ahead drop, timer events, the POST message window, and strings
// added in every language.
#include <engine/testing/TextUiMachineTest.h>

#include <Library/MemoryAllocationLib.h>
#include <Resources/EngineStringPackage.h>
#include <Uefi/UefiHii.h>

#include <string>
#include <vector>

namespace {

class TextConsoleTest : public TextUiMachineTest {
protected:
  EFI_STATUS Read (KEY_CODE_DATA *Record) { return ReadKeyWithTimeout (Record); }
};

TEST_F (TextConsoleTest, KeysAreReadOneByOneAndAnEmptyWaitTimesOutAfter50Ms) {
  Devices.TextIn->Script ().Append ("a,F2");
  KEY_CODE_DATA  Record;
  ASSERT_EQ (Read (&Record), EFI_SUCCESS);
  EXPECT_EQ (Record.Key.UnicodeChar, u'a');
  ASSERT_EQ (Read (&Record), EFI_SUCCESS);
  EXPECT_EQ (Record.Key.ScanCode, 0x0C);

  UINT64  Before = M.Events ().Now ();
  UINTN   Open   = M.Events ().OpenEventCount ();
  EXPECT_EQ (Read (&Record), EFI_NOT_READY);
  EXPECT_EQ (M.Events ().Now () - Before, 500000u);
  EXPECT_EQ (M.Events ().OpenEventCount (), Open);   // the timer was closed
}

TEST_F (TextConsoleTest, AModifierOnlyRecordIsNoKeyAndTypeAheadIsDropped) {
  Devices.TextIn->Script ().Append ("Shift");
  KEY_CODE_DATA  Record;
  EXPECT_EQ (Read (&Record), EFI_NOT_READY);

  // Both keys are due at once: the first is read, the second is typed ahead.
  Devices.TextIn->Script ().Append ("x@0.5,y@0.5");
  ASSERT_EQ (Read (&Record), EFI_NOT_READY);      // nothing within the first 50 ms
  M.Events ().AdvanceTo (5000000);
  ASSERT_EQ (Read (&Record), EFI_SUCCESS);
  EXPECT_EQ (Record.Key.UnicodeChar, u'x');
  EXPECT_EQ (Read (&Record), EFI_NOT_READY);
  EXPECT_EQ (Devices.TextIn->Script ().Remaining (), 0u);
}

// Firmware without key-code input (OVMF): the keys come through the console's input-ex,
// with their shift state, or through its simple input when it has no input-ex.
TEST_F (TextConsoleTest, WithoutKeyCodeInputKeysComeThroughTheConsolesOwnInput) {
  Emu::MACHINE_OPTIONS  Options;
  Options.KeyCode = false;
  Rebuild (Options);
  KEY_CODE_DATA  Record;
  Devices.TextIn->Script ().Append ("Ctrl+F2");
  ASSERT_EQ (Read (&Record), EFI_SUCCESS);
  EXPECT_EQ (Record.Key.ScanCode, 0x0C);
  EXPECT_NE (Record.KeyState.KeyShiftState & (EFI_LEFT_CONTROL_PRESSED | EFI_RIGHT_CONTROL_PRESSED), 0u);
  EXPECT_EQ (Record.EfiKey, 0u);          // no physical key known
  Devices.TextIn->Script ().Append ("Shift");
  EXPECT_EQ (Read (&Record), EFI_NOT_READY);     // a modifier alone
  Devices.TextIn->Script ().Append ("a@0.5,b@0.5");
  M.Events ().AdvanceTo (5000000);
  ASSERT_EQ (Read (&Record), EFI_SUCCESS);
  EXPECT_EQ (Record.Key.UnicodeChar, u'a');
  EXPECT_EQ (Read (&Record), EFI_NOT_READY);     // b was typed ahead
  EXPECT_EQ (Devices.TextIn->Script ().Remaining (), 0u);

  Options.InputEx = false;
  Rebuild (Options);
  Devices.TextIn->Script ().Append ("Down,Enter");
  ASSERT_EQ (Read (&Record), EFI_SUCCESS);
  EXPECT_EQ (Record.Key.ScanCode, SCAN_DOWN);
  ASSERT_EQ (Read (&Record), EFI_SUCCESS);
  EXPECT_EQ (Record.Key.UnicodeChar, CHAR_CARRIAGE_RETURN);
  EXPECT_EQ (Read (&Record), EFI_NOT_READY);

  Options.ConIn = false;
  Rebuild (Options);
  EXPECT_EQ (Read (&Record), EFI_NOT_READY);
}

static UINTN  mTicks;

static VOID EFIAPI
CountTick (EFI_EVENT Event, VOID *Context)
{
  (VOID)Event;
  (VOID)Context;
  mTicks++;
}

TEST_F (TextConsoleTest, TimerEventsAndTheirClose) {
  EFI_EVENT  Event = nullptr;
  mTicks = 0;
  ASSERT_EQ (CreateTimerEvent (&Event, CountTick, nullptr, TimerPeriodic, 100000, TPL_CALLBACK), EFI_SUCCESS);
  M.Events ().Advance (350000);
  EXPECT_EQ (mTicks, 3u);
  CloseEventAndClear (&Event);
  EXPECT_EQ (Event, nullptr);
  CloseEventAndClear (&Event);          // twice is harmless

  UINTN  Open = M.Events ().OpenEventCount ();
  EXPECT_EQ (CreateTimerEvent (&Event, nullptr, nullptr, (EFI_TIMER_DELAY)7, 1, TPL_CALLBACK), EFI_INVALID_PARAMETER);
  EXPECT_EQ (Event, nullptr);
  EXPECT_EQ (M.Events ().OpenEventCount (), Open);
}

TEST_F (TextConsoleTest, PostMessagesScrollInsideTheirWindow) {
  ClearTextScreen ();
  gPostWindow.BottomLimit = 5;
  OpenPostWindow (2);
  PostWindowPrint (u"one\r\ntwo\n\rthree", TRUE);
  EXPECT_EQ (Shown (0, 2, 3), u"one");
  EXPECT_EQ (Shown (0, 3, 3), u"two");
  EXPECT_EQ (Shown (0, 4, 5), u"three");
  EXPECT_EQ (gPostCursorRow, 4u);
  EXPECT_EQ (gPostCursorColumn, 5u);

  PostWindowPrint (u"!\nfour", TRUE);
  EXPECT_EQ (Shown (0, 2, 3), u"two");
  EXPECT_EQ (Shown (0, 3, 6), u"three!");
  EXPECT_EQ (Shown (0, 4, 5), u"four ");
  EXPECT_EQ (Shown (0, 1, 3), u"   ");     // nothing above the window moved
  EXPECT_EQ (Shown (0, 5, 3), u"   ");

  // Without scrolling the last line is kept and the rest is dropped.
  PostWindowPrint (u"\nfive", FALSE);
  EXPECT_EQ (Shown (0, 4, 5), u"four ");
  EXPECT_EQ (Shown (0, 2, 3), u"two");
}

TEST_F (TextConsoleTest, ALongPostLineIsCutAtTheWindowAndTheWindowNarrows) {
  ClearTextScreen ();
  OpenPostWindow (0);
  PostWindowPrint (std::u16string (120, u'x').c_str (), TRUE);
  EXPECT_EQ (Drawn (0, 0, 100), std::u16string (100, u'x'));
  EXPECT_EQ (Drawn (0, 1, 1), u" ");
  ResizePostWindow (40);
  EXPECT_EQ (Drawn (39, 0, 2), u"x ");
  EXPECT_EQ (gPostCursorColumn, 40u);
  ResizePostWindow (500);
  EXPECT_EQ (gPostWindow.RightLimit, 100u);
}

TEST_F (TextConsoleTest, OpeningTheWindowElsewhereTakesItsLinesAlong) {
  ClearTextScreen ();
  OpenPostWindow (1);
  PostWindowPrint (u"a\nb\nc", TRUE);
  OpenPostWindow (10);
  EXPECT_EQ (Shown (0, 10, 1), u"a");
  EXPECT_EQ (Shown (0, 12, 1), u"c");
  EXPECT_EQ (gPostCursorRow, 12u);
  // Near the bottom only the newest lines fit.
  OpenPostWindow (29);
  EXPECT_EQ (Shown (0, 29, 1), u"b");
  EXPECT_EQ (Shown (0, 30, 1), u"c");
  EXPECT_EQ (gPostCursorRow, 30u);
  OpenPostWindow (400);
  EXPECT_EQ (gPostWindow.TopRow, 30u);
}

class HiiStringsTest : public TextConsoleTest {
protected:
  void SetUp () override
  {
    TextConsoleTest::SetUp ();
    ASSERT_EQ (Hii->NewPackageList ((CONST EFI_HII_PACKAGE_LIST_HEADER *)gSetupEngineStringPackageList, nullptr,
                 &Handle), EFI_SUCCESS);
  }

  void TearDown () override
  {
    gLanguageList  = nullptr;
    gLanguageCount = 0;
    TextConsoleTest::TearDown ();
  }

  void UseLanguages (std::vector<const CHAR16 *> Codes)
  {
    Entries.assign (Codes.size (), LANGUAGE_ENTRY {});
    for (size_t Index = 0; Index < Codes.size (); Index++) {
      Entries[Index].UnicodeCode = (CHAR16 *)Codes[Index];
    }
    gLanguageList  = Entries.data ();
    gLanguageCount = Entries.size ();
  }

  EFI_HII_HANDLE               Handle = nullptr;
  std::vector<LANGUAGE_ENTRY>  Entries;
};

// One id names the string in every language; an empty language list uses English and a
// missing language is passed over.
TEST_F (HiiStringsTest, OneIdInEveryLanguage) {
  UINT16  Id = HiiAddStringAllLanguages (Handle, u"Alone");
  ASSERT_NE (Id, 0xFFFF);
  EXPECT_EQ (Hii->String (Handle, "en-US", Id), std::u16string (u"Alone"));

  UseLanguages ({ u"fr-FR", u"en-US", u"de-DE" });
  Id = HiiAddStringAllLanguages (Handle, u"Disque 1");
  ASSERT_NE (Id, 0xFFFF);
  for (const char *Language : { "en-US", "fr-FR", "de-DE" }) {
    EXPECT_EQ (Hii->String (Handle, Language, Id), std::u16string (u"Disque 1")) << Language;
  }

  UseLanguages ({ u"en-US", u"ja-JP", u"de-DE" });
  Id = HiiAddStringAllLanguages (Handle, u"Zwei");
  ASSERT_NE (Id, 0xFFFF);
  EXPECT_EQ (Hii->String (Handle, "de-DE", Id), std::u16string (u"Zwei"));

  EXPECT_EQ (HiiAddStringAllLanguages ((EFI_HII_HANDLE)0x1234, u"x"), 0xFFFF);
  EXPECT_EQ (HiiAddStringAllLanguages (Handle, nullptr), 0xFFFF);
}

}  // namespace
