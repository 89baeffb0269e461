// CListBoxXI: the macro page's list of rows with an icon and a text on a dark
// background, whose rows carry a type (the icon's index) and can be renamed in place.
// The page knows three of them by number: 1 the macro list, 2 the event list, 3 the
// lighting-step list.
//
// A rename starts with the character code 1 (OnChar) on the selected row; the editor
// ends it: a commit with changed text puts the new text into the row (same position,
// same type, selected) and sends itemEditDone; a commit of unchanged text and a cancel
// send nothing. Scrolling the list and releasing the right button on it commit.
//
// selChange and dblClk report what the user did with the mouse or the keyboard only:
// a click on a row reports even when the row was already selected; selecting a row from
// code reports nothing. UI thread only.
#pragma once

#include <QIcon>
#include <QListWidget>
#include <QPointer>

#include <vector>

#include "controls/edit_helper.h"

class CListBoxXI;

// The three lists of the macro page while they exist.
extern QPointer<CListBoxXI> g_macroList;
extern QPointer<CListBoxXI> g_eventList;
extern QPointer<CListBoxXI> g_ledSubList;

class CListBoxXI : public QListWidget {
  Q_OBJECT
 public:
  static constexpr int kLbErr = -1;
  static constexpr int kLbErrSpace = -2;

  explicit CListBoxXI(QWidget* parent = nullptr);
  ~CListBoxXI() override;

  // 1, 2 or 3 for the three lists of the page, 0 for any other.
  int ListNumber() const;

  // Row operations. Indices are 0-based; AddItem and InsertItem return the row's index
  // (LB_ERR for an index outside the rows).
  int AddItem(const QString& text, int type);
  int InsertItem(int index, const QString& text, int type);
  void RemoveItem(int index);
  void ResetItems();
  // The type of a row, -1 for none.
  int GetItemType(int index) const;
  QString ItemText(int index) const;
  void SetItemText(int index, const QString& text);
  // The selected row (-1 for none) and its selection from code.
  int SelectedRow() const;
  void SelectRow(int index);

  // Icons by row type (not owned; null for none) and their size.
  void SetImageList(const std::vector<QIcon>* icons, QSize iconSize = QSize(16, 16));
  const std::vector<QIcon>* ImageList() const { return icons_; }
  QSize IconSize() const { return iconSize_; }

  // A typed character (WM_CHAR); code 1 starts the rename of the selected row.
  void OnChar(int code);
  void BeginEdit();
  // Ends a rename: commit or cancel (the end of an edit that is not under way does
  // nothing).
  void EndEdit(bool commit);
  // The editor while a rename is under way, else null.
  CEditHelper* Editor() const { return editor_; }
  int EditedIndex() const { return editedIndex_; }

 signals:
  void itemEditDone(int index, int listNumber);
  void selChange();
  void dblClk();
  void rightButtonUp(QPoint position);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QPointer<CEditHelper> editor_;
  int editedIndex_ = -1;
  int armCode_ = 0;
  const std::vector<QIcon>* icons_ = nullptr;
  QSize iconSize_;
};
