/** @file
  The logo converters: BMP and baseline JPEG file images into graphics-output pixels.
**/
#ifndef ENGINE_LOGO_DECODERS_H_
#define ENGINE_LOGO_DECODERS_H_

#include <Uefi.h>
#include <Protocol/GraphicsOutput.h>

//
// The largest logo either converter takes: 3840 x 2160 pixels, the largest screen the
// boot screen lays out. A picture wider or taller could never be shown whole, and its
// size comes from a header read before anything is decoded; it is refused before any
// allocation, so that no logo, however hostile, asks for more than 33 MB of pixels.
//
#define LOGO_MAX_WIDTH   3840
#define LOGO_MAX_HEIGHT  2160

/**
  Converts a BMP file image into graphics-output pixels. A null *Blt: a new pool
  buffer; a caller's buffer that is too small: EFI_BUFFER_TOO_SMALL with the size.
  A picture larger than LOGO_MAX_WIDTH x LOGO_MAX_HEIGHT: EFI_UNSUPPORTED.
**/
EFI_STATUS  ConvertBmpToGopBlt (IN VOID *BmpImage, IN UINT64 BmpImageSize, IN OUT VOID **Blt, IN OUT UINT64 *BltSize,
              OUT UINT64 *PixelHeight, OUT UINT64 *PixelWidth);
/**
  Converts a baseline JPEG file image (4:4:4 or 4:2:0) into graphics-output pixels, with
  the same size protocol and limit; Pitch gets the pixels a row, which is the width.
**/
EFI_STATUS  ConvertJpegToGopBlt (IN VOID *JpegImage, IN UINT64 JpegImageSize, IN OUT VOID **Blt, IN OUT UINT32 *BltSize,
              OUT UINT32 *PixelHeight, OUT UINT32 *PixelWidth, OUT UINT32 *Pitch);

#endif
