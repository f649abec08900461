/*
 * The JPEG decoder: the baseline decoder with its own state, a search of the bytes for
 * markers (JFIF files without a restart interval), RGB rows through the sampler.
 */
#include <graphics/codec/JpegBaseline.h>
#include <graphics/codec/SkImageDecoder.h>
#include <graphics/codec/SkScaledBitmapSampler.h>
#include <graphics/core/SkColorPriv.h>


namespace {

class SkJPEGImageDecoder : public SkImageDecoder {
public:
    Format getFormat () const override { return kJPEG_Format; }

protected:
    bool onDecode (SkStream *stream, SkBitmap *bm, Mode mode) override;

private:
    bool decodeInto (const uint8_t *data, size_t length, JpegBaselineDecoder *state, SkBitmap *bm, Mode mode);
    bool decodeDirect (JpegBaselineDecoder *state, SkBitmap *bm) const;
};

// Pictures up to 2^30 pixels, rounded up to 16 in each direction, are decoded.
const uint64_t kPixelLimit = 1ull << 30;

bool SkJPEGImageDecoder::decodeInto (const uint8_t *data, size_t length, JpegBaselineDecoder *state, SkBitmap *bm, Mode mode)
{
    if (!JpegReadHeaders (state, data, length, kJpegScanForMarkers)) {
        return false;
    }
    uint32_t columns = (state->width + 15u) & ~15u;
    uint32_t rows = (state->height + 15u) & ~15u;
    if ((uint64_t)columns * rows >= kPixelLimit) {
        return false;
    }
    SkScaledBitmapSampler sampler;
    sampler.begin (state->width, state->height, getSampleSize ());
    bm->setConfig (SkBitmap::kARGB_8888_Config, sampler.scaledWidth (), sampler.scaledHeight ());
    bm->setIsOpaque (true);
    if (mode == kDecodeBounds_Mode) {
        return true;
    }
    if (sampler.scaledWidth () == state->width && sampler.scaledHeight () == state->height) {
        return decodeDirect (state, bm);
    }
    SkAutoFree rgb (sk_calloc ((size_t)columns * rows * 3));
    JpegPixelSink sink = { (uint8_t *)rgb.get (), (size_t)columns * 3, 3, 0, 1, 2, columns, rows };
    if (rgb.get () == nullptr || !JpegDecodeScan (state, &sink) || !allocPixelRef (bm, nullptr)) {
        return false;
    }
    SkAutoLockPixels lock (*bm);
    if (!sampler.setup (bm, SkScaledBitmapSampler::kRGB, getDitherImage ())) {
        return false;
    }
    for (int y = 0; y < sampler.scaledHeight (); y++) {
        // Whether a pixel had alpha says nothing of an opaque picture.
        (void)sampler.next (sink.base + (size_t)(sampler.srcY0 () + y * sampler.srcDY ()) * sink.rowBytes);
    }
    return true;
}

// At full size the scan writes the bitmap's pixels itself, with no RGB copy in between, and
// their alpha bytes opaque, as the sampler would make them. A scan that succeeds has written
// every byte of a bitmap of the image's size (its rows hold nothing past the pixels), so the
// pixels need no clearing first.
bool SkJPEGImageDecoder::decodeDirect (JpegBaselineDecoder *state, SkBitmap *bm) const
{
    if (!allocPixelRefUncleared (bm)) {
        return false;
    }
    SkAutoLockPixels lock (*bm);
    uint8_t *pixels = (uint8_t *)bm->getPixels ();
    if (pixels == nullptr) {
        return false;
    }
    JpegPixelSink sink = { pixels, bm->rowBytes (), 4, SK_R32_SHIFT / 8, SK_G32_SHIFT / 8, SK_B32_SHIFT / 8,
                           state->width, state->height };
    return JpegDecodeScan (state, &sink, 0xFF);
}

bool SkJPEGImageDecoder::onDecode (SkStream *stream, SkBitmap *bm, Mode mode)
{
    size_t length = 0;
    SkAutoFree data (SkReadWholeStream (stream, &length));
    SkAutoFree state (sk_malloc (sizeof (JpegBaselineDecoder)));
    if (data.get () == nullptr || state.get () == nullptr) {
        return false;
    }
    return decodeInto ((const uint8_t *)data.get (), length, (JpegBaselineDecoder *)state.get (), bm, mode);
}

}  // namespace

SkImageDecoder *SkJPEGImageDecoderCreate ()
{
    return new SkJPEGImageDecoder;
}
