/** @file
  Freestanding <string.h> for the UEFI image (no C library exists there). On the host
  the C library's header is used instead; this directory is on the include path only
  for the UEFI build.
**/
#ifndef RUNTIME_STRING_H_
#define RUNTIME_STRING_H_

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

void *memcpy (void *Destination, const void *Source, size_t Size);
void *memmove (void *Destination, const void *Source, size_t Size);
void *memset (void *Destination, int Value, size_t Size);
int memcmp (const void *Left, const void *Right, size_t Size);
void *memchr (const void *Buffer, int Value, size_t Size);
size_t strlen (const char *String);
size_t strnlen (const char *String, size_t Max);
int strcmp (const char *Left, const char *Right);
int strncmp (const char *Left, const char *Right, size_t Size);
char *strchr (const char *String, int Char);
char *strrchr (const char *String, int Char);
char *strstr (const char *String, const char *Search);
char *strcpy (char *Destination, const char *Source);
char *strncpy (char *Destination, const char *Source, size_t Size);
char *strcat (char *Destination, const char *Source);

#ifdef __cplusplus
}
#endif

#endif
