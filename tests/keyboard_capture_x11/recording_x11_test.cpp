// Recording a macro in the running program (with the simulated mouse) on a real X
// server: keys typed with xdotool while recording become the macro's events, saved in
// its group's file, and another program's window gets none of them.
#include <QFile>
#include <QPoint>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "../app/app_fixture.h"
#include "../support/deadline.h"
#include "keys/language.h"
#include "profile/macro_files.h"
#include "profile/macro_record.h"
#include "x11_support.h"

namespace {

using apptest::SpinUntil;
using x11test::Xdotool;

// Places in the window (skin_main.ini and skin_mac.ini of the English folder).
const QPoint kMacroTab(580, 32);
const QPoint kRecordButton(522, 566);
const QPoint kMacroListTopLeft(170, 112);
constexpr int kListRowHeight = 20;

class RecordingX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    // A copy of the program folder: the recording writes into its macro library.
    ASSERT_EQ(QProcess::execute("cp", {"-r", MC_PROGRAM_DIR "/OVK_DOvaru", MC_PROGRAM_DIR "/skins", folder_.path()}),
              0);
    program_.setWorkingDirectory(folder_.path());
    program_.start(folder_.filePath("OVK_DOvaru"), {"--simulate"});
    QProcess search;
    search.start("xdotool", {"search", "--sync", "--onlyvisible", "--name", "OVK Gaming Mouse"});
    ASSERT_TRUE(search.waitForFinished(testdeadline::StretchedMs(60000)));
    window_ = QString::fromLatin1(search.readAllStandardOutput()).split('\n').value(0).trimmed();
    ASSERT_FALSE(window_.isEmpty());
    QProcess geometry;
    geometry.start("xdotool", {"getwindowgeometry", "--shell", window_});
    ASSERT_TRUE(geometry.waitForFinished(testdeadline::StretchedMs(30000)));
    for (const QString& line : QString::fromLatin1(geometry.readAllStandardOutput()).split('\n')) {
      if (line.startsWith("X=")) origin_.setX(line.mid(2).toInt());
      if (line.startsWith("Y=")) origin_.setY(line.mid(2).toInt());
    }
  }
  void TearDown() override {
    program_.kill();
    program_.waitForFinished(testdeadline::StretchedMs(30000));
  }

  // The program handles the clicks in their order, each one before the next.
  void Click(QPoint inWindow) {
    ASSERT_TRUE(x11test::MovePointer(origin_ + inWindow));
    ASSERT_TRUE(Xdotool({"click", "1"}));
  }
  static std::string Contents(const std::string& path) {
    QFile file(QString::fromStdString(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
  }
  std::string GroupFile(const char* group) const {
    return folder_.filePath(QString("skins/1_INI_EN/macro/%1.dat").arg(group)).toStdString();
  }

  QTemporaryDir folder_;
  QProcess program_;
  QString window_;
  QPoint origin_;
};

TEST_F(RecordingX11, KeysTypedWhileRecordingBecomeTheSavedMacroAndReachNoOtherProgram) {
  x11test::OtherWindow other;
  ASSERT_TRUE(other.Started());
  Click(kMacroTab);
  Click(kMacroListTopLeft + QPoint(60, kListRowHeight / 2));      // the group "Editing" opens
  Click(kMacroListTopLeft + QPoint(60, kListRowHeight * 3 / 2));  // its first macro
  const std::string before = Contents(GroupFile("Editing"));
  Click(kRecordButton);
  ASSERT_TRUE(other.Focus());
  // The recording has begun once the program holds the keyboard.
  ASSERT_TRUE(SpinUntil([&] { return other.KeyboardTakenAway(); }));
  ASSERT_TRUE(Xdotool({"key", "--delay", "200", "a", "b"}));
  ASSERT_TRUE(Xdotool({"keydown", "shift", "key", "x", "keyup", "shift"}));
  Click(kRecordButton);
  ASSERT_TRUE(SpinUntil([&] { return Contents(GroupFile("Editing")) != before; })) << "the macro was not saved";
  EXPECT_EQ(other.KeyPresses(), 0);

  g_language = 1;
  ReadMacroGroupFile(GroupFile("Editing"));
  const MacroRecord& macro = g_groupMacros[0];
  const std::uint8_t codes[] = {0x04, 0x04, 0x05, 0x05, 0xE1, 0x1B, 0x1B, 0xE1};
  const std::uint8_t actions[] = {1, 2, 1, 2, 1, 1, 2, 2};
  ASSERT_EQ(macro.eventCount, 8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(macro.code[i], codes[i]) << i;
    EXPECT_EQ(macro.action[i], actions[i]) << i;
  }
  EXPECT_GE(macro.delay[1], 90);  // xdotool waited half its 200 ms between a and b
  EXPECT_EQ(macro.delay[7], 20);

  // The keyboard is the desktop's again.
  ASSERT_TRUE(other.Focus());
  ASSERT_TRUE(Xdotool({"key", "c"}));
  EXPECT_TRUE(SpinUntil([&] { return other.KeyPresses() == 1; }));
}

}  // namespace
