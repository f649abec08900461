// setup-hii-resource: wraps an HII package list into a .res file for the driver's link.
#include <fstream>
#include <iostream>
#include <iterator>

#include "ResourceWriter.h"

int
main (
  IN int   argc,
  IN char  **argv
  )
{
  if (argc != 3) {
    std::cerr << "usage: setup-hii-resource <package-list.bin> <out.res>\n";
    return 2;
  }
  try {
    std::ifstream In (argv[1], std::ios::binary);
    if (!In) {
      throw std::runtime_error (std::string ("cannot read ") + argv[1]);
    }
    const fvwriter::Bytes List (std::istreambuf_iterator<char> (In), {});
    // A package list starts with its GUID and its own length; anything else is not one.
    if (List.size () < 20 || (List[16] | List[17] << 8 | List[18] << 16 | uint32_t (List[19]) << 24) != List.size ()) {
      throw std::runtime_error ("input is not one HII package list (length field mismatch)");
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
