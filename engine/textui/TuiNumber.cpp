/** @file
  The number: a numeric question in a text-entry field, in hexadecimal, unsigned
  decimal or signed decimal. Typed digits of the base replace the value, + and -
  step it within its range, and a typed value outside the range is refused with a
  message and the previous text put back.
**/
#include <engine/textui/TuiValueControls.h>
#include <engine/textui/TuiStatements.h>
#include <engine/textui/TuiFrame.h>
#include <engine/textui/MessageBox.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/HookTable.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/browser/DriverCallbacks.h>
#include <engine/forms/QuestionAccess.h>
#include <Resources/EngineStringIds.h>
#include <Uefi/UefiIfr.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>

#define DISPLAY_SIGNED  0x00
#define DISPLAY_HEX     0x20

static MSGBOX_DEF  mRangeError = { 0, STR_ERROR, 0, ENGINE_OWN_HII_HANDLE, STR_INVALID_INPUT_RANGE, 0 };

//
// Values at the question's width.
//

static UINTN
ValueWidth (
  IN CONST TUI_NUMBER  *Number
  )
{
  UINTN  Width = Number->Entry.Control.Record.ValueWidth;

  return ((Width == 0) || (Width > sizeof (UINT64))) ? sizeof (UINT64) : Width;
}

static UINT64
WidthMask (
  IN CONST TUI_NUMBER  *Number
  )
{
  return (ValueWidth (Number) == sizeof (UINT64)) ? ~(UINT64)0 : (((UINT64)1 << (ValueWidth (Number) * 8)) - 1);
}

static INT64
SignExtend (
  IN CONST TUI_NUMBER  *Number,
  IN UINT64            Value
  )
{
  UINTN   Bits = ValueWidth (Number) * 8;
  UINT64  Sign = (UINT64)1 << (Bits - 1);

  Value &= WidthMask (Number);
  return (INT64)((Value ^ Sign) - Sign);
}

// A < B by the comparison of the number's mode: signed at its width, else unsigned.
static BOOLEAN
IsBelow (
  IN CONST TUI_NUMBER  *Number,
  IN UINT64            A,
  IN UINT64            B
  )
{
  if (Number->Base == TUI_NUMBER_SIGNED) {
    return (BOOLEAN)(SignExtend (Number, A) < SignExtend (Number, B));
  }

  return (BOOLEAN)(A < B);
}

static BOOLEAN
InRange (
  IN CONST TUI_NUMBER  *Number,
  IN UINT64            Value
  )
{
  return (BOOLEAN)(!IsBelow (Number, Value, Number->Minimum) && !IsBelow (Number, Number->Maximum, Value));
}

// Clamped with the same comparison as the range test, so a valid negative value stays.
static UINT64
Clamp (
  IN CONST TUI_NUMBER  *Number,
  IN UINT64            Value
  )
{
  if (IsBelow (Number, Value, Number->Minimum)) {
    return Number->Minimum;
  }

  return IsBelow (Number, Number->Maximum, Value) ? Number->Maximum : Value;
}

// Distance from Low up to High (High not below Low), as the mode counts it.
static UINT64
Distance (
  IN CONST TUI_NUMBER  *Number,
  IN UINT64            Low,
  IN UINT64            High
  )
{
  if (Number->Base == TUI_NUMBER_SIGNED) {
    return (UINT64)SignExtend (Number, High) - (UINT64)SignExtend (Number, Low);
  }

  return High - Low;
}

//
// Text.
//

static VOID
FormatValue (
  IN OUT TUI_NUMBER  *Number,
  IN     UINT64      Value
  )
{
  TUI_TEXT_ENTRY  *Entry = &Number->Entry;
  UINTN           Size   = ((UINTN)Entry->Capacity + 1) * sizeof (CHAR16);

  if (Number->Base == TUI_NUMBER_HEX) {
    UnicodeSPrint (Entry->Text, Size, u"%lx", Value);
  } else if (Number->Base == TUI_NUMBER_SIGNED) {
    UnicodeSPrint (Entry->Text, Size, u"%ld", SignExtend (Number, Value));
  } else {
    UnicodeSPrint (Entry->Text, Size, u"%lu", Value);
  }
}

static UINT8
DigitValue (
  IN CHAR16  Character,
  IN UINT16  Base
  )
{
  if ((Character >= u'0') && (Character <= u'9')) {
    return (UINT8)(Character - u'0');
  }

  if ((Base == TUI_NUMBER_HEX) && (Character >= u'a') && (Character <= u'f')) {
    return (UINT8)(Character - u'a' + 10);
  }

  if ((Base == TUI_NUMBER_HEX) && (Character >= u'A') && (Character <= u'F')) {
    return (UINT8)(Character - u'A' + 10);
  }

  return 0xFF;
}

// The digits of Text as a magnitude; FALSE when it holds anything but digits of the
// base or does not fit 64 bits.
static BOOLEAN
ParseDigits (
  IN  CONST CHAR16  *Text,
  IN  UINT16        Base,
  OUT UINT64        *Value
  )
{
  UINT64  Radix = (Base == TUI_NUMBER_HEX) ? 16 : 10;

  *Value = 0;
  for (UINTN Index = 0; Text[Index] != 0; Index++) {
    UINT64  Digit = DigitValue (Text[Index], Base);
    if ((Digit >= Radix) || (*Value > (~(UINT64)0 - Digit) / Radix)) {
      return FALSE;
    }

    *Value = *Value * Radix + Digit;
  }

  return TRUE;
}

/**
  The typed text as a value of the question's width. FALSE when it cannot be one:
  too large for 64 bits, or in signed mode outside the width's signed range; such
  a value counts as out of range.
**/
static BOOLEAN
ParseText (
  IN  CONST TUI_NUMBER  *Number,
  IN  CONST CHAR16      *Text,
  OUT UINT64            *Value
  )
{
  BOOLEAN  Negative = (BOOLEAN)((Number->Base == TUI_NUMBER_SIGNED) && (Text[0] == u'-'));
  UINT64   Limit;

  if (!ParseDigits (Negative ? Text + 1 : Text, Number->Base, Value)) {
    return FALSE;
  }

  if (Number->Base != TUI_NUMBER_SIGNED) {
    return TRUE;
  }

  Limit = (UINT64)1 << (ValueWidth (Number) * 8 - 1);      // |minimum| of the width; the maximum is one less
  if (Negative ? (*Value > Limit) : (*Value >= Limit)) {
    return FALSE;
  }

  *Value = (Negative ? (UINT64)0 - *Value : *Value) & WidthMask (Number);
  return TRUE;
}

//
// The stored value.
//

static UINT64
StoredValue (
  IN TUI_NUMBER  *Number
  )
{
  UINT64  Value = 0;

  (VOID)TuiReadQuestionBytes (&Number->Entry.Control, ValueWidth (Number), &Value);     // unreadable reads as 0
  if (!InRange (Number, Value)) {
    Value = 0;
    (VOID)TuiReadQuestionDefault (&Number->Entry.Control, ValueWidth (Number), &Value);
  }

  return Clamp (Number, Value);
}

static VOID
LoadValue (
  IN OUT TUI_NUMBER  *Number
  )
{
  Number->Current = StoredValue (Number);
  FormatValue (Number, Number->Current);
}

static UINT16
BaseOf (
  IN CONST UINT8  *Opcode
  )
{
  switch (IfrField (Opcode, IFR_NUMERIC_FLAGS_AT, 1) & EFI_IFR_DISPLAY) {
    case DISPLAY_SIGNED: return TUI_NUMBER_SIGNED;
    case DISPLAY_HEX:    return TUI_NUMBER_HEX;
    default:             return TUI_NUMBER_DECIMAL;
  }
}

static EFI_STATUS
NumberCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_NUMBER), TuiTextEntryCreate, &gTuiNumberOps);
}

static EFI_STATUS
NumberInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  TUI_NUMBER            *Number = (TUI_NUMBER *)Object;
  CONST CONTROL_RECORD  *Record = (CONST CONTROL_RECORD *)Data;
  CONST UINT8           *Opcode = (Record == NULL) ? NULL : (CONST UINT8 *)(UINTN)Record->QuestionOpcode;
  UINT16                Width   = GetQuestionWidth (Opcode);
  EFI_STATUS            Status;

  Number->Entry.Capacity = (UINT16)((Width >= 2) ? 3 * Width : 4);
  Status = TuiTextEntryInitialize (Object, Data, Extra);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Number->Entry.Mask                    = 0;
  Number->Entry.Control.Record.ValueWidth = Width;
  Number->Minimum   = GetQuestionMinimum (Opcode);
  Number->Maximum   = GetQuestionMaximum (Opcode);
  Number->Step      = GetQuestionStep (Opcode);
  Number->Base      = BaseOf (Opcode);
  Number->Countdown = TuiRefreshInterval (&Number->Entry.Control);
  LoadValue (Number);
  return EFI_SUCCESS;
}

static EFI_STATUS
NumberDraw (
  IN VOID  *Object
  )
{
  TUI_NUMBER  *Number = (TUI_NUMBER *)Object;

  if (!TuiTextEntryEditing (&Number->Entry)) {
    LoadValue (Number);
  }

  return TuiTextEntryDraw (Object);
}

//
// Changes.
//

// Esc for the text-entry part: the text from before the edit comes back.
static EFI_STATUS
RestoreText (
  IN TUI_NUMBER  *Number
  )
{
  TUI_INPUT  Esc;

  ZeroMem (&Esc, sizeof (Esc));
  Esc.Kind             = TUI_EVENT_KEY;
  Esc.Key.Key.ScanCode = SCAN_ESC;
  return TuiTextEntryHandleAction (Number, &Esc);
}

static EFI_STATUS
Report (
  IN TUI_NUMBER  *Number,
  IN UINT64      Value
  )
{
  TUI_CONTROL  *Control = &Number->Entry.Control;
  EFI_STATUS   Status;

  Number->Current = Value;
  Status = TuiCommitValue (&Control, &Value, (UINT32)ValueWidth (Number));
  if (Control != NULL) {
    Control->OwnsFrame = 0;                     // the edit is over
    (VOID)((TUI_CONTROL_OPS *)Control->Header.Ops)->Draw (Control);
  }

  return Status;
}

/**
  Enter: the typed text becomes the value when it is in range. An empty text (and
  in signed mode one with a second '-') stands for the minimum. Out of range, the
  message is shown and the text from before the edit comes back.
**/
static EFI_STATUS
Commit (
  IN TUI_NUMBER  *Number
  )
{
  CONST CHAR16  *Text  = Number->Entry.Text;
  UINT64        Value  = Number->Minimum;
  BOOLEAN       Valid  = TRUE;

  if ((Text[0] != 0) && !((Number->Base == TUI_NUMBER_SIGNED) && (Text[0] == u'-') && (StrStr (Text + 1, u"-") != NULL))) {
    Valid = ParseText (Number, Text, &Value);
  }

  if (Valid && InRange (Number, Value)) {
    return Report (Number, Value);
  }

  (VOID)RunPopupBox (&mRangeError, MSGBOX_BUTTONS_OK);    // any answer only dismisses it
  (VOID)RestoreText (Number);
  return EFI_SUCCESS;
}

static EFI_STATUS
Step (
  IN TUI_NUMBER  *Number,
  IN BOOLEAN     Increment
  )
{
  UINT64  Value = Number->Current;
  UINT64  Next  = Value;

  if (!ParseText (Number, Number->Entry.Text, &Value)) {
    Value = Number->Current;
  }

  if (Increment && IsBelow (Number, Value, Number->Maximum) && (Distance (Number, Value, Number->Maximum) >= Number->Step)) {
    Next = Value + Number->Step;
  } else if (!Increment && IsBelow (Number, Number->Minimum, Value) && (Distance (Number, Number->Minimum, Value) >= Number->Step)) {
    Next = Value - Number->Step;
  }

  Next = (Number->Base == TUI_NUMBER_SIGNED) ? (Next & WidthMask (Number)) : Next;
  FormatValue (Number, Next);
  if ((Next != Value) && InRange (Number, Next)) {
    return Report (Number, Next);
  }

  (VOID)TuiTextEntryDraw (Number);     // a control that cannot draw now is drawn at the next redraw
  return EFI_SUCCESS;
}

static EFI_STATUS
Tick (
  IN TUI_NUMBER  *Number
  )
{
  if (TuiTextEntryEditing (&Number->Entry) || (Number->Countdown == 0) || !TuiNoPopupOpen () ||
      !TuiCountTick (&Number->Entry.Control, &Number->Countdown))
  {
    return EFI_UNSUPPORTED;
  }

  (VOID)RefreshControlValue (&Number->Entry.Control.Record);     // a value that cannot be read again stays as shown
  return EFI_SUCCESS;
}

EFI_STATUS
GraphicalNumberHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  return ((Event != NULL) && (Event->Kind == TUI_EVENT_TICK)) ? Tick ((TUI_NUMBER *)Object) : EFI_UNSUPPORTED;
}

static EFI_STATUS
HandlePointer (
  IN     TUI_NUMBER  *Number,
  IN OUT TUI_INPUT   *Event
  )
{
  if (!TuiPointerInside (&Number->Entry.Control, Event)) {
    return EFI_UNSUPPORTED;
  }

  if (HookMapPointerAction ((UINT64)(UINTN)&Event->Pointer) == ACTION_SELECT) {
    return Commit (Number);
  }

  return EFI_UNSUPPORTED;
}

static EFI_STATUS
HandleStepKey (
  IN     TUI_NUMBER  *Number,
  IN OUT TUI_INPUT   *Event,
  IN     BOOLEAN     Increment
  )
{
  if (!TuiTextEntryEditing (&Number->Entry)) {
    return (Number->Step == 0) ? EFI_UNSUPPORTED : Step (Number, Increment);
  }

  // While a signed number is typed, '-' is its sign: a character only where a sign
  // goes, at the start. Anywhere else it is refused, as a letter is, rather than
  // typed and then silently cut off with what follows it ("3-4" stored as 3).
  if ((Number->Base == TUI_NUMBER_SIGNED) && !Increment && (Number->Entry.Text[0] == 0)) {
    return TuiTextEntryHandleAction (Number, Event);
  }

  return EFI_UNSUPPORTED;
}

static EFI_STATUS
HandleKey (
  IN     TUI_NUMBER  *Number,
  IN OUT TUI_INPUT   *Event
  )
{
  UINT32   Action  = HookMapSetupKey (&Event->Key);
  BOOLEAN  Editing = TuiTextEntryEditing (&Number->Entry);

  switch (Action) {
    case ACTION_LEFT:
    case ACTION_RIGHT:
    case ACTION_UP:
    case ACTION_DOWN:
      if (Editing) {
        (VOID)Commit (Number);     // an out-of-range entry is told and undone by the commit itself
      }

      return EFI_UNSUPPORTED;             // the frame moves the focus as well
    case ACTION_SELECT:
      return Commit (Number);
    case ACTION_INCREMENT:
    case ACTION_DECREMENT:
      return HandleStepKey (Number, Event, (BOOLEAN)(Action == ACTION_INCREMENT));
    case ACTION_BACKSPACE:
      return TuiTextEntryHandleAction (Number, Event);
    case ACTION_ALPHA:
    case ACTION_NUMERIC:
      return (DigitValue (Event->Key.Key.UnicodeChar, Number->Base) != 0xFF) ? TuiTextEntryHandleAction (Number, Event)
                                                                             : EFI_UNSUPPORTED;
    default:
      break;
  }

  if ((Action != ACTION_ABORT) && (Action != ACTION_NONE) && (Action <= ACTION_NUMERIC)) {
    return EFI_UNSUPPORTED;
  }

  if (Editing) {
    (VOID)Commit (Number);     // an out-of-range entry is told and undone by the commit itself
  }

  return (Event->Key.Key.ScanCode != 0) ? TuiTextEntryHandleAction (Number, Event) : EFI_UNSUPPORTED;
}

static EFI_STATUS
NumberHandleAction (
  IN     VOID       *Object,
  IN OUT TUI_INPUT  *Event
  )
{
  TUI_NUMBER  *Number = (TUI_NUMBER *)Object;

  if (Event == NULL) {
    return EFI_UNSUPPORTED;
  }

  if (Event->Kind == TUI_EVENT_TICK) {
    return Tick (Number);
  }

  if ((Number->Entry.Control.Record.Flags & CONTROL_FLAG_READ_ONLY) != 0) {
    return EFI_UNSUPPORTED;
  }

  if (Event->Kind == TUI_EVENT_POINTER) {
    return HandlePointer (Number, Event);
  }

  return (Event->Kind == TUI_EVENT_KEY) ? HandleKey (Number, Event) : EFI_UNSUPPORTED;
}

static EFI_STATUS
NumberGetControlHeight (
  IN  VOID    *Object,
  IN  UINT64  FrameWidth,
  OUT UINT16  *Height
  )
{
  TUI_TEXT_ENTRY  *Entry = (TUI_TEXT_ENTRY *)Object;
  BOOLEAN         NoPrompt;
  CHAR16          *Prompt = TuiReadPrompt (&Entry->Control, &NoPrompt);
  UINT64          Cells   = (Entry->ValueOffset > Entry->Control.Column) ? (UINT64)(Entry->ValueOffset - Entry->Control.Column) : 1;

  (VOID)FrameWidth;
  *Height = TuiWrappedRows (Prompt, Cells);
  FreePool (Prompt);
  return EFI_SUCCESS;
}

TUI_CONTROL_OPS  gTuiNumberOps = {
  NumberCreate,            TuiTextEntryDestroy,         NumberInitialize, NumberDraw,
  NumberHandleAction,      TuiActionBindingSetCallback, TuiLabelSetFocus, TuiControlSetPosition,
  TuiControlSetDimensions, TuiControlSetAttributes,     NumberGetControlHeight
};
