// libpng and zlib as the UEFI image builds them (read-only, fixed-point, no stdio, a solo
// inflater), built here for the host from the same tarballs and configuration: every PNG
// fixture with a reference decodes to it, and the broken ones are refused. The image has
// no other witness that the features taken out were not needed.
#include <graphics/codec/tests/NetPbm.h>

#include <Fixtures.h>

#include <png.h>

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct MemoryReader {
    const std::vector<uint8_t> *bytes;
    size_t offset;
};

void ReadFromMemory (png_structp png, png_bytep data, size_t length)
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

// Every source format to 8-bit RGBA, tRNS as alpha, as the reference decodings are made.
// Locals that live across the recovery point are volatile or set before it.
Decoded DecodeToRgba (const std::vector<uint8_t> &file)
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

struct ManifestRow {
    std::string path, reference;
};

std::vector<ManifestRow> PngRows ()
{
    std::vector<ManifestRow> rows;
    std::ifstream manifest (Fixtures::Path ("images/MANIFEST.tsv"));
    std::string line;
    while (std::getline (manifest, line)) {
        std::vector<std::string> fields;
        std::stringstream split (line);
        for (std::string field; std::getline (split, field, '\t');) {
            fields.push_back (field);
        }
        if (fields.size () >= 5 && fields[1] == "PNG") {
            rows.push_back ({ fields[0], fields[4] });
        }
    }
    return rows;
}

int MaxDelta (const Decoded &decoded, const NetPbm::Image &ref)
{
    int worst = 0;
    for (uint32_t y = 0; y < ref.height; y++) {
        for (uint32_t x = 0; x < ref.width; x++) {
            const uint8_t *want = ref.At (x, y);
            const uint8_t *got = &decoded.rgba[((size_t)y * decoded.width + x) * 4];
            for (uint32_t c = 0; c < 4; c++) {
                int expected = c < ref.channels ? want[c] : 0xFF;
                if (ref.channels < 3 && c < 3) {
                    expected = want[0];
                }
                worst = std::max (worst, std::abs (expected - (int)got[c]));
            }
        }
    }
    return worst;
}

TEST (PngImageConfiguration, EveryReferencedFixtureDecodesToItsReference)
{
    std::vector<ManifestRow> rows = PngRows ();
    ASSERT_GE (rows.size (), 30u) << "images/MANIFEST.tsv lists the PNG fixtures";
    int checked = 0;
    for (const ManifestRow &row : rows) {
        if (row.reference == "-") {
            continue;
        }
        SCOPED_TRACE (row.path);
        Decoded decoded = DecodeToRgba (Fixtures::Read ("images/" + row.path));
        ASSERT_TRUE (decoded.ok);
        // Sources deeper than 8 bits and 2-bit palettes have no 8-bit reference in the
        // fixtures (the manifest names a .16.pam beside it): they only have to decode.
        if (row.reference.find (".16.pam") != std::string::npos) {
            continue;
        }
        NetPbm::Image ref = NetPbm::Parse (Fixtures::Read ("images/ref/" + row.path + ".pam"));
        ASSERT_EQ (decoded.width, ref.width);
        ASSERT_EQ (decoded.height, ref.height);
        EXPECT_EQ (MaxDelta (decoded, ref), 0);
        checked++;
    }
    EXPECT_GE (checked, 20);
}

TEST (PngImageConfiguration, BrokenFilesAreRefused)
{
    for (const char *name : { "png/invalid/invalid-crc32.png", "png/invalid/invalid-trunc.png" }) {
        SCOPED_TRACE (name);
        EXPECT_FALSE (DecodeToRgba (Fixtures::Read (std::string ("images/") + name)).ok);
    }
}

}  // namespace
