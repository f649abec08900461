/** @file
  Text output that records a cell grid with attributes and a call log.
**/
#include <Emulator/Consoles.h>
#include <Emulator/Guid.h>

#include "DeviceRecord.h"

namespace Emu {

constexpr UINT64  kTextOutSignature = SIGNATURE_64 ('E', 'M', 'U', 'C', 'O', 'N', 'O', 'U');

static const EFI_GUID  kTextOutGuid = EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL_GUID;

struct TEXT_OUT_PRIVATE {
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL  Protocol;  // first, so This is the record
  UINT64                           Signature;
  EFI_SIMPLE_TEXT_OUTPUT_MODE      Mode;
  ConsoleOutput                    *Owner;
};

static ConsoleOutput *
FromThis (EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *This)
{
  return OwnerOf<TEXT_OUT_PRIVATE> (This, kTextOutSignature);
}

static EFI_STATUS EFIAPI
TextReset (EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *This, BOOLEAN Extended)
{
  (VOID)Extended;
  ConsoleOutput  *Self = FromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->Reset ();
}

static EFI_STATUS EFIAPI
TextOutputString (EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *This, CHAR16 *Text)
{
  ConsoleOutput  *Self = FromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->OutputString (Text);
}

static EFI_STATUS EFIAPI
TextTestString (EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *This, CHAR16 *Text)
{
  return ((FromThis (This) == nullptr) || (Text == nullptr)) ? EFI_INVALID_PARAMETER : EFI_SUCCESS;
}

static EFI_STATUS EFIAPI
TextQueryMode (EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *This, UINTN Mode, UINTN *Columns, UINTN *Rows)
{
  ConsoleOutput  *Self = FromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->QueryMode (Mode, Columns, Rows);
}

static EFI_STATUS EFIAPI
TextSetMode (EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *This, UINTN Mode)
{
  ConsoleOutput  *Self = FromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->SetMode (Mode);
}

static EFI_STATUS EFIAPI
TextSetAttribute (EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *This, UINTN Attribute)
{
  ConsoleOutput  *Self = FromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->SetAttribute (Attribute);
}

static EFI_STATUS EFIAPI
TextClearScreen (EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *This)
{
  ConsoleOutput  *Self = FromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->ClearScreen ();
}

static EFI_STATUS EFIAPI
TextSetCursorPosition (EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *This, UINTN Column, UINTN Row)
{
  ConsoleOutput  *Self = FromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->SetCursorPosition (Column, Row);
}

static EFI_STATUS EFIAPI
TextEnableCursor (EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *This, BOOLEAN Visible)
{
  ConsoleOutput  *Self = FromThis (This);
  return (Self == nullptr) ? EFI_INVALID_PARAMETER : Self->EnableCursor (Visible);
}

static bool
IsWideByDefault (CHAR16 Char)
{
  return ((Char >= 0x1100) && (Char <= 0x115F)) || ((Char >= 0x2E80) && (Char <= 0xA4CF)) ||
         ((Char >= 0xAC00) && (Char <= 0xD7A3)) || ((Char >= 0xF900) && (Char <= 0xFAFF)) ||
         ((Char >= 0xFF00) && (Char <= 0xFF60)) || ((Char >= 0xFFE0) && (Char <= 0xFFE6));
}

ConsoleOutput::ConsoleOutput (Machine &Owner, std::vector<std::pair<UINTN, UINTN>> Modes)
  : mMachine (Owner), mPrivate (std::make_unique<TEXT_OUT_PRIVATE>()), mModes (std::move (Modes)),
    mIsWide (IsWideByDefault)
{
  if (mModes.empty ()) {
    mModes = { { 80, 25 } };
  }
  mPrivate->Protocol = EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL {
    TextReset, TextOutputString, TextTestString, TextQueryMode, TextSetMode, TextSetAttribute,
    TextClearScreen, TextSetCursorPosition, TextEnableCursor, &mPrivate->Mode
  };
  mPrivate->Signature = kTextOutSignature;
  mPrivate->Owner     = this;
  mPrivate->Mode      = EFI_SIMPLE_TEXT_OUTPUT_MODE { (INT32)mModes.size (), 0, EFI_TEXT_ATTR (EFI_LIGHTGRAY, EFI_BLACK),
                                                     0, 0, TRUE };
  mGrid.assign (Columns () * Rows (), TEXT_CELL { u' ', (UINT8)mPrivate->Mode.Attribute });
  (VOID)mMachine.Protocols ().Install (&mHandle, &kTextOutGuid, &mPrivate->Protocol);  // new handle: cannot fail
}

ConsoleOutput::~ConsoleOutput ()
{
  mPrivate->Signature = 0;
}

EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *
ConsoleOutput::Protocol ()
{
  return &mPrivate->Protocol;
}

void
ConsoleOutput::Log (TextOp Op, EFI_STATUS Status, UINTN A, UINTN B, std::u16string Text)
{
  mCalls.push_back (TEXT_CALL { Op, std::move (Text), A, B, Status });
}

UINTN
ConsoleOutput::CountCalls (TextOp Op) const
{
  UINTN  Count = 0;

  for (const TEXT_CALL &Call : mCalls) {
    Count += (Call.Op == Op) ? 1 : 0;
  }
  return Count;
}

void
ConsoleOutput::Fill ()
{
  mGrid.assign (Columns () * Rows (), TEXT_CELL { u' ', (UINT8)mPrivate->Mode.Attribute });
  mPrivate->Mode.CursorColumn = 0;
  mPrivate->Mode.CursorRow    = 0;
  mWrapPending                = false;
}

EFI_STATUS
ConsoleOutput::Reset ()
{
  mPrivate->Mode.Attribute = EFI_TEXT_ATTR (EFI_LIGHTGRAY, EFI_BLACK);
  Fill ();
  Log (TextOp::Reset, EFI_SUCCESS);
  return EFI_SUCCESS;
}

void
ConsoleOutput::NewLine ()
{
  if ((UINTN)mPrivate->Mode.CursorRow + 1 < Rows ()) {
    mPrivate->Mode.CursorRow++;
    return;
  }
  // Scroll one row up; the new bottom row takes the current attribute.
  mGrid.erase (mGrid.begin (), mGrid.begin () + Columns ());
  mGrid.insert (mGrid.end (), Columns (), TEXT_CELL { u' ', (UINT8)mPrivate->Mode.Attribute });
}

void
ConsoleOutput::PutChar (CHAR16 Char)
{
  auto   &Mode  = mPrivate->Mode;
  UINTN  Width  = mIsWide (Char) ? 2 : 1;

  if (mWrapPending || ((UINTN)Mode.CursorColumn + Width > Columns ())) {
    mWrapPending      = false;
    Mode.CursorColumn = 0;
    NewLine ();
  }
  TEXT_CELL  *Cell = &mGrid[Mode.CursorRow * Columns () + Mode.CursorColumn];
  Cell[0] = TEXT_CELL { Char, (UINT8)Mode.Attribute };
  if (Width == 2) {
    Cell[1] = TEXT_CELL { 0, (UINT8)Mode.Attribute };
  }
  Mode.CursorColumn += (INT32)Width;
  if ((UINTN)Mode.CursorColumn >= Columns ()) {
    if ((UINTN)Mode.CursorRow + 1 < Rows ()) {
      Mode.CursorColumn = 0;
      Mode.CursorRow++;
    } else {
      Mode.CursorColumn = (INT32)Columns () - 1;  // the last cell was written; the screen stays
      mWrapPending      = true;
    }
  }
}

EFI_STATUS
ConsoleOutput::OutputString (const CHAR16 *Text)
{
  if (Text == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  std::u16string  Copy;
  for (const CHAR16 *Char = Text; *Char != 0 && Copy.size () < 0x100000; Char++) {
    Copy += *Char;
    // A control character moves the cursor itself; the owed wrap is dropped.
    if ((*Char == CHAR_CARRIAGE_RETURN) || (*Char == CHAR_LINEFEED) || (*Char == CHAR_BACKSPACE)) {
      mWrapPending = false;
    }
    if (*Char == CHAR_CARRIAGE_RETURN) {
      mPrivate->Mode.CursorColumn = 0;
    } else if (*Char == CHAR_LINEFEED) {
      NewLine ();
    } else if (*Char == CHAR_BACKSPACE) {
      if (mPrivate->Mode.CursorColumn > 0) {
        mPrivate->Mode.CursorColumn--;
      }
    } else {
      PutChar (*Char);
    }
  }
  Log (TextOp::OutputString, EFI_SUCCESS, 0, 0, Copy);
  return EFI_SUCCESS;
}

EFI_STATUS
ConsoleOutput::QueryMode (UINTN Mode, UINTN *Columns, UINTN *Rows) const
{
  if ((Columns == nullptr) || (Rows == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  if (Mode >= mModes.size ()) {
    return EFI_UNSUPPORTED;
  }
  *Columns = mModes[Mode].first;
  *Rows    = mModes[Mode].second;
  return EFI_SUCCESS;
}

EFI_STATUS
ConsoleOutput::SetMode (UINTN Mode)
{
  EFI_STATUS  Status = (Mode >= mModes.size ()) ? EFI_UNSUPPORTED : mSetModeFault;

  if (!EFI_ERROR (Status)) {
    mMode                 = Mode;
    mPrivate->Mode.Mode   = (INT32)Mode;
    Fill ();
  }
  Log (TextOp::SetMode, Status, Mode);
  return Status;
}

EFI_STATUS
ConsoleOutput::SetAttribute (UINTN Attribute)
{
  EFI_STATUS  Status = (Attribute > 0x7F) ? EFI_UNSUPPORTED : EFI_SUCCESS;

  if (!EFI_ERROR (Status)) {
    mPrivate->Mode.Attribute = (INT32)Attribute;
  }
  Log (TextOp::SetAttribute, Status, Attribute);
  return Status;
}

EFI_STATUS
ConsoleOutput::ClearScreen ()
{
  Fill ();
  Log (TextOp::ClearScreen, EFI_SUCCESS);
  return EFI_SUCCESS;
}

EFI_STATUS
ConsoleOutput::SetCursorPosition (UINTN Column, UINTN Row)
{
  EFI_STATUS  Status = ((Column >= Columns ()) || (Row >= Rows ())) ? EFI_UNSUPPORTED : EFI_SUCCESS;

  if (!EFI_ERROR (Status)) {
    mPrivate->Mode.CursorColumn = (INT32)Column;
    mPrivate->Mode.CursorRow    = (INT32)Row;
    mWrapPending                = false;
  }
  Log (TextOp::SetCursorPosition, Status, Column, Row);
  return Status;
}

EFI_STATUS
ConsoleOutput::EnableCursor (BOOLEAN Visible)
{
  mPrivate->Mode.CursorVisible = Visible;
  Log (TextOp::EnableCursor, EFI_SUCCESS, Visible);
  return EFI_SUCCESS;
}

std::u16string
ConsoleOutput::RowText (UINTN Row) const
{
  std::u16string  Text;

  for (UINTN Column = 0; Column < Columns (); Column++) {
    if (Cell (Column, Row).Char != 0) {
      Text += Cell (Column, Row).Char;
    }
  }
  return Text;
}

std::vector<UINT8>
ConsoleOutput::RowAttributes (UINTN Row) const
{
  std::vector<UINT8>  Attributes;

  for (UINTN Column = 0; Column < Columns (); Column++) {
    Attributes.push_back (Cell (Column, Row).Attribute);
  }
  return Attributes;
}

std::string
ConsoleOutput::ScreenText () const
{
  std::string  Text;

  for (UINTN Row = 0; Row < Rows (); Row++) {
    Text += Utf16ToUtf8 (RowText (Row));
    Text += '\n';
  }
  return Text;
}

}  // namespace Emu
