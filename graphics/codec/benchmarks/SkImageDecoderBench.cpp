// Decoding speed beside the reference libraries, in one run: a 1024 x 768 JPEG at
// 4:2:0 and 4:4:4 (quality 90) against libjpeg (integer transform, replicated chroma,
// RGB out), and a 1024 x 768 RGBA PNG against libpng read straight to RGBA followed by
// the premultiply the bitmap needs.
#include <graphics/codec/SkImageDecoder.h>
#include <graphics/raster/SkBlitRow.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <jpeglib.h>
#include <png.h>

#include <memory>
#include <vector>

namespace {

const int kWidth = 1024, kHeight = 768;

// A picture with smooth areas, edges and some noise, as photographs and logos have.
std::vector<uint8_t> MakeRgba ()
{
    std::vector<uint8_t> pixels ((size_t)kWidth * kHeight * 4);
    uint32_t noise = 12345;
    for (int y = 0; y < kHeight; y++) {
        for (int x = 0; x < kWidth; x++) {
            noise = noise * 1103515245u + 12345u;
            uint8_t *p = &pixels[((size_t)y * kWidth + x) * 4];
            p[0] = (uint8_t)(x * 255 / kWidth + ((noise >> 16) & 7));
            p[1] = (uint8_t)(((x / 64 + y / 64) & 1) ? 200 : 40);
            p[2] = (uint8_t)(y * 255 / kHeight);
            p[3] = (uint8_t)(255 - ((x + y) & 63));
        }
    }
    return pixels;
}

std::vector<uint8_t> EncodeJpeg (int lumaSampling)
{
    std::vector<uint8_t> rgba = MakeRgba (), rgb ((size_t)kWidth * 3);
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error (&err);
    jpeg_create_compress (&c);
    unsigned char *out = nullptr;
    unsigned long outSize = 0;
    jpeg_mem_dest (&c, &out, &outSize);
    c.image_width = kWidth, c.image_height = kHeight, c.input_components = 3, c.in_color_space = JCS_RGB;
    jpeg_set_defaults (&c);
    jpeg_set_quality (&c, 90, TRUE);
    c.comp_info[0].h_samp_factor = c.comp_info[0].v_samp_factor = lumaSampling;
    jpeg_start_compress (&c, TRUE);
    for (int y = 0; y < kHeight; y++) {
        for (int x = 0; x < kWidth; x++) {
            for (int k = 0; k < 3; k++) rgb[x * 3 + k] = rgba[((size_t)y * kWidth + x) * 4 + k];
        }
        JSAMPROW row = rgb.data ();
        jpeg_write_scanlines (&c, &row, 1);
    }
    jpeg_finish_compress (&c);
    std::vector<uint8_t> file (out, out + outSize);
    free (out);
    jpeg_destroy_compress (&c);
    return file;
}

void WriteProc (png_structp png, png_bytep data, png_size_t length)
{
    auto *file = (std::vector<uint8_t> *)png_get_io_ptr (png);
    file->insert (file->end (), data, data + length);
}

std::vector<uint8_t> EncodePng ()
{
    std::vector<uint8_t> rgba = MakeRgba (), file;
    png_structp png = png_create_write_struct (PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct (png);
    png_set_write_fn (png, &file, WriteProc, nullptr);
    png_set_IHDR (png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                  PNG_FILTER_TYPE_DEFAULT);
    png_write_info (png, info);
    for (int y = 0; y < kHeight; y++) png_write_row (png, &rgba[(size_t)y * kWidth * 4]);
    png_write_end (png, info);
    png_destroy_write_struct (&png, &info);
    return file;
}

void DecodeOurs (benchmark::State &state, const std::vector<uint8_t> &file)
{
    for (auto _ : state) {
        SkMemoryStream stream (file.data (), file.size ());
        std::unique_ptr<SkImageDecoder> decoder (SkImageDecoder::Factory (&stream));
        SkBitmap bitmap;
        if (decoder == nullptr || !decoder->decode (&stream, &bitmap, SkImageDecoder::kDecodePixels_Mode)) {
            state.SkipWithError ("decode failed");
            return;
        }
        benchmark::DoNotOptimize (bitmap.getPixels ());
    }
}

void DecodeLibjpeg (benchmark::State &state, const std::vector<uint8_t> &file)
{
    std::vector<uint8_t> pixels ((size_t)kWidth * kHeight * 3);
    for (auto _ : state) {
        jpeg_decompress_struct d;
        jpeg_error_mgr err;
        d.err = jpeg_std_error (&err);
        jpeg_create_decompress (&d);
        jpeg_mem_src (&d, file.data (), file.size ());
        jpeg_read_header (&d, TRUE);
        d.out_color_space = JCS_RGB, d.dct_method = JDCT_ISLOW, d.do_fancy_upsampling = FALSE;
        jpeg_start_decompress (&d);
        while (d.output_scanline < d.output_height) {
            JSAMPROW row = &pixels[(size_t)d.output_scanline * kWidth * 3];
            jpeg_read_scanlines (&d, &row, 1);
        }
        jpeg_finish_decompress (&d);
        jpeg_destroy_decompress (&d);
        benchmark::DoNotOptimize (pixels.data ());
    }
}

void ReadFromVector (png_structp png, png_bytep data, png_size_t length)
{
    auto *at = (const uint8_t **)png_get_io_ptr (png);
    memcpy (data, *at, length);
    *at += length;
}

void DecodeLibpng (benchmark::State &state, const std::vector<uint8_t> &file)
{
    std::vector<uint32_t> pixels ((size_t)kWidth * kHeight);
    for (auto _ : state) {
        png_structp png = png_create_read_struct (PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct (png);
        const uint8_t *at = file.data ();
        png_set_read_fn (png, &at, ReadFromVector);
        png_read_info (png, info);
        png_read_update_info (png, info);
        for (int y = 0; y < kHeight; y++) {
            uint32_t *row = &pixels[(size_t)y * kWidth];
            png_read_row (png, (png_bytep)row, nullptr);
            for (int x = 0; x < kWidth; x++) {
                const uint8_t *p = (const uint8_t *)&row[x];
                row[x] = SkPreMultiplyARGB (p[3], p[0], p[1], p[2]);
            }
        }
        png_read_end (png, info);
        png_destroy_read_struct (&png, &info, nullptr);
        benchmark::DoNotOptimize (pixels.data ());
    }
}

const std::vector<uint8_t> &Jpeg420 () { static std::vector<uint8_t> f = EncodeJpeg (2); return f; }
const std::vector<uint8_t> &Jpeg444 () { static std::vector<uint8_t> f = EncodeJpeg (1); return f; }
const std::vector<uint8_t> &Png () { static std::vector<uint8_t> f = EncodePng (); return f; }

void BM_Jpeg420_Ours (benchmark::State &s) { DecodeOurs (s, Jpeg420 ()); }
void BM_Jpeg420_Libjpeg (benchmark::State &s) { DecodeLibjpeg (s, Jpeg420 ()); }
void BM_Jpeg444_Ours (benchmark::State &s) { DecodeOurs (s, Jpeg444 ()); }
void BM_Jpeg444_Libjpeg (benchmark::State &s) { DecodeLibjpeg (s, Jpeg444 ()); }
void BM_PngRgba_Ours (benchmark::State &s) { DecodeOurs (s, Png ()); }
void BM_PngRgba_Libpng (benchmark::State &s) { DecodeLibpng (s, Png ()); }

BENCHMARK (BM_Jpeg420_Ours)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_Jpeg420_Libjpeg)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_Jpeg444_Ours)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_Jpeg444_Libjpeg)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_PngRgba_Ours)->Unit (benchmark::kMillisecond);
BENCHMARK (BM_PngRgba_Libpng)->Unit (benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN ();
