// IFR expressions and condition nests as drivers publish them: the input is the
// body of a forms package, a whole real one as well as a hand-made nest. The package
// is held as the engine's copy of a live one whose package list carries strings
// (words, numbers, spaces, an empty one), the question opcodes become controls of a
// page (variable 0, 32 bytes, in the cache) beside its rules and page checks, and
// every expression opener, condition and READ/WRITE in it is evaluated, each also as
// an option's condition; then the page's checks run (their messages go to a stand-in
// boot screen; the package list's driver has a device path whose text, from a
// stand-in converter, is one of the strings), the questions are read by id and each value is compared with the one
// before. Nothing may read outside the package or leak.
#include <engine/core/EngineGlobals.h>
#include <engine/forms/IfrExpression.h>
#include <engine/forms/IfrOpcode.h>
#include <engine/forms/QuestionConditions.h>
#include <engine/core/BootScreenInterface.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/forms/FormTables.h>
#include <engine/core/SetupData.h>
#include <engine/variables/VariableCache.h>
#include <engine/core/VariableGuids.h>
#include <Protocol/DevicePath.h>
#include <Protocol/DevicePathToText.h>
#include <Library/BaseLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PlatformLib.h>

#include <Builders/HiiPackageBuilder.h>
#include <Builders/SetupDataBuilder.h>
#include <Emulator/Machine.h>
#include <EmulatorHii/HiiServices.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

const EFI_GUID  kBoardGuid   = BOARD_SETUP_VARIABLE_GUID;
const EFI_GUID  kListGuid    = { 0x5E7A11D0, 0x2B1C, 0x4F00, { 0x9A, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02 } };
EFI_GUID        kScreenGuid  = BOOT_SCREEN_INTERFACE_GUID;
const size_t    kControls    = 256;
const size_t    kOpcodeLimit = 8192;

// Texts the string operators can tell apart: cases, digits, spaces, repeats, nothing.
const char16_t  *kTexts[] = {
  u"Boot Order", u"boot order", u"12345", u"0x1F", u"", u" a  b ", u"AbcAbcAbc", u"-7", u"Disabled", u"Enabled",
};

// A page check's message box: every character of both texts is read, and OK is the answer.
EFI_STATUS EFIAPI
AnswerMessageBox (CHAR16 *Title, CHAR16 *Message, UINT8 BoxType, UINT8 *Selection)
{
  volatile UINTN  Read = StrLen (Title) + StrLen (Message);

  (void)Read;
  (void)BoxType;
  *Selection = 0;
  return EFI_SUCCESS;
}

// Every device path reads as one of the strings, so a QUESTION_REF3 can name the driver by it.
CHAR16 *EFIAPI
PathText (CONST EFI_DEVICE_PATH_PROTOCOL *Path, BOOLEAN DisplayOnly, BOOLEAN AllowShortcuts)
{
  (void)Path;
  (void)DisplayOnly;
  (void)AllowShortcuts;
  return (CHAR16 *)AllocateCopyPool (sizeof (u"12345"), u"12345");
}

// One control of the page: a question, a rule (its id) or a page check, at an opcode.
struct FUZZ_CONTROL {
  UINT16  Type;
  size_t  Offset;
  UINT16  RuleId;
};

struct FUZZ_MACHINE {
  Emu::Machine    M;
  EFI_HII_HANDLE  Strings = nullptr;
  EFI_HANDLE      ScreenHandle = nullptr;
  BOOT_SCREEN_INTERFACE  Screen {};
  EFI_HANDLE      Driver = nullptr;
  UINT8           DriverPath[4] = { 0x7F, 0xFF, 4, 0 };
  EFI_DEVICE_PATH_TO_TEXT_PROTOCOL  ToText {};

  // Strings 1 to 128 cycle through the texts, so real forms' prompts and helps exist.
  FUZZ_MACHINE ()
  {
    std::map<EFI_STRING_ID, std::u16string>  Texts;

    M.Add (std::make_unique<Emu::HiiServices> (M));
    (void)PlatformLibConstructor (nullptr, M.SystemTable ());
    gST = M.SystemTable ();
    gBS = gST->BootServices;
    gRT = gST->RuntimeServices;
    (void)gBS->LocateProtocol (&gEfiHiiDatabaseProtocolGuid, nullptr, (VOID **)&gHiiDatabase);
    (void)gBS->LocateProtocol (&gEfiHiiStringProtocolGuid, nullptr, (VOID **)&gHiiString);
    M.Variables ().Put (u"Setup", kBoardGuid, 7, std::vector<UINT8> (32, 0x11));
    Screen.ShowBootScreenMessageBox = AnswerMessageBox;
    (void)gBS->InstallProtocolInterface (&ScreenHandle, &kScreenGuid, EFI_NATIVE_INTERFACE, &Screen);
    ToText.ConvertDevicePathToText = PathText;
    (void)gBS->InstallProtocolInterface (&ScreenHandle, &gEfiDevicePathToTextProtocolGuid, EFI_NATIVE_INTERFACE, &ToText);
    (void)gBS->InstallProtocolInterface (&Driver, &gEfiDevicePathProtocolGuid, EFI_NATIVE_INTERFACE, DriverPath);
    for (EFI_STRING_ID Id = 1; Id <= 128; Id++) {
      Texts[Id] = kTexts[Id % (sizeof (kTexts) / sizeof (kTexts[0]))];
    }

    Builders::BYTES  List = Builders::PackageListBuilder (kListGuid)
                              .Add (Builders::BuildStringPackage ("en-US", 1, Texts))
                              .Build ();
    (void)gHiiDatabase->NewPackageList (gHiiDatabase, (EFI_HII_PACKAGE_LIST_HEADER *)List.data (), Driver, &Strings);
  }

  ~FUZZ_MACHINE ()
  {
    FreeVariableCaches ();
    FreeSetupData ();
    ResetExpressionEvaluator ();
    gDynamicPageTable     = nullptr;
    gDynamicPageSlotCount = 0;
    gHiiString            = nullptr;
    gHiiDatabase          = nullptr;
    gST                   = nullptr;
    gBS                   = nullptr;
    gRT                   = nullptr;
  }
};

// Page 0 with a control for each question, rule and page check, bound to its opcode; a
// check belongs to the question before it.
void
LoadBoard (const std::vector<FUZZ_CONTROL> &Controls, UINT8 *Package, EFI_HII_HANDLE Handle)
{
  Builders::SETUP_DATA_DESC  D;
  CONTROL_RECORD             *Control;
  PAGE_RECORD                *Page;

  D.Variables = { { .VendorGuid = kBoardGuid, .Name = u"Setup", .VariableId = 1, .StoreFlags = VARIABLE_STORE_EFI, .Size = 32 } };
  D.Pages     = { { .FormId = 1 } };
  D.FormSets  = { {} };
  for (const FUZZ_CONTROL &Wanted : Controls) {
    D.Pages[0].Controls.push_back ({ .ControlType = Wanted.Type, .QuestionOpcode = 1 });
  }

  Builders::BYTES  Block = Builders::BuildSetupDataBlock (D);
  gSetupData     = (UINT8 *)AllocateCopyPool (Block.size (), Block.data ());
  gSetupDataSize = Block.size ();
  if ((gSetupData == nullptr) || EFI_ERROR (ParseSetupDataHeader ())) {
    return;
  }

  gControlData = gCompiledControlData;
  if (!EFI_ERROR (GetPageData (0, &Page))) {
    Page->HiiHandle = Handle;
  }

  UINT8  *Question = nullptr;
  for (size_t Index = 0; (Index < Controls.size ()) && !EFI_ERROR (GetPageControl (0, Index, &Control)); Index++) {
    UINT8  *Opcode = Package + Controls[Index].Offset;

    Control->HiiHandle = Handle;
    if (Controls[Index].Type == CONTROL_TYPE_NUMERIC) {
      Question                = Opcode;
      Control->QuestionOpcode = (UINT64)(UINTN)Opcode;
      continue;
    }

    Control->ConditionOpcode = (UINT64)(UINTN)Opcode;
    Control->QuestionOpcode  = (UINT64)(UINTN)Question;
    Control->QuestionId      = Controls[Index].RuleId;
  }

  (void)LoadVariableCache (&gVariableCache, nullptr);
}

void
Evaluate (UINT8 *Package, const UINT8 *End, const std::vector<size_t> &Opcodes, const std::vector<size_t> &Questions, EFI_HII_HANDLE Handle)
{
  CONTROL_RECORD  Control {};
  IFR_VALUE_CELL  Cell;
  UINTN           Length;
  UINT8           Default[EXPRESSION_DEFAULT_MAX];
  IFR_VALUE_CELL  Last {};
  bool            HaveLast = false;
  INTN            Order;

  for (size_t Offset : Opcodes) {
    UINT8  *Opcode = Package + Offset;

    std::memset (&Control, 0, sizeof (Control));
    Control.ConditionOpcode = (UINT64)(UINTN)Opcode;
    Control.HiiHandle       = Handle;
    Control.Flags           = CONTROL_FLAG_VALID | CONTROL_FLAG_FORM_MAP_ACCESS | CONTROL_FLAG_DEFAULT_EXPRESSION;
    Control.ControlType     = (Offset & 1) ? CONTROL_TYPE_INCONSISTENT_IF : CONTROL_TYPE_NUMERIC;
    for (size_t Question : Questions) {
      if (Question > Offset) {
        Control.QuestionOpcode = (UINT64)(UINTN)(Package + Question);
        break;
      }
    }

    if (EvaluateOperator (&Control, &Cell, &Length) == EFI_SUCCESS) {
      if (Opcode + Length > End) {
        __builtin_trap ();  // the expression was read past the package
      }

      if (HaveLast) {
        (void)CompareHiiValues (&Last, &Cell, Handle, &Order);
      }

      Last     = Cell;
      HaveLast = true;
    }

    (void)EvaluateOptionCondition (&Control, Opcode, IfrNext (Opcode, End));

    (void)EvaluateControlCondition (&Control);
    (void)IsConditionOpcode (Opcode);
    (void)GetDefaultFromExpression (&Control, Default);
    if ((Opcode[0] == EFI_IFR_READ_OP) || (Opcode[0] == EFI_IFR_WRITE_OP)) {
      (void)EvaluateExpression (IfrNext (Opcode, End), &Control, &Cell);
    }
  }
}

}  // namespace

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  if (Size + sizeof (EFI_HII_PACKAGE_HEADER) > 0xFFFFFF) {
    return 0;
  }

  FUZZ_MACHINE         Machine;
  size_t               Total   = Size + sizeof (EFI_HII_PACKAGE_HEADER);
  std::vector<size_t>  Opcodes;
  std::vector<size_t>  Questions;
  std::vector<FUZZ_CONTROL>  Controls;
  DYNAMIC_PAGE_RECORD  Slot {};

  // Exactly the package's bytes, so a read past its end is caught.
  std::unique_ptr<UINT8[]>  Package (new UINT8[Total]);
  Package[0] = (UINT8)Total;
  Package[1] = (UINT8)(Total >> 8);
  Package[2] = (UINT8)(Total >> 16);
  Package[3] = EFI_HII_PACKAGE_FORMS;
  if (Size != 0) {
    std::memcpy (Package.get () + 4, Data, Size);
  }

  const UINT8  *End = Package.get () + Total;
  for (const UINT8 *Op = Package.get () + 4; IfrFits (Op, End) && (Opcodes.size () < kOpcodeLimit); Op = IfrNext (Op, End)) {
    Opcodes.push_back ((size_t)(Op - Package.get ()));
    size_t  Offset = (size_t)(Op - Package.get ());
    if (Controls.size () < kControls) {
      if (IsQuestionOpcode (Op[0])) {
        Questions.push_back (Offset);
        Controls.push_back ({ CONTROL_TYPE_NUMERIC, Offset, 0 });
      } else if ((Op[0] == EFI_IFR_RULE_OP) && (IfrLength (Op) > 2)) {
        Controls.push_back ({ CONTROL_TYPE_RULE, Offset, Op[2] });
      } else if (Op[0] == EFI_IFR_NO_SUBMIT_IF_OP) {
        Controls.push_back ({ CONTROL_TYPE_NO_SUBMIT_IF, Offset, 0 });
      } else if (Op[0] == EFI_IFR_INCONSISTENT_IF_OP) {
        Controls.push_back ({ CONTROL_TYPE_INCONSISTENT_IF, Offset, 0 });
      }
    }

    if (IfrNext (Op, End) == nullptr) {
      break;
    }
  }

  Slot.Package          = Package.get ();
  Slot.HiiHandle        = Machine.Strings;
  gDynamicPageTable     = &Slot;
  gDynamicPageSlotCount = 1;
  LoadBoard (Controls, Package.get (), Machine.Strings);
  Evaluate (Package.get (), End, Opcodes, Questions, Machine.Strings);
  (void)CheckPageInconsistency (0);
  (void)CheckNoSubmit ();

  IFR_VALUE_CELL  Last {};
  IFR_VALUE_CELL  Cell;
  INTN            Order;
  bool            HaveLast = false;
  for (size_t Question : Questions) {
    const UINT8  *Op = Package.get () + Question;
    UINT16       Id  = (IfrLength (Op) >= 8) ? (UINT16)(Op[6] | (Op[7] << 8)) : 0;

    if (GetQuestionValueById (Id, 0, &Cell) == EFI_SUCCESS) {
      if (HaveLast) {
        (void)CompareHiiValues (&Last, &Cell, Machine.Strings, &Order);
      }

      Last     = Cell;
      HaveLast = true;
    }
  }
  return 0;
}
