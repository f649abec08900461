/** @file
  Hard-disk security: the record of setup variable 6, the password questions that
  go to the drive instead of the variable, and the power-on unlock.

  A drive asks for a password it holds before it takes one away, but the setup
  pages never ask for the current hard-disk password. So the password that opened a
  drive at power-on, or that setup gave it in this boot, is kept here (the drive
  would take it again at the next unlock anyway) and is what clears the password;
  a password this boot never saw cannot be cleared from setup.
**/
#include <frontend/HddSecurity.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/SetupData.h>
#include <engine/core/VariableGuids.h>
#include <engine/forms/Passwords.h>
#include <engine/forms/QuestionAccess.h>
#include <engine/textui/MessageBox.h>
#include <engine/textui/PasswordPrompt.h>
#include <engine/textui/TextScreen.h>
#include <engine/textui/TuiApp.h>
#include <engine/textui/TuiEditBox.h>
#include <engine/variables/VariableCache.h>
#include <Resources/EngineStringIds.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>

// Drives whose passwords this boot can remember; a board has a handful of ports.
#define HDD_KNOWN_DRIVES  8
#define HDD_WHICH_COUNT   2

// The prompt's box: the input line of 32 characters with a cell of border on each side.
#define HDD_PROMPT_WIDTH  (HDD_PASSWORD_MAX_BYTES + 4)

typedef struct {
  EFI_HANDLE  Handle;
  BOOLEAN     Known[HDD_WHICH_COUNT];                              // by HDD_PASSWORD_USER, HDD_PASSWORD_MASTER
  UINT8       Password[HDD_WHICH_COUNT][HDD_PASSWORD_MAX_BYTES];
} HDD_KNOWN_PASSWORDS;

typedef enum {
  HddPromptDone,        // opened, or given up after the last try or with Esc
  HddPromptNoKeyboard   // nobody can type: no other drive is asked either
} HDD_PROMPT_RESULT;

static CONST EFI_GUID       mBoardItemGuid = BOARD_ITEM_CONTROL_VARIABLE_GUID;
static HDD_KNOWN_PASSWORDS  mKnown[HDD_KNOWN_DRIVES];

VOID
ForgetHddPasswords (
  VOID
  )
{
  ZeroMem (mKnown, sizeof (mKnown));
}

static HDD_KNOWN_PASSWORDS *
FindKnown (
  IN EFI_HANDLE  Handle,
  IN BOOLEAN     Create
  )
{
  for (UINTN Index = 0; Index < HDD_KNOWN_DRIVES; Index++) {
    if (mKnown[Index].Handle == Handle) {
      return &mKnown[Index];
    }
  }

  for (UINTN Index = 0; Create && (Index < HDD_KNOWN_DRIVES); Index++) {
    if (mKnown[Index].Handle == NULL) {
      mKnown[Index].Handle = Handle;
      return &mKnown[Index];
    }
  }

  return NULL;
}

static VOID
RememberPassword (
  IN EFI_HANDLE   Handle,
  IN UINT32       Which,
  IN CONST UINT8  *Password OPTIONAL
  )
{
  HDD_KNOWN_PASSWORDS  *Known = FindKnown (Handle, (BOOLEAN)(Password != NULL));

  if (Known == NULL) {
    return;
  }

  Known->Known[Which] = (BOOLEAN)(Password != NULL);
  if (Password != NULL) {
    CopyMem (Known->Password[Which], Password, HDD_PASSWORD_MAX_BYTES);
  } else {
    ZeroMem (Known->Password[Which], HDD_PASSWORD_MAX_BYTES);
  }
}

/**
  The password as the drive takes it: one byte per character, zero-padded to 32.
  FALSE (and zeros) for a text the drive cannot hold: longer than 32 characters, or
  with a character outside printable ASCII.
**/
static BOOLEAN
PasswordBytes (
  IN  CONST CHAR16  *Text,
  OUT UINT8         *Bytes
  )
{
  UINTN  Index;

  ZeroMem (Bytes, HDD_PASSWORD_MAX_BYTES);
  for (Index = 0; (Text != NULL) && (Text[Index] != 0); Index++) {
    if ((Index >= HDD_PASSWORD_MAX_BYTES) || (Text[Index] < 32) || (Text[Index] > 126)) {
      ZeroMem (Bytes, HDD_PASSWORD_MAX_BYTES);
      return FALSE;
    }

    Bytes[Index] = (UINT8)Text[Index];
  }

  return TRUE;
}

// Drive Device's protocol and handle; null when there is no such drive. *Count gets the number of drives.
static HDD_SECURITY_PROTOCOL *
OpenDrive (
  IN  UINTN       Device,
  OUT EFI_HANDLE  *Handle,
  OUT UINTN       *Count
  )
{
  EFI_HANDLE             *Handles  = NULL;
  HDD_SECURITY_PROTOCOL  *Security = NULL;

  *Count  = 0;
  *Handle = NULL;
  if ((gBS == NULL) || EFI_ERROR (gBS->LocateHandleBuffer (ByProtocol, &gHddSecurityProtocolGuid, NULL, Count, &Handles))) {
    *Count = 0;
    return NULL;
  }

  if ((Device < *Count) &&
      EFI_ERROR (gBS->HandleProtocol (Handles[Device], &gHddSecurityProtocolGuid, (VOID **)&Security)))
  {
    Security = NULL;
  }

  if (Security != NULL) {
    *Handle = Handles[Device];
  }

  FreePool (Handles);
  return Security;
}

static UINT8
ReadBoardItem (
  VOID
  )
{
  UINT8  *Items = NULL;
  UINTN  Size   = 0;
  UINT8  Item   = 0;

  if (!EFI_ERROR (GetVariableBuffer (u"SIBoardItemControl", &mBoardItemGuid, (VOID **)&Items, &Size, NULL)) &&
      (Size > HDD_BOARD_ITEM_BYTE))
  {
    Item = Items[HDD_BOARD_ITEM_BYTE];
  }

  FreePool (Items);
  return Item;
}

EFI_STATUS
ReadHddSecurityStatus (
  OUT UINT8  *Record,
  IN  UINTN  Device
  )
{
  HDD_SECURITY_RECORD    State;
  HDD_SECURITY_PROTOCOL  *Security;
  EFI_HANDLE             Handle;
  UINTN                  Count;
  UINT16                 Bits   = 0;
  EFI_STATUS             Status = EFI_NOT_FOUND;

  if (Record == NULL) {
    return EFI_INVALID_PARAMETER;
  }

  ZeroMem (&State, sizeof (State));
  Security          = OpenDrive (Device, &Handle, &Count);
  State.DeviceCount = (UINT16)((Count > 0xFFFF) ? 0xFFFF : Count);
  State.Device      = (UINT16)((Device > 0xFFFF) ? 0xFFFF : Device);
  State.BoardItem   = ReadBoardItem ();
  if (Security != NULL) {
    Status = Security->GetSecurityStatus (Security, &Bits);
  }

  if (!EFI_ERROR (Status)) {
    State.Supported         = (UINT8)((Bits & HDD_SECURITY_SUPPORTED) != 0);
    State.Enabled           = (UINT8)((Bits & HDD_SECURITY_ENABLED) != 0);
    State.Locked            = (UINT8)((Bits & HDD_SECURITY_LOCKED) != 0);
    State.Frozen            = (UINT8)((Bits & HDD_SECURITY_FROZEN) != 0);
    State.UserPasswordSet   = (UINT8)((Bits & HDD_SECURITY_USER_PASSWORD_SET) != 0);
    State.MasterPasswordSet = (UINT8)((Bits & HDD_SECURITY_MASTER_PASSWORD_SET) != 0);
  }

  CopyMem (Record, &State, sizeof (State));
  return Status;
}

// The record variable 6 holds now; EFI_NOT_FOUND when the cache has none.
static EFI_STATUS
ReadCachedRecord (
  OUT HDD_SECURITY_RECORD  *Record
  )
{
  if ((GetVariableCount () <= SETUP_VARIABLE_INDEX_HDD_SECURITY) ||
      EFI_ERROR (ReadVariableBytes (SETUP_VARIABLE_INDEX_HDD_SECURITY, 0, sizeof (*Record), Record, FALSE)))
  {
    return EFI_NOT_FOUND;
  }

  return EFI_SUCCESS;
}

static BOOLEAN
IsHddQuestion (
  IN CONST CONTROL_RECORD  *Control
  )
{
  return (BOOLEAN)((Control != NULL) && (Control->VariableIndex == SETUP_VARIABLE_INDEX_HDD_SECURITY));
}

static UINT32
QuestionPassword (
  IN CONST CONTROL_RECORD  *Control
  )
{
  CONST UINT8  *Opcode = (CONST UINT8 *)(UINTN)Control->QuestionOpcode;

  return (GetQuestionOffset (Opcode) == HDD_MASTER_PASSWORD_OFFSET) ? HDD_PASSWORD_MASTER : HDD_PASSWORD_USER;
}

EFI_STATUS
HddPasswordCheckCallback (
  IN CONST CONTROL_RECORD  *Control,
  IN CONST CHAR16          *Text OPTIONAL,
  IN UINT8                 Unlock
  )
{
  HDD_SECURITY_RECORD    Record;
  HDD_SECURITY_PROTOCOL  *Security;
  EFI_HANDLE             Handle;
  UINTN                  Count;
  UINT8                  Bytes[HDD_PASSWORD_MAX_BYTES];
  UINT32                 Which;
  EFI_STATUS             Status;

  if (!IsHddQuestion (Control)) {
    return EFI_UNSUPPORTED;
  }

  if (EFI_ERROR (ReadCachedRecord (&Record))) {
    return EFI_NOT_FOUND;
  }

  if (Record.Supported == 0) {
    return EFI_UNSUPPORTED;
  }

  if (Unlock == 0) {
    return EFI_SUCCESS;
  }

  Security = OpenDrive (Record.Device, &Handle, &Count);
  if (Security == NULL) {
    return EFI_NOT_FOUND;
  }

  if (!PasswordBytes (Text, Bytes)) {
    return EFI_ACCESS_DENIED;       // no drive holds such a password
  }

  Which  = QuestionPassword (Control);
  Status = Security->UnlockPassword (Security, Which, Bytes, sizeof (Bytes));
  if (!EFI_ERROR (Status)) {
    RememberPassword (Handle, Which, Bytes);
  }

  ZeroMem (Bytes, sizeof (Bytes));
  // Only a question that is not the drive's may answer EFI_UNSUPPORTED.
  return (Status == EFI_UNSUPPORTED) ? EFI_ACCESS_DENIED : Status;
}

// Gives the drive the new password, or takes its password away with the one this boot knows.
static EFI_STATUS
ChangeDrivePassword (
  IN CONST CONTROL_RECORD  *Control,
  IN CONST CHAR16          *Password
  )
{
  HDD_SECURITY_RECORD    Record;
  HDD_SECURITY_PROTOCOL  *Security;
  HDD_KNOWN_PASSWORDS    *Known;
  EFI_HANDLE             Handle;
  UINTN                  Count;
  UINT8                  Bytes[HDD_PASSWORD_MAX_BYTES];
  UINT32                 Which = QuestionPassword (Control);
  EFI_STATUS             Status;

  if (EFI_ERROR (ReadCachedRecord (&Record))) {
    return EFI_NOT_FOUND;
  }

  Security = OpenDrive (Record.Device, &Handle, &Count);
  if (Security == NULL) {
    return EFI_NOT_FOUND;
  }

  if (!PasswordBytes (Password, Bytes)) {
    return EFI_INVALID_PARAMETER;
  }

  if (Bytes[0] != 0) {
    Status = Security->SetPassword (Security, Which, Bytes, sizeof (Bytes));
    if (!EFI_ERROR (Status)) {
      RememberPassword (Handle, Which, Bytes);
    }
  } else {
    Known = FindKnown (Handle, FALSE);
    if ((Known == NULL) || !Known->Known[Which]) {
      return EFI_ACCESS_DENIED;
    }

    Status = Security->DisablePassword (Security, Which, Known->Password[Which], HDD_PASSWORD_MAX_BYTES);
    if (!EFI_ERROR (Status)) {
      RememberPassword (Handle, Which, NULL);
    }
  }

  ZeroMem (Bytes, sizeof (Bytes));
  return Status;
}

EFI_STATUS
HddPasswordSetCallback (
  IN CONST CONTROL_RECORD  *Control,
  IN CONST CHAR16          *Password
  )
{
  EFI_STATUS  Status;

  if (!IsHddQuestion (Control)) {
    return EFI_UNSUPPORTED;
  }

  Status = ChangeDrivePassword (Control, Password);
  if (EFI_ERROR (Status)) {
    (VOID)ShowEngineMessage (STR_ERROR, STR_HDD_PASSWORD_REFUSED, MSGBOX_BUTTONS_OK);    // an OK box has one answer
    // EFI_UNSUPPORTED would tell the engine to store the password in the variable.
    return (Status == EFI_UNSUPPORTED) ? EFI_ACCESS_DENIED : Status;
  }

  return EFI_SUCCESS;
}

VOID
RefreshHddSecurityStatus (
  VOID
  )
{
  HDD_SECURITY_RECORD  Record;
  UINTN                Device = 0;

  if ((gVariableCache == NULL) || (GetVariableCount () <= SETUP_VARIABLE_INDEX_HDD_SECURITY)) {
    return;
  }

  if (!EFI_ERROR (ReadCachedRecord (&Record))) {
    Device = Record.Device;
  }

  // A drive that is gone or does not answer shows as one without security.
  (VOID)ReadHddSecurityStatus ((UINT8 *)&Record, Device);
  // Straight into the cache: the drive's state is no setting the user changed, so
  // neither the board's written-variable hook nor the save question hears of it.
  if (!EFI_ERROR (AccessCacheBytes (TRUE, gVariableCache, SETUP_VARIABLE_INDEX_HDD_SECURITY, 0, sizeof (Record), &Record))) {
    MarkTuiAppRedraw ();
  }
}

// Asks for one locked drive's password until it opens, HDD_UNLOCK_TRIES wrong ones were given, or Esc.
static HDD_PROMPT_RESULT
UnlockWithPrompt (
  IN EFI_HANDLE             Handle,
  IN HDD_SECURITY_PROTOCOL  *Security
  )
{
  CHAR16             *Entry  = (CHAR16 *)AllocateZeroPool ((HDD_PASSWORD_MAX_BYTES + 1) * sizeof (CHAR16));
  HDD_PROMPT_RESULT  Result  = HddPromptDone;
  UINT8              Bytes[HDD_PASSWORD_MAX_BYTES];
  UINT64             Column  = 0;
  UINT64             Row     = 0;
  UINTN              Tries   = 0;
  EFI_STATUS         Status;

  if (Entry == NULL) {
    return HddPromptDone;
  }

  DrawPasswordBox (STR_HDD_ENTER_PASSWORD, HDD_PROMPT_WIDTH, &Column, &Row);
  while (Tries < HDD_UNLOCK_TRIES) {
    Status = ReadPasswordString (Entry, HDD_PASSWORD_MAX_BYTES, Column, Row, NULL);
    if (Status == EFI_ABORTED) {
      break;
    }

    if (EFI_ERROR (Status)) {
      Result = HddPromptNoKeyboard;
      break;
    }

    // Only printable ASCII can be typed here, so every entry converts.
    (VOID)PasswordBytes (Entry, Bytes);
    Status = Security->UnlockPassword (Security, HDD_PASSWORD_USER, Bytes, sizeof (Bytes));
    if (!EFI_ERROR (Status)) {
      RememberPassword (Handle, HDD_PASSWORD_USER, Bytes);
      break;
    }

    Tries++;
    ShowPasswordMessage (HDD_PROMPT_WIDTH, (Tries < HDD_UNLOCK_TRIES) ? STR_INVALID_PASSWORD : STR_HDD_STILL_LOCKED,
      Column - 1, Row + 3, TRUE);
  }

  ZeroMem (Bytes, sizeof (Bytes));
  FreeSecret (Entry, (HDD_PASSWORD_MAX_BYTES + 1) * sizeof (CHAR16));
  return Result;
}

UINT64
BoardCheckHddSecurity (
  IN CONST HOOK_ARGS  *Args
  )
{
  EFI_HANDLE             *Handles = NULL;
  UINTN                  Count    = 0;
  HDD_SECURITY_PROTOCOL  *Security;
  TEXT_SCREEN_BUFFER     *Saved   = NULL;
  BOOLEAN                Drew     = FALSE;
  UINT16                 Bits;

  (VOID)Args;
  if ((gBS == NULL) || EFI_ERROR (gBS->LocateHandleBuffer (ByProtocol, &gHddSecurityProtocolGuid, NULL, &Count, &Handles))) {
    return FALSE;
  }

  for (UINTN Index = 0; Index < Count; Index++) {
    Bits = 0;
    if (EFI_ERROR (gBS->HandleProtocol (Handles[Index], &gHddSecurityProtocolGuid, (VOID **)&Security)) ||
        (Security == NULL) || EFI_ERROR (Security->GetSecurityStatus (Security, &Bits)))
    {
      continue;
    }

    // A frozen drive takes no password until the next reset: asking would only fail.
    if (((Bits & HDD_SECURITY_LOCKED) == 0) || ((Bits & HDD_SECURITY_FROZEN) != 0)) {
      continue;
    }

    if (!Drew) {
      (VOID)HookPostKeyPoll (0, 0);     // a hotkey pressed before the prompt still counts
      Saved = SaveTextScreen ();
      Drew  = TRUE;
    }

    if (UnlockWithPrompt (Handles[Index], Security) == HddPromptNoKeyboard) {
      break;
    }
  }

  FreePool (Handles);
  if (Drew) {
    ClearTextScreen ();
    FlushTextScreen ();
    RestoreTextScreen (Saved);
  }

  return Drew;
}
