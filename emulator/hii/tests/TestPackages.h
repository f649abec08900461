// Byte-level writers for the HII tests: string blocks, packages and package lists,
// written here independently of the code under test.
#ifndef EMULATOR_HII_TEST_PACKAGES_H_
#define EMULATOR_HII_TEST_PACKAGES_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace HiiTest {

using BYTES = std::vector<UINT8>;

inline void
Put16 (BYTES &Out, UINT16 Value)
{
  Out.push_back ((UINT8)Value);
  Out.push_back ((UINT8)(Value >> 8));
}

inline void
PutText (BYTES &Out, const std::u16string &Text)
{
  for (char16_t Unit : Text) {
    Put16 (Out, (UINT16)Unit);
  }
  Put16 (Out, 0);
}

// String blocks one by one; Package() adds the header and the end block.
class StringBlocks {
public:
  explicit StringBlocks (std::string Language) : mLanguage (std::move (Language)) {}

  StringBlocks &Ucs2 (const std::u16string &Text)
  {
    mBlocks.push_back (EFI_HII_SIBT_STRING_UCS2);
    PutText (mBlocks, Text);
    return *this;
  }
  StringBlocks &Ucs2Font (UINT8 Font, const std::u16string &Text)
  {
    mBlocks.push_back (EFI_HII_SIBT_STRING_UCS2_FONT);
    mBlocks.push_back (Font);
    PutText (mBlocks, Text);
    return *this;
  }
  StringBlocks &Ucs2Many (const std::vector<std::u16string> &Texts, bool Font = false)
  {
    mBlocks.push_back (Font ? EFI_HII_SIBT_STRINGS_UCS2_FONT : EFI_HII_SIBT_STRINGS_UCS2);
    if (Font) {
      mBlocks.push_back (1);
    }
    Put16 (mBlocks, (UINT16)Texts.size ());
    for (const auto &Text : Texts) {
      PutText (mBlocks, Text);
    }
    return *this;
  }
  StringBlocks &Scsu (const std::string &Text)
  {
    mBlocks.push_back (EFI_HII_SIBT_STRING_SCSU);
    mBlocks.insert (mBlocks.end (), Text.begin (), Text.end ());
    mBlocks.push_back (0);
    return *this;
  }
  StringBlocks &Duplicate (UINT16 Id)
  {
    mBlocks.push_back (EFI_HII_SIBT_DUPLICATE);
    Put16 (mBlocks, Id);
    return *this;
  }
  StringBlocks &Skip1 (UINT8 Count)
  {
    mBlocks.push_back (EFI_HII_SIBT_SKIP1);
    mBlocks.push_back (Count);
    return *this;
  }
  StringBlocks &Skip2 (UINT16 Count)
  {
    mBlocks.push_back (EFI_HII_SIBT_SKIP2);
    Put16 (mBlocks, Count);
    return *this;
  }
  StringBlocks &Raw (const BYTES &Bytes)
  {
    mBlocks.insert (mBlocks.end (), Bytes.begin (), Bytes.end ());
    return *this;
  }
  BYTES Package () const
  {
    BYTES   Out (EFI_HII_STRING_PACKAGE_FIXED_SIZE, 0);
    UINT32  HdrSize = (UINT32)(EFI_HII_STRING_PACKAGE_FIXED_SIZE + mLanguage.size () + 1);
    Out[3] = EFI_HII_PACKAGE_STRINGS;
    std::memcpy (&Out[4], &HdrSize, 4);
    std::memcpy (&Out[8], &HdrSize, 4);
    Out[44] = 1;  // the language's own name is string 1
    Out.insert (Out.end (), mLanguage.begin (), mLanguage.end ());
    Out.push_back (0);
    Out.insert (Out.end (), mBlocks.begin (), mBlocks.end ());
    Out.push_back (EFI_HII_SIBT_END);
    HiiWriteUint24 (Out.data (), (UINT32)Out.size ());
    return Out;
  }

private:
  std::string  mLanguage;
  BYTES        mBlocks;
};

// A string package holding Texts as ids 1, 2, ...
inline BYTES
Strings (const std::string &Language, const std::vector<std::u16string> &Texts)
{
  StringBlocks  Blocks (Language);
  for (const auto &Text : Texts) {
    Blocks.Ucs2 (Text);
  }
  return Blocks.Package ();
}

inline BYTES
Package (UINT8 Type, const BYTES &Body)
{
  BYTES  Out (4, 0);
  Out.insert (Out.end (), Body.begin (), Body.end ());
  HiiWriteUint24 (Out.data (), (UINT32)Out.size ());
  Out[3] = Type;
  return Out;
}

inline BYTES
PackageList (const EFI_GUID &Guid, const std::vector<BYTES> &Packages)
{
  BYTES  Out (20, 0);
  std::memcpy (Out.data (), &Guid, 16);
  for (const auto &Package : Packages) {
    Out.insert (Out.end (), Package.begin (), Package.end ());
  }
  const UINT8  End[] = { 4, 0, 0, EFI_HII_PACKAGE_END };
  Out.insert (Out.end (), End, End + 4);
  UINT32  Length = (UINT32)Out.size ();
  std::memcpy (&Out[16], &Length, 4);
  return Out;
}

}  // namespace HiiTest

#endif
