// The text screen on the emulator: what each primitive puts in the drawing buffer,
// cell by cell, and what the flush sends to the console, call by call.
#include <engine/testing/TextUiMachineTest.h>

#include <Library/MemoryAllocationLib.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using Emu::TextOp;

class TextScreenTest : public TextUiMachineTest {
protected:
  std::vector<Emu::TEXT_CALL> CallsOf (TextOp Op)
  {
    std::vector<Emu::TEXT_CALL>  Found;
    for (const Emu::TEXT_CALL &Call : Devices.TextOut->Calls ()) {
      if (Call.Op == Op) {
        Found.push_back (Call);
      }
    }
    return Found;
  }

  // Clears and flushes, so the console and its image agree and the log is empty.
  void Settle ()
  {
    ClearTextScreen ();
    FlushTextScreen ();
    Devices.TextOut->ClearCalls ();
  }
};

TEST_F (TextScreenTest, BufferLayoutAndAClearedScreen) {
  EXPECT_EQ (gTextScreen->Signature, SIGNATURE_32 ('S', 'A', 'C', 'T'));
  for (UINTN Cell : { 0u, 1234u, 3099u }) {
    EXPECT_EQ (gTextScreen->Chars[Cell], u' ');
    EXPECT_EQ (gTextScreen->Attributes[Cell], 0x07);
    EXPECT_EQ (gTextScreenShown->Chars[Cell], 0);    // the console image starts zeroed
  }
  ClearTextScreen ();
  EXPECT_EQ (gDirtyFirstRow, 0u);
  EXPECT_EQ (gDirtyLastRow, 30u);
  EXPECT_EQ (Devices.TextOut->CountCalls (TextOp::ClearScreen), 1u);
  // What the cleared console shows is what the image now holds: nothing to send.
  Devices.TextOut->ClearCalls ();
  FlushTextScreen ();
  EXPECT_EQ (Devices.TextOut->CountCalls (TextOp::OutputString), 0u);
  EXPECT_EQ (gDirtyFirstRow, (UINT64)TEXT_NO_DIRTY_ROW);
}

TEST_F (TextScreenTest, TheLastCellOfTheScreenIsNeverSent) {
  Settle ();
  PrintAt (98, 30, u"ab", 0x07);
  EXPECT_EQ (Drawn (98, 30, 2), u"ab");
  FlushTextScreen ();
  EXPECT_EQ (Devices.TextOut->Cell (98, 30).Char, u'a');
  EXPECT_EQ (Devices.TextOut->Cell (99, 30).Char, u' ');
  for (const Emu::TEXT_CALL &Call : CallsOf (TextOp::OutputString)) {
    EXPECT_EQ (Call.Text.find (u'b'), std::u16string::npos);
  }
  EXPECT_EQ (Devices.TextOut->Cell (0, 0).Char, u' ');     // nothing scrolled
}

TEST_F (TextScreenTest, OneChangeInALongRunSendsOnlyThatCellAfterOneCursorMove) {
  Settle ();
  PrintAt (0, 5, std::u16string (60, u'x').c_str (), 0x1F);
  FlushTextScreen ();
  Devices.TextOut->ClearCalls ();

  PrintAt (30, 5, u"y", 0);
  FlushTextScreen ();
  auto  Texts   = CallsOf (TextOp::OutputString);
  auto  Cursors = CallsOf (TextOp::SetCursorPosition);
  ASSERT_EQ (Texts.size (), 1u);
  EXPECT_EQ (Texts[0].Text, u"y");
  ASSERT_EQ (Cursors.size (), 1u);
  EXPECT_EQ (Cursors[0].A, 30u);
  EXPECT_EQ (Cursors[0].B, 5u);
  EXPECT_EQ (Devices.TextOut->Cell (30, 5).Attribute, 0x1F);
}

TEST_F (TextScreenTest, RunRulesShortRunsWholeLongGapsSkippedNearEndsJoined) {
  Settle ();
  PrintAt (0, 2, std::u16string (100, u'-').c_str (), 0x70);
  FlushTextScreen ();
  Devices.TextOut->ClearCalls ();

  // Changes at 5 and 20 (gap of 14 cells: two pieces), at 90 (9 cells from the end:
  // sent to the end) and at 50-52 (one piece).
  PrintAt (5, 2, u"a", 0);
  PrintAt (20, 2, u"b", 0);
  PrintAt (50, 2, u"ccc", 0);
  PrintAt (90, 2, u"d", 0);
  FlushTextScreen ();
  std::vector<std::u16string>  Sent;
  for (const auto &Call : CallsOf (TextOp::OutputString)) {
    Sent.push_back (Call.Text);
  }
  std::vector<std::u16string>  Expected = {
    u"-----a", u"b", u"ccc", u"d" + std::u16string (9, u'-'),
  };
  EXPECT_EQ (Sent, Expected);
  EXPECT_EQ (Devices.TextOut->CountCalls (TextOp::SetAttribute), 1u);
  EXPECT_EQ (Devices.TextOut->RowText (2), Drawn (0, 2, 100));

  // Within 11 cells the unchanged cells between two changes go along.
  Devices.TextOut->ClearCalls ();
  PrintAt (60, 2, u"e", 0);
  PrintAt (70, 2, u"f", 0);
  FlushTextScreen ();
  ASSERT_EQ (CallsOf (TextOp::OutputString).size (), 1u);
  EXPECT_EQ (CallsOf (TextOp::OutputString)[0].Text, u"e---------f");
}

TEST_F (TextScreenTest, AttributeRunsEachGetTheirAttributeOnce) {
  Settle ();
  PrintAt (0, 0, u"\x1b[0;31;40mred\x1b[0;32;40mgreen", 0x07);
  FlushTextScreen ();
  auto  Attributes = CallsOf (TextOp::SetAttribute);
  ASSERT_GE (Attributes.size (), 2u);
  EXPECT_EQ (Attributes[0].A, 0x04u);
  EXPECT_EQ (Attributes[1].A, 0x02u);
  EXPECT_EQ (Devices.TextOut->Cell (2, 0).Attribute, 0x04);
  EXPECT_EQ (Devices.TextOut->Cell (3, 0).Attribute, 0x02);
  EXPECT_EQ (Shown (0, 0, 8), u"redgreen");
}

TEST_F (TextScreenTest, ColourEscapeSetsBrightForegroundAndBackground) {
  PrintAt (0, 4, u"\x1b[1;37;44mab", 0x07);
  EXPECT_EQ (Drawn (0, 4, 2), u"ab");
  EXPECT_EQ (DrawnAttribute (0, 4), 0x1F);
  EXPECT_EQ (DrawnAttribute (1, 4), 0x1F);
  // The escape takes no cell: the cells after the text keep their attribute.
  EXPECT_EQ (Drawn (2, 4, 1), u" ");
  EXPECT_EQ (DrawnAttribute (2, 4), 0x07);

  UINT8  B, F, G;
  EXPECT_EQ (ParseAnsiEscape (u"\x1b[m", &B, &F, &G), 2u);
  EXPECT_EQ (B, TEXT_ESCAPE_NO_VALUE);
  EXPECT_EQ (ParseAnsiEscape (u"\x1b[1;37;44m", &B, &F, &G), 9u);
  EXPECT_EQ (ParseAnsiEscape (u"\x1b[1;37;44;0m", &B, &F, &G), 0u);   // the "m" is too far
  EXPECT_EQ (ParseAnsiEscape (u"[1m", &B, &F, &G), 0u);
  // An omitted field keeps that part; a number outside the tables gives colour 0.
  EXPECT_EQ (ParseAnsiEscape (u"\x1b[;99m", &B, &F, &G), 5u);
  EXPECT_EQ (ApplyAnsiEscape (0x4B, B, F, G), 0x48);
}

TEST_F (TextScreenTest, GlyphMarksAreSkippedAndZeroAttributeKeepsCells) {
  FillTextRect (0, 1, 10, 1, 0x30);
  PrintAt (0, 1, u"a\xFFF0" u"b\xFFF1" u"c", 0);
  EXPECT_EQ (Drawn (0, 1, 4), u"abc ");
  EXPECT_EQ (DrawnAttribute (0, 1), 0x30);
  EXPECT_EQ (DrawnAttribute (3, 1), 0x30);
}

TEST_F (TextScreenTest, PrintingIsClippedAtTheRightEdgeAndTheLastRow) {
  PrintAt (95, 3, u"abcdefgh", 0x1E);
  EXPECT_EQ (Drawn (95, 3, 5), u"abcde");
  EXPECT_EQ (Drawn (0, 4, 3), u"   ");           // nothing bled into the next row
  EXPECT_EQ (DrawnAttribute (0, 4), 0x07);
  PrintAt (97, 30, u"xyz123", 0x1E);              // the buffer's very end
  EXPECT_EQ (Drawn (97, 30, 3), u"xyz");
  PrintAt (0, 31, u"off", 0x1E);
  PrintAt (100, 0, u"off", 0x1E);
  EXPECT_EQ (gDirtyLastRow, 30u);
  EXPECT_EQ (Drawn (0, 0, 3), u"   ");
}

TEST_F (TextScreenTest, WideCharactersTakeTwoCellsAndAreNotSplitAtTheEdge) {
  Settle ();
  EXPECT_TRUE (IsWideChar (u'\x4E2D'));
  EXPECT_FALSE (IsWideChar (u'a'));
  PrintAt (0, 6, u"\x4E2D" u"a", 0x0E);
  EXPECT_EQ (Drawn (0, 6, 1), u"\x4E2D");
  EXPECT_EQ (Drawn (2, 6, 1), u"a");
  EXPECT_EQ (DrawnAttribute (1, 6), 0x0E);

  PrintAt (97, 6, u"\x4E2D\x4E2D", 0x0E);          // the second would need cells 99 and 100
  EXPECT_EQ (Drawn (97, 6, 1), u"\x4E2D");
  EXPECT_EQ (Drawn (99, 6, 1), u" ");
  PrintAt (99, 7, u"\x4E2D", 0x0E);
  EXPECT_EQ (Drawn (99, 7, 1), u" ");

  FlushTextScreen ();
  EXPECT_EQ (Devices.TextOut->Cell (0, 6).Char, u'\x4E2D');
  EXPECT_EQ (Devices.TextOut->Cell (2, 6).Char, u'a');
  EXPECT_EQ (Devices.TextOut->Cell (97, 6).Char, u'\x4E2D');
  EXPECT_EQ (Devices.TextOut->Cell (98, 6).Char, 0);        // its right half
  EXPECT_EQ (Devices.TextOut->Cell (99, 6).Char, u' ');
}

TEST_F (TextScreenTest, AWideCharacterLeftOfAFillGivesWay) {
  PrintAt (9, 8, u"\x4E2D", 0x07);
  FlushTextScreen ();
  FillTextRect (10, 8, 5, 1, 0x20);
  EXPECT_EQ (Drawn (9, 8, 1), u" ");
  EXPECT_EQ (DrawnAttribute (10, 8), 0x20);
}

TEST_F (TextScreenTest, AlignedPrinting) {
  PrintAligned (10, 21, 0, 0, u"abc", 0x07);       // 11 cells, 3 wide: (11 - 3) / 2 = 4
  EXPECT_EQ (Drawn (14, 0, 3), u"abc");
  PrintAligned (10, 21, 1, 2, u"abc", 0x07);       // ends at the right bound
  EXPECT_EQ (Drawn (18, 1, 3), u"abc");
  PrintAligned (10, 13, 2, 2, u"abcde", 0x07);     // not left of Left
  EXPECT_EQ (Drawn (10, 2, 5), u"abcde");
  PrintAligned (10, 13, 3, 0, u"abcde", 0x07);     // centred and too long: cut
  EXPECT_EQ (Drawn (10, 3, 4), u"abc ");
  PrintAligned (10, 21, 4, 1, u"abc", 0x07);
  EXPECT_EQ (Drawn (10, 4, 3), u"abc");
  PrintAligned (30, 20, 5, 0, u"abc", 0x07);       // Right before Left: nothing fits
  EXPECT_EQ (Drawn (20, 5, 20), std::u16string (20, u' '));
}

TEST_F (TextScreenTest, BoxesAtTheBordersAreClipped) {
  DrawBox (10, 29, 5, 3, 0x70, TRUE, TRUE);
  EXPECT_EQ (Drawn (10, 29, 5), u"\x250C\x2500\x2500\x2500\x2510");
  EXPECT_EQ (Drawn (10, 30, 5), u"\x2502   \x2502");
  EXPECT_EQ (DrawnAttribute (10, 30), 0x70);
  EXPECT_EQ (DrawnAttribute (15, 30), 0x08);        // shadow right of the box
  EXPECT_EQ (DrawnAttribute (16, 30), 0x08);
  EXPECT_EQ (DrawnAttribute (17, 30), 0x07);
  EXPECT_EQ (DrawnAttribute (11, 29), 0x70);

  DrawBox (96, 0, 10, 2, 0x1F, TRUE, TRUE);
  EXPECT_EQ (Drawn (96, 0, 4), u"\x250C\x2500\x2500\x2500");
  EXPECT_EQ (Drawn (96, 1, 1), u"\x2514");
  EXPECT_EQ (Drawn (0, 1, 2), u"  ");              // nothing wrapped to the row start
  EXPECT_EQ (DrawnAttribute (0, 2), 0x07);

  // The frame keeps the cells' attributes.
  FillTextRect (40, 10, 4, 3, 0x4E);
  DrawBoxFrame (40, 10, 4, 3);
  EXPECT_EQ (Drawn (40, 11, 4), u"\x2502  \x2502");
  EXPECT_EQ (DrawnAttribute (40, 11), 0x4E);
  DrawBoxFrame (50, 10, (UINT64)-1, (UINT64)-1);    // sizes that would wrap
  EXPECT_EQ (Drawn (50, 10, 1), u"\x250C");
  EXPECT_EQ (Drawn (49, 10, 1), u" ");
}

// What lies under a box's shadow stays there, darkened: text beside a box stays readable.
TEST_F (TextScreenTest, ABoxShadowKeepsTheTextUnderIt) {
  PrintAt (10, 5, u"abcdefghij", 0x71);
  PrintAt (10, 8, u"klmnopqrst", 0x71);
  DrawBox (2, 4, 10, 4, 0x1F, TRUE, TRUE);         // columns 2-11, rows 4-7; shadow to column 13, row 8
  EXPECT_EQ (Drawn (12, 5, 3), u"cde");
  EXPECT_EQ (DrawnAttribute (12, 5), 0x08);
  EXPECT_EQ (DrawnAttribute (13, 5), 0x08);
  EXPECT_EQ (DrawnAttribute (14, 5), 0x71);
  EXPECT_EQ (Drawn (10, 8, 5), u"klmno");
  EXPECT_EQ (DrawnAttribute (10, 8), 0x08);
  EXPECT_EQ (DrawnAttribute (14, 8), 0x71);
}

TEST_F (TextScreenTest, PutCharAtUsesBrightWhiteAndStaysInTheBuffer) {
  PutCharAt (u'*', 3 * 100 + 7);
  EXPECT_EQ (Drawn (7, 3, 1), u"*");
  EXPECT_EQ (DrawnAttribute (7, 3), 0x0F);
  PutCharAt (u'*', 3100);
  EXPECT_EQ (gDirtyLastRow, 3u);
}

TEST_F (TextScreenTest, SaveAndRestore) {
  PrintAt (0, 0, u"saved", 0x1F);
  TEXT_SCREEN_BUFFER  *Saved = SaveTextScreen ();
  ASSERT_NE (Saved, nullptr);
  EXPECT_EQ (Saved->Signature, SIGNATURE_32 ('S', 'S', 'A', 'V'));
  PrintAt (0, 0, u"later", 0x70);
  FlushTextScreen ();

  // A copy that is not marked saved changes nothing.
  TEXT_SCREEN_BUFFER  *Other = SaveTextScreen ();
  Other->Signature = SIGNATURE_32 ('S', 'A', 'C', 'T');
  Devices.TextOut->ClearCalls ();
  RestoreTextScreen (Other);
  EXPECT_EQ (Drawn (0, 0, 5), u"later");
  EXPECT_EQ (Devices.TextOut->Calls ().size (), 0u);
  FreePool (Other);
  RestoreTextScreen (nullptr);

  UINT64  Mark = M.Memory ().AllocationCount ();
  RestoreTextScreen (Saved);
  EXPECT_EQ (gTextScreen->Signature, SIGNATURE_32 ('S', 'A', 'C', 'T'));
  EXPECT_EQ (Shown (0, 0, 5), u"saved");
  EXPECT_EQ (Devices.TextOut->Cell (0, 0).Attribute, 0x1F);
  EXPECT_EQ (Devices.TextOut->Cell (0, 30).Char, u' ');
  EXPECT_FALSE (M.Memory ().IsLive (Saved));
  EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ());
}

TEST_F (TextScreenTest, FlushWithoutConsoleOrDirtyRowsSendsNothing) {
  PrintAt (0, 0, u"x", 0x07);
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL  *Out = gST->ConOut;
  gST->ConOut = nullptr;
  FlushTextScreen ();
  gST->ConOut = Out;
  EXPECT_EQ (Drawn (0, 0, 1), u"x");
  EXPECT_EQ (Devices.TextOut->Calls ().size (), 0u);

  gDirtyFirstRow = 40;
  gDirtyLastRow  = 45;
  FlushTextScreen ();
  EXPECT_EQ (Devices.TextOut->Calls ().size (), 0u);
  // A range given backwards is ordered.
  gDirtyFirstRow = 3;
  gDirtyLastRow  = 0;
  FlushTextScreen ();
  EXPECT_EQ (Shown (0, 0, 1), u"x");
}

TEST_F (TextScreenTest, WithoutALineBufferRowsGoOutCellByCell) {
  Settle ();
  PrintAt (0, 1, u"ab", 0x1F);
  M.Memory ().FailAllocation (1);
  FlushTextScreen ();
  M.Memory ().FailAllocation (0);
  EXPECT_EQ (Shown (0, 1, 2), u"ab");
  EXPECT_EQ (Devices.TextOut->CountCalls (TextOp::OutputString), 100u);   // one per cell of row 1
  auto  Texts = CallsOf (TextOp::OutputString);
  EXPECT_EQ (Texts[0].Text, u"a");
  EXPECT_EQ (CallsOf (TextOp::SetAttribute).size (), 2u);
}

TEST_F (TextScreenTest, AConsoleWithout100By31FallsBackTo80By24) {
  Emu::MACHINE_OPTIONS  Options;
  Options.TextModes = { { 80, 25 }, { 80, 50 } };
  Rebuild (Options);
  SetConsoleModeForScreen ();
  EXPECT_EQ (gTextScreenColumns, 80u);
  EXPECT_EQ (gTextScreenRows, 24u);
  auto  Modes = CallsOf (TextOp::SetMode);
  ASSERT_EQ (Modes.size (), 1u);
  EXPECT_EQ (Modes[0].A, 0u);

  Settle ();
  PrintAt (78, 23, u"abcd", 0x07);
  PrintAt (0, 24, u"gone", 0x07);
  EXPECT_EQ (Drawn (78, 23, 2), u"ab");
  EXPECT_EQ (gTextScreen->Chars[24 * 80], u' ');    // cell 1920 onward untouched
  FlushTextScreen ();
  EXPECT_EQ (Devices.TextOut->Cell (78, 23).Char, u'a');
  EXPECT_EQ (Devices.TextOut->Cell (79, 23).Char, u' ');   // the 80x24 screen's last cell
  EXPECT_EQ (Devices.TextOut->Cell (0, 24).Char, u' ');
}

TEST_F (TextScreenTest, A100By31ModeIsChosenAndAFailingSetModeFallsBack) {
  SetConsoleModeForScreen ();
  EXPECT_EQ (Devices.TextOut->Columns (), 100u);
  EXPECT_EQ (Devices.TextOut->Rows (), 31u);
  EXPECT_EQ (gTextScreenColumns, 100u);

  Devices.TextOut->FailSetMode (EFI_DEVICE_ERROR);
  SetConsoleModeForScreen ();
  EXPECT_EQ (gTextScreenColumns, 80u);
  EXPECT_EQ (gTextScreenRows, 24u);
  EXPECT_EQ (Devices.TextOut->CountCalls (TextOp::Reset), 2u);
}

}  // namespace
