/** @file
  The default members of the password hooks: the POST password is asked once per boot
  when one is set, the setup password each time setup is entered until a level is
  fixed. A refused password locks the machine until it is reset.
**/
#include <engine/textui/PasswordPrompt.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/TaskPriority.h>
#include <engine/forms/Passwords.h>
#include <engine/core/EngineStrings.h>
#include <Resources/EngineStringIds.h>

#include <Library/MemoryAllocationLib.h>
#include <Protocol/BootScreenUiProvider.h>
#include <Protocol/SimpleTextIn.h>

#define PASSWORD_ATTEMPTS  3

// Provider kinds: which password the provider asks for.
#define PROVIDER_KIND_POST   0
#define PROVIDER_KIND_SETUP  1

UINT8  gPostPasswordAsked = 0;

/**
  Asks through the platform's user-interface provider when one is installed, else
  through the text-mode prompt; answers the access level reached (0 refused).
**/
static
UINT32
AskPassword (
  IN UINTN   Kind,
  IN UINT32  Which
  )
{
  BOOT_SCREEN_UI_PROVIDER  *Provider = NULL;
  UINT32                   Level     = 0;
  UINT32                   Attempts  = PASSWORD_ATTEMPTS;

  if (!EFI_ERROR (gBS->LocateProtocol (&gBootScreenUiProviderGuid, NULL, (VOID **)&Provider)) &&
      (Provider != NULL) && (Provider->Password != NULL))
  {
    // A provider that fails gives no level: the password counts as refused.
    if (EFI_ERROR (Provider->Password (Kind, &Level))) {
      Level = 0;
    }

    gAccessLevel = Level;
    return Level;
  }

  return PasswordPrompt (Which, &Attempts);
}

/**
  A refused password: the screen says why the machine stops, and only keys are read
  from now on, until the machine is reset.
**/
static
VOID
LockMachine (
  VOID
  )
{
  EFI_INPUT_KEY  Key;
  UINTN          Index;
  CHAR16         *Text = HiiGetString (ENGINE_OWN_HII_HANDLE, STR_PASSWORD_HALTED, NULL);

  ClearTextScreen ();
  if (Text != NULL) {
    PrintWrappedLines (0, 0, gTextScreenColumns, gTextScreenRows, Text, TEXT_DEFAULT_ATTRIBUTE);
    FreePool (Text);
  }

  MarkRowsDirty (0, gTextScreenRows - 1);
  FlushTextScreen ();

  // Whatever level the caller ran at, the lock waits at the application level.
  (VOID)LowerToApplicationTpl ();     // the lock never returns to the caller
  for ( ; ; ) {
    // Neither result matters: the keys are only taken so that nothing else reads them.
    (VOID)gBS->WaitForEvent (1, &gST->ConIn->WaitForKey, &Index);
    (VOID)gST->ConIn->ReadKeyStroke (gST->ConIn, &Key);
  }
}

UINT64
CheckPostPassword (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  if ((gAccessLevel != 0) || ((GetPasswordStatus () & PASSWORD_FIELD_FIRST) == 0) || (gPostPasswordAsked != 0)) {
    return FALSE;
  }

  gPostPasswordAsked = 1;
  // The second password must not pass POST: an empty entry would match an unset second field.
  if (AskPassword (PROVIDER_KIND_POST, PASSWORD_FIELD_FIRST) == 0) {
    LockMachine ();
  }

  return TRUE;
}

UINT64
CheckSetupPassword (
  IN CONST HOOK_ARGS  *Args
  )
{
  (VOID)Args;
  if (gAccessLevel != 0) {
    return 0;
  }

  if ((GetPasswordStatus () & PASSWORD_FIELD_SECOND) == 0) {
    // Without a second password setup is open; the level holds even if the variable is not written.
    (VOID)SetSystemAccess (2);
    return 0;
  }

  if (AskPassword (PROVIDER_KIND_SETUP, PASSWORD_FIELD_FIRST | PASSWORD_FIELD_SECOND) == 0) {
    LockMachine ();
  }

  return 0;
}

BOOLEAN
HookPostPasswordCheck (
  VOID
  )
{
  HOOK_ARGS  Args = { 0, { 0 } };
  UINTN      First;
  UINTN      Last;
  UINTN      Index;
  BOOLEAN    Result;

  if (FindHookList (HOOK_ID_POST_PASSWORD_CHECK, &First, &Last) == 0) {
    return (BOOLEAN)(CheckPostPassword (&Args) & 0xFF);
  }

  Result = FALSE;
  for (Index = First; Index <= Last; Index++) {
    Result = (BOOLEAN)(Result | (UINT8)MemberAt (Index)(&Args));
  }

  return Result;
}

