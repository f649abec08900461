// Configuration strings as other drivers send them: the input is UTF-16 text (pairs
// of bytes, little-endian) given to the header decoder, the keyword check, the VALUE
// conversion and the engine's own ExtractConfig and RouteConfig on a machine with
// Configuration Routing and one variable, none of which may read outside the text.
#include <engine/variables/ConfigString.h>
#include <engine/core/EngineGlobals.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PlatformLib.h>

#include <Emulator/Machine.h>
#include <EmulatorHii/HiiServices.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// The GUID and name the seeds' headers carry, so requests reach a variable.
const EFI_GUID  kVariableGuid = { 0xEC87D643, 0xEBA4, 0x4BB5, { 0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9 } };

// One machine per input, so variables one input creates never reach the next.
struct FUZZ_MACHINE {
  Emu::Machine  M;

  FUZZ_MACHINE ()
  {
    M.Add (std::make_unique<Emu::HiiServices> (M));
    (void)PlatformLibConstructor (nullptr, M.SystemTable ());
    gST = M.SystemTable ();
    gBS = gST->BootServices;
    gRT = gST->RuntimeServices;
    (void)gBS->LocateProtocol (&gEfiHiiConfigRoutingProtocolGuid, nullptr, (VOID **)&gHiiConfigRouting);
  }
};

void
DecodeAll (const CHAR16 *Text, UINTN Length)
{
  EFI_GUID  Guid;
  CHAR16    Name[CONFIG_NAME_MAX_LENGTH + 1];
  UINTN     NameEnd = 0;
  UINT8     *Value  = nullptr;

  if (!EFI_ERROR (DecodeConfigHeader (Text, &Guid, Name, &NameEnd))) {
    UINTN  PathEnd = FindConfigPathEnd (Text, NameEnd);
    if (PathEnd > Length) {
      __builtin_trap ();  // the path ends inside the text
    }
  }
  (void)ValidateConfigString (Text, TRUE);
  (void)ValidateConfigString (Text, FALSE);
  (void)ConfigValueToBuffer (&Value, Text, 1 + (Length % 16), (Length & 1) != 0);
  FreePool (Value);
}

void
AskTheEngine (FUZZ_MACHINE &Machine, CHAR16 *Text, UINTN Length)
{
  EFI_STRING  Progress = nullptr;
  EFI_STRING  Results  = nullptr;

  Machine.M.Variables ().Put (u"Timeout", kVariableGuid, 7, { 0x0A, 0x00, 0x05, 0x00 });
  if (!EFI_ERROR (gEngineConfigAccess.ExtractConfig (&gEngineConfigAccess, Text, &Progress, &Results)) &&
      (Results == nullptr)) {
    __builtin_trap ();
  }
  if ((Progress != nullptr) && ((Progress < Text) || (Progress > Text + Length))) {
    __builtin_trap ();  // Progress points into the request
  }
  FreePool (Results);
  (void)gEngineConfigAccess.RouteConfig (&gEngineConfigAccess, Text, &Progress);
}

}  // namespace

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  FUZZ_MACHINE         Machine;
  std::vector<CHAR16>  Text (Size / 2 + 1, 0);

  std::memcpy (Text.data (), Data, Size & ~(size_t)1);
  // A terminator inside the input ends the text there, as it would for the engine.
  UINTN  Length = 0;
  while (Text[Length] != 0) {
    Length++;
  }
  DecodeAll (Text.data (), Length);
  AskTheEngine (Machine, Text.data (), Length);
  return 0;
}
