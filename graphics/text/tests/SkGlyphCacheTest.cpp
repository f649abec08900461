// Glyph caches: look-ups and their hashes, reuse by descriptor, the budget and the purge.
#include <gtest/gtest.h>

#include "TextTestSupport.h"
#include "graphics/text/SkGlyphCache.h"

namespace {

using TextTest::MakePaint;

// A descriptor holding only the record of paint.
struct Key {
    alignas (4) uint8_t storage[SkDescriptor::kHeaderSize + SkDescriptor::kEntryHeaderSize + sizeof (SkScalerContext::Rec)];
    explicit Key (const SkPaint &paint)
    {
        SkScalerContext::Rec rec;
        SkScalerContext::MakeRec (paint, nullptr, &rec);
        desc ()->init ();
        desc ()->addEntry (kRec_SkDescriptorTag, sizeof (rec), &rec);
        desc ()->computeChecksum ();
    }
    SkDescriptor *desc () { return (SkDescriptor *)storage; }
};

// Caches at sizes first, first + 1, ... with the images of the characters from to to; their
// sizes, oldest first.
std::vector<uint64_t> fill_caches (int count, float first, SkUnichar from, SkUnichar to)
{
    std::vector<uint64_t> sizes;
    for (int i = 0; i < count; i++) {
        SkAutoGlyphCache cache (MakePaint (first + (float)i).detachCache (nullptr));
        for (SkUnichar code = from; code <= to; code++) cache.get ()->findImage (cache.get ()->getUnicharMetrics (code));
        sizes.push_back (cache.get ()->getMemoryUsed ());
    }
    return sizes;
}

class SkGlyphCacheTest : public ::testing::Test {
protected:
    void SetUp () override { SkGlyphCache::PurgeAll (); }
    void TearDown () override { SkGlyphCache::PurgeAll (); }
};

TEST_F (SkGlyphCacheTest, SameDescriptorGivesTheSameCache)
{
    Key key (MakePaint (12));
    SkGlyphCache *first = SkGlyphCache::DetachCache (key.desc ());
    ASSERT_NE (first, nullptr);
    size_t empty = first->getMemoryUsed ();
    EXPECT_GT (empty, 0u);
    EXPECT_EQ (SkGlyphCache::GetTotalMemory (), 0u);    // charged once attached
    SkGlyphCache::AttachCache (first);
    EXPECT_EQ (SkGlyphCache::GetTotalMemory (), empty);
    SkGlyphCache *again = SkGlyphCache::DetachCache (key.desc ());
    EXPECT_EQ (again, first);
    EXPECT_EQ (SkGlyphCache::GetTotalMemory (), 0u);     // in use, off the list
    SkGlyphCache::AttachCache (again);
    // Only the checksum word differs: a new cache.
    Key other (MakePaint (12));
    ((uint32_t *)other.storage)[0] ^= 1;
    SkGlyphCache *different = SkGlyphCache::DetachCache (other.desc ());
    EXPECT_NE (different, first);
    SkGlyphCache::AttachCache (different);
    EXPECT_EQ (SkGlyphCache::CountCaches (), 2);
}

// Visiting with a procedure that returns false leaves the cache on the list, charged.
TEST_F (SkGlyphCacheTest, VisitWithoutKeepingReturnsNull)
{
    Key key (MakePaint (13));
    std::vector<size_t> visits;
    SkGlyphCache *kept = SkGlyphCache::VisitCache (
        key.desc (),
        [] (const SkGlyphCache *cache, void *context) {
            ((std::vector<size_t> *)context)->push_back (cache->getMemoryUsed ());
            return false;
        },
        &visits);
    EXPECT_EQ (kept, nullptr);
    ASSERT_EQ (visits.size (), 1u);
    EXPECT_EQ (SkGlyphCache::CountCaches (), 1);
    EXPECT_EQ (SkGlyphCache::GetTotalMemory (), visits[0]);
}

// 0x41 and 0x100040 share character-hash slot 0x41; both stay in the glyph array, each
// record charged once, and finding one again charges nothing.
TEST_F (SkGlyphCacheTest, CharactersSharingASlotEvictEachOther)
{
    SkAutoGlyphCache cache (MakePaint (12).detachCache (nullptr));
    SkGlyphCache *c = cache.get ();
    size_t empty = c->getMemoryUsed ();
    const SkGlyph &a = c->getUnicharAdvance (0x41);
    size_t record = c->getMemoryUsed () - empty;
    EXPECT_GT (record, 0u);
    c->getUnicharAdvance (0x100040);
    EXPECT_EQ (c->countGlyphs (), 2);
    EXPECT_EQ (&c->getUnicharAdvance (0x41), &a);
    EXPECT_EQ (c->countGlyphs (), 2);
    EXPECT_EQ (c->advanceOnlyCount (), 2u);
    EXPECT_EQ (c->getMemoryUsed (), empty + 2 * record);
}

// An advance look-up then a metrics look-up compute the metrics once, on the same record.
TEST_F (SkGlyphCacheTest, AdvanceThenMetricsReusesTheRecord)
{
    SkAutoGlyphCache cache (MakePaint (12).detachCache (nullptr));
    SkGlyphCache *c = cache.get ();
    const SkGlyph &advance = c->getUnicharAdvance ('k');
    EXPECT_TRUE (advance.isJustAdvance ());
    const SkGlyph &full = c->getUnicharMetrics ('k');
    EXPECT_EQ (&full, &advance);
    EXPECT_FALSE (full.isJustAdvance ());
    c->getUnicharMetrics ('k');
    EXPECT_EQ (c->fullMetricsCount (), 1u);
    EXPECT_EQ (c->advanceOnlyCount (), 1u);
    EXPECT_EQ (c->countGlyphs (), 1);
}

// Glyph-id look-ups have their own hash: glyph id 0x41 is not the character 'A'.
TEST_F (SkGlyphCacheTest, GlyphIdsAndCharactersDoNotShareSlots)
{
    SkAutoGlyphCache cache (MakePaint (12).detachCache (nullptr));
    SkGlyphCache *c = cache.get ();
    const SkGlyph &letter = c->getUnicharMetrics ('A');
    const SkGlyph &byId = c->getGlyphIDMetrics (0x41);
    EXPECT_NE (letter.getGlyphID (), 0x41);
    EXPECT_EQ (byId.getGlyphID (), 0x41);
    EXPECT_EQ (&c->getGlyphIDMetrics (letter.getGlyphID ()), &letter);
    const SkGlyph &quarter = c->getGlyphIDMetrics (0x41, 0x4000, 0);
    EXPECT_NE (&quarter, &byId);
    EXPECT_EQ (quarter.getSubX (), 1u);
}

TEST_F (SkGlyphCacheTest, ImagesAreChargedToTheCache)
{
    SkAutoGlyphCache cache (MakePaint (20).detachCache (nullptr));
    SkGlyphCache *c = cache.get ();
    const SkGlyph &glyph = c->getUnicharMetrics ('M');
    uint64_t before = c->getMemoryUsed ();
    const void *image = c->findImage (glyph);
    ASSERT_NE (image, nullptr);
    EXPECT_EQ (c->getMemoryUsed (), before + glyph.rowBytes () * glyph.fHeight);
    EXPECT_EQ (c->findImage (glyph), image);
    EXPECT_EQ (glyph.rowBytes () % 4, 0u);
    const SkGlyph &space = c->getUnicharMetrics (' ');
    EXPECT_EQ (space.fWidth, 0);
    EXPECT_EQ (c->findImage (space), nullptr);
}

// A glyph 8192 pixels wide or more gets no image.
TEST_F (SkGlyphCacheTest, HugeGlyphGetsNoImage)
{
    SkAutoGlyphCache cache (MakePaint (10000, 0xFF808080).detachCache (nullptr));
    const SkGlyph &glyph = cache.get ()->getUnicharMetrics ('W');
    EXPECT_GT (glyph.fWidth, 8192);
    EXPECT_EQ (cache.get ()->findImage (glyph), nullptr);
}

// A glyph whose rectangle leaves the 16-bit fields gets no size rather than a wrapped one,
// and an advance past 16.16's reach is pinned, not wrapped.
TEST_F (SkGlyphCacheTest, GlyphsPastSixteenBitsHaveNoSize)
{
    SkAutoGlyphCache cache (MakePaint (40000, 0xFF808080).detachCache (nullptr));
    const SkGlyph &glyph = cache.get ()->getUnicharMetrics ('W');
    EXPECT_EQ (glyph.fWidth, 0);
    EXPECT_EQ (glyph.fHeight, 0);
    EXPECT_EQ (glyph.fAdvanceX, INT32_MAX);
    EXPECT_GT (cache.get ()->getUnicharMetrics ('.').fAdvanceX, 0);
    EXPECT_EQ (cache.get ()->findImage (glyph), nullptr);
}

// Attaching a fresh cache that takes the total a little past the budget purges: it aims at
// a quarter of the total, so it frees from the least recently used end until that much is
// freed or nothing is left.
TEST_F (SkGlyphCacheTest, AttachPastTheBudgetFreesAQuarter)
{
    std::vector<uint64_t> sizes = fill_caches (4, 30, 'A', 'Z');
    uint64_t real = sizes[0] + sizes[1] + sizes[2] + sizes[3];
    ASSERT_EQ (SkGlyphCache::GetTotalMemory (), real);
    SkGlyphCache *fresh = SkGlyphCache::DetachCache (Key (MakePaint (7)).desc ());
    uint64_t freshSize = fresh->getMemoryUsed ();
    // Other caches' memory stands in for the rest: the fresh cache passes the budget by a
    // byte, and the four real caches are far below a quarter of the total, so all of them go.
    uint64_t before = SkGlyphCache::kBudget - freshSize + 1;
    ASSERT_LT (real, before / 4);
    SkGlyphCache::SetTotalMemoryForTesting ((size_t)before);
    SkGlyphCache::AttachCache (fresh);
    EXPECT_EQ (SkGlyphCache::CountCaches (), 1);
    EXPECT_EQ (SkGlyphCache::GetTotalMemory (), before - real + freshSize);
}

// The purge stops as soon as the freed memory reaches its target, oldest caches first.
TEST_F (SkGlyphCacheTest, PurgeFreesLeastRecentlyUsedFirst)
{
    std::vector<uint64_t> sizes = fill_caches (8, 20, 'a', 'z');
    uint64_t total = SkGlyphCache::GetTotalMemory ();
    uint64_t need = sizes[0] + 1;          // more than the oldest cache alone
    uint64_t target = std::max<uint64_t> (need, total / 4);
    uint64_t expected = 0;
    int freedCaches = 0;
    while (expected < target) {
        expected += sizes[freedCaches++];
    }
    EXPECT_EQ (SkGlyphCache::InternalFreeCache ((size_t)need), expected);
    EXPECT_EQ (SkGlyphCache::CountCaches (), 8 - freedCaches);
    EXPECT_EQ (SkGlyphCache::GetTotalMemory (), total - expected);
    // The newest caches stayed: drawing at their size finds them again.
    SkAutoGlyphCache newest (MakePaint (27).detachCache (nullptr));
    EXPECT_EQ (newest.get ()->getMemoryUsed (), sizes[7]);
}

// Many sizes in turn: the list never holds more than the budget.
TEST_F (SkGlyphCacheTest, ChurnOfSizesStaysWithinTheBudget)
{
    const char16_t text[] = u"The quick brown fox jumps over the lazy dog 0123456789";
    for (int round = 0; round < 2; round++) {
        for (int size = 8; size < 72; size += 1) {
            SkAutoGlyphCache cache (MakePaint ((float)size).detachCache (nullptr));
            for (char16_t ch : text) {
                cache.get ()->findImage (cache.get ()->getUnicharMetrics (ch));
            }
        }
        EXPECT_LE (SkGlyphCache::GetTotalMemory (), SkGlyphCache::kBudget);
    }
    EXPECT_GT (SkGlyphCache::CountCaches (), 0);
    EXPECT_TRUE (SkGlyphCache::PurgeAll ());
    EXPECT_FALSE (SkGlyphCache::PurgeAll ());
    EXPECT_EQ (SkGlyphCache::GetTotalMemory (), 0u);
}

TEST_F (SkGlyphCacheTest, AuxProceduresRunWhenTheCacheIsFreed)
{
    int runs = 0;
    {
        SkAutoGlyphCache cache (MakePaint (12).detachCache (nullptr));
        ASSERT_TRUE (cache.get ()->addAuxProc ([] (void *data) { ++*(int *)data; }, &runs));
    }
    EXPECT_EQ (runs, 0);
    SkGlyphCache::PurgeAll ();
    EXPECT_EQ (runs, 1);
}

TEST (SkGlyphTest, RowBytesFollowTheFormat)
{
    SkGlyph glyph;
    glyph.initWithID (1);
    glyph.fWidth = 9;
    glyph.fHeight = 2;
    const std::pair<SkMask::Format, size_t> rows[] = {
        { SkMask::kBW_Format, 2 }, { SkMask::kA8_Format, 12 }, { SkMask::kARGB32_Format, 36 }, { SkMask::kLCD16_Format, 20 }
    };
    for (auto [format, rowBytes] : rows) {
        glyph.fMaskFormat = format;
        EXPECT_EQ (glyph.rowBytes (), rowBytes) << format;
    }
    glyph.fMaskFormat = SkMask::k3D_Format;
    EXPECT_EQ (glyph.computeImageSize (), 12u * 2 * 3);
    EXPECT_EQ (SkGlyph::MakeID (0x41, 0x1C000, 0x8000), 0x41u | (3u << 26) | (2u << 24));
}

} // namespace
