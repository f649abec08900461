#include "Fixtures.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace Fixtures {

std::string
Path (const std::string &Relative)
{
  return std::string (SETUP_SHARED_DIR) + "/fixtures/" + Relative;
}

std::string
ToolPath (const std::string &Relative)
{
  return std::string (SETUP_SHARED_DIR) + "/tools/" + Relative;
}

std::vector<uint8_t>
Read (const std::string &Relative)
{
  const std::string  Full = Path (Relative);
  std::ifstream      File (Full, std::ios::binary);

  if (!File) {
    throw std::runtime_error ("missing test fixture " + Full +
                              " (the shared fixtures belong in ../shared beside the checkout)");
  }
  return std::vector<uint8_t> ((std::istreambuf_iterator<char> (File)), std::istreambuf_iterator<char> ());
}

}  // namespace Fixtures
