/** @file
  The text-mode password prompt and the access level it grants. Every buffer that
  held typed or stored password text is zeroed before it goes back to the pool.
**/
#include <engine/textui/PasswordPrompt.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/TaskPriority.h>
#include <engine/core/EngineStrings.h>
#include <engine/forms/Passwords.h>
#include <engine/core/HookTable.h>
#include <engine/core/SetupDataFormat.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/UefiLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/ReportStatusCodeLib.h>
#include <Protocol/StatusCode.h>
#include <Protocol/SimpleTextIn.h>
#include <Protocol/SimpleTextOut.h>

#define BOX_ATTRIBUTE    0x1F
#define INPUT_ATTRIBUTE  0x71
#define SCAN_ESCAPE      0x17
#define PASSWORD_PROGRESS_CODE  0x03051006
#define PASSWORD_ERROR_CODE     0x03051001

static EFI_GUID  mPromptStartGroup  = { 0x073E7E01, 0x2611, 0x4E85, { 0xB8, 0x96, 0xA3, 0xB6, 0x76, 0x7C, 0xBA, 0x00 } };
static EFI_GUID  mUserLevelGroup    = { 0xAB1404CA, 0x4801, 0x4208, { 0x98, 0xBF, 0x30, 0xD5, 0x21, 0xDA, 0xD4, 0xD3 } };
static EFI_GUID  mFullLevelGroup    = { 0x541D5A75, 0x95EE, 0x43C7, { 0x9E, 0x5D, 0x23, 0x94, 0xDC, 0x48, 0x62, 0x49 } };
static EFI_GUID  mAllFailedGroup    = { 0xD69240C0, 0xDD40, 0x4F2D, { 0x98, 0x63, 0x48, 0x48, 0xDA, 0x6E, 0x61, 0x5F } };
static EFI_GUID  mPromptEndGroup    = { 0xB9B038B0, 0xE2B6, 0x4AAB, { 0x94, 0x35, 0x41, 0x65, 0xEC, 0xFE, 0xD0, 0x32 } };
static EFI_GUID  mSystemAccessGuid  = SYSTEM_ACCESS_GUID;

VOID
EncodePasswordBuffer (
  IN OUT CHAR16  *Buffer,
  IN     UINTN   Size
  )
{
  for (UINTN Index = 1; (Buffer != NULL) && (Index <= Size / sizeof (CHAR16)); Index++) {
    Buffer[Index - 1] = (CHAR16)(Buffer[Index - 1] ^ (UINT16)(Index * 0xCB05));
  }
}

UINT64
EncodePassword (
  IN CONST HOOK_ARGS  *Args
  )
{
  if ((Args != NULL) && (Args->Count >= 2)) {
    EncodePasswordBuffer ((CHAR16 *)(UINTN)Args->Arg[0], (UINTN)Args->Arg[1]);
  }

  return 0;
}

// Board code listens for these moments: a null interface installed and at once removed.
EFI_STATUS
SetSystemAccess (
  IN UINT32  Level
  )
{
  UINT8  Value = (Level == ACCESS_LEVEL_USER) ? 1 : 0;

  gAccessLevel = Level;
  if (Level == 0) {
    return EFI_SUCCESS;
  }

  return gRT->SetVariable ((CHAR16 *)u"SystemAccess", &mSystemAccessGuid, EFI_VARIABLE_BOOTSERVICE_ACCESS,
                sizeof (Value), &Value);
}

VOID
DrawPasswordBox (
  IN  UINT16  PromptId,
  IN  UINT64  Width,
  OUT UINT64  *Column,
  OUT UINT64  *Row
  )
{
  CHAR16  *Prompt = HiiGetString (ENGINE_OWN_HII_HANDLE, PromptId, NULL);
  UINT64  Lines   = 1;
  UINT64  BoxRow;
  UINT64  BoxColumn;

  SetConsoleModeForScreen ();
  ClearGraphicsScreen ();
  FlushTextScreen ();
  if (Prompt != NULL) {
    UINT64  PromptCells = GetStringDisplayWidth (Prompt) / WIDTH_UNITS_PER_CELL + 6;
    Width = (PromptCells > Width) ? PromptCells : Width;
  }

  // The input line lies inside the box, a cell off each border: narrower, the line
  // would cover the right border and stick out past it.
  Width = (Width < PASSWORD_MAX_CHARS + 4) ? PASSWORD_MAX_CHARS + 4 : Width;

  if (Width >= gTextScreenColumns - 2) {
    Lines = (Width + gTextScreenColumns - 3) / (gTextScreenColumns - 2);
    Width = gTextScreenColumns - 2;
  }

  BoxRow    = (gTextScreenRows - 5) / 2;
  BoxColumn = (gTextScreenColumns - Width - 2) / 2;
  DrawBox (BoxColumn, BoxRow, Width, Lines + 4, BOX_ATTRIBUTE, TRUE, FALSE);
  if (Prompt != NULL) {
    // How many lines it took is not needed here.
    (VOID)PrintWrappedLines (BoxColumn + 2, BoxRow + 1, Width - 3, Lines, Prompt, BOX_ATTRIBUTE);
    FreePool (Prompt);
  }

  *Column = BoxColumn + 2;
  *Row    = BoxRow + Lines + 1;
  MarkRowsDirty (BoxRow, BoxRow + Lines + 3);
  FlushTextScreen ();
}

// Waits for one key; a modifier alone or no key in time is EFI_NOT_READY.
static EFI_STATUS
WaitPasswordKey (
  OUT KEY_CODE_DATA  *Key
  )
{
  // The wait is allowed only at the application level; dropping there also lets
  // pending timer notifications run before the read.
  EFI_TPL     CallerTpl = LowerToApplicationTpl ();
  EFI_STATUS  Status    = ReadKeyWithTimeout (Key);

  RestoreCallerTpl (CallerTpl);
  return Status;
}

VOID
ShowPasswordMessage (
  IN UINT64   Width,
  IN UINT16   StringId,
  IN UINT64   Column,
  IN UINT64   Row,
  IN BOOLEAN  WaitForEnter
  )
{
  CHAR16         *Text = HiiGetString (ENGINE_OWN_HII_HANDLE, StringId, NULL);
  KEY_CODE_DATA  Key;

  FillTextRect (Column, Row, Width, 1, BOX_ATTRIBUTE);
  if (Text != NULL) {
    PrintAt (Column + 1, Row, Text, BOX_ATTRIBUTE);
    FreePool (Text);
  }

  FlushTextScreen ();
  if (!WaitForEnter) {
    return;
  }

  for (;;) {
    EFI_STATUS  Status = WaitPasswordKey (&Key);
    if ((Status != EFI_NOT_READY) && (EFI_ERROR (Status) || (Key.Key.UnicodeChar == CHAR_CARRIAGE_RETURN))) {
      break;                // without a keyboard nobody can answer: do not wait for ever
    }
  }

  FillTextRect (Column, Row, Width, 1, BOX_ATTRIBUTE);
  FlushTextScreen ();
}

// One "*" per character held, spaces for the rest.
static VOID
ShowMaskedLine (
  IN UINTN   Held,
  IN UINTN   MaxChars,
  IN UINT64  Column,
  IN UINT64  Row
  )
{
  CHAR16  Line[TEXT_SCREEN_MAX_COLUMNS + 1];
  UINTN   Cells = (MaxChars > TEXT_SCREEN_MAX_COLUMNS) ? TEXT_SCREEN_MAX_COLUMNS : MaxChars;

  for (UINTN Index = 0; Index < Cells; Index++) {
    Line[Index] = (Index < Held) ? u'*' : u' ';
  }

  Line[Cells] = 0;
  PrintAt (Column, Row, Line, INPUT_ATTRIBUTE);
  FlushTextScreen ();
  if ((gST != NULL) && (gST->ConOut != NULL)) {
    // The cursor only helps the eye; a console without one still takes the entry.
    (VOID)gST->ConOut->SetCursorPosition (gST->ConOut, (UINTN)(Column + ((Held < Cells) ? Held : Cells - 1)), (UINTN)Row);
  }
}

static VOID
ResetConsoleInput (
  VOID
  )
{
  if ((gST != NULL) && (gST->ConIn != NULL)) {
    (VOID)gST->ConIn->Reset (gST->ConIn, FALSE);     // nothing typed before must count
  }
}

EFI_STATUS
ReadPasswordString (
  OUT CHAR16     *Buffer,
  IN  UINTN      MaxChars,
  IN  UINT64     Column,
  IN  UINT64     Row,
  IN  EFI_EVENT  TimeoutEvent OPTIONAL
  )
{
  UINTN          Held = 0;
  KEY_CODE_DATA  Key;
  EFI_STATUS     Status;

  if ((Buffer == NULL) || (MaxChars == 0)) {
    return EFI_INVALID_PARAMETER;
  }

  ZeroMem (Buffer, (MaxChars + 1) * sizeof (CHAR16));
  ShowMaskedLine (0, MaxChars, Column, Row);
  if ((gST != NULL) && (gST->ConOut != NULL)) {
    (VOID)gST->ConOut->EnableCursor (gST->ConOut, TRUE);     // a console without a cursor is typed on all the same
  }

  for (;;) {
    Status = WaitPasswordKey (&Key);
    if ((TimeoutEvent != NULL) && !EFI_ERROR (gBS->CheckEvent (TimeoutEvent))) {
      Status = EFI_TIMEOUT;
    } else if (Status == EFI_NOT_READY) {
      continue;
    } else if (!EFI_ERROR (Status) && (Key.Key.ScanCode == SCAN_ESCAPE)) {
      Status = EFI_ABORTED;
    }

    if (EFI_ERROR (Status)) {
      ResetConsoleInput ();
      ZeroMem (Buffer, (MaxChars + 1) * sizeof (CHAR16));
      ZeroMem (&Key, sizeof (Key));
      return Status;
    }

    if ((Key.Key.UnicodeChar == 0) && (Key.Key.ScanCode == 0)) {
      (VOID)HookFilterEditKey ();     // a notification: the board's answer decides nothing here
    } else if (Key.Key.UnicodeChar == CHAR_BACKSPACE) {
      Held = (Held > 0) ? Held - 1 : 0;
      Buffer[Held] = 0;
    } else if (Key.Key.UnicodeChar == CHAR_CARRIAGE_RETURN) {
      ZeroMem (&Key, sizeof (Key));
      ResetConsoleInput ();
      return EFI_SUCCESS;
    } else if ((Key.Key.UnicodeChar >= 32) && (Key.Key.UnicodeChar <= 126) && (Held < MaxChars)) {
      Buffer[Held++] = Key.Key.UnicodeChar;
    }

    ZeroMem (&Key, sizeof (Key));
    ShowMaskedLine (Held, MaxChars, Column, Row);
  }
}

/**
  The field an entry matches, as typed or encoded: 2 for the second (it wins), 1 for
  the first, 0 for none. An empty field holds no password and matches nothing, so an
  empty entry never opens a password that was not installed.
**/
static UINT32
MatchPassword (
  IN CONST CHAR16  *Entry
  )
{
  UINT8   *Record = NULL;
  UINTN   Size    = 0;
  CHAR16  Typed[SETUP_PASSWORD_FIELD_SIZE / sizeof (CHAR16)];
  CHAR16  Encoded[SETUP_PASSWORD_FIELD_SIZE / sizeof (CHAR16)];
  UINT32  Matched = 0;

  if (EFI_ERROR (GetPasswordRecord (&Record, &Size)) || (Size < SETUP_PASSWORD_RECORD_SIZE)) {
    FreeSecret (Record, Size);
    return 0;
  }

  ZeroMem (Typed, sizeof (Typed));
  CopyMem (Typed, Entry, StrnLenS (Entry, PASSWORD_MAX_CHARS) * sizeof (CHAR16));
  CopyMem (Encoded, Typed, sizeof (Typed));
  (VOID)HookEncodePassword (Encoded, sizeof (Encoded));     // the members' answer carries no status
  for (UINT32 Field = 1; Field <= 2; Field++) {
    CONST UINT8  *Stored = Record + (Field - 1) * SETUP_PASSWORD_FIELD_SIZE;
    if (IsPasswordFieldSet (Stored) &&
        ((CompareMem (Stored, Typed, sizeof (Typed)) == 0) || (CompareMem (Stored, Encoded, sizeof (Encoded)) == 0)))
    {
      Matched = Field;
    }
  }

  ZeroMem (Typed, sizeof (Typed));
  ZeroMem (Encoded, sizeof (Encoded));
  FreeSecret (Record, Size);
  return Matched;
}

// Reads entries until one Which accepts; answers the matched field, 0 when none.
static UINT32
AskForPassword (
  IN     UINT32  Which,
  IN OUT UINT32  *Attempts,
  IN     UINT64  Width,
  IN     UINT64  Column,
  IN     UINT64  Row
  )
{
  CHAR16      *Entry = (CHAR16 *)AllocateZeroPool ((PASSWORD_MAX_CHARS + 1) * sizeof (CHAR16));
  UINT32      Matched = 0;
  EFI_STATUS  Status;

  while ((Entry != NULL) && (*Attempts > 0)) {
    Status = ReadPasswordString (Entry, PASSWORD_MAX_CHARS, Column, Row, NULL);
    if (Status == EFI_ABORTED) {
      continue;
    }

    if (EFI_ERROR (Status)) {
      break;                          // a time-out, or no keyboard: no level
    }

    Matched = MatchPassword (Entry);
    if ((Matched != 0) && ((Which & (1u << (Matched - 1))) != 0)) {
      break;
    }

    Matched = 0;
    ShowPasswordMessage (Width, STR_INVALID_PASSWORD, Column - 1, Row + 3, (BOOLEAN)(*Attempts > 1));
    *Attempts = *Attempts - 1;
  }

  FreeSecret (Entry, (PASSWORD_MAX_CHARS + 1) * sizeof (CHAR16));
  return Matched;
}

static UINT64
PasswordBoxWidth (
  VOID
  )
{
  CHAR16  *Invalid = HiiGetString (ENGINE_OWN_HII_HANDLE, STR_INVALID_PASSWORD, NULL);
  UINT64  Width    = (Invalid != NULL) ? GetStringDisplayWidth (Invalid) / WIDTH_UNITS_PER_CELL : 0;

  FreePool (Invalid);
  return (Width > PASSWORD_MIN_BOX_WIDTH) ? Width : PASSWORD_MIN_BOX_WIDTH;
}

UINT32
PasswordPrompt (
  IN     UINT32  Which,
  IN OUT UINT32  *Attempts
  )
{
  TEXT_SCREEN_BUFFER  *Saved;
  UINT64              Width  = PasswordBoxWidth ();
  UINT64              Column = 0;
  UINT64              Row    = 0;
  UINT32              Matched;
  UINT32              Level  = 0;
  UINT32              NoAttempts = 0;

  Attempts = (Attempts != NULL) ? Attempts : &NoAttempts;
  // The groups only inform board code; a signal nobody can receive changes nothing here.
  (VOID)SignalProtocolNotify (&mPromptStartGroup);
  (VOID)ReportStatusCode (EFI_PROGRESS_CODE, PASSWORD_PROGRESS_CODE);     // reporting is best effort
  (VOID)HookPostKeyPoll (0, 0);
  ResetConsoleInput ();
  Saved = SaveTextScreen ();
  DrawPasswordBox (STR_ENTER_PASSWORD, Width, &Column, &Row);
  Matched = AskForPassword (Which, Attempts, Width, Column, Row);
  if (Matched != 0) {
    ClearTextScreen ();
    FlushTextScreen ();
    Level = ((Which & PASSWORD_FIELD_SECOND) != 0) ? Matched : 2;
    // The level holds for this boot whether or not the variable could be written.
    (VOID)SetSystemAccess (Level);
    (VOID)SignalProtocolNotify ((Level == 1) ? &mUserLevelGroup : &mFullLevelGroup);
  } else if (*Attempts == 0) {
    (VOID)SignalProtocolNotify (&mAllFailedGroup);
    (VOID)ReportStatusCode (EFI_ERROR_CODE | EFI_ERROR_MAJOR, PASSWORD_ERROR_CODE);
    ShowPasswordMessage (Width, STR_INVALID_PASSWORD, Column - 1, Row + 3, FALSE);
  }

  // The groups only inform board code; a signal no one receives changes nothing.
  (VOID)SignalProtocolNotify (&mPromptEndGroup);
  RestoreTextScreen (Saved);
  return Level;
}
