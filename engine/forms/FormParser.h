/** @file
  The IFR form parser: turns one live forms package into page, control and
  variable records of the compiled layouts, appended to the work tables
  (FormTables.h), so that every later reader sees one uniform set of pages.
**/
#ifndef ENGINE_FORM_PARSER_H_
#define ENGINE_FORM_PARSER_H_

#include <Uefi.h>
#include <engine/forms/FormTables.h>
#include <engine/core/SetupDataFormat.h>

// A question whose varstore id the form set never declared has no variable.
#define VARIABLE_INDEX_NONE  0xFFFFFFFFu

//
// The page the graphical front end lists the dynamic form-set links under; the
// parser hangs every dynamic top-level page below it.
//
extern UINT16    gDynamicPageAnchor;

//
// SendForm's state: while it runs, the top-level pages it was asked for (its form-set
// GUID, or with none the driver-health and user-credential form sets) are entry pages.
//
extern BOOLEAN   gSendFormRunning;
extern EFI_GUID  *gSendFormGuid;

//
// The form-set GUID of every compiled page; a top-level parsed page of another form
// set takes its form set's title.
//
extern EFI_GUID  *gCompiledPageFormSetGuids;
extern UINTN     gCompiledPageFormSetGuidCount;

/**
  Parses the form set of a dynamic-page slot into the work tables.

  @retval EFI_SUCCESS            Pages, controls and variables were appended; the
                                 slot is marked parsed.
  @retval EFI_UNSUPPORTED        The package is not a forms package.
  @retval EFI_ABORTED            The form set's first class GUID is neither platform
                                 setup nor driver health (nothing appended), or it is
                                 the driver-health form set (its pages kept).
  @retval EFI_INVALID_PARAMETER  No package, or a FORM_MAP shorter than 22 bytes.
  @retval EFI_VOLUME_CORRUPTED   An opcode is shorter than its header, runs past the
                                 package or past its scope, or a scope is left open.
  @retval EFI_OUT_OF_RESOURCES   An allocation failed.
  On every failure but the driver-health one the work tables are left as they were.
**/
EFI_STATUS
ParseFormSetForms (
  IN OUT DYNAMIC_PAGE_RECORD  *Job
  );

#endif
