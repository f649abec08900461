/** @file
  Little-endian byte appends and GUID text parsing shared by the test-data builders.
**/
#ifndef BUILDERS_BYTE_WRITER_H_
#define BUILDERS_BYTE_WRITER_H_

#include <Uefi.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Builders {

using BYTES = std::vector<uint8_t>;

inline void
AppendU8 (BYTES &Out, uint8_t Value)
{
  Out.push_back (Value);
}

inline void
AppendU16 (BYTES &Out, uint16_t Value)
{
  Out.push_back ((uint8_t)Value);
  Out.push_back ((uint8_t)(Value >> 8));
}

inline void
AppendU24 (BYTES &Out, uint32_t Value)
{
  AppendU16 (Out, (uint16_t)Value);
  Out.push_back ((uint8_t)(Value >> 16));
}

inline void
AppendU32 (BYTES &Out, uint32_t Value)
{
  AppendU16 (Out, (uint16_t)Value);
  AppendU16 (Out, (uint16_t)(Value >> 16));
}

inline void
AppendU64 (BYTES &Out, uint64_t Value)
{
  AppendU32 (Out, (uint32_t)Value);
  AppendU32 (Out, (uint32_t)(Value >> 32));
}

// Size bytes from Data (null when Size is 0) at the end of Out.
void AppendRaw (BYTES &Out, const void *Data, size_t Size);

inline void
AppendBytes (BYTES &Out, std::span<const uint8_t> Bytes)
{
  AppendRaw (Out, Bytes.data (), Bytes.size ());
}

// The in-memory (mixed-endian) GUID layout, as firmware stores GUIDs.
inline void
AppendGuid (BYTES &Out, const EFI_GUID &Guid)
{
  AppendRaw (Out, &Guid, sizeof (EFI_GUID));
}

// UTF-16LE code units with a terminating 0.
inline void
AppendUcs2z (BYTES &Out, std::u16string_view Text)
{
  for (char16_t Unit : Text) {
    AppendU16 (Out, (uint16_t)Unit);
  }

  AppendU16 (Out, 0);
}

inline void
AppendAsciiz (BYTES &Out, std::string_view Text)
{
  AppendRaw (Out, Text.data (), Text.size ());
  Out.push_back (0);
}

inline void
PadTo (BYTES &Out, size_t Alignment)
{
  while (Out.size () % Alignment != 0) {
    Out.push_back (0);
  }
}

inline void
PutU16 (BYTES &Out, size_t Offset, uint16_t Value)
{
  Out.at (Offset + 1);
  Out[Offset]     = (uint8_t)Value;
  Out[Offset + 1] = (uint8_t)(Value >> 8);
}

inline void
PutU32 (BYTES &Out, size_t Offset, uint32_t Value)
{
  PutU16 (Out, Offset, (uint16_t)Value);
  PutU16 (Out, Offset + 2, (uint16_t)(Value >> 16));
}

inline uint16_t
GetU16 (std::span<const uint8_t> In, size_t Offset)
{
  return (uint16_t)(In[Offset] | (In[Offset + 1] << 8));
}

inline uint32_t
GetU32 (std::span<const uint8_t> In, size_t Offset)
{
  return (uint32_t)GetU16 (In, Offset) | ((uint32_t)GetU16 (In, Offset + 2) << 16);
}

inline uint64_t
GetU64 (std::span<const uint8_t> In, size_t Offset)
{
  return (uint64_t)GetU32 (In, Offset) | ((uint64_t)GetU32 (In, Offset + 4) << 32);
}

inline EFI_GUID
GetGuid (std::span<const uint8_t> In, size_t Offset)
{
  EFI_GUID  Guid;

  std::memcpy (&Guid, In.subspan (Offset, sizeof (Guid)).data (), sizeof (Guid));
  return Guid;
}

inline bool
SameGuid (const EFI_GUID &A, const EFI_GUID &B)
{
  return std::memcmp (&A, &B, sizeof (EFI_GUID)) == 0;
}

// Parses "8BE4DF61-93CA-11D2-AA0D-00E098032B8C"; throws std::invalid_argument otherwise.
EFI_GUID MakeGuid (std::string_view Text);

}  // namespace Builders

#endif
