// Any bytes straight to the BMP decoder, which the factory also hands whatever it does not
// recognise: its header rules alone must refuse what is not a picture.
#include "graphics/codec/fuzz/DecoderFuzz.h"

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
    return FuzzOneDecoder (Data, Size, [] (SkStream *) { return SkBMPImageDecoderCreate (); });
}
