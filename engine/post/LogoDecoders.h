/** @file
  The logo converters: BMP and baseline JPEG file images into graphics-output pixels.
**/
#ifndef ENGINE_LOGO_DECODERS_H_
#define ENGINE_LOGO_DECODERS_H_

#include <Uefi.h>
#include <Protocol/GraphicsOutput.h>

/**
  Converts a BMP file image into graphics-output pixels. A null *Blt: a new pool
  buffer; a caller's buffer that is too small: EFI_BUFFER_TOO_SMALL with the size.
**/
EFI_STATUS  ConvertBmpToGopBlt (IN VOID *BmpImage, IN UINT64 BmpImageSize, IN OUT VOID **Blt, IN OUT UINT64 *BltSize,
              OUT UINT64 *PixelHeight, OUT UINT64 *PixelWidth);
/**
  Converts a baseline JPEG file image (4:4:4 or 4:2:0) into graphics-output pixels, with
  the same size protocol; Pitch gets the pixels a row, which is the width.
**/
EFI_STATUS  ConvertJpegToGopBlt (IN VOID *JpegImage, IN UINT64 JpegImageSize, IN OUT VOID **Blt, IN OUT UINT32 *BltSize,
              OUT UINT32 *PixelHeight, OUT UINT32 *PixelWidth, OUT UINT32 *Pitch);

#endif
