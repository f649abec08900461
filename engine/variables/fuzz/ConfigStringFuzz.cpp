// Configuration strings as other drivers send them: the input is UTF-16 text (pairs
// of bytes, little-endian) given to the header decoder, the keyword check, the VALUE
// conversion and the engine's own ExtractConfig, RouteConfig and Callback on a machine
// with Configuration Routing and one variable, none of which may read outside the text;
// the header the engine builds for the text's GUID and name (and for the input's bytes
// as a device path, when they are one) must decode back to them.
#include <engine/variables/ConfigString.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/VariableGuids.h>
#include <Library/BaseLib.h>
#include <Library/DevicePathLib.h>
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
const EFI_GUID  kVariableGuid = BOARD_SETUP_VARIABLE_GUID;

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
CheckHeader (const EFI_GUID &Guid, const CHAR16 *Name, const EFI_DEVICE_PATH_PROTOCOL *Path)
{
  UINTN     Size = 0;
  EFI_GUID  Decoded;
  CHAR16    DecodedName[CONFIG_NAME_MAX_LENGTH + 1];
  UINTN     NameEnd = 0;

  if (BuildConfigHdr (nullptr, &Size, &Guid, Name, Path) != EFI_BUFFER_TOO_SMALL) {
    return;
  }

  std::vector<CHAR16>  Header (Size / sizeof (CHAR16) + 1, 0);
  UINTN                Short = Size - sizeof (CHAR16);
  if ((BuildConfigHdr (Header.data (), &Short, &Guid, Name, Path) != EFI_BUFFER_TOO_SMALL) || (Short != Size)) {
    __builtin_trap ();  // a buffer one character short must be refused with the size needed
  }

  if ((BuildConfigHdr (Header.data (), &Size, &Guid, Name, Path) != EFI_SUCCESS) ||
      EFI_ERROR (DecodeConfigHeader (Header.data (), &Decoded, DecodedName, &NameEnd)))
  {
    return;
  }

  if (std::memcmp (&Decoded, &Guid, sizeof (Guid)) != 0) {
    __builtin_trap ();  // the header names another GUID
  }
  if ((Name != nullptr) && (StrLen (Name) <= CONFIG_NAME_MAX_LENGTH) && (StrCmp (DecodedName, Name) != 0)) {
    __builtin_trap ();  // the header names another variable
  }
  if (FindConfigPathEnd (Header.data (), NameEnd) > Size / sizeof (CHAR16)) {
    __builtin_trap ();
  }
}

void
BuildHeaders (const uint8_t *Data, size_t Size, const CHAR16 *Text)
{
  EFI_GUID              Guid {};
  CHAR16                Name[CONFIG_NAME_MAX_LENGTH + 1] = {};
  UINTN                 NameEnd = 0;
  std::vector<uint8_t>  Bytes (Data, Data + Size);
  EFI_DEVICE_PATH_PROTOCOL  *Path = (EFI_DEVICE_PATH_PROTOCOL *)Bytes.data ();

  if ((Size < sizeof (EFI_DEVICE_PATH_PROTOCOL)) || !IsDevicePathValid (Path, Size)) {
    Path = nullptr;
  }

  const CHAR16  *Named = Name;
  if (EFI_ERROR (DecodeConfigHeader (Text, &Guid, Name, &NameEnd))) {
    std::memcpy (&Guid, Data, Size < sizeof (Guid) ? Size : sizeof (Guid));
    Named = Text;
  }

  for (const CHAR16 *Each : { Named, (const CHAR16 *)nullptr }) {
    CheckHeader (Guid, Each, nullptr);
    CheckHeader (Guid, Each, Path);
  }
}

// The engine's forms have no callbacks: whatever the browser asks is unsupported.
void
CallBack (UINTN Length)
{
  EFI_IFR_TYPE_VALUE          Value {};
  EFI_BROWSER_ACTION_REQUEST  Request = EFI_BROWSER_ACTION_REQUEST_NONE;

  if ((gEngineConfigAccess.Callback (&gEngineConfigAccess, (EFI_BROWSER_ACTION)Length, (EFI_QUESTION_ID)Length,
         (UINT8)Length, &Value, &Request) != EFI_UNSUPPORTED) || (Request != EFI_BROWSER_ACTION_REQUEST_NONE))
  {
    __builtin_trap ();
  }
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
  if ((gEngineConfigAccess.RouteConfig (&gEngineConfigAccess, Text, nullptr) != EFI_INVALID_PARAMETER) ||
      (gEngineConfigAccess.RouteConfig (&gEngineConfigAccess, nullptr, &Progress) != EFI_INVALID_PARAMETER))
  {
    __builtin_trap ();  // nowhere to report progress, or nothing to route
  }
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
  BuildHeaders (Data, Size, Text.data ());
  CallBack (Length);
  AskTheEngine (Machine, Text.data (), Length);
  return 0;
}
