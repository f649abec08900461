/** @file
  The firmware's hard-disk security protocol, one instance per drive that supports
  the ATA security feature set.

  Its callers fix only the GUID, that it has five operations and that the fifth is
  called once per boot before any boot option starts (its first success ends the
  work), plus the status bits the setup pages show. This header is the one
  definition of the interface for the engine, the front end and the emulator.
**/
#ifndef PROTOCOL_HDD_SECURITY_H_
#define PROTOCOL_HDD_SECURITY_H_

#include <Uefi.h>

#define HDD_SECURITY_PROTOCOL_GUID \
  { 0xF4F63529, 0x281E, 0x4040, { 0xA3, 0x13, 0xC1, 0xD6, 0x76, 0x63, 0x84, 0xBE } }
extern EFI_GUID gHddSecurityProtocolGuid;

typedef struct _HDD_SECURITY_PROTOCOL HDD_SECURITY_PROTOCOL;

// Status bits, as the drive's identify data word 128 carries them.
#define HDD_SECURITY_SUPPORTED  0x0001
#define HDD_SECURITY_ENABLED    0x0002
#define HDD_SECURITY_LOCKED     0x0004
#define HDD_SECURITY_FROZEN     0x0008
// Which passwords the drive holds: identify data tells only whether security is
// enabled, so the protocol reports the two passwords in bits of its own.
#define HDD_SECURITY_USER_PASSWORD_SET    0x0100
#define HDD_SECURITY_MASTER_PASSWORD_SET  0x0200

// Which password an operation concerns.
#define HDD_PASSWORD_USER    0
#define HDD_PASSWORD_MASTER  1

typedef EFI_STATUS (EFIAPI *HDD_SECURITY_GET_STATUS)(
  IN HDD_SECURITY_PROTOCOL  *This,
  OUT UINT16                *SecurityStatus
  );

// Password bytes as the drive takes them (at most 32; shorter ones are padded with
// zeros). SetPassword installs or replaces a password on an unlocked drive;
// UnlockPassword opens a locked drive with the user or the master password;
// DisablePassword removes the password named by Which when Password matches it.
// A drive that is frozen or still locked refuses every change with
// EFI_ACCESS_DENIED, and so does a password that does not match.
#define HDD_PASSWORD_MAX_BYTES  32

typedef EFI_STATUS (EFIAPI *HDD_SECURITY_PASSWORD_OP)(
  IN HDD_SECURITY_PROTOCOL  *This,
  IN UINT32                 Which,
  IN CONST UINT8            *Password,
  IN UINTN                  PasswordSize
  );

// Freezes the security state until the next reset, so nothing that boots can set a
// password of its own.
typedef EFI_STATUS (EFIAPI *HDD_SECURITY_FREEZE_LOCK)(IN HDD_SECURITY_PROTOCOL *This);

struct _HDD_SECURITY_PROTOCOL {
  HDD_SECURITY_GET_STATUS   GetSecurityStatus;
  HDD_SECURITY_PASSWORD_OP  SetPassword;
  HDD_SECURITY_PASSWORD_OP  UnlockPassword;
  HDD_SECURITY_PASSWORD_OP  DisablePassword;
  HDD_SECURITY_FREEZE_LOCK  FreezeLock;
};

#endif
