// The command line: the switches the README documents, Qt's own options, and the
// information and error exits that keep a mistyped option from starting against the mouse.
#include <gtest/gtest.h>

#include <vector>

#include "app/command_line.h"

namespace {

CommandLine Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "ovk-dovaru");
  return ParseCommandLine(static_cast<int>(args.size()), args.data());
}

}  // namespace

TEST(ProgramCommandLine, RunsWithItsOwnAndQtsOptions) {
  struct Case {
    std::vector<const char*> args;
    bool simulate;
  };
  for (const Case& c : std::vector<Case>{{{}, false},
                                         {{"--simulate"}, true},
                                         {{"--simulate", "-HIDE"}, true},
                                         {{"-HIDE", "--simulate"}, true},
                                         {{"-platform", "offscreen"}, false},
                                         {{"--platform=xcb", "-reverse", "-style", "Fusion", "--simulate"}, true}}) {
    const CommandLine line = Parse(c.args);
    EXPECT_FALSE(line.exitNow) << line.output;
    EXPECT_EQ(line.options.simulate, c.simulate) << c.args.size();
  }
}

TEST(ProgramCommandLine, HelpAndVersionPrintAndExit) {
  const CommandLine help = Parse({"--simulate", "--help", "--bogus"});
  EXPECT_TRUE(help.exitNow);
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.output.find("--simulate"), std::string::npos);
  EXPECT_NE(help.output.find("-HIDE"), std::string::npos);
  const CommandLine version = Parse({"--version"});
  EXPECT_TRUE(version.exitNow);
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.output.rfind("ovk-dovaru ", 0), 0u);
}

TEST(ProgramCommandLine, UnknownOptionsAndArgumentsAreErrors) {
  for (const auto& args : std::vector<std::vector<const char*>>{
           {"--simulat"}, {"-simulate"}, {"--simulate", "--hide"}, {"file.ini"}, {"-platform"}}) {
    const CommandLine line = Parse(args);
    EXPECT_TRUE(line.exitNow) << args.back();
    EXPECT_EQ(line.exitCode, 2) << args.back();
    EXPECT_EQ(line.output.rfind("ovk-dovaru: ", 0), 0u) << line.output;
  }
}
