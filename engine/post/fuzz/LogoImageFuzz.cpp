// Logo files as boards and volumes hand them over: the same bytes through the BMP and
// the JPEG converter on a machine's pool, which must end with nothing left allocated
// after the caller frees what it got.
#include <engine/core/EngineNeighbours.h>
#include <Library/MemoryAllocationLib.h>
#include <Library/PlatformLib.h>

#include <Emulator/Machine.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  Emu::Machine M;
  (void)PlatformLibConstructor (nullptr, M.SystemTable ());
  std::vector<uint8_t> Image (Data, Data + Size);

  VOID *Blt = nullptr;
  UINT64 BltSize = 0, Height = 0, Width = 0;
  if (!EFI_ERROR (ConvertBmpToGopBlt (Image.data (), Image.size (), &Blt, &BltSize, &Height, &Width))) {
    FreePool (Blt);
  }

  Blt = nullptr;
  UINT32 JpegSize = 0, JpegHeight = 0, JpegWidth = 0, Pitch = 0;
  if (!EFI_ERROR (ConvertJpegToGopBlt (Image.data (), Image.size (), &Blt, &JpegSize, &JpegHeight, &JpegWidth, &Pitch))) {
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
