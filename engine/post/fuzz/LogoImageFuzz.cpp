// Logo files as boards and volumes hand them over: the same bytes through the BMP and
// the JPEG converter on a machine's pool, which must end with nothing left allocated
// after the caller frees what it got. A converted picture's buffer must be the size
// reported, which is width x height pixels of 4 bytes (a JPEG whose width is a multiple of
// 16 keeps its decode rows, the height rounded up to 16), all of it the caller's.
#include <engine/post/LogoDecoders.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PlatformLib.h>

#include <Emulator/Machine.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// A buffer shorter than the size reported shows here as a read past its end.
void TouchLastByte (const VOID *Blt, UINT64 Size)
{
  if (Size != 0) {
    volatile UINT8 Last = ((const UINT8 *)Blt)[Size - 1];
    (void)Last;
  }
}

}  // namespace

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  Emu::Machine M;
  (void)PlatformLibConstructor (nullptr, M.SystemTable ());
  std::vector<uint8_t> Image (Data, Data + Size);

  VOID *Blt = nullptr;
  UINT64 BltSize = 0, Height = 0, Width = 0;
  if (!EFI_ERROR (ConvertBmpToGopBlt (Image.data (), Image.size (), &Blt, &BltSize, &Height, &Width))) {
    if (BltSize != Width * Height * sizeof (EFI_GRAPHICS_OUTPUT_BLT_PIXEL)) {
      abort ();
    }
    TouchLastByte (Blt, BltSize);
    FreePool (Blt);
  }

  Blt = nullptr;
  UINT32 JpegSize = 0, JpegHeight = 0, JpegWidth = 0, Pitch = 0;
  if (!EFI_ERROR (ConvertJpegToGopBlt (Image.data (), Image.size (), &Blt, &JpegSize, &JpegHeight, &JpegWidth, &Pitch))) {
    UINT64 Rows = JpegWidth % 16 == 0 ? (JpegHeight + 15) / 16 * 16 : JpegHeight;
    if (Pitch != JpegWidth || JpegSize != (UINT64)JpegWidth * Rows * sizeof (EFI_GRAPHICS_OUTPUT_BLT_PIXEL)) {
      abort ();
    }
    TouchLastByte (Blt, JpegSize);
    FreePool (Blt);
  }

  if (M.Memory ().LiveBlockCount () != 0) {
    abort ();
  }
  gLibBS = nullptr;
  gLibST = nullptr;
  gLibRT = nullptr;
  return 0;
}
