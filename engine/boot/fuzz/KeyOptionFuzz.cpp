// Fuzz target of the "Key####" option reader. The input is the variable's data,
// copied into a buffer of exactly its size, as the variable services hand it over.
#include <engine/textui/Hotkeys.h>

#include <cstdint>
#include <cstring>
#include <memory>

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  std::unique_ptr<UINT8[]>  Option (new UINT8[Size == 0 ? 1 : Size]);
  BOOT_KEY_OPTION_INFO      Info;

  if (Size != 0) {
    std::memcpy (Option.get (), Data, Size);
  }

  (void)ParseBootKeyOption (Size == 0 ? nullptr : Option.get (), Size, &Info);
  return 0;
}
