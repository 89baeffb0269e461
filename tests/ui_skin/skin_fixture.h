// A small installation tree in a temporary folder for the skin, language and warning
// box tests: a program folder whose skins tree has one or two language folders with
// layout and text files, and blocky skin images made here.
#pragma once

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "profile/core_hooks.h"

namespace skintest {

// Writes `text` to `path`, creating its folders.
void WriteFile(const std::string& path, const std::string& text);

// A JPG (quality 100) or PNG, chosen by the path's suffix.
void WriteImage(const std::string& path, const QImage& image);

// An image of `size` filled with `fill`, with the rectangles in `holes` painted in `hole`.
QImage BlockImage(QSize size, QColor fill, const std::vector<QRect>& holes = {}, QColor hole = Qt::white);

// The real installation tree beside the built program (its layouts at least), or empty.
std::string RealProgramDir();

// Recorded warnings and plain messages.
struct Recorder {
  std::vector<WarningRequest> warnings;
  std::vector<std::string> messages;
  int closeRequests = 0;
};

// Each test gets a fresh tree as program folder, with g_language = 1, the text tables
// emptied, and the warning, message and close hooks recording into `record`.
class SkinTreeTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::string Skins() const;                       // the skins folder
  std::string LangDir(int language) const;         // skins + language folder
  // Writes a layout or text file into a language folder.
  void WriteLanguageFile(int language, const std::string& name, const std::string& text);
  // A BUTTONPOS section with `count` lines "n<i>,<x>,<y>,<w>,<h>,<caption><i>" where
  // x = base + i, y = 2 * i, w = 10, h = 5.
  static std::string ButtonSection(int count, int base, const std::string& caption);
  // Every layout file of the main window and the warning box for `language`.
  void WriteAllLayouts(int language, int base, const std::string& caption);
  // A LanguageText.ini whose entries are "<prefix><section index>_<key>".
  void WriteLanguageTexts(int language, const std::string& prefix, const std::string& extraMouseKey = {});
  // The warning box images (mask with a cut-out border) and its layout.
  void WriteWarningSkin(int language);

  QTemporaryDir dir_;
  Recorder record;
};

}  // namespace skintest
