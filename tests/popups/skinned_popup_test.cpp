// The base of the skinned popups: shape and size from the mask, layout, hit test,
// hover and pressed looks, clicks handed to the subclass.
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <gtest/gtest.h>

#include "../ui_skin/skin_fixture.h"
#include "popups/skinned_popup.h"
#include "skin/skin_image.h"

namespace {

using skintest::BlockImage;
using skintest::SkinTreeTest;
using skintest::WriteImage;

class ProbePopup : public SkinnedPopup {
 public:
  using SkinnedPopup::SkinnedPopup;
  std::vector<int> clicks;
  std::vector<std::pair<int, int>> hovers;

 protected:
  void OnHoverChanged(int previous, int hit) override { hovers.emplace_back(previous, hit); }
  void OnClick(int hit) override { clicks.push_back(hit); }
};

// A window that records the presses it gets.
class Owner : public QWidget {
 public:
  std::vector<QPoint> presses;
  int moves = 0;

 protected:
  void mouseMoveEvent(QMouseEvent*) override { ++moves; }
  void mousePressEvent(QMouseEvent* event) override { presses.push_back(event->position().toPoint()); }
};

void Send(QWidget* to, QEvent::Type type, QPoint global) {
  const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
  QMouseEvent event(type, QPointF(to->mapFromGlobal(global)), QPointF(global), button,
                    type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(to, &event);
}

// A menu of three rows at (50, 50) with a submenu of two rows beside its second row.
std::pair<ProbePopup*, ProbePopup*> OpenChain(QWidget& owner) {
  auto* menu = new ProbePopup(&owner, PopupStyle::Menu);
  menu->SetShapeRect(100, 60);
  menu->SetRows(3, 100, 20, {"a", "b", "c"});
  menu->ShowAt({50, 50});
  auto* sub = new ProbePopup(menu, PopupStyle::Menu);
  sub->SetShapeRect(100, 40);
  sub->SetRows(2, 100, 20, {});
  sub->ShowBeside(menu, 100, 20);
  return {menu, sub};
}

class SkinnedPopupTest : public SkinTreeTest {
 protected:
  void SetUp() override {
    SkinTreeTest::SetUp();
    const QSize size(200, 100);
    WriteImage(Skins() + "/probe_mask.jpg", BlockImage(size, Qt::black, {QRect(0, 0, 20, 20)}, Qt::white));
    WriteImage(Skins() + "/probe_normal.jpg", BlockImage(size, QColor(40, 40, 40)));
    WriteImage(Skins() + "/probe_over.jpg", BlockImage(size, QColor(220, 120, 0)));
    WriteImage(Skins() + "/probe_down.jpg", BlockImage(size, QColor(0, 60, 220)));
    WriteLanguageFile(1, "skin_probe.ini", "[BUTTONPOS]\n0=a,30,30,40,20,\n1=b,120,30,40,20,\n");
  }
  static bool Near(QRgb pixel, QColor colour) {
    return std::abs(qRed(pixel) - colour.red()) < 12 && std::abs(qGreen(pixel) - colour.green()) < 12 &&
           std::abs(qBlue(pixel) - colour.blue()) < 12;
  }
};

TEST_F(SkinnedPopupTest, ShapeLayoutHoverPressAndClick) {
  ProbePopup popup(nullptr, PopupStyle::Dialog);
  ASSERT_TRUE(popup.SetShapeFromMask("probe_mask.jpg"));
  popup.SetImages("probe_normal.jpg", "probe_over.jpg", "probe_down.jpg");
  ASSERT_TRUE(popup.LoadLayout("skin_probe.ini", 2));

  EXPECT_EQ(popup.PopupSize(), QSize(200, 100));
  EXPECT_EQ(popup.size(), QSize(200, 100));
  EXPECT_FALSE(popup.Shape().contains(QPoint(5, 5)));  // the mask's white corner is cut out
  EXPECT_TRUE(popup.Shape().contains(QPoint(100, 50)));

  EXPECT_EQ(popup.HitTest({35, 35}), 0);
  EXPECT_EQ(popup.HitTest({125, 49}), 1);
  EXPECT_EQ(popup.HitTest({125, 50}), 255);  // bottom edge is outside
  EXPECT_EQ(popup.Hover(), 255);

  popup.MoveAt({35, 35});
  popup.MoveAt({36, 36});  // same control: no second change
  EXPECT_EQ(popup.hovers, (std::vector<std::pair<int, int>>{{255, 0}}));
  QImage shown = popup.Compose();
  EXPECT_TRUE(Near(shown.pixel(50, 40), QColor(220, 120, 0)));  // hovered: over image
  EXPECT_TRUE(Near(shown.pixel(140, 40), QColor(40, 40, 40)));  // the other: background

  popup.PressAt({35, 35});
  EXPECT_TRUE(popup.Pressed());
  shown = popup.Compose();
  EXPECT_TRUE(Near(shown.pixel(50, 40), QColor(0, 60, 220)));  // pressed: down image
  popup.ReleaseAt({35, 35});
  EXPECT_FALSE(popup.Pressed());
  popup.PressAt({5, 90});
  EXPECT_FALSE(popup.Pressed());  // a press on no control is not a pressed look
  popup.ReleaseAt({5, 90});
  EXPECT_EQ(popup.clicks, (std::vector<int>{0, 255}));
}

// The hover and pressed looks come from cut-out pieces of their images: the picture is
// the one the whole images give, pixel for pixel; the popup's images leave the cache
// when it closes.
TEST_F(SkinnedPopupTest, LooksFromCutOutImagesMatchTheWholeImagesAndLeaveWithThePopup) {
  const QSize size(200, 100);
  auto pattern = [size](int seed) {
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
      for (int x = 0; x < size.width(); ++x) image.setPixel(x, y, qRgb((x * seed) & 255, (y * 3 + seed) & 255, (x ^ y) & 255));
    return image;
  };
  WriteImage(Skins() + "/pat_normal.png", pattern(1));
  WriteImage(Skins() + "/pat_over.png", pattern(5));
  WriteImage(Skins() + "/pat_down.png", pattern(9));
  SkinImages().Clear();
  const std::vector<SkinRect> rects{{30, 30, 40, 20}, {120, 30, 40, 20}, {10, 70, 30, 15}};
  auto expected = [&](int hit, const std::string& look) {
    QImage image = SkinnedPopup::SkinImage("pat_normal.png").convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (hit != SkinnedPopup::kNoHit) {
      QPainter painter(&image);
      BlitSkinRect(painter, SkinnedPopup::SkinImage(look), rects[static_cast<std::size_t>(hit)]);
    }
    return image;
  };

  ProbePopup popup(nullptr, PopupStyle::Dialog);
  popup.SetShapeRect(size.width(), size.height());
  popup.SetRects(rects);
  popup.SetImages("pat_normal.png", "pat_over.png", "pat_down.png");
  popup.show();
  for (int hit = 0; hit < 3; ++hit) {
    const SkinRect& r = rects[static_cast<std::size_t>(hit)];
    const QPoint inside(r.x + 1, r.y + 1);
    popup.MoveAt(inside);
    const QImage hovered = popup.Compose();
    popup.PressAt(inside);
    const QImage pressed = popup.Compose();
    popup.ReleaseAt(inside);
    SkinImages().Drop(SkinImagePath("pat_over.png"));  // the references decode whole images
    SkinImages().Drop(SkinImagePath("pat_down.png"));
    EXPECT_EQ(hovered, expected(hit, "pat_over.png")) << "control " << hit;
    EXPECT_EQ(pressed, expected(hit, "pat_down.png")) << "control " << hit;
  }
  popup.MoveAt({190, 5});
  SkinImages().Clear();
  popup.MoveAt({31, 31});
  popup.Compose();
  const qsizetype whole = qsizetype{size.width()} * size.height() * 4;
  EXPECT_LT(SkinImages().Bytes(), 2 * whole) << "the background whole, the hover look in pieces";
  popup.ClosePopup();
  EXPECT_EQ(SkinImages().Bytes(), 0);
}

TEST_F(SkinnedPopupTest, MissingFilesLeaveAnEmptyPopupAndSaySoForTheLayout) {
  ProbePopup popup(nullptr, PopupStyle::Menu);
  EXPECT_FALSE(popup.SetShapeFromMask("none_mask.jpg"));
  EXPECT_EQ(popup.MaskSize(), QSize());
  EXPECT_FALSE(popup.LoadLayout("skin_none.ini", 3));
  EXPECT_EQ(record.messages, std::vector<std::string>{"找不到配置文件"});
  EXPECT_EQ(popup.HitTest({0, 0}), 255);
  popup.SetShapeRect(80, 60);
  popup.SetRects({SkinRect{0, 0, 80, 20}, SkinRect{0, 20, 80, 20}}, {"one"});
  EXPECT_EQ(popup.Captions().size(), 2u);
  EXPECT_EQ(popup.HitTest({10, 25}), 1);
  EXPECT_FALSE(popup.Compose().isNull());  // no images: still paints its captions on black
  EXPECT_TRUE(popup.windowFlags() & Qt::Popup);
}

TEST_F(SkinnedPopupTest, MenuChainTakesThePointerBackAndAPressOutsideClosesItForTheOwner) {
  Owner owner;
  owner.setMouseTracking(true);  // as the main window
  owner.setGeometry(0, 0, 500, 400);
  owner.show();
  auto [menu, sub] = OpenChain(owner);
  EXPECT_EQ(sub->pos(), QPoint(150, 70));

  // The submenu on top gets the events: over the menu below they go to that menu, over
  // nothing they change nothing.
  Send(sub, QEvent::MouseMove, {60, 95});
  EXPECT_EQ(menu->Hover(), 2);
  Send(sub, QEvent::MouseMove, {160, 75});
  EXPECT_EQ(sub->Hover(), 0);
  Send(sub, QEvent::MouseMove, {400, 300});
  EXPECT_EQ(menu->Hover(), 2);
  EXPECT_EQ(sub->Hover(), 0);
  Send(sub, QEvent::MouseButtonPress, {60, 55});
  Send(sub, QEvent::MouseButtonRelease, {60, 55});
  EXPECT_EQ(menu->clicks, std::vector<int>{0});

  // A press outside the chain closes every level and is the owner's press as well.
  Send(sub, QEvent::MouseButtonPress, {300, 200});
  EXPECT_FALSE(menu->isVisible());
  EXPECT_FALSE(sub->isVisible());
  QApplication::processEvents();
  EXPECT_EQ(owner.presses, std::vector<QPoint>{QPoint(300, 200) - owner.mapToGlobal(QPoint(0, 0))});
  EXPECT_GE(owner.moves, 1) << "the owner learns where the pointer is first";
}

TEST_F(SkinnedPopupTest, ACascadeThatMetTheScreenEdgeGoesOnToTheLeftInsteadOfCoveringTheLevelBefore) {
  Owner owner;
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  owner.setGeometry(area.left(), area.top(), 300, 200);
  owner.show();
  auto* menu = new ProbePopup(&owner, PopupStyle::Menu);
  menu->SetShapeRect(100, 200);
  menu->ShowAt({area.right() + 1 - 100, area.top() + 10});  // at the right edge
  auto* groups = new ProbePopup(menu, PopupStyle::Menu);
  groups->SetShapeRect(80, 60);
  groups->ShowBeside(menu, 100, 20);
  EXPECT_EQ(groups->pos(), QPoint(area.right() + 1 - 180, area.top() + 30));
  auto* macros = new ProbePopup(groups, PopupStyle::Menu);
  macros->SetShapeRect(70, 40);
  macros->ShowBeside(groups, 80, 20);
  EXPECT_EQ(macros->pos(), QPoint(area.right() + 1 - 250, area.top() + 50));
  menu->ClosePopup();
}

TEST_F(SkinnedPopupTest, TheReleaseOfTheClickThatOpenedAMenuUnderThePointerChoosesNothing) {
  Owner owner;
  owner.setGeometry(0, 0, 500, 400);
  owner.show();
  // The owner's press opened the menu where the pointer is; its release goes to the menu.
  auto [menu, sub] = OpenChain(owner);
  Send(sub, QEvent::MouseMove, {60, 75});
  Send(sub, QEvent::MouseButtonRelease, {60, 75});
  EXPECT_TRUE(menu->clicks.empty());
  EXPECT_TRUE(menu->isVisible());

  // A click of its own chooses, on whichever level of the chain it ends.
  Send(sub, QEvent::MouseButtonPress, {60, 75});
  Send(sub, QEvent::MouseButtonRelease, {160, 75});
  EXPECT_EQ(sub->clicks, std::vector<int>{0});
  Send(sub, QEvent::MouseButtonRelease, {60, 95});
  EXPECT_TRUE(menu->clicks.empty()) << "one press, one choice";
  menu->ClosePopup();
}

}  // namespace
