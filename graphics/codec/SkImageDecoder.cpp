/*
 * The decoder base: preferred configs, pixel allocation, decode() and the factory.
 */
#include <graphics/codec/SkImageDecoder.h>

#include <graphics/core/SkRefCnt.h>

SkImageDecoder::SkImageDecoder ()
    : fAllocator (nullptr), fSampleSize (1), fDefaultPref (SkBitmap::kNo_Config), fDitherImage (true),
      fUsePrefTable (false), fShouldCancelDecode (false)
{
    for (SkBitmap::Config &config : fPrefTable) {
        config = SkBitmap::kNo_Config;
    }
}

SkImageDecoder::~SkImageDecoder ()
{
    SkSafeUnref (fAllocator);
}

void SkImageDecoder::setPrefConfigTable (const SkBitmap::Config pref[6])
{
    for (int i = 0; i < 6; i++) {
        fPrefTable[i] = pref[i];
    }
    fUsePrefTable = true;
}

void SkImageDecoder::setAllocator (SkBitmap::Allocator *allocator)
{
    if (allocator != nullptr) {
        allocator->ref ();
    }
    SkSafeUnref (fAllocator);
    fAllocator = allocator;
}

SkBitmap::Config SkImageDecoder::getPrefConfig (SrcDepth depth, bool hasAlpha) const
{
    SkBitmap::Config config = fUsePrefTable ? fPrefTable[depth * 2 + (hasAlpha ? 1 : 0)] : fDefaultPref;
    return config == SkBitmap::kNo_Config ? SkBitmap::kARGB_8888_Config : config;
}

bool SkImageDecoder::allocPixelRef (SkBitmap *bitmap, SkColorTable *ctable) const
{
    return bitmap->allocPixels (fAllocator, ctable);
}

bool SkImageDecoder::allocPixelRefUncleared (SkBitmap *bitmap) const
{
    if (fAllocator != nullptr) {
        return bitmap->allocPixels (fAllocator, nullptr);
    }
    SkBitmapHeapAllocator heap (false);
    return heap.allocPixelRef (bitmap, nullptr);
}

bool SkImageDecoder::decode (SkStream *stream, SkBitmap *bitmap, Mode mode)
{
    fShouldCancelDecode = false;
    fDefaultPref = SkBitmap::kARGB_8888_Config;
    SkBitmap tmp;
    if (!onDecode (stream, &tmp, mode)) {
        return false;
    }
    bitmap->swap (tmp);
    return true;
}

SkImageDecoder *SkImageDecoder::Factory (SkStream *stream)
{
    for (const SkImageDecoderNode *node = gSkImageDecoderChain; node != nullptr; node = node->fNext) {
        SkImageDecoder *decoder = node->fFactory (stream);
        stream->rewind ();
        if (decoder != nullptr) {
            return decoder;
        }
    }
    uint8_t head[3] = { 0, 0, 0 };
    bool jpeg = stream->read (head, 3) == 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF;
    stream->rewind ();
    if (jpeg) {
        return SkJPEGImageDecoderCreate ();
    }
    // Whatever else the stream holds goes to the BMP decoder, whose header rules judge it.
    return SkBMPImageDecoderCreate ();
}

SkImageEncoder *SkImageEncoder::Create (int type)
{
    for (const SkImageEncoderNode *node = gSkImageEncoderChain; node != nullptr; node = node->fNext) {
        SkImageEncoder *encoder = node->fFactory (type);
        if (encoder != nullptr) {
            return encoder;
        }
    }
    return nullptr;
}

uint8_t *SkReadWholeStream (SkStream *stream, size_t *length)
{
    *length = stream->getLength ();
    uint8_t *bytes = (uint8_t *)sk_malloc (*length != 0 ? *length : 1);
    if (bytes != nullptr && stream->read (bytes, *length) != *length) {
        sk_free (bytes);
        bytes = nullptr;
    }
    return bytes;
}
