/** @file
  The vendor GUIDs of the two settings variables the engine reads by name: the
  board's "Setup" and the engine's own settings variable.
**/
#ifndef ENGINE_CORE_VARIABLE_GUIDS_H_
#define ENGINE_CORE_VARIABLE_GUIDS_H_

#define BOARD_SETUP_VARIABLE_GUID \
  { 0xEC87D643, 0xEBA4, 0x4BB5, { 0xA1, 0xE5, 0x3F, 0x3E, 0x36, 0xB2, 0x0D, 0xA9 } }

#define ENGINE_SETTINGS_VARIABLE_GUID \
  { 0xC811FA38, 0x42C8, 0x4579, { 0xA9, 0xBB, 0x60, 0xE9, 0x4E, 0xDD, 0xFB, 0x34 } }

#endif
