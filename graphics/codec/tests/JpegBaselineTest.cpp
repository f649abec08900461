// The baseline JPEG decoder's exact output: every fixture it takes, and damaged copies of
// them, decode to the same bytes in the plain and the vector forms, and those bytes are
// the ones recorded here (a change of arithmetic, clamping or wrapping shows as a new
// digest); a 4-byte sink keeps its fourth byte.
#include <graphics/codec/JpegBaseline.h>
#include <graphics/core/SkProcForm.h>

#include <Fixtures.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

uint64_t Fnv1a (const std::vector<uint8_t> &Bytes, uint64_t Hash = 14695981039346656037ull)
{
    for (uint8_t Byte : Bytes) {
        Hash = (Hash ^ Byte) * 1099511628211ull;
    }
    return Hash;
}

// Decodes Data into a sink of PixelBytes a pixel whose other bytes hold 0xA5; the digest
// covers the whole sink and whether the scan decoded. 0 when the headers are refused.
// Without the lookup of whole coefficients, every code goes through the symbol decoder.
uint64_t DecodeDigest (const std::vector<uint8_t> &Data, JpegMarkerWalk Walk, uint32_t PixelBytes, bool Lookup = true)
{
    auto Decoder = std::make_unique<JpegBaselineDecoder> ();
    if (!JpegReadHeaders (Decoder.get (), Data.data (), Data.size (), Walk)) {
        return 0;
    }
    if (!Lookup) {
        for (JpegHuffmanTable &Table : Decoder->huffman) {
            std::fill (std::begin (Table.coefficient), std::end (Table.coefficient), 0);
        }
    }
    uint32_t Columns = (Decoder->width + 15u) & ~15u, Rows = (Decoder->height + 15u) & ~15u;
    // The visible part only, so rows and columns cut by the sink's edges are covered.
    std::vector<uint8_t> Pixels ((size_t)Columns * Rows * PixelBytes, 0xA5);
    for (size_t i = 0; i < Pixels.size (); i += PixelBytes) {
        Pixels[i] = Pixels[i + 1] = Pixels[i + 2] = 0;
    }
    JpegPixelSink Sink = { Pixels.data (), (size_t)Columns * PixelBytes, PixelBytes, 2, 1, 0, Decoder->width, Decoder->height };
    bool Ok = JpegDecodeScan (Decoder.get (), &Sink);
    return Fnv1a (Pixels, Ok ? 1 : 2);
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

// Every case's name and digest, under the form in force.
std::map<std::string, uint64_t> AllDigests ()
{
    std::map<std::string, uint64_t> Digests;
    for (const char *Name : kFixtures) {
        std::vector<uint8_t> Data = Fixtures::Read (std::string ("images/") + Name);
        for (uint32_t PixelBytes : { 3u, 4u }) {
            std::string Key = std::string (Name) + "/" + std::to_string (PixelBytes);
            Digests[Key + "/segments"] = DecodeDigest (Data, kJpegWalkSegments, PixelBytes);
            Digests[Key + "/search"]   = DecodeDigest (Data, kJpegScanForMarkers, PixelBytes);
        }
        for (uint32_t Seed = 1; Seed <= 6; Seed++) {
            Digests[std::string (Name) + "/damaged" + std::to_string (Seed)] = DecodeDigest (Damaged (Data, Seed), kJpegWalkSegments, 4);
        }
    }
    return Digests;
}

const std::map<std::string, uint64_t> kRecorded = {
    { "jpeg/gen/bad-scan-garbage.jpg/3/search", 0x1385275e5899811bull },
    { "jpeg/gen/bad-scan-garbage.jpg/3/segments", 0x1385275e5899811bull },
    { "jpeg/gen/bad-scan-garbage.jpg/4/search", 0x8939ad1b5b1a6041ull },
    { "jpeg/gen/bad-scan-garbage.jpg/4/segments", 0x8939ad1b5b1a6041ull },
    { "jpeg/gen/bad-scan-garbage.jpg/damaged1", 0x8253c91e8b7a058cull },
    { "jpeg/gen/bad-scan-garbage.jpg/damaged2", 0xaeb3bc632b42b4f8ull },
    { "jpeg/gen/bad-scan-garbage.jpg/damaged3", 0x7f3a84a6cbd33d64ull },
    { "jpeg/gen/bad-scan-garbage.jpg/damaged4", 0x3561a374b5522db5ull },
    { "jpeg/gen/bad-scan-garbage.jpg/damaged5", 0xfc82ec1eea7d7c84ull },
    { "jpeg/gen/bad-scan-garbage.jpg/damaged6", 0x3d5e40bfa23c5df1ull },
    { "jpeg/gen/rst1mcu-420.jpg/3/search", 0x0ull },
    { "jpeg/gen/rst1mcu-420.jpg/3/segments", 0x94c479603bad8f8eull },
    { "jpeg/gen/rst1mcu-420.jpg/4/search", 0x0ull },
    { "jpeg/gen/rst1mcu-420.jpg/4/segments", 0x86b55265199d59f8ull },
    { "jpeg/gen/rst1mcu-420.jpg/damaged1", 0x56890a47abc305f5ull },
    { "jpeg/gen/rst1mcu-420.jpg/damaged2", 0x8b036519fe7d18c7ull },
    { "jpeg/gen/rst1mcu-420.jpg/damaged3", 0xf2507c45c9bab740ull },
    { "jpeg/gen/rst1mcu-420.jpg/damaged4", 0x74fe5334904c6b1cull },
    { "jpeg/gen/rst1mcu-420.jpg/damaged5", 0x8b036519fe7d18c7ull },
    { "jpeg/gen/rst1mcu-420.jpg/damaged6", 0xba22f83fb8d2b999ull },
    { "jpeg/gen/rst2mcu-444-q.jpg/3/search", 0x0ull },
    { "jpeg/gen/rst2mcu-444-q.jpg/3/segments", 0x11721e3542f4f89full },
    { "jpeg/gen/rst2mcu-444-q.jpg/4/search", 0x0ull },
    { "jpeg/gen/rst2mcu-444-q.jpg/4/segments", 0x2ee5f91a20040983ull },
    { "jpeg/gen/rst2mcu-444-q.jpg/damaged1", 0x39a93c92f126a126ull },
    { "jpeg/gen/rst2mcu-444-q.jpg/damaged2", 0x360d6520d062335ull },
    { "jpeg/gen/rst2mcu-444-q.jpg/damaged3", 0x1babb2ccffdc5f47ull },
    { "jpeg/gen/rst2mcu-444-q.jpg/damaged4", 0x5938217d2535dfc3ull },
    { "jpeg/gen/rst2mcu-444-q.jpg/damaged5", 0x8e10b8e278dbf662ull },
    { "jpeg/gen/rst2mcu-444-q.jpg/damaged6", 0x60b63ddebf419daull },
    { "jpeg/gen/rstrow-444.jpg/3/search", 0x0ull },
    { "jpeg/gen/rstrow-444.jpg/3/segments", 0xe1cf1ccdac78aeedull },
    { "jpeg/gen/rstrow-444.jpg/4/search", 0x0ull },
    { "jpeg/gen/rstrow-444.jpg/4/segments", 0x14b03f1871135b49ull },
    { "jpeg/gen/rstrow-444.jpg/damaged1", 0xacde82fde2409ee5ull },
    { "jpeg/gen/rstrow-444.jpg/damaged2", 0x7fdcd6d470a94b68ull },
    { "jpeg/gen/rstrow-444.jpg/damaged3", 0xc32fe6451578bd38ull },
    { "jpeg/gen/rstrow-444.jpg/damaged4", 0x412b55cc30c4deb2ull },
    { "jpeg/gen/rstrow-444.jpg/damaged5", 0x5e167b935e92f1cfull },
    { "jpeg/gen/rstrow-444.jpg/damaged6", 0x40f0e8787f823c2full },
    { "jpeg/gen/tiny-1x1-420.jpg/3/search", 0xfe7cf6d917c88fbdull },
    { "jpeg/gen/tiny-1x1-420.jpg/3/segments", 0xfe7cf6d917c88fbdull },
    { "jpeg/gen/tiny-1x1-420.jpg/4/search", 0xb08e3aba056a4bbdull },
    { "jpeg/gen/tiny-1x1-420.jpg/4/segments", 0xb08e3aba056a4bbdull },
    { "jpeg/gen/tiny-1x1-420.jpg/damaged1", 0xad8b6ee834859802ull },
    { "jpeg/gen/tiny-1x1-420.jpg/damaged2", 0xad8b6ee834859802ull },
    { "jpeg/gen/tiny-1x1-420.jpg/damaged3", 0xad8b6ee834859802ull },
    { "jpeg/gen/tiny-1x1-420.jpg/damaged4", 0xad8b6ee834859802ull },
    { "jpeg/gen/tiny-1x1-420.jpg/damaged5", 0xad8b6ee834859802ull },
    { "jpeg/gen/tiny-1x1-420.jpg/damaged6", 0xad8b6ee834859802ull },
    { "jpeg/gen/trunc-scan-420.jpg/3/search", 0x173571322fffb160ull },
    { "jpeg/gen/trunc-scan-420.jpg/3/segments", 0x173571322fffb160ull },
    { "jpeg/gen/trunc-scan-420.jpg/4/search", 0x5fea513cb6f6e8acull },
    { "jpeg/gen/trunc-scan-420.jpg/4/segments", 0x5fea513cb6f6e8acull },
    { "jpeg/gen/trunc-scan-420.jpg/damaged1", 0x8ce6f3a47dd681e9ull },
    { "jpeg/gen/trunc-scan-420.jpg/damaged2", 0x2aa162c5d1fd7663ull },
    { "jpeg/gen/trunc-scan-420.jpg/damaged3", 0x2ad35ef2556df516ull },
    { "jpeg/gen/trunc-scan-420.jpg/damaged4", 0xb85ce0f4b1f675eull },
    { "jpeg/gen/trunc-scan-420.jpg/damaged5", 0xae119bbae73f155full },
    { "jpeg/gen/trunc-scan-420.jpg/damaged6", 0x78ba0696befb366aull },
    { "jpeg/go/video-001.jpeg/3/search", 0x11721e3542f4f89full },
    { "jpeg/go/video-001.jpeg/3/segments", 0x11721e3542f4f89full },
    { "jpeg/go/video-001.jpeg/4/search", 0x2ee5f91a20040983ull },
    { "jpeg/go/video-001.jpeg/4/segments", 0x2ee5f91a20040983ull },
    { "jpeg/go/video-001.jpeg/damaged1", 0xd0c7641bddd2baf4ull },
    { "jpeg/go/video-001.jpeg/damaged2", 0x841d235fa533803bull },
    { "jpeg/go/video-001.jpeg/damaged3", 0x25631be2600d6804ull },
    { "jpeg/go/video-001.jpeg/damaged4", 0x456d55b5dc261c04ull },
    { "jpeg/go/video-001.jpeg/damaged5", 0x1392965000653186ull },
    { "jpeg/go/video-001.jpeg/damaged6", 0xed41732f97dab8cfull },
    { "jpeg/go/video-001.q50.420.jpeg/3/search", 0x94c479603bad8f8eull },
    { "jpeg/go/video-001.q50.420.jpeg/3/segments", 0x94c479603bad8f8eull },
    { "jpeg/go/video-001.q50.420.jpeg/4/search", 0x86b55265199d59f8ull },
    { "jpeg/go/video-001.q50.420.jpeg/4/segments", 0x86b55265199d59f8ull },
    { "jpeg/go/video-001.q50.420.jpeg/damaged1", 0x7cf60864fec1b887ull },
    { "jpeg/go/video-001.q50.420.jpeg/damaged2", 0x5bbaed7165564d1cull },
    { "jpeg/go/video-001.q50.420.jpeg/damaged3", 0xa598f19b4cb9891cull },
    { "jpeg/go/video-001.q50.420.jpeg/damaged4", 0x7018000fa0ecefd4ull },
    { "jpeg/go/video-001.q50.420.jpeg/damaged5", 0x9778f3d6c91d3d88ull },
    { "jpeg/go/video-001.q50.420.jpeg/damaged6", 0xde2f664d1dda26aull },
    { "jpeg/go/video-001.q50.444.jpeg/3/search", 0xe1cf1ccdac78aeedull },
    { "jpeg/go/video-001.q50.444.jpeg/3/segments", 0xe1cf1ccdac78aeedull },
    { "jpeg/go/video-001.q50.444.jpeg/4/search", 0x14b03f1871135b49ull },
    { "jpeg/go/video-001.q50.444.jpeg/4/segments", 0x14b03f1871135b49ull },
    { "jpeg/go/video-001.q50.444.jpeg/damaged1", 0xbda6c8e38f35282aull },
    { "jpeg/go/video-001.q50.444.jpeg/damaged2", 0xaa827a0e510f569bull },
    { "jpeg/go/video-001.q50.444.jpeg/damaged3", 0x1f9c1cf90dcc7fddull },
    { "jpeg/go/video-001.q50.444.jpeg/damaged4", 0xd270090df8adfe78ull },
    { "jpeg/go/video-001.q50.444.jpeg/damaged5", 0x5d1c42ea802ed454ull },
    { "jpeg/go/video-001.q50.444.jpeg/damaged6", 0xbfb2570382d4e239ull },
    { "jpeg/imdoc/frame.jpg/3/search", 0xf99e16bf0c31252bull },
    { "jpeg/imdoc/frame.jpg/3/segments", 0xf99e16bf0c31252bull },
    { "jpeg/imdoc/frame.jpg/4/search", 0x391219b377d3c7d9ull },
    { "jpeg/imdoc/frame.jpg/4/segments", 0x391219b377d3c7d9ull },
    { "jpeg/imdoc/frame.jpg/damaged1", 0x616f3e6dac26875dull },
    { "jpeg/imdoc/frame.jpg/damaged2", 0x663708dcf62ff535ull },
    { "jpeg/imdoc/frame.jpg/damaged3", 0x2145240d5bbd1a80ull },
    { "jpeg/imdoc/frame.jpg/damaged4", 0x20e913f72603eaedull },
    { "jpeg/imdoc/frame.jpg/damaged5", 0x5974922a86873abdull },
    { "jpeg/imdoc/frame.jpg/damaged6", 0x803e6d96753aff10ull },
    { "jpeg/imdoc/imade_art2.jpg/3/search", 0xa7ba923751a6e565ull },
    { "jpeg/imdoc/imade_art2.jpg/3/segments", 0xa7ba923751a6e565ull },
    { "jpeg/imdoc/imade_art2.jpg/4/search", 0xb9d03798ae686dbfull },
    { "jpeg/imdoc/imade_art2.jpg/4/segments", 0xb9d03798ae686dbfull },
    { "jpeg/imdoc/imade_art2.jpg/damaged1", 0x8b298c75e90fc655ull },
    { "jpeg/imdoc/imade_art2.jpg/damaged2", 0xaa6e9db9d22b159eull },
    { "jpeg/imdoc/imade_art2.jpg/damaged3", 0x3a404b357e7ae74ull },
    { "jpeg/imdoc/imade_art2.jpg/damaged4", 0xe46bf4f76a42fe68ull },
    { "jpeg/imdoc/imade_art2.jpg/damaged5", 0xa77d1113df2a7fcaull },
    { "jpeg/imdoc/imade_art2.jpg/damaged6", 0x48b54c5758d238e5ull },
    { "jpeg/imdoc/logo.jpg/3/search", 0x8e8e99fb3060c6e3ull },
    { "jpeg/imdoc/logo.jpg/3/segments", 0x8e8e99fb3060c6e3ull },
    { "jpeg/imdoc/logo.jpg/4/search", 0x4544717d8b22df9ull },
    { "jpeg/imdoc/logo.jpg/4/segments", 0x4544717d8b22df9ull },
    { "jpeg/imdoc/logo.jpg/damaged1", 0x9c90596dfcb38d2bull },
    { "jpeg/imdoc/logo.jpg/damaged2", 0xc84cbfd967395448ull },
    { "jpeg/imdoc/logo.jpg/damaged3", 0x4d17ff4dfc6e88e6ull },
    { "jpeg/imdoc/logo.jpg/damaged4", 0x2797ebacfc0787fcull },
    { "jpeg/imdoc/logo.jpg/damaged5", 0xd24e7c57ae38d66dull },
    { "jpeg/imdoc/logo.jpg/damaged6", 0x8090872d946b0444ull },
    { "jpeg/imdoc/montage.jpg/3/search", 0xdd49101f6ac4fa63ull },
    { "jpeg/imdoc/montage.jpg/3/segments", 0xdd49101f6ac4fa63ull },
    { "jpeg/imdoc/montage.jpg/4/search", 0xe86a8d13ec23cdull },
    { "jpeg/imdoc/montage.jpg/4/segments", 0xe86a8d13ec23cdull },
    { "jpeg/imdoc/montage.jpg/damaged1", 0xdc0f43b5184409dull },
    { "jpeg/imdoc/montage.jpg/damaged2", 0x36bc975c36b5f98bull },
    { "jpeg/imdoc/montage.jpg/damaged3", 0x2ecc5d5bd3ed40a8ull },
    { "jpeg/imdoc/montage.jpg/damaged4", 0xb87caab2fa9b15a5ull },
    { "jpeg/imdoc/montage.jpg/damaged5", 0x7351e230782dfbffull },
    { "jpeg/imdoc/montage.jpg/damaged6", 0xc118b11fdbcd06full },
    { "jpeg/imdoc/objects.jpg/3/search", 0x0ull },
    { "jpeg/imdoc/objects.jpg/3/segments", 0x0ull },
    { "jpeg/imdoc/objects.jpg/4/search", 0x0ull },
    { "jpeg/imdoc/objects.jpg/4/segments", 0x0ull },
    { "jpeg/imdoc/objects.jpg/damaged1", 0x0ull },
    { "jpeg/imdoc/objects.jpg/damaged2", 0x0ull },
    { "jpeg/imdoc/objects.jpg/damaged3", 0x0ull },
    { "jpeg/imdoc/objects.jpg/damaged4", 0x0ull },
    { "jpeg/imdoc/objects.jpg/damaged5", 0x0ull },
    { "jpeg/imdoc/objects.jpg/damaged6", 0x0ull },
    { "jpeg/imdoc/reconstruct.jpg/3/search", 0x30785469d19d234full },
    { "jpeg/imdoc/reconstruct.jpg/3/segments", 0x30785469d19d234full },
    { "jpeg/imdoc/reconstruct.jpg/4/search", 0x6d74e00ad34bc201ull },
    { "jpeg/imdoc/reconstruct.jpg/4/segments", 0x6d74e00ad34bc201ull },
    { "jpeg/imdoc/reconstruct.jpg/damaged1", 0xded915385a1ea542ull },
    { "jpeg/imdoc/reconstruct.jpg/damaged2", 0x89c655a4cc3a8dc9ull },
    { "jpeg/imdoc/reconstruct.jpg/damaged3", 0x6166fb391c948e00ull },
    { "jpeg/imdoc/reconstruct.jpg/damaged4", 0xd04d23d91ea78a90ull },
    { "jpeg/imdoc/reconstruct.jpg/damaged5", 0x6563551283cfbcdull },
    { "jpeg/imdoc/reconstruct.jpg/damaged6", 0x7fc54e340afba494ull },
    { "jpeg/imdoc/sponsor.jpg/3/search", 0x98843d222f97a415ull },
    { "jpeg/imdoc/sponsor.jpg/3/segments", 0x98843d222f97a415ull },
    { "jpeg/imdoc/sponsor.jpg/4/search", 0x7e5c7ce812803bc5ull },
    { "jpeg/imdoc/sponsor.jpg/4/segments", 0x7e5c7ce812803bc5ull },
    { "jpeg/imdoc/sponsor.jpg/damaged1", 0xd0f85dc84937557cull },
    { "jpeg/imdoc/sponsor.jpg/damaged2", 0x8e01f615b6d9c29cull },
    { "jpeg/imdoc/sponsor.jpg/damaged3", 0x761ad36f3e47c8cbull },
    { "jpeg/imdoc/sponsor.jpg/damaged4", 0x39681db5edf24082ull },
    { "jpeg/imdoc/sponsor.jpg/damaged5", 0xe30d063701ecc509ull },
    { "jpeg/imdoc/sponsor.jpg/damaged6", 0xdd5a5a974268eed9ull },
    { "jpeg/imdoc/sprite.jpg/3/search", 0xc88f1384c3c4e852ull },
    { "jpeg/imdoc/sprite.jpg/3/segments", 0xc88f1384c3c4e852ull },
    { "jpeg/imdoc/sprite.jpg/4/search", 0x851eddc2e5ed74eaull },
    { "jpeg/imdoc/sprite.jpg/4/segments", 0x851eddc2e5ed74eaull },
    { "jpeg/imdoc/sprite.jpg/damaged1", 0x9ac1235df488911full },
    { "jpeg/imdoc/sprite.jpg/damaged2", 0x79a9e5e71c2ab17cull },
    { "jpeg/imdoc/sprite.jpg/damaged3", 0x8e1011569912092cull },
    { "jpeg/imdoc/sprite.jpg/damaged4", 0xa246233a42ac1186ull },
    { "jpeg/imdoc/sprite.jpg/damaged5", 0xfcc78df2faa12ae9ull },
    { "jpeg/imdoc/sprite.jpg/damaged6", 0xc74d521483f300fbull },
    { "jpeg/imdoc/wizard.jpg/3/search", 0x0ull },
    { "jpeg/imdoc/wizard.jpg/3/segments", 0x0ull },
    { "jpeg/imdoc/wizard.jpg/4/search", 0x0ull },
    { "jpeg/imdoc/wizard.jpg/4/segments", 0x0ull },
    { "jpeg/imdoc/wizard.jpg/damaged1", 0x0ull },
    { "jpeg/imdoc/wizard.jpg/damaged2", 0x0ull },
    { "jpeg/imdoc/wizard.jpg/damaged3", 0x0ull },
    { "jpeg/imdoc/wizard.jpg/damaged4", 0x0ull },
    { "jpeg/imdoc/wizard.jpg/damaged5", 0x0ull },
    { "jpeg/imdoc/wizard.jpg/damaged6", 0x0ull },
};

TEST (JpegBaseline, EveryFormDecodesTheRecordedBytes)
{
    for (SkProcForm Form : { kPortable_SkProcForm, kVector_SkProcForm }) {
        SkProcForm Was = SkSetProcForm (Form);
        std::map<std::string, uint64_t> Digests = AllDigests ();
        SkSetProcForm (Was);
        for (const auto &[Key, Digest] : Digests) {
            auto Found = kRecorded.find (Key);
            uint64_t Want = (Found == kRecorded.end ()) ? ~0ull : Found->second;
            EXPECT_EQ (Digest, Want) << "{ \"" << Key << "\", 0x" << std::hex << Digest << "ull },";
        }
    }
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
            EXPECT_EQ (DecodeDigest (Copy, kJpegWalkSegments, 4), DecodeDigest (Copy, kJpegWalkSegments, 4, false))
                << Name << " seed " << Seed;
        }
    }
    // Copies with a byte or two changed whose intervals end with the reader short of the
    // restart marker, where one byte more or less read decides whether the marker is seen.
    std::vector<uint8_t> Data = Fixtures::Read ("images/jpeg/gen/rst2mcu-444-q.jpg");
    for (auto [Seed, Bytes] : { std::pair (320u, 2), std::pair (708u, 2), std::pair (1000u, 1), std::pair (1289u, 1) }) {
        std::vector<uint8_t> Copy = Damaged (Data, Seed, Bytes);
        EXPECT_EQ (DecodeDigest (Copy, kJpegWalkSegments, 4), DecodeDigest (Copy, kJpegWalkSegments, 4, false))
            << "seed " << Seed << " bytes " << Bytes;
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
    // DC alone: 1024 gives 362 after the row pass and 127 after the column pass, everywhere.
    Block Dc;
    Dc.c[0] = 1024;
    std::vector<int32_t> Flat (64, 127 + 128);
    EXPECT_EQ (Transformed (Dc, kPortable_SkProcForm, true, 128), Flat);
    EXPECT_EQ (Transformed (Dc, kVector_SkProcForm, false, 128), Flat);
    // A whole row zero between others, and the bottom four rows alone.
    Block Rows;
    Rows.c[8 * 0 + 3] = -300, Rows.c[8 * 2 + 1] = 700, Rows.c[8 * 6 + 7] = 32768, Rows.last = 63;
    ExpectFormsAgree (Rows);
}

}  // namespace
