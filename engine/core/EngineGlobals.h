/** @file
  Globals that parts on several floors of the engine read: the firmware tables, the
  HII services, whether setup runs, the access level, the boot flow asked for, the
  platform's languages and the option counts. State that one part owns lives in that
  part and is changed through its functions.
**/
#ifndef ENGINE_GLOBALS_H_
#define ENGINE_GLOBALS_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>
#include <Protocol/HiiConfigRouting.h>
#include <Protocol/HiiDatabase.h>
#include <Protocol/HiiFont.h>
#include <Protocol/HiiString.h>

extern EFI_HANDLE            gImageHandle;
extern EFI_SYSTEM_TABLE      *gST;
extern EFI_BOOT_SERVICES     *gBS;
extern EFI_RUNTIME_SERVICES  *gRT;

//
// The handle that carries the boot-screen interface, the form browser and the
// companion interface; null until start-up installs them.
//
extern EFI_HANDLE  gEngineHandle;

// 1 while setup runs; the POST screen's timer, which entering setup or booting stops.
extern UINT8      gInSetup;
extern EFI_EVENT  gBootScreenTimerEvent;

//
// The user's access level.
//
extern UINT32  gAccessLevel;
// The level a password of user rights only gives: the access bits of controls apply at it.
#define ACCESS_LEVEL_USER  1

//
// The boot flow asked for during this POST (0 = none).
//
extern UINT32  gBootFlowRequest;

//
// The HII services and the engine's own package list. gHiiHandle is null when the
// package list could not be registered; string look-ups then find nothing.
//
extern EFI_HII_HANDLE  gHiiHandle;
extern EFI_HII_FONT_PROTOCOL               *gHiiFont;
extern EFI_HII_DATABASE_PROTOCOL           *gHiiDatabase;
extern EFI_HII_STRING_PROTOCOL             *gHiiString;
extern EFI_HII_CONFIG_ROUTING_PROTOCOL     *gHiiConfigRouting;
extern UINT8           gHiiConfigRoutingLocated;

//
// 1 while the engine is inside a driver's configuration-access call; the form
// browser's BrowserCallback serves drivers only then. Whoever sets it restores the
// value it found, so nested calls keep it set.
//
extern UINT8           gInBrowserCallback;

//
// The platform's languages: 32-byte entries whose first field is the ASCII code. The
// boot manager builds the list (BuildLanguageList); it is kept here because the
// variable cache's language question and the strings set in every language, floors
// below the boot manager, read it.
//
typedef struct {
  CHAR8          *Code;
  CHAR16         *UnicodeCode;
  CHAR16         *Name;            // the language's own name
  EFI_STRING_ID  NameStringId;     // under which that name is in the engine's package list
  UINT8          Reserved[6];
} LANGUAGE_ENTRY;

static_assert (sizeof (LANGUAGE_ENTRY) == 32, "language list entry");

extern LANGUAGE_ENTRY  *gLanguageList;
extern UINTN           gLanguageCount;

//
// Boot and driver options: how many are loaded.
//
extern UINTN   gBootOptionCount;
extern UINTN   gDriverOptionCount;

#endif
