/** @file
  The boot loop: "BootNext" once, then the leading active options of "BootOrder",
  pass after pass while the boot-flow table asks for more, and at the end the
  "Reboot and Select proper Boot device" screen. It never ends by itself: it hands
  control back to the POST flow's decision point, or leaves the flow when the
  firmware's own boot manager is to boot.
**/
#include <engine/boot/BootFlowCodes.h>
#include <engine/boot/BootLaunch.h>
#include <engine/boot/LegacyDevOrder.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/HookTable.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/variables/VariableCache.h>
#include <engine/browser/SetupEntryRequest.h>
#include <Resources/EngineStringIds.h>

#include <Guid/GlobalVariable.h>
#include <Library/BaseLib.h>
#include <Library/HobLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>
#include <Protocol/LegacyBios.h>
#include <Protocol/SimpleTextIn.h>
#include <Protocol/SimpleTextOut.h>

EFI_STATUS  (*gBootFlowDefaultBoot)(VOID) = NULL;

//
// Without console input no key can end a wait, and a pass that fails at once would
// follow the last one without end (relaunching every option, signalling ready-to-boot
// each time). The loop pauses instead, in steps, so that a console that arrives
// meanwhile is waited on at the next pass.
//
#define NO_CONSOLE_PAUSE_STEP_US    (100 * 1000)
#define NO_CONSOLE_PAUSE_STEPS      50

// Signalled right after the first launch of the boot loop.
static EFI_GUID  mFirstLaunchGroup = { 0xC48D651C, 0x9D0E, 0x4CE7, { 0xAD, 0x39, 0xED, 0xD1, 0xAB, 0x83, 0x6B, 0x30 } };

static CONST CHAR16  mRebootMessage[] =
  u"Reboot and Select proper Boot device\r\nor Insert Boot Media in selected Boot device and press a key";

static
VOID
DiscardKeys (
  VOID
  )
{
  EFI_INPUT_KEY  Key;

  // Bounded: a console that never runs dry must not hold the boot loop.
  for (UINTN Index = 0; Index < 256; Index++) {
    if (EFI_ERROR (gST->ConIn->ReadKeyStroke (gST->ConIn, &Key))) {
      break;
    }
  }
}

/** A pause between passes while there is no console input; it ends early when one arrives. */
static
VOID
PauseWithoutConsole (
  VOID
  )
{
  for (UINTN Step = 0; (Step < NO_CONSOLE_PAUSE_STEPS) && (gST->ConIn == NULL); Step++) {
    (VOID)gBS->Stall (NO_CONSOLE_PAUSE_STEP_US);
  }
}

/**
  Waits until a key can be read, without reading it; TRUE when there is console input.
  Without one the wait is a pause, so that no caller's loop can spin.
**/
static
BOOLEAN
WaitForKeyOrPause (
  VOID
  )
{
  UINTN  Index;

  if ((gST->ConIn == NULL) || (gST->ConIn->WaitForKey == NULL)) {
    PauseWithoutConsole ();
    return FALSE;
  }
  // A failed wait goes on as a key would: the caller reads what there is.
  (VOID)gBS->WaitForEvent (1, &gST->ConIn->WaitForKey, &Index);
  return TRUE;
}

/** Waits for one key and answers it; a scan code of 0 and character 0 when there is no input. */
static
EFI_INPUT_KEY
WaitForOneKey (
  VOID
  )
{
  EFI_INPUT_KEY  Key = { 0, 0 };

  // A failed read leaves Key empty, which every caller takes as "any key".
  if (WaitForKeyOrPause ()) {
    (VOID)gST->ConIn->ReadKeyStroke (gST->ConIn, &Key);
  }
  return Key;
}

static
VOID
PrintOnConsole (
  IN CONST CHAR16  *Text
  )
{
  if ((gST->ConOut != NULL) && (Text != NULL)) {
    (VOID)gST->ConOut->OutputString (gST->ConOut, (CHAR16 *)Text);  // nothing to do about a console that fails
  }
}

/** "No option to boot to.", a key, and the hotkeys that key may have been. */
static
VOID
ShowNoOptionAndWait (
  VOID
  )
{
  CHAR16  *Text = HiiGetString (ENGINE_OWN_HII_HANDLE, STR_NO_BOOT_OPTION, NULL);

  PrintOnConsole (Text);
  FreePool (Text);
  // The key stays unread for the hotkey poll: Del or F2 here is the way into setup.
  (VOID)WaitForKeyOrPause ();
  (VOID)HookPostKeyPoll (0, 0);     // the requests it sets are read by the caller
  // A key the poll left (no hotkey, or a poll that reads none) is still this pass's key.
  if (gST->ConIn != NULL) {
    DiscardKeys ();
  }
}

/** A "BootNext" of two bytes is deleted before it boots, so a failing one is tried once. */
static
BOOLEAN
BootNextOnce (
  IN OUT EFI_STATUS  *Status
  )
{
  UINT16      Number;
  UINTN       Size = sizeof (Number);
  UINT32      Attributes;

  if (EFI_ERROR (gRT->GetVariable ((CHAR16 *)u"BootNext", &gEfiGlobalVariableGuid, &Attributes, &Size, &Number)) ||
      (Size != sizeof (Number)))
  {
    return FALSE;
  }
  // The firmware's own boot manager, which flow 7 hands over to, boots it: leave it for that.
  if (gBootFlowRequest == BOOT_FLOW_FIRMWARE_BOOTS) {
    return TRUE;
  }
  // Should the delete fail, the launch still happens; the next POST would try it again.
  (VOID)gRT->SetVariable ((CHAR16 *)u"BootNext", &gEfiGlobalVariableGuid,
               EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS, 0, NULL);
  *Status = LaunchBootOption (Number, NULL, 0);
  return FALSE;
}

/** The leading entries of "BootOrder" whose option exists and is active (a pool copy, or null). */
static
UINT16 *
ReadCandidates (
  OUT UINTN  *Count
  )
{
  UINT16            *Order = NULL;
  UINTN             Size   = 0;
  BOOT_OPTION_INFO  *Record;

  *Count = 0;
  if (EFI_ERROR (GetVariableBuffer (u"BootOrder", &gEfiGlobalVariableGuid, (VOID **)&Order, &Size, NULL))) {
    return NULL;
  }
  while (*Count < Size / sizeof (UINT16)) {
    Record = FindBootOption (ReadUnaligned16 (&Order[*Count]));
    if ((Record == NULL) || ((Record->Attributes & LOAD_OPTION_ACTIVE) == 0)) {
      break;
    }
    (*Count)++;
  }
  return Order;
}

/** A legacy group boots only when its group of "LegacyDevOrder" is whole, has devices and its first is enabled. */
static
BOOLEAN
LegacyGroupBootable (
  IN CONST BOOT_OPTION_INFO  *Record
  )
{
  UINTN         Size = 0;
  BOOLEAN       Owned;
  UINT8         *Order = ReadLegacyDevOrder (&Size, &Owned);
  LEGACY_GROUP  Group;
  // A group without devices has no first device: the next group's bytes would stand in.
  BOOLEAN       Bootable = (BOOLEAN)(ReadLegacyGroup (Order, Size, Record->LegacyGroupOffset, &Group) &&
                                     (Group.Count != 0) &&
                                     ((LegacyGroupIndex (&Group, 0) & LEGACY_INDEX_DISABLED) == 0));

  if (Owned) {
    FreePool (Order);
  }
  return Bootable;
}

/**
  One pass over the candidates. TRUE when the flow must leave (boot flow 7 came up),
  with *Status the launch's status.
**/
static
BOOLEAN
LaunchCandidates (
  IN     UINT16      *Order,
  IN     UINTN       Count,
  IN OUT BOOLEAN     *Signalled,
  IN OUT EFI_STATUS  *Status
  )
{
  BOOT_OPTION_INFO  *Record;

  for (UINTN Index = 0; Index < Count; Index++) {
    Record = FindBootOption (ReadUnaligned16 (&Order[Index]));
    if ((Record == NULL) || ((Record->Attributes & LOAD_OPTION_ACTIVE) == 0) ||
        (IsLegacyGroup (Record) && !LegacyGroupBootable (Record)))
    {
      continue;
    }
    *Status = LaunchBootOption (Record->OptionNumber, &Order[Index], Count - Index);
    if (!*Signalled) {
      *Signalled = TRUE;
      (VOID)SignalProtocolNotify (&mFirstLaunchGroup);  // listeners are optional
    }
    if (gBootFlowRequest == BOOT_FLOW_FIRMWARE_BOOTS) {
      return TRUE;
    }
  }
  return FALSE;
}

/** The text mode of 100 x 31 cells, else the first of 80 x 25. */
static
VOID
SelectRebootScreenMode (
  VOID
  )
{
  UINTN  Columns;
  UINTN  Rows;
  INT32  Fallback = -1;

  for (INT32 Mode = 0; Mode < gST->ConOut->Mode->MaxMode; Mode++) {
    if (EFI_ERROR (gST->ConOut->QueryMode (gST->ConOut, (UINTN)Mode, &Columns, &Rows))) {
      continue;
    }
    if ((Columns == TEXT_SCREEN_MAX_COLUMNS) && (Rows == TEXT_SCREEN_MAX_ROWS)) {
      (VOID)gST->ConOut->SetMode (gST->ConOut, (UINTN)Mode);  // the current mode still shows the text
      return;
    }
    if ((Fallback < 0) && (Columns == 80) && (Rows == 25)) {
      Fallback = Mode;
    }
  }
  if (Fallback >= 0) {
    (VOID)gST->ConOut->SetMode (gST->ConOut, (UINTN)Fallback);     // a console that keeps its mode is drawn on as it is
  }
}

/** Nothing booted: the message, one key (Esc shows the message again first), then the decision point. */
static
VOID
ShowRebootScreen (
  VOID
  )
{
  EFI_INPUT_KEY  Key;

  DropSetupEntryRequest ();
  if (gST->ConOut != NULL) {
    // Each step only shapes how the message looks; a console that refuses one still shows it.
    (VOID)gST->ConOut->Reset (gST->ConOut, FALSE);
    SelectRebootScreenMode ();
    (VOID)gST->ConOut->EnableCursor (gST->ConOut, FALSE);
    (VOID)gST->ConOut->SetAttribute (gST->ConOut, TEXT_DEFAULT_ATTRIBUTE);
    (VOID)gST->ConOut->ClearScreen (gST->ConOut);
  }
  PrintOnConsole (mRebootMessage);
  if (gST->ConIn == NULL) {
    PauseWithoutConsole ();
    return;
  }
  DiscardKeys ();
  Key = WaitForOneKey ();
  if (Key.ScanCode == SCAN_ESC) {
    PrintOnConsole (mRebootMessage);
  }
}

/** Every option failed: the legacy BIOS's own boot at user level, setup in recovery, else the message. */
static
VOID
NothingBooted (
  VOID
  )
{
  EFI_BOOT_MODE  Mode;

  if ((gAccessLevel == ACCESS_LEVEL_USER) && !EFI_ERROR (LocateLegacyBios ())) {
    // When the legacy boot comes back the screen below still tells the user what happened.
    (VOID)gLegacyBios->LegacyBoot (gLegacyBios, NULL, 0, NULL);
  }
  Mode = GetBootModeHob ();
  if ((Mode == BOOT_IN_RECOVERY_MODE) || (Mode == BOOT_ON_FLASH_UPDATE)) {
    RequestSetupEntry ();
    return;
  }
  ShowRebootScreen ();
}

static EFI_STATUS
BootFlowDefaultBoot (
  VOID
  )
{
  return (gBootFlowDefaultBoot == NULL) ? EFI_UNSUPPORTED : gBootFlowDefaultBoot ();
}

/**
  An empty run: the boot-flow table's default boot, and while it starts nothing the
  message and a key. TRUE when the key asked for setup.
**/
static
BOOLEAN
RunDefaultWhileNotStarted (
  VOID
  )
{
  EFI_STATUS  Status = BootFlowDefaultBoot ();

  while (Status == EFI_NOT_STARTED) {
    ShowNoOptionAndWait ();
    if (SetupEntryRequested ()) {
      return TRUE;
    }
    Status           = BootFlowDefaultBoot ();
    gBootFlowRequest = BOOT_FLOW_NONE;
  }
  return FALSE;
}

BOOT_LOOP_RESULT
RunBootLoop (
  OUT EFI_STATUS  *Status
  )
{
  UINTN    Count;
  UINT16   *Order;
  BOOLEAN  Signalled = FALSE;

  *Status = EFI_SUCCESS;
  if (BootNextOnce (Status)) {
    return BootLoopLeave;
  }
  Order = ReadCandidates (&Count);
  if ((Count == 0) && RunDefaultWhileNotStarted ()) {
    FreePool (Order);
    return BootLoopToDecision;
  }
  if (!SetupEntryRequested ()) {
    CloseEventAndClear (&gBootScreenTimerEvent);
  }
  while (Count != 0) {
    if (LaunchCandidates (Order, Count, &Signalled, Status)) {
      FreePool (Order);
      return BootLoopLeave;
    }
    if (BootFlowDefaultBoot () != EFI_NOT_STARTED) {
      break;
    }
    // Without a key between passes a machine whose options all fail would relaunch them without end.
    ShowNoOptionAndWait ();
    if (SetupEntryRequested ()) {
      FreePool (Order);
      return BootLoopToDecision;
    }
  }
  FreePool (Order);
  NothingBooted ();
  return BootLoopToDecision;
}
