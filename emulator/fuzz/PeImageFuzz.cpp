// Fuzz target of the image services' PE reader: any bytes a test or a disk hands to
// LoadImage. Every byte of the resource it returns is read, so a wrong size shows.
#include <Emulator/PeImage.h>

#include <cstdint>
#include <vector>

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  const std::vector<UINT8>  File (Data, Data + Size);
  volatile uint8_t          Sink = 0;

  if (auto Info = Emu::ReadPeImage (File)) {
    for (UINT8 Byte : Info->HiiResource) {
      Sink = (uint8_t)(Sink + Byte);
    }
  }

  (void)Sink;
  return 0;
}
