/** @file
  The baseline JPEG decoder's scan: bit reader, Huffman decoding, restart markers,
  dequantisation, the inverse DCT and the colour conversion into a pixel sink.
**/
#include <graphics/codec/JpegBaseline.h>
#include <graphics/core/SkProcForm.h>

#if SK_PROCS_HAVE_VECTOR
#include <emmintrin.h>
#endif
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
  int Count = ((d->fillDepth - d->bitCount) >> 3) + 1;
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

// Decodes one block's coefficients, dequantised, into natural order; Last is the last
// zig-zag position written.
bool
DecodeBlock (JpegBaselineDecoder *d, int32_t *Out, int Component, const JpegHuffmanTable *Dc,
             const JpegHuffmanTable *Ac, const uint16_t *Quant, int *Last)
{
  *Last = 0;
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
    *Last = k++;
  }
  return true;
}

inline int32_t
Mul (int32_t Value, int32_t Constant)
{
  return (int32_t)(((int64_t)Value * Constant) >> 14);
}

inline int32_t
Half (int32_t Value)
{
  return Value >> 1;
}

// One 8-point inverse DCT on x[0..7], in place: the recursive form that splits each size
// into an even half and an odd half whose outputs are scaled by 1 / (2 cos((2n + 1) pi / 2N))
// before the butterfly. Outputs are halved. T is one value or four lanes of them.
template <typename T>
inline void
Butterfly (T *x)
{
  T Dc = Mul (x[0], 11585);
  // Even half: the 4-point transform of x0, x2, x4, x6.
  T a  = Mul (x[4], 11585), b = Mul (x[6] + x[2], 11585);
  T e0 = Dc + a, e1 = Dc - a, o0 = x[2] + b, o1 = x[2] - b;
  T m0 = Mul (o0, 8867), m1 = Mul (o1, 21407);
  T g0 = e0 + m0, g3 = e0 - m0, g1 = e1 + m1, g2 = e1 - m1;
  // Odd half: the 4-point transform of x1, x3 + x1, x5 + x3, x7 + x5.
  T h1in = x[3] + x[1];
  T c    = Mul (x[5] + x[3], 11585), e = Mul (x[7] + x[5] + h1in, 11585);
  T p0   = x[1] + c, p1 = x[1] - c, q0 = h1in + e, q1 = h1in - e;
  T n0   = Mul (q0, 8867), n1 = Mul (q1, 21407);
  T h0   = Mul (p0 + n0, 8352), h3 = Mul (p0 - n0, 41990);
  T h1   = Mul (p1 + n1, 9852), h2 = Mul (p1 - n1, 14745);
  x[0] = Half (g0 + h0);
  x[7] = Half (g0 - h0);
  x[1] = Half (g1 + h1);
  x[6] = Half (g1 - h1);
  x[2] = Half (g2 + h2);
  x[5] = Half (g2 - h2);
  x[3] = Half (g3 + h3);
  x[4] = Half (g3 - h3);
}

// One pass in place at the given stride, a constant so each pass compiles to fixed
// offsets. An input of DC alone gives eight equal outputs without the butterfly.
template <int Stride>
inline void
Idct8 (int32_t *s)
{
  int32_t x[8];
  int32_t Ac = 0;
  for (int n = 0; n < 8; n++) {
    x[n] = s[n * Stride];
    Ac  |= (n > 0) ? x[n] : 0;
  }
  if (Ac == 0) {
    int32_t Dc = Half (Mul (x[0], 11585));
    for (int n = 0; n < 8; n++) {
      s[n * Stride] = Dc;
    }
    return;
  }
  Butterfly (x);
  for (int n = 0; n < 8; n++) {
    s[n * Stride] = x[n];
  }
}

// Rows past LastRow hold only zeros, which the row pass keeps zero.
void
InversePlain (int32_t *Block, int32_t LevelShift, int LastRow)
{
  for (int Row = 0; Row <= LastRow; Row++) {
    Idct8<1> (Block + Row * 8);
  }
  for (int Column = 0; Column < 8; Column++) {
    Idct8<8> (Block + Column);
  }
  if (LevelShift != 0) {
    for (int i = 0; i < 64; i++) {
      Block[i] += LevelShift;
    }
  }
}

#if SK_PROCS_HAVE_VECTOR
// Four 32-bit lanes with the arithmetic the butterfly uses, wrapping as the plain form's
// values never need to.
struct Lanes {
  __m128i v;
};

inline Lanes operator+ (Lanes a, Lanes b) { return { _mm_add_epi32 (a.v, b.v) }; }
inline Lanes operator- (Lanes a, Lanes b) { return { _mm_sub_epi32 (a.v, b.v) }; }
inline Lanes Half (Lanes a) { return { _mm_srai_epi32 (a.v, 1) }; }

// The plain Mul on four lanes, exactly, for the values the passes meet: with coefficients
// within +-32768 no input of a product exceeds 2^22 in magnitude. With Constant = K 2^s
// (K below 2^15) and S = 14 - s, a value v = h 2^S + l (0 <= l < 2^S) gives
// floor (v Constant / 2^14) = h K + floor (l K / 2^S), both 16 x 16-bit products.
inline Lanes
Mul (Lanes a, int32_t Constant)
{
  int     Shift = 14;
  int32_t k     = Constant;
  while (k >= 1 << 15) {
    k >>= 1;
    Shift--;
  }
  __m128i Factor = _mm_set1_epi32 (k);
  __m128i High   = _mm_madd_epi16 (_mm_srai_epi32 (a.v, Shift), Factor);
  __m128i Low    = _mm_madd_epi16 (_mm_and_si128 (a.v, _mm_set1_epi32 ((1 << Shift) - 1)), Factor);
  return { _mm_add_epi32 (High, _mm_srli_epi32 (Low, Shift)) };
}

// The row pass in the plain form, whose rows of DC alone take no butterfly, then the
// column pass four columns at a time: each row's half is one lane set, no transpose.
void
InverseVector (int32_t *Block, int32_t LevelShift, int LastRow)
{
  for (int Row = 0; Row <= LastRow; Row++) {
    Idct8<1> (Block + Row * 8);
  }
  Lanes Shift = { _mm_set1_epi32 (LevelShift) };
  for (int Half4 = 0; Half4 < 8; Half4 += 4) {
    Lanes x[8];
    for (int r = 0; r < 8; r++) {
      x[r].v = _mm_loadu_si128 ((const __m128i *)(Block + r * 8 + Half4));
    }
    Butterfly (x);
    for (int r = 0; r < 8; r++) {
      _mm_storeu_si128 ((__m128i *)(Block + r * 8 + Half4), (x[r] + Shift).v);
    }
  }
}
#endif

// The last row holding a coefficient, by the last zig-zag position decoded.
const uint8_t kLastRowOf[64] = {
  0, 0, 1, 2, 2, 2, 2, 2, 2, 3, 4, 4, 4, 4, 4, 4,
  4, 4, 4, 4, 5, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6, 6,
  6, 6, 6, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
  7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7,
};

// Both passes and the level shift. A block of DC alone (Last 0) is one value: its row
// pass leaves row 0 at Dc / 2 and the other rows zero, and each column the same again.
void
InverseTransform (int32_t *Block, int32_t LevelShift, int Last)
{
  if (Last == 0) {
    int32_t Value = Half (Mul (Half (Mul (Block[0], 11585)), 11585)) + LevelShift;
    for (int i = 0; i < 64; i++) {
      Block[i] = Value;
    }
    return;
  }
#if SK_PROCS_HAVE_VECTOR
  if (SkGetProcForm () == kVector_SkProcForm) {
    InverseVector (Block, LevelShift, kLastRowOf[Last]);
    return;
  }
#endif
  InversePlain (Block, LevelShift, kLastRowOf[Last]);
}

inline uint8_t
Saturate (int32_t Value)
{
  uint16_t Low = (uint16_t)Value;
  return (Low & 0x8000) ? 0 : (Low > 255) ? 255 : (uint8_t)Low;
}

inline void
ToRgb (int32_t Y, int32_t Cb, int32_t Cr, uint8_t *Pixel, const JpegPixelSink *Sink)
{
  int32_t y  = (int16_t)Y * 16384;
  int32_t cb = (int16_t)Cb;
  int32_t cr = (int16_t)Cr;
  Pixel[Sink->redOffset]   = Saturate ((y + cr * 23400) >> 14);
  Pixel[Sink->greenOffset] = Saturate ((y - cb * 5638 - cr * 11700) >> 14);
  Pixel[Sink->blueOffset]  = Saturate ((y + ((cb * 5638) >> 3) + cb * 28190) >> 14);
}

#if SK_PROCS_HAVE_VECTOR
// Low 16 bits of eight 32-bit values, as the scalar conversion's 16-bit casts take them.
inline __m128i
Narrow (const int32_t *v)
{
  __m128i Low  = _mm_loadu_si128 ((const __m128i *)v);
  __m128i High = _mm_loadu_si128 ((const __m128i *)(v + 4));
  Low  = _mm_srai_epi32 (_mm_slli_epi32 (Low, 16), 16);
  High = _mm_srai_epi32 (_mm_slli_epi32 (High, 16), 16);
  return _mm_packs_epi32 (Low, High);
}

struct Wide {
  __m128i low, high;
};

// Exact 32-bit products of eight 16-bit values by a 16-bit constant.
inline Wide
Product (__m128i v, int16_t Constant)
{
  __m128i k = _mm_set1_epi16 (Constant);
  __m128i l = _mm_mullo_epi16 (v, k), h = _mm_mulhi_epi16 (v, k);
  return { _mm_unpacklo_epi16 (l, h), _mm_unpackhi_epi16 (l, h) };
}

// Saturate of eight sums shifted down by 14: the low 16 bits, then negative gives 0 and
// above 255 gives 255, which is unsigned saturation of the 16-bit value.
inline __m128i
ToBytes (__m128i Low, __m128i High)
{
  Low  = _mm_srai_epi32 (_mm_slli_epi32 (_mm_srai_epi32 (Low, 14), 16), 16);
  High = _mm_srai_epi32 (_mm_slli_epi32 (_mm_srai_epi32 (High, 14), 16), 16);
  return _mm_packus_epi16 (_mm_packs_epi32 (Low, High), _mm_setzero_si128 ());
}

// Eight pixels of ToRgb at once, bit for bit, stored at the sink's offsets.
void
ToRgb8 (__m128i Y, __m128i Cb, __m128i Cr, uint8_t *Pixel, const JpegPixelSink *Sink)
{
  Wide    y = Product (Y, 16384), r = Product (Cr, 23400), g = Product (Cr, 11700);
  Wide    u = Product (Cb, 5638), b = Product (Cb, 28190);
  uint8_t Red[8], Green[8], Blue[8];
  _mm_storel_epi64 ((__m128i *)Red, ToBytes (_mm_add_epi32 (y.low, r.low), _mm_add_epi32 (y.high, r.high)));
  _mm_storel_epi64 ((__m128i *)Green, ToBytes (_mm_sub_epi32 (_mm_sub_epi32 (y.low, u.low), g.low),
                                               _mm_sub_epi32 (_mm_sub_epi32 (y.high, u.high), g.high)));
  _mm_storel_epi64 ((__m128i *)Blue, ToBytes (_mm_add_epi32 (_mm_add_epi32 (y.low, _mm_srai_epi32 (u.low, 3)), b.low),
                                              _mm_add_epi32 (_mm_add_epi32 (y.high, _mm_srai_epi32 (u.high, 3)), b.high)));
  // Locals, so the byte stores below do not make the offsets be read again.
  uint32_t Step = Sink->pixelBytes, R = Sink->redOffset, G = Sink->greenOffset, B = Sink->blueOffset;
  for (int i = 0; i < 8; i++, Pixel += Step) {
    Pixel[R] = Red[i];
    Pixel[G] = Green[i];
    Pixel[B] = Blue[i];
  }
}

// One whole row of an MCU: 16 pixels of two luma blocks with chroma doubled across, or
// 8 pixels of one block.
void
WriteFullRow (const JpegBaselineDecoder *d, uint8_t *Pixel, uint32_t y, uint32_t McuSide, const JpegPixelSink *Sink)
{
  if (McuSide == 16) {
    __m128i Cb = Narrow (d->block[4] + (y >> 1) * 8);
    __m128i Cr = Narrow (d->block[5] + (y >> 1) * 8);
    const int32_t *Luma = d->block[(y >> 3) * 2] + (y & 7) * 8;
    ToRgb8 (Narrow (Luma), _mm_unpacklo_epi16 (Cb, Cb), _mm_unpacklo_epi16 (Cr, Cr), Pixel, Sink);
    ToRgb8 (Narrow (Luma + 64), _mm_unpackhi_epi16 (Cb, Cb), _mm_unpackhi_epi16 (Cr, Cr), Pixel + 8 * Sink->pixelBytes, Sink);
  } else {
    ToRgb8 (Narrow (d->block[0] + y * 8), Narrow (d->block[4] + y * 8), Narrow (d->block[5] + y * 8), Pixel, Sink);
  }
}

#endif

// The MCU's pixels inside the sink, a row at a time, with the sampling chosen once per
// MCU rather than per pixel; whole rows go eight pixels at a time in the vector form, rows
// cut by the sink's right edge (and every row in the plain form) a pixel at a time.
void
WriteMcu (const JpegBaselineDecoder *d, const JpegPixelSink *Sink, uint32_t Left, uint32_t Top, uint32_t McuSide)
{
  const int32_t *Cb   = d->block[4];
  const int32_t *Cr   = d->block[5];
  uint32_t      Rows  = (Top >= Sink->rows) ? 0 : (Sink->rows - Top < McuSide) ? Sink->rows - Top : McuSide;
  uint32_t      Width = (Left >= Sink->columns) ? 0 : (Sink->columns - Left < McuSide) ? Sink->columns - Left : McuSide;
  uint32_t      Step  = Sink->pixelBytes;
#if SK_PROCS_HAVE_VECTOR
  bool          Vector = SkGetProcForm () == kVector_SkProcForm;
#endif
  for (uint32_t y = 0; y < Rows; y++) {
    uint8_t *Pixel = Sink->base + (Top + y) * Sink->rowBytes + (size_t)Left * Step;
#if SK_PROCS_HAVE_VECTOR
    if (Vector && (Width == McuSide)) {
      WriteFullRow (d, Pixel, y, McuSide, Sink);
      continue;
    }
#endif
    if (McuSide == 16) {
      const int32_t *Cbr = Cb + (y >> 1) * 8;
      const int32_t *Crr = Cr + (y >> 1) * 8;
      for (uint32_t x = 0; x < Width; x++, Pixel += Step) {
        const int32_t *Luma = d->block[(y >> 3) * 2 + (x >> 3)];
        ToRgb (Luma[(y & 7) * 8 + (x & 7)], Cbr[x >> 1], Crr[x >> 1], Pixel, Sink);
      }
    } else {
      const int32_t *Luma = d->block[0] + y * 8;
      for (uint32_t x = 0; x < Width; x++, Pixel += Step) {
        ToRgb (Luma[x], Cb[y * 8 + x], Cr[y * 8 + x], Pixel, Sink);
      }
    }
  }
}

bool
DecodeMcu (JpegBaselineDecoder *d)
{
  int Lumas = (d->lumaSampling == 0x22) ? 4 : 1;
  int Last;
  for (int i = 0; i < Lumas; i++) {
    if (!DecodeBlock (d, d->block[i], 0, &d->huffman[0], &d->huffman[2], d->quant[0], &Last)) {
      return false;
    }
    InverseTransform (d->block[i], 128, Last);
  }
  for (int Component = 1; Component <= 2; Component++) {
    int32_t *Block = d->block[3 + Component];
    if (!DecodeBlock (d, Block, Component, &d->huffman[1], &d->huffman[3], d->quant[1], &Last)) {
      return false;
    }
    InverseTransform (Block, 0, Last);
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
  const JpegPixelSink Packed = { Rgb, 3, 3, 0, 1, 2, 1, 1 };
  ToRgb (Y, Cb, Cr, Rgb, &Packed);
}

void
JpegInverseTransform (int32_t Block[64], int32_t LevelShift, int Last)
{
  InverseTransform (Block, LevelShift, (Last < 0) ? 0 : (Last > 63) ? 63 : Last);
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
  Decoder->fillDepth = (Decoder->restartInterval != 0) ? 24 : 48;
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
