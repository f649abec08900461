// Text helpers of the text screen: wrapping with colour carry-over, widths, escapes
// and the small parsers, measured with the emulator's font.
#include <engine/testing/TextUiMachineTest.h>

#include <Library/MemoryAllocationLib.h>

#include <string>

namespace {

class TextHelpersTest : public TextUiMachineTest {
protected:
  // WrapText's result as a string, with its line count; "<null>" for no result.
  std::u16string Wrap (const CHAR16 *Text, UINT64 Width, UINT64 *Lines)
  {
    CHAR16  *Out = WrapText (Text, Width, Lines);
    if (Out == nullptr) {
      return u"<null>";
    }
    std::u16string  Copy (Out);
    FreePool (Out);
    return Copy;
  }

  std::u16string Take (CHAR16 *Text)
  {
    std::u16string  Copy = (Text == nullptr) ? u"<null>" : std::u16string (Text);
    FreePool (Text);
    return Copy;
  }
};

TEST_F (TextHelpersTest, WrapBreaksAtSpacesAndEndsEveryLineWithLf) {
  UINT64  Lines = 0;
  EXPECT_EQ (Wrap (u"hello world foo", 5, &Lines), u"hello\nworld\nfoo\n");
  EXPECT_EQ (Lines, 3u);
  EXPECT_EQ (Wrap (u"aa bb cc", 5, &Lines), u"aa bb\ncc\n");
  EXPECT_EQ (Lines, 2u);
  // CR LF and a lone CR both end a line; an empty line stays a line.
  EXPECT_EQ (Wrap (u"ab\r\ncd\ref\n\ngh", 10, &Lines), u"ab\ncd\nef\n\ngh\n");
  EXPECT_EQ (Lines, 5u);
  EXPECT_EQ (Wrap (u"", 10, &Lines), u"");
  EXPECT_EQ (Lines, 0u);
  // A head with no space is cut at what fits.
  EXPECT_EQ (Wrap (u"abcdefgh", 3, &Lines), u"abc\ndef\ngh\n");
  EXPECT_EQ (Lines, 3u);
}

TEST_F (TextHelpersTest, WrapAlwaysMovesOnEvenWhenNothingFits) {
  UINT64  Lines = 0;
  // Width 0, and a wide character in one cell, used to leave an empty head for ever.
  EXPECT_EQ (Wrap (u"abc", 0, &Lines), u"a\nb\nc\n");
  EXPECT_EQ (Lines, 3u);
  EXPECT_EQ (Wrap (u"\x4E2D\x4E2D", 1, &Lines), u"\x4E2D\n\x4E2D\n");
  EXPECT_EQ (Lines, 2u);
  EXPECT_EQ (Wrap (u"\x4E2D\x4E2D\x4E2D", 4, &Lines), u"\x4E2D\x4E2D\n\x4E2D\n");
}

TEST_F (TextHelpersTest, WrapCarriesTheLastColourEscapeOverABreak) {
  UINT64  Lines = 0;
  EXPECT_EQ (Wrap (u"\x1b[0;31;40mred text\nnext", 4, &Lines),
    u"\x1b[0;31;40mred\n\x1b[0;31;40mtext\n\x1b[0;31;40mnext\n");
  EXPECT_EQ (Lines, 3u);
  // Escapes take no cell when the fit is measured, and a line that opens with its
  // own escape is not prefixed.
  EXPECT_EQ (Wrap (u"ab\x1b[1;37;44m cd \x1b[0;32;40mef", 5, &Lines),
    u"ab\x1b[1;37;44m cd\n\x1b[0;32;40mef\n");
}

TEST_F (TextHelpersTest, CellCountsAndFits) {
  EXPECT_EQ (CountCharsThatFit (u"abcdef", 4), 4u);
  EXPECT_EQ (CountCharsThatFit (u"a\x4E2D" u"b", 2), 1u);
  EXPECT_EQ (CountCharsThatFit (u"a\x4E2D" u"b", 3), 2u);
  EXPECT_EQ (CountCharsThatFit (u"\x1b[1;37;44mab", 1), 11u);
  EXPECT_EQ (GetTextCellCount (u"\x1b[1;37;44ma\x4E2D\xFFF0"), 3u);
  EXPECT_EQ (GetTextCellCount (nullptr), 0u);
}

TEST_F (TextHelpersTest, StripAnsiEscapesRemovesBothForms) {
  EXPECT_EQ (Take (StripAnsiEscapes (u"\x1b[1;37;44mab\\x1b[0;31;40mcd\x1b[m")), u"abcd");
  EXPECT_EQ (Take (StripAnsiEscapes (u"\\x1b[no end")), u"\\x1b[no end");
  EXPECT_EQ (StripAnsiEscapes (nullptr), nullptr);
}

TEST_F (TextHelpersTest, ExtractLastEscapeCopiesTheLastOneWithItsM) {
  CHAR16  Escape[TEXT_ESCAPE_BUFFER_CHARS];
  ExtractLastEscape (u"\x1b[0;31;40ma\x1b[1;37;44mb", Escape);
  EXPECT_EQ (std::u16string (Escape), u"\x1b[1;37;44m");
  ExtractLastEscape (u"plain", Escape);
  EXPECT_EQ (Escape[0], 0);
}

TEST_F (TextHelpersTest, StrToIntBaseReadsUpToTheFirstOtherCharacter) {
  EXPECT_EQ (StrToIntBase (u"123x4", 10), 123);
  EXPECT_EQ (StrToIntBase (u"-12", 10), 0);
  EXPECT_EQ (StrToIntBase (u"-12", 32), -12);
  EXPECT_EQ (StrToIntBase (u"1aF", 16), 0x1AF);
  EXPECT_EQ (StrToIntBase (u"12", 8), 0);
  EXPECT_EQ (StrToIntBase (u"", 10), 0);
}

TEST_F (TextHelpersTest, FormatTwoDigitsAndCopies) {
  CHAR16  Buffer[10];
  FormatTwoDigits (7, Buffer);
  EXPECT_EQ (std::u16string (Buffer), u"07");
  FormatTwoDigits (42, Buffer);
  EXPECT_EQ (std::u16string (Buffer), u"42");
  FormatTwoDigits (123, Buffer);
  EXPECT_EQ (std::u16string (Buffer), u"123");

  EXPECT_EQ (Take (AsciiToUnicodeDup ("a\xE9")), u"a\u00E9");
  CHAR8  *Ascii = UnicodeToAsciiDup (u"a\u0141");
  EXPECT_STREQ (Ascii, "aA");
  FreePool (Ascii);
  M.Memory ().FailAllocation (1);
  EXPECT_EQ (StrDupUtf16 (u"x"), nullptr);
}

TEST_F (TextHelpersTest, WrappedLinesPrintAtMostMaxLines) {
  EXPECT_EQ (PrintWrappedLines (5, 2, 6, 2, u"one two three four", 0x1E), 2u);
  EXPECT_EQ (Drawn (5, 2, 7), u"one    ");
  EXPECT_EQ (Drawn (5, 3, 5), u"two  ");
  EXPECT_EQ (Drawn (5, 4, 5), u"     ");
  EXPECT_EQ (DrawnAttribute (5, 2), 0x1E);
  EXPECT_EQ (PrintWrappedLines (0, 29, 50, 10, u"a\r\nb\nc", 0x07), 3u);    // the third line is off the screen
  EXPECT_EQ (Drawn (0, 29, 1), u"a");
  EXPECT_EQ (Drawn (0, 30, 1), u"b");
}

}  // namespace
