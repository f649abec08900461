/** @file
  The boot-screen interface's 18 operations, the text POST screen and the console
  arrival notifications. The POST flow is not built yet: the operations other than
  the pop-ups answer EFI_UNSUPPORTED (slot 10 reports the state it is asked for); the
  notifications are real enough to exercise the start-up's failure paths.
**/
#include <engine/post/BootScreenInterface.h>
#include <engine/post/BootScreenDialogs.h>
#include <engine/textui/TextEntryBox.h>
#include <engine/core/EngineGlobals.h>

#include <Protocol/ConsoleControl.h>
#include <Protocol/GraphicsOutput.h>
#include <Protocol/PointerDevice.h>
#include <Protocol/SimpleTextIn.h>
#include <Protocol/SimpleTextOut.h>

#define CONSOLE_NOTIFY_COUNT  5

static EFI_EVENT  mConsoleEvents[CONSOLE_NOTIFY_COUNT];
static VOID       *mConsoleRegistrations[CONSOLE_NOTIFY_COUNT];

static EFI_STATUS EFIAPI RunBootScreenFlow (VOID) { return EFI_UNSUPPORTED; }
static EFI_STATUS EFIAPI PrintBootScreenText (CHAR16 *) { return EFI_UNSUPPORTED; }
static EFI_STATUS EFIAPI PrintBootScreenTextChecked (CHAR16 *, UINT64) { return EFI_UNSUPPORTED; }
static EFI_STATUS EFIAPI DrawLogoScreenText (CHAR16 *, UINT64, UINT64, UINT32, UINT32, UINT32) { return EFI_UNSUPPORTED; }
static EFI_STATUS EFIAPI ShowBootScreenMessageBox (CHAR16 *Title, CHAR16 *Message, UINT8 BoxType, UINT8 *Selection)
{
  return ShowTextMessageBox (Title, Message, BoxType, Selection);
}
static EFI_STATUS EFIAPI LeaveLogoScreen (VOID) { return EFI_UNSUPPORTED; }
static EFI_STATUS EFIAPI SetBootScreenCursor (UINT64, UINT64) { return EFI_UNSUPPORTED; }
static EFI_STATUS EFIAPI GetBootScreenCursor (UINT64 *, UINT64 *) { return EFI_UNSUPPORTED; }
static EFI_STATUS EFIAPI CreateBootProgressBar (UINT64, UINT64, UINT64, UINT64, UINT64) { return EFI_UNSUPPORTED; }
static EFI_STATUS EFIAPI MoveBootProgressBar (VOID) { return EFI_UNSUPPORTED; }
static UINT32 EFIAPI     QueryBootScreenState (VOID) { return (UINT32)gBootScreenState; }
static EFI_STATUS EFIAPI ShowTimedInfoBoxSlot (CHAR16 *Title, CHAR16 *Message, UINT64 Seconds, EFI_EVENT *Event)
{
  return ShowTimedInfoBox (Title, Message, Seconds, Event);
}
static EFI_STATUS EFIAPI SetBootScreenColour (UINT8) { return EFI_UNSUPPORTED; }
static EFI_STATUS EFIAPI ShowBootScreenMenuSlot (EFI_HII_HANDLE HiiHandle, UINT16 TitleId, UINT16 HelpId, VOID *Items,
                           UINT16 Count, UINT16 *Selection)
{
  return ShowBootScreenMenu (HiiHandle, TitleId, HelpId, (MENU_ITEM *)Items, Count, Selection);
}
static EFI_STATUS EFIAPI ShowBootScreenDialogSlot (CHAR16 *Title, CHAR16 *Message, CHAR16 *Legend, UINT32 Colour, UINT8 BoxType,
                           UINT16 *ButtonIds, UINT16 ButtonCount, VOID *Keys, UINT16 KeyCount, UINT8 *Selection, VOID *Key)
{
  return ShowBootScreenDialog (Title, Message, Legend, Colour, BoxType, ButtonIds, ButtonCount, (CONST DIALOG_KEY *)Keys,
           KeyCount, Selection, (DIALOG_KEY *)Key);
}
static EFI_STATUS EFIAPI ShowProgressBoxSlot (UINT8 Action, CHAR16 *Title, CHAR16 *Message, CHAR16 *Legend, UINT64 Percentage,
                           VOID **Handle, VOID *Key)
{
  return ShowProgressBox (Action, Title, Message, Legend, Percentage, Handle, Key);
}
static EFI_STATUS EFIAPI GetBootScreenColour (UINT8 *) { return EFI_UNSUPPORTED; }
static EFI_STATUS EFIAPI ShowTextEntryBoxSlot (EFI_HII_HANDLE HiiHandle, UINT16 TitleId, VOID *Fields, UINT16 FieldCount,
                           VOID *Filter)
{
  return ShowTextEntryBox (HiiHandle, TitleId, (TEXT_ENTRY_FIELD *)Fields, FieldCount, (TEXT_ENTRY_FILTER)Filter);
}

BOOT_SCREEN_INTERFACE  gBootScreenInterface = {
  RunBootScreenFlow,     PrintBootScreenText,   PrintBootScreenTextChecked, DrawLogoScreenText,
  ShowBootScreenMessageBox, LeaveLogoScreen,    SetBootScreenCursor,        GetBootScreenCursor,
  CreateBootProgressBar, MoveBootProgressBar,   QueryBootScreenState,       ShowTimedInfoBoxSlot,
  SetBootScreenColour,   ShowBootScreenMenuSlot, ShowBootScreenDialogSlot,  ShowProgressBoxSlot,
  GetBootScreenColour,   ShowTextEntryBoxSlot
};

VOID
DrawTextPostScreen (
  VOID
  )
{
}

static VOID EFIAPI
ConsoleArrived (
  IN EFI_EVENT  Event,
  IN VOID       *Context
  )
{
  (VOID)Event;
  (VOID)Context;
}

EFI_STATUS
RegisterConsoleNotifications (
  VOID
  )
{
  EFI_GUID    *Guids[CONSOLE_NOTIFY_COUNT] = {
    &gEfiGraphicsOutputProtocolGuid, &gConsoleControlProtocolGuid, &gEfiSimpleTextInProtocolGuid,
    &gEfiSimpleTextOutProtocolGuid, &gPointerDeviceProtocolGuid
  };
  EFI_STATUS  Status;

  for (UINTN Index = 0; Index < CONSOLE_NOTIFY_COUNT; Index++) {
    Status = gBS->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, ConsoleArrived, NULL, &mConsoleEvents[Index]);
    if (EFI_ERROR (Status)) {
      return Status;
    }

    Status = gBS->RegisterProtocolNotify (Guids[Index], mConsoleEvents[Index], &mConsoleRegistrations[Index]);
    if (EFI_ERROR (Status)) {
      return Status;
    }
  }

  return EFI_SUCCESS;
}

VOID
CloseConsoleNotifications (
  VOID
  )
{
  for (UINTN Index = 0; Index < CONSOLE_NOTIFY_COUNT; Index++) {
    if ((mConsoleEvents[Index] != NULL) && !EFI_ERROR (gBS->CloseEvent (mConsoleEvents[Index]))) {
      mConsoleEvents[Index] = NULL;
    }
  }
}
