// The main window's start-up and its ends, observed through the simulated mouse's frame
// log, the recorded warnings and the files of the program folder.
#include <QAction>
#include <QColorDialog>
#include <QImage>
#include <QStringList>
#include <QApplication>
#include <QMenu>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/dark_palette.h"
#include "app_fixture.h"
#include "device/device_connection.h"
#include "device/device_workers.h"
#include "device/input_listener.h"
#include "device/worker_gate.h"
#include "keys/language.h"
#include "mainwnd/main_shape.h"
#include "mainwnd/tray_icon.h"
#include "platform/ini_file.h"
#include "profile/settings.h"
#include "skin/language_texts.h"
#include "skin/skin_image.h"

namespace apptest {
namespace {

constexpr std::uint8_t kKeySetting = 0x10;
constexpr std::uint8_t kClosing = 0x20;

std::vector<sim::Frame> AllFrames(const std::shared_ptr<sim::SimulatedMouse>& mouse) { return mouse->Frames(); }

int CountMemoryFrames(const std::vector<FrameBytes>& frames, std::uint8_t flags) {
  return static_cast<int>(std::count_if(frames.begin(), frames.end(), [flags](const FrameBytes& f) {
    return IsMemoryFrame(f, flags);
  }));
}

// Offsets written at `address` by data frames (flags 0x03).
std::vector<int> OffsetsWrittenAt(const std::vector<FrameBytes>& frames, int address) {
  std::vector<int> offsets;
  for (const FrameBytes& f : frames) {
    if (IsMemoryFrame(f, 0x03) && FrameAddress(f) == address) offsets.push_back(f[3]);
  }
  return offsets;
}

using StartupTest = ProgramTest;

TEST_F(StartupTest, FirstIdentityDownloadsAfterTheKeySettingPass) {
  // Software macro mode with a start/stop button: start-up sends command 0x10 for it
  // before the download starts.
  ini::WriteString(ConfigIni(), "ShareData", "SOFT_HARD_MAC", "1");
  ini::WriteString(ConfigIni(), "Config0", "K2", "18");
  auto mouse = PlugMouse();

  COVK_DOvaruDlg& window = Start();
  EXPECT_FALSE(window.Ending());
  EXPECT_EQ(g_deviceFound.load(), 1);
  EXPECT_EQ(g_deviceVariant.load(), 1);
  EXPECT_TRUE(window.Tray().Added());
  EXPECT_TRUE(WorkerGateOpen());
  EXPECT_EQ(window.windowTitle().toStdString(), g_titleEn);
  EXPECT_EQ(window.size(), QSize(g_windowWidth, g_windowHeight));
  EXPECT_FALSE(window.Shape().isEmpty());
  ASSERT_TRUE(WaitForDownloads());

  const std::vector<sim::Frame> frames = AllFrames(mouse);
  const auto statusRead = std::find_if(frames.begin(), frames.end(),
                                       [](const sim::Frame& f) { return f.kind == sim::Frame::Kind::GetFeature; });
  ASSERT_NE(statusRead, frames.end()) << "the download's status read";
  // Before the download only the key setting pass: button 2's key number, value 0.
  ASSERT_NE(statusRead, frames.begin());
  for (auto it = frames.begin(); it != statusRead; ++it) {
    ASSERT_TRUE(IsCommand(it->bytes, kKeySetting));
    EXPECT_EQ(it->bytes[2], g_keyMap[2]);
    EXPECT_EQ(it->bytes[3], 0);
  }
  // The first identity gets only byte 1 of the header, and the download ends with the pulse.
  const std::vector<FrameBytes> sent = SentFrames();
  EXPECT_EQ(OffsetsWrittenAt(sent, 0x000), std::vector<int>{});
  EXPECT_EQ(OffsetsWrittenAt(sent, 0x001), std::vector<int>{0});
  EXPECT_EQ(mouse->ControlPulseCount(), 1);
  EXPECT_TRUE(WarningTips().empty());
}

TEST_F(StartupTest, SecondIdentityIsResetAtEveryStartWithTwoWarnings) {
  sim::SimOptions options;
  options.productId = sim::kSimProductId2;
  auto mouse = PlugMouse(options);
  const std::string factoryDpi = ini::ReadString(ConfigReset(), "ShareData", "DPI_LEVEL", 10);

  for (int start = 0; start < 2; ++start) {
    SCOPED_TRACE(start);
    // The user's own settings, which the reset replaces.
    ini::WriteString(ConfigIni(), "ShareData", "DPI_LEVEL", "4");
    ini::WriteString(ConfigIni(), "Init", "CurConfig", "2");
    ASSERT_NE(factoryDpi, "4");
    mouse->ClearFrames();
    std::vector<std::size_t> framesAtWarning;
    std::vector<int> tips;
    SetWarningHandler([&](const WarningRequest& request) {
      tips.push_back(request.tipEntry);
      framesAtWarning.push_back(mouse->SetFeatureFrames().size());
    });

    COVK_DOvaruDlg& window = Start();
    ASSERT_TRUE(WaitForDownloads());
    EXPECT_FALSE(window.Ending());
    EXPECT_EQ(g_deviceVariant.load(), 0);
    EXPECT_EQ(tips, (std::vector<int>{2, 3}));
    ASSERT_EQ(framesAtWarning.size(), 2u);
    EXPECT_EQ(framesAtWarning[0], 0u) << "the first warning comes before the reset's download";
    EXPECT_EQ(ini::ReadString(ConfigIni(), "ShareData", "DPI_LEVEL", 10), factoryDpi);
    EXPECT_EQ(g_currentProfile.load(), 0);
    // The second identity gets the whole header.
    EXPECT_EQ(OffsetsWrittenAt(SentFrames(), 0x000), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));

    Finish();
    window_.reset();
    ResetWorkerGate();
  }
}

TEST_F(StartupTest, WithoutTheMouseTheWarningNamesTheProgramAndItEnds) {
  auto mouse = PlugMouse();
  mouse->Unplug();

  COVK_DOvaruDlg& window = Window();
  // Run returns by itself: the window never runs.
  EXPECT_EQ(window.Run(), kEndNormal);
  EXPECT_TRUE(window.Ending());
  EXPECT_TRUE(window.StartFailed());
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(window.Tray().Added());
  EXPECT_FALSE(WorkerGateOpen());
  EXPECT_FALSE(DeviceWorkersRunning());

  const std::vector<Warning> warnings = Warnings();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].tip, 1);
  EXPECT_EQ(warnings[0].text, g_textTip[1] + g_titleEn);
  EXPECT_FALSE(g_titleEn.empty());
}

TEST_F(StartupTest, MissingLayoutFileEndsTheStartBeforeTheMouseIsLookedFor) {
  std::filesystem::remove(LanguageFile("skin_color.ini"));
  auto mouse = PlugMouse();

  COVK_DOvaruDlg& window = Window();
  window.Run();
  EXPECT_TRUE(window.Ending());
  EXPECT_TRUE(window.StartFailed());
  EXPECT_EQ(WarningTips(), std::vector<int>{5});
  EXPECT_EQ(g_deviceFound.load(), 0);
  EXPECT_TRUE(mouse->Frames().empty());
  EXPECT_FALSE(window.Tray().Added());
}

TEST_F(StartupTest, MissingSkinImagesAreNamedAndTheStartGoesOn) {
  const std::string skins = ProgramDir() + "/skins/";
  std::filesystem::remove(skins + "main_normal.jpg");
  std::filesystem::remove(skins + "led_over.jpg");
  std::ofstream(skins + "moveRect.png", std::ios::trunc) << "not an image";
  PlugMouse();

  ::testing::internal::CaptureStderr();
  COVK_DOvaruDlg& window = Start();
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(window.Ending()) << "the window is drawn without them";
  ASSERT_TRUE(WaitForDownloads());
  for (const char* name : {"main_normal.jpg", "led_over.jpg", "moveRect.png"})
    EXPECT_NE(said.find(skins + name), std::string::npos) << name << " in: " << said;
  EXPECT_EQ(said.find("main_over.jpg"), std::string::npos) << said;
  const std::vector<Warning> warnings = Warnings();
  ASSERT_EQ(warnings.size(), 1u) << "one box for all of them";
  EXPECT_EQ(warnings[0].tip, 5);
  EXPECT_NE(warnings[0].text.find(skins + "main_normal.jpg"), std::string::npos) << warnings[0].text;
  EXPECT_NE(warnings[0].text.find("2 more"), std::string::npos) << warnings[0].text;
}

TEST_F(StartupTest, UnpluggingTheMouseEndsTheProgram) {
  auto mouse = PlugMouse();
  COVK_DOvaruDlg& window = Start();
  ASSERT_TRUE(WaitForDownloads());

  mouse->Unplug();  // reported on the unplugging thread, handled on the UI thread
  ASSERT_TRUE(SpinUntil([&] { return window.Ending(); }));
  EXPECT_EQ(window.Result(), kEndDestroyed);
  EXPECT_EQ(g_deviceFound.load(), 0);
  EXPECT_FALSE(window.Tray().Added());
}

TEST_F(StartupTest, RemovalOfOurDeviceSendsNoFinalReport) {
  auto mouse = PlugMouse();
  COVK_DOvaruDlg& window = Start();
  ASSERT_TRUE(WaitForDownloads());
  mouse->ClearFrames();

  // Broadcasts about other devices change nothing.
  const std::string path = g_devicePath;
  std::string otherCase = path;
  std::transform(otherCase.begin(), otherCase.end(), otherCase.begin(), [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
  const DeviceBroadcast other{kDbtDevTypDeviceInterface, "/dev/hidraw99"};
  const DeviceBroadcast wrongType{2, path};
  EXPECT_TRUE(window.OnDeviceChange(kDbtDeviceRemoveComplete, &other));
  EXPECT_TRUE(window.OnDeviceChange(kDbtDeviceRemoveComplete, &wrongType));
  EXPECT_TRUE(window.OnDeviceChange(kDbtDeviceRemoveComplete, nullptr));
  EXPECT_FALSE(window.Ending());

  // Ours, compared without regard to case: the program ends at once, silently.
  const DeviceBroadcast ours{kDbtDevTypDeviceInterface, otherCase};
  EXPECT_TRUE(window.OnDeviceChange(kDbtDeviceRemoveComplete, &ours));
  EXPECT_TRUE(window.Ending());
  EXPECT_EQ(window.Result(), kEndDestroyed);
  Finish();
  EXPECT_TRUE(SentFrames().empty());
}

TEST_F(StartupTest, ArrivalOfOurDeviceReconnectsOnlyWhenNotConnected) {
  auto mouse = PlugMouse();
  COVK_DOvaruDlg& window = Start();
  ASSERT_TRUE(WaitForDownloads());
  const DeviceBroadcast ours{kDbtDevTypDeviceInterface, g_devicePath};

  g_deviceFound = 0;
  EXPECT_TRUE(window.OnDeviceChange(kDbtDeviceArrival, &ours));
  EXPECT_EQ(g_deviceFound.load(), 1);
  EXPECT_FALSE(window.Ending());
}

TEST_F(StartupTest, CloseSendsPulseAndClosingCommandAfterTheDownload) {
  auto mouse = PlugMouse();
  mouse->SetLatency(std::chrono::microseconds(300));  // the start-up download takes a while
  COVK_DOvaruDlg& window = Start();
  ASSERT_FALSE(window.Ending());

  window.OnClose();  // while the download still runs
  EXPECT_TRUE(window.Ending());
  EXPECT_EQ(window.Result(), 0);
  EXPECT_FALSE(window.Tray().Added());
  EXPECT_FALSE(DeviceWorkersRunning());

  const std::vector<FrameBytes> sent = SentFrames();
  ASSERT_GE(sent.size(), 3u);
  // The download was let finish: its macro directory is whole (70 blocks, with the
  // settings blocks before it), and then come the pulse and the closing command.
  EXPECT_GE(CountMemoryFrames(sent, 0x09), 13 + 70);
  const FrameBytes& last = sent[sent.size() - 1];
  EXPECT_TRUE(IsCommand(last, kClosing));
  EXPECT_EQ(last[2], 0);
  EXPECT_EQ(last[3], 0);
  EXPECT_TRUE(IsMemoryFrame(sent[sent.size() - 3], 0x10)) << "the closing pulse";
  EXPECT_EQ(mouse->ControlPulseCount(), 2);  // the download's and the end's
}

class CloseRequestTest : public ProgramTest, public ::testing::WithParamInterface<bool> {};

TEST_P(CloseRequestTest, HidesToTheTrayOrMinimisesWithoutOne) {
  const bool trayAvailable = GetParam();
  PlugMouse();
  COVK_DOvaruDlg& window = Start();
  window.Tray().SetAvailabilityCheck([trayAvailable] { return trayAvailable; });
  window.show();
  ASSERT_TRUE(SpinUntil([&] { return window.isVisible(); }));

  // The window manager's close request, then Alt+F4 where no window manager takes it,
  // then the system menu's close: each only hides (or minimises) the window.
  window.close();
  EXPECT_FALSE(window.Ending());
  EXPECT_EQ(window.isVisible(), !trayAvailable);
  if (!trayAvailable) {
    EXPECT_TRUE(window.isMinimized()) << "without a tray the window stays on the taskbar";
  }

  window.OnTrayShow();
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.isMinimized());
  QKeyEvent altF4(QEvent::KeyPress, Qt::Key_F4, Qt::AltModifier);
  QCoreApplication::sendEvent(&window, &altF4);
  EXPECT_EQ(window.isVisible(), !trayAvailable);

  window.OnTrayShow();
  window.OnSysCommand(kScClose | 0x2);  // the low four bits do not count
  EXPECT_EQ(window.isVisible(), !trayAvailable);
  EXPECT_FALSE(window.Ending());
  EXPECT_TRUE(window.Tray().Added());
}

INSTANTIATE_TEST_SUITE_P(Tray, CloseRequestTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "WithTray" : "NoTray"; });

TEST_F(StartupTest, SystemMenuMinimisesRestoresHidesAndOpensTheAboutBox) {
  PlugMouse();
  COVK_DOvaruDlg& window = Start();
  window.Tray().SetAvailabilityCheck([] { return true; });
  window.show();
  auto item = [](QMenu* menu, unsigned command) -> QAction* {
    for (QAction* action : menu->actions()) {
      if (!action->isSeparator() && action->data().toUInt() == command) return action;
    }
    return nullptr;
  };

  QMenu* menu = window.BuildSystemMenu();
  ASSERT_NE(item(menu, kScRestore), nullptr);
  EXPECT_FALSE(item(menu, kScRestore)->isEnabled());
  ASSERT_NE(item(menu, kIdmAboutBox), nullptr);
  EXPECT_EQ(item(menu, kIdmAboutBox)->text(), QString("&About OVK_DOvaru..."));
  item(menu, kScMinimize)->trigger();
  EXPECT_TRUE(window.isMinimized());
  menu->deleteLater();

  menu = window.BuildSystemMenu();
  EXPECT_TRUE(item(menu, kScRestore)->isEnabled());
  item(menu, kScRestore)->trigger();
  EXPECT_FALSE(window.isMinimized());
  menu->deleteLater();

  // The about box is modal; it is closed as soon as it shows.
  bool aboutShown = false;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
      aboutShown = true;
      about->done(1);
    }
  });
  closer.start(10);
  menu = window.BuildSystemMenu();
  item(menu, kIdmAboutBox)->trigger();
  EXPECT_TRUE(aboutShown);
  menu->deleteLater();

  menu = window.BuildSystemMenu();
  item(menu, kScClose)->trigger();
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(window.Ending());
  menu->deleteLater();
}

// The mean brightness (0..255) of a widget as drawn.
double MeanBrightness(QWidget& widget) {
  const QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
  double sum = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) sum += qGray(image.pixel(x, y));
  }
  return image.isNull() ? 255 : sum / (image.width() * image.height());
}

TEST_F(StartupTest, StockWindowsAreDarkAndSpeakTheLanguage) {
  ini::WriteString(ConfigIni(), "Init", "VER_SEL", "0");
  PlugMouse();
  COVK_DOvaruDlg& window = Start();
  InstallDarkPalette();

  const std::string texts = ProgramDir() + "/skins/0_INI_CN/LanguageText.ini";
  auto text = [&](int entry) {
    return QString::fromStdString(ini::ReadString(texts, "UniqueName_System", std::to_string(entry), 260));
  };
  QMenu* menu = window.BuildSystemMenu();
  QStringList items;
  for (QAction* action : menu->actions()) {
    if (!action->isSeparator()) items << action->text();
  }
  ASSERT_FALSE(text(1).isEmpty());
  EXPECT_EQ(items, (QStringList{text(1), text(2), text(3) + "\tAlt+F4", text(4)}));
  CAboutDlg about(&window);
  EXPECT_EQ(about.windowTitle(), text(5));

  // The light default look would be far brighter than the skin.
  menu->adjustSize();
  EXPECT_LT(MeanBrightness(*menu), 80);
  EXPECT_LT(MeanBrightness(about), 80);
  QColorDialog colours;
  colours.setOption(QColorDialog::DontUseNativeDialog);
  EXPECT_LT(MeanBrightness(colours), 110);
  delete menu;
  QApplication::setPalette(QPalette());
}

TEST_F(StartupTest, EscapeAndEnterDoNotEndTheProgram) {
  PlugMouse();
  COVK_DOvaruDlg& window = Start();
  window.show();
  for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &press);
  }
  EXPECT_FALSE(window.Ending());
  EXPECT_TRUE(window.isVisible());
}

TEST_F(StartupTest, TrayIconRestoresAndItsMenuFollowsTheLanguage) {
  PlugMouse();
  COVK_DOvaruDlg& window = Start();
  window.Tray().SetAvailabilityCheck([] { return true; });
  EXPECT_EQ(window.Tray().Tip().toStdString(), MainWindowTitle());
  window.show();
  window.HideToTray();
  ASSERT_FALSE(window.isVisible());

  EXPECT_EQ(window.OnTrayNotify(kTrayIconId + 1, TrayMouse::LeftDoubleClick), 1);
  EXPECT_FALSE(window.isVisible()) << "another icon's message does nothing";
  EXPECT_EQ(window.OnTrayNotify(kTrayIconId, TrayMouse::Other), 0);
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.OnTrayNotify(kTrayIconId, TrayMouse::LeftDoubleClick), 0);
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.isMinimized());

  // The menu's items carry texts 34 and 35 of the language, taken anew at each opening.
  EXPECT_EQ(window.Tray().ShowAction()->text().toStdString(), g_textDevMac[34]);
  EXPECT_EQ(window.Tray().ExitAction()->text().toStdString(), g_textDevMac[35]);
  const std::string saved = g_textDevMac[35];
  g_textDevMac[35] = "Quit now";
  EXPECT_EQ(window.OnTrayNotify(kTrayIconId, TrayMouse::RightButtonUp), 0);
  EXPECT_EQ(window.Tray().ExitAction()->text(), QString("Quit now"));
  g_textDevMac[35] = saved;

  // The show item brings the window back from the tray, the exit item ends the program.
  window.HideToTray();
  window.Tray().ShowAction()->trigger();
  EXPECT_TRUE(window.isVisible());
  window.Tray().ExitAction()->trigger();
  EXPECT_TRUE(window.Ending());
  EXPECT_FALSE(window.Tray().Added());
}

TEST_F(StartupTest, TrayExitEndsOpenDialogsFirst) {
  auto mouse = PlugMouse();
  COVK_DOvaruDlg& window = Start();
  ASSERT_TRUE(WaitForDownloads());

  QDialog gun;
  QDialog keyCapture;
  g_gunDialog = &gun;
  g_keyCaptureDialog = &keyCapture;
  int keyCaptureResult = -5;
  // The gun dialog runs modally; the key capture dialog inside it; the tray's exit comes
  // while both are open.
  QTimer::singleShot(0, &gun, [&] {
    QTimer::singleShot(20, &window, [&] { window.OnTrayExit(); });
    keyCaptureResult = keyCapture.exec();
  });
  const int gunResult = gun.exec();
  g_gunDialog = nullptr;
  g_keyCaptureDialog = nullptr;

  EXPECT_EQ(gunResult, 0);
  EXPECT_EQ(keyCaptureResult, 0);
  EXPECT_TRUE(window.Ending());
  const std::vector<FrameBytes> sent = SentFrames();
  ASSERT_FALSE(sent.empty());
  EXPECT_TRUE(IsCommand(sent.back(), kClosing));
}

class PowerBroadcastTest : public ProgramTest, public ::testing::WithParamInterface<int> {};

TEST_P(PowerBroadcastTest, WritesTheWholeSettingsImageAgain) {
  auto mouse = PlugMouse();
  COVK_DOvaruDlg& window = Start();
  ASSERT_TRUE(WaitForDownloads());
  const int startupCommits = CountMemoryFrames(SentFrames(), 0x09);
  ASSERT_GT(startupCommits, 0);
  mouse->ClearFrames();

  window.OnPowerBroadcast(GetParam());
  const std::vector<FrameBytes> sent = SentFrames();
  EXPECT_EQ(CountMemoryFrames(sent, 0x09), startupCommits);
  EXPECT_EQ(mouse->ControlPulseCount(), 2);
  EXPECT_FALSE(window.Ending());
}

INSTANTIATE_TEST_SUITE_P(Events, PowerBroadcastTest, ::testing::Values(kPowerSuspend, kPowerResume, 0x8013));

TEST_F(StartupTest, StartHiddenSwitchMinimisesAtTheFirstShow) {
  PlugMouse();
  COVK_DOvaruDlg& window = Window();
  window.SetCommandLine("/opt/mouse/OVK_DOvaru --simulate -HIDE");
  window.OnInitDialog();
  EXPECT_EQ(g_startHidden.load(), 1);
  window.show();
  EXPECT_TRUE(SpinUntil([&] { return window.isMinimized(); }));
  EXPECT_EQ(g_startHidden.load(), 0);
  EXPECT_TRUE(window.isVisible()) << "minimised, still on the taskbar";
}

TEST_F(StartupTest, WithoutTheSwitchTheWindowOpensNormally) {
  PlugMouse();
  COVK_DOvaruDlg& window = Window();
  window.SetCommandLine("/opt/mouse/OVK_DOvaru -HIDE --simulate");
  window.OnInitDialog();
  window.show();
  SpinFor(100);
  EXPECT_FALSE(window.isMinimized());
  EXPECT_EQ(g_startHidden.load(), 0);
}

TEST_F(StartupTest, DisappearingDeviceNodeEndsTheProgram) {
  // A device node that really exists on disk stands for the mouse's hidraw node, for a
  // system whose device watcher cannot run.
  const std::string node = ProgramDir() + "/hidraw-test";
  std::ofstream(node) << "node";
  sim::SimOptions options;
  options.path = node;
  PlugMouse(options);

  COVK_DOvaruDlg& window = Window();
  window.OnInitDialog();
  ASSERT_TRUE(WaitForDownloads());
  SpinFor(60);
  EXPECT_FALSE(window.Ending());

  std::filesystem::remove(node);
  ASSERT_TRUE(SpinUntil([&] { return window.Ending(); }, 2000));
  EXPECT_EQ(window.Result(), kEndDestroyed);
}

TEST_F(StartupTest, RepaintRequestsFromWorkersAreSafeBeforeAndAfterTheWindowGoes) {
  PlugMouse();
  COVK_DOvaruDlg& window = Start();
  window.show();
  std::thread worker([] {
    for (int i = 0; i < 50; ++i) RequestMainRepaint(i % 2 ? RepaintArea::Whole : RepaintArea::MacroRegionOnPage);
  });
  worker.join();
  SpinFor(50);
  // Requests after the window is gone are dropped.
  window_.reset();
  RequestMainRepaint();
  SpinFor(20);
  SUCCEED();
}

}  // namespace
}  // namespace apptest
