// libpng and zlib as the UEFI image builds them (read-only, fixed-point, no stdio, a solo
// inflater), built here for the host from the same tarballs and configuration: every PNG
// fixture with a reference decodes to it, and the broken ones are refused. The image has
// no other witness that the features taken out were not needed.
#include <graphics/codec/tests/ImageManifest.h>
#include <graphics/codec/tests/LibpngRgba.h>
#include <graphics/codec/tests/NetPbm.h>

#include <Fixtures.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using LibpngRgba::Decoded;
using LibpngRgba::DecodeToRgba;

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
    std::vector<ImageManifest::Row> rows = ImageManifest::RowsOf ("PNG");
    ASSERT_GE (rows.size (), 30u) << "images/MANIFEST.tsv lists the PNG fixtures";
    int checked = 0;
    for (const ImageManifest::Row &row : rows) {
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
