/** @file
  The boot-screen interface's slots that the setup screens serve while they run: the
  message box, the progress bar, the selection box and the progress box. Drivers
  that call the interface from inside setup (a form callback, a health repair) reach
  these; what the engine serves at POST comes back when setup ends.
**/
#include <frontend/SetupSlots.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/core/EngineGlobals.h>
#include <engine/post/BootScreenDialogs.h>
#include <engine/textui/MessageBox.h>
#include <engine/textui/TextScreen.h>
#include <gui/GuiServices.h>

#include <Library/MemoryAllocationLib.h>

#include <Library/PrintLib.h>

static BOOT_SCREEN_INTERFACE  mEngineSlots;

// "Progress: " and the percentage; the progress box reads it on every draw.
static CHAR16                 mProgressText[24];
static TUI_MESSAGE_BOX        *mProgressBox = NULL;

static BOOLEAN
HasConsoleOutput (
  VOID
  )
{
  return (BOOLEAN)((gST != NULL) && (gST->ConOut != NULL));
}

static EFI_STATUS EFIAPI
ShowMessageBoxStrings (
  IN  CHAR16  *Title,
  IN  CHAR16  *Message,
  IN  UINT8   BoxType,
  OUT UINT8   *Selection
  )
{
  if (!HasConsoleOutput ()) {
    return EFI_NOT_READY;
  }

  // The setup screens own the whole screen: there is no POST screen to save around the box.
  return ShowTextMessageBox (Title, Message, BoxType, Selection);
}

// The progress bar belongs to the POST screen; in setup it draws nothing and reports no fault.
static EFI_STATUS EFIAPI
CreateProgressBarInSetup (
  IN UINT64  Left,
  IN UINT64  Top,
  IN UINT64  Width,
  IN UINT64  Height,
  IN UINT64  Steps
  )
{
  (VOID)Left;
  (VOID)Top;
  (VOID)Width;
  (VOID)Height;
  (VOID)Steps;
  return (EFI_STATUS)ReturnZero ();
}

static EFI_STATUS EFIAPI
MoveProgressBarInSetup (
  VOID
  )
{
  return (EFI_STATUS)ReturnZero ();
}

/**
  The menu of the boot screen, shown whatever state the boot screen is in: setup may
  run under SendForm before any POST screen. The menu puts the items that can be chosen
  first and those reached only by their hotkey (states 2 and 3) last.
**/
static EFI_STATUS EFIAPI
SelectionBoxService (
  IN     EFI_HII_HANDLE  HiiHandle,
  IN     UINT16          TitleId,
  IN     UINT16          HelpId,
  IN     VOID            *Items,
  IN     UINT16          Count,
  IN OUT UINT16          *Selection
  )
{
  if (!HasConsoleOutput ()) {
    return EFI_NOT_READY;
  }

  return ShowBootScreenMenu (HiiHandle, TitleId, HelpId, (MENU_ITEM *)Items, Count, Selection);
}

static EFI_STATUS EFIAPI
ProgressBoxService (
  IN     UINT8   Action,
  IN     CHAR16  *Title,
  IN     CHAR16  *Message,
  IN     CHAR16  *Legend,
  IN     UINT64  Percentage,
  IN OUT VOID    **Handle,
  OUT    VOID    *Key
  )
{
  EFI_STATUS  Status;

  (VOID)Legend;     // the status line tells the progress instead
  if (!HasConsoleOutput ()) {
    return EFI_NOT_READY;
  }

  if ((Action == PROGRESS_OPEN) || (Action == PROGRESS_UPDATE)) {
    UINT64  Shown = (Action == PROGRESS_OPEN) ? 0 : ((Percentage > 100) ? 100 : Percentage);

    (VOID)UnicodeSPrint (mProgressText, sizeof (mProgressText), u"Progress: %Lu%%", Shown);
  }

  // The box keeps its own copy of the status line: the one this service opened takes the new one.
  if ((Action == PROGRESS_UPDATE) && (Handle != NULL) && (*Handle != NULL) && (*Handle == mProgressBox)) {
    CHAR16  *Text = StrDupUtf16 (mProgressText);

    if (Text != NULL) {
      FreePool (mProgressBox->StatusText);
      mProgressBox->StatusText = Text;
    }
  }

  Status = ShowProgressBox (Action, Title, Message, mProgressText, Percentage, Handle, Key);
  if ((Action == PROGRESS_OPEN) && !EFI_ERROR (Status)) {
    mProgressBox = (TUI_MESSAGE_BOX *)*Handle;
  } else if ((Action == PROGRESS_CLOSE) && !EFI_ERROR (Status)) {
    mProgressBox = NULL;
  }

  return Status;
}

BOOLEAN
InstallSetupSlots (
  VOID
  )
{
  if (gBootScreenInterface.ShowBootScreenMessageBox == ShowMessageBoxStrings) {
    return FALSE;     // a setup inside setup keeps the slots of the outer one
  }

  mEngineSlots                                  = gBootScreenInterface;
  gBootScreenInterface.ShowBootScreenMessageBox = ShowMessageBoxStrings;
  gBootScreenInterface.CreateBootProgressBar    = CreateProgressBarInSetup;
  gBootScreenInterface.MoveBootProgressBar      = MoveProgressBarInSetup;
  gBootScreenInterface.ShowBootScreenMenu       = SelectionBoxService;
  gBootScreenInterface.ShowProgressBox          = ProgressBoxService;
  return TRUE;
}

VOID
RestoreSetupSlots (
  VOID
  )
{
  gBootScreenInterface.ShowBootScreenMessageBox = mEngineSlots.ShowBootScreenMessageBox;
  gBootScreenInterface.CreateBootProgressBar    = mEngineSlots.CreateBootProgressBar;
  gBootScreenInterface.MoveBootProgressBar      = mEngineSlots.MoveBootProgressBar;
  gBootScreenInterface.ShowBootScreenMenu       = mEngineSlots.ShowBootScreenMenu;
  gBootScreenInterface.ShowProgressBox          = mEngineSlots.ShowProgressBox;
}
