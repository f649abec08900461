// setup-fvwriter: packs a driver image, its compiled setup data and a name into one driver
// file of a firmware volume.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "FvWriter.h"

namespace {

const char kUsage[] =
    "usage: setup-fvwriter -o <volume> --file-guid <guid> --pe32 <image>\n"
    "                      [--setup-data <block>] [--ui <name>] [--align <bytes>]\n"
    "                      [--block-size <bytes>] [--volume-guid <guid>] [--no-depex]\n"
    "  --setup-data  compiled setup data, stored in a freeform section led by\n"
    "                FE612B72-203C-47B1-8560-A66D946EB371\n"
    "  --align       alignment of the file data in the volume (8, 16, 128, 512, 1024,\n"
    "                4096, 32768, 65536); default 16\n"
    "  --volume-guid name the volume in an extended header\n"
    "  --no-depex    leave out the always-true dependency expression\n";

struct Options {
  std::string output, pe32, setupData, ui;
  std::string fileGuid, volumeGuid;
  uint32_t alignment = 16;
  uint32_t blockSize = 4096;
  bool depex = true;
};

fvwriter::Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return fvwriter::Bytes(std::istreambuf_iterator<char>(in), {});
}

bool ParseArgs(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--no-depex") {
      o.depex = false;
      continue;
    }
    if (i + 1 >= argc) return false;
    const std::string value = argv[++i];
    if (arg == "-o") o.output = value;
    else if (arg == "--file-guid") o.fileGuid = value;
    else if (arg == "--volume-guid") o.volumeGuid = value;
    else if (arg == "--pe32") o.pe32 = value;
    else if (arg == "--setup-data") o.setupData = value;
    else if (arg == "--ui") o.ui = value;
    else if (arg == "--align") o.alignment = uint32_t(std::stoul(value, nullptr, 0));
    else if (arg == "--block-size") o.blockSize = uint32_t(std::stoul(value, nullptr, 0));
    else return false;
  }
  return !o.output.empty() && !o.pe32.empty() && !o.fileGuid.empty();
}

fvwriter::Bytes BuildVolume(const Options& o) {
  const auto name = fvwriter::Guid::Parse(o.fileGuid);
  if (!name) throw std::runtime_error("bad file GUID " + o.fileGuid);
  fvwriter::FileSpec file;
  file.name = *name;
  file.type = EFI_FV_FILETYPE_DRIVER;
  file.dataAlignment = o.alignment;
  file.sections.push_back(fvwriter::MakeSection(EFI_SECTION_PE32, ReadFile(o.pe32)));
  if (o.depex) file.sections.push_back(fvwriter::MakeDepexTrueSection());
  if (!o.setupData.empty())
    file.sections.push_back(
        fvwriter::MakeFreeformSection(fvwriter::SetupDataSectionGuid(), ReadFile(o.setupData)));
  if (!o.ui.empty())
    file.sections.push_back(
        fvwriter::MakeUserInterfaceSection(std::u16string(o.ui.begin(), o.ui.end())));
  fvwriter::VolumeSpec volume;
  volume.blockSize = o.blockSize;
  if (!o.volumeGuid.empty()) {
    volume.name = fvwriter::Guid::Parse(o.volumeGuid);
    if (!volume.name) throw std::runtime_error("bad volume GUID " + o.volumeGuid);
  }
  volume.files.push_back(std::move(file));
  return fvwriter::MakeVolume(volume);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  try {
    if (!ParseArgs(argc, argv, options)) {
      std::cerr << kUsage;
      return 2;
    }
    const fvwriter::Bytes volume = BuildVolume(options);
    std::ofstream out(options.output, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(volume.data()), std::streamsize(volume.size()));
    if (!out) throw std::runtime_error("cannot write " + options.output);
  } catch (const std::exception& e) {
    std::cerr << "setup-fvwriter: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
