// Registries, ref-count sets, and the byte layouts of flattened objects.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "graphics/flatten/SkFlattenable.h"
#include "graphics/flatten/tests/SkFlattenTestSupport.h"

namespace {

// A flattenable with three words of data, registered under a 16-character name.
class Blur : public SkFlattenable {
public:
    Blur (uint32_t a, uint32_t b, uint32_t c) : fA (a), fB (b), fC (c) {}
    Factory getFactory () override { return Create; }
    void flatten (SkFlattenableWriteBuffer &buffer) override
    {
        buffer.write32 (fA);
        buffer.write32 (fB);
        buffer.write32 (fC);
    }
    static SkFlattenable *Create (SkFlattenableReadBuffer &buffer)
    {
        uint32_t a = buffer.readU32 ();
        uint32_t b = buffer.readU32 ();
        uint32_t c = buffer.readU32 ();
        return new Blur (a, b, c);
    }
    uint32_t fA, fB, fC;
};

class Other : public SkFlattenable {
public:
    Factory getFactory () override { return Create; }
    void flatten (SkFlattenableWriteBuffer &buffer) override { buffer.write32 (77); }
    static SkFlattenable *Create (SkFlattenableReadBuffer &buffer)
    {
        buffer.readU32 ();
        return new Other;
    }
};

class NoFactory : public SkFlattenable {};

struct Counted : public SkRefCnt {};

// Holds one reference and drops it at the end of the scope.
struct Unref {
    void operator() (SkRefCnt *obj) const { SkSafeUnref (obj); }
};
template <typename T> using Ref = std::unique_ptr<T, Unref>;

class Flatten : public ::testing::Test {
protected:
    void SetUp () override
    {
        SkFlattenable::ResetRegistryForTests ();
        SkFlattenable::Register ("SkBlurMaskFilter", Blur::Create);
        SkFlattenable::Register ("Other", Other::Create);
    }
    void TearDown () override { SkRestoreStartupRegistrationsForTests (); }

    // The writer holds the only reference to its set, as a caller that hands one over would.
    static void RecordFactories (SkFlattenableWriteBuffer &writer, bool inlineNames)
    {
        SkFactorySet *set = new SkFactorySet;
        writer.setFactoryRecorder (set);
        set->unref ();
        if (inlineNames) writer.setFlags (SkFlattenableWriteBuffer::kInlineFactoryNames_Flag);
    }
};

} // namespace

// Later registrations of a name win; names come back by factory.
TEST_F (Flatten, LaterRegistrationWins)
{
    EXPECT_EQ (SkFlattenable::NameToFactory ("Other"), &Other::Create);
    SkFlattenable::Register ("Other", Blur::Create);
    EXPECT_EQ (SkFlattenable::NameToFactory ("Other"), &Blur::Create);
    EXPECT_STREQ (SkFlattenable::FactoryToName (Blur::Create), "Other");
    EXPECT_EQ (SkFlattenable::NameToFactory ("Oth"), nullptr);
    EXPECT_EQ (SkFlattenable::NameToFactory (nullptr), nullptr);
}

TEST_F (Flatten, RegistryHoldsSixtyFourEntries)
{
    SkFlattenable::ResetRegistryForTests ();
    for (int i = 0; i < 64; i++) EXPECT_TRUE (SkFlattenable::Register ("x", Other::Create));
    EXPECT_FALSE (SkFlattenable::Register ("y", Other::Create));
    SkPixelRefRegistryResetForTests ();
    auto pr = [] (SkFlattenableReadBuffer &) -> SkPixelRef * { return nullptr; };
    for (int i = 0; i < 16; i++) EXPECT_TRUE (SkPixelRefRegistryRegister ("p", pr));
    EXPECT_FALSE (SkPixelRefRegistryRegister ("q", pr));
    EXPECT_EQ (SkPixelRefRegistryFind ("p", 1), pr);
    SkPixelRefRegistryResetForTests ();
}

// Three distinct objects get 1, 2, 3; the first again gets 1 without another reference.
TEST (SkRefCntSet, IndicesInOrderOfFirstAddition)
{
    Counted *objs[3] = { new Counted, new Counted, new Counted };
    SkRefCntSet *set = new SkRefCntSet;
    EXPECT_EQ (set->add (objs[2]), 1u);
    EXPECT_EQ (set->add (objs[0]), 2u);
    EXPECT_EQ (set->add (objs[1]), 3u);
    EXPECT_EQ (objs[2]->getRefCnt (), 2u);
    EXPECT_EQ (set->add (objs[2]), 1u);
    EXPECT_EQ (objs[2]->getRefCnt (), 2u);
    EXPECT_EQ (set->add (nullptr), 0u);
    EXPECT_EQ (set->count (), 3);
    EXPECT_EQ (set->find (objs[0]), 2u);
    void *array[3];
    set->copyToArray (array);
    EXPECT_EQ (array[0], objs[2]);
    EXPECT_EQ (array[2], objs[1]);
    set->unref ();   // drops the set's references
    for (Counted *c : objs) {
        EXPECT_EQ (c->getRefCnt (), 1u);
        c->unref ();
    }
}

// Pointers whose low 32 bits coincide (or whose difference overflows 32 bits) are still told
// apart: the order is the full pointer value.
TEST (SkRefCntSet, PointersDifferingOnlyInHighBitsStayDistinct)
{
    SkFactorySet *set = new SkFactorySet;
    std::vector<uintptr_t> ptrs = { 0x100000010, 0x200000010, 0x10, 0x80000000, 0x7FFFFFF0,
                                    0x180000000, 0xFFFFFFFF00000000ull };
    for (size_t i = 0; i < ptrs.size (); i++) {
        EXPECT_EQ (set->add ((SkFlattenable::Factory)ptrs[i]), i + 1);
    }
    for (size_t i = 0; i < ptrs.size (); i++) {
        EXPECT_EQ (set->find ((SkFlattenable::Factory)ptrs[i]), i + 1);
    }
    set->unref ();
}

// A null object without sets writes 8 zero bytes; reading returns null without a size.
TEST_F (Flatten, NullObjectWithoutSetsIsEightZeroBytes)
{
    SkFlattenableWriteBuffer writer;
    writer.writeFlattenable (nullptr);
    NoFactory *none = new NoFactory;
    writer.writeFlattenable (none);
    none->unref ();
    writer.write32 (0xABCD);
    EXPECT_EQ (words_of (writer), (std::vector<uint32_t>{ 0, 0, 0, 0, 0xABCD }));
    std::vector<uint32_t> words = words_of (writer);
    SkFlattenableReadBuffer reader (words.data (), words.size () * 4);
    EXPECT_EQ (reader.readFlattenable (), nullptr);
    EXPECT_EQ (reader.offset (), 8u);
    EXPECT_EQ (reader.readFlattenable (), nullptr);
    EXPECT_EQ (reader.readU32 (), 0xABCDu);
}

// Without a factory set the procedure address is written, and read back in this program.
TEST_F (Flatten, AddressFormRoundTrips)
{
    SkFlattenableWriteBuffer writer;
    Blur *blur = new Blur (1, 2, 3);
    writer.writeFlattenable (blur);
    blur->unref ();
    std::vector<uint32_t> words = words_of (writer);
    ASSERT_EQ (words.size (), 6u);
    EXPECT_EQ (words[0] | ((uint64_t)words[1] << 32), (uint64_t)(uintptr_t)&Blur::Create);
    EXPECT_EQ (words[2], 12u);
    SkFlattenableReadBuffer reader (words.data (), words.size () * 4);
    Blur *back = (Blur *)reader.readFlattenable ();
    ASSERT_NE (back, nullptr);
    EXPECT_EQ (back->fC, 3u);
    EXPECT_EQ (back->getRefCnt (), 1u);
    back->unref ();
}

// With a factory set and names off, objects of one class write -1 both times.
TEST_F (Flatten, FactorySetWritesNegatedIndices)
{
    SkFlattenableWriteBuffer writer;
    RecordFactories (writer, false);
    Ref<Blur> a (new Blur (1, 2, 3));
    Ref<Other> o (new Other);
    writer.writeFlattenable (a.get ());
    writer.writeFlattenable (a.get ());
    writer.writeFlattenable (o.get ());
    writer.writeFlattenable (nullptr);
    std::vector<uint32_t> words = words_of (writer);
    EXPECT_EQ (words, (std::vector<uint32_t>{ (uint32_t)-1, 12, 1, 2, 3, (uint32_t)-1, 12, 1, 2, 3, (uint32_t)-2, 4, 77, 0 }));
    // Reading through the fixed factory array of that set.
    SkFlattenable::Factory factories[2] = { Blur::Create, Other::Create };
    SkFlattenableReadBuffer reader (words.data (), words.size () * 4);
    reader.setFactoryArray (factories, 2);
    Ref<SkFlattenable> r1 (reader.readFlattenable ()), r2 (reader.readFlattenable ()), r3 (reader.readFlattenable ());
    ASSERT_TRUE (r1 && r2 && r3);
    EXPECT_EQ (r1->getFactory (), (SkFlattenable::Factory)Blur::Create);
    EXPECT_EQ (((Blur *)r2.get ())->fC, 3u);
    EXPECT_EQ (r3->getFactory (), (SkFlattenable::Factory)Other::Create);   // index -2: the second entry
    EXPECT_EQ (reader.readFlattenable (), nullptr);
    EXPECT_TRUE (reader.eof ());
}

// With inline names: the name the first time (40 bytes for a 16-character name and 12 bytes
// of data), -1 the second time (20 bytes).
TEST_F (Flatten, InlineNamesThenIndices)
{
    SkFlattenableWriteBuffer writer;
    RecordFactories (writer, true);
    Ref<Blur> a (new Blur (7, 8, 9));
    writer.writeFlattenable (a.get ());
    EXPECT_EQ (writer.size (), 40u);
    writer.writeFlattenable (a.get ());
    EXPECT_EQ (writer.size (), 60u);
    std::vector<uint32_t> words = words_of (writer);
    EXPECT_EQ (words[0], 16u);
    EXPECT_EQ (memcmp (&words[1], "SkBlurMaskFilter\0\0\0\0", 20), 0);
    EXPECT_EQ (std::vector<uint32_t> (words.begin () + 6, words.end ()), (std::vector<uint32_t>{ 12, 7, 8, 9, (uint32_t)-1, 12, 7, 8, 9 }));

    SkTDArray<SkFlattenable::Factory> list;
    SkFlattenableReadBuffer reader (words.data (), words.size () * 4);
    reader.setFactoryList (&list);
    Ref<SkFlattenable> b1 (reader.readFlattenable ()), b2 (reader.readFlattenable ());
    ASSERT_TRUE (b1 && b2);
    EXPECT_EQ (((Blur *)b2.get ())->fA, 7u);
    EXPECT_EQ (list.count (), 1);
}

// An unregistered name is skipped by its recorded size; it keeps its slot in the list so
// later indices still match the writer's.
TEST_F (Flatten, UnknownNameIsSkipped)
{
    SkFlattenableWriteBuffer writer;
    RecordFactories (writer, true);
    Ref<Blur> a (new Blur (1, 2, 3));
    Ref<Other> o (new Other);
    writer.writeFlattenable (a.get ());
    writer.writeFlattenable (o.get ());
    writer.writeFlattenable (o.get ());
    writer.write32 (0x5EED);
    std::vector<uint32_t> words = words_of (writer);
    SkFlattenable::ResetRegistryForTests ();
    SkFlattenable::Register ("Other", Other::Create);
    SkTDArray<SkFlattenable::Factory> list;
    SkFlattenableReadBuffer reader (words.data (), words.size () * 4);
    reader.setFactoryList (&list);
    EXPECT_EQ (reader.readFlattenable (), nullptr);
    Ref<SkFlattenable> o1 (reader.readFlattenable ()), o2 (reader.readFlattenable ());
    EXPECT_TRUE (o1 && o2);
    EXPECT_EQ (reader.readU32 (), 0x5EEDu);
    EXPECT_FALSE (reader.failed ());
}

// A class whose factory has no registered name writes a zero and nothing else.
TEST_F (Flatten, NamelessFactoryWritesZero)
{
    SkFlattenable::ResetRegistryForTests ();
    SkFlattenableWriteBuffer writer;
    RecordFactories (writer, true);
    Blur *a = new Blur (1, 2, 3);
    writer.writeFlattenable (a);
    a->unref ();
    EXPECT_EQ (words_of (writer), (std::vector<uint32_t>{ 0 }));
}

// Truncated or corrupt input never reads past the end.
TEST_F (Flatten, ReadsStopAtTheEnd)
{
    uint32_t words[3] = { (uint32_t)-1, 100, 0 };
    SkFlattenable::Factory factories[1] = { Blur::Create };
    SkFlattenableReadBuffer reader (words, sizeof (words));
    reader.setFactoryArray (factories, 1);
    EXPECT_EQ (reader.readFlattenable (), nullptr);   // size 100 > what is left
    EXPECT_TRUE (reader.failed ());
    EXPECT_EQ (reader.readU32 (), 0u);

    uint32_t bad[4] = { (uint32_t)-5, 4, 9, 0 };           // index past the array
    SkFlattenableReadBuffer r2 (bad, sizeof (bad));
    r2.setFactoryArray (factories, 1);
    EXPECT_EQ (r2.readFlattenable (), nullptr);
    EXPECT_EQ (r2.offset (), 12u);

    uint32_t name[2] = { 200, 0x41414141 };                 // name longer than the buffer
    SkTDArray<SkFlattenable::Factory> list;
    SkFlattenableReadBuffer r3 (name, sizeof (name));
    r3.setFactoryList (&list);
    EXPECT_EQ (r3.readFlattenable (), nullptr);
    EXPECT_TRUE (r3.failed ());
}

// The bytes are there but their padding is not: the read fails and clears what the caller
// asked for, not a byte more.
TEST (SkFlattenableReadBuffer, PaddedReadShortOfItsPaddingClearsOnlyTheCallersBytes)
{
    const uint8_t data[6] = { 1, 2, 3, 4, 5, 6 };
    uint8_t dst[8] = { 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE };
    SkFlattenableReadBuffer reader (data, sizeof (data));
    EXPECT_FALSE (reader.readPad (dst, 5));
    EXPECT_TRUE (reader.failed ());
    EXPECT_TRUE (reader.eof ());
    EXPECT_EQ (std::vector<uint8_t> (dst, dst + 8),
               (std::vector<uint8_t>{ 0, 0, 0, 0, 0, 0xEE, 0xEE, 0xEE }));
}

TEST_F (Flatten, RefCntIndicesRoundTrip)
{
    SkFlattenableWriteBuffer writer;
    Counted *c = new Counted;
    writer.writeRefCnt (c);                 // no set: 0
    SkRefCntSet *set = new SkRefCntSet;
    writer.setRefCntRecorder (set);
    writer.writeRefCnt (c);
    writer.writeRefCnt (c);
    EXPECT_EQ (words_of (writer), (std::vector<uint32_t>{ 0, 1, 1 }));
    std::vector<uint32_t> words = words_of (writer);
    SkRefCnt *array[1] = { c };
    SkFlattenableReadBuffer reader (words.data (), words.size () * 4);
    reader.setRefCntArray (array, 1);
    EXPECT_EQ (reader.readRefCnt (), nullptr);
    EXPECT_EQ (reader.readRefCnt (), c);
    set->unref ();
    c->unref ();
}

namespace {

int gNeverCalled = 0;

SkFlattenable *NotAFactory (SkFlattenableReadBuffer &)
{
    gNeverCalled++;
    return nullptr;
}

// Holds another flattenable (or none): each level reads the next one inside its record.
class Nest : public SkFlattenable {
public:
    explicit Nest (SkFlattenable *inner) : fInner (inner) {}
    ~Nest () override { SkSafeUnref (fInner); }
    Factory getFactory () override { return Create; }
    void flatten (SkFlattenableWriteBuffer &buffer) override { buffer.writeFlattenable (fInner); }
    static SkFlattenable *Create (SkFlattenableReadBuffer &buffer) { return new Nest (buffer.readFlattenable ()); }
    int depth () const { return 1 + (fInner != nullptr ? ((Nest *)fInner)->depth () : 0); }
    SkFlattenable *fInner;
};

// Reads one word more than its record holds.
class Greedy : public SkFlattenable {
public:
    Factory getFactory () override { return Create; }
    void flatten (SkFlattenableWriteBuffer &buffer) override { buffer.write32 (1); }
    static SkFlattenable *Create (SkFlattenableReadBuffer &buffer)
    {
        buffer.readU32 ();
        buffer.readU32 ();
        return new Greedy;
    }
};

// With a factory set the one class is written as index 1.
std::vector<uint32_t> nested_words (int levels, bool withFactorySet)
{
    Nest *top = nullptr;
    for (int i = 0; i < levels; i++) top = new Nest (top);
    SkFlattenableWriteBuffer writer;
    if (withFactorySet) {
        SkFactorySet *set = new SkFactorySet;
        writer.setFactoryRecorder (set);
        set->unref ();
    }
    writer.writeFlattenable (top);
    SkSafeUnref (top);
    return words_of (writer);
}

} // namespace

// A stored or corrupt buffer holds an address that is no factory of this program: it is
// never called, and the buffer fails.
TEST_F (Flatten, AddressThatIsNoKnownFactoryFailsTheBuffer)
{
    const uint64_t address = (uint64_t)(uintptr_t)&NotAFactory;
    uint32_t words[5] = { (uint32_t)address, (uint32_t)(address >> 32), 4, 7, 0x5EED };
    SkFlattenableReadBuffer reader (words, sizeof (words));
    EXPECT_EQ (reader.readFlattenable (), nullptr);
    EXPECT_TRUE (reader.failed ());
    EXPECT_EQ (gNeverCalled, 0);

    uint32_t wild[4] = { 0x41414141, 0x41414141, 0, 0 };
    SkFlattenableReadBuffer r2 (wild, sizeof (wild));
    EXPECT_EQ (r2.readFlattenable (), nullptr);
    EXPECT_TRUE (r2.failed ());
}

// A factory without a name (as the colour and filter shaders have) is known once this
// program wrote it by address, and reads back.
TEST_F (Flatten, UnnamedFactoryWrittenByAddressReadsBack)
{
    EXPECT_EQ (SkFlattenable::FactoryToName (Greedy::Create), nullptr);
    EXPECT_EQ (SkFlattenable::AddressToFactory ((uint64_t)(uintptr_t)&Nest::Create), nullptr);
    std::vector<uint32_t> words = nested_words (2, false);
    EXPECT_EQ (SkFlattenable::AddressToFactory ((uint64_t)(uintptr_t)&Nest::Create), &Nest::Create);
    SkFlattenableReadBuffer reader (words.data (), words.size () * 4);
    Nest *back = (Nest *)reader.readFlattenable ();
    ASSERT_NE (back, nullptr);
    EXPECT_EQ (back->depth (), 2);
    EXPECT_FALSE (reader.failed ());
    back->unref ();
}

// A factory that reads past its recorded size fails the buffer instead of reading the next
// object's bytes (which the reader would then read a second time).
TEST_F (Flatten, FactoryReadsStopAtTheEndOfItsRecord)
{
    SkFlattenable::Factory factories[1] = { Greedy::Create };
    uint32_t words[5] = { (uint32_t)-1, 4, 1, 0x5EED, 0x5EED };
    SkFlattenableReadBuffer reader (words, sizeof (words));
    reader.setFactoryArray (factories, 1);
    SkFlattenable *obj = reader.readFlattenable ();
    SkSafeUnref (obj);
    EXPECT_TRUE (reader.failed ());
    EXPECT_EQ (reader.readU32 (), 0u);
}

TEST_F (Flatten, NestingStopsAtTheDepthLimit)
{
    SkFlattenable::Factory array[1] = { Nest::Create };
    std::vector<uint32_t> deepest = nested_words (SkFlattenableReadBuffer::kMaxDepth, true);
    SkFlattenableReadBuffer reader (deepest.data (), deepest.size () * 4);
    reader.setFactoryArray (array, 1);
    Nest *back = (Nest *)reader.readFlattenable ();
    ASSERT_NE (back, nullptr);
    EXPECT_EQ (back->depth (), SkFlattenableReadBuffer::kMaxDepth);
    EXPECT_FALSE (reader.failed ());
    back->unref ();

    std::vector<uint32_t> deeper = nested_words (SkFlattenableReadBuffer::kMaxDepth + 1, true);
    SkFlattenableReadBuffer r2 (deeper.data (), deeper.size () * 4);
    r2.setFactoryArray (array, 1);
    SkSafeUnref (r2.readFlattenable ());
    EXPECT_TRUE (r2.failed ());
}
