// setup-qemu-setup-data: writes the compiled setup data block that the QEMU volume
// carries beside the driver image. A small board: one form set, one top-level page and
// one cache-only variable, enough for the driver to load its tables and start.
#include <Builders/SetupDataBuilder.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>

namespace {

// The form set of the board's first page; no HII handle is bound until setup runs.
const EFI_GUID kBoardFormSet = {0x3A1F6C52, 0x8E07, 0x4B9D, {0x9C, 0x41, 0x6D, 0x2E, 0x0B, 0x75, 0xA8, 0x13}};
const EFI_GUID kBoardVariableGuid = {0x3A1F6C52, 0x8E07, 0x4B9D, {0x9C, 0x41, 0x6D, 0x2E, 0x0B, 0x75, 0xA8, 0x14}};

constexpr uint32_t kStoreCacheOnly = 0x4;

Builders::SETUP_DATA_DESC BoardDescription() {
  Builders::SETUP_DATA_DESC desc;
  desc.Settings.TitleStringId = 1;
  desc.Settings.TabTitleStringId = 1;
  Builders::SETUP_FORM_SET_DESC formSet;
  formSet.Guid = kBoardFormSet;
  desc.FormSets.push_back(formSet);
  Builders::SETUP_PAGE_DESC page;
  page.FormSetIndex = 0;
  page.FormId = 1;
  page.TitleStringId = 1;
  desc.Pages.push_back(page);
  Builders::SETUP_VARIABLE_DESC variable;
  variable.VendorGuid = kBoardVariableGuid;
  variable.Name = u"QemuBoard";
  variable.VariableId = 1;
  variable.StoreFlags = kStoreCacheOnly;
  variable.Size = 4;
  desc.Variables.push_back(variable);
  return desc;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || std::string(argv[1]) != "-o") {
    std::cerr << "usage: setup-qemu-setup-data -o <block>\n";
    return 2;
  }
  try {
    const Builders::BYTES block = Builders::BuildSetupDataBlock(BoardDescription());
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(block.data()), std::streamsize(block.size()));
    if (!out) throw std::runtime_error(std::string("cannot write ") + argv[2]);
  } catch (const std::exception& e) {
    std::cerr << "setup-qemu-setup-data: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
