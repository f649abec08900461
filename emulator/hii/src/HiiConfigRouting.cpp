/** @file
  Configuration Routing: requests and configurations are split into their
  configurations, each routed by GUID, NAME and PATH to the configuration-access
  protocol of the driver that owns the matching package list; the block
  conversions work on the text forms in ConfigString.
**/
#include <EmulatorHii/ConfigString.h>
#include <EmulatorHii/HiiServices.h>

#include "Guard.h"
#include "HiiInternal.h"

#include <cstring>

namespace Emu {

namespace {

// Where a driver's progress inside the copy of one configuration lands in the caller's string.
CHAR16 *
MapProgress (CONST CHAR16 *Whole, UINTN Start, const std::u16string &Part, CONST CHAR16 *PartProgress)
{
  const CHAR16  *Base = Part.c_str ();

  if ((PartProgress >= Base) && (PartProgress <= Base + Part.size ())) {
    return (CHAR16 *)Whole + Start + (PartProgress - Base);
  }
  return (CHAR16 *)Whole + Start;
}

// One pass over every configuration of a multi-configuration string; Each is called
// with the driver's protocol, the configuration copy and its start.
template <class EACH>
EFI_STATUS
Route (HiiServices &Hii, CONST CHAR16 *Whole, CHAR16 **Progress, EACH &&Each)
{
  std::u16string  Text;

  if (!CopyText (Whole, kMaxConfigText, &Text)) {
    *Progress = (CHAR16 *)Whole;
    return EFI_INVALID_PARAMETER;
  }
  auto  Ranges = SplitConfigs (Text);
  if (Ranges.empty ()) {
    *Progress = (CHAR16 *)Whole;
    return EFI_INVALID_PARAMETER;
  }
  for (const auto &[Start, End] : Ranges) {
    std::u16string  Part = Text.substr (Start, End - Start);
    CONFIG_HEADER   Header;
    UINTN           ErrorAt;
    if (!ParseConfigHeader (Part, 0, &Header, &ErrorAt)) {
      *Progress = (CHAR16 *)Whole + Start + ErrorAt;
      return EFI_INVALID_PARAMETER;
    }
    EFI_HII_CONFIG_ACCESS_PROTOCOL  *Access = Hii.FindConfigAccess (Header.Path, Header.Guid, Header.Name);
    if (Access == nullptr) {
      *Progress = (CHAR16 *)Whole + Start;
      return EFI_NOT_FOUND;
    }
    CHAR16      *PartProgress = nullptr;
    EFI_STATUS  Status        = Each (Access, Part, &PartProgress);
    if (Status != EFI_SUCCESS) {
      *Progress = MapProgress (Whole, Start, Part, PartProgress);
      return Status;
    }
  }
  *Progress = (CHAR16 *)Whole + Text.size ();
  return EFI_SUCCESS;
}

EFI_STATUS
ExtractBody (HiiServices &Hii, CONST CHAR16 *Request, CHAR16 **Progress, CHAR16 **Results)
{
  std::u16string  Joined;

  if ((Progress == nullptr) || (Results == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  *Results = nullptr;
  if (Request == nullptr) {
    *Progress = nullptr;
    return EFI_INVALID_PARAMETER;
  }
  EFI_STATUS  Status = Route (Hii, Request, Progress, [&] (EFI_HII_CONFIG_ACCESS_PROTOCOL *Access,
                                const std::u16string &Part, CHAR16 **PartProgress) {
    CHAR16          *PartResults = nullptr;
    std::u16string  Answer;
    EFI_STATUS      Result = Access->ExtractConfig (Access, (EFI_STRING)Part.c_str (), PartProgress, &PartResults);
    if (PartResults != nullptr) {
      bool  Whole = CopyText (PartResults, kMaxConfigText, &Answer);
      (VOID)Hii.Owner ().Memory ().Free (PartResults);  // the driver's pool block, ours to free
      if ((Result == EFI_SUCCESS) && !Whole) {
        Result = EFI_DEVICE_ERROR;
      }
    }
    if (Result == EFI_SUCCESS) {
      Joined += Joined.empty () ? Answer : u"&" + Answer;
    }
    return Result;
  });
  if (Status != EFI_SUCCESS) {
    return Status;
  }
  return PoolText (Hii.Owner (), Joined, Results);
}

EFI_STATUS EFIAPI
RoutingExtractConfig (CONST EFI_HII_CONFIG_ROUTING_PROTOCOL *This, CONST EFI_STRING Request, EFI_STRING *Progress,
  EFI_STRING *Results)
{
  return Guarded ([&] { return ExtractBody (*OwnerOf<HiiServices> (This), Request, Progress, Results); });
}

EFI_STATUS EFIAPI
RoutingRouteConfig (CONST EFI_HII_CONFIG_ROUTING_PROTOCOL *This, CONST EFI_STRING Configuration, EFI_STRING *Progress)
{
  return Guarded ([&] {
    if (Progress == nullptr) {
      return EFI_INVALID_PARAMETER;
    }
    if (Configuration == nullptr) {
      *Progress = nullptr;
      return EFI_INVALID_PARAMETER;
    }
    return Route (*OwnerOf<HiiServices> (This), Configuration, Progress, [&] (EFI_HII_CONFIG_ACCESS_PROTOCOL *Access,
                    const std::u16string &Part, CHAR16 **PartProgress) {
      return Access->RouteConfig (Access, (EFI_STRING)Part.c_str (), PartProgress);
    });
  });
}

// Drivers here publish no defaults beyond what ExtractConfig gives, and nothing
// in the engine asks for a whole-system export.
EFI_STATUS EFIAPI
RoutingExportConfig (CONST EFI_HII_CONFIG_ROUTING_PROTOCOL *, EFI_STRING *Results)
{
  return (Results == nullptr) ? EFI_INVALID_PARAMETER : EFI_UNSUPPORTED;
}

EFI_STATUS EFIAPI
RoutingGetAltConfig (CONST EFI_HII_CONFIG_ROUTING_PROTOCOL *, CONST EFI_STRING Response, CONST EFI_GUID *,
  CONST EFI_STRING, CONST EFI_DEVICE_PATH_PROTOCOL *, CONST UINT16 *, EFI_STRING *AltResponse)
{
  return ((Response == nullptr) || (AltResponse == nullptr)) ? EFI_INVALID_PARAMETER : EFI_NOT_FOUND;
}

EFI_STATUS
BlockToConfigBody (HiiServices &Hii, CONST CHAR16 *Request, CONST UINT8 *Block, UINTN BlockSize, CHAR16 **Config,
  CHAR16 **Progress)
{
  std::u16string  Text;
  std::u16string  Answer;
  UINTN           ErrorAt = 0;

  if ((Progress == nullptr) || (Config == nullptr)) {
    return EFI_INVALID_PARAMETER;
  }
  *Progress = (CHAR16 *)Request;
  if ((Request == nullptr) || (Block == nullptr) || !CopyText (Request, kMaxConfigText, &Text)) {
    return EFI_INVALID_PARAMETER;
  }
  EFI_STATUS  Status = BlockToConfigText (Text, Block, BlockSize, &Answer, &ErrorAt);
  *Progress = (CHAR16 *)Request + ErrorAt;
  if (Status != EFI_SUCCESS) {
    return Status;
  }
  return PoolText (Hii.Owner (), Answer, Config);
}

EFI_STATUS EFIAPI
RoutingBlockToConfig (CONST EFI_HII_CONFIG_ROUTING_PROTOCOL *This, CONST EFI_STRING Request, CONST UINT8 *Block,
  CONST UINTN BlockSize, EFI_STRING *Config, EFI_STRING *Progress)
{
  return Guarded ([&] { return BlockToConfigBody (*OwnerOf<HiiServices> (This), Request, Block, BlockSize, Config, Progress); });
}

// On success BlockSize becomes the largest index written; when the block is
// missing (EFI_INVALID_PARAMETER) or short (EFI_DEVICE_ERROR) it becomes the size
// needed, so the caller can allocate and call again.
EFI_STATUS
ConfigToBlockBody (CONST CHAR16 *Response, UINT8 *Block, UINTN *BlockSize, CHAR16 **Progress)
{
  std::u16string  Text;
  UINTN           Needed  = 0;
  UINTN           ErrorAt = 0;

  if (Progress == nullptr) {
    return EFI_INVALID_PARAMETER;
  }
  *Progress = (CHAR16 *)Response;
  if ((Response == nullptr) || (BlockSize == nullptr) || !CopyText (Response, kMaxConfigText, &Text)) {
    return EFI_INVALID_PARAMETER;
  }
  EFI_STATUS  Status = ConfigToBlockText (Text, Block, *BlockSize, &Needed, &ErrorAt);
  *Progress = (CHAR16 *)Response + ErrorAt;
  if ((Status == EFI_DEVICE_ERROR) || ((Status == EFI_INVALID_PARAMETER) && (Block == nullptr) && (Needed != 0))) {
    *BlockSize = Needed;
  } else if ((Status == EFI_SUCCESS) && (Needed != 0)) {
    *BlockSize = Needed - 1;
  }
  return Status;
}

EFI_STATUS EFIAPI
RoutingConfigToBlock (CONST EFI_HII_CONFIG_ROUTING_PROTOCOL *, CONST EFI_STRING Response, UINT8 *Block,
  UINTN *BlockSize, EFI_STRING *Progress)
{
  return Guarded ([&] { return ConfigToBlockBody (Response, Block, BlockSize, Progress); });
}

}  // namespace

void
FillRoutingProtocol (EFI_HII_CONFIG_ROUTING_PROTOCOL *Protocol)
{
  Protocol->ExtractConfig = RoutingExtractConfig;
  Protocol->ExportConfig  = RoutingExportConfig;
  Protocol->RouteConfig   = RoutingRouteConfig;
  Protocol->BlockToConfig = RoutingBlockToConfig;
  Protocol->ConfigToBlock = RoutingConfigToBlock;
  Protocol->GetAltConfig  = RoutingGetAltConfig;
}

}  // namespace Emu
