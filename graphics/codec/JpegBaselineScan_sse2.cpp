/** @file
  SSE2 forms of the baseline JPEG decoder's inverse transform and colour conversion, bit for
  bit the plain forms' results: the transform four lanes of 32 bits at a time, the colour
  conversion eight pixels of 16-bit lanes at a time into whole pixels.
**/
#include <graphics/codec/JpegBaselinePriv.h>

#include <emmintrin.h>
#include <string.h>

using namespace JpegScan;

namespace {

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

// Constant = K 2^s with K below 2^15: the product is floor ((v K + 2^(13 - s)) / 2^(14 - s)),
// the plain form's rounding.
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
// v = h 2^S + l (0 <= l < 2^S) gives floor ((v K + 2^(S-1)) / 2^S) = h K +
// floor ((l K + 2^(S-1)) / 2^S), both 16 x 16-bit products.
inline Lanes
Mul (Lanes a, int32_t Constant)
{
  int32_t k;
  int     Shift  = ShiftOf (Constant, &k);
  __m128i Factor = _mm_set1_epi32 (k);
  __m128i High   = _mm_madd_epi16 (_mm_srai_epi32 (a.v, Shift), Factor);
  __m128i Low    = _mm_madd_epi16 (_mm_and_si128 (a.v, _mm_set1_epi32 ((1 << Shift) - 1)), Factor);
  Low            = _mm_add_epi32 (Low, _mm_set1_epi32 (1 << (Shift - 1)));
  return { _mm_add_epi32 (High, _mm_srli_epi32 (Low, Shift)) };
}

// A value within +-2^15 is its own low 16 bits: one 16-bit multiply-add gives v K exactly,
// below 2^30 in magnitude, so the rounding term cannot overflow.
inline SmallLanes
Mul (SmallLanes a, int32_t Constant)
{
  int32_t k;
  int     Shift   = ShiftOf (Constant, &k);
  __m128i Product = _mm_madd_epi16 (a.v, _mm_set1_epi32 (k));
  return { _mm_srai_epi32 (_mm_add_epi32 (Product, _mm_set1_epi32 (1 << (Shift - 1))), Shift) };
}

// Eight 16-bit lanes, for the small range alone: every input of a product and every sum that
// is halved stays within +-2^15 there (the column pass's halved sums within twice its
// outputs, 2 (2.65 (2.65 M + 5) + 6) plus twice the level shift), so each holds its true
// value. Other terms may wrap: a wrapped one reaches a halving or a product only through a
// sum that, being in range, comes out right modulo 2^16.
struct Words {
  __m128i v;
};

inline Words operator+ (Words a, Words b) { return { _mm_add_epi16 (a.v, b.v) }; }
inline Words operator- (Words a, Words b) { return { _mm_sub_epi16 (a.v, b.v) }; }
inline Words Half (Words a) { return { _mm_srai_epi16 (a.v, 1) }; }

// The plain Mul, modulo 2^16: with S = 14 - s and the 32-bit product v K = h 2^16 + l
// (0 <= l < 2^16), floor ((v K + 2^(S-1)) / 2^S) = h 2^(16-S) + floor ((q + 1) / 2), where
// q = floor (l / 2^(S-1)).
inline Words
Mul (Words a, int32_t Constant)
{
  int32_t k;
  int     Shift  = ShiftOf (Constant, &k);
  __m128i Factor = _mm_set1_epi16 ((int16_t)k);
  __m128i High   = _mm_mulhi_epi16 (a.v, Factor);
  __m128i Low    = _mm_srli_epi16 (_mm_mullo_epi16 (a.v, Factor), Shift - 1);
  return { _mm_add_epi16 (_mm_slli_epi16 (High, 16 - Shift), _mm_avg_epu16 (Low, _mm_setzero_si128 ())) };
}

// Eight rows of eight words turned so that each holds a column.
inline void
Transpose (Words *x)
{
  __m128i a0 = _mm_unpacklo_epi16 (x[0].v, x[1].v), a1 = _mm_unpackhi_epi16 (x[0].v, x[1].v);
  __m128i a2 = _mm_unpacklo_epi16 (x[2].v, x[3].v), a3 = _mm_unpackhi_epi16 (x[2].v, x[3].v);
  __m128i a4 = _mm_unpacklo_epi16 (x[4].v, x[5].v), a5 = _mm_unpackhi_epi16 (x[4].v, x[5].v);
  __m128i a6 = _mm_unpacklo_epi16 (x[6].v, x[7].v), a7 = _mm_unpackhi_epi16 (x[6].v, x[7].v);
  __m128i b0 = _mm_unpacklo_epi32 (a0, a2), b1 = _mm_unpackhi_epi32 (a0, a2);
  __m128i b2 = _mm_unpacklo_epi32 (a1, a3), b3 = _mm_unpackhi_epi32 (a1, a3);
  __m128i b4 = _mm_unpacklo_epi32 (a4, a6), b5 = _mm_unpackhi_epi32 (a4, a6);
  __m128i b6 = _mm_unpacklo_epi32 (a5, a7), b7 = _mm_unpackhi_epi32 (a5, a7);
  x[0].v = _mm_unpacklo_epi64 (b0, b4), x[1].v = _mm_unpackhi_epi64 (b0, b4);
  x[2].v = _mm_unpacklo_epi64 (b1, b5), x[3].v = _mm_unpackhi_epi64 (b1, b5);
  x[4].v = _mm_unpacklo_epi64 (b2, b6), x[5].v = _mm_unpackhi_epi64 (b2, b6);
  x[6].v = _mm_unpacklo_epi64 (b3, b7), x[7].v = _mm_unpackhi_epi64 (b3, b7);
}

inline __m128i
Load4 (const int32_t *v)
{
  return _mm_loadu_si128 ((const __m128i *)v);
}

inline void
Clear8 (int32_t *v)
{
  _mm_storeu_si128 ((__m128i *)v, _mm_setzero_si128 ());
  _mm_storeu_si128 ((__m128i *)(v + 4), _mm_setzero_si128 ());
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
// within 2.65 (2.65 M + 5) + 6 plus the level shift, inside 16 bits already.
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

// The column pass four columns at a time, each row's half one lane set, its DC input
// offset as in the plain form, then the level shift; each row's two halves go out together
// as eight samples.
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
    x[0].v = _mm_add_epi32 (x[0].v, _mm_set1_epi32 (kColumnRound));
    Butterfly (x, LanesOf<S> { _mm_setzero_si128 () });
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

// Eight samples.
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
  __m128i       Spare      = (Writer.fill == kJpegKeepSpareByte) ? _mm_setzero_si128 () : _mm_set1_epi8 ((char)Writer.fill);
  __m128i       Channel[4] = { Red, Green, Blue, Spare };
  const uint8_t *At        = Writer.channelAt;
  __m128i       Low01      = _mm_unpacklo_epi8 (Channel[At[0]], Channel[At[1]]);
  __m128i       High01     = _mm_unpackhi_epi8 (Channel[At[0]], Channel[At[1]]);
  __m128i       Low23      = _mm_unpacklo_epi8 (Channel[At[2]], Channel[At[3]]);
  __m128i       High23     = _mm_unpackhi_epi8 (Channel[At[2]], Channel[At[3]]);
  __m128i       Pixels[4]  = { _mm_unpacklo_epi16 (Low01, Low23), _mm_unpackhi_epi16 (Low01, Low23),
                               _mm_unpacklo_epi16 (High01, High23), _mm_unpackhi_epi16 (High01, High23) };
  if ((Writer.layout == kSinkWide4) && (Writer.keepMask == 0)) {
    _mm_storeu_si128 ((__m128i *)First, Pixels[0]);
    _mm_storeu_si128 ((__m128i *)(First + 16), Pixels[1]);
    _mm_storeu_si128 ((__m128i *)Second, Pixels[2]);
    _mm_storeu_si128 ((__m128i *)(Second + 16), Pixels[3]);
    return;
  }
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

}  // namespace

namespace JpegScanSSE2 {

// Small coefficients, spread past the top-left corner: both passes on eight 16-bit lanes,
// the rows turned to run down the lanes for the row pass and back for the column pass.
void
InverseSmall (int32_t *In, int16_t *Out, int32_t LevelShift, int LastRow)
{
  (void)LastRow;  // rows of zeros cost no more than the test for them
  Words x[8];
#pragma GCC unroll 8
  for (int r = 0; r < 8; r++) {
    x[r].v = _mm_packs_epi32 (Load4 (In + r * 8), Load4 (In + r * 8 + 4));
    Clear8 (In + r * 8);
  }
  Transpose (x);
  Butterfly (x, Words { _mm_setzero_si128 () });
  Transpose (x);
  x[0].v = _mm_add_epi16 (x[0].v, _mm_set1_epi16 (kColumnRound));
  Butterfly (x, Words { _mm_set1_epi16 ((int16_t)(2 * LevelShift)) });
#pragma GCC unroll 8
  for (int r = 0; r < 8; r++) {
    _mm_storeu_si128 ((__m128i *)(Out + r * 8), x[r].v);
  }
}

// Small coefficients within the top-left Side by Side (4: up to zig-zag position 9; 2: up to
// 2): the row pass on those rows in four 32-bit lanes, its inputs past Side zero, then the
// column pass on eight 16-bit lanes, its inputs past Side zero too.
template <int Side>
void
InverseCorner (int32_t *In, int16_t *Out, int32_t LevelShift)
{
  SmallLanes x[8];
#pragma GCC unroll 4
  for (int r = 0; r < 4; r++) {
    if (r < Side) {
      x[r].v = Load4 (In + r * 8);
      _mm_storeu_si128 ((__m128i *)(In + r * 8), _mm_setzero_si128 ());
    } else {
      x[r].v = _mm_setzero_si128 ();
    }
  }
  Transpose (x[0], x[1], x[2], x[3]);
  Butterfly<Side> (x, SmallLanes { _mm_setzero_si128 () });
  // Lane r of x[c] is row r's result in column c: pairs of columns into words, then into rows.
  __m128i Pair01 = _mm_packs_epi32 (x[0].v, x[1].v), Pair23 = _mm_packs_epi32 (x[2].v, x[3].v);
  __m128i Pair45 = _mm_packs_epi32 (x[4].v, x[5].v), Pair67 = _mm_packs_epi32 (x[6].v, x[7].v);
  __m128i Even   = _mm_unpacklo_epi16 (Pair01, Pair23), Odd = _mm_unpackhi_epi16 (Pair01, Pair23);
  __m128i EvenR  = _mm_unpacklo_epi16 (Pair45, Pair67), OddR = _mm_unpackhi_epi16 (Pair45, Pair67);
  __m128i Left01 = _mm_unpacklo_epi16 (Even, Odd), Left23 = _mm_unpackhi_epi16 (Even, Odd);
  __m128i Right01 = _mm_unpacklo_epi16 (EvenR, OddR), Right23 = _mm_unpackhi_epi16 (EvenR, OddR);
  Words y[8] = { { _mm_unpacklo_epi64 (Left01, Right01) }, { _mm_unpackhi_epi64 (Left01, Right01) },
                 { _mm_unpacklo_epi64 (Left23, Right23) }, { _mm_unpackhi_epi64 (Left23, Right23) },
                 { _mm_setzero_si128 () }, { _mm_setzero_si128 () }, { _mm_setzero_si128 () }, { _mm_setzero_si128 () } };
  y[0].v = _mm_add_epi16 (y[0].v, _mm_set1_epi16 (kColumnRound));
  Butterfly<Side> (y, Words { _mm_set1_epi16 ((int16_t)(2 * LevelShift)) });
#pragma GCC unroll 8
  for (int r = 0; r < 8; r++) {
    _mm_storeu_si128 ((__m128i *)(Out + r * 8), y[r].v);
  }
}

template void InverseCorner<2> (int32_t *In, int16_t *Out, int32_t LevelShift);
template void InverseCorner<4> (int32_t *In, int16_t *Out, int32_t LevelShift);

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

}  // namespace JpegScanSSE2
