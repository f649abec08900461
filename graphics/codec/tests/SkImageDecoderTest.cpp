// The decoder factory and the BMP, JPEG and PNG decoders against the image fixtures and
// their reference decodings; the sampler's steps and alpha report.
#include <graphics/codec/SkImageDecoder.h>
#include <graphics/codec/SkScaledBitmapSampler.h>
#include <graphics/codec/tests/ImageManifest.h>
#include <graphics/codec/tests/JpegTolerance.h>
#include <graphics/codec/tests/LibpngRgba.h>
#include <graphics/codec/tests/NetPbm.h>
#include <graphics/core/SkColorPriv.h>
#include <graphics/raster/SkBlitRow.h>

#include <Fixtures.h>

#include <graphics/core/SkProcForm.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include <zlib.h>

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

// What a fixture must give: BMP colours equal to the reference's with the bits below each
// channel's width cleared, where the reference is opaque (the decoded pixels are opaque:
// the fourth byte and alpha masks are not read); PNG pixels equal to the reference, or to
// libpng's own decoding where the fixtures hold no 8-bit reference, premultiplied; JPEG
// pixels within the transform's and colour formula's tolerance of the reference; or a
// failed decode; or what a test of its own checks.
enum class Expect { kBmp, kPng, kJpeg, kRefused, kOwnTest };

struct FixtureCase {
    const char *path;
    Expect expect;
    uint8_t bits[3] = { 8, 8, 8 };       // BMP: red, green and blue widths
    const char *reference = nullptr;     // JPEG: another file's reference
};

const FixtureCase kFixtureCases[] = {
    { "png/go/gray-gradient.png", Expect::kPng }, { "png/go/video-001.png", Expect::kPng },
    { "png/invalid/invalid-crc32.png", Expect::kRefused }, { "png/invalid/invalid-trunc.png", Expect::kRefused },
    { "png/invalid/invalid-palette.png", Expect::kOwnTest },
    { "png/real/adwaita-shutdown-24x24-pal8-trns.png", Expect::kPng },
    { "png/real/cmake-smalllogo-30x30-ga8.png", Expect::kPng }, { "png/real/git-favicon-16x16-pal2.png", Expect::kPng },
    { "png/real/im6-display-16x16-rgba16.png", Expect::kPng },
    { "png/real/libpng-pngtest-91x69-rgba8-interlaced.png", Expect::kPng },
    { "png/real/python-minus-11x11-g8.png", Expect::kPng }, { "png/suite/basn0g01-30.png", Expect::kPng },
    { "png/suite/basn0g02.png", Expect::kPng }, { "png/suite/basn0g04-31.png", Expect::kPng },
    { "png/suite/basn0g08.png", Expect::kPng }, { "png/suite/basn0g16.png", Expect::kPng },
    { "png/suite/basn2c08.png", Expect::kPng }, { "png/suite/basn3p01.png", Expect::kPng },
    { "png/suite/basn3p04-31i.png", Expect::kPng }, { "png/suite/basn3p04.png", Expect::kPng },
    { "png/suite/basn3p08.png", Expect::kPng }, { "png/suite/basn4a08.png", Expect::kPng },
    { "png/suite/basn6a08.png", Expect::kPng }, { "png/suite/basn6a16.png", Expect::kPng },
    { "png/suite/ftbbn0g01.png", Expect::kPng }, { "png/suite/ftbbn0g04.png", Expect::kPng },
    { "png/suite/ftbbn2c16.png", Expect::kPng }, { "png/suite/ftbbn3p08.png", Expect::kPng },
    { "png/suite/ftbgn3p08.png", Expect::kPng }, { "png/suite/ftbrn2c08.png", Expect::kPng },
    { "png/suite/ftbwn0g16.png", Expect::kPng }, { "png/suite/ftp0n0g08.png", Expect::kPng },
    { "png/suite/ftp0n2c08.png", Expect::kPng }, { "png/suite/ftp0n3p08.png", Expect::kPng },
    // Baseline JFIF files of three components, 4:4:4 or 4:2:0, without a restart interval.
    { "jpeg/go/video-001.jpeg", Expect::kJpeg }, { "jpeg/go/video-001.q50.420.jpeg", Expect::kJpeg },
    { "jpeg/go/video-001.q50.444.jpeg", Expect::kJpeg }, { "jpeg/gen/tiny-1x1-420.jpg", Expect::kJpeg },
    { "jpeg/imdoc/frame.jpg", Expect::kJpeg }, { "jpeg/imdoc/imade_art2.jpg", Expect::kJpeg },
    { "jpeg/imdoc/logo.jpg", Expect::kJpeg }, { "jpeg/imdoc/montage.jpg", Expect::kJpeg },
    { "jpeg/imdoc/reconstruct.jpg", Expect::kJpeg }, { "jpeg/imdoc/sponsor.jpg", Expect::kJpeg },
    { "jpeg/imdoc/sprite.jpg", Expect::kJpeg },
    // Table selectors are not read: the picture is the one it was patched from.
    { "jpeg/gen/bad-sof-undefined-qtable.jpg", Expect::kJpeg, { 8, 8, 8 }, "jpeg/go/video-001.q50.420.jpeg" },
    // Restart intervals, other frames and samplings, grey and four components, broken files.
    { "jpeg/gen/rst1mcu-420.jpg", Expect::kRefused }, { "jpeg/gen/rst2mcu-444-q.jpg", Expect::kRefused },
    { "jpeg/gen/rstrow-444.jpg", Expect::kRefused }, { "jpeg/gen/arith-420.jpg", Expect::kRefused },
    { "jpeg/gen/sof1-dqt16-420.jpg", Expect::kRefused }, { "jpeg/gen/noninterleaved-420.jpg", Expect::kRefused },
    { "jpeg/gen/bad-dht-counts.jpg", Expect::kRefused }, { "jpeg/gen/bad-scan-garbage.jpg", Expect::kRefused },
    { "jpeg/gen/bad-sof-65500x65500.jpg", Expect::kRefused }, { "jpeg/gen/bad-sof-sampling-3x3.jpg", Expect::kRefused },
    { "jpeg/gen/trunc-scan-420.jpg", Expect::kRefused }, { "jpeg/go/video-001.cmyk.jpeg", Expect::kRefused },
    { "jpeg/go/video-001.progressive.jpeg", Expect::kRefused },
    { "jpeg/go/video-001.progressive.truncated.jpeg", Expect::kRefused },
    { "jpeg/go/video-001.q50.410.progressive.jpeg", Expect::kRefused },
    { "jpeg/go/video-001.q50.411.jpeg", Expect::kRefused },
    { "jpeg/go/video-001.q50.420.progressive.jpeg", Expect::kRefused },
    { "jpeg/go/video-001.q50.422.jpeg", Expect::kRefused },
    { "jpeg/go/video-001.q50.422.progressive.jpeg", Expect::kRefused },
    { "jpeg/go/video-001.q50.440.progressive.jpeg", Expect::kRefused },
    { "jpeg/go/video-001.q50.444.progressive.jpeg", Expect::kRefused },
    { "jpeg/go/video-001.separate.dc.progression.jpeg", Expect::kRefused },
    { "jpeg/go/video-005.gray.jpeg", Expect::kRefused },
    { "jpeg/go/video-005.gray.q50.2x2.progressive.jpeg", Expect::kRefused },
    { "jpeg/go/video-005.gray.q50.jpeg", Expect::kRefused }, { "jpeg/imdoc/objects.jpg", Expect::kRefused },
    { "jpeg/imdoc/wizard.jpg", Expect::kRefused },
    { "bmp/gen/rgb24-topdown-75x52.bmp", Expect::kBmp }, { "bmp/im/argb4444-v5-16x16.bmp", Expect::kBmp, { 4, 4, 4 } },
    { "bmp/im/pal1-75x52.bmp", Expect::kBmp }, { "bmp/im/pal8-75x52.bmp", Expect::kBmp },
    { "bmp/im/rgb24-1x52.bmp", Expect::kBmp }, { "bmp/im/rgb24-os2-75x52.bmp", Expect::kBmp },
    { "bmp/im/rgb24-v3-75x52.bmp", Expect::kBmp }, { "bmp/im/rgb565-v5-75x52.bmp", Expect::kBmp, { 5, 6, 5 } },
    { "bmp/im/rgba32-v3-birgb-32x32.bmp", Expect::kBmp }, { "bmp/im/rgba32-v4-bitfields-32x32.bmp", Expect::kBmp },
    { "bmp/im/rgba32-v5-icon-24x24.bmp", Expect::kBmp }, { "bmp/im/rle8-75x52.bmp", Expect::kBmp },
    { "bmp/suite/g/pal1bg.bmp", Expect::kBmp }, { "bmp/suite/g/pal4.bmp", Expect::kBmp },
    { "bmp/suite/g/pal4rle.bmp", Expect::kBmp }, { "bmp/suite/g/pal8.bmp", Expect::kBmp },
    { "bmp/suite/g/pal8os2.bmp", Expect::kBmp }, { "bmp/suite/g/pal8rle.bmp", Expect::kBmp },
    { "bmp/suite/g/pal8topdown.bmp", Expect::kBmp }, { "bmp/suite/g/pal8v5.bmp", Expect::kBmp },
    { "bmp/suite/g/rgb16-565.bmp", Expect::kBmp, { 5, 6, 5 } }, { "bmp/suite/g/rgb24.bmp", Expect::kBmp },
    { "bmp/suite/g/rgb32.bmp", Expect::kBmp }, { "bmp/suite/q/pal4rletrns.bmp", Expect::kBmp },
    { "bmp/suite/q/pal8offs.bmp", Expect::kBmp }, { "bmp/suite/q/rgb16-231.bmp", Expect::kBmp, { 2, 3, 1 } },
    { "bmp/suite/q/rgb32fakealpha.bmp", Expect::kBmp },
    // Faults the header rules do not read (planes, image size), an offset past the end
    // (the pixels are read after the palette), runs and indexes past the row or palette.
    { "bmp/bad/offbits-past-eof.bmp", Expect::kBmp, { 8, 8, 8 }, "bmp/im/rgb24-v3-75x52.bmp" },
    { "bmp/bad/rle8-runs-past-row.bmp", Expect::kBmp, { 0, 0, 0 } },
    { "bmp/suite/b/badbitssize.bmp", Expect::kBmp, { 0, 0, 0 } }, { "bmp/suite/b/badplanes.bmp", Expect::kBmp, { 0, 0, 0 } },
    { "bmp/suite/b/badrle.bmp", Expect::kBmp, { 0, 0, 0 } }, { "bmp/suite/b/pal8badindex.bmp", Expect::kBmp, { 0, 0, 0 } },
    // Other depths and compressions, 32-bit masks other than the byte order, bad sizes.
    { "bmp/suite/g/rgb32bf.bmp", Expect::kRefused }, { "bmp/suite/q/rgba32.bmp", Expect::kRefused },
    { "bmp/suite/q/rgba32abf.bmp", Expect::kRefused }, { "bmp/suite/q/rgb24jpeg.bmp", Expect::kRefused },
    { "bmp/suite/q/pal2.bmp", Expect::kRefused }, { "bmp/suite/q/pal8oversizepal.bmp", Expect::kRefused },
    { "bmp/bad/bitcount7.bmp", Expect::kRefused }, { "bmp/bad/dims-2g-x-2g.bmp", Expect::kRefused },
    { "bmp/bad/im-rgb565-v3-bitfields-nomasks.bmp", Expect::kRefused },
    { "bmp/bad/pal8-clrused-huge.bmp", Expect::kRefused }, { "bmp/bad/rle8-on-24bit.bmp", Expect::kRefused },
    { "bmp/bad/trunc-header-30.bmp", Expect::kRefused }, { "bmp/bad/trunc-pixels-half.bmp", Expect::kRefused },
    { "bmp/bad/width-negative.bmp", Expect::kRefused }, { "bmp/suite/b/badbitcount.bmp", Expect::kRefused },
    { "bmp/suite/b/badwidth.bmp", Expect::kRefused }, { "bmp/suite/b/reallybig.bmp", Expect::kRefused },
    { "bmp/suite/b/shortfile.bmp", Expect::kRefused },
};

// Every channel of a decoded 8888 bitmap against premultiplied RGBA samples: the largest
// difference and the mean.
int MaxDelta (const SkBitmap &bm, const std::vector<SkPMColor> &want, double *mean = nullptr)
{
    SkAutoLockPixels lock (bm);
    int worst = 0;
    uint64_t sum = 0;
    for (int y = 0; y < bm.height (); y++) {
        for (int x = 0; x < bm.width (); x++) {
            SkPMColor expected = want[(size_t)y * bm.width () + x], got = *bm.getAddr32 (x, y);
            for (int shift = 0; shift < 32; shift += 8) {
                int d = std::abs ((int)((expected >> shift) & 0xFF) - (int)((got >> shift) & 0xFF));
                worst = std::max (worst, d);
                sum += d;
            }
        }
    }
    if (mean != nullptr) {
        *mean = (double)sum / ((double)bm.width () * bm.height () * 4);
    }
    return worst;
}

// A reference decoding as premultiplied colours; grey references fill the three colours.
std::vector<SkPMColor> Premultiplied (const NetPbm::Image &ref)
{
    std::vector<SkPMColor> colours;
    for (uint32_t y = 0; y < ref.height; y++) {
        for (uint32_t x = 0; x < ref.width; x++) {
            const uint8_t *s = ref.At (x, y);
            unsigned a = ref.channels == 4 || ref.channels == 2 ? s[ref.channels - 1] : 255;
            unsigned r = s[0], g = ref.channels >= 3 ? s[1] : s[0], b = ref.channels >= 3 ? s[2] : s[0];
            colours.push_back (SkPreMultiplyARGB (a, r, g, b));
        }
    }
    return colours;
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

// The reference named by the manifest row (its first word), or "" when there is none.
std::string ReferenceOf (const ImageManifest::Row &row, const FixtureCase &c)
{
    if (c.reference != nullptr) {
        return "ref/" + std::string (c.reference) + (c.expect == Expect::kJpeg ? ".ppm" : ".pam");
    }
    std::string first = row.reference.substr (0, row.reference.find (' '));
    return first == "-" || !std::ifstream (Fixtures::Path ("images/" + first)) ? "" : first;
}

void ExpectBmp (const DecodeResult &out, const std::string &reference, const uint8_t bits[3])
{
    ASSERT_TRUE (out.ok);
    EXPECT_EQ (out.bitmap.config (), SkBitmap::kARGB_8888_Config);
    EXPECT_TRUE (out.bitmap.isOpaque ());
    if (reference.empty ()) {
        return;
    }
    NetPbm::Image ref = NetPbm::Parse (Fixtures::Read ("images/" + reference));
    ASSERT_EQ (out.bitmap.width (), (int)ref.width);
    ASSERT_EQ (out.bitmap.height (), (int)ref.height);
    std::vector<SkPMColor> want = Premultiplied (ref);
    SkAutoLockPixels lock (out.bitmap);
    int wrong = 0;
    for (int y = 0; y < out.bitmap.height (); y++) {
        for (int x = 0; x < out.bitmap.width (); x++) {
            SkPMColor w = want[(size_t)y * ref.width + x], got = *out.bitmap.getAddr32 (x, y);
            unsigned kept[3] = { 0xFFu << (8 - bits[0]) & 0xFF, 0xFFu << (8 - bits[1]) & 0xFF, 0xFFu << (8 - bits[2]) & 0xFF };
            SkPMColor masked = SkPackARGB32 (0xFF, SkGetPackedR32 (w) & kept[0], SkGetPackedG32 (w) & kept[1], SkGetPackedB32 (w) & kept[2]);
            wrong += SkGetPackedA32 (got) != 0xFF || (SkGetPackedA32 (w) == 0xFF && got != masked);
        }
    }
    EXPECT_EQ (wrong, 0);
}

void ExpectPng (const DecodeResult &out, const std::string &path, const std::string &reference)
{
    ASSERT_TRUE (out.ok);
    LibpngRgba::Decoded direct = LibpngRgba::DecodeToRgba (Fixtures::Read ("images/" + path));
    ASSERT_TRUE (direct.ok);
    ASSERT_EQ (out.bitmap.width (), (int)direct.width);
    ASSERT_EQ (out.bitmap.height (), (int)direct.height);
    std::vector<SkPMColor> want;
    bool opaque = true;
    for (size_t i = 0; i < direct.rgba.size (); i += 4) {
        const uint8_t *p = &direct.rgba[i];
        want.push_back (SkPreMultiplyARGB (p[3], p[0], p[1], p[2]));
        opaque = opaque && p[3] == 0xFF;
    }
    EXPECT_EQ (MaxDelta (out.bitmap, want), 0);
    EXPECT_EQ (out.bitmap.isOpaque (), opaque);
    if (!reference.empty ()) {
        EXPECT_EQ (MaxDelta (out.bitmap, Premultiplied (NetPbm::Parse (Fixtures::Read ("images/" + reference)))), 0);
    }
}

void ExpectJpeg (const DecodeResult &out, const std::string &reference)
{
    ASSERT_TRUE (out.ok);
    NetPbm::Image ref = NetPbm::Parse (Fixtures::Read ("images/" + reference));
    ASSERT_EQ (out.bitmap.width (), (int)ref.width);
    ASSERT_EQ (out.bitmap.height (), (int)ref.height);
    EXPECT_TRUE (out.bitmap.isOpaque ());
    SkAutoLockPixels lock (out.bitmap);
    int worst = 0;
    uint64_t sum = 0, near = 0;
    for (uint32_t y = 0; y < ref.height; y++) {
        for (uint32_t x = 0; x < ref.width; x++) {
            SkPMColor got = *out.bitmap.getAddr32 ((int)x, (int)y);
            int rgb[3] = { (int)SkGetPackedR32 (got), (int)SkGetPackedG32 (got), (int)SkGetPackedB32 (got) };
            for (int c = 0; c < 3; c++) {
                int d = std::abs (rgb[c] - (int)ref.At (x, y)[c]);
                worst = std::max (worst, d);
                sum += d;
                near += d <= 3;
            }
        }
    }
    double samples = (double)ref.width * ref.height * 3;
    EXPECT_LE (worst, JpegTolerance::MaxDelta (reference));
    EXPECT_LE ((double)sum / samples, JpegTolerance::kMeanDelta);
    EXPECT_GE ((double)near / samples, JpegTolerance::kWithin3);
}

TEST (SkImageDecoderFixtures, EveryImageOfTheManifestIsClassifiedAndDecodesAsClassified)
{
    size_t rows = 0;
    for (const char *format : { "PNG", "JPEG", "BMP" }) {
        for (const ImageManifest::Row &row : ImageManifest::RowsOf (format)) {
            SCOPED_TRACE (row.path);
            rows++;
            auto c = std::find_if (std::begin (kFixtureCases), std::end (kFixtureCases),
                                   [&] (const FixtureCase &k) { return row.path == k.path; });
            ASSERT_NE (c, std::end (kFixtureCases));
            DecodeResult out = DecodeFixture (row.path);
            EXPECT_EQ (out.format, format[0] == 'P' ? SkImageDecoder::kPNG_Format
                                   : format[0] == 'J' ? SkImageDecoder::kJPEG_Format : SkImageDecoder::kBMP_Format);
            std::string reference = ReferenceOf (row, *c);
            switch (c->expect) {
                case Expect::kBmp: ExpectBmp (out, reference, c->bits); break;
                case Expect::kPng: ExpectPng (out, row.path, reference); break;
                case Expect::kJpeg: ExpectJpeg (out, reference); break;
                case Expect::kRefused: EXPECT_FALSE (out.ok); break;
                case Expect::kOwnTest: break;
            }
        }
    }
    EXPECT_EQ (rows, std::size (kFixtureCases));
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

TEST (SkBMPImageDecoder, BitFieldsWiderThanEightBitsKeepTheirTopEightAndEmptyOnesAreRefused)
{
    // 2 x 1, 16 bits, bit fields after the 40-byte header: red 10 bits, green 2, blue 4.
    std::vector<uint8_t> file (54, 0);
    file[0] = 'B', file[1] = 'M', file[10] = 66, file[14] = 40, file[18] = 2, file[22] = 1, file[26] = 1, file[28] = 16;
    file[30] = 3;
    file.insert (file.end (), { 0xC0, 0xFF, 0, 0, 0x30, 0, 0, 0, 0x0F, 0, 0, 0 });
    file.insert (file.end (), { 0xFF, 0xFF, 0x00, 0x80 });
    DecodeResult out = Decode (file);
    ASSERT_TRUE (out.ok);
    SkAutoLockPixels lock (out.bitmap);
    EXPECT_EQ (*out.bitmap.getAddr32 (0, 0), SkPackARGB32 (0xFF, 255, 192, 240));
    EXPECT_EQ (*out.bitmap.getAddr32 (1, 0), SkPackARGB32 (0xFF, 128, 0, 0));
    // A mask without bits has no place to take its channel from.
    file[58] = 0;
    EXPECT_FALSE (Decode (file).ok);
}

TEST (SkBMPImageDecoder, RunLengthDeltaLeavesTheSkippedPixelsBlack)
{
    // 4 x 2, RLE8, palette 0 = grey 10, 1 = grey 200.
    std::vector<uint8_t> header (54, 0);
    header[0] = 'B', header[1] = 'M', header[10] = 62, header[14] = 40, header[18] = 4, header[22] = 2, header[26] = 1;
    header[28] = 8, header[30] = 1, header[46] = 2;
    header.insert (header.end (), { 10, 10, 10, 0, 200, 200, 200, 0 });
    // Every pixel 1; then two pixels of 1, a delta of (1, 1) to the top row's x = 3, one
    // pixel of 1, end of bitmap.
    std::vector<uint8_t> full = header, skipping = header;
    full.insert (full.end (), { 4, 1, 0, 0, 4, 1, 0, 1 });
    skipping.insert (skipping.end (), { 2, 1, 0, 2, 1, 1, 1, 1, 0, 1 });
    SkMemoryStream fullStream (full.data (), full.size ());
    std::unique_ptr<SkImageDecoder> decoder (SkImageDecoder::Factory (&fullStream));
    ASSERT_NE (decoder, nullptr);
    SkBitmap first, second;
    ASSERT_TRUE (decoder->decode (&fullStream, &first, SkImageDecoder::kDecodePixels_Mode));
    // The same decoder: nothing of the first picture shows through the skipped pixels.
    SkMemoryStream skippingStream (skipping.data (), skipping.size ());
    ASSERT_TRUE (decoder->decode (&skippingStream, &second, SkImageDecoder::kDecodePixels_Mode));
    SkAutoLockPixels lockFirst (first), lockSecond (second);
    const SkPMColor black = SkPackARGB32 (0xFF, 0, 0, 0), light = SkPackARGB32 (0xFF, 200, 200, 200);
    const SkPMColor want[2][4] = { { black, black, black, light }, { light, light, black, black } };
    for (int y = 0; y < 2; y++) {
        for (int x = 0; x < 4; x++) {
            EXPECT_EQ (*first.getAddr32 (x, y), light) << x << "," << y;
            EXPECT_EQ (*second.getAddr32 (x, y), want[y][x]) << x << "," << y;
        }
    }
}

TEST (SkJPEGImageDecoder, EndOfImageInsideAThumbnailEndsTheMarkerSearch)
{
    std::vector<uint8_t> file = Fixtures::Read ("images/jpeg/go/video-001.jpeg");
    ASSERT_TRUE (Decode (file).ok);
    // An extension segment after the JFIF one, whose thumbnail bytes hold FF D9.
    size_t after = 4 + ((size_t)file[4] << 8 | file[5]);
    file.insert (file.begin () + (long)after, { 0xFF, 0xE0, 0, 9, 'J', 'F', 'X', 'X', 0, 0xFF, 0xD9 });
    EXPECT_FALSE (Decode (file).ok);
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

// Pixels that start as a pattern rather than zeros: a decoder that leaves any byte unwritten
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

// A full-size decode writes every byte of its pixels, the alpha bytes opaque, at both
// samplings, sides that are and are not whole MCUs, and in both forms: the bitmap holds the
// same bytes whatever its memory held before.
TEST (SkJPEGImageDecoder, FullSizeDecodeWritesEveryByteOfItsPixels)
{
    for (const char *name : { "jpeg/go/video-001.jpeg", "jpeg/go/video-001.q50.444.jpeg", "jpeg/gen/tiny-1x1-420.jpg",
                              "jpeg/imdoc/logo.jpg" }) {
        for (SkProcForm form : { kPortable_SkProcForm, kVector_SkProcForm }) {
            SCOPED_TRACE (std::string (name) + (form == kVector_SkProcForm ? " vector" : " plain"));
            SkProcForm was = SkSetProcForm (form);
            std::vector<uint8_t> file = Fixtures::Read (std::string ("images/") + name);
            DecodeResult fresh = Decode (file);
            SkMemoryStream stream (file.data (), file.size ());
            std::unique_ptr<SkImageDecoder> decoder (SkImageDecoder::Factory (&stream));
            ASSERT_NE (decoder, nullptr);
            PatternAllocator *pattern = new PatternAllocator;
            decoder->setAllocator (pattern);
            pattern->unref ();
            SkBitmap patterned;
            bool ok = decoder->decode (&stream, &patterned, SkImageDecoder::kDecodePixels_Mode);
            SkSetProcForm (was);
            ASSERT_TRUE (fresh.ok);
            ASSERT_TRUE (ok);
            SkAutoLockPixels lockFresh (fresh.bitmap), lockPatterned (patterned);
            ASSERT_EQ (fresh.bitmap.width (), patterned.width ());
            ASSERT_EQ (fresh.bitmap.height (), patterned.height ());
            size_t bytes = (size_t)patterned.height () * patterned.rowBytes ();
            EXPECT_EQ (memcmp (fresh.bitmap.getPixels (), patterned.getPixels (), bytes), 0);
            for (int y = 0; y < patterned.height (); y++) {
                for (int x = 0; x < patterned.width (); x++) {
                    ASSERT_EQ (SkGetPackedA32 (*patterned.getAddr32 (x, y)), 0xFFu) << x << "," << y;
                }
            }
        }
    }
}

// An index past the palette is a benign fault to libpng 1.6. The colour table always has
// 256 entries: the first one past the palette repeats its last colour, the others are black.
TEST (SkPNGImageDecoder, IndexPastThePaletteReadsTheRepeatedLastColour)
{
    // 16 x 16, pixel i has index i; 255 entries, entry i = (255 - i, 0, i).
    DecodeResult out = DecodeFixture ("png/invalid/invalid-palette.png");
    ASSERT_TRUE (out.ok);
    SkAutoLockPixels lock (out.bitmap);
    EXPECT_EQ (*out.bitmap.getAddr32 (0, 0), SkPackARGB32 (0xFF, 255, 0, 0));
    EXPECT_EQ (*out.bitmap.getAddr32 (14, 15), SkPackARGB32 (0xFF, 1, 0, 254));
    EXPECT_EQ (*out.bitmap.getAddr32 (15, 15), SkPackARGB32 (0xFF, 1, 0, 254));
}

TEST (SkPNGImageDecoder, PaletteWithTransparencyDecodesToIndex8WhenPreferred)
{
    std::vector<uint8_t> bytes = Fixtures::Read ("images/png/suite/ftbbn3p08.png");
    DecodeResult direct = Decode (bytes);
    ASSERT_TRUE (direct.ok);
    EXPECT_EQ (direct.bitmap.config (), SkBitmap::kARGB_8888_Config);
    EXPECT_FALSE (direct.bitmap.isOpaque ());

    SkMemoryStream stream (bytes.data (), bytes.size ());
    std::unique_ptr<SkImageDecoder> decoder (SkImageDecoder::Factory (&stream));
    ASSERT_NE (decoder, nullptr);
    const SkBitmap::Config table[6] = { SkBitmap::kIndex8_Config, SkBitmap::kIndex8_Config, SkBitmap::kARGB_8888_Config,
                                        SkBitmap::kARGB_8888_Config, SkBitmap::kARGB_8888_Config, SkBitmap::kARGB_8888_Config };
    decoder->setPrefConfigTable (table);
    SkBitmap indexed;
    ASSERT_TRUE (decoder->decode (&stream, &indexed, SkImageDecoder::kDecodePixels_Mode));
    ASSERT_EQ (indexed.config (), SkBitmap::kIndex8_Config);
    ASSERT_NE (indexed.getColorTable (), nullptr);
    SkAutoLockPixels lockIndexed (indexed), lockDirect (direct.bitmap);
    int wrong = 0;
    for (int y = 0; y < indexed.height (); y++) {
        for (int x = 0; x < indexed.width (); x++) {
            wrong += (*indexed.getColorTable ())[*indexed.getAddr8 (x, y)] != *direct.bitmap.getAddr32 (x, y);
        }
    }
    EXPECT_EQ (wrong, 0);
}

// A PNG of the given size with no image data: the header is all a bounds decode reads.
std::vector<uint8_t> PngHeaderOnly (uint32_t width, uint32_t height)
{
    std::vector<uint8_t> file = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
    auto chunk = [&] (const char *type, std::vector<uint8_t> data) {
        std::vector<uint8_t> body (type, type + 4);
        body.insert (body.end (), data.begin (), data.end ());
        uint32_t crc = (uint32_t)crc32 (0, body.data (), (uInt)body.size ()), length = (uint32_t)data.size ();
        for (int i = 3; i >= 0; i--) file.push_back ((uint8_t)(length >> (8 * i)));
        file.insert (file.end (), body.begin (), body.end ());
        for (int i = 3; i >= 0; i--) file.push_back ((uint8_t)(crc >> (8 * i)));
    };
    std::vector<uint8_t> header;
    for (uint32_t v : { width, height }) {
        for (int i = 3; i >= 0; i--) header.push_back ((uint8_t)(v >> (8 * i)));
    }
    header.insert (header.end (), { 8, 2, 0, 0, 0 });
    chunk ("IHDR", header);
    chunk ("IDAT", {});
    chunk ("IEND", {});
    return file;
}

TEST (SkPNGImageDecoder, PicturesAbove0x1FFFFFFFPixelsAreRefused)
{
    for (auto [width, height, fits] : { std::tuple (16384u, 16384u, true), std::tuple (23170u, 23170u, true),
                                        std::tuple (23171u, 23170u, false), std::tuple (30000u, 30000u, false) }) {
        SCOPED_TRACE (width);
        std::vector<uint8_t> bytes = PngHeaderOnly (width, height);
        SkMemoryStream stream (bytes.data (), bytes.size ());
        std::unique_ptr<SkImageDecoder> decoder (SkImageDecoder::Factory (&stream));
        ASSERT_NE (decoder, nullptr);
        SkBitmap bitmap;
        EXPECT_EQ (decoder->decode (&stream, &bitmap, SkImageDecoder::kDecodeBounds_Mode), fits);
        EXPECT_EQ (bitmap.width (), fits ? (int)width : 0);
    }
}

// A real JPEG's headers with the frame's sides patched, cut off after its scan header: no
// entropy-coded data, so only a bounds decode can succeed, and it must do so without the
// picture's memory (the image decoder fuzzer's allocation limit holds it to that too).
std::vector<uint8_t> JpegHeadersOnly (uint16_t width, uint16_t height)
{
    const size_t kFrame = 0x9E, kScan = 0x185;
    std::vector<uint8_t> file = Fixtures::Read ("images/jpeg/go/video-001.jpeg");
    if (file.size () < kScan + 4 || file[kFrame + 1] != 0xC0 || file[kScan + 1] != 0xDA) {
        return {};
    }
    file[kFrame + 5] = (uint8_t)(height >> 8), file[kFrame + 6] = (uint8_t)height;
    file[kFrame + 7] = (uint8_t)(width >> 8), file[kFrame + 8] = (uint8_t)width;
    file.resize (kScan + 2 + ((size_t)file[kScan + 2] << 8 | file[kScan + 3]));
    return file;
}

TEST (SkJPEGImageDecoder, BoundsOfLargePicturesAreReadWithoutDecodingThem)
{
    // Sides are rounded up to 16 before the 2^30-pixel limit applies.
    for (auto [width, height, fits] : { std::tuple (30000, 30000, true), std::tuple (65535, 16368, true),
                                        std::tuple (65535, 16369, false), std::tuple (32768, 32768, false),
                                        std::tuple (65535, 65535, false) }) {
        SCOPED_TRACE (testing::Message () << width << "x" << height);
        std::vector<uint8_t> bytes = JpegHeadersOnly ((uint16_t)width, (uint16_t)height);
        ASSERT_FALSE (bytes.empty ());
        SkMemoryStream stream (bytes.data (), bytes.size ());
        std::unique_ptr<SkImageDecoder> decoder (SkImageDecoder::Factory (&stream));
        ASSERT_NE (decoder, nullptr);
        ASSERT_EQ (decoder->getFormat (), SkImageDecoder::kJPEG_Format);
        SkBitmap bitmap;
        EXPECT_EQ (decoder->decode (&stream, &bitmap, SkImageDecoder::kDecodeBounds_Mode), fits);
        EXPECT_EQ (bitmap.width (), fits ? width : 0);
        EXPECT_EQ (bitmap.height (), fits ? height : 0);
        EXPECT_EQ (bitmap.getPixels (), nullptr);
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
    SkBitmap one;
    one.setConfig (SkBitmap::kARGB_8888_Config, 1, 1);
    ASSERT_TRUE (one.allocPixels ());
    SkAutoLockPixels lockOne (one);
    ASSERT_TRUE (sampler.setup (&one, SkScaledBitmapSampler::kGray, false));
    (void)sampler.next (row);
    EXPECT_EQ (*one.getAddr32 (0, 0), SkPackARGB32 (0xFF, 5, 5, 5));
}

// Two rows of grey into 565 and 4444, plain and dithered: the dither value of (x, y) is
// taken from the row y & 3 of each matrix (565 row 0: 0, 4, 1, 5; 4444 row 1: 12, 4, 14, 6).
TEST (SkScaledBitmapSampler, DitheredGreyAddsTheMatrixValueOfEachPixel)
{
    struct Case { SkBitmap::Config config; uint8_t grey; bool dither; int y; uint16_t want[4]; };
    const Case cases[] = {
        { SkBitmap::kRGB_565_Config, 103, false, 0, { 0x632C, 0x632C, 0x632C, 0x632C } },
        { SkBitmap::kRGB_565_Config, 103, true, 0, { 0x632C, 0x6B4D, 0x632C, 0x6B4D } },
        { SkBitmap::kARGB_4444_Config, 90, false, 1, { 0x555F, 0x555F, 0x555F, 0x555F } },
        { SkBitmap::kARGB_4444_Config, 90, true, 1, { 0x666F, 0x555F, 0x666F, 0x555F } },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE (c.config * 1000 + c.dither);
        SkScaledBitmapSampler sampler;
        sampler.begin (4, 2, 1);
        SkBitmap bm;
        bm.setConfig (c.config, 4, 2);
        ASSERT_TRUE (bm.allocPixels ());
        SkAutoLockPixels lock (bm);
        ASSERT_TRUE (sampler.setup (&bm, SkScaledBitmapSampler::kGray, c.dither));
        const uint8_t row[4] = { c.grey, c.grey, c.grey, c.grey };
        EXPECT_FALSE (sampler.next (row));
        EXPECT_FALSE (sampler.next (row));
        for (int x = 0; x < 4; x++) {
            EXPECT_EQ (*bm.getAddr16 (x, c.y), c.want[x]) << x;
        }
    }
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
