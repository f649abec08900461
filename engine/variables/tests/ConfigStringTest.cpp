// Configuration-string text: the header builder, OFFSET/WIDTH appending, the
// keyword check of results, VALUE conversion and the header decoder of the engine's
// own instance, with the hex and length rules of the UEFI grammar.
#include <engine/testing/HiiEngineTest.h>

#include <engine/variables/ConfigString.h>
#include <Library/MemoryAllocationLib.h>

#include <EmulatorHii/ConfigString.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const EFI_GUID  kGuid = { 0x12345678, 0x9ABC, 0xDEF0, { 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF } };
// The GUID's bytes in memory order, as "GUID=" carries them.
const std::u16string  kGuidText = u"78563412bc9af0de0123456789abcdef";

class ConfigStringTest : public HiiEngineTest {};

std::vector<UINT8>
EndOnlyPath ()
{
  return { 0x7F, 0xFF, 0x04, 0x00 };
}

TEST_F (ConfigStringTest, HeaderCarriesGuidNameAndPathInLowerCaseHex) {
  std::vector<UINT8>  Path = EndOnlyPath ();
  CHAR16              Buffer[128];
  UINTN               Size = sizeof (Buffer);

  ASSERT_EQ (BuildConfigHdr (Buffer, &Size, &kGuid, u"Setup", (EFI_DEVICE_PATH_PROTOCOL *)Path.data ()), EFI_SUCCESS);
  std::u16string  Expected = u"GUID=" + kGuidText + u"&NAME=00530065007400750070&PATH=7fff0400";
  EXPECT_EQ (std::u16string (Buffer), Expected);
  EXPECT_EQ (Size, (Expected.size () + 1) * sizeof (CHAR16));
  // A name/value store's header leaves the name empty.
  Size = sizeof (Buffer);
  ASSERT_EQ (BuildConfigHdr (Buffer, &Size, &kGuid, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_EQ (std::u16string (Buffer), u"GUID=" + kGuidText + u"&NAME=&PATH=");
}

TEST_F (ConfigStringTest, HeaderReportsTheSizeItNeeds) {
  CHAR16  Buffer[8] = { u'x', 0 };
  UINTN   Size      = sizeof (Buffer);

  EXPECT_EQ (BuildConfigHdr (Buffer, &Size, &kGuid, u"A", nullptr), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ (Size, (5 + 32 + 6 + 4 + 6 + 1) * sizeof (CHAR16));
  EXPECT_EQ (Buffer[0], u'x');      // untouched
  Size = 0;
  EXPECT_EQ (BuildConfigHdr (nullptr, &Size, &kGuid, u"A", nullptr), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ (BuildConfigHdr (nullptr, nullptr, &kGuid, u"A", nullptr), EFI_INVALID_PARAMETER);
  std::vector<UINT8>  Path = { 0x01, 0x04, 0x03, 0x00 };     // length below a node header: no end node
  EXPECT_EQ (BuildConfigHdr (nullptr, &Size, &kGuid, u"A", (EFI_DEVICE_PATH_PROTOCOL *)Path.data ()), EFI_INVALID_PARAMETER);
}

TEST_F (ConfigStringTest, OffsetAndWidthAreHexWithoutLeadingZeros) {
  UINTN   Size    = sizeof (u"GUID=");
  CHAR16  *Request = (CHAR16 *)AllocateCopyPool (Size, u"GUID=");

  ASSERT_EQ (AppendOffsetWidth (&Request, &Size, 4, 2), EFI_SUCCESS);
  EXPECT_EQ (Text (Request), u"GUID=&OFFSET=4&WIDTH=2");
  ASSERT_EQ (AppendOffsetWidth (&Request, &Size, 0x100, 0x1F), EFI_SUCCESS);
  EXPECT_EQ (Text (Request), u"GUID=&OFFSET=4&WIDTH=2&OFFSET=100&WIDTH=1f");
  EXPECT_EQ (Size, (Text (Request).size () + 1) * sizeof (CHAR16));

  // A failed allocation frees the request.
  UINT64  Mark = M.Memory ().AllocationCount () - 1;
  M.Memory ().FailAllocation (1);
  EXPECT_EQ (AppendOffsetWidth (&Request, &Size, 0, 0), EFI_OUT_OF_RESOURCES);
  EXPECT_EQ (Request, nullptr);
  EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ());
}

TEST_F (ConfigStringTest, ValidationAcceptsTheKeywordsOfAConfiguration) {
  std::u16string  Header = u"GUID=" + kGuidText + u"&NAME=0041&PATH=7fff0400";

  EXPECT_EQ (ValidateConfigString ((Header + u"&OFFSET=0&WIDTH=2&VALUE=3412").c_str (), FALSE), EFI_SUCCESS);
  EXPECT_EQ (ValidateConfigString ((Header + u"&OFFSET=0&WIDTH=2&VALUE=3412&" + Header + u"&ALTCFG=0000&OFFSET=0&WIDTH=2&VALUE=0")
                                     .c_str (), FALSE), EFI_SUCCESS);
  EXPECT_EQ (ValidateConfigString ((Header + u"&OFFSET=0").c_str (), TRUE), EFI_SUCCESS);
  // A name/value answer: after the header, the pairs are the driver's own names.
  EXPECT_EQ (ValidateConfigString ((Header + u"&Speed=0064").c_str (), TRUE), EFI_SUCCESS);
}

TEST_F (ConfigStringTest, ValidationRefusesOtherKeywordsAndBadGuids) {
  std::u16string  Header = u"GUID=" + kGuidText + u"&NAME=0041&PATH=7fff0400";

  EXPECT_EQ (ValidateConfigString ((Header + u"&Speed=0064").c_str (), FALSE), EFI_NOT_FOUND);
  EXPECT_EQ (ValidateConfigString ((Header + u"&OFFSET=0&WIDTH=2").c_str (), TRUE), EFI_SUCCESS);
  EXPECT_EQ (ValidateConfigString ((u"GUID=" + kGuidText + u"&WIDTH=2").c_str (), TRUE), EFI_NOT_FOUND);
  EXPECT_EQ (ValidateConfigString (u"NAME=0041", FALSE), EFI_NOT_FOUND);
  EXPECT_EQ (ValidateConfigString (u"GUID=1234&NAME=0041", FALSE), EFI_NOT_FOUND);
  EXPECT_EQ (ValidateConfigString ((u"GUID=" + kGuidText.substr (0, 31) + u"g&NAME=").c_str (), FALSE), EFI_NOT_FOUND);
  EXPECT_EQ (ValidateConfigString (nullptr, FALSE), EFI_NOT_FOUND);
}

TEST_F (ConfigStringTest, ValueDigitsAreANumberLastByteFirst) {
  UINT8  *Buffer = nullptr;

  ASSERT_EQ (ConfigValueToBuffer (&Buffer, u"3412&GUID=", 2, FALSE), EFI_SUCCESS);
  EXPECT_EQ (Buffer[0], 0x12);
  EXPECT_EQ (Buffer[1], 0x34);
  FreePool (Buffer);
  Buffer = nullptr;
  // Fewer digits than the width: the high bytes are 0; upper-case digits are read too.
  ASSERT_EQ (ConfigValueToBuffer (&Buffer, u"A", 4, FALSE), EFI_SUCCESS);
  EXPECT_EQ (std::vector<UINT8> (Buffer, Buffer + 4), (std::vector<UINT8> { 0x0A, 0, 0, 0 }));
  FreePool (Buffer);
  // Digits that do not fit or are no hex are refused.
  Buffer = nullptr;
  EXPECT_EQ (ConfigValueToBuffer (&Buffer, u"123456", 2, FALSE), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ConfigValueToBuffer (&Buffer, u"12x4", 2, FALSE), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ConfigValueToBuffer (&Buffer, u"", 2, FALSE), EFI_INVALID_PARAMETER);
  EXPECT_EQ (ConfigValueToBuffer (&Buffer, u"&VALUE", 2, FALSE), EFI_INVALID_PARAMETER);
  EXPECT_EQ (Buffer, nullptr);
}

TEST_F (ConfigStringTest, LongNameValueValuesAreFourDigitsPerCharacter) {
  UINT8  *Buffer = nullptr;

  ASSERT_EQ (ConfigValueToBuffer (&Buffer, u"004f004b", 12, TRUE), EFI_SUCCESS);
  EXPECT_EQ (std::u16string ((const char16_t *)Buffer, 2), u"OK");
  EXPECT_EQ (Buffer[4], 0);
  EXPECT_EQ (ConfigValueToBuffer (&Buffer, u"004f004", 12, TRUE), EFI_INVALID_PARAMETER);    // not whole characters
  FreePool (Buffer);
}

TEST_F (ConfigStringTest, HeaderDecoderReadsGuidAndName) {
  std::u16string  Request = u"GUID=" + kGuidText + u"&NAME=" + Emu::HexName (u"Setup") + u"&PATH=00";
  EFI_GUID        Guid;
  CHAR16          Name[CONFIG_NAME_MAX_LENGTH + 1];
  UINTN           NameEnd;

  ASSERT_EQ (DecodeConfigHeader (Request.c_str (), &Guid, Name, &NameEnd), EFI_SUCCESS);
  EXPECT_EQ (std::memcmp (&Guid, &kGuid, sizeof (Guid)), 0);
  EXPECT_EQ (std::u16string (Name), u"Setup");
  EXPECT_EQ (NameEnd, 37u + 6 + 20);
  EXPECT_EQ (FindConfigPathEnd (Request.c_str (), NameEnd), Request.size ());
}

// The name is decoded into a fixed buffer: odd, non-hex or over-long names are
// refused at the "&" before NAME (character 37) instead of overrunning it.
TEST_F (ConfigStringTest, HeaderDecoderRefusesMalformedNames) {
  std::u16string  Start = u"GUID=" + kGuidText + u"&NAME=";
  EFI_GUID        Guid;
  CHAR16          Name[CONFIG_NAME_MAX_LENGTH + 1];
  UINTN           NameEnd = 99;

  for (const std::u16string &Bad : { std::u16string (u"00410"), std::u16string (u"004g"), std::u16string (u"0041 "),
                                     Emu::HexName (std::u16string (CONFIG_NAME_MAX_LENGTH + 1, u'a')) }) {
    EXPECT_EQ (DecodeConfigHeader ((Start + Bad).c_str (), &Guid, Name, &NameEnd), EFI_INVALID_PARAMETER) << (int)Bad.size ();
    EXPECT_EQ (NameEnd, 37u);
  }

  std::u16string  Longest = Emu::HexName (std::u16string (CONFIG_NAME_MAX_LENGTH, u'a'));
  ASSERT_EQ (DecodeConfigHeader ((Start + Longest).c_str (), &Guid, Name, &NameEnd), EFI_SUCCESS);
  EXPECT_EQ (std::u16string (Name), std::u16string (CONFIG_NAME_MAX_LENGTH, u'a'));
}

TEST_F (ConfigStringTest, HeaderDecoderRefusesMalformedGuidsAtTheStart) {
  EFI_GUID  Guid;
  CHAR16    Name[CONFIG_NAME_MAX_LENGTH + 1];
  UINTN     NameEnd = 99;

  for (const std::u16string &Bad : { u"GUID=" + kGuidText.substr (0, 31) + u"&NAME=", u"GUID=" + kGuidText + u"0&NAME=",
                                     u"GUID=" + kGuidText.substr (0, 31) + u"x&NAME=", std::u16string (u"GUID="),
                                     u"NAME=" + kGuidText + u"&NAME=" }) {
    EXPECT_EQ (DecodeConfigHeader (Bad.c_str (), &Guid, Name, &NameEnd), EFI_INVALID_PARAMETER);
    EXPECT_EQ (NameEnd, 0u);
  }
}

TEST_F (ConfigStringTest, PathEndNeedsAPathOfWholeBytes) {
  std::u16string  Head = u"GUID=" + kGuidText + u"&NAME=0041";

  EXPECT_EQ (FindConfigPathEnd ((Head + u"&PATH=7fff0400&OFFSET=0").c_str (), Head.size ()), Head.size () + 14);
  EXPECT_EQ (FindConfigPathEnd ((Head + u"&PATH=7ff").c_str (), Head.size ()), 0u);
  EXPECT_EQ (FindConfigPathEnd ((Head + u"&OFFSET=0").c_str (), Head.size ()), 0u);
  EXPECT_EQ (FindConfigPathEnd (Head.c_str (), Head.size ()), 0u);
}

}  // namespace
