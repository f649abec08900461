// Driver health on the emulator: drivers with scripted controller statuses, the
// texts and the controller list of the driver-health page, the action each status
// asks for, which driver manages a controller, and the health check before a boot.
#include <engine/testing/HiiEngineTest.h>

#include <engine/post/BootScreen.h>
#include <engine/boot/DriverHealth.h>
#include <engine/textui/MessageBox.h>
#include <Library/MemoryAllocationLib.h>
#include <Emulator/HealthDriver.h>
#include <Emulator/RunEnded.h>
#include <Resources/EngineStringPackage.h>

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

namespace {

using BYTES = std::vector<UINT8>;

const EFI_GUID  kCountGuid = DRIVER_HEALTH_COUNT_VARIABLE_GUID;

struct BOX {
  std::u16string  Title;
  std::u16string  Message;
  UINT8           Type;
};

std::vector<BOX>  gBoxes;
UINT8             gAnswer = 0;

EFI_STATUS EFIAPI
RecordBox (CHAR16 *Title, CHAR16 *Message, UINT8 Type, UINT8 *Selection)
{
  gBoxes.push_back ({ Title, Message, Type });
  *Selection = gAnswer;
  return EFI_SUCCESS;
}

class DriverHealthTest : public HiiEngineTest {
protected:
  void SetUp () override
  {
    HiiEngineTest::SetUp ();
    ASSERT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (CONST EFI_HII_PACKAGE_LIST_HEADER *)gSetupEngineStringPackageList,
                 nullptr, &gHiiHandle), EFI_SUCCESS);
    SavedBox = gBootScreenInterface.ShowBootScreenMessageBox;
    gBootScreenInterface.ShowBootScreenMessageBox = RecordBox;
    gBoxes.clear ();
    gAnswer = 0;
  }

  void TearDown () override
  {
    gBootScreenInterface.ShowBootScreenMessageBox = SavedBox;
    FreeDriverHealthList ();
    gDriverHealth       = nullptr;
    gDriverHealthHandle = nullptr;
    HiiEngineTest::TearDown ();
  }

  Emu::HealthDriver &Driver (std::optional<std::u16string> Name)
  {
    return M.Add (std::make_unique<Emu::HealthDriver> (M, std::move (Name)));
  }

  static std::u16string Take (CHAR16 *Text)
  {
    std::u16string  Result = (Text == nullptr) ? u"<null>" : Text;
    FreePool (Text);
    return Result;
  }

  static std::u16string Hex (const void *Handle)
  {
    char  Text[32];
    std::snprintf (Text, sizeof (Text), "%llx", (unsigned long long)(uintptr_t)Handle);
    return std::u16string (Text, Text + std::string (Text).size ());
  }

  // A device path of one vendor node numbered Tag, installed on Handle.
  void GivePath (EFI_HANDLE Handle, UINT8 Tag)
  {
    Paths.push_back ({ 0x01, 0x04, 20, 0, Tag, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF,
                       0x7F, 0xFF, 4, 0 });
    ASSERT_EQ (gBS->InstallMultipleProtocolInterfaces (&Handle, &gEfiDevicePathProtocolGuid, Paths.back ().data (), nullptr),
      EFI_SUCCESS);
  }

  EFI_STATUS (EFIAPI *SavedBox)(CHAR16 *, CHAR16 *, UINT8, UINT8 *) = nullptr;
  std::deque<BYTES>  Paths;
};

TEST_F (DriverHealthTest, DriverTextsNameTheDriverAndItsWorstStatus) {
  Emu::HealthDriver  &Disk    = Driver (u"Disk Driver");
  Emu::HealthDriver  &Nameless = Driver (std::nullopt);
  Disk.AddController ({ .Status = EfiDriverHealthStatusHealthy });
  Disk.AddController ({ .Status = EfiDriverHealthStatusRepairRequired });

  EXPECT_EQ (Take (GetDriverHealthDriverText (0)), u"Disk Driver     Repair Required");
  EXPECT_EQ (Take (GetDriverHealthDriverText (1)), u"Driver At Handle " + Hex (Nameless.Handle ()) + u"     Healthy");
  EXPECT_EQ (GetDriverHealthDriverText (2), nullptr);
  Disk.SetOverall (EfiDriverHealthStatusRebootRequired);
  EXPECT_EQ (Take (GetDriverHealthDriverText (0)), u"Disk Driver     Reboot Required");
}

TEST_F (DriverHealthTest, TheControllerListHoldsControllersThenTheirChildrenAndItsCount) {
  Emu::HealthDriver  &Net = Driver (u"Net");
  EFI_HANDLE         First  = Net.AddController ({ .Status = EfiDriverHealthStatusHealthy, .Name = u"Port A" });
  EFI_HANDLE         Child  = Net.AddChild (First, { .Status = EfiDriverHealthStatusFailed });
  EFI_HANDLE         Second = Net.AddController ({ .Status = EfiDriverHealthStatusConfigurationRequired });

  RefreshDriverHealthCount (0);
  std::vector<std::tuple<EFI_HANDLE, EFI_HANDLE, UINT32>>  Listed;
  for (DRIVER_HEALTH_RECORD *R = gDriverHealthList; R != nullptr; R = R->Next) {
    Listed.push_back ({ R->Controller, R->Child, R->Status });
  }
  EXPECT_EQ (Listed, (std::vector<std::tuple<EFI_HANDLE, EFI_HANDLE, UINT32>> {
    { First, nullptr, 0 }, { First, Child, 3 }, { Second, nullptr, 2 } }));
  EXPECT_EQ (M.Variables ().Lookup (u"DrvHealthCtrlCnt", kCountGuid)->Data, (BYTES { 3, 0 }));

  EXPECT_EQ (Take (GetDriverHealthControllerText (GetDriverHealthRecord (0))), u"Port A     Healthy");
  Net.State (First, Child).Status = EfiDriverHealthStatusHealthy;          // asked afresh
  EXPECT_EQ (Take (GetDriverHealthControllerText (GetDriverHealthRecord (1))),
    u"Controller " + Hex (First) + u" Child " + Hex (Child) + u"     Healthy");
  EXPECT_EQ (GetDriverHealthRecord (3), nullptr);

  Driver (u"Idle");
  RefreshDriverHealthCount (1);
  EXPECT_EQ (gDriverHealthList, nullptr);
  EXPECT_EQ (M.Variables ().Lookup (u"DrvHealthCtrlCnt", kCountGuid)->Data, (BYTES { 0, 0 }));
}

TEST_F (DriverHealthTest, HealthyAndFailedControllersShowTheirMessages) {
  Emu::HealthDriver  &Disk = Driver (u"Disk");
  Disk.AddController ({ .Status = EfiDriverHealthStatusHealthy, .Messages = { { gHiiHandle, 5 }, { gHiiHandle, 6 } } });
  Disk.AddController ({ .Status = EfiDriverHealthStatusFailed, .Messages = { { gHiiHandle, 8 } } });
  ASSERT_EQ (RebuildDriverHealthControllerList (0), 2);

  ProcessDriverHealthEntry (nullptr, 0);
  ProcessDriverHealthEntry (nullptr, 1);
  ASSERT_EQ (gBoxes.size (), 2u);
  EXPECT_EQ (gBoxes[0].Title, u"Driver Health");
  EXPECT_EQ (gBoxes[0].Message, u"Enabled\nDisabled\n");
  EXPECT_EQ (gBoxes[1].Message, u"FDD\n");
}

TEST_F (DriverHealthTest, AtMostFifteenMessagesAreShown) {
  std::vector<EFI_DRIVER_HEALTH_HII_MESSAGE>  Messages (20, EFI_DRIVER_HEALTH_HII_MESSAGE { gHiiHandle, 9, 0 });
  Messages.push_back ({ nullptr, 0, 0 });
  ShowDriverHealthMessages (Messages.data ());
  ASSERT_EQ (gBoxes.size (), 1u);
  std::u16string  Expected;
  for (int Index = 0; Index < 15; Index++) {
    Expected += u"HDD\n";
  }
  EXPECT_EQ (gBoxes[0].Message, Expected);
}

TEST_F (DriverHealthTest, ARepairedControllerContinuesWithItsNewStatus) {
  Emu::HealthDriver  &Disk = Driver (u"Disk");
  EFI_HANDLE         Fixed = Disk.AddController ({ .Status = EfiDriverHealthStatusRepairRequired, .Messages = { { gHiiHandle, 5 } } });
  EFI_HANDLE         Stuck = Disk.AddController ({ .Status = EfiDriverHealthStatusRepairRequired,
                                                   .AfterRepair = EfiDriverHealthStatusReconnectRequired });
  ASSERT_EQ (RebuildDriverHealthControllerList (0), 2);

  ProcessDriverHealthEntry (nullptr, 0);
  EXPECT_EQ (Disk.Repairs (), (std::vector<std::pair<EFI_HANDLE, EFI_HANDLE>> { { Fixed, nullptr } }));
  EXPECT_EQ (GetDriverHealthRecord (0)->Status, 0u);
  ASSERT_EQ (gBoxes.size (), 1u);                      // the messages once, nothing more for a healthy controller

  gAnswer = 1;                                         // "No"
  ProcessDriverHealthEntry (nullptr, 1);
  ASSERT_EQ (gBoxes.size (), 2u);
  EXPECT_EQ (gBoxes[1].Message, u"Proceed with Reconnecting the Controller");
  EXPECT_EQ (gBoxes[1].Type, MSGBOX_BUTTONS_YES_NO);
  EXPECT_TRUE (M.ControllerCalls ().empty ());

  gAnswer = 0;                                         // "Yes"
  ProcessDriverHealthEntry (nullptr, 1);
  ASSERT_EQ (M.ControllerCalls ().size (), 2u);
  EXPECT_FALSE (M.ControllerCalls ()[0].Connect);
  EXPECT_TRUE (M.ControllerCalls ()[1].Connect);
  EXPECT_TRUE (M.ControllerCalls ()[1].Recursive);
  EXPECT_EQ (M.ControllerCalls ()[1].Controller, Stuck);
}

TEST_F (DriverHealthTest, AConfigurationFormBecomesTheLinkedPageBelowTheControlsPage) {
  Builders::SETUP_DATA_DESC  D;
  D.Variables        = { { .VendorGuid = kCountGuid, .Name = u"Setup", .StoreFlags = VARIABLE_STORE_EFI, .Size = 4 } };
  D.Pages            = { { .FormId = 1, .TitleStringId = 0x100, .Controls = {} }, { .FormId = 2, .TitleStringId = 0x101, .Controls = {} } };
  D.FormSets         = { {} };
  D.FirstFormSetGuid = EFI_GUID {};
  D.VariableGuids    = std::vector<EFI_GUID> {};
  LoadSetupData (D);
  PAGE_RECORD  *Page = nullptr;
  ASSERT_EQ (GetPageData (1, &Page), EFI_SUCCESS);
  EFI_HII_HANDLE  Form = (EFI_HII_HANDLE)(UINTN)0xF0F0;
  Page->HiiHandle = Form;
  Page->Flags    |= 0x01;

  Emu::HealthDriver  &Disk = Driver (u"Disk");
  Disk.AddController ({ .Status = EfiDriverHealthStatusConfigurationRequired, .Messages = { { gHiiHandle, 5 } }, .Form = Form });
  ASSERT_EQ (RebuildDriverHealthControllerList (0), 1);
  CONTROL_RECORD  Control {};
  Control.PageNumber    = 7;
  Control.RefTargetPage = CONTROL_NO_REF_TARGET;

  ProcessDriverHealthEntry (&Control, 0);
  EXPECT_EQ (Control.RefTargetPage, Page->PageNumber);
  EXPECT_EQ (Page->Flags & 0x01, 0u);
  EXPECT_EQ (Page->ParentPageNumber, 7);
  EXPECT_EQ (gBoxes.size (), 1u);
}

TEST_F (DriverHealthTest, ARebootRepairsWhatStillAsksForItAndResets) {
  Emu::HealthDriver  &Disk = Driver (u"Disk");
  EFI_HANDLE         Broken = Disk.AddController ({ .Status = EfiDriverHealthStatusRepairRequired, .RepairStatus = EFI_DEVICE_ERROR });
  Disk.AddController ({ .Status = EfiDriverHealthStatusRebootRequired });
  ASSERT_EQ (RebuildDriverHealthControllerList (0), 2);

  gAnswer = 1;
  ProcessDriverHealthEntry (nullptr, 1);
  EXPECT_TRUE (M.Resets ().empty ());
  EXPECT_EQ (gBoxes.back ().Message, u"Proceed with Sytem Reboot");

  gAnswer = 0;
  EXPECT_THROW (ProcessDriverHealthEntry (nullptr, 1), Emu::ResetSystemCalled);
  ASSERT_EQ (M.Resets ().size (), 1u);
  EXPECT_EQ (M.Resets ()[0].Type, EfiResetCold);
  EXPECT_EQ (Disk.Repairs (), (std::vector<std::pair<EFI_HANDLE, EFI_HANDLE>> { { Broken, nullptr } }));
  EXPECT_EQ (gDriverHealthList, nullptr);
}

TEST_F (DriverHealthTest, ManagedControllersAreFoundThroughTheOpensWithoutLoopingForEver) {
  Emu::HealthDriver  &Disk       = Driver (u"Disk");
  EFI_HANDLE         Controller = Disk.AddController ({});
  EFI_HANDLE         Loner      = Disk.AddController ({});
  // An agent that opened its own interface by driver, and the driver's for another controller.
  static UINT8  Tag = 0;
  static const EFI_GUID  AgentGuid = { 0x1A2B3C4D, 0x1111, 0x2222, { 1, 2, 3, 4, 5, 6, 7, 8 } };
  EFI_HANDLE    Agent = nullptr;
  ASSERT_EQ (gBS->InstallMultipleProtocolInterfaces (&Agent, &AgentGuid, &Tag, nullptr), EFI_SUCCESS);
  VOID  *Interface = nullptr;
  ASSERT_EQ (gBS->OpenProtocol (Agent, (EFI_GUID *)&AgentGuid, &Interface, Agent, Agent, EFI_OPEN_PROTOCOL_BY_DRIVER), EFI_SUCCESS);
  Disk.OpenBy (Agent, Loner);
  EFI_HANDLE  Unrelated = nullptr;
  ASSERT_EQ (gBS->InstallMultipleProtocolInterfaces (&Unrelated, &AgentGuid, &Tag, nullptr), EFI_SUCCESS);

  EXPECT_TRUE (IsManagedByDriverHealth (Controller));
  EXPECT_TRUE (IsManagedByDriverHealth (Agent));
  EXPECT_FALSE (IsManagedByDriverHealth (Unrelated));
  EXPECT_FALSE (IsManagedByDriverHealth (nullptr));
  EXPECT_TRUE (IsOpenedByAgent (Disk.Handle (), Loner));
}

TEST_F (DriverHealthTest, ABootDevicePassesOnlyWhenItsControllerEndsHealthy) {
  Emu::HealthDriver  &Disk = Driver (u"Disk");
  EFI_HANDLE         Repairable = Disk.AddController ({ .Status = EfiDriverHealthStatusRepairRequired });
  EFI_HANDLE         Unrepairable = Disk.AddController ({ .Status = EfiDriverHealthStatusRepairRequired, .RepairStatus = EFI_DEVICE_ERROR });
  EFI_HANDLE         Failed = Disk.AddController ({ .Status = EfiDriverHealthStatusFailed });
  EFI_HANDLE         Other  = nullptr;
  static UINT8       Tag    = 0;
  static const EFI_GUID  OtherGuid = { 0x5A5A5A5A, 0x1111, 0x2222, { 1, 2, 3, 4, 5, 6, 7, 9 } };
  ASSERT_EQ (gBS->InstallMultipleProtocolInterfaces (&Other, &OtherGuid, &Tag, nullptr), EFI_SUCCESS);
  GivePath (Repairable, 1);
  GivePath (Unrepairable, 2);
  GivePath (Failed, 3);
  GivePath (Other, 4);
  auto  Check = [&] (size_t Path) { return CheckBootDeviceHealth ((EFI_DEVICE_PATH_PROTOCOL *)Paths[Path].data ()); };

  EXPECT_EQ (Check (0), EFI_SUCCESS);
  EXPECT_EQ (Disk.State (Repairable).Status, EfiDriverHealthStatusHealthy);
  EXPECT_EQ (Check (1), EFI_UNSUPPORTED);
  EXPECT_EQ (Check (2), EFI_UNSUPPORTED);
  EXPECT_EQ (Check (3), EFI_SUCCESS);            // no driver-health driver manages it
}

}  // namespace
