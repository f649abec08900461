/** @file
  The display mode the setup screens start in: the first graphics mode 1024 pixels
  wide, in the order the graphics output lists them.
**/
#include <frontend/FrontEndServices.h>
#include <engine/core/EngineGlobals.h>

#include <Protocol/GraphicsOutput.h>
#include <Library/MemoryAllocationLib.h>

VOID
SetGraphicsMode1024 (
  IN VOID  *Unused
  )
{
  EFI_GRAPHICS_OUTPUT_PROTOCOL  *Gop = NULL;

  (VOID)Unused;
  if (EFI_ERROR (gBS->LocateProtocol (&gEfiGraphicsOutputProtocolGuid, NULL, (VOID **)&Gop)) || (Gop == NULL) ||
      (Gop->Mode == NULL))
  {
    return;       // no graphics output: nothing to set
  }

  for (UINT32 Mode = 0; Mode < Gop->Mode->MaxMode; Mode++) {
    EFI_GRAPHICS_OUTPUT_MODE_INFORMATION  *Info = NULL;
    UINTN                                 Size  = 0;
    BOOLEAN                               Wide;

    if (EFI_ERROR (Gop->QueryMode (Gop, Mode, &Size, &Info)) || (Info == NULL)) {
      continue;
    }

    Wide = (BOOLEAN)(Info->HorizontalResolution == 1024);
    FreePool (Info);
    if (Wide) {
      // The current mode stays when the chosen one cannot be set.
      if (Gop->Mode->Mode != Mode) {
        (VOID)Gop->SetMode (Gop, Mode);
      }

      return;
    }
  }
}
