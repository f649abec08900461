/** @file
  The text-mode boot pop-up "BBS MENU": a titled frame over a list frame of at most
  eight entries, with marks where entries lie above or below the window. Entries
  without a name (hidden options) are not shown; the choice is always a flat index.
  It is the default of hook 0xFFFF001B: it runs only for a hook table without that
  row when something calls the hook. The shipped table's row holds the boot-device
  menu, and nothing in this build calls the hook; F8 shows ShowBootDeviceMenu directly.
**/
#include <engine/boot/BootMenu.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>

#include <Library/BaseLib.h>
#include <Library/MemoryAllocationLib.h>
#include <Protocol/SimpleTextIn.h>
#include <Protocol/SimpleTextOut.h>

#define MENU_LEFT          17
#define MENU_WIDTH         35
#define MENU_TITLE_ROW     7
#define MENU_TITLE_COLUMN  30
#define MENU_LIST_ROW      9
#define MENU_ITEM_COLUMN   20
#define MENU_ITEM_ROW      10
#define MENU_MARK_COLUMN   50
#define MENU_NORMAL        0x07
#define MENU_HIGHLIGHT     0x0F
#define NAME_LIMIT         28
#define NAME_KEPT          25

typedef struct {
  UINT32  *Shown;     // list positions of the entries with a name
  UINT32  Count;
  UINT32  Visible;    // rows of the window
} POPUP_VIEW;

/** A name longer than the frame holds keeps its first characters and "...". */
static
VOID
ShortenName (
  IN OUT CHAR16  *Name
  )
{
  if ((Name != NULL) && (StrLen (Name) > NAME_LIMIT)) {
    StrCpyS (Name + NAME_KEPT, NAME_LIMIT + 1 - NAME_KEPT, u"...");
  }
}

static
VOID
DrawPopupItems (
  IN CONST POPUP_VIEW  *View
  )
{
  UINT32  Top = gBootMenuCursor - gBootMenuWindowRow;

  if (View->Visible == 0) {
    return;
  }
  for (UINT32 Row = 0; Row < View->Visible; Row++) {
    CONST CHAR16  *Name = gBootMenuList[View->Shown[Top + Row]].Name;
    FillTextRect (MENU_ITEM_COLUMN, MENU_ITEM_ROW + Row, NAME_LIMIT, 1, MENU_NORMAL);
    PrintAt (MENU_ITEM_COLUMN, MENU_ITEM_ROW + Row, Name, (Row == gBootMenuWindowRow) ? MENU_HIGHLIGHT : MENU_NORMAL);
    PrintAt (MENU_MARK_COLUMN, MENU_ITEM_ROW + Row, u" ", MENU_NORMAL);
  }
  if (Top + View->Visible < View->Count) {
    PrintAt (MENU_MARK_COLUMN, MENU_ITEM_ROW + View->Visible - 1, u"\x25BC", MENU_NORMAL);
  }
  if ((Top > 0) && (gTextScreenRows >= MENU_ITEM_ROW + 1)) {
    PrintAt (MENU_MARK_COLUMN, MENU_ITEM_ROW, u"\x25B2", MENU_NORMAL);
  }
  MarkRowsDirty (MENU_ITEM_ROW, MENU_ITEM_ROW + View->Visible - 1);
}

static
VOID
DrawPopup (
  IN CONST POPUP_VIEW  *View
  )
{
  FillTextRect (MENU_LEFT, MENU_TITLE_ROW, MENU_WIDTH, View->Visible + 5, MENU_NORMAL);
  DrawBoxFrame (MENU_LEFT, MENU_TITLE_ROW, MENU_WIDTH, 3);
  PrintAt (MENU_TITLE_COLUMN, MENU_TITLE_ROW + 1, u"BBS MENU", MENU_HIGHLIGHT);
  DrawBoxFrame (MENU_LEFT, MENU_LIST_ROW, MENU_WIDTH, View->Visible + 2);
  // The two frames share row 9: the joins face each other.
  PrintAt (MENU_LEFT + MENU_WIDTH - 1, MENU_LIST_ROW, u"\x2524", MENU_NORMAL);
  PrintAt (MENU_LEFT, MENU_LIST_ROW, u"\x251C", MENU_NORMAL);
  DrawPopupItems (View);
  if (gST->ConOut != NULL) {
    (VOID)gST->ConOut->SetCursorPosition (gST->ConOut, MENU_ITEM_COLUMN, MENU_ITEM_ROW);  // cosmetic
  }
  MarkRowsDirty (0, gTextScreenRows - 1);
}

/** Moves the highlight; at a window edge the window scrolls instead. */
static
VOID
MoveCursor (
  IN CONST POPUP_VIEW  *View,
  IN BOOLEAN           Down
  )
{
  if (Down && (gBootMenuCursor + 1 < View->Count)) {
    gBootMenuCursor++;
    gBootMenuWindowRow += (gBootMenuWindowRow + 1 < View->Visible) ? 1 : 0;
  } else if (!Down && (gBootMenuCursor > 0)) {
    gBootMenuCursor--;
    gBootMenuWindowRow -= (gBootMenuWindowRow > 0) ? 1 : 0;
  }
}

/** Reads keys until Enter or Esc; FALSE after Esc. */
static
BOOLEAN
RunPopupKeys (
  IN CONST POPUP_VIEW  *View
  )
{
  EFI_INPUT_KEY  Key;
  UINTN          Index;

  // Keys typed before the menu showed are not meant for it; the drain is bounded.
  for (UINTN Drain = 0; (Drain < 256) && !EFI_ERROR (gST->ConIn->ReadKeyStroke (gST->ConIn, &Key)); Drain++) {
  }
  for ( ; ; ) {
    if (EFI_ERROR (gBS->WaitForEvent (1, &gST->ConIn->WaitForKey, &Index)) ||
        EFI_ERROR (gST->ConIn->ReadKeyStroke (gST->ConIn, &Key)))
    {
      continue;
    }
    if (Key.ScanCode == SCAN_ESC) {
      return FALSE;
    }
    if (Key.UnicodeChar == CHAR_CARRIAGE_RETURN) {
      return TRUE;
    }
    if ((Key.ScanCode == SCAN_UP) || (Key.ScanCode == SCAN_DOWN)) {
      MoveCursor (View, (BOOLEAN)(Key.ScanCode == SCAN_DOWN));
      DrawPopupItems (View);
    }
    FlushTextScreen ();
  }
}

UINT64
ShowBootMenuPopup (
  IN CONST HOOK_ARGS  *Args
  )
{
  POPUP_VIEW  View = { NULL, 0, 0 };

  (VOID)Args;
  if ((gST->ConOut == NULL) || (gST->ConIn == NULL)) {
    return 0;
  }
  SetConsoleModeForScreen ();
  ClearGraphicsScreen ();
  ClearTextScreen ();
  View.Shown = (UINT32 *)AllocatePool ((gBootMenuCount + 1) * sizeof (UINT32));
  if (View.Shown == NULL) {
    return 0;
  }
  for (UINT32 Index = 0; Index < gBootMenuCount; Index++) {
    if (gBootMenuList[Index].Name != NULL) {
      ShortenName (gBootMenuList[Index].Name);
      View.Shown[View.Count++] = Index;
    }
  }
  View.Visible       = (View.Count < BOOT_MENU_VISIBLE_ITEMS) ? View.Count : BOOT_MENU_VISIBLE_ITEMS;
  gBootMenuCursor    = 0;
  gBootMenuWindowRow = 0;
  DrawPopup (&View);
  FlushTextScreen ();
  if ((View.Count != 0) && RunPopupKeys (&View)) {
    gBootMenuChoice = (UINT16)gBootMenuList[View.Shown[gBootMenuCursor]].Index;
  } else {
    gBootMenuChoice = 0;
    (VOID)HookBootPopupDefault ();     // a notification: the board's answer decides nothing here
  }
  FreePool (View.Shown);
  return 0;
}
