/** @file
  The few firmware interfaces the QEMU loader calls that the platform headers do not
  (yet) describe: the DXE services table, the simple file system and file protocols,
  and the parts of HII Database and HII String the loader uses. Written from the
  public UEFI and PI specifications; members the loader never calls are kept as
  untyped slots so the offsets stay right. In their own namespace so that they never
  clash with the platform's definitions when those arrive.
**/
#ifndef QEMU_LOADER_PROTOCOLS_H_
#define QEMU_LOADER_PROTOCOLS_H_

#include <Uefi.h>

namespace loader {

#define LOADER_DXE_SERVICES_TABLE_GUID \
  { 0x05AD34BA, 0x6F02, 0x4214, { 0x95, 0x2E, 0x4D, 0xA0, 0x39, 0x8E, 0x2B, 0xB9 } }

typedef EFI_STATUS (EFIAPI *DXE_DISPATCH)(VOID);
typedef EFI_STATUS (EFIAPI *DXE_PROCESS_FIRMWARE_VOLUME)(
  IN CONST VOID *FirmwareVolumeHeader, IN UINTN Size, OUT EFI_HANDLE *FirmwareVolumeHandle);

typedef struct {
  EFI_TABLE_HEADER               Hdr;
  VOID                           *GcdMemorySpace[7];  // add, allocate, free, remove, get, set, map
  VOID                           *GcdIoSpace[6];      // add, allocate, free, remove, get, map
  DXE_DISPATCH                   Dispatch;
  VOID                           *Schedule;
  VOID                           *Trust;
  DXE_PROCESS_FIRMWARE_VOLUME    ProcessFirmwareVolume;
} DXE_SERVICES;
static_assert (offsetof (DXE_SERVICES, Dispatch) == 24 + 13 * 8, "DXE services layout");
static_assert (offsetof (DXE_SERVICES, ProcessFirmwareVolume) == 24 + 16 * 8, "DXE services layout");

#define LOADER_SIMPLE_FILE_SYSTEM_GUID \
  { 0x964E5B22, 0x6459, 0x11D2, { 0x8E, 0x39, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B } }

typedef struct FILE_PROTOCOL FILE_PROTOCOL;
struct FILE_PROTOCOL {
  UINT64        Revision;
  EFI_STATUS    (EFIAPI *Open)(FILE_PROTOCOL *This, FILE_PROTOCOL **NewHandle,
                               CONST CHAR16 *FileName, UINT64 OpenMode, UINT64 Attributes);
  EFI_STATUS    (EFIAPI *Close)(FILE_PROTOCOL *This);
  VOID          *Delete;
  EFI_STATUS    (EFIAPI *Read)(FILE_PROTOCOL *This, UINTN *BufferSize, VOID *Buffer);
  VOID          *Write;
  EFI_STATUS    (EFIAPI *GetPosition)(FILE_PROTOCOL *This, UINT64 *Position);
  EFI_STATUS    (EFIAPI *SetPosition)(FILE_PROTOCOL *This, UINT64 Position);
};
#define LOADER_FILE_MODE_READ  0x0000000000000001ULL

typedef struct SIMPLE_FILE_SYSTEM SIMPLE_FILE_SYSTEM;
struct SIMPLE_FILE_SYSTEM {
  UINT64        Revision;
  EFI_STATUS    (EFIAPI *OpenVolume)(SIMPLE_FILE_SYSTEM *This, FILE_PROTOCOL **Root);
};

typedef VOID *HII_HANDLE;

#define LOADER_HII_DATABASE_GUID \
  { 0xEF9FC172, 0xA1B2, 0x4693, { 0xB3, 0x27, 0x6D, 0x32, 0xFC, 0x41, 0x60, 0x42 } }

typedef struct HII_DATABASE HII_DATABASE;
struct HII_DATABASE {
  VOID          *NewPackageList;
  VOID          *RemovePackageList;
  VOID          *UpdatePackageList;
  EFI_STATUS    (EFIAPI *ListPackageLists)(CONST HII_DATABASE *This, UINT8 PackageType,
                                           CONST EFI_GUID *PackageGuid, UINTN *HandleBufferLength,
                                           HII_HANDLE *Handle);
  EFI_STATUS    (EFIAPI *ExportPackageLists)(CONST HII_DATABASE *This, HII_HANDLE Handle,
                                             UINTN *BufferSize, VOID *Buffer);
};
#define LOADER_HII_PACKAGE_TYPE_ALL  0x00

#define LOADER_HII_STRING_GUID \
  { 0x0FD96974, 0x23AA, 0x4CDC, { 0xB9, 0xCB, 0x98, 0xD1, 0x77, 0x50, 0x32, 0x2A } }

typedef struct HII_STRING HII_STRING;
struct HII_STRING {
  VOID          *NewString;
  EFI_STATUS    (EFIAPI *GetString)(CONST HII_STRING *This, CONST CHAR8 *Language,
                                    HII_HANDLE PackageList, UINT16 StringId, CHAR16 *String,
                                    UINTN *StringSize, VOID *StringFontInfo);
};

}  // namespace loader

#endif
