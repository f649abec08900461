/** @file
  The few <stdlib.h> functions the image's font engine calls: qsort and strtol. Built only
  into the UEFI image.
**/
#include <limits.h>
#include <stddef.h>

extern "C" {

void qsort (void *Base, size_t Count, size_t Size, int (*Compare) (const void *, const void *));
long strtol (const char *String, char **End, int Base);

}

namespace {

void
SwapBytes (unsigned char *Left, unsigned char *Right, size_t Size)
{
  for (size_t Index = 0; Index < Size; Index++) {
    unsigned char  Byte = Left[Index];

    Left[Index]  = Right[Index];
    Right[Index] = Byte;
  }
}

// Sifts the element at Root down the max-heap of Count elements.
void
SiftDown (unsigned char *Base, size_t Root, size_t Count, size_t Size, int (*Compare) (const void *, const void *))
{
  while (2 * Root + 1 < Count) {
    size_t  Child = 2 * Root + 1;

    if ((Child + 1 < Count) && (Compare (Base + Child * Size, Base + (Child + 1) * Size) < 0)) {
      Child++;
    }

    if (Compare (Base + Root * Size, Base + Child * Size) >= 0) {
      return;
    }

    SwapBytes (Base + Root * Size, Base + Child * Size, Size);
    Root = Child;
  }
}

int
DigitValue (char Char)
{
  if ((Char >= '0') && (Char <= '9')) {
    return Char - '0';
  }

  if ((Char >= 'a') && (Char <= 'z')) {
    return Char - 'a' + 10;
  }

  if ((Char >= 'A') && (Char <= 'Z')) {
    return Char - 'A' + 10;
  }

  return 36;
}

}  // namespace

extern "C" {

// Heap sort: no recursion and no extra memory, bounded by Count log Count comparisons.
void
qsort (void *Base, size_t Count, size_t Size, int (*Compare) (const void *, const void *))
{
  unsigned char  *Bytes = (unsigned char *)Base;

  if ((Bytes == nullptr) || (Count < 2) || (Size == 0)) {
    return;
  }

  for (size_t Root = Count / 2; Root-- > 0;) {
    SiftDown (Bytes, Root, Count, Size, Compare);
  }

  for (size_t End = Count - 1; End > 0; End--) {
    SwapBytes (Bytes, Bytes + End * Size, Size);
    SiftDown (Bytes, 0, End, Size, Compare);
  }
}

// Saturates at LONG_MIN/LONG_MAX as the C library does; no errno in the firmware.
long
strtol (const char *String, char **End, int Base)
{
  const char  *Cursor = String;

  while ((*Cursor == ' ') || ((*Cursor >= '\t') && (*Cursor <= '\r'))) {
    Cursor++;
  }

  bool  Negative = (*Cursor == '-');

  if ((*Cursor == '-') || (*Cursor == '+')) {
    Cursor++;
  }

  if (((Base == 0) || (Base == 16)) && (Cursor[0] == '0') && ((Cursor[1] | 0x20) == 'x') && (DigitValue (Cursor[2]) < 16)) {
    Cursor += 2;
    Base    = 16;
  } else if (Base == 0) {
    Base = (Cursor[0] == '0') ? 8 : 10;
  }

  unsigned long        Limit    = Negative ? (unsigned long)LONG_MAX + 1 : (unsigned long)LONG_MAX;
  unsigned long        Value    = 0;
  bool                 Overflow = false;
  const char           *Digits  = Cursor;

  for (int Digit; (Base >= 2) && (Base <= 36) && ((Digit = DigitValue (*Cursor)) < Base); Cursor++) {
    if (Value > (Limit - (unsigned long)Digit) / (unsigned long)Base) {
      Overflow = true;
    } else {
      Value = Value * (unsigned long)Base + (unsigned long)Digit;
    }
  }

  if (End != nullptr) {
    *End = (char *)((Cursor == Digits) ? String : Cursor);
  }

  if (Overflow) {
    return Negative ? LONG_MIN : LONG_MAX;
  }

  return Negative ? (long)(0 - Value) : (long)Value;
}

}
