/** @file
  Graphics output: a mode list, a 32-bit BGRX framebuffer that Blt and direct
  writes both reach, a log of SetMode and Blt calls, the active EDID on the same
  handle, a device path, and saving the framebuffer as PNG.
**/
#ifndef EMULATOR_GRAPHICS_OUTPUT_H_
#define EMULATOR_GRAPHICS_OUTPUT_H_

#include <Uefi.h>
#include <Protocol/EdidActive.h>
#include <Protocol/GraphicsOutput.h>

#include <Emulator/Machine.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Emu {

struct BLT_CALL {
  EFI_GRAPHICS_OUTPUT_BLT_OPERATION  Operation;
  UINTN                              SourceX, SourceY, DestinationX, DestinationY, Width, Height, Delta;
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL      Fill;  // the colour of a video fill
  EFI_STATUS                         Status;
};

struct GOP_PRIVATE;

class GraphicsOutput : public Device {
public:
  // Modes are (width, height); Edid nullopt leaves EDID active out, an empty
  // vector installs it with SizeOfEdid 0.
  GraphicsOutput (Machine &Owner, std::vector<std::pair<UINT32, UINT32>> Modes,
    std::optional<std::vector<UINT8>> Edid);
  ~GraphicsOutput () override;

  EFI_GRAPHICS_OUTPUT_PROTOCOL *Protocol ();
  EFI_HANDLE                    Handle () const { return mHandle; }
  UINT32                        Width () const;
  UINT32                        Height () const;
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL Pixel (UINT32 X, UINT32 Y) const;
  const std::vector<BLT_CALL>  &BltLog () const { return mBltLog; }
  const std::vector<UINT32>    &SetModeLog () const { return mSetModeLog; }
  void                          FailSetMode (EFI_STATUS Status) { mSetModeFault = Status; }
  // Writes the visible framebuffer as an 8-bit RGB PNG; false on an I/O error.
  bool                          SavePng (const std::string &Path) const;

  EFI_STATUS QueryMode (UINT32 Mode, UINTN *SizeOfInfo, EFI_GRAPHICS_OUTPUT_MODE_INFORMATION **Info);
  EFI_STATUS SetMode (UINT32 Mode);
  EFI_STATUS Blt (EFI_GRAPHICS_OUTPUT_BLT_PIXEL *Buffer, EFI_GRAPHICS_OUTPUT_BLT_OPERATION Operation,
               UINTN SourceX, UINTN SourceY, UINTN DestinationX, UINTN DestinationY, UINTN Width, UINTN Height,
               UINTN Delta);

private:
  EFI_STATUS CheckBlt (EFI_GRAPHICS_OUTPUT_BLT_OPERATION Operation, UINTN SourceX, UINTN SourceY,
               UINTN DestinationX, UINTN DestinationY, UINTN Width, UINTN Height) const;
  void       Select (UINT32 Mode);

  Machine                                            &mMachine;
  std::unique_ptr<GOP_PRIVATE>                       mPrivate;
  EFI_HANDLE                                         mHandle = nullptr;
  std::vector<EFI_GRAPHICS_OUTPUT_MODE_INFORMATION>  mModes;
  std::vector<EFI_GRAPHICS_OUTPUT_BLT_PIXEL>         mFrame;
  std::vector<UINT8>                                 mEdidBytes;
  std::vector<UINT8>                                 mDevicePath;
  std::vector<BLT_CALL>                              mBltLog;
  std::vector<UINT32>                                mSetModeLog;
  EFI_STATUS                                         mSetModeFault = EFI_SUCCESS;
};

}  // namespace Emu

#endif
