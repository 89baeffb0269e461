// The warning box: the one way the program tells the user of a failure or a refused
// action. A small modal skinned window with one line of text (slot g_warningSlot of
// the LBWarning.ini layout) and two image buttons, placed on the main window or centred
// on the desktop. The core's warning hook ends up here, on the UI thread.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QRegion>

#include <array>
#include <string>

#include "skin/skin_layout.h"
#include "skin/warning_layout.h"

// Where the next box opens: 2 centred on the desktop, 0 at (330, 280) from the main
// window's top-left corner. Start-up sets 2 first and 0 once the mouse is running.
extern int g_warningPosMode;
// Screen position of the next popup, shared with the main window's other popups.
extern int g_popupX;
extern int g_popupY;
// The main window's screen rectangle, refreshed whenever a popup is placed.
extern QRect g_mainRect;
// The button under the cursor: 1 first, 2 second, 255 none, 3 when a box opens.
extern int g_warningHover;
// The hover value of the last repaint (kept from box to box).
extern int g_warningHoverPrev;
// Size of warning_mask.jpg, taken when a box opens: the box's size.
extern int g_warningMaskWidth;
extern int g_warningMaskHeight;

class WarningDlg : public QDialog {
  Q_OBJECT

 public:
  // A box showing `text` in the text slot; rectangles and the other strings come from
  // the warning layout (g_warningRects, g_warningCaptions).
  explicit WarningDlg(const std::string& text, QWidget* parent = nullptr);

  const std::array<SkinRect, kWarningEntries>& Rects() const { return rects_; }
  const std::array<std::string, kWarningEntries>& Strings() const { return strings_; }
  // The slot whose string is drawn (g_warningSlot when the box was made).
  int TextSlot() const { return slot_; }
  const QRegion& Shape() const { return shape_; }

  // Enter does nothing; Esc (and a close by the window manager) ends the box with 2.
  void accept() override {}
  void reject() override { done(2); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  std::array<SkinRect, kWarningEntries> rects_;
  std::array<std::string, kWarningEntries> strings_;
  int slot_ = 2;
  QRegion shape_;
};

// The window the box is placed on in mode 0 (the main window); also the owner of plain
// message boxes and, unless a title hook is set, the window whose title follows the
// language. May be null.
void SetWarningOwner(QWidget* owner);
QWidget* WarningOwner();

// Top-left corner of a box: mode 0 from the main window's rectangle, mode 2 from the
// desktop's; any other mode keeps `previous`.
QPoint WarningBoxPosition(int mode, const QRect& mainRect, const QRect& desktop, QPoint previous);

// Places and runs one box with g_warningText; returns 1 (first button) or 2 (second
// button, Esc). UI thread only.
int ShowWarningBox();
// The same with an explicit text.
int ShowWarningBox(const std::string& text);

// Makes the warning box the handler of the core's warnings. A warning raised on the UI
// thread opens its box at once (or after the box that is open, if any); one raised on
// another thread is queued to the UI thread and the raising thread goes on at once. A
// warning whose text is open or waiting already is not shown again.
void InstallWarningBoxHandler();
// Forgets the warnings waiting for the open box to close (the program is ending).
void DiscardPendingWarnings();
