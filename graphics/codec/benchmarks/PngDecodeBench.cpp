// PNG decoding beside libpng, interleaved in one process (PeerBenchmark.h): 8-bit RGB and
// RGBA pictures at 1024 x 768 and 1920 x 1080. The peer is libpng at its most direct: rows
// read straight into a 32-bit buffer, laid out as the bitmap's pixels by libpng's own byte
// swap and filler for RGB, and premultiplied in place into that layout for RGBA. Before
// timing, both decodings of a case must agree bit for bit.
#include <graphics/codec/SkImageDecoder.h>
#include <graphics/core/SkColorPriv.h>
#include <graphics/raster/SkBlitRow.h>

#include <png.h>

#include <PeerBenchmark.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

struct Case {
    const char *name;
    int width, height;
    bool alpha;
};

const Case kCases[] = {
    { "PngRgb/1024x768_vs_libpng", 1024, 768, false },
    { "PngRgba/1024x768_vs_libpng", 1024, 768, true },
    { "PngRgb/1920x1080_vs_libpng", 1920, 1080, false },
    { "PngRgba/1920x1080_vs_libpng", 1920, 1080, true },
};

// Smooth areas, edges and some noise, as photographs and logos have; the alpha ramp holds
// opaque runs, translucent runs and fully transparent pixels.
std::vector<uint8_t> MakePixels (const Case &c)
{
    int channels = c.alpha ? 4 : 3;
    std::vector<uint8_t> pixels ((size_t)c.width * c.height * channels);
    uint32_t noise = 12345;
    for (int y = 0; y < c.height; y++) {
        for (int x = 0; x < c.width; x++) {
            noise = noise * 1103515245u + 12345u;
            uint8_t *p = &pixels[((size_t)y * c.width + x) * channels];
            p[0] = (uint8_t)(x * 255 / c.width + ((noise >> 16) & 7));
            p[1] = (uint8_t)(((x / 64 + y / 64) & 1) ? 200 : 40);
            p[2] = (uint8_t)(y * 255 / c.height);
            if (c.alpha) {
                int ramp = (x + y) & 127;
                p[3] = (uint8_t)(ramp < 64 ? 255 : ramp < 96 ? (ramp - 64) * 8 : 0);
            }
        }
    }
    return pixels;
}

void WriteProc (png_structp png, png_bytep data, png_size_t length)
{
    auto *file = (std::vector<uint8_t> *)png_get_io_ptr (png);
    file->insert (file->end (), data, data + length);
}

std::vector<uint8_t> Encode (const Case &c)
{
    std::vector<uint8_t> pixels = MakePixels (c), file;
    png_structp png = png_create_write_struct (PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct (png);
    png_set_write_fn (png, &file, WriteProc, nullptr);
    png_set_IHDR (png, info, (png_uint_32)c.width, (png_uint_32)c.height, 8,
                  c.alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                  PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info (png, info);
    size_t rowBytes = (size_t)c.width * (c.alpha ? 4 : 3);
    for (int y = 0; y < c.height; y++) {
        png_write_row (png, &pixels[(size_t)y * rowBytes]);
    }
    png_write_end (png, info);
    png_destroy_write_struct (&png, &info);
    return file;
}

void ReadFromMemory (png_structp png, png_bytep data, png_size_t length)
{
    auto *at = (const uint8_t **)png_get_io_ptr (png);
    memcpy (data, *at, length);
    *at += length;
}

// The bench's own files are well formed, so libpng's errors are not caught.
void DecodeLibpng (const std::vector<uint8_t> &file, std::vector<uint32_t> *pixels)
{
    png_structp png = png_create_read_struct (PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct (png);
    const uint8_t *at = file.data ();
    png_set_read_fn (png, &at, ReadFromMemory);
    png_read_info (png, info);
    png_uint_32 width = png_get_image_width (png, info), height = png_get_image_height (png, info);
    bool alpha = png_get_color_type (png, info) == PNG_COLOR_TYPE_RGB_ALPHA;
    // The bitmap's pixels are B, G, R, A in memory (little-endian ARGB words): libpng swaps
    // and fills opaque rows itself; the premultiply pass reorders the others for free.
    if (!alpha) {
        png_set_bgr (png);
        png_set_filler (png, 0xFF, PNG_FILLER_AFTER);
    }
    png_read_update_info (png, info);
    for (png_uint_32 y = 0; y < height; y++) {
        uint32_t *row = &(*pixels)[(size_t)y * width];
        png_read_row (png, (png_bytep)row, nullptr);
        if (alpha) {
            for (png_uint_32 x = 0; x < width; x++) {
                const uint8_t *p = (const uint8_t *)&row[x];
                row[x] = SkPreMultiplyARGB (p[3], p[0], p[1], p[2]);
            }
        }
    }
    png_read_end (png, info);
    png_destroy_read_struct (&png, &info, nullptr);
}

bool DecodeOurs (const std::vector<uint8_t> &file, SkBitmap *bitmap)
{
    SkMemoryStream stream (file.data (), file.size ());
    std::unique_ptr<SkImageDecoder> decoder (SkImageDecoder::Factory (&stream));
    return decoder != nullptr && decoder->decode (&stream, bitmap, SkImageDecoder::kDecodePixels_Mode);
}

// The decoder's pixels equal libpng's, word for word.
bool Agree (const Case &c, const std::vector<uint8_t> &file)
{
    std::vector<uint32_t> peer ((size_t)c.width * c.height);
    DecodeLibpng (file, &peer);
    SkBitmap ours;
    if (!DecodeOurs (file, &ours) || ours.width () != c.width || ours.height () != c.height ||
        ours.config () != SkBitmap::kARGB_8888_Config) {
        return false;
    }
    SkAutoLockPixels lock (ours);
    for (int y = 0; y < c.height; y++) {
        if (memcmp (ours.getAddr32 (0, y), &peer[(size_t)y * c.width], (size_t)c.width * 4) != 0) {
            return false;
        }
    }
    return true;
}

void Decode (benchmark::State &state, const Case &c)
{
    std::vector<uint8_t> file = Encode (c);
    if (!Agree (c, file)) {
        state.SkipWithError ("the decoder's pixels differ from libpng's");
        return;
    }
    std::vector<uint32_t> peer ((size_t)c.width * c.height);
    PeerBenchmark::Compare (
        state,
        [&] {
            SkBitmap bitmap;
            DecodeOurs (file, &bitmap);
            benchmark::DoNotOptimize (bitmap.getPixels ());
        },
        [&] {
            DecodeLibpng (file, &peer);
            benchmark::DoNotOptimize (peer.data ());
        });
}

const bool kRegistered = [] {
    for (const Case &c : kCases) {
        PeerBenchmark::Register (c.name, [&c] (benchmark::State &state) { Decode (state, c); });
    }
    return true;
}();

}  // namespace

BENCHMARK_MAIN ();
