/** @file
  Placement new for code that builds both for the host and for the freestanding
  UEFI target, where no C++ standard headers exist.
**/
#ifndef RUNTIME_NEW_H_
#define RUNTIME_NEW_H_

#include <stddef.h>

#if defined(SETUP_UEFI_TARGET)
inline void *operator new (size_t, void *Where) noexcept { return Where; }
inline void *operator new[] (size_t, void *Where) noexcept { return Where; }
inline void operator delete (void *, void *) noexcept {}
inline void operator delete[] (void *, void *) noexcept {}
#else
#include <new>
#endif

#endif
