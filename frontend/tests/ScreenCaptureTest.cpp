// Screen capture in setup: F12 saves the screen as it was when the key came as a
// 24-bit BMP on the file system the user picks and says under which name; a second
// capture asked for while one runs does nothing; with no file system, or when the
// volume refuses the file, the user is told and no file is left; Ctrl+F12 saves to
// the file system picked last without asking.
#include <engine/testing/TuiAppTestSupport.h>

#include <engine/core/FrontEnd.h>
#include <frontend/FrontEndServices.h>
#include <Emulator/FileSystem.h>

#include <Format/Bmp.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

namespace {

class ScreenCaptureTest : public TuiAppTest {
protected:
  void SetUp () override
  {
    TuiAppTest::SetUp ();
    Scratch = std::filesystem::temp_directory_path () /
              ("capture-test-" + std::to_string (::getpid ()) + "-" +
               ::testing::UnitTest::GetInstance ()->current_test_info ()->name ());
    std::filesystem::remove_all (Scratch);
    std::filesystem::create_directories (Scratch);
  }

  void TearDown () override
  {
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    gInSetup = 0;
    TuiAppTest::TearDown ();
    std::filesystem::remove_all (Scratch);
  }

  // The machine with Keys, a volume over the scratch directory (none when Volume is
  // false), and a pattern on the screen that no two pixels share.
  Emu::FileSystemVolume *Prepare (const std::string &Keys, bool Volume = true)
  {
    Emu::FileSystemVolume  *Made = nullptr;

    Boot (Keys);
    FreeDynamicPageTable ();
    if (Volume) {
      Made = &M.Add (std::make_unique<Emu::FileSystemVolume> (M, Scratch, 1u));
      Made->SetWritable (true);
    }
    UINT32                                      Width  = Devices.Graphics->Width ();
    UINT32                                      Height = Devices.Graphics->Height ();
    std::vector<EFI_GRAPHICS_OUTPUT_BLT_PIXEL>  Pattern (Width * Height);
    for (UINT32 Y = 0; Y < Height; Y++) {
      for (UINT32 X = 0; X < Width; X++) {
        Pattern[Y * Width + X] = { (UINT8)X, (UINT8)Y, (UINT8)((X >> 8) | (Y >> 8) << 4), 0 };
      }
    }
    EXPECT_EQ (Devices.Graphics->Blt (Pattern.data (), EfiBltBufferToVideo, 0, 0, 0, 0, Width, Height, 0), EFI_SUCCESS);
    return Made;
  }

  // Runs setup; Seen collects every text the console showed while setup waited for keys.
  EFI_STATUS Run ()
  {
    Devices.TextIn->Script ().SetWaitHook ([this] () {
      if (Screen.empty ()) {
        Screen = Frame ();
      }
      for (UINTN Row = 0; Row < gTextScreenRows; Row++) {
        Seen += Devices.TextOut->RowText (Row);
      }
    });
    return EnterGraphicalSetup ();
  }

  bool Told (const std::u16string &Text) const { return Seen.find (Text) != std::u16string::npos; }

  std::vector<EFI_GRAPHICS_OUTPUT_BLT_PIXEL> Frame () const
  {
    std::vector<EFI_GRAPHICS_OUTPUT_BLT_PIXEL>  Pixels;
    for (UINT32 Y = 0; Y < Devices.Graphics->Height (); Y++) {
      for (UINT32 X = 0; X < Devices.Graphics->Width (); X++) {
        Pixels.push_back (Devices.Graphics->Pixel (X, Y));
      }
    }
    return Pixels;
  }

  std::vector<std::string> Files () const
  {
    std::vector<std::string>  Names;
    for (const auto &Entry : std::filesystem::directory_iterator (Scratch)) {
      Names.push_back (Entry.path ().filename ().string ());
    }
    std::sort (Names.begin (), Names.end ());
    return Names;
  }

  // The file read back as the screen's pixels; empty when it is not the 24-bit BMP written.
  std::vector<EFI_GRAPHICS_OUTPUT_BLT_PIXEL> ReadBack (const std::string &Name) const
  {
    std::optional<std::vector<UINT8>>           File = Emu::ReadFileBytes ((Scratch / Name).string ());
    std::vector<EFI_GRAPHICS_OUTPUT_BLT_PIXEL>  Pixels;
    BMP_HEADER                                  Header;

    if (!File || !BmpHasSignature (File->data (), File->size ()) || !BmpReadHeader (File->data (), File->size (), &Header) ||
        (Header.BitsPerPixel != 24) || (Header.Compression != BMP_COMPRESSION_NONE) || (Header.Width != Devices.Graphics->Width ()) ||
        (Header.Height != Devices.Graphics->Height ()) ||
        (BmpReadLe (File->data () + BMP_FILE_SIZE_AT, 4) != File->size ()) ||
        (Header.PixelOffset + BmpRowBytes24 (Header.Width) * Header.Height != File->size ()))
    {
      return Pixels;
    }
    for (UINT32 Y = 0; Y < Header.Height; Y++) {
      const UINT8  *Row = File->data () + Header.PixelOffset + BmpRowBytes24 (Header.Width) * (Header.Height - 1 - Y);
      for (UINT32 X = 0; X < Header.Width; X++) {
        Pixels.push_back ({ Row[3 * X], Row[3 * X + 1], Row[3 * X + 2], 0 });
      }
    }
    return Pixels;
  }

  static bool Same (const std::vector<EFI_GRAPHICS_OUTPUT_BLT_PIXEL> &A, const std::vector<EFI_GRAPHICS_OUTPUT_BLT_PIXEL> &B)
  {
    if (A.size () != B.size ()) {
      return false;
    }
    for (size_t Index = 0; Index < A.size (); Index++) {
      if ((A[Index].Blue != B[Index].Blue) || (A[Index].Green != B[Index].Green) || (A[Index].Red != B[Index].Red)) {
        return false;
      }
    }
    return true;
  }

  std::filesystem::path                       Scratch;
  std::u16string                              Seen;
  std::vector<EFI_GRAPHICS_OUTPUT_BLT_PIXEL>  Screen;     // as it was when setup first waited
};

TEST_F (ScreenCaptureTest, F12SavesTheScreenAsABmpOnThePickedFileSystemAndSaysWhere)
{
  // F12, Enter on the only file system, Enter on the answer, Esc out of setup.
  Prepare ("F12,Enter,Enter,Esc");
  ASSERT_EQ (Run (), EFI_SUCCESS);
  EXPECT_TRUE (Told (u"File system 1"));
  EXPECT_TRUE (Told (u"SCRN0000.BMP"));
  EXPECT_FALSE (Told (u"could not be saved"));
  ASSERT_EQ (Files (), std::vector<std::string> ({ "SCRN0000.BMP" }));
  EXPECT_TRUE (Same (ReadBack ("SCRN0000.BMP"), Screen));
}

TEST_F (ScreenCaptureTest, ACaptureAskedForWhileOneRunsDoesNothing)
{
  size_t  Before = 0;
  size_t  After  = 0;
  bool    Asked  = false;

  Prepare ("F12,Enter,Enter,Esc");
  Devices.TextIn->Script ().SetWaitHook ([&] () {
    bool  Menu = false;
    for (UINTN Row = 0; Row < gTextScreenRows; Row++) {
      Menu = Menu || (Devices.TextOut->RowText (Row).find (u"File system 1") != std::u16string::npos);
    }
    if (Menu && !Asked) {
      Asked  = true;
      Before = Devices.TextIn->Script ().Released ();
      gFrontEnd.CaptureKeyPressed ();       // as a second F12 would, while the first one asks
      gFrontEnd.CtrlCaptureKeyPressed ();
      After  = Devices.TextIn->Script ().Released ();
    }
  });
  ASSERT_EQ (EnterGraphicalSetup (), EFI_SUCCESS);
  EXPECT_TRUE (Asked);
  EXPECT_EQ (After, Before);                 // it read no key: nothing opened
  EXPECT_EQ (Files (), std::vector<std::string> ({ "SCRN0000.BMP" }));
}

TEST_F (ScreenCaptureTest, WithoutAFileSystemTheUserIsTold)
{
  Prepare ("F12,Enter,Esc", false);
  ASSERT_EQ (Run (), EFI_SUCCESS);
  EXPECT_TRUE (Told (u"No file system was found"));
}

TEST_F (ScreenCaptureTest, AVolumeThatRefusesTheFileIsToldAndLeavesNoFile)
{
  Emu::FileSystemVolume  *Volume = Prepare ("F12,Enter,Enter,Esc");
  Volume->FailWrites (EFI_VOLUME_FULL);
  ASSERT_EQ (Run (), EFI_SUCCESS);
  EXPECT_TRUE (Told (u"could not be saved"));
  EXPECT_FALSE (Told (u"was saved"));
  EXPECT_TRUE (Files ().empty ());

  // A read-only volume says so too.
  Seen.clear ();
  Volume = Prepare ("F12,Enter,Enter,Esc");
  Volume->SetWritable (false);
  ASSERT_EQ (Run (), EFI_SUCCESS);
  EXPECT_TRUE (Told (u"could not be saved"));
  EXPECT_TRUE (Files ().empty ());
}

TEST_F (ScreenCaptureTest, CtrlF12SavesWhereF12SavedLastWithoutAskingAndTakesTheNextName)
{
  Prepare ("F12,Enter,Enter,Ctrl+F12,Enter,Esc");
  ASSERT_EQ (Run (), EFI_SUCCESS);
  EXPECT_EQ (Files (), std::vector<std::string> ({ "SCRN0000.BMP", "SCRN0001.BMP" }));
  EXPECT_TRUE (Told (u"SCRN0001.BMP"));
  EXPECT_TRUE (Same (ReadBack ("SCRN0001.BMP"), Screen));
}

}  // namespace
