// Bounds and results of the string, conversion, hex and memory routines.
#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>

#include "LibraryMachine.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A copy fits exactly with its terminator; one character too long must not be
// truncated silently: the copy leaves an empty string rather than a half value.
// Overlapping ranges are denied.
TEST (StringCopy, FitsExactlyAndRefusesOneCharacterTooManyLeavingEmpty) {
  CHAR16  Buffer[8];

  EXPECT_EQ (EFI_SUCCESS, StrCpyS (Buffer, 4, u"abc"));
  EXPECT_EQ (0, StrCmp (Buffer, u"abc"));
  EXPECT_EQ (EFI_BUFFER_TOO_SMALL, StrCpyS (Buffer, 4, u"abcd"));
  EXPECT_EQ (0, Buffer[0]);
  EXPECT_EQ (EFI_INVALID_PARAMETER, StrCpyS (Buffer, 0, u"a"));
  EXPECT_EQ (EFI_INVALID_PARAMETER, StrCpyS (nullptr, 4, u"a"));
  EXPECT_EQ (EFI_SUCCESS, StrCpyS (Buffer, 8, u"abcdef"));
  EXPECT_EQ (EFI_ACCESS_DENIED, StrCpyS (Buffer + 1, 7, Buffer));
}

TEST (StringCopy, CountedCopyStopsAtCountOrTerminator) {
  CHAR16  Buffer[8];

  EXPECT_EQ (EFI_SUCCESS, StrnCpyS (Buffer, 8, u"abcdef", 3));
  EXPECT_EQ (0, StrCmp (Buffer, u"abc"));
  EXPECT_EQ (EFI_SUCCESS, StrnCpyS (Buffer, 8, u"ab", 5));
  EXPECT_EQ (0, StrCmp (Buffer, u"ab"));
}

// A source that does not fit is read no further than the destination could hold:
// its terminator may lie beyond readable memory.
TEST (StringCopy, SourceIsNotReadPastWhatFits) {
  std::vector<CHAR16>  Wide (4, u'a');     // no terminator
  std::vector<CHAR8>   Narrow (4, 'a');
  CHAR16               Buffer[4];
  CHAR8                Ascii[4];

  EXPECT_EQ (EFI_BUFFER_TOO_SMALL, StrCpyS (Buffer, 4, Wide.data ()));
  EXPECT_EQ (EFI_BUFFER_TOO_SMALL, StrnCpyS (Buffer, 4, Wide.data (), 8));
  EXPECT_EQ (EFI_SUCCESS, StrnCpyS (Buffer, 4, Wide.data (), 3));
  EXPECT_EQ (0, StrCmp (Buffer, u"aaa"));
  EXPECT_EQ (EFI_BUFFER_TOO_SMALL, AsciiStrCpyS (Ascii, 4, Narrow.data ()));
  Buffer[0] = u'x';
  Buffer[1] = 0;
  EXPECT_EQ (EFI_BUFFER_TOO_SMALL, StrCatS (Buffer, 4, Wide.data () + 1));
  EXPECT_EQ (0, StrCmp (Buffer, u"x"));
  EXPECT_EQ (EFI_BUFFER_TOO_SMALL, UnicodeStrToAsciiStrS (Wide.data (), Ascii, 4));
  EXPECT_EQ (EFI_BUFFER_TOO_SMALL, AsciiStrToUnicodeStrS (Narrow.data (), Buffer, 4));
}

TEST (StringConcat, AppendsAndKeepsDestinationWhenFull) {
  CHAR16  Buffer[6] = u"ab";

  EXPECT_EQ (EFI_SUCCESS, StrCatS (Buffer, 6, u"cd"));
  EXPECT_EQ (0, StrCmp (Buffer, u"abcd"));
  EXPECT_EQ (EFI_BUFFER_TOO_SMALL, StrCatS (Buffer, 6, u"ef"));
  EXPECT_EQ (0, StrCmp (Buffer, u"abcd"));
  EXPECT_EQ (EFI_SUCCESS, StrnCatS (Buffer, 6, u"ef", 1));
  EXPECT_EQ (0, StrCmp (Buffer, u"abcde"));
  // A destination without a terminator inside its declared size must not be walked past.
  CHAR16  Full[3] = { u'a', u'b', u'c' };
  EXPECT_EQ (EFI_BAD_BUFFER_SIZE, StrCatS (Full, 3, u"d"));
}

TEST (StringCompare, OrdersAndLimits) {
  EXPECT_EQ (0, StrCmp (u"abc", u"abc"));
  EXPECT_LT (StrCmp (u"abc", u"abd"), 0);
  EXPECT_GT (StrCmp (u"abcd", u"abc"), 0);
  EXPECT_EQ (0, StrnCmp (u"abcX", u"abcY", 3));
  EXPECT_NE (0, StrnCmp (u"abcX", u"abcY", 4));
  EXPECT_EQ (0, StriCmp (u"PlatformLang", u"platformlang"));
  EXPECT_EQ (0, AsciiStriCmp ("en-US", "EN-us"));
  EXPECT_GT (AsciiStrCmp ("\xE9", "z"), 0);   // bytes compare unsigned
}

TEST (StringSearch, FindsFirstOccurrence) {
  CONST CHAR16  *Text = u"BOOTX64.EFI.EFI";

  EXPECT_EQ (Text + 7, StrStr (Text, u".EFI"));
  EXPECT_EQ (nullptr, StrStr (Text, u".CAP"));
  EXPECT_EQ (Text, StrStr (Text, u""));
  EXPECT_STREQ ("lo", AsciiStrStr ("hello", "lo"));
}

TEST (StringNumbers, DecimalAndHexParse) {
  EXPECT_EQ (1234u, StrDecimalToUintn (u"  1234xyz"));
  EXPECT_EQ (0xABCDu, StrHexToUintn (u"0xabcd"));
  EXPECT_EQ (0x1Fu, StrHexToUintn (u"1F "));
  EXPECT_EQ (0u, StrDecimalToUintn (u"x1"));
  EXPECT_EQ (MAX_UINTN, StrDecimalToUintn (u"99999999999999999999999"));
  EXPECT_EQ (MAX_UINTN, AsciiStrHexToUintn ("1FFFFFFFFFFFFFFFF"));
  EXPECT_EQ (42u, AsciiStrDecimalToUintn ("42"));
}

TEST (StringConvert, BothDirectionsWithBounds) {
  CHAR8   Ascii[4];
  CHAR16  Wide[4];

  EXPECT_EQ (EFI_SUCCESS, UnicodeStrToAsciiStrS (u"abc", Ascii, 4));
  EXPECT_STREQ ("abc", Ascii);
  EXPECT_EQ (EFI_BUFFER_TOO_SMALL, UnicodeStrToAsciiStrS (u"abcd", Ascii, 4));
  EXPECT_EQ (EFI_SUCCESS, AsciiStrToUnicodeStrS ("\xFF" "b", Wide, 4));
  EXPECT_EQ (0xFF, Wide[0]);   // each byte widened, not sign-extended
  EXPECT_EQ (EFI_BUFFER_TOO_SMALL, AsciiStrToUnicodeStrS ("abcd", Wide, 4));
}

TEST (HexText, BytesLandLeastSignificantFirst) {
  UINT8  Buffer[4] = { 0 };
  UINTN  Len = sizeof (Buffer);
  UINTN  Used = 0;

  EXPECT_EQ (EFI_SUCCESS, HexStringToBuf (Buffer, &Len, u"12345&", &Used));
  EXPECT_EQ (3u, Len);
  EXPECT_EQ (5u, Used);
  EXPECT_EQ (0x45, Buffer[0]);
  EXPECT_EQ (0x23, Buffer[1]);
  EXPECT_EQ (0x01, Buffer[2]);
  // A short buffer learns the size needed and stays untouched.
  Len = 2;
  EXPECT_EQ (EFI_BUFFER_TOO_SMALL, HexStringToBuf (Buffer, &Len, u"0102030405", nullptr));
  EXPECT_EQ (5u, Len);
  EXPECT_EQ (0x45, Buffer[0]);
}

TEST (HexText, FourDigitsPerCharacter) {
  CHAR16  Out[4];
  UINTN   Size = sizeof (Out);

  EXPECT_EQ (EFI_SUCCESS, HexStringToUnicode (Out, &Size, u"00410062"));
  EXPECT_EQ (0, StrCmp (Out, u"Ab"));
  EXPECT_EQ (6u, Size);
  Size = 2;
  EXPECT_EQ (EFI_BUFFER_TOO_SMALL, HexStringToUnicode (Out, &Size, u"00410062"));
  EXPECT_EQ (6u, Size);
  EXPECT_EQ (EFI_INVALID_PARAMETER, HexStringToUnicode (Out, &Size, u"041"));
}

TEST (Unaligned, ReadsAndWritesAtOddOffsets) {
  UINT8  Bytes[16] = { 0 };

  WriteUnaligned32 (Bytes + 1, 0x11223344);
  EXPECT_EQ (0x44, Bytes[1]);
  EXPECT_EQ (0x11223344u, ReadUnaligned32 (Bytes + 1));
  WriteUnaligned64 (Bytes + 3, 0x0102030405060708ULL);
  EXPECT_EQ (0x0102030405060708ULL, ReadUnaligned64 (Bytes + 3));
  WriteUnaligned24 (Bytes, 0xABCDEF);
  EXPECT_EQ (0xABCDEFu, ReadUnaligned24 (Bytes));
  EXPECT_EQ (0xCDEFu, ReadUnaligned16 (Bytes));
}

TEST (Memory, CopyHandlesOverlapAndCompareIsUnsigned) {
  UINT8  Bytes[8] = { 1, 2, 3, 4, 5, 6, 7, 8 };

  CopyMem (Bytes + 2, Bytes, 4);
  const UINT8  Expected[8] = { 1, 2, 1, 2, 3, 4, 7, 8 };
  EXPECT_EQ (0, CompareMem (Bytes, Expected, 8));
  const UINT8  High = 0xF0, Low = 0x10;
  EXPECT_GT (CompareMem (&High, &Low, 1), 0);
  SetMem16 (Bytes, 5, 0xBEEF);   // the odd last byte stays
  EXPECT_EQ (0xBEEF, ReadUnaligned16 (Bytes + 2));
  EXPECT_EQ (3, Bytes[4]);
}

TEST (Pool, ReallocateKeepsPrefixZeroesTailAndFreesOldOrKeepsItOnFailure) {
  LibraryMachine  Firmware;
  UINT8         *Buffer = (UINT8 *)AllocateCopyPool (3, "abc");

  ASSERT_NE (nullptr, Buffer);
  Buffer = (UINT8 *)ReallocatePool (3, 6, Buffer);
  ASSERT_NE (nullptr, Buffer);
  EXPECT_EQ (0, std::memcmp (Buffer, "abc\0\0\0", 6));
  EXPECT_EQ (1u, Firmware.LiveBlocks ());
  // A failed reallocation keeps the old buffer.
  Firmware.FailNextAllocation ();
  EXPECT_EQ (nullptr, ReallocatePool (6, 12, Buffer));
  EXPECT_EQ (1u, Firmware.LiveBlocks ());
  FreeAndNull (Buffer);
  EXPECT_EQ (nullptr, Buffer);
  EXPECT_EQ (0u, Firmware.LiveBlocks ());
  VOID  *Other = AllocateZeroPool (4);
  FreePoolAndNull (&Other);
  EXPECT_EQ (nullptr, Other);
}

}  // namespace
