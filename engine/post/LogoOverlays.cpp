/** @file
  Images drawn over the quiet-boot logo: the overclocking badge with the gain in per
  cent as two digit images, one more badge for the board's own overclocking modes,
  the badge of very high resolution screens, and the images of OEM badging drivers. The gain comes from the platform's
  tokens and the processor: without the token protocol no badge is drawn.
**/
#include <engine/post/PostScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/FirmwareVolumes.h>
#include <engine/core/HookTable.h>
#include <engine/post/PostHooks.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/IoLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>
#include <Protocol/FirmwareVolume2.h>
#include <Protocol/OemBadging.h>
#include <Protocol/PlatformToken.h>

#define TOKEN_BASE_RATIO          0x8240
#define TOKEN_OVERLAY_OFF         0x12DF
#define MSR_PLATFORM_INFO         0xCE
#define MSR_PERF_STATUS           0x198
#define OC_SETTINGS_SIZE          9070
#define OC_BASE_CLOCK_OFFSET      59
#define OC_MODE_OFFSET            212
#define OC_DEFAULT_BASE_CLOCK     1000000
#define OVERLAY_WIDTH             285
#define OVERLAY_LIFT_CENTRED      100
#define OVERLAY_LIFT_SCALED       40
#define OEM_BADGES_PER_INSTANCE   32

static CONST EFI_GUID  mOcSettingsGuid = { 0xA3A3B874, 0x5B1F, 0x4B4E, { 0x8C, 0x3D, 0x27, 0x61, 0x0E, 0x9A, 0x44, 0x12 } };
static CONST EFI_GUID  mOverlayFile    = { 0x214CF916, 0xE34D, 0x4A0A, { 0xA6, 0x7D, 0x98, 0x25, 0x09, 0x78, 0x3C, 0x14 } };
static CONST EFI_GUID  mExtraFile      = { 0x5C0E1D44, 0x9F63, 0x4A27, { 0xB1, 0x8E, 0x3A, 0x70, 0xC2, 0x55, 0x09, 0xEE } };
static CONST EFI_GUID  mBadgeFile      = { 0x88EAB212, 0xC54F, 0x4DE0, { 0xB8, 0x3C, 0x0D, 0xBE, 0x61, 0x4E, 0xEA, 0xCC } };
// Digit images 0 to 9: the last byte is the digit.
static CONST EFI_GUID  mDigitFileBase  = { 0x3E9D6B20, 0x71C4, 0x4F0A, { 0x95, 0x2B, 0x6D, 0x18, 0xE4, 0x07, 0xA3, 0x00 } };

// Where the last overlay image ended on its row, so the digits follow it.
static UINT64  mOverlayRight;
static UINT64  mOverlayTop;

static BOOLEAN
ReadImageFile (
  IN  CONST EFI_GUID  *File,
  OUT VOID            **Image,
  OUT UINTN           *Size
  )
{
  EFI_HANDLE  *Handles = NULL;
  UINTN       Count    = 0;

  *Image = NULL;
  *Size  = 0;
  if (EFI_ERROR (gBS->LocateHandleBuffer (ByProtocol, &gEfiFirmwareVolume2ProtocolGuid, NULL, &Count, &Handles)) ||
      EFI_ERROR (ReadFvFileSection (File, Image, Size, Handles, Count)))
  {
    *Image = NULL;
    return FALSE;
  }

  return TRUE;
}

static EFI_STATUS
DrawImageFile (
  IN  CONST EFI_GUID  *File,
  IN  UINT32          Placement,
  IN  UINT64          X,
  IN  UINT64          Y,
  OUT UINT64          *Width
  )
{
  VOID        *Image;
  UINTN       Size;
  UINT64      Height;
  EFI_STATUS  Status;

  *Width = 0;
  if (!ReadImageFile (File, &Image, &Size)) {
    return EFI_NOT_FOUND;
  }

  Status = DrawPostLogoImage (Image, Size, Placement, X, Y, FALSE, Width, &Height);
  FreePool (Image);
  return Status;
}

/** The overclocking mode byte of the board's settings; 0 when they cannot be read. */
static UINT8
ReadOcSettings (
  OUT UINT32  *BaseClock
  )
{
  UINT8  *Data = NULL;
  UINTN  Size  = 0;
  UINT8  Mode  = 0;

  *BaseClock = OC_DEFAULT_BASE_CLOCK;
  if (EFI_ERROR (GetVariableBuffer (u"VARSTORE_OCMR_SETTINGS_NAME", &mOcSettingsGuid, (VOID **)&Data, &Size, NULL))) {
    return 0;
  }

  if (Size > OC_MODE_OFFSET) {
    Mode = Data[OC_MODE_OFFSET];
  }

  if ((Size >= OC_BASE_CLOCK_OFFSET + sizeof (UINT32)) && (ReadUnaligned32 ((UINT32 *)(Data + OC_BASE_CLOCK_OFFSET)) != 0)) {
    *BaseClock = ReadUnaligned32 ((UINT32 *)(Data + OC_BASE_CLOCK_OFFSET));
  }

  FreePool (Data);
  return Mode;
}

/**
  The gain of the current frequency over the stock one, in whole per cent from 1 to
  99; FALSE when there is none to show (no token protocol, the badge turned off, a
  stock mode, or a stock frequency of 0).
**/
static BOOLEAN
ReadOverclockGain (
  OUT UINT64  *Gain,
  OUT UINT8   *Mode
  )
{
  PLATFORM_TOKEN_PROTOCOL  *Tokens = NULL;
  UINT64                   Ratio   = 0;
  UINT64                   Off     = 0;
  UINT64                   Current;
  UINT32                   BaseClock;
  UINT64                   Stock;

  *Gain = 0;
  *Mode = 0;
  if (EFI_ERROR (gBS->LocateProtocol (&gPlatformTokenProtocolGuid, NULL, (VOID **)&Tokens)) || (Tokens == NULL)) {
    return FALSE;
  }

  if (EFI_ERROR (Tokens->GetToken (Tokens, TOKEN_BASE_RATIO, &Ratio)) || (Ratio == 0)) {
    Ratio = (AsmReadMsr64 (MSR_PLATFORM_INFO) >> 8) & 0xFF;
    (VOID)Tokens->SetToken (Tokens, TOKEN_BASE_RATIO, Ratio);   // kept for the next boot; this one goes on
  }

  *Mode   = ReadOcSettings (&BaseClock);
  Current = ((AsmReadMsr64 (MSR_PERF_STATUS) >> 8) & 0xFF) * BaseClock;
  Stock   = Ratio * BaseClock;
  if ((!EFI_ERROR (Tokens->GetToken (Tokens, TOKEN_OVERLAY_OFF, &Off)) && (Off == 1)) || (*Mode <= 2) || (Stock == 0) ||
      (Current <= Stock))
  {
    return FALSE;
  }

  *Gain = PostMin ((Current - Stock) * 100 / Stock, 99);
  return (BOOLEAN)(*Gain >= 1);
}

UINT64
DrawOverclockOverlay (
  IN CONST HOOK_ARGS  *Args
  )
{
  UINT64  Gain;
  UINT8   Mode;
  UINT64  Width;
  UINT64  ScreenWidth;
  UINT64  ScreenHeight;
  UINT64  LogoBottom;
  UINT64  X;

  (VOID)Args;
  mOverlayRight = 0;
  if (!ReadOverclockGain (&Gain, &Mode) || EFI_ERROR (GetGopResolution (&ScreenWidth, &ScreenHeight)) ||
      (ScreenWidth < OVERLAY_WIDTH))
  {
    return 0;
  }

  if (gLogoScaleMode == 1) {
    LogoBottom  = ScreenHeight * 382 / 1000 + gLogoSize[1] / 2;
    mOverlayTop = (LogoBottom > OVERLAY_LIFT_SCALED) ? LogoBottom - OVERLAY_LIFT_SCALED : 0;
  } else {
    LogoBottom  = (ScreenHeight + gLogoSize[1]) / 2;
    mOverlayTop = (LogoBottom > OVERLAY_LIFT_CENTRED) ? LogoBottom - OVERLAY_LIFT_CENTRED : 0;
  }

  X = (ScreenWidth - OVERLAY_WIDTH) / 2;
  if (!EFI_ERROR (DrawImageFile (&mOverlayFile, PLACEMENT_AT_XY, X, mOverlayTop, &Width))) {
    mOverlayRight = X + Width;
  }

  return 0;
}

static VOID
DrawGainDigit (
  IN UINT64  Digit
  )
{
  EFI_GUID  File = mDigitFileBase;
  UINT64    Width;

  File.Data4[7] = (UINT8)Digit;
  if ((mOverlayRight != 0) && !EFI_ERROR (DrawImageFile (&File, PLACEMENT_AT_XY, mOverlayRight, mOverlayTop, &Width))) {
    mOverlayRight += Width;
  }
}

UINT64
DrawOverclockGainTens (
  IN CONST HOOK_ARGS  *Args
  )
{
  UINT64  Gain;
  UINT8   Mode;

  (VOID)Args;
  if (ReadOverclockGain (&Gain, &Mode)) {
    DrawGainDigit (Gain / 10);
  }

  return 0;
}

UINT64
DrawOverclockGainUnits (
  IN CONST HOOK_ARGS  *Args
  )
{
  UINT64  Gain;
  UINT8   Mode;

  (VOID)Args;
  if (ReadOverclockGain (&Gain, &Mode)) {
    DrawGainDigit (Gain % 10);
  }

  return 0;
}

UINT64
DrawOverclockExtraImage (
  IN CONST HOOK_ARGS  *Args
  )
{
  PLATFORM_TOKEN_PROTOCOL  *Tokens = NULL;
  UINT32                   BaseClock;
  UINT8                    Mode;
  UINT64                   Width;

  (VOID)Args;
  if (EFI_ERROR (gBS->LocateProtocol (&gPlatformTokenProtocolGuid, NULL, (VOID **)&Tokens))) {
    return 0;
  }

  Mode = ReadOcSettings (&BaseClock);
  if ((Mode == 1) || (Mode == 2)) {
    // The overlay is a decoration; a missing file shows nothing.
    (VOID)DrawImageFile (&mExtraFile, PLACEMENT_BOTTOM_CENTRE, 0, OVERLAY_LIFT_CENTRED, &Width);
  }

  return 0;
}

UINT64
DrawHighResolutionBadge (
  IN CONST HOOK_ARGS  *Args
  )
{
  UINT64  ScreenWidth;
  UINT64  ScreenHeight;
  UINT64  Width;
  UINT8   Saved = gLogoDrawing;

  (VOID)Args;
  if (EFI_ERROR (GetGopResolution (&ScreenWidth, &ScreenHeight)) || (ScreenWidth < 3840) || (ScreenHeight < 2160)) {
    return 0;
  }

  // Drawn as it is: the badge is made for such screens and never scaled.
  gLogoDrawing = 0;
  (VOID)DrawImageFile (&mBadgeFile, PLACEMENT_BOTTOM_CENTRE, 0, 0, &Width);
  gLogoDrawing = Saved;
  return 0;
}

EFI_STATUS
DrawOemBadges (
  IN EFI_STATUS  Status
  )
{
  EFI_HANDLE            *Handles = NULL;
  UINTN                 Count    = 0;
  OEM_BADGING_PROTOCOL  *Badging;
  VOID                  *Image;
  UINTN                 Size;
  UINT32                Placement;
  UINTN                 X;
  UINTN                 Y;

  if (EFI_ERROR (gBS->LocateHandleBuffer (ByProtocol, &gOemBadgingProtocolGuid, NULL, &Count, &Handles))) {
    return Status;
  }

  for (UINTN Instance = 0; Instance < Count; Instance++) {
    Badging = NULL;
    if (EFI_ERROR (gBS->HandleProtocol (Handles[Instance], &gOemBadgingProtocolGuid, (VOID **)&Badging)) ||
        (Badging == NULL) || (Badging->GetImage == NULL))
    {
      continue;
    }

    // A driver that never runs out of images must not hold the power-on screen.
    for (UINT32 Index = 0; Index < OEM_BADGES_PER_INSTANCE; Index++) {
      Image = NULL;
      Size  = 0;
      if (EFI_ERROR (Badging->GetImage (Badging, Index, &Image, &Size, &Placement, &X, &Y)) || (Image == NULL)) {
        break;
      }

      // Only the main logo may change the mode; a badge larger than the screen is left out.
      Status = DrawPostLogoImage (Image, Size, Placement, X, Y, FALSE, NULL, NULL);
    }
  }

  FreePool (Handles);
  return Status;
}
