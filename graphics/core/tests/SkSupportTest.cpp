// SkData, sorted-name search, SkWriter32, SkChunkAlloc and SkTDArray.
#include <gtest/gtest.h>

#include <string>

#include "graphics/core/SkChunkAlloc.h"
#include "graphics/core/SkData.h"
#include "graphics/core/SkTDArray.h"
#include "graphics/core/SkTSearch.h"
#include "graphics/core/SkWriter32.h"

// Zero bytes with copying give the same shared blob every time, its count rising.
TEST (SkData, EmptyCopyIsSharedBlob)
{
    SkData *a = SkData::Create ("x", 0, true);
    SkData *b = SkData::Create (nullptr, 0, true);
    ASSERT_NE (a, nullptr);
    EXPECT_EQ (a, b);
    uint32_t count = a->getRefCnt ();
    SkData *c = SkData::NewEmpty ();
    EXPECT_EQ (c, a);
    EXPECT_EQ (c->getRefCnt (), count + 1);
    EXPECT_EQ (a->size (), 0u);
    a->unref ();
    b->unref ();
    c->unref ();
    EXPECT_GE (SkData::NewEmpty ()->getRefCnt (), 1u);   // the global keeps its hold
    SkData::NewEmpty ()->unref ();
}

TEST (SkData, CopyOwnsBytesAndNoCopySharesThem)
{
    char text[] = "bytes";
    SkData *copy = SkData::Create (text, 5, true);
    SkData *view = SkData::Create (text, 5, false);
    EXPECT_NE (copy->data (), (const void *)text);
    EXPECT_EQ (view->data (), (const void *)text);
    text[0] = 'B';
    EXPECT_EQ (copy->bytes ()[0], 'b');
    EXPECT_EQ (view->bytes ()[0], 'B');
    copy->unref ();
    view->unref ();
}

TEST (SkData, ReleaseProcRunsAtDeath)
{
    static int calls;
    static size_t seenSize;
    calls = 0;
    auto proc = [] (const void *, size_t size, void *ctx) { calls++; seenSize = size; *(int *)ctx = 7; };
    int ctx = 0;
    SkData *blob = SkData::CreateWithProc ("abc", 3, proc, &ctx);
    blob->unref ();
    EXPECT_EQ (calls, 1);
    EXPECT_EQ (seenSize, 3u);
    EXPECT_EQ (ctx, 7);
}

namespace {
const SkStrSearchEntry kTable[] = {
    { "arial", nullptr }, { "courier", nullptr }, { "helvetica", nullptr },
    { "sans", nullptr }, { "serif", nullptr }, { "times", nullptr },
};
const int kCount = 6;
}

// A miss returns the complement of the insertion index: a name sorting between entries 2
// and 3 gives ~3 = -4. A length limits the target: "serif" with len 3 does not match the
// entry "serif". The lower-casing search lower-cases the target only.
TEST (SkStrSearch, HitsMissesLengthsAndCase)
{
    const struct {
        const char *target;
        int len;
        bool lowerCase;
        int want;
    } rows[] = {
        { "arial", -1, false, 0 },   { "courier", -1, false, 1 }, { "helvetica", -1, false, 2 },
        { "sans", -1, false, 3 },    { "serif", -1, false, 4 },   { "times", -1, false, 5 },
        { "mono", -1, false, -4 },   { "aaa", -1, false, -1 },    { "zapf", -1, false, -7 },
        { "serif", 3, false, ~4 },   { "sansxyz", 4, false, 3 },  { "ser", 3, false, ~4 },
        { "Helvetica", -1, true, 2 }, { "TIMES", -1, true, 5 },   { "Arial", -1, true, 0 },
        { "TZ", -1, true, ~6 },      { "tz", -1, true, ~6 },      { "Mono", -1, true, -4 },
        { "Serif", -1, false, ~0 },
    };
    typedef int (*Search) (const SkStrSearchEntry[], int, const char *, int);
    const Search plain = SkStrSearch, lower = SkStrLCSearch;
    for (const auto &row : rows) {
        EXPECT_EQ ((row.lowerCase ? lower : plain) (kTable, kCount, row.target, row.len), row.want) << row.target << " " << row.len;
    }
    EXPECT_EQ (SkStrSearch (kTable, 0, "arial"), -1);
}

// Exactly 64 characters use the buffer in the call (its terminator no longer overflows);
// longer targets use the heap.
TEST (SkStrLCSearch, LongTargetsAtAndPastTheBuffer)
{
    std::string n64 (64, 'A');
    std::string n65 (65, 'A');
    std::string l64 (64, 'a');
    std::string l65 (65, 'a');
    SkStrSearchEntry table[] = { { l64.c_str (), nullptr }, { l65.c_str (), nullptr } };
    EXPECT_EQ (SkStrLCSearch (table, 2, n64.c_str ()), 0);
    EXPECT_EQ (SkStrLCSearch (table, 2, n65.c_str ()), 1);
}

TEST (SkWriter32, WritesWordsAcrossBlocks)
{
    SkWriter32 writer (16);
    for (uint32_t i = 0; i < 10; i++) {
        ASSERT_TRUE (writer.write32 (i));
    }
    EXPECT_EQ (writer.size (), 40u);
    uint32_t out[10];
    writer.flatten (out);
    for (uint32_t i = 0; i < 10; i++) {
        EXPECT_EQ (out[i], i);
    }
    EXPECT_EQ (*writer.peek32 (36), 9u);
    // A block whose free room is exactly the request takes it: four words fill one 16-byte
    // block back to back.
    SkWriter32 exact (16);
    uint32_t *slots[4];
    for (uint32_t *&slot : slots) slot = exact.reserve (4);
    EXPECT_EQ (slots[3], slots[0] + 3);
    // A reservation larger than the minimum gets a block of its own size.
    uint32_t *big = writer.reserve (64);
    ASSERT_NE (big, nullptr);
    EXPECT_EQ (writer.size (), 104u);
    writer.reset ();
    EXPECT_EQ (writer.size (), 0u);
}

// writePad zeroes the 0 to 3 padding bytes.
TEST (SkWriter32, WritePadZeroesPadding)
{
    SkWriter32 writer (1024);
    uint32_t *slot = writer.reserve (8);
    memset (slot, 0xAB, 8);
    writer.reset ();
    writer.writePad ("abcde", 5);
    writer.writePad ("", 0);
    writer.writePad ("wxyz", 4);
    EXPECT_EQ (writer.size (), 12u);
    uint8_t out[12];
    writer.flatten (out);
    const uint8_t expected[12] = { 'a', 'b', 'c', 'd', 'e', 0, 0, 0, 'w', 'x', 'y', 'z' };
    EXPECT_EQ (memcmp (out, expected, 12), 0);
}

// A single caller block takes writes in place and refuses to run past its end.
TEST (SkWriter32, SingleBlockIsBounded)
{
    uint32_t block[2] = { 0, 0 };
    SkWriter32 writer (1024);
    writer.reset (block, sizeof (block));
    EXPECT_TRUE (writer.write32 (5));
    EXPECT_TRUE (writer.write32 (6));
    EXPECT_FALSE (writer.write32 (7));
    EXPECT_EQ (block[0], 5u);
    EXPECT_EQ (block[1], 6u);
    EXPECT_EQ (writer.size (), 8u);
}

// One byte takes 4; a request larger than the minimum block gets a block of exactly its size.
TEST (SkChunkAlloc, RoundsToFourAndSizesLargeBlocks)
{
    SkChunkAlloc chunk (64);
    uint8_t *a = (uint8_t *)chunk.alloc (1);
    uint8_t *b = (uint8_t *)chunk.alloc (1);
    ASSERT_NE (a, nullptr);
    EXPECT_EQ (b - a, 4);
    EXPECT_EQ (chunk.totalCapacity (), 64u);
    EXPECT_EQ (chunk.blockCount (), 1);
    void *big = chunk.alloc (100);
    ASSERT_NE (big, nullptr);
    EXPECT_EQ (chunk.totalCapacity (), 164u);
    EXPECT_EQ (chunk.blockCount (), 2);
    // The newest block (exactly 100 bytes) is full, so the next one is new.
    uint8_t *c = (uint8_t *)chunk.alloc (4);
    EXPECT_EQ (chunk.totalCapacity (), 228u);
    // Its remaining 60 bytes take a request of exactly 60.
    EXPECT_EQ ((uint8_t *)chunk.alloc (60), c + 4);
    EXPECT_EQ (chunk.blockCount (), 3);
    chunk.reset ();
    EXPECT_EQ (chunk.totalCapacity (), 0u);
    EXPECT_EQ (chunk.blockCount (), 0);
}

// The growth rule: reserve = (count + n + 4) + (count + n + 4) / 4.
TEST (SkTDArray, GrowsByTheOneRule)
{
    SkTDArray<int> array;
    ASSERT_TRUE (array.push (1));
    EXPECT_EQ (array.reserved (), 6);
    for (int i = 2; i <= 6; i++) array.push (i);
    EXPECT_EQ (array.reserved (), 6);
    array.push (7);
    EXPECT_EQ (array.reserved (), 13);
    EXPECT_EQ (SkGrowReserve (7), 13u);
    int *slot = array.insert (0, 1);
    *slot = 0;
    EXPECT_EQ (array[0], 0);
    EXPECT_EQ (array[7], 7);
    array.remove (0, 2);
    EXPECT_EQ (array[0], 2);
    EXPECT_EQ (array.count (), 6);
    EXPECT_EQ (array.find (5), 3);
    EXPECT_EQ (array.find (42), -1);
    EXPECT_FALSE (array.growReserve (-1));
}
