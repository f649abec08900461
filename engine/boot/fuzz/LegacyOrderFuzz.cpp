// Fuzz target of the legacy device order. The first input byte splits the rest into
// "LegacyDevOrder" and "DisabledDevs", both NVRAM variables any boot-time code may
// write; a machine with a legacy BIOS of eight BBS entries and three boot options
// (hard disks, CD drives, a file) rebuilds the order at POST, names the groups,
// assigns the BBS priorities and takes the input as the default order too. A written
// order must consist of whole groups.
#include <engine/core/EngineGlobals.h>
#include <engine/boot/BootOptions.h>
#include <engine/boot/LegacyDevOrder.h>
#include <Guid/GlobalVariable.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PlatformLib.h>

#include <Emulator/LegacyBios.h>
#include <Emulator/Machine.h>
#include <Emulator/UnicodeCollation.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace {

using BYTES = std::vector<UINT8>;

const EFI_GUID  kLegacyOrderGuid  = { 0xA56074DB, 0x65FE, 0x45F7, { 0xBD, 0x21, 0x2D, 0x2B, 0xDD, 0x8E, 0x96, 0x52 } };
const EFI_GUID  kDisabledDevsGuid = DISABLED_DEVS_VARIABLE_GUID;
constexpr UINT32  kNvBsRt = EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS;

BYTES
LegacyOption (UINT8 DeviceType)
{
  return { 1, 0, 0, 0, 16, 0, 'L', 0, 0, 0, 0x05, 0x01, 12, 0, DeviceType, 0, 0, 0, 'L', 0, 0, 0, 0x7F, 0xFF, 4, 0 };
}

// One machine per input, so what one input writes never reaches the next.
struct FUZZ_MACHINE {
  Emu::Machine        M;
  Emu::LegacyBios     *Bios = nullptr;
  std::vector<BYTES>  Paths;

  FUZZ_MACHINE ()
  {
    M.Add (std::make_unique<Emu::UnicodeCollation> (M, false));
    Bios = &M.Add (std::make_unique<Emu::LegacyBios> (M));
    (void)PlatformLibConstructor (nullptr, M.SystemTable ());
    gST = M.SystemTable ();
    gBS = gST->BootServices;
    gRT = gST->RuntimeServices;
    Paths.reserve (8);
    for (UINT8 Index = 0; Index < 8; Index++) {
      EFI_HANDLE  Handle = nullptr;
      Paths.push_back ({ 0x03, 0x05, 6, 0, Index, 0, 0x7F, 0xFF, 4, 0 });
      if ((Index % 3) != 2) {
        (void)gBS->InstallMultipleProtocolInterfaces (&Handle, &gEfiDevicePathProtocolGuid, Paths.back ().data (), nullptr);
      }
      Bios->Table ().push_back (Emu::BbsEntry (BBS_UNPRIORITIZED_ENTRY, (Index < 4) ? 2 : 3, Handle));
    }
    M.Variables ().Put (u"Boot0001", gEfiGlobalVariableGuid, kNvBsRt, LegacyOption (2));
    M.Variables ().Put (u"Boot0002", gEfiGlobalVariableGuid, kNvBsRt, LegacyOption (3));
    M.Variables ().Put (u"BootOrder", gEfiGlobalVariableGuid, kNvBsRt, { 2, 0, 1, 0 });
  }

  ~FUZZ_MACHINE ()
  {
    FreeBootOptionTables ();
    gLegacyBios = nullptr;
  }
};

// An order the rebuild wrote holds whole groups only; one left as stored may hold anything.
void
CheckWrittenOrder (FUZZ_MACHINE &Machine, const BYTES &Stored)
{
  const Emu::VARIABLE  *Written = Machine.M.Variables ().Lookup (u"LegacyDevOrder", kLegacyOrderGuid);
  LEGACY_GROUP         Group;

  if ((Written == nullptr) || (Written->Data == Stored)) {
    return;
  }
  for (size_t Offset = 0; Offset < Written->Data.size (); Offset += 4 + Group.Length) {
    if (!ReadLegacyGroup (Written->Data.data (), Written->Data.size (), Offset, &Group)) {
      __builtin_trap ();
    }
  }
}

}  // namespace

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  FUZZ_MACHINE  Machine;
  size_t        Split = (Size == 0) ? 0 : 1 + (Data[0] % Size);
  BYTES         Order (Data + (Size == 0 ? 0 : 1), Data + Split);
  BYTES         Disabled (Data + Split, Data + Size);

  Machine.M.Variables ().Put (u"LegacyDevOrder", kLegacyOrderGuid, kNvBsRt, Order);
  Machine.M.Variables ().Put (u"DisabledDevs", kDisabledDevsGuid, kNvBsRt, Disabled);
  (void)BuildBootOptionTables ();
  CheckWrittenOrder (Machine, Order);
  for (UINTN Index = 0; Index < gBootOptionCount; Index++) {
    (void)GetBootOptionName (&gBootOptionTable[Index]);
    (void)LegacyDeviceDisabledByIndex (&gBootOptionTable[Index], Index, (BOOLEAN)(Index & 1));
  }
  AssignAllLegacyPriorities (1);

  VARIABLE_CACHE_ENTRY  Current { AllocateZeroPool (4), 4 };
  VARIABLE_CACHE_ENTRY  Default { Order.empty () ? nullptr : Order.data (), Order.size () };
  ApplyDefaultLegacyDevOrder (&Current, &Default);
  FreePool (Current.Data);
  return 0;
}
