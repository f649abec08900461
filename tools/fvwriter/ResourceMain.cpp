// setup-hii-resource: wraps an HII package list into a .res file for the driver's link.
#include <fstream>
#include <iostream>
#include <iterator>

#include "ResourceWriter.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: setup-hii-resource <package-list.bin> <out.res>\n";
    return 2;
  }
  try {
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) throw std::runtime_error(std::string("cannot read ") + argv[1]);
    const fvwriter::Bytes list(std::istreambuf_iterator<char>(in), {});
    // A package list starts with its GUID and its own length; anything else is not one.
    if (list.size() < 20 || (list[16] | list[17] << 8 | list[18] << 16 | uint32_t(list[19]) << 24) != list.size())
      throw std::runtime_error("input is not one HII package list (length field mismatch)");
    const fvwriter::Bytes res = fvwriter::MakeHiiResourceFile(list);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(res.data()), std::streamsize(res.size()));
    if (!out) throw std::runtime_error(std::string("cannot write ") + argv[2]);
  } catch (const std::exception& e) {
    std::cerr << "setup-hii-resource: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
