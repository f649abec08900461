/** @file
  Question values for the expression evaluator: a question is found by its id on
  a page and then on the other pages of the same package list, and its value is
  read from (or written to) the variable cache. The operators that name questions
  (EQ_ID_*, QUESTION_REF*, RULE_REF, THIS) live here too.
**/
#include <engine/forms/IfrEvaluation.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/DevicePath.h>
#include <Protocol/DevicePathToText.h>

#define OPERAND_FIELD          2     // EQ_ID_*, QUESTION_REF1, RULE_REF
#define SECOND_OPERAND_FIELD   4     // EQ_ID_VAL value, EQ_ID_ID second question, EQ_ID_VAL_LIST count
#define LIST_FIELD             6
#define REF3_DEVICE_PATH_FIELD 2
#define REF3_GUID_FIELD        4
#define NUMBER_VALUE_MAX       8
#define STRING_VALUE_MAX       512   // bytes: the longest STRING question (255 characters) fits

// Inconsistency, no-submit and rule records carry no question of their own.
static BOOLEAN
HasOwnQuestion (
  IN CONST CONTROL_RECORD  *Control
  )
{
  UINT16  Type = Control->ControlType & CONTROL_TYPE_MASK;

  return (Type != CONTROL_TYPE_INCONSISTENT_IF) && (Type != CONTROL_TYPE_NO_SUBMIT_IF) && (Type != CONTROL_TYPE_RULE);
}

static UINT16
QuestionIdOf (
  IN CONST CONTROL_RECORD  *Control
  )
{
  CONST UINT8  *Opcode = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;

  if (Control->QuestionId != 0) {
    return Control->QuestionId;
  }

  if ((Opcode == NULL) || !IsQuestionOpcode (Opcode[0]) || (IfrLength (Opcode) < IFR_QUESTION_ID_END)) {
    return 0;
  }

  return (UINT16)IfrField (Opcode, IFR_QUESTION_ID_AT, 2);
}

// A control of Page that Wanted accepts; Rule selects RULE records by rule id instead of questions.
static CONTROL_RECORD *
FindOnPage (
  IN UINTN    Page,
  IN UINT16   Id,
  IN BOOLEAN  Rule
  )
{
  CONTROL_RECORD  *Control;

  for (UINTN N = 0; !EFI_ERROR (GetPageControl (Page, N, &Control)); N++) {
    BOOLEAN  IsRule = ((Control->ControlType & CONTROL_TYPE_MASK) == CONTROL_TYPE_RULE);

    if (Rule ? (IsRule && (Control->QuestionId == Id)) : (HasOwnQuestion (Control) && (QuestionIdOf (Control) == Id))) {
      return Control;
    }
  }

  return NULL;
}

static CONTROL_RECORD *
FindQuestion (
  IN UINT16  QuestionId,
  IN UINTN   Page
  )
{
  PAGE_RECORD     *Home;
  PAGE_RECORD     *Other;
  CONTROL_RECORD  *Found = FindOnPage (Page, QuestionId, FALSE);

  if ((Found != NULL) || (QuestionId == 0) || EFI_ERROR (GetPageData (Page, &Home)) || (Home->HiiHandle == NULL)) {
    return Found;
  }

  for (UINTN Next = 0; (Found == NULL) && (Next < GetPageCount ()); Next++) {
    if ((Next != Page) && !EFI_ERROR (GetPageData (Next, &Other)) && (Other->HiiHandle == Home->HiiHandle)) {
      Found = FindOnPage (Next, QuestionId, FALSE);
    }
  }

  return Found;
}

CONST CONTROL_RECORD *
IfrFindRule (
  IN CONST CONTROL_RECORD  *Control,
  IN UINT8                 RuleId
  )
{
  return FindOnPage (Control->PageNumber, RuleId, TRUE);
}

static EFI_STATUS
ReadStringQuestion (
  IN  IFR_EVALUATION        *Eval,
  IN  CONST CONTROL_RECORD  *Control,
  IN  CONST UINT8           *Opcode
  )
{
  UINTN       Width = GetQuestionWidth (Opcode);
  CHAR16      *Text;
  EFI_STATUS  Status;

  Width = (Width > STRING_VALUE_MAX) ? STRING_VALUE_MAX : (Width & ~(UINTN)1);
  Text  = (CHAR16 *)AllocateZeroPool (Width + sizeof (CHAR16));
  if (Text == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  Status = (Width == 0) ? EFI_SUCCESS : ReadVariableBytes (Control->VariableIndex, GetQuestionOffset (Opcode), Width, Text, FALSE);
  if (EFI_ERROR (Status) || (Text[0] == 0)) {
    FreePool (Text);
    return EFI_ERROR (Status) ? Status : EFI_NOT_STARTED;
  }

  return IfrPushNewString (Eval, Text);
}

//
// Reads a control's value; a string is pushed as a string of the evaluation and
// Cell is then popped back from the stack.
//
static EFI_STATUS
ReadControlValue (
  IN  IFR_EVALUATION        *Eval,
  IN  CONST CONTROL_RECORD  *Control,
  OUT IFR_VALUE_CELL        *Cell
  )
{
  CONST UINT8  *Opcode = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;
  UINT8        Bytes[NUMBER_VALUE_MAX];
  UINTN        Width;
  EFI_STATUS   Status;

  if ((Opcode == NULL) || !IsQuestionOpcode (Opcode[0])) {
    return EFI_UNSUPPORTED;
  }

  if (Opcode[0] == EFI_IFR_STRING_OP) {
    Status = ReadStringQuestion (Eval, Control, Opcode);
    return EFI_ERROR (Status) ? Status : IfrPop (Eval, Cell);
  }

  Width = GetQuestionWidth (Opcode);
  Width = (Width > NUMBER_VALUE_MAX) ? NUMBER_VALUE_MAX : Width;
  if (Width == 0) {
    return EFI_UNSUPPORTED;
  }

  ZeroMem (Bytes, sizeof (Bytes));
  Status = ReadVariableBytes (Control->VariableIndex, GetQuestionOffset (Opcode), Width, Bytes, FALSE);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  // A checkbox holds a boolean, so NOT and AND take it as it is.
  IfrSetCellNumber (Cell, (Opcode[0] == EFI_IFR_CHECKBOX_OP) ? EFI_IFR_TYPE_BOOLEAN : EFI_IFR_TYPE_NUM_SIZE_64,
    ReadUnaligned64 (Bytes));
  return EFI_SUCCESS;
}

EFI_STATUS
IfrQuestionValue (
  IN  IFR_EVALUATION  *Eval,
  IN  UINT16          QuestionId,
  IN  UINTN           Page,
  OUT IFR_VALUE_CELL  *Cell
  )
{
  CONTROL_RECORD  *Control = FindQuestion (QuestionId, Page);

  return (Control == NULL) ? EFI_NOT_FOUND : ReadControlValue (Eval, Control, Cell);
}

//
// A control without its own question (an inconsistency or no-submit check inside a
// question) stands for the nearest question before it on its page.
//
EFI_STATUS
IfrThisValue (
  IN  IFR_EVALUATION  *Eval,
  OUT IFR_VALUE_CELL  *Cell
  )
{
  CONST CONTROL_RECORD  *Control = Eval->Control;
  CONTROL_RECORD        *Candidate;
  CONTROL_RECORD        *Enclosing = NULL;

  if (HasOwnQuestion (Control)) {
    return ReadControlValue (Eval, Control, Cell);
  }

  for (UINTN N = 0; !EFI_ERROR (GetPageControl (Control->PageNumber, N, &Candidate)); N++) {
    if (CompareMem (Candidate, Control, sizeof (CONTROL_RECORD)) == 0) {
      return (Enclosing == NULL) ? EFI_UNSUPPORTED : ReadControlValue (Eval, Enclosing, Cell);
    }

    if (HasOwnQuestion (Candidate)) {
      Enclosing = Candidate;
    }
  }

  return EFI_UNSUPPORTED;
}

// The page of another form set named by GUID, through the form-set table.
static BOOLEAN
FindFormSetPage (
  IN  CONST EFI_GUID  *FormSetGuid,
  OUT UINTN           *Page
  )
{
  PAGE_RECORD  *Record;
  UINT32       Count = (gFormSetGuidTable == NULL) ? 0 : ReadUnaligned32 (gFormSetGuidTable);

  for (UINTN Index = 0; (gFormSetEntries != NULL) && (Index < GetPageCount ()); Index++) {
    if (!EFI_ERROR (GetPageData (Index, &Record)) && (Record->FormSetIndex < Count) &&
        CompareGuid (&gFormSetEntries[Record->FormSetIndex].FormSetGuid, FormSetGuid))
    {
      *Page = Index;
      return TRUE;
    }
  }

  return FALSE;
}

// The text of the device path of the driver that published a package list; null when unknown.
static CHAR16 *
DriverPathText (
  IN EFI_HII_HANDLE  HiiHandle
  )
{
  EFI_HANDLE                        Driver = NULL;
  EFI_DEVICE_PATH_PROTOCOL          *Path  = NULL;
  EFI_DEVICE_PATH_TO_TEXT_PROTOCOL  *ToText = NULL;

  if ((gHiiDatabase == NULL) || (gBS == NULL) ||
      EFI_ERROR (gHiiDatabase->GetPackageListHandle (gHiiDatabase, HiiHandle, &Driver)) || (Driver == NULL) ||
      EFI_ERROR (gBS->HandleProtocol (Driver, &gEfiDevicePathProtocolGuid, (VOID **)&Path)) || (Path == NULL) ||
      EFI_ERROR (gBS->LocateProtocol (&gEfiDevicePathToTextProtocolGuid, NULL, (VOID **)&ToText)))
  {
    return NULL;
  }

  return ToText->ConvertDevicePathToText (Path, FALSE, FALSE);
}

// The first page of the form set whose driver's device path reads as the string PathId.
static BOOLEAN
FindDevicePathPage (
  IN  IFR_EVALUATION  *Eval,
  IN  EFI_STRING_ID   PathId,
  OUT UINTN           *Page
  )
{
  CHAR16       *Wanted = HiiGetString (Eval->Control->HiiHandle, PathId, NULL);
  CHAR16       *Text;
  PAGE_RECORD  *Record;
  BOOLEAN      Found = FALSE;

  for (UINTN Index = 0; (Wanted != NULL) && !Found && (Index < GetPageCount ()); Index++) {
    if (EFI_ERROR (GetPageData (Index, &Record)) || (Record->HiiHandle == NULL)) {
      continue;
    }

    Text  = DriverPathText (Record->HiiHandle);
    Found = (Text != NULL) && (StrCmp (Text, Wanted) == 0);
    *Page = Found ? Index : *Page;
    FreeAndNull (Text);
  }

  FreeAndNull (Wanted);
  return Found;
}

// QUESTION_REF3's long forms name another form set: by GUID, else by its driver's device path.
static EFI_STATUS
FindRef3Page (
  IN     IFR_EVALUATION  *Eval,
  IN     CONST UINT8     *Opcode,
  IN OUT UINTN           *Page
  )
{
  UINT16    PathId = (UINT16)IfrField (Opcode, REF3_DEVICE_PATH_FIELD, 2);
  EFI_GUID  FormSet;

  if (IfrLength (Opcode) >= REF3_GUID_FIELD + sizeof (EFI_GUID)) {
    CopyMem (&FormSet, Opcode + REF3_GUID_FIELD, sizeof (FormSet));
    if (!IsZeroGuid (&FormSet)) {
      return FindFormSetPage (&FormSet, Page) ? EFI_SUCCESS : EFI_NOT_FOUND;
    }
  }

  if (PathId != 0) {
    return FindDevicePathPage (Eval, PathId, Page) ? EFI_SUCCESS : EFI_NOT_FOUND;
  }

  return EFI_SUCCESS;
}

// QUESTION_REF2 and QUESTION_REF3: the question id comes from the stack.
static EFI_STATUS
QuestionRefFromStack (
  IN OUT IFR_EVALUATION  *Eval,
  IN     CONST UINT8     *Opcode
  )
{
  IFR_VALUE_CELL  Cell;
  UINTN           Page = Eval->Control->PageNumber;
  EFI_STATUS      Status;

  if (EFI_ERROR (IfrPop (Eval, &Cell)) || (Cell.Type > EFI_IFR_TYPE_NUM_SIZE_64)) {
    return EFI_INVALID_PARAMETER;
  }

  if (IfrCellNumber (&Cell) > 0xFFFF) {
    return EFI_NOT_FOUND;
  }

  Status = (Opcode[0] == EFI_IFR_QUESTION_REF3_OP) ? FindRef3Page (Eval, Opcode, &Page) : EFI_SUCCESS;
  Status = EFI_ERROR (Status) ? Status : IfrQuestionValue (Eval, (UINT16)IfrCellNumber (&Cell), Page, &Cell);
  return EFI_ERROR (Status) ? Status : IfrPush (Eval, &Cell);
}

static EFI_STATUS
EqualsQuestion (
  IN OUT IFR_EVALUATION  *Eval,
  IN     CONST UINT8     *Opcode
  )
{
  IFR_VALUE_CELL  Value;
  IFR_VALUE_CELL  Other;
  UINTN           Page  = Eval->Control->PageNumber;
  UINT64          Count = IfrField (Opcode, SECOND_OPERAND_FIELD, 2);
  INTN            Order = 1;
  EFI_STATUS      Status;

  if ((IfrLength (Opcode) < LIST_FIELD) ||
      ((Opcode[0] == EFI_IFR_EQ_ID_VAL_LIST_OP) && (IfrLength (Opcode) < LIST_FIELD + 2 * Count)))
  {
    return EFI_INVALID_PARAMETER;
  }

  Status = IfrQuestionValue (Eval, (UINT16)IfrField (Opcode, OPERAND_FIELD, 2), Page, &Value);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  if (Opcode[0] == EFI_IFR_EQ_ID_ID_OP) {
    Status = IfrQuestionValue (Eval, (UINT16)Count, Page, &Other);
    Status = EFI_ERROR (Status) ? Status : IfrCompareCells (Eval, &Value, &Other, &Order);
  } else if (Opcode[0] == EFI_IFR_EQ_ID_VAL_OP) {
    IfrSetCellNumber (&Other, EFI_IFR_TYPE_NUM_SIZE_64, Count);
    Status = IfrCompareCells (Eval, &Value, &Other, &Order);
  } else {
    for (UINTN Index = 0; !EFI_ERROR (Status) && (Order != 0) && (Index < Count); Index++) {
      IfrSetCellNumber (&Other, EFI_IFR_TYPE_NUM_SIZE_64, IfrField (Opcode, LIST_FIELD + 2 * Index, 2));
      Status = IfrCompareCells (Eval, &Value, &Other, &Order);
    }
  }

  return EFI_ERROR (Status) ? Status : IfrPushBoolean (Eval, Order == 0);
}

EFI_STATUS
IfrQuestionOperator (
  IN OUT IFR_EVALUATION  *Eval,
  IN     CONST UINT8     *Opcode
  )
{
  IFR_VALUE_CELL        Cell;
  CONST CONTROL_RECORD  *Rule;
  EFI_STATUS            Status;

  switch (Opcode[0]) {
    case EFI_IFR_EQ_ID_VAL_OP: case EFI_IFR_EQ_ID_ID_OP: case EFI_IFR_EQ_ID_VAL_LIST_OP:
      return EqualsQuestion (Eval, Opcode);
    case EFI_IFR_QUESTION_REF1_OP:
      if (IfrLength (Opcode) < OPERAND_FIELD + 2) {
        return EFI_INVALID_PARAMETER;
      }

      Status = IfrQuestionValue (Eval, (UINT16)IfrField (Opcode, OPERAND_FIELD, 2), Eval->Control->PageNumber, &Cell);
      break;
    case EFI_IFR_QUESTION_REF2_OP: case EFI_IFR_QUESTION_REF3_OP:
      return QuestionRefFromStack (Eval, Opcode);
    case EFI_IFR_RULE_REF_OP:
      if (IfrLength (Opcode) <= OPERAND_FIELD) {
        return EFI_INVALID_PARAMETER;
      }

      Rule   = IfrFindRule (Eval->Control, Opcode[OPERAND_FIELD]);
      Status = (Rule == NULL) ? EFI_NOT_FOUND : IfrEvaluateRule (Eval, Rule, &Cell);
      break;
    case EFI_IFR_THIS_OP:
      Status = IfrThisValue (Eval, &Cell);
      break;
    default:
      return EFI_UNSUPPORTED;
  }

  return EFI_ERROR (Status) ? Status : IfrPush (Eval, &Cell);
}

EFI_STATUS
GetQuestionValueById (
  IN  UINT16          QuestionId,
  IN  UINTN           Page,
  OUT IFR_VALUE_CELL  *Cell
  )
{
  CONTROL_RECORD   *Control = FindQuestion (QuestionId, Page);
  IFR_STRING_POOL  Strings;
  IFR_EVALUATION   Eval;
  EFI_STATUS       Status;

  if ((Control == NULL) || (Cell == NULL)) {
    return EFI_NOT_FOUND;
  }

  ZeroMem (&Strings, sizeof (Strings));
  Status = IfrBeginEvaluation (&Eval, Control, NULL, &Strings);
  if (!EFI_ERROR (Status)) {
    Status = ReadControlValue (&Eval, Control, Cell);
    Status = EFI_ERROR (Status) ? Status : IfrKeepString (&Eval, Control->HiiHandle, Cell);
    IfrEndEvaluation (&Eval);
  }

  IfrFreeStrings (&Strings);
  return Status;
}

EFI_STATUS
SetQuestionValueById (
  IN UINT16                QuestionId,
  IN UINTN                 Page,
  IN CONST IFR_VALUE_CELL  *Cell
  )
{
  CONTROL_RECORD  *Control = FindQuestion (QuestionId, Page);
  CONST UINT8     *Opcode;
  UINT8           Bytes[NUMBER_VALUE_MAX];
  UINTN           Width;

  if ((Control == NULL) || (Cell == NULL)) {
    return EFI_NOT_FOUND;
  }

  Opcode = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;
  Width  = (Opcode == NULL) ? 0 : GetQuestionWidth (Opcode);
  Width  = (Width > NUMBER_VALUE_MAX) ? NUMBER_VALUE_MAX : Width;
  if ((Width == 0) || (Opcode[0] == EFI_IFR_STRING_OP) || !IfrIsNumberType (Cell->Type)) {
    return EFI_UNSUPPORTED;
  }

  WriteUnaligned64 (Bytes, IfrCellNumber (Cell));
  return WriteVariableBytes (Control->VariableIndex, GetQuestionOffset (Opcode), Width, Bytes);
}
