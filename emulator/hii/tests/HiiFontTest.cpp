// HII Font: glyph widths by range, no image for unmapped or glyph-less code units,
// scripted failures, the call counter, pool ownership of images, and StringToImage
// cells that match the glyphs.
#include "HiiFixture.h"

#include <Protocol/GraphicsOutput.h>

#include <cstring>

namespace {

class HiiFont : public HiiTest::HiiFixture {
protected:
  EFI_IMAGE_OUTPUT *Glyph (CHAR16 Char, EFI_STATUS *Status = nullptr)
  {
    EFI_IMAGE_OUTPUT  *Image   = nullptr;
    UINTN             Baseline = 0;
    EFI_STATUS        Result   = Font->GetGlyph (Font, Char, nullptr, &Image, &Baseline);
    if (Status != nullptr) {
      *Status = Result;
    }
    return Image;
  }
  void Free (EFI_IMAGE_OUTPUT *Image)
  {
    if (Image != nullptr) {
      EXPECT_EQ (M.Memory ().Free (Image->Image.Bitmap), EFI_SUCCESS);
      EXPECT_EQ (M.Memory ().Free (Image), EFI_SUCCESS);
    }
  }
  UINT16 WidthOf (CHAR16 Char)
  {
    EFI_IMAGE_OUTPUT  *Image = Glyph (Char);
    UINT16            Width  = (Image != nullptr) ? Image->Width : 0;
    if (Image != nullptr) {
      EXPECT_EQ (Image->Height, 19);
    }
    Free (Image);
    return Width;
  }
};

TEST_F (HiiFont, NarrowWideAndUnmappedRanges)
{
  struct CASE { CHAR16 Char; UINT16 Width; } Cases[] = {
    { u'A', 8 }, { u' ', 8 }, { u'~', 8 }, { 0x1F, 0 }, { 0x7F, 0 },
    { 0x2500, 8 }, { 0x257F, 8 }, { 0x2580, 8 }, { 0x2588, 8 }, { 0x25FF, 8 }, { 0x25BC, 8 },
    { 0x4E00, 16 }, { 0x9FFF, 16 }, { 0x4E2D, 16 },
    { 0x0100, 0 }, { 0x2600, 0 }, { 0xE000, 0 }, { 0xFFFF, 0 }, { 0, 0 },
  };
  for (const CASE &Case : Cases) {
    EXPECT_EQ (WidthOf (Case.Char), Case.Width) << std::hex << (unsigned)Case.Char;
  }
}

TEST_F (HiiFont, UnmappedAndGlyphlessCharactersSucceedWithoutAnImage)
{
  EFI_STATUS  Status = EFI_DEVICE_ERROR;

  EXPECT_EQ (Glyph (0x0100, &Status), nullptr);
  EXPECT_EQ (Status, EFI_SUCCESS);
  Hii->SetGlyphless (u'B');
  EXPECT_EQ (Glyph (u'B', &Status), nullptr);
  EXPECT_EQ (Status, EFI_SUCCESS);
  Hii->SetGlyphFailure (u'C', EFI_DEVICE_ERROR);
  EXPECT_EQ (Glyph (u'C', &Status), nullptr);
  EXPECT_EQ (Status, EFI_DEVICE_ERROR);
  Hii->ClearGlyphControls ();
  EFI_IMAGE_OUTPUT  *Image = Glyph (u'B', &Status);
  EXPECT_NE (Image, nullptr);
  Free (Image);
}

TEST_F (HiiFont, EveryCallIsCountedWhateverItsOutcome)
{
  Hii->SetGlyphFailure (u'x', EFI_OUT_OF_RESOURCES);
  Free (Glyph (u'a'));
  Free (Glyph (u'a'));
  Glyph (u'x');
  Glyph (0x0100);
  EFI_IMAGE_OUTPUT  Existing{};
  EFI_IMAGE_OUTPUT  *Preset = &Existing;
  EXPECT_EQ (Font->GetGlyph (Font, u'a', nullptr, &Preset, nullptr), EFI_INVALID_PARAMETER);
  EXPECT_EQ (Font->GetGlyph (Font, u'a', nullptr, nullptr, nullptr), EFI_INVALID_PARAMETER);

  EXPECT_EQ (Hii->GlyphCalls (), 6u);
  EXPECT_EQ (Hii->GlyphCallsFor (u'a'), 4u);
  ASSERT_EQ (Hii->GlyphLog ().size (), 6u);
  EXPECT_TRUE (Hii->GlyphLog ()[0].Image);
  EXPECT_EQ (Hii->GlyphLog ()[2].Status, EFI_OUT_OF_RESOURCES);
  EXPECT_FALSE (Hii->GlyphLog ()[3].Image);
  Hii->ClearGlyphLog ();
  EXPECT_EQ (Hii->GlyphCalls (), 0u);
}

TEST_F (HiiFont, ImagesComeFromThePoolAndColoursFromTheDisplayInfo)
{
  UINT64                 Mark = M.Memory ().AllocationCount ();
  EFI_FONT_DISPLAY_INFO  Info{};
  Info.ForegroundColor = { 1, 2, 3, 0 };
  Info.BackgroundColor = { 4, 5, 6, 0 };
  EFI_IMAGE_OUTPUT       *Image = nullptr;

  ASSERT_EQ (Font->GetGlyph (Font, u'#', &Info, &Image, nullptr), EFI_SUCCESS);
  ASSERT_NE (Image, nullptr);
  EXPECT_EQ (M.Memory ().LeaksSince (Mark).size (), 2u);
  bool  SawFore = false;
  bool  SawBack = false;
  for (UINTN Index = 0; Index < 8u * 19u; Index++) {
    const EFI_GRAPHICS_OUTPUT_BLT_PIXEL  &Pixel = Image->Image.Bitmap[Index];
    SawFore = SawFore || (Pixel.Blue == 1 && Pixel.Green == 2 && Pixel.Red == 3);
    SawBack = SawBack || (Pixel.Blue == 4 && Pixel.Green == 5 && Pixel.Red == 6);
    EXPECT_TRUE ((Pixel.Blue == 1) || (Pixel.Blue == 4));
  }
  EXPECT_TRUE (SawFore);
  EXPECT_TRUE (SawBack);
  Free (Image);
  EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ());
}

TEST_F (HiiFont, FailedAllocationGivesOutOfResourcesAndLeaksNothing)
{
  UINT64  Mark = M.Memory ().AllocationCount ();
  M.Memory ().FailAllocation (2);  // the bitmap, after the image record
  EFI_STATUS  Status;
  EXPECT_EQ (Glyph (u'a', &Status), nullptr);
  EXPECT_EQ (Status, EFI_OUT_OF_RESOURCES);
  EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ());
}

TEST_F (HiiFont, StringToImageThatFailsHandsOutNoImage)
{
  UINT64            Mark  = M.Memory ().AllocationCount ();
  EFI_IMAGE_OUTPUT  *Image = nullptr;
  EFI_HII_ROW_INFO  *Rows  = nullptr;
  M.Memory ().FailAllocation (3);  // the row information, after the image record and its bitmap

  EXPECT_EQ (Font->StringToImage (Font, 0, (EFI_STRING)u"ab", nullptr, &Image, 0, 0, &Rows, nullptr, nullptr),
    EFI_OUT_OF_RESOURCES);
  EXPECT_EQ (Image, nullptr);
  EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ());
}

TEST_F (HiiFont, StringToImageDrawsTheGlyphsSideBySide)
{
  const CHAR16      Text[] = u"a\u4e2d\u2500";
  EFI_IMAGE_OUTPUT  *Image  = nullptr;
  EFI_HII_ROW_INFO  *Rows   = nullptr;
  UINTN             RowCount = 0;
  UINTN             Columns[3] = {};

  ASSERT_EQ (Font->StringToImage (Font, 0, (EFI_STRING)Text, nullptr, &Image, 0, 0, &Rows, &RowCount, Columns),
    EFI_SUCCESS);
  ASSERT_NE (Image, nullptr);
  // As OVMF's font: a bitmap of its own size, the text in its top-left corner.
  EXPECT_EQ (Image->Width, 800);
  EXPECT_EQ (Image->Height, 600);
  EXPECT_EQ (RowCount, 1u);
  ASSERT_NE (Rows, nullptr);
  EXPECT_EQ (Rows->LineWidth, 32u);
  EXPECT_EQ (Rows->EndIndex, 2u);
  EXPECT_EQ (Columns[1], 8u);
  EXPECT_EQ (Columns[2], 24u);

  UINTN  X = 0;
  for (CHAR16 Char : { u'a', (CHAR16)0x4E2D, (CHAR16)0x2500 }) {
    EFI_IMAGE_OUTPUT  *Cell = Glyph (Char);
    ASSERT_NE (Cell, nullptr);
    for (UINTN Row = 0; Row < 19; Row++) {
      EXPECT_EQ (std::memcmp (&Image->Image.Bitmap[Row * 800 + X], &Cell->Image.Bitmap[Row * Cell->Width],
                   Cell->Width * sizeof (EFI_GRAPHICS_OUTPUT_BLT_PIXEL)), 0) << "char " << (unsigned)Char << " row " << Row;
    }
    X += Cell->Width;
    Free (Cell);
  }
  EXPECT_EQ (Image->Image.Bitmap[32].Blue, 0);     // right of the text: nothing drawn
  EXPECT_EQ (M.Memory ().Free (Rows), EFI_SUCCESS);
  Free (Image);
}

TEST_F (HiiFont, StringToImageClipsToAnExistingBitmap)
{
  std::vector<EFI_GRAPHICS_OUTPUT_BLT_PIXEL>  Pixels (12 * 19 + 1, EFI_GRAPHICS_OUTPUT_BLT_PIXEL{ 9, 9, 9, 9 });
  EFI_IMAGE_OUTPUT                            Canvas{};
  Canvas.Width        = 12;
  Canvas.Height       = 19;
  Canvas.Image.Bitmap = Pixels.data ();
  EFI_IMAGE_OUTPUT  *Target = &Canvas;

  ASSERT_EQ (Font->StringToImage (Font, EFI_HII_OUT_FLAG_CLIP, (EFI_STRING)u"XY", nullptr, &Target, 6, 0, nullptr,
               nullptr, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Target, &Canvas);
  EXPECT_EQ (Pixels[5].Blue, 9);      // left of the text: untouched
  EXPECT_NE (Pixels[19 * 12 - 1].Blue, 9);  // the last pixel of the canvas was drawn
  EXPECT_EQ (Pixels[12 * 19].Blue, 9);      // nothing past the canvas
}

TEST_F (HiiFont, CodeUnitsLeftOutForWantOfAGlyphHaveNoColumn)
{
  EFI_IMAGE_OUTPUT  *Image     = nullptr;
  EFI_HII_ROW_INFO  *Rows      = nullptr;
  UINTN             RowCount   = 0;
  UINTN             Columns[3] = {};

  ASSERT_EQ (Font->StringToImage (Font, EFI_HII_IGNORE_IF_NO_GLYPH, (EFI_STRING)u"a\u0100b", nullptr, &Image, 0, 0,
               &Rows, &RowCount, Columns), EFI_SUCCESS);
  ASSERT_NE (Image, nullptr);
  ASSERT_EQ (RowCount, 1u);
  EXPECT_EQ (Rows->LineWidth, 16u);
  EXPECT_EQ (Columns[0], 0u);
  EXPECT_EQ (Columns[1], ~(UINTN)0);
  EXPECT_EQ (Columns[2], 8u);
  EXPECT_EQ (M.Memory ().Free (Rows), EFI_SUCCESS);
  Free (Image);
}

TEST_F (HiiFont, StringToImageRefusesFlagsThatNeedWhatIsMissing)
{
  UINT64  Mark = M.Memory ().AllocationCount ();

  for (EFI_HII_OUT_FLAGS Flags : { EFI_HII_OUT_FLAG_TRANSPARENT, EFI_HII_DIRECT_TO_SCREEN, EFI_HII_OUT_FLAG_CLIP,
                                   EFI_HII_OUT_FLAG_CLIP_CLEAN_X,
                                   EFI_HII_OUT_FLAG_CLIP_CLEAN_Y,
                                   EFI_HII_OUT_FLAG_CLIP | EFI_HII_OUT_FLAG_WRAP | EFI_HII_OUT_FLAG_CLIP_CLEAN_X }) {
    EFI_IMAGE_OUTPUT  *Image = nullptr;
    EXPECT_EQ (Font->StringToImage (Font, Flags, (EFI_STRING)u"Hi", nullptr, &Image, 0, 0, nullptr, nullptr, nullptr),
      EFI_INVALID_PARAMETER) << std::hex << Flags;
    EXPECT_EQ (Image, nullptr);
  }
  EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ());

  // Over the caller's own bitmap, transparency leaves the unlit pixels as they were.
  std::vector<EFI_GRAPHICS_OUTPUT_BLT_PIXEL>  Pixels (8 * 19, EFI_GRAPHICS_OUTPUT_BLT_PIXEL{ 9, 9, 9, 9 });
  EFI_IMAGE_OUTPUT                            Canvas{};
  Canvas.Width        = 8;
  Canvas.Height       = 19;
  Canvas.Image.Bitmap = Pixels.data ();
  EFI_IMAGE_OUTPUT  *Target = &Canvas;
  ASSERT_EQ (Font->StringToImage (Font, EFI_HII_OUT_FLAG_TRANSPARENT | EFI_HII_OUT_FLAG_CLIP |
               EFI_HII_OUT_FLAG_CLIP_CLEAN_X, (EFI_STRING)u"H", nullptr, &Target, 0, 0, nullptr, nullptr, nullptr),
    EFI_SUCCESS);
  EXPECT_EQ (Pixels[0].Blue, 9);
  EXPECT_EQ (Pixels[2 * 8].Blue, 0xFF);  // the glyph's first lit pixel, in the default white
}

TEST_F (HiiFont, RowsAndColumnsDescribeOnlyWhatWasDrawnInTheCallersBitmap)
{
  struct CASE {
    EFI_HII_OUT_FLAGS  Flags;
    UINTN              Y;
    UINTN              RowCount, EndIndex, LineWidth, LastColumn;
    bool               LastDrawn;
  } Cases[] = {
    { EFI_HII_OUT_FLAG_CLIP,                                 0, 1, 2, 24, 16, true },   // C shows in part
    { EFI_HII_OUT_FLAG_CLIP | EFI_HII_OUT_FLAG_CLIP_CLEAN_X, 0, 1, 1, 16, ~(UINTN)0, false },
    { EFI_HII_OUT_FLAG_CLIP | EFI_HII_OUT_FLAG_CLIP_CLEAN_Y, 1, 0, 0, 0, ~(UINTN)0, false },
  };
  for (const CASE &Case : Cases) {
    std::vector<EFI_GRAPHICS_OUTPUT_BLT_PIXEL>  Pixels (20 * 19, EFI_GRAPHICS_OUTPUT_BLT_PIXEL{ 9, 9, 9, 9 });
    EFI_IMAGE_OUTPUT                            Canvas{};
    Canvas.Width        = 20;
    Canvas.Height       = 19;
    Canvas.Image.Bitmap = Pixels.data ();
    EFI_IMAGE_OUTPUT  *Target   = &Canvas;
    EFI_HII_ROW_INFO  *Rows     = nullptr;
    UINTN             RowCount  = 99;
    UINTN             Columns[3] = {};

    ASSERT_EQ (Font->StringToImage (Font, Case.Flags, (EFI_STRING)u"ABC", nullptr, &Target, 0, Case.Y, &Rows, &RowCount,
                 Columns), EFI_SUCCESS) << Case.Flags;
    EXPECT_EQ (RowCount, Case.RowCount) << Case.Flags;
    EXPECT_EQ (Columns[2], Case.LastColumn) << Case.Flags;
    EXPECT_EQ (Pixels[2 * 20 + 16].Blue != 9, Case.LastDrawn) << Case.Flags;  // C's first lit pixel
    if (Case.RowCount == 0) {
      EXPECT_EQ (Rows, nullptr);
      continue;
    }
    ASSERT_NE (Rows, nullptr);
    EXPECT_EQ (Rows->EndIndex, Case.EndIndex) << Case.Flags;
    EXPECT_EQ (Rows->LineWidth, Case.LineWidth) << Case.Flags;
    EXPECT_EQ (M.Memory ().Free (Rows), EFI_SUCCESS);
  }
}

TEST_F (HiiFont, StringToImageDrawsToTheScreenThroughBlt)
{
  struct SCREEN {
    EFI_GRAPHICS_OUTPUT_PROTOCOL  Gop;
    UINTN                         Calls = 0;
    UINTN                         X = 0, Y = 0, Width = 0, Height = 0;
  };
  static SCREEN  Screen;
  Screen = SCREEN{};
  Screen.Gop.Blt = [] (EFI_GRAPHICS_OUTPUT_PROTOCOL *, EFI_GRAPHICS_OUTPUT_BLT_PIXEL *, EFI_GRAPHICS_OUTPUT_BLT_OPERATION Op,
                     UINTN, UINTN, UINTN X, UINTN Y, UINTN Width, UINTN Height, UINTN) EFIAPI -> EFI_STATUS {
    Screen.Calls++;
    Screen.X = X; Screen.Y = Y; Screen.Width = Width; Screen.Height = Height;
    return (Op == EfiBltBufferToVideo) ? EFI_SUCCESS : EFI_UNSUPPORTED;
  };
  EFI_IMAGE_OUTPUT  Output{};
  Output.Image.Screen = &Screen.Gop;
  EFI_IMAGE_OUTPUT  *Target = &Output;

  ASSERT_EQ (Font->StringToImage (Font, EFI_HII_DIRECT_TO_SCREEN, (EFI_STRING)u"Hi!", nullptr, &Target, 16, 38,
               nullptr, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Screen.Calls, 1u);
  EXPECT_EQ (Screen.X, 16u);
  EXPECT_EQ (Screen.Y, 38u);
  EXPECT_EQ (Screen.Width, 24u);
  EXPECT_EQ (Screen.Height, 19u);
}

}  // namespace
