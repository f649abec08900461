// Fuzz target of the package-list walk that finds the setup data a driver image carries.
// Input: an HII package list, copied into a buffer of exactly its size; the walk is asked
// for the setup data's GUID and for the GUID of the input's first package, and every byte
// it hands out is read so that a wrong size shows.
#include <engine/core/SetupData.h>

#include <cstdint>
#include <cstring>
#include <memory>

namespace {

const EFI_GUID  kSetupDataGuid = SETUP_DATA_SECTION_GUID;

uint8_t
Touch (const UINT8 *Data, UINTN Size)
{
  uint8_t  Sum = 0;

  for (UINTN Index = 0; Index < Size; Index++) {
    Sum = (uint8_t)(Sum + Data[Index]);
  }

  return Sum;
}

}  // namespace

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  std::unique_ptr<UINT8[]>  List (new UINT8[Size == 0 ? 1 : Size]);
  EFI_GUID                  First {};
  UINTN                     Found = 0;
  volatile uint8_t          Sink  = 0;

  std::memcpy (List.get (), Data, Size);
  if (const UINT8 *Package = FindGuidPackage (List.get (), Size, &kSetupDataGuid, &Found)) {
    Sink = Touch (Package, Found);
  }

  if (Size >= 40) {
    std::memcpy (&First, Data + 24, sizeof (First));
    if (const UINT8 *Package = FindGuidPackage (List.get (), Size, &First, &Found)) {
      Sink = Touch (Package, Found);
    }
  }

  (void)Sink;
  return 0;
}
