// The export loader over any bytes: what loads must export again, byte for byte as it was
// loaded, and its strings and languages must read back, without reading outside what was
// loaded.
#include <Emulator/Machine.h>
#include <EmulatorHii/HiiServices.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace {

void
ReadBack (Emu::HiiServices &Hii, EFI_HII_HANDLE Handle)
{
  for (const std::string &Language : Hii.Languages (Handle)) {
    // The first ids are enough to walk every decoded block kind; all of them would
    // make large packages slow to fuzz.
    for (EFI_STRING_ID Id = 1; Id < 64; Id++) {
      (void)Hii.String (Handle, Language, Id);  // absence is a valid answer
    }
  }
  EFI_HANDLE  Driver = nullptr;
  (void)Hii.GetPackageListHandle (Handle, &Driver);  // lists without a path have none
}

}  // namespace

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  Emu::Machine                 M;
  auto                         &Hii = M.Add (std::make_unique<Emu::HiiServices> (M));
  std::vector<EFI_HII_HANDLE>  Handles;

  // A malformed list stops the load; the lists before it stay and are read below.
  (void)Hii.LoadExport (Data, Size, true, &Handles);
  for (EFI_HII_HANDLE Handle : Handles) {
    ReadBack (Hii, Handle);
  }
  // The lists that loaded are the input's first ones, back to back, each as long as its
  // header says: exported together they are that prefix of the input.
  UINTN  Loaded = 0;
  for (size_t Index = 0; Index < Handles.size (); Index++) {
    UINT32  Length;
    std::memcpy (&Length, Data + Loaded + offsetof (EFI_HII_PACKAGE_LIST_HEADER, PackageLength), sizeof (Length));
    Loaded += Length;
  }
  UINTN  Needed = 0;
  if (Hii.ExportPackageLists (nullptr, &Needed, nullptr) == EFI_BUFFER_TOO_SMALL) {
    std::vector<UINT8>  Out (Needed);
    if (Hii.ExportPackageLists (nullptr, &Needed, Out.data ()) != EFI_SUCCESS) {
      __builtin_trap ();  // the size just given must be enough
    }
    if ((Needed != Loaded) || (std::memcmp (Out.data (), Data, Loaded) != 0)) {
      __builtin_trap ();  // the export must be what was loaded
    }
  } else if (Loaded != 0) {
    __builtin_trap ();  // loaded lists must export
  }
  return 0;
}
