// Keys and clicks on the emulator: the action of every key of the table through hook
// 0xFFFF0007, the pointer kinds, the "Key####" options that become boot hotkeys, and
// the POST key poll driven by the key script.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/post/PostHooks.h>
#include <engine/core/HookTable.h>
#include <engine/post/BootScreen.h>
#include <engine/boot/BootFlowCodes.h>
#include <engine/textui/Hotkeys.h>
#include <engine/post/BootFlowCallbacks.h>
#include <engine/browser/SetupEntryRequest.h>
#include <engine/post/PostScreen.h>
#include <Guid/GlobalVariable.h>
#include <Library/MemoryAllocationLib.h>
#include <Resources/EngineStringPackage.h>

#include <Emulator/KeyScript.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr UINT32  kBsRt = EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;
constexpr UINT32  kNvBsRt = EFI_VARIABLE_NON_VOLATILE | kBsRt;

// The key record the emulator's key script makes of one key name.
KEY_CODE_DATA
KeyOf (const std::string &Name)
{
  return Emu::ParseKeyScript (Name).at (0).Record;
}

UINT32
Crc32Of (const std::vector<UINT8> &Data)
{
  UINT32  Crc = 0xFFFFFFFF;
  for (UINT8 Byte : Data) {
    Crc ^= Byte;
    for (int Bit = 0; Bit < 8; Bit++) {
      Crc = (Crc & 1) ? (Crc >> 1) ^ 0xEDB88320 : Crc >> 1;
    }
  }
  return ~Crc;
}

// A key option: KeyData with its modifier bits and the key count, CRC, target, keys.
std::vector<UINT8>
KeyOption (UINT32 Modifiers, UINT32 Crc, UINT16 Target, std::vector<EFI_INPUT_KEY> Keys, UINT32 Count = 99)
{
  EFI_KEY_OPTION      Head { Modifiers | ((Count == 99 ? (UINT32)Keys.size () : Count) << 30), Crc, Target };
  std::vector<UINT8>  Bytes ((UINT8 *)&Head, (UINT8 *)&Head + sizeof (Head));
  for (const EFI_INPUT_KEY &Key : Keys) {
    Bytes.insert (Bytes.end (), (const UINT8 *)&Key, (const UINT8 *)&Key + sizeof (Key));
  }
  return Bytes;
}

TEST (KeyActions, EveryKeyOfTheTableMapsToItsAction) {
  struct { const char *Key; UINT32 Action; } Cases[] = {
    { "Enter", 9 }, { "Tab", 7 }, { "Shift+Tab", 8 }, { "Backspace", 12 }, { "-", 11 }, { "Space", 24 },
    { "+", 10 }, { "Left", 1 }, { "Right", 2 }, { "Up", 3 }, { "Down", 4 }, { "Esc", 13 }, { "PgUp", 5 },
    { "PgDn", 6 }, { "k", 16 }, { "m", 17 }, { "Home", 18 }, { "End", 19 },
    // Outside the table: letters, digits, and nothing for the rest.
    { "K", 14 }, { "M", 14 }, { "Q", 14 }, { "z", 14 }, { "0", 15 }, { "9", 15 }, { "F1", 0 }, { ".", 0 },
    { "Ctrl+Tab", 0 }, { "Ctrl+Enter", 0 },
  };
  for (const auto &Case : Cases) {
    KEY_CODE_DATA  Key = KeyOf (Case.Key);
    EXPECT_EQ (HookMapSetupKey (&Key), Case.Action) << Case.Key;
  }
}

TEST (KeyActions, ShiftTabNeedsRowTwoAndEitherShiftKey) {
  KEY_CODE_DATA  Key = KeyOf ("Tab");
  for (UINT32 Shift : { 0x80000001u, 0x80000002u, 0x80000003u }) {
    Key.KeyState.KeyShiftState = Shift;
    EXPECT_EQ (HookMapSetupKey (&Key), 8u) << Shift;
  }
  Key.KeyState.KeyShiftState = 0x80000005;        // Shift and Ctrl
  EXPECT_EQ (HookMapSetupKey (&Key), 0u);
  Key.KeyState.KeyShiftState = 0;                 // no valid bit: the same as none
  EXPECT_EQ (HookMapSetupKey (&Key), 7u);
}

TEST (KeyActions, PointerClicksMapByKind) {
  struct { UINT32 Kind; UINT32 Action; } Cases[] = { { 1, 13 }, { 2, 20 }, { 4, 9 }, { 6, 21 }, { 9, 22 }, { 3, 0 }, { 0, 0 } };
  for (const auto &Case : Cases) {
    POINTER_ACTION_EVENT  Event { 5, 7, Case.Kind };
    EXPECT_EQ (HookMapPointerAction ((UINT64)(UINTN)&Event), Case.Action) << Case.Kind;
  }
  EXPECT_EQ (HookMapPointerAction (0), 0u);
}

TEST (KeyOptions, SizeMustMatchTheKeyCount) {
  BOOT_KEY_OPTION_INFO  Info;
  auto  One = KeyOption (EFI_KEY_OPTION_SHIFT_PRESSED | EFI_KEY_OPTION_MENU_PRESSED, 0x1234, 7, { { 0x0F, 0 } });
  ASSERT_EQ (ParseBootKeyOption (One.data (), One.size (), &Info), EFI_SUCCESS);
  EXPECT_EQ (Info.ScanCode, 0x0F);
  EXPECT_EQ (Info.ShiftPattern, 0x80000103u);
  EXPECT_EQ (Info.BootOption, 7);
  EXPECT_EQ (Info.BootOptionCrc, 0x1234u);

  // Three keys: the scan codes and characters are OR-ed.
  auto  Three = KeyOption (EFI_KEY_OPTION_CONTROL_PRESSED | EFI_KEY_OPTION_ALT_PRESSED | EFI_KEY_OPTION_LOGO_PRESSED |
                  EFI_KEY_OPTION_SYSREQ_PRESSED, 1, 2, { { 1, 0 }, { 2, u'a' }, { 0, u'b' } });
  ASSERT_EQ (ParseBootKeyOption (Three.data (), Three.size (), &Info), EFI_SUCCESS);
  EXPECT_EQ (Info.ScanCode, 3);
  EXPECT_EQ (Info.UnicodeChar, u'a' | u'b');
  EXPECT_EQ (Info.ShiftPattern, 0x800002FCu);

  auto  Claims3 = KeyOption (0, 1, 2, { { 1, 0 } }, 3);      // says three keys, holds one
  EXPECT_EQ (ParseBootKeyOption (Claims3.data (), Claims3.size (), &Info), EFI_INVALID_PARAMETER);
  auto  Extra = One;
  Extra.push_back (0);
  EXPECT_EQ (ParseBootKeyOption (Extra.data (), Extra.size (), &Info), EFI_INVALID_PARAMETER);
  auto  NoKeys = KeyOption (0, 1, 2, {});
  EXPECT_EQ (ParseBootKeyOption (NoKeys.data (), NoKeys.size (), &Info), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ParseBootKeyOption (One.data (), 9, &Info), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ParseBootKeyOption (nullptr, 0, &Info), EFI_INVALID_PARAMETER);
}

class HotkeysTest : public TextUiMachineTest {
protected:
  void TearDown () override
  {
    FreeBootOptionHotkeys ();
    gHotkeyBootOption     = NO_HOTKEY_BOOT_OPTION;
    gBootFlowRequest      = 0;
    DropSetupEntryRequest ();
    gQuietBootOn          = 0;
    gBootMenuNoticeShown  = FALSE;
    gBoardKeyFlowCallback = nullptr;
    gBoardKeyHandlers     = mSavedHandlers;
    gBootScreenInterface.PrintBootScreenText = mSavedPrint;
    gHiiHandle            = nullptr;
    TextUiMachineTest::TearDown ();
  }

  void PutBoot (UINT16 Number, std::vector<UINT8> Data)
  {
    std::u16string  Text = u"Boot";
    const char  *Hex = "0123456789ABCDEF";
    for (int Shift = 12; Shift >= 0; Shift -= 4) {
      Text += (char16_t)Hex[(Number >> Shift) & 0xF];
    }
    M.Variables ().Put (Text, gEfiGlobalVariableGuid, kNvBsRt, Data);
  }

  void PutKey (const std::u16string &Name, const std::vector<UINT8> &Data, const EFI_GUID &Guid = gEfiGlobalVariableGuid)
  {
    M.Variables ().Put (Name, Guid, kNvBsRt, Data);
  }

  // Appends a key that a plain read finds at once, as the poll only reads.
  void Press (const std::string &Name, UINT32 Shift = 0)
  {
    Emu::SCRIPTED_KEY  Key = Emu::ParseKeyScript (Name + "@0").at (0);
    if (Shift != 0) {
      Key.Record.KeyState.KeyShiftState = Shift;
    }
    Devices.TextIn->Script ().Append (Key);
  }

  // The default itself: the production row of hook 0xFFFF0008 also runs a board member
  // after it, whose answer would hide the poll's.
  UINT64 Poll ()
  {
    HOOK_ARGS  Args = { 2, { 0, 0 } };
    return PollPostHotkeys (&Args);
  }

  BOARD_KEY_HANDLER  *mSavedHandlers = gBoardKeyHandlers;
  decltype (gBootScreenInterface.PrintBootScreenText)  mSavedPrint = gBootScreenInterface.PrintBootScreenText;
};

TEST_F (HotkeysTest, KeyOptionsWithAMatchingCrcBecomeRows) {
  std::vector<UINT8>  Boot1 = { 1, 0, 0, 0, 4, 0, u'A', 0, 0, 0, 0x7F, 0xFF, 4, 0 };
  PutBoot (1, Boot1);
  PutBoot (2, { 9, 9 });
  UINT32  Crc1 = Crc32Of (Boot1);
  PutKey (u"Key0001", KeyOption (EFI_KEY_OPTION_SHIFT_PRESSED, Crc1, 1, { { SCAN_F5, 0 } }));
  PutKey (u"key000a", KeyOption (0, Crc1, 1, { { 0, u'q' } }));                 // case does not matter
  PutKey (u"Key0002", KeyOption (0, Crc1 ^ 1, 1, { { SCAN_F6, 0 } }));           // Boot0001 changed since
  PutKey (u"Key0003", KeyOption (0, 0, 9, { { SCAN_F7, 0 } }));                  // no Boot0009
  PutKey (u"Key0004", KeyOption (0, Crc1, 1, { { SCAN_F9, 0 } }, 2));            // too short for two keys
  PutKey (u"Key00G4", KeyOption (0, Crc1, 1, { { SCAN_F10, 0 } }));              // not a key option name
  PutKey (u"Key00041", KeyOption (0, Crc1, 1, { { SCAN_F10, 0 } }));
  const EFI_GUID  Other = { 1, 2, 3, { 4, 5, 6, 7, 8, 9, 10, 11 } };
  PutKey (u"Key0005", KeyOption (0, Crc1, 1, { { SCAN_F11, 0 } }), Other);       // another vendor's

  LoadBootOptionHotkeys ();
  ASSERT_EQ (gBootHotkeyTable.Count, 2u);
  EXPECT_EQ (gBootHotkeyTable.Capacity, 2u);                  // trimmed
  EXPECT_EQ (gBootHotkeyTable.Rows[0].ScanCode, SCAN_F5);
  EXPECT_EQ (gBootHotkeyTable.Rows[0].ShiftPattern, 0x80000003u);
  EXPECT_EQ (gBootHotkeyTable.Rows[0].BootOption, 1);
  EXPECT_EQ (gBootHotkeyTable.Rows[0].BootOptionCrc, Crc1);
  EXPECT_EQ (gBootHotkeyTable.Rows[1].UnicodeChar, u'q');

  const Emu::VARIABLE  *Support = M.Variables ().Lookup (u"BootOptionSupport", gEfiGlobalVariableGuid);
  ASSERT_NE (Support, nullptr);
  EXPECT_EQ (Support->Attributes, kBsRt);
  EXPECT_EQ (Support->Data, (std::vector<UINT8> { 1, 0, 0, 0 }));
}

TEST_F (HotkeysTest, TheTableGrowsByTenAndIsRebuiltAtEachLoad) {
  std::vector<UINT8>  Boot = { 1, 0, 0, 0, 4, 0, 0, 0, 0x7F, 0xFF, 4, 0 };
  PutBoot (3, Boot);
  for (int Index = 0; Index < 12; Index++) {
    std::u16string  Name = u"Key10";
    Name += (char16_t)(u'0' + Index / 10);
    Name += (char16_t)(u'0' + Index % 10);
    PutKey (Name, KeyOption (0, Crc32Of (Boot), 3, { { 0, (CHAR16)(u'a' + Index) } }));
  }
  M.Variables ().Put (u"BootOptionSupport", gEfiGlobalVariableGuid, kBsRt, { 0x10, 0, 0, 0 });
  LoadBootOptionHotkeys ();
  EXPECT_EQ (gBootHotkeyTable.Count, 12u);
  EXPECT_EQ (gBootHotkeyTable.Capacity, 12u);
  EXPECT_EQ (M.Variables ().Lookup (u"BootOptionSupport", gEfiGlobalVariableGuid)->Data,
    (std::vector<UINT8> { 0x11, 0, 0, 0 }));

  // A failed growth drops that option only.
  M.Memory ().FailAllocationsFrom (1);
  RegisterBootOptionHotkey (u"Key1000");
  M.Memory ().FailAllocationsFrom (0);
  EXPECT_EQ (gBootHotkeyTable.Count, 12u);

  PutBoot (3, { 0 });                          // every option's target changed
  LoadBootOptionHotkeys ();
  EXPECT_EQ (gBootHotkeyTable.Count, 0u);
  EXPECT_EQ (gBootHotkeyTable.Rows, nullptr);
}

TEST_F (HotkeysTest, DelF2AndDotRequestSetupOnlyWithoutModifiers) {
  for (const char *Key : { "Del", "F2", "." }) {
    DropSetupEntryRequest ();
    Press (Key);
    EXPECT_EQ (Poll (), EFI_NOT_READY);
    EXPECT_TRUE (SetupEntryRequested ()) << Key;
  }
  DropSetupEntryRequest ();
  Press (">");
  Press ("Ctrl+Del");
  Press ("Alt+F2");
  Poll ();
  Poll ();
  Poll ();
  EXPECT_FALSE (SetupEntryRequested ());
  EXPECT_EQ (gBootFlowRequest, 0u);

  // The hook's production row reaches the same poll.
  Press ("F2");
  (VOID)HookPostKeyPoll (0, 0);
  EXPECT_TRUE (SetupEntryRequested ());
}

TEST_F (HotkeysTest, CtrlDelGoesOnToTheBootHotkeysAndEitherShiftTriggersAShiftOption) {
  std::vector<UINT8>  Boot = { 1, 0, 0, 0, 4, 0, 0, 0, 0x7F, 0xFF, 4, 0 };
  PutBoot (0x12, Boot);
  PutBoot (0x13, Boot);
  PutKey (u"Key0001", KeyOption (EFI_KEY_OPTION_CONTROL_PRESSED, Crc32Of (Boot), 0x12, { { SCAN_DELETE, 0 } }));
  PutKey (u"Key0002", KeyOption (EFI_KEY_OPTION_SHIFT_PRESSED, Crc32Of (Boot), 0x13, { { SCAN_F5, 0 } }));
  LoadBootOptionHotkeys ();

  Press ("Ctrl+Del");
  Poll ();
  EXPECT_FALSE (SetupEntryRequested ());
  EXPECT_EQ (gBootFlowRequest, (UINT32)BOOT_FLOW_HOTKEY_BOOT);
  EXPECT_EQ (gHotkeyBootOption, 0x12u);

  for (UINT32 Shift : { 0x80000001u, 0x80000002u }) {
    gBootFlowRequest = 0;
    Press ("F5", Shift);
    Poll ();
    EXPECT_EQ (gHotkeyBootOption, 0x13u) << Shift;
  }
  gBootFlowRequest  = 0;
  gHotkeyBootOption = NO_HOTKEY_BOOT_OPTION;
  Press ("F5");                                  // no Shift: not this option
  Poll ();
  EXPECT_EQ (gHotkeyBootOption, NO_HOTKEY_BOOT_OPTION);
}

static std::vector<std::u16string>  mPrinted;

static EFI_STATUS EFIAPI
RecordPrint (CHAR16 *Text)
{
  mPrinted.push_back (Text);
  return EFI_SUCCESS;
}

TEST_F (HotkeysTest, F8AsksForTheBootMenuAndPrintsItsNoticeOnce) {
  ASSERT_EQ (Hii->NewPackageList ((CONST EFI_HII_PACKAGE_LIST_HEADER *)gSetupEngineStringPackageList, nullptr,
               &gHiiHandle), EFI_SUCCESS);
  gBootScreenInterface.PrintBootScreenText = RecordPrint;
  mPrinted.clear ();
  Press ("F8");
  Poll ();
  EXPECT_EQ (gBootFlowRequest, (UINT32)BOOT_FLOW_BOOT_MENU);
  gBootFlowRequest = 0;
  Press ("F8");
  Poll ();
  EXPECT_EQ (gBootFlowRequest, (UINT32)BOOT_FLOW_BOOT_MENU);
  ASSERT_EQ (mPrinted.size (), 1u);
  EXPECT_EQ (mPrinted[0], u"Entering Boot Menu...");
}

TEST_F (HotkeysTest, TypedAheadKeysAreDroppedAndAPendingRequestStopsThePoll) {
  Press ("F2");
  Press ("F8");                                  // typed ahead: dropped
  EXPECT_EQ (Poll (), EFI_NOT_READY);
  EXPECT_TRUE (SetupEntryRequested ());
  EXPECT_EQ (gBootFlowRequest, 0u);
  EXPECT_EQ (Devices.TextIn->Script ().Remaining (), 0u);

  Press ("F8");                                  // setup is already asked for: left unread
  EXPECT_EQ (Poll (), EFI_SUCCESS);
  EXPECT_EQ (gBootFlowRequest, 0u);
  EXPECT_EQ (Devices.TextIn->Script ().Remaining (), 1u);

  DropSetupEntryRequest ();
  Press ("Shift");                               // a modifier alone is no key
  EXPECT_EQ (Poll (), EFI_NOT_READY);
}

static BOOLEAN
ClaimZ (CHAR16 Char, UINT16 Scan, UINT32 Shift, BOOT_FLOW_CALLBACK *Callback)
{
  (VOID)Scan;
  (VOID)Shift;
  *Callback = (Char == u'z') ? BootMenuFlowCallback : nullptr;
  return (BOOLEAN)(Char == u'z');
}

TEST_F (HotkeysTest, ABoardHandlerThatClaimsAKeyChoosesFlow0x1005) {
  BOARD_KEY_HANDLER  Handlers[] = { ClaimZ, nullptr };
  gBoardKeyHandlers = Handlers;
  Press ("y");
  Poll ();
  EXPECT_EQ (gBootFlowRequest, 0u);
  Press ("z");
  Poll ();
  EXPECT_EQ (gBootFlowRequest, (UINT32)BOOT_FLOW_BOARD_KEY);
  EXPECT_EQ (gBoardKeyFlowCallback, (BOOT_FLOW_CALLBACK)BootMenuFlowCallback);
}

TEST_F (HotkeysTest, TabLeavesTheQuietBootLogo) {
  gGraphicsOutput = Devices.Graphics->Protocol ();
  Press ("Tab");
  Poll ();
  EXPECT_TRUE (Devices.Graphics->BltLog ().empty ());    // not in quiet boot: ignored
  gQuietBootOn = 1;
  Press ("Tab");
  Poll ();
  EXPECT_EQ (gQuietBootOn, 0);
  ASSERT_EQ (Devices.Graphics->BltLog ().size (), 1u);
  EXPECT_EQ (Devices.Graphics->BltLog ()[0].Operation, EfiBltVideoFill);
  EXPECT_EQ (Devices.Graphics->BltLog ()[0].Width, 1024u);
}

// Firmware without key-code input (OVMF) still has its hotkeys: the keys come through
// input-ex, or through simple input where there is no input-ex.
TEST_F (HotkeysTest, WithoutKeyCodeInputTheKeysComeThroughInputEx) {
  Emu::MACHINE_OPTIONS  Options;
  Options.KeyCode = false;
  Rebuild (Options);
  Press ("Ctrl+F2");
  Poll ();
  EXPECT_FALSE (SetupEntryRequested ());       // the shift state still counts
  Press ("F2");
  Poll ();
  EXPECT_TRUE (SetupEntryRequested ());

  // Without input-ex either, the console's simple input still brings F8.
  Options.InputEx = false;
  Rebuild (Options);
  DropSetupEntryRequest ();
  Press ("F8");
  Poll ();
  EXPECT_EQ (gBootFlowRequest, (UINT32)BOOT_FLOW_BOOT_MENU);
}

}  // namespace
