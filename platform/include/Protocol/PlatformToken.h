/** @file
  The platform's token protocol: numbered platform settings (tokens) that board code
  reads and writes, such as the processor's base ratio (0x8240), the overlay switch
  (0x12DF) and the reset kind the graphical setup uses after a change.

  Its callers fix only the GUID and that tokens are read and stored back by number;
  this header is the one definition of the interface for the engine, the front end
  and the emulator. EFI_NOT_FOUND for a token the platform does not have.
**/
#ifndef PROTOCOL_PLATFORM_TOKEN_H_
#define PROTOCOL_PLATFORM_TOKEN_H_

#include <Uefi.h>

#define PLATFORM_TOKEN_PROTOCOL_GUID \
  { 0x9851740C, 0x22E0, 0x440D, { 0x90, 0x90, 0xEF, 0x2D, 0x71, 0xC2, 0x51, 0xC9 } }
extern EFI_GUID gPlatformTokenProtocolGuid;

typedef struct _PLATFORM_TOKEN_PROTOCOL PLATFORM_TOKEN_PROTOCOL;

typedef EFI_STATUS (EFIAPI *PLATFORM_TOKEN_GET)(
  IN PLATFORM_TOKEN_PROTOCOL  *This,
  IN UINT32                   Token,
  OUT UINT64                  *Value
  );

typedef EFI_STATUS (EFIAPI *PLATFORM_TOKEN_SET)(
  IN PLATFORM_TOKEN_PROTOCOL  *This,
  IN UINT32                   Token,
  IN UINT64                   Value
  );

struct _PLATFORM_TOKEN_PROTOCOL {
  PLATFORM_TOKEN_GET  GetToken;
  PLATFORM_TOKEN_SET  SetToken;
};

#endif
