// The emulator's machine as the engine's tests below start-up use it: a bare machine
// with the driver's firmware image, its tables attached as the engine's and the base
// library's, and the few steps those tests take on it (sections of the driver's file,
// variables, protocols on handles of their own, pool accounting). Tests that start the
// whole driver use EngineMachineTest instead.
#ifndef ENGINE_CORE_TESTS_SUPPORT_ENGINE_TEST_MACHINE_H_
#define ENGINE_CORE_TESTS_SUPPORT_ENGINE_TEST_MACHINE_H_

#include <engine/core/EngineGlobals.h>
#include <engine/startup/SetupEngine.h>
#include <Library/PlatformLib.h>
#include <Pi/PiFirmwareFile.h>
#include <Protocol/DevicePath.h>
#include <Protocol/FirmwareVolume2.h>

#include <Emulator/FirmwareImage.h>
#include <Emulator/Machine.h>
#include <Emulator/StandardMachine.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

using BYTES = std::vector<uint8_t>;

class EngineTestMachine {
public:
  EngineTestMachine ()
    : Image (M.Add (std::make_unique<Emu::FirmwareImage> (M, Emu::kDefaultDriverFileGuid)))
  {
    gST = M.SystemTable ();
    gBS = M.BootServices ();
    gRT = M.RuntimeServices ();
    PlatformLibConstructor (Image.ImageHandle (), M.SystemTable ());
    ConnectEngineParts ();      // as the driver's main routine does first
    mMark = M.Memory ().AllocationCount ();
  }

  ~EngineTestMachine ()
  {
    gST    = nullptr;
    gBS    = nullptr;
    gRT    = nullptr;
    gLibST = nullptr;
    gLibBS = nullptr;
    gLibRT = nullptr;
  }

  EngineTestMachine (const EngineTestMachine &)            = delete;
  EngineTestMachine &operator= (const EngineTestMachine &) = delete;

  EFI_HANDLE ImageHandle () const { return Image.ImageHandle (); }

  // A freeform section of the driver's file (its body begins with the sub-type GUID),
  // found after the ones added before it.
  void AddFreeformSection (const BYTES &Body)
  {
    Image.AddSection (Emu::kDefaultDriverFileGuid, EFI_SECTION_FREEFORM_SUBTYPE_GUID, Body);
  }

  // The image as if loaded from a plain file path instead of a firmware file.
  void UsePlainFilePath ()
  {
    mPlainPath = { MEDIA_DEVICE_PATH, MEDIA_FILEPATH_DP, 8, 0, 'a', 0, 0, 0, END_DEVICE_PATH_TYPE,
                   END_ENTIRE_DEVICE_PATH_SUBTYPE, 4, 0 };
    Image.LoadedImage ()->FilePath = (EFI_DEVICE_PATH_PROTOCOL *)mPlainPath.data ();
  }

  // The image's device handle without its firmware volume.
  void RemoveVolume ()
  {
    const EFI_GUID  Fv2 = EFI_FIRMWARE_VOLUME2_PROTOCOL_GUID;

    (VOID)M.Protocols ().Uninstall (Image.VolumeHandle (), &Fv2, Image.Volume ());   // installed by the image
  }

  // Pool blocks allocated since the machine was built and not freed.
  UINTN LiveBlocks () { return M.Memory ().LeaksSince (mMark).size (); }
  void  FailNextAllocation () { M.Memory ().FailAllocation (1); }

  void PutVariable (const std::u16string &Name, const EFI_GUID &Guid, const BYTES &Data, UINT32 Attributes = 7)
  {
    M.Variables ().Put (Name, Guid, Attributes, Data);
  }

  const BYTES *FindVariable (const std::u16string &Name, const EFI_GUID &Guid) const
  {
    const Emu::VARIABLE  *Found = M.Variables ().Lookup (Name, Guid);

    return Found == nullptr ? nullptr : &Found->Data;
  }

  const std::vector<Emu::VARIABLE_WRITE> &Writes () const { return M.Variables ().WriteLog (); }
  // Every SetVariable from now on fails with Status and changes nothing.
  void FailVariableWrites (EFI_STATUS Status)
  {
    M.Variables ().InjectFault ({ Emu::VariableOp::Set, std::nullopt, Status, 0 });
  }

  // A new handle that carries one interface; the caller keeps the interface alive.
  EFI_HANDLE AddHandle (const EFI_GUID &Guid, VOID *Interface)
  {
    EFI_HANDLE  Handle = nullptr;

    (VOID)M.Protocols ().Install (&Handle, &Guid, Interface);   // a fresh handle cannot refuse it
    return Handle;
  }

  void RemoveInterface (EFI_HANDLE Handle, const EFI_GUID &Guid, VOID *Interface)
  {
    (VOID)M.Protocols ().Uninstall (Handle, &Guid, Interface);   // the test installed it
  }

  Emu::Machine        M;
  Emu::FirmwareImage  &Image;

private:
  UINT64  mMark = 0;
  BYTES   mPlainPath;
};

#endif
