// Reading filter shaders from corrupt data: the inner objects must be of the right family,
// each record is read once, and nesting is bounded. The byte strings are inputs that once
// crashed, ran for minutes or exhausted the stack.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "graphics/effects/SkColorFilter.h"
#include "graphics/effects/SkShader.h"
#include "graphics/effects/SkXfermode.h"
#include "graphics/flatten/tests/SkFlattenTestSupport.h"

namespace {

int gFilterShaderReads = 0;

SkFlattenable *CountedFilterShader (SkFlattenableReadBuffer &buffer)
{
    gFilterShaderReads++;
    return SkFilterShader::CreateProc (buffer);
}

// Indices as written by a factory set: -1 the colour shader, -2 a transfer mode, -3 the
// filter shader.
struct Reader {
    SkFlattenable::Factory fFactories[3] = { SkColorShader::CreateProc, SkProcCoeffXfermode::CreateProc,
                                             CountedFilterShader };
    std::vector<uint8_t> fBytes;
    SkFlattenableReadBuffer fBuffer;

    explicit Reader (std::vector<uint8_t> bytes) : fBytes (std::move (bytes)), fBuffer (fBytes.data (), fBytes.size ())
    {
        fBuffer.setFactoryArray (fFactories, 3);
        gFilterShaderReads = 0;
    }
};

void append (std::vector<uint8_t> &bytes, uint32_t word)
{
    for (int i = 0; i < 4; i++) bytes.push_back ((uint8_t)(word >> (8 * i)));
}

} // namespace

// A filter shader whose inner "shader" and "filter" are transfer modes: they were cast to
// a shader and a colour filter and called as such.
TEST (SkFilterShaderRead, InnerObjectsOfAnotherFamilyAreRefused)
{
    Reader reader (hex ("fdffffff1c00000000000000feffffff0400000000000000feffffff0400000000000000"));
    EXPECT_EQ (reader.fBuffer.readFlattenable (), nullptr);
    EXPECT_TRUE (reader.fBuffer.failed ());

    // The same with whole transfer-mode records (procedure word, mode 5), which read back
    // as transfer modes before the filter shader refuses them.
    const char *mode = "feffffff0c000000000000000000000005000000";
    Reader whole (hex (std::string ("fdffffff2c00000000000000") + mode + mode));
    EXPECT_EQ (whole.fBuffer.readFlattenable (), nullptr);
    EXPECT_TRUE (whole.fBuffer.failed ());
    EXPECT_EQ (gFilterShaderReads, 1);
}

// The same record with a colour shader and a colour filter in it reads back.
TEST (SkFilterShaderRead, WellFormedRecordReadsBack)
{
    struct Filter : SkColorFilter {
        static SkFlattenable *CreateProc (SkFlattenableReadBuffer &buffer)
        {
            buffer.readU32 ();
            return new Filter;
        }
    };
    Reader reader (hex ("fdffffff2400000000000000ffffffff0c00000000000000000000003020ffff"
                        "fcffffff0400000000000000"));
    SkFlattenable::Factory factories[4] = { SkColorShader::CreateProc, SkProcCoeffXfermode::CreateProc,
                                            CountedFilterShader, Filter::CreateProc };
    reader.fBuffer.setFactoryArray (factories, 4);
    SkFlattenable *back = reader.fBuffer.readFlattenable ();
    ASSERT_NE (back, nullptr);
    EXPECT_EQ (back->getFlattenableType (), SkFlattenable::kShader_Type);
    EXPECT_FALSE (reader.fBuffer.failed ());
    EXPECT_TRUE (reader.fBuffer.eof ());
    back->unref ();
}

// Forty filter shaders of 4 bytes each: every one read its inner objects from the records
// after its own, and the reader then went back to read those records again, 2^40 reads.
TEST (SkFilterShaderRead, EachRecordIsReadOnce)
{
    std::vector<uint8_t> bytes;
    for (int i = 0; i < 40; i++) {
        std::vector<uint8_t> record = hex ("fdffffff0400000000000000");
        bytes.insert (bytes.end (), record.begin (), record.end ());
    }
    bytes.insert (bytes.end (), 32, 0);
    Reader reader (bytes);
    for (int i = 0; i < 41 && !reader.fBuffer.eof (); i++) {
        SkSafeUnref (reader.fBuffer.readFlattenable ());
    }
    EXPECT_TRUE (reader.fBuffer.failed ());
    EXPECT_LE (gFilterShaderReads, 40);
}

// 20,000 filter shaders, each the inner shader of the one before: the read stops at the
// depth limit instead of running out of stack.
TEST (SkFilterShaderRead, DeepNestingStopsAtTheLimit)
{
    const int levels = 20000;
    std::vector<uint32_t> bodySize (levels);
    // Innermost: no local matrix, a null shader, and a transfer mode as its filter.
    bodySize[levels - 1] = 4 + 4 + 12;
    for (int i = levels - 2; i >= 0; i--) bodySize[i] = 4 + (8 + bodySize[i + 1]) + 12;
    std::vector<uint8_t> bytes;
    for (int i = 0; i < levels; i++) {
        append (bytes, (uint32_t)-3);
        append (bytes, bodySize[i]);
        append (bytes, 0);
    }
    append (bytes, 0);
    for (int i = 0; i < levels; i++) {
        append (bytes, (uint32_t)-2);
        append (bytes, 4);
        append (bytes, 0);
    }
    Reader reader (bytes);
    EXPECT_EQ (reader.fBuffer.readFlattenable (), nullptr);
    EXPECT_TRUE (reader.fBuffer.failed ());
    EXPECT_LE (gFilterShaderReads, SkFlattenableReadBuffer::kMaxDepth);
}
