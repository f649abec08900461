/** @file
  String operators of the expression evaluator. Every index an expression gives is
  checked against the text it points into; case changes and pattern matches go
  through the firmware's Unicode collation protocol.
**/
#include <engine/forms/IfrEvaluation.h>
#include <engine/core/EngineGlobals.h>
#include <engine/forms/IfrOpcode.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/UnicodeCollation.h>

#define FORMAT_FIELD          2     // TO_STRING, FIND; SPAN's flags
#define STRING_REF_FIELD      2
#define FIND_CASE_SENSITIVE   0
#define FIND_CASE_INSENSITIVE 1
#define SPAN_FIRST_MATCHING   0
#define SPAN_FIRST_NON_MATCHING 1
#define NOT_FOUND_INDEX       (~0ULL)
#define HEX_DIGITS_MAX        16    // 8 bytes

static EFI_UNICODE_COLLATION_PROTOCOL  *mCollation = NULL;

VOID
ResetExpressionEvaluator (
  VOID
  )
{
  mCollation = NULL;
  IfrFreeKeptStacks ();
}

static EFI_UNICODE_COLLATION_PROTOCOL *
Collation (
  VOID
  )
{
  if ((mCollation == NULL) && (gBS != NULL) &&
      EFI_ERROR (gBS->LocateProtocol (&gEfiUnicodeCollation2ProtocolGuid, NULL, (VOID **)&mCollation)))
  {
    mCollation = NULL;
  }

  return mCollation;
}

static VOID
FreeTexts (
  IN CHAR16  *A,
  IN CHAR16  *B,
  IN CHAR16  *C
  )
{
  FreeAndNull (A);
  FreeAndNull (B);
  FreeAndNull (C);
}

// Pops a string cell and reads its text.
static EFI_STATUS
PopText (
  IN OUT IFR_EVALUATION  *Eval,
  OUT    CHAR16          **Text
  )
{
  IFR_VALUE_CELL  Cell;

  *Text = NULL;
  if (EFI_ERROR (IfrPop (Eval, &Cell)) || (Cell.Type != EFI_IFR_TYPE_STRING)) {
    return EFI_INVALID_PARAMETER;
  }

  return IfrCellText (Eval, &Cell, Text);
}

static EFI_STATUS
PopNumber (
  IN OUT IFR_EVALUATION  *Eval,
  OUT    UINT64          *Value
  )
{
  IFR_VALUE_CELL  Cell;

  if (EFI_ERROR (IfrPop (Eval, &Cell)) || !IfrIsNumberType (Cell.Type)) {
    return EFI_INVALID_PARAMETER;
  }

  *Value = IfrCellNumber (&Cell);
  return EFI_SUCCESS;
}

//
// FIND, TOKEN and SPAN: a number on top, then the string they look for (or the
// characters they look at), then the string they look in. Both texts are new pool
// strings; on failure both are null.
//
static EFI_STATUS
PopSearch (
  IN OUT IFR_EVALUATION  *Eval,
  OUT    UINT64          *Number,
  OUT    CHAR16          **Wanted,
  OUT    CHAR16          **Text
  )
{
  EFI_STATUS  Status;

  *Wanted = NULL;
  *Text   = NULL;
  if (EFI_ERROR (PopNumber (Eval, Number))) {
    return EFI_INVALID_PARAMETER;
  }

  Status = PopText (Eval, Wanted);
  if (!EFI_ERROR (Status)) {
    Status = PopText (Eval, Text);
  }

  if (EFI_ERROR (Status)) {
    FreeAndNull (*Wanted);
    FreeAndNull (*Text);
  }

  return Status;
}

static EFI_STATUS
PushCopy (
  IN OUT IFR_EVALUATION  *Eval,
  IN     CONST CHAR16    *Text,
  IN     UINTN           Count
  )
{
  CHAR16  *Copy = (CHAR16 *)AllocateZeroPool ((Count + 1) * sizeof (CHAR16));

  if (Copy == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  CopyMem (Copy, Text, Count * sizeof (CHAR16));
  return IfrPushNewString (Eval, Copy);
}

static EFI_STATUS
ChangeCase (
  IN OUT IFR_EVALUATION  *Eval,
  IN     BOOLEAN         Upper
  )
{
  EFI_UNICODE_COLLATION_PROTOCOL  *Rules = Collation ();
  CHAR16                          *Text;
  EFI_STATUS                      Status;

  if (Rules == NULL) {
    return EFI_UNSUPPORTED;
  }

  Status = PopText (Eval, &Text);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  if (Upper) {
    Rules->StrUpr (Rules, Text);
  } else {
    Rules->StrLwr (Rules, Text);
  }

  return IfrPushNewString (Eval, Text);
}

// The first popped string is matched against the pattern popped second.
static EFI_STATUS
Match (
  IN OUT IFR_EVALUATION  *Eval
  )
{
  EFI_UNICODE_COLLATION_PROTOCOL  *Rules = Collation ();
  CHAR16                          *Text    = NULL;
  CHAR16                          *Pattern = NULL;
  EFI_STATUS                      Status;
  BOOLEAN                         Matches;

  if (Rules == NULL) {
    return EFI_UNSUPPORTED;
  }

  Status = PopText (Eval, &Text);
  if (!EFI_ERROR (Status)) {
    Status = PopText (Eval, &Pattern);
  }

  Matches = !EFI_ERROR (Status) && Rules->MetaiMatch (Rules, Text, Pattern);
  FreeTexts (Text, Pattern, NULL);
  return EFI_ERROR (Status) ? Status : IfrPushBoolean (Eval, Matches);
}

static EFI_STATUS
ToUint (
  IN OUT IFR_EVALUATION  *Eval
  )
{
  IFR_VALUE_CELL  Cell;
  CHAR16          *Text;
  CHAR16          *Hex;
  UINT64          Value = 0;
  UINT8           Digit;

  if (EFI_ERROR (IfrPop (Eval, &Cell))) {
    return EFI_INVALID_PARAMETER;
  }

  if (IfrIsNumberType (Cell.Type)) {
    return IfrPushNumber (Eval, EFI_IFR_TYPE_NUM_SIZE_64, IfrCellNumber (&Cell));
  }

  if (Cell.Type != EFI_IFR_TYPE_STRING) {
    return EFI_UNSUPPORTED;
  }

  if (EFI_ERROR (IfrCellText (Eval, &Cell, &Text))) {
    return EFI_NOT_FOUND;
  }

  for (UINTN Index = 0; Text[Index] != 0; Index++) {
    Text[Index] = CharToUpper (Text[Index]);
  }

  // Only a hexadecimal number after "0X" counts; a decimal text gives 0.
  Hex = StrStr (Text, u"0X");
  for (UINTN Count = 0; (Hex != NULL) && (Count < HEX_DIGITS_MAX) && IsHexDigit (&Digit, Hex[2 + Count]); Count++) {
    Value = (Value << 4) | Digit;
  }

  FreePool (Text);
  return IfrPushNumber (Eval, EFI_IFR_TYPE_NUM_SIZE_64, Value);
}

static EFI_STATUS
ToBoolean (
  IN OUT IFR_EVALUATION  *Eval
  )
{
  IFR_VALUE_CELL  Cell;
  CHAR16          *Text;
  EFI_STATUS      Status;

  if (EFI_ERROR (IfrPop (Eval, &Cell))) {
    return EFI_INVALID_PARAMETER;
  }

  if (IfrIsNumberType (Cell.Type)) {
    return IfrPushBoolean (Eval, IfrCellNumber (&Cell) != 0);
  }

  if (Cell.Type != EFI_IFR_TYPE_STRING) {
    return EFI_INVALID_PARAMETER;
  }

  if (EFI_ERROR (IfrCellText (Eval, &Cell, &Text))) {
    return EFI_NOT_FOUND;
  }

  if (StrCmp (Text, u"true") == 0) {
    Status = IfrPushBoolean (Eval, TRUE);
  } else if (StrCmp (Text, u"false") == 0) {
    Status = IfrPushBoolean (Eval, FALSE);
  } else {
    Status = IfrPushNumber (Eval, EFI_IFR_TYPE_OTHER, 0);
  }

  FreePool (Text);
  return Status;
}

// MID: length, position and the string; empty when the position lies past the end.
static EFI_STATUS
Mid (
  IN OUT IFR_EVALUATION  *Eval
  )
{
  UINT64      Length;
  UINT64      Position;
  CHAR16      *Text;
  UINTN       Size;
  EFI_STATUS  Status;

  if (EFI_ERROR (PopNumber (Eval, &Length)) || EFI_ERROR (PopNumber (Eval, &Position))) {
    return EFI_INVALID_PARAMETER;
  }

  Status = PopText (Eval, &Text);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Size = StrLen (Text);
  if (Position >= Size) {
    Status = PushCopy (Eval, u"", 0);
  } else {
    Status = PushCopy (Eval, Text + Position, (Length < Size - Position) ? (UINTN)Length : Size - (UINTN)Position);
  }

  FreePool (Text);
  return Status;
}

static VOID
UpperCase (
  IN OUT CHAR16  *Text
  )
{
  EFI_UNICODE_COLLATION_PROTOCOL  *Rules = Collation ();

  if (Rules != NULL) {
    Rules->StrUpr (Rules, Text);
    return;
  }

  for (UINTN Index = 0; Text[Index] != 0; Index++) {
    Text[Index] = CharToUpper (Text[Index]);
  }
}

// FIND: start, the string to find and the string; the index, or all ones when absent.
static EFI_STATUS
Find (
  IN OUT IFR_EVALUATION  *Eval,
  IN     CONST UINT8     *Opcode
  )
{
  UINT8       Format = (UINT8)IfrField (Opcode, FORMAT_FIELD, 1);
  UINT64      Start;
  UINT64      Index = NOT_FOUND_INDEX;
  CHAR16      *Wanted = NULL;
  CHAR16      *Text   = NULL;
  CHAR16      *Found;
  EFI_STATUS  Status;

  if ((IfrLength (Opcode) <= FORMAT_FIELD) || (Format > FIND_CASE_INSENSITIVE)) {
    return EFI_INVALID_PARAMETER;
  }

  Status = PopSearch (Eval, &Start, &Wanted, &Text);
  if (!EFI_ERROR (Status)) {
    if (Format == FIND_CASE_INSENSITIVE) {
      UpperCase (Wanted);
      UpperCase (Text);
    }

    Found = (Start <= StrLen (Text)) ? StrStr (Text + Start, Wanted) : NULL;
    Index = (Found == NULL) ? NOT_FOUND_INDEX : (UINT64)(Found - Text);
  }

  FreeTexts (Wanted, Text, NULL);
  return EFI_ERROR (Status) ? Status : IfrPushNumber (Eval, EFI_IFR_TYPE_NUM_SIZE_64, Index);
}

static BOOLEAN
IsDelimiter (
  IN CHAR16        Char,
  IN CONST CHAR16  *Delimiters
  )
{
  for (UINTN Index = 0; Delimiters[Index] != 0; Index++) {
    if (Delimiters[Index] == Char) {
      return TRUE;
    }
  }

  return FALSE;
}

// TOKEN: index, delimiters and the string; the index-th token, empty when there is none.
static EFI_STATUS
Token (
  IN OUT IFR_EVALUATION  *Eval
  )
{
  UINT64      Wanted;
  CHAR16      *Delimiters = NULL;
  CHAR16      *Text       = NULL;
  UINTN       Start       = 0;
  UINTN       Stop;
  UINT64      Index       = 0;
  EFI_STATUS  Status;

  Status = PopSearch (Eval, &Wanted, &Delimiters, &Text);
  if (!EFI_ERROR (Status)) {
    for (Stop = 0; ; Stop++) {
      if ((Text[Stop] == 0) || IsDelimiter (Text[Stop], Delimiters)) {
        if ((Index == Wanted) || (Text[Stop] == 0)) {
          break;
        }

        Index++;
        Start = Stop + 1;
      }
    }

    Status = (Index == Wanted) ? PushCopy (Eval, Text + Start, Stop - Start) : PushCopy (Eval, u"", 0);
  }

  FreeTexts (Delimiters, Text, NULL);
  return Status;
}

// The character set is a list of ranges, two characters each (low, high).
static BOOLEAN
InCharacterSet (
  IN CHAR16        Char,
  IN CONST CHAR16  *Set
  )
{
  for (UINTN Index = 0; Set[Index] != 0; Index += 2) {
    CHAR16  High = (Set[Index + 1] == 0) ? Set[Index] : Set[Index + 1];

    if ((Char >= Set[Index]) && (Char <= High)) {
      return TRUE;
    }

    if (Set[Index + 1] == 0) {
      break;
    }
  }

  return FALSE;
}

static EFI_STATUS
Span (
  IN OUT IFR_EVALUATION  *Eval,
  IN     CONST UINT8     *Opcode
  )
{
  UINT8       Flags = (UINT8)IfrField (Opcode, FORMAT_FIELD, 1);
  UINT64      Start;
  UINT64      Index = NOT_FOUND_INDEX;
  CHAR16      *Set  = NULL;
  CHAR16      *Text = NULL;
  EFI_STATUS  Status;

  if ((IfrLength (Opcode) <= FORMAT_FIELD) || (Flags > SPAN_FIRST_NON_MATCHING)) {
    return EFI_INVALID_PARAMETER;
  }

  Status = PopSearch (Eval, &Start, &Set, &Text);
  if (!EFI_ERROR (Status) && (Start > StrLen (Text))) {
    Start = StrLen (Text);     // past the end: nothing to look at
  }

  for (UINTN At = (UINTN)Start; !EFI_ERROR (Status) && (Text[At] != 0); At++) {
    if (InCharacterSet (Text[At], Set) == (Flags == SPAN_FIRST_MATCHING)) {
      Index = At;
      break;
    }
  }

  FreeTexts (Set, Text, NULL);
  return EFI_ERROR (Status) ? Status : IfrPushNumber (Eval, EFI_IFR_TYPE_NUM_SIZE_64, Index);
}

// CATENATE: the string popped second, then the one popped first.
static EFI_STATUS
Catenate (
  IN OUT IFR_EVALUATION  *Eval
  )
{
  CHAR16      *Second = NULL;
  CHAR16      *First  = NULL;
  CHAR16      *Joined = NULL;
  UINTN       Size;
  EFI_STATUS  Status;

  Status = PopText (Eval, &Second);
  if (!EFI_ERROR (Status)) {
    Status = PopText (Eval, &First);
  }

  if (!EFI_ERROR (Status)) {
    Size   = StrSize (First) + StrSize (Second) - sizeof (CHAR16);
    Joined = (CHAR16 *)AllocateZeroPool (Size);
    Status = (Joined == NULL) ? EFI_OUT_OF_RESOURCES : StrCatS (Joined, Size / sizeof (CHAR16), First);
    Status = EFI_ERROR (Status) ? Status : StrCatS (Joined, Size / sizeof (CHAR16), Second);
  }

  FreeTexts (Second, First, NULL);
  if (EFI_ERROR (Status)) {
    FreeAndNull (Joined);
    return Status;
  }

  return IfrPushNewString (Eval, Joined);
}

static EFI_STATUS
StringRef (
  IN OUT IFR_EVALUATION  *Eval,
  IN     CONST UINT8     *Opcode
  )
{
  UINT64          Id;
  IFR_VALUE_CELL  Cell;
  CHAR16          *Text;

  if (Opcode[0] == EFI_IFR_STRING_REF1_OP) {
    if (IfrLength (Opcode) < STRING_REF_FIELD + sizeof (UINT16)) {
      return EFI_INVALID_PARAMETER;
    }

    return IfrPushNumber (Eval, EFI_IFR_TYPE_STRING, IfrField (Opcode, STRING_REF_FIELD, 2));
  }

  if (EFI_ERROR (IfrPop (Eval, &Cell)) || (Cell.Type > EFI_IFR_TYPE_NUM_SIZE_64)) {
    return EFI_INVALID_PARAMETER;
  }

  Id = IfrCellNumber (&Cell);
  if (Id > 0xFFFF) {
    return EFI_NOT_FOUND;
  }

  // A string that is not there reads as empty.
  IfrSetCellNumber (&Cell, EFI_IFR_TYPE_STRING, Id);
  if (EFI_ERROR (IfrCellText (Eval, &Cell, &Text))) {
    return PushCopy (Eval, u"", 0);
  }

  FreePool (Text);
  return IfrPush (Eval, &Cell);
}

static EFI_STATUS
Length (
  IN OUT IFR_EVALUATION  *Eval
  )
{
  CHAR16      *Text;
  UINTN       Count;
  EFI_STATUS  Status;

  Status = PopText (Eval, &Text);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Count = StrLen (Text);
  FreePool (Text);
  return IfrPushNumber (Eval, EFI_IFR_TYPE_NUM_SIZE_64, Count);
}

EFI_STATUS
IfrStringOperator (
  IN OUT IFR_EVALUATION  *Eval,
  IN     CONST UINT8     *Opcode
  )
{
  switch (Opcode[0]) {
    case EFI_IFR_TO_LOWER_OP:    return ChangeCase (Eval, FALSE);
    case EFI_IFR_TO_UPPER_OP:    return ChangeCase (Eval, TRUE);
    case EFI_IFR_MATCH_OP:       return Match (Eval);
    case EFI_IFR_TO_UINT_OP:     return ToUint (Eval);
    case EFI_IFR_TO_STRING_OP:
      return (IfrLength (Opcode) <= FORMAT_FIELD) ? EFI_INVALID_PARAMETER
                                                  : IfrToString (Eval, (UINT8)IfrField (Opcode, FORMAT_FIELD, 1));
    case EFI_IFR_TO_BOOLEAN_OP:  return ToBoolean (Eval);
    case EFI_IFR_MID_OP:         return Mid (Eval);
    case EFI_IFR_FIND_OP:        return Find (Eval, Opcode);
    case EFI_IFR_TOKEN_OP:       return Token (Eval);
    case EFI_IFR_STRING_REF1_OP: case EFI_IFR_STRING_REF2_OP:
      return StringRef (Eval, Opcode);
    case EFI_IFR_LENGTH_OP:      return Length (Eval);
    case EFI_IFR_SPAN_OP:        return Span (Eval, Opcode);
    case EFI_IFR_CATENATE_OP:    return Catenate (Eval);
    default:                     return EFI_UNSUPPORTED;
  }
}
