// Any bytes through the decoder factory and a full decode, at sample sizes 1 and 3.
#include <graphics/codec/SkImageDecoder.h>

#include <cstddef>
#include <cstdint>
#include <memory>

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
    for (int sampleSize : { 1, 3 }) {
        SkMemoryStream stream (Data, Size);
        std::unique_ptr<SkImageDecoder> decoder (SkImageDecoder::Factory (&stream));
        if (decoder == nullptr) {
            return 0;
        }
        decoder->setSampleSize (sampleSize);
        SkBitmap bitmap;
        (void)decoder->decode (&stream, &bitmap, SkImageDecoder::kDecodePixels_Mode);
    }
    return 0;
}
