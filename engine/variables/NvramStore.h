/** @file
  Reader of NVRAM store images (NvramStoreFormat.h): a cursor over the image, the
  record walk, name and GUID matching, the links to newer copies, and a
  GetVariable-like read. The image comes from a variable, so every record, name,
  GUID index and link is checked against the image's end before it is read.
**/
#ifndef ENGINE_NVRAM_STORE_H_
#define ENGINE_NVRAM_STORE_H_

#include <Uefi.h>
#include <engine/variables/NvramStoreFormat.h>

//
// A cursor over one image. The caller sets Base and Size; InitNvarStore fills the rest.
//
typedef struct NVAR_STORE {
  UINT8    *Base;
  UINTN    Size;
  UINT8    *GuidTableEnd;    // lowest address a GUID-table entry may use: the end of the record area
  UINT8    *End;             // Base + Size
  UINT8    *Current;         // the record the walk last gave
  UINT8    *Start;           // where the walk begins
  UINT32   Flags;            // as given at opening
  BOOLEAN  CheckChecksum;    // verify the checksum of records that carry one
} NVAR_STORE;

/**
  Opens the cursor over Store->Base and Store->Size.

  @retval EFI_INVALID_PARAMETER  Store or its base is null, or the size is 0.
**/
EFI_STATUS
InitNvarStore (
  IN OUT NVAR_STORE  *Store,
  IN     UINT32      Flags,
  IN     BOOLEAN     CheckChecksum,
  IN     VOID        *Reserved OPTIONAL
  );

/** Whether Record is a whole, well-formed record of the image (any flags but 0xFF). */
BOOLEAN
IsValidNvarRecord (
  IN CONST UINT8       *Record,
  IN CONST NVAR_STORE  *Store
  );

/** The first valid head record (flag 0x80, not 0x08) from the cursor's start; null when none. */
UINT8 *
FirstNvarRecord (
  IN OUT NVAR_STORE  *Store
  );

/** The next valid head record after Record; null when the walk ends. */
UINT8 *
NextNvarRecord (
  IN     CONST UINT8  *Record,
  IN OUT NVAR_STORE   *Store
  );

/**
  Whether the head Record holds the variable Name (UTF-16, compared with the record's
  8-bit or UTF-16 name) of vendor Guid. On a match *DataOffset is the offset of its
  data from the record start.
**/
BOOLEAN
NvarMatchesNameGuid (
  IN  CONST UINT8       *Record,
  IN  CONST CHAR16      *Name,
  IN  CONST EFI_GUID    *Guid,
  OUT UINTN             *DataOffset,
  IN  CONST NVAR_STORE  *Store
  );

/** The first head record that matches; null when none does. */
UINT8 *
FindNvarRecord (
  IN     CONST CHAR16    *Name,
  IN     CONST EFI_GUID  *Guid,
  OUT    UINTN           *DataOffset,
  IN OUT NVAR_STORE      *Store
  );

/**
  Follows the links from the head Record (whose data starts at DataOffset) to the
  last valid record of its chain.

  @return That record's data, with its size in *Size; null when the head's own data
          is malformed.
**/
UINT8 *
NvarFollowLinks (
  IN  UINT8             *Record,
  IN  UINTN             DataOffset,
  OUT UINTN             *Size,
  IN  CONST NVAR_STORE  *Store
  );

/**
  Reads the newest copy of a variable, with the two-call size protocol of GetVariable.

  @param[out]    Attributes  Optional; the attributes a store image gives every variable.
  @param[in,out] Size        The buffer's size; on return the data's size.

  @retval EFI_INVALID_PARAMETER  Name, Guid, Size or Store is null, or *Size is not 0 and Data is null.
  @retval EFI_NOT_FOUND          No valid head record matches.
  @retval EFI_BUFFER_TOO_SMALL   *Size is below the data's size, which it now holds.
**/
EFI_STATUS
NvarGetVariable (
  IN     CONST CHAR16    *Name,
  IN     CONST EFI_GUID  *Guid,
  OUT    UINT32          *Attributes OPTIONAL,
  IN OUT UINTN           *Size,
  OUT    VOID            *Data,
  IN     NVAR_STORE      *Store,
  IN     VOID            *Reserved OPTIONAL
  );

#endif
