/** @file
  The text-mode password prompt: a centred box with a masked input line and a
  limited number of attempts, which fixes the user's access level and records it in
  "SystemAccess". Also the board's default password encoding.
**/
#ifndef ENGINE_PASSWORD_PROMPT_H_
#define ENGINE_PASSWORD_PROMPT_H_

#include <Uefi.h>
#include <engine/core/HookTable.h>
#include <Resources/EngineStringIds.h>

#define SYSTEM_ACCESS_GUID \
  { 0xE770BB69, 0xBCB4, 0x4D04, { 0x9E, 0x97, 0x23, 0xFF, 0x94, 0x56, 0xFE, 0xAC } }

#define PASSWORD_MAX_CHARS      20
#define PASSWORD_MIN_BOX_WIDTH  20

/**
  Asks for a password until one that Which (PASSWORD_FIELD_* bits) accepts is
  entered, *Attempts wrong entries were made, or the input timed out. Esc costs no
  attempt.

  @return The access level reached: the matched field's number (1 or 2) when Which
          has PASSWORD_FIELD_SECOND, else 2; 0 when none.
**/
UINT32      PasswordPrompt (IN UINT32 Which, IN OUT UINT32 *Attempts);
/** Stores Level in gAccessLevel and, when not 0, writes "SystemAccess" (1 for level 1, else 0). */
EFI_STATUS  SetSystemAccess (IN UINT32 Level);
/** Draws the box with the prompt; answers where the input line starts. */
VOID        DrawPasswordBox (IN UINT16 PromptId, IN UINT64 Width, OUT UINT64 *Column, OUT UINT64 *Row);
/** A one-line box of Width cells holding the string; with WaitForEnter it stays until Enter. */
VOID        ShowPasswordMessage (IN UINT64 Width, IN UINT16 StringId, IN UINT64 Column, IN UINT64 Row,
              IN BOOLEAN WaitForEnter);
/**
  Reads a masked line of at most MaxChars characters into Buffer (MaxChars + 1
  characters, zeroed first).

  @retval EFI_ABORTED  Esc; the buffer is cleared.
  @retval EFI_TIMEOUT  TimeoutEvent was signalled; the buffer is cleared.
  @return Another failure of the key input.
**/
EFI_STATUS  ReadPasswordString (OUT CHAR16 *Buffer, IN UINTN MaxChars, IN UINT64 Column, IN UINT64 Row,
              IN EFI_EVENT TimeoutEvent OPTIONAL);

/** XORs the i-th UTF-16 unit (from 1) of Size bytes with the low 16 bits of i x 0xCB05; its own inverse. */
VOID        EncodePasswordBuffer (IN OUT CHAR16 *Buffer, IN UINTN Size);

// The POST password was asked for in this boot (it is asked once).
extern UINT8  gPostPasswordAsked;

// Hook members and defaults, in the hook table's uniform type.
UINT64 CheckPostPassword (CONST HOOK_ARGS *Args);
UINT64 CheckSetupPassword (CONST HOOK_ARGS *Args);
UINT64 EncodePassword (CONST HOOK_ARGS *Args);

// The wrapper of the POST-password hook: TRUE when any member (or the default above)
// accepted the password.
BOOLEAN  HookPostPasswordCheck (VOID);

#endif
