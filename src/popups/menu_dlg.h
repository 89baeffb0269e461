// CMenuDlg: the skinned drop-down menu of the program. One class shows the twelve kinds
// of list (MenuKind, popups/menu_rules.h): profiles, a button's function, the lighting
// effect, a key's light reaction, the mode and colour of a macro's lighting step, the
// gun presets, the languages and the four context menus of the macro page.
//
// A click on a row writes the choice into the settings tables and tells the owner by a
// private message, or only sends the owner a command; then the menu closes. Rows 7, 8,
// 9 and 11 of the button-function menu and rows 1 to 4 of the insert menu open a
// submenu (CSubMenuDlg) beside them while they are hovered.
//
// Open one with OpenPopupMenu, handing it where its messages go. UI thread only.
#pragma once

#include <QPointer>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "popups/menu_rules.h"
#include "popups/popup_messages.h"
#include "popups/skinned_popup.h"

class CSubMenuDlg;

class CMenuDlg : public SkinnedPopup {
  Q_OBJECT

 public:
  // A menu of `kind` (also stored in g_menuKind) owned by `owner`, its messages to
  // `sink`; `items` are the language indices of the language menu (null: none),
  // `reactionButton` the button of the key-reaction menu. Sized from the kind's mask.
  CMenuDlg(QWidget* owner, int kind, const std::vector<int>* items = nullptr, PopupMessageSink sink = {},
           int reactionButton = -1);

  int Kind() const { return kind_; }
  int GetMenuHeight() const { return geometry_.height; }
  const MenuGeometry& Geometry() const { return geometry_; }
  const std::vector<int>& Items() const { return items_; }
  // The hovered row 1..14, or 255.
  int HoverRow() const;
  // The submenu open beside the hovered row, or null.
  CSubMenuDlg* SubMenu() const;

  // The geometry a menu of `kind` will have (its mask read now).
  static MenuGeometry GeometryFor(int kind, int itemCount = 0);
  // Reloads the macro counts and names of every group (each menu does on opening).
  static void LoadMacroNames();
  // The text of row r (1-based) of a kind, as painted.
  static std::string RowText(int kind, int row);

 protected:
  void PaintHover(QPainter& painter) override;
  void PaintExtra(QPainter& painter) override;
  void PaintCaptions(QPainter& painter) override;
  void OnHoverChanged(int previous, int hit) override;
  void OnClick(int hit) override;

 private:
  std::intptr_t Send(unsigned message, std::intptr_t wParam, std::intptr_t lParam);
  void Post(unsigned message, std::intptr_t wParam, std::intptr_t lParam);
  void InvalidateOwner();
  void CloseSubMenu();

  int kind_;
  MenuGeometry geometry_;
  std::vector<int> items_;
  PopupMessageSink sink_;
  int reactionButton_ = -1;  // key-reaction menu: the button it was opened for
  QPointer<SkinnedPopup> subMenu_;
};

// Creates, places (top-left at screenTopLeft) and shows a menu. Returns it; it deletes
// itself when it closes.
CMenuDlg* OpenPopupMenu(int kind, QWidget* owner, QPoint screenTopLeft, const std::vector<int>* items = nullptr,
                        PopupMessageSink sink = {}, int reactionButton = -1);
