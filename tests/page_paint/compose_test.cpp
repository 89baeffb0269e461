// What each page copies from its over, down and disabled images, where the sliders end,
// and the swatches and the colour pickers.
#include <QCoreApplication>

#include "mainwnd/main_skins.h"
#include "page_fixture.h"

#include "mainwnd/main_dialog.h"
#include "mainwnd/page_paint.h"
#include "mainwnd/page_state.h"
#include "profile/macro_library.h"
#include "profile/macro_record.h"
#include "profile/settings.h"

namespace painttest {
namespace {

class ComposeTest : public PagePaintTest {};

// ---- Hovered and pressed controls, tabs ------------------------------------------------

TEST_F(ComposeTest, HoveredControlShowsOverAndPressedShowsDownExceptOnLightingPageAndTracks) {
  struct Case {
    int page;
    int* hover;
    const SkinRect* rect;
    int entry;
    int down;
    QColor expected;
  };
  const Case cases[] = {
      {kPageMain, &g_hoverFrame, &g_mainRects[3], 3, 0, kOver},
      {kPageMain, &g_hoverFrame, &g_mainRects[3], 3, 1, kDown},
      {kPageMacro, &g_hoverMacro, &g_macroRects[5], 5, 1, kDown},
      {kPageLed, &g_hoverLed, &g_ledRects[51], 51, 1, kOver},
      {kPageAdvanced, &g_hoverAdvanced, &g_advancedRects[66], 66, 1, kOver},
      {kPageAdvanced, &g_hoverAdvanced, &g_advancedRects[3], 3, 1, kDown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "page " << c.page << " entry " << c.entry << " down " << c.down);
    ASSERT_GT(c.rect->width, 0);
    g_hoverFrame = g_hoverAdvanced = g_hoverMacro = g_hoverLed = kNoHover;
    *c.hover = c.entry;
    g_skinButtonDown = c.down;
    const QImage page = Compose(c.page);
    // The bottom-right corner: away from the caption and from the DPI slider's fill.
    const QPoint corner(c.rect->x + c.rect->width - 2, c.rect->y + c.rect->height - 2);
    EXPECT_TRUE(Near(page.pixelColor(corner), c.expected)) << page.pixelColor(corner).name().toStdString();
  }
}

TEST_F(ComposeTest, TabOfPageAndCurrentProfileAreSelectedOnEveryPage) {
  for (int page = kPageMain; page <= kPageLed; ++page) {
    g_currentProfile = page;  // a different profile on each page
    const QImage image = Compose(page);
    for (int i = 6; i <= 13; ++i) {
      const bool selected = i == 6 + page || i == 10 + page;
      const SkinRect& r = g_mainRects[static_cast<std::size_t>(i)];
      EXPECT_TRUE(Near(image.pixelColor(r.x + 1, r.y + 1), selected ? kDown : kNormal)) << "page " << page << " entry " << i;
    }
  }
}

TEST_F(ComposeTest, HoveredMainButtonLightsItsPartnerAndShowsMarkerOnlyForLeftMacro) {
  const QPoint marker(378 + 1, 535 + 1);
  g_hoverFrame = 20 + 3;
  g_leftMac[0][3] = 0;
  QImage page = Compose(kPageMain);
  EXPECT_TRUE(Near(CentreOf(page, g_mainRects[38]), kDown));
  EXPECT_FALSE(Near(page.pixelColor(marker), QColor(255, 255, 255)));

  g_leftMac[0][3] = 1;
  page = Compose(kPageMain);
  EXPECT_TRUE(Near(page.pixelColor(marker), QColor(255, 255, 255)));

  // The partner lights its button.
  g_hoverFrame = 35 + 1;
  page = Compose(kPageMain);
  EXPECT_TRUE(Near(page.pixelColor(g_mainRects[21].x + 1, g_mainRects[21].y + 1), kDown));
  EXPECT_TRUE(messages_.empty());

  // Beyond the mouse's buttons neither is lit.
  g_keyCount = 2;
  g_hoverFrame = 20 + 3;
  page = Compose(kPageMain);
  EXPECT_TRUE(Near(CentreOf(page, g_mainRects[38]), kNormal));
}

TEST_F(ComposeTest, MissingMarkerPictureIsReportedOncePerHoverAndAfterThePaint) {
  std::remove((LanguageDir() + "/zhi.png").c_str());
  g_hoverFrame = 20;
  g_leftMac[0][0] = 1;
  Compose(kPageMain);
  EXPECT_TRUE(messages_.empty());  // not from inside the paint
  QCoreApplication::processEvents();
  ASSERT_EQ(messages_, std::vector<std::string>{"zhi.png"});
  Compose(kPageMain);
  QCoreApplication::processEvents();
  EXPECT_EQ(messages_.size(), 1u);  // still the same hover
  g_hoverFrame = kNoHover;
  Compose(kPageMain);
  g_hoverFrame = 20;
  Compose(kPageMain);
  QCoreApplication::processEvents();
  EXPECT_EQ(messages_.size(), 2u);
}

// ---- Sliders --------------------------------------------------------------------------

struct SliderCase {
  int page;
  const SkinRect* rect;
  std::function<void()> set;
  int fill;      // expected fill width
  int knobDx;    // knob x relative to x + fill
  int knobDy;    // knob y relative to the top
};

void ExpectFill(const QImage& image, const SliderCase& c) {
  const SkinRect& r = *c.rect;
  // A row the knob does not cover.
  const int row = c.knobDy >= 0 && c.knobDy < 4 ? r.y + r.height - 1 : r.y + 1;
  if (c.fill > 0) { EXPECT_TRUE(Near(image.pixelColor(r.x + c.fill - 1, row), kDown)) << "inside the fill"; }
  if (c.fill < r.width) { EXPECT_TRUE(Near(image.pixelColor(r.x + c.fill, row), kNormal)) << "after the fill"; }
  const QPoint knob(r.x + c.fill + c.knobDx, r.y + c.knobDy);
  EXPECT_TRUE(Near(image.pixelColor(knob), kKnob, 2)) << "knob at " << knob.x() << "," << knob.y();
}

TEST_F(ComposeTest, SliderFillsAndKnobsFollowTheirValues) {
  const SkinRect& dpi = g_advancedRects[66];
  const SkinRect& speed = g_advancedRects[1];
  const SkinRect& fire = g_advancedRects[31];
  const SkinRect& ledSpeed = g_ledRects[41];
  const SkinRect& bright = g_ledRects[40];
  const int step = static_cast<int>(4.0f * g_sliderStep);
  const std::vector<SliderCase> cases = {
      {kPageAdvanced, &dpi, [] { g_dpiLevel = 2; g_dpiSetValue[2] = 3; }, step, -5, 13},
      {kPageAdvanced, &dpi, [] { g_dpiLevel = 1; g_dpiSetValue[1] = 16; }, 303, -5, 13},
      {kPageAdvanced, &speed, [] { g_dpiSpeed = 5; }, 5 * speed.width / 11, -6, 0},
      {kPageAdvanced, &speed, [] { g_dpiSpeed = 200; }, speed.width, -6, 0},
      {kPageAdvanced, &fire, [] { g_fireTime = 150; }, 150 * fire.width / 300, -6, 0},
      {kPageAdvanced, &fire, [] { g_fireTime = 300; }, fire.width, -6, 0},
      {kPageAdvanced, &fire, [] { g_fireTime = -40; }, 0, -6, 0},
      // Effect 3 greys out neither slider's panel.
      {kPageLed, &ledSpeed, [] { g_ledType = 3; g_ledSpeed = 2; }, 3 * ledSpeed.width / 6, -5, -5},
      {kPageLed, &ledSpeed, [] { g_ledType = 3; g_ledSpeed = 9; }, ledSpeed.width, -5, -5},
      {kPageLed, &bright, [] { g_ledType = 3; g_ledBright = 0; }, bright.width, -5, -5},
      {kPageLed, &bright, [] { g_ledType = 3; g_ledBright = 4; }, 3 * bright.width / 7, -5, -5},
  };
  ASSERT_GT(dpi.width, 0);
  ASSERT_GT(ledSpeed.width, 0);
  for (std::size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(testing::Message() << "case " << i);
    ClearSettingsTables();
    cases[i].set();
    ExpectFill(Compose(cases[i].page), cases[i]);
  }
}

// ---- Selected options ------------------------------------------------------------------

TEST_F(ComposeTest, AdvancedPageShowsLevelEnabledLevelsAndReportRate) {
  g_dpiLevel = 4;
  g_dpiSetEnable = {1, 0, 1, 0, 0, 1};
  g_usbSpeed = 0;
  QImage page = Compose(kPageAdvanced);
  auto lit = [&](int entry) {
    const SkinRect& r = g_advancedRects[static_cast<std::size_t>(entry)];
    return Near(page.pixelColor(r.x + 1, r.y + 1), kDown);
  };
  for (int j = 0; j < 6; ++j) { EXPECT_EQ(lit(60 + j), j == 4) << "level " << j; }
  for (int j = 0; j < 6; ++j) { EXPECT_EQ(lit(47 + j), g_dpiSetEnable[j] == 1) << "enable " << j; }
  EXPECT_TRUE(lit(34));
  // The installed layout has one report-rate choice; another rate lights none of it.
  g_usbSpeed = 2;
  page = Compose(kPageAdvanced);
  EXPECT_FALSE(lit(34));
}

TEST_F(ComposeTest, MacroPageShowsRecordingSoftwareModeAndRepeatModeOfSelectedMacro) {
  auto lit = [](const QImage& page, int entry) {
    const SkinRect& r = g_macroRects[static_cast<std::size_t>(entry)];
    return Near(page.pixelColor(r.x + 1, r.y + 1), kDown);
  };
  g_macroListRowCount = 2;
  g_macroListRows[0] = {1, 0, 0};
  g_macroListRows[1] = {0, 0, 0};
  g_editMacro = 0;
  struct Case {
    int row;
    int mode;
    int lit;  // -1: none of 6, 7, 8
  };
  for (const Case c : {Case{1, 2, 6}, Case{1, 1, 7}, Case{1, 0, 8}, Case{1, 3, -1}, Case{1, 6, 6}, Case{0, 2, -1},
                       Case{-1, 2, -1}, Case{5, 2, -1}}) {
    SCOPED_TRACE(testing::Message() << "row " << c.row << " mode " << c.mode);
    g_macroListRow = c.row;
    g_groupMacros[0].mode = static_cast<std::uint8_t>(c.mode);
    const QImage page = Compose(kPageMacro);
    for (int e = 6; e <= 8; ++e) { EXPECT_EQ(lit(page, e), e == c.lit) << "entry " << e; }
  }
  EXPECT_FALSE(lit(Compose(kPageMacro), 4));
  EXPECT_FALSE(lit(Compose(kPageMacro), 15));
  g_recording = 1;
  g_softHardMac = 1;
  EXPECT_TRUE(lit(Compose(kPageMacro), 4));
  EXPECT_TRUE(lit(Compose(kPageMacro), 15));
}

TEST_F(ComposeTest, LightingPageShowsOptionsAndGreysOutWhatTheEffectDoesNotUse) {
  // The options 45, 49 and 50 lie inside panel 74: they can only be seen greyed on
  // their own while the panel is not.
  const std::vector<int> candidates = {45, 49, 50, 71, 72, 73, 74, 75};
  for (int effect = 0; effect <= 14; ++effect) {
    SCOPED_TRACE(testing::Message() << "effect " << effect);
    g_ledType = static_cast<std::uint8_t>(effect);
    const QImage page = Compose(kPageLed);
    const std::vector<int> greyed = LedDisabledEntries(effect);
    for (int entry : candidates) {
      const SkinRect& r = g_ledRects[static_cast<std::size_t>(entry)];
      if (r.width <= 0) continue;
      const bool panelGreyed = std::find(greyed.begin(), greyed.end(), 74) != greyed.end();
      if (entry < 71 && panelGreyed) continue;
      const bool expected = std::find(greyed.begin(), greyed.end(), entry) != greyed.end();
      EXPECT_EQ(Near(page.pixelColor(r.x + 1, r.y + 1), kNull), expected) << "entry " << entry;
    }
  }
  EXPECT_EQ(LedDisabledEntries(3), std::vector<int>{71});
  EXPECT_TRUE(LedDisabledEntries(14).empty());
}

TEST_F(ComposeTest, LightingPageLightsEnabledColoursReactingKeysAndDirection) {
  g_cycColorEnable = {1, 0, 0, 1, 0, 0, 1};
  g_ledReactEnable[1] = {1, 0, 1, 0, 0, 0, 0, 0, 1, 1, 1, 1};
  g_currentProfile = 1;
  g_ledDirection = 1;
  g_ledSymmetry = 0;
  g_ledType = 14;  // nothing greyed out
  const QImage page = Compose(kPageLed);
  auto lit = [&](int entry) {
    const SkinRect& r = g_ledRects[static_cast<std::size_t>(entry)];
    return r.width > 0 && Near(page.pixelColor(r.x + 1, r.y + 1), kDown);
  };
  for (int k = 0; k < 7; ++k) { EXPECT_EQ(lit(7 + k), g_cycColorEnable[k] == 1) << "colour " << k; }
  for (int i = 0; i < 8; ++i)
    if (g_ledRects[51 + i].width > 0) { EXPECT_EQ(lit(51 + i), g_ledReactEnable[1][i] == 1) << "key " << i; }
  EXPECT_TRUE(lit(48));
  EXPECT_FALSE(lit(47));
  EXPECT_FALSE(lit(45));
}

TEST_F(ComposeTest, SecondLightingModeShowsOnlyItsOwnLook) {
  g_modeLight = 1;
  g_cycColorEnable.fill(1);
  const QImage page = Compose(kPageLed);
  const SkinRect& mode = g_ledRects[19];
  const SkinRect& second = g_ledRects[78];
  EXPECT_TRUE(Near(page.pixelColor(mode.x + 1, mode.y + 1), kDown));
  if (second.width > 0) { EXPECT_TRUE(Near(page.pixelColor(second.x + 1, second.y + 1), kNewDown)); }
  EXPECT_FALSE(Near(page.pixelColor(g_ledRects[7].x + 1, g_ledRects[7].y + 1), kDown));
}

// ---- Colours ----------------------------------------------------------------------------

TEST_F(ComposeTest, ColourLevelsOfBytes) {
  const std::pair<int, int> cases[] = {{255, 0}, {240, 0}, {239, 1}, {128, 7}, {15, 15}, {0, 15}, {300, 0}, {-5, 15}};
  for (auto [byte, level] : cases) { EXPECT_EQ(ColorByteToLevel(byte), level) << byte; }
}

TEST_F(ComposeTest, SwatchesShowTheColoursOfTheirLevels) {
  g_dpiColorRef[3] = ColorFromLevels(0, 8, 15);
  g_userLedColorRef[5] = ColorFromLevels(15, 0, 4);
  g_ledType = 3;  // the swatch panel not greyed out
  QImage page = Compose(kPageAdvanced);
  EXPECT_TRUE(Near(CentreOf(page, g_advancedRects[77 + 3]), QColor(255, 127, 15), 8));
  page = Compose(kPageLed);
  EXPECT_TRUE(Near(CentreOf(page, g_ledRects[5]), QColor(15, 255, 191), 8));
}

TEST_F(ComposeTest, ColourPickersStoreLevelsOnOkAndRepaintEitherWay) {
  SetColorChooser([] { return std::optional<QColor>(QColor(255, 128, 0)); });
  PickDpiColor(77 + 2);
  EXPECT_EQ(g_dpiColorLevel[2], (std::array<int, 3>{0, 7, 15}));
  EXPECT_EQ(g_dpiColorRef[2], ColorFromLevels(0, 7, 15));
  PickUserLedColor(6);
  EXPECT_EQ(g_userLedColorLevel[6], (std::array<int, 3>{0, 7, 15}));
  EXPECT_EQ(repaints_, 2);

  SetColorChooser([] { return std::optional<QColor>(); });
  const auto before = g_dpiColorRef;
  PickDpiColor(77);
  PickUserLedColor(0);
  EXPECT_EQ(g_dpiColorRef, before);
  EXPECT_EQ(g_userLedColorLevel[0], (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(repaints_, 4);

  // Entries that are no colour open nothing.
  int opened = 0;
  SetColorChooser([&] { ++opened; return std::optional<QColor>(); });
  PickDpiColor(76);
  PickDpiColor(83);
  PickUserLedColor(7);
  PickUserLedColor(-1);
  EXPECT_EQ(opened, 0);
}

TEST_F(ComposeTest, OutOfRangeStoredValuesPaintWithoutFault) {
  g_dpiLevel = 9;
  g_dpiSetValue.fill(250);
  g_usbSpeed = 200;
  g_ledDirection = 1000;
  g_ledType = 255;
  g_ledBright = 40;
  g_currentProfile = 7;
  g_keyCount = 40;
  g_editMacro = 99;
  g_macroListRow = 1;
  g_macroListRowCount = 3;
  for (int page = kPageMain; page <= kPageLed; ++page) {
    g_hoverFrame = 20;
    EXPECT_FALSE(Compose(page).isNull());
  }
}

}  // namespace
}  // namespace painttest
