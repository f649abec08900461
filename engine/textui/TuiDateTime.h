/** @file
  The date and time controls: an IFR DATE or TIME question edited in three fields
  (month, day, year or hour, minute, second), whose value lives in a variable, the
  real-time clock or the wake-up time. The graphical setup patches some of their
  table slots when it builds its pages.
**/
#ifndef ENGINE_TUI_DATE_TIME_H_
#define ENGINE_TUI_DATE_TIME_H_

#include <engine/core/HookTable.h>

#include <engine/textui/TuiControl.h>
#include <Resources/EngineStringIds.h>

// What both records carry: one editor runs both, so the date keeps the time buffer
// and the field bounds too.
typedef struct {
  TUI_CONTROL  Control;            // OwnsFrame: the current field shows typed digits
  UINT8        Foreground;         // P3
  UINT8        FocusBackground;    // P4: the current field of a focused control
  UINT8        FocusForeground;    // P5
  UINT8        NormalBackground;   // P6
  UINT8        NormalForeground;   // P7
  UINT8        PromptFocused;      // P9
  UINT8        PromptNormal;       // P10
  UINT8        ValueOffset;
  UINT8        Field;              // 0 month or hour, 1 day or minute, 2 year or second
  UINT8        Countdown;
  EFI_TIME     Time;               // the value as last read
  UINT16       Lower;              // the bounds of the current field
  UINT16       Upper;
} TUI_DATE_TIME_BASE;

typedef TUI_DATE_TIME_BASE  TUI_DATE;
typedef TUI_DATE_TIME_BASE  TUI_TIME;

extern TUI_CONTROL_OPS  gTuiDateOps;
extern TUI_CONTROL_OPS  gTuiTimeOps;

/** 0 = Sunday ... 6 = Saturday, for the Gregorian calendar. */
UINT8       DayOfWeek (IN UINT16 Year, IN UINT8 Month, IN UINT8 Day);

/** The handlers the graphical setup puts into the date and time tables. */
EFI_STATUS  GraphicalDateHandleAction (IN VOID *Object, IN OUT TUI_INPUT *Event);
EFI_STATUS  GraphicalTimeHandleAction (IN VOID *Object, IN OUT TUI_INPUT *Event);

// Hook members and defaults, in the hook table's uniform type.
UINT64 InstallGraphicalControlOps (CONST HOOK_ARGS *Args);

#endif
