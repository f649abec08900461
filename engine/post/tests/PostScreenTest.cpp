// The pieces of the power-on screen and of the boot-screen interface one at a time:
// where images go, how a logo is fitted, the daily variant, the boot-graphics table,
// the progress bar, the cursor and print operations, the pop-ups without a console,
// the outside provider and the badges over the logo.
#include <engine/testing/TextUiMachineTest.h>

#include <engine/post/PostScreen.h>
#include <engine/boot/BootGraphics.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/core/HookTable.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/post/BootScreenDialogs.h>
#include <engine/post/PostHooks.h>
#include <engine/textui/TextEntryBox.h>
#include <engine/textui/PasswordPrompt.h>
#include <engine/core/EngineGlobals.h>
#include <engine/textui/TextScreen.h>
#include <engine/variables/VariableCache.h>
#include <engine/core/VariableGuids.h>
#include <engine/browser/SetupEntryRequest.h>
#include <engine/post/BootScreen.h>
#include <Protocol/AcpiTable.h>
#include <Protocol/BootScreenUiProvider.h>
#include <Protocol/DevicePath.h>
#include <Protocol/PlatformToken.h>

#include <Emulator/KeyScript.h>
#include <Emulator/RunEnded.h>

#include <cstring>
#include <numeric>

namespace {

const EFI_GUID  kEngineGuid = ENGINE_SETTINGS_VARIABLE_GUID;
const EFI_SECTION_TYPE  kRawSection = 0x19;

EFI_GUID
DailyLogo (UINT8 Index)
{
  return { 0x7F2A5C10, 0x3B1E, 0x4C8D, { 0x9A, 0x41, 0x52, 0x0B, 0x6E, 0x11, 0xD0, (UINT8)(Index + 1) } };
}

// A 24-bit BMP whose pixel (x, y) is (x, y, Blue) when Gradient, else one colour.
std::vector<UINT8>
Bmp (UINT32 Width, UINT32 Height, UINT8 Red, UINT8 Green, UINT8 Blue, bool Gradient = false)
{
  UINT32               Row = (Width * 3 + 3) & ~3u;
  std::vector<UINT8>   Out (54 + Row * Height, 0);
  auto                 Put32 = [&] (size_t At, UINT32 Value) { std::memcpy (&Out[At], &Value, 4); };
  Out[0] = 'B';
  Out[1] = 'M';
  Put32 (2, (UINT32)Out.size ());
  Put32 (10, 54);
  Put32 (14, 40);
  Put32 (18, Width);
  Put32 (22, Height);
  Out[26] = 1;
  Out[28] = 24;
  for (UINT32 Y = 0; Y < Height; Y++) {
    UINT8  *Line = &Out[54 + (Height - 1 - Y) * Row];
    for (UINT32 X = 0; X < Width; X++) {
      Line[X * 3]     = Blue;
      Line[X * 3 + 1] = Gradient ? (UINT8)Y : Green;
      Line[X * 3 + 2] = Gradient ? (UINT8)X : Red;
    }
  }
  return Out;
}

class PostScreenTest : public TextUiMachineTest {
protected:
  void SetUp () override
  {
    TextUiMachineTest::SetUp ();
    StartEngine (Board ());
    InitPostScreen ();
    gGraphicsOutput = Devices.Graphics->Protocol ();
  }

  // The one-page board with the settings record at its index 5.
  static Builders::SETUP_DATA_DESC Board ()
  {
    Builders::SETUP_DATA_DESC  D = OnePageBoard ();
    D.Variables.push_back ({ .VendorGuid = kEngineGuid, .Name = u"BootTimeout", .StoreFlags = VARIABLE_STORE_EFI, .Size = 2 });
    D.Variables.push_back ({ .VendorGuid = kEngineGuid, .Name = u"SpareA", .Size = 1 });
    D.Variables.push_back ({ .VendorGuid = kEngineGuid, .Name = u"SpareB", .Size = 1 });
    D.Variables.push_back ({ .VendorGuid = kEngineGuid, .Name = u"OKURWZSetup", .StoreFlags = VARIABLE_STORE_EFI, .Size = 81 });
    return D;
  }

  EFI_GRAPHICS_OUTPUT_BLT_PIXEL Pixel (UINT32 X, UINT32 Y) { return Devices.Graphics->Pixel (X, Y); }

  bool Is (UINT32 X, UINT32 Y, UINT8 Red, UINT8 Green, UINT8 Blue)
  {
    EFI_GRAPHICS_OUTPUT_BLT_PIXEL  P = Pixel (X, Y);
    return (P.Red == Red) && (P.Green == Green) && (P.Blue == Blue);
  }
};

// Every placement code against its corner, on 1024 x 768 for a 100 x 50 image at (10, 20).
TEST (Placement, EachCodePutsTheImageWhereItSays) {
  struct { UINT32 Code; UINT64 Width; UINT64 Height; INT64 Left; INT64 Top; } Cases[] = {
    { 0, 100, 50, 10, 20 },    { 1, 100, 50, 462, 20 },   { 2, 100, 50, 914, 20 },
    { 3, 100, 50, 914, 359 },  { 4, 100, 50, 914, 698 },  { 5, 100, 50, 462, 698 },
    { 6, 100, 50, 10, 698 },   { 7, 100, 50, 10, 359 },
    { 8, 100, 50, 462, 268 },                      // the centre at 768 x 382 / 1000 = 293
    { 8, 410, 50, 307, 359 },                      // wider than 40 %: centred
    { 8, 100, 308, 462, 230 },                     // taller than 40 %: centred
    { 9, 100, 50, 10, 20 },    { 0xFFFF, 100, 50, 10, 20 },
    { 1, 1100, 50, -38, 20 },                      // wider than the screen: the corner goes left of it
  };
  for (const auto &Case : Cases) {
    INT64  Left = 0;
    INT64  Top  = 0;
    ComputePlacement (Case.Code, 1024, 768, Case.Width, Case.Height, 10, 20, &Left, &Top);
    EXPECT_EQ (Left, Case.Left) << "code " << Case.Code << " width " << Case.Width;
    EXPECT_EQ (Top, Case.Top) << "code " << Case.Code << " height " << Case.Height;
  }
}

// An image off the screen's left edge is cut there: its source moves, the screen's edge stays.
TEST_F (PostScreenTest, AnImageWiderThanTheScreenIsCutAtBothEdges) {
  std::vector<EFI_GRAPHICS_OUTPUT_BLT_PIXEL>  Pixels (1100 * 4);
  for (UINT32 X = 0; X < 1100; X++) {
    for (UINT32 Y = 0; Y < 4; Y++) {
      Pixels[Y * 1100 + X] = { (UINT8)(X >> 8), (UINT8)X, 0x55, 0 };
    }
  }
  ASSERT_EQ (BltImageAtPlacement (Pixels.data (), PLACEMENT_TOP_CENTRE, 1100, 4, 0, 100, 1100), EFI_SUCCESS);
  // Left = (1024 - 1100) / 2 = -38: screen column 0 shows image column 38.
  EXPECT_EQ (Pixel (0, 100).Green, 38);
  EXPECT_EQ (Pixel (1023, 103).Green, (UINT8)(38 + 1023));
  EXPECT_EQ (Pixel (1023, 103).Blue, (UINT8)((38 + 1023) >> 8));
  EXPECT_FALSE (Is (0, 104, 0x55, 38, 0));
}

// A logo larger than 40 % of the screen is fitted into that box keeping its shape; a
// smaller one keeps its size; without scaling, a logo larger than the screen moves the
// screen to the closest mode.
TEST_F (PostScreenTest, LogosAreFittedOnlyWhenLargerThanTheirBox) {
  struct { UINT32 Width; UINT32 Height; UINT64 DrawnWidth; UINT64 DrawnHeight; } Cases[] = {
    { 100, 50, 100, 50 },
    { 800, 600, 409, 306 },      // the box is 409 x 307; width-limited
    { 300, 600, 153, 307 },      // height-limited
    { 409, 307, 409, 307 },      // exactly the box
  };
  for (const auto &Case : Cases) {
    std::vector<UINT8>  Image = Bmp (Case.Width, Case.Height, 0x10, 0x20, 0x30);
    UINT64              Width = 0;
    UINT64              Height = 0;
    gLogoScaleMode = 1;
    gLogoDrawing   = 1;
    ASSERT_EQ (DrawPostLogoImage (Image.data (), Image.size (), PLACEMENT_TOP_CENTRE, 0, 0, TRUE, &Width, &Height), EFI_SUCCESS);
    EXPECT_EQ (Width, Case.DrawnWidth) << Case.Width << " x " << Case.Height;
    EXPECT_EQ (Height, Case.DrawnHeight) << Case.Width << " x " << Case.Height;
    // The scaled logo's centre sits at 38.2 % of the height; the box records what was drawn.
    EXPECT_EQ (gLogoBox.Bottom - gLogoBox.Top, Case.DrawnHeight);
    EXPECT_TRUE (Is (512, 293, 0x10, 0x20, 0x30));
  }
  gLogoDrawing = 0;

  // Unscaled: 1200 x 700 is larger than 1024 x 768 in width; the closest mode is 1280 x 720.
  std::vector<UINT8>  Large = Bmp (1200, 700, 1, 2, 3);
  gLogoScaleMode = 0;
  EXPECT_EQ (DrawPostLogoImage (Large.data (), Large.size (), PLACEMENT_GOLDEN_CENTRE, 0, 0, FALSE, nullptr, nullptr),
    EFI_UNSUPPORTED);
  EXPECT_TRUE (Devices.Graphics->SetModeLog ().empty ());
  EXPECT_EQ (DrawPostLogoImage (Large.data (), Large.size (), PLACEMENT_GOLDEN_CENTRE, 0, 0, TRUE, nullptr, nullptr), EFI_SUCCESS);
  EXPECT_EQ (gSavedScreenWidth, 1280u);
  EXPECT_EQ (gSavedScreenHeight, 720u);
  EXPECT_TRUE (Is (640, 360, 1, 2, 3));

  // Neither BMP nor JPEG: nothing is drawn.
  std::vector<UINT8>  Other = { 'G', 'I', 'F', '8' };
  EXPECT_EQ (DrawPostLogoImage (Other.data (), Other.size (), 0, 0, 0, FALSE, nullptr, nullptr), EFI_UNSUPPORTED);
}

// The daily variant moves on once per day of the month and wraps after five; a CMOS
// byte that no variant has starts over at the first.
TEST_F (PostScreenTest, TheDailyLogoMovesOnOncePerDayAndWraps) {
  EFI_TIME  Now;
  ASSERT_EQ (gRT->GetTime (&Now, nullptr), EFI_SUCCESS);
  const UINT8  Other = (UINT8)((Now.Day % 28) + 1);
  for (UINT8 Index = 0; Index < 5; Index++) {
    Devices.Image->AddSection (DailyLogo (Index), kRawSection, Bmp (20, 20, (UINT8)(10 * (Index + 1)), 0, 0));
  }
  struct { UINT8 Day; UINT8 Variant; UINT8 Shown; } Cases[] = {
    { 0, 3, 0 },              // never chosen before
    { Now.Day, 2, 2 },        // chosen today
    { Other, 2, 3 },          // a new day
    { Other, 4, 0 },          // the last one wraps
    { Now.Day, 200, 0 },      // not a variant
    { Other, 200, 1 },
  };
  for (const auto &Case : Cases) {
    Devices.Hardware->SetCmos (0x6D, Case.Day);
    Devices.Hardware->SetCmos (0x6E, Case.Variant);
    (VOID)DrawPostLogo (nullptr);
    EXPECT_TRUE (Is (512, 293, (UINT8)(10 * (Case.Shown + 1)), 0, 0)) << (int)Case.Day << "/" << (int)Case.Variant;
    EXPECT_EQ (Devices.Hardware->Cmos (0x6E), Case.Shown);
    EXPECT_EQ (Devices.Hardware->Cmos (0x6D), Now.Day);
  }
}

// A scaled logo is published as a boot-graphics table whose bytes sum to 0 and whose
// bitmap holds the logo as drawn; marking it not shown keeps the sum.
TEST_F (PostScreenTest, TheScaledLogoIsPublishedAsABootGraphicsTable) {
  Devices.Image->AddSection (DailyLogo (0), kRawSection, Bmp (30, 20, 0xAA, 0xBB, 0xCC));
  M.Variables ().Put (u"OKURWZSetup", kEngineGuid, 7, [] { std::vector<UINT8> R (81, 0); R[80] = 2; return R; } ());
  (VOID)DrawPostLogo (nullptr);

  ASSERT_EQ (Devices.Acpi->Tables ().size (), 1u);
  const std::vector<UINT8>  &Table = Devices.Acpi->Tables ()[0].Bytes;
  ASSERT_EQ (Table.size (), 56u);
  EXPECT_EQ (std::memcmp (Table.data (), "BGRT", 4), 0);
  EXPECT_EQ (std::memcmp (Table.data () + 10, "BRISEL", 6), 0);
  EXPECT_EQ (std::accumulate (Table.begin (), Table.end (), 0) & 0xFF, 0);
  EXPECT_EQ (Table[38], 1);                                   // displayed
  UINT32  X, Y;
  UINT64  Address;
  std::memcpy (&Address, &Table[40], 8);
  std::memcpy (&X, &Table[48], 4);
  std::memcpy (&Y, &Table[52], 4);
  EXPECT_EQ (X, (1024u - 30) / 2);
  EXPECT_EQ (Y, 768u * 382 / 1000 - 10);
  const UINT8  *Image = (const UINT8 *)(UINTN)Address;
  UINT32       Width, Height;
  std::memcpy (&Width, Image + 18, 4);
  std::memcpy (&Height, Image + 22, 4);
  EXPECT_EQ (Image[0], 'B');
  EXPECT_EQ (Width, 30u);
  EXPECT_EQ (Height, 20u);
  EXPECT_EQ (Image[54], 0xCC);                                // blue, green, red of the bottom row's first pixel
  EXPECT_EQ (Image[56], 0xAA);

  InvalidateBootLogoTable ();
  ASSERT_EQ (Devices.Acpi->Tables ().size (), 1u);
  const std::vector<UINT8>  &Hidden = Devices.Acpi->Tables ()[0].Bytes;
  EXPECT_EQ (Hidden[38], 0);
  EXPECT_EQ (std::accumulate (Hidden.begin (), Hidden.end (), 0) & 0xFF, 0);
}

// Nothing drawn, nothing captured: no table for an empty box.
TEST_F (PostScreenTest, NoLogoPublishesNoTable) {
  M.Variables ().Put (u"OKURWZSetup", kEngineGuid, 7, [] { std::vector<UINT8> R (81, 0); R[80] = 2; return R; } ());
  gLogoScaleMode = 1;
  ShowLogoPrompt ();
  UINTN  Size = 1;
  EXPECT_EQ (CaptureLogoAsBmp (&Size), nullptr);
  EXPECT_EQ (Size, 0u);
  EXPECT_TRUE (Devices.Acpi->Tables ().empty ());
}

// The progress bar: a step count of 0 is refused, the bar keeps whole steps, its fill
// shows against the background and it never draws past its end.
TEST_F (PostScreenTest, TheProgressBarFillsInStepsAndStopsAtItsEnd) {
  EXPECT_EQ (gBootScreenInterface.MoveBootProgressBar (), EFI_UNSUPPORTED);
  EXPECT_EQ (gBootScreenInterface.CreateBootProgressBar (10, 10, 100, 10, 0), EFI_INVALID_PARAMETER);
  EXPECT_EQ (gBootScreenInterface.CreateBootProgressBar (10, 10, 2, 10, 3), EFI_INVALID_PARAMETER);
  gBootProgressBar.Drawn = 1;        // the logo screen is up
  ASSERT_EQ (gBootScreenInterface.CreateBootProgressBar (100, 200, 100, 12, 3), EFI_SUCCESS);
  EXPECT_EQ (gBootProgressBar.Width, 99u);
  for (int Step = 0; Step < 5; Step++) {
    EXPECT_EQ (gBootScreenInterface.MoveBootProgressBar (), EFI_SUCCESS);
  }
  EXPECT_EQ (gBootProgressBar.Position, 99u);
  EXPECT_TRUE (Is (100, 200, 0xC0, 0xC0, 0xC0));             // the border
  EXPECT_TRUE (Is (197, 205, 0xC0, 0xC0, 0xC0));             // filled to the end inside the border
  EXPECT_TRUE (Is (199, 205, 0, 0, 0));                      // past the bar: untouched
  EXPECT_TRUE (Is (150, 212, 0, 0, 0));

  ASSERT_EQ (gBootScreenInterface.CreateBootProgressBar (100, 300, 100, 12, 4), EFI_SUCCESS);
  ASSERT_EQ (gBootScreenInterface.MoveBootProgressBar (), EFI_SUCCESS);
  EXPECT_TRUE (Is (120, 305, 0xC0, 0xC0, 0xC0));             // one step of 25 filled
  EXPECT_TRUE (Is (140, 305, 0, 0, 0));                      // the rest shows the background
}

// The cursor operations keep to the screen; the checked print takes mode 1 only; the
// colour is kept; nothing prints while setup has POST messages off.
TEST_F (PostScreenTest, CursorAndPrintOperationsKeepToTheScreen) {
  EXPECT_EQ (gBootScreenInterface.SetBootScreenCursor (100, 0), EFI_UNSUPPORTED);
  EXPECT_EQ (gBootScreenInterface.SetBootScreenCursor (0, 31), EFI_UNSUPPORTED);
  EXPECT_EQ (gBootScreenInterface.SetBootScreenCursor (99, 30), EFI_SUCCESS);
  UINT64  Column = 0;
  UINT64  Row    = 0;
  gPostCursorColumn = 250;
  gPostCursorRow    = 40;
  ASSERT_EQ (gBootScreenInterface.GetBootScreenCursor (&Column, &Row), EFI_SUCCESS);
  EXPECT_EQ (Column, 99u);
  EXPECT_EQ (Row, 30u);
  EXPECT_EQ (gBootScreenInterface.GetBootScreenCursor (nullptr, &Row), EFI_INVALID_PARAMETER);

  size_t  Before = Devices.TextOut->Calls ().size ();
  EXPECT_EQ (gBootScreenInterface.PrintBootScreenTextChecked ((CHAR16 *)u"never", 0), EFI_UNSUPPORTED);
  EXPECT_EQ (Devices.TextOut->Calls ().size (), Before);
  gPostMessagesEnabled = 0;
  EXPECT_EQ (gBootScreenInterface.PrintBootScreenText ((CHAR16 *)u"never"), EFI_UNSUPPORTED);
  gPostMessagesEnabled = 1;
  gPostCursorColumn = 0;
  gPostCursorRow    = 0;
  EXPECT_EQ (gBootScreenInterface.PrintBootScreenTextChecked ((CHAR16 *)u"Checked", 1), EFI_SUCCESS);
  EXPECT_NE (Devices.TextOut->ScreenText ().find ("Checked"), std::string::npos);

  UINT8  Attribute = 0;
  EXPECT_EQ (gBootScreenInterface.SetBootScreenColour (0x1F), EFI_SUCCESS);
  EXPECT_EQ (gBootScreenInterface.GetBootScreenColour (&Attribute), EFI_SUCCESS);
  EXPECT_EQ (Attribute, 0x1F);
}

// Leaving the logo: only in quiet boot, once; the screen goes to the text POST screen.
TEST_F (PostScreenTest, LeavingTheLogoOnlyWorksInQuietBoot) {
  EXPECT_EQ (gBootScreenInterface.LeaveLogoScreen (), EFI_UNSUPPORTED);
  gQuietBootOn = 1;
  gPostMessagesEnabled = 0;
  EXPECT_EQ (gBootScreenInterface.LeaveLogoScreen (), EFI_UNSUPPORTED);
  gPostMessagesEnabled = 1;
  EXPECT_EQ (gBootScreenInterface.LeaveLogoScreen (), EFI_SUCCESS);
  EXPECT_EQ (gQuietBootOn, 0);
  EXPECT_EQ (gBootScreenState, 1u);
  EXPECT_EQ (gBootScreenInterface.LeaveLogoScreen (), EFI_UNSUPPORTED);
}

// The text on the logo screen: grey on black where the placement puts it, only in quiet boot.
TEST_F (PostScreenTest, LogoTextIsDrawnOnlyInQuietBoot) {
  EXPECT_EQ (gBootScreenInterface.DrawLogoScreenText ((CHAR16 *)u"Hello", 0, 60, 5, 0x989898, 0), EFI_UNSUPPORTED);
  gQuietBootOn = 1;
  EXPECT_EQ (gBootScreenInterface.DrawLogoScreenText ((CHAR16 *)u"", 0, 60, 5, 0x989898, 0), EFI_SUCCESS);
  EXPECT_TRUE (Devices.Graphics->BltLog ().empty () || (Devices.Graphics->BltLog ().back ().Operation != EfiBltBufferToVideo));
  ASSERT_EQ (gBootScreenInterface.DrawLogoScreenText ((CHAR16 *)u"Hello", 0, 60, 5, 0x989898, 0), EFI_SUCCESS);
  const Emu::BLT_CALL  &Call = Devices.Graphics->BltLog ().back ();
  EXPECT_EQ (Call.Operation, EfiBltBufferToVideo);
  EXPECT_EQ (Call.Width, 5u * 8);        // the text alone, not the bitmap the font made around it
  EXPECT_EQ (Call.Height, 19u);
  EXPECT_EQ (Call.DestinationY, 768u - 19 - 60);
  EXPECT_EQ (Call.DestinationX, (1024u - Call.Width) / 2);
  gQuietBootOn = 0;
}

// A console that shows no graphics (OVMF's serial terminal beside its graphics console)
// gets the logo's text as text, at the same place of its own screen; the console output
// the engine draws its pages on, and the consoles on a graphics output, get nothing.
TEST_F (PostScreenTest, LogoTextGoesToATextConsoleThatShowsNoGraphics) {
  static const UINT8  kSerialPath[] = { 0x02, 0x01, 0x0C, 0x00, 0xD0, 0x41, 0x01, 0x05, 0, 0, 0, 0, 0x7F, 0xFF, 0x04, 0x00 };
  static const EFI_GUID  kDevicePath = EFI_DEVICE_PATH_PROTOCOL_GUID;
  static const EFI_GUID  kTextOut    = EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL_GUID;
  Emu::ConsoleOutput     &Serial = M.Add (std::make_unique<Emu::ConsoleOutput>(M, std::vector<std::pair<UINTN, UINTN>>{ { 80, 25 } }));
  EFI_HANDLE             SerialHandle = Serial.Handle ();
  ASSERT_EQ (M.Protocols ().Install (&SerialHandle, &kDevicePath, (VOID *)kSerialPath), EFI_SUCCESS);
  Emu::ConsoleOutput     &OnScreen = M.Add (std::make_unique<Emu::ConsoleOutput>(M, std::vector<std::pair<UINTN, UINTN>>{ { 80, 25 } }));
  EFI_HANDLE             ScreenHandle = nullptr;
  ASSERT_EQ (M.Protocols ().Install (&ScreenHandle, &kDevicePath, (VOID *)kSerialPath), EFI_SUCCESS);
  ASSERT_EQ (M.Protocols ().Install (&ScreenHandle, &gEfiGraphicsOutputProtocolGuid, Devices.Graphics->Protocol ()), EFI_SUCCESS);
  ASSERT_EQ (M.Protocols ().Install (&ScreenHandle, &kTextOut, OnScreen.Protocol ()), EFI_SUCCESS);
  Devices.TextOut->ClearCalls ();

  gQuietBootOn = 1;
  ASSERT_EQ (gBootScreenInterface.DrawLogoScreenText ((CHAR16 *)u"Press F2", 0, 60, 5, 0x989898, 0), EFI_SUCCESS);
  gQuietBootOn = 0;
  // Drawn from y = 689 of 768 and centred: row 22 of 25, columns 36 to 43 of 80.
  EXPECT_EQ (Serial.RowText (22).substr (36, 8), u"Press F2");
  EXPECT_EQ (Serial.RowAttributes (22)[36], EFI_LIGHTGRAY);
  EXPECT_EQ (Serial.ScreenText ().find ("Press"), Serial.ScreenText ().rfind ("Press"));
  EXPECT_EQ (OnScreen.ScreenText ().find ("Press"), std::string::npos);
  EXPECT_EQ (Devices.TextOut->CountCalls (Emu::TextOp::OutputString), 0u);
}

// A refused POST password stops the machine with a screen that says why.
TEST_F (PostScreenTest, ARefusedPostPasswordSaysWhyTheMachineStops) {
  std::vector<UINT8>  Record (81, 0);
  CHAR16              User[20] = { u'u', u's', u'e', u'r' };
  std::memcpy (Record.data (), User, sizeof (User));
  M.Variables ().Put (u"OKURWZSetup", kEngineGuid, 7, Record);
  RefreshVariableCache (SETUP_VARIABLE_INDEX_PASSWORD);
  Devices.TextIn->Script ().Append ("a,Enter,Enter,b,Enter,Enter,c,Enter");
  EXPECT_THROW (CheckPostPassword (nullptr), Emu::KeyScriptExhausted);
  EXPECT_NE (Devices.TextOut->ScreenText ().find ("System halted"), std::string::npos);
}

// The POST key poll answers what a key decided; the POST timer can be closed at any time.
TEST_F (PostScreenTest, PollPostKeysAnswersTheDecision) {
  UINT64  Key   = 1;
  UINT64  State = 1;
  EXPECT_EQ (PollPostKeys (&Key, &State), EFI_NOT_READY);
  EXPECT_EQ (Key, 0u);
  EXPECT_EQ (State, 0u);
  Devices.TextIn->Script ().Append ("F2@0");
  M.Events ().Advance (10000);
  EXPECT_EQ (PollPostKeys (&Key, &State), EFI_SUCCESS);
  EXPECT_EQ (State, 4u);
  DropSetupEntryRequest ();

  // The POST screen's hooks start the POST timer; closing it takes its event away.
  RunPostScreenHooks ();
  ASSERT_NE (gPostTimerEvent, nullptr);
  size_t  Open = M.Events ().OpenEventCount ();
  ClosePostTimer ();
  EXPECT_EQ (M.Events ().OpenEventCount (), Open - 1);
  EXPECT_EQ (gPostTimerEvent, nullptr);
  ClosePostTimer ();                 // a second close has nothing to close
}

// Without console output the pop-ups are not ready and show nothing.
class NoConsolePostTest : public TextUiMachineTest {};

TEST_F (NoConsolePostTest, PopupsAnswerNotReadyWithoutConsoleOutput) {
  Emu::MACHINE_OPTIONS  Options;
  Options.ConOut = false;
  Rebuild (Options);
  StartEngine ();
  gBootScreenState = 3;
  UINT8      Selection = 0;
  UINT16     Menu      = 0;
  EFI_EVENT  Event     = nullptr;
  VOID       *Handle   = nullptr;
  UINT64     Key       = 0;
  UINT16     Item[20]  = {};
  EXPECT_EQ (gBootScreenInterface.PrintBootScreenText ((CHAR16 *)u"x"), EFI_NOT_READY);
  EXPECT_EQ (gBootScreenInterface.DrawLogoScreenText ((CHAR16 *)u"x", 0, 0, 0, 0, 0), EFI_NOT_READY);
  EXPECT_EQ (gBootScreenInterface.ShowBootScreenMessageBox ((CHAR16 *)u"t", (CHAR16 *)u"m", 0, &Selection), EFI_NOT_READY);
  EXPECT_EQ (gBootScreenInterface.ShowTimedInfoBox ((CHAR16 *)u"t", (CHAR16 *)u"m", 1, &Event), EFI_NOT_READY);
  EXPECT_EQ (gBootScreenInterface.ShowBootScreenMenu (nullptr, 0, 0, Item, 1, &Menu), EFI_NOT_READY);
  EXPECT_EQ (gBootScreenInterface.ShowBootScreenDialog ((CHAR16 *)u"t", (CHAR16 *)u"m", nullptr, 0, 0, nullptr, 0, nullptr, 0,
               &Selection, &Key), EFI_NOT_READY);
  EXPECT_EQ (gBootScreenInterface.ShowProgressBox (1, (CHAR16 *)u"t", (CHAR16 *)u"m", nullptr, 0, &Handle, &Key), EFI_NOT_READY);
  EXPECT_EQ (gBootScreenInterface.ShowTextEntryBox (nullptr, 0, Item, 1, nullptr), EFI_NOT_READY);
  EXPECT_EQ (Event, nullptr);
  EXPECT_TRUE (Devices.Graphics->BltLog ().empty ());
}

// An outside POST user-interface provider takes the pop-ups with all their arguments,
// after it was handed the engine's items in order.
std::vector<UINTN>  gItems;
UINT8               gProviderBoxType = 0;

EFI_STATUS EFIAPI
ProviderSetItem (UINTN Item, UINTN, VOID *, VOID *)
{
  gItems.push_back (Item);
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI
ProviderMessageBox (CHAR16 *, CHAR16 *, UINT8 BoxType, UINT8 *Selection)
{
  gProviderBoxType = BoxType;
  *Selection       = 7;
  return EFI_WARN_STALE_DATA;
}

TEST_F (PostScreenTest, AnOutsideProviderTakesThePopups) {
  BOOT_SCREEN_UI_PROVIDER  Provider {};
  Provider.SetItem    = ProviderSetItem;
  Provider.MessageBox = ProviderMessageBox;
  EFI_HANDLE  Handle = nullptr;
  ASSERT_EQ (gBS->InstallProtocolInterface (&Handle, &gBootScreenUiProviderGuid, EFI_NATIVE_INTERFACE, &Provider), EFI_SUCCESS);
  gItems.clear ();
  UINT8  Selection = 0;
  size_t  Before = Devices.TextOut->Calls ().size ();
  EXPECT_EQ (gBootScreenInterface.ShowBootScreenMessageBox ((CHAR16 *)u"t", (CHAR16 *)u"m", 3, &Selection), EFI_WARN_STALE_DATA);
  EXPECT_EQ (Selection, 7);
  EXPECT_EQ (gProviderBoxType, 3);
  EXPECT_EQ (gItems, (std::vector<UINTN> { 0, 3, 4, 5, 6, 7, 8, 9, 12, 13 }));
  EXPECT_EQ (Devices.TextOut->Calls ().size (), Before);
  ASSERT_EQ (gBS->UninstallProtocolInterface (Handle, &gBootScreenUiProviderGuid, &Provider), EFI_SUCCESS);
}

// The overclocking badge: the gain in whole per cent as two digit images after it,
// never more than 99, and nothing at all when the stock frequency is 0.
struct FAKE_TOKENS {
  PLATFORM_TOKEN_PROTOCOL  Protocol;
  UINT64                   Ratio;
};

FAKE_TOKENS  gTokens;

EFI_STATUS EFIAPI
GetToken (PLATFORM_TOKEN_PROTOCOL *, UINT32 Token, UINT64 *Value)
{
  *Value = (Token == 0x8240) ? gTokens.Ratio : 0;
  return EFI_SUCCESS;
}

EFI_STATUS EFIAPI
SetToken (PLATFORM_TOKEN_PROTOCOL *, UINT32 Token, UINT64 Value)
{
  if (Token == 0x8240) {
    gTokens.Ratio = Value;
  }
  return EFI_SUCCESS;
}

TEST_F (PostScreenTest, TheOverclockBadgeShowsTheGainInTwoDigitsAtMost) {
  static const EFI_GUID  Settings = { 0xA3A3B874, 0x5B1F, 0x4B4E, { 0x8C, 0x3D, 0x27, 0x61, 0x0E, 0x9A, 0x44, 0x12 } };
  static const EFI_GUID  Badge    = { 0x214CF916, 0xE34D, 0x4A0A, { 0xA6, 0x7D, 0x98, 0x25, 0x09, 0x78, 0x3C, 0x14 } };
  std::vector<UINT8>     Oc (9070, 0);
  Oc[212] = 5;
  M.Variables ().Put (u"VARSTORE_OCMR_SETTINGS_NAME", Settings, 7, Oc);
  Devices.Image->AddSection (Badge, kRawSection, Bmp (285, 20, 0x40, 0x40, 0x40));
  for (UINT8 Digit = 0; Digit < 10; Digit++) {
    EFI_GUID  File = { 0x3E9D6B20, 0x71C4, 0x4F0A, { 0x95, 0x2B, 0x6D, 0x18, 0xE4, 0x07, 0xA3, Digit } };
    Devices.Image->AddSection (File, kRawSection, Bmp (10, 20, (UINT8)(0x80 + Digit), 0, 0));
  }
  gTokens.Protocol = { GetToken, SetToken };
  EFI_HANDLE  Handle = nullptr;
  ASSERT_EQ (gBS->InstallProtocolInterface (&Handle, &gPlatformTokenProtocolGuid, EFI_NATIVE_INTERFACE, &gTokens.Protocol),
    EFI_SUCCESS);
  gLogoScaleMode = 0;
  gLogoSize[1]   = 300;            // a centred logo from 234 to 534: the badge row starts at 434

  struct { UINT64 Stock; UINT64 Current; INT32 Tens; INT32 Units; } Cases[] = {
    { 40, 43, 0, 7 },             // 7.5 %: whole per cent
    { 40, 80, 9, 9 },             // 100 %: shown as 99
    { 0, 50, -1, -1 },            // no stock ratio (token and MSR both 0): no badge
    { 40, 40, -1, -1 },           // no gain
  };
  for (const auto &Case : Cases) {
    ClearGraphicsScreen ();
    gTokens.Ratio = Case.Stock;
    Devices.Hardware->SetMsr (0xCE, 0);
    Devices.Hardware->SetMsr (0x198, Case.Current << 8);
    (VOID)DrawOverclockOverlay (nullptr);
    (VOID)DrawOverclockGainTens (nullptr);
    (VOID)DrawOverclockGainUnits (nullptr);
    const UINT32  X = (1024 - 285) / 2;
    if (Case.Tens < 0) {
      EXPECT_TRUE (Is (X, 434, 0, 0, 0)) << Case.Stock << " " << Case.Current;
      continue;
    }
    EXPECT_TRUE (Is (X, 434, 0x40, 0x40, 0x40));
    EXPECT_TRUE (Is (X + 285, 434, (UINT8)(0x80 + Case.Tens), 0, 0)) << Case.Current;
    EXPECT_TRUE (Is (X + 295, 434, (UINT8)(0x80 + Case.Units), 0, 0)) << Case.Current;
  }
  ASSERT_EQ (gBS->UninstallProtocolInterface (Handle, &gPlatformTokenProtocolGuid, &gTokens.Protocol), EFI_SUCCESS);
}

}  // namespace
