// Flattened bitmaps from corrupt data: the reader refuses a layout or pixel memory that
// cannot hold the pixels, so later copies, erases and subsets stay inside their memory. The
// byte strings are inputs that once read or wrote past a heap block.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/flatten/tests/SkFlattenTestSupport.h"

namespace {

std::string word (uint32_t v)
{
    char text[9];
    for (int i = 0; i < 4; i++) snprintf (text + 2 * i, 3, "%02x", (v >> (8 * i)) & 0xFF);
    return text;
}

// "SkMallocPixelRef" by name, then its flag word, SIZE bytes of storage and no colour table.
std::string malloc_pixel_ref (uint32_t offset, uint32_t size)
{
    return word (3) + word (offset) + word (16) + "536b4d616c6c6f63506978656c526566" + word (0) + word (size) +
           std::string (2 * ((size + 3) & ~3u), '0') + word (0);
}

class BitmapUnflatten : public ::testing::Test {
protected:
    void TearDown () override { SkRestoreStartupRegistrationsForTests (); }

    // Reads BYTES and then uses the bitmap as a caller would; whether the buffer failed.
    bool unflatten (const std::vector<uint8_t> &bytes)
    {
        SkFlattenableReadBuffer reader (bytes.data (), bytes.size ());
        fBitmap.unflatten (reader);
        SkBitmap copy, subset;
        fCopied = fBitmap.copyTo (&copy);
        fBitmap.eraseTransparent ();
        (void)fBitmap.extractSubset (&subset, SkIRect::MakeLTRB (1, 0, 2, 1));
        return reader.failed ();
    }

    SkBitmap fBitmap;
    bool fCopied = false;
};

} // namespace

// Each input once read or wrote past a heap block; each is refused: the buffer fails and the
// bitmap has no pixels a copy, erase or subset could reach.
TEST_F (BitmapUnflatten, CorruptLayoutsAreRefused)
{
    const std::string layout565 = word (2) + word (2) + word (4) + word (4) + word (1);
    const struct {
        const char *what;
        std::string bytes;
    } rows[] = {
        // copyTo read the rows of 2 x 524,290 RGB565 pixels from a 0-byte ref.
        { "pixel ref smaller than the bitmap", "0200000002000800040000000400000001000000030000000000000010000000"
                                               "536b4d616c6c6f63506978656c526566000000000000000000000000" },
        // 4 x 0x7FFFFFFF A8 spans more than 8 GB: its 32-bit safe size is 0 and a check made
        // with it would take a 16-byte ref as enough.
        { "layout past 4 GB", word (4) + word (0x7FFFFFFF) + word (4) + word (2) + word (0) + malloc_pixel_ref (0, 16) },
        // An odd offset makes every access to 16-bit pixels misaligned.
        { "offset of part of a pixel", layout565 + malloc_pixel_ref (1, 16) },
        // Run-length pixel memory holds row pointers; these raw bytes were read as such.
        { "run-length raw pixels", "04000000020000000400000007000000000000000200000000536c5265660080" },
        { "run-length pixel ref", word (4) + word (2) + word (4) + word (7) + word (0) + malloc_pixel_ref (0, 16) },
        // 1,392,508,930 RGB565 pixels need more row bytes than 31 bits hold; the minimum came
        // out as 0 and eraseTransparent wrote 2.7 GB into 8 bytes.
        { "row bytes that overflow", "02000053020000000400000004000000020000000200000000000400003f0000" },
        // Config word 0x406 was cut to its low byte (ARGB8888), and the 0-wide bitmap it made
        // was copied with a null destination.
        { "config past the last", "00000000010000000800000006040000" "2fff3aff02000000d2ff9efffeff9eff" },
    };
    for (const auto &row : rows) {
        SCOPED_TRACE (row.what);
        EXPECT_TRUE (unflatten (hex (row.bytes)));
        EXPECT_EQ (fBitmap.pixelRef (), nullptr);
        EXPECT_EQ (fBitmap.getPixels (), nullptr);
        EXPECT_FALSE (fCopied);
    }
}

TEST_F (BitmapUnflatten, PixelRefThatHoldsEveryPixelIsAttached)
{
    // 2 x 3 RGB565 with row bytes 4 needs 12 bytes: all of a 12-byte ref, or of a 16-byte
    // one from offset 4 but not from offset 6.
    const std::string layout = word (2) + word (3) + word (4) + word (4) + word (1);
    EXPECT_FALSE (unflatten (hex (layout + malloc_pixel_ref (0, 12))));
    EXPECT_NE (fBitmap.pixelRef (), nullptr);
    EXPECT_TRUE (fCopied);
    EXPECT_FALSE (unflatten (hex (layout + malloc_pixel_ref (4, 16))));
    EXPECT_NE (fBitmap.pixelRef (), nullptr);
    EXPECT_EQ (fBitmap.pixelRefOffset (), 4u);
    EXPECT_TRUE (unflatten (hex (layout + malloc_pixel_ref (6, 16))));
    EXPECT_EQ (fBitmap.pixelRef (), nullptr);
}

TEST_F (BitmapUnflatten, EmptyBitmapHasNoCopy)
{
    EXPECT_FALSE (unflatten (hex (word (0) + word (1) + word (8) + word (6) + word (0) + word (2) + word (0) + word (0))));
    EXPECT_EQ (fBitmap.config (), SkBitmap::kARGB_8888_Config);
    EXPECT_FALSE (fCopied);
}
