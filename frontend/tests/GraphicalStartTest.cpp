// Entering setup chooses the graphics mode 1024 pixels wide before the pages show, and
// the text pages show the same on a screen that started in another mode.
#include <engine/testing/TuiAppTestSupport.h>

#include <engine/core/EngineGlobals.h>
#include <frontend/FrontEndServices.h>

#include <gtest/gtest.h>

namespace {

class GraphicalStartTest : public TuiAppTest {
protected:
  void TearDown () override
  {
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    gInSetup = 0;
    TuiAppTest::TearDown ();
  }

  // Setup entered on a screen in the given mode of the standard list (1024x768 first, then
  // 800x600); the console's rows as the first key found them.
  std::vector<std::u16string> Enter (UINT32 Mode)
  {
    std::vector<std::u16string>  Rows;

    Boot ("Esc");
    FreeDynamicPageTable ();
    EXPECT_EQ (Devices.Graphics->SetMode (Mode), EFI_SUCCESS);
    Devices.TextIn->Script ().SetWaitHook ([&] () {
      for (UINTN Row = 0; Rows.empty () && (Row < gTextScreenRows); Row++) {
        Rows.push_back (Devices.TextOut->RowText (Row));
      }
    });
    EXPECT_EQ (EnterGraphicalSetup (), EFI_SUCCESS);
    return Rows;
  }
};

TEST_F (GraphicalStartTest, SetupTurnsTheScreenTo1024PixelsAndTheTextPagesShowAlike)
{
  std::vector<std::u16string>  Wide = Enter (0);
  EXPECT_EQ (Devices.Graphics->SetModeLog (), (std::vector<UINT32> { 0 }));     // the test's own: setup found it there

  std::vector<std::u16string>  Narrow = Enter (1);
  EXPECT_EQ (Devices.Graphics->SetModeLog (), (std::vector<UINT32> { 1, 0 }));
  EXPECT_EQ (Devices.Graphics->Width (), 1024u);
  ASSERT_FALSE (Wide.empty ());
  EXPECT_EQ (Narrow, Wide);
  EXPECT_NE (Wide[0].find (u"Setup Utility"), std::u16string::npos);
}

}  // namespace
