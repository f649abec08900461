// Any bytes straight to the JPEG decoder: the marker search, the frame checks and the
// sampling into the bitmap, over the baseline core.
#include "graphics/codec/fuzz/DecoderFuzz.h"

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
    return FuzzOneDecoder (Data, Size, [] (SkStream *) { return SkJPEGImageDecoderCreate (); });
}
