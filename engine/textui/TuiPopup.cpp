/** @file
  The pop-up frame: a box centred on the text screen over the page, in a plain
  layout (title on the top border) or a titled one (title and help bands inside).
**/
#include <engine/textui/TuiPopup.h>
#include <engine/core/EngineGlobals.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#define CHAR_HORIZONTAL  0x2500
#define CHAR_LEFT_TEE    0x251C
#define CHAR_RIGHT_TEE   0x2524
// Columns a box keeps free on the screen when it would not fit.
#define POPUP_SCREEN_MARGIN  10

static EFI_STATUS
PopupFrameCreate (
  IN OUT VOID  **Object
  )
{
  return TuiCreateRecord (Object, sizeof (TUI_POPUP_FRAME), gTuiControlOps.Create, &gTuiPopupFrameOps);
}

EFI_STATUS
PopupFrameDestroy (
  IN VOID     *Object,
  IN BOOLEAN  Free
  )
{
  TUI_POPUP_FRAME  *Frame = (TUI_POPUP_FRAME *)Object;

  FreeAndNull (Frame->Title);
  FreeAndNull (Frame->Text);
  FreeAndNull (Frame->Help);
  FreeAndNull (Frame->Buffer1);
  FreeAndNull (Frame->Buffer2);
  return TuiActionBindingDestroy (Object, Free);
}

EFI_STATUS
PopupFrameInitialize (
  IN VOID  *Object,
  IN VOID  *Data,
  IN VOID  *Extra
  )
{
  EFI_STATUS  Status = gTuiControlOps.Initialize (Object, Data, Extra);

  if (!EFI_ERROR (Status)) {
    ((TUI_POPUP_FRAME *)Object)->Visible = 1;
  }

  return Status;
}

UINT8
PopupFrameAttribute (
  IN CONST TUI_POPUP_FRAME  *Frame
  )
{
  return (UINT8)(Frame->Control.Foreground | Frame->Control.Background);
}

CHAR16 *
CutWithEllipsis (
  IN CONST CHAR16  *Text,
  IN UINT64        Limit,
  IN UINT64        Cells
  )
{
  UINTN   Keep;
  CHAR16  *Cut;

  if (GetTextCellCount (Text) <= Limit) {
    return StrDupUtf16 (Text);
  }

  Keep = (UINTN)CountCharsThatFit (Text, (Cells > 3) ? Cells - 3 : 0);
  Cut  = (CHAR16 *)AllocateZeroPool ((Keep + 4) * sizeof (CHAR16));
  if (Cut != NULL) {
    CopyMem (Cut, Text, Keep * sizeof (CHAR16));
    CopyMem (Cut + Keep, u"...", 3 * sizeof (CHAR16));
  }

  return Cut;
}

VOID
PopupSubtitleOpcode (
  OUT UINT8   *Opcode,
  IN  UINT16  PromptId
  )
{
  ZeroMem (Opcode, TUI_SUBTITLE_OPCODE_SIZE);
  Opcode[0] = EFI_IFR_SUBTITLE_OP;
  Opcode[1] = (UINT8)TUI_SUBTITLE_OPCODE_SIZE;
  WriteUnaligned16 (Opcode + 2, PromptId);
}

VOID
DrawPopupSeparator (
  IN UINT64   Column,
  IN UINT64   Row,
  IN UINT64   Width,
  IN BOOLEAN  RightEnd
  )
{
  CHAR16  Line[TEXT_SCREEN_MAX_COLUMNS + 1];
  UINT64  Count = (Width > TEXT_SCREEN_MAX_COLUMNS) ? TEXT_SCREEN_MAX_COLUMNS : Width;

  if (Count < 2) {
    return;
  }

  for (UINT64 Index = 0; Index < Count; Index++) {
    Line[Index] = CHAR_HORIZONTAL;
  }

  Line[0]         = CHAR_LEFT_TEE;
  Line[Count - 1] = RightEnd ? (CHAR16)CHAR_RIGHT_TEE : (CHAR16)0;
  Line[Count]     = 0;
  PrintAt (Column, Row, Line, 0);
}

UINT64
PopupTitleRows (
  IN CONST TUI_POPUP_FRAME  *Frame
  )
{
  return ((Frame->LayoutMode != TUI_POPUP_LAYOUT_PLAIN) && (Frame->Title != NULL)) ? 2 : 0;
}

UINT64
PopupHelpRows (
  IN CONST TUI_POPUP_FRAME  *Frame
  )
{
  UINT64  Lines = 1;

  if ((Frame->Help == NULL) || (Frame->Help[0] == 0)) {
    return 0;
  }

  for (CONST CHAR16 *Cursor = Frame->Help; *Cursor != 0; Cursor++) {
    Lines += (*Cursor == u'\n') ? 1 : 0;
  }

  return Lines + 1;
}

// Keeps the box on the screen, then centres it.
static VOID
PlacePopup (
  IN OUT TUI_CONTROL  *Control
  )
{
  if (Control->Width > gTextScreenColumns) {
    Control->Width = (UINT16)(gTextScreenColumns - POPUP_SCREEN_MARGIN);
  }

  if (Control->Height > gTextScreenRows) {
    Control->Height = (UINT16)gTextScreenRows;
  }

  Control->Column = (UINT16)((gTextScreenColumns - Control->Width) / 2);
  Control->Row    = (UINT16)((gTextScreenRows - Control->Height) / 2);
}

// " Title " centred across the screen on Row, cut to the box width.
static VOID
DrawPopupTitle (
  IN CONST TUI_POPUP_FRAME  *Frame,
  IN UINT64                 Row
  )
{
  UINTN   Length = StrLen (Frame->Title) + 3;
  CHAR16  *Padded = (CHAR16 *)AllocateZeroPool (Length * sizeof (CHAR16));
  CHAR16  *Shown;

  if (Padded == NULL) {
    return;
  }

  Padded[0] = u' ';
  CopyMem (Padded + 1, Frame->Title, (Length - 3) * sizeof (CHAR16));
  Padded[Length - 2] = u' ';
  Shown = CutWithEllipsis (Padded, Frame->Control.Width, Frame->Control.Width);
  if (Shown != NULL) {
    PrintAligned (0, gTextScreenColumns, Row, 0, Shown, PopupFrameAttribute (Frame));
    FreePool (Shown);
  }

  FreePool (Padded);
}

// The help lines above the bottom border, each cut to the box.
static VOID
DrawPopupHelp (
  IN CONST TUI_POPUP_FRAME  *Frame,
  IN UINT64                 FirstRow
  )
{
  CONST TUI_CONTROL  *Box   = &Frame->Control;
  CHAR16             *Lines = StrDupUtf16 (Frame->Help);
  CHAR16             *Line  = Lines;
  UINT64             Row    = FirstRow;

  if (Lines == NULL) {
    return;
  }

  while ((Line != NULL) && (Row < (UINT64)Box->Row + Box->Height - 1)) {
    CHAR16  *Next = StrStr (Line, u"\r\n");
    CHAR16  *Shown;

    if (Next != NULL) {
      *Next = 0;
      Next += 2;
    }

    Shown = CutWithEllipsis (Line, (Box->Width > 2) ? Box->Width - 2 : 0, (Box->Width > 2) ? Box->Width - 2 : 0);
    if (Shown != NULL) {
      PrintAt (Box->Column + 1, Row, Shown, PopupFrameAttribute (Frame));
      FreePool (Shown);
    }

    Line = Next;
    Row++;
  }

  FreePool (Lines);
}

EFI_STATUS
PopupFrameDraw (
  IN VOID  *Object
  )
{
  TUI_POPUP_FRAME  *Frame = (TUI_POPUP_FRAME *)Object;
  TUI_CONTROL      *Box   = &Frame->Control;
  UINT64           HelpRows;

  PlacePopup (Box);
  DrawBox (Box->Column, Box->Row, Box->Width, Box->Height, PopupFrameAttribute (Frame), Frame->Border != 0,
    Frame->Shadow != 0);
  if (Frame->LayoutMode == TUI_POPUP_LAYOUT_PLAIN) {
    if (Frame->Title != NULL) {
      DrawPopupTitle (Frame, Box->Row);
    }

    return EFI_SUCCESS;
  }

  if (PopupTitleRows (Frame) != 0) {
    DrawPopupTitle (Frame, Box->Row + 1);
    DrawPopupSeparator (Box->Column, Box->Row + 2, Box->Width, TRUE);
  }

  HelpRows = PopupHelpRows (Frame);
  if ((HelpRows != 0) && (Box->Height > HelpRows + 1)) {
    DrawPopupSeparator (Box->Column, Box->Row + Box->Height - 1 - HelpRows, Box->Width, TRUE);
    DrawPopupHelp (Frame, Box->Row + Box->Height - HelpRows);
  }

  return EFI_SUCCESS;
}

EFI_STATUS
PopupFrameSetFocus (
  IN VOID     *Object,
  IN BOOLEAN  Focus
  )
{
  (VOID)Object;
  (VOID)Focus;
  return EFI_SUCCESS;
}

TUI_CONTROL_OPS  gTuiPopupFrameOps = {
  PopupFrameCreate,   PopupFrameDestroy,  PopupFrameInitialize, PopupFrameDraw,
  TuiRefuseAction,    TuiActionBindingSetCallback, PopupFrameSetFocus, TuiControlSetPosition,
  TuiControlSetDimensions, TuiControlSetAttributes, TuiRefuseHeight
};
