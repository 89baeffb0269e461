#include "popups/popup_hooks.h"

#include "mainwnd/main_dialog.h"
#include "mainwnd/main_input.h"
#include "mainwnd/tray_icon.h"
#include "popups/gun_dlg.h"
#include "popups/menu_dlg.h"

void InstallPopupMenuHooks() {
  MainPopupHooks& hooks = MainPopups();
  hooks.openMenu = [](int kind, const QRect& geometry, const std::vector<int>* items) -> QWidget* {
    return OpenPopupMenu(kind, g_mainDlg, geometry.topLeft(), items);
  };
  hooks.buttonMenuHeight = [] { return CMenuDlg::GeometryFor(MenuKindButtonFunction).height; };
  hooks.runGunDialog = [] { RunGunDialog(g_mainDlg); };
  hooks.forward = [previous = hooks.forward](unsigned message, std::intptr_t wParam, std::intptr_t lParam) {
    if (message == kWmGunMacroSelected) {
      if (auto* gun = qobject_cast<CDialogGun*>(g_gunDialog.data())) gun->OnGunMacroSelected(wParam);
      return;
    }
    if (previous) previous(message, wParam, lParam);
  };
}
