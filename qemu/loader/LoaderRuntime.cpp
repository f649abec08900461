/** @file
  The two memory routines the compiler may call on its own (zeroing and copying
  records), for a loader built without the platform's freestanding runtime.
**/
#include <stddef.h>

extern "C" void *
memset (
  void    *Destination,
  int     Value,
  size_t  Size
  )
{
  unsigned char *D = static_cast<unsigned char *> (Destination);
  while (Size-- != 0) {
    *D++ = static_cast<unsigned char> (Value);
  }
  return Destination;
}

extern "C" void *
memcpy (
  void        *Destination,
  const void  *Source,
  size_t      Size
  )
{
  unsigned char       *D = static_cast<unsigned char *> (Destination);
  const unsigned char *S = static_cast<const unsigned char *> (Source);
  while (Size-- != 0) {
    *D++ = *S++;
  }
  return Destination;
}
