/** @file
  File-system volumes: a host directory served through the Simple File System
  protocol, with a device path of its own, on a new handle; read-only unless made
  writable, and then with writes that a test can make fail.
**/
#ifndef EMULATOR_FILE_SYSTEM_H_
#define EMULATOR_FILE_SYSTEM_H_

#include <Uefi.h>
#include <Protocol/SimpleFileSystem.h>

#include <Emulator/Machine.h>

#include <filesystem>
#include <memory>

namespace Emu {

struct VOLUME_PRIVATE;

class FileSystemVolume : public Device {
public:
  // Serves Root (a host directory) as a volume; Number makes its device path unique.
  FileSystemVolume (Machine &Owner, const std::filesystem::path &Root, UINT32 Number);
  // Serves Root on a device's existing handle (a partition or removable disk), whose
  // device path becomes the volume's.
  FileSystemVolume (Machine &Owner, const std::filesystem::path &Root, EFI_HANDLE Device);
  ~FileSystemVolume () override;

  EFI_HANDLE                       Handle () const;
  const std::filesystem::path      &Root () const;
  // Files the volume has open now (every Open not yet closed, the roots included).
  UINTN                            OpenFiles () const;
  // A writable volume creates, writes and deletes files in its host directory.
  void                             SetWritable (bool Writable);
  // Creating or writing a file answers Status (EFI_SUCCESS: they work again).
  void                             FailWrites (EFI_STATUS Status);

private:
  std::unique_ptr<VOLUME_PRIVATE>  mPrivate;
};

}  // namespace Emu

#endif
