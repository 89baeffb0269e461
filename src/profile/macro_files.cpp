#include "profile/macro_files.h"

#include <algorithm>
#include <limits>
#include <mutex>

#include "keys/language.h"
#include "platform/ini_file.h"
#include "platform/plain_file.h"
#include "profile/core_hooks.h"
#include "profile/damaged_files.h"
#include "profile/macro_import_check.h"
#include "profile/macro_library.h"
#include "profile/macro_text.h"
#include "profile/missing_files.h"
#include "profile/paths.h"
#include "profile/save_failures.h"

std::array<std::string, 12> g_gunNames;

namespace {

constexpr const char* kInitSection = "Init";
constexpr const char* kVersionKey = "DAT_VER";
constexpr const char* kMacrosSection = "Macros";
constexpr const char* kCountKey = "macroNum";
constexpr const char* kSingleKey = "Macro";
constexpr std::size_t kSmallBuffer = 3;  // DAT_VER, macroNum and macGrpNum are read with 3 characters
constexpr int kGunNameCount = static_cast<int>(std::tuple_size_v<decltype(g_gunNames)>);
constexpr const char* kMissingGunFile = "Can't find the PUBG file.";

// Serialises the operations of this file: a write (with the upgrade of an old file) is
// never interleaved with another write or a read of the same tables. Each write goes
// into the file as one replacement of the whole file, so no reader, in this process or
// another, sees half of it.
std::mutex g_macroFilesLock;

bool ValidIndex(int index) { return index >= 0 && index < kMacroTableSize; }

bool IsRecordKey(const std::string& key) {
  return !key.empty() && std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int FileVersion(const std::string& path) { return ini::ReadInt(path, kInitSection, kVersionKey, kSmallBuffer); }

int FileCount(const std::string& path) { return ini::ReadInt(path, kMacrosSection, kCountKey, kSmallBuffer); }

std::string ReadRecordText(const std::string& path, int index) {
  return ini::ReadString(path, kMacrosSection, std::to_string(index), kMacroValueBufferChars);
}

// Adds to the batch what makes the file a version-3 file before a version-3 record goes
// into it. An existing file of an older version holds records with the short header:
// they are rewritten in the version-3 layout in the same batch, so that all of them
// still read as they did.
void WriteHeaderLocked(const std::string& path, ini::Batch& batch) {
  const bool exists = ini::FileExists(path);
  if (exists && FileVersion(path) == kMacroFileVersion) return;
  if (exists) {
    for (const std::string& key : ini::SectionKeys(path, kMacrosSection)) {
      if (!IsRecordKey(key)) continue;
      const std::string old =
          ini::ReadString(path, kMacrosSection, key, std::numeric_limits<std::size_t>::max());
      batch.WriteString(kMacrosSection, key, UpgradeMacroText(old));
    }
  }
  batch.WriteString(kInitSection, kVersionKey, std::to_string(kMacroFileVersion));
}

int GroupCountToWrite() { return std::clamp<int>(g_groupMacroCount, 0, kMacroTableSize); }

void WriteRecord(ini::Batch& batch, int index, const MacroRecord& record) {
  batch.WriteString(kMacrosSection, std::to_string(index), EncodeMacroRecord(record));
}

// A file as ini reads it, for the readers that go through the INI cache.
struct IniFileText {
  const std::string& path;
  std::string ReadString(std::string_view section, std::string_view key, std::size_t bufferChars) const {
    return ini::ReadString(path, section, key, bufferChars);
  }
};

// Reads up to `limit` records of the file's text into table and returns how many it
// read.
template <typename Text>
int ReadRecords(const Text& file, MacroTable& table, int limit) {
  const int version = ini::ToInt(file.ReadString(kInitSection, kVersionKey, kSmallBuffer));
  const int count = std::clamp(ini::ToInt(file.ReadString(kMacrosSection, kCountKey, kSmallBuffer)), 0, limit);
  for (int i = 0; i < count; ++i)
    table[static_cast<std::size_t>(i)] =
        DecodeMacroRecord(file.ReadString(kMacrosSection, std::to_string(i), kMacroValueBufferChars), version);
  return count;
}

// Why the text of the built-in macros is none the program writes: no NUL byte, a count
// from 0 to 13 and that many records of three-digit fields. Empty when it is one.
std::string BuiltInDamage(const std::string& bytes, const ini::ParsedText& file) {
  if (HoldsNul(bytes)) return "it holds NUL bytes";
  const auto digits = [](const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  const std::string countText = file.ReadString(kMacrosSection, kCountKey, 8);
  if (!digits(countText) || countText.size() > 2 || std::stoi(countText) > kMacroTableSize)
    return "its macroNum is not a number from 0 to " + std::to_string(kMacroTableSize);
  for (int i = 0, count = std::stoi(countText); i < count; ++i)
    if (!digits(file.ReadString(kMacrosSection, std::to_string(i), kMacroValueBufferChars)))
      return "its record " + std::to_string(i) + " is no macro";
  return {};
}

enum class TableFile { Group, BuiltIn };

// The group and built-in readers, without blocking on a FIFO or a device in the file's
// place. Without the file TipText entry 5 and an empty table; a file that cannot be
// read (or, for the built-in macros, holds no macros as the program writes them) is
// named and gives an empty table too.
void ReadTableFile(const std::string& path, MacroTable& table, std::int16_t& count, TableFile kind) {
  platform::PlainFileRead read;
  std::string damage;
  {
    std::lock_guard<std::mutex> guard(g_macroFilesLock);
    std::string bytes;
    read = platform::ReadPlainFile(path, kMaxMacroFileBytes, bytes);
    count = 0;
    if (read == platform::PlainFileRead::Read) {
      const ini::ParsedText file(bytes);
      if (kind == TableFile::BuiltIn) damage = BuiltInDamage(bytes, file);
      if (damage.empty()) count = static_cast<std::int16_t>(ReadRecords(file, table, kMacroTableSize));
    }
  }
  std::string said;
  if (read == platform::PlainFileRead::Missing || read == platform::PlainFileRead::NotPlain) {
    ReportMissingFile(path);
  } else if (read != platform::PlainFileRead::Read) {
    said = FileReadFailure(path, read);
  } else if (!damage.empty()) {
    said = path + " is damaged (" + damage + ")";
  }
  if (!said.empty()) {
    const std::string texts[] = {said + "; its macros are not loaded"};
    ReportDamagedFiles(texts, DamagedFileBox::Show);
  }
}

}  // namespace

std::string GunPresetPath() { return SettingsTreeDir() + LanguageFolderName(g_language.load()) + "/PUBG.dat"; }

std::string ConstMacroPath() { return g_configDir + "constMacro.dat"; }

void SaveMacroFile(const std::string& path) {
  std::lock_guard<std::mutex> guard(g_macroFilesLock);
  const int count = GroupCountToWrite();
  ini::Batch batch(path);
  WriteHeaderLocked(path, batch);
  batch.WriteInt(kMacrosSection, kCountKey, count);
  for (int i = 0; i < count; ++i) WriteRecord(batch, i, g_groupMacros[static_cast<std::size_t>(i)]);
  CommitOrReport(batch);
}

void SaveMacroEntry(const std::string& path, int index) {
  if (!ValidIndex(index)) return;
  std::lock_guard<std::mutex> guard(g_macroFilesLock);
  ini::Batch batch(path);
  WriteHeaderLocked(path, batch);
  batch.WriteInt(kMacrosSection, kCountKey, GroupCountToWrite());
  WriteRecord(batch, index, g_groupMacros[static_cast<std::size_t>(index)]);
  CommitOrReport(batch);
}

void SaveMacroEntryIndirect(const MacroRecord& record, const std::string& path, int index) {
  if (!ValidIndex(index)) return;
  const MacroRecord copy = record;  // the caller's record may be a table another thread edits
  std::lock_guard<std::mutex> guard(g_macroFilesLock);
  ini::Batch batch(path);
  WriteHeaderLocked(path, batch);
  if (FileCount(path) <= index) batch.WriteInt(kMacrosSection, kCountKey, index + 1);
  WriteRecord(batch, index, copy);
  CommitOrReport(batch);
}

void SaveSingleMacro(int index, const std::string& path) {
  if (!ValidIndex(index)) return;
  std::lock_guard<std::mutex> guard(g_macroFilesLock);
  ReportUnlessSaved(ini::WriteString(path, kMacrosSection, kSingleKey,
                                     EncodeMacroRecord(g_groupMacros[static_cast<std::size_t>(index)])),
                    path);
}

void ExportGunMacro(int index, int verticalStep) {
  if (!ValidIndex(index)) return;
  const std::string path = GunPresetPath();
  bool missing = false;
  {
    std::lock_guard<std::mutex> guard(g_macroFilesLock);
    missing = !ini::FileExists(path);
    if (!missing) {
      MacroRecord& preset = g_gunMacros[static_cast<std::size_t>(index)];
      const auto step = static_cast<std::uint16_t>(std::clamp(verticalStep, 0, 0xFFFF));
      for (MacroParam& p : preset.param)
        if (p.b != 0) p.b = step;
      ini::Batch batch(path);
      WriteHeaderLocked(path, batch);
      WriteRecord(batch, index, preset);
      CommitOrReport(batch);
    }
  }
  if (missing) ReportMissingFile(path, kMissingGunFile);
}

void ReadMacroGroupFile(const std::string& path) {
  ReadTableFile(path, g_groupMacros, g_groupMacroCount, TableFile::Group);
}

void LoadConstMacroFile(const std::string& path) {
  ReadTableFile(path, g_constMacros, g_constMacroCount, TableFile::BuiltIn);
}

void LoadGunPresets() {
  const std::string path = GunPresetPath();
  bool missing = false;
  {
    std::lock_guard<std::mutex> guard(g_macroFilesLock);
    missing = !ini::FileExists(path);
    if (!missing) {
      // Presets are offered by their twelve names, so no more than twelve are loaded.
      const int count = ReadRecords(IniFileText{path}, g_gunMacros, kGunNameCount);
      g_gunMacroCount = static_cast<std::int16_t>(count);
      for (int i = 0; i < kGunNameCount; ++i)
        g_gunNames[static_cast<std::size_t>(i)] =
            i < count ? MacroName(g_gunMacros[static_cast<std::size_t>(i)]) : std::string();
    }
  }
  if (missing) ReportMissingFile(path, kMissingGunFile);
}

MacroRecord LoadGroupMacro(int group, int macro) {
  MacroRecord record;
  if (group < 0 || !ValidIndex(macro)) return record;
  const std::string folder = SettingsTreeDir() + LanguageFolderName(g_language.load()) + "/macro/";
  const std::string list = folder + "macroGrp.ini";
  std::lock_guard<std::mutex> guard(g_macroFilesLock);
  // Only listed groups and counted macros: entries past macroNum are deleted macros
  // that stay in the file.
  if (group >= ini::ReadInt(list, "MACRO_GROUP_NUM", "macGrpNum", kSmallBuffer)) return record;
  // One character more than a name may have: a longer one is refused, not cut down to
  // another group's name. No name leads out of the folder.
  const std::string name = ini::ReadString(list, "MACRO_GROUP_NAME", std::to_string(group), kGroupNameChars + 2);
  if (!IsUsableGroupName(name)) return record;
  const std::string path = folder + name + ".dat";
  if (!ini::FileExists(path) || macro >= FileCount(path)) return record;
  return DecodeMacroRecord(ReadRecordText(path, macro), FileVersion(path));
}
