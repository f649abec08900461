/** @file
  Value cells of the expression evaluator: numbers by type width, booleans, the
  strings of one evaluation, comparison and the TO_STRING text of a value.
**/
#include <engine/forms/IfrEvaluation.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>

// "18446744073709551615" and its terminator fit.
#define NUMBER_TEXT_CHARS  24

BOOLEAN
IfrIsNumberType (
  IN UINT8  Type
  )
{
  return Type <= EFI_IFR_TYPE_DATE;
}

UINT64
IfrCellNumber (
  IN CONST IFR_VALUE_CELL  *Cell
  )
{
  UINT64  Value = ReadUnaligned64 (Cell->Value);
  UINT8   Width = IfrTypeValueWidth (Cell->Type);

  return ((Width == 0) || (Width >= 8)) ? Value : (Value & ((1ULL << (8 * Width)) - 1));
}

VOID
IfrSetType (
  OUT IFR_VALUE_CELL  *Cell,
  IN  UINT8           Type
  )
{
  ZeroMem (Cell, sizeof (*Cell));
  Cell->Type = Type;
}

VOID
IfrSetCellNumber (
  OUT IFR_VALUE_CELL  *Cell,
  IN  UINT8           Type,
  IN  UINT64          Value
  )
{
  IfrSetType (Cell, Type);
  WriteUnaligned64 (Cell->Value, Value);
  Cell->Type = Type;
  // Only the type's own bytes carry the value.
  WriteUnaligned64 (Cell->Value, IfrCellNumber (Cell));
}

EFI_STATUS
IfrPush (
  IN OUT IFR_EVALUATION        *Eval,
  IN     CONST IFR_VALUE_CELL  *Cell
  )
{
  return PushExpressionValue (&Eval->Values, Cell);
}

// An empty stack in the middle of an expression means an operand is missing.
EFI_STATUS
IfrPop (
  IN OUT IFR_EVALUATION  *Eval,
  OUT    IFR_VALUE_CELL  *Cell
  )
{
  return EFI_ERROR (PopExpressionValue (&Eval->Values, Cell)) ? EFI_INVALID_PARAMETER : EFI_SUCCESS;
}

EFI_STATUS
IfrPushNumber (
  IN OUT IFR_EVALUATION  *Eval,
  IN     UINT8           Type,
  IN     UINT64          Value
  )
{
  IFR_VALUE_CELL  Cell;

  IfrSetCellNumber (&Cell, Type, Value);
  return IfrPush (Eval, &Cell);
}

EFI_STATUS
IfrPushBoolean (
  IN OUT IFR_EVALUATION  *Eval,
  IN     BOOLEAN         Value
  )
{
  return IfrPushNumber (Eval, EFI_IFR_TYPE_BOOLEAN, Value ? 1 : 0);
}

// The slot + 1 of a string of the evaluation; 0 for an HII string id.
static UINT16
TempSlot (
  IN CONST IFR_VALUE_CELL  *Cell
  )
{
  return ReadUnaligned16 (Cell->Value + IFR_TEMP_STRING_FIELD);
}

EFI_STATUS
IfrCellText (
  IN  IFR_EVALUATION        *Eval,
  IN  CONST IFR_VALUE_CELL  *Cell,
  OUT CHAR16                **Text
  )
{
  UINT16  Slot = TempSlot (Cell);
  UINT16  Id   = ReadUnaligned16 (Cell->Value);

  *Text = NULL;
  if (Cell->Type != EFI_IFR_TYPE_STRING) {
    return EFI_INVALID_PARAMETER;
  }

  if (Slot != 0) {
    if ((Eval->Strings == NULL) || (Slot > Eval->Strings->Count)) {
      return EFI_NOT_FOUND;
    }

    *Text = (CHAR16 *)AllocateCopyPool (StrSize (Eval->Strings->Text[Slot - 1]), Eval->Strings->Text[Slot - 1]);
    return (*Text == NULL) ? EFI_OUT_OF_RESOURCES : EFI_SUCCESS;
  }

  *Text = (Id == 0) ? NULL : HiiGetString ((Eval->Control == NULL) ? NULL : Eval->Control->HiiHandle, Id, NULL);
  return (*Text == NULL) ? EFI_NOT_FOUND : EFI_SUCCESS;
}

EFI_STATUS
IfrPushNewString (
  IN OUT IFR_EVALUATION  *Eval,
  IN     CHAR16          *Text
  )
{
  IFR_VALUE_CELL  Cell;

  if ((Text == NULL) || (Eval->Strings == NULL) || (Eval->Strings->Count == IFR_TEMP_STRING_SLOTS)) {
    if (Text != NULL) {
      FreePool (Text);
    }

    return EFI_OUT_OF_RESOURCES;
  }

  Eval->Strings->Text[Eval->Strings->Count++] = Text;
  IfrSetType (&Cell, EFI_IFR_TYPE_STRING);
  WriteUnaligned16 (Cell.Value + IFR_TEMP_STRING_FIELD, (UINT16)Eval->Strings->Count);
  return IfrPush (Eval, &Cell);
}

VOID
IfrFreeStrings (
  IN OUT IFR_STRING_POOL  *Pool
  )
{
  for (UINTN Index = 0; Index < Pool->Count; Index++) {
    FreeAndNull (Pool->Text[Index]);
  }

  Pool->Count = 0;
}

EFI_STATUS
IfrKeepString (
  IN     IFR_EVALUATION  *Eval,
  IN     EFI_HII_HANDLE  HiiHandle,
  IN OUT IFR_VALUE_CELL  *Cell
  )
{
  CHAR16         *Text;
  EFI_STRING_ID  Id = 0;
  EFI_STATUS     Status;

  if ((Cell->Type != EFI_IFR_TYPE_STRING) || (TempSlot (Cell) == 0)) {
    return EFI_SUCCESS;
  }

  Status = IfrCellText (Eval, Cell, &Text);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Status = (gHiiString == NULL) ? EFI_NOT_FOUND : gHiiString->NewString (gHiiString, HiiHandle, &Id, "en-US", NULL, Text, NULL);
  FreePool (Text);
  if (!EFI_ERROR (Status)) {
    IfrSetType (Cell, EFI_IFR_TYPE_STRING);
    WriteUnaligned16 (Cell->Value, Id);
  }

  return Status;
}

static EFI_STATUS
CompareTexts (
  IN  IFR_EVALUATION        *Eval,
  IN  CONST IFR_VALUE_CELL  *A,
  IN  CONST IFR_VALUE_CELL  *B,
  OUT INTN                  *Order
  )
{
  CHAR16  *TextA = NULL;
  CHAR16  *TextB = NULL;
  INTN    Difference;

  if (EFI_ERROR (IfrCellText (Eval, A, &TextA)) || EFI_ERROR (IfrCellText (Eval, B, &TextB))) {
    FreeAndNull (TextA);
    return EFI_INVALID_PARAMETER;
  }

  Difference = StrCmp (TextA, TextB);
  *Order     = (Difference < 0) ? -1 : ((Difference > 0) ? 1 : 0);
  FreePool (TextA);
  FreePool (TextB);
  return EFI_SUCCESS;
}

EFI_STATUS
IfrCompareCells (
  IN  IFR_EVALUATION        *Eval,
  IN  CONST IFR_VALUE_CELL  *A,
  IN  CONST IFR_VALUE_CELL  *B,
  OUT INTN                  *Order
  )
{
  BOOLEAN  StringA = (A->Type == EFI_IFR_TYPE_STRING);
  BOOLEAN  StringB = (B->Type == EFI_IFR_TYPE_STRING);
  INT64    Difference;

  if ((A->Type >= EFI_IFR_TYPE_OTHER) || (B->Type >= EFI_IFR_TYPE_OTHER) || (StringA != StringB)) {
    return EFI_INVALID_PARAMETER;
  }

  if (!StringA) {
    // The difference wraps as unsigned and is read as signed: all ones is -1, below 0.
    Difference = (INT64)(IfrCellNumber (A) - IfrCellNumber (B));
    *Order     = (Difference < 0) ? -1 : ((Difference > 0) ? 1 : 0);
    return EFI_SUCCESS;
  }

  if ((TempSlot (A) == 0) && (TempSlot (B) == 0)) {
    if ((ReadUnaligned16 (A->Value) == 0) || (ReadUnaligned16 (B->Value) == 0)) {
      return EFI_INVALID_PARAMETER;
    }

    if (ReadUnaligned16 (A->Value) == ReadUnaligned16 (B->Value)) {
      *Order = 0;
      return EFI_SUCCESS;
    }
  }

  return CompareTexts (Eval, A, B, Order);
}

EFI_STATUS
CompareHiiValues (
  IN  CONST IFR_VALUE_CELL  *A,
  IN  CONST IFR_VALUE_CELL  *B,
  IN  EFI_HII_HANDLE        HiiHandle,
  OUT INTN                  *Order
  )
{
  CONTROL_RECORD  Control;
  IFR_EVALUATION  Eval;

  if ((A == NULL) || (B == NULL) || (Order == NULL)) {
    return EFI_INVALID_PARAMETER;
  }

  ZeroMem (&Control, sizeof (Control));
  ZeroMem (&Eval, sizeof (Eval));
  Control.HiiHandle = HiiHandle;
  Eval.Control      = &Control;
  return IfrCompareCells (&Eval, A, B, Order);
}

//
// TO_STRING of one cell as a new pool string; null for types it cannot print.
//
static CHAR16 *
CellToString (
  IN IFR_EVALUATION        *Eval,
  IN UINT8                 Format,
  IN CONST IFR_VALUE_CELL  *Cell
  )
{
  CHAR16        Number[NUMBER_TEXT_CHARS];
  CHAR16        *Text = NULL;
  CONST CHAR16  *Pattern;

  if (Cell->Type == EFI_IFR_TYPE_STRING) {
    (VOID)IfrCellText (Eval, Cell, &Text);   // null when it cannot be read
    return Text;
  }

  if (Cell->Type == EFI_IFR_TYPE_BOOLEAN) {
    Pattern = (IfrCellNumber (Cell) != 0) ? u"True" : u"False";
    return (CHAR16 *)AllocateCopyPool (StrSize (Pattern), Pattern);
  }

  if (Cell->Type > EFI_IFR_TYPE_NUM_SIZE_64) {
    return NULL;
  }

  Pattern = (Format == 2) ? u"%lx" : ((Format == 3) ? u"%lX" : u"%ld");
  UnicodeSPrint (Number, sizeof (Number), Pattern, IfrCellNumber (Cell));
  return (CHAR16 *)AllocateCopyPool (StrSize (Number), Number);
}

CHAR16 *
ValueToString (
  IN EFI_HII_HANDLE        HiiHandle,
  IN UINT8                 Format,
  IN CONST IFR_VALUE_CELL  *Cell
  )
{
  CONTROL_RECORD  Control;
  IFR_EVALUATION  Eval;

  if (Cell == NULL) {
    return NULL;
  }

  ZeroMem (&Control, sizeof (Control));
  ZeroMem (&Eval, sizeof (Eval));
  Control.HiiHandle = HiiHandle;
  Eval.Control      = &Control;
  return CellToString (&Eval, Format, Cell);
}

EFI_STATUS
IfrToString (
  IN OUT IFR_EVALUATION  *Eval,
  IN     UINT8           Format
  )
{
  IFR_VALUE_CELL  Cell;
  CHAR16          *Text;

  if (EFI_ERROR (IfrPop (Eval, &Cell))) {
    return EFI_INVALID_PARAMETER;
  }

  if (Cell.Type == EFI_IFR_TYPE_STRING) {
    return IfrPush (Eval, &Cell);    // a string stays as it is
  }

  Text = CellToString (Eval, Format, &Cell);
  if (Text == NULL) {
    return (Cell.Type <= EFI_IFR_TYPE_BOOLEAN) ? EFI_OUT_OF_RESOURCES : EFI_UNSUPPORTED;
  }

  return IfrPushNewString (Eval, Text);
}
