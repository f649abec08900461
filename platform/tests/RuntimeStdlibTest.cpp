// The image runtime's qsort, strtol and setjmp/longjmp, built here under other names so
// they do not meet the host C library's.
#include <gtest/gtest.h>

#include <climits>
#include <cstddef>
#include <string>
#include <vector>

extern "C" {
void SetupRuntimeQsort (void *Base, size_t Count, size_t Size, int (*Compare) (const void *, const void *));
long SetupRuntimeStrtol (const char *String, char **End, int Base);
__attribute__ ((ms_abi, returns_twice)) int SetupSetJump (unsigned long long *Buffer);
__attribute__ ((ms_abi, noreturn)) void SetupLongJump (unsigned long long *Buffer, int Value);
}

namespace {

int CompareInts (const void *Left, const void *Right)
{
  int  L = *(const int *)Left;
  int  R = *(const int *)Right;

  return (L > R) - (L < R);
}

TEST (RuntimeQsort, SortsWithDuplicatesAndLeavesShortArraysAlone) {
  std::vector<int>  Values = { 5, -3, 9, 0, 5, 2, INT_MIN, INT_MAX, 1, -3 };
  SetupRuntimeQsort (Values.data (), Values.size (), sizeof (int), CompareInts);
  EXPECT_EQ ((std::vector<int>{ INT_MIN, -3, -3, 0, 1, 2, 5, 5, 9, INT_MAX }), Values);

  int  One[1] = { 7 };
  SetupRuntimeQsort (One, 1, sizeof (int), CompareInts);
  SetupRuntimeQsort (nullptr, 0, sizeof (int), CompareInts);
  EXPECT_EQ (7, One[0]);
}

TEST (RuntimeStrtol, BasesSignsAndEnd) {
  char  *End = nullptr;

  EXPECT_EQ (-42, SetupRuntimeStrtol ("  -42xyz", &End, 10));
  EXPECT_EQ (std::string ("xyz"), End);
  EXPECT_EQ (255, SetupRuntimeStrtol ("0xff", nullptr, 0));
  EXPECT_EQ (255, SetupRuntimeStrtol ("0XFF", nullptr, 16));
  EXPECT_EQ (8, SetupRuntimeStrtol ("010", nullptr, 0));
  EXPECT_EQ (35, SetupRuntimeStrtol ("z", nullptr, 36));
}

TEST (RuntimeStrtol, NoDigitsLeavesEndAtTheStart) {
  const char  *Text = "  +x";
  char        *End  = nullptr;

  EXPECT_EQ (0, SetupRuntimeStrtol (Text, &End, 10));
  EXPECT_EQ (Text, End);
  // "0x" without a hex digit is the number 0 followed by "x".
  EXPECT_EQ (0, SetupRuntimeStrtol ("0xg", &End, 16));
  EXPECT_EQ (std::string ("xg"), End);
}

TEST (RuntimeStrtol, SaturatesAtTheLongRange) {
  EXPECT_EQ (LONG_MAX, SetupRuntimeStrtol ("99999999999999999999999", nullptr, 10));
  EXPECT_EQ (LONG_MIN, SetupRuntimeStrtol ("-99999999999999999999999", nullptr, 10));
  EXPECT_EQ (LONG_MIN, SetupRuntimeStrtol (std::to_string (LONG_MIN).c_str (), nullptr, 10));
}

unsigned long long  gJump[30];

__attribute__ ((noinline)) void JumpBack (int Value)
{
  SetupLongJump (gJump, Value);
}

TEST (RuntimeSetJump, ReturnsZeroThenTheJumpsValueWithLocalsKept) {
  volatile int     Calls = 0;
  volatile double  Kept  = 2.5;
  int              Result = SetupSetJump (gJump);

  Calls = Calls + 1;
  if (Calls == 1) {
    EXPECT_EQ (0, Result);
    JumpBack (7);
  }

  if (Calls == 2) {
    EXPECT_EQ (7, Result);
    JumpBack (0);  // a zero value comes back as 1
  }

  EXPECT_EQ (3, Calls);
  EXPECT_EQ (1, Result);
  EXPECT_EQ (2.5, Kept);
}

}  // namespace
