/** @file
  A question's storage as the form parser records it: its variable, value width,
  flags, defaults and default entries, and the records of name/value stores, one
  per element name.
**/
#include <engine/forms/IfrParserInternal.h>
#include <engine/forms/FormTables.h>
#include <engine/core/EngineStrings.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/core/SetupData.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define QUESTION_HEADER_SIZE    13
#define QUESTION_VARSTORE_AT    8
#define QUESTION_INFO_AT        10
#define QUESTION_FLAGS_AT       12
#define QUESTION_OWN_FLAGS_AT   13
#define DEFAULT_ID_AT           2
#define DEFAULT_TYPE_AT         4
#define DEFAULT_VALUE_AT        5
#define REFRESH_INTERVAL_AT     2
#define DEVICE_PATH_AT          2
#define OPTION_DEFAULT          0x10
#define OPTION_DEFAULT_MFG      0x20
#define CHECKBOX_DEFAULT        0x01
#define CHECKBOX_DEFAULT_MFG    0x02
#define DEFAULT_ID_STANDARD     0x0000
#define DEFAULT_ID_MANUFACTURE  0x0020
#define RTC_REFRESH_INTERVAL    5
#define NO_VAR_NAME             0xFFFF
#define MAX_DEFAULT_ENTRIES     255

// The value an ONE_OF_OPTION or DEFAULT carries: its bytes and their number (0: none).
static UINTN
ValueOf (
  IN  CONST UINT8  *Op,
  IN  CONST UINT8  *End,
  OUT CONST UINT8  **Value
  )
{
  UINTN        ValueAt = (Op[0] == EFI_IFR_ONE_OF_OPTION_OP) ? IFR_OPTION_VALUE_AT : DEFAULT_VALUE_AT;
  UINT8        Type    = (UINT8)IfrField (Op, ValueAt - 1, 1);
  UINTN        Room    = (IfrLength (Op) > ValueAt) ? IfrLength (Op) - ValueAt : 0;
  CONST UINT8  *Inner;
  CONST UINT8  *Operand;

  *Value = Op + ValueAt;
  if (Type == EFI_IFR_TYPE_BUFFER) {
    return Room;
  }

  if (Type != EFI_IFR_TYPE_OTHER) {
    return MIN ((UINTN)IfrTypeValueWidth (Type), Room);
  }

  // OTHER: a VALUE scope whose first operand is a UINT8 to UINT64 constant.
  Inner   = IfrOpensScope (Op) ? IfrNext (Op, End) : NULL;
  Operand = ((Inner != NULL) && (Inner[0] == EFI_IFR_VALUE_OP)) ? IfrNext (Inner, End) : NULL;
  if ((Operand == NULL) || (Operand[0] < EFI_IFR_UINT8_OP) || (Operand[0] > EFI_IFR_UINT64_OP)) {
    return 0;
  }

  *Value = Operand + IFR_HEADER_SIZE;
  return MIN ((UINTN)1 << (Operand[0] - EFI_IFR_UINT8_OP), IfrLength (Operand) - IFR_HEADER_SIZE);
}

static UINT32
QuestionFlags (
  IN CONST UINT8  *Question
  )
{
  UINT64  Flags  = IfrField (Question, QUESTION_FLAGS_AT, 1);
  UINT32  Result = 0;

  Result |= ((Flags & EFI_IFR_FLAG_RESET_REQUIRED) != 0) ? CONTROL_FLAG_RESET_REQUIRED : 0;
  Result |= ((Flags & EFI_IFR_FLAG_READ_ONLY) != 0) ? CONTROL_FLAG_READ_ONLY : 0;
  Result |= ((Flags & EFI_IFR_FLAG_CALLBACK) != 0) ? CONTROL_FLAG_CALLBACK : 0;
  return Result;
}

static UINT32
RefreshBits (
  IN UINTN  Interval
  )
{
  return (UINT32)MIN (Interval, 255u) << CONTROL_FLAG_REFRESH_SHIFT;
}

// One opcode of a question's scope: what it adds to the shape.
static VOID
ShapeScopeOpcode (
  IN CONST FORM_WALK     *Walk,
  IN CONST UINT8         *Op,
  IN CONST UINT8         *End,
  IN OUT QUESTION_SHAPE  *Shape,
  IN OUT BOOLEAN         *WidthFixed
  )
{
  CONST UINT8  *Value;
  UINTN        Width;

  switch (Op[0]) {
    case EFI_IFR_DEFAULT_OP:
      Shape->DefaultCount = (UINT8)MIN (Shape->DefaultCount + 1u, (UINTN)MAX_DEFAULT_ENTRIES);
      Width               = ValueOf (Op, End, &Value);
      if ((IfrOpensScope (Op) && (IfrField (Op, DEFAULT_TYPE_AT, 1) > EFI_IFR_TYPE_REF)) ||
          ((IfrField (Op, DEFAULT_TYPE_AT, 1) == EFI_IFR_TYPE_OTHER) && (Width == 0)))
      {
        Shape->Flags |= CONTROL_FLAG_DEFAULT_EXPRESSION;
      }
      // A default's value may fix the width like an option's.
      [[fallthrough]];
    case EFI_IFR_ONE_OF_OPTION_OP:
      Width = ValueOf (Op, End, &Value);
      if (!*WidthFixed && (Width != 0)) {
        Shape->Width = (UINT16)Width;
        *WidthFixed  = TRUE;
      }

      break;
    case EFI_IFR_REFRESH_OP:
      Shape->Flags = (Shape->Flags & ~(UINT32)CONTROL_FLAG_REFRESH_MASK) |
                     RefreshBits ((UINTN)IfrField (Op, REFRESH_INTERVAL_AT, 1) * 5);
      break;
    case EFI_IFR_REFRESH_ID_OP:
      Shape->Flags |= CONTROL_FLAG_REFRESH_EVENT_GROUP;
      break;
    case EFI_IFR_VARSTORE_DEVICE_OP:
      Shape->DevicePath = (UINT16)IfrField (Op, DEVICE_PATH_AT, 2);
      break;
    case EFI_IFR_MAP_OP:
    case EFI_IFR_READ_OP:
    case EFI_IFR_WRITE_OP:
      Shape->Flags |= Walk->StandardMap ? CONTROL_FLAG_FORM_MAP_ACCESS : 0;
      break;
    case EFI_IFR_NO_SUBMIT_IF_OP:
    case EFI_IFR_INCONSISTENT_IF_OP:
      Shape->HasChecks = TRUE;
      break;
    default:
      break;
  }
}

// The opcodes inside a question's scope, nested ones included; End bounds the walk.
static CONST UINT8 *
ScopeEnd (
  IN CONST UINT8  *Question,
  IN CONST UINT8  *End
  )
{
  CONST UINT8  *After = IfrOpensScope (Question) ? SkipScope (Question, End, NULL) : NULL;

  return (After == NULL) ? Question + IfrLength (Question) : After;
}

static UINT16
FixedWidth (
  IN  CONST UINT8  *Question,
  OUT BOOLEAN      *Fixed
  )
{
  *Fixed = TRUE;
  switch (Question[0]) {
    case EFI_IFR_ONE_OF_OP:
    case EFI_IFR_NUMERIC_OP:
      // The size is the two low bits of the flags: 1, 2, 4 or 8 bytes.
      return (UINT16)(1u << (IfrField (Question, QUESTION_OWN_FLAGS_AT, 1) & EFI_IFR_NUMERIC_SIZE));
    case EFI_IFR_CHECKBOX_OP:
      return 1;
    default:
      *Fixed = FALSE;
      return 0;
  }
}

static BOOLEAN
IsRtcDateTime (
  IN CONST UINT8  *Question
  )
{
  return ((Question[0] == EFI_IFR_DATE_OP) || (Question[0] == EFI_IFR_TIME_OP)) &&
         ((IfrField (Question, QUESTION_OWN_FLAGS_AT, 1) & QF_DATE_STORAGE) == QF_DATE_STORAGE_TIME);
}

//
// Name/value stores: one record per element name, the first question naming the
// store's own record and every further name getting a copy of it.
//
static EFI_STATUS
BindNameValueElement (
  IN OUT FORM_WALK       *Walk,
  IN UINT16              VarName,
  IN OUT QUESTION_SHAPE  *Shape
  )
{
  VARIABLE_RECORD  Store = *GetWorkVariable (Shape->VariableIndex);
  VARIABLE_RECORD  Named = Store;
  CHAR16           *Text = HiiGetString (Walk->Set->HiiHandle, VarName, NULL);
  EFI_STATUS       Status;

  if (Text == NULL) {
    return EFI_SUCCESS;       // an element without a name stays with the store's record
  }

  SetRecordName (&Named, Text);
  FreePool (Text);
  for (UINT32 Index = 0; Index < GetWorkVariableCount (); Index++) {
    VARIABLE_RECORD  *Record = GetWorkVariable (Index);

    if ((Record->StoreFlags == VARIABLE_STORE_NAME_VALUE) && (Record->HiiHandle == Store.HiiHandle) &&
        CompareGuid (&Record->VendorGuid, &Store.VendorGuid) &&
        (CompareMem (Record->Name, Named.Name, sizeof (Named.Name)) == 0))
    {
      Shape->VariableIndex = Index;
      return EFI_SUCCESS;
    }
  }

  if (Store.Name[0] == 0) {
    CopyMem (GetWorkVariable (Shape->VariableIndex)->Name, Named.Name, sizeof (Named.Name));
    GetWorkVariable (Shape->VariableIndex)->Size = Shape->Width;
    return EFI_SUCCESS;
  }

  Named.Size = Shape->Width;
  Status     = AddVariableEntry (&Named, &Shape->VariableIndex);
  return Status;
}

static EFI_STATUS
BindQuestionVariable (
  IN OUT FORM_WALK       *Walk,
  IN CONST UINT8         *Question,
  IN OUT QUESTION_SHAPE  *Shape
  )
{
  UINT16           Info   = (UINT16)IfrField (Question, QUESTION_INFO_AT, 2);
  VARIABLE_RECORD  *Record = GetWorkVariable (Shape->VariableIndex);
  CHAR16           *Text;
  EFI_STATUS       Status;

  if (Record == NULL) {
    return EFI_SUCCESS;
  }

  if (Record->StoreFlags == VARIABLE_STORE_NAME_VALUE) {
    Status = BindNameValueElement (Walk, Info, Shape);
    if (EFI_ERROR (Status)) {
      return Status;
    }

    Record = GetWorkVariable (Shape->VariableIndex);
  }

  if (Record->StoreFlags == 0) {
    return EFI_SUCCESS;
  }

  Record->StorageWord = Info;
  if ((Info != NO_VAR_NAME) && (Record->Name[0] == 0)) {
    Text = HiiGetString (Record->HiiHandle, Info, NULL);
    if (Text != NULL) {
      SetRecordName (Record, Text);
      FreePool (Text);
    }
  }

  return EFI_SUCCESS;
}

EFI_STATUS
ParseQuestionStorage (
  IN OUT FORM_WALK       *Walk,
  IN CONST UINT8         *Question,
  IN CONST UINT8         *End,
  OUT QUESTION_SHAPE     *Shape
  )
{
  BOOLEAN      IsQuestion = IsQuestionOpcode (Question[0]) && (IfrLength (Question) >= QUESTION_HEADER_SIZE);
  BOOLEAN      IsCheck    = (Question[0] == EFI_IFR_NO_SUBMIT_IF_OP) || (Question[0] == EFI_IFR_INCONSISTENT_IF_OP);
  BOOLEAN      WidthFixed;
  CONST UINT8  *Last      = ScopeEnd (Question, End);

  ZeroMem (Shape, sizeof (*Shape));
  Shape->Width  = FixedWidth (Question, &WidthFixed);
  Shape->Flags  = CONTROL_FLAG_VALID | (Walk->Locked ? CONTROL_FLAG_READ_ONLY : 0);
  if (IsQuestion) {
    Shape->Flags        |= QuestionFlags (Question);
    Shape->VariableIndex = MapVarStoreIdToVariable (Walk->Set, (UINT16)IfrField (Question, QUESTION_VARSTORE_AT, 2));
  }

  for (CONST UINT8 *Op = IfrNext (Question, Last); (Op != NULL) && (Op < Last); Op = IfrNext (Op, Last)) {
    ShapeScopeOpcode (Walk, Op, Last, Shape, &WidthFixed);
  }

  Shape->HasChecks = Shape->HasChecks && !IsCheck;
  if (!WidthFixed && IsQuestion) {
    Shape->Width = GetQuestionWidth (Question);   // no value fixed it: the width of its store
  }

  if (IsRtcDateTime (Question)) {
    Shape->Flags = (Shape->Flags & ~(UINT32)CONTROL_FLAG_REFRESH_MASK) | RefreshBits (RTC_REFRESH_INTERVAL);
  }

  return IsQuestion ? BindQuestionVariable (Walk, Question, Shape) : EFI_SUCCESS;
}

static VOID
CopyValue (
  OUT UINT8        *Target,
  IN  UINTN        Width,
  IN  CONST UINT8  *Value,
  IN  UINTN        ValueWidth
  )
{
  SetMem (Target, Width, 0);
  CopyMem (Target, Value, MIN (Width, ValueWidth));
}

// A compiled record lies within the compiled setup data, or it is not read.
static BOOLEAN
InSetupData (
  IN CONST VOID  *At,
  IN UINTN       Size
  )
{
  return (BOOLEAN)((gSetupData != NULL) && ((CONST UINT8 *)At >= gSetupData) &&
                   ((UINTN)((CONST UINT8 *)At - gSetupData) <= gSetupDataSize) &&
                   (Size <= gSetupDataSize - (UINTN)((CONST UINT8 *)At - gSetupData)));
}

/** The compiled form-set entry of a compiled page; null when the table has none for it. */
static CONST FORM_SET_ENTRY *
CompiledPageFormSet (
  IN CONST PAGE_RECORD  *Page
  )
{
  CONST UINT8  *Table = gCompiledFormSetGuidTable;
  CONST UINT8  *Entry;

  if ((Table == NULL) || !InSetupData (Table, 4) || (Page->FormSetIndex >= ReadUnaligned32 ((CONST UINT32 *)Table)) ||
      !InSetupData (Table + 4 + 4 * (UINTN)Page->FormSetIndex, 4))
  {
    return NULL;
  }

  Entry = Table + ReadUnaligned32 ((CONST UINT32 *)(Table + 4 + 4 * (UINTN)Page->FormSetIndex));
  return InSetupData (Entry, sizeof (FORM_SET_ENTRY)) ? (CONST FORM_SET_ENTRY *)Entry : NULL;
}

//
// The board's compiled record of the same question: its form set, question id,
// variable, type and width. A board compiles its defaults for the questions of its
// own forms, which need not repeat them.
//
static CONST CONTROL_RECORD *
FindCompiledQuestion (
  IN CONST EFI_GUID        *FormSetGuid,
  IN CONST CONTROL_RECORD  *Record
  )
{
  UINT32  Pages = ((gCompiledPageList != NULL) && InSetupData (gCompiledPageList, 4)) ? ReadUnaligned32 ((CONST UINT32 *)gCompiledPageList) : 0;

  for (UINT32 At = 0; (gCompiledSetupData != NULL) && (gCompiledControlData != NULL) && (At < Pages); At++) {
    CONST UINT8           *Offset = gCompiledPageList + 4 + 4 * (UINTN)At;
    CONST PAGE_RECORD     *Page;
    CONST FORM_SET_ENTRY  *Set;

    if (!InSetupData (Offset, 4)) {
      break;
    }

    Page = (CONST PAGE_RECORD *)(gCompiledSetupData + ReadUnaligned32 ((CONST UINT32 *)Offset));
    if (!InSetupData (Page, sizeof (PAGE_RECORD)) || !InSetupData (Page + 1, 4 * (UINTN)Page->ControlCount)) {
      continue;
    }

    Set = CompiledPageFormSet (Page);
    if ((Set == NULL) || !CompareGuid (&Set->FormSetGuid, FormSetGuid)) {
      continue;
    }

    for (UINT32 N = 0; N < Page->ControlCount; N++) {
      CONST CONTROL_RECORD  *Control = (CONST CONTROL_RECORD *)(gCompiledControlData +
                                         ReadUnaligned32 ((CONST UINT32 *)((CONST UINT8 *)(Page + 1) + 4 * (UINTN)N)));

      if (InSetupData (Control, CONTROL_RECORD_DEFAULTS + 2 * (UINTN)Record->ValueWidth) &&
          (Control->QuestionId == Record->QuestionId) && (Control->VariableIndex == Record->VariableIndex) &&
          (Control->ValueWidth == Record->ValueWidth) &&
          ((Control->ControlType & CONTROL_TYPE_MASK) == (Record->ControlType & CONTROL_TYPE_MASK)))
      {
        return Control;
      }
    }
  }

  return NULL;
}

VOID
TakeCompiledDefaults (
  IN     CONST UINT8     *FormSet,
  IN OUT CONTROL_RECORD  *Record
  )
{
  CONST CONTROL_RECORD  *Compiled;
  UINTN                 Width    = Record->ValueWidth;
  UINT16                Type     = Record->ControlType & CONTROL_TYPE_MASK;

  // A password is never a default: loading defaults must not set or clear one.
  if ((Type == CONTROL_TYPE_PASSWORD) || ((Record->Flags & (CONTROL_FLAG_NO_STANDARD_DEFAULT | CONTROL_FLAG_NO_MFG_DEFAULT)) == 0)) {
    return;
  }

  if ((FormSet == NULL) || (IfrLength (FormSet) < IFR_HEADER_SIZE + sizeof (EFI_GUID)) || (Width == 0) ||
      ((Record->Flags & CONTROL_FLAG_DEFAULT_EXPRESSION) != 0))
  {
    return;
  }

  Compiled = FindCompiledQuestion ((CONST EFI_GUID *)(FormSet + IFR_HEADER_SIZE), Record);
  if (Compiled == NULL) {
    return;
  }

  for (UINTN Kind = 0; Kind < 2; Kind++) {
    UINT32       Missing = (Kind == 0) ? CONTROL_FLAG_NO_MFG_DEFAULT : CONTROL_FLAG_NO_STANDARD_DEFAULT;
    CONST UINT8  *Value  = (CONST UINT8 *)Compiled + CONTROL_RECORD_DEFAULTS + Kind * Width;

    // Compiled records hold a value in every default: an empty text there is no default a board gave.
    if (((Record->Flags & Missing) == 0) ||
        ((Type == CONTROL_TYPE_STRING) && ((Width < sizeof (CHAR16)) || (ReadUnaligned16 ((CONST UINT16 *)Value) == 0))))
    {
      continue;
    }

    CopyMem ((UINT8 *)Record + CONTROL_RECORD_DEFAULTS + Kind * Width, Value, Width);
    Record->Flags &= ~Missing;
  }
}

VOID
FillQuestionDefaults (
  IN CONST UINT8           *Question,
  IN CONST UINT8           *End,
  IN CONST QUESTION_SHAPE  *Shape,
  IN OUT CONTROL_RECORD    *Record
  )
{
  UINT8        *Mfg    = (UINT8 *)Record + CONTROL_RECORD_DEFAULTS;
  UINT8        *Std    = Mfg + Shape->Width;
  UINT8        *Entry  = Std + Shape->Width;
  UINTN        Entries = 0;
  CONST UINT8  *Last   = ScopeEnd (Question, End);
  CONST UINT8  *Value;
  UINTN        Width;
  UINT64       Flags;

  BOOLEAN      HasStd  = FALSE;
  BOOLEAN      HasMfg  = FALSE;

  // A checkbox's flags always say both defaults: off unless a bit says on.
  if (Question[0] == EFI_IFR_CHECKBOX_OP) {
    Std[0] = ((IfrField (Question, QUESTION_OWN_FLAGS_AT, 1) & CHECKBOX_DEFAULT) != 0) ? 1 : 0;
    Mfg[0] = ((IfrField (Question, QUESTION_OWN_FLAGS_AT, 1) & CHECKBOX_DEFAULT_MFG) != 0) ? 1 : 0;
    HasStd = HasMfg = TRUE;
  }

  for (CONST UINT8 *Op = IfrNext (Question, Last); (Op != NULL) && (Op < Last); Op = IfrNext (Op, Last)) {
    if (Op[0] == EFI_IFR_ONE_OF_OPTION_OP) {
      Width = ValueOf (Op, Last, &Value);
      Flags = IfrField (Op, IFR_OPTION_FLAGS_AT, 1);
      if ((Flags & OPTION_DEFAULT) != 0) {
        CopyValue (Std, Shape->Width, Value, Width);
        HasStd = TRUE;
      }

      if ((Flags & OPTION_DEFAULT_MFG) != 0) {
        CopyValue (Mfg, Shape->Width, Value, Width);
        HasMfg = TRUE;
      }
    } else if ((Op[0] == EFI_IFR_DEFAULT_OP) && (Entries < Shape->DefaultCount)) {
      UINT16  DefaultId = (UINT16)IfrField (Op, DEFAULT_ID_AT, 2);

      Width = ValueOf (Op, Last, &Value);
      if (DefaultId == DEFAULT_ID_STANDARD) {
        CopyValue (Std, Shape->Width, Value, Width);
        HasStd = TRUE;
      } else if (DefaultId == DEFAULT_ID_MANUFACTURE) {
        CopyValue (Mfg, Shape->Width, Value, Width);
        HasMfg = TRUE;
      }

      CopyMem (Entry, &DefaultId, sizeof (DefaultId));
      CopyValue (Entry + sizeof (DefaultId), Shape->Width, Value, Width);
      Entry += sizeof (DefaultId) + Shape->Width;
      Entries++;
    }
  }

  Record->Flags |= (HasStd ? 0 : CONTROL_FLAG_NO_STANDARD_DEFAULT) | (HasMfg ? 0 : CONTROL_FLAG_NO_MFG_DEFAULT);
}
