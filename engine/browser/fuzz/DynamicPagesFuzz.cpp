// Forms packages that a driver publishes, updates, withdraws and publishes again while
// setup runs: the input is the body of one forms package, put in a package list with
// strings. Each change is taken in as the main loop takes it, so the pages of a withdrawn
// or updated form set give their control records back and the next parse reuses them;
// nothing may read outside the package copies or leak.
#include <engine/browser/DynamicPages.h>
#include <engine/browser/PackageNotify.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/SetupData.h>
#include <engine/startup/SetupEngine.h>
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

const EFI_GUID  kListGuid = { 0x5E7A11D0, 0x2B1C, 0x4F00, { 0x9A, 0x11, 0x00, 0x00, 0x00, 0x00, 0x00, 0x03 } };

// A board of one page (the link page) and the HII services, per input.
struct FUZZ_MACHINE {
  Emu::Machine  M;
  UINT8         *Block = nullptr;

  FUZZ_MACHINE ()
  {
    Builders::SETUP_DATA_DESC  Desc;

    M.Add (std::make_unique<Emu::HiiServices> (M));
    (void)PlatformLibConstructor (nullptr, M.SystemTable ());
    ConnectEngineParts ();      // as the driver's main routine does first
    gST = M.SystemTable ();
    gBS = gST->BootServices;
    gRT = gST->RuntimeServices;
    (void)gBS->LocateProtocol (&gEfiHiiDatabaseProtocolGuid, nullptr, (VOID **)&gHiiDatabase);
    (void)gBS->LocateProtocol (&gEfiHiiStringProtocolGuid, nullptr, (VOID **)&gHiiString);
    (void)gBS->LocateProtocol (&gEfiHiiConfigRoutingProtocolGuid, nullptr, (VOID **)&gHiiConfigRouting);
    Desc.Pages    = { { .FormId = 1, .Controls = { { .ControlType = CONTROL_TYPE_TEXT } } } };
    Desc.FormSets = { {} };

    Builders::BYTES  Bytes = Builders::BuildSetupDataBlock (Desc);
    Block          = (UINT8 *)AllocateCopyPool (Bytes.size (), Bytes.data ());
    gSetupData     = Block;
    gSetupDataSize = Bytes.size ();
    (void)ParseSetupDataHeader ();
  }

  ~FUZZ_MACHINE ()
  {
    FreeDynamicPageTable ();
    ResetSetupData ();
    FreePool (Block);
    (void)SetupEngineCleanup (EFI_SUCCESS);
    FreeSetupData ();
    ResetEngineState ();
  }
};

}  // namespace

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  if (Size + sizeof (EFI_HII_PACKAGE_HEADER) > 0xFFFFFF) {
    return 0;
  }

  FUZZ_MACHINE                             Machine;
  std::map<EFI_STRING_ID, std::u16string>  Texts;
  std::vector<uint8_t>                     Forms (sizeof (EFI_HII_PACKAGE_HEADER), 0);
  size_t                                   Total = Size + sizeof (EFI_HII_PACKAGE_HEADER);
  EFI_HII_HANDLE                           Handle = nullptr;

  Forms.insert (Forms.end (), Data, Data + Size);
  Forms[0] = (uint8_t)Total;
  Forms[1] = (uint8_t)(Total >> 8);
  Forms[2] = (uint8_t)(Total >> 16);
  Forms[3] = EFI_HII_PACKAGE_FORMS;
  for (EFI_STRING_ID Id = 1; Id <= 64; Id++) {
    Texts[Id] = u"Name" + std::u16string (1, (char16_t)(u'A' + Id % 26));
  }

  Builders::BYTES  List = Builders::PackageListBuilder (kListGuid)
                            .Add (Forms)
                            .Add (Builders::BuildStringPackage ("en-US", 1, Texts))
                            .Build ();
  EFI_HII_PACKAGE_LIST_HEADER  *Header = (EFI_HII_PACKAGE_LIST_HEADER *)List.data ();

  if (EFI_ERROR (BuildDynamicPages ())) {
    return 0;
  }

  // Published, updated with itself, withdrawn, published again.
  if (EFI_ERROR (gHiiDatabase->NewPackageList (gHiiDatabase, Header, nullptr, &Handle))) {
    return 0;
  }

  (void)ProcessPackageNotifications ();
  (void)gHiiDatabase->UpdatePackageList (gHiiDatabase, Handle, Header);
  (void)ProcessPackageNotifications ();
  (void)gHiiDatabase->RemovePackageList (gHiiDatabase, Handle);
  (void)ProcessPackageNotifications ();
  if (!EFI_ERROR (gHiiDatabase->NewPackageList (gHiiDatabase, Header, nullptr, &Handle))) {
    (void)ProcessPackageNotifications ();
  }

  return 0;
}
