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

}  // namespace
