// SkBitmap layout, pixel refs and locking, heap allocation, subsets, erase, copies, mip levels.
#include <gtest/gtest.h>

#include <vector>

#include "graphics/bitmap/SkBitmap.h"
#include "graphics/bitmap/SkPackBits.h"
#include "graphics/core/SkColorPriv.h"

namespace {

// A pixel ref over a caller buffer that counts its lock calls.
class CountingPixelRef : public SkPixelRef {
public:
    CountingPixelRef (void *pixels, SkColorTable *ctable) : fMemory (pixels), fTable (ctable) {}
    int fLocks = 0;
    int fUnlocks = 0;

protected:
    void *onLockPixels (SkColorTable **ctable) override
    {
        fLocks++;
        *ctable = fTable;
        return fMemory;
    }
    void onUnlockPixels () override { fUnlocks++; }

private:
    void *fMemory;
    SkColorTable *fTable;
};

} // namespace

// setConfig with explicit row bytes (0: the minimum) keeps the layout or leaves an empty
// bitmap. Refused: row bytes shorter than a row of pixels (every draw ran past each row), a
// minimum that overflows 31 bits, and row bytes that are no whole number of pixels.
TEST (SkBitmapLayout, SetConfigRowBytes)
{
    const auto kNone = SkBitmap::kNo_Config, k8888 = SkBitmap::kARGB_8888_Config, k565 = SkBitmap::kRGB_565_Config,
               kA8 = SkBitmap::kA8_Config, kA1 = SkBitmap::kA1_Config, kRle = SkBitmap::kRLE_Index8_Config;
    struct Row {
        SkBitmap::Config config;
        int width, height, rowBytes;
        SkBitmap::Config wantConfig;
        int wantWidth, wantRowBytes, wantBytesPerPixel;
    };
    const Row rows[] = {
        { k8888, 10, 2, 0, k8888, 10, 40, 4 },
        { kA1, 9, 1, 0, kA1, 9, 2, 0 },
        { kRle, 5, 5, 0, kNone, 0, 0, 0 },                 // run-length needs explicit row bytes
        { kRle, 5, 5, 3, kRle, 5, 3, 1 },
        { kA8, -1, 5, 0, kNone, 0, 0, 0 },
        { kNone, 4, 4, 0, kNone, 4, 0, 0 },
        { k8888, 10, 2, 39, kNone, 0, 0, 0 },
        { k8888, 10, 2, 44, k8888, 10, 44, 4 },
        { kA1, 17, 2, 2, kNone, 0, 0, 0 },
        { k565, 0x53000002, 2, 4, kNone, 0, 0, 0 },
        { k8888, 0x20000000, 1, 4, kNone, 0, 0, 0 },
        { kA8, 0, 2, 4, kA8, 0, 4, 1 },                    // an empty row needs nothing
        { k565, 3, 2, 7, kNone, 0, 0, 0 },
        { SkBitmap::kARGB_4444_Config, 3, 2, 9, kNone, 0, 0, 0 },
        { k8888, 2, 2, 10, kNone, 0, 0, 0 },
        { k8888, 2, 2, 12, k8888, 2, 12, 4 },
        { k565, 3, 2, 8, k565, 3, 8, 2 },
        { kA8, 3, 2, 7, kA8, 3, 7, 1 },                    // byte pixels: any row bytes
    };
    for (const Row &row : rows) {
        SCOPED_TRACE (testing::Message () << row.config << ": " << row.width << " x " << row.height << ", " << row.rowBytes);
        SkBitmap bm;
        bm.setConfig (row.config, row.width, row.height, row.rowBytes);
        EXPECT_EQ (bm.config (), row.wantConfig);
        EXPECT_EQ (bm.rowBytes (), (size_t)row.wantRowBytes);
        EXPECT_EQ (bm.width (), row.wantWidth);
        EXPECT_EQ (bm.bytesPerPixel (), row.wantBytesPerPixel);
    }
}

TEST (SkBitmapLayout, ComputeRowBytesLimits)
{
    EXPECT_EQ (SkBitmap::ComputeRowBytes (SkBitmap::kARGB_8888_Config, 0x20000000), 0u);
    EXPECT_EQ (SkBitmap::ComputeRowBytes (SkBitmap::kARGB_8888_Config, 0x1FFFFFFF), 0x7FFFFFFCu);
    EXPECT_EQ (SkBitmap::ComputeRowBytes (SkBitmap::kRGB_565_Config, 3), 6u);
    EXPECT_EQ (SkBitmap::ComputeRowBytes (SkBitmap::kA1_Config, 8), 1u);
    EXPECT_EQ (SkBitmap::ComputeRowBytes (SkBitmap::kRLE_Index8_Config, 8), 0u);
    EXPECT_EQ (SkBitmap::ComputeRowBytes ((SkBitmap::Config)9, 8), 0u);
    EXPECT_EQ (SkBitmap::ComputeRowBytes (SkBitmap::kA8_Config, -1), 0u);
    Sk64 s = SkBitmap::ComputeSafeSize64 (SkBitmap::kARGB_8888_Config, 3, 4, 20);
    EXPECT_EQ (s.get64 (), 3 * 20 + 12);
    EXPECT_EQ (SkBitmap::ComputeSafeSize64 (SkBitmap::kA8_Config, 3, 0, 20).get64 (), 0);
}

// A safe size beyond 32 bits is 0 instead of wrapping, so copies refuse it.
TEST (SkBitmapLayout, HugeSafeSizeIsZero)
{
    SkBitmap bm;
    bm.setConfig (SkBitmap::kARGB_8888_Config, 0x10000, 0x10000);
    EXPECT_EQ (bm.getSafeSize (), 0u);
    uint8_t byte = 0;
    bm.setPixels (&byte);
    EXPECT_FALSE (bm.copyPixelsFrom (&byte, 1));
    EXPECT_FALSE (bm.allocPixels ());   // 2^34 bytes: beyond 31 bits
}

// 1000 x 1000 ARGB8888: one pixel ref of 4,000,000 zeroed bytes, left locked.
TEST (SkBitmapPixels, HeapAllocationIsLockedAndZeroed)
{
    SkBitmap bm;
    bm.setConfig (SkBitmap::kARGB_8888_Config, 1000, 1000);
    ASSERT_TRUE (bm.allocPixels ());
    ASSERT_NE (bm.pixelRef (), nullptr);
    EXPECT_EQ (((SkMallocPixelRef *)bm.pixelRef ())->size (), 4000000u);
    EXPECT_EQ (bm.pixelRef ()->getRefCnt (), 1u);
    EXPECT_EQ (bm.lockCount (), 1);
    EXPECT_EQ (bm.pixelRef ()->getLockCount (), 1u);
    ASSERT_NE (bm.getPixels (), nullptr);
    EXPECT_EQ (*bm.getAddr32 (999, 999), 0u);
    EXPECT_EQ (*bm.getAddr32 (500, 3), 0u);
}

// A copy of a locked bitmap is unlocked with null pixels and shares the ref; locking it does
// not lock the ref again while the first bitmap holds its lock.
TEST (SkBitmapPixels, CopiesShareRefAndStartUnlocked)
{
    uint32_t memory[4] = { 1, 2, 3, 4 };
    CountingPixelRef *ref = new CountingPixelRef (memory, nullptr);
    SkBitmap a;
    a.setConfig (SkBitmap::kARGB_8888_Config, 2, 2);
    a.setPixelRef (ref);
    ref->unref ();
    a.lockPixels ();
    EXPECT_EQ (ref->fLocks, 1);
    EXPECT_EQ (a.getPixels (), memory);
    // A bitmap holds one lock on its ref however often it is locked itself.
    a.lockPixels ();
    EXPECT_EQ (a.lockCount (), 2);
    EXPECT_EQ (ref->getLockCount (), 1u);
    a.unlockPixels ();
    EXPECT_EQ (ref->getLockCount (), 1u);
    EXPECT_EQ (a.getPixels (), memory);
    SkBitmap b (a);
    EXPECT_EQ (b.pixelRef (), ref);
    EXPECT_EQ (ref->getRefCnt (), 2u);
    EXPECT_EQ (b.getPixels (), nullptr);
    EXPECT_EQ (b.lockCount (), 0);
    b.lockPixels ();
    EXPECT_EQ (ref->fLocks, 1);
    EXPECT_EQ (ref->getLockCount (), 2u);
    EXPECT_EQ (b.getPixels (), memory);
    a.unlockPixels ();
    EXPECT_EQ (ref->fUnlocks, 0);
    b.unlockPixels ();
    EXPECT_EQ (ref->fUnlocks, 1);
    EXPECT_EQ (b.getPixels (), nullptr);
    b.unlockPixels ();                    // an extra unlock does nothing
    EXPECT_EQ (ref->fUnlocks, 1);
    // An offset moves the pixels; freeing a locked bitmap unlocks the ref once.
    b.setPixelRef (ref, 8);
    b.lockPixels ();
    EXPECT_EQ (b.getPixels (), (void *)&memory[2]);
    b.freePixels ();
    EXPECT_EQ (ref->fUnlocks, 2);
    EXPECT_EQ (ref->getRefCnt (), 1u);
}

// The colour table follows the ref's while locked and is dropped when unlocked.
TEST (SkBitmapPixels, ColorTableComesFromTheLockedRef)
{
    SkPMColor colors[2] = { 0xFF000000, 0xFFFFFFFF };
    SkColorTable *table = SkColorTable::Create (colors, 2);
    uint8_t memory[4] = { 0, 1, 1, 0 };
    CountingPixelRef *ref = new CountingPixelRef (memory, table);
    SkBitmap bm;
    bm.setConfig (SkBitmap::kIndex8_Config, 2, 2);
    bm.setPixelRef (ref)->unref ();
    EXPECT_EQ (bm.getColorTable (), nullptr);
    bm.lockPixels ();
    EXPECT_EQ (bm.getColorTable (), table);
    EXPECT_EQ (table->getRefCnt (), 2u);
    bm.unlockPixels ();
    EXPECT_EQ (bm.getColorTable (), nullptr);
    EXPECT_EQ (table->getRefCnt (), 1u);
    table->unref ();
}

// Subset (5, 5, 15, 15) of a 10 x 10 RGB565 bitmap: 5 x 5 at byte offset 5 * 20 + 10.
TEST (SkBitmapSubset, AddressOfSubset)
{
    SkBitmap bm;
    bm.setConfig (SkBitmap::kRGB_565_Config, 10, 10);
    ASSERT_TRUE (bm.allocPixels ());
    SkBitmap sub;
    ASSERT_TRUE (bm.extractSubset (&sub, SkIRect::MakeLTRB (5, 5, 15, 15)));
    EXPECT_EQ (sub.width (), 5);
    EXPECT_EQ (sub.height (), 5);
    EXPECT_EQ (sub.rowBytes (), 20u);
    EXPECT_EQ (sub.pixelRef (), bm.pixelRef ());
    EXPECT_EQ (sub.pixelRefOffset (), 110u);
    sub.lockPixels ();
    EXPECT_EQ ((uint8_t *)sub.getPixels (), (uint8_t *)bm.getPixels () + 110);
    sub.unlockPixels ();
    EXPECT_FALSE (bm.extractSubset (&sub, SkIRect::MakeLTRB (10, 0, 20, 5)));
    EXPECT_FALSE (bm.extractSubset (&sub, SkIRect::MakeLTRB (3, 3, 3, 8)));

    uint8_t pixels[64] = { 0 };
    SkBitmap raw;
    raw.setConfig (SkBitmap::kA8_Config, 8, 8);
    raw.setPixels (pixels);
    ASSERT_TRUE (raw.extractSubset (&sub, SkIRect::MakeLTRB (2, 3, 4, 4)));
    EXPECT_EQ (sub.getPixels (), pixels + 26);
    SkBitmap a1;
    a1.setConfig (SkBitmap::kA1_Config, 8, 8);
    a1.setPixels (pixels);
    EXPECT_FALSE (a1.extractSubset (&sub, SkIRect::MakeWH (2, 2)));
    SkBitmap nothing;
    nothing.setConfig (SkBitmap::kA8_Config, 8, 8);
    EXPECT_FALSE (nothing.extractSubset (&sub, SkIRect::MakeWH (2, 2)));
}

// A run-length subset is decoded into Index8 pixels with the source's colour table.
TEST (SkBitmapSubset, RunLengthSubsetIsDecoded)
{
    SkPMColor colors[4] = { 0xFF000000, 0xFF0000FF, 0xFF00FF00, 0xFFFF0000 };
    SkColorTable *table = SkColorTable::Create (colors, 4);
    uint8_t row0[] = { 0x03, 0x01, 0x83, 0x02, 0x03, 0x00, 0x00 };   // 1 1 1 1 2 3 0 0
    uint8_t row1[] = { 0x07, 0x03 };                                   // 3 x 8
    uint8_t *rows[2] = { row0, row1 };
    SkBitmap::RLEPixels rle = { 2, rows };
    SkBitmap bm;
    bm.setConfig (SkBitmap::kRLE_Index8_Config, 8, 2, 8);
    bm.setPixels (&rle, table);
    SkBitmap sub;
    ASSERT_TRUE (bm.extractSubset (&sub, SkIRect::MakeLTRB (3, 0, 6, 2)));
    EXPECT_EQ (sub.config (), SkBitmap::kIndex8_Config);
    EXPECT_EQ (sub.getColorTable (), table);
    EXPECT_EQ (*sub.getAddr8 (0, 0), 1);
    EXPECT_EQ (*sub.getAddr8 (1, 0), 2);
    EXPECT_EQ (*sub.getAddr8 (2, 0), 3);
    EXPECT_EQ (*sub.getAddr8 (2, 1), 3);
    SkBitmap copy;
    ASSERT_TRUE (bm.copyTo (&copy));
    EXPECT_EQ (*copy.getAddr32 (4, 0), 0xFF00FF00u);
    EXPECT_EQ (*copy.getAddr32 (7, 1), 0xFFFF0000u);
    table->unref ();
}

TEST (SkBitmapContents, IsOpaqueByConfig)
{
    SkBitmap bm;
    EXPECT_TRUE (bm.isOpaque ());   // config none
    bm.setConfig (SkBitmap::kRGB_565_Config, 1, 1);
    EXPECT_TRUE (bm.isOpaque ());
    bm.setConfig (SkBitmap::kARGB_8888_Config, 1, 1);
    EXPECT_FALSE (bm.isOpaque ());
    bm.setIsOpaque (true);
    EXPECT_TRUE (bm.isOpaque ());
    SkColorTable *table = SkColorTable::Create (nullptr, 2);
    uint8_t px = 0;
    bm.setConfig (SkBitmap::kIndex8_Config, 1, 1);
    EXPECT_FALSE (bm.isOpaque ());   // no table
    bm.setPixels (&px, table);
    EXPECT_FALSE (bm.isOpaque ());
    table->setFlags (SkColorTable::kColorsAreOpaque_Flag);
    EXPECT_TRUE (bm.isOpaque ());
    table->unref ();
}

// Each row is cleared for its width only; padding between rows is left alone.
TEST (SkBitmapContents, EraseTransparentClearsRows)
{
    std::vector<uint32_t> memory (3 * 4, 0xDEADBEEF);
    SkBitmap bm;
    bm.setConfig (SkBitmap::kARGB_8888_Config, 3, 3, 16);
    bm.setPixels (memory.data ());
    bm.eraseTransparent ();
    for (int y = 0; y < 3; y++) {
        for (int x = 0; x < 3; x++) EXPECT_EQ (memory[y * 4 + x], 0u);
        EXPECT_EQ (memory[y * 4 + 3], 0xDEADBEEFu);
    }
    std::vector<uint16_t> m16 (2 * 5, 0xBEEF);
    bm.setConfig (SkBitmap::kRGB_565_Config, 4, 2, 10);
    bm.setPixels (m16.data ());
    bm.eraseTransparent ();
    EXPECT_EQ (m16[3], 0);
    EXPECT_EQ (m16[4], 0xBEEF);
    std::vector<uint8_t> m1 (2 * 3, 0xFF);
    bm.setConfig (SkBitmap::kA1_Config, 9, 2, 3);
    bm.setPixels (m1.data ());
    bm.eraseTransparent ();
    EXPECT_EQ (m1, (std::vector<uint8_t>{ 0, 0, 0xFF, 0, 0, 0xFF }));
    std::vector<uint8_t> idx (4, 7);
    bm.setConfig (SkBitmap::kIndex8_Config, 2, 2);
    bm.setPixels (idx.data ());
    bm.eraseTransparent ();                      // Index8 is left alone
    EXPECT_EQ (idx[0], 7);
}

TEST (SkBitmapContents, CopyPixelsFromNeedsTheSafeSize)
{
    SkBitmap bm;
    bm.setConfig (SkBitmap::kA8_Config, 3, 2, 4);
    ASSERT_TRUE (bm.allocPixels ());
    uint8_t src[7] = { 1, 2, 3, 9, 4, 5, 6 };
    EXPECT_FALSE (bm.copyPixelsFrom (src, 6));
    EXPECT_FALSE (bm.copyPixelsFrom (nullptr, 7));
    ASSERT_TRUE (bm.copyPixelsFrom (src, 7));
    EXPECT_EQ (*bm.getAddr8 (2, 1), 6);
    EXPECT_EQ (*bm.getAddr8 (3, 0), 9);
}

namespace {

// The ARGB8888 pixels copyTo makes of width x height pixels of config (row bytes 0: the
// minimum); opaque says whether the source is marked opaque and receives whether the copy
// is. No pixels when it refuses.
std::vector<uint32_t> copied (SkBitmap::Config config, int width, int height, void *pixels, int rowBytes = 0,
                              SkColorTable *table = nullptr, bool *opaque = nullptr)
{
    SkBitmap bm, dst;
    bm.setConfig (config, width, height, rowBytes);
    bm.setPixels (pixels, table);
    bm.setIsOpaque (opaque != nullptr && *opaque);
    if (!bm.copyTo (&dst)) return {};
    EXPECT_EQ (dst.config (), SkBitmap::kARGB_8888_Config);
    EXPECT_EQ (dst.rowBytes (), 4u * width);
    if (opaque != nullptr) *opaque = dst.isOpaque ();
    return std::vector<uint32_t> (dst.getAddr32 (0, 0), dst.getAddr32 (0, 0) + width * height);
}

} // namespace

// Copies to ARGB8888 convert each format directly, into minimal rows; A1 and none are refused.
TEST (SkBitmapContents, CopyToConvertsEveryFormat)
{
    uint16_t p565[2] = { SkPackRGB16 (31, 0, 1), SkPackRGB16 (0, 63, 16) };
    bool opaque = false;
    EXPECT_EQ (copied (SkBitmap::kRGB_565_Config, 2, 1, p565, 0, nullptr, &opaque), (std::vector<uint32_t>{ 0xFFFF0008, 0xFF00FF84 }));
    EXPECT_TRUE (opaque);
    uint16_t p4444[1] = { SkPackARGB4444 (0x8, 0x8, 0x4, 0x0) };
    opaque = false;
    EXPECT_EQ (copied (SkBitmap::kARGB_4444_Config, 1, 1, p4444, 0, nullptr, &opaque), (std::vector<uint32_t>{ 0x88884400 }));
    EXPECT_FALSE (opaque);
    uint8_t a8[2] = { 0x40, 0xFF };
    EXPECT_EQ (copied (SkBitmap::kA8_Config, 2, 1, a8), (std::vector<uint32_t>{ 0x40000000, 0xFF000000 }));
    // Index8 past the table's end is transparent, not read; without a table it is refused.
    SkPMColor colors[2] = { 0x80800000, 0xFF00FF00 };
    SkColorTable *table = SkColorTable::Create (colors, 2);
    uint8_t idx[3] = { 1, 0, 2 };
    EXPECT_EQ (copied (SkBitmap::kIndex8_Config, 3, 1, idx, 0, table), (std::vector<uint32_t>{ 0xFF00FF00, 0x80800000, 0 }));
    EXPECT_TRUE (copied (SkBitmap::kIndex8_Config, 3, 1, idx).empty ());
    table->unref ();
    uint32_t p8888[6] = { 1, 2, 0xAA, 3, 4, 0xBB };   // row bytes 12 for width 2
    EXPECT_EQ (copied (SkBitmap::kARGB_8888_Config, 2, 2, p8888, 12), (std::vector<uint32_t>{ 1, 2, 3, 4 }));
    opaque = true;                                    // minimal row bytes: one copy
    EXPECT_EQ (copied (SkBitmap::kARGB_8888_Config, 3, 2, p8888, 0, nullptr, &opaque), std::vector<uint32_t> (p8888, p8888 + 6));
    EXPECT_TRUE (opaque);
    uint8_t bits[1] = { 0xFF };
    EXPECT_TRUE (copied (SkBitmap::kA1_Config, 8, 1, bits).empty ());
    SkBitmap none, dst;
    EXPECT_FALSE (none.copyTo (&dst));
}

TEST (SkBitmapContents, MipLevels)
{
    SkBitmap bm;
    bm.setConfig (SkBitmap::kARGB_8888_Config, 8, 8);
    SkBitmap level;
    EXPECT_EQ (bm.extractMipLevel (&level, 0x40000, 0x40000), 0);   // no mip map
    SkBitmap::MipMap *mip = SkBitmap::MipMap::Alloc (3);
    uint32_t l1[16], l2[4];
    mip->fLevels[1] = { l1, 16, 4, 4 };
    mip->fLevels[2] = { l2, 8, 2, 2 };
    bm.setMipMap (mip);
    EXPECT_EQ (mip->fRefCnt, 2u);
    EXPECT_EQ (bm.extractMipLevel (&level, 0x18000, 0x10000), 0);
    EXPECT_EQ (bm.extractMipLevel (&level, 0x20000, -0x10000), 1);
    EXPECT_EQ (level.width (), 4);
    EXPECT_EQ (level.getPixels (), l1);
    EXPECT_EQ (bm.extractMipLevel (&level, 0x10000, -0x40000), 2);
    EXPECT_EQ (level.rowBytes (), 8u);
    EXPECT_EQ (bm.extractMipLevel (nullptr, 0x1000000, 0), 2);      // capped at the last level
    SkBitmap copy (bm);
    EXPECT_EQ (mip->fRefCnt, 3u);
    copy.reset ();
    EXPECT_EQ (mip->fRefCnt, 2u);
    bm.setMipMap (nullptr);
    EXPECT_EQ (mip->fRefCnt, 1u);
    sk_free (mip);
}
