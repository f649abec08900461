/** @file
  The boot-flow codes: what the "BootFlow" variable, or a non-zero "TPMBootFlow",
  asks of this boot instead of, or before, the normal boot. Each code has one name,
  here. The POST flow runs them through its table (engine/post/BootFlowTable.cpp);
  they sit in the boot manager, below it, because the boot manager reads "BootFlow"
  and gBootFlowRequest too.
**/
#ifndef ENGINE_BOOT_BOOT_FLOW_CODES_H_
#define ENGINE_BOOT_BOOT_FLOW_CODES_H_

// Vendor GUIDs of "BootFlow" (boot-service access, 4 bytes) and of "TPMBootFlow".
#define BOOT_FLOW_VARIABLE_GUID \
  { 0xEF152FB4, 0x7B2F, 0x427D, { 0xBD, 0xB4, 0x7E, 0x0A, 0x05, 0x82, 0x6E, 0x64 } }
#define TPM_BOOT_FLOW_VARIABLE_GUID \
  { 0xB6460A49, 0x0AC1, 0x484F, { 0xAE, 0x58, 0xF1, 0x6E, 0xB2, 0x39, 0xDB, 0x3D } }

// No flow: the normal boot, after the hotkey wait.
#define BOOT_FLOW_NONE               0x0000
// Setup held open at the page of form set class 0xF00C: its row is not valid, so the
// POST flow stays in setup; the default boot when the boot loop runs out.
#define BOOT_FLOW_SETUP_HELD         0x0001
// Setup at form 1 of the form set of class 64, or of class 121, with the default boot.
#define BOOT_FLOW_CLASS_64_PAGE      0x0002
#define BOOT_FLOW_CLASS_121_PAGE     0x0009
// The operating system asked for the firmware's setup (OsIndications): setup at its
// main page, with the default boot.
#define BOOT_FLOW_OS_SETUP           0x0004
// Nothing to boot: the setup request is dropped and the boot loop says so.
#define BOOT_FLOW_NOTHING_TO_BOOT    0x0005
// F8: the boot pop-up.
#define BOOT_FLOW_BOOT_MENU          0x0006
// The firmware's own boot manager boots: the option tables hold only the first option
// of "BootOrder", no legacy priorities are set, and the POST flow leaves at the launch.
#define BOOT_FLOW_FIRMWARE_BOOTS     0x0007
// A "Key####" hotkey: its option boots (gHotkeyBootOption).
#define BOOT_FLOW_HOTKEY_BOOT        0x000A
// The board's boot-time image is drawn.
#define BOOT_FLOW_BOARD_IMAGE        0x000B
// A board key handler claimed a key; its row runs the callback the handler chose.
#define BOOT_FLOW_BOARD_KEY          0x1005
// The update tool ("EnterYxUpdate"): setup at its main page.
#define BOOT_FLOW_UPDATE_TOOL        0xA001
// Setup at its main page, as the update tool's code opens it.
#define BOOT_FLOW_SETUP_MAIN_PAGE    0xA002
// Ends the boot-flow table; no boot asks for it.
#define BOOT_FLOW_TABLE_END          0xFFFFFFFF

#endif
