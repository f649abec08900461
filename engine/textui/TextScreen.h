/** @file
  The engine's text screen: an off-screen buffer of 100 x 31 cells into which every
  text the engine shows is drawn, and the flush that copies only what changed to the
  console. Also the text helpers the drawing needs (widths, wrapping, colour
  escapes), the POST message window, the console mode choice and the key reader.

  Every primitive clips to the screen: cells right of the last column and rows at or
  below the last row are dropped, so no caller can write outside the buffer.
**/
#ifndef ENGINE_TEXT_SCREEN_H_
#define ENGINE_TEXT_SCREEN_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>
#include <Protocol/GraphicsOutput.h>
#include <Protocol/KeyCode.h>
#include <Protocol/SimpleTextIn.h>
#include <Protocol/SimpleTextInEx.h>

#define TEXT_SCREEN_MAX_COLUMNS  100
#define TEXT_SCREEN_MAX_ROWS     31
#define TEXT_SCREEN_MAX_CELLS    (TEXT_SCREEN_MAX_COLUMNS * TEXT_SCREEN_MAX_ROWS)
#define TEXT_SCREEN_SMALL_COLUMNS  80
#define TEXT_SCREEN_SMALL_ROWS     24

#define TEXT_SCREEN_LIVE_SIGNATURE   SIGNATURE_32 ('S', 'A', 'C', 'T')
#define TEXT_SCREEN_SAVED_SIGNATURE  SIGNATURE_32 ('S', 'S', 'A', 'V')

#define TEXT_DEFAULT_ATTRIBUTE  0x07
#define TEXT_NO_DIRTY_ROW       0xFFFF

// The escape character that opens a colour escape ESC "[" a ";" b ";" c "m".
#define TEXT_ESCAPE_CHAR        0x1B
// An omitted field of a colour escape.
#define TEXT_ESCAPE_NO_VALUE    255
// Narrow and wide glyph marks: never shown, never counted.
#define TEXT_NARROW_GLYPH_MARK  0xFFF0
#define TEXT_WIDE_GLYPH_MARK    0xFFF1

#pragma pack(push, 1)
typedef struct {
  UINT32  Signature;                           // "SACT" live, "SSAV" a saved copy
  UINT8   Attributes[TEXT_SCREEN_MAX_CELLS];   // foreground bits 0-3, background bits 4-6
  CHAR16  Chars[TEXT_SCREEN_MAX_CELLS];
} TEXT_SCREEN_BUFFER;
#pragma pack(pop)

static_assert (offsetof (TEXT_SCREEN_BUFFER, Attributes) == 4, "attributes");
static_assert (offsetof (TEXT_SCREEN_BUFFER, Chars) == 3104, "characters");
static_assert (sizeof (TEXT_SCREEN_BUFFER) == 9304, "text screen buffer");

//
// The screen size in cells: 100 x 31, or 80 x 24 when the console cannot show that.
//
extern UINT64  gTextScreenRows;
extern UINT64  gTextScreenColumns;

// The drawing buffer every primitive writes, and what was last sent to the console.
extern TEXT_SCREEN_BUFFER  *gTextScreen;
extern TEXT_SCREEN_BUFFER  *gTextScreenShown;

// Rows to flush; TEXT_NO_DIRTY_ROW in either means nothing.
extern UINT64  gDirtyFirstRow;
extern UINT64  gDirtyLastRow;

// The graphics output the screen clears, when one is known.
extern EFI_GRAPHICS_OUTPUT_PROTOCOL  *gGraphicsOutput;

//
// Buffers.
//
EFI_STATUS          AllocateScreenBuffers (VOID);
VOID                FreeScreenBuffers (VOID);
VOID                InitScreenBuffer (VOID);
VOID                ClearTextScreen (VOID);
/** A new copy of the drawing buffer marked "SSAV", or null; the caller restores or frees it. */
TEXT_SCREEN_BUFFER  *SaveTextScreen (VOID);
/** Puts a saved copy back, shows it whole and frees it; anything but an "SSAV" copy is ignored. */
VOID                RestoreTextScreen (IN TEXT_SCREEN_BUFFER *Saved);
VOID                MarkRowsDirty (IN UINT64 FirstRow, IN UINT64 LastRow);
VOID                FlushTextScreen (VOID);

//
// Drawing into the drawing buffer; nothing reaches the console before a flush.
//
VOID  PrintAt (IN UINT64 Column, IN UINT64 Row, IN CONST CHAR16 *String, IN UINT8 Attribute);
/** Prints String at a cell, cut to its first Cells display cells. */
VOID  PrintCut (IN UINT64 Column, IN UINT64 Row, IN CONST CHAR16 *String, IN UINT64 Cells, IN UINT8 Attribute);
/** Alignment 0 centres between Left and Right (exclusive), 2 right-aligns, any other value prints at Left. */
VOID  PrintAligned (IN UINT64 Left, IN UINT64 Right, IN UINT64 Row, IN UINT8 Alignment, IN CONST CHAR16 *String,
        IN UINT8 Attribute);
/** Wraps String to Width cells and prints at most MaxLines lines; returns how many were printed. */
UINT64 PrintWrappedLines (IN UINT64 Column, IN UINT64 Row, IN UINT64 Width, IN UINT64 MaxLines,
         IN CONST CHAR16 *String, IN UINT8 Attribute);
VOID  PutCharAt (IN CHAR16 Character, IN UINT64 Cell);
VOID  FillTextRect (IN UINT64 Column, IN UINT64 Row, IN UINT64 Width, IN UINT64 Height, IN UINT8 Attribute);
VOID  DrawBoxFrame (IN UINT64 Column, IN UINT64 Row, IN UINT64 Width, IN UINT64 Height);
VOID  DrawBox (IN UINT64 Column, IN UINT64 Row, IN UINT64 Width, IN UINT64 Height, IN UINT8 Attribute,
        IN BOOLEAN Frame, IN BOOLEAN Shadow);
VOID  ClearGraphicsScreen (VOID);
/** Fills the whole screen of one graphics output with black. */
VOID  ClearGraphicsOutput (IN EFI_GRAPHICS_OUTPUT_PROTOCOL *Gop);

//
// Text helpers. Every returned string is a new pool buffer the caller frees.
//
/** Cells a string takes: colour escapes and glyph marks take none. */
UINT64   GetTextCellCount (IN CONST CHAR16 *String);
/** Cells one character takes: 2 for a wide character, else 1 (0 without a font). */
UINT64   GetCharCellCount (IN CHAR16 Character);
UINT64   CountCharsThatFit (IN CONST CHAR16 *String, IN UINT64 Columns);
BOOLEAN  IsWideChar (IN CHAR16 Character);
CHAR16   *WrapText (IN CONST CHAR16 *String, IN UINT64 Width, OUT UINT64 *LineCount);
CHAR16   *StripAnsiEscapes (IN CONST CHAR16 *String);
/**
  @return 0 when String does not start with ESC "[" followed by an "m" within 10
          characters; otherwise the number of characters before the "m". Each field
          read is a number, TEXT_ESCAPE_NO_VALUE when omitted.
**/
UINT64   ParseAnsiEscape (IN CONST CHAR16 *String, OUT UINT8 *Brightness, OUT UINT8 *Foreground,
           OUT UINT8 *Background);
/** The attribute that a colour escape's fields make of Attribute. */
UINT8    ApplyAnsiEscape (IN UINT8 Attribute, IN UINT8 Brightness, IN UINT8 Foreground, IN UINT8 Background);
INT64    StrToIntBase (IN CONST CHAR16 *String, IN UINT32 Base);
VOID     FormatTwoDigits (IN UINT64 Value, OUT CHAR16 *Buffer);
CHAR16   *StrDupUtf16 (IN CONST CHAR16 *String);
CHAR8    *AsciiStrDup (IN CONST CHAR8 *String);
CHAR16   *AsciiToUnicodeDup (IN CONST CHAR8 *String);
CHAR8    *UnicodeToAsciiDup (IN CONST CHAR16 *String);
#define TEXT_ESCAPE_BUFFER_CHARS  12    // 24 bytes
VOID     ExtractLastEscape (IN CONST CHAR16 *String, OUT CHAR16 *Escape);
/** Adds String under one id in every language of the language list; 0xFFFF on failure. */
UINT16   HiiAddStringAllLanguages (IN EFI_HII_HANDLE HiiHandle, IN CONST CHAR16 *String);
/**
  Stores Text under StringId (0 makes a new string) in every language of the
  language list, or in "en-US" while the list is empty; answers the id, 0xFFFF on failure.
**/
UINT16   SetStringAllLanguagesNew (IN EFI_HII_HANDLE HiiHandle, IN UINT16 StringId, IN CONST CHAR16 *Text);

//
// Events.
//
EFI_STATUS  CreateTimerEvent (OUT EFI_EVENT *Event, IN EFI_EVENT_NOTIFY NotifyFunction OPTIONAL,
              IN VOID *Context OPTIONAL, IN EFI_TIMER_DELAY TimerType, IN UINT64 TriggerTime, IN EFI_TPL Tpl);
VOID        CloseEventAndClear (IN OUT EFI_EVENT *Event);

//
// Console.
//
VOID        SetConsoleModeForScreen (VOID);
/**
  While the text application runs, a boot (the ready-to-boot group signalled) takes
  the console. The watch nests: the last StopWatchingForBoots ends it.
**/
VOID        WatchForBoots (VOID);
VOID        StopWatchingForBoots (VOID);
/**
  After a boot took the console (its mode is chosen again), or after drivers' callbacks
  for a user's change ran: the flush is told that no cell is shown, so the next draw and
  flush send every cell. FALSE when neither happened.
**/
BOOLEAN     TakeConsoleBack (VOID);
/** Drops the watch without closing it: its event belonged to firmware that is gone. */
VOID        ForgetBootWatch (VOID);
/**
  Where the console's keys come from: the key-code input where the firmware has one,
  else the console's own input-ex, else its simple text input (OVMF has no key-code
  input). Exactly one of the three is set.
**/
typedef struct {
  KEY_CODE_PROTOCOL                  *KeyCode;
  EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL  *InputEx;
  EFI_SIMPLE_TEXT_INPUT_PROTOCOL     *Input;
} CONSOLE_KEY_SOURCE;

/** @retval EFI_NOT_READY  The system table has no console input. */
EFI_STATUS  OpenConsoleKeySource (OUT CONSOLE_KEY_SOURCE *Source);
/** The event signalled while a key waits in the source. */
EFI_EVENT   ConsoleKeyEvent (IN CONST CONSOLE_KEY_SOURCE *Source);
/**
  Reads one key without waiting; keys of input-ex and simple input fill the record's
  key and state, the rest stays zero (no physical key known).

  @retval EFI_NOT_READY  No key waits, or only a modifier changed.
**/
EFI_STATUS  ReadConsoleKey (IN CONST CONSOLE_KEY_SOURCE *Source, OUT KEY_CODE_DATA *Record);
/**
  Waits up to 50 ms for one key and drops the keys typed after it.

  @retval EFI_NOT_READY  No key came in time, or only a modifier changed.
  @return The status of opening the console input or of the key read.
**/
EFI_STATUS  ReadKeyWithTimeout (OUT KEY_CODE_DATA *KeyRecord);
/** Whether a key record only reports a change of the modifier or toggle state (exposed, with no key). */
BOOLEAN     IsModifierOnlyKey (IN CONST KEY_CODE_DATA *Record);

//
// The POST message window: rows [TopRow, BottomLimit) and columns [0, RightLimit).
//
typedef struct {
  UINT64   TopRow;
  UINT64   BottomLimit;
  UINT64   RightLimit;
  BOOLEAN  IsOpen;
} POST_MESSAGE_WINDOW;

extern POST_MESSAGE_WINDOW  gPostWindow;
extern UINT64               gPostCursorColumn;
extern UINT64               gPostCursorRow;

VOID  OpenPostWindow (IN UINT64 Row);
VOID  PostWindowPrint (IN CONST CHAR16 *String, IN BOOLEAN Scroll);
VOID  ScrollPostWindow (VOID);
VOID  ResizePostWindow (IN UINT64 Columns);

#endif
