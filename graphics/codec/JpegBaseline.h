/** @file
  The small baseline JPEG decoder shared by the boot logo converter and the graphics
  library's JPEG decoder: 8-bit DCT frames of three components with 4:4:4 or 4:2:0
  sampling, Huffman coded, in one interleaved scan, with or without restart markers.

  Each decoder keeps its whole state in its own JpegBaselineDecoder, so two decodes
  never share tables, predictors or the bit reader. Every read is bounded by the
  data's size; data past the end reads as 1-bits, which no Huffman table decodes.
**/
#ifndef GRAPHICS_CODEC_JPEG_BASELINE_H_
#define GRAPHICS_CODEC_JPEG_BASELINE_H_

#include <stddef.h>
#include <stdint.h>

// How the markers before the scan are found.
enum JpegMarkerWalk {
  // Segments are skipped by their lengths; a restart interval is taken.
  kJpegWalkSegments,
  // The bytes are searched for markers up to the end-of-image marker; a JFIF mark is
  // required and a restart interval is refused.
  kJpegScanForMarkers,
};

// Where the decoded pixels go: three colour bytes a pixel at the given offsets.
struct JpegPixelSink {
  uint8_t  *base;
  size_t   rowBytes;
  uint32_t pixelBytes;
  uint8_t  redOffset, greenOffset, blueOffset;
  uint32_t columns;   // pixels a row that may be written
  uint32_t rows;      // rows that may be written
};

struct JpegHuffmanTable {
  // Canonical decoding: codes of length L run from minCode[L] to maxCode[L]
  // (maxCode -1 when the length has none); their symbols start at valueIndex[L].
  int32_t  minCode[17];
  int32_t  maxCode[18];
  int32_t  valueIndex[17];
  uint8_t  symbols[256];
  // Lookup of the codes up to kLookupBits long: length << 8 | symbol, 0 when longer.
  uint16_t lookup[1 << 9];
  // Lookup of whole coefficients by the next 10 bits, where a code and its magnitude bits
  // fit in them: the extended value << 16 | run << 8 | magnitude bits << 4 | both lengths
  // (run 64 for an AC table's end of block, 0 for a DC table), 0 for the longer ones.
  int32_t  coefficient[1 << 10];
};

struct JpegBaselineDecoder {
  const uint8_t   *data;
  size_t          size;
  size_t          frame;         // position of the frame header's marker
  size_t          scan;          // first byte of the entropy-coded data
  size_t          quantAt[4];
  size_t          huffmanAt[4];
  uint32_t        quantCount, huffmanCount;
  uint16_t        restartInterval;
  uint16_t        width, height;
  uint8_t         lumaSampling;  // 0x11 or 0x22
  uint16_t        quant[2][64];  // zig-zag order, as stored
  JpegHuffmanTable huffman[4];   // DC luma, DC chroma, AC luma, AC chroma
  int32_t         predictor[3];
  // Bit reader.
  size_t          readAt;
  uint64_t        bitBuffer;
  // Wider than the coefficients, so a store of one is not taken to change the reader.
  int64_t         bitCount;
  int64_t         fillDepth;     // a refill stops past this many bits
  bool            failed;
  int32_t         coefficients[64];  // the block being decoded; all zero between blocks
  // The MCU's samples (luma blocks, then Cb and Cr): the low 16 bits of each, all the
  // colour conversion reads.
  int16_t         block[6][64];
};

// Reads the headers of Data (Size bytes) into Decoder, which is reset first. False when
// the image is not one this decoder takes: not a baseline frame of three components,
// tables missing, inconsistent or malformed, a sampling other than 4:4:4 or 4:2:0, a
// zero side, or a scan that is not one interleaved scan of the three components.
bool JpegReadHeaders (JpegBaselineDecoder *Decoder, const uint8_t *Data, size_t Size, JpegMarkerWalk Walk);

// Decodes the scan into Sink (zero-filled by the caller). The MCUs cover the image's size
// rounded up to the MCU; what lies past the sink's columns and rows is dropped, so a sink
// of exactly the image's size is enough. False when a Huffman code matches no table entry.
// A 4-byte pixel's byte that no channel takes (its three offsets all differ) is kept, or set
// to Fill where that is 0 to 255 (an opaque alpha, say), so that it needs no filling first.
const int32_t kJpegKeepSpareByte = -1;
bool JpegDecodeScan (JpegBaselineDecoder *Decoder, const JpegPixelSink *Sink, int32_t Fill = kJpegKeepSpareByte);

// Exposed for tests: both inverse DCT passes and the level shift, in place, on one block of
// coefficients within +-32768 in natural order, in the form in force; each result is left
// as its low 16 bits, sign-extended. Last is the last zig-zag position that may hold a
// nonzero coefficient (63 when not known).
void JpegInverseTransform (int32_t Block[64], int32_t LevelShift, int Last);

// Exposed for tests: the colour conversion of one pixel (Y level-shifted) into 8 bits.
void JpegYCbCrToRgb (int32_t Y, int32_t Cb, int32_t Cr, uint8_t Rgb[3]);

// Exposed for tests: one MCU of transformed blocks into Sink at (Left, Top), clipped by the
// sink's columns and rows, in the form in force. LumaSampling 0x22 reads four luma blocks
// (0 to 3, left to right, top to bottom), anything else one (0); Cb and Cr are blocks 4 and 5.
// Fill as for JpegDecodeScan.
void JpegWriteMcu (const int16_t Blocks[6][64], uint8_t LumaSampling, const JpegPixelSink *Sink, uint32_t Left, uint32_t Top,
                   int32_t Fill = kJpegKeepSpareByte);

#endif
