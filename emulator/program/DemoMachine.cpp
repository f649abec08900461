/** @file
  The demo machine of the program.
**/
#include "DemoMachine.h"

#include <DemoBoard.h>
#include <Emulator/Guid.h>

#include <iostream>

#include <cstdio>
#include <sstream>

namespace Emu {

DemoMachine::DemoMachine (const DEMO_OPTIONS &Options)
  : mOptions (Options), mDevices (BuildStandardMachine (mMachine, Options.Machine))
{
  if (mOptions.NvramPath.empty ()) {
    mNvramNote = "no NVRAM file";
    return;
  }
  std::string  Error;
  if (mMachine.Variables ().LoadFile (mOptions.NvramPath, &Error)) {
    mNvramNote = "loaded from " + mOptions.NvramPath;
  } else {
    mNvramNote = "empty (" + Error + ")";
  }
}

static std::string
Hex (UINT64 Value, int Digits)
{
  char  Text[24];

  std::snprintf (Text, sizeof (Text), "0x%0*llX", Digits, (unsigned long long)Value);
  return Text;
}

static void
DescribeConsoles (std::ostringstream &Out, const STANDARD_DEVICES &Devices)
{
  Out << "Text output:";
  if (Devices.TextOut == nullptr) {
    Out << " none\n";
  } else {
    EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL  *ConOut = Devices.TextOut->Protocol ();
    for (INT32 Mode = 0; Mode < ConOut->Mode->MaxMode; Mode++) {
      UINTN  Columns = 0;
      UINTN  Rows    = 0;
      (VOID)Devices.TextOut->QueryMode ((UINTN)Mode, &Columns, &Rows);  // every listed mode exists
      Out << " " << Mode << ": " << Columns << "x" << Rows << (Mode == ConOut->Mode->Mode ? " *" : "");
    }
    Out << "\n";
  }
  Out << "Text input: " << ((Devices.TextIn == nullptr) ? "none" : "simple text input, input-ex")
      << (((Devices.TextIn != nullptr) && (Devices.TextIn->KeyCode () != nullptr)) ? ", key-code" : "") << "\n";
  if (Devices.TextIn != nullptr) {
    Out << "Scripted keys: " << Devices.TextIn->Script ().Remaining () << "\n";
  }
  Out << "Console control: " << ((Devices.Control == nullptr) ? "absent" : "present") << "\n";
  Out << "Pointer: " << ((Devices.Pointer == nullptr) ? "absent" : "present") << "\n";
}

static void
DescribeGraphics (std::ostringstream &Out, const STANDARD_DEVICES &Devices)
{
  Out << "Graphics output:";
  if (Devices.Graphics == nullptr) {
    Out << " none\n";
    return;
  }
  EFI_GRAPHICS_OUTPUT_PROTOCOL  *Gop = Devices.Graphics->Protocol ();
  for (UINT32 Mode = 0; Mode < Gop->Mode->MaxMode; Mode++) {
    UINTN                                 Size = 0;
    EFI_GRAPHICS_OUTPUT_MODE_INFORMATION  *Info = nullptr;
    if (!EFI_ERROR (Devices.Graphics->QueryMode (Mode, &Size, &Info))) {
      Out << " " << Mode << ": " << Info->HorizontalResolution << "x" << Info->VerticalResolution
          << (Mode == Gop->Mode->Mode ? " *" : "");
      (VOID)Machine::Current ()->Memory ().Free (Info);  // allocated just above
    }
  }
  static const EFI_GUID  EdidGuid = EFI_EDID_ACTIVE_PROTOCOL_GUID;
  auto  *Edid = static_cast<const EFI_EDID_ACTIVE_PROTOCOL *>(
    Machine::Current ()->Protocols ().Find (Devices.Graphics->Handle (), EdidGuid));
  Out << "\nEDID active: ";
  if (Edid == nullptr) {
    Out << "absent\n";
  } else {
    Out << Edid->SizeOfEdid << " bytes\n";
  }
}

std::string
DemoMachine::Describe () const
{
  std::ostringstream  Out;

  DescribeConsoles (Out, mDevices);
  DescribeGraphics (Out, mDevices);
  const auto  &Variables = mMachine.Variables ().All ();
  Out << "Variables: " << Variables.size () << ", " << mNvramNote << "\n";
  for (const VARIABLE &Variable : Variables) {
    Out << "  " << GuidToString (Variable.Guid) << " attr " << Hex (Variable.Attributes, 8) << " size "
        << Variable.Data.size () << " " << Utf16ToUtf8 (Variable.Name) << "\n";
  }
  return Out.str ();
}

void
DemoMachine::Boot ()
{
  Demo::RunDemoBoard (mMachine, mDevices, std::cout);
  ConsoleLoop ();
}

static std::u16string
KeyText (const EFI_INPUT_KEY &Key)
{
  static const char  *Scans[] = {
    "", "Up", "Down", "Right", "Left", "Home", "End", "Ins", "Del", "PgUp", "PgDn",
    "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12", "Esc"
  };

  if ((Key.ScanCode != SCAN_NULL) && (Key.ScanCode < sizeof (Scans) / sizeof (Scans[0]))) {
    return Utf8ToUtf16 (Scans[Key.ScanCode]);
  }
  if (Key.UnicodeChar == CHAR_CARRIAGE_RETURN) {
    return u"Enter";
  }
  return (Key.UnicodeChar >= 0x20) ? std::u16string (1, Key.UnicodeChar) : u"?";
}

void
DemoMachine::ConsoleLoop ()
{
  EFI_SYSTEM_TABLE  *System = mMachine.SystemTable ();

  if ((System->ConOut == nullptr) || (System->ConIn == nullptr)) {
    return;
  }
  EFI_SIMPLE_TEXT_OUTPUT_PROTOCOL  *ConOut = System->ConOut;
  EFI_SIMPLE_TEXT_INPUT_PROTOCOL   *ConIn  = System->ConIn;
  (VOID)ConOut->ClearScreen (ConOut);  // our own console: cannot fail
  (VOID)ConOut->OutputString (ConOut, (CHAR16 *)u"Setup emulator: no driver yet; keys pressed:\r\n");
  while (!mDevices.TextIn->Script ().Exhausted ()) {
    UINTN          Index = 0;
    EFI_INPUT_KEY  Key {};
    if (EFI_ERROR (System->BootServices->WaitForEvent (1, &ConIn->WaitForKey, &Index)) ||
        EFI_ERROR (ConIn->ReadKeyStroke (ConIn, &Key)))
    {
      continue;  // a modifier-only record or a flushed key: wait for the next one
    }
    std::u16string  Line = KeyText (Key) + u"\r\n";
    (VOID)ConOut->OutputString (ConOut, Line.data ());
  }
}

bool
DemoMachine::SaveNvram () const
{
  return mOptions.NvramPath.empty () || mMachine.Variables ().SaveFile (mOptions.NvramPath);
}

}  // namespace Emu
