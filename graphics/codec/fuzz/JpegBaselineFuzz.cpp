// Any bytes through both header walks of the baseline JPEG decoder and, for pictures of
// a moderate size, through the scan: no read may leave the input.
#include <graphics/codec/JpegBaseline.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  auto Decoder = std::make_unique<JpegBaselineDecoder> ();
  for (JpegMarkerWalk Walk : { kJpegWalkSegments, kJpegScanForMarkers }) {
    if (!JpegReadHeaders (Decoder.get (), Data, Size, Walk) || ((uint32_t)Decoder->width * Decoder->height > (1u << 20))) {
      continue;
    }
    uint32_t Columns = (Decoder->width + 15u) & ~15u;
    uint32_t Rows    = (Decoder->height + 15u) & ~15u;
    std::vector<uint8_t> Pixels ((size_t)Columns * Rows * 3);
    JpegPixelSink Sink = { Pixels.data (), (size_t)Columns * 3, 3, 0, 1, 2, Columns, Rows };
    (void)JpegDecodeScan (Decoder.get (), &Sink);
  }
  return 0;
}
