// setup-qemu-setup-data: writes the compiled setup data block of the demo board, the
// board the emulator's demo machine runs, so that real firmware starts the driver on
// the same data. The block is written without its section GUID: the volume writer
// puts that in front.
#include <DemoBoard.h>
#include <engine/core/SetupDataFormat.h>

#include <cstring>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3 || std::string(argv[1]) != "-o") {
    std::cerr << "usage: setup-qemu-setup-data -o <block>\n";
    return 2;
  }
  try {
    const Demo::BOARD board = Demo::BuildBoard();
    const std::vector<uint8_t>& body = board.SetupDataSection;
    const EFI_GUID sectionGuid = SETUP_DATA_SECTION_GUID;
    if (body.size() < sizeof sectionGuid || std::memcmp(body.data(), &sectionGuid, sizeof sectionGuid) != 0)
      throw std::runtime_error("the board's setup data section does not start with its GUID");
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(body.data() + sizeof sectionGuid),
              std::streamsize(body.size() - sizeof sectionGuid));
    if (!out) throw std::runtime_error(std::string("cannot write ") + argv[2]);
  } catch (const std::exception& e) {
    std::cerr << "setup-qemu-setup-data: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
