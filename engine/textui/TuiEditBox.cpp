/** @file
  The edit box: a modal pop-up that takes one text of at most the question's
  maximum length, and the routines that run it and ask a text through it.

  Every buffer of the box is zeroed before it is freed: in mask mode it holds a
  password, and a box cannot tell which texts are secret otherwise.
**/
#include <engine/textui/TuiEditBox.h>
#include <engine/textui/MessageBox.h>
#include <engine/textui/TuiStatements.h>
#include <engine/textui/TuiValueControls.h>
#include <engine/core/EngineGlobals.h>
#include <Protocol/SimpleTextOut.h>
#include <engine/core/EngineStrings.h>
#include <engine/forms/Passwords.h>
#include <engine/core/HookTable.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/forms/QuestionAccess.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define EDIT_SCREEN_MARGIN  10
#define EDIT_MASK_CHAR      u'*'
#define FIRST_PRINTABLE     0x20
#define LAST_PRINTABLE      0x7E
// Physical keys that only change the shift state: never text, never refused.
#define EFI_KEY_IGNORED_1   31
#define EFI_KEY_IGNORED_2   103
#define EFI_KEY_IGNORED_3   85
#define PROMPT_FIELD        2

UINT8  gEditBoxResult = EDIT_BOX_OPEN;

// What an accepted box hands its callback.
static TUI_NOTIFY_VALUE  mEditBoxRecord = { TUI_NOTIFY_KIND_VALUE, 32, 0, 0, 0, 0, NULL, 0 };

static UINTN
TextBytes (
  IN CONST TUI_EDIT_BOX  *Box
  )
{
  return ((UINTN)Box->MaxLength + 1) * sizeof (CHAR16);
}

static EFI_STATUS
EditBoxCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_EDIT_BOX), gTuiPopupFrameOps.Create, &gTuiEditBoxOps);
}

static EFI_STATUS
EditBoxDestroy (
  IN VOID     *Object,
  IN BOOLEAN  Free
  )
{
  TUI_EDIT_BOX  *Box = (TUI_EDIT_BOX *)Object;

  if (Box->Saved != NULL) {
    RestoreTextScreen (Box->Saved);      // frees the copy
    Box->Saved = NULL;
  }

  FreeSecretText (&Box->Text);
  FreeSecretText (&Box->Backup);
  FreeAndNull (Box->BlankRow);
  return PopupFrameDestroy (Object, Free);
}

static EFI_STATUS
EditBoxSetMaskMode (
  IN VOID     *Object,
  IN BOOLEAN  Mask
  )
{
  TUI_EDIT_BOX  *Box = (TUI_EDIT_BOX *)Object;

  Box->MaskMode = Mask ? 1 : 0;
  Box->MaskChar = Mask ? EDIT_MASK_CHAR : 0;
  return EFI_SUCCESS;
}

/**
  Before Initialize the box keeps a plain copy; afterwards the text lives in a
  buffer of MaxLength + 1 characters and a longer text is cut to fit.
**/
static EFI_STATUS
EditBoxSetText (
  IN VOID          *Object,
  IN CONST CHAR16  *Text OPTIONAL
  )
{
  TUI_EDIT_BOX  *Box    = (TUI_EDIT_BOX *)Object;
  CONST CHAR16  *Source = (Text != NULL) ? Text : u"";
  UINTN         Length  = StrLen (Source);
  CHAR16        *Copy;

  if (Box->MaxLength != 0) {
    Length = (Length > Box->MaxLength) ? Box->MaxLength : Length;
    Copy   = (CHAR16 *)AllocateZeroPool (TextBytes (Box));
  } else {
    Copy = (CHAR16 *)AllocateZeroPool ((Length + 1) * sizeof (CHAR16));
  }

  if (Copy == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  CopyMem (Copy, Source, Length * sizeof (CHAR16));
  FreeSecretText (&Box->Text);
  Box->Text = Copy;
  Box->Frame.Control.OwnsFrame = 0;          // the next change saves a new backup
  return EFI_SUCCESS;
}

static EFI_STATUS
EditBoxSetDimensions (
  IN VOID    *Object,
  IN UINT64  Width,
  IN UINT64  Height
  )
{
  TUI_EDIT_BOX  *Box   = (TUI_EDIT_BOX *)Object;
  UINT64        Blank  = (Width > 2) ? Width - 2 : 0;
  CHAR16        *Row   = (CHAR16 *)AllocateZeroPool ((UINTN)(Blank + 1) * sizeof (CHAR16));

  if (Row == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  for (UINT64 Index = 0; Index < Blank; Index++) {
    Row[Index] = u' ';
  }

  FreeAndNull (Box->BlankRow);
  Box->BlankRow = Row;
  return TuiControlSetDimensions (Object, Width, Height);
}

// Width and height from the title and the maximum; a box too wide for the screen takes more rows.
static EFI_STATUS
SizeEditBox (
  IN OUT TUI_EDIT_BOX  *Box
  )
{
  UINT64  Title = (Box->Frame.Title != NULL) ? GetTextCellCount (Box->Frame.Title) : 0;
  UINT64  Width = ((Title > Box->MaxLength) ? Title : Box->MaxLength) + 4;
  UINT64  Limit = (gTextScreenColumns > EDIT_SCREEN_MARGIN) ? gTextScreenColumns - EDIT_SCREEN_MARGIN : gTextScreenColumns;

  Width = (Width > Limit) ? Limit : Width;
  Box->LinesUsed = (UINT16)((Box->MaskMode != 0) ? 1 : Box->MaxLength / Width + 1);
  return EditBoxSetDimensions (Box, Width, Box->MaxLength / Width + 3);
}

static EFI_STATUS
EditBoxInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  TUI_EDIT_BOX  *Box    = (TUI_EDIT_BOX *)Object;
  EFI_STATUS    Status  = PopupFrameInitialize (Object, Data, Extra);
  CHAR16        *Start;
  BOOLEAN       NoPrompt;

  if (EFI_ERROR (Status)) {
    return Status;
  }

  // A board that sets no colour leaves the defaults.
  (VOID)HookSetControlColors (NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
          &Box->Frame.Control.Foreground, &Box->Frame.Control.Background);
  Box->Frame.Shadow = 1;
  Box->Frame.Border = 1;
  FreeAndNull (Box->Frame.Title);
  Box->Frame.Title = TuiReadPrompt (&Box->Frame.Control, &NoPrompt);
  Box->MaxLength   = (UINT16)GetQuestionMaximum ((CONST UINT8 *)(UINTN)Box->Frame.Control.Record.QuestionOpcode);
  Status = SizeEditBox (Box);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Start     = Box->Text;            // the text given before now is cut to the maximum
  Box->Text = NULL;
  Status    = EditBoxSetText (Box, Start);
  FreeSecretText (&Start);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  if (Box->Saved == NULL) {
    Box->Saved = SaveTextScreen ();    // without a copy the box is only not taken away
  }

  return EFI_SUCCESS;
}

// The text as shown: every character replaced by the mask character in mask mode.
CHAR16 *
EditBoxShownText (
  IN CONST TUI_EDIT_BOX  *Box
  )
{
  CHAR16  *Shown = StrDupUtf16 ((Box->Text != NULL) ? Box->Text : u"");

  for (UINTN Index = 0; (Shown != NULL) && (Box->MaskChar != 0) && (Shown[Index] != 0); Index++) {
    Shown[Index] = Box->MaskChar;
  }

  return Shown;
}

static EFI_STATUS
EditBoxDraw (
  IN VOID  *Object
  )
{
  TUI_EDIT_BOX  *Box     = (TUI_EDIT_BOX *)Object;
  TUI_CONTROL   *Control = &Box->Frame.Control;
  UINT64        Room;
  UINT64        Length;
  CHAR16        *Shown;

  (VOID)PopupFrameDraw (Object);     // a control that cannot draw now is drawn at the next redraw
  Room = (Control->Width > 2) ? Control->Width - 2 : 0;
  for (UINT64 Row = 1; (Box->BlankRow != NULL) && (Row + 1 < Control->Height); Row++) {
    PrintAt (Control->Column + 1, Control->Row + Row, Box->BlankRow, PopupFrameAttribute (&Box->Frame));
  }

  Shown = EditBoxShownText (Box);
  if ((Shown == NULL) || (Room == 0)) {
    FreeSecretText (&Shown);
    return EFI_OUT_OF_RESOURCES;
  }

  Length = StrLen (Shown);
  if (Box->MaskMode != 0) {
    Shown[(Length > Room) ? Room : Length] = 0;     // one row, never past the border
    PrintAt (Control->Column + 1, Control->Row + 1, Shown, PopupFrameAttribute (&Box->Frame));
    Box->CursorColumn = (UINT16)(Control->Column + 1 + ((Length < Room) ? Length : Room - 1));
    Box->CursorRow    = (UINT16)(Control->Row + 1);
  } else {
    (VOID)PrintWrappedLines (Control->Column + 1, Control->Row + 1, Room, (Control->Height > 2) ? Control->Height - 2 : 1,
            Shown, PopupFrameAttribute (&Box->Frame));
    Box->CursorColumn = (UINT16)(Control->Column + 1 + Length % Room);
    Box->CursorRow    = (UINT16)(Control->Row + 1 + Length / Room);
  }

  FreeSecret (Shown, (Length + 1) * sizeof (CHAR16));
  MarkRowsDirty (Control->Row, (UINT64)Control->Row + Control->Height);
  return EFI_SUCCESS;
}

// Keeps the text from before the first change, so that Esc can put it back.
static VOID
SaveBackup (
  IN OUT TUI_EDIT_BOX  *Box
  )
{
  if (Box->Frame.Control.OwnsFrame != 0) {
    return;
  }

  FreeSecretText (&Box->Backup);
  Box->Backup = StrDupUtf16 (Box->Text);
  Box->Frame.Control.OwnsFrame = (Box->Backup != NULL) ? 1 : 0;
}

static VOID
EditBoxAnswer (
  IN TUI_EDIT_BOX  *Box,
  IN BOOLEAN       Accept
  )
{
  TUI_ACTION_BINDING  *Header = &Box->Frame.Control.Header;
  CONST UINT8         *Opcode = (CONST UINT8 *)(UINTN)Box->Frame.Control.Record.QuestionOpcode;

  if (Accept) {
    mEditBoxRecord.VariableIndex = Box->Frame.Control.Record.VariableIndex;
    mEditBoxRecord.Offset        = GetQuestionOffset (Opcode);
    mEditBoxRecord.Width         = GetQuestionWidth (Opcode);
    mEditBoxRecord.Value         = Box->Text;
  } else if ((Box->Frame.Control.OwnsFrame != 0) && (Box->Backup != NULL)) {
    (VOID)EditBoxSetText (Box, Box->Backup);     // the backup was taken from a text of this size, so it fits again
  }

  if (Header->Callback != NULL) {
    (VOID)Header->Callback (Header->CallbackContext, Box, Accept ? &mEditBoxRecord : NULL);  // the owner's business
  }

  mEditBoxRecord.Value = NULL;
}

static VOID
EditBoxCharacter (
  IN OUT TUI_EDIT_BOX   *Box,
  IN     CONST EFI_INPUT_KEY  *Key,
  IN     UINT32         EfiKey
  )
{
  CHAR16  Char   = Key->UnicodeChar;
  UINTN   Length = (Box->Text != NULL) ? StrLen (Box->Text) : 0;

  if (Char == 0) {
    if ((EfiKey != EFI_KEY_IGNORED_1) && (EfiKey != EFI_KEY_IGNORED_2) && (EfiKey != EFI_KEY_IGNORED_3) &&
        (Key->ScanCode != SCAN_NULL))
    {
      (VOID)HookFilterEditKey ();     // a notification: the board's answer decides nothing here
    }

    return;
  }

  // Control characters are never text; the mask takes only what every keyboard can type again.
  if ((Char < FIRST_PRINTABLE) || ((Box->MaskMode != 0) && (Char > LAST_PRINTABLE)) || (Length >= Box->MaxLength) ||
      (Box->Text == NULL))
  {
    (VOID)HookFilterEditKey ();
    return;
  }

  SaveBackup (Box);
  Box->Text[Length]     = Char;
  Box->Text[Length + 1] = 0;
}

static BOOLEAN
PointerOutside (
  IN CONST TUI_EDIT_BOX  *Box,
  IN TUI_INPUT           *Event
  )
{
  UINT32  Action = HookMapPointerAction ((UINT64)(UINTN)&Event->Pointer);

  return (BOOLEAN)(((Action == ACTION_SELECT) || (Action == ACTION_POINTER_20)) &&
                   !TuiPointerInside (&Box->Frame.Control, Event));
}

static EFI_STATUS
EditBoxHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_EDIT_BOX  *Box = (TUI_EDIT_BOX *)Object;
  UINT32        Action;

  if ((Event == NULL) || (Event->Kind == TUI_EVENT_NONE) || (Event->Kind == TUI_EVENT_TICK)) {
    return EFI_UNSUPPORTED;
  }

  if (Event->Kind == TUI_EVENT_POINTER) {
    Action = PointerOutside (Box, Event) ? ACTION_ABORT : ACTION_NONE;
  } else {
    Action = HookMapSetupKey (&Event->Key);
  }

  switch (Action) {
    case ACTION_LEFT: case ACTION_RIGHT: case ACTION_UP: case ACTION_DOWN: case ACTION_NEXT: case ACTION_PREVIOUS:
      break;
    case ACTION_SELECT:
      EditBoxAnswer (Box, TRUE);
      break;
    case ACTION_BACKSPACE:
      if ((Box->Text != NULL) && (Box->Text[0] != 0)) {
        SaveBackup (Box);
        Box->Text[StrLen (Box->Text) - 1] = 0;
      }

      break;
    case ACTION_ABORT:
      EditBoxAnswer (Box, FALSE);
      break;
    default:
      if (Event->Kind == TUI_EVENT_KEY) {
        EditBoxCharacter (Box, &Event->Key.Key, Event->Key.EfiKey);
      }

      break;
  }

  (VOID)gTuiEditBoxOps.Control.Draw (Box);      // through the table: a text-entry box draws its own way
  return EFI_SUCCESS;
}

TUI_EDIT_BOX_OPS  gTuiEditBoxOps = {
  {
    EditBoxCreate,       EditBoxDestroy,              EditBoxInitialize,   EditBoxDraw,
    EditBoxHandleAction, TuiActionBindingSetCallback, PopupFrameSetFocus,  TuiControlSetPosition,
    EditBoxSetDimensions, TuiControlSetAttributes,    TuiRefuseHeight
  },
  EditBoxSetMaskMode,
  EditBoxSetText
};

//
// Running a box and asking a text.
//

static EFI_STATUS
StoreEditResult (
  IN VOID  *Context,
  IN VOID  *Box,
  IN VOID  *Data
  )
{
  (VOID)Context;
  (VOID)Box;
  gEditBoxResult = (Data != NULL) ? EDIT_BOX_ACCEPTED : EDIT_BOX_CANCELLED;
  return EFI_SUCCESS;
}

static VOID
ShowEditCursor (
  IN CONST TUI_EDIT_BOX  *Box
  )
{
  // The console's cursor only helps the eye; a console without one is typed on all the same.
  (VOID)gST->ConOut->SetAttribute (gST->ConOut, PopupFrameAttribute (&Box->Frame));
  (VOID)gST->ConOut->SetCursorPosition (gST->ConOut, Box->CursorColumn, Box->CursorRow);
  (VOID)gST->ConOut->EnableCursor (gST->ConOut, TRUE);     // not every console has a cursor to show
}

UINT8
RunEditBox (
  IN TUI_EDIT_BOX  *Box
  )
{
  TUI_INPUT  *Temporary = NULL;
  TUI_INPUT  *Input     = gTuiPopupInput;
  BOOLEAN    First      = TRUE;

  if ((Input == NULL) && EFI_ERROR (TuiCreate (&gTuiInputOps, (VOID **)&Temporary))) {
    return EDIT_BOX_CANCELLED;
  }

  Input = (Input != NULL) ? Input : Temporary;
  (VOID)gTuiEditBoxOps.Control.SetCallback (Box, NULL, StoreEditResult, NULL);     // setting a callback cannot fail
  gEditBoxResult = EDIT_BOX_OPEN;
  while (gEditBoxResult > EDIT_BOX_OPEN - 1) {
    (VOID)gTuiInputOps.ClearAction (Input);     // clearing an event cannot fail
    (VOID)gTuiEditBoxOps.Control.Draw (Box);     // a control that cannot draw now is drawn at the next redraw
    FlushTextScreen ();
    if (First) {
      ShowEditCursor (Box);
      First = FALSE;
    }

    if (!EFI_ERROR (gTuiInputOps.GetAction (Input))) {
      (VOID)gTuiEditBoxOps.Control.HandleAction (Box, Input);   // the box answers through its callback
    }
  }

  TuiDestroy (Temporary, TRUE);
  return gEditBoxResult;
}

// A copy of the control's opcode whose prompt is TitleId; null when it cannot be made.
static UINT8 *
TitledOpcode (
  IN CONST TUI_CONTROL  *Control,
  IN UINT16             TitleId
  )
{
  CONST UINT8  *Opcode = (CONST UINT8 *)(UINTN)Control->Record.QuestionOpcode;
  UINT8        *Copy;

  if ((Opcode == NULL) || (IfrLength (Opcode) < IFR_HEADER_SIZE)) {
    return NULL;
  }

  Copy = (UINT8 *)AllocateCopyPool (IfrLength (Opcode), Opcode);
  if ((Copy != NULL) && (IfrLength (Copy) >= PROMPT_FIELD + sizeof (UINT16))) {
    WriteUnaligned16 ((UINT16 *)(Copy + PROMPT_FIELD), TitleId);
  }

  return Copy;
}

EFI_STATUS
AskText (
  IN  CONST TUI_CONTROL  *Control,
  IN  EFI_HII_HANDLE     TitleHandle,
  IN  UINT16             TitleId,
  IN  CONST CHAR16       *OldText OPTIONAL,
  OUT CHAR16             **Text,
  IN  BOOLEAN            Mask
  )
{
  BOOLEAN         Visible = (BOOLEAN)gST->ConOut->Mode->CursorVisible;
  TUI_EDIT_BOX    *Box    = NULL;
  UINT8           *Opcode = TitledOpcode (Control, TitleId);
  CONTROL_RECORD  Record;
  EFI_STATUS      Status;

  *Text = NULL;
  if (Opcode == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  CopyMem (&Record, &Control->Record, sizeof (Record));
  Record.QuestionOpcode = (UINT64)(UINTN)Opcode;
  Record.HiiHandle      = TitleHandle;
  Record.Flags         |= CONTROL_FLAG_VALID;
  Status = TuiCreate (&gTuiEditBoxOps, (VOID **)&Box);
  Status = EFI_ERROR (Status) ? Status : gTuiEditBoxOps.SetText (Box, OldText);
  Status = EFI_ERROR (Status) ? Status : gTuiEditBoxOps.SetMaskMode (Box, Mask);
  Status = EFI_ERROR (Status) ? Status : gTuiEditBoxOps.Control.Initialize (Box, &Record, NULL);
  if (!EFI_ERROR (Status)) {
    Status = (RunEditBox (Box) == EDIT_BOX_ACCEPTED) ? EFI_SUCCESS : EFI_UNSUPPORTED;
  }

  if (!EFI_ERROR (Status)) {
    *Text  = StrDupUtf16 (Box->Text);
    Status = (*Text == NULL) ? EFI_OUT_OF_RESOURCES : EFI_SUCCESS;
  }

  (VOID)gST->ConOut->EnableCursor (gST->ConOut, Visible);     // a console without a cursor is typed on all the same
  TuiDestroy (Box, TRUE);
  FreePool (Opcode);
  return Status;
}

VOID
TuiBindCacheVariable (
  IN OUT TUI_CONTROL  *Control
  )
{
  UINT32  Index;

  Control->Record.VariableIndex = TuiQuestionCacheIndex (Control, &Index) ? Index : TUI_NO_VARIABLE;
}

UINT8
ShowEngineMessage (
  IN UINT16  TitleId,
  IN UINT16  MessageId,
  IN UINT8   Buttons
  )
{
  MSGBOX_DEF  Definition;

  ZeroMem (&Definition, sizeof (Definition));
  Definition.TitleId   = TitleId;
  Definition.HiiHandle = ENGINE_OWN_HII_HANDLE;
  Definition.MessageId = MessageId;
  return RunPopupBox (&Definition, Buttons);
}
