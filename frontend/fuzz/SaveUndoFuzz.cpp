// Fuzz target of the save's undo record, which start-up reads from NVRAM and acts on:
// the input is put in as "SetupSaveUndo" next to a boot order and two load options, and
// start-up's restore runs. Whatever the input, the record is gone afterwards, and no
// variable but those a save writes has changed.
#include <engine/core/EngineGlobals.h>
#include <frontend/SetupSave.h>
#include <Guid/GlobalVariable.h>
#include <Library/PlatformLib.h>

#include <Emulator/Machine.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

using BYTES = std::vector<UINT8>;

const EFI_GUID    kEngineGuid = { 0xC811FA38, 0x42C8, 0x4579, { 0xA9, 0xBB, 0x60, 0xE9, 0x4E, 0xDD, 0xFB, 0x34 } };
constexpr UINT32  kNvBs       = EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS;
constexpr UINT32  kNvBsRt     = kNvBs | EFI_VARIABLE_RUNTIME_ACCESS;

// The names a save writes, as the record may name them; the record itself goes.
bool
SaveMayWrite (const std::u16string &Name)
{
  auto  Option = [&Name] (const std::u16string &Prefix) {
    return (Name.size () == Prefix.size () + 4) && (Name.compare (0, Prefix.size (), Prefix) == 0);
  };
  return (Name == u"BootOrder") || (Name == u"DriverOrder") || (Name == u"LegacyDevOrder") || (Name == u"DisabledDevs") ||
         (Name == u"SetupSaveUndo") || Option (u"Boot") || Option (u"Driver");
}

}  // namespace

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  Emu::Machine  M;

  (void)PlatformLibConstructor (nullptr, M.SystemTable ());
  gST = M.SystemTable ();
  gBS = gST->BootServices;
  gRT = gST->RuntimeServices;
  M.Variables ().Put (u"BootOrder", gEfiGlobalVariableGuid, kNvBsRt, { 1, 0, 2, 0 });
  M.Variables ().Put (u"Boot0001", gEfiGlobalVariableGuid, kNvBsRt, { 1, 0, 0, 0, 4, 0, 'A', 0, 0, 0, 0x7F, 0xFF, 4, 0 });
  M.Variables ().Put (u"PlatformLang", gEfiGlobalVariableGuid, kNvBsRt, { 'e', 'n', 0 });
  M.Variables ().Put (u"SetupSaveUndo", kEngineGuid, kNvBs, BYTES (Data, Data + Size));
  M.Variables ().ClearWriteLog ();
  RestoreUnfinishedSave ();
  if (M.Variables ().Lookup (u"SetupSaveUndo", kEngineGuid) != nullptr) {
    __builtin_trap ();
  }

  for (const Emu::VARIABLE_WRITE &Write : M.Variables ().WriteLog ()) {
    if (!SaveMayWrite (Write.Name) && (Write.Status == EFI_SUCCESS)) {
      __builtin_trap ();
    }
  }

  gST = nullptr;
  gBS = nullptr;
  gRT = nullptr;
  return 0;
}
