// Flattened bitmaps, pixel refs and colour tables: exact word layouts and round trips.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/flatten/tests/SkFlattenTestSupport.h"

namespace {

class BitmapFlatten : public ::testing::Test {
protected:
    void TearDown () override { SkRestoreStartupRegistrationsForTests (); }
};

} // namespace

// A caller-owned 3 x 2 A8 bitmap with row bytes 4, cross-process: five layout words, kind 2,
// the 7 safe-size bytes padded to 8, then 1 zero byte padded to 4: 36 bytes.
TEST_F (BitmapFlatten, CallerPixelsCrossProcessLayout)
{
    uint8_t pixels[8] = { 1, 2, 3, 0x77, 4, 5, 6, 0x77 };
    SkBitmap bm;
    bm.setConfig (SkBitmap::kA8_Config, 3, 2, 4);
    bm.setPixels (pixels);
    SkFlattenableWriteBuffer writer;
    writer.setFlags (SkFlattenableWriteBuffer::kCrossProcess_Flag);
    bm.flatten (writer);
    ASSERT_EQ (writer.size (), 36u);
    std::vector<uint32_t> w = words_of (writer);
    EXPECT_EQ (std::vector<uint32_t> (w.begin (), w.begin () + 6), (std::vector<uint32_t>{ 3, 2, 4, 2, 0, 2 }));
    const uint8_t *bytes = (const uint8_t *)&w[6];
    const uint8_t expected[12] = { 1, 2, 3, 0x77, 4, 5, 6, 0, 0, 0, 0, 0 };
    EXPECT_EQ (memcmp (bytes, expected, 12), 0);

    SkFlattenableReadBuffer reader (w.data (), w.size () * 4);
    SkBitmap back;
    back.unflatten (reader);
    EXPECT_TRUE (reader.eof ());
    EXPECT_FALSE (reader.failed ());
    ASSERT_EQ (back.config (), SkBitmap::kA8_Config);
    EXPECT_EQ (back.rowBytes (), 4u);
    ASSERT_NE (back.getPixels (), nullptr);
    EXPECT_EQ (*back.getAddr8 (2, 1), 6);
    EXPECT_EQ (*back.getAddr8 (0, 1), 4);
}

// With a colour table: kind 1, then count, flags and colours before the pixels.
TEST_F (BitmapFlatten, ColorTableBeforePixels)
{
    SkPMColor colors[2] = { 0xFF112233, 0x80402010 };
    SkColorTable *table = SkColorTable::Create (colors, 2);
    table->setFlags (0);
    uint8_t pixels[4] = { 1, 0, 0, 1 };
    SkBitmap bm;
    bm.setConfig (SkBitmap::kIndex8_Config, 2, 2);
    bm.setPixels (pixels, table);
    SkFlattenableWriteBuffer writer;
    writer.setFlags (SkFlattenableWriteBuffer::kCrossProcess_Flag);
    bm.flatten (writer);
    std::vector<uint32_t> w = words_of (writer);
    EXPECT_EQ (w, (std::vector<uint32_t>{ 2, 2, 2, 3, 0, 1, 2, 0, 0xFF112233, 0x80402010, 0x01000001 }));
    SkFlattenableReadBuffer reader (w.data (), w.size () * 4);
    SkBitmap back;
    back.unflatten (reader);
    ASSERT_NE (back.getColorTable (), nullptr);
    EXPECT_EQ ((*back.getColorTable ())[1], 0x80402010u);
    EXPECT_EQ (*back.getAddr8 (1, 1), 1);
    table->unref ();
}

// Without the cross-process flag: kind 0 without a ref; kind 4, the offset and the ref's
// index in the reference set (0 without a set).
TEST_F (BitmapFlatten, SameProcessWritesRefIndex)
{
    SkBitmap bm;
    bm.setConfig (SkBitmap::kARGB_8888_Config, 2, 2);
    SkFlattenableWriteBuffer plain;
    bm.flatten (plain);
    EXPECT_EQ (words_of (plain), (std::vector<uint32_t>{ 2, 2, 8, 6, 0, 0 }));
    ASSERT_TRUE (bm.allocPixels ());
    SkBitmap sub;
    bm.extractSubset (&sub, SkIRect::MakeLTRB (1, 1, 2, 2));
    SkFlattenableWriteBuffer noSet;
    sub.flatten (noSet);
    EXPECT_EQ (words_of (noSet), (std::vector<uint32_t>{ 1, 1, 8, 6, 0, 4, 12, 0 }));

    SkFlattenableWriteBuffer writer;
    SkRefCntSet *set = new SkRefCntSet;
    writer.setRefCntRecorder (set);
    sub.flatten (writer);
    EXPECT_EQ (words_of (writer), (std::vector<uint32_t>{ 1, 1, 8, 6, 0, 4, 12, 1 }));
    std::vector<uint32_t> w = words_of (writer);
    SkRefCnt *refs[1] = { bm.pixelRef () };
    SkFlattenableReadBuffer reader (w.data (), w.size () * 4);
    reader.setRefCntArray (refs, 1);
    SkBitmap back;
    back.unflatten (reader);
    EXPECT_EQ (back.pixelRef (), bm.pixelRef ());
    EXPECT_EQ (back.pixelRefOffset (), 12u);
    set->unref ();
}

// Cross-process with a registered pixel ref: kind 3, offset, the name, then the ref's data
// (flag, size, bytes, colour-table marker).
TEST_F (BitmapFlatten, PixelRefByName)
{
    SkBitmap bm;
    bm.setConfig (SkBitmap::kRGB_565_Config, 2, 1);
    ASSERT_TRUE (bm.allocPixels ());
    *bm.getAddr16 (0, 0) = 0x1234;
    *bm.getAddr16 (1, 0) = 0xABCD;
    SkFlattenableWriteBuffer writer;
    writer.setFlags (SkFlattenableWriteBuffer::kCrossProcess_Flag);
    bm.flatten (writer);
    std::vector<uint32_t> w = words_of (writer);
    ASSERT_EQ (w.size (), 8u + 4 + 4);
    EXPECT_EQ (std::vector<uint32_t> (w.begin (), w.begin () + 8),
               (std::vector<uint32_t>{ 2, 1, 4, 4, 1, 3, 0, 16 }));
    EXPECT_EQ (memcmp (&w[8], "SkMallocPixelRef", 16), 0);
    EXPECT_EQ (w[12], 0u);            // immutable flag
    EXPECT_EQ (w[13], 4u);            // size
    EXPECT_EQ (w[14], 0xABCD1234u);
    EXPECT_EQ (w[15], 0u);            // no colour table
    SkFlattenableReadBuffer reader (w.data (), w.size () * 4);
    SkBitmap back;
    back.unflatten (reader);
    EXPECT_FALSE (reader.failed ());
    EXPECT_TRUE (reader.eof ());
    ASSERT_NE (back.pixelRef (), nullptr);
    back.lockPixels ();
    EXPECT_EQ (*back.getAddr16 (1, 0), 0xABCD);
    back.unlockPixels ();

    // A name this reader does not know gives no pixels (and stops the buffer).
    SkPixelRefRegistryResetForTests ();
    SkFlattenableReadBuffer unknown (w.data (), w.size () * 4);
    SkBitmap none;
    none.unflatten (unknown);
    EXPECT_EQ (none.pixelRef (), nullptr);
    EXPECT_TRUE (unknown.failed ());
}

TEST_F (BitmapFlatten, MallocPixelRefWithColorTable)
{
    SkPMColor colors[1] = { 0xFF445566 };
    SkColorTable *table = SkColorTable::Create (colors, 1);
    SkMallocPixelRef *ref = new SkMallocPixelRef (nullptr, 3, table);
    ((uint8_t *)ref->storage ())[2] = 9;
    SkFlattenableWriteBuffer writer;
    ref->flatten (writer);
    std::vector<uint32_t> w = words_of (writer);
    EXPECT_EQ (w, (std::vector<uint32_t>{ 0, 3, 0x00090000, 1, 1, 0, 0xFF445566 }));
    SkFlattenableReadBuffer reader (w.data (), w.size () * 4);
    SkPixelRef *back = SkMallocPixelRef::Create (reader);
    ASSERT_NE (back, nullptr);
    back->lockPixels ();
    EXPECT_EQ (((uint8_t *)back->pixels ())[2], 9);
    ASSERT_NE (back->colorTable (), nullptr);
    EXPECT_EQ ((*back->colorTable ())[0], 0xFF445566u);
    back->unlockPixels ();
    back->unref ();
    ref->unref ();
    table->unref ();
    // Truncated data fails cleanly.
    SkFlattenableReadBuffer cut (w.data (), 8);
    EXPECT_EQ (SkMallocPixelRef::Create (cut), nullptr);
}

// A layout refused on reading (row bytes shorter than a row) stops the buffer instead of
// misreading the pixel data as what follows.
TEST_F (BitmapFlatten, RefusedLayoutStopsReading)
{
    uint32_t w[] = { 4, 2, 3, 2, 0, 2, 0, 0 };
    SkFlattenableReadBuffer reader (w, sizeof (w));
    SkBitmap back;
    back.unflatten (reader);
    EXPECT_EQ (back.config (), SkBitmap::kNo_Config);
    EXPECT_TRUE (reader.failed ());
    uint32_t big[] = { 100, 100, 400, 6, 0, 2, 0 };   // pixels longer than the data
    SkFlattenableReadBuffer r2 (big, sizeof (big));
    back.unflatten (r2);
    EXPECT_EQ (back.getPixels (), nullptr);
    EXPECT_TRUE (r2.failed ());
}
