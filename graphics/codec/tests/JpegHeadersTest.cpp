// The baseline JPEG decoder's header rules on patched copies of one 4:4:4 file: what is
// refused (16-bit tables, other component counts, zero sides, tables that overrun their
// segment or are missing, markers out of place, code lists past their room), under both
// ways of finding the markers.
#include <graphics/codec/JpegBaseline.h>

#include <Fixtures.h>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace {

// Offsets in the file: two quantisation segments, the frame header, four Huffman
// segments (DC luma first, AC chroma last), the scan header.
const size_t kQuant0 = 0x14, kQuant1 = 0x59, kFrame = 0x9E, kHuffmanDcLuma = 0xB1, kHuffmanAcChroma = 0x139, kScan = 0x185;

std::vector<uint8_t> Original () { return Fixtures::Read ("images/jpeg/go/video-001.jpeg"); }

bool Accepted (const std::vector<uint8_t> &File, JpegMarkerWalk Walk)
{
    auto Decoder = std::make_unique<JpegBaselineDecoder> ();
    return JpegReadHeaders (Decoder.get (), File.data (), File.size (), Walk);
}

// A Huffman segment of one table whose Count codes are all Length bits long.
std::vector<uint8_t> OneLengthTable (uint8_t ClassId, int Length, int Count)
{
    std::vector<uint8_t> Segment = { 0xFF, 0xC4, 0, (uint8_t)(2 + 17 + Count), ClassId };
    for (int L = 1; L <= 16; L++) {
        Segment.push_back (L == Length ? (uint8_t)Count : 0);
    }
    for (int i = 0; i < Count; i++) {
        Segment.push_back ((uint8_t)i);
    }
    return Segment;
}

// File with the segment at At (its marker) replaced by Segment.
std::vector<uint8_t> WithSegment (std::vector<uint8_t> File, size_t At, const std::vector<uint8_t> &Segment)
{
    size_t Length = 2 + ((size_t)File[At + 2] << 8 | File[At + 3]);
    File.erase (File.begin () + (long)At, File.begin () + (long)(At + Length));
    File.insert (File.begin () + (long)At, Segment.begin (), Segment.end ());
    return File;
}

TEST (JpegHeaders, PatchedFramesTablesAndScansAreRefusedUnderBothWalks)
{
    std::vector<uint8_t> File = Original ();
    ASSERT_EQ (File[kFrame + 1], 0xC0);
    ASSERT_EQ (File[kScan + 1], 0xDA);
    const struct {
        const char *what;
        size_t at;
        uint8_t value;
    } kPatches[] = {
        { "16-bit luma table", kQuant0 + 4, 0x10 },
        { "16-bit chroma table", kQuant1 + 4, 0x11 },
        { "chroma table id 2, none with id 1", kQuant1 + 4, 0x02 },
        { "one component in the frame", kFrame + 9, 1 },
        { "four components in the frame", kFrame + 9, 4 },
        { "height 0", kFrame + 5, 0 },
        { "luma sampling 2 x 1", kFrame + 11, 0x21 },
        { "chroma sampling 2 x 2", kFrame + 14, 0x22 },
        { "one component in the scan", kScan + 4, 1 },
        { "more DC luma codes than the segment holds", kHuffmanDcLuma + 5 + 15, 5 },
        { "a quantisation segment one byte short", kQuant0 + 3, 66 },
        { "a table of class 2", kHuffmanAcChroma + 4, 0x20 },
    };
    for (JpegMarkerWalk Walk : { kJpegWalkSegments, kJpegScanForMarkers }) {
        EXPECT_TRUE (Accepted (File, Walk));
        for (const auto &Patch : kPatches) {
            SCOPED_TRACE (Patch.what);
            std::vector<uint8_t> Patched = File;
            Patched[Patch.at] = Patch.value;
            if (Patch.at == kFrame + 5) {
                Patched[Patch.at + 1] = 0;
            }
            EXPECT_FALSE (Accepted (Patched, Walk)) << Walk;
        }
    }
}

TEST (JpegHeaders, TablesOfAnEarlierImageAreNotKept)
{
    std::vector<uint8_t> File = Original ();
    std::vector<uint8_t> NoChromaTable = File;
    NoChromaTable[kQuant1 + 4] = 0x02;
    auto Decoder = std::make_unique<JpegBaselineDecoder> ();
    ASSERT_TRUE (JpegReadHeaders (Decoder.get (), File.data (), File.size (), kJpegWalkSegments));
    EXPECT_FALSE (JpegReadHeaders (Decoder.get (), NoChromaTable.data (), NoChromaTable.size (), kJpegWalkSegments));
}

TEST (JpegHeaders, SegmentWalkRefusesBytesOtherThanAMarkerBetweenSegments)
{
    for (auto [At, Value] : { std::pair<size_t, uint8_t> (kQuant0, 0x00), std::pair<size_t, uint8_t> (kQuant0 + 1, 0x00),
                              std::pair<size_t, uint8_t> (kQuant0 + 1, 0xFF), std::pair<size_t, uint8_t> (kQuant0 + 1, 0xDC),
                              std::pair<size_t, uint8_t> (kQuant0 + 1, 0xD9) }) {
        SCOPED_TRACE (At * 256 + Value);
        std::vector<uint8_t> Patched = Original ();
        Patched[At] = Value;
        EXPECT_FALSE (Accepted (Patched, kJpegWalkSegments));
    }
}

// A DC list holds 15 codes and its end entry, an AC list 169 and its end entry.
TEST (JpegHeaders, CodeListsLongerThanTheirRoomAreRefused)
{
    std::vector<uint8_t> File = Original ();
    EXPECT_TRUE (Accepted (WithSegment (File, kHuffmanDcLuma, OneLengthTable (0x00, 5, 15)), kJpegWalkSegments));
    EXPECT_FALSE (Accepted (WithSegment (File, kHuffmanDcLuma, OneLengthTable (0x00, 5, 16)), kJpegWalkSegments));
    EXPECT_TRUE (Accepted (WithSegment (File, kHuffmanAcChroma, OneLengthTable (0x11, 8, 169)), kJpegWalkSegments));
    EXPECT_FALSE (Accepted (WithSegment (File, kHuffmanAcChroma, OneLengthTable (0x11, 8, 170)), kJpegWalkSegments));
    // Three codes of one bit do not exist.
    EXPECT_FALSE (Accepted (WithSegment (File, kHuffmanDcLuma, OneLengthTable (0x00, 1, 3)), kJpegWalkSegments));
}

}  // namespace
