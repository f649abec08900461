// Fuzz target of the EDID reader that chooses the display mode. The input is the
// EDID, copied into a buffer of exactly its size; a resolution it gives is matched
// against a fixed mode list.
#include <engine/boot/DisplayMode.h>

#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  static const DISPLAY_MODE_SIZE  kModes[] = { { 1024, 768 }, { 800, 600 }, { 1280, 720 }, { 1920, 1080 }, { 0, 0 } };
  std::unique_ptr<UINT8[]>        Edid (new UINT8[Size]);
  UINT32                          Width;
  UINT32                          Height;

  if (Size != 0) {
    std::memcpy (Edid.get (), Data, Size);
  }

  if (!EFI_ERROR (ReadEdidPreferredResolution (Size == 0 ? nullptr : Edid.get (), Size, &Width, &Height))) {
    (void)ChooseDisplayMode (kModes, sizeof (kModes) / sizeof (kModes[0]), Width, Height);
  }

  return 0;
}
