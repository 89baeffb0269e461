// The macro page (page 2 of the main window): the macro list (groups and their macros),
// the event list of the selected macro, the lighting-step list and the play-count edit,
// created when the page is shown and destroyed when it is left. The page wires these
// widgets and the popup menus' messages to the library commands
// (profile/macro_group_commands.h) and the event editing (profile/macro_editing.h);
// every edit is written into the current group's file at once. UI thread only.
#pragma once

#include <QPointer>

#include <cstdint>
#include <functional>
#include <string>

#include "popups/menu_rules.h"

class CEditEx;

// ---- Editing state -------------------------------------------------------------------

extern QPointer<CEditEx> g_playCountEdit;
// The macro that the event-list menus, the key capture and the parameter edits act on.
extern int g_editGroupMacro;
// The row under a menu opened on the event list, and its event (row / 2).
extern int g_eventMenuRow;
extern int g_editEventIndex;
// The selected row of the lighting-step list (the block it shows is g_ledSubListBlock
// of popups/menu_rules.h, which the lighting-step menus write).
extern int g_ledSubListRow;
// 1 while an insert-menu item is carried out (the play-count edit is left alone).
extern int g_editorInsertBusy;

// ---- The page's life -----------------------------------------------------------------

// Start-up step 20: makes the page's entry points the main window's (MainPopupHooks,
// the macro library's MacroPageHooks, the page's messages). The controls themselves
// are made when the page is shown.
void InstallMacroPage();
void CreateMacroPageControls();
void DestroyMacroPageControls();
// The page shown (its controls made and their right clicks connected), and left.
void OpenMacroPage();
void CloseMacroPage();
// The popups' messages that the page answers (the main window hands it those that are
// not its own): menu commands, the captured key, the lighting steps, the in-place edits.
void HandleMacroPageMessage(unsigned message, std::intptr_t wParam, std::intptr_t lParam);

// The two moments of a press on the page: before anything else (in-place edits end, an
// empty play count becomes "1", the play-count edit is disabled), and before the entry
// is examined (the selected row and macro are taken; the edit is enabled for a macro in
// play-count mode).
void MacroPressStep();
void BeforeMacroEntry();

// ---- What the recording and the key capture build on ------------------------------------

// The selected row of the macro list (-1 for none), and the group and macro it shows:
// false for no row or a group row.
int SelectedMacroListRow();
bool SelectedMacro(int& group, int& macro);
// Writes macro `macro` of the loaded group into the group's file.
void SaveLoadedMacro(int macro);
// Writes the selected macro (when a macro row is selected) into its group's file.
void SaveSelectedMacro();
// Rebuilds the event list from macro m of the loaded group; RefreshCurrentMacro does it
// for g_editMacro.
void RefreshMacroEventList(int m);
void RefreshCurrentMacro();
// Adds the rows of event i of macro m of the loaded group to the event list (the
// previous event's delay row first, the event's own delay row when it is the last) and
// selects the last row while recording, else g_eventMenuRow.
void AddMacroEventRows(int m, int i);
// Puts a text into the play-count edit and enables or disables it.
void ShowPlayCount(const std::string& text, bool enabled);
// Shows the rows of the macro list (g_macroListRows) and selects g_macroListRow.
void ShowMacroListRows();

// ---- Handlers --------------------------------------------------------------------------

void OnMacroListSelChange();
void OnMacroListDblClk();
void OnEventListSelChange();
void OnLedSubListSelChange();
void OnLedSubListDblClk();
void OnPlayCountChange();
// WM_ITEM_EDIT_DONE: the end of a rename on list 1, 2 or 3.
void OnInplaceEditDone(int item, int list);
// WM_KEYCAPTURE_DONE.
void OnKeyCaptureDone();
// WM_LED_STEPS_RELOAD. Returns 0.
int OnLedSubListReload();
// WM_POPUP_MENU_COMMAND: menu type 11 to 14 and its item.
void OnPopupMenuCommand(int type, int item);

// Macro-page entries 6, 7, 8: the play mode of the selected macro.
void SetMacroPlayMode(int entry);
// Macro-page entry 5: the insert menu for the selected event.
void OpenInsertMenu();
// The event-list menu's items: change the selected event (in place, or with the key
// capture dialog) and delete it.
void OnModifyMacroEvent();
void OnDeleteMacroEvent();
// An item of the insert menu (145, 146, 147, 241 to 258).
void InsertFromMenuItem(int item);
