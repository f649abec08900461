// The decoder factory and the BMP, JPEG and PNG decoders against the image fixtures and
// their reference decodings; the sampler's steps and alpha report.
#include <graphics/codec/SkImageDecoder.h>
#include <graphics/codec/SkScaledBitmapSampler.h>
#include <graphics/codec/tests/NetPbm.h>
#include <graphics/core/SkColorPriv.h>
#include <graphics/raster/SkBlitRow.h>

#include <Fixtures.h>

#include <graphics/core/SkProcForm.h>

#include <gtest/gtest.h>

#include <cstring>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

struct DecodeResult {
    SkImageDecoder::Format format = SkImageDecoder::kUnknown_Format;
    bool ok = false;
    SkBitmap bitmap;
};

DecodeResult Decode (const std::vector<uint8_t> &bytes)
{
    DecodeResult result;
    SkMemoryStream stream (bytes.data (), bytes.size ());
    std::unique_ptr<SkImageDecoder> decoder (SkImageDecoder::Factory (&stream));
    if (decoder == nullptr) {
        return result;
    }
    result.format = decoder->getFormat ();
    result.ok = decoder->decode (&stream, &result.bitmap, SkImageDecoder::kDecodePixels_Mode);
    return result;
}

DecodeResult DecodeFixture (const std::string &name) { return Decode (Fixtures::Read ("images/" + name)); }

// Channel differences between a decoded 8888 bitmap and a reference, premultiplied.
int MaxDelta (const SkBitmap &bm, const NetPbm::Image &ref, double *mean = nullptr)
{
    SkAutoLockPixels lock (bm);
    int worst = 0;
    uint64_t sum = 0;
    for (uint32_t y = 0; y < ref.height; y++) {
        for (uint32_t x = 0; x < ref.width; x++) {
            const uint8_t *s = ref.At (x, y);
            unsigned a = ref.channels == 4 || ref.channels == 2 ? s[ref.channels - 1] : 255;
            unsigned r = s[0], g = ref.channels >= 3 ? s[1] : s[0], b = ref.channels >= 3 ? s[2] : s[0];
            SkPMColor want = SkPreMultiplyARGB (a, r, g, b);
            SkPMColor got = *bm.getAddr32 ((int)x, (int)y);
            for (int shift = 0; shift < 32; shift += 8) {
                int d = std::abs ((int)((want >> shift) & 0xFF) - (int)((got >> shift) & 0xFF));
                worst = std::max (worst, d);
                sum += d;
            }
        }
    }
    if (mean != nullptr) {
        *mean = (double)sum / ((double)ref.width * ref.height * 4);
    }
    return worst;
}

TEST (SkImageDecoderFactory, SniffsPngThenBmpThenJpegAndGivesEverythingElseToBmp)
{
    EXPECT_EQ (DecodeFixture ("png/suite/basn2c08.png").format, SkImageDecoder::kPNG_Format);
    EXPECT_EQ (DecodeFixture ("bmp/suite/g/rgb24.bmp").format, SkImageDecoder::kBMP_Format);
    EXPECT_EQ (DecodeFixture ("jpeg/go/video-001.jpeg").format, SkImageDecoder::kJPEG_Format);
    DecodeResult text = Decode ({ 'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'g' });
    EXPECT_EQ (text.format, SkImageDecoder::kBMP_Format);
    EXPECT_FALSE (text.ok);
    // FF D8 FF that is no JFIF file still gets the JPEG decoder, whose decode fails.
    DecodeResult notJpeg = Decode ({ 0xFF, 0xD8, 0xFF, 0xE1, 0, 4, 0, 0, 0xFF, 0xD9 });
    EXPECT_EQ (notJpeg.format, SkImageDecoder::kJPEG_Format);
    EXPECT_FALSE (notJpeg.ok);
}

TEST (SkBMPImageDecoder, AcceptedVariantsMatchTheirReferencesExactly)
{
    for (const char *name : { "bmp/im/pal1-75x52.bmp", "bmp/im/pal8-75x52.bmp", "bmp/im/rgb24-1x52.bmp",
                              "bmp/im/rgb24-os2-75x52.bmp", "bmp/im/rgb24-v3-75x52.bmp", "bmp/im/rle8-75x52.bmp",
                              "bmp/gen/rgb24-topdown-75x52.bmp", "bmp/suite/g/pal1bg.bmp", "bmp/suite/g/pal4.bmp",
                              "bmp/suite/g/pal4rle.bmp", "bmp/suite/g/pal8.bmp", "bmp/suite/g/pal8os2.bmp",
                              "bmp/suite/g/pal8rle.bmp", "bmp/suite/g/pal8topdown.bmp", "bmp/suite/g/pal8v5.bmp",
                              "bmp/suite/g/rgb24.bmp", "bmp/suite/g/rgb32.bmp" }) {
        SCOPED_TRACE (name);
        DecodeResult out = DecodeFixture (name);
        ASSERT_TRUE (out.ok);
        NetPbm::Image ref = NetPbm::Parse (Fixtures::Read (std::string ("images/ref/") + name + ".pam"));
        ASSERT_EQ (out.bitmap.width (), (int)ref.width);
        ASSERT_EQ (out.bitmap.height (), (int)ref.height);
        EXPECT_EQ (out.bitmap.config (), SkBitmap::kARGB_8888_Config);
        EXPECT_TRUE (out.bitmap.isOpaque ());
        EXPECT_EQ (MaxDelta (out.bitmap, ref), 0);
    }
}

TEST (SkBMPImageDecoder, MalformedFilesAndBitFieldsOutside16BitsAreRefused)
{
    for (const char *name : { "bmp/bad/bitcount7.bmp", "bmp/bad/dims-2g-x-2g.bmp", "bmp/bad/trunc-header-30.bmp",
                              "bmp/bad/trunc-pixels-half.bmp", "bmp/bad/width-negative.bmp", "bmp/bad/rle8-on-24bit.bmp",
                              "bmp/bad/im-rgb565-v3-bitfields-nomasks.bmp", "bmp/suite/b/badbitcount.bmp",
                              "bmp/suite/b/badwidth.bmp", "bmp/suite/b/reallybig.bmp", "bmp/suite/b/shortfile.bmp",
                              "bmp/suite/g/rgb32bf.bmp", "bmp/suite/q/rgb24jpeg.bmp", "bmp/suite/q/pal8oversizepal.bmp" }) {
        SCOPED_TRACE (name);
        EXPECT_FALSE (DecodeFixture (name).ok);
    }
}

TEST (SkBMPImageDecoder, SixteenBitPixelsKeepTheirBitsWithoutReplication)
{
    // 2 x 1, 16 bits, no bit fields: 5-5-5, white gives 248 in every channel.
    std::vector<uint8_t> file (54, 0);
    file[0] = 'B', file[1] = 'M', file[10] = 54, file[14] = 40, file[18] = 2, file[22] = 1, file[26] = 1, file[28] = 16;
    file.insert (file.end (), { 0xFF, 0x7F, 0x1F, 0x00 });
    DecodeResult out = Decode (file);
    ASSERT_TRUE (out.ok);
    SkAutoLockPixels lock (out.bitmap);
    EXPECT_EQ (*out.bitmap.getAddr32 (0, 0), SkPackARGB32 (0xFF, 248, 248, 248));
    EXPECT_EQ (*out.bitmap.getAddr32 (1, 0), SkPackARGB32 (0xFF, 0, 0, 248));
    // A height of 16384 is refused.
    file[22] = 0x00, file[23] = 0x40;
    EXPECT_FALSE (Decode (file).ok);
}

TEST (SkJPEGImageDecoder, JfifBaselineFilesDecodeWithinTheToleranceAndRestartIntervalsAreRefused)
{
    for (const char *name : { "jpeg/go/video-001.jpeg", "jpeg/go/video-001.q50.420.jpeg", "jpeg/imdoc/sprite.jpg" }) {
        SCOPED_TRACE (name);
        DecodeResult out = DecodeFixture (name);
        ASSERT_TRUE (out.ok);
        NetPbm::Image ref = NetPbm::Parse (Fixtures::Read (std::string ("images/ref/") + name + ".ppm"));
        double mean = 0;
        EXPECT_LE (MaxDelta (out.bitmap, ref, &mean), 40);
        EXPECT_LE (mean, 2.5);
        EXPECT_TRUE (out.bitmap.isOpaque ());
    }
    EXPECT_FALSE (DecodeFixture ("jpeg/gen/rst1mcu-420.jpg").ok);
    EXPECT_FALSE (DecodeFixture ("jpeg/go/video-001.progressive.jpeg").ok);
    EXPECT_FALSE (DecodeFixture ("jpeg/go/video-001.q50.422.jpeg").ok);
}

// The vector colour conversion writes exactly the bytes of the plain one.
TEST (SkJPEGImageDecoder, PlainAndVectorColourConversionAgree)
{
    for (const char *name : { "jpeg/go/video-001.jpeg", "jpeg/go/video-001.q50.420.jpeg" }) {
        SCOPED_TRACE (name);
        SkProcForm was = SkSetProcForm (kPortable_SkProcForm);
        DecodeResult plain = DecodeFixture (name);
        SkSetProcForm (kVector_SkProcForm);
        DecodeResult vector = DecodeFixture (name);
        SkSetProcForm (was);
        ASSERT_TRUE (plain.ok);
        ASSERT_TRUE (vector.ok);
        SkAutoLockPixels lockPlain (plain.bitmap), lockVector (vector.bitmap);
        ASSERT_EQ (plain.bitmap.width (), vector.bitmap.width ());
        ASSERT_EQ (plain.bitmap.height (), vector.bitmap.height ());
        ASSERT_EQ (plain.bitmap.rowBytes (), vector.bitmap.rowBytes ());
        size_t bytes = (size_t)plain.bitmap.height () * plain.bitmap.rowBytes ();
        EXPECT_EQ (memcmp (plain.bitmap.getPixels (), vector.bitmap.getPixels (), bytes), 0);
    }
}

TEST (SkPNGImageDecoder, EveryColourTypeMatchesTheReferencePremultiplied)
{
    for (const char *name : { "png/go/gray-gradient.png", "png/go/video-001.png", "png/real/adwaita-shutdown-24x24-pal8-trns.png",
                              "png/real/cmake-smalllogo-30x30-ga8.png",
                              "png/real/libpng-pngtest-91x69-rgba8-interlaced.png",
                              "png/real/python-minus-11x11-g8.png", "png/suite/basn0g01-30.png", "png/suite/basn0g02.png",
                              "png/suite/basn0g04-31.png", "png/suite/basn0g08.png",
                              "png/suite/basn2c08.png", "png/suite/basn3p01.png", "png/suite/basn3p04-31i.png",
                              "png/suite/basn3p04.png", "png/suite/basn3p08.png", "png/suite/basn4a08.png",
                              "png/suite/basn6a08.png", "png/suite/ftbbn0g01.png",
                              "png/suite/ftbbn0g04.png", "png/suite/ftbbn3p08.png",
                              "png/suite/ftbgn3p08.png", "png/suite/ftbrn2c08.png",
                              "png/suite/ftp0n0g08.png", "png/suite/ftp0n2c08.png", "png/suite/ftp0n3p08.png" }) {
        SCOPED_TRACE (name);
        DecodeResult out = DecodeFixture (name);
        ASSERT_TRUE (out.ok);
        NetPbm::Image ref = NetPbm::Parse (Fixtures::Read (std::string ("images/ref/") + name + ".pam"));
        ASSERT_EQ (out.bitmap.width (), (int)ref.width);
        EXPECT_EQ (MaxDelta (out.bitmap, ref), 0);
    }
    // 16-bit samples and 2-bit palettes, which have no 8-bit reference, decode too.
    for (const char *name : { "png/real/git-favicon-16x16-pal2.png", "png/real/im6-display-16x16-rgba16.png",
                              "png/suite/basn0g16.png", "png/suite/basn6a16.png", "png/suite/ftbbn2c16.png",
                              "png/suite/ftbwn0g16.png" }) {
        SCOPED_TRACE (name);
        EXPECT_TRUE (DecodeFixture (name).ok);
    }
}

TEST (SkPNGImageDecoder, BrokenFilesFailAndLeaveTheBitmapAlone)
{
    // (An index past the palette is a benign fault to libpng 1.6: it reads black.)
    for (const char *name : { "png/invalid/invalid-crc32.png", "png/invalid/invalid-trunc.png" }) {
        SCOPED_TRACE (name);
        std::vector<uint8_t> bytes = Fixtures::Read (std::string ("images/") + name);
        SkMemoryStream stream (bytes.data (), bytes.size ());
        std::unique_ptr<SkImageDecoder> decoder (SkImageDecoder::Factory (&stream));
        ASSERT_NE (decoder, nullptr);
        SkBitmap bitmap;
        bitmap.setConfig (SkBitmap::kA8_Config, 3, 3);
        EXPECT_FALSE (decoder->decode (&stream, &bitmap, SkImageDecoder::kDecodePixels_Mode));
        EXPECT_EQ (bitmap.width (), 3);
    }
}

TEST (SkScaledBitmapSampler, SampleSizeThreeOnTenBySevenTakesColumns147AndRows14)
{
    SkScaledBitmapSampler sampler;
    sampler.begin (10, 7, 3);
    ASSERT_EQ (sampler.scaledWidth (), 3);
    ASSERT_EQ (sampler.scaledHeight (), 2);
    EXPECT_EQ (sampler.srcY0 (), 1);
    EXPECT_EQ (sampler.srcDY (), 3);
    SkBitmap bm;
    bm.setConfig (SkBitmap::kARGB_8888_Config, 3, 2);
    ASSERT_TRUE (bm.allocPixels ());
    SkAutoLockPixels lock (bm);
    ASSERT_TRUE (sampler.setup (&bm, SkScaledBitmapSampler::kGray, false));
    uint8_t row[10] = { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9 };
    EXPECT_FALSE (sampler.next (row));
    EXPECT_EQ (*bm.getAddr32 (0, 0), SkPackARGB32 (0xFF, 1, 1, 1));
    EXPECT_EQ (*bm.getAddr32 (2, 0), SkPackARGB32 (0xFF, 7, 7, 7));

    sampler.begin (10, 7, 20);
    EXPECT_EQ (sampler.scaledWidth (), 1);
    EXPECT_EQ (sampler.scaledHeight (), 1);
    EXPECT_EQ (sampler.srcY0 (), 3);
}

TEST (SkScaledBitmapSampler, RgbaReportsAlphaBelow255AndHasNo565Procedure)
{
    SkScaledBitmapSampler sampler;
    sampler.begin (2, 1, 1);
    SkBitmap bm;
    bm.setConfig (SkBitmap::kARGB_8888_Config, 2, 1);
    ASSERT_TRUE (bm.allocPixels ());
    SkAutoLockPixels lock (bm);
    ASSERT_TRUE (sampler.setup (&bm, SkScaledBitmapSampler::kRGBA, false));
    uint8_t opaque[8] = { 10, 20, 30, 255, 1, 2, 3, 255 };
    EXPECT_FALSE (sampler.next (opaque));
    ASSERT_TRUE (sampler.setup (&bm, SkScaledBitmapSampler::kRGBA, false));
    uint8_t translucent[8] = { 10, 20, 30, 255, 1, 2, 3, 254 };
    EXPECT_TRUE (sampler.next (translucent));

    SkBitmap rgb565;
    rgb565.setConfig (SkBitmap::kRGB_565_Config, 2, 1);
    ASSERT_TRUE (rgb565.allocPixels ());
    SkAutoLockPixels lock565 (rgb565);
    EXPECT_FALSE (sampler.setup (&rgb565, SkScaledBitmapSampler::kRGBA, false));
}

}  // namespace
