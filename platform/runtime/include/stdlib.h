/** @file
  Freestanding <stdlib.h> for the UEFI image: the few functions the image's dependencies
  (FreeType, libpng) call. Memory comes from the firmware pool. This directory is on the
  include path only for the UEFI build.
**/
#ifndef RUNTIME_STDLIB_H_
#define RUNTIME_STDLIB_H_

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

void *malloc (size_t Size);
void free (void *Pointer);
__attribute__ ((noreturn)) void abort (void);
void qsort (void *Base, size_t Count, size_t Size, int (*Compare) (const void *, const void *));
long strtol (const char *String, char **End, int Base);

#ifdef __cplusplus
}
#endif

#endif
