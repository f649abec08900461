// What the base library's and the engine's small test firmwares share: a pool over
// malloc that knows its live blocks and fails on demand, and the two-call read of a
// variable's bytes. Host-only test support.
#ifndef PLATFORM_TESTS_SUPPORT_FAKE_POOL_H_
#define PLATFORM_TESTS_SUPPORT_FAKE_POOL_H_

#include <Uefi.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

class FakePool {
public:
  FakePool () = default;
  FakePool (const FakePool &) = delete;
  FakePool &operator= (const FakePool &) = delete;

  ~FakePool ()
  {
    for (void *Block : Live) {
      std::free (Block);
    }
  }

  std::set<void *>  Live;
  int               FailAllocationAfter = -1;   // n >= 0: the n-th next allocation fails

  EFI_STATUS Allocate (UINTN Size, VOID **Buffer)
  {
    if (FailAllocationAfter == 0) {
      FailAllocationAfter = -1;
      return EFI_OUT_OF_RESOURCES;
    }

    if (FailAllocationAfter > 0) {
      FailAllocationAfter--;
    }

    *Buffer = std::malloc (Size == 0 ? 1 : Size);
    Live.insert (*Buffer);
    return EFI_SUCCESS;
  }

  EFI_STATUS Free (VOID *Buffer)
  {
    if (Live.erase (Buffer) == 0) {
      return EFI_INVALID_PARAMETER;   // a foreign or twice-freed pointer: the test sees the live count differ
    }

    std::free (Buffer);
    return EFI_SUCCESS;
  }
};

// GetVariable's answer for a stored value: its size and EFI_BUFFER_TOO_SMALL when
// *Size is short, else the bytes.
inline EFI_STATUS
CopyVariableOut (const std::vector<UINT8> &Value, UINTN *Size, VOID *Data)
{
  if (*Size < Value.size ()) {
    *Size = Value.size ();
    return EFI_BUFFER_TOO_SMALL;
  }

  *Size = Value.size ();
  std::memcpy (Data, Value.data (), Value.size ());
  return EFI_SUCCESS;
}

#endif
