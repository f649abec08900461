/** @file
  HII configuration routing protocol: moves configuration strings between the
  browser and the drivers that own the storage, and converts them to and from
  binary blocks.
**/
#ifndef PROTOCOL_HII_CONFIG_ROUTING_H_
#define PROTOCOL_HII_CONFIG_ROUTING_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>

#define EFI_HII_CONFIG_ROUTING_PROTOCOL_GUID \
  { 0x587E72D7, 0xCC50, 0x4F79, { 0x82, 0x09, 0xCA, 0x29, 0x1F, 0xC1, 0xA1, 0x0F } }
extern EFI_GUID gEfiHiiConfigRoutingProtocolGuid;

typedef struct _EFI_HII_CONFIG_ROUTING_PROTOCOL EFI_HII_CONFIG_ROUTING_PROTOCOL;

// *Results is a pool string the caller frees; *Progress points into Request at the
// first part not handled.
typedef EFI_STATUS (EFIAPI *EFI_HII_EXTRACT_CONFIG)(
  IN CONST EFI_HII_CONFIG_ROUTING_PROTOCOL  *This,
  IN CONST EFI_STRING                       Request,
  OUT EFI_STRING                            *Progress,
  OUT EFI_STRING                            *Results
  );

typedef EFI_STATUS (EFIAPI *EFI_HII_EXPORT_CONFIG)(
  IN CONST EFI_HII_CONFIG_ROUTING_PROTOCOL  *This,
  OUT EFI_STRING                            *Results
  );

typedef EFI_STATUS (EFIAPI *EFI_HII_ROUTE_CONFIG)(
  IN CONST EFI_HII_CONFIG_ROUTING_PROTOCOL  *This,
  IN CONST EFI_STRING                       Configuration,
  OUT EFI_STRING                            *Progress
  );

typedef EFI_STATUS (EFIAPI *EFI_HII_BLOCK_TO_CONFIG)(
  IN CONST EFI_HII_CONFIG_ROUTING_PROTOCOL  *This,
  IN CONST EFI_STRING                       ConfigRequest,
  IN CONST UINT8                            *Block,
  IN CONST UINTN                            BlockSize,
  OUT EFI_STRING                            *Config,
  OUT EFI_STRING                            *Progress
  );

// A short block gives EFI_DEVICE_ERROR with the size needed in *BlockSize.
typedef EFI_STATUS (EFIAPI *EFI_HII_CONFIG_TO_BLOCK)(
  IN CONST EFI_HII_CONFIG_ROUTING_PROTOCOL  *This,
  IN CONST EFI_STRING                       ConfigResp,
  IN OUT UINT8                              *Block,
  IN OUT UINTN                              *BlockSize,
  OUT EFI_STRING                            *Progress
  );

typedef EFI_STATUS (EFIAPI *EFI_HII_GET_ALT_CFG)(
  IN CONST EFI_HII_CONFIG_ROUTING_PROTOCOL  *This,
  IN CONST EFI_STRING                       ConfigResp,
  IN CONST EFI_GUID                         *Guid,
  IN CONST EFI_STRING                       Name,
  IN CONST EFI_DEVICE_PATH_PROTOCOL         *DevicePath,
  IN CONST UINT16                           *AltCfgId,
  OUT EFI_STRING                            *AltCfgResp
  );

struct _EFI_HII_CONFIG_ROUTING_PROTOCOL {
  EFI_HII_EXTRACT_CONFIG   ExtractConfig;
  EFI_HII_EXPORT_CONFIG    ExportConfig;
  EFI_HII_ROUTE_CONFIG     RouteConfig;
  EFI_HII_BLOCK_TO_CONFIG  BlockToConfig;
  EFI_HII_CONFIG_TO_BLOCK  ConfigToBlock;
  EFI_HII_GET_ALT_CFG      GetAltConfig;
};

#endif
