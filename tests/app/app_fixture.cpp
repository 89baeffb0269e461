#include "app_fixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <filesystem>

#include "../support/deadline.h"
#include "device/device_connection.h"
#include "device/device_workers.h"
#include "device/download.h"
#include "device/input_listener.h"
#include "device/macro_executor.h"
#include "device/worker_gate.h"
#include "keys/language.h"
#include "mainwnd/main_input.h"
#include "mainwnd/page_paint.h"
#include "mainwnd/page_state.h"
#include "platform/pointer_settings.h"
#include "profile/core_hooks.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "profile/settings_check.h"
#include "skin/popup_skin.h"
#include "skin/skin_layout.h"

namespace apptest {

bool SpinUntil(const std::function<bool()>& done, int ms) {
  const qint64 limit = testdeadline::StretchedMs(ms);
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > limit) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  return true;
}

QPoint Centre(const SkinRect& r) { return {r.x + r.width / 2, r.y + r.height / 2}; }

void ClickMain(QPoint p) {
  MouseMoveAt(p);
  LButtonDownAt(p);
  LButtonUpAt(p);
}

void SpinFor(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
}

bool IsCommand(const FrameBytes& frame, std::uint8_t command) {
  return frame.size() > 1 && frame[0] == 7 && frame[1] == command;
}

bool IsMemoryFrame(const FrameBytes& frame, std::uint8_t flags) {
  return IsCommand(frame, 0x18) && frame.size() > 2 && frame[2] == flags;
}

int FrameAddress(const FrameBytes& frame) { return frame.size() > 5 ? frame[4] | (frame[5] << 8) : -1; }

void ProgramTest::SetUp() {
  ASSERT_TRUE(dir_.isValid());
  const std::filesystem::path installed = std::filesystem::path(MC_PROGRAM_DIR) / "skins";
  ASSERT_TRUE(std::filesystem::exists(installed / "config" / "config.ini")) << "the installation tree is not built";
  std::filesystem::copy(installed, std::filesystem::path(ProgramDir()) / "skins",
                        std::filesystem::copy_options::recursive);

  g_appDir = ProgramDir();
  g_language = 1;
  g_currentPage = kPageMain;
  g_startHidden = 0;
  ClearSettingsTables();
  ResetDownloadCarryOver();
  ResetSkinCloseRequest();
  ResetInputListener();
  ResetInputEmission();
  pointer::SetPointerSettings(pointer::MakeUnavailablePointerSettings());
  SetWarningHandler([this](const WarningRequest& request) {
    std::lock_guard guard(lock_);
    warnings_.push_back({request.tipEntry, request.text});
  });
  SetPlainMessageHandler([this](QWidget*, const std::string& text) {
    std::lock_guard guard(lock_);
    messages_.push_back(text);
  });
}

void ProgramTest::TearDown() {
  Finish();
  window_.reset();
  ResetWorkerGate();
  ResetDeviceConnection();
  if (mouse_) mouse_->Uninstall();
  mouse_.reset();
  SetWarningHandler(nullptr);
  SetPlainMessageHandler(nullptr);
  pointer::SetPointerSettings(nullptr);
  ArmSettingsCheck(false);  // the start-up armed it
  ClearSettingsTables();
  g_currentPage = kPageMain;
  g_startHidden = 0;
  // The pointer state and the decoded images are the process's, not the window's: the
  // next test starts with nothing hovered or pressed and nothing decoded.
  g_hoverFrame = g_hoverLed = g_hoverAdvanced = g_hoverMacro = kNoHover;
  g_skinButtonDown = 0;
  ReleasePageImages();
}

std::shared_ptr<sim::SimulatedMouse> ProgramTest::PlugMouse(sim::SimOptions options) {
  mouse_ = sim::SimulatedMouse::Install(std::move(options));
  return mouse_;
}

COVK_DOvaruDlg& ProgramTest::Window() {
  if (!window_) window_ = std::make_unique<COVK_DOvaruDlg>();
  return *window_;
}

COVK_DOvaruDlg& ProgramTest::Start() {
  COVK_DOvaruDlg& window = Window();
  window.OnInitDialog();
  return window;
}

void ProgramTest::StartWithMouse() {
  PlugMouse();
  Start();
  ASSERT_TRUE(WaitForDownloads());
}

void ProgramTest::Finish() {
  StopPreviewWorkers();
  StopDeviceWorkers();
  WaitForDownloadWorkers(testdeadline::Stretched(std::chrono::seconds(30)));
}

bool ProgramTest::WaitForDownloads(int ms) {
  return WaitForDownloadWorkers(testdeadline::Stretched(std::chrono::milliseconds(ms)));
}

std::string ProgramTest::ProgramDir() const { return dir_.path().toStdString(); }
std::string ProgramTest::ConfigIni() const { return ProgramDir() + "/skins/config/config.ini"; }
std::string ProgramTest::ConfigReset() const { return ProgramDir() + "/skins/config/configReset.ini"; }
std::string ProgramTest::LanguageFile(const std::string& name) const {
  return ProgramDir() + "/skins/1_INI_EN/" + name;
}

std::vector<Warning> ProgramTest::Warnings() {
  std::lock_guard guard(lock_);
  return warnings_;
}

std::vector<int> ProgramTest::WarningTips() {
  std::vector<int> tips;
  for (const Warning& w : Warnings()) tips.push_back(w.tip);
  return tips;
}

std::vector<std::string> ProgramTest::Messages() {
  std::lock_guard guard(lock_);
  return messages_;
}

std::vector<FrameBytes> ProgramTest::SentFrames() const {
  std::vector<FrameBytes> frames;
  if (!mouse_) return frames;
  for (const sim::Frame& frame : mouse_->SetFeatureFrames()) frames.push_back(frame.bytes);
  return frames;
}

}  // namespace apptest
