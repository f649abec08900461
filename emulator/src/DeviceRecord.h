/** @file
  The emulated devices keep each interface they publish as the first member,
  named Protocol, of a private record that also holds a Signature and the device
  object (Owner). An interface entry point gets its device back from This here.
**/
#ifndef EMULATOR_SRC_DEVICE_RECORD_H_
#define EMULATOR_SRC_DEVICE_RECORD_H_

#include <Uefi.h>

#include <cstddef>
#include <type_traits>

namespace Emu {

// The device behind This; nullptr for a null This or a record whose signature is not
// Signature (an interface the device has already given up, or a foreign one).
template <class PRIVATE, class PROTOCOL>
inline auto
OwnerOf (PROTOCOL *This, UINT64 Signature) -> decltype (PRIVATE::Owner)
{
  using RECORD = std::conditional_t<std::is_const_v<PROTOCOL>, const PRIVATE, PRIVATE>;

  static_assert (offsetof (PRIVATE, Protocol) == 0, "the interface comes first, so This is the record");
  auto  *Private = reinterpret_cast<RECORD *>(This);

  return ((This == nullptr) || (Private->Signature != Signature)) ? nullptr : Private->Owner;
}

}  // namespace Emu

#endif
