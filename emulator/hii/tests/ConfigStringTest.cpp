// Configuration strings: header parsing, the VALUE byte order, BlockToConfig and
// ConfigToBlock round trips over odd widths and offsets, and where Progress lands
// for each kind of malformed string.
#include <EmulatorHii/ConfigString.h>

#include <gtest/gtest.h>

#include <numeric>

namespace {

// GUID 01020304-0506-0708-090A-0B0C0D0E0F10, name "Ab", a 4-byte end-node path.
const std::u16string  kHeader = u"GUID=0403020106050807090a0b0c0d0e0f10&NAME=00410062&PATH=7fff0400";

std::vector<UINT8>
Counting (size_t Size, UINT8 First)
{
  std::vector<UINT8>  Bytes (Size);
  std::iota (Bytes.begin (), Bytes.end (), First);
  return Bytes;
}

TEST (ConfigHeader, DecodesGuidNameAndPathInMemoryOrder)
{
  Emu::CONFIG_HEADER  Header;
  UINTN               ErrorAt = 99;

  ASSERT_TRUE (Emu::ParseConfigHeader (kHeader, 0, &Header, &ErrorAt));
  EXPECT_EQ (Header.Guid.Data1, 0x01020304u);
  EXPECT_EQ (Header.Guid.Data2, 0x0506);
  EXPECT_EQ (Header.Guid.Data4[7], 0x10);
  EXPECT_EQ (Header.Name, u"Ab");
  EXPECT_EQ (Header.Path, (std::vector<UINT8>{ 0x7F, 0xFF, 0x04, 0x00 }));
  EXPECT_EQ (Header.End, kHeader.size ());
}

TEST (ConfigHeader, FaultsPointAtTheAmpersandBeforeThem)
{
  Emu::CONFIG_HEADER  Header;
  UINTN               ErrorAt;
  std::u16string      Text;

  Text = u"GUID=0403020106050807090a0b0c0d0e0f1&NAME=0041&PATH=00";  // 31 digits
  EXPECT_FALSE (Emu::ParseConfigHeader (Text, 0, &Header, &ErrorAt));
  EXPECT_EQ (ErrorAt, 0u);
  Text = u"GUID=0403020106050807090a0b0c0d0e0f10&NAME=041&PATH=00";  // 3 digits
  EXPECT_FALSE (Emu::ParseConfigHeader (Text, 0, &Header, &ErrorAt));
  EXPECT_EQ (ErrorAt, 37u);
  Text = u"GUID=0403020106050807090a0b0c0d0e0f10&NAME=0041&PATH=0g";
  EXPECT_FALSE (Emu::ParseConfigHeader (Text, 0, &Header, &ErrorAt));
  EXPECT_EQ (ErrorAt, 47u);
  Text = u"GUID=0403020106050807090a0b0c0d0e0f10&PATH=00";
  EXPECT_FALSE (Emu::ParseConfigHeader (Text, 0, &Header, &ErrorAt));
  EXPECT_EQ (ErrorAt, 37u);
}

TEST (ConfigHex, ValueIsWrittenLastByteFirstAndLowerCase)
{
  const UINT8  Bytes[] = { 0x12, 0x34, 0xAB };
  EXPECT_EQ (Emu::HexValue (Bytes, 3), u"ab3412");
  EXPECT_EQ (Emu::HexBytes (Bytes, 3), u"1234ab");
  EXPECT_EQ (Emu::HexName (u"Setup"), u"00530065007400750070");
}

TEST (BlockToConfig, TwoBytesAtOffsetFourGiveDigits3412)
{
  std::vector<UINT8>  Block (8, 0);
  Block[4] = 0x12;
  Block[5] = 0x34;
  std::u16string  Config;
  UINTN           ErrorAt;

  ASSERT_EQ (Emu::BlockToConfigText (kHeader + u"&OFFSET=4&WIDTH=2", Block.data (), Block.size (), &Config, &ErrorAt),
    EFI_SUCCESS);
  EXPECT_EQ (Config, kHeader + u"&OFFSET=4&WIDTH=2&VALUE=3412");
  EXPECT_EQ (ErrorAt, kHeader.size () + 17);
}

TEST (BlockToConfig, SeveralElementsKeepTheirOrderAndText)
{
  auto            Block = Counting (16, 0xA0);
  std::u16string  Config;
  UINTN           ErrorAt;

  ASSERT_EQ (Emu::BlockToConfigText (kHeader + u"&OFFSET=b&WIDTH=5&OFFSET=0&WIDTH=1", Block.data (), Block.size (),
               &Config, &ErrorAt), EFI_SUCCESS);
  EXPECT_EQ (Config, kHeader + u"&OFFSET=b&WIDTH=5&VALUE=afaeadacab&OFFSET=0&WIDTH=1&VALUE=a0");
}

TEST (BlockToConfig, ElementPastTheBlockIsADeviceError)
{
  auto            Block = Counting (8, 0);
  std::u16string  Config;
  UINTN           ErrorAt;

  EXPECT_EQ (Emu::BlockToConfigText (kHeader + u"&OFFSET=6&WIDTH=3", Block.data (), Block.size (), &Config, &ErrorAt),
    EFI_DEVICE_ERROR);
  EXPECT_EQ (Emu::BlockToConfigText (kHeader + u"&OFFSET=ffffffffffffffff&WIDTH=2", Block.data (), Block.size (),
               &Config, &ErrorAt), EFI_DEVICE_ERROR);
}

TEST (BlockToConfig, MalformedElementsPutProgressOnTheirAmpersand)
{
  auto            Block = Counting (8, 0);
  std::u16string  Config;
  UINTN           ErrorAt;
  UINTN           H = kHeader.size ();

  struct CASE { std::u16string Tail; UINTN At; } Cases[] = {
    { u"&OFFSET=1",                  H },
    { u"&OFFSET=&WIDTH=1",           H },
    { u"&OFFSET=1&WIDTH=0",          H + 9 },
    { u"&OFFSET=1&WIDTH=z",          H + 9 },
    { u"&OFFSET=1&WIDTH=1&FOO=1",    H + 17 },
    { u"&OFFSET=1&WIDTH=1&VALUE=01", H + 17 },
    { u"&OFFSET=12345678901234567&WIDTH=1", H },
  };
  for (const CASE &Case : Cases) {
    EXPECT_EQ (Emu::BlockToConfigText (kHeader + Case.Tail, Block.data (), Block.size (), &Config, &ErrorAt),
      EFI_INVALID_PARAMETER);
    EXPECT_EQ (ErrorAt, Case.At);
  }
}

TEST (ConfigToBlock, RoundTripsOddWidthsAndOffsets)
{
  auto  Source = Counting (40, 0x31);

  for (UINTN Width : { 1u, 3u, 5u, 7u, 9u, 17u }) {
    for (UINTN Offset : { 0u, 1u, 6u, 13u }) {
      std::u16string  Request = kHeader + u"&OFFSET=" + Emu::HexValue (&Offset, 1) + u"&WIDTH=" +
                                Emu::HexValue (&Width, 1);
      std::u16string  Config;
      UINTN           ErrorAt;
      ASSERT_EQ (Emu::BlockToConfigText (Request, Source.data (), Source.size (), &Config, &ErrorAt), EFI_SUCCESS);

      std::vector<UINT8>  Target (40, 0xEE);
      UINTN               Needed;
      ASSERT_EQ (Emu::ConfigToBlockText (Config, Target.data (), Target.size (), &Needed, &ErrorAt), EFI_SUCCESS);
      EXPECT_EQ (Needed, Offset + Width);
      EXPECT_EQ (ErrorAt, Config.size ());
      for (UINTN Index = 0; Index < 40; Index++) {
        bool  Inside = (Index >= Offset) && (Index < Offset + Width);
        EXPECT_EQ (Target[Index], Inside ? Source[Index] : 0xEE) << "width " << Width << " offset " << Offset;
      }
    }
  }
}

TEST (ConfigToBlock, ShortValueIsANumberAndZeroFillsTheHighBytes)
{
  std::vector<UINT8>  Block (4, 0xEE);
  UINTN               Needed;
  UINTN               ErrorAt;

  ASSERT_EQ (Emu::ConfigToBlockText (kHeader + u"&OFFSET=0&WIDTH=4&VALUE=abc", Block.data (), Block.size (), &Needed,
               &ErrorAt), EFI_SUCCESS);
  EXPECT_EQ (Block, (std::vector<UINT8>{ 0xBC, 0x0A, 0, 0 }));
}

TEST (ConfigToBlock, HeaderIsOptional)
{
  std::vector<UINT8>  Block = { 0x00, 0x01, 0x02, 0x03, 0x04, 0x05 };
  std::u16string      Bare  = u"OFFSET=3&WIDTH=1&VALUE=7&OFFSET=0&WIDTH=2&VALUE=AA55";
  UINTN               Needed;
  UINTN               ErrorAt;

  ASSERT_EQ (Emu::ConfigToBlockText (Bare, Block.data (), Block.size (), &Needed, &ErrorAt), EFI_SUCCESS);
  EXPECT_EQ (Block, (std::vector<UINT8>{ 0x55, 0xAA, 0x02, 0x07, 0x04, 0x05 }));
  EXPECT_EQ (Needed, 4u);
  EXPECT_EQ (ErrorAt, Bare.size ());
  EXPECT_EQ (Emu::ConfigToBlockText (u"WIDTH=1&VALUE=7", Block.data (), Block.size (), &Needed, &ErrorAt),
    EFI_INVALID_PARAMETER);
  EXPECT_EQ (ErrorAt, 0u);
}

TEST (ConfigToBlock, APairThatIsNoBlockElementEndsTheWalk)
{
  // The defaults of an ExtractConfig answer and a name/value pair follow the
  // current values; neither is written nor refused.
  std::u16string  Tails[] = {
    u"&" + kHeader + u"&ALTCFG=0000&OFFSET=2&WIDTH=1&VALUE=00",
    u"&Speed=0064",
  };
  for (const std::u16string &Tail : Tails) {
    std::vector<UINT8>  Block (4, 0x11);
    std::u16string      Response = kHeader + u"&OFFSET=1&WIDTH=1&VALUE=ee" + Tail;
    UINTN               Needed;
    UINTN               ErrorAt;
    ASSERT_EQ (Emu::ConfigToBlockText (Response, Block.data (), Block.size (), &Needed, &ErrorAt), EFI_SUCCESS);
    EXPECT_EQ (Block, (std::vector<UINT8>{ 0x11, 0xEE, 0x11, 0x11 }));
    EXPECT_EQ (Needed, 2u);
    EXPECT_EQ (ErrorAt, Response.size ());
  }
}

TEST (ConfigToBlock, SmallOrMissingBlockGetsTheNeededSizeAndIsNotWritten)
{
  std::u16string      Response = kHeader + u"&OFFSET=2&WIDTH=2&VALUE=1234&OFFSET=8&WIDTH=3&VALUE=010203";
  std::vector<UINT8>  Block (10, 0xEE);
  UINTN               Needed;
  UINTN               ErrorAt;

  EXPECT_EQ (Emu::ConfigToBlockText (Response, Block.data (), Block.size (), &Needed, &ErrorAt), EFI_DEVICE_ERROR);
  EXPECT_EQ (Needed, 11u);
  EXPECT_EQ (Block, std::vector<UINT8> (10, 0xEE));
  EXPECT_EQ (Emu::ConfigToBlockText (Response, nullptr, 0, &Needed, &ErrorAt), EFI_INVALID_PARAMETER);
  EXPECT_EQ (Needed, 11u);
  EXPECT_EQ (ErrorAt, 0u);
}

TEST (ConfigToBlock, MalformedResponsesWriteNothing)
{
  UINTN  H = kHeader.size ();
  struct CASE { std::u16string Tail; UINTN At; } Cases[] = {
    { u"&OFFSET=0&WIDTH=1",                        H + 9 },   // no VALUE
    { u"&OFFSET=0&WIDTH=1&VALUE=",                 H + 17 },  // empty VALUE
    { u"&OFFSET=0&WIDTH=1&VALUE=123",              H + 17 },  // more digits than the width holds
    { u"&OFFSET=0&WIDTH=1&VALUE=1x",               H + 17 },
    { u"&OFFSET=0&WIDTH=1&VALUE=12&OFFSET=1&WIDTH=1&VALUE=q", H + 43 },
  };
  for (const CASE &Case : Cases) {
    std::vector<UINT8>  Block (4, 0xEE);
    UINTN               Needed;
    UINTN               ErrorAt;
    EXPECT_EQ (Emu::ConfigToBlockText (kHeader + Case.Tail, Block.data (), Block.size (), &Needed, &ErrorAt),
      EFI_INVALID_PARAMETER);
    EXPECT_EQ (ErrorAt, Case.At);
    EXPECT_EQ (Block, std::vector<UINT8> (4, 0xEE));
  }
}

TEST (SplitConfigs, SplitsBeforeEachGuid)
{
  std::u16string  Text = kHeader + u"&OFFSET=0&WIDTH=1&" + kHeader;
  auto            Ranges = Emu::SplitConfigs (Text);

  ASSERT_EQ (Ranges.size (), 2u);
  EXPECT_EQ (Ranges[0], (std::pair<UINTN, UINTN>{ 0, kHeader.size () + 17 }));
  EXPECT_EQ (Ranges[1], (std::pair<UINTN, UINTN>{ kHeader.size () + 18, Text.size () }));
  EXPECT_TRUE (Emu::SplitConfigs (u"NAME=00").empty ());
}

}  // namespace
