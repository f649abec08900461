// The baseline JPEG decoder's exact output: every fixture it takes, and damaged copies of
// them, decode to the same bytes in the plain and the vector forms, and those bytes are
// the ones recorded here (a change of arithmetic, clamping or wrapping shows as a new
// digest); a 4-byte sink keeps its fourth byte.
#include <graphics/codec/JpegBaseline.h>
#include <graphics/core/SkProcForm.h>

#include <Fixtures.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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
    { "jpeg/gen/bad-scan-garbage.jpg/3/search", 0x204f0c25b6f25f60ull },
    { "jpeg/gen/bad-scan-garbage.jpg/3/segments", 0x204f0c25b6f25f60ull },
    { "jpeg/gen/bad-scan-garbage.jpg/4/search", 0xc0bcda1dac35c44ull },
    { "jpeg/gen/bad-scan-garbage.jpg/4/segments", 0xc0bcda1dac35c44ull },
    { "jpeg/gen/bad-scan-garbage.jpg/damaged1", 0x7a8b69ad3e1ca1bcull },
    { "jpeg/gen/bad-scan-garbage.jpg/damaged2", 0xe2201e1f17392630ull },
    { "jpeg/gen/bad-scan-garbage.jpg/damaged3", 0x362b53dc26cfae4full },
    { "jpeg/gen/bad-scan-garbage.jpg/damaged4", 0x6cc50ad35b362a5eull },
    { "jpeg/gen/bad-scan-garbage.jpg/damaged5", 0xb4bb09c5597eacf5ull },
    { "jpeg/gen/bad-scan-garbage.jpg/damaged6", 0x6e4c27cc01cc2fe0ull },
    { "jpeg/gen/rst1mcu-420.jpg/3/search", 0x0ull },
    { "jpeg/gen/rst1mcu-420.jpg/3/segments", 0xbaf2a0d9f7322e80ull },
    { "jpeg/gen/rst1mcu-420.jpg/4/search", 0x0ull },
    { "jpeg/gen/rst1mcu-420.jpg/4/segments", 0xe112cf03f2bfa8a6ull },
    { "jpeg/gen/rst1mcu-420.jpg/damaged1", 0xf74b44c5624d4e74ull },
    { "jpeg/gen/rst1mcu-420.jpg/damaged2", 0x994a73fd3edfe979ull },
    { "jpeg/gen/rst1mcu-420.jpg/damaged3", 0x7bd5ca028416cb59ull },
    { "jpeg/gen/rst1mcu-420.jpg/damaged4", 0x7b60e656d5f56c97ull },
    { "jpeg/gen/rst1mcu-420.jpg/damaged5", 0x994a73fd3edfe979ull },
    { "jpeg/gen/rst1mcu-420.jpg/damaged6", 0x741659b3d2ebeceull },
    { "jpeg/gen/rst2mcu-444-q.jpg/3/search", 0x0ull },
    { "jpeg/gen/rst2mcu-444-q.jpg/3/segments", 0xc2352421c1ea9d5ull },
    { "jpeg/gen/rst2mcu-444-q.jpg/4/search", 0x0ull },
    { "jpeg/gen/rst2mcu-444-q.jpg/4/segments", 0xbf64df92b181bc19ull },
    { "jpeg/gen/rst2mcu-444-q.jpg/damaged1", 0x8f6c5a49763b76ecull },
    { "jpeg/gen/rst2mcu-444-q.jpg/damaged2", 0x8d6898ba44bc6421ull },
    { "jpeg/gen/rst2mcu-444-q.jpg/damaged3", 0xadce31a5645ce964ull },
    { "jpeg/gen/rst2mcu-444-q.jpg/damaged4", 0xee06706c77e15236ull },
    { "jpeg/gen/rst2mcu-444-q.jpg/damaged5", 0xfb6fad0b11e6666eull },
    { "jpeg/gen/rst2mcu-444-q.jpg/damaged6", 0x975d31da0a338485ull },
    { "jpeg/gen/rstrow-444.jpg/3/search", 0x0ull },
    { "jpeg/gen/rstrow-444.jpg/3/segments", 0xb47440735c52103dull },
    { "jpeg/gen/rstrow-444.jpg/4/search", 0x0ull },
    { "jpeg/gen/rstrow-444.jpg/4/segments", 0x7d398585209b80f7ull },
    { "jpeg/gen/rstrow-444.jpg/damaged1", 0xbd9765a3925fb985ull },
    { "jpeg/gen/rstrow-444.jpg/damaged2", 0xc9a4ef45aa3fadb2ull },
    { "jpeg/gen/rstrow-444.jpg/damaged3", 0xacfb0104c61a4deaull },
    { "jpeg/gen/rstrow-444.jpg/damaged4", 0xe232c4acb0b96baeull },
    { "jpeg/gen/rstrow-444.jpg/damaged5", 0x7e9648d58ba610cfull },
    { "jpeg/gen/rstrow-444.jpg/damaged6", 0x48142512652732dcull },
    { "jpeg/gen/tiny-1x1-420.jpg/3/search", 0xe58e026930cf658bull },
    { "jpeg/gen/tiny-1x1-420.jpg/3/segments", 0xe58e026930cf658bull },
    { "jpeg/gen/tiny-1x1-420.jpg/4/search", 0xc246075cdbed198bull },
    { "jpeg/gen/tiny-1x1-420.jpg/4/segments", 0xc246075cdbed198bull },
    { "jpeg/gen/tiny-1x1-420.jpg/damaged1", 0xad8b6ee834859802ull },
    { "jpeg/gen/tiny-1x1-420.jpg/damaged2", 0xad8b6ee834859802ull },
    { "jpeg/gen/tiny-1x1-420.jpg/damaged3", 0xad8b6ee834859802ull },
    { "jpeg/gen/tiny-1x1-420.jpg/damaged4", 0xad8b6ee834859802ull },
    { "jpeg/gen/tiny-1x1-420.jpg/damaged5", 0xad8b6ee834859802ull },
    { "jpeg/gen/tiny-1x1-420.jpg/damaged6", 0xad8b6ee834859802ull },
    { "jpeg/gen/trunc-scan-420.jpg/3/search", 0xae2231b37e971f5full },
    { "jpeg/gen/trunc-scan-420.jpg/3/segments", 0xae2231b37e971f5full },
    { "jpeg/gen/trunc-scan-420.jpg/4/search", 0x6437a8f6683dac4dull },
    { "jpeg/gen/trunc-scan-420.jpg/4/segments", 0x6437a8f6683dac4dull },
    { "jpeg/gen/trunc-scan-420.jpg/damaged1", 0x73fb9e8f02b978ebull },
    { "jpeg/gen/trunc-scan-420.jpg/damaged2", 0x59660b6b7ea57108ull },
    { "jpeg/gen/trunc-scan-420.jpg/damaged3", 0x8948ab970bad472eull },
    { "jpeg/gen/trunc-scan-420.jpg/damaged4", 0xf9bf84712ba9264ull },
    { "jpeg/gen/trunc-scan-420.jpg/damaged5", 0x8043a21a8f899ee5ull },
    { "jpeg/gen/trunc-scan-420.jpg/damaged6", 0x64752a9b683b3b08ull },
    { "jpeg/go/video-001.jpeg/3/search", 0xc2352421c1ea9d5ull },
    { "jpeg/go/video-001.jpeg/3/segments", 0xc2352421c1ea9d5ull },
    { "jpeg/go/video-001.jpeg/4/search", 0xbf64df92b181bc19ull },
    { "jpeg/go/video-001.jpeg/4/segments", 0xbf64df92b181bc19ull },
    { "jpeg/go/video-001.jpeg/damaged1", 0xd56579645a61021dull },
    { "jpeg/go/video-001.jpeg/damaged2", 0x2d4b92e2989012adull },
    { "jpeg/go/video-001.jpeg/damaged3", 0x71209ce816376a39ull },
    { "jpeg/go/video-001.jpeg/damaged4", 0x668a4193f534c918ull },
    { "jpeg/go/video-001.jpeg/damaged5", 0x2e0a2866202e3185ull },
    { "jpeg/go/video-001.jpeg/damaged6", 0x224dc3a13c6be531ull },
    { "jpeg/go/video-001.q50.420.jpeg/3/search", 0xbaf2a0d9f7322e80ull },
    { "jpeg/go/video-001.q50.420.jpeg/3/segments", 0xbaf2a0d9f7322e80ull },
    { "jpeg/go/video-001.q50.420.jpeg/4/search", 0xe112cf03f2bfa8a6ull },
    { "jpeg/go/video-001.q50.420.jpeg/4/segments", 0xe112cf03f2bfa8a6ull },
    { "jpeg/go/video-001.q50.420.jpeg/damaged1", 0xc4a7b08196b01f9ull },
    { "jpeg/go/video-001.q50.420.jpeg/damaged2", 0x7ce4c0c31bd3d7c0ull },
    { "jpeg/go/video-001.q50.420.jpeg/damaged3", 0x72c91d02439f97c6ull },
    { "jpeg/go/video-001.q50.420.jpeg/damaged4", 0x9f7362509b0848c9ull },
    { "jpeg/go/video-001.q50.420.jpeg/damaged5", 0x87720694a203cd59ull },
    { "jpeg/go/video-001.q50.420.jpeg/damaged6", 0xf7e81cfb10e2b00bull },
    { "jpeg/go/video-001.q50.444.jpeg/3/search", 0xb47440735c52103dull },
    { "jpeg/go/video-001.q50.444.jpeg/3/segments", 0xb47440735c52103dull },
    { "jpeg/go/video-001.q50.444.jpeg/4/search", 0x7d398585209b80f7ull },
    { "jpeg/go/video-001.q50.444.jpeg/4/segments", 0x7d398585209b80f7ull },
    { "jpeg/go/video-001.q50.444.jpeg/damaged1", 0x83cef0904e8d348cull },
    { "jpeg/go/video-001.q50.444.jpeg/damaged2", 0x6dc72e59d57ef3c2ull },
    { "jpeg/go/video-001.q50.444.jpeg/damaged3", 0xf6202874dc120738ull },
    { "jpeg/go/video-001.q50.444.jpeg/damaged4", 0xbdef011485777898ull },
    { "jpeg/go/video-001.q50.444.jpeg/damaged5", 0xb75c820981ad64c9ull },
    { "jpeg/go/video-001.q50.444.jpeg/damaged6", 0xf67312907de56a93ull },
    { "jpeg/imdoc/frame.jpg/3/search", 0xad51eb37ddf4f330ull },
    { "jpeg/imdoc/frame.jpg/3/segments", 0xad51eb37ddf4f330ull },
    { "jpeg/imdoc/frame.jpg/4/search", 0xf95f7456a72b94a0ull },
    { "jpeg/imdoc/frame.jpg/4/segments", 0xf95f7456a72b94a0ull },
    { "jpeg/imdoc/frame.jpg/damaged1", 0x1cdeaa424044d42cull },
    { "jpeg/imdoc/frame.jpg/damaged2", 0x22803641cc76aa83ull },
    { "jpeg/imdoc/frame.jpg/damaged3", 0x4cd3aec0172b2a66ull },
    { "jpeg/imdoc/frame.jpg/damaged4", 0x3f90d027117f2de1ull },
    { "jpeg/imdoc/frame.jpg/damaged5", 0xbbb1f7da55125bdull },
    { "jpeg/imdoc/frame.jpg/damaged6", 0xb865bed6d178efa3ull },
    { "jpeg/imdoc/imade_art2.jpg/3/search", 0x98a741b88c9fd395ull },
    { "jpeg/imdoc/imade_art2.jpg/3/segments", 0x98a741b88c9fd395ull },
    { "jpeg/imdoc/imade_art2.jpg/4/search", 0x244d525f1c8899d1ull },
    { "jpeg/imdoc/imade_art2.jpg/4/segments", 0x244d525f1c8899d1ull },
    { "jpeg/imdoc/imade_art2.jpg/damaged1", 0x1aaadb5485011c55ull },
    { "jpeg/imdoc/imade_art2.jpg/damaged2", 0xefa85ef652b0c9bcull },
    { "jpeg/imdoc/imade_art2.jpg/damaged3", 0xfa0c64699842e913ull },
    { "jpeg/imdoc/imade_art2.jpg/damaged4", 0xe4f3fbbbe980ce88ull },
    { "jpeg/imdoc/imade_art2.jpg/damaged5", 0xfd0133930b6a9e27ull },
    { "jpeg/imdoc/imade_art2.jpg/damaged6", 0xc7418a1432d8530eull },
    { "jpeg/imdoc/logo.jpg/3/search", 0x364581e1a9deb1a1ull },
    { "jpeg/imdoc/logo.jpg/3/segments", 0x364581e1a9deb1a1ull },
    { "jpeg/imdoc/logo.jpg/4/search", 0x2a134b000f70b7dfull },
    { "jpeg/imdoc/logo.jpg/4/segments", 0x2a134b000f70b7dfull },
    { "jpeg/imdoc/logo.jpg/damaged1", 0x94b6e77dbe4e1d3ull },
    { "jpeg/imdoc/logo.jpg/damaged2", 0x8c88e10ce03a8253ull },
    { "jpeg/imdoc/logo.jpg/damaged3", 0x58460fb80dac84a6ull },
    { "jpeg/imdoc/logo.jpg/damaged4", 0x3b3ce86c840717a9ull },
    { "jpeg/imdoc/logo.jpg/damaged5", 0x2bdefdbbbae2197aull },
    { "jpeg/imdoc/logo.jpg/damaged6", 0xe1539ae74a3c3089ull },
    { "jpeg/imdoc/montage.jpg/3/search", 0xc4120dc9dedaf27aull },
    { "jpeg/imdoc/montage.jpg/3/segments", 0xc4120dc9dedaf27aull },
    { "jpeg/imdoc/montage.jpg/4/search", 0x3e7fb746f3140a62ull },
    { "jpeg/imdoc/montage.jpg/4/segments", 0x3e7fb746f3140a62ull },
    { "jpeg/imdoc/montage.jpg/damaged1", 0x2e6dc74fc284bd03ull },
    { "jpeg/imdoc/montage.jpg/damaged2", 0xaa9b034fe9bad9dbull },
    { "jpeg/imdoc/montage.jpg/damaged3", 0xbb4a34fa7224a2b4ull },
    { "jpeg/imdoc/montage.jpg/damaged4", 0x603de96370760b5ull },
    { "jpeg/imdoc/montage.jpg/damaged5", 0x70e3401c6645cc35ull },
    { "jpeg/imdoc/montage.jpg/damaged6", 0x8053b5cbce5f8e36ull },
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
    { "jpeg/imdoc/reconstruct.jpg/3/search", 0xb5a168d8c605d01cull },
    { "jpeg/imdoc/reconstruct.jpg/3/segments", 0xb5a168d8c605d01cull },
    { "jpeg/imdoc/reconstruct.jpg/4/search", 0x187267b1c1f1a356ull },
    { "jpeg/imdoc/reconstruct.jpg/4/segments", 0x187267b1c1f1a356ull },
    { "jpeg/imdoc/reconstruct.jpg/damaged1", 0x80ba2a881e8463daull },
    { "jpeg/imdoc/reconstruct.jpg/damaged2", 0x56e6cf93415caf10ull },
    { "jpeg/imdoc/reconstruct.jpg/damaged3", 0x2fb0dc27b6be378cull },
    { "jpeg/imdoc/reconstruct.jpg/damaged4", 0xcfb9488fd65a3346ull },
    { "jpeg/imdoc/reconstruct.jpg/damaged5", 0x427a51a66a2fbe1ull },
    { "jpeg/imdoc/reconstruct.jpg/damaged6", 0x991c8ec63eed2b81ull },
    { "jpeg/imdoc/sponsor.jpg/3/search", 0xb290ebf652242fb3ull },
    { "jpeg/imdoc/sponsor.jpg/3/segments", 0xb290ebf652242fb3ull },
    { "jpeg/imdoc/sponsor.jpg/4/search", 0xd7d3af286eca786dull },
    { "jpeg/imdoc/sponsor.jpg/4/segments", 0xd7d3af286eca786dull },
    { "jpeg/imdoc/sponsor.jpg/damaged1", 0xb863e05c2a9b4a7dull },
    { "jpeg/imdoc/sponsor.jpg/damaged2", 0x856bfa2f5baa5988ull },
    { "jpeg/imdoc/sponsor.jpg/damaged3", 0x8ecb351d6710eb23ull },
    { "jpeg/imdoc/sponsor.jpg/damaged4", 0xea59beba9aefd252ull },
    { "jpeg/imdoc/sponsor.jpg/damaged5", 0x40fffc9329f45b34ull },
    { "jpeg/imdoc/sponsor.jpg/damaged6", 0x49857d7bb758ed95ull },
    { "jpeg/imdoc/sprite.jpg/3/search", 0xd3bf16f7c40b762eull },
    { "jpeg/imdoc/sprite.jpg/3/segments", 0xd3bf16f7c40b762eull },
    { "jpeg/imdoc/sprite.jpg/4/search", 0x6f1af548732b8ddaull },
    { "jpeg/imdoc/sprite.jpg/4/segments", 0x6f1af548732b8ddaull },
    { "jpeg/imdoc/sprite.jpg/damaged1", 0x63364cae02c0828aull },
    { "jpeg/imdoc/sprite.jpg/damaged2", 0xf52cdb65ac293d11ull },
    { "jpeg/imdoc/sprite.jpg/damaged3", 0x89709136ec185186ull },
    { "jpeg/imdoc/sprite.jpg/damaged4", 0x733985051cc7d329ull },
    { "jpeg/imdoc/sprite.jpg/damaged5", 0x23b4b970201d048cull },
    { "jpeg/imdoc/sprite.jpg/damaged6", 0x517e4aef16e56a5aull },
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
