/** @file
  The text-entry box: a titled pop-up frame with one edit box per field, each drawn
  on its own row as "label [text]" while the box runs.
**/
#include <engine/textui/TextEntryBox.h>
#include <engine/textui/TuiApp.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/TaskPriority.h>
#include <Protocol/SimpleTextOut.h>
#include <engine/core/EngineStrings.h>
#include <engine/forms/Passwords.h>
#include <engine/core/HookTable.h>
#include <Uefi/UefiIfr.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define STRING_OPCODE_LENGTH  16
#define STRING_MAX_SIZE_AT    14
#define CURRENT_ATTRIBUTE     0x0F
#define LAST_SCREEN_ROW_SHOWN 24
#define NO_ANSWER             0

UINT16  gTextEntryValueColumn = 0;

// Everything one box owns; zero-filled at the start, so clean-up can run from any point.
typedef struct {
  TUI_POPUP_FRAME   *Frame;
  TUI_EDIT_BOX      *Boxes;         // FieldCount boxes in one array
  CONTROL_RECORD    *Records;
  UINT8             *Opcodes;       // one STRING opcode per field
  UINT64            *Answers;
  UINT8             Subtitle[TUI_SUBTITLE_OPCODE_SIZE];
  UINT16            Count;          // boxes made so far
  UINT16            Widest;         // L: the widest label, in cells
  UINT16            Longest;        // M: the largest maximum length
  UINT16            FieldRow;       // rows from the frame's top to the first field
} TEXT_ENTRY;

static EFI_STATUS
IgnoreAnswer (
  IN VOID  *Context,
  IN VOID  *Box,
  IN VOID  *Data
  )
{
  (VOID)Context;
  (VOID)Box;
  (VOID)Data;
  return EFI_SUCCESS;
}

static VOID
MakeRecord (
  OUT CONTROL_RECORD  *Record,
  IN  EFI_HII_HANDLE  HiiHandle,
  IN  CONST UINT8     *Opcode
  )
{
  ZeroMem (Record, sizeof (*Record));
  Record->HiiHandle      = HiiHandle;
  Record->ControlType    = CONTROL_TYPE_STRING;
  Record->Flags          = CONTROL_FLAG_VALID;
  Record->QuestionOpcode = (UINT64)(UINTN)Opcode;
}

static EFI_STATUS
MakeFrame (
  IN OUT TEXT_ENTRY      *Entry,
  IN     EFI_HII_HANDLE  HiiHandle,
  IN     UINT16          TitleId
  )
{
  CONTROL_RECORD  Record;
  EFI_STATUS      Status = TuiCreate (&gTuiPopupFrameOps, (VOID **)&Entry->Frame);

  if (EFI_ERROR (Status)) {
    return Status;
  }

  PopupSubtitleOpcode (Entry->Subtitle, TitleId);
  MakeRecord (&Record, HiiHandle, Entry->Subtitle);
  Status = gTuiPopupFrameOps.Initialize (Entry->Frame, &Record, NULL);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  // A board that sets no colour leaves the defaults.
  (VOID)HookSetControlColors (NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
          &Entry->Frame->Control.Foreground, &Entry->Frame->Control.Background);
  Entry->Frame->Shadow     = 1;
  Entry->Frame->Border     = 1;
  Entry->Frame->Title      = (TitleId == NO_STRING) ? NULL : HiiGetString (HiiHandle, TitleId, NULL);
  Entry->Frame->LayoutMode = TUI_POPUP_LAYOUT_TITLED;
  return (Entry->Frame->Title == NULL) ? EFI_UNSUPPORTED : EFI_SUCCESS;
}

static EFI_STATUS
AllocateFields (
  IN OUT TEXT_ENTRY  *Entry,
  IN     UINT16      FieldCount
  )
{
  Entry->Boxes   = (TUI_EDIT_BOX *)AllocateZeroPool (FieldCount * sizeof (TUI_EDIT_BOX));
  Entry->Records = (CONTROL_RECORD *)AllocateZeroPool (FieldCount * sizeof (CONTROL_RECORD));
  Entry->Opcodes = (UINT8 *)AllocateZeroPool (FieldCount * STRING_OPCODE_LENGTH);
  Entry->Answers = (UINT64 *)AllocateZeroPool (FieldCount * sizeof (UINT64));
  return ((Entry->Boxes == NULL) || (Entry->Records == NULL) || (Entry->Opcodes == NULL) || (Entry->Answers == NULL))
         ? EFI_OUT_OF_RESOURCES : EFI_SUCCESS;
}

// The caller's starting text, read no further than the field's maximum.
static CHAR16 *
StartingText (
  IN CONST TEXT_ENTRY_FIELD  *Field
  )
{
  CHAR16  *Text = (CHAR16 *)AllocateZeroPool (((UINTN)Field->MaxLength + 1) * sizeof (CHAR16));

  if (Text != NULL) {
    CopyMem (Text, Field->Buffer, StrnLenS (Field->Buffer, Field->MaxLength) * sizeof (CHAR16));
  }

  return Text;
}

static EFI_STATUS
MakeField (
  IN OUT TEXT_ENTRY              *Entry,
  IN     EFI_HII_HANDLE          HiiHandle,
  IN     CONST TEXT_ENTRY_FIELD  *Field,
  IN     UINT16                  Index
  )
{
  UINT8         *Opcode = Entry->Opcodes + Index * STRING_OPCODE_LENGTH;
  TUI_EDIT_BOX  *Box    = &Entry->Boxes[Index];
  CHAR16        *Start;
  UINT64        Label;
  EFI_STATUS    Status;

  if ((Field->Buffer == NULL) || (Field->MaxLength == 0)) {
    return EFI_INVALID_PARAMETER;
  }

  Opcode[0] = EFI_IFR_STRING_OP;
  Opcode[1] = STRING_OPCODE_LENGTH;
  WriteUnaligned16 ((UINT16 *)(Opcode + 2), Field->LabelId);
  Opcode[STRING_MAX_SIZE_AT] = Field->MaxLength;
  MakeRecord (&Entry->Records[Index], HiiHandle, Opcode);
  Status = TuiCreate (&gTuiEditBoxOps, (VOID **)&Box);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Entry->Count = (UINT16)(Index + 1);       // made: from now on it is destroyed with the others
  Start  = StartingText (Field);
  Status = (Start == NULL) ? EFI_OUT_OF_RESOURCES : gTuiEditBoxOps.SetText (Box, Start);
  FreeSecret (Start, ((UINTN)Field->MaxLength + 1) * sizeof (CHAR16));
  Status = EFI_ERROR (Status) ? Status : gTuiEditBoxOps.SetMaskMode (Box, (BOOLEAN)(Field->Mask != 0));
  Status = EFI_ERROR (Status) ? Status : gTuiEditBoxOps.Control.Initialize (Box, &Entry->Records[Index], NULL);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Box->Frame.Shadow     = 0;
  Box->Frame.LayoutMode = TUI_POPUP_LAYOUT_PLAIN;
  // Setting a callback cannot fail.
  (VOID)gTuiEditBoxOps.Control.SetCallback (Box, NULL, IgnoreAnswer, &Entry->Answers[Index]);
  Label = GetStringDisplayWidth (Box->Frame.Title) / WIDTH_UNITS_PER_CELL;
  Entry->Widest  = (UINT16)((Label > Entry->Widest) ? Label : Entry->Widest);
  Entry->Longest = (Field->MaxLength > Entry->Longest) ? Field->MaxLength : Entry->Longest;
  return EFI_SUCCESS;
}

// The box's size from the widest label and the largest maximum, centring the fields under a wider title.
static EFI_STATUS
LayOut (
  IN OUT TEXT_ENTRY  *Entry,
  IN     UINT16      FieldCount
  )
{
  TUI_CONTROL  *Box   = &Entry->Frame->Control;
  UINT64       Width  = (UINT64)Entry->Widest + Entry->Longest + 12;
  UINT64       Title  = GetTextCellCount (Entry->Frame->Title);

  // The fields sit below the title band, so the band adds to the height.
  Entry->FieldRow = (UINT16)(1 + PopupTitleRows (Entry->Frame));
  if (Title > Width) {
    Width = Title + 8;
    gTextEntryValueColumn = (UINT16)((Width - Entry->Longest - Entry->Widest - 2) / 2 + Entry->Widest);
  } else {
    gTextEntryValueColumn = (UINT16)(Entry->Widest + 6);
  }

  if ((Width + 2 > gTextScreenColumns) || ((UINT64)FieldCount + Entry->FieldRow + 1 + 2 > gTextScreenRows)) {
    return EFI_UNSUPPORTED;
  }

  Box->Width  = (UINT16)Width;
  Box->Height = (UINT16)(FieldCount + Entry->FieldRow + 1);
  return EFI_SUCCESS;
}

//
// Drawing a field.
//

EFI_STATUS
DrawTextEntryField (
  IN VOID  *Object
  )
{
  TUI_EDIT_BOX  *Box     = (TUI_EDIT_BOX *)Object;
  TUI_CONTROL   *Control = &Box->Frame.Control;
  UINT8         Normal   = (UINT8)(Control->Foreground | Control->Background);
  UINT8         Bracket  = (Box->Marked != 0) ? (UINT8)(CURRENT_ATTRIBUTE | Control->Background) : Normal;
  UINT64        Label    = (Box->Frame.Title != NULL) ? GetTextCellCount (Box->Frame.Title) : 0;
  CHAR16        *Shown   = EditBoxShownText (Box);
  UINT64        Length   = (Shown != NULL) ? StrLen (Shown) : 0;

  if ((Box->Frame.Title != NULL) && (Control->Column >= Label + 2)) {
    PrintAt (Control->Column - Label - 2, Control->Row, Box->Frame.Title, Bracket);
  }

  PrintAt (Control->Column, Control->Row, u"[", Bracket);
  PrintAt ((UINT64)Control->Column + Box->MaxLength + 1, Control->Row, u"]", Bracket);
  if (Box->Marked != 0) {
    FillTextRect (Control->Column + 1, Control->Row, Box->MaxLength, 1, Control->Foreground);
  }

  if (Shown != NULL) {
    // How many lines it took is not needed here.
    (VOID)PrintWrappedLines (Control->Column + 1, Control->Row, (Control->Width > 1) ? Control->Width - 1 : 1, 1, Shown,
            (Box->Marked != 0) ? (UINT8)CURRENT_ATTRIBUTE : Normal);
    FreeSecret (Shown, (Length + 1) * sizeof (CHAR16));
  }

  MarkRowsDirty (0, LAST_SCREEN_ROW_SHOWN);
  return EFI_SUCCESS;
}

//
// Running the fields.
//

// Whether the field's class takes Character; Backspace, Tab, Enter and Esc are no characters to test.
static BOOLEAN
ClassTakes (
  IN CONST TEXT_ENTRY_FIELD  *Field,
  IN UINT16                  Position,
  IN CHAR16                  Character,
  IN TUI_EDIT_BOX            *Box,
  IN TEXT_ENTRY_FILTER       Filter
  )
{
  BOOLEAN  Digit  = (BOOLEAN)((Character >= u'0') && (Character <= u'9'));
  BOOLEAN  Letter = (BOOLEAN)(((Character >= u'A') && (Character <= u'Z')) || ((Character >= u'a') && (Character <= u'z')));

  if (Character < 0x20) {
    return TRUE;
  }

  switch (Field->Class) {
    case TEXT_ENTRY_DIGITS:        return Digit;
    case TEXT_ENTRY_LETTERS:       return Letter;
    case TEXT_ENTRY_ALPHANUMERIC:  return (BOOLEAN)(Digit || Letter);
    case TEXT_ENTRY_CALLER_FILTER: return (Filter == NULL) || Filter (Position, Character, Box->Text);
    default:                       return TRUE;
  }
}

static VOID
PlaceConsoleCursor (
  IN CONST TUI_EDIT_BOX  *Box
  )
{
  UINTN  Length = (Box->Text != NULL) ? StrLen (Box->Text) : 0;

  // The console's cursor only helps the eye; a console without one is typed on all the same.
  (VOID)gST->ConOut->SetAttribute (gST->ConOut, (UINTN)(Box->Frame.Control.Background | Box->Frame.Control.Foreground));
  (VOID)gST->ConOut->SetCursorPosition (gST->ConOut, (UINTN)(Box->Frame.Control.Column + Length + 1), Box->Frame.Control.Row);
  (VOID)gST->ConOut->EnableCursor (gST->ConOut, (BOOLEAN)(Length < Box->MaxLength));   // a console may have no cursor
}

// Moves between the fields; Esc ends the box cancelled.
static UINT16
NavigateFields (
  IN UINT32  Action,
  IN UINT16  Current,
  IN UINT16  Count
  )
{
  switch (Action) {
    case ACTION_UP:    return (Current > 0) ? (UINT16)(Current - 1) : Current;
    case ACTION_DOWN:
    case ACTION_NEXT:  return (Current + 1 < Count) ? (UINT16)(Current + 1) : Current;
    case ACTION_HOME:  return 0;
    case ACTION_END:   return (UINT16)(Count - 1);
    case ACTION_ABORT: gEditBoxResult = EDIT_BOX_CANCELLED; return Current;
    default:           return Current;
  }
}

static VOID
DrawAllFields (
  IN TEXT_ENTRY  *Entry,
  IN UINT16      Count
  )
{
  TUI_CONTROL  *Frame = &Entry->Frame->Control;

  (VOID)PopupFrameDraw (Entry->Frame);     // a control that cannot draw now is drawn at the next redraw
  for (UINT16 Index = 0; Index < Count; Index++) {
    (VOID)DrawTextEntryField (&Entry->Boxes[Index]);     // a control that cannot draw now is drawn at the next redraw
  }

  MarkRowsDirty ((Frame->Row > 2) ? Frame->Row - 2 : 0, (UINT64)Frame->Row + Frame->Height);
  FlushTextScreen ();
}

static UINT8
RunTextEntryFields (
  IN TEXT_ENTRY              *Entry,
  IN TEXT_ENTRY_FIELD        *Fields,
  IN UINT16                  Count,
  IN TEXT_ENTRY_FILTER       Filter
  )
{
  TUI_INPUT  *Temporary = NULL;
  TUI_INPUT  *Input     = (gTuiApp != NULL) ? gTuiApp->Input : NULL;
  UINT16     Current    = 0;

  if ((Input == NULL) && EFI_ERROR (TuiCreate (&gTuiInputOps, (VOID **)&Temporary))) {
    return EDIT_BOX_CANCELLED;
  }

  Input = (Input != NULL) ? Input : Temporary;
  (VOID)PopupFrameDraw (Entry->Frame);      // fixes the frame's place
  for (UINT16 Index = 0; Index < Count; Index++) {
    (VOID)gTuiEditBoxOps.Control.SetPosition (&Entry->Boxes[Index], Entry->Frame->Control.Column + gTextEntryValueColumn,
            (UINT64)Entry->Frame->Control.Row + Entry->FieldRow + Index);
    (VOID)gTuiEditBoxOps.Control.SetDimensions (&Entry->Boxes[Index], (UINT64)Entry->Boxes[Index].MaxLength + 2, 1);
  }

  gEditBoxResult = EDIT_BOX_OPEN;
  while (gEditBoxResult == EDIT_BOX_OPEN) {
    UINT32  Action;

    (VOID)gTuiInputOps.ClearAction (Input);     // clearing an event cannot fail
    DrawAllFields (Entry, Count);
    if (EFI_ERROR (gTuiInputOps.GetAction (Input))) {
      continue;
    }

    Action  = (Input->Kind == TUI_EVENT_KEY) ? HookMapSetupKey (&Input->Key) : (UINT32)ACTION_NONE;
    Current = NavigateFields (Action, Current, Count);
    for (UINT16 Index = 0; Index < Count; Index++) {
      Entry->Boxes[Index].Marked = (UINT8)(Index == Current);
    }

    if ((Input->Kind != TUI_EVENT_KEY) ||
        ClassTakes (&Fields[Current], Current, Input->Key.Key.UnicodeChar, &Entry->Boxes[Current], Filter))
    {
      (VOID)gTuiEditBoxOps.Control.HandleAction (&Entry->Boxes[Current], Input);   // the box keeps what it takes
      PlaceConsoleCursor (&Entry->Boxes[Current]);
    }

    if ((Action == ACTION_SELECT) && (gEditBoxResult == EDIT_BOX_OPEN)) {
      if (Current + 1 < Count) {
        Current++;
      } else {
        gEditBoxResult = EDIT_BOX_ACCEPTED;
      }
    }
  }

  TuiDestroy (Temporary, TRUE);
  return gEditBoxResult;
}

static VOID
FreeTextEntry (
  IN OUT TEXT_ENTRY  *Entry
  )
{
  for (UINT16 Index = Entry->Count; Index > 0; Index--) {
    TuiDestroy (&Entry->Boxes[Index - 1], FALSE);     // the last box restores the screen from before the first
  }

  FreePool (Entry->Boxes);
  FreePool (Entry->Records);
  FreePool (Entry->Opcodes);
  FreePool (Entry->Answers);
  TuiDestroy (Entry->Frame, TRUE);
  if (gTuiApp != NULL) {
    gTuiApp->Redraw = 1;
    gTuiApp->State  = TUI_APP_STATE_PAGE;
  }
}

// Makes the frame and the fields and runs them; the statuses of ShowTextEntryBox.
static EFI_STATUS
RunTextEntry (
  IN OUT TEXT_ENTRY         *Entry,
  IN     EFI_HII_HANDLE     HiiHandle,
  IN     UINT16             TitleId,
  IN     TEXT_ENTRY_FIELD   *Fields,
  IN     UINT16             FieldCount,
  IN     TEXT_ENTRY_FILTER  Filter
  )
{
  EFI_STATUS  Status = MakeFrame (Entry, HiiHandle, TitleId);
  TUI_CONTROL_OPS  Saved;

  Status = EFI_ERROR (Status) ? Status : AllocateFields (Entry, FieldCount);
  for (UINT16 Index = 0; !EFI_ERROR (Status) && (Index < FieldCount); Index++) {
    Status = MakeField (Entry, HiiHandle, &Fields[Index], Index);
  }

  Status = EFI_ERROR (Status) ? Status : LayOut (Entry, FieldCount);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  CopyMem (&Saved, &gTuiEditBoxOps.Control, sizeof (Saved));
  gTuiEditBoxOps.Control.Draw = DrawTextEntryField;
  (VOID)gST->ConOut->EnableCursor (gST->ConOut, TRUE);       // a console may have no cursor
  (VOID)gST->ConOut->SetAttribute (gST->ConOut, PopupFrameAttribute (Entry->Frame));
  if (RunTextEntryFields (Entry, Fields, FieldCount, Filter) == EDIT_BOX_ACCEPTED) {
    for (UINT16 Index = 0; Index < FieldCount; Index++) {
      StrCpyS (Fields[Index].Buffer, (UINTN)Fields[Index].MaxLength + 1, Entry->Boxes[Index].Text);
    }
  }

  gTuiEditBoxOps.Control.Draw = Saved.Draw;
  return (gEditBoxResult == EDIT_BOX_CANCELLED) ? EFI_ABORTED : EFI_SUCCESS;
}

EFI_STATUS
ShowTextEntryBox (
  IN EFI_HII_HANDLE     HiiHandle,
  IN UINT16             TitleId,
  IN TEXT_ENTRY_FIELD   *Fields,
  IN UINT16             FieldCount,
  IN TEXT_ENTRY_FILTER  Filter OPTIONAL
  )
{
  TEXT_ENTRY  Entry;
  BOOLEAN     Visible;
  EFI_TPL     CallerTpl;
  EFI_STATUS  Status;

  if (HiiHandle == NULL) {
    return EFI_UNSUPPORTED;
  }

  if ((Fields == NULL) || (FieldCount == 0)) {
    return EFI_INVALID_PARAMETER;
  }

  ZeroMem (&Entry, sizeof (Entry));
  Visible   = (BOOLEAN)gST->ConOut->Mode->CursorVisible;
  // Timers run while the box waits for keys: the entry runs at the application level.
  CallerTpl = LowerToApplicationTpl ();
  Status    = RunTextEntry (&Entry, HiiHandle, TitleId, Fields, FieldCount, Filter);
  (VOID)gST->ConOut->EnableCursor (gST->ConOut, Visible);
  FreeTextEntry (&Entry);
  RestoreCallerTpl (CallerTpl);
  return Status;
}
