#include "page_fixture.h"

#include <QDir>
#include <QPainter>

#include "keys/language.h"
#include "mainwnd/main_dialog.h"
#include "mainwnd/main_shape.h"
#include "mainwnd/main_skins.h"
#include "mainwnd/page_paint.h"
#include "mainwnd/page_state.h"
#include "profile/core_hooks.h"
#include "profile/macro_library.h"
#include "profile/macro_record.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "skin/language_texts.h"
#include "skin/popup_skin.h"
#include "skin/skin_image.h"
#include "skin/ui_fonts.h"

namespace painttest {

namespace {
const std::string kRealProgram = MC_PROGRAM_DIR;
QSize g_pageSize;

void WriteSolid(const std::string& path, QSize size, QColor colour) {
  QDir().mkpath(QString::fromStdString(path.substr(0, path.rfind('/'))));
  QImage image(size, QImage::Format_ARGB32);
  image.fill(colour);
  ASSERT_TRUE(image.save(QString::fromStdString(path), nullptr, 100)) << path;
}
}  // namespace

bool Near(QColor a, QColor b, int tolerance) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

QColor CentreOf(const QImage& image, const SkinRect& r) {
  return image.pixelColor(r.x + r.width / 2, r.y + r.height / 2);
}

bool HasWhiteText(const QImage& image, const SkinRect& r) {
  return AnyPixel(image, r, [](QColor c) { return c.red() > 200 && c.green() > 200 && c.blue() > 200; });
}

void PagePaintTest::SetUpTestSuite() {
  SetProgramPaths(kRealProgram);
  g_language = 1;
  LoadLanguageTexts();
  CreateUiFonts(87);
  g_pageSize = QImage(QString::fromStdString(SkinImagePath("main_normal.jpg"))).size();
}

void PagePaintTest::SetUp() {
  ASSERT_FALSE(g_pageSize.isEmpty()) << "installation tree missing under " << kRealProgram;
  // Layouts and texts as installed, fresh for every test.
  SetProgramPaths(kRealProgram);
  g_language = 1;
  LoadLanguageTexts();
  CopyLanguageTexts();
  LoadAllSkinLayouts();

  ASSERT_TRUE(dir_.isValid());
  SetProgramPaths(dir_.path().toStdString() + "/prog");
  for (const char* set : {"main", "advanced", "mac", "led"}) {
    WriteSolid(SkinImagePath(std::string(set) + "_normal.jpg"), g_pageSize, kNormal);
    WriteSolid(SkinImagePath(std::string(set) + "_over.jpg"), g_pageSize, kOver);
    WriteSolid(SkinImagePath(std::string(set) + "_down.jpg"), g_pageSize, kDown);
  }
  WriteSolid(SkinImagePath("led_null.jpg"), g_pageSize, kNull);
  WriteSolid(SkinImagePath("new_down.jpg"), g_pageSize, kNewDown);
  WriteSolid(SkinImagePath("moveRect.png"), QSize(2, 2), kKnob);
  WriteSolid(LanguageDir() + "/zhi.png", QSize(4, 4), QColor(255, 255, 255));
  SkinImages().Clear();
  g_windowWidth = g_pageSize.width();
  g_windowHeight = g_pageSize.height();

  ClearSettingsTables();
  g_keyCount = 8;
  g_currentProfile = 0;
  g_hoverFrame = g_hoverAdvanced = g_hoverMacro = g_hoverLed = kNoHover;
  g_skinButtonDown = 0;
  g_recording = 0;
  g_languageDropDown = 0;
  g_macroListRow = -1;
  g_macroListRowCount = 0;
  g_editMacro = 0;
  for (auto& record : g_groupMacros) record = MacroRecord{};
  for (auto& profile : g_profileMacros)
    for (auto& record : profile) record = MacroRecord{};
  g_gunMacroCount = 0;
  for (auto& group : g_macroNames) group.fill(std::string());

  SetPlainMessageHandler([this](QWidget*, const std::string& text) { messages_.push_back(text); });
  SetRepaintHandler([this](RepaintArea) { ++repaints_; });
}

void PagePaintTest::TearDown() {
  SetPlainMessageHandler(nullptr);
  SetRepaintHandler(nullptr);
  SetColorChooser(nullptr);
  SkinImages().Clear();
}

QImage PagePaintTest::Compose(int page) {
  g_currentPage = page;
  return ComposeCurrentPage();
}

std::string PagePaintTest::LanguageDir() const { return g_skinsDir + LanguageFolderName(1); }

}  // namespace painttest
