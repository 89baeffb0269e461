// The main window COVK_DOvaruDlg: one frameless, skinned window, shaped by main_mask.jpg.
// It is a normal top-level window, not a modal one: a modal window would block the tray
// icon. The program runs the application's event loop for as long as this window runs
// and ends when it ends. This file holds its start-up (OnInitDialog, in a fixed order
// that brings every other part of the program up), the ways the program ends (OnClose,
// removal of the mouse), the handlers of system commands, device arrival and removal and
// power events, the about box, the two preview workers of the main window, and the entry
// points of the pages.
//
// The window paints its page (mainwnd/page_paint.h) and hands its mouse events to the
// pages' input handling (mainwnd/main_input.h); a press outside every control moves it.
//
// UI thread only, except where a function says otherwise.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <QRegion>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "profile/core_hooks.h"
#include "skin/window_drag.h"

class QMenu;
class QPainter;
class QFileSystemWatcher;
class TrayIcon;

// ---- Pages ----------------------------------------------------------------------------

inline constexpr int kPageMain = 0;
inline constexpr int kPageAdvanced = 1;
inline constexpr int kPageMacro = 2;
inline constexpr int kPageLed = 3;

// The page shown: 0 main, 1 advanced, 2 macro, 3 lighting. Changed by the page tabs; the
// lighting preview worker reads it.
extern std::atomic<int> g_currentPage;

// ---- State of the main window ----------------------------------------------------------

class COVK_DOvaruDlg;
// The main window while it exists (set by OnInitDialog), else null.
extern COVK_DOvaruDlg* g_mainDlg;

// Main-page blink animation: its phase, and 1 while its worker runs.
extern std::atomic<std::uint8_t> g_blinkPhase;
extern std::atomic<std::uint8_t> g_blinkRunning;
// Lighting preview: 1 while its worker runs.
extern std::atomic<std::uint8_t> g_ledPreviewRunning;

// 1 when the command line asked to start minimised; cleared when that was done.
extern std::atomic<int> g_startHidden;

// The languages the language drop-down offers (start-up: English alone).
extern std::vector<int> g_languageList;
// CurConfig and ConfigNum of section Init as read at start-up.
extern std::string g_curConfigText;
extern std::string g_configNumText;

// A popup menu opened by a frame button or a main-page button is open.
extern int g_menuOpen;
// The selected row of the macro page's event list (two rows per event).
extern int g_eventListRow;

// The icons of the macro page's lists, in the order of their item types: macro list
// (closed group, open group, macro: icons 169 to 171), event list (plain, down, up,
// move, lighting step, DPI step: 172 to 175, 178, 182) and lighting-step list (178).
using IconList = std::vector<QIcon>;
extern IconList g_macroListIcons;
extern IconList g_eventListIcons;
extern IconList g_ledSubListIcons;

// The program icon (resource 159) at every size it is drawn in.
QIcon ProgramIcon();
// One of the 16 x 16 list icons by its resource number (169 .. 182); empty for others.
QIcon ListIcon(int id);

// ---- Rules of the start-up -----------------------------------------------------------

// The start-hidden switch: the at most four characters after the last "-" of the command
// line (from its start when there is none) are exactly "HIDE".
bool StartHiddenSwitch(std::string_view commandLine);

// The command line as the program was started: the program path and its arguments,
// joined by single spaces.
std::string JoinCommandLine(int argc, const char* const* argv);

// ---- Preview workers ------------------------------------------------------------------

// The workers (each given the main window; they end by themselves):
// LedPreviewThread stays while the lighting page is shown (nothing draws its frames, so
// it sleeps until NotifyPreviewPageChanged tells it of a page change);
// MainPageBlinkThread sets the blink phase and ends.
unsigned LedPreviewThread(void* param, std::stop_token stop);
unsigned MainPageBlinkThread(void* param, std::stop_token stop);
// Start one when its running flag is 0 (the flag is set first): the page tabs call them.
void StartLedPreview();
void StartMainPageBlink();
// Called after g_currentPage changes.
void NotifyPreviewPageChanged();
// Asks the preview workers to end and waits for them (end of the program, tests).
void StopPreviewWorkers();

// ---- Messages -------------------------------------------------------------------------

// System commands (the command with its low four bits cleared).
inline constexpr unsigned kIdmAboutBox = 0x10;
inline constexpr unsigned kScMinimize = 0xF020;
inline constexpr unsigned kScRestore = 0xF120;
inline constexpr unsigned kScClose = 0xF060;

// Device broadcasts.
inline constexpr unsigned kDbtDeviceArrival = 0x8000;
inline constexpr unsigned kDbtDeviceRemoveComplete = 0x8004;
inline constexpr int kDbtDevTypDeviceInterface = 5;

struct DeviceBroadcast {
  int deviceType = kDbtDevTypDeviceInterface;
  std::string name;  // the device path
};

// 1 when the broadcast is about a device interface whose path equals g_devicePath without
// regard to case, else 0 (also for null).
int IsOurDeviceBroadcast(const DeviceBroadcast* header);

// Power events, as logind reports them.
inline constexpr int kPowerSuspend = 4;
inline constexpr int kPowerResume = 18;

// Mouse messages on the tray icon.
enum class TrayMouse { LeftDoubleClick, RightButtonUp, Other };

// Process exit codes of the main window's ends.
inline constexpr int kEndNormal = 0;         // closed by the user, or the mouse went away
inline constexpr int kEndStartFailed = 1;    // no mouse at start-up, or a layout file missing
inline constexpr int kEndDestroyed = -1;     // Run's result when the window was destroyed

// ---- The about box -------------------------------------------------------------------

class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  explicit CAboutDlg(QWidget* parent = nullptr);
};

// ---- The main window -------------------------------------------------------------------

class COVK_DOvaruDlg : public QDialog {
  Q_OBJECT

 public:
  explicit COVK_DOvaruDlg(QWidget* parent = nullptr);
  ~COVK_DOvaruDlg() override;

  // OnInitDialog, then the window is shown (minimised when the command line asks for
  // it) and the application's event loop runs until the window ends; the result of the
  // end (EndDialog's value, kEndDestroyed when the window was destroyed).
  int Run();
  bool Running() const { return running_.load(); }
  // The start-up, in its fixed order. Returns true.
  bool OnInitDialog();

  // The orderly end, the one way out that sends the final frames (once): tray icon
  // removed, workers stopped and downloads let finish, the final pulse and command 0x20,
  // then the window ends with 0.
  void OnClose();
  // An end asked for from outside the window (a termination signal, the session's
  // quit): OnClose now, or as soon as the start-up is through when it comes during it.
  void RequestClose();
  // The process is exiting under the running window, without its event loop (the
  // display went away: Qt ends the process at once). Sends the final frames unless an
  // end sent them or chose not to; touches no window. Any thread.
  void SendFinalFramesAtExit();
  // Ends the window and with it the event loop of Run.
  void EndDialog(int result);
  // The end without any report (removal of the mouse).
  void DestroyWindow();
  bool Ending() const { return ending_; }
  int Result() const { return result_; }
  // The start-up could not complete (no mouse, a layout file missing): the program ends.
  bool StartFailed() const { return startFailed_; }
  void MarkStartFailed() { startFailed_ = true; }

  void OnSysCommand(unsigned command);
  bool OnDeviceChange(unsigned event, const DeviceBroadcast* broadcast);
  void OnPowerBroadcast(int event);

  // Tray icon and visibility.
  void AddTrayIcon();
  void RemoveTrayIcon();
  int OnTrayNotify(unsigned iconId, TrayMouse message);
  void OnTrayShow();
  void OnTrayExit();
  // Hides the window to the tray, or minimises it when the desktop has no tray.
  void HideToTray();
  TrayIcon& Tray() { return *tray_; }
  // The window's title and the tray's tip (the title rule of the language).
  void SetTitle(const std::string& title);

  // A second start asked for the window.
  void RestoreFromSecondInstance();

  // The command line that the start-hidden switch looks at.
  void SetCommandLine(std::string commandLine) { commandLine_ = std::move(commandLine); }

  // Repaints the whole window, or on the macro page only g_macroRegion.
  void Repaint(RepaintArea area = RepaintArea::Whole);
  // The window's shape, cut from main_mask.jpg.
  const QRegion& Shape() const { return shape_; }

  // The system menu: restore, minimise, close and the about item, in the language's
  // texts. A frameless window has no caption to open it from: Alt+Space opens it at the
  // window's corner, a right press outside every control at the pointer.
  QMenu* BuildSystemMenu();
  void ShowSystemMenu();
  void ShowSystemMenu(QPoint at);
  void ShowAboutBox();

  // Enter and Esc do not end the program.
  void accept() override {}
  void reject() override {}

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // The one place that learns when the window leaves the screen (minimised, hidden to
  // the tray) and when it comes back: what is only needed for drawing can go while it
  // is away, and the whole window is drawn anew when it comes back.
  void OnScreenChanged(bool onScreen);
  void InstallHooks();
  void RemoveHooks();
  void FinishWorkers();
  // Workers ended, the final pulse and command 0x20: once per run.
  void SendFinalFrames();
  // Watches the device node of the mouse for its removal, for systems whose device
  // watcher cannot run: woken by a change of the node's folder, never by a clock.
  void WatchDeviceNode();
  void CheckDeviceNode();
  void SilenceOnEnd();
  bool NoControlAt(QPoint point) const;

  QIcon icon_;
  QRegion shape_;
  std::unique_ptr<TrayIcon> tray_;
  QFileSystemWatcher* nodeWatcher_ = nullptr;
  std::string commandLine_;
  bool ending_ = false;
  std::atomic<bool> running_{false};        // Run's event loop runs
  std::atomic<bool> finalFramesDue_{false};  // the end has not sent or refused them yet
  bool closeRequested_ = false;  // RequestClose came during the start-up
  bool onScreen_ = false;
  bool hooksInstalled_ = false;
  bool startFailed_ = false;
  WindowDrag drag_;  // a left press outside every control moves the window
  std::string removalPath_;
  int result_ = kEndNormal;
};
