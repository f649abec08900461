/** @file
  Option lists of a question, the simple condition helpers that tie a control to
  another question, and the copy of a control's opcodes that option editing
  works on.

  Every walk starts at an opcode the control record points at and ends at the end
  of the forms package copy that holds it (or at a limit the caller names), at an
  opcode shorter than its header, or when the scope it walks closes.
**/
#include <engine/forms/QuestionAccess.h>
#include <engine/core/EngineGlobals.h>
#include <engine/forms/FormTables.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/forms/QuestionConditions.h>
#include <engine/core/SetupData.h>

#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define OPTION_LIST_GROWTH      10
#define OPTION_TOKEN            2      // ONE_OF_OPTION: string id
#define OPTION_TYPE             5      // value type
#define OPTION_VALUE            6
#define QUESTION_FLAGS_FIELD    12
#define EQ_ID_QUESTION          2      // EQ_ID_VAL and EQ_ID_VAL_LIST: compared question
#define EQ_ID_VAL_VALUE         4
#define EQ_ID_VAL_LIST_FIRST    6
// A chain of conditions that each compare another question ends here, so a cycle of
// questions that name each other cannot loop.
#define CONDITION_CHAIN_LIMIT   16

typedef struct {
  UINT16  *Tokens;
  UINT64  *Values;
  UINTN   Count;
  UINTN   Room;
} OPTION_LIST;

static BOOLEAN
OptionListAppend (
  IN OUT OPTION_LIST  *List,
  IN     UINT16       Token,
  IN     UINT64       Value
  )
{
  if (List->Count == List->Room) {
    UINTN   Room    = List->Room + OPTION_LIST_GROWTH;
    UINT16  *Tokens = (UINT16 *)ReallocatePool (List->Room * sizeof (UINT16), Room * sizeof (UINT16), List->Tokens);
    if (Tokens == NULL) {
      return FALSE;
    }

    List->Tokens = Tokens;
    UINT64  *Values = (UINT64 *)ReallocatePool (List->Room * sizeof (UINT64), Room * sizeof (UINT64), List->Values);
    if (Values == NULL) {
      return FALSE;
    }

    List->Values = Values;
    List->Room   = Room;
  }

  List->Tokens[List->Count] = Token;
  List->Values[List->Count] = Value;
  List->Count++;
  return TRUE;
}

// An option's value by its type; types other than the numbers take the byte at 6.
static UINT64
OptionValue (
  IN CONST UINT8  *Option
  )
{
  UINT8  Type = (UINT8)IfrField (Option, OPTION_TYPE, 1);

  if (Type <= EFI_IFR_TYPE_NUM_SIZE_64) {
    return IfrField (Option, OPTION_VALUE, (UINTN)1 << Type);
  }

  return IfrField (Option, OPTION_VALUE, 1);
}

//
// One walk over a question's scope. Each visible ONE_OF_OPTION goes to Visit; a
// SUPPRESS_IF opened while none is pending becomes the pending condition until its
// scope closes, and the options under it are offered only when it does not hold.
//
typedef BOOLEAN (*OPTION_VISITOR)(IN CONST UINT8 *Option, IN OUT VOID *Context);

static BOOLEAN
WalkVisibleOptions (
  IN     CONST CONTROL_RECORD  *Control,
  IN     OPTION_VISITOR        Visit,
  IN OUT VOID                  *Context
  )
{
  CONST UINT8  *Question = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;
  CONST UINT8  *End      = (Question == NULL) ? NULL : FindFormsPackageEnd (Question);
  CONST UINT8  *Pending  = NULL;
  UINTN        PendingDepth = 0;
  UINTN        Depth        = 1;

  if (!IfrFits (Question, End) || !IfrOpensScope (Question)) {
    return TRUE;
  }

  for (CONST UINT8 *Op = IfrNext (Question, End); Op != NULL; Op = IfrNext (Op, End)) {
    if (Op[0] == EFI_IFR_END_OP) {
      Depth--;
      if (Depth < PendingDepth) {
        Pending = NULL;
        PendingDepth = 0;
      }

      if (Depth == 0) {
        break;
      }

      continue;
    }

    if ((Op[0] == EFI_IFR_SUPPRESS_IF_OP) && (Pending == NULL) && IfrOpensScope (Op)) {
      Pending      = Op;
      PendingDepth = Depth + 1;
    } else if ((Op[0] == EFI_IFR_ONE_OF_OPTION_OP) && (IfrLength (Op) > OPTION_VALUE) &&
               ((Pending == NULL) || (EvaluateOptionCondition (Control, Pending, Op) == 0)))
    {
      if (!Visit (Op, Context)) {
        return FALSE;
      }
    }

    Depth += IfrOpensScope (Op) ? 1 : 0;
  }

  return TRUE;
}

static BOOLEAN
CollectOption (
  IN     CONST UINT8  *Option,
  IN OUT VOID         *Context
  )
{
  return OptionListAppend ((OPTION_LIST *)Context, (UINT16)IfrField (Option, OPTION_TOKEN, 2), OptionValue (Option));
}

EFI_STATUS
CollectVisibleOptions (
  IN  CONST CONTROL_RECORD  *Control,
  OUT UINT16                **Tokens,
  OUT UINT64                **Values,
  OUT UINTN                 *Count,
  IN  UINTN                 Room
  )
{
  OPTION_LIST  List = { NULL, NULL, 0, Room };

  *Tokens = NULL;
  *Values = NULL;
  *Count  = 0;
  List.Tokens = (UINT16 *)AllocateZeroPool (Room * sizeof (UINT16) + sizeof (UINT16));
  List.Values = (UINT64 *)AllocateZeroPool (Room * sizeof (UINT64) + sizeof (UINT64));
  if ((List.Tokens == NULL) || (List.Values == NULL) || !WalkVisibleOptions (Control, CollectOption, &List)) {
    FreePool (List.Tokens);
    FreePool (List.Values);
    return EFI_OUT_OF_RESOURCES;
  }

  *Tokens = List.Tokens;
  *Values = List.Values;
  *Count  = List.Count;
  return EFI_SUCCESS;
}

typedef struct {
  UINTN  Count;
  UINT8  Type;
} OPTION_COUNT;

static BOOLEAN
CountOption (
  IN     CONST UINT8  *Option,
  IN OUT VOID         *Context
  )
{
  OPTION_COUNT  *Counted = (OPTION_COUNT *)Context;

  if (Counted->Count++ == 0) {
    Counted->Type = (UINT8)IfrField (Option, OPTION_TYPE, 1);
  }

  return TRUE;
}

UINTN
CountQuestionOptions (
  IN  CONST CONTROL_RECORD  *Control,
  OUT UINT8                 *ValueType,
  OUT UINTN                 *ValueSize
  )
{
  OPTION_COUNT  Counted = { 0, EFI_IFR_TYPE_NUM_SIZE_8 };

  (VOID)WalkVisibleOptions (Control, CountOption, &Counted);   // counting never stops a walk
  if ((Counted.Type >= EFI_IFR_TYPE_NUM_SIZE_16) && (Counted.Type <= EFI_IFR_TYPE_NUM_SIZE_64)) {
    *ValueType = Counted.Type;
    *ValueSize = (UINTN)1 << Counted.Type;
  } else {
    *ValueType = EFI_IFR_TYPE_NUM_SIZE_8;
    *ValueSize = 1;
  }

  return Counted.Count;
}

static EFI_STATUS
CheckboxOptions (
  OUT UINT16  **Tokens,
  OUT UINT64  **Values,
  OUT UINTN   *Count
  )
{
  *Tokens = (UINT16 *)AllocateZeroPool (2 * sizeof (UINT16));
  *Values = (UINT64 *)AllocateZeroPool (2 * sizeof (UINT64));
  if ((*Tokens == NULL) || (*Values == NULL)) {
    FreePoolAndNull ((VOID **)Tokens);
    FreePoolAndNull ((VOID **)Values);
    return EFI_OUT_OF_RESOURCES;
  }

  (*Tokens)[0] = STR_DISABLED;
  (*Tokens)[1] = STR_ENABLED;
  (*Values)[0] = 0;
  (*Values)[1] = 1;
  *Count       = 2;
  return EFI_SUCCESS;
}

EFI_STATUS
GetQuestionOptions (
  IN     CONST CONTROL_RECORD  *Control,
  OUT    EFI_HII_HANDLE        *HiiHandle,
  IN OUT UINT16                **Tokens,
  IN OUT UINT64                **Values,
  OUT    UINTN                 *Count,
  OUT    UINT8                 *HasCallback,
  OUT    UINT16                *QuestionId
  )
{
  CONST UINT8  *Question = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;

  FreePoolAndNull ((VOID **)Tokens);
  FreePoolAndNull ((VOID **)Values);
  *Count       = 0;
  *HasCallback = 0;
  if ((Question != NULL) && ((IfrField (Question, QUESTION_FLAGS_FIELD, 1) & EFI_IFR_FLAG_CALLBACK) != 0)) {
    *HasCallback = 1;
    *QuestionId  = (UINT16)IfrField (Question, IFR_QUESTION_ID_AT, 2);
  }

  if ((Question != NULL) && (Question[0] == EFI_IFR_CHECKBOX_OP)) {
    *HiiHandle = gHiiHandle;
    return CheckboxOptions (Tokens, Values, Count);
  }

  *HiiHandle = Control->HiiHandle;
  return CollectVisibleOptions (Control, Tokens, Values, Count, OPTION_LIST_GROWTH);
}

//
// Simple conditions.
//

// SUPPRESS_IFs open at once that the walk below tracks; deeper ones only count depth.
#define SUPPRESS_NEST_LIMIT  16

typedef struct {
  CONST UINT8  *Opcode;
  UINTN        Depth;        // scope depth inside it
} OPEN_SUPPRESS;

// The innermost SUPPRESS_IF still open when the walk from SuppressIf reaches Limit;
// null when SuppressIf's own scope closes first.
static CONST UINT8 *
InnermostOpenSuppress (
  IN CONST UINT8  *SuppressIf,
  IN CONST UINT8  *Limit
  )
{
  OPEN_SUPPRESS  Open[SUPPRESS_NEST_LIMIT];
  UINTN          Count = 1;
  UINTN          Depth = 1;

  Open[0] = { SuppressIf, 1 };
  for (CONST UINT8 *Op = IfrNext (SuppressIf, Limit); Op != NULL; Op = IfrNext (Op, Limit)) {
    if (Op[0] == EFI_IFR_END_OP) {
      if (--Depth == 0) {
        return NULL;
      }

      while ((Count > 0) && (Open[Count - 1].Depth > Depth)) {
        Count--;
      }
    } else if (IfrOpensScope (Op)) {
      Depth++;
      if ((Op[0] == EFI_IFR_SUPPRESS_IF_OP) && (Count < SUPPRESS_NEST_LIMIT)) {
        Open[Count++] = { Op, Depth };
      }
    }
  }

  return Open[Count - 1].Opcode;
}

INT16
FindSuppressScopeEnd (
  IN CONST UINT8  *SuppressIf,
  IN CONST UINT8  *Limit
  )
{
  CONST UINT8  *Innermost;

  if (!IfrFits (SuppressIf, Limit) || (SuppressIf[0] != EFI_IFR_SUPPRESS_IF_OP) || !IfrOpensScope (SuppressIf)) {
    return -1;
  }

  Innermost = InnermostOpenSuppress (SuppressIf, Limit);
  for (CONST UINT8 *Op = (Innermost == NULL) ? NULL : IfrNext (Innermost, Limit); Op != NULL; Op = IfrNext (Op, Limit)) {
    if ((Op[0] == EFI_IFR_EQ_ID_VAL_OP) && (IfrLength (Op) >= EQ_ID_VAL_VALUE + 2)) {
      return (INT16)IfrField (Op, EQ_ID_VAL_VALUE, 2);
    }
  }

  return -1;
}

// Where a walk of the control's condition must stop: its question opcode, which the
// conditions precede, or else the end of the package copy.
static CONST UINT8 *
ConditionLimit (
  IN CONST CONTROL_RECORD  *Control
  )
{
  CONST UINT8  *Condition = (CONST UINT8 *)(UINTN)Control->ConditionOpcode;
  CONST UINT8  *Question  = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;

  if (Condition == NULL) {
    return NULL;
  }

  return ((Question != NULL) && (Question > Condition)) ? Question : FindFormsPackageEnd (Condition);
}

static BOOLEAN
IsCompareOpcode (
  IN CONST UINT8  *Op
  )
{
  return ((Op[0] == EFI_IFR_EQ_ID_VAL_OP) && (IfrLength (Op) >= EQ_ID_VAL_VALUE + 2)) ||
         ((Op[0] == EFI_IFR_EQ_ID_VAL_LIST_OP) && (IfrLength (Op) >= EQ_ID_VAL_LIST_FIRST + 2));
}

// The compare of a SUPPRESS_IF or GRAY_OUT_IF that is, optionally under NOT, one EQ_ID_VAL(_LIST).
static CONST UINT8 *
SimpleConditionCompare (
  IN CONST CONTROL_RECORD  *Control
  )
{
  CONST UINT8  *Condition = (CONST UINT8 *)(UINTN)Control->ConditionOpcode;
  CONST UINT8  *Limit     = ConditionLimit (Control);
  CONST UINT8  *Op;

  if (!IfrFits (Condition, Limit) ||
      ((Condition[0] != EFI_IFR_SUPPRESS_IF_OP) && (Condition[0] != EFI_IFR_GRAY_OUT_IF_OP)))
  {
    return NULL;
  }

  Op = IfrNext (Condition, Limit);
  if ((Op != NULL) && (Op[0] == EFI_IFR_NOT_OP)) {
    Op = IfrNext (Op, Limit);
  }

  return ((Op != NULL) && IsCompareOpcode (Op)) ? Op : NULL;
}

// The control of a question, first on the given page, then on the other pages of its form set.
static CONTROL_RECORD *
FindQuestionControl (
  IN UINTN   PageNumber,
  IN UINT16  QuestionId
  )
{
  PAGE_RECORD     *Home;
  PAGE_RECORD     *Page;
  CONTROL_RECORD  *Found;
  UINTN           Index;

  if (EFI_ERROR (GetPageData (PageNumber, &Home)) || (Home->HiiHandle == NULL)) {
    return NULL;
  }

  if (!EFI_ERROR (FindControlByQuestionId (PageNumber, QuestionId, &Index)) &&
      !EFI_ERROR (GetPageControl (PageNumber, Index, &Found)))
  {
    return Found;
  }

  for (UINTN Other = 0; Other < GetPageCount (); Other++) {
    if ((Other == PageNumber) || EFI_ERROR (GetPageData (Other, &Page)) || (Page->HiiHandle != Home->HiiHandle) ||
        (Page->FormSetIndex != Home->FormSetIndex))
    {
      continue;
    }

    if (!EFI_ERROR (FindControlByQuestionId (Other, QuestionId, &Index)) &&
        !EFI_ERROR (GetPageControl (Other, Index, &Found)))
    {
      return Found;
    }
  }

  return NULL;
}

static CONTROL_RECORD *
ComparedControl (
  IN CONST CONTROL_RECORD  *Control
  )
{
  CONST UINT8  *Compare = SimpleConditionCompare (Control);

  return (Compare == NULL) ? NULL : FindQuestionControl (Control->PageNumber, (UINT16)IfrField (Compare, EQ_ID_QUESTION, 2));
}

UINT32
GetConditionVariable (
  IN CONST CONTROL_RECORD  *Control
  )
{
  CONTROL_RECORD  *Compared = (Control == NULL) ? NULL : ComparedControl (Control);

  return (Compared == NULL) ? 0 : Compared->VariableIndex;
}

static CONST VARIABLE_GUID_RECORD *
FindVariableGuidRecord (
  IN CONST EFI_GUID  *Guid
  )
{
  UINTN  Room;
  UINT32 Count;
  UINT32 Offset;

  // The list lies inside the compiled block, which the working page tables may have
  // left for a rebuilt one; its offsets must keep every record there too.
  if ((gVariableGuidList == NULL) || (gCompiledSetupData == NULL) || (gVariableGuidList < gCompiledSetupData) ||
      ((UINTN)(gVariableGuidList - gCompiledSetupData) > gSetupDataSize))
  {
    return NULL;
  }

  Room = gSetupDataSize - (UINTN)(gVariableGuidList - gCompiledSetupData);
  CopyMem (&Count, gVariableGuidList, sizeof (Count));
  for (UINT32 Index = 0; (Room >= sizeof (UINT32)) && (Index < Count) && (4 + 4ULL * Index + 4 <= Room); Index++) {
    CopyMem (&Offset, gVariableGuidList + 4 + 4 * Index, sizeof (Offset));
    if ((Offset <= Room) && (Room - Offset >= sizeof (VARIABLE_GUID_RECORD)) &&
        CompareGuid ((CONST EFI_GUID *)(gVariableGuidList + Offset), Guid))
    {
      return (CONST VARIABLE_GUID_RECORD *)(gVariableGuidList + Offset);
    }
  }

  return NULL;
}

// The first EQ_ID_VAL or EQ_ID_VAL_LIST inside the control's condition scope.
static CONST UINT8 *
ScopeCompare (
  IN CONST CONTROL_RECORD  *Control
  )
{
  CONST UINT8  *Condition = (CONST UINT8 *)(UINTN)Control->ConditionOpcode;
  CONST UINT8  *Limit     = ConditionLimit (Control);
  UINTN        Depth      = 1;

  if (!IfrFits (Condition, Limit) || !IfrOpensScope (Condition)) {
    return NULL;
  }

  for (CONST UINT8 *Op = IfrNext (Condition, Limit); Op != NULL; Op = IfrNext (Op, Limit)) {
    if (IsCompareOpcode (Op)) {
      return Op;
    }

    if ((Op[0] == EFI_IFR_END_OP) && (--Depth == 0)) {
      return NULL;
    }

    Depth += ((Op[0] != EFI_IFR_END_OP) && IfrOpensScope (Op)) ? 1 : 0;
  }

  return NULL;
}

CONST UINT8 *
FindConditionCompare (
  IN  CONST CONTROL_RECORD        *Control,
  OUT UINT32                      *VariableIndex,
  OUT CONST VARIABLE_GUID_RECORD  **Record
  )
{
  CONST CONTROL_RECORD  *At = Control;

  *VariableIndex = 0;
  *Record        = NULL;
  for (UINTN Step = 0; (At != NULL) && (Step < CONDITION_CHAIN_LIMIT); Step++) {
    CONST UINT8      *Compare  = ScopeCompare (At);
    CONTROL_RECORD   *Compared = (Compare == NULL) ? NULL
                                 : FindQuestionControl (At->PageNumber, (UINT16)IfrField (Compare, EQ_ID_QUESTION, 2));
    VARIABLE_RECORD  *Variable = (Compared == NULL) ? NULL : GetVariableRecord (Compared->VariableIndex);

    if (Variable == NULL) {
      return NULL;
    }

    *Record = FindVariableGuidRecord (&Variable->VendorGuid);
    if (*Record != NULL) {
      *VariableIndex = Compared->VariableIndex;
      return Compare;
    }

    At = Compared;
  }

  return NULL;
}

INT16
GetConditionValue (
  IN  CONST CONTROL_RECORD        *Control,
  OUT CONST VARIABLE_GUID_RECORD  **Record
  )
{
  UINT32       VariableIndex;
  CONST UINT8  *Compare = FindConditionCompare (Control, &VariableIndex, Record);

  if (Compare == NULL) {
    return CONDITION_NO_VALUE;
  }

  return (INT16)IfrField (Compare, (Compare[0] == EFI_IFR_EQ_ID_VAL_OP) ? EQ_ID_VAL_VALUE : EQ_ID_VAL_LIST_FIRST, 2);
}

UINT8 *
CloneControlOpcodes (
  IN     UINTN           N,
  IN OUT CONTROL_RECORD  *Control
  )
{
  UINT8  *Question  = (UINT8 *)(UINTN)Control->QuestionOpcode;
  UINT8  *Condition = (UINT8 *)(UINTN)Control->ConditionOpcode;
  UINT8  *Start;
  UINTN  Length;
  UINT8  *Copy;

  if ((Question == NULL) || (IfrLength (Question) < IFR_HEADER_SIZE) || ((Condition != NULL) && (Condition > Question))) {
    return NULL;
  }

  Start  = (Condition != NULL) ? Condition : Question;
  Length = (UINTN)(Question - Start) + IfrLength (Question);
  Copy   = (UINT8 *)AllocateZeroPool (Length + N * CLONE_OPTION_OPCODE_SIZE + CLONE_EXTRA_BYTES);
  if (Copy == NULL) {
    return NULL;
  }

  CopyMem (Copy, Start, Length);
  Control->QuestionOpcode = (UINT64)(UINTN)(Copy + (Question - Start));
  if (Condition != NULL) {
    Control->ConditionOpcode = (UINT64)(UINTN)Copy;
  }

  return Copy;
}
