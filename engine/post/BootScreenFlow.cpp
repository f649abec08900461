/** @file
  The POST flow that runs from the power-on screen to the boot of an option or the
  entry into setup: the hotkey wait on the boot time-out, the boot-flow table and the
  boot decision.
**/
#include <engine/post/PostScreen.h>
#include <engine/boot/BootGraphics.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/core/TaskPriority.h>
#include <engine/core/HookTable.h>
#include <engine/forms/Passwords.h>
#include <engine/post/BootScreen.h>
#include <engine/post/PostHooks.h>
#include <engine/textui/PasswordPrompt.h>
#include <engine/textui/TuiPopup.h>
#include <engine/post/BootScreenDialogs.h>
#include <engine/boot/BootFlowCodes.h>
#include <engine/boot/BootLaunch.h>
#include <engine/boot/BootMenu.h>
#include <engine/boot/BootOptions.h>
#include <engine/boot/OptionLists.h>
#include <engine/textui/Hotkeys.h>
#include <engine/textui/TextEntryBox.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/variables/VariableCache.h>
#include <engine/browser/DynamicPages.h>
#include <engine/core/FrontEnd.h>
#include <engine/browser/SetupEntryRequest.h>

#include <Library/BaseMemoryLib.h>
#include <Library/IoLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/ReportStatusCodeLib.h>
#include <Library/UefiLib.h>
#include <Protocol/SimpleTextIn.h>
#include <Protocol/SimpleTextOut.h>

#define TIMEOUT_DEFAULT_SECONDS   10
#define TIMEOUT_NONE              65535
#define TIMEOUT_LONGEST           65534
#define TIMEOUT_TENTHS_LIMIT      6553
#define TIMER_UNITS_PER_TENTH     1000000ULL
#define POST_POLL_PERIOD          5000000ULL       // 0.5 s
#define KBC_POLL_PERIOD           1000000ULL       // 100 ms
#define KBC_STATUS_PORT           0x64
#define KBC_OUTPUT_FULL           0x01
#define POST_CODE_PORT            0x80
#define WAIT_PASS_LIMIT           69999            // only when no timer could be armed
#define WAIT_IDLE_STALL           1000             // microseconds a pass waits without console input

// Event groups board code listens to, and the flow's moments they mark.
static EFI_GUID  mFlowSettingsReadGroup = { 0xFEF8E123, 0x4A35, 0x404C, { 0x94, 0x95, 0xDC, 0xCE, 0x76, 0x37, 0x11, 0xEF } };
static EFI_GUID  mWaitStartGroup = { 0x1CBFC9B6, 0x7F1E, 0x4E9E, { 0x80, 0x1F, 0xFB, 0xCE, 0x4D, 0x92, 0xA7, 0x6D } };
static EFI_GUID  mWaitEndGroup   = { 0xCAD40D6E, 0xC871, 0x4398, { 0x91, 0x0D, 0x2D, 0x74, 0xEE, 0x94, 0x71, 0x1A } };
static EFI_GUID  mUpdateRequestGuid = { 0x96569704, 0xFCF8, 0x4D11, { 0x99, 0x72, 0x95, 0xC0, 0xE1, 0xFF, 0x65, 0xB7 } };
static EFI_GUID  mCmosFailGuid   = { 0xC89DC9C7, 0x5105, 0x472C, { 0xA7, 0x43, 0xB1, 0x62, 0x1E, 0x14, 0x2B, 0x41 } };

UINT64  gBootScreenEntryCount = 0;

static volatile BOOLEAN         mTimeoutExpired  = FALSE;
static BOOLEAN                  mPostHooksDone   = FALSE;

static VOID EFIAPI
PostKeyPollTick (
  IN EFI_EVENT  Event,
  IN VOID       *Context
  )
{
  (VOID)Event;
  (VOID)Context;
  (VOID)HookPostKeyPoll (0, 0);     // a notification: the board's answer decides nothing here
}

VOID
RunPostScreenHooks (
  VOID
  )
{
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Saved = NULL;
  UINT64                         Width  = 0;
  UINT64                         Height = 0;

  if (mPostHooksDone) {
    return;
  }

  mPostHooksDone = TRUE;
  LoadBootOptionHotkeys ();
  if ((gConsoleArrivalMask & CONSOLE_ARRIVED_GRAPHICS) != 0) {
    Saved = SaveGopScreen (&Width, &Height);
  }

  if (HookPostPasswordCheck ()) {
    RestoreGopScreen (Saved, Width, Height);
  } else {
    FreePool (Saved);
  }

  if ((gPostTimerEvent == NULL) &&
      !EFI_ERROR (CreateTimerEvent (&gPostTimerEvent, PostKeyPollTick, NULL, TimerPeriodic, POST_POLL_PERIOD, TPL_CALLBACK)))
  {
    (VOID)gBS->SignalEvent (gPostTimerEvent);     // a valid event cannot refuse
  }
}

VOID
ClosePostTimer (
  VOID
  )
{
  if (gPostTimerEvent != NULL) {
    (VOID)gBS->SetTimer (gPostTimerEvent, TimerCancel, 0);   // the close below ends it either way
  }

  CloseEventAndClear (&gPostTimerEvent);
}

EFI_STATUS
PollPostKeys (
  OUT UINT64  *Key,
  OUT UINT64  *State
  )
{
  (VOID)HookPostKeyPoll (0, 0);     // a notification: the board's answer decides nothing here
  *Key   = (gHotkeyBootOption != NO_HOTKEY_BOOT_OPTION) ? gHotkeyBootOption + 1 : 0;
  *State = SetupEntryRequested () ? BOOT_SCREEN_STATE_SETUP : gBootFlowRequest;
  return ((*Key == 0) && (*State == 0)) ? EFI_NOT_READY : EFI_SUCCESS;
}

UINT64
CancelBootTimeoutTimer (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  if (gBootScreenTimerEvent != NULL) {
    (VOID)gBS->SetTimer (gBootScreenTimerEvent, TimerCancel, 0);   // closed next; a failed cancel changes nothing
  }

  CloseEventAndClear (&gBootScreenTimerEvent);
  return 0;
}

//
// The POST flow.
//
VOID
ClearBootFlowAndLeave (
  VOID
  )
{
  gBootFlowRequest = BOOT_FLOW_NONE;
  if (gBootScreenEntryCount != 0) {
    gBootScreenEntryCount--;
  }

  // A "BootFlow" that stays set is read again by the next POST of this boot only.
  (VOID)WriteBootFlow (BOOT_FLOW_NONE);
}

/** The time-out in tenths of a second: 65535 none, 0 already over. */
static UINT64
ReadBootTimeout (
  VOID
  )
{
  UINTN   Size    = 0;
  UINT16  Seconds = TIMEOUT_DEFAULT_SECONDS;
  VOID    *Data   = GetVariableByIndex (SETUP_VARIABLE_INDEX_BOOT_TIMEOUT, &Size);

  if ((Data != NULL) && (Size >= sizeof (UINT16))) {
    CopyMem (&Seconds, Data, sizeof (Seconds));
  } else {
    // The default is written so that setup shows what the machine does.
    (VOID)SetVariableByIndex (SETUP_VARIABLE_INDEX_BOOT_TIMEOUT, &Seconds, sizeof (Seconds));
  }

  FreePool (Data);
  if (Seconds == TIMEOUT_NONE) {
    return TIMEOUT_NONE;
  }

  return (Seconds < TIMEOUT_TENTHS_LIMIT) ? (UINT64)Seconds * 10 : TIMEOUT_LONGEST;
}

static VOID
CheckKeyboardControllerForFirmwareBoot (
  VOID
  )
{
  EFI_EVENT  Timer = NULL;
  UINT8      Status;

  if (SetupEntryRequested () || (ReadBootFlow () != BOOT_FLOW_FIRMWARE_BOOTS)) {
    return;
  }

  Status = IoRead8 (KBC_STATUS_PORT);
  if ((Status & KBC_OUTPUT_FULL) == 0) {
    return;
  }

  // Keys waiting in the controller are taken while the firmware's boot is prepared.
  (VOID)CreateTimerEvent (&Timer, PostKeyPollTick, NULL, TimerPeriodic, KBC_POLL_PERIOD, TPL_CALLBACK);
  (VOID)IoWrite8 (POST_CODE_PORT, Status);
  (VOID)gBS->Stall (1000000);
  // The poll below must not be interrupted by the timer's own poll.
  CloseEventAndClear (&Timer);
  (VOID)HookPostKeyPoll (0, 0);
}

/** Reconciles the hotkey's request with the stored boot flow; FALSE when the flow must leave. */
static BOOLEAN
ReconcileBootFlow (
  VOID
  )
{
  UINT32  Stored;

  if ((gBootFlowRequest == BOOT_FLOW_NONE) && !SetupEntryRequested ()) {
    return TRUE;
  }

  Stored = ReadBootFlow ();
  if (Stored == BOOT_FLOW_FIRMWARE_BOOTS) {
    if ((gBootFlowRequest != BOOT_FLOW_FIRMWARE_BOOTS) || SetupEntryRequested ()) {
      ClearBootFlowAndLeave ();
      return FALSE;
    }

    gBootFlowRequest = BOOT_FLOW_NONE;
  } else if (Stored == 0) {
    (VOID)WriteBootFlow (gBootFlowRequest);     // the request holds for this boot from memory; only a later boot would miss it
  } else {
    gBootFlowRequest = BOOT_FLOW_NONE;
  }

  return TRUE;
}

static VOID
ClearCmosFailFlag (
  VOID
  )
{
  UINT8  Flag[2] = { 0, 0 };
  UINTN  Size    = sizeof (Flag);

  (VOID)SignalProtocolNotify (&mFlowSettingsReadGroup);     // listeners are optional
  RunPlatformCheck ();
  if (!EFI_ERROR (gRT->GetVariable ((CHAR16 *)u"CMOSfailflag", &mCmosFailGuid, NULL, &Size, Flag)) &&
      (Size == sizeof (Flag)) && (Flag[1] == 1))
  {
    Flag[1] = 0;
    (VOID)gRT->SetVariable ((CHAR16 *)u"CMOSfailflag", &mCmosFailGuid,
                 EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS, sizeof (Flag), Flag);
  }
}

/** The table's answer: setup held on EFI_UNSUPPORTED, the wait over on EFI_NOT_STARTED. */
static VOID
ApplyBootFlowAnswer (
  IN     EFI_STATUS  Status,
  IN OUT UINT64      *Tenths,
  IN OUT BOOLEAN     *Expired
  )
{
  if (Status == EFI_UNSUPPORTED) {
    gBootFlowHoldsSetup = 1;
    *Tenths             = TIMEOUT_NONE;
  } else if (Status == EFI_NOT_STARTED) {
    *Expired = TRUE;
  }
}

static VOID EFIAPI
OnBootTimeout (
  IN EFI_EVENT  Event,
  IN VOID       *Context
  )
{
  (VOID)Event;
  (VOID)Context;
  mTimeoutExpired = TRUE;
}

/** One pass of the wait for a key: console input is polled (the platform's keyboard moves on). */
static VOID
WaitForPostKey (
  VOID
  )
{
  if ((gST->ConIn != NULL) && (gST->ConIn->WaitForKey != NULL)) {
    (VOID)gBS->CheckEvent (gST->ConIn->WaitForKey);   // "not ready" is the usual answer
  } else {
    (VOID)gBS->Stall (WAIT_IDLE_STALL);
  }
}

/**
  The hotkey wait: until the time-out expires or a key asks for setup or a boot
  flow. Only when no timer could be armed does a count of passes end it.
**/
static VOID
WaitForHotkeys (
  IN UINT64   Tenths,
  IN BOOLEAN  Expired
  )
{
  BOOLEAN  Armed = FALSE;
  UINT64   Key;
  UINT64   State;

  mTimeoutExpired = Expired;
  if ((Tenths != TIMEOUT_NONE) && !Expired) {
    Armed = !EFI_ERROR (CreateTimerEvent (&gBootScreenTimerEvent, OnBootTimeout, NULL, TimerRelative,
                          Tenths * TIMER_UNITS_PER_TENTH, TPL_CALLBACK));
  }

  // The groups only inform board code; a signal no one receives changes nothing.
  (VOID)SignalProtocolNotify (&mWaitStartGroup);
  // Without console input and without a time-out nothing could ever end the wait.
  if ((Tenths != TIMEOUT_NONE) || (gST->ConIn != NULL)) {
    for (UINTN Pass = 0; !mTimeoutExpired && !SetupEntryRequested () && (gBootFlowRequest == BOOT_FLOW_NONE); Pass++) {
      if (!Armed && (Tenths != TIMEOUT_NONE) && (Pass >= WAIT_PASS_LIMIT)) {
        break;
      }

      WaitForPostKey ();
      if (!EFI_ERROR (PollPostKeys (&Key, &State))) {
        break;
      }

      (VOID)HookPostWaitLoop ();     // a notification: the board's answer decides nothing here
    }
  }

  (VOID)SignalProtocolNotify (&mWaitEndGroup);     // the groups only inform board code; a signal no one receives changes nothing
  (VOID)CancelBootTimeoutTimer (NULL);     // a timer that is not running has nothing to cancel
}

/** Lets the user pick a boot device, or setup, from the engine's boot pop-up. */
static EFI_STATUS
RunBootPopup (
  VOID
  )
{
  HOOK_ARGS   None;
  EFI_STATUS  Status;

  ZeroMem (&None, sizeof (None));
  Status = BuildBootMenuList ();
  if (EFI_ERROR (Status)) {
    return Status;
  }

  (VOID)ShowBootDeviceMenu (&None);     // the choice is in gBootMenuChoice and the requests, read next
  if (SetupEntryRequested () || (gAccessLevel == ACCESS_LEVEL_USER)) {
    return EFI_SUCCESS;
  }

  gBootScreenState = BOOT_SCREEN_STATE_BOOTING;
  // The board's pop-up handler boots the choice, so it can mark that the pop-up chose it.
  return (EFI_STATUS)HookBbsPopup ();
}

// The setup screens are the front end's; without one connected there is no setup to enter.
static EFI_STATUS
EnterSetupScreens (
  VOID
  )
{
  return (gFrontEnd.SetupAsked == NULL) ? EFI_UNSUPPORTED : gFrontEnd.SetupAsked ();
}

/**
  The decision point: setup (or the boot pop-up) when requested, with setup's or the
  pop-up's status in *Status. What follows reads the requests, not whether it ran.
**/
static VOID
EnterSetupIfRequested (
  IN OUT EFI_STATUS  *Status
  )
{
  if (gAccessLevel == ACCESS_LEVEL_USER) {
    DropSetupEntryRequest ();
  }

  // Consumed here: whatever runs next asks again if it wants setup once more.
  if (!TakeSetupEntryRequest ()) {
    return;
  }

  ClosePostTimer ();
  if (gBootScreenState != BOOT_SCREEN_STATE_BOOT_MENU) {
    gBootScreenState = BOOT_SCREEN_STATE_SETUP;
  }

  // The setup password is asked before anything of setup shows.
  EnterSetupOnce ();
  if (gAccessLevel == ACCESS_LEVEL_USER) {
    return;
  }

  if ((gST != NULL) && (gST->ConIn != NULL)) {
    (VOID)gST->ConIn->Reset (gST->ConIn, FALSE);   // a console that cannot reset keeps its keys
  }

  // The pop-up boots what it chose as the POST would: outside setup, so the option may
  // open the form browser itself (the firmware's menu does).
  if (gBootScreenState == BOOT_SCREEN_STATE_BOOT_MENU) {
    *Status = RunBootPopup ();
    // "Enter Setup" in the pop-up: setup opens at once.
    if (!TakeSetupEntryRequest ()) {
      return;
    }

    gBootScreenState = BOOT_SCREEN_STATE_SETUP;
  }

  gPostMessagesEnabled = 0;
  gInSetup             = 1;
  // Without it the screens build their pages themselves and show the cache as it is.
  (VOID)LoadSetupDefaultsAndVariables ();
  *Status              = EnterSetupScreens ();
  gInSetup             = 0;
  gPostMessagesEnabled = 1;
}

/** The engine's settings record of 81 bytes, made when it is shorter, before anything boots. */
static VOID
CompleteSettingsRecord (
  VOID
  )
{
  UINTN  Size   = 0;
  UINT8  *Data  = (UINT8 *)GetVariableCachedOrRead (SETUP_VARIABLE_INDEX_PASSWORD, &Size);
  UINT8  Record[SETUP_PASSWORD_RECORD_SIZE];

  if ((Data != NULL) && (Size >= SETUP_PASSWORD_RECORD_SIZE)) {
    return;
  }

  ZeroMem (Record, sizeof (Record));
  if (Data != NULL) {
    CopyMem (Record, Data, Size);
  }

  // Kept in the cache as well, so the boot loop and setup read the whole record.
  if (!EFI_ERROR (SetVariableByIndex (SETUP_VARIABLE_INDEX_PASSWORD, Record, sizeof (Record)))) {
    RefreshVariableCache (SETUP_VARIABLE_INDEX_PASSWORD);
  }
}

/** Decision point and boot loop, until the flow leaves; answers its status. */
static EFI_STATUS
DecideAndBoot (
  IN EFI_STATUS  Status
  )
{
  BOOT_LOOP_RESULT  Result;

  for ( ; ; ) {
    EnterSetupIfRequested (&Status);
    if (gBootFlowHoldsSetup != 0) {
      // A user without setup rights cannot be held in setup: the machine boots instead.
      if (gAccessLevel != ACCESS_LEVEL_USER) {
        RequestSetupEntry ();
        continue;
      }

      gBootFlowHoldsSetup = 0;
    }

    CompleteSettingsRecord ();
    (VOID)HookBootPopupDefault ();     // a notification: the board's answer decides nothing here
    gBootScreenState = BOOT_SCREEN_STATE_BOOTING;
    Result           = RunBootLoop (&Status);
    if (Result == BootLoopLeave) {
      ClearBootFlowAndLeave ();
      return Status;
    }
  }
}

static EFI_STATUS
RunNestedFlow (
  VOID
  )
{
  UINT8       SavedInSetup  = gInSetup;
  UINT8       SavedMessages = gPostMessagesEnabled;
  UINT64      SavedState    = gBootScreenState;
  EFI_STATUS  Status        = EFI_UNSUPPORTED;

  RequestSetupEntry ();
  EnterSetupIfRequested (&Status);
  // The outer setup still runs: its state is as it was.
  gInSetup             = SavedInSetup;
  gPostMessagesEnabled = SavedMessages;
  gBootScreenState     = SavedState;
  gBootScreenEntryCount--;
  return Status;
}

EFI_STATUS
RunPostFlow (
  VOID
  )
{
  UINT8       UpdateRequest = 0;
  UINTN       Size          = sizeof (UpdateRequest);
  UINT64      Tenths;
  BOOLEAN     Expired;
  EFI_STATUS  Status;

  if (++gBootScreenEntryCount > 1) {
    return RunNestedFlow ();
  }

  if (!EFI_ERROR (gRT->GetVariable ((CHAR16 *)u"EnterYxUpdate", &mUpdateRequestGuid, NULL, &Size, &UpdateRequest)) &&
      (Size == sizeof (UpdateRequest)) && (UpdateRequest == 1))
  {
    gBootFlowRequest = BOOT_FLOW_UPDATE_TOOL;
  }

  (VOID)HookAfterEnterUpdateCheck ();     // a notification: the board's answer decides nothing here
  if (!gPostScreenReady) {
    InitPostScreen ();
    if ((gST != NULL) && (gST->ConIn != NULL)) {
      RunPostScreenHooks ();
    }
  }

  if (gVariableCache == NULL) {
    (VOID)LoadVariableCache (&gVariableCache, NULL);   // the engine reads what it can without it
  }

  ClosePostTimer ();
  CheckKeyboardControllerForFirmwareBoot ();
  // Whatever level the firmware called at, the flow goes on (and returns) at the
  // application level, where it may wait for keys.
  (VOID)LowerToApplicationTpl ();     // the caller's level is not put back
  (VOID)BuildBootOptionTables ();    // an option that cannot be read is left out
  gBootScreenState = BOOT_SCREEN_STATE_SETTINGS;
  Tenths  = ReadBootTimeout ();
  Expired = (BOOLEAN)(Tenths == 0);
  // A key typed before the flow counts even without a wait (a time-out of 0).
  if (gST->ConIn != NULL) {
    WaitForPostKey ();
  }

  (VOID)HookPostKeyPoll (0, 0);     // a notification: the board's answer decides nothing here
  if (!ReconcileBootFlow ()) {
    return EFI_UNSUPPORTED;
  }

  ClearCmosFailFlag ();
  Status = RunBootFlowEntry ();
  ApplyBootFlowAnswer (Status, &Tenths, &Expired);
  if (gBootFlowRequest == BOOT_FLOW_FIRMWARE_BOOTS) {
    if ((gAccessLevel == 0) && ((GetPasswordStatus () & PASSWORD_FIELD_FIRST) != 0)) {
      ClearBootFlowAndLeave ();
      return EFI_UNSUPPORTED;
    }
  } else {
    gBootFlowRequest = BOOT_FLOW_NONE;
  }

  WaitForHotkeys (Tenths, Expired);
  if ((gBootFlowHoldsSetup == 0) && (gBootFlowRequest != BOOT_FLOW_NONE)) {
    (VOID)WriteBootFlow (gBootFlowRequest);     // the request holds for this boot from memory; only a later boot would miss it
    ApplyBootFlowAnswer (RunBootFlowEntry (), &Tenths, &Expired);
  }

  return DecideAndBoot (EFI_SUCCESS);
}

VOID
ResetPostState (
  VOID
  )
{
  gConsoleControl       = NULL;
  gConsoleArrivalMask   = 0;
  gPostMessagesEnabled  = 1;
  gPostMessageAttribute = TEXT_DEFAULT_ATTRIBUTE;
  gBootFlowHoldsSetup   = 0;
  gPostTimerEvent       = NULL;      // it belonged to the old machine
  gPostScreenReady      = FALSE;
  gLogoScaleMode        = 1;
  gLogoDrawing          = 0;
  gSavedScreenWidth     = 0;
  gSavedScreenHeight    = 0;
  gBootFlowStartPage    = 0;
  ZeroMem (&gBootProgressBar, sizeof (gBootProgressBar));
  ZeroMem (&gLogoBox, sizeof (gLogoBox));
  ZeroMem (gLogoSize, sizeof (gLogoSize));
  gSetupEntryDone       = FALSE;
  gBootMenuNoticeShown  = FALSE;
  gHotkeyBootOption     = NO_HOTKEY_BOOT_OPTION;
  gBootFlowRequest      = BOOT_FLOW_NONE;
  gQuietBootOn          = 0;
  FreeBootOptionHotkeys ();
  FreeLanguageList ();
  ResetBootScreenProvider ();
  ResetConsoleNotifications ();
  mTimeoutExpired         = FALSE;
  mPostHooksDone          = FALSE;
}
