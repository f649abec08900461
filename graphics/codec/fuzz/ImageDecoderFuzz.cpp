// Any bytes through the decoder factory, which picks the decoder by the first bytes.
#include "graphics/codec/fuzz/DecoderFuzz.h"

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
    return FuzzOneDecoder (Data, Size, [] (SkStream *stream) { return SkImageDecoder::Factory (stream); });
}
