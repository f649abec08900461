// Fuzz target of the load-option reader. The input is a "Boot####" or "Driver####"
// variable's data, copied into a buffer of exactly its size, as the variable services
// hand it over; an accepted option is walked to its end as a record copy would be.
#include <engine/boot/BootOptions.h>

#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  std::unique_ptr<UINT8[]>  Option (new UINT8[Size == 0 ? 1 : Size]);
  LOAD_OPTION_VIEW          View;
  volatile UINT8            Sink = 0;

  if (Size != 0) {
    std::memcpy (Option.get (), Data, Size);
  }

  if (ParseLoadOption (Size == 0 ? nullptr : Option.get (), Size, &View) == EFI_SUCCESS) {
    const UINT8  *Description = (const UINT8 *)View.Description;
    const UINT8  *Path        = (const UINT8 *)View.DevicePath;
    for (size_t At = 0; At < View.DescriptionSize; At++) {
      Sink = Sink ^ Description[At];
    }
    for (size_t At = 0; At < View.DevicePathSize; At++) {
      Sink = Sink ^ Path[At];
    }
    for (size_t At = 0; At < View.OptionalDataSize; At++) {
      Sink = Sink ^ View.OptionalData[At];
    }
  }

  return 0;
}
