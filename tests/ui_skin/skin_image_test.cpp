// Skin images: mask regions, the main window's shape, rectangle copies, premultiplied
// overlays and the image cache.
#include <QPainter>
#include <QRandomGenerator>
#include <QWidget>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <utime.h>

#include <vector>

#include "mainwnd/main_shape.h"
#include "mainwnd/main_skins.h"
#include "platform/ini_file.h"
#include "profile/paths.h"
#include "skin/skin_image.h"
#include "skin/skin_layout.h"
#include "skin_fixture.h"

namespace {

using skintest::SkinTreeTest;

// The region by the literal rule: the whole rectangle, then one exclusive-or per
// cut-out pixel, column by column.
QRegion PerPixelRegion(const QImage& image) {
  QRegion region(0, 0, image.width(), image.height());
  for (int x = 0; x < image.width(); ++x) {
    for (int y = 0; y < image.height(); ++y) {
      const QRgb p = image.pixel(x, y);
      if (qRed(p) > 100 && qGreen(p) > 100 && qBlue(p) > 100) region ^= QRect(x, y, 1, 1);
    }
  }
  return region;
}

// Which pixels a region covers, as a W x H bitmap.
std::vector<char> Rasterize(const QRegion& region, int width, int height) {
  std::vector<char> bits(static_cast<std::size_t>(width) * height, 0);
  for (const QRect& r : region) {
    for (int y = std::max(0, r.top()); y <= std::min(height - 1, r.bottom()); ++y) {
      for (int x = std::max(0, r.left()); x <= std::min(width - 1, r.right()); ++x) bits[y * width + x] = 1;
    }
  }
  return bits;
}

TEST(MaskRegion, ThresholdIsAboveOneHundredInEveryChannel) {
  struct Pixel {
    int r, g, b;
    bool cut;
  };
  const Pixel pixels[] = {
      {101, 101, 101, true},  {255, 255, 255, true}, {100, 255, 255, false}, {255, 100, 255, false},
      {255, 255, 100, false}, {100, 100, 100, false}, {0, 0, 0, false},      {101, 101, 100, false},
  };
  for (const Pixel& p : pixels) {
    QImage image(3, 1, QImage::Format_RGB32);
    image.fill(Qt::black);
    image.setPixel(1, 0, qRgb(p.r, p.g, p.b));
    const QRegion region = MaskRegionFromImage(image);
    EXPECT_EQ(!region.contains(QPoint(1, 0)), p.cut) << p.r << "," << p.g << "," << p.b;
    EXPECT_TRUE(region.contains(QPoint(0, 0)));
    EXPECT_TRUE(region.contains(QPoint(2, 0)));
  }
}

TEST(MaskRegion, EqualsThePerPixelRuleOnAwkwardShapes) {
  QRandomGenerator random(1234);
  for (int round = 0; round < 20; ++round) {
    const int width = 1 + random.bounded(40);
    const int height = 1 + random.bounded(30);
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        // Runs of rows that repeat, and noise, and grey formats below.
        const bool cut = (round % 3 == 0) ? ((x / 3 + y / 4) % 2 == 0) : random.bounded(3) == 0;
        image.setPixel(x, y, cut ? qRgb(200, 180, 255) : qRgb(30, 200, 90));
      }
    }
    const QImage input = round % 4 == 1 ? image.convertToFormat(QImage::Format_ARGB32) : image;
    const QRegion expected = PerPixelRegion(image);
    const QRegion built = MaskRegionFromImage(input);
    EXPECT_EQ(built, expected) << "round " << round;
    EXPECT_EQ(Rasterize(built, width, height), Rasterize(expected, width, height)) << "round " << round;
  }
}

TEST(MaskRegion, WholeWhiteImageGivesNoRegionAndNullImageToo) {
  QImage white(8, 8, QImage::Format_RGB32);
  white.fill(Qt::white);
  EXPECT_TRUE(MaskRegionFromImage(white).isEmpty());
  EXPECT_TRUE(MaskRegionFromImage(QImage()).isEmpty());
  QImage grey(4, 4, QImage::Format_Grayscale8);
  grey.fill(50);
  EXPECT_EQ(MaskRegionFromImage(grey), QRegion(0, 0, 4, 4));
}

class SkinImageFiles : public SkinTreeTest {};

TEST_F(SkinImageFiles, InstallationMaskMatchesTheRulePixelForPixel) {
  const std::string program = skintest::RealProgramDir();
  if (program.empty() || !ini::FileExists(program + "/skins/main_mask.jpg")) {
    GTEST_SKIP() << "the skin images are not built beside the program";
  }
  for (const char* name : {"main_mask.jpg", "warning_mask.jpg"}) {
    const QImage mask(QString::fromStdString(program + "/skins/" + name));
    ASSERT_FALSE(mask.isNull()) << name;
    const QImage rgb = mask.convertToFormat(QImage::Format_RGB32);
    std::vector<char> rule(static_cast<std::size_t>(rgb.width()) * rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
      for (int x = 0; x < rgb.width(); ++x) {
        const QRgb p = rgb.pixel(x, y);
        rule[y * rgb.width() + x] = !(qRed(p) > 100 && qGreen(p) > 100 && qBlue(p) > 100);
      }
    }
    EXPECT_EQ(Rasterize(MaskRegionFromImage(mask), rgb.width(), rgb.height()), rule) << name;
  }
}

TEST_F(SkinImageFiles, MainWindowShapeSizeAndMacroRegion) {
  // 200 x 100 with the two top corners cut out.
  skintest::WriteImage(Skins() + "/main_mask.jpg",
                       skintest::BlockImage(QSize(200, 100), Qt::black, {QRect(0, 0, 10, 10), QRect(190, 0, 10, 10)}));
  g_macroControlRects = {ControlRect{20, 20, 40, 40}, ControlRect{50, 20, 60, 30}, ControlRect{},
                         ControlRect{},               ControlRect{},               ControlRect{}};
  QWidget window;
  window.move(30, 40);
  const QRegion shape = BuildMainWindowShape(&window);
  EXPECT_EQ(g_windowWidth, 200);
  EXPECT_EQ(g_windowHeight, 100);
  EXPECT_EQ(window.size(), QSize(200, 100));
  EXPECT_EQ(window.pos(), QPoint(30, 40));
  EXPECT_FALSE(shape.contains(QPoint(5, 5)));
  EXPECT_TRUE(shape.contains(QPoint(15, 5)));
  EXPECT_EQ(window.mask(), shape);
  EXPECT_TRUE(window.testAttribute(Qt::WA_TranslucentBackground));
  // The macro page's repaint region leaves the control rectangles out.
  EXPECT_FALSE(g_macroRegion.contains(QPoint(25, 25)));
  EXPECT_FALSE(g_macroRegion.contains(QPoint(55, 25)));
  EXPECT_TRUE(g_macroRegion.contains(QPoint(45, 25)));
  EXPECT_FALSE(g_macroRegion.contains(QPoint(5, 5)));
}

TEST_F(SkinImageFiles, MissingMaskKeepsTheWindowWhole) {
  skintest::WriteImage(Skins() + "/main_normal.jpg", skintest::BlockImage(QSize(120, 80), Qt::gray));
  g_macroControlRects = {};
  QWidget window;
  window.resize(50, 50);
  EXPECT_TRUE(BuildMaskRegion(&window, Skins() + "/nothing.jpg").isEmpty());
  EXPECT_EQ(window.size(), QSize(50, 50));
  EXPECT_TRUE(BuildMainWindowShape(&window).isEmpty());
  EXPECT_EQ(window.size(), QSize(120, 80));
  EXPECT_EQ(g_macroRegion, QRegion(0, 0, 120, 80));
}

TEST(SkinBlit, CopiesOnlyTheEntryUnblended) {
  QImage source(20, 20, QImage::Format_ARGB32_Premultiplied);
  source.fill(qRgba(0, 0, 128, 128));
  QImage target(20, 20, QImage::Format_ARGB32_Premultiplied);
  target.fill(qRgba(255, 0, 0, 255));
  const std::vector<SkinRect> table = {{0, 0, 0, 0}, {5, 6, 4, 3}};
  {
    QPainter p(&target);
    BlitSkinRect(p, source, table, 1);
    BlitSkinRect(p, source, table, 2);   // outside the table: nothing
    BlitSkinRect(p, source, table, -1);
    BlitSkinRect(p, source, table, 0);   // empty rectangle: nothing
  }
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      const bool inside = x >= 5 && x < 9 && y >= 6 && y < 9;
      EXPECT_EQ(target.pixel(x, y), inside ? source.pixel(x, y) : qRgba(255, 0, 0, 255)) << x << "," << y;
    }
  }
}

TEST(Premultiply, IntegerFormulaDropsTheRemainder) {
  struct Case {
    int c, a, expected;
  };
  // Qt's own conversion rounds; these need the remainder dropped.
  const Case cases[] = {{1, 128, 0}, {200, 100, 78}, {255, 128, 128}, {254, 254, 253}, {128, 255, 128}, {77, 0, 0}};
  for (const Case& k : cases) {
    QImage image(1, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(k.c, k.c / 2, 255, k.a));
    PremultiplyAlpha(image);
    ASSERT_EQ(image.format(), QImage::Format_ARGB32_Premultiplied);
    const QRgb p = reinterpret_cast<const QRgb*>(image.constScanLine(0))[0];
    EXPECT_EQ(qRed(p), k.expected) << k.c << " x " << k.a;
    EXPECT_EQ(qGreen(p), (k.c / 2) * k.a / 255);
    EXPECT_EQ(qBlue(p), k.a);  // 255 * a / 255
    EXPECT_EQ(qAlpha(p), k.a);
  }
  QImage empty;
  PremultiplyAlpha(empty);
  EXPECT_TRUE(empty.isNull());
}

TEST(WindowShape, OutsideTheShapeIsPaintedTransparent) {
  QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
  image.fill(qRgba(10, 20, 30, 255));
  QImage target(10, 10, QImage::Format_ARGB32_Premultiplied);
  target.fill(qRgba(255, 255, 255, 255));
  {
    QPainter p(&target);
    PaintInsideShape(p, image, QRegion(2, 2, 5, 5));
  }
  EXPECT_EQ(target.pixel(3, 3), qRgba(10, 20, 30, 255));
  EXPECT_EQ(qAlpha(target.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(target.pixel(8, 8)), 0);
}

TEST_F(SkinImageFiles, CacheDecodesOncePerVersionOfAFile) {
  const std::string path = Skins() + "/page_normal.jpg";
  SkinImageCache cache;
  EXPECT_TRUE(cache.Image(path).isNull());  // not there yet

  skintest::WriteImage(path, skintest::BlockImage(QSize(30, 20), Qt::black));
  EXPECT_EQ(cache.Image(path).size(), QSize(30, 20));
  const auto decodes = cache.DecodeCount();
  for (int i = 0; i < 5; ++i) cache.Image(path);
  EXPECT_EQ(cache.DecodeCount(), decodes);

  // A new file of another size.
  skintest::WriteImage(path, skintest::BlockImage(QSize(40, 20), Qt::black));
  EXPECT_EQ(cache.Image(path).size(), QSize(40, 20));

  // The same size again but a new time stamp: decoded again, and the new look shows.
  skintest::WriteImage(path, skintest::BlockImage(QSize(40, 20), Qt::white));
  struct utimbuf times {1000000000, 1000000000};
  ASSERT_EQ(::utime(path.c_str(), &times), 0);
  EXPECT_EQ(qRed(cache.Image(path).pixel(5, 5)), 255);
  EXPECT_EQ(cache.DecodeCount(), decodes + 2);

  std::remove(path.c_str());
  EXPECT_TRUE(cache.Image(path).isNull());
}

TEST_F(SkinImageFiles, CacheGivesPremultipliedOverlays) {
  const std::string path = Skins() + "/zhi.png";
  QImage png(4, 4, QImage::Format_ARGB32);
  png.fill(qRgba(200, 100, 50, 100));
  skintest::WriteImage(path, png);
  const QImage overlay = SkinImages().PremultipliedImage(path);
  ASSERT_EQ(overlay.format(), QImage::Format_ARGB32_Premultiplied);
  const QRgb p = reinterpret_cast<const QRgb*>(overlay.constScanLine(0))[0];
  EXPECT_EQ(qRed(p), 200 * 100 / 255);
  EXPECT_EQ(qAlpha(p), 100);
  EXPECT_TRUE(SkinImages().PremultipliedImage(Skins() + "/none.png").isNull());
}

}  // namespace
