/** @file
  What choosing a controller of the driver-health page does for its status, the
  driver's messages, and which driver-health driver manages a controller, which the
  boot manager asks before it starts a device.
**/
#include <engine/boot/DriverHealth.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/textui/MessageBox.h>
#include <engine/textui/TuiApp.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define YES_BUTTON          0
#define PAGE_FLAG_ENTRY_BIT 0x01

static CHAR16  mHealthTitle[] = u"Driver Health";

VOID
ShowDriverHealthMessages (
  IN CONST EFI_DRIVER_HEALTH_HII_MESSAGE  *Messages
  )
{
  CHAR16  *Text = NULL;
  UINTN   Size  = sizeof (CHAR16);
  UINT8   Selection;

  for (UINTN Index = 0; (Messages != NULL) && (Index < DRIVER_HEALTH_MAX_MESSAGES) && (Messages[Index].HiiHandle != NULL); Index++) {
    CHAR16  *Line  = HiiGetString (Messages[Index].HiiHandle, Messages[Index].StringId, NULL);
    UINTN   Added  = (Line == NULL) ? 0 : StrLen (Line) * sizeof (CHAR16);
    CHAR16  *Grown = (CHAR16 *)ReallocatePool ((Text == NULL) ? 0 : Size, Size + Added + sizeof (CHAR16), Text);
    if (Grown != NULL) {
      Text = Grown;
      CopyMem ((UINT8 *)Text + Size - sizeof (CHAR16), (Line == NULL) ? u"" : Line, Added);
      Size += Added + sizeof (CHAR16);
      Text[Size / sizeof (CHAR16) - 2] = u'\n';
      Text[Size / sizeof (CHAR16) - 1] = 0;
    }

    FreePool (Line);
  }

  if (Text != NULL) {
    // The box only informs; which button closed it changes nothing.
    (VOID)gBootScreenInterface.ShowBootScreenMessageBox (mHealthTitle, Text, MSGBOX_BUTTONS_OK, &Selection);
    FreePool (Text);
  }
}

// Asks the record's status again, shows its messages; the form the driver names, when asked for.
static EFI_STATUS
AskAndShow (
  IN OUT DRIVER_HEALTH_RECORD  *Record,
  OUT    EFI_HII_HANDLE        *Form OPTIONAL
  )
{
  EFI_DRIVER_HEALTH_STATUS       Status   = EfiDriverHealthStatusHealthy;
  EFI_DRIVER_HEALTH_HII_MESSAGE  *Messages = NULL;
  EFI_STATUS                     Asked;

  Asked = gDriverHealth->GetHealthStatus (gDriverHealth, Record->Controller, Record->Child, &Status, &Messages, Form);
  if (!EFI_ERROR (Asked)) {
    Record->Status = (UINT32)Status;
    ShowDriverHealthMessages (Messages);
  }

  FreePool (Messages);
  return Asked;
}

static BOOLEAN
AskYes (
  IN CONST CHAR16  *Question
  )
{
  UINT8  Selection = 0xFF;

  return (BOOLEAN)(!EFI_ERROR (gBootScreenInterface.ShowBootScreenMessageBox (mHealthTitle, (CHAR16 *)Question,
                                 MSGBOX_BUTTONS_YES_NO, &Selection)) && (Selection == YES_BUTTON));
}

// The driver's configuration form becomes the page the control links to, below the control's page.
static VOID
LinkConfigurationForm (
  IN OUT CONTROL_RECORD  *Control,
  IN     EFI_HII_HANDLE  Form
  )
{
  for (UINT32 Page = 0; (Form != NULL) && (Page < TuiPageCount ()); Page++) {
    PAGE_RECORD  *Record = TuiPageRecord (Page);
    if ((Record == NULL) || (Record->HiiHandle != Form)) {
      continue;
    }

    Control->RefTargetPage   = Record->PageNumber;
    Record->Flags           &= ~(UINT32)PAGE_FLAG_ENTRY_BIT;
    Record->ParentPageNumber = Control->PageNumber;
    EnterTuiPage (Page);

    return;
  }
}

// Every record still asking for a repair gets one, then the machine restarts.
static VOID
RepairAllAndReset (
  VOID
  )
{
  for (DRIVER_HEALTH_RECORD *Record = gDriverHealthList; Record != NULL; Record = Record->Next) {
    if (Record->Status == EfiDriverHealthStatusRepairRequired) {
      // The reset follows whatever the repair answers.
      (VOID)gDriverHealth->Repair (gDriverHealth, Record->Controller, Record->Child, NULL);
    }
  }

  FreeDriverHealthList ();
  gRT->ResetSystem (EfiResetCold, EFI_SUCCESS, 0, NULL);
}

VOID
ProcessDriverHealthEntry (
  IN CONTROL_RECORD  *Control,
  IN UINT16          Index
  )
{
  DRIVER_HEALTH_RECORD  *Record   = GetDriverHealthRecord (Index);
  EFI_HII_HANDLE        Form     = NULL;
  BOOLEAN               Repaired = FALSE;

  if ((Record == NULL) || (gDriverHealth == NULL) || (gBootScreenInterface.ShowBootScreenMessageBox == NULL)) {
    return;
  }

  if (Record->Status == EfiDriverHealthStatusRepairRequired) {
    if (!EFI_ERROR (gDriverHealth->Repair (gDriverHealth, Record->Controller, Record->Child, NULL))) {
      Repaired = (BOOLEAN)!EFI_ERROR (AskAndShow (Record, NULL));     // the new status decides what follows
    }
  }

  switch (Record->Status) {
    case EfiDriverHealthStatusHealthy:
      if (!Repaired) {
        (VOID)AskAndShow (Record, NULL);     // the messages only inform; the list shows the status again
      }
      break;
    case EfiDriverHealthStatusFailed:
      (VOID)AskAndShow (Record, NULL);     // the messages only inform; the list shows the status again
      break;
    case EfiDriverHealthStatusConfigurationRequired:
      if (!EFI_ERROR (AskAndShow (Record, &Form)) && (Control != NULL)) {
        LinkConfigurationForm (Control, Form);
      }
      break;
    case EfiDriverHealthStatusReconnectRequired:
      if (AskYes (u"Proceed with Reconnecting the Controller")) {
        // Whatever driver binds again is the controller's new state; the list shows it next time.
        (VOID)gBS->DisconnectController (Record->Controller, NULL, NULL);
        (VOID)gBS->ConnectController (Record->Controller, NULL, NULL, TRUE);
      }
      break;
    case EfiDriverHealthStatusRebootRequired:
      if (AskYes (u"Proceed with Sytem Reboot")) {
        RepairAllAndReset ();
      }
      break;
    default:
      break;
  }
}
