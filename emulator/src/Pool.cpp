/** @file
  Pool and page memory over the host heap, tracked block by block.
**/
#include <Emulator/Pool.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace Emu {

constexpr UINTN  kMaxPoolBlock = (UINTN)1 << 30;

Pool::~Pool ()
{
  // Whatever the code under test leaked goes back with the machine; tests that care
  // asked LeaksSince() before this point.
  for (auto &Entry : mBlocks) {
    std::free (const_cast<VOID *>(Entry.first));
  }
}

bool
Pool::ShouldFail ()
{
  mAllocations++;
  if (mFailAt == 0) {
    return false;
  }
  if (mFailOnward) {
    return mAllocations >= mFailAt;
  }
  if (mAllocations == mFailAt) {
    mFailAt = 0;
    return true;
  }
  return false;
}

void
Pool::FailAllocation (UINT64 Count)
{
  mFailAt     = (Count == 0) ? 0 : mAllocations + Count;
  mFailOnward = false;
}

void
Pool::FailAllocationsFrom (UINT64 Count)
{
  mFailAt     = (Count == 0) ? 0 : mAllocations + Count;
  mFailOnward = true;
}

EFI_STATUS
Pool::Allocate (EFI_MEMORY_TYPE Type, UINTN Size, VOID **Buffer)
{
  if ((Buffer == nullptr) || (Type >= EfiMaxMemoryType)) {
    return EFI_INVALID_PARAMETER;
  }
  // A size read from corrupt data must fail like a full pool, not abort the host.
  if (ShouldFail () || (Size > kMaxPoolBlock)) {
    return EFI_OUT_OF_RESOURCES;
  }
  // Zero-size requests still get a distinct block, as firmware pools do.
  VOID  *Block = std::malloc (Size == 0 ? 1 : Size);
  if (Block == nullptr) {
    return EFI_OUT_OF_RESOURCES;
  }
  // Fresh pool memory is not zeroed in firmware; a fill pattern catches code that
  // relies on it.
  std::memset (Block, 0xAF, Size);
  mBlocks[Block] = POOL_BLOCK { Size, mAllocations, Type, false };
  *Buffer        = Block;
  return EFI_SUCCESS;
}

EFI_STATUS
Pool::Free (VOID *Buffer)
{
  auto  Found = mBlocks.find (Buffer);

  if ((Buffer == nullptr) || (Found == mBlocks.end ()) || Found->second.Pages) {
    std::ostringstream  Text;
    Text << "FreePool of a pointer the pool does not own: " << Buffer;
    mViolations.push_back (Text.str ());
    return EFI_INVALID_PARAMETER;
  }
  if (mFreeObserver) {
    mFreeObserver (Buffer, Found->second.Size);
  }

  mBlocks.erase (Found);
  std::free (Buffer);
  return EFI_SUCCESS;
}

EFI_STATUS
Pool::AllocatePages (EFI_ALLOCATE_TYPE Type, EFI_MEMORY_TYPE MemoryType, UINTN Pages,
  EFI_PHYSICAL_ADDRESS *Memory)
{
  if ((Memory == nullptr) || (MemoryType >= EfiMaxMemoryType) || (Type >= MaxAllocateType)) {
    return EFI_INVALID_PARAMETER;
  }
  // Host memory cannot be placed at a chosen address.
  if (Type != AllocateAnyPages) {
    return EFI_NOT_FOUND;
  }
  if ((Pages == 0) || (Pages > kMaxPoolBlock / EFI_PAGE_SIZE)) {
    return EFI_OUT_OF_RESOURCES;
  }
  if (ShouldFail ()) {
    return EFI_OUT_OF_RESOURCES;
  }
  VOID  *Block = std::aligned_alloc (EFI_PAGE_SIZE, Pages * EFI_PAGE_SIZE);
  if (Block == nullptr) {
    return EFI_OUT_OF_RESOURCES;
  }
  mBlocks[Block] = POOL_BLOCK { Pages * EFI_PAGE_SIZE, mAllocations, MemoryType, true };
  *Memory        = (EFI_PHYSICAL_ADDRESS)(uintptr_t)Block;
  return EFI_SUCCESS;
}

EFI_STATUS
Pool::FreePages (EFI_PHYSICAL_ADDRESS Memory, UINTN Pages)
{
  VOID  *Block = (VOID *)(uintptr_t)Memory;
  auto  Found  = mBlocks.find (Block);

  if ((Found == mBlocks.end ()) || !Found->second.Pages ||
      (Found->second.Size != Pages * EFI_PAGE_SIZE))
  {
    mViolations.push_back ("FreePages of memory that AllocatePages did not hand out");
    return EFI_NOT_FOUND;
  }
  mBlocks.erase (Found);
  std::free (Block);
  return EFI_SUCCESS;
}

UINTN
Pool::LiveBytes () const
{
  UINTN  Total = 0;

  for (const auto &Entry : mBlocks) {
    Total += Entry.second.Size;
  }
  return Total;
}

std::vector<POOL_BLOCK>
Pool::LeaksSince (UINT64 Mark) const
{
  std::vector<POOL_BLOCK>  Leaks;

  for (const auto &Entry : mBlocks) {
    if (Entry.second.Number > Mark) {
      Leaks.push_back (Entry.second);
    }
  }
  return Leaks;
}

}  // namespace Emu
