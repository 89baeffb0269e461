#include "mainwnd/language_change.h"

#include <QString>
#include <QWidget>

#include "keys/language.h"
#include "mainwnd/main_dialog.h"
#include "mainwnd/main_skins.h"
#include "platform/ini_file.h"
#include "profile/core_hooks.h"
#include "profile/macro_files.h"
#include "profile/macro_library.h"
#include "profile/paths.h"
#include "profile/save_failures.h"
#include "profile/settings.h"
#include "skin/language_texts.h"
#include "skin/warning_dlg.h"

namespace {

// The main window's title; before there is one, the title of the window the warnings
// sit on.
void SetMainWindowTitle() {
  const std::string title = MainWindowTitle();
  if (g_mainDlg) {
    g_mainDlg->SetTitle(title);
  } else if (QWidget* owner = WarningOwner()) {
    owner->setWindowTitle(QString::fromStdString(title));
  }
}

}  // namespace

void SelectLanguage(int index) {
  // The macro being edited goes into its group file before the folder changes; with no
  // group there is no file to write.
  if (g_groupCount.load() > 0) {
    const std::string groupFile = GroupFilePath(g_curGroup.load());
    if (!groupFile.empty()) SaveMacroEntry(groupFile, g_editMacro.load());
  }
  g_language.store(index);
  ApplyLanguage();
}

void ApplyLanguage() {
  ReportUnlessSaved(ini::WriteInt(g_configIniPath, "Init", "VER_SEL", g_language.load()), g_configIniPath);
  LoadLanguageTexts();
  CopyLanguageTexts();
  LoadAllSkinLayouts();
  SetLanguagePaths();
  ReloadMacroLibrary();

  if (g_macroListExists.load()) {
    const MacroPageHooks& page = MacroPage();
    if (page.clearEventList) page.clearEventList();
    g_macroListRow.store(0);
    FillMacroLists();
    RequestMainRepaint(RepaintArea::Whole);
    if (page.clearLedSubList) page.clearLedSubList();
  }

  SetMainWindowTitle();
  LoadGunPresets();
}
