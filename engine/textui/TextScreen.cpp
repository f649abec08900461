/** @file
  The two text-screen buffers and the drawing primitives over the drawing buffer.

  Every primitive clips to the current screen size, so a string or box that reaches
  past the right edge or the last row loses those cells instead of writing past the
  buffer or into the next row; each marks the rows it touched for the next flush.
**/
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/SimpleTextOut.h>

#define BOX_TOP_LEFT      0x250C
#define BOX_TOP_RIGHT     0x2510
#define BOX_BOTTOM_LEFT   0x2514
#define BOX_BOTTOM_RIGHT  0x2518
#define BOX_HORIZONTAL    0x2500
#define BOX_VERTICAL      0x2502
#define PUT_CHAR_ATTRIBUTE  0x0F
#define SHADOW_ATTRIBUTE    0x08     // dark grey on black

UINT64                        gTextScreenRows    = TEXT_SCREEN_MAX_ROWS;
UINT64                        gTextScreenColumns = TEXT_SCREEN_MAX_COLUMNS;
TEXT_SCREEN_BUFFER            *gTextScreen       = NULL;
TEXT_SCREEN_BUFFER            *gTextScreenShown  = NULL;
UINT64                        gDirtyFirstRow     = TEXT_NO_DIRTY_ROW;
UINT64                        gDirtyLastRow      = TEXT_NO_DIRTY_ROW;
EFI_GRAPHICS_OUTPUT_PROTOCOL  *gGraphicsOutput   = NULL;

EFI_STATUS
AllocateScreenBuffers (
  VOID
  )
{
  FreeScreenBuffers ();
  gTextScreenShown = (TEXT_SCREEN_BUFFER *)AllocateZeroPool (sizeof (TEXT_SCREEN_BUFFER));
  gTextScreen      = (TEXT_SCREEN_BUFFER *)AllocateZeroPool (sizeof (TEXT_SCREEN_BUFFER));
  if ((gTextScreenShown == NULL) || (gTextScreen == NULL)) {
    FreeScreenBuffers ();
    return EFI_OUT_OF_RESOURCES;
  }

  InitScreenBuffer ();
  return EFI_SUCCESS;
}

VOID
FreeScreenBuffers (
  VOID
  )
{
  FreeAndNull (gTextScreenShown);
  FreeAndNull (gTextScreen);
  gDirtyFirstRow = TEXT_NO_DIRTY_ROW;
  gDirtyLastRow  = TEXT_NO_DIRTY_ROW;
}

static VOID
BlankBuffer (
  OUT TEXT_SCREEN_BUFFER  *Buffer
  )
{
  Buffer->Signature = TEXT_SCREEN_LIVE_SIGNATURE;
  SetMem (Buffer->Attributes, sizeof (Buffer->Attributes), TEXT_DEFAULT_ATTRIBUTE);
  for (UINTN Index = 0; Index < TEXT_SCREEN_MAX_CELLS; Index++) {
    Buffer->Chars[Index] = u' ';
  }
}

VOID
InitScreenBuffer (
  VOID
  )
{
  if (gTextScreen != NULL) {
    BlankBuffer (gTextScreen);
  }
}

VOID
MarkRowsDirty (
  IN UINT64  FirstRow,
  IN UINT64  LastRow
  )
{
  if ((gDirtyFirstRow == TEXT_NO_DIRTY_ROW) || (FirstRow < gDirtyFirstRow)) {
    gDirtyFirstRow = FirstRow;
  }

  if ((gDirtyLastRow == TEXT_NO_DIRTY_ROW) || (LastRow > gDirtyLastRow)) {
    gDirtyLastRow = LastRow;
  }
}

//
// The console is blanked with attribute 7 too, so the console image is blanked the
// same way: the next flush then sends only what is drawn after the clear.
//
VOID
ClearTextScreen (
  VOID
  )
{
  InitScreenBuffer ();
  if ((gST != NULL) && (gST->ConOut != NULL)) {
    (VOID)gST->ConOut->EnableCursor (gST->ConOut, FALSE);   // a console without a cursor still clears
    (VOID)gST->ConOut->SetAttribute (gST->ConOut, TEXT_DEFAULT_ATTRIBUTE);
    if (!EFI_ERROR (gST->ConOut->ClearScreen (gST->ConOut)) && (gTextScreenShown != NULL)) {
      BlankBuffer (gTextScreenShown);
    }
  }

  MarkRowsDirty (0, gTextScreenRows - 1);
}

TEXT_SCREEN_BUFFER *
SaveTextScreen (
  VOID
  )
{
  TEXT_SCREEN_BUFFER  *Copy;

  if (gTextScreen == NULL) {
    return NULL;
  }

  Copy = (TEXT_SCREEN_BUFFER *)AllocateCopyPool (sizeof (TEXT_SCREEN_BUFFER), gTextScreen);
  if (Copy != NULL) {
    Copy->Signature = TEXT_SCREEN_SAVED_SIGNATURE;
  }

  return Copy;
}

VOID
RestoreTextScreen (
  IN TEXT_SCREEN_BUFFER  *Saved
  )
{
  if ((Saved == NULL) || (Saved->Signature != TEXT_SCREEN_SAVED_SIGNATURE) || (gTextScreen == NULL) ||
      (gTextScreenShown == NULL))
  {
    return;
  }

  // The zeroed console image differs from every row, so the flush sends them all.
  ZeroMem (gTextScreenShown, sizeof (TEXT_SCREEN_BUFFER));
  CopyMem (gTextScreen, Saved, sizeof (TEXT_SCREEN_BUFFER));
  gTextScreen->Signature = TEXT_SCREEN_LIVE_SIGNATURE;
  ZeroMem (Saved, sizeof (TEXT_SCREEN_BUFFER));
  FreePool (Saved);
  MarkRowsDirty (0, gTextScreenRows - 1);
  FlushTextScreen ();
}

// Writes one cell when it is on the screen; a zero attribute keeps the cell's own.
static VOID
SetCell (
  IN UINT64  Column,
  IN UINT64  Row,
  IN CHAR16  Character,
  IN UINT8   Attribute
  )
{
  UINT64  Cell;

  if ((gTextScreen == NULL) || (Column >= gTextScreenColumns) || (Row >= gTextScreenRows)) {
    return;
  }

  Cell = Row * gTextScreenColumns + Column;
  gTextScreen->Chars[Cell] = Character;
  if (Attribute != 0) {
    gTextScreen->Attributes[Cell] = Attribute;
  }
}

static VOID
SetCellAttribute (
  IN UINT64  Column,
  IN UINT64  Row,
  IN UINT8   Attribute
  )
{
  if ((gTextScreen != NULL) && (Column < gTextScreenColumns) && (Row < gTextScreenRows)) {
    gTextScreen->Attributes[Row * gTextScreenColumns + Column] = Attribute;
  }
}

//
// The attribute fill covers the cells the string shows (colour escapes and glyph
// marks take none), so the cells after the text keep their own attributes.
//
VOID
PrintAt (
  IN UINT64        Column,
  IN UINT64        Row,
  IN CONST CHAR16  *String,
  IN UINT8         Attribute
  )
{
  UINT8   Current = Attribute;
  UINT8   Fields[3];
  UINT64  Cells;
  UINT64  Skip;

  if ((gTextScreen == NULL) || (String == NULL) || (Row >= gTextScreenRows) || (Column >= gTextScreenColumns) ||
      ((Cells = GetTextCellCount (String)) == 0))
  {
    return;
  }

  for (UINT64 Index = 0; (Attribute != 0) && (Index < Cells); Index++) {
    SetCellAttribute (Column + Index, Row, Attribute);
  }

  for (; (*String != 0) && (Column < gTextScreenColumns); String++) {
    if ((*String == TEXT_NARROW_GLYPH_MARK) || (*String == TEXT_WIDE_GLYPH_MARK)) {
      continue;
    }

    Skip = ParseAnsiEscape (String, &Fields[0], &Fields[1], &Fields[2]);
    if (Skip != 0) {
      Current = ApplyAnsiEscape (Current, Fields[0], Fields[1], Fields[2]);
      String += Skip;
      continue;
    }

    Cells = IsWideChar (*String) ? 2 : 1;
    if (Column + Cells > gTextScreenColumns) {
      break;        // a wide character is never split at the right edge
    }

    SetCell (Column, Row, *String, Current);
    if ((Cells == 2) && (Current != 0)) {
      SetCellAttribute (Column + 1, Row, Current);
    }

    Column += Cells;
  }

  MarkRowsDirty (Row, Row);
}

VOID
PrintCut (
  IN UINT64        Column,
  IN UINT64        Row,
  IN CONST CHAR16  *String,
  IN UINT64        Cells,
  IN UINT8         Attribute
  )
{
  UINT64  Fit  = CountCharsThatFit (String, Cells);
  CHAR16  *Cut = (CHAR16 *)AllocateZeroPool ((UINTN)(Fit + 1) * sizeof (CHAR16));

  if (Cut == NULL) {
    return;
  }

  CopyMem (Cut, String, (UINTN)Fit * sizeof (CHAR16));
  PrintAt (Column, Row, Cut, Attribute);
  FreePool (Cut);
}

VOID
PrintAligned (
  IN UINT64        Left,
  IN UINT64        Right,
  IN UINT64        Row,
  IN UINT8         Alignment,
  IN CONST CHAR16  *String,
  IN UINT8         Attribute
  )
{
  UINT64  Span  = (Right > Left) ? Right - Left : 0;
  UINT64  Cells = GetTextCellCount (String);

  if (String == NULL) {
    return;
  }

  if (Alignment == 2) {
    PrintAt ((Cells < Span) ? Right - Cells : Left, Row, String, Attribute);
    return;
  }

  if ((Alignment != 0) || (Cells < Span)) {
    PrintAt ((Alignment == 0) ? Left + (Span - Cells) / 2 : Left, Row, String, Attribute);
    return;
  }

  // Centred but not shorter than the span: cut at what fits, from Left.
  PrintCut (Left, Row, String, Span, Attribute);
}

UINT64
PrintWrappedLines (
  IN UINT64        Column,
  IN UINT64        Row,
  IN UINT64        Width,
  IN UINT64        MaxLines,
  IN CONST CHAR16  *String,
  IN UINT8         Attribute
  )
{
  UINT64  Count   = 0;
  UINT64  Printed = 0;
  CHAR16  *Text   = (String == NULL) ? NULL : WrapText (String, Width, &Count);
  CHAR16  *Line   = Text;
  CHAR16  *End;
  CHAR16  Ending;

  while ((Line != NULL) && (*Line != 0) && (Printed < Count) && (Printed < MaxLines)) {
    for (End = Line; (*End != 0) && (*End != CHAR_LINEFEED) && (*End != CHAR_CARRIAGE_RETURN); End++) {
    }

    Ending = *End;
    *End   = 0;
    PrintAt (Column, Row + Printed, Line, Attribute);
    Printed++;
    // A CR LF or LF CR pair ends one line.
    Line = (Ending == 0) ? End : End + 1;
    if ((Ending != 0) && (*Line != Ending) && ((*Line == CHAR_LINEFEED) || (*Line == CHAR_CARRIAGE_RETURN))) {
      Line++;
    }
  }

  FreePool (Text);
  return Printed;
}

VOID
PutCharAt (
  IN CHAR16  Character,
  IN UINT64  Cell
  )
{
  if ((gTextScreen == NULL) || (Cell >= gTextScreenRows * gTextScreenColumns)) {
    return;
  }

  gTextScreen->Chars[Cell]      = Character;
  gTextScreen->Attributes[Cell] = PUT_CHAR_ATTRIBUTE;
  MarkRowsDirty (Cell / gTextScreenColumns, Cell / gTextScreenColumns);
}

// The last row (exclusive) and column (exclusive) of a rectangle clipped to the screen.
static VOID
ClipRect (
  IN  UINT64  Column,
  IN  UINT64  Row,
  IN  UINT64  Width,
  IN  UINT64  Height,
  OUT UINT64  *ColumnEnd,
  OUT UINT64  *RowEnd
  )
{
  *ColumnEnd = (Width > gTextScreenColumns - Column) ? gTextScreenColumns : Column + Width;
  *RowEnd    = (Height > gTextScreenRows - Row) ? gTextScreenRows : Row + Height;
}

//
// A wide character just left of the rectangle would spill its right half over the
// rectangle's first cell on the console, so it gives way to a space.
//
VOID
FillTextRect (
  IN UINT64  Column,
  IN UINT64  Row,
  IN UINT64  Width,
  IN UINT64  Height,
  IN UINT8   Attribute
  )
{
  UINT64  ColumnEnd;
  UINT64  RowEnd;
  UINT64  Left;

  if ((gTextScreen == NULL) || (Column >= gTextScreenColumns) || (Row >= gTextScreenRows) || (Width == 0) ||
      (Height == 0))
  {
    return;
  }

  ClipRect (Column, Row, Width, Height, &ColumnEnd, &RowEnd);
  for (UINT64 Y = Row; Y < RowEnd; Y++) {
    Left = Y * gTextScreenColumns + Column - 1;
    if ((Column > 0) && (gTextScreenShown != NULL) && IsWideChar (gTextScreenShown->Chars[Left])) {
      gTextScreen->Chars[Left] = u' ';
    }

    for (UINT64 X = Column; X < ColumnEnd; X++) {
      gTextScreen->Chars[Y * gTextScreenColumns + X]      = u' ';
      gTextScreen->Attributes[Y * gTextScreenColumns + X] = Attribute;
    }
  }

  MarkRowsDirty (Row, RowEnd - 1);
}

//
// A box's shadow darkens what lies under it but keeps its characters: a pane beside
// the box stays readable while the box is open.
//
static VOID
ShadeTextRect (
  IN UINT64  Column,
  IN UINT64  Row,
  IN UINT64  Width,
  IN UINT64  Height
  )
{
  UINT64  ColumnEnd;
  UINT64  RowEnd;

  if ((gTextScreen == NULL) || (Column >= gTextScreenColumns) || (Row >= gTextScreenRows) || (Width == 0) ||
      (Height == 0))
  {
    return;
  }

  ClipRect (Column, Row, Width, Height, &ColumnEnd, &RowEnd);
  for (UINT64 Y = Row; Y < RowEnd; Y++) {
    for (UINT64 X = Column; X < ColumnEnd; X++) {
      gTextScreen->Attributes[Y * gTextScreenColumns + X] = SHADOW_ATTRIBUTE;
    }
  }

  MarkRowsDirty (Row, RowEnd - 1);
}

VOID
DrawBoxFrame (
  IN UINT64  Column,
  IN UINT64  Row,
  IN UINT64  Width,
  IN UINT64  Height
  )
{
  UINT64  Right;
  UINT64  Bottom;

  if ((gTextScreen == NULL) || (Width == 0) || (Height == 0) || (Column >= gTextScreenColumns) ||
      (Row >= gTextScreenRows))
  {
    return;
  }

  // Past the screen an edge is off it anyway; the clamp keeps the sums from wrapping.
  Width  = (Width > gTextScreenColumns + 1) ? gTextScreenColumns + 1 : Width;
  Height = (Height > gTextScreenRows + 1) ? gTextScreenRows + 1 : Height;
  Right  = Column + Width - 1;
  Bottom = Row + Height - 1;
  for (UINT64 X = Column + 1; (X < Right) && (X < gTextScreenColumns); X++) {
    SetCell (X, Row, BOX_HORIZONTAL, 0);
    SetCell (X, Bottom, BOX_HORIZONTAL, 0);
  }

  for (UINT64 Y = Row + 1; (Y < Bottom) && (Y < gTextScreenRows); Y++) {
    SetCell (Column, Y, BOX_VERTICAL, 0);
    SetCell (Right, Y, BOX_VERTICAL, 0);
  }

  SetCell (Column, Row, BOX_TOP_LEFT, 0);
  SetCell (Right, Row, BOX_TOP_RIGHT, 0);
  SetCell (Column, Bottom, BOX_BOTTOM_LEFT, 0);
  SetCell (Right, Bottom, BOX_BOTTOM_RIGHT, 0);
  MarkRowsDirty (Row, (Bottom < gTextScreenRows) ? Bottom : gTextScreenRows - 1);
}

VOID
DrawBox (
  IN UINT64   Column,
  IN UINT64   Row,
  IN UINT64   Width,
  IN UINT64   Height,
  IN UINT8    Attribute,
  IN BOOLEAN  Frame,
  IN BOOLEAN  Shadow
  )
{
  if (Shadow) {
    ShadeTextRect (Column + 2, Row + 1, Width, Height);
  }

  FillTextRect (Column, Row, Width, Height, Attribute);
  if (Frame && (Width != 0)) {
    DrawBoxFrame (Column, Row, Width, Height);
  }
}

VOID
ClearGraphicsOutput (
  IN EFI_GRAPHICS_OUTPUT_PROTOCOL  *Gop
  )
{
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  Black = { 0, 0, 0, 0 };

  if ((Gop == NULL) || (Gop->Mode == NULL) || (Gop->Mode->Info == NULL)) {
    return;
  }

  // A failed fill leaves the old picture; nothing else depends on it.
  (VOID)Gop->Blt (Gop, &Black, EfiBltVideoFill, 0, 0, 0, 0, Gop->Mode->Info->HorizontalResolution,
                  Gop->Mode->Info->VerticalResolution, 0);
}

VOID
ClearGraphicsScreen (
  VOID
  )
{
  ClearGraphicsOutput (gGraphicsOutput);
}
