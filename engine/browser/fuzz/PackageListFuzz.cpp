// Package lists as the HII database exports them: the walk to the forms package reads
// only inside the list, and the package it finds lies wholly inside it.
#include <engine/browser/DynamicPages.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int
LLVMFuzzerTestOneInput (const uint8_t *Data, size_t Size)
{
  UINTN  Offset = 0;
  UINTN  Length = FindFormsPackage (Data, Size, &Offset);

  if ((Length != 0) && ((Offset > Size) || (Length > Size - Offset) || (Data[Offset + 3] != EFI_HII_PACKAGE_FORMS))) {
    std::abort ();
  }
  return 0;
}
