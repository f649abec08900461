/** @file
  The password record (variable 5) and the values of STRING and PASSWORD questions:
  whether they are set, comparison with typed text, and the board's encoding of
  passwords through hook 0xFFFF0014. Every buffer that held a password is zeroed
  before it goes back to the pool.
**/
#include <engine/forms/Passwords.h>
#include <engine/core/HookTable.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/variables/VariableCache.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Uefi/UefiIfr.h>

VOID
FreeSecret (
  IN VOID   *Buffer,
  IN UINTN  Size
  )
{
  if (Buffer != NULL) {
    ZeroMem (Buffer, Size);
    FreePool (Buffer);
  }
}

VOID
FreeSecretText (
  IN OUT CHAR16  **Text
  )
{
  if (*Text != NULL) {
    FreeSecret (*Text, (StrLen (*Text) + 1) * sizeof (CHAR16));
    *Text = NULL;
  }
}

EFI_STATUS
GetPasswordRecord (
  OUT UINT8  **Data,
  OUT UINTN  *Size
  )
{
  UINTN  CachedSize = 0;
  UINT8  *Record;

  if ((Data == NULL) || (Size == NULL)) {
    return EFI_INVALID_PARAMETER;
  }

  // A record longer than 81 bytes is still a record: its first 81 bytes are used.
  Record = (UINT8 *)GetCachedVariable (SETUP_VARIABLE_INDEX_PASSWORD, &CachedSize);
  if ((Record == NULL) || (CachedSize < SETUP_PASSWORD_RECORD_SIZE)) {
    FreeSecret (Record, CachedSize);
    Record = (UINT8 *)GetVariableByIndex (SETUP_VARIABLE_INDEX_PASSWORD, &CachedSize);
  }

  *Data = Record;
  *Size = (Record == NULL) ? 0 : CachedSize;
  return (Record == NULL) ? EFI_NOT_FOUND : EFI_SUCCESS;
}

BOOLEAN
IsPasswordFieldSet (
  IN CONST UINT8  *Field
  )
{
  for (UINTN Index = 0; Index < SETUP_PASSWORD_FIELD_SIZE; Index++) {
    if (Field[Index] != 0) {
      return TRUE;
    }
  }

  return FALSE;
}

UINT32
GetPasswordStatus (
  VOID
  )
{
  UINT8   *Record = NULL;
  UINTN   Size    = 0;
  UINT32  Status  = 0;

  if (!EFI_ERROR (GetPasswordRecord (&Record, &Size)) && (Size >= SETUP_PASSWORD_RECORD_SIZE)) {
    Status = (IsPasswordFieldSet (Record) ? PASSWORD_FIELD_FIRST : 0u) |
             (IsPasswordFieldSet (Record + SETUP_PASSWORD_FIELD_SIZE) ? PASSWORD_FIELD_SECOND : 0u);
  }

  FreeSecret (Record, Size);
  return Status;
}

//
// Size bytes (rounded down to whole units) holding the password up to its terminator,
// zero past it, and one more unit as a terminator; the encoding sees the Size bytes.
// The caller's string is never read past its terminator or past Size bytes.
//
CHAR16 *
DuplicateAndEncodePassword (
  IN CONST CHAR16  *Password,
  IN UINTN         Size
  )
{
  UINTN   Units = Size / sizeof (CHAR16);
  CHAR16  *Copy;

  if (Password == NULL) {
    return NULL;
  }

  // An empty password stays all zeros, but still as wide as the field it is written to.
  Copy = (CHAR16 *)AllocateZeroPool ((Units + 1) * sizeof (CHAR16));
  if ((Copy == NULL) || (Password[0] == 0) || (Units == 0)) {
    return Copy;
  }

  CopyMem (Copy, Password, StrnLenS (Password, Units) * sizeof (CHAR16));
  (VOID)HookEncodePassword (Copy, Units * sizeof (CHAR16));    // the members' answer carries no status
  return Copy;
}

// The maximum size in characters of a STRING or PASSWORD question; 0 for other questions.
static UINTN
StringQuestionMaximum (
  IN CONST CONTROL_RECORD  *Control
  )
{
  CONST UINT8  *Opcode = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;

  if ((Opcode == NULL) || ((Opcode[0] != EFI_IFR_STRING_OP) && (Opcode[0] != EFI_IFR_PASSWORD_OP))) {
    return 0;
  }

  return (UINTN)GetQuestionMaximum (Opcode);
}

// The stored value: Maximum characters and a terminator, zero-filled; null when none can be read.
static CHAR16 *
ReadStringValue (
  IN CONST CONTROL_RECORD  *Control,
  IN UINTN                 Maximum
  )
{
  CHAR16  *Value = (CHAR16 *)AllocateZeroPool ((Maximum + 1) * sizeof (CHAR16));

  if ((Value != NULL) && (Maximum != 0)) {
    // A value that cannot be read stays all zeros: an empty string.
    (VOID)ReadVariableBytes (Control->VariableIndex, GetQuestionOffset ((CONST UINT8 *)(UINTN)Control->QuestionOpcode),
            Maximum * sizeof (CHAR16), Value, FALSE);
  }

  return Value;
}

BOOLEAN
IsStringValueSet (
  IN CONST CONTROL_RECORD  *Control
  )
{
  UINTN    Maximum;
  CHAR16   *Value;
  BOOLEAN  Set;

  if (Control == NULL) {
    return FALSE;
  }

  Maximum = StringQuestionMaximum (Control);
  Value   = ReadStringValue (Control, Maximum);
  Set     = (Value != NULL) && (Value[0] != 0);
  FreeSecret (Value, (Maximum + 1) * sizeof (CHAR16));
  return Set;
}

BOOLEAN
CompareStringValue (
  IN CONST CONTROL_RECORD  *Control,
  IN CONST CHAR16          *String
  )
{
  UINTN    Maximum;
  UINTN    Bytes;
  CHAR16   *Value;
  CHAR16   *Given = NULL;
  BOOLEAN  Equal  = FALSE;

  if ((Control == NULL) || (String == NULL)) {
    return FALSE;
  }

  Maximum = StringQuestionMaximum (Control);
  Bytes   = (Maximum + 1) * sizeof (CHAR16);
  Value   = ReadStringValue (Control, Maximum);
  if ((Value == NULL) || (StrnLenS (String, Maximum + 1) > Maximum)) {
    // Text longer than the question holds never equals its value.
  } else if ((String[0] != 0) && IsEncodedPasswordQuestion (Control)) {
    // Encoded values are compared over the whole field, as they were stored.
    Given = DuplicateAndEncodePassword (String, Maximum * sizeof (CHAR16));
    Equal = (Given != NULL) && (CompareMem (Value, Given, Maximum * sizeof (CHAR16)) == 0);
  } else {
    Equal = StrCmp (Value, String) == 0;
  }

  FreeSecret (Given, Bytes);
  FreeSecret (Value, Bytes);
  return Equal;
}
