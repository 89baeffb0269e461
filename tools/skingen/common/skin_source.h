// Readers of the hand-written installation sources under skins/: the master layouts,
// the language list, the caption overrides and the readable macro descriptions, plus
// the encoder of macro records into their three-digit file text. Shared by the data
// generator (INI and .dat files) and the image generator.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace skingen {

// Any fault in a source file; the message names the file and line.
struct SourceError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::string ReadFile(const std::string& path);
// Writes the file (creating its folder) unless it already holds exactly this content,
// so unchanged outputs keep their time stamps. Returns true when it wrote.
bool WriteFileIfChanged(const std::string& path, const std::string& content);

// A small INI document: sections in file order, keys in file order (the first of
// duplicate keys wins), ';' and '#' comment lines skipped, blanks around names trimmed.
class IniDoc {
 public:
  static IniDoc Load(const std::string& path);
  static IniDoc Parse(const std::string& text, const std::string& nameForErrors);

  const std::string* Get(const std::string& section, const std::string& key) const;
  std::string GetOr(const std::string& section, const std::string& key, const std::string& fallback) const;
  std::vector<std::string> Sections() const;
  const std::vector<std::pair<std::string, std::string>>& Entries(const std::string& section) const;

 private:
  std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> sections_;
};

// One entry of a layout table: look (the name field, which the program ignores and the
// image generator draws), rectangle and caption.
struct LayoutEntry {
  int index = 0;
  std::string look;
  int x = 0, y = 0, w = 0, h = 0;
  std::string caption;
  bool Empty() const { return w <= 0 || h <= 0; }
  int Right() const { return x + w; }
  int Bottom() const { return y + h; }
};

// A master layout file: its tables by section (BUTTONPOS, EDIT, MACRODISPLAY), entries
// indexed by key number (missing keys give an empty entry of look "none").
struct Layout {
  std::string fileName;
  std::map<std::string, std::vector<LayoutEntry>> tables;
  const LayoutEntry& At(const std::string& table, int index) const;
  const LayoutEntry& operator[](int index) const { return At("BUTTONPOS", index); }
  int Count(const std::string& table = "BUTTONPOS") const;
};

// Splits a layout value at commas into fields (as the program's reader does for lines
// of five or more commas; field 6 keeps the rest).
std::vector<std::string> SplitFields(const std::string& value);
Layout LoadLayout(const std::string& path);

// The ten layout files of every language folder.
const std::vector<std::string>& LayoutFileNames();

struct Language {
  int index = 0;
  std::string code;   // CN, EN, ...
  std::string texts;  // folder of skins/text the texts come from
  std::string name;   // the language's own name
  std::string latin;  // the name in Latin letters, for pictures when no font has the letters
  std::string Folder() const { return std::to_string(index) + "_INI_" + code; }
};
std::vector<Language> LoadLanguages(const std::string& path);

// Host key code (Windows virtual key, or 0xF0/0xF1/0xF2 for the mouse buttons) of a key
// name of the macro descriptions; -1 for an unknown name.
int HostKeyCode(const std::string& name);

struct MacroEventSpec {
  std::uint8_t action = 0;
  std::uint8_t code = 0;
  std::uint16_t a = 0, b = 0;
  std::uint16_t delay = 0;
};

struct MacroSpec {
  std::string name;
  std::uint8_t mode = 0;
  std::uint16_t repeatCount = 1;
  std::uint8_t yOffsetOn = 0;
  std::uint8_t yOffset = 0;
  std::vector<MacroEventSpec> events;
};

struct GroupSpec {
  std::string name;
  std::vector<MacroSpec> macros;
};

// The factory library (groups of macros) and the gun presets.
std::vector<GroupSpec> LoadLibrary(const std::string& path);
std::vector<MacroSpec> LoadPresets(const std::string& path);

// The record text of one macro (version-3 layout, 2621 fields of three digits), with
// the counters derived from the events. The name is cut to 30 UTF-16 units.
std::string EncodeRecord(const MacroSpec& macro);

// A group name is also a file name: no path separators, no characters that other
// platforms refuse, not empty, not "." or "..".
bool IsSafeFileName(const std::string& name);

}  // namespace skingen
