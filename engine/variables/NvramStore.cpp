/** @file
  Reader of NVRAM store images. Positions are kept as offsets from the image base
  and compared with the remaining room before any read, so a malformed record, name,
  GUID index or link is refused without a byte outside the image being touched.
**/
#include <engine/variables/NvramStore.h>

#include <Library/BaseLib.h>
#include <Library/BaseMemoryLib.h>

#define NVAR_DEFAULT_ATTRIBUTES \
  (EFI_VARIABLE_NON_VOLATILE | EFI_VARIABLE_BOOTSERVICE_ACCESS | EFI_VARIABLE_RUNTIME_ACCESS)

//
// Where a record's GUID, name and data lie. Guid and Name are null for a record that
// is not the head of its chain.
//
typedef struct {
  CONST UINT8  *Guid;
  CONST UINT8  *Name;
  UINTN        DataOffset;
  UINTN        DataSize;
} NVAR_LAYOUT;

static UINTN
RoomAt (
  IN CONST UINT8       *Record,
  IN CONST NVAR_STORE  *Store
  )
{
  if ((Record < Store->Base) || (Record >= Store->End)) {
    return 0;
  }

  return (UINTN)(Store->End - Record);
}

// The size field of the record at Record, or NVAR_SIZE_ERASED when it cannot be read.
static UINT16
RecordSizeField (
  IN CONST UINT8       *Record,
  IN CONST NVAR_STORE  *Store
  )
{
  if (RoomAt (Record, Store) < offsetof (NVAR_RECORD_HEADER, Size) + sizeof (UINT16)) {
    return NVAR_SIZE_ERASED;
  }

  return ReadUnaligned16 (Record + offsetof (NVAR_RECORD_HEADER, Size));
}

// The walk ends at an erased or impossible size, and at a record that runs past the image.
static BOOLEAN
WalkEndsAt (
  IN CONST UINT8       *Record,
  IN CONST NVAR_STORE  *Store
  )
{
  UINT16  Size = RecordSizeField (Record, Store);

  return (Size == NVAR_SIZE_ERASED) || (Size < NVAR_MIN_RECORD_SIZE) || (Size > RoomAt (Record, Store));
}

static BOOLEAN
ChecksumHolds (
  IN CONST UINT8  *Record,
  IN UINTN        Size
  )
{
  UINT8  Sum = 0;

  for (UINTN Index = sizeof (UINT32); Index < Size; Index++) {
    Sum = (UINT8)(Sum + Record[Index]);
  }

  return Sum == 0;
}

BOOLEAN
IsValidNvarRecord (
  IN CONST UINT8       *Record,
  IN CONST NVAR_STORE  *Store
  )
{
  UINTN   Room = (Store == NULL) ? 0 : RoomAt (Record, Store);
  UINT16  Size;
  UINT32  Link;
  UINT8   Flags;

  if (Room < NVAR_MIN_RECORD_SIZE) {
    return FALSE;
  }

  Size  = ReadUnaligned16 (Record + offsetof (NVAR_RECORD_HEADER, Size));
  Link  = ReadUnaligned24 (Record + offsetof (NVAR_RECORD_HEADER, Link));
  Flags = Record[offsetof (NVAR_RECORD_HEADER, Flags)];
  if ((ReadUnaligned32 (Record) != NVAR_SIGNATURE) || (Flags == NVAR_FLAGS_ERASED) ||
      (Size < NVAR_MIN_RECORD_SIZE) || (Size == NVAR_SIZE_ERASED) || (Size > Room))
  {
    return FALSE;
  }

  if ((Link != NVAR_NO_LINK) && ((Link < Size) || (Link >= Room))) {
    return FALSE;
  }

  if ((Flags & NVAR_FLAG_EXTENDED) != 0) {
    if (Size < NVAR_HEADER_SIZE + NVAR_EXTENDED_SIZE) {
      return FALSE;
    }

    if (Store->CheckChecksum && ((Record[Size - NVAR_EXTENDED_SIZE] & NVAR_EXTENDED_CHECKSUM) != 0) &&
        !ChecksumHolds (Record, Size))
    {
      return FALSE;
    }
  }

  return TRUE;
}

// The GUID-table entry Index, when it lies in the image above the record area.
static CONST UINT8 *
GuidTableEntry (
  IN UINT8             Index,
  IN CONST NVAR_STORE  *Store
  )
{
  UINTN  Distance = NVAR_GUID_SIZE * ((UINTN)Index + 1);

  if (Distance > (UINTN)(Store->End - Store->GuidTableEnd)) {
    return NULL;
  }

  return Store->End - Distance;
}

// Finds the terminator of a name between Name and Limit; the offset after it, or 0.
static UINTN
NameEnd (
  IN CONST UINT8  *Record,
  IN UINTN        NameOffset,
  IN UINTN        Limit,
  IN BOOLEAN      Ascii
  )
{
  UINTN  Unit = Ascii ? 1 : sizeof (CHAR16);

  for (UINTN Offset = NameOffset; Offset + Unit <= Limit; Offset += Unit) {
    if ((Record[Offset] == 0) && (Ascii || (Record[Offset + 1] == 0))) {
      return Offset + Unit;
    }
  }

  return 0;
}

//
// Lays out a valid record: where its GUID, name and data are, and the data's size.
// FALSE when a field does not fit in the record or the GUID index is outside the table.
//
static BOOLEAN
GetRecordLayout (
  IN  CONST UINT8       *Record,
  IN  CONST NVAR_STORE  *Store,
  OUT NVAR_LAYOUT       *Layout
  )
{
  UINT16  Size  = ReadUnaligned16 (Record + offsetof (NVAR_RECORD_HEADER, Size));
  UINT8   Flags = Record[offsetof (NVAR_RECORD_HEADER, Flags)];
  UINTN   Limit = Size - (((Flags & NVAR_FLAG_EXTENDED) != 0) ? NVAR_EXTENDED_SIZE : 0);
  UINTN   Offset = NVAR_HEADER_SIZE;

  ZeroMem (Layout, sizeof (*Layout));
  if ((Flags & NVAR_FLAG_NOT_HEAD) == 0) {
    if ((Flags & NVAR_FLAG_GUID_INLINE) != 0) {
      Layout->Guid = Record + Offset;
      Offset      += NVAR_GUID_SIZE;
    } else if (Offset < Limit) {
      Layout->Guid = GuidTableEntry (Record[Offset], Store);
      Offset      += 1;
    }

    if ((Layout->Guid == NULL) || (Offset > Limit)) {
      return FALSE;
    }

    Layout->Name = Record + Offset;
    Offset       = NameEnd (Record, Offset, Limit, (Flags & NVAR_FLAG_ASCII_NAME) != 0);
    if (Offset == 0) {
      return FALSE;
    }
  }

  Layout->DataOffset = Offset;
  Layout->DataSize   = Limit - Offset;
  if ((Flags & NVAR_FLAG_EXTENDED) != 0) {
    UINT32  Declared = ReadUnaligned32 (Record + Size - NVAR_EXTENDED_SIZE + offsetof (NVAR_EXTENDED_FIELDS, DataSize));

    if (Declared > Layout->DataSize) {
      return FALSE;
    }

    Layout->DataSize = Declared;
  }

  return TRUE;
}

// Record sizes step the walk; the record area ends where the walk cannot go on.
static UINT8 *
FindRecordAreaEnd (
  IN CONST NVAR_STORE  *Store
  )
{
  UINT8  *Record = Store->Base;

  while ((Record < Store->End) && !WalkEndsAt (Record, Store)) {
    Record += RecordSizeField (Record, Store);
  }

  return Record;
}

EFI_STATUS
InitNvarStore (
  IN OUT NVAR_STORE  *Store,
  IN     UINT32      Flags,
  IN     BOOLEAN     CheckChecksum,
  IN     VOID        *Reserved OPTIONAL
  )
{
  (VOID)Reserved;
  if ((Store == NULL) || (Store->Base == NULL) || (Store->Size == 0)) {
    return EFI_INVALID_PARAMETER;
  }

  Store->End           = Store->Base + Store->Size;
  Store->Start         = Store->Base;
  Store->Current       = Store->Base;
  Store->Flags         = Flags;
  Store->CheckChecksum = CheckChecksum;
  Store->GuidTableEnd  = FindRecordAreaEnd (Store);
  return EFI_SUCCESS;
}

static BOOLEAN
IsHeadRecord (
  IN CONST UINT8       *Record,
  IN CONST NVAR_STORE  *Store
  )
{
  UINT8  Flags;

  if (!IsValidNvarRecord (Record, Store)) {
    return FALSE;
  }

  Flags = Record[offsetof (NVAR_RECORD_HEADER, Flags)];
  return ((Flags & NVAR_FLAG_VALID) != 0) && ((Flags & NVAR_FLAG_NOT_HEAD) == 0);
}

UINT8 *
NextNvarRecord (
  IN     CONST UINT8  *Record,
  IN OUT NVAR_STORE   *Store
  )
{
  UINT8  *Candidate;

  if ((Store == NULL) || (Record == NULL) || WalkEndsAt (Record, Store)) {
    return NULL;
  }

  // Every step moves forward by at least the smallest record, so the walk ends.
  Candidate = Store->Base + (Record - Store->Base) + RecordSizeField (Record, Store);   // Record lies in the image
  while ((Candidate < Store->End) && !WalkEndsAt (Candidate, Store)) {
    if (IsHeadRecord (Candidate, Store)) {
      Store->Current = Candidate;
      return Candidate;
    }

    Candidate += RecordSizeField (Candidate, Store);
  }

  return NULL;
}

UINT8 *
FirstNvarRecord (
  IN OUT NVAR_STORE  *Store
  )
{
  if ((Store == NULL) || (Store->Start == NULL)) {
    return NULL;
  }

  if (IsHeadRecord (Store->Start, Store)) {
    Store->Current = Store->Start;
    return Store->Start;
  }

  return NextNvarRecord (Store->Start, Store);
}

static BOOLEAN
NameEquals (
  IN CONST UINT8   *Stored,
  IN BOOLEAN       Ascii,
  IN CONST CHAR16  *Name
  )
{
  UINTN   Unit = Ascii ? 1 : sizeof (CHAR16);
  CHAR16  Char;

  // Stored ends with a terminator inside its record (checked by the layout).
  for (UINTN Index = 0;; Index++) {
    Char = Ascii ? (CHAR16)Stored[Index] : ReadUnaligned16 (Stored + Index * Unit);
    if (Char != Name[Index]) {
      return FALSE;
    }

    if (Char == 0) {
      return TRUE;
    }
  }
}

BOOLEAN
NvarMatchesNameGuid (
  IN  CONST UINT8       *Record,
  IN  CONST CHAR16      *Name,
  IN  CONST EFI_GUID    *Guid,
  OUT UINTN             *DataOffset,
  IN  CONST NVAR_STORE  *Store
  )
{
  NVAR_LAYOUT  Layout;

  if ((Name == NULL) || (Guid == NULL) || (DataOffset == NULL) || !IsValidNvarRecord (Record, Store) ||
      !GetRecordLayout (Record, Store, &Layout) || (Layout.Name == NULL))
  {
    return FALSE;
  }

  if ((CompareMem (Layout.Guid, Guid, sizeof (EFI_GUID)) != 0) ||
      !NameEquals (Layout.Name, (Record[offsetof (NVAR_RECORD_HEADER, Flags)] & NVAR_FLAG_ASCII_NAME) != 0, Name))
  {
    return FALSE;
  }

  *DataOffset = Layout.DataOffset;
  return TRUE;
}

UINT8 *
FindNvarRecord (
  IN     CONST CHAR16    *Name,
  IN     CONST EFI_GUID  *Guid,
  OUT    UINTN           *DataOffset,
  IN OUT NVAR_STORE      *Store
  )
{
  for (UINT8 *Record = FirstNvarRecord (Store); Record != NULL; Record = NextNvarRecord (Record, Store)) {
    if (NvarMatchesNameGuid (Record, Name, Guid, DataOffset, Store)) {
      return Record;
    }
  }

  return NULL;
}

UINT8 *
NvarFollowLinks (
  IN  UINT8             *Record,
  IN  UINTN             DataOffset,
  OUT UINTN             *Size,
  IN  CONST NVAR_STORE  *Store
  )
{
  NVAR_LAYOUT  Layout;
  NVAR_LAYOUT  Newer;
  UINT32       Link;
  UINT8        *Next;

  if ((Size == NULL) || !IsValidNvarRecord (Record, Store) || !GetRecordLayout (Record, Store, &Layout) ||
      (Layout.DataOffset != DataOffset))
  {
    return NULL;
  }

  // Links only point forward (each is at least its record's size), so the chain ends.
  for (;;) {
    Link = ReadUnaligned24 (Record + offsetof (NVAR_RECORD_HEADER, Link));
    if (Link == NVAR_NO_LINK) {
      break;
    }

    Next = Record + Link;
    if (!IsValidNvarRecord (Next, Store) || !GetRecordLayout (Next, Store, &Newer)) {
      break;
    }

    Record = Next;
    Layout = Newer;
  }

  *Size = Layout.DataSize;
  return Record + Layout.DataOffset;
}

EFI_STATUS
NvarGetVariable (
  IN     CONST CHAR16    *Name,
  IN     CONST EFI_GUID  *Guid,
  OUT    UINT32          *Attributes OPTIONAL,
  IN OUT UINTN           *Size,
  OUT    VOID            *Data,
  IN     NVAR_STORE      *Store,
  IN     VOID            *Reserved OPTIONAL
  )
{
  UINTN  DataOffset;
  UINTN  DataSize = 0;
  UINT8  *Record;
  UINT8  *Found;

  (VOID)Reserved;
  if ((Name == NULL) || (Guid == NULL) || (Size == NULL) || (Store == NULL) || ((*Size != 0) && (Data == NULL))) {
    return EFI_INVALID_PARAMETER;
  }

  Record = FindNvarRecord (Name, Guid, &DataOffset, Store);
  Found  = (Record == NULL) ? NULL : NvarFollowLinks (Record, DataOffset, &DataSize, Store);
  if (Found == NULL) {
    return EFI_NOT_FOUND;
  }

  if (Attributes != NULL) {
    *Attributes = NVAR_DEFAULT_ATTRIBUTES;
  }

  if (*Size < DataSize) {
    *Size = DataSize;
    return EFI_BUFFER_TOO_SMALL;
  }

  CopyMem (Data, Found, DataSize);
  *Size = DataSize;
  return EFI_SUCCESS;
}
