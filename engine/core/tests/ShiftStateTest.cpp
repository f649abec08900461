// The shift-state match of hotkeys and key-table rows.
#include <engine/core/ShiftState.h>

#include <gtest/gtest.h>

namespace {

// EFI_SHIFT_STATE bits, spelled out from the UEFI key-data definition.
constexpr UINT32  kValid        = 0x80000000;
constexpr UINT32  kRightShift   = 0x01;
constexpr UINT32  kLeftShift    = 0x02;
constexpr UINT32  kRightControl = 0x04;
constexpr UINT32  kLeftControl  = 0x08;
constexpr UINT32  kLeftAlt      = 0x20;
constexpr UINT32  kRightLogo    = 0x40;
constexpr UINT32  kLeftLogo     = 0x80;
constexpr UINT32  kMenu         = 0x100;

TEST (MatchShiftState, EitherShiftMatchesAPatternWithBothButOnlyTheNamedOneOtherwise) {
  EXPECT_TRUE (MatchShiftState (kValid | kLeftShift, kValid | kLeftShift | kRightShift));
  EXPECT_FALSE (MatchShiftState (kValid | kLeftShift, kValid | kRightShift));
  EXPECT_TRUE (MatchShiftState (kValid | kLeftShift | kRightShift, kValid | kLeftShift | kRightShift));
  EXPECT_FALSE (MatchShiftState (kValid, kValid | kLeftShift | kRightShift));
}

TEST (MatchShiftState, TheValidBitTakesNoPart) {
  EXPECT_TRUE (MatchShiftState (kValid | kLeftControl, kLeftControl));
  EXPECT_TRUE (MatchShiftState (0, kValid));
  EXPECT_FALSE (MatchShiftState (kValid | kLeftAlt, kValid));
}

TEST (MatchShiftState, EveryPairIsJudgedAndTheRestMustBeEqual) {
  UINT32  Both = kLeftShift | kRightShift | kLeftControl | kRightControl | 0x30 | kLeftLogo | kRightLogo;

  EXPECT_TRUE (MatchShiftState (kValid | kRightShift | kLeftControl | kLeftAlt | kRightLogo, kValid | Both));
  EXPECT_FALSE (MatchShiftState (kValid | kRightShift | kLeftControl | kLeftAlt, kValid | Both));   // no logo key
  // A pair given with one key only must be equal, and bits outside the pairs too.
  EXPECT_FALSE (MatchShiftState (kRightShift | kLeftControl, kLeftShift | kRightShift | kRightControl));
  EXPECT_TRUE (MatchShiftState (kRightShift | kRightControl, kLeftShift | kRightShift | kRightControl));
  EXPECT_FALSE (MatchShiftState (kRightShift | kMenu, kLeftShift | kRightShift));
  EXPECT_TRUE (MatchShiftState (kRightShift | kMenu, kLeftShift | kRightShift | kMenu));
}

}  // namespace
