/** @file
  The C string functions of the freestanding <string.h>. Built only into the UEFI image.
**/
#include <string.h>

extern "C" {

size_t
strlen (const char *String)
{
  size_t  Length = 0;

  while (String[Length] != 0) {
    Length++;
  }

  return Length;
}

size_t
strnlen (const char *String, size_t Max)
{
  size_t  Length = 0;

  while ((Length < Max) && (String[Length] != 0)) {
    Length++;
  }

  return Length;
}

int
strncmp (const char *Left, const char *Right, size_t Size)
{
  for (size_t Index = 0; Index < Size; Index++) {
    unsigned char  A = (unsigned char)Left[Index];
    unsigned char  B = (unsigned char)Right[Index];

    if ((A != B) || (A == 0)) {
      return (int)A - (int)B;
    }
  }

  return 0;
}

int
strcmp (const char *Left, const char *Right)
{
  return strncmp (Left, Right, (size_t)-1);
}

char *
strchr (const char *String, int Char)
{
  for ( ; ; String++) {
    if (*String == (char)Char) {
      return (char *)String;
    }

    if (*String == 0) {
      return nullptr;
    }
  }
}

char *
strrchr (const char *String, int Char)
{
  const char  *Found = nullptr;

  for ( ; ; String++) {
    if (*String == (char)Char) {
      Found = String;
    }

    if (*String == 0) {
      return (char *)Found;
    }
  }
}

char *
strstr (const char *String, const char *Search)
{
  size_t  Length = strlen (Search);

  for ( ; *String != 0; String++) {
    if (strncmp (String, Search, Length) == 0) {
      return (char *)String;
    }
  }

  return (Length == 0) ? (char *)String : nullptr;
}

char *
strcpy (char *Destination, const char *Source)
{
  return (char *)memcpy (Destination, Source, strlen (Source) + 1);
}

char *
strncpy (char *Destination, const char *Source, size_t Size)
{
  size_t  Length = strnlen (Source, Size);

  memcpy (Destination, Source, Length);
  memset (Destination + Length, 0, Size - Length);
  return Destination;
}

char *
strcat (char *Destination, const char *Source)
{
  strcpy (Destination + strlen (Destination), Source);
  return Destination;
}

}  // extern "C"
