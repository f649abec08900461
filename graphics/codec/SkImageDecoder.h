/*
 * Image decoders: SkImageDecoder::Factory sniffs a stream and makes a decoder for it
 * (PNG, BMP or JPEG); decode() turns the whole image into an SkBitmap. Decoded rows go
 * through the scaled-bitmap sampler, which converts them to the bitmap's config and can
 * keep every n-th row and column.
 */
#ifndef GRAPHICS_CODEC_SK_IMAGE_DECODER_H_
#define GRAPHICS_CODEC_SK_IMAGE_DECODER_H_

#include <graphics/bitmap/SkBitmap.h>
#include <graphics/core/SkTypes.h>
#include <graphics/port/SkStream.h>

class SkImageDecoder : public SkPoolObject, SkNoncopyable {
public:
    enum Format { kUnknown_Format = 0, kBMP_Format = 1, kJPEG_Format = 4, kPNG_Format = 5 };
    enum Mode { kDecodeBounds_Mode = 0, kDecodePixels_Mode = 1 };
    // Source depths of the preferred-config table.
    enum SrcDepth { kIndex_SrcDepth = 0, k16Bit_SrcDepth = 1, k32Bit_SrcDepth = 2 };

    SkImageDecoder ();
    virtual ~SkImageDecoder ();
    virtual Format getFormat () const { return kUnknown_Format; }

    int getSampleSize () const { return fSampleSize; }
    void setSampleSize (int size) { fSampleSize = size < 1 ? 1 : size; }
    bool getDitherImage () const { return fDitherImage; }
    void setDitherImage (bool dither) { fDitherImage = dither; }
    // Configs by source depth x 2 + has-alpha; used from then on instead of the default.
    void setPrefConfigTable (const SkBitmap::Config pref[6]);
    // The allocator of pixel memory (null: the heap); the decoder keeps a reference.
    void setAllocator (SkBitmap::Allocator *allocator);

    // Decodes the image into bitmap, which is replaced only on success.
    bool decode (SkStream *stream, SkBitmap *bitmap, Mode mode);

    // A decoder for the stream, which is rewound; null only when none can be allocated.
    // The factories of the decoder chain are asked first, in chain order.
    static SkImageDecoder *Factory (SkStream *stream);

protected:
    virtual bool onDecode (SkStream *, SkBitmap *, Mode) { return false; }

    SkBitmap::Config getPrefConfig (SrcDepth depth, bool hasAlpha) const;
    bool allocPixelRef (SkBitmap *bitmap, SkColorTable *ctable) const;
    // For a decoder that sets every byte of the pixels before it succeeds (a failed decode's
    // bitmap is dropped): without an allocator of the caller's, the heap's pixels are not
    // zero-filled first.
    bool allocPixelRefUncleared (SkBitmap *bitmap) const;
    bool shouldCancelDecode () const { return fShouldCancelDecode; }

private:
    SkBitmap::Allocator *fAllocator;
    int fSampleSize;
    SkBitmap::Config fDefaultPref;
    SkBitmap::Config fPrefTable[6];
    bool fDitherImage;
    bool fUsePrefTable;
    bool fShouldCancelDecode;
};

// The whole stream in one block from sk_malloc (null when it cannot be read in full).
uint8_t *SkReadWholeStream (SkStream *stream, size_t *length);

// A node of a factory chain: each chain is a global head pointer to static nodes, linked at
// start-up (SkStaticRegistrations.cpp).
template <typename Factory> struct SkFactoryNode {
    Factory fFactory;
    SkFactoryNode *fNext;
};

// Image encoding is not offered: the encoder chain's one factory gives, for type 1 only,
// an encoder whose encode always fails.
class SkImageEncoder : public SkPoolObject, SkNoncopyable {
public:
    virtual ~SkImageEncoder () {}
    bool encode (const SkBitmap &bitmap, int quality) { return onEncode (bitmap, quality); }
    // The first encoder the chain makes for the type, or null.
    static SkImageEncoder *Create (int type);

protected:
    virtual bool onEncode (const SkBitmap &, int) { return false; }
};

typedef SkFactoryNode<SkImageDecoder *(*) (SkStream *stream)> SkImageDecoderNode;
typedef SkFactoryNode<SkImageEncoder *(*) (int type)> SkImageEncoderNode;
extern SkImageDecoderNode *gSkImageDecoderChain;
extern SkImageEncoderNode *gSkImageEncoderChain;
// Links a node in front of the chain (the first one becomes its head).
template <typename Node> void SkLinkFactoryNode (Node **head, Node *node)
{
    node->fNext = *head;
    *head = node;
}

// The factories of the decoder chain, linked PNG first, then BMP.
SkImageDecoder *SkPNGImageDecoderFactory (SkStream *stream);
SkImageDecoder *SkBMPImageDecoderFactory (SkStream *stream);
SkImageDecoder *SkJPEGImageDecoderCreate ();
SkImageDecoder *SkBMPImageDecoderCreate ();

#endif
