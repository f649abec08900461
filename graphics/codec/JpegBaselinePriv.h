/** @file
  What the baseline JPEG decoder's scan shares with its SSE2 forms: the transform's
  arithmetic and butterfly, the plain row pass, and how an MCU's rows reach the sink.
**/
#ifndef GRAPHICS_CODEC_JPEG_BASELINE_PRIV_H_
#define GRAPHICS_CODEC_JPEG_BASELINE_PRIV_H_

#include <graphics/codec/JpegBaseline.h>
#include <graphics/core/SkProcForm.h>

namespace JpegScan {

// Each product is rounded to nearest: floored, the fourteen products of a pass would each
// lose half a step on average and the picture would come out darker and less accurate.
inline int32_t
Mul (int32_t Value, int32_t Constant)
{
  return (int32_t)(((int64_t)Value * Constant + (1 << 13)) >> 14);
}

// Added to the DC input of each column: with the products rounded, the halving of the two
// passes still floors, which this offset (about 0.35 of a level after the last halving)
// cancels on average. A block of DC alone, any multiple of 8, gives exactly DC / 8.
const int32_t kColumnRound = 1;

inline int32_t
Half (int32_t Value)
{
  return Value >> 1;
}

// One 8-point inverse DCT on x[0..7], in place: the recursive form that splits each size
// into an even half and an odd half whose outputs are scaled by 1 / (2 cos((2n + 1) pi / 2N))
// before the butterfly. Outputs are halved. T is one value or a set of lanes of them.
// Inputs below 8 says that x[Inputs..7] are zero (Inputs 2 or 4): a product of zero is zero,
// so the terms they bring drop out and the results are the same. Lift, even, is added to the
// DC term, which raises every output by exactly Lift / 2 (the halving of an even amount
// floors nothing). Inlined always: called apart, its values go through memory, and the
// transform takes half again as long.
template <int Inputs = 8, typename T>
__attribute__ ((always_inline)) inline void
Butterfly (T *x, T Lift)
{
  static_assert ((Inputs == 2) || (Inputs == 4) || (Inputs == 8), "inputs past 1, 3 or 7 are zero");
  T Dc = Mul (x[0], 11585) + Lift;
  // Even half: the 4-point transform of x0, x2, x4, x6.
  T g0 = Dc, g1 = Dc, g2 = Dc, g3 = Dc;
  if constexpr (Inputs > 2) {
    T e0 = Dc, e1 = Dc, b;
    if constexpr (Inputs > 4) {
      T a = Mul (x[4], 11585);
      e0 = Dc + a, e1 = Dc - a, b = Mul (x[6] + x[2], 11585);
    } else {
      b = Mul (x[2], 11585);
    }
    T o0 = x[2] + b, o1 = x[2] - b;
    T m0 = Mul (o0, 8867), m1 = Mul (o1, 21407);
    g0 = e0 + m0, g3 = e0 - m0, g1 = e1 + m1, g2 = e1 - m1;
  }
  // Odd half: the 4-point transform of x1, x3 + x1, x5 + x3, x7 + x5.
  T h1in = x[1], p0 = x[1], p1 = x[1], e;
  if constexpr (Inputs > 4) {
    h1in = x[3] + x[1];
    T c = Mul (x[5] + x[3], 11585);
    p0 = x[1] + c, p1 = x[1] - c, e = Mul (x[7] + x[5] + h1in, 11585);
  } else if constexpr (Inputs > 2) {
    h1in = x[3] + x[1];
    T c = Mul (x[3], 11585);
    p0 = x[1] + c, p1 = x[1] - c, e = Mul (h1in, 11585);
  } else {
    e = Mul (h1in, 11585);
  }
  T q0 = h1in + e, q1 = h1in - e;
  T n0 = Mul (q0, 8867), n1 = Mul (q1, 21407);
  T h0 = Mul (p0 + n0, 8352), h3 = Mul (p0 - n0, 41990);
  T h1 = Mul (p1 + n1, 9852), h2 = Mul (p1 - n1, 14745);
  x[0] = Half (g0 + h0);
  x[7] = Half (g0 - h0);
  x[1] = Half (g1 + h1);
  x[6] = Half (g1 - h1);
  x[2] = Half (g2 + h2);
  x[5] = Half (g2 - h2);
  x[3] = Half (g3 + h3);
  x[4] = Half (g3 - h3);
}

// The row pass from the coefficients In into Out: rows past LastRow hold only zeros, which
// the pass keeps zero. The coefficient rows read are cleared for the next block.
void RowPassPlain (int32_t *In, int32_t *Out, int LastRow);

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
  int32_t             fill;          // the spare byte's value, or kJpegKeepSpareByte
  uint32_t            spare;         // the offset of a 4-byte pixel's spare byte, where filled
};

}  // namespace JpegScan

#if SK_PROCS_HAVE_VECTOR
namespace JpegScanSSE2 {

// Coefficients from -kSmallCoefficient to kSmallCoefficient - 1 let both vector passes
// multiply in 16 bits: row pass inputs within +-M give products of inputs within
// 5.03 M + 4 and outputs within 2.65 M + 5 (sums of absolute weights, with the roundings'
// slack), so the column pass's products take inputs within 5.03 (2.65 M + 5) + 4, below
// 2^15 for M = 2048; its DC offset of 1 reaches one product's input, within 2.65 M + 6.
const int32_t kSmallCoefficient = 2048;

// Both transform passes and the level shift from In into the samples Out, In left zero, for
// coefficients from -kSmallCoefficient to kSmallCoefficient - 1 (InverseSmall, and
// InverseCorner where nothing lies past zig-zag position kCornerLast) or any (InverseWide);
// rows past LastRow hold only zeros. InverseCorner<2> takes blocks that end by zig-zag
// position 2, within the top-left two by two.
const int kCornerLast = 9;
void InverseSmall (int32_t *In, int16_t *Out, int32_t LevelShift, int LastRow);
template <int Side>
void InverseCorner (int32_t *In, int16_t *Out, int32_t LevelShift);
void InverseWide (int32_t *In, int16_t *Out, int32_t LevelShift, int LastRow);

// Rows of a whole-width MCU into the sink, through a writer whose layout is not bytes.
void WriteRows420 (const int16_t (*Block)[64], const JpegScan::PixelWriter &Writer, uint8_t *Origin, uint32_t Rows);
void WriteRows444 (const int16_t (*Block)[64], const JpegScan::PixelWriter &Writer, uint8_t *Origin, uint32_t Rows);

}  // namespace JpegScanSSE2
#endif

#endif
