#include "skin_fixture.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>

#include <fstream>

#include "keys/language.h"
#include "mainwnd/main_skins.h"
#include "platform/ini_file.h"
#include "popups/function_names.h"
#include "profile/paths.h"
#include "skin/popup_skin.h"
#include "skin/skin_image.h"
#include "skin/skin_layout.h"
#include "skin/warning_dlg.h"

namespace skintest {

void WriteFile(const std::string& path, const std::string& text) {
  QDir().mkpath(QFileInfo(QString::fromStdString(path)).absolutePath());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

void WriteImage(const std::string& path, const QImage& image) {
  QDir().mkpath(QFileInfo(QString::fromStdString(path)).absolutePath());
  ASSERT_TRUE(image.save(QString::fromStdString(path), nullptr, 100)) << path;
}

QImage BlockImage(QSize size, QColor fill, const std::vector<QRect>& holes, QColor hole) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(fill);
  QPainter p(&image);
  for (const QRect& r : holes) p.fillRect(r, hole);
  return image;
}

std::string RealProgramDir() {
  const std::string dir = MC_PROGRAM_DIR;
  if (ini::FileExists(dir + "/skins/1_INI_EN/skin_main.ini")) {
    return dir;
  }
  return {};
}

void SkinTreeTest::SetUp() {
  ASSERT_TRUE(dir_.isValid());
  SetProgramPaths(dir_.path().toStdString() + "/prog");
  g_language = 1;
  for (LanguageTextTable* table : {&g_textTip, &g_textMouseKey, &g_textDevMac, &g_textLed, &g_textOther,
                                   &g_textShortcut}) {
    table->fill(std::string());
  }
  ini::ClearCache();
  SkinImages().Clear();
  ResetSkinCloseRequest();
  SetWarningHandler([this](const WarningRequest& r) { record.warnings.push_back(r); });
  SetPlainMessageHandler([this](QWidget*, const std::string& text) { record.messages.push_back(text); });
  SetSkinFileMissingCloseHandler([this] { ++record.closeRequests; });
}

void SkinTreeTest::TearDown() {
  SetWarningHandler(nullptr);
  SetPlainMessageHandler(nullptr);
  SetSkinFileMissingCloseHandler(nullptr);
  ResetSkinCloseRequest();
  SkinImages().Clear();
  ini::ClearCache();
}

std::string SkinTreeTest::Skins() const { return g_skinsDir; }

std::string SkinTreeTest::LangDir(int language) const { return g_skinsDir + LanguageFolderName(language); }

void SkinTreeTest::WriteLanguageFile(int language, const std::string& name, const std::string& text) {
  WriteFile(LangDir(language) + "/" + name, text);
  ini::ClearCache();
}

std::string SkinTreeTest::ButtonSection(int count, int base, const std::string& caption) {
  std::string s = "[BUTTONPOS]\n";
  for (int i = 0; i < count; ++i) {
    s += std::to_string(i) + "=n" + std::to_string(i) + "," + std::to_string(base + i) + "," +
         std::to_string(2 * i) + ",10,5," + caption + std::to_string(i) + "\n";
  }
  return s;
}

void SkinTreeTest::WriteAllLayouts(int language, int base, const std::string& caption) {
  std::string main = ButtonSection(kMainEntries, base, caption) + "[FUN_STRING]\n";
  for (int j = 0; j < kFunStringCount; ++j) main += std::to_string(j) + "=" + caption + "fun" + std::to_string(j) + "\n";
  for (int k = 0; k < 5; ++k) main += std::to_string(30000 + k) + "=" + caption + "sub" + std::to_string(k) + "\n";
  WriteLanguageFile(language, "skin_main.ini", main);
  WriteLanguageFile(language, "skin_color.ini", ButtonSection(kLedEntries, base, caption));
  WriteLanguageFile(language, "skin_advance.ini", ButtonSection(kAdvancedEntries, base, caption));
  WriteLanguageFile(language, "skin_mac.ini",
                    ButtonSection(kMacroEntries, base, caption) +
                        "[EDIT]\n0=e0,1,2,3,4,\n1=e1,11,12,13,14,\n2=e2,21,22,23,24,\n"
                        "[MACRODISPLAY]\n1=d1,31,32,33,34,\n2=d2,41,42,43,44,\n3=d3,51,52,53,54,\n");
  WriteLanguageFile(language, "LBWarning.ini", ButtonSection(kWarningEntries, base, caption));
  WriteLanguageFile(language, "mac_color.ini", ButtonSection(kMacColorEntries, base, caption));
}

void SkinTreeTest::WriteLanguageTexts(int language, const std::string& prefix, const std::string& extraMouseKey) {
  const char* sections[] = {"TipText", "UniqueName_MouseKey", "UniqueName_DevMac",
                            "UniqueName_LED", "UniqueName_Other", "UniqueName_ShortCut"};
  std::string text;
  for (int s = 0; s < 6; ++s) {
    text += std::string("[") + sections[s] + "]\n";
    if (s == 1) text += extraMouseKey;
    for (int k = 0; k < 50; ++k) text += std::to_string(k) + "=" + prefix + std::to_string(s) + "_" + std::to_string(k) + "\n";
  }
  WriteLanguageFile(language, "LanguageText.ini", text);
}

void SkinTreeTest::WriteWarningSkin(int language) {
  const QSize size(400, 200);
  // The mask cuts a 20 x 20 corner out of the box.
  WriteImage(Skins() + "/warning_mask.jpg", BlockImage(size, Qt::black, {QRect(0, 0, 20, 20)}, Qt::white));
  WriteImage(Skins() + "/warning_normal.jpg", BlockImage(size, QColor(40, 40, 40)));
  WriteImage(Skins() + "/warning_over.jpg", BlockImage(size, QColor(200, 120, 0)));
  WriteLanguageFile(language, "LBWarning.ini",
                    "[BUTTONPOS]\n0=ok,40,140,100,40,OK\n1=cancel,260,140,100,40,Cancel\n"
                    "2=text,20,40,360,60,\n3=x,0,0,0,0,three\n4=y,0,0,0,0,four\n");
}

}  // namespace skintest
