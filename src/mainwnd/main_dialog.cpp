#include "mainwnd/main_dialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "device/device_commands.h"
#include "device/device_connection.h"
#include "device/device_workers.h"
#include "device/download.h"
#include "device/feature_report.h"
#include "device/input_listener.h"
#include "device/memory_image.h"
#include "device/unfit_settings.h"
#include "device/worker_gate.h"
#include "keys/language.h"
#include "mainwnd/macro_page.h"
#include "mainwnd/macro_recording.h"
#include "mainwnd/main_input.h"
#include "mainwnd/main_shape.h"
#include "mainwnd/main_skins.h"
#include "mainwnd/page_paint.h"
#include "mainwnd/skin_image_check.h"
#include "mainwnd/tray_icon.h"
#include "platform/ini_file.h"
#include "platform/qt/window_state.h"
#include "popups/shortcut_get_key.h"
#include "popups/sound_wave.h"
#include "profile/macro_files.h"
#include "profile/macro_library.h"
#include "profile/macro_record.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "profile/settings_tree.h"
#include "profile/unusable_settings_folder.h"
#include "skin/language_texts.h"
#include "skin/popup_skin.h"
#include "skin/skin_image.h"
#include "skin/skin_layout.h"
#include "skin/ui_fonts.h"
#include "skin/warning_dlg.h"
#include "sound/sound_worker.h"

std::atomic<int> g_currentPage{kPageMain};
COVK_DOvaruDlg* g_mainDlg = nullptr;
std::atomic<std::uint8_t> g_blinkPhase{0};
std::atomic<std::uint8_t> g_blinkRunning{0};
std::atomic<std::uint8_t> g_ledPreviewRunning{0};
std::atomic<int> g_startHidden{0};
std::vector<int> g_languageList;
std::string g_curConfigText;
std::string g_configNumText;
int g_menuOpen = 0;
int g_eventListRow = 0;
IconList g_macroListIcons;
IconList g_eventListIcons;
IconList g_ledSubListIcons;

namespace {


// The closing command: byte 1 = 0x20, bytes 2 and 3 = 0.
constexpr std::uint8_t kClosingCommand = static_cast<std::uint8_t>(DeviceCommand::Closing);
// How long the end waits for a download under way to finish, so that the closing
// command is the last frame the mouse gets.
constexpr auto kDownloadDrainTimeout = std::chrono::seconds(30);

int PageIndex() { return std::clamp(g_currentPage.load(), kPageMain, kPageLed); }

// ---- Preview workers ---------------------------------------------------------------

struct PreviewWorkers {
  std::mutex lock;
  std::jthread blink;
  std::jthread preview;
};
PreviewWorkers& Previews() {
  static PreviewWorkers workers;
  return workers;
}

// The lighting preview sleeps on this until the page changes.
struct PreviewPageSignal {
  std::mutex mutex;
  std::condition_variable_any changed;
};
PreviewPageSignal& PageSignal() {
  static PreviewPageSignal signal;
  return signal;
}

// Starts `entry` in `slot` when `running` was 0; a finished earlier worker is joined first.
void StartPreviewWorker(std::jthread& slot, std::atomic<std::uint8_t>& running,
                        unsigned (*entry)(void*, std::stop_token)) {
  PreviewWorkers& workers = Previews();
  std::lock_guard guard(workers.lock);
  if (running.exchange(1) != 0) return;
  if (slot.joinable()) slot.join();  // it cleared its flag on its way out
  void* window = g_mainDlg;
  slot = std::jthread([entry, window](std::stop_token stop) { entry(window, stop); });
}

bool PathExists(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return AsciiLower(x) == AsciiLower(y);
         });
}

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace


// ---- Icons ---------------------------------------------------------------------------

// The icons are compiled into the program; the resource of a static library has to be
// registered by hand (outside any namespace).
static void InitIconResources() {
  static const bool done = [] {
    Q_INIT_RESOURCE(main_dialog_icons);
    return true;
  }();
  (void)done;
}

QIcon ProgramIcon() {
  InitIconResources();
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addFile(QString(":/icons/159_%1.png").arg(size), QSize(size, size));
  return icon;
}

QIcon ListIcon(int id) {
  InitIconResources();
  const QString path = QString(":/icons/%1.png").arg(id);
  if (!QFile::exists(path)) return QIcon();
  return QIcon(path);
}

// ---- Rules ---------------------------------------------------------------------------

bool StartHiddenSwitch(std::string_view commandLine) {
  const std::size_t dash = commandLine.rfind('-');
  const std::size_t start = dash == std::string_view::npos ? 0 : dash + 1;
  return commandLine.substr(start, 4) == "HIDE";
}

std::string JoinCommandLine(int argc, const char* const* argv) {
  std::string line;
  for (int i = 0; i < argc; ++i) {
    if (argv[i] == nullptr) break;
    if (i > 0) line += ' ';
    line += argv[i];
  }
  return line;
}

int IsOurDeviceBroadcast(const DeviceBroadcast* header) {
  if (header == nullptr || header->deviceType != kDbtDevTypDeviceInterface) return 0;
  if (g_devicePath.empty()) return 0;
  return EqualNoCase(header->name, g_devicePath) ? 1 : 0;
}

// ---- Preview workers -----------------------------------------------------------------

unsigned LedPreviewThread(void* /*param*/, std::stop_token stop) {
  // No paint draws the preview's colour or phase, so stepping its frames would only wake
  // the program (and repaint the window) for nothing seen: the worker stays for as long
  // as the page is shown, asleep until the page changes or the program ends.
  {
    PreviewPageSignal& signal = PageSignal();
    std::unique_lock lock(signal.mutex);
    signal.changed.wait(lock, stop, [] { return g_currentPage.load() != kPageLed; });
  }
  g_ledPreviewRunning = 0;
  return 0;
}

void NotifyPreviewPageChanged() {
  PreviewPageSignal& signal = PageSignal();
  std::lock_guard lock(signal.mutex);  // a worker between its check and its wait still hears it
  signal.changed.notify_all();
}

unsigned MainPageBlinkThread(void* /*param*/, std::stop_token /*stop*/) {
  g_blinkPhase = 1;
  g_blinkRunning = 0;
  return 0;
}

void StartLedPreview() { StartPreviewWorker(Previews().preview, g_ledPreviewRunning, &LedPreviewThread); }

void StartMainPageBlink() { StartPreviewWorker(Previews().blink, g_blinkRunning, &MainPageBlinkThread); }

void StopPreviewWorkers() {
  PreviewWorkers& workers = Previews();
  std::lock_guard guard(workers.lock);
  for (std::jthread* worker : {&workers.blink, &workers.preview}) {
    if (!worker->joinable()) continue;
    worker->request_stop();
    worker->join();
  }
}

// ---- The about box -------------------------------------------------------------------

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Text(SystemTextOf(SystemText::AboutTitle)));
  auto* icon = new QLabel;
  icon->setPixmap(ProgramIcon().pixmap(48, 48));
  auto* text = new QLabel(Text(SystemTextOf(SystemText::AboutVersion)));
  auto* ok = new QPushButton(Text(SystemTextOf(SystemText::Ok)));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, [this] { done(1); });

  auto* row = new QHBoxLayout;
  row->addWidget(icon);
  row->addSpacing(12);
  row->addWidget(text, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row);
  layout->addWidget(ok, 0, Qt::AlignRight);
}

// ---- The main window -----------------------------------------------------------------

COVK_DOvaruDlg::COVK_DOvaruDlg(QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint),
      icon_(ProgramIcon()),
      tray_(std::make_unique<TrayIcon>(icon_)) {
  setMouseTracking(true);
  connect(tray_.get(), &TrayIcon::notify, this,
          [this](unsigned id, int message) { OnTrayNotify(id, static_cast<TrayMouse>(message)); });
  connect(tray_.get(), &TrayIcon::command, this, [this](int id) {
    if (id == kTrayCommandShow) OnTrayShow();
    if (id == kTrayCommandExit) OnTrayExit();
  });
}

COVK_DOvaruDlg::~COVK_DOvaruDlg() {
  RemoveHooks();
  tray_->Remove();
}

void COVK_DOvaruDlg::InstallHooks() {
  hooksInstalled_ = true;
  g_mainDlg = this;
  SetWarningOwner(this);
  // Workers ask for repaints and report device changes on their own threads; the window
  // is reached on the UI thread only, and only while it exists.
  SetRepaintHandler([](RepaintArea area) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
      QMetaObject::invokeMethod(
          app, [area] { if (g_mainDlg) g_mainDlg->Repaint(area); }, Qt::QueuedConnection);
    }
  });
  SetDeviceChangeHandler([](DeviceChange change, const std::string& path) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
      const unsigned event = change == DeviceChange::Arrival ? kDbtDeviceArrival : kDbtDeviceRemoveComplete;
      QMetaObject::invokeMethod(
          app,
          [event, path] {
            if (!g_mainDlg) return;
            const DeviceBroadcast broadcast{kDbtDevTypDeviceInterface, path};
            g_mainDlg->OnDeviceChange(event, &broadcast);
          },
          Qt::QueuedConnection);
    }
  });
  SetSkinFileMissingCloseHandler([] {
    if (!g_mainDlg) return;
    g_mainDlg->MarkStartFailed();
    g_mainDlg->OnClose();
  });
}

void COVK_DOvaruDlg::SetTitle(const std::string& title) {
  setWindowTitle(Text(title));
  Tray().SetTip(Text(title));
}

void COVK_DOvaruDlg::RemoveHooks() {
  if (!hooksInstalled_) return;
  hooksInstalled_ = false;
  SetRepaintHandler(nullptr);
  SetDeviceChangeHandler(nullptr);
  SetSkinFileMissingCloseHandler(nullptr);
  if (WarningOwner() == this) SetWarningOwner(nullptr);
  if (g_mainDlg == this) g_mainDlg = nullptr;
}

int COVK_DOvaruDlg::Run() {
  OnInitDialog();
  if (closeRequested_ && !ending_) OnClose();
  if (!ending_) {
    show();  // minimised from the start when the command line asks for it (showEvent)
    running_ = true;
    QApplication::exec();
    running_ = false;
    // Whoever else ended the event loop ended the program: the same orderly end.
    if (!ending_) OnClose();
  }
  FinishWorkers();
  return result_;
}

void COVK_DOvaruDlg::RequestClose() {
  if (ending_) return;
  if (running_) {
    OnClose();
  } else {
    closeRequested_ = true;  // Run ends the program once the start-up is through
    // The boxes of the start-up ("Mouse not found", a broken settings file, a missing
    // file) would hold the end until someone answers them: the open one ends and no
    // later one is shown.
    SilenceOnEnd();
  }
}

bool COVK_DOvaruDlg::OnInitDialog() {
  // 1. Base initialisation: the window exists (not shown yet).
  ending_ = false;
  finalFramesDue_ = true;
  closeRequested_ = false;
  startFailed_ = false;
  result_ = kEndNormal;

  // 2. The main window and the press hand-over.
  InstallHooks();
  InstallPagePainting();
  InstallMainInput(this);
  g_buttonPressed = 0;

  // 3. The workers: listener and executor (they wait at the start gate until the paths,
  // the language and the settings are in place), then the main-page blink.
  InstallDownloadWorker();
  StartDeviceWorkers();
  StartMainPageBlink();

  // 4. The system menu's items and its about item come from the language's texts when
  // the menu opens (Alt+Space opens it, see ShowSystemMenu).

  // 5. The program icon.
  setWindowIcon(icon_);

  // 6. Warnings of the start-up are centred on the desktop.
  g_warningPosMode = 2;

  // 7. The lighting effects offered.
  SetLedModeList(kOfferedLedEffectMask);

  // 8. Paths: the skins tree and the settings tree, with a config.ini that holds settings;
  // without a usable settings folder, the factory tree and its settings, saving nothing.
  if (!UseFactorySettingsWhenFolderUnusable(g_appDir)) PrepareSettingsTree(g_appDir);

  // 9. The device description.
  LoadDeviceDescription();

  // 10. Device key number -> button.
  BuildKeyNumToButton();

  // 11. The languages offered.
  g_languageList = {1};

  // 12. (g_configDir was set with the paths.)

  // 13. The current profile.
  g_curConfigText = ini::ReadString(g_configIniPath, "Init", "CurConfig", 5);
  g_currentProfile = ReadCurrentProfile(g_configIniPath);
  {
    std::lock_guard guard(g_profileSectionLock);
    g_profileSection = ProfileSectionName(g_currentProfile.load());
  }

  // 14. The language.
  g_language = LanguageWithFolder(ReadLanguageIndex(g_configIniPath) & 0xFF);

  // 15. The four profiles from config.ini.
  LoadSettingsProfiles(g_configIniPath);
  // A set whose image the mouse could not take is handled as an unreadable config.ini
  // before anything is sent: the factory settings are read in its place.
  if (RecoverSettingsTheMouseCannotTake()) BuildKeyNumToButton();

  // 16.
  g_configNumText = ini::ReadString(g_configIniPath, "Init", "ConfigNum", 5);

  // 17. Fonts for the display's scale.
  SetupFontsForDpi();

  // 18. The title.
  setWindowTitle(Text(MainWindowTitle()));

  // 19. Texts and the layouts of the pages. A missing layout file ends the program
  // (through OnClose): nothing after it is started.
  LoadLanguageTexts();
  LoadMainSkin();
  LoadColorSkin();
  LoadAdvanceSkin();
  LoadMacSkin();
  if (ending_) return true;

  // 20. The macro page's entry points (its controls are made when it is shown).
  InstallMacroPage();
  InstallMacroRecording(this);

  // 21.
  CopyLanguageTexts();

  // 22. The icons of the macro page's three lists.
  g_macroListIcons = {ListIcon(169), ListIcon(170), ListIcon(171)};
  g_eventListIcons = {ListIcon(172), ListIcon(173), ListIcon(174), ListIcon(175), ListIcon(178), ListIcon(182)};
  g_ledSubListIcons = {ListIcon(178)};

  // 23. The warning box's layout and the button light colours.
  LoadWarningSkin();
  LoadMacColorSkin();
  if (ending_) return true;

  // 24. The window's size and shape, and the repaint region of the macro page.
  shape_ = BuildMainWindowShape(this);
  ReportMissingMainWindowImages();

  // 25. The macro folders of the language.
  SetLanguagePaths();

  // 26. The macro library (the lists are filled when the macro page is shown).
  LoadMacroGroups();
  if (g_groupCount.load() != 0) {
    LoadMacroGroup(g_curGroup.load(), true);
    LoadAllMacroNames();
  }

  // 27. The built-in macros.
  LoadConstMacroFile(ConstMacroPath());

  // 28. No menu open; the event list's row is the edited macro's last event.
  g_menuOpen = 0;
  {
    const int edited = g_editMacro.load();
    const int events = edited >= 0 && edited < kMacroTableSize ? g_groupMacros[static_cast<std::size_t>(edited)].eventCount : 0;
    g_eventListRow = events > 0 ? 2 * events - 2 : 0;
  }

  // 29. The mouse.
  g_deviceFound = FindDevice();

  // 30. Without it the program ends after saying so. A start-hidden start is the login's
  // start, for every account of the machine: it says so on standard error instead of
  // greeting each account without the mouse with a box at every login.
  if (g_deviceFound.load() == 0) {
    startFailed_ = true;
    if (StartHiddenSwitch(commandLine_)) {
      std::fputs("ovk-dovaru: Mouse not found; a start with -HIDE ends without a window\n", stderr);
    } else {
      ShowTipWarning(1, {}, MainWindowTitle());
    }
    OnClose();
    return true;
  }

  // 31. With the mouse.
  g_ledEffectLevel = 11;
  AddTrayIcon();
  if (StartHiddenSwitch(commandLine_)) g_startHidden = 1;
  LoadGunPresets();
  if (g_softHardMac.load() == 1) {
    const int profile = g_currentProfile.load();
    const int keys = std::clamp(g_keyCount.load(), 0, kButtonCount);
    for (int i = 0; i < keys; ++i) SendKeyCmd10(profile, i);
  }
  g_warningPosMode = 0;
  // Everything the workers read is in place now.
  OpenWorkerGate();
  WatchDeviceNode();
  if (SettingsReadOnly()) {
    // The page shows the factory settings, not the user's: the mouse keeps what it
    // holds until Apply.
  } else if (g_deviceVariant.load() == 0) {
    // The second product identity is reset to the factory settings at every start.
    RestoreDefaultsAndSync();
  } else {
    StartDownloadWorker();
  }
  return true;
}

void COVK_DOvaruDlg::FinishWorkers() {
  StopSoundWorker();
  StopPreviewWorkers();
  StopDeviceWorkers();
  WaitForDownloadWorkers(std::chrono::duration_cast<std::chrono::milliseconds>(kDownloadDrainTimeout));
}

void COVK_DOvaruDlg::SilenceOnEnd() {
  // The program is ending: warnings and messages raised from here on are not shown,
  // and popups still open modally are ended so that the end is not held up by them.
  SetWarningHandler([](const WarningRequest&) {});
  SetPlainMessageHandler([](QWidget*, const std::string&) {});
  DiscardPendingWarnings();
  for (int guard = 0; guard < 16; ++guard) {
    QWidget* modal = QApplication::activeModalWidget();
    auto* dialog = qobject_cast<QDialog*>(modal);
    if (dialog == nullptr || dialog == this) break;
    dialog->done(0);
  }
}

void COVK_DOvaruDlg::OnClose() {
  if (ending_) return;
  hide();
  RemoveTrayIcon();
  SendFinalFrames();
  EndDialog(0);
}

void COVK_DOvaruDlg::SendFinalFramesAtExit() {
  if (running_.load()) SendFinalFrames();
}

void COVK_DOvaruDlg::SendFinalFrames() {
  if (!finalFramesDue_.exchange(false)) return;
  // The closing command must be the mouse's last frame: a macro being played is ended
  // (its keys released) and a download under way finishes first.
  FinishWorkers();
  PulseMemControl();
  if (g_writeHandle.load() != hid::kInvalidHandle) {
    std::lock_guard guard(g_reportMutex);
    g_reportBuffer[0] = kFeatureReportId;
    g_reportBuffer[1] = kClosingCommand;
    g_reportBuffer[2] = 0;
    g_reportBuffer[3] = 0;
    SendReportBuffer();  // fails without effect when no mouse was ever opened
  }
}

void COVK_DOvaruDlg::EndDialog(int result) {
  const bool first = !ending_;
  ending_ = true;
  finalFramesDue_ = false;  // an end without them (removal of the mouse) stays without
  result_ = result;
  if (nodeWatcher_) nodeWatcher_->removePaths(nodeWatcher_->directories());
  if (first) SilenceOnEnd();
  hide();
  if (running_) QCoreApplication::exit(result);
}

void COVK_DOvaruDlg::DestroyWindow() { EndDialog(kEndDestroyed); }

void COVK_DOvaruDlg::OnSysCommand(unsigned command) {
  switch (command & 0xFFF0u) {
    case kIdmAboutBox:
      ShowAboutBox();
      break;
    case kScMinimize:
      platform::Minimise(*this);
      break;
    case kScRestore:
      showNormal();
      break;
    case kScClose:
      HideToTray();  // the program keeps running
      break;
    default:
      break;
  }
}

bool COVK_DOvaruDlg::OnDeviceChange(unsigned event, const DeviceBroadcast* broadcast) {
  if (ending_) return true;
  if (event == kDbtDeviceArrival) {
    if (IsOurDeviceBroadcast(broadcast) && g_deviceFound.load() == 0) g_deviceFound = FindDevice();
  } else if (event == kDbtDeviceRemoveComplete) {
    if (IsOurDeviceBroadcast(broadcast)) {
      g_deviceFound = 0;
      RemoveTrayIcon();
      DestroyWindow();  // no report: the mouse is gone
    }
  }
  return true;
}

void COVK_DOvaruDlg::OnPowerBroadcast(int /*event*/) {
  if (ending_) return;
  // Suspend, resume or any other: the mouse gets the whole settings image again.
  DownloadSettings();
}

void COVK_DOvaruDlg::RestoreFromSecondInstance() {
  if (ending_) return;
  // Like a restore of a window found by its title: shown again from the tray as well.
  OnTrayShow();
}

void COVK_DOvaruDlg::Repaint(RepaintArea area) {
  if (area == RepaintArea::MacroRegionOnPage && g_currentPage.load() == kPageMacro && !g_macroRegion.isEmpty()) {
    update(g_macroRegion);
  } else {
    update();
  }
}

QMenu* COVK_DOvaruDlg::BuildSystemMenu() {
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  QAction* restore = menu->addAction(Text(SystemTextOf(SystemText::Restore)));
  restore->setData(kScRestore);
  restore->setEnabled(isMinimized());
  QAction* minimize = menu->addAction(Text(SystemTextOf(SystemText::Minimize)));
  minimize->setData(kScMinimize);
  minimize->setEnabled(!isMinimized());
  menu->addSeparator();
  QAction* close = menu->addAction(Text(SystemTextOf(SystemText::Close)) + QStringLiteral("\tAlt+F4"));
  close->setData(kScClose);
  menu->addSeparator();
  menu->addAction(Text(SystemTextOf(SystemText::AboutItem)))->setData(kIdmAboutBox);
  connect(menu, &QMenu::triggered, this, [this](QAction* action) { OnSysCommand(action->data().toUInt()); });
  return menu;
}

void COVK_DOvaruDlg::ShowSystemMenu() { ShowSystemMenu(mapToGlobal(QPoint(0, 0))); }

void COVK_DOvaruDlg::ShowSystemMenu(QPoint at) { BuildSystemMenu()->popup(at); }

void COVK_DOvaruDlg::ShowAboutBox() {
  CAboutDlg about(this);
  about.exec();
}

void COVK_DOvaruDlg::WatchDeviceNode() {
  // The device watcher reports removals; where it cannot run (no udev monitor, as in
  // many containers), the device node's disappearance is looked for instead.
  removalPath_ = g_devicePath;
  if (removalPath_.empty() || removalPath_.front() != '/' || !PathExists(removalPath_)) return;
  const QString folder = QFileInfo(QString::fromStdString(removalPath_)).absolutePath();
  if (!nodeWatcher_) {
    nodeWatcher_ = new QFileSystemWatcher(this);
    connect(nodeWatcher_, &QFileSystemWatcher::directoryChanged, this, &COVK_DOvaruDlg::CheckDeviceNode);
  }
  if (!nodeWatcher_->directories().contains(folder)) nodeWatcher_->addPath(folder);
}

void COVK_DOvaruDlg::CheckDeviceNode() {
  if (ending_ || removalPath_.empty() || PathExists(removalPath_)) return;
  const DeviceBroadcast broadcast{kDbtDevTypDeviceInterface, removalPath_};
  removalPath_.clear();
  OnDeviceChange(kDbtDeviceRemoveComplete, &broadcast);
}

// ---- Painting and input ----------------------------------------------------------------

void COVK_DOvaruDlg::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  OnPaint(painter);
}

bool COVK_DOvaruDlg::NoControlAt(QPoint point) const {
  const int page = PageIndex();
  const int frameCount = page == kPageMain ? kMainEntries : 20;
  if (HitTestRects(point, g_mainRects.data(), frameCount) != kNoSkinHit) return false;
  switch (page) {
    case kPageAdvanced:
      return HitTestRects(point, g_advancedRects.data(), kAdvancedEntries) == kNoSkinHit;
    case kPageMacro:
      return HitTestRects(point, g_macroRects.data(), kMacroEntries) == kNoSkinHit;
    case kPageLed:
      return HitTestRects(point, g_ledRects.data(), 71) == kNoSkinHit;
    default:
      return true;
  }
}

void COVK_DOvaruDlg::mousePressEvent(QMouseEvent* event) {
  if (OnLButtonDown(event)) return;
  if (NoControlAt(event->position().toPoint())) {
    // Outside every control the window behaves like a caption bar: a left press moves
    // the window, a right press opens its system menu.
    if (event->button() == Qt::LeftButton) {
      drag_.Arm(this, event->globalPosition().toPoint());
      return;
    }
    if (event->button() == Qt::RightButton) {
      ShowSystemMenu(event->globalPosition().toPoint());
      return;
    }
  }
  QDialog::mousePressEvent(event);
}

void COVK_DOvaruDlg::mouseMoveEvent(QMouseEvent* event) {
  if (drag_.Move(this, event)) return;
  if (OnMouseMove(event)) return;
  QDialog::mouseMoveEvent(event);
}

void COVK_DOvaruDlg::mouseReleaseEvent(QMouseEvent* event) {
  if (drag_.Release(event)) return;
  if (OnLButtonUp(event)) return;
  QDialog::mouseReleaseEvent(event);
}

void COVK_DOvaruDlg::leaveEvent(QEvent* event) {
  OnMouseLeave();
  QDialog::leaveEvent(event);
}

void COVK_DOvaruDlg::keyPressEvent(QKeyEvent* event) {
  const bool alt = event->modifiers() & Qt::AltModifier;
  if (alt && event->key() == Qt::Key_Space) {
    ShowSystemMenu();
    return;
  }
  if (alt && event->key() == Qt::Key_F4) {
    // Where no window manager takes Alt+F4 for itself it still only hides the window.
    OnSysCommand(kScClose);
    return;
  }
  if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
  QDialog::keyPressEvent(event);
}

void COVK_DOvaruDlg::closeEvent(QCloseEvent* event) {
  if (ending_) {
    event->accept();
    return;
  }
  // The window manager's close request (its close button, Alt+F4) hides to the tray.
  event->ignore();
  OnSysCommand(kScClose);
}

void COVK_DOvaruDlg::showEvent(QShowEvent* event) {
  // Not QDialog's: it centres a dialog by itself before the window is mapped, which
  // sets the window's position under the window manager's reparenting, and Qt can then
  // keep a position the window never had. The window manager places the main window.
  QWidget::showEvent(event);
  // The start-hidden switch: minimised, still on the taskbar.
  if (g_startHidden.exchange(0) != 0) platform::StartMinimised(*this);
  OnScreenChanged(!isMinimized());
}

void COVK_DOvaruDlg::hideEvent(QHideEvent* event) {
  QDialog::hideEvent(event);
  OnScreenChanged(false);
}

void COVK_DOvaruDlg::changeEvent(QEvent* event) {
  QDialog::changeEvent(event);
  if (event->type() == QEvent::WindowStateChange) OnScreenChanged(isVisible() && !isMinimized());
}

void COVK_DOvaruDlg::OnScreenChanged(bool onScreen) {
  if (onScreen == onScreen_) return;
  onScreen_ = onScreen;
  // Off the screen the pointer is over none of its controls; back on the screen it is
  // drawn whole (the page's images were let go while it was away).
  if (onScreen) {
    update();
  } else {
    ForgetHover();
  }
}
