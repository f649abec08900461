/** @file
  The layout of a BMP file's headers and their one checked reader, for every decoder
  of BMP files (the engine's logo converter, the graphics library's decoder) and the
  code that writes one.

  A file header of 14 bytes {"BM", u32 file size, u32 reserved, u32 offset of the
  pixel data} is followed by an information header whose first u32 is its size: 12
  for a core header {u16 width, u16 height, u16 planes, u16 bits a pixel}, 40 or more
  for an information header {i32 width, i32 height (negative: rows top-down), u16
  planes, u16 bits a pixel, u32 compression, u32 image size, i32 x and y resolution,
  u32 colours used, u32 colours important}, then the three colour masks of bit-field
  files. All fields are little-endian.
**/
#ifndef PLATFORM_FORMAT_BMP_H_
#define PLATFORM_FORMAT_BMP_H_

#include <Uefi.h>

#define BMP_FILE_HEADER_SIZE        14
#define BMP_CORE_HEADER_SIZE        12
#define BMP_INFO_HEADER_SIZE        40
#define BMP_HEADERS_SIZE            (BMP_FILE_HEADER_SIZE + BMP_INFO_HEADER_SIZE)

// Offsets from the start of the file.
#define BMP_FILE_SIZE_AT            2
#define BMP_PIXEL_OFFSET_AT         10
#define BMP_INFO_SIZE_AT            14
#define BMP_CORE_WIDTH_AT           18
#define BMP_CORE_HEIGHT_AT          20
#define BMP_CORE_BITS_AT            24
#define BMP_INFO_WIDTH_AT           18
#define BMP_INFO_HEIGHT_AT          22
#define BMP_INFO_PLANES_AT          26
#define BMP_INFO_BITS_AT            28
#define BMP_INFO_COMPRESSION_AT     30
#define BMP_INFO_IMAGE_SIZE_AT      34
#define BMP_INFO_COLOURS_USED_AT    46
#define BMP_INFO_MASKS_AT           54     // red, green, blue: u32 each

#define BMP_COMPRESSION_NONE        0
#define BMP_COMPRESSION_RLE8        1
#define BMP_COMPRESSION_RLE4        2
#define BMP_COMPRESSION_BIT_FIELDS  3

// The headers as read; fields a core header does not have are 0.
typedef struct {
  UINT32  PixelOffset;       // as stored: the decoder judges it against the file
  UINT32  InfoSize;
  UINT32  Width;             // an information header's is signed
  UINT32  Height;            // an information header's is signed; negative: top-down
  UINT16  BitsPerPixel;
  UINT32  Compression;
  UINT32  ColoursUsed;
  UINT64  PaletteAt;         // the first byte after the information header
} BMP_HEADER;

static inline UINT32
BmpReadLe (
  IN CONST UINT8  *At,
  IN UINTN        Bytes
  )
{
  UINT32  Value = 0;

  for (UINTN Index = 0; Index < Bytes; Index++) {
    Value |= (UINT32)At[Index] << (8 * Index);
  }

  return Value;
}

/** TRUE when a file of Size bytes starts with the "BM" signature. */
static inline BOOLEAN
BmpHasSignature (
  IN CONST UINT8  *File,
  IN UINT64       Size
  )
{
  return (File != NULL) && (Size >= 2) && (File[0] == 'B') && (File[1] == 'M');
}

/**
  Reads the file header and the fixed part of the information header of a file of
  Size bytes. FALSE when the information header is neither a core header nor one of
  40 bytes or more, or its fixed part does not lie inside the file. The signature is
  not checked (BmpHasSignature), nor any value judged: that is each decoder's.
**/
static inline BOOLEAN
BmpReadHeader (
  IN  CONST UINT8  *File,
  IN  UINT64       Size,
  OUT BMP_HEADER   *Header
  )
{
  Header->PixelOffset  = 0;
  Header->InfoSize     = 0;
  Header->Width        = 0;
  Header->Height       = 0;
  Header->BitsPerPixel = 0;
  Header->Compression  = 0;
  Header->ColoursUsed  = 0;
  Header->PaletteAt    = 0;
  if ((File == NULL) || (Size < BMP_FILE_HEADER_SIZE + sizeof (UINT32))) {
    return FALSE;
  }

  Header->InfoSize = BmpReadLe (File + BMP_INFO_SIZE_AT, 4);
  if ((Header->InfoSize == BMP_CORE_HEADER_SIZE) && (Size >= BMP_FILE_HEADER_SIZE + BMP_CORE_HEADER_SIZE)) {
    Header->Width        = BmpReadLe (File + BMP_CORE_WIDTH_AT, 2);
    Header->Height       = BmpReadLe (File + BMP_CORE_HEIGHT_AT, 2);
    Header->BitsPerPixel = (UINT16)BmpReadLe (File + BMP_CORE_BITS_AT, 2);
  } else if ((Header->InfoSize >= BMP_INFO_HEADER_SIZE) && (Size >= BMP_HEADERS_SIZE)) {
    Header->Width        = BmpReadLe (File + BMP_INFO_WIDTH_AT, 4);
    Header->Height       = BmpReadLe (File + BMP_INFO_HEIGHT_AT, 4);
    Header->BitsPerPixel = (UINT16)BmpReadLe (File + BMP_INFO_BITS_AT, 2);
    Header->Compression  = BmpReadLe (File + BMP_INFO_COMPRESSION_AT, 4);
    Header->ColoursUsed  = BmpReadLe (File + BMP_INFO_COLOURS_USED_AT, 4);
  } else {
    return FALSE;
  }

  Header->PixelOffset = BmpReadLe (File + BMP_PIXEL_OFFSET_AT, 4);
  Header->PaletteAt   = (UINT64)BMP_FILE_HEADER_SIZE + Header->InfoSize;
  return TRUE;
}

static inline VOID
BmpWriteLe (
  OUT UINT8   *At,
  IN  UINT32  Value,
  IN  UINTN   Bytes
  )
{
  for (UINTN Index = 0; Index < Bytes; Index++) {
    At[Index] = (UINT8)(Value >> (8 * Index));
  }
}

/** Bytes of one row of an uncompressed 24-bit image Width pixels wide: rows end on 4 bytes. */
static inline UINT64
BmpRowBytes24 (
  IN UINT32  Width
  )
{
  return ((UINT64)Width * 3 + 3) & ~(UINT64)3;
}

/**
  Writes the file header and a 40-byte information header of an uncompressed 24-bit
  image, rows bottom-up, its pixels right after the headers, into the first
  BMP_HEADERS_SIZE bytes of File. FALSE, with nothing written, when the file would not
  fit in the u32 sizes of the headers or the width or height in their i32 fields.
**/
static inline BOOLEAN
BmpWriteHeaders24 (
  OUT UINT8   *File,
  IN  UINT32  Width,
  IN  UINT32  Height
  )
{
  UINT64  PixelBytes = BmpRowBytes24 (Width) * Height;

  if ((File == NULL) || (Width > 0x7FFFFFFF) || (Height > 0x7FFFFFFF) || (PixelBytes + BMP_HEADERS_SIZE > 0xFFFFFFFFULL)) {
    return FALSE;
  }

  for (UINTN Index = 0; Index < BMP_HEADERS_SIZE; Index++) {
    File[Index] = 0;
  }

  File[0] = 'B';
  File[1] = 'M';
  BmpWriteLe (File + BMP_FILE_SIZE_AT, (UINT32)(PixelBytes + BMP_HEADERS_SIZE), 4);
  BmpWriteLe (File + BMP_PIXEL_OFFSET_AT, BMP_HEADERS_SIZE, 4);
  BmpWriteLe (File + BMP_INFO_SIZE_AT, BMP_INFO_HEADER_SIZE, 4);
  BmpWriteLe (File + BMP_INFO_WIDTH_AT, Width, 4);
  BmpWriteLe (File + BMP_INFO_HEIGHT_AT, Height, 4);
  BmpWriteLe (File + BMP_INFO_PLANES_AT, 1, 2);
  BmpWriteLe (File + BMP_INFO_BITS_AT, 24, 2);
  BmpWriteLe (File + BMP_INFO_COMPRESSION_AT, BMP_COMPRESSION_NONE, 4);
  BmpWriteLe (File + BMP_INFO_IMAGE_SIZE_AT, (UINT32)PixelBytes, 4);
  return TRUE;
}

#endif
