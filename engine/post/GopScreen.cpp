/** @file
  The graphics screen under the POST: finding the graphics output, its resolution and
  the mode closest to a wanted one, and the save and restore of the whole screen
  around a pop-up.
**/
#include <engine/post/PostScreen.h>
#include <engine/post/BootScreen.h>
#include <engine/boot/BootGraphics.h>
#include <engine/core/EngineGlobals.h>
#include <engine/textui/TextScreen.h>

#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/UefiLib.h>
#include <Protocol/DevicePath.h>


EFI_GRAPHICS_OUTPUT_PROTOCOL *
LocateGraphicsOutput (
  VOID
  )
{
  EFI_HANDLE                    *Handles = NULL;
  UINTN                         Count    = 0;
  EFI_GRAPHICS_OUTPUT_PROTOCOL  *Found   = NULL;
  EFI_GRAPHICS_OUTPUT_PROTOCOL  *Gop;
  VOID                          *Path;

  if ((gBS == NULL) || EFI_ERROR (gBS->LocateHandleBuffer (ByProtocol, &gEfiGraphicsOutputProtocolGuid, NULL, &Count, &Handles))) {
    gGraphicsOutput = NULL;
    return NULL;
  }

  // The console splitter's copy has no device path: the device's own output is the one drawn on.
  for (UINTN Index = 0; Index < Count; Index++) {
    if (!EFI_ERROR (gBS->HandleProtocol (Handles[Index], &gEfiDevicePathProtocolGuid, &Path)) &&
        !EFI_ERROR (gBS->HandleProtocol (Handles[Index], &gEfiGraphicsOutputProtocolGuid, (VOID **)&Gop)) && (Gop != NULL))
    {
      Found = Gop;
    }
  }

  FreePool (Handles);
  gGraphicsOutput = Found;
  return Found;
}

EFI_STATUS
GetGopResolution (
  OUT UINT64  *Width,
  OUT UINT64  *Height
  )
{
  EFI_GRAPHICS_OUTPUT_PROTOCOL  *Gop = gGraphicsOutput;

  *Width  = 0;
  *Height = 0;
  if ((Gop == NULL) || (Gop->Mode == NULL) || (Gop->Mode->Info == NULL)) {
    return EFI_UNSUPPORTED;
  }

  *Width  = Gop->Mode->Info->HorizontalResolution;
  *Height = Gop->Mode->Info->VerticalResolution;
  return EFI_SUCCESS;
}

EFI_STATUS
SetClosestGopMode (
  IN OUT UINT64  *Width,
  IN OUT UINT64  *Height
  )
{
  EFI_GRAPHICS_OUTPUT_PROTOCOL          *Gop = gGraphicsOutput;
  EFI_GRAPHICS_OUTPUT_MODE_INFORMATION  *Info;
  UINTN                                 InfoSize;
  UINT64                                Best     = (~(UINT64)0);
  UINT32                                BestMode = 0;
  UINT64                                Distance;

  if ((Gop == NULL) || (Gop->Mode == NULL)) {
    return EFI_UNSUPPORTED;
  }

  for (UINT32 Mode = 0; Mode < Gop->Mode->MaxMode; Mode++) {
    if (EFI_ERROR (Gop->QueryMode (Gop, Mode, &InfoSize, &Info))) {
      continue;
    }

    Distance = ((Info->HorizontalResolution > *Width) ? Info->HorizontalResolution - *Width : *Width - Info->HorizontalResolution) +
               ((Info->VerticalResolution > *Height) ? Info->VerticalResolution - *Height : *Height - Info->VerticalResolution);
    FreePool (Info);
    if (Distance < Best) {
      Best     = Distance;
      BestMode = Mode;
    }
  }

  if (Best == (~(UINT64)0)) {
    return EFI_NOT_FOUND;
  }

  if ((BestMode != Gop->Mode->Mode) && EFI_ERROR (Gop->SetMode (Gop, BestMode))) {
    return EFI_DEVICE_ERROR;
  }

  return GetGopResolution (Width, Height);
}

EFI_GRAPHICS_OUTPUT_BLT_PIXEL *
SaveGopScreen (
  OUT UINT64  *Width,
  OUT UINT64  *Height
  )
{
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Copy;

  if (EFI_ERROR (GetGopResolution (Width, Height)) || (*Width == 0) || (*Height == 0)) {
    return NULL;
  }

  Copy = (EFI_GRAPHICS_OUTPUT_BLT_PIXEL *)AllocatePool ((UINTN)(*Width * *Height * sizeof (*Copy)));
  if ((Copy != NULL) &&
      EFI_ERROR (gGraphicsOutput->Blt (gGraphicsOutput, Copy, EfiBltVideoToBltBuffer, 0, 0, 0, 0, (UINTN)*Width,
                   (UINTN)*Height, 0)))
  {
    FreeAndNull (Copy);
  }

  return Copy;
}

VOID
RestoreGopScreen (
  IN EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Copy,
  IN UINT64                         Width,
  IN UINT64                         Height
  )
{
  UINT64  NowWidth;
  UINT64  NowHeight;

  if (Copy == NULL) {
    return;
  }

  if (!EFI_ERROR (GetGopResolution (&NowWidth, &NowHeight))) {
    if ((NowWidth != Width) || (NowHeight != Height)) {
      NowWidth  = Width;
      NowHeight = Height;
      // The screen stays in the mode it has; the copy is then not put back below.
      (VOID)SetClosestGopMode (&NowWidth, &NowHeight);
    }

    // Only a screen in the saved resolution can take the copy back.
    if ((NowWidth == Width) && (NowHeight == Height)) {
      (VOID)gGraphicsOutput->Blt (gGraphicsOutput, Copy, EfiBltBufferToVideo, 0, 0, 0, 0, (UINTN)Width, (UINTN)Height, 0);
    }
  }

  FreePool (Copy);
  if ((gQuietBootOn == 0) || (gGraphicsOutput == NULL)) {
    ClearTextScreen ();
    DrawTextPostScreen ();
  }
}
