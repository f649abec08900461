// setup-qemu-setup-data: writes what the demo board brings to real firmware, from the
// same description the emulator's demo machine runs:
//   -o <block>           the compiled setup data block, without its section GUID (the
//                        volume writer puts that in front);
//   --variables <file>   the board's own variables as the board starts with them, in the
//                        record layout of OVMF's VARS.BIN export. The firmware's global
//                        variables (boot options, language, time-out) are left to the
//                        firmware under test;
//   --logo <file>        the board's logo, a 24-bit BMP.
#include <DemoBoard.h>
#include <Emulator/Variables.h>
#include <engine/core/SetupDataFormat.h>

#include <cstring>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

namespace {

const EFI_GUID kGlobalVariableGuid = {0x8BE4DF61, 0x93CA, 0x11D2, {0xAA, 0x0D, 0x00, 0xE0, 0x98, 0x03, 0x2B, 0x8C}};

void Write(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
  if (!out) throw std::runtime_error("cannot write " + path);
}

void WriteBlock(const Demo::BOARD& board, const std::string& path) {
  const std::vector<uint8_t>& body = board.SetupDataSection;
  const EFI_GUID sectionGuid = SETUP_DATA_SECTION_GUID;
  if (body.size() < sizeof sectionGuid || std::memcmp(body.data(), &sectionGuid, sizeof sectionGuid) != 0)
    throw std::runtime_error("the board's setup data section does not start with its GUID");
  Write(path, body.data() + sizeof sectionGuid, body.size() - sizeof sectionGuid);
}

void WriteVariables(const Demo::BOARD& board, const std::string& path) {
  Emu::VariableStore seeded;
  Demo::SeedVariables(seeded, board);
  Emu::VariableStore own;
  for (const Emu::VARIABLE& v : seeded.All())
    if (std::memcmp(&v.Guid, &kGlobalVariableGuid, sizeof v.Guid) != 0) own.Put(v.Name, v.Guid, v.Attributes, v.Data);
  const std::vector<UINT8> bytes = own.SaveBytes();
  Write(path, bytes.data(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  std::string block, variables, logo;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "-o") block = argv[i + 1];
    else if (arg == "--variables") variables = argv[i + 1];
    else if (arg == "--logo") logo = argv[i + 1];
    else block.clear(), i = argc;
  }
  if (block.empty() || argc % 2 == 0) {
    std::cerr << "usage: setup-qemu-setup-data -o <block> [--variables <file>] [--logo <file>]\n";
    return 2;
  }
  try {
    const Demo::BOARD board = Demo::BuildBoard();
    WriteBlock(board, block);
    if (!variables.empty()) WriteVariables(board, variables);
    if (!logo.empty()) {
      const std::vector<uint8_t> bmp = Demo::LogoBmp(240, 80);
      Write(logo, bmp.data(), bmp.size());
    }
  } catch (const std::exception& e) {
    std::cerr << "setup-qemu-setup-data: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
