// The date and time controls: the demo board's date and time kept in "Setup", and
// questions kept in the emulator's real-time clock, which refuses impossible dates;
// keys in through the method tables, the cache, the clock and the drawn cells out.
#include <engine/testing/DemoControls.h>

#include <engine/core/HookTable.h>
#include <engine/textui/TuiDateTime.h>
#include <engine/textui/TuiValueControls.h>
#include <Uefi/UefiIfr.h>

#include <list>

namespace {

constexpr UINTN  kDateAt = 8;
constexpr UINTN  kTimeAt = 12;

TEST (DayOfWeekTest, EveryDayFrom1900To2099FollowsTheDayBefore) {
  static const UINT8  Days[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
  UINT8  Expected = 1;              // 1 January 1900 was a Monday
  for (UINT16 Year = 1900; Year < 2100; Year++) {
    bool  Leap = ((Year % 4) == 0) && (((Year % 100) != 0) || ((Year % 400) == 0));
    for (UINT8 Month = 1; Month <= 12; Month++) {
      UINT8  Last = (UINT8)(Days[Month - 1] + ((Month == 2) && Leap ? 1 : 0));
      for (UINT8 Day = 1; Day <= Last; Day++) {
        ASSERT_EQ (DayOfWeek (Year, Month, Day), Expected) << Year << "-" << (int)Month << "-" << (int)Day;
        Expected = (UINT8)((Expected + 1) % 7);
      }
    }
  }
  EXPECT_LT (DayOfWeek (0, 1, 1), 7);       // no negative remainder before year 1
}

class DateTimeTest : public DemoControlTest {
protected:
  // A DATE or TIME question of the engine's own strings kept in the real-time clock.
  TUI_CONTROL *ClockQuestion (UINT8 Op, UINT32 Flags = 0)
  {
    UINT16  Type = (Op == EFI_IFR_DATE_OP) ? CONTROL_TYPE_DATE : CONTROL_TYPE_TIME;
    Opcodes.push_back ({ Op, 14, 7, 0, 0, 0, 0x50, 0, 0, 0, 0, 0, 0, QF_DATE_STORAGE_TIME });
    Records.push_back (OwnRecord (Type, Opcodes.back ().data (), Flags));
    return Make (&Records.back ());
  }

  void SetClock (UINT16 Year, UINT8 Month, UINT8 Day, UINT8 Hour = 12, UINT8 Minute = 30, UINT8 Second = 0)
  {
    EFI_TIME  Now {};
    Now.Year = Year; Now.Month = Month; Now.Day = Day; Now.Hour = Hour; Now.Minute = Minute; Now.Second = Second;
    M.Clock ().SetNow (Now);
  }

  EFI_TIME Clock ()
  {
    EFI_TIME  Now {};
    EXPECT_EQ (M.Clock ().GetTime (&Now, nullptr), EFI_SUCCESS);
    return Now;
  }

  void StoreDate (UINT16 Year, UINT8 Month, UINT8 Day)
  {
    UINT8  Bytes[4] = { (UINT8)Year, (UINT8)(Year >> 8), Month, Day };
    ASSERT_EQ (WriteVariableBytes (0, kDateAt, 4, Bytes), EFI_SUCCESS);
  }

  EFI_STATUS Char (TUI_CONTROL *Control, CHAR16 Character) { return Key (Control, SCAN_NULL, Character); }
  EFI_STATUS Tab (TUI_CONTROL *Control) { return Key (Control, SCAN_NULL, CHAR_TAB); }

  void Type (TUI_CONTROL *Control, const std::u16string &Digits)
  {
    for (CHAR16 Digit : Digits) {
      ASSERT_EQ (Char (Control, Digit), EFI_SUCCESS);
    }
  }

  std::list<std::vector<UINT8>>  Opcodes;
  std::list<CONTROL_RECORD>      Records;
};

TEST_F (DateTimeTest, AStoredDateDrawsWithItsWeekdayAndTheCurrentFieldStandsOut) {
  StoreDate (2024, 1, 1);
  TUI_CONTROL  *Control = Make (Record (CONTROL_TYPE_DATE));
  ASSERT_EQ (Ops (Control)->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Drawn (3, 5, 11), u"System Date");
  EXPECT_EQ (Drawn (40, 5, 19), u"[Monday 01/01/2024]");
  EXPECT_EQ (DrawnAttribute (48, 5), 0x7F);          // the month: focused field colours
  EXPECT_EQ (DrawnAttribute (51, 5), 0x71);
  (VOID)Ops (Control)->SetFocus (Control, FALSE);
  ASSERT_EQ (Ops (Control)->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (DrawnAttribute (48, 5), 0x71);

  TUI_CONTROL  *Time = Make (Record (CONTROL_TYPE_TIME), 6);
  UINT8        Bytes[3] = { 7, 5, 9 };
  ASSERT_EQ (WriteVariableBytes (0, kTimeAt, 3, Bytes), EFI_SUCCESS);
  ASSERT_EQ (Ops (Time)->Draw (Time), EFI_SUCCESS);
  EXPECT_EQ (Drawn (40, 6, 10), u"[07:05:09]");
}

TEST_F (DateTimeTest, RaisingMonthTwelveGivesOneAndIsWrittenAtOnce) {
  StoreDate (2024, 12, 15);
  TUI_CONTROL  *Control = Make (Record (CONTROL_TYPE_DATE));
  ASSERT_EQ (Char (Control, u'+'), EFI_SUCCESS);
  EXPECT_EQ (Cached (0, kDateAt, 4), std::vector<UINT8> ({ 0xE8, 0x07, 1, 15 }));
  // The new value stands in the digit buffer: the next commit writes it again.
  ASSERT_EQ (Tab (Control), EFI_SUCCESS);
  EXPECT_EQ (Cached (0, kDateAt, 4), std::vector<UINT8> ({ 0xE8, 0x07, 1, 15 }));
  ASSERT_EQ (Ops (Control)->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Drawn (40, 5, 19), u"[Monday 01/15/2024]");
}

TEST_F (DateTimeTest, LoweringHourZeroGivesTwentyThreeAndRaisingSecondFiftyNineGivesZero) {
  SetClock (2024, 6, 1, 0, 10, 59);
  TUI_CONTROL  *Control = ClockQuestion (EFI_IFR_TIME_OP);
  ASSERT_EQ (Char (Control, u'-'), EFI_SUCCESS);
  EXPECT_EQ (Clock ().Hour, 23);
  ASSERT_EQ (Tab (Control), EFI_SUCCESS);
  ASSERT_EQ (Tab (Control), EFI_SUCCESS);
  ASSERT_EQ (Char (Control, u'+'), EFI_SUCCESS);
  EXPECT_EQ (Clock ().Second, 0);
  EXPECT_EQ (Clock ().Minute, 10);
  EXPECT_EQ (Clock ().Hour, 23);
}

TEST_F (DateTimeTest, ADayRaisedPastTheMonthBecomesOneAndADayLoweredFromOneTakesTheLastTheClockAccepts) {
  SetClock (2023, 2, 28);
  TUI_CONTROL  *Control = ClockQuestion (EFI_IFR_DATE_OP);
  ASSERT_EQ (Tab (Control), EFI_SUCCESS);
  ASSERT_EQ (Char (Control, u'+'), EFI_SUCCESS);
  EXPECT_EQ (Clock ().Day, 1);
  EXPECT_EQ (Clock ().Month, 2);
  ASSERT_EQ (Char (Control, u'-'), EFI_SUCCESS);
  EXPECT_EQ (Clock ().Day, 28);
  EXPECT_EQ (Clock ().Month, 2);
  EXPECT_EQ (Clock ().Year, 2023);
}

TEST_F (DateTimeTest, ARefusedYearWrapLeavesTheDateIntact) {
  SetClock (9999, 12, 31);
  TUI_CONTROL  *Control = ClockQuestion (EFI_IFR_DATE_OP);
  ASSERT_EQ (Tab (Control), EFI_SUCCESS);
  ASSERT_EQ (Tab (Control), EFI_SUCCESS);
  ASSERT_EQ (Char (Control, u'+'), EFI_SUCCESS);       // year 0 and its day 1 are refused
  EXPECT_EQ (Clock ().Year, 9999);
  EXPECT_EQ (Clock ().Month, 12);
  EXPECT_EQ (Clock ().Day, 31);
  ASSERT_EQ (Ops (Control)->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Drawn (40, 5, 21), u"[Friday 12/31/9999]  ");
  ASSERT_EQ (Key (Control, SCAN_NULL, CHAR_CARRIAGE_RETURN), EFI_SUCCESS);   // the commit writes the same year
  EXPECT_EQ (Clock ().Year, 9999);
}

TEST_F (DateTimeTest, TypedDigitsShiftThroughTheFieldAndEscDropsThemWithoutWriting) {
  StoreDate (2024, 1, 1);
  TUI_CONTROL  *Control = Make (Record (CONTROL_TYPE_DATE));
  Type (Control, u"12");
  EXPECT_EQ (Drawn (48, 5, 2), u"12");
  ASSERT_EQ (Char (Control, u'3'), EFI_SUCCESS);
  EXPECT_EQ (Drawn (48, 5, 2), u"23");
  ASSERT_EQ (Key (Control, SCAN_ESC, 0), EFI_SUCCESS);
  ASSERT_EQ (Ops (Control)->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Drawn (48, 5, 2), u"01");
  EXPECT_EQ (Cached (0, kDateAt, 4), std::vector<UINT8> ({ 0xE8, 0x07, 1, 1 }));
  EXPECT_EQ (Key (Control, SCAN_ESC, 0), EFI_UNSUPPORTED);      // without an edit the page takes Esc
}

TEST_F (DateTimeTest, TabCommitsTheTypedFieldAndMovesOnFromTheYearToTheMonth) {
  StoreDate (2024, 1, 1);
  TUI_CONTROL    *Control = Make (Record (CONTROL_TYPE_DATE));
  TUI_DATE       *Item    = (TUI_DATE *)Control;
  Type (Control, u"12");
  ASSERT_EQ (Tab (Control), EFI_SUCCESS);
  Type (Control, u"31");
  ASSERT_EQ (Tab (Control), EFI_SUCCESS);
  Type (Control, u"1999");
  EXPECT_EQ (Item->Field, 2);
  ASSERT_EQ (Tab (Control), EFI_SUCCESS);
  EXPECT_EQ (Item->Field, 0);
  EXPECT_EQ (Cached (0, kDateAt, 4), std::vector<UINT8> ({ 0xCF, 0x07, 12, 31 }));
  ASSERT_EQ (Key (Control, SCAN_NULL, CHAR_TAB), EFI_SUCCESS);
  EXPECT_EQ (Item->Field, 1);
  // Another key than the control's own commits nothing new and is left to the page.
  EXPECT_EQ (Key (Control, SCAN_DOWN, 0), EFI_UNSUPPORTED);
}

// Typed fields that no calendar or clock holds are refused: the store keeps the old
// value and the field shows it again, with its own weekday.
TEST_F (DateTimeTest, TypedDatesAndTimesNoCalendarHoldsAreRefused) {
  struct {
    bool            IsDate;
    UINT16          Year;            // the stored date
    UINT8           Month;
    UINT8           Day;
    UINT8           Field;           // typed into: month, day, year (hour, minute, second)
    const char16_t  *Digits;
    const char16_t  *Shown;
  } const  kCases[] = {
    { true, 2026, 1, 31, 0, u"13", u"[Saturday 01/31/2026]" },  { true, 2026, 1, 31, 1, u"32", u"[Saturday 01/31/2026]" },
    { true, 2026, 1, 31, 0, u"00", u"[Saturday 01/31/2026]" },  { true, 2026, 1, 31, 0, u"02", u"[Saturday 01/31/2026]" },
    { true, 2026, 2, 28, 1, u"29", u"[Saturday 02/28/2026]" },  { true, 2024, 2, 29, 2, u"2026", u"[Thursday 02/29/2024]" },
    { false, 0, 0, 0, 0, u"99", u"[07:05:09]" },                { false, 0, 0, 0, 1, u"60", u"[07:05:09]" },
    { false, 0, 0, 0, 2, u"60", u"[07:05:09]" },                { false, 0, 0, 0, 0, u"24", u"[07:05:09]" },
  };

  for (const auto &Case : kCases) {
    UINT8  Clock[3] = { 7, 5, 9 };
    ASSERT_EQ (WriteVariableBytes (0, kTimeAt, 3, Clock), EFI_SUCCESS);
    StoreDate (Case.IsDate ? Case.Year : 2026, Case.IsDate ? Case.Month : 1, Case.IsDate ? Case.Day : 1);
    UINT16              At      = Case.IsDate ? kDateAt : kTimeAt;
    std::vector<UINT8>  Before  = Cached (0, At, Case.IsDate ? 4 : 3);
    TUI_CONTROL         *Control = Make (Record (Case.IsDate ? CONTROL_TYPE_DATE : CONTROL_TYPE_TIME));
    for (UINT8 Field = 0; Field < Case.Field; Field++) {
      ASSERT_EQ (Tab (Control), EFI_SUCCESS);
    }
    Type (Control, Case.Digits);
    ASSERT_EQ (Tab (Control), EFI_SUCCESS);
    EXPECT_EQ (Cached (0, At, Case.IsDate ? 4 : 3), Before) << (int)Case.Field;
    ASSERT_EQ (Ops (Control)->Draw (Control), EFI_SUCCESS);
    EXPECT_EQ (Drawn (40, 5, std::char_traits<char16_t>::length (Case.Shown)), Case.Shown) << (int)Case.Field;
  }
  // A month whose last day is shorter: stepping into it lands on a day it holds.
  StoreDate (2026, 3, 29);
  TUI_CONTROL  *Control = Make (Record (CONTROL_TYPE_DATE));
  ASSERT_EQ (Char (Control, u'-'), EFI_SUCCESS);
  EXPECT_EQ (Cached (0, kDateAt, 4), std::vector<UINT8> ({ 0xEA, 0x07, 2, 28 }));
  ASSERT_EQ (Ops (Control)->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Drawn (40, 5, 22), u"[Saturday 02/28/2026] ");
}

// The weekday's length changes with the date; the field's old end never stays behind.
TEST_F (DateTimeTest, AShorterWeekdayLeavesNothingOfTheLongerOneBehind) {
  StoreDate (2026, 12, 2);
  TUI_CONTROL  *Control = Make (Record (CONTROL_TYPE_DATE));
  ASSERT_EQ (Ops (Control)->Draw (Control), EFI_SUCCESS);
  EXPECT_EQ (Drawn (40, 5, 22), u"[Wednesday 12/02/2026]");
  ASSERT_EQ (Tab (Control), EFI_SUCCESS);
  struct {
    CHAR16          Key;
    const char16_t  *Shown;
  } const  kSteps[] = { { u'-', u"[Tuesday 12/01/2026]  " }, { u'-', u"[Thursday 12/31/2026] " }, { u'+', u"[Tuesday 12/01/2026]  " } };
  for (const auto &Step : kSteps) {
    ASSERT_EQ (Char (Control, Step.Key), EFI_SUCCESS);
    ASSERT_EQ (Ops (Control)->Draw (Control), EFI_SUCCESS);
    EXPECT_EQ (Drawn (40, 5, 22), Step.Shown);
  }
}

TEST_F (DateTimeTest, AReadOnlyOrUnfocusedControlTakesNoKeys) {
  SetClock (2024, 6, 1);
  TUI_CONTROL  *Control = ClockQuestion (EFI_IFR_DATE_OP, CONTROL_FLAG_READ_ONLY);
  EXPECT_EQ (Char (Control, u'+'), EFI_UNSUPPORTED);
  EXPECT_EQ (Clock ().Month, 6);
  TUI_CONTROL  *Other = ClockQuestion (EFI_IFR_DATE_OP);
  (VOID)Ops (Other)->SetFocus (Other, FALSE);
  EXPECT_EQ (Char (Other, u'+'), EFI_UNSUPPORTED);
  EXPECT_EQ (Clock ().Month, 6);
}

TEST_F (DateTimeTest, TicksReadTheClockAgainAtTheRefreshIntervalButNotDuringAnEdit) {
  SetClock (2024, 6, 1);
  TUI_CONTROL    *Control = ClockQuestion (EFI_IFR_DATE_OP, 2 << CONTROL_FLAG_REFRESH_SHIFT);
  TUI_DATE       *Item    = (TUI_DATE *)Control;
  TUI_INPUT      Tick {};
  Tick.Kind  = TUI_EVENT_TICK;
  Tick.Ticks = 1;
  EXPECT_EQ (Ops (Control)->HandleAction (Control, &Tick), EFI_UNSUPPORTED);    // one of two
  SetClock (2025, 7, 2);
  EXPECT_EQ (Ops (Control)->HandleAction (Control, &Tick), EFI_SUCCESS);
  EXPECT_EQ (Item->Time.Year, 2025);
  ASSERT_EQ (Char (Control, u'1'), EFI_SUCCESS);
  EXPECT_EQ (Ops (Control)->HandleAction (Control, &Tick), EFI_UNSUPPORTED);
  EXPECT_EQ (Ops (Control)->HandleAction (Control, &Tick), EFI_UNSUPPORTED);
}

TEST_F (DateTimeTest, TheGraphicalSetupsHandlersEditWithoutDrawingAndTheDateCommitsOnlyOnOtherKeys) {
  TUI_CONTROL_OPS  SavedDate   = gTuiDateOps;
  TUI_CONTROL_OPS  SavedTime   = gTuiTimeOps;
  TUI_CONTROL_OPS  SavedNumber = gTuiNumberOps;
  const HOOK_ARGS  None        = {};
  (VOID)InstallGraphicalControlOps (&None);
  EXPECT_EQ (gTuiNumberOps.Draw, (EFI_STATUS (*)(VOID *))TuiUnsupportedOperation);
  EXPECT_EQ (gTuiNumberOps.HandleAction, GraphicalNumberHandleAction);
  EXPECT_EQ (gTuiDateOps.Draw, (EFI_STATUS (*)(VOID *))TuiUnsupportedOperation);
  EXPECT_EQ (gTuiDateOps.HandleAction, GraphicalDateHandleAction);
  EXPECT_EQ (gTuiTimeOps.HandleAction, GraphicalTimeHandleAction);
  EXPECT_EQ (gTuiTimeOps.Draw, SavedTime.Draw);

  StoreDate (2024, 1, 1);
  TUI_CONTROL  *Date = Make (Record (CONTROL_TYPE_DATE));
  EXPECT_EQ (Char (Date, u'5'), EFI_UNSUPPORTED);            // the digit is taken; Draw answers
  EXPECT_EQ (Tab (Date), EFI_SUCCESS);                      // moves without committing
  EXPECT_EQ (Cached (0, kDateAt, 4), std::vector<UINT8> ({ 0xE8, 0x07, 1, 1 }));
  EXPECT_EQ (((TUI_DATE *)Date)->Field, 1);

  SetClock (2024, 6, 1, 8, 0, 0);
  TUI_CONTROL  *Time = ClockQuestion (EFI_IFR_TIME_OP);
  Type (Time, u"09");                                      // "08" becomes "80", then "09"
  TUI_INPUT  Click {};
  Click.Kind              = TUI_EVENT_POINTER;
  Click.Pointer.Row       = Time->Row;
  Click.Pointer.Column    = 0;                             // any column of the row
  Click.Pointer.ClickKind = 4;
  ASSERT_EQ (Ops (Time)->HandleAction (Time, &Click), EFI_SUCCESS);
  EXPECT_EQ (Clock ().Hour, 9);                            // the time handler commits first
  EXPECT_EQ (((TUI_TIME *)Time)->Field, 1);

  TUI_CONTROL  *Number = Make (Record (CONTROL_TYPE_NUMERIC), 7);
  EXPECT_EQ (Char (Number, u'+'), EFI_UNSUPPORTED);          // the graphical setup changes numbers itself
  EXPECT_EQ (Char (Number, u'5'), EFI_UNSUPPORTED);
  TUI_INPUT  Tick {};
  Tick.Kind = TUI_EVENT_TICK;
  EXPECT_EQ (Ops (Number)->HandleAction (Number, &Tick), EFI_UNSUPPORTED);   // no refresh interval

  gTuiDateOps   = SavedDate;
  gTuiTimeOps   = SavedTime;
  gTuiNumberOps = SavedNumber;
}

}  // namespace
