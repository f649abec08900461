// Saves that fail or follow each other on the demo board, with and without a legacy
// BIOS: a refused write puts back what the save wrote, so the next power-on finds the
// old settings or the new ones; a store that keeps refusing is reported as leaving the
// settings partly new, each variable whole; and after a save the legacy options' group
// offsets, the cached legacy order and NVRAM agree, so a second save in the same boot
// and a legacy boot still see the user's order.
#include <DemoBoard.h>
#include <engine/testing/EngineMachineTest.h>
#include <engine/testing/LoadOptionBytes.h>

#include <engine/boot/BootLaunch.h>
#include <engine/boot/BootOptions.h>
#include <engine/boot/LegacyDevOrder.h>
#include <engine/browser/DynamicPages.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/forms/QuestionDefaults.h>
#include <engine/textui/SetupActions.h>
#include <engine/textui/TuiApp.h>
#include <engine/variables/VariableCache.h>
#include <frontend/SetupSave.h>
#include <Emulator/LegacyBios.h>
#include <Guid/GlobalVariable.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/FormBrowser2.h>

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace {

using BYTES = std::vector<UINT8>;
using BootTest::LoadOption;
using BootTest::U16List;

constexpr UINTN   kSetup      = 0;
constexpr UINTN   kTimeout    = 2;
constexpr UINTN   kBootOrder  = 7;
constexpr UINTN   kLegacy     = 8;
constexpr UINT16  kHdd = 2, kCdRom = 3;
constexpr UINT32  kNvBsRt = EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;

const EFI_GUID  kLegacyOrderGuid  = LEGACY_DEV_ORDER_VARIABLE_GUID;
const EFI_GUID  kDisabledDevsGuid = DISABLED_DEVS_VARIABLE_GUID;
const EFI_GUID  kFormBrowserGuid  = EFI_FORM_BROWSER2_PROTOCOL_GUID;

// A BBS node for a legacy group of DeviceType.
BYTES
BbsPathOf (UINT16 DeviceType)
{
  return { 0x05, 0x01, 12, 0, (UINT8)DeviceType, (UINT8)(DeviceType >> 8), 0, 0, 'L', 'G', 0, 0, 0x7F, 0xFF, 4, 0 };
}

BYTES
Group (UINT32 DeviceType, const std::vector<UINT16> &Indexes)
{
  BYTES  Bytes = { (UINT8)DeviceType, (UINT8)(DeviceType >> 8), 0, 0, (UINT8)(2 + 2 * Indexes.size ()), 0 };
  BYTES  Listed = U16List (Indexes);
  Bytes.insert (Bytes.end (), Listed.begin (), Listed.end ());
  return Bytes;
}

BYTES
Concat (const std::vector<BYTES> &Parts)
{
  BYTES  All;
  for (const BYTES &Part : Parts) {
    All.insert (All.end (), Part.begin (), Part.end ());
  }
  return All;
}

// What a power-on leaves in NVRAM, by name and GUID: attributes and data.
using NVRAM_STATE = std::map<std::tuple<std::u16string, std::string>, std::pair<UINT32, BYTES>>;

class DemoSaveFaultTest : public EngineMachineTest {
protected:
  void TearDown () override
  {
    Forget ();
    EngineMachineTest::TearDown ();
  }

  void Forget ()
  {
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    RestoreDeletedOptions ();
    FreeBootOptionTables ();
    gSaveAskedForReset = 0;
  }

  // A power-on of the board (with a legacy BIOS when Legacy is set) on Nvram, or on the
  // board's first NVRAM: the driver started and the option tables read, as at POST.
  void Start (bool Legacy, const std::optional<BYTES> &Nvram = std::nullopt, const std::string &Keys = "")
  {
    Emu::MACHINE_OPTIONS  Options;
    Options.Keys = Keys;
    Forget ();
    ForgetEngine ();
    M.~Machine ();
    new (&M) Emu::Machine ();
    Paths.clear ();
    Devices = Emu::BuildStandardMachine (M, Options);
    ForgetLibraryTables ();
    Demo::BOARD  Board = Demo::BuildBoard ();
    if (Nvram) {
      std::string  Error;
      ASSERT_TRUE (M.Variables ().LoadBytes (*Nvram, &Error)) << Error;
    }

    Demo::SeedVariables (M.Variables (), Board);
    if (Legacy && !Nvram) {
      PutLegacyOptions ();
    }

    Started = Demo::StartSetupDriver (M, Devices, Board);
    ASSERT_EQ (Started.Status, EFI_SUCCESS);
    if (Legacy) {
      AddLegacyBios ();
    }

    ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
    ASSERT_EQ (LoadDefaultOrders (), EFI_SUCCESS);
    ASSERT_EQ (TakeCacheBaseline (), EFI_SUCCESS);
    M.Variables ().ClearWriteLog ();
  }

  // Two hard disks (BBS 0, 1) and two CD drives (2, 3), each with its own device path.
  void AddLegacyBios ()
  {
    // The demo board brings a legacy BIOS of its own (the action links' disks): the
    // engine asks the first one installed, so these devices replace its table.
    Bios = M.FindDevice<Emu::LegacyBios> ();
    if (Bios == nullptr) {
      Bios = &M.Add (std::make_unique<Emu::LegacyBios> (M));
    }

    Bios->Table ().clear ();
    for (UINT8 Entry = 0; Entry < 4; Entry++) {
      EFI_HANDLE  Handle = nullptr;
      Paths.push_back ({ 0x01, 0x01, 6, 0, 0, (UINT8)(0x10 + Entry), 0x7F, 0xFF, 4, 0 });
      ASSERT_EQ (gBS->InstallMultipleProtocolInterfaces (&Handle, &gEfiDevicePathProtocolGuid, Paths.back ().data (), nullptr),
        EFI_SUCCESS);
      Bios->Table ().push_back (Emu::BbsEntry (BBS_UNPRIORITIZED_ENTRY, (Entry < 2) ? kHdd : kCdRom, Handle));
    }
  }

  // The legacy options of the two groups, first in "BootOrder", and their stored groups.
  void PutLegacyOptions ()
  {
    M.Variables ().Put (u"Boot0003", gEfiGlobalVariableGuid, kNvBsRt, LoadOption (1, u"Hard disks", BbsPathOf (kHdd)));
    M.Variables ().Put (u"Boot0004", gEfiGlobalVariableGuid, kNvBsRt, LoadOption (1, u"CD drives", BbsPathOf (kCdRom)));
    M.Variables ().Put (u"BootOrder", gEfiGlobalVariableGuid, kNvBsRt, U16List ({ 3, 4, 0, 1, 2 }));
    M.Variables ().Put (u"LegacyDevOrder", kLegacyOrderGuid, kNvBsRt, Concat ({ Group (kHdd, { 0, 1 }), Group (kCdRom, { 2, 3 }) }));
  }

  BYTES Stored (const std::u16string &Name, const EFI_GUID &Guid = gEfiGlobalVariableGuid)
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

  void SetCachedOrder (const std::vector<UINT16> &Order)
  {
    BYTES  Bytes = U16List (Order);
    FreePool (gVariableCache[kBootOrder].Data);
    gVariableCache[kBootOrder].Data = AllocateCopyPool (Bytes.size (), Bytes.data ());
    gVariableCache[kBootOrder].Size = Bytes.size ();
  }

  // Every kind of change a save writes: the board's "Setup" and "Timeout", an option
  // disabled and one deleted, and on the legacy board the CD drives put first and the
  // second hard disk disabled. Needs an Enter key for the deletion's message box.
  void ChangeEverything (bool Legacy)
  {
    Write (kSetup, 0, { 2 });
    Write (kTimeout, 0, { 9, 0 });
    DeleteBootOption (1);
    const UINT16  Marker = gBootOrderDisabledMarker;
    SetCachedOrder (Legacy ? std::vector<UINT16> { 4, 3, 2, Marker } : std::vector<UINT16> { 2, Marker });
    if (Legacy) {
      SelectLegacyGroupByIndex (0);
      ASSERT_EQ (gCurrentLegacyGroup, FindBootOption (3));
      Write (kLegacy, gCurrentLegacyGroup->LegacyGroupOffset + 6 + 2, U16List ({ Marker }));
    }
  }

  NVRAM_STATE State ()
  {
    NVRAM_STATE  Found;
    for (const Emu::VARIABLE &Variable : M.Variables ().All ()) {
      if ((Variable.Attributes & EFI_VARIABLE_NON_VOLATILE) != 0) {
        std::string  Guid ((const char *)&Variable.Guid, sizeof (EFI_GUID));
        Found[{ Variable.Name, Guid }] = { Variable.Attributes, Variable.Data };
      }
    }
    return Found;
  }

  // What the next power-on on this NVRAM makes of it.
  NVRAM_STATE NextPowerOn (bool Legacy)
  {
    M.Variables ().DropVolatile ();
    BYTES  Nvram = M.Variables ().SaveBytes ();
    Start (Legacy, Nvram);
    return State ();
  }

  EFI_STATUS SendFormWithKeys (const std::string &Keys)
  {
    EFI_FORM_BROWSER2_PROTOCOL  *Browser = nullptr;
    EFI_BROWSER_ACTION_REQUEST  Request  = 0x55;
    EXPECT_EQ (gBS->LocateProtocol ((EFI_GUID *)&kFormBrowserGuid, nullptr, (VOID **)&Browser), EFI_SUCCESS);
    Devices.TextIn->Script ().Append (Keys);
    EFI_STATUS  Status = Browser->SendForm (Browser, &Started.BoardForms, 1, nullptr, 0, nullptr, &Request);
    EXPECT_EQ (Request, EFI_BROWSER_ACTION_REQUEST_NONE);
    return Status;
  }

  // The entries are packed: the priority is read by value.
  UINT16 Priority (size_t Entry) { return Bios->Table ()[Entry].BootPriority; }

  Emu::LegacyBios       *Bios = nullptr;
  std::deque<BYTES>     Paths;
  Demo::STARTED_DRIVER  Started;
};

// Two SendForm calls in one boot, each left with F10, after the boot order put the CD
// drives before the hard disks: the first save stores the groups in the new order, and
// the cache, the options' offsets and a legacy boot follow it; the second, with nothing
// changed, leaves the orders alone.
TEST_F (DemoSaveFaultTest, ASecondSaveInTheSameBootKeepsTheLegacyOrderItStored) {
  Start (true);
  ASSERT_EQ (Cached (kLegacy), Concat ({ Group (kHdd, { 0, 1 }), Group (kCdRom, { 2, 3 }) }));
  // Changed in the browser, as the boot-priority question would leave it: an order put in
  // the cache before SendForm takes its baseline is no change of the user's.
  bool  Changed = false;
  Devices.TextIn->Script ().SetWaitHook ([&] () {
    if ((gTuiApp != nullptr) && !Changed) {
      Changed = true;
      SetCachedOrder ({ 4, 3, 0, 1, 2 });
    }
  });
  EXPECT_EQ (SendFormWithKeys ("F10,Enter"), EFI_SUCCESS);
  Devices.TextIn->Script ().SetWaitHook (nullptr);
  ASSERT_TRUE (Changed);
  const BYTES  Saved = Concat ({ Group (kCdRom, { 2, 3 }), Group (kHdd, { 0, 1 }) });
  ASSERT_EQ (Stored (u"LegacyDevOrder", kLegacyOrderGuid), Saved);
  EXPECT_EQ (Cached (kLegacy), Saved);
  EXPECT_EQ (FindBootOption (4)->LegacyGroupOffset, 0u);
  EXPECT_EQ (FindBootOption (3)->LegacyGroupOffset, 10u);
  EXPECT_TRUE (Stored (u"DisabledDevs", kDisabledDevsGuid).empty ());

  // A legacy boot of the hard-disk option in this boot gives its disks priority.
  SetLegacyBootPriorities (FindBootOption (3), nullptr, 0);
  EXPECT_EQ (Priority (0), 0);
  EXPECT_EQ (Priority (1), 1);
  EXPECT_EQ (Priority (2), BBS_UNPRIORITIZED_ENTRY);

  M.Variables ().ClearWriteLog ();
  EXPECT_EQ (SendFormWithKeys ("F10,Enter"), EFI_SUCCESS);
  for (const Emu::VARIABLE_WRITE &Written : M.Variables ().WriteLog ()) {
    EXPECT_TRUE ((Written.Name != u"LegacyDevOrder") && (Written.Name != u"DisabledDevs") && (Written.Name != u"BootOrder"))
      << "written again: " << std::string (Written.Name.begin (), Written.Name.end ());
  }
  EXPECT_EQ (Stored (u"LegacyDevOrder", kLegacyOrderGuid), Saved);
  EXPECT_TRUE (Stored (u"DisabledDevs", kDisabledDevsGuid).empty ());
}

// A legacy option the user disabled keeps its group: the next start's rebuild finds it.
TEST_F (DemoSaveFaultTest, ADisabledLegacyOptionKeepsItsGroupAcrossASave) {
  Start (true);
  SetCachedOrder ({ 3, 0, 1, 2, gBootOrderDisabledMarker });
  ASSERT_EQ (SaveChangesNoPrompt (), EFI_SUCCESS);
  EXPECT_EQ (Stored (u"LegacyDevOrder", kLegacyOrderGuid), Concat ({ Group (kHdd, { 0, 1 }), Group (kCdRom, { 2, 3 }) }));

  NextPowerOn (true);
  ASSERT_NE (FindBootOption (4), nullptr);
  EXPECT_EQ (FindBootOption (4)->LegacyDeviceCount, 2u);
  EXPECT_EQ (FindBootOption (4)->Attributes & LOAD_OPTION_ACTIVE, 0u);
}

// The sweep: the save of every kind of change, with its N-th write refused once or from
// then on, by a failing device or a full store, on both boards. Refused once, the save
// puts everything back; refused from then on, nothing can be put back and the next
// start does it from the undo record. Either way the next power-on finds the old
// settings, and the writes that went through were the save's first ones, in order.
TEST_F (DemoSaveFaultTest, EveryRefusedWriteLeavesTheOldSettingsForTheNextPowerOn) {
  for (bool Legacy : { false, true }) {
    Start (Legacy);
    const NVRAM_STATE  Old = NextPowerOn (Legacy);
    Start (Legacy, std::nullopt, "Enter");
    ChangeEverything (Legacy);
    ASSERT_EQ (SaveChangesNoPrompt (), EFI_SUCCESS);
    const std::vector<Emu::VARIABLE_WRITE>  Writes = M.Variables ().WriteLog ();
    ASSERT_EQ (Writes.size (), Legacy ? 10u : 8u);     // the undo record, the changes, the record's deletion
    const NVRAM_STATE  New = NextPowerOn (Legacy);
    ASSERT_NE (Old, New);

    for (EFI_STATUS Refusal : { EFI_DEVICE_ERROR, EFI_OUT_OF_RESOURCES }) {
      for (UINT32 Times : { 1u, 0u }) {
        for (UINT32 Failing = 0; Failing < Writes.size (); Failing++) {
          const std::string  Case = std::string (Legacy ? "legacy" : "UEFI") + " board, write " + std::to_string (Failing) +
                                    (Times == 0 ? " and on" : " once") + ", status " + std::to_string (Refusal & 0xFF);
          Start (Legacy, std::nullopt, "Enter");
          ChangeEverything (Legacy);
          M.Variables ().ClearWriteLog ();
          M.Variables ().InjectFault ({ Emu::VariableOp::Set, std::nullopt, Refusal, Times, Failing });
          EXPECT_EQ (SaveChangesNoPrompt (), Refusal) << Case;
          EXPECT_TRUE (SettingsChanged ()) << Case;
          M.Variables ().ClearFaults ();
          const auto  &Log = M.Variables ().WriteLog ();
          for (UINT32 At = 0; At < Failing; At++) {
            EXPECT_EQ (Log[At].Name, Writes[At].Name) << Case;
            EXPECT_EQ (Log[At].Data, Writes[At].Data) << Case;
          }

          EXPECT_EQ (NextPowerOn (Legacy), Old) << Case;
        }
      }
    }
  }
}

// A store whose largest variable cannot hold the undo record still takes the save,
// and a refused write is still put back in this boot.
TEST_F (DemoSaveFaultTest, AStoreTooSmallForTheUndoRecordStillSaves) {
  for (UINT32 Times : { 2u, 1u }) {
    Start (false, std::nullopt, "Enter");
    const NVRAM_STATE  Before = State ();
    ChangeEverything (false);
    M.Variables ().SetMaximumSize (128);
    if (Times == 1) {
      M.Variables ().InjectFault ({ Emu::VariableOp::Set, std::nullopt, EFI_DEVICE_ERROR, 1, 3 });
      EXPECT_EQ (SaveChangesNoPrompt (), EFI_DEVICE_ERROR);
      EXPECT_EQ (State (), Before);
    } else {
      EXPECT_EQ (SaveChangesNoPrompt (), EFI_SUCCESS);
      EXPECT_EQ (Stored (u"BootOrder"), U16List ({ 2, 0 }));
    }
    for (const Emu::VARIABLE_WRITE &Written : M.Variables ().WriteLog ()) {
      EXPECT_NE (Written.Name, u"SetupSaveUndo");
    }
  }
}

// The message of a refused save says what NVRAM holds: the old settings, or the old
// settings back at the next start when the store went on refusing.
TEST_F (DemoSaveFaultTest, ARefusedSaveSaysWhetherTheOldSettingsStayOrComeBackAtTheNextStart) {
  const struct {
    UINT32          Times;
    const char16_t  *Said;
  } Cases[] = {
    { 1, u"stay as they were" },
    { 0, u"next starts" },
  };

  for (const auto &Case : Cases) {
    Start (false);
    Write (kSetup, 0, { 2 });
    Write (kTimeout, 0, { 9, 0 });
    std::u16string  Screen;
    std::u16string  Shown;
    Devices.TextIn->Script ().SetWaitHook ([&] () {
      for (UINTN Row = 0; Shown.empty () && (Row < Devices.TextOut->Rows ()); Row++) {
        Screen += Devices.TextOut->RowText (Row) + u"\n";
      }
      Shown = Screen;
      Devices.TextIn->Script ().Append ("Enter");
    });
    M.Variables ().InjectFault ({ Emu::VariableOp::Set, std::nullopt, EFI_DEVICE_ERROR, Case.Times, 2 });
    EXPECT_EQ (SaveChanges (nullptr), 0);
    Devices.TextIn->Script ().SetWaitHook (nullptr);
    EXPECT_NE (Screen.find (Case.Said), std::u16string::npos) << std::string (Screen.begin (), Screen.end ());
  }
}

// An undo record that names a variable no save writes, carries attributes no save gives,
// or is not whole, puts nothing back: it is dropped at start-up and the settings stay as
// stored.
TEST_F (DemoSaveFaultTest, AnUndoRecordOfOtherVariablesOrNotWholeIsDropped) {
  const EFI_GUID  kEngineGuid = { 0xC811FA38, 0x42C8, 0x4579, { 0xA9, 0xBB, 0x60, 0xE9, 0x4E, 0xDD, 0xFB, 0x34 } };
  auto            Record = [] (const std::u16string &Name, const BYTES &Data, UINT16 Attributes = 7) {
    BYTES  Bytes = { 'S', 'U', 'N', 'D', 1, 0, 0, 0 };
    Bytes.insert (Bytes.end (), (const UINT8 *)&gEfiGlobalVariableGuid, (const UINT8 *)&gEfiGlobalVariableGuid + 16);
    BYTES  Head = U16List ({ Attributes, 0, (UINT16)(2 * Name.size () + 2), 0, (UINT16)Data.size (), 0 });
    Bytes.insert (Bytes.end (), Head.begin (), Head.end ());
    Bytes.insert (Bytes.end (), (const UINT8 *)Name.c_str (), (const UINT8 *)Name.c_str () + 2 * Name.size () + 2);
    Bytes.insert (Bytes.end (), Data.begin (), Data.end ());
    return Bytes;
  };

  BYTES  Cut = Record (u"BootOrder", { 2, 0 });
  Cut.pop_back ();
  // Attributes the firmware refuses would keep the record, refused again, at every start.
  const BYTES  Cases[] = { Record (u"OsIndications", { 1, 0, 0, 0, 0, 0, 0, 0 }), Record (u"Boot0001x", { 1, 0, 0, 0 }), Cut,
                           Record (u"BootOrder", { 2, 0 }, 0x3207), Record (u"BootOrder", { 2, 0 }, 0x05) };
  for (const BYTES &Undo : Cases) {
    Start (false);
    M.Variables ().DropVolatile ();
    M.Variables ().Put (u"SetupSaveUndo", kEngineGuid, EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS, Undo);
    const NVRAM_STATE  Before = State ();
    Start (false, M.Variables ().SaveBytes ());
    NVRAM_STATE  After = State ();
    EXPECT_EQ (M.Variables ().Lookup (u"SetupSaveUndo", kEngineGuid), nullptr);
    After[{ u"SetupSaveUndo", std::string ((const char *)&kEngineGuid, sizeof (kEngineGuid)) }] = { EFI_VARIABLE_NON_VOLATILE |
                                                                                                   EFI_VARIABLE_BOOTSERVICE_ACCESS, Undo };
    EXPECT_EQ (After, Before);
  }

  // A whole record of the boot order puts it back.
  Start (false);
  M.Variables ().DropVolatile ();
  M.Variables ().Put (u"SetupSaveUndo", kEngineGuid, EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS,
    Record (u"BootOrder", { 1, 0, 0, 0 }));
  Start (false, M.Variables ().SaveBytes ());
  EXPECT_EQ (M.Variables ().Lookup (u"SetupSaveUndo", kEngineGuid), nullptr);
  EXPECT_EQ (Stored (u"BootOrder"), U16List ({ 1, 0, 2 }));
}

// A save that cannot make its plans writes nothing, whichever allocation fails first;
// one that reports success on the legacy board has stored the legacy order.
TEST_F (DemoSaveFaultTest, AnAllocationFailureWritesNothingOrTheLegacyOrderIsSaved) {
  Start (true, std::nullopt, "Enter");
  ChangeEverything (true);
  UINT64  Mark = M.Memory ().AllocationCount ();
  ASSERT_EQ (SaveChangesNoPrompt (), EFI_SUCCESS);
  const BYTES  Saved       = Stored (u"LegacyDevOrder", kLegacyOrderGuid);
  UINT64       Allocations = M.Memory ().AllocationCount () - Mark;

  for (UINT64 Failing = 1; Failing <= Allocations; Failing++) {
    Start (true, std::nullopt, "Enter");
    ChangeEverything (true);
    BYTES  Before = M.Variables ().SaveBytes ();
    M.Memory ().FailAllocation (Failing);
    EFI_STATUS  Status = SaveChangesNoPrompt ();
    M.Memory ().FailAllocation (0);
    if (EFI_ERROR (Status)) {
      EXPECT_EQ (M.Variables ().SaveBytes (), Before) << "allocation " << Failing;
    } else {
      EXPECT_EQ (Stored (u"LegacyDevOrder", kLegacyOrderGuid), Saved) << "allocation " << Failing;
    }
  }
}

}  // namespace
