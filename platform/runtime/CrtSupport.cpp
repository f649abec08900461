/** @file
  What a freestanding C++ image needs from a C/C++ runtime: memory and string
  functions the compiler may call, the floating-point marker, the pure-virtual trap,
  atexit, global constructors and operator new/delete over the firmware pool.
  Built only into the UEFI image.
**/
#include <Uefi.h>
#include <Library/MemoryAllocationLib.h>
#include <Runtime/CrtSupport.h>
#include <Runtime/New.h>
#include <string.h>

extern "C" {

// The compiler calls these for struct copies and large initialisations, so they must
// not themselves be turned into calls to memcpy/memset: string instructions do the work.
void *
memcpy (void *Destination, const void *Source, size_t Size)
{
  void  *Start = Destination;

  __asm__ volatile ("rep movsb" : "+D"(Destination), "+S"(Source), "+c"(Size) : : "memory");
  return Start;
}

void *
memmove (void *Destination, const void *Source, size_t Size)
{
  unsigned char        *To   = (unsigned char *)Destination;
  const unsigned char  *From = (const unsigned char *)Source;

  if ((To <= From) || (To >= From + Size)) {
    return memcpy (Destination, Source, Size);
  }

  // Overlap with the destination above the source: copy backwards.
  To   += Size - 1;
  From += Size - 1;
  __asm__ volatile ("std\n\trep movsb\n\tcld" : "+D"(To), "+S"(From), "+c"(Size) : : "memory");
  return Destination;
}

void *
memset (void *Destination, int Value, size_t Size)
{
  void  *Start = Destination;

  __asm__ volatile ("rep stosb" : "+D"(Destination), "+c"(Size) : "a"(Value) : "memory");
  return Start;
}

int
memcmp (const void *Left, const void *Right, size_t Size)
{
  const unsigned char  *A = (const unsigned char *)Left;
  const unsigned char  *B = (const unsigned char *)Right;

  for (size_t Index = 0; Index < Size; Index++) {
    if (A[Index] != B[Index]) {
      return (int)A[Index] - (int)B[Index];
    }
  }

  return 0;
}

void *
memchr (const void *Buffer, int Value, size_t Size)
{
  const unsigned char  *Bytes = (const unsigned char *)Buffer;

  for (size_t Index = 0; Index < Size; Index++) {
    if (Bytes[Index] == (unsigned char)Value) {
      return (void *)(Bytes + Index);
    }
  }

  return nullptr;
}

// Marks that the image uses floating point; the Microsoft toolchain convention asks
// for the symbol whenever float code is present.
int  _fltused = 0;

// A pure virtual called through a half-built or half-destroyed object: stop here
// rather than jump through a null slot.
int
_purecall (void)
{
  for ( ; ; ) {
    __asm__ volatile ("hlt");
  }
}

// The driver stays resident and never unloads, so exit-time destructors never run.
int
atexit (void (*Function)(void))
{
  (void)Function;
  return 0;
}

}  // extern "C"

// The table of global constructors: the compiler puts one pointer per translation
// unit into .CRT$XCU; the linker sorts the .CRT$XC* pieces by name, so the two
// markers below bracket them.
typedef void (*CRT_INITIALIZER)(void);

__attribute__((section (".CRT$XCA"), used)) static CRT_INITIALIZER  mCrtStart[1] = { nullptr };
__attribute__((section (".CRT$XCZ"), used)) static CRT_INITIALIZER  mCrtEnd[1]   = { nullptr };

VOID
RunGlobalConstructors (VOID)
{
  // The linker may pad between pieces with zeros, so null entries are skipped.
  for (CRT_INITIALIZER *Entry = mCrtStart + 1; Entry < mCrtEnd; Entry++) {
    if (*Entry != nullptr) {
      (*Entry)();
    }
  }
}

// Objects are zero-filled, as the graphics library and the GUI expect of their
// allocator. Without exceptions a failed allocation returns null; only the kNoThrow
// forms make the compiler test for that before constructing (see Runtime/New.h).
void *operator new (size_t Size) { return AllocateZeroPool (Size); }
void *operator new[] (size_t Size) { return AllocateZeroPool (Size); }
void *operator new (size_t Size, const NO_THROW_TAG &) noexcept { return AllocateZeroPool (Size); }
void *operator new[] (size_t Size, const NO_THROW_TAG &) noexcept { return AllocateZeroPool (Size); }
void operator delete (void *Pointer) noexcept { FreePool (Pointer); }
void operator delete[] (void *Pointer) noexcept { FreePool (Pointer); }
void operator delete (void *Pointer, size_t) noexcept { FreePool (Pointer); }
void operator delete[] (void *Pointer, size_t) noexcept { FreePool (Pointer); }
