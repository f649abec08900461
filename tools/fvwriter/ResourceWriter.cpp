#include "ResourceWriter.h"

#include <Uefi/UefiHii.h>

#include <iterator>

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

Bytes
AddGuidPackage (
  IN const Bytes  &PackageList,
  IN const Guid   &Name,
  IN const Bytes  &Data
  )
{
  constexpr size_t kListHeader = sizeof (EFI_HII_PACKAGE_LIST_HEADER), kPackageHeader = sizeof (EFI_HII_PACKAGE_HEADER);
  auto             Read32      = [&PackageList] (size_t At) {
    return uint32_t (PackageList[At] | PackageList[At + 1] << 8 | PackageList[At + 2] << 16 | uint32_t (PackageList[At + 3]) << 24);
  };
  if (PackageList.size () < kListHeader + kPackageHeader || Read32 (16) != PackageList.size ()) {
    throw FormatError ("not one HII package list (length field mismatch)");
  }
  // The end package closes the list; anything after it would not be read.
  const size_t End = PackageList.size () - kPackageHeader;
  if ((Read32 (End) & 0xFFFFFF) != kPackageHeader || PackageList[End + 3] != EFI_HII_PACKAGE_END) {
    throw FormatError ("the package list does not close with its end package");
  }
  const size_t Length = kPackageHeader + sizeof Name.Bytes + Data.size ();
  if (Length > kMaxSize24 || PackageList.size () + Length > 0xFFFFFFFFu) {
    throw FormatError ("GUID package too large");
  }
  Bytes Out (PackageList.begin (), PackageList.begin () + End);
  Put32 (Out, uint32_t (Length | uint32_t (EFI_HII_PACKAGE_TYPE_GUID) << 24));
  Out.insert (Out.end (), std::begin (Name.Bytes), std::end (Name.Bytes));
  Out.insert (Out.end (), Data.begin (), Data.end ());
  Out.insert (Out.end (), PackageList.begin () + End, PackageList.end ());
  const uint32_t Total = uint32_t (Out.size ());
  for (size_t I = 0; I < 4; ++I) {
    Out[16 + I] = uint8_t (Total >> (8 * I));
  }
  return Out;
}

}  // namespace fvwriter
