#include "popups/skinned_popup.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>

#include "skin/image_file.h"
#include "skin/popup_skin.h"
#include "skin/skin_image.h"
#include "skin/ui_fonts.h"

namespace {

Qt::WindowFlags FlagsOf(PopupStyle style) {
  return (style == PopupStyle::Menu ? Qt::Popup : Qt::Tool) | Qt::FramelessWindowHint;
}

}  // namespace

SkinnedPopup::SkinnedPopup(QWidget* owner, PopupStyle style) : QDialog(owner, FlagsOf(style)), style_(style) {
  setMouseTracking(true);
  setAttribute(Qt::WA_NoSystemBackground);
  if (style == PopupStyle::Menu) {
    setAttribute(Qt::WA_NoMouseReplay);
    // A menu is the owner's: it goes with it and deletes itself when closed.
    setAttribute(Qt::WA_DeleteOnClose);
  }
}

SkinnedPopup::~SkinnedPopup() = default;

// ---- Shape and size -----------------------------------------------------------------------

bool SkinnedPopup::SetShapeFromMask(const std::string& maskName) {
  mask_ = maskName;
  const QImage mask = SkinImage(maskName);
  if (mask.isNull()) {
    maskSize_ = QSize();
    return false;
  }
  maskSize_ = mask.size();
  popupSize_ = mask.size();
  shape_ = MaskRegionFromImage(mask);
  setFixedSize(popupSize_);
  ApplyWindowShape(this, shape_);
  return true;
}

void SkinnedPopup::SetShapeRect(int width, int height) {
  popupSize_ = QSize(std::max(width, 0), std::max(height, 0));
  shape_ = QRegion(0, 0, popupSize_.width(), popupSize_.height());
  // A window cannot be empty: a popup without rows is one pixel that shows nothing.
  setFixedSize(popupSize_.expandedTo(QSize(1, 1)));
  ApplyWindowShape(this, popupSize_.isEmpty() ? QRegion(0, 0, 1, 1) : shape_);
}

// ---- Controls -----------------------------------------------------------------------------

bool SkinnedPopup::LoadLayout(const std::string& fileName, int count) {
  std::vector<SkinRect> rects(static_cast<std::size_t>(std::max(count, 0)));
  std::vector<std::string> captions(rects.size());
  const bool found = ReadPopupLayout(PopupLayoutPath(fileName), rects, captions, this);
  SetRects(std::move(rects), std::move(captions));
  return found;
}

void SkinnedPopup::SetRects(std::vector<SkinRect> rects, std::vector<std::string> captions) {
  rects_ = std::move(rects);
  captions_ = std::move(captions);
  captions_.resize(rects_.size());
  update();
}

void SkinnedPopup::SetRows(int count, int width, int rowHeight, std::vector<std::string> captions) {
  std::vector<SkinRect> rows;
  for (int r = 0; r < count; ++r) rows.push_back(SkinRect{0, r * rowHeight, width, rowHeight});
  SetRects(std::move(rows), std::move(captions));
}

void SkinnedPopup::SetCaption(int index, std::string caption) {
  if (index < 0 || static_cast<std::size_t>(index) >= captions_.size()) return;
  captions_[static_cast<std::size_t>(index)] = std::move(caption);
  update();
}

int SkinnedPopup::HitTest(QPoint point) const { return HitTestRects(point, rects_); }

// ---- Images -------------------------------------------------------------------------------

void SkinnedPopup::SetImages(std::string normal, std::string over, std::string down) {
  normal_ = std::move(normal);
  over_ = std::move(over);
  down_ = std::move(down);
  update();
}

QImage SkinnedPopup::SkinImage(const std::string& name) {
  if (name.empty()) return QImage();
  return SkinImages().Image(SkinImagePath(name));
}

QSize SkinnedPopup::SkinImageSize(const std::string& name) {
  if (name.empty()) return QSize(0, 0);
  const QSize size = ImageFileSize(SkinImagePath(name));
  return size.isValid() ? size : QSize(0, 0);
}

QImage SkinnedPopup::DrawnImage(const std::string& name) {
  if (name.empty()) return QImage();
  drawn_.insert(name);
  return SkinImage(name);
}

SkinSource SkinnedPopup::ControlsImage(const std::string& name) const {
  if (name.empty()) return SkinSource();
  QRegion controls;
  for (const SkinRect& r : rects_) controls += r.ToQRect();
  return SkinImages().Cutout(SkinImagePath(name), controls);
}

void SkinnedPopup::hideEvent(QHideEvent* event) {
  // A closed popup's images are decoded again if it is ever shown again.
  for (const std::string* name : {&mask_, &normal_, &over_, &down_})
    if (!name->empty()) SkinImages().Drop(SkinImagePath(*name));
  for (const std::string& name : drawn_) SkinImages().Drop(SkinImagePath(name));
  drawn_.clear();
  QDialog::hideEvent(event);
}

// ---- State and mouse ----------------------------------------------------------------------

void SkinnedPopup::SetHover(int hit) {
  if (hit == hover_) return;
  const int previous = hover_;
  hover_ = hit;
  update();
  OnHoverChanged(previous, hit);
}

void SkinnedPopup::MoveAt(QPoint point) { SetHover(HitTest(point)); }

void SkinnedPopup::PressAt(QPoint point) {
  const int hit = HitTest(point);
  if (hit != kNoHit) {
    pressed_ = true;
    update();
  }
  OnPress(hit);
}

void SkinnedPopup::ReleaseAt(QPoint point) {
  pressed_ = false;
  update();
  OnClick(HitTest(point));
}

void SkinnedPopup::OnHoverChanged(int, int) {}
void SkinnedPopup::OnPress(int) {}
void SkinnedPopup::OnClick(int) {}

namespace {

// The popup of a menu chain (this one or one it cascades from) that holds a screen
// point, or null.
SkinnedPopup* ChainPopupAt(SkinnedPopup* popup, QPoint global) {
  for (QWidget* w = popup; w != nullptr; w = w->parentWidget()) {
    auto* p = qobject_cast<SkinnedPopup*>(w);
    if (p == nullptr || !p->isVisible()) break;
    if (p->rect().contains(p->mapFromGlobal(global))) return p;
    if (!(p->windowFlags() & Qt::Popup)) break;
  }
  return nullptr;
}

// A press that closed a menu chain also counts for the window the menus belong to when
// it landed on it (as if the menus had not been there): the window first learns where
// the pointer is, then gets the press. Qt's own replay is off for these popups.
void ReplayPressOnOwner(SkinnedPopup* root, const QMouseEvent* event) {
  QWidget* owner = root->parentWidget() != nullptr ? root->parentWidget()->window() : nullptr;
  if (owner == nullptr || !owner->isVisible()) return;
  const QPoint global = event->globalPosition().toPoint();
  const QPoint local = owner->mapFromGlobal(global);
  if (!owner->rect().contains(local)) return;
  QCoreApplication::postEvent(owner, new QMouseEvent(QEvent::MouseMove, QPointF(local), QPointF(global), Qt::NoButton,
                                                     Qt::NoButton, event->modifiers()));
  QCoreApplication::postEvent(owner, new QMouseEvent(QEvent::MouseButtonPress, QPointF(local), QPointF(global),
                                                     event->button(), event->buttons(), event->modifiers()));
}

// The lowest menu of the chain a popup belongs to.
SkinnedPopup* ChainRoot(SkinnedPopup* popup) {
  SkinnedPopup* root = popup;
  for (QWidget* w = popup->parentWidget(); w != nullptr; w = w->parentWidget()) {
    auto* p = qobject_cast<SkinnedPopup*>(w);
    if (p == nullptr || !(p->windowFlags() & Qt::Popup)) break;
    root = p;
  }
  return root;
}

}  // namespace

// A menu window receives every mouse event while it is the top of the popup chain: an
// event over a menu it cascades from goes to that menu, so the pointer can go back to
// it; a press outside the whole chain closes it.
void SkinnedPopup::mouseMoveEvent(QMouseEvent* event) {
  const QPoint global = event->globalPosition().toPoint();
  if (style_ != PopupStyle::Menu) {
    MoveAt(event->position().toPoint());
    return;
  }
  // Outside the chain a menu keeps its hovered row, so that the way to a submenu may
  // cut a corner.
  if (SkinnedPopup* target = ChainPopupAt(this, global)) target->MoveAt(target->mapFromGlobal(global));
}

void SkinnedPopup::mousePressEvent(QMouseEvent* event) {
  const QPoint global = event->globalPosition().toPoint();
  if (style_ == PopupStyle::Menu && ChainPopupAt(this, global) == nullptr) {
    SkinnedPopup* root = ChainRoot(this);
    root->ClosePopup();
    ReplayPressOnOwner(root, event);
    return;
  }
  if (event->button() != Qt::LeftButton) return;
  if (style_ == PopupStyle::Menu) {
    ChainRoot(this)->chainPressed_ = true;
    SkinnedPopup* target = ChainPopupAt(this, global);
    target->PressAt(target->mapFromGlobal(global));
    return;
  }
  PressAt(event->position().toPoint());
}

// A menu chooses on the release of a press it got itself: the release of the click that
// opened it comes to it too (it holds the pointer from its showing on), and must not
// choose the row that happens to lie under the pointer.
void SkinnedPopup::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (style_ == PopupStyle::Menu) {
    SkinnedPopup* root = ChainRoot(this);
    if (!root->chainPressed_) return;
    root->chainPressed_ = false;
  }
  const QPoint global = event->globalPosition().toPoint();
  SkinnedPopup* target = style_ == PopupStyle::Menu ? ChainPopupAt(this, global) : this;
  if (target == nullptr) return;  // released outside: nothing chosen
  target->ReleaseAt(target->mapFromGlobal(global));
}

void SkinnedPopup::reject() { ClosePopup(0); }

int SkinnedPopup::exec() {
  setWindowModality(Qt::WindowModal);
  return QDialog::exec();
}

// ---- Placement ----------------------------------------------------------------------------

void SkinnedPopup::PlaceAt(QPoint screenTopLeft) {
  // A top-level popup is positioned in screen coordinates; Qt turns them into a
  // position relative to the owner's window where the display server wants that.
  QPoint at = screenTopLeft;
  if (style_ == PopupStyle::Menu) {
    // A menu that would leave the screen is moved back onto it, right and bottom first.
    if (QScreen* screen = QGuiApplication::screenAt(screenTopLeft)) {
      const QRect area = screen->availableGeometry();
      const QSize size = popupSize_.isEmpty() ? this->size() : popupSize_;
      at.setX(std::max(std::min(at.x(), area.right() + 1 - size.width()), area.left()));
      at.setY(std::max(std::min(at.y(), area.bottom() + 1 - size.height()), area.top()));
    }
  }
  move(at);
}

void SkinnedPopup::CenterOnOwner() {
  QRect area;
  if (QWidget* owner = parentWidget()) {
    area = owner->window()->frameGeometry();
  } else if (QScreen* screen = QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  const QSize size = popupSize_.isEmpty() ? this->size() : popupSize_;
  PlaceAt(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

void SkinnedPopup::ShowAt(QPoint screenTopLeft) {
  PlaceAt(screenTopLeft);
  show();
}

void SkinnedPopup::ShowBeside(const QWidget* level, int levelWidth, int yOffset) {
  const int width = popupSize_.isEmpty() ? this->width() : popupSize_.width();
  const QPoint levelLeft = level->mapToGlobal(QPoint(0, yOffset));
  const QPoint right = levelLeft + QPoint(levelWidth, 0);
  const QPoint left = levelLeft - QPoint(width, 0);
  // A cascade goes on the way its level went: a level that had to open to the left of
  // the one before it has that one on its right, where this one would cover it.
  const auto* before = level->parentWidget();
  const bool leftward = qobject_cast<const SkinnedPopup*>(level) != nullptr && before != nullptr &&
                        (level->windowFlags() & Qt::Popup) && before->mapToGlobal(QPoint(0, 0)).x() > levelLeft.x();
  QPoint at = leftward ? left : right;
  if (QScreen* screen = QGuiApplication::screenAt(level->mapToGlobal(QPoint(0, 0)))) {
    const QRect area = screen->availableGeometry();
    if (leftward && left.x() < area.left()) at = right;
    if (!leftward && right.x() + width > area.right() + 1) at = left;
  }
  ShowAt(at);
}

void SkinnedPopup::ClosePopup(int result) {
  if (style_ == PopupStyle::Dialog) {
    done(result);
    return;
  }
  // The levels that cascade from this one close with it.
  for (SkinnedPopup* child : findChildren<SkinnedPopup*>(Qt::FindDirectChildrenOnly)) child->ClosePopup();
  hide();
  deleteLater();
}

// ---- Painting -----------------------------------------------------------------------------

void SkinnedPopup::BlitHover(QPainter& painter, const SkinSource& source, const SkinRect& rect) const {
  BlitSkinRect(painter, source, rect);
}

void SkinnedPopup::SelectCaptionFont(QPainter& painter) {
  painter.setBackgroundMode(Qt::TransparentMode);
  SelectUiFont(painter, 2);
}

void SkinnedPopup::DrawCentredText(QPainter& painter, const QString& text, const SkinRect& rect, QColor colour) {
  if (text.isEmpty()) return;
  const QFontMetrics metrics(painter.font());
  const int x = CentredStart(rect.x, rect.width, metrics.horizontalAdvance(text));
  const int y = CentredStart(rect.y, rect.height, metrics.height());
  painter.setPen(colour);
  painter.drawText(x, y + metrics.ascent(), text);
}

void SkinnedPopup::PaintHover(QPainter& painter) {
  if (hover_ < 0 || static_cast<std::size_t>(hover_) >= rects_.size()) return;
  BlitHover(painter, ControlsImage(pressed_ ? down_ : over_), rects_[static_cast<std::size_t>(hover_)]);
}

void SkinnedPopup::PaintExtra(QPainter&) {}

void SkinnedPopup::PaintCaptions(QPainter& painter) {
  SelectCaptionFont(painter);
  for (std::size_t i = 0; i < rects_.size(); ++i)
    DrawCentredText(painter, QString::fromStdString(captions_[i]), rects_[i]);
}

QImage SkinnedPopup::Compose() {
  const QSize size = popupSize_.isEmpty() ? this->size().expandedTo(QSize(1, 1)) : popupSize_;
  QImage composed(size, QImage::Format_ARGB32_Premultiplied);
  composed.fill(Qt::black);
  QPainter p(&composed);
  const QImage normal = SkinImage(normal_);
  if (!normal.isNull()) {
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(0, 0), normal);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
  }
  PaintHover(p);
  PaintExtra(p);
  PaintCaptions(p);
  p.end();
  return composed;
}

void SkinnedPopup::paintEvent(QPaintEvent*) {
  const QImage composed = Compose();
  QPainter window(this);
  PaintInsideShape(window, composed, shape_);
}
