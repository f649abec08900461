/** @file
  Pool and page memory with leak accounting and allocation-failure injection.

  Every block handed out is tracked with its allocation number, so a test can take
  a mark, run the code under test and ask which of its blocks are still live. The
  n-th allocation from now can be made to fail with EFI_OUT_OF_RESOURCES, which is
  how the out-of-memory paths of the engine get exercised.
**/
#ifndef EMULATOR_POOL_H_
#define EMULATOR_POOL_H_

#include <Uefi.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace Emu {

struct POOL_BLOCK {
  UINTN            Size;
  UINT64           Number;  // 1 for the first allocation of the machine
  EFI_MEMORY_TYPE  Type;
  bool             Pages;
};

class Pool {
public:
  Pool () = default;
  ~Pool ();
  Pool (const Pool &)            = delete;
  Pool &operator= (const Pool &) = delete;

  EFI_STATUS Allocate (EFI_MEMORY_TYPE Type, UINTN Size, VOID **Buffer);
  EFI_STATUS Free (VOID *Buffer);
  EFI_STATUS AllocatePages (EFI_ALLOCATE_TYPE Type, EFI_MEMORY_TYPE MemoryType, UINTN Pages,
               EFI_PHYSICAL_ADDRESS *Memory);
  EFI_STATUS FreePages (EFI_PHYSICAL_ADDRESS Memory, UINTN Pages);

  // The Count-th allocation from now (1 = the next one) fails; 0 disarms.
  void   FailAllocation (UINT64 Count);
  // Every allocation from the Count-th one on fails, until disarmed with 0.
  void   FailAllocationsFrom (UINT64 Count);

  UINT64 AllocationCount () const { return mAllocations; }
  UINTN  LiveBlockCount () const { return mBlocks.size (); }
  UINTN  LiveBytes () const;
  bool   IsLive (const VOID *Buffer) const { return mBlocks.count (Buffer) != 0; }
  // The live block that starts at Buffer, with its allocation number; null when none does.
  const POOL_BLOCK *Find (const VOID *Buffer) const
  {
    auto  It = mBlocks.find (Buffer);
    return (It == mBlocks.end ()) ? nullptr : &It->second;
  }

  // Blocks allocated after Mark() was taken (Mark = AllocationCount()) and not freed.
  std::vector<POOL_BLOCK> LeaksSince (UINT64 Mark) const;
  // Frees of pointers the pool never handed out (double frees, foreign pointers).
  const std::vector<std::string> &Violations () const { return mViolations; }

  // Sees every pool block just before it is released, with its size: a test can
  // check what the program left in memory it gave back.
  void   SetFreeObserver (std::function<void(const VOID *, UINTN)> Observer) { mFreeObserver = std::move (Observer); }

private:
  bool   ShouldFail ();

  std::map<const VOID *, POOL_BLOCK>  mBlocks;
  std::vector<std::string>            mViolations;
  UINT64                              mAllocations = 0;
  UINT64                              mFailAt      = 0;
  bool                                mFailOnward  = false;
  std::function<void(const VOID *, UINTN)>  mFreeObserver;
};

}  // namespace Emu

#endif
