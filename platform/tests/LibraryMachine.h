// The emulator's machine as the base library's tests use it: its tables handed to the
// library as a driver's entry point hands them, and the few steps the tests take on it
// (pool accounting and failure, variables, protocols on handles of their own).
#ifndef PLATFORM_TESTS_LIBRARY_MACHINE_H_
#define PLATFORM_TESTS_LIBRARY_MACHINE_H_

#include <Uefi.h>
#include <Library/PlatformLib.h>

#include <Emulator/Machine.h>

#include <string>
#include <vector>

class LibraryMachine {
public:
  LibraryMachine ()
  {
    (VOID)PlatformLibConstructor (nullptr, M.SystemTable ());   // refuses only a missing table
    mMark = M.Memory ().AllocationCount ();
  }

  ~LibraryMachine ()
  {
    gLibST = nullptr;
    gLibBS = nullptr;
    gLibRT = nullptr;
  }

  LibraryMachine (const LibraryMachine &)            = delete;
  LibraryMachine &operator= (const LibraryMachine &) = delete;

  // Pool blocks the library allocated since the machine was built and did not free.
  UINTN LiveBlocks () { return M.Memory ().LeaksSince (mMark).size (); }
  void  FailNextAllocation () { M.Memory ().FailAllocation (1); }

  void PutVariable (const std::u16string &Name, const EFI_GUID &Guid, const std::vector<UINT8> &Data,
                    UINT32 Attributes = EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_NON_VOLATILE)
  {
    M.Variables ().Put (Name, Guid, Attributes, Data);
  }

  // A new handle that carries one interface; the caller keeps the interface alive.
  EFI_HANDLE AddProtocol (const EFI_GUID &Guid, VOID *Interface)
  {
    EFI_HANDLE  Handle = nullptr;

    (VOID)M.Protocols ().Install (&Handle, &Guid, Interface);   // a fresh handle cannot refuse it
    return Handle;
  }

  Emu::Machine  M;

private:
  UINT64  mMark = 0;
};

#endif
