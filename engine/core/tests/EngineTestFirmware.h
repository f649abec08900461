// A small firmware for the setup-data and variable-cache tests: the shared fake pool
// (live blocks, failure on demand), HandleProtocol over a handle/GUID map, an FV2 volume
// that serves freeform sections, and a variable store with a write log. The start-up
// tests run on the emulator's machine instead.
#ifndef ENGINE_CORE_TESTS_ENGINE_TEST_FIRMWARE_H_
#define ENGINE_CORE_TESTS_ENGINE_TEST_FIRMWARE_H_

#include <platform/tests/support/FakePool.h>

#include <Uefi.h>
#include <Protocol/FirmwareVolume2.h>
#include <Protocol/LoadedImage.h>

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

using BYTES = std::vector<uint8_t>;

struct TestVariable {
  UINT32  Attributes;
  BYTES   Data;
};

struct TestVariableWrite {
  std::u16string  Name;
  EFI_GUID        Guid;
  UINT32          Attributes;
  BYTES           Data;
};

class EngineTestFirmware : public FakePool {
public:
  EngineTestFirmware ();
  ~EngineTestFirmware ();

  EFI_SYSTEM_TABLE      SystemTable {};
  EFI_BOOT_SERVICES     BootServices {};
  EFI_RUNTIME_SERVICES  RuntimeServices {};

  // The driver's image handle, loaded from firmware file FileName on the volume.
  EFI_HANDLE  ImageHandle () { return &mImageHandle; }
  EFI_GUID    FileName {};
  // Bodies of the file's sections of type 0x18, in instance order.
  std::vector<BYTES>  FreeformSections;
  // Present the image as loaded from a plain file path instead of a firmware file.
  void        UsePlainFilePath ();
  void        RemoveVolume () { mVolumeInstalled = false; }

  // Device paths of other handles, for HandleProtocol.
  std::map<EFI_HANDLE, BYTES>  DevicePaths;
  // Interfaces that LocateProtocol finds, keyed by GUID bytes.
  std::map<std::string, void *>  Protocols;
  void  PutProtocol (const EFI_GUID &Guid, void *Interface)
  {
    Protocols[std::string ((const char *)&Guid, sizeof (Guid))] = Interface;
  }

  // Variables, keyed by name and GUID.
  using KEY = std::tuple<std::u16string, std::string>;
  std::map<KEY, TestVariable>     Variables;
  std::vector<TestVariableWrite>  Writes;
  EFI_STATUS                      SetVariableStatus = EFI_SUCCESS;   // an error: writes fail and change nothing
  void          PutVariable (const std::u16string &Name, const EFI_GUID &Guid, const BYTES &Data, UINT32 Attributes = 7);
  const BYTES  *FindVariable (const std::u16string &Name, const EFI_GUID &Guid) const;
  static KEY    Key (const std::u16string &Name, const EFI_GUID &Guid);

  // Installs the tables as the engine's and the base library's.
  void          Attach ();

  static EngineTestFirmware  *Current;

private:
  static EFI_STATUS EFIAPI AllocatePool (EFI_MEMORY_TYPE, UINTN Size, VOID **Buffer);
  static EFI_STATUS EFIAPI FreePool (VOID *Buffer);
  static EFI_STATUS EFIAPI HandleProtocol (EFI_HANDLE Handle, EFI_GUID *Guid, VOID **Interface);
  static EFI_STATUS EFIAPI LocateProtocol (EFI_GUID *Guid, VOID *Registration, VOID **Interface);
  static EFI_STATUS EFIAPI ReadSection (CONST EFI_FIRMWARE_VOLUME2_PROTOCOL *This, CONST EFI_GUID *Name,
                             EFI_SECTION_TYPE Type, UINTN Instance, VOID **Buffer, UINTN *Size, UINT32 *Auth);
  static EFI_STATUS EFIAPI GetVariable (CHAR16 *Name, EFI_GUID *Guid, UINT32 *Attributes, UINTN *Size, VOID *Data);
  static EFI_STATUS EFIAPI SetVariable (CHAR16 *Name, EFI_GUID *Guid, UINT32 Attributes, UINTN Size, VOID *Data);

  UINT8                          mImageHandle  = 0;
  UINT8                          mDeviceHandle = 0;
  bool                           mVolumeInstalled = true;
  EFI_LOADED_IMAGE_PROTOCOL      mLoadedImage {};
  EFI_FIRMWARE_VOLUME2_PROTOCOL  mVolume {};
  BYTES                          mFilePath;
};

#endif
