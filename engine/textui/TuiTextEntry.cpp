/** @file
  The text entry: an in-place edit field at the value column. Typed characters
  replace the text, Backspace takes the last one back, Esc and the arrows put the
  text from before the edit back, and Enter reports the text. The number control
  builds on it.
**/
#include <engine/textui/TuiValueControls.h>
#include <engine/textui/TuiStatements.h>
#include <engine/textui/TuiFrame.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/HookTable.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/forms/QuestionConditions.h>
#include <Uefi/UefiIfr.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define PASSWORD_MASK     u'*'

EFI_STATUS
TuiTextEntryCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_TEXT_ENTRY), TuiControlCreate, &gTuiTextEntryOps);
}

// The buffers may have held a password: they are cleared before they go back.
static VOID
FreeText (
  IN OUT CHAR16  **Text,
  IN     UINTN   Capacity
  )
{
  if (*Text != NULL) {
    ZeroMem (*Text, (Capacity + 1) * sizeof (CHAR16));
    FreePool (*Text);
    *Text = NULL;
  }
}

EFI_STATUS
TuiTextEntryDestroy (
  IN VOID     *Object,
  IN BOOLEAN  Free
  )
{
  TUI_TEXT_ENTRY  *Entry = (TUI_TEXT_ENTRY *)Object;

  FreeText (&Entry->Text, Entry->Capacity);
  FreeText (&Entry->Backup, Entry->Capacity);
  return TuiActionBindingDestroy (Object, Free);
}

BOOLEAN
TuiTextEntryEditing (
  IN CONST TUI_TEXT_ENTRY  *Entry
  )
{
  return (BOOLEAN)(Entry->Control.OwnsFrame != 0);
}

static UINT16
QuestionWidth (
  IN CONST TUI_TEXT_ENTRY  *Entry
  )
{
  return GetQuestionWidth ((CONST UINT8 *)(UINTN)Entry->Control.Record.QuestionOpcode);
}

EFI_STATUS
TuiTextEntryInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  TUI_TEXT_ENTRY  *Entry  = (TUI_TEXT_ENTRY *)Object;
  EFI_STATUS      Status  = TuiControlInitialize (Object, Data, Extra);
  CONST UINT8     *Opcode;
  UINTN           Width;

  if (EFI_ERROR (Status)) {
    return Status;
  }

  Opcode = (CONST UINT8 *)(UINTN)Entry->Control.Record.QuestionOpcode;
  Width  = QuestionWidth (Entry);
  Entry->Control.Record.HelpStringId = GetHelpToken (Opcode);
  // A board that sets no colour leaves the defaults.
  (VOID)HookSetControlColors (NULL, NULL, NULL, NULL, NULL, &Entry->FocusForeground, &Entry->NormalBackground,
          &Entry->NormalForeground, NULL, &Entry->PromptFocused, &Entry->PromptNormal, &Entry->FieldBackground,
          &Entry->EditForeground, NULL, NULL);
  if (Entry->Capacity == 0) {
    Entry->Capacity = (UINT16)((Width >= 2) ? 3 * Width : 4);
  }

  FreeText (&Entry->Text, Entry->Capacity);
  FreeText (&Entry->Backup, Entry->Capacity);
  Entry->Text   = (CHAR16 *)AllocateZeroPool (((UINTN)Entry->Capacity + 1) * sizeof (CHAR16));
  Entry->Backup = (CHAR16 *)AllocateZeroPool (((UINTN)Entry->Capacity + 1) * sizeof (CHAR16));
  if ((Entry->Text == NULL) || (Entry->Backup == NULL)) {
    return EFI_OUT_OF_RESOURCES;
  }

  Entry->Mask        = (Opcode[0] == EFI_IFR_PASSWORD_OP) ? PASSWORD_MASK : 0;
  Entry->ValueOffset = (UINT16)gTuiValueColumn;
  // The text holds the stored bytes, cut to what it can hold and still end.
  Width = (Width > (UINTN)Entry->Capacity * sizeof (CHAR16)) ? (UINTN)Entry->Capacity * sizeof (CHAR16) : Width;
  (VOID)TuiReadQuestionBytes (&Entry->Control, Width, Entry->Text);    // nothing stored shows an empty field
  return EFI_SUCCESS;
}

// Cells of the field: its capacity, or less when the control is too narrow.
static UINT16
FieldWidth (
  IN CONST TUI_TEXT_ENTRY  *Entry
  )
{
  INT64  Room = (INT64)Entry->Control.Width - Entry->ValueOffset - 2;

  Room = (Room < 0) ? 0 : Room;
  return (UINT16)((Room < Entry->Capacity) ? Room : Entry->Capacity);
}

static VOID
DrawPrompt (
  IN TUI_TEXT_ENTRY  *Entry,
  IN UINT8           State
  )
{
  TUI_CONTROL  *Control = &Entry->Control;
  BOOLEAN      NoPrompt;
  CHAR16       *Prompt  = TuiReadPrompt (Control, &NoPrompt);
  UINT64       Cells    = (Entry->ValueOffset > Control->Column) ? (UINT64)(Entry->ValueOffset - Control->Column) : 1;
  UINT8        Foreground = Control->HasFocus ? Entry->PromptFocused : Entry->PromptNormal;
  UINT8        Attribute  = (UINT8)(Entry->NormalBackground | TuiStateForeground (State, Foreground));

  if (Prompt == NULL) {
    return;
  }

  TuiPrintPrompt (Control, Prompt, Cells, Attribute);

  FreePool (Prompt);
}

static UINT8
FieldAttribute (
  IN CONST TUI_TEXT_ENTRY  *Entry,
  IN UINT8                 State
  )
{
  if (State == CONDITION_STATE_GRAYED_OUT) {
    return (UINT8)(Entry->NormalBackground | TUI_GRAYED_FOREGROUND);
  }

  if (Entry->Control.HasFocus) {
    return (UINT8)((TuiTextEntryEditing (Entry) ? Entry->EditForeground : Entry->FocusForeground) | Entry->FieldBackground);
  }

  return (UINT8)(Entry->NormalForeground | Entry->NormalBackground);
}

// The field cleared, then the text (or its mask) over it, never past the field.
static VOID
DrawField (
  IN TUI_TEXT_ENTRY  *Entry,
  IN UINT8           Attribute
  )
{
  UINT64  Column = (UINT64)Entry->Control.Column + Entry->ValueOffset;
  UINT64  Cells  = Entry->FieldWidth;
  UINT64  Shown;

  if (Cells == 0) {
    return;
  }

  FillTextRect (Column, Entry->Control.Row, Cells, 1, Attribute);
  if (Entry->Mask == 0) {
    PrintCut (Column, Entry->Control.Row, Entry->Text, Cells, Attribute);
    return;
  }

  Shown = GetTextCellCount (Entry->Text);
  for (UINT64 Cell = 0; (Cell < Shown) && (Cell < Cells); Cell++) {
    CHAR16  Mask[2] = { Entry->Mask, 0 };
    PrintAt (Column + Cell, Entry->Control.Row, Mask, Attribute);
  }
}

EFI_STATUS
TuiTextEntryDraw (
  IN VOID  *Object
  )
{
  TUI_TEXT_ENTRY  *Entry = (TUI_TEXT_ENTRY *)Object;
  UINT8           State  = EvaluateControlCondition (&Entry->Control.Record);

  if (!TuiStateDrawn (State)) {
    return EFI_UNSUPPORTED;
  }

  Entry->FieldWidth = FieldWidth (Entry);
  DrawPrompt (Entry, State);
  DrawField (Entry, FieldAttribute (Entry, State));
  MarkRowsDirty (Entry->Control.Row, Entry->Control.Row);
  FlushTextScreen ();
  return TuiDrawnStatus (State);
}

// The first change of an edit keeps the text to go back to.
static VOID
StartEdit (
  IN OUT TUI_TEXT_ENTRY  *Entry
  )
{
  if (!TuiTextEntryEditing (Entry)) {
    CopyMem (Entry->Backup, Entry->Text, ((UINTN)Entry->Capacity + 1) * sizeof (CHAR16));
    Entry->Control.OwnsFrame = 1;
  }
}

static EFI_STATUS
CancelEdit (
  IN OUT TUI_TEXT_ENTRY  *Entry
  )
{
  if (!TuiTextEntryEditing (Entry)) {
    return EFI_UNSUPPORTED;
  }

  CopyMem (Entry->Text, Entry->Backup, ((UINTN)Entry->Capacity + 1) * sizeof (CHAR16));
  Entry->Control.OwnsFrame = 0;
  (VOID)TuiTextEntryDraw (Entry);     // a control that cannot draw now is drawn at the next redraw
  return EFI_SUCCESS;
}

static EFI_STATUS
ReportText (
  IN OUT TUI_TEXT_ENTRY  *Entry
  )
{
  TUI_CONTROL  *Control = &Entry->Control;
  // The text buffer holds 3 characters a byte of the width, so the width never reads past it.
  EFI_STATUS   Status   = TuiCommitValue (&Control, Entry->Text, QuestionWidth (Entry));

  Entry->Control.OwnsFrame = 0;
  (VOID)TuiTextEntryDraw (Entry);     // a control that cannot draw now is drawn at the next redraw
  return Status;
}

static EFI_STATUS
TypeCharacter (
  IN OUT TUI_TEXT_ENTRY  *Entry,
  IN     CHAR16          Character
  )
{
  UINTN  Length = StrLen (Entry->Text);

  if (((Entry->Control.Record.ControlType & CONTROL_TYPE_MASK) != CONTROL_TYPE_NUMERIC) ||
      (TuiTextEntryEditing (Entry) && (Length >= Entry->Capacity)))
  {
    return EFI_UNSUPPORTED;
  }

  if (!TuiTextEntryEditing (Entry)) {
    StartEdit (Entry);
    ZeroMem (Entry->Text, ((UINTN)Entry->Capacity + 1) * sizeof (CHAR16));
    Length = 0;
  }

  Entry->Text[Length]     = Character;
  Entry->Text[Length + 1] = 0;
  (VOID)TuiTextEntryDraw (Entry);     // a control that cannot draw now is drawn at the next redraw
  return EFI_SUCCESS;
}

static EFI_STATUS
EraseCharacter (
  IN OUT TUI_TEXT_ENTRY  *Entry
  )
{
  UINTN  Length = StrLen (Entry->Text);

  if (Length == 0) {
    return EFI_UNSUPPORTED;
  }

  StartEdit (Entry);
  Entry->Text[Length - 1] = 0;
  (VOID)TuiTextEntryDraw (Entry);     // a control that cannot draw now is drawn at the next redraw
  return EFI_SUCCESS;
}

EFI_STATUS
TuiTextEntryHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_TEXT_ENTRY  *Entry = (TUI_TEXT_ENTRY *)Object;

  if ((Event == NULL) || (Event->Kind != TUI_EVENT_KEY)) {
    return EFI_UNSUPPORTED;
  }

  switch (HookMapSetupKey (&Event->Key)) {
    case ACTION_LEFT:
    case ACTION_RIGHT:
      return TuiTextEntryEditing (Entry) ? EFI_SUCCESS : EFI_UNSUPPORTED;
    case ACTION_UP:
    case ACTION_DOWN:
    case ACTION_ABORT:
      return CancelEdit (Entry);
    case ACTION_SELECT:
      return ReportText (Entry);
    case ACTION_BACKSPACE:
      return EraseCharacter (Entry);
    default:
      break;
  }

  if (Event->Key.Key.ScanCode != 0) {
    return EFI_UNSUPPORTED;
  }

  return TypeCharacter (Entry, Event->Key.Key.UnicodeChar);
}

EFI_STATUS
TuiTextEntrySetFocus (
  IN VOID     *Object,
  IN BOOLEAN  Focus
  )
{
  if (!Focus) {
    ((TUI_CONTROL *)Object)->OwnsFrame = 0;     // leaving ends the edit; the text stays as typed
  }

  return TuiLabelSetFocus (Object, Focus);
}

TUI_CONTROL_OPS  gTuiTextEntryOps = {
  TuiTextEntryCreate,       TuiTextEntryDestroy,         TuiTextEntryInitialize, TuiTextEntryDraw,
  TuiTextEntryHandleAction, TuiActionBindingSetCallback, TuiTextEntrySetFocus,   TuiControlSetPosition,
  TuiControlSetDimensions,  TuiControlSetAttributes,     TuiRefuseHeight
};
