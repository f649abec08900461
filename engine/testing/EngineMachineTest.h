// A fixture for tests that start the driver on the emulator's standard machine: a
// fresh machine per test, and afterwards the engine's clean-up and every global it
// keeps reset, so the next test's machine starts the driver from nothing. Shared by
// the engine's start-up tests and the demo board's tests.
#ifndef ENGINE_CORE_TESTS_SUPPORT_ENGINE_MACHINE_TEST_H_
#define ENGINE_CORE_TESTS_SUPPORT_ENGINE_MACHINE_TEST_H_

#include <engine/core/SetupData.h>
#include <engine/startup/SetupEngine.h>
#include <engine/post/BootScreen.h>
#include <engine/textui/TextScreen.h>
#include <Library/PlatformLib.h>

#include <Emulator/StandardMachine.h>

#include <gtest/gtest.h>

class EngineMachineTest : public ::testing::Test {
protected:
  void SetUp () override
  {
    Devices = Emu::BuildStandardMachine (M, Emu::MACHINE_OPTIONS {});
    ForgetLibraryTables ();
    ConnectEngineParts ();      // as the driver's main routine does first
  }

  void TearDown () override { ForgetEngine (); }

public:
  // The engine's clean-up, its globals reset and the library's tables forgotten: what a
  // test that runs several machines in turn does between them.
  static void ForgetEngine ()
  {
    (VOID)SetupEngineCleanup (EFI_SUCCESS);
    FreeSetupData ();
    FreeScreenBuffers ();
    CloseConsoleNotifications ();
    ResetEngineState ();
    ForgetLibraryTables ();
  }

  // The base library's tables of an earlier machine must not serve this one.
  static void ForgetLibraryTables ()
  {
    gLibST = nullptr;
    gLibBS = nullptr;
    gLibRT = nullptr;
  }

protected:
  Emu::Machine           M;
  Emu::STANDARD_DEVICES  Devices;
};

#endif
