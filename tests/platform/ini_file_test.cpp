#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {
struct TempDir {
  fs::path path;
  TempDir() {
    path = fs::temp_directory_path() / ("ini_test_" + std::to_string(::getpid()) + "_" +
                                        std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    fs::create_directories(path);
  }
  ~TempDir() { fs::remove_all(path); }
  std::string File(const std::string& name) const { return (path / name).string(); }
};

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
  ini::ClearCache();
}
std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
}  // namespace

TEST(IniRead, NamesMatchWithoutCaseAndBlanksAreTrimmed) {
  TempDir dir;
  WriteBytes(dir.File("a.ini"), "; comment\n[ ShareData ]\n  dpi_level =  3  \nK1=7\nK1=9\n");
  EXPECT_EQ(ini::ReadString(dir.File("a.ini"), "sharedata", "DPI_LEVEL", 5), "3");
  EXPECT_EQ(ini::ReadString(dir.File("a.ini"), "ShareData", "k1", 5), "7") << "first duplicate wins";
  EXPECT_EQ(ini::ReadString(dir.File("a.ini"), "ShareData", "missing", 5), "");
  EXPECT_EQ(ini::ReadString(dir.File("a.ini"), "Other", "K1", 5), "");
  EXPECT_EQ(ini::ReadString(dir.File("none.ini"), "ShareData", "K1", 5), "");
}

TEST(IniRead, ValueIsCutToBufferCharacters) {
  TempDir dir;
  WriteBytes(dir.File("a.ini"), "[S]\nK=123456789\nC=中文字符串\n");
  EXPECT_EQ(ini::ReadString(dir.File("a.ini"), "S", "K", 5), "1234");
  EXPECT_EQ(ini::ReadString(dir.File("a.ini"), "S", "C", 3), "中文") << "characters, not bytes";
  EXPECT_EQ(ini::ReadString(dir.File("a.ini"), "S", "K", 1), "");
  EXPECT_EQ(ini::ReadString(dir.File("a.ini"), "S", "K", 0), "");
}

TEST(IniRead, AcceptsBomsAndUtf16) {
  TempDir dir;
  WriteBytes(dir.File("bom.ini"), "\xEF\xBB\xBF[S]\r\nK=v\r\n");
  EXPECT_EQ(ini::ReadString(dir.File("bom.ini"), "S", "K", 10), "v");
  std::string utf16 = "\xFF\xFE";
  for (char16_t c : std::u16string(u"[S]\r\nK=\u00e9\u4e2d\r\n")) {
    utf16 += static_cast<char>(c & 0xFF);
    utf16 += static_cast<char>(c >> 8);
  }
  WriteBytes(dir.File("w.ini"), utf16);
  EXPECT_EQ(ini::ReadString(dir.File("w.ini"), "s", "k", 10), "\xC3\xA9\xE4\xB8\xAD");
}

TEST(IniWrite, CreatesReplacesAppendsAndKeepsOtherLines) {
  TempDir dir;
  std::string f = dir.File("sub.ini");
  EXPECT_TRUE(ini::WriteString(f, "Init", "CurConfig", "2"));
  EXPECT_EQ(ReadBytes(f), "[Init]\nCurConfig=2\n");
  WriteBytes(f, "; keep me\r\n[A]\r\nx=1\r\nunknown = zz\r\n\r\n[B]\r\ny=2\r\n");
  EXPECT_TRUE(ini::WriteString(f, "a", "X", "5"));
  EXPECT_TRUE(ini::WriteString(f, "A", "new", "n"));
  EXPECT_TRUE(ini::WriteString(f, "C", "z", "3"));
  EXPECT_EQ(ReadBytes(f), "; keep me\r\n[A]\r\nx=5\r\nunknown = zz\r\nnew=n\r\n\r\n[B]\r\ny=2\r\n[C]\r\nz=3\r\n");
  EXPECT_EQ(ini::ReadString(f, "A", "new", 10), "n");
  auto keys = ini::SectionKeys(f, "A");
  EXPECT_EQ(keys, (std::vector<std::string>{"x", "unknown", "new"}));
}

TEST(IniWrite, SeesChangesMadeByOthersAndLeavesNoTemporaryFiles) {
  TempDir dir;
  std::string f = dir.File("c.ini");
  ini::WriteString(f, "S", "K", "1");
  EXPECT_EQ(ini::ReadString(f, "S", "K", 5), "1");
  WriteBytes(f, "[S]\nK=22\n");
  EXPECT_EQ(ini::ReadString(f, "S", "K", 5), "22");
  int entries = 0;
  for ([[maybe_unused]] auto& e : fs::directory_iterator(dir.path)) ++entries;
  EXPECT_EQ(entries, 1);
  EXPECT_FALSE(ini::WriteString(dir.File("no/such/dir.ini"), "S", "K", "1"));
}

TEST(IniNumbers, SignAndLeadingDigitsOnly) {
  EXPECT_EQ(ini::ToInt("42"), 42);
  EXPECT_EQ(ini::ToInt("-2"), -2);
  EXPECT_EQ(ini::ToInt("+7x"), 7);
  EXPECT_EQ(ini::ToInt("12abc"), 12);
  EXPECT_EQ(ini::ToInt("abc"), 0);
  EXPECT_EQ(ini::ToInt(""), 0);
  EXPECT_EQ(ini::ToInt("-"), 0);
  EXPECT_EQ(ini::ToInt("99999999999999999999"), 2147483647);
  EXPECT_EQ(ini::ToInt("-99999999999999999999"), -2147483647 - 1);
}
