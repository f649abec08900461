#include <gtest/gtest.h>

#include "ResourceWriter.h"

using fvwriter::Bytes;

namespace {

TEST (ResourceFile, MatchesTheResourceCompilersLayout)
{
  const Bytes Res      = fvwriter::MakeHiiResourceFile ({ 0xA1, 0xA2, 0xA3, 0xA4, 0xA5 });
  const Bytes Expected = { // Leading empty entry: size 0, header 32, type 0, name 0.
                           0x00, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00,
                           0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                           // Data size 5, header 36, type "HII", name 1, no padding needed after the name.
                           0x05, 0x00, 0x00, 0x00, 0x24, 0x00, 0x00, 0x00, 'H', 0x00, 'I', 0x00, 'I', 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x01,
                           0x00,
                           // Data version, memory flags (moveable, pure), language en-US, version, characteristics.
                           0x00, 0x00, 0x00, 0x00, 0x30, 0x00, 0x09, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                           // The data, padded to a 4-byte boundary.
                           0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0x00, 0x00, 0x00
  };
  EXPECT_EQ (Expected, Res);
}

TEST (ResourceFile, TypeNamePaddingKeepsTheFixedFieldsAligned)
{
  // "HIIX" plus its terminator is 10 bytes, the name id 4 more: 2 bytes of padding.
  const Bytes    Res        = fvwriter::MakeResourceFile (u"HIIX", 7, 0, { 1, 2, 3, 4 });
  const size_t   Entry      = 32;
  const uint32_t HeaderSize = Res[Entry + 4] | Res[Entry + 5] << 8;
  EXPECT_EQ (8u + 10 + 4 + 2 + 16, HeaderSize);
  EXPECT_EQ (0xFF, Res[Entry + 18]);
  EXPECT_EQ (7, Res[Entry + 20]);
  EXPECT_EQ (0, Res[Entry + 22]);  // padding
  EXPECT_EQ (0, Res[Entry + 23]);
  EXPECT_EQ (1, Res[Entry + HeaderSize]);
  EXPECT_EQ (Entry + HeaderSize + 4, Res.size ());
}

TEST (ResourceFile, RejectsAnEmptyTypeName)
{
  EXPECT_THROW (fvwriter::MakeResourceFile (u"", 1, 0, {}), fvwriter::FormatError);
}

// A list of one 8-byte package and the end package, 32 bytes in all.
Bytes
SmallList ()
{
  Bytes List (16, 0xAB);
  for (uint8_t B : { 32, 0, 0, 0, 8, 0, 0, 0x04, 0x11, 0x22, 0x33, 0x44, 4, 0, 0, 0xDF }) {
    List.push_back (B);
  }
  return List;
}

TEST (GuidPackage, GoesBeforeTheEndPackageAndTheListLengthFollows)
{
  const auto  Name = fvwriter::Guid::Parse ("FE612B72-203C-47B1-8560-A66D946EB371");
  const Bytes List = fvwriter::AddGuidPackage (SmallList (), *Name, { 7, 8, 9 });
  ASSERT_EQ (32u + 4 + 16 + 3, List.size ());
  EXPECT_EQ (List.size (), size_t (List[16] | List[17] << 8));
  EXPECT_EQ (0x11, List[24]);                                   // the package before stays first
  EXPECT_EQ (Bytes ({ 23, 0, 0, 0x01 }), Bytes (List.begin () + 28, List.begin () + 32));
  EXPECT_EQ (Bytes (std::begin (Name->Bytes), std::end (Name->Bytes)), Bytes (List.begin () + 32, List.begin () + 48));
  EXPECT_EQ (Bytes ({ 7, 8, 9, 4, 0, 0, 0xDF }), Bytes (List.begin () + 48, List.end ()));
}

TEST (GuidPackage, RefusesAListWhoseLengthOrEndIsWrong)
{
  const auto Name  = fvwriter::Guid::Parse ("FE612B72-203C-47B1-8560-A66D946EB371");
  Bytes      Short = SmallList ();
  Short[16]        = 31;
  EXPECT_THROW (fvwriter::AddGuidPackage (Short, *Name, {}), fvwriter::FormatError);
  Bytes NoEnd = SmallList ();
  NoEnd.back ()      = 0x04;
  EXPECT_THROW (fvwriter::AddGuidPackage (NoEnd, *Name, {}), fvwriter::FormatError);
  EXPECT_THROW (fvwriter::AddGuidPackage (Bytes (10, 0), *Name, {}), fvwriter::FormatError);
}

}  // namespace

