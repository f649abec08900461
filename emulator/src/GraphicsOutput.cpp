/** @file
  Graphics output over a host framebuffer.
**/
#include <Emulator/GraphicsOutput.h>
#include <Emulator/DevicePathUtil.h>

#include <Protocol/DevicePath.h>

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "DeviceRecord.h"

namespace Emu {

constexpr UINT64  kGopSignature = SIGNATURE_64 ('E', 'M', 'U', 'G', 'O', 'P', ' ', ' ');

static const EFI_GUID  kGopGuid        = EFI_GRAPHICS_OUTPUT_PROTOCOL_GUID;
static const EFI_GUID  kEdidActiveGuid = EFI_EDID_ACTIVE_PROTOCOL_GUID;
static const EFI_GUID  kDevicePathGuid = EFI_DEVICE_PATH_PROTOCOL_GUID;

struct GOP_PRIVATE {
  EFI_GRAPHICS_OUTPUT_PROTOCOL       Protocol;  // first, so This is the record
  UINT64                             Signature;
  EFI_GRAPHICS_OUTPUT_PROTOCOL_MODE  Mode;
  EFI_GRAPHICS_OUTPUT_MODE_INFORMATION Info;
  EFI_EDID_ACTIVE_PROTOCOL           Edid;
  GraphicsOutput                     *Owner;
};

static GraphicsOutput *
FromThis (EFI_GRAPHICS_OUTPUT_PROTOCOL *This)
{
  return OwnerOf<GOP_PRIVATE> (This, kGopSignature);
}

static EFI_STATUS EFIAPI
GopQueryMode (EFI_GRAPHICS_OUTPUT_PROTOCOL *This, UINT32 Mode, UINTN *SizeOfInfo,
  EFI_GRAPHICS_OUTPUT_MODE_INFORMATION **Info)
{
  GraphicsOutput  *Self = FromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->QueryMode (Mode, SizeOfInfo, Info);
}

static EFI_STATUS EFIAPI
GopSetMode (EFI_GRAPHICS_OUTPUT_PROTOCOL *This, UINT32 Mode)
{
  GraphicsOutput  *Self = FromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->SetMode (Mode);
}

static EFI_STATUS EFIAPI
GopBlt (EFI_GRAPHICS_OUTPUT_PROTOCOL *This, EFI_GRAPHICS_OUTPUT_BLT_PIXEL *Buffer,
  EFI_GRAPHICS_OUTPUT_BLT_OPERATION Operation, UINTN SourceX, UINTN SourceY, UINTN DestinationX,
  UINTN DestinationY, UINTN Width, UINTN Height, UINTN Delta)
{
  GraphicsOutput  *Self = FromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER
         : Self->Blt (Buffer, Operation, SourceX, SourceY, DestinationX, DestinationY, Width, Height, Delta);
}

// PciRoot(0)/Pci(0x2,0x0): where a standard VGA sits on a q35 machine.
static std::vector<UINT8>
DisplayDevicePath ()
{
  const UINT8         Acpi[8] = { 0xD0, 0x41, 0x03, 0x0A, 0, 0, 0, 0 };  // PNP0A03, UID 0
  const UINT8         Pci[2]  = { 0x00, 0x02 };                           // function 0, device 2
  std::vector<UINT8>  Path    = DevicePathNode (ACPI_DEVICE_PATH, ACPI_DP, Acpi, sizeof (Acpi));
  std::vector<UINT8>  Node    = DevicePathNode (HARDWARE_DEVICE_PATH, HW_PCI_DP, Pci, sizeof (Pci));

  Path.insert (Path.end (), Node.begin (), Node.end ());
  EndDevicePath (Path);
  return Path;
}

GraphicsOutput::GraphicsOutput (Machine &Owner, std::vector<std::pair<UINT32, UINT32>> Modes,
  std::optional<std::vector<UINT8>> Edid)
  : mMachine (Owner), mPrivate (std::make_unique<GOP_PRIVATE>()), mDevicePath (DisplayDevicePath ())
{
  if (Modes.empty ()) {
    Modes = { { 1024, 768 } };
  }
  for (const auto &Size : Modes) {
    mModes.push_back (EFI_GRAPHICS_OUTPUT_MODE_INFORMATION {
      0, Size.first, Size.second, PixelBlueGreenRedReserved8BitPerColor, {}, Size.first });
  }
  mPrivate->Protocol  = EFI_GRAPHICS_OUTPUT_PROTOCOL { GopQueryMode, GopSetMode, GopBlt, &mPrivate->Mode };
  mPrivate->Signature = kGopSignature;
  mPrivate->Owner     = this;
  mPrivate->Mode      = EFI_GRAPHICS_OUTPUT_PROTOCOL_MODE { (UINT32)mModes.size (), 0, &mPrivate->Info,
                                                           sizeof (EFI_GRAPHICS_OUTPUT_MODE_INFORMATION), 0, 0 };
  Select (0);
  ProtocolDatabase  &Protocols = mMachine.Protocols ();
  RequireInstalled (Protocols.Install (&mHandle, &kDevicePathGuid, mDevicePath.data ()), "display device path");
  RequireInstalled (Protocols.Install (&mHandle, &kGopGuid, &mPrivate->Protocol), "graphics output");
  if (Edid) {
    mEdidBytes     = *Edid;
    mPrivate->Edid = EFI_EDID_ACTIVE_PROTOCOL { (UINT32)mEdidBytes.size (),
                                                mEdidBytes.empty () ? nullptr : mEdidBytes.data () };
    RequireInstalled (Protocols.Install (&mHandle, &kEdidActiveGuid, &mPrivate->Edid), "active EDID");
  }
}

GraphicsOutput::~GraphicsOutput ()
{
  mPrivate->Signature = 0;
}

EFI_GRAPHICS_OUTPUT_PROTOCOL *
GraphicsOutput::Protocol ()
{
  return &mPrivate->Protocol;
}

UINT32
GraphicsOutput::Width () const
{
  return mPrivate->Info.HorizontalResolution;
}

UINT32
GraphicsOutput::Height () const
{
  return mPrivate->Info.VerticalResolution;
}

EFI_GRAPHICS_OUTPUT_BLT_PIXEL
GraphicsOutput::Pixel (UINT32 X, UINT32 Y) const
{
  return mFrame[(size_t)Y * Width () + X];
}

void
GraphicsOutput::Select (UINT32 Mode)
{
  mPrivate->Mode.Mode = Mode;
  mPrivate->Info      = mModes[Mode];
  // A mode set clears the screen to black, as display hardware does.
  mFrame.assign ((size_t)Width () * Height (), EFI_GRAPHICS_OUTPUT_BLT_PIXEL { 0, 0, 0, 0 });
  mPrivate->Mode.FrameBufferBase = (EFI_PHYSICAL_ADDRESS)(uintptr_t)mFrame.data ();
  mPrivate->Mode.FrameBufferSize = mFrame.size () * sizeof (EFI_GRAPHICS_OUTPUT_BLT_PIXEL);
}

EFI_STATUS
GraphicsOutput::QueryMode (UINT32 Mode, UINTN *SizeOfInfo, EFI_GRAPHICS_OUTPUT_MODE_INFORMATION **Info)
{
  if ((SizeOfInfo == nullptr) || (Info == nullptr) || (Mode >= mModes.size ())) {
    return EFI_INVALID_PARAMETER;
  }
  // The caller frees the copy with FreePool.
  VOID        *Copy  = nullptr;
  EFI_STATUS  Status = mMachine.Memory ().Allocate (EfiBootServicesData, sizeof (**Info), &Copy);
  if (EFI_ERROR (Status)) {
    return Status;
  }
  std::memcpy (Copy, &mModes[Mode], sizeof (**Info));
  *Info       = static_cast<EFI_GRAPHICS_OUTPUT_MODE_INFORMATION *>(Copy);
  *SizeOfInfo = sizeof (**Info);
  return EFI_SUCCESS;
}

EFI_STATUS
GraphicsOutput::SetMode (UINT32 Mode)
{
  mSetModeLog.push_back (Mode);
  if (Mode >= mModes.size ()) {
    return EFI_UNSUPPORTED;
  }
  if (EFI_ERROR (mSetModeFault)) {
    return mSetModeFault;
  }
  Select (Mode);
  return EFI_SUCCESS;
}

EFI_STATUS
GraphicsOutput::CheckBlt (EFI_GRAPHICS_OUTPUT_BLT_OPERATION Operation, UINTN SourceX, UINTN SourceY,
  UINTN DestinationX, UINTN DestinationY, UINTN Width, UINTN Height) const
{
  if ((Operation >= EfiGraphicsOutputBltOperationMax) || (Width == 0) || (Height == 0)) {
    return EFI_INVALID_PARAMETER;
  }
  bool  ReadsVideo  = (Operation == EfiBltVideoToBltBuffer) || (Operation == EfiBltVideoToVideo);
  bool  WritesVideo = Operation != EfiBltVideoToBltBuffer;
  if (ReadsVideo && ((SourceX > this->Width ()) || (Width > this->Width () - SourceX) ||
                     (SourceY > this->Height ()) || (Height > this->Height () - SourceY)))
  {
    return EFI_INVALID_PARAMETER;
  }
  if (WritesVideo && ((DestinationX > this->Width ()) || (Width > this->Width () - DestinationX) ||
                      (DestinationY > this->Height ()) || (Height > this->Height () - DestinationY)))
  {
    return EFI_INVALID_PARAMETER;
  }
  return EFI_SUCCESS;
}

EFI_STATUS
GraphicsOutput::Blt (EFI_GRAPHICS_OUTPUT_BLT_PIXEL *Buffer, EFI_GRAPHICS_OUTPUT_BLT_OPERATION Operation,
  UINTN SourceX, UINTN SourceY, UINTN DestinationX, UINTN DestinationY, UINTN Width, UINTN Height, UINTN Delta)
{
  EFI_STATUS  Status = CheckBlt (Operation, SourceX, SourceY, DestinationX, DestinationY, Width, Height);

  if (!EFI_ERROR (Status) && (Buffer == nullptr) && (Operation != EfiBltVideoToVideo)) {
    Status = EFI_INVALID_PARAMETER;
  }
  EFI_GRAPHICS_OUTPUT_BLT_PIXEL  Fill = ((Operation == EfiBltVideoFill) && (Buffer != nullptr)) ? *Buffer
                                        : EFI_GRAPHICS_OUTPUT_BLT_PIXEL {};
  mBltLog.push_back (BLT_CALL { Operation, SourceX, SourceY, DestinationX, DestinationY, Width, Height, Delta,
                                Fill, Status });
  if (EFI_ERROR (Status)) {
    return Status;
  }
  // Delta 0 means the buffer rows are exactly Width pixels.
  UINTN  Stride = (Delta == 0) ? Width : Delta / sizeof (EFI_GRAPHICS_OUTPUT_BLT_PIXEL);
  UINTN  Pitch  = this->Width ();
  auto   *Frame = mFrame.data ();
  for (UINTN Row = 0; Row < Height; Row++) {
    auto  *Dst = Frame + (DestinationY + Row) * Pitch + DestinationX;
    switch (Operation) {
      case EfiBltVideoFill:
        std::fill (Dst, Dst + Width, Fill);
        break;
      case EfiBltVideoToBltBuffer:
        std::memcpy (Buffer + (DestinationY + Row) * Stride + DestinationX,
          Frame + (SourceY + Row) * Pitch + SourceX, Width * sizeof (*Buffer));
        break;
      case EfiBltBufferToVideo:
        std::memcpy (Dst, Buffer + (SourceY + Row) * Stride + SourceX, Width * sizeof (*Buffer));
        break;
      default: {
        // Overlapping video-to-video moves run in the direction that keeps the source.
        UINTN  Line = (DestinationY > SourceY) ? Height - 1 - Row : Row;
        std::memmove (Frame + (DestinationY + Line) * Pitch + DestinationX,
          Frame + (SourceY + Line) * Pitch + SourceX, Width * sizeof (*Buffer));
        break;
      }
    }
  }
  return EFI_SUCCESS;
}

bool
GraphicsOutput::SavePng (const std::string &Path) const
{
  FILE  *File = std::fopen (Path.c_str (), "wb");

  if (File == nullptr) {
    return false;
  }
  // The row buffer lives outside the setjmp region, so a libpng error that jumps
  // back skips no destructor.
  std::vector<png_byte>  Row ((size_t)Width () * 3);
  png_structp  Png  = png_create_write_struct (PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop    Info = (Png == nullptr) ? nullptr : png_create_info_struct (Png);
  if ((Info == nullptr) || setjmp (png_jmpbuf (Png))) {
    png_destroy_write_struct (&Png, &Info);
    std::fclose (File);
    return false;
  }
  png_init_io (Png, File);
  png_set_IHDR (Png, Info, Width (), Height (), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
    PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info (Png, Info);
  for (UINT32 Y = 0; Y < Height (); Y++) {
    for (UINT32 X = 0; X < Width (); X++) {
      EFI_GRAPHICS_OUTPUT_BLT_PIXEL  Pixel = this->Pixel (X, Y);
      Row[X * 3]     = Pixel.Red;
      Row[X * 3 + 1] = Pixel.Green;
      Row[X * 3 + 2] = Pixel.Blue;
    }
    png_write_row (Png, Row.data ());
  }
  png_write_end (Png, nullptr);
  png_destroy_write_struct (&Png, &Info);
  return std::fclose (File) == 0;
}

}  // namespace Emu
