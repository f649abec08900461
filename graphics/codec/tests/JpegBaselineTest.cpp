// The baseline JPEG decoder's paths to the same pixels agree (forms, marker walks, sinks,
// the coefficient lookup), it takes and refuses files by their markers, and its inverse
// transform rounds as the exact one does.
#include <graphics/codec/JpegBaseline.h>
#include <graphics/core/SkProcForm.h>

#include <Fixtures.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Decoded {
    bool headers = false, scan = false;
    std::vector<uint8_t> pixels;  // the whole sink, 0xA5 in every byte the decoder must not write
};

// Decodes Data into a sink of PixelBytes a pixel, blue, green and red at 2, 1 and 0, the
// rest of each pixel 0xA5. The sink is cut to the picture, so rows and columns cut by its
// edges are covered. Without the lookup of whole coefficients, every code goes through the
// symbol decoder.
Decoded Decode (const std::vector<uint8_t> &Data, JpegMarkerWalk Walk, uint32_t PixelBytes, bool Lookup = true)
{
    Decoded Out;
    auto Decoder = std::make_unique<JpegBaselineDecoder> ();
    if (!JpegReadHeaders (Decoder.get (), Data.data (), Data.size (), Walk)) {
        return Out;
    }
    if (!Lookup) {
        for (JpegHuffmanTable &Table : Decoder->huffman) {
            std::fill (std::begin (Table.coefficient), std::end (Table.coefficient), 0);
        }
    }
    uint32_t Columns = (Decoder->width + 15u) & ~15u, Rows = (Decoder->height + 15u) & ~15u;
    Out.pixels.assign ((size_t)Columns * Rows * PixelBytes, 0xA5);
    for (size_t i = 0; i < Out.pixels.size (); i += PixelBytes) {
        Out.pixels[i] = Out.pixels[i + 1] = Out.pixels[i + 2] = 0;
    }
    JpegPixelSink Sink = { Out.pixels.data (), (size_t)Columns * PixelBytes, PixelBytes, 2, 1, 0, Decoder->width, Decoder->height };
    Out.headers = true;
    Out.scan = JpegDecodeScan (Decoder.get (), &Sink);
    return Out;
}

bool operator== (const Decoded &A, const Decoded &B)
{
    return A.headers == B.headers && A.scan == B.scan && A.pixels == B.pixels;
}

// Copies of a file with bytes of its scan replaced, from a fixed seed: corrupt data drives
// the clamping of coefficients and the wrapping of predictors and samples.
std::vector<uint8_t> Damaged (std::vector<uint8_t> Data, uint32_t Seed, int Bytes = 24)
{
    auto Decoder = std::make_unique<JpegBaselineDecoder> ();
    if (!JpegReadHeaders (Decoder.get (), Data.data (), Data.size (), kJpegWalkSegments)) {
        return Data;
    }
    size_t   Scan = Decoder->scan, Span = Data.size () - 2 - Scan;
    uint32_t State = Seed * 2654435761u + 1;
    for (int i = 0; (i < Bytes) && (Span > 0); i++) {
        State = State * 1103515245u + 12345u;
        size_t At = Scan + (State >> 8) % Span;
        State = State * 1103515245u + 12345u;
        Data[At] = (uint8_t)(State >> 16);
    }
    return Data;
}

const char *const kFixtures[] = {
    "jpeg/go/video-001.jpeg",         "jpeg/go/video-001.q50.420.jpeg", "jpeg/go/video-001.q50.444.jpeg",
    "jpeg/gen/rstrow-444.jpg",        "jpeg/gen/rst2mcu-444-q.jpg",     "jpeg/gen/tiny-1x1-420.jpg",
    "jpeg/gen/trunc-scan-420.jpg",    "jpeg/gen/rst1mcu-420.jpg",       "jpeg/gen/bad-scan-garbage.jpg",
    "jpeg/imdoc/sprite.jpg",          "jpeg/imdoc/reconstruct.jpg",     "jpeg/imdoc/frame.jpg",
    "jpeg/imdoc/wizard.jpg",          "jpeg/imdoc/objects.jpg",         "jpeg/imdoc/imade_art2.jpg",
    "jpeg/imdoc/logo.jpg",            "jpeg/imdoc/montage.jpg",         "jpeg/imdoc/sponsor.jpg",
};

Decoded DecodeIn (SkProcForm Form, const std::vector<uint8_t> &Data, JpegMarkerWalk Walk, uint32_t PixelBytes)
{
    SkProcForm Was = SkSetProcForm (Form);
    Decoded Out = Decode (Data, Walk, PixelBytes);
    SkSetProcForm (Was);
    return Out;
}

// The accuracy of the decoded pixels is the libjpeg comparison's; here every way to the
// same pixels must give the same bytes: the vector form as the plain one (on damaged
// copies too, whose corrupt codes drive the clamping of coefficients and the wrapping of
// predictors and samples), the marker search as the segment walk where it takes the file,
// and a 4-byte sink as a 3-byte one, its fourth byte untouched.
TEST (JpegBaseline, EveryFormWalkAndSinkDecodesTheSameBytes)
{
    for (const char *Name : kFixtures) {
        SCOPED_TRACE (Name);
        std::vector<uint8_t> Data = Fixtures::Read (std::string ("images/") + Name);
        Decoded Plain = DecodeIn (kPortable_SkProcForm, Data, kJpegWalkSegments, 3);
        EXPECT_EQ (DecodeIn (kVector_SkProcForm, Data, kJpegWalkSegments, 3), Plain);
        for (SkProcForm Form : { kPortable_SkProcForm, kVector_SkProcForm }) {
            Decoded Searched = DecodeIn (Form, Data, kJpegScanForMarkers, 3);
            EXPECT_TRUE (!Searched.headers || (Searched == Plain)) << "form " << Form;
            Decoded Wide = DecodeIn (Form, Data, kJpegWalkSegments, 4);
            ASSERT_EQ (Wide.pixels.size (), Plain.pixels.size () / 3 * 4);
            for (size_t i = 0, j = 0; i < Plain.pixels.size (); i += 3, j += 4) {
                ASSERT_TRUE (std::equal (&Plain.pixels[i], &Plain.pixels[i + 3], &Wide.pixels[j]) && (Wide.pixels[j + 3] == 0xA5))
                    << "form " << Form << " pixel " << i / 3;
            }
        }
        for (uint32_t Seed = 1; Seed <= 6; Seed++) {
            std::vector<uint8_t> Copy = Damaged (Data, Seed);
            EXPECT_EQ (DecodeIn (kVector_SkProcForm, Copy, kJpegWalkSegments, 4), DecodeIn (kPortable_SkProcForm, Copy, kJpegWalkSegments, 4))
                << "seed " << Seed;
        }
    }
}

// What the decoder takes and what it reports: one-component pictures are refused, the
// marker search refuses a restart interval, a scan that ends early or meets garbage is a
// failure; restart markers change nothing of the picture, so the files that carry them
// decode to exactly the bytes of the same picture without them.
TEST (JpegBaseline, TakesRefusesAndReportsByTheFilesMarkers)
{
    struct Case {
        const char *name;
        bool segments, search, scan;
        const char *samePictureAs;
    };
    const Case kCases[] = {
        { "jpeg/imdoc/objects.jpg", false, false, false, nullptr },
        { "jpeg/imdoc/wizard.jpg", false, false, false, nullptr },
        { "jpeg/gen/rstrow-444.jpg", true, false, true, "jpeg/go/video-001.q50.444.jpeg" },
        { "jpeg/gen/rst2mcu-444-q.jpg", true, false, true, "jpeg/go/video-001.jpeg" },
        { "jpeg/gen/rst1mcu-420.jpg", true, false, true, "jpeg/go/video-001.q50.420.jpeg" },
        { "jpeg/gen/trunc-scan-420.jpg", true, true, false, nullptr },
        { "jpeg/gen/bad-scan-garbage.jpg", true, true, false, nullptr },
        { "jpeg/imdoc/logo.jpg", true, true, true, nullptr },
    };
    for (const Case &C : kCases) {
        SCOPED_TRACE (C.name);
        std::vector<uint8_t> Data = Fixtures::Read (std::string ("images/") + C.name);
        Decoded Walked = Decode (Data, kJpegWalkSegments, 3);
        EXPECT_EQ (Walked.headers, C.segments);
        EXPECT_EQ (Walked.scan, C.scan);
        EXPECT_EQ (Decode (Data, kJpegScanForMarkers, 3).headers, C.search);
        if (C.samePictureAs != nullptr) {
            EXPECT_EQ (Walked, Decode (Fixtures::Read (std::string ("images/") + C.samePictureAs), kJpegWalkSegments, 3));
        }
    }
}

// An 8x8 picture of three 1x1 components: the luma block holds a DC difference and one
// AC coefficient at zig-zag position 1, each given by its size category and value, and the
// chroma blocks are empty. The luma quantizers of those two positions are given, all others
// 1. Every Huffman table gives 3-bit codes: DC sizes 0, 9, 11; AC symbols end of block,
// 0x09, 0x0A.
std::vector<uint8_t> OneBlockPicture (uint8_t DcQuant, int DcSize, uint32_t Dc, uint8_t AcQuant, int AcSize, uint32_t Ac)
{
    std::vector<uint8_t> File = { 0xFF, 0xD8, 0xFF, 0xDB, 0, 2 * 65 + 2, 0, DcQuant, AcQuant };
    File.insert (File.end (), 62, 1);
    File.push_back (1), File.insert (File.end (), 64, 1);
    File.insert (File.end (), { 0xFF, 0xC0, 0, 17, 8, 0, 8, 0, 8, 3, 1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1 });
    File.insert (File.end (), { 0xFF, 0xC4, 0, 4 * 20 + 2 });
    for (uint8_t Class : { 0x00, 0x01, 0x10, 0x11 }) {
        File.insert (File.end (), { Class, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 });
        File.insert (File.end (), { 0, (uint8_t)((Class & 0x10) ? 0x09 : 9), (uint8_t)((Class & 0x10) ? 0x0A : 11) });
    }
    File.insert (File.end (), { 0xFF, 0xDA, 0, 12, 3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0 });
    uint64_t Bits = 0;
    int      Count = 0;
    auto     Put = [&] (uint32_t Value, int Length) { Bits = (Bits << Length) | Value, Count += Length; };
    auto     Code = [] (int Size) { return (Size == 0) ? 0u : (Size == 9) ? 1u : 2u; };
    Put (Code (DcSize), 3), Put (Dc, DcSize);
    if (AcSize != 0) {
        Put (Code (AcSize), 3), Put (Ac, AcSize);
    }
    Put (0, 3), Put (0, 6), Put (0, 6);  // end of luma block, then empty chroma blocks
    Put ((1u << (8 - Count % 8)) - 1, 8 - Count % 8);
    for (int At = Count - 8; At >= 0; At -= 8) {
        File.push_back ((uint8_t)(Bits >> At));
        if (File.back () == 0xFF) {
            File.push_back (0);
        }
    }
    File.insert (File.end (), { 0xFF, 0xD9 });
    return File;
}

// A coefficient whose product with its quantizer passes 32768 is taken as 32768, the most
// the transform is made for: DC 2047 x 255 decodes as 256 x 128 does, all white (a flat
// 32768 / 8 above mid-grey); unclamped, its low 16 bits wrapped to black. The same for an
// AC coefficient, 1023 x 255 against 256 x 128.
TEST (JpegBaseline, CoefficientsPastTheTransformsRangeAreClampedToIt)
{
    Decoded Dc = Decode (OneBlockPicture (255, 11, 2047, 1, 0, 0), kJpegWalkSegments, 3);
    ASSERT_TRUE (Dc.scan);
    for (uint32_t y = 0; y < 8; y++) {
        for (uint32_t x = 0; x < 8 * 3; x++) {
            ASSERT_EQ (Dc.pixels[y * 16 * 3 + x], 255) << "row " << y << " byte " << x;
        }
    }
    EXPECT_EQ (Dc, Decode (OneBlockPicture (128, 9, 256, 1, 0, 0), kJpegWalkSegments, 3));
    Decoded Ac = Decode (OneBlockPicture (1, 0, 0, 255, 10, 1023), kJpegWalkSegments, 3);
    ASSERT_TRUE (Ac.scan);
    EXPECT_EQ (Ac, Decode (OneBlockPicture (1, 0, 0, 128, 9, 256), kJpegWalkSegments, 3));
    EXPECT_NE (Ac, Decode (OneBlockPicture (1, 0, 0, 128, 9, 255), kJpegWalkSegments, 3));
}

// The coefficient lookup is a shortcut through the symbol decoder and the magnitude reads:
// emptied, every code takes the long way, and every fixture and many damaged copies (codes
// of any length, runs past the end, sizes above 15) decode to the same bytes, the reader
// standing in the same place at each restart marker.
TEST (JpegBaseline, CoefficientLookupDecodesAsTheSymbolDecoder)
{
    for (const char *Name : kFixtures) {
        std::vector<uint8_t> Data = Fixtures::Read (std::string ("images/") + Name);
        for (uint32_t Seed = 0; Seed <= 40; Seed++) {
            std::vector<uint8_t> Copy = (Seed == 0) ? Data : Damaged (Data, Seed + 100);
            EXPECT_EQ (Decode (Copy, kJpegWalkSegments, 4), Decode (Copy, kJpegWalkSegments, 4, false)) << Name << " seed " << Seed;
        }
    }
    // Copies with a byte or two changed whose intervals end with the reader short of the
    // restart marker, where one byte more or less read decides whether the marker is seen.
    std::vector<uint8_t> Data = Fixtures::Read ("images/jpeg/gen/rst2mcu-444-q.jpg");
    for (auto [Seed, Bytes] : { std::pair (320u, 2), std::pair (708u, 2), std::pair (1000u, 1), std::pair (1289u, 1) }) {
        std::vector<uint8_t> Copy = Damaged (Data, Seed, Bytes);
        EXPECT_EQ (Decode (Copy, kJpegWalkSegments, 4), Decode (Copy, kJpegWalkSegments, 4, false)) << "seed " << Seed << " bytes " << Bytes;
    }
}

}  // namespace

namespace {

const uint8_t kZigZag[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63,
};

struct Block {
    int32_t c[64] = {};
    int last = 0;  // last zig-zag position set
};

// The transform of B in the given form, told B's last position or nothing.
std::vector<int32_t> Transformed (const Block &B, SkProcForm Form, bool KnowLast, int32_t Shift)
{
    std::vector<int32_t> Out (B.c, B.c + 64);
    SkProcForm Was = SkSetProcForm (Form);
    JpegInverseTransform (Out.data (), Shift, KnowLast ? B.last : 63);
    SkSetProcForm (Was);
    return Out;
}

// Random coefficients at the first Count zig-zag positions, each zero with the given odds,
// drawn from +-Range or, now and then, at the +-32768 limit.
Block RandomBlock (uint32_t *State, int Count, uint32_t ZeroOdds, int32_t Range)
{
    Block B;
    for (int k = 0; k < Count; k++) {
        *State = *State * 1664525u + 1013904223u;
        uint32_t r = *State >> 8;
        if (r % 100 < ZeroOdds) {
            continue;
        }
        int32_t v = (int32_t)(r >> 7) % (2 * Range + 1) - Range;
        if (r % 97 == 0) {
            v = (r & 0x40) ? 32768 : -32768;
        }
        B.c[kZigZag[k]] = v;
        B.last = (v != 0) ? k : B.last;
    }
    return B;
}

void ExpectFormsAgree (const Block &B)
{
    for (int32_t Shift : { 0, 128 }) {
        std::vector<int32_t> Full = Transformed (B, kPortable_SkProcForm, false, Shift);
        ASSERT_EQ (Transformed (B, kPortable_SkProcForm, true, Shift), Full) << "last " << B.last;
        ASSERT_EQ (Transformed (B, kVector_SkProcForm, true, Shift), Full) << "last " << B.last;
        ASSERT_EQ (Transformed (B, kVector_SkProcForm, false, Shift), Full) << "last " << B.last;
    }
}

TEST (JpegInverseTransform, VectorFormAndZeroShortcutsGiveThePlainResults)
{
    uint32_t State = 7;
    for (int i = 0; i < 4000; i++) {
        int Count = 1 + (int)((State >> 12) % 64);
        ExpectFormsAgree (RandomBlock (&State, Count, (i % 3) * 40, (i % 2) ? 2047 : 32768));
    }
}

// Dense blocks whose every coefficient is at the edge of the small range (-2048 to 2047), or
// one step past it, each sign drawn at random.
TEST (JpegInverseTransform, BlocksAtTheSmallRangesEdge)
{
    uint32_t State = 11;
    for (int i = 0; i < 2000; i++) {
        Block B;
        for (int k = 0; k < 64; k++) {
            State = State * 1664525u + 1013904223u;
            bool Negative = (State >> 20) & 1;
            int32_t Past = (i % 4 == 0) && (k == (int)((State >> 8) % 64)) ? 1 : 0;
            B.c[kZigZag[k]] = Negative ? -2048 - Past : 2047 + Past;
        }
        B.last = 63;
        ExpectFormsAgree (B);
    }
}

// The weight of coefficient u at sample x in one pass of the exact transform.
double Basis (int u, int x)
{
    return (u == 0 ? std::sqrt (0.5) : 1.0) * std::cos ((2 * x + 1) * u * 3.14159265358979323846 / 16);
}

// The transform rounds rather than floors: a block of DC alone decodes to exactly DC / 8
// for every multiple of 8 (the truncating form gave 127 for 1024), all zeros to the level
// shift alone (a uniform mid-grey stays 128), and blocks of image-like spread carry no bias
// against the exact transform.
TEST (JpegInverseTransform, RoundsToTheExactTransform)
{
    for (int32_t Value = -32768; Value < 32768; Value += 8) {
        Block Dc;
        Dc.c[0] = Value;
        std::vector<int32_t> Flat (64, Value / 8 + 128);
        ASSERT_EQ (Transformed (Dc, kPortable_SkProcForm, true, 128), Flat) << Value;
        ASSERT_EQ (Transformed (Dc, kPortable_SkProcForm, false, 128), Flat) << Value;
        ASSERT_EQ (Transformed (Dc, kVector_SkProcForm, false, 128), Flat) << Value;
    }
    Block Zero;
    EXPECT_EQ (Transformed (Zero, kPortable_SkProcForm, false, 128), std::vector<int32_t> (64, 128));
    EXPECT_EQ (Transformed (Zero, kVector_SkProcForm, false, 128), std::vector<int32_t> (64, 128));
    uint32_t State = 5;
    double Sum = 0, Count = 0, Far = 0;
    for (int i = 0; i < 1000; i++) {
        Block B;
        for (int k = 0; k < 64; k++) {
            State = State * 1664525u + 1013904223u;
            int Spread = 400 / (1 + kZigZag[k] % 8 + kZigZag[k] / 8);
            B.c[kZigZag[k]] = ((State >> 8) % 3 == 0) ? (int32_t)((State >> 12) % (2 * Spread + 1)) - Spread : 0;
        }
        B.c[0] = (int32_t)((State >> 4) % 2048) - 1024;
        std::vector<int32_t> Got = Transformed (B, kPortable_SkProcForm, false, 0);
        for (int y = 0; y < 8; y++) {
            for (int x = 0; x < 8; x++) {
                double Exact = 0;
                for (int v = 0; v < 8; v++) {
                    for (int u = 0; u < 8; u++) {
                        Exact += Basis (u, x) * Basis (v, y) * B.c[v * 8 + u];
                    }
                }
                double Error = Got[y * 8 + x] - Exact / 4;
                Sum += Error, Count++, Far += std::fabs (Error) > 2;
            }
        }
    }
    EXPECT_LT (std::fabs (Sum / Count), 0.05);
    EXPECT_LT (Far / Count, 0.01);
}

TEST (JpegInverseTransform, EdgeBlocks)
{
    for (int32_t Value : { 32768, -32768, 32767, 2048, -2049, 2047, -2048, -1, 1 }) {
        Block Dc;
        Dc.c[0] = Value;
        ExpectFormsAgree (Dc);
        Block All;
        for (int k = 0; k < 64; k++) {
            All.c[k] = ((k * 5) % 3 == 0) ? Value : -Value;
        }
        All.last = 63;
        ExpectFormsAgree (All);
        for (int k = 1; k < 64; k += 9) {
            Block One;
            One.c[kZigZag[k]] = Value;
            One.last = k;
            ExpectFormsAgree (One);
        }
    }
    // DC alone: 1024 gives 362 after the row pass and, with the column's offset and its
    // products rounded, 128 after the column pass, everywhere: the exact 1024 / 8.
    Block Dc;
    Dc.c[0] = 1024;
    std::vector<int32_t> Flat (64, 128 + 128);
    EXPECT_EQ (Transformed (Dc, kPortable_SkProcForm, true, 128), Flat);
    EXPECT_EQ (Transformed (Dc, kVector_SkProcForm, false, 128), Flat);
    // A whole row zero between others, and the bottom four rows alone.
    Block Rows;
    Rows.c[8 * 0 + 3] = -300, Rows.c[8 * 2 + 1] = 700, Rows.c[8 * 6 + 7] = 32768, Rows.last = 63;
    ExpectFormsAgree (Rows);
}

}  // namespace
