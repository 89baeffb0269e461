// The main window's mask build and one hovered repaint of the main page, with the skin
// images decoded at every paint and taken from the image cache. Uses the installation
// tree beside the program when its images are built, otherwise images made here of the
// same kind (full-window JPGs with texture).
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QWidget>

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>

#include "../support/bench_folder.h"
#include "keys/language.h"
#include "mainwnd/main_skins.h"
#include "platform/ini_file.h"
#include "profile/paths.h"
#include "skin/language_texts.h"
#include "skin/skin_image.h"
#include "skin/skin_layout.h"
#include "skin/ui_fonts.h"

namespace {

// The images the benchmark draws on: one that could not be saved ends it.
void SaveImage(const QImage& image, const std::string& path, int quality = -1) {
  benchsupport::MustSave(image.save(QString::fromStdString(path), nullptr, quality), path);
}

std::unique_ptr<QTemporaryDir> g_tempDir;

QImage TexturedImage(QSize size, QColor base, bool mask) {
  QImage image(size, QImage::Format_RGB32);
  QRandomGenerator random(42);
  if (mask) {
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(Qt::black);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRect(8, 8, size.width() - 16, size.height() - 16), 60, 60);
    p.drawEllipse(QRect(size.width() / 2 - 150, -40, 300, 120));
    return image;
  }
  for (int y = 0; y < size.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < size.width(); ++x) {
      const int n = static_cast<int>(random.bounded(24));
      line[x] = qRgb((base.red() + x / 8 + n) & 0xFF, (base.green() + y / 6 + n) & 0xFF, (base.blue() + n) & 0xFF);
    }
  }
  QPainter p(&image);
  for (int i = 0; i < 60; ++i) p.fillRect(QRect(40 + (i % 10) * 100, 80 + (i / 10) * 90, 80, 50), QColor(20 + i, 30, 60));
  return image;
}

// The program folder the benchmarks run on.
void PrepareTree() {
  const std::string real = MC_PROGRAM_DIR;
  g_tempDir = std::make_unique<QTemporaryDir>();
  const std::string temp = g_tempDir->path().toStdString();
  const bool realImages = ini::FileExists(real + "/skins/main_mask.jpg");
  const bool realLayouts = ini::FileExists(real + "/skins/1_INI_EN/skin_main.ini");
  SetProgramPaths(realImages && realLayouts ? real : temp);
  g_language = 1;

  if (!realImages || !realLayouts) {
    QDir().mkpath(QString::fromStdString(g_skinsDir + "/1_INI_EN"));
    const QSize size(1100, 700);
    SaveImage(TexturedImage(size, Qt::black, true), g_skinsDir + "/main_mask.jpg", 90);
    SaveImage(TexturedImage(size, QColor(30, 30, 40), false), g_skinsDir + "/main_normal.jpg", 90);
    SaveImage(TexturedImage(size, QColor(60, 40, 30), false), g_skinsDir + "/main_over.jpg", 90);
    SaveImage(TexturedImage(size, QColor(90, 20, 20), false), g_skinsDir + "/main_down.jpg", 90);
    QImage zhi(180, 60, QImage::Format_ARGB32);
    zhi.fill(qRgba(255, 200, 0, 160));
    SaveImage(zhi, g_skinsDir + "/1_INI_EN/zhi.png");
    if (realLayouts) {
      QFile::copy(QString::fromStdString(real + "/skins/1_INI_EN/skin_main.ini"),
                  QString::fromStdString(g_skinsDir + "/1_INI_EN/skin_main.ini"));
      QFile::copy(QString::fromStdString(real + "/skins/1_INI_EN/LanguageText.ini"),
                  QString::fromStdString(g_skinsDir + "/1_INI_EN/LanguageText.ini"));
    } else {
      std::ofstream out(g_skinsDir + "/1_INI_EN/skin_main.ini");
      out << "[BUTTONPOS]\n";
      for (int i = 0; i < kMainEntries; ++i) {
        out << i << "=b" << i << "," << 40 + (i % 10) * 100 << "," << 80 + (i / 10) * 80 << ",80,50,Label " << i << "\n";
      }
    }
  }
  std::fprintf(stderr, "skins: %s (%s images)\n", g_skinsDir.c_str(), realImages ? "installation" : "generated");
  LoadLanguageTexts();
  LoadMainSkin();
  CreateUiFonts(87);
}

using ImageSource = QImage (*)(const std::string& path);
QImage Decoded(const std::string& path) { return QImage(QString::fromStdString(path)); }
QImage Cached(const std::string& path) { return SkinImages().Image(path); }
QImage DecodedPremultiplied(const std::string& path) {
  QImage image(QString::fromStdString(path));
  PremultiplyAlpha(image);
  return image;
}
QImage CachedPremultiplied(const std::string& path) { return SkinImages().PremultipliedImage(path); }

// One repaint of the main page with a mouse button's entry hovered: the page's three
// images, the hovered entry and its partner, the overlay, the frame's tabs, the labels,
// and the copy to the window.
void RepaintMainPage(QImage& window, ImageSource images, ImageSource overlays, int hovered) {
  const QImage normal = images(SkinImagePath("main_normal.jpg"));
  const QImage over = images(SkinImagePath("main_over.jpg"));
  const QImage down = images(SkinImagePath("main_down.jpg"));
  QImage composed = normal.copy();
  {
    QPainter p(&composed);
    BlitSkinRect(p, over, g_mainRects, hovered);
    BlitSkinRect(p, down, g_mainRects, hovered + 15);
    const QImage zhi = overlays(LanguageFilePath("zhi.png"));
    p.drawImage(378, 535, zhi);
    for (int i = 0; i < 20; ++i) {
      if (i == 10 || i == 6) BlitSkinRect(p, down, g_mainRects, i);
    }
    SelectUiFont(p, 2);
    p.setPen(Qt::white);
    const QFontMetrics metrics(p.font());
    for (int i = 0; i < kMainEntries; ++i) {
      const SkinRect& r = g_mainRects[i];
      const QString text = QString::fromStdString(g_mainCaptions[i]);
      const int x = r.x + (r.width - metrics.horizontalAdvance(text)) / 2;
      const int y = r.y + (r.height - metrics.height()) / 2;
      if (x > 0 || y > 0) p.drawText(x, y + metrics.ascent(), text);
    }
  }
  QPainter w(&window);
  w.setCompositionMode(QPainter::CompositionMode_Source);
  w.drawImage(0, 0, composed);
}

void BM_MainWindowMask(benchmark::State& state) {
  QWidget window;
  for (auto _ : state) {
    QRegion shape = BuildMaskRegion(&window, SkinImagePath("main_mask.jpg"));
    benchmark::DoNotOptimize(shape);
  }
  state.counters["rects"] = BuildMaskRegion(nullptr, SkinImagePath("main_mask.jpg")).rectCount();
}

void BM_MainWindowMaskRegionOnly(benchmark::State& state) {
  const QImage mask(QString::fromStdString(SkinImagePath("main_mask.jpg")));
  for (auto _ : state) {
    QRegion shape = MaskRegionFromImage(mask);
    benchmark::DoNotOptimize(shape);
  }
}

void BM_HoveredRepaintDecodingEachPaint(benchmark::State& state) {
  QImage window(1100, 700, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) RepaintMainPage(window, Decoded, DecodedPremultiplied, 20);
}

void BM_HoveredRepaintCached(benchmark::State& state) {
  QImage window(1100, 700, QImage::Format_ARGB32_Premultiplied);
  SkinImages().Clear();
  RepaintMainPage(window, Cached, CachedPremultiplied, 20);  // first paint decodes
  for (auto _ : state) RepaintMainPage(window, Cached, CachedPremultiplied, 20);
}

BENCHMARK(BM_MainWindowMask)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MainWindowMaskRegionOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HoveredRepaintDecodingEachPaint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HoveredRepaintCached)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  PrepareTree();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  g_tempDir.reset();
  return 0;
}
