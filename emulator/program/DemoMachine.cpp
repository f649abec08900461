/** @file
  The demo machine of the program.
**/
#include "DemoMachine.h"

#include <DemoBoard.h>
#include <Emulator/Guid.h>
#include <Emulator/HddDrive.h>

#include <algorithm>
#include <iostream>

#include <cstdio>
#include <sstream>

namespace Emu {

DemoMachine::DemoMachine (const DEMO_OPTIONS &Options)
  : mOptions (Options), mDevices (BuildStandardMachine (mMachine, Options.Machine))
{
  mTextCallsBefore = (mDevices.TextOut == nullptr) ? 0 : mDevices.TextOut->Calls ().size ();
  mBltsBefore      = (mDevices.Graphics == nullptr) ? 0 : mDevices.Graphics->BltLog ().size ();
  // The board's hard disk, with security but no password yet: its setup page sets them.
  mMachine.Add (std::make_unique<HddDrive> (mMachine));
  std::string  Error;
  if (mOptions.NvramAfterReset) {
    mNvramNote = mMachine.Variables ().LoadBytes (*mOptions.NvramAfterReset, &Error) ? "as the reset left it"
                                                                                     : "empty (" + Error + ")";
    return;
  }
  if (mOptions.NvramPath.empty ()) {
    mNvramNote = "no NVRAM file";
    return;
  }
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

// Volatile variables live for one boot and the NVRAM file keeps only the others, so a
// run that loads the file saved by an earlier one lists fewer than a run seeded from a
// full export (OVMF's holds both kinds).
static void
DescribeVariables (std::ostringstream &Out, const std::vector<VARIABLE> &Variables, const std::string &NvramNote)
{
  size_t  Volatile = 0;

  for (const VARIABLE &Variable : Variables) {
    Volatile += ((Variable.Attributes & EFI_VARIABLE_NON_VOLATILE) == 0) ? 1 : 0;
  }
  Out << "Variables: " << Variables.size () << ", " << NvramNote << ": " << (Variables.size () - Volatile)
      << " non-volatile, " << Volatile << " volatile\n"
      << "  (volatile variables live for one boot and are never saved: a run that loads the saved file lists fewer)\n";
  for (const VARIABLE &Variable : Variables) {
    bool  NonVolatile = (Variable.Attributes & EFI_VARIABLE_NON_VOLATILE) != 0;
    Out << "  " << GuidToString (Variable.Guid) << " attr " << Hex (Variable.Attributes, 8)
        << (NonVolatile ? " non-volatile" : " volatile    ") << " size " << Variable.Data.size () << " "
        << Utf16ToUtf8 (Variable.Name) << "\n";
  }
}

std::string
DemoMachine::Describe () const
{
  std::ostringstream  Out;

  DescribeConsoles (Out, mDevices);
  DescribeGraphics (Out, mDevices);
  DescribeVariables (Out, mMachine.Variables ().All (), mNvramNote);
  return Out.str ();
}

void
DemoMachine::Boot ()
{
  Demo::DEMO_REQUESTS  Requests { Utf8ToUtf16 (mOptions.SetupPassword), Utf8ToUtf16 (mOptions.Message) };

  Demo::RunDemoBoard (mMachine, mDevices, std::cout, mOptions.HiiExportPath, Requests);
}

std::string
DemoMachine::DescribeRun (size_t TypedKeys) const
{
  std::ostringstream  Out;
  size_t              KeysRead  = (mDevices.TextIn == nullptr) ? 0 : mDevices.TextIn->Script ().Released ();
  size_t              KeysLeft  = (mDevices.TextIn == nullptr) ? 0 : mDevices.TextIn->Script ().Remaining ();
  size_t              TextCalls = (mDevices.TextOut == nullptr) ? 0 : mDevices.TextOut->Calls ().size () - mTextCallsBefore;
  size_t              Blts      = (mDevices.Graphics == nullptr) ? 0 : mDevices.Graphics->BltLog ().size () - mBltsBefore;
  // Typed keys join the script only once every scripted one is taken.
  size_t              Scripted  = KeysRead + KeysLeft - std::min (TypedKeys, KeysRead + KeysLeft);
  size_t              Taken     = std::min (KeysRead, Scripted);

  Out << "Engine on the consoles: " << Taken << " of " << Scripted << " scripted keys taken, " << TextCalls
      << " text-output calls, " << Blts << " graphics blits";
  if (TypedKeys != 0) {
    Out << "; " << (KeysRead - Taken) << ((KeysRead - Taken == 1) ? " key" : " keys") << " typed at the terminal";
  }
  Out << "\n";
  if ((KeysRead == 0) && (TextCalls == 0) && (Blts == 0)) {
    Out << "Nothing of the engine drew or read keys, so a saved screen or framebuffer stays blank.\n";
  }
  return Out.str ();
}

bool
DemoMachine::SaveNvram () const
{
  return mOptions.NvramPath.empty () || mMachine.Variables ().SaveFile (mOptions.NvramPath);
}

}  // namespace Emu
