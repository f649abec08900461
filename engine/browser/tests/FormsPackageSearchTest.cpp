// Finding the forms package of an exported package list: the first one before the
// end package, and none when a header is short or runs past the list.
#include <engine/browser/DynamicPages.h>

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<UINT8>
Package (UINT8 Type, UINT32 Length)
{
  std::vector<UINT8>  Bytes (Length, 0xAA);
  Bytes[0] = (UINT8)Length;
  Bytes[1] = (UINT8)(Length >> 8);
  Bytes[2] = (UINT8)(Length >> 16);
  Bytes[3] = Type;
  return Bytes;
}

std::vector<UINT8>
List (const std::vector<std::vector<UINT8>> &Packages)
{
  std::vector<UINT8>  Bytes (sizeof (EFI_HII_PACKAGE_LIST_HEADER), 0);

  for (const auto &One : Packages) {
    Bytes.insert (Bytes.end (), One.begin (), One.end ());
  }
  return Bytes;
}

TEST (SetupFormsTest, TheFirstFormsPackageBeforeTheEndIsFound) {
  std::vector<UINT8>  Bytes  = List ({ Package (EFI_HII_PACKAGE_STRINGS, 10), Package (EFI_HII_PACKAGE_FORMS, 8),
                                       Package (EFI_HII_PACKAGE_END, 4) });
  UINTN               Offset = 0;

  EXPECT_EQ (FindFormsPackage (Bytes.data (), Bytes.size (), &Offset), 8u);
  EXPECT_EQ (Offset, 30u);
}

TEST (SetupFormsTest, NoFormsPackageAfterTheEndShortHeadersOrOverruns) {
  UINTN               Offset = 0;
  std::vector<UINT8>  AfterEnd = List ({ Package (EFI_HII_PACKAGE_END, 4), Package (EFI_HII_PACKAGE_FORMS, 8) });
  std::vector<UINT8>  Short    = List ({ Package (EFI_HII_PACKAGE_STRINGS, 4), Package (EFI_HII_PACKAGE_FORMS, 8) });
  std::vector<UINT8>  Overrun  = List ({ Package (EFI_HII_PACKAGE_FORMS, 8) });

  EXPECT_EQ (FindFormsPackage (AfterEnd.data (), AfterEnd.size (), &Offset), 0u);
  Short[20] = 3;                                   // a header shorter than itself
  EXPECT_EQ (FindFormsPackage (Short.data (), Short.size (), &Offset), 0u);
  EXPECT_EQ (FindFormsPackage (Overrun.data (), Overrun.size () - 1, &Offset), 0u);
  EXPECT_EQ (FindFormsPackage (nullptr, 100, &Offset), 0u);
}

}  // namespace
