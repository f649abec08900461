/** @file
  Functions of the engine's neighbours (boot options and orders, NVRAM store images,
  HII configuration strings, question accessors) that the start-up, the setup data
  and the variable cache call. Until their code lands, each is a stand-in defined
  beside where its real body will live.
**/
#ifndef ENGINE_NEIGHBOURS_H_
#define ENGINE_NEIGHBOURS_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>

//
// Boot and driver options.
//
/** The attributes of load option Boot#### (or Driver####); FALSE when the table has no such option. */
BOOLEAN     FindLoadOptionAttributes (IN BOOLEAN DriverOption, IN UINT16 OptionNumber, OUT UINT32 *Attributes);

/**
  The whole cached order with the option at Offset / 2 moved to Value, for writing
  into the cache: Buffer is a new pool buffer, Offset becomes 0, Size its length.
**/
EFI_STATUS  ReorderBootOrderCache (IN UINT16 Value, IN OUT UINT32 *Offset, OUT UINT64 *Size, OUT VOID **Buffer);
EFI_STATUS  ReorderDriverOrderCache (IN UINT16 Value, IN OUT UINT32 *Offset, OUT UINT64 *Size, OUT VOID **Buffer);
EFI_STATUS  ReorderLegacyDevOrderCache (IN UINT16 Value, IN OUT UINT32 *Offset, OUT UINT64 *Size, OUT VOID **Buffer);

//
// NVRAM store images ("StdDefaults", "MfgDefaults").
//
typedef struct NVAR_STORE  NVAR_STORE;

EFI_STATUS  InitNvarStore (IN VOID *Image, IN UINTN ImageSize, OUT NVAR_STORE **Store);
EFI_STATUS  NvarGetVariable (IN NVAR_STORE *Store, IN CONST CHAR16 *Name, IN CONST EFI_GUID *Guid,
              OUT UINT32 *Attributes, IN OUT UINTN *DataSize, OUT VOID *Data);
VOID        FreeNvarStore (IN NVAR_STORE *Store);

//
// HII configuration strings: variables that other drivers own.
//
EFI_STATUS  ExtractVariableConfig (IN VARIABLE_RECORD *Record, OUT VOID **Buffer, IN UINTN Offset, IN UINTN Width);
EFI_STATUS  RouteVariableConfig (IN VARIABLE_RECORD *Record, IN CONST VOID *Data, IN UINTN Offset, IN UINTN Width);

//
// Question accessors.
//
/** The storage offset (VarStoreInfo) of a question opcode; 0 for other opcodes. */
UINT16      GetQuestionOffset (IN CONST UINT8 *Opcode);

#endif
