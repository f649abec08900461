/** @file
  The boot-screen interface: the POST flow that runs from the power-on screen to the
  boot of an option or the entry into setup, and the seventeen operations through
  which firmware code prints on the POST screen, draws progress and shows pop-ups
  (handed to an outside POST user-interface provider when one is installed). Also
  the arrival of the console devices, which puts the POST screen up as soon as the
  screen and the text output exist.
**/
#include <engine/post/PostScreen.h>
#include <engine/boot/BootGraphics.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/core/HookTable.h>
#include <engine/forms/Passwords.h>
#include <engine/post/BootScreen.h>
#include <engine/post/PostHooks.h>
#include <engine/textui/PasswordPrompt.h>
#include <engine/textui/TuiPopup.h>
#include <engine/post/BootScreenDialogs.h>
#include <engine/boot/BootLaunch.h>
#include <engine/boot/BootMenu.h>
#include <engine/boot/BootOptions.h>
#include <engine/boot/OptionLists.h>
#include <engine/textui/Hotkeys.h>
#include <engine/textui/TextEntryBox.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/forms/Passwords.h>
#include <engine/boot/BootGraphics.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/variables/VariableCache.h>
#include <engine/browser/DynamicPages.h>
#include <engine/core/FrontEnd.h>

#include <Library/BaseMemoryLib.h>
#include <Library/IoLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/ReportStatusCodeLib.h>
#include <Library/UefiLib.h>
#include <Protocol/BootScreenUiProvider.h>
#include <Protocol/DevicePath.h>
#include <Protocol/PointerDevice.h>
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
#define ACCESS_LEVEL_USER_ONLY    1
#define UPDATE_TOOL_FLOW          0xA001
#define PROGRESS_BAR_GREY         0xC0C0C0
#define PROGRESS_BAR_BLACK        0x000000

// Event groups board code listens to, and the flow's moments they mark.
static EFI_GUID  mFlowSettingsReadGroup = { 0xFEF8E123, 0x4A35, 0x404C, { 0x94, 0x95, 0xDC, 0xCE, 0x76, 0x37, 0x11, 0xEF } };
static EFI_GUID  mWaitStartGroup = { 0x1CBFC9B6, 0x7F1E, 0x4E9E, { 0x80, 0x1F, 0xFB, 0xCE, 0x4D, 0x92, 0xA7, 0x6D } };
static EFI_GUID  mWaitEndGroup   = { 0xCAD40D6E, 0xC871, 0x4398, { 0x91, 0x0D, 0x2D, 0x74, 0xEE, 0x94, 0x71, 0x1A } };
static EFI_GUID  mUpdateRequestGuid = { 0x96569704, 0xFCF8, 0x4D11, { 0x99, 0x72, 0x95, 0xC0, 0xE1, 0xFF, 0x65, 0xB7 } };
static EFI_GUID  mCmosFailGuid   = { 0xC89DC9C7, 0x5105, 0x472C, { 0xA7, 0x43, 0xB1, 0x62, 0x1E, 0x14, 0x2B, 0x41 } };

static BOOT_SCREEN_UI_PROVIDER  *mProvider       = NULL;
static volatile BOOLEAN         mTimeoutExpired  = FALSE;
static BOOLEAN                  mPostHooksDone   = FALSE;

typedef EFI_STATUS (EFIAPI *UI_PROVIDER_INITIALISE)(IN EFI_HANDLE ImageHandle, IN EFI_SYSTEM_TABLE *SystemTable);
#define PROVIDER_INITIALISE_SLOT  3     // of the reserved slots 9 to 13: slot 12

//
// The outside POST user-interface provider: located once; it is handed the engine's
// items it may read or change.
//
static EFI_STATUS
LocateBootScreenProvider (
  VOID
  )
{
  BOOT_SCREEN_UI_PROVIDER  *Provider = NULL;
  UI_PROVIDER_INITIALISE   Initialise;
  EFI_STATUS               Status;

  if (mProvider != NULL) {
    return EFI_SUCCESS;
  }

  Status = gBS->LocateProtocol (&gBootScreenUiProviderGuid, NULL, (VOID **)&Provider);
  if (EFI_ERROR (Status) || (Provider == NULL)) {
    return EFI_ERROR (Status) ? Status : EFI_NOT_FOUND;
  }

  mProvider = Provider;
  if (Provider->SetItem == NULL) {
    return EFI_SUCCESS;
  }

  // What the provider makes of the items is its own affair; only the last answer counts.
  // The provider keeps the items it takes; one it refuses it does without.
  (VOID)Provider->SetItem (0, 1, &gHiiHandle, NULL);
  (VOID)Provider->SetItem (3, 1, &gLanguageList, &gLanguageCount);
  (VOID)Provider->SetItem (4, 1, &gGraphicsOutput, NULL);
  (VOID)Provider->SetItem (5, 1, NULL, &gBootScreenState);
  (VOID)Provider->SetItem (6, 1, NULL, &gQuietBootOn);
  (VOID)Provider->SetItem (7, 1, NULL, &gInSetup);
  (VOID)Provider->SetItem (8, 1, NULL, &gBootOrderDisabledMarker);
  (VOID)Provider->SetItem (9, 1, NULL, &gDriverOrderDisabledMarker);
  (VOID)Provider->SetItem (12, 1, NULL, &gBootLogoTable);
  Status     = Provider->SetItem (13, 1, NULL, &gBootLogoTableKey);
  Initialise = (UI_PROVIDER_INITIALISE)Provider->Reserved9[PROVIDER_INITIALISE_SLOT];
  if (Initialise != NULL) {
    (VOID)Initialise (gImageHandle, gST);     // the provider's own start; the engine goes on without what it adds
  }

  return Status;
}

static BOOLEAN
HasConsoleOutput (
  VOID
  )
{
  return (BOOLEAN)((gST != NULL) && (gST->ConOut != NULL));
}

//
// The operations of the interface.
//
static EFI_STATUS EFIAPI
RunBootScreenFlow (
  VOID
  )
{
  return RunPostFlow ();
}

static EFI_STATUS
PrintPostText (
  IN CHAR16   *Text,
  IN BOOLEAN  Scroll
  )
{
  if (gPostMessagesEnabled == 0) {
    return EFI_UNSUPPORTED;
  }

  if (!HasConsoleOutput ()) {
    return EFI_NOT_READY;
  }

  if (Text == NULL) {
    return EFI_INVALID_PARAMETER;
  }

  PostWindowPrint (Text, Scroll);
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
PrintBootScreenText (
  IN CHAR16  *Text
  )
{
  return PrintPostText (Text, TRUE);
}

static EFI_STATUS EFIAPI
PrintBootScreenTextChecked (
  IN CHAR16  *Text,
  IN UINT64  Mode
  )
{
  if (Mode != 1) {
    return EFI_UNSUPPORTED;
  }

  return PrintPostText (Text, FALSE);
}

static EFI_STATUS EFIAPI
DrawLogoScreenText (
  IN CHAR16  *Text,
  IN UINT64  X,
  IN UINT64  Y,
  IN UINT32  Placement,
  IN UINT32  Foreground,
  IN UINT32  Background
  )
{
  if (!HasConsoleOutput ()) {
    return EFI_NOT_READY;
  }

  return DrawLogoText (Text, X, Y, Placement, Foreground, Background);
}

static EFI_STATUS EFIAPI
ShowBootScreenMessageBox (
  IN  CHAR16  *Title,
  IN  CHAR16  *Message,
  IN  UINT8   BoxType,
  OUT UINT8   *Selection
  )
{
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Saved = NULL;
  UINT64                         Width  = 0;
  UINT64                         Height = 0;
  EFI_STATUS                     Status;

  if (!HasConsoleOutput ()) {
    return EFI_NOT_READY;
  }

  if (!EFI_ERROR (LocateBootScreenProvider ()) && (mProvider->MessageBox != NULL)) {
    return mProvider->MessageBox (Title, Message, BoxType, Selection);
  }

  // Over the text POST screen the box goes and the screen comes back as it was.
  if (gBootScreenState == BOOT_SCREEN_STATE_TEXT_POST) {
    Saved = SaveGopScreen (&Width, &Height);
  }

  Status = ShowTextMessageBox (Title, Message, BoxType, Selection);
  if (Saved != NULL) {
    // The dialog is gone either way; a screen that cannot be restored is drawn again by the flow.
    (VOID)gGraphicsOutput->Blt (gGraphicsOutput, Saved, EfiBltBufferToVideo, 0, 0, 0, 0, (UINTN)Width, (UINTN)Height, 0);
    FreePool (Saved);
  }

  return Status;
}

static EFI_STATUS EFIAPI
LeaveLogoScreen (
  VOID
  )
{
  if ((gPostMessagesEnabled == 0) || (gQuietBootOn == 0) || (LocateGraphicsOutput () == NULL)) {
    return EFI_UNSUPPORTED;
  }

  gQuietBootOn = 0;
  ClearGraphicsScreen ();
  InvalidateBootLogoTable ();
  MarkRowsDirty (0, gTextScreenRows - 1);
  FlushTextScreen ();
  DrawTextPostScreen ();
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
SetBootScreenCursor (
  IN UINT64  Column,
  IN UINT64  Row
  )
{
  if ((Column >= gTextScreenColumns) || (Row >= gTextScreenRows)) {
    return EFI_UNSUPPORTED;
  }

  gPostCursorColumn = Column;
  gPostCursorRow    = Row;
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
GetBootScreenCursor (
  OUT UINT64  *Column,
  OUT UINT64  *Row
  )
{
  if ((Column == NULL) || (Row == NULL)) {
    return EFI_INVALID_PARAMETER;
  }

  *Column = (gPostCursorColumn < gTextScreenColumns) ? gPostCursorColumn : gTextScreenColumns - 1;
  *Row    = (gPostCursorRow < gTextScreenRows) ? gPostCursorRow : gTextScreenRows - 1;
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
CreateBootProgressBar (
  IN UINT64  Left,
  IN UINT64  Top,
  IN UINT64  Width,
  IN UINT64  Height,
  IN UINT64  Steps
  )
{
  if (!EFI_ERROR (LocateBootScreenProvider ()) && (mProvider->CreateProgressBar != NULL)) {
    return mProvider->CreateProgressBar (Left, Top, Width, Height, Steps);
  }

  // A bar of no steps (or narrower than its steps) could never advance.
  if ((Steps == 0) || (Width / Steps == 0) || (Height == 0)) {
    return EFI_INVALID_PARAMETER;
  }

  gBootProgressBar.Left       = Left;
  gBootProgressBar.Top        = Top;
  gBootProgressBar.StepWidth  = Width / Steps;
  gBootProgressBar.Width      = gBootProgressBar.StepWidth * Steps;
  gBootProgressBar.Height     = Height;
  gBootProgressBar.Border     = PROGRESS_BAR_GREY;
  gBootProgressBar.Fill       = PROGRESS_BAR_GREY;
  // A fill of the border's grey on black shows how far the bar has come.
  gBootProgressBar.Background = PROGRESS_BAR_BLACK;
  gBootProgressBar.Position   = 0;
  gBootProgressBar.Active     = 1;
  DrawProgressBar ();
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
MoveBootProgressBar (
  VOID
  )
{
  if (!EFI_ERROR (LocateBootScreenProvider ()) && (mProvider->MoveProgressBar != NULL)) {
    return mProvider->MoveProgressBar ();
  }

  return DrawProgressBarStep ();
}

static UINT32 EFIAPI
QueryBootScreenState (
  VOID
  )
{
  return (UINT32)gBootScreenState;
}

static EFI_STATUS EFIAPI
ShowTimedInfoBoxSlot (
  IN  CHAR16     *Title,
  IN  CHAR16     *Message,
  IN  UINT64     Seconds,
  OUT EFI_EVENT  *Event
  )
{
  if (!HasConsoleOutput ()) {
    return EFI_NOT_READY;
  }

  if (!EFI_ERROR (LocateBootScreenProvider ()) && (mProvider->TimedInfoBox != NULL)) {
    return mProvider->TimedInfoBox (Title, Message, Seconds, Event);
  }

  return ShowTimedInfoBox (Title, Message, Seconds, Event);
}

static EFI_STATUS EFIAPI
SetBootScreenColour (
  IN UINT8  Attribute
  )
{
  gPostMessageAttribute = Attribute;
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
ShowBootScreenMenuSlot (
  IN     EFI_HII_HANDLE  HiiHandle,
  IN     UINT16          TitleId,
  IN     UINT16          HelpId,
  IN     VOID            *Items,
  IN     UINT16          Count,
  IN OUT UINT16          *Selection
  )
{
  if (!HasConsoleOutput () || (gBootScreenState < BOOT_SCREEN_STATE_SETTINGS)) {
    return EFI_NOT_READY;
  }

  if (!EFI_ERROR (LocateBootScreenProvider ()) && (mProvider->Menu != NULL)) {
    return mProvider->Menu (HiiHandle, TitleId, HelpId, Items, Count, Selection);
  }

  return ShowBootScreenMenu (HiiHandle, TitleId, HelpId, (MENU_ITEM *)Items, Count, Selection);
}

static EFI_STATUS EFIAPI
ShowBootScreenDialogSlot (
  IN  CHAR16  *Title,
  IN  CHAR16  *Message,
  IN  CHAR16  *Legend,
  IN  UINT32  Colour,
  IN  UINT8   BoxType,
  IN  UINT16  *ButtonIds,
  IN  UINT16  ButtonCount,
  IN  VOID    *Keys,
  IN  UINT16  KeyCount,
  OUT UINT8   *Selection,
  OUT VOID    *Key
  )
{
  if (!HasConsoleOutput ()) {
    return EFI_NOT_READY;
  }

  if (!EFI_ERROR (LocateBootScreenProvider ()) && (mProvider->Dialog != NULL)) {
    return mProvider->Dialog (Title, Message, Legend, Colour, BoxType, ButtonIds, ButtonCount, Keys, KeyCount, Selection, Key);
  }

  return ShowBootScreenDialog (Title, Message, Legend, Colour, BoxType, ButtonIds, ButtonCount, (CONST DIALOG_KEY *)Keys,
           KeyCount, Selection, (DIALOG_KEY *)Key);
}

static EFI_STATUS EFIAPI
ShowProgressBoxSlot (
  IN     UINT8   Action,
  IN     CHAR16  *Title,
  IN     CHAR16  *Message,
  IN     CHAR16  *Legend,
  IN     UINT64  Percentage,
  IN OUT VOID    **Handle,
  OUT    VOID    *Key
  )
{
  if (!HasConsoleOutput ()) {
    return EFI_NOT_READY;
  }

  if (!EFI_ERROR (LocateBootScreenProvider ()) && (mProvider->ProgressBox != NULL)) {
    return mProvider->ProgressBox (Action, Title, Message, Legend, Percentage, (EFI_HANDLE *)Handle, Key);
  }

  return ShowProgressBox (Action, Title, Message, Legend, Percentage, Handle, Key);
}

static EFI_STATUS EFIAPI
GetBootScreenColour (
  OUT UINT8  *Attribute
  )
{
  if (Attribute == NULL) {
    return EFI_INVALID_PARAMETER;
  }

  *Attribute = gPostMessageAttribute;
  return EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
ShowTextEntryBoxSlot (
  IN EFI_HII_HANDLE  HiiHandle,
  IN UINT16          TitleId,
  IN VOID            *Fields,
  IN UINT16          FieldCount,
  IN VOID            *Filter
  )
{
  if (!HasConsoleOutput ()) {
    return EFI_NOT_READY;
  }

  if (!EFI_ERROR (LocateBootScreenProvider ()) && (mProvider->TextEntryBox != NULL)) {
    return mProvider->TextEntryBox (HiiHandle, TitleId, Fields, FieldCount, Filter);
  }

  return ShowTextEntryBox (HiiHandle, TitleId, (TEXT_ENTRY_FIELD *)Fields, FieldCount, (TEXT_ENTRY_FILTER)Filter);
}

static CONST BOOT_SCREEN_INTERFACE  mBootScreenOperations = {
  RunBootScreenFlow,     PrintBootScreenText,   PrintBootScreenTextChecked, DrawLogoScreenText,
  ShowBootScreenMessageBox, LeaveLogoScreen,    SetBootScreenCursor,        GetBootScreenCursor,
  CreateBootProgressBar, MoveBootProgressBar,   QueryBootScreenState,       ShowTimedInfoBoxSlot,
  SetBootScreenColour,   ShowBootScreenMenuSlot, ShowBootScreenDialogSlot,  ShowProgressBoxSlot,
  GetBootScreenColour,   ShowTextEntryBoxSlot
};

VOID
InstallBootScreenOperations (
  VOID
  )
{
  gBootScreenInterface = mBootScreenOperations;
}

//
// Console arrival.
//
typedef struct {
  EFI_HANDLE      Handle;
  EFI_EVENT       Event;
  UINT32          Bit;
  CONST EFI_GUID  *Protocol;
  BOOLEAN         NeedsDevicePath;
  VOID            *Registration;
  VOID            *Interface;
  VOID            **Global;
} POST_NOTIFY_RECORD;

#define CONSOLE_NOTIFY_COUNT  5

static POST_NOTIFY_RECORD  mConsoleRecords[CONSOLE_NOTIFY_COUNT];
static EFI_EVENT           mGraphicsRelocateEvent = NULL;
static VOID                *mGraphicsRelocateRegistration = NULL;

static VOID
InitConsoleRecords (
  VOID
  )
{
  ZeroMem (mConsoleRecords, sizeof (mConsoleRecords));
  mConsoleRecords[0].Bit             = CONSOLE_ARRIVED_GRAPHICS;
  mConsoleRecords[0].Protocol        = &gEfiGraphicsOutputProtocolGuid;
  mConsoleRecords[0].NeedsDevicePath = TRUE;
  mConsoleRecords[0].Global          = (VOID **)&gGraphicsOutput;
  mConsoleRecords[1].Bit             = CONSOLE_ARRIVED_CONTROL;
  mConsoleRecords[1].Protocol        = &gConsoleControlProtocolGuid;
  mConsoleRecords[2].Bit             = CONSOLE_ARRIVED_TEXT_IN;
  mConsoleRecords[2].Protocol        = &gEfiSimpleTextInProtocolGuid;
  mConsoleRecords[3].Bit             = CONSOLE_ARRIVED_TEXT_OUT;
  mConsoleRecords[3].Protocol        = &gEfiSimpleTextOutProtocolGuid;
  mConsoleRecords[4].Bit             = CONSOLE_ARRIVED_POINTER;
  mConsoleRecords[4].Protocol        = &gPointerDeviceProtocolGuid;
}

static VOID EFIAPI
OnConsoleProtocolArrival (
  IN EFI_EVENT  Event,
  IN VOID       *Context
  )
{
  POST_NOTIFY_RECORD  *Record = (POST_NOTIFY_RECORD *)Context;
  EFI_HANDLE          Handle;
  UINTN               Size;
  VOID                *Path;
  UINT32              Needed = CONSOLE_ARRIVED_GRAPHICS | CONSOLE_ARRIVED_CONTROL | CONSOLE_ARRIVED_TEXT_OUT;

  (VOID)Event;
  if ((Record == NULL) || (gBootScreenState >= BOOT_SCREEN_STATE_SETUP)) {
    return;
  }

  for ( ; ; ) {
    Size = sizeof (Handle);
    if (EFI_ERROR (gBS->LocateHandle (ByRegisterNotify, NULL, Record->Registration, &Size, &Handle))) {
      return;
    }

    if (!Record->NeedsDevicePath || !EFI_ERROR (gBS->HandleProtocol (Handle, &gEfiDevicePathProtocolGuid, &Path))) {
      break;
    }
  }

  if (Record->Handle == NULL) {
    Record->Handle = Handle;
    if (!EFI_ERROR (gBS->HandleProtocol (Handle, (EFI_GUID *)Record->Protocol, &Record->Interface)) &&
        (Record->Global != NULL))
    {
      *Record->Global = Record->Interface;
    }
  }

  if ((gConsoleArrivalMask & Record->Bit) != 0) {
    return;
  }

  if ((Record->Bit != CONSOLE_ARRIVED_TEXT_IN) || ((gST != NULL) && (gST->ConIn != NULL))) {
    gConsoleArrivalMask |= Record->Bit;
  }

  if ((gConsoleArrivalMask & Needed) == Needed) {
    if (!gPostScreenReady) {
      InitPostScreen ();
    }

    if ((gST != NULL) && (gST->ConIn != NULL)) {
      RunPostScreenHooks ();
    }
  }
}

static VOID EFIAPI
OnGraphicsOutputArrival (
  IN EFI_EVENT  Event,
  IN VOID       *Context
  )
{
  (VOID)Event;
  (VOID)Context;
  (VOID)LocateGraphicsOutput ();     // no graphics output yet: the next arrival tries again
}

EFI_STATUS
RegisterConsoleNotifications (
  VOID
  )
{
  EFI_STATUS  Status;

  InitConsoleRecords ();
  // A device whose arrival cannot be watched is simply not waited for.
  for (UINTN Index = 0; Index < CONSOLE_NOTIFY_COUNT; Index++) {
    POST_NOTIFY_RECORD  *Record = &mConsoleRecords[Index];

    if (EFI_ERROR (gBS->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, OnConsoleProtocolArrival, Record, &Record->Event))) {
      Record->Event = NULL;
      continue;
    }

    if (EFI_ERROR (gBS->RegisterProtocolNotify ((EFI_GUID *)Record->Protocol, Record->Event, &Record->Registration))) {
      (VOID)gBS->CloseEvent (Record->Event);     // the record stays without an event, and nothing will signal it
      Record->Event = NULL;
      continue;
    }

    (VOID)gBS->SignalEvent (Record->Event);     // a valid event cannot refuse
  }

  Status = gBS->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, OnGraphicsOutputArrival, NULL, &mGraphicsRelocateEvent);
  if (EFI_ERROR (Status)) {
    mGraphicsRelocateEvent = NULL;
    return Status;
  }

  return gBS->RegisterProtocolNotify (&gEfiGraphicsOutputProtocolGuid, mGraphicsRelocateEvent, &mGraphicsRelocateRegistration);
}

VOID
CloseConsoleNotifications (
  VOID
  )
{
  for (UINTN Index = 0; Index < CONSOLE_NOTIFY_COUNT; Index++) {
    CloseEventAndClear (&mConsoleRecords[Index].Event);
  }

  CloseEventAndClear (&mGraphicsRelocateEvent);
}

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
  *State = (gEnterSetupRequest != 0) ? BOOT_SCREEN_STATE_SETUP : gBootFlowRequest;
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
  gBootFlowRequest = 0;
  if (gBootScreenEntryCount != 0) {
    gBootScreenEntryCount--;
  }

  // A "BootFlow" that stays set is read again by the next POST of this boot only.
  (VOID)WriteBootFlow (0);
}

/** The time-out in tenths of a second: 65535 none, 0 already over. */
static UINT64
ReadBootTimeout (
  VOID
  )
{
  UINTN   Size    = 0;
  UINT16  Seconds = TIMEOUT_DEFAULT_SECONDS;
  VOID    *Data   = GetVariableByIndex (2, &Size);

  if ((Data != NULL) && (Size >= sizeof (UINT16))) {
    CopyMem (&Seconds, Data, sizeof (Seconds));
  } else {
    // The default is written so that setup shows what the machine does.
    (VOID)SetVariableByIndex (2, &Seconds, sizeof (Seconds));
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

  if ((gEnterSetupRequest != 0) || (ReadBootFlow () != BOOT_FLOW_FIRMWARE_BOOTS)) {
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

  if ((gBootFlowRequest == 0) && (gEnterSetupRequest == 0)) {
    return TRUE;
  }

  Stored = ReadBootFlow ();
  if (Stored == BOOT_FLOW_FIRMWARE_BOOTS) {
    if ((gBootFlowRequest != BOOT_FLOW_FIRMWARE_BOOTS) || (gEnterSetupRequest != 0)) {
      ClearBootFlowAndLeave ();
      return FALSE;
    }

    gBootFlowRequest = 0;
  } else if (Stored == 0) {
    (VOID)WriteBootFlow (gBootFlowRequest);     // the request holds for this boot from memory; only a later boot would miss it
  } else {
    gBootFlowRequest = 0;
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
    for (UINTN Pass = 0; !mTimeoutExpired && (gEnterSetupRequest == 0) && (gBootFlowRequest == 0); Pass++) {
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
  if ((gEnterSetupRequest != 0) || (gAccessLevel == ACCESS_LEVEL_USER_ONLY)) {
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
  return (gFrontEnd.EnterGraphicalSetup == NULL) ? EFI_UNSUPPORTED : gFrontEnd.EnterGraphicalSetup ();
}

BOOLEAN
EnterSetupIfRequested (
  IN OUT EFI_STATUS  *Status
  )
{
  if (gAccessLevel == ACCESS_LEVEL_USER_ONLY) {
    gEnterSetupRequest = 0;
  }

  if (gEnterSetupRequest == 0) {
    return FALSE;
  }

  // Consumed here: whatever runs next asks again if it wants setup once more.
  gEnterSetupRequest = 0;
  ClosePostTimer ();
  if (gBootScreenState != BOOT_SCREEN_STATE_BOOT_MENU) {
    gBootScreenState = BOOT_SCREEN_STATE_SETUP;
  }

  // The setup password is asked before anything of setup shows.
  EnterSetupOnce ();
  if (gAccessLevel == ACCESS_LEVEL_USER_ONLY) {
    return FALSE;
  }

  if ((gST != NULL) && (gST->ConIn != NULL)) {
    (VOID)gST->ConIn->Reset (gST->ConIn, FALSE);   // a console that cannot reset keeps its keys
  }

  // The pop-up boots what it chose as the POST would: outside setup, so the option may
  // open the form browser itself (the firmware's menu does).
  if (gBootScreenState == BOOT_SCREEN_STATE_BOOT_MENU) {
    *Status = RunBootPopup ();
    if (gEnterSetupRequest == 0) {
      return TRUE;
    }

    // "Enter Setup" in the pop-up: setup opens at once.
    gEnterSetupRequest = 0;
    gBootScreenState   = BOOT_SCREEN_STATE_SETUP;
  }

  gPostMessagesEnabled = 0;
  gInSetup             = 1;
  // Without it the screens build their pages themselves and show the cache as it is.
  (VOID)LoadSetupDefaultsAndVariables ();
  *Status              = EnterSetupScreens ();
  gInSetup             = 0;
  gPostMessagesEnabled = 1;
  return TRUE;
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
    (VOID)EnterSetupIfRequested (&Status);     // setup's own status is in Status; whether it ran is read from the requests below
    if (gBootFlowHoldsSetup != 0) {
      // A user without setup rights cannot be held in setup: the machine boots instead.
      if (gAccessLevel != ACCESS_LEVEL_USER_ONLY) {
        gEnterSetupRequest = 1;
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

  gEnterSetupRequest = 1;
  (VOID)EnterSetupIfRequested (&Status);     // setup's own status is in Status
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
    gBootFlowRequest = UPDATE_TOOL_FLOW;
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
  // Whatever level the firmware called at, the flow goes on at the application level.
  (VOID)gBS->RaiseTPL (TPL_HIGH_LEVEL);
  gBS->RestoreTPL (TPL_APPLICATION);
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
    gBootFlowRequest = 0;
  }

  WaitForHotkeys (Tenths, Expired);
  if ((gBootFlowHoldsSetup == 0) && (gBootFlowRequest != 0)) {
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
  gBootFlowRequest      = 0;
  gQuietBootOn          = 0;
  FreeBootOptionHotkeys ();
  FreeLanguageList ();
  mProvider               = NULL;
  mTimeoutExpired         = FALSE;
  mPostHooksDone          = FALSE;
  mGraphicsRelocateEvent  = NULL;
  ZeroMem (mConsoleRecords, sizeof (mConsoleRecords));
}
