// Forms packages as drivers publish them: the input is one forms package, whose
// header length is set to the input's size (its type byte is kept), parsed twice
// into the work tables on a machine with the HII services and a few strings, the
// second time as another package list's (so its variable stores meet the first
// parse's records of the same GUID and name from another list). Every
// control offset of every page must then lead to a record inside the control data,
// and every opcode a record points at must lie inside the package.
#include <engine/core/EngineGlobals.h>
#include <engine/forms/FormParser.h>
#include <engine/forms/FormTables.h>
#include <Library/PlatformLib.h>

#include <Builders/HiiPackageBuilder.h>
#include <Emulator/Machine.h>
#include <EmulatorHii/HiiServices.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

const EFI_GUID  kListGuid = { 0x5E7A11D0, 0x2B1C, 0x4F00, { 0x9A, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01 } };

// One machine per input, with two package lists of strings 1 to 64 for varstore names.
struct FUZZ_MACHINE {
  Emu::Machine    M;
  EFI_HII_HANDLE  Strings = nullptr;
  EFI_HII_HANDLE  Other   = nullptr;

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
    for (EFI_STRING_ID Id = 1; Id <= 64; Id++) {
      Texts[Id] = u"Name" + std::u16string (1, (char16_t)(u'A' + Id % 26));
    }

    Builders::BYTES  List = Builders::PackageListBuilder (kListGuid)
                              .Add (Builders::BuildStringPackage ("en-US", 1, Texts))
                              .Build ();
    (void)gHiiDatabase->NewPackageList (gHiiDatabase, (EFI_HII_PACKAGE_LIST_HEADER *)List.data (), nullptr, &Strings);
    List[15] ^= 1;      // another list GUID
    (void)gHiiDatabase->NewPackageList (gHiiDatabase, (EFI_HII_PACKAGE_LIST_HEADER *)List.data (), nullptr, &Other);
  }

  ~FUZZ_MACHINE ()
  {
    FreeWorkTables ();
    gHiiDatabase = nullptr;
    gHiiString   = nullptr;
  }
};

// Every opcode a record points at lies inside the package it was parsed from.
void
CheckInside (UINT64 Address, const std::vector<uint8_t> &Package)
{
  const uint8_t  *At = (const uint8_t *)(UINTN)Address;

  if ((At != nullptr) && ((At < Package.data ()) || (At >= Package.data () + Package.size ()))) {
    __builtin_trap ();
  }
}

void
CheckTables (const std::vector<uint8_t> &Package)
{
  for (UINT32 Page = 0; Page < GetWorkPageCount (); Page++) {
    PAGE_RECORD  *Record = GetWorkPage (Page);

    for (UINT32 N = 0; (Record != nullptr) && (N < Record->ControlCount); N++) {
      CONTROL_RECORD  *Control = GetWorkPageControl (Record, N);

      if ((Control == nullptr) && (Page != 0)) {
        __builtin_trap ();     // a parsed page names a record outside the control data
      }

      if ((Control != nullptr) && (Page != 0)) {
        CheckInside (Control->QuestionOpcode, Package);
        CheckInside (Control->ConditionOpcode, Package);
      }
    }
  }

  for (UINT32 Index = 0; Index < GetWorkVariableCount (); Index++) {
    if (GetWorkVariable (Index)->Name[VARIABLE_NAME_LENGTH - 1] != 0) {
      __builtin_trap ();       // a name filled its field without the terminator
    }
  }
}

}  // namespace

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  if ((Size < sizeof (EFI_HII_PACKAGE_HEADER)) || (Size > 0xFFFFFF)) {
    return 0;
  }

  FUZZ_MACHINE          Machine;
  std::vector<uint8_t>  Package (Data, Data + Size);
  DYNAMIC_PAGE_RECORD   Job {};

  Package[0]    = (uint8_t)Size;
  Package[1]    = (uint8_t)(Size >> 8);
  Package[2]    = (uint8_t)(Size >> 16);
  Job.Package   = Package.data ();
  for (EFI_HII_HANDLE Handle : { Machine.Strings, Machine.Other }) {
    Job.HiiHandle = Handle;
    (void)ParseFormSetForms (&Job);
    CheckTables (Package);
  }

  return 0;
}
