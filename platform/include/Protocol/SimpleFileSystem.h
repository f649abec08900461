/** @file
  Simple file system and file protocols, with the file, file-system and volume-label
  information records read through GetInfo.
**/
#ifndef PROTOCOL_SIMPLE_FILE_SYSTEM_H_
#define PROTOCOL_SIMPLE_FILE_SYSTEM_H_

#include <Uefi.h>
#include <stddef.h>

#define EFI_SIMPLE_FILE_SYSTEM_PROTOCOL_GUID \
  { 0x964E5B22, 0x6459, 0x11D2, { 0x8E, 0x39, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B } }
extern EFI_GUID gEfiSimpleFileSystemProtocolGuid;

#define EFI_FILE_INFO_ID \
  { 0x09576E92, 0x6D3F, 0x11D2, { 0x8E, 0x39, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B } }
extern EFI_GUID gEfiFileInfoGuid;

#define EFI_FILE_SYSTEM_INFO_ID \
  { 0x09576E93, 0x6D3F, 0x11D2, { 0x8E, 0x39, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B } }
extern EFI_GUID gEfiFileSystemInfoGuid;

#define EFI_FILE_SYSTEM_VOLUME_LABEL_ID \
  { 0xDB47D7D3, 0xFE81, 0x11D3, { 0x9A, 0x35, 0x00, 0x90, 0x27, 0x3F, 0xC1, 0x4D } }
extern EFI_GUID gEfiFileSystemVolumeLabelInfoIdGuid;

typedef struct _EFI_FILE_PROTOCOL EFI_FILE_PROTOCOL;
typedef EFI_FILE_PROTOCOL EFI_FILE_HANDLE;
typedef struct _EFI_SIMPLE_FILE_SYSTEM_PROTOCOL EFI_SIMPLE_FILE_SYSTEM_PROTOCOL;

#define EFI_FILE_MODE_READ    0x0000000000000001ULL
#define EFI_FILE_MODE_WRITE   0x0000000000000002ULL
#define EFI_FILE_MODE_CREATE  0x8000000000000000ULL

#define EFI_FILE_READ_ONLY   0x0000000000000001ULL
#define EFI_FILE_HIDDEN      0x0000000000000002ULL
#define EFI_FILE_SYSTEM      0x0000000000000004ULL
#define EFI_FILE_RESERVED    0x0000000000000008ULL
#define EFI_FILE_DIRECTORY   0x0000000000000010ULL
#define EFI_FILE_ARCHIVE     0x0000000000000020ULL
#define EFI_FILE_VALID_ATTR  0x0000000000000037ULL

// FileName runs on to Size bytes (zero-terminated).
typedef struct {
  UINT64    Size;
  UINT64    FileSize;
  UINT64    PhysicalSize;
  EFI_TIME  CreateTime;
  EFI_TIME  LastAccessTime;
  EFI_TIME  ModificationTime;
  UINT64    Attribute;
  CHAR16    FileName[1];
} EFI_FILE_INFO;
#define SIZE_OF_EFI_FILE_INFO  offsetof (EFI_FILE_INFO, FileName)
static_assert (SIZE_OF_EFI_FILE_INFO == 80, "file info");

// Natural alignment, as the UEFI layout has it: ReadOnly is padded to eight bytes.
typedef struct {
  UINT64   Size;
  BOOLEAN  ReadOnly;
  UINT64   VolumeSize;
  UINT64   FreeSpace;
  UINT32   BlockSize;
  CHAR16   VolumeLabel[1];
} EFI_FILE_SYSTEM_INFO;
#define SIZE_OF_EFI_FILE_SYSTEM_INFO  offsetof (EFI_FILE_SYSTEM_INFO, VolumeLabel)
static_assert (offsetof (EFI_FILE_SYSTEM_INFO, VolumeSize) == 16, "file-system info");
static_assert (SIZE_OF_EFI_FILE_SYSTEM_INFO == 36, "file-system info");

typedef struct {
  CHAR16  VolumeLabel[1];
} EFI_FILE_SYSTEM_VOLUME_LABEL;

typedef struct {
  EFI_EVENT   Event;
  EFI_STATUS  Status;
  UINTN       BufferSize;
  VOID        *Buffer;
} EFI_FILE_IO_TOKEN;

typedef EFI_STATUS (EFIAPI *EFI_FILE_OPEN)(
  IN EFI_FILE_PROTOCOL   *This,
  OUT EFI_FILE_PROTOCOL  **NewHandle,
  IN CHAR16              *FileName,
  IN UINT64              OpenMode,
  IN UINT64              Attributes
  );

typedef EFI_STATUS (EFIAPI *EFI_FILE_CLOSE)(IN EFI_FILE_PROTOCOL *This);
typedef EFI_STATUS (EFIAPI *EFI_FILE_DELETE)(IN EFI_FILE_PROTOCOL *This);

// Reading a directory returns one EFI_FILE_INFO per call, 0 bytes at the end.
typedef EFI_STATUS (EFIAPI *EFI_FILE_READ)(
  IN EFI_FILE_PROTOCOL  *This,
  IN OUT UINTN          *BufferSize,
  OUT VOID              *Buffer
  );

typedef EFI_STATUS (EFIAPI *EFI_FILE_WRITE)(
  IN EFI_FILE_PROTOCOL  *This,
  IN OUT UINTN          *BufferSize,
  IN VOID               *Buffer
  );

typedef EFI_STATUS (EFIAPI *EFI_FILE_GET_POSITION)(IN EFI_FILE_PROTOCOL *This, OUT UINT64 *Position);
typedef EFI_STATUS (EFIAPI *EFI_FILE_SET_POSITION)(IN EFI_FILE_PROTOCOL *This, IN UINT64 Position);

typedef EFI_STATUS (EFIAPI *EFI_FILE_GET_INFO)(
  IN EFI_FILE_PROTOCOL  *This,
  IN EFI_GUID           *InformationType,
  IN OUT UINTN          *BufferSize,
  OUT VOID              *Buffer
  );

typedef EFI_STATUS (EFIAPI *EFI_FILE_SET_INFO)(
  IN EFI_FILE_PROTOCOL  *This,
  IN EFI_GUID           *InformationType,
  IN UINTN              BufferSize,
  IN VOID               *Buffer
  );

typedef EFI_STATUS (EFIAPI *EFI_FILE_FLUSH)(IN EFI_FILE_PROTOCOL *This);

typedef EFI_STATUS (EFIAPI *EFI_FILE_OPEN_EX)(
  IN EFI_FILE_PROTOCOL      *This,
  OUT EFI_FILE_PROTOCOL     **NewHandle,
  IN CHAR16                 *FileName,
  IN UINT64                 OpenMode,
  IN UINT64                 Attributes,
  IN OUT EFI_FILE_IO_TOKEN  *Token
  );

typedef EFI_STATUS (EFIAPI *EFI_FILE_IO_EX)(IN EFI_FILE_PROTOCOL *This, IN OUT EFI_FILE_IO_TOKEN *Token);

#define EFI_FILE_PROTOCOL_REVISION   0x00010000
#define EFI_FILE_PROTOCOL_REVISION2  0x00020000

struct _EFI_FILE_PROTOCOL {
  UINT64                 Revision;
  EFI_FILE_OPEN          Open;
  EFI_FILE_CLOSE         Close;
  EFI_FILE_DELETE        Delete;
  EFI_FILE_READ          Read;
  EFI_FILE_WRITE         Write;
  EFI_FILE_GET_POSITION  GetPosition;
  EFI_FILE_SET_POSITION  SetPosition;
  EFI_FILE_GET_INFO      GetInfo;
  EFI_FILE_SET_INFO      SetInfo;
  EFI_FILE_FLUSH         Flush;
  EFI_FILE_OPEN_EX       OpenEx;     // revision 2 and later
  EFI_FILE_IO_EX         ReadEx;
  EFI_FILE_IO_EX         WriteEx;
  EFI_FILE_IO_EX         FlushEx;
};

typedef EFI_STATUS (EFIAPI *EFI_SIMPLE_FILE_SYSTEM_PROTOCOL_OPEN_VOLUME)(
  IN EFI_SIMPLE_FILE_SYSTEM_PROTOCOL  *This,
  OUT EFI_FILE_PROTOCOL               **Root
  );

struct _EFI_SIMPLE_FILE_SYSTEM_PROTOCOL {
  UINT64                                       Revision;
  EFI_SIMPLE_FILE_SYSTEM_PROTOCOL_OPEN_VOLUME  OpenVolume;
};

#endif
