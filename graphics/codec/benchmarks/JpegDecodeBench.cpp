// Baseline JPEG decoding beside libjpeg, interleaved in one run (PeerBenchmark.h): 4:2:0 and
// 4:4:4 pictures (quality 90) at 1024 x 768 and 1920 x 1080, decoded by the image decoder
// into a bitmap and by libjpeg (integer transform, replicated chroma, RGB out) into a buffer.
#include <PeerBenchmark.h>

#include <graphics/codec/SkImageDecoder.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

// A picture with smooth areas, edges and some noise, as photographs and logos have.
std::vector<uint8_t> MakeRgb (int Width, int Height)
{
    std::vector<uint8_t> pixels ((size_t)Width * Height * 3);
    uint32_t noise = 12345;
    for (int y = 0; y < Height; y++) {
        for (int x = 0; x < Width; x++) {
            noise = noise * 1103515245u + 12345u;
            uint8_t *p = &pixels[((size_t)y * Width + x) * 3];
            p[0] = (uint8_t)(x * 255 / Width + ((noise >> 16) & 7));
            p[1] = (uint8_t)(((x / 64 + y / 64) & 1) ? 200 : 40);
            p[2] = (uint8_t)(y * 255 / Height);
        }
    }
    return pixels;
}

std::vector<uint8_t> Encode (int Width, int Height, int LumaSampling)
{
    std::vector<uint8_t> rgb = MakeRgb (Width, Height);
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error (&err);
    jpeg_create_compress (&c);
    unsigned char *out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest (&c, &out, &outSize);
    c.image_width = Width, c.image_height = Height, c.input_components = 3, c.in_color_space = JCS_RGB;
    jpeg_set_defaults (&c);
    jpeg_set_quality (&c, 90, TRUE);
    c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = LumaSampling;
    jpeg_start_compress (&c, TRUE);
    for (int y = 0; y < Height; y++) {
        JSAMPROW row = &rgb[(size_t)y * Width * 3];
        jpeg_write_scanlines (&c, &row, 1);
    }
    jpeg_finish_compress (&c);
    std::vector<uint8_t> file (out, out + outSize);
    free (out);
    jpeg_destroy_compress (&c);
    return file;
}

bool DecodeOurs (const std::vector<uint8_t> &File)
{
    SkMemoryStream stream (File.data (), File.size ());
    std::unique_ptr<SkImageDecoder> decoder (SkImageDecoder::Factory (&stream));
    SkBitmap bitmap;
    return decoder != nullptr && decoder->decode (&stream, &bitmap, SkImageDecoder::kDecodePixels_Mode) &&
           bitmap.getPixels () != nullptr;
}

void DecodeLibjpeg (const std::vector<uint8_t> &File, std::vector<uint8_t> *Pixels)
{
    jpeg_decompress_struct d;
    jpeg_error_mgr err;
    d.err = jpeg_std_error (&err);
    jpeg_create_decompress (&d);
    jpeg_mem_src (&d, File.data (), File.size ());
    jpeg_read_header (&d, TRUE);
    d.out_color_space = JCS_RGB, d.dct_method = JDCT_ISLOW, d.do_fancy_upsampling = FALSE;
    jpeg_start_decompress (&d);
    Pixels->resize ((size_t)d.output_width * d.output_height * 3);
    while (d.output_scanline < d.output_height) {
        JSAMPROW row = Pixels->data () + (size_t)d.output_scanline * d.output_width * 3;
        jpeg_read_scanlines (&d, &row, 1);
    }
    jpeg_finish_decompress (&d);
    jpeg_destroy_decompress (&d);
}

void Decode (benchmark::State &State, int Width, int Height, int LumaSampling)
{
    std::vector<uint8_t> file = Encode (Width, Height, LumaSampling), pixels;
    PeerBenchmark::Compare (
        State,
        [&] {
            if (!DecodeOurs (file)) {
                State.SkipWithError ("decode failed");
            }
        },
        [&] { DecodeLibjpeg (file, &pixels); });
}

const bool kRegistered = [] {
    for (int Sampling : { 2, 1 }) {
        for (auto Size : { std::pair<int, int> { 1024, 768 }, std::pair<int, int> { 1920, 1080 } }) {
            std::string Name = std::string (Sampling == 2 ? "Jpeg420/" : "Jpeg444/") + std::to_string (Size.first) + "x" +
                               std::to_string (Size.second) + "_vs_libjpeg";
            PeerBenchmark::Register (Name, [=] (benchmark::State &s) { Decode (s, Size.first, Size.second, Sampling); });
        }
    }
    return true;
}();

}  // namespace

BENCHMARK_MAIN ();
