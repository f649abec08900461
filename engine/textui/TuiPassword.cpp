/** @file
  The password control: a prompt that never shows the password, and the dialogue of
  current, new and confirmed password behind Enter. Every typed text is zeroed
  before it goes back to the pool, whatever the dialogue's outcome.
**/
#include <engine/textui/TuiEditBox.h>
#include <engine/textui/MessageBox.h>
#include <engine/textui/TuiStatements.h>
#include <engine/browser/DriverCallbacks.h>
#include <engine/core/EngineStrings.h>
#include <engine/forms/Passwords.h>
#include <engine/core/HookTable.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/core/FrontEnd.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

// The texts of one dialogue; each is zeroed and freed at its end.
typedef struct {
  CHAR16   *Current;
  CHAR16   *New;
  CHAR16   *Confirm;
  BOOLEAN  Clearing;       // the user agreed to clear the stored password
} PASSWORD_TEXTS;

static EFI_STATUS
PasswordCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_PASSWORD), TuiControlCreate, &gTuiPasswordOps);
}

static EFI_STATUS
PasswordDestroy (
  IN VOID     *Object,
  IN BOOLEAN  Free
  )
{
  FreeSecretText (&((TUI_PASSWORD *)Object)->Accepted);
  return TuiLabelDestroy (Object, Free);
}

static EFI_STATUS
PasswordInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  EFI_STATUS  Status = gTuiLabelOps.Initialize (Object, Data, Extra);

  if (!EFI_ERROR (Status)) {
    TuiBindCacheVariable ((TUI_CONTROL *)Object);
  }

  return Status;
}

// Step 1: the stored password must be given first, unless hard-disk security takes the question.
static BOOLEAN
CheckCurrentPassword (
  IN     TUI_PASSWORD    *Password,
  IN OUT PASSWORD_TEXTS  *Texts
  )
{
  CONST CONTROL_RECORD  *Record = &Password->Label.Control.Record;

  if (((gFrontEnd.PasswordCheckAsked != NULL) && (gFrontEnd.PasswordCheckAsked (Record, NULL, 0) == EFI_SUCCESS)) ||
      !IsStringValueSet (Record))
  {
    return TRUE;
  }

  if (EFI_ERROR (AskText (&Password->Label.Control, ENGINE_OWN_HII_HANDLE, STR_ENTER_CURRENT_PASSWORD, NULL, &Texts->Current, TRUE))) {
    return FALSE;
  }

  if (!CompareStringValue (Record, Texts->Current)) {
    (VOID)ShowEngineMessage (STR_ERROR, STR_INVALID_PASSWORD, MSGBOX_BUTTONS_OK);     // an OK box has one answer
    return FALSE;
  }

  return TRUE;
}

// Step 2: the new password; an empty one over a stored password asks whether to clear it.
static BOOLEAN
AskNewPassword (
  IN     TUI_PASSWORD    *Password,
  IN OUT PASSWORD_TEXTS  *Texts
  )
{
  CONST CONTROL_RECORD  *Record = &Password->Label.Control.Record;

  for ( ; ; ) {
    if (EFI_ERROR (AskText (&Password->Label.Control, ENGINE_OWN_HII_HANDLE, STR_CREATE_NEW_PASSWORD, NULL, &Texts->New, TRUE))) {
      return FALSE;
    }

    if ((Record->VariableIndex == SETUP_VARIABLE_INDEX_HDD_SECURITY) || (Texts->New[0] != 0) || !IsStringValueSet (Record)) {
      return TRUE;
    }

    if (ShowEngineMessage (STR_WARNING, STR_CLEAR_OLD_PASSWORD, MSGBOX_BUTTONS_YES_NO) == 0) {
      Texts->Clearing = TRUE;
      return TRUE;
    }

    FreeSecretText (&Texts->New);
  }
}

// Step 5: the record goes to the callback, which stores the password.
static VOID
StoreNewPassword (
  IN TUI_PASSWORD  *Password,
  IN CONST CHAR16  *Text
  )
{
  TUI_CONTROL        *Control = &Password->Label.Control;
  CONST UINT8        *Opcode  = (CONST UINT8 *)(UINTN)Control->Record.QuestionOpcode;
  UINTN              Width    = (UINTN)GetQuestionMaximum (Opcode) * sizeof (CHAR16);
  TUI_NOTIFY_VALUE   *Notify  = (TUI_NOTIFY_VALUE *)Control->Header.CallbackData;
  CHAR16             *Padded  = TuiPaddedText (Text, Width);
  RESOLVED_QUESTION  Question;

  FreeSecretText (&Password->Accepted);
  Password->Accepted = StrDupUtf16 (Text);
  if ((Padded == NULL) || (Notify == NULL) || (Control->Header.Callback == NULL)) {
    FreeSecret (Padded, Width + sizeof (CHAR16));
    return;
  }

  ResolveQuestion (&Control->Record, &Question);
  Notify->VariableIndex = Control->Record.VariableIndex;
  Notify->Offset        = Question.Offset;
  Notify->Width         = (UINT32)Width;
  Notify->Value         = Padded;
  // Kept only for the driver's callback, which frees them; a password must not linger.
  if ((Control->Record.Flags & CONTROL_FLAG_CALLBACK) != 0) {
    SaveQuestionOldValue (&Question);
    SaveControlNewValue (Padded, Width);
  }

  (VOID)Control->Header.Callback (Control->Header.CallbackContext, Control, Notify);   // it reports its own failures
  Notify->Value = NULL;
  if (gFrontEnd.PasswordChanged != NULL) {
    gFrontEnd.PasswordChanged ();
  }
  if ((Control->Record.Flags & CONTROL_FLAG_CALLBACK) != 0) {
    // The page may be rebuilt by the driver; nothing of this control is used after it.
    (VOID)InvokeQuestionCallback (&Control->Record, &Question, Control->Record.QuestionId, EFI_BROWSER_ACTION_CHANGING);
  }

  FreeSecret (Padded, Width + sizeof (CHAR16));
}

static VOID
RunPasswordDialogue (
  IN TUI_PASSWORD  *Password
  )
{
  CONST CONTROL_RECORD  *Record = &Password->Label.Control.Record;
  CONST UINT8           *Opcode = (CONST UINT8 *)(UINTN)Record->QuestionOpcode;
  PASSWORD_TEXTS        Texts;
  UINTN                 Length;
  BOOLEAN               Equal;

  ZeroMem (&Texts, sizeof (Texts));
  if (CheckCurrentPassword (Password, &Texts) && AskNewPassword (Password, &Texts)) {
    Length = StrLen (Texts.New);
    if ((Length != 0) && ((Length < GetQuestionMinimum (Opcode)) || (Length > GetQuestionMaximum (Opcode)))) {
      (VOID)ShowEngineMessage (STR_ERROR, STR_INVALID_INPUT_RANGE, MSGBOX_BUTTONS_OK);     // an OK box has one answer
    } else if (((Length == 0) && (Record->VariableIndex != SETUP_VARIABLE_INDEX_HDD_SECURITY)) ||
               !EFI_ERROR (AskText (&Password->Label.Control, ENGINE_OWN_HII_HANDLE, STR_CONFIRM_NEW_PASSWORD, NULL, &Texts.Confirm, TRUE)))
    {
      // Without a confirmation only an agreed clearing counts as equal.
      Equal = (Texts.Confirm != NULL) ? (BOOLEAN)(StrCmp (Texts.New, Texts.Confirm) == 0) : Texts.Clearing;
      if (Equal) {
        StoreNewPassword (Password, Texts.New);
      } else {
        (VOID)ShowEngineMessage (STR_ERROR, STR_INVALID_PASSWORD, MSGBOX_BUTTONS_OK);
      }
    }
  }

  FreeSecretText (&Texts.Current);
  FreeSecretText (&Texts.New);
  FreeSecretText (&Texts.Confirm);
}

static EFI_STATUS
PasswordHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_PASSWORD  *Password = (TUI_PASSWORD *)Object;

  if ((Event == NULL) || ((Password->Label.Control.Record.Flags & CONTROL_FLAG_READ_ONLY) != 0) ||
      !TuiIsSelectEvent (&Password->Label.Control, Event))
  {
    return EFI_UNSUPPORTED;
  }

  (VOID)gTuiInputOps.ClearAction (Event);     // clearing an event cannot fail
  RunPasswordDialogue (Password);
  return EFI_SUCCESS;
}

TUI_CONTROL_OPS  gTuiPasswordOps = {
  PasswordCreate,       PasswordDestroy,             PasswordInitialize, TuiLabelDraw,
  PasswordHandleAction, TuiActionBindingSetCallback, TuiLabelSetFocus,   TuiControlSetPosition,
  TuiControlSetDimensions, TuiControlSetAttributes, TuiLabelGetControlHeight
};
