// The installed layouts, texts and fonts of the English language folder, with page
// images replaced by plain colours so that what a paint copied from where can be told
// from its pixels: normal black, over blue, down red, the disabled look green, the
// lighting mode's second look yellow, the slider knob a 2 x 2 magenta square.
#pragma once

#include <QColor>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/skin_layout.h"

namespace painttest {

inline const QColor kNormal(0, 0, 0);
inline const QColor kOver(0, 0, 200);
inline const QColor kDown(200, 0, 0);
inline const QColor kNull(0, 200, 0);
inline const QColor kNewDown(200, 200, 0);
inline const QColor kKnob(255, 0, 255);

// Colours of JPG pixels are near, not equal.
bool Near(QColor a, QColor b, int tolerance = 24);
// The colour at the centre of a rectangle.
QColor CentreOf(const QImage& image, const SkinRect& r);
// Whether any pixel inside the rectangle passes `test`.
template <typename Test>
bool AnyPixel(const QImage& image, const SkinRect& r, Test test) {
  for (int y = r.y; y < r.y + r.height; ++y)
    for (int x = r.x; x < r.x + r.width; ++x)
      if (image.rect().contains(x, y) && test(image.pixelColor(x, y))) return true;
  return false;
}
bool HasWhiteText(const QImage& image, const SkinRect& r);

class PagePaintTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
  void TearDown() override;

  // Composes page `page` with the state set up by the test.
  QImage Compose(int page);
  std::string LanguageDir() const;

  QTemporaryDir dir_;
  std::vector<std::string> messages_;
  int repaints_ = 0;
};

}  // namespace painttest
