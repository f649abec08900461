/** @file
  Block I/O protocol: a device or partition as numbered blocks, with its media record.
**/
#ifndef PROTOCOL_BLOCK_IO_H_
#define PROTOCOL_BLOCK_IO_H_

#include <Uefi.h>

#define EFI_BLOCK_IO_PROTOCOL_GUID \
  { 0x964E5B21, 0x6459, 0x11D2, { 0x8E, 0x39, 0x00, 0xA0, 0xC9, 0x69, 0x72, 0x3B } }
extern EFI_GUID gEfiBlockIoProtocolGuid;

typedef struct _EFI_BLOCK_IO_PROTOCOL EFI_BLOCK_IO_PROTOCOL;

typedef struct {
  UINT32   MediaId;
  BOOLEAN  RemovableMedia;
  BOOLEAN  MediaPresent;
  BOOLEAN  LogicalPartition;
  BOOLEAN  ReadOnly;
  BOOLEAN  WriteCaching;
  UINT32   BlockSize;
  UINT32   IoAlign;
  EFI_LBA  LastBlock;
  EFI_LBA  LowestAlignedLba;                   // revision 2 and later
  UINT32   LogicalBlocksPerPhysicalBlock;      // revision 2 and later
  UINT32   OptimalTransferLengthGranularity;   // revision 3 and later
} EFI_BLOCK_IO_MEDIA;
static_assert (offsetof (EFI_BLOCK_IO_MEDIA, BlockSize) == 12, "block media");
static_assert (offsetof (EFI_BLOCK_IO_MEDIA, LastBlock) == 24, "block media");

typedef EFI_STATUS (EFIAPI *EFI_BLOCK_RESET)(IN EFI_BLOCK_IO_PROTOCOL *This, IN BOOLEAN ExtendedVerification);

// BufferSize must be a multiple of the block size.
typedef EFI_STATUS (EFIAPI *EFI_BLOCK_READ)(
  IN EFI_BLOCK_IO_PROTOCOL  *This,
  IN UINT32                 MediaId,
  IN EFI_LBA                Lba,
  IN UINTN                  BufferSize,
  OUT VOID                  *Buffer
  );

typedef EFI_STATUS (EFIAPI *EFI_BLOCK_WRITE)(
  IN EFI_BLOCK_IO_PROTOCOL  *This,
  IN UINT32                 MediaId,
  IN EFI_LBA                Lba,
  IN UINTN                  BufferSize,
  IN VOID                   *Buffer
  );

typedef EFI_STATUS (EFIAPI *EFI_BLOCK_FLUSH)(IN EFI_BLOCK_IO_PROTOCOL *This);

struct _EFI_BLOCK_IO_PROTOCOL {
  UINT64              Revision;
  EFI_BLOCK_IO_MEDIA  *Media;
  EFI_BLOCK_RESET     Reset;
  EFI_BLOCK_READ      ReadBlocks;
  EFI_BLOCK_WRITE     WriteBlocks;
  EFI_BLOCK_FLUSH     FlushBlocks;
};

#endif
