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

// `new (kNoThrow) T (...)` yields null when the pool is exhausted and skips the
// constructor then. A plain `new T` cannot: without exceptions the compiler still
// assumes the plain form never returns null and constructs through the pointer.
struct NO_THROW_TAG {};
inline constexpr NO_THROW_TAG  kNoThrow {};
void *operator new (size_t Size, const NO_THROW_TAG &) noexcept;
void *operator new[] (size_t Size, const NO_THROW_TAG &) noexcept;
#else
#include <new>
using NO_THROW_TAG = std::nothrow_t;
inline const NO_THROW_TAG  &kNoThrow = std::nothrow;
#endif

#endif
