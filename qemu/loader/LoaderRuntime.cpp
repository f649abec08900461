/** @file
  The two memory routines the compiler may call on its own (zeroing and copying
  records), for a loader built without the platform's freestanding runtime.
**/
#include <stddef.h>

extern "C" void* memset(void* destination, int value, size_t size) {
  unsigned char* d = static_cast<unsigned char*>(destination);
  while (size-- != 0) *d++ = static_cast<unsigned char>(value);
  return destination;
}

extern "C" void* memcpy(void* destination, const void* source, size_t size) {
  unsigned char* d = static_cast<unsigned char*>(destination);
  const unsigned char* s = static_cast<const unsigned char*>(source);
  while (size-- != 0) *d++ = *s++;
  return destination;
}
