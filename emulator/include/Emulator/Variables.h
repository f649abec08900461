/** @file
  The NVRAM variable store: GetVariable, SetVariable and GetNextVariableName with
  UEFI attribute rules, a write log for assertions, failure injection, a simulated
  reset that drops volatile variables, and a file form for the program.

  The file form is the one of OVMF's VARS.BIN export: records back to back, each an
  EFI_GUID (16 bytes), u32 attributes, u32 name size in bytes (UTF-16LE, no
  terminator), the name, u32 data size and the data, all little endian.
**/
#ifndef EMULATOR_VARIABLES_H_
#define EMULATOR_VARIABLES_H_

#include <Uefi.h>

#include <optional>
#include <string>
#include <vector>

namespace Emu {

struct VARIABLE {
  std::u16string      Name;
  EFI_GUID            Guid;
  UINT32              Attributes;
  std::vector<UINT8>  Data;
};

struct VARIABLE_WRITE {
  std::u16string      Name;
  EFI_GUID            Guid;
  UINT32              Attributes;
  std::vector<UINT8>  Data;    // as passed; empty for a delete by size 0
  EFI_STATUS          Status;  // what SetVariable returned
};

enum class VariableOp { Get, Set, GetNext };

struct VARIABLE_FAULT {
  VariableOp                     Op;
  std::optional<std::u16string>  Name;  // nullopt: any name (GetNext ignores it)
  EFI_STATUS                     Status;
  UINT32                         Times;  // 0 = every matching call
  UINT32                         Skip = 0;  // matching calls that still succeed first
};

class VariableStore {
public:
  EFI_STATUS Get (const CHAR16 *Name, const EFI_GUID *Guid, UINT32 *Attributes, UINTN *DataSize, VOID *Data);
  EFI_STATUS Set (const CHAR16 *Name, const EFI_GUID *Guid, UINT32 Attributes, UINTN DataSize, const VOID *Data);
  EFI_STATUS GetNextName (UINTN *NameSize, CHAR16 *Name, EFI_GUID *Guid);
  EFI_STATUS QueryInfo (UINT32 Attributes, UINT64 *MaximumStorage, UINT64 *Remaining, UINT64 *MaximumSize);

  // Test and program API. Put() bypasses the attribute rules and the log.
  void                   Put (const std::u16string &Name, const EFI_GUID &Guid, UINT32 Attributes,
                           const std::vector<UINT8> &Data);
  const VARIABLE        *Lookup (const std::u16string &Name, const EFI_GUID &Guid) const;
  const std::vector<VARIABLE> &All () const { return mVariables; }
  const std::vector<VARIABLE_WRITE> &WriteLog () const { return mWriteLog; }
  void                   ClearWriteLog () { mWriteLog.clear (); }
  void                   InjectFault (const VARIABLE_FAULT &Fault) { mFaults.push_back (Fault); }
  void                   ClearFaults () { mFaults.clear (); }
  // What a platform reset does to the store: volatile variables are gone.
  void                   DropVolatile ();
  // Largest data size SetVariable accepts (EFI_OUT_OF_RESOURCES above it).
  void                   SetMaximumSize (UINTN Size) { mMaximumSize = Size; }

  // File form; Load replaces the whole store. False with a message on a bad file.
  bool                   LoadFile (const std::string &Path, std::string *Error);
  bool                   LoadBytes (const std::vector<UINT8> &Bytes, std::string *Error);
  // Writes the non-volatile variables only: what survives a power cycle.
  bool                   SaveFile (const std::string &Path) const;
  std::vector<UINT8>     SaveBytes () const;

private:
  VARIABLE  *FindVariable (const std::u16string &Name, const EFI_GUID &Guid);
  EFI_STATUS Fault (VariableOp Op, const std::u16string &Name);
  EFI_STATUS Update (const std::u16string &Name, const EFI_GUID &Guid, UINT32 Attributes,
               UINTN DataSize, const VOID *Data);

  std::vector<VARIABLE>        mVariables;  // creation order is GetNextVariableName order
  std::vector<VARIABLE_WRITE>  mWriteLog;
  std::vector<VARIABLE_FAULT>  mFaults;
  UINTN                        mMaximumSize = 0x10000;
};

// Length in code units of a null-terminated name, bounded; SIZE_MAX when longer.
UINTN BoundedStrLen (const CHAR16 *Text, UINTN Limit);

}  // namespace Emu

#endif
