/** @file
  The power-on screen: the quiet-boot logo (scaled or in the closest mode) and the
  prompt under it, the text POST screen with its small logo and sign-on line, the
  placement of every image and the progress bar.
**/
#include <engine/post/PostScreen.h>
#include <engine/boot/BootGraphics.h>
#include <engine/boot/DisplayMode.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/FirmwareVolumes.h>
#include <engine/core/HookTable.h>
#include <engine/post/BootScreen.h>
#include <engine/post/LogoDecoders.h>
#include <engine/post/PostHooks.h>
#include <engine/textui/SetupActions.h>
#include <engine/boot/OptionLists.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/variables/VariableCache.h>
#include <engine/core/VariableGuids.h>
#include <Resources/EngineStringIds.h>

#include <Format/Bmp.h>
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/IoLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PrintLib.h>
#include <Library/UefiLib.h>
#include <Protocol/AcpiTable.h>
#include <Protocol/DevicePath.h>
#include <Protocol/FirmwareVolume2.h>
#include <Protocol/HiiFont.h>
#include <Protocol/SimpleTextOut.h>

#include <stddef.h>

// The daily logo variants and the small logo of the text POST screen, raw sections of
// firmware files.
CONST EFI_GUID  gDailyLogoFiles[DAILY_LOGO_COUNT] = {
  { 0x7F2A5C10, 0x3B1E, 0x4C8D, { 0x9A, 0x41, 0x52, 0x0B, 0x6E, 0x11, 0xD0, 0x01 } },
  { 0x7F2A5C10, 0x3B1E, 0x4C8D, { 0x9A, 0x41, 0x52, 0x0B, 0x6E, 0x11, 0xD0, 0x02 } },
  { 0x7F2A5C10, 0x3B1E, 0x4C8D, { 0x9A, 0x41, 0x52, 0x0B, 0x6E, 0x11, 0xD0, 0x03 } },
  { 0x7F2A5C10, 0x3B1E, 0x4C8D, { 0x9A, 0x41, 0x52, 0x0B, 0x6E, 0x11, 0xD0, 0x04 } },
  { 0x7F2A5C10, 0x3B1E, 0x4C8D, { 0x9A, 0x41, 0x52, 0x0B, 0x6E, 0x11, 0xD0, 0x05 } },
};
CONST EFI_GUID  gTextPostLogoFile = { 0x63819805, 0x67BB, 0x46EF, { 0xAA, 0x8D, 0x15, 0x24, 0xA1, 0x9A, 0x01, 0xE4 } };
static CONST EFI_GUID  mEngineSettingsGuid = ENGINE_SETTINGS_VARIABLE_GUID;
static CONST EFI_GUID  mBoardItemGuid = { 0x0024FD50, 0x3BC1, 0x436C, { 0xBD, 0xDD, 0x2C, 0x92, 0x51, 0x5C, 0x12, 0x85 } };

// CMOS bytes that keep the daily variant and the day of the month it was chosen on.
#define CMOS_INDEX_PORT      0x70
#define CMOS_DATA_PORT       0x71
#define CMOS_LOGO_DAY        0x6D
#define CMOS_LOGO_VARIANT    0x6E

#define LOGO_SETTINGS_SCALED         2      // "OKURWZSetup" byte 80: scale the logo into its box
#define LOGO_BOX_PERCENT             40
#define LOGO_GOLDEN_PER_MILLE        382
#define BOARD_ITEM_PROMPT_BYTE       7
#define PROMPT_Y                     60
#define PROMPT_FOREGROUND            0x989898
#define PROMPT_BACKGROUND            0x000000
#define HIGH_RESOLUTION_WIDTH        3840
#define HIGH_RESOLUTION_HEIGHT       2160

CONSOLE_CONTROL_PROTOCOL  *gConsoleControl      = NULL;
UINT32                    gConsoleArrivalMask   = 0;
UINT8                     gPostMessagesEnabled  = 1;
UINT8                     gPostMessageAttribute = TEXT_DEFAULT_ATTRIBUTE;
UINT8                     gBootFlowHoldsSetup   = 0;
EFI_EVENT                 gPostTimerEvent       = NULL;
BOOT_PROGRESS_BAR         gBootProgressBar;
BOOLEAN                   gPostScreenReady      = FALSE;
UINT8                     gQuietBootOn          = 0;
UINT8                     gLogoScaleMode        = 1;
UINT8                     gLogoDrawing          = 0;
LOGO_BOX                  gLogoBox;
UINT64                    gSavedScreenWidth     = 0;
UINT64                    gSavedScreenHeight    = 0;
UINT64                    gLogoSize[2];
UINT32                    gBootFlowStartPage    = 0;

VOID
ComputePlacement (
  IN  UINT32  Placement,
  IN  UINT64  ScreenWidth,
  IN  UINT64  ScreenHeight,
  IN  UINT64  Width,
  IN  UINT64  Height,
  IN  UINT64  X,
  IN  UINT64  Y,
  OUT INT64   *Left,
  OUT INT64   *Top
  )
{
  // Signed throughout: an image wider than the screen gets a negative corner, which the blit clips.
  INT64  W  = (INT64)ScreenWidth;
  INT64  H  = (INT64)ScreenHeight;
  INT64  w  = (INT64)Width;
  INT64  h  = (INT64)Height;
  INT64  x  = (INT64)X;
  INT64  y  = (INT64)Y;

  switch (Placement) {
    case PLACEMENT_TOP_CENTRE:    *Left = (W - w) / 2; *Top = y; break;
    case PLACEMENT_TOP_RIGHT:     *Left = W - w - x;   *Top = y; break;
    case PLACEMENT_MIDDLE_RIGHT:  *Left = W - w - x;   *Top = (H - h) / 2; break;
    case PLACEMENT_BOTTOM_RIGHT:  *Left = W - w - x;   *Top = H - h - y; break;
    case PLACEMENT_BOTTOM_CENTRE: *Left = (W - w) / 2; *Top = H - h - y; break;
    case PLACEMENT_BOTTOM_LEFT:   *Left = x;           *Top = H - h - y; break;
    case PLACEMENT_MIDDLE_LEFT:   *Left = x;           *Top = (H - h) / 2; break;
    case PLACEMENT_GOLDEN_CENTRE:
      *Left = (W - w) / 2;
      *Top  = ((w * 100 <= W * LOGO_BOX_PERCENT) && (h * 100 <= H * LOGO_BOX_PERCENT))
              ? H * LOGO_GOLDEN_PER_MILLE / 1000 - h / 2 : (H - h) / 2;
      break;
    default:                      *Left = x;           *Top = y; break;
  }
}

//
// Blits Width x Height pixels (Pitch a row) with their top-left at (Left, Top); the
// parts off the screen are cut. The rectangle drawn goes to *Drawn.
//
static EFI_STATUS
BltClipped (
  IN  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Pixels,
  IN  UINT64                         Width,
  IN  UINT64                         Height,
  IN  UINT64                         Pitch,
  IN  INT64                          Left,
  IN  INT64                          Top,
  OUT LOGO_BOX                       *Drawn
  )
{
  UINT64  ScreenWidth;
  UINT64  ScreenHeight;
  UINT64  SourceX = 0;
  UINT64  SourceY = 0;

  if ((Pixels == NULL) || (Width == 0) || (Height == 0) || (Pitch < Width)) {
    return EFI_INVALID_PARAMETER;
  }

  if (EFI_ERROR (GetGopResolution (&ScreenWidth, &ScreenHeight))) {
    return EFI_UNSUPPORTED;
  }

  if (Left < 0) {
    if ((UINT64)-Left >= Width) {
      return EFI_SUCCESS;
    }

    SourceX = (UINT64)-Left;
    Width  -= SourceX;
    Left    = 0;
  }

  if (Top < 0) {
    if ((UINT64)-Top >= Height) {
      return EFI_SUCCESS;
    }

    SourceY = (UINT64)-Top;
    Height -= SourceY;
    Top     = 0;
  }

  if (((UINT64)Left >= ScreenWidth) || ((UINT64)Top >= ScreenHeight)) {
    return EFI_SUCCESS;
  }

  Width  = ((UINT64)Left + Width > ScreenWidth) ? ScreenWidth - (UINT64)Left : Width;
  Height = ((UINT64)Top + Height > ScreenHeight) ? ScreenHeight - (UINT64)Top : Height;
  Drawn->Left   = (UINT64)Left;
  Drawn->Top    = (UINT64)Top;
  Drawn->Right  = (UINT64)Left + Width;
  Drawn->Bottom = (UINT64)Top + Height;
  return gGraphicsOutput->Blt (gGraphicsOutput, Pixels, EfiBltBufferToVideo, (UINTN)SourceX, (UINTN)SourceY, (UINTN)Left,
                            (UINTN)Top, (UINTN)Width, (UINTN)Height, (UINTN)(Pitch * sizeof (*Pixels)));
}

static VOID
GrowLogoBox (
  IN CONST LOGO_BOX  *Drawn
  )
{
  if (Drawn->Right <= Drawn->Left) {
    return;
  }

  if ((gLogoDrawing == 1) || (gLogoBox.Right <= gLogoBox.Left)) {
    gLogoBox = *Drawn;
  } else {
    gLogoBox.Left   = PostMin (gLogoBox.Left, Drawn->Left);
    gLogoBox.Top    = PostMin (gLogoBox.Top, Drawn->Top);
    gLogoBox.Right  = PostMax (gLogoBox.Right, Drawn->Right);
    gLogoBox.Bottom = PostMax (gLogoBox.Bottom, Drawn->Bottom);
  }

  gLogoDrawing++;
}

EFI_STATUS
BltImageAtPlacement (
  IN EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Pixels,
  IN UINT32                         Placement,
  IN UINT64                         Width,
  IN UINT64                         Height,
  IN UINT64                         X,
  IN UINT64                         Y,
  IN UINT64                         Pitch
  )
{
  UINT64    ScreenWidth;
  UINT64    ScreenHeight;
  INT64     Left;
  INT64     Top;
  LOGO_BOX  Drawn = { 0, 0, 0, 0 };

  if ((gGraphicsOutput == NULL) && (LocateGraphicsOutput () == NULL)) {
    return EFI_UNSUPPORTED;
  }

  if (EFI_ERROR (GetGopResolution (&ScreenWidth, &ScreenHeight))) {
    return EFI_UNSUPPORTED;
  }

  ComputePlacement (Placement, ScreenWidth, ScreenHeight, Width, Height, X, Y, &Left, &Top);
  return BltClipped (Pixels, Width, Height, Pitch, Left, Top, &Drawn);
}

// Decodes a BMP or JPEG file image into a pool buffer of pixels.
static EFI_STATUS
DecodeLogo (
  IN  VOID                           *Image,
  IN  UINT64                         Size,
  OUT EFI_GRAPHICS_OUTPUT_BLT_PIXEL  **Pixels,
  OUT UINT64                         *Width,
  OUT UINT64                         *Height,
  OUT UINT64                         *Pitch
  )
{
  CONST UINT8  *Bytes = (CONST UINT8 *)Image;
  VOID         *Blt   = NULL;
  UINT64       BltSize = 0;
  UINT32       JpegSize = 0;
  UINT32       JpegWidth;
  UINT32       JpegHeight;
  UINT32       JpegPitch;
  EFI_STATUS   Status;

  if ((Bytes == NULL) || (Size < 2)) {
    return EFI_UNSUPPORTED;
  }

  if ((Bytes[0] == 'B') && (Bytes[1] == 'M')) {
    Status = ConvertBmpToGopBlt (Image, Size, &Blt, &BltSize, Height, Width);
    *Pitch = *Width;
  } else if ((Bytes[0] == 0xFF) && (Bytes[1] == 0xD8)) {
    Status  = ConvertJpegToGopBlt (Image, Size, &Blt, &JpegSize, &JpegHeight, &JpegWidth, &JpegPitch);
    *Width  = JpegWidth;
    *Height = JpegHeight;
    *Pitch  = JpegPitch;
  } else {
    return EFI_UNSUPPORTED;
  }

  if (EFI_ERROR (Status)) {
    return Status;
  }

  if ((Blt == NULL) || (*Width == 0) || (*Height == 0)) {
    FreePool (Blt);
    return EFI_UNSUPPORTED;
  }

  *Pixels = (EFI_GRAPHICS_OUTPUT_BLT_PIXEL *)Blt;
  return EFI_SUCCESS;
}

EFI_STATUS
DrawPostLogoImage (
  IN  VOID     *Image,
  IN  UINT64   Size,
  IN  UINT32   Placement,
  IN  UINT64   X,
  IN  UINT64   Y,
  IN  BOOLEAN  MayChangeMode,
  OUT UINT64   *DrawnWidth OPTIONAL,
  OUT UINT64   *DrawnHeight OPTIONAL
  )
{
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Pixels = NULL;
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Scaled = NULL;
  UINT64                         ScreenWidth;
  UINT64                         ScreenHeight;
  UINT64                         Width;
  UINT64                         Height;
  UINT64                         Pitch;
  UINT64                         BoxWidth;
  UINT64                         BoxHeight;
  INT64                          Left;
  INT64                          Top;
  LOGO_BOX                       Drawn = { 0, 0, 0, 0 };
  EFI_STATUS                     Status;

  if ((LocateGraphicsOutput () == NULL) || EFI_ERROR (GetGopResolution (&ScreenWidth, &ScreenHeight))) {
    return EFI_UNSUPPORTED;
  }

  Status = DecodeLogo (Image, Size, &Pixels, &Width, &Height, &Pitch);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  if (MayChangeMode && (gLogoScaleMode == 0) && ((Width > ScreenWidth) || (Height > ScreenHeight))) {
    ScreenWidth  = Width;
    ScreenHeight = Height;
    // A screen that keeps its mode is measured as it is.
    (VOID)SetClosestGopMode (&ScreenWidth, &ScreenHeight);
    (VOID)GetGopResolution (&ScreenWidth, &ScreenHeight);
  }

  gSavedScreenWidth  = ScreenWidth;
  gSavedScreenHeight = ScreenHeight;
  BoxWidth           = ScreenWidth * LOGO_BOX_PERCENT / 100;
  BoxHeight          = ScreenHeight * LOGO_BOX_PERCENT / 100;
  // Only a logo larger than its box shrinks: a small one keeps its pixels.
  if ((gLogoDrawing != 0) && (gLogoScaleMode == 1) && ((Width > BoxWidth) || (Height > BoxHeight)) && (BoxWidth != 0) &&
      (BoxHeight != 0))
  {
    UINT64  NewWidth;
    UINT64  NewHeight;

    if (Width * BoxHeight > Height * BoxWidth) {
      NewWidth  = BoxWidth;
      NewHeight = PostMax (Height * BoxWidth / Width, 1);
    } else {
      NewHeight = BoxHeight;
      NewWidth  = PostMax (Width * BoxHeight / Height, 1);
    }

    Scaled = (EFI_GRAPHICS_OUTPUT_BLT_PIXEL *)AllocateZeroPool ((UINTN)(NewWidth * NewHeight * sizeof (*Scaled)));
    if ((Scaled == NULL) || ((Pitch != Width) && (Height > 1)) ||
        EFI_ERROR (ScaleBitmap (Pixels, (UINTN)Width, (UINTN)Height, Scaled, (UINTN)NewWidth, (UINTN)NewHeight)))
    {
      FreePool (Scaled);
      FreePool (Pixels);
      return EFI_OUT_OF_RESOURCES;
    }

    FreePool (Pixels);
    Pixels = Scaled;
    Width  = NewWidth;
    Height = NewHeight;
    Pitch  = NewWidth;
  } else if ((Width > ScreenWidth) || (Height > ScreenHeight)) {
    FreePool (Pixels);
    return EFI_UNSUPPORTED;
  }

  // A scaled logo's centre sits at 38.2 % of the height, shrunk or not.
  if ((gLogoDrawing != 0) && (gLogoScaleMode == 1) && (Placement == PLACEMENT_TOP_CENTRE)) {
    Y = ScreenHeight * LOGO_GOLDEN_PER_MILLE / 1000 - Height / 2;
  }

  ComputePlacement (Placement, ScreenWidth, ScreenHeight, Width, Height, X, Y, &Left, &Top);
  Status = BltClipped (Pixels, Width, Height, Pitch, Left, Top, &Drawn);
  FreePool (Pixels);
  if (!EFI_ERROR (Status) && (gLogoDrawing != 0)) {
    GrowLogoBox (&Drawn);
  }

  if (DrawnWidth != NULL) {
    *DrawnWidth = Width;
  }

  if (DrawnHeight != NULL) {
    *DrawnHeight = Height;
  }

  return Status;
}

VOID
ShowLogoPrompt (
  VOID
  )
{
  UINT64  Width;
  UINT64  Height;
  UINT8   *Bmp;
  UINTN   BmpSize;
  UINT8   *Items = NULL;
  UINTN   ItemsSize = 0;
  VOID    *AcpiTable;

  if ((gLogoScaleMode == 1) && !EFI_ERROR (gBS->LocateProtocol (&gEfiAcpiTableProtocolGuid, NULL, &AcpiTable))) {
    Bmp = CaptureLogoAsBmp (&BmpSize);
    if ((Bmp != NULL) && EFI_ERROR (PublishBootLogoTable (Bmp, (UINT32)gLogoBox.Left, (UINT32)gLogoBox.Top))) {
      FreePool (Bmp);
    }
  }

  if (EFI_ERROR (GetGopResolution (&Width, &Height)) || (Width >= HIGH_RESOLUTION_WIDTH) || (Height >= HIGH_RESOLUTION_HEIGHT)) {
    return;
  }

  if (!EFI_ERROR (GetVariableBuffer (u"SIBoardItemControl", &mBoardItemGuid, (VOID **)&Items, &ItemsSize, NULL)) &&
      (ItemsSize > BOARD_ITEM_PROMPT_BYTE) && (Items[BOARD_ITEM_PROMPT_BYTE] != 0))
  {
    // The prompt is a courtesy: a screen that cannot show it boots the same.
    (VOID)DrawLogoText (LOGO_PROMPT_TEXT, 0, PROMPT_Y, PLACEMENT_BOTTOM_CENTRE, PROMPT_FOREGROUND, PROMPT_BACKGROUND);
  }

  FreePool (Items);
}

static UINT8
ReadCmos (
  IN UINT8  Register
  )
{
  (VOID)IoWrite8 (CMOS_INDEX_PORT, Register);     // the port write answers the value written
  return IoRead8 (CMOS_DATA_PORT);
}

static VOID
WriteCmos (
  IN UINT8  Register,
  IN UINT8  Value
  )
{
  // The port writes answer the values written.
  (VOID)IoWrite8 (CMOS_INDEX_PORT, Register);
  (VOID)IoWrite8 (CMOS_DATA_PORT, Value);
}

/** The daily logo variant: the next one on a new day of the month, the stored one otherwise. */
static UINTN
ChooseDailyLogo (
  VOID
  )
{
  EFI_TIME  Now;
  UINT8     Day     = ReadCmos (CMOS_LOGO_DAY);
  UINT8     Variant = ReadCmos (CMOS_LOGO_VARIANT);

  // An unset or foreign CMOS byte must not index past the table.
  Variant = (Variant < DAILY_LOGO_COUNT) ? Variant : 0;
  if (EFI_ERROR (gRT->GetTime (&Now, NULL))) {
    return Variant;
  }

  if (Day == 0) {
    Variant = 0;
  } else if (Day != Now.Day) {
    Variant = (UINT8)((Variant + 1) % DAILY_LOGO_COUNT);
  }

  WriteCmos (CMOS_LOGO_VARIANT, Variant);
  WriteCmos (CMOS_LOGO_DAY, Now.Day);
  return Variant;
}

static BOOLEAN
ReadFvFile (
  IN  CONST EFI_GUID  *File,
  OUT VOID            **Buffer,
  OUT UINTN           *Size
  )
{
  EFI_HANDLE  *Handles = NULL;
  UINTN       Count    = 0;

  *Buffer = NULL;
  *Size   = 0;
  if (EFI_ERROR (gBS->LocateHandleBuffer (ByProtocol, &gEfiFirmwareVolume2ProtocolGuid, NULL, &Count, &Handles))) {
    return FALSE;
  }

  if (EFI_ERROR (ReadFvFileSection (File, Buffer, Size, Handles, Count))) {
    *Buffer = NULL;
    return FALSE;
  }

  return TRUE;
}

UINT64
DrawPostLogo (
  IN CONST HOOK_ARGS  *Args
  )
{
  HOOK_ARGS   None;
  VOID        *Logo = NULL;
  UINTN       LogoSize;
  UINT8       *Settings = NULL;
  UINTN       SettingsSize = 0;
  UINT32      Placement = PLACEMENT_GOLDEN_CENTRE;
  EFI_STATUS  Status = EFI_SUCCESS;

  (VOID)Args;
  gLogoSize[0] = 0;
  gLogoSize[1] = 0;
  gLogoBox.Left = gLogoBox.Top = gLogoBox.Right = gLogoBox.Bottom = 0;
  if (ReadFvFile (&gDailyLogoFiles[ChooseDailyLogo ()], &Logo, &LogoSize)) {
    gLogoScaleMode = 0;
    if (!EFI_ERROR (GetVariableBuffer (u"OKURWZSetup", &mEngineSettingsGuid, (VOID **)&Settings, &SettingsSize, NULL)) &&
        (SettingsSize > SETUP_PASSWORD_QUIET_BOOT) && (Settings[SETUP_PASSWORD_QUIET_BOOT] == LOGO_SETTINGS_SCALED))
    {
      ZeroMem (&None, sizeof (None));
      gLogoScaleMode = 1;
      (VOID)SetDisplayModeFromEdid (&None);     // a monitor without a usable EDID keeps the current mode
      Placement = PLACEMENT_TOP_CENTRE;
    }

    FreePool (Settings);
    gLogoDrawing = 1;
    Status = DrawPostLogoImage (Logo, LogoSize, Placement, 0, 0, TRUE, &gLogoSize[0], &gLogoSize[1]);
    FreePool (Logo);
  }

  Status       = DrawOemBadges (Status);
  gLogoDrawing = 0;
  if (!EFI_ERROR (Status)) {
    ShowLogoPrompt ();
  }

  // Without graphics output the saved resolution stays 0, and nothing is restored.
  (VOID)GetGopResolution (&gSavedScreenWidth, &gSavedScreenHeight);
  return 0;
}

VOID
SetConsoleScreenMode (
  IN UINTN  Mode
  )
{
  // Firmware without console control (OVMF) shows text and graphics on one screen.
  if ((gConsoleControl != NULL) && (gConsoleControl->SetMode != NULL)) {
    (VOID)gConsoleControl->SetMode (gConsoleControl, (CONSOLE_CONTROL_SCREEN_MODE)Mode);
  }
}

static VOID
ReadConsoleSize (
  OUT UINTN  *Columns,
  OUT UINTN  *Rows
  )
{
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL  *Out = gST->ConOut;

  if ((Out->Mode == NULL) || EFI_ERROR (Out->QueryMode (Out, (UINTN)Out->Mode->Mode, Columns, Rows))) {
    *Columns = 80;
    *Rows    = 24;
  }
}

CHAR16 *
FormatSignOnLine (
  VOID
  )
{
  UpdateSignOnVersionString ();
  return HiiGetString (ENGINE_OWN_HII_HANDLE, STR_SIGN_ON_VERSION, NULL);
}

VOID
DrawTextPostScreen (
  VOID
  )
{
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL  *Out;
  UINTN                            Columns;
  UINTN                            Rows;
  VOID                             *Logo = NULL;
  UINTN                            LogoSize;
  UINT64                           ScreenWidth;
  UINT64                           ScreenHeight;
  UINT64                           LogoWidth  = 0;
  UINT64                           LogoHeight = 0;
  UINT64                           FirstRow   = 0;
  INT64                            X;
  INT64                            Y;
  CHAR16                           *SignOn;

  if ((gST == NULL) || (gST->ConOut == NULL)) {
    return;
  }

  Out = gST->ConOut;
  if (gBootScreenState < BOOT_SCREEN_STATE_BOOT_MENU) {
    gBootScreenState = BOOT_SCREEN_STATE_TEXT_POST;
  }

  SetConsoleScreenMode (ConsoleControlScreenText);
  ReadConsoleSize (&Columns, &Rows);
  if ((gTextScreenColumns > Columns) && (gTextScreenRows > Rows)) {
    SetConsoleModeForScreen ();
  }

  // Each call only shapes the screen; a console that refuses one still shows the text.
  (VOID)Out->EnableCursor (Out, FALSE);
  (VOID)Out->SetAttribute (Out, TEXT_DEFAULT_ATTRIBUTE);
  (VOID)Out->ClearScreen (Out);
  ClearTextScreen ();
  if ((gBootScreenState < BOOT_SCREEN_STATE_BOOT_MENU) && (LocateGraphicsOutput () != NULL) &&
      !EFI_ERROR (GetGopResolution (&ScreenWidth, &ScreenHeight)) && ReadFvFile (&gTextPostLogoFile, &Logo, &LogoSize))
  {
    // The top-left of the text area; signed, since a narrow screen puts it left of the edge.
    X = ((INT64)ScreenWidth - (INT64)(gTextScreenColumns * POST_CELL_WIDTH)) / 2;
    Y = ((INT64)ScreenHeight - (INT64)(gTextScreenRows * POST_CELL_HEIGHT)) / 2;
    if (!EFI_ERROR (DrawPostLogoImage (Logo, LogoSize, PLACEMENT_AT_XY, (UINT64)((X > 0) ? X : 0), (UINT64)((Y > 0) ? Y : 0), FALSE,
                      &LogoWidth, &LogoHeight)))
    {
      FirstRow = (LogoHeight + POST_CELL_HEIGHT - 1) / POST_CELL_HEIGHT;
    }

    FreePool (Logo);
    InvalidateBootLogoTable ();
  }

  // The screen was cleared: no earlier line moves down with the window's top.
  gPostCursorColumn = 0;
  gPostCursorRow    = gPostWindow.TopRow;
  OpenPostWindow (FirstRow);
  SignOn = FormatSignOnLine ();
  if (SignOn != NULL) {
    PostWindowPrint (SignOn, TRUE);
    PostWindowPrint (u"\r\n", TRUE);
    FreePool (SignOn);
  }

  (VOID)HookAfterLogo ();     // a notification: the board's answer decides nothing here
}

VOID
InitPostScreen (
  VOID
  )
{
  UINT8                            *Record;
  UINTN                            Size = 0;
  UINTN                            Columns;
  UINTN                            Rows;
  BOOLEAN                          Graphics;

  gPostScreenReady = TRUE;
  if ((gConsoleControl == NULL) &&
      EFI_ERROR (gBS->LocateProtocol (&gConsoleControlProtocolGuid, NULL, (VOID **)&gConsoleControl)))
  {
    gConsoleControl = NULL;     // OVMF has none: text and graphics share the screen
  }

  (VOID)BuildLanguageList ();    // without a list the engine's strings still come in the default language
  Record       = (UINT8 *)GetCachedVariable (SETUP_VARIABLE_INDEX_PASSWORD, &Size);
  // The quiet-boot byte is the record's 81st: a shorter record has none.
  gQuietBootOn = ((Record != NULL) && (Size > SETUP_PASSWORD_QUIET_BOOT)) ? Record[SETUP_PASSWORD_QUIET_BOOT] : 0;
  if ((gST != NULL) && (gST->ConOut != NULL)) {
    ReadConsoleSize (&Columns, &Rows);
    if (((gTextScreenColumns > Columns) && (gTextScreenRows > Rows)) ||
        ((gTextScreenColumns < Columns) && (gTextScreenRows < Rows) && (gQuietBootOn == 0)))
    {
      SetConsoleModeForScreen ();
    } else if ((gTextScreenRows > Rows) && (gTextScreenColumns <= Columns)) {
      gTextScreenRows = Rows;
    }
  }

  Graphics = (BOOLEAN)(((gConsoleArrivalMask & CONSOLE_ARRIVED_GRAPHICS) != 0) || (LocateGraphicsOutput () != NULL));
  if (Graphics && (gQuietBootOn != 0)) {
    gBootScreenState = BOOT_SCREEN_STATE_LOGO;
    // Without console control (OVMF) the text console shares the screen: it goes first.
    if (gConsoleControl == NULL) {
      ClearGraphicsScreen ();
    }

    SetConsoleScreenMode (ConsoleControlScreenGraphics);
    (VOID)HookDrawPostLogo ();     // a notification: the board's answer decides nothing here
    gBootProgressBar.Drawn = 1;
    if (gBootProgressBar.Active != 0) {
      DrawProgressBar ();
    }
  }

  if ((gST != NULL) && (gST->ConOut != NULL)) {
    if ((gQuietBootOn == 0) || !Graphics) {
      ClearGraphicsScreen ();
      InvalidateBootLogoTable ();
      DrawTextPostScreen ();
    }

    (VOID)HookPostScreenStart ();     // a notification: the board's answer decides nothing here
  }
}

VOID
DrawProgressBar (
  VOID
  )
{
  BOOT_PROGRESS_BAR              *Bar = &gBootProgressBar;
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  Pixel;
  UINT64                         Filled;

  if ((gGraphicsOutput == NULL) || (Bar->Active == 0) || (Bar->Drawn == 0) || (Bar->Width < 2) || (Bar->Height < 2)) {
    return;
  }

  Filled = PostMin (Bar->Position, Bar->Width - 2);
  CopyMem (&Pixel, &Bar->Border, sizeof (Pixel));
  // The bar is a decoration: a fill the screen refuses leaves it as it was.
  (VOID)gGraphicsOutput->Blt (gGraphicsOutput, &Pixel, EfiBltVideoFill, 0, 0, (UINTN)Bar->Left, (UINTN)Bar->Top,
                          (UINTN)Bar->Width, (UINTN)Bar->Height, 0);
  if (Filled != 0) {
    CopyMem (&Pixel, &Bar->Fill, sizeof (Pixel));
    (VOID)gGraphicsOutput->Blt (gGraphicsOutput, &Pixel, EfiBltVideoFill, 0, 0, (UINTN)Bar->Left + 1, (UINTN)Bar->Top + 1,
                            (UINTN)Filled, (UINTN)Bar->Height - 2, 0);
  }

  if (Filled < Bar->Width - 2) {
    CopyMem (&Pixel, &Bar->Background, sizeof (Pixel));
    // As above: a refused fill leaves the bar as it was.
    (VOID)gGraphicsOutput->Blt (gGraphicsOutput, &Pixel, EfiBltVideoFill, 0, 0, (UINTN)(Bar->Left + 1 + Filled),
                            (UINTN)Bar->Top + 1, (UINTN)(Bar->Width - 2 - Filled), (UINTN)Bar->Height - 2, 0);
  }
}

EFI_STATUS
DrawProgressBarStep (
  VOID
  )
{
  if (gBootProgressBar.Active == 0) {
    return EFI_UNSUPPORTED;
  }

  // The bar stops at its end: more steps than it was made for draw nothing outside it.
  gBootProgressBar.Position = PostMin (gBootProgressBar.Position + gBootProgressBar.StepWidth, gBootProgressBar.Width);
  DrawProgressBar ();
  return EFI_SUCCESS;
}

// The firmware version the sign-on line shows: "2.23.4678" read as hexadecimal digits, and the build.
#define FIRMWARE_VERSION_MAJOR  0x2
#define FIRMWARE_VERSION_MINOR  0x23
#define FIRMWARE_VERSION_PATCH  0x4678
#define FIRMWARE_VERSION_BUILD  0x0001
#define SIGN_ON_MAX_CHARS       128

VOID
UpdateSignOnVersionString (
  VOID
  )
{
  CHAR8       *Languages = NULL;
  UINTN       Size       = 0;
  CHAR8       *Code;
  CHAR8       *End;
  CHAR16      Language[32];
  CHAR16      Line[SIGN_ON_MAX_CHARS];
  CHAR16      *Format;

  if ((gHiiString == NULL) || (gHiiHandle == NULL) ||
      (gHiiString->GetLanguages (gHiiString, gHiiHandle, NULL, &Size) != EFI_BUFFER_TOO_SMALL))
  {
    return;
  }

  Languages = (CHAR8 *)AllocateZeroPool (Size + 1);
  if ((Languages == NULL) || EFI_ERROR (gHiiString->GetLanguages (gHiiString, gHiiHandle, Languages, &Size))) {
    FreePool (Languages);
    return;
  }

  for (Code = Languages; *Code != 0; Code = End) {
    UINTN  Length = 0;

    for (End = Code; (*End != 0) && (*End != ';'); End++) {
      if (Length + 1 < sizeof (Language) / sizeof (Language[0])) {
        Language[Length++] = (CHAR16)*End;
      }
    }

    Language[Length] = 0;
    if (*End == ';') {
      *End++ = 0;
    }

    Format = LibHiiGetString (gHiiHandle, STR_SIGN_ON_VERSION, Code);
    // A string already rewritten has nothing left to fill in.
    if ((Format != NULL) && (StrStr (Format, u"%") != NULL)) {
      UnicodeSPrint (Line, sizeof (Line), Format, FIRMWARE_VERSION_MAJOR, FIRMWARE_VERSION_MINOR, FIRMWARE_VERSION_PATCH,
        FIRMWARE_VERSION_BUILD);
      (VOID)NewStringInLanguage (gHiiHandle, STR_SIGN_ON_VERSION, Language, Line);
    }

    FreePool (Format);
  }

  FreePool (Languages);
}
