/** @file
  The logo converters: an uncompressed BMP file or a baseline JPEG file in memory
  becomes 32-bit graphics-output pixels (blue, green, red, reserved), rows top to
  bottom. Every read stays inside the image's size; a buffer the caller passed is
  never freed.
**/

#include <Format/Bmp.h>

#include <Library/BaseMemoryLib.h>
#include <engine/post/LogoDecoders.h>
#include <Library/MemoryAllocationLib.h>

#include <graphics/codec/JpegBaseline.h>

// The JPEG decoder's working state; one logo decode runs at a time.
static JpegBaselineDecoder  mLogoJpeg;

//
// The size protocol of both converters: a null *Blt gets a new pool buffer (not
// cleared); a caller's buffer must hold Needed bytes. Allocated tells which it was.
//
static EFI_STATUS
ClaimPixelBuffer (
  IN OUT VOID     **Blt,
  IN     UINT64   Available,
  IN     UINT64   Needed,
  OUT    BOOLEAN  *Allocated
  )
{
  *Allocated = FALSE;
  if (*Blt != NULL) {
    return (Available < Needed) ? EFI_BUFFER_TOO_SMALL : EFI_SUCCESS;
  }

  // An image without pixels still gets a buffer, so that the caller frees what it got.
  *Blt = AllocatePool ((UINTN)((Needed != 0) ? Needed : sizeof (UINT32)));
  if (*Blt == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  *Allocated = TRUE;
  return EFI_SUCCESS;
}

typedef struct {
  CONST UINT8  *File;
  UINT64       FileSize;
  UINT64       Palette;       // offset of entry 0
  UINT32       BitsPerPixel;
  UINT64       PixelData;     // offset of the pixel data, the bottom row first
} BMP_SOURCE;

// A palette entry that lies outside the file is black.
static VOID
PaletteColour (
  IN  CONST BMP_SOURCE             *Source,
  IN  UINT32                       Index,
  OUT EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Pixel
  )
{
  UINT64  At = Source->Palette + (UINT64)Index * 4;

  if (At + 3 > Source->FileSize) {
    Pixel->Blue = Pixel->Green = Pixel->Red = 0;
    return;
  }

  Pixel->Blue  = Source->File[At];
  Pixel->Green = Source->File[At + 1];
  Pixel->Red   = Source->File[At + 2];
}

static VOID
ConvertBmpRow (
  IN  CONST BMP_SOURCE             *Source,
  IN  CONST UINT8                  *Row,
  IN  UINT32                       Width,
  OUT EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Out
  )
{
  for (UINT32 X = 0; X < Width; X++, Out++) {
    switch (Source->BitsPerPixel) {
      case 1:
        PaletteColour (Source, (Row[X >> 3] >> (7 - (X & 7))) & 1, Out);
        break;
      case 4:
        PaletteColour (Source, (Row[X >> 1] >> (((X & 1) != 0) ? 0 : 4)) & 0x0F, Out);
        break;
      case 8:
        PaletteColour (Source, Row[X], Out);
        break;
      default:
        {
          CONST UINT8  *Bytes = Row + (UINTN)X * (Source->BitsPerPixel / 8);
          Out->Blue  = Bytes[0];
          Out->Green = Bytes[1];
          Out->Red   = Bytes[2];
        }
        break;
    }
  }
}

//
// Checks the header of an uncompressed BMP of 1, 4, 8, 24 or 32 bits a pixel whose
// rows all lie inside the file; gives the geometry.
//
static EFI_STATUS
ReadBmpHeader (
  IN  CONST UINT8  *File,
  IN  UINT64       FileSize,
  OUT BMP_SOURCE   *Source,
  OUT UINT32       *Width,
  OUT UINT32       *Height,
  OUT UINT64       *RowBytes
  )
{
  BMP_HEADER  Header;
  UINT32      Bits;
  UINT64      Offset;

  // Core headers of 12 bytes and compressed files are not logos this converter takes.
  if (!BmpHasSignature (File, FileSize) || !BmpReadHeader (File, FileSize, &Header) ||
      (Header.InfoSize < BMP_INFO_HEADER_SIZE) || (Header.Compression != BMP_COMPRESSION_NONE))
  {
    return EFI_UNSUPPORTED;
  }

  Bits    = Header.BitsPerPixel;
  *Width  = Header.Width;
  *Height = Header.Height;
  if (((Bits != 1) && (Bits != 4) && (Bits != 8) && (Bits != 24) && (Bits != 32)) ||
      // A picture without pixels needs no buffer, whatever its other side says.
      (((UINT64)*Width * *Height != 0) && ((*Width > LOGO_MAX_WIDTH) || (*Height > LOGO_MAX_HEIGHT))))
  {
    return EFI_UNSUPPORTED;
  }

  Source->File         = File;
  Source->FileSize     = FileSize;
  Source->Palette      = Header.PaletteAt;
  Source->BitsPerPixel = Bits;
  Source->PixelData    = Header.PixelOffset;
  *RowBytes            = (((UINT64)*Width * Bits + 31) / 32) * 4;
  Offset               = Header.PixelOffset;
  if ((*Width == 0) || (*Height == 0)) {
    return EFI_SUCCESS;
  }

  // The last row may leave out its padding.
  if (Offset + *RowBytes * (*Height - 1) + ((UINT64)*Width * Bits + 7) / 8 > FileSize) {
    return EFI_UNSUPPORTED;
  }

  return EFI_SUCCESS;
}

EFI_STATUS
ConvertBmpToGopBlt (
  IN     VOID    *BmpImage,
  IN     UINT64  BmpImageSize,
  IN OUT VOID    **Blt,
  IN OUT UINT64  *BltSize,
  OUT    UINT64  *PixelHeight,
  OUT    UINT64  *PixelWidth
  )
{
  CONST UINT8                    *File = (CONST UINT8 *)BmpImage;
  BMP_SOURCE                     Source;
  UINT32                         Width, Height;
  UINT64                         RowBytes, Needed;
  BOOLEAN                        Allocated;
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *Pixels;
  EFI_STATUS                     Status;

  if ((Blt == NULL) || (BltSize == NULL) || (PixelHeight == NULL) || (PixelWidth == NULL)) {
    return EFI_INVALID_PARAMETER;
  }

  Status = ReadBmpHeader (File, BmpImageSize, &Source, &Width, &Height, &RowBytes);
  if (EFI_ERROR (Status)) {
    return Status;
  }

  Needed = (UINT64)Width * Height * sizeof (EFI_GRAPHICS_OUTPUT_BLT_PIXEL);
  Status = ClaimPixelBuffer (Blt, *BltSize, Needed, &Allocated);
  *BltSize = Needed;
  if (EFI_ERROR (Status)) {
    return Status;
  }

  *PixelWidth  = Width;
  *PixelHeight = Height;
  Pixels       = (EFI_GRAPHICS_OUTPUT_BLT_PIXEL *)*Blt;
  // Rows are stored bottom-up, each padded to 4 bytes from the start of the pixel data.
  for (UINT32 Row = 0; (Width != 0) && (Row < Height); Row++) {
    ConvertBmpRow (&Source, File + Source.PixelData + Row * RowBytes, Width, Pixels + (UINT64)(Height - 1 - Row) * Width);
  }

  return EFI_SUCCESS;
}

// Moves the rows of a padded picture together; the rows only move towards the start.
static VOID
CompactRows (
  OUT UINT32        *Tight,
  IN  CONST UINT32  *Padded,
  IN  UINT32        Width,
  IN  UINT32        Height,
  IN  UINT32        Pitch
  )
{
  for (UINT32 Row = 0; Row < Height; Row++) {
    CopyMem (Tight + (UINTN)Row * Width, Padded + (UINTN)Row * Pitch, (UINTN)Width * sizeof (UINT32));
  }
}

// Returns the tight picture in a new buffer, in place of the padded one the converter made.
static EFI_STATUS
ReplaceWithTightCopy (
  IN OUT VOID    **Blt,
  IN     UINT32  Width,
  IN     UINT32  Height,
  IN     UINT32  Pitch
  )
{
  VOID  *Tight = AllocatePool ((UINTN)Width * Height * sizeof (UINT32));

  if (Tight != NULL) {
    CompactRows ((UINT32 *)Tight, (CONST UINT32 *)*Blt, Width, Height, Pitch);
  }

  FreePool (*Blt);
  *Blt = Tight;
  return (Tight != NULL) ? EFI_SUCCESS : EFI_OUT_OF_RESOURCES;
}

EFI_STATUS
ConvertJpegToGopBlt (
  IN     VOID    *JpegImage,
  IN     UINT64  JpegImageSize,
  IN OUT VOID    **Blt,
  IN OUT UINT32  *BltSize,
  OUT    UINT32  *PixelHeight,
  OUT    UINT32  *PixelWidth,
  OUT    UINT32  *Pitch
  )
{
  JpegPixelSink  Sink;
  UINT32         Padded, PaddedHeight, Width, Height;
  BOOLEAN        Allocated;
  EFI_STATUS     Status;

  if ((Blt == NULL) || (BltSize == NULL) || (PixelHeight == NULL) || (PixelWidth == NULL) || (Pitch == NULL)) {
    return EFI_INVALID_PARAMETER;
  }

  if (!JpegReadHeaders (&mLogoJpeg, (CONST UINT8 *)JpegImage, (size_t)JpegImageSize, kJpegWalkSegments)) {
    return EFI_UNSUPPORTED;
  }

  // The frame header alone gives the size: it is checked before the decode rows are allocated.
  Width  = mLogoJpeg.width;
  Height = mLogoJpeg.height;
  if ((Width > LOGO_MAX_WIDTH) || (Height > LOGO_MAX_HEIGHT)) {
    return EFI_UNSUPPORTED;
  }

  Padded       = (Width + 15) & ~15U;
  PaddedHeight = (Height + 15) & ~15U;

  Status   = ClaimPixelBuffer (Blt, *BltSize, (UINT64)Padded * PaddedHeight * 4, &Allocated);
  *BltSize = Padded * PaddedHeight * 4;
  if (EFI_ERROR (Status)) {
    return Status;
  }

  ZeroMem (*Blt, *BltSize);
  Sink = { (uint8_t *)*Blt, (size_t)Padded * 4, 4, 2, 1, 0, Padded, PaddedHeight };
  if (!JpegDecodeScan (&mLogoJpeg, &Sink)) {
    if (Allocated) {
      FreePool (*Blt);
      *Blt = NULL;
    }

    return EFI_UNSUPPORTED;
  }

  *PixelWidth  = Width;
  *PixelHeight = Height;
  *Pitch       = Width;
  if (Padded == Width) {
    return EFI_SUCCESS;
  }

  *BltSize = Width * Height * 4;
  if (!Allocated) {
    CompactRows ((UINT32 *)*Blt, (CONST UINT32 *)*Blt, Width, Height, Padded);
    return EFI_SUCCESS;
  }

  return ReplaceWithTightCopy (Blt, Width, Height, Padded);
}
