/** @file
  Hard-disk security: the drives' security state in setup variable 6, their user
  and master passwords set and cleared from the setup pages, and the power-on
  unlock of locked drives.

  Setup variable 6 begins with the 18-byte status record of one drive (the one its
  Device field names); the password questions of the variable follow it and are
  never stored: a password goes to the drive, not into the variable. The question
  at offset 18 is the master password, any other the user password.
**/
#ifndef FRONTEND_HDD_SECURITY_H_
#define FRONTEND_HDD_SECURITY_H_

#include <Uefi.h>
#include <engine/core/HookTable.h>
#include <engine/core/SetupDataFormat.h>
#include <Protocol/HddSecurity.h>

#pragma pack(push, 1)
typedef struct {
  UINT16  DeviceCount;          // drives with hard-disk security
  UINT16  Device;               // the drive this record shows, from 0
  UINT8   Supported;            // 1 or 0, from the drive's status bits
  UINT8   Enabled;
  UINT8   Locked;
  UINT8   Frozen;
  UINT8   UserPasswordSet;
  UINT8   MasterPasswordSet;
  UINT8   BoardItem;            // the board's item setting that its pages test
  UINT8   Reserved[7];
} HDD_SECURITY_RECORD;
#pragma pack(pop)

static_assert (sizeof (HDD_SECURITY_RECORD) == 18, "hard-disk security record");
static_assert (offsetof (HDD_SECURITY_RECORD, Supported) == 4, "status bits after count and device");
static_assert (offsetof (HDD_SECURITY_RECORD, UserPasswordSet) == 8, "password flags after the status bits");
static_assert (offsetof (HDD_SECURITY_RECORD, BoardItem) == 10, "board item after the password flags");

#define HDD_SECURITY_RECORD_SIZE  sizeof (HDD_SECURITY_RECORD)

// The password questions of setup variable 6; each holds up to 32 characters.
#define HDD_MASTER_PASSWORD_OFFSET  18
#define HDD_USER_PASSWORD_OFFSET    (HDD_MASTER_PASSWORD_OFFSET + HDD_PASSWORD_MAX_BYTES * 2)
#define HDD_SECURITY_VARIABLE_SIZE  (HDD_USER_PASSWORD_OFFSET + HDD_PASSWORD_MAX_BYTES * 2)

// The byte of "SIBoardItemControl" that the record carries.
#define HDD_BOARD_ITEM_BYTE  0

// Wrong passwords a locked drive is given at power-on before it stays locked.
#define HDD_UNLOCK_TRIES  3

/**
  Fills Record (HDD_SECURITY_RECORD_SIZE bytes) with the security state of drive
  Device, counted from 0 in the order the firmware lists the drives.

  @retval EFI_SUCCESS            The record shows the drive.
  @retval EFI_INVALID_PARAMETER  Record is null.
  @retval EFI_NOT_FOUND          No such drive; the record holds the drive count only.
  @return The drive's own failure to report its state; the record as for EFI_NOT_FOUND.
**/
EFI_STATUS
ReadHddSecurityStatus (
  OUT UINT8  *Record,
  IN  UINTN  Device
  );

/**
  Whether hard-disk security takes a password question: one of variable 6 while
  the drive the record names supports security. With Unlock, Text opens the drive
  as the question's password (user or master).

  @retval EFI_SUCCESS      Taken (and, with Unlock, the drive opened).
  @retval EFI_UNSUPPORTED  Not a hard-disk password.
  @retval EFI_NOT_FOUND    The record of variable 6 cannot be read.
  @return With Unlock, the drive's refusal.
**/
EFI_STATUS
HddPasswordCheckCallback (
  IN CONST CONTROL_RECORD  *Control,
  IN CONST CHAR16          *Text OPTIONAL,
  IN UINT8                 Unlock
  );

/**
  Sets (Password not empty) or clears the user or master password of the drive the
  record names, for a question of variable 6. A change the drive refuses, or
  cannot write, is shown in a message box and nothing is stored anywhere.

  @retval EFI_SUCCESS      The drive holds the change.
  @retval EFI_UNSUPPORTED  Not a hard-disk password: the engine stores it itself.
  @return The refusal; the engine must not store the password either.
**/
EFI_STATUS
HddPasswordSetCallback (
  IN CONST CONTROL_RECORD  *Control,
  IN CONST CHAR16          *Password
  );

/** Reads the state of the drive that variable 6 shows into its record in the cache, and asks for a redraw. */
VOID
RefreshHddSecurityStatus (
  VOID
  );

/**
  Hook 0x02's hard-disk security check: asks for the password of every locked drive
  that is not frozen, up to HDD_UNLOCK_TRIES times each (Esc gives one up), and goes
  on with the drive still locked when none opens it.

  @return TRUE when a prompt was drawn over the POST screen, FALSE otherwise.
**/
UINT64
BoardCheckHddSecurity (
  IN CONST HOOK_ARGS  *Args
  );

/** Forgets the passwords that opened or were given to the drives in this boot. */
VOID
ForgetHddPasswords (
  VOID
  );

#endif
