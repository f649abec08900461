// The baseline JPEG decoder's transform against libjpeg's on every fixture it takes:
// libjpeg's own Y, Cb and Cr (its accurate integer transform, chroma replicated as ours
// is) put through our colour conversion, so only the two transforms and libjpeg's clamping
// of samples differ. The end-to-end comparison with the fixtures' reference decodings is
// the decoders' own test.
#include <graphics/codec/JpegBaseline.h>

#include <Fixtures.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

struct Rgb {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> samples;  // red, green, blue a pixel, rows top to bottom
    std::vector<bool> clamped;     // a pixel each: libjpeg clamped one of its samples
};

// Our decode, three bytes a pixel, cut to the picture.
Rgb DecodeOurs (const std::vector<uint8_t> &Data)
{
    auto Decoder = std::make_unique<JpegBaselineDecoder> ();
    Rgb Out;
    if (!JpegReadHeaders (Decoder.get (), Data.data (), Data.size (), kJpegWalkSegments)) {
        return Out;
    }
    uint32_t Columns = (Decoder->width + 15u) & ~15u, Rows = (Decoder->height + 15u) & ~15u;
    std::vector<uint8_t> Padded ((size_t)Columns * Rows * 3, 0);
    JpegPixelSink Sink = { Padded.data (), (size_t)Columns * 3, 3, 0, 1, 2, Columns, Rows };
    if (!JpegDecodeScan (Decoder.get (), &Sink)) {
        return Out;
    }
    Out.width = Decoder->width, Out.height = Decoder->height;
    for (uint32_t y = 0; y < Out.height; y++) {
        const uint8_t *Row = Padded.data () + (size_t)y * Columns * 3;
        Out.samples.insert (Out.samples.end (), Row, Row + (size_t)Out.width * 3);
    }
    return Out;
}

// libjpeg's Y, Cb and Cr through our colour conversion.
Rgb DecodeLibjpegSamples (const std::vector<uint8_t> &Data)
{
    jpeg_decompress_struct Info;
    jpeg_error_mgr Errors;
    Info.err = jpeg_std_error (&Errors);
    jpeg_create_decompress (&Info);
    jpeg_mem_src (&Info, Data.data (), (unsigned long)Data.size ());
    jpeg_read_header (&Info, TRUE);
    Info.out_color_space = JCS_YCbCr;
    Info.do_fancy_upsampling = FALSE;
    Info.dct_method = JDCT_ISLOW;
    jpeg_start_decompress (&Info);
    Rgb Out;
    Out.width = Info.output_width, Out.height = Info.output_height;
    Out.samples.resize ((size_t)Out.width * Out.height * 3);
    while (Info.output_scanline < Info.output_height) {
        JSAMPROW Row = Out.samples.data () + (size_t)Info.output_scanline * Out.width * 3;
        jpeg_read_scanlines (&Info, &Row, 1);
    }
    jpeg_finish_decompress (&Info);
    jpeg_destroy_decompress (&Info);
    for (size_t i = 0; i < Out.samples.size (); i += 3) {
        uint8_t *s = &Out.samples[i];
        Out.clamped.push_back (s[0] == 0 || s[0] == 255 || s[1] == 0 || s[1] == 255 || s[2] == 0 || s[2] == 255);
        JpegYCbCrToRgb (s[0], s[1] - 128, s[2] - 128, s);
    }
    return Out;
}

struct Stats {
    int maxUnclamped = 0;            // where the reference clamped none of its samples
    double mean = 0, within3 = 0;    // within3: share of samples at most 3 levels off
    double bias[3] = {};             // mean signed difference of red, green and blue
};

Stats Compare (const Rgb &Got, const Rgb &Want)
{
    Stats S;
    uint64_t Sum = 0, Near = 0;
    for (size_t i = 0; i < Want.samples.size (); i++) {
        int Delta = std::abs ((int)Got.samples[i] - (int)Want.samples[i]);
        S.maxUnclamped = Want.clamped[i / 3] ? S.maxUnclamped : std::max (S.maxUnclamped, Delta);
        S.bias[i % 3] += (int)Got.samples[i] - (int)Want.samples[i];
        Sum += Delta;
        Near += Delta <= 3;
    }
    S.mean = (double)Sum / (double)Want.samples.size ();
    S.within3 = (double)Near / (double)Want.samples.size ();
    for (double &Bias : S.bias) {
        Bias = Bias * 3 / (double)Want.samples.size ();
    }
    return S;
}

const char *const kDecoded[] = {
    "jpeg/go/video-001.jpeg",  "jpeg/go/video-001.q50.420.jpeg", "jpeg/go/video-001.q50.444.jpeg",
    "jpeg/gen/rstrow-444.jpg", "jpeg/gen/rst2mcu-444-q.jpg",     "jpeg/gen/rst1mcu-420.jpg",
    "jpeg/gen/tiny-1x1-420.jpg", "jpeg/imdoc/sprite.jpg",        "jpeg/imdoc/reconstruct.jpg",
    "jpeg/imdoc/frame.jpg",    "jpeg/imdoc/imade_art2.jpg",      "jpeg/imdoc/logo.jpg",
    "jpeg/imdoc/montage.jpg",  "jpeg/imdoc/sponsor.jpg",
};

// Measured on these fixtures, where libjpeg clamped nothing: at most 7 levels apart; over
// every pixel a mean of 0.44 to 1.04, at least 98.3 % within 3, no channel's bias above
// 0.45. Two roundings a pass and the odd half's largest factor (2.56, applied to a sum of
// rounded products) leave a sample about 0.7 of a level from the exact transform (libjpeg
// keeps more fraction between its passes); the colour formula then scales the chroma's
// part by up to 1.76, so the bounds are wider than an ideal 4 and 0.75. Where libjpeg
// clamped a sample before converting (ours does not clamp), the colours may differ by far
// more: 32 on the q50 video frames' saturated edges.
TEST (JpegAgainstLibjpeg, OnlyTheTransformsRoundingSeparatesLibjpegsSamplesThroughOurColours)
{
    for (const char *Name : kDecoded) {
        SCOPED_TRACE (Name);
        std::vector<uint8_t> Data = Fixtures::Read (std::string ("images/") + Name);
        Rgb Ours = DecodeOurs (Data), Theirs = DecodeLibjpegSamples (Data);
        ASSERT_EQ (Ours.width, Theirs.width);
        ASSERT_EQ (Ours.height, Theirs.height);
        Stats S = Compare (Ours, Theirs);
        EXPECT_LE (S.maxUnclamped, 7);
        EXPECT_LE (S.mean, 1.1);
        EXPECT_GE (S.within3, 0.98);
        // No level's bias left: truncation gave about -1.4 on red and blue.
        for (int c = 0; c < 3; c++) {
            EXPECT_LT (std::fabs (S.bias[c]), 0.5) << "channel " << c;
        }
    }
}

}  // namespace
