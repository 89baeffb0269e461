#include "popups/sub_menu_dlg.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

#include "keys/language.h"
#include "popups/function_names.h"
#include "popups/popup_state.h"
#include "profile/core_hooks.h"
#include "profile/macro_library.h"
#include "profile/settings.h"
#include "skin/skin_layout.h"
#include "skin/ui_fonts.h"

namespace {

int RowOf(int hit) { return hit == SkinnedPopup::kNoHit ? kNoMenuRow : hit + 1; }

}  // namespace

void CloseMenuChain(SkinnedPopup* level) {
  g_closePopupRequest = 1;
  SkinnedPopup* root = level;
  for (QWidget* w = level; w != nullptr; w = w->parentWidget()) {
    auto* popup = qobject_cast<SkinnedPopup*>(w);
    if (popup == nullptr || !(popup->windowFlags() & Qt::Popup)) break;
    root = popup;
  }
  root->ClosePopup();
  RequestMainRepaint(RepaintArea::Whole);
}

// ---- Submenu --------------------------------------------------------------------------------

CSubMenuDlg::CSubMenuDlg(QWidget* parentMenu, int subKind, int fromRow, PopupMessageSink sink)
    : SkinnedPopup(parentMenu, PopupStyle::Menu), subKind_(subKind), fromRow_(fromRow), sink_(std::move(sink)) {
  const MenuImageNames images = SubMenuImagesOf(subKind);
  const QSize mask = SkinImageSize(images.mask);
  rowHeight_ = SubMenuRowHeight(subKind, mask.height());
  rows_ = rowHeight_ > 0 ? SubMenuRows(subKind, fromRow, static_cast<int>(g_funNameMap.size())) : 0;
  SetShapeRect(mask.width(), rows_ * rowHeight_);
  SetImages(images.normal, images.over, images.down);
  std::vector<std::string> captions;
  for (int r = 1; r <= rows_; ++r) captions.push_back(RowText(subKind, fromRow, r));
  SetRows(rows_, mask.width(), rowHeight_, std::move(captions));
  g_closePopupRequest = 0;
}

int CSubMenuDlg::HoverRow() const { return RowOf(Hover()); }

std::string CSubMenuDlg::RowText(int subKind, int fromRow, int row) {
  switch (subKind) {
    case SubMenuKindFunctions:
      if (fromRow == 7) return FunctionSubListName(row, g_funNameMap);
      if (fromRow == 8) return TableText(g_funStrings, 22 + row);
      if (fromRow == 11) return TableText(g_funStrings, 18 + row);
      return {};
    case SubMenuKindGroups: return row >= 1 && row <= g_groupCount.load() ? TableText(g_groupNames, row - 1) : std::string();
    case 141:
    case 142: return TableText(g_textDevMac, 20 + (row - 1) / 2);
    case 143: return TableText(g_textDevMac, 22 + row);
    case 144: return TableText(g_textDevMac, 26 + row);
    default: return {};
  }
}

void CSubMenuDlg::PaintCaptions(QPainter& painter) {
  SkinnedPopup::PaintCaptions(painter);
  if (subKind_ != 141 && subKind_ != 142) return;
  // Presses and releases: an arrow down on odd rows, up on even rows, before the text.
  const QFontMetrics textMetrics(painter.font());
  painter.save();
  if (const QFont* arrowFont = FontOf(0, 1)) painter.setFont(*arrowFont);
  const QFontMetrics arrowMetrics(painter.font());
  painter.setPen(Qt::white);
  for (int r = 1; r <= rows_; ++r) {
    const SkinRect& rect = Rects()[static_cast<std::size_t>(r - 1)];
    const QString text = QString::fromStdString(Captions()[static_cast<std::size_t>(r - 1)]);
    const int advance = textMetrics.horizontalAdvance(text);
    const int x = std::max(CentredStart(rect.x, rect.width, advance), 12);
    const int y = CentredStart(rect.y, rect.height, textMetrics.height());
    painter.drawText(x - 10, y - 1 + arrowMetrics.ascent(), r % 2 == 1 ? QString(QChar(0x2193)) : QString(QChar(0x2191)));
  }
  painter.restore();
}

void CSubMenuDlg::OnHoverChanged(int, int) {
  if (subKind_ != SubMenuKindGroups) return;
  if (macSel_) {
    MacSelMenuDlg* old = macSel_;
    macSel_ = nullptr;
    old->ClosePopup();
  }
  const int row = HoverRow();
  if (row < 1 || row > std::min(g_groupCount.load(), kMaxMacroGroups)) return;
  const int macros = g_groupMacroCounts[static_cast<std::size_t>(row - 1)];
  auto* list = new MacSelMenuDlg(this, row - 1, sink_);
  list->ShowBeside(this, PopupSize().width(), MacroSelectionOffsetRows(row, macros) * rowHeight_);
  macSel_ = list;
}

void CSubMenuDlg::OnClick(int hit) {
  if (subKind_ == SubMenuKindGroups) return;  // the macro list beside the group chooses
  const int row = RowOf(hit);
  if (subKind_ == SubMenuKindFunctions) {
    if (const std::optional<int> code = FunctionSubListCode(fromRow_, row, g_funNameMap))
      AssignButtonFunction(g_currentProfile.load(), SelectedButton(), *code);
  } else if (const std::optional<int> code = InsertCode(subKind_, row)) {
    DeliverPopupMessage(sink_, kWmPopupMenuCommand, MenuKindInsertEvent, *code);
  } else {
    return;  // no list row under the pointer
  }
  CloseMenuChain(this);
}

CSubMenuDlg* OpenSubMenu(int subKind, QWidget* parentMenu, QPoint screenTopLeft, int fromRow, PopupMessageSink sink) {
  auto* menu = new CSubMenuDlg(parentMenu, subKind, fromRow, std::move(sink));
  menu->ShowAt(screenTopLeft);
  return menu;
}

// ---- Macro selection --------------------------------------------------------------------------

MacSelMenuDlg::MacSelMenuDlg(QWidget* parentMenu, int group, PopupMessageSink sink)
    : SkinnedPopup(parentMenu, PopupStyle::Menu), group_(group), sink_(std::move(sink)) {
  const QSize mask = SkinImageSize("menu2_mask.jpg");
  const int rowHeight = mask.height() / 15;
  if (group >= 0 && group < kMaxMacroGroups && rowHeight > 0)
    rows_ = std::clamp(g_groupMacroCounts[static_cast<std::size_t>(group)], 0, kMaxGroupMacros);
  SetShapeRect(mask.width(), rows_ == 0 ? 0 : rows_ * rowHeight + 1);
  // There is no pressed look: the hovered row stays in its hover look.
  SetImages("menu2_normal.jpg", "menu2_over.jpg", "menu2_over.jpg");
  std::vector<std::string> captions;
  for (int r = 1; r <= rows_; ++r)
    captions.push_back(g_macroNames[static_cast<std::size_t>(group)][static_cast<std::size_t>(r - 1)]);
  SetRows(rows_, mask.width(), rowHeight, std::move(captions));
}

int MacSelMenuDlg::HoverRow() const { return RowOf(Hover()); }

void MacSelMenuDlg::OnClick(int hit) {
  const int row = RowOf(hit);
  if (row >= 1 && row <= rows_)
    AssignButtonFunction(g_currentProfile.load(), SelectedButton(), LibraryMacroCode(group_, row));
  DeliverPopupMessage(sink_, kWmPopupMenuDone, 2, 0);
  CloseMenuChain(this);
}
