// Boot tests on the emulator: the engine started with its strings, load options put
// into NVRAM, bootable test images registered with the machine's image services, and
// volumes (folders of a temporary directory) on the machine's devices.
#ifndef ENGINE_TESTING_BOOT_MACHINE_H_
#define ENGINE_TESTING_BOOT_MACHINE_H_

#include "LoadOptionBytes.h"
#include "TextUiMachineTest.h"

#include <engine/boot/BootLaunch.h>
#include <engine/boot/BootOptions.h>
#include <Guid/GlobalVariable.h>

#include <Emulator/BootDevices.h>
#include <Emulator/FileSystem.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <string>
#include <vector>

namespace BootTest {

// Bytes that stand for one test image: distinct per name.
inline BYTES
ImageBytes (const std::string &Name)
{
  BYTES  Bytes = { 'M', 'Z' };
  Bytes.insert (Bytes.end (), Name.begin (), Name.end ());
  return Bytes;
}

class BootMachineTest : public TextUiMachineTest {
protected:
  void SetUp () override
  {
    TextUiMachineTest::SetUp ();
    Start ();
    Images = &M.Add (std::make_unique<Emu::BootImages> (M));
    Scratch = std::filesystem::temp_directory_path () /
              ("boot-test-" + std::to_string (::getpid ()) + "-" +
               ::testing::UnitTest::GetInstance ()->current_test_info ()->name ());
    std::filesystem::remove_all (Scratch);
    std::filesystem::create_directories (Scratch);
  }

  virtual void Start () { StartEngine (); }

  // The engine started with a variable list whose special indexes 7, 8 and 23 are the
  // boot order, the legacy device order and the driver order.
  void StartWithOrders ()
  {
    Builders::SETUP_DATA_DESC  D = BoardWithOrders ();
    Devices.Image->SetPackageList (std::vector<UINT8> (gSetupEngineStringPackageList,
                                     gSetupEngineStringPackageList + gSetupEngineStringPackageListSize));
    Devices.Image->AddSection (Emu::kDefaultDriverFileGuid, SETUP_DATA_SECTION_TYPE, Builders::BuildSetupDataSectionBody (D));
    ASSERT_EQ (SetupEngineDriverEntry (Devices.Image->ImageHandle (), M.SystemTable ()), EFI_SUCCESS);
    SetConsoleModeForScreen ();
  }

  void TearDown () override
  {
    FreeBootOptionTables ();
    std::filesystem::remove_all (Scratch);
    TextUiMachineTest::TearDown ();
  }

  void PutBoot (UINT16 Number, const BYTES &Option)
  {
    const char16_t  *Hex = u"0123456789ABCDEF";
    std::u16string  Name = u"Boot";
    for (int Shift = 12; Shift >= 0; Shift -= 4) {
      Name.push_back (Hex[(Number >> Shift) & 0xF]);
    }
    M.Variables ().Put (Name, gEfiGlobalVariableGuid, kNvBsRt, Option);
  }

  void PutOrder (const std::vector<UINT16> &Numbers)
  {
    M.Variables ().Put (u"BootOrder", gEfiGlobalVariableGuid, kNvBsRt, U16List (Numbers));
  }

  const Emu::VARIABLE *Find (const std::u16string &Name, const EFI_GUID &Guid = gEfiGlobalVariableGuid)
  {
    return M.Variables ().Lookup (Name, Guid);
  }

  // A folder of the scratch directory holding File with the bytes of image Name.
  std::filesystem::path Folder (const std::string &Folder, const std::string &File, const std::string &Name)
  {
    std::filesystem::path  Root = Scratch / Folder;
    std::filesystem::path  Path = Root / File;
    std::filesystem::create_directories (Path.parent_path ());
    BYTES          Bytes = ImageBytes (Name);
    std::ofstream  Out (Path, std::ios::binary);
    Out.write ((const char *)Bytes.data (), (std::streamsize)Bytes.size ());
    return Root;
  }

  // A disk at Path with a volume serving Root on its handle.
  Emu::BlockDevice &DiskWithVolume (const BYTES &Path, const std::filesystem::path &Root, const Emu::BLOCK_MEDIA &Media = {})
  {
    Emu::BlockDevice  &Disk = M.Add (std::make_unique<Emu::BlockDevice> (M, Path, Media));
    M.Add (std::make_unique<Emu::FileSystemVolume> (M, Root, Disk.Handle ()));
    return Disk;
  }

  std::vector<std::string> Booted () const
  {
    std::vector<std::string>  Names;
    for (const auto &Entry : Images->Log ()) {
      Names.push_back (Entry.Loader);
    }
    return Names;
  }

  Emu::BootImages        *Images = nullptr;
  std::filesystem::path  Scratch;
};

}  // namespace BootTest

#endif
