// setup-hii-resource: wraps an HII package list into a .res file for the driver's link,
// optionally with the compiled setup data as a GUID package of the list.
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "ResourceWriter.h"

namespace {

fvwriter::Bytes
ReadWhole (
  IN const std::string  &Path
  )
{
  std::ifstream In (Path, std::ios::binary);
  if (!In) {
    throw std::runtime_error ("cannot read " + Path);
  }
  return fvwriter::Bytes (std::istreambuf_iterator<char> (In), {});
}

}  // namespace

int
main (
  IN int   argc,
  IN char  **argv
  )
{
  const bool WithSetupData = argc == 5 && std::string (argv[3]) == "--setup-data";
  if (argc != 3 && !WithSetupData) {
    std::cerr << "usage: setup-hii-resource <package-list.bin> <out.res> [--setup-data <block>]\n";
    return 2;
  }
  try {
    fvwriter::Bytes List = ReadWhole (argv[1]);
    // A package list starts with its GUID and its own length; anything else is not one.
    if (List.size () < 20 || (List[16] | List[17] << 8 | List[18] << 16 | uint32_t (List[19]) << 24) != List.size ()) {
      throw std::runtime_error ("input is not one HII package list (length field mismatch)");
    }
    if (WithSetupData) {
      List = fvwriter::AddGuidPackage (List, fvwriter::SetupDataSectionGuid (), ReadWhole (argv[4]));
    }
    const fvwriter::Bytes Res = fvwriter::MakeHiiResourceFile (List);
    std::ofstream         Out (argv[2], std::ios::binary | std::ios::trunc);
    Out.write (reinterpret_cast<const char *> (Res.data ()), std::streamsize (Res.size ()));
    if (!Out) {
      throw std::runtime_error (std::string ("cannot write ") + argv[2]);
    }
  } catch (const std::exception &E) {
    std::cerr << "setup-hii-resource: " << E.what () << "\n";
    return 1;
  }
  return 0;
}
