#include "ResourceWriter.h"

namespace fvwriter {
namespace {

constexpr uint16_t kMemoryFlagsMoveablePure = 0x0030;  // what resource compilers write

void
Put16 (
  IN OUT Bytes     &Out,
  IN     uint16_t  V
  )
{
  Out.push_back (uint8_t (V));
  Out.push_back (uint8_t (V >> 8));
}

void
Put32 (
  IN OUT Bytes     &Out,
  IN     uint32_t  V
  )
{
  Put16 (Out, uint16_t (V));
  Put16 (Out, uint16_t (V >> 16));
}

void
PadTo4 (
  IN OUT Bytes  &Out
  )
{
  while (Out.size () % 4 != 0) {
    Out.push_back (0);
  }
}

// One entry; `Type` empty means the numeric type 0 of the leading empty entry.
void
AppendEntry (
  IN OUT Bytes                &Out,
  IN     std::u16string_view  Type,
  IN     uint16_t             NameId,
  IN     uint16_t             Language,
  IN     uint16_t             MemoryFlags,
  IN     const Bytes          &Data
  )
{
  Bytes Ident;
  if (Type.empty ()) {
    Put16 (Ident, 0xFFFF);
    Put16 (Ident, 0);
  } else {
    for (char16_t C : Type) {
      Put16 (Ident, uint16_t (C));
    }
    Put16 (Ident, 0);
  }
  Put16 (Ident, 0xFFFF);
  Put16 (Ident, NameId);
  PadTo4 (Ident);  // the fixed fields that follow are 4-byte aligned
  const size_t HeaderSize = 8 + Ident.size () + 16;
  const size_t Start      = Out.size ();
  Put32 (Out, uint32_t (Data.size ()));
  Put32 (Out, uint32_t (HeaderSize));
  Out.insert (Out.end (), Ident.begin (), Ident.end ());
  Put32 (Out, 0);  // data version
  Put16 (Out, MemoryFlags);
  Put16 (Out, Language);
  Put32 (Out, 0);  // version
  Put32 (Out, 0);  // characteristics
  if (Out.size () - Start != HeaderSize) {
    throw FormatError ("resource header size");
  }
  Out.insert (Out.end (), Data.begin (), Data.end ());
  PadTo4 (Out);
}

}  // namespace

Bytes
MakeResourceFile (
  IN std::u16string_view  Type,
  IN uint16_t             NameId,
  IN uint16_t             Language,
  IN const Bytes          &Data
  )
{
  if (Type.empty ()) {
    throw FormatError ("resource type name is empty");
  }
  if (Data.size () > 0xFFFFFFF0u) {
    throw FormatError ("resource too large");
  }
  Bytes Out;
  // A .res file opens with an empty entry that marks it as a 32-bit resource file.
  AppendEntry (Out, u"", 0, 0, 0, {});
  AppendEntry (Out, Type, NameId, Language, kMemoryFlagsMoveablePure, Data);
  return Out;
}

}  // namespace fvwriter
