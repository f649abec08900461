/** @file
  The message box and RunPopupBox.
**/
#include <engine/textui/MessageBox.h>
#include <engine/textui/SetupActions.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/HookTable.h>
#include <Uefi/UefiIfr.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>

#define STR_LOAD_FAIL_SAFE            160
#define STR_LOAD_FAIL_SAFE_ASK        174
#define STR_LOAD_OPTIMIZED            161
#define STR_LOAD_OPTIMIZED_ASK        173
#define STR_LOAD_PREVIOUS_VALUES      168
#define STR_LOAD_PREVIOUS_VALUES_ASK  169
#define STR_SAVE_AND_EXIT_ASK         172
#define STR_SAVE_AND_EXIT_SETUP       162
#define STR_SAVE_AND_RESET            166
#define STR_SAVE_AND_RESET_ASK        170

// The questions setup asks before it ends its state (a choice of 0 agrees).
CONST MSGBOX_DEF  gMsgBoxSaveAndExit   = { 0, STR_SAVE_AND_EXIT_SETUP,  0, ENGINE_OWN_HII_HANDLE, STR_SAVE_AND_EXIT_ASK,        0 };
CONST MSGBOX_DEF  gMsgBoxSaveAndReset  = { 0, STR_SAVE_AND_RESET,       0, ENGINE_OWN_HII_HANDLE, STR_SAVE_AND_RESET_ASK,       0 };
CONST MSGBOX_DEF  gMsgBoxLoadPrevious  = { 0, STR_LOAD_PREVIOUS_VALUES, 0, ENGINE_OWN_HII_HANDLE, STR_LOAD_PREVIOUS_VALUES_ASK, 0 };
CONST MSGBOX_DEF  gMsgBoxLoadOptimized = { 0, STR_LOAD_OPTIMIZED,       0, ENGINE_OWN_HII_HANDLE, STR_LOAD_OPTIMIZED_ASK,       0 };
CONST MSGBOX_DEF  gMsgBoxLoadFailSafe  = { 0, STR_LOAD_FAIL_SAFE,       0, ENGINE_OWN_HII_HANDLE, STR_LOAD_FAIL_SAFE_ASK,       0 };

#define MSGBOX_MAX_WIDTH       45
#define MSGBOX_LABEL_CELLS     10
#define SELECTED_ATTRIBUTE     0x0F
#define BAR_FOREGROUND         0x03

static UINT8  mPopupResult = MSGBOX_NO_ANSWER;

UINT8
MessageBoxSchemeAttribute (
  IN UINT32  Scheme
  )
{
  switch (Scheme & 0xFF) {
    case 1:  return 0x71;
    case 3:  return 0x2F;
    case 4:
    case 5:  return 0x4F;
    case 6:
    case 7:  return 0x7F;
    default: return 0x1F;
  }
}

VOID
MakePopupRecord (
  OUT CONTROL_RECORD    *Record,
  IN  CONST MSGBOX_DEF  *Definition
  )
{
  ZeroMem (Record, sizeof (*Record));
  Record->HiiHandle      = ENGINE_OWN_HII_HANDLE;
  Record->Flags          = CONTROL_FLAG_VALID;
  Record->QuestionOpcode = (UINT64)(UINTN)Definition;
}

static EFI_STATUS
MessageBoxCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_MESSAGE_BOX), gTuiPopupFrameOps.Create, &gTuiMessageBoxOps);
}

static EFI_STATUS
MessageBoxDestroy (
  IN VOID     *Object,
  IN BOOLEAN  Free
  )
{
  TUI_MESSAGE_BOX  *Box = (TUI_MESSAGE_BOX *)Object;

  if (Box->Saved != NULL) {
    if (CurrentBootScreenState () == BOOT_SCREEN_STATE_IN_SETUP) {
      RestoreTextScreen (Box->Saved);       // frees the copy
    } else {
      FreePool (Box->Saved);
    }

    Box->Saved = NULL;
  }

  TuiDestroy (Box->Pane, TRUE);
  Box->Pane = NULL;
  FreeAndNull (Box->StatusText);
  FreeAndNull (Box->Buttons);
  return PopupFrameDestroy (Object, Free);
}

// Widest line of a text in cells; lines end at CR or LF.
static UINT64
WidestLine (
  IN CONST CHAR16  *Text
  )
{
  UINT64  Widest = 0;
  UINT64  Cells  = 0;

  for (CONST CHAR16 *Cursor = Text; (Cursor != NULL) && (*Cursor != 0); Cursor++) {
    Cells  = ((*Cursor == u'\r') || (*Cursor == u'\n')) ? 0 : Cells + GetCharCellCount (*Cursor);
    Widest = (Cells > Widest) ? Cells : Widest;
  }

  return Widest;
}

static EFI_STATUS
SetMessageTitle (
  IN OUT TUI_MESSAGE_BOX   *Box,
  IN     CONST MSGBOX_DEF  *Definition
  )
{
  if (Definition->TitleId == 0) {
    return EFI_SUCCESS;
  }

  FreeAndNull (Box->Frame.Title);
  Box->Frame.Title = (Definition->TitleId == NO_STRING) ? NULL : HiiGetString (Definition->HiiHandle, Definition->TitleId, NULL);
  if (Box->Frame.Title == NULL) {
    Box->Frame.Title = StrDupUtf16 (u" ");
  }

  return (Box->Frame.Title == NULL) ? EFI_OUT_OF_RESOURCES : EFI_SUCCESS;
}

static UINT64
MessageWidth (
  IN CONST TUI_MESSAGE_BOX   *Box,
  IN CONST MSGBOX_DEF        *Definition
  )
{
  CHAR16  *Message = HiiGetString (Definition->HiiHandle, (EFI_STRING_ID)Definition->MessageId, NULL);
  UINT64  Width    = WidestLine (Message);
  UINT64  Title    = (Box->Frame.Title != NULL) ? GetTextCellCount (Box->Frame.Title) : 0;

  FreePool (Message);
  Width = ((Title > Width) ? Title : Width) + 4;
  // A dialog sets its legend before the box is initialised and its type after.
  if (((Box->BoxType & 0x0F) == MSGBOX_BUTTONS_NONE) && (Box->StatusText != NULL) &&
      (GetTextCellCount (Box->StatusText) > Width))
  {
    Width = GetTextCellCount (Box->StatusText) + 8;
  }

  return (Width > MSGBOX_MAX_WIDTH) ? MSGBOX_MAX_WIDTH : Width;
}

// The message pane: a SUBTITLE of the message string, as wide as the box's inside less a
// cell each side, so that wrapped lines never touch the borders.
static EFI_STATUS
MakeMessagePane (
  IN OUT TUI_MESSAGE_BOX   *Box,
  IN     CONST MSGBOX_DEF  *Definition
  )
{
  TUI_CONTROL     *Control = &Box->Frame.Control;
  UINT8           *Subtitle = (UINT8 *)AllocateZeroPool (TUI_SUBTITLE_OPCODE_SIZE);
  CONTROL_RECORD  Record;
  UINT16          Lines    = 0;
  EFI_STATUS      Status;

  if (Subtitle == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  PopupSubtitleOpcode (Subtitle, (UINT16)Definition->MessageId);
  FreeAndNull (Box->Frame.Buffer1);
  Box->Frame.Buffer1 = Subtitle;          // the pane's opcode lives as long as the box
  ZeroMem (&Record, sizeof (Record));
  Record.HiiHandle      = Definition->HiiHandle;
  Record.Flags          = CONTROL_FLAG_VALID;
  Record.QuestionOpcode = (UINT64)(UINTN)Subtitle;
  Status = TuiCreate (&gTuiTextPaneOps, (VOID **)&Box->Pane);
  Status = EFI_ERROR (Status) ? Status : gTuiTextPaneOps.Base.Initialize (Box->Pane, &Record, NULL);
  Status = EFI_ERROR (Status) ? Status : gTuiTextPaneOps.Base.SetDimensions (Box->Pane, Control->Width - 4, 1);
  Status = EFI_ERROR (Status) ? Status : gTuiTextPaneOps.Base.GetControlHeight (Box->Pane, 0, &Lines);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Control->Height        = (UINT16)(Lines + 4);
  Box->Pane->Background  = Control->Background;
  Box->Pane->Foreground  = Control->Foreground;
  Box->Pane->Alignment   = TUI_ALIGN_CENTRE;
  return gTuiTextPaneOps.Base.SetDimensions (Box->Pane, Control->Width - 4, Control->Height - 3);
}

static EFI_STATUS
MessageBoxInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  TUI_MESSAGE_BOX   *Box    = (TUI_MESSAGE_BOX *)Object;
  EFI_STATUS        Status  = PopupFrameInitialize (Object, Data, Extra);
  CONST MSGBOX_DEF  *Definition;
  UINT8             Attribute;

  if (EFI_ERROR (Status)) {
    return Status;
  }

  Definition = (CONST MSGBOX_DEF *)(UINTN)Box->Frame.Control.Record.QuestionOpcode;
  Attribute  = MessageBoxSchemeAttribute (Box->ColourScheme);
  Box->Frame.Control.Background = (UINT8)(Attribute & 0xF0);
  Box->Frame.Control.Foreground = (UINT8)(Attribute & 0x0F);
  Box->Frame.Shadow = 1;
  Box->Frame.Border = 1;
  Status = SetMessageTitle (Box, Definition);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Box->Frame.Control.Width = (UINT16)MessageWidth (Box, Definition);
  if ((CurrentBootScreenState () == BOOT_SCREEN_STATE_IN_SETUP) && (Box->Saved == NULL)) {
    Box->Saved = SaveTextScreen ();     // without a copy the box is only not taken away
  } else if (CurrentBootScreenState () == BOOT_SCREEN_STATE_BOOTING) {
    ClearGraphicsScreen ();
    ClearTextScreen ();
  }

  return MakeMessagePane (Box, Definition);
}

static EFI_STATUS
MessageBoxSetBoxType (
  IN VOID   *Object,
  IN UINT8  BoxType
  )
{
  TUI_MESSAGE_BOX  *Box = (TUI_MESSAGE_BOX *)Object;

  Box->BoxType = BoxType;
  if ((BoxType & 0x0F) != MSGBOX_BUTTONS_NONE) {
    Box->Frame.Control.Height = (UINT16)(Box->Frame.Control.Height + 2);
  }

  return EFI_SUCCESS;
}

//
// Drawing.
//

// Prints a label of a fixed button set at Column (or centred on it), cut to 10 cells;
// FALSE when it cannot be read.
static BOOLEAN
DrawFixedButton (
  IN UINT16   StringId,
  IN UINT64   Column,
  IN UINT64   Row,
  IN UINT8    Attribute,
  IN BOOLEAN  Centred
  )
{
  CHAR16  *Label = HiiGetString (ENGINE_OWN_HII_HANDLE, StringId, NULL);
  UINT64  Half;

  if (Label == NULL) {
    return FALSE;
  }

  Label[CountCharsThatFit (Label, MSGBOX_LABEL_CELLS)] = 0;
  Half = Centred ? GetTextCellCount (Label) / 2 : 0;
  PrintAt ((Column > Half) ? Column - Half : 0, Row, Label, Attribute);
  FreePool (Label);
  return TRUE;
}

static VOID
DrawListButtons (
  IN CONST TUI_MESSAGE_BOX  *Box,
  IN UINT64                 Row,
  IN UINT8                  Normal
  )
{
  CONST TUI_CONTROL  *Control = &Box->Frame.Control;
  UINT64             Slot;

  if ((Box->ButtonCount == 0) || (Box->Buttons == NULL)) {
    return;
  }

  Slot = Control->Width / Box->ButtonCount;
  for (UINT16 Index = 0; Index < Box->ButtonCount; Index++) {
    CHAR16  *Label = (Box->Buttons[Index] == NO_STRING) ? NULL : HiiGetString (ENGINE_OWN_HII_HANDLE, Box->Buttons[Index], NULL);
    UINT64  Cells;

    if (Label == NULL) {
      return;                 // the buttons after an unreadable one are not drawn
    }

    Label[CountCharsThatFit (Label, Slot)] = 0;
    Cells = GetTextCellCount (Label);
    PrintAt (Control->Column + Index * Slot + (Slot - Cells) / 2, Row, Label,
      (Index == Box->Selected) ? (UINT8)SELECTED_ATTRIBUTE : Normal);
    FreePool (Label);
  }
}

// Cells the bar fills at Percent in a box of Width columns.
static UINT64
ProgressCells (
  IN UINT64  Width,
  IN UINT64  Percent
  )
{
  UINT64  Room  = (Width > 2) ? Width - 2 : 0;
  UINT64  Count = Room;
  UINT64  Cells = 0;
  UINT64  Step;

  while ((Count > 1) && (Count < 100) && (100 % Count != 0) && (99 % Count != 0) && (98 % Count != 0)) {
    Count--;
  }

  if (Count == 0) {
    return 0;
  }

  Step = (100 / Count != 0) ? 100 / Count : 1;
  for (UINT64 Value = 0; (Value < Percent) && (Cells < Room); Value++) {
    Cells += (Value % Step == 0) ? 1 : 0;
  }

  return (Percent >= 100) ? Room : Cells;
}

static VOID
DrawProgress (
  IN TUI_MESSAGE_BOX  *Box,
  IN UINT8            Normal
  )
{
  CONST TUI_CONTROL  *Control = &Box->Frame.Control;
  UINT64             Bottom   = (UINT64)Control->Row + Control->Height;
  UINT64             Middle   = Control->Column + Control->Width / 2;
  CHAR16             Percent[8];
  UINT64             Cells;

  Box->Percentage = (Box->Percentage > 100) ? 100 : Box->Percentage;
  UnicodeSPrint (Percent, sizeof (Percent), u"%lu%%", Box->Percentage);
  PrintAt (Middle - StrLen (Percent) / 2, Bottom - 3, Percent, Normal);
  Cells = ProgressCells (Control->Width, Box->Percentage);
  for (UINT64 Cell = 0; Cell < Cells; Cell++) {
    PrintAt (Control->Column + 1 + Cell, Bottom - 2, u"\x2588", (UINT8)(Control->Background | BAR_FOREGROUND));
  }

  if (Box->StatusText != NULL) {
    PrintAt (Middle - StrLen (Box->StatusText) / 2, Bottom - 1, Box->StatusText, Normal);
  }
}

static VOID
DrawButtonBand (
  IN TUI_MESSAGE_BOX  *Box
  )
{
  CONST TUI_CONTROL  *Control = &Box->Frame.Control;
  UINT8              Set      = Box->BoxType & 0x0F;
  UINT8              Normal   = (UINT8)(Control->Background | Control->Foreground);
  UINT64             Row      = (UINT64)Control->Row + Control->Height - 2;
  UINT64             Third    = Control->Width / 3;

  if (Set == MSGBOX_BUTTONS_NONE) {
    return;
  }

  DrawPopupSeparator (Control->Column, Row - 1, Control->Width, TRUE);
  if ((Set == MSGBOX_BUTTONS_OK_CANCEL) || (Set == MSGBOX_BUTTONS_YES_NO)) {
    UINT16  First = (Set == MSGBOX_BUTTONS_YES_NO) ? STR_BUTTON_YES : STR_BUTTON_OK;
    UINT16  Second = (Set == MSGBOX_BUTTONS_YES_NO) ? STR_BUTTON_NO : STR_BUTTON_CANCEL;
    if (DrawFixedButton (First, Control->Column + Third - 2, Row, (Box->Selected == 0) ? SELECTED_ATTRIBUTE : Normal, FALSE)) {
      // An unreadable label leaves its place blank.
      (VOID)DrawFixedButton (Second, Control->Column + 2 * Third - 2, Row, (Box->Selected == 1) ? SELECTED_ATTRIBUTE : Normal,
              FALSE);
    }
  } else if (Set == MSGBOX_BUTTONS_LIST) {
    DrawListButtons (Box, Row, Normal);
  } else if (Set == MSGBOX_PROGRESS) {
    DrawProgress (Box, Normal);
  } else {
    // An unreadable label leaves its place blank.
    (VOID)DrawFixedButton (STR_BUTTON_OK, Control->Column + Control->Width / 2, Row, SELECTED_ATTRIBUTE, TRUE);
  }

  MarkRowsDirty (Row - 1, Row + 1);
}

// " Status " on the bottom border of a box without buttons, centred on the screen.
static VOID
DrawStatusLine (
  IN CONST TUI_MESSAGE_BOX  *Box
  )
{
  CONST TUI_CONTROL  *Control = &Box->Frame.Control;
  UINT64             Room     = (Control->Width > 2) ? Control->Width - 2 : 0;
  CHAR16             *Cut     = CutWithEllipsis (Box->StatusText, Room, Room);
  CHAR16             *Line;
  UINTN              Size;

  if (Cut == NULL) {
    return;
  }

  Size = (StrLen (Cut) + 3) * sizeof (CHAR16);
  Line = (CHAR16 *)AllocateZeroPool (Size);
  if (Line != NULL) {
    UnicodeSPrint (Line, Size, u" %s ", Cut);
    PrintAligned (0, gTextScreenColumns, (UINT64)Control->Row + Control->Height - 1, 0, Line, 0);
    FreePool (Line);
  }

  FreePool (Cut);
}

static EFI_STATUS
MessageBoxDraw (
  IN VOID  *Object
  )
{
  TUI_MESSAGE_BOX  *Box     = (TUI_MESSAGE_BOX *)Object;
  TUI_CONTROL      *Control = &Box->Frame.Control;
  EFI_STATUS       Status   = PopupFrameDraw (Object);

  if (EFI_ERROR (Status)) {
    return Status;
  }

  DrawButtonBand (Box);
  if (Box->Pane != NULL) {
    (VOID)gTuiTextPaneOps.Base.SetPosition (Box->Pane, Control->Column + 2, Control->Row + 2);     // placing a pane cannot fail
    Box->Pane->Alignment = (UINT8)((Box->BoxType >> 4) <= TUI_ALIGN_RIGHT ? (Box->BoxType >> 4) : TUI_ALIGN_LEFT);
    // An empty message draws nothing; the box itself still stands.
    (VOID)gTuiTextPaneOps.Base.Draw (Box->Pane);
  }

  if (((Box->BoxType & 0x0F) == MSGBOX_BUTTONS_NONE) && (Box->StatusText != NULL)) {
    DrawStatusLine (Box);
  }

  MarkRowsDirty (Control->Row, (UINT64)Control->Row + Control->Height);
  FlushTextScreen ();
  return EFI_SUCCESS;
}

//
// Keys.
//

static EFI_STATUS
AnswerButton (
  IN OUT TUI_MESSAGE_BOX  *Box,
  IN     UINT8            Button
  )
{
  TUI_ACTION_BINDING  *Header = &Box->Frame.Control.Header;

  if ((Header->Callback == NULL) || (Header->CallbackData == NULL)) {
    return EFI_SUCCESS;
  }

  ((TUI_BUTTON_ANSWER *)Header->CallbackData)->Button = Button;
  return Header->Callback (Header->CallbackContext, Box, Header->CallbackData);
}

static VOID
MoveButton (
  IN OUT TUI_MESSAGE_BOX  *Box,
  IN     BOOLEAN          Right
  )
{
  UINT8  Set = Box->BoxType & 0x0F;

  if (Set == MSGBOX_BUTTONS_OK) {
    return;
  }

  if (Set == MSGBOX_BUTTONS_LIST) {
    if (Right && (Box->Selected + 1 < Box->ButtonCount)) {
      Box->Selected++;
    } else if (!Right && (Box->Selected > 0)) {
      Box->Selected--;
    }
  } else if (Right == (Box->Selected == 0)) {
    Box->Selected = Right ? 1 : 0;
  }

  (VOID)MessageBoxDraw (Box);     // a control that cannot draw now is drawn at the next redraw
}

static EFI_STATUS
MessageBoxHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_MESSAGE_BOX  *Box = (TUI_MESSAGE_BOX *)Object;

  if ((Event == NULL) || (Event->Kind == TUI_EVENT_TICK) || (Event->Kind == TUI_EVENT_POINTER)) {
    return EFI_UNSUPPORTED;
  }

  if (Event->Kind != TUI_EVENT_KEY) {
    return EFI_SUCCESS;
  }

  switch (HookMapSetupKey (&Event->Key)) {
    case ACTION_LEFT:
    case ACTION_RIGHT:
      MoveButton (Box, HookMapSetupKey (&Event->Key) == ACTION_RIGHT);
      break;
    case ACTION_SELECT:
      if ((Box->BoxType & 0x0F) != MSGBOX_BUTTONS_NONE) {
        (VOID)AnswerButton (Box, Box->Selected);   // the callback's answer is the owner's business
      }

      break;
    case ACTION_ABORT:
      Box->Selected = 1;
      (VOID)AnswerButton (Box, 1);     // the box closes whatever its callback answers
      (VOID)gTuiInputOps.ClearAction (Event);     // clearing an event cannot fail
      break;
    default:
      break;
  }

  return EFI_SUCCESS;
}

TUI_MESSAGE_BOX_OPS  gTuiMessageBoxOps = {
  {
    MessageBoxCreate,       MessageBoxDestroy,           MessageBoxInitialize, MessageBoxDraw,
    MessageBoxHandleAction, TuiActionBindingSetCallback, PopupFrameSetFocus,   TuiControlSetPosition,
    TuiControlSetDimensions, TuiControlSetAttributes, TuiRefuseHeight
  },
  MessageBoxSetBoxType
};

//
// Running a box.
//

static EFI_STATUS
StorePopupResult (
  IN VOID  *Context,
  IN VOID  *Box,
  IN VOID  *Data
  )
{
  (VOID)Context;
  (VOID)Box;
  mPopupResult = (UINT8)((TUI_BUTTON_ANSWER *)Data)->Button;
  return EFI_SUCCESS;
}

static VOID
RunBoxLoop (
  IN TUI_MESSAGE_BOX  *Box,
  IN TUI_INPUT        *Input
  )
{
  mPopupResult = MSGBOX_NO_ANSWER;
  while (mPopupResult > MSGBOX_NO_ANSWER - 1) {
    (VOID)gTuiInputOps.ClearAction (Input);     // clearing an event cannot fail
    (VOID)MessageBoxDraw (Box);     // a control that cannot draw now is drawn at the next redraw
    if (EFI_ERROR (gTuiInputOps.GetAction (Input)) ||
        EFI_ERROR (gTuiMessageBoxOps.Control.HandleAction (Box, Input)))
    {
      mPopupResult = MSGBOX_NO_ANSWER;
    }

    FlushTextScreen ();
  }
}

UINT8
RunPopupBox (
  IN CONST MSGBOX_DEF  *Definition,
  IN UINT8             BoxType
  )
{
  TUI_MESSAGE_BOX     *Box       = NULL;
  TUI_INPUT           *Temporary = NULL;
  TUI_BUTTON_ANSWER   Answer;
  CONTROL_RECORD      Record;
  UINT8               Result;
  TEXT_SCREEN_BUFFER  *Under     = NULL;

  if ((Definition == NULL) || EFI_ERROR (TuiCreate (&gTuiMessageBoxOps, (VOID **)&Box))) {
    return MSGBOX_NO_ANSWER;
  }

  // In setup the page redraws only its frames after a box: the cells between them, and
  // whatever a following box would be drawn over, keep the box unless what it covered
  // comes back. A box that saves the screen itself restores it on its own.
  if ((gInSetup != 0) && (CurrentBootScreenState () != BOOT_SCREEN_STATE_IN_SETUP) &&
      (CurrentBootScreenState () != BOOT_SCREEN_STATE_BOOTING))
  {
    Under = SaveTextScreen ();
  }

  // Without an application no input object exists: the box makes its own for its time.
  MakePopupRecord (&Record, Definition);
  if (EFI_ERROR (gTuiMessageBoxOps.Control.Initialize (Box, &Record, NULL)) ||
      ((gTuiPopupInput == NULL) && EFI_ERROR (TuiCreate (&gTuiInputOps, (VOID **)&Temporary))))
  {
    TuiDestroy (Box, TRUE);
    if (Under != NULL) {
      FreePool (Under);
    }

    return MSGBOX_NO_ANSWER;
  }

  (VOID)gTuiMessageBoxOps.SetBoxType (Box, BoxType);     // the box types come from this file's own table
  ZeroMem (&Answer, sizeof (Answer));
  (VOID)gTuiMessageBoxOps.Control.SetCallback (Box, NULL, StorePopupResult, &Answer);     // setting a callback cannot fail
  RunBoxLoop (Box, (Temporary != NULL) ? Temporary : gTuiPopupInput);
  Result = mPopupResult;
  TuiDestroy (Box, TRUE);
  TuiDestroy (Temporary, TRUE);
  if (Under != NULL) {
    RestoreTextScreen (Under);          // frees the copy
  }

  return Result;
}
