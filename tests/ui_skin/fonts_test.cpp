// UI fonts: sizes by display scale, the font sets by fontFlag, the embedded Roboto and
// the font each language draws with.
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>
#include <QFontInfo>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "keys/language.h"
#include "skin/ui_fonts.h"
#include "skin_fixture.h"

namespace {

using skintest::SkinTreeTest;

class UiFonts : public SkinTreeTest {
 protected:
  void SetUp() override {
    SkinTreeTest::SetUp();
    g_embeddedFontsLoaded = 0;
    for (auto& font : g_fonts) font.reset();
  }

  // Point sizes of the five fonts of a set (0 for a font not made).
  static std::array<double, 5> Sizes(int set) {
    std::array<double, 5> sizes{};
    for (int k = 1; k <= 5; ++k) {
      const QFont* font = FontOf(set, k);
      sizes[k - 1] = font ? font->pointSizeF() : 0.0;
    }
    return sizes;
  }
  static std::string Face(int set) {
    const QFont* font = FontOf(set, 1);
    return font ? font->families().value(0).toStdString() : std::string();
  }
};

TEST(FontBase, FromTheScreensLogicalDpi) {
  struct Case {
    double dpi;
    int base;
  };
  const Case cases[] = {{96, 87}, {120, 63}, {144, 53}, {168, 43}, {192, 43}, {110, 30}, {72, 30}, {240, 30}};
  for (const Case& c : cases) EXPECT_EQ(FontBaseForDpi(c.dpi), c.base) << c.dpi;
}

TEST_F(UiFonts, EmbeddedSetsAtOneHundredAndTwentyDpi) {
  WriteLanguageTexts(1, "t");  // no fontFlag key: the embedded fonts
  CreateUiFonts(FontBaseForDpi(120));
  EXPECT_EQ(g_embeddedFontsLoaded, 1);
  const std::array<double, 5> expected = {6.8, 6.8, 7.3, 10.3, 11.3};
  for (int set : {1, 2, 3, 4, 6}) {
    const std::array<double, 5> sizes = Sizes(set);
    for (int k = 0; k < 5; ++k) EXPECT_DOUBLE_EQ(sizes[k], expected[k]) << "set " << set << " size " << k + 1;
  }
  EXPECT_EQ(Face(1), "Roboto");
  EXPECT_EQ(Face(2), "微软雅黑");
  EXPECT_EQ(Face(3), "Cairo");
  EXPECT_EQ(Face(4), "微软雅黑");
  EXPECT_EQ(Face(6), "Arial");
  for (int set : {0, 5, 7}) EXPECT_EQ(FontOf(set, 1), nullptr) << set;

  // A second run with the embedded fonts in place makes set 0 by language.
  g_language = 12;
  CreateUiFonts(87);
  EXPECT_EQ(Face(0), "微软雅黑");
  EXPECT_DOUBLE_EQ(Sizes(1)[0], 6.8);  // the embedded sets are not made again
}

TEST_F(UiFonts, RobotoIsEmbeddedInTheProgram) {
  LoadEmbeddedFont(190, "RT_FONT");
  QFile resource(":/RT_FONT/190");
  ASSERT_TRUE(resource.open(QIODevice::ReadOnly));
  const int id = QFontDatabase::addApplicationFontFromData(resource.readAll());
  ASSERT_GE(id, 0);
  EXPECT_TRUE(QFontDatabase::applicationFontFamilies(id).contains("Roboto"));
  // A resource that does not exist is passed over without a warning.
  LoadEmbeddedFont(4711, "RT_FONT");
  EXPECT_TRUE(record.warnings.empty());
}

TEST_F(UiFonts, ExplicitZeroFlagNeverLoadsTheEmbeddedFonts) {
  for (int language : {0, 12, 5, 1}) {
    WriteLanguageTexts(language, "t", "fontFlag=0\n");
    g_language = language;
    CreateUiFonts(87);
    EXPECT_EQ(g_embeddedFontsLoaded, 0);
    EXPECT_EQ(Face(0), (language == 0 || language == 12) ? "微软雅黑" : "Arial") << language;
  }
  const std::array<double, 5> expected = {9.2, 9.2, 11.7, 12.7, 13.7};
  EXPECT_EQ(Sizes(0), expected);
  // Without the embedded sets every language draws with set 0.
  g_language = 13;
  ASSERT_NE(UiFont(2), nullptr);
  EXPECT_EQ(UiFont(2)->families().value(0).toStdString(), "Arial");
}

TEST_F(UiFonts, FontFileNamedByTheTexts) {
  WriteLanguageTexts(1, "t", "fontFlag=1\nfont=\\fonts\\Custom.ttf\nfontName=Custom Face\n");
  QDir().mkpath(QString::fromStdString(Skins() + "/fonts"));
  QFile::copy("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", QString::fromStdString(Skins() + "/fonts/Custom.ttf"));
  CreateUiFonts(53);
  EXPECT_EQ(g_embeddedFontsLoaded, 0);
  EXPECT_EQ(Face(0), "Custom Face");
  const std::array<double, 5> expected = {5.8, 6.3, 8.3, 9.3, 10.3};
  EXPECT_EQ(Sizes(0), expected);

  // Every display reload remakes set 0; the file is added to the program's fonts once.
  auto registeredFonts = [] {
    int n = 0;
    for (int id = 0; id < 256; ++id) n += !QFontDatabase::applicationFontFamilies(id).isEmpty();
    return n;
  };
  const int registered = registeredFonts();
  for (int i = 0; i < 3; ++i) CreateUiFonts(87);
  EXPECT_EQ(registeredFonts(), registered);
  EXPECT_DOUBLE_EQ(Sizes(0)[0], 9.2);

  // A name that climbs out of the skins folder is not added, the face is still made.
  WriteLanguageTexts(1, "t", "fontFlag=1\nfont=\\..\\..\\etc\\x.ttf\nfontName=Other\n");
  CreateUiFonts(53);
  EXPECT_EQ(Face(0), "Other");
  EXPECT_TRUE(record.warnings.empty());
}

TEST_F(UiFonts, EachLanguageDrawsWithItsSet) {
  WriteLanguageTexts(1, "t");
  CreateUiFonts(87);
  struct Case {
    int language;
    const char* face;
  };
  const Case cases[] = {{1, "Roboto"}, {0, "微软雅黑"}, {19, "微软雅黑"}, {13, "Cairo"},
                        {12, "微软雅黑"}, {5, "Arial"},   {26, "Arial"}};
  QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
  for (const Case& c : cases) {
    g_language = c.language;
    QPainter p(&image);
    SelectUiFont(p, 2);
    EXPECT_EQ(p.font().families().value(0).toStdString(), c.face) << c.language;
    EXPECT_DOUBLE_EQ(p.font().pointSizeF(), 9.2);
    // Sizes outside 1 to 5 select nothing.
    const QFont before = p.font();
    SelectUiFont(p, 0);
    SelectUiFont(p, 6);
    EXPECT_EQ(p.font(), before);
  }
}

TEST_F(UiFonts, MissingFacesAreDrawnWithInstalledFonts) {
  InstallFaceSubstitutions();
  const QStringList installed = QFontDatabase::families();
  for (const char* face : {"微软雅黑", "Arial", "Cairo"}) {
    const QStringList substitutes = QFont::substitutes(QString::fromUtf8(face));
    ASSERT_FALSE(substitutes.isEmpty()) << face;
    bool any = false;
    for (const QString& s : substitutes) any = any || installed.contains(s, Qt::CaseInsensitive);
    EXPECT_TRUE(any) << face << " has no installed stand-in";
  }
  QFont yahei;
  yahei.setFamilies({QString::fromUtf8("微软雅黑")});
  EXPECT_TRUE(QFontInfo(yahei).family().startsWith("Noto Sans CJK") || QFontInfo(yahei).family() == "DejaVu Sans")
      << QFontInfo(yahei).family().toStdString();

  // Thai letters drawn with any of the faces come from an installed face that has them,
  // not as empty boxes.
  for (const char* face : {"Arial", "Cairo", "微软雅黑", "Roboto"}) {
    QFont font;
    font.setFamilies({QString::fromUtf8(face)});
    QTextLayout layout(QString::fromUtf8("ภาษาไทย"), font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    ASSERT_FALSE(runs.isEmpty()) << face;
    for (const QGlyphRun& run : runs) {
      EXPECT_TRUE(QFontDatabase::writingSystems(run.rawFont().familyName()).contains(QFontDatabase::Thai))
          << face << " drew Thai with " << run.rawFont().familyName().toStdString();
      for (quint32 glyph : run.glyphIndexes()) EXPECT_NE(glyph, 0u) << face;
    }
  }
}

}  // namespace
