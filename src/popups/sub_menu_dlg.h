// The cascading levels of the popup menu. CSubMenuDlg is the second level, opened
// beside a hovered row of the button-function menu (the function sub-lists from rows
// 7, 8 and 11, the macro groups from row 9) or of the macro page's insert menu (the
// insert lists 141 to 144). MacSelMenuDlg is the third level: beside a hovered group it
// lists that group's macros.
//
// A choice writes a button's function (with the left-button rule) or sends an insert
// command to the opener of the chain, and closes the whole chain. UI thread only.
#pragma once

#include <QPointer>

#include "popups/menu_dlg.h"

class MacSelMenuDlg;

class CSubMenuDlg : public SkinnedPopup {
  Q_OBJECT

 public:
  // A submenu of `subKind` with the menu it cascades from as parent; fromRow is the
  // row of the button-function menu that opened a function sub-list (7, 8 or 11).
  CSubMenuDlg(QWidget* parentMenu, int subKind, int fromRow, PopupMessageSink sink = {});

  int SubKind() const { return subKind_; }
  int FromRow() const { return fromRow_; }
  int Rows() const { return rows_; }
  int RowHeight() const { return rowHeight_; }
  // The hovered row 1..rows, or 255.
  int HoverRow() const;
  // The macro list open beside the hovered group, or null.
  MacSelMenuDlg* MacroSelection() const { return macSel_; }

  static std::string RowText(int subKind, int fromRow, int row);

 protected:
  void PaintCaptions(QPainter& painter) override;
  void OnHoverChanged(int previous, int hit) override;
  void OnClick(int hit) override;

 private:
  int subKind_;
  int fromRow_;
  int rows_ = 0;
  int rowHeight_ = 0;
  PopupMessageSink sink_;
  QPointer<MacSelMenuDlg> macSel_;
};

class MacSelMenuDlg : public SkinnedPopup {
  Q_OBJECT

 public:
  // The macros of `group` (0-based), with the group submenu as parent.
  MacSelMenuDlg(QWidget* parentMenu, int group, PopupMessageSink sink = {});

  int Group() const { return group_; }
  int Rows() const { return rows_; }
  int HoverRow() const;

 protected:
  void OnClick(int hit) override;

 private:
  int group_;
  int rows_ = 0;
  PopupMessageSink sink_;
};

// Creates, places and shows a submenu (the insert lists of the macro page's insert
// menu, the button-function menu's lists).
CSubMenuDlg* OpenSubMenu(int subKind, QWidget* parentMenu, QPoint screenTopLeft, int fromRow = 0,
                         PopupMessageSink sink = {});

// Ends a chain of menus after a choice: the main window is asked to drop its menu
// (g_closePopupRequest) and repainted, and every level of the chain closes.
void CloseMenuChain(SkinnedPopup* level);
