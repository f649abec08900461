/** @file
  The dynamic-page table: one record per slot of the HII handle list, each with
  the engine's own copy of its form set's forms package. Every question opcode a
  working control record points at lies in one of these copies.

  The build binds the compiled pages to the live package lists, parses every other
  form set into extra pages and turns the work tables into the working page,
  control, variable and form-set tables that every reader goes through.
**/
#ifndef ENGINE_DYNAMIC_PAGES_H_
#define ENGINE_DYNAMIC_PAGES_H_

#include <Uefi.h>
#include <Uefi/UefiHii.h>
#include <Protocol/DevicePath.h>
#include <engine/core/SetupDataFormat.h>
#include <engine/forms/FormTables.h>

// A driver asked for a reset while SendForm runs.
extern BOOLEAN         gResetRequested;
// The action request that ended SendForm (NONE when the user left it).
extern UINTN           gSendFormRequest;

// Form sets beyond the compiled data that were parsed into pages.
extern UINT64          gDynamicPageCount;

#define DYNAMIC_PAGE_COUNT_VARIABLE_GUID \
  { 0xB63BF800, 0xF267, 0x4F55, { 0x92, 0x17, 0xE9, 0x7F, 0xB3, 0xB6, 0x98, 0x46 } }

/**
  Builds the working tables from the compiled setup data and the live form sets.

  @retval EFI_SUCCESS           The tables are rebuilt.
  @retval EFI_OUT_OF_RESOURCES  An allocation failed; what was built stays until
                                FreeDynamicPageTable.
  @return Other                 A failed notification registration or HII look-up.
**/
EFI_STATUS  BuildDynamicPages (VOID);

/**
  The load of setup's entry from the boot flow: the dynamic pages built, the forms'
  FORM_OPEN callbacks, the default caches and default orders, the current cache read
  again from the stores (the standard defaults filling what no store holds), the
  RETRIEVE callbacks, and the engine's settings record completed to 81 bytes. The
  first failure is returned and leaves the rest undone.
**/
EFI_STATUS  LoadSetupDefaultsAndVariables (VOID);
/** TRUE once after a successful LoadSetupDefaultsAndVariables: the pages and values are fresh. */
BOOLEAN     TakeSetupEntryLoad (VOID);
EFI_STATUS  BuildHiiHandleList (VOID);

/** The first live slot whose form set is {Guid, Class, SubClass} and holds the form; else the extra slot. */
UINT16      FindSlotByFormSetForm (IN CONST EFI_GUID *Guid, IN UINT16 Class, IN UINT16 SubClass, IN UINT16 FormId);

/**
  A pool copy of the first forms package of a package list; null when it has none.
  *Size is the export buffer size to try first (0: a small guess) and receives the
  size the export needed; it is set to 0 when the package holds no form set.
**/
UINT8       *GetFormSetPackage (IN EFI_HII_HANDLE HiiHandle, IN OUT UINT64 *Size);
VOID        GetFormSetClass (IN CONST UINT8 *Package, OUT UINT16 *Class, OUT UINT16 *SubClass);
/** A CLASS or SUBCLASS extension (a GUID opcode of the common family) sets *Class or *SubClass; any other opcode sets neither. */

/** Joins the work tables into single blocks and points the working tables at them. */
EFI_STATUS  RebuildFormSetGuidList (VOID);
EFI_STATUS  ResizeVariableTables (VOID);
EFI_STATUS  RebuildPageData (VOID);
EFI_STATUS  ResolveRefTarget (IN UINTN Page, IN OUT CONTROL_RECORD *Control);
EFI_STATUS  FindPageByFormSetForm (IN CONST EFI_GUID *Guid, IN UINT16 FormId, OUT UINT16 *Page);
/** The device path of the driver that published a package list. */
EFI_STATUS  GetPackageListDevicePath (IN EFI_HII_HANDLE Handle, OUT EFI_DEVICE_PATH_PROTOCOL **Path);
/** A path's text through the device-path-to-text protocol (located once per build); the caller frees it. */
EFI_STATUS  DevicePathToTextCached (IN CONST EFI_DEVICE_PATH_PROTOCOL *Path, OUT CHAR16 **Text);

/** Writes gDynamicPageCount to its variable and re-reads the cache's copy. */
VOID        WriteDynamicPageCount (VOID);

/**
  The forms package of a package list as ExportPackageLists gives it: its offset in
  *Offset and its length as the answer; 0 when the list holds none before its end
  package, or a package header runs past Size or is shorter than itself.
**/
UINTN  FindFormsPackage (IN CONST UINT8 *List, IN UINTN Size, OUT UINTN *Offset);

//
// Changes while setup runs, worked off from the main loop.
//
/** Copies the working tables back into the work tables, so that a parse can append to them. */
VOID        PrepareFormSetParse (VOID);
/**
  Parses a slot's form set into the work tables and rebuilds the working tables: the
  parse's failure, else the failure to grow the variable tables or rebuild the pages.
**/
EFI_STATUS  ReparseFormSet (IN OUT DYNAMIC_PAGE_RECORD *Job);
/** A package list published while setup runs (Package: a pool copy of its forms, taken over; or null). */
EFI_STATUS  AddDynamicFormSet (IN EFI_HII_HANDLE Handle, IN UINT8 *Package OPTIONAL);
/** Frees the pages and controls of a package list's form set; its pages wait, pending, for a re-parse. */
EFI_STATUS  RemoveDynamicFormSet (IN EFI_HII_HANDLE Handle);
/** Releases pending pages that no re-parse took; EFI_UNSUPPORTED without a table. */
EFI_STATUS  RefreshDynamicPages (VOID);
/** Works off the queued package notifications; success at once when none are pending. */
EFI_STATUS  ProcessPackageNotifications (VOID);
/**
  A goto that names a form set SendForm was not given: the package list of the database
  that holds it joins the lists shown and becomes pages, as a firmware browser follows
  such a link. EFI_NOT_FOUND outside SendForm or when no list holds the form set.
**/
EFI_STATUS  LoadFormSetForGoto (IN CONST EFI_GUID *FormSet);
/** TRUE when Control is a goto naming, by GUID, a form set no loaded page has; gives its form. */
BOOLEAN     GotoNamesUnloadedFormSet (IN CONST CONTROL_RECORD *Control, OUT EFI_GUID *FormSet, OUT UINT16 *FormId);

/** Closes a control's refresh event, when it has one, and forgets it. */
VOID        CloseControlRefreshEvent (IN CONST CONTROL_RECORD *Control);
/** Closes every refresh event (the controls they stand for go with the work tables). */
VOID        FreeRefreshEvents (VOID);
/**
  Registers the refresh event group of a control whose question holds a REFRESH_ID
  opcode; a failure ends the form walk.
**/
EFI_STATUS
AddRefreshEvent (
  IN CONST CONTROL_RECORD  *Control
  );

/**
  Runs the CHANGED callbacks of the questions whose refresh group was signalled since
  the last call; TRUE when one of them is on ShownPage, which then needs a redraw.
**/
BOOLEAN     ProcessQuestionRefreshes (IN UINT32 ShownPage);

/** Class and subclass of the dynamic-page entry of a package list; EFI_INVALID_PARAMETER when it has none. */
EFI_STATUS
GetDynamicPageClass (
  IN  EFI_HII_HANDLE  HiiHandle,
  OUT UINT16          *Class,
  OUT UINT16          *SubClass
  );

VOID        FreeDynamicPageTable (VOID);

#endif
