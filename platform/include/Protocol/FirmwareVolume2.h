/** @file
  Firmware volume 2 protocol: reads files and sections of a firmware volume. The
  driver reads its compiled setup data and logo files this way.
**/
#ifndef PROTOCOL_FIRMWARE_VOLUME2_H_
#define PROTOCOL_FIRMWARE_VOLUME2_H_

#include <Uefi.h>
#include <Pi/PiFirmwareFile.h>

#define EFI_FIRMWARE_VOLUME2_PROTOCOL_GUID \
  { 0x220E73B6, 0x6BDB, 0x4413, { 0x84, 0x05, 0xB9, 0x74, 0xB1, 0x08, 0x61, 0x9A } }
extern EFI_GUID gEfiFirmwareVolume2ProtocolGuid;

typedef struct _EFI_FIRMWARE_VOLUME2_PROTOCOL EFI_FIRMWARE_VOLUME2_PROTOCOL;

typedef UINT64 EFI_FV_ATTRIBUTES;
typedef UINT32 EFI_FV_WRITE_POLICY;

#define EFI_FV_UNRELIABLE_WRITE  0x00000000
#define EFI_FV_RELIABLE_WRITE    0x00000001

typedef struct {
  EFI_GUID                *NameGuid;
  EFI_FV_FILETYPE         Type;
  EFI_FV_FILE_ATTRIBUTES  FileAttributes;
  VOID                    *Buffer;
  UINT32                  BufferSize;
} EFI_FV_WRITE_FILE_DATA;

typedef EFI_STATUS (EFIAPI *EFI_FV_GET_ATTRIBUTES)(
  IN CONST EFI_FIRMWARE_VOLUME2_PROTOCOL  *This,
  OUT EFI_FV_ATTRIBUTES                   *FvAttributes
  );

typedef EFI_STATUS (EFIAPI *EFI_FV_SET_ATTRIBUTES)(
  IN CONST EFI_FIRMWARE_VOLUME2_PROTOCOL  *This,
  IN OUT EFI_FV_ATTRIBUTES                *FvAttributes
  );

// Two-call: a null *Buffer makes the volume allocate it from pool.
typedef EFI_STATUS (EFIAPI *EFI_FV_READ_FILE)(
  IN CONST EFI_FIRMWARE_VOLUME2_PROTOCOL  *This,
  IN CONST EFI_GUID                       *NameGuid,
  IN OUT VOID                             **Buffer,
  IN OUT UINTN                            *BufferSize,
  OUT EFI_FV_FILETYPE                     *FoundType,
  OUT EFI_FV_FILE_ATTRIBUTES              *FileAttributes,
  OUT UINT32                              *AuthenticationStatus
  );

// Sections of one type count from instance 0; EFI_NOT_FOUND past the last one.
typedef EFI_STATUS (EFIAPI *EFI_FV_READ_SECTION)(
  IN CONST EFI_FIRMWARE_VOLUME2_PROTOCOL  *This,
  IN CONST EFI_GUID                       *NameGuid,
  IN EFI_SECTION_TYPE                     SectionType,
  IN UINTN                                SectionInstance,
  IN OUT VOID                             **Buffer,
  IN OUT UINTN                            *BufferSize,
  OUT UINT32                              *AuthenticationStatus
  );

typedef EFI_STATUS (EFIAPI *EFI_FV_WRITE_FILE)(
  IN CONST EFI_FIRMWARE_VOLUME2_PROTOCOL  *This,
  IN UINT32                               NumberOfFiles,
  IN EFI_FV_WRITE_POLICY                  WritePolicy,
  IN EFI_FV_WRITE_FILE_DATA               *FileData
  );

typedef EFI_STATUS (EFIAPI *EFI_FV_GET_NEXT_FILE)(
  IN CONST EFI_FIRMWARE_VOLUME2_PROTOCOL  *This,
  IN OUT VOID                             *Key,
  IN OUT EFI_FV_FILETYPE                  *FileType,
  OUT EFI_GUID                            *NameGuid,
  OUT EFI_FV_FILE_ATTRIBUTES              *Attributes,
  OUT UINTN                               *Size
  );

typedef EFI_STATUS (EFIAPI *EFI_FV_GET_INFO)(
  IN CONST EFI_FIRMWARE_VOLUME2_PROTOCOL  *This,
  IN CONST EFI_GUID                       *InformationType,
  IN OUT UINTN                            *BufferSize,
  OUT VOID                                *Buffer
  );

typedef EFI_STATUS (EFIAPI *EFI_FV_SET_INFO)(
  IN CONST EFI_FIRMWARE_VOLUME2_PROTOCOL  *This,
  IN CONST EFI_GUID                       *InformationType,
  IN UINTN                                BufferSize,
  IN CONST VOID                           *Buffer
  );

struct _EFI_FIRMWARE_VOLUME2_PROTOCOL {
  EFI_FV_GET_ATTRIBUTES  GetVolumeAttributes;
  EFI_FV_SET_ATTRIBUTES  SetVolumeAttributes;
  EFI_FV_READ_FILE       ReadFile;
  EFI_FV_READ_SECTION    ReadSection;
  EFI_FV_WRITE_FILE      WriteFile;
  EFI_FV_GET_NEXT_FILE   GetNextFile;
  UINT32                 KeySize;
  EFI_HANDLE             ParentHandle;
  EFI_FV_GET_INFO        GetInfo;
  EFI_FV_SET_INFO        SetInfo;
};

#endif
