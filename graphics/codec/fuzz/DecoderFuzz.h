// One decode of any bytes by one decoder, at sample sizes 1 and 3: first the bounds, then,
// for pictures of a moderate size, the pixels. Every read must stay inside the input, and a
// refusal must leave nothing behind (the sanitizers and the leak checker judge). Larger
// pictures are decoded only as far as their bounds: their pixel buffers would be refused by
// the allocator on a real machine, and here they would only exhaust the fuzzer's memory.
#pragma once

#include <graphics/codec/SkImageDecoder.h>

#include <cstddef>
#include <cstdint>
#include <memory>

template <typename MakeDecoder>
int FuzzOneDecoder (const uint8_t *data, size_t size, MakeDecoder make)
{
    const uint64_t kLargestDecodedPicture = 1u << 22;

    for (int sampleSize : { 1, 3 }) {
        for (SkImageDecoder::Mode mode : { SkImageDecoder::kDecodeBounds_Mode, SkImageDecoder::kDecodePixels_Mode }) {
            SkMemoryStream stream (data, size);
            std::unique_ptr<SkImageDecoder> decoder (make (&stream));
            if (decoder == nullptr) {
                return 0;
            }
            decoder->setSampleSize (sampleSize);
            SkBitmap bitmap;
            if (!decoder->decode (&stream, &bitmap, mode)) {
                break;
            }
            uint64_t sourcePixels = (uint64_t)bitmap.width () * (uint64_t)bitmap.height () * sampleSize * sampleSize;
            if (sourcePixels > kLargestDecodedPicture) {
                break;
            }
        }
    }
    return 0;
}
