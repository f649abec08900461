/** @file
  The baseline JPEG decoder's scan: bit reader, Huffman decoding, restart markers,
  dequantisation, the inverse DCT and the colour conversion into a pixel sink.
**/
#include <graphics/codec/JpegBaselinePriv.h>

#include <string.h>

using namespace JpegScan;

namespace {

const uint8_t kZigZagToNatural[64] = {
  0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
  12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
  35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
  58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
};

const int     kLookupBits       = 9;
const int     kCoefficientBits  = 10;
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

// True when none of the first Count bytes of the big-endian Word is FF (a bit of care:
// a byte after an FF may show as one too, which only sends the caller the slow way).
inline bool
NoFfIn (uint64_t Word, int Count)
{
  uint64_t Inverse = ~Word;
  uint64_t Zeros   = (Inverse - 0x0101010101010101ull) & ~Inverse & 0x8080808080808080ull;
  return (Zeros >> (64 - 8 * Count)) == 0;
}

// Adds whole bytes until the buffer holds more than fillDepth bits: all at once when the
// next eight bytes are inside the data and the ones taken hold no FF.
void
Refill (JpegBaselineDecoder *d)
{
  int Count = (int)((d->fillDepth - d->bitCount) >> 3) + 1;
  if (d->readAt + 8 <= d->size) {
    uint64_t Word;
    memcpy (&Word, d->data + d->readAt, 8);
    Word = __builtin_bswap64 (Word);
    if (NoFfIn (Word, Count)) {
      d->bitBuffer = d->bitBuffer << (8 * Count) | Word >> (64 - 8 * Count);
      d->bitCount += 8 * Count;
      d->readAt   += Count;
      return;
    }
  }
  while (d->bitCount <= d->fillDepth) {
    d->bitBuffer = d->bitBuffer << 8 | NextByte (d);
    d->bitCount += 8;
  }
}

// Refills when 24 bits or fewer are left: each read needs no more than 16. With restart
// markers the buffer is refilled only to 25-32 bits, so the reader stands where it has
// always stood when an interval ends.
inline void
Fill (JpegBaselineDecoder *d)
{
  if (d->bitCount <= 24) {
    Refill (d);
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
// Without a branch, as the top bit is as likely clear as set: Low is -1 when it is clear
// (and when Size is 0, where the added term is 0).
inline int32_t
Extend (uint32_t Value, int Size)
{
  int32_t Low = (int32_t)((Value << 1) >> Size) - 1;
  return (int32_t)Value + (Low & (1 - (1 << Size)));
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

// Bits of every coefficient's magnitude (less one when negative), ORed: a bound on them all.
inline int32_t
MagnitudeOf (int32_t Value)
{
  return Value ^ (Value >> 31);
}

// The next kCoefficientBits bits; the buffer holds more than 24 after a Fill.
inline uint32_t
Peek (const JpegBaselineDecoder *d)
{
  return (uint32_t)(d->bitBuffer >> (d->bitCount - kCoefficientBits)) & ((1u << kCoefficientBits) - 1);
}

// The length of the code alone in a coefficient lookup entry.
inline int32_t
CodeLength (int32_t Entry)
{
  return (Entry & 15) - ((Entry >> 4) & 15);
}

// Takes a coefficient the lookup holds: its code and magnitude bits. With restart markers
// the reader must stand where it always has when an interval ends, so the Fill that reading
// the magnitude bits alone makes comes between the two; without them, when bytes come in
// changes nothing.
inline void
TakeCoefficient (JpegBaselineDecoder *d, int32_t Entry)
{
  if (d->restartInterval == 0) {
    d->bitCount -= Entry & 15;
    return;
  }
  d->bitCount -= CodeLength (Entry);
  Fill (d);
  d->bitCount -= (Entry >> 4) & 15;
}

// The DC difference; false when no code matches or its size is above 15.
inline bool
DecodeDifference (JpegBaselineDecoder *d, const JpegHuffmanTable *Dc, int32_t *Difference)
{
  Fill (d);
  int32_t Entry = Dc->coefficient[Peek (d)];
  if (Entry != 0) {
    TakeCoefficient (d, Entry);
    *Difference = Entry >> 16;
    return true;
  }
  int Size = DecodeSymbol (d, Dc);
  if ((Size < 0) || (Size > 15)) {
    return false;
  }
  *Difference = Extend (ReadBits (d, Size), Size);
  return true;
}

// Decodes one block's coefficients, dequantised, into the decoder's coefficients (all zero
// before) in natural order; Last is the last zig-zag position written, Magnitude their
// MagnitudeOf ORed. Most coefficients take one probe of the coefficient lookup; longer codes
// and magnitudes go through the symbol decoder.
bool
DecodeBlock (JpegBaselineDecoder *d, int Component, const JpegHuffmanTable *Dc, const JpegHuffmanTable *Ac,
             const uint16_t *Quant, int *Last, int32_t *Magnitude)
{
  int32_t *Out = d->coefficients;
  int32_t Difference;
  *Last = 0;
  if (!DecodeDifference (d, Dc, &Difference)) {
    return false;
  }
  // The predictors are 16 bits wide; a corrupt stream wraps them as they would.
  int16_t Predictor = (int16_t)(d->predictor[Component] + Difference);
  d->predictor[Component] = Predictor;
  Out[0] = Clamp (Predictor * Quant[0], kCoefficientLimit);
  // Locals, so the coefficient stores do not make them be read again.
  int     At     = 0;
  int32_t Spread = MagnitudeOf (Out[0]);
  bool    Ended  = true;
  for (int k = 1; k < 64;) {
    Fill (d);
    int32_t Entry = Ac->coefficient[Peek (d)];
    int32_t Value;
    if (Entry != 0) {
      // The end of block runs past 63. A run past the end takes its code alone.
      k += (Entry >> 8) & 0xFF;
      if (k > 63) {
        d->bitCount -= CodeLength (Entry);
        break;
      }
      TakeCoefficient (d, Entry);
      Value = Entry >> 16;
    } else {
      int Symbol = DecodeSymbol (d, Ac);
      if (Symbol <= 0) {
        Ended = Symbol == 0;
        break;
      }
      k += Symbol >> 4;
      if (k > 63) {
        break;
      }
      int Bits = Symbol & 15;
      Value = Extend (ReadBits (d, Bits), Bits);
    }
    Value                    = Clamp (Value * Quant[k], kCoefficientLimit);
    Out[kZigZagToNatural[k]] = Value;
    Spread                  |= MagnitudeOf (Value);
    At                       = k++;
  }
  *Last      = At;
  *Magnitude = Spread;
  return Ended;
}

// One pass from s into o (which may be s) at the given stride, a constant so each pass
// compiles to fixed offsets, Round added to the DC input and Shift to each output. An input
// of DC alone gives eight equal outputs without the butterfly.
template <int Stride, typename Out>
inline void
Idct8 (const int32_t *s, Out *o, int32_t Shift, int32_t Round)
{
  int32_t x[8];
  int32_t Ac = 0;
  for (int n = 0; n < 8; n++) {
    x[n] = s[n * Stride];
    Ac  |= (n > 0) ? x[n] : 0;
  }
  x[0] += Round;
  if (Ac == 0) {
    Out Dc = (Out)(Half (Mul (x[0], 11585)) + Shift);
    for (int n = 0; n < 8; n++) {
      o[n * Stride] = Dc;
    }
    return;
  }
  Butterfly (x, 0);
  for (int n = 0; n < 8; n++) {
    o[n * Stride] = (Out)(x[n] + Shift);
  }
}

}  // namespace

void
JpegScan::RowPassPlain (int32_t *In, int32_t *Out, int LastRow)
{
  for (int Row = 0; Row < 8; Row++) {
    if (Row <= LastRow) {
      Idct8<1> (In + Row * 8, Out + Row * 8, 0, 0);
      memset (In + Row * 8, 0, 8 * sizeof (int32_t));
    } else {
      memset (Out + Row * 8, 0, 8 * sizeof (int32_t));
    }
  }
}

namespace {

// The samples keep the low 16 bits of each result, all the colour conversion reads.
void
InversePlain (int32_t *In, int16_t *Out, int32_t LevelShift, int LastRow)
{
  int32_t Work[64];
  RowPassPlain (In, Work, LastRow);
  for (int Column = 0; Column < 8; Column++) {
    Idct8<8> (Work + Column, Out + Column, LevelShift, kColumnRound);
  }
}

// The last row holding a coefficient, by the last zig-zag position decoded.
const uint8_t kLastRowOf[64] = {
  0, 0, 1, 2, 2, 2, 2, 2, 2, 3, 4, 4, 4, 4, 4, 4,
  4, 4, 4, 4, 5, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6,
  6, 6, 6, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
  7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
};

// Both passes and the level shift, from the coefficients In (natural order, nothing past
// zig-zag position Last, Magnitude their MagnitudeOf ORed) into the samples Out; In is left
// all zero. A block of DC alone is one value: its row pass leaves row 0 at Dc / 2 and the
// other rows zero, and each column, its DC offset added, the same again.
void
InverseTransform (int32_t *In, int16_t *Out, int32_t LevelShift, int Last, int32_t Magnitude)
{
  if (Last == 0) {
    int16_t Value = (int16_t)(Half (Mul (Half (Mul (In[0], 11585)) + kColumnRound, 11585)) + LevelShift);
    In[0]         = 0;
    for (int i = 0; i < 64; i++) {
      Out[i] = Value;
    }
    return;
  }
#if SK_PROCS_HAVE_VECTOR
  if (SkGetProcForm () == kVector_SkProcForm) {
    if ((Magnitude < JpegScanSSE2::kSmallCoefficient) && (Last <= 2)) {
      JpegScanSSE2::InverseCorner<2> (In, Out, LevelShift);
    } else if ((Magnitude < JpegScanSSE2::kSmallCoefficient) && (Last <= JpegScanSSE2::kCornerLast)) {
      JpegScanSSE2::InverseCorner<4> (In, Out, LevelShift);
    } else if (Magnitude < JpegScanSSE2::kSmallCoefficient) {
      JpegScanSSE2::InverseSmall (In, Out, LevelShift, kLastRowOf[Last]);
    } else {
      JpegScanSSE2::InverseWide (In, Out, LevelShift, kLastRowOf[Last]);
    }
    return;
  }
#endif
  (void)Magnitude;  // the plain form multiplies in 64 bits whatever the values
  InversePlain (In, Out, LevelShift, kLastRowOf[Last]);
}

inline uint8_t
Saturate (int32_t Value)
{
  uint16_t Low = (uint16_t)Value;
  return (Low & 0x8000) ? 0 : (Low > 255) ? 255 : (uint8_t)Low;
}

// The conversion is R = (y 2^14 + cr 23400) >> 14, G = (y 2^14 - cb 5638 - cr 11700) >> 14 and
// B = (y 2^14 + ((cb 5638) >> 3) + cb 28190) >> 14 on the low 16 bits y, cb, cr of the
// samples, each saturated from the low 16 bits of its result. Here it takes a cheaper shape
// with the same results: y 2^14 passes through the floor whole, so each channel is y plus a
// part of chroma alone, and each part is a floor by 2^16 of products small enough for 16-bit
// multiplies: 23400 * 4 = 2^16 + 28064; -11700 * 4 = -2^16 + 18736 and -5638 * 4 = -22552;
// (cb 5638) >> 3 + cb 28190 = floor (cb 115579 / 4) and 115579 = 2 2^16 - 15493. Saturate
// reads only the low 16 bits of y plus a part, so the sums may wrap in 16-bit lanes.
inline int32_t
RedPart (int32_t Cr)
{
  return Cr + ((Cr * 28064) >> 16);
}

inline int32_t
GreenPart (int32_t Cb, int32_t Cr)
{
  return ((Cr * 18736 - Cb * 22552) >> 16) - Cr;
}

inline int32_t
BluePart (int32_t Cb)
{
  return 2 * Cb + ((Cb * -15493) >> 16);
}

struct ChromaParts {
  int32_t r, g, b;
};

inline ChromaParts
PartsOf (int32_t Cb, int32_t Cr)
{
  int32_t cb = (int16_t)Cb, cr = (int16_t)Cr;
  return { RedPart (cr), GreenPart (cb, cr), BluePart (cb) };
}

inline void
PutPixel (int32_t Y, ChromaParts Parts, uint8_t *Pixel, uint32_t Red, uint32_t Green, uint32_t Blue)
{
  int32_t y = (int16_t)Y;
  Pixel[Red]   = Saturate (y + Parts.r);
  Pixel[Green] = Saturate (y + Parts.g);
  Pixel[Blue]  = Saturate (y + Parts.b);
}

PixelWriter
WriterFor (const JpegPixelSink *Sink, int32_t Fill)
{
  PixelWriter Writer = { Sink, kSinkBytes, { 3, 3, 3, 3 }, 0, kJpegKeepSpareByte, 0 };
  uint32_t    Bytes      = Sink->pixelBytes;
  uint32_t    Offsets[3] = { Sink->redOffset, Sink->greenOffset, Sink->blueOffset };
  bool        Distinct   = (Offsets[0] != Offsets[1]) && (Offsets[1] != Offsets[2]) && (Offsets[0] != Offsets[2]);
  if ((Bytes == 4) && Distinct && (Offsets[0] < 4) && (Offsets[1] < 4) && (Offsets[2] < 4) && (Fill >= 0) && (Fill <= 255)) {
    Writer.fill  = Fill;
    Writer.spare = 6 - Offsets[0] - Offsets[1] - Offsets[2];
  }
#if SK_PROCS_HAVE_VECTOR
  if ((SkGetProcForm () != kVector_SkProcForm) || ((Bytes != 3) && (Bytes != 4)) || !Distinct ||
      (Offsets[0] >= Bytes) || (Offsets[1] >= Bytes) || (Offsets[2] >= Bytes)) {
    return Writer;
  }
  for (uint8_t Channel = 0; Channel < 3; Channel++) {
    Writer.channelAt[Offsets[Channel]] = Channel;
  }
  for (uint32_t i = 0; (i < 4) && (Writer.fill == kJpegKeepSpareByte); i++) {
    Writer.keepMask |= (Writer.channelAt[i] == 3) ? 0xFFu << (8 * i) : 0;
  }
  Writer.layout = (Bytes == 4) ? kSinkWide4 : kSinkPacked3;
#endif
  return Writer;
}

// Rows of an MCU a pixel at a time, Width pixels each; a 4:2:0 row takes its chroma parts
// from the row pair's shared chroma row, each part serving two pixels.
void
WriteRowsPlain (const int16_t (*Block)[64], const PixelWriter &Writer, uint8_t *Origin, uint32_t Rows,
                uint32_t Width, uint32_t McuSide)
{
  // Locals, so the byte stores do not make the sink's fields be read again.
  const JpegPixelSink *Sink = Writer.sink;
  uint32_t    Step = Sink->pixelBytes, R = Sink->redOffset, G = Sink->greenOffset, B = Sink->blueOffset;
  int32_t     Fill = Writer.fill;
  uint32_t    Spare = Writer.spare;
  ChromaParts Parts[8];
  for (uint32_t y = 0; y < Rows; y++) {
    uint8_t  *Pixel     = Origin + y * Sink->rowBytes;
    uint32_t ChromaRow = (McuSide == 16) ? y >> 1 : y;
    if ((McuSide == 8) || ((y & 1) == 0)) {
      for (uint32_t i = 0; i < 8; i++) {
        Parts[i] = PartsOf (Block[4][ChromaRow * 8 + i], Block[5][ChromaRow * 8 + i]);
      }
    }
    if (McuSide == 16) {
      for (uint32_t x = 0; x < Width; x++, Pixel += Step) {
        PutPixel (Block[(y >> 3) * 2 + (x >> 3)][(y & 7) * 8 + (x & 7)], Parts[x >> 1], Pixel, R, G, B);
      }
    } else {
      for (uint32_t x = 0; x < Width; x++, Pixel += Step) {
        PutPixel (Block[0][y * 8 + x], Parts[x], Pixel, R, G, B);
      }
    }
    for (uint32_t x = 0; (x < Width) && (Fill != kJpegKeepSpareByte); x++) {
      Origin[y * Sink->rowBytes + x * Step + Spare] = (uint8_t)Fill;
    }
  }
}

// The MCU's pixels inside the sink. Whole rows go sixteen pixels at a time where the writer
// can; an MCU cut by the sink's right edge, and every one in the plain form, a pixel at a time.
void
WriteMcu (const int16_t (*Block)[64], const PixelWriter &Writer, uint32_t Left, uint32_t Top, uint32_t McuSide)
{
  const JpegPixelSink *Sink  = Writer.sink;
  uint32_t            Rows   = (Top >= Sink->rows) ? 0 : (Sink->rows - Top < McuSide) ? Sink->rows - Top : McuSide;
  uint32_t            Width  = (Left >= Sink->columns) ? 0 : (Sink->columns - Left < McuSide) ? Sink->columns - Left : McuSide;
  uint8_t             *Origin = Sink->base + Top * Sink->rowBytes + (size_t)Left * Sink->pixelBytes;
#if SK_PROCS_HAVE_VECTOR
  if ((Writer.layout != kSinkBytes) && (Width == McuSide)) {
    if (McuSide == 16) {
      JpegScanSSE2::WriteRows420 (Block, Writer, Origin, Rows);
    } else {
      JpegScanSSE2::WriteRows444 (Block, Writer, Origin, Rows);
    }
    return;
  }
#endif
  WriteRowsPlain (Block, Writer, Origin, Rows, Width, McuSide);
}

// A block that fails leaves coefficients behind; the scan stops there, and the next one
// clears them first.
bool
DecodeMcu (JpegBaselineDecoder *d)
{
  int     Lumas = (d->lumaSampling == 0x22) ? 4 : 1;
  int     Last;
  int32_t Magnitude;
  for (int i = 0; i < Lumas; i++) {
    if (!DecodeBlock (d, 0, &d->huffman[0], &d->huffman[2], d->quant[0], &Last, &Magnitude)) {
      return false;
    }
    InverseTransform (d->coefficients, d->block[i], 128, Last, Magnitude);
  }
  for (int Component = 1; Component <= 2; Component++) {
    if (!DecodeBlock (d, Component, &d->huffman[1], &d->huffman[3], d->quant[1], &Last, &Magnitude)) {
      return false;
    }
    InverseTransform (d->coefficients, d->block[3 + Component], 0, Last, Magnitude);
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
  PutPixel (Y, PartsOf (Cb, Cr), Rgb, 0, 1, 2);
}

void
JpegWriteMcu (const int16_t Blocks[6][64], uint8_t LumaSampling, const JpegPixelSink *Sink, uint32_t Left, uint32_t Top,
              int32_t Fill)
{
  WriteMcu (Blocks, WriterFor (Sink, Fill), Left, Top, (LumaSampling == 0x22) ? 16 : 8);
}

void
JpegInverseTransform (int32_t Block[64], int32_t LevelShift, int Last)
{
  int32_t In[64];
  int16_t Out[64];
  int32_t Magnitude = 0;
  for (int i = 0; i < 64; i++) {
    In[i]      = Block[i];
    Magnitude |= MagnitudeOf (Block[i]);
  }
  InverseTransform (In, Out, LevelShift, (Last < 0) ? 0 : (Last > 63) ? 63 : Last, Magnitude);
  for (int i = 0; i < 64; i++) {
    Block[i] = Out[i];
  }
}

bool
JpegDecodeScan (JpegBaselineDecoder *Decoder, const JpegPixelSink *Sink, int32_t Fill)
{
  uint32_t McuSide = (Decoder->lumaSampling == 0x22) ? 16 : 8;
  uint32_t Across  = (Decoder->width + McuSide - 1) / McuSide;
  uint32_t Down    = (Decoder->height + McuSide - 1) / McuSide;
  uint32_t Count   = 0;
  PixelWriter Writer = WriterFor (Sink, Fill);

  Decoder->readAt    = Decoder->scan;
  Decoder->bitBuffer = 0;
  Decoder->bitCount  = 0;
  Decoder->fillDepth = (Decoder->restartInterval != 0) ? 24 : 48;
  Decoder->predictor[0] = Decoder->predictor[1] = Decoder->predictor[2] = 0;
  memset (Decoder->coefficients, 0, sizeof (Decoder->coefficients));
  for (uint32_t Row = 0; Row < Down; Row++) {
    for (uint32_t Column = 0; Column < Across; Column++) {
      if (!DecodeMcu (Decoder)) {
        return false;
      }
      WriteMcu (Decoder->block, Writer, Column * McuSide, Row * McuSide, McuSide);
      Count++;
      if ((Decoder->restartInterval != 0) && (Count % Decoder->restartInterval == 0)) {
        Restart (Decoder);
      }
    }
  }
  return true;
}
