// A machine with the HII services and the engine's globals pointing at them, without
// starting the driver: for tests of the engine's HII configuration and question code,
// which run against the emulator's routing and fake drivers.
#ifndef ENGINE_CORE_TESTS_SUPPORT_HII_ENGINE_TEST_H_
#define ENGINE_CORE_TESTS_SUPPORT_HII_ENGINE_TEST_H_

#include "EngineMachineTest.h"

#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupData.h>
#include <Library/MemoryAllocationLib.h>

#include <Builders/SetupDataBuilder.h>
#include <EmulatorHii/FakeDriver.h>
#include <EmulatorHii/HiiServices.h>

#include <memory>
#include <string>
#include <vector>

class HiiEngineTest : public EngineMachineTest {
protected:
  void SetUp () override
  {
    EngineMachineTest::SetUp ();
    Hii = &M.Add (std::make_unique<Emu::HiiServices> (M));
    ASSERT_EQ (PlatformLibConstructor (Devices.Image->ImageHandle (), M.SystemTable ()), EFI_SUCCESS);
    gST = M.SystemTable ();
    gBS = gST->BootServices;
    gRT = gST->RuntimeServices;
    ASSERT_EQ (gBS->LocateProtocol (&gEfiHiiDatabaseProtocolGuid, nullptr, (VOID **)&gHiiDatabase), EFI_SUCCESS);
    ASSERT_EQ (gBS->LocateProtocol (&gEfiHiiStringProtocolGuid, nullptr, (VOID **)&gHiiString), EFI_SUCCESS);
    ASSERT_EQ (gBS->LocateProtocol (&gEfiHiiConfigRoutingProtocolGuid, nullptr, (VOID **)&gHiiConfigRouting), EFI_SUCCESS);
  }

  void TearDown () override
  {
    if (mBlock != nullptr) {
      ResetSetupData ();
      FreePool (mBlock);
      mBlock = nullptr;
    }

    EngineMachineTest::TearDown ();
  }

  // A driver with a vendor device path that publishes a package list of Forms.
  Emu::FakeDriver &AddDriver (const EFI_GUID &PathGuid)
  {
    return M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (PathGuid)));
  }

  // The compiled setup data as the loader would leave it: a pool copy of the block
  // with its tables parsed (the fixture's tear-down frees it).
  void LoadSetupData (const Builders::SETUP_DATA_DESC &Desc)
  {
    Builders::BYTES  Block = Builders::BuildSetupDataBlock (Desc);
    mBlock         = (UINT8 *)AllocateCopyPool (Block.size (), Block.data ());
    gSetupData     = mBlock;
    gSetupDataSize = Block.size ();
    ASSERT_EQ (ParseSetupDataHeader (), EFI_SUCCESS);
  }

  static std::u16string Text (const CHAR16 *String) { return (String == nullptr) ? u"<null>" : std::u16string (String); }

  Emu::HiiServices  *Hii    = nullptr;
  UINT8             *mBlock = nullptr;
};

#endif
