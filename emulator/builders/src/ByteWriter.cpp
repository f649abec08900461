#include <Builders/ByteWriter.h>

#include <stdexcept>

namespace Builders {

namespace {

uint64_t
ParseHex (std::string_view Text)
{
  uint64_t  Value = 0;

  for (char Digit : Text) {
    int Nibble = Digit >= '0' && Digit <= '9'   ? Digit - '0'
                 : Digit >= 'a' && Digit <= 'f' ? Digit - 'a' + 10
                 : Digit >= 'A' && Digit <= 'F' ? Digit - 'A' + 10
                                                : -1;
    if (Nibble < 0) {
      throw std::invalid_argument ("not a GUID: bad hex digit");
    }

    Value = (Value << 4) | (uint64_t)Nibble;
  }

  return Value;
}

}  // namespace

// Out of line and with resize + memcpy on purpose: inlined into a builder, where the vector
// was just created or grown, GCC 12 at -O2 and above takes both a ranged insert and the
// resize for writes out of bounds (array-bounds, stringop-overflow/-overread).
void
AppendRaw (BYTES &Out, const void *Data, size_t Size)
{
  if (Size == 0) {
    return;  // Data may be null then, which memcpy does not accept
  }

  const size_t  At = Out.size ();

  Out.resize (At + Size);
  std::memcpy (Out.data () + At, Data, Size);
}

EFI_GUID
MakeGuid (std::string_view Text)
{
  EFI_GUID  Guid;

  if (Text.size () != 36 || Text[8] != '-' || Text[13] != '-' || Text[18] != '-' || Text[23] != '-') {
    throw std::invalid_argument ("not a GUID: expected 8-4-4-4-12 hex digits");
  }

  Guid.Data1 = (uint32_t)ParseHex (Text.substr (0, 8));
  Guid.Data2 = (uint16_t)ParseHex (Text.substr (9, 4));
  Guid.Data3 = (uint16_t)ParseHex (Text.substr (14, 4));
  Guid.Data4[0] = (uint8_t)ParseHex (Text.substr (19, 2));
  Guid.Data4[1] = (uint8_t)ParseHex (Text.substr (21, 2));
  for (int Index = 0; Index < 6; Index++) {
    Guid.Data4[2 + Index] = (uint8_t)ParseHex (Text.substr (24 + 2 * Index, 2));
  }

  return Guid;
}

}  // namespace Builders
