/** @file
  The power-on screen and the POST flow: the logo and quiet boot, the text POST
  screen, the placement of every image of the POST screen, the progress bar, the
  boot-flow table and the state the boot-screen interface keeps while it runs.
**/
#ifndef ENGINE_POST_SCREEN_H_
#define ENGINE_POST_SCREEN_H_

#include <Uefi.h>
#include <Protocol/ConsoleControl.h>
#include <Protocol/GraphicsOutput.h>
#include <engine/core/EngineGlobals.h>

//
// Where an image of the POST screen goes: the codes the boot-screen interface's
// callers and the boot-flow rows pass.
//
#define PLACEMENT_AT_XY            0
#define PLACEMENT_TOP_CENTRE       1
#define PLACEMENT_TOP_RIGHT        2
#define PLACEMENT_MIDDLE_RIGHT     3
#define PLACEMENT_BOTTOM_RIGHT     4
#define PLACEMENT_BOTTOM_CENTRE    5
#define PLACEMENT_BOTTOM_LEFT      6
#define PLACEMENT_MIDDLE_LEFT      7
#define PLACEMENT_GOLDEN_CENTRE    8

// Console arrival bits (gConsoleArrivalMask).
#define CONSOLE_ARRIVED_GRAPHICS    0x01
#define CONSOLE_ARRIVED_CONTROL     0x02
#define CONSOLE_ARRIVED_TEXT_IN     0x04
#define CONSOLE_ARRIVED_TEXT_OUT    0x08
#define CONSOLE_ARRIVED_POINTER     0x10

// Text cells of the POST screen in pixels.
#define POST_CELL_WIDTH   8
#define POST_CELL_HEIGHT  19

// The prompt under the quiet-boot logo.
#define LOGO_PROMPT_TEXT  u"Please press DEL or F2 to enter UEFI BIOS setting"

static inline UINT64 PostMin (UINT64 A, UINT64 B) { return (A < B) ? A : B; }
static inline UINT64 PostMax (UINT64 A, UINT64 B) { return (A > B) ? A : B; }

typedef struct {
  UINT64   Left;
  UINT64   Top;
  UINT64   Width;
  UINT64   Height;
  UINT32   Border;
  UINT32   Fill;
  UINT32   Background;
  UINT64   StepWidth;
  UINT64   Position;
  UINT8    Drawn;
  UINT8    Active;
} BOOT_PROGRESS_BAR;

typedef struct {
  UINT64  Left;
  UINT64  Top;
  UINT64  Right;      // exclusive
  UINT64  Bottom;     // exclusive
} LOGO_BOX;

//
// State of the POST screen and flow, owned by the post folder.
//
extern CONSOLE_CONTROL_PROTOCOL  *gConsoleControl;
extern UINT32                    gConsoleArrivalMask;
extern UINT8                     gPostMessagesEnabled;
extern UINT8                     gPostMessageAttribute;
extern UINT8                     gBootFlowHoldsSetup;
extern EFI_EVENT                 gPostTimerEvent;
extern BOOT_PROGRESS_BAR         gBootProgressBar;
extern BOOLEAN                   gPostScreenReady;     // InitPostScreen ran
extern UINT8                     gQuietBootOn;         // the logo instead of text
extern UINT64                    gBootScreenEntryCount;  // nesting depth of the boot-screen flow
extern UINT8                     gLogoScaleMode;
extern UINT8                     gLogoDrawing;
extern LOGO_BOX                  gLogoBox;
extern UINT64                    gSavedScreenWidth;
extern UINT64                    gSavedScreenHeight;
extern UINT64                    gLogoSize[2];
// The firmware files of the daily logo variants and of the text POST screen's small logo.
#define DAILY_LOGO_COUNT  5
extern CONST EFI_GUID  gDailyLogoFiles[DAILY_LOGO_COUNT];
extern CONST EFI_GUID  gTextPostLogoFile;
// The page a boot flow asked setup to open first (0 = the first page).
extern UINT32                    gBootFlowStartPage;

//
// Placement and the graphics screen.
//
/** The top-left corner of a Width x Height image placed by code Placement on a ScreenWidth x ScreenHeight screen. */
VOID        ComputePlacement (IN UINT32 Placement, IN UINT64 ScreenWidth, IN UINT64 ScreenHeight, IN UINT64 Width,
              IN UINT64 Height, IN UINT64 X, IN UINT64 Y, OUT INT64 *Left, OUT INT64 *Top);
/** The graphics output of the POST screen, located again (the last handle with a device path wins); null when none. */
EFI_GRAPHICS_OUTPUT_PROTOCOL  *LocateGraphicsOutput (VOID);
EFI_STATUS  GetGopResolution (OUT UINT64 *Width, OUT UINT64 *Height);
/** Sets the mode closest to *Width x *Height (the first of equals) and answers the resolution set. */
EFI_STATUS  SetClosestGopMode (IN OUT UINT64 *Width, IN OUT UINT64 *Height);
/** A pool copy of the whole graphics screen; null when there is no graphics output. */
EFI_GRAPHICS_OUTPUT_BLT_PIXEL  *SaveGopScreen (OUT UINT64 *Width, OUT UINT64 *Height);
/** Puts a saved screen back (in its own resolution) and frees the copy. */
VOID        RestoreGopScreen (IN EFI_GRAPHICS_OUTPUT_BLT_PIXEL *Copy, IN UINT64 Width, IN UINT64 Height);
/**
  Draws a BMP or JPEG image at a placement; with MayChangeMode an image larger than
  the screen switches to the closest mode (unscaled logos) and a logo larger than
  40 % of the screen is scaled into that box (scaled logos).
**/
EFI_STATUS  DrawPostLogoImage (IN VOID *Image, IN UINT64 Size, IN UINT32 Placement, IN UINT64 X, IN UINT64 Y,
              IN BOOLEAN MayChangeMode, OUT UINT64 *Width OPTIONAL, OUT UINT64 *Height OPTIONAL);
/**
  Draws the images of every OEM badging driver over the logo, each where it asks.
  @return The status of the last image drawn; Status when none was.
**/
EFI_STATUS  DrawOemBadges (IN EFI_STATUS Status);
/** Renders Text in 19-pixel cells and blits it at a placement (quiet boot only). */
EFI_STATUS  DrawLogoText (IN CONST CHAR16 *Text, IN UINT64 X, IN UINT64 Y, IN UINT32 Placement, IN UINT32 Foreground,
              IN UINT32 Background);
/** The prompt under the logo and the boot-graphics table of a scaled logo. */
VOID        ShowLogoPrompt (VOID);
/** A 24-bit bottom-up BMP of the logo box as the screen shows it; null when the box is empty. */
UINT8       *CaptureLogoAsBmp (OUT UINTN *Size);
/** The 56-byte boot-graphics table for an image at Address drawn at (X, Y); the caller frees it. */
UINT8       *BuildBgrtTable (IN UINT64 Address, IN UINT32 X, IN UINT32 Y);
EFI_STATUS  PublishBootLogoTable (IN UINT8 *Bmp, IN UINT32 X, IN UINT32 Y);
/** Advances the progress bar one step (never past its end) and draws it. */
EFI_STATUS  DrawProgressBarStep (VOID);
VOID        DrawProgressBar (VOID);

//
// The POST screen.
//
VOID        InitPostScreen (VOID);
/** Switches the screen between text (0) and graphics (1) when the console can. */
VOID        SetConsoleScreenMode (IN UINTN Mode);
/** The sign-on line of the text POST screen, formatted with the firmware version; the caller frees it. */
CHAR16      *FormatSignOnLine (VOID);

//
// The POST flow.
//
EFI_STATUS  RunPostFlow (VOID);
VOID        RunPostScreenHooks (VOID);
VOID        ClearBootFlowAndLeave (VOID);
/** Runs the POST key poll (hook 0xFFFF0008): the key and decision state; EFI_NOT_READY when both are 0. */
EFI_STATUS  PollPostKeys (OUT UINT64 *Key, OUT UINT64 *State);
VOID        ClosePostTimer (VOID);
/**
  The platform's power-on check, when the board has one: it may show what it found and
  ask for setup (RequestSetupEntry, with the boot flow cleared).
**/
VOID        RunPlatformCheck (VOID);

//
// The boot-flow table.
//
EFI_STATUS  RunBootFlowEntry (VOID);
/** The flow in force: "TPMBootFlow" when non-zero, else "BootFlow", else 0. */
UINT32      ReadBootFlow (VOID);
EFI_STATUS  WriteBootFlow (IN UINT32 Flow);
EFI_STATUS  ProcessOsIndications (VOID);

/** Forgets the POST state of an earlier machine (hosts that start the engine again). */
VOID        ResetPostState (VOID);

/** Blits pixels (Pitch pixels a row) at the screen position a placement code gives for X and Y. */
EFI_STATUS  BltImageAtPlacement (IN EFI_GRAPHICS_OUTPUT_BLT_PIXEL *Pixels, IN UINT32 Placement, IN UINT64 Width,
              IN UINT64 Height, IN UINT64 X, IN UINT64 Y, IN UINT64 Pitch);

#endif
