// A menu opened by a press, under the pointer, on a real X server: the release of that
// click reaches the menu (it holds the pointer) and must not choose the row under it.
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

#include <gtest/gtest.h>

#include <vector>

#include "../app/app_fixture.h"
#include "popups/skinned_popup.h"
#include "x11_support.h"

namespace {

using apptest::SpinUntil;
using x11test::Xdotool;

class RowMenu : public SkinnedPopup {
 public:
  RowMenu(QWidget* owner, std::vector<int>* chosen) : SkinnedPopup(owner, PopupStyle::Menu), chosen_(chosen) {
    SetShapeRect(120, 90);
    SetRows(3, 120, 30, {"one", "two", "three"});
  }

 protected:
  void OnClick(int hit) override {
    chosen_->push_back(hit);
    ClosePopup();
  }

 private:
  std::vector<int>* chosen_;
};

// Opens its menu at every press, with the pointer on the menu's second row.
class MenuOwner : public QWidget {
 public:
  QPointer<RowMenu> menu;
  std::vector<int> chosen;

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    menu = new RowMenu(this, &chosen);
    menu->ShowAt(event->globalPosition().toPoint() - QPoint(60, 45));
  }
};

bool ClickWhileRunning() { return x11test::XdotoolWhileRunning({"click", "1"}); }

TEST(MenuX11, AQuickClickThatOpensAMenuUnderThePointerLeavesItOpenAndTheNextClickChooses) {
  MenuOwner owner;
  owner.setGeometry(200, 150, 400, 300);
  owner.show();
  ASSERT_TRUE(x11test::WaitPlaced(owner));
  const QPoint centre = owner.mapToGlobal(QPoint(200, 150));
  ASSERT_TRUE(x11test::MovePointer(centre));
  ASSERT_TRUE(x11test::HandleEventsSoFar());

  ASSERT_TRUE(ClickWhileRunning());
  ASSERT_TRUE(SpinUntil([&] { return owner.menu && owner.menu->isVisible(); }));
  // The click's release, handled by now, chose nothing and left it open.
  ASSERT_TRUE(x11test::HandleEventsSoFar());
  ASSERT_TRUE(owner.menu && owner.menu->isVisible());
  EXPECT_TRUE(owner.chosen.empty());

  ASSERT_TRUE(ClickWhileRunning());
  ASSERT_TRUE(SpinUntil([&] { return !owner.menu; }));
  EXPECT_EQ(owner.chosen, std::vector<int>{1});
}

}  // namespace
