#include "popups/menu_dlg.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

#include "device/memory_image.h"
#include "keys/language.h"
#include "popups/function_names.h"
#include "popups/popup_state.h"
#include "popups/sub_menu_dlg.h"
#include "profile/macro_files.h"
#include "profile/macro_library.h"
#include "profile/settings.h"
#include "skin/language_texts.h"
#include "skin/popup_skin.h"
#include "skin/skin_layout.h"
#include "skin/ui_fonts.h"

// ---- The menu -------------------------------------------------------------------------------

CMenuDlg::CMenuDlg(QWidget* owner, int kind, const std::vector<int>* items, PopupMessageSink sink,
                   int reactionButton)
    : SkinnedPopup(owner, PopupStyle::Menu), kind_(kind), sink_(std::move(sink)) {
  g_menuKind = kind;
  if (items != nullptr) items_ = *items;
  if (kind == MenuKindKeyReaction) reactionButton_ = reactionButton;

  const MenuImageNames images = MenuImagesOf(kind);
  // The mask only sizes the menu: its header is enough.
  const QSize mask = SkinImageSize(images.mask);
  if (mask.isEmpty() && (kind == MenuKindMacroList || kind == MenuKindEventList)) {
    ShowPlainMessage(owner, kind == MenuKindMacroList ? "找不到 MacR_mask.jpg" : "找不到 MacR_mask2.jpg");
  }
  geometry_ = MenuSizes(kind, mask.width(), mask.height(), static_cast<int>(items_.size()));
  SetShapeRect(geometry_.width, geometry_.height);
  SetImages(images.normal, images.over, images.down);

  std::vector<std::string> captions;
  for (int r = 1; r <= geometry_.rows; ++r) captions.push_back(RowText(kind, r));
  SetRows(geometry_.rows, geometry_.width, geometry_.rowHeight, std::move(captions));
  LoadMacroNames();
}

MenuGeometry CMenuDlg::GeometryFor(int kind, int itemCount) {
  const QSize mask = SkinImageSize(MenuImagesOf(kind).mask);
  return MenuSizes(kind, mask.width(), mask.height(), itemCount);
}

void CMenuDlg::LoadMacroNames() { LoadAllMacroNames(); }

int CMenuDlg::HoverRow() const { return Hover() == kNoHit ? kNoMenuRow : Hover() + 1; }

std::string CMenuDlg::RowText(int kind, int row) {
  switch (kind) {
    case MenuKindProfile: return TableText(g_funStrings, 18 + row);
    case MenuKindButtonFunction: return TableText(g_funStrings, row);
    case MenuKindLedEffect: {
      const int count = std::clamp(g_ledModeCount.load(), 0, kLedEffectCount);
      if (row < 1 || row > count) return {};
      return TableText(g_uiTexts14, g_ledModeList[static_cast<std::size_t>(row - 1)]);
    }
    case MenuKindKeyReaction: {
      static constexpr int kTexts[] = {2, 4, 6, 5};
      return row >= 1 && row <= 4 ? TableText(g_textLed, kTexts[row - 1]) : std::string();
    }
    case MenuKindLedStepMode: {
      static constexpr int kTexts[] = {15, 3, 4, 7, 8};
      return row >= 1 && row <= 5 ? TableText(g_textLed, kTexts[row - 1]) : std::string();
    }
    case MenuKindGunPreset: return row <= g_gunMacroCount ? TableText(g_gunNames, row - 1) : std::string();
    case MenuKindGroupList:
      if (row >= 1 && row <= 7) return TableText(g_textDevMac, row);
      return row == 9 ? TableText(g_textDevMac, 19) : std::string();
    case MenuKindMacroList: {
      static constexpr int kTexts[] = {32, 17, 18, 19};
      return row >= 1 && row <= 4 ? TableText(g_textDevMac, kTexts[row - 1]) : std::string();
    }
    case MenuKindEventList: {
      static constexpr int kTexts[] = {16, 17};
      return row >= 1 && row <= 2 ? TableText(g_textDevMac, kTexts[row - 1]) : std::string();
    }
    case MenuKindInsertEvent:
      if (row >= 1 && row <= 6) return TableText(g_textDevMac, 9 + row);
      return row == 7 ? TableText(g_textDevMac, 17) : std::string();
    default: return {};  // colours (7) and language pictures (10) have no text
  }
}

// ---- Painting -----------------------------------------------------------------------------

void CMenuDlg::PaintHover(QPainter& painter) {
  if (kind_ != MenuKindLanguage) {
    SkinnedPopup::PaintHover(painter);
    return;
  }
  // Each offered language is a picture of its own folder, its hover look in ver_over.
  const int rows = std::min(static_cast<int>(items_.size()), geometry_.rows);
  for (int r = 1; r <= rows; ++r) {
    const std::string folder = LanguageFolderName(items_[static_cast<std::size_t>(r - 1)]);
    const std::string name = (folder.empty() ? std::string() : folder.substr(1) + "/") +
                             (r == HoverRow() ? "ver_over.jpg" : "ver_normal.jpg");
    const QImage picture = DrawnImage(name);
    if (picture.isNull()) continue;
    painter.drawImage(QPoint(0, (r - 1) * geometry_.rowHeight), picture,
                      QRect(0, 0, geometry_.width, geometry_.rowHeight));
  }
}

void CMenuDlg::PaintExtra(QPainter& painter) {
  if (kind_ != MenuKindLedStepValue) return;
  // Each row shows one of the seven user colours.
  for (int r = 1; r <= std::min(geometry_.rows, kUserLedColorCount); ++r) {
    const std::uint32_t ref = g_userLedColorRef[static_cast<std::size_t>(r - 1)];
    const QColor colour(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF),
                        static_cast<int>((ref >> 16) & 0xFF));
    painter.fillRect(0, (r - 1) * geometry_.rowHeight, geometry_.width, geometry_.rowHeight - 1, colour);
  }
}

void CMenuDlg::PaintCaptions(QPainter& painter) {
  if (kind_ != MenuKindKeyReaction) {
    SkinnedPopup::PaintCaptions(painter);
    return;
  }
  // The reactions are drawn from the left edge.
  SelectCaptionFont(painter);
  painter.setPen(Qt::white);
  const QFontMetrics metrics(painter.font());
  for (std::size_t i = 0; i < Rects().size(); ++i) {
    const SkinRect& r = Rects()[i];
    const int y = CentredStart(r.y, r.height, metrics.height());
    painter.drawText(2, y + metrics.ascent(), QString::fromStdString(Captions()[i]));
  }
}

// ---- Cascades -------------------------------------------------------------------------------

CSubMenuDlg* CMenuDlg::SubMenu() const { return static_cast<CSubMenuDlg*>(subMenu_.data()); }

void CMenuDlg::CloseSubMenu() {
  if (!subMenu_) return;
  SkinnedPopup* old = subMenu_;
  subMenu_ = nullptr;
  old->ClosePopup();
}

void CMenuDlg::OnHoverChanged(int, int) {
  // The submenu follows the hovered row: it is made when a cascading row becomes
  // hovered and closed when another row does, never on a mere repaint.
  CloseSubMenu();
  const std::optional<Cascade> cascade = CascadeOf(kind_, HoverRow(), g_groupCount.load());
  if (!cascade) return;
  auto* sub = new CSubMenuDlg(this, cascade->subKind, HoverRow(), sink_);
  sub->ShowBeside(this, geometry_.width, cascade->offsetRows * geometry_.rowHeight);
  subMenu_ = sub;
}

// ---- Choices --------------------------------------------------------------------------------

std::intptr_t CMenuDlg::Send(unsigned message, std::intptr_t wParam, std::intptr_t lParam) {
  return DeliverPopupMessage(sink_, message, wParam, lParam);
}

void CMenuDlg::Post(unsigned message, std::intptr_t wParam, std::intptr_t lParam) {
  PostPopupMessage(sink_, message, wParam, lParam);
}

void CMenuDlg::InvalidateOwner() {
  if (QWidget* owner = parentWidget()) owner->update();
}

void CMenuDlg::OnClick(int hit) {
  const int r = hit == kNoHit ? kNoMenuRow : hit + 1;
  if (r < 1 || r > geometry_.rows) return;  // no row under the pointer: nothing chosen
  bool close = true;
  switch (kind_) {
    case MenuKindProfile:
      if (!ChooseProfile(r)) return;
      Send(kWmPopupMenuDone, 0, 0);
      break;
    case MenuKindButtonFunction:
      if (r <= 6) {
        AssignButtonFunction(g_currentProfile.load(), SelectedButton(), r);
        InvalidateOwner();
      } else if (r == 10) {
        Post(kWmShortcutRequest, 0, 0);
      } else {
        close = false;  // rows with a submenu choose there
      }
      break;
    case MenuKindLedEffect:
      if (!ChooseLedEffect(r)) return;
      InvalidateOwner();
      break;
    case MenuKindKeyReaction:
      if (!ChooseKeyReaction(reactionButton_, r)) return;
      InvalidateOwner();
      break;
    case MenuKindLedStepMode:
      if (!ChooseLedStepMode(r)) return;
      Send(kWmLedStepsReloadMode, r - 1, 0);
      break;
    case MenuKindLedStepValue:
      if (!ChooseLedStepValue(r)) return;
      Send(kWmLedStepsReloadValue, r, 0);
      break;
    case MenuKindGunPreset:
      if (const std::optional<int> previous = ChooseGunPreset(r)) Send(kWmGunMacroSelected, *previous, 0);
      break;
    case MenuKindLanguage:
      Send(kWmPopupMenuDone, 1, r);
      if (g_embeddedFontsLoaded == 0) {
        DeleteFontSet0();
        Send(kWmDisplayReload, 1, 0);
        update();
      }
      break;
    case MenuKindGroupList:
    case MenuKindMacroList:
    case MenuKindEventList: Post(kWmPopupMenuCommand, kind_, r); break;
    case MenuKindInsertEvent:
      if (r <= 4) {
        close = false;  // the insert lists choose
      } else {
        Send(kWmPopupMenuCommand, MenuKindInsertEvent, 140 + r);
      }
      break;
    default: close = false; break;
  }
  if (close) ClosePopup();
}

CMenuDlg* OpenPopupMenu(int kind, QWidget* owner, QPoint screenTopLeft, const std::vector<int>* items,
                        PopupMessageSink sink, int reactionButton) {
  auto* menu = new CMenuDlg(owner, kind, items, std::move(sink), reactionButton);
  menu->ShowAt(screenTopLeft);
  return menu;
}
