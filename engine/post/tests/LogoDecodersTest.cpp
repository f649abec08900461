// The logo converters against the image fixtures and their reference decodings, and the
// size protocol, on the emulator's pool.
#include <engine/post/LogoDecoders.h>
#include <Library/MemoryAllocationLib.h>
#include <Format/Bmp.h>

#include <Fixtures.h>
#include <graphics/codec/tests/ImageManifest.h>
#include <graphics/codec/tests/JpegTolerance.h>
#include <graphics/codec/tests/NetPbm.h>

#include <engine/testing/EngineMachineTest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Decoded {
  EFI_STATUS status = EFI_SUCCESS;
  std::vector<uint32_t> pixels;
  uint64_t width = 0, height = 0, size = 0;
};

class LogoDecoderTest : public EngineMachineTest {
protected:
  void SetUp () override
  {
    EngineMachineTest::SetUp ();
    ASSERT_EQ (PlatformLibConstructor (nullptr, M.SystemTable ()), EFI_SUCCESS);
    Mark = M.Memory ().AllocationCount ();
  }

  void TearDown () override
  {
    EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ());
    EXPECT_TRUE (M.Memory ().Violations ().empty ());
    EngineMachineTest::TearDown ();
  }

  Decoded TakeBuffer (EFI_STATUS Status, VOID *Blt, uint64_t Pixels)
  {
    Decoded Result;
    Result.status = Status;
    if (!EFI_ERROR (Status)) {
      Result.pixels.assign ((uint32_t *)Blt, (uint32_t *)Blt + Pixels);
      FreePool (Blt);
    } else {
      EXPECT_EQ (Blt, nullptr);
    }
    return Result;
  }

  Decoded Bmp (std::vector<uint8_t> File)
  {
    VOID *Blt = nullptr;
    UINT64 Size = 0, Height = 0, Width = 0;
    EFI_STATUS Status = ConvertBmpToGopBlt (File.data (), File.size (), &Blt, &Size, &Height, &Width);
    Decoded Result = TakeBuffer (Status, Blt, Width * Height);
    Result.width = Width, Result.height = Height, Result.size = Size;
    return Result;
  }

  Decoded Jpeg (std::vector<uint8_t> File, UINT32 *PitchOut = nullptr)
  {
    VOID *Blt = nullptr;
    UINT32 Size = 0, Height = 0, Width = 0, Pitch = 0;
    EFI_STATUS Status = ConvertJpegToGopBlt (File.data (), File.size (), &Blt, &Size, &Height, &Width, &Pitch);
    Decoded Result = TakeBuffer (Status, Blt, (uint64_t)Pitch * Height);
    Result.width = Width, Result.height = Height, Result.size = Size;
    if (PitchOut != nullptr) {
      *PitchOut = Pitch;
    }
    return Result;
  }

  UINT64 Mark = 0;
};

// Red, green and blue of a graphics-output pixel; the reserved byte is not compared.
uint32_t Rgb (uint32_t Pixel) { return Pixel & 0x00FFFFFF; }

uint32_t RgbOf (const uint8_t *Sample, uint32_t Channels)
{
  return (Channels < 3) ? (Sample[0] << 16 | Sample[0] << 8 | Sample[0])
                        : ((uint32_t)Sample[0] << 16 | Sample[1] << 8 | Sample[2]);
}

// A BMP with a 40-byte information header and a palette of Colours entries (i → i, i, i).
std::vector<uint8_t> MakeBmp (int32_t Width, int32_t Height, uint16_t Bits, uint32_t Colours,
                              const std::vector<uint8_t> &Pixels)
{
  std::vector<uint8_t> File (54 + Colours * 4);
  auto Put32 = [&] (size_t At, uint32_t V) { for (int i = 0; i < 4; i++) File[At + i] = (uint8_t)(V >> (8 * i)); };
  File[0] = 'B', File[1] = 'M';
  Put32 (10, (uint32_t)File.size ());
  Put32 (14, 40);
  Put32 (18, (uint32_t)Width);
  Put32 (22, (uint32_t)Height);
  File[26] = 1;
  File[28] = (uint8_t)Bits;
  for (uint32_t i = 0; i < Colours; i++) {
    File[54 + i * 4] = File[55 + i * 4] = File[56 + i * 4] = (uint8_t)(i * 255 / (Colours > 1 ? Colours - 1 : 1));
  }
  File.insert (File.end (), Pixels.begin (), Pixels.end ());
  return File;
}

// The one reader of BMP headers: which headers it reads, from which bytes, and what it
// leaves to the decoders.
TEST (BmpHeaderReader, ReadsCoreAndInformationHeadersOnlyWhenTheirFixedPartIsInTheFile)
{
  std::vector<uint8_t>  Info = MakeBmp (-3, 2, 24, 0, {});
  Info[30]                  = 3;      // bit fields: the reader passes the compression on
  Info[46]                  = 7;
  std::vector<uint8_t>  Core (26);
  Core[14] = 12, Core[18] = 5, Core[19] = 1, Core[20] = 9, Core[24] = 8;
  Core[10] = 26;

  struct {
    const char                  *Name;
    std::vector<uint8_t>        File;
    size_t                      Size;
    bool                        Read;
    uint32_t                    Width, Height, Bits, Compression, Colours;
    uint64_t                    PaletteAt;
  } const  Cases[] = {
    { "information header",       Info, Info.size (), true,  (uint32_t)-3, 2, 24, 3, 7, 54 },
    { "core header",              Core, Core.size (), true,  0x105, 9, 8, 0, 0, 26 },
    { "information header short", Info, 53,           false, 0, 0, 0, 0, 0, 0 },
    { "core header short",        Core, 25,           false, 0, 0, 0, 0, 0, 0 },
    { "no header size",           Info, 17,           false, 0, 0, 0, 0, 0, 0 },
  };

  for (const auto &Case : Cases) {
    BMP_HEADER  Header;
    ASSERT_EQ (BmpReadHeader (Case.File.data (), Case.Size, &Header), (BOOLEAN)Case.Read) << Case.Name;
    EXPECT_EQ (Header.Width, Case.Width) << Case.Name;
    EXPECT_EQ (Header.Height, Case.Height) << Case.Name;
    EXPECT_EQ (Header.BitsPerPixel, Case.Bits) << Case.Name;
    EXPECT_EQ (Header.Compression, Case.Compression) << Case.Name;
    EXPECT_EQ (Header.ColoursUsed, Case.Colours) << Case.Name;
    EXPECT_EQ (Header.PaletteAt, Case.PaletteAt) << Case.Name;
  }

  // Header sizes between the two kinds and above are not guessed at.
  for (uint32_t InfoSize : { 0u, 11u, 13u, 39u }) {
    std::vector<uint8_t>  File = Info;
    BMP_HEADER            Header;
    File[14] = (uint8_t)InfoSize;
    EXPECT_FALSE (BmpReadHeader (File.data (), File.size (), &Header)) << InfoSize;
  }

  EXPECT_TRUE (BmpHasSignature (Info.data (), Info.size ()));
  EXPECT_FALSE (BmpHasSignature (Core.data (), Core.size ()));
  EXPECT_FALSE (BmpHasSignature (Info.data (), 1));
}

TEST_F (LogoDecoderTest, BmpRowsArePaddedFromThePixelDataAndFillExactlyTheirWidth)
{
  // 3 pixels of 24 bits: rows of 9 bytes padded to 12; bottom row first.
  std::vector<uint8_t> Rows = { 1, 2, 3, 4, 5, 6, 7, 8, 9, 0xEE, 0xEE, 0xEE, 10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0 };
  Decoded Out = Bmp (MakeBmp (3, 2, 24, 0, Rows));
  ASSERT_EQ (Out.status, EFI_SUCCESS);
  EXPECT_EQ (Rgb (Out.pixels[0]), 0x0C0B0Au);
  EXPECT_EQ (Rgb (Out.pixels[2]), 0x121110u);
  EXPECT_EQ (Rgb (Out.pixels[3]), 0x030201u);
  EXPECT_EQ (Rgb (Out.pixels[5]), 0x090807u);

  // 1 bit, 10 pixels wide, into a caller's buffer: the 11th pixel stays as it was.
  std::vector<uint8_t> File = MakeBmp (10, 1, 1, 2, { 0xAA, 0xFF, 0, 0 });
  std::vector<uint32_t> Buffer (11, 0x5A5A5A5A);
  VOID *Blt = Buffer.data ();
  UINT64 Size = Buffer.size () * 4, Height = 0, Width = 0;
  ASSERT_EQ (ConvertBmpToGopBlt (File.data (), File.size (), &Blt, &Size, &Height, &Width), EFI_SUCCESS);
  EXPECT_EQ (Blt, Buffer.data ());
  EXPECT_EQ (Size, 40u);
  EXPECT_EQ (Rgb (Buffer[0]), 0xFFFFFFu);
  EXPECT_EQ (Rgb (Buffer[1]), 0u);
  EXPECT_EQ (Rgb (Buffer[9]), 0xFFFFFFu);
  EXPECT_EQ (Buffer[0] >> 24, 0x5Au);
  EXPECT_EQ (Buffer[10], 0x5A5A5A5Au);

  // A palette index past the end of the file reads as black.
  Decoded Beyond = Bmp (MakeBmp (1, 1, 8, 1, { 200, 0, 0, 0 }));
  ASSERT_EQ (Beyond.status, EFI_SUCCESS);
  EXPECT_EQ (Rgb (Beyond.pixels[0]), 0u);
}

TEST_F (LogoDecoderTest, BmpSizeProtocolAndEmptyImages)
{
  std::vector<uint8_t> File = MakeBmp (4, 0, 24, 0, {});
  Decoded Empty = Bmp (File);
  EXPECT_EQ (Empty.status, EFI_SUCCESS);
  EXPECT_EQ (Empty.width, 4u);
  EXPECT_EQ (Empty.height, 0u);
  // Without a width no row is walked, whatever the height says.
  Decoded NoWidth = Bmp (MakeBmp (0, INT32_MIN, 24, 0, {}));
  EXPECT_EQ (NoWidth.status, EFI_SUCCESS);
  EXPECT_EQ (NoWidth.height, 0x80000000u);

  File = MakeBmp (2, 2, 32, 0, std::vector<uint8_t> (16, 7));
  uint32_t Small[3];
  VOID *Blt = Small;
  UINT64 Size = sizeof (Small), Height = 0, Width = 0;
  EXPECT_EQ (ConvertBmpToGopBlt (File.data (), File.size (), &Blt, &Size, &Height, &Width), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ (Size, 16u);

  // An unsupported depth is refused before anything is allocated.
  File = MakeBmp (2, 2, 16, 0, std::vector<uint8_t> (8, 0));
  UINT64 Before = M.Memory ().AllocationCount ();
  EXPECT_EQ (Bmp (File).status, EFI_UNSUPPORTED);
  EXPECT_EQ (M.Memory ().AllocationCount (), Before);
}

struct JpegStats {
  int maxDelta = 0;
  double meanDelta = 0;
  double within3 = 0;  // share of samples at most 3 levels off
};

JpegStats Compare (const std::vector<uint32_t> &Pixels, uint32_t Pitch, const NetPbm::Image &Ref)
{
  JpegStats Stats;
  uint64_t Sum = 0, Near = 0;
  for (uint32_t y = 0; y < Ref.height; y++) {
    for (uint32_t x = 0; x < Ref.width; x++) {
      uint32_t Pixel = Pixels[y * Pitch + x];
      const uint8_t *Want = Ref.At (x, y);
      int Got[3] = { (int)(Pixel >> 16 & 0xFF), (int)(Pixel >> 8 & 0xFF), (int)(Pixel & 0xFF) };
      for (int c = 0; c < 3; c++) {
        int Delta = std::abs (Got[c] - Want[c]);
        Stats.maxDelta = std::max (Stats.maxDelta, Delta);
        Sum += Delta;
        Near += Delta <= 3;
      }
      EXPECT_EQ (Pixel >> 24, 0u);
    }
  }
  Stats.meanDelta = (double)Sum / ((double)Ref.width * Ref.height * 3);
  Stats.within3 = (double)Near / ((double)Ref.width * Ref.height * 3);
  return Stats;
}

// What each image fixture must give the converters: BMP colours equal to the reference
// where it is opaque (no reference: the decode succeeds), JPEG pixels within the tolerance
// of the reference, EFI_UNSUPPORTED, or either of success and EFI_UNSUPPORTED.
enum class Expect { kBmp, kJpeg, kUnsupported, kEither };

struct LogoCase {
  const char *path;
  Expect expect;
  const char *reference = nullptr;  // another file's reference
};

const LogoCase kLogoCases[] = {
  // Uncompressed 1, 4, 8, 24 and 32 bits a pixel with an information header, bottom-up.
  { "bmp/im/pal1-75x52.bmp", Expect::kBmp }, { "bmp/im/pal8-75x52.bmp", Expect::kBmp },
  { "bmp/im/rgb24-1x52.bmp", Expect::kBmp }, { "bmp/im/rgb24-v3-75x52.bmp", Expect::kBmp },
  { "bmp/im/rgba32-v3-birgb-32x32.bmp", Expect::kBmp }, { "bmp/suite/g/pal1bg.bmp", Expect::kBmp },
  { "bmp/suite/g/pal4.bmp", Expect::kBmp }, { "bmp/suite/g/pal8.bmp", Expect::kBmp },
  { "bmp/suite/g/pal8v5.bmp", Expect::kBmp }, { "bmp/suite/g/rgb24.bmp", Expect::kBmp },
  { "bmp/suite/g/rgb32.bmp", Expect::kBmp }, { "bmp/suite/q/pal8offs.bmp", Expect::kBmp },
  { "bmp/suite/q/rgb32fakealpha.bmp", Expect::kBmp },
  // Planes, image size and colours used are not read; an index past the colours in use
  // reads the bytes that follow the palette, inside the file.
  { "bmp/suite/b/badbitssize.bmp", Expect::kBmp }, { "bmp/suite/b/badplanes.bmp", Expect::kBmp },
  { "bmp/suite/b/pal8badindex.bmp", Expect::kBmp }, { "bmp/bad/pal8-clrused-huge.bmp", Expect::kBmp },
  { "bmp/suite/q/pal8oversizepal.bmp", Expect::kBmp },
  // Compression of any kind (bit fields too), other depths, core headers, top-down rows,
  // sizes past the limit or the file.
  { "bmp/im/rle8-75x52.bmp", Expect::kUnsupported }, { "bmp/im/rgb565-v5-75x52.bmp", Expect::kUnsupported },
  { "bmp/im/argb4444-v5-16x16.bmp", Expect::kUnsupported },
  { "bmp/im/rgba32-v4-bitfields-32x32.bmp", Expect::kUnsupported },
  { "bmp/im/rgba32-v5-icon-24x24.bmp", Expect::kUnsupported }, { "bmp/im/rgb24-os2-75x52.bmp", Expect::kUnsupported },
  { "bmp/gen/rgb24-topdown-75x52.bmp", Expect::kUnsupported }, { "bmp/suite/g/pal4rle.bmp", Expect::kUnsupported },
  { "bmp/suite/g/pal8rle.bmp", Expect::kUnsupported }, { "bmp/suite/g/pal8os2.bmp", Expect::kUnsupported },
  { "bmp/suite/g/pal8topdown.bmp", Expect::kUnsupported }, { "bmp/suite/g/rgb16-565.bmp", Expect::kUnsupported },
  { "bmp/suite/g/rgb32bf.bmp", Expect::kUnsupported }, { "bmp/suite/q/pal2.bmp", Expect::kUnsupported },
  { "bmp/suite/q/pal4rletrns.bmp", Expect::kUnsupported }, { "bmp/suite/q/rgb16-231.bmp", Expect::kUnsupported },
  { "bmp/suite/q/rgb24jpeg.bmp", Expect::kUnsupported }, { "bmp/suite/q/rgba32.bmp", Expect::kUnsupported },
  { "bmp/suite/q/rgba32abf.bmp", Expect::kUnsupported }, { "bmp/suite/b/badbitcount.bmp", Expect::kUnsupported },
  { "bmp/suite/b/badrle.bmp", Expect::kUnsupported }, { "bmp/suite/b/badwidth.bmp", Expect::kUnsupported },
  { "bmp/suite/b/reallybig.bmp", Expect::kUnsupported }, { "bmp/suite/b/shortfile.bmp", Expect::kUnsupported },
  { "bmp/bad/bitcount7.bmp", Expect::kUnsupported }, { "bmp/bad/dims-2g-x-2g.bmp", Expect::kUnsupported },
  { "bmp/bad/im-rgb565-v3-bitfields-nomasks.bmp", Expect::kUnsupported },
  { "bmp/bad/offbits-past-eof.bmp", Expect::kUnsupported }, { "bmp/bad/rle8-on-24bit.bmp", Expect::kUnsupported },
  { "bmp/bad/rle8-runs-past-row.bmp", Expect::kUnsupported }, { "bmp/bad/trunc-header-30.bmp", Expect::kUnsupported },
  { "bmp/bad/trunc-pixels-half.bmp", Expect::kUnsupported }, { "bmp/bad/width-negative.bmp", Expect::kUnsupported },
  // Baseline frames of three components, 4:4:4 or 4:2:0, with or without restart markers.
  { "jpeg/go/video-001.jpeg", Expect::kJpeg }, { "jpeg/go/video-001.q50.420.jpeg", Expect::kJpeg },
  { "jpeg/go/video-001.q50.444.jpeg", Expect::kJpeg }, { "jpeg/gen/rst1mcu-420.jpg", Expect::kJpeg },
  { "jpeg/gen/rst2mcu-444-q.jpg", Expect::kJpeg }, { "jpeg/gen/rstrow-444.jpg", Expect::kJpeg },
  { "jpeg/gen/tiny-1x1-420.jpg", Expect::kJpeg }, { "jpeg/imdoc/frame.jpg", Expect::kJpeg },
  { "jpeg/imdoc/imade_art2.jpg", Expect::kJpeg }, { "jpeg/imdoc/logo.jpg", Expect::kJpeg },
  { "jpeg/imdoc/montage.jpg", Expect::kJpeg }, { "jpeg/imdoc/reconstruct.jpg", Expect::kJpeg },
  { "jpeg/imdoc/sponsor.jpg", Expect::kJpeg }, { "jpeg/imdoc/sprite.jpg", Expect::kJpeg },
  // Table selectors are not read: the picture is the one it was patched from.
  { "jpeg/gen/bad-sof-undefined-qtable.jpg", Expect::kJpeg, "jpeg/go/video-001.q50.420.jpeg" },
  // Other frames and samplings, grey and four components, one scan a component, broken
  // tables, sizes and data (data past the end reads as 1-bits, which no code decodes).
  { "jpeg/gen/arith-420.jpg", Expect::kUnsupported }, { "jpeg/gen/sof1-dqt16-420.jpg", Expect::kUnsupported },
  { "jpeg/gen/noninterleaved-420.jpg", Expect::kUnsupported }, { "jpeg/gen/bad-dht-counts.jpg", Expect::kUnsupported },
  { "jpeg/gen/bad-sof-65500x65500.jpg", Expect::kUnsupported },
  { "jpeg/gen/bad-sof-sampling-3x3.jpg", Expect::kUnsupported }, { "jpeg/gen/trunc-scan-420.jpg", Expect::kUnsupported },
  { "jpeg/go/video-001.cmyk.jpeg", Expect::kUnsupported }, { "jpeg/go/video-001.progressive.jpeg", Expect::kUnsupported },
  { "jpeg/go/video-001.progressive.truncated.jpeg", Expect::kUnsupported },
  { "jpeg/go/video-001.q50.410.progressive.jpeg", Expect::kUnsupported },
  { "jpeg/go/video-001.q50.411.jpeg", Expect::kUnsupported },
  { "jpeg/go/video-001.q50.420.progressive.jpeg", Expect::kUnsupported },
  { "jpeg/go/video-001.q50.422.jpeg", Expect::kUnsupported },
  { "jpeg/go/video-001.q50.422.progressive.jpeg", Expect::kUnsupported },
  { "jpeg/go/video-001.q50.440.progressive.jpeg", Expect::kUnsupported },
  { "jpeg/go/video-001.q50.444.progressive.jpeg", Expect::kUnsupported },
  { "jpeg/go/video-001.separate.dc.progression.jpeg", Expect::kUnsupported },
  { "jpeg/go/video-005.gray.jpeg", Expect::kUnsupported },
  { "jpeg/go/video-005.gray.q50.2x2.progressive.jpeg", Expect::kUnsupported },
  { "jpeg/go/video-005.gray.q50.jpeg", Expect::kUnsupported }, { "jpeg/imdoc/objects.jpg", Expect::kUnsupported },
  { "jpeg/imdoc/wizard.jpg", Expect::kUnsupported },
  // Garbage in the entropy-coded data decodes into a wrong picture or is refused.
  { "jpeg/gen/bad-scan-garbage.jpg", Expect::kEither },
};

void ExpectBmp (const Decoded &Out, const std::string &Reference)
{
  ASSERT_EQ (Out.status, EFI_SUCCESS);
  EXPECT_EQ (Out.size, Out.width * Out.height * 4);
  if (Reference == "-") {
    return;
  }
  NetPbm::Image Ref = NetPbm::Parse (Fixtures::Read ("images/" + Reference));
  ASSERT_EQ (Out.width, Ref.width);
  ASSERT_EQ (Out.height, Ref.height);
  size_t Wrong = 0;
  for (uint32_t y = 0; y < Ref.height; y++) {
    for (uint32_t x = 0; x < Ref.width; x++) {
      // Where the reference is transparent its colour is not defined.
      bool Opaque = (Ref.channels != 4) || (Ref.At (x, y)[3] == 0xFF);
      Wrong += Opaque && (Rgb (Out.pixels[y * Ref.width + x]) != RgbOf (Ref.At (x, y), Ref.channels));
    }
  }
  EXPECT_EQ (Wrong, 0u);
}

void ExpectJpeg (const Decoded &Out, UINT32 Pitch, const std::string &Reference)
{
  ASSERT_EQ (Out.status, EFI_SUCCESS);
  NetPbm::Image Ref = NetPbm::Parse (Fixtures::Read ("images/" + Reference));
  ASSERT_EQ (Out.width, Ref.width);
  ASSERT_EQ (Out.height, Ref.height);
  EXPECT_EQ (Pitch, Out.width);
  JpegStats Stats = Compare (Out.pixels, Pitch, Ref);
  EXPECT_LE (Stats.maxDelta, JpegTolerance::MaxDelta (Reference));
  EXPECT_LE (Stats.meanDelta, JpegTolerance::kMeanDelta);
  EXPECT_GE (Stats.within3, JpegTolerance::kWithin3);
}

TEST_F (LogoDecoderTest, EveryBmpAndJpegOfTheManifestIsClassifiedAndConvertsAsClassified)
{
  size_t Rows = 0;
  for (const char *Format : { "BMP", "JPEG" }) {
    for (const ImageManifest::Row &Row : ImageManifest::RowsOf (Format)) {
      SCOPED_TRACE (Row.path);
      Rows++;
      auto Case = std::find_if (std::begin (kLogoCases), std::end (kLogoCases),
                                [&] (const LogoCase &C) { return Row.path == C.path; });
      ASSERT_NE (Case, std::end (kLogoCases));
      std::vector<uint8_t> File = Fixtures::Read ("images/" + Row.path);
      UINT32 Pitch = 0;
      Decoded Out = (Format[0] == 'B') ? Bmp (File) : Jpeg (File, &Pitch);
      std::string Reference = (Case->reference != nullptr) ? std::string ("ref/") + Case->reference + ".ppm"
                                                           : Row.reference.substr (0, Row.reference.find (' '));
      switch (Case->expect) {
        case Expect::kBmp: ExpectBmp (Out, Reference); break;
        case Expect::kJpeg: ExpectJpeg (Out, Pitch, Reference); break;
        case Expect::kUnsupported: EXPECT_EQ (Out.status, EFI_UNSUPPORTED); break;
        case Expect::kEither: EXPECT_TRUE ((Out.status == EFI_SUCCESS) || (Out.status == EFI_UNSUPPORTED)); break;
      }
    }
  }
  EXPECT_EQ (Rows, std::size (kLogoCases));
}

TEST_F (LogoDecoderTest, JpegBufferSizesFollowThePaddedAndTightGeometry)
{
  std::vector<uint8_t> File = Fixtures::Read ("images/jpeg/go/video-001.jpeg");  // 150 x 103
  uint32_t One = 0;
  VOID *Blt = &One;
  UINT32 Size = 4, Height = 0, Width = 0, Pitch = 0;
  EXPECT_EQ (ConvertJpegToGopBlt (File.data (), File.size (), &Blt, &Size, &Height, &Width, &Pitch), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ (Size, 160u * 112 * 4);

  // A caller's padded buffer is compacted in place and stays the caller's.
  std::vector<uint32_t> Caller (160 * 112, 0xFFFFFFFF);
  Blt = Caller.data ();
  Size = (UINT32)Caller.size () * 4;
  ASSERT_EQ (ConvertJpegToGopBlt (File.data (), File.size (), &Blt, &Size, &Height, &Width, &Pitch), EFI_SUCCESS);
  EXPECT_EQ (Blt, Caller.data ());
  EXPECT_EQ (Size, 150u * 103 * 4);
  EXPECT_EQ (Pitch, 150u);
  Caller.resize (150 * 103);
  NetPbm::Image Ref = NetPbm::Parse (Fixtures::Read ("images/ref/jpeg/go/video-001.jpeg.ppm"));
  EXPECT_LE (Compare (Caller, 150, Ref).meanDelta, JpegTolerance::kMeanDelta);

  // A width that is a multiple of 16 keeps the padded rows and needs one allocation.
  File = Fixtures::Read ("images/jpeg/imdoc/frame.jpg");  // 176 x 108
  UINT64 Before = M.Memory ().AllocationCount ();
  Decoded Out = Jpeg (File, &Pitch);
  EXPECT_EQ (Out.status, EFI_SUCCESS);
  EXPECT_EQ (Pitch, 176u);
  EXPECT_EQ (Out.size, 176u * 112 * 4);
  EXPECT_EQ (M.Memory ().AllocationCount (), Before + 1);
}

// A logo larger than the largest screen is refused from its header, before any allocation,
// however few bytes claim the size; one at the limit is allocated for and decoded.
TEST_F (LogoDecoderTest, ALogoLargerThanTheLargestScreenIsRefusedBeforeAnyAllocation)
{
  const std::vector<uint8_t> Jfif = Fixtures::Read ("images/jpeg/go/video-001.jpeg");
  auto Sized = [&] (uint16_t Width, uint16_t Height) {
    std::vector<uint8_t> File = Jfif;
    for (size_t At = 0; At + 9 < File.size (); At++) {
      if ((File[At] == 0xFF) && (File[At + 1] == 0xC0)) {
        File[At + 5] = (uint8_t)(Height >> 8), File[At + 6] = (uint8_t)Height;
        File[At + 7] = (uint8_t)(Width >> 8), File[At + 8] = (uint8_t)Width;
        return File;
      }
    }
    ADD_FAILURE () << "no frame header";
    return File;
  };
  const std::pair<uint16_t, uint16_t> TooLarge[] = { { 3841, 16 }, { 16, 2161 }, { 32752, 32752 } };
  for (auto [Width, Height] : TooLarge) {
    UINT64 Before = M.Memory ().AllocationCount ();
    EXPECT_EQ (Jpeg (Sized (Width, Height)).status, EFI_UNSUPPORTED) << Width << " x " << Height;
    EXPECT_EQ (M.Memory ().AllocationCount (), Before) << Width << " x " << Height;
  }
  UINT64 Before = M.Memory ().AllocationCount ();
  (void)Jpeg (Sized (3840, 2160));   // the picture's data is far too short: either answer will do
  EXPECT_GT (M.Memory ().AllocationCount (), Before);

  // A 1-bit BMP holds 32 pixels in 4 bytes: its file is no bound on its size either.
  Before = M.Memory ().AllocationCount ();
  EXPECT_EQ (Bmp (MakeBmp (3841, 1, 1, 2, std::vector<uint8_t> (484))).status, EFI_UNSUPPORTED);
  EXPECT_EQ (Bmp (MakeBmp (1, 2161, 1, 2, std::vector<uint8_t> (2161 * 4))).status, EFI_UNSUPPORTED);
  EXPECT_EQ (M.Memory ().AllocationCount (), Before);
  Decoded Wide = Bmp (MakeBmp (3840, 1, 1, 2, std::vector<uint8_t> (480, 0xFF)));
  ASSERT_EQ (Wide.status, EFI_SUCCESS);
  EXPECT_EQ (Wide.width, 3840u);
  EXPECT_EQ (Rgb (Wide.pixels.back ()), 0xFFFFFFu);
  Decoded Tall = Bmp (MakeBmp (1, 2160, 1, 2, std::vector<uint8_t> (2160 * 4)));
  ASSERT_EQ (Tall.status, EFI_SUCCESS);
  EXPECT_EQ (Tall.height, 2160u);
}

TEST_F (LogoDecoderTest, AFailedTightCopyFreesThePaddedBufferAndClearsThePointer)
{
  std::vector<uint8_t> File = Fixtures::Read ("images/jpeg/go/video-001.jpeg");
  M.Memory ().FailAllocation (2);
  VOID *Blt = nullptr;
  UINT32 Size = 0, Height = 0, Width = 0, Pitch = 0;
  EXPECT_EQ (ConvertJpegToGopBlt (File.data (), File.size (), &Blt, &Size, &Height, &Width, &Pitch), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ (Blt, nullptr);
}

}  // namespace
