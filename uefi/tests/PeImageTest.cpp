// Reads the built driver image and checks what a UEFI loader checks before it runs
// an image: the PE32+ headers, the machine, the subsystem, an entry point, and base
// relocations (the firmware loads the driver wherever the pool has room).
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct PeImage {
  std::vector<uint8_t>  Bytes;
  size_t                PeOffset = 0;

  uint16_t U16 (size_t Offset) const
  {
    return (uint16_t)(Bytes.at (Offset) | (Bytes.at (Offset + 1) << 8));
  }

  uint32_t U32 (size_t Offset) const { return U16 (Offset) | ((uint32_t)U16 (Offset + 2) << 16); }

  size_t OptionalHeader () const { return PeOffset + 24; }
  size_t SectionTable () const { return OptionalHeader () + U16 (PeOffset + 20); }
  uint16_t SectionCount () const { return U16 (PeOffset + 6); }

  std::string SectionName (unsigned Index) const
  {
    const char  *Name = (const char *)&Bytes.at (SectionTable () + Index * 40);
    return std::string (Name, strnlen (Name, 8));
  }
};

class DriverImage : public ::testing::Test {
protected:
  void SetUp () override
  {
    std::ifstream  File (SETUP_UEFI_IMAGE_FILE, std::ios::binary);
    ASSERT_TRUE (File.good ()) << "missing " << SETUP_UEFI_IMAGE_FILE;
    Image.Bytes.assign (std::istreambuf_iterator<char> (File), std::istreambuf_iterator<char> ());
    ASSERT_GE (Image.Bytes.size (), 0x200u);
    ASSERT_EQ ('M', Image.Bytes[0]);
    ASSERT_EQ ('Z', Image.Bytes[1]);
    Image.PeOffset = Image.U32 (0x3C);
    ASSERT_LT (Image.PeOffset + 24 + 240, Image.Bytes.size ());
    ASSERT_EQ (0, std::memcmp (&Image.Bytes[Image.PeOffset], "PE\0\0", 4));
  }

  PeImage  Image;
};

TEST_F (DriverImage, IsPe32PlusForX64) {
  EXPECT_EQ (0x8664, Image.U16 (Image.PeOffset + 4));          // machine
  EXPECT_EQ (0x20B, Image.U16 (Image.OptionalHeader ()));      // PE32+ magic
}

TEST_F (DriverImage, IsABootServiceDriverWithAnEntryPoint) {
  size_t  Optional = Image.OptionalHeader ();

  EXPECT_EQ (11, Image.U16 (Optional + 68));                   // EFI boot-service driver
  uint32_t  Entry     = Image.U32 (Optional + 16);
  uint32_t  ImageSize = Image.U32 (Optional + 56);
  EXPECT_NE (0u, Entry);
  EXPECT_LT (Entry, ImageSize);
}

TEST_F (DriverImage, CarriesBaseRelocations) {
  size_t  Optional = Image.OptionalHeader ();

  ASSERT_GT (Image.U32 (Optional + 108), 5u);                  // data directory count
  EXPECT_NE (0u, Image.U32 (Optional + 112 + 5 * 8));          // base relocation RVA
  EXPECT_NE (0u, Image.U32 (Optional + 112 + 5 * 8 + 4));      // and size
  bool  Found = false;
  for (unsigned Index = 0; Index < Image.SectionCount (); Index++) {
    Found = Found || (Image.SectionName (Index) == ".reloc");
  }

  EXPECT_TRUE (Found);
  // Relocations must not be stripped: the firmware cannot load such an image elsewhere.
  EXPECT_EQ (0, Image.U16 (Image.PeOffset + 22) & 0x0001);
}

// Firmware has no dynamic linker: an import table means a symbol was meant to come from
// a DLL (a stray dllimport or a host library) and the image would not start.
TEST_F (DriverImage, ImportsNothing) {
  size_t  Optional = Image.OptionalHeader ();

  EXPECT_EQ (0u, Image.U32 (Optional + 112 + 1 * 8));          // import table RVA
  EXPECT_EQ (0u, Image.U32 (Optional + 112 + 1 * 8 + 4));      // and size
}

// The font engine is compiled for the image with exactly the modules the text path uses:
// each module class carries its name, and FreeType's objects hold none of the others (no
// Type 1, CFF, auto hinter or SDF renderers). The objects are read rather than the image,
// which keeps only what the driver reaches.
TEST (DriverImageObjects, FontEngineHasTheTrueTypeModulesOnly) {
  std::string  Bytes;
  unsigned     Objects = 0;

  for (const auto &Entry : std::filesystem::directory_iterator (SETUP_UEFI_IMAGE_OBJECTS)) {
    std::string  Name = Entry.path ().filename ().string ();
    if ((Name.find ("freetype") == std::string::npos) || (Entry.path ().extension () != ".obj")) {
      continue;
    }

    std::ifstream  File (Entry.path (), std::ios::binary);
    Bytes.append (std::istreambuf_iterator<char> (File), std::istreambuf_iterator<char> ());
    Objects++;
  }

  ASSERT_GT (Objects, 0u) << "no FreeType objects in " << SETUP_UEFI_IMAGE_OBJECTS;
  // A whole string: the name with its terminator, not the tail of a longer word (an
  // object's string may open its section, with no terminator before it).
  auto  Holds = [&Bytes] (const char *Name) {
          std::string  Needle = std::string (Name) + std::string (1, '\0');

          for (size_t At = Bytes.find (Needle); At != std::string::npos; At = Bytes.find (Needle, At + 1)) {
            if ((At == 0) || !(std::isalnum ((unsigned char)Bytes[At - 1]) || (Bytes[At - 1] == '_'))) {
              return true;
            }
          }

          return false;
        };

  for (const char *Name : { "truetype", "sfnt", "psnames", "smooth", "raster1" }) {
    EXPECT_TRUE (Holds (Name)) << Name;
  }

  for (const char *Name : { "type1", "cff", "autofitter", "sdf", "bsdf" }) {
    EXPECT_FALSE (Holds (Name)) << Name;
  }
}

// The driver shares the firmware volume's flash with every other driver of the board: it
// has a budget, and code that no road of the driver reaches (a registration that keeps a
// decoder alive, a library linked whole) is what would break it first.
TEST_F (DriverImage, FitsItsFlashBudget) {
  EXPECT_LE (Image.Bytes.size (), 350000u);
}

}  // namespace
