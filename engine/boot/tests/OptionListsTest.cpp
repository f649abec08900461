// Option lists of setup questions on the emulator: boot and driver options, the
// devices of a legacy group and the languages written into a copy of the question's
// IFR, the language list from the platform's variables, and device names.
#include <engine/testing/QuestionTestSupport.h>
#include <engine/testing/BootOptionTestSupport.h>

#include <engine/core/EngineStrings.h>
#include <engine/startup/SetupEngine.h>
#include <engine/boot/OptionLists.h>
#include <Library/DevicePathLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Resources/EngineStringPackage.h>

#include <ostream>
#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

// One generated ONE_OF_OPTION as read back from the copy.
struct OPTION {
  std::u16string  Text;
  UINT8           Flags;
  UINT16          Value;
  bool operator== (const OPTION &) const = default;
};

std::ostream &
operator<< (std::ostream &Out, const OPTION &O)
{
  return Out << "{" << std::string (O.Text.begin (), O.Text.end ()) << ", " << (int)O.Flags << ", " << O.Value << "}";
}

class OptionListsTest : public QuestionTest {
protected:
  void SetUp () override
  {
    QuestionTest::SetUp ();
    ASSERT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (CONST EFI_HII_PACKAGE_LIST_HEADER *)gSetupEngineStringPackageList,
                 nullptr, &gHiiHandle), EFI_SUCCESS);
    // The form's own package list, with strings of its own under another GUID.
    FormPackages.assign (gSetupEngineStringPackageList, gSetupEngineStringPackageList + gSetupEngineStringPackageListSize);
    FormPackages[0] ^= 0xFF;
    ASSERT_EQ (gHiiDatabase->NewPackageList (gHiiDatabase, (CONST EFI_HII_PACKAGE_LIST_HEADER *)FormPackages.data (),
                 nullptr, &FormHandle), EFI_SUCCESS);
    M.Variables ().Put (u"PlatformLangCodes", gEfiGlobalVariableGuid, kNvBsRt, Ascii ("en-US;fr-FR"));
    ASSERT_EQ (BuildLanguageList (), EFI_SUCCESS);
  }

  void TearDown () override
  {
    ForgetRewrittenQuestions ();
    FreeLanguageList ();
    FreeBootOptionTables ();
    QuestionTest::TearDown ();
  }

  static BYTES Ascii (const std::string &Text) { return BYTES (Text.begin (), Text.end ()); }

  void PutBoot (UINT16 Number, const BYTES &Option, const char16_t *Prefix = u"Boot")
  {
    const char16_t  *Hex = u"0123456789ABCDEF";
    std::u16string  Name = Prefix;
    for (int Shift = 12; Shift >= 0; Shift -= 4) {
      Name.push_back (Hex[(Number >> Shift) & 0xF]);
    }
    M.Variables ().Put (Name, gEfiGlobalVariableGuid, kNvBsRt, Option);
  }

  // A ONE_OF question at storage offset Offset with one u16 option, in a package the engine holds.
  CONTROL_RECORD OneOfQuestion (UINT16 Offset = 4)
  {
    Builders::IfrBuilder  Forms;
    size_t                OneOf = Forms.OneOf ({ .Prompt = 0x05, .Help = 0x06, .QuestionId = 1, .VarStoreId = 1, .VarOffset = Offset },
                                    EFI_IFR_NUMERIC_SIZE_2, 0, 0, 0);
    Forms.OneOfOption (0x05, 0x10, EFI_IFR_TYPE_NUM_SIZE_16, 0x1234);
    Forms.End ();
    UsePackage (Forms);
    CONTROL_RECORD  C = Control (OneOf, CONTROL_TYPE_ONE_OF);
    C.HiiHandle = FormHandle;
    return C;
  }

  // The options after the question opcode of the copy, up to its END.
  std::vector<OPTION> Options (const CONTROL_RECORD &C)
  {
    std::vector<OPTION>  Found;
    const UINT8          *At = (const UINT8 *)(UINTN)C.QuestionOpcode;
    At += At[1] & 0x7F;
    for (; At[0] == EFI_IFR_ONE_OF_OPTION_OP; At += At[1] & 0x7F) {
      EXPECT_EQ (At[5], EFI_IFR_TYPE_NUM_SIZE_16);
      Found.push_back ({ Text (C.HiiHandle, (UINT16)(At[2] | (At[3] << 8))), At[4], (UINT16)(At[6] | (At[7] << 8)) });
    }
    EXPECT_EQ (At[0], EFI_IFR_END_OP);
    EXPECT_EQ (At[1], 2);
    return Found;
  }

  static std::u16string Text (EFI_HII_HANDLE Handle, UINT16 Id, const CHAR16 *Language = nullptr)
  {
    CHAR16          *String = HiiGetString (Handle, Id, Language);
    std::u16string  Result  = (String == nullptr) ? u"<none>" : String;
    FreePool (String);
    return Result;
  }

  size_t TableIndex (UINT16 Number) { return FindBootOption (Number) - gBootOptionTable; }

  EFI_HII_HANDLE  FormHandle = nullptr;
  BYTES           FormPackages;
};

TEST_F (OptionListsTest, BootOptionsAreListedInTableOrderThenDisabled) {
  PutBoot (1, LoadOption (kActive, u"One", FilePath ()));
  PutBoot (2, LoadOption (kHidden, u"Hidden", FilePath ()));
  PutBoot (3, LoadOption (0, u"Three off", FilePath ()));
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  CONTROL_RECORD  C        = OneOfQuestion ();
  UINT64          Compiled = C.QuestionOpcode;

  ASSERT_EQ (BuildBootOptionList (&C, (UINT16)TableIndex (3)), EFI_SUCCESS);
  EXPECT_NE (C.QuestionOpcode, Compiled);
  EXPECT_EQ (Options (C), (std::vector<OPTION> { { u"One", 0x01, 1 }, { u"Three off", 0x11, 3 },
                                                  { u"Disabled", 0x01, gBootOrderDisabledMarker } }));

  // A hidden option is never listed, even as the current one.
  ASSERT_EQ (BuildBootOptionList (&C, (UINT16)TableIndex (2)), EFI_SUCCESS);
  for (const OPTION &O : Options (C)) {
    EXPECT_EQ (O.Flags, 0x01);
    EXPECT_NE (O.Value, 2);
  }
}

TEST_F (OptionListsTest, ADescriptionThatChangedIsStoredAgainUnderItsId) {
  PutBoot (1, LoadOption (kActive, u"Disk", FilePath ()));
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  CONTROL_RECORD  C = OneOfQuestion ();
  // The string id of the first option of a freshly built list.
  auto  FirstId = [&] {
    EXPECT_EQ (BuildBootOptionList (&C, 0), EFI_SUCCESS);
    const UINT8  *First = (const UINT8 *)(UINTN)C.QuestionOpcode + ((const UINT8 *)(UINTN)C.QuestionOpcode)[1] % 0x80;
    return (UINT16)(First[2] | (First[3] << 8));
  };
  UINT16  Id = FirstId ();

  EXPECT_EQ (FirstId (), Id);
  FreePool (gBootOptionTable[0].Description);
  gBootOptionTable[0].Description = (CHAR16 *)AllocateCopyPool (sizeof (u"Renamed"), u"Renamed");
  EXPECT_EQ (FirstId (), Id);
  EXPECT_EQ (Text (FormHandle, Id, u"en-US"), u"Renamed");
  EXPECT_EQ (Text (FormHandle, Id, u"fr-FR"), u"Renamed");
}

TEST_F (OptionListsTest, WithoutVisibleOptionsOnlyDisabledIsListed) {
  PutBoot (4, LoadOption (kHidden, u"Front page", FilePath ()));
  PutBoot (5, LoadOption (kActive, u"Driver", FilePath ()), u"Driver");
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  CONTROL_RECORD  C = OneOfQuestion ();

  ASSERT_EQ (BuildBootOptionList (&C, 0), EFI_SUCCESS);
  EXPECT_EQ (Options (C), (std::vector<OPTION> { { u"Disabled", 0x01, gBootOrderDisabledMarker } }));
  ASSERT_EQ (BuildDriverOptionList (&C, 0), EFI_SUCCESS);
  EXPECT_EQ (Options (C), (std::vector<OPTION> { { u"Driver", 0x11, 5 }, { u"Disabled", 0x01, gDriverOrderDisabledMarker } }));
}

TEST_F (OptionListsTest, AFailedCopyKeepsTheOldOptions) {
  PutBoot (1, LoadOption (kActive, u"Disk", FilePath ()));
  ASSERT_EQ (BuildBootOptionTables (), EFI_SUCCESS);
  CONTROL_RECORD  C = OneOfQuestion ();
  ASSERT_EQ (BuildBootOptionList (&C, 0), EFI_SUCCESS);
  UINT64  Before = C.QuestionOpcode;

  bool  Refused = false;
  for (UINTN Failing = 1; Failing < 40; Failing++) {
    M.Memory ().FailAllocation (Failing);
    EFI_STATUS  Status = BuildBootOptionList (&C, 0);
    M.Memory ().FailAllocation (0);
    if (Status == EFI_OUT_OF_RESOURCES) {
      Refused = true;
      EXPECT_EQ (C.QuestionOpcode, Before);
      EXPECT_EQ (Options (C).size (), 2u);
    }
    Before = C.QuestionOpcode;
  }
  EXPECT_TRUE (Refused);
}

TEST_F (OptionListsTest, LanguagesAreListedByIndexAndTheQuestionMovesToTheEnginesStrings) {
  CONTROL_RECORD  C = OneOfQuestion ();
  C.HiiHandle = FormHandle;

  for (int Pass = 0; Pass < 2; Pass++) {
    ASSERT_EQ (BuildLanguageOptions (&C), EFI_SUCCESS);
    EXPECT_EQ (C.HiiHandle, gHiiHandle);
    EXPECT_EQ (Options (C), (std::vector<OPTION> { { u"English", 0x01, 0 }, { u"Français", 0x01, 1 } }));
    const UINT8  *Question = (const UINT8 *)(UINTN)C.QuestionOpcode;
    EXPECT_EQ (Text (gHiiHandle, (UINT16)(Question[2] | (Question[3] << 8)), u"en-US"), u"Enabled");     // the prompt
    EXPECT_EQ (Text (gHiiHandle, (UINT16)(Question[4] | (Question[5] << 8)), u"en-US"), u"Disabled");    // the help
  }
}

TEST_F (OptionListsTest, TheLanguageListSkipsEmptyCodesAndFallsBackToPlatformLangThenEnglish) {
  M.Variables ().Put (u"PlatformLangCodes", gEfiGlobalVariableGuid, kNvBsRt, Ascii (";en-US;;de-DE;\0fr-FR"s));
  ASSERT_EQ (BuildLanguageList (), EFI_SUCCESS);
  ASSERT_EQ (gLanguageCount, 2u);
  EXPECT_STREQ (gLanguageList[0].Code, "en-US");
  EXPECT_STREQ (gLanguageList[1].Code, "de-DE");
  EXPECT_EQ (std::u16string (gLanguageList[1].UnicodeCode), u"de-DE");
  EXPECT_EQ (std::u16string (gLanguageList[1].Name), u"Deutsch");
  EXPECT_EQ (Text (gHiiHandle, gLanguageList[1].NameStringId, u"en-US"), u"Deutsch");

  ASSERT_EQ (gRT->SetVariable ((CHAR16 *)u"PlatformLangCodes", &gEfiGlobalVariableGuid, 0, 0, nullptr), EFI_SUCCESS);
  M.Variables ().Put (u"PlatformLang", gEfiGlobalVariableGuid, kNvBsRt, Ascii ("fr-FR"));
  ASSERT_EQ (BuildLanguageList (), EFI_SUCCESS);
  ASSERT_EQ (gLanguageCount, 1u);
  EXPECT_EQ (std::u16string (gLanguageList[0].Name), u"Français");

  ASSERT_EQ (gRT->SetVariable ((CHAR16 *)u"PlatformLang", &gEfiGlobalVariableGuid, 0, 0, nullptr), EFI_SUCCESS);
  M.Variables ().Put (u"PlatformLangCodes", gEfiGlobalVariableGuid, kNvBsRt, Ascii (";;"));
  ASSERT_EQ (BuildLanguageList (), EFI_SUCCESS);
  ASSERT_EQ (gLanguageCount, 1u);
  EXPECT_STREQ (gLanguageList[0].Code, "en-US");
}

// Any OS can write these variables: what they hold never decides how many languages, and so
// how many strings, the firmware builds at power-on.
TEST_F (OptionListsTest, TheLanguageListIsBoundedWhateverTheVariablesHold) {
  std::string  Many;
  for (int Index = 0; Index < 2000; Index++) {
    Many += "x" + std::to_string (Index) + ";";
  }

  // "PlatformLang" names one language; a list in it is none, and English stands in.
  ASSERT_EQ (gRT->SetVariable ((CHAR16 *)u"PlatformLangCodes", &gEfiGlobalVariableGuid, 0, 0, nullptr), EFI_SUCCESS);
  M.Variables ().Put (u"PlatformLang", gEfiGlobalVariableGuid, kNvBsRt, Ascii (Many));
  ASSERT_EQ (BuildLanguageList (), EFI_SUCCESS);
  ASSERT_EQ (gLanguageCount, 1u);
  EXPECT_STREQ (gLanguageList[0].Code, "en-US");
  M.Variables ().Put (u"PlatformLang", gEfiGlobalVariableGuid, kNvBsRt, Ascii (std::string (36, 'a')));
  ASSERT_EQ (BuildLanguageList (), EFI_SUCCESS);
  EXPECT_STREQ (gLanguageList[0].Code, "en-US");

  // A list of codes gives 32 at most, in order; a "code" longer than any language tag is none.
  M.Variables ().Put (u"PlatformLangCodes", gEfiGlobalVariableGuid, kNvBsRt, Ascii (std::string (36, 'a') + ";" + Many));
  ASSERT_EQ (BuildLanguageList (), EFI_SUCCESS);
  ASSERT_EQ (gLanguageCount, 32u);
  EXPECT_STREQ (gLanguageList[0].Code, "x0");
  EXPECT_STREQ (gLanguageList[31].Code, "x31");
  // One name string each, and no more.
  UINT16  Last = gLanguageList[31].NameStringId;
  EXPECT_EQ (Last - gLanguageList[0].NameStringId, 31);
  EXPECT_EQ (Text (gHiiHandle, Last, u"de-DE"), u"English");
  EXPECT_EQ (Text (gHiiHandle, (UINT16)(Last + 1), u"en-US"), u"<none>");

  std::string  Longest = "zh-Hant-CN-x-" + std::string (22, 'p');
  M.Variables ().Put (u"PlatformLangCodes", gEfiGlobalVariableGuid, kNvBsRt, Ascii (Longest));
  ASSERT_EQ (BuildLanguageList (), EFI_SUCCESS);
  ASSERT_EQ (gLanguageCount, 1u);
  EXPECT_EQ (std::string (gLanguageList[0].Code), Longest);
}

// Device names from the last messaging node of each path.
TEST_F (OptionListsTest, EachMessagingNodeHasItsDeviceName) {
  auto  Name = [] (BYTES Path) {
    Path.insert (Path.end (), kEnd.begin (), kEnd.end ());
    CHAR16          *Text   = GetDeviceNameOfPath ((const EFI_DEVICE_PATH_PROTOCOL *)Path.data ());
    std::u16string  Result  = (Text == nullptr) ? u"<none>" : Text;
    FreePool (Text);
    return Result;
  };
  const BYTES  Pci = { 0x01, 0x01, 6, 0, 0, 0x1F };

  EXPECT_EQ (Name ({ 0x03, 0x01, 8, 0, 1, 0, 0, 0 }), u"Secondary Master");
  EXPECT_EQ (Name ({ 0x03, 0x01, 8, 0, 0, 1, 0, 0 }), u"Primary Slave");
  EXPECT_EQ (Name ({ 0x03, 0x02, 8, 0, 1, 0, 0, 0 }), u"SCSI 1 LUN 0");
  EXPECT_EQ (Name ({ 0x03, 0x04, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }), u"1394 Device");
  EXPECT_EQ (Name ({ 0x03, 0x05, 6, 0, 3, 0 }), u"USB 3");
  EXPECT_EQ (Name ({ 0x03, 0x06, 8, 0, 0xAB, 0, 0, 0 }), u"I20 (Tid: ab)");
  EXPECT_EQ (Name ({ 0x03, 0x0A, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0 }), u"Vendor Specific Device");
  BYTES  Ipv4 (27, 0);
  Ipv4[0] = 0x03; Ipv4[1] = 0x0C; Ipv4[2] = 27; Ipv4[12] = 80;
  EXPECT_EQ (Name (Ipv4), u"Network IPv4 Device 80");
  BYTES  Uart (19, 0);
  Uart[0] = 0x03; Uart[1] = 0x0E; Uart[2] = 19; Uart[8] = 0x00; Uart[9] = 0xC2; Uart[10] = 0x01;    // 115200
  EXPECT_EQ (Name (Uart), u"UART Device (Baud Rate: 115200)");
  EXPECT_EQ (Name ({ 0x03, 0x0F, 11, 0, 0, 0, 0, 0, 8, 6, 0x50 }), u"USB 8h - Mass Storage Device");
  EXPECT_EQ (Name ({ 0x03, 0x0F, 11, 0, 0, 0, 0, 0, 3, 0, 0 }), u"USB 3h - Class Device");
  EXPECT_EQ (Name ({ 0x03, 0x12, 10, 0, 2, 0, 0xFF, 0xFF, 0, 0 }), u"USB SATA Device 2");
  EXPECT_EQ (Name ({ 0x03, 0x11, 5, 0, 7 }), u"USB Logical Device 7");

  // The last messaging node names the device; nodes too short for their fields name nothing.
  BYTES  Nested = Pci;
  Nested.insert (Nested.end (), { 0x03, 0x05, 6, 0, 1, 0, 0x03, 0x05, 6, 0, 4, 0 });
  EXPECT_EQ (Name (Nested), u"USB 4");
  EXPECT_EQ (Name ({ 0x03, 0x02, 4, 0 }), u"<none>");
  EXPECT_EQ (Name (Pci), u"<none>");

  // A MAC address is named in hex: six bytes for Ethernet, every byte for another type.
  BYTES  Mac (37, 0);
  Mac[0] = 0x03; Mac[1] = 0x0B; Mac[2] = 37;
  const UINT8  Address[6] = { 0x52, 0x54, 0x00, 0x12, 0x34, 0x56 };
  std::copy (Address, Address + 6, Mac.begin () + 4);
  Mac[36] = 1;
  EXPECT_EQ (Name (Mac), u"Mac: 525400123456");
  Mac[36] = 0x20;
  EXPECT_EQ (Name (Mac), u"Mac: 525400123456" + std::u16string (64 - 12, u'0'));
}

}  // namespace
