/** @file
  The text screen's side of the console: the mode choice, the engine's key reader,
  timer events, and the POST message window in which boot messages scroll.
**/
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/SimpleTextOut.h>

#define KEY_WAIT_TIMEOUT       500000     // 50 ms in 100-ns units
#define MAX_DRAINED_KEYS       1024       // a key source that never runs dry must not hold the engine

POST_MESSAGE_WINDOW  gPostWindow       = { 0, TEXT_SCREEN_MAX_ROWS, TEXT_SCREEN_MAX_COLUMNS, FALSE };
UINT64               gPostCursorColumn = 0;
UINT64               gPostCursorRow    = 0;

static EFI_GUID  mKeyCodeGuid = KEY_CODE_PROTOCOL_GUID;

EFI_STATUS
CreateTimerEvent (
  OUT EFI_EVENT         *Event,
  IN  EFI_EVENT_NOTIFY  NotifyFunction OPTIONAL,
  IN  VOID              *Context OPTIONAL,
  IN  EFI_TIMER_DELAY   TimerType,
  IN  UINT64            TriggerTime,
  IN  EFI_TPL           Tpl
  )
{
  EFI_STATUS  Status;
  UINT32      Type = EVT_TIMER | ((NotifyFunction != NULL) ? EVT_NOTIFY_SIGNAL : 0);

  Status = gBS->CreateEvent (Type, Tpl, NotifyFunction, Context, Event);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Status = gBS->SetTimer (*Event, TimerType, TriggerTime);
  if (EFI_ERROR (Status)) {
    CloseEventAndClear (Event);
  }

  return Status;
}

VOID
CloseEventAndClear (
  IN OUT EFI_EVENT  *Event
  )
{
  if ((Event != NULL) && (*Event != NULL)) {
    (VOID)gBS->CloseEvent (*Event);   // a stale event is forgotten either way
    *Event = NULL;
  }
}

static VOID
SetScreenSize (
  IN UINT64  Columns,
  IN UINT64  Rows
  )
{
  if ((Columns == gTextScreenColumns) && (Rows == gTextScreenRows)) {
    return;
  }

  // The cells are laid out by the column count: what was drawn before no longer fits.
  gTextScreenColumns = Columns;
  gTextScreenRows    = Rows;
  InitScreenBuffer ();
  if (gTextScreenShown != NULL) {
    ZeroMem (gTextScreenShown, sizeof (TEXT_SCREEN_BUFFER));
  }
}

//
// Looks for 100 x 31 every time, so that a console that arrives later with that
// mode is used; without one the screen is 80 x 24 on mode 0.
//
VOID
SetConsoleModeForScreen (
  VOID
  )
{
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL  *Out;
  UINTN                            Columns;
  UINTN                            Rows;

  if ((gST == NULL) || (gST->ConOut == NULL) || (gST->ConOut->Mode == NULL)) {
    return;
  }

  Out = gST->ConOut;
  (VOID)Out->Reset (Out, FALSE);       // a console that cannot reset still takes a mode
  for (INT32 Mode = 0; Mode < Out->Mode->MaxMode; Mode++) {
    if (EFI_ERROR (Out->QueryMode (Out, (UINTN)Mode, &Columns, &Rows)) ||
        (Columns != TEXT_SCREEN_MAX_COLUMNS) || (Rows != TEXT_SCREEN_MAX_ROWS))
    {
      continue;
    }

    if (!EFI_ERROR (Out->SetMode (Out, (UINTN)Mode))) {
      SetScreenSize (TEXT_SCREEN_MAX_COLUMNS, TEXT_SCREEN_MAX_ROWS);
      return;
    }

    break;
  }

  SetScreenSize (TEXT_SCREEN_SMALL_COLUMNS, TEXT_SCREEN_SMALL_ROWS);
  (VOID)Out->SetMode (Out, 0);       // mode 0 is 80 x 25 on every console
}

EFI_STATUS
OpenConsoleKeySource (
  OUT CONSOLE_KEY_SOURCE  *Source
  )
{
  ZeroMem (Source, sizeof (*Source));
  if ((gST == NULL) || (gST->ConsoleInHandle == NULL)) {
    return EFI_NOT_READY;
  }

  if (!EFI_ERROR (gBS->HandleProtocol (gST->ConsoleInHandle, &mKeyCodeGuid, (VOID **)&Source->KeyCode)) &&
      (Source->KeyCode != NULL))
  {
    return EFI_SUCCESS;
  }

  Source->KeyCode = NULL;
  if (!EFI_ERROR (gBS->HandleProtocol (gST->ConsoleInHandle, &gEfiSimpleTextInputExProtocolGuid, (VOID **)&Source->InputEx)) &&
      (Source->InputEx != NULL))
  {
    return EFI_SUCCESS;
  }

  Source->InputEx = NULL;
  Source->Input   = gST->ConIn;
  return (Source->Input != NULL) ? EFI_SUCCESS : EFI_NOT_READY;
}

EFI_EVENT
ConsoleKeyEvent (
  IN CONST CONSOLE_KEY_SOURCE  *Source
  )
{
  if (Source->KeyCode != NULL) {
    return Source->KeyCode->WaitForKeyCode;
  }

  return (Source->InputEx != NULL) ? Source->InputEx->WaitForKeyEx : Source->Input->WaitForKey;
}

BOOLEAN
IsModifierOnlyKey (
  IN CONST KEY_CODE_DATA  *Record
  )
{
  return (BOOLEAN)(((Record->KeyState.KeyToggleState & EFI_KEY_STATE_EXPOSED) != 0) &&
                   (Record->Key.ScanCode == SCAN_NULL) && (Record->Key.UnicodeChar == CHAR_NULL));
}

// One record as the source gives it, a modifier alone included.
static EFI_STATUS
ReadRawKey (
  IN  CONST CONSOLE_KEY_SOURCE  *Source,
  OUT KEY_CODE_DATA             *Record
  )
{
  EFI_KEY_DATA  KeyData;
  EFI_STATUS    Status;

  ZeroMem (Record, sizeof (*Record));
  if (Source->KeyCode != NULL) {
    return Source->KeyCode->ReadKeyCode (Source->KeyCode, Record);
  }

  if (Source->InputEx == NULL) {
    return Source->Input->ReadKeyStroke (Source->Input, &Record->Key);
  }

  ZeroMem (&KeyData, sizeof (KeyData));
  Status           = Source->InputEx->ReadKeyStrokeEx (Source->InputEx, &KeyData);
  Record->Key      = KeyData.Key;
  Record->KeyState = KeyData.KeyState;
  return Status;
}

EFI_STATUS
ReadConsoleKey (
  IN  CONST CONSOLE_KEY_SOURCE  *Source,
  OUT KEY_CODE_DATA             *Record
  )
{
  EFI_STATUS  Status = ReadRawKey (Source, Record);

  if (EFI_ERROR (Status)) {
    return Status;
  }

  // Input-ex and simple input tell a modifier alone as a key of neither scan code nor
  // character, without the exposed state the key-code input marks it with.
  if ((Source->KeyCode != NULL) ? IsModifierOnlyKey (Record) :
      ((Record->Key.ScanCode == SCAN_NULL) && (Record->Key.UnicodeChar == CHAR_NULL)))
  {
    return EFI_NOT_READY;
  }

  return EFI_SUCCESS;
}

EFI_STATUS
ReadKeyWithTimeout (
  OUT KEY_CODE_DATA  *KeyRecord
  )
{
  CONSOLE_KEY_SOURCE  Source;
  KEY_CODE_DATA       Dropped;
  EFI_EVENT           Events[2] = { NULL, NULL };
  UINTN               Index     = 0;
  EFI_STATUS          Status;

  Status = OpenConsoleKeySource (&Source);
  if (!EFI_ERROR (Status)) {
    Status = CreateTimerEvent (&Events[1], NULL, NULL, TimerRelative, KEY_WAIT_TIMEOUT, TPL_CALLBACK);
  }

  if (EFI_ERROR (Status)) {
    return Status;
  }

  Events[0] = ConsoleKeyEvent (&Source);
  Status    = gBS->WaitForEvent (2, Events, &Index);
  CloseEventAndClear (&Events[1]);
  if (EFI_ERROR (Status) || (Index == 1)) {
    return EFI_ERROR (Status) ? Status : EFI_NOT_READY;
  }

  Status = ReadConsoleKey (&Source, KeyRecord);

  // Keys typed ahead are dropped, so a held key does not run on after its release.
  for (UINTN Count = 0; Count < MAX_DRAINED_KEYS; Count++) {
    if (EFI_ERROR (ReadRawKey (&Source, &Dropped))) {
      break;
    }
  }

  return Status;
}

//
// The POST message window.
//

static VOID
CopyRowCells (
  IN UINT64  ToRow,
  IN UINT64  FromRow,
  IN UINT64  Columns
  )
{
  UINT64  To   = ToRow * gTextScreenColumns;
  UINT64  From = FromRow * gTextScreenColumns;

  CopyMem (&gTextScreen->Chars[To], &gTextScreen->Chars[From], (UINTN)Columns * sizeof (CHAR16));
  CopyMem (&gTextScreen->Attributes[To], &gTextScreen->Attributes[From], (UINTN)Columns);
}

static VOID
ClampPostWindow (
  VOID
  )
{
  gPostWindow.BottomLimit = (gPostWindow.BottomLimit > gTextScreenRows) ? gTextScreenRows : gPostWindow.BottomLimit;
  gPostWindow.RightLimit  = (gPostWindow.RightLimit > gTextScreenColumns) ? gTextScreenColumns : gPostWindow.RightLimit;
  gPostWindow.TopRow      = (gPostWindow.TopRow >= gPostWindow.BottomLimit) ? gPostWindow.BottomLimit - 1 : gPostWindow.TopRow;
}

VOID
ScrollPostWindow (
  VOID
  )
{
  ClampPostWindow ();
  if (gTextScreen == NULL) {
    return;
  }

  for (UINT64 Row = gPostWindow.TopRow; Row + 1 < gPostWindow.BottomLimit; Row++) {
    CopyRowCells (Row, Row + 1, gPostWindow.RightLimit);
  }

  FillTextRect (0, gPostWindow.BottomLimit - 1, gPostWindow.RightLimit, 1, TEXT_DEFAULT_ATTRIBUTE);
  MarkRowsDirty (gPostWindow.TopRow, gPostWindow.BottomLimit - 1);
}

//
// The lines already written, up to the cursor's row, move with the window's top;
// when the new window has fewer rows than they take, the newest lines stay.
//
VOID
OpenPostWindow (
  IN UINT64  Row
  )
{
  TEXT_SCREEN_BUFFER  *Old;
  UINT64              Used;
  UINT64              Skip;

  ClampPostWindow ();
  Row  = (Row >= gPostWindow.BottomLimit) ? gPostWindow.BottomLimit - 1 : Row;
  Used = (gPostCursorRow > gPostWindow.TopRow) ? gPostCursorRow - gPostWindow.TopRow + 1 : 1;
  Used = (Used > gPostWindow.BottomLimit - gPostWindow.TopRow) ? gPostWindow.BottomLimit - gPostWindow.TopRow : Used;
  Skip = (Used > gPostWindow.BottomLimit - Row) ? Used - (gPostWindow.BottomLimit - Row) : 0;
  Old  = (Row != gPostWindow.TopRow) ? SaveTextScreen () : NULL;
  for (UINT64 Line = Skip; (Old != NULL) && (Line < Used); Line++) {
    UINT64  To   = (Row + Line - Skip) * gTextScreenColumns;
    UINT64  From = (gPostWindow.TopRow + Line) * gTextScreenColumns;
    CopyMem (&gTextScreen->Chars[To], &Old->Chars[From], (UINTN)gPostWindow.RightLimit * sizeof (CHAR16));
    CopyMem (&gTextScreen->Attributes[To], &Old->Attributes[From], (UINTN)gPostWindow.RightLimit);
  }

  FreePool (Old);
  gPostCursorRow     = Row + Used - 1 - Skip;
  gPostWindow.TopRow = Row;
  gPostWindow.IsOpen = TRUE;
  MarkRowsDirty (Row, gPostWindow.BottomLimit - 1);
  FlushTextScreen ();
}

VOID
ResizePostWindow (
  IN UINT64  Columns
  )
{
  UINT64  Old = gPostWindow.RightLimit;

  gPostWindow.RightLimit = Columns;
  ClampPostWindow ();
  if (gPostWindow.RightLimit < Old) {
    FillTextRect (gPostWindow.RightLimit, gPostWindow.TopRow, Old - gPostWindow.RightLimit,
      gPostWindow.BottomLimit - gPostWindow.TopRow, TEXT_DEFAULT_ATTRIBUTE);
  }

  gPostCursorColumn = (gPostCursorColumn > gPostWindow.RightLimit) ? gPostWindow.RightLimit : gPostCursorColumn;
}

// Prints Length characters of Line at the cursor, cut at the window's right limit.
static VOID
PrintPostLine (
  IN CONST CHAR16  *Line,
  IN UINT64        Length
  )
{
  UINT64  Room = (gPostCursorColumn < gPostWindow.RightLimit) ? gPostWindow.RightLimit - gPostCursorColumn : 0;
  UINT64  Fit  = CountCharsThatFit (Line, Room);
  CHAR16  *Cut;

  Fit = (Fit > Length) ? Length : Fit;
  Cut = (CHAR16 *)AllocateZeroPool ((UINTN)(Fit + 1) * sizeof (CHAR16));
  if (Cut == NULL) {
    return;
  }

  CopyMem (Cut, Line, (UINTN)Fit * sizeof (CHAR16));
  PrintAt (gPostCursorColumn, gPostCursorRow, Cut, 0);
  gPostCursorColumn += GetTextCellCount (Cut);
  FreePool (Cut);
}

// Moves the cursor to the next line's start; FALSE when it would leave a window that may not scroll.
static BOOLEAN
PostNewLine (
  IN BOOLEAN  Scroll
  )
{
  gPostCursorColumn = 0;
  if (gPostCursorRow + 1 < gPostWindow.BottomLimit) {
    gPostCursorRow++;
    return TRUE;
  }

  if (Scroll) {
    ScrollPostWindow ();
    return TRUE;
  }

  return FALSE;
}

VOID
PostWindowPrint (
  IN CONST CHAR16  *String,
  IN BOOLEAN       Scroll
  )
{
  CONST CHAR16  *End;
  UINT64        FirstRow;

  ClampPostWindow ();
  if ((String == NULL) || (gTextScreen == NULL)) {
    return;
  }

  gPostCursorRow = (gPostCursorRow < gPostWindow.TopRow) ? gPostWindow.TopRow : gPostCursorRow;
  gPostCursorRow = (gPostCursorRow >= gPostWindow.BottomLimit) ? gPostWindow.BottomLimit - 1 : gPostCursorRow;
  FirstRow       = gPostCursorRow;
  while (*String != 0) {
    for (End = String; (*End != 0) && (*End != CHAR_CARRIAGE_RETURN) && (*End != CHAR_LINEFEED); End++) {
    }

    PrintPostLine (String, (UINT64)(End - String));

    if (*End == 0) {
      break;
    }

    // CR, LF, CR LF and LF CR each end one line.
    String = End + (((End[1] == CHAR_CARRIAGE_RETURN) || (End[1] == CHAR_LINEFEED)) && (End[1] != End[0]) ? 2 : 1);
    if (!PostNewLine (Scroll)) {
      break;              // a window that may not scroll keeps its last line
    }
  }

  if (gPostWindow.IsOpen) {
    MarkRowsDirty ((FirstRow < gPostWindow.TopRow) ? gPostWindow.TopRow : FirstRow, gPostWindow.BottomLimit - 1);
    FlushTextScreen ();
  }
}
