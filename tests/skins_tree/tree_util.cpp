#include "tree_util.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "keys/language.h"
#include "skin/skin_layout.h"

namespace tree {

std::string ProgramDir() { return MC_FACTORY_PROGRAM_DIR; }
std::string Skins() { return ProgramDir() + "/skins"; }
std::string SkinsFile(const std::string& rel) { return Skins() + "/" + rel; }

const std::vector<int>& LanguageIndices() {
  static const std::vector<int> indices = [] {
    std::vector<int> v;
    for (int i = 0; i <= 24; ++i) v.push_back(i);
    v.push_back(26);
    return v;
  }();
  return indices;
}

std::string Folder(int language) {
  std::string f = LanguageFolderName(language);
  return f.empty() ? f : f.substr(1);
}

WarningRecorder::WarningRecorder() {
  ResetSkinCloseRequest();
  SetWarningHandler([this](const WarningRequest& w) { warnings_.push_back(w); });
}

WarningRecorder::~WarningRecorder() {
  SetWarningHandler(nullptr);
  ResetSkinCloseRequest();
}

std::string WarningRecorder::Describe() const {
  std::string s;
  for (const WarningRequest& w : warnings_) s += "[tip " + std::to_string(w.tipEntry) + "] " + w.text + "\n";
  if (SkinCloseRequested()) s += "a missing layout file asked the program to close\n";
  return s;
}

QImage LoadImage(const std::string& rel) {
  QImage img(QString::fromStdString(SkinsFile(rel)));
  return img.isNull() ? img : img.convertToFormat(QImage::Format_ARGB32);
}

Difference Compare(const QImage& a, const QImage& b, const QRect& area) {
  Difference d;
  QRect r = area.intersected(a.rect()).intersected(b.rect());
  if (r.isEmpty()) return d;
  long long sum = 0;
  for (int y = r.top(); y <= r.bottom(); ++y) {
    const QRgb* pa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
    const QRgb* pb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
    for (int x = r.left(); x <= r.right(); ++x) {
      int diffs[3] = {std::abs(qRed(pa[x]) - qRed(pb[x])), std::abs(qGreen(pa[x]) - qGreen(pb[x])),
                      std::abs(qBlue(pa[x]) - qBlue(pb[x]))};
      for (int c : diffs) {
        sum += c;
        d.largest = std::max(d.largest, c);
      }
    }
  }
  d.mean = static_cast<double>(sum) / (3.0 * r.width() * r.height());
  return d;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::pair<std::string, std::string>> RawSection(const std::string& path, const std::string& section) {
  std::istringstream in(ReadText(path));
  std::vector<std::pair<std::string, std::string>> out;
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      inside = line == "[" + section + "]";
      continue;
    }
    std::size_t eq = line.find('=');
    if (inside && eq != std::string::npos) out.push_back({line.substr(0, eq), line.substr(eq + 1)});
  }
  return out;
}

bool IsValidUtf8(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= text.size()) return false;
    for (int k = 1; k <= extra; ++k)
      if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
    i += static_cast<std::size_t>(extra) + 1;
  }
  return true;
}

}  // namespace tree
