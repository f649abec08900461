/** @file
  The baseline JPEG decoder's scan: bit reader, Huffman decoding, restart markers,
  dequantisation, the inverse DCT and the colour conversion into a pixel sink.
**/
#include <graphics/codec/JpegBaseline.h>

#include <string.h>

namespace {

const uint8_t kZigZagToNatural[64] = {
  0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
  12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
  35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
  58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
};

const int     kLookupBits       = 9;
const int32_t kCoefficientLimit = 1 << 15;

// Next byte of entropy-coded data. Stuffed FF 00 gives FF; at a marker or the end of
// the data the reader stops and gives 1-bits, which no valid code continues with.
uint32_t
NextByte (JpegBaselineDecoder *d)
{
  if (d->readAt >= d->size) {
    return 0xFF;
  }
  uint8_t Byte = d->data[d->readAt];
  if (Byte != 0xFF) {
    d->readAt++;
    return Byte;
  }
  if ((d->readAt + 1 < d->size) && (d->data[d->readAt + 1] == 0x00)) {
    d->readAt += 2;
    return 0xFF;
  }
  return 0xFF;
}

inline void
Fill (JpegBaselineDecoder *d)
{
  while (d->bitCount <= 24) {
    d->bitBuffer = d->bitBuffer << 8 | NextByte (d);
    d->bitCount += 8;
  }
}

inline uint32_t
ReadBits (JpegBaselineDecoder *d, int Count)
{
  Fill (d);
  d->bitCount -= Count;
  return (uint32_t)(d->bitBuffer >> d->bitCount) & ((1u << Count) - 1);
}

// Value of Size bits read as a JPEG magnitude: a clear top bit makes it negative.
inline int32_t
Extend (uint32_t Value, int Size)
{
  return (Size == 0) ? 0 : (Value < (1u << (Size - 1))) ? (int32_t)Value - (1 << Size) + 1 : (int32_t)Value;
}

// Decodes one symbol; -1 when no code of 16 bits or fewer matches.
int
DecodeSymbol (JpegBaselineDecoder *d, const JpegHuffmanTable *t)
{
  Fill (d);
  uint16_t Entry = t->lookup[(d->bitBuffer >> (d->bitCount - kLookupBits)) & ((1 << kLookupBits) - 1)];
  if (Entry != 0) {
    d->bitCount -= Entry >> 8;
    return Entry & 0xFF;
  }
  for (int Length = kLookupBits + 1; Length <= 16; Length++) {
    if (d->bitCount < Length) {
      Fill (d);
    }
    int32_t Code = (int32_t)((d->bitBuffer >> (d->bitCount - Length)) & ((1u << Length) - 1));
    if ((t->maxCode[Length] >= 0) && (Code <= t->maxCode[Length]) && (Code >= t->minCode[Length])) {
      d->bitCount -= Length;
      return t->symbols[(t->valueIndex[Length] + Code - t->minCode[Length]) & 0xFF];
    }
  }
  return -1;
}

inline int32_t
Clamp (int32_t Value, int32_t Limit)
{
  return (Value > Limit) ? Limit : (Value < -Limit) ? -Limit : Value;
}

// Decodes one block's coefficients, dequantised, into natural order.
bool
DecodeBlock (JpegBaselineDecoder *d, int32_t *Out, int Component, const JpegHuffmanTable *Dc,
             const JpegHuffmanTable *Ac, const uint16_t *Quant)
{
  memset (Out, 0, 64 * sizeof (int32_t));
  int Size = DecodeSymbol (d, Dc);
  if ((Size < 0) || (Size > 15)) {
    return false;
  }
  // The predictors are 16 bits wide; a corrupt stream wraps them as they would.
  int16_t Predictor = (int16_t)(d->predictor[Component] + Extend (ReadBits (d, Size), Size));
  d->predictor[Component] = Predictor;
  Out[0] = Clamp (Predictor * Quant[0], kCoefficientLimit);
  for (int k = 1; k < 64;) {
    int Symbol = DecodeSymbol (d, Ac);
    if (Symbol <= 0) {
      return Symbol == 0;
    }
    k += Symbol >> 4;
    if (k > 63) {
      break;
    }
    int Bits = Symbol & 15;
    Out[kZigZagToNatural[k]] = Clamp (Extend (ReadBits (d, Bits), Bits) * Quant[k], kCoefficientLimit);
    k++;
  }
  return true;
}

inline int32_t
Mul (int32_t Value, int32_t Constant)
{
  return (int32_t)(((int64_t)Value * Constant) >> 14);
}

// One 8-point inverse DCT pass in place, at the given stride: the recursive form that
// splits each size into an even half and an odd half whose outputs are scaled by
// 1 / (2 cos((2n + 1) pi / 2N)) before the butterfly. Outputs are halved.
void
Idct8 (int32_t *s, int Stride)
{
  int32_t x0 = s[0], x1 = s[Stride], x2 = s[2 * Stride], x3 = s[3 * Stride];
  int32_t x4 = s[4 * Stride], x5 = s[5 * Stride], x6 = s[6 * Stride], x7 = s[7 * Stride];
  int32_t Dc = Mul (x0, 11585);
  if ((x1 | x2 | x3 | x4 | x5 | x6 | x7) == 0) {
    for (int n = 0; n < 8; n++) {
      s[n * Stride] = Dc >> 1;
    }
    return;
  }
  // Even half: the 4-point transform of x0, x2, x4, x6.
  int32_t a = Mul (x4, 11585), b = Mul (x6 + x2, 11585);
  int32_t e0 = Dc + a, e1 = Dc - a, o0 = x2 + b, o1 = x2 - b;
  int32_t g0 = e0 + Mul (o0, 8867), g3 = e0 - Mul (o0, 8867);
  int32_t g1 = e1 + Mul (o1, 21407), g2 = e1 - Mul (o1, 21407);
  // Odd half: the 4-point transform of x1, x3 + x1, x5 + x3, x7 + x5.
  int32_t h0in = x1, h1in = x3 + x1, h2in = x5 + x3, h3in = x7 + x5;
  int32_t c = Mul (h2in, 11585), e = Mul (h3in + h1in, 11585);
  int32_t p0 = h0in + c, p1 = h0in - c, q0 = h1in + e, q1 = h1in - e;
  int32_t h0 = p0 + Mul (q0, 8867), h3 = p0 - Mul (q0, 8867);
  int32_t h1 = p1 + Mul (q1, 21407), h2 = p1 - Mul (q1, 21407);
  h0 = Mul (h0, 8352);
  h1 = Mul (h1, 9852);
  h2 = Mul (h2, 14745);
  h3 = Mul (h3, 41990);
  s[0]          = (g0 + h0) >> 1;
  s[7 * Stride] = (g0 - h0) >> 1;
  s[1 * Stride] = (g1 + h1) >> 1;
  s[6 * Stride] = (g1 - h1) >> 1;
  s[2 * Stride] = (g2 + h2) >> 1;
  s[5 * Stride] = (g2 - h2) >> 1;
  s[3 * Stride] = (g3 + h3) >> 1;
  s[4 * Stride] = (g3 - h3) >> 1;
}

void
InverseTransform (int32_t *Block, int32_t LevelShift)
{
  for (int Row = 0; Row < 8; Row++) {
    Idct8 (Block + Row * 8, 1);
  }
  for (int Column = 0; Column < 8; Column++) {
    Idct8 (Block + Column, 8);
  }
  if (LevelShift != 0) {
    for (int i = 0; i < 64; i++) {
      Block[i] += LevelShift;
    }
  }
}

inline uint8_t
Saturate (int32_t Value)
{
  uint16_t Low = (uint16_t)Value;
  return (Low & 0x8000) ? 0 : (Low > 255) ? 255 : (uint8_t)Low;
}

void
WriteMcu (const JpegBaselineDecoder *d, const JpegPixelSink *Sink, uint32_t Left, uint32_t Top, uint32_t McuSide)
{
  const int32_t *Cb = d->block[4];
  const int32_t *Cr = d->block[5];
  for (uint32_t y = 0; (y < McuSide) && (Top + y < Sink->rows); y++) {
    uint8_t *Pixel = Sink->base + (Top + y) * Sink->rowBytes + (size_t)Left * Sink->pixelBytes;
    for (uint32_t x = 0; (x < McuSide) && (Left + x < Sink->columns); x++, Pixel += Sink->pixelBytes) {
      uint32_t Luma, Chroma;
      if (McuSide == 16) {
        Luma   = (y >> 3) * 2 + (x >> 3);
        Chroma = (y >> 1) * 8 + (x >> 1);
      } else {
        Luma   = 0;
        Chroma = y * 8 + x;
      }
      uint8_t Rgb[3];
      JpegYCbCrToRgb (d->block[Luma][(y & 7) * 8 + (x & 7)], Cb[Chroma], Cr[Chroma], Rgb);
      Pixel[Sink->redOffset]   = Rgb[0];
      Pixel[Sink->greenOffset] = Rgb[1];
      Pixel[Sink->blueOffset]  = Rgb[2];
    }
  }
}

bool
DecodeMcu (JpegBaselineDecoder *d)
{
  int Lumas = (d->lumaSampling == 0x22) ? 4 : 1;
  for (int i = 0; i < Lumas; i++) {
    if (!DecodeBlock (d, d->block[i], 0, &d->huffman[0], &d->huffman[2], d->quant[0])) {
      return false;
    }
    InverseTransform (d->block[i], 128);
  }
  for (int Component = 1; Component <= 2; Component++) {
    int32_t *Block = d->block[3 + Component];
    if (!DecodeBlock (d, Block, Component, &d->huffman[1], &d->huffman[3], d->quant[1])) {
      return false;
    }
    InverseTransform (Block, 0);
  }
  return true;
}

// At a restart marker the predictors and the bit reader start afresh after it.
void
Restart (JpegBaselineDecoder *d)
{
  size_t At = d->readAt;
  if ((At + 1 < d->size) && (d->data[At] == 0xFF) && (d->data[At + 1] >= 0xD0) && (d->data[At + 1] <= 0xD7)) {
    d->readAt       = At + 2;
    d->bitBuffer    = 0;
    d->bitCount     = 0;
    d->predictor[0] = d->predictor[1] = d->predictor[2] = 0;
  }
}

}  // namespace

void
JpegYCbCrToRgb (int32_t Y, int32_t Cb, int32_t Cr, uint8_t Rgb[3])
{
  int32_t y  = (int16_t)Y * 16384;
  int32_t cb = (int16_t)Cb;
  int32_t cr = (int16_t)Cr;
  Rgb[0] = Saturate ((y + cr * 23400) >> 14);
  Rgb[1] = Saturate ((y - cb * 5638 - cr * 11700) >> 14);
  Rgb[2] = Saturate ((y + ((cb * 5638) >> 3) + cb * 28190) >> 14);
}

bool
JpegDecodeScan (JpegBaselineDecoder *Decoder, const JpegPixelSink *Sink)
{
  uint32_t McuSide = (Decoder->lumaSampling == 0x22) ? 16 : 8;
  uint32_t Across  = (Decoder->width + McuSide - 1) / McuSide;
  uint32_t Down    = (Decoder->height + McuSide - 1) / McuSide;
  uint32_t Count   = 0;

  Decoder->readAt    = Decoder->scan;
  Decoder->bitBuffer = 0;
  Decoder->bitCount  = 0;
  Decoder->predictor[0] = Decoder->predictor[1] = Decoder->predictor[2] = 0;
  for (uint32_t Row = 0; Row < Down; Row++) {
    for (uint32_t Column = 0; Column < Across; Column++) {
      if (!DecodeMcu (Decoder)) {
        return false;
      }
      WriteMcu (Decoder, Sink, Column * McuSide, Row * McuSide, McuSide);
      Count++;
      if ((Decoder->restartInterval != 0) && (Count % Decoder->restartInterval == 0)) {
        Restart (Decoder);
      }
    }
  }
  return true;
}
