// A PNG decoded by libpng itself to 8-bit RGBA with tRNS as alpha, the way the fixtures'
// reference decodings are made: the witness for files that have no reference.
#ifndef GRAPHICS_CODEC_TESTS_LIBPNG_RGBA_H_
#define GRAPHICS_CODEC_TESTS_LIBPNG_RGBA_H_

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <vector>

namespace LibpngRgba {

struct MemoryReader {
    const std::vector<uint8_t> *bytes;
    size_t offset;
};

inline void ReadFromMemory (png_structp png, png_bytep data, size_t length)
{
    MemoryReader *reader = (MemoryReader *)png_get_io_ptr (png);
    if (length > reader->bytes->size () - reader->offset) {
        png_error (png, "short read");
    }
    std::memcpy (data, reader->bytes->data () + reader->offset, length);
    reader->offset += length;
}

struct Decoded {
    bool ok = false;
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> rgba;
};

// Locals that live across the recovery point are set before it.
inline Decoded DecodeToRgba (const std::vector<uint8_t> &file)
{
    Decoded out;
    MemoryReader reader = { &file, 0 };
    png_structp png = png_create_read_struct (PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct (png) : nullptr;
    if (info == nullptr) {
        png_destroy_read_struct (&png, nullptr, nullptr);
        return out;
    }
    if (setjmp (png_jmpbuf (png)) != 0) {
        png_destroy_read_struct (&png, &info, nullptr);
        out.ok = false;
        return out;
    }
    png_set_read_fn (png, &reader, ReadFromMemory);
    png_read_info (png, info);
    png_set_expand (png);
    png_set_strip_16 (png);
    png_set_gray_to_rgb (png);
    png_set_add_alpha (png, 0xFF, PNG_FILLER_AFTER);
    int passes = png_set_interlace_handling (png);
    png_read_update_info (png, info);
    out.width = png_get_image_width (png, info);
    out.height = png_get_image_height (png, info);
    if (png_get_rowbytes (png, info) != (size_t)out.width * 4) {
        png_error (png, "unexpected row size");
    }
    out.rgba.assign ((size_t)out.width * out.height * 4, 0);
    for (int pass = 0; pass < passes; pass++) {
        for (uint32_t y = 0; y < out.height; y++) {
            png_read_row (png, out.rgba.data () + (size_t)y * out.width * 4, nullptr);
        }
    }
    png_read_end (png, nullptr);
    png_destroy_read_struct (&png, &info, nullptr);
    out.ok = true;
    return out;
}

}  // namespace LibpngRgba

#endif
