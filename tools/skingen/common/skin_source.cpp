#include "skin_source.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/text_codec.h"

namespace fs = std::filesystem;

namespace skingen {

namespace {

std::string Trim(std::string s) {
  auto blank = [](unsigned char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.back())) s.pop_back();
  std::size_t i = 0;
  while (i < s.size() && blank(s[i])) ++i;
  return s.substr(i);
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

[[noreturn]] void Fail(const std::string& file, int line, const std::string& what) {
  throw SourceError(file + ":" + std::to_string(line) + ": " + what);
}

int ParseInt(const std::string& text, const std::string& file, int line) {
  std::string t = Trim(text);
  int value = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (t.empty() || ec != std::errc() || end != t.data() + t.size()) Fail(file, line, "not a number: '" + text + "'");
  return value;
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

const std::vector<std::pair<std::string, std::string>> kNoEntries;
const LayoutEntry kNoEntry{0, "none", 0, 0, 0, 0, ""};

}  // namespace

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw SourceError(path + ": cannot be read");
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool WriteFileIfChanged(const std::string& path, const std::string& content) {
  std::error_code ec;
  if (fs::exists(path, ec)) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    if (in && s.str() == content) return false;
  }
  fs::create_directories(fs::path(path).parent_path(), ec);
  // Written beside the target and renamed over it, so no half-written file is left.
  std::string tmp = path + ".tmp.skingen";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out << content;
    if (!out.flush()) throw SourceError(path + ": cannot be written");
  }
  fs::rename(tmp, path, ec);
  if (ec) throw SourceError(path + ": cannot be written: " + ec.message());
  return true;
}

IniDoc IniDoc::Load(const std::string& path) { return Parse(DecodeIniBytes(ReadFile(path)), path); }

IniDoc IniDoc::Parse(const std::string& text, const std::string& name) {
  IniDoc doc;
  std::istringstream in(text);
  std::string raw;
  int lineNo = 0;
  std::vector<std::pair<std::string, std::string>>* current = nullptr;
  while (std::getline(in, raw)) {
    ++lineNo;
    std::string line = Trim(raw);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      if (line.back() != ']') Fail(name, lineNo, "unterminated section name");
      std::string section = Trim(line.substr(1, line.size() - 2));
      auto found = std::find_if(doc.sections_.begin(), doc.sections_.end(),
                                [&](const auto& s) { return Lower(s.first) == Lower(section); });
      if (found == doc.sections_.end()) {
        doc.sections_.push_back({section, {}});
        current = &doc.sections_.back().second;
      } else {
        current = &found->second;
      }
      continue;
    }
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) Fail(name, lineNo, "line is neither a section nor key=value");
    if (!current) Fail(name, lineNo, "key before the first section");
    // Only the trailing line break is dropped from values: a value may end in a
    // no-break space on purpose, and ASCII blanks are trimmed like the program does.
    std::string key = Trim(line.substr(0, eq));
    std::string value = Trim(line.substr(eq + 1));
    bool dup = std::any_of(current->begin(), current->end(),
                           [&](const auto& kv) { return Lower(kv.first) == Lower(key); });
    if (!dup) current->push_back({key, value});
  }
  return doc;
}

const std::string* IniDoc::Get(const std::string& section, const std::string& key) const {
  for (const auto& s : sections_) {
    if (Lower(s.first) != Lower(section)) continue;
    for (const auto& kv : s.second)
      if (Lower(kv.first) == Lower(key)) return &kv.second;
  }
  return nullptr;
}

std::string IniDoc::GetOr(const std::string& section, const std::string& key, const std::string& fallback) const {
  const std::string* v = Get(section, key);
  return v ? *v : fallback;
}

std::vector<std::string> IniDoc::Sections() const {
  std::vector<std::string> names;
  for (const auto& s : sections_) names.push_back(s.first);
  return names;
}

const std::vector<std::pair<std::string, std::string>>& IniDoc::Entries(const std::string& section) const {
  for (const auto& s : sections_)
    if (Lower(s.first) == Lower(section)) return s.second;
  return kNoEntries;
}

std::vector<std::string> SplitFields(const std::string& value) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (fields.size() < 6) {
    std::size_t comma = value.find(',', start);
    if (comma == std::string::npos) break;
    fields.push_back(value.substr(start, comma - start));
    start = comma + 1;
  }
  fields.push_back(value.substr(start));
  return fields;
}

const LayoutEntry& Layout::At(const std::string& table, int index) const {
  auto t = tables.find(table);
  if (t == tables.end() || index < 0 || index >= static_cast<int>(t->second.size())) return kNoEntry;
  return t->second[static_cast<std::size_t>(index)];
}

int Layout::Count(const std::string& table) const {
  auto t = tables.find(table);
  return t == tables.end() ? 0 : static_cast<int>(t->second.size());
}

Layout LoadLayout(const std::string& path) {
  Layout layout;
  layout.fileName = fs::path(path).filename().string();
  IniDoc doc = IniDoc::Load(path);
  for (const std::string& table : {std::string("BUTTONPOS"), std::string("EDIT"), std::string("MACRODISPLAY")}) {
    const auto& entries = doc.Entries(table);
    if (entries.empty()) continue;
    std::vector<LayoutEntry> list;
    for (const auto& [key, value] : entries) {
      int index = ParseInt(key, path, 0);
      if (index < 0 || index > 1000) throw SourceError(path + ": entry number out of range: " + key);
      std::vector<std::string> f = SplitFields(value);
      if (f.size() != 6)
        throw SourceError(path + ": [" + table + "] " + key + ": needs exactly six fields (look,x,y,width,height,caption)");
      LayoutEntry e;
      e.index = index;
      e.look = Trim(f[0]);
      e.x = ParseInt(f[1], path, 0);
      e.y = ParseInt(f[2], path, 0);
      e.w = ParseInt(f[3], path, 0);
      e.h = ParseInt(f[4], path, 0);
      e.caption = f[5];
      if (e.look.empty()) throw SourceError(path + ": [" + table + "] " + key + ": empty look");
      if (static_cast<int>(list.size()) <= index) list.resize(static_cast<std::size_t>(index) + 1, kNoEntry);
      list[static_cast<std::size_t>(index)] = e;
    }
    for (std::size_t i = 0; i < list.size(); ++i) list[i].index = static_cast<int>(i);
    layout.tables[table] = std::move(list);
  }
  return layout;
}

const std::vector<std::string>& LayoutFileNames() {
  static const std::vector<std::string> names = {
      "skin_main.ini",   "skin_color.ini",  "skin_advance.ini", "skin_mac.ini",      "LBWarning.ini",
      "mac_color.ini",   "skin_keyset.ini", "skin_gun.ini",     "skin_shortcut.ini", "skin_sound.ini"};
  return names;
}

std::vector<Language> LoadLanguages(const std::string& path) {
  IniDoc doc = IniDoc::Load(path);
  std::vector<Language> list;
  for (const std::string& section : doc.Sections()) {
    Language l;
    l.index = ParseInt(section, path, 0);
    l.code = doc.GetOr(section, "code", "");
    l.texts = doc.GetOr(section, "texts", "");
    l.name = doc.GetOr(section, "name", "");
    l.latin = doc.GetOr(section, "latin", l.name);
    if (l.code.empty() || l.texts.empty() || l.name.empty())
      throw SourceError(path + ": [" + section + "] needs code, texts and name");
    list.push_back(l);
  }
  return list;
}

int HostKeyCode(const std::string& name) {
  static const std::map<std::string, int> named = {
      {"LCtrl", 0xA2},    {"RCtrl", 0xA3},       {"LShift", 0xA0},   {"RShift", 0xA1},   {"LAlt", 0xA4},
      {"RAlt", 0xA5},     {"Win", 0x5B},         {"Enter", 0x0D},    {"Esc", 0x1B},      {"Tab", 0x09},
      {"Space", 0x20},    {"Backspace", 0x08},   {"Delete", 0x2E},   {"Insert", 0x2D},   {"Home", 0x24},
      {"End", 0x23},      {"PageUp", 0x21},      {"PageDown", 0x22}, {"Left", 0x25},     {"Up", 0x26},
      {"Right", 0x27},    {"Down", 0x28},        {"MouseLeft", 0xF0}, {"MouseRight", 0xF1},
      {"MouseMiddle", 0xF2}};
  if (auto it = named.find(name); it != named.end()) return it->second;
  if (name.size() == 1 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= '0' && name[0] <= '9'))) return name[0];
  if (name.size() >= 2 && name[0] == 'F') {
    int n = 0;
    auto [end, ec] = std::from_chars(name.data() + 1, name.data() + name.size(), n);
    if (ec == std::errc() && end == name.data() + name.size() && n >= 1 && n <= 12) return 0x6F + n;
  }
  return -1;
}

namespace {

// Reads the shared macro description form; `header` is "group" plus "macro" for the
// library, "preset" for the gun presets.
struct MacroParser {
  std::string path;
  int lineNo = 0;

  std::uint16_t Number(const std::string& text, int lo, int hi) {
    int v = ParseInt(text, path, lineNo);
    if (v < lo || v > hi) Fail(path, lineNo, "value " + text + " outside " + std::to_string(lo) + ".." + std::to_string(hi));
    return static_cast<std::uint16_t>(v);
  }

  // One line of a macro body; false when the line is not a body line.
  bool BodyLine(const std::vector<std::string>& w, MacroSpec& m) {
    const std::string& op = w[0];
    auto need = [&](std::size_t n) {
      if (w.size() != n) Fail(path, lineNo, "'" + op + "' takes " + std::to_string(n - 1) + " values");
    };
    if (op == "mode") {
      if (w.size() == 3 && w[1] == "count") {
        m.mode = 0;
        m.repeatCount = Number(w[2], 1, 1000);
      } else if (w.size() == 2 && w[1] == "held") {
        m.mode = 2;
        m.repeatCount = 1;
      } else if (w.size() == 2 && w[1] == "toggle") {
        m.mode = 1;
        m.repeatCount = 1;
      } else {
        Fail(path, lineNo, "mode is 'count <n>', 'held' or 'toggle'");
      }
    } else if (op == "down" || op == "up") {
      need(3);
      int code = HostKeyCode(w[1]);
      if (code < 0) Fail(path, lineNo, "unknown key '" + w[1] + "'");
      m.events.push_back({static_cast<std::uint8_t>(op == "down" ? 1 : 2), static_cast<std::uint8_t>(code), 0, 0,
                          Number(w[2], 0, 10000)});
    } else if (op == "move") {
      need(4);
      int dx = ParseInt(w[1], path, lineNo), dy = ParseInt(w[2], path, lineNo);
      if (dx < -100 || dx > 100 || dy < -100 || dy > 100) Fail(path, lineNo, "a move is at most 100 each way");
      // Actions 3 to 6: x and y negative/positive in the order (-,-) (-,+) (+,-) (+,+).
      std::uint8_t action = static_cast<std::uint8_t>(3 + (dx >= 0 ? 2 : 0) + (dy >= 0 ? 1 : 0));
      m.events.push_back({action, 246, static_cast<std::uint16_t>(dx < 0 ? -dx : dx),
                          static_cast<std::uint16_t>(dy < 0 ? -dy : dy), Number(w[3], 0, 10000)});
    } else if (op == "delay") {
      need(2);
      m.events.push_back({0, 0, 0, 0, Number(w[1], 0, 10000)});
    } else if (op == "yoffset") {
      need(2);
      m.yOffsetOn = 1;
      m.yOffset = static_cast<std::uint8_t>(Number(w[1], 1, 99));
    } else {
      return false;
    }
    if (m.events.size() > 275) Fail(path, lineNo, "more than 275 events");
    return true;
  }

  static std::string Rest(const std::string& line, const std::string& word) {
    return Trim(Trim(line).substr(word.size()));
  }
};

void CheckMacro(const std::string& path, const MacroSpec& m) {
  if (m.name.empty()) throw SourceError(path + ": a macro without a name");
  if (Utf8ToUtf16(m.name).size() > 30) throw SourceError(path + ": name longer than 30 characters: " + m.name);
  if (m.name.find(',') != std::string::npos) throw SourceError(path + ": a name holds a comma: " + m.name);
  if (m.events.empty()) throw SourceError(path + ": macro '" + m.name + "' has no events");
}

}  // namespace

std::vector<GroupSpec> LoadLibrary(const std::string& path) {
  MacroParser p{path};
  std::istringstream in(ReadFile(path));
  std::vector<GroupSpec> groups;
  for (std::string line; std::getline(in, line);) {
    ++p.lineNo;
    std::vector<std::string> w = Words(line);
    if (w.empty() || w[0][0] == '#') continue;
    if (w[0] == "group") {
      groups.push_back({MacroParser::Rest(line, "group"), {}});
      if (!IsSafeFileName(groups.back().name)) Fail(path, p.lineNo, "a group name must be a plain file name");
    } else if (w[0] == "macro") {
      if (groups.empty()) Fail(path, p.lineNo, "macro before the first group");
      groups.back().macros.push_back({});
      groups.back().macros.back().name = MacroParser::Rest(line, "macro");
    } else if (groups.empty() || groups.back().macros.empty() || !p.BodyLine(w, groups.back().macros.back())) {
      Fail(path, p.lineNo, "unexpected '" + w[0] + "'");
    }
  }
  if (groups.size() > 12) throw SourceError(path + ": more than 12 groups");
  for (const GroupSpec& g : groups) {
    if (g.macros.size() > 12) throw SourceError(path + ": group '" + g.name + "' has more than 12 macros");
    for (const MacroSpec& m : g.macros) CheckMacro(path, m);
  }
  return groups;
}

std::vector<MacroSpec> LoadPresets(const std::string& path) {
  MacroParser p{path};
  std::istringstream in(ReadFile(path));
  std::vector<MacroSpec> presets;
  for (std::string line; std::getline(in, line);) {
    ++p.lineNo;
    std::vector<std::string> w = Words(line);
    if (w.empty() || w[0][0] == '#') continue;
    if (w[0] == "preset") {
      presets.push_back({});
      presets.back().name = MacroParser::Rest(line, "preset");
    } else if (presets.empty() || !p.BodyLine(w, presets.back())) {
      Fail(path, p.lineNo, "unexpected '" + w[0] + "'");
    }
  }
  if (presets.empty() || presets.size() > 12) throw SourceError(path + ": needs 1 to 12 presets");
  for (const MacroSpec& m : presets) CheckMacro(path, m);
  return presets;
}

std::string EncodeRecord(const MacroSpec& macro) {
  std::vector<std::uint8_t> bytes;
  bytes.reserve(2621);
  auto put16 = [&](unsigned v) {
    bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
  };
  std::u16string name = CutUtf16(Utf8ToUtf16(macro.name), 30);
  for (std::size_t i = 0; i < 30; ++i) put16(i < name.size() ? name[i] : 0);
  unsigned moves = 0, kind247 = 0, cpi = 0, kind250 = 0, led = 0, kind251 = 0;
  for (const MacroEventSpec& e : macro.events) {
    moves += e.code == 246;
    kind247 += e.code == 247;
    cpi += e.code == 248;
    kind250 += e.code == 250;
    led += e.code == 249;
    kind251 += e.code == 251;
  }
  bytes.push_back(macro.mode);
  put16(macro.repeatCount);
  put16(static_cast<unsigned>(macro.events.size()));
  put16(moves);
  put16(kind247);
  put16(cpi);
  put16(kind250);
  bytes.push_back(static_cast<std::uint8_t>(led));
  bytes.push_back(static_cast<std::uint8_t>(kind251));
  bytes.push_back(macro.yOffsetOn);
  bytes.push_back(macro.yOffset);
  for (int i = 0; i < 4; ++i) bytes.push_back(0);
  for (std::size_t i = 0; i < 275; ++i) {
    MacroEventSpec e = i < macro.events.size() ? macro.events[i] : MacroEventSpec{};
    bytes.push_back(e.action);
    bytes.push_back(e.code);
    put16(e.a);
    put16(e.b);
    put16(e.delay);
  }
  bytes.resize(2621, 0);  // the five lighting blocks stay zero
  std::string text;
  text.reserve(bytes.size() * 3);
  char digits[4];
  for (std::uint8_t b : bytes) {
    digits[0] = static_cast<char>('0' + b / 100);
    digits[1] = static_cast<char>('0' + b / 10 % 10);
    digits[2] = static_cast<char>('0' + b % 10);
    text.append(digits, 3);
  }
  return text;
}

bool IsSafeFileName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || Trim(name) != name) return false;
  for (unsigned char c : name)
    if (c < 0x20 || std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos) return false;
  return true;
}

}  // namespace skingen
