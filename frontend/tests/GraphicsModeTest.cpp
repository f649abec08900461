// The mode setup starts in: the first 1024-pixel-wide mode the graphics output lists,
// and no change at all when it lists none or refuses the mode.
#include <engine/testing/EngineMachineTest.h>
#include <engine/core/EngineGlobals.h>
#include <frontend/FrontEndServices.h>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

class GraphicsModeTest : public EngineMachineTest {
protected:
  void Boot (std::vector<std::pair<UINT32, UINT32>> Modes, EFI_STATUS SetModeFault = EFI_SUCCESS)
  {
    Emu::MACHINE_OPTIONS  Options;
    Options.GraphicsModes = std::move (Modes);
    M.~Machine ();
    new (&M) Emu::Machine ();
    Devices = Emu::BuildStandardMachine (M, Options);
    ForgetLibraryTables ();
    gBS = M.BootServices ();
    Devices.Graphics->FailSetMode (SetModeFault);
  }
};

TEST_F (GraphicsModeTest, TheFirstModeOf1024PixelsIsSetAndOthersLeaveTheModeAlone) {
  const struct {
    std::vector<std::pair<UINT32, UINT32>>  Modes;
    EFI_STATUS                              Fault;
    UINT32                                  Width;    // after the call
  } Cases[] = {
    { { { 800, 600 }, { 1024, 600 }, { 1024, 768 } }, EFI_SUCCESS, 1024 },     // the first of two
    { { { 1024, 768 }, { 800, 600 } }, EFI_SUCCESS, 1024 },                    // already set
    { { { 800, 600 }, { 1280, 1024 } }, EFI_SUCCESS, 800 },                    // a height of 1024 is not it
    { { { 800, 600 }, { 1024, 768 } }, EFI_DEVICE_ERROR, 800 },                // refused: the mode stays
  };

  for (const auto &Case : Cases) {
    Boot (Case.Modes, Case.Fault);
    SetGraphicsMode1024 (nullptr);
    EXPECT_EQ (Devices.Graphics->Width (), Case.Width) << "first mode " << Case.Modes[0].first;
  }

  Boot ({ { 800, 600 }, { 1024, 600 }, { 1024, 768 } });
  SetGraphicsMode1024 (nullptr);
  EXPECT_EQ (Devices.Graphics->SetModeLog (), (std::vector<UINT32> { 1 }));
}

}  // namespace
