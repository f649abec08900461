// Fuzz target of the NVRAM store-image reader. Input: a 16-byte vendor GUID, then
// the image. The image is copied into a buffer of exactly its size, opened with and
// without checksum checks, walked head by head, and read for a few names under that
// GUID; every data byte handed out is read so that a bad size shows.
#include <engine/variables/NvramStore.h>

#include <cstdint>
#include <cstring>
#include <memory>

namespace {

const CHAR16  *const  kNames[] = { u"Setup", u"Lang", u"V", u"StdDefaults", u"" };

uint8_t
Touch (const uint8_t *Data, UINTN Size)
{
  uint8_t  Sum = 0;

  for (UINTN Index = 0; Index < Size; Index++) {
    Sum = (uint8_t)(Sum + Data[Index]);
  }

  return Sum;
}

void
Exercise (uint8_t *Image, size_t Size, const EFI_GUID &Guid, BOOLEAN CheckChecksum)
{
  NVAR_STORE  Store {};
  UINTN       DataOffset;
  UINTN       DataSize;
  uint8_t     Buffer[256];

  Store.Base = Image;
  Store.Size = Size;
  if (EFI_ERROR (InitNvarStore (&Store, 0, CheckChecksum, nullptr))) {
    return;
  }

  for (UINT8 *Record = FirstNvarRecord (&Store); Record != nullptr; Record = NextNvarRecord (Record, &Store)) {
    for (const CHAR16 *Name : kNames) {
      if (NvarMatchesNameGuid (Record, Name, &Guid, &DataOffset, &Store)) {
        const UINT8  *Data = NvarFollowLinks (Record, DataOffset, &DataSize, &Store);
        (void)Touch (Data, Data == nullptr ? 0 : DataSize);
        if (NvarFollowLinks (Record, DataOffset + 1, &DataSize, &Store) != nullptr) {
          __builtin_trap ();  // data followed from a place that is not the record's
        }
      }
    }
  }

  DataSize = 1;
  if (NvarGetVariable (kNames[0], &Guid, nullptr, &DataSize, nullptr, &Store, nullptr) != EFI_INVALID_PARAMETER) {
    __builtin_trap ();  // a size without a buffer to fill
  }

  // First the size a caller learns from an empty buffer, then the data into one of that size.
  for (const CHAR16 *Name : kNames) {
    UINT32  Attributes = 0;

    DataSize = 0;
    if (NvarGetVariable (Name, &Guid, &Attributes, &DataSize, nullptr, &Store, nullptr) != EFI_BUFFER_TOO_SMALL) {
      continue;
    }

    if (DataSize <= sizeof (Buffer)) {
      UINTN  Needed = DataSize;
      if ((NvarGetVariable (Name, &Guid, &Attributes, &DataSize, Buffer, &Store, nullptr) != EFI_SUCCESS) ||
          (DataSize != Needed))
      {
        __builtin_trap ();  // the size it asked for did not hold the data
      }

      (void)Touch (Buffer, DataSize);
    }
  }
}

}  // namespace

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  EFI_GUID  Guid;

  if (Size < sizeof (Guid)) {
    return 0;
  }

  std::memcpy (&Guid, Data, sizeof (Guid));
  Size -= sizeof (Guid);
  std::unique_ptr<uint8_t []>  Image (new uint8_t[Size == 0 ? 1 : Size]);
  std::memcpy (Image.get (), Data + sizeof (Guid), Size);
  Exercise (Image.get (), Size, Guid, TRUE);
  Exercise (Image.get (), Size, Guid, FALSE);
  return 0;
}
