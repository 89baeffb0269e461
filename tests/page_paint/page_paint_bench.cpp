// One paint of each page from the installed skins: the composition in memory that every
// repaint of the main window does (images come from the decode cache once read).
#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include "keys/language.h"
#include "mainwnd/main_dialog.h"
#include "mainwnd/main_shape.h"
#include "mainwnd/main_skins.h"
#include "mainwnd/page_paint.h"
#include "mainwnd/page_state.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "skin/language_texts.h"
#include "skin/skin_image.h"
#include "skin/skin_layout.h"
#include "skin/ui_fonts.h"

namespace {

void BM_ComposePage(benchmark::State& state) {
  g_currentPage = static_cast<int>(state.range(0));
  g_hoverFrame = g_currentPage.load() == kPageMain ? 22 : kNoHover;
  for (auto _ : state) {
    QImage page = ComposeCurrentPage();
    benchmark::DoNotOptimize(page.constBits());
  }
}
BENCHMARK(BM_ComposePage)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// The same paint with every image decoded again, as a paint without the cache would.
void BM_ComposePageDecodingEachPaint(benchmark::State& state) {
  g_currentPage = static_cast<int>(state.range(0));
  for (auto _ : state) {
    SkinImages().Clear();
    QImage page = ComposeCurrentPage();
    benchmark::DoNotOptimize(page.constBits());
  }
}
BENCHMARK(BM_ComposePageDecodingEachPaint)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// What a hover change from one main-page button to another costs: the area of the two
// buttons (with their partner entries and the left-click picture) composed again.
void BM_HoverChangeRepaint(benchmark::State& state) {
  g_currentPage = kPageMain;
  g_hoverFrame = 20;
  ComposeCurrentPage();
  int other = 21;
  for (auto _ : state) {
    const QRegion area = HoverChangeArea(kPageMain, g_hoverFrame, other, kNoHover, kNoHover);
    std::swap(g_hoverFrame, other);
    benchmark::DoNotOptimize(ComposePageArea(area).constBits());
  }
}
BENCHMARK(BM_HoverChangeRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  SetProgramPaths(MC_PROGRAM_DIR);
  g_language = 1;
  LoadLanguageTexts();
  CopyLanguageTexts();
  CreateUiFonts(87);
  LoadAllSkinLayouts();
  const QImage normal = SkinImages().Image(SkinImagePath("main_normal.jpg"));
  g_windowWidth = normal.width();
  g_windowHeight = normal.height();
  g_keyCount = 8;
  for (int i = 0; i < 8; ++i) g_keyFunc[0][static_cast<std::size_t>(i)] = i + 1;
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
