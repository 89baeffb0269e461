// The commands of the macro page's group and macro menus: new, delete, rename, reset,
// import and export of macro groups and single macros, the three macro file actions
// of the main window and the export of config.ini.
//
// Each command takes what the user chose on screen as parameters: the selected row of
// the macro list, and a FileChooser that the command calls at the moment it needs a
// file name (after its own checks, so a refused command opens no dialog). The chooser
// answers with the chosen path or nullopt for "cancelled". The list control, the
// event list and the play-count edit are reached through the MacroPageHooks of
// profile/macro_library.h. Everything runs on the UI thread.
//
// Exports write to the path the user chose in the save dialog (a relative answer is
// taken inside the dialog's start folder), with the command's extension added when it
// lacks it; an answer that names no file gives TipText entry 6. Names that come from
// files (group names, an imported file's name) never lead outside the macro folder.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// Menu command ids of the macro list's menus.
constexpr int kCmdNewMacroGroup = 32852;
constexpr int kCmdNewMacro = 32853;
constexpr int kCmdDeleteMacroGroup = 32854;
constexpr int kCmdResetMacroGroups = 32855;
constexpr int kCmdRenameMacroGroup = 32856;
constexpr int kCmdImportMacroGroup = 32857;
constexpr int kCmdExportMacroGroup = 32858;
constexpr int kCmdRenameMacro = 32859;
constexpr int kCmdDeleteMacro = 32860;

// The main window's message with the three macro file actions (wParam 1, 2, 3).
constexpr unsigned kWmMacroFileCommand = 0x7EB;

// What a command asks the file dialog to show.
struct FileDialogRequest {
  bool save = false;              // a save dialog (else an open dialog)
  std::string filter;             // e.g. "All Files(*.dat)|*.dat||"
  std::string defaultExtension;   // added by a save dialog to a name without one
  std::string startFolder;
  bool confirmOverwrite = false;  // ask before replacing an existing file
};
using FileChooser = std::function<std::optional<std::string>(const FileDialogRequest&)>;

// A new group named by UniqueName_DevMac entry 36 (made unique), with an empty file.
// With 12 groups: TipText entry 30.
void OnNewMacroGroup();
// A new macro named by UniqueName_DevMac entry 37 (made unique) at the end of the group
// of the selected row. With 12 macros: TipText entry 21.
void OnNewMacro(int selectedRow);
// Deletes the group of the selected row with its file; group 0 becomes current.
void OnDeleteMacroGroup(int selectedRow);
// Replaces the library by the factory library of g_macroResetDir. Without a factory
// list file: TipText entry 5 and the library stays as it is.
void OnResetMacroGroups();
// Open the macro list's in-place editor; the result comes back through
// CommitMacroListRename.
void OnRenameMacroGroup();
void OnRenameMacro();
// Adds a group file chosen by the user as the last group. 12 groups: TipText 21; the
// program's own preset files: nothing; an unusable name: TipText 6; a name already
// present: TipText 23; a file that is no group file (profile/macro_import_check.h):
// TipText 6 naming the file and why, nothing copied. A refused import leaves the
// loaded records as they were.
void OnImportMacroGroup(const FileChooser& choose);
// Writes the current group into a group file chosen by the user. No group: TipText 6;
// the file of another group: TipText 23.
void OnExportMacroGroup(const FileChooser& choose);
// Deletes the macro of the selected row (g_macroListRow). Nothing while recording or
// with an empty list; a group row or no row: TipText 24.
void OnDeleteMacro();
// Writes the selected macro (g_editMacro) into a single-macro file chosen by the user.
void OnExportMacro(const FileChooser& choose);
// Adds the macro of a single-macro file chosen by the user at the end of the group of
// the selected row. With 12 macros: TipText 21; a file that is no single-macro file:
// TipText 6 naming the file and why.
void OnImportMacro(int selectedRow, const FileChooser& choose);

// The macro file actions: 1 ImportMacroFile, 2 ExportMacroFile, 3 RestoreDefaultMacros.
// Other values do nothing. Returns 0.
int OnMacroFileCommand(int action, const FileChooser& choose);
// As OnImportMacroGroup, but 12 groups give TipText 20, no popup is closed, preset
// files are not refused and the library is reloaded from its list file.
void ImportMacroFile(const FileChooser& choose);
void ExportMacroFile(const FileChooser& choose);
// Replaces the library by the factory one, loads group 0 and the gun presets.
void RestoreDefaultMacros();

// Copies config.ini to a file chosen by the user; the main
// window is repainted, or TipText 6 shown when the copy failed.
void ExportConfig(const FileChooser& choose);

// The end of an in-place rename on the macro list: `row` is the edited row (-1 for
// none: TipText 24), `text` what the user typed. Renames the group (its file moves) or
// the macro (its group file is written) to a unique name and returns the text the row
// must show: the name given, or the old name when the text was empty or refused.
std::string CommitMacroListRename(int row, std::string_view text);
