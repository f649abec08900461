// Test fixtures shared by every test: the real firmware exports, images and tools that
// live beside the checkout (../shared), found from the source tree so a test never
// depends on the directory it runs from.
#ifndef PLATFORM_TESTS_SUPPORT_FIXTURES_H_
#define PLATFORM_TESTS_SUPPORT_FIXTURES_H_

#include <cstdint>
#include <string>
#include <vector>

namespace Fixtures {

// Absolute path of a file under the shared fixtures, e.g. "ovmf/HIIDB.BIN".
std::string Path (const std::string &Relative);

// Absolute path of a file under the shared tools, e.g. "hiidump.py".
std::string ToolPath (const std::string &Relative);

// The whole file. A missing or unreadable fixture throws, so the test fails with a
// message naming the file instead of passing or skipping on empty input.
std::vector<uint8_t> Read (const std::string &Relative);

}  // namespace Fixtures

#endif  // PLATFORM_TESTS_SUPPORT_FIXTURES_H_
