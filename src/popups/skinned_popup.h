// SkinnedPopup: the one base of every skinned popup of the program (the popup menus and
// their submenus, the capture dialogs, the gun dialog, the sound window).
//
// A skinned popup is a frameless window drawn from skin images under g_skinsDir:
//   - its shape and size from a "_mask" image (SetShapeFromMask), or a plain rectangle
//     (SetShapeRect, the menus);
//   - its controls as a table of rectangles with captions: read from a per-language
//     layout file through the popups' layout reader (LoadLayout), or set by the subclass
//     (SetRects, the rows of a menu);
//   - its look from "_normal" (background), "_over" (hovered control) and "_down"
//     (hovered control while the left button is held), decoded through the shared skin
//     image cache (SetImages);
//   - captions in white, UI font size 2, centred in their rectangles.
//
// The base tracks hover and pressed state, hit-tests (255 for no control) and repaints
// when the hovered control changes. Subclasses add to it by overriding:
//   PaintHover / PaintExtra / PaintCaptions   what is drawn over the background;
//   OnHoverChanged                            a new control under the pointer;
//   OnPress / OnClick                         left press and release on a control (or 255).
//
// Two window styles: Menu is a Qt::Popup window (closes on a click outside, placed
// relative to its owner, so it also works where windows cannot place themselves, as
// under Wayland); Dialog is a Qt::Tool window, run modally with exec() or shown. A
// dialog run with exec() holds its owner's window only: the tray icon and the rest of
// the desktop still take clicks.
//
//   class MyDialog : public SkinnedPopup {
//    public:
//     explicit MyDialog(QWidget* owner) : SkinnedPopup(owner, PopupStyle::Dialog) {
//       SetShapeFromMask("my_mask.jpg");
//       SetImages("my_normal.jpg", "my_over.jpg", "my_down.jpg");
//       LoadLayout("skin_my.ini", 4);
//     }
//    protected:
//     void OnClick(int hit) override { if (hit == 0) ClosePopup(); }
//   };
//   MyDialog dialog(mainWindow); dialog.CenterOnOwner(); dialog.exec();
//
// UI thread only.
#pragma once

#include <QDialog>
#include <QImage>
#include <QRect>
#include <QRegion>

#include <set>
#include <string>
#include <vector>

#include "skin/skin_image.h"
#include "skin/skin_layout.h"

class QPainter;

enum class PopupStyle {
  Menu,    // Qt::Popup: menus and submenus
  Dialog,  // Qt::Tool: the skinned dialogs
};

class SkinnedPopup : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kNoHit = kNoSkinHit;  // 255

  SkinnedPopup(QWidget* owner, PopupStyle style);
  ~SkinnedPopup() override;

  // ---- Shape and size -------------------------------------------------------------------
  // Cuts the window's shape out of g_skinsDir + "/" + maskName (the mask rule of the
  // main window) and takes the mask's size as the popup's size. Returns false when the
  // image is missing (the popup keeps its size and gets no shape).
  bool SetShapeFromMask(const std::string& maskName);
  // A rectangular shape (0, 0, width, height), which is also the popup's size.
  void SetShapeRect(int width, int height);
  // The size of the mask image last read by SetShapeFromMask (0 x 0 when missing).
  QSize MaskSize() const { return maskSize_; }
  const QRegion& Shape() const { return shape_; }
  // What is drawn and hit: the shape's size.
  QSize PopupSize() const { return popupSize_; }

  // ---- Controls ---------------------------------------------------------------------------
  // Reads BUTTONPOS entries 0 .. count - 1 of the language's layout file `fileName`
  // (PopupLayoutPath). A missing file shows the popups' message and gives false: the
  // caller ends the popup.
  bool LoadLayout(const std::string& fileName, int count);
  void SetRects(std::vector<SkinRect> rects, std::vector<std::string> captions = {});
  // Rows of a list: `count` rectangles of the full width, rowHeight high, one below the
  // other from the top.
  void SetRows(int count, int width, int rowHeight, std::vector<std::string> captions);
  const std::vector<SkinRect>& Rects() const { return rects_; }
  const std::vector<std::string>& Captions() const { return captions_; }
  void SetCaption(int index, std::string caption);
  // Index of the first rectangle holding the point (popup coordinates), or 255.
  virtual int HitTest(QPoint point) const;

  // ---- Images ---------------------------------------------------------------------------
  // Names under g_skinsDir of the background, hover and pressed images; an empty or
  // missing one draws nothing.
  void SetImages(std::string normal, std::string over, std::string down);
  // The image of a name through the shared cache (null when missing).
  static QImage SkinImage(const std::string& name);
  // The size in the header of a skin image, 0 x 0 when missing: for a popup sized from
  // an image it never draws, which then is not decoded at all.
  static QSize SkinImageSize(const std::string& name);
  // An image the popup draws besides its three looks, through the shared cache; it
  // leaves the cache with them when the popup hides.
  QImage DrawnImage(const std::string& name);
  // Only the controls' rectangles of an image (for "_over"/"_down" looks, which are
  // only ever copied by control). What is drawn of the popup's skin images leaves the
  // cache when the popup hides.
  SkinSource ControlsImage(const std::string& name) const;

  // ---- State ----------------------------------------------------------------------------
  int Hover() const { return hover_; }
  bool Pressed() const { return pressed_; }
  // Sets the hovered control as a move would (OnHoverChanged and a repaint on a change).
  void SetHover(int hit);

  // ---- Mouse, as plain calls at popup points (the event handlers use them; tests too) --
  void MoveAt(QPoint point);
  void PressAt(QPoint point);
  void ReleaseAt(QPoint point);

  // ---- Placement --------------------------------------------------------------------------
  // Moves the popup to a screen position (its own size); for a Menu, placed relative
  // to its owner's window.
  void PlaceAt(QPoint screenTopLeft);
  // Centred on the owner's window (on the primary screen without an owner).
  void CenterOnOwner();
  // Places at screenTopLeft and shows.
  void ShowAt(QPoint screenTopLeft);
  // Shows a cascading level beside `level` (a popup of the same chain): at its right
  // edge, `yOffset` pixels below its top; at its left edge when the screen ends first.
  void ShowBeside(const QWidget* level, int levelWidth, int yOffset);

  // Hides the popup and deletes it once control is back in the event loop (a modal
  // dialog ends with `result` instead and is left to its creator).
  void ClosePopup(int result = 0);

  // Runs the dialog modally over its owner's window.
  int exec() override;

  // The composed picture as the next paint would show it (tests, subclasses).
  QImage Compose();

 protected:
  // Painting steps, in this order, on the background image of the popup's size.
  // Default: the hovered control from "_down" while pressed, else from "_over".
  virtual void PaintHover(QPainter& painter);
  // Default: nothing.
  virtual void PaintExtra(QPainter& painter);
  // Default: every non-empty caption centred in its rectangle.
  virtual void PaintCaptions(QPainter& painter);

  virtual void OnHoverChanged(int previous, int hit);
  virtual void OnPress(int hit);
  virtual void OnClick(int hit);

  // Helpers for the painting steps.
  void BlitHover(QPainter& painter, const SkinSource& source, const SkinRect& rect) const;
  // Draws `text` centred in `rect`, white unless given.
  static void DrawCentredText(QPainter& painter, const QString& text, const SkinRect& rect, QColor colour = Qt::white);
  // Prepares the painter for captions: transparent background, UI font size 2.
  static void SelectCaptionFont(QPainter& painter);

  void paintEvent(QPaintEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void reject() override;
  void hideEvent(QHideEvent* event) override;

  PopupStyle style() const { return style_; }

 private:
  PopupStyle style_;
  QRegion shape_;
  QSize maskSize_;
  QSize popupSize_;
  std::vector<SkinRect> rects_;
  std::vector<std::string> captions_;
  std::string mask_, normal_, over_, down_;
  std::set<std::string> drawn_;  // DrawnImage's names
  int hover_ = kNoHit;
  bool pressed_ = false;
  bool chainPressed_ = false;  // the lowest menu of a chain: a left press came inside it
};
