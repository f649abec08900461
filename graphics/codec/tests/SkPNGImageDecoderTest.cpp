// The PNG decoder on pictures made here: every 8-bit layout, plain and interlaced, gives
// libpng's own pixels premultiplied; what a hostile PNG can make it allocate (chunks whose
// length fields claim far more than the file holds are refused without memory in
// proportion to the claim, and the chunks it skips do not stop a real picture from
// decoding); a zlib stream whose checksum is wrong fails the decode; the PNG factory
// leaves the stream where the decoder expects it.
#include <graphics/bitmap/SkPixelRef.h>
#include <graphics/codec/SkImageDecoder.h>
#include <graphics/codec/tests/LibpngRgba.h>
#include <graphics/core/SkColorPriv.h>
#include <graphics/raster/SkBlitRow.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <zlib.h>

namespace {

// A PNG written chunk by chunk; Claim writes a chunk header alone, whose length need not
// be the bytes that follow.
class PngFile {
public:
    PngFile () : fBytes ({ 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' }) {}

    PngFile &Header (uint32_t width, uint32_t height, uint8_t depth, uint8_t colorType)
    {
        std::vector<uint8_t> data;
        Put32 (&data, width);
        Put32 (&data, height);
        data.insert (data.end (), { depth, colorType, 0, 0, 0 });
        return Chunk ("IHDR", data);
    }

    // 8-bit grey rows, each under filter 0, in one IDAT. Mend changes the zlib stream
    // before the chunk's CRC is taken, so only zlib's own checks can tell.
    PngFile &GreyRows (uint32_t width, uint32_t height, uint8_t value,
                       void (*Mend) (std::vector<uint8_t> *packed) = nullptr)
    {
        std::vector<uint8_t> raw;
        for (uint32_t y = 0; y < height; y++) {
            raw.push_back (0);
            raw.insert (raw.end (), width, value);
        }
        uLongf size = compressBound ((uLong)raw.size ());
        std::vector<uint8_t> packed (size);
        compress (packed.data (), &size, raw.data (), (uLong)raw.size ());
        packed.resize (size);
        if (Mend != nullptr) Mend (&packed);
        return Chunk ("IDAT", packed);
    }

    PngFile &Chunk (const char *type, const std::vector<uint8_t> &data)
    {
        Claim (type, (uint32_t)data.size ());
        fBytes.insert (fBytes.end (), data.begin (), data.end ());
        uLong crc = crc32 (0, (const Bytef *)type, 4);
        if (!data.empty ()) crc = crc32 (crc, data.data (), (uInt)data.size ());  // a null buffer restarts it
        Put32 (&fBytes, (uint32_t)crc);
        return *this;
    }

    PngFile &Claim (const char *type, uint32_t length)
    {
        Put32 (&fBytes, length);
        fBytes.insert (fBytes.end (), type, type + 4);
        return *this;
    }

    PngFile &End () { return Chunk ("IEND", {}); }

    const std::vector<uint8_t> &Bytes () const { return fBytes; }

private:
    static void Put32 (std::vector<uint8_t> *out, uint32_t v)
    {
        for (int i = 3; i >= 0; i--) out->push_back ((uint8_t)(v >> (8 * i)));
    }

    std::vector<uint8_t> fBytes;
};

void WriteToVector (png_structp png, png_bytep data, png_size_t length)
{
    auto *file = (std::vector<uint8_t> *)png_get_io_ptr (png);
    file->insert (file->end (), data, data + length);
}

// A picture of the colour type whose samples run through many values: every third pixel
// is opaque, the others' alpha climbs by 37 a pixel (transparent and translucent levels),
// and the colours differ in each channel.
std::vector<uint8_t> Picture (int width, int height, int colorType, bool interlaced)
{
    int channels = colorType == PNG_COLOR_TYPE_GRAY ? 1 : colorType == PNG_COLOR_TYPE_GRAY_ALPHA ? 2
                   : colorType == PNG_COLOR_TYPE_RGB ? 3 : 4;
    std::vector<uint8_t> file, row ((size_t)width * channels);
    png_structp png = png_create_write_struct (PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct (png);
    png_set_write_fn (png, &file, WriteToVector, nullptr);
    png_set_IHDR (png, info, (png_uint_32)width, (png_uint_32)height, 8, colorType,
                  interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                  PNG_FILTER_TYPE_DEFAULT);
    png_write_info (png, info);
    int passes = png_set_interlace_handling (png);
    for (int pass = 0; pass < passes; pass++) {
        for (int y = 0; y < height; y++) {
            for (int x = 0; x < width; x++) {
                unsigned i = (unsigned)(y * width + x);
                uint8_t samples[4] = { (uint8_t)(i * 7 + 3), (uint8_t)(i * 13 + 100), (uint8_t)(255 - i * 5),
                                        (uint8_t)(i % 3 == 0 ? 255 : i * 37) };
                if (channels == 2) samples[1] = samples[3];
                memcpy (&row[(size_t)x * channels], samples, (size_t)channels);
            }
            png_write_row (png, row.data ());
        }
    }
    png_write_end (png, info);
    png_destroy_write_struct (&png, &info);
    return file;
}

// Pixels that start as a pattern rather than zeros: a decode that leaves any byte unwritten
// shows it.
class PatternAllocator : public SkBitmap::Allocator {
public:
    bool allocPixelRef (SkBitmap *bitmap, SkColorTable *ctable) override
    {
        size_t size = (size_t)bitmap->getSize64 ().get32 ();
        void *storage = sk_malloc (size);
        if (storage == nullptr) {
            return false;
        }
        memset (storage, 0xA5, size);
        SkMallocPixelRef *ref = new SkMallocPixelRef (storage, size, ctable);
        bitmap->setPixelRef (ref, 0);
        ref->unref ();
        bitmap->lockPixels ();
        return true;
    }
};

// Into the heap's pixels and into pixels that start as a pattern alike.
TEST (SkPNGImageDecoder, EveryEightBitLayoutGivesLibpngsPixelsPremultiplied)
{
    const int kColorTypes[] = { PNG_COLOR_TYPE_GRAY, PNG_COLOR_TYPE_GRAY_ALPHA, PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA };
    // Widths around the in-place widening's edges and the interlace passes' strides.
    const int kSizes[][2] = { { 1, 1 }, { 2, 3 }, { 3, 1 }, { 5, 9 }, { 33, 17 }, { 64, 8 } };
    for (int colorType : kColorTypes) {
        for (bool interlaced : { false, true }) {
            for (const auto &size : kSizes) {
                SCOPED_TRACE (std::to_string (colorType) + (interlaced ? " interlaced " : " ") + std::to_string (size[0]) + "x" +
                              std::to_string (size[1]));
                std::vector<uint8_t> file = Picture (size[0], size[1], colorType, interlaced);
                LibpngRgba::Decoded direct = LibpngRgba::DecodeToRgba (file);
                ASSERT_TRUE (direct.ok);
                for (bool patterned : { false, true }) {
                    SkMemoryStream stream (file.data (), file.size ());
                    std::unique_ptr<SkImageDecoder> decoder (SkImageDecoder::Factory (&stream));
                    ASSERT_NE (decoder, nullptr);
                    if (patterned) {
                        PatternAllocator *pattern = new PatternAllocator;
                        decoder->setAllocator (pattern);
                        pattern->unref ();
                    }
                    SkBitmap bitmap;
                    ASSERT_TRUE (decoder->decode (&stream, &bitmap, SkImageDecoder::kDecodePixels_Mode));
                    ASSERT_EQ (bitmap.width (), size[0]);
                    ASSERT_EQ (bitmap.height (), size[1]);
                    SkAutoLockPixels lock (bitmap);
                    int wrong = 0;
                    bool opaque = true;
                    for (int i = 0; i < size[0] * size[1]; i++) {
                        const uint8_t *p = &direct.rgba[(size_t)i * 4];
                        opaque = opaque && p[3] == 0xFF;
                        wrong += *bitmap.getAddr32 (i % size[0], i / size[0]) != SkPreMultiplyARGB (p[3], p[0], p[1], p[2]);
                    }
                    EXPECT_EQ (wrong, 0) << (patterned ? "patterned" : "heap");
                    EXPECT_EQ (bitmap.isOpaque (), opaque);
                }
            }
        }
    }
}

// Text of the given size, as a tEXt or iTXt body ("keyword\0..." with iTXt's flags).
std::vector<uint8_t> Text (const char *type, size_t size)
{
    std::vector<uint8_t> body = { 'C', 'o', 'm', 'm', 'e', 'n', 't', 0 };
    if (type[0] == 'i') body.insert (body.end (), { 0, 0, 0, 0 });
    body.resize (size, 'x');
    return body;
}

struct Outcome {
    bool decoded = false;
    long peakGrowthKiB = -1;
};

long StatusKiB (const char *field)
{
    FILE *status = fopen ("/proc/self/status", "r");
    char line[256];
    long kib = -1;
    size_t length = strlen (field);
    while (status != nullptr && fgets (line, sizeof line, status) != nullptr) {
        if (strncmp (line, field, length) == 0) kib = atol (line + length);
    }
    if (status != nullptr) fclose (status);
    return kib;
}

// One pixel decode of the bytes in a child process, whose peak resident size is reset
// first: what the decode made resident at once, libpng's zero-filled buffers included,
// shows as the growth of that peak. The child reports over a pipe.
Outcome DecodeInChild (const std::vector<uint8_t> &bytes)
{
    Outcome outcome;
    int fds[2];
    if (pipe (fds) != 0) return outcome;
    fflush (nullptr);
    pid_t child = fork ();
    if (child == 0) {
        close (fds[0]);
        int clear = open ("/proc/self/clear_refs", O_WRONLY);
        bool reset = clear >= 0 && write (clear, "5", 1) == 1;
        if (clear >= 0) close (clear);
        long before = StatusKiB ("VmHWM:");
        Outcome result;
        {
            SkMemoryStream stream (bytes.data (), bytes.size ());
            std::unique_ptr<SkImageDecoder> decoder (SkImageDecoder::Factory (&stream));
            SkBitmap bitmap;
            result.decoded = decoder != nullptr && decoder->getFormat () == SkImageDecoder::kPNG_Format &&
                             decoder->decode (&stream, &bitmap, SkImageDecoder::kDecodePixels_Mode);
        }
        result.peakGrowthKiB = reset && before >= 0 ? StatusKiB ("VmHWM:") - before : -1;
        ssize_t written = write (fds[1], &result, sizeof result);
        _exit (written == (ssize_t)sizeof result ? 0 : 1);
    }
    close (fds[1]);
    if (child > 0) {
        if (read (fds[0], &outcome, sizeof outcome) != (ssize_t)sizeof outcome) outcome = Outcome ();
        waitpid (child, nullptr, 0);
    }
    close (fds[0]);
    return outcome;
}

// libpng zero-fills a chunk's buffer before reading into it, so a decode that sized one
// by a claimed length would grow by about that much; a refused or skipped chunk costs no
// more than the decoder's own few small buffers.
const long kSmallDecodeKiB = 8 * 1024;

TEST (SkPNGImageDecoder, ChunkLengthsClaimingGigabytesAreRefusedWithoutAllocatingThem)
{
    struct Case {
        const char *name;
        PngFile file;
        bool decodes;
    };
    const Case cases[] = {
        // The picture's header, then a text chunk's header alone: 41 bytes in all.
        { "tEXt before the picture data", PngFile ().Header (1, 16, 8, 0).Claim ("tEXt", 0x62604646), false },
        { "zTXt before the picture data", PngFile ().Header (1, 16, 8, 0).Claim ("zTXt", 0x62604646), false },
        { "iCCP before the picture data", PngFile ().Header (1, 16, 8, 0).Claim ("iCCP", 0x62604646), false },
        { "sPLT before the picture data", PngFile ().Header (1, 16, 8, 0).Claim ("sPLT", 0x62604646), false },
        { "eXIf before the picture data", PngFile ().Header (1, 16, 8, 0).Claim ("eXIf", 0x62604646), false },
        { "unknown ancillary chunk", PngFile ().Header (1, 16, 8, 0).Claim ("prVt", 0x7FFFFFF0), false },
        // A complete picture; the chunk after its data is read by the end of the decode.
        { "iTXt after the picture data", PngFile ().Header (1, 16, 8, 0).GreyRows (1, 16, 7).Claim ("iTXt", 0x69436651), false },
        { "sPLT after the picture data", PngFile ().Header (1, 16, 8, 0).GreyRows (1, 16, 7).Claim ("sPLT", 0x69436651), false },
        // Real text, however long, is skipped and no reason to refuse the picture.
        { "complete text chunks around the picture data",
          PngFile ().Header (1, 16, 8, 0).Chunk ("tEXt", Text ("tEXt", 16 << 20)).GreyRows (1, 16, 7)
              .Chunk ("iTXt", Text ("iTXt", 16 << 20)).End (),
          true },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE (c.name);
        Outcome outcome = DecodeInChild (c.file.Bytes ());
        EXPECT_EQ (outcome.decoded, c.decodes);
        ASSERT_GE (outcome.peakGrowthKiB, 0) << "no peak resident size from the child";
        EXPECT_LT (outcome.peakGrowthKiB, kSmallDecodeKiB);
    }
}

// Pixels of a picture with chunks the decoder skips equal libpng's own decoding.
TEST (SkPNGImageDecoder, SkippedChunksLeaveThePixelsAsLibpngReadsThem)
{
    PngFile file;
    file.Header (3, 2, 8, 0)
        .Chunk ("tEXt", Text ("tEXt", 40))
        .Chunk ("sBIT", { 5 })
        .GreyRows (3, 2, 0x5A)
        .Chunk ("zTXt", { 'k', 0, 0, 0x78, 0x9C, 0x03, 0, 0, 0, 0, 1 })
        .End ();
    SkMemoryStream stream (file.Bytes ().data (), file.Bytes ().size ());
    std::unique_ptr<SkImageDecoder> decoder (SkImageDecoder::Factory (&stream));
    ASSERT_NE (decoder, nullptr);
    SkBitmap bitmap;
    ASSERT_TRUE (decoder->decode (&stream, &bitmap, SkImageDecoder::kDecodePixels_Mode));
    LibpngRgba::Decoded direct = LibpngRgba::DecodeToRgba (file.Bytes ());
    ASSERT_TRUE (direct.ok);
    ASSERT_EQ (bitmap.width (), 3);
    ASSERT_EQ (bitmap.height (), 2);
    SkAutoLockPixels lock (bitmap);
    for (int i = 0; i < 6; i++) {
        const uint8_t *p = &direct.rgba[(size_t)i * 4];
        EXPECT_EQ (*bitmap.getAddr32 (i % 3, i / 3), SkPreMultiplyARGB (p[3], p[0], p[1], p[2])) << i;
    }
    EXPECT_TRUE (bitmap.isOpaque ());
}

// A zlib stream spoilt under right chunk CRCs fails the decode, and the caller's bitmap
// keeps what it held: its size and its pixels.
TEST (SkPNGImageDecoder, ACorruptZlibStreamUnderRightCrcsFailsAndLeavesTheBitmap)
{
    struct Case {
        const char *name;
        void (*mend) (std::vector<uint8_t> *packed);
    };
    const Case cases[] = {
        { "Adler-32 of the rows off by one bit", [] (std::vector<uint8_t> *packed) { packed->back () ^= 0x01; } },
        { "Adler-32 cut off", [] (std::vector<uint8_t> *packed) { packed->resize (packed->size () - 4); } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE (c.name);
        PngFile file;
        file.Header (4, 3, 8, 0).GreyRows (4, 3, 0x33, c.mend).End ();
        SkBitmap bitmap;
        bitmap.setConfig (SkBitmap::kARGB_8888_Config, 2, 2);
        ASSERT_TRUE (bitmap.allocPixels ());
        {
            SkAutoLockPixels lock (bitmap);
            for (int y = 0; y < 2; y++) {
                for (int x = 0; x < 2; x++) *bitmap.getAddr32 (x, y) = SkPackARGB32 (0xFF, 0x12, 0x34, 0x56);
            }
        }
        SkPixelRef *before = bitmap.pixelRef ();
        SkMemoryStream stream (file.Bytes ().data (), file.Bytes ().size ());
        std::unique_ptr<SkImageDecoder> decoder (SkImageDecoder::Factory (&stream));
        ASSERT_NE (decoder, nullptr);
        EXPECT_FALSE (decoder->decode (&stream, &bitmap, SkImageDecoder::kDecodePixels_Mode));
        EXPECT_EQ (bitmap.width (), 2);
        EXPECT_EQ (bitmap.height (), 2);
        EXPECT_EQ (bitmap.pixelRef (), before);
        SkAutoLockPixels lock (bitmap);
        EXPECT_EQ (*bitmap.getAddr32 (1, 1), SkPackARGB32 (0xFF, 0x12, 0x34, 0x56));
    }
    // The same rows with the stream as zlib wrote it decode.
    PngFile whole;
    whole.Header (4, 3, 8, 0).GreyRows (4, 3, 0x33).End ();
    SkMemoryStream stream (whole.Bytes ().data (), whole.Bytes ().size ());
    std::unique_ptr<SkImageDecoder> decoder (SkImageDecoder::Factory (&stream));
    SkBitmap bitmap;
    ASSERT_TRUE (decoder->decode (&stream, &bitmap, SkImageDecoder::kDecodePixels_Mode));
    EXPECT_EQ (bitmap.width (), 4);
}

// The PNG factory alone, as the decoder chain's first entry calls it, leaves the stream at
// its start: the decoder must see the signature.
TEST (SkPNGImageDecoderFactory, LeavesTheStreamAtItsStart)
{
    PngFile file;
    file.Header (2, 2, 8, 0).GreyRows (2, 2, 200).End ();
    SkMemoryStream stream (file.Bytes ().data (), file.Bytes ().size ());
    std::unique_ptr<SkImageDecoder> decoder (SkPNGImageDecoderFactory (&stream));
    ASSERT_NE (decoder, nullptr);
    SkBitmap bitmap;
    ASSERT_TRUE (decoder->decode (&stream, &bitmap, SkImageDecoder::kDecodePixels_Mode));
    SkAutoLockPixels lock (bitmap);
    EXPECT_EQ (*bitmap.getAddr32 (1, 1), SkPackARGB32 (0xFF, 200, 200, 200));

    const uint8_t notPng[] = { 'G', 'I', 'F', '8', '9', 'a' };
    SkMemoryStream other (notPng, sizeof notPng);
    EXPECT_EQ (SkPNGImageDecoderFactory (&other), nullptr);
}

}  // namespace
