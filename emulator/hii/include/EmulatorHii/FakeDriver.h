/** @file
  A fake driver for configuration tests: a handle with a device path and a
  scriptable EFI_HII_CONFIG_ACCESS_PROTOCOL whose three operations record every
  call.

  By default the driver answers from byte stores it holds, one per GUID and NAME:
  ExtractConfig turns the requested ranges into a configuration with BlockToConfig
  (a request with only the header gets the whole store, a null request every
  store and name/value group, joined with "&"), RouteConfig writes a
  configuration into the store with ConfigToBlock, and Callback answers
  EFI_UNSUPPORTED. Each operation can be replaced by a script (a std::function);
  callback rules change the value, return an action request or a status for one
  action and question without writing a script.

    auto &Driver = M.Add (std::make_unique<Emu::FakeDriver> (M, Emu::FakeDriver::VendorPath (Guid)));
    Driver.SetStore (VarGuid, u"Setup", Bytes);
    EFI_HII_HANDLE Handle = Driver.Publish (Hii, PackageListBytes);
**/
#ifndef EMULATOR_HII_FAKE_DRIVER_H_
#define EMULATOR_HII_FAKE_DRIVER_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>
#include <Uefi/UefiIfr.h>
#include <Protocol/HiiConfigAccess.h>

#include <Emulator/Machine.h>
#include <EmulatorHii/HiiServices.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace Emu {

enum class ConfigAccessOp { Extract, Route, Callback };

struct CONFIG_ACCESS_CALL {
  ConfigAccessOp      Op;
  std::u16string      Text;        // Extract: the request (empty for a null one); Route: the configuration
  EFI_BROWSER_ACTION  Action;      // Callback only, as are the three below
  EFI_QUESTION_ID     QuestionId;
  UINT8               Type;
  std::vector<UINT8>  Value;       // the value's bytes as the type sizes them; empty for no value
  EFI_STATUS          Status;      // what the operation returned
};

struct CALLBACK_RULE {
  EFI_BROWSER_ACTION                Action;
  EFI_QUESTION_ID                   QuestionId;
  EFI_STATUS                        Status = EFI_SUCCESS;
  std::optional<std::vector<UINT8>> NewValue;                 // written over *Value
  EFI_BROWSER_ACTION_REQUEST        ActionRequest = EFI_BROWSER_ACTION_REQUEST_NONE;
};

class FakeDriver : public Device {
public:
  using EXTRACT_SCRIPT  = std::function<EFI_STATUS (FakeDriver &, CONST CHAR16 *Request, CHAR16 **Progress,
                            CHAR16 **Results)>;
  using ROUTE_SCRIPT    = std::function<EFI_STATUS (FakeDriver &, CONST CHAR16 *Configuration, CHAR16 **Progress)>;
  using CALLBACK_SCRIPT = std::function<EFI_STATUS (FakeDriver &, EFI_BROWSER_ACTION, EFI_QUESTION_ID, UINT8 Type,
                            EFI_IFR_TYPE_VALUE *Value, EFI_BROWSER_ACTION_REQUEST *ActionRequest)>;

  // DevicePath: whole device path bytes, end node included.
  FakeDriver (Machine &Owner, std::vector<UINT8> DevicePath);
  ~FakeDriver () override;

  // A hardware vendor node with Guid, then the end node.
  static std::vector<UINT8> VendorPath (const EFI_GUID &Guid);

  EFI_HANDLE                       Handle () const { return mHandle; }
  // The configuration-access protocol installed on Handle().
  EFI_HII_CONFIG_ACCESS_PROTOCOL  *ConfigAccess ();
  const std::vector<UINT8>        &DevicePath () const { return mDevicePath; }
  Machine                         &Owner () { return mMachine; }

  // Registers a package list (bytes in the UEFI layout) with this driver's handle.
  EFI_HII_HANDLE  Publish (HiiServices &Hii, const std::vector<UINT8> &PackageList);

  void                       SetStore (const EFI_GUID &Guid, const std::u16string &Name, std::vector<UINT8> Bytes);
  const std::vector<UINT8>  *Store (const EFI_GUID &Guid, const std::u16string &Name) const;

  // Name/value stores: elements of the store Guid, each a name and its value as
  // hex text. A request "<header>&A&B" is answered "<header>&A=<hex>&B=<hex>"; a
  // request with only the header gets every element of the GUID; a configuration
  // "<header>&A=<hex>" sets A.
  void                   SetNameValue (const EFI_GUID &Guid, const std::u16string &Name, std::u16string HexValue);
  const std::u16string  *NameValue (const EFI_GUID &Guid, const std::u16string &Name) const;

  EXTRACT_SCRIPT   OnExtract;
  ROUTE_SCRIPT     OnRoute;
  CALLBACK_SCRIPT  OnCallback;
  void             AddCallbackRule (const CALLBACK_RULE &Rule) { mRules.push_back (Rule); }
  // Bytes recorded for an EFI_IFR_TYPE_BUFFER value (the type does not size it).
  void             SetBufferValueSize (UINTN Size) { mBufferSize = Size; }

  const std::vector<CONFIG_ACCESS_CALL> &Calls () const { return mCalls; }
  void                                   ClearCalls () { mCalls.clear (); }

  // The default behaviours, for scripts that add to them.
  EFI_STATUS DefaultExtract (CONST CHAR16 *Request, CHAR16 **Progress, CHAR16 **Results);
  EFI_STATUS DefaultRoute (CONST CHAR16 *Configuration, CHAR16 **Progress);

  // Entry points of the protocol (called through the interface).
  EFI_STATUS Extract (CONST CHAR16 *Request, CHAR16 **Progress, CHAR16 **Results);
  EFI_STATUS Route (CONST CHAR16 *Configuration, CHAR16 **Progress);
  EFI_STATUS Callback (EFI_BROWSER_ACTION Action, EFI_QUESTION_ID QuestionId, UINT8 Type, EFI_IFR_TYPE_VALUE *Value,
               EFI_BROWSER_ACTION_REQUEST *ActionRequest);

private:
  struct OWN_CONFIG;
  EFI_STATUS          ParseOwnConfig (CONST CHAR16 *Config, CHAR16 **Progress, OWN_CONFIG *Out);
  std::vector<UINT8> *FindStore (const EFI_GUID &Guid, const std::u16string &Name);
  bool                HasNameValues (const EFI_GUID &Guid) const;
  EFI_STATUS          ExtractNameValues (const std::u16string &Text, UINTN HeaderEnd, const EFI_GUID &Guid,
                        std::u16string *Answer, UINTN *ErrorAt) const;
  EFI_STATUS          RouteNameValues (const std::u16string &Text, UINTN HeaderEnd, const EFI_GUID &Guid,
                        UINTN *ErrorAt);
  UINTN               ValueSize (UINT8 Type) const;
  std::u16string      AllSettings () const;

  struct ACCESS;
  Machine                          &mMachine;
  std::vector<UINT8>               mDevicePath;
  std::unique_ptr<ACCESS>          mAccess;
  EFI_HANDLE                       mHandle = nullptr;
  std::vector<std::pair<std::pair<EFI_GUID, std::u16string>, std::vector<UINT8>>> mStores;
  std::vector<std::pair<EFI_GUID, std::pair<std::u16string, std::u16string>>> mNameValues;
  std::vector<CALLBACK_RULE>       mRules;
  std::vector<CONFIG_ACCESS_CALL>  mCalls;
  UINTN                            mBufferSize = 0;
};

}  // namespace Emu

#endif
