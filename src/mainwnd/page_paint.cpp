#include "mainwnd/page_paint.h"

#include <QColorDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QHash>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "controls/list_box_xi.h"
#include "device/memory_image.h"
#include "keys/language.h"
#include "mainwnd/label_place.h"
#include "mainwnd/main_dialog.h"
#include "mainwnd/main_shape.h"
#include "mainwnd/main_skins.h"
#include "mainwnd/page_state.h"
#include "platform/memory_release.h"
#include "popups/function_names.h"
#include "profile/core_hooks.h"
#include "profile/macro_library.h"
#include "profile/macro_record.h"
#include "profile/paths.h"
#include "profile/settings.h"
#include "skin/language_texts.h"
#include "skin/popup_skin.h"
#include "skin/skin_image.h"
#include "skin/ui_fonts.h"

std::uint16_t g_ledBlockStepKind = 0;

namespace {

constexpr const char* kPageImageSets[] = {"main", "advanced", "mac", "led"};
constexpr int kFrameEntries = 20;
const QColor kWhite(255, 255, 255);
const QColor kRecordRed(255, 0, 0);
const QColor kCurrentDpiBlue(7, 188, 255);

int Page() { return std::clamp(g_currentPage.load(), kPageMain, kPageLed); }
int Profile() { return std::clamp(g_currentProfile.load(), 0, kProfileCount - 1); }
int KeyCount() { return std::clamp(g_keyCount.load(), 0, kButtonCount); }

QString Q(const std::string& text) { return QString::fromStdString(text); }

// An entry of a fixed text table, empty when the index is outside it.
template <std::size_t N>
const std::string& TextAt(const std::array<std::string, N>& table, int index) {
  static const std::string empty;
  return index >= 0 && static_cast<std::size_t>(index) < N ? table[static_cast<std::size_t>(index)] : empty;
}

template <std::size_t N>
const SkinRect& RectAt(const std::array<SkinRect, N>& table, int index) {
  static const SkinRect none;
  return index >= 0 && static_cast<std::size_t>(index) < N ? table[static_cast<std::size_t>(index)] : none;
}

QColor FromColorRef(std::uint32_t ref) {
  return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF), static_cast<int>((ref >> 16) & 0xFF));
}

// Copies the part (x, y, width, height) of `source` to the same place of the target.
void CopyPart(QPainter& p, const SkinSource& source, int x, int y, int width, int height) {
  if (width <= 0 || height <= 0) return;
  BlitSkinRect(p, source, SkinRect{x, y, width, height});
}

// Where the paint in progress draws (ComposePageArea); empty: everywhere.
QRegion g_composeArea;

void ClipToComposeArea(QPainter& p) {
  if (!g_composeArea.isEmpty()) p.setClipRegion(g_composeArea);
}

template <std::size_t N>
QRegion TableArea(const std::array<SkinRect, N>& table, int count) {
  QRegion area;
  for (int i = 0; i < std::min<int>(count, static_cast<int>(N)); ++i) {
    const SkinRect& r = table[static_cast<std::size_t>(i)];
    if (r.width > 0 && r.height > 0) area |= r.ToQRect();
  }
  return area;
}

// Everything a page copies from its over and down images: the frame buttons, the
// page's own entries, and the DPI slider's fill, which may reach past its entry.
QRegion CopiedAreaOf(int page) {
  if (page == kPageMain) return TableArea(g_mainRects, kMainEntries);
  QRegion area = TableArea(g_mainRects, kFrameEntries);
  switch (page) {
    case kPageAdvanced: {
      area |= TableArea(g_advancedRects, kAdvancedEntries);
      const SkinRect& dpi = g_advancedRects[66];
      area |= SkinRect{dpi.x, dpi.y, std::max(dpi.width, 303), dpi.height}.ToQRect();
      break;
    }
    case kPageMacro: area |= TableArea(g_macroRects, kMacroEntries); break;
    default: area |= TableArea(g_ledRects, kLedEntries); break;
  }
  return area;
}

// The same, made again only when a change of language brought other layouts.
const QRegion& CopiedArea(int page) {
  struct Made {
    std::vector<SkinRect> rects;
    QRegion area;
  };
  static std::array<Made, 4> made;
  std::vector<SkinRect> rects(g_mainRects.begin(), g_mainRects.end());
  switch (page) {
    case kPageAdvanced: rects.insert(rects.end(), g_advancedRects.begin(), g_advancedRects.end()); break;
    case kPageMacro: rects.insert(rects.end(), g_macroRects.begin(), g_macroRects.end()); break;
    case kPageLed: rects.insert(rects.end(), g_ledRects.begin(), g_ledRects.end()); break;
    default: break;
  }
  Made& m = made[static_cast<std::size_t>(page)];
  const auto same = [](const SkinRect& a, const SkinRect& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
  };
  if (m.rects.size() != rects.size() || !std::equal(rects.begin(), rects.end(), m.rects.begin(), same)) {
    m.area = CopiedAreaOf(page);
    m.rects = std::move(rects);
  }
  return m.area;
}

// Fill width of a slider for value v on a track of `width` pixels: v x width / range,
// the whole track from `full` on, nothing below 0.
int SliderFill(int v, int width, int range, int full) {
  if (v >= full) return width;
  if (v <= 0) return 0;
  return static_cast<int>(static_cast<long long>(v) * width / range);
}

// The missing-picture message of the main page's buttons: once per hover of a button,
// and after the paint, so that the modal box cannot start another paint that shows it
// again while the pointer still rests on the button.
int g_zhiWarnedEntry = kNoHover;

void WarnZhiMissing(int entry) {
  if (g_zhiWarnedEntry == entry) return;
  g_zhiWarnedEntry = entry;
  QTimer::singleShot(0, [] { ShowPlainMessage(g_mainDlg, "zhi.png"); });
}

void PaintMainState(QPainter& p, const SkinSource& down, int h) {
  const int keys = KeyCount();
  if (h >= 20 && h < 20 + keys) {
    BlitSkinRect(p, down, g_mainRects, h + 15);
    const QImage zhi = SkinImages().PremultipliedImage(LanguageFilePath("zhi.png"));
    if (zhi.isNull()) {
      WarnZhiMissing(h);
      return;
    }
    g_zhiWarnedEntry = kNoHover;
    if (g_leftMac[static_cast<std::size_t>(Profile())][static_cast<std::size_t>(h - 20)] != 0) {
      p.setCompositionMode(QPainter::CompositionMode_SourceOver);
      p.drawImage(QPoint(378, 535), zhi);
    }
    return;
  }
  g_zhiWarnedEntry = kNoHover;
  if (h >= 35 && h < 35 + keys) BlitSkinRect(p, down, g_mainRects, h - 15);
}

void PaintAdvancedState(QPainter& p, const SkinSource& down) {
  const int level = std::clamp(g_dpiLevel.load(), 0, kDpiLevelCount - 1);
  BlitSkinRect(p, down, g_advancedRects, 60 + level);
  for (int j = 0; j < kDpiLevelCount; ++j) {
    const auto jj = static_cast<std::size_t>(j);
    p.fillRect(RectAt(g_advancedRects, 77 + j).ToQRect(), FromColorRef(g_dpiColorRef[jj]));
    if (g_dpiSetEnable[jj] == 1) BlitSkinRect(p, down, g_advancedRects, 47 + j);
  }

  // The DPI slider is 303 pixels wide, g_sliderStep pixels per DPI step.
  {
    const SkinRect& r = RectAt(g_advancedRects, 66);
    const int steps = g_dpiSetValue[static_cast<std::size_t>(level)] + 1;
    const int f = steps >= 17 ? 303 : static_cast<int>(static_cast<float>(steps) * g_sliderStep);
    CopyPart(p, down, r.x, r.y, f, r.height);
    DrawMoveRect(r.x + f - 5, r.y + 13, p);
  }
  struct Slider {
    int entry;
    int value;
    int range;
  };
  const Slider sliders[] = {
      {1, g_dpiSpeed.load(), 11},
      {18, g_wheelSpeed.load(), 11},
      {31, g_fireTime.load(), 300},
  };
  for (const Slider& s : sliders) {
    const SkinRect& r = RectAt(g_advancedRects, s.entry);
    const int f = SliderFill(s.value, r.width, s.range, s.range);
    CopyPart(p, down, r.x, r.y, f, r.height);
    DrawMoveRect(r.x + f - 6, r.y, p);
  }
  const int usb = g_usbSpeed.load();
  BlitSkinRect(p, down, g_advancedRects, 34 + usb);
  BlitSkinRect(p, down, g_advancedRects, 38 + usb);
}

void PaintMacroState(QPainter& p, const SkinSource& down) {
  if (g_recording.load() != 0) BlitSkinRect(p, down, g_macroRects, 4);
  if (g_softHardMac.load() == 1) BlitSkinRect(p, down, g_macroRects, 15);
  const int row = g_macroListRow.load();
  const int edited = g_editMacro.load();
  if (row < 0 || row >= std::min(g_macroListRowCount.load(), kMacroListMaxRows)) return;
  if (g_macroListRows[static_cast<std::size_t>(row)].isGroup != 0) return;
  if (edited < 0 || edited >= kMacroTableSize) return;
  switch (g_groupMacros[static_cast<std::size_t>(edited)].mode & 3) {
    case 2: BlitSkinRect(p, down, g_macroRects, 6); break;
    case 1: BlitSkinRect(p, down, g_macroRects, 7); break;
    case 0: BlitSkinRect(p, down, g_macroRects, 8); break;
    default: break;
  }
}

void PaintLedState(QPainter& p, const SkinSource& down) {
  if (g_modeLight.load() == 1) {
    BlitSkinRect(p, down, g_ledRects, 19);
    BlitSkinRect(p, SkinImages().Cutout(SkinImagePath("new_down.jpg"), CopiedArea(kPageLed)), g_ledRects, 78);
    return;
  }
  BlitSkinRect(p, down, g_ledRects, 17);
  {
    const SkinRect& r = RectAt(g_ledRects, 41);
    const int f = SliderFill(g_ledSpeed.load() + 1, r.width, 6, 6);
    CopyPart(p, down, r.x, r.y, f, r.height);
    DrawMoveRect(r.x + f - 5, r.y - 5, p);
  }
  {
    const SkinRect& r = RectAt(g_ledRects, 40);
    const int f = SliderFill(7 - g_ledBright.load(), r.width, 7, 7);
    CopyPart(p, down, r.x, r.y, f, r.height);
    DrawMoveRect(r.x + f - 5, r.y - 5, p);
  }
  if (g_ledSymmetry.load() != 0) BlitSkinRect(p, down, g_ledRects, 45);
  BlitSkinRect(p, down, g_ledRects, 47 + g_ledDirection.load());
  for (int k = 0; k < kCycleColorCount; ++k)
    if (g_cycColorEnable[static_cast<std::size_t>(k)] != 0) BlitSkinRect(p, down, g_ledRects, 7 + k);
  const auto& react = g_ledReactEnable[static_cast<std::size_t>(Profile())];
  for (int i = 0; i < KeyCount(); ++i)
    if (react[static_cast<std::size_t>(i)] != 0) BlitSkinRect(p, down, g_ledRects, 51 + i);
  BlitSkinRect(p, down, g_ledRects, 14);
  for (int n = 0; n < kUserLedColorCount; ++n)
    p.fillRect(RectAt(g_ledRects, n).ToQRect(), FromColorRef(g_userLedColorRef[static_cast<std::size_t>(n)]));

  const std::vector<int> disabled = LedDisabledEntries(g_ledType.load());
  if (disabled.empty()) return;
  const SkinSource null = SkinImages().Cutout(SkinImagePath("led_null.jpg"), CopiedArea(kPageLed));
  for (int entry : disabled) BlitSkinRect(p, null, g_ledRects, entry);
}

// ---- Labels ----------------------------------------------------------------------------

struct Label : LabelPlace {
  std::string text;
  const SkinRect* rect = nullptr;
  QColor colour = kWhite;
};

// Text widths, kept per font: the labels of a page are measured at every paint, and
// a hover repaint would otherwise spend most of its time shaping the same texts again.
int TextWidth(const QPainter& p, const QFontMetrics& metrics, const QString& text) {
  static QFont measuredFont;
  static QHash<QString, int> widths;
  constexpr qsizetype kMostWidths = 4096;  // bounded, whatever the texts
  if (p.font() != measuredFont || widths.size() >= kMostWidths) {
    widths.clear();
    measuredFont = p.font();
  }
  const auto it = widths.constFind(text);
  if (it != widths.constEnd()) return *it;
  const int width = metrics.horizontalAdvance(text);
  widths.insert(text, width);
  return width;
}

void DrawLabel(QPainter& p, const QFontMetrics& metrics, const Label& label) {
  if (label.text.empty() || !label.rect) return;
  const SkinRect& r = *label.rect;
  const int th = metrics.height();
  const int y = LabelTop(r, label, th);
  // A text in no row of the area being composed is not measured at all.
  if (!g_composeArea.isEmpty() && !g_composeArea.intersects(QRect(-(1 << 20), y - th, 1 << 21, 3 * th))) return;
  const QString text = Q(label.text);
  const int tw = TextWidth(p, metrics, text);
  const int x = LabelLeft(r, label, tw);
  if (x <= 0 && y <= 0) return;
  // Outside the area being composed the text would be clipped away whole; glyphs may
  // overhang their advance box, so the box is widened by a line height first.
  if (!g_composeArea.isEmpty() && !g_composeArea.intersects(QRect(x - th, y - th, tw + 2 * th, 3 * th))) return;
  p.setPen(label.colour);
  p.drawText(x, y + metrics.ascent(), text);
}

Label FrameOrMainLabel(int p) {
  Label label;
  label.rect = &g_mainRects[static_cast<std::size_t>(p)];
  label.text = g_mainCaptions[static_cast<std::size_t>(p)];
  if (p == 4 && g_languageDropDown == 1) label.text = TextAt(g_textOther, 20 + g_language.load());
  if (p >= 14 && p <= 16) label.extraHeight = 75;
  if (p >= 10 && p <= 13) label.extraHeight = 100;
  if (p == 46) label.align = Label::Align::Below;
  return label;
}

Label AdvancedLabel(int a) {
  Label label;
  label.rect = &g_advancedRects[static_cast<std::size_t>(a)];
  auto& caption = g_advancedCaptions[static_cast<std::size_t>(a)];
  // The live values are kept in the captions, where the page's texts are.
  if (a == 2) caption = std::to_string(g_dpiSpeed.load());
  if (a == 19) caption = std::to_string(g_wheelSpeed.load());
  if (a == 32) caption = std::to_string(g_fireTime.load());
  if (a >= 70 && a < 70 + kDpiLevelCount) {
    const int j = a - 70;
    const std::string value = DpiValueText(g_dpiSetValue[static_cast<std::size_t>(j)]);
    if (!value.empty()) caption = value;
    if (j == g_dpiLevel.load()) label.colour = kCurrentDpiBlue;
  }
  if (a == 32) label.align = Label::Align::Right;
  label.text = caption;
  return label;
}

Label MacroLabel(int a) {
  Label label;
  label.rect = &g_macroRects[static_cast<std::size_t>(a)];
  label.text = g_macroCaptions[static_cast<std::size_t>(a)];
  if (a == 4) {
    const bool recording = g_recording.load() != 0;
    label.text = TextAt(g_textDevMac, recording ? 40 : 39);
    label.colour = recording ? kRecordRed : kWhite;
    label.dx = -3;
  }
  if ((a >= 10 && a <= 12) || (a >= 14 && a <= 16)) label.align = Label::Align::Left;
  return label;
}

Label LedLabel(int a) {
  Label label;
  label.rect = &g_ledRects[static_cast<std::size_t>(a)];
  const std::string& caption = g_ledCaptions[static_cast<std::size_t>(a)];
  if (g_modeLight.load() == 1) {
    if (a == 18 || (a >= 20 && a <= 25)) label.text = caption;
    return label;
  }
  const int effect = g_ledType.load();
  label.text = caption;
  if (a >= 21 && a <= 25) label.text.clear();
  if (a == 35) label.text = TextAt(g_uiTexts14, effect);
  if (effect == 12 && a >= 61 && a < 61 + KeyCount()) {
    switch (g_ledReactType[static_cast<std::size_t>(Profile())][static_cast<std::size_t>(a - 61)]) {
      case 0: label.text = g_textLed[2]; break;
      case 1: label.text = g_textLed[4]; break;
      case 2: label.text = g_textLed[6]; break;
      case 3: label.text = g_textLed[5]; break;
      default: break;
    }
  }
  if (a == 40 || a == 41) label.narrower = 30;
  if (a == 98 && effect != 3) label.text.clear();
  if (LedLabelUnused(effect, a)) label.text.clear();
  return label;
}

}  // namespace

// ---- Composition -------------------------------------------------------------------------

void PaintPage(QImage& target, const SkinSource& over, const SkinSource& down, std::span<const SkinRect> table,
               int hovered) {
  const int page = Page();
  QPainter p(&target);
  ClipToComposeArea(p);
  if (hovered != kNoHover) {
    const bool track = page == kPageAdvanced && (hovered == 1 || hovered == 18 || hovered == 31 || hovered == 66);
    const bool pressed = g_skinButtonDown == 1 && page != kPageLed && !track;
    BlitSkinRect(p, pressed ? down : over, table, hovered);
  }
  switch (page) {
    case kPageMain: PaintMainState(p, down, hovered); break;
    case kPageAdvanced: PaintAdvancedState(p, down); break;
    case kPageMacro: PaintMacroState(p, down); break;
    case kPageLed: PaintLedState(p, down); break;
    default: break;
  }
}

void PaintTabs(QImage& target, const SkinSource& over, const SkinSource& down, int tabEntry) {
  QPainter p(&target);
  ClipToComposeArea(p);
  const int profileEntry = 10 + g_currentProfile.load();
  for (int i = 0; i < kFrameEntries; ++i) {
    if (i == profileEntry || i == tabEntry) {
      BlitSkinRect(p, down, g_mainRects, i);
    } else if (i == g_hoverFrame) {
      BlitSkinRect(p, g_skinButtonDown == 1 ? down : over, g_mainRects, i);
    }
  }
}

void PaintAssignmentLabels(QImage& target, int count) {
  const int page = Page();
  QPainter p(&target);
  ClipToComposeArea(p);
  p.setBackgroundMode(Qt::TransparentMode);
  SelectUiFont(p, 2);
  const QFontMetrics metrics(p.font());
  const int keys = KeyCount();
  const int profile = Profile();
  for (int pos = 0; pos < count; ++pos) {
    Label label;
    if (pos < kFrameEntries || (page == kPageMain && pos < kMainEntries)) {
      if (page == kPageMain && pos >= 20 && pos < 20 + keys) {
        label.rect = &g_mainRects[static_cast<std::size_t>(pos)];
        label.text = AssignmentLabel(profile, pos - 20);
        label.dx = 5;
      } else {
        label = FrameOrMainLabel(pos);
      }
    } else if (page == kPageAdvanced && pos - 20 < kAdvancedEntries) {
      label = AdvancedLabel(pos - 20);
    } else if (page == kPageMacro && pos - 20 < kMacroEntries) {
      label = MacroLabel(pos - 20);
    } else if (page == kPageLed && pos - 20 < kLedEntries) {
      label = LedLabel(pos - 20);
    }
    DrawLabel(p, metrics, label);
  }
}

void DrawMoveRect(int x, int y, QPainter& target) {
  const QImage knob = SkinImages().PremultipliedImage(SkinImagePath("moveRect.png"));
  if (knob.isNull()) return;
  const auto mode = target.compositionMode();
  target.setCompositionMode(QPainter::CompositionMode_SourceOver);
  target.drawImage(QPoint(x, y), knob);
  target.setCompositionMode(mode);
}

namespace {

// The one page buffer, composed into at every paint.
QImage g_pageBuffer;
int g_bufferedPage = -1;  // the page whose images the cache holds

std::string PageImagePath(int page, const char* ending) {
  return SkinImagePath(std::string(kPageImageSets[page]) + ending);
}

void DropPageImages(int page) {
  if (page < kPageMain || page > kPageLed) return;
  for (const char* ending : {"_normal.jpg", "_over.jpg", "_down.jpg"}) SkinImages().Drop(PageImagePath(page, ending));
  if (page == kPageLed) {
    SkinImages().Drop(SkinImagePath("led_null.jpg"));
    SkinImages().Drop(SkinImagePath("new_down.jpg"));
  }
}

// While the main window is minimised or hidden nothing of it is seen: the cache and
// the page buffer are emptied (the next paint decodes what it shows again), and the
// lighting preview, which only animates what is seen, rests until the window is back.
class RestWhenHidden : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override {
    const auto* window = qobject_cast<QWidget*>(watched);
    if (!window) return false;
    const bool stateChange = event->type() == QEvent::WindowStateChange;
    if ((event->type() == QEvent::Hide && !window->isVisible()) || (stateChange && window->isMinimized())) {
      ReleasePageImages();
      StopPreviewWorkers();
      ReturnFreeMemory();  // freed image pieces would otherwise stay in the heap
    } else if ((event->type() == QEvent::Show || stateChange) && window->isVisible() && !window->isMinimized() &&
               g_currentPage.load() == kPageLed) {
      StartLedPreview();  // does nothing while it runs
    }
    return false;
  }
};

}  // namespace

const QImage& ComposePageArea(const QRegion& area) {
  const int page = Page();
  if (page != g_bufferedPage) {
    DropPageImages(g_bufferedPage);
    ReturnFreeMemory();  // the page left behind is several megabytes
    g_bufferedPage = page;
  }
  const QRegion copied = CopiedArea(page);
  const QImage normal = SkinImages().Image(PageImagePath(page, "_normal.jpg"));
  const SkinSource over = SkinImages().Cutout(PageImagePath(page, "_over.jpg"), copied);
  const SkinSource down = SkinImages().Cutout(PageImagePath(page, "_down.jpg"), copied);

  QSize size(g_windowWidth, g_windowHeight);
  if (size.isEmpty()) size = normal.size();
  if (size.isEmpty()) size = QSize(1, 1);
  if (g_pageBuffer.size() != size) g_pageBuffer = QImage(size, QImage::Format_ARGB32_Premultiplied);

  g_composeArea = area.isEmpty() ? QRegion() : area & QRect(QPoint(0, 0), size);
  if (!area.isEmpty() && g_composeArea.isEmpty()) return g_pageBuffer;  // nothing of it on the page
  const bool sameBits = normal.size() == size && (normal.format() == QImage::Format_RGB32 ||
                                                    normal.format() == QImage::Format_ARGB32_Premultiplied);
  if (g_composeArea.isEmpty() && sameBits) {
    // An opaque 32-bit image has the page buffer's very bits: copied row by row, with
    // none of the painter's helper threads woken for a whole-window copy.
    for (int y = 0; y < size.height(); ++y)
      std::memcpy(g_pageBuffer.scanLine(y), normal.constScanLine(y), static_cast<std::size_t>(size.width()) * 4);
  } else {
    QPainter p(&g_pageBuffer);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    const QRegion background = g_composeArea.isEmpty() ? QRegion(g_pageBuffer.rect()) : g_composeArea;
    for (const QRect& r : background) {
      p.fillRect(r, Qt::black);
      if (!normal.isNull()) p.drawImage(r.topLeft(), normal, r);
    }
  }
  switch (page) {
    case kPageMain: PaintPage(g_pageBuffer, over, down, g_mainRects, g_hoverFrame); break;
    case kPageAdvanced: PaintPage(g_pageBuffer, over, down, g_advancedRects, g_hoverAdvanced); break;
    case kPageMacro: PaintPage(g_pageBuffer, over, down, g_macroRects, g_hoverMacro); break;
    default: PaintPage(g_pageBuffer, over, down, g_ledRects, g_hoverLed); break;
  }
  PaintTabs(g_pageBuffer, over, down, 6 + page);
  PaintAssignmentLabels(g_pageBuffer, kPageLabelCounts[static_cast<std::size_t>(page)]);
  g_composeArea = QRegion();
  return g_pageBuffer;
}

QImage ComposeCurrentPage() { return ComposePageArea(QRegion()); }

void ReleasePageImages() {
  SkinImages().Clear();
  g_pageBuffer = QImage();
  g_bufferedPage = -1;
}

QRegion HoverChangeArea(int page, int frameBefore, int frameNow, int pageBefore, int pageNow) {
  QRegion area;
  auto add = [&area](const SkinRect& r) {
    if (r.width > 0 && r.height > 0) area |= r.ToQRect();
  };
  const int keys = KeyCount();
  if (frameBefore != frameNow) {
    for (int h : {frameBefore, frameNow}) {
      if (h == kNoHover) continue;
      add(RectAt(g_mainRects, h));
      if (page != kPageMain) continue;
      // A main-page button shows its partner entry pressed, and the left-click picture.
      if (h >= 20 && h < 20 + keys) {
        add(RectAt(g_mainRects, h + 15));
        const QImage zhi = SkinImages().PremultipliedImage(LanguageFilePath("zhi.png"));
        if (!zhi.isNull()) area |= QRect(QPoint(378, 535), zhi.size());
      } else if (h >= 35 && h < 35 + keys) {
        add(RectAt(g_mainRects, h - 15));
      }
    }
  }
  if (page != kPageMain && pageBefore != pageNow) {
    for (int h : {pageBefore, pageNow}) {
      if (h == kNoHover) continue;
      switch (page) {
        case kPageAdvanced: add(RectAt(g_advancedRects, h)); break;
        case kPageMacro: add(RectAt(g_macroRects, h)); break;
        default: add(RectAt(g_ledRects, h)); break;
      }
    }
  }
  return area;
}

void OnPaint(QPainter& painter) {
  if (g_closePopupRequest.exchange(0) != 0 && Page() == kPageMain && g_keyMenu) CloseKeyMenu();
  // The page is drawn whatever Qt believes of the window's state: a paint is asked for
  // only what is on the screen. Only what this paint shows is composed again (a hover
  // change: the two controls).
  PaintInsideShape(painter, ComposePageArea(PaintedArea(painter)), g_mainDlg ? g_mainDlg->Shape() : QRegion());
}

void InstallPagePainting() {
  if (g_mainDlg) {
    static QPointer<RestWhenHidden> filter;
    if (!filter) filter = new RestWhenHidden(g_mainDlg);
    g_mainDlg->installEventFilter(filter);
  }
}

// ---- Texts ------------------------------------------------------------------------------

std::string CutLabel(const std::string& text) {
  const QString q = Q(text);
  if (q.size() <= 16) return text;
  // Never split a surrogate pair.
  int cut = 16;
  if (q.at(cut - 1).isHighSurrogate()) --cut;
  return q.left(cut).toStdString() + "...";
}

std::string AssignmentLabel(int profile, int button) {
  if (profile < 0 || profile >= kProfileCount || button < 0 || button >= kButtonCount) return {};
  const int c = ProfileAssignments(profile)[static_cast<std::size_t>(button)];
  std::string text;
  if (c == 33) {
    text = MacroName(g_profileMacros[static_cast<std::size_t>(profile)][static_cast<std::size_t>(button)]);
  } else if (c >= 0 && c < 48) {
    text = g_funStrings[static_cast<std::size_t>(c)];
  } else if (c == 40000) {
    text = g_funStrings[41];
  } else if (c >= 30000) {
    const auto it = g_funNameMap.find(std::to_string(c));
    if (it != g_funNameMap.end()) text = it->second.first;
  } else if (c >= 50 && c <= 255) {
    const int preset = c - 50;
    if (preset < std::min<int>(g_gunMacroCount, kMacroTableSize))
      text = MacroName(g_gunMacros[static_cast<std::size_t>(preset)]);
  } else if (c >= 256 && c < 30000) {
    const int group = c / 256 - 1;
    const int macro = c % 256;
    if (g_useMacroNames == 1 && group < kMaxMacroGroups && macro < kMaxGroupMacros)
      text = g_macroNames[static_cast<std::size_t>(group)][static_cast<std::size_t>(macro)];
  }
  return CutLabel(text);
}

std::string DpiValueText(int step) {
  static constexpr int kHigh[] = {2400, 3200, 4000, 4800, 5600, 6400, 7200, 8000, 8800, 9600, 10400, 11200, 12800};
  const int d = DpiCode(step);
  if (d >= 1 && d <= 10) return std::to_string(200 * d);
  if (d >= 12 && d <= 24) return std::to_string(kHigh[d - 12]);
  return {};
}

std::vector<int> LedDisabledEntries(int effect) {
  switch (effect) {
    case 0: return {50, 71, 72, 74, 75};
    case 1: return {50, 71, 72, 74};
    case 2: return {50, 71, 73, 74, 75};
    case 3: return {71};
    case 4:
    case 5: return {50, 71};
    case 6:
    case 8:
    case 11: return {71, 72, 74, 75};
    case 7: return {49, 50, 71, 72, 75};
    case 9: return {71, 72, 73, 74, 75};
    case 10: return {45, 49, 50, 71, 72, 75};
    case 12: return {50, 72, 73, 74, 75};
    case 13: return {50, 71, 72, 73, 74, 75};
    default: return {};
  }
}

bool LedLabelUnused(int effect, int entry) {
  const bool sliders = entry >= 30 && entry <= 34;
  switch (effect) {
    case 0:
    case 6:
    case 8:
    case 11: return entry == 15 || sliders || entry == 38;
    case 1: return sliders || entry == 38;
    case 2: return entry == 15 || sliders || entry == 39;
    case 4:
    case 5: return entry == 34;
    case 7: return entry == 15 || entry == 33 || entry == 34 || entry == 38;
    case 9:
    case 12:
    case 13: return entry == 15 || sliders || entry == 38 || entry == 39;
    case 10: return entry == 15 || entry == 30 || entry == 33 || entry == 34 || entry == 38;
    default: return false;
  }
}

// ---- Colours ----------------------------------------------------------------------------

namespace {
ColorChooser g_colorChooser;

std::optional<QColor> ChooseColor() {
  if (g_colorChooser) return g_colorChooser();
  const QColor chosen = QColorDialog::getColor(QColor(), g_mainDlg);
  if (!chosen.isValid()) return std::nullopt;
  return chosen;
}

void PickInto(std::array<int, 3>& levels, std::uint32_t& shown) {
  if (const std::optional<QColor> colour = ChooseColor()) {
    levels = {ColorByteToLevel(colour->red()), ColorByteToLevel(colour->green()), ColorByteToLevel(colour->blue())};
    shown = ColorFromLevels(levels[0], levels[1], levels[2]);
  }
  RequestMainRepaint(RepaintArea::Whole);
}
}  // namespace

int ColorByteToLevel(int byte) { return (255 - std::clamp(byte, 0, 255)) / 16; }

void SetColorChooser(ColorChooser chooser) { g_colorChooser = std::move(chooser); }

void PickDpiColor(int entry) {
  const int j = entry - 77;
  if (j < 0 || j >= kDpiLevelCount) return;
  PickInto(g_dpiColorLevel[static_cast<std::size_t>(j)], g_dpiColorRef[static_cast<std::size_t>(j)]);
}

void PickUserLedColor(int n) {
  if (n < 0 || n >= kUserLedColorCount) return;
  PickInto(g_userLedColorLevel[static_cast<std::size_t>(n)], g_userLedColorRef[static_cast<std::size_t>(n)]);
}

// ---- Lighting-step list ----------------------------------------------------------------

std::vector<std::string> LedStepRows(std::array<std::uint8_t, 68>& block) {
  std::vector<std::string> rows;
  const int steps = block[0];
  g_ledBlockStepKind = block[4];
  // A step count beyond what the block holds stops at its last byte.
  const int last = std::min(4 * steps + 2, static_cast<int>(block.size()) - 1);
  char buffer[32];
  for (int i = 4; i <= last; ++i) {
    std::uint8_t& v = block[static_cast<std::size_t>(i)];
    std::string value;
    if (i == 4) {
      int k = 4;
      switch (v) {
        case 1: k = 0; break;
        case 2: k = 1; break;
        case 3: k = 2; break;
        case 6: k = 3; break;
        case 7: k = 4; break;
        case 9: k = 5; break;
        default: break;
      }
      value = g_ledStepTexts[static_cast<std::size_t>(k)];
      // Kinds without a name of their own are the plain kind 7. Decided by the kind, not
      // by comparing names: a language whose names are missing or repeat would
      // otherwise rewrite every step of the macro to kind 7.
      if (k == 4) {
        v = 7;
        g_ledBlockStepKind = 7;
      }
    } else if (i == 5) {
      if (v == 0) v = 1;
      std::snprintf(buffer, sizeof buffer, " %d", v);
      value = buffer;
    } else if (i == 6) {
      std::snprintf(buffer, sizeof buffer, "%d", v);
      value = buffer;
    }
    switch (i % 4) {
      case 0: rows.push_back(g_textOther[6] + " " + value); break;
      case 1:
        rows.push_back(g_ledBlockStepKind == 6 || g_ledBlockStepKind == 7 ? g_textOther[8]
                                                                          : g_textOther[7] + "  " + value);
        break;
      case 2: rows.push_back(g_textOther[9] + value + "*122" + g_textOther[12]); break;
      default: rows.push_back(rows.back()); break;
    }
  }
  return rows;
}

std::vector<std::string> FillLedSubList(int block) {
  if (g_ledSubList) g_ledSubList->ResetItems();
  const int edited = g_editMacro.load();
  if (block < 0 || block >= kMacroBlockCount || edited < 0 || edited >= kMacroTableSize) return {};
  auto& data = g_groupMacros[static_cast<std::size_t>(edited)].ledBlocks[static_cast<std::size_t>(block)];
  std::vector<std::string> rows = LedStepRows(data);
  if (g_ledSubList) {
    for (const std::string& row : rows) g_ledSubList->AddItem(Q(row), 0);
  }
  return rows;
}

// ---- Child controls ------------------------------------------------------------------

void ApplyControlColors(QWidget* control) {
  if (!control) return;
  QPalette palette = control->palette();
  if (qobject_cast<QLineEdit*>(control)) {
    palette.setColor(QPalette::Base, Qt::black);
    palette.setColor(QPalette::Window, Qt::black);
    palette.setColor(QPalette::Text, Qt::white);
  } else if (qobject_cast<QAbstractItemView*>(control)) {
    const QColor back(22, 22, 22);
    palette.setColor(QPalette::Base, back);
    palette.setColor(QPalette::Window, back);
  } else {
    return;
  }
  control->setPalette(palette);
}
