// The baseline JPEG decoder against libjpeg on every fixture it takes. With libjpeg's own
// Y, Cb and Cr (its accurate integer transform, chroma replicated as ours is) put through
// our colour conversion, only the two transforms differ; end to end, against the fixtures'
// reference decodings, the colour formulas and libjpeg's clamping before conversion add
// their own differences.
#include <graphics/codec/JpegBaseline.h>
#include <graphics/codec/tests/NetPbm.h>
#include <graphics/core/SkProcForm.h>

#include <Fixtures.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

struct Rgb {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> samples;  // red, green, blue a pixel, rows top to bottom
    std::vector<bool> clamped;     // per pixel: the reference clamped one of its samples
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
    int max = 0, maxUnclamped = 0;
    double mean = 0, within3 = 0;  // within3: share of samples at most 3 levels off
};

Stats Compare (const Rgb &Got, const Rgb &Want)
{
    Stats S;
    uint64_t Sum = 0, Near = 0;
    for (size_t i = 0; i < Want.samples.size (); i++) {
        int Delta = std::abs ((int)Got.samples[i] - (int)Want.samples[i]);
        S.max = std::max (S.max, Delta);
        if (!Want.clamped.empty () && !Want.clamped[i / 3]) S.maxUnclamped = std::max (S.maxUnclamped, Delta);
        Sum += Delta;
        Near += Delta <= 3;
    }
    S.mean = (double)Sum / (double)Want.samples.size ();
    S.within3 = (double)Near / (double)Want.samples.size ();
    return S;
}

const char *const kDecoded[] = {
    "jpeg/go/video-001.jpeg",  "jpeg/go/video-001.q50.420.jpeg", "jpeg/go/video-001.q50.444.jpeg",
    "jpeg/gen/rstrow-444.jpg", "jpeg/gen/rst2mcu-444-q.jpg",     "jpeg/gen/rst1mcu-420.jpg",
    "jpeg/gen/tiny-1x1-420.jpg", "jpeg/imdoc/sprite.jpg",        "jpeg/imdoc/reconstruct.jpg",
    "jpeg/imdoc/frame.jpg",    "jpeg/imdoc/imade_art2.jpg",      "jpeg/imdoc/logo.jpg",
    "jpeg/imdoc/montage.jpg",  "jpeg/imdoc/sponsor.jpg",
};

TEST (JpegAgainstLibjpeg, PrintStats)
{
    for (SkProcForm Form : { kPortable_SkProcForm, kVector_SkProcForm }) {
        SkProcForm Was = SkSetProcForm (Form);
        for (const char *Name : kDecoded) {
            std::vector<uint8_t> Data = Fixtures::Read (std::string ("images/") + Name);
            Rgb Ours = DecodeOurs (Data);
            Rgb Samples = DecodeLibjpegSamples (Data);
            NetPbm::Image Ref = NetPbm::Parse (Fixtures::Read (std::string ("images/ref/") + Name + ".ppm"));
            Rgb End;
            End.width = Ref.width, End.height = Ref.height, End.samples = Ref.samples;
            ASSERT_EQ (Ours.samples.size (), Samples.samples.size ());
            ASSERT_EQ (Ours.samples.size (), End.samples.size ());
            Stats T = Compare (Ours, Samples), E = Compare (Ours, End);
            double Bias[3] = {};
            for (size_t i = 0; i < Ours.samples.size (); i++) {
                Bias[i % 3] += (int)Ours.samples[i] - (int)Samples.samples[i];
            }
            std::printf ("%d %-32s T max %2d/%2d mean %.3f w3 %.4f bias %+.2f %+.2f %+.2f | E max %2d mean %.3f w3 %.4f\n", Form, Name, T.max, T.maxUnclamped, T.mean, T.within3,
                         Bias[0] * 3 / Ours.samples.size (), Bias[1] * 3 / Ours.samples.size (), Bias[2] * 3 / Ours.samples.size (), E.max, E.mean, E.within3);
        }
        SkSetProcForm (Was);
    }
}

}  // namespace
