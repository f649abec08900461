/** @file
  The NVRAM file of the program: the record layout of OVMF's VARS.BIN export.
**/
#include <Emulator/Variables.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace Emu {

static bool
ReadU32 (const std::vector<UINT8> &Bytes, size_t *Offset, UINT32 *Value)
{
  if (Bytes.size () - *Offset < 4) {
    return false;
  }
  const UINT8  *At = Bytes.data () + *Offset;
  *Value   = (UINT32)At[0] | ((UINT32)At[1] << 8) | ((UINT32)At[2] << 16) | ((UINT32)At[3] << 24);
  *Offset += 4;
  return true;
}

static void
WriteU32 (std::vector<UINT8> &Bytes, UINT32 Value)
{
  for (int Shift = 0; Shift < 32; Shift += 8) {
    Bytes.push_back ((UINT8)(Value >> Shift));
  }
}

static bool
ReadRecord (const std::vector<UINT8> &Bytes, size_t *Offset, VARIABLE *Variable)
{
  UINT32  NameSize;
  UINT32  DataSize;

  if (Bytes.size () - *Offset < sizeof (EFI_GUID)) {
    return false;
  }
  std::memcpy (&Variable->Guid, Bytes.data () + *Offset, sizeof (EFI_GUID));
  *Offset += sizeof (EFI_GUID);
  if (!ReadU32 (Bytes, Offset, &Variable->Attributes) || !ReadU32 (Bytes, Offset, &NameSize) ||
      (NameSize == 0) || ((NameSize & 1) != 0) || (Bytes.size () - *Offset < NameSize))
  {
    return false;
  }
  Variable->Name.clear ();
  for (UINT32 Index = 0; Index < NameSize; Index += 2) {
    Variable->Name += (char16_t)(Bytes[*Offset + Index] | (Bytes[*Offset + Index + 1] << 8));
  }
  *Offset += NameSize;
  if (!ReadU32 (Bytes, Offset, &DataSize) || (Bytes.size () - *Offset < DataSize)) {
    return false;
  }
  Variable->Data.assign (Bytes.begin () + *Offset, Bytes.begin () + *Offset + DataSize);
  *Offset += DataSize;
  return true;
}

bool
VariableStore::LoadBytes (const std::vector<UINT8> &Bytes, std::string *Error)
{
  std::vector<VARIABLE>  Loaded;
  size_t                 Offset = 0;

  while (Offset < Bytes.size ()) {
    VARIABLE  Variable;
    if (!ReadRecord (Bytes, &Offset, &Variable)) {
      if (Error != nullptr) {
        *Error = "malformed variable record at offset " + std::to_string (Offset);
      }
      return false;
    }
    Loaded.push_back (std::move (Variable));
  }
  mVariables.clear ();
  for (const VARIABLE &Variable : Loaded) {
    Put (Variable.Name, Variable.Guid, Variable.Attributes, Variable.Data);
  }
  return true;
}

bool
VariableStore::LoadFile (const std::string &Path, std::string *Error)
{
  std::ifstream  File (Path, std::ios::binary);

  if (!File) {
    if (Error != nullptr) {
      *Error = "cannot open " + Path;
    }
    return false;
  }
  std::vector<UINT8>  Bytes ((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
  return LoadBytes (Bytes, Error);
}

std::vector<UINT8>
VariableStore::SaveBytes () const
{
  std::vector<UINT8>  Bytes;

  for (const VARIABLE &Variable : mVariables) {
    if ((Variable.Attributes & EFI_VARIABLE_NON_VOLATILE) == 0) {
      continue;
    }
    const UINT8  *Guid = reinterpret_cast<const UINT8 *>(&Variable.Guid);
    Bytes.insert (Bytes.end (), Guid, Guid + sizeof (EFI_GUID));
    WriteU32 (Bytes, Variable.Attributes);
    WriteU32 (Bytes, (UINT32)(Variable.Name.size () * 2));
    for (char16_t Unit : Variable.Name) {
      Bytes.push_back ((UINT8)Unit);
      Bytes.push_back ((UINT8)(Unit >> 8));
    }
    WriteU32 (Bytes, (UINT32)Variable.Data.size ());
    Bytes.insert (Bytes.end (), Variable.Data.begin (), Variable.Data.end ());
  }
  return Bytes;
}

bool
VariableStore::SaveFile (const std::string &Path) const
{
  std::vector<UINT8>  Bytes = SaveBytes ();
  std::ofstream       File (Path, std::ios::binary | std::ios::trunc);

  File.write (reinterpret_cast<const char *>(Bytes.data ()), (std::streamsize)Bytes.size ());
  return (bool)File;
}

}  // namespace Emu
