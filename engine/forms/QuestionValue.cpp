/** @file
  Question values kept outside the plain cache path: dates and times in a
  variable, the real-time clock or the wake-up time; re-reading a control's value
  from its store; and an ACTION's configuration string.

  Where a DATE or TIME keeps its value is read from bits 4-5 of the opcode's own
  flags byte (byte 13). Bit 4 of the question-header flags (byte 12) means that a
  change needs a reset and says nothing about storage.
**/
#include <engine/forms/FormTables.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/variables/ConfigString.h>
#include <engine/core/EngineGlobals.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>
#include <Protocol/HiiConfigAccess.h>

#define ACTION_OPCODE_SIZE     15
#define ACTION_CONFIG_STRING   13

//
// Dates and times.
//

static EFI_STATUS
DateTimeStorage (
  IN  CONST CONTROL_RECORD  *Control,
  OUT UINT8                 *Op,
  OUT UINT8                 *Storage
  )
{
  CONST UINT8  *Opcode = (Control == NULL) ? NULL : (CONST UINT8 *)(UINTN)Control->QuestionOpcode;

  if ((Opcode == NULL) || ((Opcode[0] != EFI_IFR_DATE_OP) && (Opcode[0] != EFI_IFR_TIME_OP)) ||
      (IfrLength (Opcode) <= IFR_DATE_TIME_FLAGS_AT))
  {
    return EFI_UNSUPPORTED;
  }

  *Op      = Opcode[0];
  *Storage = (UINT8)(Opcode[IFR_DATE_TIME_FLAGS_AT] & QF_DATE_STORAGE);
  return (*Storage == QF_DATE_STORAGE) ? EFI_UNSUPPORTED : EFI_SUCCESS;
}

static EFI_STATUS
ReadStoredDateTime (
  IN     CONST CONTROL_RECORD  *Control,
  IN     UINT8                 Op,
  IN OUT EFI_TIME              *Time
  )
{
  UINT8       Bytes[4] = { 0 };
  UINT16      Offset   = GetQuestionOffset ((CONST UINT8 *)(UINTN)Control->QuestionOpcode);
  EFI_STATUS  Status;

  Status = ReadVariableBytes (Control->VariableIndex, Offset, GetQuestionWidth ((CONST UINT8 *)(UINTN)Control->QuestionOpcode),
             Bytes, FALSE);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  if (Op == EFI_IFR_DATE_OP) {
    Time->Year  = (UINT16)(Bytes[0] | (Bytes[1] << 8));
    Time->Month = Bytes[2];
    Time->Day   = Bytes[3];
  } else {
    Time->Hour   = Bytes[0];
    Time->Minute = Bytes[1];
    Time->Second = Bytes[2];
  }

  return EFI_SUCCESS;
}

EFI_STATUS
ReadDateTimeValue (
  IN     CONST CONTROL_RECORD  *Control,
  IN OUT EFI_TIME              *Time
  )
{
  UINT8       Op;
  UINT8       Storage;
  BOOLEAN     Enabled;
  BOOLEAN     Pending;
  EFI_STATUS  Status = DateTimeStorage (Control, &Op, &Storage);

  if (EFI_ERROR (Status) || (Time == NULL)) {
    return EFI_ERROR (Status) ? Status : EFI_INVALID_PARAMETER;
  }

  switch (Storage) {
    case QF_DATE_STORAGE_NORMAL:
      return ReadStoredDateTime (Control, Op, Time);
    case QF_DATE_STORAGE_TIME:
      return gRT->GetTime (Time, NULL);
    default:
      return gRT->GetWakeupTime (&Enabled, &Pending, Time);
  }
}

// Whether a calendar or a clock holds the value: typed fields reach here unchecked,
// and a store of the question's own would keep 02/31 or 24:00 and show it back.
static BOOLEAN
DateTimeHolds (
  IN UINT8           Op,
  IN CONST EFI_TIME  *Time
  )
{
  static CONST UINT8  Days[12] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
  BOOLEAN             Leap;

  if (Op != EFI_IFR_DATE_OP) {
    return (BOOLEAN)((Time->Hour <= 23) && (Time->Minute <= 59) && (Time->Second <= 59));
  }

  if ((Time->Month < 1) || (Time->Month > 12) || (Time->Day < 1)) {
    return FALSE;
  }

  Leap = (BOOLEAN)(((Time->Year % 4) == 0) && (((Time->Year % 100) != 0) || ((Time->Year % 400) == 0)));
  return (BOOLEAN)(Time->Day <= Days[Time->Month - 1] + (((Time->Month == 2) && Leap) ? 1 : 0));
}

EFI_STATUS
WriteDateTimeValue (
  IN CONST CONTROL_RECORD  *Control,
  IN EFI_TIME              *Time
  )
{
  UINT8       Op;
  UINT8       Storage;
  UINT8       Bytes[4];
  EFI_STATUS  Status = DateTimeStorage (Control, &Op, &Storage);

  if (EFI_ERROR (Status) || (Time == NULL)) {
    return EFI_ERROR (Status) ? Status : EFI_INVALID_PARAMETER;
  }

  if (!DateTimeHolds (Op, Time)) {
    return EFI_INVALID_PARAMETER;
  }

  if (Storage == QF_DATE_STORAGE_TIME) {
    return gRT->SetTime (Time);
  }

  if (Storage == QF_DATE_STORAGE_WAKEUP) {
    return gRT->SetWakeupTime (TRUE, Time);
  }

  if (Op == EFI_IFR_DATE_OP) {
    Bytes[0] = (UINT8)Time->Year;
    Bytes[1] = (UINT8)(Time->Year >> 8);
    Bytes[2] = Time->Month;
    Bytes[3] = Time->Day;
  } else {
    Bytes[0] = Time->Hour;
    Bytes[1] = Time->Minute;
    Bytes[2] = Time->Second;
  }

  return WriteVariableBytes (Control->VariableIndex, GetQuestionOffset ((CONST UINT8 *)(UINTN)Control->QuestionOpcode),
           GetQuestionWidth ((CONST UINT8 *)(UINTN)Control->QuestionOpcode), Bytes);
}

//
// Refreshing a control from its store.
//

static BOOLEAN
HasStoredValue (
  IN UINT16  Type
  )
{
  switch (Type) {
    case CONTROL_TYPE_DATE:
    case CONTROL_TYPE_TIME:
    case CONTROL_TYPE_ONE_OF:
    case CONTROL_TYPE_CHECKBOX:
    case CONTROL_TYPE_NUMERIC:
    case CONTROL_TYPE_PASSWORD:
    case CONTROL_TYPE_ORDERED_LIST:
    case CONTROL_TYPE_STRING:
      return TRUE;
    default:
      return FALSE;
  }
}

// The bytes a control's value takes in its store; an ordered list holds one value per option.
static UINTN
StoredWidth (
  IN CONST CONTROL_RECORD  *Control
  )
{
  UINT8  Type;
  UINTN  Size;

  if ((Control->ControlType & CONTROL_TYPE_MASK) == CONTROL_TYPE_ORDERED_LIST) {
    return CountQuestionOptions (Control, &Type, &Size) * Size;
  }

  return GetQuestionWidth ((CONST UINT8 *)(UINTN)Control->QuestionOpcode);
}

// A new buffer of Width bytes read at Offset from the control's store; null when nothing could be read.
static UINT8 *
ReadStoredValue (
  IN CONST CONTROL_RECORD  *Control,
  IN UINTN                 Offset,
  IN UINTN                 Width
  )
{
  VARIABLE_RECORD  *Record = GetVariableRecord (Control->VariableIndex);
  RECORD_NAME      Name;
  UINT8            *Whole = NULL;
  UINT8            *Value = NULL;
  UINTN            Size   = 0;

  if (Record == NULL) {
    return NULL;
  }

  if (!IsDirectEfiVariable (Control->VariableIndex, Record)) {
    if ((Offset + Width <= Record->Size) && EFI_ERROR (ExtractVariableConfig (Record, (VOID **)&Value, Offset, Width))) {
      Value = NULL;
    }

    return Value;
  }

  if (Record->Attributes == 0) {
    Record->Attributes = VARIABLE_DEFAULT_ATTRIBUTES;
  }

  GetRecordName (Record, &Name);
  if (!EFI_ERROR (GetVariableBuffer (Name.Text, &Record->VendorGuid, (VOID **)&Whole, &Size, NULL)) && (Offset + Width <= Size)) {
    Value = (UINT8 *)AllocateCopyPool (Width, Whole + Offset);
  }

  FreePool (Whole);
  return Value;
}

static BOOLEAN
IsKeptInClock (
  IN CONST CONTROL_RECORD  *Control
  )
{
  UINT8  Op;
  UINT8  Storage;

  return !EFI_ERROR (DateTimeStorage (Control, &Op, &Storage)) && (Storage != QF_DATE_STORAGE_NORMAL);
}

EFI_STATUS
ReloadControlValue (
  IN  CONTROL_RECORD  *Control,
  OUT BOOLEAN         *Unchanged
  )
{
  CONST UINT8  *Question = (Control == NULL) ? NULL : (CONST UINT8 *)(UINTN)Control->QuestionOpcode;
  UINTN        Width;
  UINTN        Offset;
  UINT8        *Stored;
  UINT8        *Cached;
  EFI_STATUS   Status = EFI_SUCCESS;

  *Unchanged = FALSE;
  if ((Question == NULL) || !HasStoredValue (Control->ControlType & CONTROL_TYPE_MASK)) {
    return EFI_UNSUPPORTED;
  }

  // The clock, not the variable cache, holds these; copying them would freeze the time shown.
  if (IsKeptInClock (Control)) {
    return EFI_SUCCESS;
  }

  Width  = StoredWidth (Control);
  Offset = GetQuestionOffset (Question);
  Stored = (Width == 0) ? NULL : ReadStoredValue (Control, Offset, Width);
  if (Stored == NULL) {
    return EFI_SUCCESS;
  }

  Cached = (UINT8 *)AllocateZeroPool (Width);
  if (Cached == NULL) {
    Status = EFI_OUT_OF_RESOURCES;
  } else if (EFI_ERROR (ReadVariableBytes (Control->VariableIndex, Offset, Width, Cached, FALSE)) ||
             (CompareMem (Cached, Stored, Width) != 0))
  {
    Status = AccessCacheBytes (TRUE, gVariableCache, Control->VariableIndex, Offset, Width, Stored);
  } else {
    *Unchanged = TRUE;
  }

  FreePool (Cached);
  FreePool (Stored);
  return Status;
}

//
// Configuration sent by an ACTION question.
//

EFI_STATUS
RouteActionConfig (
  IN CONST CONTROL_RECORD  *Control
  )
{
  CONST UINT8  *Question;
  CHAR16       *Config;
  CHAR16       *Progress = NULL;
  UINT8        Saved     = gInBrowserCallback;
  EFI_STATUS   Status    = EFI_SUCCESS;

  if (Control == NULL) {
    return EFI_UNSUPPORTED;
  }

  Question = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;
  if ((Question == NULL) || (Question[0] != EFI_IFR_ACTION_OP) || (IfrLength (Question) != ACTION_OPCODE_SIZE)) {
    return EFI_SUCCESS;
  }

  Config = LibHiiGetString (Control->HiiHandle, (EFI_STRING_ID)IfrField (Question, ACTION_CONFIG_STRING, 2), NULL);
  if ((Config != NULL) && (Config[0] != 0)) {
    if (gHiiConfigRouting == NULL) {
      Status = EFI_NOT_READY;
    } else {
      gInBrowserCallback = 1;
      Status             = gHiiConfigRouting->RouteConfig (gHiiConfigRouting, Config, &Progress);
      gInBrowserCallback = Saved;
    }
  }

  FreePool (Config);
  return Status;
}
