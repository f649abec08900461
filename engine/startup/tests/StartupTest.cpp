// The driver's start-up on the emulator's machine, as a dispatcher runs it: what it
// installs, what a failure leaves behind (nothing), and the HII helpers.
#include <engine/testing/EngineMachineTest.h>

#include <engine/core/EngineGlobals.h>
#include <engine/browser/FormBrowser.h>
#include <engine/core/SetupData.h>
#include <engine/startup/SetupEngine.h>
#include <engine/forms/QuestionDefaults.h>
#include <engine/variables/VariableCache.h>
#include <engine/post/BootScreen.h>
#include <engine/core/EngineStrings.h>
#include <engine/core/VariableGuids.h>
#include <engine/post/BootFlowCallbacks.h>
#include <engine/browser/SetupEntryRequest.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PlatformLib.h>
#include <Resources/EngineStringPackage.h>

#include <Builders/SetupDataBuilder.h>
#include <Emulator/StandardMachine.h>
#include <EmulatorHii/HiiServices.h>
#include <Protocol/FormBrowser2.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

// Spelled out, not taken from the engine's headers, so a wrong GUID there shows.
const EFI_GUID  kBootScreenGuid  = { 0x8A91B1E1, 0x56C7, 0x4ADC, { 0xAB, 0xEB, 0x1C, 0x2C, 0xA1, 0x72, 0x9E, 0xFF } };
const EFI_GUID  kCompanionGuid   = { 0x73905351, 0xEB4D, 0x4637, { 0xA8, 0x3B, 0xD1, 0xBF, 0x6C, 0x1C, 0x48, 0xEB } };
const EFI_GUID  kFormBrowserGuid = { 0xB9D4C360, 0xBCFB, 0x4F9B, { 0x92, 0x98, 0x53, 0xC1, 0x36, 0x98, 0x22, 0x58 } };
const EFI_GUID  kBoardGuid       = BOARD_SETUP_VARIABLE_GUID;
const EFI_GUID  kEngineGuid      = ENGINE_SETTINGS_VARIABLE_GUID;
const EFI_GUID  kRoutingGuid     = EFI_HII_CONFIG_ROUTING_PROTOCOL_GUID;

// The setup-data section body of a one-page board.
std::vector<UINT8>
BoardSection (bool WithVariables = true)
{
  Builders::SETUP_DATA_DESC  D;

  if (WithVariables) {
    D.Variables = {
      { .VendorGuid = kBoardGuid, .Name = u"Setup", .StoreFlags = VARIABLE_STORE_EFI, .Size = 8 },
      { .VendorGuid = kEngineGuid, .Name = u"PlatformLang", .Size = 6 },
      { .VendorGuid = kEngineGuid, .Name = u"Timeout", .Size = 2 },
      { .VendorGuid = kEngineGuid, .Name = u"Snapshot" },
      { .VendorGuid = kEngineGuid, .Name = u"Spare" },
      { .VendorGuid = kEngineGuid, .Name = u"OKURWZSetup", .Size = 81 },
    };
  }

  D.Pages = { { .FormId = 1, .TitleStringId = 0x100, .Controls = {
    { .ControlType = CONTROL_TYPE_CHECKBOX, .QuestionOpcode = 0x40, .ValueWidth = 1, .MfgDefault = { 1 }, .StdDefault = { 0 } },
  } } };
  D.FormSets         = { {} };
  D.FirstFormSetGuid = EFI_GUID {};
  D.VariableGuids    = std::vector<EFI_GUID> {};
  D.Settings.TitleStringId    = 0x20;
  D.Settings.TabTitleStringId = 0x21;
  return Builders::BuildSetupDataSectionBody (D);
}

class StartupTest : public EngineMachineTest {
protected:
  void AddHii () { Hii = &M.Add (std::make_unique<Emu::HiiServices> (M)); }

  void AddSetupData (const std::vector<UINT8> &Section)
  {
    Devices.Image->AddSection (Emu::kDefaultDriverFileGuid, SETUP_DATA_SECTION_TYPE, Section);
  }

  void AddPackageList ()
  {
    Devices.Image->SetPackageList (std::vector<UINT8> (gSetupEngineStringPackageList,
                                     gSetupEngineStringPackageList + gSetupEngineStringPackageListSize));
  }

  void Demo ()
  {
    AddHii ();
    AddPackageList ();
    AddSetupData (BoardSection ());
    M.Variables ().Put (u"Setup", kBoardGuid, 7, { 1, 2, 3, 4, 5, 6, 7, 8 });
  }

  EFI_STATUS Start ()
  {
    Mark = M.Memory ().AllocationCount ();
    Events = M.Events ().OpenEventCount ();
    return SetupEngineDriverEntry (Devices.Image->ImageHandle (), M.SystemTable ());
  }

  // Nothing of the engine is left: no interface, no event, no pool block, no package list.
  void ExpectNothingLeft ()
  {
    EXPECT_TRUE (M.Protocols ().HandlesWith (kBootScreenGuid).empty ());
    EXPECT_TRUE (M.Protocols ().HandlesWith (kCompanionGuid).empty ());
    EXPECT_EQ (M.Events ().OpenEventCount (), Events);
    EXPECT_TRUE (M.Memory ().LeaksSince (Mark).empty ()) << M.Memory ().LeaksSince (Mark).size () << " blocks";
    if (Hii != nullptr) {
      EXPECT_TRUE (Hii->PackageLists ().empty ());
    }

    EXPECT_EQ (gEngineHandle, nullptr);
    EXPECT_EQ (gVariableCache, nullptr);
    EXPECT_EQ (gSetupData, nullptr);
  }

  EFI_HANDLE InstallForeignBrowser ()
  {
    EFI_HANDLE  Handle = nullptr;

    EXPECT_EQ (M.Protocols ().Install (&Handle, &kFormBrowserGuid, &mForeignBrowser), EFI_SUCCESS);
    return Handle;
  }

  Emu::HiiServices       *Hii   = nullptr;
  UINT64                 Mark   = 0;
  UINTN                  Events = 0;
  EFI_FORM_BROWSER2_PROTOCOL  mForeignBrowser {};
};

TEST_F (StartupTest, InstallsTheThreeInterfacesOnOneNewHandle) {
  Demo ();
  ASSERT_EQ (Start (), EFI_SUCCESS);
  ASSERT_NE (gEngineHandle, nullptr);
  auto  On = M.Protocols ().InterfacesOn (gEngineHandle);
  ASSERT_EQ (On.size (), 3u);
  EXPECT_TRUE (Emu::GuidEqual (On[0].first, kBootScreenGuid));
  EXPECT_TRUE (Emu::GuidEqual (On[1].first, kFormBrowserGuid));
  EXPECT_TRUE (Emu::GuidEqual (On[2].first, kCompanionGuid));
  auto  *Browser = (EFI_FORM_BROWSER2_PROTOCOL *)On[1].second;
  EXPECT_EQ (Browser->SendForm, SendForm);
  EXPECT_EQ (Browser->BrowserCallback, BrowserCallback);
  auto  *Screen = (BOOT_SCREEN_INTERFACE *)On[0].second;
  EXPECT_EQ (Screen->QueryBootScreenState (), 0u);
  auto  *Companion = (BOOT_SCREEN_COMPANION_INTERFACE *)On[2].second;
  EXPECT_EQ (Companion->PostRefreshNotify (), EFI_SUCCESS);

  // The engine's package list is registered and its strings read back.
  ASSERT_NE (gHiiHandle, nullptr);
  EXPECT_EQ (Hii->String (gHiiHandle, "en-US", 5), std::u16string (u"Enabled"));
  EXPECT_EQ (Hii->String (gHiiHandle, "en-US", 76), std::u16string (u"Inconsistency error"));
  EXPECT_EQ (gHiiConfigRoutingLocated, 1);

  // The variable cache holds the stored variables.
  ASSERT_NE (gVariableCache, nullptr);
  EXPECT_EQ (gVariableCache[0].Size, 8u);
  EXPECT_EQ (((UINT8 *)gVariableCache[0].Data)[7], 8);
  // The five console notifications and the graphics output's re-locator are armed.
  EXPECT_EQ (M.Events ().OpenEventCount (), Events + 6);
}

TEST_F (StartupTest, AFormBrowserPresentBeforeIsGoneAfter) {
  Demo ();
  EFI_HANDLE  Foreign = InstallForeignBrowser ();
  ASSERT_EQ (Start (), EFI_SUCCESS);
  auto  Browsers = M.Protocols ().HandlesWith (kFormBrowserGuid);
  ASSERT_EQ (Browsers.size (), 1u);
  EXPECT_EQ (Browsers[0], gEngineHandle);
  EXPECT_EQ (M.Protocols ().Find (Foreign, kFormBrowserGuid), nullptr);
}

TEST_F (StartupTest, WithoutThePackageListTheStartUpGoesOnWithoutAHandle) {
  AddHii ();
  AddSetupData (BoardSection ());
  ASSERT_EQ (Start (), EFI_SUCCESS);
  EXPECT_EQ (gHiiHandle, nullptr);
  EXPECT_EQ (M.Protocols ().InterfacesOn (gEngineHandle).size (), 3u);
}

TEST_F (StartupTest, MissingHiiProtocolsEndTheStartUpWithNothingInstalled) {
  AddPackageList ();
  AddSetupData (BoardSection ());
  EFI_HANDLE  Foreign = InstallForeignBrowser ();
  EXPECT_EQ (Start (), EFI_NOT_FOUND);
  ExpectNothingLeft ();
  EXPECT_NE (M.Protocols ().Find (Foreign, kFormBrowserGuid), nullptr);
}

TEST_F (StartupTest, MissingConfigRoutingIsReturnedToo) {
  Demo ();
  M.Protocols ().InjectFault ({ Emu::ProtocolOp::LocateProtocol, kRoutingGuid, EFI_NOT_FOUND, 0, 0 });
  EXPECT_EQ (Start (), EFI_NOT_FOUND);
  ExpectNothingLeft ();
}

TEST_F (StartupTest, MissingSetupDataCleansUpAndInstallsNothing) {
  AddHii ();
  AddPackageList ();
  Devices.TextOut->ClearCalls ();
  EXPECT_EQ (Start (), EFI_NOT_FOUND);
  ExpectNothingLeft ();
  // The clean-up reset the console.
  EXPECT_EQ (Devices.TextOut->CountCalls (Emu::TextOp::Reset), 1u);
  EXPECT_EQ (Devices.TextOut->CountCalls (Emu::TextOp::ClearScreen), 1u);
}

TEST_F (StartupTest, SetupDataWithBadOffsetsIsRefused) {
  std::vector<UINT8>  Section = BoardSection ();
  UINT8               *Block  = &Section[SETUP_DATA_BLOCK_OFFSET];

  // The variable list past the end.
  *(UINT32 *)&Block[4 * 13] = (UINT32)(Section.size () - SETUP_DATA_BLOCK_OFFSET);
  AddHii ();
  AddPackageList ();
  AddSetupData (Section);
  EXPECT_EQ (Start (), EFI_VOLUME_CORRUPTED);
  ExpectNothingLeft ();
}

TEST_F (StartupTest, NoVariableCacheEndsTheStartUpWithNothingInstalled) {
  AddHii ();
  AddPackageList ();
  AddSetupData (BoardSection (false));
  EXPECT_EQ (Start (), EFI_NOT_FOUND);
  ExpectNothingLeft ();
}

TEST_F (StartupTest, FailedNotificationsTakeEverythingBackOut) {
  Demo ();
  // The graphics output's re-locator, registered after the five console notifications, cannot be.
  M.Protocols ().InjectFault ({ Emu::ProtocolOp::RegisterNotify, std::nullopt, EFI_OUT_OF_RESOURCES, 5, 1 });
  EXPECT_EQ (Start (), EFI_OUT_OF_RESOURCES);
  ExpectNothingLeft ();
  EXPECT_TRUE (M.Protocols ().HandlesWith (kFormBrowserGuid).empty ());
}

TEST_F (StartupTest, BootScreenInstallFailureInstallsNoBrowserAndRegistersNothing) {
  Demo ();
  EFI_HANDLE  Foreign = InstallForeignBrowser ();
  M.Protocols ().InjectFault ({ Emu::ProtocolOp::Install, kBootScreenGuid, EFI_OUT_OF_RESOURCES, 0, 1 });
  EXPECT_EQ (Start (), EFI_OUT_OF_RESOURCES);
  ExpectNothingLeft ();
  // The other driver's browser was not touched.
  EXPECT_NE (M.Protocols ().Find (Foreign, kFormBrowserGuid), nullptr);
}

TEST_F (StartupTest, CleanupFreesTheCacheAndLeavesNoEventOpen) {
  Demo ();
  ASSERT_EQ (Start (), EFI_SUCCESS);
  UINTN  Open = M.Events ().OpenEventCount ();
  EXPECT_EQ (GetStringDisplayWidth (u"a"), 19u);
  ASSERT_NE (gGlyphWidthTable, nullptr);

  ASSERT_EQ (BuildDefaultCaches (), EFI_SUCCESS);

  EXPECT_EQ (SetupEngineCleanup (EFI_ABORTED), EFI_ABORTED);
  EXPECT_EQ (M.Events ().OpenEventCount (), Open);
  EXPECT_EQ (gVariableCache, nullptr);
  // Only the current values went; later reads take the standard defaults.
  ASSERT_NE (gVariableCacheStdDefaults, nullptr);
  EXPECT_NE (gVariableCacheMfgDefaults, nullptr);
  UINT8  Read[2] = {};
  EXPECT_EQ (ReadVariableBytes (0, 6, 2, Read, FALSE), EFI_SUCCESS);
  EXPECT_EQ (Read[0], 7);
  EXPECT_EQ (Read[1], 8);
  EXPECT_EQ (gGlyphWidthTable, nullptr);
  EXPECT_EQ (Devices.TextOut->CountCalls (Emu::TextOp::EnableCursor), 1u);
}

class HiiHelperTest : public StartupTest {
protected:
  void SetUp () override
  {
    StartupTest::SetUp ();
    Demo ();
    ASSERT_EQ (Start (), EFI_SUCCESS);
    Hii->ClearGlyphLog ();
  }
};

TEST_F (HiiHelperTest, WidthOfTwoNarrowGlyphsIs38AndIsCached) {
  EXPECT_EQ (GetStringDisplayWidth (u"ab"), 38u);
  EXPECT_EQ (Hii->GlyphCalls (), 2u);
  EXPECT_EQ (GetStringDisplayWidth (u"ab"), 38u);
  EXPECT_EQ (Hii->GlyphCalls (), 2u);
  EXPECT_EQ (GetStringDisplayWidth (u""), 0u);
  EXPECT_EQ (GetStringDisplayWidth (nullptr), 0u);
}

TEST_F (HiiHelperTest, AGlyphlessCharacterCountsAsASpaceAndIsAskedAgain) {
  Hii->SetGlyphless (u'\x01');
  EXPECT_EQ (GetStringDisplayWidth (u"a\x01"), 38u);
  EXPECT_EQ (Hii->GlyphCallsFor (u'\x01'), 1u);
  EXPECT_EQ (Hii->GlyphCallsFor (u' '), 1u);
  EXPECT_EQ (GetStringDisplayWidth (u"\x01"), 19u);
  EXPECT_EQ (Hii->GlyphCallsFor (u'\x01'), 2u);
  EXPECT_EQ (Hii->GlyphCallsFor (u' '), 2u);     // the space is asked for at every use
  EXPECT_EQ (gGlyphWidthTable[1], 0);
  EXPECT_EQ (gGlyphWidthTable[u' '], 8);
  // A known space is not asked for again when it is the character itself.
  EXPECT_EQ (GetStringDisplayWidth (u"  "), 38u);
  EXPECT_EQ (Hii->GlyphCallsFor (u' '), 2u);
}

TEST_F (HiiHelperTest, AGlyphErrorGivesThePartialSumInWidthUnits) {
  Hii->SetGlyphFailure (u'z', EFI_DEVICE_ERROR);
  EXPECT_EQ (GetStringDisplayWidth (u"abzcd"), 38u);
}

TEST_F (HiiHelperTest, NewStringInLanguageAddsAndReplaces) {
  UINT64  Before = M.Memory ().AllocationCount ();
  UINT16  Id     = NewStringInLanguage (gHiiHandle, 0, u"fr-FR", u"Bonjour");

  // The 8-bit language, the language list and the best match are all freed.
  EXPECT_TRUE (M.Memory ().LeaksSince (Before).empty ());

  ASSERT_NE (Id, 0xFFFF);
  EXPECT_EQ (Hii->String (gHiiHandle, "fr-FR", Id), std::u16string (u"Bonjour"));
  EXPECT_EQ (NewStringInLanguage (gHiiHandle, Id, u"FR-fr", u"Salut"), Id);
  EXPECT_EQ (Hii->String (gHiiHandle, "fr-FR", Id), std::u16string (u"Salut"));
  // "de-DE-1996" is cut back to "de-DE".
  EXPECT_EQ (NewStringInLanguage (gHiiHandle, 5, u"de-DE-1996", u"An"), 5);
  EXPECT_EQ (Hii->String (gHiiHandle, "de-DE", 5), std::u16string (u"An"));
  EXPECT_EQ (Hii->String (gHiiHandle, "en-US", 5), std::u16string (u"Enabled"));
}

TEST_F (HiiHelperTest, NewStringInLanguageFailuresGiveFFFFAndChangeNothing) {
  EXPECT_EQ (NewStringInLanguage (gHiiHandle, 5, u"en-US", nullptr), 0xFFFF);
  EXPECT_EQ (Hii->String (gHiiHandle, "en-US", 5), std::u16string (u"Enabled"));
  EXPECT_EQ (NewStringInLanguage (gHiiHandle, 0, u"ja-JP", u"x"), 0xFFFF);
  EXPECT_EQ (NewStringInLanguage ((EFI_HII_HANDLE)0x1234, 0, u"en-US", u"x"), 0xFFFF);
}

TEST_F (HiiHelperTest, ConfigRoutingIsLocatedOnce) {
  M.Protocols ().InjectFault ({ Emu::ProtocolOp::LocateProtocol, kRoutingGuid, EFI_NOT_FOUND, 0, 0 });
  EXPECT_EQ (LocateHiiProtocols (), EFI_SUCCESS);
}

TEST_F (HiiHelperTest, BootMenuFlowFollowsThePasswordStatus) {
  struct { UINT8 First; UINT8 Second; UINT32 Access; bool Enters; } Cases[] = {
    { 0, 0, 0, true }, { 1, 0, 0, false }, { 0, 1, 0, true }, { 1, 1, 2, true }, { 1, 1, 1, false },
  };

  for (auto &Case : Cases) {
    std::vector<UINT8>  Record (81, 0);

    Record[0]          = Case.First;
    Record[40]         = Case.Second;
    gBootScreenState   = 1;
    DropSetupEntryRequest ();
    gAccessLevel       = Case.Access;
    ASSERT_EQ (AccessCacheBytes (TRUE, gVariableCache, 5, 0, Record.size (), Record.data ()), EFI_SUCCESS);
    EXPECT_EQ (BootMenuFlowCallback (nullptr), EFI_SUCCESS);
    EXPECT_EQ (gBootScreenState, Case.Enters ? 6u : 1u) << int (Case.First) << int (Case.Second) << Case.Access;
    EXPECT_EQ (SetupEntryRequested (), Case.Enters);
  }
}

TEST_F (HiiHelperTest, UninstallFormBrowser2RemovesOneInstancePerCall) {
  InstallForeignBrowser ();
  ASSERT_EQ (M.Protocols ().HandlesWith (kFormBrowserGuid).size (), 2u);
  UninstallFormBrowser2 (nullptr);
  EXPECT_EQ (M.Protocols ().HandlesWith (kFormBrowserGuid).size (), 1u);
  // The handles are found, but the interface to take off comes from LocateProtocol:
  // when it finds none, nothing is removed.
  M.Protocols ().InjectFault ({ Emu::ProtocolOp::LocateProtocol, kFormBrowserGuid, EFI_NOT_FOUND, 0, 1 });
  UninstallFormBrowser2 (nullptr);
  EXPECT_EQ (M.Protocols ().HandlesWith (kFormBrowserGuid).size (), 1u);
  UninstallFormBrowser2 (nullptr);
  UninstallFormBrowser2 (nullptr);
  EXPECT_TRUE (M.Protocols ().HandlesWith (kFormBrowserGuid).empty ());
}

TEST_F (HiiHelperTest, UnicodeCollationFallsBackToTheOlderProtocol) {
  EFI_UNICODE_COLLATION_PROTOCOL  Older {};
  EFI_UNICODE_COLLATION_PROTOCOL  *Found = nullptr;
  EFI_HANDLE                      Handle = nullptr;

  EXPECT_EQ (LocateUnicodeCollation (&Found), EFI_SUCCESS);    // the machine's Collation 2
  EXPECT_NE (Found, nullptr);
  M.Protocols ().InjectFault ({ Emu::ProtocolOp::LocateProtocol, gEfiUnicodeCollation2ProtocolGuid, EFI_NOT_FOUND, 0, 0 });
  EXPECT_EQ (LocateUnicodeCollation (&Found), EFI_NOT_FOUND);
  ASSERT_EQ (M.Protocols ().Install (&Handle, &gEfiUnicodeCollationProtocolGuid, &Older), EFI_SUCCESS);
  EXPECT_EQ (LocateUnicodeCollation (&Found), EFI_SUCCESS);
  EXPECT_EQ (Found, &Older);
}

// The demo board of StartupTest on a machine of its own, so that one test can start the
// driver on many machines in turn.
struct StartupRun {
  std::unique_ptr<Emu::Machine>  M = std::make_unique<Emu::Machine> ();
  Emu::STANDARD_DEVICES          Devices;
  Emu::HiiServices               *Hii = nullptr;
  UINT64                         Mark = 0;
  UINTN                          Events = 0;
  std::vector<UINT8>             Variables;

  StartupRun ()
  {
    Devices = Emu::BuildStandardMachine (*M, Emu::MACHINE_OPTIONS {});
    EngineMachineTest::ForgetLibraryTables ();
    Hii = &M->Add (std::make_unique<Emu::HiiServices> (*M));
    Devices.Image->SetPackageList (std::vector<UINT8> (gSetupEngineStringPackageList,
                                     gSetupEngineStringPackageList + gSetupEngineStringPackageListSize));
    Devices.Image->AddSection (Emu::kDefaultDriverFileGuid, SETUP_DATA_SECTION_TYPE, BoardSection ());
    M->Variables ().Put (u"Setup", kBoardGuid, 7, { 1, 2, 3, 4, 5, 6, 7, 8 });
  }
  ~StartupRun () { EngineMachineTest::ForgetEngine (); }

  // Starts the driver with the N-th pool allocation from now failing (0: none fails).
  EFI_STATUS Start (UINT64 FailingAllocation)
  {
    Mark      = M->Memory ().AllocationCount ();
    Events    = M->Events ().OpenEventCount ();
    Variables = M->Variables ().SaveBytes ();
    M->Memory ().FailAllocation (FailingAllocation);
    EFI_STATUS  Status = SetupEngineDriverEntry (Devices.Image->ImageHandle (), M->SystemTable ());
    M->Memory ().FailAllocation (0);
    return Status;
  }
};

// Start-up with each of its pool allocations failing in turn: every run either copes
// (the screen buffers and the progress record are optional) or returns the failure
// with nothing installed, registered, written or left allocated.
TEST (StartupAllocationFailure, EveryFailedAllocationEndsCleanly) {
  UINT64  Needed;
  {
    StartupRun  Full;
    ASSERT_EQ (Full.Start (0), EFI_SUCCESS);
    Needed = Full.M->Memory ().AllocationCount () - Full.Mark;
  }
  ASSERT_GT (Needed, 0u);
  UINT64  Failed = 0;
  for (UINT64 N = 1; N <= Needed; N++) {
    SCOPED_TRACE ("allocation " + std::to_string (N));
    StartupRun  Run;
    EFI_STATUS  Status = Run.Start (N);
    if (Status == EFI_SUCCESS) {
      // Coping is only for what the engine can do without: the stored settings are
      // all read (a variable that could not be read was once taken as absent, and its
      // defaults would then have been saved over it).
      ASSERT_NE (gVariableCache, nullptr);
      ASSERT_EQ (gVariableCache[0].Size, 8u);
      EXPECT_EQ (((UINT8 *)gVariableCache[0].Data)[7], 8);
      EXPECT_EQ (Run.M->Protocols ().InterfacesOn (gEngineHandle).size (), 3u);
      continue;
    }
    Failed++;
    EXPECT_EQ (Status, EFI_OUT_OF_RESOURCES);
    EXPECT_TRUE (Run.M->Protocols ().HandlesWith (kBootScreenGuid).empty ());
    EXPECT_TRUE (Run.M->Protocols ().HandlesWith (kCompanionGuid).empty ());
    EXPECT_TRUE (Run.M->Protocols ().HandlesWith (kFormBrowserGuid).empty ());
    EXPECT_EQ (Run.M->Events ().OpenEventCount (), Run.Events);
    EXPECT_TRUE (Run.Hii->PackageLists ().empty ());
    EXPECT_EQ (Run.M->Variables ().SaveBytes (), Run.Variables);
    EXPECT_TRUE (Run.M->Memory ().LeaksSince (Run.Mark).empty ())
      << Run.M->Memory ().LeaksSince (Run.Mark).size () << " blocks left";
    EXPECT_EQ (gEngineHandle, nullptr);
    EXPECT_EQ (gVariableCache, nullptr);
    EXPECT_EQ (gSetupData, nullptr);
  }
  // Most allocations are not optional: their failure must end the start-up.
  EXPECT_GT (Failed, Needed / 2);
}

}  // namespace
