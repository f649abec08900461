// The base library running on the emulated machine: the chains that later tests
// rely on without looking at them (boot mode, debug text, group signals, the
// two-call variable read).
#include <Emulator/StandardMachine.h>

#include <Library/HobLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PlatformLib.h>
#include <Library/ReportStatusCodeLib.h>
#include <Library/UefiLib.h>

#include <gtest/gtest.h>

namespace {

EFI_GUID  gGroup = { 0x71202EEE, 0x5F53, 0x40D9, { 0xAB, 0x3D, 0x9E, 0x0C, 0x26, 0xD9, 0x66, 0x57 } };

VOID EFIAPI
CountNotify (EFI_EVENT Event, VOID *Context)
{
  (VOID)Event;
  ++*static_cast<int *>(Context);
}

class PlatformLibraryTest : public ::testing::Test {
protected:
  void SetUp () override
  {
    ASSERT_EQ (PlatformLibConstructor (Devices.Image->ImageHandle (), Machine.SystemTable ()), EFI_SUCCESS);
  }

  Emu::Machine           Machine;
  Emu::STANDARD_DEVICES  Devices = Emu::BuildStandardMachine (Machine, {});
};

// The library finds the boot mode in the machine's hand-off block list.
TEST_F (PlatformLibraryTest, BootModeComesFromTheHobList)
{
  EXPECT_EQ (GetBootModeHob (), (EFI_BOOT_MODE)BOOT_WITH_FULL_CONFIGURATION);
  Devices.Hobs->SetBootMode (BOOT_IN_RECOVERY_MODE);
  EXPECT_EQ (GetBootModeHob (), (EFI_BOOT_MODE)BOOT_IN_RECOVERY_MODE);
}

// Debug text reaches the status-code log as string data.
TEST_F (PlatformLibraryTest, DebugTextReachesTheStatusCodeLog)
{
  ASSERT_EQ (ReportDebugText ("Setup starts\n"), EFI_SUCCESS);
  ASSERT_EQ (Devices.StatusCodes->Records ().size (), 1u);
  EXPECT_EQ (Devices.StatusCodes->Records ()[0].Type & EFI_STATUS_CODE_TYPE_MASK, (UINT32)EFI_DEBUG_CODE);
  EXPECT_EQ (Devices.StatusCodes->Records ()[0].Text, "Setup starts\n");
}

// Signalling a GUID installs and removes a null interface: listeners run and the
// log names the group.
TEST_F (PlatformLibraryTest, SignalledGroupReachesListenersAndTheLog)
{
  int        Calls = 0;
  EFI_EVENT  Event = nullptr;
  VOID       *Registration = nullptr;

  ASSERT_EQ (Machine.BootServices ()->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, CountNotify, &Calls, &Event),
    EFI_SUCCESS);
  ASSERT_EQ (Machine.BootServices ()->RegisterProtocolNotify (&gGroup, Event, &Registration), EFI_SUCCESS);
  ASSERT_EQ (SignalProtocolNotify (&gGroup), EFI_SUCCESS);
  EXPECT_EQ (Calls, 1);
  ASSERT_EQ (Machine.Protocols ().NullInterfaceLog ().size (), 1u);
  EXPECT_EQ (Machine.Protocols ().NullInterfaceLog ()[0].Data1, gGroup.Data1);
  EXPECT_TRUE (Machine.Protocols ().HandlesWith (gGroup).empty ());
}

// The two-call variable read allocates from the machine's pool and leaks nothing.
TEST_F (PlatformLibraryTest, VariableBufferReadUsesThePool)
{
  UINT8   Data[3] = { 1, 2, 3 };
  VOID    *Buffer = nullptr;
  UINTN   Size    = 0;
  UINT64  Mark    = Machine.Memory ().AllocationCount ();

  ASSERT_EQ (Machine.RuntimeServices ()->SetVariable ((CHAR16 *)u"Setup", &gGroup, EFI_VARIABLE_BOOTSERVICE_ACCESS,
    sizeof (Data), Data), EFI_SUCCESS);
  ASSERT_EQ (GetVariableBuffer (u"Setup", &gGroup, &Buffer, &Size, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Size, sizeof (Data));
  EXPECT_TRUE (Machine.Memory ().IsLive (Buffer));
  FreePool (Buffer);
  EXPECT_TRUE (Machine.Memory ().LeaksSince (Mark).empty ());
}

}  // namespace
