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

// One pass from s into o (which may be s) at the given stride, a constant so each pass
// compiles to fixed offsets, Shift added to each output. An input of DC alone gives eight
// equal outputs without the butterfly.
template <int Stride, typename Out>
inline void
Idct8 (const int32_t *s, Out *o, int32_t Shift)
{
  int32_t x[8];
  int32_t Ac = 0;
  for (int n = 0; n < 8; n++) {
    x[n] = s[n * Stride];
    Ac  |= (n > 0) ? x[n] : 0;
  }
  if (Ac == 0) {
    Out Dc = (Out)(Half (Mul (x[0], 11585)) + Shift);
    for (int n = 0; n < 8; n++) {
      o[n * Stride] = Dc;
    }
    return;
  }
  Butterfly (x);
  for (int n = 0; n < 8; n++) {
    o[n * Stride] = (Out)(x[n] + Shift);
  }
}

// The row pass from the coefficients into Out: rows past LastRow hold only zeros, which the
// pass keeps zero. The coefficient rows read are cleared for the next block.
void
RowPassPlain (int32_t *In, int32_t *Out, int LastRow)
{
  for (int Row = 0; Row < 8; Row++) {
    if (Row <= LastRow) {
      Idct8<1> (In + Row * 8, Out + Row * 8, 0);
      memset (In + Row * 8, 0, 8 * sizeof (int32_t));
    } else {
      memset (Out + Row * 8, 0, 8 * sizeof (int32_t));
    }
  }
}

// The samples keep the low 16 bits of each result, all the colour conversion reads.
void
InversePlain (int32_t *In, int16_t *Out, int32_t LevelShift, int LastRow)
{
  int32_t Work[64];
  RowPassPlain (In, Work, LastRow);
  for (int Column = 0; Column < 8; Column++) {
    Idct8<8> (Work + Column, Out + Column, LevelShift);
  }
}

#if SK_PROCS_HAVE_VECTOR
// Coefficients from -kSmallCoefficient to kSmallCoefficient - 1 let both vector passes
// multiply in 16 bits: row pass inputs within +-M give products of inputs within
// 5.03 M + 4 and outputs within 2.65 M + 5 (sums of absolute weights, with the floors'
// slack), so the column pass's products take inputs within 5.03 (2.65 M + 5) + 4, below
// 2^15 for M = 2048.
const int32_t kSmallCoefficient = 2048;

// Four 32-bit lanes with the arithmetic the butterfly uses, wrapping as the plain form's
// values never need to. Wide lanes take any value the passes meet; small ones only values
// whose products' inputs stay within +-2^15.
template <bool IsSmall>
struct LanesOf {
  __m128i v;
};

using Lanes      = LanesOf<false>;
using SmallLanes = LanesOf<true>;

template <bool S> inline LanesOf<S> operator+ (LanesOf<S> a, LanesOf<S> b) { return { _mm_add_epi32 (a.v, b.v) }; }
template <bool S> inline LanesOf<S> operator- (LanesOf<S> a, LanesOf<S> b) { return { _mm_sub_epi32 (a.v, b.v) }; }
template <bool S> inline LanesOf<S> Half (LanesOf<S> a) { return { _mm_srai_epi32 (a.v, 1) }; }

// Constant = K 2^s with K below 2^15: the product is floor (v K / 2^(14 - s)).
inline int
ShiftOf (int32_t Constant, int32_t *K)
{
  int Shift = 14;
  for (*K = Constant; *K >= 1 << 15; *K >>= 1) {
    Shift--;
  }
  return Shift;
}

// The plain Mul on four lanes, exactly, for the values the passes meet: with coefficients
// within +-32768 no input of a product exceeds 2^22 in magnitude. With S = 14 - s, a value
// v = h 2^S + l (0 <= l < 2^S) gives floor (v K / 2^S) = h K + floor (l K / 2^S), both
// 16 x 16-bit products.
inline Lanes
Mul (Lanes a, int32_t Constant)
{
  int32_t k;
  int     Shift  = ShiftOf (Constant, &k);
  __m128i Factor = _mm_set1_epi32 (k);
  __m128i High   = _mm_madd_epi16 (_mm_srai_epi32 (a.v, Shift), Factor);
  __m128i Low    = _mm_madd_epi16 (_mm_and_si128 (a.v, _mm_set1_epi32 ((1 << Shift) - 1)), Factor);
  return { _mm_add_epi32 (High, _mm_srli_epi32 (Low, Shift)) };
}

// A value within +-2^15 is its own low 16 bits: one 16-bit multiply-add gives v K exactly.
inline SmallLanes
Mul (SmallLanes a, int32_t Constant)
{
  int32_t k;
  int     Shift = ShiftOf (Constant, &k);
  return { _mm_srai_epi32 (_mm_madd_epi16 (a.v, _mm_set1_epi32 (k)), Shift) };
}

template <bool S>
inline void
Transpose (LanesOf<S> &a, LanesOf<S> &b, LanesOf<S> &c, LanesOf<S> &d)
{
  __m128i ab0 = _mm_unpacklo_epi32 (a.v, b.v), cd0 = _mm_unpacklo_epi32 (c.v, d.v);
  __m128i ab2 = _mm_unpackhi_epi32 (a.v, b.v), cd2 = _mm_unpackhi_epi32 (c.v, d.v);
  a.v = _mm_unpacklo_epi64 (ab0, cd0);
  b.v = _mm_unpackhi_epi64 (ab0, cd0);
  c.v = _mm_unpacklo_epi64 (ab2, cd2);
  d.v = _mm_unpackhi_epi64 (ab2, cd2);
}

// Eight results' low 16 bits, from two sets of four lanes. Small coefficients give results
// within 2.65 (2.65 M + 5) + 5 plus the level shift, inside 16 bits already.
template <bool S>
inline __m128i
LowHalves (__m128i Left, __m128i Right)
{
  if constexpr (!S) {
    Left  = _mm_srai_epi32 (_mm_slli_epi32 (Left, 16), 16);
    Right = _mm_srai_epi32 (_mm_slli_epi32 (Right, 16), 16);
  }
  return _mm_packs_epi32 (Left, Right);
}

// The column pass four columns at a time, each row's half one lane set, then the level
// shift; each row's two halves go out together as eight samples.
template <bool S>
inline void
ColumnPass (LanesOf<S> (*Rows)[2], int16_t *Out, int32_t LevelShift)
{
  __m128i Shift = _mm_set1_epi32 (LevelShift);
  __m128i Left[8];
  for (int Side = 0; Side < 2; Side++) {
    LanesOf<S> x[8];
    for (int r = 0; r < 8; r++) {
      x[r] = Rows[r][Side];
    }
    Butterfly (x);
    for (int r = 0; r < 8; r++) {
      __m128i Shifted = _mm_add_epi32 (x[r].v, Shift);
      if (Side == 0) {
        Left[r] = Shifted;
      } else {
        _mm_storeu_si128 ((__m128i *)(Out + r * 8), LowHalves<S> (Left[r], Shifted));
      }
    }
  }
}

// Small coefficients: the row pass too runs four rows at a time, on each quarter of rows
// turned so its lanes run down the rows, and turned back for the column pass.
void
InverseSmall (int32_t *In, int16_t *Out, int32_t LevelShift, int LastRow)
{
  SmallLanes Rows[8][2];
  for (int Top = 0; Top < 8; Top += 4) {
    SmallLanes x[8];
    for (int i = 0; i < 4; i++) {
      int32_t *Row = In + (Top + i) * 8;
      x[i].v       = (Top <= LastRow) ? _mm_loadu_si128 ((const __m128i *)Row) : _mm_setzero_si128 ();
      x[i + 4].v   = (Top <= LastRow) ? _mm_loadu_si128 ((const __m128i *)(Row + 4)) : _mm_setzero_si128 ();
    }
    if (Top <= LastRow) {
      memset (In + Top * 8, 0, 32 * sizeof (int32_t));
      Transpose (x[0], x[1], x[2], x[3]);
      Transpose (x[4], x[5], x[6], x[7]);
      Butterfly (x);
      Transpose (x[0], x[1], x[2], x[3]);
      Transpose (x[4], x[5], x[6], x[7]);
    }
    for (int i = 0; i < 4; i++) {
      Rows[Top + i][0] = x[i];
      Rows[Top + i][1] = x[i + 4];
    }
  }
  ColumnPass (Rows, Out, LevelShift);
}

// Other coefficients: the row pass in the plain form, whose rows of DC alone take no
// butterfly, then the column pass on wide lanes.
void
InverseWide (int32_t *In, int16_t *Out, int32_t LevelShift, int LastRow)
{
  int32_t Work[64];
  RowPassPlain (In, Work, LastRow);
  Lanes Rows[8][2];
  for (int r = 0; r < 8; r++) {
    Rows[r][0].v = _mm_loadu_si128 ((const __m128i *)(Work + r * 8));
    Rows[r][1].v = _mm_loadu_si128 ((const __m128i *)(Work + r * 8 + 4));
  }
  ColumnPass (Rows, Out, LevelShift);
}
#endif

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
// other rows zero, and each column the same again.
void
InverseTransform (int32_t *In, int16_t *Out, int32_t LevelShift, int Last, int32_t Magnitude)
{
  if (Last == 0) {
    int16_t Value = (int16_t)(Half (Mul (Half (Mul (In[0], 11585)), 11585)) + LevelShift);
    In[0]         = 0;
    for (int i = 0; i < 64; i++) {
      Out[i] = Value;
    }
    return;
  }
#if SK_PROCS_HAVE_VECTOR
  if (SkGetProcForm () == kVector_SkProcForm) {
    if (Magnitude < kSmallCoefficient) {
      InverseSmall (In, Out, LevelShift, kLastRowOf[Last]);
    } else {
      InverseWide (In, Out, LevelShift, kLastRowOf[Last]);
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

// How whole rows of an MCU reach the sink: a byte at a time (the plain form, and sinks of
// other layouts), or whole 4-byte pixels whose fourth byte is kept, or 3-byte pixels, built
// sixteen at a time in the vector form.
enum SinkLayout {
  kSinkBytes,
  kSinkWide4,
  kSinkPacked3,
};

struct PixelWriter {
  const JpegPixelSink *sink;
  SinkLayout          layout;
  uint8_t             channelAt[4];  // each byte of a pixel: 0 red, 1 green, 2 blue, 3 none
  uint32_t            keepMask;      // bits of a 4-byte pixel that keep the sink's value
};

PixelWriter
WriterFor (const JpegPixelSink *Sink)
{
  PixelWriter Writer = { Sink, kSinkBytes, { 3, 3, 3, 3 }, 0 };
#if SK_PROCS_HAVE_VECTOR
  uint32_t Bytes      = Sink->pixelBytes;
  uint32_t Offsets[3] = { Sink->redOffset, Sink->greenOffset, Sink->blueOffset };
  if ((SkGetProcForm () != kVector_SkProcForm) || ((Bytes != 3) && (Bytes != 4))) {
    return Writer;
  }
  for (uint8_t Channel = 0; Channel < 3; Channel++) {
    if ((Offsets[Channel] >= Bytes) || (Writer.channelAt[Offsets[Channel]] != 3)) {
      return { Sink, kSinkBytes, { 3, 3, 3, 3 }, 0 };
    }
    Writer.channelAt[Offsets[Channel]] = Channel;
  }
  for (uint32_t i = 0; i < 4; i++) {
    Writer.keepMask |= (Writer.channelAt[i] == 3) ? 0xFFu << (8 * i) : 0;
  }
  Writer.layout = (Bytes == 4) ? kSinkWide4 : kSinkPacked3;
#endif
  return Writer;
}

// Rows of an MCU a pixel at a time, Width pixels each; a 4:2:0 row takes its chroma parts
// from the row pair's shared chroma row, each part serving two pixels.
void
WriteRowsPlain (const int16_t (*Block)[64], const JpegPixelSink *Sink, uint8_t *Origin, uint32_t Rows,
                uint32_t Width, uint32_t McuSide)
{
  // Locals, so the byte stores do not make the sink's fields be read again.
  uint32_t    Step = Sink->pixelBytes, R = Sink->redOffset, G = Sink->greenOffset, B = Sink->blueOffset;
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
  }
}

#if SK_PROCS_HAVE_VECTOR
inline __m128i
Load8 (const int16_t *v)
{
  return _mm_loadu_si128 ((const __m128i *)v);
}

struct ChromaLanes {
  __m128i r, g, b;
};

// RedPart, GreenPart and BluePart of eight chroma samples. The green part's two products
// are summed exactly in 32 bits (below 2^31 in magnitude) before its floor.
inline ChromaLanes
PartsOf8 (const int16_t *CbRow, const int16_t *CrRow)
{
  __m128i Cb   = Load8 (CbRow), Cr = Load8 (CrRow);
  __m128i Pair = _mm_set1_epi32 ((int32_t)((uint32_t)(uint16_t)-22552 << 16 | 18736));
  __m128i Low  = _mm_srai_epi32 (_mm_madd_epi16 (_mm_unpacklo_epi16 (Cr, Cb), Pair), 16);
  __m128i High = _mm_srai_epi32 (_mm_madd_epi16 (_mm_unpackhi_epi16 (Cr, Cb), Pair), 16);
  return { _mm_add_epi16 (Cr, _mm_mulhi_epi16 (Cr, _mm_set1_epi16 (28064))),
           _mm_sub_epi16 (_mm_packs_epi32 (Low, High), Cr),
           _mm_add_epi16 (_mm_add_epi16 (Cb, Cb), _mm_mulhi_epi16 (Cb, _mm_set1_epi16 (-15493))) };
}

// Sixteen saturated channel bytes: luma plus parts, eight lanes from each pair.
inline __m128i
Channel16 (__m128i LumaA, __m128i PartA, __m128i LumaB, __m128i PartB)
{
  return _mm_packus_epi16 (_mm_add_epi16 (LumaA, PartA), _mm_add_epi16 (LumaB, PartB));
}

inline void
Merge (uint8_t *At, __m128i Pixels, __m128i Keep)
{
  __m128i Old = _mm_loadu_si128 ((const __m128i *)At);
  _mm_storeu_si128 ((__m128i *)At, _mm_or_si128 (_mm_and_si128 (Old, Keep), Pixels));
}

// Eight 3-byte pixels from eight words: each word's fourth byte lands on the next pixel's
// first, which that pixel's word then writes; the last pixel takes three bytes alone.
inline void
PutPacked8 (uint8_t *At, const uint32_t *Words)
{
  for (int i = 0; i < 7; i++) {
    memcpy (At + 3 * i, Words + i, 4);
  }
  memcpy (At + 21, Words + 7, 3);
}

// Sixteen pixels' channel bytes interleaved into pixels: the first eight at First, the
// other eight at Second.
void
Store16 (__m128i Red, __m128i Green, __m128i Blue, uint8_t *First, uint8_t *Second, const PixelWriter &Writer)
{
  __m128i       Channel[4] = { Red, Green, Blue, _mm_setzero_si128 () };
  const uint8_t *At        = Writer.channelAt;
  __m128i       Low01      = _mm_unpacklo_epi8 (Channel[At[0]], Channel[At[1]]);
  __m128i       High01     = _mm_unpackhi_epi8 (Channel[At[0]], Channel[At[1]]);
  __m128i       Low23      = _mm_unpacklo_epi8 (Channel[At[2]], Channel[At[3]]);
  __m128i       High23     = _mm_unpackhi_epi8 (Channel[At[2]], Channel[At[3]]);
  __m128i       Pixels[4]  = { _mm_unpacklo_epi16 (Low01, Low23), _mm_unpackhi_epi16 (Low01, Low23),
                               _mm_unpacklo_epi16 (High01, High23), _mm_unpackhi_epi16 (High01, High23) };
  if (Writer.layout == kSinkWide4) {
    __m128i Keep = _mm_set1_epi32 ((int32_t)Writer.keepMask);
    Merge (First, Pixels[0], Keep);
    Merge (First + 16, Pixels[1], Keep);
    Merge (Second, Pixels[2], Keep);
    Merge (Second + 16, Pixels[3], Keep);
    return;
  }
  uint32_t Words[16];
  for (int i = 0; i < 4; i++) {
    _mm_storeu_si128 ((__m128i *)(Words + 4 * i), Pixels[i]);
  }
  PutPacked8 (First, Words);
  PutPacked8 (Second, Words + 8);
}

// 4:2:0: upsampling and conversion in one step. Each chroma row's parts are computed once,
// doubled across, and serve its two rows of sixteen pixels.
void
WriteRows420 (const int16_t (*Block)[64], const PixelWriter &Writer, uint8_t *Origin, uint32_t Rows)
{
  size_t      RowBytes = Writer.sink->rowBytes;
  uint32_t    Half     = 8 * Writer.sink->pixelBytes;
  ChromaLanes Left = {}, Right = {};
  for (uint32_t y = 0; y < Rows; y++) {
    if ((y & 1) == 0) {
      ChromaLanes Parts = PartsOf8 (Block[4] + (y >> 1) * 8, Block[5] + (y >> 1) * 8);
      Left  = { _mm_unpacklo_epi16 (Parts.r, Parts.r), _mm_unpacklo_epi16 (Parts.g, Parts.g),
                _mm_unpacklo_epi16 (Parts.b, Parts.b) };
      Right = { _mm_unpackhi_epi16 (Parts.r, Parts.r), _mm_unpackhi_epi16 (Parts.g, Parts.g),
                _mm_unpackhi_epi16 (Parts.b, Parts.b) };
    }
    const int16_t *Luma = Block[(y >> 3) * 2] + (y & 7) * 8;
    __m128i       A     = Load8 (Luma), B = Load8 (Luma + 64);
    uint8_t       *Row  = Origin + y * RowBytes;
    Store16 (Channel16 (A, Left.r, B, Right.r), Channel16 (A, Left.g, B, Right.g), Channel16 (A, Left.b, B, Right.b),
             Row, Row + Half, Writer);
  }
}

// 4:4:4: two rows of eight pixels at a time; a last row alone is written twice over.
void
WriteRows444 (const int16_t (*Block)[64], const PixelWriter &Writer, uint8_t *Origin, uint32_t Rows)
{
  size_t RowBytes = Writer.sink->rowBytes;
  for (uint32_t y = 0; y < Rows; y += 2) {
    uint32_t    Next   = (y + 1 < Rows) ? y + 1 : y;
    ChromaLanes Top    = PartsOf8 (Block[4] + y * 8, Block[5] + y * 8);
    ChromaLanes Bottom = PartsOf8 (Block[4] + Next * 8, Block[5] + Next * 8);
    __m128i     A      = Load8 (Block[0] + y * 8), B = Load8 (Block[0] + Next * 8);
    Store16 (Channel16 (A, Top.r, B, Bottom.r), Channel16 (A, Top.g, B, Bottom.g), Channel16 (A, Top.b, B, Bottom.b),
             Origin + y * RowBytes, Origin + Next * RowBytes, Writer);
  }
}
#endif

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
      WriteRows420 (Block, Writer, Origin, Rows);
    } else {
      WriteRows444 (Block, Writer, Origin, Rows);
    }
    return;
  }
#endif
  WriteRowsPlain (Block, Sink, Origin, Rows, Width, McuSide);
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
JpegWriteMcu (const int16_t Blocks[6][64], uint8_t LumaSampling, const JpegPixelSink *Sink, uint32_t Left, uint32_t Top)
{
  WriteMcu (Blocks, WriterFor (Sink), Left, Top, (LumaSampling == 0x22) ? 16 : 8);
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
JpegDecodeScan (JpegBaselineDecoder *Decoder, const JpegPixelSink *Sink)
{
  uint32_t McuSide = (Decoder->lumaSampling == 0x22) ? 16 : 8;
  uint32_t Across  = (Decoder->width + McuSide - 1) / McuSide;
  uint32_t Down    = (Decoder->height + McuSide - 1) / McuSide;
  uint32_t Count   = 0;
  PixelWriter Writer = WriterFor (Sink);

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
