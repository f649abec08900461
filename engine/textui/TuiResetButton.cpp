/** @file
  The reset button: drawn as a label, Enter (or a click that selects) loads the
  values of the button's default store for every question of its page.
**/
#include <engine/textui/TuiStatements.h>
#include <engine/browser/FormBrowser.h>
#include <Uefi/UefiIfr.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>

#define NO_DEFAULT_STORE  0xFFFF

static EFI_STATUS
ResetButtonCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_RESET_BUTTON), TuiControlCreate, &gTuiResetButtonOps);
}

static EFI_STATUS
ResetButtonInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  CONST CONTROL_RECORD  *Record = (CONST CONTROL_RECORD *)Data;
  UINT16                Help    = (Record != NULL) ? Record->HelpStringId : 0;
  TUI_CONTROL           *Control = &((TUI_RESET_BUTTON *)Object)->Label.Control;
  EFI_STATUS            Status  = gTuiLabelOps.Initialize (Object, Data, Extra);

  // A help token the record already names wins over the opcode's.
  if (!EFI_ERROR (Status) && (Help != 0)) {
    Control->Record.HelpStringId = Help;
  }

  return Status;
}

// The default store the button's opcode names; NO_DEFAULT_STORE when it is no RESET_BUTTON.
static UINT16
ButtonDefaultId (
  IN CONST TUI_CONTROL  *Control
  )
{
  CONST UINT8  *Opcode = (CONST UINT8 *)(UINTN)Control->Record.QuestionOpcode;
  UINT16       DefaultId;

  if ((Opcode == NULL) || (Opcode[0] != EFI_IFR_RESET_BUTTON_OP) ||
      ((Opcode[1] & 0x7F) < sizeof (EFI_IFR_RESET_BUTTON)))
  {
    return NO_DEFAULT_STORE;
  }

  CopyMem (&DefaultId, Opcode + offsetof (EFI_IFR_RESET_BUTTON, DefaultId), sizeof (DefaultId));
  return DefaultId;
}

static EFI_STATUS
ResetButtonHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_CONTROL     *Control = &((TUI_RESET_BUTTON *)Object)->Label.Control;
  CONTROL_RECORD  Copy;
  UINT16          DefaultId;

  if ((Event == NULL) || ((Event->Kind != TUI_EVENT_KEY) && (Event->Kind != TUI_EVENT_POINTER)) ||
      !TuiIsSelectEvent (Control, Event))
  {
    return EFI_UNSUPPORTED;
  }

  DefaultId = ButtonDefaultId (Control);
  if (DefaultId == NO_DEFAULT_STORE) {
    return EFI_UNSUPPORTED;
  }

  // The page defaults may rebuild what the control's record points into: hand them a copy.
  CopyMem (&Copy, &Control->Record, sizeof (Copy));
  return ApplyPageDefaults (&Copy, DefaultId);
}

TUI_CONTROL_OPS  gTuiResetButtonOps = {
  ResetButtonCreate,       TuiLabelDestroy,             ResetButtonInitialize, TuiLabelDraw,
  ResetButtonHandleAction, TuiActionBindingSetCallback, TuiLabelSetFocus,      TuiControlSetPosition,
  TuiControlSetDimensions, TuiControlSetAttributes,     TuiLabelGetControlHeight
};
