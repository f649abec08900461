/** @file
  The boot-screen interface's text-entry box: one titled pop-up with a row per
  field, each an edit box with a label, a maximum length and a character class.
**/
#ifndef ENGINE_TEXT_ENTRY_BOX_H_
#define ENGINE_TEXT_ENTRY_BOX_H_

#include <engine/textui/TuiEditBox.h>

// Character classes of a field.
#define TEXT_ENTRY_DIGITS          1
#define TEXT_ENTRY_LETTERS         2
#define TEXT_ENTRY_ALPHANUMERIC    3
#define TEXT_ENTRY_CALLER_FILTER   4

// Filled by the caller of ShowTextEntryBox: the offsets are fixed.
#pragma pack(push, 1)
typedef struct {
  UINT16  LabelId;          // in the box's package list
  UINT8   MaxLength;        // characters, at least 1
  UINT8   Class;            // TEXT_ENTRY_*; any other value takes every character
  UINT8   Mask;             // non-zero: the text shows as "*"
  UINT8   Reserved[3];
  CHAR16  *Buffer;          // the starting text; the entered one comes back here (MaxLength + 1 characters)
} TEXT_ENTRY_FIELD;
#pragma pack(pop)

static_assert (sizeof (TEXT_ENTRY_FIELD) == 16, "text-entry field");
static_assert (offsetof (TEXT_ENTRY_FIELD, Buffer) == 8, "text-entry buffer");

/** A class-4 field's filter: FALSE refuses Character for the field at Position holding Text. */
typedef BOOLEAN (EFIAPI *TEXT_ENTRY_FILTER)(IN UINT16 Position, IN CHAR16 Character, IN CHAR16 *Text);

// Columns from the box's left column to the fields' opening brackets, as last laid out.
extern UINT16  gTextEntryValueColumn;

/**
  Asks for the texts of FieldCount fields in one box titled with string TitleId.
  Up, Down, Tab, Home and End move between the fields, Enter moves to the next one
  and on the last one accepts them all, Esc cancels.

  @retval EFI_SUCCESS            The texts were entered and written to the fields' buffers.
  @retval EFI_ABORTED            Cancelled; no buffer was written.
  @retval EFI_UNSUPPORTED        No HII handle, no title, or a box that does not fit the screen.
  @retval EFI_INVALID_PARAMETER  No fields, or a field without a buffer or with maximum length 0.
  @retval EFI_OUT_OF_RESOURCES   The box could not be made.
**/
EFI_STATUS  ShowTextEntryBox (IN EFI_HII_HANDLE HiiHandle, IN UINT16 TitleId, IN TEXT_ENTRY_FIELD *Fields,
              IN UINT16 FieldCount, IN TEXT_ENTRY_FILTER Filter OPTIONAL);

/** The edit-box class's Draw while a text-entry box runs: a label, the brackets and the text on one row. */
EFI_STATUS  DrawTextEntryField (IN VOID *Object);

#endif
