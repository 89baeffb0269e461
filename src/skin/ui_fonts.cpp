#include "skin/ui_fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#include <set>
#include <string>
#include <string_view>

#include "keys/language.h"
#include "platform/ini_file.h"
#include "profile/core_hooks.h"
#include "profile/paths.h"
#include "skin/language_texts.h"

// The generated resource of the embedded font files lives in a static library, so it is
// registered explicitly. Kept outside any namespace, as the resource macro requires.
static void InitEmbeddedFontResources() {
#ifdef MC_EMBEDDED_FONTS_QRC
  Q_INIT_RESOURCE(embedded_fonts);
#endif
}

std::array<std::optional<QFont>, kFontSets * kFontSizes> g_fonts;
int g_embeddedFontsLoaded = 0;

namespace {

constexpr int kRobotoResource = 190;
constexpr int kCairoResource = 188;
constexpr const char* kFontResourceType = "RT_FONT";

constexpr const char* kYaHei = "微软雅黑";
constexpr const char* kArial = "Arial";

// Offsets from B (tenths of a point) of the five sizes of each kind of set.
constexpr std::array<int, kFontSizes> kFileSizes = {5, 10, 30, 40, 50};
constexpr std::array<int, kFontSizes> kLanguageSizes = {5, 5, 30, 40, 50};
constexpr std::array<int, kFontSizes> kEmbeddedSizes = {5, 5, 10, 40, 50};

void MakeSet(int set, const QString& face, int base, const std::array<int, kFontSizes>& offsets) {
  for (int k = 0; k < kFontSizes; ++k) {
    QFont font;
    font.setFamilies({face});
    font.setPointSizeF((base + offsets[k]) / 10.0);
    g_fonts[set * kFontSizes + k] = font;
  }
}

// The font file named by the language texts, relative to the skins folder. Names that
// climb out of that folder are refused.
std::string FontFilePath(std::string relative) {
  for (char& c : relative) {
    if (c == '\\') c = '/';
  }
  std::string_view rest = relative;
  while (!rest.empty()) {
    std::size_t slash = rest.find('/');
    if (rest.substr(0, slash) == "..") return {};
    if (slash == std::string_view::npos) break;
    rest.remove_prefix(slash + 1);
  }
  if (relative.empty()) return {};
  if (relative.front() != '/') relative.insert(relative.begin(), '/');
  return g_skinsDir + relative;
}

// Adds a font file to the program's fonts once: set 0 is remade at every display reload,
// and each registration of the same file would add another copy and flush the font
// caches. A file that could not be added is tried again next time.
void AddFontFileOnce(const std::string& path) {
  static std::set<std::string> added;
  if (added.count(path) != 0) return;
  if (QFontDatabase::addApplicationFont(QString::fromStdString(path)) >= 0) added.insert(path);
}

}  // namespace

int FontBaseForScale(float scale) {
  if (scale == 1.0f) return 87;
  if (scale == 1.25f) return 63;
  if (scale == 1.5f) return 53;
  if (scale == 1.75f || scale == 2.0f) return 43;
  return 30;
}

int FontBaseForDpi(double logicalDpi) { return FontBaseForScale(static_cast<float>(logicalDpi) / 96.0f); }

void SetupFontsForDpi() {
  double dpi = 96.0;
  if (QScreen* screen = QGuiApplication::primaryScreen()) dpi = screen->logicalDotsPerInchX();
  CreateUiFonts(FontBaseForDpi(dpi));
  RequestMainRepaint(RepaintArea::Whole);
}

void InstallFaceSubstitutions() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  // None of the Latin, Arabic or CJK faces has Thai letters: Loma (fonts-thai-tlwg)
  // follows each of them.
  QFont::insertSubstitutions(QString::fromUtf8(kYaHei),
                             {"Noto Sans CJK SC", "Noto Sans CJK TC", "Noto Sans CJK JP", "DejaVu Sans", "Loma"});
  QFont::insertSubstitutions(kArial, {"Liberation Sans", "DejaVu Sans", "Loma"});
  QFont::insertSubstitutions("Cairo", {"DejaVu Sans", "Liberation Sans", "Loma"});
  QFont::insertSubstitutions("Roboto", {"Loma"});
}

void CreateUiFonts(int base) {
  InstallFaceSubstitutions();
  const std::string textFile = LanguageTextPath();
  const std::string flagText = ini::ReadString(textFile, "UniqueName_MouseKey", "fontFlag", 260);

  if (ini::ToInt(flagText) != 0) {
    const std::string font = ini::ReadString(textFile, "UniqueName_MouseKey", "font", 260);
    const std::string fontName = ini::ReadString(textFile, "UniqueName_MouseKey", "fontName", 260);
    // A file that cannot be added is not reported; the face name is used all the same.
    const std::string path = FontFilePath(font);
    if (!path.empty()) AddFontFileOnce(path);
    MakeSet(0, QString::fromStdString(fontName), base, kFileSizes);
  } else if (flagText.empty() && g_embeddedFontsLoaded == 0) {
    LoadEmbeddedFont(kRobotoResource, kFontResourceType);
    MakeSet(1, "Roboto", base, kEmbeddedSizes);
    LoadEmbeddedFont(kCairoResource, kFontResourceType);
    MakeSet(3, "Cairo", base, kEmbeddedSizes);
    MakeSet(6, kArial, base, kEmbeddedSizes);
    MakeSet(2, QString::fromUtf8(kYaHei), base, kEmbeddedSizes);
    MakeSet(4, QString::fromUtf8(kYaHei), base, kEmbeddedSizes);
    g_embeddedFontsLoaded = 1;
  } else {
    const int language = g_language.load();
    const QString face = (language == 0 || language == 12) ? QString::fromUtf8(kYaHei) : QString(kArial);
    MakeSet(0, face, base, kLanguageSizes);
  }
}

void LoadEmbeddedFont(int id, const char* type) {
  InitEmbeddedFontResources();
  QFile resource(QStringLiteral(":/%1/%2").arg(QString::fromLatin1(type)).arg(id));
  if (!resource.exists() || !resource.open(QIODevice::ReadOnly)) return;
  const QByteArray bytes = resource.readAll();
  if (QFontDatabase::addApplicationFontFromData(bytes) < 0) ShowTipWarning(6);
}

const QFont* FontOf(int set, int size) {
  if (set < 0 || set >= kFontSets || size < 1 || size > kFontSizes) return nullptr;
  const std::optional<QFont>& font = g_fonts[set * kFontSizes + size - 1];
  return font ? &*font : nullptr;
}

const QFont* UiFont(int size) {
  int set = 0;
  if (g_embeddedFontsLoaded != 0) {
    switch (g_language.load()) {
      case 1: set = 1; break;
      case 0:
      case 19: set = 2; break;
      case 13: set = 3; break;
      case 12: set = 4; break;
      default: set = 6; break;
    }
  }
  return FontOf(set, size);
}

void SelectUiFont(QPainter& painter, int size) {
  if (const QFont* font = UiFont(size)) painter.setFont(*font);
}

void DeleteFontSet0() {
  for (int k = 0; k < kFontSizes; ++k) g_fonts[k].reset();
}
