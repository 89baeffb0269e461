// The four pages composed from the installed skin images and layouts with factory-like
// settings: each page is the installed look with its tab, its profile and its state on
// top. MC_PAGE_SHOT_DIR, when set, receives the composed pages as PNG files.
#include <QDir>
#include <QPainter>

#include <array>
#include <span>

#include "mainwnd/main_shape.h"
#include "mainwnd/main_skins.h"
#include "page_fixture.h"

#include "mainwnd/main_dialog.h"
#include "mainwnd/page_paint.h"
#include "mainwnd/page_state.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "skin/skin_image.h"

namespace painttest {
namespace {

class InstalledPagesTest : public PagePaintTest {
 protected:
  void SetUp() override {
    PagePaintTest::SetUp();
    SetProgramPaths(MC_PROGRAM_DIR);
    SkinImages().Clear();
    g_keyCount = 8;
    for (int i = 0; i < 8; ++i) g_keyFunc[0][static_cast<std::size_t>(i)] = i + 1;
    g_dpiSetEnable = {1, 1, 1, 1, 0, 0};
    g_dpiSetValue = {3, 7, 11, 15, 18, 22};
    for (int j = 0; j < 6; ++j) g_dpiColorRef[static_cast<std::size_t>(j)] = ColorFromLevels(j * 2, 15 - j * 2, j);
    for (int n = 0; n < 7; ++n) g_userLedColorRef[static_cast<std::size_t>(n)] = ColorFromLevels(n * 2, 0, 15 - n * 2);
    g_dpiLevel = 1;
    g_dpiSpeed = 6;
    g_wheelSpeed = 3;
    g_fireTime = 90;
    g_ledSpeed = 2;
    g_ledBright = 2;
    g_cycColorEnable = {1, 1, 0, 1, 0, 1, 1};
    g_ledType = 1;
  }
};

TEST_F(InstalledPagesTest, EveryPageShowsItsTabAndProfileSelected) {
  const char* const sets[] = {"main", "advanced", "mac", "led"};
  const char* shots = std::getenv("MC_PAGE_SHOT_DIR");
  for (int page = kPageMain; page <= kPageLed; ++page) {
    SCOPED_TRACE(sets[page]);
    g_currentProfile = page;
    g_hoverFrame = page == kPageMain ? 22 : kNoHover;
    const QImage image = Compose(page);
    const QImage down = SkinImages().Image(SkinImagePath(std::string(sets[page]) + "_down.jpg"));
    ASSERT_FALSE(down.isNull());
    ASSERT_EQ(image.size(), down.size());
    for (int entry : {6 + page, 10 + page}) {
      const SkinRect& r = g_mainRects[static_cast<std::size_t>(entry)];
      EXPECT_EQ(image.pixel(r.x + 2, r.y + 2), down.convertToFormat(image.format()).pixel(r.x + 2, r.y + 2))
          << "entry " << entry;
    }
    if (shots) image.save(QDir(shots).filePath(QString("page_%1_%2.png").arg(page).arg(sets[page])));
  }
}

TEST_F(InstalledPagesTest, LightingPageInItsOtherStates) {
  const char* shots = std::getenv("MC_PAGE_SHOT_DIR");
  const QImage down = SkinImages().Image(SkinImagePath("led_down.jpg"));
  // The reactive effect with each key's reaction type, and the alternate mode.
  g_ledType = 12;
  g_ledReactEnable[0] = {1, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0};
  g_ledReactType[0] = {0, 1, 2, 3, 0, 1, 2, 3, 0, 0, 0, 0};
  g_hoverLed = 51;
  g_skinButtonDown = 1;
  const QImage reactive = Compose(kPageLed);
  EXPECT_EQ(reactive.pixel(g_ledRects[53].x + 2, g_ledRects[53].y + 2),
            down.convertToFormat(reactive.format()).pixel(g_ledRects[53].x + 2, g_ledRects[53].y + 2));
  g_modeLight = 1;
  g_hoverLed = kNoHover;
  const QImage alternate = Compose(kPageLed);
  const QImage second = SkinImages().Image(SkinImagePath("new_down.jpg")).convertToFormat(alternate.format());
  const SkinRect& area = g_ledRects[78];
  EXPECT_EQ(alternate.pixel(area.x + 2, area.y + 2), second.pixel(area.x + 2, area.y + 2));
  if (shots) {
    reactive.save(QDir(shots).filePath("page_3_led_reactive.png"));
    alternate.save(QDir(shots).filePath("page_3_led_alternate.png"));
  }
}


// The page as it was painted before images were cut: every image whole.
QImage ComposeFromWholeImages(int page) {
  const std::string set = std::string(std::array{"main", "advanced", "mac", "led"}[page]);
  const QImage normal = QImage(QString::fromStdString(SkinImagePath(set + "_normal.jpg")));
  const QImage over = QImage(QString::fromStdString(SkinImagePath(set + "_over.jpg")));
  const QImage down = QImage(QString::fromStdString(SkinImagePath(set + "_down.jpg")));
  QImage target(normal.size(), QImage::Format_ARGB32_Premultiplied);
  {
    QPainter p(&target);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, normal);
  }
  const int hovers[] = {g_hoverFrame, g_hoverAdvanced, g_hoverMacro, g_hoverLed};
  const std::span<const SkinRect> tables[] = {g_mainRects, g_advancedRects, g_macroRects, g_ledRects};
  PaintPage(target, over, down, tables[page], hovers[page]);
  PaintTabs(target, over, down, 6 + page);
  PaintAssignmentLabels(target, kPageLabelCounts[static_cast<std::size_t>(page)]);
  return target;
}

// A hover change composes only the changed controls again, from the cut images, and
// the result is the whole paint's, pixel for pixel; pressed looks and full sliders
// (whose fill reaches past its entry) come from the cut images unchanged too.
TEST_F(InstalledPagesTest, HoverRepaintAndCutImagesGiveExactlyTheWholePaint) {
  g_leftMac[0][2] = 1;  // the left-click picture of button 2
  g_dpiSetValue[1] = 22;
  g_fireTime = 300;
  struct Step {
    int frame;
    int pageHover;
  };
  const std::vector<std::vector<Step>> walks = {
      {{3, kNoHover}, {22, kNoHover}, {37, kNoHover}, {24, kNoHover}, {kNoHover, kNoHover}},
      {{7, kNoHover}, {kNoHover, 66}, {kNoHover, 3}, {kNoHover, 31}, {kNoHover, kNoHover}},
      {{8, kNoHover}, {kNoHover, 4}, {kNoHover, 6}, {kNoHover, kNoHover}},
      {{9, kNoHover}, {kNoHover, 51}, {kNoHover, 8}, {kNoHover, kNoHover}},
  };
  int* pageHovers[] = {&g_hoverFrame, &g_hoverAdvanced, &g_hoverMacro, &g_hoverLed};
  for (int page = kPageMain; page <= kPageLed; ++page) {
    for (int down : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "page " << page << " pressed " << down);
      g_skinButtonDown = down;
      g_hoverFrame = g_hoverAdvanced = g_hoverMacro = g_hoverLed = kNoHover;
      Compose(page);
      Step last{kNoHover, kNoHover};
      for (const Step& step : walks[static_cast<std::size_t>(page)]) {
        g_hoverFrame = step.frame;
        if (page != kPageMain) *pageHovers[page] = step.pageHover;
        const QRegion area = HoverChangeArea(page, last.frame, step.frame, last.pageHover, step.pageHover);
        last = step;
        ASSERT_FALSE(area.isEmpty());
        int pixels = 0;
        for (const QRect& r : area) pixels += r.width() * r.height();
        EXPECT_LT(pixels, g_windowWidth * g_windowHeight / 10);
        const QImage partial = ComposePageArea(area).copy();
        const QImage whole = ComposeCurrentPage();
        ASSERT_TRUE(partial == whole) << "after hover " << step.frame << "/" << step.pageHover;
        ASSERT_TRUE(whole == ComposeFromWholeImages(page).convertToFormat(whole.format()));
      }
    }
  }
  EXPECT_TRUE(HoverChangeArea(kPageMain, 5, 5, 3, 9).isEmpty());  // another page's table
}

// The cache holds the shown page's images only, cut where that is smaller, and
// nothing once the window goes away.
TEST_F(InstalledPagesTest, CacheHoldsOnlyTheShownPage) {
  const qsizetype whole = qsizetype{4} * g_windowWidth * g_windowHeight;
  Compose(kPageMain);
  const qsizetype mainPage = SkinImages().Bytes();
  EXPECT_LT(mainPage, 2 * whole);  // the background, and the parts of over and down
  for (int page : {kPageAdvanced, kPageMacro, kPageLed, kPageMain}) Compose(page);
  EXPECT_LE(SkinImages().Bytes(), mainPage + 64 * 1024);  // and the small overlays
  ReleasePageImages();
  EXPECT_EQ(SkinImages().Bytes(), 0);
  const QImage again = Compose(kPageMain);
  EXPECT_FALSE(again.isNull());
}

}  // namespace
}  // namespace painttest
