// skingen_data: writes the text part of the installation tree (every language folder's
// texts, layouts, macro library and gun presets, and the config folder) from the
// hand-written sources under skins/.
//
//   skingen_data --src <skins source folder> --out <program folder>/skins [--fresh] [--stamp <file>]
//
// Files the program itself changes (config/config.ini, <language>/macro/, PUBG.dat) are
// written only when missing or older than their sources, so a rebuild keeps what the
// user did with them; --fresh writes everything (installation).
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "../common/skin_source.h"
#include "platform/text_codec.h"

namespace fs = std::filesystem;
using namespace skingen;

namespace {

struct Options {
  std::string src, out, stamp;
  bool fresh = false;
};

struct Generator {
  Options opt;
  std::vector<Language> languages;
  std::vector<GroupSpec> library;
  std::vector<MacroSpec> presets;
  std::map<std::string, IniDoc> captions;  // by text set; empty doc when none
  int written = 0;

  std::string Src(const std::string& rel) const { return (fs::path(opt.src) / rel).string(); }
  std::string Out(const std::string& rel) const { return (fs::path(opt.out) / rel).string(); }

  static fs::file_time_type NewestOf(const std::vector<std::string>& paths) {
    // Not a zero time: the file clock's epoch lies after today's time stamps.
    fs::file_time_type newest = fs::file_time_type::min();
    std::error_code ec;
    for (const std::string& p : paths)
      if (fs::exists(p, ec)) newest = std::max(newest, fs::last_write_time(p, ec));
    return newest;
  }

  // A refreshed copy of a file the program changes counts as newer than its sources.
  static void Touch(const std::string& path) { fs::last_write_time(path, fs::file_time_type::clock::now()); }

  void Write(const std::string& path, const std::string& content) {
    if (WriteFileIfChanged(path, content)) ++written;
  }

  // A file the program changes at run time: replaced only when missing, older than one
  // of the sources it is made from, or with --fresh.
  bool MayReplace(const std::string& path, const std::vector<std::string>& sources) const {
    std::error_code ec;
    if (opt.fresh || !fs::exists(path, ec)) return true;
    return fs::last_write_time(path, ec) < NewestOf(sources);
  }

  const IniDoc& Captions(const std::string& texts) {
    auto it = captions.find(texts);
    if (it != captions.end()) return it->second;
    std::string path = Src("text/" + texts + "/captions.ini");
    IniDoc doc;
    if (fs::exists(path)) doc = IniDoc::Load(path);
    return captions.emplace(texts, std::move(doc)).first->second;
  }

  std::string Translate(const Language& lang, const std::string& name) {
    const std::string* t = Captions(lang.texts).Get("names", name);
    return t && !t->empty() ? *t : name;
  }

  void Load() {
    languages = LoadLanguages(Src("text/languages.ini"));
    library = LoadLibrary(Src("macros/library.txt"));
    presets = LoadPresets(Src("macros/presets.txt"));
    // The masters must parse as the program will read them.
    for (const std::string& file : LayoutFileNames()) {
      Layout layout = LoadLayout(Src("layout/" + file));
      for (const auto& [table, entries] : layout.tables)
        for (const LayoutEntry& e : entries) {
          bool zero = e.x == 0 && e.y == 0 && e.w == 0 && e.h == 0;
          if ((e.look == "none") != zero)
            throw SourceError(file + ": [" + table + "] " + std::to_string(e.index) +
                              ": unused entries are 'none,0,0,0,0,' and only they");
        }
    }
    std::set<int> seen;
    for (const Language& l : languages)
      if (!seen.insert(l.index).second) throw SourceError("languages.ini: index " + std::to_string(l.index) + " twice");
  }

  // The master layout with the language's captions put in.
  std::string LocalLayout(const Language& lang, const std::string& file) {
    std::string master = ReadFile(Src("layout/" + file));
    const IniDoc& over = Captions(lang.texts);
    std::set<std::string> used;
    std::istringstream in(master);
    std::ostringstream result;
    std::string section;
    for (std::string line; std::getline(in, line);) {
      std::string t = line;
      std::size_t eq = t.find('=');
      if (!t.empty() && t[0] == '[') {
        section = t.substr(1, t.find(']') - 1);
      } else if (!t.empty() && t[0] != ';' && eq != std::string::npos) {
        std::string key = t.substr(0, eq), value = t.substr(eq + 1);
        // Captions are translated in BUTTONPOS and FUN_STRING; EDIT and MACRODISPLAY
        // only place controls.
        std::string overSection = section == "FUN_STRING" ? file + " FUN_STRING" : file;
        const std::string* caption =
            section == "BUTTONPOS" || section == "FUN_STRING" ? over.Get(overSection, key) : nullptr;
        std::string newCaption;
        bool replace = false;
        if (caption) {
          used.insert(overSection + "/" + key);
          newCaption = *caption;
          replace = true;
        }
        // The language button shows the folder's own language.
        if (file == "skin_main.ini" && section == "BUTTONPOS" && key == "4") {
          newCaption = lang.name;
          replace = true;
        }
        if (replace) {
          if (newCaption.find(',') != std::string::npos)
            throw SourceError(file + " " + key + ": caption '" + newCaption + "' holds a comma");
          if (section == "FUN_STRING") {
            value = newCaption;
          } else {
            std::vector<std::string> f = SplitFields(value);
            if (f.size() != 6) throw SourceError(file + " " + key + ": not six fields");
            f[5] = newCaption;
            value = f[0] + "," + f[1] + "," + f[2] + "," + f[3] + "," + f[4] + "," + f[5];
          }
          line = key + "=" + value;
        }
      }
      if (Utf8ToUtf16(line.substr(line.find('=') + 1)).size() > 259)
        throw SourceError(file + ": value longer than the program reads: " + line);
      result << line << "\n";
    }
    // Every override must name an entry of the master, or a typo would go unnoticed.
    for (const std::string& s : over.Sections()) {
      bool layoutSection = s == file || s == file + " FUN_STRING";
      if (!layoutSection) continue;
      for (const auto& [key, value] : over.Entries(s))
        if (!used.count(s + "/" + key))
          throw SourceError("captions of " + lang.texts + ": [" + s + "] " + key + " names no entry of " + file);
    }
    return result.str();
  }

  static std::string DatFile(const std::vector<std::string>& records) {
    std::string s = "[Init]\nDAT_VER=3\n\n[Macros]\nmacroNum=" + std::to_string(records.size()) + "\n";
    for (std::size_t i = 0; i < records.size(); ++i) s += std::to_string(i) + "=" + records[i] + "\n";
    return s;
  }

  void WriteLibrary(const Language& lang, const std::string& folder) {
    // Files of a previous factory library that are gone from the sources go too.
    std::error_code ec;
    std::set<std::string> keep = {"macroGrp.ini"};
    std::string list = "[MACRO_GROUP_NUM]\nmacGrpNum=" + std::to_string(library.size()) + "\n\n[MACRO_GROUP_NAME]\n";
    for (std::size_t g = 0; g < 12; ++g) {
      std::string name = g < library.size() ? Translate(lang, library[g].name) : "";
      if (g < library.size() && !IsSafeFileName(name)) throw SourceError("group name '" + name + "' is not a file name");
      list += std::to_string(g) + "=" + name + "\n";
      if (g >= library.size()) continue;
      std::vector<std::string> records;
      for (MacroSpec m : library[g].macros) {
        m.name = Translate(lang, m.name);
        records.push_back(EncodeRecord(m));
      }
      keep.insert(name + ".dat");
      Write(folder + "/" + name + ".dat", DatFile(records));
    }
    Write(folder + "/macroGrp.ini", list);
    if (fs::exists(folder, ec))
      for (const auto& e : fs::directory_iterator(folder))
        if (!keep.count(e.path().filename().string())) fs::remove_all(e.path(), ec);
  }

  void WriteLanguage(const Language& lang) {
    std::string dir = Out(lang.Folder());
    std::string texts = Src("text/" + lang.texts + "/LanguageText.ini");
    Write(dir + "/LanguageText.ini", ReadFile(texts));
    for (const std::string& file : LayoutFileNames()) Write(dir + "/" + file, LocalLayout(lang, file));
    std::string names = Src("text/" + lang.texts + "/captions.ini");
    WriteLibrary(lang, dir + "/macroReset");
    if (MayReplace(dir + "/macro/macroGrp.ini", {Src("macros/library.txt"), names})) {
      WriteLibrary(lang, dir + "/macro");
      Touch(dir + "/macro/macroGrp.ini");
    }
    if (MayReplace(dir + "/PUBG.dat", {Src("macros/presets.txt"), names})) {
      std::vector<std::string> records;
      for (MacroSpec m : presets) {
        m.name = Translate(lang, m.name);
        records.push_back(EncodeRecord(m));
      }
      Write(dir + "/PUBG.dat", DatFile(records));
      Touch(dir + "/PUBG.dat");
    }
  }

  void WriteConfig() {
    std::string config = ReadFile(Src("config/config.ini"));
    if (MayReplace(Out("config/config.ini"), {Src("config/config.ini")})) {
      Write(Out("config/config.ini"), config);
      Touch(Out("config/config.ini"));
    }
    // The reset file: the whole factory file. A reset takes the profiles and the shared
    // settings from it; a config.ini that cannot be read is replaced by all of it, the
    // device description and the language included.
    std::string reset =
        "; Factory settings: the frame's reset button and the reset at start-up copy the four\n"
        "; profiles and the shared settings from here into config.ini, and a config.ini that\n"
        "; cannot be read is replaced by this file. Only read.\n";
    std::istringstream in(config);
    for (std::string line; std::getline(in, line);)
      if (line.empty() || line[0] != ';') reset += line + "\n";
    Write(Out("config/configReset.ini"), reset);
    Write(Out("config/constMacro.dat"),
          "; Built-in macros: none are shipped.\n[Init]\nDAT_VER=3\n\n[Macros]\nmacroNum=0\n");
  }

  void Run() {
    Load();
    WriteConfig();
    for (const Language& lang : languages) WriteLanguage(lang);
    if (!opt.stamp.empty()) {
      // Always rewritten: its time tells the build that the tree is up to date.
      WriteFileIfChanged(opt.stamp, "skins data\n");
      Touch(opt.stamp);
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  Options opt;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--src" && i + 1 < argc) opt.src = argv[++i];
    else if (a == "--out" && i + 1 < argc) opt.out = argv[++i];
    else if (a == "--stamp" && i + 1 < argc) opt.stamp = argv[++i];
    else if (a == "--fresh") opt.fresh = true;
    else {
      std::cerr << "usage: skingen_data --src <skins sources> --out <skins folder> [--fresh] [--stamp <file>]\n";
      return 2;
    }
  }
  if (opt.src.empty() || opt.out.empty()) {
    std::cerr << "skingen_data: --src and --out are needed\n";
    return 2;
  }
  try {
    Generator g;
    g.opt = opt;
    g.Run();
    std::cout << "skingen_data: " << g.written << " files written to " << opt.out << "\n";
  } catch (const std::exception& e) {
    std::cerr << "skingen_data: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
