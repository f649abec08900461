// Any bytes with a PNG signature through the PNG decoder over libpng: its error handling
// must free what it allocated, and the rows must fit the bitmap.
#include "graphics/codec/fuzz/DecoderFuzz.h"

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
    return FuzzOneDecoder (Data, Size, [] (SkStream *stream) { return SkPNGImageDecoderFactory (stream); });
}
