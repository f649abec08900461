/** @file
  The control base class, the label, the control-type table and the value
  callback that controls of changeable questions share.
**/
#include <engine/textui/TuiControl.h>
#include <engine/textui/SetupActions.h>
#include <engine/textui/TuiStatements.h>
#include <engine/textui/TuiValueControls.h>
#include <engine/textui/TuiEditBox.h>
#include <engine/textui/TuiDateTime.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/forms/QuestionConditions.h>
#include <engine/core/EngineStrings.h>
#include <engine/forms/Passwords.h>
#include <engine/core/HookTable.h>
#include <engine/forms/FormParser.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/core/SetupData.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/variables/VariableCache.h>
#include <engine/core/FrontEnd.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define NO_PROMPT         0xFFFF
#define LANGUAGE_VARIABLE_INDEX  1

TUI_NOTIFY_PAGE   gTuiGotoNotify     = { TUI_NOTIFY_KIND_GOTO, sizeof (TUI_NOTIFY_PAGE), 0 };
TUI_NOTIFY_PAGE   gTuiJumpNotify     = { TUI_NOTIFY_KIND_JUMP, sizeof (TUI_NOTIFY_PAGE), 0 };
TUI_NOTIFY_VALUE  gTuiValueNotify    = { TUI_NOTIFY_KIND_VALUE, 32, 0, 0, 0, 0, NULL, 0 };
TUI_NOTIFY_VALUE  gTuiPasswordNotify = { TUI_NOTIFY_KIND_PASSWORD, sizeof (TUI_NOTIFY_VALUE), 0, 0, 0, 0, NULL, 0 };

//
// The base class.
//

EFI_STATUS
TuiControlCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_CONTROL), gTuiActionBindingOps.Create, &gTuiControlOps);
}

EFI_STATUS
TuiControlInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  CONST CONTROL_RECORD  *Record = (CONST CONTROL_RECORD *)Data;

  (VOID)Extra;
  if ((Record == NULL) || (Record->QuestionOpcode == 0) || ((Record->Flags & CONTROL_FLAG_VALID) == 0)) {
    return EFI_UNSUPPORTED;
  }

  CopyMem (&((TUI_CONTROL *)Object)->Record, Record, sizeof (CONTROL_RECORD));
  return EFI_SUCCESS;
}

EFI_STATUS
TuiControlSetPosition (
  IN VOID    *Object,
  IN UINT64  Column,
  IN UINT64  Row
  )
{
  ((TUI_CONTROL *)Object)->Column = (UINT16)Column;
  ((TUI_CONTROL *)Object)->Row    = (UINT16)Row;
  return EFI_SUCCESS;
}

EFI_STATUS
TuiControlSetDimensions (
  IN VOID    *Object,
  IN UINT64  Width,
  IN UINT64  Height
  )
{
  ((TUI_CONTROL *)Object)->Width  = (UINT16)Width;
  ((TUI_CONTROL *)Object)->Height = (UINT16)Height;
  return EFI_SUCCESS;
}

EFI_STATUS
TuiControlSetAttributes (
  IN VOID   *Object,
  IN UINT8  Background,
  IN UINT8  Foreground
  )
{
  TUI_CONTROL  *Control = (TUI_CONTROL *)Object;

  Control->Background = (Background != 0) ? Background : Control->Background;
  Control->Foreground = (Foreground != 0) ? Foreground : Control->Foreground;
  return EFI_SUCCESS;
}

EFI_STATUS
TuiRefuseHeight (
  IN  VOID    *Object,
  IN  UINT64  FrameWidth,
  OUT UINT16  *Height
  )
{
  (VOID)Object;
  (VOID)FrameWidth;
  (VOID)Height;
  return EFI_UNSUPPORTED;
}

BOOLEAN
TuiStateDrawn (
  IN UINT8  State
  )
{
  return (BOOLEAN)((State == CONDITION_STATE_SHOWN) || (State == CONDITION_STATE_GRAYED_OUT));
}

UINT8
TuiStateForeground (
  IN UINT8  State,
  IN UINT8  Foreground
  )
{
  return (State == CONDITION_STATE_GRAYED_OUT) ? (UINT8)TUI_GRAYED_FOREGROUND : Foreground;
}

EFI_STATUS
TuiDrawnStatus (
  IN UINT8  State
  )
{
  return (State == CONDITION_STATE_GRAYED_OUT) ? TUI_DRAWN_GRAYED : EFI_SUCCESS;
}

EFI_STATUS
TuiRefuseFocus (
  IN VOID     *Object,
  IN BOOLEAN  Focus
  )
{
  (VOID)Object;
  (VOID)Focus;
  return EFI_UNSUPPORTED;
}

EFI_STATUS
TuiRefuseCallback (
  IN VOID          *Object,
  IN VOID          *Context,
  IN TUI_CALLBACK  Function,
  IN VOID          *Data
  )
{
  (VOID)Object;
  (VOID)Context;
  (VOID)Function;
  (VOID)Data;
  return EFI_UNSUPPORTED;
}

TUI_CONTROL_OPS  gTuiControlOps = {
  TuiControlCreate,       TuiActionBindingDestroy,     TuiControlInitialize, TuiSuccessOperation,
  TuiRefuseAction,        TuiActionBindingSetCallback, TuiRefuseFocus,       TuiControlSetPosition,
  TuiControlSetDimensions, TuiControlSetAttributes, TuiRefuseHeight
};

//
// The label.
//

// The prompt (Offset 2) and help (Offset 4) ids of a statement; 0xFFFF from an opcode too short to hold them.
UINT16
TuiStatementString (
  IN CONST TUI_CONTROL  *Control,
  IN UINTN              Offset
  )
{
  CONST UINT8  *Opcode = (CONST UINT8 *)(UINTN)Control->Record.QuestionOpcode;

  if ((Opcode == NULL) || (IfrLength (Opcode) < Offset + sizeof (UINT16))) {
    return NO_PROMPT;
  }

  return ReadUnaligned16 (Opcode + Offset);
}

// The prompt as a new string: null for the id 0xFFFF, an empty string when it cannot be read.
CHAR16 *
TuiReadPrompt (
  IN  CONST TUI_CONTROL  *Control,
  OUT BOOLEAN            *NoPrompt
  )
{
  UINT16  Prompt = TuiStatementString (Control, 2);
  CHAR16  *Text;

  *NoPrompt = (BOOLEAN)(Prompt == NO_PROMPT);
  if (*NoPrompt) {
    return NULL;
  }

  Text = HiiGetString (Control->Record.HiiHandle, Prompt, NULL);
  return (Text != NULL) ? Text : (CHAR16 *)AllocateZeroPool (sizeof (CHAR16));
}

static EFI_STATUS
LabelCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_LABEL), TuiControlCreate, &gTuiLabelOps);
}

EFI_STATUS
TuiLabelDestroy (
  IN VOID     *Object,
  IN BOOLEAN  Free
  )
{
  FreeAndNull (((TUI_LABEL *)Object)->Text);
  return TuiActionBindingDestroy (Object, Free);
}

static EFI_STATUS
LabelInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  TUI_LABEL   *Label = (TUI_LABEL *)Object;
  EFI_STATUS  Status = TuiControlInitialize (Object, Data, Extra);

  if (EFI_ERROR (Status)) {
    return Status;
  }

  Label->Control.Record.HelpStringId = TuiStatementString (&Label->Control, 4);
  // A board that sets no colour leaves the defaults.
  (VOID)HookSetControlColors (NULL, NULL, NULL, NULL, &Label->FocusBackground, &Label->FocusForeground,
          &Label->NormalBackground, &Label->NormalForeground, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
  return EFI_SUCCESS;
}

EFI_STATUS
TuiLabelDraw (
  IN VOID  *Object
  )
{
  TUI_LABEL    *Label   = (TUI_LABEL *)Object;
  TUI_CONTROL  *Control = &Label->Control;
  UINT8        State    = EvaluateControlCondition (&Control->Record);
  UINT8        Attribute;
  BOOLEAN      NoPrompt;
  CHAR16       *Text;

  if (!TuiStateDrawn (State)) {
    return EFI_UNSUPPORTED;
  }

  Text = TuiReadPrompt (Control, &NoPrompt);
  if ((Text == NULL) && !NoPrompt) {
    return EFI_NOT_FOUND;
  }

  FreePool (Label->Text);
  Label->Text = Text;
  Attribute   = Control->HasFocus ? (UINT8)(Label->FocusForeground | Label->FocusBackground)
                : (UINT8)(Label->NormalBackground | TuiStateForeground (State, Label->NormalForeground));
  if ((Text != NULL) && (Control->Height < 2)) {
    UINT64  Fit = CountCharsThatFit (Text, Control->Width);
    CHAR16  Kept = Text[Fit];
    Text[Fit] = 0;            // cut to the control's width, then put back
    PrintAt (Control->Column, Control->Row, Text, Attribute);
    Text[Fit] = Kept;
  } else if (Text != NULL) {
    (VOID)PrintWrappedLines (Control->Column, Control->Row, Control->Width, Control->Height, Text, Attribute);
  }

  MarkRowsDirty (Control->Row, Control->Row);
  return TuiDrawnStatus (State);
}

static EFI_STATUS
LabelHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  if ((Event == NULL) || (Event->Kind != TUI_EVENT_KEY) || (HookMapSetupKey (&Event->Key) != ACTION_SELECT)) {
    return EFI_UNSUPPORTED;
  }

  return TuiRunCallbackAndClear ((TUI_ACTION_BINDING *)Object, Event);
}

EFI_STATUS
TuiLabelSetFocus (
  IN VOID     *Object,
  IN BOOLEAN  Focus
  )
{
  TUI_CONTROL  *Control = (TUI_CONTROL *)Object;

  if (!Focus) {
    Control->HasFocus = FALSE;
    return EFI_SUCCESS;
  }

  if (EvaluateControlCondition (&Control->Record) != CONDITION_STATE_SHOWN) {
    return EFI_UNSUPPORTED;
  }

  Control->HasFocus = TRUE;
  return EFI_SUCCESS;
}

EFI_STATUS
TuiLabelGetControlHeight (
  IN  VOID    *Object,
  IN  UINT64  FrameWidth,
  OUT UINT16  *Height
  )
{
  BOOLEAN  NoPrompt;
  UINT64   Lines = 0;
  CHAR16   *Text = TuiReadPrompt ((TUI_CONTROL *)Object, &NoPrompt);
  // The width the frame gives its controls, which Draw cuts a one-row prompt to.
  CHAR16   *Wrapped = (Text == NULL) ? NULL : WrapText (Text, (FrameWidth > 4) ? FrameWidth - 4 : 1, &Lines);

  FreePool (Wrapped);
  FreePool (Text);
  *Height = (UINT16)((Lines == 0) ? 1 : ((Lines > 0xFFFF) ? 0xFFFF : Lines));
  return EFI_SUCCESS;
}

TUI_CONTROL_OPS  gTuiLabelOps = {
  LabelCreate,       TuiLabelDestroy,                LabelInitialize, TuiLabelDraw,
  LabelHandleAction, TuiActionBindingSetCallback, TuiLabelSetFocus,   TuiControlSetPosition,
  TuiControlSetDimensions, TuiControlSetAttributes, TuiLabelGetControlHeight
};

//
// The value callback and the control-type table.
//

EFI_STATUS
OnValueChanged (
  IN VOID  *Frame,
  IN VOID  *Control,
  IN VOID  *Record
  )
{
  TUI_NOTIFY_VALUE  *Value  = (TUI_NOTIFY_VALUE *)Record;
  EFI_STATUS        Status  = EFI_SUCCESS;
  UINTN             Offset;

  (VOID)Frame;
  if ((Value == NULL) || (Value->Kind != TUI_NOTIFY_KIND_VALUE) || (Control == NULL)) {
    return EFI_SUCCESS;       // a record of another kind is not this callback's
  }

  Offset = Value->Offset & 0xFFFF;
  if (Value->VariableIndex < GetVariableCount ()) {
    // Under SendForm a question without a varstore holds its value for its driver's
    // callbacks only (the parser gives it the form set's default store): as in the
    // firmware's own browser there is nothing of it to save, nor to ask about on leaving.
    if (!gSendFormRunning ||
        QuestionHasVarStore ((CONST UINT8 *)(UINTN)((TUI_CONTROL *)Control)->Record.QuestionOpcode))
    {
      MarkVariableEdited (Value->VariableIndex);
    }

    Status = WriteVariableBytes (Value->VariableIndex, Offset, Value->Width, Value->Value);
    if (!EFI_ERROR (Status) && (Value->VariableIndex == LANGUAGE_VARIABLE_INDEX)) {
      Status = WriteVariableBytesNoTranslate (LANGUAGE_VARIABLE_INDEX, Offset, Value->Width, Value->Value);
    }
  }

  if ((((TUI_CONTROL *)Control)->Record.Flags & CONTROL_FLAG_RESET_REQUIRED) != 0) {
    gResetNeeded = 1;
  }

  return Status;
}

//
// The password record names the question's width, but the typed text may be
// shorter: the value stored is the text cut or zero-padded to that width, so no
// byte past the text is read and the stored bytes are what a later compare expects.
//
CHAR16 *
TuiPaddedText (
  IN CONST CHAR16  *Text,
  IN UINTN         Width
  )
{
  CHAR16  *Padded = (CHAR16 *)AllocateZeroPool (Width + sizeof (CHAR16));
  UINTN   Size    = (Text == NULL) ? 0 : StrLen (Text) * sizeof (CHAR16);

  if (Padded != NULL) {
    CopyMem (Padded, Text, (Size < Width) ? Size : Width);
  }

  return Padded;
}

static EFI_STATUS
StorePassword (
  IN CONST CONTROL_RECORD  *Control,
  IN TUI_NOTIFY_VALUE      *Value,
  IN CHAR16                *Padded
  )
{
  UINTN       Offset  = Value->Offset & 0xFFFF;
  CHAR16      *Stored = Padded;
  EFI_STATUS  Status;

  if (IsEncodedPasswordQuestion (Control)) {
    Stored = DuplicateAndEncodePassword (Padded, Value->Width);
    if (Stored == NULL) {
      return EFI_OUT_OF_RESOURCES;
    }
  }

  MarkVariableEdited (Value->VariableIndex);
  Status = WriteVariableBytes (Value->VariableIndex, Offset, Value->Width, Stored);
  if (Stored != Padded) {
    ZeroMem (Stored, Value->Width);      // it held a password
    FreePool (Stored);
  }

  return Status;
}

EFI_STATUS
OnPasswordChanged (
  IN VOID  *Frame,
  IN VOID  *Control,
  IN VOID  *Record
  )
{
  TUI_NOTIFY_VALUE  *Value = (TUI_NOTIFY_VALUE *)Record;
  CONTROL_RECORD    *Head;
  CHAR16            *Padded;
  EFI_STATUS        Status = EFI_SUCCESS;

  (VOID)Frame;
  if ((Value == NULL) || (Value->Kind != TUI_NOTIFY_KIND_PASSWORD) || (Control == NULL)) {
    return EFI_SUCCESS;       // a record of another kind is not this callback's
  }

  Head = &((TUI_CONTROL *)Control)->Record;
  if ((Value->VariableIndex < GetVariableCount ()) && (Value->Width != 0)) {
    Padded = TuiPaddedText ((CONST CHAR16 *)Value->Value, Value->Width);
    if (Padded == NULL) {
      return EFI_OUT_OF_RESOURCES;
    }

    // Only a password hard-disk security does not take is the engine's to store; one it
    // took and the drive refused must not land in the variable instead.
    Status = (gFrontEnd.PasswordChosen == NULL) ? EFI_UNSUPPORTED : gFrontEnd.PasswordChosen (Head, Padded);
    if (Status == EFI_UNSUPPORTED) {
      Status = StorePassword (Head, Value, Padded);
    }

    ZeroMem (Padded, Value->Width);
    FreePool (Padded);
  }

  if ((Head->Flags & CONTROL_FLAG_RESET_REQUIRED) != 0) {
    gResetNeeded = 1;
  }

  return Status;
}

static EFI_STATUS
EmptyCallback (
  IN VOID  *Context,
  IN VOID  *Object,
  IN VOID  *Data
  )
{
  (VOID)Context;
  (VOID)Object;
  (VOID)Data;
  return EFI_SUCCESS;
}

// The fixed exit items act on setup's settings, which are the front end's.
static EFI_STATUS
RunExitItem (
  IN VOID  *Context,
  IN VOID  *Object,
  IN VOID  *Data
  )
{
  return (gFrontEnd.ExitItemSelected == NULL) ? EFI_UNSUPPORTED : gFrontEnd.ExitItemSelected (Context, Object, Data);
}

//
// Every question type has its editing class; a record of a type without a row
// makes no control.
//
static TUI_CONTROL_TYPE_ENTRY  mTuiControlTypes[] = {
  { 14, &gTuiTabStripOps.Base,  1, OnTabStripSelect,  &gTuiJumpNotify },       // tab strip
  { 1,  &gTuiLinkOps,           1, OnLinkSelect,      &gTuiGotoNotify },       // link to a form
  { 2,  &gTuiLabelOps,          1, RunExitItem,       NULL },                  // the fixed exit items
  { 3,  &gTuiTextOps.Base,      0, NULL,              NULL },                  // text
  { 19, &gTuiStringOps,         1, OnValueChanged,    &gTuiValueNotify },      // string
  { 4,  &gTuiDateOps,           0, NULL,              NULL },                  // date
  { 5,  &gTuiTimeOps,           0, NULL,              NULL },                  // time
  { 6,  &gTuiChoiceOps,         1, OnValueChanged,    &gTuiValueNotify },      // one-of and checkbox
  { 10, &gTuiChoiceOps,         1, OnValueChanged,    &gTuiValueNotify },
  { 8,  &gTuiTextPaneOps.Base,  0, NULL,              NULL },                  // subtitle and the panes
  { 11, &gTuiNumberOps,         1, OnValueChanged,    &gTuiValueNotify },      // numeric
  { 15, &gTuiOrderListOps,      1, OnValueChanged,    &gTuiValueNotify },      // ordered list
  { 13, &gTuiPasswordOps,       1, OnPasswordChanged, &gTuiPasswordNotify },   // password
  { 27, &gTuiPageLinkOps,       1, EmptyCallback,     NULL },                  // action
  { 28, &gTuiResetButtonOps,    1, EmptyCallback,     NULL },                  // reset button
  { 0,  NULL,                   0, NULL,              NULL },
};

CONST TUI_CONTROL_TYPE_ENTRY *
FindControlType (
  IN UINT64  ControlType
  )
{
  if (ControlType == 0) {
    return NULL;
  }

  for (UINTN Index = 0; mTuiControlTypes[Index].ControlType != 0; Index++) {
    if (mTuiControlTypes[Index].ControlType == ControlType) {
      return (mTuiControlTypes[Index].Ops != NULL) ? &mTuiControlTypes[Index] : NULL;
    }
  }

  return NULL;
}
