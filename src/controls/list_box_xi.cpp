#include "controls/list_box_xi.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "controls/edit_helper.h"
#include "skin/ui_fonts.h"

QPointer<CListBoxXI> g_macroList;
QPointer<CListBoxXI> g_eventList;
QPointer<CListBoxXI> g_ledSubList;

namespace {

constexpr int kTypeRole = Qt::UserRole;
const QColor kSelectedBack(93, 93, 93);
const QColor kBack(22, 22, 22);

QFont RowFont(const QWidget* list) {
  const QFont* font = UiFont(2);
  return font ? *font : list->font();
}

// Draws the rows: grey behind the selected one, near-black behind the others, the icon
// of the row's type and its text in white, indented by list and type.
class RowDelegate : public QStyledItemDelegate {
 public:
  explicit RowDelegate(CListBoxXI* list) : QStyledItemDelegate(list), list_(list) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QVariant typeData = index.data(kTypeRole);
    if (!typeData.isValid()) return;
    const int type = typeData.toInt();
    const int number = list_->ListNumber();
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    painter->fillRect(option.rect, selected ? kSelectedBack : kBack);
    QRect rect = option.rect;
    if (number == 1 && type == 2) rect.setLeft(rect.left() + 10);
    if (number == 2 && type == 0) rect.setLeft(rect.left() + 30);
    int textLeft = rect.left() + 4;
    const std::vector<QIcon>* icons = list_->ImageList();
    if (icons && type >= 0 && type < static_cast<int>(icons->size()) && !(*icons)[static_cast<std::size_t>(type)].isNull()) {
      const QSize size = list_->IconSize();
      (*icons)[static_cast<std::size_t>(type)].paint(painter, QRect(QPoint(rect.left() + 2, rect.top() + 2), size));
      textLeft = rect.left() + size.width() + 4;
      if (number == 1) textLeft += type == 2 ? 10 : 5;
      if (number == 2 && type != 0) textLeft += 5;
    }
    painter->setFont(RowFont(list_));
    painter->setPen(Qt::white);
    const QRect textRect(textLeft, rect.top(), rect.right() - textLeft + 1, rect.height());
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, index.data().toString());
    painter->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const QFontMetrics metrics(RowFont(list_));
    const int height = std::max(metrics.height(), list_->IconSize().height() + 4);
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), height);
  }

 private:
  CListBoxXI* list_;
};

}  // namespace

CListBoxXI::CListBoxXI(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new RowDelegate(this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  setSortingEnabled(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFrameShape(QFrame::NoFrame);
  // Scrolling either way ends a rename with a commit.
  connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { EndEdit(true); });
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this] { EndEdit(true); });
}

CListBoxXI::~CListBoxXI() {
  if (editor_) editor_->SetEndHandler(nullptr);
}

int CListBoxXI::ListNumber() const {
  if (this == g_macroList.data()) return 1;
  if (this == g_eventList.data()) return 2;
  if (this == g_ledSubList.data()) return 3;
  return 0;
}

int CListBoxXI::AddItem(const QString& text, int type) { return InsertItem(count(), text, type); }

int CListBoxXI::InsertItem(int index, const QString& text, int type) {
  if (index < 0 || index > count()) return kLbErr;
  auto* item = new QListWidgetItem(text);
  item->setData(kTypeRole, type);
  insertItem(index, item);
  return index;
}

void CListBoxXI::RemoveItem(int index) {
  if (index < 0 || index >= count()) return;
  if (index == editedIndex_) EndEdit(false);
  delete takeItem(index);
}

void CListBoxXI::ResetItems() {
  EndEdit(false);
  clear();
}

int CListBoxXI::GetItemType(int index) const {
  const QListWidgetItem* row = item(index);
  if (!row) return -1;
  const QVariant type = row->data(kTypeRole);
  return type.isValid() ? type.toInt() : -1;
}

QString CListBoxXI::ItemText(int index) const {
  const QListWidgetItem* row = item(index);
  return row ? row->text() : QString();
}

void CListBoxXI::SetItemText(int index, const QString& text) {
  if (QListWidgetItem* row = item(index)) row->setText(text);
}

int CListBoxXI::SelectedRow() const {
  const QList<QListWidgetItem*> selected = selectedItems();
  return selected.isEmpty() ? -1 : row(selected.front());
}

void CListBoxXI::SelectRow(int index) {
  const QSignalBlocker block(this);
  if (index < 0 || index >= count()) {
    clearSelection();
    setCurrentRow(-1);
  } else {
    setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
    scrollToItem(item(index));
  }
  viewport()->update();
}

void CListBoxXI::SetImageList(const std::vector<QIcon>* icons, QSize iconSize) {
  icons_ = icons;
  iconSize_ = icons ? iconSize : QSize();
  doItemsLayout();
}

void CListBoxXI::OnChar(int code) {
  armCode_ = code;
  BeginEdit();
}

void CListBoxXI::BeginEdit() {
  if (armCode_ != 1) return;
  armCode_ = 0;
  const int index = SelectedRow();
  if (index < 0) return;
  EndEdit(true);
  auto* editor = new CEditHelper(viewport());
  editor->setGeometry(visualItemRect(item(index)));
  editor->setFont(font());
  editor->setText(ItemText(index));
  editor->selectAll();
  editor->SetEndHandler([this](bool commit) { EndEdit(commit); });
  editor->show();
  editor->setFocus();
  editor_ = editor;
  editedIndex_ = index;
}

void CListBoxXI::EndEdit(bool commit) {
  if (!editor_) return;
  CEditHelper* editor = editor_;
  const int index = editedIndex_;
  const QString text = editor->text();
  // Forgotten before the editor goes, so that its losing the focus changes nothing.
  editor_ = nullptr;
  editedIndex_ = -1;
  editor->SetEndHandler(nullptr);
  if (editor->hasFocus()) setFocus();
  editor->hide();
  editor->deleteLater();
  if (!commit || index < 0 || index >= count() || ItemText(index) == text) return;
  const int type = GetItemType(index);
  delete takeItem(index);
  InsertItem(index, text, type);
  SelectRow(index);
  emit itemEditDone(index, ListNumber());
}

void CListBoxXI::keyPressEvent(QKeyEvent* event) {
  const QString text = event->text();
  if (text.size() == 1 && text.front().unicode() == 1) {  // Ctrl+A types character code 1
    OnChar(1);
    return;
  }
  const int before = SelectedRow();
  QListWidget::keyPressEvent(event);
  if (SelectedRow() != before) emit selChange();
}

void CListBoxXI::mousePressEvent(QMouseEvent* event) {
  QListWidget::mousePressEvent(event);
  if (event->button() == Qt::LeftButton && itemAt(event->position().toPoint())) emit selChange();
}

void CListBoxXI::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) EndEdit(true);
  QListWidget::mouseReleaseEvent(event);
  if (event->button() == Qt::RightButton) emit rightButtonUp(event->position().toPoint());
}

void CListBoxXI::mouseDoubleClickEvent(QMouseEvent* event) {
  QListWidget::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) emit dblClk();
}
