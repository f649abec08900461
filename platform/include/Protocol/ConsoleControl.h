/** @file
  The firmware core's console-control protocol: switches the screen between text and
  graphics. Only slot 1 (set mode) is called; the table is defined here once:
  get mode, set mode, and a lock operation for the standard-input lock.
**/
#ifndef PROTOCOL_CONSOLE_CONTROL_H_
#define PROTOCOL_CONSOLE_CONTROL_H_

#include <Uefi.h>

#define CONSOLE_CONTROL_PROTOCOL_GUID \
  { 0xF42F7782, 0x012E, 0x4C12, { 0x99, 0x56, 0x49, 0xF9, 0x43, 0x04, 0xF7, 0x21 } }
extern EFI_GUID gConsoleControlProtocolGuid;

typedef struct _CONSOLE_CONTROL_PROTOCOL CONSOLE_CONTROL_PROTOCOL;

typedef enum {
  ConsoleControlScreenText     = 0,
  ConsoleControlScreenGraphics = 1,
  ConsoleControlScreenMaxValue
} CONSOLE_CONTROL_SCREEN_MODE;

typedef EFI_STATUS (EFIAPI *CONSOLE_CONTROL_GET_MODE)(
  IN CONSOLE_CONTROL_PROTOCOL      *This,
  OUT CONSOLE_CONTROL_SCREEN_MODE  *Mode,
  OUT BOOLEAN                      *GopUgaExists OPTIONAL,
  OUT BOOLEAN                      *StdInLocked OPTIONAL
  );

typedef EFI_STATUS (EFIAPI *CONSOLE_CONTROL_SET_MODE)(
  IN CONSOLE_CONTROL_PROTOCOL     *This,
  IN CONSOLE_CONTROL_SCREEN_MODE  Mode
  );

typedef EFI_STATUS (EFIAPI *CONSOLE_CONTROL_LOCK_STD_IN)(
  IN CONSOLE_CONTROL_PROTOCOL  *This,
  IN CHAR16                    *Password
  );

struct _CONSOLE_CONTROL_PROTOCOL {
  CONSOLE_CONTROL_GET_MODE     GetMode;
  CONSOLE_CONTROL_SET_MODE     SetMode;
  CONSOLE_CONTROL_LOCK_STD_IN  LockStdIn;
};

#endif
