// Device paths from any bytes: a path the library calls valid within the input must
// measure, copy and append within what it measured, and its nodes must walk to its end.
#include <Library/BaseMemoryLib.h>
#include <Library/DevicePathLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PlatformLib.h>

#include <Emulator/Machine.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

void
Check (bool Condition)
{
  if (!Condition) {
    __builtin_trap ();
  }
}

// Every node of a valid path, to its end node, inside Size bytes.
void
WalkNodes (const EFI_DEVICE_PATH_PROTOCOL *Path, UINTN Size)
{
  const UINT8  *Start = (const UINT8 *)Path;
  const UINT8  *Node  = Start;

  while (!IsDevicePathEnd (Node)) {
    Check (DevicePathNodeLength (Node) >= sizeof (EFI_DEVICE_PATH_PROTOCOL));
    Node = (const UINT8 *)NextDevicePathNode (Node);
    Check ((UINTN)(Node - Start) + END_DEVICE_PATH_LENGTH <= Size);
  }
}

void
BuildFrom (const EFI_DEVICE_PATH_PROTOCOL *Path, UINTN Size)
{
  EFI_DEVICE_PATH_PROTOCOL  *Copy = DuplicateDevicePath (Path);
  if (Copy != nullptr) {
    Check (GetDevicePathSize (Copy) == Size && CompareMem (Copy, Path, Size) == 0);
    FreePool (Copy);
  }
  EFI_DEVICE_PATH_PROTOCOL  *Twice = AppendDevicePath (Path, Path);
  if (Twice != nullptr) {
    Check (GetDevicePathSize (Twice) == 2 * Size - END_DEVICE_PATH_LENGTH);
    WalkNodes (Twice, 2 * Size - END_DEVICE_PATH_LENGTH);
    FreePool (Twice);
  }
  // The first node appended to the path itself (an end node when the path is empty).
  EFI_DEVICE_PATH_PROTOCOL  *Longer = AppendDevicePathNode (Path, Path);
  if (Longer != nullptr) {
    WalkNodes (Longer, GetDevicePathSize (Longer));
    FreePool (Longer);
  }
}

}  // namespace

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  static Emu::Machine  *Machine = nullptr;
  if (Machine == nullptr) {
    Machine = new Emu::Machine ();
    (VOID)PlatformLibConstructor (nullptr, Machine->SystemTable ());   // refuses only a missing table
  }
  // A heap copy of exactly the input, so a read past it is seen.
  std::vector<UINT8>        Bytes (Data, Data + Size);
  auto                      *Path = (const EFI_DEVICE_PATH_PROTOCOL *)Bytes.data ();
  if ((Size == 0) || !IsDevicePathValid (Path, Size)) {
    return 0;
  }
  UINTN  Measured = GetDevicePathSize (Path);
  Check ((Measured >= END_DEVICE_PATH_LENGTH) && (Measured <= Size));
  WalkNodes (Path, Measured);
  BuildFrom (Path, Measured);
  return 0;
}
