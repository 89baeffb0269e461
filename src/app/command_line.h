// The program's command line: --simulate, the start-hidden switch (-HIDE, looked at by
// the main window), Qt's own options, --help and --version. Anything else is an error,
// so that a mistyped --simulate never starts against the mouse.
#pragma once

#include <string>

struct AppOptions {
  bool simulate = false;  // --simulate
};

struct CommandLine {
  AppOptions options;
  bool exitNow = false;  // --help, --version or an error: print `output` and end
  bool help = false;     // --help: the caller adds the settings folder to `output`
  int exitCode = 0;      // 0 for --help and --version, 2 for an error
  std::string output;    // for standard output (exit code 0) or standard error
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

// The options alone (a line with an error gives the defaults).
AppOptions ParseAppOptions(int argc, const char* const* argv);

// Prints `line.output` where it belongs; returns line.exitCode.
int PrintCommandLineOutput(const CommandLine& line);
