/** @file
  NVRAM variables with UEFI attribute rules.
**/
#include <Emulator/Variables.h>
#include <Emulator/Guid.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace Emu {

constexpr UINTN  kMaxNameUnits = 1024;

UINTN
BoundedStrLen (const CHAR16 *Text, UINTN Limit)
{
  for (UINTN Length = 0; Length < Limit; Length++) {
    if (Text[Length] == 0) {
      return Length;
    }
  }
  return SIZE_MAX;
}

VARIABLE *
VariableStore::FindVariable (const std::u16string &Name, const EFI_GUID &Guid)
{
  for (VARIABLE &Variable : mVariables) {
    if ((Variable.Name == Name) && GuidEqual (Variable.Guid, Guid)) {
      return &Variable;
    }
  }
  return nullptr;
}

const VARIABLE *
VariableStore::Lookup (const std::u16string &Name, const EFI_GUID &Guid) const
{
  return const_cast<VariableStore *>(this)->FindVariable (Name, Guid);
}

EFI_STATUS
VariableStore::Fault (VariableOp Op, const std::u16string &Name)
{
  for (auto It = mFaults.begin (); It != mFaults.end (); ++It) {
    if ((It->Op != Op) || (It->Name && (Op != VariableOp::GetNext) && (*It->Name != Name))) {
      continue;
    }
    if (It->Skip != 0) {
      It->Skip--;
      return EFI_SUCCESS;
    }
    EFI_STATUS  Status = It->Status;
    if ((It->Times != 0) && (--It->Times == 0)) {
      mFaults.erase (It);
    }
    return Status;
  }
  return EFI_SUCCESS;
}

void
VariableStore::Put (const std::u16string &Name, const EFI_GUID &Guid, UINT32 Attributes,
  const std::vector<UINT8> &Data)
{
  VARIABLE  *Existing = FindVariable (Name, Guid);

  if (Existing != nullptr) {
    Existing->Attributes = Attributes;
    Existing->Data       = Data;
  } else {
    mVariables.push_back (VARIABLE { Name, Guid, Attributes, Data });
  }
}

EFI_STATUS
VariableStore::Get (const CHAR16 *Name, const EFI_GUID *Guid, UINT32 *Attributes, UINTN *DataSize, VOID *Data)
{
  if ((Name == nullptr) || (Guid == nullptr) || (DataSize == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  UINTN  Length = BoundedStrLen (Name, kMaxNameUnits);
  if ((Length == SIZE_MAX) || (Length == 0)) {
    return (Length == 0) ? EFI_NOT_FOUND : EFI_INVALID_PARAMETER;
  }
  std::u16string  Key (Name, Length);
  EFI_STATUS      Status = Fault (VariableOp::Get, Key);
  if (EFI_ERROR (Status)) {
    return Status;
  }
  VARIABLE  *Variable = FindVariable (Key, *Guid);
  if (Variable == nullptr) {
    return EFI_NOT_FOUND;
  }
  if (Attributes != nullptr) {
    *Attributes = Variable->Attributes;
  }
  if (*DataSize < Variable->Data.size ()) {
    *DataSize = Variable->Data.size ();
    return EFI_BUFFER_TOO_SMALL;
  }
  if ((Data == nullptr) && !Variable->Data.empty ()) {
    return EFI_INVALID_PARAMETER;
  }
  if (!Variable->Data.empty ()) {
    std::memcpy (Data, Variable->Data.data (), Variable->Data.size ());
  }
  *DataSize = Variable->Data.size ();
  return EFI_SUCCESS;
}

static bool
AttributesValid (UINT32 Attributes)
{
  const UINT32  Known = EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS |
                        EFI_VARIABLE_RUNTIME_ACCESS | EFI_VARIABLE_HARDWARE_ERROR_RECORD |
                        EFI_VARIABLE_AUTHENTICATED_WRITE_ACCESS |
                        EFI_VARIABLE_TIME_BASED_AUTHENTICATED_WRITE_ACCESS | EFI_VARIABLE_APPEND_WRITE;

  if ((Attributes & ~Known) != 0) {
    return false;
  }
  // Runtime access needs boot-service access, and a hardware error record must be
  // a non-volatile runtime variable.
  if (((Attributes & EFI_VARIABLE_RUNTIME_ACCESS) != 0) && ((Attributes & EFI_VARIABLE_BOOTSERVICE_ACCESS) == 0)) {
    return false;
  }
  if (((Attributes & EFI_VARIABLE_HARDWARE_ERROR_RECORD) != 0) &&
      ((Attributes & (EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_RUNTIME_ACCESS)) !=
       (EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_RUNTIME_ACCESS)))
  {
    return false;
  }
  return true;
}

EFI_STATUS
VariableStore::Set (const CHAR16 *Name, const EFI_GUID *Guid, UINT32 Attributes, UINTN DataSize, const VOID *Data)
{
  if ((Name == nullptr) || (Guid == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  UINTN  Length = BoundedStrLen (Name, kMaxNameUnits);
  if ((Length == SIZE_MAX) || (Length == 0)) {
    return EFI_INVALID_PARAMETER;
  }
  std::u16string  Key (Name, Length);
  EFI_STATUS      Status;
  if ((DataSize != 0) && (Data == nullptr)) {
    Status = EFI_INVALID_PARAMETER;
  } else {
    Status = Fault (VariableOp::Set, Key);
    if (!EFI_ERROR (Status)) {
      Status = Update (Key, *Guid, Attributes, DataSize, Data);
    }
  }
  const UINT8  *Bytes = static_cast<const UINT8 *>(Data);
  mWriteLog.push_back (VARIABLE_WRITE {
    Key, *Guid, Attributes,
    (Bytes == nullptr) ? std::vector<UINT8>() : std::vector<UINT8>(Bytes, Bytes + DataSize), Status
  });
  return Status;
}

EFI_STATUS
VariableStore::Update (const std::u16string &Name, const EFI_GUID &Guid, UINT32 Attributes,
  UINTN DataSize, const VOID *Data)
{
  VARIABLE  *Existing = FindVariable (Name, Guid);
  bool      Append    = (Attributes & EFI_VARIABLE_APPEND_WRITE) != 0;
  UINT32    Stored    = Attributes & ~(UINT32)EFI_VARIABLE_APPEND_WRITE;
  // A variable nobody may read is no variable: a write without either access bit
  // deletes, whatever else it carries (non-volatile alone, for one).
  bool      NoAccess  = (Stored & (EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS)) == 0;

  if (!AttributesValid (Attributes)) {
    return EFI_INVALID_PARAMETER;
  }
  // Authenticated writes need signed payloads, which nothing here produces.
  if ((Attributes & (EFI_VARIABLE_AUTHENTICATED_WRITE_ACCESS | EFI_VARIABLE_TIME_BASED_AUTHENTICATED_WRITE_ACCESS)) != 0) {
    return EFI_UNSUPPORTED;
  }
  // An existing variable keeps its attributes until it is gone: a write with other
  // ones is refused, a delete by size 0 included, so a caller that names the wrong
  // attributes learns it instead of seeing the variable vanish.
  if ((Existing != nullptr) && !NoAccess && (Existing->Attributes != Stored)) {
    return EFI_INVALID_PARAMETER;
  }
  // Appending nothing changes nothing (and creates nothing); size 0 or no access
  // attributes otherwise deletes.
  if (Append && (DataSize == 0) && !NoAccess) {
    return EFI_SUCCESS;
  }
  if ((DataSize == 0) || NoAccess) {
    if (Existing == nullptr) {
      return EFI_NOT_FOUND;
    }
    mVariables.erase (mVariables.begin () + (Existing - mVariables.data ()));
    return EFI_SUCCESS;
  }
  const UINT8  *Bytes = static_cast<const UINT8 *>(Data);
  UINTN        Total  = DataSize + ((Append && Existing != nullptr) ? Existing->Data.size () : 0);
  if (Total > mMaximumSize) {
    return EFI_OUT_OF_RESOURCES;
  }
  if (Existing == nullptr) {
    mVariables.push_back (VARIABLE { Name, Guid, Stored, std::vector<UINT8>(Bytes, Bytes + DataSize) });
  } else if (Append) {
    Existing->Data.insert (Existing->Data.end (), Bytes, Bytes + DataSize);
  } else {
    Existing->Data.assign (Bytes, Bytes + DataSize);
  }
  return EFI_SUCCESS;
}

EFI_STATUS
VariableStore::GetNextName (UINTN *NameSize, CHAR16 *Name, EFI_GUID *Guid)
{
  if ((NameSize == nullptr) || (Name == nullptr) || (Guid == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  // The name passed in must be terminated within the buffer the caller declares.
  UINTN  Length = BoundedStrLen (Name, std::min<UINTN>(*NameSize / sizeof (CHAR16), kMaxNameUnits));
  if (Length == SIZE_MAX) {
    return EFI_INVALID_PARAMETER;
  }
  EFI_STATUS  Status = Fault (VariableOp::GetNext, std::u16string ());
  if (EFI_ERROR (Status)) {
    return Status;
  }
  size_t  Next = 0;
  if (Length != 0) {
    VARIABLE  *Current = FindVariable (std::u16string (Name, Length), *Guid);
    if (Current == nullptr) {
      return EFI_INVALID_PARAMETER;
    }
    Next = (size_t)(Current - mVariables.data ()) + 1;
  }
  if (Next >= mVariables.size ()) {
    return EFI_NOT_FOUND;
  }
  const VARIABLE  &Variable = mVariables[Next];
  UINTN           Needed    = (Variable.Name.size () + 1) * sizeof (CHAR16);
  if (*NameSize < Needed) {
    *NameSize = Needed;
    return EFI_BUFFER_TOO_SMALL;
  }
  std::memcpy (Name, Variable.Name.c_str (), Needed);
  *Guid     = Variable.Guid;
  *NameSize = Needed;
  return EFI_SUCCESS;
}

EFI_STATUS
VariableStore::QueryInfo (UINT32 Attributes, UINT64 *MaximumStorage, UINT64 *Remaining, UINT64 *MaximumSize)
{
  if ((MaximumStorage == nullptr) || (Remaining == nullptr) || (MaximumSize == nullptr) ||
      (Attributes == 0) || !AttributesValid (Attributes))
  {
    return EFI_INVALID_PARAMETER;
  }
  UINT64  Used = 0;
  for (const VARIABLE &Variable : mVariables) {
    Used += Variable.Data.size () + Variable.Name.size () * 2 + 24;
  }
  *MaximumStorage = 0x100000;
  *Remaining      = (Used < *MaximumStorage) ? *MaximumStorage - Used : 0;
  *MaximumSize    = mMaximumSize;
  return EFI_SUCCESS;
}

void
VariableStore::DropVolatile ()
{
  mVariables.erase (std::remove_if (mVariables.begin (), mVariables.end (), [](const VARIABLE &Variable) {
    return (Variable.Attributes & EFI_VARIABLE_NON_VOLATILE) == 0;
  }), mVariables.end ());
}

}  // namespace Emu
