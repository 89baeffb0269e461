#include "mainwnd/main_input.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "device/download.h"
#include "device/settings_import.h"
#include "mainwnd/language_change.h"
#include "mainwnd/macro_page.h"
#include "mainwnd/macro_recording.h"
#include "mainwnd/main_dialog.h"
#include "mainwnd/main_shape.h"
#include "mainwnd/main_skins.h"
#include "mainwnd/page_paint.h"
#include "mainwnd/page_state.h"
#include "popups/gun_dlg.h"
#include "popups/menu_dlg.h"
#include "popups/popup_state.h"
#include "popups/shortcut_get_key.h"
#include "popups/sound_wave.h"
#include "profile/core_hooks.h"
#include "profile/dpi_levels.h"
#include "profile/macro_library.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "skin/language_texts.h"
#include "skin/ui_fonts.h"
#include "skin/warning_dlg.h"
#include "sound/sound_restore.h"

int g_sliderDragMode = kDragNone;
int g_languageMenuOpen = 0;

namespace {

FileChooser g_fileChooser;
std::function<void(const std::string&)> g_linkOpener;
QPointer<COVK_DOvaruDlg> g_inputWindow;

// The values of the previous move, one per table: a change repaints.
int g_lastHoverFrame = kNoHover;
int g_lastHoverLed = kNoHover;
int g_lastHoverAdvanced = kNoHover;
int g_lastHoverMacro = kNoHover;
bool g_tracking = false;
// The hovered controls are those from before the pointer went to a menu: the control
// that opened it keeps its look while the menu is open.
bool g_hoverKeptForMenu = false;

constexpr int kLedHitEntries = 71;

int KeyCount() { return std::clamp(g_keyCount.load(), 0, kButtonCount); }
int Profile() { return std::clamp(g_currentProfile.load(), 0, kProfileCount - 1); }
int DpiLevel() { return std::clamp(g_dpiLevel.load(), 0, kDpiLevelCount - 1); }
bool In(int v, int lo, int hi) { return v >= lo && v <= hi; }
template <typename... T>
bool OneOf(int v, T... values) {
  return ((v == values) || ...);
}

void RepaintPage() {
  if (g_inputWindow) g_inputWindow->Repaint(RepaintArea::MacroRegionOnPage);
}
void RepaintWhole() {
  if (g_inputWindow) g_inputWindow->Repaint(RepaintArea::Whole);
}

// An entry's rectangle of the frame table (or another) in screen coordinates.
QRect ScreenRect(const SkinRect& r) {
  QPoint topLeft(r.x, r.y);
  if (g_inputWindow) topLeft = g_inputWindow->mapToGlobal(topLeft);
  return QRect(topLeft, QSize(r.width, r.height));
}

void RememberMainRect() {
  if (g_inputWindow) g_mainRect = g_inputWindow->frameGeometry();
}

std::optional<std::string> DialogChoice(const FileDialogRequest& request) {
  // "All Files(*.ini)|*.ini||" -> "All Files(*.ini) (*.ini)"
  QString filter;
  const std::string& f = request.filter;
  const auto bar = f.find('|');
  if (bar != std::string::npos) {
    const auto end = f.find('|', bar + 1);
    filter = QString::fromStdString(f.substr(0, bar)) + " (" +
             QString::fromStdString(f.substr(bar + 1, end == std::string::npos ? std::string::npos : end - bar - 1)) + ")";
  }
  const QString folder = QString::fromStdString(request.startFolder);
  QString chosen;
  if (request.save) {
    QFileDialog dialog(g_inputWindow, QString(), folder, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    if (!request.confirmOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) chosen = dialog.selectedFiles().front();
  } else {
    chosen = QFileDialog::getOpenFileName(g_inputWindow, QString(), folder, filter, nullptr, QFileDialog::ReadOnly);
  }
  if (chosen.isEmpty()) return std::nullopt;
  return chosen.toStdString();
}

// ---- Page actions of a press ------------------------------------------------------------

void StartSliderDrag(int mode, QPoint point) {
  g_sliderDragMode = mode;
  const SliderSpec spec = SliderOf(mode);
  if (spec.rect) StoreSliderValue(mode, SliderValueFromOffset(point.x(), point.y(), *spec.rect, spec.count));
}

void OpenButtonFunctionMenu(int entry) {
  g_selectedButtonItem = entry;
  if (!ButtonMenuAllowed(entry - 20)) {
    ShowTipWarning(7);
    return;
  }
  g_popupShown = 1;
  g_menuKind = kMenuKindButtonFunction;
  g_menuOpen = 1;
  const int height = CMenuDlg::GeometryFor(MenuKindButtonFunction).height;
  const QRect onScreen = ScreenRect(g_mainRects[static_cast<std::size_t>(entry)]);
  int screenHeight = onScreen.bottom() + 1 + height;
  if (QScreen* screen = g_inputWindow && g_inputWindow->screen() ? g_inputWindow->screen() : QGuiApplication::primaryScreen())
    screenHeight = screen->geometry().height();
  OpenMainPopupMenu(kMenuKindButtonFunction, PlaceButtonMenu(onScreen, height, screenHeight), nullptr);
}

// Returns true when the press drags the window.
bool MainPagePress() {
  const int e = g_hoverFrame;
  const int keys = KeyCount();
  if (OneOf(e, 7, 8, 9)) {
    SwitchPage(e - 6);
  } else if (keys > 0 && In(e, 50, 49 + keys)) {
  } else if (keys > 0 && In(e, 20, 19 + keys)) {
    OpenButtonFunctionMenu(e);
  } else if (e == 31) {
    g_wheelStatus = 0;
  } else if (e == 32) {
    g_wheelStatus = 1;
  } else if (e == 45) {
  } else if (e == 46) {
    if (g_modeLight.load() == 1) {
      ShowTipWarning(31);
    } else {
      OpenSoundWaveWindow(g_inputWindow, MainWindowMessages());
    }
  } else if (In(e, 47, 52)) {
    ToggleDpiLevelEnable(e - 47);
  } else if (e == kNoHover) {
    return true;
  }
  return false;
}

bool AdvancedPagePress(QPoint point) {
  const int f = g_hoverFrame;
  const int e = g_hoverAdvanced;
  if (OneOf(f, 6, 8, 9)) {
    SwitchPage(f - 6);
  } else if (In(e, 47, 52)) {
    ToggleDpiLevelEnable(e - 47);
  } else if (In(e, 60, 65)) {
    std::lock_guard tables(WorkerTablesLock());
    if (g_dpiSetEnable[static_cast<std::size_t>(e - 60)] != 0) g_dpiLevel = e - 60;
  } else if (In(e, 77, 83)) {
    PickDpiColor(e);
  } else if (e == 66) {
    StartSliderDrag(kDragDpiValue, point);
  } else if (e == 1) {
    StartSliderDrag(kDragPointerSpeed, point);
  } else if (e == 18) {
    StartSliderDrag(kDragWheelSpeed, point);
  } else if (e == 31) {
    StartSliderDrag(kDragFireTime, point);
  } else if (In(e, 34, 37)) {
    g_usbSpeed = 0;
    g_usbRateCode = 7;
  } else if (e == kNoHover && f == kNoHover) {
    return true;
  }
  return false;
}

bool LedPagePress(QPoint point) {
  const int f = g_hoverFrame;
  const int e = g_hoverLed;
  if (OneOf(f, 6, 7, 8)) {
    SwitchPage(f - 6);
    return false;
  }
  if (g_modeLight.load() == 1) {
    if (e == 17) g_modeLight = 0;
    return e == kNoHover && f == kNoHover;
  }
  const int effect = g_ledType.load();
  const int keys = KeyCount();
  if (In(e, 0, 6) && OneOf(effect, 1, 3, 4, 5)) {
    if (g_ledUserColerEn.load() != 0 && g_cycColorEnable[static_cast<std::size_t>(e)] != 0) PickUserLedColor(e);
  } else if (In(e, 7, 13) && OneOf(effect, 1, 3, 4, 5)) {
    ToggleCycleColor(e - 7);
  } else if (e == 35) {
    g_popupShown = 1;
    const QRect r = ScreenRect(g_ledRects[35]);
    OpenMainPopupMenu(kMenuKindLedEffect, QRect(r.left(), r.top() + r.height(), r.width(), 405), nullptr);
  } else if (e == 41 && !OneOf(effect, 2, 9, 12, 13)) {
    StartSliderDrag(kDragLedSpeed, point);
  } else if (e == 14) {
  } else if (e == 45 && OneOf(effect, 3, 4, 5, 7)) {
    g_ledSymmetry = g_ledSymmetry.load() == 0 ? 1 : 0;
  } else if (e == 47 && OneOf(effect, 3, 4, 5, 7, 10)) {
    g_ledDirection = 0;
  } else if (e == 48 && OneOf(effect, 3, 4, 5, 7, 10)) {
    g_ledDirection = 1;
  } else if (e == 49 && OneOf(effect, 3, 4, 5)) {
    g_ledDirection = 2;
  } else if (e == 50 && effect == 3) {
    g_ledDirection = 3;
  } else if (e == 40 && OneOf(effect, 2, 3, 4, 5)) {
    StartSliderDrag(kDragLedBright, point);
  } else if (keys > 0 && In(e, 51, 50 + keys)) {
    int& react = g_ledReactEnable[static_cast<std::size_t>(Profile())][static_cast<std::size_t>(e - 51)];
    react = react == 0 ? 1 : 0;
  } else if (keys > 0 && In(e, 61, 60 + keys) && effect == 12) {
    const QRect r = ScreenRect(g_ledRects[static_cast<std::size_t>(e)]);
    OpenMainPopupMenu(kMenuKindKeyReaction, QRect(r.left() - 3, r.top() + r.height(), r.width() + 1, 300), nullptr,
                      KeyReactionButton(e));
  } else if (e == 19) {
    g_modeLight = 1;
  } else if (e == kNoHover && f == kNoHover) {
    return true;
  }
  return false;
}

bool MacroPagePress() {
  const int f = g_hoverFrame;
  if (OneOf(f, 6, 7, 9)) {
    SwitchPage(f - 6);
    return false;
  }
  BeforeMacroEntry();
  switch (g_hoverMacro) {
    case 4: ToggleRecording(); break;
    case 5: OpenInsertMenu(); break;
    case 6:
    case 7:
    case 8:
      SetMacroPlayMode(g_hoverMacro);
      break;
    case 13: RunGunDialog(g_inputWindow); break;
    case 15: g_softHardMac = g_softHardMac.load() == 0 ? 1 : 0; break;
    case kNoHover: return f == kNoHover;
    default: break;
  }
  return false;
}

// During recording only the minimise and close buttons, the record button and a press
// outside every control do anything.
bool RecordingRefuses() {
  if (g_recording.load() == 0) return false;
  if (g_hoverFrame == 0 || g_hoverFrame == 1) return false;
  if (g_hoverMacro == 4 && g_hoverFrame == kNoHover) return false;
  if (g_hoverFrame == kNoHover && g_hoverMacro == kNoHover) return false;
  return true;
}

// Once the menu that took the pointer closes, what the window kept for it goes.
class ForgetKeptHoverOnClose : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Hide) {
      watched->removeEventFilter(this);
      if (g_hoverKeptForMenu) ForgetHover();
    }
    return false;
  }
};

// Only the controls whose look changed since the last change are painted again; the
// tables of the pages not shown change nothing on the screen. The area is worked out
// only for a window on the screen: it can decode a hover picture (zhi.png), which a
// minimised or hidden window would then keep although it paints nothing.
void RepaintHoverChange() {
  const int page = g_currentPage.load();
  const int pageHover = page == kPageAdvanced ? g_hoverAdvanced : page == kPageMacro ? g_hoverMacro : g_hoverLed;
  const int lastPageHover =
      page == kPageAdvanced ? g_lastHoverAdvanced : page == kPageMacro ? g_lastHoverMacro : g_lastHoverLed;
  const bool changed = g_lastHoverFrame != g_hoverFrame || lastPageHover != pageHover;
  const int frameBefore = g_lastHoverFrame;
  g_lastHoverFrame = g_hoverFrame;
  g_lastHoverLed = g_hoverLed;
  g_lastHoverAdvanced = g_hoverAdvanced;
  g_lastHoverMacro = g_hoverMacro;
  if (!changed || !g_inputWindow || !g_inputWindow->isVisible() || g_inputWindow->isMinimized()) return;
  QRegion area = HoverChangeArea(page, frameBefore, g_hoverFrame, lastPageHover, pageHover);
  if (page == kPageMacro && !g_macroRegion.isEmpty()) area &= g_macroRegion;
  if (!area.isEmpty()) g_inputWindow->update(area);
}

}  // namespace

// ---- Rules ------------------------------------------------------------------------------

void OpenMainPopupMenu(int kind, const QRect& geometry, const std::vector<int>* items, int reactionButton) {
  g_menuKind = kind;
  RememberMainRect();
  g_keyMenu = OpenPopupMenu(kind, g_inputWindow, geometry.topLeft(), items, MainWindowMessages(), reactionButton);
}

void CloseOpenMenu() {
  if (!g_keyMenu) return;
  g_languageMenuOpen = 0;
  g_menuOpen = 0;
  CloseKeyMenu();
}

int SliderValueFromOffset(int x, int /*y*/, const SkinRect& slider, int n) {
  if (n <= 1 || x <= slider.x || slider.width <= 0) return 1;
  const double d = static_cast<double>(x) - slider.x;
  const double step = static_cast<double>(slider.width) / n;
  if (step > d) return 1;
  if (d > (n - 0.5) * step) return n;
  return std::clamp(static_cast<int>((d + step / 2) / step), 1, n);
}

void StoreSliderValue(int mode, int value) {
  switch (mode) {
    case kDragDpiValue:
      g_dpiSetValue[static_cast<std::size_t>(DpiLevel())] = static_cast<std::uint8_t>(std::max(value - 1, 0));
      break;
    case kDragPointerSpeed: g_dpiSpeed = static_cast<std::uint8_t>(value); break;
    case kDragWheelSpeed: g_wheelSpeed = static_cast<std::uint8_t>(value); break;
    case kDragFireTime: g_fireTime = value <= 8 ? 8 : value; break;
    case kDragLedSpeed: g_ledSpeed = static_cast<std::uint8_t>(std::max(value - 1, 0)); break;
    case kDragLedBright: g_ledBright = 7 - value; break;
    default: break;
  }
}

SliderSpec SliderOf(int mode) {
  switch (mode) {
    case kDragDpiValue: return {&g_advancedRects[66], 17};
    case kDragPointerSpeed: return {&g_advancedRects[1], 11};
    case kDragWheelSpeed: return {&g_advancedRects[18], 11};
    case kDragFireTime: return {&g_advancedRects[31], 300};
    case kDragLedSpeed: return {&g_ledRects[41], 6};
    case kDragLedBright: return {&g_ledRects[40], 7};
    default: return {};
  }
}

bool IsAllDigits(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

void ToggleCycleColor(int colour) {
  if (!In(colour, 0, kCycleColorCount - 1)) return;
  int& enable = g_cycColorEnable[static_cast<std::size_t>(colour)];
  if (enable == 0) {
    enable = 1;
    return;
  }
  const int enabled = static_cast<int>(std::count_if(g_cycColorEnable.begin(), g_cycColorEnable.end(), [](int v) { return v != 0; }));
  if (enabled > 1) enable = 0;
}

QRect PlaceButtonMenu(const QRect& entryOnScreen, int menuHeight, int screenHeight) {
  const int left = entryOnScreen.left() + 1;
  const int width = entryOnScreen.width() + 1;
  const int below = entryOnScreen.top() + entryOnScreen.height();
  const int top = screenHeight < below + menuHeight ? entryOnScreen.top() - menuHeight : below;
  return QRect(left, top, width, menuHeight);
}

bool ButtonMenuAllowed(int button) {
  const int keys = KeyCount();
  if (!In(button, 0, keys - 1)) return false;
  const auto funcs = ProfileAssignments(Profile());
  if (funcs[static_cast<std::size_t>(button)] != 1) return true;
  for (int i = 0; i < keys; ++i)
    if (i != button && funcs[static_cast<std::size_t>(i)] == 1) return true;
  return false;
}

void SwitchPage(int page) {
  if (!In(page, 0, 3)) return;
  const int previous = g_currentPage.load();
  if (previous == page) return;
  if (previous == kPageMacro) CloseMacroPage();
  g_currentPage = page;
  NotifyPreviewPageChanged();
  if (page == kPageMain) StartMainPageBlink();
  if (page == kPageLed) StartLedPreview();
  if (page == kPageMacro) {
    OpenMacroPage();
    g_macroListRow = 0;
    FillMacroLists();
    MacroPressStep();
  }
}

// ---- The handlers -----------------------------------------------------------------------

void MouseMoveAt(QPoint point) {
  if (g_sliderDragMode >= kDragDpiValue && g_sliderDragMode <= kDragLedBright) {
    const SliderSpec spec = SliderOf(g_sliderDragMode);
    if (spec.rect) StoreSliderValue(g_sliderDragMode, SliderValueFromOffset(point.x(), point.y(), *spec.rect, spec.count));
    RepaintWhole();
    g_tracking = true;
    return;
  }
  const int frameCount = g_currentPage.load() == kPageMain ? kMainEntries : 20;
  g_hoverFrame = HitTestRects(point, g_mainRects.data(), frameCount);
  g_hoverLed = HitTestRects(point, g_ledRects.data(), kLedHitEntries);
  g_hoverAdvanced = HitTestRects(point, g_advancedRects.data(), kAdvancedEntries);
  g_hoverMacro = HitTestRects(point, g_macroRects.data(), kMacroEntries);
  g_hoverKeptForMenu = false;
  RepaintHoverChange();
  g_tracking = true;
}

bool LButtonDownAt(QPoint point) {
  // A press with nothing hovered acts on what is under it: a window shown again under a
  // pointer that stays still (or a pointer moved while the window manager held it)
  // hears of no move before the press.
  const bool nothingHovered = g_hoverFrame == kNoHover && g_hoverLed == kNoHover &&
                              g_hoverAdvanced == kNoHover && g_hoverMacro == kNoHover;
  if (nothingHovered && g_sliderDragMode == kDragNone) MouseMoveAt(point);
  const int page = g_currentPage.load();
  if (page == kPageMacro) MacroPressStep();
  if (RecordingRefuses()) {
    ShowTipWarning(20);
    return true;
  }
  if (g_hoverFrame != kNoHover || g_hoverLed != kNoHover || g_hoverAdvanced != kNoHover || g_hoverMacro != kNoHover) {
    g_skinButtonDown = 1;
    RepaintPage();
  }
  CloseOpenMenu();

  bool drag = false;
  switch (page) {
    case kPageMain: drag = MainPagePress(); break;
    case kPageAdvanced: drag = AdvancedPagePress(point); break;
    case kPageMacro: drag = MacroPagePress(); break;
    case kPageLed: drag = LedPagePress(point); break;
    default: break;
  }

  if (g_hoverFrame == 17) {
    g_menuOpen = 1;
    const QRect r = ScreenRect(g_mainRects[17]);
    OpenMainPopupMenu(kMenuKindLanguage, QRect(r.left(), r.top() + r.height(), r.width() + 80, 500), nullptr);
  } else if (g_hoverFrame == 4) {
    g_menuOpen = 1;
    g_languageMenuOpen = 1;
    const std::vector<int> items = g_languageList;
    const QRect r = ScreenRect(g_mainRects[4]);
    OpenMainPopupMenu(kMenuKindLanguage, QRect(r.left(), r.top() + r.height(), r.width(), 500), &items);
  }

  RepaintPage();
  return !drag;
}

void ApplySettings() {
  if (g_downloadBusy.load() != 0) return;
  StartSaveAllWorker();
  DownloadSettings();
}

void ImportConfig() {
  FileDialogRequest request;
  request.save = false;
  request.filter = "All Files(*.ini)|*.ini||";
  request.startFolder = UserFilesFolder();
  const FileChooser chooser = ConfigFileChooser();
  const std::optional<std::string> chosen = chooser ? chooser(request) : std::nullopt;
  if (!chosen) return;
  if (ImportSettingsFile(*chosen)) RepaintWhole();
}

void LButtonUpAt(QPoint point) {
  if (RecordingRefuses()) {
    ShowTipWarning(20);
    return;
  }
  g_skinButtonDown = 0;
  QPointer<COVK_DOvaruDlg> window = g_inputWindow;
  switch (g_hoverFrame) {
    case 0:
    case 2:
      g_hoverFrame = kNoHover;
      if (window) {
        QTimer::singleShot(0, window, [window] {
          if (window) window->OnSysCommand(kScMinimize);
        });
      }
      break;
    case 1:
      g_hoverFrame = kNoHover;
      if (window) {
        window->HideToTray();
        window->OnClose();
      }
      break;
    case 3: ApplySettings(); break;
    case 10:
    case 11:
    case 12:
    case 13: g_currentProfile = g_hoverFrame - 10; break;
    case 14: ImportConfig(); break;
    case 15: ExportConfig(ConfigFileChooser()); break;
    case 16: ResetAllProfiles(); break;
    case 19:
      if (!g_linkTarget.empty()) {
        if (g_linkOpener) {
          g_linkOpener(g_linkTarget);
        } else {
          QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(g_linkTarget)));
        }
      }
      break;
    default: break;
  }
  (void)point;
  RepaintPage();
  g_sliderDragMode = kDragNone;
}

bool OnMouseMove(QMouseEvent* event) {
  MouseMoveAt(event->position().toPoint());
  return true;
}

bool OnLButtonDown(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return false;
  return LButtonDownAt(event->position().toPoint());
}

bool OnLButtonUp(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return false;
  LButtonUpAt(event->position().toPoint());
  return true;
}

void OnMouseLeave() {
  if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) g_sliderDragMode = kDragNone;
  g_tracking = false;
  if (QWidget* menu = QApplication::activePopupWidget()) {
    // The pointer went to the menu that the hovered control opened.
    g_hoverKeptForMenu = true;
    menu->installEventFilter(new ForgetKeptHoverOnClose(menu));
    return;
  }
  ForgetHover();
}

void ForgetHover() {
  // A press that comes without a move first (the window shown again under a still
  // pointer) hit-tests where it lands. The pressed look is drawn on the hovered controls
  // only, so their area repaints it too.
  g_hoverKeptForMenu = false;
  g_hoverFrame = g_hoverLed = g_hoverAdvanced = g_hoverMacro = kNoHover;
  g_skinButtonDown = 0;
  RepaintHoverChange();
}

void InstallMainInput(COVK_DOvaruDlg* window) {
  g_inputWindow = window;
  g_hoverFrame = g_hoverLed = g_hoverAdvanced = g_hoverMacro = kNoHover;
  g_lastHoverFrame = g_lastHoverLed = g_lastHoverAdvanced = g_lastHoverMacro = kNoHover;
  g_skinButtonDown = 0;
  g_hoverKeptForMenu = false;
  g_sliderDragMode = kDragNone;
  if (window) window->setMouseTracking(true);
}

void SetConfigFileChooser(FileChooser chooser) { g_fileChooser = std::move(chooser); }
FileChooser ConfigFileChooser() { return g_fileChooser ? g_fileChooser : FileChooser(DialogChoice); }
void SetLinkOpener(std::function<void(const std::string&)> opener) { g_linkOpener = std::move(opener); }

// ---- Private messages -------------------------------------------------------------------

int OnPopupMenuDone(std::intptr_t wParam, std::intptr_t lParam) {
  if (wParam == 1) {
    // A row outside the offered languages changes nothing.
    const std::intptr_t row = lParam - 1;
    if (row >= 0 && row < static_cast<std::intptr_t>(g_languageList.size()))
      SelectLanguage(g_languageList[static_cast<std::size_t>(row)]);
    g_languageMenuOpen = 0;
  }
  g_menuOpen = 0;
  RepaintPage();
  return 0;
}

int OnDisplayReload(std::intptr_t wParam) {
  if (wParam == 1) {
    SetupFontsForDpi();
    RepaintWhole();
  }
  return 0;
}

int OnShortcutKeyRequest() {
  RunShortcutCaptureDialog(g_inputWindow, MainWindowMessages());
  return 1;
}

int OnSoundWaveStopped() {
  RestoreNormalLighting();
  return 0;
}

std::intptr_t SendMainMessage(unsigned message, std::intptr_t wParam, std::intptr_t lParam) {
  switch (message) {
    case kWmPopupMenuDone: return OnPopupMenuDone(wParam, lParam);
    case kWmDisplayReload: return OnDisplayReload(wParam);
    case kWmShortcutRequest: return OnShortcutKeyRequest();
    case kWmSoundwaveStopped: return OnSoundWaveStopped();
    case kWmShortcutCaptured: {
      const int result = OnShortcutCaptured(static_cast<unsigned>(wParam), *reinterpret_cast<const std::string*>(lParam));
      RepaintWhole();
      return result;
    }
    case kWmGunMacroSelected:
      if (auto* gun = qobject_cast<CDialogGun*>(g_gunDialog.data())) return gun->OnGunMacroSelected(wParam);
      return 0;
    default:
      HandleMacroPageMessage(message, wParam, lParam);
      return 0;
  }
}

PopupMessageSink MainWindowMessages() {
  return [](unsigned message, std::intptr_t wParam, std::intptr_t lParam) {
    return SendMainMessage(message, wParam, lParam);
  };
}

void PostMainMessage(unsigned message, std::intptr_t wParam, std::intptr_t lParam) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  QMetaObject::invokeMethod(app, [message, wParam, lParam] { SendMainMessage(message, wParam, lParam); },
                            Qt::QueuedConnection);
}
