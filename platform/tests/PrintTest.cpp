// The formatter: numbers with every flag, strings, GUIDs, status names and bounds.
#include <Library/PrintLib.h>
#include <Library/BaseLib.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::u16string Print (const CHAR16 *Format, ...)
{
  CHAR16   Buffer[256];
  va_list  Marker;

  va_start (Marker, Format);
  UnicodeVSPrint (Buffer, sizeof (Buffer), Format, Marker);
  va_end (Marker);
  return std::u16string (Buffer);
}

std::string PrintA (const CHAR8 *Format, ...)
{
  CHAR8    Buffer[256];
  va_list  Marker;

  va_start (Marker, Format);
  AsciiVSPrint (Buffer, sizeof (Buffer), Format, Marker);
  va_end (Marker);
  return std::string (Buffer);
}

TEST (PrintNumbers, SignedUnsignedAndWidths) {
  EXPECT_EQ (u"-42|42|  7|007|7  |+5", Print (u"%d|%u|%3d|%03d|%-3d|%+d", -42, 42u, 7, 7, 7, 5));
  EXPECT_EQ (u"-0005", Print (u"%05d", -5));
  EXPECT_EQ (u"-9223372036854775808", Print (u"%ld", (INT64)INT64_MIN));
  EXPECT_EQ (u"18446744073709551615", Print (u"%lu", (UINT64)UINT64_MAX));
  EXPECT_EQ (u"  010", Print (u"%5.3d", 10));
  EXPECT_EQ (u"  12|3", Print (u"%*d|%.*s", 4, 12, 1, u"345"));
}

// Without 'l' a 32-bit argument is read; with it the full 64 bits.
TEST (PrintNumbers, HexCaseLengthAndPrefix) {
  EXPECT_EQ (u"ff|FF|0x1f|0X1F|000000ab", Print (u"%x|%X|%#x|%#X|%08x", 255u, 255u, 31u, 31u, 0xABu));
  EXPECT_EQ (u"123456789ABCDEF0", Print (u"%lX", 0x123456789ABCDEF0ULL));
  EXPECT_EQ (u"FFFFFFFF", Print (u"%X", 0xFFFFFFFFu));
  EXPECT_EQ (u"0x00ff", Print (u"%#06x", 255u));
}

TEST (PrintText, StringsCharsAndPrecision) {
  EXPECT_EQ (u"[abc][  abc][abc  ][ab][x][\u00e9]",
    Print (u"[%s][%5s][%-5S][%.2s][%a][%c]", u"abc", u"abc", u"abc", u"abc", "x", 0xE9));
  EXPECT_EQ (u"<null string>", Print (u"%s", (CHAR16 *)nullptr));
  EXPECT_EQ (u"100%", Print (u"100%%"));
  EXPECT_EQ (u"end%", Print (u"end%"));   // a lone trailing percent stands as it is
  // GUIDs in registry form.
  EFI_GUID  Guid = { 0x0ADFB62D, 0xFF74, 0x484C, { 0x89, 0x44, 0xF8, 0x5C, 0x4B, 0xEA, 0x87, 0xA8 } };
  EXPECT_EQ (u"0ADFB62D-FF74-484C-8944-F85C4BEA87A8", Print (u"%g", &Guid));
  EXPECT_EQ ("0ADFB62D-FF74-484C-8944-F85C4BEA87A8", PrintA ("%g", &Guid));
}

TEST (PrintStatus, NamesOfErrorsWarningsAndSuccess) {
  EXPECT_EQ (u"EFI_SUCCESS", Print (u"%r", EFI_SUCCESS));
  EXPECT_EQ (u"EFI_LOAD_ERROR", Print (u"%r", EFI_LOAD_ERROR));
  EXPECT_EQ (u"EFI_NOT_FOUND", Print (u"%r", EFI_NOT_FOUND));
  EXPECT_EQ (u"EFI_END_OF_MEDIA", Print (u"%r", EFI_END_OF_MEDIA));
  EXPECT_EQ (u"EFI_UNDEFINED_29", Print (u"%r", ENCODE_ERROR (29)));
  EXPECT_EQ (u"EFI_UNDEFINED_30", Print (u"%r", ENCODE_ERROR (30)));
  EXPECT_EQ (u"EFI_WARN_UNKNOWN_GLYPH", Print (u"%r", EFI_WARN_UNKNOWN_GLYPH));
  EXPECT_EQ (u"EFI_WARN_BUFFER_TOO_SMALL", Print (u"%r", EFI_WARN_BUFFER_TOO_SMALL));
  EXPECT_EQ (u"EFI_WARN_STALE_DATA", Print (u"%r", EFI_WARN_STALE_DATA));
}

// Values past the named ranges print as "Status Code(<hex>)" with the whole value,
// so an error stays distinguishable from the warning with the same low bits.
TEST (PrintStatus, UnknownCodesPrintTheirValue) {
  EXPECT_EQ (u"Status Code(800000000000001F)", Print (u"%r", ENCODE_ERROR (31)));
  EXPECT_EQ (u"Status Code(6)", Print (u"%r", (EFI_STATUS)6));
  EXPECT_EQ (u"Status Code(8000000000000000)", Print (u"%r", ENCODE_ERROR (0)));
  EXPECT_EQ (nullptr, StatusCodeName (ENCODE_ERROR (0)));
}

TEST (PrintBounds, OutputIsCutAndTerminated) {
  CHAR16  Small[4] = { 0x5555, 0x5555, 0x5555, 0x5555 };
  CHAR8   Tiny[1]  = { 'x' };
  UINTN   Count    = UnicodeSPrint (Small, sizeof (Small), u"%s", u"abcdef");

  EXPECT_EQ (3u, Count);
  EXPECT_EQ (u"abc", std::u16string (Small));
  EXPECT_EQ (0u, AsciiSPrint (Tiny, 1, "abc"));
  EXPECT_EQ (0, Tiny[0]);
  EXPECT_EQ (0u, AsciiSPrint (Tiny, 0, "abc"));
}

TEST (PrintBounds, MeasuredPrintReportsFullLength) {
  CHAR8  Buffer[4];
  UINTN  Full = 0;

  auto Measure = [&] (const CHAR8 *Format, ...) {
    va_list  Marker;
    va_start (Marker, Format);
    UINTN  Written = AsciiVSPrintMeasured (Buffer, sizeof (Buffer), Format, Marker, &Full);
    va_end (Marker);
    return Written;
  };
  EXPECT_EQ (3u, Measure ("%a-%d", "abc", 12345));
  EXPECT_EQ (9u, Full);
}

TEST (PrintText, TimeAndAsciiFormatIntoUnicode) {
  EFI_TIME  Time = {};
  CHAR16    Buffer[64];

  Time.Year = 2026; Time.Month = 12; Time.Day = 6; Time.Hour = 9; Time.Minute = 5;
  EXPECT_EQ (u"12/06/2026  09:05", Print (u"%t", &Time));
  UnicodeSPrintAsciiFormat (Buffer, sizeof (Buffer), "Boot%04X", 0x1Au);
  EXPECT_EQ (u"Boot001A", std::u16string (Buffer));
}

}  // namespace
