// Changing the demo board's questions from the keyboard: each change reaches the
// variable cache at the question's offset and width, nothing else moves, and the
// console shows the new value.
#include <DemoBoard.h>
#include <engine/testing/EngineMachineTest.h>

#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>
#include <engine/core/EngineStrings.h>
#include <engine/browser/DynamicPages.h>
#include <engine/boot/BootOptions.h>
#include <engine/textui/TuiApp.h>
#include <engine/textui/TuiValueControls.h>
#include <Library/MemoryAllocationLib.h>
#include <frontend/FrontEndServices.h>
#include <Emulator/RunEnded.h>

#include <Fixtures.h>
#include <engine/testing/HeldForms.h>
#include <Builders/HiiPackageBuilder.h>
#include <Builders/IfrBuilder.h>
#include <Emulator/KeyScript.h>
#include <EmulatorHii/FakeDriver.h>
#include <gtest/gtest.h>

#include <optional>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr UINTN  kSetupIndex  = 0;
constexpr UINTN  kSetupSize   = 64;
constexpr UINTN  kValueColumn = 40;

// Rows of the Advanced page's questions and of the Boot page's ordered list.
constexpr UINTN  kBootModeRow   = 3;
constexpr UINTN  kNetworkRow    = 4;
constexpr UINTN  kFanRow        = 5;
constexpr UINTN  kTemperatureRow = 6;
constexpr UINTN  kLatencyRow    = 7;
constexpr UINTN  kDevicesRow    = 4;

// The keys that open the Advanced page (the first link, below the date, time and asset
// tag) and the Boot page (the third).
const std::string  kAdvanced = "Down,Down,Down,Enter";
const std::string  kBoot     = "Down,Down,Down,Down,Down,Enter";

class DemoSetupEditTest : public EngineMachineTest {
protected:
  void TearDown () override
  {
    DestroyTuiApp ();
    FreeDynamicPageTable ();
    EngineMachineTest::TearDown ();
  }

  // Boots the board, publishes Extra's forms, enters setup and types Keys; the run ends when they run out.
  void Type (const std::string &Keys, const std::function<void (Demo::STARTED_DRIVER &)> &Extra = nullptr)
  {
    Start (Keys, Extra);
    EXPECT_THROW ((VOID)EnterGraphicalSetup (), Emu::KeyScriptExhausted);
  }

  // Boots the board with the key script Keys and starts the driver on it.
  void Start (const std::string &Keys, const std::function<void (Demo::STARTED_DRIVER &)> &Extra = nullptr)
  {
    Emu::MACHINE_OPTIONS  Options;
    Options.Keys = Keys;
    DestroyTuiApp ();                 // what an earlier run of the test left
    FreeDynamicPageTable ();
    ForgetEngine ();
    M.~Machine ();
    new (&M) Emu::Machine ();
    Devices = Emu::BuildStandardMachine (M, Options);
    ForgetLibraryTables ();
    Demo::BOARD  Board = Demo::BuildBoard ();
    Demo::SeedVariables (M.Variables (), Board);
    Demo::STARTED_DRIVER  Started = Demo::StartSetupDriver (M, Devices, Board);
    ASSERT_EQ (Started.Status, EFI_SUCCESS);
    if (Extra) {
      Extra (Started);
    }

    Before = CachedSetup ();
  }

  std::vector<UINT8> CachedSetup ()
  {
    std::vector<UINT8>  Bytes (kSetupSize, 0xEE);
    EXPECT_EQ (ReadVariableBytes (kSetupIndex, 0, kSetupSize, Bytes.data (), FALSE), EFI_SUCCESS);
    return Bytes;
  }

  // The cached "Setup" equals what it was before the keys but for Changed.
  void ExpectSetupChangedTo (const std::vector<std::pair<UINTN, UINT8>> &Changed)
  {
    std::vector<UINT8>  Expected = Before;
    for (const auto &[Offset, Value] : Changed) {
      Expected[Offset] = Value;
    }

    EXPECT_EQ (CachedSetup (), Expected);
  }

  std::u16string Shown (UINTN Column, UINTN Row, UINTN Count) { return Devices.TextOut->RowText (Row).substr (Column, Count); }
  UINT8 ShownAttribute (UINTN Column, UINTN Row) { return Devices.TextOut->RowAttributes (Row)[Column]; }

  std::vector<UINT8>  Before;
};

TEST_F (DemoSetupEditTest, PlusAndMinusChangeAOneOfACheckboxAndANumberAtOnce) {
  Type (kAdvanced + ",+,Down,-,Down,+");
  ExpectSetupChangedTo ({ { 0, 1 }, { 1, 0 }, { 2, 65 }, { 3, 0 } });
  EXPECT_EQ (Shown (kValueColumn, kBootModeRow, 9), u"[Legacy] ");
  EXPECT_EQ (Shown (kValueColumn, kNetworkRow, 11), u"[Disabled] ");
  EXPECT_EQ (Shown (kValueColumn, kFanRow, 3), u"65 ");
  EXPECT_EQ (ShownAttribute (kValueColumn, kNetworkRow), 0x71);     // no longer focused
  EXPECT_EQ (ShownAttribute (kValueColumn, kFanRow), 0x1F);         // the focused field
}

TEST_F (DemoSetupEditTest, AValueOutOfRangeIsRefusedWithTheMessageAndNothingChanges) {
  Type (kAdvanced + ",Down,Down,Down,Down,1,0,Enter");
  EXPECT_EQ (Shown (40, 14, 19), u"Invalid Input Range");          // the box waits for its key
  EXPECT_NE (Devices.TextOut->RowText (12).find (u" ERROR "), std::u16string::npos);
  EXPECT_EQ (Shown (kValueColumn, kLatencyRow, 3), u"10 ");          // the typed text behind it
  ExpectSetupChangedTo ({});

  Type (kAdvanced + ",Down,Down,Down,Down,1,0,Enter,Enter");
  ExpectSetupChangedTo ({});
  EXPECT_EQ (Shown (kValueColumn, kLatencyRow, 3), u"40 ");
}

// The main page: the date, the time and the asset tag, kept in "Setup" at 8, 12 and 16.
constexpr UINTN  kDateRow     = 3;
constexpr UINTN  kTimeRow     = 4;
constexpr UINTN  kAssetTagRow = 5;

// Keys typed from setup's first page, the bytes of "Setup" they change, and the value
// then shown in the question's row.
TEST_F (DemoSetupEditTest, EachQuestionKindStoresWhatIsTypedAtItsOffsetAndShowsIt) {
  const struct {
    const char                                     *Name;
    std::string                                    Keys;
    std::vector<std::pair<UINTN, UINT8>>           Changed;
    std::vector<std::pair<UINTN, std::u16string>>  Rows;
  } Cases[] = {
    { "Enter picks from the list box", kAdvanced + ",Enter,Down,Down,Enter", { { 0, 2 } },
      { { kBootModeRow, u"[UEFI and Legacy]" } } },
    { "Esc closes the list box", kAdvanced + ",Enter,Down,Esc", {}, { { kBootModeRow, u"[UEFI] " } } },
    { "a typed decimal takes two bytes", kAdvanced + ",Down,Down,8,5,Enter", { { 2, 85 }, { 3, 0 } },
      { { kFanRow, u"85 " } } },
    { "a signed number steps below zero", kAdvanced + ",Down,Down,Down,-,-,-", { { 4, 0xFD } },
      { { kTemperatureRow, u"-3 " } } },
    { "a signed number takes a typed negative", kAdvanced + ",Down,Down,Down,Backspace,-,7,Enter", { { 4, 0xF9 } },
      { { kTemperatureRow, u"-7 " } } },
    { "hex digits only", kAdvanced + ",Down,Down,Down,Down,G,F,8,Enter", { { 5, 0xF8 } }, { { kLatencyRow, u"f8 " } } },
    { "a hex number steps from 0x40 by 8", kAdvanced + ",Down,Down,Down,Down,+", { { 5, 0x48 } },
      { { kLatencyRow, u"48 " } } },
    { "the ordered list moves the selected option", kBoot + ",Down,Enter,Down,+,Enter",
      { { 48, 2 }, { 49, 1 }, { 50, 3 }, { 51, 4 } },
      { { kDevicesRow, u"[USB Drive]" }, { kDevicesRow + 1, u"[Hard Disk]" } } },
    { "the ordered list's ends stay put", kBoot + ",Down,Enter,+,Up,-,Enter", {},
      { { kDevicesRow + 3, u"[Optical Drive]" } } },
    { "a date field by field, with its weekday", "1,2,Tab,3,1,Tab,2,0,2,4,Enter",
      { { 8, 0xE8 }, { 9, 0x07 }, { 10, 12 }, { 11, 31 } }, { { kDateRow, u"[Tuesday 12/31/2024]" } } },
    { "a time steps field by field and wraps", "Down,+,Tab,-,Tab,+", { { 12, 1 }, { 13, 59 }, { 14, 1 } },
      { { kTimeRow, u"[01:59:01]" } } },
  };

  for (const auto &Case : Cases) {
    SCOPED_TRACE (Case.Name);
    Type (Case.Keys);
    ExpectSetupChangedTo (Case.Changed);
    for (const auto &[Row, Text] : Case.Rows) {
      EXPECT_EQ (Shown (kValueColumn, Row, Text.size ()), Text);
    }
  }
}

TEST_F (DemoSetupEditTest, TheAssetTagIsEditedInABoxAndStoredZeroPaddedAtItsWidth) {
  Type ("Down,Down,Enter,Backspace,Backspace,Backspace,Backspace,4,2,Enter");
  std::vector<std::pair<UINTN, UINT8>>  Changed;
  const char16_t  Old[] = u"DEMO-0001";
  const char16_t  New[] = u"DEMO-42";
  for (UINTN Unit = 0; Unit < 9; Unit++) {
    UINT16  Char = (Unit < 7) ? (UINT16)New[Unit] : 0;
    if (Char != (UINT16)Old[Unit]) {
      Changed.push_back ({ 16 + 2 * Unit, (UINT8)Char });
    }
  }
  ExpectSetupChangedTo (Changed);
  EXPECT_EQ (Shown (kValueColumn, kAssetTagRow, 10), u"DEMO-42   ");
}

TEST_F (DemoSetupEditTest, TheAdministratorPasswordIsAskedTwiceAndStoredEncodedInThePasswordRecord) {
  constexpr UINTN  kPasswordIndex = 5;
  Type ("Down,Down,Down,Down,Enter,Enter,a,b,c,Enter,a,b,c,Enter");
  UINT16  Expected[20] = { u'a', u'b', u'c' };
  for (UINTN Unit = 0; Unit < 20; Unit++) {
    Expected[Unit] = (UINT16)(Expected[Unit] ^ (UINT16)((Unit + 1) * 0xCB05));
  }
  std::vector<UINT8>  Field (40, 0xEE);
  ASSERT_EQ (ReadVariableBytes (kPasswordIndex, 0, Field.size (), Field.data (), FALSE), EFI_SUCCESS);
  EXPECT_EQ (Field, std::vector<UINT8> ((UINT8 *)Expected, (UINT8 *)Expected + sizeof (Expected)));
  ExpectSetupChangedTo ({});
  EXPECT_EQ (Shown (3, 3, 22), u"Administrator Password");
  for (UINTN Row = 0; Row < 31; Row++) {
    EXPECT_EQ (Devices.TextOut->RowText (Row).find (u"abc"), std::u16string::npos);
  }
}

// The package list of the OVMF export whose GUID is Guid.
std::vector<UINT8>
OvmfPackageList (const EFI_GUID &Guid)
{
  std::vector<UINT8>  Export = Fixtures::Read ("ovmf/HIIDB.BIN");
  size_t              At     = 0;

  while (At + sizeof (EFI_HII_PACKAGE_LIST_HEADER) <= Export.size ()) {
    EFI_HII_PACKAGE_LIST_HEADER  Header;
    std::memcpy (&Header, Export.data () + At, sizeof (Header));
    if ((Header.PackageLength < sizeof (Header)) || (Header.PackageLength > Export.size () - At)) {
      break;
    }

    if (std::memcmp (&Header.PackageListGuid, &Guid, sizeof (Guid)) == 0) {
      return std::vector<UINT8> (Export.begin () + At, Export.begin () + At + Header.PackageLength);
    }

    At += Header.PackageLength;
  }

  ADD_FAILURE () << "no such package list in the export";
  return {};
}

// OVMF's Secure Boot configuration, published by a driver that holds its store and takes the change.
class OvmfSecureBootEditTest : public DemoSetupEditTest {
protected:
  static constexpr EFI_GUID         kSecureBoot      = { 0x5DAF50A5, 0xEA81, 0x4DE2, { 0x8F, 0x9B, 0xCA, 0xBD, 0xA9, 0xCF, 0x5C, 0x14 } };
  static constexpr EFI_QUESTION_ID  kAttemptSecureBoot = 4096;
  static constexpr UINTN            kStoreSize       = 100;
  static constexpr UINTN            kUserModeAt      = 76;     // the checkbox is grayed out unless it holds 1

  static std::vector<UINT8> UserModeStore ()
  {
    std::vector<UINT8>  Store (kStoreSize, 0);
    Store[kUserModeAt] = 1;
    return Store;
  }

  // The driver answers CHANGING with Answer (without a rule: EFI_UNSUPPORTED, it does not handle it).
  void TypeOnSecureBootPage (const std::string &Keys, std::optional<EFI_STATUS> Answer = EFI_SUCCESS)
  {
    Type ("Right," + Keys, [this, Answer] (Demo::STARTED_DRIVER &Started) {
      Driver = &M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (kSecureBoot)));
      Driver->SetStore (kSecureBoot, u"SECUREBOOT_CONFIGURATION", UserModeStore ());
      if (Answer) {
        Driver->AddCallbackRule ({ EFI_BROWSER_ACTION_CHANGING, kAttemptSecureBoot, *Answer, std::nullopt });
      }
      ASSERT_NE (Driver->Publish (*Started.Hii, OvmfPackageList (kSecureBoot)), nullptr);
    });
  }

  // The focused question's whole store as the cache holds it, and the question's offset in it.
  std::vector<UINT8> FocusedStore (UINT16 *Offset)
  {
    TUI_FRAME    *Main    = FindPageFrame (gTuiApp->Pages[gTuiApp->CurrentPage], TUI_FRAME_MAIN);
    TUI_CONTROL  *Control = Main->Controls[Main->Current];
    UINT32       Index    = 0;
    UINTN        Size     = 0;

    EXPECT_TRUE (TuiQuestionCacheIndex (Control, &Index));
    *Offset = TuiQuestionOffset (Control);
    UINT8               *Data  = (UINT8 *)GetCachedVariable (Index, &Size);
    std::vector<UINT8>  Bytes (Data, Data + Size);
    FreePool (Data);
    return Bytes;
  }

  Emu::FakeDriver  *Driver = nullptr;
};

TEST_F (OvmfSecureBootEditTest, ItsCheckboxChangesOneByteOfTheStoreAndTheDriverSeesTheNewValue) {
  UINT16  Offset = 0xFFFF;

  TypeOnSecureBootPage ("+");
  ASSERT_EQ (Shown (3, 5, 19), u"Attempt Secure Boot");
  EXPECT_EQ (Shown (kValueColumn, 5, 10), u"[Enabled] ");
  std::vector<UINT8>  Store = FocusedStore (&Offset);
  std::vector<UINT8>  Expected = UserModeStore ();
  ASSERT_GE (Store.size (), kStoreSize);
  ASSERT_EQ (Offset, 0);
  Expected[0] = 1;
  EXPECT_EQ (std::vector<UINT8> (Store.begin (), Store.begin () + kStoreSize), Expected);

  const auto  Callback = std::find_if (Driver->Calls ().begin (), Driver->Calls ().end (),
                          [] (const Emu::CONFIG_ACCESS_CALL &Call) {
                            return (Call.Op == Emu::ConfigAccessOp::Callback) && (Call.Action == EFI_BROWSER_ACTION_CHANGING);
                          });
  ASSERT_NE (Callback, Driver->Calls ().end ());
  const Emu::CONFIG_ACCESS_CALL  &Changing = *Callback;
  EXPECT_EQ (Changing.Action, EFI_BROWSER_ACTION_CHANGING);
  EXPECT_EQ (Changing.QuestionId, kAttemptSecureBoot);
  EXPECT_EQ (Changing.Type, EFI_IFR_TYPE_BOOLEAN);
  EXPECT_EQ (Changing.Value, (std::vector<UINT8> { 1 }));
}

// A driver that does not handle CHANGING (EFI_UNSUPPORTED) lets the change stand; any other
// error refuses it and the old value stays.
TEST_F (OvmfSecureBootEditTest, OnlyARefusalKeepsTheOldValue) {
  const struct {
    std::optional<EFI_STATUS>  Answer;
    bool                       Stands;
  } Cases[] = {
    { std::nullopt,      true },
    { EFI_ACCESS_DENIED, false },
  };

  for (const auto &Case : Cases) {
    UINT16  Offset = 0xFFFF;

    TypeOnSecureBootPage ("+", Case.Answer);
    std::vector<UINT8>  Store    = FocusedStore (&Offset);
    std::vector<UINT8>  Expected = UserModeStore ();
    Expected[0] = Case.Stands ? 1 : 0;
    ASSERT_GE (Store.size (), kStoreSize);
    EXPECT_EQ (std::vector<UINT8> (Store.begin (), Store.begin () + kStoreSize), Expected);
    EXPECT_EQ (Shown (kValueColumn, 5, 10), Case.Stands ? u"[Enabled] " : u"[Disabled]");
  }
}

// A one-of on "BootOrder" steps through the cached order: + takes the option one
// place before its position, - the one after, never past the end or onto the
// disabled marker.
class BootOrderStepTest : public DemoSetupEditTest {
protected:
  static constexpr UINTN   kBootOrder = 7;
  static constexpr UINT16  kMarker    = 0xFFFF;

  void SetUp () override
  {
    DemoSetupEditTest::SetUp ();
    Start ("");
    ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);    // the boot flow reads them before setup
    ASSERT_EQ (Order (), (std::vector<UINT16> { 0, 1, kMarker }));     // Boot0002 is inactive
    ASSERT_EQ (gBootOrderDisabledMarker, kMarker);
  }

  void TearDown () override
  {
    TuiDestroy (Choice, TRUE);
    FreeBootOptionTables ();
    gDynamicPageTable     = nullptr;         // the held forms are not the engine's to free
    gDynamicPageSlotCount = 0;
    DemoSetupEditTest::TearDown ();
  }

  // The question at Position of the boot order, offering the three boot options.
  void MakeChoice (UINT16 Position)
  {
    Builders::IfrBuilder  F;
    size_t                At = F.OneOf ({ 23, 0, 0x70, 1, (UINT16)(Position * 2), 0 }, EFI_IFR_NUMERIC_SIZE_2, 0, 0, 0);
    for (UINT16 Option = 0; Option < 3; Option++) {
      F.OneOfOption ((EFI_STRING_ID)(56 + Option), 0, EFI_IFR_TYPE_NUM_SIZE_16, Option);
    }

    F.End ();
    UINT8  *Held = Forms.Hold (F.Opcodes ());
    Record                = CONTROL_RECORD {};
    Record.HiiHandle      = ENGINE_OWN_HII_HANDLE;
    Record.VariableIndex  = kBootOrder;
    Record.ControlType    = CONTROL_TYPE_ONE_OF;
    Record.Flags          = CONTROL_FLAG_VALID;
    Record.QuestionOpcode = (UINT64)(UINTN)(Held + At - 4);
    TuiDestroy (Choice, TRUE);
    Choice = nullptr;
    ASSERT_EQ (TuiCreate (&gTuiChoiceOps, (VOID **)&Choice), EFI_SUCCESS);
    ASSERT_EQ (gTuiChoiceOps.Initialize (Choice, &Record, nullptr), EFI_SUCCESS);
    gTuiChoiceOps.SetCallback (Choice, nullptr, OnValueChanged, &gTuiValueNotify);
    ASSERT_EQ (gTuiChoiceOps.SetFocus (Choice, TRUE), EFI_SUCCESS);
  }

  EFI_STATUS Press (const std::string &Key)
  {
    TUI_INPUT  Event {};
    Event.Kind = TUI_EVENT_KEY;
    Event.Key  = Emu::ParseKeyScript (Key).at (0).Record;
    return gTuiChoiceOps.HandleAction (Choice, &Event);
  }

  static std::vector<UINT16> Order ()
  {
    UINTN                Size = 0;
    UINT16               *Data = (UINT16 *)GetCachedVariable (kBootOrder, &Size);
    std::vector<UINT16>  Entries (Data, Data + Size / sizeof (UINT16));
    FreePool (Data);
    return Entries;
  }

  HeldForms       Forms;
  CONTROL_RECORD  Record {};
  VOID            *Choice = nullptr;
};

TEST_F (BootOrderStepTest, PlusTakesTheOptionBeforeAndMinusTheOneAfter) {
  MakeChoice (1);
  EXPECT_EQ (Press ("+"), EFI_SUCCESS);
  EXPECT_EQ (Order (), (std::vector<UINT16> { 1, 0, kMarker }));
  MakeChoice (0);
  EXPECT_EQ (Press ("+"), EFI_SUCCESS);                 // the first stays first
  EXPECT_EQ (Order (), (std::vector<UINT16> { 1, 0, kMarker }));
  EXPECT_EQ (Press ("-"), EFI_SUCCESS);
  EXPECT_EQ (Order (), (std::vector<UINT16> { 0, 1, kMarker }));
}

TEST_F (BootOrderStepTest, TheMarkerTheLastPlaceAndPlacesPastTheEndStay) {
  MakeChoice (1);
  EXPECT_EQ (Press ("-"), EFI_SUCCESS);                 // the next is the disabled marker
  MakeChoice (2);
  EXPECT_EQ (Press ("+"), EFI_SUCCESS);                 // the marker keeps its place
  EXPECT_EQ (Order (), (std::vector<UINT16> { 0, 1, kMarker }));

  gBootOrderDisabledMarker = 0x7777;                     // the last place holds an option now
  EXPECT_EQ (Press ("-"), EFI_SUCCESS);
  MakeChoice (5);
  EXPECT_EQ (Press ("+"), EFI_SUCCESS);
  EXPECT_EQ (Press ("-"), EFI_SUCCESS);
  EXPECT_EQ (Order (), (std::vector<UINT16> { 0, 1, kMarker }));
}

}  // namespace

namespace {

// A driver's form set with one checkbox in a block store of the driver's.
class DriverStoreEditTest : public DemoSetupEditTest {
protected:
  static constexpr EFI_GUID  kSet = { 0x5D0C1A10, 0x0028, 0x4A00, { 0x90, 0, 0, 0, 0, 0, 0, 0x28 } };

  // Types Keys on the driver's page (the tab right of the board's); Answers gives the driver its store.
  void TypeOnDriverPage (const std::string &Keys, bool Answers)
  {
    Type ("Right," + Keys, DriverForms (Answers));
  }

  // Publishes the driver's form set once the board runs; Answers gives the driver its
  // store, which Pads stores of the driver's own precede.
  std::function<void (Demo::STARTED_DRIVER &)> DriverForms (bool Answers, UINT16 Pads = 0)
  {
    return [this, Answers, Pads] (Demo::STARTED_DRIVER &Started) {
      Builders::IfrBuilder  F;
      F.FormSet (kSet, 1, 0, { EFI_GUID EFI_HII_PLATFORM_SETUP_FORMSET_GUID });
      for (UINT16 Pad = 0; Pad < Pads; Pad++) {
        F.VarStore (kSet, (UINT16)(2 + Pad), 1, ("Pad" + std::to_string (Pad)).c_str ());
      }

      F.VarStore (kSet, 1, 4, "DriverStore");
      F.Form (1, 1);
      F.Checkbox ({ 2, 3, 0x10, 1, 0, 0 }, 0);
      F.End ();
      F.End ();
      F.End ();
      Builders::PackageListBuilder  List (kSet);
      List.Add (F.Package ()).Add (Builders::BuildStringPackage ("en-US", 1, { { 1, u"Driver" }, { 2, u"Option" }, { 3, u"Help" } }));
      Driver = &M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (kSet)));
      if (Answers) {
        Driver->SetStore (kSet, u"DriverStore", { 0, 0, 0, 0 });
      }

      ASSERT_NE (Driver->Publish (*Started.Hii, List.Build ()), nullptr);
    };
  }

  bool ScreenHas (const std::u16string &Text)
  {
    for (UINTN Row = 0; Row < 31; Row++) {
      if (Devices.TextOut->RowText (Row).find (Text) != std::u16string::npos) {
        return true;
      }
    }

    return false;
  }

  Emu::FakeDriver  *Driver = nullptr;
};

// A driver that holds its store takes the change into setup's copy; so does one that
// answers every request with EFI_NOT_FOUND (as OVMF's platform driver does under QEMU):
// setup starts from zeros, and only the submit tells whether the driver keeps it.
TEST_F (DriverStoreEditTest, AQuestionWhoseDriverAnswersNoConfigurationStillTakesTheChange) {
  TypeOnDriverPage ("+", true);
  EXPECT_TRUE (ScreenHas (u"[Enabled]"));
  EXPECT_FALSE (ScreenHas (u"takes no"));

  TypeOnDriverPage ("+", false);
  EXPECT_TRUE (ScreenHas (u"[Enabled]"));
  EXPECT_FALSE (ScreenHas (u"The driver that owns this setting"));
  TypeOnDriverPage ("+,+", false);
  EXPECT_TRUE (ScreenHas (u"[Disabled]"));
  EXPECT_FALSE (ScreenHas (u"takes no"));
}

// The board's variable list is short, so the driver's store lands at an index the engine
// keeps for a variable of its own only where its compiled list has one: the store stays
// the driver's. A save without a change touches nothing and leaves without a reset; a
// change reaches the driver, and no UEFI variable of the store's name is ever made.
TEST_F (DriverStoreEditTest, AStoreAfterAShortListStaysTheDriversAndNeverBecomesAUefiVariable) {
  auto  StoreIndex = [] () {
    UINTN  Index = 0;
    while ((Index < GetVariableCount ()) && (std::u16string ((const char16_t *)GetVariableRecord (Index)->Name) != u"DriverStore")) {
      Index++;
    }

    return Index;
  };

  // Where the store lands alone, then stores of the driver's own before it, so that it
  // lands on 47, in the engine's second range of fixed indexes.
  Start ("", DriverForms (true));
  ASSERT_EQ (BuildDynamicPages (), EFI_SUCCESS);
  const UINTN  Alone = StoreIndex ();
  ASSERT_LE (Alone, 47u);
  const UINT16  Pads = (UINT16)(47 - Alone);

  Start ("Right,F4,Enter", DriverForms (true, Pads));
  EXPECT_EQ (EnterGraphicalSetup (), EFI_SUCCESS);
  UINTN  Index = StoreIndex ();
  ASSERT_LT (Index, GetVariableCount ());
  EXPECT_EQ (Index, 47u);
  EXPECT_GT (Index, GetCompiledVariableCount ());
  EXPECT_EQ (M.Variables ().Lookup (u"DriverStore", kSet), nullptr);
  EXPECT_EQ (*Driver->Store (kSet, u"DriverStore"), (std::vector<UINT8> { 0, 0, 0, 0 }));

  Start ("Right,+,F4,Enter", DriverForms (true, Pads));
  EXPECT_THROW ((VOID)EnterGraphicalSetup (), Emu::ResetSystemCalled);
  EXPECT_EQ (*Driver->Store (kSet, u"DriverStore"), (std::vector<UINT8> { 1, 0, 0, 0 }));
  EXPECT_EQ (M.Variables ().Lookup (u"DriverStore", kSet), nullptr);
}

}  // namespace
