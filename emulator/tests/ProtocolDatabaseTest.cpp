// Handles, installs, lookups, notifications and failure injection of the protocol
// database, called through the boot services table.
#include <Emulator/Machine.h>
#include <Protocol/DevicePath.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

EFI_GUID  gAlpha = { 0x8A91B1E1, 0x56C7, 0x4ADC, { 0xAB, 0xEB, 0x1C, 0x2C, 0xA1, 0x72, 0x9E, 0xFF } };
EFI_GUID  gBeta  = { 0xB9D4C360, 0xBCFB, 0x4F9B, { 0x92, 0x98, 0x53, 0xC1, 0x36, 0x98, 0x22, 0x58 } };

struct NOTIFY_COUNT {
  int  Calls;
};

// What a listener on gAlpha finds when its notify runs: each new handle, and
// whether gBeta already sits on it.
struct SET_WATCH {
  EFI_BOOT_SERVICES        *BS;
  VOID                     *Registration;
  std::vector<EFI_HANDLE>  Handles;
  std::vector<bool>        HadBeta;
};

VOID EFIAPI
CountNotify (EFI_EVENT Event, VOID *Context)
{
  (VOID)Event;
  static_cast<NOTIFY_COUNT *>(Context)->Calls++;
}

VOID EFIAPI
WatchSet (EFI_EVENT Event, VOID *Context)
{
  (VOID)Event;
  auto        *Watch = static_cast<SET_WATCH *>(Context);
  EFI_HANDLE  Handle = nullptr;
  UINTN       Size   = sizeof (Handle);
  VOID        *Beta  = nullptr;

  while (Watch->BS->LocateHandle (ByRegisterNotify, nullptr, Watch->Registration, &Size, &Handle) == EFI_SUCCESS) {
    Watch->Handles.push_back (Handle);
    Watch->HadBeta.push_back (Watch->BS->HandleProtocol (Handle, &gBeta, &Beta) == EFI_SUCCESS);
  }
}

class ProtocolDatabaseTest : public ::testing::Test {
protected:
  Emu::Machine      Machine;
  EFI_BOOT_SERVICES *BS = Machine.BootServices ();
  int               InterfaceA = 1;
  int               InterfaceB = 2;
  NOTIFY_COUNT      Count {};
};

// Several instances of one GUID come back in installation order, and the multiple
// form installs every pair on one handle.
TEST_F (ProtocolDatabaseTest, InstancesLocateInInstallationOrder)
{
  EFI_HANDLE  First  = nullptr;
  EFI_HANDLE  Second = nullptr;

  ASSERT_EQ (BS->InstallMultipleProtocolInterfaces (&First, &gBeta, &InterfaceB, &gAlpha, &InterfaceA, nullptr),
    EFI_SUCCESS);
  ASSERT_EQ (BS->InstallProtocolInterface (&Second, &gAlpha, EFI_NATIVE_INTERFACE, &InterfaceB), EFI_SUCCESS);
  UINTN       Count   = 0;
  EFI_HANDLE  *Buffer = nullptr;
  ASSERT_EQ (BS->LocateHandleBuffer (ByProtocol, &gAlpha, nullptr, &Count, &Buffer), EFI_SUCCESS);
  ASSERT_EQ (Count, 2u);
  EXPECT_EQ (Buffer[0], First);
  EXPECT_EQ (Buffer[1], Second);
  ASSERT_EQ (BS->FreePool (Buffer), EFI_SUCCESS);
  VOID  *Found = nullptr;
  ASSERT_EQ (BS->LocateProtocol (&gAlpha, nullptr, &Found), EFI_SUCCESS);
  EXPECT_EQ (Found, &InterfaceA);
  EXPECT_EQ (Machine.Protocols ().InterfacesOn (First).size (), 2u);
}

// The two-call size protocol of LocateHandle: a size that is too small gets
// EFI_BUFFER_TOO_SMALL with the size even without a buffer; a missing buffer is
// refused only when the size would have been enough, and no match is EFI_NOT_FOUND
// whatever the buffer.
TEST_F (ProtocolDatabaseTest, LocateHandleTellsTheSizeFirst)
{
  EFI_HANDLE  Handle = nullptr;
  EFI_HANDLE  Buffer[2];
  UINTN       Size = 1;

  EXPECT_EQ (BS->LocateHandle (ByProtocol, &gAlpha, nullptr, &Size, nullptr), EFI_NOT_FOUND);
  ASSERT_EQ (BS->InstallProtocolInterface (&Handle, &gAlpha, EFI_NATIVE_INTERFACE, &InterfaceA), EFI_SUCCESS);
  EXPECT_EQ (BS->LocateHandle (ByProtocol, &gAlpha, nullptr, &Size, nullptr), EFI_BUFFER_TOO_SMALL);
  EXPECT_EQ (Size, sizeof (EFI_HANDLE));
  EXPECT_EQ (BS->LocateHandle (ByProtocol, &gAlpha, nullptr, &Size, nullptr), EFI_INVALID_PARAMETER);
  ASSERT_EQ (BS->LocateHandle (ByProtocol, &gAlpha, nullptr, &Size, Buffer), EFI_SUCCESS);
  EXPECT_EQ (Buffer[0], Handle);
}

// A registered notify fires on each install of its GUID, and LocateHandle by
// register-notify hands out one new handle per call, then EFI_NOT_FOUND.
TEST_F (ProtocolDatabaseTest, RegisterNotifyDeliversEachNewHandleOnce)
{
  EFI_EVENT   Event = nullptr;
  VOID        *Registration = nullptr;
  EFI_HANDLE  First = nullptr;
  EFI_HANDLE  Second = nullptr;

  ASSERT_EQ (BS->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, CountNotify, &Count, &Event), EFI_SUCCESS);
  ASSERT_EQ (BS->RegisterProtocolNotify (&gAlpha, Event, &Registration), EFI_SUCCESS);
  ASSERT_EQ (BS->InstallProtocolInterface (&First, &gAlpha, EFI_NATIVE_INTERFACE, &InterfaceA), EFI_SUCCESS);
  ASSERT_EQ (BS->InstallProtocolInterface (&First, &gBeta, EFI_NATIVE_INTERFACE, &InterfaceB), EFI_SUCCESS);
  ASSERT_EQ (BS->InstallProtocolInterface (&Second, &gAlpha, EFI_NATIVE_INTERFACE, &InterfaceB), EFI_SUCCESS);
  EXPECT_EQ (Count.Calls, 2);

  EFI_HANDLE  Found = nullptr;
  UINTN       Size  = sizeof (Found);
  ASSERT_EQ (BS->LocateHandle (ByRegisterNotify, nullptr, Registration, &Size, &Found), EFI_SUCCESS);
  EXPECT_EQ (Found, First);
  VOID  *Interface = nullptr;
  ASSERT_EQ (BS->LocateProtocol (&gAlpha, Registration, &Interface), EFI_SUCCESS);
  EXPECT_EQ (Interface, &InterfaceB);
  EXPECT_EQ (BS->LocateHandle (ByRegisterNotify, nullptr, Registration, &Size, &Found), EFI_NOT_FOUND);
  // Closing the event ends the registration.
  ASSERT_EQ (BS->CloseEvent (Event), EFI_SUCCESS);
  EFI_HANDLE  Third = nullptr;
  ASSERT_EQ (BS->InstallProtocolInterface (&Third, &gAlpha, EFI_NATIVE_INTERFACE, &InterfaceA), EFI_SUCCESS);
  EXPECT_EQ (Count.Calls, 2);
}

// Installing and at once uninstalling a null interface is how an event group is
// signalled: the listener's notify runs and the log names the GUID.
TEST_F (ProtocolDatabaseTest, NullInterfaceInstallSignalsListenersAndIsLogged)
{
  EFI_EVENT   Event = nullptr;
  VOID        *Registration = nullptr;
  EFI_HANDLE  Handle = nullptr;

  ASSERT_EQ (BS->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, CountNotify, &Count, &Event), EFI_SUCCESS);
  ASSERT_EQ (BS->RegisterProtocolNotify (&gBeta, Event, &Registration), EFI_SUCCESS);
  ASSERT_EQ (BS->InstallProtocolInterface (&Handle, &gBeta, EFI_NATIVE_INTERFACE, nullptr), EFI_SUCCESS);
  ASSERT_EQ (BS->UninstallProtocolInterface (Handle, &gBeta, nullptr), EFI_SUCCESS);
  EXPECT_EQ (Count.Calls, 1);
  ASSERT_EQ (Machine.Protocols ().NullInterfaceLog ().size (), 1u);
  EXPECT_EQ (Machine.Protocols ().NullInterfaceLog ()[0].Data1, gBeta.Data1);
  // The handle went with its last protocol.
  EXPECT_FALSE (Machine.Protocols ().IsHandle (Handle));
  VOID  *Interface = nullptr;
  EXPECT_EQ (BS->HandleProtocol (Handle, &gBeta, &Interface), EFI_INVALID_PARAMETER);
}

// The multiple forms are all or nothing.
TEST_F (ProtocolDatabaseTest, MultipleInstallRollsBackOnFailure)
{
  EFI_HANDLE  Handle = nullptr;

  ASSERT_EQ (BS->InstallProtocolInterface (&Handle, &gBeta, EFI_NATIVE_INTERFACE, &InterfaceB), EFI_SUCCESS);
  EXPECT_EQ (BS->InstallMultipleProtocolInterfaces (&Handle, &gAlpha, &InterfaceA, &gBeta, &InterfaceA, nullptr),
    EFI_INVALID_PARAMETER);
  EXPECT_EQ (Machine.Protocols ().Find (Handle, gAlpha), nullptr);
  EXPECT_EQ (BS->UninstallMultipleProtocolInterfaces (Handle, &gBeta, &InterfaceB, &gAlpha, &InterfaceA, nullptr),
    EFI_INVALID_PARAMETER);
  EXPECT_EQ (Machine.Protocols ().Find (Handle, gBeta), &InterfaceB);
}

// A fault fires on the chosen operation and GUID, after the calls it skips.
TEST_F (ProtocolDatabaseTest, InjectedFaultHitsTheChosenCall)
{
  EFI_HANDLE  Handle = nullptr;
  VOID        *Interface = nullptr;

  ASSERT_EQ (BS->InstallProtocolInterface (&Handle, &gAlpha, EFI_NATIVE_INTERFACE, &InterfaceA), EFI_SUCCESS);
  Machine.Protocols ().InjectFault (Emu::PROTOCOL_FAULT { Emu::ProtocolOp::LocateProtocol, gAlpha,
    EFI_DEVICE_ERROR, 1, 1 });
  EXPECT_EQ (BS->LocateProtocol (&gBeta, nullptr, &Interface), EFI_NOT_FOUND);
  EXPECT_EQ (BS->LocateProtocol (&gAlpha, nullptr, &Interface), EFI_SUCCESS);
  EXPECT_EQ (BS->LocateProtocol (&gAlpha, nullptr, &Interface), EFI_DEVICE_ERROR);
  EXPECT_EQ (BS->LocateProtocol (&gAlpha, nullptr, &Interface), EFI_SUCCESS);
}

// Opens by driver are exclusive per agent, and OpenProtocolInformation reports them.
TEST_F (ProtocolDatabaseTest, OpenByDriverIsRecordedAndExclusive)
{
  EFI_HANDLE  Controller = nullptr;
  EFI_HANDLE  Driver     = nullptr;
  EFI_HANDLE  Other      = nullptr;
  VOID        *Interface = nullptr;

  ASSERT_EQ (BS->InstallProtocolInterface (&Controller, &gAlpha, EFI_NATIVE_INTERFACE, &InterfaceA), EFI_SUCCESS);
  ASSERT_EQ (BS->InstallProtocolInterface (&Driver, &gBeta, EFI_NATIVE_INTERFACE, &InterfaceB), EFI_SUCCESS);
  ASSERT_EQ (BS->InstallProtocolInterface (&Other, &gBeta, EFI_NATIVE_INTERFACE, &InterfaceA), EFI_SUCCESS);
  ASSERT_EQ (BS->OpenProtocol (Controller, &gAlpha, &Interface, Driver, Controller, EFI_OPEN_PROTOCOL_BY_DRIVER),
    EFI_SUCCESS);
  EXPECT_EQ (BS->OpenProtocol (Controller, &gAlpha, &Interface, Driver, Controller, EFI_OPEN_PROTOCOL_BY_DRIVER),
    EFI_ALREADY_STARTED);
  EXPECT_EQ (BS->OpenProtocol (Controller, &gAlpha, &Interface, Other, Controller, EFI_OPEN_PROTOCOL_BY_DRIVER),
    EFI_ACCESS_DENIED);
  EFI_OPEN_PROTOCOL_INFORMATION_ENTRY  *Entries = nullptr;
  UINTN                                Count   = 0;
  ASSERT_EQ (BS->OpenProtocolInformation (Controller, &gAlpha, &Entries, &Count), EFI_SUCCESS);
  ASSERT_EQ (Count, 1u);
  EXPECT_EQ (Entries[0].AgentHandle, Driver);
  EXPECT_EQ (Entries[0].Attributes, (UINT32)EFI_OPEN_PROTOCOL_BY_DRIVER);
  ASSERT_EQ (BS->FreePool (Entries), EFI_SUCCESS);
  ASSERT_EQ (BS->CloseProtocol (Controller, &gAlpha, Driver, Controller), EFI_SUCCESS);
  EXPECT_EQ (BS->OpenProtocol (Controller, &gAlpha, &Interface, Other, Controller, EFI_OPEN_PROTOCOL_BY_DRIVER),
    EFI_SUCCESS);
}

// A listener sees a multiple install only once the whole set is on the handle,
// and finds nothing of a set that was taken back.
TEST_F (ProtocolDatabaseTest, MultipleInstallNotifiesAfterTheWholeSet)
{
  SET_WATCH   Watch { BS, nullptr, {}, {} };
  EFI_EVENT   Event  = nullptr;
  EFI_HANDLE  Handle = nullptr;
  EFI_HANDLE  Failed = nullptr;

  ASSERT_EQ (BS->CreateEvent (EVT_NOTIFY_SIGNAL, TPL_CALLBACK, WatchSet, &Watch, &Event), EFI_SUCCESS);
  ASSERT_EQ (BS->RegisterProtocolNotify (&gAlpha, Event, &Watch.Registration), EFI_SUCCESS);
  ASSERT_EQ (BS->InstallMultipleProtocolInterfaces (&Handle, &gAlpha, &InterfaceA, &gBeta, &InterfaceB, nullptr),
    EFI_SUCCESS);
  EXPECT_EQ (Watch.Handles, (std::vector<EFI_HANDLE> { Handle }));
  EXPECT_EQ (Watch.HadBeta, (std::vector<bool> { true }));
  EXPECT_EQ (BS->InstallMultipleProtocolInterfaces (&Failed, &gAlpha, &InterfaceA, &gAlpha, &InterfaceB, nullptr),
    EFI_INVALID_PARAMETER);
  EXPECT_EQ (Failed, nullptr);
  EXPECT_EQ (Watch.Handles.size (), 1u);
  EXPECT_EQ (Machine.Events ().CurrentTpl (), (EFI_TPL)TPL_APPLICATION);
  EXPECT_TRUE (Machine.Events ().TplViolations ().empty ());
}

// Only driver and exclusive opens can be refused: while a protocol is held
// exclusively, HandleProtocol, GET_PROTOCOL and TEST_PROTOCOL still find it.
// Attribute values outside the defined ones are refused.
TEST_F (ProtocolDatabaseTest, ExclusiveOpenLeavesPlainLookupsAlone)
{
  EFI_HANDLE  Controller = nullptr;
  EFI_HANDLE  Agent      = nullptr;
  VOID        *Interface = nullptr;

  ASSERT_EQ (BS->InstallProtocolInterface (&Controller, &gAlpha, EFI_NATIVE_INTERFACE, &InterfaceA), EFI_SUCCESS);
  ASSERT_EQ (BS->InstallProtocolInterface (&Agent, &gBeta, EFI_NATIVE_INTERFACE, &InterfaceB), EFI_SUCCESS);
  ASSERT_EQ (BS->OpenProtocol (Controller, &gAlpha, &Interface, Agent, nullptr, EFI_OPEN_PROTOCOL_EXCLUSIVE),
    EFI_SUCCESS);
  Interface = nullptr;
  EXPECT_EQ (BS->HandleProtocol (Controller, &gAlpha, &Interface), EFI_SUCCESS);
  EXPECT_EQ (Interface, &InterfaceA);
  Interface = nullptr;
  EXPECT_EQ (BS->OpenProtocol (Controller, &gAlpha, &Interface, Controller, nullptr, EFI_OPEN_PROTOCOL_GET_PROTOCOL),
    EFI_SUCCESS);
  EXPECT_EQ (Interface, &InterfaceA);
  EXPECT_EQ (BS->OpenProtocol (Controller, &gAlpha, nullptr, Controller, nullptr, EFI_OPEN_PROTOCOL_TEST_PROTOCOL),
    EFI_SUCCESS);
  EXPECT_EQ (BS->OpenProtocol (Controller, &gAlpha, &Interface, Controller, Controller, EFI_OPEN_PROTOCOL_BY_DRIVER),
    EFI_ACCESS_DENIED);
  EXPECT_EQ (BS->OpenProtocol (Controller, &gAlpha, &Interface, Agent, nullptr, 0), EFI_INVALID_PARAMETER);
  EXPECT_EQ (BS->OpenProtocol (Controller, &gAlpha, &Interface, Agent, nullptr,
    EFI_OPEN_PROTOCOL_GET_PROTOCOL | EFI_OPEN_PROTOCOL_TEST_PROTOCOL), EFI_INVALID_PARAMETER);
}

// A device path already in the database is refused by the multiple install, with
// nothing of the set installed.
TEST_F (ProtocolDatabaseTest, MultipleInstallRefusesAKnownDevicePath)
{
  static const EFI_GUID  PathGuid = EFI_DEVICE_PATH_PROTOCOL_GUID;
  const UINT8            Path[]   = { HARDWARE_DEVICE_PATH, HW_PCI_DP, 6, 0, 0, 2,
                                      END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4, 0 };
  const UINT8            Copy[sizeof (Path)] = { HARDWARE_DEVICE_PATH, HW_PCI_DP, 6, 0, 0, 2,
                                                 END_DEVICE_PATH_TYPE, END_ENTIRE_DEVICE_PATH_SUBTYPE, 4, 0 };
  EFI_HANDLE             First  = nullptr;
  EFI_HANDLE             Second = nullptr;

  ASSERT_EQ (BS->InstallMultipleProtocolInterfaces (&First, &PathGuid, Path, nullptr), EFI_SUCCESS);
  EXPECT_EQ (BS->InstallMultipleProtocolInterfaces (&Second, &gAlpha, &InterfaceA, &PathGuid, Copy, nullptr),
    EFI_ALREADY_STARTED);
  EXPECT_EQ (Second, nullptr);
  EXPECT_TRUE (Machine.Protocols ().HandlesWith (gAlpha).empty ());
}

}  // namespace

// A handle whose last protocol went stays refused and no later handle takes its
// place, however many come and go; the live ones keep their installation order.
TEST_F (ProtocolDatabaseTest, ADeadHandleStaysStaleWhileOthersComeAndGo)
{
  EFI_HANDLE  First = nullptr;
  EFI_HANDLE  Dead  = nullptr;
  EFI_HANDLE  Last  = nullptr;
  VOID        *Interface = nullptr;

  ASSERT_EQ (BS->InstallProtocolInterface (&First, &gAlpha, EFI_NATIVE_INTERFACE, &InterfaceA), EFI_SUCCESS);
  ASSERT_EQ (BS->InstallProtocolInterface (&Dead, &gAlpha, EFI_NATIVE_INTERFACE, &InterfaceB), EFI_SUCCESS);
  ASSERT_EQ (BS->UninstallProtocolInterface (Dead, &gAlpha, &InterfaceB), EFI_SUCCESS);
  for (int Round = 0; Round < 64; Round++) {
    EFI_HANDLE  Other = nullptr;
    ASSERT_EQ (BS->InstallProtocolInterface (&Other, &gBeta, EFI_NATIVE_INTERFACE, &InterfaceB), EFI_SUCCESS);
    EXPECT_NE (Other, Dead);
    ASSERT_EQ (BS->UninstallProtocolInterface (Other, &gBeta, &InterfaceB), EFI_SUCCESS);
  }
  ASSERT_EQ (BS->InstallProtocolInterface (&Last, &gAlpha, EFI_NATIVE_INTERFACE, &InterfaceB), EFI_SUCCESS);

  EXPECT_NE (BS->HandleProtocol (Dead, &gAlpha, &Interface), EFI_SUCCESS);
  EXPECT_EQ (BS->InstallProtocolInterface (&Dead, &gBeta, EFI_NATIVE_INTERFACE, &InterfaceB), EFI_INVALID_PARAMETER);
  EXPECT_EQ (Machine.Protocols ().HandlesWith (gAlpha), (std::vector<EFI_HANDLE> { First, Last }));
  EXPECT_EQ (Machine.Protocols ().HandlesWith (gBeta), std::vector<EFI_HANDLE> {});
}
