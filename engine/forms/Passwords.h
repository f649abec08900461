/** @file
  The password record (variable 5: two 40-byte password fields and one byte), the
  values of STRING and PASSWORD questions, and the buffers that held a password.
**/
#ifndef PASSWORDS_H_
#define PASSWORDS_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>

// A buffer that held a password: zeroed before it goes back to the pool. Null is ignored.
VOID
FreeSecret (
  IN VOID   *Buffer,
  IN UINTN  Size
  );

// A typed text that may hold a password: its characters and terminator zeroed, then
// freed, and the caller's pointer cleared. A null text is ignored.
VOID
FreeSecretText (
  IN OUT CHAR16  **Text
  );

// Whether a 40-byte field of the password record holds a password (any byte not 0).
BOOLEAN
IsPasswordFieldSet (
  IN CONST UINT8  *Field
  );

/**
  The password record: the cached copy of variable 5 when it holds at least 81
  bytes, else the variable read afresh.

  @param[out] Data  A new buffer (it holds passwords: zero it before freeing).

  @retval EFI_NOT_FOUND  Neither the cache nor the store has the variable.
**/
EFI_STATUS
GetPasswordRecord (
  OUT UINT8  **Data,
  OUT UINTN  *Size
  );

// The two password fields as bits: which are set (GetPasswordStatus) and which a
// password prompt accepts.
#define PASSWORD_FIELD_FIRST   0x1
#define PASSWORD_FIELD_SECOND  0x2
#define PASSWORD_FIELD_BOTH    (PASSWORD_FIELD_FIRST | PASSWORD_FIELD_SECOND)

/** The PASSWORD_FIELD_* bits of the fields that are set; 0 without a record of 81 bytes or more. */
UINT32
GetPasswordStatus (
  VOID
  );

/**
  A new copy of Password, encoded through hook 0xFFFF0014 over Size bytes; an empty
  password is copied unencoded. The copy holds Size bytes (zero past the password)
  and a terminator. The caller frees it; null when it cannot be allocated.
**/
CHAR16 *
DuplicateAndEncodePassword (
  IN CONST CHAR16  *Password,
  IN UINTN         Size
  );

/** Whether the stored value of a STRING or PASSWORD control is not empty. */
BOOLEAN
IsStringValueSet (
  IN CONST CONTROL_RECORD  *Control
  );

/** Whether String equals the stored value of a STRING or PASSWORD control (encoded first when the control stores encoded values). */
BOOLEAN
CompareStringValue (
  IN CONST CONTROL_RECORD  *Control,
  IN CONST CHAR16          *String
  );

#endif
