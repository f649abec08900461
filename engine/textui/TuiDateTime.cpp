/** @file
  The date and time controls. A field is changed by + and - (written at once, with
  wrap-around), or by typing digits that are written when the edit is committed:
  by Enter, Tab, Shift+Tab, + or -, or any other key the control does not take.
**/
#include <engine/textui/TuiDateTime.h>
#include <engine/textui/TuiFrame.h>
#include <engine/textui/TuiEditBox.h>
#include <engine/textui/TuiStatements.h>
#include <engine/textui/TuiValueControls.h>
#include <engine/browser/DriverCallbacks.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/HookTable.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/forms/QuestionConditions.h>
#include <Uefi/UefiIfr.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>

#define FIELD_COUNT       3
#define YEAR_FIELD        2
#define FIELD_TEXT_CHARS  8
#define DIGIT_CHARS       4

// The digits typed so far, one buffer per class: four for the year, two elsewhere.
static CHAR16  mDateDigits[DIGIT_CHARS + 1];
static CHAR16  mTimeDigits[DIGIT_CHARS / 2 + 1];

typedef struct {
  BOOLEAN  Graphical;      // the graphical setup's handler: a click anywhere on the row selects
  BOOLEAN  CommitFirst;    // navigation and + and - commit a running edit first
  BOOLEAN  DrawAnswers;    // a digit answers what the class's Draw answers
} DATE_TIME_STYLE;

static CONST DATE_TIME_STYLE  mTextStyle          = { FALSE, TRUE, FALSE };
static CONST DATE_TIME_STYLE  mGraphicalDateStyle = { TRUE, FALSE, TRUE };
static CONST DATE_TIME_STYLE  mGraphicalTimeStyle = { TRUE, TRUE, FALSE };

UINT8
DayOfWeek (
  IN UINT16  Year,
  IN UINT8   Month,
  IN UINT8   Day
  )
{
  INT32  M = (INT32)Month - 2;
  INT32  Y = Year;
  INT32  C;
  INT32  R;
  INT32  W;

  if (M < 1) {
    M += 12;
    Y -= 1;
  }

  C = Y / 100;
  R = Y - 100 * C;
  W = (R + 5 * C + (13 * M - 1) / 5 + C / 4 + R / 4 + Day) % 7;
  return (UINT8)((W < 0) ? W + 7 : W);      // year 0 in January or February
}

static BOOLEAN
IsDate (
  IN CONST TUI_DATE_TIME_BASE  *Item
  )
{
  return (BOOLEAN)((Item->Control.Record.ControlType & CONTROL_TYPE_MASK) == CONTROL_TYPE_DATE);
}

static CHAR16 *
Digits (
  IN CONST TUI_DATE_TIME_BASE  *Item
  )
{
  return IsDate (Item) ? mDateDigits : mTimeDigits;
}

static UINTN
FieldDigits (
  IN CONST TUI_DATE_TIME_BASE  *Item,
  IN UINT8                Field
  )
{
  return (IsDate (Item) && (Field == YEAR_FIELD)) ? DIGIT_CHARS : DIGIT_CHARS / 2;
}

static VOID
FieldBounds (
  IN  CONST TUI_DATE_TIME_BASE  *Item,
  IN  UINT8                Field,
  OUT UINT16               *Lower,
  OUT UINT16               *Upper
  )
{
  static CONST UINT16  DateBounds[FIELD_COUNT][2] = { { 1, 12 }, { 1, 31 }, { 0, 9999 } };
  static CONST UINT16  TimeBounds[FIELD_COUNT][2] = { { 0, 23 }, { 0, 59 }, { 0, 59 } };
  CONST UINT16         (*Bounds)[2] = IsDate (Item) ? DateBounds : TimeBounds;

  *Lower = Bounds[Field % FIELD_COUNT][0];
  *Upper = Bounds[Field % FIELD_COUNT][1];
}

static UINT16
GetField (
  IN CONST TUI_DATE_TIME_BASE  *Item,
  IN CONST EFI_TIME       *Time,
  IN UINT8                Field
  )
{
  switch (Field) {
    case 0:  return IsDate (Item) ? Time->Month : Time->Hour;
    case 1:  return IsDate (Item) ? Time->Day : Time->Minute;
    default: return IsDate (Item) ? Time->Year : Time->Second;
  }
}

static VOID
SetField (
  IN     CONST TUI_DATE_TIME_BASE  *Item,
  IN OUT EFI_TIME             *Time,
  IN     UINT8                Field,
  IN     UINT64               Value
  )
{
  switch (Field) {
    case 0:  *(IsDate (Item) ? &Time->Month : &Time->Hour)  = (UINT8)Value; break;
    case 1:  *(IsDate (Item) ? &Time->Day : &Time->Minute)  = (UINT8)Value; break;
    default:
      if (IsDate (Item)) {
        Time->Year = (UINT16)Value;
      } else {
        Time->Second = (UINT8)Value;
      }

      break;
  }
}

// The value as shown: "0%d" below 10, a year "%04d" below 1000, else "%d".
static VOID
FormatField (
  IN  UINT16  Value,
  IN  UINTN   Width,
  OUT CHAR16  *Text
  )
{
  UnicodeSPrint (Text, FIELD_TEXT_CHARS * sizeof (CHAR16), (Width == DIGIT_CHARS) ? u"%04d" : u"%02d", (UINT32)Value);
}

// The field's value into the digit buffer: exactly the field's digits, whatever the value.
static VOID
LoadDigits (
  IN TUI_DATE_TIME_BASE  *Item,
  IN UINT16         Value
  )
{
  UINTN   Width = FieldDigits (Item, Item->Field);
  CHAR16  *Into = Digits (Item);

  for (UINTN Index = Width; Index > 0; Index--) {
    Into[Index - 1] = (CHAR16)(u'0' + Value % 10);
    Value = (UINT16)(Value / 10);
  }

  Into[Width] = 0;
}

static EFI_STATUS
ReadValue (
  IN OUT TUI_DATE_TIME_BASE  *Item
  )
{
  EFI_TIME    Time;
  EFI_STATUS  Status;

  CopyMem (&Time, &Item->Time, sizeof (Time));
  Status = ReadDateTimeValue (&Item->Control.Record, &Time);
  if (!EFI_ERROR (Status)) {
    CopyMem (&Item->Time, &Time, sizeof (Time));
  }

  return Status;
}

static UINT8
StorageBits (
  IN CONST TUI_DATE_TIME_BASE  *Item
  )
{
  CONST UINT8  *Opcode = (CONST UINT8 *)(UINTN)Item->Control.Record.QuestionOpcode;

  return (UINT8)(((Opcode != NULL) && (IfrLength (Opcode) > IFR_DATE_TIME_FLAGS_AT)) ? (Opcode[IFR_DATE_TIME_FLAGS_AT] & QF_DATE_STORAGE) : 0);
}

//
// Creating, drawing.
//

static EFI_STATUS
DateCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_DATE), TuiControlCreate, &gTuiDateOps);
}

static EFI_STATUS
TimeCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_TIME), TuiControlCreate, &gTuiTimeOps);
}

static EFI_STATUS
DateTimeInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  TUI_DATE_TIME_BASE  *Item  = (TUI_DATE_TIME_BASE *)Object;
  EFI_STATUS     Status = TuiControlInitialize (Object, Data, Extra);

  if (EFI_ERROR (Status)) {
    return Status;
  }

  TuiBindCacheVariable (&Item->Control);
  Item->Control.Record.HelpStringId = TuiStatementString (&Item->Control, 4);
  Item->ValueOffset = (UINT8)gTuiValueColumn;
  Item->Countdown   = TuiRefreshInterval (&Item->Control);
  FieldBounds (Item, 0, &Item->Lower, &Item->Upper);
  // A board that sets no colour leaves the defaults.
  (VOID)HookSetControlColors (NULL, NULL, NULL, &Item->Foreground, &Item->FocusBackground, &Item->FocusForeground,
          &Item->NormalBackground, &Item->NormalForeground, NULL, &Item->PromptFocused, &Item->PromptNormal, NULL, NULL,
          NULL, NULL);
  return EFI_SUCCESS;
}

// Cells the prompt may take: up to the value column, past the frame's own margin.
static UINT64
PromptCells (
  IN CONST TUI_DATE_TIME_BASE  *Item
  )
{
  UINT64  FrameColumn = (Item->Control.Column >= TUI_CONTROL_INDENT) ? Item->Control.Column - TUI_CONTROL_INDENT : 0;

  return (Item->ValueOffset > FrameColumn + 2) ? Item->ValueOffset - FrameColumn - 2 : 0;
}

static VOID
DrawPrompt (
  IN TUI_DATE_TIME_BASE  *Item,
  IN UINT8          Attribute
  )
{
  TUI_CONTROL  *Control = &Item->Control;
  BOOLEAN      NoPrompt;
  CHAR16       *Text    = TuiReadPrompt (Control, &NoPrompt);

  if (Text == NULL) {
    return;
  }

  TuiPrintPrompt (Control, Text, PromptCells (Item), Attribute);

  FreePool (Text);
}

// The three fields over the template, from the column of the first; the current one stands out when focused.
static VOID
DrawFields (
  IN TUI_DATE_TIME_BASE  *Item,
  IN UINT64         Column,
  IN UINT8          Normal
  )
{
  CHAR16  Text[FIELD_TEXT_CHARS];

  for (UINT8 Field = 0; Field < FIELD_COUNT; Field++) {
    BOOLEAN  Current = (BOOLEAN)(Item->Control.HasFocus && (Field == Item->Field));
    UINT16   Value   = GetField (Item, &Item->Time, Field);

    if (Current && (Item->Control.OwnsFrame != 0)) {
      StrCpyS (Text, FIELD_TEXT_CHARS, Digits (Item));
    } else if (IsDate (Item) && (Field == YEAR_FIELD) && (Value >= 1000)) {
      UnicodeSPrint (Text, sizeof (Text), u"%d", (UINT32)Value);
    } else {
      FormatField (Value, FieldDigits (Item, Field), Text);
    }

    PrintAt (Column + 3 * Field, Item->Control.Row, Text,
      Current ? (UINT8)(Item->FocusBackground | Item->FocusForeground) : Normal);
  }
}

// A shorter weekday than the one drawn before leaves the old end of the field behind
// it: the cells up to where the widest weekday's field ends are cleared.
static VOID
ClearAfterDate (
  IN UINT64  Column,
  IN UINT64  Row,
  IN UINTN   WeekdayCells,
  IN UINT8   Attribute
  )
{
  UINTN   Widest = 0;
  CHAR16  Blank[TEXT_SCREEN_MAX_COLUMNS + 1];

  for (UINT8 Day = 0; Day < 7; Day++) {
    CHAR16  *Name = HiiGetString (ENGINE_OWN_HII_HANDLE, (EFI_STRING_ID)(STR_SUNDAY + Day), NULL);

    if (Name != NULL) {
      Widest = (GetTextCellCount (Name) > Widest) ? GetTextCellCount (Name) : Widest;
      FreePool (Name);
    }
  }

  if (Widest > WeekdayCells) {
    UINTN  Count = (Widest - WeekdayCells < TEXT_SCREEN_MAX_COLUMNS) ? Widest - WeekdayCells : TEXT_SCREEN_MAX_COLUMNS;

    SetMem16 (Blank, Count * sizeof (CHAR16), u' ');
    Blank[Count] = 0;
    PrintAt (Column, Row, Blank, Attribute);
  }
}

static EFI_STATUS
DateTimeDraw (
  IN VOID  *Object
  )
{
  TUI_DATE_TIME_BASE  *Item    = (TUI_DATE_TIME_BASE *)Object;
  TUI_CONTROL    *Control = &Item->Control;
  UINT8          State    = EvaluateControlCondition (&Control->Record);
  UINT64         Column   = Control->Column + Item->ValueOffset;
  UINT8          Normal;
  CHAR16         *Weekday = NULL;
  CHAR16         Line[TEXT_SCREEN_MAX_COLUMNS + 1];

  if (!TuiStateDrawn (State)) {
    return EFI_UNSUPPORTED;
  }

  (VOID)ReadValue (Item);           // a value that cannot be read shows as last read
  Normal = (UINT8)(Item->NormalBackground | TuiStateForeground (State, Item->NormalForeground));
  DrawPrompt (Item, (UINT8)(Item->NormalBackground |
                            TuiStateForeground (State, Control->HasFocus ? Item->PromptFocused : Item->PromptNormal)));
  if (IsDate (Item)) {
    Weekday = HiiGetString (ENGINE_OWN_HII_HANDLE,
                (EFI_STRING_ID)(STR_SUNDAY + DayOfWeek (Item->Time.Year, Item->Time.Month, Item->Time.Day)), NULL);
    UnicodeSPrint (Line, sizeof (Line), u"[%s XX/XX/XXXX]", (Weekday != NULL) ? Weekday : u"");
    PrintAt (Column, Control->Row, Line, Normal);
    ClearAfterDate (Column + GetTextCellCount (Line), Control->Row, (Weekday != NULL) ? GetTextCellCount (Weekday) : 0, Normal);
    DrawFields (Item, Column + ((Weekday != NULL) ? GetTextCellCount (Weekday) : 0) + 2, Normal);
    FreePool (Weekday);
  } else {
    PrintAt (Column, Control->Row, u"[  :  :  ]", Normal);
    DrawFields (Item, Column + 1, Normal);
  }

  MarkRowsDirty (Control->Row, Control->Row);
  return TuiDrawnStatus (State);
}

static EFI_STATUS
DateTimeSetFocus (
  IN VOID     *Object,
  IN BOOLEAN  Focus
  )
{
  TUI_DATE_TIME_BASE  *Item = (TUI_DATE_TIME_BASE *)Object;

  Item->Field = 0;
  FieldBounds (Item, 0, &Item->Lower, &Item->Upper);
  return TuiLabelSetFocus (Object, Focus);
}

static EFI_STATUS
DateTimeGetControlHeight (
  IN  VOID    *Object,
  IN  UINT64  FrameWidth,
  OUT UINT16  *Height
  )
{
  TUI_DATE_TIME_BASE  *Item = (TUI_DATE_TIME_BASE *)Object;
  BOOLEAN        NoPrompt;
  CHAR16         *Text = TuiReadPrompt (&Item->Control, &NoPrompt);

  (VOID)FrameWidth;
  *Height = TuiWrappedRows (Text, (PromptCells (Item) > 0) ? PromptCells (Item) : 1);
  FreePool (Text);
  return EFI_SUCCESS;
}

//
// Changing the value.
//

static BOOLEAN
Written (
  IN TUI_DATE_TIME_BASE  *Item,
  IN EFI_TIME       *Time
  )
{
  return (BOOLEAN)!EFI_ERROR (WriteDateTimeValue (&Item->Control.Record, Time));
}

/**
  A date the store refuses after a step is fixed up: a raised field takes day 1; a
  lowered one takes the last day from 31 down that is accepted, or, below day 29, the
  next year. When nothing is accepted the date stays as it was.
**/
static VOID
WriteSteppedDate (
  IN     TUI_DATE_TIME_BASE   *Item,
  IN OUT EFI_TIME        *Time,
  IN     CONST EFI_TIME  *Original,
  IN     BOOLEAN         Up
  )
{
  EFI_TIME  Try;

  if (Written (Item, Time)) {
    return;
  }

  CopyMem (&Try, Time, sizeof (Try));
  if (Up) {
    Try.Day = 1;
    if (Written (Item, &Try)) {
      CopyMem (Time, &Try, sizeof (Try));
      return;
    }
  } else if (Time->Day >= 29) {
    for (UINT8 Day = 31; Day >= 28; Day--) {
      Try.Day = Day;
      if (Written (Item, &Try)) {
        CopyMem (Time, &Try, sizeof (Try));
        return;
      }
    }
  } else if (Time->Year < 9999) {
    Try.Year = (UINT16)(Time->Year + 1);
    if (Written (Item, &Try)) {
      CopyMem (Time, &Try, sizeof (Try));
      return;
    }
  }

  CopyMem (Time, Original, sizeof (*Time));
}

static VOID
Commit (
  IN TUI_DATE_TIME_BASE  *Item
  )
{
  EFI_TIME           Time;
  RESOLVED_QUESTION  Question;

  if (Item->Control.OwnsFrame == 0) {
    return;
  }

  Item->Control.OwnsFrame = 0;
  (VOID)ReadValue (Item);     // a value that cannot be read keeps the one shown
  CopyMem (&Time, &Item->Time, sizeof (Time));
  SetField (Item, &Time, Item->Field, StrDecimalToUintn (Digits (Item)));
  ResolveQuestion (&Item->Control.Record, &Question);
  SaveQuestionOldValue (&Question);
  if (Written (Item, &Time)) {
    CopyMem (&Item->Time, &Time, sizeof (Time));
    if (((Item->Control.Record.Flags & CONTROL_FLAG_CALLBACK) != 0) && (StorageBits (Item) == QF_DATE_STORAGE_NORMAL)) {
      // The driver's answer is its own; the value is written either way.
      (VOID)InvokeQuestionCallback (&Item->Control.Record, &Question, Item->Control.Record.QuestionId, EFI_BROWSER_ACTION_CHANGING);
    }
  }
}

static VOID
StepField (
  IN TUI_DATE_TIME_BASE  *Item,
  IN BOOLEAN        Up
  )
{
  EFI_TIME  Time;
  EFI_TIME  Original;
  UINT16    Value;

  (VOID)ReadValue (Item);     // a value that cannot be read keeps the one shown
  CopyMem (&Time, &Item->Time, sizeof (Time));
  CopyMem (&Original, &Time, sizeof (Time));
  Value = GetField (Item, &Time, Item->Field);
  if (Up) {
    Value = ((Value >= Item->Upper) || (Value < Item->Lower)) ? Item->Lower : (UINT16)(Value + 1);
  } else {
    Value = ((Value <= Item->Lower) || (Value > Item->Upper)) ? Item->Upper : (UINT16)(Value - 1);
  }

  SetField (Item, &Time, Item->Field, Value);
  if (IsDate (Item)) {
    WriteSteppedDate (Item, &Time, &Original, Up);
  } else {
    (VOID)Written (Item, &Time);     // a time the clock refuses stays as it was when read again
  }

  CopyMem (&Item->Time, &Time, sizeof (Time));
  LoadDigits (Item, GetField (Item, &Time, Item->Field));
  Item->Control.OwnsFrame = 1;
}

static VOID
MoveField (
  IN TUI_DATE_TIME_BASE  *Item,
  IN UINT8          Steps
  )
{
  Item->Field = (UINT8)((Item->Field + Steps) % FIELD_COUNT);
  FieldBounds (Item, Item->Field, &Item->Lower, &Item->Upper);
}

static VOID
TypeDigit (
  IN TUI_DATE_TIME_BASE  *Item,
  IN CHAR16         Digit
  )
{
  CHAR16  *Buffer = Digits (Item);
  UINTN   Width   = FieldDigits (Item, Item->Field);

  if (Item->Control.OwnsFrame == 0) {
    (VOID)ReadValue (Item);     // a value that cannot be read keeps the one shown
    LoadDigits (Item, GetField (Item, &Item->Time, Item->Field));
    Item->Control.OwnsFrame = 1;
  }

  CopyMem (Buffer, Buffer + 1, (Width - 1) * sizeof (CHAR16));
  Buffer[Width - 1] = Digit;
  Buffer[Width]     = 0;
}

// Ticks reload the value at the record's refresh interval, unless an edit or a pop-up is open.
static EFI_STATUS
CountRefreshTick (
  IN TUI_DATE_TIME_BASE  *Item
  )
{
  if ((Item->Control.OwnsFrame != 0) || !TuiNoPopupOpen () || !TuiCountTick (&Item->Control, &Item->Countdown)) {
    return EFI_UNSUPPORTED;
  }

  (VOID)RefreshControlValue (&Item->Control.Record);    // the clock is read again by the next draw
  (VOID)ReadValue (Item);
  return EFI_SUCCESS;
}

static UINT32
EventAction (
  IN TUI_DATE_TIME_BASE          *Item,
  IN TUI_INPUT              *Event,
  IN CONST DATE_TIME_STYLE  *Style
  )
{
  CONST TUI_CONTROL  *Control = &Item->Control;

  if (Event->Kind == TUI_EVENT_KEY) {
    return HookMapSetupKey (&Event->Key);
  }

  if (Event->Kind != TUI_EVENT_POINTER) {
    return ACTION_NONE;
  }

  if (Style->Graphical) {
    return (Event->Pointer.Row == Control->Row) ? (UINT32)ACTION_SELECT : (UINT32)ACTION_NONE;
  }

  return TuiPointerInside (Control, Event) ? (UINT32)ACTION_SELECT : (UINT32)ACTION_NONE;
}

static EFI_STATUS
DateTimeAction (
  IN     TUI_DATE_TIME_BASE          *Item,
  IN OUT TUI_INPUT              *Event,
  IN     CONST DATE_TIME_STYLE  *Style
  )
{
  UINT32  Action;

  if ((Event == NULL) || (Event->Kind == TUI_EVENT_NONE)) {
    return EFI_UNSUPPORTED;
  }

  if (Event->Kind == TUI_EVENT_TICK) {
    return CountRefreshTick (Item);
  }

  if (!Item->Control.HasFocus || ((Item->Control.Record.Flags & CONTROL_FLAG_READ_ONLY) != 0)) {
    return EFI_UNSUPPORTED;
  }

  Action = EventAction (Item, Event, Style);
  switch (Action) {
    case ACTION_SELECT: case ACTION_NEXT: case ACTION_PREVIOUS: case ACTION_INCREMENT: case ACTION_DECREMENT:
      if (Style->CommitFirst) {
        Commit (Item);
      }

      if ((Action == ACTION_INCREMENT) || (Action == ACTION_DECREMENT)) {
        StepField (Item, (BOOLEAN)(Action == ACTION_INCREMENT));
      } else {
        MoveField (Item, (Action == ACTION_PREVIOUS) ? FIELD_COUNT - 1 : 1);
      }

      return EFI_SUCCESS;
    case ACTION_NUMERIC:
      TypeDigit (Item, Event->Key.Key.UnicodeChar);
      if (Style->DrawAnswers) {
        return ((TUI_CONTROL_OPS *)Item->Control.Header.Ops)->Draw (Item);
      }

      (VOID)((TUI_CONTROL_OPS *)Item->Control.Header.Ops)->Draw (Item);
      return EFI_SUCCESS;
    case ACTION_ABORT:
      if (Item->Control.OwnsFrame == 0) {
        return EFI_UNSUPPORTED;        // the page takes Esc
      }

      Item->Control.OwnsFrame = 0;
      return EFI_SUCCESS;
    default:
      if (Style->CommitFirst) {
        Commit (Item);
      }

      return EFI_UNSUPPORTED;
  }
}

static EFI_STATUS
DateTimeHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  return DateTimeAction ((TUI_DATE_TIME_BASE *)Object, Event, &mTextStyle);
}

EFI_STATUS
GraphicalDateHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  return DateTimeAction ((TUI_DATE_TIME_BASE *)Object, Event, &mGraphicalDateStyle);
}

EFI_STATUS
GraphicalTimeHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  return DateTimeAction ((TUI_DATE_TIME_BASE *)Object, Event, &mGraphicalTimeStyle);
}

TUI_CONTROL_OPS  gTuiDateOps = {
  DateCreate,           TuiActionBindingDestroy,     DateTimeInitialize, DateTimeDraw,
  DateTimeHandleAction, TuiActionBindingSetCallback, DateTimeSetFocus,   TuiControlSetPosition,
  TuiControlSetDimensions, TuiControlSetAttributes,  DateTimeGetControlHeight
};

TUI_CONTROL_OPS  gTuiTimeOps = {
  TimeCreate,           TuiActionBindingDestroy,     DateTimeInitialize, DateTimeDraw,
  DateTimeHandleAction, TuiActionBindingSetCallback, DateTimeSetFocus,   TuiControlSetPosition,
  TuiControlSetDimensions, TuiControlSetAttributes,  DateTimeGetControlHeight
};

/**
  The graphical setup draws dates and numbers itself: the date and time controls
  keep only the keys of the field being edited, the number only its refresh ticks.
**/
UINT64
InstallGraphicalControlOps (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  gTuiDateOps.Draw         = TuiUnsupportedOperation;
  gTuiDateOps.HandleAction = GraphicalDateHandleAction;
  gTuiTimeOps.HandleAction = GraphicalTimeHandleAction;
  gTuiNumberOps.Draw         = TuiUnsupportedOperation;
  gTuiNumberOps.HandleAction = GraphicalNumberHandleAction;
  return 0;
}
