/** @file
  The front end's menu tree: beside the engine's text-mode pages, the front end keeps
  one menu entry per page it can show, under one top menu item, each with the layout
  items of the page's controls. The engine tells it when pages come, change or go.
**/
#ifndef FRONTEND_MENU_TREE_H_
#define FRONTEND_MENU_TREE_H_

#include <Uefi.h>
#include <engine/core/SetupDataFormat.h>

#define LAYOUT_ID_PAGE_ITEM   0          // the layout item of one control of a page
#define LAYOUT_ID_SETUP_MENU  30747      // the top menu item
#define LAYOUT_ID_MENU_ENTRY  30748      // a page's entry below it

// An entry whose form set went away: it stays in the tree until the tree is freed.
#define LAYOUT_ITEM_QUEUED_FOR_DELETION  0x01

// What a node stands for: the page of an entry, the control of a page item.
typedef struct {
  UINT16          PageNumber;
  UINT16          FormId;
  EFI_HII_HANDLE  HiiHandle;
  UINT16          TitleStringId;     // an entry's page title, an item's prompt
  UINT16          ControlType;       // items only
  UINT16          QuestionId;        // items only
  UINT16          TargetPage;        // a link item's page, else CONTROL_NO_REF_TARGET
  UINT32          ControlIndex;      // items only: the control's place on its page
} LAYOUT_DESCRIPTOR;

typedef struct _LAYOUT_ITEM  LAYOUT_ITEM;

struct _LAYOUT_ITEM {
  UINT32             Id;             // LAYOUT_ID_*
  UINT32             Flags;          // LAYOUT_ITEM_*
  LAYOUT_ITEM        *Parent;
  LAYOUT_ITEM        *FirstChild;
  LAYOUT_ITEM        *LastChild;
  LAYOUT_ITEM        *Next;
  UINT32             ChildCount;
  LAYOUT_DESCRIPTOR  Descriptor;
};

/**
  Builds the tree from the engine's page list: one entry for every page with an HII
  handle, with the page's controls as its items. Notes the page that lists the form-set
  links as the anchor of form sets added later. An earlier tree is freed first.

  @retval EFI_OUT_OF_RESOURCES  Not every entry could be made; those made stay.
**/
EFI_STATUS    BuildSetupMenuTree (VOID);

/** Frees the tree, queued entries included. */
VOID          FreeSetupMenuTree (VOID);

/** The top menu item; null while there is no tree. */
LAYOUT_ITEM   *GetSetupMenu (VOID);

/** The entry of a page that is not queued for deletion; null when none. */
LAYOUT_ITEM   *FindMenuEntryForPage (IN UINT16 Page);

/** The entries queued for deletion, in the order they were queued. */
UINTN         GetQueuedMenuEntryCount (VOID);
LAYOUT_ITEM   *GetQueuedMenuEntry (IN UINTN Index);

#endif
