// Saving, discarding and loading defaults on the demo board: a save writes exactly the
// variables whose cached value NVRAM does not hold, each whole and never with
// attributes 0; a store that refuses, or memory that runs out, is reported and leaves
// every variable either as it was or as the user set it; a discard leaves NVRAM
// byte-identical; and leaving setup with changes asks first.
#include <DemoBoard.h>
#include <engine/testing/EngineMachineTest.h>

#include <engine/boot/BootOptions.h>
#include <engine/browser/DynamicPages.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupDataFormat.h>
#include <frontend/SetupSave.h>
#include <engine/forms/QuestionDefaults.h>
#include <engine/textui/SetupActions.h>
#include <engine/textui/TuiApp.h>
#include <engine/variables/VariableCache.h>
#include <frontend/FrontEndServices.h>
#include <Guid/GlobalVariable.h>
#include <Library/MemoryAllocationLib.h>
#include <Emulator/RunEnded.h>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr UINTN   kSetup       = 0;
constexpr UINTN   kTimeout     = 2;
constexpr UINTN   kBootOrder   = 7;
constexpr UINTN   kPasswords   = 5;
constexpr UINTN   kBootModeAt  = 0;
constexpr UINTN   kNetworkStackAt = 1;
constexpr UINT16  kMarker      = 0xFFFF;

using BYTES = std::vector<UINT8>;

class DemoSaveTest : public EngineMachineTest {
protected:
  void TearDown () override
  {
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    RestoreDeletedOptions ();
    FreeBootOptionTables ();
    gSaveAskedForReset = 0;
    EngineMachineTest::TearDown ();
  }

  // A fresh machine with the board's variables and Keys, the driver started and the option tables read.
  void Start (const std::string &Keys = "", const std::optional<BYTES> &Nvram = std::nullopt)
  {
    Emu::MACHINE_OPTIONS  Options;
    Options.Keys = Keys;
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    RestoreDeletedOptions ();
    FreeBootOptionTables ();
    ForgetEngine ();
    M.~Machine ();
    new (&M) Emu::Machine ();
    Devices = Emu::BuildStandardMachine (M, Options);
    ForgetLibraryTables ();
    Demo::BOARD  Board = Demo::BuildBoard ();
    if (Nvram) {
      std::string  Error;
      ASSERT_TRUE (M.Variables ().LoadBytes (*Nvram, &Error)) << Error;
    }

    Demo::SeedVariables (M.Variables (), Board);
    ASSERT_EQ (Demo::StartSetupDriver (M, Devices, Board).Status, EFI_SUCCESS);
    ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
    ASSERT_EQ (LoadDefaultOrders (), EFI_SUCCESS);
    ASSERT_EQ (TakeCacheBaseline (), EFI_SUCCESS);
    M.Variables ().ClearWriteLog ();
  }

  BYTES Stored (const std::u16string &Name, const EFI_GUID &Guid)
  {
    const Emu::VARIABLE  *Found = M.Variables ().Lookup (Name, Guid);
    return (Found == nullptr) ? BYTES {} : Found->Data;
  }

  BYTES Cached (UINTN Index)
  {
    UINTN  Size = 0;
    UINT8  *Data = (UINT8 *)GetCachedVariable (Index, &Size);
    BYTES  Bytes (Data, Data + Size);
    FreePool (Data);
    return Bytes;
  }

  void Write (UINTN Index, UINTN Offset, BYTES Bytes)
  {
    ASSERT_EQ (WriteVariableBytes (Index, Offset, Bytes.size (), Bytes.data ()), EFI_SUCCESS);
  }

  // Two changes of the board's own stores: the boot mode in "Setup" and the time-out.
  void ChangeSetupAndTimeout ()
  {
    Write (kSetup, kBootModeAt, { 2 });
    Write (kTimeout, 0, { 9, 0 });
  }

  std::map<std::u16string, UINT32> WrittenNames ()
  {
    std::map<std::u16string, UINT32>  Names;
    // The save's undo record comes and goes around the writes of several variables.
    for (const Emu::VARIABLE_WRITE &Write : M.Variables ().WriteLog ()) {
      if (Write.Name != u"SetupSaveUndo") {
        Names[Write.Name] = Write.Attributes;
      }
    }

    return Names;
  }

  std::vector<UINT16> StoredOrder ()
  {
    BYTES                Bytes = Stored (u"BootOrder", gEfiGlobalVariableGuid);
    std::vector<UINT16>  Order;
    for (size_t At = 0; At + 1 < Bytes.size (); At += 2) {
      Order.push_back ((UINT16)(Bytes[At] | (Bytes[At + 1] << 8)));
    }

    return Order;
  }

  UINT32 StoredOptionAttributes (const std::u16string &Name)
  {
    BYTES  Bytes = Stored (Name, gEfiGlobalVariableGuid);
    return (Bytes.size () < 4) ? 0xDEAD : (UINT32)(Bytes[0] | (Bytes[1] << 8) | (Bytes[2] << 16) | ((UINT32)Bytes[3] << 24));
  }

  void SetCachedOrder (const std::vector<UINT16> &Order)
  {
    BYTES  Bytes;
    for (UINT16 Number : Order) {
      Bytes.push_back ((UINT8)Number);
      Bytes.push_back ((UINT8)(Number >> 8));
    }

    FreePool (gVariableCache[kBootOrder].Data);
    gVariableCache[kBootOrder].Data = AllocateCopyPool (Bytes.size (), Bytes.data ());
    gVariableCache[kBootOrder].Size = Bytes.size ();
  }
};

TEST_F (DemoSaveTest, ASaveWritesOnlyTheChangedVariablesWholeWithTheirAttributes) {
  Start ();
  BYTES  Setup = Stored (u"Setup", Demo::kBoardSetupGuid);

  // Nothing changed: nothing written, not even to the driver-less stores.
  EXPECT_EQ (SaveChangesNoPrompt (), EFI_SUCCESS);
  EXPECT_TRUE (M.Variables ().WriteLog ().empty ());

  ChangeSetupAndTimeout ();
  EXPECT_EQ (SaveChangesNoPrompt (), EFI_SUCCESS);
  Setup[kBootModeAt] = 2;
  EXPECT_EQ (Stored (u"Setup", Demo::kBoardSetupGuid), Setup);
  EXPECT_EQ (Stored (u"Timeout", gEfiGlobalVariableGuid), (BYTES { 9, 0 }));
  const auto  Names = WrittenNames ();
  EXPECT_EQ (Names.size (), 2u);
  for (const auto &[Name, Attributes] : Names) {
    EXPECT_EQ (Attributes, (UINT32)VARIABLE_DEFAULT_ATTRIBUTES) << std::string (Name.begin (), Name.end ());
  }

  EXPECT_EQ (gResetNeeded, 1);
  EXPECT_FALSE (SettingsChanged ());         // what was saved is the new baseline
}

TEST_F (DemoSaveTest, ADiscardLeavesNvramByteIdenticalAndTakesTheCacheBack) {
  Start ();
  BYTES  Before      = M.Variables ().SaveBytes ();
  BYTES  CachedSetup = Cached (kSetup);

  ChangeSetupAndTimeout ();
  ASSERT_TRUE (SettingsChanged ());
  EXPECT_EQ (DiscardChanges (FALSE), EFI_SUCCESS);
  EXPECT_EQ (M.Variables ().SaveBytes (), Before);
  EXPECT_EQ (Cached (kSetup), CachedSetup);
  EXPECT_EQ (Cached (kTimeout), (BYTES { 5, 0 }));
  EXPECT_FALSE (SettingsChanged ());
}

// A store that refuses one variable: the save says so, and the variables written
// before it are put back, so NVRAM holds the settings as they were, whole.
TEST_F (DemoSaveTest, ARefusedWriteIsReportedAndEveryVariableKeepsItsStoredValue) {
  const std::u16string  Refused[] = { u"Setup", u"Timeout" };

  for (const std::u16string &Name : Refused) {
    Start ();
    BYTES  Before = M.Variables ().SaveBytes ();
    ChangeSetupAndTimeout ();
    M.Variables ().InjectFault ({ Emu::VariableOp::Set, Name, EFI_DEVICE_ERROR, 1 });

    EXPECT_EQ (SaveChangesNoPrompt (), EFI_DEVICE_ERROR) << std::string (Name.begin (), Name.end ());
    EXPECT_EQ (M.Variables ().SaveBytes (), Before) << std::string (Name.begin (), Name.end ());
    EXPECT_TRUE (SettingsChanged ());        // the user's changes are still there to save
    EXPECT_EQ (Cached (kSetup)[kBootModeAt], 2);
    EXPECT_EQ (Cached (kTimeout), (BYTES { 9, 0 }));
  }
}

// Every allocation of the save failing in turn: a save that cannot be built writes
// nothing; any other outcome leaves each variable as it was or as the user set it.
TEST_F (DemoSaveTest, AllocationFailuresAnywhereInASaveLeaveNoVariableHalfWritten) {
  // How many allocations a whole save makes, each then failing in turn.
  Start ();
  ChangeSetupAndTimeout ();
  SetCachedOrder ({ 1, 0, kMarker });
  UINT64  Mark = M.Memory ().AllocationCount ();
  ASSERT_EQ (SaveChangesNoPrompt (), EFI_SUCCESS);
  UINT64  Allocations = M.Memory ().AllocationCount () - Mark;
  ASSERT_GT (Allocations, 3u);
  UINTN   Refused = 0;

  for (UINT64 Failing = 1; Failing <= Allocations; Failing++) {
    Start ();
    BYTES  Before   = M.Variables ().SaveBytes ();
    BYTES  OldSetup = Stored (u"Setup", Demo::kBoardSetupGuid);
    BYTES  NewSetup = OldSetup;
    NewSetup[kBootModeAt] = 2;
    ChangeSetupAndTimeout ();
    SetCachedOrder ({ 1, 0, kMarker });
    M.Variables ().ClearWriteLog ();

    M.Memory ().FailAllocation (Failing);
    EFI_STATUS  Status = SaveChangesNoPrompt ();
    M.Memory ().FailAllocation (0);

    if (Status == EFI_OUT_OF_RESOURCES) {
      EXPECT_EQ (M.Variables ().SaveBytes (), Before) << "allocation " << Failing;
      Refused++;
      continue;
    }

    BYTES  Setup = Stored (u"Setup", Demo::kBoardSetupGuid);
    EXPECT_TRUE ((Setup == OldSetup) || (Setup == NewSetup)) << "allocation " << Failing;
    BYTES  Timeout = Stored (u"Timeout", gEfiGlobalVariableGuid);
    EXPECT_TRUE ((Timeout == BYTES ({ 5, 0 })) || (Timeout == BYTES ({ 9, 0 }))) << "allocation " << Failing;
    if (Status == EFI_SUCCESS) {
      EXPECT_EQ (Setup, NewSetup) << "allocation " << Failing;
      EXPECT_EQ (StoredOrder (), (std::vector<UINT16> { 1, 0, 2 })) << "allocation " << Failing;
    }
  }

  EXPECT_GT (Refused, 0u);
}

// The boot order: options it names are active, others inactive; each disabled-marker
// entry takes the next inactive option, and markers left over are not written.
TEST_F (DemoSaveTest, TheBootOrderIsWrittenWithActiveBitsAndWithoutLeftoverMarkers) {
  const struct {
    std::vector<UINT16>  Cached;
    std::vector<UINT16>  Written;
    UINT32               Active[3];
  } Cases[] = {
    { { 0, 1, kMarker },                   { 0, 1, 2 },   { 1, 1, 0 } },     // as stored: nothing changes
    { { 1, kMarker, kMarker, kMarker },    { 1, 0, 2 },   { 0, 1, 0 } },     // Boot0000 left out
    { { 2, 0, 1 },                         { 2, 0, 1 },   { 1, 1, 1 } },
    { { 1 },                               { 1 },         { 0, 1, 0 } },
  };

  for (const auto &Case : Cases) {
    Start ();
    SetCachedOrder (Case.Cached);
    EXPECT_EQ (SaveChangesNoPrompt (), EFI_SUCCESS);
    EXPECT_EQ (StoredOrder (), Case.Written);
    const char16_t  *Names[] = { u"Boot0000", u"Boot0001", u"Boot0002" };
    for (int Option = 0; Option < 3; Option++) {
      EXPECT_EQ (StoredOptionAttributes (Names[Option]) & LOAD_OPTION_ACTIVE, Case.Active[Option]) << "option " << Option;
    }
  }
}

// A driver may store a new boot order while setup runs (OVMF's Boot Maintenance Manager
// writes "BootOrder" when its order form is committed). A save of other settings used to
// write setup's cached order, read when setup started, over it; an order setup did not
// change now stays as NVRAM holds it, and one the user changed is still written.
TEST_F (DemoSaveTest, ABootOrderADriverStoredWhileSetupRanOutlivesASaveOfOtherSettings) {
  Start ();
  ASSERT_EQ (StoredOrder (), (std::vector<UINT16> { 0, 1, 2 }));
  const BYTES  Option2 = Stored (u"Boot0002", gEfiGlobalVariableGuid);
  M.Variables ().Put (u"BootOrder", gEfiGlobalVariableGuid, VARIABLE_DEFAULT_ATTRIBUTES, { 2, 0, 0, 0, 1, 0 });
  ChangeSetupAndTimeout ();
  EXPECT_EQ (SaveChangesNoPrompt (), EFI_SUCCESS);
  EXPECT_EQ (StoredOrder (), (std::vector<UINT16> { 2, 0, 1 }));
  EXPECT_EQ (Stored (u"Timeout", gEfiGlobalVariableGuid), (BYTES { 9, 0 }));
  EXPECT_EQ (Stored (u"Boot0002", gEfiGlobalVariableGuid), Option2);     // its active bit is the driver's business too

  Start ();
  M.Variables ().Put (u"BootOrder", gEfiGlobalVariableGuid, VARIABLE_DEFAULT_ATTRIBUTES, { 2, 0, 0, 0, 1, 0 });
  SetCachedOrder ({ 1, 0, 2 });
  EXPECT_EQ (SaveChangesNoPrompt (), EFI_SUCCESS);
  EXPECT_EQ (StoredOrder (), (std::vector<UINT16> { 1, 0, 2 }));
}

TEST_F (DemoSaveTest, DeletingAnAbsentOptionChangesNothingAndADeletedOneGoesAtTheSave) {
  Start ("Enter");
  const UINTN  Options = gBootOptionCount;
  BYTES        Order   = Cached (kBootOrder);

  DeleteBootOption (0x55);
  EXPECT_EQ (gBootOptionCount, Options);
  EXPECT_EQ (Cached (kBootOrder), Order);

  DeleteBootOption (1);                          // its message box takes the Enter
  EXPECT_EQ (gBootOptionCount, Options - 1);
  EXPECT_EQ (FindBootOption (1), nullptr);
  EXPECT_EQ (Cached (kBootOrder), (BYTES { 0, 0, 0xFF, 0xFF }));
  EXPECT_FALSE (Stored (u"Boot0001", gEfiGlobalVariableGuid).empty ());   // NVRAM waits for the save

  EXPECT_EQ (SaveChangesNoPrompt (), EFI_SUCCESS);
  EXPECT_TRUE (Stored (u"Boot0001", gEfiGlobalVariableGuid).empty ());
  EXPECT_EQ (StoredOrder (), (std::vector<UINT16> { 0, 2 }));
}

TEST_F (DemoSaveTest, ADiscardPutsADeletedOptionBack) {
  Start ("Enter");
  BYTES  Before = M.Variables ().SaveBytes ();

  DeleteBootOption (1);
  EXPECT_EQ (DiscardChanges (FALSE), EFI_SUCCESS);
  EXPECT_NE (FindBootOption (1), nullptr);
  EXPECT_EQ (M.Variables ().SaveBytes (), Before);
}

// The defaults the board's forms give: its checkbox is on by standard default and off
// by manufacturing default, its boot mode 0 by standard default; the forms give the boot
// mode no manufacturing default, so the board's compiled one (2) serves; the language and
// the passwords stay.
TEST_F (DemoSaveTest, LoadingDefaultsGivesTheStandardOrManufacturingValuesOfTheForms) {
  const struct {
    VARIABLE_CACHE_ENTRY  **Defaults;
    UINT8                 NetworkStack;
    UINT8                 BootMode;
  } Cases[] = {
    { &gVariableCacheStdDefaults, 1, 0 },
    { &gVariableCacheMfgDefaults, 0, 2 },
  };

  for (const auto &Case : Cases) {
    Start ();
    ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);     // the pages bound to the board's forms, as setup has them
    ASSERT_EQ (LoadDefaultOrders (), EFI_SUCCESS);     // and the defaults their controls give
    BYTES  Language = Cached (1);
    Write (kSetup, kBootModeAt, { 1 });
    Write (kSetup, kNetworkStackAt, { 7 });
    Write (kPasswords, 0, { 0x41, 0x42 });
    Write (kPasswords, 40, { 0x43 });
    EXPECT_EQ (LoadDefaults (*Case.Defaults, nullptr), EFI_SUCCESS);
    BYTES  Passwords = Cached (kPasswords);
    ASSERT_GE (Passwords.size (), 41u);
    EXPECT_EQ (BYTES (Passwords.begin (), Passwords.begin () + 2), (BYTES { 0x41, 0x42 }));   // no default is a password
    EXPECT_EQ (Passwords[40], 0x43);
    BYTES  Setup = Cached (kSetup);
    EXPECT_EQ (Setup[kBootModeAt], Case.BootMode);
    EXPECT_EQ (Setup[kNetworkStackAt], Case.NetworkStack);
    EXPECT_EQ (Cached (1), Language);
    EXPECT_EQ (gResetNeeded, 1);
  }
}

// Leaving setup with a change: "Save configuration and exit?" — Yes saves and the
// machine resets, and the next start reads the new value; No asks whether to quit
// without saving and leaves NVRAM as it was.
TEST_F (DemoSaveTest, LeavingWithAChangeAsksAndSavesOrDropsItOnlyWhenTold) {
  // The Advanced page, + on the boot mode, back, Esc on the main page, then the answers.
  const std::string  Change = "Down,Down,Down,Enter,+,Esc,Esc";

  Start (Change + ",Enter");
  EXPECT_THROW ((VOID)EnterGraphicalSetup (), Emu::ResetSystemCalled);
  EXPECT_EQ (Stored (u"Setup", Demo::kBoardSetupGuid)[kBootModeAt], 1);

  M.Variables ().DropVolatile ();
  BYTES  Nvram = M.Variables ().SaveBytes ();
  Start ("", Nvram);
  EXPECT_EQ (Cached (kSetup)[kBootModeAt], 1);

  Start (Change + ",Right,Enter,Enter");
  BYTES  Before = M.Variables ().SaveBytes ();
  EXPECT_EQ (EnterGraphicalSetup (), EFI_SUCCESS);
  EXPECT_EQ (M.Variables ().SaveBytes (), Before);
  EXPECT_EQ (Cached (kSetup)[kBootModeAt], 0);

  // Declining both questions keeps setup open with the change: the keys run out there.
  Start (Change + ",Right,Enter,Right,Enter");
  EXPECT_THROW ((VOID)EnterGraphicalSetup (), Emu::KeyScriptExhausted);
  EXPECT_EQ (Cached (kSetup)[kBootModeAt], 1);
}

}  // namespace

namespace {

bool
ScreenShows (const Emu::STANDARD_DEVICES &Devices, const std::u16string &Text)
{
  for (UINTN Row = 0; Row < 31; Row++) {
    if (Devices.TextOut->RowText (Row).find (Text) != std::u16string::npos) {
      return true;
    }
  }

  return false;
}

// F2 takes back the stored values on the main setup page only: on a page below it the
// key asks nothing and the change stays; on the main page it asks, and Yes takes it back.
TEST_F (DemoSaveTest, LoadPreviousValuesIsAKeyOfTheMainPageOnly) {
  const std::string  Change = "Down,Down,Down,Enter,+";     // the Advanced page, + on the boot mode

  Start (Change + ",F2");
  EXPECT_THROW ((VOID)EnterGraphicalSetup (), Emu::KeyScriptExhausted);
  EXPECT_FALSE (ScreenShows (Devices, u"Load Previous Values?"));
  EXPECT_EQ (Cached (kSetup)[kBootModeAt], 1);

  Start (Change + ",Esc,F2");
  EXPECT_THROW ((VOID)EnterGraphicalSetup (), Emu::KeyScriptExhausted);
  EXPECT_TRUE (ScreenShows (Devices, u"Load Previous Values?"));

  Start (Change + ",Esc,F2,Enter");
  EXPECT_THROW ((VOID)EnterGraphicalSetup (), Emu::KeyScriptExhausted);
  EXPECT_EQ (Cached (kSetup)[kBootModeAt], 0);
}

}  // namespace
