/** @file
  Decoding and encoding of HII string packages.
**/
#include <EmulatorHii/StringPackage.h>

#include <cstring>

namespace Emu {

namespace {

// Cursor over the block list; every read checks the end first.
class BlockReader {
public:
  BlockReader (const UINT8 *Start, const UINT8 *End) : mPos (Start), mEnd (End) {}

  bool  AtEnd () const { return mPos >= mEnd; }
  bool  Has (UINTN Bytes) const { return (UINTN)(mEnd - mPos) >= Bytes; }
  bool  Byte (UINT8 *Value)
  {
    if (!Has (1)) {
      return false;
    }
    *Value = *mPos++;
    return true;
  }
  bool  Word (UINT16 *Value)
  {
    if (!Has (2)) {
      return false;
    }
    std::memcpy (Value, mPos, 2);
    mPos += 2;
    return true;
  }
  bool  Read (UINT8 *Value) { return Byte (Value); }
  bool  Read (UINT16 *Value) { return Word (Value); }
  bool  Skip (UINTN Bytes)
  {
    if (!Has (Bytes)) {
      return false;
    }
    mPos += Bytes;
    return true;
  }
  // A zero-terminated text of UCS-2 (UINT16) or SCSU-as-ASCII (UINT8) units.
  template <class UNIT>
  bool  Text (std::u16string *Out)
  {
    Out->clear ();
    for (;;) {
      UNIT  Unit;
      if (!Read (&Unit)) {
        return false;
      }
      if (Unit == 0) {
        return true;
      }
      Out->push_back ((char16_t)Unit);
    }
  }

private:
  const UINT8  *mPos;
  const UINT8  *mEnd;
};

// Duplicate blocks copy a text already decoded, so a small package could decode to far
// more text than it holds (30,000 duplicates of a 30,000-character string: 1.8 GB). No
// package decodes to more than the largest package (24-bit length) could hold written out.
constexpr UINTN  kMaxDecodedUnits = 0x1000000 / sizeof (CHAR16);

bool
StoreString (STRING_PACKAGE *Out, UINT32 *Id, std::u16string &&Text)
{
  if ((*Id > 0xFFFF) || (Text.size () > kMaxDecodedUnits - Out->DecodedUnits)) {
    return false;
  }
  Out->DecodedUnits += Text.size ();
  Out->Strings[(EFI_STRING_ID)*Id] = std::move (Text);
  Out->LastId = (EFI_STRING_ID)*Id;
  (*Id)++;
  return true;
}

bool
ReadTextBlocks (BlockReader &Reader, UINT8 Type, STRING_PACKAGE *Out, UINT32 *Id)
{
  bool            Font  = (Type & 1) != 0;
  bool            Many  = (Type == EFI_HII_SIBT_STRINGS_UCS2) || (Type == EFI_HII_SIBT_STRINGS_UCS2_FONT) ||
                          (Type == EFI_HII_SIBT_STRINGS_SCSU) || (Type == EFI_HII_SIBT_STRINGS_SCSU_FONT);
  bool            Ucs2  = Type >= EFI_HII_SIBT_STRING_UCS2;
  UINT16          Count = 1;
  std::u16string  Text;

  if (Font && !Reader.Skip (1)) {
    return false;
  }
  if (Many && !Reader.Word (&Count)) {
    return false;
  }
  for (UINT16 Index = 0; Index < Count; Index++) {
    if (!(Ucs2 ? Reader.Text<UINT16> (&Text) : Reader.Text<UINT8> (&Text))) {
      return false;
    }
    if (!StoreString (Out, Id, std::move (Text))) {
      return false;
    }
  }
  return true;
}

bool
SkipExtendedBlock (BlockReader &Reader, UINT8 Type)
{
  UINT8   Type2;
  UINT32  Length = 0;
  UINTN   Header;

  if (!Reader.Byte (&Type2)) {
    return false;
  }
  if (Type == EFI_HII_SIBT_EXT1) {
    UINT8  Short;
    if (!Reader.Byte (&Short)) {
      return false;
    }
    Length = Short;
    Header = 3;
  } else if (Type == EFI_HII_SIBT_EXT2) {
    UINT16  Word;
    if (!Reader.Word (&Word)) {
      return false;
    }
    Length = Word;
    Header = 4;
  } else {
    UINT16  Low;
    UINT16  High;
    if (!Reader.Word (&Low) || !Reader.Word (&High)) {
      return false;
    }
    Length = (UINT32)Low | ((UINT32)High << 16);
    Header = 6;
  }
  return (Length >= Header) && Reader.Skip (Length - Header);
}

// One block; Done is set by the end block. False on a malformed block.
bool
ReadBlock (BlockReader &Reader, STRING_PACKAGE *Out, UINT32 *Id, bool *Done)
{
  UINT8   Type;
  UINT8   Skip8;
  UINT16  Word;

  if (!Reader.Byte (&Type)) {
    return false;
  }
  switch (Type) {
    case EFI_HII_SIBT_END:
      *Done = true;
      return true;
    case EFI_HII_SIBT_STRING_SCSU: case EFI_HII_SIBT_STRING_SCSU_FONT:
    case EFI_HII_SIBT_STRINGS_SCSU: case EFI_HII_SIBT_STRINGS_SCSU_FONT:
    case EFI_HII_SIBT_STRING_UCS2: case EFI_HII_SIBT_STRING_UCS2_FONT:
    case EFI_HII_SIBT_STRINGS_UCS2: case EFI_HII_SIBT_STRINGS_UCS2_FONT:
      return ReadTextBlocks (Reader, Type, Out, Id);
    case EFI_HII_SIBT_DUPLICATE: {
      if (!Reader.Word (&Word)) {
        return false;
      }
      auto            Found = Out->Strings.find (Word);
      std::u16string  Copy  = (Found != Out->Strings.end ()) ? Found->second : std::u16string ();
      return StoreString (Out, Id, std::move (Copy));
    }
    case EFI_HII_SIBT_SKIP1:
      if (!Reader.Byte (&Skip8)) {
        return false;
      }
      *Id += Skip8;
      return true;
    case EFI_HII_SIBT_SKIP2:
      if (!Reader.Word (&Word)) {
        return false;
      }
      *Id += Word;
      return true;
    case EFI_HII_SIBT_EXT1: case EFI_HII_SIBT_EXT2: case EFI_HII_SIBT_EXT4:
      return SkipExtendedBlock (Reader, Type);
    default:
      return false;
  }
}

}  // namespace

EFI_STATUS
DecodeStringPackage (const UINT8 *Package, UINTN Size, STRING_PACKAGE *Out)
{
  UINT32  HdrSize;
  UINT32  InfoOffset;
  UINT32  Id   = 1;
  bool    Done = false;

  if ((Package == nullptr) || (Out == nullptr) || (Size < EFI_HII_STRING_PACKAGE_FIXED_SIZE + 1) ||
      (HiiReadUint24 (Package) != Size) || (Package[3] != EFI_HII_PACKAGE_STRINGS)) {
    return EFI_INVALID_PARAMETER;
  }
  std::memcpy (&HdrSize, Package + 4, 4);
  std::memcpy (&InfoOffset, Package + 8, 4);
  if ((HdrSize > Size) || (HdrSize <= EFI_HII_STRING_PACKAGE_FIXED_SIZE) || (InfoOffset < HdrSize) ||
      (InfoOffset > Size)) {
    return EFI_INVALID_PARAMETER;
  }
  *Out = STRING_PACKAGE ();
  std::memcpy (Out->LanguageWindow.data (), Package + 12, 32);
  std::memcpy (&Out->LanguageName, Package + 44, 2);
  const char  *Tag = (const char *)Package + EFI_HII_STRING_PACKAGE_FIXED_SIZE;
  UINTN       TagLength = strnlen (Tag, HdrSize - EFI_HII_STRING_PACKAGE_FIXED_SIZE);
  if (TagLength == HdrSize - EFI_HII_STRING_PACKAGE_FIXED_SIZE) {
    return EFI_INVALID_PARAMETER;  // the tag has no terminator inside the header
  }
  Out->Language.assign (Tag, TagLength);

  BlockReader  Reader (Package + InfoOffset, Package + Size);
  while (!Done) {
    if (!ReadBlock (Reader, Out, &Id, &Done)) {
      return EFI_INVALID_PARAMETER;
    }
  }
  if (Id - 1 > Out->LastId) {
    Out->LastId = (EFI_STRING_ID)((Id - 1 > 0xFFFF) ? 0xFFFF : Id - 1);
  }
  return EFI_SUCCESS;
}

namespace {

void
PutWord (std::vector<UINT8> &Bytes, UINT16 Value)
{
  Bytes.push_back ((UINT8)Value);
  Bytes.push_back ((UINT8)(Value >> 8));
}

void
PutSkip (std::vector<UINT8> &Bytes, UINT32 Count)
{
  while (Count > 0) {
    if (Count <= 0xFF) {
      Bytes.push_back (EFI_HII_SIBT_SKIP1);
      Bytes.push_back ((UINT8)Count);
      return;
    }
    UINT16  Part = (Count > 0xFFFF) ? 0xFFFF : (UINT16)Count;
    Bytes.push_back (EFI_HII_SIBT_SKIP2);
    PutWord (Bytes, Part);
    Count -= Part;
  }
}

}  // namespace

std::vector<UINT8>
EncodeStringPackage (const STRING_PACKAGE &Package)
{
  std::vector<UINT8>  Bytes (EFI_HII_STRING_PACKAGE_FIXED_SIZE, 0);
  UINT32              HdrSize = (UINT32)(EFI_HII_STRING_PACKAGE_FIXED_SIZE + Package.Language.size () + 1);
  UINT32              NextId  = 1;

  Bytes[3] = EFI_HII_PACKAGE_STRINGS;
  std::memcpy (Bytes.data () + 4, &HdrSize, 4);
  std::memcpy (Bytes.data () + 8, &HdrSize, 4);
  std::memcpy (Bytes.data () + 12, Package.LanguageWindow.data (), 32);
  std::memcpy (Bytes.data () + 44, &Package.LanguageName, 2);
  for (char Letter : Package.Language) {
    Bytes.push_back ((UINT8)Letter);
  }

  Bytes.push_back (0);

  for (const auto &[Id, Text] : Package.Strings) {
    PutSkip (Bytes, Id - NextId);
    Bytes.push_back (EFI_HII_SIBT_STRING_UCS2);
    for (char16_t Unit : Text) {
      PutWord (Bytes, (UINT16)Unit);
    }
    PutWord (Bytes, 0);
    NextId = (UINT32)Id + 1;
  }
  if (Package.LastId >= NextId) {
    PutSkip (Bytes, Package.LastId + 1 - NextId);
  }
  Bytes.push_back (EFI_HII_SIBT_END);
  HiiWriteUint24 (Bytes.data (), (UINT32)Bytes.size ());
  return Bytes;
}

std::string
PrimaryLanguage (const std::string &Field)
{
  return Field.substr (0, Field.find (';'));
}

bool
LanguageEqual (const std::string &A, const std::string &B)
{
  if (A.size () != B.size ()) {
    return false;
  }
  for (size_t Index = 0; Index < A.size (); Index++) {
    char  X = A[Index];
    char  Y = B[Index];
    if ((X >= 'A') && (X <= 'Z')) {
      X = (char)(X - 'A' + 'a');
    }
    if ((Y >= 'A') && (Y <= 'Z')) {
      Y = (char)(Y - 'A' + 'a');
    }
    if (X != Y) {
      return false;
    }
  }
  return true;
}

}  // namespace Emu
