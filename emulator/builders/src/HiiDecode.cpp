#include <Builders/HiiDecode.h>

#include <Builders/ByteWriter.h>
#include <Uefi/UefiIfr.h>

namespace Builders {

namespace {

bool
ReadUcs2z (std::span<const uint8_t> In, size_t &Offset, std::u16string &Text)
{
  Text.clear ();
  while (Offset + 2 <= In.size ()) {
    char16_t  Unit = (char16_t)GetU16 (In, Offset);

    Offset += 2;
    if (Unit == 0) {
      return true;
    }

    Text.push_back (Unit);
  }

  return false;
}

bool
ReadAsciiz (std::span<const uint8_t> In, size_t &Offset, std::u16string &Text)
{
  Text.clear ();
  while (Offset < In.size ()) {
    uint8_t  Byte = In[Offset++];

    if (Byte == 0) {
      return true;
    }

    Text.push_back ((char16_t)Byte);
  }

  return false;
}

bool
DecodeStringList (
  std::span<const uint8_t>  In,
  size_t                    &Offset,
  uint32_t                  Count,
  bool                      Ucs2,
  int                       Font,
  DECODED_STRING_PACKAGE    &Out,
  uint32_t                  &Id
  )
{
  std::u16string  Text;

  for (uint32_t Index = 0; Index < Count; Index++) {
    if (!(Ucs2 ? ReadUcs2z (In, Offset, Text) : ReadAsciiz (In, Offset, Text))) {
      Out.Error = "unterminated string";
      return false;
    }

    Out.Strings[(EFI_STRING_ID)Id] = Text;
    if (Font >= 0) {
      Out.Fonts[(EFI_STRING_ID)Id] = (uint8_t)Font;
    }

    Id++;
  }

  return true;
}

// Bytes a block's fixed header takes, 0 for an unknown block type.
size_t
BlockHeaderSize (uint8_t Type)
{
  switch (Type) {
    case EFI_HII_SIBT_END:
    case EFI_HII_SIBT_STRING_UCS2:
    case EFI_HII_SIBT_STRING_SCSU:
      return 1;
    case EFI_HII_SIBT_STRING_UCS2_FONT:
    case EFI_HII_SIBT_STRING_SCSU_FONT:
    case EFI_HII_SIBT_SKIP1:
      return 2;
    case EFI_HII_SIBT_STRINGS_UCS2:
    case EFI_HII_SIBT_STRINGS_SCSU:
    case EFI_HII_SIBT_DUPLICATE:
    case EFI_HII_SIBT_SKIP2:
    case EFI_HII_SIBT_EXT1:
      return 3;
    case EFI_HII_SIBT_STRINGS_UCS2_FONT:
    case EFI_HII_SIBT_STRINGS_SCSU_FONT:
    case EFI_HII_SIBT_EXT2:
      return 4;
    case EFI_HII_SIBT_EXT4:
      return 6;
    default:
      return 0;
  }
}

// Extended blocks carry their whole length; readers step over them.
bool
SkipExtendedBlock (std::span<const uint8_t> In, size_t &Offset, size_t Need, DECODED_STRING_PACKAGE &Out)
{
  uint8_t  Type   = In[Offset];
  uint32_t Length = Type == EFI_HII_SIBT_EXT1   ? In[Offset + 2]
                    : Type == EFI_HII_SIBT_EXT2 ? GetU16 (In, Offset + 2)
                                                : GetU32 (In, Offset + 2);

  if (Length < Need || Offset + Length > In.size ()) {
    Out.Error = "extended block length out of range";
    return false;
  }

  Offset += Length;
  return true;
}

// One string block at Offset; false ends the walk (END block or an error).
bool
DecodeOneBlock (std::span<const uint8_t> In, size_t &Offset, DECODED_STRING_PACKAGE &Out, uint32_t &Id)
{
  uint8_t  Type = In[Offset];
  size_t   Need = BlockHeaderSize (Type);
  bool     Ucs2 = Type >= EFI_HII_SIBT_STRING_UCS2 && Type <= EFI_HII_SIBT_STRINGS_UCS2_FONT;

  Out.BlockCounts[Type]++;
  if (Need == 0 || Offset + Need > In.size ()) {
    Out.Error = Need == 0 ? "unknown string block type" : "string block header runs past the package end";
    return false;
  }

  size_t  Start = Offset;
  Offset += Need;
  switch (Type) {
    case EFI_HII_SIBT_END:
      return false;
    case EFI_HII_SIBT_STRING_UCS2:
    case EFI_HII_SIBT_STRING_SCSU:
      return DecodeStringList (In, Offset, 1, Ucs2, -1, Out, Id);
    case EFI_HII_SIBT_STRING_UCS2_FONT:
    case EFI_HII_SIBT_STRING_SCSU_FONT:
      return DecodeStringList (In, Offset, 1, Ucs2, In[Start + 1], Out, Id);
    case EFI_HII_SIBT_STRINGS_UCS2:
    case EFI_HII_SIBT_STRINGS_SCSU:
      return DecodeStringList (In, Offset, GetU16 (In, Start + 1), Ucs2, -1, Out, Id);
    case EFI_HII_SIBT_STRINGS_UCS2_FONT:
    case EFI_HII_SIBT_STRINGS_SCSU_FONT:
      return DecodeStringList (In, Offset, GetU16 (In, Start + 2), Ucs2, In[Start + 1], Out, Id);
    case EFI_HII_SIBT_DUPLICATE:
      Out.Duplicates[(EFI_STRING_ID)Id++] = GetU16 (In, Start + 1);
      return true;
    case EFI_HII_SIBT_SKIP2:
      Id += GetU16 (In, Start + 1);
      return true;
    case EFI_HII_SIBT_SKIP1:
      Id += In[Start + 1];
      return true;
    default:
      Offset = Start;
      return SkipExtendedBlock (In, Offset, Need, Out);
  }
}

}  // namespace

const std::u16string *
DECODED_STRING_PACKAGE::Find (EFI_STRING_ID Id) const
{
  for (int Hop = 0; Hop < 16; Hop++) {
    auto  Text = Strings.find (Id);
    if (Text != Strings.end ()) {
      return &Text->second;
    }

    auto  Dup = Duplicates.find (Id);
    if (Dup == Duplicates.end ()) {
      return nullptr;
    }

    Id = Dup->second;
  }

  return nullptr;
}

DECODED_STRING_PACKAGE
DecodeStringPackage (std::span<const uint8_t> Package)
{
  DECODED_STRING_PACKAGE  Out;
  size_t                  Offset;
  uint32_t                Id = 1;

  if (Package.size () < EFI_HII_STRING_PACKAGE_FIXED_SIZE + 1 || HiiGetPackageLength (Package.data ()) != Package.size ()) {
    Out.Error = "string package header does not fit";
    return Out;
  }

  Out.LanguageName = GetU16 (Package, 44);
  for (Offset = EFI_HII_STRING_PACKAGE_FIXED_SIZE; Offset < Package.size () && Package[Offset] != 0; Offset++) {
    Out.Language.push_back ((char)Package[Offset]);
  }

  Offset = GetU32 (Package, 8);
  if (Offset < Out.Language.size () + EFI_HII_STRING_PACKAGE_FIXED_SIZE + 1 || Offset > Package.size ()) {
    Out.Error = "StringInfoOffset outside the package";
    return Out;
  }

  while (true) {
    if (Offset >= Package.size ()) {
      Out.Error = "string blocks run past the package end without SIBT_END";
      break;
    }

    if (!DecodeOneBlock (Package, Offset, Out, Id)) {
      break;
    }
  }

  Out.LastId = (EFI_STRING_ID)(Id - 1);
  return Out;
}

IFR_DECODE_RESULT
DecodeIfr (std::span<const uint8_t> Package)
{
  IFR_DECODE_RESULT  Out;
  size_t             Offset = 4;
  size_t             End;

  if (Package.size () < 4 || HiiGetPackageLength (Package.data ()) > Package.size ()) {
    Out.Error = "package header does not fit";
    return Out;
  }

  End = HiiGetPackageLength (Package.data ());
  while (Offset < End) {
    if (Offset + 2 > End) {
      Out.Error = "truncated opcode header";
      break;
    }

    IFR_OP_VIEW  Op;
    Op.OpCode = Package[Offset];
    Op.Length = IfrOpLength (&Package[Offset]);
    Op.Scope  = IfrOpScope (&Package[Offset]) != 0;
    Op.Offset = Offset;
    if (Op.Length < sizeof (EFI_IFR_OP_HEADER)) {
      Out.Error = "opcode length below its header";
      break;
    }

    if (Offset + Op.Length > End) {
      Out.Error = "opcode runs past the package end";
      break;
    }

    if (Op.OpCode == EFI_IFR_END_OP && Out.OpenScopes > 0) {
      Out.OpenScopes--;
    }

    Op.Depth = Out.OpenScopes;
    Op.Bytes = Package.subspan (Offset, Op.Length);
    Out.OpenScopes += Op.Scope ? 1 : 0;
    Out.Ops.push_back (Op);
    Offset += Op.Length;
  }

  return Out;
}

HII_EXPORT_VIEW
SplitPackageLists (std::span<const uint8_t> Buffer)
{
  HII_EXPORT_VIEW  Out;
  size_t           Offset = 0;

  while (Offset < Buffer.size () && Out.Error.empty ()) {
    HII_PACKAGE_LIST_VIEW  List;
    bool                   SawEnd = false;

    if (Offset + sizeof (EFI_HII_PACKAGE_LIST_HEADER) > Buffer.size ()) {
      Out.Error = "truncated package list header";
      break;
    }

    List.Guid   = GetGuid (Buffer, Offset);
    List.Length = GetU32 (Buffer, Offset + 16);
    List.Offset = Offset;
    if (List.Length < sizeof (EFI_HII_PACKAGE_LIST_HEADER) + 4 || Offset + List.Length > Buffer.size ()) {
      Out.Error = "package list length out of range";
      break;
    }

    size_t  Position = Offset + sizeof (EFI_HII_PACKAGE_LIST_HEADER);
    size_t  ListEnd  = Offset + List.Length;
    while (Position < ListEnd && !SawEnd) {
      HII_PACKAGE_VIEW  Package;
      uint32_t          Length;

      if (Position + 4 > ListEnd) {
        Out.Error = "truncated package header";
        break;
      }

      Length = HiiGetPackageLength (&Buffer[Position]);
      if (Length < 4 || Position + Length > ListEnd) {
        Out.Error = "package length out of range";
        break;
      }

      Package.Type   = HiiGetPackageType (&Buffer[Position]);
      Package.Offset = Position;
      Package.Bytes  = Buffer.subspan (Position, Length);
      List.Packages.push_back (Package);
      SawEnd    = Package.Type == EFI_HII_PACKAGE_END;
      Position += Length;
    }

    if (Out.Error.empty () && (!SawEnd || Position != ListEnd)) {
      Out.Error = SawEnd ? "bytes after the END package" : "package list without END package";
    }

    Out.Lists.push_back (List);
    Offset += List.Length;
  }

  return Out;
}

}  // namespace Builders
