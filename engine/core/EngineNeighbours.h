/** @file
  Functions of the engine's neighbours (boot options and orders, dynamic pages,
  form callbacks, the application object) that the start-up, the setup data, the
  variable cache and the question accessors call. Those not built yet are defined
  in a *StandIns.cpp file beside where the full code goes, saying what they answer
  meanwhile.
**/
#ifndef ENGINE_NEIGHBOURS_H_
#define ENGINE_NEIGHBOURS_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>
#include <Protocol/FormBrowser2.h>
#include <Protocol/GraphicsOutput.h>

//
// Boot and driver options.
//
/** The attributes of load option Boot#### (or Driver####); FALSE when the table has no such option. */
BOOLEAN     FindLoadOptionAttributes (IN BOOLEAN DriverOption, IN UINT16 OptionNumber, OUT UINT32 *Attributes);

/**
  The whole cached order with the option at Offset / 2 moved to Value, for writing
  into the cache: Buffer is a new pool buffer, Offset becomes 0, Size its length.
**/
EFI_STATUS  ReorderBootOrderCache (IN UINT16 Value, IN OUT UINT32 *Offset, OUT UINT64 *Size, OUT VOID **Buffer);
EFI_STATUS  ReorderDriverOrderCache (IN UINT16 Value, IN OUT UINT32 *Offset, OUT UINT64 *Size, OUT VOID **Buffer);
EFI_STATUS  ReorderLegacyDevOrderCache (IN UINT16 Value, IN OUT UINT32 *Offset, OUT UINT64 *Size, OUT VOID **Buffer);

//
// Page defaults.
//
/**
  Writes the values of default store DefaultId of every control of Control's page
  into the variable cache.

  @retval EFI_UNSUPPORTED  The page has no HII handle.
**/
EFI_STATUS  ApplyPageDefaults (IN CONTROL_RECORD *Control, IN UINT16 DefaultId);

//
// Dynamic pages: the engine's copies of the live forms packages.
//
/**
  The end of the forms package copy that holds Opcode, so that a walk over a
  question's scope stays inside it; null when no copy the engine holds contains it.
**/
CONST UINT8 *FindFormsPackageEnd (IN CONST UINT8 *Opcode);

//
// Form browser, form callbacks and dynamic pages.
//
EFI_STATUS EFIAPI SendForm (IN CONST EFI_FORM_BROWSER2_PROTOCOL *This, IN EFI_HII_HANDLE *Handles, IN UINTN HandleCount,
                     IN EFI_GUID *FormSetGuid, IN EFI_FORM_ID FormId, IN CONST EFI_SCREEN_DESCRIPTOR *ScreenDimensions,
                     OUT EFI_BROWSER_ACTION_REQUEST *ActionRequest);
EFI_STATUS EFIAPI BrowserCallback (IN CONST EFI_FORM_BROWSER2_PROTOCOL *This, IN OUT UINTN *ResultsDataSize,
                     IN OUT EFI_STRING ResultsData, IN BOOLEAN RetrieveData, IN CONST EFI_GUID *VariableGuid,
                     IN CONST CHAR16 *VariableName);
/** Runs the form callbacks of every loaded form set for one browser action (4 = form close). */
VOID        RunCallbacksForAction (IN UINTN Action);
/** The same for the pages of one package list, or of all when Handle is NULL. */
VOID        RunListCallbacks (IN EFI_HII_HANDLE Handle, IN UINTN Action);
/** FORM_OPEN, then RETRIEVE, for the pages of one package list (all when Handle is NULL). */
VOID        OpenFormCallbacks (IN EFI_HII_HANDLE Handle);
/** Calls the driver's callback of one control for a browser action. */
EFI_STATUS  InvokeControlCallback (IN CONTROL_RECORD *Control, IN UINT16 QuestionId, IN UINTN Reserved, IN UINTN Action);
/** Acts on the action request a driver's callback returned (submit, exit, reset...). */
EFI_STATUS  ProcessActionRequest (IN UINTN ActionRequest);
/** Writes the variables of a page's questions to their stores (the orders are left to the whole save). */
EFI_STATUS  SubmitForm (IN UINT32 Page);
/** Takes the variables of a page's questions back from their stores and runs the page's RETRIEVE callbacks. */
EFI_STATUS  DiscardForm (IN UINT32 Page);
// Set by the discard action requests.
extern UINT8  gDiscardRequested;
VOID        FreeDynamicPageTable (VOID);

//
// Boot launching, the logo decoders and the logo screen.
//
/** Boots option Boot#### (Place: its entry in a boot-order array with Count entries from there, or null). */
EFI_STATUS  LaunchBootOption (IN UINT16 OptionNumber, IN UINT16 *Place OPTIONAL, IN UINTN Count);
/**
  Converts a BMP file image into graphics-output pixels. A null *Blt: a new pool
  buffer; a caller's buffer that is too small: EFI_BUFFER_TOO_SMALL with the size.
**/
EFI_STATUS  ConvertBmpToGopBlt (IN VOID *BmpImage, IN UINT64 BmpImageSize, IN OUT VOID **Blt, IN OUT UINT64 *BltSize,
              OUT UINT64 *PixelHeight, OUT UINT64 *PixelWidth);
/**
  Converts a baseline JPEG file image (4:4:4 or 4:2:0) into graphics-output pixels, with
  the same size protocol; Pitch gets the pixels a row, which is the width.
**/
EFI_STATUS  ConvertJpegToGopBlt (IN VOID *JpegImage, IN UINT64 JpegImageSize, IN OUT VOID **Blt, IN OUT UINT32 *BltSize,
              OUT UINT32 *PixelHeight, OUT UINT32 *PixelWidth, OUT UINT32 *Pitch);
/** Blits pixels (Pitch pixels a row) at the screen position a placement code gives for X and Y. */
EFI_STATUS  BltImageAtPlacement (IN EFI_GRAPHICS_OUTPUT_BLT_PIXEL *Pixels, IN UINT32 Placement, IN UINT64 Width,
              IN UINT64 Height, IN UINT64 X, IN UINT64 Y, IN UINT64 Pitch);

/** Rewrites the engine's string 4 with the firmware version for the sign-on line. */
VOID        UpdateSignOnVersionString (VOID);

//
// The text-mode application object.
//
/** Clears the exit byte of the application object, when one exists. */
VOID        ClearTuiAppExit (VOID);
/** Destroys the application object, when one exists, and clears its global. */
VOID        DestroyTuiApp (VOID);
/** The page the application object shows; FALSE when no application object exists. */
BOOLEAN     GetTuiAppCurrentPage (OUT UINT32 *Page);
/** Whether the text application has been told to end (by the user or a driver's request). */
BOOLEAN     TuiAppLeaving (VOID);
/** Tells a running application that the language changed, so it redraws its texts. */
VOID        MarkTuiAppLanguageChanged (VOID);

#endif
