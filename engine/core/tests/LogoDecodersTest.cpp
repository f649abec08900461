// The logo converters against the image fixtures and their reference decodings, and the
// size protocol, on the emulator's pool.
#include <engine/core/EngineNeighbours.h>
#include <Library/MemoryAllocationLib.h>

#include <Fixtures.h>
#include <graphics/codec/tests/NetPbm.h>

#include "support/EngineMachineTest.h"

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

TEST_F (LogoDecoderTest, AcceptedBmpVariantsMatchTheirReferencesExactly)
{
  for (const char *Name : { "bmp/im/pal1-75x52.bmp", "bmp/im/pal8-75x52.bmp", "bmp/im/rgb24-1x52.bmp",
                            "bmp/im/rgb24-v3-75x52.bmp", "bmp/im/rgba32-v3-birgb-32x32.bmp",
                            "bmp/suite/g/pal1bg.bmp", "bmp/suite/g/pal4.bmp", "bmp/suite/g/pal8.bmp",
                            "bmp/suite/g/pal8v5.bmp", "bmp/suite/g/rgb24.bmp", "bmp/suite/g/rgb32.bmp",
                            "bmp/suite/q/pal8offs.bmp" }) {
    SCOPED_TRACE (Name);
    Decoded Out = Bmp (Fixtures::Read (std::string ("images/") + Name));
    ASSERT_EQ (Out.status, EFI_SUCCESS);
    NetPbm::Image Ref = NetPbm::Parse (Fixtures::Read (std::string ("images/ref/") + Name + ".pam"));
    ASSERT_EQ (Out.width, Ref.width);
    ASSERT_EQ (Out.height, Ref.height);
    EXPECT_EQ (Out.size, Out.width * Out.height * 4);
    size_t Wrong = 0;
    for (uint32_t y = 0; y < Ref.height; y++) {
      for (uint32_t x = 0; x < Ref.width; x++) {
        Wrong += Rgb (Out.pixels[y * Ref.width + x]) != RgbOf (Ref.At (x, y), Ref.channels);
      }
    }
    EXPECT_EQ (Wrong, 0u);
  }
}

TEST_F (LogoDecoderTest, CompressedOtherDepthsCoreHeadersAndMalformedBmpsAreRefused)
{
  for (const char *Name : { "bmp/bad/bitcount7.bmp", "bmp/bad/dims-2g-x-2g.bmp", "bmp/bad/offbits-past-eof.bmp",
                            "bmp/bad/trunc-header-30.bmp", "bmp/bad/trunc-pixels-half.bmp",
                            "bmp/bad/width-negative.bmp", "bmp/bad/rle8-on-24bit.bmp",
                            "bmp/bad/im-rgb565-v3-bitfields-nomasks.bmp", "bmp/suite/b/badbitcount.bmp",
                            "bmp/suite/b/badwidth.bmp", "bmp/suite/b/reallybig.bmp", "bmp/suite/b/shortfile.bmp",
                            "bmp/suite/b/badrle.bmp", "bmp/suite/g/pal8rle.bmp", "bmp/suite/g/pal4rle.bmp",
                            "bmp/suite/g/rgb16-565.bmp", "bmp/suite/g/rgb32bf.bmp", "bmp/suite/g/pal8os2.bmp",
                            "bmp/im/rgb24-os2-75x52.bmp", "bmp/suite/q/pal2.bmp", "bmp/suite/g/pal8topdown.bmp" }) {
    SCOPED_TRACE (Name);
    EXPECT_EQ (Bmp (Fixtures::Read (std::string ("images/") + Name)).status, EFI_UNSUPPORTED);
  }
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
  double within4 = 0;  // share of samples at most 4 levels off
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
        Near += Delta <= 4;
      }
      EXPECT_EQ (Pixel >> 24, 0u);
    }
  }
  Stats.meanDelta = (double)Sum / ((double)Ref.width * Ref.height * 3);
  Stats.within4 = (double)Near / ((double)Ref.width * Ref.height * 3);
  return Stats;
}

TEST_F (LogoDecoderTest, BaselineJpegsMatchTheirReferencesWithinTheColourAndTransformTolerance)
{
  for (const char *Name : { "jpeg/go/video-001.jpeg", "jpeg/go/video-001.q50.420.jpeg", "jpeg/go/video-001.q50.444.jpeg",
                            "jpeg/gen/rst1mcu-420.jpg", "jpeg/gen/rst2mcu-444-q.jpg", "jpeg/gen/rstrow-444.jpg",
                            "jpeg/gen/tiny-1x1-420.jpg", "jpeg/gen/bad-sof-undefined-qtable.jpg",
                            "jpeg/imdoc/frame.jpg", "jpeg/imdoc/imade_art2.jpg", "jpeg/imdoc/logo.jpg",
                            "jpeg/imdoc/montage.jpg", "jpeg/imdoc/reconstruct.jpg", "jpeg/imdoc/sponsor.jpg",
                            "jpeg/imdoc/sprite.jpg" }) {
    SCOPED_TRACE (Name);
    UINT32 Pitch = 0;
    Decoded Out = Jpeg (Fixtures::Read (std::string ("images/") + Name), &Pitch);
    ASSERT_EQ (Out.status, EFI_SUCCESS);
    // The reference of the table-selector file is the file it was patched from.
    std::string RefName = (std::string (Name) == "jpeg/gen/bad-sof-undefined-qtable.jpg") ? "jpeg/gen/rst1mcu-420.jpg" : Name;
    NetPbm::Image Ref = NetPbm::Parse (Fixtures::Read ("images/ref/" + RefName + ".ppm"));
    ASSERT_EQ (Out.width, Ref.width);
    ASSERT_EQ (Out.height, Ref.height);
    EXPECT_EQ (Pitch, Out.width);
    JpegStats Stats = Compare (Out.pixels, Pitch, Ref);
    // The reference clamps samples before its colour conversion and rounds; ours keeps
    // the fixed-point transform's and colour formula's truncation, so saturated edges
    // differ most and the rest by a level or two.
    EXPECT_LE (Stats.maxDelta, 40);
    EXPECT_LE (Stats.meanDelta, 2.5);
    EXPECT_GE (Stats.within4, 0.88);
  }
}

TEST_F (LogoDecoderTest, OtherFramesSamplingsComponentCountsAndBrokenJpegsAreRefused)
{
  for (const char *Name : { "jpeg/go/video-001.progressive.jpeg", "jpeg/go/video-001.q50.422.jpeg",
                            "jpeg/go/video-001.q50.411.jpeg", "jpeg/go/video-005.gray.jpeg",
                            "jpeg/go/video-001.cmyk.jpeg", "jpeg/gen/arith-420.jpg", "jpeg/gen/sof1-dqt16-420.jpg",
                            "jpeg/gen/noninterleaved-420.jpg", "jpeg/gen/bad-dht-counts.jpg",
                            "jpeg/gen/bad-sof-sampling-3x3.jpg", "jpeg/gen/bad-sof-65500x65500.jpg",
                            "jpeg/gen/trunc-scan-420.jpg", "jpeg/imdoc/objects.jpg", "jpeg/imdoc/wizard.jpg" }) {
    SCOPED_TRACE (Name);
    EXPECT_EQ (Jpeg (Fixtures::Read (std::string ("images/") + Name)).status, EFI_UNSUPPORTED);
  }
  // Garbage in the entropy-coded data is either decoded into a wrong picture or refused.
  EFI_STATUS Garbage = Jpeg (Fixtures::Read ("images/jpeg/gen/bad-scan-garbage.jpg")).status;
  EXPECT_TRUE ((Garbage == EFI_SUCCESS) || (Garbage == EFI_UNSUPPORTED));
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
  EXPECT_LE (Compare (Caller, 150, Ref).meanDelta, 2.5);

  // A width that is a multiple of 16 keeps the padded rows and needs one allocation.
  File = Fixtures::Read ("images/jpeg/imdoc/frame.jpg");  // 176 x 108
  UINT64 Before = M.Memory ().AllocationCount ();
  Decoded Out = Jpeg (File, &Pitch);
  EXPECT_EQ (Out.status, EFI_SUCCESS);
  EXPECT_EQ (Pitch, 176u);
  EXPECT_EQ (Out.size, 176u * 112 * 4);
  EXPECT_EQ (M.Memory ().AllocationCount (), Before + 1);
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
