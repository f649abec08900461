// Hook lookup, callers and wrappers, on the production table and on small tables
// of recording members.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

extern "C++" {
#include <engine/boot/DisplayMode.h>
#include <engine/post/PostHooks.h>
#include <frontend/BoardHooks.h>
#include <gui/GuiServices.h>
#include <engine/textui/Hotkeys.h>
#include <engine/textui/PasswordPrompt.h>
}

namespace {

std::vector<int>  gCalls;
UINT8             gSeenKeys[4][HOOK_KEY_RECORD_SIZE];
int               gKeyCalls;

UINT64 MemberA (CONST HOOK_ARGS *Args) { gCalls.push_back (1); return Args->Count == 0 ? 0xA : Args->Arg[0]; }
UINT64 MemberB (CONST HOOK_ARGS *Args) { gCalls.push_back (2); return Args->Count < 2 ? 0xB : Args->Arg[0] + Args->Arg[1]; }
UINT64 Default (CONST HOOK_ARGS *Args) { gCalls.push_back (99); return 0xDEF + Args->Count; }
UINT64 Returns0 (CONST HOOK_ARGS *) { gCalls.push_back (10); return 0; }
UINT64 Returns1 (CONST HOOK_ARGS *) { gCalls.push_back (11); return 1; }
UINT64 Returns256 (CONST HOOK_ARGS *) { gCalls.push_back (12); return 0x100; }

UINT64 KeyMember (CONST HOOK_ARGS *Args)
{
  UINT8  *Record = (UINT8 *)(UINTN)Args->Arg[0];

  std::memcpy (gSeenKeys[gKeyCalls++], Record, HOOK_KEY_RECORD_SIZE);
  Record[0] = 0xEE;         // must not leak to the next member or the caller
  return 0x1234567800000042ULL;
}

UINT64 Word (HOOK_FUNCTION Function) { return (UINT64)(UINTN)Function; }

// The wrapper word of a test row names Default: were the lookup ever to run the
// wrapper word as a member, the default's record would show it.
UINT64 Wrapper () { return Word (Default); }

class HookTableTest : public ::testing::Test {
protected:
  void SetUp () override
  {
    mSaved = gHookTable;
    gCalls.clear ();
    gKeyCalls = 0;
  }

  void TearDown () override { gHookTable = mSaved; }

  void Use (const std::vector<UINT64> &Table)
  {
    mTable     = Table;
    gHookTable = mTable.data ();
  }

  CONST UINT64          *mSaved = nullptr;
  std::vector<UINT64>   mTable;
};

// Rows list their members in call order.
TEST_F (HookTableTest, ProductionRowsHoldMembersInOrder)
{
  UINTN  First, Last;

  gHookTable = GetProductionHookTable ();
  ASSERT_NE (0u, FindHookList (HOOK_ID_BEFORE_EFI_BOOT, &First, &Last));
  ASSERT_EQ (First + 4, Last);
  EXPECT_EQ (Word (CancelBootTimeoutTimer), gHookTable[First]);
  EXPECT_EQ (Word (SetDisplayModeFromEdid), gHookTable[First + 1]);
  EXPECT_EQ (Word (BoardBeforeEfiBoot3), gHookTable[Last]);

  ASSERT_NE (0u, FindHookList (HOOK_ID_SET_CONTROL_COLORS, &First, &Last));
  EXPECT_EQ (First, Last);
  EXPECT_EQ (Word (GetDefaultColors), gHookTable[First]);
}

// Every row of this board, ids 0x01 to 0x27 one after the other with their member
// counts; ids 0x11 to 0x13 hold ReturnZero only and 0x27 nothing. The indexes a caller
// sees follow the row layout: marker, wrapper, members (the logo row's at 2 to 10).
TEST_F (HookTableTest, ProductionTableHoldsEveryRowInIdOrder)
{
  const UINTN  Counts[] = {
    9, 3, 8, 1, 2, 1, 1, 2, 3, 3, 5, 2, 3, 5, 1, 1,     // 0x01-0x10
    1, 1, 1, 1, 1, 1, 1, 1, 2, 1, 1, 1, 1, 2, 1, 1,     // 0x11-0x20
    1, 1, 2, 1, 1, 4, 0,                                // 0x21-0x27
  };
  UINTN  NextMarker = 0;

  gHookTable = GetProductionHookTable ();
  for (UINT64 Id = 1; Id <= sizeof (Counts) / sizeof (Counts[0]); Id++) {
    UINTN  First = 7, Last = 7;
    UINTN  Found = FindHookList (0xFFFF0000 | Id, &First, &Last);

    ASSERT_NE (0u, Found) << std::hex << Id;
    EXPECT_EQ (Found, First);
    EXPECT_EQ (NextMarker + 2, First) << "row " << std::hex << Id;   // right behind the row before
    EXPECT_EQ (Counts[Id - 1], Last + 1 - First) << "row " << std::hex << Id;
    NextMarker = Last + 1;
  }

  // Row 0x27 is followed by the terminator row alone: 0xFFFF0000, EmptyMethod, 0.
  EXPECT_EQ (0xFFFF0000u, gHookTable[NextMarker]);
  EXPECT_EQ (Word (EmptyMethod), gHookTable[NextMarker + 1]);
  EXPECT_EQ (0u, gHookTable[NextMarker + 2]);
  for (UINT64 Id = 0x11; Id <= 0x13; Id++) {
    UINTN  First, Last;

    ASSERT_NE (0u, FindHookList (0xFFFF0000 | Id, &First, &Last));
    EXPECT_EQ (Word (ReturnZero), gHookTable[First]);
  }
}

// Id 0x27 is present with an empty list: nothing runs, not even the default.
TEST_F (HookTableTest, PresentEmptyListRunsNothing)
{
  UINTN  First, Last;

  gHookTable = GetProductionHookTable ();
  EXPECT_NE (0u, FindHookList (HOOK_ID_RESERVED_27, &First, &Last));
  EXPECT_EQ (First - 1, Last);
  EXPECT_EQ (0u, CallHookList (HOOK_ID_RESERVED_27, Default));
  EXPECT_TRUE (gCalls.empty ());
}

// Ids outside the rows, including the terminator's id 0, run the default.
TEST_F (HookTableTest, AbsentIdsRunTheDefault)
{
  UINTN  First = 5, Last = 5;

  gHookTable = GetProductionHookTable ();
  for (UINT64 Id : { 0xFFFF0000ULL, 0xFFFF0028ULL, 0xFFFF00FFULL, 0x27ULL }) {
    EXPECT_EQ (0u, FindHookList (Id, &First, &Last)) << std::hex << Id;
    EXPECT_EQ (0u, First);
  }

  EXPECT_EQ (0xDEF + 2, CallHookListWithTwoArgs (0xFFFF0028, Default, 1, 2));
  EXPECT_EQ ((std::vector<int>{ 99 }), gCalls);
}

// Every member runs with the caller's arguments; the last result is returned.
TEST_F (HookTableTest, MembersRunInOrderWithTheCallersArguments)
{
  Use ({ 0xFFFF0003, Wrapper (), Word (MemberA), Word (MemberB),
         0xFFFF0004, Wrapper (), Word (MemberB), Word (MemberA),
         0xFFFF0000, Wrapper (), 0 });
  EXPECT_EQ (7u, CallHookListWithTwoArgs (0xFFFF0003, Default, 3, 4));
  EXPECT_EQ ((std::vector<int>{ 1, 2 }), gCalls);
  gCalls.clear ();
  EXPECT_EQ (9u, CallHookListWithArg (0xFFFF0004, Default, 9));
  EXPECT_EQ ((std::vector<int>{ 2, 1 }), gCalls);
}

// A table that ends right after a row's wrapper: the list is empty, nothing past
// the end is read.
TEST_F (HookTableTest, RowAtTableEndIsEmpty)
{
  UINTN  First, Last;

  Use ({ 0xFFFF0001, Word (MemberA), 0xFFFF0002, 0 });
  EXPECT_NE (0u, FindHookList (0xFFFF0002, &First, &Last));
  EXPECT_EQ (First - 1, Last);
  EXPECT_EQ (0u, CallHookList (0xFFFF0002, Default));
  EXPECT_TRUE (gCalls.empty ());
}

// The POST password hook ORs the members' 8-bit answers; its default runs only
// when the row is gone.
TEST_F (HookTableTest, PostPasswordCheckOrsEightBitResults)
{
  Use ({ 0xFFFF0002, Wrapper (), Word (Returns0), Word (Returns256), 0xFFFF0000, Wrapper (), 0 });
  EXPECT_FALSE (HookPostPasswordCheck ());
  Use ({ 0xFFFF0002, Wrapper (), Word (Returns0), Word (Returns1), Word (Returns0), 0xFFFF0000, Wrapper (), 0 });
  EXPECT_TRUE (HookPostPasswordCheck ());
  EXPECT_EQ ((std::vector<int>{ 10, 12, 10, 11, 10 }), gCalls);

  gHookTable = GetProductionHookTable ();
  EXPECT_FALSE (HookPostPasswordCheck ());   // board members answer FALSE
  Use ({ 0xFFFF0001, Wrapper (), 0xFFFF0000, Wrapper (), 0 });
  EXPECT_FALSE (HookPostPasswordCheck ());   // the default asks nothing: no password is set
}

// Each key member reads its own copy of the record; the caller's stays intact.
TEST_F (HookTableTest, KeyMembersGetPrivateCopies)
{
  UINT8  Record[HOOK_KEY_RECORD_SIZE];

  for (UINTN Index = 0; Index < sizeof (Record); Index++) {
    Record[Index] = (UINT8)(Index + 1);
  }

  Use ({ 0xFFFF0007, Wrapper (), Word (KeyMember), Word (KeyMember), 0xFFFF0000, Wrapper (), 0 });
  EXPECT_EQ (0x42u, HookMapSetupKey (Record));
  ASSERT_EQ (2, gKeyCalls);
  EXPECT_EQ (0, std::memcmp (gSeenKeys[0], Record, sizeof (Record)));
  EXPECT_EQ (0, std::memcmp (gSeenKeys[1], Record, sizeof (Record)));
  EXPECT_EQ (1, Record[0]);

  Use ({ 0xFFFF0007, Wrapper (), 0xFFFF0000, Wrapper (), 0 });
  EXPECT_EQ (0u, HookMapSetupKey (Record));
}

// The default colours: the table's first eight bytes swapped in pairs, the rest
// in order; null pointers are skipped.
TEST_F (HookTableTest, DefaultColorsFillEveryPointerGiven)
{
  UINT8  Colors[HOOK_MAX_ARGS];
  UINT8  Expected[HOOK_MAX_ARGS] = {
    0x70, 0x08, 0x70, 0x01, 0x70, 0x0F, 0x70, 0x01, 0x70, 0x0F, 0x01, 0x10, 0x0F, 0x0F, 0x10
  };

  std::memset (Colors, 0xCC, sizeof (Colors));
  gHookTable = GetProductionHookTable ();
  EXPECT_EQ (0u, HookSetControlColors (&Colors[0], &Colors[1], &Colors[2], &Colors[3], &Colors[4],
                                       &Colors[5], &Colors[6], &Colors[7], &Colors[8], &Colors[9],
                                       &Colors[10], &Colors[11], &Colors[12], &Colors[13], &Colors[14]));
  EXPECT_EQ (0, std::memcmp (Expected, Colors, sizeof (Colors)));

  std::memset (Colors, 0xCC, sizeof (Colors));
  HookSetControlColors (NULL, &Colors[1], NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL,
                        NULL, NULL, NULL, NULL, &Colors[14]);
  EXPECT_EQ (0xCC, Colors[0]);
  EXPECT_EQ (0x08, Colors[1]);
  EXPECT_EQ (0x10, Colors[14]);
}

// A present but empty pointer row answers 0; its result is cut to 32 bits.
TEST_F (HookTableTest, PointerActionResultIsCutTo32Bits)
{
  Use ({ 0xFFFF001F, Wrapper (), 0xFFFF0000, Wrapper (), 0 });
  EXPECT_EQ (0u, HookMapPointerAction (5));
  Use ({ 0xFFFF001F, Wrapper (), Word (MemberA), 0xFFFF0000, Wrapper (), 0 });
  EXPECT_EQ (0x89ABCDEFu, HookMapPointerAction (0x0123456789ABCDEFULL));
}

}  // namespace
