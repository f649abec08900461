/** @file
  The boot-screen interface's pop-ups in text mode.
**/
#include <engine/textui/BootScreenDialogs.h>
#include <engine/textui/MessageBox.h>
#include <engine/textui/TextScreen.h>
#include <engine/core/ConfigString.h>
#include <engine/core/EngineGlobals.h>
#include <engine/core/EngineUtilities.h>
#include <engine/core/SetupEngine.h>

#define NO_STRING  0xFFFF

// The row ShowTextMessageBox fills before each use: its ids stay for the next one.
static MSGBOX_DEF  mMessageBoxRow = { 0, 0, 0, ENGINE_OWN_HII_HANDLE, 0, 0 };

UINT16
SetStringAllLanguagesNew (
  IN EFI_HII_HANDLE  HiiHandle,
  IN UINT16          StringId,
  IN CONST CHAR16    *Text
  )
{
  if (StringId == 0) {
    return HiiAddStringAllLanguages (HiiHandle, Text);
  }

  // Before the language list is built the strings still need a language to live in.
  if ((gLanguageList == NULL) || (gLanguageCount == 0)) {
    return NewStringInLanguage (HiiHandle, StringId, u"en-US", Text);
  }

  return EFI_ERROR (SetStringAllLanguages (HiiHandle, StringId, Text)) ? (UINT16)NO_STRING : StringId;
}

EFI_STATUS
ShowTextMessageBox (
  IN  CONST CHAR16  *Title,
  IN  CONST CHAR16  *Message,
  IN  UINT8         BoxType,
  OUT UINT8         *Selection
  )
{
  UINT16  TitleId;
  UINT16  MessageId;
  UINT8   Answer;

  if ((Title == NULL) || (Message == NULL) || (Selection == NULL)) {
    return EFI_INVALID_PARAMETER;
  }

  TitleId   = SetStringAllLanguagesNew (gHiiHandle, mMessageBoxRow.TitleId, Title);
  MessageId = SetStringAllLanguagesNew (gHiiHandle, (UINT16)mMessageBoxRow.MessageId, Message);
  if ((TitleId == NO_STRING) || (MessageId == NO_STRING)) {
    return EFI_OUT_OF_RESOURCES;
  }

  mMessageBoxRow.TitleId   = TitleId;
  mMessageBoxRow.MessageId = MessageId;
  // RunPopupBox makes the input object it needs when no application keeps one.
  Answer = RunPopupBox (&mMessageBoxRow, BoxType);
  if (Answer == MSGBOX_NO_ANSWER) {
    return EFI_OUT_OF_RESOURCES;
  }

  *Selection = Answer;
  return EFI_SUCCESS;
}
