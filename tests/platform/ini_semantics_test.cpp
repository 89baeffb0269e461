#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "platform/ini_file.h"
#include "platform/text_codec.h"

namespace fs = std::filesystem;

namespace {

struct Dir {
  fs::path path;
  Dir() {
    static int counter = 0;
    path = fs::temp_directory_path() / ("ini_sem_" + std::to_string(::getpid()) + "_" + std::to_string(counter++));
    fs::create_directories(path);
  }
  ~Dir() { fs::remove_all(path); }
  std::string File(const std::string& name) const { return (path / name).string(); }
};

void Put(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
  ini::ClearCache();
}
// Letter and number, appended in steps (GCC 12 warns falsely on "T" + std::to_string(n)).
std::string Named(char letter, int n) {
  std::string out(1, letter);
  out += std::to_string(n);
  return out;
}

std::string Get(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct ReadCase {
  const char* name;
  const char* file;
  const char* section;
  const char* key;
  std::size_t buffer;
  const char* expected;
};

class IniReadTable : public ::testing::TestWithParam<ReadCase> {};

TEST_P(IniReadTable, Reads) {
  Dir dir;
  Put(dir.File("t.ini"), GetParam().file);
  EXPECT_EQ(ini::ReadString(dir.File("t.ini"), GetParam().section, GetParam().key, GetParam().buffer),
            GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IniReadTable,
    ::testing::Values(
        ReadCase{"comment_is_no_key", "[S]\n;K=1\nK=2\n", "S", "K", 10, "2"},
        ReadCase{"key_before_any_section", "K=1\n[S]\n", "S", "K", 10, ""},
        ReadCase{"first_duplicate_section_wins", "[S]\nK=1\n[s]\nK=2\nL=3\n", "S", "L", 10, ""},
        ReadCase{"value_may_hold_equals", "[S]\nK = a=b ; c \n", "S", "K", 20, "a=b ; c"},
        ReadCase{"empty_value", "[S]\nK=\n", "S", "K", 10, ""},
        ReadCase{"line_without_equals", "[S]\nK\nK=5\n", "S", "K", 10, "5"},
        ReadCase{"tabs_trimmed", "[S]\n\tK\t=\t7\t\n", "S", "K", 10, "7"},
        ReadCase{"blank_lookup_names", "[S]\nK=1\n", " S ", " K ", 10, "1"},
        ReadCase{"header_with_trailing_text", "[S] trailing\nK=4\n", "S", "K", 10, "4"},
        ReadCase{"section_in_other_section_name", "[SS]\nK=1\n", "S", "K", 10, ""},
        ReadCase{"cr_only_values", "[S]\r\nK=9\r\n", "S", "K", 10, "9"},
        ReadCase{"no_final_line_end", "[S]\nK=last", "S", "K", 10, "last"},
        ReadCase{"cut_keeps_whole_sequences", "[S]\nK=a\xC3\xA9" "b\n", "S", "K", 3, "a\xC3\xA9"},
        ReadCase{"broken_utf8_counts_bytes", "[S]\nK=\xC3x\xE4\xB8" "yz\n", "S", "K", 5, "\xC3x\xE4\xB8"},
        ReadCase{"emoji_is_one_character", "[S]\nK=\xF0\x9F\x98\x80xy\n", "S", "K", 3, "\xF0\x9F\x98\x80x"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(IniEncoding, Utf16BigEndianAndOddLengthsLoad) {
  Dir dir;
  std::string be = "\xFE\xFF";
  for (char16_t c : std::u16string(u"[S]\r\nK=\u4e2d\r\n")) {
    be += static_cast<char>(c >> 8);
    be += static_cast<char>(c & 0xFF);
  }
  Put(dir.File("be.ini"), be);
  EXPECT_EQ(ini::ReadString(dir.File("be.ini"), "S", "K", 10), "\xE4\xB8\xAD");
  // A UTF-16 file is written back as UTF-8 without BOM.
  EXPECT_TRUE(ini::WriteString(dir.File("be.ini"), "S", "L", "1"));
  EXPECT_EQ(Get(dir.File("be.ini")), "[S]\r\nK=\xE4\xB8\xAD\r\nL=1\r\n");
  Put(dir.File("bom.ini"), "\xEF\xBB\xBF[S]\nK=1\n");
  EXPECT_TRUE(ini::WriteString(dir.File("bom.ini"), "S", "K", "2"));
  EXPECT_EQ(Get(dir.File("bom.ini")), "[S]\nK=2\n");
}

TEST(IniEncoding, Utf16RoundTripKeepsSurrogatePairs) {
  std::u16string text = u"a\U0001F600\u00e9";
  EXPECT_EQ(Utf8ToUtf16(Utf16ToUtf8(text)), text);
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), std::u16string(u"\uFFFD\uFFFD\uFFFD")) << "encoded surrogates are invalid";
  EXPECT_EQ(CutUtf16(text, 2), u"a") << "never half a pair";
}

struct RefusedCase {
  const char* name;
  const char* section;
  const char* key;
  const char* value;
};

class IniRefusedWrite : public ::testing::TestWithParam<RefusedCase> {};

// Writes that would add, hide or break lines leave the file as it was.
TEST_P(IniRefusedWrite, LeavesTheFileAlone) {
  Dir dir;
  const std::string before = "[S]\nK=1\n";
  Put(dir.File("r.ini"), before);
  EXPECT_FALSE(ini::WriteString(dir.File("r.ini"), GetParam().section, GetParam().key, GetParam().value));
  EXPECT_EQ(Get(dir.File("r.ini")), before);
  EXPECT_EQ(ini::ReadString(dir.File("r.ini"), "S", "K", 10), "1");
}

INSTANTIATE_TEST_SUITE_P(Cases, IniRefusedWrite,
                         ::testing::Values(RefusedCase{"value_with_newline", "S", "K", "2\n[T]\nX=1"},
                                           RefusedCase{"value_with_cr", "S", "K", "2\rX"},
                                           RefusedCase{"key_with_equals", "S", "K=2", "3"},
                                           RefusedCase{"key_comment", "S", ";K", "3"},
                                           RefusedCase{"key_section", "S", "[K", "3"},
                                           RefusedCase{"empty_key", "S", "  ", "3"},
                                           RefusedCase{"empty_section", "", "K", "3"},
                                           RefusedCase{"section_with_bracket", "S]x", "K", "3"},
                                           RefusedCase{"section_with_newline", "S\nK", "K", "3"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IniWriteMore, TrimsKeepsDuplicatesAndAppendsBeforeBlankLines) {
  Dir dir;
  std::string f = dir.File("w.ini");
  Put(f, "[A]\nk = 1\nK=2\n\n\n[B]\n");
  EXPECT_TRUE(ini::WriteString(f, " a ", " K ", "  9  "));
  EXPECT_TRUE(ini::WriteString(f, "A", "n", ""));
  EXPECT_TRUE(ini::WriteString(f, "b", "m", "x y"));
  EXPECT_EQ(Get(f), "[A]\nk=9\nK=2\nn=\n\n\n[B]\nm=x y\n") << "the first duplicate is the one replaced";
}

TEST(IniWriteMore, KeepsPermissionsAndWritesThroughLinks) {
  Dir dir;
  std::string real = dir.File("real.ini");
  Put(real, "[S]\nK=1\n");
  ::chmod(real.c_str(), 0600);
  fs::create_symlink(real, dir.File("link.ini"));
  EXPECT_TRUE(ini::WriteString(dir.File("link.ini"), "S", "K", "2"));
  EXPECT_TRUE(fs::is_symlink(dir.File("link.ini")));
  EXPECT_EQ(Get(real), "[S]\nK=2\n");
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(ini::ReadString(real, "S", "K", 5), "2");
}

TEST(IniWriteMore, PathSpellingsShareOneFile) {
  Dir dir;
  std::string plain = dir.File("p.ini");
  std::string odd = dir.path.string() + "//./p.ini";
  EXPECT_TRUE(ini::WriteString(plain, "S", "A", "1"));
  EXPECT_TRUE(ini::WriteString(odd, "S", "B", "2"));
  EXPECT_EQ(ini::ReadString(plain, "S", "B", 5), "2");
  EXPECT_EQ(Get(plain), "[S]\nA=1\nB=2\n");
}

TEST(IniBatch, MatchesKeyByKeyWritingOnRandomWork) {
  Dir dir;
  std::mt19937 rng(42);
  const char* sections[] = {"Init", "ShareData", "Config0", "config0", "New"};
  const char* keys[] = {"K0", "k0", "DPI_LEVEL", "X", "Long_Key_Name", "y"};
  for (int round = 0; round < 40; ++round) {
    const std::string start = round % 2 ? "; c\r\n[Init]\r\nX=1\r\n\r\n[ShareData]\r\n\r\n" : "";
    std::string a = dir.File("a.ini"), b = dir.File("b.ini");
    Put(a, start);
    Put(b, start);
    if (round % 4 == 0) fs::remove(a), fs::remove(b);
    ini::Batch batch(b);
    int n = std::uniform_int_distribution<int>(1, 30)(rng);
    for (int i = 0; i < n; ++i) {
      std::string section = sections[rng() % 5], key = keys[rng() % 6], value = std::to_string(rng() % 1000);
      if (rng() % 10 == 0) value = "bad\nvalue";
      ini::WriteString(a, section, key, value);
      batch.WriteString(section, key, value);
    }
    batch.Commit();
    ASSERT_EQ(Get(a), Get(b)) << "round " << round;
    ini::ClearCache();
    for (const char* s : sections)
      for (const char* k : keys) ASSERT_EQ(ini::ReadString(a, s, k, 99), ini::ReadString(b, s, k, 99));
  }
}

TEST(IniBatch, ReportsRefusalsAndEmptiesItself) {
  Dir dir;
  ini::Batch batch(dir.File("c.ini"));
  EXPECT_TRUE(batch.Commit()) << "nothing pending";
  EXPECT_FALSE(fs::exists(dir.File("c.ini")));
  batch.WriteInt("S", "A", -5);
  batch.WriteString("S", "B=", "x");
  EXPECT_FALSE(batch.Commit());
  EXPECT_TRUE(batch.Writes().empty());
  EXPECT_EQ(Get(dir.File("c.ini")), "[S]\nA=-5\n");
  ini::Batch missing(dir.File("no/dir/c.ini"));
  missing.WriteInt("S", "A", 1);
  EXPECT_FALSE(missing.Commit());
}

TEST(IniCache, SeesReplacementsAndRemovals) {
  Dir dir;
  std::string f = dir.File("c.ini");
  EXPECT_TRUE(ini::WriteString(f, "S", "K", "1"));
  EXPECT_EQ(ini::ReadString(f, "S", "K", 5), "1");
  // Another program replaces the file by rename with a same-sized one.
  std::ofstream(dir.File("other"), std::ios::binary) << "[S]\nK=2\n";
  fs::rename(dir.File("other"), f);
  EXPECT_EQ(ini::ReadString(f, "S", "K", 5), "2");
  fs::remove(f);
  EXPECT_EQ(ini::ReadString(f, "S", "K", 5), "");
  EXPECT_FALSE(ini::FileExists(f));
  EXPECT_TRUE(ini::WriteString(f, "S", "K", "3"));
  EXPECT_EQ(Get(f), "[S]\nK=3\n");
}

// Threads writing their own keys of one file lose none of them, and readers never see
// a key disappear.
TEST(IniThreads, ConcurrentWritersLoseNothing) {
  Dir dir;
  std::string f = dir.File("t.ini");
  ASSERT_TRUE(ini::WriteString(f, "S", "base", "1"));
  std::vector<std::thread> threads;
  std::atomic<bool> done{false};
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 40; ++i) {
        if (i % 2) {
          ini::Batch batch(f);
          batch.WriteInt(Named('T', t), Named('b', i), i);
          batch.WriteInt("S", Named('t', t), i);
          EXPECT_TRUE(batch.Commit());
        } else {
          EXPECT_TRUE(ini::WriteInt(f, Named('T', t), Named('k', i), i));
        }
      }
    });
  std::thread reader([&] {
    while (!done) EXPECT_EQ(ini::ReadString(f, "S", "base", 5), "1");
  });
  for (auto& t : threads) t.join();
  done = true;
  reader.join();
  for (int t = 0; t < 4; ++t) {
    EXPECT_EQ(ini::SectionKeys(f, Named('T', t)).size(), 40u);
    EXPECT_EQ(ini::ReadString(f, "S", Named('t', t), 5), "39");
  }
}

// ---- Files as hands and crashes leave them, and writes that must not be led elsewhere ----

// The pid of a process that has ended.
pid_t EndedPid() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

constexpr uid_t kOtherUser = 65534;

}  // namespace

TEST(IniHandEdited, QuotesAndLineEndsReadAsTheUserMeantThem) {
  Dir dir;
  const std::string f = dir.File("q.ini");
  Put(f, "[ShareData]\rDPI_LEVEL=\"4\"\rNAME='a b'\rHALF=\"4\rEMPTY=\"\"\rMIXED=\"x'\r[Next]\r\nK=1\n");
  EXPECT_EQ(ini::ReadInt(f, "ShareData", "DPI_LEVEL", 5), 4);
  EXPECT_EQ(ini::ReadString(f, "ShareData", "NAME", 10), "a b");
  EXPECT_EQ(ini::ReadString(f, "ShareData", "HALF", 10), "\"4");
  EXPECT_EQ(ini::ReadString(f, "ShareData", "EMPTY", 10), "");
  EXPECT_EQ(ini::ReadString(f, "ShareData", "MIXED", 10), "\"x'");
  EXPECT_EQ(ini::ReadString(f, "Next", "K", 10), "1");
  // The quotes do not take room of the buffer.
  Put(f, "[S]\rV=\"1234\"\r");
  EXPECT_EQ(ini::ReadInt(f, "S", "V", 5), 1234);

  // A write keeps the file's own line ends and every other line.
  EXPECT_TRUE(ini::WriteString(f, "S", "W", "2"));
  EXPECT_EQ(Get(f), "[S]\rV=\"1234\"\rW=2\r");
}

TEST(IniHandEdited, TemporaryFilesOfDeadWritersAreRemovedOthersKept) {
  Dir dir;
  fs::create_directories(dir.path / "1_INI_EN" / "macro");
  const std::string dead = std::to_string(EndedPid());
  const std::string mine = std::to_string(::getpid());
  const std::string stale1 = dir.File("config.ini.tmp." + dead + ".0");
  const std::string stale2 = dir.File("1_INI_EN/macro/G.dat.tmp." + dead + ".17");
  const std::string stale3 = dir.File("config.ini.tmp." + dead + ".9f3ac01d27e4b658");  // a random name
  const std::string live = dir.File("config.ini.tmp." + mine + ".3");
  const std::string user1 = dir.File("notes.tmp.txt");
  const std::string user2 = dir.File("config.ini.tmp.x.1");
  for (const std::string& f : {stale1, stale2, stale3, live, user1, user2}) Put(f, "x");
  EXPECT_EQ(ini::RemoveStaleTempFiles(dir.path.string()), 3);
  EXPECT_FALSE(fs::exists(stale1));
  EXPECT_FALSE(fs::exists(stale2));
  EXPECT_FALSE(fs::exists(stale3));
  for (const std::string& f : {live, user1, user2}) EXPECT_TRUE(fs::exists(f)) << f;
}

TEST(IniWriteSafety, LinksAndOpenFoldersNeverLeadAWriteElsewhere) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to plant files of another user";
  Dir dir;
  // A link whose target belongs to another user is not written through.
  const std::string foreign = dir.File("foreign.ini");
  Put(foreign, "[S]\nK=1\n");
  ASSERT_EQ(::chown(foreign.c_str(), kOtherUser, kOtherUser), 0);
  fs::create_symlink(foreign, dir.File("link.ini"));
  EXPECT_FALSE(ini::WriteString(dir.File("link.ini"), "S", "K", "2"));
  EXPECT_EQ(Get(foreign), "[S]\nK=1\n");
  EXPECT_NE(ini::LastWriteError().find("another user"), std::string::npos) << ini::LastWriteError();

  // Run as root in a folder that anyone can write, a planted config.ini link to a
  // system file changes nothing, and neither does a plain file there.
  const fs::path open = dir.path / "open";
  fs::create_directories(open);
  ASSERT_EQ(::chmod(open.c_str(), 01777), 0);
  const std::string victim = dir.File("victim");
  Put(victim, "system file\n");
  const std::string planted = (open / "config.ini").string();
  fs::create_symlink(victim, planted);
  ASSERT_EQ(::lchown(planted.c_str(), kOtherUser, kOtherUser), 0);
  EXPECT_FALSE(ini::WriteString(planted, "Init", "CurConfig", "0"));
  EXPECT_EQ(Get(victim), "system file\n");
  EXPECT_TRUE(fs::is_symlink(planted));
  const std::string plain = (open / "plain.ini").string();
  EXPECT_FALSE(ini::WriteString(plain, "S", "K", "1"));
  EXPECT_FALSE(fs::exists(plain));
  EXPECT_NE(ini::LastWriteError().find("other users can write"), std::string::npos) << ini::LastWriteError();

  // The same folder closed again takes the write.
  ASSERT_EQ(::chmod(open.c_str(), 0755), 0);
  EXPECT_TRUE(ini::WriteString(plain, "S", "K", "1"));
  EXPECT_TRUE(ini::LastWriteError().empty());
}
