// setup-fvwriter: packs a driver image, its compiled setup data and a name into one driver
// file of a firmware volume.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "FvWriter.h"

namespace {

const char kUsage[] = "usage: setup-fvwriter -o <volume> --file-guid <guid> --pe32 <image>\n"
                      "                      [--setup-data <block>] [--ui <name>] [--align <bytes>]\n"
                      "                      [--block-size <bytes>] [--volume-guid <guid>] [--no-depex]\n"
                      "  --setup-data  compiled setup data, stored in a freeform section led by\n"
                      "                FE612B72-203C-47B1-8560-A66D946EB371\n"
                      "  --align       alignment of the file data in the volume (8, 16, 128, 512, 1024,\n"
                      "                4096, 32768, 65536); default 16\n"
                      "  --volume-guid name the volume in an extended header\n"
                      "  --no-depex    leave out the always-true dependency expression\n"
                      "  --raw GUID=FILE  also a freeform file of that name holding FILE as a raw section\n"
                      "                (repeatable; a board's logos, for example)\n";

struct Options {
  std::string Output, Pe32, SetupData, Ui;
  std::string FileGuid, VolumeGuid;
  uint32_t Alignment = 16;
  uint32_t BlockSize = 4096;
  bool Depex = true;
  std::vector<std::string> Raw;     // GUID=FILE
};

fvwriter::Bytes
ReadFile (
  IN const std::string  &Path
  )
{
  std::ifstream In (Path, std::ios::binary);
  if (!In) {
    throw std::runtime_error ("cannot read " + Path);
  }
  return fvwriter::Bytes (std::istreambuf_iterator<char> (In), {});
}

bool
ParseArgs (
  IN     int      Argc,
  IN     char     **Argv,
  IN OUT Options  &O
  )
{
  for (int I = 1; I < Argc; ++I) {
    const std::string Arg = Argv[I];
    if (Arg == "--no-depex") {
      O.Depex = false;
      continue;
    }
    if (I + 1 >= Argc) {
      return false;
    }
    const std::string Value = Argv[++I];
    if (Arg == "-o") {
      O.Output = Value;
    } else if (Arg == "--file-guid") {
      O.FileGuid = Value;
    } else if (Arg == "--volume-guid") {
      O.VolumeGuid = Value;
    } else if (Arg == "--pe32") {
      O.Pe32 = Value;
    } else if (Arg == "--setup-data") {
      O.SetupData = Value;
    } else if (Arg == "--ui") {
      O.Ui = Value;
    } else if (Arg == "--align") {
      O.Alignment = uint32_t (std::stoul (Value, nullptr, 0));
    } else if (Arg == "--raw") {
      O.Raw.push_back (Value);
    } else if (Arg == "--block-size") {
      O.BlockSize = uint32_t (std::stoul (Value, nullptr, 0));
    } else {
      return false;
    }
  }
  return !O.Output.empty () && !O.Pe32.empty () && !O.FileGuid.empty ();
}

fvwriter::Bytes
BuildVolume (
  IN const Options  &O
  )
{
  const auto Name = fvwriter::Guid::Parse (O.FileGuid);
  if (!Name) {
    throw std::runtime_error ("bad file GUID " + O.FileGuid);
  }
  fvwriter::FileSpec File;
  File.Name = *Name;
  File.Type = EFI_FV_FILETYPE_DRIVER;
  File.DataAlignment = O.Alignment;
  File.Sections.push_back (fvwriter::MakeSection (EFI_SECTION_PE32, ReadFile (O.Pe32)));
  if (O.Depex) {
    File.Sections.push_back (fvwriter::MakeDepexTrueSection ());
  }
  if (!O.SetupData.empty ()) {
    File.Sections.push_back (fvwriter::MakeFreeformSection (fvwriter::SetupDataSectionGuid (), ReadFile (O.SetupData)));
  }
  if (!O.Ui.empty ()) {
    File.Sections.push_back (fvwriter::MakeUserInterfaceSection (std::u16string (O.Ui.begin (), O.Ui.end ())));
  }
  fvwriter::VolumeSpec Volume;
  Volume.BlockSize = O.BlockSize;
  if (!O.VolumeGuid.empty ()) {
    Volume.Name = fvwriter::Guid::Parse (O.VolumeGuid);
    if (!Volume.Name) {
      throw std::runtime_error ("bad volume GUID " + O.VolumeGuid);
    }
  }
  Volume.Files.push_back (std::move (File));
  for (const std::string &Raw : O.Raw) {
    const size_t  Equals = Raw.find ('=');
    const auto    RawName = fvwriter::Guid::Parse ((Equals == std::string::npos) ? Raw : Raw.substr (0, Equals));
    if ((Equals == std::string::npos) || !RawName) {
      throw std::runtime_error ("--raw wants GUID=FILE, not " + Raw);
    }
    fvwriter::FileSpec  Extra;
    Extra.Name = *RawName;
    Extra.Type = EFI_FV_FILETYPE_FREEFORM;
    Extra.Sections.push_back (fvwriter::MakeSection (EFI_SECTION_RAW, ReadFile (Raw.substr (Equals + 1))));
    Volume.Files.push_back (std::move (Extra));
  }
  return fvwriter::MakeVolume (Volume);
}

}  // namespace

int
main (
  IN int   argc,
  IN char  **argv
  )
{
  Options Options;
  try {
    if (!ParseArgs (argc, argv, Options)) {
      std::cerr << kUsage;
      return 2;
    }
    const fvwriter::Bytes Volume = BuildVolume (Options);
    std::ofstream         Out (Options.Output, std::ios::binary | std::ios::trunc);
    Out.write (reinterpret_cast<const char *> (Volume.data ()), std::streamsize (Volume.size ()));
    if (!Out) {
      throw std::runtime_error ("cannot write " + Options.Output);
    }
  } catch (const std::exception &E) {
    std::cerr << "setup-fvwriter: " << E.what () << "\n";
    return 1;
  }
  return 0;
}
