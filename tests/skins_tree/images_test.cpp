// The shared images of the built tree against the layouts: sizes of each set, window
// shapes, the frame that every page repeats, state looks kept inside their rectangles,
// and the sizes that the menus and overlays need.
#include <gtest/gtest.h>

#include <QPainter>
#include <QRegion>

#include <map>

#include "keys/language.h"
#include "platform/ini_file.h"
#include "profile/paths.h"
#include "skin/skin_image.h"
#include "skin/skin_layout.h"
#include "tree_util.h"

namespace {

// One layout table of the English folder with the look of each entry (field 0).
struct Entry {
  int index;
  std::string look;
  QRect rect;
};

std::vector<Entry> Table(const std::string& file, const std::string& section = "BUTTONPOS") {
  std::vector<Entry> table;
  for (const auto& [key, value] : tree::RawSection(tree::SkinsFile("1_INI_EN/" + file), section)) {
    SkinFields f;
    SplitSkinValue(value, f);
    table.push_back({std::stoi(key), f[0], EntryFromFields(f).rect.ToQRect()});
  }
  return table;
}

QRect At(const std::vector<Entry>& table, int index) {
  for (const Entry& e : table)
    if (e.index == index) return e.rect;
  return QRect();
}

QSize SizeOf(const std::string& rel) { return tree::LoadImage(rel).size(); }

const QSize kMain = [] { return SizeOf("main_mask.jpg"); }();

TEST(ImageSets, EveryImageOfASetHasTheSetsSize) {
  struct Set {
    std::vector<std::string> files;
    QSize expected;  // empty: the size of the first file
  };
  auto four = [](const std::string& n, const std::string& tail = "") {
    return std::vector<std::string>{n + "_normal" + tail + ".jpg", n + "_over" + tail + ".jpg",
                                    n + "_down" + tail + ".jpg", n + "_mask" + tail + ".jpg"};
  };
  auto three = [](const std::string& n) {
    return std::vector<std::string>{n + "_normal.jpg", n + "_over.jpg", n + "_down.jpg"};
  };
  std::vector<Set> sets = {
      {four("main"), {}},
      {three("advanced"), kMain},
      {three("mac"), kMain},
      {three("led"), kMain},
      {{"led_null.jpg", "new_down.jpg"}, kMain},
      {{"warning_normal.jpg", "warning_over.jpg", "warning_mask.jpg"}, QSize(400, 200)},
      {four("keyset"), QSize(360, 200)},
      {three("combinationKey"), QSize(480, 330)},
      {four("gun"), {}},
      {four("sound"), {}},
      {four("Profile"), {}},
      {four("menu1"), {}},
      {four("led_menu"), {}},
      {four("menu"), {}},
      {four("menu2"), {}},
      {three("Macro_menu"), SizeOf("menu2_mask.jpg")},
      {four("MacMenu/MacG"), {}},
      {four("MacMenu/MacR"), {}},
      {four("MacMenu/MacR", "2"), {}},
      {four("MacMenu/Insert"), {}},
      {four("MacMenu/Insert2th"), {}},
      {four("MacMenu/Insert3th"), {}},
  };
  ASSERT_FALSE(kMain.isEmpty());
  for (const Set& set : sets) {
    QSize expected = set.expected.isEmpty() ? SizeOf(set.files[0]) : set.expected;
    ASSERT_FALSE(expected.isEmpty()) << set.files[0];
    for (const std::string& f : set.files) EXPECT_EQ(SizeOf(f), expected) << f;
  }
}

struct ShapedWindow {
  const char* mask;
  const char* layout;
  std::vector<std::string> sections;
  int hitTested;  // entries of BUTTONPOS that take clicks (-1: all)
};

class WindowShape : public ::testing::TestWithParam<ShapedWindow> {};

TEST_P(WindowShape, MaskIsCrispAndHoldsEveryControl) {
  const ShapedWindow& w = GetParam();
  QImage mask = tree::LoadImage(w.mask);
  ASSERT_FALSE(mask.isNull()) << w.mask;
  // Far from the cut threshold of 100 everywhere, so compression noise cannot nibble
  // the edges.
  int unclear = 0;
  for (int y = 0; y < mask.height(); ++y)
    for (int x = 0; x < mask.width(); ++x) {
      QRgb p = mask.pixel(x, y);
      for (int c : {qRed(p), qGreen(p), qBlue(p)}) unclear += c > 50 && c < 200;
    }
  EXPECT_EQ(unclear, 0) << w.mask;
  QRegion shape = MaskRegionFromImage(mask);
  EXPECT_FALSE(shape.contains(QPoint(0, 0))) << "corners are rounded off";
  EXPECT_TRUE(shape.contains(QPoint(mask.width() / 2, mask.height() / 2)));
  for (const std::string& section : w.sections) {
    for (const Entry& e : Table(w.layout, section)) {
      if (e.rect.isEmpty()) continue;
      if (section == "BUTTONPOS" && w.hitTested >= 0 && e.index >= w.hitTested) continue;
      EXPECT_TRUE((QRegion(e.rect) - shape).isEmpty()) << w.layout << " [" << section << "] " << e.index;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Windows, WindowShape,
    ::testing::Values(ShapedWindow{"main_mask.jpg", "skin_main.ini", {"BUTTONPOS"}, -1},
                      ShapedWindow{"main_mask.jpg", "skin_advance.ini", {"BUTTONPOS"}, -1},
                      ShapedWindow{"main_mask.jpg", "skin_mac.ini", {"BUTTONPOS", "EDIT", "MACRODISPLAY"}, -1},
                      ShapedWindow{"main_mask.jpg", "skin_color.ini", {"BUTTONPOS"}, -1},
                      ShapedWindow{"warning_mask.jpg", "LBWarning.ini", {"BUTTONPOS"}, -1},
                      ShapedWindow{"keyset_mask.jpg", "skin_keyset.ini", {"BUTTONPOS"}, -1},
                      ShapedWindow{"gun_mask.jpg", "skin_gun.ini", {"BUTTONPOS", "EDIT"}, -1},
                      ShapedWindow{"sound_mask.jpg", "skin_sound.ini", {"BUTTONPOS"}, -1}),
    [](const ::testing::TestParamInfo<ShapedWindow>& info) {
      std::string n = info.param.layout;
      return n.substr(0, n.find('.'));
    });

const char* const kStates[] = {"_normal.jpg", "_over.jpg", "_down.jpg"};

TEST(MainWindowImages, FrameLooksTheSameOnEveryPage) {
  // The frame buttons are copied from the shown page's own over and down images.
  std::vector<Entry> main = Table("skin_main.ini");
  for (const char* state : kStates) {
    QImage reference = tree::LoadImage(std::string("main") + state);
    for (const char* page : {"advanced", "mac", "led"}) {
      QImage other = tree::LoadImage(std::string(page) + state);
      ASSERT_FALSE(other.isNull()) << page << state;
      for (int i = 0; i < 20; ++i) {
        QRect r = At(main, i);
        if (r.isEmpty()) continue;
        tree::Difference d = tree::Compare(reference, other, r);
        EXPECT_LT(d.mean, 1.0) << page << state << " frame entry " << i;
        EXPECT_LT(d.largest, 40) << page << state << " frame entry " << i;
      }
    }
  }
}

// Looks that change with hover or press; the others are drawn alike in every state.
bool HasStates(const std::string& look) {
  static const char* const stateless[] = {"none", "label", "value", "swatch", "swatchpanel", "panel", "list",
                                          "edit", "picture", "area", "logo"};
  std::string kind = look.substr(0, look.find('-'));
  return std::find(std::begin(stateless), std::end(stateless), kind) == std::end(stateless);
}

struct Part {
  std::string file, section;
  int count = 1000;  // entries 0 .. count - 1 are drawn on this set
};

struct StateSet {
  std::string set;
  std::vector<Part> tables;
  bool hasDown;
};

const Part kFrame{"skin_main.ini", "BUTTONPOS", 20};

class ImageStates : public ::testing::TestWithParam<StateSet> {};

TEST_P(ImageStates, ControlsChangeInsideTheirRectanglesOnly) {
  const StateSet& s = GetParam();
  QImage normal = tree::LoadImage(s.set + "_normal.jpg");
  QImage over = tree::LoadImage(s.set + "_over.jpg");
  QImage down = s.hasDown ? tree::LoadImage(s.set + "_down.jpg") : over;
  ASSERT_FALSE(normal.isNull() || over.isNull() || down.isNull()) << s.set;
  QRegion controls;
  for (const auto& [file, section, count] : s.tables)
    for (const Entry& e : Table(file, section)) {
      if (e.rect.isEmpty() || e.index >= count) continue;
      controls += e.rect.adjusted(-10, -10, 10, 10);  // compression spreads a little
      if (!HasStates(e.look)) continue;
      SCOPED_TRACE(file + " [" + section + "] " + std::to_string(e.index) + " " + e.look);
      // Pressed (or selected) and hovered controls look different from normal ones.
      if (s.hasDown) {
        EXPECT_GT(tree::Compare(normal, down, e.rect).mean, 2.0);
      }
      if (e.look != "bar") {
        EXPECT_GT(tree::Compare(normal, over, e.rect).mean, 0.5);
      }
    }
  // Outside every control the three images agree, so copying a control's rectangle
  // carries its whole look.
  for (QImage* other : {&over, &down}) {
    long long sum = 0, count = 0;
    int largest = 0;
    for (int y = 0; y < normal.height(); ++y)
      for (int x = 0; x < normal.width(); ++x) {
        if (controls.contains(QPoint(x, y))) continue;
        QRgb a = normal.pixel(x, y), b = other->pixel(x, y);
        int d = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
        sum += d;
        ++count;
        largest = std::max(largest, d);
      }
    ASSERT_GT(count, 0);
    EXPECT_LT(static_cast<double>(sum) / count, 0.5) << s.set;
    EXPECT_LT(largest, 24) << s.set;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Sets, ImageStates,
    ::testing::Values(
        StateSet{"main", {{"skin_main.ini", "BUTTONPOS"}}, true},
        StateSet{"advanced", {kFrame, {"skin_advance.ini", "BUTTONPOS"}}, true},
        StateSet{"mac",
                 {kFrame, {"skin_mac.ini", "BUTTONPOS"}, {"skin_mac.ini", "EDIT"}, {"skin_mac.ini", "MACRODISPLAY"}},
                 true},
        StateSet{"led", {kFrame, {"skin_color.ini", "BUTTONPOS"}}, true},
        StateSet{"warning", {{"LBWarning.ini", "BUTTONPOS"}}, false},
        StateSet{"keyset", {{"skin_keyset.ini", "BUTTONPOS"}}, true},
        StateSet{"combinationKey", {{"skin_shortcut.ini", "BUTTONPOS"}}, true},
        StateSet{"gun", {{"skin_gun.ini", "BUTTONPOS"}, {"skin_gun.ini", "EDIT"}}, true},
        StateSet{"sound", {{"skin_sound.ini", "BUTTONPOS"}}, true}),
    [](const ::testing::TestParamInfo<StateSet>& info) { return info.param.set; });

bool Encloses(const QRect& outer, const QRect& inner) { return inner.isEmpty() || outer.contains(inner); }

TEST(PageLayouts, PanelsEncloseTheControlsTheyGreyOut) {
  std::vector<Entry> led = Table("skin_color.ini");
  const std::map<int, std::vector<int>> panels = {
      {71, {61, 62, 63, 64, 65, 66, 67, 68}},
      {72, {38, 40}},
      {73, {39, 41}},
      {74, {30, 31, 32, 33, 34, 45, 47, 48, 49, 50}},
      {75, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
  };
  for (const auto& [panel, inside] : panels) {
    ASSERT_FALSE(At(led, panel).isEmpty()) << panel;
    for (int i : inside) EXPECT_TRUE(Encloses(At(led, panel), At(led, i))) << "panel " << panel << " entry " << i;
  }
  // The reaction toggles stay usable with every effect: outside the greyed panel.
  for (int i = 51; i <= 58; ++i) EXPECT_FALSE(At(led, 71).intersects(At(led, i))) << i;
  // The alternate mode replaces area 78: everything but the mode selector lies in it.
  for (const Entry& e : led)
    if (e.index <= 75 && (e.index < 17 || e.index > 20) && !e.rect.isEmpty()) {
      EXPECT_TRUE(Encloses(At(led, 78), e.rect)) << e.index;
    }
  // The user colour panel (always drawn from the down image) holds the swatches only.
  for (int i = 7; i <= 13; ++i) EXPECT_FALSE(At(led, 14).intersects(At(led, i))) << i;
}

TEST(PageLayouts, OnlyLabelsOverlapOtherControls) {
  // Where rectangles overlap the lowest index wins the hit test, and a hovered entry
  // is copied whole from the over image: an overlap is only harmless when the later
  // entry is a label drawn alike in every state.
  struct Hit {
    const char* file;
    int count;
  };
  for (Hit h : {Hit{"skin_main.ini", 75}, Hit{"skin_color.ini", 71}, Hit{"skin_advance.ini", 138},
                Hit{"skin_mac.ini", 20}, Hit{"skin_gun.ini", 14}, Hit{"skin_shortcut.ini", 14},
                Hit{"skin_keyset.ini", 4}, Hit{"skin_sound.ini", 12}, Hit{"LBWarning.ini", 2}}) {
    std::vector<Entry> t = Table(h.file);
    for (const Entry& a : t)
      for (const Entry& b : t)
        if (a.index < b.index && b.index < h.count && a.rect.intersects(b.rect)) {
          EXPECT_TRUE(b.look == "label" || b.look == "swatchpanel")
              << h.file << ": " << a.index << " (" << a.look << ") and " << b.index << " (" << b.look << ") overlap";
        }
  }
}

TEST(PageLayouts, FixedMeasuresAndUnusedEntries) {
  std::vector<Entry> adv = Table("skin_advance.ini"), main = Table("skin_main.ini");
  EXPECT_EQ(At(adv, 66).width(), 303);  // the DPI slider's fill is 303 pixels at full scale
  EXPECT_TRUE(At(adv, 83).isEmpty());   // would address a seventh DPI level
  for (int i = 47; i <= 57; ++i) EXPECT_TRUE(At(main, i).isEmpty()) << "main " << i;  // inert on this page
  for (int i : {31, 32}) EXPECT_TRUE(At(main, i).isEmpty()) << "main " << i;
  // The marker of a button with a special left-click function sits at (378, 535).
  for (int lang : tree::LanguageIndices()) {
    QImage zhi = tree::LoadImage(tree::Folder(lang) + "/zhi.png");
    ASSERT_FALSE(zhi.isNull()) << lang;
    EXPECT_TRUE(zhi.hasAlphaChannel());
    EXPECT_LE(378 + zhi.width(), kMain.width());
    EXPECT_LE(535 + zhi.height(), kMain.height());
  }
  QImage knob = tree::LoadImage("moveRect.png");
  ASSERT_FALSE(knob.isNull());
  EXPECT_TRUE(knob.hasAlphaChannel());
  EXPECT_LE(knob.width(), 16);
  EXPECT_LE(knob.height(), 16);
}

TEST(MenuImages, FitTheControlsThatOpenThem) {
  std::vector<Entry> main = Table("skin_main.ini"), led = Table("skin_color.ini"), gun = Table("skin_gun.ini");
  QSize menu1 = SizeOf("menu1_mask.jpg"), ledMenu = SizeOf("led_menu_mask.jpg"), menu = SizeOf("menu_mask.jpg"),
        menu2 = SizeOf("menu2_mask.jpg"), macG = SizeOf("MacMenu/MacG_mask.jpg");
  // The button function menu opens as wide as its box plus one.
  for (int i = 20; i < 28; ++i) EXPECT_LE(menu1.width(), At(main, i).width() + 1) << i;
  EXPECT_EQ(menu1.height() % 15, 0);
  EXPECT_LE(ledMenu.width(), At(led, 35).width());
  EXPECT_LE(10 * (ledMenu.height() / 15), 405);
  for (int i = 61; i <= 68; ++i) EXPECT_LE(menu.width(), At(led, i).width() + 1) << i;
  EXPECT_LE(7 * (menu.height() / 15), 360);
  // The gun preset menu is 160 wide and 360 high, and lists up to 12 presets.
  EXPECT_LE(menu2.width(), 160);
  EXPECT_LE(12 * (menu2.height() / 15), 360);
  EXPECT_FALSE(At(gun, 5).isEmpty());
  EXPECT_EQ(SizeOf("Profile_mask.jpg").height() % 4, 0);
  EXPECT_GE(macG.height(), 180);
  EXPECT_EQ(SizeOf("MacMenu/MacR_mask.jpg").height(), 80);
  EXPECT_EQ(SizeOf("MacMenu/MacR_mask2.jpg").height(), 40);
  EXPECT_LE(SizeOf("MacMenu/MacR_mask.jpg").width(), macG.width() - 80);
  EXPECT_LE(SizeOf("MacMenu/MacR_mask2.jpg").width(), macG.width() - 80);
  EXPECT_GE(SizeOf("MacMenu/Insert_mask.jpg").height(), 140);
  EXPECT_GE(SizeOf("MacMenu/Insert2th_mask.jpg").height(), 120);
  EXPECT_GE(SizeOf("MacMenu/Insert3th_mask.jpg").height(), 80);
  // The language menu is as wide as the language button and shows each language's
  // picture in a menu2 row.
  EXPECT_GE(At(main, 4).width(), menu2.width());
  for (int lang : tree::LanguageIndices())
    for (const char* f : {"/ver_normal.jpg", "/ver_over.jpg"}) {
      QSize s = SizeOf(tree::Folder(lang) + f);
      EXPECT_GE(s.width(), menu2.width()) << lang << f;
      EXPECT_GE(s.height(), menu2.height() / 15) << lang << f;
    }
}

}  // namespace
