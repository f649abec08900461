/** @file
  The flush of the text screen: the dirty rows that differ from the console image
  are sent to the console with as few calls as the run rules allow.

  A row is cut into runs of equal attribute. A run shorter than 11 cells is sent
  whole; in a longer one only the changed stretch goes, and unchanged stretches of
  11 cells or more are skipped, because a cursor move costs less than sending them.
  Attribute and cursor calls are made only when the console's state differs. The
  very last cell of the screen is never written, so the console never scrolls, and
  a wide character is never split from its second cell.
**/
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>

#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/SimpleTextOut.h>

#define SHORT_RUN_CELLS  11
#define UNKNOWN_STATE    (~(UINT64)0)

typedef struct {
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL  *Out;
  CHAR16                           *Line;          // columns + 1 characters
  UINT64                           CursorColumn;   // where the console's cursor is, or UNKNOWN_STATE
  UINT64                           CursorRow;
  UINT64                           Attribute;      // the last attribute set, or UNKNOWN_STATE
} FLUSH_STATE;

static UINT64
CellIndex (
  IN UINT64  Row,
  IN UINT64  Column
  )
{
  return Row * gTextScreenColumns + Column;
}

// Cells a row may write: all but the very last cell of the screen.
static UINT64
RowLimit (
  IN UINT64  Row
  )
{
  return (Row + 1 == gTextScreenRows) ? gTextScreenColumns - 1 : gTextScreenColumns;
}

// One unit of a run: a wide character with its second cell, else one cell.
static UINT64
UnitSpan (
  IN UINT64  Row,
  IN UINT64  Column,
  IN UINT64  End
  )
{
  return ((Column + 1 < End) && IsWideChar (gTextScreen->Chars[CellIndex (Row, Column)])) ? 2 : 1;
}

static BOOLEAN
CellsDiffer (
  IN UINT64  Row,
  IN UINT64  Column,
  IN UINT64  Count
  )
{
  UINT64  Cell = CellIndex (Row, Column);

  return (BOOLEAN)((CompareMem (&gTextScreen->Attributes[Cell], &gTextScreenShown->Attributes[Cell], (UINTN)Count) != 0) ||
                   (CompareMem (&gTextScreen->Chars[Cell], &gTextScreenShown->Chars[Cell], (UINTN)Count * sizeof (CHAR16)) != 0));
}

// Sends the cells [Start, End) of Row; a wide character's second cell is not sent.
static VOID
WritePiece (
  IN OUT FLUSH_STATE  *State,
  IN     UINT64       Row,
  IN     UINT64       Start,
  IN     UINT64       End
  )
{
  UINT64  Attribute = gTextScreen->Attributes[CellIndex (Row, Start)];
  UINT64  Used      = 0;
  UINT64  Column    = Start;
  CHAR16  Char;

  while (Column < End) {
    Char = gTextScreen->Chars[CellIndex (Row, Column)];
    if (IsWideChar (Char)) {
      if (Column + 1 >= End) {
        break;          // its second cell would be the screen's last
      }

      Column++;
    }

    State->Line[Used++] = Char;
    Column++;
  }

  State->Line[Used] = 0;
  if (Used == 0) {
    return;
  }

  if (State->Attribute != Attribute) {
    (VOID)State->Out->SetAttribute (State->Out, (UINTN)Attribute);   // the text still goes out
    State->Attribute = Attribute;
  }

  if ((State->CursorColumn != Start) || (State->CursorRow != Row)) {
    // The next string goes where the console's cursor is; a refusal only shifts it.
    (VOID)State->Out->SetCursorPosition (State->Out, (UINTN)Start, (UINTN)Row);
  }

  (VOID)State->Out->OutputString (State->Out, State->Line);   // nothing to retry with
  State->CursorRow    = Row;
  State->CursorColumn = (Column < gTextScreenColumns) ? Column : UNKNOWN_STATE;   // a full row wraps
}

static VOID
FlushRun (
  IN OUT FLUSH_STATE  *State,
  IN     UINT64       Row,
  IN     UINT64       Start,
  IN     UINT64       End
  )
{
  UINT64  PieceStart = UNKNOWN_STATE;
  UINT64  PieceEnd   = Start;
  UINT64  Span;

  if (End - Start < SHORT_RUN_CELLS) {
    WritePiece (State, Row, Start, End);
    return;
  }

  for (UINT64 Column = Start; Column < End; Column += Span) {
    Span = UnitSpan (Row, Column, End);
    if (!CellsDiffer (Row, Column, Span)) {
      continue;
    }

    if (PieceStart == UNKNOWN_STATE) {
      PieceStart = (Column - Start < SHORT_RUN_CELLS) ? Start : Column;
    } else if (Column - PieceEnd >= SHORT_RUN_CELLS) {
      WritePiece (State, Row, PieceStart, PieceEnd);
      PieceStart = Column;
    }

    PieceEnd = Column + Span;
  }

  if (PieceStart != UNKNOWN_STATE) {
    WritePiece (State, Row, PieceStart, (End - PieceEnd < SHORT_RUN_CELLS) ? End : PieceEnd);
  }
}

static VOID
FlushRow (
  IN OUT FLUSH_STATE  *State,
  IN     UINT64       Row
  )
{
  UINT64  Limit  = RowLimit (Row);
  UINT64  Column = 0;
  UINT64  Start;
  UINT8   Attribute;

  while (Column < Limit) {
    Start     = Column;
    Attribute = gTextScreen->Attributes[CellIndex (Row, Column)];
    while ((Column < Limit) && (gTextScreen->Attributes[CellIndex (Row, Column)] == Attribute)) {
      Column += UnitSpan (Row, Column, Limit);
    }

    FlushRun (State, Row, Start, Column);
  }
}

//
// Without a line buffer each cell goes alone: cursor to the row's start, then every
// character with the attribute set whenever it changes.
//
static VOID
RedrawRowsCellByCell (
  IN EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL  *Out,
  IN UINT64                           First,
  IN UINT64                           Last
  )
{
  UINT64  Attribute = UNKNOWN_STATE;
  CHAR16  One[2]    = { 0, 0 };
  UINT64  Cell;

  for (UINT64 Row = First; Row <= Last; Row++) {
    (VOID)Out->SetCursorPosition (Out, 0, (UINTN)Row);    // best effort: the console is all there is
    for (UINT64 Column = 0; Column < RowLimit (Row); Column++) {
      Cell = CellIndex (Row, Column);
      if (gTextScreen->Attributes[Cell] != Attribute) {
        Attribute = gTextScreen->Attributes[Cell];
        (VOID)Out->SetAttribute (Out, (UINTN)Attribute);
      }

      One[0] = gTextScreen->Chars[Cell];
      (VOID)Out->OutputString (Out, One);     // a console that cannot show a character leaves the cell blank
      Column += (IsWideChar (One[0]) && (Column + 1 < RowLimit (Row))) ? 1 : 0;
    }
  }
}

VOID
FlushTextScreen (
  VOID
  )
{
  FLUSH_STATE  State = { NULL, NULL, UNKNOWN_STATE, UNKNOWN_STATE, UNKNOWN_STATE };
  UINT64       First = gDirtyFirstRow;
  UINT64       Last  = gDirtyLastRow;
  BOOLEAN      CursorOff = FALSE;

  if ((First == TEXT_NO_DIRTY_ROW) || (Last == TEXT_NO_DIRTY_ROW) || (gST == NULL) || (gST->ConOut == NULL) ||
      (gTextScreen == NULL) || (gTextScreenShown == NULL))
  {
    return;
  }

  gDirtyFirstRow = gDirtyLastRow = TEXT_NO_DIRTY_ROW;
  if (First > Last) {
    UINT64  Swap = First;
    First = Last;
    Last  = Swap;
  }

  if (First >= gTextScreenRows) {
    return;                 // nothing of the range is on the screen
  }

  Last      = (Last >= gTextScreenRows) ? gTextScreenRows - 1 : Last;
  State.Out  = gST->ConOut;
  State.Line = (CHAR16 *)AllocateZeroPool ((UINTN)(gTextScreenColumns + 1) * sizeof (CHAR16));
  if (State.Line == NULL) {
    RedrawRowsCellByCell (State.Out, First, Last);
  }

  for (UINT64 Row = First; (State.Line != NULL) && (Row <= Last); Row++) {
    if (!CellsDiffer (Row, 0, gTextScreenColumns)) {
      continue;
    }

    if (!CursorOff) {
      (VOID)State.Out->EnableCursor (State.Out, FALSE);   // not every console has a cursor to hide
      CursorOff = TRUE;
    }

    FlushRow (&State, Row);
  }

  CopyMem (&gTextScreenShown->Attributes[CellIndex (First, 0)], &gTextScreen->Attributes[CellIndex (First, 0)],
    (UINTN)((Last - First + 1) * gTextScreenColumns));
  CopyMem (&gTextScreenShown->Chars[CellIndex (First, 0)], &gTextScreen->Chars[CellIndex (First, 0)],
    (UINTN)((Last - First + 1) * gTextScreenColumns * sizeof (CHAR16)));
  FreePool (State.Line);
}
