/** @file
  The boot-screen interface's eighteen operations, through which firmware code prints
  on the POST screen, draws progress and shows pop-ups; each is handed to an outside
  POST user-interface provider when one is installed.
**/
#include <engine/post/BootScreen.h>
#include <engine/post/BootScreenDialogs.h>
#include <engine/post/PostScreen.h>
#include <engine/boot/BootGraphics.h>
#include <engine/boot/BootLaunch.h>
#include <engine/boot/BootOptions.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/core/EngineGlobals.h>
#include <engine/textui/Hotkeys.h>
#include <engine/textui/TextEntryBox.h>
#include <engine/textui/TextScreen.h>
#include <engine/textui/TuiPopup.h>

#include <Library/BaseMemoryLib.h>
#include <Library/UefiLib.h>
#include <Protocol/BootScreenUiProvider.h>

#define PROGRESS_BAR_GREY         0xC0C0C0
#define PROGRESS_BAR_BLACK        0x000000

static BOOT_SCREEN_UI_PROVIDER  *mProvider = NULL;

UINT64  gBootScreenState = BOOT_SCREEN_STATE_NONE;


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

VOID
SetBootScreenState (
  IN UINT64  State
  )
{
  gBootScreenState = State;
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

VOID
ResetBootScreenProvider (
  VOID
  )
{
  mProvider = NULL;
}
