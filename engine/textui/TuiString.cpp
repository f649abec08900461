/** @file
  The string control: the prompt and the stored string, which Enter lets the user
  change in an edit box within the question's minimum and maximum length.
**/
#include <engine/textui/TuiEditBox.h>
#include <engine/textui/MessageBox.h>
#include <engine/textui/TuiApp.h>
#include <engine/textui/TuiStatements.h>
#include <engine/browser/DriverCallbacks.h>
#include <engine/core/HookTable.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/forms/QuestionConditions.h>
#include <engine/variables/VariableCache.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

static EFI_STATUS
StringCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_STRING), TuiControlCreate, &gTuiStringOps);
}

static EFI_STATUS
StringDestroy (
  IN VOID     *Object,
  IN BOOLEAN  Free
  )
{
  FreeAndNull (((TUI_STRING *)Object)->Text);
  return TuiActionBindingDestroy (Object, Free);
}

static CONST UINT8 *
StringOpcode (
  IN CONST TUI_STRING  *String
  )
{
  return (CONST UINT8 *)(UINTN)String->Control.Record.QuestionOpcode;
}

static EFI_STATUS
StringInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  TUI_STRING  *String = (TUI_STRING *)Object;
  EFI_STATUS  Status  = TuiControlInitialize (Object, Data, Extra);

  if (EFI_ERROR (Status)) {
    return Status;
  }

  TuiBindCacheVariable (&String->Control);
  String->Control.Record.HelpStringId = TuiStatementString (&String->Control, 4);
  String->ValueOffset = (UINT16)gTuiValueColumn;
  String->Countdown   = TuiRefreshInterval (&String->Control);
  String->MaxLength   = (UINT16)GetQuestionMaximum (StringOpcode (String));
  if (String->MaxLength == 0) {
    String->MaxLength = (UINT16)(GetQuestionWidth (StringOpcode (String)) / sizeof (CHAR16));
  }

  // A board that sets no colour leaves the defaults.
  (VOID)HookSetControlColors (NULL, NULL, NULL, NULL, &String->FocusBackground, &String->FocusForeground,
          &String->NormalBackground, &String->NormalForeground, NULL, &String->PromptFocused, NULL, NULL, NULL, NULL, NULL);
  return EFI_SUCCESS;
}

// The stored string: at most the maximum's characters, never read past the question's width.
static CHAR16 *
ReadStoredString (
  IN CONST TUI_STRING  *String
  )
{
  UINTN   Width = GetQuestionWidth (StringOpcode (String));
  UINTN   Room  = (UINTN)String->MaxLength * sizeof (CHAR16);
  CHAR16  *Text = (CHAR16 *)AllocateZeroPool (Room + sizeof (CHAR16));

  if (Text != NULL) {
    // A value that cannot be read shows as an empty string.
    (VOID)ReadVariableBytes (String->Control.Record.VariableIndex, GetQuestionOffset (StringOpcode (String)),
            (Width < Room) ? Width : Room, Text, FALSE);
  }

  return Text;
}

static VOID
DrawStringValue (
  IN TUI_STRING  *String,
  IN UINT8       Attribute
  )
{
  TUI_CONTROL  *Control = &String->Control;
  UINT64       Room     = (Control->Width > String->ValueOffset) ? (UINT64)(Control->Width - String->ValueOffset) : 0;
  CHAR16       *Shown;

  String->ShownWidth = (UINT16)((Room < 2) ? 0 : ((String->MaxLength < Room - 2) ? String->MaxLength : Room - 2));
  if ((String->Text == NULL) || (Room == 0)) {
    return;
  }

  // A shorter value than the one drawn before leaves none of it behind.
  FillTextRect (Control->Column + String->ValueOffset, Control->Row, Room, (Control->Height > 0) ? Control->Height : 1, Attribute);

  if (Control->Height < 2) {
    Shown = CutWithEllipsis (String->Text, Room, Room);
    if (Shown != NULL) {
      PrintAt (Control->Column + String->ValueOffset, Control->Row, Shown, Attribute);
      FreePool (Shown);
    }
  } else {
    // How many lines it took is not needed here.
    (VOID)PrintWrappedLines (Control->Column + String->ValueOffset, Control->Row, Room, Control->Height, String->Text,
            Attribute);
  }
}

static EFI_STATUS
StringDraw (
  IN VOID  *Object
  )
{
  TUI_STRING   *String  = (TUI_STRING *)Object;
  TUI_CONTROL  *Control = &String->Control;
  UINT8        State    = EvaluateControlCondition (&Control->Record);
  UINT64       Prompt   = (String->ValueOffset > 2) ? String->ValueOffset - 2 : 0;
  UINT8        Normal   = (UINT8)(String->NormalBackground | TuiStateForeground (State, String->NormalForeground));
  UINT8        Value    = Control->HasFocus ? (UINT8)(String->FocusBackground | String->FocusForeground) : Normal;
  BOOLEAN      NoPrompt;
  CHAR16       *Text;

  if (!TuiStateDrawn (State)) {
    return EFI_UNSUPPORTED;
  }

  Text = TuiReadPrompt (Control, &NoPrompt);
  if (Text != NULL) {
    TuiPrintPrompt (Control, Text, Prompt, Value);
    FreePool (Text);
  }

  FreeAndNull (String->Text);
  String->Text = ReadStoredString (String);
  DrawStringValue (String, Value);
  TuiMarkControlRows (Control);
  return TuiDrawnStatus (State);
}

// Hands Text, padded to the question's width, to the callback; the callback's status.
static EFI_STATUS
CommitString (
  IN TUI_STRING    *String,
  IN CONST CHAR16  *Text
  )
{
  TUI_CONTROL       *Control = &String->Control;
  TUI_NOTIFY_VALUE  *Notify  = (TUI_NOTIFY_VALUE *)Control->Header.CallbackData;
  UINTN             Width    = GetQuestionWidth (StringOpcode (String));
  CHAR16            *Padded  = TuiPaddedText (Text, Width);
  EFI_STATUS        Status;

  if (Padded == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  if ((Notify == NULL) || (Control->Header.Callback == NULL)) {
    FreePool (Padded);
    return EFI_SUCCESS;
  }

  Notify->VariableIndex = Control->Record.VariableIndex;
  Notify->Offset        = GetQuestionOffset (StringOpcode (String));
  Notify->Width         = (UINT32)Width;
  Notify->Value         = Padded;
  Status = Control->Header.Callback (Control->Header.CallbackContext, Control, Notify);
  Notify->Value = NULL;
  FreePool (Padded);
  return Status;
}

/**
  The driver of an interactive question hears of the change; when it refuses, the
  question keeps the text it had. The page may have been rebuilt meanwhile, so the
  control is found again before it is touched.
**/
static VOID
TellDriver (
  IN TUI_STRING    *String,
  IN CONST CHAR16  *Previous
  )
{
  CONTROL_RECORD  Record;
  TUI_CONTROL     *Found;
  EFI_STATUS      Status;

  if ((String->Control.Record.Flags & CONTROL_FLAG_CALLBACK) == 0) {
    return;
  }

  CopyMem (&Record, &String->Control.Record, sizeof (Record));
  Status = InvokeControlCallback (&Record, Record.QuestionId, 0, EFI_BROWSER_ACTION_CHANGING);
  Found  = FindFrameControl ((gTuiApp == NULL) ? NULL : gTuiApp->Pages[Record.PageNumber % gTuiApp->PageCount],
             Record.QuestionId, CONTROL_TYPE_STRING, Record.PageNumber);
  if (EFI_ERROR (Status) && (Status != EFI_UNSUPPORTED)) {
    String = (Found != NULL) ? (TUI_STRING *)Found : String;
    (VOID)CommitString (String, Previous);     // the old text goes back; its callback's answer is the driver's own
  }
}

static EFI_STATUS
StringSelect (
  IN TUI_STRING  *String
  )
{
  CONST UINT8  *Opcode  = StringOpcode (String);
  CHAR16       *Previous = ReadStoredString (String);
  CHAR16       *Typed    = NULL;
  EFI_STATUS   Status    = EFI_SUCCESS;
  UINTN        Length;

  if ((Previous != NULL) && !EFI_ERROR (AskText (&String->Control, String->Control.Record.HiiHandle, GetPromptToken (Opcode), Previous, &Typed, FALSE))) {
    Length = StrLen (Typed);
    if ((Length < GetQuestionMinimum (Opcode)) || (Length > String->MaxLength)) {
      (VOID)ShowEngineMessage (STR_ERROR, STR_INVALID_INPUT_RANGE, MSGBOX_BUTTONS_OK);     // an OK box has one answer
      Status = EFI_ABORTED;
    } else if (!EFI_ERROR (CommitString (String, Typed))) {
      TellDriver (String, Previous);
    }
  }

  FreePool (Typed);
  FreePool (Previous);
  return Status;
}

static EFI_STATUS
StringHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_STRING  *String = (TUI_STRING *)Object;

  if ((Event != NULL) && (Event->Kind == TUI_EVENT_TICK)) {
    if (!TuiCountTick (&String->Control, &String->Countdown)) {
      return EFI_UNSUPPORTED;
    }

    (VOID)RefreshControlValue (&String->Control.Record);   // a value that cannot be read again keeps its old one
    return EFI_SUCCESS;
  }

  // A read-only question shows its value and takes no edit.
  if ((Event == NULL) || ((String->Control.Record.Flags & CONTROL_FLAG_READ_ONLY) != 0) ||
      !TuiIsSelectEvent (&String->Control, Event))
  {
    return EFI_UNSUPPORTED;
  }

  (VOID)gTuiInputOps.ClearAction (Event);     // clearing an event cannot fail
  return StringSelect (String);
}

static EFI_STATUS
StringGetControlHeight (
  IN  VOID    *Object,
  IN  UINT64  FrameWidth,
  OUT UINT16  *Height
  )
{
  TUI_STRING  *String = (TUI_STRING *)Object;
  BOOLEAN     NoPrompt;
  CHAR16      *Text = TuiReadPrompt (&String->Control, &NoPrompt);

  (VOID)FrameWidth;
  *Height = TuiWrappedRows (Text, (String->ValueOffset > 2) ? String->ValueOffset - 2 : 1);
  FreePool (Text);
  return EFI_SUCCESS;
}

TUI_CONTROL_OPS  gTuiStringOps = {
  StringCreate,       StringDestroy,               StringInitialize, StringDraw,
  StringHandleAction, TuiActionBindingSetCallback, TuiLabelSetFocus, TuiControlSetPosition,
  TuiControlSetDimensions, TuiControlSetAttributes, StringGetControlHeight
};
