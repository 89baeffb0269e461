// The base of the skinned popups: shape and size from the mask, layout, hit test,
// hover and pressed looks, clicks handed to the subclass.
#include <gtest/gtest.h>

#include "popups/skinned_popup.h"
#include "../ui_skin/skin_fixture.h"

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

}  // namespace
