// Memory and file streams, and the file layer's built-in files.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <vector>

#include "graphics/port/SkPortFile.h"
#include "graphics/port/SkStream.h"

namespace {

std::vector<uint8_t> ReadHostFile (const char *path)
{
    std::ifstream in (path, std::ios::binary);
    return std::vector<uint8_t> (std::istreambuf_iterator<char> (in), {});
}

// The embedded font is the font file the build cut, byte for byte.
TEST (SkPortFileTest, BuiltInNameOpensTheEmbeddedFontAtItsSize)
{
    SkPortFile *file = SkFileOpenForRead (kSkEmbeddedFontName);
    ASSERT_NE (file, nullptr);
    std::vector<uint8_t> expected = ReadHostFile (SETUP_EMBEDDED_FONT_FILE);
    ASSERT_EQ (SkFileSize (file), expected.size ());
    std::vector<uint8_t> bytes (expected.size ());
    EXPECT_EQ (SkFileRead (file, bytes.data (), bytes.size ()), bytes.size ());
    EXPECT_EQ (bytes, expected);
    SkFileClose (file);
}

TEST (SkPortFileTest, NamesAreCaseSensitiveAndUnknownNamesOpenNothing)
{
    EXPECT_EQ (SkFileOpenForRead ("dejavusans.ttf"), nullptr);
    EXPECT_EQ (SkFileOpenForRead ("DEJAVUSANS.TTF"), nullptr);
    EXPECT_EQ (SkFileOpenForRead ("nothing.ttf"), nullptr);
    EXPECT_EQ (SkFileOpenForRead (nullptr), nullptr);
}

// A read that would pass the end reads nothing and leaves the position where it was; a seek
// outside the file is refused and leaves it too.
TEST (SkPortFileTest, ReadsAreAllOrNothingAndSeeksStayInside)
{
    SkPortFile *file = SkFileOpenForRead (kSkEmbeddedFontName);
    ASSERT_NE (file, nullptr);
    size_t size = SkFileSize (file);
    EXPECT_EQ (SkFileSeek (file, 100, kSkSeekSet), EFI_SUCCESS);
    EXPECT_EQ (SkFileSeek (file, 50, kSkSeekCur), EFI_SUCCESS);
    EXPECT_EQ (SkFileTell (file), 150u);
    EXPECT_EQ (SkFileSeek (file, (int64_t)size + 1, kSkSeekSet), EFI_INVALID_PARAMETER);
    EXPECT_EQ (SkFileSeek (file, -151, kSkSeekCur), EFI_INVALID_PARAMETER);
    EXPECT_EQ (SkFileSeek (file, 0, 3), EFI_INVALID_PARAMETER);
    EXPECT_EQ (SkFileTell (file), 150u);
    ASSERT_EQ (SkFileSeek (file, (int64_t)size - 6, kSkSeekSet), EFI_SUCCESS);
    uint8_t buffer[10];
    EXPECT_EQ (SkFileRead (file, buffer, 10), 0u);
    EXPECT_EQ (SkFileTell (file), size - 6);
    EXPECT_EQ (SkFileRead (file, buffer, 6), 6u);
    EXPECT_EQ (SkFileSeek (file, 0, kSkSeekEnd), EFI_SUCCESS);
    EXPECT_EQ (SkFileTell (file), size);
    SkFileClose (file);
}

TEST (SkStreamTest, MemoryStreamReadsWhatIsLeftThenNothing)
{
    const uint8_t bytes[10] = { 0, 1, 2, 3, 4, 5, 6, 7, 8, 9 };
    SkMemoryStream stream (bytes, sizeof bytes);
    EXPECT_EQ (stream.getLength (), 10u);
    EXPECT_EQ (stream.getMemoryBase (), bytes);
    uint8_t buffer[20] = {};
    EXPECT_EQ (stream.read (buffer, 20), 10u);
    EXPECT_EQ (buffer[9], 9);
    EXPECT_EQ (stream.read (buffer, 20), 0u);
    EXPECT_TRUE (stream.rewind ());
    EXPECT_EQ (stream.skip (4), 4u);
    EXPECT_EQ (stream.read (buffer, 0), 0u);
    EXPECT_EQ (stream.read (buffer, 1), 1u);
    EXPECT_EQ (buffer[0], 4);
    EXPECT_EQ (stream.getFileName (), nullptr);
}

TEST (SkStreamTest, SetMemoryCopiesWhenAsked)
{
    uint8_t bytes[3] = { 7, 8, 9 };
    SkMemoryStream stream (nullptr, 0);
    ASSERT_TRUE (stream.setMemory (bytes, sizeof bytes, true));
    EXPECT_NE (stream.getMemoryBase (), bytes);
    bytes[0] = 0;
    uint8_t first = 0;
    EXPECT_EQ (stream.read (&first, 1), 1u);
    EXPECT_EQ (first, 7);
}

TEST (SkStreamTest, FileStreamSkipsBySeekingAndRewinds)
{
    SkFileStream stream (kSkEmbeddedFontName);
    ASSERT_TRUE (stream.isValid ());
    EXPECT_STREQ (stream.getFileName (), kSkEmbeddedFontName);
    size_t size = stream.getLength ();
    EXPECT_GT (size, 150u);
    uint8_t head[50];
    EXPECT_EQ (stream.read (head, 50), 50u);
    EXPECT_EQ (stream.skip (100), 100u);
    uint8_t byte;
    ASSERT_EQ (stream.read (&byte, 1), 1u);
    std::vector<uint8_t> all = ReadHostFile (SETUP_EMBEDDED_FONT_FILE);
    EXPECT_EQ (byte, all[150]);
    EXPECT_EQ (stream.skip (size), 0u);
    EXPECT_TRUE (stream.rewind ());
    EXPECT_EQ (stream.read (&byte, 1), 1u);
    EXPECT_EQ (byte, all[0]);
}

TEST (SkStreamTest, FileStreamWithoutAFileIsEmpty)
{
    SkFileStream missing ("nothing.ttf");
    EXPECT_FALSE (missing.isValid ());
    EXPECT_EQ (missing.getLength (), 0u);
    EXPECT_FALSE (missing.rewind ());
    uint8_t byte;
    EXPECT_EQ (missing.read (&byte, 1), 0u);
    SkFileStream none (nullptr);
    EXPECT_FALSE (none.isValid ());
}

} // namespace
