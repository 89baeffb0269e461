// INI files with private-profile semantics: every setting of the program is read and
// written one key at a time through these calls.
//
// - Section and key names match case-insensitively; blanks around names and values
//   are trimmed; lines starting with ';' are comments.
// - A missing file, section or key reads as an empty text; a longer value is cut to
//   bufferChars - 1 characters (Unicode characters, not bytes). The first of
//   duplicate keys wins.
// - A write creates the file and the section when missing, replaces the value in
//   place, appends a new key at the end of its section and keeps every other line.
// - Files are written as UTF-8 without BOM; reading also accepts a UTF-8 BOM and
//   UTF-16LE with BOM.
// - Each call is atomic with respect to other threads (one lock per file), and a write
//   replaces the file by rename, so a crash leaves either the old or the new file.
// - A parsed file is cached while its size, modification time and inode stay the same.
// - A write is refused (false, file unchanged) when its text would change the file's
//   structure: a line break in any part, an empty or '='-holding key, a key starting
//   with ';' or '[', an empty section or one holding ']'.
// - A value in matching double or single quotes reads without them; lines may end in
//   CR LF, LF or a lone CR.
// - A write follows a chain of symbolic links only when the running user owns each
//   link and the file it ends at, and writes only along a way to the folder that
//   platform/write_guard.h accepts (nothing is written where another user could have
//   laid or could change the way); the folder stays open from its check to the rename.
// - A new file is created readable by the user alone (0600); an existing file keeps its
//   permissions.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ini {

// Value of [section] key in file, cut to bufferChars - 1 characters.
std::string ReadString(const std::string& file, std::string_view section, std::string_view key,
                       std::size_t bufferChars);

// The same value converted by ToInt.
int ReadInt(const std::string& file, std::string_view section, std::string_view key,
            std::size_t bufferChars);

// Sets [section] key = value. Returns false when the file could not be written.
bool WriteString(const std::string& file, std::string_view section, std::string_view key,
                 std::string_view value);
bool WriteInt(const std::string& file, std::string_view section, std::string_view key, long long value);

// Keys of a section in file order (duplicates once), for readers that walk a section.
std::vector<std::string> SectionKeys(const std::string& file, std::string_view section);

// Decimal conversion of the INI convention: optional blanks, an optional sign, then
// leading decimal digits; anything else gives 0. Saturates at the int range.
int ToInt(std::string_view text);

// Text cut to at most maxChars Unicode characters (never inside a UTF-8 sequence).
std::string CutToChars(std::string_view text, std::size_t maxChars);

bool FileExists(const std::string& path);

struct ParsedFile;

// Bytes of a file, parsed once and read as ReadString reads the file: for checking
// what was read from a file before those very bytes are written elsewhere.
class ParsedText {
 public:
  explicit ParsedText(std::string_view bytes);
  ~ParsedText();
  ParsedText(const ParsedText&) = delete;
  ParsedText& operator=(const ParsedText&) = delete;

  std::string ReadString(std::string_view section, std::string_view key, std::size_t bufferChars) const;

 private:
  std::unique_ptr<ParsedFile> parsed_;
};

// Many writes to one file applied as one: Commit applies them in order under the
// file's lock, exactly as the same WriteString calls one after the other would, and
// replaces the file once. Refused writes are skipped and make Commit return false.
class Batch {
 public:
  struct Write {
    std::string section;
    std::string key;
    std::string value;
  };

  explicit Batch(std::string file) : file_(std::move(file)) {}

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInt(std::string_view section, std::string_view key, long long value);

  // Applies every pending write and empties the batch. True when every write was
  // accepted and the file was replaced (or nothing was pending).
  bool Commit();

  const std::string& File() const { return file_; }
  const std::vector<Write>& Writes() const { return writes_; }

 private:
  std::string file_;
  std::vector<Write> writes_;
};

// Why the last write of this thread failed (file and reason), empty after a success.
std::string LastWriteError();

// Removes the temporary files that replacements under folder (and its subfolders) left
// when their process died before renaming them. Returns how many were removed.
int RemoveStaleTempFiles(const std::string& folder);

// Forgets every cached file (tests that rewrite files behind the cache's back with
// the same size and time stamp).
void ClearCache();

}  // namespace ini
