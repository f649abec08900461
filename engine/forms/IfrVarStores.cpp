/** @file
  The varstores of the form parser: each VARSTORE, VARSTORE_NAME_VALUE and
  VARSTORE_EFI opcode finds or adds its variable record, and the form set's map from
  varstore ids to variable indexes, with the default store "Setup" at id 0.
**/
#include <engine/forms/IfrParserInternal.h>
#include <engine/forms/FormTables.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>
#include <Library/MemoryAllocationLib.h>


#define VARSTORE_GUID_AT        2
#define VARSTORE_ID_AT          18
#define VARSTORE_SIZE_AT        20
#define VARSTORE_NAME_AT        22
#define VARSTORE_EFI_ID_AT      2
#define VARSTORE_EFI_GUID_AT    4
#define VARSTORE_EFI_ATTR_AT    20
#define VARSTORE_EFI_SIZE_AT    24
#define VARSTORE_EFI_NAME_AT    26

static EFI_STATUS
AddVarStoreNode (
  IN OUT FORM_SET_PARSE  *Set,
  IN UINT32              VarStoreId,
  IN UINT32              VariableIndex
  )
{
  VARSTORE_MAP_NODE  *Node = (VARSTORE_MAP_NODE *)AllocatePool (sizeof (*Node));

  if (Node == NULL) {
    return EFI_OUT_OF_RESOURCES;
  }

  *Node          = { VarStoreId, VariableIndex, Set->HiiHandle, Set->VarStores };
  Set->VarStores = Node;
  return EFI_SUCCESS;
}

VOID
FreeVarStoreMap (
  IN OUT FORM_SET_PARSE  *Set
  )
{
  while (Set->VarStores != NULL) {
    VARSTORE_MAP_NODE  *Next = Set->VarStores->Next;

    FreePool (Set->VarStores);
    Set->VarStores = Next;
  }
}

UINT32
MapVarStoreIdToVariable (
  IN CONST FORM_SET_PARSE  *Set,
  IN UINT16                VarStoreId
  )
{
  // Nodes are pushed at the head: the newest declaration of an id wins.
  for (VARSTORE_MAP_NODE *Node = Set->VarStores; Node != NULL; Node = Node->Next) {
    if ((Node->VarStoreId == VarStoreId) && (Node->HiiHandle == Set->HiiHandle)) {
      return Node->VariableIndex;
    }
  }

  return VARIABLE_INDEX_NONE;
}

static BOOLEAN
FindSetupVariable (
  IN  CONST EFI_GUID  *Guid,
  OUT UINT32          *Index
  )
{
  for (UINT32 Position = 0; Position < GetWorkVariableCount (); Position++) {
    VARIABLE_RECORD  *Record = GetWorkVariable (Position);

    if (CompareGuid (&Record->VendorGuid, Guid) &&
        ((StrnCmp (Record->Name, u"Setup", VARIABLE_NAME_LENGTH) == 0) ||
         (StrnCmp (Record->Name, u"setup", VARIABLE_NAME_LENGTH) == 0)))
    {
      *Index = Position;
      return TRUE;
    }
  }

  return FALSE;
}

//
// A varstore reuses a record of the same GUID: for name/value the first one; else
// one of the same name under this handle, or the first of that name when it is
// the record at index 0, a directly stored variable, or a record without handle of
// the opcode's size (which then takes this handle).
//
static BOOLEAN
FindReusableVariable (
  IN  CONST FORM_SET_PARSE   *Set,
  IN  CONST VARIABLE_RECORD  *Wanted,
  OUT UINT32                 *Index
  )
{
  BOOLEAN  FirstSeen = FALSE;
  UINT32   First     = 0;

  for (UINT32 Position = 0; Position < GetWorkVariableCount (); Position++) {
    VARIABLE_RECORD  *Record = GetWorkVariable (Position);

    if (!CompareGuid (&Record->VendorGuid, &Wanted->VendorGuid)) {
      continue;
    }

    if ((Wanted->StoreFlags == VARIABLE_STORE_NAME_VALUE) ||
        ((CompareMem (Record->Name, Wanted->Name, sizeof (Record->Name)) == 0) && (Record->HiiHandle == Set->HiiHandle)))
    {
      *Index = Position;
      return TRUE;
    }

    if (!FirstSeen && (CompareMem (Record->Name, Wanted->Name, sizeof (Record->Name)) == 0)) {
      FirstSeen = TRUE;
      First     = Position;
    }
  }

  if (FirstSeen) {
    VARIABLE_RECORD  *Record = GetWorkVariable (First);

    if ((First == 0) || ((Record->StoreFlags & VARIABLE_STORE_EFI) != 0) ||
        ((Record->HiiHandle == NULL) && (Record->Size == Wanted->Size)))
    {
      *Index = First;
      return TRUE;
    }
  }

  return FALSE;
}

static VOID
DescribeVarStore (
  IN  CONST UINT8      *Opcode,
  OUT VARIABLE_RECORD  *Record
  )
{
  UINTN  Length = IfrLength (Opcode);

  ZeroMem (Record, sizeof (*Record));
  if (Opcode[0] == EFI_IFR_VARSTORE_OP) {
    CopyMem (&Record->VendorGuid, Opcode + VARSTORE_GUID_AT, MIN (Length - 2, sizeof (EFI_GUID)));
    Record->VariableId = (UINT32)IfrField (Opcode, VARSTORE_ID_AT, 2);
    Record->Size       = (UINT16)IfrField (Opcode, VARSTORE_SIZE_AT, 2);
    if (Length > VARSTORE_NAME_AT) {
      SetRecordNameAscii (Record, Opcode + VARSTORE_NAME_AT, Length - VARSTORE_NAME_AT);
    }

    return;
  }

  Record->VariableId = (UINT32)IfrField (Opcode, VARSTORE_EFI_ID_AT, 2);
  if (Length > VARSTORE_EFI_GUID_AT) {
    CopyMem (&Record->VendorGuid, Opcode + VARSTORE_EFI_GUID_AT, MIN (Length - VARSTORE_EFI_GUID_AT, sizeof (EFI_GUID)));
  }

  if (Opcode[0] == EFI_IFR_VARSTORE_NAME_VALUE_OP) {
    Record->StoreFlags = VARIABLE_STORE_NAME_VALUE;
    return;
  }

  Record->StoreFlags = VARIABLE_STORE_EFI;
  Record->Attributes = (UINT32)IfrField (Opcode, VARSTORE_EFI_ATTR_AT, 4);
  Record->Size       = (UINT16)IfrField (Opcode, VARSTORE_EFI_SIZE_AT, 2);
  if (Length > VARSTORE_EFI_NAME_AT) {
    SetRecordNameAscii (Record, Opcode + VARSTORE_EFI_NAME_AT, Length - VARSTORE_EFI_NAME_AT);
  }
}

EFI_STATUS
ParseVarStoreOpcode (
  IN OUT FORM_SET_PARSE  *Set,
  IN CONST UINT8         *Opcode
  )
{
  VARIABLE_RECORD  Wanted;
  VARIABLE_RECORD  *Record;
  UINT32           Index;
  EFI_STATUS       Status;

  DescribeVarStore (Opcode, &Wanted);
  Wanted.HiiHandle = Set->HiiHandle;
  if (FindReusableVariable (Set, &Wanted, &Index)) {
    Record             = GetWorkVariable (Index);
    Record->HiiHandle  = Set->HiiHandle;
    Record->VariableId = Wanted.VariableId;
    // A variable the board stores directly stays so: no driver answers for its forms' buffer.
    if (((Record->StoreFlags & VARIABLE_STORE_EFI) == 0) || (Wanted.StoreFlags == VARIABLE_STORE_NAME_VALUE)) {
      Record->StoreFlags = Wanted.StoreFlags;
    }
    if (Opcode[0] != EFI_IFR_VARSTORE_NAME_VALUE_OP) {
      Record->Size = Wanted.Size;
    }
  } else {
    Status = AddVariableEntry (&Wanted, &Index);
    if (EFI_ERROR (Status)) {
      return Status;
    }
  }

  return AddVarStoreNode (Set, (UINT32)IfrField (Opcode, (Opcode[0] == EFI_IFR_VARSTORE_OP) ? VARSTORE_ID_AT : 2, 2), Index);
}


EFI_STATUS
AddFormSetDefaultStore (
  IN OUT FORM_SET_PARSE  *Set,
  IN CONST EFI_GUID      *Guid
  )
{
  VARIABLE_RECORD  Record;
  UINT32           Index;
  EFI_STATUS       Status;

  if (!FindSetupVariable (Guid, &Index)) {
    ZeroMem (&Record, sizeof (Record));
    CopyGuid (&Record.VendorGuid, Guid);
    SetRecordName (&Record, u"Setup");
    Record.Attributes = VARIABLE_DEFAULT_ATTRIBUTES;
    Status            = AddVariableEntry (&Record, &Index);
    if (EFI_ERROR (Status)) {
      return Status;
    }
  }

  return AddVarStoreNode (Set, 0, Index);
}

