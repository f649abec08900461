/** @file
  Console devices: text output that records a cell grid and a call log, the three
  key-input protocols fed by one key script, console control and the pointer.

  Each device is a Device of the machine and installs its protocols on its own
  handle; the system table's ConsoleInHandle/ConIn and ConsoleOutHandle/ConOut/
  StdErr point at them unless a test leaves them out.
**/
#ifndef EMULATOR_CONSOLES_H_
#define EMULATOR_CONSOLES_H_

#include <Uefi.h>
#include <Protocol/ConsoleControl.h>
#include <Protocol/KeyCode.h>
#include <Protocol/PointerDevice.h>
#include <Protocol/SimpleTextIn.h>
#include <Protocol/SimpleTextInEx.h>
#include <Protocol/SimpleTextOut.h>

#include <Emulator/KeyScript.h>
#include <Emulator/Machine.h>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Emu {

struct TEXT_CELL {
  CHAR16  Char;       // 0 in the right half of a wide character
  UINT8   Attribute;
};

enum class TextOp { Reset, OutputString, SetMode, SetAttribute, SetCursorPosition, ClearScreen, EnableCursor };

struct TEXT_CALL {
  TextOp          Op;
  std::u16string  Text;  // OutputString only
  UINTN           A;     // mode, attribute, column or visibility
  UINTN           B;     // row
  EFI_STATUS      Status;
};

struct TEXT_OUT_PRIVATE;

class ConsoleOutput : public Device {
public:
  // Installs ConOut on a new handle; Modes are (columns, rows).
  ConsoleOutput (Machine &Owner, std::vector<std::pair<UINTN, UINTN>> Modes);
  ~ConsoleOutput () override;

  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL *Protocol ();
  EFI_HANDLE                       Handle () const { return mHandle; }

  UINTN                   Columns () const { return mModes[mMode].first; }
  UINTN                   Rows () const { return mModes[mMode].second; }
  const TEXT_CELL        &Cell (UINTN Column, UINTN Row) const { return mGrid[Row * Columns () + Column]; }
  std::u16string          RowText (UINTN Row) const;        // wide right halves left out
  std::vector<UINT8>      RowAttributes (UINTN Row) const;
  std::string             ScreenText () const;              // UTF-8, one line per row
  const std::vector<TEXT_CALL> &Calls () const { return mCalls; }
  void                    ClearCalls () { mCalls.clear (); }
  UINTN                   CountCalls (TextOp Op) const;

  void FailSetMode (EFI_STATUS Status) { mSetModeFault = Status; }
  // Which characters take two cells; until the HII font knows, CJK ranges do.
  void SetWidePredicate (std::function<bool(CHAR16)> IsWide) { mIsWide = std::move (IsWide); }

  // The protocol operations, reached from the EFIAPI entry points.
  EFI_STATUS Reset ();
  EFI_STATUS OutputString (const CHAR16 *Text);
  EFI_STATUS QueryMode (UINTN Mode, UINTN *Columns, UINTN *Rows) const;
  EFI_STATUS SetMode (UINTN Mode);
  EFI_STATUS SetAttribute (UINTN Attribute);
  EFI_STATUS ClearScreen ();
  EFI_STATUS SetCursorPosition (UINTN Column, UINTN Row);
  EFI_STATUS EnableCursor (BOOLEAN Visible);

private:
  void Log (TextOp Op, EFI_STATUS Status, UINTN A = 0, UINTN B = 0, std::u16string Text = {});
  void PutChar (CHAR16 Char);
  void NewLine ();
  void Fill ();

  Machine                               &mMachine;
  std::unique_ptr<TEXT_OUT_PRIVATE>     mPrivate;
  EFI_HANDLE                            mHandle = nullptr;
  std::vector<std::pair<UINTN, UINTN>>  mModes;
  UINTN                                 mMode = 0;
  std::vector<TEXT_CELL>                mGrid;
  std::vector<TEXT_CALL>                mCalls;
  std::function<bool(CHAR16)>           mIsWide;
  EFI_STATUS                            mSetModeFault = EFI_SUCCESS;
  // The last cell of the screen was written: the scroll that wrapping owes waits
  // for the next character, since writing that cell itself must not scroll.
  bool                                  mWrapPending  = false;
};

struct TEXT_IN_PRIVATE;

struct KEY_NOTIFY_ENTRY {
  EFI_KEY_DATA             Key;
  EFI_KEY_NOTIFY_FUNCTION  Function;
};

class ConsoleInput : public Device {
public:
  // Installs simple text input, input-ex (unless WithInputEx is false) and (when
  // WithKeyCode) the key-code protocol on one new handle.
  ConsoleInput (Machine &Owner, bool WithKeyCode, bool WithInputEx = true);
  ~ConsoleInput () override;

  EFI_SIMPLE_TEXT_INPUT_PROTOCOL    *TextIn ();
  EFI_SIMPLE_TEXT_INPUT_EX_PROTOCOL *TextInEx ();   // null without input-ex
  KEY_CODE_PROTOCOL                 *KeyCode ();  // null without the key-code protocol
  EFI_HANDLE                         Handle () const { return mHandle; }
  KeyScript                         &Script () { return mScript; }

  // Virtual time each key read takes, so read-poll loops advance deterministically.
  void  SetReadStep (UINT64 Ticks) { mReadStep = Ticks; }
  UINTN ResetCount () const { return mResets; }

  // The operations behind the three protocols.
  EFI_STATUS Reset ();
  EFI_STATUS Read (KEY_CODE_DATA *Record);
  void       WaitNotify (EFI_EVENT Event);
  EFI_STATUS RegisterNotify (const EFI_KEY_DATA *Key, EFI_KEY_NOTIFY_FUNCTION Function, VOID **Handle);
  EFI_STATUS UnregisterNotify (VOID *Handle);

private:
  Machine                                         &mMachine;
  KeyScript                                       mScript;
  std::unique_ptr<TEXT_IN_PRIVATE>                mPrivate;
  std::vector<std::unique_ptr<KEY_NOTIFY_ENTRY>>  mNotifies;
  EFI_HANDLE                                      mHandle   = nullptr;
  UINT64                                          mReadStep = 0;
  UINTN                                           mResets   = 0;
  bool                                            mWithKeyCode;
  bool                                            mWithInputEx;
};

struct CONSOLE_CONTROL_PRIVATE;

// Console control, present on its own handle when the machine has one (OVMF has none).
class ConsoleControl : public Device {
public:
  explicit ConsoleControl (Machine &Owner);
  ~ConsoleControl () override;

  CONSOLE_CONTROL_PROTOCOL    *Protocol ();
  CONSOLE_CONTROL_SCREEN_MODE Mode () const { return mMode; }
  const std::vector<CONSOLE_CONTROL_SCREEN_MODE> &SetModeLog () const { return mLog; }

  EFI_STATUS SetMode (CONSOLE_CONTROL_SCREEN_MODE Mode);

private:
  Machine                                   &mMachine;
  std::unique_ptr<CONSOLE_CONTROL_PRIVATE>  mPrivate;
  EFI_HANDLE                                mHandle = nullptr;
  CONSOLE_CONTROL_SCREEN_MODE               mMode   = ConsoleControlScreenText;
  std::vector<CONSOLE_CONTROL_SCREEN_MODE>  mLog;
};

struct POINTER_PRIVATE;

// The pointer device: tests queue states; each read returns the next one.
class PointerDevice : public Device {
public:
  explicit PointerDevice (Machine &Owner);
  ~PointerDevice () override;

  POINTER_DEVICE_PROTOCOL *Protocol ();
  void                     Queue (const POINTER_DEVICE_STATE &State) { mStates.push_back (State); }

  EFI_STATUS GetState (POINTER_DEVICE_STATE *State);
  EFI_STATUS SetBounds (UINT32 Width, UINT32 Height);
  void       WaitNotify (EFI_EVENT Event);

private:
  Machine                           &mMachine;
  std::unique_ptr<POINTER_PRIVATE>  mPrivate;
  EFI_HANDLE                        mHandle = nullptr;
  std::deque<POINTER_DEVICE_STATE>  mStates;
  UINT32                            mWidth  = 0;
  UINT32                            mHeight = 0;
};

}  // namespace Emu

#endif
