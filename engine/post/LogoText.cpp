/** @file
  Text on the logo screen: rendered through the HII font and blitted at a placement,
  and written as text to the consoles that cannot show the graphics screen.

  In OVMF the console output is a splitter over the graphics console and the serial
  terminal; the terminal shows none of the pixels, so whoever watches the boot there
  reads the text at the same place of its own screen.
**/
#include <engine/post/PostScreen.h>
#include <engine/core/EngineGlobals.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/DevicePath.h>
#include <Protocol/GraphicsOutput.h>
#include <Protocol/HiiFont.h>
#include <Protocol/SimpleTextOut.h>

#define PLAIN_CONSOLE_ATTRIBUTE  (EFI_LIGHTGRAY | EFI_BACKGROUND_BLACK)

//
// A console device of its own (the splitters' handles have no device path) that does
// not draw on a graphics output.
//
static BOOLEAN
IsPlainTextConsole (
  IN EFI_HANDLE  Handle
  )
{
  VOID  *Interface;

  if ((Handle == gST->ConsoleOutHandle) || (Handle == gST->StandardErrorHandle)) {
    return FALSE;
  }

  return (BOOLEAN)(!EFI_ERROR (gBS->HandleProtocol (Handle, &gEfiDevicePathProtocolGuid, &Interface)) &&
                   EFI_ERROR (gBS->HandleProtocol (Handle, &gEfiGraphicsOutputProtocolGuid, &Interface)));
}

//
// The text's centre keeps its place across the screen, and its row is the one its
// top falls in; a text too long for the console starts at its left edge.
//
static VOID
WriteAtScreenPlace (
  IN EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL  *Out,
  IN CONST CHAR16                     *Text,
  IN CONST LOGO_BOX                   *Drawn,
  IN UINT64                           ScreenWidth,
  IN UINT64                           ScreenHeight
  )
{
  UINTN   Columns;
  UINTN   Rows;
  UINT64  Length = StrLen (Text);
  UINT64  Centre;
  UINT64  Column;
  UINT64  Row;

  if ((Out->Mode == NULL) || EFI_ERROR (Out->QueryMode (Out, (UINTN)Out->Mode->Mode, &Columns, &Rows)) ||
      (Columns == 0) || (Rows == 0))
  {
    return;
  }

  Centre = (Drawn->Left + Drawn->Right) / 2 * Columns / ScreenWidth;
  Column = (Centre > Length / 2) ? Centre - Length / 2 : 0;
  Column = (Length >= Columns) ? 0 : ((Column + Length > Columns) ? Columns - Length : Column);
  Row    = Drawn->Top * Rows / ScreenHeight;
  Row    = (Row < Rows) ? Row : Rows - 1;

  // What a console cannot do (a colour, a place) leaves the text where it lands.
  (VOID)Out->SetAttribute (Out, PLAIN_CONSOLE_ATTRIBUTE);
  (VOID)Out->SetCursorPosition (Out, (UINTN)Column, (UINTN)Row);
  (VOID)Out->OutputString (Out, (CHAR16 *)Text);
}

static VOID
WriteToPlainTextConsoles (
  IN CONST CHAR16    *Text,
  IN CONST LOGO_BOX  *Drawn,
  IN UINT64          ScreenWidth,
  IN UINT64          ScreenHeight
  )
{
  EFI_HANDLE                       *Handles = NULL;
  UINTN                            Count    = 0;
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL  *Out;

  if ((ScreenWidth == 0) || (ScreenHeight == 0) ||
      EFI_ERROR (gBS->LocateHandleBuffer (ByProtocol, &gEfiSimpleTextOutProtocolGuid, NULL, &Count, &Handles)))
  {
    return;
  }

  for (UINTN Index = 0; Index < Count; Index++) {
    if (IsPlainTextConsole (Handles[Index]) &&
        !EFI_ERROR (gBS->HandleProtocol (Handles[Index], &gEfiSimpleTextOutProtocolGuid, (VOID **)&Out)) && (Out != NULL))
    {
      WriteAtScreenPlace (Out, Text, Drawn, ScreenWidth, ScreenHeight);
    }
  }

  FreePool (Handles);
}

// The rows the font drew: the bitmap it hands back may be larger than the text.
static VOID
MeasureDrawnRows (
  IN  CONST EFI_IMAGE_OUTPUT  *Image,
  IN  CONST EFI_HII_ROW_INFO  *Rows OPTIONAL,
  IN  UINTN                   RowCount,
  OUT UINT64                  *Width,
  OUT UINT64                  *Height
  )
{
  *Width  = (Rows == NULL) ? Image->Width : 0;
  *Height = (Rows == NULL) ? Image->Height : 0;
  for (UINTN Index = 0; (Rows != NULL) && (Index < RowCount); Index++) {
    *Width   = (Rows[Index].LineWidth > *Width) ? Rows[Index].LineWidth : *Width;
    *Height += Rows[Index].LineHeight;
  }

  *Width  = (*Width > Image->Width) ? Image->Width : *Width;
  *Height = (*Height > Image->Height) ? Image->Height : *Height;
}

EFI_STATUS
DrawLogoText (
  IN CONST CHAR16  *Text,
  IN UINT64        X,
  IN UINT64        Y,
  IN UINT32        Placement,
  IN UINT32        Foreground,
  IN UINT32        Background
  )
{
  EFI_FONT_DISPLAY_INFO  Info;
  EFI_IMAGE_OUTPUT       *Image    = NULL;
  EFI_HII_ROW_INFO       *Rows     = NULL;
  UINTN                  RowCount  = 0;
  UINT64                 Width;
  UINT64                 Height;
  UINT64                 ScreenWidth;
  UINT64                 ScreenHeight;
  INT64                  Left;
  INT64                  Top;
  LOGO_BOX               Drawn;
  EFI_STATUS             Status;

  if ((gHiiFont == NULL) || (LocateGraphicsOutput () == NULL) || (gQuietBootOn == 0)) {
    return EFI_UNSUPPORTED;
  }

  if ((Text == NULL) || (Text[0] == 0)) {
    return EFI_SUCCESS;
  }

  ZeroMem (&Info, sizeof (Info));
  CopyMem (&Info.ForegroundColor, &Foreground, sizeof (Info.ForegroundColor));
  CopyMem (&Info.BackgroundColor, &Background, sizeof (Info.BackgroundColor));
  Info.FontInfoMask = EFI_FONT_INFO_ANY_FONT;
  // Without a bitmap of the caller's the font makes one: no clipping flag may be given
  // then (OVMF refuses it), and the bitmap is the font's own size (OVMF: 800 x 600).
  Status = gHiiFont->StringToImage (gHiiFont, 0, (EFI_STRING)Text, &Info, &Image, 0, 0, &Rows, &RowCount, NULL);
  if (EFI_ERROR (Status) || (Image == NULL)) {
    return EFI_ERROR (Status) ? Status : EFI_OUT_OF_RESOURCES;
  }

  // Only what was drawn is placed, so the centring placements centre the text itself.
  MeasureDrawnRows (Image, Rows, RowCount, &Width, &Height);
  Status = BltImageAtPlacement (Image->Image.Bitmap, Placement, Width, Height, X, Y, Image->Width);
  if (!EFI_ERROR (Status) && !EFI_ERROR (GetGopResolution (&ScreenWidth, &ScreenHeight))) {
    ComputePlacement (Placement, ScreenWidth, ScreenHeight, Width, Height, X, Y, &Left, &Top);
    Drawn.Left   = (Left < 0) ? 0 : (UINT64)Left;
    Drawn.Top    = (Top < 0) ? 0 : (UINT64)Top;
    Drawn.Right  = (UINT64)Left + Width;
    Drawn.Bottom = (UINT64)Top + Height;
    WriteToPlainTextConsoles (Text, &Drawn, ScreenWidth, ScreenHeight);
  }

  FreePool (Rows);
  FreePool (Image->Image.Bitmap);
  FreePool (Image);
  return Status;
}
