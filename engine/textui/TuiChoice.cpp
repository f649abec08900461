/** @file
  The choice: a one-of or checkbox question shown as its prompt and "[option]" at
  the value column. + and - step through the options (wrapping), Enter opens a list
  box to pick one; every change goes out at once at the question's width. The
  boot, driver and legacy-device order questions step through the cached orders.
**/
#include <engine/textui/TuiValueControls.h>
#include <engine/textui/TuiStatements.h>
#include <engine/textui/TuiFrame.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/HookTable.h>
#include <engine/browser/DriverCallbacks.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/forms/QuestionConditions.h>
#include <engine/variables/VariableCache.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>

BOOLEAN  (*gOrderQuestionStep)(IN UINTN Index, IN UINTN Offset, IN BOOLEAN TowardFront, OUT UINT16 *Value) = NULL;

#define LIST_MARGIN       5         // columns the list box leaves free on the screen

//
// Options.
//

EFI_STATUS
TuiChoiceCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_CHOICE), TuiControlCreate, &gTuiChoiceOps);
}

EFI_STATUS
TuiChoiceDestroy (
  IN VOID     *Object,
  IN BOOLEAN  Free
  )
{
  TUI_CHOICE  *Choice = (TUI_CHOICE *)Object;

  TuiChoiceCloseList (Choice);
  FreeAndNull (Choice->Options);
  return TuiActionBindingDestroy (Object, Free);
}

static EFI_STATUS
ReadOptions (
  IN OUT TUI_CHOICE  *Choice
  )
{
  UINT16      *Tokens = NULL;
  UINT64      *Values = NULL;
  UINTN       Count   = 0;
  UINT8       HasCallback;
  UINT16      QuestionId;
  EFI_STATUS  Status;

  Status = GetQuestionOptions (&Choice->Control.Record, &Choice->OptionHandle, &Tokens, &Values, &Count, &HasCallback,
             &QuestionId);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Count = (Count > 0xFFFF) ? 0xFFFF : Count;
  FreeAndNull (Choice->Options);
  Choice->Options = (Count == 0) ? NULL : (TUI_OPTION *)AllocateZeroPool (Count * sizeof (TUI_OPTION));
  if ((Choice->Options == NULL) && (Count != 0)) {
    Status = EFI_OUT_OF_RESOURCES;
    Count  = 0;
  }

  for (UINTN Index = 0; Index < Count; Index++) {
    Choice->Options[Index].StringId = Tokens[Index];
    Choice->Options[Index].Value    = Values[Index];
  }

  Choice->OptionCount = (UINT16)Count;
  Choice->Selected    = 0;
  FreePool (Tokens);
  FreePool (Values);
  return Status;
}

EFI_STATUS
TuiChoiceInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  TUI_CHOICE   *Choice = (TUI_CHOICE *)Object;
  CONST UINT8  *Opcode;
  EFI_STATUS   Status  = TuiControlInitialize (Object, Data, Extra);

  if (EFI_ERROR (Status)) {
    return Status;
  }

  Opcode           = (CONST UINT8 *)(UINTN)Choice->Control.Record.QuestionOpcode;
  Choice->PromptId = GetPromptToken (Opcode);
  Choice->Control.Record.HelpStringId = GetHelpToken (Opcode);
  Status = ReadOptions (Choice);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Choice->Countdown = TuiRefreshInterval (&Choice->Control);
  if ((Choice->Control.Record.Flags & CONTROL_FLAG_CALLBACK) != 0) {
    Choice->Interactive = 1;
    Choice->QuestionId  = Choice->Control.Record.QuestionId;
  }

  Choice->ValueOffset = (UINT16)gTuiValueColumn;
  // A board that sets no colour leaves the defaults.
  (VOID)HookSetControlColors (&Choice->Background, &Choice->Dimmed, NULL, NULL, &Choice->FocusBackground,
          &Choice->FocusForeground, NULL, &Choice->ValueForeground, NULL, &Choice->PromptFocused, &Choice->PromptNormal,
          NULL, NULL, NULL, NULL);
  return EFI_SUCCESS;
}

//
// The stored value and the selection.
//

static UINT16
QuestionWidth (
  IN CONST TUI_CHOICE  *Choice
  )
{
  UINT16  Width = GetQuestionWidth ((CONST UINT8 *)(UINTN)Choice->Control.Record.QuestionOpcode);

  return (Width > sizeof (UINT64)) ? (UINT16)sizeof (UINT64) : Width;
}

static BOOLEAN
IsOrderVariable (
  IN  CONST TUI_CHOICE  *Choice,
  OUT UINT32            *Index
  )
{
  return (BOOLEAN)(TuiQuestionCacheIndex (&Choice->Control, Index) &&
                   ((*Index == SETUP_VARIABLE_INDEX_BOOT_ORDER) || (*Index == SETUP_VARIABLE_INDEX_DRIVER_ORDER) ||
                    (*Index == SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER)));
}

static BOOLEAN
FindValue (
  IN  CONST TUI_CHOICE  *Choice,
  IN  UINT64            Value,
  OUT UINT16            *Option
  )
{
  for (UINT16 Index = 0; Index < Choice->OptionCount; Index++) {
    if (Choice->Options[Index].Value == Value) {
      *Option = Index;
      return TRUE;
    }
  }

  return FALSE;
}

// The option with the smallest value, the earliest of equal ones.
static UINT16
SmallestOption (
  IN CONST TUI_CHOICE  *Choice
  )
{
  UINT16  Smallest = 0;

  for (UINT16 Index = 1; Index < Choice->OptionCount; Index++) {
    Smallest = (Choice->Options[Index].Value < Choice->Options[Smallest].Value) ? Index : Smallest;
  }

  return Smallest;
}

/**
  The option of the stored value. A value that matches none stands for the default when
  an option has it, else for the smallest option; answers FALSE then, for the caller
  to store that option's value.
**/
static BOOLEAN
FindStoredOption (
  IN  CONST TUI_CHOICE  *Choice,
  OUT UINT16            *Option
  )
{
  UINT16  Width   = QuestionWidth (Choice);
  UINT64  Value   = 0;
  UINT64  Default = 0;
  UINT32  Index;

  if (!EFI_ERROR (TuiReadQuestionBytes (&Choice->Control, Width, &Value)) && FindValue (Choice, Value, Option)) {
    return TRUE;
  }

  if (IsOrderVariable (Choice, &Index) && (Index != SETUP_VARIABLE_INDEX_LEGACY_DEV_ORDER)) {
    *Option = 0;
    return TRUE;
  }

  if ((Choice->Control.Record.ValueWidth == 0) || (Choice->Control.Record.ValueWidth > sizeof (UINT64)) ||
      EFI_ERROR (TuiReadQuestionDefault (&Choice->Control, Choice->Control.Record.ValueWidth, &Default)) ||
      !FindValue (Choice, Default, Option))
  {
    *Option = SmallestOption (Choice);
  }

  return FALSE;
}

// Selects the option of the stored value, storing the one that stands for a value that
// matches none, written at the question's full width so that the next read matches.
static VOID
SelectStoredValue (
  IN OUT TUI_CHOICE  *Choice
  )
{
  if (Choice->OptionCount == 0) {
    return;
  }

  if (!FindStoredOption (Choice, &Choice->Selected)) {
    (VOID)TuiWriteQuestionBytes (&Choice->Control, QuestionWidth (Choice), &Choice->Options[Choice->Selected].Value);    // none for a variable outside the cache
  }
}

//
// Drawing.
//

// Cells before the value column a one-row prompt may take.
static UINT64
PromptCells (
  IN CONST TUI_CHOICE  *Choice
  )
{
  return (Choice->ValueOffset > Choice->Control.Column) ? (UINT64)(Choice->ValueOffset - Choice->Control.Column) : 1;
}

VOID
TuiChoiceDrawPrompt (
  IN TUI_CHOICE  *Choice,
  IN UINT8       State
  )
{
  TUI_CONTROL  *Control = &Choice->Control;
  CHAR16       *Prompt  = (Choice->PromptId == 0) ? NULL : HiiGetString (Control->Record.HiiHandle, Choice->PromptId, NULL);
  UINT8        Foreground = Control->HasFocus ? Choice->PromptFocused : Choice->PromptNormal;
  UINT8        Attribute;

  Foreground = TuiStateForeground (State, Foreground);
  Attribute  = (UINT8)(Foreground | Choice->Background);
  if (Prompt == NULL) {
    return;
  }

  TuiPrintPrompt (Control, Prompt, PromptCells (Choice), Attribute);

  FreePool (Prompt);
}

UINT8
TuiChoiceValueAttribute (
  IN CONST TUI_CHOICE  *Choice,
  IN UINT8             State
  )
{
  if (State == CONDITION_STATE_GRAYED_OUT) {
    return (UINT8)(Choice->Background | TUI_GRAYED_FOREGROUND);
  }

  return Choice->Control.HasFocus ? (UINT8)(Choice->FocusBackground | Choice->FocusForeground)
                                  : (UINT8)(Choice->Background | Choice->ValueForeground);
}

// "[text]" as a new string; "[]" for an option without a readable string.
static CHAR16 *
BracketedOption (
  IN CONST TUI_CHOICE  *Choice,
  IN UINT16            Index
  )
{
  CHAR16  *Text = (Index < Choice->OptionCount) ? HiiGetString (Choice->OptionHandle, Choice->Options[Index].StringId, NULL)
                                                : NULL;
  UINTN   Size  = ((Text == NULL) ? 0 : StrLen (Text)) * sizeof (CHAR16) + 3 * sizeof (CHAR16);
  CHAR16  *Value = (CHAR16 *)AllocateZeroPool (Size);

  if (Value != NULL) {
    UnicodeSPrint (Value, Size, u"[%s]", (Text == NULL) ? u"" : Text);
  }

  FreePool (Text);
  return Value;
}

// Cells left of Limit, or 0 when Limit lies at or before Start.
static UINT64
CellsBetween (
  IN UINT64  Start,
  IN UINT64  Limit
  )
{
  return (Limit > Start) ? Limit - Start : 0;
}

/** Prints Text at a cell, cut to Cut cells ending in "..." when it is wider than Limit cells. */
static UINT64
PrintValue (
  IN UINT64        Column,
  IN UINT64        Row,
  IN CONST CHAR16  *Text,
  IN UINT64        Limit,
  IN UINT64        Cut,
  IN UINT8         Attribute
  )
{
  UINT64  Cells = GetTextCellCount (Text);

  if (Cells <= Limit) {
    PrintAt (Column, Row, Text, Attribute);
    return Cells;
  }

  PrintCut (Column, Row, Text, Cut, Attribute);
  Cells = GetTextCellCount (Text) - GetTextCellCount (Text + CountCharsThatFit (Text, Cut));
  PrintAt (Column + Cells, Row, u"...", Attribute);
  return Cells + 3;
}

// Blanks from Column to the control's right edge on Row.
static VOID
FillToEdge (
  IN CONST TUI_CHOICE  *Choice,
  IN UINT64            Column,
  IN UINT64            Row
  )
{
  UINT64  Edge  = (UINT64)Choice->Control.Column + Choice->Control.Width;
  UINT8   Attribute = (UINT8)(Choice->Background | Choice->ValueForeground);

  if (Column < Edge) {
    FillTextRect (Column, Row, Edge - Column, 1, Attribute);
  }
}

static EFI_STATUS
ChoiceDraw (
  IN VOID  *Object
  )
{
  TUI_CHOICE   *Choice  = (TUI_CHOICE *)Object;
  TUI_CONTROL  *Control = &Choice->Control;
  UINT8        State    = EvaluateControlCondition (&Control->Record);
  UINT64       Column   = (UINT64)Control->Column + Choice->ValueOffset;
  UINT64       Right    = (UINT64)Control->Column + Control->Width;
  CHAR16       *Value;
  UINT64       Used;

  if (!TuiStateDrawn (State)) {
    return EFI_UNSUPPORTED;
  }

  if (Choice->ListBox != NULL) {
    return ((TUI_CONTROL_OPS *)Choice->ListBox->Frame.Control.Header.Ops)->Draw (Choice->ListBox);
  }

  SelectStoredValue (Choice);
  TuiChoiceDrawPrompt (Choice, State);
  Value = BracketedOption (Choice, Choice->Selected);
  if (Value == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  if (Control->Height < 2) {
    Used = PrintValue (Column, Control->Row, Value, CellsBetween (Choice->ValueOffset + 4, Right),
             CellsBetween (Choice->ValueOffset + 7, Right), TuiChoiceValueAttribute (Choice, State));
    FillToEdge (Choice, Column + Used, Control->Row);
  } else {
    // How many lines it took is not needed here.
    (VOID)PrintWrappedLines (Column, Control->Row, CellsBetween (Choice->ValueOffset, Control->Width), Control->Height,
            Value, TuiChoiceValueAttribute (Choice, State));
  }

  FreePool (Value);
  TuiMarkControlRows (Control);
  return TuiDrawnStatus (State);
}

UINT16
TuiChoicePromptRows (
  IN TUI_CHOICE  *Choice
  )
{
  CHAR16  *Prompt = (Choice->PromptId == 0) ? NULL : HiiGetString (Choice->Control.Record.HiiHandle, Choice->PromptId, NULL);
  UINT16  Rows    = TuiWrappedRows (Prompt, PromptCells (Choice));

  FreePool (Prompt);
  return Rows;
}

static EFI_STATUS
ChoiceGetControlHeight (
  IN  VOID    *Object,
  IN  UINT64  FrameWidth,
  OUT UINT16  *Height
  )
{
  TUI_CHOICE  *Choice = (TUI_CHOICE *)Object;
  UINT16      Option  = Choice->Selected;
  CHAR16      *Value;
  UINT16      Rows;

  // The rows are those of the value the draw will show: a page is laid out before its
  // controls are drawn, and a driver may have stored another value since the last draw
  // (a boot-next option list is as wide as its longest option, its value "NONE").
  if (Choice->OptionCount > 0) {
    (VOID)FindStoredOption (Choice, &Option);
  }

  Value = BracketedOption (Choice, Option);
  Rows  = TuiWrappedRows (Value, CellsBetween (Choice->ValueOffset + 4, FrameWidth));

  FreePool (Value);
  *Height = (TuiChoicePromptRows (Choice) > Rows) ? TuiChoicePromptRows (Choice) : Rows;
  return EFI_SUCCESS;
}

//
// The list box.
//

static EFI_STATUS
ListClosed (
  IN VOID  *Context,
  IN VOID  *Object,
  IN VOID  *Data
  )
{
  TUI_CHOICE  *Choice = (TUI_CHOICE *)Context;

  (VOID)Object;
  Choice->ListClosed   = 1;
  Choice->ListAnswered = (UINT8)(Data != NULL);
  Choice->ListAnswer   = (Data != NULL) ? *(CONST UINT16 *)Data : 0;
  return EFI_SUCCESS;
}

EFI_STATUS
TuiChoiceOpenList (
  IN TUI_CHOICE  *Choice,
  IN UINT16      Selection
  )
{
  TUI_LIST_BOX  *Box = NULL;
  EFI_STATUS    Status;
  UINT16        Limit = (gTextScreenColumns > LIST_MARGIN) ? (UINT16)(gTextScreenColumns - LIST_MARGIN) : 1;

  Status = TuiCreate (&gTuiListBoxOps, (VOID **)&Box);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Status = gTuiListBoxOps.Control.Initialize (Box, &Choice->Control.Record, NULL);
  if (EFI_ERROR (Status)) {
    TuiDestroy (Box, TRUE);
    return Status;
  }

  Box->Frame.Control.Width = (Box->Frame.Control.Width > Limit) ? Limit : Box->Frame.Control.Width;
  Box->Selection           = (Box->ItemCount == 0) ? 0 : ((Selection < Box->ItemCount) ? Selection : (UINT16)(Box->ItemCount - 1));
  (VOID)gTuiListBoxOps.Control.SetCallback (Box, Choice, ListClosed, NULL);     // setting a callback cannot fail
  Choice->ListBox            = Box;
  Choice->ListClosed         = 0;
  Choice->ListAnswered       = 0;
  Choice->Control.OwnsFrame  = 1;
  return gTuiListBoxOps.Control.Draw (Box);
}

VOID
TuiChoiceCloseList (
  IN TUI_CHOICE  *Choice
  )
{
  if (Choice->ListBox != NULL) {
    TuiDestroy (Choice->ListBox, TRUE);       // puts the screen under it back
    Choice->ListBox = NULL;
  }

  Choice->Control.OwnsFrame = 0;
}

EFI_STATUS
TuiChoiceTick (
  IN TUI_CHOICE  *Choice
  )
{
  if ((Choice->ListBox != NULL) || (Choice->Countdown == 0) || !TuiNoPopupOpen ()) {
    return EFI_UNSUPPORTED;
  }

  if (!TuiCountTick (&Choice->Control, &Choice->Countdown)) {
    return EFI_UNSUPPORTED;
  }

  (VOID)RefreshControlValue (&Choice->Control.Record);     // a value that cannot be read again stays as shown
  return EFI_SUCCESS;
}

//
// Changes.
//

static EFI_STATUS
Commit (
  IN TUI_CHOICE  *Choice,
  IN UINT64      Value
  )
{
  TUI_CONTROL  *Control = &Choice->Control;

  return TuiCommitValue (&Control, &Value, QuestionWidth (Choice));
}

/** The value + or - gives an order question, from the cached order; FALSE when nothing changes. */
static BOOLEAN
StepOrderValue (
  IN  TUI_CHOICE  *Choice,
  IN  UINT32      Index,
  IN  BOOLEAN     TowardFront,
  OUT UINT16      *Value
  )
{
  return (BOOLEAN)((gOrderQuestionStep != NULL) &&
                   gOrderQuestionStep (Index, TuiQuestionOffset (&Choice->Control), TowardFront, Value));
}

static EFI_STATUS
StepOption (
  IN TUI_CHOICE  *Choice,
  IN BOOLEAN     Increment
  )
{
  UINT32  Index;
  UINT16  OrderValue;

  if (Choice->OptionCount == 0) {
    return EFI_UNSUPPORTED;
  }

  if (IsOrderVariable (Choice, &Index)) {
    return StepOrderValue (Choice, Index, Increment, &OrderValue) ? Commit (Choice, OrderValue) : EFI_SUCCESS;
  }

  if (Increment) {
    Choice->Selected = (UINT16)((Choice->Selected + 1 >= Choice->OptionCount) ? 0 : Choice->Selected + 1);
  } else {
    Choice->Selected = (UINT16)((Choice->Selected == 0) ? Choice->OptionCount - 1 : Choice->Selected - 1);
  }

  return Commit (Choice, Choice->Options[Choice->Selected].Value);
}

// An event for the open list box; once the box has answered it is closed.
static EFI_STATUS
ForwardToList (
  IN     TUI_CHOICE  *Choice,
  IN OUT TUI_INPUT   *Event
  )
{
  EFI_STATUS  Status = gTuiListBoxOps.Control.HandleAction (Choice->ListBox, Event);
  BOOLEAN     Changed;

  if (!Choice->ListClosed) {
    return Status;
  }

  Changed = (BOOLEAN)(Choice->ListAnswered && (Choice->ListAnswer < Choice->OptionCount) &&
                      (Choice->ListAnswer != Choice->Selected));
  TuiChoiceCloseList (Choice);
  if (Changed) {
    Choice->Selected = Choice->ListAnswer;
    (VOID)Commit (Choice, Choice->Options[Choice->Selected].Value);    // the pick is made; the callback's answer is its own
  }

  return EFI_SUCCESS;
}

// The action of a key, or of a pointer event inside the control; ACTION_NONE for anything else.
static UINT32
EventAction (
  IN CONST TUI_CONTROL  *Control,
  IN CONST TUI_INPUT    *Event
  )
{
  if (Event->Kind == TUI_EVENT_KEY) {
    return HookMapSetupKey (&Event->Key);
  }

  return TuiPointerInside (Control, Event) ? HookMapPointerAction ((UINT64)(UINTN)&Event->Pointer) : (UINT32)ACTION_NONE;
}

static EFI_STATUS
ChoiceHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_CHOICE  *Choice = (TUI_CHOICE *)Object;

  if (Event == NULL) {
    return EFI_UNSUPPORTED;
  }

  if (Event->Kind == TUI_EVENT_TICK) {
    return TuiChoiceTick (Choice);
  }

  if (((Choice->Control.Record.Flags & CONTROL_FLAG_READ_ONLY) != 0) || !Choice->Control.HasFocus) {
    return EFI_UNSUPPORTED;
  }

  if (Choice->ListBox != NULL) {
    return ForwardToList (Choice, Event);
  }

  switch (EventAction (&Choice->Control, Event)) {
    case ACTION_SELECT:
      return (Choice->OptionCount == 0) ? EFI_UNSUPPORTED : TuiChoiceOpenList (Choice, Choice->Selected);
    case ACTION_INCREMENT:
      return StepOption (Choice, TRUE);
    case ACTION_DECREMENT:
      return StepOption (Choice, FALSE);
    default:
      return EFI_UNSUPPORTED;
  }
}

TUI_CONTROL_OPS  gTuiChoiceOps = {
  TuiChoiceCreate,         TuiChoiceDestroy,            TuiChoiceInitialize, ChoiceDraw,
  ChoiceHandleAction,      TuiActionBindingSetCallback, TuiLabelSetFocus,    TuiControlSetPosition,
  TuiControlSetDimensions, TuiControlSetAttributes,     ChoiceGetControlHeight
};
